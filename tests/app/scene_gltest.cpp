// The scene controller and the fountains against a real GL context: what a frame issues,
// what the input handlers do to the camera, and the GL state that init and reshape leave.
#include "fountain.h"
#include "pluvina.h"

#include "gl_context.h"
#include "gl_spy.h"
#include "vela/overlay.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        testgl::ensureContext();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override {
        spy::stop();
        testgl::drainErrors();
    }
};

// A controller that went through init with the test window current (no photographs in the
// test's working folder, so the billboards stay invisible).
Pluvina& controller() {
    static Pluvina* p = [] {
        char name[] = "scene";
        char* argv[] = {name, nullptr};
        auto* s = new Pluvina(1, argv);
        s->init();
        return s;
    }();
    return *p;
}

void press(Pluvina& p, int button, int x, int y) {
    p.mouse(button, GLUT_DOWN, x, y);
}
void release(Pluvina& p, int button, int x, int y) {
    p.mouse(button, GLUT_UP, x, y);
}

} // namespace

TEST_F(SceneTest, FountainSetupCompilesOneListAndReusesIt) {
    Fountain f;
    spy::start();
    f.setup(true);
    f.setup(true); // again: records kept, same list re-recorded
    spy::stop();
    EXPECT_EQ(spy::count("glGenLists"), 1u);
    EXPECT_EQ(spy::count("glNewList"), 2u);
    EXPECT_EQ(f.drops.size(), 100u);
    EXPECT_TRUE(glIsList(f.dropList.name()));
}

TEST_F(SceneTest, EachVisibleDropCostsOnePushTranslateCallAndPop) {
    Fountain f;
    f.setup(true);
    f.drops[3].position = libgr::grVec3(1.0f, 2.0f, 3.0f);
    f.drops[7].position = libgr::grVec3(-4.0f, 0.0f, 0.0f);
    f.drops[9].position = libgr::grVec3(0.0f, 0.0f, 0.0f);    // exactly at the origin: hidden
    f.drops[11].position = libgr::grVec3(-0.0f, 0.0f, -0.0f); // negative zero is zero too
    spy::start();
    f.draw();
    spy::stop();
    const std::vector<std::string> expected = {"glPushMatrix", "glTranslatef", "glCallList",
                                               "glPopMatrix",  "glPushMatrix", "glTranslatef",
                                               "glCallList",   "glPopMatrix"};
    EXPECT_EQ(spy::names(), expected);
    const auto moves = spy::callsOf("glTranslatef");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].args, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(moves[1].args, (std::vector<double>{-4, 0, 0}));
    for (const auto& c : spy::callsOf("glCallList"))
        EXPECT_EQ(c.args[0], f.dropList.name());
}

TEST_F(SceneTest, InitLeavesTheSceneState) {
    Pluvina& p = controller();
    (void)p;
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_NEAR(clear[0], 0.18f, 1e-6);
    EXPECT_NEAR(clear[3], 1.0f, 1e-6);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    GLfloat shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_FLOAT_EQ(shininess, 100.0f);
    EXPECT_TRUE(vela::showFps);
    EXPECT_TRUE(vela::showMsec);
    EXPECT_FALSE(vela::paused);
    EXPECT_EQ(p.fountainA.drops.size(), 100u);
    EXPECT_TRUE(p.fountainA.forward);
    EXPECT_FALSE(p.fountainB.forward);
    ASSERT_NE(p.billboardA, nullptr);
    EXPECT_FALSE(p.billboardA->loaded) << "no photographs in the test's folder";
    // A second init builds no new billboards.
    BillBoard* a = p.billboardA;
    p.init();
    EXPECT_EQ(p.billboardA, a);
}

TEST_F(SceneTest, RightDragTurnsAndLeftDragPans) {
    Pluvina& p = controller();
    p.camera = libgr::grPose();
    spy::start();
    press(p, GLUT_RIGHT_BUTTON, 100, 100);
    EXPECT_EQ(spy::count("glutPostRedisplay"), 0u) << "a press alone requests no redisplay";
    p.motion(104, 130); // 4 px right (and vertical movement, which does not turn)
    release(p, GLUT_RIGHT_BUTTON, 104, 130);
    spy::stop();
    EXPECT_EQ(spy::count("glutPostRedisplay"), 1u);
    // -1 degree about +z is stored as 1 degree about (0, 0, -1).
    EXPECT_NEAR(p.camera.rotation().angle, 1.0f, 1e-3); // float acos near 1
    EXPECT_NEAR(p.camera.rotation().axis.z, -1.0f, 1e-6);
    EXPECT_EQ(p.camera.translation(), libgr::grVec3(0, 0, 0));

    p.camera = libgr::grPose();
    press(p, GLUT_LEFT_BUTTON, 50, 50);
    p.motion(60, 60); // right and down on the screen
    EXPECT_EQ(p.camera.translation(), libgr::grVec3(-10, 10, 0));
    p.motion(55, 40);
    EXPECT_EQ(p.camera.translation(), libgr::grVec3(-5, -10, 0));
    release(p, GLUT_LEFT_BUTTON, 55, 40);
    p.motion(0, 0); // no drag active: nothing happens
    EXPECT_EQ(p.camera.translation(), libgr::grVec3(-5, -10, 0));
}

TEST_F(SceneTest, BothButtonsPanAndTurnInOneMotionOtherButtonsDoNothing) {
    Pluvina& p = controller();
    p.camera = libgr::grPose();
    press(p, GLUT_LEFT_BUTTON, 0, 0);
    press(p, GLUT_RIGHT_BUTTON, 0, 0);
    spy::start();
    p.motion(8, 0);
    spy::stop();
    EXPECT_EQ(spy::count("glutPostRedisplay"), 2u);
    EXPECT_EQ(p.camera.translation(), libgr::grVec3(-8, 0, 0));
    EXPECT_NEAR(p.camera.rotation().angle, 2.0f, 1e-3);
    release(p, GLUT_LEFT_BUTTON, 8, 0);
    release(p, GLUT_RIGHT_BUTTON, 8, 0);

    const libgr::grPose before = p.camera;
    p.mouse(3, GLUT_DOWN, 1, 1); // wheel buttons 3 and 4 are not drags
    p.mouse(4, GLUT_DOWN, 1, 1);
    release(p, GLUT_MIDDLE_BUTTON, 5, 5); // releasing an inactive drag
    p.motion(40, 40);
    EXPECT_FALSE(p.leftDrag.active || p.middleDrag.active || p.rightDrag.active);
    EXPECT_EQ(p.camera.translation(), before.translation());
    EXPECT_EQ(p.camera.rotation().angle, before.rotation().angle);

    // The middle drag and the wheel only ask for a redraw.
    press(p, GLUT_MIDDLE_BUTTON, 0, 0);
    spy::start();
    p.motion(30, 30);
    p.mouseWheel(0, 1, 0, 0);
    p.mouseWheel(0, -1, 0, 0);
    p.mouseWheel(1, 1, 0, 0);
    p.mouseWheel(0, 2, 0, 0);
    spy::stop();
    release(p, GLUT_MIDDLE_BUTTON, 30, 30);
    EXPECT_EQ(spy::count("glutPostRedisplay"), 3u);
    EXPECT_EQ(p.middleDrag.x, 30.0);
    EXPECT_EQ(p.camera.translation(), before.translation());
}

TEST_F(SceneTest, KeyRRunsOneIdleStepWithoutExtraDrops) {
    Pluvina& p = controller();
    glViewport(0, 0, 64, 48);
    p.keyboard('r', 0, 0);
    const std::uint32_t launched = p.fountainA.nextDrop;
    EXPECT_EQ(p.viewport[2], 64);
    EXPECT_EQ(p.viewport[3], 48);
    // Presses within one 100 ms tick launch nothing more.
    spy::start();
    std::uint32_t presses = 0;
    const std::uint32_t tick = p.fountainA.lastTick;
    while (p.fountainA.lastTick == tick && presses < 5) {
        p.keyboard('r', 0, 0);
        ++presses;
    }
    spy::stop();
    if (p.fountainA.lastTick == tick) {
        EXPECT_EQ(p.fountainA.nextDrop, launched);
        EXPECT_EQ(spy::count("glutPostRedisplay"), 2 * presses) << "idle's request, then r's";
    }
    // Other keys, including upper-case R, do nothing.
    const std::uint32_t elapsed = p.elapsed;
    spy::start();
    p.keyboard('R', 0, 0);
    p.keyboard('x', 0, 0);
    spy::stop();
    EXPECT_TRUE(spy::calls().empty());
    EXPECT_EQ(p.elapsed, elapsed);
}

TEST_F(SceneTest, ReshapeSetsTheFrustumAndKeepsTheMatrixMode) {
    Pluvina& p = controller();
    glMatrixMode(GL_MODELVIEW);
    p.reshape(640, 480);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[2], 640);
    EXPECT_EQ(vp[3], 480);
    // glFrustum's matrix for the 640 by 480 values, worked out independently.
    const double r = 0.12958201524350893, t = 0.0971865114326317, n = 0.1, f = 1000.1;
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[0], n / r, 1e-3);
    EXPECT_NEAR(m[5], n / t, 1e-3);
    EXPECT_NEAR(m[10], -(f + n) / (f - n), 1e-5);
    EXPECT_NEAR(m[11], -1.0, 1e-6);
    EXPECT_NEAR(m[14], -2 * f * n / (f - n), 1e-5);

    // A height of 0: the frustum is rejected and the identity stays.
    p.reshape(200, 0);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
    testgl::drainErrors();
    p.reshape(64, 64);
}

TEST_F(SceneTest, DisplayAppliesTheInverseCameraThenDrawsAndSwaps) {
    Pluvina& p = controller();
    p.reshape(64, 64);
    p.camera = libgr::grPose(libgr::grRotation(30.0f, libgr::grVec3(0, 0, 1)),
                             libgr::grVec3(5.0f, -2.0f, 1.0f));
    spy::start();
    p.display();
    spy::stop();
    const auto rot = spy::callsOf("glRotatef");
    ASSERT_GE(rot.size(), 1u);
    EXPECT_EQ(rot[0].args, (std::vector<double>{-30, 0, 0, 1}));
    const auto tr = spy::callsOf("glTranslatef");
    ASSERT_GE(tr.size(), 2u);
    EXPECT_EQ(tr[0].args, (std::vector<double>{-5, 2, -1}));
    EXPECT_EQ(tr[1].args, (std::vector<double>{0, 0, -500}));
    EXPECT_LT(spy::indexOf("glRotatef"), spy::indexOf("glTranslatef"));
    // The light comes from +y, as a direction.
    const auto lights = spy::callsOf("glLightfv");
    ASSERT_GE(lights.size(), 1u);
    EXPECT_EQ(lights[0].args, (std::vector<double>{GL_LIGHT0, GL_POSITION, 0, 500, 0, 0}));
    // Overlay text is drawn, and the frame ends with the attribute pop and the swap.
    EXPECT_GT(spy::count("glutBitmapCharacter"), 4u);
    const auto names = spy::names();
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names.back(), "glutSwapBuffers");
    EXPECT_EQ(names[names.size() - 2], "glPopAttrib");
    EXPECT_EQ(names.front(), "glPushAttrib");
    // Without a turned camera no glRotatef is issued for the view.
    p.camera = libgr::grPose();
    spy::start();
    p.display();
    spy::stop();
    EXPECT_EQ(spy::count("glRotatef"), 0u);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(testgl::drainErrors(), static_cast<unsigned>(GL_NO_ERROR));
}
