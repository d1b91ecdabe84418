// From picture files to the texels GL holds: JPEG and PNG files of every kind, made here with
// the decoders' own encoders, through PhotoTexture's library road (every level built on the
// CPU, no GLU), read back at level 0 and level 1 in the colours and orientation they were made
// with; the GLU road of a BMP file call for call as the billboard makes it; refusals.
#include "photo_files.h"

#include "libphoto/mipmap.h"
#include "libphoto/photo_texture.h"

#include "libgr/bmp_file.h"
#include "libgr/texture_image.h"
#include "libgr/texture_object.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>

using libphoto::MipmapSource;
using libphoto::PhotoTexture;
using libphoto::TextureRequest;
using namespace photos;

namespace {

// Level `level` of the bound 2D texture; `width` and `height` as GL holds them.
std::vector<unsigned char> texels(int level, GLint& width, GLint& height) {
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    std::vector<unsigned char> out(std::size_t(width > 0 ? width : 0) * (height > 0 ? height : 0) *
                                   4);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

// The texel at (x, y), y counted from the top of the picture (GL's first row is its bottom).
Pixel texelAt(const std::vector<unsigned char>& t, GLint width, GLint height, int x, int y) {
    const unsigned char* p = &t[(std::size_t(height - 1 - y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

// A PNG whose top-left quadrant holds the `on` samples and the rest the `off` ones.
Bytes pngQuadrant(const PngDesc& desc, const std::vector<std::uint16_t>& on,
                  const std::vector<std::uint16_t>& off) {
    std::vector<std::uint16_t> samples;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            for (std::uint16_t s : x < 8 && y < 4 ? on : off)
                samples.push_back(s);
    return png(desc, 16, 8, samples);
}

struct Kind {
    std::string name;
    Bytes file;
    int width, height;         // upright
    std::array<Pixel, 4> seen; // the quadrants' colours, top left, top right, bottom left, ...
    int tolerance;
};

std::vector<Kind> jpegKinds() {
    const std::array<Pixel, 4> greys = {Pixel{40, 40, 40, 255}, Pixel{100, 100, 100, 255},
                                        Pixel{170, 170, 170, 255}, Pixel{230, 230, 230, 255}};
    // Inverted CMYK (255: no ink) with black in the fourth sample.
    const std::array<Pixel, 4> cmyk = {Pixel{255, 0, 0, 255}, Pixel{0, 255, 255, 255},
                                       Pixel{255, 255, 255, 128}, Pixel{255, 255, 0, 255}};
    const std::array<Pixel, 4> cmykSeen = {Pixel{255, 0, 0, 255}, Pixel{0, 255, 255, 255},
                                           Pixel{128, 128, 128, 255}, Pixel{255, 255, 0, 255}};
    std::vector<Kind> kinds = {
        {"JPEG 4:2:0", jpeg(quadrants(32, 16, "ABCD", kQuadrants, 3), TJPF_RGB, TJSAMP_420), 32, 16,
         kQuadrants, 10},
        {"JPEG grey", jpeg(quadrants(32, 16, "ABCD", greys, 1), TJPF_GRAY, TJSAMP_GRAY), 32, 16,
         greys, 10},
        {"JPEG CMYK", jpeg(quadrants(32, 16, "ABCD", cmyk, 4), TJPF_CMYK, TJSAMP_444), 32, 16,
         cmykSeen, 10},
    };
    for (int o = 1; o <= 8; ++o) {
        const bool swap = o >= 5;
        const Picture stored = quadrants(swap ? 16 : 32, swap ? 32 : 16, kStored[o], kQuadrants, 3);
        kinds.push_back({"JPEG orientation " + std::to_string(o),
                         jpeg(stored, TJPF_RGB, TJSAMP_444, o), 32, 16, kQuadrants, 10});
    }
    return kinds;
}

// Every PNG colour type at every depth it allows, with and without tRNS, interlaced or not.
std::vector<Kind> pngKinds() {
    const std::vector<spng_plte_entry> palette = {
        {0, 0, 255, 0}, {255, 255, 0, 0}, {9, 9, 9, 0}, {1, 2, 3, 0}};
    const Pixel white{255, 255, 255, 255}, black{0, 0, 0, 255};
    auto kind = [](const PngDesc& d, std::vector<std::uint16_t> on, std::vector<std::uint16_t> off,
                   Pixel seenOn, Pixel seenOff) {
        const std::string name = "PNG colour type " + std::to_string(d.colorType) + ", " +
                                 std::to_string(d.depth) + " bits, interlace " +
                                 std::to_string(d.interlace) + ", tRNS " +
                                 std::to_string(d.trns.size());
        return Kind{name, pngQuadrant(d, on, off), 16, 8, {seenOn, seenOff, seenOff, seenOff}, 0};
    };
    std::vector<Kind> kinds;
    for (std::uint8_t depth : {1, 2, 4, 8, 16}) {
        const std::uint16_t max = (1u << depth) - 1;
        kinds.push_back(kind({0, depth, 0, {}, {}}, {max}, {0}, white, black));
        if (depth <= 8)
            kinds.push_back(
                kind({3, depth, 0, {palette.begin(), palette.begin() + (depth == 1 ? 2 : 4)}, {}},
                     {1}, {0}, {255, 255, 0, 255}, {0, 0, 255, 255}));
    }
    for (std::uint8_t depth : {8, 16}) {
        const std::uint16_t max = depth == 8 ? 255 : 65535, half = depth == 8 ? 128 : 0x80FF;
        for (std::uint8_t interlace : {0, 1})
            kinds.push_back(kind({2, depth, interlace, {}, {}}, {max, 0, half}, {0, max, 0},
                                 {255, 0, 128, 255}, {0, 255, 0, 255}));
        kinds.push_back(
            kind({4, depth, 0, {}, {}}, {max, half}, {0, max}, {255, 255, 255, 128}, black));
        kinds.push_back(kind({6, depth, 1, {}, {}}, {max, 0, 0, 0}, {0, 0, max, max},
                             {255, 0, 0, 0}, {0, 0, 255, 255}));
        kinds.push_back(kind({0, depth, 0, {}, {max}}, {max}, {0}, {255, 255, 255, 0}, black));
        kinds.push_back(kind({2, depth, 0, {}, {0, max, 0}}, {max, 0, 0}, {0, max, 0},
                             {255, 0, 0, 255}, {0, 255, 0, 0}));
    }
    kinds.push_back(
        kind({3, 2, 1, palette, {0, 200}}, {1}, {2}, {255, 255, 0, 200}, {9, 9, 9, 255}));
    // Upright through its eXIf chunk.
    const Picture stored = quadrants(8, 16, kStored[6], kQuadrants, 3);
    kinds.push_back({"PNG orientation 6",
                     png({2, 8, 0, {}, {}}, 8, 16, {stored.samples.begin(), stored.samples.end()},
                         exif(6, false)),
                     16, 8, kQuadrants, 0});
    return kinds;
}

} // namespace

TEST(PhotoGL, EveryKindFromFileToTexelsUpright) {
    std::vector<Kind> kinds = jpegKinds();
    for (Kind& k : pngKinds())
        kinds.push_back(std::move(k));
    TextureRequest request;
    request.keepNonPowerOfTwo = true; // llvmpipe has GL_ARB_texture_non_power_of_two
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        const std::string path = writeTemp(k.file);
        PhotoTexture photo;
        spy::start();
        const bool prepared = photo.prepare(path.c_str(), request);
        spy::stop();
        std::remove(path.c_str());
        ASSERT_TRUE(prepared) << photo.reason();
        EXPECT_TRUE(spy::calls().empty()); // preparing may run off the GL thread
        spy::start();
        ASSERT_TRUE(photo.upload()) << photo.reason();
        spy::stop();
        EXPECT_STREQ(photo.reason(), "");
        EXPECT_EQ(spy::count("gluBuild2DMipmaps"), 0u);
        const std::vector<spy::Call> images = spy::callsOf("glTexImage2D");
        EXPECT_EQ(images.size(), libphoto::mipmapLevelCount(k.width, k.height));
        for (const spy::Call& c : images) { // the layout GL takes fastest
            EXPECT_EQ(c.args[2], GL_RGBA);
            EXPECT_EQ(c.args[6], GL_BGRA);
            EXPECT_EQ(c.args[7], GL_UNSIGNED_BYTE);
        }
        photo.apply();
        for (int level = 0; level <= 1; ++level) {
            GLint w = 0, h = 0;
            const std::vector<unsigned char> t = texels(level, w, h);
            ASSERT_EQ(w, k.width >> level);
            ASSERT_EQ(h, k.height >> level);
            for (int q = 0; q < 4; ++q)
                expectNear(texelAt(t, w, h, w / 4 + q % 2 * w / 2, h / 4 + q / 2 * h / 2),
                           k.seen[q], k.tolerance);
        }
        EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));
    }
}

TEST(PhotoGL, GluRoadIsTheClassicOneCallForCall) {
    const std::string path = writeTemp(bmp(desc(24, 0, 40, kBGR)));
    // The billboard's road, by hand.
    libgr::grBmpFile bitmap;
    libgr::grImage2D image;
    libgr::grTexture2D texture;
    libgr::grTexParams2D params;
    libgr::grTextureObject object;
    spy::start();
    ASSERT_TRUE(bitmap.load(path.c_str()) && libgr::grBmpToImage(image, bitmap));
    texture.setMipmapped(true);
    texture.setImage(image, 0, 0);
    params.set(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT, params.maxAnisotropy);
    texture.setParams(&params);
    object.load(texture);
    spy::stop();
    const std::vector<spy::Call> classic = spy::calls();

    PhotoTexture photo;
    TextureRequest request;
    request.mipmaps = MipmapSource::Glu;
    spy::start();
    ASSERT_TRUE(photo.load(path.c_str(), request)) << photo.reason();
    spy::stop();
    std::remove(path.c_str());
    const std::vector<spy::Call>& calls = spy::calls();
    ASSERT_EQ(calls.size(), classic.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(calls[i].name);
        ASSERT_EQ(calls[i].name, classic[i].name);
        std::vector<double> mine = calls[i].args, theirs = classic[i].args;
        if (calls[i].name == "glBindTexture") // a name of its own
            mine[1] = theirs[1] = 0;
        if (calls[i].name == "gluBuild2DMipmaps") { // straight from the file's bytes
            EXPECT_EQ(mine[6], spy::addr(photo.levels()[0].pixels.begin()));
            mine[6] = theirs[6] = 0;
        }
        EXPECT_EQ(mine, theirs);
    }
    EXPECT_EQ(spy::count("gluBuild2DMipmaps"), 1u);
    EXPECT_TRUE(photo.isLoaded());
}

TEST(PhotoGL, RefusalsLeaveNoTexture) {
    const std::vector<std::uint16_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'};
    struct Case {
        const char* name;
        Bytes file;
        MipmapSource road;
        bool prepares;
        const char* reason;
    } cases[] = {
        {"text", Bytes(text.begin(), text.end()), MipmapSource::Library, false,
         "not a JPEG, PNG or BMP picture"},
        {"JPEG through the BMP reader",
         jpeg(quadrants(8, 8, "ABCD", kQuadrants, 3), TJPF_RGB, TJSAMP_444), MipmapSource::Glu,
         false, "unsupported info header size"},
        {"JPEG wider than GL holds",
         jpeg(quadrants(20000, 8, "ABCD", kQuadrants, 3), TJPF_RGB, TJSAMP_420),
         MipmapSource::Library, true, "the graphics driver did not accept the picture"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeTemp(c.file);
        PhotoTexture photo;
        TextureRequest request;
        request.mipmaps = c.road;
        request.keepNonPowerOfTwo = true;
        spy::start();
        EXPECT_FALSE(photo.load(path.c_str(), request));
        spy::stop();
        std::remove(path.c_str());
        EXPECT_NE(std::strstr(photo.reason(), c.reason), nullptr) << photo.reason();
        EXPECT_FALSE(photo.isLoaded());
        EXPECT_EQ(photo.name(), 0u);
        EXPECT_EQ(spy::count("glGenTextures"), c.prepares ? 1u : 0u);
        EXPECT_EQ(spy::count("glDeleteTextures"), c.prepares ? 1u : 0u);
        EXPECT_EQ(spy::count("gluBuild2DMipmaps"), 0u);
        spy::start();
        photo.apply(); // nothing to bind
        spy::stop();
        EXPECT_TRUE(spy::calls().empty());
        testgl::drainErrors(); // the refused level left its error
    }
    // A refused file leaves what an earlier load put in GL.
    const std::string good = writeTemp(pngQuadrant({0, 8, 0, {}, {}}, {255}, {0}));
    PhotoTexture photo;
    EXPECT_FALSE(photo.upload());
    EXPECT_STREQ(photo.reason(), "no picture prepared");
    ASSERT_TRUE(photo.load(good.c_str(), TextureRequest()));
    EXPECT_EQ(photo.width(), 16u); // a power of two: kept as it is
    EXPECT_FALSE(photo.load("/nonexistent/picture.png", TextureRequest()));
    EXPECT_STREQ(photo.reason(), "cannot open the file");
    EXPECT_FALSE(photo.upload());
    EXPECT_TRUE(photo.isLoaded());
    EXPECT_TRUE(glIsTexture(photo.name()));
    std::remove(good.c_str());
}
