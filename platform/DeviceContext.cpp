#include "DeviceContext.h"

#include <algorithm>

namespace {
QRgb ToRgb(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }
COLORREF FromRgb(QRgb p) { return RGB(qRed(p), qGreen(p), qBlue(p)); }
} // namespace

DeviceContext::DeviceContext(QImage& target, int dpiX, int dpiY)
    : image_(target), dpiX_(dpiX), dpiY_(dpiY) {
    if (image_.format() != QImage::Format_ARGB32 && image_.format() != QImage::Format_RGB32 &&
        image_.format() != QImage::Format_ARGB32_Premultiplied)
        image_ = image_.convertToFormat(QImage::Format_ARGB32);
}

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

COLORREF DeviceContext::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return CLR_INVALID;
    const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
    return FromRgb(line[x]);
}

COLORREF DeviceContext::SetPixel(int x, int y, COLORREF color) {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return CLR_INVALID;
    auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
    line[x] = ToRgb(color);
    return color;
}

void DeviceContext::FillSolidRect(const Rect& r, COLORREF color) {
    const int l = std::max(r.left, 0);
    const int t = std::max(r.top, 0);
    const int rr = std::min(r.right, image_.width());
    const int b = std::min(r.bottom, image_.height());
    if (l >= rr || t >= b) return;
    const QRgb px = ToRgb(color);
    for (int y = t; y < b; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(line + l, line + rr, px);
    }
}
