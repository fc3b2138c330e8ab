#pragma once
// The one class through which pictures are read and shown: decode a file or a block of
// memory, report the size, rotate, draw into a rectangle with transparency and copy-stretch
// without it. Nothing is ever encoded: items keep the original file bytes and decode them
// again whenever they need the picture.
#include "DeviceContext.h"
#include "Picture.h"
#include "Types.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>

// Format codes. They are stored beside the picture bytes in label files, so the values are
// fixed.
enum ImageFormat : int {
    Detect = 0,
    Bmp = 1,
    Gif = 2,
    Jpg = 3,
    Png = 4,
    Tif = 5,
    Jpeg2000 = 6,
};

// The format code for a file extension given without its dot. Only the five short names
// map (any case); everything else, "jpeg" and "tiff" included, asks for detection.
int ImageFormatFromExtension(const QString& extension);

class ImageCodec {
  public:
    // Empty: the format code is only remembered.
    explicit ImageCodec(int format = Detect);
    // Loads a file with LoadFile.
    ImageCodec(const QString& path, int format);
    // Decodes the caller's bytes with DecodeMemory; the caller keeps them.
    ImageCodec(const std::uint8_t* data, std::size_t size, int format);

    ImageCodec(const ImageCodec&) = delete;
    ImageCodec& operator=(const ImageCodec&) = delete;
    ImageCodec(ImageCodec&&) noexcept = default;
    ImageCodec& operator=(ImageCodec&&) noexcept = default;

    // Decodes the bytes in place (no copy). Code 0 tries every decoder in turn; codes 1 to 6
    // try only their own. On failure the held picture is left as it was.
    bool DecodeMemory(const std::uint8_t* data, std::size_t size, int format);
    // Reads the file and decodes it; a specific code that fails is retried with detection,
    // and when that fails too the first attempt's failure text is kept.
    bool LoadFile(const QString& path, int format);

    bool IsValid() const { return picture_.IsValid(); }
    unsigned Width() const { return static_cast<unsigned>(picture_.width); }
    unsigned Height() const { return static_cast<unsigned>(picture_.height); }
    // The code given at construction or to the last decode.
    int Format() const { return format_; }

    // Turns the picture clockwise (as displayed) by angle degrees. Whole quarter turns are
    // exact raster turns; other angles sample into an enlarged picture. The result replaces
    // this picture, or fills target when one is given. False when empty or on failure.
    bool Rotate(double angle, ImageCodec* target = nullptr);

    // Draws the picture stretched into rect (a negative width or height stands for the
    // picture's own), honouring the transparent colour, the alpha plane, palette alpha and
    // the opacity. Only the part inside the device's clip box (and clip, when given) is
    // computed. smooth filters opaque pictures instead of taking nearest pixels. Returns
    // nonzero when the picture was drawn.
    int DrawInRect(DeviceContext* dc, const Rect& rect, const Rect* clip = nullptr,
                   bool smooth = false) const;
    // Copies the whole picture into the rectangle by nearest pixels, ignoring every kind of
    // transparency. Returns 1, or 0 without a picture or device.
    int StretchTo(DeviceContext* dc, int x, int y, int width, int height,
                  std::uint32_t rop = SRCCOPY) const;

    // Releases the picture; the object becomes empty.
    void Clear();

    // The last failure, for diagnosis only (at most 255 characters).
    const std::string& LastError() const { return error_; }

    // Global opacity (0 to 255), scaling every alpha value when drawn.
    int Opacity() const { return picture_.opacity; }
    void SetOpacity(int opacity);

    const imaging::Picture& GetPicture() const { return picture_; }
    // Takes a picture built in memory. False, leaving the held picture as it was, when the
    // picture is empty, too large or its buffers do not match its size and depth.
    bool SetPicture(imaging::Picture picture);

  private:
    void SetError(std::string text);

    imaging::Picture picture_;
    int format_ = Detect;
    std::string error_;
};
