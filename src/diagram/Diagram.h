#pragma once
// One open diagram: its object forest, header, display switches and settings words, view,
// editing state, selection, undo stack and animation state.

#include "diagram/DiagramHeader.h"
#include "diagram/DiagramHost.h"
#include "model/DiagramLink.h"
#include "model/Geometry.h"
#include "model/Objet.h"
#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Graphics.h"
#include "plat/gfx/Pen.h"

#include <QRegion>

#include <cstdint>
#include <functional>

namespace io {
class BinaryReader;
class BinaryWriter;
} // namespace io
#include <memory>
#include <string>
#include <vector>

namespace zov {

class TObjet;
struct TreeReadState;
class PrintCanvas;

enum class MouseButton { Left, Right, Middle };

// Modifier keys and mouse buttons held.
enum ShiftState { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };

// Edit states.
enum EditState : std::uint8_t {
    esFree = 0,
    esInsertNew = 1,
    esInsertAfter = 2,
    esInsertBefore = 3,
    esMoving = 4,
    esRotating = 5,
};

// The animation copies of one step; frees them from the last to the first.
class TBoatList {
public:
    TBoatList() = default;
    TBoatList(const TBoatList&) = delete;
    TBoatList& operator=(const TBoatList&) = delete;
    ~TBoatList();

    void Add(std::unique_ptr<TObjet> ghost) { m_items.push_back(std::move(ghost)); }
    int Count() const { return int(m_items.size()); }
    TObjet* Item(int i) const { return m_items.at(std::size_t(i)).get(); }

private:
    std::vector<std::unique_ptr<TObjet>> m_items;
};

// The objects the static picture draws step by step: those of steps 1 to Limit but LeftOut, in
// increasing step order and, within a step, in walk order; in time linear in the forest's size.
std::vector<TObjet*> StepPaintOrder(TObjet* root, std::int32_t limit, const TObjet* leftOut);

// The default e-mail address new diagrams receive (from the settings).
extern std::string DefaultEmail;

// How a diagram draws its pictures: in bands, over the sea it keeps between redraws, each
// animation step drawn ahead while the animation waits for the tick that reaches it, as the
// program does; or plainly, from scratch, each step at its tick, to compare with.
struct DrawingOptions {
    gfx::Drawing drawing = gfx::Drawing::InBands;
    bool keptSea = true;
    bool stepsAhead = true;
};

class TDiagram : public DiagramLink {
public:
    explicit TDiagram(DiagramHost* host = nullptr, DrawingOptions options = {});
    ~TDiagram() override;

    std::uint8_t FFitted = 0;
    TPoint FDragOffset;
    float FRotateOffset = 0;
    std::uint32_t FLastMouseTime = 0;
    TPoint FMousRef;
    TPoint FCentre;
    std::uint16_t FLastWidth = 0;
    std::unique_ptr<gfx::Bitmap> FBackBitmap; // the static picture
    std::unique_ptr<gfx::Graphics> FBackGraphics; // drawing surface on FBackBitmap
    std::uint8_t FChoice = 0;
    std::unique_ptr<TBoatList> FBoatList;
    std::string FFileName; // without its extension
    float FZoom = 1.0f;
    TRect4 FView { 0, 0, 1000, 1000 };
    std::int32_t FWind = 90;
    TObjet* FBackground = nullptr;
    std::uint8_t FShowTracks = 1;
    std::uint8_t FEditState = esFree;
    TRect4 FZone { 0, 0, 1000, 1000 };
    TRect4 FExtent { -1000, -1000, 3000, 3000 };
    std::int32_t FStepCount = 0;
    std::uint8_t FPaused = 0;
    std::int32_t FPlayUntil = 2147483647;
    TDiagramHeader FHeader;
    std::array<char, 81> FEmail {};
    std::int16_t FReserved1 = 0;
    std::int16_t FReserved2 = 0;
    std::int16_t FReserved3 = 0;
    std::int16_t FShowLaylines = 1;
    // Kept through the file as read, whatever its sign; FExtra holds its entries (none when it
    // is 0 or negative).
    std::int16_t FExtraCount = 0;
    std::vector<std::int32_t> FExtra;
    std::int16_t FReserved4 = 0;
    std::int16_t FReserved5 = 0;
    std::int16_t FShowGrid = 1;
    std::int16_t FReserved6 = 0;
    std::int16_t FReserved7 = 0;

    // Scroll bars, in pixels (the host shows them).
    std::int32_t FScrollRangeH = 3000;
    std::int32_t FScrollRangeV = 3000;
    std::int32_t FScrollPosH = 0;
    std::int32_t FScrollPosV = 0;

    std::function<void(const std::string&)> OnStatus;
    std::function<void(std::int32_t)> OnTrack;
    std::function<void()> OnMode;
    std::function<void(bool)> OnPause;

    // Size of the client area in pixels; a diagram without a window keeps the size it is given.
    std::int32_t ClientWidth() const { return m_clientWidth; }
    std::int32_t ClientHeight() const { return m_clientHeight; }
    void SetClientSize(std::int32_t width, std::int32_t height);
    DiagramHost* Host() const { return m_host; }
    void SetHost(DiagramHost* host) { m_host = host; }

    // Gives a new diagram its header: situation type, today's date, the user as author,
    // the default e-mail; rules and description cleared.
    void ResetHeader(std::int16_t situationType);

    // The eight new-diagram templates, each on a new, empty diagram.
    void NewStart();
    void NewFinish1();
    void NewFinish2();
    void NewWindward();
    void NewLeeward();
    void NewGate();
    void NewFull();
    void NewEmpty();

    // View.
    // Zoom factors stay within these bounds, whatever the wheel, the keys or the window do.
    static constexpr float MinZoom = 0.01f;
    static constexpr float MaxZoom = 100.0f;
    void SetZoom(float factor);
    void ZoomToFit();
    void NewDisplay();
    void ComputeOccupiedZone();
    void FormResize();
    // World to device: a world point p lands at (p - view origin) x zoom.
    void SetTransform(gfx::Graphics& g) const;
    // Renders the static picture of the diagram into G, or into FBackBitmap when G is null.
    void Redraw(gfx::Graphics* g);
    void Redraw() override { Redraw(nullptr); }
    // Composes the window: the static picture, then the ghosts, or the selected or hovered object.
    void MyPaint(gfx::Graphics& g);
    void Repaint() override;
    // What the window must paint again to show the diagram as it is now, in client pixels: the
    // whole client area once the static picture has been redrawn, else the places that what is
    // drawn on top (ghosts, selected or hovered object) leaves and enters, and the parts of the
    // static picture that a new step has added.
    QRegion RepaintRegion();
    // The window has shown REGION as MyPaint composed it.
    void Painted(const QRegion& region);
    // Whether the static picture changed since the window last showed all of it.
    bool StaticPictureChanged() const { return m_staticChanged; }
    // Whether MyPaint covers R (in client pixels) with opaque pixels of the static picture.
    bool StaticPictureCovers(const QRect& r) const;
    // Gives balloons and flags the step of the nearest racing boat.
    void AttachTextsToBoats();
    static float PointDistance(float x1, float y1, float x2, float y2);
    void DrawLaylineGrid(gfx::Graphics& g);
    void DrawMarkLaylines(gfx::Graphics& g);
    void DrawStartLines(gfx::Graphics& g);
    // The shared pen of the panel, re-coloured by each overlay.
    gfx::Pen FPen;

    void RemoveObject(TObjet* obj, bool freeIt) override;
    void RefreshSetup() override;
    void SetSelected(TObjet* obj);

    // Editing with the mouse and the keyboard. Positions are client pixels; Shift holds the
    // modifier keys and the buttons held (ShiftState bits).
    void FormMouseDown(MouseButton button, int shift, int x, int y);
    void FormMouseMove(int shift, int x, int y);
    void FormMouseUp(MouseButton button, int shift, int x, int y);
    // The wheel zooms with Ctrl; returns whether the turn was handled.
    bool MouseWheelUp(int shift);
    bool MouseWheelDown(int shift);
    // Key is a Qt::Key code.
    void FormKeyDown(int key, int shift);
    bool IsShownAtCurrentStep(const TObjet* obj) const;
    // The object under a world point: the one with the greatest step, the first in walk order.
    TObjet* HitTest(TPoint p) const;
    void Delete1Click();
    // A palette button (its number, 1 to 14) chooses what the next click inserts.
    void ChooseTool(int paletteButton);
    void ChoosePicture();
    // The document text of Kind (12 to 15); with Create, made when missing and selected.
    TGenText* FindOrAddText(std::uint8_t kind, bool create);
    // Takes back the last change; an empty stack is a list index error.
    void Undo();
    // "Undo last " followed by the name of the change on top of the stack.
    std::string UndoCaption() const;
    // Degrees, 0 = pointer straight above the object's centre, clockwise positive.
    int PointerAngle(const TObjet* obj, TPoint p) const;
    TPoint ClientToWorld(int x, int y) const;

    // Animation.
    void SetMode(std::uint8_t mode);
    void WMTimer(int timerId);
    void Step(bool repaint);
    void AddStep();
    void BuildAnimationList(std::int32_t step);
    // The step that the animation has drawn ahead while it waits for the tick that reaches it
    // (0: none); a tick that reaches it puts the drawing in place instead of drawing the step.
    std::int32_t StepDrawnAhead() const;
    void Pause();
    void NextStep();
    void PrevStep();
    // Position from the animation slider, in frames from the start.
    void TrackEvent(std::int32_t position);
    void TrackbarKeyDown(int key);
    void HideDiagram();
    std::int32_t AnimationPosition() const;

    // The diagram file (diagram/DiagramFile.cpp; DiagramFile.h tells how it reports failures).
    // Name is the path without its extension. Nothing half-read is kept: a load that fails
    // leaves the diagram as it was, with no file name.
    bool LoadFromFile(const std::string& name, bool showErrors);
    bool LoadFromBytes(const std::string& name, const std::uint8_t* data, std::size_t size, bool showErrors);
    // Writes FFileName + ".ZOV" atomically; false (reported) when it failed, FModified then kept.
    bool SaveToFile();
    // The whole file, version 10, as SaveToFile writes it (without its stamping and clean-up).
    void SaveToStream(io::BinaryWriter& s);
    bool ReadTreeStep(io::BinaryReader& s, TreeReadState& state);
    TObjet* ReadObject(io::BinaryReader& s, TreeReadState& state);
    void SaveTree(TObjet* obj, io::BinaryWriter& s);

    // Rendering and printing (diagram/Render.cpp, diagram/Print.cpp). Both end an animation and
    // clear the selection; the zoom and the view are left as they were.
    // The whole occupied zone, centred and fitted, in a new Width x Height ARGB picture (0 stands
    // for the client width or height); raises rt::GraphicsError when the picture cannot be made.
    std::unique_ptr<gfx::Bitmap> RenderToBitmap(std::int32_t width, std::int32_t height);
    // The same picture composed over opaque black, without alpha (clipboard, previews, thumbnails).
    std::unique_ptr<gfx::Bitmap> CopyToBitmap(std::int32_t width, std::int32_t height);
    // The same picture of the diagram as it stands, leaving its selection, its hovered object and
    // its mode alone (the thumbnail of a diagram that is being edited).
    std::unique_ptr<gfx::Bitmap> SnapshotToBitmap(std::int32_t width, std::int32_t height);
    // Prints the header block, the picture, the footer and the Comments text over as many pages
    // as it needs; the document is ended also when an error interrupts it (the error goes on).
    void Print(PrintCanvas& canvas);

    // Exports (diagram/Exports.cpp). Each raises its error to the caller; the picture exports
    // leave the diagram in edit mode with its zoom, view, cursor and frames per step as before,
    // whether they end normally or not, with the selection cleared.
    // One picture of the whole diagram, FFileName + "." + Ext; when not in edit mode, one per
    // step, FFileName + "-" + step + "." + Ext. Ext "jpg" (any case) is JPEG, otherwise the MIME
    // type is "image/" + Ext; an unknown one raises "Encoder not found for " + Ext before
    // anything is drawn. A size of 0 stands for the client width or height.
    void ExportImage(const std::string& ext, std::int32_t width, std::int32_t height);
    // The animation, 20 frames per step, as a GIF that loops for ever, FFileName + ".gif", with
    // a progress window (diagram/Progress.h) whose Cancel keeps the frames written so far.
    // The file appears only once complete.
    void ExportAnimatedGif();
    // The objects and their positions as XML, FFileName + ".htm". The file appears only once
    // complete.
    void ExportXml();
    // Whether a picture export is running (the animated one lets events run between frames).
    static bool ExportRunning();

private:
    // Appends Obj at the end of the top-level chain (or makes it the root).
    void AddTopLevel(TObjet* obj);
    void AddRacingBoat(TPoint pos, float heading);
    void DrawLaylinePair(gfx::Graphics& g, std::int32_t x, std::int32_t y, bool downwind);
    TObjet* NewObjectOfChoice(TPoint p);
    void InsertAfterSelected(TPoint p);
    void InsertBeforeSelected(TPoint p);
    void SetCursor(ViewCursor cursor);
    std::uint32_t Now() const { return m_host ? m_host->TickCount() : SystemTickCount(); }
    void SetZoomFactor(double zoom);
    // Fits FZone, centred, into a picture of Width x Height pixels that stands in for the
    // client area while it is drawn (so the laylines run to its bottom).
    void FitZoneInto(std::int32_t width, std::int32_t height);
    void FinishTemplate(const TRect4& zone);
    // RenderToBitmap's picture of the diagram as its selection and mode stand.
    std::unique_ptr<gfx::Bitmap> RenderStill(std::int32_t width, std::int32_t height);
    // Builds the hull outlines the static picture is about to draw, on the pool's threads: each
    // depends on its own boat alone, where the drawing itself must go one object after another.
    void BuildHullOutlines();
    // Lays out the balloons and remarks not drawn since they were read or changed, so that
    // their bounds are those of their text.
    void LayOutTexts();
    // Clears G to the white sea and draws the layline grid on it, from a kept picture while
    // nothing the grid depends on has changed.
    void DrawSeaAndGrid(gfx::Graphics& g);

    // The white sea with the layline grid as last drawn, and what it was drawn for. The grid
    // depends on the view, the wind, the layline angle and the reference mark, never on the
    // other objects: edits keep it. One for the window's static picture, one for other pictures.
    struct SeaPicture {
        QImage image; // made when a second picture shows the same sea
        QSize size;
        QImage::Format format = QImage::Format_Invalid;
        TRect4 view;
        float zoom = 0;
        std::int32_t wind = 0;
        std::int32_t laylineAngle = 0;
        bool hasMark = false;
        TPoint mark;
        bool operator==(const SeaPicture& o) const
        {
            return size == o.size && format == o.format && view == o.view
                && zoom == o.zoom && wind == o.wind && laylineAngle == o.laylineAngle && hasMark == o.hasMark
                && (!hasMark || mark == o.mark);
        }
    };
    SeaPicture m_sea[2];

    // What a new step adds to the static picture: the tracks that lead to it and its objects.
    void DrawStepAdditions(gfx::Graphics& g);
    // The next step drawn ahead into a copy of the part of the static picture it covers, on the
    // pool's threads while the animation waits for its next tick. It holds while nothing else
    // draws on the static picture: whatever does drops it.
    struct StepAhead {
        std::int32_t step = 0;
        TObjet* selected = nullptr; // the drawing leaves out the selected and the hovered object
        TObjet* hovered = nullptr;
        std::uint8_t showTracks = 0;
        QRect area; // of the static picture, in client pixels
        std::unique_ptr<gfx::Bitmap> picture; // that part, the step drawn on it (bands may still be drawing)
        std::unique_ptr<gfx::Graphics> graphics;
        ~StepAhead();
    };
    std::unique_ptr<StepAhead> m_stepAhead;
    // Whether AHEAD is STEP drawn as the diagram would draw it now.
    bool DrawnAheadFor(const StepAhead& ahead, std::int32_t step) const;
    // Draws STEP ahead, unless it already is.
    void DrawStepAhead(std::int32_t step);
    // Puts the step drawn ahead in place when it is the step now reached, and says whether it did.
    bool PlaceStepDrawnAhead();

    // Draws what lies on top of the static picture (MyPaint's last part), traced when painting.
    void DrawOnTop(gfx::Graphics& g, bool trace);
    // Where DrawOnTop would draw now, in client pixels, without drawing.
    QRect OnTopBounds();
    bool m_staticChanged = true;
    bool m_staticDrawn = false; // the static picture was drawn whole since it was made
    QRect m_onTop;       // what the last paint drew on top, in client pixels
    QRegion m_added;     // parts of the static picture drawn since the window showed them

    DiagramHost* m_host;
    const DrawingOptions m_drawing;
    std::int32_t m_clientWidth = 1000;
    std::int32_t m_clientHeight = 600;
};

} // namespace zov
