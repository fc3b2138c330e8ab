#include "PictureFixtures.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include <jpeglib.h>
#include <openjpeg.h>
#include <png.h>
#include <tiffio.h>

namespace fixtures {

Bytes FromQByteArray(const QByteArray& a) {
    return Bytes(a.begin(), a.end());
}

QByteArray ToQByteArray(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

Bytes QtEncode(const QImage& image, const char* format, int quality) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0) writer.setQuality(quality);
    if (!writer.write(image)) {
        std::fprintf(stderr, "fixture: Qt cannot write %s\n", format);
        std::abort();
    }
    return FromQByteArray(out);
}

// --- PNG ---------------------------------------------------------------------------------

namespace {

[[noreturn]] void PngFixtureError(png_structp, png_const_charp msg) {
    std::fprintf(stderr, "fixture: libpng: %s\n", msg);
    std::abort();
}

void PngAppend(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) {}

int Channels(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

} // namespace

Bytes PngBytes(const PngSample& s) {
    Bytes out;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFixtureError, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, PngAppend, PngFlush);
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> plte;
    for (std::uint32_t c : s.palette)
        plte.push_back({static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                        static_cast<png_byte>(c)});
    if (!plte.empty()) png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
    png_color_16 trans{};
    if (!s.paletteAlpha.empty()) {
        png_set_tRNS(png, info, s.paletteAlpha.data(), static_cast<int>(s.paletteAlpha.size()),
                     nullptr);
    } else if (s.transparentGrey) {
        trans.gray = *s.transparentGrey;
        png_set_tRNS(png, info, nullptr, 0, &trans);
    } else if (s.transparentRgb) {
        const std::uint32_t c = *s.transparentRgb;
        trans.red = static_cast<png_uint_16>(c >> 16 & 0xff);
        trans.green = static_cast<png_uint_16>(c >> 8 & 0xff);
        trans.blue = static_cast<png_uint_16>(c & 0xff);
        if (s.depth == 16) { // the same colour at 16 bits: each byte doubled
            trans.red = static_cast<png_uint_16>(trans.red * 257);
            trans.green = static_cast<png_uint_16>(trans.green * 257);
            trans.blue = static_cast<png_uint_16>(trans.blue * 257);
        }
        png_set_tRNS(png, info, nullptr, 0, &trans);
    }
    png_color_16 bkgd{};
    if (s.backgroundGrey) {
        bkgd.gray = *s.backgroundGrey;
        png_set_bKGD(png, info, &bkgd);
    } else if (s.backgroundRgb) {
        bkgd.red = static_cast<png_uint_16>(*s.backgroundRgb >> 16 & 0xff);
        bkgd.green = static_cast<png_uint_16>(*s.backgroundRgb >> 8 & 0xff);
        bkgd.blue = static_cast<png_uint_16>(*s.backgroundRgb & 0xff);
        png_set_bKGD(png, info, &bkgd);
    }
    if (s.pixelsPerMetre)
        png_set_pHYs(png, info, *s.pixelsPerMetre, *s.pixelsPerMetre, PNG_RESOLUTION_METER);
    png_write_info(png, info);

    const int channels = Channels(s.colorType);
    const std::size_t perRow = static_cast<std::size_t>(s.width) * channels;
    const std::size_t rowBytes = (perRow * s.depth + 7) / 8;
    std::vector<Bytes> rows(s.height, Bytes(rowBytes, 0));
    for (int y = 0; y < s.height; ++y) {
        for (std::size_t i = 0; i < perRow; ++i) {
            const std::uint16_t v = s.samples[y * perRow + i];
            if (s.depth == 16) {
                rows[y][2 * i] = static_cast<std::uint8_t>(v >> 8);
                rows[y][2 * i + 1] = static_cast<std::uint8_t>(v);
            } else if (s.depth == 8) {
                rows[y][i] = static_cast<std::uint8_t>(v);
            } else {
                const std::size_t bit = i * s.depth;
                rows[y][bit / 8] |= static_cast<std::uint8_t>(v << (8 - s.depth - bit % 8));
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (Bytes& r : rows)
        pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// --- JPEG --------------------------------------------------------------------------------

Bytes JpegBytes(const JpegSample& s) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(s.width);
    cinfo.image_height = static_cast<JDIMENSION>(s.height);
    cinfo.input_components = s.components;
    cinfo.in_color_space = s.components == 1   ? JCS_GRAYSCALE
                           : s.components == 3 ? JCS_RGB
                                               : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    if (s.components == 4) jpeg_set_colorspace(&cinfo, s.ycck ? JCS_YCCK : JCS_CMYK);
    cinfo.write_Adobe_marker = s.adobeMarker ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (s.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(s.width) * s.components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(s.samples.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

// --- TIFF --------------------------------------------------------------------------------

Bytes TiffBytes(const TiffSample& s) {
    QTemporaryDir dir;
    const QByteArray path = dir.filePath(QStringLiteral("f.tif")).toLocal8Bit();
    TIFF* tif = TIFFOpen(path.constData(), "w");
    if (!tif) std::abort();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(s.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(s.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(s.samplesPerPixel));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(8));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 s.samplesPerPixel == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(s.height));
    if (s.samplesPerPixel == 4) {
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    const std::size_t stride = static_cast<std::size_t>(s.width) * s.samplesPerPixel;
    for (int y = 0; y < s.height; ++y)
        TIFFWriteScanline(tif, const_cast<std::uint8_t*>(s.samples.data() + y * stride),
                          static_cast<std::uint32_t>(y), 0);
    TIFFClose(tif);
    QFile f(QString::fromLocal8Bit(path));
    f.open(QIODevice::ReadOnly);
    return FromQByteArray(f.readAll());
}

// --- JPEG-2000 ---------------------------------------------------------------------------

namespace {

struct GrowingBuffer {
    Bytes bytes;
    std::size_t pos = 0;
};

OPJ_SIZE_T OpjWrite(void* data, OPJ_SIZE_T n, void* user) {
    auto* b = static_cast<GrowingBuffer*>(user);
    if (b->pos + n > b->bytes.size()) b->bytes.resize(b->pos + n);
    std::memcpy(b->bytes.data() + b->pos, data, n);
    b->pos += n;
    return n;
}

OPJ_OFF_T OpjSkip(OPJ_OFF_T n, void* user) {
    auto* b = static_cast<GrowingBuffer*>(user);
    b->pos += static_cast<std::size_t>(n);
    if (b->pos > b->bytes.size()) b->bytes.resize(b->pos);
    return n;
}

OPJ_BOOL OpjSeek(OPJ_OFF_T pos, void* user) {
    auto* b = static_cast<GrowingBuffer*>(user);
    b->pos = static_cast<std::size_t>(pos);
    if (b->pos > b->bytes.size()) b->bytes.resize(b->pos);
    return OPJ_TRUE;
}

} // namespace

Bytes Jpeg2000Bytes(const Jpeg2000Sample& s) {
    std::vector<opj_image_cmptparm_t> params(s.components);
    for (auto& p : params) {
        std::memset(&p, 0, sizeof p);
        p.dx = p.dy = 1;
        p.w = static_cast<OPJ_UINT32>(s.width);
        p.h = static_cast<OPJ_UINT32>(s.height);
        p.prec = 8;
        p.sgnd = 0;
    }
    const int colourComps = s.components - (s.withAlpha ? 1 : 0);
    opj_image_t* image = opj_image_create(static_cast<OPJ_UINT32>(s.components), params.data(),
                                          colourComps >= 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY);
    image->x0 = image->y0 = 0;
    image->x1 = static_cast<OPJ_UINT32>(s.width);
    image->y1 = static_cast<OPJ_UINT32>(s.height);
    const std::size_t n = static_cast<std::size_t>(s.width) * s.height;
    for (int c = 0; c < s.components; ++c)
        for (std::size_t i = 0; i < n; ++i)
            image->comps[c].data[i] = s.samples[i * s.components + c];
    if (s.withAlpha) image->comps[s.components - 1].alpha = 1;

    opj_cparameters_t cp;
    opj_set_default_encoder_parameters(&cp);
    cp.numresolution = 1; // lossless, and valid for the tiniest pictures
    cp.tcp_mct = colourComps >= 3 ? 1 : 0;
    opj_codec_t* codec = opj_create_compress(s.jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_setup_encoder(codec, &cp, image);
    GrowingBuffer out;
    opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
    opj_stream_set_user_data(stream, &out, nullptr);
    opj_stream_set_write_function(stream, OpjWrite);
    opj_stream_set_skip_function(stream, OpjSkip);
    opj_stream_set_seek_function(stream, OpjSeek);
    const bool ok = opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
                    opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    if (!ok) {
        std::fprintf(stderr, "fixture: OpenJPEG could not encode\n");
        std::abort();
    }
    return out.bytes;
}

// --- stderr ------------------------------------------------------------------------------

StderrCapture::StderrCapture() {
    std::fflush(stderr);
    char name[] = "/tmp/vm-stderr-XXXXXX";
    file_ = mkstemp(name);
    unlink(name);
    saved_ = dup(2);
    dup2(file_, 2);
}

StderrCapture::~StderrCapture() {
    Finish();
}

std::string StderrCapture::Finish() {
    if (finished_) return {};
    finished_ = true;
    std::fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    std::string text;
    lseek(file_, 0, SEEK_SET);
    char buf[512];
    ssize_t got;
    while ((got = read(file_, buf, sizeof buf)) > 0)
        text.append(buf, static_cast<std::size_t>(got));
    close(file_);
    return text;
}

} // namespace fixtures
