// PNG through libspng: limits set before anything is decoded, the decoded size asked first,
// rows streamed into the area scaler one at a time (interlaced pictures decode whole first),
// always as RGBA turned into BGRA on the way (alpha 255 where the picture has none: GL takes
// four-byte BGRA rows fastest).
#include "colour.h"
#include "libphoto/orientation.h"
#include "libphoto/resample.h"
#include "photo_internal.h"

#include <spng.h>

#include <algorithm>
#include <vector>

namespace libphoto::detail {

namespace {

// Longest ancillary chunk, and all of them together, that the decoder keeps (text, ICC
// profiles, EXIF): far beyond real files, small beside the picture.
constexpr std::size_t kChunkLimit = std::size_t{64} << 20;
constexpr std::size_t kCacheLimit = std::size_t{64} << 20;

struct Context {
    spng_ctx* ctx = spng_ctx_new(0);
    ~Context() { spng_ctx_free(ctx); }
};

void swapRedBlue(unsigned char* row, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x, row += 4)
        std::swap(row[0], row[2]);
}

int orientationOf(spng_ctx* ctx) {
    spng_exif exif{};
    if (spng_get_exif(ctx, &exif) != 0)
        return 0;
    return exifOrientation(reinterpret_cast<const unsigned char*>(exif.data), exif.length);
}

// The colour space the chunks name, as browsers read them: an ICC profile first, then sRGB,
// then chromaticities with their gamma (or sRGB's curve), then a gamma alone. A damaged or
// missing chunk says nothing.
ColourInfo colourOf(spng_ctx* ctx) {
    ColourInfo colour;
    spng_iccp iccp{};
    std::uint8_t intent = 0;
    spng_chrm chrm{};
    double gamma = 0;
    const bool hasGamma = spng_get_gama(ctx, &gamma) == 0 && gamma > 0;
    if (spng_get_iccp(ctx, &iccp) == 0 && iccp.profile_len > 0) {
        colour.icc.assign(iccp.profile, iccp.profile + iccp.profile_len);
    } else if (spng_get_srgb(ctx, &intent) == 0) {
        colour.srgb = true;
    } else if (spng_get_chrm(ctx, &chrm) == 0) {
        const double xy[8] = {chrm.white_point_x, chrm.white_point_y, chrm.red_x,  chrm.red_y,
                              chrm.green_x,       chrm.green_y,       chrm.blue_x, chrm.blue_y};
        colour.icc = rgbProfile(xy, hasGamma ? gamma : 0);
    } else if (hasGamma) {
        colour.gamma = gamma;
    }
    return colour;
}

} // namespace

bool decodePng(const unsigned char* data, std::size_t size, const PhotoOptions& options,
               libgr::grImage2D& out, int& orientation, ColourInfo& colour) {
    Context c;
    if (c.ctx == nullptr)
        return fail("PNG: the decoder could not start");
    const auto side =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(options.maxPixels, 0x7FFFFFFF));
    int err = spng_set_image_limits(c.ctx, side, side);
    if (err == 0)
        err = spng_set_chunk_limits(c.ctx, kChunkLimit, kCacheLimit);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Checksums would stop the fuzzer at every chunk it changes.
    if (err == 0)
        err = spng_set_crc_action(c.ctx, SPNG_CRC_USE, SPNG_CRC_USE);
#endif
    if (err == 0)
        err = spng_set_png_buffer(c.ctx, data, size);
    spng_ihdr ihdr{};
    if (err == 0)
        err = spng_get_ihdr(c.ctx, &ihdr);
    if (err == SPNG_EUSER_WIDTH || err == SPNG_EUSER_HEIGHT ||
        std::uint64_t{ihdr.width} * ihdr.height > options.maxPixels)
        return fail("the picture has more pixels than allowed");
    if (err != 0)
        return failWith("PNG", spng_strerror(err));
    spng_trns trns{};
    const bool alpha = (ihdr.color_type & 4) != 0 || spng_get_trns(c.ctx, &trns) == 0;
    const int fmt = SPNG_FMT_RGBA8;
    const int channels = 4;
    std::size_t bytes = 0;
    if ((err = spng_decoded_image_size(c.ctx, fmt, &bytes)) != 0)
        return failWith("PNG", spng_strerror(err));
    const PhotoSize size2 =
        fitLongestSide({ihdr.width, ihdr.height}, options.longestSide, options.maxTextureSize);
    libgr::grImage2D image;
    if (!makeRecord(image, libgr::grLayoutBGRA, size2.width, size2.height))
        return fail("out of memory for the picture");
    // Without alpha every component takes the colour curve (255 stays 255): one plain loop.
    RowScaler scaler(ihdr.width, ihdr.height, viewOf(image), alpha ? 3 : -1);
    const std::size_t rowBytes = std::size_t{ihdr.width} * channels;
    const int flags = alpha ? SPNG_DECODE_TRNS : 0;
    if (ihdr.interlace_method != SPNG_INTERLACE_NONE) {
        // Passes fill rows out of order: the whole picture first.
        libgr::ofsvector<unsigned char> buffer;
        if (!freshBytes(buffer, bytes))
            return fail("out of memory for the decoded picture");
        if ((err = spng_decode_image(c.ctx, buffer.begin(), bytes, fmt, flags)) != 0)
            return failWith("PNG", spng_strerror(err));
        for (std::uint32_t y = 0; y < ihdr.height; ++y) {
            unsigned char* row = buffer.begin() + rowBytes * y;
            swapRedBlue(row, ihdr.width);
            scaler.push(row);
        }
    } else {
        if ((err = spng_decode_image(c.ctx, nullptr, 0, fmt, flags | SPNG_DECODE_PROGRESSIVE)) != 0)
            return failWith("PNG", spng_strerror(err));
        std::vector<unsigned char> row(rowBytes);
        std::uint32_t rows = 0;
        do {
            err = spng_decode_row(c.ctx, row.data(), rowBytes);
            if (err == 0 || err == SPNG_EOI) {
                swapRedBlue(row.data(), ihdr.width);
                scaler.push(row.data());
                ++rows;
            }
        } while (err == 0);
        if (err != SPNG_EOI || rows != ihdr.height)
            return failWith("PNG", spng_strerror(err));
    }
    // An eXIf chunk may also follow the picture data; its absence or damage there costs
    // nothing but the orientation.
    spng_decode_chunks(c.ctx);
    const int o = orientationOf(c.ctx);
    orientation = o == 0 ? 1 : o;
    colour = colourOf(c.ctx);
    out = image;
    return true;
}

} // namespace libphoto::detail
