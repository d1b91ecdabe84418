// The billboard against a real GL context: the photograph's bytes travel from the file to GL
// without a copy, the quad is drawn at its pose, and a file GL refuses leaves it silent.
#define GL_GLEXT_PROTOTYPES // the pixel-buffer calls, exported by the GL library
#include "billboard.h"

#include "../graphics/bmp_builder.h"
#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
using Args = std::vector<double>;
// A sample photograph painted by the build.
const std::string kPhoto = PLUVINA_BINARY_DIR "/app/p6155961.bmp";
const libgr::grRect kSquare(libgr::grVec2(256, 256), libgr::grVec2(-256, -256));
} // namespace

TEST(BillBoard, SharesTheFilesBytesWithGLAndDrawsOneQuadAtItsPose) {
    testgl::ensureContext();
    BillBoard b;
    const libgr::grPose pose(libgr::grRotation(-90.0f, libgr::grVec3(1, 0, 0)),
                             libgr::grVec3(0, -256, 0));
    spy::start();
    ASSERT_TRUE(b.load(kPhoto.c_str(), pose, kSquare)) << b.reason();
    spy::stop();
    EXPECT_EQ(b.photo->road(), libphoto::MipmapSource::Glu); // the reader's record as it is
    EXPECT_EQ(spy::count("gluBuild2DMipmaps"), 1u); // its calls: the photo library's GL test

    spy::start();
    b.draw();
    spy::stop();
    const std::vector<std::string> expected = {
        "glMatrixMode", "glPushMatrix",  "glTranslatef", "glRotatef",    "glEnable",
        "glTexEnvi",    "glBindTexture", "glBegin",      "glNormal3f",   "glTexCoord2f",
        "glVertex2f",   "glTexCoord2f",  "glVertex2f",   "glTexCoord2f", "glVertex2f",
        "glTexCoord2f", "glVertex2f",    "glEnd",        "glFlush",      "glDisable",
        "glPopMatrix"};
    EXPECT_EQ(spy::names(), expected);
    EXPECT_EQ(spy::callsOf("glTranslatef")[0].args, (Args{0, -256, 0}));
    EXPECT_EQ(spy::callsOf("glRotatef")[0].args, (Args{-90, 1, 0, 0}));
    // Corners from the rectangle's minimum to its maximum, counter-clockwise, each with its
    // texture coordinate: the first stored row (the bottom one) at the minimum y.
    const Args corners[] = {{-256, -256}, {256, -256}, {256, 256}, {-256, 256}};
    const Args coords[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(spy::callsOf("glVertex2f")[i].args, corners[i]);
        EXPECT_EQ(spy::callsOf("glTexCoord2f")[i].args, coords[i]);
    }
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    // A failed reload leaves the texture in GL, yet the billboard draws nothing any more.
    spy::start();
    EXPECT_FALSE(b.load("/nonexistent/p6155961.bmp", pose, kSquare));
    b.draw();
    EXPECT_EQ(spy::count("glBegin"), 0u);
    testgl::drainErrors();
}

TEST(BillBoard, TextureGLRefusesIsDeletedAndSaysWhy) {
    testgl::ensureContext();
    GLuint buffer = 0; // GL takes pixels from a bound unpack buffer: 4 bytes, so it refuses
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer);
    glBufferData(GL_PIXEL_UNPACK_BUFFER, 4, nullptr, GL_STATIC_DRAW);
    BillBoard b;
    EXPECT_FALSE(b.load(kPhoto.c_str(), libgr::grPose(), kSquare));
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glDeleteBuffers(1, &buffer);
    EXPECT_STREQ(b.reason(), "the graphics driver did not accept the picture");
    EXPECT_FALSE(b.photo->isLoaded()); // no name left behind, nothing drawn
    testgl::drainErrors();
}

// Pictures GL cannot hold, or whose mipmaps GLU would build past the end of its own rows, are
// refused before any GLU call, or sent under the alignment their rows really have. The
// address sanitizer run of this test is what sees a read past a buffer inside GLU or GL.
TEST(BillBoard, PicturesGLCannotHoldNeverReachGLU) {
    testgl::ensureContext();
    struct Case {
        const char* name;
        BmpDesc file;
        const char* reason; // null: shown
    };
    const Case cases[] = {
        // 64 bytes that claim 2^26 by 1 (RLE8: end of line, end of bitmap).
        {"2^26 by 1",
         {1 << 26, 1, 8, 1, 40, 2, {}, {0xFF0000, 0xFF}, {0, 0, 0, 1}},
         "picture too large"},
        {"4 by 32768",
         {4, 32768, 24, 0, 40, 0, {}, {}, Bytes(12 * 32768, 0x80)},
         "larger than GL_MAX_TEXTURE_SIZE"},
        {"1-5-5-5 at 1 by 3",
         {1,
          3,
          16,
          6,
          40,
          0,
          {0x7C00, 0x3E0, 0x1F, 0x8000},
          {},
          rows(16, 1, {0x801F, 0x83E0, 0xFC00})},
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = writeTemp(bmp(c.file));
        BillBoard b;
        spy::start();
        const bool shown = b.load(path.c_str(), libgr::grPose(), kSquare);
        spy::stop();
        std::remove(path.c_str());
        EXPECT_EQ(testgl::drainErrors(), unsigned(GL_NO_ERROR));
        EXPECT_EQ(shown, c.reason == nullptr) << b.reason();
        EXPECT_EQ(spy::count("gluBuild2DMipmaps"), shown ? 1u : 0u);
        if (!shown) {
            EXPECT_NE(std::string(b.reason()).find(c.reason), std::string::npos) << b.reason();
            continue;
        }
        // 2-byte rows, an odd width's padding as the row length.
        EXPECT_EQ(spy::callsOf("glPixelStorei")[1].args, (Args{GL_UNPACK_ALIGNMENT, 2}));
        EXPECT_EQ(spy::callsOf("glPixelStorei")[2].args, (Args{GL_UNPACK_ROW_LENGTH, 2}));
    }
}
