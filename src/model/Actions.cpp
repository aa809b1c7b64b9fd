#include "model/Actions.h"

#include "model/DiagramLink.h"
#include "model/Objet.h"
#include "plat/rt/Errors.h"
#include "plat/sys/Trace.h"

namespace zov {

namespace {
TBateauCourse& racingBoat(TObjet* obj)
{
    auto* boat = dynamic_cast<TBateauCourse*>(obj);
    if (!boat)
        throw rt::InvalidCastError();
    return *boat;
}
} // namespace

TAction::TAction(TObjet* obj)
    : FObjet(obj)
{
}

TAction::~TAction() = default;

void TAction::Refresh()
{
    if (!Diagram)
        return;
    Diagram->Redraw();
    Diagram->Repaint();
    Diagram->FModified = 1;
}

void TAction::RefreshAndSetup()
{
    Refresh();
    if (Diagram && Diagram->FSelected == FObjet)
        Diagram->RefreshSetup();
}

TActionMove::TActionMove(TObjet* obj)
    : TAction(obj)
    , FOldPos(obj->Pos())
{
    FName = "Move";
}

void TActionMove::Undo()
{
    FObjet->MoveTo(FOldPos, true);
    Refresh();
}

TActionRotate::TActionRotate(TObjet* obj)
    : TAction(obj)
    , FOldHeading(obj->FHeading)
{
    FName = "Rotation";
}

void TActionRotate::Undo()
{
    FObjet->Rotate(true, FOldHeading);
    RefreshAndSetup();
}

TActionSize::TActionSize(TObjet* obj)
    : TAction(obj)
    , FOldSize(obj->FSize)
{
    FName = "Resize";
}

void TActionSize::Undo()
{
    for (TObjet* o = FObjet; o; o = o->FNext)
        o->SetSize(FOldSize);
    RefreshAndSetup();
}

TActionRatio::TActionRatio(TObjet* obj)
    : TAction(obj)
    , FOldRatio(racingBoat(obj).FRatio)
{
    FName = "Ratio change";
}

void TActionRatio::Undo()
{
    for (TObjet* o = FObjet; o; o = o->FNext)
        racingBoat(o).SetRatio(FOldRatio);
    RefreshAndSetup();
}

TActionHull::TActionHull(TObjet* obj)
    : TAction(obj)
    , FOldHull(racingBoat(obj).FHull)
{
    FName = "Hull change";
}

void TActionHull::Undo()
{
    for (TObjet* o = FObjet; o; o = o->FNext)
        racingBoat(o).SetHull(FOldHull);
    RefreshAndSetup();
}

TActionDelete::TActionDelete(TObjet* obj)
    : TAction(obj)
    , FWasHead(obj->IsHead())
{
    FName = "Delete";
    Trace("Delete");
}

TActionDelete::~TActionDelete()
{
    // Only the object itself belongs to the record: its old links name objects of the forest.
    if (FObjet) {
        FObjet->FNext = nullptr;
        FObjet->FSibling = nullptr;
        delete FObjet;
    }
}

namespace {

bool OnTopLevel(const TObjet* obj)
{
    for (const TObjet* o = Diagram->FRoot; o; o = o->FSibling)
        if (o == obj)
            return true;
    return false;
}

// Puts a top-level object back where it was: in front of the next step that took its place,
// else after the object that preceded it, else first when it was first, else at the end.
void RestoreHead(TObjet* obj)
{
    TObjet* oldNext = obj->FNext;
    TObjet* oldPrev = obj->FPrev;
    obj->FSibling = nullptr;
    obj->FNext = nullptr;
    obj->FPrev = nullptr;
    if (oldNext && !oldNext->FUnlinked && OnTopLevel(oldNext)) {
        const bool wasRoot = oldNext == Diagram->FRoot;
        oldNext->InsertBefore(obj);
        if (wasRoot)
            Diagram->FRoot = obj;
        oldNext->CourbeSetup();
        RenumberFrom(obj);
    } else if (!oldPrev) {
        obj->FSibling = Diagram->FRoot;
        if (Diagram->FRoot)
            Diagram->FRoot->FPrev = obj;
        Diagram->FRoot = obj;
    } else if (!oldPrev->FUnlinked && OnTopLevel(oldPrev)) {
        obj->FSibling = oldPrev->FSibling;
        if (obj->FSibling)
            obj->FSibling->FPrev = obj;
        oldPrev->FSibling = obj;
        obj->FPrev = oldPrev;
    } else if (!Diagram->FRoot)
        Diagram->FRoot = obj;
    else
        Diagram->FRoot->AppendSibling(obj);
}

} // namespace

void TActionDelete::Undo()
{
    Trace("Undo");
    TObjet* obj = FObjet;
    if (Diagram) {
        // The forest owns it from the moment it is linked: should a refit below fail, the
        // dropped record must not free it too.
        FObjet = nullptr;
        obj->FUnlinked = 0;
        if (FWasHead)
            RestoreHead(obj);
        else {
            TObjet* predecessor = obj->FPrev;
            obj->FSibling = nullptr;
            obj->FNext = nullptr;
            predecessor->InsertStep(obj, true);
            RenumberFrom(predecessor);
        }
        // The removal let go of the diagram's references to it.
        if (obj->FGenre == gCommittee && !Diagram->FCommittee)
            Diagram->FCommittee = obj;
        if (obj->FGenre == gMark && !Diagram->FFirstMark)
            Diagram->FFirstMark = obj;
    }
    Refresh();
    FObjet = nullptr;
}

TActionInsert::TActionInsert(TObjet* obj)
    : TAction(obj)
{
    FName = "Insert";
}

void TActionInsert::Undo()
{
    if (Diagram)
        Diagram->RemoveObject(FObjet, true);
}

} // namespace zov
