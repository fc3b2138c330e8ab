#include "PageMetrics.h"

#include "CoverPage.h"
#include "Types.h"

#include <cmath>
#include <limits>

PageMetrics PageMetrics::FromDesign(const CoverPageFields& p) {
    return {p.designWidth,        p.designHeight,       p.designHoleWidth,
            p.designHoleHeight,   p.designSpineWidth,   p.designSpineHeight,
            p.designSpineOffsetX, p.designSpineOffsetY, p.designSpineCutoutX,
            p.designSpineCutoutY};
}

PageMetrics PageMetrics::Scaled(double zoom) const {
    auto s = [zoom](int v) { return TruncToInt32(v * zoom); };
    return {s(width),        s(height),       s(holeWidth),    s(holeHeight),
            s(spineWidth),   s(spineHeight),  s(spineOffsetX), s(spineOffsetY),
            s(spineCutoutX), s(spineCutoutY)};
}

void PageMetrics::StoreAsDesign(CoverPageFields& p) const {
    p.designWidth = width;
    p.designHeight = height;
    p.designHoleWidth = holeWidth;
    p.designHoleHeight = holeHeight;
    p.designSpineWidth = spineWidth;
    p.designSpineHeight = spineHeight;
    p.designSpineOffsetX = spineOffsetX;
    p.designSpineOffsetY = spineOffsetY;
    p.designSpineCutoutX = spineCutoutX;
    p.designSpineCutoutY = spineCutoutY;
}

int MillimetresToPixels(double mm, int dpi) {
    const double px = std::ceil(mm * 0.03937007874015748 * dpi);
    // Damaged pages can carry any double: keep the result a sane non-negative int.
    if (!std::isfinite(px) || px <= 0) return 0;
    if (px >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return static_cast<int>(px);
}

PrintRender ComputePrintRender(const CoverPageFields& page, int dpiX, int dpiY) {
    PrintRender r;
    r.labelWidth = MillimetresToPixels(page.width, dpiX);
    r.labelHeight = MillimetresToPixels(page.height, dpiY);

    std::int64_t bw = page.designWidth;
    std::int64_t bh = page.designHeight;
    int exponent = 0;
    // A page without a design size would double forever: it is rendered at design size.
    if (bw > 0 && bh > 0) {
        while (bw < r.labelWidth || bh < r.labelHeight) {
            bw *= 2;
            bh *= 2;
            ++exponent;
            if (bw * bh * 4 > PrintRender::kMaxPrintBitmapBytes) {
                bw /= 2;
                bh /= 2;
                --exponent;
                break;
            }
        }
    }
    r.printScaleExponent = static_cast<std::uint8_t>(exponent);

    const double rx = r.labelWidth > 0 ? static_cast<double>(bw) / r.labelWidth : 0.0;
    const float ry = r.labelHeight > 0 ? static_cast<float>(bh) / r.labelHeight : 0.0f;
    auto x = [&](double mm) { return TruncToInt32(MillimetresToPixels(mm, dpiX) * rx); };
    auto y = [&](double mm) { return TruncToInt32(MillimetresToPixels(mm, dpiY) * ry); };
    PageMetrics& m = r.printMetrics;
    m.width = static_cast<int>(bw);
    m.height = static_cast<int>(bh);
    m.holeWidth = x(page.holeWidth);
    m.holeHeight = y(page.holeHeight);
    m.spineWidth = x(page.spineWidth);
    m.spineHeight = y(page.spineHeight);
    m.spineOffsetX = x(page.spineOffsetX);
    m.spineOffsetY = y(page.spineOffsetY);
    m.spineCutoutX = x(page.spineCutoutX);
    m.spineCutoutY = y(page.spineCutoutY);
    return r;
}
