#pragma once
// Design units per millimetre for each kind of surface. Pages are edited in integer design
// units; these fixed factors turn a template's millimetres into that space.
#include <cstdint>

struct DesignScale {
    double fx = 3.75;        // width
    double fy = 3.75;        // height
    double spineW = 0;       // spine width
    double spineH = 0;       // spine height
    double spineOffsetX = 0; // spine offset X
    double cutoutX = 0;      // spine cut-out X
    double cutoutY = 0;      // spine cut-out Y
    static constexpr double kHole = 3.75; // the hole of every surface

    // Factors of a surface code (0 front, 1 back, 2 slimline CD insert, 3 DVD wrap,
    // 4 slimline DVD wrap, 5 disc; any other value scales as a disc).
    static DesignScale ForSide(std::int32_t side);
};

// mm x factor, truncated toward zero and kept inside the 32-bit range.
std::int32_t ToDesignUnits(double mm, double factor);
