// HEIF (HEVC) and AVIF (AV1) through libheif: the primary image with its own turns applied
// by the decoder, alpha kept, grids of tiles put together by libheif, 10- and 12-bit samples
// reduced to 8; decoded whole as RGB(A) (libheif has no way to stream rows), then delivered
// as BGRA rows.
#include "heif.h"

#include "colour.h"

#include <libheif/heif.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace libphoto::detail {

namespace {

// libheif's own default for the longest side it takes; ours only ever tightens it.
constexpr std::uint64_t kHeifSideLimit = 32768;

struct HeifDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
    void operator()(heif_image* i) const { heif_image_release(i); }
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};
template <class T> using Heif = std::unique_ptr<T, HeifDeleter>;

bool failed(const heif_error& e) {
    return e.code != heif_error_Ok;
}

Error errorOf(const heif_error& e) {
    if (e.code == heif_error_Memory_allocation_error)
        return Error(grErrc::outOfMemory, "out of memory for the picture");
    if (e.subcode == heif_suberror_Security_limit_exceeded)
        return Error(grErrc::overBudget, "HEIF: beyond the decoder's limits", e.message);
    if (e.subcode == heif_suberror_End_of_data)
        return Error(grErrc::truncated, "HEIF", e.message);
    if (e.code == heif_error_Unsupported_feature || e.code == heif_error_Unsupported_filetype)
        return Error(grErrc::unsupported, "HEIF", e.message);
    return Error(grErrc::corrupt, "HEIF", e.message);
}

// The colour the file states for its primary image: its ICC profile, else its nclx codes.
std::vector<unsigned char> profileOf(const heif_image_handle* handle) {
    std::vector<unsigned char> icc(heif_image_handle_get_raw_color_profile_size(handle));
    if (!icc.empty() && !failed(heif_image_handle_get_raw_color_profile(handle, icc.data())))
        return icc;
    heif_color_profile_nclx* raw = nullptr;
    if (failed(heif_image_handle_get_nclx_color_profile(handle, &raw)))
        return {};
    const Heif<heif_color_profile_nclx> nclx(raw);
    return nclxProfile(nclx->color_primaries, nclx->transfer_characteristics);
}

// One row of RGB or RGBA samples as BGRA; premultiplied colours are divided out.
void toBgra(const unsigned char* in, unsigned char* out, std::uint32_t width, bool alpha,
            bool premultiplied) {
    const int step = alpha ? 4 : 3;
    for (std::uint32_t x = 0; x < width; ++x, in += step, out += 4) {
        const unsigned a = alpha ? in[3] : 255;
        unsigned rgb[3] = {in[0], in[1], in[2]};
        if (premultiplied && a < 255)
            for (unsigned& c : rgb)
                c = a == 0 ? 0 : std::min(255u, (c * 255 + a / 2) / a);
        out[0] = static_cast<unsigned char>(rgb[2]);
        out[1] = static_cast<unsigned char>(rgb[1]);
        out[2] = static_cast<unsigned char>(rgb[0]);
        out[3] = static_cast<unsigned char>(a);
    }
}

class HeifSource final : public RowSource {
public:
    HeifSource(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    Error probe(ProbeInfo& info, const Limits& limits) override {
        ctx_.reset(heif_context_alloc());
        if (ctx_ == nullptr)
            return Error(grErrc::outOfMemory, "HEIF: the decoder could not start");
        // libheif checks every side (of the image and of each tile) against this before it
        // allocates; a side longer than the pixel limit can never be shown anyway.
        const std::uint64_t side = std::min<std::uint64_t>(kHeifSideLimit, limits.pixels + 1);
        heif_context_set_maximum_image_size_limit(ctx_.get(), static_cast<int>(side));
        const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
        heif_context_set_max_decoding_threads(ctx_.get(), static_cast<int>(threads));
        heif_error e =
            heif_context_read_from_memory_without_copy(ctx_.get(), data_, size_, nullptr);
        heif_image_handle* handle = nullptr;
        if (failed(e) || failed(e = heif_context_get_primary_image_handle(ctx_.get(), &handle)))
            return errorOf(e);
        handle_.reset(handle);
        // The size as shown, after the file's turns and crop; and as coded.
        const int w = heif_image_handle_get_width(handle);
        const int h = heif_image_handle_get_height(handle);
        const int codedW = std::max(heif_image_handle_get_ispe_width(handle), 0);
        const int codedH = std::max(heif_image_handle_get_ispe_height(handle), 0);
        if (w <= 0 || h <= 0)
            return Error(grErrc::corrupt, "HEIF: no pixels");
        if (std::uint64_t(w) * std::uint64_t(h) > limits.pixels ||
            std::uint64_t(codedW) * std::uint64_t(codedH) > limits.pixels)
            return Error(grErrc::tooManyPixels, "the picture has more pixels than allowed");
        alpha_ = heif_image_handle_has_alpha_channel(handle) != 0;
        premultiplied_ = alpha_ && heif_image_handle_is_premultiplied_alpha(handle) != 0;
        const bool av1 =
            heif_has_compatible_brand(
                data_, static_cast<int>(std::min<std::size_t>(size_, 1 << 20)), "avif") > 0;
        info.kind = av1 ? PhotoKind::Avif : PhotoKind::Heif;
        info.width = static_cast<std::uint32_t>(w);
        info.height = static_cast<std::uint32_t>(h);
        info.orientation = 1;
        info.hasAlpha = alpha_;
        info.layout = libgr::grLayoutBGRA;
        // The whole picture is decoded at once: the coded planes (three at worst, two bytes a
        // sample above 8 bits), the interleaved RGB(A) picture and a turned copy of it, and
        // from deeper samples a 16-bit RGBA picture on the way (measured: a 12-megapixel
        // 8-bit HEIC without alpha peaks at 9 bytes a pixel).
        const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
        const std::uint64_t pixels = std::max(std::uint64_t(w) * std::uint64_t(h),
                                              std::uint64_t(codedW) * std::uint64_t(codedH));
        info.bufferedBytes = pixels * ((deep ? 6 + 8 : 3) + 2 * (alpha_ ? 4 : 3));
        info.rowBytes = std::uint64_t(w) * 4;
        info.scales = {DecoderScale{}};
        info.colour.icc = profileOf(handle);
        return {};
    }

    Error decode(const Plan& plan, RowSink& sink) override {
        const Heif<heif_decoding_options> options(heif_decoding_options_alloc());
        if (options == nullptr)
            return Error(grErrc::outOfMemory, "out of memory for the decoder");
        options->convert_hdr_to_8bit = 1;
        options->ignore_transformations = 0; // irot, imir and clap as the file says
        heif_image* raw = nullptr;
        const heif_error e = heif_decode_image(
            handle_.get(), &raw, heif_colorspace_RGB,
            alpha_ ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
        if (failed(e))
            return errorOf(e);
        const Heif<heif_image> image(raw);
        int stride = 0;
        const std::uint8_t* pixels =
            heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
        const auto w = static_cast<std::uint32_t>(
            std::max(heif_image_get_width(image.get(), heif_channel_interleaved), 0));
        const auto h = static_cast<std::uint32_t>(
            std::max(heif_image_get_height(image.get(), heif_channel_interleaved), 0));
        if (pixels == nullptr || w != plan.decoded.width || h != plan.decoded.height ||
            heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8 ||
            stride < 0 || std::uint64_t(stride) < std::uint64_t{w} * (alpha_ ? 4 : 3))
            return Error(grErrc::corrupt, "HEIF: the decoded picture is not the one announced");
        std::vector<unsigned char> row(std::size_t{w} * 4);
        for (std::uint32_t y = 0; y < h; ++y) {
            toBgra(pixels + std::size_t(y) * std::size_t(stride), row.data(), w, alpha_,
                   premultiplied_);
            sink.push(row.data());
        }
        return {};
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    Heif<heif_context> ctx_;
    Heif<heif_image_handle> handle_;
    bool alpha_ = false, premultiplied_ = false;
};

} // namespace

bool heifDecodes(PhotoKind kind) {
    if (kind == PhotoKind::Heif)
        return heif_have_decoder_for_format(heif_compression_HEVC) != 0;
    if (kind == PhotoKind::Avif)
        return heif_have_decoder_for_format(heif_compression_AV1) != 0;
    return false;
}

std::unique_ptr<RowSource> makeHeifSource(const unsigned char* data, std::size_t size) {
    return std::make_unique<HeifSource>(data, size);
}

} // namespace libphoto::detail
