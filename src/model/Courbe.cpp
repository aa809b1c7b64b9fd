#include "model/Courbe.h"

#include "model/Bezier.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"

#include <algorithm>
#include <cmath>

namespace zov {

void TObjet::CourbeSetup()
{
    Trace("CourbeSetup");
    const TObjet* q = Predecessor();
    if (!q)
        return;
    TCourbe& c = *FCourbe;
    c.FStartAngle = q->FHeading;
    c.FEndAngle = FHeading;
    c.FP0 = q->Pos();
    c.FP3 = Pos();
    const float d = static_cast<float>(Distance(c.FP0.x, c.FP0.y, c.FP3.x, c.FP3.y)) / 2;
    // Only the angles are held in single precision; their sines and cosines are taken in double,
    // so a control point half a unit from an integer rounds the way the exact value does.
    const double a0 = rt::DegToRadF(c.FStartAngle);
    const double a1 = rt::DegToRadF(c.FEndAngle);
    c.FP1 = { rt::RoundI32(c.FP0.x + double(d) * std::sin(a0)), rt::RoundI32(c.FP0.y - double(d) * std::cos(a0)) };
    c.FP2 = { rt::RoundI32(c.FP3.x - double(d) * std::sin(a1)), rt::RoundI32(c.FP3.y + double(d) * std::cos(a1)) };
    FTrackVisible = 1;
}

std::unique_ptr<TBateau> TBateau::CreateGhost(const TBateau& source)
{
    std::unique_ptr<TBateau> ghost = source.NewGhostShell();
    ghost->Assign(source);
    ghost->FGhost = 1;
    if (ghost->FNext) {
        const TCourbe& c = *ghost->FNext->FCourbe;
        ghost->FBezier = std::make_unique<TBezier>(c.FP0, c.FP1, c.FP2, c.FP3);
        ghost->FGhostStartHeading = source.FHeading;
        ghost->FGhostEndHeading = ghost->FNext->FHeading;
    }
    ghost->FCourbe.reset();
    ghost->FPath.reset();
    return ghost;
}

void TBateau::AnimateFrame(std::int32_t i)
{
    if (!FBezier || (i == FPlacedFrame && FramesPerStep == FPlacedFrames))
        return; // placed there already, outline and all
    FPlacedFrame = i;
    FPlacedFrames = FramesPerStep;
    const double fraction = double(i) / double(FramesPerStep);
    const double t = FBezier->ParamAtLength(fraction);
    SetPos(FBezier->PointAt(t));
    if (FBezier->TangentUndefined(t)) {
        // A boat that stays on the spot has no direction of travel: turn it from its heading
        // at this step to its heading at the next, rather than pointing it head to wind.
        double turn = std::fmod(double(FGhostEndHeading) - FGhostStartHeading, 360.0);
        if (turn > 180)
            turn -= 360;
        else if (turn < -180)
            turn += 360;
        const double f = std::clamp(fraction, 0.0, 1.0);
        SetHeading(static_cast<float>(FGhostStartHeading + turn * f));
        return;
    }
    SetHeading(static_cast<float>(90 - FBezier->TangentAngle(t) * 180 / rt::Pi));
}

} // namespace zov
