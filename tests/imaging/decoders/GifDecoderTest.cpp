#include "DecoderTestUtil.h"

#include <functional>

using namespace dtest;
using fixtures::Bytes;
using fixtures::GifLayout;
using fixtures::LzwEncode;
using fixtures::MakeGif;
using fixtures::PackCodes;

namespace {

constexpr std::uint32_t R = 0xff0000, G = 0x00ff00, B = 0x0000ff, K = 0x000000;

GifLayout Layout(int w, int h, int minCodeSize, const std::vector<std::uint8_t>& pixels,
             std::vector<std::uint32_t> global) {
    GifLayout s;
    s.width = static_cast<std::uint16_t>(w);
    s.height = static_cast<std::uint16_t>(h);
    s.minCodeSize = minCodeSize;
    s.globalTable = std::move(global);
    s.lzw = LzwEncode(pixels, minCodeSize);
    return s;
}

GifLayout With(GifLayout s, const std::function<void(GifLayout&)>& change) {
    change(s);
    return s;
}

std::vector<std::uint8_t> Noise(std::size_t n, std::uint32_t seed) {
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return v;
}

std::vector<std::uint32_t> Greys(int n, std::uint32_t step) {
    std::vector<std::uint32_t> t;
    for (int i = 0; i < n; ++i) t.push_back(static_cast<std::uint32_t>(i) * step);
    return t;
}

} // namespace

TEST(GifDecoder, DecodesTheFirstImageToItsColours) {
    struct Case {
        std::string name;
        Bytes file;
        Rows expected;
        int transparent;
    };
    const std::vector<std::uint32_t> kgrb = {K, R, G, B};
    std::vector<Case> cases = {
        {"global table, long runs, codes across small sub-blocks",
         MakeGif(With(Layout(5, 4, 2, {1, 1, 1, 1, 1, 0, 1, 2, 3, 0, 2, 2, 2, 2, 2, 3, 0, 3, 0, 3}, kgrb),
                      [](GifLayout& s) { s.blockSize = 3; })),
         {{R, R, R, R, R}, {K, R, G, B, K}, {G, G, G, G, G}, {B, K, B, K, B}}, -1},
        {"local table over the global one",
         MakeGif(With(Layout(2, 2, 2, {0, 1, 1, 0}, {R, G}),
                      [](GifLayout& s) { s.localTable = {B, 0x123456, R, R}; })),
         {{B, 0x123456}, {0x123456, B}}, -1},
        {"interlaced rows come back in picture order",
         MakeGif(With(Layout(1, 10, 4, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}, Greys(16, 0x111111)),
                      [](GifLayout& s) { s.interlaced = true; })),
         {{0x000000}, {0x111111}, {0x222222}, {0x333333}, {0x444444}, {0x555555}, {0x666666},
          {0x777777}, {0x888888}, {0x999999}},
         -1},
        {"no colour table gives a grey ramp", MakeGif(Layout(4, 1, 2, {0, 1, 2, 3}, {})),
         {{K, 0x555555, 0xaaaaaa, 0xffffff}}, -1},
        {"indices past a 2-entry table are black", MakeGif(Layout(3, 1, 8, {0, 1, 200}, {R, G})),
         {{R, G, K}}, -1},
        {"GIF87a",
         [&] {
             Bytes b = MakeGif(Layout(2, 1, 2, {1, 2}, kgrb));
             b[4] = '7';
             return b;
         }(),
         {{R, G}}, -1},
        {"the image's own size, not the screen's",
         MakeGif(With(Layout(2, 1, 2, {3, 1}, kgrb), [](GifLayout& s) {
             s.screenWidth = 10;
             s.screenHeight = 10;
             s.left = 3;
             s.top = 4;
         })),
         {{B, R}}, -1},
        {"hand-made KwKwK codes",
         MakeGif(With(Layout(6, 1, 2, {}, kgrb), [](GifLayout& s) {
             s.lzw = PackCodes({{4, 3}, {1, 3}, {6, 3}, {7, 3}, {5, 4}});
         })),
         {{R, R, R, R, R, R}}, -1},
        {"transparent index from the graphic control",
         MakeGif(With(Layout(2, 1, 2, {2, 1}, kgrb), [](GifLayout& s) { s.transparent = 2; })),
         {{G, R}}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Decode(imaging::DecodeGif, c.file);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(Consistent(r.pic));
        EXPECT_EQ(r.pic.bitCount, 8);
        EXPECT_TRUE(HasColors(r.pic, c.expected));
        EXPECT_EQ(r.pic.transparentIndex, c.transparent);
        EXPECT_TRUE(r.pic.alpha.empty());
    }
}

// Enough distinct strings to fill the 4096-entry table several times over, with codes
// widening to 12 bits: once with a clear each time it fills, once with the table frozen.
TEST(GifDecoder, FullCodeTable) {
    const std::vector<std::uint8_t> pixels = Noise(96 * 96, 7);
    for (bool clearWhenFull : {true, false}) {
        SCOPED_TRACE(clearWhenFull ? "clear when full" : "frozen table");
        GifLayout s = Layout(96, 96, 8, {}, Greys(256, 0x010101));
        s.lzw = LzwEncode(pixels, 8, clearWhenFull);
        const Bytes file = MakeGif(s);
        const Result r = Decode(imaging::DecodeGif, file);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.pic.indices, pixels);
        EXPECT_TRUE(MatchesQt(r.pic, file, "GIF")); // and the test's encoder is sound
    }
}

TEST(GifDecoder, ExtensionsAreSkippedAndTheLastGraphicControlCounts) {
    const Bytes gceOff = {0x21, 0xf9, 4, 0x00, 0, 0, 3, 0};
    const Bytes gce3 = {0x21, 0xf9, 4, 0x01, 0, 0, 3, 0};
    const Bytes gce7 = {0x21, 0xf9, 4, 0x05, 10, 0, 7, 0};
    const Bytes comment = {0x21, 0xfe, 3, 'a', 'b', 'c', 2, 'd', 'e', 0};
    const Bytes plainText = {0x21, 0x01, 12, 0, 0, 0, 0, 8, 0, 8, 0, 1, 1, 0, 1, 2, 'h', 'i', 0};
    const Bytes app = {0x21, 0xff, 11, 'X', 'M', 'P', ' ', 'D', 'a', 't', 'a', 'X', 'M', 'P',
                       1, 0x3b, 1, 0x2c, 0};
    struct Case {
        std::string name;
        std::vector<Bytes> blocks;
        int transparent;
    };
    const std::vector<Case> cases = {
        {"no graphic control", {comment, app}, -1},
        {"graphic control without the transparency flag", {gceOff}, -1},
        {"graphic control with it", {comment, gce3, plainText}, 3},
        {"a later graphic control without the flag wins", {gce3, app, gceOff}, -1},
        {"a later graphic control with the flag wins", {gceOff, comment, gce7}, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GifLayout s = Layout(3, 1, 3, {7, 3, 0}, Greys(8, 0x202020));
        for (const auto& b : c.blocks) fixtures::Append(s.extensions, b);
        const Result r = Decode(imaging::DecodeGif, MakeGif(s));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.pic.indices, (std::vector<std::uint8_t>{7, 3, 0}));
        EXPECT_EQ(r.pic.transparentIndex, c.transparent);
    }
}

TEST(GifDecoder, OnlyTheFirstFrameIsDecoded) {
    GifLayout first = Layout(2, 1, 2, {1, 2}, {K, R, G, B});
    first.trailer = false;
    Bytes file = MakeGif(first);
    // A second frame with its own graphic control and size follows.
    const Bytes codes = PackCodes({{4, 3}, {3, 3}, {3, 3}, {3, 3}, {5, 3}});
    fixtures::Append(file, {0x21, 0xf9, 4, 0x01, 0, 0, 1, 0, 0x2c, 0, 0, 0, 0, 3, 0, 1, 0, 0, 2,
                            static_cast<std::uint8_t>(codes.size())});
    fixtures::Append(file, codes);
    fixtures::Append(file, {0, 0x3b});
    const Result r = Decode(imaging::DecodeGif, file);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(HasColors(r.pic, {{R, G}}));
    EXPECT_EQ(r.pic.transparentIndex, -1);
}

// Streams whose data blocks are whole but whose codes are broken: decoding stops at the
// fault, what came before stays, the rest is index 0; nothing decoded at all fails.
TEST(GifDecoder, BrokenCodeStreams) {
    struct Case {
        std::string name;
        int width;
        std::vector<std::pair<int, int>> codes; // code size 2: clear 4, end 5
        bool ok;
        std::vector<std::uint8_t> indices;
    };
    const std::vector<Case> cases = {
        {"data ends without the end code", 8,
         {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}, {2, 4}, {3, 4}}, true, {1, 2, 3, 1, 2, 3, 0, 0}},
        {"a code beyond the next free one", 6, {{4, 3}, {1, 3}, {7, 3}, {2, 3}, {5, 3}}, true,
         {1, 0, 0, 0, 0, 0}},
        {"KwKwK after other codes", 4, {{4, 3}, {1, 3}, {2, 3}, {7, 3}, {5, 4}}, true,
         {1, 2, 2, 2}},
        {"more pixels than the picture holds", 2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 4}}, true,
         {1, 2}},
        {"data after the end code is ignored", 3, {{4, 3}, {1, 3}, {1, 3}, {5, 3}, {2, 3}, {2, 3}},
         true, {1, 1, 0}},
        {"a clear midway restarts the table", 3, {{4, 3}, {1, 3}, {2, 3}, {4, 3}, {3, 3}, {5, 3}},
         true, {1, 2, 3}},
        {"a table code right after a clear", 2, {{4, 3}, {6, 3}, {5, 3}}, false, {}},
        {"the end code at once", 2, {{5, 3}}, false, {}},
        {"a clear and the end code", 2, {{4, 3}, {5, 3}}, false, {}},
        {"no codes at all", 2, {}, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GifLayout s = Layout(c.width, 1, 2, {}, {K, R, G, B});
        s.lzw = PackCodes(c.codes);
        const Result r = Decode(imaging::DecodeGif, MakeGif(s));
        ASSERT_EQ(r.ok, c.ok) << r.error;
        if (c.ok) {
            EXPECT_EQ(r.pic.indices, c.indices);
        }
    }
}

TEST(GifDecoder, RejectsWhatItCannotRead) {
    struct Case {
        std::string name;
        Bytes file;
    };
    const GifLayout good = Layout(2, 2, 2, {0, 1, 2, 3}, {K, R, G, B});
    const Bytes valid = MakeGif(good);
    auto cut = [](Bytes b, std::size_t n) {
        b.resize(n);
        return b;
    };
    auto gif = [&](const std::function<void(GifLayout&)>& change) { return MakeGif(With(good, change)); };
    // Offsets in `valid`: header 0-5, screen 6-12, global table 13-24, descriptor 25-34.
    std::vector<Case> cases = {
        {"empty", {}},
        {"not a GIF", fixtures::FromString("PNG89a.......")},
        {"GIF7", fixtures::FromString("GIF79a\2\0\2\0\0\0\0")},
        {"signature only", fixtures::FromString("GIF89a")},
        {"screen cut", cut(valid, 10)},
        {"global table cut", cut(valid, 20)},
        {"descriptor cut", cut(valid, 30)},
        {"unknown block", [&] { Bytes b = valid; b[25] = 0x00; return b; }()},
        {"trailer before any image", [&] { Bytes b = cut(valid, 25); b.push_back(0x3b); return b; }()},
        {"extension without its end", [&] { Bytes b = cut(valid, 25); fixtures::Append(b, {0x21, 0xfe, 2, 'a', 'b'}); return b; }()},
        {"extension sub-block past the end", [&] { Bytes b = cut(valid, 25); fixtures::Append(b, {0x21, 0xfe, 9, 'a'}); return b; }()},
        {"zero width", gif([](GifLayout& s) { s.width = 0; })},
        {"zero height", gif([](GifLayout& s) { s.height = 0; })},
        {"local table cut", cut(gif([](GifLayout& s) { s.localTable = Greys(256, 0x010101); }), 100)},
        {"code size 0", gif([](GifLayout& s) { s.minCodeSize = 0; })},
        {"code size 1", gif([](GifLayout& s) { s.minCodeSize = 1; })},
        {"code size 9", gif([](GifLayout& s) { s.minCodeSize = 9; })},
        {"code size 12", gif([](GifLayout& s) { s.minCodeSize = 12; })},
        {"data block past the end", [&] { Bytes b = cut(valid, 36); fixtures::Append(b, {200, 0x8c, 0x2d}); return b; }()},
        {"data blocks without their terminator", [&] { Bytes b = valid; b.resize(b.size() - 2); return b; }()},
        {"65535 x 65535", gif([](GifLayout& s) { s.width = 65535; s.height = 65535; })},
        {"garbage codes", gif([](GifLayout& s) { s.lzw = {0xff, 0xff, 0xff, 0xff}; })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Decode(imaging::DecodeGif, c.file);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
    }
}
