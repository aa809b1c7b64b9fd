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
    // A chain may hold steps of another class (files can): they have no ratio to take back.
    for (TObjet* o = FObjet; o; o = o->FNext)
        if (auto* boat = dynamic_cast<TBateauCourse*>(o))
            boat->SetRatio(FOldRatio);
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
        if (auto* boat = dynamic_cast<TBateauCourse*>(o))
            boat->SetHull(FOldHull);
    RefreshAndSetup();
}

TActionDelete::TActionDelete(TObjet* obj)
    : TAction(obj)
    , FWasHead(obj->IsHead())
    , FClosedGap(RemovalClosesGap(obj))
{
    FName = "Delete";
    Trace("Delete");
    // The removal puts the next step in this object's place and hangs what followed this object
    // at its level behind the next step's own siblings; the last of those marks where to cut.
    for (TObjet* o = obj->FNext; o; o = o->FSibling)
        FNextChainEnd = o;
    if (obj->FNext && obj->FNext->FCourbe) {
        FNextTrack = *obj->FNext->FCourbe;
        FNextTrackVisible = obj->FNext->FTrackVisible;
    }
    if (Diagram) {
        FWasCommittee = Diagram->FCommittee == obj;
        FWasFirstMark = Diagram->FFirstMark == obj;
    }
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

void TActionDelete::PutBack(TObjet* obj)
{
    TObjet* p = obj->FPrev;
    TObjet* n = obj->FNext;
    obj->FNext = nullptr;
    obj->FSibling = nullptr;
    if (p && p->FUnlinked) {
        // The place it left is gone: keep it in the diagram, at the end of the top level.
        obj->FPrev = nullptr;
        if (!Diagram->FRoot)
            Diagram->FRoot = obj;
        else
            Diagram->FRoot->AppendSibling(obj);
        return;
    }
    // The place it left: the root, its predecessor's next step, or the sibling after the object
    // before it (top level, or a further next step of the same position).
    TObjet*& slot = !p ? Diagram->FRoot : (FWasHead ? p->FSibling : p->FNext);
    TObjet* current = slot;
    if (n && current == n) {
        // Its next step took its place: it becomes its next step again, with its own further
        // next steps, and whatever came to follow it at this level follows this object again.
        TObjet* rest = nullptr;
        for (TObjet* o = n; o; o = o->FSibling)
            if (o == FNextChainEnd) {
                rest = o->FSibling;
                o->FSibling = nullptr;
                break;
            }
        obj->FSibling = rest;
        obj->FNext = n;
        n->FPrev = obj;
        // The removal closed the gap in the numbering: open it again. It refitted or hid the
        // track of the next step: the track from this object comes back as it was.
        if (FClosedGap)
            for (TObjet* o = n; o; o = o->FNext)
                ++o->FSituation;
        if (n->FCourbe) {
            *n->FCourbe = FNextTrack;
            n->FTrackVisible = FNextTrackVisible;
        }
    } else
        obj->FSibling = current;
    if (obj->FSibling)
        obj->FSibling->FPrev = obj;
    slot = obj;
    obj->FPrev = p;
    // Its own track was left as it was: nothing it joins has moved meanwhile (every move and
    // turn since is undone before this).
}

void TActionDelete::Undo()
{
    Trace("Undo");
    TObjet* obj = FObjet;
    if (Diagram) {
        // The forest owns it from the moment it is linked: should a refit below fail, the
        // dropped record must not free it too.
        FObjet = nullptr;
        obj->FUnlinked = 0;
        PutBack(obj);
        // The removal let go of the diagram's references to it. One that has none since takes
        // it, as a new committee boat or mark would.
        if (FWasCommittee || (obj->FGenre == gCommittee && !Diagram->FCommittee))
            Diagram->FCommittee = obj;
        if (FWasFirstMark || (obj->FGenre == gMark && !Diagram->FFirstMark))
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
