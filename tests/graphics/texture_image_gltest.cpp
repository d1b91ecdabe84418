#include "libgr/extensions.h"
#include "libgr/texture_image.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <stdexcept>
#include <vector>

using namespace libgr;

namespace {

struct Rgb {
    unsigned char r, g, b;
};

// A 24-bit BGR record whose rows are padded to 4 bytes, as GL's default unpack alignment
// reads them.
grImage2D bgrImage(std::uint32_t w, std::uint32_t h, const std::function<Rgb(int, int)>& colour) {
    grImage2D im;
    im.layout = 9;
    im.numberKind = 1;
    im.bitCode = 3;
    im.width = w;
    im.height = h;
    const std::uint32_t stride = (3 * w + 3) & ~3u;
    EXPECT_TRUE(im.pixels.create(stride * h));
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x) {
            const Rgb c = colour(int(x), int(y));
            unsigned char* p = im.pixels.begin() + y * stride + 3 * x;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    return im;
}

grImage2D solid(std::uint32_t w, std::uint32_t h, Rgb c) {
    return bgrImage(w, h, [c](int, int) { return c; });
}

// One byte per pixel (8-bit grey or alpha), rows padded to 4 bytes.
grImage2D byteImage(int layout, std::uint32_t w, std::uint32_t h,
                    const std::vector<unsigned char>& values) {
    grImage2D im;
    im.layout = layout;
    im.numberKind = 1;
    im.bitCode = 3;
    im.width = w;
    im.height = h;
    const std::uint32_t stride = (w + 3) & ~3u;
    EXPECT_TRUE(im.pixels.create(stride * h));
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
            im.pixels.begin()[y * stride + x] = values[y * w + x];
    return im;
}

GLint levelParam(GLenum target, GLint level, GLenum name) {
    GLint value = 0;
    glGetTexLevelParameteriv(target, level, name, &value);
    return value;
}

// Texels of one level, tightly packed.
std::vector<unsigned char> texels(GLenum target, GLint level, GLenum format, int components) {
    const std::size_t n = std::size_t(levelParam(target, level, GL_TEXTURE_WIDTH)) *
                          std::size_t(levelParam(target, level, GL_TEXTURE_HEIGHT)) *
                          std::size_t(std::max(1, levelParam(target, level, GL_TEXTURE_DEPTH)));
    std::vector<unsigned char> out(n * std::size_t(components));
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, level, format, GL_UNSIGNED_BYTE, out.data());
    glPopClientAttrib();
    return out;
}

void expectRgb(const std::vector<unsigned char>& t, std::size_t texel, Rgb c, int tolerance = 0) {
    ASSERT_GE(t.size(), 3 * texel + 3);
    EXPECT_NEAR(t[3 * texel], c.r, tolerance) << "texel " << texel;
    EXPECT_NEAR(t[3 * texel + 1], c.g, tolerance) << "texel " << texel;
    EXPECT_NEAR(t[3 * texel + 2], c.b, tolerance) << "texel " << texel;
}

// Levels from `level` down to 1×1 halve each dimension (rounded down, at least 1).
void expectHalvingChain(GLenum target, int levels) {
    for (int level = 1; level < levels; ++level) {
        for (GLenum dim : {GL_TEXTURE_WIDTH, GL_TEXTURE_HEIGHT})
            EXPECT_EQ(levelParam(target, level, dim),
                      std::max(1, levelParam(target, level - 1, dim) / 2))
                << "level " << level;
    }
    EXPECT_EQ(levelParam(target, levels - 1, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(levelParam(target, levels - 1, GL_TEXTURE_HEIGHT), 1);
}

// Every pixel-store and pixel-transfer value an upload touches is back at GL's default.
void expectClientStateRestored() {
    GLint v = -1;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &v);
    EXPECT_EQ(v, 4);
    for (GLenum name : {GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS,
                        GL_UNPACK_SWAP_BYTES, GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_IMAGES}) {
        glGetIntegerv(name, &v);
        EXPECT_EQ(v, 0) << std::hex << name;
    }
    GLboolean mapColor = GL_TRUE;
    glGetBooleanv(GL_MAP_COLOR, &mapColor);
    EXPECT_EQ(mapColor, GL_FALSE);
}

// Draws the bound 2D texture over a 2×2 viewport and reads the lower-left pixel: an 8×8
// texture then samples level 2. An incomplete mipmap chain disables texturing and the
// quad comes out in its vertex colour (white).
Rgb samplePixel() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glViewport(0, 0, 2, 2);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    unsigned char p[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    return Rgb{p[0], p[1], p[2]};
}

// Stand-ins for the compressed-image entry points (GL cannot take the generic compressed
// formats through them), recording their arguments.
std::vector<std::vector<double>> compressedCalls, compressedRefreshCalls;

void recordCompressed2D(GLenum t, GLint l, GLenum i, GLsizei w, GLsizei h, GLint b, GLsizei n,
                        const void* p) {
    compressedCalls.push_back({double(t), double(l), double(i), double(w), double(h), double(b),
                               double(n), spy::addr(p)});
}

void recordCompressedSub2D(GLenum t, GLint l, GLint x, GLint y, GLsizei w, GLsizei h, GLenum i,
                           GLsizei n, const void* p) {
    compressedRefreshCalls.push_back({double(t), double(l), double(x), double(y), double(w),
                                      double(h), double(i), double(n), spy::addr(p)});
}

// The extension flags and entry points are process-wide; each test sets what it needs and
// the fixture puts everything back.
class TextureImageGL : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        saved = {hasTextureCompression, hasGenerateMipmap, hasTexture3D, hasAnisotropicFilter};
        savedCompressed2D = glCompressedTexImage2DARB;
        savedCompressedSub2D = glCompressedTexSubImage2DARB;
        savedTex3D = glTexImage3DEXT;
        savedSub3D = glTexSubImage3DEXT;
        hasTextureCompression = hasGenerateMipmap = hasTexture3D = hasAnisotropicFilter = 0;
        glGenTextures(1, &name);
        testgl::drainErrors();
    }
    void TearDown() override {
        spy::stop();
        hasTextureCompression = saved[0];
        hasGenerateMipmap = saved[1];
        hasTexture3D = saved[2];
        hasAnisotropicFilter = saved[3];
        glCompressedTexImage2DARB = savedCompressed2D;
        glCompressedTexSubImage2DARB = savedCompressedSub2D;
        glTexImage3DEXT = savedTex3D;
        glTexSubImage3DEXT = savedSub3D;
        for (GLenum t : {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_3D, GL_TEXTURE_CUBE_MAP})
            glBindTexture(t, 0);
        glDeleteTextures(1, &name);
        testgl::drainErrors();
    }
    // A fresh texture object bound to `target`.
    void bindFresh(GLenum target) {
        glDeleteTextures(1, &name);
        glGenTextures(1, &name);
        glBindTexture(target, name);
    }

    GLuint name = 0;
    std::array<int, 4> saved{};
    PFNGLCOMPRESSEDTEXIMAGE2DARBPROC savedCompressed2D = nullptr;
    PFNGLCOMPRESSEDTEXSUBIMAGE2DARBPROC savedCompressedSub2D = nullptr;
    PFNGLTEXIMAGE3DEXTPROC savedTex3D = nullptr;
    PFNGLTEXSUBIMAGE3DEXTPROC savedSub3D = nullptr;
};

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

} // namespace

TEST_F(TextureImageGL, TexturesWithoutImagesMakeNoGLCall) {
    grTexParams1D p1;
    grTexParams2D p2;
    grTexParams3D p3;
    grTexParamsCubeMap pc;
    const float colour[4] = {1, 1, 1, 1};
    grTexture1D t1;
    grTexture2D t2;
    grTexture3D t3;
    grTextureCubeMap tc;
    t1.setParams(&p1);
    t2.setParams(&p2);
    t3.setParams(&p3);
    tc.setParams(&pc);
    t2.setBorderColor(colour);
    spy::start();
    t1.apply();
    t2.apply();
    t2.update();
    t3.apply();
    tc.apply();
    spy::stop();
    EXPECT_TRUE(spy::calls().empty()) << spy::calls().front().name;
}

TEST_F(TextureImageGL, MipmappedBgrImageIsBuiltByGluFromTheRecordsOwnBytes) {
    const Rgb colour{30, 20, 10};
    const grImage2D image = solid(200, 100, colour);
    grTexParams2D params;
    params.set(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT, 4.9f);
    grTexture2D texture;
    texture.setMipmapped(true);
    texture.setImage(image, 0, 0);
    texture.setParams(&params);
    EXPECT_EQ(image.pixels.refCount(), 2);

    bindFresh(GL_TEXTURE_2D);
    spy::start();
    texture.apply();
    spy::stop();

    ASSERT_EQ(spy::count("gluBuild2DMipmaps"), 1u);
    const std::vector<double> expected = {
        GL_TEXTURE_2D, GL_RGB, 200, 100, GL_BGR, GL_UNSIGNED_BYTE, spy::addr(image.pixels.begin())};
    EXPECT_EQ(spy::callsOf("gluBuild2DMipmaps")[0].args, expected);
    ASSERT_EQ(spy::count("glPushClientAttrib"), 1u);
    ASSERT_EQ(spy::count("glPopClientAttrib"), 1u);
    EXPECT_EQ(spy::callsOf("glPushClientAttrib")[0].args[0], GL_CLIENT_PIXEL_STORE_BIT);
    const long push = spy::indexOf("glPushClientAttrib");
    const long build = spy::indexOf("gluBuild2DMipmaps");
    const long pop = spy::indexOf("glPopClientAttrib");
    EXPECT_LT(push, build);
    EXPECT_LT(build, pop);
    EXPECT_EQ(spy::indexOf("glTexParameteri"), pop + 1);
    EXPECT_EQ(spy::count("glTexParameteri"), 4u); // no anisotropy before its probe
    EXPECT_EQ(spy::count("glTexImage2D"), 0u);
    EXPECT_EQ(spy::count("glPixelTransferi"), 0u);

    // GLU scaled to powers of two and built every level down to 1×1.
    const GLint w0 = levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH);
    const GLint h0 = levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT);
    ASSERT_GT(w0, 0);
    EXPECT_EQ(w0 & (w0 - 1), 0);
    EXPECT_EQ(h0 & (h0 - 1), 0);
    int levels = 1;
    while ((std::max(w0, h0) >> levels) > 0)
        ++levels;
    expectHalvingChain(GL_TEXTURE_2D, levels);
    // Blue, green, red bytes arrive as red, green, blue texels, on every level.
    expectRgb(texels(GL_TEXTURE_2D, 0, GL_RGB, 3), 0, colour);
    expectRgb(texels(GL_TEXTURE_2D, levels - 1, GL_RGB, 3), 0, colour);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR);
    expectClientStateRestored();
    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));

    ASSERT_NE(probeAnisotropicFilter(), 0);
    texture.apply();
    float aniso = 0;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &aniso);
    EXPECT_EQ(aniso, 4.0f);
}

TEST_F(TextureImageGL, GeneratePathAllocatesTheNominalSizeThenFills) {
    ASSERT_NE(probeGenerateMipmap(), 0);
    const grImage2D image = solid(200, 100, kGreen);
    grTexture2D texture;
    texture.setMipmapped(true);
    texture.setImage(image, 256, 0);

    bindFresh(GL_TEXTURE_2D);
    spy::start();
    texture.apply();
    spy::stop();
    EXPECT_EQ(spy::count("gluBuild2DMipmaps"), 0u);
    ASSERT_EQ(spy::count("glTexImage2D"), 1u);
    ASSERT_EQ(spy::count("glTexSubImage2D"), 1u);
    EXPECT_EQ(
        spy::callsOf("glTexImage2D")[0].args,
        (std::vector<double>{GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_BGR, GL_UNSIGNED_BYTE, 0}));
    EXPECT_EQ(spy::callsOf("glTexSubImage2D")[0].args,
              (std::vector<double>{GL_TEXTURE_2D, 0, 0, 0, 200, 100, GL_BGR, GL_UNSIGNED_BYTE,
                                   spy::addr(image.pixels.begin())}));
    const auto toggles = spy::callsOf("glTexParameteri");
    ASSERT_EQ(toggles.size(), 2u);
    EXPECT_EQ(toggles[0].args, (std::vector<double>{GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 1}));
    EXPECT_EQ(toggles[1].args, (std::vector<double>{GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 0}));
    EXPECT_LT(spy::indexOf("glTexParameteri"), spy::indexOf("glTexImage2D"));
    EXPECT_GT(spy::indexOf("glTexParameteri", spy::indexOf("glTexImage2D")),
              spy::indexOf("glTexSubImage2D"));
    EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 256);
    EXPECT_EQ(levelParam(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 128);
    expectRgb(texels(GL_TEXTURE_2D, 0, GL_RGB, 3), 0, kGreen);
    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));

    // GL averages level 0 into level 1: a 2×2 checker of black and white becomes grey.
    const grImage2D checker = bgrImage(2, 2, [](int x, int y) {
        return (x + y) % 2 ? kWhite : Rgb{0, 0, 0};
    });
    texture.setImage(checker, 2, 0);
    bindFresh(GL_TEXTURE_2D);
    texture.apply();
    EXPECT_EQ(levelParam(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 1);
    expectRgb(texels(GL_TEXTURE_2D, 1, GL_RGB, 3), 0, Rgb{128, 128, 128}, 1);

    // With a border the nominal size counts it: 258 is 256 plus two border texels.
    texture.setImage(image, 258, 0);
    texture.setBorder(true);
    bindFresh(GL_TEXTURE_2D);
    spy::start();
    texture.apply();
    spy::stop();
    ASSERT_EQ(spy::count("glTexImage2D"), 1u);
    const std::vector<double> alloc = spy::callsOf("glTexImage2D")[0].args;
    EXPECT_EQ(alloc[3], 258);
    EXPECT_EQ(alloc[4], 258);
    EXPECT_EQ(alloc[5], 1);
    expectClientStateRestored();
}

TEST_F(TextureImageGL, PaletteOfImageZeroMapsColoursOnlyForAPowerOfTwo) {
    const std::vector<unsigned char> grey = {10, 60, 120, 250};
    grImage2D image = byteImage(0, 4, 1, grey);
    image.palette.resize(3);
    grTexture2D texture;
    texture.setImage(image, 0, 0);

    bindFresh(GL_TEXTURE_2D);
    texture.apply();
    EXPECT_EQ(texels(GL_TEXTURE_2D, 0, GL_LUMINANCE, 1), grey); // three entries: no effect

    image.palette.resize(4);
    for (int i = 0; i < 4; ++i) {
        image.palette.red[i] = std::uint16_t(0x1000 * (i + 1));
        image.palette.green[i] = 0x2222;
        image.palette.blue[i] = 0xFFFF;
    }
    texture.setImage(image, 0, 0);
    bindFresh(GL_TEXTURE_2D);
    texture.apply();
    // The colour map was on during the upload, so the grey levels went through GL's pixel
    // maps (none of which keeps them) and the index maps now hold the palette.
    EXPECT_NE(texels(GL_TEXTURE_2D, 0, GL_LUMINANCE, 1), grey);
    GLint mapSize = 0;
    glGetIntegerv(GL_PIXEL_MAP_I_TO_R_SIZE, &mapSize);
    EXPECT_EQ(mapSize, 4);
    GLushort red[4] = {};
    glGetPixelMapusv(GL_PIXEL_MAP_I_TO_R, red);
    EXPECT_EQ(red[3], 0x4000);
    expectClientStateRestored();

    // 256 entries: the map goes on before the first image step and off after the
    // parameters; the palette of image 1 plays no part.
    grImage2D indexed = byteImage(0, 4, 1, grey);
    indexed.palette.resize(256);
    grTexParams2D params;
    grTexture2D two;
    two.setParams(&params);
    two.setImages(std::vector<grImage2D>{indexed, image}, 0, 0);
    bindFresh(GL_TEXTURE_2D);
    spy::start();
    two.apply();
    spy::stop();
    const auto transfer = spy::callsOf("glPixelTransferi");
    ASSERT_EQ(transfer.size(), 2u);
    EXPECT_EQ(transfer[0].args, (std::vector<double>{GL_MAP_COLOR, 1}));
    EXPECT_EQ(transfer[1].args, (std::vector<double>{GL_MAP_COLOR, 0}));
    const auto maps = spy::callsOf("glPixelMapusv");
    ASSERT_EQ(maps.size(), 3u);
    EXPECT_EQ(maps[0].args[0], GL_PIXEL_MAP_I_TO_R);
    EXPECT_EQ(maps[0].args[1], 256);
    EXPECT_EQ(spy::indexOf("glPixelTransferi"), 0);
    EXPECT_LT(spy::indexOf("glPixelMapusv"), spy::indexOf("glPushClientAttrib"));
    EXPECT_EQ(spy::names().back(), "glPixelTransferi");
    EXPECT_EQ(spy::names()[spy::calls().size() - 2], "glTexParameteri");

    image.palette.clear();
    two.setImages(std::vector<grImage2D>{image, indexed}, 0, 0);
    spy::start();
    two.apply();
    spy::stop();
    EXPECT_EQ(spy::count("glPixelTransferi"), 0u);
    EXPECT_EQ(spy::count("glPixelMapusv"), 0u);

    // The guard switches the map off when an exception leaves its scope.
    try {
        grPixelMapGuard guard(indexed.palette);
        EXPECT_TRUE(guard.armed());
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
    expectClientStateRestored();
}

TEST_F(TextureImageGL, UnsendableImagesAreSkippedAndTheRestSent) {
    grTexture2D texture;
    // Three default records, then two good ones at positions 3 and 4.
    texture.setImages(std::vector<grImage2D>{solid(4, 4, kRed), solid(2, 2, kBlue)}, 0, 3);
    ASSERT_EQ(texture.images.size(), 5u);
    bindFresh(GL_TEXTURE_2D);
    spy::start();
    texture.apply();
    spy::stop();
    EXPECT_EQ(spy::count("glPushClientAttrib"), 2u); // default records cost no GL call
    const auto allocs = spy::callsOf("glTexImage2D");
    ASSERT_EQ(allocs.size(), 2u);
    EXPECT_EQ(allocs[0].args[1], 3);
    EXPECT_EQ(allocs[1].args[1], 4);
    EXPECT_EQ(levelParam(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH), 4);
    expectRgb(texels(GL_TEXTURE_2D, 4, GL_RGB, 3), 0, kBlue);

    // An unresolvable record, a view too short for its image, a compressed record without
    // the extension: each is skipped, and the last image still goes out.
    grImage2D layout14 = solid(4, 4, kRed);
    layout14.layout = 14;
    grImage2D shortView = solid(4, 4, kRed);
    shortView.height = 5;
    grImage2D compressed = solid(4, 4, kRed);
    compressed.compressed = true;
    texture.clearImages();
    texture.setImages(std::vector<grImage2D>{layout14, shortView, compressed, solid(1, 1, kBlue)},
                      0, 0);
    bindFresh(GL_TEXTURE_2D);
    spy::start();
    texture.apply();
    spy::stop();
    EXPECT_EQ(spy::count("glPushClientAttrib"), 3u);
    EXPECT_EQ(spy::count("glPopClientAttrib"), 3u);
    ASSERT_EQ(spy::count("glTexImage2D"), 1u);
    EXPECT_EQ(spy::callsOf("glTexImage2D")[0].args[1], 3);
    expectClientStateRestored();
}

TEST_F(TextureImageGL, UnpackFieldsSelectTheSubImageAndTheViewMustHoldIt) {
    // A 5×3 source, tightly packed; the record takes the 3×2 block at (1, 1).
    const grPixelStore tight{GL_FALSE, 1};
    grImage2D im;
    im.layout = 7; // RGB
    im.numberKind = 1;
    im.bitCode = 3;
    im.pixelStore = &tight;
    im.rowLength = 5;
    im.skipPixels = 1;
    im.skipRows = 1;
    im.width = 3;
    im.height = 2;
    // GL reads up to row 2, pixel 3: 2 × 15 + 4 × 3 = 42 bytes.
    ASSERT_TRUE(im.pixels.create(42));
    for (int i = 0; i < 42; ++i)
        im.pixels.begin()[i] = static_cast<unsigned char>(i);
    grTexture2D texture;
    texture.setImage(im, 0, 0);
    bindFresh(GL_TEXTURE_2D);
    texture.apply();
    const auto t = texels(GL_TEXTURE_2D, 0, GL_RGB, 3);
    ASSERT_EQ(t.size(), 18u);
    EXPECT_EQ(t[0], 18);  // row 1, pixel 1
    EXPECT_EQ(t[9], 33);  // row 2, pixel 1
    EXPECT_EQ(t[17], 41); // the last byte of the view
    expectClientStateRestored();

    // One byte fewer and GL would read past the view: nothing is sent.
    im.pixels.create(41);
    texture.setImage(im, 0, 0);
    spy::start();
    texture.apply();
    spy::stop();
    EXPECT_EQ(spy::count("glTexImage2D"), 0u);
    EXPECT_EQ(spy::count("glPopClientAttrib"), 1u);
    expectClientStateRestored();
}

TEST_F(TextureImageGL, RefreshResendsWithoutAllocating) {
    grImage2D image = solid(8, 8, kRed);
    grTexture2D texture;
    texture.setMipmapped(true);
    texture.setImages(std::vector<grImage2D>{image, solid(4, 4, kGreen)}, 0, 0);
    grTextureObject object;
    object.load(texture);
    expectRgb(texels(GL_TEXTURE_2D, 0, GL_RGB, 3), 0, kRed);

    // The texture shares the producer's bytes: changing them and refreshing shows.
    for (int i = 0; i < 8 * 8 * 3; i += 3)
        image.pixels.begin()[i] = 255; // blue byte of every BGR pixel
    spy::start();
    object.update();
    spy::stop();
    EXPECT_EQ(spy::count("glTexImage2D"), 0u);
    EXPECT_EQ(spy::count("gluBuild2DMipmaps"), 1u); // the chain is rebuilt from level 0
    ASSERT_EQ(spy::count("glTexSubImage2D"), 1u);
    EXPECT_EQ(spy::callsOf("glTexSubImage2D")[0].args[1], 1);
    expectRgb(texels(GL_TEXTURE_2D, 0, GL_RGB, 3), 0, Rgb{255, 0, 255});

    ASSERT_NE(probeGenerateMipmap(), 0);
    object.load(texture);
    spy::start();
    object.update();
    spy::stop();
    EXPECT_EQ(spy::count("glTexImage2D"), 0u);
    EXPECT_EQ(spy::count("gluBuild2DMipmaps"), 0u);
    EXPECT_EQ(spy::count("glTexSubImage2D"), 2u);
    EXPECT_EQ(spy::count("glTexParameteri"), 2u); // generation on and off around level 0

    texture.setMipmapped(false);
    spy::start();
    object.update();
    spy::stop();
    EXPECT_EQ(spy::count("glTexImage2D"), 0u);
    EXPECT_EQ(spy::count("glTexSubImage2D"), 2u);
    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));
}

TEST_F(TextureImageGL, ExplicitLevelsFormACompleteChain) {
    grTexParams2D params;
    params.set(GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT, 1.0f);

    // Unmipmapped: every level explicit, each image exactly its level's size.
    grTexture2D texture;
    texture.setParams(&params);
    texture.setImages(std::vector<grImage2D>{solid(8, 8, kRed), solid(4, 4, kGreen),
                                             solid(2, 2, kBlue), solid(1, 1, kWhite)},
                      0, 0);
    bindFresh(GL_TEXTURE_2D);
    texture.apply();
    expectHalvingChain(GL_TEXTURE_2D, 4);
    const Rgb sampled = samplePixel();
    EXPECT_EQ(sampled.b, 255);
    EXPECT_EQ(sampled.r, 0);

    // Mipmapped: GLU builds level 0 and below; explicit level 1 replaces GLU's, and a level-2
    // image smaller than its level still gets a level of the chain's size.
    grTexture2D chain;
    chain.setMipmapped(true);
    chain.setParams(&params);
    chain.setImages(
        std::vector<grImage2D>{solid(8, 8, kRed), solid(4, 4, kGreen), solid(1, 1, kBlue)}, 0, 0);
    bindFresh(GL_TEXTURE_2D);
    chain.apply();
    expectHalvingChain(GL_TEXTURE_2D, 4);
    expectRgb(texels(GL_TEXTURE_2D, 1, GL_RGB, 3), 3, kGreen);
    const Rgb level2 = samplePixel();
    EXPECT_EQ(level2.b, 255);
    EXPECT_EQ(level2.r, 0);
    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));
}

TEST_F(TextureImageGL, CompressionRequestsAndCompressedRecords) {
    ASSERT_NE(probeTextureCompression(), 0);
    const std::vector<unsigned char> alpha = {0,  50,  100, 150, 200, 250, 30, 60,
                                              90, 120, 180, 210, 240, 15,  45, 75};
    grTexture2D texture;
    texture.setCompress(true);
    texture.setImage(byteImage(6, 4, 4, alpha), 0, 0); // 8-bit alpha
    bindFresh(GL_TEXTURE_2D);
    spy::start();
    texture.apply();
    spy::stop();
    ASSERT_EQ(spy::count("glTexImage2D"), 1u);
    EXPECT_EQ(spy::callsOf("glTexImage2D")[0].args[2], GL_COMPRESSED_ALPHA_ARB);
    // GL took the request (it may keep generic compressed formats uncompressed): an alpha-only
    // 4×4 level.
    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));
    EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 4);
    EXPECT_GT(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_EQ(levelParam(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_SIZE), 0);
    hasTextureCompression = 0; // without the extension the same texture asks for plain alpha
    spy::start();
    texture.apply();
    spy::stop();
    EXPECT_EQ(spy::callsOf("glTexImage2D")[0].args[2], GL_ALPHA);
    hasTextureCompression = 1;
    EXPECT_EQ(texels(GL_TEXTURE_2D, 0, GL_ALPHA, 1).size(), 16u);
    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));

    // Records already compressed go through the entry points with the view as the data.
    glCompressedTexImage2DARB = recordCompressed2D;
    glCompressedTexSubImage2DARB = recordCompressedSub2D;
    grImage2D packed = byteImage(6, 4, 4, alpha);
    packed.compressed = true;
    texture.setMipmapped(true);
    texture.setImage(packed, 0, 0);
    compressedCalls.clear();
    compressedRefreshCalls.clear();
    spy::start();
    texture.apply();
    texture.update();
    spy::stop();
    const std::vector<double> sent = {
        GL_TEXTURE_2D, 0, GL_COMPRESSED_ALPHA_ARB, 4, 4, 0, 16, spy::addr(packed.pixels.begin())};
    ASSERT_EQ(compressedCalls.size(), 1u);
    EXPECT_EQ(compressedCalls[0], sent);
    ASSERT_EQ(compressedRefreshCalls.size(), 1u);
    EXPECT_EQ(compressedRefreshCalls[0][6], GL_COMPRESSED_ALPHA_ARB);
    EXPECT_EQ(spy::count("gluBuild2DMipmaps") + spy::count("glTexImage2D"), 0u);

    // A failed entry-point lookup leaves the pointer null: nothing is called.
    glCompressedTexImage2DARB = nullptr;
    spy::start();
    texture.apply();
    spy::stop();
    EXPECT_EQ(spy::count("glPopClientAttrib"), 1u);
    EXPECT_EQ(compressedCalls.size(), 1u);
    expectClientStateRestored();
}

TEST_F(TextureImageGL, CubeMapFacesAndLevels) {
    const Rgb colours[6] = {kRed, kGreen, kBlue, kWhite, Rgb{255, 255, 0}, Rgb{0, 255, 255}};
    grImage2D faces[6], small[6];
    for (int f = 0; f < 6; ++f) {
        faces[f] = solid(4, 4, colours[f]);
        small[f] = solid(2, 2, colours[5 - f]);
    }
    grTexParamsCubeMap params;
    params.set(GL_NEAREST, GL_NEAREST, 1.0f);
    grTextureCubeMap cube;
    cube.setParams(&params);
    cube.setLevel(faces, 0, 0);
    bindFresh(GL_TEXTURE_CUBE_MAP);
    cube.apply();
    const GLenum first = GL_TEXTURE_CUBE_MAP_POSITIVE_X;
    for (GLenum f = 0; f < 6; ++f) {
        EXPECT_EQ(levelParam(first + f, 0, GL_TEXTURE_WIDTH), 4);
        expectRgb(texels(first + f, 0, GL_RGB, 3), 15, colours[f]);
    }

    // Mipmapped: GLU builds each face's chain, then level 1 is replaced explicitly.
    cube.setMipmapped(true);
    cube.setLevel(small, 0, 1);
    bindFresh(GL_TEXTURE_CUBE_MAP);
    spy::start();
    cube.apply();
    spy::stop();
    EXPECT_EQ(spy::count("gluBuild2DMipmaps"), 6u);
    for (GLenum f = 0; f < 6; ++f) {
        EXPECT_EQ(levelParam(first + f, 2, GL_TEXTURE_WIDTH), 1);
        expectRgb(texels(first + f, 1, GL_RGB, 3), 0, colours[5 - f]);
    }
    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));

    // Fewer than six records: no image in either mode, but the parameters still apply.
    for (bool mipmapped : {false, true}) {
        cube.setMipmapped(mipmapped);
        cube.clearImages();
        cube.images.assign(faces, faces + 5);
        spy::start();
        cube.apply();
        spy::stop();
        EXPECT_EQ(spy::count("glTexImage2D") + spy::count("gluBuild2DMipmaps") +
                      spy::count("glPushClientAttrib"),
                  0u);
        EXPECT_EQ(spy::count("glTexParameteri"), 2u);
        EXPECT_EQ(spy::callsOf("glTexParameteri")[0].args[0], GL_TEXTURE_CUBE_MAP);
    }
}

TEST_F(TextureImageGL, ThreeDimensionalTexture) {
    grImage3D block;
    block.layout = 8; // RGBA
    block.numberKind = 1;
    block.bitCode = 3;
    block.width = 4;
    block.height = 2;
    block.depth = 2;
    ASSERT_TRUE(block.pixels.create(4 * 2 * 2 * 4));
    for (int i = 0; i < 64; ++i)
        block.pixels.begin()[i] = static_cast<unsigned char>(4 * i);
    grTexParams3D params;
    params.set(GL_NEAREST, GL_NEAREST, GL_CLAMP, GL_CLAMP, GL_CLAMP, 1.0f);
    grTexture3D texture;
    texture.setParams(&params);
    texture.setImage(block, 0, 0);

    // Without the entry points the images are skipped; the parameters still apply.
    glTexImage3DEXT = nullptr;
    glTexSubImage3DEXT = nullptr;
    bindFresh(GL_TEXTURE_3D);
    spy::start();
    texture.apply();
    spy::stop();
    EXPECT_EQ(spy::count("glTexParameteri"), 5u);
    EXPECT_EQ(levelParam(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH), 0);

    ASSERT_NE(probeTexture3D(), 0);
    texture.apply();
    EXPECT_EQ(levelParam(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(levelParam(GL_TEXTURE_3D, 0, GL_TEXTURE_HEIGHT), 2);
    EXPECT_EQ(levelParam(GL_TEXTURE_3D, 0, GL_TEXTURE_DEPTH), 2);
    const auto t = texels(GL_TEXTURE_3D, 0, GL_RGBA, 4);
    ASSERT_EQ(t.size(), 64u);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[63], 252);

    // Mipmapped: level 0 is a cube of the nominal edge, the record fills its front.
    texture.setMipmapped(true);
    bindFresh(GL_TEXTURE_3D);
    texture.apply();
    EXPECT_EQ(levelParam(GL_TEXTURE_3D, 0, GL_TEXTURE_DEPTH), 4);
    EXPECT_EQ(levelParam(GL_TEXTURE_3D, 0, GL_TEXTURE_HEIGHT), 4);
    // Texel (1, 1, 0), green: byte 4 × 5 + 1 of both the level and the record.
    EXPECT_EQ(texels(GL_TEXTURE_3D, 0, GL_RGBA, 4)[21], 4 * 21);
    expectClientStateRestored();
    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));
}

TEST_F(TextureImageGL, OneDimensionalChains) {
    grImage1D row;
    row.layout = 7;
    row.numberKind = 1;
    row.bitCode = 3;
    row.width = 8;
    ASSERT_TRUE(row.pixels.create(24));
    for (int i = 0; i < 24; ++i)
        row.pixels.begin()[i] = static_cast<unsigned char>(i * 10);
    grImage1D half = row;
    half.width = 4;

    grTexture1D texture;
    texture.setMipmapped(true);
    texture.setImage(row, 0, 0);
    bindFresh(GL_TEXTURE_1D);
    spy::start();
    texture.apply();
    spy::stop();
    ASSERT_EQ(spy::count("gluBuild1DMipmaps"), 1u);
    EXPECT_EQ(levelParam(GL_TEXTURE_1D, 3, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(texels(GL_TEXTURE_1D, 0, GL_RGB, 3)[23], 230);

    ASSERT_NE(probeGenerateMipmap(), 0);
    texture.setImage(row, 12, 0); // edge floorPowerOfTwo(12) = 8
    bindFresh(GL_TEXTURE_1D);
    spy::start();
    texture.apply();
    spy::stop();
    ASSERT_EQ(spy::count("glTexImage1D"), 1u);
    EXPECT_EQ(spy::callsOf("glTexImage1D")[0].args[3], 8);
    EXPECT_EQ(levelParam(GL_TEXTURE_1D, 1, GL_TEXTURE_WIDTH), 4);

    texture.setMipmapped(false);
    texture.setImages(std::vector<grImage1D>{row, half}, 0, 0);
    bindFresh(GL_TEXTURE_1D);
    texture.apply();
    EXPECT_EQ(levelParam(GL_TEXTURE_1D, 0, GL_TEXTURE_WIDTH), 8);
    EXPECT_EQ(levelParam(GL_TEXTURE_1D, 1, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(texels(GL_TEXTURE_1D, 1, GL_RGB, 3)[11], 110);
    expectClientStateRestored();
    EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));
}
