#include "Types.h"
#include "LogFont.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>

namespace {

TEST(MulDiv, RoundsHalfAwayFromZeroWithWideIntermediate) {
    struct Case {
        int a, b, c, expected;
    };
    const Case cases[] = {
        {10, 3, 4, 8},                    // 7.5
        {-10, 3, 4, -8},                  // -7.5 rounds away from zero, not up
        {10, -3, 4, -8},                  //
        {10, 3, -4, -8},                  //
        {-10, -3, 4, 8},                  //
        {-10, 3, -4, 8},                  //
        {5, 1, 2, 3},                     // 2.5
        {-5, 1, 2, -3},                   // -2.5
        {7, 1, 3, 2},                     // 2.33
        {-7, 1, 3, -2},                   // -2.33
        {1, 1, 3, 0},                     //
        {2, 1, 3, 1},                     // 0.67
        {100000, 100000, 100000, 100000}, // the product needs 64 bits
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
        {INT_MAX, 2, 1, -1},  // overflow
        {INT_MAX, -2, 1, -1}, // overflow below
        {12, 34, 0, -1},      // division by zero
        {0, 5, 0, -1},
    };
    for (const Case& t : cases)
        EXPECT_EQ(MulDiv(t.a, t.b, t.c), t.expected)
            << "MulDiv(" << t.a << ", " << t.b << ", " << t.c << ")";
}

TEST(Rect, NormalisationAndExclusiveEdges) {
    const Rect flipped{10, 20, 2, 4};
    EXPECT_TRUE(flipped.IsEmpty());
    EXPECT_FALSE(PtInRect(flipped, {5, 10})); // an un-normalised rectangle holds nothing
    const Rect r = flipped.Normalized();
    EXPECT_EQ(r, (Rect{2, 4, 10, 20}));
    EXPECT_EQ(r.Width(), 8);
    EXPECT_EQ(r.Height(), 16);

    struct Case {
        Point p;
        bool inside;
    };
    const Case cases[] = {
        {{2, 4}, true},    {{9, 19}, true}, {{10, 4}, false}, {{2, 20}, false},
        {{10, 20}, false}, {{1, 4}, false}, {{2, 3}, false},  {{5, 10}, true},
    };
    for (const Case& t : cases)
        EXPECT_EQ(PtInRect(r, t.p), t.inside) << t.p.x << "," << t.p.y;

    EXPECT_TRUE((Rect{3, 3, 3, 9}).IsEmpty());
    EXPECT_FALSE(PtInRect(Rect{3, 3, 3, 9}, {3, 3}));
}

TEST(LogFont, SixtyByteRecordRoundTripsWithFixedOffsets) {
    LogFont f;
    f.lfHeight = -12;
    f.lfWidth = 7;
    f.lfEscapement = 900;
    f.lfOrientation = -900;
    f.lfWeight = FW_BOLD;
    f.lfItalic = 1;
    f.lfUnderline = 2;
    f.lfStrikeOut = 3;
    f.lfCharSet = 4;
    f.lfOutPrecision = 5;
    f.lfClipPrecision = 6;
    f.lfQuality = 7;
    f.lfPitchAndFamily = FF_SWISS | VARIABLE_PITCH;
    f.SetFaceName("Arial");

    std::array<std::uint8_t, LogFont::kSize + 1> buf;
    buf.fill(0xCC);
    f.Write(buf.data());
    EXPECT_EQ(buf[LogFont::kSize], 0xCC) << "wrote past 60 bytes";

    // Little-endian fields at their record offsets.
    EXPECT_EQ(buf[0], 0xF4); // -12
    EXPECT_EQ(buf[3], 0xFF);
    EXPECT_EQ(buf[8], 0x84); // 900 = 0x0384
    EXPECT_EQ(buf[9], 0x03);
    EXPECT_EQ(buf[16], 0xBC); // 700 = 0x02BC
    EXPECT_EQ(buf[17], 0x02);
    EXPECT_EQ(buf[20], 1);
    EXPECT_EQ(buf[23], 4);
    EXPECT_EQ(buf[27], FF_SWISS | VARIABLE_PITCH);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buf.data() + 28), 6),
              std::string("Arial\0", 6));
    for (std::size_t i = 28 + 5; i < LogFont::kSize; ++i)
        EXPECT_EQ(buf[i], 0) << i;

    EXPECT_EQ(LogFont::Read(buf.data()), f);
}

TEST(LogFont, FaceNameKeepsAtMost31BytesAndClearsTheRest) {
    LogFont f;
    f.SetFaceName(std::string(40, 'N'));
    EXPECT_EQ(f.FaceName(), std::string(31, 'N'));
    EXPECT_EQ(f.lfFaceName[31], '\0');

    f.SetFaceName("Ab");
    EXPECT_EQ(f.FaceName(), "Ab");
    for (std::size_t i = 2; i < LogFont::kFaceSize; ++i)
        EXPECT_EQ(f.lfFaceName[i], '\0') << i;

    std::array<std::uint8_t, LogFont::kSize> buf{};
    f.Write(buf.data());
    EXPECT_EQ(LogFont::Read(buf.data()).FaceName(), "Ab");
}

} // namespace
