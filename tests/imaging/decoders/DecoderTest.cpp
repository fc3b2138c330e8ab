// What every decoder promises whatever it is given: sample files of every variant decode,
// cut files fail cleanly, damaged files never crash, lying sizes never make it allocate,
// allocation failure is reported.
#include "AllocationProbe.h"
#include "DecoderTestUtil.h"

#include <algorithm>

using namespace dtest;
using fixtures::Bytes;
using fixtures::Format;

namespace {

DecodeFn DecoderFor(Format f) {
    switch (f) {
    case Format::Bmp: return imaging::DecodeBmp;
    case Format::Gif: return imaging::DecodeGif;
    case Format::Pnm: return imaging::DecodePnm;
    }
    return nullptr;
}

const char* QtFormat(Format f) {
    switch (f) {
    case Format::Bmp: return "BMP";
    case Format::Gif: return "GIF";
    case Format::Pnm: return "PPM";
    }
    return nullptr;
}

} // namespace

TEST(Decoders, EverySampleDecodesConsistently) {
    for (const auto& s : fixtures::Samples()) {
        SCOPED_TRACE(s.name);
        const Result r = Decode(DecoderFor(s.format), s.bytes);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(Consistent(r.pic));
    }
}

TEST(Decoders, SamplesLookAsQtReadsThem) {
    for (const auto& s : fixtures::Samples()) {
        SCOPED_TRACE(s.name);
        // Where Qt reads differently, the samples are checked colour by colour in their own
        // tests instead: Qt widens 5-bit channels by shifting (31 becomes 248, not 255),
        // truncates 16-bit any-map samples, folds alpha into the colour, cannot read plain
        // bitmaps whose digits touch, complains on stderr about an index past the table, and
        // leaves the pixels a run-length stream skips uninitialised.
        static const std::vector<std::string> kQtDiffers = {
            "bmp-16bit-555.bmp", "bmp-16bit-565.bmp", "pnm-p5-16bit.pgm", "pnm-p6-16bit.ppm",
            "bmp-32bit-alpha-v4.bmp", "pnm-p1.pbm", "bmp-4bit-topdown.bmp", "bmp-rle8.bmp",
            "bmp-rle4.bmp"};
        if (std::find(kQtDiffers.begin(), kQtDiffers.end(), s.name) != kQtDiffers.end()) continue;
        const Result r = Decode(DecoderFor(s.format), s.bytes);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(MatchesQt(r.pic, s.bytes, QtFormat(s.format)));
    }
}

TEST(Decoders, CutFilesFailUntilNothingNeededIsMissing) {
    for (const auto& s : fixtures::Samples()) {
        SCOPED_TRACE(s.name);
        const DecodeFn decode = DecoderFor(s.format);
        const Result whole = Decode(decode, s.bytes);
        ASSERT_TRUE(whole.ok);
        for (std::size_t len = 0; len < s.bytes.size(); ++len) {
            SCOPED_TRACE("length " + std::to_string(len));
            const Result r = Decode(decode, s.bytes, len);
            if (len < s.minComplete) {
                EXPECT_FALSE(r.ok);
                EXPECT_FALSE(r.error.empty());
                EXPECT_EQ(r.pic.width, 0); // the output is left alone
            } else {
                ASSERT_TRUE(r.ok) << r.error;
                EXPECT_TRUE(SamePixels(r.pic, whole.pic));
            }
        }
    }
}

// Every byte of every sample overwritten with a few telling values: whatever the outcome,
// nothing is read or written out of bounds (the sanitizer build watches) and a picture that
// comes back is whole. Damaged sizes may honestly describe huge run-length pictures; the
// probe refuses those allocations to keep the test quick (they fail as out of memory).
TEST(Decoders, DamagedBytesNeverBreakTheDecoder) {
    for (const auto& s : fixtures::Samples()) {
        SCOPED_TRACE(s.name);
        for (std::size_t i = 0; i < s.bytes.size(); ++i) {
            for (std::uint8_t v : {0x00, 0x01, 0x7f, 0x80, 0xff, static_cast<int>(s.bytes[i] ^ 0x40)}) {
                Bytes damaged = s.bytes;
                damaged[i] = v;
                allocprobe::Probe probe(std::size_t{1} << 20);
                const Result r = Decode(DecoderFor(s.format), damaged);
                if (r.ok) EXPECT_TRUE(Consistent(r.pic)) << "byte " << i << " = " << int(v);
                else EXPECT_FALSE(r.error.empty());
            }
        }
    }
}

// Headers that claim far more than the file holds fail before anything of that size is
// allocated.
TEST(Decoders, LyingSizesFailWithoutLargeAllocations) {
    struct Case {
        const char* name;
        Format format;
        Bytes bytes;
    };
    std::vector<Case> cases;
    auto bmp = [](std::int32_t w, std::int32_t h, int bits, std::uint32_t compression) {
        fixtures::BmpLayout s;
        s.width = w;
        s.height = h;
        s.bitCount = static_cast<std::uint16_t>(bits);
        s.compression = compression;
        s.bits = {1, 2, 3, 4, 5, 6};
        return fixtures::MakeBmp(s);
    };
    cases.push_back({"bmp 16000x16000 24-bit", Format::Bmp, bmp(16000, 16000, 24, 0)});
    cases.push_back({"bmp 16000x-16000 8-bit", Format::Bmp, bmp(16000, -16000, 8, 0)});
    cases.push_back({"bmp 16000x16000 1-bit", Format::Bmp, bmp(16000, 16000, 1, 0)});
    cases.push_back({"bmp 16000x16000 32-bit fields", Format::Bmp, bmp(16000, 16000, 32, 3)});
    cases.push_back({"bmp 65536x65536", Format::Bmp, bmp(65536, 65536, 24, 0)});
    cases.push_back({"bmp 2^31-1 x 2", Format::Bmp, bmp(0x7fffffff, 2, 1, 0)});
    cases.push_back({"bmp rle above the limit", Format::Bmp, bmp(16385, 16384, 8, 1)});
    {
        fixtures::GifLayout g;
        g.width = 65535;
        g.height = 65535;
        g.minCodeSize = 2;
        g.lzw = fixtures::PackCodes({{4, 3}, {1, 3}, {5, 3}});
        cases.push_back({"gif 65535x65535", Format::Gif, fixtures::MakeGif(g)});
    }
    cases.push_back({"pnm P6 16000x16000", Format::Pnm, fixtures::FromString("P6 16000 16000 255\n0123456789")});
    cases.push_back({"pnm P4 16000x16000", Format::Pnm, fixtures::FromString("P4 16000 16000\n0123456789")});
    cases.push_back({"pnm P1 16000x16000", Format::Pnm, fixtures::FromString("P1 16000 16000\n0101010101")});
    cases.push_back({"pnm P3 16000x16000", Format::Pnm, fixtures::FromString("P3 16000 16000 255\n1 2 3 4 5")});
    cases.push_back({"pnm P5 65536x65536", Format::Pnm, fixtures::FromString("P5 65536 65536 255\n01234")});
    cases.push_back({"pnm P6 wider than 32 bits", Format::Pnm,
                     fixtures::FromString("P6 4294967297 1 255\n012")});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        allocprobe::Probe probe;
        const Result r = Decode(DecoderFor(c.format), c.bytes);
        const std::size_t largest = probe.Largest();
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
        EXPECT_LT(largest, 64u * 1024u);
    }
}

TEST(Decoders, AllocationFailureIsReported) {
    // A 64 x 64 picture of each format; allocations above 1 KiB fail.
    std::vector<std::pair<Format, Bytes>> files;
    {
        fixtures::BmpLayout s;
        s.width = 64;
        s.height = 64;
        s.bits.assign(64 * 64 * 3, 0x5a);
        files.emplace_back(Format::Bmp, fixtures::MakeBmp(s));
    }
    {
        fixtures::GifLayout g;
        g.width = 64;
        g.height = 64;
        g.minCodeSize = 2;
        g.globalTable = {0, 0xffffff, 0xff0000, 0x00ff00};
        g.lzw = fixtures::LzwEncode(std::vector<std::uint8_t>(64 * 64, 1), 2);
        files.emplace_back(Format::Gif, fixtures::MakeGif(g));
    }
    {
        Bytes p = fixtures::FromString("P5 64 64 255\n");
        p.resize(p.size() + 64 * 64, 0x33);
        files.emplace_back(Format::Pnm, p);
    }
    for (const auto& [format, bytes] : files) {
        SCOPED_TRACE(QtFormat(format));
        ASSERT_TRUE(Decode(DecoderFor(format), bytes).ok);
        imaging::Picture out;
        out.width = 3;
        std::string error;
        bool ok = true;
        {
            allocprobe::Probe probe(1024);
            ok = DecoderFor(format)(bytes.data(), bytes.size(), out, error);
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, "Can't allocate memory");
        EXPECT_EQ(out.width, 3);
    }
}
