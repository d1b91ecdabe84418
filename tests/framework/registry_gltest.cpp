#include "vela/gluty.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

using vela::glutyRegistry;

namespace {

struct Recorder : vela::glutyAPI4 {
    std::vector<std::string> log;
    int windowAtInit = -1;
    void add(const std::string& what, std::vector<int> args) {
        std::string line = what;
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
    void init() override {
        add("init", {});
        windowAtInit = glutGetWindow();
    }
    void keyboardUp(unsigned char k, int x, int y) override { add("keyboardUp", {k, x, y}); }
    void specialUp(int k, int x, int y) override { add("specialUp", {k, x, y}); }
    void mouseWheel(int w, int d, int x, int y) override { add("mouseWheel", {w, d, x, y}); }
};

struct Bare : vela::glutyAPI4 {};

void fireAllEvents() {
    glutyRegistry::onReshape(640, 480);
    glutyRegistry::onDisplay();
    glutyRegistry::onKeyboard(200, 3, 4);
    glutyRegistry::onSpecial(GLUT_KEY_F5, 5, 6);
    glutyRegistry::onMouse(2, 0, 7, 8);
    glutyRegistry::onMotion(-9, 10);
    glutyRegistry::onPassiveMotion(11, -12);
    glutyRegistry::onIdle();
    glutyRegistry::onKeyboardUp(200, 13, 14);
    glutyRegistry::onSpecialUp(GLUT_KEY_LEFT, 15, 16);
    glutyRegistry::onMouseWheel(1, -1, 17, 18);
}

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
    app.log.clear();
    testgl::ensureContext();
    spy::start();
    const int id = glutyRegistry::instance()->addWindow(&app, "registry-dispatch");
    spy::stop();
    ASSERT_EQ(spy::count("glutCreateWindow"), 1u);
    EXPECT_EQ(spy::callsOf("glutCreateWindow")[0].text, "registry-dispatch");
    EXPECT_GT(id, 0);
    EXPECT_EQ(app.windowAtInit, id) << "init runs with the new window current";
    EXPECT_EQ(app.log, std::vector<std::string>{"init"});

    app.log.clear();
    spy::overrideCurrentWindow(id);
    fireAllEvents();
    const std::vector<std::string> expected = {"reshape 640 480",      "display",
                                               "keyboard 200 3 4",     "special 5 5 6",
                                               "mouse 2 0 7 8",        "motion -9 10",
                                               "passiveMotion 11 -12", "idle",
                                               "keyboardUp 200 13 14", "specialUp 100 15 16",
                                               "mouseWheel 1 -1 17 18"};
    EXPECT_EQ(app.log, expected);

    app.log.clear();
    spy::overrideCurrentWindow(id + 1000);
    fireAllEvents();
    spy::clearCurrentWindowOverride();
    EXPECT_TRUE(app.log.empty()) << "events of an unknown window are dropped";

    // Without the override: GLUT's real current window decides.
    glutSetWindow(id);
    glutyRegistry::onDisplay();
    testgl::ensureContext(); // the shared test window, bound to nothing
    glutyRegistry::onDisplay();
    EXPECT_EQ(app.log, std::vector<std::string>{"display"});
}

TEST(Registry, NullObjectAndEmptyDefaults) {
    testgl::ensureContext();
    spy::start();
    EXPECT_EQ(glutyRegistry::instance()->addWindow(nullptr, "never"), -1);
    spy::stop();
    EXPECT_TRUE(spy::calls().empty()) << "no window and no other GLUT call";

    static Bare bare;
    const int id = glutyRegistry::instance()->addWindow(&bare, "registry-bare");
    spy::overrideCurrentWindow(id);
    spy::start();
    fireAllEvents();
    spy::stop();
    spy::clearCurrentWindowOverride();
    EXPECT_EQ(spy::count("glutGetWindow"), 11u);
    EXPECT_EQ(spy::calls().size(), 11u) << "the defaults do nothing";
    testgl::ensureContext();
}

TEST(Registry, MainLoopRegistersCallbacksInOrder) {
    static Recorder app;
    glutyRegistry* const registry = glutyRegistry::instance();
    registry->addWindow(&app, "registry-loop");
    auto addr = [](auto fn) { return spy::addr(reinterpret_cast<const void*>(fn)); };

    spy::start();
    registry->mainLoop(true, true);
    spy::stop();
    const std::vector<std::string> order = {
        "glutIdleFunc",          "glutSetKeyRepeat",   "glutReshapeFunc",   "glutDisplayFunc",
        "glutKeyboardFunc",      "glutSpecialFunc",    "glutMouseFunc",     "glutMotionFunc",
        "glutPassiveMotionFunc", "glutKeyboardUpFunc", "glutSpecialUpFunc", "glutMouseWheelFunc",
        "glutMainLoop"};
    ASSERT_EQ(spy::names(), order);
    std::vector<double> registered; // the function (or key-repeat mode) each call was given
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        registered.push_back(spy::calls()[i].args.at(0));
    const std::vector<double> expected = {
        addr(&glutyRegistry::onIdle),          GLUT_KEY_REPEAT_ON,
        addr(&glutyRegistry::onReshape),       addr(&glutyRegistry::onDisplay),
        addr(&glutyRegistry::onKeyboard),      addr(&glutyRegistry::onSpecial),
        addr(&glutyRegistry::onMouse),         addr(&glutyRegistry::onMotion),
        addr(&glutyRegistry::onPassiveMotion), addr(&glutyRegistry::onKeyboardUp),
        addr(&glutyRegistry::onSpecialUp),     addr(&glutyRegistry::onMouseWheel)};
    EXPECT_EQ(registered, expected);

    spy::start();
    registry->mainLoop(false, false);
    spy::stop();
    EXPECT_EQ(spy::callsOf("glutIdleFunc").at(0).args.at(0), 0.0) << "idle removed";
    EXPECT_EQ(spy::callsOf("glutSetKeyRepeat").at(0).args.at(0), GLUT_KEY_REPEAT_OFF);
    EXPECT_EQ(spy::count("glutMainLoop"), 1u);
    testgl::ensureContext();
}

TEST(Registry, OneRegistryOutlivingOtherStaticObjects) {
    ASSERT_NE(glutyRegistry::instance(), nullptr);
    EXPECT_EQ(glutyRegistry::instance(), glutyRegistry::instance());
    EXPECT_EQ(g_staticUser.seenAtStart, glutyRegistry::instance());
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            g_checkAtExit = true;
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
