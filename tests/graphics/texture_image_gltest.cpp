#include "libgr/extensions.h"
#include "libgr/texture_image.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

using namespace libgr;
using Args = std::vector<double>;
using Bytes = std::vector<unsigned char>;
using Names = std::vector<std::string>;

namespace {

const Args kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};
const std::string kPush = "glPushClientAttrib", kPop = "glPopClientAttrib",
                  kParam = "glTexParameteri", kImage = "glTexImage2D";

// A w×h record with `bpp` bytes per pixel, rows padded to 4 bytes as GL's default unpack
// alignment reads them; `fill` writes pixel i (row-major) at p.
grImage2D record(int layout, std::uint32_t bpp, std::uint32_t w, std::uint32_t h,
                 const std::function<void(unsigned char* p, std::uint32_t i)>& fill) {
    grImage2D im;
    im.layout = layout;
    im.numberKind = 1;
    im.bitCode = 3;
    im.width = w;
    im.height = h;
    const std::uint32_t stride = (bpp * w + 3) & ~3u;
    EXPECT_TRUE(im.pixels.create(stride * h));
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
            fill(im.pixels.begin() + y * stride + bpp * x, y * w + x);
    return im;
}

// 24-bit BGR (layout 9) of one colour given as red, green, blue.
grImage2D solid(std::uint32_t w, std::uint32_t h, const Args& rgb) {
    return record(9, 3, w, h, [&rgb](unsigned char* p, std::uint32_t) {
        for (int k = 0; k < 3; ++k)
            p[k] = static_cast<unsigned char>(rgb[2 - k]);
    });
}

grImage2D bytes(int layout, std::uint32_t w, std::uint32_t h, const Bytes& v) {
    return record(layout, 1, w, h, [&v](unsigned char* p, std::uint32_t i) { *p = v[i]; });
}

// A level parameter, as a double so that it compares inside Args.
double level(GLint l, GLenum name = GL_TEXTURE_WIDTH, GLenum target = GL_TEXTURE_2D) {
    GLint value = 0;
    glGetTexLevelParameteriv(target, l, name, &value);
    return value;
}

// Texels of a level as tightly packed bytes.
Bytes texels(GLint l, GLenum format = GL_RGB, GLenum target = GL_TEXTURE_2D) {
    const int components = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 1;
    Bytes out(std::size_t(level(l, GL_TEXTURE_WIDTH, target)) *
              std::size_t(level(l, GL_TEXTURE_HEIGHT, target)) *
              std::size_t(std::max(1.0, level(l, GL_TEXTURE_DEPTH, target)) * components));
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, l, format, GL_UNSIGNED_BYTE, out.data());
    glPopClientAttrib();
    return out;
}

// Red, green and blue of texel i of a level (empty when the level has no such texel).
Args rgbAt(GLint l, std::size_t i, GLenum target = GL_TEXTURE_2D) {
    const Bytes t = texels(l, GL_RGB, target);
    return t.size() < 3 * i + 3 ? Args{} : Args(t.begin() + 3 * i, t.begin() + 3 * i + 3);
}

// Arguments of the i-th recorded call of `name` (empty when there was none).
Args argsOf(const std::string& name, std::size_t i = 0) {
    const auto calls = spy::callsOf(name);
    return i < calls.size() ? calls[i].args : Args{};
}

// The recorded calls of the given names, in order.
Names only(const Names& wanted) {
    Names out;
    for (const std::string& n : spy::names())
        if (std::find(wanted.begin(), wanted.end(), n) != wanted.end())
            out.push_back(n);
    return out;
}

// Every pixel-store and pixel-transfer value an upload touches is back at GL's default.
void expectClientStateRestored() {
    const std::pair<GLenum, GLint> defaults[] = {
        {GL_UNPACK_ALIGNMENT, 4},   {GL_UNPACK_ROW_LENGTH, 0}, {GL_UNPACK_SKIP_PIXELS, 0},
        {GL_UNPACK_SKIP_ROWS, 0},   {GL_UNPACK_SWAP_BYTES, 0}, {GL_UNPACK_IMAGE_HEIGHT, 0},
        {GL_UNPACK_SKIP_IMAGES, 0}, {GL_MAP_COLOR, GL_FALSE}};
    for (const auto& d : defaults) {
        GLint v = -1;
        glGetIntegerv(d.first, &v);
        EXPECT_EQ(v, d.second) << std::hex << d.first;
    }
}

// Draws the bound 2D texture over a 4×4 viewport and reads the lower-left pixel. GL's default
// eye-linear texture coordinates are s = x, t = y, so 16 texels span 4 pixels and an 8×8
// texture samples level 2. GL disables an incomplete texture, leaving the rectangle white.
Args samplePixel() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glViewport(0, 0, 4, 4);
    for (GLenum m : {GL_PROJECTION, GL_MODELVIEW}) { // identity is GL's default anyway
        glMatrixMode(m);
        glLoadIdentity();
    }
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glRectf(-1, -1, 1, 1);
    unsigned char p[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    glPopAttrib();
    return Args{double(p[0]), double(p[1]), double(p[2])};
}

// The extension flags and entry points are process-wide: each test starts with no probe run
// and the fixture puts back what it found.
class TextureImageGL : public ::testing::Test {
protected:
    void SetUp() override {
        hasTextureCompression = hasGenerateMipmap = hasTexture3D = hasAnisotropicFilter = 0;
        testgl::drainErrors();
    }
    void TearDown() override {
        spy::stop();
        std::tie(hasTextureCompression, hasGenerateMipmap, hasTexture3D, hasAnisotropicFilter) =
            flags;
        std::tie(glCompressedTexImage2DARB, glTexImage3DEXT, glTexSubImage3DEXT) = entries;
        glDeleteTextures(1, &name); // also unbinds it
    }
    void expectNoGLError() { EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR)); }
    // Applies the texture while the spy records, into a fresh texture object bound to
    // `freshTarget` unless that is 0.
    void send(grTexturable& texture, GLenum freshTarget = 0) {
        if (freshTarget != 0) {
            glDeleteTextures(1, &name);
            glGenTextures(1, &name);
            glBindTexture(freshTarget, name);
        }
        spy::start();
        texture.apply();
        spy::stop();
    }

    GLuint name = 0;
    const std::tuple<int, int, int, int> flags{hasTextureCompression, hasGenerateMipmap,
                                               hasTexture3D, hasAnisotropicFilter};
    const std::tuple<PFNGLCOMPRESSEDTEXIMAGE2DARBPROC, PFNGLTEXIMAGE3DEXTPROC,
                     PFNGLTEXSUBIMAGE3DEXTPROC>
        entries{glCompressedTexImage2DARB, glTexImage3DEXT, glTexSubImage3DEXT};
};

} // namespace

TEST_F(TextureImageGL, TexturesWithoutImagesMakeNoGLCall) {
    grTexParams2D params;
    const float colour[4] = {1, 1, 1, 1};
    grTexture1D t1;
    grTexture2D t2;
    grTexture3D t3;
    grTextureCubeMap tc;
    t2.setParams(&params);
    t2.setBorderColor(colour);
    spy::start();
    for (grTexturable* t : std::initializer_list<grTexturable*>{&t1, &t2, &t3, &tc}) {
        t->apply();
        t->update();
    }
    spy::stop();
    EXPECT_TRUE(spy::calls().empty()) << spy::calls().front().name;
}

TEST_F(TextureImageGL, MipmappedBgrImageIsBuiltByGluFromTheRecordsOwnBytes) {
    const Args colour{30, 20, 10};
    const grImage2D image = solid(200, 100, colour);
    grTexParams2D params;
    params.set(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT, 4.9f);
    grTexture2D texture;
    texture.setMipmapped(true);
    texture.setImage(image, 0, 0);
    texture.setParams(&params);
    send(texture, GL_TEXTURE_2D);
    // GLU reads the record's own bytes inside one pixel-store bracket; the parameters follow,
    // without anisotropy before its probe.
    EXPECT_EQ(argsOf("gluBuild2DMipmaps"),
              (Args{GL_TEXTURE_2D, GL_RGB, 200, 100, GL_BGR, GL_UNSIGNED_BYTE,
                    spy::addr(image.pixels.begin())}));
    EXPECT_EQ(argsOf(kPush), Args{GL_CLIENT_PIXEL_STORE_BIT});
    EXPECT_EQ(only({kPush, kPop, "gluBuild2DMipmaps", kParam, kImage, "glPixelTransferi"}),
              (Names{kPush, "gluBuild2DMipmaps", kPop, kParam, kParam, kParam, kParam}));
    // GLU rounds 200×100 to the nearest powers of two, 256×128, and halves down to 1×1.
    for (GLint l = 0; l < 9; ++l)
        EXPECT_EQ((Args{level(l), level(l, GL_TEXTURE_HEIGHT)}),
                  (Args{double(256 >> l), double(std::max(1, 128 >> l))}));
    EXPECT_EQ(level(9), 0);
    // Blue, green, red bytes arrive as red, green, blue texels, down to the last level.
    EXPECT_EQ(rgbAt(0, 0), colour);
    EXPECT_EQ(rgbAt(8, 0), colour);

    ASSERT_NE(probeAnisotropicFilter(), 0);
    texture.apply();
    float aniso = 0;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &aniso);
    EXPECT_EQ(aniso, 4.0f); // truncated, not rounded
    expectNoGLError();
}

TEST_F(TextureImageGL, GeneratePathAllocatesTheNominalSizeThenFills) {
    ASSERT_NE(probeGenerateMipmap(), 0);
    const grImage2D image = solid(200, 100, kGreen);
    grTexture2D texture;
    texture.setMipmapped(true);
    for (const bool border : {true, false}) { // 258 with a border: 256 plus two border texels
        SCOPED_TRACE(border);
        const double edge = border ? 258 : 256;
        texture.setImage(image, std::uint32_t(edge), 0);
        texture.setBorder(border);
        send(texture, GL_TEXTURE_2D);
        // Generation is on from before level 0 is allocated until after it is filled.
        EXPECT_EQ(only({kParam, kImage, "glTexSubImage2D", "gluBuild2DMipmaps"}),
                  (Names{kParam, kImage, "glTexSubImage2D", kParam}));
        EXPECT_EQ(argsOf(kParam, 0), (Args{GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 1}));
        EXPECT_EQ(argsOf(kParam, 1), (Args{GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 0}));
        EXPECT_EQ(argsOf(kImage), (Args{GL_TEXTURE_2D, 0, GL_RGB, edge, edge, double(border),
                                        GL_BGR, GL_UNSIGNED_BYTE, 0}));
        EXPECT_EQ(argsOf("glTexSubImage2D"),
                  (Args{GL_TEXTURE_2D, 0, 0, 0, 200, 100, GL_BGR, GL_UNSIGNED_BYTE,
                        spy::addr(image.pixels.begin())}));
    }
    // GL generated level 1 from the green corner of level 0.
    EXPECT_EQ((Args{level(0), level(1)}), (Args{256, 128}));
    EXPECT_EQ(rgbAt(1, 0), kGreen);
    expectNoGLError();
}

TEST_F(TextureImageGL, PaletteOfImageZeroMapsColoursOnlyForAPowerOfTwo) {
    const Bytes grey = {10, 60, 120, 250};
    grImage2D image = bytes(0, 4, 1, grey);
    grTexture2D texture;
    for (std::uint32_t entries : {3u, 4u}) {
        SCOPED_TRACE(entries);
        image.palette.resize(entries);
        for (std::uint32_t i = 0; i < entries; ++i) {
            image.palette.red[i] = std::uint16_t(0x1000 * (i + 1));
            image.palette.green[i] = 0x2222;
            image.palette.blue[i] = 0xFFFF;
        }
        texture.setImage(image, 0, 0);
        send(texture, GL_TEXTURE_2D);
        // With the colour map on, the grey levels pass GL's pixel maps, and none keeps them.
        EXPECT_EQ(texels(0, GL_LUMINANCE) == grey, entries == 3);
        expectClientStateRestored();
    }
    GLushort red[4] = {};
    glGetPixelMapusv(GL_PIXEL_MAP_I_TO_R, red);
    EXPECT_EQ(red[3], 0x4000);

    // 256 entries: on before the first image step, off after the parameters; the palette of
    // image 1 plays no part.
    grImage2D indexed = bytes(0, 4, 1, grey);
    indexed.palette.resize(256);
    grTexParams2D params;
    texture.setParams(&params);
    texture.setImages(std::vector<grImage2D>{indexed, image}, 0, 0);
    send(texture, GL_TEXTURE_2D);
    const std::string transfer = "glPixelTransferi", map = "glPixelMapusv";
    EXPECT_EQ(
        only({transfer, map, kPush, kParam}),
        (Names{transfer, map, map, map, kPush, kPush, kParam, kParam, kParam, kParam, transfer}));
    EXPECT_EQ(argsOf(transfer, 0), (Args{GL_MAP_COLOR, 1}));
    EXPECT_EQ(argsOf(transfer, 1), (Args{GL_MAP_COLOR, 0}));
    EXPECT_EQ(argsOf(map).at(1), 256);
    expectClientStateRestored();
}

TEST_F(TextureImageGL, UnsendableImagesAreSkippedAndTheRestSent) {
    // A default record, unresolvable codes, a compressed record without the extension, a view
    // one byte short of its 48: each is skipped, and the image after them still goes out.
    grImage2D unresolvable = solid(4, 4, kRed), compressed = solid(4, 4, kRed),
              shortView = solid(4, 4, kRed);
    unresolvable.layout = 14;
    compressed.compressed = true;
    ASSERT_TRUE(shortView.pixels.resize(47));
    // That image is the 3×2 block at (1, 1) of a tightly packed 5×3 RGB source of bytes 0, 1,
    // 2, …; the last byte GL reads is byte 2 × 15 + 4 × 3 − 1 = 41.
    const grPixelStore tight{GL_FALSE, 1};
    grImage2D block = record(7, 1, 42, 1, [](unsigned char* p, std::uint32_t i) { *p = i & 0xFF; });
    ASSERT_TRUE(block.pixels.resize(42));
    block.pixelStore = &tight;
    block.rowLength = 5;
    block.skipPixels = block.skipRows = 1;
    block.width = 3;
    block.height = 2;
    grTexture2D texture;
    texture.setImages(std::vector<grImage2D>{unresolvable, compressed, shortView, block}, 0, 1);
    send(texture, GL_TEXTURE_2D);
    EXPECT_EQ(only({kPush, kPop, kImage}), (Names{kPush, kPop, kPush, kPop, kPush, kImage, kPop}));
    EXPECT_EQ(argsOf(kImage).at(1), 4);
    const Bytes t = texels(4);
    ASSERT_EQ(t.size(), 18u);
    EXPECT_EQ((Args{double(t[0]), double(t[9]), double(t[17])}), (Args{18, 33, 41}));
    expectClientStateRestored();
}

TEST_F(TextureImageGL, RefreshResendsWithoutAllocating) {
    grImage2D image = solid(8, 8, kRed);
    grTexture2D texture;
    texture.setMipmapped(true);
    texture.setImages(std::vector<grImage2D>{image, solid(4, 4, kGreen)}, 0, 0);
    grTextureObject object;
    object.load(texture);
    // GLU's chain, the generate path, plain levels: update() only ever refills.
    struct Mode {
        bool mipmapped, generate;
        std::size_t builds, fills;
    };
    for (const Mode m :
         {Mode{true, false, 1, 1}, Mode{true, true, 0, 2}, Mode{false, true, 0, 2}}) {
        SCOPED_TRACE(testing::Message() << m.mipmapped << m.generate);
        if (m.generate) {
            ASSERT_NE(probeGenerateMipmap(), 0);
        }
        texture.setMipmapped(m.mipmapped);
        // The texture shares the producer's bytes: a change there shows after the refresh.
        const double blue = 1 + m.builds + 10 * m.fills + 100 * m.mipmapped;
        for (int i = 0; i < 8 * 8 * 3; i += 3)
            image.pixels.begin()[i] = static_cast<unsigned char>(blue);
        spy::start();
        object.update();
        spy::stop();
        EXPECT_EQ(spy::count(kImage), 0u);
        EXPECT_EQ(spy::count("gluBuild2DMipmaps"), m.builds);
        EXPECT_EQ(spy::count("glTexSubImage2D"), m.fills);
        EXPECT_EQ(rgbAt(0, 63), (Args{255, 0, blue}));
        EXPECT_EQ(rgbAt(1, 0), kGreen);
    }
    expectNoGLError();
}

TEST_F(TextureImageGL, ExplicitLevelsFormACompleteChain) {
    grTexParams2D params;
    params.set(GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT, 1.0f);
    const float border[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    // Unmipmapped, every level is explicit. Mipmapped, GLU builds the chain from level 0, the
    // explicit level 1 replaces GLU's, and a 1×1 image at level 2 still gets a 2×2 level.
    for (const bool mipmapped : {false, true}) {
        SCOPED_TRACE(mipmapped);
        const std::uint32_t edge2 = mipmapped ? 1 : 2;
        grTexture2D texture;
        texture.setMipmapped(mipmapped);
        texture.setParams(&params);
        texture.setBorderColor(border);
        texture.setImages(std::vector<grImage2D>{solid(8, 8, kRed), solid(4, 4, kGreen),
                                                 solid(edge2, edge2, kBlue), solid(1, 1, kWhite)},
                          0, 0);
        send(texture, GL_TEXTURE_2D);
        for (GLint l = 0; l < 4; ++l)
            EXPECT_EQ((Args{level(l), level(l, GL_TEXTURE_HEIGHT)}), Args(2, 8 >> l));
        EXPECT_EQ(rgbAt(1, 15), kGreen);
        EXPECT_EQ(samplePixel(), kBlue); // level 2 samples only from a complete chain
    }
    float held[4] = {};
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, held);
    EXPECT_EQ(Args(held, held + 4), Args(border, border + 4));
    expectNoGLError();
}

TEST_F(TextureImageGL, CompressedAlphaTexture) {
    ASSERT_NE(probeTextureCompression(), 0);
    const Bytes alpha = {0, 50, 100, 150, 200, 250, 30, 60, 90, 120, 180, 210, 240, 15, 45, 75};
    grTexture2D texture;
    texture.setCompress(true);
    texture.setImage(bytes(6, 4, 4, alpha), 0, 0); // 8-bit alpha
    send(texture, GL_TEXTURE_2D);
    EXPECT_EQ(argsOf(kImage).at(2), GL_COMPRESSED_ALPHA_ARB);
    // GL took the request (it may keep a generic compressed format uncompressed).
    expectNoGLError();
    EXPECT_EQ((Args{level(0), level(0, GL_TEXTURE_RED_SIZE)}), (Args{4, 0}));
    EXPECT_GT(level(0, GL_TEXTURE_ALPHA_SIZE), 0);
    if (!level(0, GL_TEXTURE_COMPRESSED_ARB)) {
        EXPECT_EQ(texels(0, GL_ALPHA), alpha);
    }
    hasTextureCompression = 0; // without the extension the same texture asks for plain alpha
    send(texture);
    EXPECT_EQ(argsOf(kImage).at(2), GL_ALPHA);

    // A record already compressed, with the entry point's lookup failed (null): nothing sent.
    hasTextureCompression = 1;
    glCompressedTexImage2DARB = nullptr;
    grImage2D packed = bytes(6, 4, 4, alpha);
    packed.compressed = true;
    texture.setImage(packed, 0, 0);
    send(texture);
    EXPECT_EQ(only({kPush, kPop, kImage}), (Names{kPush, kPop}));
}

TEST_F(TextureImageGL, CubeMapFacesAndLevels) {
    const Args colours[6] = {kRed, kGreen, kBlue, kWhite, Args{255, 255, 0}, Args{0, 255, 255}};
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
    send(cube, GL_TEXTURE_CUBE_MAP);
    const GLenum first = GL_TEXTURE_CUBE_MAP_POSITIVE_X;
    for (GLenum f = 0; f < 6; ++f) {
        EXPECT_EQ(level(0, GL_TEXTURE_WIDTH, first + f), 4);
        EXPECT_EQ(rgbAt(0, 15, first + f), colours[f]);
    }

    // Mipmapped: GLU builds each face's chain, then level 1 is replaced explicitly.
    cube.setMipmapped(true);
    cube.setLevel(small, 0, 1);
    send(cube, GL_TEXTURE_CUBE_MAP);
    EXPECT_EQ(spy::count("gluBuild2DMipmaps"), 6u);
    for (GLenum f = 0; f < 6; ++f) {
        EXPECT_EQ(level(2, GL_TEXTURE_WIDTH, first + f), 1);
        EXPECT_EQ(rgbAt(1, 0, first + f), colours[5 - f]);
    }
    expectNoGLError();

    // Fewer than six records: no image in either mode, but the parameters still apply.
    for (const bool mipmapped : {false, true}) {
        cube.setMipmapped(mipmapped);
        cube.images.assign(faces, faces + 5);
        send(cube);
        EXPECT_EQ(only({kPush, "gluBuild2DMipmaps", kParam}), (Names{kParam, kParam}));
        EXPECT_EQ(argsOf(kParam).at(0), GL_TEXTURE_CUBE_MAP);
    }
}

TEST_F(TextureImageGL, ThreeDimensionalTexture) {
    grImage3D block;
    block.layout = 8; // RGBA
    block.numberKind = 1;
    block.bitCode = 3;
    block.width = 4;
    block.height = block.depth = 2;
    ASSERT_TRUE(block.pixels.create(4 * 2 * 2 * 4));
    for (std::uint32_t i = 0; i < block.pixels.size(); ++i)
        block.pixels[i] = static_cast<unsigned char>(4 * i);
    grTexParams3D params;
    params.set(GL_NEAREST, GL_NEAREST, GL_CLAMP, GL_CLAMP, GL_CLAMP, 1.0f);
    grTexture3D texture;
    texture.setParams(&params);
    texture.setImage(block, 0, 0);

    // Without the entry points the images are skipped; the parameters still apply.
    glTexImage3DEXT = nullptr;
    glTexSubImage3DEXT = nullptr;
    send(texture, GL_TEXTURE_3D);
    EXPECT_EQ(spy::count(kParam), 5u);
    EXPECT_EQ(level(0, GL_TEXTURE_WIDTH, GL_TEXTURE_3D), 0);

    ASSERT_NE(probeTexture3D(), 0);
    send(texture);
    EXPECT_EQ((Args{level(0, GL_TEXTURE_WIDTH, GL_TEXTURE_3D),
                    level(0, GL_TEXTURE_DEPTH, GL_TEXTURE_3D)}),
              (Args{4, 2}));
    EXPECT_EQ(texels(0, GL_RGBA, GL_TEXTURE_3D), Bytes(block.pixels.begin(), block.pixels.end()));

    // Mipmapped: level 0 is a cube of the nominal edge, the record fills its front corner.
    texture.setMipmapped(true);
    send(texture, GL_TEXTURE_3D);
    EXPECT_EQ(level(0, GL_TEXTURE_DEPTH, GL_TEXTURE_3D), 4);
    // Texel (1, 1, 0), green: byte 4 × 5 + 1 of both the level and the record.
    EXPECT_EQ(texels(0, GL_RGBA, GL_TEXTURE_3D).at(21), 4 * 21);
    expectClientStateRestored();
    expectNoGLError();
}

TEST_F(TextureImageGL, OneDimensionalChains) {
    grImage1D row;
    row.layout = 7; // RGB
    row.numberKind = 1;
    row.bitCode = 3;
    row.width = 8;
    ASSERT_TRUE(row.pixels.create(24));
    for (int i = 0; i < 24; ++i)
        row.pixels.begin()[i] = static_cast<unsigned char>(i * 10);
    grImage1D half = row;
    half.width = 4;

    grTexture1D texture; // through GLU: every level down to 1 texel
    texture.setMipmapped(true);
    texture.setImage(row, 0, 0);
    send(texture, GL_TEXTURE_1D);
    EXPECT_EQ(spy::count("gluBuild1DMipmaps"), 1u);
    EXPECT_EQ(level(3, GL_TEXTURE_WIDTH, GL_TEXTURE_1D), 1);
    EXPECT_EQ(texels(0, GL_RGB, GL_TEXTURE_1D)[23], 230);

    ASSERT_NE(probeGenerateMipmap(), 0); // 1D edge: floorPowerOfTwo(size), no border taken off
    texture.setImage(row, 12, 0);
    send(texture, GL_TEXTURE_1D);
    EXPECT_EQ(argsOf("glTexImage1D").at(3), 8);
    EXPECT_EQ(level(1, GL_TEXTURE_WIDTH, GL_TEXTURE_1D), 4);

    texture.setMipmapped(false); // explicit levels
    texture.setImages(std::vector<grImage1D>{row, half}, 0, 0);
    send(texture, GL_TEXTURE_1D);
    EXPECT_EQ(level(1, GL_TEXTURE_WIDTH, GL_TEXTURE_1D), 4);
    EXPECT_EQ(texels(1, GL_RGB, GL_TEXTURE_1D)[11], 110);
    expectClientStateRestored();
    expectNoGLError();
}
