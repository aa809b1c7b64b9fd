#include "model/Objet.h"

#include "model/Bezier.h"
#include "model/Courbe.h"
#include "model/DiagramLink.h"
#include "plat/rt/Errors.h"
#include "plat/rt/Numeric.h"

#include <vector>

namespace zov {

// ---------------------------------------------------------------------------------------------
// Construction and destruction

TObjet::TObjet(TGenre genre, std::uint32_t color, TPoint pos, float heading, float size)
    : TObjet(genre, color, pos, heading, size, true)
{
}

TObjet::TObjet(TGenre genre, std::uint32_t color, TPoint pos, float heading, float size, bool registerWithDiagram)
{
    FGenre = genre;
    FColor = color;
    SetPos(pos);
    SetHeading(heading);
    SetSize(size);
    FCourbe = std::make_unique<TCourbe>();
    FTrackVisible = 0;
    FRayonOutline = 3;
    FCanRotate = genre != gFlag;
    if (genre == gRacingBoat || genre == gJudge || genre == gWingJudge)
        FSituation = 1;
    if (registerWithDiagram && Diagram) {
        if (genre == gCommittee && !Diagram->FCommittee)
            Diagram->FCommittee = this;
        if (genre == gMark && !Diagram->FFirstMark)
            Diagram->FFirstMark = this;
    }
}

TObjet::~TObjet()
{
    if (Diagram) {
        if (Diagram->FFirstMark == this)
            Diagram->FFirstMark = nullptr;
        if (Diagram->FCommittee == this)
            Diagram->FCommittee = nullptr;
    }
}

TBateau::~TBateau() = default;

TBateauCourse::TBateauCourse(TPoint pos, float heading, float size, std::int32_t ratio, std::int32_t hull)
    : TBateau(gRacingBoat, 0, pos, heading, size)
{
    FRatio = rt::checked<std::int16_t>(ratio);
    FHull = rt::checked<std::int16_t>(hull);
    FBoatIndex = rt::checked<std::int16_t>(Diagram ? Diagram->FBoatCount : 0);
    FFlags = flVisible;
    FColor = ColorForIndex(FBoatIndex);
}

std::uint32_t TBateauCourse::ColorForIndex(std::int32_t index)
{
    switch (index) {
    case 1:
        return 0xFF2880FF;
    case 2:
        return 0xFFFFFF50;
    case 3:
        return 0xFF80FF80;
    default:
        return 0xFFC0C0C0;
    }
}

TBateauComite::TBateauComite(TPoint pos, float heading, float size)
    : TBateau(gCommittee, 0xFFFF8040, pos, heading, size)
{
}

TBateauJuge::TBateauJuge(TPoint pos, float heading, float size)
    : TBateau(gJudge, 0xFFC060C0, pos, heading, size)
{
}

TBateauWJ::TBateauWJ(TPoint pos, float heading, float size)
    : TBateau(gWingJudge, 0xFFC060C0, pos, heading, size)
{
}

TSpectateur::TSpectateur(TPoint pos, float heading, float size)
    : TBateau(gSpectator, 0xFFC0C0C0, pos, heading, size)
{
}

// Animation copies start as blank objects of their class, not registered with the diagram.
TBateauCourse::TBateauCourse(GhostTag)
    : TBateau(gRacingBoat, ColorForIndex(0), { 0, 0 }, 0, 1.0f, false)
{
}
TBateauComite::TBateauComite(GhostTag)
    : TBateau(gCommittee, 0xFFFF8040, { 0, 0 }, 0, 1.0f, false)
{
}
TBateauJuge::TBateauJuge(GhostTag)
    : TBateau(gJudge, 0xFFC060C0, { 0, 0 }, 0, 1.0f, false)
{
}
TBateauWJ::TBateauWJ(GhostTag)
    : TBateau(gWingJudge, 0xFFC060C0, { 0, 0 }, 0, 1.0f, false)
{
}
TSpectateur::TSpectateur(GhostTag)
    : TBateau(gSpectator, 0xFFC0C0C0, { 0, 0 }, 0, 1.0f, false)
{
}

std::unique_ptr<TBateau> TBateauCourse::NewGhostShell() const { return std::make_unique<TBateauCourse>(GhostTag {}); }
std::unique_ptr<TBateau> TBateauComite::NewGhostShell() const { return std::make_unique<TBateauComite>(GhostTag {}); }
std::unique_ptr<TBateau> TBateauJuge::NewGhostShell() const { return std::make_unique<TBateauJuge>(GhostTag {}); }
std::unique_ptr<TBateau> TBateauWJ::NewGhostShell() const { return std::make_unique<TBateauWJ>(GhostTag {}); }
std::unique_ptr<TBateau> TSpectateur::NewGhostShell() const { return std::make_unique<TSpectateur>(GhostTag {}); }

TBouee::TBouee(TPoint pos, std::uint8_t markType, float size)
    : TObjet(gMark, 0xFFFF0000, pos, 0, size)
{
    FSituation = 0;
    FMarkType = markType;
    FColor = 0xFFFF8040;
}

TFleche::TFleche(TPoint pos, float heading, float size)
    : TObjet(gArrow, 0xFF000000, pos, heading, size)
{
}

TLigne::TLigne(TPoint pos, float heading, float size)
    : TObjet(gLine, 0xFF000000, pos, heading, size)
{
}

TCurve::TCurve(TPoint pos, float heading, float size, float arcAngle, std::uint8_t direction)
    : TObjet(gCurvedArrow, 0xFF000000, pos, heading, size)
{
    FArcAngle = arcAngle;
    FDirection = direction;
}

TDrapeau::TDrapeau(TPoint pos, std::int32_t flagIndex, float size)
    : TObjet(gFlag, 0xFF80FF80, pos, 90, size)
{
    FRayonOutline = rt::checked<std::int16_t>(flagIndex);
}

TDrapeau::~TDrapeau() = default;

TPerso::TPerso(TPoint pos, float size, const gfx::Bitmap* bitmap, bool background)
    : TObjet(gPicture, 0, pos, 90, size)
{
    if (bitmap)
        FBitmap = bitmap->clone();
    if (background)
        FSituation = -1;
}

TPerso::~TPerso() = default;

TGenText::TGenText(TPoint pos, float heading, float size)
    : TGenText(gFactsFound, pos, heading, size)
{
}

TGenText::TGenText(TGenre genre, TPoint pos, float heading, float size)
    : TObjet(genre, 0xFFFFFFFF, pos, heading, size)
{
    FFontColor = 0xFF000000;
    FFont = gfx::Font("Arial", 12, 0);
    FFontName = "Arial";
    FFontSize = 12;
}

TBulle::TBulle(TPoint pos, float heading, float size)
    : TGenText(gBalloon, pos, heading, size)
{
    FText = "Protest !";
}

TRemarque::TRemarque(TPoint pos, float heading, float size)
    : TGenText(gRemark, pos, heading, size)
{
}

// ---------------------------------------------------------------------------------------------
// Setters and moves

void TObjet::SetPos(TPoint pos)
{
    FX = pos.x;
    FY = pos.y;
    InvalidatePath();
}

void TObjet::SetHeading(float heading)
{
    if (heading < -180)
        heading += 360;
    if (heading > 180)
        heading -= 360;
    FHeading = heading;
    InvalidatePath();
}

void TObjet::SetSize(float size)
{
    FSize = size;
    InvalidatePath();
}

void TBateauCourse::SetRatio(std::int32_t ratio)
{
    FRatio = rt::checked<std::int16_t>(ratio);
    InvalidatePath();
}

void TBateauCourse::SetHull(std::int32_t hull)
{
    FHull = rt::checked<std::int16_t>(hull);
    FTwinHull = hull == 1;
    InvalidatePath();
}

void TObjet::MoveTo(TPoint pos, bool noUndo)
{
    if (!noUndo && Diagram)
        Diagram->PushUndo<TActionMove>(this);
    SetPos(pos);
}

void TBateau::MoveTo(TPoint pos, bool noUndo)
{
    TObjet::MoveTo(pos, noUndo);
    CourbeSetup();
    if (FNext)
        FNext->CourbeSetup();
}

void TObjet::Rotate(bool noUndo, float heading)
{
    if (!noUndo && Diagram)
        Diagram->PushUndo<TActionRotate>(this);
    SetHeading(heading);
    CourbeSetup();
    if (FNext)
        FNext->CourbeSetup();
}

bool TObjet::HitTest(std::int32_t x, std::int32_t y) const
{
    if (FPath)
        return FPath->contains(x, y);
    return std::int64_t(x) >= FBounds.x && std::int64_t(x) <= std::int64_t(FBounds.x) + FBounds.w
        && std::int64_t(y) >= FBounds.y && std::int64_t(y) <= std::int64_t(FBounds.y) + FBounds.h;
}

// ---------------------------------------------------------------------------------------------
// Copies

void TObjet::Assign(const TObjet& source)
{
    if (!AcceptsSource(source))
        rt::assertFail("Echec de l'assert", "Rules2", __LINE__);
    AssignFields(source);
}

void TObjet::AssignFields(const TObjet& s)
{
    FNext = s.FNext;
    FSibling = s.FSibling;
    FPrev = s.FPrev;
    FExtension = s.FExtension;
    FReserved = s.FReserved;
    FX = s.FX;
    FY = s.FY;
    FHeading = s.FHeading;
    FSize = s.FSize;
    FUnlinked = s.FUnlinked;
    FRayonOutline = s.FRayonOutline;
    FGenre = s.FGenre;
    FFlags = s.FFlags;
    FBounds = s.FBounds;
    FBoatIndex = s.FBoatIndex;
    FSituation = s.FSituation;
    FTrackVisible = s.FTrackVisible;
    FCanRotate = s.FCanRotate;
    FColor = s.FColor;
}

void TBateau::AssignFields(const TObjet& source)
{
    TObjet::AssignFields(source);
    FGhost = static_cast<const TBateau&>(source).FGhost;
}

void TBateauCourse::AssignFields(const TObjet& source)
{
    TBateau::AssignFields(source);
    const auto& s = static_cast<const TBateauCourse&>(source);
    FHull = s.FHull;
    FRatio = s.FRatio;
    FManualTrimming = s.FManualTrimming;
    FReserved1 = s.FReserved1;
    FReserved2 = s.FReserved2;
    FReglage = s.FReglage;
    FSpinnaker = s.FSpinnaker;
    FAsymetric = s.FAsymetric;
    FTwinHull = s.FTwinHull;
}

void TBouee::AssignFields(const TObjet& source)
{
    TObjet::AssignFields(source);
    FMarkType = static_cast<const TBouee&>(source).FMarkType;
}

void TCurve::AssignFields(const TObjet& source)
{
    TObjet::AssignFields(source);
    const auto& s = static_cast<const TCurve&>(source);
    FArcAngle = s.FArcAngle;
    FDirection = s.FDirection;
}

void TGenText::AssignFields(const TObjet& source)
{
    TObjet::AssignFields(source);
    const auto& s = static_cast<const TGenText&>(source);
    FText = s.FText;
    FFont = s.FFont;
    FFontName = s.FFontName;
    FFontSize = s.FFontSize;
    FFontStyle = s.FFontStyle;
    FFontColor = s.FFontColor;
    FTextRect = s.FTextRect;
}

void TBulle::AssignFields(const TObjet& source)
{
    TGenText::AssignFields(source);
    const auto& s = static_cast<const TBulle&>(source);
    FTipX = s.FTipX;
    FTipY = s.FTipY;
}

void TRemarque::AssignFields(const TObjet& source)
{
    TGenText::AssignFields(source);
    FFrame = static_cast<const TRemarque&>(source).FFrame;
}

// ---------------------------------------------------------------------------------------------
// The step forest

TObjet* TObjet::NextInWalk() const
{
    if (FSibling)
        return FSibling;
    if (FNext)
        return FNext;
    const TObjet* left = this;
    for (const TObjet* up = FPrev; up; up = up->FPrev) {
        if (up->FNext && up->FNext != left)
            return up->FNext;
        left = up;
    }
    return nullptr;
}

bool TObjet::IsHead() const
{
    return !(FPrev && FPrev->FNext == this);
}

TObjet* TObjet::Predecessor() const
{
    return FPrev && FPrev->FNext == this ? FPrev : nullptr;
}

TObjet* TObjet::AppendSibling(TObjet* obj)
{
    if (!obj)
        return this;
    TObjet* last = this;
    while (last->FSibling)
        last = last->FSibling;
    last->FSibling = obj;
    obj->FPrev = last;
    return last;
}

void TObjet::AddNext(TObjet* obj)
{
    if (!obj)
        return;
    if (!FNext) {
        FNext = obj;
        obj->FPrev = this;
        obj->CourbeSetup();
    } else
        FNext->AppendSibling(obj);
}

void TObjet::LinkAfter(TObjet* obj)
{
    if (!obj)
        return;
    obj->FNext = FNext;
    if (FNext)
        FNext->FPrev = obj;
    FNext = obj;
    obj->FPrev = this;
}

void TObjet::InsertStep(TObjet* obj, bool noUndo)
{
    TObjet* oldNext = FNext;
    LinkAfter(obj);
    if (obj)
        obj->CourbeSetup();
    if (oldNext)
        oldNext->CourbeSetup();
    // A chain of objects shown at every step (numbered 0) keeps its numbers.
    if (FSituation >= 1)
        for (TObjet* o = oldNext; o; o = o->FNext)
            ++o->FSituation;
    if (!noUndo && Diagram && obj)
        Diagram->PushUndo<TActionInsert>(obj);
}

void TObjet::InsertBefore(TObjet* obj)
{
    if (!obj)
        return;
    if (FSibling)
        FSibling->FPrev = obj;
    if (!FPrev) {
        obj->FSibling = FSibling;
        FSibling = nullptr;
    } else if (FPrev->FNext != this) {
        obj->FSibling = FSibling;
        FPrev->FSibling = obj;
        FSibling = nullptr;
    } else {
        FPrev->FNext = obj;
        obj->FSibling = FSibling;
        FSibling = nullptr;
    }
    obj->FPrev = FPrev;
    obj->FNext = this;
    FPrev = obj;
}

void TObjet::Unlink()
{
    TObjet* p = FPrev;
    if (!p)
        return;
    TObjet* n = FNext;
    // A step may have further next steps as its siblings (files hold such): they stay in the
    // forest, behind whatever takes this object's place.
    if (p->FSibling != this) {
        if (n) {
            p->FNext = n;
            n->FPrev = p;
            n->AppendSibling(FSibling);
        } else {
            p->FNext = FSibling;
            if (FSibling)
                FSibling->FPrev = p;
        }
    } else if (n) {
        p->FSibling = n;
        n->FPrev = p;
        n->AppendSibling(FSibling);
    } else {
        p->FSibling = FSibling;
        if (FSibling)
            FSibling->FPrev = p;
    }
    FUnlinked = 1;
}

bool AdvancesNumbering(const TObjet* o)
{
    return o->FGenre != gRacingBoat || (o->FFlags & flVisible);
}

bool RemovalClosesGap(const TObjet* o)
{
    return dynamic_cast<const TBateau*>(o->FNext) && AdvancesNumbering(o) && o->FSituation >= 1;
}

void RenumberFrom(TObjet* o)
{
    if (!o || o->FSituation < 1)
        return;
    for (TObjet* p = o; p->FNext; p = p->FNext)
        p->FNext->FSituation = p->FSituation + (AdvancesNumbering(p) ? 1 : 0);
}

void TObjet::FreeTree()
{
    // Same order as the recursive definition (next steps, then siblings, then the object),
    // with an explicit stack so that long chains cannot exhaust the call stack.
    struct Frame {
        TObjet* obj;
        int stage; // 0: visit FNext, 1: visit FSibling, 2: free
    };
    std::vector<Frame> stack { { this, 0 } };
    while (!stack.empty()) {
        Frame& f = stack.back();
        TObjet* o = f.obj;
        if (f.stage == 0) {
            f.stage = 1;
            if (o->FNext)
                stack.push_back({ o->FNext, 0 });
        } else if (f.stage == 1) {
            f.stage = 2;
            if (o->FSibling)
                stack.push_back({ o->FSibling, 0 });
        } else {
            stack.pop_back();
            delete o;
        }
    }
}

} // namespace zov
