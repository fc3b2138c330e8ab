#include "DesignScale.h"

#include "Types.h"

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
    // Catalogue values are user-editable; a wild value must not become undefined behaviour.
    return TruncToInt32(mm * factor);
}
