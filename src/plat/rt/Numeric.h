#pragma once
// Number conversions with the semantics the geometry relies on: reals become integers by
// rounding half to even, and stores into narrow fields are checked rather than truncated.

#include "plat/rt/Errors.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace rt {

// Nearest integer, ties to even: Round(2.5) = 2, Round(-0.5) = 0, Round(3.5) = 4.
// Never use qRound or std::round for model values: they round ties away from zero.
inline std::int64_t Round(double v)
{
    if (!std::isfinite(v) || v >= 9.2233720368547758e18 || v < -9.2233720368547758e18)
        throw RangeError("Invalid floating point operation");
    return static_cast<std::int64_t>(std::nearbyint(v));
}

// Rounds to a 32-bit integer; a value outside that range is a range error.
inline std::int32_t RoundI32(double v)
{
    const std::int64_t r = Round(v);
    if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
        throw RangeError();
    return static_cast<std::int32_t>(r);
}

// Rounds half to even into 32 bits, holding values beyond the range at its ends (not a number
// gives 0): for derived display values that must never stop a paint.
inline std::int32_t SaturateI32(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(std::nearbyint(v));
}

// Stores V into a field of type T, raising RangeError when it does not fit.
template <typename T> T checked(std::int64_t v)
{
    if (v < static_cast<std::int64_t>(std::numeric_limits<T>::min())
        || v > static_cast<std::int64_t>(std::numeric_limits<T>::max()))
        throw RangeError("Range check error: " + std::to_string(v));
    return static_cast<T>(v);
}

// Wrapping 32-bit arithmetic for sums of positions and offsets: far out they wrap, as all of the
// program's integer arithmetic does, rather than stop.
inline std::int32_t wrapAdd(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

constexpr double Pi = 3.14159265358979323846;

// Degrees to radians as the model computes them: pi x h / 180 held in single precision.
inline float DegToRadF(double degrees)
{
    return static_cast<float>(Pi * degrees / 180.0);
}

} // namespace rt
