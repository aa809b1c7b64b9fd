#include "model/DiagramLink.h"

#include "model/Objet.h"

namespace zov {

thread_local DiagramLink* Diagram = nullptr;

DiagramLink::~DiagramLink()
{
    ClearUndoStack();
    if (Diagram == this)
        Diagram = nullptr;
}

void DiagramLink::ClearUndoStack()
{
    while (!FUndoStack.empty())
        FUndoStack.pop_back();
}

} // namespace zov
