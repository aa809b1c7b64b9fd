#pragma once
// A diagram of every kind of drawn object spread over a few screens' worth of sea, for the tests
// that compare pictures: chains of racing boats of every hull, with sails, spinnakers, overlap
// lines, zones and hidden positions; committee, judge and spectator boats; marks with laylines;
// arrows, lines, curved arrows, flags, pictures; texts, balloons and remarks in several fonts and
// styles. Seeded, so that two diagrams built with one seed are the same.

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Font.h"
#include "plat/gfx/Graphics.h"

#include <QColor>
#include <QImage>

#include <memory>
#include <random>
#include <string>

namespace zovtest {

inline void FillMixedScene(zov::TDiagram& d, unsigned seed, int boats = 12, int steps = 6)
{
    using namespace zov;
    CurrentDiagramScope scope(&d);
    std::mt19937 rng(seed);
    const auto Int = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const auto Real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    const auto at = [&] { return TPoint { Int(0, 2000), Int(0, 1400) }; };
    const auto add = [&](TObjet* o) {
        if (!d.FRoot)
            d.FRoot = o;
        else
            d.FRoot->AppendSibling(o);
        return o;
    };

    add(new TBouee({ 900, 80 }, 4, 1));
    add(new TBouee({ 300, 1300 }, 3, 1.3f));
    add(new TBateauComite({ 1500, 1250 }, 10, 1));
    for (int b = 0; b < boats; ++b) {
        ++d.FBoatCount;
        const TPoint start { 100 + 150 * b, 1350 };
        auto* boat = new TBateauCourse(start, Real(-180, 180), b % 5 == 4 ? 1.6f : 1.0f, Int(-30, 60), b % 4);
        add(boat);
        TObjet* last = boat;
        for (int s = 2; s <= steps; ++s) {
            auto* next = new TBateauCourse({ start.x + Int(-60, 60), start.y - 200 * s + Int(-40, 40) }, Real(-180, 180),
                boat->FSize, boat->FRatio, boat->FHull);
            next->FSituation = s;
            next->FColor = boat->FColor;
            next->FSpinnaker = std::uint8_t(s % 3 == 0);
            next->FAsymetric = std::uint8_t(b % 2);
            next->FManualTrimming = std::int16_t(s == 4);
            next->FReglage = std::int16_t(Int(-90, 90));
            if (s % 2 == 0)
                next->FFlags |= flOverlap | (b % 2 ? flOverlapStarboard : 0);
            if (b == 3 && s == 3)
                next->FFlags |= flOutline;
            if (b == 5 && s == 2)
                next->FFlags &= ~flVisible; // a hidden position
            next->FTrackVisible = 1;
            last->AddNext(next);
            last = next;
        }
    }
    add(new TBateauJuge(at(), Real(-180, 180), 1));
    add(new TBateauWJ(at(), Real(-180, 180), 1));
    add(new TSpectateur(at(), Real(-180, 180), 1.4f));
    add(new TFleche(at(), Real(-180, 180), 1.2f));
    add(new TLigne(at(), Real(-180, 180), 2));
    add(new TCurve(at(), Real(-180, 180), 1, 240, 1));
    add(new TDrapeau(at(), 3, 1));
    QImage image(23, 17, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 11, y * 15, (x ^ y) * 9));
    const gfx::Bitmap bitmap(image);
    add(new TPerso(at(), 3.3f, &bitmap, false));
    const char* fonts[] = { "Arial", "Courier New", "Times New Roman" };
    for (int t = 0; t < 6; ++t) {
        TGenText* text = t % 3 == 0 ? new TGenText(at(), 0, 1) : t % 3 == 1 ? static_cast<TGenText*>(new TBulle(at(), 0, 1))
                                                                                : new TRemarque(at(), 0, 1);
        text->FText = t % 2 ? "Overlap at the zone\r\nkeep clear" : "Boat 7 tacks";
        text->FFontName = fonts[t % 3];
        text->FFontSize = 8 + 5 * t;
        text->FFontStyle = t % 16;
        text->FFont = gfx::Font(text->FFontName, float(text->FFontSize), text->FFontStyle);
        text->FFontColor = 0xFF000000u | std::uint32_t(Int(0, 0xFFFFFF));
        if (auto* balloon = dynamic_cast<TBulle*>(text)) {
            balloon->FTipX = text->FX + 120;
            balloon->FTipY = text->FY + 90;
        }
        if (auto* remark = dynamic_cast<TRemarque*>(text))
            remark->FFrame = 1;
        add(text);
    }
}

// The diagram above, drawn once and fitted to a client area of WIDTH x HEIGHT, with its grid and
// laylines shown, drawing as OPTIONS say.
inline std::unique_ptr<zov::TDiagram> FittedMixedDiagram(int width, int height, unsigned seed, int steps = 6,
    zov::DrawingOptions options = {})
{
    using namespace zov;
    auto d = std::make_unique<TDiagram>(nullptr, options);
    CurrentDiagramScope scope(d.get());
    d->SetClientSize(width, height);
    d->FShowGrid = 1;
    d->FShowLaylines = 1;
    FillMixedScene(*d, seed, 12, steps);
    d->Redraw();
    d->SetZoom(0);
    return d;
}

// Writes a diagram file of 10 000 objects to NAME: 100 marks and 100 racing boats of 99 steps
// each, the large file whose opening is measured and whose first picture must never change.
// CLIENT, when given, is the client area the diagram has while it is written. False when the
// file could not be written.
inline bool WriteLargeRace(const std::string& name, QSize client = QSize())
{
    using namespace zov;
    TDiagram d;
    CurrentDiagramScope scope(&d);
    if (!client.isEmpty())
        d.SetClientSize(client.width(), client.height());
    d.FRoot = new TBouee({ 0, 0 }, 3, 1);
    for (int m = 1; m < 100; ++m)
        d.FRoot->AppendSibling(new TBouee({ 400 * (m % 10), 400 * (m / 10) }, std::uint8_t(m % 2 ? 3 : 4), 1));
    for (int b = 0; b < 100; ++b) {
        ++d.FBoatCount;
        auto* boat = new TBateauCourse({ 40 * b, 4000 }, 0, 1, 0, 0);
        d.FRoot->AppendSibling(boat);
        TObjet* last = boat;
        for (int s = 2; s <= 99; ++s) {
            auto* next = new TBateauCourse({ 40 * b + (s % 3) * 15, 4000 - 40 * s }, float((s * 37 + b) % 360 - 180), 1, 0, 0);
            next->FSituation = s;
            last->AddNext(next);
            last = next;
        }
    }
    d.FFileName = name;
    return d.SaveToFile();
}

// What the window composes for D: the static picture and what lies on top of it.
inline QImage ComposedPicture(zov::TDiagram& d)
{
    gfx::Bitmap buffer(d.ClientWidth(), d.ClientHeight(), gfx::PixelFormat::Rgb32);
    {
        gfx::Graphics g(buffer);
        g.clear(0xFFFFFFFF);
        d.MyPaint(g);
    }
    return buffer.image().copy();
}

} // namespace zovtest
