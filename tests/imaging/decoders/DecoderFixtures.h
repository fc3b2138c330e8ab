#pragma once
// Small picture files built byte by byte, shared by the decoder tests and the fuzzers' seed
// corpus. Plain standard C++ only, so the fuzz build needs nothing else.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fixtures {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v);
void Put32(Bytes& b, std::uint32_t v);
void PutBE16(Bytes& b, std::uint32_t v);
void Append(Bytes& b, const Bytes& more);
Bytes FromString(const std::string& s);

// ---- BMP ----
struct BmpLayout {
    std::uint32_t infoSize = 40; // 12 for the OS/2 core header
    std::int32_t width = 0;
    std::int32_t height = 0; // negative: top-down
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> palette; // 0xRRGGBB, written as 4 (or 3 for OS/2) bytes each
    std::uint32_t colorsUsed = 0;
    // Red, green, blue, alpha. Written inside headers of 52 bytes and more (alpha from 56),
    // and after a 40-byte header when the compression is BI_BITFIELDS.
    std::uint32_t masks[4] = {0, 0, 0, 0};
    std::int32_t pelsPerMeterX = 0;
    std::int32_t pelsPerMeterY = 0;
    std::size_t gap = 0;                   // bytes between the colour table and the bits
    std::optional<std::uint32_t> offBits;  // overrides the computed pixel offset
    Bytes bits;
};
Bytes MakeBmp(const BmpLayout& layout);

// Packs pixel values into rows padded to 4 bytes. `rows` are in file order (the bottom row
// first for a bottom-up file). 1/4/8 bits are packed most significant first; 16/24/32-bit
// values are written little-endian.
Bytes BmpRows(int bitCount, const std::vector<std::vector<std::uint32_t>>& rows);

// ---- GIF ----
struct GifLayout {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint16_t screenWidth = 0; // 0: the image's size
    std::uint16_t screenHeight = 0;
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::vector<std::uint32_t> globalTable; // 0xRRGGBB; size a power of two from 2 to 256
    std::vector<std::uint32_t> localTable;
    int transparent = -1; // >= 0: a graphic control extension naming it
    bool interlaced = false;
    int minCodeSize = 8;
    Bytes extensions; // raw blocks placed before the image (after the graphic control)
    Bytes lzw;        // the code stream, cut into data sub-blocks
    std::size_t blockSize = 255;
    bool trailer = true;
};
Bytes MakeGif(const GifLayout& layout);

// A straightforward LZW compressor for GIF: `clearWhenFull` sends a clear code when the
// 4096-entry table fills, otherwise the table stays frozen and codes stay 12 bits wide.
Bytes LzwEncode(const std::vector<std::uint8_t>& pixels, int minCodeSize,
                bool clearWhenFull = true);
// Packs (code, width in bits) pairs least significant bit first, for hand-made streams.
Bytes PackCodes(const std::vector<std::pair<int, int>>& codes);

// ---- Samples ----
enum class Format { Bmp, Gif, Pnm };
struct Sample {
    std::string name;
    Format format;
    Bytes bytes;
    // Shortest prefix that still decodes (trailing bytes a reader may do without: a GIF
    // trailer, a plain any-map's final new line, the end marker after a complete RLE picture).
    std::size_t minComplete;
};
// One small valid file of every variant the decoders accept.
std::vector<Sample> Samples();

} // namespace fixtures
