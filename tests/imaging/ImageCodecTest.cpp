// The picture facade: format codes, decoding through the libraries, rotation and drawing.
#include "ImageCodec.h"
#include "Decoders.h"
#include "DeviceContext.h"
#include "PictureFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include <png.h>
#include <zlib.h>

using fixtures::Bytes;
using imaging::Picture;

namespace {

constexpr QRgb kRed = 0xffff0000u;
constexpr QRgb kGreen = 0xff00ff00u;
constexpr QRgb kBlue = 0xff0000ffu;
constexpr QRgb kWhite = 0xffffffffu;
constexpr QRgb kBlack = 0xff000000u;

QRgb Rgb(std::uint32_t rrggbb) {
    return 0xff000000u | rrggbb;
}

Bytes Noise(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    Bytes b(n);
    for (auto& v : b)
        v = static_cast<std::uint8_t>(gen());
    return b;
}

QImage NoisyImage(int w, int h, unsigned seed, bool alpha = false) {
    QImage img(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const Bytes n = Noise(static_cast<std::size_t>(w) * h * 4, seed);
    std::memcpy(img.bits(), n.data(), n.size());
    if (!alpha)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, img.pixel(x, y) | 0xff000000u);
    return img;
}

QImage Solid(int w, int h, QRgb c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

Picture Rgb24(int w, int h, std::vector<QRgb> pixels) {
    Picture p;
    p.width = w;
    p.height = h;
    p.bitCount = 24;
    p.pixels = std::move(pixels);
    return p;
}

Picture Indexed(int w, int h, std::vector<std::uint8_t> indices, std::vector<QRgb> palette) {
    Picture p;
    p.width = w;
    p.height = h;
    p.bitCount = 8;
    p.indices = std::move(indices);
    p.palette = std::move(palette);
    return p;
}

// The picture's colours top-down, row by row.
std::vector<QRgb> Colours(const Picture& p) {
    std::vector<QRgb> out;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            out.push_back(p.ColorAt(x, y));
    return out;
}

std::vector<QRgb> SurfacePixels(const QImage& img) {
    std::vector<QRgb> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            out.push_back(img.pixel(x, y) | 0xff000000u);
    return out;
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

std::string Hex(QRgb c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%06x", c & 0xffffffu);
    return buf;
}

void WriteFile(const QString& path, const Bytes& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(fixtures::ToQByteArray(bytes));
}

Bytes SmallPng() {
    return fixtures::QtEncode(NoisyImage(3, 2, 1), "png");
}

Bytes Jp2Rgb(int w, int h, const Bytes& samples, bool jp2) {
    fixtures::Jpeg2000Sample s;
    s.width = w;
    s.height = h;
    s.components = 3;
    s.jp2 = jp2;
    s.samples = samples;
    return fixtures::Jpeg2000Bytes(s);
}

Bytes TiffRgb(int w, int h, const Bytes& samples) {
    fixtures::TiffSample s;
    s.width = w;
    s.height = h;
    s.samplesPerPixel = 3;
    s.samples = samples;
    return fixtures::TiffBytes(s);
}

} // namespace

// --- format codes ------------------------------------------------------------------------

TEST(ImageFormatFromExtension, OnlyTheFiveShortNamesMapInAnyCase) {
    const struct {
        const char* extension;
        int format;
    } cases[] = {
        {"jpg", Jpg},     {"JPG", Jpg},     {"Jpg", Jpg},     {"png", Png},    {"PNG", Png},
        {"bmp", Bmp},     {"BmP", Bmp},     {"tif", Tif},     {"TIF", Tif},    {"gif", Gif},
        {"GIF", Gif},     {"jpeg", Detect}, {"tiff", Detect}, {"jp2", Detect}, {"", Detect},
        {".png", Detect}, {"pngx", Detect}, {"jp", Detect},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageFormatFromExtension(QString::fromLatin1(c.extension)), c.format)
            << c.extension;
}

// --- decoding through the facade ---------------------------------------------------------

TEST(ImageCodecDecode, EachLibraryFormatIsDetectedAndDecodesOnlyByItsOwnCode) {
    const Bytes rgb6 = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9, 1, 2, 3, 250, 251, 252};
    const struct {
        const char* name;
        Bytes bytes;
        int format;
        int width, height;
    } cases[] = {
        {"png", fixtures::QtEncode(NoisyImage(5, 4, 2), "png"), Png, 5, 4},
        {"jpeg", fixtures::QtEncode(NoisyImage(7, 3, 3), "jpg"), Jpg, 7, 3},
        {"tiff", TiffRgb(3, 2, rgb6), Tif, 3, 2},
        {"jp2", Jp2Rgb(3, 2, rgb6, true), Jpeg2000, 3, 2},
        {"j2k", Jp2Rgb(3, 2, rgb6, false), Jpeg2000, 3, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImageCodec detected(c.bytes.data(), c.bytes.size(), Detect);
        ASSERT_TRUE(detected.IsValid()) << detected.LastError();
        EXPECT_EQ(detected.Format(), c.format);
        EXPECT_EQ(detected.Width(), unsigned(c.width));
        EXPECT_EQ(detected.Height(), unsigned(c.height));
        EXPECT_TRUE(detected.LastError().empty());
        for (int code = Bmp; code <= Jpeg2000; ++code) {
            ImageCodec codec;
            EXPECT_EQ(codec.DecodeMemory(c.bytes.data(), c.bytes.size(), code), code == c.format)
                << "code " << code;
            EXPECT_EQ(codec.IsValid(), code == c.format);
        }
    }
}

TEST(ImageCodecDecode, TheJpeg2000CodeAlsoTakesPortableAnyMaps) {
    const std::string ppm = "P6\n2 1\n255\n\xff\x00\x00\x00\x00\xff";
    const Bytes bytes(ppm.begin(), ppm.end());
    Picture direct;
    std::string directError;
    const bool directOk = imaging::DecodePnm(bytes.data(), bytes.size(), direct, directError);
    ImageCodec codec(bytes.data(), bytes.size(), Jpeg2000);
    EXPECT_EQ(codec.IsValid(), directOk);
    if (directOk) {
        EXPECT_EQ(codec.Width(), 2u);
        EXPECT_EQ(Colours(codec.GetPicture()), Colours(direct));
    } else {
        EXPECT_EQ(codec.LastError(), directError);
    }
}

TEST(ImageCodecDecode, BadCodesAndEmptyInputFailWithAReason) {
    const Bytes png = SmallPng();
    for (int code : {-1, 7, 8, 100}) {
        ImageCodec codec;
        EXPECT_FALSE(codec.DecodeMemory(png.data(), png.size(), code)) << code;
        EXPECT_FALSE(codec.IsValid());
        EXPECT_EQ(codec.LastError(), "Decode: Unknown or wrong format");
    }
    for (int code = Detect; code <= Jpeg2000; ++code) {
        ImageCodec codec;
        EXPECT_FALSE(codec.DecodeMemory(png.data(), 0, code));
        EXPECT_FALSE(codec.DecodeMemory(nullptr, 10, code));
        EXPECT_FALSE(codec.LastError().empty());
    }
}

TEST(ImageCodecDecode, AFailedDecodeLeavesTheHeldPictureAsItWas) {
    const Bytes png = SmallPng();
    ImageCodec codec(png.data(), png.size(), Png);
    ASSERT_TRUE(codec.IsValid());
    const std::vector<QRgb> before = Colours(codec.GetPicture());
    const Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'};
    for (int code = Detect; code <= Jpeg2000; ++code) {
        EXPECT_FALSE(codec.DecodeMemory(text.data(), text.size(), code));
        EXPECT_TRUE(codec.IsValid());
        EXPECT_EQ(codec.Width(), 3u);
        EXPECT_EQ(Colours(codec.GetPicture()), before);
    }
    codec.Clear();
    EXPECT_FALSE(codec.IsValid());
    EXPECT_EQ(codec.Width(), 0u);
    EXPECT_EQ(codec.Height(), 0u);
}

TEST(ImageCodecLoadFile, AWrongExtensionFallsBackToDetectionButKeepsTheFirstReason) {
    QTemporaryDir dir;
    const Bytes png = SmallPng();
    const QString misnamed = dir.filePath(QStringLiteral("picture.bmp"));
    WriteFile(misnamed, png);
    const int code = ImageFormatFromExtension(QStringLiteral("bmp"));

    ImageCodec byMemory;
    EXPECT_FALSE(byMemory.DecodeMemory(png.data(), png.size(), code));
    ImageCodec byFile(misnamed, code);
    EXPECT_TRUE(byFile.IsValid()) << byFile.LastError();
    EXPECT_EQ(byFile.Width(), 3u);
    EXPECT_EQ(byFile.Format(), Png);

    // A text file named .png: both attempts fail, and the PNG decoder's reason stays.
    const QString text = dir.filePath(QStringLiteral("notes.png"));
    WriteFile(text, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
    Picture ignored;
    std::string pngReason;
    const Bytes textBytes = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    imaging::DecodePng(textBytes.data(), textBytes.size(), ignored, pngReason);
    ImageCodec textCodec;
    EXPECT_FALSE(textCodec.LoadFile(text, Png));
    EXPECT_FALSE(textCodec.IsValid());
    EXPECT_EQ(textCodec.LastError(), pngReason);

    // "jpeg" asks for detection, which finds the JPEG.
    const QString jpeg = dir.filePath(QStringLiteral("photo.jpeg"));
    WriteFile(jpeg, fixtures::QtEncode(NoisyImage(4, 4, 5), "jpg"));
    ImageCodec photo(jpeg, ImageFormatFromExtension(QStringLiteral("jpeg")));
    EXPECT_TRUE(photo.IsValid());
    EXPECT_EQ(photo.Format(), Jpg);

    for (const QString& bad : {dir.filePath(QStringLiteral("missing.png")), dir.path()}) {
        ImageCodec codec;
        EXPECT_FALSE(codec.LoadFile(bad, Png));
        EXPECT_FALSE(codec.IsValid());
        EXPECT_FALSE(codec.LastError().empty());
    }
    const QString empty = dir.filePath(QStringLiteral("empty.png"));
    WriteFile(empty, {});
    EXPECT_FALSE(ImageCodec(empty, Png).IsValid());
}

// --- JPEG --------------------------------------------------------------------------------

TEST(JpegDecoding, GreyGivesAGreyTableAndColourGivesTrueColour) {
    fixtures::JpegSample grey;
    grey.width = grey.height = 16;
    grey.components = 1;
    grey.samples.assign(256, 100);
    const Bytes greyBytes = fixtures::JpegBytes(grey);
    ImageCodec g(greyBytes.data(), greyBytes.size(), Jpg);
    ASSERT_TRUE(g.IsValid()) << g.LastError();
    const Picture& gp = g.GetPicture();
    EXPECT_EQ(gp.bitCount, 8);
    ASSERT_EQ(gp.palette.size(), 256u);
    EXPECT_EQ(gp.palette[77] | 0xff000000u, qRgb(77, 77, 77));
    EXPECT_TRUE(Near(gp.ColorAt(5, 5), qRgb(100, 100, 100), 1));

    fixtures::JpegSample colour;
    colour.width = colour.height = 16;
    colour.components = 3;
    for (int i = 0; i < 256; ++i)
        colour.samples.insert(colour.samples.end(), {200, 40, 90});
    for (bool progressive : {false, true}) {
        colour.progressive = progressive;
        const Bytes bytes = fixtures::JpegBytes(colour);
        ImageCodec c(bytes.data(), bytes.size(), Detect);
        ASSERT_TRUE(c.IsValid()) << c.LastError();
        EXPECT_EQ(c.GetPicture().bitCount, 24);
        EXPECT_TRUE(c.GetPicture().alpha.empty());
        EXPECT_TRUE(Near(c.GetPicture().ColorAt(8, 8), qRgb(200, 40, 90), 4))
            << Hex(c.GetPicture().ColorAt(8, 8));
    }
}

TEST(JpegDecoding, CmykPicturesShowTheirInkColours) {
    // Ink C 0 %, M 50 %, Y 100 %, K 20 % is (204, 102, 0) on screen.
    const std::uint8_t ink[4] = {0, 128, 255, 51};
    const struct {
        const char* name;
        bool adobe;
        bool ycck;
    } cases[] = {{"Adobe CMYK (inverted)", true, false},
                 {"Adobe YCCK", true, true},
                 {"plain CMYK", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fixtures::JpegSample s;
        s.width = s.height = 16;
        s.components = 4;
        s.adobeMarker = c.adobe;
        s.ycck = c.ycck;
        for (int i = 0; i < 256; ++i)
            for (std::uint8_t v : ink)
                s.samples.push_back(c.adobe ? static_cast<std::uint8_t>(255 - v) : v);
        const Bytes bytes = fixtures::JpegBytes(s);
        ImageCodec codec(bytes.data(), bytes.size(), Detect);
        ASSERT_TRUE(codec.IsValid()) << codec.LastError();
        EXPECT_EQ(codec.GetPicture().bitCount, 24);
        const QRgb got = codec.GetPicture().ColorAt(7, 7);
        EXPECT_TRUE(Near(got, qRgb(204, 102, 0), 6)) << Hex(got);
    }
}

TEST(JpegDecoding, ResolutionComesFromTheJfifDensity) {
    QImage img = NoisyImage(4, 4, 9);
    img.setDotsPerMeterX(11811); // 300 dpi
    img.setDotsPerMeterY(5906);  // 150 dpi
    const Bytes bytes = fixtures::QtEncode(img, "jpg");
    ImageCodec codec(bytes.data(), bytes.size(), Jpg);
    ASSERT_TRUE(codec.IsValid());
    EXPECT_EQ(codec.GetPicture().dpiX, 300);
    EXPECT_EQ(codec.GetPicture().dpiY, 150);
}

// --- PNG ---------------------------------------------------------------------------------

TEST(PngDecoding, EveryColourTypeAndTransparencyRule) {
    using S = fixtures::PngSample;
    struct Case {
        const char* name;
        S sample;
        std::vector<QRgb> colours;       // top-down, opaque
        std::vector<std::uint8_t> alpha; // empty: no alpha plane
        bool indexed;
        int transparentIndex;
        std::vector<int> paletteAlpha; // empty: palette alpha off
    };
    std::vector<Case> cases;
    auto add = [&cases](const char* name, S s, std::vector<QRgb> colours,
                        std::vector<std::uint8_t> alpha = {}, bool indexed = false,
                        int transparentIndex = -1, std::vector<int> paletteAlpha = {}) {
        cases.push_back({name, std::move(s), std::move(colours), std::move(alpha), indexed,
                         transparentIndex, std::move(paletteAlpha)});
    };
    auto sample = [](int w, int h, int type, int depth, std::vector<std::uint16_t> samples) {
        S s;
        s.width = w;
        s.height = h;
        s.colorType = type;
        s.depth = depth;
        s.samples = std::move(samples);
        return s;
    };
    add("2-bit grey uses four levels", sample(4, 1, PNG_COLOR_TYPE_GRAY, 2, {0, 1, 2, 3}),
        {Rgb(0), Rgb(0x555555), Rgb(0xaaaaaa), Rgb(0xffffff)}, {}, true);
    add("16-bit grey keeps the high byte", sample(2, 1, PNG_COLOR_TYPE_GRAY, 16, {0x12ff, 0xab00}),
        {Rgb(0x121212), Rgb(0xababab)}, {}, true);
    add("16-bit RGB", sample(1, 1, PNG_COLOR_TYPE_RGB, 16, {0x1200, 0x3411, 0x56ff}),
        {Rgb(0x123456)});
    add("RGBA keeps an alpha plane",
        sample(2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, {10, 20, 30, 0, 40, 50, 60, 200}),
        {Rgb(0x0a141e), Rgb(0x28323c)}, {0, 200});
    add("16-bit RGBA", sample(1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, {0xff00, 0x8000, 0x0100, 0x7fff}),
        {Rgb(0xff8001)}, {0x7f});
    add("8-bit grey with alpha keeps an alpha plane",
        sample(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {100, 50, 7, 255}), {Rgb(0x646464), Rgb(0x070707)},
        {50, 255});
    add("16-bit grey with alpha", sample(1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, {0x6400, 0x3200}),
        {Rgb(0x646464)}, {0x32});
    {
        S s = sample(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2});
        s.palette = {0xff0000, 0x00ff00, 0x0000ff};
        s.paletteAlpha = {0};
        add("one fully transparent entry makes index 0 transparent", s, {kRed, kGreen, kBlue}, {},
            true, 0);
    }
    {
        S s = sample(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2});
        s.palette = {0xff0000, 0x00ff00, 0x0000ff};
        s.paletteAlpha = {128, 0};
        add("a longer chunk gives palette alpha", s, {kRed, kGreen, kBlue}, {}, true, -1,
            {128, 0, 255});
    }
    {
        S s = sample(2, 1, PNG_COLOR_TYPE_PALETTE, 4, {1, 0});
        s.palette = {0x102030, 0x405060};
        s.paletteAlpha = {255};
        add("a single opaque entry is palette alpha too", s, {Rgb(0x405060), Rgb(0x102030)}, {},
            true, -1, {255, 255});
    }
    {
        S s = sample(2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 9, 9, 9});
        s.transparentRgb = 0x010203;
        add("RGB transparency without background shows grey 192", s,
            {Rgb(0xc0c0c0), Rgb(0x090909)});
        s.backgroundRgb = 0x0000ff;
        add("RGB transparency shows the background chunk", s, {kBlue, Rgb(0x090909)});
    }
    {
        // The comparison is made at 16 bits: a colour one step off stays visible.
        S s = sample(2, 1, PNG_COLOR_TYPE_RGB, 16, {257, 514, 771, 257, 514, 772});
        s.transparentRgb = 0x010203;
        add("16-bit RGB transparency compares all 16 bits", s, {Rgb(0xc0c0c0), Rgb(0x010203)});
    }
    {
        S s = sample(3, 1, PNG_COLOR_TYPE_GRAY, 8, {7, 8, 200});
        s.transparentGrey = 7;
        s.backgroundGrey = 30;
        add("grey transparency on the background chunk", s,
            {Rgb(0x1e1e1e), Rgb(0x080808), Rgb(0xc8c8c8)});
        S low = sample(4, 1, PNG_COLOR_TYPE_GRAY, 2, {0, 1, 2, 3});
        low.transparentGrey = 1;
        add("2-bit grey transparency onto grey 192", low,
            {Rgb(0), Rgb(0xc0c0c0), Rgb(0xaaaaaa), Rgb(0xffffff)});
        low.backgroundGrey = 3;
        add("2-bit grey background level", low,
            {Rgb(0), Rgb(0xffffff), Rgb(0xaaaaaa), Rgb(0xffffff)});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool interlaced : {false, true}) {
            S s = c.sample;
            s.interlaced = interlaced;
            const Bytes bytes = fixtures::PngBytes(s);
            ImageCodec codec(bytes.data(), bytes.size(), Png);
            ASSERT_TRUE(codec.IsValid()) << codec.LastError();
            const Picture& p = codec.GetPicture();
            EXPECT_EQ(p.width, s.width);
            EXPECT_EQ(p.height, s.height);
            EXPECT_EQ(Colours(p), c.colours);
            EXPECT_EQ(p.alpha, c.alpha);
            EXPECT_EQ(p.IsIndexed(), c.indexed);
            EXPECT_EQ(p.transparentIndex, c.transparentIndex);
            EXPECT_FALSE(p.hasTransparentRgb);
            EXPECT_EQ(p.paletteAlpha, !c.paletteAlpha.empty());
            if (!c.paletteAlpha.empty()) {
                std::vector<int> alphas;
                for (QRgb e : p.palette)
                    alphas.push_back(qAlpha(e));
                EXPECT_EQ(alphas, c.paletteAlpha);
            }
        }
    }
}

TEST(PngDecoding, TwoBitGreyCarriesItsOwnFourLevelTable) {
    fixtures::PngSample s;
    s.width = 4;
    s.colorType = PNG_COLOR_TYPE_GRAY;
    s.depth = 2;
    s.samples = {3, 2, 1, 0};
    const Bytes bytes = fixtures::PngBytes(s);
    ImageCodec codec(bytes.data(), bytes.size(), Png);
    ASSERT_TRUE(codec.IsValid());
    const Picture& p = codec.GetPicture();
    const std::vector<QRgb> levels = {Rgb(0), Rgb(0x555555), Rgb(0xaaaaaa), Rgb(0xffffff)};
    std::vector<QRgb> table;
    for (QRgb e : p.palette)
        table.push_back(e | 0xff000000u);
    EXPECT_EQ(table, levels);
    EXPECT_EQ(p.indices, (std::vector<std::uint8_t>{3, 2, 1, 0}));
}

TEST(PngDecoding, ResolutionFromThePhysicalSizeChunkInMetres) {
    const struct {
        std::uint32_t ppm;
        int dpi;
    } cases[] = {{3780, 96}, {11811, 300}, {2835, 72}, {1, 0}};
    for (const auto& c : cases) {
        fixtures::PngSample s;
        s.colorType = PNG_COLOR_TYPE_RGB;
        s.samples = {1, 2, 3};
        s.pixelsPerMetre = c.ppm;
        const Bytes bytes = fixtures::PngBytes(s);
        ImageCodec codec(bytes.data(), bytes.size(), Png);
        ASSERT_TRUE(codec.IsValid());
        EXPECT_EQ(codec.GetPicture().dpiX, c.dpi) << c.ppm;
    }
}

// --- TIFF --------------------------------------------------------------------------------

TEST(TiffDecoding, GreyColourAndAlphaFirstPage) {
    fixtures::TiffSample grey;
    grey.width = 2;
    grey.samplesPerPixel = 1;
    grey.samples = {0x20, 0xe0};
    fixtures::TiffSample rgba;
    rgba.width = 3;
    rgba.samplesPerPixel = 4;
    rgba.samples = {255, 0, 0, 128, 0, 0, 255, 255, 9, 9, 9, 0};
    const struct {
        const char* name;
        Bytes bytes;
        std::vector<QRgb> colours;
        std::vector<std::uint8_t> alpha;
    } cases[] = {
        {"rgb", TiffRgb(3, 1, {255, 0, 0, 0, 255, 0, 1, 2, 3}), {kRed, kGreen, Rgb(0x010203)}, {}},
        {"grey", fixtures::TiffBytes(grey), {Rgb(0x202020), Rgb(0xe0e0e0)}, {}},
        {"rgba", fixtures::TiffBytes(rgba), {kRed, kBlue, kBlack}, {128, 255, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImageCodec codec(c.bytes.data(), c.bytes.size(), Detect);
        ASSERT_TRUE(codec.IsValid()) << codec.LastError();
        EXPECT_EQ(codec.Format(), Tif);
        const std::vector<QRgb> got = Colours(codec.GetPicture());
        ASSERT_EQ(got.size(), c.colours.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(Near(got[i], c.colours[i], 1)) << i << Hex(got[i]);
        EXPECT_EQ(codec.GetPicture().alpha, c.alpha);
    }
}

// --- JPEG-2000 ---------------------------------------------------------------------------

namespace {

fixtures::Jpeg2000Sample J2k(int w, int h, int components, bool jp2, bool withAlpha, Bytes samples) {
    fixtures::Jpeg2000Sample s;
    s.width = w;
    s.height = h;
    s.components = components;
    s.jp2 = jp2;
    s.withAlpha = withAlpha;
    s.samples = std::move(samples);
    return s;
}

} // namespace

TEST(Jpeg2000Decoding, FilesAndCodeStreamsInGreyColourAndAlpha) {
    const struct {
        const char* name;
        fixtures::Jpeg2000Sample sample;
        std::vector<QRgb> colours;
        std::vector<std::uint8_t> alpha;
        bool indexed;
    } cases[] = {
        {"jp2 rgb",
         J2k(2, 2, 3, true, false, {255, 0, 0, 0, 255, 0, 0, 0, 255, 7, 8, 9}),
         {kRed, kGreen, kBlue, Rgb(0x070809)},
         {},
         false},
        {"j2k rgb",
         J2k(2, 1, 3, false, false, {1, 2, 3, 250, 128, 0}),
         {Rgb(0x010203), Rgb(0xfa8000)},
         {},
         false},
        {"jp2 grey",
         J2k(3, 1, 1, true, false, {0, 100, 255}),
         {Rgb(0), Rgb(0x646464), Rgb(0xffffff)},
         {},
         true},
        {"jp2 rgba",
         J2k(2, 1, 4, true, true, {255, 0, 0, 64, 0, 0, 255, 255}),
         {kRed, kBlue},
         {64, 255},
         false},
        {"j2k grey and alpha",
         J2k(2, 1, 2, false, false, {10, 0, 20, 255}),
         {Rgb(0x0a0a0a), Rgb(0x141414)},
         {0, 255},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes bytes = fixtures::Jpeg2000Bytes(c.sample);
        ImageCodec codec(bytes.data(), bytes.size(), Detect);
        ASSERT_TRUE(codec.IsValid()) << codec.LastError();
        EXPECT_EQ(codec.Format(), Jpeg2000);
        EXPECT_EQ(Colours(codec.GetPicture()), c.colours);
        EXPECT_EQ(codec.GetPicture().alpha, c.alpha);
        EXPECT_EQ(codec.GetPicture().IsIndexed(), c.indexed);
    }
}

TEST(Jpeg2000Decoding, MoreThan64ComponentsFail) {
    fixtures::Jpeg2000Sample s;
    s.components = 65;
    s.jp2 = false;
    s.samples.assign(65, 10);
    const Bytes bytes = fixtures::Jpeg2000Bytes(s);
    ImageCodec codec(bytes.data(), bytes.size(), Jpeg2000);
    EXPECT_FALSE(codec.IsValid());
    EXPECT_NE(codec.LastError().find("components"), std::string::npos) << codec.LastError();
}

// --- damaged input -----------------------------------------------------------------------

TEST(DamagedInput, CutOrGarbledFilesFailQuietlyThroughEveryLibraryDecoder) {
    fixtures::JpegSample progressive;
    progressive.width = progressive.height = 48;
    progressive.progressive = true;
    progressive.samples = Noise(48 * 48 * 3, 11);
    fixtures::Jpeg2000Sample j2k{24, 24, 3, false, false, Noise(24 * 24 * 3, 12)};
    fixtures::Jpeg2000Sample jp2 = j2k;
    jp2.jp2 = true;
    const struct {
        const char* name;
        int format;
        Bytes good;
    } sources[] = {
        {"jpeg", Jpg, fixtures::QtEncode(NoisyImage(48, 48, 13), "jpg", 90)},
        {"progressive jpeg", Jpg, fixtures::JpegBytes(progressive)},
        {"png", Png, fixtures::QtEncode(NoisyImage(48, 48, 14), "png")},
        {"interlaced png", Png,
         [] {
             fixtures::PngSample s;
             s.width = s.height = 32;
             s.colorType = PNG_COLOR_TYPE_RGB;
             const Bytes n = Noise(32 * 32 * 3, 15);
             s.samples.assign(n.begin(), n.end());
             s.interlaced = true;
             return fixtures::PngBytes(s);
         }()},
        {"tiff", Tif, TiffRgb(32, 32, Noise(32 * 32 * 3, 16))},
        {"jp2", Jpeg2000, fixtures::Jpeg2000Bytes(jp2)},
        {"j2k", Jpeg2000, fixtures::Jpeg2000Bytes(j2k)},
    };
    fixtures::StderrCapture capture;
    for (const auto& s : sources) {
        SCOPED_TRACE(s.name);
        ASSERT_TRUE(ImageCodec(s.good.data(), s.good.size(), s.format).IsValid());
        const std::size_t n = s.good.size();
        // Cuts that must fail: inside the headers, and in the middle of the picture data.
        for (std::size_t keep :
             {std::size_t{4}, std::size_t{12}, std::size_t{40}, n / 2, n * 3 / 4}) {
            for (int code : {s.format, int(Detect)}) {
                ImageCodec codec;
                EXPECT_FALSE(codec.DecodeMemory(s.good.data(), keep, code))
                    << "kept " << keep << " of " << n;
                EXPECT_FALSE(codec.IsValid());
                EXPECT_FALSE(codec.LastError().empty());
            }
        }
        // The signature followed by noise fails.
        Bytes garbage = Noise(600, 17);
        std::copy(s.good.begin(), s.good.begin() + 12, garbage.begin());
        EXPECT_FALSE(ImageCodec(garbage.data(), garbage.size(), s.format).IsValid());
        // Flipped bytes anywhere may or may not decode, but never crash or hang.
        for (unsigned seed = 0; seed < 24; ++seed) {
            Bytes damaged = s.good;
            std::mt19937 gen(seed);
            for (int k = 0; k < 6; ++k)
                damaged[16 + gen() % (n - 16)] ^= static_cast<std::uint8_t>(1 + gen() % 255);
            ImageCodec codec(damaged.data(), damaged.size(), s.format);
            if (codec.IsValid()) {
                EXPECT_GT(codec.Width(), 0u);
            }
        }
    }
    EXPECT_EQ(capture.Finish(), "");
}

TEST(DamagedInput, AJpegMissingOnlyItsEndMarkerStillDecodes) {
    const Bytes good = fixtures::QtEncode(NoisyImage(16, 16, 18), "jpg", 90);
    ASSERT_EQ(good[good.size() - 2], 0xFF);
    ASSERT_EQ(good[good.size() - 1], 0xD9);
    ImageCodec codec(good.data(), good.size() - 2, Jpg);
    EXPECT_TRUE(codec.IsValid()) << codec.LastError();
}

namespace {

void PutBig32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// A PNG whose header claims w x h, with a valid checksum, followed by a little data.
Bytes PngClaiming(std::uint32_t w, std::uint32_t h) {
    Bytes b = SmallPng();
    PutBig32(b, 16, w);
    PutBig32(b, 20, h);
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, b.data() + 12, 17));
    PutBig32(b, 29, crc);
    return b;
}

Bytes JpegClaiming(std::uint16_t w, std::uint16_t h) {
    Bytes b = fixtures::QtEncode(NoisyImage(8, 8, 19), "jpg");
    for (std::size_t i = 2; i + 9 < b.size(); ++i) {
        if (b[i] == 0xFF && b[i + 1] == 0xC0) { // start of frame: FF C0 len(2) prec(1) h(2) w(2)
            b[i + 5] = static_cast<std::uint8_t>(h >> 8);
            b[i + 6] = static_cast<std::uint8_t>(h);
            b[i + 7] = static_cast<std::uint8_t>(w >> 8);
            b[i + 8] = static_cast<std::uint8_t>(w);
            break;
        }
    }
    return b;
}

Bytes TiffClaiming(std::uint32_t w, std::uint32_t h) {
    Bytes b = TiffRgb(2, 2, Bytes(12, 50));
    auto le16 = [&](std::size_t at) {
        return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8;
    };
    auto le32 = [&](std::size_t at) { return le16(at) | le16(at + 2) << 16; };
    const std::size_t ifd = le32(4);
    const std::uint32_t count = le16(ifd);
    for (std::uint32_t e = 0; e < count; ++e) {
        const std::size_t at = ifd + 2 + 12 * e;
        const std::uint32_t tag = le16(at);
        if (tag != 256 && tag != 257) continue;
        const std::uint32_t v = tag == 256 ? w : h;
        b[at + 2] = 4; // LONG
        b[at + 3] = 0;
        for (int i = 0; i < 4; ++i)
            b[at + 8 + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    return b;
}

} // namespace

TEST(DamagedInput, ClaimedSizesBeyondTheLimitFailBeforeDecoding) {
    const struct {
        const char* name;
        Bytes bytes;
        int format;
    } cases[] = {
        {"png 20000 x 20000", PngClaiming(20000, 20000), Png},
        {"png 0 wide", PngClaiming(0, 10), Png},
        {"jpeg 60000 x 60000", JpegClaiming(60000, 60000), Jpg},
        {"tiff 100000 x 100000", TiffClaiming(100000, 100000), Tif},
        {"tiff 1 x 4000000000", TiffClaiming(1, 4000000000u), Tif},
    };
    fixtures::StderrCapture capture;
    for (const auto& c : cases) {
        ImageCodec codec(c.bytes.data(), c.bytes.size(), c.format);
        EXPECT_FALSE(codec.IsValid()) << c.name;
    }
    EXPECT_EQ(capture.Finish(), "");
}

// --- drawing -----------------------------------------------------------------------------

namespace {

struct Canvas {
    QImage image;
    DeviceContext dc;
    Canvas(int w, int h, QRgb fill) : image(Solid(w, h, fill)), dc(image) {}
    QRgb At(int x, int y) const { return image.pixel(x, y) | 0xff000000u; }
};

ImageCodec Holding(Picture p) {
    ImageCodec codec;
    EXPECT_TRUE(codec.SetPicture(std::move(p)));
    return codec;
}

} // namespace

TEST(ImageCodecDraw, CompositingArithmetic) {
    const QRgb background = qRgb(10, 20, 30);
    const QRgb colour = qRgb(200, 100, 50);
    struct Case {
        const char* name;
        Picture picture;
        int opacity;
        QRgb expected;
    };
    auto withAlpha = [&](std::uint8_t a) {
        Picture p = Rgb24(1, 1, {colour});
        p.alpha = {a};
        return p;
    };
    auto paletteAlpha = [&](int entryAlpha) {
        Picture p = Indexed(1, 1, {0}, {qRgba(200, 100, 50, entryAlpha)});
        p.paletteAlpha = true;
        return p;
    };
    Case cases[] = {
        {"opaque", withAlpha(255), 255, colour},
        {"clear", withAlpha(0), 255, background},
        // (background x (255 - a) + source x a) / 256, truncated
        {"half", withAlpha(128), 255, qRgb(104, 59, 39)},
        {"faint", withAlpha(3), 255, qRgb(12, 20, 30)},
        // opacity 63 scales 255 to 255 x 64 / 256 = 63
        {"opacity", withAlpha(255), 63, qRgb(56, 39, 34)},
        // 3 x 128 / 256 = 1
        {"opacity on a faint pixel", withAlpha(3), 127, qRgb(10, 20, 29)},
        // palette alpha 64: 255 x 65 / 256 = 64
        {"palette alpha", paletteAlpha(64), 255, qRgb(57, 39, 34)},
        {"palette alpha opaque entry", paletteAlpha(255), 255, colour},
        {"opacity alone", Rgb24(1, 1, {colour}), 127, qRgb(104, 59, 39)},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(3, 3, background);
        ImageCodec codec = Holding(std::move(c.picture));
        codec.SetOpacity(c.opacity);
        EXPECT_EQ(codec.DrawInRect(&canvas.dc, {1, 1, 2, 2}), 1);
        EXPECT_EQ(Hex(canvas.At(1, 1)), Hex(c.expected));
        EXPECT_EQ(canvas.At(0, 0), background);
        EXPECT_EQ(canvas.At(2, 2), background);
    }
}

TEST(ImageCodecDraw, TransparentColoursLeaveTheBackgroundAndStretchToIgnoresThem) {
    const QRgb background = qRgb(1, 2, 3);
    Picture indexed = Indexed(2, 1, {0, 1}, {qRgb(9, 9, 9), qRgb(200, 0, 0)});
    indexed.transparentIndex = 0;
    Picture rgb = Rgb24(2, 1, {qRgb(9, 9, 9), qRgb(200, 0, 0)});
    rgb.hasTransparentRgb = true;
    rgb.transparentRgb = qRgb(9, 9, 9);
    Picture clear = Rgb24(2, 1, {qRgb(9, 9, 9), qRgb(200, 0, 0)});
    clear.alpha = {0, 255};
    for (Picture* p : {&indexed, &rgb, &clear}) {
        ImageCodec codec = Holding(*p);
        Canvas drawn(2, 1, background);
        codec.DrawInRect(&drawn.dc, {0, 0, 2, 1});
        EXPECT_EQ(drawn.At(0, 0), background);
        EXPECT_EQ(drawn.At(1, 0), qRgb(200, 0, 0));
        Canvas stretched(4, 1, background);
        EXPECT_EQ(codec.StretchTo(&stretched.dc, 0, 0, 4, 1), 1);
        EXPECT_EQ(
            SurfacePixels(stretched.image),
            (std::vector<QRgb>{qRgb(9, 9, 9), qRgb(9, 9, 9), qRgb(200, 0, 0), qRgb(200, 0, 0)}));
        EXPECT_EQ(stretched.dc.GetStretchBltMode(), COLORONCOLOR);
    }
}

TEST(ImageCodecDraw, NearestPixelScalingCountsRowsFromTheBottom) {
    const QRgb R = kRed, G = kGreen, B = kBlue;
    struct Case {
        const char* name;
        int w, h;
        std::vector<QRgb> pixels;
        int dw, dh;
        std::vector<QRgb> expected;
    } cases[] = {
        {"wider", 2, 1, {R, G}, 4, 1, {R, R, G, G}},
        {"narrower", 3, 1, {R, G, B}, 2, 1, {R, G}},
        {"shorter drops the top row", 1, 3, {R, G, B}, 1, 2, {G, B}},
        {"taller repeats the bottom row", 1, 2, {R, G}, 1, 3, {R, G, G}},
        {"both",
         2,
         2,
         {R, G, B, kWhite},
         4,
         4,
         {R, R, G, G, R, R, G, G, B, B, kWhite, kWhite, B, B, kWhite, kWhite}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The plain path and the compositing path (an opaque alpha plane) scale alike,
        // and so do indexed pictures.
        Picture plain = Rgb24(c.w, c.h, c.pixels);
        Picture alpha = plain;
        alpha.alpha.assign(c.pixels.size(), 255);
        std::vector<std::uint8_t> idx;
        for (std::size_t i = 0; i < c.pixels.size(); ++i)
            idx.push_back(static_cast<std::uint8_t>(i));
        Picture indexed = Indexed(c.w, c.h, idx, c.pixels);
        for (Picture* p : {&plain, &alpha, &indexed}) {
            Canvas canvas(c.dw, c.dh, kBlack);
            EXPECT_EQ(Holding(*p).DrawInRect(&canvas.dc, {0, 0, c.dw, c.dh}), 1);
            EXPECT_EQ(SurfacePixels(canvas.image), c.expected);
        }
    }
}

TEST(ImageCodecDraw, RectangleRules) {
    const Picture p = Rgb24(2, 2, {kRed, kGreen, kBlue, kWhite});
    ImageCodec codec = Holding(p);
    {
        // A negative width or height stands for the picture's own.
        Canvas canvas(4, 4, kBlack);
        EXPECT_EQ(codec.DrawInRect(&canvas.dc, {1, 1, -5, -9}), 1);
        EXPECT_EQ(canvas.At(1, 1), kRed);
        EXPECT_EQ(canvas.At(2, 2), kWhite);
        EXPECT_EQ(canvas.At(3, 3), kBlack);
    }
    {
        Canvas canvas(4, 4, kBlack);
        EXPECT_EQ(codec.DrawInRect(&canvas.dc, {1, 1, 1, 3}), 0);
        EXPECT_EQ(codec.DrawInRect(&canvas.dc, {1, 1, 3, 1}), 0);
        EXPECT_EQ(codec.DrawInRect(nullptr, {0, 0, 2, 2}), 0);
        EXPECT_EQ(ImageCodec().DrawInRect(&canvas.dc, {0, 0, 2, 2}), 0);
        EXPECT_EQ(ImageCodec().StretchTo(&canvas.dc, 0, 0, 2, 2), 0);
        EXPECT_EQ(codec.StretchTo(nullptr, 0, 0, 2, 2), 0);
        EXPECT_EQ(SurfacePixels(canvas.image), std::vector<QRgb>(16, kBlack));
    }
    {
        // Partly off the surface: the visible part shows the right pixels.
        Canvas canvas(2, 2, kBlack);
        EXPECT_EQ(codec.DrawInRect(&canvas.dc, {-1, -1, 1, 1}), 1);
        EXPECT_EQ(SurfacePixels(canvas.image), (std::vector<QRgb>{kWhite, kBlack, kBlack, kBlack}));
        Canvas away(2, 2, kBlack);
        EXPECT_EQ(codec.DrawInRect(&away.dc, {5, 5, 9, 9}), 0);
    }
}

TEST(ImageCodecDraw, OnlyTheClipIsTouched) {
    Picture opaque = Rgb24(1, 1, {kRed});
    Picture translucent = opaque;
    translucent.alpha = {255};
    Picture own = Rgb24(6, 6, std::vector<QRgb>(36, kRed));
    const struct {
        const char* name;
        Picture* picture;
    } cases[] = {{"scaled", &opaque}, {"composited", &translucent}, {"own size", &own}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImageCodec codec = Holding(*c.picture);
        Canvas rect(6, 6, kWhite);
        rect.dc.IntersectClipRect({2, 1, 4, 5});
        codec.DrawInRect(&rect.dc, {0, 0, 6, 6});
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(rect.At(x, y), (x >= 2 && x < 4 && y >= 1 && y < 5) ? kRed : kWhite)
                    << x << "," << y;

        Canvas ellipse(6, 6, kWhite);
        ellipse.dc.SelectClipRgn(regions::Ellipse({0, 0, 6, 6}));
        codec.DrawInRect(&ellipse.dc, {0, 0, 6, 6});
        EXPECT_EQ(ellipse.At(0, 0), kWhite);
        EXPECT_EQ(ellipse.At(3, 3), kRed);

        Canvas extra(6, 6, kWhite);
        const Rect clip{0, 0, 3, 2};
        codec.DrawInRect(&extra.dc, {0, 0, 6, 6}, &clip);
        EXPECT_EQ(extra.At(2, 1), kRed);
        EXPECT_EQ(extra.At(3, 1), kWhite);
        EXPECT_EQ(extra.At(0, 2), kWhite);
    }
}

TEST(ImageCodecDraw, SmoothingBlendsOpaquePicturesWithinTheRectangle) {
    ImageCodec codec = Holding(Rgb24(2, 1, {kBlack, kWhite}));
    Canvas canvas(10, 3, kRed);
    EXPECT_EQ(codec.DrawInRect(&canvas.dc, {1, 1, 9, 2}, nullptr, true), 1);
    EXPECT_EQ(canvas.At(0, 1), kRed);
    EXPECT_EQ(canvas.At(9, 1), kRed);
    EXPECT_EQ(canvas.At(4, 0), kRed);
    EXPECT_EQ(qGreen(canvas.At(4, 1)), qBlue(canvas.At(4, 1))); // grey ramp, no red
    EXPECT_LE(qGreen(canvas.At(1, 1)), qGreen(canvas.At(4, 1)));
    EXPECT_LE(qGreen(canvas.At(4, 1)), qGreen(canvas.At(8, 1)));
}

// --- rotation ----------------------------------------------------------------------------

TEST(ImageCodecRotate, QuarterTurnsAreExactRasterTurns) {
    // A B C
    // D E F
    const QRgb A = Rgb(0xa), B = Rgb(0xb), C = Rgb(0xc), D = Rgb(0xd), E = Rgb(0xe), F = Rgb(0xf);
    const std::vector<QRgb> source = {A, B, C, D, E, F};
    const std::vector<QRgb> cw = {D, A, E, B, F, C};
    const std::vector<QRgb> half = {F, E, D, C, B, A};
    const std::vector<QRgb> ccw = {C, F, B, E, A, D};
    const struct {
        double angle;
        int w, h;
        const std::vector<QRgb>* expected;
    } cases[] = {
        {0, 3, 2, &source}, {360, 3, 2, &source}, {-720, 3, 2, &source}, {90, 2, 3, &cw},
        {-270, 2, 3, &cw},  {450, 2, 3, &cw},     {180, 3, 2, &half},    {-180, 3, 2, &half},
        {270, 2, 3, &ccw},  {-90, 2, 3, &ccw},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.angle);
        Picture rgb = Rgb24(3, 2, source);
        rgb.alpha = {1, 2, 3, 4, 5, 6};
        std::vector<QRgb> palette = source;
        Picture indexed = Indexed(3, 2, {0, 1, 2, 3, 4, 5}, palette);
        for (Picture* p : {&rgb, &indexed}) {
            ImageCodec codec = Holding(*p);
            ASSERT_TRUE(codec.Rotate(c.angle));
            EXPECT_EQ(codec.Width(), unsigned(c.w));
            EXPECT_EQ(codec.Height(), unsigned(c.h));
            EXPECT_EQ(Colours(codec.GetPicture()), *c.expected);
            if (!p->alpha.empty()) {
                std::vector<std::uint8_t> expectedAlpha;
                for (QRgb q : *c.expected)
                    expectedAlpha.push_back(static_cast<std::uint8_t>((q & 0xf) - 9));
                EXPECT_EQ(codec.GetPicture().alpha, expectedAlpha);
            }
        }
    }
}

TEST(ImageCodecRotate, FourQuarterTurnsGiveTheSamePictureBackAndATargetLeavesTheSource) {
    const Bytes png = fixtures::QtEncode(NoisyImage(7, 5, 21), "png");
    ImageCodec codec(png.data(), png.size(), Png);
    const std::vector<QRgb> original = Colours(codec.GetPicture());
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(codec.Rotate(90));
    EXPECT_EQ(codec.Width(), 7u);
    EXPECT_EQ(Colours(codec.GetPicture()), original);

    ImageCodec target;
    ASSERT_TRUE(codec.Rotate(-90, &target));
    EXPECT_EQ(codec.Width(), 7u);
    EXPECT_EQ(Colours(codec.GetPicture()), original);
    EXPECT_EQ(target.Width(), 5u);
    EXPECT_EQ(target.Height(), 7u);
    EXPECT_EQ(target.GetPicture().ColorAt(0, 6), codec.GetPicture().ColorAt(0, 0));
}

TEST(ImageCodecRotate, OtherAnglesSampleIntoAnEnlargedPicture) {
    const QRgb corner = qRgb(1, 2, 3);
    std::vector<QRgb> pixels(100 * 50, qRgb(200, 0, 0));
    pixels[49 * 100] = corner; // bottom-left, the stored first pixel
    Picture opaque = Rgb24(100, 50, pixels);
    Picture alpha = opaque;
    alpha.alpha.assign(pixels.size(), 255);
    std::vector<std::uint8_t> idx(100 * 50, 1);
    Picture keyed = Indexed(100, 50, idx, {qRgb(0, 0, 0), qRgb(200, 0, 0)});
    keyed.transparentIndex = 0;
    const struct {
        const char* name;
        Picture* picture;
        double angle;
        int w, h;
    } cases[] = {
        {"opaque 45", &opaque, 45, 107, 108},
        {"alpha 45", &alpha, 45, 107, 108},
        {"keyed 45", &keyed, 45, 107, 108},
        {"opaque -30", &opaque, -30, 113, 94},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImageCodec codec = Holding(*c.picture);
        ASSERT_TRUE(codec.Rotate(c.angle));
        const Picture& r = codec.GetPicture();
        EXPECT_EQ(r.width, c.w);
        EXPECT_EQ(r.height, c.h);
        EXPECT_EQ(r.ColorAt(r.width / 2, r.height / 2), qRgb(200, 0, 0));
        // Uncovered corners: the bottom-left colour, alpha 0, or the transparent index.
        if (c.picture->IsIndexed()) {
            EXPECT_EQ(r.indices[0], 0);
        } else {
            EXPECT_EQ(r.ColorAt(0, 0), corner);
        }
        if (!c.picture->alpha.empty()) {
            EXPECT_EQ(r.alpha[0], 0);
            EXPECT_EQ(r.alpha[static_cast<std::size_t>(r.height / 2) * r.width + r.width / 2], 255);
        }
    }
}

TEST(ImageCodecRotate, EmptyPicturesAndBadAnglesDoNotTurn) {
    ImageCodec empty;
    EXPECT_FALSE(empty.Rotate(90));
    ImageCodec codec = Holding(Rgb24(2, 1, {kRed, kBlue}));
    EXPECT_FALSE(codec.Rotate(std::nan("")));
    EXPECT_FALSE(codec.Rotate(INFINITY));
    EXPECT_EQ(codec.Width(), 2u);
}

TEST(ImageCodecSetPicture, InconsistentPicturesAreRefused) {
    Picture shortPixels = Rgb24(2, 2, {kRed});
    Picture shortAlpha = Rgb24(1, 1, {kRed});
    shortAlpha.alpha = {1, 2};
    Picture badDepth = Rgb24(1, 1, {kRed});
    badDepth.bitCount = 16;
    Picture empty;
    ImageCodec codec = Holding(Rgb24(1, 1, {kBlue}));
    for (Picture* p : {&shortPixels, &shortAlpha, &badDepth, &empty}) {
        EXPECT_FALSE(codec.SetPicture(*p));
        EXPECT_EQ(codec.GetPicture().ColorAt(0, 0), kBlue);
    }
}
