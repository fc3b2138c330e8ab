#include "DeviceContext.h"

#include <gtest/gtest.h>

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

} // namespace
