#pragma once
// Integer points and rectangles in diagram units (one boat length is 90 units, y grows downwards).

#include <cstdint>

namespace zov {

struct TPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const TPoint&) const = default;
};

// x, y, width, height.
struct TRect4 {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t w = 0;
    std::int32_t h = 0;
    bool operator==(const TRect4&) const = default;
};

} // namespace zov
