#include "model/Courbe.h"
#include "model/Objet.h"
#include "plat/rt/Errors.h"
#include "support/FakeDiagram.h"

#include <gtest/gtest.h>

using namespace zov;
using zovtest::FakeDiagram;

TEST(Objet, HeadingIsNormalisedOnceEachWay)
{
    FakeDiagram d;
    TFleche arrow({ 0, 0 }, 0, 1);
    const std::pair<float, float> cases[] = { { -190, 170 }, { 190, -170 }, { 180, 180 }, { -180, -180 },
        { 600, 240 }, { -600, -240 }, { 45, 45 } };
    for (auto [in, out] : cases) {
        arrow.SetHeading(in);
        EXPECT_EQ(arrow.FHeading, out) << in;
    }
}

TEST(Objet, ConstructorsSetKindColourStepAndDefaults)
{
    FakeDiagram d;
    d.FBoatCount = 2;
    TBateauCourse second({ 1, 2 }, 10, 1, 5, 1);
    EXPECT_EQ(second.FGenre, gRacingBoat);
    EXPECT_EQ(second.FBoatIndex, 2);
    EXPECT_EQ(second.FColor, 0xFFFFFF50u);
    EXPECT_EQ(second.FSituation, 1);
    EXPECT_EQ(second.FFlags, flVisible);
    EXPECT_EQ(second.FRayonOutline, 3);
    EXPECT_EQ(second.FRatio, 5);
    EXPECT_EQ(second.FHull, 1);
    EXPECT_NE(second.FCourbe, nullptr);
    EXPECT_EQ(second.FCourbe->FVisibility, 1.0f);
    EXPECT_EQ(second.FCourbe->FParamF, 0.5f);
    d.FBoatCount = 7;
    EXPECT_EQ(TBateauCourse({ 0, 0 }, 0, 1, 0, 0).FColor, 0xFFC0C0C0u);
    d.FBoatCount = 1;
    EXPECT_EQ(TBateauCourse({ 0, 0 }, 0, 1, 0, 0).FColor, 0xFF2880FFu);

    TBouee mark({ 5, 5 }, 4, 1);
    EXPECT_EQ(mark.FColor, 0xFFFF8040u);
    EXPECT_EQ(mark.FMarkType, 4);
    EXPECT_EQ(mark.FSituation, 0);
    EXPECT_EQ(mark.FHeading, 0);

    TBateauJuge judge({ 0, 0 }, 0, 1);
    EXPECT_EQ(judge.FSituation, 1);
    EXPECT_EQ(judge.FColor, 0xFFC060C0u);
    EXPECT_EQ(judge.FFlags, 0); // judges never carry the Visible bit
    EXPECT_EQ(TSpectateur({ 0, 0 }, 0, 1).FSituation, 0);

    TDrapeau flag({ 0, 0 }, 7, 1);
    EXPECT_EQ(flag.FHeading, 90);
    EXPECT_EQ(flag.FRayonOutline, 7);
    EXPECT_EQ(flag.FCanRotate, 0);
    EXPECT_EQ(flag.FBitmap, nullptr);

    TBulle balloon({ 0, 0 }, 0, 1);
    EXPECT_EQ(balloon.FText, "Protest !");
    EXPECT_EQ(balloon.FGenre, gBalloon);
    EXPECT_EQ(balloon.FColor, 0xFFFFFFFFu);
    EXPECT_EQ(balloon.FFontName, "Arial");
    EXPECT_EQ(balloon.FFontSize, 12);
    EXPECT_EQ(TGenText({ 0, 0 }, 0, 1).FGenre, gFactsFound);
    EXPECT_EQ(TRemarque({ 0, 0 }, 0, 1).FGenre, gRemark);

    gfx::Bitmap picture(4, 3);
    TPerso background({ 0, 0 }, 1, &picture, true);
    EXPECT_EQ(background.FSituation, -1);
    ASSERT_NE(background.FBitmap, nullptr);
    EXPECT_EQ(background.FBitmap->width(), 4);
    EXPECT_NE(background.FBitmap->image().constBits(), picture.image().constBits()); // its own copy
}

TEST(Objet, SixteenBitFieldsOutOfRangeBuildNothing)
{
    FakeDiagram d;
    EXPECT_THROW(TBateauCourse({ 0, 0 }, 0, 1, 40000, 0), rt::RangeError);
    EXPECT_THROW(TBateauCourse({ 0, 0 }, 0, 1, 0, -40000), rt::RangeError);
    EXPECT_THROW(TDrapeau({ 0, 0 }, 32768, 1), rt::RangeError);
    d.FBoatCount = 70000;
    EXPECT_THROW(TBateauCourse({ 0, 0 }, 0, 1, 0, 0), rt::RangeError);
    d.FBoatCount = 1;
    TBateauCourse boat({ 0, 0 }, 0, 1, 0, 0);
    EXPECT_THROW(boat.SetRatio(32768), rt::RangeError);
    boat.SetHull(1);
    EXPECT_EQ(boat.FTwinHull, 1);
    // A hull type that does not fit its field changes nothing.
    EXPECT_THROW(boat.SetHull(65537), rt::RangeError);
    EXPECT_THROW(boat.SetHull(-32769), rt::RangeError);
    EXPECT_EQ(boat.FHull, 1);
    EXPECT_EQ(boat.FTwinHull, 1);
    boat.SetHull(3);
    EXPECT_EQ(boat.FTwinHull, 0);
}

TEST(Objet, CommitteeAndFirstMarkAreRegisteredOnceAndClearedOnDestruction)
{
    FakeDiagram d;
    auto* first = new TBateauComite({ 0, 0 }, 0, 1);
    auto* second = new TBateauComite({ 0, 0 }, 0, 1);
    EXPECT_EQ(d.FCommittee, first);
    auto* mark = new TBouee({ 0, 0 }, 3, 1);
    auto* mark2 = new TBouee({ 0, 0 }, 4, 1);
    EXPECT_EQ(d.FFirstMark, mark);
    delete first;
    EXPECT_EQ(d.FCommittee, nullptr);
    delete mark;
    EXPECT_EQ(d.FFirstMark, nullptr);
    delete second;
    delete mark2;
}

TEST(Objet, KindNames)
{
    FakeDiagram d;
    TGenText comments({ 0, 0 }, 0, 1);
    comments.FGenre = gComments;
    EXPECT_EQ(comments.KindName(), "Text");
    EXPECT_EQ(TCurve({ 0, 0 }, 0, 1, 90, 1).KindName(), "Curved Arrow");
    EXPECT_EQ(TBateauWJ({ 0, 0 }, 0, 1).KindName(), "Wing judge boat");
    EXPECT_EQ(TRemarque({ 0, 0 }, 0, 1).KindName(), "Remark");
}

TEST(Objet, HitTestUsesThePathWhenItExistsElseInclusiveBounds)
{
    FakeDiagram d;
    TFleche arrow({ 0, 0 }, 0, 1);
    arrow.FBounds = { 10, 20, 30, 40 };
    EXPECT_TRUE(arrow.HitTest(40, 60)); // right and bottom edges belong to the bounds
    EXPECT_TRUE(arrow.HitTest(10, 20));
    EXPECT_FALSE(arrow.HitTest(41, 60));
    EXPECT_FALSE(arrow.HitTest(9, 30));

    arrow.FPath = std::make_unique<gfx::Path>();
    EXPECT_FALSE(arrow.HitTest(20, 30)); // an emptied path hits nothing
    arrow.FPath->addLine({ 0, 0 }, { 100, 0 });
    arrow.FPath->addLine({ 100, 0 }, { 100, 100 });
    arrow.FPath->closeFigure();
    EXPECT_TRUE(arrow.HitTest(90, 10));
    EXPECT_FALSE(arrow.HitTest(10, 90));
    arrow.SetPos({ 5, 5 }); // a move empties the outline
    ASSERT_NE(arrow.FPath, nullptr);
    EXPECT_TRUE(arrow.FPath->isEmpty());
}

TEST(Objet, AssignCopiesFieldsAndRefusesAnotherClass)
{
    FakeDiagram d;
    d.FBoatCount = 1;
    TBateauCourse a({ 10, 20 }, 30, 1.5f, 10, 2);
    a.FReglage = 12;
    d.FBoatCount = 2;
    TBateauCourse b({ 0, 0 }, 0, 1, 0, 0);
    b.Assign(a);
    EXPECT_EQ(b.FX, 10);
    EXPECT_EQ(b.FHeading, 30);
    EXPECT_EQ(b.FSize, 1.5f);
    EXPECT_EQ(b.FHull, 2);
    EXPECT_EQ(b.FReglage, 12);
    EXPECT_EQ(b.FBoatIndex, 1);
    EXPECT_NE(b.FCourbe, a.FCourbe); // owned parts stay with their owner

    TBateauJuge judge({ 0, 0 }, 0, 1);
    try {
        judge.Assign(a);
        FAIL();
    } catch (const rt::AssertionFailure& e) {
        EXPECT_EQ(e.assertMessage(), "Echec de l'assert");
    }
    TGenText text({ 0, 0 }, 0, 1);
    TBulle balloon({ 0, 0 }, 0, 1);
    EXPECT_NO_THROW(text.Assign(balloon)); // a derived source is accepted
    EXPECT_THROW(balloon.Assign(text), rt::AssertionFailure);
}
