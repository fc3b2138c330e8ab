#pragma once
// The decoded picture an ImageCodec holds. Decoders fill it; the codec rotates and draws it.
// Rows are stored top-down (row 0 is the top row of the picture); code that follows the
// bottom-up convention of Windows bitmaps converts with y = height - 1 - row.
#include <QtGui/qrgb.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace imaging {

// Largest picture any decoder accepts: 2^28 pixels (16384 x 16384), about 1 GiB as 32-bit
// pixels. Claimed sizes above it are lies or attacks, and fail before any allocation.
constexpr std::uint64_t kMaxPixels = 1ull << 28;

struct Picture {
    int width = 0;
    int height = 0;
    // 1, 4 or 8: `indices` and `palette` hold the picture; 24: `pixels` holds it.
    int bitCount = 24;
    std::vector<std::uint8_t> indices; // width * height colour-table indices, top-down
    std::vector<QRgb> palette;         // colour table; qAlpha is the entry's alpha
    std::vector<QRgb> pixels;          // width * height, 0xffRRGGBB, top-down
    std::vector<std::uint8_t> alpha;   // empty, or width * height alpha values, top-down
    bool paletteAlpha = false;         // palette alpha values apply when drawing
    int transparentIndex = -1;         // colour-table pictures: index, -1 for none
    bool hasTransparentRgb = false;    // 24-bit pictures: transparentRgb is transparent
    QRgb transparentRgb = 0;
    int opacity = 255;
    int dpiX = 96;
    int dpiY = 96;

    bool IsValid() const { return width > 0 && height > 0; }
    // Makes the picture 8-bit grey (indices are the grey levels) with room for n pixels.
    void MakeGrey8(std::size_t n) {
        bitCount = 8;
        palette.resize(256);
        for (int i = 0; i < 256; ++i) palette[static_cast<std::size_t>(i)] = qRgb(i, i, i);
        indices.resize(n);
    }
    bool IsIndexed() const { return bitCount <= 8; }
    // The colour of pixel (x, y) counted from the top-left, ignoring transparency.
    QRgb ColorAt(int x, int y) const {
        const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                              static_cast<std::size_t>(x);
        if (!IsIndexed()) return pixels[i];
        const std::uint8_t k = indices[i];
        return k < palette.size() ? (palette[k] | 0xff000000u) : 0xff000000u;
    }
};

// Whether a width x height picture is within kMaxPixels (and both sizes are positive).
inline bool SizeAcceptable(std::uint64_t width, std::uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxPixels && height <= kMaxPixels &&
           width * height <= kMaxPixels;
}

} // namespace imaging
