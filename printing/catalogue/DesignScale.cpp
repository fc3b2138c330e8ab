#include "DesignScale.h"

#include <cmath>
#include <limits>

DesignScale DesignScale::ForSide(std::int32_t side) {
    switch (side) {
    case 0:
        return {375.0 / 120.65, 375.0 / 120.65, 0, 0, 0, 0, 0};
    case 1:
        return {460.0 / 150.0, 362.0 / 118.0, 460.0 / 150.0, 362.0 / 118.0, 0, 0, 0};
    case 2:
        return {575.0 / 195.0, 355.0 / 121.0, 460.0 / 150.0, 355.0 / 121.0,
                3.3926666666666665, 3.3925, 2.938};
    case 3:
        return {480.0 / 274.0, 1.75, 236.0 / 135.0, 1.75, 0, 0, 0};
    case 4:
        return {480.0 / 267.5, 1.75, 54.0 / 35.0, 1.75, 0, 0, 0};
    default:
        return {3.75, 3.75, 0, 0, 0, 0, 0};
    }
}

std::int32_t ToDesignUnits(double mm, double factor) {
    const double v = std::trunc(mm * factor);
    // Catalogue values are user-editable; a wild value must not become undefined behaviour.
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (v <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}
