// Loading 4096 x 4096 BMP files of each kind (24-bit, 32-bit, 16-bit, 8-bit paletted, RLE8)
// into an upload-ready grImage2D, against a plain read() of the same file into one buffer and
// against stb_image, all in one run with a warm page cache. Besides time, it reports how much
// memory the reader takes beyond the file's own bytes: live after the record is built (mallinfo2)
// and at the peak (operator new, counted while loading).
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

#define STBI_ONLY_BMP
#include "stb_image_here.h"

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

// ---- the test files ---------------------------------------------------------------------------

namespace {

constexpr int kEdge = 4096;

// The kinds measured: what the reader shares (24, 32 and 16 bits) and what it decodes.
struct Kind {
    const char* name;
    std::uint16_t bits;
    std::uint32_t compression;
};
const Kind kKinds[] = {{"24-bit", 24, 0},
                       {"32-bit", 32, 0},
                       {"16-bit", 16, 0},
                       {"8-bit paletted", 8, 0},
                       {"RLE8", 8, 1}};

std::uint32_t noise(std::size_t i) {
    return static_cast<std::uint32_t>(i * 2654435761u >> 13);
}

// An RLE8 stream of kEdge rows: runs of 1 to 32 pixels, every fourth segment an absolute
// run of 3 to 18 indices, each row closed by an end-of-line code, then end of bitmap.
std::vector<unsigned char> rleStream() {
    std::vector<unsigned char> out;
    std::size_t seed = 1;
    for (int y = 0; y < kEdge; ++y) {
        for (int x = 0; x < kEdge;) {
            const std::uint32_t r = noise(++seed);
            int n = std::min<int>(kEdge - x, r % 4 == 0 ? 3 + r / 4 % 16 : 1 + r / 4 % 32);
            if (r % 4 == 0 && n >= 3) {
                out.insert(out.end(), {0, static_cast<unsigned char>(n)});
                for (int i = 0; i < n; ++i)
                    out.push_back(static_cast<unsigned char>(noise(++seed)));
                if (n % 2)
                    out.push_back(0);
            } else {
                n = std::min(n, 255);
                out.insert(out.end(),
                           {static_cast<unsigned char>(n), static_cast<unsigned char>(r >> 8)});
            }
            x += n;
        }
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0, 1});
    return out;
}

const std::string& benchFile(int kind) {
    static std::string paths[5];
    std::string& p = paths[kind];
    if (!p.empty())
        return p;
    p = "/tmp/bmp_load_bench_" + std::to_string(getpid()) + "_" + std::to_string(kind) + ".bmp";
    const Kind& k = kKinds[kind];
    const std::uint32_t colors = k.bits == 8 ? 256 : 0, head = 54 + 4 * colors;
    std::vector<unsigned char> pixels;
    if (k.compression == 1) {
        pixels = rleStream();
    } else {
        pixels.resize(std::size_t(kEdge) * kEdge * k.bits / 8); // rows need no padding
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<unsigned char>(noise(i) >> 11);
    }
    std::vector<unsigned char> bytes(head);
    auto put = [&](std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, head + static_cast<std::uint32_t>(pixels.size()), 4);
    put(10, head, 4);
    put(14, 40, 4);
    put(18, kEdge, 4);
    put(22, kEdge, 4);
    put(26, 1, 2);
    put(28, k.bits, 2);
    put(30, k.compression, 4);
    put(34, static_cast<std::uint32_t>(pixels.size()), 4);
    for (std::uint32_t i = 0; i < colors; ++i) // a colour table, not a grey one
        put(54 + 4 * i, noise(i + 7) & 0xFFFFFF, 4);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    std::FILE* f = std::fopen(p.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::abort();
    std::fclose(f);
    return p;
}

void removeFiles() {
    for (int kind = 0; kind < 5; ++kind)
        std::remove(benchFile(kind).c_str());
}

std::size_t fileSize(int kind) {
    struct stat st {};
    stat(benchFile(kind).c_str(), &st);
    return static_cast<std::size_t>(st.st_size);
}

// One plain read() of the whole file into a fresh buffer.
bool readWhole(int kind) {
    const int fd = open(benchFile(kind).c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    const std::size_t size = fileSize(kind);
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

bool loadRecord(int kind, libgr::grBmpFile& file, libgr::grImage2D& image) {
    return file.load(benchFile(kind).c_str()) && libgr::grBmpToImage(image, file);
}

void finish(benchmark::State& state, int kind) {
    state.SetLabel(kKinds[kind].name);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileSize(kind)));
}

void BM_PlainRead(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    readWhole(kind); // warm cache
    for (auto _ : state)
        if (!readWhole(kind))
            state.SkipWithError("read failed");
    finish(state, kind);
}

void BM_BmpToImage(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    readWhole(kind);
    for (auto _ : state) {
        libgr::grBmpFile file;
        libgr::grImage2D image;
        if (!loadRecord(kind, file, image))
            state.SkipWithError(libgr::grBmpFailureReason());
        benchmark::DoNotOptimize(image.pixels.begin());
    }
    finish(state, kind);

    // Memory beyond the file's bytes: peak while loading, and live with the record built.
    const long long size = static_cast<long long>(fileSize(kind));
    const struct mallinfo2 before = mallinfo2();
    g_live = 0;
    g_peak = 0;
    g_counting = true;
    {
        libgr::grBmpFile file;
        libgr::grImage2D image;
        loadRecord(kind, file, image);
        const struct mallinfo2 after = mallinfo2();
        const long long live = static_cast<long long>(after.uordblks + after.hblkhd) -
                               static_cast<long long>(before.uordblks + before.hblkhd);
        state.counters["live_extra_B"] = static_cast<double>(live - size);
        g_counting = false;
    }
    state.counters["peak_extra_B"] = static_cast<double>(g_peak.load() - size);
}

void BM_StbDecode(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    readWhole(kind);
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        unsigned char* rgb = stbi_load(benchFile(kind).c_str(), &w, &h, &n, 0);
        if (rgb == nullptr)
            state.SkipWithError(stbi_failure_reason());
        benchmark::DoNotOptimize(rgb);
        stbi_image_free(rgb);
    }
    finish(state, kind);
}

BENCHMARK(BM_PlainRead)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BmpToImage)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StbDecode)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints, after the usual table, each kind's reader and stb_image medians relative to the
// plain read of the same file, and the reader relative to stb_image.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !medians_.count(base(name)))) {
                medians_[base(name)] = run.GetAdjustedRealTime();
                cpu_[base(name)] = run.GetAdjustedCPUTime();
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        // Wall-clock medians, then CPU-time medians: on a machine shared with other work the
        // second are the steadier.
        for (auto* times : {&medians_, &cpu_}) {
            std::printf("%-16s %12s %12s %12s  (%s time)\n", "kind", "reader/read", "stb/read",
                        "reader/stb", times == &cpu_ ? "CPU" : "real");
            for (int kind = 0; kind < 5; ++kind) {
                const std::string arg = "/" + std::to_string(kind);
                const double read = (*times)["BM_PlainRead" + arg];
                const double reader = (*times)["BM_BmpToImage" + arg];
                const double stb = (*times)["BM_StbDecode" + arg]; // 0: stb_image refused it
                if (read > 0)
                    std::printf("%-16s %12.3f %12.3f %12.3f\n", kKinds[kind].name, reader / read,
                                stb / read, stb > 0 ? reader / stb : 0.0);
            }
        }
    }

private:
    // The name up to its argument: BM_PlainRead/2/real_time_median -> BM_PlainRead/2.
    static std::string base(const std::string& name) {
        return name.substr(0, name.find('/', name.find('/') + 1));
    }
    std::map<std::string, double> medians_, cpu_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    for (int kind = 0; kind < 5; ++kind)
        benchFile(kind);
    std::atexit(removeFiles);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
