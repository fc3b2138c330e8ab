#include "ShapeItems.h"

#include "DeviceContext.h"

#include <cmath>
#include <cstdlib>

namespace {

// Luminance 0.299 R + 0.587 G + 0.114 B, scaled by 1000 so it is exact in integers.
int GreyLevel(COLORREF c) { return 299 * GetRValue(c) + 587 * GetGValue(c) + 114 * GetBValue(c); }

// Mixes the line colour into the pixel; w is the share of the background for a line darker
// than the background, and of the line for a lighter one.
void Blend(DeviceContext::PixelAccess& px, int x, int y, COLORREF line, int lineGrey,
           unsigned w) {
    if (!px.Visible(x, y)) return;
    QRgb& pixel = px.Row(y)[x];
    const int br = qRed(pixel), bg = qGreen(pixel), bb = qBlue(pixel);
    const int weight =
        static_cast<int>(lineGrey >= 299 * br + 587 * bg + 114 * bb ? (w ^ 255u) : w);
    auto mix = [weight](int l, int b) {
        return l < b ? l + (b - l) * weight / 255 : b + (l - b) * weight / 255;
    };
    pixel = qRgb(mix(GetRValue(line), br), mix(GetGValue(line), bg), mix(GetBValue(line), bb));
}

// The steps of a run that can touch the surface: steps i in [first, last] put the moving
// coordinate start + dir * i within one pixel of [0, extent).
std::pair<std::int64_t, std::int64_t> VisibleSteps(std::int64_t start, int dir,
                                                   std::int64_t count, int extent) {
    std::int64_t first, last;
    if (dir > 0) {
        first = -1 - start;
        last = extent - start;
    } else {
        first = start - extent;
        last = start + 1;
    }
    return {std::max<std::int64_t>(first, 1), std::min(last, count)};
}

std::int32_t Trunc(double v) { return TruncToInt32(v); }

} // namespace

void DrawSmoothLine(DeviceContext& dc, int x0, int y0, int x1, int y1, COLORREF color) {
    if (y1 < y0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    DeviceContext::PixelAccess px = dc.Pixels();
    px.Set(x0, y0, color);
    const std::int64_t dx = std::int64_t{x1} - x0;
    const int xStep = dx < 0 ? -1 : 1;
    const std::int64_t ax = std::llabs(dx);
    const std::int64_t dy = std::int64_t{y1} - y0;
    const int width = px.Width(), height = px.Height();

    // Far-off end points (damaged files, deep zoom) would take billions of steps; only the
    // steps that can reach the surface are walked, the others are skipped arithmetically.
    if (dy == 0 || ax == 0 || ax == dy) {
        const std::int64_t n = dy == 0 ? ax : dy;
        auto [first, last] =
            dy == 0 ? VisibleSteps(x0, xStep, n, width) : VisibleSteps(y0, 1, n, height);
        for (std::int64_t i = first; i <= last; ++i) {
            const std::int64_t x = ax == 0 ? x0 : x0 + xStep * i;
            const std::int64_t y = dy == 0 ? y0 : y0 + i;
            px.Set(static_cast<int>(x), static_cast<int>(y), color);
        }
        px.Set(x1, y1, color); // the last step of each run ends on the end point
        return;
    }

    // The minor coordinate advances when the 16-bit accumulator wraps. A slope below
    // 1/65536 gives a step of 0, which never wraps: such a line stays on its first row
    // (or column) instead of advancing on every step.
    const int grey = GreyLevel(color);
    if (ax < dy) {
        const auto step = static_cast<std::uint16_t>((ax * 65536) / dy);
        auto [first, last] = VisibleSteps(y0, 1, dy - 1, height);
        if (first <= last) {
            // State after first - 1 steps: the accumulator wrapped once per x advance.
            const std::int64_t done = first - 1;
            auto acc = static_cast<std::uint16_t>((done * step) & 0xFFFF);
            std::int64_t x = x0 + xStep * ((done * step) >> 16);
            for (std::int64_t i = first; i <= last; ++i) {
                const std::uint16_t old = acc;
                acc = static_cast<std::uint16_t>(acc + step);
                if (acc < old) x += xStep;
                const int y = static_cast<int>(y0 + i);
                const unsigned w = acc >> 8;
                if (x >= -1 && x <= width) {
                    Blend(px, static_cast<int>(x), y, color, grey, w);
                    Blend(px, static_cast<int>(x + xStep), y, color, grey, w ^ 255u);
                }
            }
        }
    } else {
        const auto step = static_cast<std::uint16_t>((dy * 65536) / ax);
        auto [first, last] = VisibleSteps(x0, xStep, ax - 1, width);
        if (first <= last) {
            const std::int64_t done = first - 1;
            auto acc = static_cast<std::uint16_t>((done * step) & 0xFFFF);
            std::int64_t y = y0 + ((done * step) >> 16);
            for (std::int64_t i = first; i <= last; ++i) {
                const std::uint16_t old = acc;
                acc = static_cast<std::uint16_t>(acc + step);
                if (acc < old) ++y;
                const int x = static_cast<int>(x0 + xStep * i);
                const unsigned w = acc >> 8;
                if (y >= -1 && y <= height) {
                    Blend(px, x, static_cast<int>(y), color, grey, w);
                    Blend(px, x, static_cast<int>(y + 1), color, grey, w ^ 255u);
                }
            }
        }
    }
    px.Set(x1, y1, color);
}

void DrawSmoothEllipse(DeviceContext& dc, int left, int top, int right, int bottom,
                       COLORREF color) {
    constexpr double kFullTurn = 6.2831855;
    const double cx = (static_cast<double>(left) + right + 0.5) / 2.0;
    const double cy = (static_cast<double>(top) + bottom + 0.5) / 2.0;
    const double rx = std::fabs(static_cast<double>(right) - left) / 2.0;
    const double ry = std::fabs(static_cast<double>(bottom) - top) / 2.0;
    const double stepAngle = kFullTurn / (rx + ry);
    // Beyond a few million segments the outline is far larger than any surface.
    if (!(stepAngle > 1e-7)) return;
    double px = cx + rx, py = cy;
    for (double angle = 0.0; angle < kFullTurn; angle += stepAngle) {
        const double nx = cx + std::cos(angle) * rx;
        const double ny = cy - std::sin(angle) * ry;
        DrawSmoothLine(dc, Trunc(px), Trunc(py), Trunc(nx), Trunc(ny), color);
        px = nx;
        py = ny;
    }
}

// --- line ------------------------------------------------------------------------------

namespace {
void SetTwoPoints(ItemData& d, int x1, int y1, int x2, int y2) {
    d.points = {{double(x1), double(y1)}, {double(x2), double(y2)}};
    d.rect = {x1, y1, x2, y2};
}
} // namespace

LineItem::LineItem(int x1, int y1, int x2, int y2, COLORREF lineColor, COLORREF fillColor)
    : LabelItem(ItemKind::Line) {
    SetTwoPoints(data_, x1, y1, x2, y2);
    data_.lineColor = lineColor;
    data_.fillColor = fillColor;
}

LineItem::LineItem(const std::uint8_t* record, std::size_t length) : LabelItem(ItemKind::Line) {
    ReadRecord(record, length);
}

void LineItem::Rotate90(double angle) {
    LabelItem::Rotate90(angle);
    if (data_.points.size() >= 2)
        data_.rect = {Trunc(data_.points[0].x), Trunc(data_.points[0].y),
                      Trunc(data_.points[1].x), Trunc(data_.points[1].y)};
}

void LineItem::Draw(DeviceContext& dc, bool) {
    if (data_.points.size() < 2) return;
    const int saved = dc.SaveDC();
    DrawSmoothLine(dc, Trunc(data_.points[0].x), Trunc(data_.points[0].y),
                   Trunc(data_.points[1].x), Trunc(data_.points[1].y), data_.lineColor);
    dc.RestoreDC(saved);
}

// --- ellipse, circle, rectangle --------------------------------------------------------

BoxShapeItem::BoxShapeItem(ItemKind kind, int x1, int y1, int x2, int y2, COLORREF lineColor,
                           COLORREF fillColor)
    : LabelItem(kind) {
    SetTwoPoints(data_, x1, y1, x2, y2);
    data_.lineColor = lineColor;
    data_.fillColor = fillColor;
}

BoxShapeItem::BoxShapeItem(ItemKind kind, const std::uint8_t* record, std::size_t length)
    : LabelItem(kind) {
    ReadRecord(record, length);
}

void BoxShapeItem::Rotate90(double angle) {
    LabelItem::Rotate90(angle);
    const Rect& r = data_.rect;
    data_.points = {{double(r.left), double(r.top)}, {double(r.right), double(r.bottom)}};
}

int BoxShapeItem::SelectPenAndBrush(DeviceContext& dc) const {
    const int saved = dc.SaveDC();
    dc.SelectPen({PS_SOLID, data_.penWidth, data_.lineColor});
    dc.SelectBrush({BS_SOLID, data_.fillColor});
    return saved;
}

EllipseItem::EllipseItem(int x1, int y1, int x2, int y2, COLORREF lineColor, COLORREF fillColor)
    : EllipseItem(ItemKind::Ellipse, x1, y1, x2, y2, lineColor, fillColor) {}

EllipseItem::EllipseItem(ItemKind kind, int x1, int y1, int x2, int y2, COLORREF lineColor,
                         COLORREF fillColor)
    : BoxShapeItem(kind, x1, y1, x2, y2, lineColor, fillColor) {}

EllipseItem::EllipseItem(const std::uint8_t* record, std::size_t length)
    : EllipseItem(ItemKind::Ellipse, record, length) {}

EllipseItem::EllipseItem(ItemKind kind, const std::uint8_t* record, std::size_t length)
    : BoxShapeItem(kind, record, length) {}

void EllipseItem::Draw(DeviceContext& dc, bool) {
    if (data_.points.size() < 2) return;
    const int saved = SelectPenAndBrush(dc);
    const int l = Trunc(data_.points[0].x), t = Trunc(data_.points[0].y);
    const int r = Trunc(data_.points[1].x), b = Trunc(data_.points[1].y);
    dc.Ellipse(l, t, r, b);
    DrawSmoothEllipse(dc, l, t, r, b, data_.lineColor);
    dc.RestoreDC(saved);
}

CircleItem::CircleItem(int x, int y, int diameter, COLORREF lineColor, COLORREF fillColor)
    : EllipseItem(ItemKind::Circle, x, y, ClampToInt32(std::int64_t{x} + diameter),
                  ClampToInt32(std::int64_t{y} + diameter), lineColor, fillColor) {}

CircleItem::CircleItem(const std::uint8_t* record, std::size_t length)
    : EllipseItem(ItemKind::Circle, record, length) {}

void CircleItem::Resize(int handle, int x, int y) {
    std::int64_t l = data_.rect.left, t = data_.rect.top, r = data_.rect.right,
                 b = data_.rect.bottom;
    std::int64_t d = 0;
    switch (handle) {
    case 1:
        d = ((x - l) + (y - t)) / 2;
        l += d;
        t += d;
        break;
    case 2:
        d = ((r - x) + (y - t)) / 2;
        t += d;
        r -= d;
        break;
    case 3:
        d = ((x - r) + (y - b)) / 2;
        r += d;
        b += d;
        break;
    case 4:
        d = ((l - x) + (y - b)) / 2;
        l -= d;
        b += d;
        break;
    default:
        return;
    }
    data_.rect = {ClampToInt32(l), ClampToInt32(t), ClampToInt32(r), ClampToInt32(b)};
    data_.points = {{double(data_.rect.left), double(data_.rect.top)},
                    {double(data_.rect.right), double(data_.rect.bottom)}};
}

void CircleItem::Rotate90(double) {}

RectangleItem::RectangleItem(int x1, int y1, int x2, int y2, COLORREF lineColor,
                             COLORREF fillColor)
    : BoxShapeItem(ItemKind::Rectangle, x1, y1, x2, y2, lineColor, fillColor) {}

RectangleItem::RectangleItem(const std::uint8_t* record, std::size_t length)
    : BoxShapeItem(ItemKind::Rectangle, record, length) {}

void RectangleItem::Draw(DeviceContext& dc, bool) {
    if (data_.points.size() < 2) return;
    const int saved = SelectPenAndBrush(dc);
    dc.Rectangle(Trunc(data_.points[0].x), Trunc(data_.points[0].y), Trunc(data_.points[1].x),
                 Trunc(data_.points[1].y));
    dc.RestoreDC(saved);
}

// --- freehand and triangle ---------------------------------------------------------------

void PolyPointItem::BeginReshape() {
    accX_ = 0;
    accY_ = 0;
    snapRect_ = data_.rect;
    snapPoints_ = data_.points;
}

void PolyPointItem::ScaleFromSnapshot(int handle, int x, int y, bool integerMath) {
    Rect& r = data_.rect;
    std::int32_t oldX, oldY;
    switch (handle) {
    case 1:
        oldX = std::exchange(r.left, x);
        oldY = std::exchange(r.top, y);
        accX_ = ClampToInt32(std::int64_t{accX_} + oldX - x);
        accY_ = ClampToInt32(std::int64_t{accY_} + oldY - y);
        break;
    case 2:
        oldX = std::exchange(r.right, x);
        oldY = std::exchange(r.top, y);
        break;
    case 3:
        oldX = std::exchange(r.right, x);
        oldY = std::exchange(r.bottom, y);
        break;
    case 4:
        oldX = std::exchange(r.left, x);
        oldY = std::exchange(r.bottom, y);
        break;
    default:
        return;
    }
    if (handle != 1) {
        accX_ = ClampToInt32(std::int64_t{accX_} + x - oldX);
        accY_ = ClampToInt32(std::int64_t{accY_} + y - oldY);
    }

    const Rect& s = snapRect_;
    std::int64_t fx, fromX, toX, fy, fromY, toY;
    switch (handle) {
    case 1:
        fx = s.right, fromX = s.left, toX = std::int64_t{s.left} - accX_;
        fy = s.bottom, fromY = s.top, toY = std::int64_t{s.top} - accY_;
        break;
    case 2:
        fx = s.left, fromX = s.right, toX = std::int64_t{s.right} + accX_;
        fy = s.bottom, fromY = s.top, toY = std::int64_t{s.top} + accY_;
        break;
    case 3:
        fx = s.left, fromX = s.right, toX = std::int64_t{s.right} + accX_;
        fy = s.top, fromY = s.bottom, toY = std::int64_t{s.bottom} + accY_;
        break;
    default:
        fx = s.right, fromX = s.left, toX = std::int64_t{s.left} + accX_;
        fy = s.top, fromY = s.bottom, toY = std::int64_t{s.bottom} + accY_;
        break;
    }

    // Points added since the snapshot have no snapshot position and stay where they are.
    const std::size_t n = std::min(snapPoints_.size(), data_.points.size());
    for (std::size_t i = 0; i < n; ++i) {
        ItemPoint& p = data_.points[i];
        const ItemPoint& q = snapPoints_[i];
        auto scale = [&](double snap, std::int64_t f, std::int64_t from, std::int64_t to,
                         double current) {
            if (from == f) return current;
            if (integerMath) {
                const std::int64_t v = Trunc(snap);
                return static_cast<double>(ClampToInt32(f + (v - f) * (to - f) / (from - f)));
            }
            return static_cast<double>(f) + (snap - static_cast<double>(f)) *
                                                 static_cast<double>(to - f) /
                                                 static_cast<double>(from - f);
        };
        p.x = scale(q.x, fx, fromX, toX, p.x);
        p.y = scale(q.y, fy, fromY, toY, p.y);
    }
}

FreehandItem::FreehandItem(int x, int y, COLORREF lineColor) : PolyPointItem(ItemKind::Freehand) {
    data_.points = {{double(x), double(y)}};
    data_.rect = {x, y, x, y};
    data_.lineColor = lineColor;
    data_.fillColor = 0;
}

FreehandItem::FreehandItem(const std::uint8_t* record, std::size_t length)
    : PolyPointItem(ItemKind::Freehand) {
    ReadRecord(record, length);
}

namespace {
Rect BoundingBox(const std::vector<ItemPoint>& points, const Point* extra) {
    double l = extra ? extra->x : points.front().x, r = l;
    double t = extra ? extra->y : points.front().y, b = t;
    for (const ItemPoint& p : points) {
        l = std::min(l, p.x);
        r = std::max(r, p.x);
        t = std::min(t, p.y);
        b = std::max(b, p.y);
    }
    return {Trunc(l), Trunc(t), Trunc(r), Trunc(b)};
}
} // namespace

void FreehandItem::Resize(int handle, int x, int y) {
    if (handle == 0) {
        data_.points.push_back({double(x), double(y)});
        data_.rect = BoundingBox(data_.points, nullptr);
        return;
    }
    ScaleFromSnapshot(handle, x, y, false);
}

void FreehandItem::Draw(DeviceContext& dc, bool) {
    const int saved = dc.SaveDC();
    for (std::size_t i = 1; i < data_.points.size(); ++i) {
        const ItemPoint& a = data_.points[i - 1];
        const ItemPoint& b = data_.points[i];
        DrawSmoothLine(dc, Trunc(a.x), Trunc(a.y), Trunc(b.x), Trunc(b.y), data_.lineColor);
    }
    dc.RestoreDC(saved);
}

TriangleItem::TriangleItem(int x, int y, COLORREF lineColor, COLORREF fillColor)
    : PolyPointItem(ItemKind::Triangle), pending_{x, y} {
    data_.points = {{double(x), double(y)}};
    data_.rect = {x, y, x, y};
    data_.lineColor = lineColor;
    data_.fillColor = fillColor;
}

TriangleItem::TriangleItem(const std::uint8_t* record, std::size_t length)
    : PolyPointItem(ItemKind::Triangle) {
    ReadRecord(record, length);
    if (!data_.points.empty())
        pending_ = {Trunc(data_.points.back().x), Trunc(data_.points.back().y)};
    else
        pending_ = {data_.rect.left, data_.rect.top};
}

void TriangleItem::UpdateRect() { data_.rect = BoundingBox(data_.points, &pending_); }

void TriangleItem::Resize(int handle, int x, int y) {
    if (handle == 0 || handle == -1) {
        if (handle == 0) data_.points.push_back({double(x), double(y)});
        pending_ = {x, y};
        UpdateRect();
        return;
    }
    ScaleFromSnapshot(handle, x, y, true);
}

void TriangleItem::Offset(int dx, int dy) {
    LabelItem::Offset(dx, dy);
    pending_ = {ClampToInt32(std::int64_t{pending_.x} + dx),
                ClampToInt32(std::int64_t{pending_.y} + dy)};
}

Point TriangleItem::FillSeed() const {
    if (data_.points.size() < 3) return {};
    const ItemPoint& p0 = data_.points[0];
    const ItemPoint& p1 = data_.points[1];
    const ItemPoint& p2 = data_.points[2];
    auto middle = [](double a, double b) {
        const std::int64_t h = std::llabs(std::int64_t{Trunc(a - b)} / 2);
        return std::int64_t{a <= b ? Trunc(a + static_cast<double>(h))
                                   : Trunc(a - static_cast<double>(h))};
    };
    auto halfway = [](std::int64_t from, std::int64_t to) {
        const std::int64_t d = std::llabs((from - to) / 2);
        return ClampToInt32(from < to ? from + d : from - d);
    };
    return {halfway(Trunc(p0.x), middle(p1.x, p2.x)), halfway(Trunc(p0.y), middle(p1.y, p2.y))};
}

void TriangleItem::DrawEdges(DeviceContext& dc, int dx, int dy) const {
    const auto& pts = data_.points;
    auto line = [&](double ax, double ay, double bx, double by) {
        DrawSmoothLine(dc, Trunc(ax) - dx, Trunc(ay) - dy, Trunc(bx) - dx, Trunc(by) - dy,
                       data_.lineColor);
    };
    for (std::size_t i = 1; i < pts.size(); ++i)
        line(pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y);
    if (pts.size() >= 3) {
        line(pts[2].x, pts[2].y, pts[0].x, pts[0].y);
    } else if (!pts.empty()) {
        line(pts.back().x, pts.back().y, pending_.x, pending_.y);
    } else {
        line(pending_.x, pending_.y, pending_.x, pending_.y);
    }
}

void TriangleItem::DrawFilled(DeviceContext& dc) const {
    const Rect box = data_.rect.Normalized();
    Point corners[3];
    for (int i = 0; i < 3; ++i)
        corners[i] = {Trunc(data_.points[i].x), Trunc(data_.points[i].y)};
    // The fill stays inside the triangle and, like every other item, inside the page clip.
    const QRegion shape = regions::Polygon(corners, 3, WINDING).intersected(dc.ClipRegion());

    const std::int64_t area = std::int64_t{box.Width()} * box.Height();
    if (box.IsEmpty() || area > std::int64_t{dc.Width()} * dc.Height() * 4 + (1 << 20)) {
        // A triangle far larger than the surface cannot be filled through an off-screen copy
        // of its whole box; fill its shape directly instead.
        dc.FillRgn(shape, {BS_SOLID, data_.fillColor});
        DrawEdges(dc, 0, 0);
        return;
    }

    QImage buffer(box.Width(), box.Height(), QImage::Format_RGB32);
    buffer.fill(Qt::white);
    DeviceContext mem(buffer, dc.GetDeviceCaps(LOGPIXELSX), dc.GetDeviceCaps(LOGPIXELSY));
    DrawEdges(mem, box.left, box.top);
    mem.SelectBrush({BS_SOLID, data_.fillColor});
    const Point seed = FillSeed();
    mem.FloodFill(seed.x - box.left, seed.y - box.top, data_.lineColor);

    dc.SelectClipRgn(shape);
    dc.BitBlt(box.left, box.top, box.Width(), box.Height(), buffer, 0, 0);
}

void TriangleItem::Draw(DeviceContext& dc, bool inProgress) {
    const int saved = dc.SaveDC();
    if (inProgress || data_.points.size() != 3)
        DrawEdges(dc, 0, 0);
    else
        DrawFilled(dc);
    dc.RestoreDC(saved);
}
