#pragma once
// Small picture files made in memory with the format libraries' own encoders, so every
// variant a decoder must handle can be produced exactly (bit depths, transparency chunks,
// colour spaces) without binary fixtures.
#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fixtures {

using Bytes = std::vector<std::uint8_t>;

Bytes FromQByteArray(const QByteArray& a);
QByteArray ToQByteArray(const Bytes& b);
// The image written by Qt's own writer for format ("png", "jpg", "tiff", "bmp").
Bytes QtEncode(const QImage& image, const char* format, int quality = -1);

struct PngSample {
    int width = 1;
    int height = 1;
    int colorType = 2; // PNG_COLOR_TYPE_*
    int depth = 8;
    // Samples in row-major order, channels interleaved, each at the picture's bit depth.
    std::vector<std::uint16_t> samples;
    std::vector<std::uint32_t> palette;     // 0xRRGGBB entries
    std::vector<std::uint8_t> paletteAlpha; // tRNS of palette pictures
    std::optional<std::uint16_t> transparentGrey;
    std::optional<std::uint32_t> transparentRgb; // 0xRRGGBB at 8 bits, or per-channel at 16
    std::optional<std::uint16_t> backgroundGrey;
    std::optional<std::uint32_t> backgroundRgb;
    std::optional<std::uint32_t> pixelsPerMetre;
    bool interlaced = false;
};
Bytes PngBytes(const PngSample& sample);

struct JpegSample {
    int width = 8;
    int height = 8;
    int components = 3; // 1 grey, 3 RGB, 4 CMYK
    bool ycck = false;  // store CMYK as YCCK
    bool adobeMarker = true;
    bool progressive = false;
    std::vector<std::uint8_t> samples; // width * height * components
};
Bytes JpegBytes(const JpegSample& sample);

struct TiffSample {
    int width = 1;
    int height = 1;
    int samplesPerPixel = 3; // 1 grey, 3 RGB, 4 RGBA (unassociated alpha)
    std::vector<std::uint8_t> samples;
};
Bytes TiffBytes(const TiffSample& sample);

struct Jpeg2000Sample {
    int width = 1;
    int height = 1;
    int components = 3;
    bool jp2 = true;                   // JP2 file, else a raw code stream
    bool withAlpha = false;            // the last component is alpha (JP2 channel definition)
    std::vector<std::uint8_t> samples; // interleaved
};
Bytes Jpeg2000Bytes(const Jpeg2000Sample& sample);

// Collects what is written to the process's stderr while it lives.
class StderrCapture {
  public:
    StderrCapture();
    ~StderrCapture();
    std::string Finish();

  private:
    int saved_ = -1;
    int file_ = -1;
    bool finished_ = false;
};

} // namespace fixtures
