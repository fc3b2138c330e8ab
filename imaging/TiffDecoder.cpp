// TIFF through libtiff, first page only, read from memory through client procedures.
// libtiff's errors and warnings go to handlers attached to this one handle, never to
// stderr and never through process-wide state.
#include "Decoders.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <tiffio.h>

namespace imaging {
namespace {

constexpr const char* kCorrupted = "Corrupted TIFF file!";

struct TiffSource {
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
    std::uint64_t pos = 0;
    char message[256] = {};
};

tsize_t OnRead(thandle_t h, tdata_t buffer, tsize_t count) {
    auto* src = static_cast<TiffSource*>(h);
    if (count <= 0 || src->pos >= src->size) return 0;
    const std::uint64_t n =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(count), src->size - src->pos);
    std::memcpy(buffer, src->data + src->pos, static_cast<std::size_t>(n));
    src->pos += n;
    return static_cast<tsize_t>(n);
}

tsize_t OnWrite(thandle_t, tdata_t, tsize_t) {
    return -1;
}

toff_t OnSeek(thandle_t h, toff_t offset, int whence) {
    auto* src = static_cast<TiffSource*>(h);
    std::uint64_t from = 0;
    if (whence == SEEK_CUR)
        from = src->pos;
    else if (whence == SEEK_END)
        from = src->size;
    else if (whence != SEEK_SET)
        return static_cast<toff_t>(-1);
    // libtiff passes relative offsets as unsigned values; wrap-around gives the intended
    // backward seek, and positions beyond the end simply read nothing.
    src->pos = from + offset;
    return src->pos;
}

int OnClose(thandle_t) {
    return 0;
}
toff_t OnSize(thandle_t h) {
    return static_cast<TiffSource*>(h)->size;
}

// The bytes are already in memory: hand them to libtiff so strips are read in place.
int OnMap(thandle_t h, tdata_t* base, toff_t* size) {
    auto* src = static_cast<TiffSource*>(h);
    *base = const_cast<std::uint8_t*>(src->data);
    *size = src->size;
    return 1;
}
void OnUnmap(thandle_t, tdata_t, toff_t) {}

int OnError(TIFF*, void* user, const char*, const char* fmt, va_list ap) {
    auto* src = static_cast<TiffSource*>(user);
    if (src->message[0] == '\0') std::vsnprintf(src->message, sizeof src->message, fmt, ap);
    return 1; // handled: nothing reaches the process-wide handlers
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

bool HasTiffSignature(const std::uint8_t* d, std::size_t size) {
    if (size < 8) return false;
    const bool little = d[0] == 'I' && d[1] == 'I' && (d[2] == 42 || d[2] == 43) && d[3] == 0;
    const bool big = d[0] == 'M' && d[1] == 'M' && d[2] == 0 && (d[3] == 42 || d[3] == 43);
    return little || big;
}

// libtiff hands colours back premultiplied by alpha; the picture keeps them straight.
QRgb Unpremultiply(std::uint32_t abgr) {
    const int r = TIFFGetR(abgr), g = TIFFGetG(abgr), b = TIFFGetB(abgr), a = TIFFGetA(abgr);
    if (a == 255) return qRgb(r, g, b);
    if (a == 0) return qRgb(0, 0, 0);
    auto un = [a](int c) { return std::min(255, (c * 255 + a / 2) / a); };
    return qRgb(un(r), un(g), un(b));
}

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};

} // namespace

bool DecodeTiff(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error) {
    if (!data || !HasTiffSignature(data, size)) {
        error = "Not a TIFF file";
        return false;
    }
    TiffSource src;
    src.data = data;
    src.size = size;

    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (!opts) {
        error = "Can't allocate memory";
        return false;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(opts, OnError, &src);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, OnWarning, &src);
    // No single buffer beyond what the largest acceptable picture could need.
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, static_cast<tmsize_t>(kMaxPixels * 4 + (1u << 20)));
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFClientOpenExt(
        "memory", "r", &src, OnRead, OnWrite, OnSeek, OnClose, OnSize, OnMap, OnUnmap, opts));
    TIFFOpenOptionsFree(opts);
    if (!tif) {
        error = kCorrupted;
        return false;
    }

    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) || !SizeAcceptable(width, height)) {
        error = kCorrupted;
        return false;
    }
    char reason[1024] = {};
    if (!TIFFRGBAImageOK(tif.get(), reason)) {
        error = kCorrupted;
        return false;
    }

    Picture pic;
    try {
        const std::size_t n = static_cast<std::size_t>(width) * height;
        pic.width = static_cast<int>(width);
        pic.height = static_cast<int>(height);
        pic.bitCount = 24;
        pic.pixels.resize(n);
        // QRgb is 32 bits like libtiff's packed ABGR, so libtiff fills the buffer in place.
        static_assert(sizeof(QRgb) == sizeof(std::uint32_t));
        auto* raster = reinterpret_cast<std::uint32_t*>(pic.pixels.data());
        if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster, ORIENTATION_TOPLEFT, 1)) {
            error = kCorrupted;
            return false;
        }
        bool translucent = false;
        for (std::size_t i = 0; i < n; ++i) {
            if (TIFFGetA(raster[i]) != 255) {
                translucent = true;
                break;
            }
        }
        if (translucent) {
            pic.alpha.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                pic.alpha[i] = static_cast<std::uint8_t>(TIFFGetA(raster[i]));
                pic.pixels[i] = Unpremultiply(raster[i]);
            }
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint32_t p = raster[i];
                pic.pixels[i] = (p & 0xff00ff00u) | ((p & 0xffu) << 16) | ((p >> 16) & 0xffu);
            }
        }
        float rx = 0, ry = 0;
        std::uint16_t unit = RESUNIT_INCH;
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
        if (TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &rx) &&
            TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &ry) && rx > 0 && ry > 0 && rx < 1e6f &&
            ry < 1e6f && unit != RESUNIT_NONE) {
            const float k = unit == RESUNIT_CENTIMETER ? 2.54f : 1.0f;
            pic.dpiX = static_cast<int>(rx * k + 0.5f);
            pic.dpiY = static_cast<int>(ry * k + 0.5f);
        }
    } catch (const std::bad_alloc&) {
        error = "Can't allocate memory";
        return false;
    }
    out = std::move(pic);
    return true;
}

} // namespace imaging
