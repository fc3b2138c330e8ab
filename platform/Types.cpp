#include "Types.h"

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
