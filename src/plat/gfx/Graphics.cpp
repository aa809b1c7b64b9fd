#include "plat/gfx/Graphics.h"

#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Font.h"
#include "plat/gfx/GraphicsCall.h"
#include "plat/gfx/Path.h"
#include "plat/gfx/TextMetrics.h"
#include "plat/rt/Errors.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gfx {

namespace {

bool drawable(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_Invalid:
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        return false;
    default:
        return !image.isNull();
    }
}

} // namespace

Graphics::Graphics(Bitmap& target, Drawing drawing)
    : m_drawing(drawing)
{
    if (!drawable(target.image()))
        throw rt::GraphicsError(rt::InvalidParameter);
    begin(target.image());
}

Graphics::Graphics(QPaintDevice& device, Drawing drawing)
    : m_drawing(drawing)
{
    if (device.devType() == QInternal::Image && !drawable(static_cast<QImage&>(device)))
        throw rt::GraphicsError(rt::InvalidParameter);
    begin(device);
}

Graphics::~Graphics()
{
    if (m_kept) {
        try {
            drawKept(true);
        } catch (...) {
            // A picture that cannot be finished is left as far as it was drawn.
        }
    }
    if (m_painter.isActive())
        m_painter.end();
}

void Graphics::begin(QPaintDevice& device)
{
    m_tools = std::make_unique<PaintTools>();
    worldChanged();
    if (!m_painter.begin(&device))
        throw rt::GraphicsError(rt::InvalidParameter);
    m_device = &device;
    m_deviceRect = QRect(0, 0, device.width(), device.height());
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
}

void Graphics::setSmoothing(bool on)
{
    m_smoothing = on; // each call carries it to the painter that draws it
}

void Graphics::resetTransform()
{
    m_world.reset();
    worldChanged();
}

void Graphics::translateTransform(double dx, double dy)
{
    m_world.translate(dx, dy); // QTransform composes these before the current mapping
    worldChanged();
}

void Graphics::scaleTransform(double sx, double sy)
{
    m_world.scale(sx, sy);
    worldChanged();
}

void Graphics::rotateTransform(double degrees)
{
    m_world.rotate(degrees);
    worldChanged();
}

void Graphics::setTransform(const QTransform& world)
{
    m_world = world;
    worldChanged();
}

void Graphics::worldChanged()
{
    m_vectorDevice = m_world * QTransform::fromTranslate(0.5, 0.5);
    m_worldScale = worldScale(m_world);
}

QPen toQPen(const Pen& pen, const QTransform& world)
{
    QPen q(toQColor(pen.color));
    q.setCapStyle(Qt::FlatCap);
    q.setJoinStyle(Qt::MiterJoin);
    q.setMiterLimit(PenMiterLimit);
    if (!hairline(pen, worldScale(world)))
        q.setWidthF(std::abs(static_cast<double>(pen.width)));
    else {
        // Thinner than a device pixel (faint outlines, small previews): one pixel, never fainter.
        q.setCosmetic(true);
        q.setWidthF(1.0);
    }
    switch (pen.dash) {
    case DashStyle::Dash:
        q.setDashPattern({ 3, 1 });
        break;
    case DashStyle::Dot:
        q.setDashPattern({ 1, 1 });
        break;
    case DashStyle::DashDot:
        q.setDashPattern({ 3, 1, 1, 1 });
        break;
    default:
        break;
    }
    return q;
}

void Graphics::setTracking(Tracking tracking)
{
    m_tracking = tracking;
    m_tracked = QRect();
}

QRect Graphics::deviceBounds(const QRectF& world, double margin, bool vectors) const
{
    const QTransform& device = vectors ? m_vectorDevice : m_world;
    const QRectF r = device.mapRect(world).adjusted(-margin, -margin, margin, margin);
    // Far beyond any device: held to a range the integer rectangle can carry.
    constexpr double Limit = 1 << 28;
    const QRectF held = r.intersected(QRectF(-Limit, -Limit, 2 * Limit, 2 * Limit));
    return held.isEmpty() ? QRect() : held.toAlignedRect();
}

double Graphics::strokeMargin(const Pen& pen) const
{
    // A hairline has no joins: a pixel on either side of the line and the smoothing's.
    if (hairline(pen, m_worldScale))
        return 3.0;
    // Half the device width, as far as a miter join may reach, and the smoothing's pixel.
    return std::abs(static_cast<double>(pen.width)) * m_worldScale * PenMiterLimit / 2.0 + 2.0;
}

bool Graphics::touches(Call& call, const QRectF& world, double margin, bool vectors)
{
    call.bounds = deviceBounds(world, margin, vectors);
    return track(call);
}

bool Graphics::touchesDevice(Call& call)
{
    call.bounds = m_deviceRect;
    return track(call);
}

bool Graphics::track(const Call& call)
{
    if (m_tracking == Tracking::Off)
        return false;
    m_tracked |= call.bounds;
    return m_tracking == Tracking::MeasureOnly;
}

Graphics::Call Graphics::call(CallKind kind) const
{
    Call c;
    c.kind = kind;
    c.smoothing = m_smoothing;
    c.world = m_world;
    return c;
}

void Graphics::setClipRegion(const QRegion& region)
{
    if (m_kept)
        drawKept(true); // the kept calls are drawn within the clip they were made under
    m_clip = region;
    setClip(m_painter, region);
}

void Graphics::clear(Argb color)
{
    Call c = call(CallKind::Clear);
    if (touchesDevice(c))
        return;
    c.color = color;
    submit(std::move(c));
}

const QImage* Graphics::targetImage() const
{
    return m_device->devType() == QInternal::Image ? static_cast<const QImage*>(m_device) : nullptr;
}

void Graphics::copyFrom(const QImage& picture, QPoint at)
{
    Call c = call(CallKind::CopyFrom);
    c.bounds = QRect(at, picture.size()) & m_deviceRect;
    if (track(c))
        return;
    c.at = at;
    c.source = &picture;
    submit(std::move(c));
}

void Graphics::shape(Call&& c, const QRectF& pointBounds)
{
    if (placing() && touches(c, pointBounds, c.strokes ? strokeMargin(c.pen) : 2.0))
        return;
    submit(std::move(c));
}

namespace {

bool allFinite(std::span<const QPointF> points)
{
    return std::all_of(points.begin(), points.end(), [](QPointF p) { return std::isfinite(p.x()) && std::isfinite(p.y()); });
}

} // namespace

Graphics::Call Graphics::shapeCall(const Brush* brush, const Pen* pen) const
{
    Call c = call(CallKind::Shape);
    if (brush) {
        c.fills = true;
        c.color = brush->color;
    }
    if (pen) {
        c.strokes = true;
        c.pen = *pen;
        // Qt cuts the outline of a wide pen at the clip before it fills it.
        c.clipSensitive = m_kept && !hairline(*pen, m_worldScale);
    }
    return c;
}

void Graphics::stroke(const Pen& pen, const QPainterPath& path)
{
    Call c = shapeCall(nullptr, &pen);
    c.path = path;
    shape(std::move(c), path.controlPointRect());
}

void Graphics::curve(const Brush* brush, const Pen* pen, std::span<const QPointF> points, float tension)
{
    const bool closed = brush != nullptr;
    if (points.size() < 2 || !allFinite(points)) {
        // The path leaves out what is not finite: drawn as it is built.
        Path p;
        p.addCurve(points, tension);
        if (closed)
            p.closeFigure();
        Call c = shapeCall(brush, pen);
        c.path = p.qpath();
        shape(std::move(c), p.pointBounds());
        return;
    }
    Call c = shapeCall(brush, pen);
    c.from = closed ? ShapeFrom::ClosedCurve : ShapeFrom::Curve;
    c.tension = tension;
    c.points = QPolygonF(QList<QPointF>(points.begin(), points.end()));
    shape(std::move(c), Path::curvePointBounds(points, tension));
}

void Graphics::drawLine(const Pen& pen, double x1, double y1, double x2, double y2)
{
    drawLine(pen, QPointF(x1, y1), QPointF(x2, y2));
}

void Graphics::drawLine(const Pen& pen, QPointF a, QPointF b)
{
    Call c = call(CallKind::Line);
    if (placing() && touches(c, QRectF(a, b).normalized(), strokeMargin(pen)))
        return;
    c.pen = pen;
    c.at = a;
    c.to = b;
    // Qt cuts a wide line at the clip before it rasterises it.
    c.clipSensitive = m_kept && !hairline(pen, m_worldScale);
    submit(std::move(c));
}

void Graphics::drawEllipse(const Pen& pen, const QRectF& rect)
{
    Path p;
    p.addEllipse(rect);
    stroke(pen, p.qpath());
}

void Graphics::drawArc(const Pen& pen, const QRectF& rect, float startAngle, float sweepAngle)
{
    Path p;
    p.addArc(rect, startAngle, sweepAngle);
    stroke(pen, p.qpath());
}

void Graphics::drawBezier(const Pen& pen, QPointF p0, QPointF c1, QPointF c2, QPointF p3)
{
    const QPointF points[] = { p0, c1, c2, p3 };
    if (!allFinite(points)) {
        // The path leaves out what is not finite: drawn as it is built.
        Path p;
        p.addBezier(p0, c1, c2, p3);
        stroke(pen, p.qpath());
        return;
    }
    Call c = shapeCall(nullptr, &pen);
    c.from = ShapeFrom::Bezier;
    c.points = QPolygonF(QList<QPointF>(std::begin(points), std::end(points)));
    const QRectF bounds = c.points.boundingRect();
    shape(std::move(c), bounds);
}

void Graphics::drawCurve(const Pen& pen, std::span<const QPointF> points, float tension)
{
    curve(nullptr, &pen, points, tension);
}

void Graphics::drawPath(const Pen& pen, const Path& path)
{
    stroke(pen, path.qpath());
}

void Graphics::fillPath(const Brush& brush, const Path& path)
{
    Call c = shapeCall(&brush, nullptr);
    c.path = path.qpath();
    shape(std::move(c), path.pointBounds());
}

void Graphics::fillAndDrawPath(const Brush& brush, const Pen& pen, const Path& path)
{
    Call c = shapeCall(&brush, &pen);
    c.path = path.qpath();
    shape(std::move(c), path.pointBounds());
}

void Graphics::fillAndDrawCurve(const Brush& brush, const Pen& pen, std::span<const QPointF> points, float tension)
{
    curve(&brush, &pen, points, tension);
}

void Graphics::drawImage(const QImage& image, const QRectF& dest)
{
    Call c = call(CallKind::ImageInRect);
    if (placing() && touches(c, dest.normalized(), 2.0, false))
        return;
    c.source = &image;
    c.rect = dest;
    c.clipSensitive = true; // scaled pictures are sampled from where the clip starts
    submit(std::move(c));
}

void Graphics::drawImage(const Bitmap& image, const QRectF& dest)
{
    drawImage(image.image(), dest);
}

void Graphics::drawImage(const QImage& image, QPointF at)
{
    Call c = call(CallKind::ImageAt);
    if (placing() && touches(c, QRectF(at, QSizeF(image.size())), 2.0, false))
        return;
    c.source = &image;
    c.at = at;
    c.clipSensitive = !(m_world.isIdentity() && QPointF(at.toPoint()) == at);
    submit(std::move(c));
}

void Graphics::drawImage(const Bitmap& image, QPointF at)
{
    drawImage(image.image(), at);
}

void Graphics::drawString(const QString& text, const Font& font, const Brush& brush, QPointF origin)
{
    if (text.isEmpty())
        return;
    Call c = call(CallKind::Text);
    if (placing()) {
        // The layout box, grown by half an em for the glyphs that reach out of it. The line is
        // this thread's, laid out once for its size: the thread that draws it lays it out anew.
        const double em = font.emSize();
        const QRectF world = QRectF(origin, layoutLine(text, font)->size).adjusted(-em / 2, -em / 2, em / 2, em / 2);
        if (touches(c, world, 2.0))
            return;
    }
    c.color = brush.color;
    c.at = origin;
    c.text = text;
    c.font = font;
    c.clipSensitive = font.style() & (FontUnderline | FontStrikeout); // the bars are filled rectangles
    submit(std::move(c));
}

QSizeF Graphics::measureString(const QString& text, const Font& font) const
{
    return gfx::measureString(text, font);
}

} // namespace gfx
