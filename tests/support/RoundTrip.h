#pragma once
// The file round trip that every diagram a test writes can go through: what a load gives, put
// in words that compare, and a check that load -> save -> load gives the same forest, step
// numbers, boat numbers and settings words.

#include "diagram/Diagram.h"
#include "model/Courbe.h"
#include "model/Objet.h"
#include "model/Records.h"
#include "plat/io/BinaryStream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace zovtest {

// A float in words that keep every bit.
inline std::string Exact(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%a", v);
    return buf;
}

// The header and the settings words, as the file holds them.
inline std::string DescribeSettings(const zov::TDiagram& d)
{
    std::string out;
    auto field = [](const auto& f) { return std::string(f.begin(), f.end()); };
    out += "header " + std::to_string(d.FHeader.SituationType) + field(d.FHeader.Rules)
        + field(d.FHeader.Reserved) + field(d.FHeader.CaseCall) + field(d.FHeader.Author)
        + field(d.FHeader.Description) + field(d.FHeader.Date) + field(d.FEmail) + "\n";
    out += "settings " + std::to_string(d.FHideNumbers) + " " + std::to_string(d.FReserved1) + " "
        + std::to_string(d.FReserved2) + " " + std::to_string(d.FReserved3) + " " + std::to_string(d.FWind)
        + " " + std::to_string(d.FShowLaylines) + " " + std::to_string(d.FLaylineAngle) + " extra "
        + std::to_string(d.FExtraCount);
    for (std::int32_t v : d.FExtra)
        out += " " + std::to_string(v);
    out += " " + std::to_string(d.FShowGrid) + " " + std::to_string(d.FReserved4) + " "
        + std::to_string(d.FReserved5) + " " + std::to_string(d.FReserved6) + " "
        + std::to_string(d.FDefaultRayon) + " " + std::to_string(d.FReserved7) + "\n";
    return out;
}

// One line per object in walk order, with its links as walk positions and every field the file
// keeps, then the diagram's boat count, first mark, committee boat and settings words.
inline std::string DescribeLoaded(const zov::TDiagram& d)
{
    using namespace zov;
    std::vector<const TObjet*> objects;
    std::map<const TObjet*, int> ids;
    for (const TObjet* o = d.FRoot; o && objects.size() < 2000000; o = o->NextInWalk()) {
        ids.emplace(o, int(objects.size()));
        objects.push_back(o);
    }
    auto id = [&](const TObjet* o) {
        if (!o)
            return std::string("-");
        const auto it = ids.find(o);
        return it == ids.end() ? std::string("?") : std::to_string(it->second);
    };
    std::string out;
    for (const TObjet* o : objects) {
        out += id(o) + " " + ClassNameOf(*o) + " kind " + std::to_string(o->FGenre) + " next " + id(o->FNext)
            + " sibling " + id(o->FSibling) + " prev " + id(o->FPrev) + " at " + std::to_string(o->FX) + ","
            + std::to_string(o->FY) + " heading " + Exact(o->FHeading) + " size " + Exact(o->FSize) + " step "
            + std::to_string(o->FSituation) + " boat " + std::to_string(o->FBoatIndex) + " flags "
            + std::to_string(o->FFlags) + " colour " + std::to_string(o->FColor) + " rayon "
            + std::to_string(o->FRayonOutline) + " ext " + std::to_string(o->FExtension) + " res "
            + std::to_string(o->FReserved) + " track " + std::to_string(o->FTrackVisible);
        if (const TCourbe* c = o->FCourbe.get())
            for (float v : { c->FParamA, c->FParamB, c->FStartAngle, c->FParamC, c->FParamD, c->FEndAngle,
                     c->FParamE, c->FParamF, c->FParamG, c->FParamH })
                out += " " + Exact(v);
        if (const auto* b = dynamic_cast<const TBateauCourse*>(o))
            out += " hull " + std::to_string(b->FHull) + " ratio " + std::to_string(b->FRatio) + " trim "
                + std::to_string(b->FManualTrimming) + " " + std::to_string(b->FReserved1) + " "
                + std::to_string(b->FReserved2) + " " + std::to_string(b->FReglage) + " spi "
                + std::to_string(b->FSpinnaker) + std::to_string(b->FAsymetric)
                + std::to_string(b->FTwinHull);
        if (const auto* m = dynamic_cast<const TBouee*>(o))
            out += " mark " + std::to_string(m->FMarkType);
        if (const auto* c = dynamic_cast<const TCurve*>(o))
            out += " arc " + Exact(c->FArcAngle) + " " + std::to_string(c->FDirection);
        if (const auto* t = dynamic_cast<const TGenText*>(o))
            out += " text \"" + t->FText + "\" font " + t->FFontName + " " + std::to_string(t->FFontSize)
                + " " + std::to_string(t->FFontStyle) + " " + std::to_string(t->FFontColor);
        if (const auto* r = dynamic_cast<const TRemarque*>(o))
            out += " frame " + std::to_string(r->FFrame);
        if (const auto* p = dynamic_cast<const TPerso*>(o); p && p->FBitmap)
            out += " picture " + std::to_string(p->FBitmap->width()) + "x"
                + std::to_string(p->FBitmap->height());
        out += "\n";
    }
    out += "boats " + std::to_string(d.FBoatCount) + " first mark " + id(d.FFirstMark) + " committee "
        + id(d.FCommittee) + "\n";
    out += DescribeSettings(d);
    return out;
}

inline std::vector<std::uint8_t> SavedBytes(zov::TDiagram& d)
{
    io::BinaryWriter w;
    d.SaveToStream(w);
    return w.take();
}

// Loads Bytes, saves what was read and loads that again: both loads must describe alike, and
// the second save must repeat the first byte for byte. Returns what the first load describes.
inline std::string ExpectLoadSaveLoad(const std::vector<std::uint8_t>& bytes)
{
    zov::TDiagram first;
    if (!first.LoadFromBytes("roundtrip", bytes.data(), bytes.size(), false)) {
        ADD_FAILURE() << "the file does not load";
        return {};
    }
    const std::vector<std::uint8_t> again = SavedBytes(first);
    zov::TDiagram second;
    if (!second.LoadFromBytes("roundtrip", again.data(), again.size(), false)) {
        ADD_FAILURE() << "the file written from what was read does not load";
        return {};
    }
    const std::string described = DescribeLoaded(first);
    EXPECT_EQ(DescribeLoaded(second), described);
    EXPECT_TRUE(SavedBytes(second) == again) << "a second save writes other bytes";
    return described;
}

// Writes D as a file and checks the round trip of that file; returns the bytes written.
inline std::vector<std::uint8_t> ExpectRoundTrip(zov::TDiagram& d)
{
    std::vector<std::uint8_t> bytes = SavedBytes(d);
    ExpectLoadSaveLoad(bytes);
    return bytes;
}

} // namespace zovtest
