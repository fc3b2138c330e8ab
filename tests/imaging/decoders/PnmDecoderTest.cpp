#include "DecoderTestUtil.h"

using namespace dtest;
using fixtures::Bytes;
using fixtures::FromString;

namespace {

constexpr std::uint32_t W = 0xffffff, K = 0x000000;

Bytes Raw(const std::string& header, const Bytes& data) {
    Bytes b = FromString(header);
    fixtures::Append(b, data);
    return b;
}

} // namespace

TEST(PnmDecoder, DecodesEveryKindToItsColours) {
    struct Case {
        std::string name;
        Bytes file;
        int bitCount;
        Rows expected;
    };
    const std::vector<Case> cases = {
        {"P1: comments, touching digits, 1 is black",
         FromString("P1\n# made by hand\n4 2 # size\n1 0\n# half way\n 11\r\n0101"), 1,
         {{K, W, K, K}, {W, K, W, K}}},
        {"P4: rows padded to whole bytes", Raw("P4\n10 2\n", {0xa5, 0xc0, 0x0f, 0x40}), 1,
         {{K, W, K, W, W, K, W, K, K, K}, {W, W, W, W, K, K, K, K, W, K}}},
        {"P2: maxval 15 is scaled with rounding", FromString("P2 3 2 15\n0 7 15\n15 8 0\n"), 8,
         {{K, 0x777777, W}, {W, 0x888888, K}}},
        {"P2: samples above maxval are white", FromString("P2 2 1 10\n10 99\n"), 8, {{W, W}}},
        {"P5: 8-bit samples", Raw("P5 3 1 255\n", {0, 128, 255}), 8, {{K, 0x808080, W}}},
        {"P5: 16-bit samples, most significant byte first",
         Raw("P5 3 1 65535\n", {0x00, 0x00, 0x80, 0x00, 0xff, 0xff}), 8, {{K, 0x808080, W}}},
        {"P5: raw data that starts with white-space bytes", Raw("P5 2 1 255\n", {'\n', ' '}), 8,
         {{0x0a0a0a, 0x202020}}},
        {"P5: comments everywhere in the header", Raw("P5#c\n2#w\n1\n#m\n255\n", {1, 2}), 8,
         {{0x010101, 0x020202}}},
        {"P5: a second picture is ignored", Raw("P5 1 1 255\n", {7, 'P', '5', ' ', '1', ' ', '1', ' ', '2', '5', '5', '\n', 9}), 8,
         {{0x070707}}},
        {"P3: 8-bit samples", FromString("P3\n2 1\n255\n255 0 0  0 0 9\n"), 24, {{0xff0000, 0x000009}}},
        {"P3: maxval 1000", FromString("P3 1 1 1000 500 1000 0"), 24, {{0x80ff00}}},
        {"P6: 8-bit samples", Raw("P6\n2 1\n255\n", {255, 0, 0, 1, 2, 3}), 24, {{0xff0000, 0x010203}}},
        {"P6: 16-bit samples, maxval 1000", Raw("P6 1 1 1000\n", {0x03, 0xe8, 0x01, 0xf4, 0, 0}), 24,
         {{0xff8000}}},
        {"P6: maxval 1", Raw("P6 1 1 1\n", {1, 0, 1}), 24, {{0xff00ff}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Decode(imaging::DecodePnm, c.file);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(Consistent(r.pic));
        EXPECT_EQ(r.pic.bitCount, c.bitCount);
        EXPECT_TRUE(HasColors(r.pic, c.expected));
        if (c.bitCount == 1) {
            EXPECT_EQ(r.pic.palette.size(), 2u);
        }
    }
}

TEST(PnmDecoder, RejectsWhatItCannotRead) {
    struct Case {
        std::string name;
        Bytes file;
    };
    const std::vector<Case> cases = {
        {"empty", {}},
        {"P alone", FromString("P")},
        {"P0", FromString("P0 1 1 1\n1")},
        {"P7", FromString("P7 1 1 255\n\1")},
        {"magic glued to the width", FromString("P61 1 255\n\1\2\3")},
        {"no width", FromString("P6")},
        {"no height", FromString("P6 2")},
        {"no maxval", FromString("P6 2 1")},
        {"nothing after maxval", FromString("P6 1 1 255")},
        {"no white space after maxval", Raw("P6 1 1 255X", {1, 2, 3})},
        {"zero width", Raw("P5 0 1 255\n", {1})},
        {"zero height", Raw("P5 1 0 255\n", {1})},
        {"maxval 0", Raw("P5 1 1 0\n", {1})},
        {"maxval 65536", Raw("P5 1 1 65536\n", {1, 1})},
        {"negative width", Raw("P5 -1 1 255\n", {1})},
        {"width beyond 64 bits", Raw("P5 99999999999999999999999 1 255\n", {1})},
        {"width and height beyond the pixel limit", Raw("P5 16385 16384 255\n", {1})},
        {"P5 one byte short", Raw("P5 2 2 255\n", {1, 2, 3})},
        {"P5 16-bit one byte short", Raw("P5 2 1 256\n", {1, 2, 3})},
        {"P6 one byte short", Raw("P6 2 1 255\n", {1, 2, 3, 4, 5})},
        {"P4 one byte short", Raw("P4 9 2\n", {1, 2, 3})},
        {"P1 with a 2", FromString("P1 2 1\n1 2")},
        {"P1 one bit short", FromString("P1 3 1\n1 0")},
        {"P2 with letters", FromString("P2 2 1 255\n1 x")},
        {"P2 with a negative sample", FromString("P2 2 1 255\n1 -2 3")},
        {"P3 one sample short", FromString("P3 1 1 255\n1 2  ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Decode(imaging::DecodePnm, c.file);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
    }
}
