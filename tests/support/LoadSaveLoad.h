#pragma once
// The file round trip that every diagram file can go through, with nothing but the program
// itself: what a load gives, put in words that compare, and the check that load -> save -> load
// gives the same forest, step numbers, boat numbers and settings words, that the second load
// reads the whole file, and that a second save repeats the first byte for byte. The tests check
// it (RoundTrip.h), and so does the fuzzing of the reader (fuzz/).

#include "diagram/Diagram.h"
#include "diagram/DiagramFile.h"
#include "model/Courbe.h"
#include "model/Objet.h"
#include "model/Records.h"
#include "plat/io/BinaryStream.h"

#include <cstdint>
#include <cstdio>
#include <exception>
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

struct RoundTrip {
    bool loaded = false;   // the data was read, in whole or in part
    std::string described; // what the first load gave
    std::string fault;     // what broke the round trip; empty when it holds
};

// Loads Data (silently), saves what was read, loads that again and saves it again.
inline RoundTrip LoadSaveLoad(const std::uint8_t* data, std::size_t size)
{
    RoundTrip r;
    zov::TDiagram first;
    if (!first.LoadFromBytes("roundtrip", data, size, false))
        return r;
    r.loaded = true;
    std::vector<std::uint8_t> once;
    try {
        once = SavedBytes(first);
    } catch (const std::exception& e) {
        r.fault = std::string("what was read cannot be written: ") + e.what();
        return r;
    }
    // Described once written: a save sets what it writes in its own way (a racing boat with a
    // spinnaker gets extension 1).
    r.described = DescribeLoaded(first);
    zov::TDiagram second;
    if (!second.LoadFromBytes("roundtrip", once.data(), once.size(), false)
        || zov::LastFileReport().outcome != zov::FileReport::Outcome::Done) {
        r.fault = "the file written from what was read does not load whole:";
        for (const std::string& m : zov::LastFileReport().messages)
            r.fault += " " + m;
        return r;
    }
    if (const std::string again = DescribeLoaded(second); again != r.described) {
        r.fault = "read back, the diagram differs:\n" + r.described + "---\n" + again;
        return r;
    }
    std::vector<std::uint8_t> twice;
    try {
        twice = SavedBytes(second);
    } catch (const std::exception& e) {
        r.fault = std::string("what was read back cannot be written: ") + e.what();
        return r;
    }
    if (twice != once) {
        std::size_t at = 0;
        while (at < once.size() && at < twice.size() && once[at] == twice[at])
            ++at;
        r.fault = "a second save writes other bytes, from byte " + std::to_string(at);
    }
    return r;
}

} // namespace zovtest
