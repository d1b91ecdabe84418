#include "libgr/gl_state.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

using namespace libgr;

namespace {

GLint intState(GLenum what) {
    GLint v = 0;
    glGetIntegerv(what, &v);
    return v;
}

float projectionScale() {
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    return m[0];
}

} // namespace

// GL is the reference for the rotation matrix: what rotate() makes GL build is what
// grRotation::matrix() computes (axes of any length, negative and large angles).
TEST(GlState, RotateGivesWhatGlRotatefBuilds) {
    const float cases[][4] = {{90, 0, 0, 1},   {30, 0, 1, 0},      {-45, 1, 0, 0},
                              {120, 1, 1, -1}, {200, 0.3f, -2, 5}, {60, 0, 0, 2}};
    for (const auto& c : cases) {
        const grRotation r(c[0], grVec3(c[1], c[2], c[3]));
        GLfloat gl[16];
        glLoadIdentity();
        rotate(r);
        glGetFloatv(GL_MODELVIEW_MATRIX, gl);
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(r.matrix().m[i], gl[i], 2e-6f) << c[0] << " element " << i;
    }
    glLoadIdentity();
    lightPosition(GL_LIGHT0, grVec3(0, 500, 0));
    GLfloat light[4] = {9, 9, 9, 9};
    glGetLightfv(GL_LIGHT0, GL_POSITION, light);
    EXPECT_EQ(light[1] + light[3], 500.0f) << "a directional light, w = 0";
}

// The mode guard switches only when needed. The matrix guard pushes on GL's stack while it
// has room (always without depth checking); with GL's stack full, nested guards keep their
// matrices in the overflow stack. Every scope's exit brings back the matrix and mode it found.
TEST(GlState, GuardsRestoreModeAndMatrixAlsoPastAFullGlStack) {
    spy::start();
    { grMatrixModeGuard already(GL_MODELVIEW), none(0); }
    {
        grMatrixGuard unchecked(GL_PROJECTION);
        EXPECT_EQ(intState(GL_MATRIX_MODE), GL_PROJECTION);
        EXPECT_EQ(intState(GL_PROJECTION_STACK_DEPTH), 2);
    }
    spy::stop();
    EXPECT_EQ(spy::count("glMatrixMode"), 2u); // the matrix guard's switch and switch back
    EXPECT_EQ(intState(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(intState(GL_PROJECTION_STACK_DEPTH), 1);

    setDepthChecking(true);
    const GLint maxDepth = intState(GL_MAX_PROJECTION_STACK_DEPTH);
    glMatrixMode(GL_PROJECTION);
    while (intState(GL_PROJECTION_STACK_DEPTH) < maxDepth - 1)
        glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    {
        grMatrixGuard last(GL_PROJECTION); // takes GL's last slot
        EXPECT_TRUE(last.pushed());
        glScalef(2, 2, 2);
        {
            grMatrixGuard spilled(GL_PROJECTION);
            glScalef(3, 3, 3);
            {
                grMatrixGuard nested(GL_PROJECTION);
                EXPECT_FALSE(nested.pushed());
                glLoadIdentity();
            }
            EXPECT_EQ(projectionScale(), 6.0f);
        }
        EXPECT_EQ(projectionScale(), 2.0f);
    }
    EXPECT_EQ(projectionScale(), 1.0f);
    EXPECT_EQ(intState(GL_PROJECTION_STACK_DEPTH), maxDepth - 1);
    EXPECT_EQ(testgl::drainErrors(), static_cast<unsigned>(GL_NO_ERROR));
    setDepthChecking(false);
    glMatrixMode(GL_PROJECTION);
    while (intState(GL_PROJECTION_STACK_DEPTH) > 1)
        glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

TEST(GlState, UnknownModeFallsBackToModelviewAndLeavesCoutDecimal) {
    std::ostringstream captured;
    std::streambuf* const old = std::cout.rdbuf(captured.rdbuf());
    grMatrixStack* const color = &matrixStackFor(GL_COLOR);
    std::cout << 255;
    std::cout.rdbuf(old);
    EXPECT_EQ(captured.str(), "1800: unknown enum! fall back to modelview.\n255");
    EXPECT_EQ(color, &matrixStackFor(GL_MODELVIEW));
}
