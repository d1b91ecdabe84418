#include "vela/gluty.h"

#include <GL/freeglut.h>

namespace vela {

namespace {
// A plain pointer with a constant initialiser is set before any dynamic initialisation
// runs, so instance() answers null (never garbage) until the registry exists.
glutyRegistry* g_instance = nullptr;
} // namespace

// Other static objects (in the application or its libraries) may register windows or
// look the registry up from their constructors and destructors. Across translation units
// the order of ordinary static initialisation is unspecified, so the registry asks to be
// built first, and is therefore destroyed last.
#if defined(__GNUC__)
glutyRegistry glutyRegistry::registry_ __attribute__((init_priority(101)));
#else
glutyRegistry glutyRegistry::registry_;
#endif

glutyRegistry::glutyRegistry() {
    g_instance = this;
}

glutyRegistry::~glutyRegistry() {
    windows_.clear();
    g_instance = nullptr;
}

glutyRegistry* glutyRegistry::instance() {
    return g_instance;
}

int glutyRegistry::addWindow(glutyAPI4* app, const char* title) {
    if (app == nullptr)
        return -1;
    const int id = glutCreateWindow(title);
    windows_[id] = app;
    app->init();
    return id;
}

void glutyRegistry::setIdle(bool on) {
    glutIdleFunc(on ? &glutyRegistry::onIdle : nullptr);
}

void glutyRegistry::setKeyRepeat(bool on) {
    glutSetKeyRepeat(on ? GLUT_KEY_REPEAT_ON : GLUT_KEY_REPEAT_OFF);
}

void glutyRegistry::mainLoop(bool idle, bool keyRepeat) {
    setIdle(idle);
    setKeyRepeat(keyRepeat);
    glutReshapeFunc(&glutyRegistry::onReshape);
    glutDisplayFunc(&glutyRegistry::onDisplay);
    glutKeyboardFunc(&glutyRegistry::onKeyboard);
    glutSpecialFunc(&glutyRegistry::onSpecial);
    glutMouseFunc(&glutyRegistry::onMouse);
    glutMotionFunc(&glutyRegistry::onMotion);
    glutPassiveMotionFunc(&glutyRegistry::onPassiveMotion);
    glutKeyboardUpFunc(&glutyRegistry::onKeyboardUp);
    glutSpecialUpFunc(&glutyRegistry::onSpecialUp);
    glutMouseWheelFunc(&glutyRegistry::onMouseWheel);
    glutMainLoop();
}

glutyAPI4* glutyRegistry::currentApp() {
    // Outside the registry's lifetime there is nothing to dispatch to.
    const glutyRegistry* const registry = instance();
    if (registry == nullptr)
        return nullptr;
    // Search only: an unknown window must not grow the map.
    const auto it = registry->windows_.find(glutGetWindow());
    return it != registry->windows_.end() ? it->second : nullptr;
}

void glutyRegistry::onReshape(int width, int height) {
    if (glutyAPI4* const app = currentApp())
        app->reshape(width, height);
}

void glutyRegistry::onDisplay() {
    if (glutyAPI4* const app = currentApp())
        app->display();
}

void glutyRegistry::onKeyboard(unsigned char key, int x, int y) {
    if (glutyAPI4* const app = currentApp())
        app->keyboard(key, x, y);
}

void glutyRegistry::onSpecial(int key, int x, int y) {
    if (glutyAPI4* const app = currentApp())
        app->special(key, x, y);
}

void glutyRegistry::onMouse(int button, int state, int x, int y) {
    if (glutyAPI4* const app = currentApp())
        app->mouse(button, state, x, y);
}

void glutyRegistry::onMotion(int x, int y) {
    if (glutyAPI4* const app = currentApp())
        app->motion(x, y);
}

void glutyRegistry::onPassiveMotion(int x, int y) {
    if (glutyAPI4* const app = currentApp())
        app->passiveMotion(x, y);
}

void glutyRegistry::onIdle() {
    if (glutyAPI4* const app = currentApp())
        app->idle();
}

void glutyRegistry::onKeyboardUp(unsigned char key, int x, int y) {
    if (glutyAPI4* const app = currentApp())
        app->keyboardUp(key, x, y);
}

void glutyRegistry::onSpecialUp(int key, int x, int y) {
    if (glutyAPI4* const app = currentApp())
        app->specialUp(key, x, y);
}

void glutyRegistry::onMouseWheel(int wheel, int direction, int x, int y) {
    if (glutyAPI4* const app = currentApp())
        app->mouseWheel(wheel, direction, x, y);
}

} // namespace vela
