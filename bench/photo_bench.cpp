// A 24-megapixel photograph (6000 x 4000, made here: smooth shading with fine noise, JPEG at
// quality 90 4:2:0 and PNG at zlib's default level), as files, from file to mipmapped texture:
// each stage of the library's road (decoding at the longest side asked for, the mipmap chain,
// the upload of every level to GL) and the whole road in one call (PhotoTexture::load), against
// what most programs do with the same file (stb_image decodes it whole, gluBuild2DMipmaps
// scales it and builds the levels), in one run under X. Prints the medians and the ratios
// after the table.
#include "bench_support.h"
#include "libphoto/mipmap.h"
#include "libphoto/photo.h"
#include "libphoto/photo_texture.h"

#include <GL/glu.h>
#include <benchmark/benchmark.h>
#include <spng.h>
#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#include "stb_image_here.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;
using bench::Bytes;

Bytes picture() {
    return bench::shadedPicture(kWidth, kHeight, {0.002, 0.001, 0.0031});
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

// The two files, written once for the whole run and removed at its end.
std::string paths[2];

void writeFiles() {
    for (int k = 0; k < 2; ++k) {
        paths[k] = "/tmp/pluvina-photo-bench-" + std::to_string(getpid()) + (k ? ".png" : ".jpg");
        bench::writeOrExit(paths[k], k == 0 ? jpegFile() : pngFile(), "photo_bench");
    }
}

libphoto::TextureRequest requestFor(std::int64_t longest) {
    libphoto::TextureRequest request;
    request.photo.longestSide = static_cast<std::uint32_t>(longest);
    request.keepNonPowerOfTwo = true; // llvmpipe has GL_ARB_texture_non_power_of_two
    return request;
}

// The picture decoded at a longest side and its chain, made once per kind and side.
std::map<std::pair<int, std::int64_t>, libphoto::PhotoTexture> made;

libphoto::PhotoTexture& prepared(int kind, std::int64_t longest) {
    libphoto::PhotoTexture& photo = made[{kind, longest}];
    if (photo.levels().empty() && !photo.prepare(paths[kind].c_str(), requestFor(longest))) {
        std::fprintf(stderr, "photo_bench: %s\n", photo.reason());
        std::exit(1);
    }
    return photo;
}

// range(0): 0 JPEG, 1 PNG; range(1): longest side asked for.
void BM_Decode(benchmark::State& state) {
    const libphoto::PhotoOptions options = requestFor(state.range(1)).photo;
    for (auto _ : state) {
        libgr::grImage2D image;
        if (!libphoto::decodePhoto(paths[state.range(0)].c_str(), options, image))
            state.SkipWithError(libphoto::photoFailureReason());
        benchmark::DoNotOptimize(image.pixels.begin());
    }
}

void BM_MipmapChain(benchmark::State& state) {
    const libgr::grImage2D& base = prepared(int(state.range(0)), state.range(1)).levels()[0];
    for (auto _ : state) {
        std::vector<libgr::grImage2D> levels;
        libphoto::buildMipmapChain(base, true, levels);
        benchmark::DoNotOptimize(levels.data());
    }
}

// Every level of the prepared chain sent to GL, into a fresh texture name as a new picture
// gets (GL allocates its storage anew), until GL has it all.
void BM_Upload(benchmark::State& state) {
    libphoto::PhotoTexture& photo = prepared(int(state.range(0)), state.range(1));
    for (auto _ : state) {
        photo.releaseTexture();
        if (!photo.upload())
            state.SkipWithError(photo.reason());
        glFinish();
    }
}

// The whole road: PhotoTexture::load from the file to the texture.
void BM_FileToTexture(benchmark::State& state) {
    const libphoto::TextureRequest request = requestFor(state.range(1));
    for (auto _ : state) {
        libphoto::PhotoTexture photo;
        if (!photo.load(paths[state.range(0)].c_str(), request))
            state.SkipWithError(photo.reason());
        glFinish();
    }
}

// What most programs do: stb_image decodes the whole file, gluBuild2DMipmaps scales it to a
// power of two and builds every level.
void BM_StbGlu(benchmark::State& state) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        unsigned char* rgb = stbi_load(paths[state.range(0)].c_str(), &w, &h, &n, 3);
        if (rgb == nullptr) {
            state.SkipWithError(stbi_failure_reason());
            break;
        }
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        glFinish();
        stbi_image_free(rgb);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glDeleteTextures(1, &name);
}

// stb_image's decode alone, the first stage of the baseline.
void BM_StbDecode(benchmark::State& state) {
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        unsigned char* rgb = stbi_load(paths[state.range(0)].c_str(), &w, &h, &n, 3);
        if (rgb == nullptr)
            state.SkipWithError(stbi_failure_reason());
        benchmark::DoNotOptimize(rgb);
        stbi_image_free(rgb);
    }
}

void sides(benchmark::internal::Benchmark* b) {
    for (int kind : {0, 1})
        for (int side : {1280, 2048})
            b->Args({kind, side});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_Decode)->Apply(sides);
BENCHMARK(BM_MipmapChain)->Apply(sides);
BENCHMARK(BM_Upload)->Apply(sides);
BENCHMARK(BM_FileToTexture)->Apply(sides);
// Seconds an iteration: one each is enough for a median over the repetitions.
BENCHMARK(BM_StbDecode)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_StbGlu)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// After the table: every median in milliseconds (CPU, then wall clock) and the whole road
// against stb_image + GLU.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                std::string key = run.benchmark_name();
                for (const char* suffix : {"_median", "/real_time", "/iterations:1"}) {
                    const std::size_t at = key.find(suffix);
                    if (at != std::string::npos)
                        key.erase(at, std::string(suffix).size());
                }
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
                const double baseline = (*times)[std::string("BM_StbGlu/") + kind];
                for (const char* side : {"1280", "2048"}) {
                    const std::string args = std::string(kind) + "/" + side;
                    const double ours = (*times)["BM_FileToTexture/" + args];
                    const double stages = (*times)["BM_Decode/" + args] +
                                          (*times)["BM_MipmapChain/" + args] +
                                          (*times)["BM_Upload/" + args];
                    std::printf("  %s longest %s: file to texture %.1f ms (stages %.1f), "
                                "stb_image + GLU %.1f ms, %.2fx faster\n",
                                *kind == '0' ? "JPEG" : "PNG ", side, ours, stages, baseline,
                                ours > 0 ? baseline / ours : 0.0);
                }
            }
        }
    }

private:
    std::map<std::string, double> cpu_, real_;
};

} // namespace

int main(int argc, char** argv) {
    bench::openGlWindow(argc, argv, "photo_bench");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    writeFiles();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    made.clear(); // their texture names, while the context is there
    for (const std::string& path : paths)
        std::remove(path.c_str());
    return 0;
}
