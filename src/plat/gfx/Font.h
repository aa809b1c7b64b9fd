#pragma once
// A font chosen by family name, size in points and style bits (1 bold, 2 italic, 4 underline,
// 8 strikeout). Sizes are points at a fixed 96 DPI: 12 pt is an em of 16 world units.

#include <QFont>

#include <string>

namespace gfx {

enum FontStyle { FontBold = 1, FontItalic = 2, FontUnderline = 4, FontStrikeout = 8 };

class Font {
public:
    Font() = default;
    Font(std::string family, float sizePoints, int style = 0);

    const std::string& family() const { return m_family; }
    float sizePoints() const { return m_size; }
    int style() const { return m_style; }

    // The em in world units: points x 96/72. A size that is not a positive finite number
    // counts as 1 pt; sizes are capped at 12000 pt so a damaged record cannot exhaust memory.
    float emSize() const;
    // Line spacing in world units, the same whatever the zoom or the screen.
    float height() const;

    // The Qt font at this size; "Arial" resolves through fontconfig to its metric twin.
    QFont toQFont() const;

    bool operator==(const Font&) const = default;

private:
    std::string m_family = "Arial";
    float m_size = 12.0f;
    int m_style = 0;
};

} // namespace gfx
