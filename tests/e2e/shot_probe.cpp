// Reads a binary PPM screenshot and answers simple questions about its pixels, for the
// end-to-end tests:
//   shot_probe FILE pixel X Y            -> "R G B"
//   shot_probe FILE stats X0 Y0 X1 Y1    -> "cyan N CX CY white N grey N total N"
//   shot_probe FILE rowmedian X0 X1 Y    -> "R G B", each the median along [X0, X1) of row Y,
//                                           so a few drops passing in front do not matter
// where the region is [X0, X1) x [Y0, Y1), "cyan" counts the drops' translucent cyan
// (green and blue well above red), "white" near-white text pixels and "grey" the exact
// background grey (46, 46, 46) within one step. CX, CY are the cyan pixels' centroid.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* at(int x, int y) const {
        return &rgb[(static_cast<size_t>(y) * width + x) * 3];
    }
};

bool readToken(std::FILE* f, std::string& out) {
    out.clear();
    int c;
    while ((c = std::fgetc(f)) != EOF) {
        if (c == '#') {
            while ((c = std::fgetc(f)) != EOF && c != '\n') {
            }
            continue;
        }
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            if (!out.empty())
                return true;
            continue;
        }
        out.push_back(static_cast<char>(c));
    }
    return !out.empty();
}

bool readPpm(const char* path, Image& img) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    std::string magic, w, h, maxv;
    bool ok = readToken(f, magic) && magic == "P6" && readToken(f, w) && readToken(f, h) &&
              readToken(f, maxv) && maxv == "255";
    if (ok) {
        img.width = std::atoi(w.c_str());
        img.height = std::atoi(h.c_str());
        ok = img.width > 0 && img.height > 0 && img.width < 20000 && img.height < 20000;
    }
    if (ok) {
        img.rgb.resize(static_cast<size_t>(img.width) * img.height * 3);
        ok = std::fread(img.rgb.data(), 1, img.rgb.size(), f) == img.rgb.size();
    }
    std::fclose(f);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    Image img;
    if (argc < 3 || !readPpm(argv[1], img)) {
        std::fprintf(stderr, "shot_probe: cannot read %s\n", argc > 1 ? argv[1] : "(none)");
        return 2;
    }
    const std::string cmd = argv[2];
    if (cmd == "size") {
        std::printf("%d %d\n", img.width, img.height);
        return 0;
    }
    if (cmd == "pixel" && argc == 5) {
        const int x = std::atoi(argv[3]), y = std::atoi(argv[4]);
        if (x < 0 || y < 0 || x >= img.width || y >= img.height)
            return 2;
        const unsigned char* p = img.at(x, y);
        std::printf("%d %d %d\n", p[0], p[1], p[2]);
        return 0;
    }
    if (cmd == "rowmedian" && argc == 6) {
        const int x0 = std::max(0, std::atoi(argv[3]));
        const int x1 = std::min(img.width, std::atoi(argv[4]));
        const int y = std::atoi(argv[5]);
        if (x0 >= x1 || y < 0 || y >= img.height)
            return 2;
        int out[3];
        for (int c = 0; c < 3; ++c) {
            std::vector<int> v;
            for (int x = x0; x < x1; ++x)
                v.push_back(img.at(x, y)[c]);
            std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
            out[c] = v[v.size() / 2];
        }
        std::printf("%d %d %d\n", out[0], out[1], out[2]);
        return 0;
    }
    if (cmd == "stats" && argc == 7) {
        int x0 = std::atoi(argv[3]), y0 = std::atoi(argv[4]);
        int x1 = std::atoi(argv[5]), y1 = std::atoi(argv[6]);
        x0 = x0 < 0 ? 0 : x0;
        y0 = y0 < 0 ? 0 : y0;
        x1 = x1 > img.width ? img.width : x1;
        y1 = y1 > img.height ? img.height : y1;
        long cyan = 0, white = 0, grey = 0, total = 0;
        double sx = 0, sy = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const unsigned char* p = img.at(x, y);
                const int r = p[0], g = p[1], b = p[2];
                ++total;
                if (g - r > 35 && b - r > 35 && std::abs(g - b) < 40) {
                    ++cyan;
                    sx += x;
                    sy += y;
                }
                if (r > 200 && g > 200 && b > 200)
                    ++white;
                if (std::abs(r - 46) <= 1 && std::abs(g - 46) <= 1 && std::abs(b - 46) <= 1)
                    ++grey;
            }
        }
        std::printf("cyan %ld %.1f %.1f white %ld grey %ld total %ld\n", cyan,
                    cyan ? sx / cyan : -1.0, cyan ? sy / cyan : -1.0, white, grey, total);
        return 0;
    }
    std::fprintf(stderr, "shot_probe: unknown command\n");
    return 2;
}
