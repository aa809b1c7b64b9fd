#include "plat/gfx/Font.h"

#include <utility>

namespace gfx {

Font::Font(std::string family, float sizePoints, int style)
    : m_family(std::move(family))
    , m_size(sizePoints)
    , m_style(style)
{
}

QFont Font::toQFont() const
{
    QFont f(QString::fromStdString(m_family));
    f.setPointSizeF(m_size > 0 ? m_size : 1.0);
    f.setBold(m_style & FontBold);
    f.setItalic(m_style & FontItalic);
    f.setUnderline(m_style & FontUnderline);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

} // namespace gfx
