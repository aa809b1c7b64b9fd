#pragma once
// An owned picture. Copies are explicit (clone) so that two owners never share pixels.

#include <QImage>

#include <memory>

namespace gfx {

class Bitmap {
public:
    Bitmap() = default;
    explicit Bitmap(QImage image);
    // A new transparent 32-bit ARGB picture.
    Bitmap(int width, int height);

    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // A deep copy in the same pixel format.
    std::unique_ptr<Bitmap> clone() const;

    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    bool isNull() const { return m_image.isNull(); }
    const QImage& image() const { return m_image; }
    QImage& image() { return m_image; }

private:
    QImage m_image;
};

} // namespace gfx
