// The billboard against a real GL context: the photograph's bytes travel from the file to GL
// without a copy, the quad shows it upright, and a missing file leaves it silent.
#include "billboard.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Writes a bottom-up 24-bit BMP whose rows are given bottom first, as (r, g, b) per row.
std::string writeStripes(const std::vector<std::array<unsigned char, 3>>& rows, int width) {
    const int height = static_cast<int>(rows.size());
    const int stride = (width * 3 + 3) & ~3;
    std::vector<unsigned char> f(54 + stride * height, 0);
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            f[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<std::uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    f[26] = 1;
    f[28] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &f[54 + y * stride + x * 3];
            p[0] = rows[y][2]; // stored blue, green, red
            p[1] = rows[y][1];
            p[2] = rows[y][0];
        }
    char path[] = "/tmp/pluvina-billboardXXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, f.data(), f.size()), static_cast<ssize_t>(f.size()));
    close(fd);
    return path;
}

const libgr::grRect kUnit(libgr::grVec2(-1, -1), libgr::grVec2(1, 1));

class BillBoardTest : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        path = writeStripes({{255, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 0, 255}}, 8);
    }
    void TearDown() override {
        spy::stop();
        unlink(path.c_str());
        testgl::drainErrors();
    }
    std::string path;
};

} // namespace

TEST_F(BillBoardTest, MissingFileMakesNoTextureAndDrawsNothing) {
    BillBoard b;
    spy::start();
    EXPECT_FALSE(b.load("/nonexistent/p6155961.bmp", libgr::grPose(), kUnit));
    b.draw();
    spy::stop();
    EXPECT_FALSE(b.loaded);
    EXPECT_TRUE(spy::calls().empty()) << "first call: " << spy::calls().front().name;
}

TEST_F(BillBoardTest, PixelBytesAreSharedFromTheFileToGL) {
    BillBoard b;
    spy::start();
    ASSERT_TRUE(b.load(path.c_str(), libgr::grPose(), kUnit));
    spy::stop();
    const unsigned char* fileBits = b.bitmap.bits.begin();
    EXPECT_EQ(b.image.pixels.begin(), fileBits) << "the record views the file's own bytes";
    // Four views of the file, the billboard's record and the texture's copy of it.
    EXPECT_EQ(b.bitmap.bits.refCount(), 6);
    EXPECT_EQ(spy::count("glGenTextures"), 1u);
    const auto builds = spy::callsOf("gluBuild2DMipmaps");
    ASSERT_EQ(builds.size(), 1u);
    EXPECT_EQ(builds[0].args, (std::vector<double>{GL_TEXTURE_2D, GL_RGB, 8, 4, GL_BGR,
                                                   GL_UNSIGNED_BYTE, spy::addr(fileBits)}));
    // GL holds the texels in the right colour order, first stored row first.
    std::vector<unsigned char> texels(8 * 4 * 3);
    glBindTexture(GL_TEXTURE_2D, b.textureObject.name().name());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels[0], 255);
    EXPECT_EQ(texels[2], 0);
    EXPECT_EQ(texels[3 * 8 * 3 + 0], 0);
    EXPECT_EQ(texels[3 * 8 * 3 + 2], 255);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR);
}

TEST_F(BillBoardTest, DrawsOneTexturedQuadAtItsPose) {
    BillBoard b;
    const libgr::grPose pose(libgr::grRotation(-90.0f, libgr::grVec3(1, 0, 0)),
                             libgr::grVec3(0, -256, 0));
    const libgr::grRect rect(libgr::grVec2(256, 256), libgr::grVec2(-256, -256));
    ASSERT_TRUE(b.load(path.c_str(), pose, rect));
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
    EXPECT_EQ(spy::callsOf("glTranslatef")[0].args, (std::vector<double>{0, -256, 0}));
    EXPECT_EQ(spy::callsOf("glRotatef")[0].args, (std::vector<double>{-90, 1, 0, 0}));
    const auto v = spy::callsOf("glVertex2f");
    const auto t = spy::callsOf("glTexCoord2f");
    const std::vector<std::vector<double>> corners = {
        {-256, -256}, {256, -256}, {256, 256}, {-256, 256}};
    const std::vector<std::vector<double>> coords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].args, corners[i]);
        EXPECT_EQ(t[i].args, coords[i]);
    }
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(BillBoardTest, PhotographShowsUpright) {
    BillBoard b;
    ASSERT_TRUE(b.load(path.c_str(), libgr::grPose(), kUnit));
    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    b.draw();
    glFinish();
    unsigned char low[4], high[4];
    glReadBuffer(GL_BACK);
    glReadPixels(32, 16, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, low);  // a quarter up: rows 0-1
    glReadPixels(32, 48, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, high); // three quarters up: rows 2-3
    EXPECT_GT(low[0], 200);
    EXPECT_LT(low[2], 50);
    EXPECT_LT(high[0], 50);
    EXPECT_GT(high[2], 200);
}
