#include "plat/gfx/Bitmap.h"

#include <utility>

namespace gfx {

namespace {
// Pictures are measured at 96 DPI whatever the screen says.
constexpr int DotsPerMeter96 = 3780;
}

Bitmap::Bitmap(QImage image)
    : m_image(std::move(image))
{
    if (!m_image.isNull()) {
        m_image.setDotsPerMeterX(DotsPerMeter96);
        m_image.setDotsPerMeterY(DotsPerMeter96);
    }
}

Bitmap::Bitmap(int width, int height)
    : m_image(width, height, QImage::Format_ARGB32_Premultiplied)
{
    m_image.fill(Qt::transparent);
    m_image.setDotsPerMeterX(DotsPerMeter96);
    m_image.setDotsPerMeterY(DotsPerMeter96);
}

std::unique_ptr<Bitmap> Bitmap::clone() const
{
    QImage copy = m_image.copy(); // copy() detaches: the clone owns its own pixels
    return std::make_unique<Bitmap>(std::move(copy));
}

} // namespace gfx
