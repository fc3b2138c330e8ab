#pragma once
// Plain value types with the byte layouts that label files and templates rely on.
#include <algorithm>
#include <cstdint>

using COLORREF = std::uint32_t; // 0x00BBGGRR

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

// Right and bottom edges are exclusive, as in GDI.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr std::int32_t Width() const { return right - left; }
    constexpr std::int32_t Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    constexpr Rect Normalized() const {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
    }
    constexpr bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr void Offset(std::int32_t dx, std::int32_t dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    constexpr void Inflate(std::int32_t dx, std::int32_t dy) {
        left -= dx;
        right += dx;
        top -= dy;
        bottom += dy;
    }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

constexpr bool PtInRect(const Rect& r, Point p) { return r.Contains(p); }

// Narrowing that saturates instead of wrapping or invoking undefined behaviour: file and
// catalogue values are untrusted, and geometry arithmetic must not overflow on them.
std::int32_t ClampToInt32(std::int64_t v);
// Truncates toward zero; NaN gives 0, out-of-range values the nearest limit.
std::int32_t TruncToInt32(double v);

// (a * b) / c with a 64-bit intermediate, rounded half away from zero; -1 when c is 0
// or the result does not fit in 32 bits.
int MulDiv(int a, int b, int c);
