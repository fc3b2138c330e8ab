#include "LabelItem.h"

#include "DeviceContext.h"

#include <cmath>

namespace {

Rect HandleSquare(std::int32_t x, std::int32_t y) {
    const std::int64_t h = LabelItem::kHandleHalf;
    return {ClampToInt32(x - h), ClampToInt32(y - h), ClampToInt32(x + h), ClampToInt32(y + h)};
}

} // namespace

ItemString& ItemData::TrackColumn(int field) {
    switch (field) {
    case TrackNumber:
        return trackNumbers;
    case TrackTitle:
        return trackTitles;
    case TrackArtist:
        return trackArtists;
    case TrackLength:
        return trackLengths;
    default:
        return trackAlbums;
    }
}

const ItemString& ItemData::TrackColumn(int field) const {
    return const_cast<ItemData*>(this)->TrackColumn(field);
}

LabelItem::LabelItem(ItemKind kind) : LabelItem(static_cast<std::int32_t>(kind)) {}

LabelItem::LabelItem(std::int32_t rawKind) { data_.kind = rawKind; }

LabelItem::~LabelItem() = default;

int LabelItem::HitTestHandle(Rect rect, Point pt) const {
    const Point corners[4] = {
        {rect.left, rect.top}, {rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left, rect.bottom}};
    for (int i = 0; i < 4; ++i)
        if (PtInRect(HandleSquare(corners[i].x, corners[i].y), pt)) return i;
    return NoHandle;
}

void LabelItem::DrawHandles(DeviceContext& dc) const { PaintHandles(dc, kHandleColor); }

void LabelItem::PaintHandles(DeviceContext& dc, COLORREF color) const {
    const Rect& r = data_.rect;
    dc.FillSolidRect(HandleSquare(r.left, r.top), color);
    dc.FillSolidRect(HandleSquare(r.right, r.top), color);
    dc.FillSolidRect(HandleSquare(r.right, r.bottom), color);
    dc.FillSolidRect(HandleSquare(r.left, r.bottom), color);
}

bool LabelItem::HitTest(int x, int y) const {
    Rect r = data_.rect.Normalized();
    if (r.Width() == 0) {
        r.left = ClampToInt32(std::int64_t{r.left} - 1);
        r.right = ClampToInt32(std::int64_t{r.right} + 1);
    }
    if (r.Height() == 0) {
        r.top = ClampToInt32(std::int64_t{r.top} - 1);
        r.bottom = ClampToInt32(std::int64_t{r.bottom} + 1);
    }
    return PtInRect(r, {x, y});
}

void LabelItem::Offset(int dx, int dy) {
    for (ItemPoint& p : data_.points) {
        p.x += dx;
        p.y += dy;
    }
    Rect& r = data_.rect;
    r.left = ClampToInt32(std::int64_t{r.left} + dx);
    r.right = ClampToInt32(std::int64_t{r.right} + dx);
    r.top = ClampToInt32(std::int64_t{r.top} + dy);
    r.bottom = ClampToInt32(std::int64_t{r.bottom} + dy);
}

void LabelItem::Resize(int handle, int x, int y) {
    if (data_.points.size() < 2 || handle < 1 || handle > 4) return;
    ItemPoint& p1 = data_.points[0];
    ItemPoint& p2 = data_.points[1];
    switch (handle) {
    case 1:
        p1 = {double(x), double(y)};
        break;
    case 2:
        p2.x = x;
        p1.y = y;
        break;
    case 3:
        p2 = {double(x), double(y)};
        break;
    case 4:
        p1.x = x;
        p2.y = y;
        break;
    }
    data_.rect = {TruncToInt32(p1.x), TruncToInt32(p1.y), TruncToInt32(p2.x), TruncToInt32(p2.y)};
}

void LabelItem::BeginReshape() {}

Point LabelItem::FirstPoint() const {
    if (data_.points.empty()) return {0, 0};
    return {TruncToInt32(data_.points[0].x), TruncToInt32(data_.points[0].y)};
}

void LabelItem::Rotate90(double angle) {
    data_.rotation += angle;
    if (data_.rotation >= 360.0 || data_.rotation <= -360.0) data_.rotation = 0.0;

    const bool clockwise = angle > 0.1;
    const bool counter = angle < -0.1;
    if (!clockwise && !counter) return;

    Rect& r = data_.rect;
    // Integer centre, truncating toward zero, computed wide so extreme boxes cannot overflow.
    const std::int64_t cx = (std::int64_t{r.left} + r.right) / 2;
    const std::int64_t cy = (std::int64_t{r.top} + r.bottom) / 2;
    const double dcx = static_cast<double>(cx);
    const double dcy = static_cast<double>(cy);

    for (ItemPoint& p : data_.points) {
        const double dx = p.x - dcx;
        const double dy = p.y - dcy;
        if (clockwise)
            p = {dcx - dy, dcy + dx};
        else
            p = {dcx + dy, dcy - dx};
    }

    auto turn = [&](std::int64_t x, std::int64_t y) {
        if (clockwise) return std::pair{cx - (y - cy), cy + (x - cx)};
        return std::pair{cx + (y - cy), cy - (x - cx)};
    };
    const auto [x1, y1] = turn(r.left, r.top);
    const auto [x2, y2] = turn(r.right, r.bottom);
    r = {ClampToInt32(std::min(x1, x2)), ClampToInt32(std::min(y1, y2)),
         ClampToInt32(std::max(x1, x2)), ClampToInt32(std::max(y1, y2))};
}

void LabelItem::RotateBy(double angle) {
    if (!std::isfinite(angle)) return;
    // Reduce into [-360, 360] the way repeated subtraction would, without looping on huge
    // values: 720 stays a full turn, 370 becomes 10.
    if (angle > 360.0) {
        angle = std::fmod(angle, 360.0);
        if (angle == 0.0) angle = 360.0;
    } else if (angle < -360.0) {
        angle = std::fmod(angle, 360.0);
        if (angle == 0.0) angle = -360.0;
    }
    // Items turn only by quarter turns; anything in between goes to the nearest one, so
    // the turn always ends.
    const long quarters = std::lround(angle / 90.0);
    for (long i = 0; i < quarters; ++i) Rotate90(90.0);
    for (long i = 0; i > quarters; --i) Rotate90(-90.0);
}

void LabelItem::Draw(DeviceContext&, bool) {}

Rect LabelItem::NormalizeRect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
    return Rect{l, t, r, b}.Normalized();
}

int LabelItem::HandleModeAt(int x, int y) const {
    switch (HitTestHandle(data_.rect.Normalized(), {x, y})) {
    case TopLeft:
    case BottomRight:
        return DiagonalMainMode;
    case TopRight:
    case BottomLeft:
        return DiagonalCrossMode;
    default:
        return NoHandleMode;
    }
}

bool LabelItem::HitTestBorder(Rect r, Point pt) {
    auto strip = [](std::int64_t l, std::int64_t t, std::int64_t rr, std::int64_t b) {
        return Rect{ClampToInt32(l), ClampToInt32(t), ClampToInt32(rr), ClampToInt32(b)};
    };
    const std::int64_t h = kHandleHalf;
    return PtInRect(strip(r.left - h, r.top - h, r.left + h, std::int64_t{r.bottom} + h), pt) ||
           PtInRect(strip(r.right - h, r.top - h, r.right + h, std::int64_t{r.bottom} + h), pt) ||
           PtInRect(strip(r.left - h, r.top - h, std::int64_t{r.right} + h, r.top + h), pt) ||
           PtInRect(strip(r.left - h, r.bottom - h, std::int64_t{r.right} + h, r.bottom + h), pt);
}
