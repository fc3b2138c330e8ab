#pragma once
// Helpers shared by the decoder tests: running a decoder on an exactly sized copy of the
// bytes (so that the address sanitizer sees any read past them), comparing colours, and
// checking a decoded picture's internal consistency.
#include "DecoderFixtures.h"
#include "Decoders.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

namespace dtest {

using DecodeFn = bool (*)(const std::uint8_t*, std::size_t, imaging::Picture&, std::string&);
using Rows = std::vector<std::vector<std::uint32_t>>; // 0xRRGGBB, top row first

struct Result {
    bool ok = false;
    imaging::Picture pic;
    std::string error;
};

// Decodes the first `length` bytes from a heap block of exactly that size.
inline Result Decode(DecodeFn decode, const fixtures::Bytes& bytes,
                  std::size_t length = static_cast<std::size_t>(-1)) {
    const std::size_t n = std::min(length, bytes.size());
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[n == 0 ? 1 : n]);
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), copy.get());
    Result r;
    r.ok = decode(n == 0 ? nullptr : copy.get(), n, r.pic, r.error);
    return r;
}

inline std::string Hex(std::uint32_t v) {
    std::ostringstream s;
    s << std::hex << v;
    return s.str();
}

// Sizes and vectors agree with each other, and every stored index has a colour-table entry.
inline ::testing::AssertionResult Consistent(const imaging::Picture& p) {
    if (!p.IsValid()) return ::testing::AssertionFailure() << "empty picture";
    const std::size_t n = static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
    if (p.IsIndexed()) {
        if (p.bitCount != 1 && p.bitCount != 4 && p.bitCount != 8)
            return ::testing::AssertionFailure() << "bitCount " << p.bitCount;
        if (p.indices.size() != n || !p.pixels.empty())
            return ::testing::AssertionFailure() << "indices " << p.indices.size();
        if (p.palette.size() < (std::size_t{1} << p.bitCount))
            return ::testing::AssertionFailure() << "palette " << p.palette.size();
        for (std::uint8_t k : p.indices)
            if (k >= (1u << p.bitCount))
                return ::testing::AssertionFailure() << "index " << int(k) << " too big";
    } else {
        if (p.bitCount != 24 || p.pixels.size() != n || !p.indices.empty())
            return ::testing::AssertionFailure() << "pixels " << p.pixels.size();
    }
    if (!p.alpha.empty() && p.alpha.size() != n)
        return ::testing::AssertionFailure() << "alpha " << p.alpha.size();
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult HasColors(const imaging::Picture& p, const Rows& rows) {
    if (p.height != static_cast<int>(rows.size()) ||
        (!rows.empty() && p.width != static_cast<int>(rows[0].size())))
        return ::testing::AssertionFailure()
               << "size " << p.width << "x" << p.height << ", expected " << rows[0].size()
               << "x" << rows.size();
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t got = p.ColorAt(x, y) & 0xffffffu;
            const std::uint32_t want = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            if (got != want)
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is "
                                                     << Hex(got) << ", expected " << Hex(want);
        }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult SamePixels(const imaging::Picture& a, const imaging::Picture& b) {
    if (a.width != b.width || a.height != b.height)
        return ::testing::AssertionFailure() << "sizes differ";
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.ColorAt(x, y) != b.ColorAt(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ")";
    if (a.alpha != b.alpha) return ::testing::AssertionFailure() << "alpha differs";
    return ::testing::AssertionSuccess();
}

// Qt's own reader of the same bytes sees the same colours (alpha aside).
inline ::testing::AssertionResult MatchesQt(const imaging::Picture& p,
                                            const fixtures::Bytes& bytes, const char* format) {
    const QImage img = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), format);
    if (img.isNull()) return ::testing::AssertionFailure() << "Qt cannot read it";
    if (img.width() != p.width || img.height() != p.height)
        return ::testing::AssertionFailure() << "Qt size " << img.width() << "x" << img.height();
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t ours = p.ColorAt(x, y) & 0xffffffu;
            const std::uint32_t qt = img.pixel(x, y) & 0xffffffu;
            if (ours != qt)
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << "): "
                                                     << Hex(ours) << " vs Qt " << Hex(qt);
        }
    return ::testing::AssertionSuccess();
}

} // namespace dtest
