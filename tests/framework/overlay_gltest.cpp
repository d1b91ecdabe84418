// The overlay against a real GL context: its projection, the per-second frame count, where
// and in which colour its text goes.
#include "vela/overlay.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

namespace {
using Args = std::vector<double>;

std::string glyphs() {
    std::string out;
    for (const spy::Call& c : spy::callsOf("glutBitmapCharacter")) {
        EXPECT_EQ(c.args.at(0), spy::addr(GLUT_BITMAP_HELVETICA_10));
        out += static_cast<char>(static_cast<int>(c.args.at(1)));
    }
    return out;
}
} // namespace

TEST(Overlay, ProjectionAndFrameCount) {
    testgl::ensureContext();
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glScalef(3.0f, 3.0f, 3.0f); // replaced, not multiplied
    vela::beginOverlay();
    EXPECT_EQ(Args({vela::overlayBottom, vela::overlayTop, vela::overlayPixel}),
              Args({128.0f, 896.0f, 1.6f}));
    float m[16]; // frustum (-1, 1, -0.75, 0.75, 1, 1000), then a move by -512 on every axis
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[5] * 1000 + m[12], 4000.0 / 3 - 512, 1e-3);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);

    // Clock readings, then framesPerSecond and frameCount after each.
    const std::uint32_t steps[][3] = {
        {5000123, 1, 0}, {5000999, 1, 1}, {5001000, 2, 0}, {5009000, 1, 0}, {4294967295u, 1, 0}};
    for (const auto& s : steps) {
        vela::countFrame(s[0]);
        EXPECT_EQ(vela::framesPerSecond * 10 + vela::frameCount, s[1] * 10 + s[2]) << s[0];
    }
}

TEST(Overlay, TextPlacementAndColour) {
    testgl::ensureContext();
    spy::start();
    vela::drawText(30.0f, 40.0f, "a\nb\xC8");
    EXPECT_EQ(spy::callsOf("glRasterPos2f").at(1).args, (Args{30, 30})) << "line feed";
    EXPECT_EQ(glyphs(), "ab\xC8") << "a code above 127 stays positive";

    vela::overlayPixel = 2.0f; // centred by its width in pixels, turned into units
    spy::start();
    vela::drawTextCentred(512.0f, 500.0f, "- pause -");
    float width = 0.0f;
    for (const char ch : std::string("- pause -"))
        width += static_cast<float>(glutBitmapWidth(GLUT_BITMAP_HELVETICA_10, ch));
    EXPECT_EQ(spy::callsOf("glRasterPos2f").at(0).args, (Args{512.0f - width, 500}));
    EXPECT_EQ(glyphs(), "- pause -");

    vela::overlayBottom = 128.0f;
    vela::overlayTop = 896.0f;
    spy::start();
    vela::drawFps();
    vela::drawMsec(4294967295u);
    EXPECT_EQ(glyphs(), "0 fps4294967295 msec");
    EXPECT_EQ(spy::callsOf("glRasterPos2f").at(0).args, (Args{100, 138}));
    EXPECT_EQ(spy::callsOf("glRasterPos2f").at(1).args, (Args{100, 876}));
    EXPECT_EQ(spy::calls().at(0).args, (Args{1, 1, 1, 1})) << "white before the text";
}
