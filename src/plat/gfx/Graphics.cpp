#include "plat/gfx/Graphics.h"

#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Font.h"
#include "plat/gfx/Path.h"
#include "plat/gfx/TextMetrics.h"
#include "plat/rt/Errors.h"

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

Graphics::Graphics(Bitmap& target)
{
    if (!drawable(target.image()))
        throw rt::GraphicsError(rt::InvalidParameter);
    begin(target.image());
}

Graphics::Graphics(QPaintDevice& device)
{
    if (device.devType() == QInternal::Image && !drawable(static_cast<QImage&>(device)))
        throw rt::GraphicsError(rt::InvalidParameter);
    begin(device);
}

Graphics::~Graphics()
{
    if (m_painter.isActive())
        m_painter.end();
}

void Graphics::begin(QPaintDevice& device)
{
    if (!m_painter.begin(&device))
        throw rt::GraphicsError(rt::InvalidParameter);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    m_painter.setRenderHint(QPainter::Antialiasing, m_smoothing);
}

void Graphics::setSmoothing(bool on)
{
    m_smoothing = on;
    m_painter.setRenderHint(QPainter::Antialiasing, on);
}

void Graphics::resetTransform()
{
    m_world.reset();
}

void Graphics::translateTransform(double dx, double dy)
{
    m_world.translate(dx, dy); // QTransform composes these before the current mapping
}

void Graphics::scaleTransform(double sx, double sy)
{
    m_world.scale(sx, sy);
}

void Graphics::rotateTransform(double degrees)
{
    m_world.rotate(degrees);
}

void Graphics::setTransform(const QTransform& world)
{
    m_world = world;
}

// Qt samples pixels at their centres (i + 0.5); the drawing code expects centres on integers.
void Graphics::forVectors()
{
    m_painter.setWorldTransform(m_world * QTransform::fromTranslate(0.5, 0.5));
}

void Graphics::forPictures()
{
    m_painter.setWorldTransform(m_world);
}

QPen Graphics::toQPen(const Pen& pen) const
{
    QPen q(toQColor(pen.color));
    q.setCapStyle(Qt::FlatCap);
    q.setJoinStyle(Qt::MiterJoin);
    q.setMiterLimit(PenMiterLimit);
    const double scale = std::sqrt(std::abs(m_world.determinant()));
    const double width = std::abs(static_cast<double>(pen.width));
    if (width * scale >= 1.0)
        q.setWidthF(width);
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

void Graphics::stroke(const Pen& pen, const QPainterPath& path)
{
    if (touchesStroke(pen, path.controlPointRect()))
        return;
    forVectors();
    m_painter.strokePath(path, toQPen(pen));
}

void Graphics::setTracking(Tracking tracking)
{
    m_tracking = tracking;
    m_tracked = QRect();
}

bool Graphics::touches(const QRectF& world, double margin, bool vectors)
{
    if (m_tracking == Tracking::Off)
        return false;
    const QTransform device = vectors ? m_world * QTransform::fromTranslate(0.5, 0.5) : m_world;
    const QRectF r = device.mapRect(world).adjusted(-margin, -margin, margin, margin);
    // Far beyond any device: held to a range the integer rectangle can carry.
    constexpr double Limit = 1 << 28;
    const QRectF held = r.intersected(QRectF(-Limit, -Limit, 2 * Limit, 2 * Limit));
    if (!held.isEmpty())
        m_tracked |= held.toAlignedRect();
    return m_tracking == Tracking::MeasureOnly;
}

bool Graphics::touchesStroke(const Pen& pen, const QRectF& world)
{
    if (m_tracking == Tracking::Off)
        return false;
    // Half the device width, as far as a miter join may reach, and the smoothing's pixel.
    const double scale = std::sqrt(std::abs(m_world.determinant()));
    const double width = std::max(1.0, std::abs(static_cast<double>(pen.width)) * scale);
    return touches(world, width * PenMiterLimit / 2.0 + 2.0);
}

bool Graphics::touchesDevice()
{
    if (m_tracking == Tracking::Off)
        return false;
    const QPaintDevice* device = m_painter.device();
    m_tracked |= QRect(0, 0, device->width(), device->height());
    return m_tracking == Tracking::MeasureOnly;
}

void Graphics::setClipRegion(const QRegion& region)
{
    m_clip = region;
    m_painter.resetTransform(); // the region is in device pixels
    if (region.isEmpty())
        m_painter.setClipping(false);
    else if (region.rectCount() == 1)
        m_painter.setClipRect(region.boundingRect()); // the painter's fast case
    else
        m_painter.setClipRegion(region);
}

template <class F> void Graphics::perClipRect(F&& fill)
{
    if (m_clip.isEmpty()) {
        fill(QRect());
        return;
    }
    m_painter.setClipping(false);
    for (const QRect& r : m_clip)
        fill(r);
    if (m_clip.rectCount() == 1)
        m_painter.setClipRect(m_clip.boundingRect());
    else
        m_painter.setClipRegion(m_clip);
}

void Graphics::clear(Argb color)
{
    if (touchesDevice())
        return;
    m_painter.save();
    m_painter.resetTransform();
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QPaintDevice* device = m_painter.device();
    const QRect all(0, 0, device->width(), device->height());
    perClipRect([&](const QRect& r) { m_painter.fillRect(r.isNull() ? all : r & all, toQColor(color)); });
    m_painter.restore();
}

const QImage* Graphics::targetImage() const
{
    const QPaintDevice* device = m_painter.device();
    return device && device->devType() == QInternal::Image ? static_cast<const QImage*>(device) : nullptr;
}

void Graphics::copyFrom(const QImage& picture)
{
    if (touchesDevice())
        return;
    const QImage* target = targetImage();
    if (target && !m_painter.hasClipping() && picture.format() == target->format() && picture.size() == target->size()
        && picture.bytesPerLine() == target->bytesPerLine()) {
        // The pixels are written in place; the painter keeps nothing of them.
        std::memcpy(const_cast<uchar*>(target->constBits()), picture.constBits(), std::size_t(picture.sizeInBytes()));
        return;
    }
    m_painter.save();
    m_painter.resetTransform();
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    m_painter.drawImage(QPoint(0, 0), picture);
    m_painter.restore();
}

void Graphics::drawLine(const Pen& pen, double x1, double y1, double x2, double y2)
{
    drawLine(pen, QPointF(x1, y1), QPointF(x2, y2));
}

void Graphics::drawLine(const Pen& pen, QPointF a, QPointF b)
{
    if (touchesStroke(pen, QRectF(a, b).normalized()))
        return;
    forVectors();
    m_painter.setPen(toQPen(pen));
    m_painter.drawLine(QLineF(a, b));
}

void Graphics::drawLines(const Pen& pen, std::span<const QPointF> points)
{
    if (points.size() < 2)
        return;
    if (touchesStroke(pen, QPolygonF(QList<QPointF>(points.begin(), points.end())).boundingRect()))
        return;
    forVectors();
    m_painter.setPen(toQPen(pen));
    m_painter.drawPolyline(points.data(), static_cast<int>(points.size()));
}

void Graphics::drawRectangle(const Pen& pen, const QRectF& rect)
{
    if (touchesStroke(pen, rect.normalized()))
        return;
    forVectors();
    m_painter.setPen(toQPen(pen));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(rect);
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
    Path p;
    p.addBezier(p0, c1, c2, p3);
    stroke(pen, p.qpath());
}

void Graphics::drawCurve(const Pen& pen, std::span<const QPointF> points, float tension)
{
    Path p;
    p.addCurve(points, tension);
    stroke(pen, p.qpath());
}

void Graphics::drawPath(const Pen& pen, const Path& path)
{
    stroke(pen, path.qpath());
}

void Graphics::fillPath(const Brush& brush, const Path& path)
{
    if (touches(path.qpath().controlPointRect(), 2.0))
        return;
    forVectors();
    m_painter.fillPath(path.qpath(), toQColor(brush.color));
}

void Graphics::fillRectangle(const Brush& brush, const QRectF& rect)
{
    if (touches(rect.normalized(), 2.0))
        return;
    forVectors();
    m_painter.fillRect(rect, toQColor(brush.color));
}

void Graphics::fillEllipse(const Brush& brush, const QRectF& rect)
{
    Path p;
    p.addEllipse(rect);
    fillPath(brush, p);
}

void Graphics::fillPolygon(const Brush& brush, std::span<const QPointF> points)
{
    Path p;
    p.addPolygon(points);
    fillPath(brush, p);
}

void Graphics::drawImage(const QImage& image, const QRectF& dest)
{
    if (touches(dest.normalized(), 2.0, false))
        return;
    forPictures();
    m_painter.drawImage(dest, image);
}

void Graphics::drawImage(const Bitmap& image, const QRectF& dest)
{
    drawImage(image.image(), dest);
}

void Graphics::drawImage(const QImage& image, QPointF at)
{
    if (touches(QRectF(at, QSizeF(image.size())), 2.0, false))
        return;
    forPictures();
    const QPoint whole = at.toPoint();
    if (!m_clip.isEmpty() && m_world.isIdentity() && QPointF(whole) == at) {
        // A picture copied pixel for pixel: each clip rectangle takes its part.
        perClipRect([&](const QRect& r) { m_painter.drawImage(r.topLeft(), image, r.translated(-whole)); });
        return;
    }
    m_painter.drawImage(at, image);
}

void Graphics::drawImage(const Bitmap& image, QPointF at)
{
    drawImage(image.image(), at);
}

void Graphics::drawString(const QString& text, const Font& font, const Brush& brush, QPointF origin)
{
    if (text.isEmpty())
        return;
    if (m_tracking != Tracking::Off) {
        // The layout box, grown by half an em for the glyphs that reach out of it.
        const QSizeF box = gfx::measureString(text, font);
        const double em = font.emSize();
        const QRectF world = QRectF(origin, box).adjusted(-em / 2, -em / 2, em / 2, em / 2);
        if (touches(world, 2.0))
            return;
    }
    forVectors();
    // Qt draws text with the pen; the drawing code hands us the colour as a brush.
    const LaidOutLine line = layoutLine(text, font);
    const QColor colour = toQColor(brush.color);
    m_painter.setPen(colour);
    m_painter.drawGlyphRun(origin, line.glyphs);
    for (const QRectF& bar : line.bars)
        m_painter.fillRect(bar.translated(origin), colour);
}

QSizeF Graphics::measureString(const QString& text, const Font& font) const
{
    return gfx::measureString(text, font);
}

} // namespace gfx
