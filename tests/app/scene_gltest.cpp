// The scene controller against a real GL context: the GL state init leaves, and what r and
// the wheel do. The end-to-end tests check the picture, the drags and the other keys.
#include "pluvina.h"

#include "gl_context.h"
#include "gl_spy.h"
#include "vela/overlay.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

TEST(Scene, InitStateMessagesAndKeys) {
    testgl::ensureContext();
    char name[] = "scene";
    char* argv[] = {name, nullptr};
    // Static, as in the program: its billboards live until the process ends.
    static Pluvina& p = *new Pluvina(1, argv);
    p.options.program = "scene";
    p.options.photos = "/nonexistent"; // where there are no photographs
    ::testing::internal::CaptureStderr();
    p.init();
    const std::string messages = ::testing::internal::GetCapturedStderr();
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_TRUE(src == GL_SRC_ALPHA && dst == GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_BLEND) && !glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(vela::showFps && vela::showMsec && !vela::paused);
    EXPECT_TRUE(p.fountainA.forward && !p.fountainB.forward);
    EXPECT_EQ(messages, "scene: /nonexistent/p6155961.bmp: " + std::string(p.billboardA->reason()) +
                            "\nscene: /nonexistent/p6155955.bmp: " + p.billboardB->reason() + "\n");
    BillBoard* a = p.billboardA;
    p.init(); // a second init builds no new billboards
    EXPECT_EQ(p.billboardA, a);

    // Keys: r runs one idle step, p and space pause and resume, h lists the keys.
    glViewport(0, 0, 64, 48);
    spy::start();
    p.keyboard('r', 0, 0); // one idle step: its redisplay, then r's own
    EXPECT_EQ(spy::count("glutPostRedisplay"), 2u);
    EXPECT_EQ(p.viewport[2], 64);
    spy::start(); // other keys and wheels do nothing
    for (unsigned char k : {'R', 'P', 'x', '\r'})
        p.keyboard(k, 0, 0);
    p.mouseWheel(1, 1, 0, 0);
    p.mouseWheel(0, 2, 0, 0);
    EXPECT_TRUE(spy::calls().empty());
    p.mouseWheel(0, 1, 0, 0);
    p.mouseWheel(0, -1, 0, 0);
    EXPECT_EQ(spy::count("glutPostRedisplay"), 2u);
}
