#pragma once
// A diagram made current while a test builds its boats, their steps and marks.

#include "diagram/Diagram.h"
#include "model/Objet.h"

namespace zovtest {

struct RulesScene {
    zov::TDiagram diagram;
    zov::CurrentDiagramScope current { &diagram };

    void top(zov::TObjet* obj)
    {
        if (!diagram.FRoot)
            diagram.FRoot = obj;
        else
            diagram.FRoot->AppendSibling(obj);
    }
    zov::TBateauCourse* boat(zov::TPoint pos, float heading)
    {
        ++diagram.FBoatCount;
        auto* b = new zov::TBateauCourse(pos, heading, 1.0f, 0, 0);
        top(b);
        return b;
    }
    zov::TBouee* mark(zov::TPoint pos, std::uint8_t type)
    {
        auto* m = new zov::TBouee(pos, type, 1.0f);
        top(m);
        return m;
    }
    // A new last step of the chain that starts at Head, numbered after the step before it.
    zov::TBateauCourse* step(zov::TObjet* head, zov::TPoint pos, float heading)
    {
        zov::TObjet* last = head;
        while (last->FNext)
            last = last->FNext;
        auto* b = new zov::TBateauCourse(pos, heading, 1.0f, 0, 0);
        b->FSituation = last->FSituation + 1;
        last->AddNext(b);
        return b;
    }
};

} // namespace zovtest
