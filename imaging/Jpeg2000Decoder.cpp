// The JPEG-2000 family through OpenJPEG (JP2 files and raw J2K code streams), read from
// memory, plus the portable any-maps, which this family's decoder recognises by content.
// OpenJPEG reports through callbacks and return values only, so every handle is owned by
// a smart pointer and released on every path.
#include "Decoders.h"

#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace imaging {
namespace {

constexpr std::uint32_t kMaxComponents = 64;

struct MemorySource {
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
    std::uint64_t pos = 0;
};

OPJ_SIZE_T OnRead(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* src = static_cast<MemorySource*>(user);
    if (src->pos >= src->size) return static_cast<OPJ_SIZE_T>(-1);
    const std::uint64_t n = std::min<std::uint64_t>(count, src->size - src->pos);
    std::memcpy(buffer, src->data + src->pos, static_cast<std::size_t>(n));
    src->pos += n;
    return static_cast<OPJ_SIZE_T>(n);
}

OPJ_OFF_T OnSkip(OPJ_OFF_T count, void* user) {
    auto* src = static_cast<MemorySource*>(user);
    if (count < 0) {
        const std::uint64_t back = static_cast<std::uint64_t>(-count);
        if (back > src->pos) return -1;
        src->pos -= back;
        return count;
    }
    // Skipping past the end is allowed; the next read then reports the end.
    src->pos += static_cast<std::uint64_t>(count);
    return count;
}

OPJ_BOOL OnSeek(OPJ_OFF_T position, void* user) {
    auto* src = static_cast<MemorySource*>(user);
    if (position < 0 || static_cast<std::uint64_t>(position) > src->size) return OPJ_FALSE;
    src->pos = static_cast<std::uint64_t>(position);
    return OPJ_TRUE;
}

struct Messages {
    char first[256] = {};
};

void OnErrorMessage(const char* msg, void* user) {
    auto* m = static_cast<Messages*>(user);
    if (m->first[0] == '\0' && msg) {
        std::snprintf(m->first, sizeof m->first, "%s", msg);
        // OpenJPEG ends its messages with a newline.
        const std::size_t len = std::strlen(m->first);
        if (len > 0 && m->first[len - 1] == '\n') m->first[len - 1] = '\0';
    }
}

void OnQuietMessage(const char*, void*) {}

struct StreamCloser {
    void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct CodecCloser {
    void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct ImageCloser {
    void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};

bool IsJp2(const std::uint8_t* d, std::size_t size) {
    static const std::uint8_t kSignature[12] = {0,   0,   0,    0x0C, 'j',  'P',
                                                ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    return size >= sizeof kSignature && std::memcmp(d, kSignature, sizeof kSignature) == 0;
}

bool IsJ2k(const std::uint8_t* d, std::size_t size) {
    return size >= 4 && d[0] == 0xFF && d[1] == 0x4F && d[2] == 0xFF && d[3] == 0x51;
}

bool IsPnm(const std::uint8_t* d, std::size_t size) {
    return size >= 2 && d[0] == 'P' && d[1] >= '1' && d[1] <= '6';
}

// A component's samples brought to 0..255.
struct Channel {
    const opj_image_comp_t* comp = nullptr;
    std::int64_t offset = 0;
    int shift = 0;
    std::int64_t max = 255;

    void Init(const opj_image_comp_t& c) {
        comp = &c;
        const int prec = static_cast<int>(std::clamp<OPJ_UINT32>(c.prec, 1, 31));
        offset = c.sgnd ? (std::int64_t{1} << (prec - 1)) : 0;
        max = (std::int64_t{1} << prec) - 1;
        shift = prec > 8 ? prec - 8 : 0;
    }
    std::uint8_t Sample(std::size_t i) const {
        std::int64_t v = std::int64_t{comp->data[i]} + offset;
        v = std::clamp<std::int64_t>(v, 0, max);
        if (shift > 0) return static_cast<std::uint8_t>(v >> shift);
        return static_cast<std::uint8_t>(max == 255 ? v : v * 255 / max);
    }
};

int Clamp8(double v) {
    return static_cast<int>(std::clamp(std::lround(v), 0L, 255L));
}

bool ToPicture(const opj_image_t& image, Picture& pic, std::string& error) {
    const std::uint32_t count = image.numcomps;
    // The picture's size is that of the first component; the others are sampled onto it
    // (chroma planes may be subsampled).
    const opj_image_comp_t& c0 = image.comps[0];
    const std::uint32_t width = c0.w;
    const std::uint32_t height = c0.h;
    if (!SizeAcceptable(width, height)) {
        error = "JPEG-2000 picture too large";
        return false;
    }
    std::vector<int> colour;
    int alphaIndex = -1;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!image.comps[i].data || image.comps[i].w == 0 || image.comps[i].h == 0) {
            error = "JPEG-2000 component without data";
            return false;
        }
        if (image.comps[i].alpha) {
            if (alphaIndex < 0) alphaIndex = static_cast<int>(i);
        } else {
            colour.push_back(static_cast<int>(i));
        }
    }
    const bool cmyk = image.color_space == OPJ_CLRSPC_CMYK && colour.size() >= 4;
    // Without channel definitions (raw code streams) a second or fourth component beside
    // grey or RGB is taken as alpha.
    if (alphaIndex < 0 && !cmyk && (colour.size() == 2 || colour.size() == 4)) {
        alphaIndex = colour.back();
        colour.pop_back();
    }
    if (colour.empty()) {
        error = "JPEG-2000 picture without colour components";
        return false;
    }
    const bool grey = colour.size() < 3;
    const bool ycc = !grey && !cmyk &&
                     (image.color_space == OPJ_CLRSPC_SYCC || image.color_space == OPJ_CLRSPC_EYCC);

    std::vector<int> used(colour.begin(), colour.begin() + (grey ? 1 : cmyk ? 4 : 3));
    if (alphaIndex >= 0) used.push_back(alphaIndex);
    std::vector<Channel> ch(used.size());
    // Per channel, the source column of every picture column.
    std::vector<std::vector<std::uint32_t>> columns(used.size());
    for (std::size_t k = 0; k < used.size(); ++k) {
        const opj_image_comp_t& c = image.comps[used[k]];
        ch[k].Init(c);
        columns[k].resize(width);
        for (std::uint32_t x = 0; x < width; ++x)
            columns[k][x] = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(std::uint64_t{x} * c.w / width, c.w - 1));
    }
    auto sampleAt = [&](std::size_t k, std::uint32_t x, std::uint32_t y) {
        const opj_image_comp_t& c = *ch[k].comp;
        const std::uint64_t row = std::min<std::uint64_t>(std::uint64_t{y} * c.h / height, c.h - 1);
        return ch[k].Sample(static_cast<std::size_t>(row * c.w + columns[k][x]));
    };

    const std::size_t n = static_cast<std::size_t>(width) * height;
    pic.width = static_cast<int>(width);
    pic.height = static_cast<int>(height);
    const std::size_t alphaChannel = used.size() - 1;
    if (alphaIndex >= 0) pic.alpha.resize(n);
    if (grey) {
        pic.MakeGrey8(n);
    } else {
        pic.bitCount = 24;
        pic.pixels.resize(n);
    }
    std::size_t i = 0;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x, ++i) {
            if (alphaIndex >= 0) pic.alpha[i] = sampleAt(alphaChannel, x, y);
            if (grey) {
                pic.indices[i] = sampleAt(0, x, y);
                continue;
            }
            const int a = sampleAt(0, x, y), b = sampleAt(1, x, y), c = sampleAt(2, x, y);
            if (cmyk) {
                const int k = 255 - sampleAt(3, x, y);
                pic.pixels[i] = qRgb((255 - a) * k / 255, (255 - b) * k / 255, (255 - c) * k / 255);
            } else if (ycc) {
                const double cb = b - 128.0, cr = c - 128.0;
                pic.pixels[i] =
                    qRgb(Clamp8(a + 1.402 * cr), Clamp8(a - 0.344136 * cb - 0.714136 * cr),
                         Clamp8(a + 1.772 * cb));
            } else {
                pic.pixels[i] = qRgb(a, b, c);
            }
        }
    }
    return true;
}

} // namespace

bool DecodeJpeg2000(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error) {
    if (data && IsPnm(data, size)) return DecodePnm(data, size, out, error);
    if (!data || !(IsJp2(data, size) || IsJ2k(data, size))) {
        error = "Not a JPEG-2000 file";
        return false;
    }
    MemorySource src{data, size, 0};
    Messages messages;
    std::unique_ptr<opj_stream_t, StreamCloser> stream(
        opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
    std::unique_ptr<opj_codec_t, CodecCloser> codec(
        opj_create_decompress(IsJp2(data, size) ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!stream || !codec) {
        error = "Can't allocate memory";
        return false;
    }
    opj_stream_set_user_data(stream.get(), &src, nullptr);
    opj_stream_set_user_data_length(stream.get(), size);
    opj_stream_set_read_function(stream.get(), OnRead);
    opj_stream_set_skip_function(stream.get(), OnSkip);
    opj_stream_set_seek_function(stream.get(), OnSeek);
    opj_set_error_handler(codec.get(), OnErrorMessage, &messages);
    opj_set_warning_handler(codec.get(), OnQuietMessage, nullptr);
    opj_set_info_handler(codec.get(), OnQuietMessage, nullptr);

    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    auto failed = [&](const char* fallback) {
        error = messages.first[0] ? messages.first : fallback;
        return false;
    };
    if (!opj_setup_decoder(codec.get(), &params))
        return failed("cannot set up the JPEG-2000 decoder");
    // A cut-off stream is a failed decode, not a blurred picture.
    opj_decoder_set_strict_mode(codec.get(), OPJ_TRUE);

    opj_image_t* raw = nullptr;
    const bool header = opj_read_header(stream.get(), codec.get(), &raw);
    std::unique_ptr<opj_image_t, ImageCloser> image(raw);
    if (!header || !image) return failed("Corrupted JPEG-2000 file");
    if (image->numcomps == 0 || image->numcomps > kMaxComponents) {
        error = "JPEG-2000: unsupported number of components";
        return false;
    }
    // Checked before decoding: OpenJPEG allocates a 32-bit plane per component.
    std::uint64_t samples = 0;
    for (std::uint32_t i = 0; i < image->numcomps; ++i) {
        const opj_image_comp_t& c = image->comps[i];
        if (!SizeAcceptable(c.w, c.h)) {
            error = "JPEG-2000 picture too large";
            return false;
        }
        samples += std::uint64_t{c.w} * c.h;
    }
    if (samples > kMaxPixels) {
        error = "JPEG-2000 picture too large";
        return false;
    }
    if (!opj_decode(codec.get(), stream.get(), image.get()) ||
        !opj_end_decompress(codec.get(), stream.get()))
        return failed("Corrupted JPEG-2000 file");

    Picture pic;
    try {
        if (!ToPicture(*image, pic, error)) return false;
    } catch (const std::bad_alloc&) {
        error = "Can't allocate memory";
        return false;
    }
    out = std::move(pic);
    return true;
}

} // namespace imaging
