// Loading a 4096 x 4096 24-bit BMP into an upload-ready grImage2D, against a plain read() of
// the same file into one buffer and against a general-purpose image decoder, all in one run
// with a warm page cache. Besides time, it reports how much memory the reader takes beyond
// the file's own bytes: live after the record is built (mallinfo2) and at the peak
// (operator new, counted while loading).
#include "libgr/bmp_file.h"
#include "libgr/image_record.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <map>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

// ---- allocation accounting ------------------------------------------------------------------

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long long> g_live{0};
std::atomic<long long> g_peak{0};

void noteAlloc(void* p) {
    if (p == nullptr || !g_counting.load(std::memory_order_relaxed))
        return;
    const long long now = g_live += static_cast<long long>(malloc_usable_size(p));
    long long peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
}
void noteFree(void* p) {
    if (p != nullptr && g_counting.load(std::memory_order_relaxed))
        g_live -= static_cast<long long>(malloc_usable_size(p));
}
// Out of line: compilers that see malloc/free paired with new/delete inline warn about it.
[[gnu::noinline]] void release(void* p) {
    noteFree(p);
    std::free(p);
}
[[gnu::noinline]] void* counted(std::size_t n) {
    void* p = std::malloc(n == 0 ? 1 : n);
    noteAlloc(p);
    return p;
}
} // namespace

void* operator new(std::size_t n) {
    if (void* p = counted(n))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = counted(n))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return counted(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return counted(n);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}

// ---- the test file ----------------------------------------------------------------------------

namespace {

constexpr int kEdge = 4096;

const std::string& benchFile() {
    static const std::string path = [] {
        const std::string p = "/tmp/bmp_load_bench_" + std::to_string(getpid()) + ".bmp";
        const std::uint32_t stride = kEdge * 3; // already a multiple of 4
        const std::uint32_t pixels = stride * kEdge;
        std::vector<unsigned char> bytes(54 + static_cast<std::size_t>(pixels));
        auto put = [&](std::size_t at, std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i)
                bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
        };
        bytes[0] = 'B';
        bytes[1] = 'M';
        put(2, 54 + pixels, 4);
        put(10, 54, 4);
        put(14, 40, 4);
        put(18, kEdge, 4);
        put(22, kEdge, 4);
        put(26, 1, 2);
        put(28, 24, 2);
        put(34, pixels, 4);
        for (std::size_t i = 54; i < bytes.size(); ++i)
            bytes[i] = static_cast<unsigned char>(i * 2654435761u >> 24);
        std::FILE* f = std::fopen(p.c_str(), "wb");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
            std::abort();
        std::fclose(f);
        std::atexit([] { std::remove(benchFile().c_str()); });
        return p;
    }();
    return path;
}

std::size_t fileSize() {
    struct stat st {};
    stat(benchFile().c_str(), &st);
    return static_cast<std::size_t>(st.st_size);
}

// One plain read() of the whole file into a fresh buffer.
bool readWhole() {
    const int fd = open(benchFile().c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    const std::size_t size = fileSize();
    unsigned char* buffer = new unsigned char[size];
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, buffer + done, size - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    close(fd);
    benchmark::DoNotOptimize(buffer[size - 1]);
    delete[] buffer;
    return done == size;
}

bool loadRecord(libgr::grBmpFile& file, libgr::grImage2D& image) {
    return file.load(benchFile().c_str()) && libgr::grBmpToImage(image, file);
}

void BM_PlainRead(benchmark::State& state) {
    readWhole(); // warm cache
    for (auto _ : state)
        if (!readWhole())
            state.SkipWithError("read failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize()));
}

void BM_BmpToImage(benchmark::State& state) {
    readWhole();
    for (auto _ : state) {
        libgr::grBmpFile file;
        libgr::grImage2D image;
        if (!loadRecord(file, image))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(image.pixels.begin());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize()));

    // Memory beyond the file's bytes: peak while loading, and live with the record built.
    const long long size = static_cast<long long>(fileSize());
    const struct mallinfo2 before = mallinfo2();
    g_live = 0;
    g_peak = 0;
    g_counting = true;
    {
        libgr::grBmpFile file;
        libgr::grImage2D image;
        loadRecord(file, image);
        const struct mallinfo2 after = mallinfo2();
        const long long live = static_cast<long long>(after.uordblks + after.hblkhd) -
                               static_cast<long long>(before.uordblks + before.hblkhd);
        state.counters["live_extra_B"] = static_cast<double>(live - size);
        g_counting = false;
    }
    state.counters["peak_extra_B"] = static_cast<double>(g_peak.load() - size);
}

void BM_StbDecode(benchmark::State& state) {
    readWhole();
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        unsigned char* rgb = stbi_load(benchFile().c_str(), &w, &h, &n, 0);
        if (rgb == nullptr)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(rgb);
        stbi_image_free(rgb);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize()));
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BmpToImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StbDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints, after the usual table, each benchmark's median relative to the plain read.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !medians_.count(base(name))))
                medians_[base(name)] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto read = medians_.find("BM_PlainRead");
        if (read == medians_.end() || read->second <= 0)
            return;
        for (const auto& [name, time] : medians_)
            std::printf("%-16s %.3f x plain read\n", name.c_str(), time / read->second);
    }

private:
    static std::string base(const std::string& name) { return name.substr(0, name.find('/')); }
    std::map<std::string, double> medians_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchFile();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
