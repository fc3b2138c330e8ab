#pragma once
// The format decoders behind ImageCodec. Each reads the caller's bytes in place, fills `out`
// only on success and returns false with a short failure text in `error` otherwise. None
// throws, none reads outside [data, data + size), and none allocates more than the
// picture the header honestly describes could need (see kMaxPixels).
#include "Picture.h"

namespace imaging {

bool DecodeBmp(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error);
bool DecodeGif(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error);
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error);
bool DecodePng(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error);
bool DecodeTiff(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error);
// The JPEG-2000 family (JP2 files, J2K code streams) through OpenJPEG, and the portable
// any-maps P1-P6, which that family's decoder detects by content.
bool DecodeJpeg2000(const std::uint8_t* data, std::size_t size, Picture& out,
                    std::string& error);
bool DecodePnm(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error);

} // namespace imaging
