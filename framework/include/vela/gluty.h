// The application interface of the framework (glutyAPI, glutyAPI4) and the one window
// registry that routes every GLUT callback of a window to the object bound to it.
//
// Usage: derive from glutyAPI4, override what you need, then
//     glutInit(&argc, argv);
//     glutInitDisplayMode(...);
//     MyApp app;
//     vela::glutyRegistry::instance()->addWindow(&app, "title"); // creates window, runs init
//     vela::glutyRegistry::instance()->mainLoop(true, true);     // does not return
#pragma once

#include <map>

namespace vela {

/// An application bound to one GLUT window. Every operation is an event of that window;
/// the defaults do nothing, so an application overrides only the events it wants.
class glutyAPI {
public:
    /// The window now measures `width` by `height` pixels.
    virtual void reshape(int /*width*/, int /*height*/) {}
    /// The window needs to be redrawn.
    virtual void display() {}
    /// Key `key` was pressed with the pointer at (x, y) in window pixels.
    virtual void keyboard(unsigned char /*key*/, int /*x*/, int /*y*/) {}
    /// Special key `key` (a GLUT_KEY_ code) was pressed.
    virtual void special(int /*key*/, int /*x*/, int /*y*/) {}
    /// Mouse `button` changed to `state` (GLUT_DOWN or GLUT_UP).
    virtual void mouse(int /*button*/, int /*state*/, int /*x*/, int /*y*/) {}
    /// The pointer moved with a button held.
    virtual void motion(int /*x*/, int /*y*/) {}
    /// The pointer moved with no button held.
    virtual void passiveMotion(int /*x*/, int /*y*/) {}
    /// GLUT has nothing else to do (only while the idle callback is on).
    virtual void idle() {}
    /// Called once, right after the window was created, with its GL context current:
    /// the place for one-time GL set-up.
    virtual void init() {}
    /// Pure so that the interface alone cannot be instantiated.
    virtual ~glutyAPI() = 0;
};

inline glutyAPI::~glutyAPI() {}

/// glutyAPI plus the key-release and mouse-wheel events.
class glutyAPI4 : public glutyAPI {
public:
    ~glutyAPI4() override = 0;
    /// Key `key` was released.
    virtual void keyboardUp(unsigned char /*key*/, int /*x*/, int /*y*/) {}
    /// Special key `key` was released.
    virtual void specialUp(int /*key*/, int /*x*/, int /*y*/) {}
    /// Wheel number `wheel` turned one step in `direction` (+1 or -1).
    virtual void mouseWheel(int /*wheel*/, int /*direction*/, int /*x*/, int /*y*/) {}
};

inline glutyAPI4::~glutyAPI4() {}

/// The process-wide map from GLUT window id to application object. The registry does not
/// own the objects; each must stay alive while its window can receive events.
/// Single-threaded: use it only from the thread that runs the GLUT main loop.
class glutyRegistry {
public:
    /// The one registry. It is built before any ordinary static object of the program and
    /// destroyed after all of them; outside that span (during very early start-up or late
    /// exit) this returns null.
    static glutyRegistry* instance();

    /// Creates a GLUT window titled `title` (size and display mode as set beforehand with
    /// glutInitWindowSize and glutInitDisplayMode), binds `app` to it (replacing any object
    /// bound to the same id) and calls app->init() with the new window current.
    /// Returns the window id, or -1 without creating a window when `app` is null.
    int addWindow(glutyAPI4* app, const char* title);

    /// Installs the idle callback when `on`, removes it otherwise.
    void setIdle(bool on);
    /// Switches GLUT's key repeat on or off.
    void setKeyRepeat(bool on);

    /// setIdle(idle), setKeyRepeat(keyRepeat), registers the window callbacks below for
    /// GLUT's current window and enters glutMainLoop. Returns only if glutMainLoop does.
    void mainLoop(bool idle, bool keyRepeat);

    /// The GLUT callbacks. Each looks up GLUT's current window and passes the event on to
    /// the object bound to it; events of unbound windows are dropped.
    ///@{
    static void onReshape(int width, int height);
    static void onDisplay();
    static void onKeyboard(unsigned char key, int x, int y);
    static void onSpecial(int key, int x, int y);
    static void onMouse(int button, int state, int x, int y);
    static void onMotion(int x, int y);
    static void onPassiveMotion(int x, int y);
    static void onIdle();
    static void onKeyboardUp(unsigned char key, int x, int y);
    static void onSpecialUp(int key, int x, int y);
    static void onMouseWheel(int wheel, int direction, int x, int y);
    ///@}

    glutyRegistry(const glutyRegistry&) = delete;
    glutyRegistry& operator=(const glutyRegistry&) = delete;

private:
    glutyRegistry();
    ~glutyRegistry();

    /// The object bound to GLUT's current window, or null.
    static glutyAPI4* currentApp();

    std::map<int, glutyAPI4*> windows_;

    static glutyRegistry registry_;
};

} // namespace vela
