// The CPU stages of a 24-megapixel photograph (6000 x 4000, made here: smooth shading with
// fine noise, JPEG at quality 90 4:2:0 and PNG at zlib's default level): decoding at full size
// and at a longest side of 2048, the area downscale, and mipmap chains, against stb_image
// decoding the same bytes in the same run. Prints the medians and the ratios after the table.
#include "libphoto/mipmap.h"
#include "libphoto/photo.h"
#include "libphoto/resample.h"

#include <benchmark/benchmark.h>
#include <spng.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

constexpr int kWidth = 6000, kHeight = 4000;
using Bytes = std::vector<unsigned char>;

// Shading in broad waves, as light falls on a scene, plus a little sensor noise.
Bytes picture() {
    Bytes rgb(std::size_t(kWidth) * kHeight * 3);
    std::uint32_t noise = 2463534242u;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            unsigned char* p = &rgb[(std::size_t(y) * kWidth + x) * 3];
            for (int c = 0; c < 3; ++c) {
                const double v = 128 + 60 * std::sin(x * (0.002 + c * 0.0007) + y * 0.001 * c) +
                                 40 * std::cos(y * 0.0031 - x * 0.0005 * c);
                p[c] = static_cast<unsigned char>(
                    std::clamp(v + int(noise >> (8 * c) & 7) - 3.5, 0.0, 255.0));
            }
        }
    return rgb;
}

const Bytes& jpegFile() {
    static const Bytes file = [] {
        const Bytes rgb = picture();
        tjhandle h = tjInitCompress();
        unsigned char* buf = nullptr;
        unsigned long size = 0;
        tjCompress2(h, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &buf, &size, TJSAMP_420, 90, 0);
        Bytes out(buf, buf + size);
        tjFree(buf);
        tjDestroy(h);
        return out;
    }();
    return file;
}

const Bytes& pngFile() {
    static const Bytes file = [] {
        const Bytes rgb = picture();
        spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
        spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
        spng_ihdr ihdr{kWidth, kHeight, 8, SPNG_COLOR_TYPE_TRUECOLOR, 0, 0, 0};
        spng_set_ihdr(ctx, &ihdr);
        spng_encode_image(ctx, rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
        std::size_t size = 0;
        int err = 0;
        auto* buf = static_cast<unsigned char*>(spng_get_png_buffer(ctx, &size, &err));
        Bytes out(buf, buf + size);
        std::free(buf);
        spng_ctx_free(ctx);
        return out;
    }();
    return file;
}

const Bytes& fileOf(int kind) {
    return kind == 0 ? jpegFile() : pngFile();
}

const libgr::grImage2D& decoded(std::uint32_t longest) {
    static std::map<std::uint32_t, libgr::grImage2D> images;
    libgr::grImage2D& image = images[longest];
    if (image.width == 0) {
        libphoto::PhotoOptions options;
        options.longestSide = longest;
        libphoto::decodePhotoMemory(jpegFile().data(), jpegFile().size(), options, image);
    }
    return image;
}

// range(0): 0 JPEG, 1 PNG; range(1): longest side asked for (0: full size).
void BM_Decode(benchmark::State& state) {
    const Bytes& file = fileOf(static_cast<int>(state.range(0)));
    libphoto::PhotoOptions options;
    options.longestSide = static_cast<std::uint32_t>(state.range(1));
    for (auto _ : state) {
        libgr::grImage2D image;
        if (!libphoto::decodePhotoMemory(file.data(), file.size(), options, image))
            state.SkipWithError(libphoto::photoFailureReason());
        benchmark::DoNotOptimize(image.pixels.begin());
    }
    state.counters["file_MB"] = file.size() / 1e6;
}

void BM_Stb(benchmark::State& state) {
    const Bytes& file = fileOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        unsigned char* rgb =
            stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, 3);
        if (rgb == nullptr)
            state.SkipWithError(stbi_failure_reason());
        benchmark::DoNotOptimize(rgb);
        stbi_image_free(rgb);
    }
}

void BM_Downscale(benchmark::State& state) {
    const libgr::grImage2D& full = decoded(0);
    for (auto _ : state) {
        libgr::grImage2D image;
        libphoto::resamplePhoto(full, 2048, 1365, image);
        benchmark::DoNotOptimize(image.pixels.begin());
    }
}

// range(0): longest side of the base (0: full size); range(1): 1 keeps its sides, 0 goes to
// powers of two first.
void BM_MipmapChain(benchmark::State& state) {
    const libgr::grImage2D& base = decoded(static_cast<std::uint32_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<libgr::grImage2D> levels;
        libphoto::buildMipmapChain(base, state.range(1) != 0, levels);
        benchmark::DoNotOptimize(levels.data());
    }
}

BENCHMARK(BM_Decode)->Args({0, 0})->Args({0, 2048})->Args({1, 0})->Args({1, 2048})->Unit(
    benchmark::kMillisecond);
BENCHMARK(BM_Stb)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Downscale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MipmapChain)
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({2048, 1})
    ->Unit(benchmark::kMillisecond);

// After the table: every median in milliseconds (CPU, then wall clock) and the decoders
// against stb_image.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                const std::string name = run.benchmark_name();
                const std::string key = name.substr(0, name.rfind("_median"));
                cpu_[key] = run.GetAdjustedCPUTime();
                real_[key] = run.GetAdjustedRealTime();
            }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (auto* times : {&cpu_, &real_}) {
            std::printf("\nmedians, %s time (ms)\n", times == &cpu_ ? "CPU" : "wall-clock");
            for (const auto& [name, ms] : *times)
                std::printf("  %-36s %9.1f\n", name.c_str(), ms);
            for (const char* kind : {"0", "1"}) {
                const double stb = (*times)[std::string("BM_Stb/") + kind];
                for (const char* side : {"0", "2048"}) {
                    const double ours = (*times)[std::string("BM_Decode/") + kind + "/" + side];
                    std::printf("  %s longest %-5s stb_image / ours = %.2f\n",
                                *kind == '0' ? "JPEG" : "PNG ", side, ours > 0 ? stb / ours : 0.0);
                }
            }
        }
    }

private:
    std::map<std::string, double> cpu_, real_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    jpegFile();
    pngFile();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
