#pragma once
// One drawing call of a Graphics as it is drawn now or kept for the bands (Graphics.cpp,
// GraphicsBands.cpp): everything the call needs to be drawn on any painter of the device, and the
// device pixels it may change.

#include "plat/gfx/Graphics.h"
#include "plat/gfx/TextMetrics.h"

#include <QPainterPath>
#include <QPolygonF>

#include <cstdint>
#include <exception>
#include <latch>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace gfx {

enum class CallKind : std::uint8_t {
    Clear,
    CopyFrom,
    Stroke,
    Line,
    Polyline,
    Rectangle,
    FillPath,
    FillRectangle,
    ImageInRect,
    ImageAt,
    Text,
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
    QPainterPath path;
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
    std::optional<LaidOutLine> text;
};

struct Graphics::Kept {
    std::vector<Call> calls;
    int depth = 1; // BandedDrawing scopes open
    // The calls the bands are drawing while the next ones are kept, and how they end.
    std::vector<Call> drawing;
    // Shared with the tasks, which count down last thing: it outlives the last one.
    std::shared_ptr<std::latch> bandsLeft;
    std::mutex failureLock;
    std::exception_ptr failure;
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

// Qt's pen for PEN under the world transform WORLD: flat caps, miter joins, never thinner than
// a device pixel, the dash patterns of the drawing code.
QPen toQPen(const Pen& pen, const QTransform& world);
// Limits PAINTER to AREA, in device pixels (empty: no limit); the transform becomes the identity.
void setClip(QPainter& painter, const QRegion& area);

} // namespace gfx
