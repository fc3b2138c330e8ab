#include "DecoderFixtures.h"

#include <algorithm>
#include <map>

namespace fixtures {

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xffff);
    Put16(b, v >> 16);
}
void PutBE16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
Bytes FromString(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes MakeBmp(const BmpLayout& s) {
    Bytes info;
    const bool core = s.infoSize == 12;
    Put32(info, s.infoSize);
    if (core) {
        Put16(info, static_cast<std::uint32_t>(s.width));
        Put16(info, static_cast<std::uint32_t>(s.height));
        Put16(info, 1);
        Put16(info, s.bitCount);
    } else {
        Put32(info, static_cast<std::uint32_t>(s.width));
        Put32(info, static_cast<std::uint32_t>(s.height));
        Put16(info, 1);
        Put16(info, s.bitCount);
        Put32(info, s.compression);
        Put32(info, static_cast<std::uint32_t>(s.bits.size()));
        Put32(info, static_cast<std::uint32_t>(s.pelsPerMeterX));
        Put32(info, static_cast<std::uint32_t>(s.pelsPerMeterY));
        Put32(info, s.colorsUsed);
        Put32(info, 0);
        if (s.infoSize >= 52) {
            for (int i = 0; i < 3; ++i) Put32(info, s.masks[i]);
        }
        if (s.infoSize >= 56) Put32(info, s.masks[3]);
        while (info.size() < s.infoSize) info.push_back(0); // colour space fields: unused
        if (s.infoSize == 40 && s.compression == 3) {
            for (int i = 0; i < 3; ++i) Put32(info, s.masks[i]);
        }
    }
    Bytes table;
    for (std::uint32_t c : s.palette) {
        table.push_back(static_cast<std::uint8_t>(c));       // blue
        table.push_back(static_cast<std::uint8_t>(c >> 8));  // green
        table.push_back(static_cast<std::uint8_t>(c >> 16)); // red
        if (!core) table.push_back(0);
    }
    const std::size_t offset = 14 + info.size() + table.size() + s.gap;
    Bytes file = {'B', 'M'};
    Put32(file, static_cast<std::uint32_t>(offset + s.bits.size()));
    Put32(file, 0);
    Put32(file, s.offBits ? *s.offBits : static_cast<std::uint32_t>(offset));
    Append(file, info);
    Append(file, table);
    file.insert(file.end(), s.gap, 0xee);
    Append(file, s.bits);
    return file;
}

Bytes BmpRows(int bitCount, const std::vector<std::vector<std::uint32_t>>& rows) {
    Bytes out;
    for (const auto& row : rows) {
        Bytes r;
        if (bitCount <= 8) {
            const int perByte = 8 / bitCount;
            r.assign((row.size() + static_cast<std::size_t>(perByte) - 1) /
                         static_cast<std::size_t>(perByte), 0);
            for (std::size_t x = 0; x < row.size(); ++x) {
                const int shift = 8 - bitCount * (static_cast<int>(x) % perByte + 1);
                r[x / static_cast<std::size_t>(perByte)] |=
                    static_cast<std::uint8_t>(row[x] << shift);
            }
        } else {
            for (std::uint32_t v : row)
                for (int i = 0; i < bitCount / 8; ++i)
                    r.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
        while (r.size() % 4 != 0) r.push_back(0);
        Append(out, r);
    }
    return out;
}

Bytes MakeGif(const GifLayout& s) {
    Bytes f = FromString("GIF89a");
    Put16(f, s.screenWidth ? s.screenWidth : s.width);
    Put16(f, s.screenHeight ? s.screenHeight : s.height);
    auto tableBits = [](std::size_t n) {
        int bits = 0;
        while ((std::size_t{2} << bits) < n) ++bits;
        return bits;
    };
    auto putTable = [&](const std::vector<std::uint32_t>& t) {
        for (std::uint32_t c : t) {
            f.push_back(static_cast<std::uint8_t>(c >> 16));
            f.push_back(static_cast<std::uint8_t>(c >> 8));
            f.push_back(static_cast<std::uint8_t>(c));
        }
    };
    f.push_back(s.globalTable.empty()
                    ? 0x00
                    : static_cast<std::uint8_t>(0x80 | 0x70 | tableBits(s.globalTable.size())));
    f.push_back(0); // background
    f.push_back(0); // aspect
    putTable(s.globalTable);
    if (s.transparent >= 0) {
        const Bytes gce = {0x21, 0xf9, 4, 0x01, 0, 0, static_cast<std::uint8_t>(s.transparent), 0};
        Append(f, gce);
    }
    Append(f, s.extensions);
    f.push_back(0x2c);
    Put16(f, s.left);
    Put16(f, s.top);
    Put16(f, s.width);
    Put16(f, s.height);
    std::uint8_t flags = s.interlaced ? 0x40 : 0;
    if (!s.localTable.empty())
        flags |= static_cast<std::uint8_t>(0x80 | tableBits(s.localTable.size()));
    f.push_back(flags);
    putTable(s.localTable);
    f.push_back(static_cast<std::uint8_t>(s.minCodeSize));
    for (std::size_t i = 0; i < s.lzw.size(); i += s.blockSize) {
        const std::size_t n = std::min(s.blockSize, s.lzw.size() - i);
        f.push_back(static_cast<std::uint8_t>(n));
        f.insert(f.end(), s.lzw.begin() + static_cast<std::ptrdiff_t>(i),
                 s.lzw.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    f.push_back(0);
    if (s.trailer) f.push_back(0x3b);
    return f;
}

namespace {
class BitWriter {
public:
    void Put(int code, int width) {
        acc_ |= static_cast<std::uint64_t>(code) << count_;
        count_ += width;
        while (count_ >= 8) {
            out_.push_back(static_cast<std::uint8_t>(acc_));
            acc_ >>= 8;
            count_ -= 8;
        }
    }
    Bytes Finish() {
        if (count_ > 0) out_.push_back(static_cast<std::uint8_t>(acc_));
        acc_ = 0;
        count_ = 0;
        return std::move(out_);
    }

private:
    Bytes out_;
    std::uint64_t acc_ = 0;
    int count_ = 0;
};
} // namespace

Bytes PackCodes(const std::vector<std::pair<int, int>>& codes) {
    BitWriter w;
    for (auto [code, width] : codes) w.Put(code, width);
    return w.Finish();
}

Bytes LzwEncode(const std::vector<std::uint8_t>& pixels, int minCodeSize, bool clearWhenFull) {
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    int width = minCodeSize + 1;
    int next = clear + 2;
    std::map<std::pair<int, int>, int> table;
    BitWriter w;
    w.Put(clear, width);
    if (pixels.empty()) {
        w.Put(end, width);
        return w.Finish();
    }
    // The reader learns each entry one code later than the writer makes it, so the width
    // grows once the writer's next free code no longer fits.
    auto addEntry = [&](int prefix, int pixel) {
        if (next >= 4096) return;
        if (prefix >= 0) table[{prefix, pixel}] = next;
        ++next;
        if (next > (1 << width) && width < 12) ++width;
    };
    int current = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const int p = pixels[i];
        const auto it = table.find({current, p});
        if (it != table.end()) {
            current = it->second;
            continue;
        }
        w.Put(current, width);
        addEntry(current, p);
        if (next >= 4096 && clearWhenFull) {
            w.Put(clear, width);
            table.clear();
            width = minCodeSize + 1;
            next = clear + 2;
        }
        current = p;
    }
    w.Put(current, width);
    addEntry(-1, 0); // the reader adds an entry on this last code too
    w.Put(end, width);
    return w.Finish();
}

std::vector<Sample> Samples() {
    std::vector<Sample> out;
    auto add = [&](std::string name, Format f, Bytes b, std::size_t spare = 0) {
        const std::size_t min = b.size() - spare;
        out.push_back({std::move(name), f, std::move(b), min});
    };

    {   // 1 bit, bottom-up, 10 wide: the last row's padding (2 bytes) may be missing
        BmpLayout s;
        s.width = 10; s.height = 3; s.bitCount = 1;
        s.palette = {0x102030, 0xf0e0d0};
        s.bits = BmpRows(1, {{1, 0, 1, 0, 1, 0, 1, 0, 1, 1},
                             {0, 0, 0, 0, 1, 1, 1, 1, 0, 0},
                             {1, 1, 0, 0, 1, 1, 0, 0, 1, 0}});
        add("bmp-1bit.bmp", Format::Bmp, MakeBmp(s), 2);
    }
    {   // 4 bits, top-down, short colour table
        BmpLayout s;
        s.width = 5; s.height = -2; s.bitCount = 4; s.colorsUsed = 3;
        s.palette = {0xff0000, 0x00ff00, 0x0000ff};
        s.bits = BmpRows(4, {{0, 1, 2, 1, 0}, {2, 2, 1, 0, 7}});
        add("bmp-4bit-topdown.bmp", Format::Bmp, MakeBmp(s), 1);
    }
    {   // 8 bits, OS/2 core header
        BmpLayout s;
        s.infoSize = 12; s.width = 4; s.height = 2; s.bitCount = 8;
        for (std::uint32_t i = 0; i < 256; ++i) s.palette.push_back(i * 0x010101u);
        s.bits = BmpRows(8, {{0, 64, 128, 255}, {255, 128, 64, 0}});
        add("bmp-8bit-os2.bmp", Format::Bmp, MakeBmp(s));
    }
    {   // 24 bits, V5 header, resolution
        BmpLayout s;
        s.infoSize = 124; s.width = 4; s.height = 2; s.pelsPerMeterX = 11811;
        s.pelsPerMeterY = 3780;
        s.bits = BmpRows(24, {{0x000000, 0xff0000, 0x00ff00, 0x0000ff},
                              {0xffffff, 0x808080, 0x123456, 0xfedcba}});
        add("bmp-24bit-v5.bmp", Format::Bmp, MakeBmp(s));
    }
    {   // 16 bits, default 5-5-5
        BmpLayout s;
        s.width = 2; s.height = 2; s.bitCount = 16;
        s.bits = BmpRows(16, {{0x7c00, 0x03e0}, {0x001f, 0x7fff}});
        add("bmp-16bit-555.bmp", Format::Bmp, MakeBmp(s));
    }
    {   // 16 bits, 5-6-5 bit fields after a 40-byte header
        BmpLayout s;
        s.width = 2; s.height = 2; s.bitCount = 16; s.compression = 3;
        s.masks[0] = 0xf800; s.masks[1] = 0x07e0; s.masks[2] = 0x001f;
        s.bits = BmpRows(16, {{0xf800, 0x07e0}, {0x001f, 0x8410}});
        add("bmp-16bit-565.bmp", Format::Bmp, MakeBmp(s));
    }
    {   // 32 bits, default 8-8-8
        BmpLayout s;
        s.width = 2; s.height = 2; s.bitCount = 32;
        s.bits = BmpRows(32, {{0x00ff0000, 0x0000ff00}, {0x000000ff, 0x00808080}});
        add("bmp-32bit.bmp", Format::Bmp, MakeBmp(s));
    }
    {   // 32 bits with an alpha mask, V4 header
        BmpLayout s;
        s.infoSize = 108; s.width = 2; s.height = 2; s.bitCount = 32; s.compression = 3;
        s.masks[0] = 0x00ff0000; s.masks[1] = 0x0000ff00; s.masks[2] = 0x000000ff;
        s.masks[3] = 0xff000000;
        s.bits = BmpRows(32, {{0xffff0000, 0x8000ff00}, {0x000000ff, 0x40404040}});
        add("bmp-32bit-alpha-v4.bmp", Format::Bmp, MakeBmp(s));
    }
    {   // RLE8: run, absolute run, delta, end of line, end of bitmap
        BmpLayout s;
        s.width = 6; s.height = 4; s.bitCount = 8; s.compression = 1; s.colorsUsed = 4;
        s.palette = {0x000000, 0xff0000, 0x00ff00, 0x0000ff};
        s.bits = {0x03, 0x01, 0x00, 0x03, 0x02, 0x03, 0x02, 0x00, 0x00, 0x00, // row 0
                  0x02, 0x01, 0x00, 0x02, 0x03, 0x01,                         // row 1, delta
                  0x01, 0x03, 0x00, 0x00,                                     // row 2
                  0x06, 0x02, 0x00, 0x01};                                    // row 3, end
        add("bmp-rle8.bmp", Format::Bmp, MakeBmp(s), 2);
    }
    {   // RLE4: run of alternating nibbles, absolute run, end of line, end of bitmap
        BmpLayout s;
        s.width = 5; s.height = 2; s.bitCount = 4; s.compression = 2; s.colorsUsed = 4;
        s.palette = {0x000000, 0xff0000, 0x00ff00, 0x0000ff};
        s.bits = {0x05, 0x12, 0x00, 0x00,              // row 0: 1 2 1 2 1
                  0x00, 0x05, 0x32, 0x10, 0x30, 0x00,  // row 1: 3 2 1 0 3
                  0x00, 0x01};
        add("bmp-rle4.bmp", Format::Bmp, MakeBmp(s), 2);
    }

    {   // GIF: global table, graphic control, an application extension, small sub-blocks
        GifLayout s;
        s.width = 5; s.height = 4; s.minCodeSize = 2;
        s.globalTable = {0x000000, 0xff0000, 0x00ff00, 0x0000ff};
        s.transparent = 2;
        s.extensions = {0x21, 0xff, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                        3, 1, 0, 0, 0};
        const std::vector<std::uint8_t> px = {1, 1, 1, 1, 1, 0, 1, 2, 3, 0, 2, 2, 2, 2, 2,
                                              3, 0, 3, 0, 3};
        s.lzw = LzwEncode(px, 2);
        s.blockSize = 3;
        add("gif-global.gif", Format::Gif, MakeGif(s), 1);
    }
    {   // GIF: interlaced, local table over the global one
        GifLayout s;
        s.width = 3; s.height = 9; s.minCodeSize = 3;
        s.globalTable = {0x111111, 0x222222};
        s.localTable = {0x000000, 0x100000, 0x200000, 0x300000,
                        0x400000, 0x500000, 0x600000, 0x700000};
        s.interlaced = true;
        std::vector<std::uint8_t> px;
        for (int i = 0; i < 27; ++i) px.push_back(static_cast<std::uint8_t>(i % 8));
        s.lzw = LzwEncode(px, 3);
        add("gif-interlaced-local.gif", Format::Gif, MakeGif(s), 1);
    }

    add("pnm-p1.pbm", Format::Pnm, FromString("P1\n# plain bits\n4 2\n1 0 1 1\n0101\n"), 1);
    add("pnm-p2.pgm", Format::Pnm, FromString("P2 3 2 15\n0 7 15\n15 8 0\n"), 1);
    add("pnm-p3.ppm", Format::Pnm, FromString("P3\n2 1\n255\n255 0 0  0 0 9\n"), 1);
    {
        Bytes b = FromString("P4\n# raw bits\n10 2\n");
        Append(b, {0xa5, 0xc0, 0x0f, 0x40});
        add("pnm-p4.pbm", Format::Pnm, b);
    }
    {
        Bytes b = FromString("P5 3 1 255\n");
        Append(b, {0, 128, 255});
        add("pnm-p5.pgm", Format::Pnm, b);
    }
    {
        Bytes b = FromString("P5 2 1 65535\n");
        Append(b, {0x00, 0x00, 0xff, 0xff});
        add("pnm-p5-16bit.pgm", Format::Pnm, b);
    }
    {
        Bytes b = FromString("P6\n2 1\n255\n");
        Append(b, {255, 0, 0, 1, 2, 3});
        add("pnm-p6.ppm", Format::Pnm, b);
    }
    {
        Bytes b = FromString("P6 1 1 1000\n");
        for (std::uint32_t v : {1000u, 500u, 0u}) PutBE16(b, v);
        add("pnm-p6-16bit.ppm", Format::Pnm, b);
    }
    return out;
}

} // namespace fixtures
