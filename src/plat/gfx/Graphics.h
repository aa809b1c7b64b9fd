#pragma once
// A drawing context in world units over a bitmap or any Qt paint device. It keeps the rules the
// drawing code was written against: pixel centres on integer coordinates (vector drawing is
// shifted by half a pixel in device space, pictures are not), transforms composed by
// prepending, pens with flat caps, miter joins and a one-pixel minimum width, text measured
// and placed from the font tables at 96 DPI, and Clear working in device space.

#include "plat/gfx/Color.h"
#include "plat/gfx/Pen.h"

#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace gfx {

class Bitmap;
class Font;
class Path;
class PaintTools;
enum class CallKind : std::uint8_t;

// Whether a Graphics on a picture draws in bands while a BandedDrawing lives, or every call at
// once (to compare the two).
enum class Drawing : std::uint8_t { InBands, Plain };

class Graphics {
public:
    // Draws on TARGET until destroyed; throws rt::GraphicsError when it cannot be drawn on
    // (null or indexed-colour picture).
    explicit Graphics(Bitmap& target, Drawing drawing = Drawing::InBands);
    // Draws on DEVICE (an image, a widget's back buffer, a printer) until destroyed; same error.
    explicit Graphics(QPaintDevice& device, Drawing drawing = Drawing::InBands);
    ~Graphics();

    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // Antialiased vector drawing on or off (off at creation).
    void setSmoothing(bool on);

    // World transform (world to device); translate, scale and rotate apply before the current one.
    // Back to identity.
    void resetTransform();
    // Prepends a translation by (DX, DY).
    void translateTransform(double dx, double dy);
    // Prepends a scaling by (SX, SY).
    void scaleTransform(double sx, double sy);
    // Prepends a rotation by DEGREES, clockwise on the screen for positive angles.
    void rotateTransform(double degrees);
    // Replaces the world transform.
    void setTransform(const QTransform& world);
    // The world transform, without the device's half-pixel shift.
    const QTransform& transform() const { return m_world; }

    // What the drawing touches, in device pixels: while tracking, every drawing call adds a
    // rectangle that holds every pixel it may change (generously: pens, joins, smoothing and
    // glyph overhangs included). When measuring, the calls only add their rectangles and leave
    // the device as it was: the place of a drawing is known before it is made.
    enum class Tracking { Off, WhileDrawing, MeasureOnly };
    void setTracking(Tracking tracking);
    // The rectangles added since tracking was set, united; emptied by setTracking.
    const QRect& tracked() const { return m_tracked; }
    // Drawing is limited to REGION, in device pixels, whatever the transform; an empty region
    // lifts the limit.
    void setClipRegion(const QRegion& region);

    // Drawing in bands. While a BandedDrawing lives, the drawing calls on a picture are kept in
    // order instead of drawn, and drawn in batches: each band (a strip of the picture) by a
    // thread of the pool from the same calls, to the very pixels that the calls drawn one after
    // another would give, while the next calls are kept. The few calls whose pixels depend on
    // where the painter clips (strokes with a pen wider than a pixel, underlined text, scaled
    // pictures) are drawn on the whole picture when they reach over a band's edge. All is drawn
    // when the BandedDrawing ends. On a device that is no picture, from a thread of the pool, or
    // for a Graphics made to draw plainly, the calls are drawn at once. Nothing may read the
    // picture's pixels while they are kept.
    void beginBands();
    void endBands();
    // Hands every call kept so far to the bands and returns while they draw; endBands waits for
    // them. For a drawing whose calls are all made, finished later.
    void handOverKept();
    // Whether the calls are being kept.
    bool keepingCalls() const { return m_kept != nullptr; }

    // Fills the whole device with COLOR, whatever the transform (alpha is stored, not blended).
    void clear(Argb color);
    // The picture drawn on, when the device is one (not a printer or a window).
    const QImage* targetImage() const;
    // Replaces the device's pixels under PICTURE, of the device's format, its top-left corner at
    // AT (device pixels, whatever the transform), by PICTURE's: a copy, not a blend.
    void copyFrom(const QImage& picture, QPoint at = QPoint(0, 0));

    // Stroking. A pen thinner than one device pixel is drawn one pixel wide. Curves and Beziers
    // are kept as their points while drawing in bands: the band builds the path.
    // Straight line from (x1, y1) to (x2, y2) (integer or float coordinates).
    void drawLine(const Pen& pen, double x1, double y1, double x2, double y2);
    // Straight line from A to B.
    void drawLine(const Pen& pen, QPointF a, QPointF b);
    // Outline of the ellipse inscribed in RECT.
    void drawEllipse(const Pen& pen, const QRectF& rect);
    // Arc with polar angles in degrees, clockwise from +x, positive sweep clockwise.
    void drawArc(const Pen& pen, const QRectF& rect, float startAngle, float sweepAngle);
    // One cubic Bezier from P0 to P3 with controls C1, C2.
    void drawBezier(const Pen& pen, QPointF p0, QPointF c1, QPointF c2, QPointF p3);
    // Open cardinal spline through the points (two points: a straight line).
    void drawCurve(const Pen& pen, std::span<const QPointF> points, float tension = 0.5f);
    // Outline of every figure of PATH (closed figures joined at their start).
    void drawPath(const Pen& pen, const Path& path);

    // Filling, alternate rule, open figures closed.
    // Interior of PATH.
    void fillPath(const Brush& brush, const Path& path);
    // Interior of PATH, then its outline: fillPath and drawPath in one call.
    void fillAndDrawPath(const Brush& brush, const Pen& pen, const Path& path);
    // The figure of a curve through the points closed back to its first point by a straight
    // segment (as Path::addCurve then closeFigure build it): its interior, then its outline.
    void fillAndDrawCurve(const Brush& brush, const Pen& pen, std::span<const QPointF> points, float tension = 0.5f);

    // Pictures, bilinear when scaled, without the half-pixel shift: a picture drawn at an
    // integer point under an identity transform lands pixel for pixel.
    // The whole picture stretched into DEST.
    void drawImage(const QImage& image, const QRectF& dest);
    void drawImage(const Bitmap& image, const QRectF& dest);
    // The picture at its pixel size in world units (one pixel per unit), top-left corner at AT.
    void drawImage(const QImage& image, QPointF at);
    void drawImage(const Bitmap& image, QPointF at);

    // One line of TEXT with its layout box's top-left corner at ORIGIN, in the brush's colour.
    void drawString(const QString& text, const Font& font, const Brush& brush, QPointF origin);
    // The size drawString gives TEXT, in world units; the transform plays no part.
    QSizeF measureString(const QString& text, const Font& font) const;

private:
    // One drawing call with what it needs to be drawn later, on any painter of the device; the
    // calls kept while drawing in bands (GraphicsCall.h).
    struct Call;
    struct Kept;
    struct Batch;
    struct BandWork;
    struct BandPainter;
    void begin(QPaintDevice& device);
    // Draws CALL now with the painter, or keeps it while drawing in bands.
    void submit(Call&& call);
    // Draws CALL with PAINTER and its TOOLS, the painter's clip being AREA (device pixels; empty:
    // none), with PATH for the call's path.
    static void run(QPainter& painter, PaintTools& tools, const Call& call, const QRegion& area, const QPainterPath& path);
    // Hands the kept calls over to the bands, or to the whole picture where they must be; unless
    // FINISH, the bands may still be drawing when it returns.
    void drawKept(bool finish);
    // The bands of this drawing, their queues and their painters; CALLS is how many calls the
    // drawing has, when all are known (SIZE_MAX otherwise).
    std::shared_ptr<BandWork> startWork(std::size_t calls);
    // Queues CALLS to the bands they reach, or when WHOLE to the picture's own painter, drawn on
    // the pool once what was handed over before is.
    void handOver(std::vector<Call> calls, bool whole);
    // Draws BAND's queued batches, in order, until none is left.
    void drainBand(const std::shared_ptr<BandWork>& work, std::size_t band);
    static void finishedBatch(Batch& batch, BandWork& work);
    // Draws BATCH's calls REACHING (all when null) with PAINTER and its TOOLS, the painter's clip
    // being AREA; a failure is kept in WORK.
    static void drawOn(QPainter& painter, PaintTools& tools, const QRegion& area, const Batch& batch,
        const std::vector<std::uint32_t>* reaching, BandWork& work);
    // Waits until the bands have drawn what they were handed, and raises what failed there.
    void waitForBands();
    void finishBands();
    Call call(CallKind kind) const;
    // A Shape call that fills with BRUSH and strokes with PEN, each when given.
    Call shapeCall(const Brush* brush, const Pen* pen) const;
    // Keeps or draws the Shape call C, whose points (control points included) lie in POINTBOUNDS.
    void shape(Call&& c, const QRectF& pointBounds);
    // The curve through POINTS stroked with PEN, or closed, filled with BRUSH and then stroked.
    void curve(const Brush* brush, const Pen* pen, std::span<const QPointF> points, float tension);
    // The path a Shape call fills or strokes: its own, or the one its drawing call would have
    // built from its points.
    static QPainterPath shapePath(const Call& call);
    // Sets the mappings that follow from the world transform.
    void worldChanged();
    // The device rectangle of WORLD (under the vector or the picture mapping) grown by MARGIN.
    QRect deviceBounds(const QRectF& world, double margin, bool vectors = true) const;
    double strokeMargin(const Pen& pen) const;
    // Sets CALL's device bounds from WORLD (under the vector or the picture mapping) grown by
    // MARGIN device pixels and adds them to the tracked rectangle; true when the call must draw
    // nothing (measuring).
    bool touches(Call& call, const QRectF& world, double margin, bool vectors = true);
    // Whether the calls need their device bounds (tracking, or keeping them).
    bool placing() const { return m_tracking != Tracking::Off || m_kept; }
    bool touchesDevice(Call& call);
    // Adds CALL's device bounds to the tracked rectangle; true when the call must draw nothing.
    bool track(const Call& call);
    void stroke(const Pen& pen, const QPainterPath& path);

    QPainter m_painter;
    // What the painter draws on, kept apart from it: a band may be drawing with the painter.
    QPaintDevice* m_device = nullptr;
    QRect m_deviceRect;
    QTransform m_world;
    QTransform m_vectorDevice; // world to device for vector drawing: shifted by half a pixel
    double m_worldScale = 1.0; // how many device pixels a world unit covers
    bool m_smoothing = false;
    Drawing m_drawing;
    Tracking m_tracking = Tracking::Off;
    QRect m_tracked;
    QRegion m_clip; // empty: none
    std::unique_ptr<Kept> m_kept; // the calls kept while drawing in bands
    std::vector<std::unique_ptr<BandPainter>> m_bandPainters; // kept from one drawing to the next
    std::unique_ptr<PaintTools> m_tools; // the painter's
};

// Draws in bands on G while it lives (see Graphics::beginBands).
class BandedDrawing {
public:
    explicit BandedDrawing(Graphics& g)
        : m_g(g)
    {
        m_g.beginBands();
    }
    ~BandedDrawing() { m_g.endBands(); }
    BandedDrawing(const BandedDrawing&) = delete;
    BandedDrawing& operator=(const BandedDrawing&) = delete;

private:
    Graphics& m_g;
};

} // namespace gfx
