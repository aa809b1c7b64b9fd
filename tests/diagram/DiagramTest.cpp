#include "diagram/Diagram.h"
#include "diagram/DiagramHost.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/rt/Errors.h"
#include "plat/sys/UserName.h"

#include <QDate>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace zov;

namespace {

std::vector<TObjet*> topLevel(const TDiagram& d)
{
    std::vector<TObjet*> out;
    for (TObjet* o = d.FRoot; o; o = o->FSibling)
        out.push_back(o);
    return out;
}

struct Expected {
    TGenre genre;
    TPoint pos;
    float heading;
    bool zone;
    int markType;
};

void expectObjects(const TDiagram& d, const std::vector<Expected>& expected)
{
    const auto objects = topLevel(d);
    ASSERT_EQ(objects.size(), expected.size());
    for (std::size_t i = 0; i < objects.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(objects[i]->FGenre, expected[i].genre);
        EXPECT_EQ(objects[i]->Pos(), expected[i].pos);
        EXPECT_EQ(objects[i]->FHeading, expected[i].heading);
        EXPECT_EQ(objects[i]->FSize, 1.0f);
        EXPECT_EQ(bool(objects[i]->FFlags & flOutline), expected[i].zone);
        EXPECT_EQ(objects[i]->FNext, nullptr);
        if (auto* mark = dynamic_cast<TBouee*>(objects[i])) {
            EXPECT_EQ(mark->FMarkType, expected[i].markType);
        }
    }
}

class FakeHost : public DiagramHost {
public:
    bool SetFocus() override { ++focusRequests; return false; }
    void Repaint() override { ++repaints; }
    int focusRequests = 0;
    int repaints = 0;
};

} // namespace

TEST(Diagram, NewDiagramHasTheDefaults)
{
    TDiagram d;
    EXPECT_EQ(d.FWind, 90);
    EXPECT_EQ(d.FLaylineAngle, 45);
    EXPECT_EQ(d.FDefaultRayon, 3);
    EXPECT_EQ(d.FShowGrid, 1);
    EXPECT_EQ(d.FShowTracks, 1);
    EXPECT_EQ(d.FShowLaylines, 1);
    EXPECT_EQ(d.FHideNumbers, 0);
    EXPECT_EQ(d.FExtent, (TRect4 { -1000, -1000, 3000, 3000 }));
    EXPECT_EQ(d.FZone, (TRect4 { 0, 0, 1000, 1000 }));
    EXPECT_EQ(d.FView, (TRect4 { 0, 0, 1000, 1000 }));
    EXPECT_EQ(d.FZoom, 1.0f);
    EXPECT_EQ(d.FPlayUntil, 2147483647);
    EXPECT_EQ(d.FDisplayMode, dmEdit);
    EXPECT_EQ(d.FRoot, nullptr);
    EXPECT_TRUE(d.FUndoStack.empty());
    EXPECT_EQ(d.FExtraCount, 0);
}

TEST(Diagram, TemplatesCreateTheirObjectsZonesAndHeaders)
{
    DefaultEmail = "race@example.org";
    struct Template {
        const char* name;
        std::function<void(TDiagram&)> make;
        std::int16_t situation;
        std::vector<Expected> objects;
        TRect4 zone;
    };
    const std::vector<Template> templates = {
        { "start", &TDiagram::NewStart, 1,
            { { gMark, { 200, 200 }, 0, false, 3 }, { gCommittee, { 793, 200 }, 0, false, 0 },
                { gRacingBoat, { 400, 100 }, 135, false, 0 }, { gRacingBoat, { 600, 100 }, -135, false, 0 } },
            { 0, 0, 1000, 600 } },
        { "finish1", &TDiagram::NewFinish1, 2,
            { { gMark, { 200, 200 }, 0, true, 3 }, { gCommittee, { 793, 200 }, 0, false, 0 },
                { gRacingBoat, { 400, 400 }, 45, false, 0 }, { gRacingBoat, { 600, 400 }, -45, false, 0 } },
            { 0, 0, 1000, 600 } },
        { "finish2", &TDiagram::NewFinish2, 2,
            { { gMark, { 200, 400 }, 0, true, 4 }, { gCommittee, { 793, 400 }, 0, false, 0 },
                { gRacingBoat, { 400, 200 }, 135, false, 0 }, { gRacingBoat, { 600, 200 }, -135, false, 0 } },
            { 0, 0, 1000, 600 } },
        { "windward", &TDiagram::NewWindward, 3,
            { { gMark, { 500, 200 }, 0, true, 3 }, { gRacingBoat, { 500, 400 }, 45, false, 0 },
                { gRacingBoat, { 700, 400 }, -45, false, 0 } },
            { 0, 0, 1000, 600 } },
        { "leeward", &TDiagram::NewLeeward, 4,
            { { gMark, { 500, 400 }, 0, true, 4 }, { gRacingBoat, { 400, 200 }, 150, false, 0 },
                { gRacingBoat, { 600, 200 }, -150, false, 0 } },
            { 0, 0, 1000, 600 } },
        { "gate", &TDiagram::NewGate, 7,
            { { gMark, { 200, 400 }, 0, true, 4 }, { gMark, { 835, 400 }, 0, true, 4 },
                { gRacingBoat, { 250, 200 }, 135, false, 0 }, { gRacingBoat, { 800, 200 }, -135, false, 0 } },
            { 0, 0, 1050, 600 } },
        { "full", &TDiagram::NewFull, 0,
            { { gMark, { 500, 0 }, 0, false, 3 }, { gMark, { 500, 1000 }, 0, false, 4 },
                { gRacingBoat, { 400, 200 }, 45, false, 0 }, { gRacingBoat, { 600, 200 }, -45, false, 0 } },
            { 0, -100, 1000, 1200 } },
        { "empty", &TDiagram::NewEmpty, 0,
            { { gRacingBoat, { 400, 400 }, 45, false, 0 }, { gRacingBoat, { 600, 400 }, -45, false, 0 } },
            { 0, 0, 1000, 600 } },
    };
    const std::string today = QDate::currentDate().toString("dd/MM/yyyy").toStdString();
    for (const auto& t : templates) {
        SCOPED_TRACE(t.name);
        TDiagram d;
        d.SetClientSize(800, 480);
        t.make(d);
        expectObjects(d, t.objects);
        EXPECT_EQ(d.FZone, t.zone);
        EXPECT_EQ(d.FHeader.SituationType, t.situation);
        EXPECT_EQ(FieldText(d.FHeader.Date), today);
        EXPECT_EQ(FieldText(d.FHeader.Author), UserLoginName().substr(0, 49));
        EXPECT_EQ(FieldText(d.FEmail), "race@example.org");
        EXPECT_EQ(FieldText(d.FHeader.Rules), "");
        EXPECT_EQ(FieldText(d.FHeader.Description), "");
        EXPECT_EQ(d.FBoatCount, 2);
        EXPECT_EQ(d.FModified, 0);
        EXPECT_TRUE(d.FFileName.empty());
        EXPECT_EQ(d.FFitted, 1);

        // The racing boats are numbers 1 and 2, blue and yellow, at step 1.
        std::vector<TBateauCourse*> boats;
        for (TObjet* o : topLevel(d))
            if (auto* b = dynamic_cast<TBateauCourse*>(o))
                boats.push_back(b);
        ASSERT_EQ(boats.size(), 2u);
        EXPECT_EQ(boats[0]->FBoatIndex, 1);
        EXPECT_EQ(boats[1]->FBoatIndex, 2);
        EXPECT_EQ(boats[0]->FColor, 0xFF2880FFu);
        EXPECT_EQ(boats[1]->FColor, 0xFFFFFF50u);
        EXPECT_EQ(boats[0]->FSituation, 1);

        // The first mark and committee boat are the diagram's references.
        TObjet* firstMark = nullptr;
        TObjet* committee = nullptr;
        for (TObjet* o : topLevel(d)) {
            if (o->FGenre == gMark && !firstMark)
                firstMark = o;
            if (o->FGenre == gCommittee && !committee)
                committee = o;
        }
        EXPECT_EQ(d.FFirstMark, firstMark);
        EXPECT_EQ(d.FCommittee, committee);

        // The view is fitted to the zone: the smaller of the two ratios.
        const float zx = 800.0f / t.zone.w, zy = 480.0f / t.zone.h;
        EXPECT_FLOAT_EQ(d.FZoom, zx < zy ? zx : zy);
        EXPECT_EQ(d.FCentre, (TPoint { t.zone.x + t.zone.w / 2, t.zone.y + t.zone.h / 2 }));
    }
    EXPECT_EQ(Diagram, nullptr); // building a template does not leave it current
}

TEST(Diagram, ResetHeaderCutsLongTextsAndKeepsTheCaseReference)
{
    DefaultEmail = std::string(100, 'e');
    FakeHost host;
    TDiagram d(&host);
    SetField(d.FHeader.CaseCall, "Case 12");
    SetField(d.FHeader.Rules, "18.2");
    d.FHeader.Reserved = { 'a', 'b' };
    d.FLaylineAngle = 30;
    d.ResetHeader(stRun);
    EXPECT_EQ(FieldText(d.FEmail), std::string(80, 'e'));
    EXPECT_EQ(FieldText(d.FHeader.CaseCall), "Case 12");
    EXPECT_EQ(FieldText(d.FHeader.Rules), "");
    EXPECT_EQ(d.FHeader.Reserved[0], 'a');
    EXPECT_EQ(d.FHeader.SituationType, stRun);
    EXPECT_EQ(d.FLaylineAngle, 45);
    EXPECT_EQ(host.focusRequests, 1); // the refusal of a hidden window is ignored
    DefaultEmail.clear();

    std::array<char, 10> field {};
    SetField(field, "0123456789ABC");
    EXPECT_EQ(FieldText(field), "012345678");
    EXPECT_EQ(field[9], 0);
}

TEST(Diagram, DestructionFreesUndoRecordsThenTheForest)
{
    auto d = std::make_unique<TDiagram>();
    d->NewStart();
    // A deleted committee boat belongs to its undo record until the diagram goes.
    TObjet* committee = d->FCommittee;
    d->RemoveObject(committee, false);
    EXPECT_EQ(d->FCommittee, nullptr);
    EXPECT_EQ(d->FUndoStack.size(), 1u);
    EXPECT_EQ(d->FUndoStack.back()->FName, "Delete");
    EXPECT_EQ(topLevel(*d).size(), 3u);
    d.reset(); // the sanitizer build checks that everything is freed exactly once

    TDiagram empty;
    empty.NewEmpty();
    empty.RemoveObject(empty.FRoot, true);
    EXPECT_EQ(topLevel(empty).size(), 1u);
    EXPECT_THROW(empty.RemoveObject(nullptr, true), rt::AssertionFailure);
}

TEST(Diagram, BoatListFreesItsGhostsFromTheLast)
{
    static std::vector<int> freed;
    struct Ghost : TFleche {
        explicit Ghost(int id) : TFleche({ id, 0 }, 0, 1) { }
        ~Ghost() override { freed.push_back(FX); }
    };
    freed.clear();
    {
        TBoatList list;
        for (int i = 1; i <= 3; ++i)
            list.Add(std::make_unique<Ghost>(i));
        EXPECT_EQ(list.Count(), 3);
    }
    EXPECT_EQ(freed, (std::vector<int> { 3, 2, 1 }));
}

TEST(Diagram, ZoomingKeepsTheCentreAndResizingKeepsTheVisibleWidth)
{
    FakeHost host;
    TDiagram d(&host);
    d.SetClientSize(1000, 600);
    d.NewEmpty();
    const float fitted = d.FZoom;
    ASSERT_FLOAT_EQ(fitted, 1.0f); // a 1000 x 600 zone in a 1000 x 600 window
    d.SetZoom(2.0f);
    EXPECT_FLOAT_EQ(d.FZoom, 2.0f);
    EXPECT_EQ(d.FView.w, 500);
    EXPECT_EQ(d.FCentre, (TPoint { 500, 300 }));
    d.SetZoom(0.5f);
    EXPECT_FLOAT_EQ(d.FZoom, fitted);
    d.SetClientSize(500, 300);
    EXPECT_FLOAT_EQ(d.FZoom, fitted / 2); // resize halves the zoom: the same width stays visible
    EXPECT_EQ(d.FView.w, 1000);
    EXPECT_EQ(d.FBackBitmap->width(), 500);
}
