#include "ImageCodec.h"

#include "Decoders.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <utility>
#include <vector>

using imaging::Picture;

namespace {

constexpr std::size_t kMaxErrorLength = 255;
// The largest file LoadFile reads: an uncompressed 32-bit bitmap of kMaxPixels pixels
// with its headers fits; anything bigger cannot hold an acceptable picture anyway.
constexpr qint64 kMaxFileBytes = 0x7fffffff;
constexpr const char* kUnknownFormat = "Decode: Unknown or wrong format";

using DecodeFn = bool (*)(const std::uint8_t*, std::size_t, Picture&, std::string&);

struct DecoderEntry {
    int format;
    DecodeFn decode;
};

// Detection order: cheap, unambiguous signatures first; the JPEG-2000 family decoder, which
// also recognises the portable any-maps, comes last.
constexpr DecoderEntry kDecoders[] = {
    {Bmp, imaging::DecodeBmp}, {Jpg, imaging::DecodeJpeg}, {Gif, imaging::DecodeGif},
    {Png, imaging::DecodePng}, {Tif, imaging::DecodeTiff}, {Jpeg2000, imaging::DecodeJpeg2000},
};

DecodeFn DecoderFor(int format) {
    for (const DecoderEntry& d : kDecoders)
        if (d.format == format) return d.decode;
    return nullptr;
}

// Runs one decoder, turning an escaped allocation failure into a failed decode.
bool RunDecoder(DecodeFn decode, const std::uint8_t* data, std::size_t size, Picture& out,
                std::string& error) {
    try {
        return decode(data, size, out, error);
    } catch (const std::bad_alloc&) {
        error = "Can't allocate memory";
        return false;
    }
}

QRgb Opaque(QRgb c) {
    return c | 0xff000000u;
}

// An opaque 32-bit copy of part of the picture, colours as stored.
QImage ToImage(const Picture& p, int sx, int sy, int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    if (img.isNull()) return img;
    std::vector<QRgb> lut;
    if (p.IsIndexed()) {
        lut.assign(256, 0xff000000u);
        for (std::size_t k = 0; k < p.palette.size() && k < lut.size(); ++k)
            lut[k] = Opaque(p.palette[k]);
    }
    for (int y = 0; y < h; ++y) {
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
        const std::size_t row =
            static_cast<std::size_t>(sy + y) * static_cast<std::size_t>(p.width);
        if (p.IsIndexed()) {
            const std::uint8_t* src = p.indices.data() + row + sx;
            for (int x = 0; x < w; ++x)
                dst[x] = lut[src[x]];
        } else {
            const QRgb* src = p.pixels.data() + row + sx;
            for (int x = 0; x < w; ++x)
                dst[x] = Opaque(src[x]);
        }
    }
    return img;
}

// The whole picture as an opaque 32-bit image; 24-bit pictures are wrapped without a copy
// (the wrapper must not outlive the picture).
QImage WholeImage(const Picture& p) {
    if (!p.IsIndexed())
        return QImage(reinterpret_cast<const uchar*>(p.pixels.data()), p.width, p.height,
                      static_cast<qsizetype>(p.width) * 4, QImage::Format_RGB32);
    return ToImage(p, 0, 0, p.width, p.height);
}

bool HasTransparency(const Picture& p) {
    if (!p.alpha.empty() || p.opacity < 255) return true;
    if (p.IsIndexed()) return p.transparentIndex >= 0 || p.paletteAlpha;
    return p.hasTransparentRgb;
}

// A picture with src's colour table, transparency and opacity but no size or pixels yet.
Picture WithoutPixels(const Picture& src) {
    Picture dst;
    dst.bitCount = src.bitCount;
    dst.palette = src.palette;
    dst.paletteAlpha = src.paletteAlpha;
    dst.transparentIndex = src.transparentIndex;
    dst.hasTransparentRgb = src.hasTransparentRgb;
    dst.transparentRgb = src.transparentRgb;
    dst.opacity = src.opacity;
    return dst;
}

// Exact raster turn by quarter turns clockwise (1, 2 or 3).
void TurnQuarters(const Picture& src, int quarters, Picture& dst) {
    const int W = src.width;
    const int H = src.height;
    dst = WithoutPixels(src);
    const bool swap = quarters != 2;
    dst.width = swap ? H : W;
    dst.height = swap ? W : H;
    dst.dpiX = swap ? src.dpiY : src.dpiX;
    dst.dpiY = swap ? src.dpiX : src.dpiY;
    const std::size_t n = static_cast<std::size_t>(W) * static_cast<std::size_t>(H);
    const std::int64_t DW = dst.width;
    const std::int64_t DH = dst.height;
    // Source index of destination (x, y) = base + x * ax + y * ay.
    std::int64_t base = 0, ax = 0, ay = 0;
    switch (quarters) {
    case 1: // the top-left corner goes to the top-right
        base = std::int64_t{H - 1} * W;
        ax = -std::int64_t{W};
        ay = 1;
        break;
    case 2:
        base = std::int64_t{H - 1} * W + (W - 1);
        ax = -1;
        ay = -std::int64_t{W};
        break;
    default: // the top-left corner goes to the bottom-left
        base = W - 1;
        ax = W;
        ay = -1;
        break;
    }
    // Walks the destination in tiles so that the strided source reads stay in cache.
    constexpr std::int64_t kTile = 64;
    auto turn = [&](const auto& from, auto& to) {
        to.resize(n);
        for (std::int64_t ty = 0; ty < DH; ty += kTile) {
            const std::int64_t yEnd = std::min(ty + kTile, DH);
            for (std::int64_t tx = 0; tx < DW; tx += kTile) {
                const std::int64_t xEnd = std::min(tx + kTile, DW);
                for (std::int64_t y = ty; y < yEnd; ++y) {
                    std::int64_t s = base + tx * ax + y * ay;
                    auto* out = to.data() + y * DW;
                    for (std::int64_t x = tx; x < xEnd; ++x, s += ax)
                        out[x] = from[static_cast<std::size_t>(s)];
                }
            }
        }
    };
    if (src.IsIndexed())
        turn(src.indices, dst.indices);
    else
        turn(src.pixels, dst.pixels);
    if (!src.alpha.empty()) turn(src.alpha, dst.alpha);
}

// Free rotation: samples the picture into a box that holds every turned corner plus a
// two-pixel margin. Works in bottom-up coordinates (y grows upwards from the bottom row)
// so that a positive angle turns clockwise as displayed.
bool TurnFreely(const Picture& src, double angle, Picture& dst, std::string& error) {
    const int W = src.width;
    const int H = src.height;
    const double t = -angle * std::numbers::pi / 180.0;
    const double c = std::cos(t);
    const double s = std::sin(t);
    const double corners[4][2] = {
        {0, 0}, {double(W), 0}, {0, double(H)}, {double(W - 1), double(H)}};
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int k = 0; k < 4; ++k) {
        const double x = std::floor(corners[k][0] * c - corners[k][1] * s);
        const double y = std::floor(corners[k][0] * s + corners[k][1] * c);
        if (k == 0 || x < minX) minX = x;
        if (k == 0 || x > maxX) maxX = x;
        if (k == 0 || y < minY) minY = y;
        if (k == 0 || y > maxY) maxY = y;
    }
    const double newW = maxX - minX + 2;
    const double newH = maxY - minY + 2;
    if (!(newW > 0 && newH > 0 && newW <= double(imaging::kMaxPixels) &&
          newH <= double(imaging::kMaxPixels)) ||
        !imaging::SizeAcceptable(static_cast<std::uint64_t>(newW),
                                 static_cast<std::uint64_t>(newH))) {
        error = "Rotate: picture too large";
        return false;
    }
    dst = WithoutPixels(src);
    dst.width = static_cast<int>(newW);
    dst.height = static_cast<int>(newH);
    dst.dpiX = src.dpiX;
    dst.dpiY = src.dpiY;
    const std::size_t n =
        static_cast<std::size_t>(dst.width) * static_cast<std::size_t>(dst.height);
    const bool indexed = src.IsIndexed();
    const bool withAlpha = !src.alpha.empty();
    // Uncovered positions: the transparent colour, else the stored first pixel (bottom-left).
    const std::size_t firstPixel = static_cast<std::size_t>(H - 1) * static_cast<std::size_t>(W);
    std::uint8_t fillIndex = 0;
    QRgb fillRgb = 0;
    if (indexed) {
        fillIndex = src.transparentIndex >= 0 ? static_cast<std::uint8_t>(src.transparentIndex)
                                              : src.indices[firstPixel];
        dst.indices.assign(n, fillIndex);
    } else {
        fillRgb = src.hasTransparentRgb ? Opaque(src.transparentRgb) : src.pixels[firstPixel];
        dst.pixels.assign(n, fillRgb);
    }
    if (withAlpha) dst.alpha.assign(n, 0);

    for (int j = 0; j < dst.height; ++j) {
        const double y = j + minY;
        const std::size_t rowOut = static_cast<std::size_t>(dst.height - 1 - j) * dst.width;
        for (int i = 0; i < dst.width; ++i) {
            const double x = i + minX;
            const double fx = x * c + y * s - 0.5;
            const double fy = y * c - x * s - 0.5;
            // Truncation toward zero, as the sampling rule asks; range-check before converting.
            if (!(fx > -1.0 && fx < double(W) && fy > -1.0 && fy < double(H))) continue;
            const int sx = static_cast<int>(fx);
            const int sy = static_cast<int>(fy);
            if (sx < 0 || sx >= W || sy < 0 || sy >= H) continue;
            const std::size_t from = static_cast<std::size_t>(H - 1 - sy) * W + sx;
            const std::size_t to = rowOut + i;
            if (indexed)
                dst.indices[to] = src.indices[from];
            else
                dst.pixels[to] = src.pixels[from];
            if (withAlpha) dst.alpha[to] = src.alpha[from];
        }
    }
    return true;
}

// The visible destination box: rect cut by the device's clip box and the optional clip.
Rect VisibleBox(const DeviceContext& dc, std::int64_t x0, std::int64_t y0, std::int64_t w,
                std::int64_t h, const Rect* clip) {
    const Rect cb = dc.GetClipBox();
    std::int64_t l = std::max<std::int64_t>(x0, cb.left);
    std::int64_t t = std::max<std::int64_t>(y0, cb.top);
    std::int64_t r = std::min<std::int64_t>(x0 + w, cb.right);
    std::int64_t b = std::min<std::int64_t>(y0 + h, cb.bottom);
    if (clip) {
        const Rect c = clip->Normalized();
        l = std::max<std::int64_t>(l, c.left);
        t = std::max<std::int64_t>(t, c.top);
        r = std::min<std::int64_t>(r, c.right);
        b = std::min<std::int64_t>(b, c.bottom);
    }
    if (r <= l || b <= t) return {};
    return {static_cast<std::int32_t>(l), static_cast<std::int32_t>(t),
            static_cast<std::int32_t>(r), static_cast<std::int32_t>(b)};
}

} // namespace

int ImageFormatFromExtension(const QString& extension) {
    static const struct {
        const char* name;
        int format;
    } kNames[] = {{"JPG", Jpg}, {"PNG", Png}, {"BMP", Bmp}, {"TIF", Tif}, {"GIF", Gif}};
    for (const auto& n : kNames)
        if (extension.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) return n.format;
    return Detect;
}

ImageCodec::ImageCodec(int format) : format_(format) {}

ImageCodec::ImageCodec(const QString& path, int format) : format_(format) {
    LoadFile(path, format);
}

ImageCodec::ImageCodec(const std::uint8_t* data, std::size_t size, int format) : format_(format) {
    DecodeMemory(data, size, format);
}

void ImageCodec::SetError(std::string text) {
    if (text.size() > kMaxErrorLength) text.resize(kMaxErrorLength);
    error_ = std::move(text);
}

bool ImageCodec::DecodeMemory(const std::uint8_t* data, std::size_t size, int format) {
    if (format < Detect || format > Jpeg2000) {
        SetError(kUnknownFormat);
        return false;
    }
    if (!data || size == 0) {
        SetError(kUnknownFormat);
        return false;
    }
    Picture decoded;
    std::string error;
    int found = -1;
    if (format != Detect) {
        if (RunDecoder(DecoderFor(format), data, size, decoded, error)) found = format;
    } else {
        for (const DecoderEntry& d : kDecoders) {
            decoded = Picture{};
            std::string ignored;
            if (RunDecoder(d.decode, data, size, decoded, ignored)) {
                found = d.format;
                break;
            }
        }
        error = kUnknownFormat;
    }
    if (found < 0 || !decoded.IsValid()) {
        SetError(error.empty() ? kUnknownFormat : error);
        return false;
    }
    const int opacity = picture_.opacity;
    picture_ = std::move(decoded);
    picture_.opacity = opacity;
    format_ = found;
    error_.clear();
    return true;
}

bool ImageCodec::LoadFile(const QString& path, int format) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SetError("Can't open file");
        return false;
    }
    const qint64 size = file.size();
    if (size <= 0 || size > kMaxFileBytes) {
        SetError(size <= 0 ? kUnknownFormat : "File too large");
        return false;
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        SetError("Can't allocate memory");
        return false;
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(reinterpret_cast<char*>(bytes.data()) + done, size - done);
        if (got <= 0) {
            SetError("Can't read file");
            return false;
        }
        done += got;
    }
    if (DecodeMemory(bytes.data(), bytes.size(), format)) return true;
    if (format < Bmp || format > Jpeg2000) return false;
    // The extension may lie about the content: try every decoder before giving up, but
    // report why the named format failed.
    const std::string first = error_;
    if (DecodeMemory(bytes.data(), bytes.size(), Detect)) return true;
    error_ = first;
    return false;
}

bool ImageCodec::Rotate(double angle, ImageCodec* target) {
    if (!IsValid()) return false;
    if (!std::isfinite(angle)) {
        SetError("Rotate: bad angle");
        return false;
    }
    double turn = std::fmod(angle, 360.0);
    if (turn < 0) turn += 360.0;
    if (turn >= 360.0) turn = 0.0;
    ImageCodec& dest = target ? *target : *this;
    try {
        Picture result;
        // Quarter turns are exact raster turns: sampling would add a margin and edge
        // stripes and, repeated, keep growing the picture.
        if (turn == 0.0) {
            if (&dest == this) return true;
            result = picture_;
        } else if (turn == 90.0 || turn == 180.0 || turn == 270.0) {
            TurnQuarters(picture_, static_cast<int>(turn / 90.0), result);
        } else {
            std::string error;
            if (!TurnFreely(picture_, angle, result, error)) {
                SetError(error);
                return false;
            }
        }
        dest.picture_ = std::move(result);
    } catch (const std::bad_alloc&) {
        SetError("Can't allocate memory");
        return false;
    }
    if (&dest != this) {
        dest.format_ = format_;
        dest.error_.clear();
    }
    return true;
}

int ImageCodec::DrawInRect(DeviceContext* dc, const Rect& rect, const Rect* clip,
                           bool smooth) const {
    if (!IsValid() || !dc) return 0;
    const Picture& p = picture_;
    std::int64_t w = std::int64_t{rect.right} - rect.left;
    std::int64_t h = std::int64_t{rect.bottom} - rect.top;
    if (w == 0 || h == 0) return 0;
    if (w < 0) w = p.width;
    if (h < 0) h = p.height;
    const std::int64_t x0 = rect.left;
    const std::int64_t y0 = rect.top;
    const Rect box = VisibleBox(*dc, x0, y0, w, h, clip);
    if (box.IsEmpty()) return 0;
    const int bw = box.Width();
    const int bh = box.Height();
    const bool ownSize = w == p.width && h == p.height;
    const bool composite = HasTransparency(p);

    try {
        if (!composite && ownSize) {
            const int sx = static_cast<int>(box.left - x0);
            const int sy = static_cast<int>(box.top - y0);
            if (p.IsIndexed()) {
                const QImage part = ToImage(p, sx, sy, bw, bh);
                if (part.isNull()) return 0;
                dc->BitBlt(box.left, box.top, bw, bh, part, 0, 0);
            } else {
                dc->BitBlt(box.left, box.top, bw, bh, WholeImage(p), sx, sy);
            }
            return 1;
        }
        if (!composite && smooth) {
            const QImage whole = WholeImage(p);
            if (whole.isNull()) return 0;
            dc->SaveDC();
            dc->IntersectClipRect(box);
            dc->SetStretchBltMode(HALFTONE);
            dc->StretchBlt(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(w),
                           static_cast<int>(h), whole, 0, 0, p.width, p.height);
            dc->RestoreDC(-1);
            return 1;
        }

        // Nearest pixels, in the bottom-up convention: offsets count from the rectangle's
        // bottom-left corner and map onto rows counted from the picture's bottom row.
        std::vector<int> columns(static_cast<std::size_t>(bw));
        for (int i = 0; i < bw; ++i) {
            const std::int64_t ox = box.left + i - x0;
            columns[i] =
                static_cast<int>(std::clamp<std::int64_t>(ox * p.width / w, 0, p.width - 1));
        }
        auto sourceRow = [&](int y) {
            const std::int64_t ob = y0 + h - 1 - y;
            const std::int64_t fromBottom =
                std::clamp<std::int64_t>(ob * p.height / h, 0, p.height - 1);
            return static_cast<std::size_t>(p.height - 1 - fromBottom);
        };

        QImage out(bw, bh, QImage::Format_RGB32);
        if (out.isNull()) return 0;
        std::vector<QRgb> lut;
        std::vector<int> lutAlpha;
        if (p.IsIndexed()) {
            lut.assign(256, 0xff000000u);
            lutAlpha.assign(256, 255);
            for (std::size_t k = 0; k < p.palette.size() && k < 256; ++k) {
                lut[k] = Opaque(p.palette[k]);
                lutAlpha[k] = qAlpha(p.palette[k]);
            }
        }

        if (!composite) {
            for (int y = 0; y < bh; ++y) {
                auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
                const std::size_t row = sourceRow(box.top + y) * static_cast<std::size_t>(p.width);
                if (p.IsIndexed()) {
                    const std::uint8_t* src = p.indices.data() + row;
                    for (int x = 0; x < bw; ++x)
                        dst[x] = lut[src[columns[x]]];
                } else {
                    const QRgb* src = p.pixels.data() + row;
                    for (int x = 0; x < bw; ++x)
                        dst[x] = Opaque(src[columns[x]]);
                }
            }
            dc->BitBlt(box.left, box.top, bw, bh, out, 0, 0);
            return 1;
        }

        // Compositing onto what the device shows under the visible box.
        const QImage& surface = dc->Image();
        const bool hasAlpha = !p.alpha.empty();
        const int opacityScale = p.opacity + 1;
        const QRgb transparentRgb = p.transparentRgb & 0xffffffu;
        for (int y = 0; y < bh; ++y) {
            auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
            const auto* under =
                reinterpret_cast<const QRgb*>(surface.constScanLine(box.top + y)) + box.left;
            const std::size_t row = sourceRow(box.top + y) * static_cast<std::size_t>(p.width);
            for (int x = 0; x < bw; ++x) {
                const std::size_t at = row + static_cast<std::size_t>(columns[x]);
                const QRgb bg = under[x];
                dst[x] = Opaque(bg);
                int a = hasAlpha ? p.alpha[at] : 255;
                a = a * opacityScale / 256;
                QRgb colour;
                if (p.IsIndexed()) {
                    const std::uint8_t k = p.indices[at];
                    if (k == p.transparentIndex) continue;
                    if (p.paletteAlpha) a = a * (lutAlpha[k] + 1) / 256;
                    colour = lut[k];
                } else {
                    colour = p.pixels[at];
                    if (p.hasTransparentRgb && (colour & 0xffffffu) == transparentRgb) continue;
                }
                if (a == 0) continue;
                if (a == 255) {
                    dst[x] = Opaque(colour);
                    continue;
                }
                const int r = (qRed(bg) * (255 - a) + qRed(colour) * a) / 256;
                const int g = (qGreen(bg) * (255 - a) + qGreen(colour) * a) / 256;
                const int b = (qBlue(bg) * (255 - a) + qBlue(colour) * a) / 256;
                dst[x] = qRgb(r, g, b);
            }
        }
        dc->BitBlt(box.left, box.top, bw, bh, out, 0, 0);
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int ImageCodec::StretchTo(DeviceContext* dc, int x, int y, int width, int height,
                          std::uint32_t rop) const {
    if (!IsValid() || !dc) return 0;
    try {
        const QImage whole = WholeImage(picture_);
        if (whole.isNull()) return 0;
        dc->SetStretchBltMode(COLORONCOLOR);
        dc->StretchBlt(x, y, width, height, whole, 0, 0, picture_.width, picture_.height, rop);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

void ImageCodec::Clear() {
    const int opacity = picture_.opacity;
    picture_ = Picture{};
    picture_.opacity = opacity;
}

bool ImageCodec::SetPicture(imaging::Picture picture) {
    const Picture& p = picture;
    if (!imaging::SizeAcceptable(p.width > 0 ? p.width : 0, p.height > 0 ? p.height : 0))
        return false;
    const std::size_t n = static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
    const bool indexed = p.bitCount == 1 || p.bitCount == 4 || p.bitCount == 8;
    if (!indexed && p.bitCount != 24) return false;
    if (indexed ? p.indices.size() != n : p.pixels.size() != n) return false;
    if (!p.alpha.empty() && p.alpha.size() != n) return false;
    const int opacity = picture_.opacity;
    picture_ = std::move(picture);
    picture_.opacity = opacity;
    error_.clear();
    return true;
}

void ImageCodec::SetOpacity(int opacity) {
    picture_.opacity = std::clamp(opacity, 0, 255);
}
