#pragma once
// GIF through giflib: the first frame of a GIF in memory, and single-frame GIFs written with the
// fixed layout the animated-GIF export cuts apart.

#include "plat/img/ImageFormat.h"

#include <QByteArray>
#include <QImage>

namespace img {

// The first frame, de-interlaced, on the logical screen. Indexed8 with the GIF's colour table
// (transparent entry with alpha 0); pixels the frame does not cover are transparent.
// Raises ImageError.
QImage decodeGif(Bytes data);

// One frame: "GIF89a", a screen descriptor with a 256-entry global colour table (bytes 13..780),
// one 8-byte graphic control extension (781..788), the image descriptor at 789, the trailer 3B.
// An indexed picture of at most 256 colours keeps its table; any other picture is mapped to the
// fixed palette (nearest colour, no dithering), so every such frame has the same table. Pixels
// with alpha under 128 become the transparent index named in the control extension.
// Raises rt::GraphicsError(InvalidParameter) for an empty or oversized picture.
QByteArray encodeGif(const QImage& image);

} // namespace img
