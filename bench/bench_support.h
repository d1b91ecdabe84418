// What the benchmarks share: the photograph the photo benchmarks make and encode, writing a
// made file out, and the small window whose GL context the GL stages run in.
#pragma once

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

using Bytes = std::vector<unsigned char>;

// How fast the shading's waves run: along a row, down the picture (more for each channel),
// and the slower cross wave down the picture.
struct Waves {
    double across, downPerChannel, down;
};

// Shading in broad waves, as light falls on a scene, plus a little sensor noise; RGB, top row
// first.
inline Bytes shadedPicture(int width, int height, const Waves& waves) {
    Bytes rgb(std::size_t(width) * height * 3);
    std::uint32_t noise = 2463534242u;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            unsigned char* p = &rgb[(std::size_t(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) {
                const double v =
                    128 +
                    60 * std::sin(x * (waves.across + c * 0.0007) + y * waves.downPerChannel * c) +
                    40 * std::cos(y * waves.down - x * 0.0005 * c);
                p[c] = static_cast<unsigned char>(
                    std::clamp(v + int(noise >> (8 * c) & 7) - 3.5, 0.0, 255.0));
            }
        }
    return rgb;
}

// Writes `bytes` to `path`; when it cannot, says so as `program` and ends the run.
inline void writeOrExit(const std::string& path, const Bytes& bytes, const char* program) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::fprintf(stderr, "%s: cannot write %s\n", program, path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

// A 64 x 64 double-buffered window, its GL context current.
inline void openGlWindow(int& argc, char** argv, const char* title) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutCreateWindow(title);
}

} // namespace bench
