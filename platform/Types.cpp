#include "Types.h"

#include <cmath>
#include <cstdlib>
#include <limits>

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t num = static_cast<std::int64_t>(a) * b;
    const bool negative = (num < 0) != (c < 0);
    const std::uint64_t n = static_cast<std::uint64_t>(num < 0 ? -num : num);
    const std::uint64_t d = static_cast<std::uint64_t>(c < 0 ? -static_cast<std::int64_t>(c) : c);
    const std::uint64_t q = (n + d / 2) / d;
    if (q > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) return -1;
    return negative ? -static_cast<int>(q) : static_cast<int>(q);
}

std::int32_t ClampToInt32(std::int64_t v) {
    if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

std::int32_t TruncToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}
