#include "DeviceContext.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(10, 20, 30);

QImage WhiteImage(int w, int h, QImage::Format format = QImage::Format_RGB32) {
    QImage img(w, h, format);
    img.fill(Qt::white);
    return img;
}

TEST(DeviceContext, FillSolidRectIsClippedAndExcludesRightAndBottom) {
    struct Case {
        const char* what;
        Rect fill;
        Rect painted; // what must change, in surface coordinates
    };
    const Case cases[] = {
        {"inside", {2, 3, 5, 6}, {2, 3, 5, 6}},
        {"over the top-left corner", {-5, -4, 3, 2}, {0, 0, 3, 2}},
        {"over the bottom-right corner", {8, 6, 100, 100}, {8, 6, 10, 8}},
        {"whole surface and beyond", {-1, -1, 11, 9}, {0, 0, 10, 8}},
        {"one pixel", {4, 4, 5, 5}, {4, 4, 5, 5}},
        {"zero width", {4, 4, 4, 7}, {}},
        {"un-normalised", {6, 6, 2, 2}, {}},
        {"entirely outside", {10, 0, 20, 8}, {}},
    };
    for (const Case& t : cases) {
        QImage img = WhiteImage(10, 8);
        DeviceContext dc(img);
        dc.FillSolidRect(t.fill, kInk);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                ASSERT_EQ(dc.GetPixel(x, y), PtInRect(t.painted, {x, y}) ? kInk : kWhite)
                    << t.what << " at " << x << "," << y;
    }
}

TEST(DeviceContext, PixelsKeepChannelOrderAndOutsideIsInvalid) {
    QImage img = WhiteImage(4, 3);
    DeviceContext dc(img);

    EXPECT_EQ(dc.SetPixel(1, 2, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(dc.GetPixel(1, 2), RGB(1, 2, 3));
    // COLORREF is 0x00BBGGRR; the image must hold red as red.
    EXPECT_EQ(qRed(img.pixel(1, 2)), 1);
    EXPECT_EQ(qBlue(img.pixel(1, 2)), 3);

    const Point outside[] = {{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {4, 3}, {-100, 100}};
    for (const Point& p : outside) {
        EXPECT_EQ(dc.GetPixel(p.x, p.y), CLR_INVALID) << p.x << "," << p.y;
        EXPECT_EQ(dc.SetPixel(p.x, p.y, kInk), CLR_INVALID) << p.x << "," << p.y;
    }
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            if (x != 1 || y != 2) {
                EXPECT_EQ(dc.GetPixel(x, y), kWhite) << x << "," << y;
            }
}

TEST(DeviceContext, OtherImageFormatsAreConvertedInPlace) {
    QImage img = WhiteImage(3, 3, QImage::Format_RGB888);
    DeviceContext dc(img);
    dc.SetPixel(0, 0, kInk);
    EXPECT_EQ(dc.GetPixel(0, 0), kInk);
    EXPECT_EQ(img.pixel(0, 0), qRgb(10, 20, 30)); // the caller's image sees the drawing
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 3);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), 96);
}

// Renders the surface as one character per pixel, for readable pixel expectations.
std::string Picture(const DeviceContext& dc, const std::map<COLORREF, char>& legend) {
    std::string out;
    for (int y = 0; y < dc.Height(); ++y) {
        for (int x = 0; x < dc.Width(); ++x) {
            const QRgb p = dc.Image().pixel(x, y);
            const auto it = legend.find(RGB(qRed(p), qGreen(p), qBlue(p)));
            out += it == legend.end() ? '?' : it->second;
        }
        out += '\n';
    }
    return out;
}

constexpr COLORREF kFill = RGB(200, 0, 0);
const std::map<COLORREF, char> kLegend = {{kWhite, '.'}, {kInk, '#'}, {kFill, 'o'}};

TEST(DeviceContext, SaveAndRestoreBringBackTheWholeState) {
    QImage img = WhiteImage(4, 4);
    DeviceContext dc(img);
    dc.SelectPen({PS_SOLID, 3, kInk});
    EXPECT_EQ(dc.SaveDC(), 1);
    dc.SelectPen({PS_NULL, 1, 0});
    dc.SetTextColor(kFill);
    dc.SelectClipRgn(regions::Rectangle({0, 0, 1, 1}));
    EXPECT_EQ(dc.SaveDC(), 2);
    dc.SelectBrush({BS_NULL, 0});
    EXPECT_EQ(dc.SaveDC(), 3);

    EXPECT_TRUE(dc.RestoreDC(-1)); // back to level 3's state: the null brush
    EXPECT_EQ(dc.CurrentBrush().style, BS_NULL);
    EXPECT_TRUE(dc.RestoreDC(1)); // drops level 2 as well
    EXPECT_EQ(dc.CurrentPen(), (Pen{PS_SOLID, 3, kInk}));
    EXPECT_EQ(dc.GetTextColor(), RGB(0, 0, 0));
    EXPECT_FALSE(dc.HasClip());
    EXPECT_EQ(dc.SetPixel(3, 3, kInk), kInk); // the clip went with the restore
    EXPECT_FALSE(dc.RestoreDC(1));
    EXPECT_FALSE(dc.RestoreDC(-1));
    EXPECT_FALSE(dc.RestoreDC(0));
}

TEST(DeviceContext, ClipRegionLimitsEveryOperation) {
    QImage src = WhiteImage(8, 8);
    src.fill(qRgb(10, 20, 30));
    struct Case {
        const char* what;
        std::function<void(DeviceContext&)> draw;
    };
    const Case cases[] = {
        {"SetPixel", [](DeviceContext& dc) {
             for (int y = 0; y < 8; ++y)
                 for (int x = 0; x < 8; ++x) dc.SetPixel(x, y, kInk);
         }},
        {"FillSolidRect", [](DeviceContext& dc) { dc.FillSolidRect({0, 0, 8, 8}, kInk); }},
        {"Rectangle", [](DeviceContext& dc) {
             dc.SelectPen({PS_SOLID, 1, kInk});
             dc.SelectBrush({BS_SOLID, kInk});
             dc.Rectangle(-1, -1, 9, 9);
         }},
        {"BitBlt", [&](DeviceContext& dc) { dc.BitBlt(0, 0, 8, 8, src, 0, 0); }},
        {"StretchBlt", [&](DeviceContext& dc) { dc.StretchBlt(0, 0, 8, 8, src, 0, 0, 2, 2); }},
        {"FloodFill", [](DeviceContext& dc) {
             dc.SelectBrush({BS_SOLID, kInk});
             dc.FloodFill(3, 3, kFill);
         }},
    };
    // A diamond-ish ellipse: the clip is not a rectangle, so the per-row runs are used.
    const QRegion clip = regions::Ellipse({1, 1, 7, 7});
    for (const Case& c : cases) {
        QImage img = WhiteImage(8, 8);
        DeviceContext dc(img);
        dc.SelectClipRgn(clip);
        c.draw(dc);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                ASSERT_EQ(img.pixel(x, y) == qRgb(10, 20, 30), clip.contains(QPoint(x, y)))
                    << c.what << " at " << x << "," << y;
                EXPECT_EQ(dc.GetPixel(x, y) == CLR_INVALID, !clip.contains(QPoint(x, y)));
            }
    }
}

TEST(DeviceContext, RectangleAndEllipseFollowPenAndBrush) {
    QImage img = WhiteImage(12, 9);
    DeviceContext dc(img);
    dc.SelectPen({PS_SOLID, 1, kInk});
    dc.SelectBrush({BS_SOLID, kFill});
    dc.Rectangle(9, 6, 2, 1); // un-normalised: the same as (2, 1, 9, 6)
    EXPECT_EQ(Picture(dc, kLegend), "............\n"
                                    "..#######...\n"
                                    "..#ooooo#...\n"
                                    "..#ooooo#...\n"
                                    "..#ooooo#...\n"
                                    "..#######...\n"
                                    "............\n"
                                    "............\n"
                                    "............\n");

    img.fill(Qt::white);
    dc.SelectPen({PS_SOLID, 3, kInk}); // centred on the outermost pixels
    dc.SelectBrush({BS_NULL, 0});
    dc.Rectangle(3, 2, 9, 8);
    EXPECT_EQ(Picture(dc, kLegend), "............\n"
                                    "..########..\n"
                                    "..########..\n"
                                    "..########..\n"
                                    "..###..###..\n"
                                    "..###..###..\n"
                                    "..########..\n"
                                    "..########..\n"
                                    "..########..\n");

    img.fill(Qt::white);
    dc.SelectPen({PS_SOLID, 1, kInk});
    dc.SelectBrush({BS_SOLID, kFill});
    dc.Ellipse(0, 0, 9, 7);
    EXPECT_EQ(Picture(dc, kLegend), "..#####.....\n"
                                    ".#ooooo#....\n"
                                    "#ooooooo#...\n"
                                    "#ooooooo#...\n"
                                    "#ooooooo#...\n"
                                    ".#ooooo#....\n"
                                    "..#####.....\n"
                                    "............\n"
                                    "............\n");
    // The ellipse region holds exactly the pixels the ellipse painted.
    const QRegion region = regions::Ellipse({0, 0, 9, 7});
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(region.contains(QPoint(x, y)), img.pixel(x, y) != qRgb(255, 255, 255));
}

TEST(DeviceContext, FloodFillStopsAtTheBoundaryColourOnly) {
    QImage img = WhiteImage(8, 6);
    DeviceContext dc(img);
    dc.SelectPen({PS_SOLID, 1, kInk});
    dc.SelectBrush({BS_NULL, 0});
    dc.Rectangle(1, 1, 6, 5);
    dc.SetPixel(3, 2, RGB(1, 1, 1)); // near-boundary colour is filled over
    dc.SelectBrush({BS_SOLID, kFill});
    EXPECT_TRUE(dc.FloodFill(2, 2, kInk));
    EXPECT_EQ(Picture(dc, kLegend), "........\n"
                                    ".#####..\n"
                                    ".#ooo#..\n"
                                    ".#ooo#..\n"
                                    ".#####..\n"
                                    "........\n");
    EXPECT_FALSE(dc.FloodFill(1, 1, kInk)); // starting on the boundary
    EXPECT_FALSE(dc.FloodFill(-1, 0, kInk));
    // Filling the outside with the fill colour already present still ends.
    EXPECT_TRUE(dc.FloodFill(0, 0, kInk));
    EXPECT_EQ(dc.GetPixel(7, 5), kFill);
}

TEST(DeviceContext, CopiesTakeOnlyWhatTheSourceHas) {
    QImage src(3, 2, QImage::Format_RGB32);
    src.fill(qRgb(10, 20, 30));
    src.setPixel(2, 1, qRgb(200, 0, 0));
    QImage img = WhiteImage(6, 4);
    DeviceContext dc(img);
    EXPECT_TRUE(dc.BitBlt(2, 1, 5, 5, src, 1, 0)); // only 2 x 2 source pixels exist there
    EXPECT_EQ(Picture(dc, kLegend), "......\n"
                                    "..##..\n"
                                    "..#o..\n"
                                    "......\n");
    EXPECT_TRUE(dc.BitBlt(-1000000, -1000000, 2000000000, 5, src, -5, -5)); // no overflow

    img.fill(Qt::white);
    dc.SetStretchBltMode(COLORONCOLOR);
    EXPECT_TRUE(dc.StretchBlt(0, 0, 6, 4, src, 0, 0, 3, 2)); // each pixel doubled
    EXPECT_EQ(Picture(dc, kLegend), "######\n"
                                    "######\n"
                                    "####oo\n"
                                    "####oo\n");
    EXPECT_FALSE(dc.StretchBlt(0, 0, 0, 4, src, 0, 0, 3, 2));
    EXPECT_FALSE(dc.BitBlt(0, 0, 1, 1, src, 0, 0, 0x00EE0086));
}

TEST(DeviceContext, FarOffShapesDrawOnlyTheVisiblePart) {
    // Damaged files and deep zoom give coordinates near the int32 limits: drawing must
    // neither overflow nor walk billions of rows.
    QImage img = WhiteImage(8, 8);
    DeviceContext dc(img);
    dc.SelectPen({PS_SOLID, 3, kInk});
    dc.SelectBrush({BS_SOLID, kFill});
    EXPECT_TRUE(dc.Ellipse(-2000000000, -2000000000, 2000000000, 2000000000));
    EXPECT_EQ(dc.GetPixel(4, 4), kFill);
    img.fill(Qt::white);
    EXPECT_TRUE(dc.Rectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
    EXPECT_EQ(dc.GetPixel(4, 4), kFill);
    dc.FillSolidRect({INT32_MIN, 2, INT32_MAX, 3}, kInk);
    EXPECT_EQ(dc.GetPixel(7, 2), kInk);
}

} // namespace
