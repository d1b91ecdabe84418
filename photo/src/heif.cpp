// HEIF (HEVC) and AVIF (AV1) through libheif: the primary image with its own turns applied
// by the decoder, alpha kept, 10- and 12-bit samples reduced to 8; decoded whole as RGB(A)
// (libheif has no way to stream rows), then delivered as BGRA rows. A grid of tiles (as phones
// store their photographs) is decoded one row of tiles at a time instead: libheif decodes only
// whole pictures, so each tile is written out as a small HEIF file of its own, and the grid's
// turns go to the road.
#include "heif.h"

#include "colour.h"
#include "heif_boxes.h"

#include <libheif/heif.h>

#include <algorithm>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace libphoto::detail {

namespace {

// libheif's own default for the longest side it takes; ours only ever tightens it.
constexpr std::uint64_t kHeifSideLimit = 32768;
// Most tiles of a grid decoded at once, whatever the cores.
constexpr unsigned kMostLanes = 8;

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

// A context over `size` bytes at `data` (kept, not copied), held to libheif's limits tightened
// to `pixels`, with as many threads as the machine has.
Error openContext(Heif<heif_context>& ctx, const unsigned char* data, std::size_t size,
                  std::uint64_t pixels) {
    ctx.reset(heif_context_alloc());
    if (ctx == nullptr)
        return Error(grErrc::outOfMemory, "HEIF: the decoder could not start");
    // libheif checks every side (of the image and of each tile) against this before it
    // allocates; a side longer than the pixel limit can never be shown anyway.
    const std::uint64_t side = std::min<std::uint64_t>(kHeifSideLimit, pixels + 1);
    heif_context_set_maximum_image_size_limit(ctx.get(), static_cast<int>(side));
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    heif_context_set_max_decoding_threads(ctx.get(), static_cast<int>(threads));
    const heif_error e = heif_context_read_from_memory_without_copy(ctx.get(), data, size, nullptr);
    return failed(e) ? errorOf(e) : Error();
}

// The picture of `handle` as interleaved 8-bit RGB(A), turned and cropped as the file says;
// its rows at `pixels`, `stride` bytes apart, checked to be width × height.
Error decodeRgb(heif_image_handle* handle, bool alpha, std::uint32_t width, std::uint32_t height,
                Heif<heif_image>& image, const std::uint8_t*& pixels, std::size_t& stride) {
    const Heif<heif_decoding_options> options(heif_decoding_options_alloc());
    if (options == nullptr)
        return Error(grErrc::outOfMemory, "out of memory for the decoder");
    options->convert_hdr_to_8bit = 1;
    options->ignore_transformations = 0; // irot, imir and clap as the file says
    heif_image* raw = nullptr;
    const heif_error e = heif_decode_image(
        handle, &raw, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    if (failed(e))
        return errorOf(e);
    image.reset(raw);
    int rowBytes = 0;
    pixels = heif_image_get_plane_readonly(raw, heif_channel_interleaved, &rowBytes);
    const int w = heif_image_get_width(raw, heif_channel_interleaved);
    const int h = heif_image_get_height(raw, heif_channel_interleaved);
    if (pixels == nullptr || w < 0 || std::uint32_t(w) != width || h < 0 ||
        std::uint32_t(h) != height ||
        heif_image_get_bits_per_pixel_range(raw, heif_channel_interleaved) != 8 || rowBytes < 0 ||
        std::uint64_t(rowBytes) < std::uint64_t{width} * (alpha ? 4 : 3))
        return Error(grErrc::corrupt, "HEIF: the decoded picture is not the one announced");
    stride = static_cast<std::size_t>(rowBytes);
    return {};
}

// Bytes libheif takes to decode a picture of `pixels` at once: the coded planes (three at
// worst, two bytes a sample above 8 bits), the interleaved RGB(A) picture and a turned copy
// of it, and from deeper samples a 16-bit RGBA picture on the way (measured: a 12-megapixel
// 8-bit HEIC without alpha peaks at 9 bytes a pixel).
std::uint64_t wholeDecodeBytes(std::uint64_t pixels, bool deep, bool alpha) {
    return pixels * ((deep ? 6 + 8 : 3) + 2 * (alpha ? 4 : 3));
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
        if (Error e = openContext(ctx_, data_, size_, limits.pixels))
            return e;
        heif_image_handle* handle = nullptr;
        const heif_error e = heif_context_get_primary_image_handle(ctx_.get(), &handle);
        if (failed(e))
            return errorOf(e);
        handle_.reset(handle);
        pixelLimit_ = limits.pixels;
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
        const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
        const std::uint64_t pixels = std::max(std::uint64_t(w) * std::uint64_t(h),
                                              std::uint64_t(codedW) * std::uint64_t(codedH));
        info.bufferedBytes = wholeDecodeBytes(pixels, deep, alpha_);
        info.rowBytes = std::uint64_t(w) * 4;
        info.scales = {DecoderScale{}};
        info.colour.icc = profileOf(handle);
        // A grid without alpha whose tiles can be read one by one goes tile by tile; anything
        // else about it (a crop, tiles of different kinds, a description this reader does not
        // take) leaves it to libheif whole, within the budget above.
        tiled_ = !alpha_ && !readHeifBoxes(data_, size_, boxes_) &&
                 !heifGridOf(data_, size_, boxes_, limits.pixels, grid_);
        if (tiled_) {
            lanes_ = std::max(
                1u, std::min({std::thread::hardware_concurrency(), grid_.columns, kMostLanes}));
            // Its picture as stored, turned by the road after scaling.
            info.width = grid_.width;
            info.height = grid_.height;
            info.orientation = grid_.orientation;
            info.turnIsPicture = true; // as libheif turns every other HEIF picture
            info.rowBytes = 0;
            info.bufferedBytes = tiledBytes(deep);
        }
        return {};
    }

    Error decode(const Plan& plan, RowSink& sink) override {
        if (tiled_)
            return decodeTiled(plan, sink);
        Heif<heif_image> image;
        const std::uint8_t* pixels = nullptr;
        std::size_t stride = 0;
        const std::uint32_t w = plan.decoded.width, h = plan.decoded.height;
        if (Error e = decodeRgb(handle_.get(), alpha_, w, h, image, pixels, stride))
            return e;
        std::vector<unsigned char> row(std::size_t{w} * 4);
        for (std::uint32_t y = 0; y < h; ++y) {
            toBgra(pixels + std::size_t(y) * stride, row.data(), w, alpha_, premultiplied_);
            sink.push(row.data());
        }
        return {};
    }

private:
    // One row of tiles (BGRA), one tile's decode by libheif, and the small file it is
    // decoded from: the coded bytes and the properties of the largest tile, twice (libheif
    // copies them on to its decoder).
    std::uint64_t tiledBytes(bool deep) const {
        std::uint64_t coded = 0;
        for (const HeifItem* tile : grid_.tiles) {
            std::uint64_t bytes = 1024;
            for (const HeifRange& e : tile->extents)
                bytes += e.size;
            for (const HeifAssociation& a : tile->properties)
                bytes += boxes_.properties[a.index].box.size;
            coded = std::max(coded, bytes);
        }
        const std::uint64_t tile = std::uint64_t{grid_.tileWidth} * grid_.tileHeight;
        return tile * grid_.columns * 4 +
               lanes_ * (wholeDecodeBytes(tile, deep, false) + 2 * coded);
    }

    // The grid a row of tiles at a time: each tile decoded into its place in the band, then
    // the band's rows within the picture handed on. libheif decodes a lone HEVC picture on one
    // thread, so the tiles of a band are decoded side by side, one lane per core.
    Error decodeTiled(const Plan& plan, RowSink& sink) {
        if (plan.decoded.width != grid_.width || plan.decoded.height != grid_.height)
            return Error(grErrc::corrupt, "HEIF: the grid is not the size planned");
        const std::size_t stride = std::size_t{grid_.columns} * grid_.tileWidth * 4;
        std::vector<unsigned char> band(stride * grid_.tileHeight);
        // Columns wholly outside the picture are not shown, so not decoded.
        const std::uint32_t shown =
            std::min(grid_.columns, (grid_.width + grid_.tileWidth - 1) / grid_.tileWidth);
        const unsigned lanes = std::min(lanes_, shown);
        std::vector<Error> errors(lanes);
        for (std::uint32_t r = 0; r < grid_.rows; ++r) {
            const std::uint32_t top = r * grid_.tileHeight;
            if (top >= grid_.height)
                break;
            const auto lane = [&](unsigned l) {
                try {
                    for (std::uint32_t c = l; c < shown && !errors[l]; c += lanes)
                        errors[l] =
                            decodeTile(*grid_.tiles[r * grid_.columns + c],
                                       band.data() + std::size_t{c} * grid_.tileWidth * 4, stride);
                } catch (const std::bad_alloc&) {
                    errors[l] = Error(grErrc::outOfMemory, "out of memory for the picture");
                }
            };
            std::vector<std::thread> helpers;
            for (unsigned l = 1; l < lanes; ++l) {
                try {
                    helpers.emplace_back(lane, l);
                } catch (const std::system_error&) {
                    lane(l); // no thread to be had: this one takes the lane
                }
            }
            lane(0);
            for (std::thread& helper : helpers)
                helper.join();
            for (const Error& e : errors)
                if (e)
                    return e;
            const std::uint32_t rows = std::min(grid_.tileHeight, grid_.height - top);
            for (std::uint32_t y = 0; y < rows; ++y)
                sink.push(band.data() + y * stride);
        }
        return {};
    }

    // One tile as a HEIF file of its own (its properties as stored), decoded by libheif into
    // `out`, rows `stride` bytes apart.
    Error decodeTile(const HeifItem& tile, unsigned char* out, std::size_t stride) const {
        std::vector<HeifItemOut> one(1);
        one[0].type = grid_.tileType;
        for (const HeifAssociation& a : tile.properties) {
            const HeifRange box = boxes_.properties[a.index].box;
            one[0].properties.push_back(
                {std::vector<unsigned char>(data_ + box.offset, data_ + box.offset + box.size),
                 a.essential});
        }
        one[0].data = heifItemBytes(data_, tile);
        const bool av1 = grid_.tileType == fourcc("av01");
        const std::vector<unsigned char> file = writeHeif(fourcc(av1 ? "avif" : "heic"), one);
        Heif<heif_context> ctx;
        if (Error e = openContext(ctx, file.data(), file.size(), pixelLimit_))
            return e;
        heif_image_handle* raw = nullptr;
        const heif_error e = heif_context_get_primary_image_handle(ctx.get(), &raw);
        if (failed(e))
            return errorOf(e);
        const Heif<heif_image_handle> handle(raw);
        Heif<heif_image> image;
        const std::uint8_t* pixels = nullptr;
        std::size_t rowBytes = 0;
        if (Error e = decodeRgb(handle.get(), false, grid_.tileWidth, grid_.tileHeight, image,
                                pixels, rowBytes))
            return e;
        for (std::uint32_t y = 0; y < grid_.tileHeight; ++y)
            toBgra(pixels + y * rowBytes, out + y * stride, grid_.tileWidth, false, false);
        return {};
    }

    const unsigned char* data_;
    std::size_t size_;
    Heif<heif_context> ctx_;
    Heif<heif_image_handle> handle_;
    bool alpha_ = false, premultiplied_ = false;
    std::uint64_t pixelLimit_ = 0;
    bool tiled_ = false;
    unsigned lanes_ = 1; ///< tiles of a band decoded at once
    HeifBoxes boxes_;
    HeifGrid grid_;
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
