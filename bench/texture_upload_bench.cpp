// Uploading one 512 by 512 24-bit photograph as a mipmapped texture, the way the billboards
// do: through GLU (which scales and builds every level on the CPU) against the
// generate-mipmap path (level 0 sent once, GL builds the chain), measured in one run.
// Needs an X display (scripts/bench.sh provides one) and the photograph in the working
// directory, where the build paints it (build/app).
#include "bench_support.h"
#include "libgr/bmp_file.h"
#include "libgr/extensions.h"
#include "libgr/image_record.h"
#include "libgr/texture_image.h"
#include "libgr/texture_object.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

const char* kPhoto = "p6155961.bmp";

struct Photo {
    libgr::grBmpFile file;
    libgr::grImage2D image;
    bool ok = false;
    Photo() { ok = file.load(kPhoto) && libgr::grBmpToImage(image, file); }
};

void upload(benchmark::State& state, bool generate) {
    static Photo photo;
    if (!photo.ok) {
        state.SkipWithError("p6155961.bmp not found in the working directory");
        return;
    }
    const int saved = libgr::hasGenerateMipmap;
    libgr::hasGenerateMipmap = generate ? 1 : 0;
    libgr::grTexParams2D params;
    params.set(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT, 1.0f);
    libgr::grTexture2D texture;
    texture.setMipmapped(true);
    texture.setImage(photo.image, 0, 0);
    texture.setParams(&params);
    libgr::grTextureObject object;
    for (auto _ : state) {
        object.load(texture);
        glFinish(); // the upload is done when GL has the whole chain
    }
    libgr::hasGenerateMipmap = saved;
    GLint levels = 0, w = 1;
    while (w > 0 && levels < 16) {
        glGetTexLevelParameteriv(GL_TEXTURE_2D, levels, GL_TEXTURE_WIDTH, &w);
        levels += w > 0 ? 1 : 0;
    }
    state.counters["levels"] = levels;
}

void BM_UploadGluMipmaps(benchmark::State& state) {
    upload(state, false);
}
void BM_UploadGenerateMipmap(benchmark::State& state) {
    upload(state, true);
}

BENCHMARK(BM_UploadGluMipmaps)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UploadGenerateMipmap)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    bench::openGlWindow(argc, argv, "texture_upload_bench");
    if (!libgr::probeGenerateMipmap())
        std::fprintf(stderr, "texture_upload_bench: no generate-mipmap extension here\n");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
