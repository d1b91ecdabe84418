#include "libgr/gl_state.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <stdexcept>

using namespace libgr;

namespace {

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

void expectMatrixNear(const grMatrix4& a, const grMatrix4& b, float tol = 0.0f) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

// Builds Guard(arg), runs `inside` in its scope, then leaves the scope by an exception.
template <class Guard, class F = void (*)()>
void unwind(
    GLenum arg, F inside = [] {}) {
    try {
        Guard guard(arg);
        inside();
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
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
        for (GLenum depth : {GL_PROJECTION_STACK_DEPTH, GL_MODELVIEW_STACK_DEPTH}) {
            glMatrixMode(depth == GL_MODELVIEW_STACK_DEPTH ? GL_MODELVIEW : GL_PROJECTION);
            while (intState(depth) > 1)
                glPopMatrix();
            glLoadIdentity();
        }
        testgl::drainErrors();
    }
};

} // namespace

TEST_F(GlState, RotateGivesWhatGlRotatefBuilds) {
    const float cases[][4] = {{90, 0, 0, 1},   {30, 0, 1, 0},      {-45, 1, 0, 0},
                              {120, 1, 1, -1}, {200, 0.3f, -2, 5}, {60, 0, 0, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        glLoadIdentity();
        rotate(grRotation(c[0], grVec3(c[1], c[2], c[3])));
        expectMatrixNear(grRotation(c[0], grVec3(c[1], c[2], c[3])).matrix(),
                         glMatrix(GL_MODELVIEW_MATRIX), 2e-6f);
    }
}

TEST_F(GlState, GuardsRestoreModeAndMatrix) {
    spy::start();
    unwind<grMatrixModeGuard>(GL_PROJECTION,
                              [] { EXPECT_EQ(intState(GL_MATRIX_MODE), GL_PROJECTION); });
    EXPECT_EQ(intState(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(spy::count("glMatrixMode"), 2u);
    spy::start();
    { grMatrixModeGuard guard(GL_MODELVIEW); } // already current
    EXPECT_EQ(spy::count("glMatrixMode"), 0u);
    spy::start();
    { grMatrixModeGuard guard(0); }
    EXPECT_TRUE(spy::calls().empty());
    spy::stop();

    // The matrix guard: another mode for the scope, the matrix on GL's stack; matrix and
    // mode put back on unwinding.
    glMatrixMode(GL_PROJECTION);
    glFrustum(-1, 1, -1, 1, 1, 10);
    const grMatrix4 projection = glMatrix(GL_PROJECTION_MATRIX);
    glMatrixMode(GL_MODELVIEW);
    unwind<grMatrixGuard>(GL_PROJECTION, [] {
        EXPECT_EQ(intState(GL_MATRIX_MODE), GL_PROJECTION);
        EXPECT_EQ(intState(GL_PROJECTION_STACK_DEPTH), 2);
        glLoadIdentity();
    });
    EXPECT_EQ(intState(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(intState(GL_PROJECTION_STACK_DEPTH), 1);
    expectMatrixNear(glMatrix(GL_PROJECTION_MATRIX), projection);
}

// With one slot left on GL's stack the first guard takes it; the next ones, nested, keep
// their matrices in the overflow stack. Every scope's exit brings back the matrix it found.
TEST_F(GlState, MatrixGuardSpillsIntoOverflowExactlyWhenGlStackIsFull) {
    setDepthChecking(true);
    const GLint maxDepth = intState(GL_MAX_PROJECTION_STACK_DEPTH);
    glMatrixMode(GL_PROJECTION);
    while (intState(GL_PROJECTION_STACK_DEPTH) < maxDepth - 1)
        glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    const auto scale = [] { return glMatrix(GL_PROJECTION_MATRIX).m[0]; };
    {
        grMatrixGuard last(GL_PROJECTION); // takes GL's last slot
        EXPECT_TRUE(last.pushed());
        glScalef(2, 2, 2);
        {
            grMatrixGuard spilled(GL_PROJECTION);
            EXPECT_FALSE(spilled.pushed());
            glScalef(3, 3, 3);
            {
                grMatrixGuard nested(GL_PROJECTION);
                EXPECT_FALSE(nested.pushed());
                glLoadIdentity();
            }
            EXPECT_EQ(scale(), 6.0f);
        }
        EXPECT_EQ(scale(), 2.0f);
    }
    EXPECT_TRUE(matrixStackFor(GL_PROJECTION).overflow.empty());
    EXPECT_EQ(scale(), 1.0f);
    EXPECT_EQ(intState(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(intState(GL_PROJECTION_STACK_DEPTH), maxDepth - 1);
}

TEST_F(GlState, UnknownModeIsReportedAndCoutFormattingKept) {
    std::ostringstream captured;
    std::streambuf* const old = std::cout.rdbuf(captured.rdbuf());
    const std::ios_base::fmtflags flagsBefore = std::cout.flags();
    grMatrixStack* const color = &matrixStackFor(GL_COLOR);
    std::cout << 255 << '\n'; // decimal again after the hexadecimal mode value
    grMatrixStack* const other = &matrixStackFor(0xabc);
    const std::ios_base::fmtflags flagsAfter = std::cout.flags();
    std::cout.rdbuf(old);

    EXPECT_EQ(captured.str(), "1800: unknown enum! fall back to modelview.\n"
                              "255\n"
                              "abc: unknown enum! fall back to modelview.\n");
    EXPECT_EQ(flagsAfter, flagsBefore);
    EXPECT_EQ(color, &matrixStackFor(GL_MODELVIEW));
    EXPECT_EQ(other, &matrixStackFor(GL_MODELVIEW));
    glMatrixMode(GL_TEXTURE);
    EXPECT_EQ(matrixStackFor(0).depthQuery, static_cast<GLenum>(GL_TEXTURE_STACK_DEPTH));
}

TEST_F(GlState, LightPositionIsDirectionalAndPrimitiveGuardEnds) {
    spy::start();
    lightPosition(GL_LIGHT0, grVec3(0, 500, 0));
    EXPECT_EQ(spy::callsOf("glLightfv").at(0).args,
              (std::vector<double>{GL_LIGHT0, GL_POSITION, 0, 500, 0, 0}));
    GLfloat v[4] = {9, 9, 9, 9};
    glGetLightfv(GL_LIGHT0, GL_POSITION, v); // modelview is the identity: stored as given
    EXPECT_EQ(std::vector<GLfloat>(v, v + 4), (std::vector<GLfloat>{0, 500, 0, 0}));

    spy::start();
    unwind<grPrimitiveGuard>(GL_LINES);
    EXPECT_EQ(spy::names(), (std::vector<std::string>{"glBegin", "glEnd"}));
}
