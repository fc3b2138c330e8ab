// Portable any-maps: P1/P4 bitmaps, P2/P5 grey maps, P3/P6 pixel maps, plain (ASCII) and
// raw. Only the first picture of a file is read. Samples are scaled from maxval to 0..255.
// Bitmaps become 1-bit pictures whose index 1 is black, grey maps 8-bit pictures with a grey
// ramp, pixel maps 24-bit pictures.
#include "Decoders.h"

#include <new>

namespace imaging {
namespace {

bool IsSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class Scanner {
public:
    Scanner(const std::uint8_t* p, const std::uint8_t* end) : p_(p), end_(end) {}

    // Skips white space and comments ('#' to the end of the line).
    void SkipSpace() {
        while (p_ < end_) {
            if (IsSpace(*p_)) {
                ++p_;
            } else if (*p_ == '#') {
                while (p_ < end_ && *p_ != '\n' && *p_ != '\r') ++p_;
            } else {
                break;
            }
        }
    }

    // An unsigned decimal number after optional space; false when there is none. Values past
    // `limit` are reported as limit + 1 so that callers reject them without overflow.
    bool Number(std::uint32_t limit, std::uint32_t& value) {
        SkipSpace();
        if (p_ >= end_ || *p_ < '0' || *p_ > '9') return false;
        std::uint64_t v = 0;
        while (p_ < end_ && *p_ >= '0' && *p_ <= '9') {
            v = v * 10 + static_cast<std::uint64_t>(*p_ - '0');
            if (v > limit) v = std::uint64_t{limit} + 1;
            ++p_;
        }
        value = static_cast<std::uint32_t>(v);
        return true;
    }

    // One '0' or '1' of a plain bitmap; digits need not be separated.
    bool Bit(std::uint8_t& bit) {
        SkipSpace();
        if (p_ >= end_ || (*p_ != '0' && *p_ != '1')) return false;
        bit = static_cast<std::uint8_t>(*p_++ - '0');
        return true;
    }

    const std::uint8_t* Position() const { return p_; }
    std::size_t Left() const { return static_cast<std::size_t>(end_ - p_); }
    void Advance(std::size_t n) { p_ += n; }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

std::uint8_t Scale(std::uint32_t v, std::uint32_t maxval) {
    if (v >= maxval) return 255;
    return static_cast<std::uint8_t>((std::uint64_t{v} * 255 + maxval / 2) / maxval);
}

bool DecodePnmImpl(const std::uint8_t* data, std::size_t size, Picture& out,
                   std::string& error) {
    if (data == nullptr || size < 2 || data[0] != 'P' || data[1] < '1' || data[1] > '6') {
        error = "Not a PNM";
        return false;
    }
    const int kind = data[1] - '0';
    const bool plain = kind <= 3;
    const bool bitmap = kind == 1 || kind == 4;
    const bool grey = kind == 2 || kind == 5;
    Scanner s(data + 2, data + size);
    if (s.Left() > 0 && !IsSpace(*s.Position()) && *s.Position() != '#') {
        error = "Not a PNM";
        return false;
    }

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t maxval = 1;
    if (!s.Number(UINT32_MAX - 1, width) || !s.Number(UINT32_MAX - 1, height) ||
        (!bitmap && !s.Number(65535, maxval))) {
        error = "Error reading PNM header";
        return false;
    }
    if (maxval < 1 || maxval > 65535 || !SizeAcceptable(width, height)) {
        error = "Error reading PNM header";
        return false;
    }
    // Raw data starts after exactly one white-space character.
    if (!plain) {
        if (s.Left() < 1 || !IsSpace(*s.Position())) {
            error = "Error reading PNM header";
            return false;
        }
        s.Advance(1);
    }

    const std::uint64_t pixelCount = std::uint64_t{width} * height;
    const std::uint64_t samples = pixelCount * (kind == 3 || kind == 6 ? 3 : 1);
    const std::uint64_t sampleBytes = maxval > 255 ? 2 : 1;
    // The smallest raster the header's size allows, checked before anything is allocated:
    // plain bits may touch, plain numbers need a separator each.
    std::uint64_t needed = 0;
    switch (kind) {
    case 1: needed = pixelCount; break;
    case 2: case 3: needed = 2 * samples - 1; break;
    case 4: needed = (std::uint64_t{width} + 7) / 8 * height; break;
    default: needed = samples * sampleBytes; break;
    }
    if (s.Left() < needed) {
        error = "Error reading PNM data";
        return false;
    }

    Picture pic;
    pic.width = static_cast<int>(width);
    pic.height = static_cast<int>(height);
    if (bitmap) {
        pic.bitCount = 1;
        pic.palette = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
        pic.indices.resize(pixelCount);
    } else if (grey) {
        pic.MakeGrey8(pixelCount);
    } else {
        pic.bitCount = 24;
        pic.pixels.resize(pixelCount);
    }

    const std::uint8_t* raw = s.Position();
    auto rawSample = [&](std::uint64_t i) -> std::uint32_t {
        return sampleBytes == 1 ? raw[i] : (std::uint32_t{raw[2 * i]} << 8) | raw[2 * i + 1];
    };
    auto plainSample = [&](std::uint32_t& v) {
        // Out-of-range samples are clamped to white rather than rejected.
        return s.Number(65535, v);
    };

    switch (kind) {
    case 1:
        for (std::uint64_t i = 0; i < pixelCount; ++i) {
            if (!s.Bit(pic.indices[i])) {
                error = "Error reading PNM data";
                return false;
            }
        }
        break;
    case 4: {
        const std::uint64_t stride = (std::uint64_t{width} + 7) / 8;
        for (std::uint32_t y = 0; y < height; ++y)
            for (std::uint32_t x = 0; x < width; ++x)
                pic.indices[std::uint64_t{y} * width + x] =
                    (raw[y * stride + x / 8] >> (7 - x % 8)) & 1;
        break;
    }
    case 2:
    case 3:
        for (std::uint64_t i = 0; i < samples; ++i) {
            std::uint32_t v = 0;
            if (!plainSample(v)) {
                error = "Error reading PNM data";
                return false;
            }
            const std::uint8_t c = Scale(v, maxval);
            if (grey) {
                pic.indices[i] = c;
            } else {
                QRgb& px = pic.pixels[i / 3];
                const int channel = static_cast<int>(i % 3);
                px = channel == 0 ? qRgb(c, 0, 0)
                     : channel == 1 ? qRgb(qRed(px), c, 0)
                                    : qRgb(qRed(px), qGreen(px), c);
            }
        }
        break;
    case 5:
        for (std::uint64_t i = 0; i < pixelCount; ++i) pic.indices[i] = Scale(rawSample(i), maxval);
        break;
    default:
        for (std::uint64_t i = 0; i < pixelCount; ++i)
            pic.pixels[i] = qRgb(Scale(rawSample(3 * i), maxval),
                                 Scale(rawSample(3 * i + 1), maxval),
                                 Scale(rawSample(3 * i + 2), maxval));
        break;
    }
    out = std::move(pic);
    return true;
}

} // namespace

bool DecodePnm(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error) {
    try {
        return DecodePnmImpl(data, size, out, error);
    } catch (const std::bad_alloc&) {
        error = "Can't allocate memory";
        return false;
    }
}

} // namespace imaging
