// Windows and OS/2 bitmap files: the facade's own decoder.
//
// Accepted: the 12-byte OS/2 core header and the Windows info headers of 40, 52, 56, 64
// (OS/2 2.x, whose first 40 bytes match), 108 and 124 bytes; 1, 4 and 8 bits per pixel
// uncompressed, RLE8 and RLE4; 16 and 32 bits uncompressed or with bit-field masks; 24 bits
// uncompressed. Colour-table pictures stay indexed; everything else becomes 24-bit pixels,
// with an alpha plane when an alpha mask is given.
#include "Decoders.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <new>

namespace imaging {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::size_t kFileHeaderSize = 14;

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t S32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

struct Header {
    std::uint32_t infoSize = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0; // rows, always positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    bool hasMasks = false;      // red/green/blue masks given in the file
    std::size_t paletteOffset = 0;
    std::size_t paletteEntrySize = 4;
};

// One colour channel of a bit-field pixel, scaled to 0..255 whatever the mask's width.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0; // largest value after shifting; 0 for an absent channel

    explicit Channel(std::uint32_t m) : mask(m) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        max = mask >> shift; // non-contiguous masks simply scale by their highest bit
    }
    std::uint32_t Get(std::uint32_t pixel) const {
        if (max == 0) return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint32_t>((v * 255 + max / 2) / max);
    }
};

int DpiFromPelsPerMeter(std::int32_t ppm) {
    if (ppm <= 0) return 96;
    const std::int64_t dpi = (static_cast<std::int64_t>(ppm) * 254 + 5000) / 10000;
    return dpi > 0 ? static_cast<int>(std::min<std::int64_t>(dpi, INT_MAX)) : 96;
}

bool ReadHeader(const std::uint8_t* data, std::size_t size, Header& h, std::string& error) {
    if (size < kFileHeaderSize + 4) {
        error = "Error reading BMP info";
        return false;
    }
    h.infoSize = U32(data + kFileHeaderSize);
    const std::uint8_t* info = data + kFileHeaderSize;
    switch (h.infoSize) {
    case 12: case 40: case 52: case 56: case 64: case 108: case 124: break;
    default:
        error = "Error reading BMP info";
        return false;
    }
    if (size < kFileHeaderSize + h.infoSize) {
        error = "Error reading BMP info";
        return false;
    }
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (h.infoSize == 12) {
        width = U16(info + 4);
        height = U16(info + 6);
        h.bitCount = U16(info + 10);
        h.paletteEntrySize = 3;
    } else {
        width = S32(info + 4);
        height = S32(info + 8);
        h.bitCount = U16(info + 14);
        h.compression = U32(info + 16);
        h.xPelsPerMeter = S32(info + 24);
        h.yPelsPerMeter = S32(info + 28);
        h.colorsUsed = U32(info + 32);
        // The OS/2 2.x header reuses codes 3 and 4 for Huffman and RLE24.
        if (h.infoSize == 64 && (h.compression == 3 || h.compression == 4)) {
            error = "compression type not supported";
            return false;
        }
        if (h.infoSize >= 52 && h.infoSize != 64) {
            for (int i = 0; i < 3; ++i) h.masks[i] = U32(info + 40 + 4 * i);
            h.hasMasks = true;
        }
        if (h.infoSize >= 56 && h.infoSize != 64) h.masks[3] = U32(info + 52);
    }
    h.paletteOffset = kFileHeaderSize + h.infoSize;
    if (h.compression == kBiBitfields && (h.infoSize == 40 || h.infoSize == 64)) {
        // The three masks follow the short header.
        if (size < h.paletteOffset + 12) {
            error = "Error reading BMP info";
            return false;
        }
        for (int i = 0; i < 3; ++i) h.masks[i] = U32(data + h.paletteOffset + 4 * i);
        h.hasMasks = true;
        h.paletteOffset += 12;
    }

    switch (h.compression) {
    case kBiRgb: case kBiRle8: case kBiRle4: case kBiBitfields: break;
    case 4: case 5: case 6: case 11: case 12: case 13: // JPEG, PNG, alpha bit fields, CMYK
        error = "compression type not supported";
        return false;
    default:
        error = "unknown compression";
        return false;
    }
    switch (h.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default:
        error = "Error reading BMP info";
        return false;
    }
    const bool fits = (h.compression == kBiRgb) ||
                      (h.compression == kBiRle8 && h.bitCount == 8) ||
                      (h.compression == kBiRle4 && h.bitCount == 4) ||
                      (h.compression == kBiBitfields && (h.bitCount == 16 || h.bitCount == 32));
    if (!fits) {
        error = "compression type not supported";
        return false;
    }
    if (h.infoSize == 12 && h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 &&
        h.bitCount != 24) {
        error = "Error reading BMP info";
        return false;
    }
    h.topDown = height < 0;
    if (height < 0) height = -height; // int64: INT32_MIN negates safely
    if (!SizeAcceptable(static_cast<std::uint64_t>(std::max<std::int64_t>(width, 0)),
                        static_cast<std::uint64_t>(height))) {
        error = "Error reading BMP info";
        return false;
    }
    h.width = static_cast<std::uint32_t>(width);
    h.height = static_cast<std::uint32_t>(height);
    return true;
}

// Where the pixel bits start: the header's offset when it points past the info header,
// else (a zero or nonsensical offset, written by some old tools) right after the colour
// table. Returns 0 when that place is beyond the file.
std::size_t PixelOffset(const std::uint8_t* data, std::size_t size, const Header& h,
                        std::size_t paletteBytes) {
    const std::size_t declared = U32(data + 10);
    std::size_t offset = declared >= kFileHeaderSize + h.infoSize
                             ? declared
                             : h.paletteOffset + paletteBytes;
    return offset < size ? offset : 0;
}

// Stores file row `fileRow` (0 = first row in the file) at its place in the top-down picture.
std::size_t PictureRow(const Header& h, std::uint32_t fileRow) {
    return h.topDown ? fileRow : h.height - 1 - fileRow;
}

// RLE8 and RLE4. Pixels not written by the stream keep index 0. Runs and absolute runs
// that go past the end of a row are cut there; a delta or end-of-line past the last row
// ends the picture. A stream that stops before it is complete (no end-of-bitmap, rows
// left, or a command cut short) is a truncated file and fails.
bool DecodeRle(const std::uint8_t* p, const std::uint8_t* end, const Header& h,
               std::vector<std::uint8_t>& indices) {
    const bool four = h.compression == kBiRle4;
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    auto put = [&](std::uint8_t v) {
        if (x < h.width) indices[PictureRow(h, y) * h.width + x] = v;
        ++x;
    };
    while (y < h.height) {
        if (end - p < 2) {
            // A stream whose last row is full is whole even without its closing marker.
            return y == h.height - 1 && x >= h.width;
        }
        const std::uint8_t count = p[0];
        const std::uint8_t value = p[1];
        p += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count && x < h.width; ++i)
                put(four ? ((i & 1) ? (value & 0x0f) : (value >> 4)) : value);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return true;
        case 2: // delta
            if (end - p < 2) return false;
            x += p[0];
            y += p[1];
            p += 2;
            break;
        default: { // absolute run of `value` pixels, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1u) / 2u : value;
            const std::size_t padded = (bytes + 1u) & ~std::size_t{1};
            if (static_cast<std::size_t>(end - p) < padded) return false;
            for (unsigned i = 0; i < value && x < h.width; ++i)
                put(four ? ((i & 1) ? (p[i / 2] & 0x0f) : (p[i / 2] >> 4)) : p[i]);
            p += padded;
            break;
        }
        }
    }
    return true;
}

bool DecodeBmpImpl(const std::uint8_t* data, std::size_t size, Picture& out,
                   std::string& error) {
    if (data == nullptr || size < 2 || data[0] != 'B' || data[1] != 'M') {
        error = "Not a BMP";
        return false;
    }
    Header h;
    if (!ReadHeader(data, size, h, error)) return false;

    Picture pic;
    pic.width = static_cast<int>(h.width);
    pic.height = static_cast<int>(h.height);
    if (h.infoSize != 12) {
        pic.dpiX = DpiFromPelsPerMeter(h.xPelsPerMeter);
        pic.dpiY = DpiFromPelsPerMeter(h.yPelsPerMeter);
    }

    // Colour table: biClrUsed entries (all 2^n when 0 or too many), cut at the file's end
    // and at the pixel offset. The vector always has 2^n entries, the missing ones black,
    // so that no stored index can reach past it.
    std::size_t paletteBytes = 0;
    if (h.bitCount <= 8) {
        const std::size_t full = std::size_t{1} << h.bitCount;
        std::size_t count = (h.colorsUsed == 0 || h.colorsUsed > full) ? full : h.colorsUsed;
        std::size_t limit = size;
        const std::size_t declared = U32(data + 10);
        if (declared > h.paletteOffset) limit = std::min(limit, declared);
        const std::size_t room =
            limit > h.paletteOffset ? (limit - h.paletteOffset) / h.paletteEntrySize : 0;
        paletteBytes = count * h.paletteEntrySize;
        count = std::min(count, room);
        pic.bitCount = h.bitCount;
        pic.palette.assign(full, 0xff000000u);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* e = data + h.paletteOffset + i * h.paletteEntrySize;
            pic.palette[i] = qRgb(e[2], e[1], e[0]);
        }
    }

    const std::size_t offset = PixelOffset(data, size, h, paletteBytes);
    if (offset == 0) {
        error = "Error reading BMP data";
        return false;
    }
    const std::uint8_t* bits = data + offset;
    const std::size_t available = size - offset;
    const std::size_t pixelCount = std::size_t{h.width} * h.height;

    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        pic.indices.assign(pixelCount, 0);
        if (!DecodeRle(bits, data + size, h, pic.indices)) {
            error = "Error reading BMP data";
            return false;
        }
        out = std::move(pic);
        return true;
    }

    // Uncompressed rows are padded to 4 bytes. The file must hold every row before anything
    // is allocated; only the padding of the last row may be missing.
    const std::uint64_t rowBytes = (std::uint64_t{h.width} * h.bitCount + 7) / 8;
    const std::uint64_t stride = (rowBytes + 3) & ~std::uint64_t{3};
    if (available < stride * (h.height - 1) + rowBytes) {
        error = "Error reading BMP data";
        return false;
    }

    if (h.bitCount <= 8) {
        pic.indices.resize(pixelCount);
        const int perByte = 8 / h.bitCount;
        const unsigned mask = (1u << h.bitCount) - 1;
        for (std::uint32_t r = 0; r < h.height; ++r) {
            const std::uint8_t* row = bits + stride * r;
            std::uint8_t* dst = pic.indices.data() + PictureRow(h, r) * h.width;
            for (std::uint32_t x = 0; x < h.width; ++x) {
                const unsigned shift = 8 - h.bitCount * (x % perByte + 1);
                dst[x] = static_cast<std::uint8_t>((row[x / perByte] >> shift) & mask);
            }
        }
        out = std::move(pic);
        return true;
    }

    pic.bitCount = 24;
    pic.pixels.resize(pixelCount);
    if (h.bitCount == 24) {
        for (std::uint32_t r = 0; r < h.height; ++r) {
            const std::uint8_t* row = bits + stride * r;
            QRgb* dst = pic.pixels.data() + PictureRow(h, r) * h.width;
            for (std::uint32_t x = 0; x < h.width; ++x)
                dst[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        }
        out = std::move(pic);
        return true;
    }

    // 16 and 32 bits: the file's masks with BI_BITFIELDS, else 5-5-5 or 8-8-8. The alpha mask
    // of a header that has one applies to bit fields and to 32-bit BI_RGB data, whose fourth
    // byte carries alpha in such files.
    std::uint32_t masks[4] = {0, 0, 0, 0};
    if (h.compression == kBiBitfields && h.hasMasks) {
        std::copy(h.masks, h.masks + 3, masks);
    } else if (h.bitCount == 16) {
        masks[0] = 0x7c00; masks[1] = 0x03e0; masks[2] = 0x001f;
    } else {
        masks[0] = 0x00ff0000; masks[1] = 0x0000ff00; masks[2] = 0x000000ff;
    }
    if (h.compression == kBiBitfields || h.bitCount == 32) masks[3] = h.masks[3];
    if (h.bitCount == 16)
        for (auto& m : masks) m &= 0xffffu;
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    const bool withAlpha = alpha.max != 0;
    if (withAlpha) pic.alpha.resize(pixelCount);
    bool anyAlpha = false;
    const unsigned bytesPerPixel = static_cast<unsigned>(h.bitCount) / 8;
    for (std::uint32_t r = 0; r < h.height; ++r) {
        const std::uint8_t* row = bits + stride * r;
        const std::size_t base = PictureRow(h, r) * h.width;
        for (std::uint32_t x = 0; x < h.width; ++x) {
            const std::uint8_t* s = row + bytesPerPixel * x;
            const std::uint32_t v = bytesPerPixel == 2 ? U16(s) : U32(s);
            pic.pixels[base + x] = qRgb(static_cast<int>(red.Get(v)),
                                        static_cast<int>(green.Get(v)),
                                        static_cast<int>(blue.Get(v)));
            if (withAlpha) {
                const auto a = static_cast<std::uint8_t>(alpha.Get(v));
                pic.alpha[base + x] = a;
                anyAlpha = anyAlpha || a != 0;
            }
        }
    }
    // Writers that leave the alpha byte unused (all zero) far outnumber pictures meant to be
    // wholly invisible, so an alpha channel without a single nonzero value is dropped.
    if (withAlpha && !anyAlpha) pic.alpha.clear();
    out = std::move(pic);
    return true;
}

} // namespace

bool DecodeBmp(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error) {
    try {
        return DecodeBmpImpl(data, size, out, error);
    } catch (const std::bad_alloc&) {
        error = "Can't allocate memory";
        return false;
    }
}

} // namespace imaging
