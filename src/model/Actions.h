#pragma once
// Undo records: each remembers the state of one object before an edit and knows how to put
// it back. They are created by DiagramLink::PushUndo and undone by the diagram's Undo.

#include "model/Courbe.h"
#include "model/Geometry.h"

#include <cstdint>
#include <string>

namespace zov {

class TObjet;

class TAction {
public:
    explicit TAction(TObjet* obj);
    virtual ~TAction();
    TAction(const TAction&) = delete;
    TAction& operator=(const TAction&) = delete;

    TObjet* FObjet; // not owned, except by TActionDelete
    std::string FName;

    // Restores the old state. The caller frees the record afterwards.
    virtual void Undo() = 0;

protected:
    // Redraw, repaint and mark the current diagram modified.
    static void Refresh();
    // Refresh, then refill the object dialog when the object is the selected one.
    void RefreshAndSetup();
};

class TActionMove : public TAction {
public:
    explicit TActionMove(TObjet* obj);
    void Undo() override;
    TPoint FOldPos;
};

class TActionRotate : public TAction {
public:
    explicit TActionRotate(TObjet* obj);
    void Undo() override;
    float FOldHeading;
};

class TActionSize : public TAction {
public:
    explicit TActionSize(TObjet* obj);
    void Undo() override;
    float FOldSize;
};

// For racing boats only: any other object is an invalid-cast error and no record is made.
class TActionRatio : public TAction {
public:
    explicit TActionRatio(TObjet* obj);
    void Undo() override;
    std::int16_t FOldRatio;
};

class TActionHull : public TAction {
public:
    explicit TActionHull(TObjet* obj);
    void Undo() override;
    std::int32_t FOldHull;
};

// Owns the deleted object until the deletion is undone. Undo puts it back exactly where it
// was, with the step numbers it and its later steps had.
class TActionDelete : public TAction {
public:
    explicit TActionDelete(TObjet* obj);
    ~TActionDelete() override;
    void Undo() override;
    std::uint8_t FWasHead;
    // The removal lowered the numbers of the later steps.
    bool FClosedGap;
    // The last of the next step's siblings when the object was removed (none without a next step).
    const TObjet* FNextChainEnd = nullptr;
    // The next step's track as it was: the removal refits or hides it.
    TCourbe FNextTrack;
    std::uint8_t FNextTrackVisible = 0;
    // It was the diagram's committee boat or first mark, which the removal let go of.
    bool FWasCommittee = false;
    bool FWasFirstMark = false;

private:
    void PutBack(TObjet* obj);
};

class TActionInsert : public TAction {
public:
    explicit TActionInsert(TObjet* obj);
    void Undo() override;
};

} // namespace zov
