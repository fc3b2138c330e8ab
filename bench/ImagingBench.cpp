// Pictures: decoding large photographs through the facade against the bare libraries, and
// drawing and turning a large picture.
#include "DeviceContext.h"
#include "ImageCodec.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;

// A photograph-like test picture: smooth gradients with some texture, so the encoders do
// realistic work (pure noise would not compress, flat colour would compress to nothing).
QImage MakePhoto(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = static_cast<int>(seed >> 28);
            line[x] = qRgb((x * 255 / w + n) & 0xff, (y * 255 / h + n) & 0xff,
                           ((x + y) / 32 * 7 + n) & 0xff);
        }
    }
    return img;
}

Bytes Encode(const QImage& img, const char* format, int quality = -1, int compression = -1) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0) writer.setQuality(quality);
    if (compression >= 0) writer.setCompression(compression);
    if (!writer.write(img)) std::fprintf(stderr, "bench: cannot encode %s\n", format);
    return Bytes(out.begin(), out.end());
}

struct Inputs {
    Bytes jpeg;
    Bytes png;
    Bytes tiff;
};

// Made once, on first use.
const Inputs& Photos() {
    static const Inputs inputs = [] {
        const QImage photo = MakePhoto(kPhotoWidth, kPhotoHeight);
        return Inputs{Encode(photo, "jpg", 90), Encode(photo, "png"),
                      Encode(photo, "tiff", -1, 1 /* LZW */)};
    }();
    return inputs;
}

void DecodeThroughFacade(benchmark::State& state, const Bytes& bytes, int format) {
    for (auto _ : state) {
        ImageCodec codec(bytes.data(), bytes.size(), format);
        if (!codec.IsValid()) state.SkipWithError(codec.LastError().c_str());
        benchmark::DoNotOptimize(codec.Width());
    }
    state.SetItemsProcessed(state.iterations() * kPhotoWidth * kPhotoHeight);
}

// --- the same decodes with the bare libraries --------------------------------------------

void LibJpeg(const Bytes& bytes) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(cinfo.output_width) *
                                      cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(
            pixels.data() + std::size_t{cinfo.output_scanline} * cinfo.output_width);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
}

struct PngReader {
    const Bytes* bytes;
    std::size_t pos;
};

void PngRead(png_structp png, png_bytep out, size_t n) {
    auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
    std::memcpy(out, r->bytes->data() + r->pos, n);
    r->pos += n;
}

void LibPng(const Bytes& bytes) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    PngReader reader{&bytes, 0};
    png_set_read_fn(png, &reader, PngRead);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = reinterpret_cast<png_bytep>(pixels.data() + std::size_t{y} * w);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
}

struct TiffMemory {
    const Bytes* bytes;
    toff_t pos;
};

tsize_t TiffRead(thandle_t h, tdata_t buf, tsize_t n) {
    auto* m = static_cast<TiffMemory*>(h);
    const toff_t left = m->pos < m->bytes->size() ? m->bytes->size() - m->pos : 0;
    const tsize_t k = static_cast<tsize_t>(std::min<toff_t>(static_cast<toff_t>(n), left));
    std::memcpy(buf, m->bytes->data() + m->pos, static_cast<std::size_t>(k));
    m->pos += static_cast<toff_t>(k);
    return k;
}
tsize_t TiffWrite(thandle_t, tdata_t, tsize_t) {
    return -1;
}
toff_t TiffSeek(thandle_t h, toff_t off, int whence) {
    auto* m = static_cast<TiffMemory*>(h);
    m->pos = (whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->pos : m->bytes->size()) + off;
    return m->pos;
}
int TiffClose(thandle_t) {
    return 0;
}
toff_t TiffSize(thandle_t h) {
    return static_cast<TiffMemory*>(h)->bytes->size();
}
int TiffMap(thandle_t h, tdata_t* base, toff_t* size) {
    auto* m = static_cast<TiffMemory*>(h);
    *base = const_cast<std::uint8_t*>(m->bytes->data());
    *size = m->bytes->size();
    return 1;
}
void TiffUnmap(thandle_t, tdata_t, toff_t) {}

void LibTiff(const Bytes& bytes) {
    TiffMemory m{&bytes, 0};
    TIFF* tif = TIFFClientOpen("bench", "r", &m, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize,
                               TiffMap, TiffUnmap);
    std::uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(w) * h);
    TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 1);
    TIFFClose(tif);
    benchmark::DoNotOptimize(raster.data());
}

void DecodeWithLibrary(benchmark::State& state, const Bytes& bytes, void (*decode)(const Bytes&)) {
    for (auto _ : state)
        decode(bytes);
    state.SetItemsProcessed(state.iterations() * kPhotoWidth * kPhotoHeight);
}

} // namespace

static void BM_DecodeJpeg6000x4000_Facade(benchmark::State& state) {
    DecodeThroughFacade(state, Photos().jpeg, Jpg);
}
static void BM_DecodeJpeg6000x4000_Library(benchmark::State& state) {
    DecodeWithLibrary(state, Photos().jpeg, LibJpeg);
}
static void BM_DecodePng6000x4000_Facade(benchmark::State& state) {
    DecodeThroughFacade(state, Photos().png, Png);
}
static void BM_DecodePng6000x4000_Library(benchmark::State& state) {
    DecodeWithLibrary(state, Photos().png, LibPng);
}
static void BM_DecodeTiff6000x4000_Facade(benchmark::State& state) {
    DecodeThroughFacade(state, Photos().tiff, Tif);
}
static void BM_DecodeTiff6000x4000_Library(benchmark::State& state) {
    DecodeWithLibrary(state, Photos().tiff, LibTiff);
}
BENCHMARK(BM_DecodeJpeg6000x4000_Facade)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodeJpeg6000x4000_Library)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodePng6000x4000_Facade)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodePng6000x4000_Library)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodeTiff6000x4000_Facade)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodeTiff6000x4000_Library)->Unit(benchmark::kMillisecond)->MinTime(2.0);

namespace {

ImageCodec LargePicture(bool withAlpha) {
    imaging::Picture p;
    p.width = 4000;
    p.height = 3000;
    p.bitCount = 24;
    const QImage photo = MakePhoto(p.width, p.height);
    p.pixels.assign(reinterpret_cast<const QRgb*>(photo.constBits()),
                    reinterpret_cast<const QRgb*>(photo.constBits()) + std::size_t{4000} * 3000);
    if (withAlpha) p.alpha.assign(p.pixels.size(), 200);
    ImageCodec codec;
    codec.SetPicture(std::move(p));
    return codec;
}

void DrawScaled(benchmark::State& state, bool withAlpha) {
    const ImageCodec codec = LargePicture(withAlpha);
    QImage surface(800, 600, QImage::Format_RGB32);
    surface.fill(Qt::white);
    DeviceContext dc(surface);
    for (auto _ : state)
        benchmark::DoNotOptimize(codec.DrawInRect(&dc, {0, 0, 800, 600}));
    state.SetItemsProcessed(state.iterations() * 800 * 600);
}

} // namespace

static void BM_Draw4000x3000Into800x600(benchmark::State& state) {
    DrawScaled(state, false);
}
static void BM_Draw4000x3000Into800x600_Alpha(benchmark::State& state) {
    DrawScaled(state, true);
}
BENCHMARK(BM_Draw4000x3000Into800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Draw4000x3000Into800x600_Alpha)->Unit(benchmark::kMillisecond);

static void BM_Rotate4000x3000By90(benchmark::State& state) {
    ImageCodec codec = LargePicture(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(codec.Rotate(90));
    state.SetItemsProcessed(state.iterations() * 4000 * 3000);
}
BENCHMARK(BM_Rotate4000x3000By90)->Unit(benchmark::kMillisecond);
