// The road: the source for a kind, the plan (every size and limit, decided once for every
// kind), and the run from bytes through the scaler to an upright picture.
#include "road.h"

#include "colour.h"
#include "libgr/pixel_format.h"
#include "libphoto/orientation.h"
#include "records.h"
#include "relay.h"
#include "scaler.h"

#include <algorithm>
#include <optional>
#include <thread>

#if PLUVINA_PHOTO_HEIF
#include "heif.h"
#endif
#if PLUVINA_PHOTO_WEBP
#include "webp.h"
#endif

namespace libphoto::detail {

PhotoSize scaledSize(PhotoSize size, DecoderScale scale) {
    auto side = [&](std::uint32_t n) {
        const std::uint64_t v = (std::uint64_t{n} * scale.num + scale.denom - 1) / scale.denom;
        return static_cast<std::uint32_t>(std::max<std::uint64_t>(v, 1));
    };
    return {side(size.width), side(size.height)};
}

std::unique_ptr<RowSource> sourceFor(const unsigned char* data, std::size_t size) {
    const PhotoKind kind = sniffPhoto(data, size);
    switch (kind) {
    case PhotoKind::Jpeg:
        return makeJpegSource(data, size);
    case PhotoKind::Png:
        return makePngSource(data, size);
    case PhotoKind::Bmp:
        return makeBmpSource(data, size);
#if PLUVINA_PHOTO_HEIF
    case PhotoKind::Heif:
    case PhotoKind::Avif:
        return heifDecodes(kind) ? makeHeifSource(data, size) : nullptr;
#endif
#if PLUVINA_PHOTO_WEBP
    case PhotoKind::Webp:
        return makeWebpSource(data, size);
#endif
    default:
        return nullptr;
    }
}

Limits limitsOf(const PhotoOptions& options) {
    Limits limits;
    limits.pixels = options.maxPixels;
    limits.fileBytes = options.maxFileBytes;
    limits.workBytes = kMemoryBudget;
    limits.scans = kMostScans;
    return limits;
}

Error makePlan(const ProbeInfo& info, const PhotoOptions& options, std::uint64_t fileBytes,
               Plan& plan) {
    Plan p;
    p.limits = limitsOf(options);
    p.stored = {info.width, info.height};
    if (info.width == 0 || info.height == 0)
        return Error(grErrc::corrupt, "the picture has no pixels");
    if (std::uint64_t{info.width} * info.height > p.limits.pixels)
        return Error(grErrc::tooManyPixels, "the picture has more pixels than allowed");
    if (info.height > kMostRows)
        return Error(grErrc::sideTooLong,
                     "more rows than can be shown within a few seconds (2^24 at most)");
    const int channels = libgr::componentCount(info.layout);
    if (channels < 1 || channels > 4)
        return Error(grErrc::unsupported, "the decoder gives rows of no known layout");
    p.layout = info.layout;
    p.alpha = info.hasAlpha ? alphaIndexOf(info.layout) : -1;
    p.orientation = options.applyOrientation || info.turnIsPicture ? info.orientation : 1;
    // Fitting is the same for either side, so the stored picture is fitted before its turn.
    p.output = fitLongestSide(p.stored, options.longestSide, options.maxTextureSize);
    // The decoder's scale with the fewest pixels that still covers the output on both sides.
    p.decoded = p.stored;
    for (const DecoderScale& s : info.scales) {
        const PhotoSize d = scaledSize(p.stored, s);
        if (s.num == 0 || s.num > s.denom || d.width < p.output.width ||
            d.height < p.output.height ||
            std::uint64_t{d.width} * d.height >= std::uint64_t{p.decoded.width} * p.decoded.height)
            continue;
        p.decoded = d;
        p.scale = s;
    }
    // The budget: the file's bytes and the output (twice when it is turned) stay for the
    // whole road; the rest is the decoder's, the delivered row's and the scaler's.
    const std::uint64_t outputBytes =
        std::uint64_t{p.output.width} * p.output.height * channels * (p.orientation > 1 ? 2 : 1);
    const std::uint64_t streaming = std::uint64_t{p.decoded.width} * channels + info.rowBytes +
                                    std::uint64_t{p.output.width} * channels * 18;
    const std::uint64_t fixed = fileBytes + outputBytes;
    if (fixed > kMemoryBudget)
        return Error(grErrc::overBudget,
                     "the file and the picture shown need more than the memory budget of 256 MiB");
    if (streaming > kMemoryBudget - fixed)
        return Error(grErrc::sideTooLong,
                     "a side too long to stream within the memory budget of 256 MiB");
    p.limits.workBytes = kMemoryBudget - fixed - streaming;
    if (info.bufferedBytes > p.limits.workBytes)
        return Error(grErrc::overBudget,
                     "the decoder would need more than the memory budget of 256 MiB");
    plan = p;
    return Error();
}

namespace {

// The rows the decoder may run ahead of the scaler on a second thread: 0 where that is not
// worth a thread (no scaling, a small picture, one core) or the ring would not fit the budget
// beside the decoder's own buffers (`rowBytes` a decoded row).
std::size_t relayDepth(const Plan& plan, const ProbeInfo& info, std::size_t rowBytes) {
    const std::uint64_t pixels = std::uint64_t{plan.decoded.width} * plan.decoded.height;
    const bool scales =
        plan.decoded.width != plan.output.width || plan.decoded.height != plan.output.height;
    if (!scales || pixels < kRelayPixels || std::thread::hardware_concurrency() < 2 ||
        rowBytes == 0)
        return 0;
    const std::size_t depth = std::min<std::size_t>(kRelayRows, kRelayBytes / rowBytes);
    // The ring comes out of what the decoder's own buffers leave of the budget.
    const std::uint64_t left =
        plan.limits.workBytes - std::min(plan.limits.workBytes, info.bufferedBytes);
    return depth >= 4 && std::uint64_t{depth} * rowBytes <= left ? depth : 0;
}

} // namespace

Error decodeRoad(const unsigned char* data, std::size_t size, const PhotoOptions& options,
                 libgr::grImage2D& out, std::vector<unsigned char>* owner) {
    const std::unique_ptr<RowSource> source = sourceFor(data, size);
    if (!source && sniffPhoto(data, size) != PhotoKind::Unknown)
        return Error(grErrc::unsupported, "a kind of picture this build does not read");
    if (!source)
        return Error(grErrc::unknownKind, "not a picture of a kind this library reads");
    ProbeInfo info;
    if (Error e = source->probe(info, limitsOf(options)))
        return e;
    Plan plan;
    if (Error e = makePlan(info, options, info.inputDone ? 0 : size, plan))
        return e;
    if (info.inputDone && owner != nullptr)
        std::vector<unsigned char>().swap(*owner);
    libgr::grImage2D image;
    if (!makeRecord(image, plan.layout, plan.output.width, plan.output.height))
        return Error(grErrc::outOfMemory, "out of memory for the picture");
    RowScaler scaler(plan.decoded.width, plan.decoded.height, viewOf(image), plan.alpha);
    // With a core to spare, a large picture is scaled on a second thread while the decoder
    // makes the next rows.
    const std::size_t rowBytes = std::size_t{plan.decoded.width} * viewOf(image).channels;
    const std::size_t depth = relayDepth(plan, info, rowBytes);
    std::optional<RowRelay> relay;
    if (depth != 0)
        relay.emplace(scaler, rowBytes, depth);
    if (Error e = source->decode(plan, relay ? static_cast<RowSink&>(*relay) : scaler))
        return e;
    if (relay)
        relay->finish();
    if (!scaler.done())
        return Error(grErrc::truncated, "the decoder gave fewer rows than the picture has");
    // Into sRGB after scaling, where there are fewest pixels to convert. A profile that cannot
    // be used is passed over: the picture is shown as stored.
    const View rows = viewOf(image);
    convertToSrgb(info.colour, plan.layout, rows.top, rows.stride, rows.width, rows.height);
    if (plan.orientation > 1) {
        libgr::grImage2D turned;
        if (!orientPhoto(image, plan.orientation, turned))
            return Error(grErrc::outOfMemory, "out of memory for the turned picture");
        image = turned;
    }
    out = image;
    return Error();
}

} // namespace libphoto::detail
