#pragma once
// A fleet beating to windward, the diagram most of the measurements draw: racing boats that
// start side by side and tack at every step, with a mark upwind and a committee boat.

#include "diagram/Diagram.h"
#include "model/Objet.h"

namespace bench {

struct Beat {
    int boats;
    int steps; // positions of each boat
    int spacing; // between the boats at the start
    int startY; // of the start line
    int climb; // how far upwind each step goes
    zov::TPoint mark;
    zov::TPoint committee;
};

// Adds BEAT to the empty diagram D, then draws it once and fits it to D's client area.
inline void AddBeat(zov::TDiagram& d, const Beat& beat)
{
    using namespace zov;
    CurrentDiagramScope scope(&d);
    d.FRoot = new TBouee(beat.mark, 3, 1);
    d.FRoot->AppendSibling(new TBateauComite(beat.committee, 0, 1));
    for (int b = 0; b < beat.boats; ++b) {
        ++d.FBoatCount;
        const int x = 100 + beat.spacing * b;
        auto* boat = new TBateauCourse({ x, beat.startY }, 45, 1, 0, 0);
        d.FRoot->AppendSibling(boat);
        TObjet* last = boat;
        for (int s = 2; s <= beat.steps; ++s) {
            auto* next = new TBateauCourse({ x + (s % 2) * 60, beat.startY - beat.climb * s }, s % 2 ? 45.0f : -45.0f, 1, 0, 0);
            next->FSituation = s;
            last->AddNext(next);
            last = next;
        }
    }
    d.Redraw();
    d.SetZoom(0);
}

} // namespace bench
