#include "plat/gfx/Bitmap.h"


#include <QPainter>

#include <utility>

namespace gfx {

namespace {
// Pictures are measured at 96 DPI whatever the screen says.
constexpr int DotsPerMeter96 = 3780;

void set96Dpi(QImage& image)
{
    image.setDotsPerMeterX(DotsPerMeter96);
    image.setDotsPerMeterY(DotsPerMeter96);
}
} // namespace

Bitmap::Bitmap(QImage image)
    : m_image(std::move(image))
{
    if (!m_image.isNull())
        set96Dpi(m_image);
}

Bitmap::Bitmap(int width, int height, PixelFormat format)
{
    if (width <= 0 || height <= 0)
        return;
    const bool alpha = format == PixelFormat::Argb32;
    m_image = QImage(width, height, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (m_image.isNull())
        return;
    // Fresh memory is not cleared: start from the library's initial pixels explicitly.
    m_image.fill(alpha ? QColor(Qt::transparent) : QColor(Qt::black));
    set96Dpi(m_image);
}

std::unique_ptr<Bitmap> Bitmap::clone() const
{
    QImage copy = m_image.copy(); // copy() detaches: the clone owns its own pixels
    return std::make_unique<Bitmap>(std::move(copy));
}

std::unique_ptr<Bitmap> Bitmap::overBlack() const
{
    auto out = std::make_unique<Bitmap>(width(), height(), PixelFormat::Rgb32);
    if (out->isNull() || m_image.isNull())
        return out;
    QPainter p(&out->image());
    p.drawImage(0, 0, m_image);
    p.end();
    return out;
}

} // namespace gfx
