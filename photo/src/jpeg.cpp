// JPEG through libjpeg's own API: the headers probed first, then the rows decoded at the
// plan's DCT scale. The memory manager is held to the plan's budget (libjpeg-turbo has no
// backing store, so a coefficient buffer beyond it is refused before it exists), a progress
// monitor counts the scans, and every warning (data that ends early or contradicts itself)
// ends the decode: no picture is shown with parts that were never decoded.
#include "colour.h"
#include "libphoto/orientation.h"
#include "road.h"

#include "libgr/pixel_format.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

// jpeglib.h first: jerror.h numbers its messages by the JPEG_LIB_VERSION that jpeglib.h's
// configuration defines, so the other order names the wrong messages in a libjpeg 7 or 8 build.
#include <jpeglib.h>

#include <jerror.h>

namespace libphoto::detail {

namespace {

// libjpeg reports failures by calling back; these unwind to the guard with longjmp, over
// libjpeg's own frames and frames that hold nothing to destroy.
struct Guard {
    jpeg_error_mgr mgr{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    Error error;
    std::uint32_t mostScans = 0;
};

Guard& guardOf(j_common_ptr cinfo) {
    return *reinterpret_cast<Guard*>(cinfo->err); // mgr is the first member
}

[[noreturn]] void refuse(j_common_ptr cinfo, grErrc code) {
    Guard& g = guardOf(cinfo);
    if (!g.error) {
        char text[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(cinfo, text);
        g.error = Error(code, "JPEG", text);
    }
    std::longjmp(g.jump, 1);
}

void errorExit(j_common_ptr cinfo) {
    switch (cinfo->err->msg_code) {
    case JERR_NO_BACKING_STORE:
    case JERR_OUT_OF_MEMORY:
        guardOf(cinfo).error =
            Error(grErrc::overBudget, "JPEG: the decoder would need more than the memory budget");
        break;
    case JERR_INPUT_EOF:
        refuse(cinfo, grErrc::truncated);
    default:
        break;
    }
    refuse(cinfo, grErrc::corrupt);
}

// Level -1 is a warning: the data is damaged or ends early. Trace levels are ignored.
void emitMessage(j_common_ptr cinfo, int level) {
    if (level < 0)
        refuse(cinfo, cinfo->err->msg_code == JWRN_JPEG_EOF ? grErrc::truncated : grErrc::corrupt);
}

void outputMessage(j_common_ptr) {}

void countScans(j_common_ptr cinfo) {
    Guard& g = guardOf(cinfo);
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > 0 && std::uint32_t(d->input_scan_number) > g.mostScans) {
        g.error = Error(grErrc::tooManyScans, "JPEG: more scans than allowed");
        std::longjmp(g.jump, 1);
    }
}

// Inverted CMYK (as Adobe and libjpeg store it: 255 is no ink) to opaque BGRA, in place.
void cmykToBgra(unsigned char* p, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x, p += 4) {
        const unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        p[0] = static_cast<unsigned char>((y * k + 127) / 255);
        p[1] = static_cast<unsigned char>((m * k + 127) / 255);
        p[2] = static_cast<unsigned char>((c * k + 127) / 255);
        p[3] = 255;
    }
}

class JpegSource final : public RowSource {
public:
    JpegSource(const unsigned char* data, std::size_t size) : data_(data), size_(size) {
        cinfo_.err = jpeg_std_error(&guard_.mgr);
        guard_.mgr.error_exit = errorExit;
        guard_.mgr.emit_message = emitMessage;
        guard_.mgr.output_message = outputMessage;
        guard_.progress.progress_monitor = countScans;
    }
    ~JpegSource() override {
        if (created_)
            jpeg_destroy_decompress(&cinfo_);
    }
    JpegSource(const JpegSource&) = delete;
    JpegSource& operator=(const JpegSource&) = delete;

    Error probe(ProbeInfo& info, const Limits& limits) override {
        if (size_ > 0xFFFFFFFFu)
            return Error(grErrc::fileTooLong, "JPEG: the file is too long");
        guard_.mostScans = limits.scans;
        if (!guarded([this, &limits] {
                jpeg_create_decompress(&cinfo_);
                created_ = true;
                cinfo_.mem->max_memory_to_use = static_cast<long>(limits.workBytes);
                cinfo_.progress = &guard_.progress;
                jpeg_mem_src(&cinfo_, data_, static_cast<unsigned long>(size_));
                jpeg_read_header(&cinfo_, TRUE);
            }))
            return guard_.error;
        info.kind = PhotoKind::Jpeg;
        info.width = cinfo_.image_width;
        info.height = cinfo_.image_height;
        info.orientation = jpegOrientation(data_, size_);
        info.colour.icc = jpegIccProfile(data_, size_);
        info.layout = libgr::grLayoutBGRA;
        info.hasAlpha = false;
        info.scales.clear();
        for (std::uint32_t k = 1; k <= 8; ++k)
            info.scales.push_back({k, 8});
        // Every component's blocks, rounded up to whole MCUs, as the coefficient buffer of a
        // picture decoded in several scans holds them; and the rows of one MCU row, twice.
        std::uint64_t blocks = 0, rows = 0;
        for (int i = 0; i < cinfo_.num_components; ++i) {
            const jpeg_component_info& c = cinfo_.comp_info[i];
            const std::uint64_t h = c.h_samp_factor, v = c.v_samp_factor;
            blocks += (c.width_in_blocks + h - 1) / h * h * ((c.height_in_blocks + v - 1) / v * v);
            rows += std::uint64_t{c.width_in_blocks} * 8 * v * 8 * 2;
        }
        const bool buffered =
            cinfo_.progressive_mode || cinfo_.comps_in_scan < cinfo_.num_components;
        info.bufferedBytes = buffered ? blocks * DCTSIZE2 * sizeof(JCOEF) : 0;
        info.rowBytes = rows + std::uint64_t{cinfo_.image_width} * 4;
        return Error();
    }

    Error decode(const Plan& plan, RowSink& sink) override {
        const bool cmyk =
            cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
        std::vector<unsigned char> row(std::size_t{plan.decoded.width} * 4);
        unsigned char* rowPtr = row.data();
        JSAMPROW rows[1] = {rowPtr};
        const std::uint32_t width = plan.decoded.width;
        bool sizeAsPlanned = true;
        if (!guarded([&] {
                cinfo_.mem->max_memory_to_use = static_cast<long>(plan.limits.workBytes);
                cinfo_.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
                cinfo_.scale_num = plan.scale.num;
                cinfo_.scale_denom = plan.scale.denom;
                jpeg_calc_output_dimensions(&cinfo_);
                if (cinfo_.output_width != width || cinfo_.output_height != plan.decoded.height) {
                    sizeAsPlanned = false;
                    return;
                }
                jpeg_start_decompress(&cinfo_);
                while (cinfo_.output_scanline < cinfo_.output_height) {
                    if (jpeg_read_scanlines(&cinfo_, rows, 1) != 1)
                        ERREXIT(&cinfo_, JERR_INPUT_EOF);
                    if (cmyk)
                        cmykToBgra(rowPtr, width);
                    sink.push(rowPtr);
                }
                jpeg_finish_decompress(&cinfo_);
            }))
            return guard_.error;
        if (!sizeAsPlanned)
            return Error(grErrc::unsupported, "JPEG: the decoder's scale differs from the plan");
        return Error();
    }

private:
    // Runs `f`, whose frame must hold nothing with a destructor; false when libjpeg refused.
    template <class F> bool guarded(F f) {
        if (setjmp(guard_.jump) != 0)
            return false;
        f();
        return true;
    }

    const unsigned char* data_;
    std::size_t size_;
    jpeg_decompress_struct cinfo_{};
    Guard guard_;
    bool created_ = false;
};

} // namespace

std::unique_ptr<RowSource> makeJpegSource(const unsigned char* data, std::size_t size) {
    return std::make_unique<JpegSource>(data, size);
}

} // namespace libphoto::detail
