#pragma once
// Round to the nearest integer, halves to even, as every length conversion of the engine does.

#include <cmath>
#include <cstdint>

inline std::int64_t qrRound(long double x)
{
    return std::int64_t(std::nearbyintl(x));   // default rounding mode: to nearest, ties to even
}

inline int qrRound32(long double x)
{
    constexpr long double lo = -2147483648.0L, hi = 2147483647.0L;
    if (!(x >= lo))   // also NaN
        return x != x ? 0 : INT32_MIN;
    if (x > hi)
        return INT32_MAX;
    return int(std::nearbyintl(x));
}
