#include "libgr/gl_state.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <stdexcept>

using namespace libgr;

namespace {

GLint currentMode() {
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    return mode;
}

GLint intState(GLenum what) {
    GLint v = 0;
    glGetIntegerv(what, &v);
    return v;
}

grMatrix4 glMatrix(GLenum query) {
    grMatrix4 m;
    glGetFloatv(query, m.m);
    return m;
}

void expectMatrixNear(const grMatrix4& a, const grMatrix4& b, float tol) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

// Every test starts and ends with GL_MODELVIEW current, identity matrices, no depth checking.
class GlState : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        reset();
    }
    void TearDown() override {
        spy::stop();
        setDepthChecking(false);
        reset();
        EXPECT_EQ(testgl::drainErrors(), static_cast<unsigned>(GL_NO_ERROR));
    }
    static void reset() {
        for (GLenum mode : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
            glMatrixMode(mode);
            const GLenum depthQuery = mode == GL_PROJECTION ? GL_PROJECTION_STACK_DEPTH
                                      : mode == GL_TEXTURE  ? GL_TEXTURE_STACK_DEPTH
                                                            : GL_MODELVIEW_STACK_DEPTH;
            for (GLint d = intState(depthQuery); d > 1; --d)
                glPopMatrix();
            glLoadIdentity();
        }
        testgl::drainErrors();
    }
};

} // namespace

TEST_F(GlState, RotationMatrixIsWhatGlBuilds) {
    const float cases[][4] = {{90, 0, 0, 1},   {30, 0, 1, 0},      {-45, 1, 0, 0},
                              {120, 1, 1, -1}, {200, 0.3f, -2, 5}, {359, -1, 0.5f, 0.25f},
                              {60, 0, 0, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        const grRotation r(c[0], grVec3(c[1], c[2], c[3]));
        glLoadIdentity();
        glRotatef(c[0], c[1], c[2], c[3]);
        expectMatrixNear(r.matrix(), glMatrix(GL_MODELVIEW_MATRIX), 2e-6f);

        // The wrapper hands the record to glRotatef as it stands.
        glLoadIdentity();
        spy::start();
        rotate(r);
        spy::stop();
        ASSERT_EQ(spy::calls().size(), 1u);
        EXPECT_EQ(spy::calls()[0].name, "glRotatef");
        EXPECT_EQ(spy::calls()[0].args, (std::vector<double>{c[0], c[1], c[2], c[3]}));
        expectMatrixNear(r.matrix(), glMatrix(GL_MODELVIEW_MATRIX), 2e-6f);
    }

    glLoadIdentity();
    translate(grVec3(1, -2, 3));
    const grMatrix4 m = glMatrix(GL_MODELVIEW_MATRIX);
    EXPECT_EQ(m.m[12], 1.0f);
    EXPECT_EQ(m.m[13], -2.0f);
    EXPECT_EQ(m.m[14], 3.0f);
}

TEST_F(GlState, ModeGuardSwitchesAndRestores) {
    spy::start();
    {
        grMatrixModeGuard guard(GL_PROJECTION);
        EXPECT_EQ(currentMode(), GL_PROJECTION);
    }
    EXPECT_EQ(currentMode(), GL_MODELVIEW);
    const auto modes = spy::callsOf("glMatrixMode");
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_EQ(modes[0].args[0], GL_PROJECTION);
    EXPECT_EQ(modes[1].args[0], GL_MODELVIEW);

    // Already current: no glMatrixMode at all, neither now nor at the end.
    glMatrixMode(GL_PROJECTION);
    spy::start();
    {
        grMatrixModeGuard guard(GL_PROJECTION);
        EXPECT_EQ(currentMode(), GL_PROJECTION);
    }
    EXPECT_EQ(spy::count("glMatrixMode"), 0u);
    EXPECT_EQ(currentMode(), GL_PROJECTION);
    glMatrixMode(GL_MODELVIEW);

    // Mode 0: no GL call whatsoever.
    spy::start();
    { grMatrixModeGuard guard(0); }
    spy::stop();
    EXPECT_TRUE(spy::calls().empty());

    // Explicit restore puts the mode back once; the end of scope adds nothing.
    spy::start();
    {
        grMatrixModeGuard guard(GL_TEXTURE);
        guard.restore();
        EXPECT_EQ(currentMode(), GL_MODELVIEW);
    }
    EXPECT_EQ(spy::count("glMatrixMode"), 2u);
    spy::stop();

    // An exception leaving the scope still restores.
    try {
        grMatrixModeGuard guard(GL_TEXTURE);
        EXPECT_EQ(currentMode(), GL_TEXTURE);
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(currentMode(), GL_MODELVIEW);
}

TEST_F(GlState, MatrixGuardUsesGlStack) {
    glTranslatef(1, 2, 3);
    const grMatrix4 before = glMatrix(GL_MODELVIEW_MATRIX);
    const GLint depth = intState(GL_MODELVIEW_STACK_DEPTH);
    {
        grMatrixGuard guard(GL_MODELVIEW);
        EXPECT_TRUE(guard.pushed());
        EXPECT_EQ(intState(GL_MODELVIEW_STACK_DEPTH), depth + 1);
        glRotatef(30, 0, 1, 0);
    }
    EXPECT_EQ(intState(GL_MODELVIEW_STACK_DEPTH), depth);
    expectMatrixNear(glMatrix(GL_MODELVIEW_MATRIX), before, 0.0f);

    // Another mode: switched to for the scope, matrix and mode put back after, also when an
    // exception leaves the scope.
    glMatrixMode(GL_PROJECTION);
    glFrustum(-1, 1, -1, 1, 1, 10);
    const grMatrix4 projection = glMatrix(GL_PROJECTION_MATRIX);
    glMatrixMode(GL_MODELVIEW);
    try {
        grMatrixGuard guard(GL_PROJECTION);
        EXPECT_EQ(currentMode(), GL_PROJECTION);
        EXPECT_EQ(intState(GL_PROJECTION_STACK_DEPTH), 2);
        glLoadIdentity();
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(currentMode(), GL_MODELVIEW);
    EXPECT_EQ(intState(GL_PROJECTION_STACK_DEPTH), 1);
    expectMatrixNear(glMatrix(GL_PROJECTION_MATRIX), projection, 0.0f);

    // Mode 0 guards the current mode.
    glMatrixMode(GL_TEXTURE);
    {
        grMatrixGuard guard;
        EXPECT_EQ(intState(GL_TEXTURE_STACK_DEPTH), 2);
        glScalef(2, 2, 2);
    }
    EXPECT_EQ(intState(GL_TEXTURE_STACK_DEPTH), 1);
    expectMatrixNear(glMatrix(GL_TEXTURE_MATRIX), grIdentityMatrix, 0.0f);
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(GlState, MatrixGuardOverflowsWhenGlStackIsFull) {
    EXPECT_FALSE(depthChecking());
    grMatrixStack& stack = matrixStackFor(GL_PROJECTION);
    EXPECT_EQ(stack.maxDepth, 0);

    setDepthChecking(true);
    EXPECT_TRUE(depthChecking());
    const GLint maxDepth = intState(GL_MAX_PROJECTION_STACK_DEPTH);
    EXPECT_EQ(stack.maxDepth, maxDepth);
    EXPECT_EQ(matrixStackFor(GL_MODELVIEW).maxDepth, intState(GL_MAX_MODELVIEW_STACK_DEPTH));

    glMatrixMode(GL_PROJECTION);
    while (intState(GL_PROJECTION_STACK_DEPTH) < maxDepth)
        glPushMatrix();
    glLoadIdentity();
    glFrustum(-2, 2, -1, 1, 1, 100);
    const grMatrix4 saved = glMatrix(GL_PROJECTION_MATRIX);
    glMatrixMode(GL_MODELVIEW);

    const std::size_t overflowBefore = stack.overflow.size();
    spy::start();
    {
        grMatrixGuard guard(GL_PROJECTION);
        EXPECT_FALSE(guard.pushed());
        EXPECT_EQ(currentMode(), GL_PROJECTION);
        ASSERT_EQ(stack.overflow.size(), overflowBefore + 1);
        expectMatrixNear(stack.overflow.back(), saved, 0.0f);
        glLoadIdentity();
        {
            grMatrixGuard inner(GL_PROJECTION); // still full: nests in the overflow stack
            EXPECT_FALSE(inner.pushed());
            glScalef(3, 3, 3);
        }
        expectMatrixNear(glMatrix(GL_PROJECTION_MATRIX), grIdentityMatrix, 0.0f);
    }
    spy::stop();
    EXPECT_EQ(spy::count("glPushMatrix"), 0u);
    EXPECT_EQ(spy::count("glPopMatrix"), 0u);
    EXPECT_EQ(spy::count("glLoadMatrixf"), 2u);
    EXPECT_EQ(stack.overflow.size(), overflowBefore);
    EXPECT_EQ(currentMode(), GL_MODELVIEW);
    EXPECT_EQ(intState(GL_PROJECTION_STACK_DEPTH), maxDepth);
    expectMatrixNear(glMatrix(GL_PROJECTION_MATRIX), saved, 0.0f);
    EXPECT_EQ(testgl::drainErrors(), static_cast<unsigned>(GL_NO_ERROR)); // no stack overflow

    setDepthChecking(false);
    EXPECT_FALSE(depthChecking());
    EXPECT_EQ(stack.maxDepth, 0);
}

TEST_F(GlState, UnknownModeIsReportedOnceAndFallsBack) {
    std::ostringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    const std::ios_base::fmtflags flagsBefore = std::cout.flags();
    grMatrixStack* gotColor = &matrixStackFor(GL_COLOR);
    std::cout << 255 << '\n';
    // Lower case even when the caller's stream asks for upper case; the flag stays set.
    std::cout << std::uppercase;
    grMatrixStack* gotOther = &matrixStackFor(0xabc);
    const std::ios_base::fmtflags flagsAfter = std::cout.flags();
    std::cout << std::nouppercase;
    std::cout.rdbuf(old);

    EXPECT_EQ(captured.str(), "1800: unknown enum! fall back to modelview.\n"
                              "255\n"
                              "abc: unknown enum! fall back to modelview.\n");
    EXPECT_EQ(flagsAfter, flagsBefore | std::ios_base::uppercase);

    grMatrixStack& modelview = matrixStackFor(GL_MODELVIEW);
    EXPECT_EQ(gotColor, &modelview);
    EXPECT_EQ(gotOther, &modelview);
    EXPECT_EQ(modelview.mode, static_cast<GLenum>(GL_MODELVIEW));
    EXPECT_EQ(modelview.matrixQuery, static_cast<GLenum>(GL_MODELVIEW_MATRIX));

    grMatrixStack& texture = matrixStackFor(GL_TEXTURE);
    EXPECT_EQ(texture.depthQuery, static_cast<GLenum>(GL_TEXTURE_STACK_DEPTH));
    EXPECT_EQ(texture.maxDepthQuery, static_cast<GLenum>(GL_MAX_TEXTURE_STACK_DEPTH));
    glMatrixMode(GL_TEXTURE);
    EXPECT_EQ(&matrixStackFor(0), &texture); // 0 asks GL for the current mode
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(GlState, Wrappers) {
    spy::start();
    lightPosition(GL_LIGHT0, grVec3(0, 500, 0));
    spy::stop();
    const auto lights = spy::callsOf("glLightfv");
    ASSERT_EQ(lights.size(), 1u);
    EXPECT_EQ(lights[0].args, (std::vector<double>{GL_LIGHT0, GL_POSITION, 0.0, 500.0, 0.0, 0.0}));
    GLfloat v[4] = {9, 9, 9, 9};
    glGetLightfv(GL_LIGHT0, GL_POSITION, v); // modelview is the identity: stored as given
    EXPECT_EQ(v[1], 500.0f);
    EXPECT_EQ(v[3], 0.0f);

    const GLfloat diffuse[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    light(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, v);
    EXPECT_EQ(v[2], 0.75f);

    clearColor(grColor(0.18f, 0.25f, 0.5f, 1.0f));
    glGetFloatv(GL_COLOR_CLEAR_VALUE, v);
    EXPECT_FLOAT_EQ(v[0], 0.18f);
    EXPECT_FLOAT_EQ(v[2], 0.5f);

    const GLfloat cyan[4] = {0.0f, 1.0f, 1.0f, 0.5f};
    color(cyan);
    glGetFloatv(GL_CURRENT_COLOR, v);
    EXPECT_EQ(v[1], 1.0f);
    EXPECT_EQ(v[3], 0.5f);
    color(grColor(1, 0, 0, 1));
    glGetFloatv(GL_CURRENT_COLOR, v);
    EXPECT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[1], 0.0f);

    const GLfloat grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    material(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, grey);
    material(GL_FRONT, GL_SHININESS, 100.0f);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, v);
    EXPECT_EQ(v[0], 0.5f);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, v);
    EXPECT_EQ(v[0], 100.0f);

    GLint mode = 0;
    getInteger(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    EXPECT_EQ(grColor(1, 2, 3).alpha, 0.0f);
}

TEST_F(GlState, PrimitiveGuardEndsOnEveryExit) {
    spy::start();
    begin(GL_POINTS);
    end();
    { grPrimitiveGuard points(GL_POINTS); }
    try {
        grPrimitiveGuard lines(GL_LINES);
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
    spy::stop();
    EXPECT_EQ(spy::names(), (std::vector<std::string>{"glBegin", "glEnd", "glBegin", "glEnd",
                                                      "glBegin", "glEnd"}));
    EXPECT_EQ(spy::callsOf("glBegin")[2].args[0], GL_LINES);
    // Balanced: GL is outside glBegin/glEnd again, so a state query is no error.
    EXPECT_EQ(currentMode(), GL_MODELVIEW);
    EXPECT_EQ(testgl::drainErrors(), static_cast<unsigned>(GL_NO_ERROR));
}
