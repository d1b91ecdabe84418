// Paints the two sample photographs the demo shows, as 512 by 512 24-bit BMP files:
// an upright landscape (sky, sun, hills, a lake) and a tiled floor seen from above.
// Both are drawn from scratch here, pixel by pixel; nothing is copied from anywhere.
//
// Usage: make_photos <output folder>
// Writes <folder>/p6155961.bmp (landscape) and <folder>/p6155955.bmp (floor).
// Usage: make_photos <output file> WxH
// Paints the landscape at W x H with a camera's fine noise on every pixel, as a binary PPM (for
// the benchmarks' large photographs; any encoder takes it from there).

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 512;

struct Rgb {
    float r, g, b;
};

Rgb mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float clamp01(float v) {
    return v < 0.f ? 0.f : (v > 1.f ? 1.f : v);
}

float smooth(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.f - 2.f * t);
}

// A cheap deterministic value noise, enough for hill outlines and texture grain.
float hash(int x, int y) {
    std::uint32_t h =
        static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>((h ^ (h >> 16)) & 0xffffu) / 65535.f;
}

float noise1(float x, int seed) {
    const int i = static_cast<int>(std::floor(x));
    const float f = x - static_cast<float>(i);
    const float u = f * f * (3.f - 2.f * f);
    return hash(i, seed) * (1.f - u) + hash(i + 1, seed) * u;
}

float ridge(float x, int seed) {
    float v = 0.f, amp = 0.5f, freq = 1.f;
    for (int o = 0; o < 5; ++o) {
        v += amp * noise1(x * freq, seed + o * 17);
        amp *= 0.5f;
        freq *= 2.1f;
    }
    return v;
}

// Image rows are stored top to bottom here (y = 0 is the top of the picture).
using Image = std::vector<Rgb>;

// Painted on a 512 x 512 frame stretched over `w` x `h` pixels (the sample is 512 x 512).
Image paintLandscape(int w, int h) {
    Image img(static_cast<std::size_t>(w) * h);
    const float sx = 512.f / static_cast<float>(w), sy = 512.f / static_cast<float>(h);
    const Rgb skyTop{0.18f, 0.36f, 0.72f}, skyLow{0.93f, 0.75f, 0.55f};
    const Rgb farHill{0.42f, 0.47f, 0.62f}, nearHill{0.16f, 0.36f, 0.20f};
    const Rgb lakeDeep{0.07f, 0.20f, 0.35f};
    const float sunX = 360.f, sunY = 170.f;
    const float horizon = 330.f;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float fx = static_cast<float>(x) * sx, fy = static_cast<float>(y) * sy;
            Rgb c = mix(skyTop, skyLow, smooth(0.f, static_cast<float>(horizon), fy));
            const float sd = std::hypot(fx - sunX, fy - sunY);
            c = mix(c, Rgb{1.f, 0.95f, 0.75f}, clamp01(1.f - (sd - 28.f) / 60.f) * 0.6f);
            if (sd < 28.f)
                c = Rgb{1.f, 0.96f, 0.82f};
            const float far = 230.f + 70.f * ridge(fx / 140.f, 3);
            if (fy > far)
                c = mix(farHill, skyLow, 0.25f * smooth(far, far + 60.f, fy));
            const float nearTop = 270.f + 60.f * ridge(fx / 90.f + 7.f, 11);
            if (fy > nearTop)
                c = mix(nearHill, Rgb{0.10f, 0.24f, 0.12f},
                        0.5f * hash(x / 3, y / 3) + 0.3f * smooth(nearTop, nearTop + 40.f, fy));
            if (fy >= horizon) {
                // The lake mirrors what stands above the horizon, darker and rippled.
                const int my = static_cast<int>((2.f * horizon - fy) / sy) - 1;
                const float ripple = 3.f * std::sin(fy * 0.35f) * (fy - horizon) / 180.f;
                int mx = static_cast<int>((fx + ripple) / sx);
                mx = mx < 0 ? 0 : (mx >= w ? w - 1 : mx);
                const Rgb above = my >= 0 ? img[static_cast<std::size_t>(my) * w + mx] : skyLow;
                c = mix(above, lakeDeep, 0.35f + 0.4f * smooth(horizon, 512.f, fy));
            }
            img[static_cast<std::size_t>(y) * w + x] = c;
        }
    }
    return img;
}

Image paintFloor() {
    Image img(kSize * kSize);
    const int tile = 64, grout = 3;
    const Rgb grey{0.55f, 0.53f, 0.50f};
    const Rgb clay{0.70f, 0.36f, 0.22f}, sand{0.86f, 0.76f, 0.58f};
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int tx = x / tile, ty = y / tile;
            const int lx = x % tile, ly = y % tile;
            Rgb c = ((tx + ty) % 2 == 0) ? clay : sand;
            // Each tile gets its own slight tint and a fine grain.
            const float tint = 0.9f + 0.2f * hash(tx, ty + 100);
            const float grain = 0.92f + 0.08f * hash(x, y);
            c = {c.r * tint * grain, c.g * tint * grain, c.b * tint * grain};
            // A small diamond inlay in the centre of every tile.
            const int dx = lx - tile / 2, dy = ly - tile / 2;
            if (std::abs(dx) + std::abs(dy) < 10)
                c = mix(c, Rgb{0.20f, 0.32f, 0.45f}, 0.8f);
            // Bevelled edges: lighter at the top left, darker at the bottom right.
            if (lx < 6 || ly < 6)
                c = mix(c, Rgb{1.f, 1.f, 1.f}, 0.12f);
            if (lx > tile - 7 || ly > tile - 7)
                c = mix(c, Rgb{0.f, 0.f, 0.f}, 0.15f);
            if (lx < grout || ly < grout)
                c = grey;
            img[y * kSize + x] = c;
        }
    }
    return img;
}

void put16(std::vector<unsigned char>& b, std::uint16_t v) {
    b.push_back(v & 0xff);
    b.push_back(v >> 8);
}
void put32(std::vector<unsigned char>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back((v >> (8 * i)) & 0xff);
}

bool writeBmp(const std::string& path, const Image& img) {
    const std::uint32_t rowBytes = kSize * 3; // 1536, already a multiple of 4
    const std::uint32_t pixelBytes = rowBytes * kSize;
    std::vector<unsigned char> b;
    b.reserve(54 + pixelBytes);
    b.push_back('B');
    b.push_back('M');
    put32(b, 54 + pixelBytes);
    put16(b, 0);
    put16(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, kSize);
    put32(b, kSize); // positive: rows run bottom to top
    put16(b, 1);
    put16(b, 24);
    put32(b, 0);
    put32(b, pixelBytes);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    auto byte = [](float v) { return static_cast<unsigned char>(clamp01(v) * 255.f + 0.5f); };
    for (int y = kSize - 1; y >= 0; --y) {
        for (int x = 0; x < kSize; ++x) {
            const Rgb& c = img[static_cast<std::size_t>(y) * kSize + x];
            b.push_back(byte(c.b));
            b.push_back(byte(c.g));
            b.push_back(byte(c.r));
        }
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    return std::fclose(f) == 0 && ok;
}

// Value noise on the pixel grid, smooth between lattice points `cell` pixels apart; 0 to 1.
float noise2(int x, int y, int cell, int seed) {
    const int ix = x / cell, iy = y / cell;
    const float fx = static_cast<float>(x % cell) / static_cast<float>(cell);
    const float fy = static_cast<float>(y % cell) / static_cast<float>(cell);
    const float top = hash(ix, iy + seed) * (1.f - fx) + hash(ix + 1, iy + seed) * fx;
    const float low = hash(ix, iy + 1 + seed) * (1.f - fx) + hash(ix + 1, iy + 1 + seed) * fx;
    return top * (1.f - fy) + low * fy;
}

// The landscape at `w` x `h` as a camera sees it, as a binary PPM: texture from 2 to 64
// pixels across (foliage, ripples, haze; fainter in the sky) and a sensor's noise of about two
// levels either way on every channel of every pixel.
bool writeLargePpm(const std::string& path, int w, int h) {
    const Image img = paintLandscape(w, h);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fprintf(f, "P6\n%d %d\n255\n", w, h);
    std::vector<unsigned char> row(static_cast<std::size_t>(w) * 3);
    bool ok = true;
    for (int y = 0; y < h && ok; ++y) {
        for (int x = 0; x < w; ++x) {
            const Rgb& c = img[static_cast<std::size_t>(y) * w + x];
            float texture = 0.f;
            for (int cell = 2; cell <= 64; cell *= 2)
                texture += noise2(x, y, cell, cell * 31) - 0.5f;
            const float land = smooth(0.4f, 0.5f, static_cast<float>(y) / static_cast<float>(h));
            texture *= 0.02f + 0.1f * land;
            const float v[3] = {c.r, c.g, c.b};
            for (int k = 0; k < 3; ++k) {
                const float noise = (hash(x * 3 + k, y + 7919) - 0.5f) * 4.f / 255.f;
                const float value = v[k] * (1.f + texture) + noise;
                row[x * 3 + k] = static_cast<unsigned char>(clamp01(value) * 255.f + 0.5f);
            }
        }
        ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    int w = 0, h = 0;
    if (argc == 3 && std::sscanf(argv[2], "%dx%d", &w, &h) == 2 && w > 0 && h > 0 && w <= 65536 &&
        h <= 65536) {
        if (writeLargePpm(argv[1], w, h))
            return 0;
        std::fprintf(stderr, "make_photos: cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder> | %s <output file> WxH\n", argv[0],
                     argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    if (!writeBmp(dir + "/p6155961.bmp", paintLandscape(kSize, kSize)) ||
        !writeBmp(dir + "/p6155955.bmp", paintFloor())) {
        std::fprintf(stderr, "make_photos: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
