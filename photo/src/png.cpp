// PNG through libspng, fed through a chunk filter: the decoder sees the signature and the
// chunks the pixels need (IHDR, PLTE, tRNS, IDAT, IEND) and nothing else, so that an
// ancillary chunk that is damaged, empty or huge is skipped as browsers skip it and the
// picture still shows. The filter itself finds the EXIF orientation (an eXIf chunk whose
// checksum holds) and the colour facts. A critical chunk with a wrong checksum is refused.
// Rows of a progressive picture are decoded one at a time into one row; an interlaced
// picture is decoded whole first (its passes fill rows out of order), within the plan's budget.
#include "libphoto/orientation.h"
#include "road.h"

#include "libgr/pixel_format.h"

#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace libphoto::detail {

namespace {

constexpr std::size_t kSignature = 8;

std::uint32_t be32(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// A chunk as the file lays it out: 4 bytes of length, 4 of type, the data, 4 of checksum.
struct Chunk {
    std::size_t at = 0; // offset of its length field
    std::uint32_t length = 0;
    char type[5] = {};
    bool whole = false; // data and checksum lie within the file
};

bool chunkAt(const unsigned char* data, std::size_t size, std::size_t at, Chunk& c) {
    if (at > size || size - at < 8)
        return false;
    c.at = at;
    c.length = be32(data + at);
    std::memcpy(c.type, data + at + 4, 4);
    c.whole = std::uint64_t{c.length} + 12 <= size - at;
    return true;
}

bool checksumHolds(const unsigned char* data, const Chunk& c) {
    if (!c.whole)
        return false;
    const unsigned char* typeAndData = data + c.at + 4;
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), typeAndData, c.length + 4);
    return crc == be32(typeAndData + 4 + c.length);
}

bool passesFilter(const char* type) {
    for (const char* kept : {"IHDR", "PLTE", "tRNS", "IDAT", "IEND"})
        if (std::memcmp(type, kept, 4) == 0)
            return true;
    return false;
}

class PngSource final : public RowSource {
public:
    PngSource(const unsigned char* data, std::size_t size)
        : data_(data), size_(size), ctx_(spng_ctx_new(0)) {}
    ~PngSource() override { spng_ctx_free(ctx_); }
    PngSource(const PngSource&) = delete;
    PngSource& operator=(const PngSource&) = delete;

    Error probe(ProbeInfo& info, const Limits& limits) override {
        if (ctx_ == nullptr)
            return Error(grErrc::outOfMemory, "PNG: the decoder could not start");
        const auto side =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(limits.pixels, 0x7FFFFFFF));
        int err = spng_set_image_limits(ctx_, side, side);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
        // Checksums would stop the fuzzer at every chunk it changes.
        if (err == 0)
            err = spng_set_crc_action(ctx_, SPNG_CRC_USE, SPNG_CRC_USE);
#else
        if (err == 0)
            err = spng_set_crc_action(ctx_, SPNG_CRC_ERROR, SPNG_CRC_DISCARD);
#endif
        if (err == 0)
            err = spng_set_png_stream(ctx_, &PngSource::read, this);
        if (err == 0)
            err = spng_get_ihdr(ctx_, &ihdr_);
        if (err == SPNG_EUSER_WIDTH || err == SPNG_EUSER_HEIGHT)
            return Error(grErrc::tooManyPixels, "the picture has more pixels than allowed");
        if (err != 0)
            return failure(err);
        spng_trns trns{};
        err = spng_get_trns(ctx_, &trns);
        if (err != 0 && err != SPNG_ECHUNKAVAIL)
            return failure(err);
        const bool alpha = (ihdr_.color_type & 4) != 0 || err == 0;
        info.kind = PhotoKind::Png;
        info.width = ihdr_.width;
        info.height = ihdr_.height;
        info.hasAlpha = alpha;
        info.layout = libgr::grLayoutBGRA;
        lookAround(info);
        // The decoder keeps the scanline and the one before it as stored, and the interlaced
        // picture whole, as delivered.
        const std::uint64_t w = ihdr_.width;
        const int samples = ihdr_.color_type == 2   ? 3
                            : ihdr_.color_type == 4 ? 2
                            : ihdr_.color_type == 6 ? 4
                                                    : 1;
        info.rowBytes = 2 * ((w * samples * ihdr_.bit_depth + 7) / 8 + 1);
        if (ihdr_.interlace_method != SPNG_INTERLACE_NONE)
            info.bufferedBytes = w * ihdr_.height * 4;
        flags_ = alpha ? SPNG_DECODE_TRNS : 0;
        return Error();
    }

    Error decode(const Plan& plan, RowSink& sink) override {
        const std::size_t rowBytes = std::size_t{ihdr_.width} * 4;
        int err = 0;
        if (ihdr_.interlace_method != SPNG_INTERLACE_NONE) {
            std::vector<unsigned char> picture(rowBytes * ihdr_.height);
            if ((err = spng_decode_image(ctx_, picture.data(), picture.size(), SPNG_FMT_RGBA8,
                                         flags_)) != 0)
                return failure(err);
            for (std::uint32_t y = 0; y < ihdr_.height; ++y)
                push(sink, picture.data() + rowBytes * y);
        } else {
            if ((err = spng_decode_image(ctx_, nullptr, 0, SPNG_FMT_RGBA8,
                                         flags_ | SPNG_DECODE_PROGRESSIVE)) != 0)
                return failure(err);
            std::vector<unsigned char> row(rowBytes);
            std::uint32_t rows = 0;
            do {
                err = spng_decode_row(ctx_, row.data(), rowBytes);
                if (err == 0 || err == SPNG_EOI) {
                    push(sink, row.data());
                    ++rows;
                }
            } while (err == 0);
            if (err != SPNG_EOI || rows != plan.decoded.height)
                return failure(err);
        }
        // The rest of the file up to IEND: the last picture chunk's checksum is read only now.
        if ((err = spng_decode_chunks(ctx_)) != 0)
            return failure(err);
        return Error();
    }

private:
    static Error failure(int err) {
        const grErrc code = err == SPNG_IO_EOF || err == SPNG_EOF ? grErrc::truncated
                            : err == SPNG_EMEM                    ? grErrc::outOfMemory
                                                                  : grErrc::corrupt;
        return Error(code, "PNG", spng_strerror(err));
    }

    static void push(RowSink& sink, unsigned char* row, std::uint32_t width) {
        for (std::uint32_t x = 0; x < width; ++x)
            std::swap(row[4 * x], row[4 * x + 2]);
        sink.push(row);
    }
    void push(RowSink& sink, unsigned char* row) const {
        push(sink, row, ihdr_.width);
    }

    // The chunks the filter keeps from the decoder: the orientation from the first eXIf
    // whose checksum holds, and the colour facts.
    void lookAround(ProbeInfo& info) const {
        Chunk c;
        for (std::size_t at = kSignature; chunkAt(data_, size_, at, c) && c.whole;
             at += 12 + std::size_t{c.length}) {
            const unsigned char* body = data_ + c.at + 8;
            if (std::memcmp(c.type, "IEND", 4) == 0)
                break;
            if (passesFilter(c.type) || !checksumHolds(data_, c))
                continue;
            if (std::memcmp(c.type, "eXIf", 4) == 0 && info.orientation == 1)
                info.orientation = exifOrientation(body, c.length);
            else if (std::memcmp(c.type, "gAMA", 4) == 0 && c.length == 4)
                info.colour.gamma = be32(body) / 100000.0;
            else if (std::memcmp(c.type, "sRGB", 4) == 0)
                info.colour.srgb = true;
        }
    }

    // The decoder's input: the signature, then only the chunks that pass the filter.
    static int read(spng_ctx*, void* user, void* dest, std::size_t length) {
        auto* self = static_cast<PngSource*>(user);
        auto* out = static_cast<unsigned char*>(dest);
        while (length > 0) {
            if (self->left_ == 0 && !self->nextChunk())
                return SPNG_IO_EOF;
            const std::size_t n = std::min(length, self->left_);
            std::memcpy(out, self->data_ + self->at_, n);
            self->at_ += n;
            self->left_ -= n;
            out += n;
            length -= n;
        }
        return 0;
    }

    // Moves to the next span to hand out; false at the end of the file.
    bool nextChunk() {
        if (at_ == 0) {
            left_ = std::min(kSignature, size_);
            return left_ > 0;
        }
        Chunk c;
        while (chunkAt(data_, size_, at_, c)) {
            if (passesFilter(c.type) || !c.whole) {
                left_ = std::min<std::uint64_t>(std::uint64_t{c.length} + 12, size_ - at_);
                return true;
            }
            at_ += 12 + std::size_t{c.length};
        }
        return false;
    }

    const unsigned char* data_;
    std::size_t size_;
    spng_ctx* ctx_;
    spng_ihdr ihdr_{};
    int flags_ = 0;
    std::size_t at_ = 0;   // next byte handed to the decoder
    std::size_t left_ = 0; // bytes left of the span being handed out
};

} // namespace

std::unique_ptr<RowSource> makePngSource(const unsigned char* data, std::size_t size) {
    return std::make_unique<PngSource>(data, size);
}

} // namespace libphoto::detail
