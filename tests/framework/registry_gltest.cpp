// The window registry against real GLUT: events reach the bound object unchanged, events of
// other windows nowhere.
#include "vela/gluty.h"

#include "gl_context.h"
#include "gl_spy.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

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
    // Each callback with its arguments and what the object logs; key 200 stays 200.
    const std::pair<void (*)(), const char*> events[] = {
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
    for (const auto& event : events) {
        spy::overrideCurrentWindow(id + 1000);
        event.first();
        EXPECT_TRUE(app.log.empty()) << "an unregistered window is ignored: " << event.second;
        spy::overrideCurrentWindow(id);
        event.first();
        EXPECT_EQ(app.log, Strings{event.second});
        app.log.clear();
    }
    spy::clearCurrentWindowOverride();
}
