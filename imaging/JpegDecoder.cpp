// JPEG through libjpeg(-turbo). Greyscale becomes 8 bits with a grey table; colour is
// decoded by the library straight into the 32-bit pixel buffer; CMYK and YCCK are converted
// to RGB here.
#include "Decoders.h"

#include <QtGlobal>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

namespace imaging {
namespace {

// Real progressive files use around ten scans; a stream with far more is built to make
// every scan redo work over the whole picture.
constexpr int kMaxScans = 1000;
constexpr int kRowBatch = 16;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool started; // jpeg_start_decompress has returned
};

// Everything the library touches lives here, outside the frame that calls setjmp, so a
// long jump skips no C++ object.
struct JpegState {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
};

[[noreturn]] void Fail(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void OnError(j_common_ptr cinfo) {
    Fail(cinfo);
}

void OnOutput(j_common_ptr) {} // nothing goes to stderr

// Warnings the library would recover from by inventing data mean the file is cut short:
// missing entropy data, or the end of the file before all scans were seen. A missing
// end-of-image marker after complete data is tolerated.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    if (code == JWRN_HIT_MARKER || (code == JWRN_JPEG_EOF && !err->started)) Fail(cinfo);
    cinfo->err->num_warnings++;
}

void OnProgress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "Too many JPEG scans");
        std::longjmp(err->jump, 1);
    }
}

bool ReadRows(j_decompress_ptr cinfo, std::uint8_t* base, std::size_t stride) {
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW rows[kRowBatch];
        const JDIMENSION first = cinfo->output_scanline;
        const int count =
            static_cast<int>(std::min<JDIMENSION>(kRowBatch, cinfo->output_height - first));
        for (int i = 0; i < count; ++i)
            rows[i] = base + static_cast<std::size_t>(first + i) * stride;
        if (jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(count)) == 0) return false;
    }
    return true;
}

int Mul255(int a, int b) {
    return (a * b + 127) / 255;
}

// The decode proper. Holds no C++ objects of its own: errors long-jump back to the setjmp
// below past library frames only.
bool DecodeInto(JpegState& st, const std::uint8_t* data, std::size_t size, Picture& pic) {
    j_decompress_ptr cinfo = &st.cinfo;
    cinfo->err = jpeg_std_error(&st.err.pub);
    st.err.pub.error_exit = OnError;
    st.err.pub.emit_message = OnMessage;
    st.err.pub.output_message = OnOutput;
    st.err.started = false;
    st.err.message[0] = '\0';
    if (setjmp(st.err.jump)) return false;

    jpeg_create_decompress(cinfo);
    st.progress.progress_monitor = OnProgress;
    cinfo->progress = &st.progress;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);

    const bool grey = cinfo->jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    if (grey) {
        cinfo->out_color_space = JCS_GRAYSCALE;
    } else if (cmyk) {
        cinfo->out_color_space = JCS_CMYK;
    } else {
        // Byte order B, G, R, A is a QRgb in memory on little-endian machines.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        cinfo->out_color_space = JCS_EXT_BGRA;
#else
        cinfo->out_color_space = JCS_EXT_ARGB;
#endif
    }
    jpeg_calc_output_dimensions(cinfo);
    if (!SizeAcceptable(cinfo->output_width, cinfo->output_height)) {
        std::snprintf(st.err.message, sizeof st.err.message, "JPEG picture too large");
        return false;
    }

    const int width = static_cast<int>(cinfo->output_width);
    const int height = static_cast<int>(cinfo->output_height);
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    pic.width = width;
    pic.height = height;
    if (grey) {
        pic.MakeGrey8(n);
    } else {
        pic.bitCount = 24;
        pic.pixels.resize(n);
    }

    jpeg_start_decompress(cinfo);
    st.err.started = true;
    if (cinfo->output_width != static_cast<JDIMENSION>(width) ||
        cinfo->output_height != static_cast<JDIMENSION>(height) ||
        cinfo->output_components != (grey ? 1 : 4)) {
        std::snprintf(st.err.message, sizeof st.err.message, "Unexpected JPEG output layout");
        return false;
    }
    std::uint8_t* base =
        grey ? pic.indices.data() : reinterpret_cast<std::uint8_t*>(pic.pixels.data());
    const std::size_t stride = static_cast<std::size_t>(width) * (grey ? 1 : 4);
    if (!ReadRows(cinfo, base, stride)) {
        std::snprintf(st.err.message, sizeof st.err.message, "JPEG data ended early");
        return false;
    }

    if (cmyk) {
        // Adobe writes CMYK inverted (0 is full ink) and says so with its marker; without
        // it the samples are plain ink amounts.
        const bool inverted = cinfo->saw_Adobe_marker;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t* s = base + i * 4;
            int c = s[0], m = s[1], y = s[2], k = s[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            pic.pixels[i] = qRgb(Mul255(c, k), Mul255(m, k), Mul255(y, k));
        }
    }

    if (cinfo->saw_JFIF_marker && cinfo->X_density > 0 && cinfo->Y_density > 0) {
        if (cinfo->density_unit == 1) {
            pic.dpiX = cinfo->X_density;
            pic.dpiY = cinfo->Y_density;
        } else if (cinfo->density_unit == 2) { // dots per centimetre
            pic.dpiX = (cinfo->X_density * 254 + 50) / 100;
            pic.dpiY = (cinfo->Y_density * 254 + 50) / 100;
        }
    }
    return true;
}

} // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Picture& out, std::string& error) {
    if (!data || size < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) {
        error = "Not a JPEG file";
        return false;
    }
    JpegState st{};
    Picture pic;
    bool ok = false;
    try {
        ok = DecodeInto(st, data, size, pic);
    } catch (const std::bad_alloc&) {
        std::snprintf(st.err.message, sizeof st.err.message, "Can't allocate memory");
        ok = false;
    }
    jpeg_destroy_decompress(&st.cinfo);
    if (!ok) {
        error = st.err.message[0] ? st.err.message : "Corrupted JPEG file";
        return false;
    }
    out = std::move(pic);
    return true;
}

} // namespace imaging
