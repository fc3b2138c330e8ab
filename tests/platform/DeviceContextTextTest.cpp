// Fonts and text of DeviceContext. Glyph shapes vary with the installed fonts, so these
// tests check geometry: sizes chosen from a LogFont, where ink lands relative to the
// reference point, and how DrawText measures and places lines.
#include "DeviceContext.h"
#include "DrawingCanvas.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr QRgb kWhite = Canvas::kWhite;

LogFont Font(int height, const char* face = "Arial", int weight = FW_NORMAL) {
    LogFont f;
    f.lfHeight = height;
    f.lfWeight = weight;
    f.lfPitchAndFamily = FF_SWISS;
    f.SetFaceName(face);
    return f;
}

} // namespace

TEST(DeviceContextFont, NegativeHeightIsTheCharacterHeightPositiveTheCell) {
    Canvas c;
    for (int h : {8, 11, 20, 33, 64}) {
        c.dc.SelectFont(Font(-h));
        EXPECT_EQ(c.dc.CurrentQFont().pixelSize(), h);
        const TextMetrics tm = c.dc.GetTextMetrics();
        EXPECT_EQ(tm.height, tm.ascent + tm.descent);
        EXPECT_EQ(tm.internalLeading, tm.height - h) << h;

        // A positive height is matched against the cell: the largest size whose cell fits.
        c.dc.SelectFont(Font(h));
        const int cell = c.dc.GetTextMetrics().height;
        EXPECT_LE(cell, h) << h;
        EXPECT_GE(cell, h - 2) << h;
        LogFont next = Font(-(c.dc.CurrentQFont().pixelSize() + 1));
        c.dc.SelectFont(next);
        EXPECT_GT(c.dc.GetTextMetrics().height, h) << h;
    }
    c.dc.SelectFont(Font(0));
    EXPECT_GT(c.dc.CurrentQFont().pixelSize(), 8); // a readable default, not a dot
}

TEST(DeviceContextFont, ExtremeHeightsStayUsable) {
    Canvas c;
    for (int h : {INT32_MIN, INT32_MAX, -1, 1}) {
        c.dc.SelectFont(Font(h));
        const int px = c.dc.CurrentQFont().pixelSize();
        EXPECT_GE(px, 1) << h;
        EXPECT_LE(px, 16384) << h;
    }
}

TEST(DeviceContextFont, StyleFieldsAreHonoured) {
    Canvas c;
    LogFont f = Font(-20);
    f.lfItalic = 1;
    f.lfUnderline = 1;
    f.lfStrikeOut = 1;
    f.lfWeight = FW_BOLD;
    c.dc.SelectFont(f);
    const QFont bold = c.dc.CurrentQFont();
    EXPECT_TRUE(bold.italic());
    EXPECT_TRUE(bold.underline());
    EXPECT_TRUE(bold.strikeOut());
    EXPECT_EQ(bold.weight(), QFont::Bold);
    const int boldWidth = c.dc.GetTextExtentPoint32("Weight").cx;

    c.dc.SelectFont(Font(-20, "Arial", 0)); // "don't care" weight draws normal
    EXPECT_EQ(c.dc.CurrentQFont().weight(), QFont::Normal);
    EXPECT_FALSE(c.dc.CurrentQFont().italic());
    EXPECT_GT(boldWidth, c.dc.GetTextExtentPoint32("Weight").cx);
}

TEST(DeviceContextFont, FacesResolveThroughFontconfigAndFallBack) {
    Canvas c;
    if (QFontDatabase::hasFamily("Liberation Sans")) {
        // The metric-compatible substitute is what "Arial" must give.
        c.dc.SelectFont(Font(-20, "Liberation Sans"));
        const QString liberation = QFontInfo(c.dc.CurrentQFont()).family();
        c.dc.SelectFont(Font(-20, "Arial"));
        EXPECT_EQ(QFontInfo(c.dc.CurrentQFont()).family(), liberation);
    }
    for (const char* face : {"No Such Face At All", ""}) {
        c.dc.SelectFont(Font(-20, face));
        EXPECT_FALSE(QFontInfo(c.dc.CurrentQFont()).family().isEmpty()) << face;
        EXPECT_GT(c.dc.GetTextExtentPoint32("Fallback").cx, 20) << face;
    }
}

TEST(DeviceContextFont, FollowsSaveAndRestore) {
    Canvas c;
    c.dc.SelectFont(Font(-20));
    EXPECT_EQ(c.dc.CurrentQFont().pixelSize(), 20);
    const int level = c.dc.SaveDC();
    c.dc.SelectFont(Font(-30));
    EXPECT_EQ(c.dc.CurrentQFont().pixelSize(), 30);
    c.dc.RestoreDC(level);
    EXPECT_EQ(c.dc.CurrentQFont().pixelSize(), 20);
}

TEST(DeviceContextText, ExtentIsTheAdvanceAndTheCellHeight) {
    Canvas c;
    c.dc.SelectFont(Font(-24));
    const int cell = c.dc.GetTextMetrics().height;
    EXPECT_EQ(c.dc.GetTextExtentPoint32(""), (Size{0, cell}));
    EXPECT_EQ(c.dc.GetTextExtentPoint32("Wide text").cy, cell);
    EXPECT_GT(c.dc.GetTextExtentPoint32("WWWW").cx, c.dc.GetTextExtentPoint32("iiii").cx);
    // Advances add up (no kerning between pairs), give or take rounding.
    const int sum = c.dc.GetTextExtentPoint32("W").cx + c.dc.GetTextExtentPoint32("A").cx +
                    c.dc.GetTextExtentPoint32("V").cx + c.dc.GetTextExtentPoint32("E").cx;
    EXPECT_NEAR(c.dc.GetTextExtentPoint32("WAVE").cx, sum, 1);
    // No prefix processing here.
    EXPECT_GT(c.dc.GetTextExtentPoint32("a&b").cx, c.dc.GetTextExtentPoint32("ab").cx);
}

TEST(DeviceContextText, TextOutPlacesTheCellByTheTextAlignment) {
    // "HH" has no descender: its ink ends on the baseline, and it starts and ends within a
    // side bearing of the cell's sides.
    struct Case {
        unsigned align;
        int horizontal; // -1 cell starts at x, 0 centred on x, +1 ends at x
        int baseline;   // 0 top (baseline = y + ascent), 1 baseline (= y), 2 bottom (= y - descent)
    } cases[] = {
        {TA_LEFT | TA_TOP, -1, 0},      {TA_CENTER | TA_TOP, 0, 0},
        {TA_RIGHT | TA_TOP, 1, 0},      {TA_LEFT | TA_BASELINE, -1, 1},
        {TA_RIGHT | TA_BASELINE, 1, 1}, {TA_CENTER | TA_BOTTOM, 0, 2},
        {TA_LEFT | TA_BOTTOM, -1, 2},
    };
    const int x = 200, y = 150;
    for (const Case& k : cases) {
        Canvas c;
        c.dc.SelectFont(Font(-40));
        c.dc.SetBkMode(TRANSPARENT);
        c.dc.SetTextAlign(k.align);
        const TextMetrics tm = c.dc.GetTextMetrics();
        const int bearing = 40 / 6;
        ASSERT_TRUE(c.dc.TextOut(x, y, "HH"));
        const QRect ink = c.Ink();
        ASSERT_FALSE(ink.isNull()) << k.align;
        if (k.horizontal < 0) {
            EXPECT_GE(ink.left(), x) << k.align;
            EXPECT_LE(ink.left(), x + bearing) << k.align;
        } else if (k.horizontal > 0) {
            EXPECT_LT(ink.right(), x) << k.align;
            EXPECT_GE(ink.right(), x - bearing) << k.align;
        } else {
            EXPECT_NEAR(ink.center().x(), x, 2) << k.align;
        }
        const int baseline = k.baseline == 0 ? y + tm.ascent : k.baseline == 1 ? y : y - tm.descent;
        EXPECT_NEAR(ink.bottom() + 1, baseline, 1) << k.align;
    }
}

TEST(DeviceContextText, EscapementTurnsTheTextAboutTheReferencePoint) {
    // Reading direction and the cell's "down" per escapement, counter-clockwise on screen.
    struct Case {
        int escapement;
        int readX, readY;
        int downX, downY;
    } cases[] = {
        {0, 1, 0, 0, 1},     {900, 0, -1, 1, 0},  {1800, -1, 0, 0, -1},
        {2700, 0, 1, -1, 0}, {-900, 0, 1, -1, 0},
    };
    const int x = 200, y = 200;
    for (const Case& k : cases) {
        Canvas c(400, 400);
        LogFont f = Font(-30);
        f.lfEscapement = k.escapement;
        c.dc.SelectFont(f);
        c.dc.SetBkMode(TRANSPARENT);
        c.dc.TextOut(x, y, "HHHHHH");
        const QRect ink = c.Ink();
        ASSERT_FALSE(ink.isNull()) << k.escapement;
        // The ink lies in the quadrant spanned by the reading and the down directions.
        const int dirX = k.readX + k.downX, dirY = k.readY + k.downY;
        if (dirX > 0) {
            EXPECT_GE(ink.left(), x - 1) << k.escapement;
        } else {
            EXPECT_LE(ink.right(), x + 1) << k.escapement;
        }
        if (dirY > 0) {
            EXPECT_GE(ink.top(), y - 1) << k.escapement;
        } else {
            EXPECT_LE(ink.bottom(), y + 1) << k.escapement;
        }
        // And it is long along the reading direction.
        if (k.readX != 0) {
            EXPECT_GT(ink.width(), 2 * ink.height()) << k.escapement;
        } else {
            EXPECT_GT(ink.height(), 2 * ink.width()) << k.escapement;
        }
    }
}

TEST(DeviceContextText, TextOutUsesTheColoursAndTheBackgroundMode) {
    Canvas c;
    c.dc.SelectFont(Font(-40));
    c.dc.SetTextColor(RGB(0, 0, 255));
    c.dc.SetBkColor(RGB(255, 0, 0));
    const Size ext = c.dc.GetTextExtentPoint32("HI");

    c.dc.SetBkMode(TRANSPARENT);
    c.dc.TextOut(10, 10, "HI");
    EXPECT_EQ(c.dc.GetPixel(10, 10), RGB(255, 255, 255));
    bool solidText = false; // the stems of H and I cover whole pixels
    for (int y = 10; y < 10 + ext.cy && !solidText; ++y)
        for (int x = 10; x < 10 + ext.cx; ++x)
            solidText |= c.dc.GetPixel(x, y) == RGB(0, 0, 255);
    EXPECT_TRUE(solidText);

    c.dc.SetBkMode(OPAQUE);
    c.dc.TextOut(10, 100, "HI");
    EXPECT_EQ(c.dc.GetPixel(10, 100), RGB(255, 0, 0));
    EXPECT_EQ(c.dc.GetPixel(10 + ext.cx - 1, 100 + ext.cy - 1), RGB(255, 0, 0));
    EXPECT_EQ(c.dc.GetPixel(10 + ext.cx, 100), RGB(255, 255, 255));
    EXPECT_EQ(c.dc.GetPixel(10, 100 + ext.cy), RGB(255, 255, 255));
    EXPECT_EQ(c.dc.GetPixel(9, 100), RGB(255, 255, 255));
}

TEST(DeviceContextText, TextOutKeepsToTheClipRegion) {
    Canvas c;
    c.dc.SelectFont(Font(-40));
    c.dc.SetBkMode(OPAQUE);
    c.dc.SetBkColor(RGB(255, 0, 0));
    c.dc.SelectClipRgn(regions::Rectangle({0, 0, 60, 300}));
    c.dc.TextOut(20, 20, "HHHHHHHH");
    const QRect ink = c.Ink();
    ASSERT_FALSE(ink.isNull());
    EXPECT_EQ(ink.left(), 20);
    EXPECT_EQ(ink.right(), 59);

    Canvas empty;
    empty.dc.SelectFont(Font(-40));
    empty.dc.SelectClipRgn(QRegion());
    EXPECT_TRUE(empty.dc.TextOut(20, 20, "HHHH"));
    EXPECT_TRUE(empty.Ink().isNull());
}

TEST(DeviceContextText, CalcRectMeasuresLinesWithoutDrawing) {
    Canvas c;
    c.dc.SelectFont(Font(-20));
    const int h = c.dc.GetTextMetrics().height;
    auto ext = [&](const char* s) { return c.dc.GetTextExtentPoint32(s).cx; };
    struct Case {
        const char* text;
        unsigned flags;
        int lines;
        int width;
    } cases[] = {
        {"Hello", 0, 1, ext("Hello")},
        {"Hello\r\nWide world", 0, 2, ext("Wide world")},
        {"Wide world\nHi", 0, 2, ext("Wide world")},
        {"A\nA\rA", 0, 3, ext("A")},
        {"A\r\n\r\nB", 0, 3, ext("A")}, // an empty line still takes its height here
        {"Trailing\n", 0, 1, ext("Trailing")},
        {"", 0, 0, 0},
        {"a&&b", 0, 1, ext("a&b")},
        {"&File", 0, 1, ext("File")},
        {"a&b", DT_NOPREFIX, 1, ext("a&b")},
        {"x&", 0, 1, ext("x")},
        {"Single\nline", DT_SINGLELINE, 1, -1}, // width: whatever the breaks measure as
    };
    for (unsigned align : {unsigned(DT_LEFT), unsigned(DT_CENTER), unsigned(DT_RIGHT)}) {
        for (const Case& k : cases) {
            Rect r{10, 20, 11, 21};
            const int height = c.dc.DrawText(k.text, r, k.flags | align | DT_CALCRECT);
            EXPECT_EQ(height, k.lines * h) << k.text;
            EXPECT_EQ(r.left, 10) << k.text;
            EXPECT_EQ(r.top, 20) << k.text;
            EXPECT_EQ(r.bottom, 20 + k.lines * h) << k.text;
            if (k.width >= 0) {
                EXPECT_EQ(r.right, 10 + k.width) << k.text << " align " << align;
            }
        }
    }
    EXPECT_TRUE(c.Ink().isNull());
}

TEST(DeviceContextText, CalcRectWrapsWordsAndExpandsTabs) {
    Canvas c;
    c.dc.SelectFont(Font(-20));
    const int h = c.dc.GetTextMetrics().height;
    const int boxWidth = c.dc.GetTextExtentPoint32("aaa bbb").cx;

    Rect r{0, 0, boxWidth, 0};
    EXPECT_EQ(c.dc.DrawText("aaa bbb ccc", r, DT_WORDBREAK | DT_CALCRECT), 2 * h);
    EXPECT_EQ(r.right, boxWidth);

    Rect narrow{0, 0, 1, 0}; // a word wider than the box keeps its own line
    EXPECT_EQ(c.dc.DrawText("aaa bbb", narrow, DT_WORDBREAK | DT_CALCRECT), 2 * h);
    EXPECT_EQ(narrow.right, c.dc.GetTextExtentPoint32("aaa").cx);

    const int tab = 8 * c.dc.GetTextMetrics().aveCharWidth;
    Rect tabs{0, 0, 0, 0};
    c.dc.DrawText("a\tb", tabs, DT_EXPANDTABS | DT_CALCRECT);
    EXPECT_EQ(tabs.right, tab + c.dc.GetTextExtentPoint32("b").cx);
}

TEST(DeviceContextText, DrawTextAlignsLinesInTheBox) {
    const Rect box{40, 40, 360, 200};
    struct Case {
        unsigned format;
        int horizontal; // -1 left edge, 0 centre, +1 right edge
        int vertical;   // -1 top, 0 centre, +1 bottom
    } cases[] = {
        {DT_LEFT, -1, -1},
        {DT_CENTER, 0, -1},
        {DT_RIGHT, 1, -1},
        {DT_SINGLELINE | DT_VCENTER | DT_CENTER, 0, 0},
        {DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, 1, 1},
        {DT_VCENTER, -1, -1}, // vertical placement needs a single line
    };
    for (const Case& k : cases) {
        Canvas c;
        c.dc.SelectFont(Font(-40));
        c.dc.SetBkMode(OPAQUE); // the background box shows the cell exactly
        c.dc.SetBkColor(RGB(255, 0, 0));
        const TextMetrics tm = c.dc.GetTextMetrics();
        const int w = c.dc.GetTextExtentPoint32("HHH").cx;
        Rect r = box;
        const int height = c.dc.DrawText("HHH", r, k.format);
        EXPECT_EQ(r, box);
        const QRect cell = c.Ink();
        ASSERT_EQ(cell.width(), w) << k.format;
        ASSERT_EQ(cell.height(), tm.height) << k.format;
        const int left = k.horizontal < 0   ? box.left
                         : k.horizontal > 0 ? box.right - w
                                            : (box.left + box.right - w) / 2;
        const int top = k.vertical < 0   ? box.top
                        : k.vertical > 0 ? box.bottom - tm.height
                                         : (box.top + box.bottom - tm.height) / 2;
        EXPECT_EQ(cell.left(), left) << k.format;
        EXPECT_EQ(cell.top(), top) << k.format;
        EXPECT_EQ(height, top + tm.height - box.top) << k.format;
    }
}

TEST(DeviceContextText, DrawTextStacksLinesOneCellApart) {
    Canvas c;
    c.dc.SelectFont(Font(-30));
    c.dc.SetBkMode(OPAQUE);
    c.dc.SetBkColor(RGB(255, 0, 0));
    const int h = c.dc.GetTextMetrics().height;
    Rect r{20, 20, 380, 280};
    EXPECT_EQ(c.dc.DrawText("Top\nMiddle line\r\nEnd", r, DT_LEFT), 3 * h);
    const QRect ink = c.Ink();
    EXPECT_EQ(ink.top(), 20);
    EXPECT_EQ(ink.height(), 3 * h);
    EXPECT_EQ(ink.width(), c.dc.GetTextExtentPoint32("Middle line").cx);
}

TEST(DeviceContextText, PrefixesShowAnAmpersandOrAnUnderline) {
    auto render = [](const char* text, unsigned format) {
        Canvas c;
        c.dc.SelectFont(Font(-30));
        c.dc.SetBkMode(TRANSPARENT);
        Rect r{10, 10, 390, 100};
        c.dc.DrawText(text, r, format);
        return c.image;
    };
    EXPECT_EQ(render("a&&b", DT_LEFT), render("a&b", DT_NOPREFIX));
    EXPECT_NE(render("a&&b", DT_LEFT), render("ab", DT_LEFT));

    // "&H" is H with an underline below the baseline.
    Canvas c;
    c.dc.SelectFont(Font(-30));
    const int baseline = 10 + c.dc.GetTextMetrics().ascent;
    const QImage plain = render("H", DT_LEFT);
    const QImage marked = render("&H", DT_LEFT);
    auto lowestInk = [](const QImage& img) {
        for (int y = img.height() - 1; y >= 0; --y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != kWhite) return y;
        return -1;
    };
    EXPECT_LT(lowestInk(plain), baseline + 1);
    EXPECT_GT(lowestInk(marked), baseline);
}

TEST(DeviceContextText, DrawTextClipsToTheBoxUnlessNoClip) {
    for (unsigned noclip : {0u, unsigned(DT_NOCLIP)}) {
        Canvas c;
        c.dc.SelectFont(Font(-30));
        c.dc.SetBkMode(TRANSPARENT);
        Rect r{20, 20, 60, 40};
        c.dc.DrawText("HHHHHHHH\nHHHH", r, DT_LEFT | noclip);
        const QRect ink = c.Ink();
        ASSERT_FALSE(ink.isNull());
        if (noclip) {
            EXPECT_GT(ink.right(), 60);
            EXPECT_GT(ink.bottom(), 40);
        } else {
            EXPECT_LE(ink.right(), 59);
            EXPECT_LE(ink.bottom(), 39);
        }
    }
    // The device's clip applies as well.
    Canvas c;
    c.dc.SelectFont(Font(-30));
    c.dc.SelectClipRgn(regions::Rectangle({0, 0, 50, 300}));
    Rect r{20, 20, 380, 200};
    c.dc.DrawText("HHHHHHHH", r, DT_NOCLIP);
    EXPECT_LE(c.Ink().right(), 49);
}
