#pragma once
// An owned picture. Copies are explicit (clone) so that two owners never share pixels.

#include <QImage>

#include <memory>

namespace gfx {

// 32-bit pictures: with alpha (starting transparent) or opaque (starting black).
enum class PixelFormat { Argb32, Rgb32 };

class Bitmap {
public:
    Bitmap() = default;
    explicit Bitmap(QImage image);
    // A new 32-bit picture: transparent ARGB, or opaque black RGB. A size that is not
    // positive, or too large to allocate, gives a null picture.
    Bitmap(int width, int height, PixelFormat format = PixelFormat::Argb32);

    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // A deep copy in the same pixel format.
    std::unique_ptr<Bitmap> clone() const;
    // An opaque RGB copy with this picture composed over black, as a picture without alpha
    // shows it: transparent pixels turn black.
    std::unique_ptr<Bitmap> overBlack() const;

    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    bool isNull() const { return m_image.isNull(); }
    const QImage& image() const { return m_image; }
    QImage& image() { return m_image; }

private:
    QImage m_image;
};

} // namespace gfx
