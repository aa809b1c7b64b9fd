// One picture of every object kind and hull type, for a person to look at (DrawGallery.png
// beside the test program). It is not compared pixel by pixel.

#include "model/Objet.h"
#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Graphics.h"
#include "support/FakeDiagram.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>

#include <memory>
#include <vector>

using namespace zov;
using zovtest::FakeDiagram;

TEST(DrawGallery, EveryKindInOnePicture)
{
    FakeDiagram d;
    std::vector<std::unique_ptr<TObjet>> objects;
    auto add = [&](std::unique_ptr<TObjet> o) -> TObjet& {
        objects.push_back(std::move(o));
        return *objects.back();
    };
    auto racing = [&](TPoint p, float heading, int hull, std::uint32_t colour) -> TBateauCourse& {
        auto b = std::make_unique<TBateauCourse>(p, heading, 1, 0, hull);
        b->FColor = colour;
        b->FSituation = hull + 1;
        auto& ref = *b;
        add(std::move(b));
        return ref;
    };
    // Top row: the four hull types on different points of sail.
    racing({ 60, 90 }, 0, 0, 0xFF2880FF);
    racing({ 170, 90 }, 45, 1, 0xFFFFFF50).FSpinnaker = 0;
    auto& opti = racing({ 280, 90 }, 90, 2, 0xFF80FF80);
    opti.FFlags |= flOverlap;
    auto& tri = racing({ 400, 90 }, 150, 3, 0xFFC0C0C0);
    tri.FSpinnaker = 1;
    tri.FAsymetric = 1;
    auto& sym = racing({ 520, 90 }, -135, 0, 0xFF2880FF);
    sym.FSpinnaker = 1;
    sym.FFlags |= flOverlap | flOverlapStarboard;
    auto& zone = racing({ 680, 90 }, -60, 0, 0xFFFFFF50);
    zone.FFlags |= flOutline;
    zone.FRayonOutline = 1;
    auto& hidden = racing({ 800, 90 }, 0, 0, 0xFF80FF80);
    hidden.FFlags = 0;

    // Middle row: the other boats, selected and hovered looks.
    add(std::make_unique<TBateauComite>(TPoint { 60, 230 }, 30, 1));
    add(std::make_unique<TSpectateur>(TPoint { 150, 230 }, -30, 1));
    add(std::make_unique<TBateauJuge>(TPoint { 230, 230 }, 0, 1)).FSituation = 3;
    add(std::make_unique<TBateauWJ>(TPoint { 300, 230 }, 90, 1)).FSituation = 12;
    d.FSelected = &racing({ 400, 230 }, 20, 0, 0xFF2880FF);
    d.FHovered = &racing({ 480, 230 }, -20, 0, 0xFFFF0000);
    auto& mark = add(std::make_unique<TBouee>(TPoint { 640, 230 }, 3, 1));
    mark.FFlags |= flOutline;
    mark.FRayonOutline = 1;

    // Bottom row: arrows, line, flag, picture and texts.
    add(std::make_unique<TFleche>(TPoint { 60, 330 }, 45, 1));
    add(std::make_unique<TCurve>(TPoint { 180, 360 }, 0, 1, 120, 1));
    add(std::make_unique<TLigne>(TPoint { 300, 360 }, 60, 0.5f));
    add(std::make_unique<TDrapeau>(TPoint { 370, 320 }, 0, 1));
    gfx::Bitmap pic(30, 20);
    pic.image().fill(QColor(0x40, 0x90, 0xD0));
    add(std::make_unique<TPerso>(TPoint { 440, 330 }, 1.5f, &pic, false));
    auto& balloon = static_cast<TBulle&>(add(std::make_unique<TBulle>(TPoint { 530, 330 }, 30, 1)));
    balloon.FText = "Protest !\r\nStarboard";
    auto& remark = static_cast<TRemarque&>(add(std::make_unique<TRemarque>(TPoint { 700, 320 }, 0, 1)));
    remark.FText = "Boats 1 and 2\r\noverlap";
    remark.FFrame = 1;

    gfx::Bitmap bitmap(900, 420);
    {
        gfx::Graphics g(bitmap);
        g.setSmoothing(true);
        g.clear(0xFFFFFFFF);
        for (auto& o : objects)
            o->Draw(g);
    }
    const QString file = QDir(QCoreApplication::applicationDirPath()).filePath("DrawGallery.png");
    EXPECT_TRUE(bitmap.image().save(file, "PNG")) << file.toStdString();
}
