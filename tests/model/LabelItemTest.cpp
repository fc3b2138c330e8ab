#include "DeviceContext.h"
#include "LabelItem.h"

#include <QImage>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

// A two-point item with the base behaviour, as line, ellipse and rectangle have it.
class TwoPointItem : public LabelItem {
public:
    TwoPointItem(int x1, int y1, int x2, int y2) : LabelItem(ItemKind::Rectangle) {
        data_.points = {{double(x1), double(y1)}, {double(x2), double(y2)}};
        data_.rect = {x1, y1, x2, y2};
    }
};

class BareItem : public LabelItem {
public:
    BareItem() : LabelItem(ItemKind::Text) {}
};

} // namespace

TEST(LabelItem, DefaultsOfANewItem) {
    const BareItem item;
    const ItemData& d = item.Data();
    EXPECT_EQ(item.GetKind(), 7);
    EXPECT_EQ(d.penWidth, 1);
    EXPECT_EQ(d.hasTrackText, 1);
    EXPECT_EQ(d.trackLayout, 1);
    EXPECT_EQ(d.alignment, 0);
    EXPECT_EQ(d.fillColor, 0u);
    EXPECT_EQ(d.rotation, 0.0);
    EXPECT_TRUE(d.points.empty());
    EXPECT_TRUE(d.trackNumbers.IsNull());
    EXPECT_EQ(item.FirstPoint(), (Point{0, 0}));
}

TEST(LabelItem, HandleSquaresHaveExclusiveRightAndBottomEdges) {
    const TwoPointItem item(10, 20, 110, 70);
    const Rect r = item.GetRect();
    struct Case {
        Point p;
        int handle;
    } cases[] = {
        {{10, 20}, 0},  {{7, 20}, 0},    {{13, 20}, 4},  {{10, 17}, 0},  {{10, 23}, 4},
        {{12, 22}, 0},  {{110, 20}, 1},  {{113, 20}, 4}, {{107, 17}, 1}, {{110, 70}, 2},
        {{109, 69}, 2}, {{10, 70}, 3},   {{60, 45}, 4},  {{112, 72}, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(item.HitTestHandle(r, c.p), c.handle) << c.p.x << "," << c.p.y;
}

TEST(LabelItem, HandleModesFollowTheDiagonals) {
    const TwoPointItem item(110, 70, 10, 20); // un-normalised: modes use the ordered box
    EXPECT_EQ(item.HandleModeAt(10, 20), LabelItem::DiagonalMainMode);
    EXPECT_EQ(item.HandleModeAt(110, 70), LabelItem::DiagonalMainMode);
    EXPECT_EQ(item.HandleModeAt(110, 20), LabelItem::DiagonalCrossMode);
    EXPECT_EQ(item.HandleModeAt(10, 70), LabelItem::DiagonalCrossMode);
    EXPECT_EQ(item.HandleModeAt(60, 45), LabelItem::NoHandleMode);
}

TEST(LabelItem, HitTestWidensZeroSizedBoxes) {
    const TwoPointItem vertical(50, 10, 50, 90);
    EXPECT_TRUE(vertical.HitTest(49, 50));
    EXPECT_TRUE(vertical.HitTest(50, 50));
    EXPECT_FALSE(vertical.HitTest(51, 50)); // right edge stays exclusive
    EXPECT_FALSE(vertical.HitTest(48, 50));

    const TwoPointItem dot(5, 5, 5, 5);
    for (int dy = -1; dy <= 0; ++dy)
        for (int dx = -1; dx <= 0; ++dx) EXPECT_TRUE(dot.HitTest(5 + dx, 5 + dy));
    EXPECT_FALSE(dot.HitTest(7, 5));

    const TwoPointItem reversed(90, 80, 10, 20);
    const TwoPointItem ordered(10, 20, 90, 80);
    for (Point p : {Point{10, 20}, Point{89, 79}, Point{90, 50}, Point{50, 80}, Point{9, 50}})
        EXPECT_EQ(reversed.HitTest(p.x, p.y), ordered.HitTest(p.x, p.y)) << p.x << "," << p.y;
}

TEST(LabelItem, BorderStripsAreSixUnitsWide) {
    const Rect r{100, 100, 200, 160};
    struct Case {
        Point p;
        bool hit;
    } cases[] = {{{97, 130}, true},   {{103, 130}, false}, {{102, 130}, true},
                 {{150, 97}, true},   {{150, 103}, false}, {{203, 130}, false},
                 {{197, 163}, false}, {{197, 162}, true},  {{150, 130}, false},
                 {{96, 130}, false}};
    for (const Case& c : cases)
        EXPECT_EQ(LabelItem::HitTestBorder(r, c.p), c.hit) << c.p.x << "," << c.p.y;
}

TEST(LabelItem, OffsetMovesPointsAndBox) {
    TwoPointItem item(1, 2, 30, 40);
    item.Offset(-5, 7);
    EXPECT_EQ(item.GetRect(), (Rect{-4, 9, 25, 47}));
    EXPECT_EQ(item.Data().points[1], (ItemPoint{25, 47}));
}

TEST(LabelItem, ResizeMovesTheHandlesCorner) {
    struct Case {
        int handle;
        Rect expected;
    } cases[] = {{1, {0, 5, 100, 80}},  {2, {10, 5, 0, 80}},  {3, {10, 20, 0, 5}},
                 {4, {0, 20, 100, 5}},  {0, {10, 20, 100, 80}}, {5, {10, 20, 100, 80}},
                 {-1, {10, 20, 100, 80}}};
    for (const Case& c : cases) {
        TwoPointItem item(10, 20, 100, 80);
        item.Resize(c.handle, 0, 5);
        EXPECT_EQ(item.GetRect(), c.expected) << "handle " << c.handle;
    }
    BareItem noPoints;
    noPoints.Data().rect = {1, 2, 3, 4};
    noPoints.Resize(3, 50, 50);
    EXPECT_EQ(noPoints.GetRect(), (Rect{1, 2, 3, 4}));
}

TEST(LabelItem, QuarterTurnsAboutTheIntegerCentre) {
    TwoPointItem item(0, 0, 41, 20); // centre (20, 10)
    item.Rotate90(90.0);
    EXPECT_EQ(item.GetRect(), (Rect{10, -10, 30, 31}));
    EXPECT_EQ(item.Data().points[0], (ItemPoint{30, -10}));
    EXPECT_EQ(item.Data().points[1], (ItemPoint{10, 31}));
    EXPECT_DOUBLE_EQ(item.Data().rotation, 90.0);

    TwoPointItem back(0, 0, 41, 20);
    back.Rotate90(-90.0);
    EXPECT_EQ(back.GetRect(), (Rect{10, -11, 30, 30}));
    EXPECT_EQ(back.Data().points[0], (ItemPoint{10, 30}));

    TwoPointItem none(0, 0, 41, 20);
    none.Rotate90(0.05);
    EXPECT_EQ(none.GetRect(), (Rect{0, 0, 41, 20}));
    EXPECT_DOUBLE_EQ(none.Data().rotation, 0.05);
}

TEST(LabelItem, RotationResetsAfterAFullTurn) {
    TwoPointItem item(0, 0, 40, 20);
    for (int i = 0; i < 3; ++i) item.Rotate90(90.0);
    EXPECT_DOUBLE_EQ(item.Data().rotation, 270.0);
    item.Rotate90(90.0);
    EXPECT_DOUBLE_EQ(item.Data().rotation, 0.0);
    EXPECT_EQ(item.GetRect(), (Rect{0, 0, 40, 20}));
}

TEST(LabelItem, RotateByTurnsWholeQuarterTurns) {
    struct Case {
        double angle;
        double rotation; // accumulated
        int clockwiseTurns;
    } cases[] = {
        {270.0, 270.0, 3}, {-450.0, -90.0, -1}, {0.05, 0.0, 0},  {90.0, 90.0, 1},
        {-180.0, -180.0, -2}, {720.0, 0.0, 4},  {370.0, 0.0, 0},
        // Not a multiple of 90: the nearest quarter turn, and the call returns.
        {45.0, 90.0, 1},   {30.0, 0.0, 0},      {-100.0, -90.0, -1}, {134.0, 90.0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        TwoPointItem item(0, 0, 40, 20);
        TwoPointItem expected(0, 0, 40, 20);
        for (int i = 0; i < c.clockwiseTurns; ++i) expected.Rotate90(90.0);
        for (int i = 0; i > c.clockwiseTurns; --i) expected.Rotate90(-90.0);
        item.RotateBy(c.angle);
        EXPECT_EQ(item.GetRect(), expected.GetRect());
        EXPECT_EQ(item.Data().points, expected.Data().points);
        EXPECT_DOUBLE_EQ(item.Data().rotation, c.rotation);
    }
    TwoPointItem nan(0, 0, 40, 20);
    nan.RotateBy(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(nan.GetRect(), (Rect{0, 0, 40, 20}));
    // Huge angles reduce without looping for ever.
    TwoPointItem huge(0, 0, 40, 20);
    huge.RotateBy(1e300);
    huge.RotateBy(-1e300);
    EXPECT_LT(std::abs(huge.Data().rotation), 360.0);
}

TEST(LabelItem, ExtremeCoordinatesDoNotOverflow) {
    TwoPointItem item(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    item.Rotate90(90.0);
    item.Offset(INT_MAX, INT_MAX);
    EXPECT_EQ(item.GetRect(), (Rect{0, -1, INT_MAX, INT_MAX}));
    EXPECT_EQ(item.HitTestHandle(item.GetRect(), {INT_MAX - 1, INT_MAX - 1}), 2);
    EXPECT_TRUE(LabelItem::HitTestBorder({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {INT_MIN, 0}));
}

TEST(LabelItem, HandlesArePaintedAtTheStoredCorners) {
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    DeviceContext dc(image);
    const TwoPointItem item(30, 30, 10, 10); // un-normalised
    item.DrawHandles(dc);
    const COLORREF blue = LabelItem::kHandleColor;
    EXPECT_EQ(dc.GetPixel(27, 27), blue);
    EXPECT_EQ(dc.GetPixel(32, 32), blue);
    EXPECT_EQ(dc.GetPixel(33, 33), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(26, 30), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(10, 30), blue);
    EXPECT_EQ(dc.GetPixel(30, 10), blue);
    EXPECT_EQ(dc.GetPixel(20, 20), RGB(255, 255, 255));
}
