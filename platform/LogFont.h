#pragma once
// The 60-byte logical font record stored with every item.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

enum : std::uint8_t {
    FF_DONTCARE = 0x00,
    FF_ROMAN = 0x10,
    FF_SWISS = 0x20,
    FF_MODERN = 0x30,
    DEFAULT_PITCH = 0,
    FIXED_PITCH = 1,
    VARIABLE_PITCH = 2,
    ANSI_CHARSET = 0,
};
enum : std::int32_t { FW_NORMAL = 400, FW_BOLD = 700 };

struct LogFont {
    static constexpr std::size_t kSize = 60;
    static constexpr std::size_t kFaceSize = 32;

    std::int32_t lfHeight = 0;
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    std::array<char, kFaceSize> lfFaceName{}; // NUL-terminated bytes

    // The face name up to its first NUL.
    std::string FaceName() const;
    // Stores at most 31 bytes and always keeps a terminating NUL; the rest is zeroed.
    void SetFaceName(const std::string& name);

    void Write(std::uint8_t* out) const; // exactly kSize bytes
    static LogFont Read(const std::uint8_t* in);

    friend bool operator==(const LogFont&, const LogFont&) = default;
};
