#include "diagram/Diagram.h"

#include "model/Objet.h"

// The eight new-diagram templates. Each fills a new, empty diagram: header, objects in order
// (the first becomes the root, the others follow it at top level), occupied zone, fitted view.

namespace zov {

namespace {

TBouee* Mark(TPoint pos, std::uint8_t markType, bool zone)
{
    auto* mark = new TBouee(pos, markType, 1.0f);
    if (zone)
        mark->FFlags |= flOutline;
    return mark;
}

} // namespace

void TDiagram::AddTopLevel(TObjet* obj)
{
    if (!FRoot)
        FRoot = obj;
    else
        FRoot->AppendSibling(obj);
}

void TDiagram::FinishTemplate(const TRect4& zone)
{
    FZone = zone;
    ZoomToFit();
}

// Racing boats are numbered from FBoatCount, raised just before each one is made.
void TDiagram::AddRacingBoat(TPoint pos, float heading)
{
    ++FBoatCount;
    AddTopLevel(new TBateauCourse(pos, heading, 1.0f, 0, 0));
}

void TDiagram::NewStart()
{
    CurrentDiagramScope scope(this);
    ResetHeader(stStartingArea);
    AddTopLevel(Mark({ 200, 200 }, 3, false));
    AddTopLevel(new TBateauComite({ 793, 200 }, 0, 1.0f));
    AddRacingBoat({ 400, 100 }, 135);
    AddRacingBoat({ 600, 100 }, -135);
    FinishTemplate({ 0, 0, 1000, 600 });
}

void TDiagram::NewFinish1()
{
    CurrentDiagramScope scope(this);
    ResetHeader(stFinishingLine);
    AddTopLevel(Mark({ 200, 200 }, 3, true));
    AddTopLevel(new TBateauComite({ 793, 200 }, 0, 1.0f));
    AddRacingBoat({ 400, 400 }, 45);
    AddRacingBoat({ 600, 400 }, -45);
    FinishTemplate({ 0, 0, 1000, 600 });
}

void TDiagram::NewFinish2()
{
    CurrentDiagramScope scope(this);
    ResetHeader(stFinishingLine);
    AddTopLevel(Mark({ 200, 400 }, 4, true));
    AddTopLevel(new TBateauComite({ 793, 400 }, 0, 1.0f));
    AddRacingBoat({ 400, 200 }, 135);
    AddRacingBoat({ 600, 200 }, -135);
    FinishTemplate({ 0, 0, 1000, 600 });
}

void TDiagram::NewWindward()
{
    CurrentDiagramScope scope(this);
    ResetHeader(stWindwardMark);
    AddTopLevel(Mark({ 500, 200 }, 3, true));
    AddRacingBoat({ 500, 400 }, 45);
    AddRacingBoat({ 700, 400 }, -45);
    FinishTemplate({ 0, 0, 1000, 600 });
}

void TDiagram::NewLeeward()
{
    CurrentDiagramScope scope(this);
    ResetHeader(stLeewardMark);
    AddTopLevel(Mark({ 500, 400 }, 4, true));
    AddRacingBoat({ 400, 200 }, 150);
    AddRacingBoat({ 600, 200 }, -150);
    FinishTemplate({ 0, 0, 1000, 600 });
}

void TDiagram::NewGate()
{
    CurrentDiagramScope scope(this);
    ResetHeader(stGate);
    AddTopLevel(Mark({ 200, 400 }, 4, true));
    AddTopLevel(Mark({ 835, 400 }, 4, true));
    AddRacingBoat({ 250, 200 }, 135);
    AddRacingBoat({ 800, 200 }, -135);
    FinishTemplate({ 0, 0, 1050, 600 });
}

void TDiagram::NewFull()
{
    CurrentDiagramScope scope(this);
    ResetHeader(stNone);
    AddTopLevel(Mark({ 500, 0 }, 3, false));
    AddTopLevel(Mark({ 500, 1000 }, 4, false));
    AddRacingBoat({ 400, 200 }, 45);
    AddRacingBoat({ 600, 200 }, -45);
    FinishTemplate({ 0, -100, 1000, 1200 });
}

void TDiagram::NewEmpty()
{
    CurrentDiagramScope scope(this);
    ResetHeader(stNone);
    AddRacingBoat({ 400, 400 }, 45);
    AddRacingBoat({ 600, 400 }, -45);
    FinishTemplate({ 0, 0, 1000, 600 });
}

} // namespace zov
