#include "DeviceContext.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

QRgb ToRgb(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }
COLORREF FromRgb(QRgb p) { return RGB(qRed(p), qGreen(p), qBlue(p)); }

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
Rect FromQRect(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

// The runs of pixels whose centres lie inside the ellipse inscribed in [l, r) x [t, b), one
// call of f(y, x0, x1) per row, for the rows in [rowMin, rowMax) only (far-off boxes from
// damaged files or deep zoom cost nothing beyond the rows that can show). Shared by Ellipse
// and the ellipse region so they agree.
template <typename F>
void EllipseRuns(std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b,
                 std::int64_t rowMin, std::int64_t rowMax, F&& f) {
    if (r <= l || b <= t) return;
    const double cx = (static_cast<double>(l) + static_cast<double>(r)) / 2.0;
    const double cy = (static_cast<double>(t) + static_cast<double>(b)) / 2.0;
    const double ax = (static_cast<double>(r) - static_cast<double>(l)) / 2.0;
    const double ay = (static_cast<double>(b) - static_cast<double>(t)) / 2.0;
    const std::int64_t y0 = std::max(t, rowMin), y1 = std::min(b, rowMax);
    for (std::int64_t y = y0; y < y1; ++y) {
        const double dy = (static_cast<double>(y) + 0.5 - cy) / ay;
        const double q = 1.0 - dy * dy;
        if (q < 0) continue;
        const double half = ax * std::sqrt(q);
        double x0 = std::ceil(cx - half - 0.5);
        double x1 = std::floor(cx + half - 0.5) + 1;
        // A very thin ellipse still covers its middle pixel on every row it spans.
        if (x1 <= x0) {
            x0 = std::floor(cx - 0.5);
            x1 = x0 + 1;
        }
        f(static_cast<int>(y), ClampToInt32(std::max(static_cast<std::int64_t>(x0), l)),
          ClampToInt32(std::min(static_cast<std::int64_t>(x1), r)));
    }
}

QRegion RegionFromRows(const std::vector<QRect>& rows) {
    QRegion region;
    if (!rows.empty()) region.setRects(rows.data(), static_cast<int>(rows.size()));
    return region;
}

} // namespace

namespace regions {

QRegion Rectangle(const Rect& r) {
    const Rect n = r.Normalized();
    return n.IsEmpty() ? QRegion() : QRegion(ToQRect(n));
}

QRegion Ellipse(const Rect& r) {
    const Rect n = r.Normalized();
    std::vector<QRect> rows;
    EllipseRuns(n.left, n.top, n.right, n.bottom, n.top, n.bottom, [&](int y, int x0, int x1) {
        if (x1 > x0) rows.emplace_back(x0, y, x1 - x0, 1);
    });
    return RegionFromRows(rows);
}

QRegion Polygon(const Point* points, int count, int fillMode) {
    if (!points || count < 3) return {};
    QPolygon poly;
    poly.reserve(count);
    for (int i = 0; i < count; ++i) poly << QPoint(points[i].x, points[i].y);
    return QRegion(poly, fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
}

} // namespace regions

DeviceContext::DeviceContext(QImage& target, int dpiX, int dpiY)
    : image_(target), dpiX_(dpiX), dpiY_(dpiY) {
    if (image_.format() != QImage::Format_ARGB32 && image_.format() != QImage::Format_RGB32)
        image_ = image_.convertToFormat(QImage::Format_ARGB32);
    stack_.emplace_back();
    cachedFont_ = QFont();
}

DeviceContext::~DeviceContext() = default;

DeviceContext::State& DeviceContext::S() { return stack_.back(); }
const DeviceContext::State& DeviceContext::S() const { return stack_.back(); }

int DeviceContext::GetDeviceCaps(int index) const {
    switch (index) {
    case LOGPIXELSX:
        return dpiX_;
    case LOGPIXELSY:
        return dpiY_;
    case HORZRES:
        return image_.width();
    case VERTRES:
        return image_.height();
    default:
        return 0;
    }
}

// --- state -------------------------------------------------------------------------------

int DeviceContext::SaveDC() {
    stack_.push_back(stack_.back());
    return static_cast<int>(stack_.size()) - 1;
}

bool DeviceContext::RestoreDC(int level) {
    const int saved = static_cast<int>(stack_.size()) - 1;
    const int k = level < 0 ? saved + 1 + level : level;
    if (level == 0 || k < 1 || k > saved) return false;
    const bool clipDiffers = stack_[k - 1].hasClip != S().hasClip || stack_[k - 1].clip != S().clip;
    stack_.resize(static_cast<std::size_t>(k));
    if (clipDiffers) ClipChanged();
    return true;
}

Pen DeviceContext::SelectPen(const Pen& pen) { return std::exchange(S().pen, pen); }
Brush DeviceContext::SelectBrush(const Brush& brush) { return std::exchange(S().brush, brush); }
LogFont DeviceContext::SelectFont(const LogFont& font) { return std::exchange(S().font, font); }
const Pen& DeviceContext::CurrentPen() const { return S().pen; }
const Brush& DeviceContext::CurrentBrush() const { return S().brush; }
const LogFont& DeviceContext::CurrentFont() const { return S().font; }

COLORREF DeviceContext::SetTextColor(COLORREF c) { return std::exchange(S().textColor, c); }
COLORREF DeviceContext::GetTextColor() const { return S().textColor; }
COLORREF DeviceContext::SetBkColor(COLORREF c) { return std::exchange(S().bkColor, c); }
COLORREF DeviceContext::GetBkColor() const { return S().bkColor; }
int DeviceContext::SetBkMode(int mode) { return std::exchange(S().bkMode, mode); }
int DeviceContext::GetBkMode() const { return S().bkMode; }
unsigned DeviceContext::SetTextAlign(unsigned flags) { return std::exchange(S().textAlign, flags); }
unsigned DeviceContext::GetTextAlign() const { return S().textAlign; }
int DeviceContext::SetStretchBltMode(int mode) { return std::exchange(S().stretchMode, mode); }
int DeviceContext::GetStretchBltMode() const { return S().stretchMode; }
int DeviceContext::SetPolyFillMode(int mode) { return std::exchange(S().polyFillMode, mode); }
int DeviceContext::GetPolyFillMode() const { return S().polyFillMode; }

// --- clipping ----------------------------------------------------------------------------

namespace {
int KindOf(const QRegion& r) {
    if (r.isEmpty()) return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
} // namespace

int DeviceContext::SelectClipRgn(const QRegion* region) {
    State& s = S();
    if (!region) {
        s.hasClip = false;
        s.clip = QRegion();
    } else {
        s.hasClip = true;
        s.clip = *region;
    }
    ClipChanged();
    return KindOf(ClipRegion());
}

int DeviceContext::IntersectClipRect(const Rect& r) {
    const QRegion next = ClipRegion().intersected(regions::Rectangle(r));
    return SelectClipRgn(&next);
}

bool DeviceContext::HasClip() const { return S().hasClip; }

QRegion DeviceContext::ClipRegion() const {
    const QRegion surface(0, 0, image_.width(), image_.height());
    return S().hasClip ? S().clip.intersected(surface) : surface;
}

Rect DeviceContext::GetClipBox() const {
    const QRegion r = ClipRegion();
    return r.isEmpty() ? Rect{} : FromQRect(r.boundingRect());
}

void DeviceContext::ClipChanged() {
    // The view selects the same page region before every item; keep the index then.
    if (clipIndexValid_ && S().hasClip && S().clip == indexedClip_) return;
    clipIndexValid_ = false;
}

void DeviceContext::BuildClipIndex() const {
    clipIndexValid_ = true;
    indexedClip_ = S().hasClip ? S().clip : QRegion();
    const QRegion visible = ClipRegion();
    if (!S().hasClip || visible.rectCount() <= 1) {
        clipIsRect_ = true;
        clipRect_ = visible.isEmpty() ? Rect{} : FromQRect(visible.boundingRect());
        rowFirst_.clear();
        spans_.clear();
        return;
    }
    clipIsRect_ = false;
    const int h = image_.height();
    std::vector<int> counts(static_cast<std::size_t>(h) + 1, 0);
    for (const QRect& r : visible)
        for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), h - 1); ++y) ++counts[y];
    rowFirst_.assign(static_cast<std::size_t>(h) + 1, 0);
    for (int y = 0; y < h; ++y) rowFirst_[y + 1] = rowFirst_[y] + counts[y];
    spans_.assign(static_cast<std::size_t>(rowFirst_[h]), {0, 0});
    std::vector<int> fill(rowFirst_.begin(), rowFirst_.end() - 1);
    // QRegion keeps its rectangles y-x banded, so each row's runs arrive sorted by x.
    for (const QRect& r : visible)
        for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), h - 1); ++y)
            spans_[fill[y]++] = {r.left(), r.right() + 1};
}

template <typename F>
void DeviceContext::ForEachVisibleRun(int y, int x0, int x1, F&& f) const {
    if (!clipIndexValid_) BuildClipIndex();
    if (y < 0 || y >= image_.height()) return;
    if (clipIsRect_) {
        if (y < clipRect_.top || y >= clipRect_.bottom) return;
        const int a = std::max(x0, clipRect_.left), b = std::min(x1, clipRect_.right);
        if (a < b) f(y, a, b);
        return;
    }
    for (int i = rowFirst_[y]; i < rowFirst_[y + 1]; ++i) {
        const int a = std::max(x0, spans_[i].first), b = std::min(x1, spans_[i].second);
        if (a < b) f(y, a, b);
    }
}

bool DeviceContext::Visible(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return false;
    if (!clipIndexValid_) BuildClipIndex();
    if (clipIsRect_) return clipRect_.Contains({x, y});
    for (int i = rowFirst_[y]; i < rowFirst_[y + 1]; ++i)
        if (x >= spans_[i].first && x < spans_[i].second) return true;
    return false;
}

bool DeviceContext::PtVisible(int x, int y) const { return Visible(x, y); }

DeviceContext::PixelAccess DeviceContext::Pixels() {
    if (!clipIndexValid_) BuildClipIndex();
    PixelAccess a;
    a.bits_ = image_.bits(); // detaches a shared image once, not per pixel
    a.stride_ = image_.bytesPerLine();
    a.width_ = image_.width();
    a.height_ = image_.height();
    a.isRect_ = clipIsRect_;
    a.rect_ = clipRect_;
    a.rowFirst_ = rowFirst_.data();
    a.spans_ = spans_.data();
    return a;
}

// --- pixels ------------------------------------------------------------------------------

COLORREF DeviceContext::GetPixel(int x, int y) const {
    if (!Visible(x, y)) return CLR_INVALID;
    const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
    return FromRgb(line[x]);
}

COLORREF DeviceContext::SetPixel(int x, int y, COLORREF color) {
    if (!Visible(x, y)) return CLR_INVALID;
    auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
    line[x] = ToRgb(color);
    return color;
}

// --- filled shapes -----------------------------------------------------------------------

void DeviceContext::PaintRegion(const QRegion& region, COLORREF color) {
    const QRgb rgb = ToRgb(color);
    const PixelAccess px = Pixels();
    for (const QRect& r : region) {
        const int y0 = std::max(r.top(), 0), y1 = std::min(r.bottom() + 1, px.Height());
        const int x0 = std::max(r.left(), 0), x1 = std::min(r.right() + 1, px.Width());
        for (int y = y0; y < y1; ++y)
            ForEachVisibleRun(y, x0, x1, [&](int yy, int a, int b) {
                QRgb* line = px.Row(yy);
                std::fill(line + a, line + b, rgb);
            });
    }
}

void DeviceContext::FillSolidRect(const Rect& r, COLORREF color) {
    if (r.IsEmpty()) return;
    const Rect visible{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, image_.width()),
                       std::min(r.bottom, image_.height())};
    if (visible.IsEmpty()) return;
    PaintRegion(QRegion(ToQRect(visible)), color);
}

void DeviceContext::FillRect(const Rect& r, const Brush& brush) {
    if (brush.style == BS_NULL) return;
    FillSolidRect(r, brush.color);
}

void DeviceContext::FillRgn(const QRegion& region, const Brush& brush) {
    if (brush.style == BS_NULL) return;
    PaintRegion(region, brush.color);
}

namespace {
// A pen of width w is centred on the box's outermost pixels: w / 2 pixels reach outside,
// the rest inside, so a one-pixel pen paints exactly the box's outermost pixels.
struct PenBand {
    Rect outer;
    Rect inner;
};
PenBand BandFor(const Rect& box, int width) {
    const int w = std::max(width, 1);
    const int half = w / 2;
    const Rect outer{box.left - half, box.top - half, box.right + (w - 1 - half),
                     box.bottom + (w - 1 - half)};
    return {outer, {outer.left + w, outer.top + w, outer.right - w, outer.bottom - w}};
}
} // namespace

bool DeviceContext::Rectangle(int left, int top, int right, int bottom) {
    Rect box = Rect{left, top, right, bottom}.Normalized();
    // Only the part near the surface can show; clamping keeps widths from overflowing.
    const int pad = std::max(S().pen.width, 1) + 2;
    box = {std::clamp(box.left, -pad, image_.width() + pad),
           std::clamp(box.top, -pad, image_.height() + pad),
           std::clamp(box.right, -pad, image_.width() + pad),
           std::clamp(box.bottom, -pad, image_.height() + pad)};
    if (S().brush.style != BS_NULL) FillSolidRect(box, S().brush.color);
    if (S().pen.style == PS_NULL) return true;
    const PenBand band = BandFor(box, S().pen.width);
    QRegion ring(ToQRect(band.outer));
    if (!band.inner.IsEmpty()) ring -= QRegion(ToQRect(band.inner));
    PaintRegion(ring, S().pen.color);
    return true;
}

bool DeviceContext::Ellipse(int left, int top, int right, int bottom) {
    const Rect box = Rect{left, top, right, bottom}.Normalized();
    const PixelAccess px = Pixels();
    const int w = px.Width(), h = px.Height();
    auto paint = [&](int y, int a, int b, QRgb rgb) {
        ForEachVisibleRun(y, std::max(a, 0), std::min(b, w), [&](int yy, int p, int q) {
            QRgb* line = px.Row(yy);
            std::fill(line + p, line + q, rgb);
        });
    };
    const bool brush = S().brush.style != BS_NULL;
    if (S().pen.style == PS_NULL) {
        if (brush)
            EllipseRuns(box.left, box.top, box.right, box.bottom, 0, h,
                        [&](int y, int a, int b) { paint(y, a, b, ToRgb(S().brush.color)); });
        return true;
    }
    // The pen paints the ring between the outer and inner ellipses of its band and the
    // brush the inner one, which lies inside the box: the same pixels as filling the box
    // and stroking over it, without painting the ring twice.
    const int pw = std::max(S().pen.width, 1);
    const std::int64_t half = pw / 2;
    const std::int64_t ol = std::int64_t{box.left} - half, ot = std::int64_t{box.top} - half;
    const std::int64_t orr = std::int64_t{box.right} + (pw - 1 - half);
    const std::int64_t ob = std::int64_t{box.bottom} + (pw - 1 - half);
    const std::int64_t rowMin = std::max<std::int64_t>(ot, 0);
    const std::int64_t rowMax = std::min<std::int64_t>(ob, h);
    if (rowMin >= rowMax) return true;
    std::vector<std::pair<int, int>> inner(static_cast<std::size_t>(rowMax - rowMin), {0, 0});
    EllipseRuns(ol + pw, ot + pw, orr - pw, ob - pw, rowMin, rowMax, [&](int y, int a, int b) {
        inner[static_cast<std::size_t>(y - rowMin)] = {a, b};
    });
    const QRgb penColor = ToRgb(S().pen.color);
    const QRgb brushColor = ToRgb(S().brush.color);
    EllipseRuns(ol, ot, orr, ob, rowMin, rowMax, [&](int y, int x0, int x1) {
        const auto [i0, i1] = inner[static_cast<std::size_t>(y - rowMin)];
        if (i1 <= i0) {
            paint(y, x0, x1, penColor);
            return;
        }
        paint(y, x0, i0, penColor);
        if (brush) paint(y, i0, i1, brushColor);
        paint(y, i1, x1, penColor);
    });
    return true;
}

bool DeviceContext::Polygon(const Point* points, int count) {
    if (!points || count < 2) return false;
    if (S().brush.style != BS_NULL && count >= 3)
        PaintRegion(regions::Polygon(points, count, S().polyFillMode), S().brush.color);
    if (S().pen.style != PS_NULL) {
        const Point saved = penPos_;
        MoveTo(points[count - 1].x, points[count - 1].y);
        for (int i = 0; i < count; ++i) LineTo(points[i].x, points[i].y);
        penPos_ = saved;
    }
    return true;
}

Point DeviceContext::MoveTo(int x, int y) { return std::exchange(penPos_, Point{x, y}); }

void DeviceContext::PlotPen(int x, int y, std::uint32_t rgb) {
    const int w = std::max(S().pen.width, 1);
    if (w == 1) {
        if (Visible(x, y)) reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = rgb;
        return;
    }
    // A square nib is close enough to a round one for the widths labels use.
    const int half = w / 2;
    for (int yy = y - half; yy < y - half + w; ++yy)
        ForEachVisibleRun(yy, std::max(x - half, 0), std::min(x - half + w, image_.width()),
                          [&](int ry, int a, int b) {
                              auto* line = reinterpret_cast<QRgb*>(image_.scanLine(ry));
                              std::fill(line + a, line + b, rgb);
                          });
}

bool DeviceContext::LineTo(int x, int y) {
    const Point from = std::exchange(penPos_, Point{x, y});
    if (S().pen.style == PS_NULL) return true;
    const QRgb rgb = ToRgb(S().pen.color);
    // Bresenham in 64-bit so far-off coordinates cannot overflow; the end point is left out.
    std::int64_t x0 = from.x, y0 = from.y;
    const std::int64_t x1 = x, y1 = y;
    const std::int64_t dx = std::llabs(x1 - x0), dy = -std::llabs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    std::int64_t err = dx + dy;
    // Nothing beyond the surface (plus the nib) can be visible; stop walking far lines early.
    const std::int64_t limit = std::max<std::int64_t>(dx, -dy);
    for (std::int64_t n = 0; n < limit; ++n) {
        if (x0 >= -64 && y0 >= -64 && x0 < image_.width() + 64 && y0 < image_.height() + 64)
            PlotPen(static_cast<int>(x0), static_cast<int>(y0), rgb);
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
    return true;
}

bool DeviceContext::FloodFill(int x, int y, COLORREF boundary) {
    if (S().brush.style == BS_NULL || !Visible(x, y)) return false;
    PixelAccess px = Pixels();
    const QRgb stop = ToRgb(boundary) & 0x00FFFFFFu;
    const int w = px.Width(), h = px.Height();
    if ((px.Row(y)[x] & 0x00FFFFFFu) == stop) return false;
    const QRgb fill = ToRgb(S().brush.color);
    // One pass marks every pixel the fill may enter; the fill then clears marks as it goes,
    // so each pixel is looked at through one byte however often its neighbours ask.
    std::vector<std::uint8_t> open(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    for (int row = 0; row < h; ++row) {
        const QRgb* line = px.Row(row);
        std::uint8_t* mark = open.data() + static_cast<std::size_t>(row) * w;
        ForEachVisibleRun(row, 0, w, [&](int, int a, int b) {
            for (int i = a; i < b; ++i) mark[i] = (line[i] & 0x00FFFFFFu) != stop;
        });
    }
    // Runs are found with memchr/memrchr over the marks, which scan many bytes at a time.
    auto markRow = [&](int row) { return open.data() + static_cast<std::size_t>(row) * w; };
    std::vector<Point> todo{{x, y}};
    while (!todo.empty()) {
        const Point p = todo.back();
        todo.pop_back();
        std::uint8_t* mark = markRow(p.y);
        if (!mark[p.x]) continue;
        const void* zeroRight = std::memchr(mark + p.x, 0, static_cast<std::size_t>(w - p.x));
        const int b = zeroRight ? static_cast<int>(static_cast<const std::uint8_t*>(zeroRight) - mark)
                                : w; // exclusive
        const void* zeroLeft = memrchr(mark, 0, static_cast<std::size_t>(p.x));
        const int a = zeroLeft ? static_cast<int>(static_cast<const std::uint8_t*>(zeroLeft) - mark) + 1
                               : 0;
        QRgb* line = px.Row(p.y);
        std::fill(line + a, line + b, fill);
        std::memset(mark + a, 0, static_cast<std::size_t>(b - a));
        for (int ny : {p.y - 1, p.y + 1}) {
            if (ny < 0 || ny >= h) continue;
            const std::uint8_t* next = markRow(ny);
            int i = a;
            while (i < b) {
                const void* one = std::memchr(next + i, 1, static_cast<std::size_t>(b - i));
                if (!one) break;
                i = static_cast<int>(static_cast<const std::uint8_t*>(one) - next);
                todo.push_back({i, ny});
                const void* zero = std::memchr(next + i, 0, static_cast<std::size_t>(b - i));
                i = zero ? static_cast<int>(static_cast<const std::uint8_t*>(zero) - next) : b;
            }
        }
    }
    return true;
}

// --- copies ------------------------------------------------------------------------------

bool DeviceContext::BitBlt(int x, int y, int w, int h, const DeviceContext& src, int sx, int sy,
                           std::uint32_t rop) {
    return BitBlt(x, y, w, h, src.Image(), sx, sy, rop);
}

bool DeviceContext::BitBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy,
                           std::uint32_t rop) {
    if (rop != SRCCOPY || src.isNull()) return false;
    if (w <= 0 || h <= 0) return true;
    const bool direct =
        src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32;
    const QImage converted = direct ? QImage() : src.convertToFormat(QImage::Format_RGB32);
    const QImage& s = direct ? src : converted;
    const PixelAccess px = Pixels();
    // Only the part of the source rectangle that lies inside the source is copied.
    const std::int64_t ox = static_cast<std::int64_t>(x) - sx;
    const std::int64_t oy = static_cast<std::int64_t>(y) - sy;
    const int sx0 = std::max(sx, 0), sy0 = std::max(sy, 0);
    const int sx1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{sx} + w, s.width()));
    const int sy1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{sy} + h, s.height()));
    for (int row = sy0; row < sy1; ++row) {
        const std::int64_t dy = row + oy;
        if (dy < 0 || dy >= image_.height()) continue;
        const std::int64_t a = std::max<std::int64_t>(sx0 + ox, 0);
        const std::int64_t b = std::min<std::int64_t>(sx1 + ox, image_.width());
        if (a >= b) continue;
        const auto* in = reinterpret_cast<const QRgb*>(s.constScanLine(row));
        ForEachVisibleRun(static_cast<int>(dy), static_cast<int>(a), static_cast<int>(b),
                          [&](int yy, int p, int q) {
                              QRgb* out = px.Row(yy);
                              for (int i = p; i < q; ++i) out[i] = in[i - ox] | 0xFF000000u;
                          });
    }
    return true;
}

bool DeviceContext::StretchBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy,
                               int sw, int sh, std::uint32_t rop) {
    if (rop != SRCCOPY || src.isNull() || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return false;
    if (S().stretchMode == HALFTONE) {
        const QImage part = src.copy(sx, sy, sw, sh).convertToFormat(QImage::Format_RGB32);
        const QImage scaled =
            part.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return BitBlt(x, y, w, h, scaled, 0, 0);
    }
    const bool direct =
        src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32;
    const QImage converted = direct ? QImage() : src.convertToFormat(QImage::Format_RGB32);
    const QImage& s = direct ? src : converted;
    // Nearest neighbour over the visible part of the destination only.
    const QRegion target = ClipRegion().intersected(QRect(x, y, w, h));
    std::vector<int> column;
    for (const QRect& r : target) {
        column.resize(static_cast<std::size_t>(r.width()));
        for (int i = 0; i < r.width(); ++i)
            column[i] = sx + static_cast<int>((std::int64_t{r.left() + i - x} * sw) / w);
        for (int yy = r.top(); yy <= r.bottom(); ++yy) {
            const int srow = sy + static_cast<int>((std::int64_t{yy - y} * sh) / h);
            if (srow < 0 || srow >= s.height()) continue;
            const auto* in = reinterpret_cast<const QRgb*>(s.constScanLine(srow));
            auto* out = reinterpret_cast<QRgb*>(image_.scanLine(yy));
            for (int i = 0; i < r.width(); ++i) {
                const int c = column[i];
                if (c >= 0 && c < s.width()) out[r.left() + i] = in[c] | 0xFF000000u;
            }
        }
    }
    return true;
}
