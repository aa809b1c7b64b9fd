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

#include <span>

namespace gfx {

class Bitmap;
class Font;
class Path;

class Graphics {
public:
    // Draws on TARGET until destroyed; throws rt::GraphicsError when it cannot be drawn on
    // (null or indexed-colour picture).
    explicit Graphics(Bitmap& target);
    // Draws on DEVICE (an image, a widget's back buffer, a printer) until destroyed; same error.
    explicit Graphics(QPaintDevice& device);
    ~Graphics();

    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // Antialiased vector drawing on or off (off at creation).
    void setSmoothing(bool on);
    bool smoothing() const { return m_smoothing; }

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

    // Fills the whole device with COLOR, whatever the transform (alpha is stored, not blended).
    void clear(Argb color);
    // The picture drawn on, when the device is one (not a printer or a window).
    const QImage* targetImage() const;
    // Replaces every pixel of the device by PICTURE's, of the device's size and format, whatever
    // the transform: a copy, not a blend.
    void copyFrom(const QImage& picture);

    // Stroking. A pen thinner than one device pixel is drawn one pixel wide.
    // Straight line from (x1, y1) to (x2, y2) (integer or float coordinates).
    void drawLine(const Pen& pen, double x1, double y1, double x2, double y2);
    // Straight line from A to B.
    void drawLine(const Pen& pen, QPointF a, QPointF b);
    // Polyline with joined corners.
    void drawLines(const Pen& pen, std::span<const QPointF> points);
    // Outline of RECT.
    void drawRectangle(const Pen& pen, const QRectF& rect);
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
    // Interior of RECT.
    void fillRectangle(const Brush& brush, const QRectF& rect);
    // Interior of the ellipse inscribed in RECT.
    void fillEllipse(const Brush& brush, const QRectF& rect);
    // Interior of the polygon through the points.
    void fillPolygon(const Brush& brush, std::span<const QPointF> points);

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
    void begin(QPaintDevice& device);
    // Adds the device rectangle of WORLD (under the vector or the picture mapping) grown by
    // MARGIN device pixels; true when the call must draw nothing (measuring).
    bool touches(const QRectF& world, double margin, bool vectors = true);
    bool touchesStroke(const Pen& pen, const QRectF& world);
    bool touchesDevice();
    void forVectors();
    void forPictures();
    // Runs FILL once per rectangle of the clip region with the clip lifted (a region clip makes
    // the painter cut every row of a large area apart), or once as it stands without a clip.
    template <class F> void perClipRect(F&& fill);
    QPen toQPen(const Pen& pen) const;
    void stroke(const Pen& pen, const QPainterPath& path);

    QPainter m_painter;
    QTransform m_world;
    bool m_smoothing = false;
    Tracking m_tracking = Tracking::Off;
    QRect m_tracked;
    QRegion m_clip; // empty: none
};

} // namespace gfx
