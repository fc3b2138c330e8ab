// PNG through libpng. The library's transformations write each row straight into the
// picture's buffers (colour-table indices, or B, G, R, A bytes that are QRgb values in
// memory); transparency is then split off or composited here.
#include "Decoders.h"

#include <QtGlobal>

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <png.h>

namespace imaging {
namespace {

struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
    char message[256] = {};
    std::vector<png_bytep> rows; // lives here so a long jump cannot skip its destructor
};

void OnRead(png_structp png, png_bytep out, size_t length) {
    auto* st = static_cast<PngState*>(png_get_io_ptr(png));
    if (length > st->size - st->pos) png_error(png, "PNG data ended early");
    std::memcpy(out, st->data + st->pos, length);
    st->pos += length;
}

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
    auto* st = static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(st->message, sizeof st->message, "%s", message ? message : "PNG error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {} // recoverable; nothing goes to stderr

int ScaleTo8(int value, int depth) {
    if (depth == 16) return value >> 8;
    if (depth == 8) return value;
    const int max = (1 << depth) - 1;
    return max > 0 ? value * 255 / max : 0;
}

// Holds no C++ objects of its own: libpng errors long-jump back to the setjmp below.
bool DecodeInto(PngState& st, Picture& pic) {
    if (setjmp(png_jmpbuf(st.png))) return false;
    png_structp png = st.png;
    png_infop info = st.info;
    png_set_read_fn(png, &st, OnRead);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    if (!SizeAcceptable(width, height)) {
        std::snprintf(st.message, sizeof st.message, "PNG picture too large");
        return false;
    }
    pic.width = static_cast<int>(width);
    pic.height = static_cast<int>(height);
    const std::size_t n = static_cast<std::size_t>(width) * height;

    png_bytep transAlpha = nullptr;
    int transCount = 0;
    png_color_16p transColor = nullptr;
    const bool hasTrns = png_get_tRNS(png, info, &transAlpha, &transCount, &transColor) != 0;

    if (depth == 16) png_set_strip_16(png);
    const bool palette = colorType == PNG_COLOR_TYPE_PALETTE;
    const bool grey = colorType == PNG_COLOR_TYPE_GRAY;
    const bool withAlphaChannel = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    // Indexed output: palette pictures, and grey pictures without transparency (which get
    // a grey table of their own depth). Everything else becomes B, G, R, A per pixel.
    const bool indexed = palette || (grey && !hasTrns);
    // Single-colour transparency of grey and RGB pictures is composited onto the
    // background; an alpha channel is kept as the alpha plane.
    const bool composite = !palette && !withAlphaChannel && hasTrns;

    if (indexed) {
        if (depth < 8) png_set_packing(png);
    } else {
        if (!(colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
        if (composite) png_set_tRNS_to_alpha(png);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        else if (!withAlphaChannel)
            png_set_filler(png, 0xff, PNG_FILLER_AFTER);
        png_set_bgr(png);
#else
        else if (!withAlphaChannel)
            png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
        png_set_swap_alpha(png);
#endif
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t stride = static_cast<std::size_t>(width) * (indexed ? 1 : 4);
    if (png_get_rowbytes(png, info) != stride) {
        std::snprintf(st.message, sizeof st.message, "Unexpected PNG row layout");
        return false;
    }

    std::uint8_t* base = nullptr;
    if (indexed) {
        pic.indices.resize(n);
        base = pic.indices.data();
    } else {
        pic.pixels.resize(n);
        base = reinterpret_cast<std::uint8_t*>(pic.pixels.data());
    }
    st.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        st.rows[y] = base + static_cast<std::size_t>(y) * stride;

    if (palette) {
        png_colorp entries = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &entries, &count);
        pic.bitCount = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
        pic.palette.resize(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            pic.palette[i] = qRgb(entries[i].red, entries[i].green, entries[i].blue);
        if (hasTrns && transAlpha && transCount > 0) {
            if (transCount == 1 && transAlpha[0] == 0) {
                pic.transparentIndex = 0;
            } else {
                pic.paletteAlpha = true;
                for (int i = 0; i < transCount && i < count; ++i)
                    pic.palette[i] = (pic.palette[i] & 0x00ffffffu) | (QRgb(transAlpha[i]) << 24);
            }
        }
    } else if (indexed) {
        const int levelDepth = depth == 16 ? 8 : depth;
        const int levels = 1 << levelDepth;
        pic.bitCount = levelDepth == 1 ? 1 : levelDepth <= 4 ? 4 : 8;
        pic.palette.resize(static_cast<std::size_t>(levels));
        for (int i = 0; i < levels; ++i) {
            const int g = i * 255 / (levels - 1);
            pic.palette[i] = qRgb(g, g, g);
        }
    } else {
        pic.bitCount = 24;
    }

    QRgb background = qRgb(192, 192, 192);
    if (composite) {
        png_color_16p bkgd = nullptr;
        if (png_get_bKGD(png, info, &bkgd) && bkgd) {
            if (grey) {
                const int g = ScaleTo8(bkgd->gray, depth);
                background = qRgb(g, g, g);
            } else {
                background = qRgb(ScaleTo8(bkgd->red, depth), ScaleTo8(bkgd->green, depth),
                                  ScaleTo8(bkgd->blue, depth));
            }
        }
    }

    png_read_image(png, st.rows.data());

    png_uint_32 ppmX = 0, ppmY = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &ppmX, &ppmY, &unit) && unit == PNG_RESOLUTION_METER && ppmX > 0 &&
        ppmY > 0) {
        pic.dpiX = static_cast<int>((std::uint64_t{ppmX} * 254 + 5000) / 10000);
        pic.dpiY = static_cast<int>((std::uint64_t{ppmY} * 254 + 5000) / 10000);
    }

    if (indexed) return true;
    if (composite) {
        for (QRgb& p : pic.pixels)
            p = qAlpha(p) == 0 ? background : (p | 0xff000000u);
        return true;
    }
    if (withAlphaChannel) {
        pic.alpha.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            pic.alpha[i] = static_cast<std::uint8_t>(qAlpha(pic.pixels[i]));
            pic.pixels[i] |= 0xff000000u;
        }
    }
    return true;
}

} // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error) {
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        error = "Not a PNG file";
        return false;
    }
    PngState st;
    st.data = data;
    st.size = size;
    st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &st, OnError, OnWarning);
    if (st.png) st.info = png_create_info_struct(st.png);
    if (!st.png || !st.info) {
        png_destroy_read_struct(st.png ? &st.png : nullptr, nullptr, nullptr);
        error = "Can't allocate memory";
        return false;
    }
    Picture pic;
    bool ok = false;
    try {
        ok = DecodeInto(st, pic);
    } catch (const std::bad_alloc&) {
        std::snprintf(st.message, sizeof st.message, "Can't allocate memory");
        ok = false;
    }
    png_destroy_read_struct(&st.png, &st.info, nullptr);
    if (!ok) {
        error = st.message[0] ? st.message : "Corrupted PNG file";
        return false;
    }
    out = std::move(pic);
    return true;
}

} // namespace imaging
