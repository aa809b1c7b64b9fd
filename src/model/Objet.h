#pragma once
// The diagram objects: every thing drawn on a diagram is a TObjet. The successive positions
// (steps) of one object form a chain through FNext; the objects of a diagram form one list
// through FSibling. FPrev names the parent when this object is its FNext, else the previous
// sibling. Together these links make the step forest that the diagram owns.

#include "model/Geometry.h"
#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Font.h"
#include "plat/gfx/Path.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace gfx {
class Graphics;
}
namespace io {
class BinaryReader;
class BinaryWriter;
class TextFile;
} // namespace io

// Lets Assign check that its source is of the object's class or derived from it.
#define ZOV_ASSIGNABLE_FROM(Cls)                                                                             \
    bool AcceptsSource(const TObjet& s) const override { return dynamic_cast<const Cls*>(&s) != nullptr; }

namespace zov {

class TCourbe;
class TBezier;
struct LoadContext;

// Object kind codes, stored in memory and in the file. 1 and 2 do not exist.
enum TGenre : std::uint8_t {
    gRacingBoat = 0,
    gCommittee = 3,
    gMark = 4,
    gArrow = 5,
    gRemark = 6,
    gSpectator = 7,
    gJudge = 8,
    gWingJudge = 9,
    gBalloon = 10,
    gLine = 11,
    gFactsFound = 12,
    gDecision = 13,
    gComments = 14,
    gSummary = 15,
    gFlag = 16,
    gPicture = 17,
    gCurvedArrow = 18,
};

// Bits of TObjet::FFlags.
enum ObjetFlag : std::uint16_t {
    flVisible = 1,      // the position is drawn in full
    flOutline = 2,      // the zone circle is drawn
    flOverlap = 16,     // the overlap line is drawn
    flOverlapStarboard = 32, // ... to starboard (with flOverlap)
    flTransparent = 64,
};

class TObjet {
public:
    virtual ~TObjet();
    TObjet(const TObjet&) = delete;
    TObjet& operator=(const TObjet&) = delete;

    // Step forest links (not owned here: the forest is freed by FreeTree).
    TObjet* FNext = nullptr;
    TObjet* FSibling = nullptr;
    TObjet* FPrev = nullptr;

    std::int16_t FExtension = 0;
    std::int16_t FReserved = 0;
    std::int32_t FX = 0;
    std::int32_t FY = 0;
    float FHeading = 0;
    float FSize = 0;
    std::uint8_t FUnlinked = 0;
    std::int16_t FRayonOutline = 0; // zone radius in boat lengths; a flag's image number
    TGenre FGenre = gRacingBoat;
    std::uint16_t FFlags = 0;
    // The outline as last drawn; emptied (not freed) by every change of shape or place.
    // A missing path and an empty one differ: an empty path hits nothing, a missing one
    // falls back to FBounds.
    std::unique_ptr<gfx::Path> FPath;
    TRect4 FBounds;
    std::int16_t FBoatIndex = 0;
    std::int32_t FSituation = 0; // step number; 0 = every step; -1 = background picture
    std::unique_ptr<TCourbe> FCourbe;
    std::uint8_t FTrackVisible = 0;
    std::uint8_t FCanRotate = 0;
    std::uint32_t FColor = 0;

    TPoint Pos() const { return { FX, FY }; }

    void SetPos(TPoint pos);
    // Normalises once each way: below -180 gets 360 added, then above 180 gets 360 taken off.
    void SetHeading(float heading);
    void SetSize(float size);

    virtual void MoveTo(TPoint pos, bool noUndo);
    void Rotate(bool noUndo, float heading);

    // Draws the object and keeps its outline in FPath and FBounds.
    virtual void Draw(gfx::Graphics& g);
    // Draws the track from the previous step to this position, when it is shown.
    void DrawTrack(gfx::Graphics& g);

    // Drawing routines shared by every kind (model/DrawShared.cpp). They work on the shared
    // BlackPen and WhiteBrush, which each drawing sets up for itself.
    bool IsSelected() const;
    // Whether the position is drawn in full: it is visible, or the animation is between frames.
    bool ShowDetails() const;
    // Rotates (X, Y) by the heading and moves it to the position; no scaling.
    void LocalToWorld(float& x, float& y) const;
    // Creates FPath when missing, and sets the pen and brush for this object's looks.
    void PrepareDraw();
    // Fills and outlines FPath, then keeps its bounds (widened by a pen of width 2) in FBounds.
    void FillPath(gfx::Graphics& g);
    // Grows FBounds to hold the point.
    void ExtendBounds(std::int32_t x, std::int32_t y);
    // The dashed zone circle, when the Outline flag is set (stores 3 in a zone radius of 0).
    void DrawZone(gfx::Graphics& g);

    bool HitTest(std::int32_t x, std::int32_t y) const;
    virtual std::string KindName() const { return {}; }

    // Field-by-field copy of Source, which must be of this object's class or derived from it.
    // The links are copied too; owned parts (track, outline, pictures) are not.
    void Assign(const TObjet& source);

    // Track from the predecessor to this position.
    void CourbeSetup();

    // Forest operations.
    TObjet* NextInWalk() const;
    bool IsHead() const;
    TObjet* Predecessor() const;
    TObjet* AppendSibling(TObjet* obj);
    void AddNext(TObjet* obj);
    void LinkAfter(TObjet* obj);
    void InsertStep(TObjet* obj, bool noUndo);
    void InsertBefore(TObjet* obj);
    void Unlink();
    // Frees this object with everything reachable through FNext and FSibling.
    void FreeTree();

    // The object's record in the diagram file and its XML elements (model/Records.cpp).
    // Load reads the record after its kind word into a blank object of the class (LoadObject is
    // the stream constructor); Save writes the record, kind word first.
    virtual void Load(io::BinaryReader& s, const LoadContext& ctx);
    virtual void Save(io::BinaryWriter& s);
    void SaveXML(io::TextFile& f) const;

    // Empties the outline so the next drawing rebuilds it.
    void InvalidatePath()
    {
        if (FPath)
            FPath->reset();
    }

protected:
    // Builds the base part: kind code and default colour first, then position, heading, size
    // and the track; registers a first committee boat or mark with the current diagram.
    TObjet(TGenre genre, std::uint32_t color, TPoint pos, float heading, float size);
    // The same without registering a committee boat or mark with the diagram (animation copies).
    TObjet(TGenre genre, std::uint32_t color, TPoint pos, float heading, float size, bool registerWithDiagram);
    virtual bool AcceptsSource(const TObjet& s) const = 0;
    // Copies the fields a subclass adds; called by Assign after the base fields.
    virtual void AssignFields(const TObjet& source);
};

// Boats: the chain of a boat's positions is its course.
class TBateau : public TObjet {
public:
    ZOV_ASSIGNABLE_FROM(TBateau)
    ~TBateau() override;
    // Animation path to the next step; only animation copies have one.
    std::unique_ptr<TBezier> FBezier;
    std::uint8_t FGhost = 0;
    // Headings at the two ends of an animation copy's step, for a boat that does not move.
    float FGhostStartHeading = 0;
    float FGhostEndHeading = 0;
    // The frame an animation copy was last placed at, of how many per step: the window places
    // each copy once to measure where it goes and once to draw it.
    std::int32_t FPlacedFrame = -1;
    std::int32_t FPlacedFrames = 0;

    void MoveTo(TPoint pos, bool noUndo) override;

    // The animation copy of Source, of Source's class: a field copy, not linked into the forest,
    // owning neither Source's track nor its outline, with FBezier set to the track from Source
    // to its next step (none when Source is the last step).
    static std::unique_ptr<TBateau> CreateGhost(const TBateau& source);

    // Fills and outlines the hull mirrored from the half outline TABLE (at most 16 points), with
    // the faint look of animation mode, then the zone circle.
    void DrawHull(gfx::Graphics& g, std::span<const TPoint> table);
    // The step number beside the position, unless numbers are hidden or between frames.
    void DrawNumber(gfx::Graphics& g);
    // Whether the next drawing would build the hull's outline (as the diagram's mode stands),
    // and that outline built ahead of it: it depends on the boat's own fields alone, so boats
    // may have theirs built on several threads at once, each by one.
    bool NeedsHullOutline() const;
    void BuildHullOutline();
    // Places an animation copy at frame I of its step.
    void AnimateFrame(std::int32_t i);

protected:
    using TObjet::TObjet;
    struct GhostTag { };
    // A blank object of this class for CreateGhost; it is not registered with the diagram.
    virtual std::unique_ptr<TBateau> NewGhostShell() const = 0;
    void AssignFields(const TObjet& source) override;
};

class TBateauCourse : public TBateau {
public:
    ZOV_ASSIGNABLE_FROM(TBateauCourse)
    explicit TBateauCourse(GhostTag);
    TBateauCourse(TPoint pos, float heading, float size, std::int32_t ratio, std::int32_t hull);
    std::string KindName() const override { return "Racing boat"; }

    std::int16_t FHull = 0; // 0 keelboat or dinghy, 1 multihull, 2 Optimist, 3 trimaran
    std::int16_t FRatio = 0; // hull width change in percent
    std::int16_t FManualTrimming = 0;
    std::int16_t FReserved1 = 0;
    std::int16_t FReserved2 = 0;
    std::int16_t FReglage = 0; // sail angle in degrees
    std::uint8_t FSpinnaker = 0;
    std::uint8_t FAsymetric = 0;
    std::uint8_t FTwinHull = 0;

    void SetRatio(std::int32_t ratio);
    void SetHull(std::int32_t hull);

    // Colour of a racing boat by its number: blue, yellow, green, then grey.
    static std::uint32_t ColorForIndex(std::int32_t index);

    // Hull, sails, spinnaker, overlap line and number (model/DrawBoats.cpp).
    void Draw(gfx::Graphics& g) override;
    void DrawMultihull(gfx::Graphics& g);
    void DrawTrimaran(gfx::Graphics& g);
    void DrawOptimist(gfx::Graphics& g);
    // With automatic trim, sets FReglage from the heading.
    void AutoTrim();
    // The main sail (style 0) or asymmetric spinnaker (style 3) as 9 curve points; with automatic
    // trim it moves FReglage by 5 first. Grows FBounds to the far end of the sail.
    void SailPoints(QPointF (&points)[9], int style);
    // The symmetric spinnaker as one Bezier (start, two controls, end), moved by OFFSET.
    void SpinnakerPoints(QPointF (&points)[4], QPointF offset);
    // The dotted overlap line abeam through the stern of TABLE, when the overlap flag is set (none
    // for an empty table: a hull type without an outline).
    void DrawTransomLine(gfx::Graphics& g, std::span<const TPoint> table);

    void Load(io::BinaryReader& s, const LoadContext& ctx) override;
    void Save(io::BinaryWriter& s) override;

protected:
    void AssignFields(const TObjet& source) override;

protected:
    std::unique_ptr<TBateau> NewGhostShell() const override;
};

class TBateauComite : public TBateau {
public:
    ZOV_ASSIGNABLE_FROM(TBateauComite)
    explicit TBateauComite(GhostTag);
    TBateauComite(TPoint pos, float heading, float size);
    std::string KindName() const override { return "Committee boat"; }
    void Draw(gfx::Graphics& g) override;

protected:
    std::unique_ptr<TBateau> NewGhostShell() const override;
};

class TBateauJuge : public TBateau {
public:
    ZOV_ASSIGNABLE_FROM(TBateauJuge)
    explicit TBateauJuge(GhostTag);
    TBateauJuge(TPoint pos, float heading, float size);
    std::string KindName() const override { return "Judge boat"; }
    void Draw(gfx::Graphics& g) override;

protected:
    std::unique_ptr<TBateau> NewGhostShell() const override;
};

class TBateauWJ : public TBateau {
public:
    ZOV_ASSIGNABLE_FROM(TBateauWJ)
    explicit TBateauWJ(GhostTag);
    TBateauWJ(TPoint pos, float heading, float size);
    std::string KindName() const override { return "Wing judge boat"; }
    void Draw(gfx::Graphics& g) override;

protected:
    std::unique_ptr<TBateau> NewGhostShell() const override;
};

class TSpectateur : public TBateau {
public:
    ZOV_ASSIGNABLE_FROM(TSpectateur)
    explicit TSpectateur(GhostTag);
    TSpectateur(TPoint pos, float heading, float size);
    std::string KindName() const override { return "Spectator"; }
    void Draw(gfx::Graphics& g) override;

protected:
    std::unique_ptr<TBateau> NewGhostShell() const override;
};

class TBouee : public TObjet {
public:
    ZOV_ASSIGNABLE_FROM(TBouee)
    TBouee(TPoint pos, std::uint8_t markType, float size);
    std::string KindName() const override { return "Mark"; }
    void Draw(gfx::Graphics& g) override;
    std::uint8_t FMarkType = 0; // 3 windward mark, 4 leeward mark
    void Load(io::BinaryReader& s, const LoadContext& ctx) override;
    void Save(io::BinaryWriter& s) override;

protected:
    void AssignFields(const TObjet& source) override;
};

class TFleche : public TObjet {
public:
    ZOV_ASSIGNABLE_FROM(TFleche)
    TFleche(TPoint pos, float heading, float size);
    std::string KindName() const override { return "Arrow"; }
    void Draw(gfx::Graphics& g) override;
};

class TLigne : public TObjet {
public:
    ZOV_ASSIGNABLE_FROM(TLigne)
    TLigne(TPoint pos, float heading, float size);
    std::string KindName() const override { return "Line"; }
    void Draw(gfx::Graphics& g) override;
};

class TCurve : public TObjet {
public:
    ZOV_ASSIGNABLE_FROM(TCurve)
    TCurve(TPoint pos, float heading, float size, float arcAngle, std::uint8_t direction);
    std::string KindName() const override { return "Curved Arrow"; }
    void Draw(gfx::Graphics& g) override;
    float FArcAngle = 0;       // sweep in degrees
    std::uint8_t FDirection = 0; // 1 = positive sweep
    void Load(io::BinaryReader& s, const LoadContext& ctx) override;
    void Save(io::BinaryWriter& s) override;

protected:
    void AssignFields(const TObjet& source) override;
};

class TDrapeau : public TObjet {
public:
    ZOV_ASSIGNABLE_FROM(TDrapeau)
    TDrapeau(TPoint pos, std::int32_t flagIndex, float size);
    ~TDrapeau() override;
    std::string KindName() const override { return "Flag"; }
    void Draw(gfx::Graphics& g) override;
    // No flag image list exists, so a flag has no picture and is drawn as a coloured rectangle.
    std::unique_ptr<gfx::Bitmap> FBitmap;
};

class TPerso : public TObjet {
public:
    ZOV_ASSIGNABLE_FROM(TPerso)
    // Keeps its own copy of Bitmap; Background makes it the background picture (step -1).
    TPerso(TPoint pos, float size, const gfx::Bitmap* bitmap, bool background);
    ~TPerso() override;
    std::string KindName() const override { return "Picture"; }
    void Draw(gfx::Graphics& g) override;
    void Load(io::BinaryReader& s, const LoadContext& ctx) override;
    void Save(io::BinaryWriter& s) override;
    std::unique_ptr<gfx::Bitmap> FBitmap;
};

class TGenText : public TObjet {
public:
    ZOV_ASSIGNABLE_FROM(TGenText)
    TGenText(TPoint pos, float heading, float size);
    std::string KindName() const override { return "Text"; }

    std::string FText; // 8-bit (Windows-1252) text, as stored in the file
    gfx::Font FFont;
    std::string FFontName = "Arial";
    std::int32_t FFontSize = 12;
    std::int32_t FFontStyle = 0; // 1 bold, 2 italic, 4 underline
    std::uint32_t FFontColor = 0xFF000000;
    TRect4 FTextRect;

    // Measures the text into FTextRect, its top-left corner at the position (DefaultFont when
    // the text has no font).
    void Layout(gfx::Graphics& g);
    // Draws the lines of the text from FTextRect's corner, in the font colour.
    void DrawText(gfx::Graphics& g);

    void Load(io::BinaryReader& s, const LoadContext& ctx) override;
    void Save(io::BinaryWriter& s) override;

protected:
    TGenText(TGenre genre, TPoint pos, float heading, float size);
    void AssignFields(const TObjet& source) override;
};

class TBulle : public TGenText {
public:
    ZOV_ASSIGNABLE_FROM(TBulle)
    TBulle(TPoint pos, float heading, float size);
    std::string KindName() const override { return "Balloon"; }
    void Draw(gfx::Graphics& g) override;
    std::int32_t FTipX = 0; // point of the balloon's pointer
    std::int32_t FTipY = 0;

protected:
    void AssignFields(const TObjet& source) override;
};

class TRemarque : public TGenText {
public:
    ZOV_ASSIGNABLE_FROM(TRemarque)
    TRemarque(TPoint pos, float heading, float size);
    std::string KindName() const override { return "Remark"; }
    void Draw(gfx::Graphics& g) override;
    std::uint8_t FFrame = 0; // 1 = frame always drawn
    void Load(io::BinaryReader& s, const LoadContext& ctx) override;
    void Save(io::BinaryWriter& s) override;

protected:
    void AssignFields(const TObjet& source) override;
};

// Whether a step moves the numbering on: every step does, except a racing boat's position
// that is not marked Visible.
bool AdvancesNumbering(const TObjet* o);
// Whether taking O out of the forest lowers the numbers of its later steps by one: O moves the
// numbering on, its chain counts steps, and its next step is a boat's.
bool RemovalClosesGap(const TObjet* o);
// Numbers the later steps of a boat's chain from O on, each one more than the step before it
// when that step moves the numbering on. Chains of objects shown at every step are left alone.
void RenumberFrom(TObjet* o);

// Whether an object is a text of any kind (document text, balloon or remark).
inline bool IsText(const TObjet* o) { return dynamic_cast<const TGenText*>(o) != nullptr; }

} // namespace zov
