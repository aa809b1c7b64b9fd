#pragma once
// Where a picture ends. A picture record stores the image file with no length in front of it,
// so the reader walks the image's own structure to find the first byte after it. Every length
// read on the way is checked against the bytes that are really there.

#include "plat/img/ImageFormat.h"

#include <cstddef>

namespace img {

// Offset just past the image of type Type that starts at Data[Offset].
// GIF: blocks up to the trailer 3B; PNG: chunks up to IEND and its CRC; BMP: the file size of
// its header; JPEG: markers and entropy-coded data up to EOI.
// Raises ImageError: Truncated when the data ends inside the image (for JPEG also when no EOI
// follows), Corrupt when the bytes do not follow the format (wrong signature, bad block).
std::size_t imageExtent(ImageType type, Bytes data, std::size_t offset);

// The number of scans of the JPEG at the start of Data (up to its end marker, or up to damage).
int jpegScanCount(Bytes data);

} // namespace img
