#include "DecoderTestUtil.h"

#include <climits>
#include <functional>

using namespace dtest;
using fixtures::BmpRows;
using fixtures::BmpLayout;
using fixtures::Bytes;
using fixtures::MakeBmp;

namespace {

constexpr std::uint32_t R = 0xff0000, G = 0x00ff00, B = 0x0000ff, K = 0x000000;

BmpLayout Layout(std::int32_t w, std::int32_t h, int bits, Bytes pixelBytes,
             std::vector<std::uint32_t> palette = {}) {
    BmpLayout s;
    s.width = w;
    s.height = h;
    s.bitCount = static_cast<std::uint16_t>(bits);
    s.bits = std::move(pixelBytes);
    s.palette = std::move(palette);
    return s;
}

BmpLayout With(BmpLayout s, const std::function<void(BmpLayout&)>& change) {
    change(s);
    return s;
}

} // namespace

TEST(BmpDecoder, DecodesEveryLayoutToItsColours) {
    struct Case {
        std::string name;
        BmpLayout layout;
        int bitCount;
        Rows expected;
    };
    const std::uint32_t c0 = 0x102030, c1 = 0xf0e0d0;
    std::vector<Case> cases = {
        {"1 bit, bottom-up, padded rows",
         Layout(10, 3, 1,
              BmpRows(1, {{1, 0, 1, 0, 1, 0, 1, 0, 1, 1},
                          {0, 0, 0, 0, 1, 1, 1, 1, 0, 0},
                          {1, 1, 0, 0, 1, 1, 0, 0, 1, 0}}),
              {c0, c1}),
         1,
         {{c1, c1, c0, c0, c1, c1, c0, c0, c1, c0},
          {c0, c0, c0, c0, c1, c1, c1, c1, c0, c0},
          {c1, c0, c1, c0, c1, c0, c1, c0, c1, c1}}},
        {"4 bits, top-down, index past a 3-entry table is black",
         With(Layout(5, -2, 4, BmpRows(4, {{0, 1, 2, 1, 0}, {2, 2, 1, 0, 7}}), {R, G, B}),
              [](BmpLayout& s) { s.colorsUsed = 3; }),
         4,
         {{R, G, B, G, R}, {B, B, G, R, K}}},
        {"8 bits, OS/2 core header with 3-byte entries",
         With(Layout(4, 2, 8, BmpRows(8, {{0, 1, 2, 3}, {3, 2, 1, 0}}),
                   [] {
                       std::vector<std::uint32_t> p;
                       for (std::uint32_t i = 0; i < 256; ++i) p.push_back(i * 0x010101u + 0x400000u * (i < 4));
                       return p;
                   }()),
              [](BmpLayout& s) { s.infoSize = 12; }),
         8,
         {{0x430303, 0x420202, 0x410101, 0x400000}, {0x400000, 0x410101, 0x420202, 0x430303}}},
        {"8 bits, index past a 2-entry table is black",
         With(Layout(3, 1, 8, BmpRows(8, {{0, 1, 200}}), {0x112233, 0x445566}),
              [](BmpLayout& s) { s.colorsUsed = 2; }),
         8,
         {{0x112233, 0x445566, K}}},
        {"8 bits, colour count beyond 256 is clamped",
         With(Layout(2, 1, 8, BmpRows(8, {{1, 0}}), {0x010101, 0x020202}),
              [](BmpLayout& s) { s.colorsUsed = 0xffffffff; }),
         8,
         {{0x020202, 0x010101}}},
        {"16 bits, 5-5-5 by default",
         Layout(3, 1, 16, BmpRows(16, {{0x7c00, 0x03e0, 0x4210}})), 24, {{R, G, 0x848484}}},
        {"16 bits, 5-6-5 fields",
         With(Layout(3, 1, 16, BmpRows(16, {{0xf800, 0x07e0, 0x8410}})),
              [](BmpLayout& s) {
                  s.compression = 3;
                  s.masks[0] = 0xf800; s.masks[1] = 0x07e0; s.masks[2] = 0x001f;
              }),
         24,
         {{R, G, 0x848284}}},
        {"32 bits, 8-8-8 by default, top byte ignored",
         Layout(2, 1, 32, BmpRows(32, {{0x00123456, 0xff654321}})), 24, {{0x123456, 0x654321}}},
        {"32 bits, 10-10-10 fields are scaled to 8 bits",
         With(Layout(2, 1, 32, BmpRows(32, {{(1023u << 20) | (512u << 10) | 1u, (1023u << 10) | 4u}})),
              [](BmpLayout& s) {
                  s.compression = 3;
                  s.masks[0] = 0x3ff00000; s.masks[1] = 0x000ffc00; s.masks[2] = 0x000003ff;
              }),
         24,
         {{0xff8000, 0x00ff01}}},
        {"32 bits, 1-bit and missing channels",
         With(Layout(2, 1, 32, BmpRows(32, {{0x0001ff00, 0x00000000}})),
              [](BmpLayout& s) {
                  s.infoSize = 52;
                  s.compression = 3;
                  s.masks[0] = 0x00010000; s.masks[1] = 0; s.masks[2] = 0x0000ff00;
              }),
         24,
         {{0xff00ff, K}}},
        {"pixel offset past a gap is honoured",
         With(Layout(1, 1, 24, BmpRows(24, {{0x123456}})), [](BmpLayout& s) { s.gap = 5; }), 24,
         {{0x123456}}},
        {"zero pixel offset means right after the colour table",
         With(Layout(2, 1, 8, BmpRows(8, {{1, 0}}), {0x0000aa, 0x00bb00}),
              [](BmpLayout& s) { s.offBits = 0; s.colorsUsed = 2; }),
         8,
         {{0x00bb00, 0x0000aa}}},
    };
    for (std::uint32_t header : {40u, 52u, 56u, 64u, 108u, 124u}) {
        cases.push_back({"24 bits, " + std::to_string(header) + "-byte header",
                         With(Layout(2, 2, 24, BmpRows(24, {{0x010203, 0xa0b0c0}, {0xffffff, K}})),
                              [header](BmpLayout& s) { s.infoSize = header; }),
                         24,
                         {{0xffffff, K}, {0x010203, 0xa0b0c0}}});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = MakeBmp(c.layout);
        const Result r = Decode(imaging::DecodeBmp, file);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(Consistent(r.pic));
        EXPECT_EQ(r.pic.bitCount, c.bitCount);
        EXPECT_TRUE(HasColors(r.pic, c.expected));
        EXPECT_TRUE(r.pic.alpha.empty());
        EXPECT_EQ(r.pic.transparentIndex, -1);
    }
}

TEST(BmpDecoder, AlphaMaskFillsTheAlphaPlane) {
    struct Case {
        std::string name;
        BmpLayout layout;
        std::vector<std::uint8_t> alpha; // top-down; empty: no alpha plane
        Rows colours;
    };
    auto fields = [](std::uint32_t header, std::uint32_t compression, std::uint32_t alphaMask,
                     int bits, Bytes px) {
        BmpLayout s = Layout(2, 2, bits, std::move(px));
        s.infoSize = header;
        s.compression = compression;
        if (bits == 32) {
            s.masks[0] = 0x00ff0000; s.masks[1] = 0x0000ff00; s.masks[2] = 0x000000ff;
        } else {
            s.masks[0] = 0x7c00; s.masks[1] = 0x03e0; s.masks[2] = 0x001f;
        }
        s.masks[3] = alphaMask;
        return s;
    };
    const Bytes argb = BmpRows(32, {{0xffff0000, 0x8000ff00}, {0x000000ff, 0x40404040}});
    const std::vector<Case> cases = {
        {"V4 bit fields", fields(108, 3, 0xff000000, 32, argb), {0x00, 0x40, 0xff, 0x80},
         {{B, 0x404040}, {R, G}}},
        {"V5 with BI_RGB keeps its alpha mask", fields(124, 0, 0xff000000, 32, argb),
         {0x00, 0x40, 0xff, 0x80}, {{B, 0x404040}, {R, G}}},
        {"56-byte header", fields(56, 3, 0xff000000, 32, argb), {0x00, 0x40, 0xff, 0x80},
         {{B, 0x404040}, {R, G}}},
        {"16-bit 1-5-5-5", fields(56, 3, 0x8000, 16, BmpRows(16, {{0xfc00, 0x03e0}, {0x801f, 0x7fff}})),
         {0xff, 0x00, 0xff, 0x00}, {{B, 0xffffff}, {R, G}}},
        {"a 40-byte header has no alpha", fields(40, 0, 0, 32, argb), {}, {{B, 0x404040}, {R, G}}},
        {"an alpha channel that is zero everywhere is no alpha",
         fields(124, 3, 0xff000000, 32, BmpRows(32, {{0x00ff0000, 0x0000ff00}, {0x000000ff, 0}})),
         {}, {{B, K}, {R, G}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Decode(imaging::DecodeBmp, MakeBmp(c.layout));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(Consistent(r.pic));
        EXPECT_EQ(r.pic.alpha, c.alpha);
        EXPECT_TRUE(HasColors(r.pic, c.colours));
    }
}

TEST(BmpDecoder, ResolutionComesFromPixelsPerMetre) {
    struct Case {
        std::uint32_t header;
        std::int32_t ppmX, ppmY;
        int dpiX, dpiY;
    };
    for (const Case c : {Case{40, 11811, 3780, 300, 96}, Case{124, 2835, 5906, 72, 150},
                         Case{40, 0, -5, 96, 96}, Case{40, 1, 39, 96, 1},
                         Case{12, 11811, 11811, 96, 96}}) {
        SCOPED_TRACE(c.ppmX);
        BmpLayout s = Layout(1, 1, 24, BmpRows(24, {{0}}));
        s.infoSize = c.header;
        s.pelsPerMeterX = c.ppmX;
        s.pelsPerMeterY = c.ppmY;
        const Result r = Decode(imaging::DecodeBmp, MakeBmp(s));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.pic.dpiX, c.dpiX);
        EXPECT_EQ(r.pic.dpiY, c.dpiY);
    }
}

// Run-length streams, well formed and broken. Unwritten pixels stay index 0; nothing spills
// into the next row; a stream cut short is a truncated file.
TEST(BmpDecoder, RunLengthStreams) {
    struct Case {
        std::string name;
        int bits; // 8: RLE8, 4: RLE4
        int width, height;
        Bytes stream;
        bool ok;
        std::vector<std::vector<std::uint8_t>> indices; // top row first
    };
    const std::vector<Case> cases = {
        {"runs, absolute runs, delta, end of line, end of bitmap", 8, 6, 4,
         {0x03, 0x01, 0x00, 0x03, 0x02, 0x03, 0x02, 0x00, 0x00, 0x00, 0x02, 0x01, 0x00, 0x02,
          0x03, 0x01, 0x01, 0x03, 0x00, 0x00, 0x06, 0x02, 0x00, 0x01},
         true,
         {{2, 2, 2, 2, 2, 2}, {0, 0, 0, 0, 0, 3}, {1, 1, 0, 0, 0, 0}, {1, 1, 1, 2, 3, 2}}},
        {"a run longer than the row is cut at its end", 8, 4, 2,
         {0x08, 0x01, 0x00, 0x00, 0x02, 0x02, 0x00, 0x01}, true, {{2, 2, 0, 0}, {1, 1, 1, 1}}},
        {"an absolute run longer than the row is cut at its end", 8, 3, 2,
         {0x00, 0x05, 0x01, 0x02, 0x03, 0x01, 0x02, 0x00, 0x00, 0x00, 0x01, 0x03, 0x00, 0x01},
         true, {{3, 0, 0}, {1, 2, 3}}},
        {"a delta below the last row ends the picture", 8, 2, 2,
         {0x02, 0x01, 0x00, 0x02, 0x00, 0x05, 0x02, 0x02}, true, {{0, 0}, {1, 1}}},
        {"an end of line past the last row ends the picture", 8, 2, 1,
         {0x02, 0x01, 0x00, 0x00, 0x02, 0x02}, true, {{1, 1}}},
        {"a delta to the right within the row", 8, 4, 1,
         {0x00, 0x02, 0x02, 0x00, 0x02, 0x01, 0x00, 0x01}, true, {{0, 0, 1, 1}}},
        {"end of bitmap at once leaves index 0", 8, 2, 2, {0x00, 0x01}, true, {{0, 0}, {0, 0}}},
        {"a full last row needs no end marker", 8, 2, 1, {0x02, 0x05}, true, {{5, 5}}},
        {"an absolute run cut by the end of the file", 8, 4, 1, {0x00, 0x04, 0x01, 0x02}, false, {}},
        {"a delta cut by the end of the file", 8, 2, 1, {0x00, 0x02, 0x01}, false, {}},
        {"rows left when the stream ends", 8, 2, 2, {0x02, 0x01, 0x00, 0x00}, false, {}},
        {"a stray byte after an unfinished row", 8, 2, 1, {0x01, 0x01, 0x00}, false, {}},
        {"RLE4: runs alternate the two nibbles", 4, 5, 1, {0x05, 0xab, 0x00, 0x01}, true,
         {{10, 11, 10, 11, 10}}},
        {"RLE4: odd absolute run", 4, 3, 2, {0x00, 0x03, 0x12, 0x30, 0x00, 0x00, 0x02, 0x44, 0x00, 0x01},
         true, {{4, 4, 0}, {1, 2, 3}}},
        {"RLE4: absolute run past the row", 4, 2, 1, {0x00, 0x05, 0x12, 0x34, 0x50, 0x00, 0x00, 0x01},
         true, {{1, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BmpLayout s = Layout(c.width, c.height, c.bits, c.stream);
        s.compression = c.bits == 8 ? 1 : 2;
        const Result r = Decode(imaging::DecodeBmp, MakeBmp(s));
        ASSERT_EQ(r.ok, c.ok) << r.error;
        if (!c.ok) continue;
        EXPECT_TRUE(Consistent(r.pic));
        std::vector<std::uint8_t> flat;
        for (const auto& row : c.indices) flat.insert(flat.end(), row.begin(), row.end());
        EXPECT_EQ(r.pic.indices, flat);
    }
}

TEST(BmpDecoder, RejectsWhatItCannotRead) {
    struct Case {
        std::string name;
        Bytes file;
        std::string error; // empty: any failure text
    };
    const BmpLayout rgb = Layout(2, 2, 24, BmpRows(24, {{1, 2}, {3, 4}}));
    auto bmp = [&](const std::function<void(BmpLayout&)>& change) { return MakeBmp(With(rgb, change)); };
    auto patched = [](Bytes b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
        return b;
    };
    const std::string info = "Error reading BMP info";
    const std::string unsupported = "compression type not supported";
    std::vector<Case> cases = {
        {"empty", {}, "Not a BMP"},
        {"wrong signature", [&] { Bytes b = MakeBmp(rgb); b[1] = 'A'; return b; }(), "Not a BMP"},
        {"file header only", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, info},
        {"info header of 20 bytes", patched(MakeBmp(rgb), 14, 20), info},
        {"info header cut", [&] { Bytes b = MakeBmp(rgb); b.resize(40); return b; }(), info},
        {"zero width", bmp([](BmpLayout& s) { s.width = 0; }), info},
        {"zero height", bmp([](BmpLayout& s) { s.height = 0; }), info},
        {"negative width", bmp([](BmpLayout& s) { s.width = -2; }), info},
        {"height INT_MIN", bmp([](BmpLayout& s) { s.height = INT_MIN; }), info},
        {"65536 x 65536", bmp([](BmpLayout& s) { s.width = 65536; s.height = 65536; }), info},
        {"just above the pixel limit", bmp([](BmpLayout& s) { s.width = 16385; s.height = 16384; }), info},
        {"0 bits per pixel", bmp([](BmpLayout& s) { s.bitCount = 0; }), info},
        {"2 bits per pixel", bmp([](BmpLayout& s) { s.bitCount = 2; }), info},
        {"64 bits per pixel", bmp([](BmpLayout& s) { s.bitCount = 64; }), info},
        {"OS/2 header with 16 bits", bmp([](BmpLayout& s) { s.infoSize = 12; s.bitCount = 16; }), info},
        {"JPEG inside", bmp([](BmpLayout& s) { s.compression = 4; }), unsupported},
        {"PNG inside", bmp([](BmpLayout& s) { s.compression = 5; }), unsupported},
        {"CMYK", bmp([](BmpLayout& s) { s.compression = 11; }), unsupported},
        {"compression 7", bmp([](BmpLayout& s) { s.compression = 7; }), "unknown compression"},
        {"compression 0x12345", bmp([](BmpLayout& s) { s.compression = 0x12345; }), "unknown compression"},
        {"RLE8 with 4 bits", bmp([](BmpLayout& s) { s.compression = 1; s.bitCount = 4; }), unsupported},
        {"RLE4 with 8 bits", bmp([](BmpLayout& s) { s.compression = 2; s.bitCount = 8; }), unsupported},
        {"RLE8 with 24 bits", bmp([](BmpLayout& s) { s.compression = 1; }), unsupported},
        {"bit fields with 24 bits", bmp([](BmpLayout& s) { s.compression = 3; }), unsupported},
        {"bit fields with 8 bits", bmp([](BmpLayout& s) { s.compression = 3; s.bitCount = 8; }), unsupported},
        {"OS/2 2.x Huffman", bmp([](BmpLayout& s) { s.infoSize = 64; s.compression = 3; s.bitCount = 1; }), unsupported},
        {"OS/2 2.x RLE24", bmp([](BmpLayout& s) { s.infoSize = 64; s.compression = 4; }), unsupported},
        {"bit-field masks cut",
         [&] {
             Bytes b = MakeBmp(With(rgb, [](BmpLayout& s) { s.compression = 3; s.bitCount = 16; }));
             b.resize(14 + 40 + 6);
             return b;
         }(),
         info},
        {"pixel offset past the end", bmp([](BmpLayout& s) { s.offBits = 1000; }), ""},
        {"pixel offset at the end", [&] { Bytes b = MakeBmp(rgb); return patched(b, 10, static_cast<std::uint32_t>(b.size())); }(), ""},
        {"one row short", bmp([](BmpLayout& s) { s.height = 3; }), ""},
        {"rows short of their pixels", bmp([](BmpLayout& s) { s.width = 3; }), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Decode(imaging::DecodeBmp, c.file);
        EXPECT_FALSE(r.ok);
        if (c.error.empty()) EXPECT_FALSE(r.error.empty());
        else EXPECT_EQ(r.error, c.error);
    }
}
