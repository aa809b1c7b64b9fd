#pragma once
// A small picture to draw objects on, with the pixel questions the drawing tests ask.

#include "plat/gfx/Bitmap.h"
#include "plat/gfx/Graphics.h"

#include <QColor>

namespace zovtest {

struct TestCanvas {
    // DarkLimit: the highest red, green and blue a pixel may have to count as ink.
    TestCanvas(int w, int h, int darkLimit = 80)
        : bitmap(w, h)
        , g(bitmap)
        , m_darkLimit(darkLimit)
    {
    }
    // Unpremultiplied, so faint colours keep their colour bits.
    QRgb at(int x, int y) const { return bitmap.image().pixelColor(x, y).rgba(); }
    bool dark(int x, int y) const
    {
        const QRgb p = at(x, y);
        return qAlpha(p) > 128 && qRed(p) < m_darkLimit && qGreen(p) < m_darkLimit && qBlue(p) < m_darkLimit;
    }
    bool empty(int x, int y) const { return qAlpha(at(x, y)) == 0; }
    int darkIn(int x0, int y0, int x1, int y1) const
    {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                n += dark(x, y);
        return n;
    }
    int painted() const
    {
        int n = 0;
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x)
                n += qAlpha(at(x, y)) != 0;
        return n;
    }
    gfx::Bitmap bitmap;
    gfx::Graphics g;

private:
    int m_darkLimit;
};

} // namespace zovtest
