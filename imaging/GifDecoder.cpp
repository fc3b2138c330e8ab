// GIF 87a/89a: the facade's own decoder. Only the first image of the file is decoded.
//
// The picture is the first image descriptor's rectangle; its position on the logical screen
// and the screen's own size are ignored, since pictures here are single frames and a
// frame's border of background would only add pixels nobody drew. The picture is always
// 8 bits per pixel with a 256-entry colour table (the file's table padded with black), so
// every index the LZW stream can produce has a colour.
//
// Failure policy: a file cut anywhere before the end of the image's data blocks fails, as
// does a stream that yields no pixel at all. A stream that is complete as blocks but broken
// as LZW (a bad code, a code beyond the next free one, data ending without the end code)
// ends decoding there: what was decoded so far is kept and the remaining pixels are index 0.
#include "Decoders.h"

#include <array>
#include <new>

namespace imaging {
namespace {

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Reads LZW codes, least significant bit first, across the image's data sub-blocks in
// place. `complete` tells whether the block chain ended with its zero-length terminator.
class CodeReader {
public:
    CodeReader(const std::uint8_t* p, const std::uint8_t* end) : p_(p), end_(end) {}

    // Returns -1 once the data is exhausted.
    int Read(int bits) {
        while (count_ < bits) {
            if (blockLeft_ == 0) {
                if (done_ || !NextBlock()) return -1;
                continue;
            }
            buffer_ |= static_cast<std::uint32_t>(*p_++) << count_;
            count_ += 8;
            --blockLeft_;
        }
        const int code = static_cast<int>(buffer_ & ((1u << bits) - 1));
        buffer_ >>= bits;
        count_ -= bits;
        return code;
    }

    // Skips the rest of the block chain; false when the file ends inside it.
    bool SkipToEnd() {
        while (!done_) {
            p_ += blockLeft_;
            blockLeft_ = 0;
            if (!NextBlock()) return done_;
        }
        return true;
    }

private:
    bool NextBlock() {
        if (p_ >= end_) return false; // cut: no terminator
        const std::size_t n = *p_++;
        if (n == 0) {
            done_ = true;
            return false;
        }
        if (static_cast<std::size_t>(end_ - p_) < n) {
            p_ = end_;
            return false;
        }
        blockLeft_ = n;
        return true;
    }

    const std::uint8_t* p_;
    const std::uint8_t* end_;
    std::size_t blockLeft_ = 0;
    std::uint32_t buffer_ = 0;
    int count_ = 0;
    bool done_ = false;
};

// Order in which stored rows appear in an interlaced image: every 8th row from 0, every
// 8th from 4, every 4th from 2, every 2nd from 1.
std::vector<int> RowOrder(int height, bool interlaced) {
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y) order.push_back(y);
        return order;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
    return order;
}

// Decodes LZW codes into `indices` in stream order, mapped through the row order.
// Returns the number of pixels written.
std::size_t DecodeLzw(CodeReader& reader, int minCodeSize, int width,
                      const std::vector<int>& rows, std::vector<std::uint8_t>& indices) {
    constexpr int kMaxCodes = 4096;
    std::array<std::uint16_t, kMaxCodes> prefix{};
    std::array<std::uint8_t, kMaxCodes> suffix{};
    std::array<std::uint8_t, kMaxCodes> stack{};

    const int clear = 1 << minCodeSize;
    const int endCode = clear + 1;
    int codeSize = minCodeSize + 1;
    int next = clear + 2;
    int prev = -1;
    std::uint8_t first = 0; // first pixel of the previous code's string

    const std::size_t total = indices.size();
    std::size_t written = 0;
    auto emit = [&](std::uint8_t v) {
        if (written >= total) return;
        const std::size_t row = written / static_cast<std::size_t>(width);
        const std::size_t col = written % static_cast<std::size_t>(width);
        indices[static_cast<std::size_t>(rows[row]) * static_cast<std::size_t>(width) + col] = v;
        ++written;
    };

    while (written < total) {
        const int code = reader.Read(codeSize);
        if (code < 0 || code == endCode) break;
        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (prev < 0) {
            if (code >= clear) break; // only a root code may follow a clear
            first = static_cast<std::uint8_t>(code);
            emit(first);
            prev = code;
            continue;
        }
        int c = code;
        int depth = 0;
        if (code == next) {
            // KwKwK: the code being defined right now is the previous string plus its own
            // first pixel.
            stack[depth++] = first;
            c = prev;
        } else if (code > next) {
            break;
        }
        while (c >= clear) {
            // Entries chain back strictly to lower codes, so the depth stays below the table.
            stack[depth++] = suffix[static_cast<std::size_t>(c)];
            c = prefix[static_cast<std::size_t>(c)];
        }
        stack[depth++] = static_cast<std::uint8_t>(c);
        first = static_cast<std::uint8_t>(c);
        while (depth > 0) emit(stack[--depth]);

        if (next < kMaxCodes) {
            prefix[static_cast<std::size_t>(next)] = static_cast<std::uint16_t>(prev);
            suffix[static_cast<std::size_t>(next)] = first;
            ++next;
            if (next == (1 << codeSize) && codeSize < 12) ++codeSize;
        }
        prev = code;
    }
    return written;
}

bool DecodeGifImpl(const std::uint8_t* data, std::size_t size, Picture& out,
                   std::string& error) {
    if (data == nullptr || size < 6 || data[0] != 'G' || data[1] != 'I' || data[2] != 'F' ||
        data[3] != '8') {
        error = "Not a GIF";
        return false;
    }
    const std::uint8_t* p = data + 6;
    const std::uint8_t* const end = data + size;
    auto left = [&] { return static_cast<std::size_t>(end - p); };

    if (left() < 7) {
        error = "Error reading GIF screen";
        return false;
    }
    const std::uint8_t screenFlags = p[4];
    p += 7;
    const std::uint8_t* globalTable = nullptr;
    std::size_t globalCount = 0;
    if (screenFlags & 0x80) {
        globalCount = std::size_t{2} << (screenFlags & 7);
        if (left() < 3 * globalCount) {
            error = "Error reading GIF colour table";
            return false;
        }
        globalTable = p;
        p += 3 * globalCount;
    }

    int transparent = -1;
    for (;;) {
        if (left() < 1) {
            error = "Error reading GIF block";
            return false;
        }
        const std::uint8_t introducer = *p++;
        if (introducer == 0x2c) break; // image descriptor
        if (introducer == 0x3b) {
            error = "GIF has no image";
            return false;
        }
        if (introducer != 0x21 || left() < 1) {
            error = "Error reading GIF block";
            return false;
        }
        const std::uint8_t label = *p++;
        bool firstBlock = true;
        for (;;) {
            if (left() < 1) {
                error = "Error reading GIF block";
                return false;
            }
            const std::size_t n = *p++;
            if (n == 0) break;
            if (left() < n) {
                error = "Error reading GIF block";
                return false;
            }
            // Graphic control: the last one before the image governs it.
            if (label == 0xf9 && firstBlock && n >= 4) transparent = (p[0] & 1) ? p[3] : -1;
            firstBlock = false;
            p += n;
        }
    }

    if (left() < 9) {
        error = "Error reading GIF image";
        return false;
    }
    const int width = U16(p + 4);
    const int height = U16(p + 6);
    const std::uint8_t imageFlags = p[8];
    p += 9;
    if (!SizeAcceptable(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height))) {
        error = "Error reading GIF image";
        return false;
    }
    const std::uint8_t* table = globalTable;
    std::size_t tableCount = globalCount;
    if (imageFlags & 0x80) {
        tableCount = std::size_t{2} << (imageFlags & 7);
        if (left() < 3 * tableCount) {
            error = "Error reading GIF colour table";
            return false;
        }
        table = p;
        p += 3 * tableCount;
    }
    if (left() < 1) {
        error = "Error reading GIF image";
        return false;
    }
    const int minCodeSize = *p++;
    if (minCodeSize < 2 || minCodeSize > 8) {
        error = "Bad GIF code size";
        return false;
    }

    Picture pic;
    pic.width = width;
    pic.height = height;
    pic.bitCount = 8;
    pic.transparentIndex = transparent;
    pic.palette.assign(256, 0xff000000u);
    if (table != nullptr) {
        for (std::size_t i = 0; i < tableCount; ++i)
            pic.palette[i] = qRgb(table[3 * i], table[3 * i + 1], table[3 * i + 2]);
    } else {
        // No colour table at all: a grey ramp over the values the code size allows.
        const int levels = (1 << minCodeSize) - 1;
        for (int i = 0; i <= levels; ++i) {
            const int g = i * 255 / levels;
            pic.palette[static_cast<std::size_t>(i)] = qRgb(g, g, g);
        }
    }

    pic.indices.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    const std::vector<int> rows = RowOrder(height, (imageFlags & 0x40) != 0);
    CodeReader reader(p, end);
    const std::size_t written = DecodeLzw(reader, minCodeSize, width, rows, pic.indices);
    if (!reader.SkipToEnd()) {
        error = "Error reading GIF data";
        return false;
    }
    if (written == 0) {
        error = "Corrupted GIF data";
        return false;
    }
    out = std::move(pic);
    return true;
}

} // namespace

bool DecodeGif(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error) {
    try {
        return DecodeGifImpl(data, size, out, error);
    } catch (const std::bad_alloc&) {
        error = "Can't allocate memory";
        return false;
    }
}

} // namespace imaging
