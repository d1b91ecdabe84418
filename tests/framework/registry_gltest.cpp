#include "vela/gluty.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using vela::glutyRegistry;

namespace {

using Strings = std::vector<std::string>;

struct Recorder : vela::glutyAPI4 {
    Strings log;
    int windowAtInit = -1;
    void add(std::string line, std::vector<int> args) {
        for (int a : args)
            line += " " + std::to_string(a);
        log.push_back(line);
    }
    void reshape(int w, int h) override { add("reshape", {w, h}); }
    void display() override { add("display", {}); }
    void keyboard(unsigned char k, int x, int y) override { add("keyboard", {k, x, y}); }
    void special(int k, int x, int y) override { add("special", {k, x, y}); }
    void mouse(int b, int s, int x, int y) override { add("mouse", {b, s, x, y}); }
    void motion(int x, int y) override { add("motion", {x, y}); }
    void passiveMotion(int x, int y) override { add("passiveMotion", {x, y}); }
    void idle() override { add("idle", {}); }
    void init() override { windowAtInit = glutGetWindow(); }
    void keyboardUp(unsigned char k, int x, int y) override { add("keyboardUp", {k, x, y}); }
    void specialUp(int k, int x, int y) override { add("specialUp", {k, x, y}); }
    void mouseWheel(int w, int d, int x, int y) override { add("mouseWheel", {w, d, x, y}); }
};

// Each GLUT callback with its arguments, and what the bound object must log for it. Key 200
// must arrive as 200, not as a negative char.
const std::pair<void (*)(), const char*> kEvents[] = {
    {[] { glutyRegistry::onReshape(640, 480); }, "reshape 640 480"},
    {[] { glutyRegistry::onDisplay(); }, "display"},
    {[] { glutyRegistry::onKeyboard(200, 3, 4); }, "keyboard 200 3 4"},
    {[] { glutyRegistry::onSpecial(GLUT_KEY_F5, 5, 6); }, "special 5 5 6"},
    {[] { glutyRegistry::onMouse(2, 0, 7, 8); }, "mouse 2 0 7 8"},
    {[] { glutyRegistry::onMotion(-9, 10); }, "motion -9 10"},
    {[] { glutyRegistry::onPassiveMotion(11, -12); }, "passiveMotion 11 -12"},
    {[] { glutyRegistry::onIdle(); }, "idle"},
    {[] { glutyRegistry::onKeyboardUp(200, 13, 14); }, "keyboardUp 200 13 14"},
    {[] { glutyRegistry::onSpecialUp(GLUT_KEY_LEFT, 15, 16); }, "specialUp 100 15 16"},
    {[] { glutyRegistry::onMouseWheel(1, -1, 17, 18); }, "mouseWheel 1 -1 17 18"}};

// A static object of the test program: it must find the registry alive both when it is
// built and when it is destroyed at exit.
bool g_checkAtExit = false;
struct StaticUser {
    glutyRegistry* seenAtStart = glutyRegistry::instance();
    ~StaticUser() {
        if (g_checkAtExit && glutyRegistry::instance() == nullptr)
            _exit(3);
    }
} g_staticUser;

} // namespace

TEST(Registry, EventsReachTheBoundObjectUnchanged) {
    static Recorder app; // stays bound to its window for the rest of the run
    testgl::ensureContext();
    spy::start();
    EXPECT_EQ(glutyRegistry::instance()->addWindow(nullptr, "never"), -1);
    EXPECT_TRUE(spy::calls().empty()) << "no window for a null object";
    const int id = glutyRegistry::instance()->addWindow(&app, "registry-dispatch");
    spy::stop();
    EXPECT_EQ(spy::callsOf("glutCreateWindow").at(0).text, "registry-dispatch");
    EXPECT_EQ(app.windowAtInit, id) << "init runs with the new window current";

    for (const auto& event : kEvents) {
        spy::overrideCurrentWindow(id + 1000);
        event.first();
        EXPECT_TRUE(app.log.empty()) << "an unregistered window is ignored: " << event.second;
        spy::overrideCurrentWindow(id);
        event.first();
        EXPECT_EQ(app.log, Strings{event.second});
        app.log.clear();
    }
    spy::clearCurrentWindowOverride();
    testgl::ensureContext();
}

TEST(Registry, MainLoopRegistersCallbacksInOrder) {
    static Recorder app;
    glutyRegistry* const registry = glutyRegistry::instance();
    registry->addWindow(&app, "registry-loop");
    spy::start();
    registry->mainLoop(true, true);
    spy::stop();
    ASSERT_EQ(spy::names(),
              (Strings{"glutIdleFunc", "glutSetKeyRepeat", "glutReshapeFunc", "glutDisplayFunc",
                       "glutKeyboardFunc", "glutSpecialFunc", "glutMouseFunc", "glutMotionFunc",
                       "glutPassiveMotionFunc", "glutKeyboardUpFunc", "glutSpecialUpFunc",
                       "glutMouseWheelFunc", "glutMainLoop"}));
    auto addr = [](auto fn) { return spy::addr(reinterpret_cast<const void*>(fn)); };
    const std::vector<double> expected = {
        addr(&glutyRegistry::onIdle),          GLUT_KEY_REPEAT_ON,
        addr(&glutyRegistry::onReshape),       addr(&glutyRegistry::onDisplay),
        addr(&glutyRegistry::onKeyboard),      addr(&glutyRegistry::onSpecial),
        addr(&glutyRegistry::onMouse),         addr(&glutyRegistry::onMotion),
        addr(&glutyRegistry::onPassiveMotion), addr(&glutyRegistry::onKeyboardUp),
        addr(&glutyRegistry::onSpecialUp),     addr(&glutyRegistry::onMouseWheel)};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(spy::calls()[i].args.at(0), expected[i]) << spy::calls()[i].name;

    spy::start();
    registry->mainLoop(false, false);
    spy::stop();
    EXPECT_EQ(spy::calls().at(0).args.at(0), 0.0) << "idle removed";
    EXPECT_EQ(spy::calls().at(1).args.at(0), GLUT_KEY_REPEAT_OFF);
    testgl::ensureContext();
}

TEST(Registry, OneRegistryOutlivingOtherStaticObjects) {
    ASSERT_NE(glutyRegistry::instance(), nullptr);
    EXPECT_EQ(g_staticUser.seenAtStart, glutyRegistry::instance());
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            g_checkAtExit = true;
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
