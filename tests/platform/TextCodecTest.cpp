#include "TextCodec.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using namespace std::string_literals;

std::string Utf8(const QString& s) {
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

TEST(TextCodec, WellFormedUtf8DecodesAsUtf8) {
    const std::string samples[] = {
        "plain ascii"s,
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC"s,   // Grüße €
        "\xC2\x80"s,         // U+0080, lowest two-byte
        "\xDF\xBF"s,         // U+07FF
        "\xE0\xA0\x80"s,     // U+0800, lowest three-byte
        "\xED\x9F\xBF"s,     // U+D7FF, just below the surrogates
        "\xEE\x80\x80"s,     // U+E000, just above them
        "\xF0\x90\x80\x80"s, // U+10000, lowest four-byte
        "\xF4\x8F\xBF\xBF"s, // U+10FFFF, the last code point
        "nul\0inside"s,
    };
    for (const std::string& s : samples) {
        EXPECT_TRUE(textcodec::IsValidUtf8(s)) << s;
        EXPECT_EQ(textcodec::Decode(s), QString::fromUtf8(s.data(), qsizetype(s.size()))) << s;
    }
}

TEST(TextCodec, MalformedUtf8FallsBackToWindows1252) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"overlong two-byte", "\xC0\xAF"s},
        {"overlong two-byte C1", "\xC1\xBF"s},
        {"overlong three-byte", "\xE0\x80\xAF"s},
        {"overlong four-byte", "\xF0\x80\x80\xAF"s},
        {"high surrogate", "\xED\xA0\x80"s},
        {"low surrogate", "\xED\xBF\xBF"s},
        {"above U+10FFFF", "\xF4\x90\x80\x80"s},
        {"F5 lead", "\xF5\x80\x80\x80"s},
        {"FF byte", "abc\xFF"s},
        {"lone continuation", "\x80"s},
        {"truncated at end", "ok \xE2\x82"s},
        {"truncated before ASCII", "\xE2\x82z"s},
        {"missing continuation after long ASCII run", "0123456789abcdef\xC3"s},
        {"Latin-1 text", "caf\xE9"s},
    };
    for (const Case& t : cases) {
        EXPECT_FALSE(textcodec::IsValidUtf8(t.bytes)) << t.what;
        // The whole text falls back, byte by byte, to what each byte means on its own (the
        // single-byte meanings are pinned down by the table test below).
        QString expected;
        for (const char byte : t.bytes)
            expected += textcodec::Decode(std::string(1, byte));
        EXPECT_EQ(textcodec::Decode(t.bytes), expected) << t.what;
        EXPECT_EQ(expected.size(), qsizetype(t.bytes.size())) << t.what;
    }
    EXPECT_EQ(textcodec::Decode("caf\xE9"s), QStringLiteral(u"caf\u00E9"));

    // The end of the view is the end: a sequence cut by it is incomplete even when the
    // memory behind it would complete it.
    const char euro[] = "\xE2\x82\xAC";
    EXPECT_FALSE(textcodec::IsValidUtf8(std::string_view(euro, 2)));
    EXPECT_EQ(textcodec::Decode(std::string_view(euro, 2)), QStringLiteral(u"\u00E2\u201A"));
}

TEST(TextCodec, Windows1252TableIncludingTheUndefinedBytes) {
    struct Case {
        unsigned char byte;
        char16_t expected;
    };
    const Case cases[] = {
        {0x80, u'\u20AC'}, {0x81, u'\u0081'}, {0x82, u'\u201A'}, {0x83, u'\u0192'},
        {0x85, u'\u2026'}, {0x88, u'\u02C6'}, {0x8A, u'\u0160'}, {0x8C, u'\u0152'},
        {0x8D, u'\u008D'}, {0x8E, u'\u017D'}, {0x8F, u'\u008F'}, {0x90, u'\u0090'},
        {0x91, u'\u2018'}, {0x94, u'\u201D'}, {0x96, u'\u2013'}, {0x97, u'\u2014'},
        {0x98, u'\u02DC'}, {0x99, u'\u2122'}, {0x9C, u'\u0153'}, {0x9D, u'\u009D'},
        {0x9E, u'\u017E'}, {0x9F, u'\u0178'}, {0xA0, u'\u00A0'}, {0xE9, u'\u00E9'},
        {0xFF, u'\u00FF'},
    };
    for (const Case& t : cases) {
        const QString decoded = textcodec::Decode(std::string(1, char(t.byte)));
        ASSERT_EQ(decoded.size(), 1);
        EXPECT_EQ(decoded[0].unicode(), t.expected) << std::hex << int(t.byte);
    }
}

TEST(TextCodec, EveryByteRoundTripsThroughWindows1252) {
    // Decoding is a bijection on single bytes and encoding inverts it exactly.
    std::set<char16_t> seen;
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, char(b));
        const QString decoded = textcodec::Decode(one);
        ASSERT_EQ(decoded.size(), 1) << b;
        seen.insert(decoded[0].unicode());
        EXPECT_EQ(textcodec::Encode(decoded), one) << b;
    }
    EXPECT_EQ(seen.size(), 256u);
}

TEST(TextCodec, EncodesAsWindows1252OnlyWhenEverythingFits) {
    struct Case {
        QString text;
        std::string expected;
    };
    const Case cases[] = {
        {QString(), ""s},
        {QStringLiteral("ASCII only"), "ASCII only"s},
        {QStringLiteral(u"caf\u00E9 \u20AC5 \u2122"), "caf\xE9 \x80"
                                                      "5 \x99"s},
        {QStringLiteral(u"\u0178\u0152"), "\x9F\x8C"s},
        // One character outside the code page makes the whole text UTF-8.
        {QStringLiteral(u"caf\u00E9 \u65E5"), "caf\xC3\xA9 \xE6\x97\xA5"s},
        {QStringLiteral(u"\u0080"), "\xC2\x80"s}, // C1 control that Windows-1252 lacks
        {QString::fromUcs4(U"smile \U0001F600"), "smile \xF0\x9F\x98\x80"s},
        // Fits Windows-1252, but those bytes (C3 A9) would read back as "\u00E9".
        {QStringLiteral(u"\u00C3\u00A9"), "\xC3\x83\xC2\xA9"s},
    };
    for (const Case& t : cases) {
        EXPECT_EQ(textcodec::Encode(t.text), t.expected) << Utf8(t.text);
        EXPECT_EQ(textcodec::Decode(textcodec::Encode(t.text)), t.text) << Utf8(t.text);
    }
}

TEST(TextCodec, LargeMixedInputDecodesCompletely) {
    // Long ASCII runs take the fast path; a fault near a block edge must still be seen.
    std::string s(4096 + 3, 'a');
    s += "\xC3\xA9";
    EXPECT_EQ(textcodec::Decode(s).size(), qsizetype(4096 + 3 + 1));
    s += "\xC3";
    EXPECT_FALSE(textcodec::IsValidUtf8(s));
    EXPECT_EQ(textcodec::Decode(s).size(), qsizetype(s.size()));
}

} // namespace
