// WebP through libwebp: the container read by the demuxer (the first frame, the ICCP and
// EXIF chunks); the frame decoded as BGRA, scaled inside the decoder at the plan's scale,
// an animation's first frame put on its transparent canvas; then delivered row by row.
#include "webp.h"

#include "libphoto/orientation.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <vector>

namespace libphoto::detail {

namespace {

struct DemuxDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};

// A chunk's payload; empty when the file has none.
std::vector<unsigned char> chunkOf(const WebPDemuxer* demux, const char* fourcc) {
    WebPChunkIterator it;
    std::vector<unsigned char> bytes;
    if (WebPDemuxGetChunk(demux, fourcc, 1, &it)) {
        bytes.assign(it.chunk.bytes, it.chunk.bytes + it.chunk.size);
        WebPDemuxReleaseChunkIterator(&it);
    }
    return bytes;
}

// The EXIF chunk holds a TIFF block, in some files after JPEG's "Exif\0\0" prefix.
int orientationOf(const std::vector<unsigned char>& exif) {
    const std::size_t skip =
        exif.size() >= 6 && std::memcmp(exif.data(), "Exif\0\0", 6) == 0 ? 6 : 0;
    return exifOrientation(exif.data() + skip, exif.size() - skip);
}

Error errorOf(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OK:
        return {};
    case VP8_STATUS_OUT_OF_MEMORY:
        return Error(grErrc::outOfMemory, "out of memory for the picture");
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return Error(grErrc::truncated, "WebP: the file ends inside the picture");
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return Error(grErrc::unsupported, "WebP: a feature this decoder does not take");
    default:
        return Error(grErrc::corrupt, "WebP: damaged picture data");
    }
}

class WebpSource final : public RowSource {
public:
    WebpSource(const unsigned char* data, std::size_t size) : bytes_{data, size} {}
    ~WebpSource() override {
        if (haveFrame_)
            WebPDemuxReleaseIterator(&frame_);
    }

    Error probe(ProbeInfo& info, const Limits& limits) override {
        demux_.reset(WebPDemux(&bytes_));
        if (demux_ == nullptr)
            return Error(grErrc::corrupt, "WebP: damaged or truncated container");
        const std::uint32_t w = WebPDemuxGetI(demux_.get(), WEBP_FF_CANVAS_WIDTH);
        const std::uint32_t h = WebPDemuxGetI(demux_.get(), WEBP_FF_CANVAS_HEIGHT);
        if (w == 0 || h == 0)
            return Error(grErrc::corrupt, "WebP: no pixels");
        if (std::uint64_t{w} * h > limits.pixels)
            return Error(grErrc::tooManyPixels, "the picture has more pixels than allowed");
        if (!WebPDemuxGetFrame(demux_.get(), 1, &frame_))
            return Error(grErrc::corrupt, "WebP: no frame");
        haveFrame_ = true;
        WebPBitstreamFeatures features;
        const VP8StatusCode status =
            WebPGetFeatures(frame_.fragment.bytes, frame_.fragment.size, &features);
        if (status != VP8_STATUS_OK)
            return errorOf(status);
        // The demuxer has checked that the frame lies inside the canvas.
        covers_ = frame_.x_offset == 0 && frame_.y_offset == 0 &&
                  std::uint32_t(frame_.width) == w && std::uint32_t(frame_.height) == h;
        info.kind = PhotoKind::Webp;
        info.width = w;
        info.height = h;
        info.orientation = orientationOf(chunkOf(demux_.get(), "EXIF"));
        info.hasAlpha = features.has_alpha != 0 || !covers_;
        info.layout = libgr::grLayoutBGRA;
        // Lossless pictures decode whole into the decoder's own ARGB buffer; lossy ones keep
        // their alpha plane whole. The BGRA result, at the plan's scale, is counted in decode.
        const std::uint64_t pixels = std::uint64_t{w} * h;
        info.bufferedBytes = pixels * (features.format == 2 ? 4 : features.has_alpha ? 1 : 0);
        info.rowBytes = std::uint64_t{w} * 48; // the lossy decoder's rows and filter state
        buffered_ = info.bufferedBytes;
        info.scales = {DecoderScale{}};
        if (covers_) // the first frame of an animation is put on its canvas at full size
            info.scales.insert(info.scales.end(), {{1, 2}, {1, 4}, {1, 8}});
        info.colour.icc = chunkOf(demux_.get(), "ICCP");
        return {};
    }

    Error decode(const Plan& plan, RowSink& sink) override {
        const PhotoSize out = plan.decoded;
        const std::size_t stride = std::size_t{out.width} * 4;
        const std::uint64_t bytes = std::uint64_t{stride} * out.height;
        if (bytes > plan.limits.workBytes || buffered_ > plan.limits.workBytes - bytes)
            return Error(grErrc::overBudget, "WebP: the decoded picture exceeds the memory budget");
        std::vector<unsigned char> rows;
        rows.resize(bytes); // zero: the canvas around a smaller first frame is transparent
        WebPDecoderConfig config;
        if (!WebPInitDecoderConfig(&config))
            return Error(grErrc::unsupported, "WebP: the decoder could not start");
        config.options.use_threads = 1;
        std::size_t at = 0;
        if (covers_ && (out.width != plan.stored.width || out.height != plan.stored.height)) {
            config.options.use_scaling = 1;
            config.options.scaled_width = static_cast<int>(out.width);
            config.options.scaled_height = static_cast<int>(out.height);
        } else if (!covers_) {
            at = stride * std::size_t(frame_.y_offset) + std::size_t(frame_.x_offset) * 4;
        }
        config.output.colorspace = MODE_BGRA;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = rows.data() + at;
        config.output.u.RGBA.stride = static_cast<int>(stride);
        config.output.u.RGBA.size = rows.size() - at;
        const VP8StatusCode status =
            WebPDecode(frame_.fragment.bytes, frame_.fragment.size, &config);
        WebPFreeDecBuffer(&config.output);
        if (status != VP8_STATUS_OK)
            return errorOf(status);
        for (std::uint32_t y = 0; y < out.height; ++y)
            sink.push(rows.data() + stride * y);
        return {};
    }

private:
    WebPData bytes_;
    std::unique_ptr<WebPDemuxer, DemuxDeleter> demux_;
    WebPIterator frame_{};
    bool haveFrame_ = false, covers_ = true;
    std::uint64_t buffered_ = 0;
};

} // namespace

std::unique_ptr<RowSource> makeWebpSource(const unsigned char* data, std::size_t size) {
    return std::make_unique<WebpSource>(data, size);
}

} // namespace libphoto::detail
