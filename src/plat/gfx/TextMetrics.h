#pragma once
// Text measured from the font's own tables at a fixed 96 DPI, in world units, so a text has
// the same size at every zoom and on every screen: no hinting, no kerning. A line measures the
// sum of its design advances plus a padding of em/6 on each side, and one line spacing high.
// Resolved faces and laid-out lines are cached per thread, with font engines of that thread: the
// GUI thread's go when the application ends, a QThread's (the pool's) right before it finishes,
// and any thread's at the latest with the thread's own objects, before Qt's font data goes
// however the process ends.

#include <QGlyphRun>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QTransform>
#include <QString>

#include <memory>

namespace gfx {

class Font;

// Width and height of one line of TEXT (line breaks are not interpreted; callers split lines).
// "" is 0 x 0; trailing blanks are not measured, so a line of blanks only is 0 x one line.
QSizeF measureString(const QString& text, const Font& font);
// Line spacing of FONT in world units: (ascender - descender + line gap) / units per em x em.
float lineHeight(const Font& font);
// Family name of the face that FONT actually resolves to (after fontconfig substitution).
QString resolvedFamily(const Font& font);
// A line ready to draw, placed for a layout origin at (0, 0): glyphs of the resolved face at
// the font's em, the first one at em/6, the baseline one ascender below the origin; and the
// underline and strikeout bars the font's style asks for, from the face's own tables; and the
// line's size.
struct LaidOutLine {
    QGlyphRun glyphs;
    QList<QRectF> bars;
    QSizeF size; // as measureString gives it
    mutable QGlyphRun outlines; // made by glyphsToDraw when first drawn as outlines
};
// The line is the calling thread's: it is drawn by that thread alone.
std::shared_ptr<const LaidOutLine> layoutLine(const QString& text, const Font& font);
// The glyphs that draw LINE, of FONT, under the world transform WORLD: the line's own, or where
// they are drawn as outlines, the same glyphs from a face that draws nothing but outlines, so
// that they look the same whatever the thread drew before.
const QGlyphRun& glyphsToDraw(const LaidOutLine& line, const Font& font, const QTransform& world);

} // namespace gfx
