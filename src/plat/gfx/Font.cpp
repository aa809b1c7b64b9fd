#include "plat/gfx/Font.h"

#include "plat/gfx/TextMetrics.h"

#include <cmath>
#include <utility>

namespace gfx {

namespace {

constexpr float MaxPoints = 12000.0f;

float usablePoints(float size)
{
    if (!std::isfinite(size) || size <= 0.0f)
        return 1.0f;
    return size > MaxPoints ? MaxPoints : size;
}

} // namespace

Font::Font(std::string family, float sizePoints, int style)
    : m_family(std::move(family))
    , m_size(sizePoints)
    , m_style(style)
{
}

float Font::emSize() const
{
    return usablePoints(m_size) * 96.0f / 72.0f;
}

float Font::height() const
{
    return lineHeight(*this);
}

QFont Font::toQFont() const
{
    QFont f(QString::fromStdString(m_family));
    f.setPointSizeF(usablePoints(m_size));
    f.setBold(m_style & FontBold);
    f.setItalic(m_style & FontItalic);
    f.setUnderline(m_style & FontUnderline);
    f.setStrikeOut(m_style & FontStrikeout);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace gfx
