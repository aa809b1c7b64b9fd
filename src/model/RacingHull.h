#pragma once
// The racing boat's hull as one half outline in the boat-local frame (origin at the boat's
// position, bow towards -y, +x to starboard). The drawing mirrors it into the full hull; the
// racing-rule geometry measures boats by these same points.

#include "model/Geometry.h"

#include <array>
#include <cstdint>

namespace zov {

// One side of the keelboat/dinghy hull, bow to stern. Every x is 0 or positive.
inline constexpr std::array<TPoint, 7> RacingHull { {
    { 0, -50 },
    { 6, -32 },
    { 10, -15 },
    { 12, 0 },
    { 12, 15 },
    { 10, 30 },
    { 7, 40 },
} };

// Distance from the position to the transom: the largest y of the outline.
inline constexpr std::int32_t RacingHullStern = [] {
    std::int32_t stern = RacingHull[0].y;
    for (const TPoint& p : RacingHull)
        if (p.y > stern)
            stern = p.y;
    return stern;
}();
static_assert(RacingHullStern == 40);

// Width factor of a racing hull whose beam is changed by Ratio percent, held in single precision.
inline float RacingHullWidth(std::int32_t ratio)
{
    return static_cast<float>(1.0 + ratio / 100.0);
}

} // namespace zov
