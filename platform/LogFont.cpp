#include "LogFont.h"

#include "ByteIO.h"

#include <algorithm>
#include <cstring>

std::string LogFont::FaceName() const {
    const auto end = std::find(lfFaceName.begin(), lfFaceName.end(), '\0');
    return std::string(lfFaceName.begin(), end);
}

void LogFont::SetFaceName(const std::string& name) {
    lfFaceName.fill('\0');
    const std::size_t n = std::min(name.size(), kFaceSize - 1);
    std::memcpy(lfFaceName.data(), name.data(), n);
}

void LogFont::Write(std::uint8_t* out) const {
    bytes::PutI32(out + 0, lfHeight);
    bytes::PutI32(out + 4, lfWidth);
    bytes::PutI32(out + 8, lfEscapement);
    bytes::PutI32(out + 12, lfOrientation);
    bytes::PutI32(out + 16, lfWeight);
    out[20] = lfItalic;
    out[21] = lfUnderline;
    out[22] = lfStrikeOut;
    out[23] = lfCharSet;
    out[24] = lfOutPrecision;
    out[25] = lfClipPrecision;
    out[26] = lfQuality;
    out[27] = lfPitchAndFamily;
    std::memcpy(out + 28, lfFaceName.data(), kFaceSize);
}

LogFont LogFont::Read(const std::uint8_t* in) {
    LogFont f;
    f.lfHeight = bytes::GetI32(in + 0);
    f.lfWidth = bytes::GetI32(in + 4);
    f.lfEscapement = bytes::GetI32(in + 8);
    f.lfOrientation = bytes::GetI32(in + 12);
    f.lfWeight = bytes::GetI32(in + 16);
    f.lfItalic = in[20];
    f.lfUnderline = in[21];
    f.lfStrikeOut = in[22];
    f.lfCharSet = in[23];
    f.lfOutPrecision = in[24];
    f.lfClipPrecision = in[25];
    f.lfQuality = in[26];
    f.lfPitchAndFamily = in[27];
    std::memcpy(f.lfFaceName.data(), in + 28, kFaceSize);
    return f;
}
