// BMP through libgr's reader, from the bytes in memory: the reader checks the headers and the
// pixel limit and keeps its own copy (so the caller's bytes may go at once). Paletted files
// stream their rows through the colour table here; files GL reads as stored are converted row
// by row; only run-length and odd bit-field files are decoded whole by the reader first.
#include "road.h"

#include "libgr/bmp_file.h"
#include "libgr/pixel_format.h"

#include <cstring>
#include <vector>

namespace libphoto::detail {

namespace {

unsigned char expand(unsigned v, int bits) {
    return static_cast<unsigned char>(v << (8 - bits) | v >> (2 * bits - 8));
}

// One row of a record the reader made of a file of more than 8 bits a pixel, as BGRA (alpha
// 255 where the file has none); false for a pixel kind it does not know.
bool convertRow(const libgr::grImage2D& image, const unsigned char* in, unsigned char* out) {
    const std::int32_t layout = image.layout;
    const bool rgbOrder = layout == libgr::grLayoutRGB || layout == libgr::grLayoutRGBA;
    const bool alpha = layout == libgr::grLayoutBGRA || layout == libgr::grLayoutRGBA;
    const std::uint32_t w = image.width;
    switch (image.bitCode) {
    case libgr::grBits8: {
        const int n = libgr::componentCount(layout);
        if (n < 3)
            return false;
        for (std::uint32_t x = 0; x < w; ++x, in += n, out += 4) {
            out[0] = in[rgbOrder ? 2 : 0];
            out[1] = in[1];
            out[2] = in[rgbOrder ? 0 : 2];
            out[3] = n == 4 ? in[3] : 255;
        }
        return true;
    }
    case libgr::grBits8Pad8:
        for (std::uint32_t x = 0; x < w; ++x, in += 4, out += 4) {
            out[0] = in[rgbOrder ? 2 : 0];
            out[1] = in[1];
            out[2] = in[rgbOrder ? 0 : 2];
            out[3] = 255;
        }
        return true;
    case libgr::grPacked565:
        for (std::uint32_t x = 0; x < w; ++x, in += 2, out += 4) {
            const unsigned p = in[0] | in[1] << 8;
            out[0] = expand(p & 31, 5);
            out[1] = expand(p >> 5 & 63, 6);
            out[2] = expand(p >> 11, 5);
            out[3] = 255;
        }
        return true;
    case libgr::grPacked1555Rev:
        for (std::uint32_t x = 0; x < w; ++x, in += 2, out += 4) {
            const unsigned p = in[0] | in[1] << 8;
            out[rgbOrder ? 2 : 0] = expand(p & 31, 5);
            out[1] = expand(p >> 5 & 31, 5);
            out[rgbOrder ? 0 : 2] = expand(p >> 10 & 31, 5);
            out[3] = !alpha || p >> 15 ? 255 : 0;
        }
        return true;
    default:
        return false;
    }
}

class BmpSource final : public RowSource {
public:
    BmpSource(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    Error probe(ProbeInfo& info, const Limits& limits) override {
        if (!file_.read(data_, size_, limits.pixels)) {
            const libgr::grError e = libgr::grBmpError();
            if (e.code() == grErrc::tooManyPixels)
                return Error(e.code(), "the picture has more pixels than allowed");
            return Error(e.code(), "BMP", e.text());
        }
        const libgr::grBmpInfo& in = file_.info;
        info.kind = PhotoKind::Bmp;
        info.width = in.width;
        info.height = in.height;
        info.inputDone = true;                  // the reader holds its own copy
        info.bufferedBytes = file_.bits.size(); // that copy
        const bool rle = in.compression == libgr::grBmpRLE8 || in.compression == libgr::grBmpRLE4;
        paletted_ = in.bitCount <= 8 && !rle;
        if (paletted_) {
            readPalette();
            info.layout = grey_ ? libgr::grLayoutLuminance : libgr::grLayoutBGRA;
            return Error();
        }
        // Decoded whole by the reader when GL cannot read the stored pixels as they stand.
        if (rle || in.compression == libgr::grBmpBitFields)
            info.bufferedBytes += std::uint64_t{in.width} * in.height * 4;
        info.layout = libgr::grLayoutBGRA;
        info.hasAlpha = in.masks[3] != 0 || rle;
        return Error();
    }

    Error decode(const Plan&, RowSink& sink) override {
        const libgr::grBmpInfo& in = file_.info;
        std::vector<unsigned char> row(std::size_t{in.width} * 4);
        if (paletted_) {
            const std::uint64_t stride = libgr::rowBytes(in.width, in.bitCount, 4);
            for (std::uint32_t y = in.height; y-- > 0;) { // stored bottom-up
                if (!paletteRow(file_.bits.begin() + stride * y, row.data()))
                    return Error(grErrc::corrupt, "BMP: a pixel indexes beyond the colour table");
                sink.push(row.data());
            }
            return Error();
        }
        libgr::grImage2D image;
        if (!libgr::grBmpToImage(image, file_)) {
            const libgr::grError e = libgr::grBmpError();
            return Error(e.code(), "BMP", e.text());
        }
        const std::uint64_t stride = image.rowStride();
        for (std::uint32_t y = image.height; y-- > 0;) {
            if (!convertRow(image, image.pixels.begin() + stride * y, row.data()))
                return Error(grErrc::unsupported, "BMP: pixel kind not taken");
            sink.push(row.data());
        }
        return Error();
    }

private:
    void readPalette() {
        const libgr::grBmpInfo& in = file_.info;
        const auto* table =
            reinterpret_cast<const unsigned char*>(file_.fileHeader.begin()) + in.paletteOffset;
        count_ = in.paletteCount < 256 ? in.paletteCount : 256;
        for (std::uint32_t i = 0; i < count_; ++i) {
            const unsigned char* e = table + i * in.paletteEntryBytes;
            std::memcpy(colours_[i], e, 3);
            colours_[i][3] = 255;
            grey_ = grey_ && e[0] == e[1] && e[1] == e[2];
        }
    }

    bool paletteRow(const unsigned char* in, unsigned char* out) const {
        const int bits = file_.info.bitCount;
        const unsigned mask = (1u << bits) - 1;
        for (std::uint32_t x = 0; x < file_.info.width; ++x) {
            const std::uint32_t bit = x * bits;
            const unsigned index = in[bit / 8] >> (8 - bits - bit % 8) & mask;
            if (index >= count_)
                return false;
            if (grey_)
                out[x] = colours_[index][0];
            else
                std::memcpy(out + 4 * x, colours_[index], 4);
        }
        return true;
    }

    const unsigned char* data_;
    std::size_t size_;
    libgr::grBmpFile file_;
    bool paletted_ = false, grey_ = true;
    std::uint32_t count_ = 0;
    unsigned char colours_[256][4] = {};
};

} // namespace

std::unique_ptr<RowSource> makeBmpSource(const unsigned char* data, std::size_t size) {
    return std::make_unique<BmpSource>(data, size);
}

} // namespace libphoto::detail
