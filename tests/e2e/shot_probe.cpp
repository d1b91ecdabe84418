// Answers simple questions about the pixels of a screenshot (PNG or PPM), for the
// end-to-end tests:
//   shot_probe FILE rowmedian X0 X1 Y    -> "R G B", each the median along [X0, X1) of row Y,
//                                           so a few drops passing in front do not matter
//   shot_probe FILE stats X0 Y0 X1 Y1    -> "cyan N CX CY white N grey N total N"
// over [X0, X1) x [Y0, Y1): "cyan" counts the drops' translucent cyan (green and blue well
// above red) with its centroid CX CY, "white" near-white text, "grey" the background (46).
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    int w = 0, h = 0, n = 0;
    unsigned char* img = argc > 2 ? stbi_load(argv[1], &w, &h, &n, 3) : nullptr;
    if (img == nullptr) {
        std::fprintf(stderr, "shot_probe: cannot read %s\n", argc > 1 ? argv[1] : "(none)");
        return 2;
    }
    const std::string cmd = argv[2];
    std::vector<int> a;
    for (int i = 3; i < argc; ++i)
        a.push_back(std::atoi(argv[i]));
    auto at = [&](int x, int y, int c) { return img[(static_cast<size_t>(y) * w + x) * 3 + c]; };
    if (cmd == "rowmedian" && a.size() == 3 && a[0] >= 0 && a[0] < a[1] && a[1] <= w && a[2] >= 0 &&
        a[2] < h) {
        for (int c = 0; c < 3; ++c) {
            std::vector<int> v;
            for (int x = a[0]; x < a[1]; ++x)
                v.push_back(at(x, a[2], c));
            std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
            std::printf(c < 2 ? "%d " : "%d\n", v[v.size() / 2]);
        }
    } else if (cmd == "stats" && a.size() == 4) {
        long cyan = 0, white = 0, grey = 0, total = 0;
        double sx = 0, sy = 0;
        for (int y = std::max(0, a[1]); y < std::min(h, a[3]); ++y)
            for (int x = std::max(0, a[0]); x < std::min(w, a[2]); ++x, ++total) {
                const int r = at(x, y, 0), g = at(x, y, 1), b = at(x, y, 2);
                if (g - r > 35 && b - r > 35 && std::abs(g - b) < 40) {
                    ++cyan;
                    sx += x;
                    sy += y;
                }
                white += r > 200 && g > 200 && b > 200;
                grey += std::abs(r - 46) <= 1 && std::abs(g - 46) <= 1 && std::abs(b - 46) <= 1;
            }
        std::printf("cyan %ld %.1f %.1f white %ld grey %ld total %ld\n", cyan,
                    cyan ? sx / cyan : -1.0, cyan ? sy / cyan : -1.0, white, grey, total);
    } else {
        std::fprintf(stderr, "shot_probe: bad command\n");
        return 2;
    }
    stbi_image_free(img);
    return 0;
}
