#include "ShapeItems.h"

#include "DeviceContext.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

QImage Surface(int w, int h, QRgb fill = qRgb(255, 255, 255)) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

// Pixels that differ from the background, with their colours.
using PixelMap = std::map<std::pair<int, int>, COLORREF>;

PixelMap Ink(const DeviceContext& dc, COLORREF background) {
    PixelMap ink;
    for (int y = 0; y < dc.Height(); ++y)
        for (int x = 0; x < dc.Width(); ++x) {
            const QRgb p = dc.Image().pixel(x, y);
            const COLORREF c = RGB(qRed(p), qGreen(p), qBlue(p));
            if (c != background) ink[{x, y}] = c;
        }
    return ink;
}

COLORREF Grey(int v) { return RGB(v, v, v); }

TEST(DrawSmoothLine, PixelsWorkedOutByHand) {
    struct Case {
        const char* what;
        int x0, y0, x1, y1;
        COLORREF line;
        QRgb background;
        PixelMap expected;
    };
    const Case cases[] = {
        {"horizontal, right to left", 5, 2, 1, 2, kBlack, qRgb(255, 255, 255),
         {{{1, 2}, kBlack}, {{2, 2}, kBlack}, {{3, 2}, kBlack}, {{4, 2}, kBlack}, {{5, 2}, kBlack}}},
        {"vertical, bottom to top (the ends swap)", 1, 3, 1, 0, kBlack, qRgb(255, 255, 255),
         {{{1, 0}, kBlack}, {{1, 1}, kBlack}, {{1, 2}, kBlack}, {{1, 3}, kBlack}}},
        {"45 degrees", 0, 0, 3, 3, kBlack, qRgb(255, 255, 255),
         {{{0, 0}, kBlack}, {{1, 1}, kBlack}, {{2, 2}, kBlack}, {{3, 3}, kBlack}}},
        // step 65536 / 4: weights 64, 128, 192 on the main pixel, their complements beside.
        {"steep, dark on light", 0, 0, 1, 4, kBlack, qRgb(255, 255, 255),
         {{{0, 0}, kBlack}, {{0, 1}, Grey(64)}, {{1, 1}, Grey(191)}, {{0, 2}, Grey(128)},
          {{1, 2}, Grey(127)}, {{0, 3}, Grey(192)}, {{1, 3}, Grey(63)}, {{1, 4}, kBlack}}},
        // A light line takes the complementary weights, so it fades the same way.
        {"steep, light on dark", 0, 0, 1, 4, kWhite, qRgb(0, 0, 0),
         {{{0, 0}, kWhite}, {{0, 1}, Grey(191)}, {{1, 1}, Grey(64)}, {{0, 2}, Grey(127)},
          {{1, 2}, Grey(128)}, {{0, 3}, Grey(63)}, {{1, 3}, Grey(192)}, {{1, 4}, kWhite}}},
        {"shallow, right to left", 4, 0, 0, 1, kBlack, qRgb(255, 255, 255),
         {{{4, 0}, kBlack}, {{3, 0}, Grey(64)}, {{3, 1}, Grey(191)}, {{2, 0}, Grey(128)},
          {{2, 1}, Grey(127)}, {{1, 0}, Grey(192)}, {{1, 1}, Grey(63)}, {{0, 1}, kBlack}}},
        // Channels blend one by one: red stays full, green and blue follow the weight.
        {"coloured line", 0, 0, 1, 4, kRed, qRgb(255, 255, 255),
         {{{0, 0}, kRed}, {{0, 1}, RGB(255, 64, 64)}, {{1, 1}, RGB(255, 191, 191)},
          {{0, 2}, RGB(255, 128, 128)}, {{1, 2}, RGB(255, 127, 127)},
          {{0, 3}, RGB(255, 192, 192)}, {{1, 3}, RGB(255, 63, 63)}, {{1, 4}, kRed}}},
    };
    for (const Case& c : cases) {
        QImage img = Surface(6, 5, c.background);
        DeviceContext dc(img);
        DrawSmoothLine(dc, c.x0, c.y0, c.x1, c.y1, c.line);
        const QRgb b = c.background;
        EXPECT_EQ(Ink(dc, RGB(qRed(b), qGreen(b), qBlue(b))), c.expected) << c.what;
    }
}

TEST(DrawSmoothLine, FarOffEndPointsDrawOnlyWhatIsVisible) {
    QImage img = Surface(20, 20);
    DeviceContext dc(img);
    // Two billion steps if walked one by one; must still draw the visible diagonal part.
    DrawSmoothLine(dc, -2000000000, -2000000000, 2000000000, 2000000000, kBlack);
    DrawSmoothLine(dc, -2000000000, 10, 2000000000, 11, kBlack);
    DrawSmoothLine(dc, 3, -2000000000, 4, 2000000000, kBlack);
    EXPECT_EQ(dc.GetPixel(7, 7), kBlack);
    EXPECT_NE(dc.GetPixel(12, 10), kWhite);
    EXPECT_NE(dc.GetPixel(3, 15), kWhite);
}

TEST(ShapeItems, CircleResizeKeepsTheBoxSquare) {
    struct Case {
        int handle, x, y;
        Rect expected;
    };
    const Case cases[] = {
        {3, 30, 24, {0, 0, 27, 27}},    // 10 right and 4 down: grows by 7 both ways
        {1, -3, 0, {-1, -1, 20, 20}},   // (-3 + 0) / 2 truncates toward zero
        {2, 24, -6, {0, -5, 25, 20}},   // d = (-4 - 6) / 2
        {4, 2, 30, {-4, 0, 20, 24}},    // d = (-2 + 10) / 2
        {0, 50, 50, {0, 0, 20, 20}},    // not a corner: unchanged
    };
    for (const Case& c : cases) {
        CircleItem circle(0, 0, 20, kBlack, kWhite);
        circle.Resize(c.handle, c.x, c.y);
        EXPECT_EQ(circle.GetRect(), c.expected) << "handle " << c.handle;
        const auto& p = circle.Data().points;
        EXPECT_EQ(p[0], (ItemPoint{double(c.expected.left), double(c.expected.top)}));
        EXPECT_EQ(p[1], (ItemPoint{double(c.expected.right), double(c.expected.bottom)}));
    }
    CircleItem circle(0, 0, 20, kBlack, kWhite);
    circle.Rotate90(90);
    EXPECT_EQ(circle.GetRect(), (Rect{0, 0, 20, 20}));
    EXPECT_EQ(circle.Data().rotation, 0.0);
}

TEST(ShapeItems, QuarterTurnsOfLinesAndBoxes) {
    // A slanted line stays the same line, turned about the centre of its box.
    LineItem line(0, 0, 10, 4, kBlack, kWhite);
    line.Rotate90(90);
    EXPECT_EQ(line.Data().points[0], (ItemPoint{7, -3}));
    EXPECT_EQ(line.Data().points[1], (ItemPoint{3, 7}));
    EXPECT_EQ(line.GetRect(), (Rect{7, -3, 3, 7}));
    line.Rotate90(-90);
    EXPECT_EQ(line.Data().points[0], (ItemPoint{0, 0}));
    EXPECT_EQ(line.Data().points[1], (ItemPoint{10, 4}));
    EXPECT_EQ(line.GetRect(), (Rect{0, 0, 10, 4}));

    // Boxes: the corner points follow the new, normalised box.
    EllipseItem ellipse(20, 10, 0, 0, kBlack, kWhite);
    ellipse.Rotate90(90);
    EXPECT_EQ(ellipse.GetRect(), (Rect{5, -5, 15, 15}));
    EXPECT_EQ(ellipse.Data().points[0], (ItemPoint{5, -5}));
    EXPECT_EQ(ellipse.Data().points[1], (ItemPoint{15, 15}));
    EXPECT_EQ(ellipse.Data().rotation, 90.0);
}

TEST(ShapeItems, FreehandAppendsAndScalesFromItsSnapshot) {
    FreehandItem pen(0, 10, kBlack);
    pen.Resize(0, 10, 10);
    pen.Resize(0, 20, 10);
    EXPECT_EQ(pen.GetRect(), (Rect{0, 10, 20, 10}));

    pen.BeginReshape();
    pen.Resize(3, 30, 20); // first step of the drag
    pen.Resize(3, 40, 30); // the offsets accumulate: right edge 20 -> 40
    const auto& p = pen.Data().points;
    EXPECT_EQ(p[1], (ItemPoint{20, 10})); // x doubles; the flat snapshot keeps every y
    EXPECT_EQ(p[2], (ItemPoint{40, 10}));
    EXPECT_EQ(pen.GetRect(), (Rect{0, 10, 40, 30})); // the box is the dragged one

    // Dragging the top-left corner: the fixed edge is the right one.
    FreehandItem stroke(0, 0, kBlack);
    stroke.Resize(0, 3, 3);
    stroke.BeginReshape();
    stroke.Resize(1, -3, -3);
    EXPECT_EQ(stroke.Data().points[0], (ItemPoint{-3, -3}));
    EXPECT_EQ(stroke.Data().points[1], (ItemPoint{3, 3}));
}

TEST(ShapeItems, TriangleScalesInWholeUnits) {
    TriangleItem tri(0, 0, kBlack, kRed);
    tri.Resize(0, 3, 0);
    tri.Resize(0, 1, 3);
    FreehandItem pen(0, 0, kBlack);
    pen.Resize(0, 3, 0);
    pen.Resize(0, 1, 3);
    for (LabelItem* item : {static_cast<LabelItem*>(&tri), static_cast<LabelItem*>(&pen)}) {
        item->BeginReshape();
        item->Resize(3, 4, 4);
    }
    EXPECT_EQ(tri.Data().points[2], (ItemPoint{1, 4}));      // 1 * 4 / 3 truncated
    EXPECT_EQ(pen.Data().points[2].x, 4.0 / 3.0);            // the stroke keeps fractions
    EXPECT_EQ(tri.Data().points[1], (ItemPoint{4, 0}));
}

TEST(ShapeItems, TrianglePendingEdgeAndOffset) {
    TriangleItem tri(2, 2, kBlack, kRed);
    tri.Resize(0, 12, 2);
    tri.Resize(-1, 12, 12); // the mouse, not a corner
    EXPECT_EQ(tri.Data().points.size(), 2u);
    EXPECT_EQ(tri.GetRect(), (Rect{2, 2, 12, 12}));

    QImage img = Surface(16, 16);
    DeviceContext dc(img);
    tri.Draw(dc, true);
    EXPECT_EQ(dc.GetPixel(7, 2), kBlack);  // corner 1 to corner 2
    EXPECT_EQ(dc.GetPixel(12, 7), kBlack); // corner 2 to the mouse
    EXPECT_EQ(dc.GetPixel(7, 7), kWhite);  // no closing edge yet
    EXPECT_EQ(dc.GetPixel(5, 9), kWhite);

    tri.Offset(1, 2);
    EXPECT_EQ(tri.PendingPoint(), (Point{13, 14}));
}

TEST(ShapeItems, CompleteTriangleFillStopsAtItsEdges) {
    TriangleItem tri(2, 2, kBlack, kBlue);
    tri.Resize(0, 18, 2);
    tri.Resize(0, 2, 18);
    EXPECT_EQ(tri.FillSeed(), (Point{6, 6}));

    QImage img = Surface(24, 24);
    DeviceContext dc(img);
    dc.SelectClipRgn(regions::Rectangle({0, 0, 24, 14})); // the page ends at y = 14
    tri.Draw(dc, false);
    tri.Draw(dc, true);
    EXPECT_EQ(dc.GetPixel(5, 5), kBlue);
    EXPECT_EQ(dc.GetPixel(8, 9), kBlue);
    EXPECT_EQ(dc.GetPixel(2, 2), kBlack);
    EXPECT_TRUE(dc.HasClip()); // the item's own clip did not outlive its drawing
    dc.SelectClipRgn(nullptr);
    EXPECT_EQ(dc.GetPixel(13, 13), kWhite); // beyond the long edge
    EXPECT_EQ(dc.GetPixel(20, 20), kWhite);
    EXPECT_EQ(dc.GetPixel(4, 15), kWhite); // inside the triangle but outside the page
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            if (x + y > 22 || x < 2 || y < 2) {
                EXPECT_NE(dc.GetPixel(x, y), kBlue) << x << "," << y;
            }
}

TEST(ShapeItems, BoxShapesDrawWithPenWidthAndFill) {
    QImage img = Surface(30, 30);
    DeviceContext dc(img);
    RectangleItem rect(20, 20, 4, 4, kBlack, kBlue); // drawn from the far corner
    rect.Data().penWidth = 3;
    rect.Draw(dc, false);
    EXPECT_EQ(dc.GetPixel(12, 12), kBlue);
    EXPECT_EQ(dc.GetPixel(3, 12), kBlack);  // the wide pen reaches one pixel outside
    EXPECT_EQ(dc.GetPixel(2, 12), kWhite);
    EXPECT_EQ(dc.GetPixel(20, 12), kBlack); // and covers the last pixel row inside
    EXPECT_EQ(dc.GetPixel(21, 12), kWhite);

    img.fill(Qt::white);
    EllipseItem ellipse(2, 2, 28, 20, kRed, kBlue);
    ellipse.Draw(dc, false);
    EXPECT_EQ(dc.GetPixel(15, 11), kBlue);
    EXPECT_EQ(dc.GetPixel(2, 2), kWhite); // the box's corner is outside the ellipse
    EXPECT_EQ(dc.GetPixel(15, 25), kWhite);
    EXPECT_EQ(dc.GetPixel(2, 11), kRed);
}

} // namespace
