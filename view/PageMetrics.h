#pragma once
// The ten outline sizes of a page, and the size of the off-screen bitmap a page is
// rendered into for a printer.
#include <cstdint>

struct CoverPageFields;

struct PageMetrics {
    int width = 0, height = 0;
    int holeWidth = 0, holeHeight = 0;
    int spineWidth = 0, spineHeight = 0;
    int spineOffsetX = 0, spineOffsetY = 0;
    int spineCutoutX = 0, spineCutoutY = 0;

    // The page's design-unit sizes.
    static PageMetrics FromDesign(const CoverPageFields& page);
    // Every value times zoom, truncated toward zero.
    PageMetrics Scaled(double zoom) const;
    // Writes the ten values over the page's design-unit sizes.
    void StoreAsDesign(CoverPageFields& page) const;

    friend bool operator==(const PageMetrics&, const PageMetrics&) = default;
};

// How a page is rendered for a printer: the label's size in printer pixels, and an
// off-screen bitmap that is the design size doubled until it reaches that size, so the
// printer's stretch only ever shrinks (oversampling) — unless the doubling would pass
// kMaxPrintBitmapBytes, where it stops one step earlier.
struct PrintRender {
    static constexpr std::int64_t kMaxPrintBitmapBytes = 40'000'000;

    int labelWidth = 0;  // printer pixels
    int labelHeight = 0;
    std::uint8_t printScaleExponent = 0; // the bitmap is the design size times 2^this
    PageMetrics printMetrics;            // width/height = the bitmap's size
};

// Millimetres to printer pixels, rounded up.
int MillimetresToPixels(double mm, int dpi);
PrintRender ComputePrintRender(const CoverPageFields& page, int dpiX, int dpiY);
