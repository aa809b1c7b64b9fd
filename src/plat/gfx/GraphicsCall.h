#pragma once
// One drawing call of a Graphics as it is drawn now or kept for the bands (Graphics.cpp,
// GraphicsBands.cpp): everything the call needs to be drawn on any painter of the device, and the
// device pixels it may change.

#include "plat/gfx/Font.h"
#include "plat/gfx/Graphics.h"

#include <QPainterPath>
#include <QPolygonF>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

namespace gfx {

enum class CallKind : std::uint8_t {
    Clear,
    CopyFrom,
    Shape, // a path filled, outlined, or filled and then outlined
    Line,
    ImageInRect,
    ImageAt,
    Text,
};

// Where a Shape call's path comes from: the path handed to the call, or the points a curve or a
// Bezier was given, from which the painter that draws the call builds the very path that the
// drawing call would have built. Kept as points, a call leaves the thread that makes it only the
// points to copy, and each band a path of its own.
enum class ShapeFrom : std::uint8_t {
    Path,
    Bezier, // points: start, two controls, end
    Curve, // points of a cardinal spline of the call's tension
    ClosedCurve, // the same, closed back to its first point by a straight segment
};

// A path held by a call. Qt's path has no move constructor: it would be copied and its shared
// data counted up and down at every move of a kept call, while other threads read it.
class CallPath {
public:
    CallPath() = default;
    CallPath(const CallPath&) = default;
    CallPath& operator=(const CallPath&) = default;
    CallPath(CallPath&& other) noexcept { m_path.swap(other.m_path); }
    CallPath& operator=(CallPath&& other) noexcept
    {
        m_path.swap(other.m_path);
        return *this;
    }
    CallPath& operator=(const QPainterPath& path)
    {
        m_path = path;
        return *this;
    }
    operator const QPainterPath&() const { return m_path; }
    const QPainterPath& get() const { return m_path; }
    bool isEmpty() const { return m_path.isEmpty(); }

private:
    QPainterPath m_path;
};

struct Graphics::Call {
    Call() = default;
    Call(const Call&) = default;
    Call& operator=(const Call&) = default;
    // Moved, never copied, when the list of kept calls grows.
    Call(Call&&) noexcept = default;
    Call& operator=(Call&&) noexcept = default;

    CallKind kind = CallKind::Clear;
    bool smoothing = false;
    // Its pixels depend on where the painter clips: drawn in a band only when it lies in one.
    bool clipSensitive = false;
    QRect bounds; // device pixels it may change, generously
    QTransform world;
    Pen pen;
    Argb color = 0;
    // A Shape fills with COLOR, strokes with PEN, or both, its path built as FROM says.
    bool fills = false;
    bool strokes = false;
    ShapeFrom from = ShapeFrom::Path;
    float tension = 0.5f;
    CallPath path;
    QPolygonF points;
    QPointF at;
    QPointF to;
    QRectF rect;
    // The picture of CopyFrom, ImageInRect and ImageAt: the caller's while the call is drawn at
    // once, a copy of it while the call is kept (a copy of a picture being painted on would
    // copy its pixels: such a call is never kept).
    const QImage* source = nullptr;
    QImage image;
    const QImage& picture() const { return source ? *source : image; }
    // A Text call's line, laid out by the thread that draws it, with fonts of that thread.
    QString text;
    Font font;
};

// Calls handed to the bands, with the indexes of those that reach into each band; shared by the
// bands that draw them, and let go by the last.
struct Graphics::Batch {
    std::vector<Call> calls;
    std::vector<std::vector<std::uint32_t>> reaching; // by band; none for the whole picture
    std::atomic<int> bandsLeft { 0 }; // bands still to draw it
};

// The bands of one drawing: each with its queue of batches, drawn in order by one task at a time.
// Held by the tasks too, so that it outlives the last of them.
struct Graphics::BandWork {
    struct Queue {
        std::mutex lock;
        std::deque<std::shared_ptr<Batch>> batches;
        bool draining = false; // a task is drawing them
    };
    bool columns = false;
    std::vector<int> edges; // where each band starts along the strips, and where the last ends
    std::vector<QRect> bands;
    std::vector<QRegion> areas; // each band within the clip
    std::unique_ptr<Queue[]> queues;
    std::atomic<int> left { 0 }; // batches queued to a band, or to the whole picture, not yet drawn
    std::mutex failureLock;
    std::exception_ptr failure;
};

struct Graphics::Kept {
    std::vector<Call> calls;
    int depth = 1; // BandedDrawing scopes open
    std::shared_ptr<BandWork> work; // made when the first calls are handed over
    std::deque<std::shared_ptr<Batch>> inFlight; // handed to the bands, oldest first
    bool wholeDrawing = false; // the last batch is drawn on the whole picture
    bool allKept = false; // every call of the drawing is kept: the bands are sized for them
};

// Qt's pen and brush as last handed to a painter, handed again while the calls keep them: the
// painter sets a pen or a brush up anew whenever it gets another one.
class PaintTools {
public:
    const QPen& pen(const Pen& pen, const QTransform& world);
    const QBrush& brush(Argb color);

private:
    bool m_hasPen = false;
    Pen m_pen;
    bool m_cosmetic = false;
    QPen m_qpen;
    bool m_hasBrush = false;
    Argb m_color = 0;
    QBrush m_qbrush;
};

// A painter of its own for a band, over the picture's pixels (one painter per picture), begun once.
struct Graphics::BandPainter {
    QImage picture;
    QPainter painter;
    PaintTools tools;
};

// How many device pixels a world unit of WORLD covers.
inline double worldScale(const QTransform& world)
{
    return std::sqrt(std::abs(world.determinant()));
}
// Whether PEN, under a world transform of SCALE, is thinner than a device pixel: such a pen is
// drawn one pixel wide, as a cosmetic pen, whose pixels never depend on the clip.
inline bool hairline(const Pen& pen, double scale)
{
    return !(std::abs(static_cast<double>(pen.width)) * scale >= 1.0);
}
// Qt's pen for PEN under the world transform WORLD: flat caps, miter joins, never thinner than
// a device pixel, the dash patterns of the drawing code.
QPen toQPen(const Pen& pen, const QTransform& world);
// Limits PAINTER to AREA, in device pixels (empty: no limit); the transform becomes the identity.
void setClip(QPainter& painter, const QRegion& area);

} // namespace gfx
