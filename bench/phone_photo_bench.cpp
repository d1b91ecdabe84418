// A 12-megapixel photograph as a phone keeps it (4032 x 3024, made here: smooth shading with
// fine noise), as a HEIC file (HEVC at quality 80, made by libheif's encoder) and a WebP file
// (lossy, quality 80), and the WebP again with a Display P3 profile made by Little CMS: from
// file to a picture at longest side 1024 (the decode stage) and to a mipmapped texture (the
// whole road), in one run under X. What the conversion into sRGB costs: the colour stage
// alone on the picture shown (the library's own internal call, as the road makes it), and the
// P3 file's decode less the untagged one's; the lines after the table set it against each
// decode.
// A 48-megapixel photograph as phones store it (8064 x 6048, a grid of 16 x 12 HEVC tiles of
// 512 x 512, the last row and column cut) is decoded beside them: a row of tiles at a time, so
// that it fits the memory budget.
// The encoded files are kept in the working folder (encoding takes a while) and reused.
#include "bench_support.h"
#include "colour.h"     // the photo library's own colour stage, measured alone
#include "heif_boxes.h" // its HEIF box reader and writer, to put the grid together
#include "libphoto/photo.h"
#include "libphoto/photo_texture.h"
#include "records.h" // its views of a record's rows

#include <benchmark/benchmark.h>
#include <lcms2.h>
#include <libheif/heif.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 4032, kHeight = 3024;
constexpr std::int64_t kLongest = 1024;
using bench::Bytes;

Bytes picture() {
    return bench::shadedPicture(kWidth, kHeight, {0.003, 0.0015, 0.0041});
}

heif_error append(heif_context*, const void* data, size_t size, void* out) {
    auto* b = static_cast<Bytes*>(out);
    b->insert(b->end(), static_cast<const unsigned char*>(data),
              static_cast<const unsigned char*>(data) + size);
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}

// The width x height part of `rgb` (rows of `stride` pixels) at (left, top) as a HEIC file.
Bytes heicFile(const Bytes& rgb, int width, int height, int stride = kWidth, int left = 0,
               int top = 0) {
    heif_image* image = nullptr;
    heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, width, height, 8);
    int planeStride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &planeStride);
    for (int y = 0; y < height; ++y)
        std::copy_n(&rgb[(std::size_t(top + y) * stride + left) * 3], width * 3,
                    plane + std::size_t(y) * planeStride);
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 80);
    heif_encoder_set_parameter(encoder, "preset", "fast");
    heif_context_encode_image(ctx, image, encoder, nullptr, nullptr);
    Bytes out;
    heif_writer writer{1, append};
    heif_context_write(ctx, &writer, &out);
    heif_encoder_release(encoder);
    heif_image_release(image);
    heif_context_free(ctx);
    return out;
}

// The 48-megapixel grid: each tile coded by libheif alone, read back and put behind a grid item.
Bytes gridFile() {
    using namespace libphoto::detail;
    constexpr int kTile = 512, kColumns = 16, kRows = 12, kGridW = 8064, kGridH = 6048;
    const Bytes rgb =
        bench::shadedPicture(kColumns * kTile, kRows * kTile, {0.0015, 0.00075, 0.002});
    std::vector<HeifItemOut> items(1);
    items[0].type = fourcc("grid");
    items[0].inIdat = true;
    items[0].data = {0,           0,           kRows - 1, kColumns - 1, kGridW >> 8, kGridW & 255,
                     kGridH >> 8, kGridH & 255};
    const Bytes ispe{0, 0, 0, 20, 'i',         's',          'p', 'e', 0,           0,
                     0, 0, 0, 0,  kGridW >> 8, kGridW & 255, 0,   0,   kGridH >> 8, kGridH & 255};
    items[0].properties.push_back({ispe, false});
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            const Bytes file = heicFile(rgb, kTile, kTile, kColumns * kTile, c * kTile, r * kTile);
            HeifBoxes boxes;
            if (readHeifBoxes(file.data(), file.size(), boxes))
                std::exit(1);
            const HeifItem& tile = *boxes.item(boxes.primary);
            HeifItemOut out;
            out.type = tile.type;
            out.data = heifItemBytes(file.data(), tile);
            for (const HeifAssociation& a : tile.properties) {
                const HeifRange box = boxes.properties[a.index].box;
                out.properties.push_back(
                    {Bytes(&file[box.offset], &file[box.offset] + box.size), a.essential});
            }
            items[0].derivedFrom.push_back(static_cast<std::uint16_t>(items.size() + 1));
            items.push_back(std::move(out));
        }
    return writeHeif(fourcc("heic"), items);
}

Bytes webpFile(const Bytes& rgb) {
    std::uint8_t* coded = nullptr;
    const std::size_t size = WebPEncodeRGB(rgb.data(), kWidth, kHeight, kWidth * 3, 80, &coded);
    Bytes out(coded, coded + size);
    WebPFree(coded);
    return out;
}

Bytes p3Profile() {
    const cmsCIExyY white{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE p3{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &p3, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes icc(size);
    cmsSaveProfileToMem(profile, icc.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);
    return icc;
}

// The same WebP file with a Display P3 profile in its ICCP chunk.
Bytes withP3(const Bytes& webp) {
    const Bytes icc = p3Profile();
    const WebPData image{webp.data(), webp.size()}, chunk{icc.data(), icc.size()};
    WebPMux* mux = WebPMuxCreate(&image, 0);
    WebPMuxSetChunk(mux, "ICCP", &chunk, 0);
    WebPData assembled{};
    WebPMuxAssemble(mux, &assembled);
    Bytes out(assembled.bytes, assembled.bytes + assembled.size);
    WebPDataClear(&assembled);
    WebPMuxDelete(mux);
    return out;
}

const char* const kNames[4] = {"phone-bench-12mp.heic", "phone-bench-12mp.webp",
                               "phone-bench-12mp-p3.webp", "phone-bench-48mp-grid.heic"};

// The four files in the working folder, made when they are not there yet.
void makeFiles() {
    Bytes rgb;
    for (int k = 0; k < 4; ++k) {
        if (std::FILE* f = std::fopen(kNames[k], "rb")) {
            std::fclose(f);
            continue;
        }
        if (k == 3) {
            bench::writeOrExit(kNames[k], gridFile(), "phone_photo_bench");
            continue;
        }
        if (rgb.empty())
            rgb = picture();
        const Bytes made = k == 0   ? heicFile(rgb, kWidth, kHeight)
                           : k == 1 ? webpFile(rgb)
                                    : withP3(webpFile(rgb));
        bench::writeOrExit(kNames[k], made, "phone_photo_bench");
    }
}

libphoto::TextureRequest request() {
    libphoto::TextureRequest r;
    r.photo.longestSide = kLongest;
    r.keepNonPowerOfTwo = true; // llvmpipe has GL_ARB_texture_non_power_of_two
    return r;
}

// range(0): 0 HEIC, 1 WebP, 2 WebP with a P3 profile, 3 the 48-megapixel HEIC grid.
void BM_Decode(benchmark::State& state) {
    const libphoto::PhotoOptions options = request().photo;
    for (auto _ : state) {
        libgr::grImage2D image;
        if (!libphoto::decodePhoto(kNames[state.range(0)], options, image))
            state.SkipWithError(libphoto::photoFailureReason());
        benchmark::DoNotOptimize(image.pixels.begin());
    }
}

// The whole road: PhotoTexture::load from the file to the mipmapped texture.
void BM_FileToTexture(benchmark::State& state) {
    for (auto _ : state) {
        libphoto::PhotoTexture photo;
        if (!photo.load(kNames[state.range(0)], request()))
            state.SkipWithError(photo.reason());
        glFinish();
    }
}

// CPU time of the whole process: the decoders' own threads count, and a loaded machine's
// waits do not.
// The colour stage alone, as the road runs it: the picture shown (the WebP at longest side
// 1024) converted from Display P3 into sRGB, in place.
void BM_ColourStage(benchmark::State& state) {
    libgr::grImage2D image;
    if (!libphoto::decodePhoto(kNames[1], request().photo, image)) {
        state.SkipWithError(libphoto::photoFailureReason());
        return;
    }
    libphoto::detail::ColourInfo p3;
    p3.icc = p3Profile();
    const libphoto::detail::View rows = libphoto::detail::viewOf(image);
    for (auto _ : state)
        libphoto::detail::convertToSrgb(p3, image.layout, rows.top, rows.stride, rows.width,
                                        rows.height);
}

BENCHMARK(BM_ColourStage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Decode)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_FileToTexture)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();

// After the table: the colour conversion's share (the P3 file's decode less the plain one's)
// against each decode, from the medians.
class ColourReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                real_[run.run_name.str()] = run.GetAdjustedRealTime();
                cpu_[run.run_name.str()] = run.GetAdjustedCPUTime();
            }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const char* decode[4] = {
            "BM_Decode/0/process_time/real_time", "BM_Decode/1/process_time/real_time",
            "BM_Decode/2/process_time/real_time", "BM_Decode/3/process_time/real_time"};
        std::printf("\nmedians, wall clock: decode at longest side %lld: HEIC %.1f ms, WebP %.1f "
                    "ms; file to texture: HEIC %.1f ms, WebP %.1f ms\n",
                    static_cast<long long>(kLongest), real_[decode[0]], real_[decode[1]],
                    real_["BM_FileToTexture/0/real_time"], real_["BM_FileToTexture/1/real_time"]);
        std::printf("48-megapixel HEIC grid, tile by tile, at longest side %lld: %.1f ms wall "
                    "clock, %.1f ms CPU\n",
                    static_cast<long long>(kLongest), real_[decode[3]], cpu_[decode[3]]);
        const double heic = cpu_[decode[0]], webp = cpu_[decode[1]];
        const double colour = cpu_["BM_ColourStage/real_time"];
        std::printf("the P3 file's decode less the plain one's, CPU: %.1f ms (within the noise)\n",
                    cpu_[decode[2]] - webp);
        std::printf("medians, CPU time of every thread: decode HEIC %.1f ms, WebP %.1f ms\n", heic,
                    webp);
        std::printf("colour conversion P3 to sRGB: %.1f ms, %.3f of the HEIC decode, %.3f of the "
                    "WebP decode (goal: at most 0.1)\n",
                    colour, heic > 0 ? colour / heic : 0.0, webp > 0 ? colour / webp : 0.0);
    }

private:
    std::map<std::string, double> real_, cpu_;
};

} // namespace

int main(int argc, char** argv) {
    bench::openGlWindow(argc, argv, "phone_photo_bench");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    makeFiles();
    ColourReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
