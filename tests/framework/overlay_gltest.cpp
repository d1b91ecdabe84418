#include "vela/overlay.h"

#include "libutils/platform.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <sstream>
#include <string>

namespace {

void* const kFont = GLUT_BITMAP_HELVETICA_10;

float widthOf(const std::string& text) {
    int w = 0;
    for (unsigned char c : text)
        w += glutBitmapWidth(kFont, c);
    return static_cast<float>(w);
}

// The glyphs drawn since spy::start(), checking that each used the overlay font.
std::string glyphsDrawn() {
    std::string out;
    for (const spy::Call& c : spy::callsOf("glutBitmapCharacter")) {
        EXPECT_EQ(c.args.at(0), spy::addr(kFont));
        out += static_cast<char>(static_cast<int>(c.args.at(1)));
    }
    return out;
}

std::vector<double> rasterPos(float x, float y) {
    return {x, y};
}

// Collects what is written to std::cout and counts the flushes.
struct CaptureCout : std::stringbuf {
    int syncs = 0;
    std::streambuf* old = std::cout.rdbuf(this);
    ~CaptureCout() override { std::cout.rdbuf(old); }
    int sync() override {
        ++syncs;
        return 0;
    }
};

} // namespace

TEST(Overlay, InitAndProjection) {
    testgl::ensureContext();
    vela::paused = true;
    vela::showFps = vela::showMsec = false;
    vela::frameCount = 7;
    vela::initOverlay();
    EXPECT_FALSE(vela::paused);
    EXPECT_TRUE(vela::showFps && vela::showMsec);
    EXPECT_EQ(vela::frameCount, 7u);

    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glScalef(3.0f, 3.0f, 3.0f); // replaced, not multiplied
    vela::beginOverlay();
    EXPECT_FLOAT_EQ(vela::overlayBottom, 128.0f);
    EXPECT_FLOAT_EQ(vela::overlayTop, 896.0f);
    // Frustum (-1, 1, -0.75, 0.75, 1, 1000) times a translation by -512 on every axis.
    const float c = -1001.0f / 999.0f, d = -2000.0f / 999.0f;
    const float expected[16] = {
        1, 0, 0, 0, 0, 4.0f / 3, 0, 0, 0, 0, c, -1, -512, -2048.0f / 3, -512 * c + d, 512};
    float m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m[i], expected[i], 1e-3) << "element " << i;

    // Where the lines land, in pixels: fps 62.5 from the left and 6.25 above the bottom,
    // msec 12.5 below the top; the raster position has advanced past the glyphs.
    vela::framesPerSecond = 1;
    vela::drawFps();
    float pos[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
    EXPECT_NEAR(pos[0], 62.5f + widthOf("1 fps"), 1e-3);
    EXPECT_NEAR(pos[1], 6.25f, 1e-3);
    vela::drawMsec(0);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
    EXPECT_NEAR(pos[0], 62.5f + widthOf("0 msec"), 1e-3);
    EXPECT_NEAR(pos[1], 467.5f, 1e-3);

    // A zero-width (or empty) viewport: degenerate but harmless.
    glViewport(0, 0, 0, 480);
    vela::beginOverlay();
    EXPECT_TRUE(std::isinf(vela::overlayTop) && vela::overlayTop > 0);
    vela::drawFps();
    glViewport(0, 0, 0, 0);
    vela::beginOverlay();
    EXPECT_TRUE(std::isnan(vela::overlayTop));
    vela::drawMsec(5);

    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, 64, 64);
    testgl::drainErrors();
}

TEST(Overlay, FrameCountRollsOverOncePerClockSecond) {
    vela::frameCount = vela::lastSecond = vela::framesPerSecond = 0;
    vela::countFrame(5000123); // first frame: the second differs from 0
    EXPECT_EQ(vela::framesPerSecond, 1u);
    EXPECT_EQ(vela::lastSecond, 5000u);
    EXPECT_EQ(vela::frameCount, 0u);
    vela::countFrame(5000500);
    vela::countFrame(5000999);
    EXPECT_EQ(vela::framesPerSecond, 1u);
    vela::countFrame(5001000); // new second: two earlier frames plus this one
    EXPECT_EQ(vela::framesPerSecond, 3u);
    EXPECT_EQ(vela::lastSecond, 5001u);

    // Counting stops while the fps line is off, then resumes with the old count plus one.
    vela::countFrame(5001100);
    vela::countFrame(5001200);
    vela::countFrame(5009000);
    EXPECT_EQ(vela::framesPerSecond, 3u);
    EXPECT_EQ(vela::lastSecond, 5009u);

    // The public form reads the real clock.
    vela::lastSecond = libutils::timeGetTime() / 1000 + 5;
    vela::frameCount = 6;
    const std::uint32_t before = libutils::timeGetTime() / 1000;
    vela::countFrame();
    const std::uint32_t after = libutils::timeGetTime() / 1000;
    EXPECT_EQ(vela::framesPerSecond, 7u);
    EXPECT_TRUE(vela::lastSecond == before || vela::lastSecond == after);
}

TEST(Overlay, TextCallsAndColour) {
    testgl::ensureContext();
    spy::start();
    vela::drawText(30.0f, 40.0f, "a\nb\xC8");
    spy::stop();
    const auto pos = spy::callsOf("glRasterPos2f");
    ASSERT_EQ(pos.size(), 2u);
    EXPECT_EQ(pos[0].args, rasterPos(30, 40));
    EXPECT_EQ(pos[1].args, rasterPos(30, 30));
    EXPECT_EQ(glyphsDrawn(), "ab\xC8");
    EXPECT_EQ(spy::callsOf("glutBitmapCharacter").at(2).args.at(1), 200.0);
    EXPECT_LT(spy::indexOf("glutBitmapCharacter"), spy::indexOf("glRasterPos2f", 1));

    spy::start();
    vela::drawTextCentred(512.0f, 500.0f, "- pause -");
    spy::stop();
    EXPECT_EQ(glyphsDrawn(), "- pause -");
    EXPECT_EQ(spy::count("glColor4f"), 0u);
    const auto starts = spy::callsOf("glRasterPos2f");
    ASSERT_EQ(starts.size(), 9u);
    float x = 512.0f - 45.0f;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        EXPECT_EQ(starts[i].args, rasterPos(x, 500)) << i;
        x += static_cast<float>(glutBitmapWidth(kFont, "- pause -"[i]));
    }

    vela::overlayBottom = 128.0f;
    vela::overlayTop = 896.0f;
    vela::framesPerSecond = 0;
    spy::start();
    vela::drawFps();
    vela::drawMsec(4294967295u);
    spy::stop();
    EXPECT_EQ(glyphsDrawn(), "0 fps4294967295 msec");
    const std::vector<std::string> head = {"glColor4f", "glRasterPos2f", "glutBitmapCharacter"};
    const std::vector<std::string> names = spy::names();
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3), head);
    EXPECT_EQ(spy::callsOf("glRasterPos2f").at(0).args, rasterPos(100, 138));
    EXPECT_EQ(spy::callsOf("glRasterPos2f").at(1).args, rasterPos(100, 876));
    for (const spy::Call& c : spy::callsOf("glColor4f"))
        EXPECT_EQ(c.args, std::vector<double>({1, 1, 1, 1}));
    EXPECT_EQ(spy::count("glColor4f"), 2u);
}

TEST(Overlay, DefaultKeys) {
    testgl::ensureContext();
    vela::initOverlay();
    CaptureCout out;
    spy::start();
    vela::defaultKeys('f');
    EXPECT_FALSE(vela::showFps);
    EXPECT_EQ(spy::count("glutPostRedisplay"), 0u);
    vela::defaultKeys('t');
    EXPECT_FALSE(vela::showMsec);
    EXPECT_EQ(spy::count("glutPostRedisplay"), 1u);
    vela::defaultKeys('f');
    vela::defaultKeys('t');
    EXPECT_TRUE(vela::showFps && vela::showMsec);
    spy::stop();
    EXPECT_EQ(out.str(), "");

    vela::defaultKeys('a');
    EXPECT_EQ(out.str(), "key: a(97)\n");
    EXPECT_EQ(out.syncs, 1) << "each echo is flushed";
    out.str("");
    vela::defaultKeys('\r');
    vela::defaultKeys(200);
    EXPECT_EQ(out.str(), "key: \r(13)\nkey: \xC8(200)\n");
}

TEST(OverlayDeathTest, EscapeAndQEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(vela::defaultKeys(27), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(vela::defaultKeys('q'), ::testing::ExitedWithCode(0), "");
}
