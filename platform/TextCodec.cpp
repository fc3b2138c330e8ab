#include "TextCodec.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace textcodec {
namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined map to the
// C1 control with the same number, as Windows' own conversion does, so they round-trip.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

// The byte for a UTF-16 unit, or -1 when Windows-1252 has none.
int ToCp1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c) return static_cast<int>(0x80 + i);
    return -1;
}

// True when eight bytes starting at p are all ASCII.
inline bool Ascii8(const unsigned char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return (w & 0x8080808080808080ull) == 0;
}

// Strict UTF-8 check (well-formed sequences only: no overlong forms, no surrogates, nothing
// above U+10FFFF, no truncated sequence). Sets ascii when every byte is below 0x80.
bool Validate(std::string_view bytes, bool& ascii) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    ascii = true;
    while (p < end) {
        if (end - p >= 8 && Ascii8(p)) {
            p += 8;
            continue;
        }
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        ascii = false;
        int more;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            if (b == 0xE0)
                lo = 0xA0; // overlong
            else if (b == 0xED)
                hi = 0x9F; // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            if (b == 0xF0)
                lo = 0x90; // overlong
            else if (b == 0xF4)
                hi = 0x8F; // above U+10FFFF
        } else {
            return false; // continuation byte, C0/C1 overlong lead, or F5..FF
        }
        if (end - p <= more) return false;
        if (p[1] < lo || p[1] > hi) return false;
        for (int i = 2; i <= more; ++i)
            if ((p[i] & 0xC0) != 0x80) return false;
        p += more + 1;
    }
    return true;
}

QString DecodeCp1252(std::string_view bytes) {
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *d++ = (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : char16_t(b);
    }
    return out;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    bool ascii;
    return Validate(bytes, ascii);
}

QString Decode(std::string_view bytes) {
    bool ascii;
    const auto n = static_cast<qsizetype>(bytes.size());
    if (!Validate(bytes, ascii)) return DecodeCp1252(bytes);
    if (ascii) return QString::fromLatin1(bytes.data(), n);
    return QString::fromUtf8(bytes.data(), n);
}

std::string Encode(const QString& text) {
    const auto asUtf8 = [&text] {
        const QByteArray utf8 = text.toUtf8();
        return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    };
    std::string out(static_cast<std::size_t>(text.size()), '\0');
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    bool ascii = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = ToCp1252(s[i]);
        if (b < 0) return asUtf8();
        ascii = ascii && b < 0x80;
        out[static_cast<std::size_t>(i)] = static_cast<char>(b);
    }
    // Windows-1252 bytes that happen to form valid UTF-8 ("Ã©" is C3 A9) would read back as
    // other text; UTF-8 reads back exactly, so use it for those.
    if (!ascii && IsValidUtf8(out)) return asUtf8();
    return out;
}

} // namespace textcodec
