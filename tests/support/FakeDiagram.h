#pragma once
// A diagram link for model tests: holds the fields objects read and write, and records the
// upward calls. It becomes the current diagram while it lives.

#include "model/DiagramLink.h"
#include "model/Objet.h"

namespace zovtest {

class FakeDiagram : public zov::DiagramLink {
public:
    FakeDiagram() : m_previous(zov::Diagram) { zov::Diagram = this; }
    ~FakeDiagram() override
    {
        ClearUndoStack();
        if (FRoot) {
            zov::TObjet* root = FRoot;
            FRoot = nullptr;
            root->FreeTree();
        }
        zov::Diagram = m_previous;
    }

    void RemoveObject(zov::TObjet* obj, bool freeIt) override
    {
        ++removals;
        if (obj == FRoot) {
            FRoot = obj->FSibling;
            if (FRoot)
                FRoot->FPrev = nullptr;
        } else
            obj->Unlink();
        if (freeIt) {
            obj->FNext = obj->FSibling = nullptr;
            delete obj;
        }
    }
    void Redraw() override { ++redraws; }
    void RefreshSetup() override { ++setupRefreshes; }

    int removals = 0;
    int redraws = 0;
    int setupRefreshes = 0;

private:
    zov::DiagramLink* m_previous;
};

} // namespace zovtest
