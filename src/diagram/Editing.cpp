#include "diagram/Diagram.h"

#include "diagram/ShellLink.h"
#include "model/Objet.h"
#include "plat/rt/Errors.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"

#include <Qt>

#include <cmath>

// Editing one diagram with the mouse and the keyboard: the edit state machine, hovering and
// hit testing, selection with its dialog, the palette tools, the document texts and undo.

namespace zov {

namespace {

// Palette buttons and the kinds they choose; 0 where a button chooses no kind.
int KindOfPaletteButton(int button)
{
    switch (button) {
    case 1: return gRacingBoat;
    case 2: return gCommittee;
    case 3: return gJudge;
    case 4: return gWingJudge;
    case 5: return gMark;
    case 6: return gSpectator;
    case 7: return gRemark;
    case 8: return gBalloon;
    case 10: return gLine;
    case 11: return gArrow;
    case 12: return gFlag;
    case 14: return gCurvedArrow;
    default: return -1;
    }
}

double degreesOf(double radians) { return radians * 180 / rt::Pi; }

} // namespace

void TDiagram::SetCursor(ViewCursor cursor)
{
    if (m_host)
        m_host->SetCursor(cursor);
}

TPoint TDiagram::ClientToWorld(int x, int y) const
{
    return { rt::RoundI32(x / double(FZoom)) + FView.x, rt::RoundI32(y / double(FZoom)) + FView.y };
}

int TDiagram::PointerAngle(const TObjet* obj, TPoint p) const
{
    TPoint c = obj->Pos();
    if (auto* balloon = dynamic_cast<const TBulle*>(obj))
        c = { obj->FX + balloon->FTextRect.w / 2, obj->FY + balloon->FTextRect.h / 2 };
    const std::int64_t dx = std::int64_t(p.x) - c.x;
    const std::int64_t dy = std::int64_t(c.y) - p.y;
    std::int64_t angle;
    if (dx != 0)
        angle = 90 - rt::Round(degreesOf(std::atan(double(dy) / double(dx))));
    else
        angle = dy < 0 ? 180 : 0;
    if (dx < 0)
        angle -= 180;
    return int(angle);
}

// ---------------------------------------------------------------------------------------------
// Selection and hit testing

void TDiagram::SetSelected(TObjet* obj)
{
    if (obj == FSelected)
        return;
    FSelected = obj;
    if (!obj) {
        FEditState = esFree;
        SetCursor(ViewCursor::Default);
        if (Shell) {
            Shell->HideSetup();
            Shell->HideComments();
            Shell->RulesPanelRefresh();
        }
    } else if (auto* text = dynamic_cast<TGenText*>(obj)) {
        FEditState = esFree;
        SetCursor(ViewCursor::Default);
        if (Shell) {
            Shell->HideSetup();
            // The dialog's hide handler may have cleared the selection (and redrawn): no dialog
            // for an object that is not selected, the diagram could free it under the dialog.
            if (FSelected != obj)
                return;
            Shell->CommentsShow(text);
        }
    } else if (Shell) {
        Shell->HideComments();
        if (FSelected != obj)
            return; // as above
        Shell->SetupShow(obj);
    }
    FHovered = nullptr;
    Redraw();
    Repaint();
}

void TDiagram::RefreshSetup()
{
    if (Shell)
        Shell->SetupRefresh();
}

bool TDiagram::IsShownAtCurrentStep(const TObjet* obj) const
{
    if (obj->FSituation < 0)
        return false;
    if (FDisplayMode == dmEdit)
        return true;
    return obj->FSituation <= FStep;
}

TObjet* TDiagram::HitTest(TPoint p) const
{
    TObjet* found = nullptr;
    for (TObjet* o = FRoot; o; o = o->NextInWalk())
        if (IsShownAtCurrentStep(o) && o->HitTest(p.x, p.y) && (!found || o->FSituation > found->FSituation))
            found = o;
    return found;
}

// ---------------------------------------------------------------------------------------------
// Inserting

TObjet* TDiagram::NewObjectOfChoice(TPoint p)
{
    switch (FChoice) {
    case gRacingBoat:
        ++FBoatCount;
        return new TBateauCourse(p, 45, 1.0f, 0, 0);
    case gCommittee: return new TBateauComite(p, 0, 1.0f);
    case gMark: return new TBouee(p, 0, 1.0f);
    case gArrow: return new TFleche(p, 90, 1.0f);
    case gRemark: return new TRemarque(p, 45, 1.0f);
    case gSpectator: return new TSpectateur(p, 0, 1.0f);
    case gJudge: return new TBateauJuge(p, 0, 1.0f);
    case gWingJudge: return new TBateauWJ(p, 0, 1.0f);
    case gBalloon: return new TBulle(p, 45, 1.0f);
    case gLine: return new TLigne(p, 90, 1.0f);
    case gFlag: return new TDrapeau(p, 0, 1.0f);
    case gCurvedArrow: return new TCurve(p, 90, 1.0f, 90, 1);
    case gPicture: {
        const gfx::Bitmap* picture = Shell ? Shell->ChosenPicture() : nullptr;
        if (!picture || picture->isNull())
            return nullptr; // nothing chosen: nothing to place
        return new TPerso(p, 1.0f, picture, Shell->ChosenPictureIsBackground());
    }
    default:
        if (Shell)
            Shell->ShowMessage("Unknown choice");
        return nullptr;
    }
}

void TDiagram::InsertAfterSelected(TPoint p)
{
    TObjet* s = FSelected;
    if (!s)
        return; // nothing to copy
    // The new heading mirrors the old one about the direction of travel, so the track turns
    // smoothly; straight above or below is travel at -90 or 90 degrees.
    double travel;
    if (p.x != s->FX)
        travel = std::atan(double(std::int64_t(p.y) - s->FY) / double(std::int64_t(p.x) - s->FX));
    else
        travel = p.y < s->FY ? -rt::Pi / 2 : (p.y > s->FY ? rt::Pi / 2 : 0);
    const std::int64_t d = rt::Round(degreesOf(travel)) + 90;
    const float heading = static_cast<float>(2 * d - double(s->FHeading));

    TObjet* next = nullptr;
    CurrentDiagramScope scope(this);
    if (auto* boat = dynamic_cast<TBateauCourse*>(s)) {
        auto* b = new TBateauCourse(p, heading, s->FSize, boat->FRatio, boat->FHull);
        b->FBoatIndex = s->FBoatIndex;
        b->FColor = s->FColor;
        b->FSituation = s->FSituation + 1;
        next = b;
    } else if (dynamic_cast<TBateauJuge*>(s) || dynamic_cast<TBateauWJ*>(s)) {
        next = dynamic_cast<TBateauJuge*>(s) ? static_cast<TObjet*>(new TBateauJuge(p, heading, s->FSize))
                                             : new TBateauWJ(p, heading, s->FSize);
        next->FColor = s->FColor;
        next->FSituation = s->FSituation + 1;
    } else if (dynamic_cast<TSpectateur*>(s))
        next = new TSpectateur(p, heading, s->FSize);
    else if (dynamic_cast<TBateauComite*>(s))
        next = new TBateauComite(p, heading, s->FSize);
    else
        return;
    s->InsertStep(next, false);
    RenumberFrom(s);
    SetSelected(next);
    FModified = 1;
}

void TDiagram::InsertBeforeSelected(TPoint p)
{
    TObjet* s = FSelected;
    if (!s)
        return;
    TObjet* before = nullptr;
    CurrentDiagramScope scope(this);
    if (auto* boat = dynamic_cast<TBateauCourse*>(s)) {
        auto* b = new TBateauCourse(p, s->FHeading, s->FSize, boat->FRatio, boat->FHull);
        b->FBoatIndex = s->FBoatIndex;
        b->FColor = s->FColor;
        b->FSituation = s->FSituation;
        before = b;
    } else if (dynamic_cast<TBateauJuge*>(s) || dynamic_cast<TBateauWJ*>(s)) {
        before = dynamic_cast<TBateauJuge*>(s) ? static_cast<TObjet*>(new TBateauJuge(p, s->FHeading, s->FSize))
                                               : new TBateauWJ(p, s->FHeading, s->FSize);
        before->FColor = s->FColor;
        before->FSituation = s->FSituation;
    } else if (dynamic_cast<TSpectateur*>(s)) {
        before = new TSpectateur(p, s->FHeading, s->FSize);
        before->FColor = s->FColor;
    } else
        return; // the state stays
    if (TObjet* predecessor = s->Predecessor()) {
        predecessor->InsertStep(before, false);
        RenumberFrom(predecessor);
    } else {
        const bool wasRoot = s == FRoot;
        s->InsertBefore(before);
        if (wasRoot)
            FRoot = before;
        s->CourbeSetup();
        // A spectator's positions are shown at every step (numbered 0) and stay so.
        if (s->FSituation >= 1)
            for (TObjet* o = s; o; o = o->FNext)
                ++o->FSituation;
        RenumberFrom(before);
        PushUndo<TActionInsert>(before);
    }
    SetSelected(before);
    FEditState = esFree;
    SetCursor(ViewCursor::Default);
    if (Shell) {
        Shell->SetupFreeButtonEnabled(false);
        Shell->PaletteFreeButtonEnabled(false);
    }
    FModified = 1;
}

// ---------------------------------------------------------------------------------------------
// Mouse

void TDiagram::FormMouseDown(MouseButton button, int shift, int x, int y)
{
    if (m_host)
        m_host->SetFocus();
    if (FDisplayMode != dmEdit)
        return;
    const TPoint p = ClientToWorld(x, y);
    const bool left = button == MouseButton::Left;

    if (left && FEditState == esInsertNew) {
        TObjet* obj;
        {
            CurrentDiagramScope scope(this);
            obj = NewObjectOfChoice(p);
        }
        if (!obj)
            return;
        AddTopLevel(obj);
        SetSelected(obj);
        if (FChoice == gRacingBoat) {
            FEditState = esInsertAfter;
            SetCursor(ViewCursor::Cross);
            if (Shell)
                Shell->SetupFreeButtonEnabled(true, true);
        } else {
            FEditState = esFree;
            SetCursor(ViewCursor::Default);
            if (Shell)
                Shell->PaletteFreeButtonEnabled(false);
        }
        FModified = 1;
        PushUndo<TActionInsert>(obj);
        return;
    }
    if (left && FEditState == esInsertAfter) {
        InsertAfterSelected(p);
        return;
    }
    if (left && FEditState == esInsertBefore) {
        InsertBeforeSelected(p);
        return;
    }

    if (FEditState == esFree) {
        TObjet* hit = HitTest(p);
        if (hit != FSelected)
            SetSelected(hit);
    }
    if (left && FSelected) {
        FDragOffset = { p.x - FSelected->FX, p.y - FSelected->FY };
        FEditState = esMoving;
        FLastMouseTime = Now();
        SetCursor(ViewCursor::PointingHand);
        if (Shell)
            Shell->SetupFreeButtonEnabled(false);
    } else if (left)
        SetCursor(ViewCursor::Grip);
    if (button == MouseButton::Right && !FSelected && FBackground) {
        FSelected = FBackground;
        if (Shell)
            Shell->SetupShow(FBackground);
    }
    if (button == MouseButton::Right && FSelected && FSelected->FCanRotate) {
        FRotateOffset = float(PointerAngle(FSelected, p)) - FSelected->FHeading;
        FEditState = esRotating;
        SetCursor(ViewCursor::Default);
        FLastMouseTime = Now();
        if (Shell)
            Shell->SetupFreeButtonEnabled(false);
    }
    (void)shift;
    Trace("MouseDown: " + std::to_string(FEditState));
}

void TDiagram::FormMouseMove(int shift, int x, int y)
{
    const std::uint32_t now = Now();
    // Unsigned difference: the throttle keeps working when the tick counter wraps.
    if (std::uint32_t(now - FLastMouseTime) <= 100)
        return;
    FLastMouseTime = now;
    ZOV_ASSERT(FZoom > 0, "Null zoom factor", "Rules8");
    const TPoint p = ClientToWorld(x, y);
    const bool leftHeld = shift & ssLeft;
    const bool rightHeld = shift & ssRight;

    if (FEditState == esMoving && FSelected && leftHeld) {
        FSelected->MoveTo({ p.x - FDragOffset.x, p.y - FDragOffset.y }, false);
        if (Shell && Shell->SetupVisible())
            Shell->SetupKeepClearOf(rt::RoundI32((double(FSelected->FX) - FView.x) * FZoom));
        Repaint();
        FModified = 1;
    } else if (FEditState == esRotating && FSelected && rightHeld) {
        const int angle = PointerAngle(FSelected, p);
        FSelected->Rotate(false, float(angle) - FRotateOffset);
        if (Shell && !IsText(FSelected))
            Shell->SetupRefresh();
        Repaint();
        FModified = 1;
    } else if (FEditState == esFree && !FSelected && leftHeld) {
        if (FMousRef.x != 0 || FMousRef.y != 0) {
            Trace("Centre1 " + std::to_string(FCentre.x) + " " + std::to_string(FCentre.y));
            FCentre.x -= rt::RoundI32((x - FMousRef.x) / double(FZoom));
            FCentre.y -= rt::RoundI32((y - FMousRef.y) / double(FZoom));
            NewDisplay();
            Repaint();
        }
        Trace("Centre2 " + std::to_string(FCentre.x) + " " + std::to_string(FCentre.y));
        FMousRef = { x, y };
        Trace("MousRef " + std::to_string(p.x) + " " + std::to_string(p.y));
    } else if (FEditState == esFree && !FSelected && !leftHeld) {
        TObjet* hit = HitTest(p);
        if (hit != FHovered) {
            FHovered = hit;
            Repaint();
        }
    }
}

void TDiagram::FormMouseUp(MouseButton, int, int, int)
{
    Trace("MouseUp: " + std::to_string(FEditState));
    FMousRef = { 0, 0 };
    if (FEditState != esFree) {
        Redraw();
        Repaint();
    }
    if (FEditState != esInsertAfter && FEditState != esInsertBefore) {
        FEditState = esFree;
        SetCursor(ViewCursor::Default);
    }
}

bool TDiagram::MouseWheelUp(int shift)
{
    if (!(shift & ssCtrl))
        return false;
    SetZoom(1.1f);
    return true;
}

bool TDiagram::MouseWheelDown(int shift)
{
    if (!(shift & ssCtrl))
        return false;
    SetZoom(0.9f);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Keyboard

void TDiagram::FormKeyDown(int key, int shift)
{
    Trace("FormKeyDown");
    const int modifiers = shift & (ssShift | ssAlt | ssCtrl);
    if (FDisplayMode != dmAnimation) {
        if (modifiers == ssAlt) {
            int button = 0;
            switch (key) {
            case Qt::Key_R: button = 1; break;
            case Qt::Key_C: button = 2; break;
            case Qt::Key_J: button = 3; break;
            case Qt::Key_W: button = 4; break;
            case Qt::Key_M: button = 5; break;
            case Qt::Key_S: button = 6; break;
            case Qt::Key_B: button = 8; break;
            default: break;
            }
            if (button)
                ChooseTool(button);
        }
        if (key == Qt::Key_Escape) {
            FEditState = esFree;
            SetCursor(ViewCursor::Default);
        }
        return;
    }
    switch (key) {
    case Qt::Key_Escape:
        SetMode(dmEdit);
        break;
    case Qt::Key_Space:
        Pause();
        break;
    case Qt::Key_PageUp:
        PrevStep();
        break;
    case Qt::Key_PageDown:
        NextStep();
        break;
    case Qt::Key_Home:
        if (!FPaused)
            Pause();
        FStep = 1;
        FFrameIndex = 0;
        BuildAnimationList(1);
        Redraw();
        Repaint();
        if (OnTrack)
            OnTrack(0);
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        if (OnTrack)
            OnTrack(AnimationPosition() - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (OnTrack)
            OnTrack(AnimationPosition() + 1);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Commands

void TDiagram::Delete1Click()
{
    if (!FSelected)
        return;
    RemoveObject(FSelected, false);
    FEditState = esFree;
    SetCursor(ViewCursor::Default);
}

void TDiagram::ChooseTool(int paletteButton)
{
    SetMode(dmEdit);
    SetSelected(nullptr);
    const int kind = KindOfPaletteButton(paletteButton);
    if (kind >= 0) {
        FChoice = std::uint8_t(kind);
        if (Shell) {
            Shell->PaletteFreeButtonEnabled(true);
            Shell->SetupFreeButtonEnabled(false);
        }
        FEditState = esInsertNew;
        SetCursor(ViewCursor::Cross);
    } else {
        FEditState = esFree;
        SetCursor(ViewCursor::Default);
        if (Shell)
            Shell->PaletteFreeButtonEnabled(false);
    }
}

void TDiagram::ChoosePicture()
{
    SetMode(dmEdit);
    SetSelected(nullptr);
    if (!Shell || !Shell->ChoosePictureModal())
        return;
    FChoice = gPicture;
    FEditState = esInsertNew;
    SetCursor(ViewCursor::Cross);
    Shell->SetupFreeButtonEnabled(false);
}

TGenText* TDiagram::FindOrAddText(std::uint8_t kind, bool create)
{
    TGenText* text = nullptr;
    for (TObjet* o = FRoot; o; o = o->FSibling)
        if (o->FGenre == kind) {
            text = dynamic_cast<TGenText*>(o);
            break;
        }
    if (!create)
        return text;
    if (!text) {
        CurrentDiagramScope scope(this);
        text = new TGenText({ 0, 0 }, 0, 1.0f);
        text->FGenre = TGenre(kind);
        AddTopLevel(text);
    }
    SetSelected(text);
    return text;
}

void TDiagram::Undo()
{
    if (FUndoStack.empty())
        throw rt::ListIndexError();
    std::unique_ptr<TAction> record = std::move(FUndoStack.back());
    FUndoStack.pop_back();
    CurrentDiagramScope scope(this);
    record->Undo();
    UndoStackChanged();
}

std::string TDiagram::UndoCaption() const
{
    return FUndoStack.empty() ? std::string() : "Undo last " + FUndoStack.back()->FName;
}

} // namespace zov
