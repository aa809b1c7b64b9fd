#include "diagram/Diagram.h"

#include "diagram/ShellLink.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Graphics.h"
#include "plat/sys/Trace.h"

#include <Qt>

// The animation of one diagram: edit and animation modes, the frame timer, the ghosts that
// glide along the tracks, pausing and stepping, and the slider's positioning.

namespace zov {

namespace {
constexpr int AnimationTimerId = 1;
constexpr int AnimationPeriodMs = 50;

bool IsAnimatedBoat(const TObjet* o)
{
    return dynamic_cast<const TBateauCourse*>(o) || dynamic_cast<const TBateauJuge*>(o)
        || dynamic_cast<const TBateauWJ*>(o);
}
} // namespace

std::int32_t TDiagram::AnimationPosition() const
{
    return (FStep - 1) * FramesPerStep + FFrameIndex;
}

void TDiagram::SetMode(std::uint8_t mode)
{
    if (mode == FDisplayMode)
        return;
    Trace("Setmode " + std::to_string(mode));
    if (FDisplayMode == dmAnimation && m_host)
        m_host->StopAnimationTimer();
    FPlayUntil = FStepCount;
    FDisplayMode = mode;
    if (mode == dmEdit)
        FStep = 0;
    else {
        // Boats placed at one step only are drawn in full; every other boat is drawn faint
        // while its ghost moves.
        for (TObjet* o = FRoot; o; o = o->FSibling)
            if (auto* boat = dynamic_cast<TBateau*>(o))
                boat->FGhost = boat->FNext ? 0 : 1;
        FPaused = 0;
        AttachTextsToBoats();
        FStep = 1;
        FFrameIndex = 0;
        BuildAnimationList(1);
        if (m_host)
            m_host->StartAnimationTimer(AnimationPeriodMs);
    }
    if (Shell) {
        Shell->HideSetup();
        Shell->HideComments();
    }
    FSelected = nullptr;
    FHovered = nullptr;
    FEditState = esFree;
    SetCursor(ViewCursor::Default);
    if (OnMode)
        OnMode();
    Redraw();
    Repaint();
}

void TDiagram::WMTimer(int timerId)
{
    if (timerId == AnimationTimerId)
        Step(true);
}

void TDiagram::Step(bool repaint)
{
    Trace("----- " + std::to_string(FStep) + " " + std::to_string(FFrameIndex));
    ++FFrameIndex;
    if (FFrameIndex >= FramesPerStep) {
        ++FStep;
        FFrameIndex = 0;
        Trace("Step " + std::to_string(FStep));
        BuildAnimationList(FStep);
        if (!PlaceStepDrawnAhead())
            AddStep();
        if (FStep >= FPlayUntil && FPaused == 0)
            Pause();
    }
    if (OnTrack)
        OnTrack(AnimationPosition());
    if (repaint) {
        Repaint();
        // The tick that reaches the next step then only puts it in place.
        if (FFrameIndex > 0 && FStep < FPlayUntil && FStep < FStepCount)
            DrawStepAhead(FStep + 1);
    }
}

void TDiagram::AddStep()
{
    Trace("AddStep " + std::to_string(FStep));
    m_stepAhead.reset(); // drawn for the picture as it was
    if (!FBackGraphics)
        return;
    gfx::Graphics& g = *FBackGraphics;
    CurrentDiagramScope current(this);
    SetTransform(g);
    // The window shows only the parts of the picture that change.
    g.setTracking(gfx::Graphics::Tracking::WhileDrawing);
    {
        const gfx::BandedDrawing bands(g);
        DrawStepAdditions(g);
    }
    m_added |= g.tracked();
    g.setTracking(gfx::Graphics::Tracking::Off);
}

void TDiagram::DrawStepAdditions(gfx::Graphics& g)
{
    if (FShowTracks && FStep > 1)
        for (TObjet* o = FRoot; o; o = o->NextInWalk())
            if (o->FSituation == FStep && o->FPrev)
                o->DrawTrack(g);
    for (TObjet* o = FRoot; o; o = o->NextInWalk())
        if (o->FSituation == FStep && o != FSelected)
            o->Draw(g);
}

TDiagram::StepAhead::~StepAhead() = default; // the bands finish drawing before the picture goes

std::int32_t TDiagram::StepDrawnAhead() const
{
    return m_stepAhead ? m_stepAhead->step : 0;
}

bool TDiagram::DrawnAheadFor(const StepAhead& ahead, std::int32_t step) const
{
    return ahead.step == step && ahead.selected == FSelected && ahead.hovered == FHovered && ahead.showTracks == FShowTracks;
}

void TDiagram::DrawStepAhead(std::int32_t step)
{
    if (!m_drawing.stepsAhead || !FBackGraphics || !FBackBitmap)
        return;
    if (m_stepAhead && DrawnAheadFor(*m_stepAhead, step))
        return;
    m_stepAhead.reset();
    CurrentDiagramScope current(this);
    // The objects draw as at the tick that reaches the step: that step shown, at its first frame.
    struct ShownFrame {
        TDiagram& d;
        std::int32_t step, frame;
        ~ShownFrame()
        {
            d.FStep = step;
            d.FFrameIndex = frame;
        }
    } shown { *this, FStep, FFrameIndex };
    FStep = step;
    FFrameIndex = 0;

    gfx::Graphics& g = *FBackGraphics;
    SetTransform(g);
    g.setTracking(gfx::Graphics::Tracking::MeasureOnly);
    DrawStepAdditions(g);
    const QRect area = g.tracked() & FBackBitmap->image().rect();
    g.setTracking(gfx::Graphics::Tracking::Off);

    auto ahead = std::make_unique<StepAhead>();
    ahead->step = step;
    ahead->selected = FSelected;
    ahead->hovered = FHovered;
    ahead->showTracks = FShowTracks;
    ahead->area = area;
    if (!area.isEmpty()) {
        ahead->picture = std::make_unique<gfx::Bitmap>(FBackBitmap->image().copy(area));
        if (ahead->picture->isNull())
            return; // no memory for it: the step is drawn at its tick
        ahead->graphics = std::make_unique<gfx::Graphics>(*ahead->picture, m_drawing.drawing);
        gfx::Graphics& part = *ahead->graphics;
        SetTransform(part);
        part.setTransform(part.transform() * QTransform::fromTranslate(-area.left(), -area.top()));
        part.beginBands();
        DrawStepAdditions(part);
        part.handOverKept();
    }
    m_stepAhead = std::move(ahead);
}

bool TDiagram::PlaceStepDrawnAhead()
{
    const std::unique_ptr<StepAhead> ahead = std::move(m_stepAhead);
    if (!ahead || !DrawnAheadFor(*ahead, FStep) || !FBackGraphics)
        return false;
    Trace("AddStep " + std::to_string(FStep) + " drawn ahead");
    if (ahead->area.isEmpty())
        return true;
    try {
        ahead->graphics->endBands(); // mostly drawn long before
    } catch (...) {
        return false; // drawn at the tick, which raises what failed
    }
    gfx::Graphics& g = *FBackGraphics;
    g.resetTransform();
    g.copyFrom(ahead->picture->image(), ahead->area.topLeft());
    m_added |= ahead->area;
    return true;
}

void TDiagram::BuildAnimationList(std::int32_t step)
{
    FStep = step;
    FFrameIndex = 0;
    FBoatList = std::make_unique<TBoatList>();
    for (TObjet* o = FRoot; o; o = o->FSibling) {
        if (!IsAnimatedBoat(o))
            continue;
        for (TObjet* p = o; p; p = p->FNext)
            if (p->FSituation == step) {
                // A chain may hold an object of another class (a damaged file): it has no ghost.
                if (auto* boat = dynamic_cast<TBateau*>(p); boat && typeid(*p) == typeid(*o))
                    FBoatList->Add(TBateau::CreateGhost(*boat));
                break;
            }
    }
}

void TDiagram::Pause()
{
    if (FDisplayMode != dmAnimation)
        return;
    FPaused = !FPaused;
    Trace(std::string("Paused: ") + (FPaused ? "True" : "False"));
    if (FPaused) {
        if (m_host)
            m_host->StopAnimationTimer();
        if (OnPause)
            OnPause(true);
    } else {
        if (m_host)
            m_host->SetFocus();
        if (OnPause)
            OnPause(false);
        Step(true);
        if (m_host && FDisplayMode == dmAnimation && !FPaused)
            m_host->StartAnimationTimer(AnimationPeriodMs);
    }
}

void TDiagram::NextStep()
{
    if (FStep < FStepCount) {
        FPlayUntil = FStep + 1;
        if (FPaused)
            Pause();
    }
}

void TDiagram::PrevStep()
{
    std::int32_t target;
    if (FFrameIndex > 0)
        target = FStep;
    else if (FStep > 1)
        target = FStep - 1;
    else
        return;
    if (OnTrack)
        OnTrack((target - 1) * FramesPerStep);
}

void TDiagram::TrackEvent(std::int32_t position)
{
    Trace("Rules8.TrackEvent " + std::to_string(position));
    const std::int32_t s = position / FramesPerStep + 1;
    const std::int32_t f = position % FramesPerStep;
    if (s != FStep) {
        BuildAnimationList(s);
        FFrameIndex = 0;
        Redraw();
        FFrameIndex = f;
        Repaint();
    } else if (f != FFrameIndex) {
        if (FFrameIndex == 0)
            AddStep();
        FFrameIndex = f;
        Repaint();
    }
}

void TDiagram::TrackbarKeyDown(int key)
{
    Trace("TrackbarKeyDown");
    if (key == Qt::Key_PageDown)
        NextStep();
    else if (key == Qt::Key_PageUp)
        PrevStep();
}

void TDiagram::HideDiagram()
{
    if (Shell) {
        Shell->HideComments();
        Shell->HideSetup();
        Shell->HideToolWindows();
    }
    if (OnPause)
        OnPause(false);
    SetMode(dmEdit);
    if (m_host)
        m_host->Hide();
}

} // namespace zov
