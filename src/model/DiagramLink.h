#pragma once
// What the objects and undo records need of the open diagram that holds them. The diagram
// editor's TDiagram derives from this; objects reach the current one through `Diagram`.

#include "model/Actions.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace zov {

class TObjet;

// Display modes.
enum DisplayMode : std::uint8_t { dmEdit = 1, dmAnimation = 2 };

class DiagramLink {
public:
    DiagramLink() = default;
    DiagramLink(const DiagramLink&) = delete;
    DiagramLink& operator=(const DiagramLink&) = delete;
    virtual ~DiagramLink();

    TObjet* FRoot = nullptr;
    std::int32_t FBoatCount = 0;
    TObjet* FFirstMark = nullptr;
    TObjet* FCommittee = nullptr;
    TObjet* FSelected = nullptr;
    TObjet* FHovered = nullptr;
    std::uint8_t FDisplayMode = dmEdit;
    std::int32_t FStep = 0;       // current step; 0 in edit mode
    std::int32_t FFrameIndex = 0; // animation frame inside the current step
    std::uint8_t FHideNumbers = 0;
    std::uint8_t FModified = 0;
    std::int16_t FLaylineAngle = 45; // degrees, 1..89
    std::int16_t FDefaultRayon = 3;  // zone radius around a mark, in boat lengths
    // Undo records, last change at the back.
    std::vector<std::unique_ptr<TAction>> FUndoStack;

    // Records the state of Obj before a change of kind A, unless the top record already
    // holds a change of that kind to the same object (a drag keeps the state before the drag).
    template <class A> void PushUndo(TObjet* obj)
    {
        if (!FUndoStack.empty() && FUndoStack.back()->FObjet == obj
            && dynamic_cast<A*>(FUndoStack.back().get()) != nullptr)
            return;
        auto record = std::make_unique<A>(obj);
        FUndoStack.push_back(std::move(record));
        UndoStackChanged();
    }

    // Frees every undo record, from the top.
    void ClearUndoStack();

    // Renders the static picture again (after a change to the model) and repaints.
    virtual void Redraw() { }
    virtual void Repaint() { }
    // Takes Obj out of the forest; frees it, or hands it to a delete record for undo.
    virtual void RemoveObject(TObjet* obj, bool freeIt) = 0;
    // Refills the object dialog when it shows the selected object (after an undo).
    virtual void RefreshSetup() { }

protected:
    virtual void UndoStackChanged() { }
};

// The diagram of the selected tab, or none. Each thread has its own: a diagram drawn away from
// the GUI thread (the welcome page's previews) never becomes the window's current one.
extern thread_local DiagramLink* Diagram;

// Makes a diagram current for the length of a scope: objects built for a diagram that is not
// the selected tab's (template previews, files being read) register with that diagram.
class CurrentDiagramScope {
public:
    explicit CurrentDiagramScope(DiagramLink* diagram)
        : m_previous(Diagram)
    {
        Diagram = diagram;
    }
    ~CurrentDiagramScope() { Diagram = m_previous; }
    CurrentDiagramScope(const CurrentDiagramScope&) = delete;
    CurrentDiagramScope& operator=(const CurrentDiagramScope&) = delete;

private:
    DiagramLink* m_previous;
};

} // namespace zov
