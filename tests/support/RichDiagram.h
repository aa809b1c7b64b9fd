#pragma once
// Diagrams and records the file tests (and the fuzzing seeds) share.

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Bitmap.h"
#include "support/ZovBytes.h"

#include <QImage>

#include <string>

namespace zovtest {

using namespace zov;

// One object of every kind, boats with later steps, a picture, a filled-in header.
inline void fillRich(TDiagram& d)
{
    CurrentDiagramScope scope(&d);
    TObjet* last = nullptr;
    auto add = [&](TObjet* o) {
        if (!d.FRoot)
            d.FRoot = o;
        else
            last->AppendSibling(o);
        last = o;
        return o;
    };
    d.FBoatCount = 1;
    auto* blue = static_cast<TBateauCourse*>(add(new TBateauCourse({ 100, 100 }, 45, 1, 0, 0)));
    auto* blue2 = new TBateauCourse({ 160, 40 }, 30, 1, 0, 0);
    blue2->FSituation = 2;
    blue2->FSpinnaker = 1;
    blue->InsertStep(blue2, true);
    d.FBoatCount = 2;
    auto* yellow = add(new TBateauCourse({ 300, 100 }, -45, 1, 10, 1));
    auto* yellow2 = new TBateauCourse({ 250, 40 }, -60, 1, 10, 1);
    yellow2->FSituation = 2;
    yellow->InsertStep(yellow2, true);
    add(new TBouee({ 200, -200 }, 3, 1))->FFlags = flOutline;
    add(new TBateauComite({ 500, 300 }, 0, 1));
    auto* judge = add(new TBateauJuge({ 20, 20 }, 90, 1));
    auto* judge2 = new TBateauJuge({ 40, 20 }, 90, 1);
    judge2->FSituation = 2;
    judge->InsertStep(judge2, true);
    add(new TSpectateur({ -50, 10 }, 170, 1.5f));
    add(new TBateauWJ({ 60, 600 }, -10, 1));
    add(new TFleche({ 5, 5 }, 10, 1));
    add(new TLigne({ 6, 6 }, 20, 2));
    add(new TCurve({ 7, 7 }, 30, 1, 120, 1));
    add(new TDrapeau({ 8, 8 }, 3, 1));
    auto* balloon = static_cast<TGenText*>(add(new TBulle({ 9, 9 }, 0, 1)));
    balloon->FFontStyle = 1;
    auto* remark = static_cast<TRemarque*>(add(new TRemarque({ 10, 10 }, 15, 1)));
    remark->FText = "A remark";
    remark->FFrame = 1;
    for (TGenre g : { gFactsFound, gDecision, gComments, gSummary }) {
        auto* t = static_cast<TGenText*>(add(new TGenText({ 0, 0 }, 0, 1)));
        t->FGenre = g;
        t->FText = "Document text " + std::to_string(int(g));
    }
    QImage image(5, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    gfx::Bitmap bitmap(image);
    add(new TPerso({ -300, -300 }, 2, &bitmap, true));
    d.FHeader.SituationType = 3;
    SetField(d.FHeader.Rules, "10, 11, 18");
    d.FHeader.Reserved = { 'r', 's' };
    SetField(d.FHeader.CaseCall, "Case 42");
    SetField(d.FHeader.Description, "Two boats at the windward mark");
    SetField(d.FEmail, "judge@example.org");
    d.FHideNumbers = 1;
    d.FReserved1 = 11;
    d.FReserved2 = -12;
    d.FReserved3 = 13;
    d.FWind = 100;
    d.FShowLaylines = 0;
    d.FLaylineAngle = 40;
    d.FExtraCount = 2;
    d.FExtra = { 7, -8 };
    d.FShowGrid = 0;
    d.FReserved4 = 4;
    d.FReserved5 = 5;
    d.FReserved6 = 6;
    d.FDefaultRayon = 4;
    d.FReserved7 = 7;
}

// A racing boat record of Version with its six fields and what the version adds.
inline void boatRecord(ZovBytes& b, const ZovBase& base, int version, std::uint32_t colorWord)
{
    b.record(gRacingBoat, base, version).u16(0).u16(0).u16(0).u16(0).u16(0).u16(15);
    if (version >= 5 && version <= 7)
        b.u32(colorWord);
    if (base.extension >= 1)
        b.u8(1).u8(0).u8(0);
}

} // namespace zovtest
