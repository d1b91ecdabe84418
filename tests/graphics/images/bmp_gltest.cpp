// Every kind of BMP file the reader takes, from the file through the image record and the
// mipmapped texture into GL: the texels GL holds must be the file's colours, at level 0 and
// at level 1, and the record shares the file's bytes exactly for the kinds GL reads as stored.
#include "libgr/bmp_file.h"
#include "libgr/texture_image.h"
#include "libgr/texture_object.h"

#include "../bmp_builder.h"
#include "gl_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <tuple>

using namespace libgr;

namespace {

const Colours kBGRA = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, k1555 = {0x7C00, 0x3E0, 0x1F, 0x8000};

const BmpDesc k24 = desc(24, 0, 108, kBGR), k8 = desc(8, 1, 40, {}), k4 = desc(4, 2, 40, {}),
              k1 = desc(1, 0, 40, {}, false, 2);

// Alpha masks under which every pixel is 0: the picture is opaque, as viewers show it.
BmpDesc zeroAlpha(BmpDesc s, Colours masks) {
    s.masks = masks;
    return s;
}

// RLE: an absolute run of five (padded), a run of three, end of line; a run of two, a delta
// over three pixels, an absolute run of three, end of bitmap. Skipped pixels: transparent.
const Colours kRle = picture(false, {0, 1, 2, 3, 4, 5, 5, 5, 7, 7, -1, -1, -1, 2, 1, 0});

// Name, file, colours GL must hold, whether the record views the file's own bytes.
const std::vector<std::tuple<const char*, BmpDesc, Colours, bool>> kKinds = {
    {"24-bit", desc(24, 0, 40, kBGR), picture(false), true},
    {"24-bit top-down, V4 header",
     with(k24, -2, rows(24, 8, picture(false, {7, 6, 5, 4, 3, 2, 1, 0, 0, 1, 2, 3, 4, 5, 6, 7}))),
     picture(false), true},
    {"32-bit, fourth byte 0", desc(32, 0, 40, kBGR), picture(false), true},
    {"32-bit V5 bit fields, alpha", desc(32, 3, 124, kBGRA, true), picture(true), true},
    {"32-bit red first", desc(32, 3, 40, {0xFF, 0xFF00, 0xFF0000}), picture(false), true},
    {"32-bit 10-10-10, V2", desc(32, 3, 52, {0x3FF00000, 0xFFC00, 0x3FF}), picture(false), false},
    {"32-bit alpha first", desc(32, 6, 40, {0xFF00, 0xFF0000, 0xFF000000, 0xFF}, true),
     picture(true), false},
    {"16-bit 5-5-5", desc(16, 0, 40, k555), picture(false), true},
    {"16-bit 5-6-5", desc(16, 3, 40, {0xF800, 0x7E0, 0x1F}), picture(false), true},
    {"16-bit 1-5-5-5, V5", desc(16, 3, 124, k1555, true), picture(true), true},
    {"32-bit V4, alpha mask, alpha all 0", zeroAlpha(desc(32, 3, 108, kBGR), kBGRA), picture(false),
     true},
    {"16-bit V4 1-5-5-5, alpha all 0", zeroAlpha(desc(16, 3, 108, k555), k1555), picture(false),
     true},
    {"16-bit 4-4-4-4, V3", desc(16, 3, 56, {0xF00, 0xF0, 0xF, 0xF000}, true), picture(true), false},
    {"8-bit", desc(8, 0, 40, {}), picture(false), false},
    {"4-bit, OS/2 2.x", desc(4, 0, 16, {}), picture(false), false},
    {"8-bit, OS/2 1.x", desc(8, 0, 12, {}), picture(false), false},
    {"2-bit", desc(2, 0, 40, {}, false, 4), picture(false, kIndex, 4), false},
    {"1-bit, red and green", k1, picture(false, kIndex, 2), false},
    // A grey table gives a luminance texture, as before; GL hands luminance back as red.
    {"1-bit, black and white", with(k1, 2, k1.pixels, {0, 0xFFFFFF}),
     picture(false, {4, 0, 4, 0, 4, 0, 4, 0, 0, 4, 0, 4, 0, 4, 0, 4}), false},
    {"RLE8",
     with(k8, 2, {0, 5, 0, 1, 2, 3, 4, 0, 3, 5, 0, 0, 2, 7, 0, 2, 3, 0, 0, 3, 2, 1, 0, 0, 0, 1}),
     kRle, false},
    {"RLE4",
     with(k4, 2, {0, 5, 1, 0x23, 0x40, 0, 3, 0x55, 0, 0, 2, 0x77, 0, 2, 3, 0, 0, 3, 0x21, 0, 0, 1}),
     kRle, false},
};

int channel(std::uint32_t argb, int i) {
    return static_cast<int>(argb >> (8 * (i % 4)) & 255);
}

} // namespace

TEST(BmpGL, EveryKindReachesGLInItsTrueColours) {
    testgl::ensureContext();
    for (const auto& [name, desc, want, shared] : kKinds) {
        SCOPED_TRACE(name);
        const std::string path = writeTemp(bmp(desc));
        grBmpFile file;
        grImage2D image;
        ASSERT_TRUE(file.load(path.c_str()) && grBmpToImage(image, file)) << grBmpFailureReason();
        std::remove(path.c_str());
        EXPECT_EQ(image.pixels.sharesWith(file.bits), shared);
        grTexture2D texture;
        texture.setMipmapped(true);
        texture.setImage(image, 0, 0);
        grTextureObject object;
        object.load(texture);
        Colours texels(16 + 4); // level 0, then level 1
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
        glGetTexImage(GL_TEXTURE_2D, 1, GL_BGRA, GL_UNSIGNED_BYTE, texels.data() + 16);
        for (int i = 0; i < 20 * 4; ++i) { // level 1 averages 2 × 2 texels: colours, not indices
            const int t = i / 4 - 16;
            double sum = t < 0 ? 4 * channel(want[i / 4], i) : 0;
            for (int k : {0, 1, 8, 9})
                sum += t < 0 ? 0 : channel(want[t * 2 + k], i);
            EXPECT_NEAR(channel(texels[i / 4], i), sum / 4, t < 0 ? 2 : 10) << "texel " << i / 4;
        }
    }
}
