#include "vela/overlay.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <sstream>
#include <string>

namespace {

using Args = std::vector<double>;
void* const kFont = GLUT_BITMAP_HELVETICA_10;

// The glyphs drawn since spy::start(), checking that each used the overlay font.
std::string glyphsDrawn() {
    std::string out;
    for (const spy::Call& c : spy::callsOf("glutBitmapCharacter")) {
        EXPECT_EQ(c.args.at(0), spy::addr(kFont));
        out += static_cast<char>(static_cast<int>(c.args.at(1)));
    }
    return out;
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

TEST(Overlay, ProjectionFor640x480) {
    testgl::ensureContext();
    glViewport(0, 0, 640, 480);
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

    glViewport(0, 0, 0, 480); // degenerate, but no crash and nothing drawn
    vela::beginOverlay();
    EXPECT_TRUE(std::isinf(vela::overlayTop));
    vela::drawFps();
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, 64, 64);
    testgl::drainErrors();
}

TEST(Overlay, FrameCountRollsOverWhenTheSecondChanges) {
    vela::frameCount = vela::lastSecond = vela::framesPerSecond = 0;
    // Clock reading, then framesPerSecond and frameCount after it.
    const std::uint32_t steps[][3] = {{5000123, 1, 0},     {5000500, 1, 1}, {5000999, 1, 2},
                                      {5001000, 3, 0},     {5001999, 3, 1}, {5009000, 2, 0},
                                      {4294967295u, 1, 0}, {0, 1, 0}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s[0]);
        vela::countFrame(s[0]);
        EXPECT_EQ(vela::framesPerSecond, s[1]);
        EXPECT_EQ(vela::frameCount, s[2]);
        EXPECT_EQ(vela::lastSecond, s[0] / 1000);
    }
}

TEST(Overlay, TextPlacementAndColour) {
    testgl::ensureContext();
    spy::start();
    vela::drawText(30.0f, 40.0f, "a\nb\xC8");
    EXPECT_EQ(spy::names(),
              (std::vector<std::string>{"glRasterPos2f", "glutBitmapCharacter", "glRasterPos2f",
                                        "glutBitmapCharacter", "glutBitmapCharacter"}));
    EXPECT_EQ(spy::calls()[0].args, (Args{30, 40}));
    EXPECT_EQ(spy::calls()[2].args, (Args{30, 30}));
    EXPECT_EQ(spy::calls()[4].args.at(1), 200.0) << "a code above 127 stays positive";

    vela::overlayPixel = 2.0f;
    spy::start();
    vela::drawTextCentred(512.0f, 500.0f, "- pause -");
    EXPECT_EQ(glyphsDrawn(), "- pause -");
    EXPECT_EQ(spy::count("glColor4f"), 0u);
    // Centred by its width in pixels, in overlay units (here 2 units per pixel).
    float width = 0.0f;
    for (const char c : std::string("- pause -"))
        width += static_cast<float>(glutBitmapWidth(kFont, c));
    EXPECT_EQ(spy::callsOf("glRasterPos2f").at(0).args, (Args{512.0f - width * 2.0f / 2.0f, 500}));

    vela::overlayBottom = 128.0f;
    vela::overlayTop = 896.0f;
    vela::framesPerSecond = 0;
    spy::start();
    vela::drawFps();
    vela::drawMsec(4294967295u);
    EXPECT_EQ(glyphsDrawn(), "0 fps4294967295 msec");
    EXPECT_EQ(spy::calls().at(0).name, "glColor4f") << "white before the text";
    EXPECT_EQ(spy::callsOf("glRasterPos2f").at(0).args, (Args{100, 138}));
    EXPECT_EQ(spy::callsOf("glRasterPos2f").at(1).args, (Args{100, 876}));
    EXPECT_EQ(spy::count("glColor4f"), 2u);
    for (const spy::Call& c : spy::callsOf("glColor4f"))
        EXPECT_EQ(c.args, (Args{1, 1, 1, 1}));
    spy::stop();
}

TEST(Overlay, DefaultKeys) {
    testgl::ensureContext();
    vela::initOverlay();
    EXPECT_TRUE(vela::showFps && vela::showMsec && !vela::paused);
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
    vela::defaultKeys('\r');
    vela::defaultKeys(200);
    EXPECT_EQ(out.str(), "key: a(97)\nkey: \r(13)\nkey: \xC8(200)\n");
    EXPECT_EQ(out.syncs, 3) << "each echo is flushed";
}

TEST(OverlayDeathTest, EscapeAndQEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(vela::defaultKeys(27), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(vela::defaultKeys('q'), ::testing::ExitedWithCode(0), "");
}
