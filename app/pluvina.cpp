#include "pluvina.h"

#include "screenshot.h"

#include "libgr/extensions.h"
#include "libgr/gl_state.h"
#include "libutils/platform.h"
#include "vela/overlay.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using libgr::grColor;
using libgr::grPose;
using libgr::grRect;
using libgr::grRotation;
using libgr::grVec2;
using libgr::grVec3;

namespace {
constexpr float kSceneDistance = 500.0f; // the scene stands this far in front of the camera
constexpr double kTurnPerPixel = 0.25;   // degrees of turn per pixel of horizontal drag
constexpr unsigned char kEscape = 27;

// The key list that "h" shows, one line each.
const char* const kKeyList[] = {"p or space: pause / resume",
                                "f: fullscreen on / off",
                                "s: save a screenshot (PNG, working directory)",
                                "r: one animation step",
                                "h: hide this list",
                                "q or Escape: quit",
                                "left drag: move, right drag: turn"};
constexpr float kKeyListLinePixels = 14.0f; // the font is 10 pixels high

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}
} // namespace

Pluvina::Pluvina(int /*argc*/, char** /*argv*/, const Options& given)
    : camera(grRotation(0.0f, grVec3(0.0f, 0.0f, 1.0f)), grVec3(0.0f, 0.0f, 0.0f)),
      startTime(libutils::timeGetTime()), options(given) {
    glutInitWindowSize(options.windowWidth(), options.windowHeight());
}

// The billboards are deliberately not deleted: they live until the process ends.
Pluvina::~Pluvina() = default;

void Pluvina::init() {
    libgr::clearColor(grColor(0.18f, 0.18f, 0.18f, 1.0f));
    glEnable(GL_DEPTH_TEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_FASTEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_FASTEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
    glShadeModel(GL_SMOOTH);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_CULL_FACE);

    const grColor grey(0.5f, 0.5f, 0.5f, 1.0f);
    const grColor black(0.0f, 0.0f, 0.0f, 1.0f);
    const grColor white(1.0f, 1.0f, 1.0f, 1.0f);
    libgr::material(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, grey.data());
    libgr::material(GL_FRONT, GL_EMISSION, black.data());
    libgr::material(GL_FRONT, GL_SPECULAR, white.data());
    libgr::material(GL_FRONT, GL_SHININESS, 100.0f);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    vela::initOverlay();

    // Scene content last: the fountains, then the photographs.
    fountainA.setup(true);
    fountainB.setup(false);

    const grRect square(grVec2(-256.0f, -256.0f), grVec2(256.0f, 256.0f));
    // Asked of GL once, and only when the user names a photograph.
    const bool named = !options.upright.empty() || !options.floor.empty();
    const libphoto::TextureRequest request = named ? photoRequest() : libphoto::TextureRequest();
    if (billboardA == nullptr) {
        const grPose upright(grRotation(0.0f, grVec3(0.0f, 0.0f, 1.0f)),
                             grVec3(0.0f, 0.0f, -256.0f));
        billboardA = new BillBoard;
        setUpPhoto(*billboardA, "p6155961.bmp", options.upright, request, upright, square);
    }
    if (billboardB == nullptr) {
        const grPose floor(grRotation(-90.0f, grVec3(1.0f, 0.0f, 0.0f)),
                           grVec3(0.0f, -256.0f, 0.0f));
        billboardB = new BillBoard;
        setUpPhoto(*billboardB, "p6155955.bmp", options.floor, request, floor, square);
    }
}

void Pluvina::setUpPhoto(BillBoard& board, const char* classicName, const std::string& named,
                         const libphoto::TextureRequest& request, const grPose& pose,
                         const grRect& rect) {
    if (named.empty()) {
        const std::string path = photoPath(classicName);
        if (!board.load(path.c_str(), pose, rect))
            reportPhoto(path, board.reason());
        return;
    }
    // The window comes up and animates at once; the photograph shows once it is ready.
    board.place(pose, rect);
    if (loader.request(board.photo, named, request))
        ++photosPending;
    else
        reportPhoto(named, "cannot start the loader");
}

libphoto::TextureRequest Pluvina::photoRequest() const {
    libphoto::TextureRequest request;
    request.mipmaps = libphoto::MipmapSource::Library;
    GLint most = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
    request.photo.maxTextureSize = most > 0 ? static_cast<std::uint32_t>(most) : 0;
    const int screen = std::max(glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
    request.photo.longestSide = screen > 0 ? static_cast<std::uint32_t>(screen) : 0;
    request.keepNonPowerOfTwo = libgr::hasExtension("GL_ARB_texture_non_power_of_two");
    request.wrap = GL_REPEAT;
    return request;
}

void Pluvina::collectPhotos() {
    for (const libphoto::PhotoLoader::Done& done : loader.finished()) {
        --photosPending;
        BillBoard* board = done.texture == billboardA->photo ? billboardA : billboardB;
        if (!done.prepared || !board->show())
            reportPhoto(done.path, done.texture->reason());
    }
}

void Pluvina::reportPhoto(const std::string& path, const char* reason) const {
    std::fprintf(stderr, "%s: %s: %s\n", options.program.c_str(), path.c_str(), reason);
}

void Pluvina::display() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The view is the inverse of the camera pose.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const grRotation& r = camera.rotation();
    if (r.isNonTrivial())
        libgr::rotate(grRotation(-r.angle, r.axis));
    libgr::translate(-camera.translation());
    glTranslatef(0.0f, 0.0f, -kSceneDistance);

    // One white light from +y, set after the view so it stays fixed in the scene.
    const grColor ambient(0.18f, 0.18f, 0.18f, 1.0f);
    const grColor white(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_LIGHT0);
    libgr::lightPosition(GL_LIGHT0, grVec3(0.0f, 500.0f, 0.0f));
    libgr::light(GL_LIGHT0, GL_AMBIENT, ambient.data());
    libgr::light(GL_LIGHT0, GL_DIFFUSE, white.data());
    libgr::light(GL_LIGHT0, GL_SPECULAR, white.data());
    libgr::light(GL_LIGHT0, GL_LINEAR_ATTENUATION, white.data());
    glEnable(GL_LIGHTING);

    libgr::color(white.data());

    // Photographs first, so the translucent drops blend over them.
    if (billboardA)
        billboardA->draw();
    if (billboardB)
        billboardB->draw();
    fountainA.draw();
    fountainB.draw();

    if (vela::showFps || vela::paused || vela::showMsec || showHelp) {
        glDisable(GL_LIGHTING);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        vela::beginOverlay();
        if (vela::showFps) {
            vela::countFrame();
            vela::drawFps();
        }
        if (vela::paused)
            vela::drawTextCentred(512.0f, 512.0f, "- pause -");
        if (vela::showMsec)
            vela::drawMsec(elapsed);
        if (showHelp) {
            // Spaced in pixels, not overlay units, so lines never overlap in a small window.
            const float step = kKeyListLinePixels * vela::overlayPixel;
            float y = vela::overlayTop - 20.0f - 2.0f * step;
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
            for (const char* line : kKeyList) {
                vela::drawText(100.0f, y, line);
                y -= step;
            }
        }
        glPopMatrix();
    }

    glPopAttrib();
    endFrame();
}

void Pluvina::endFrame() {
    const Options& o = options;
    // The last frame is known before the swap, while its picture can still be read back.
    const bool last = (o.frames != 0 && times.frames() + 1 >= o.frames) ||
                      (o.benchmark > 0.0 && times.frames() > 0 &&
                       msSince(o.started) - times.firstMs() >= o.benchmark * 1000.0);
    Frame frame;
    const bool grabbed = (shotRequested || (last && !o.screenshot.empty())) && grabFrame(frame);
    glutSwapBuffers();
    if (o.limited()) {
        times.frameEnded(msSince(o.started));
        if (photosPending == 0)
            times.photosShown(msSince(o.started));
    }

    std::string reason;
    if (shotRequested) {
        shotRequested = false;
        std::string name;
        if (grabbed && writeNewPng(frame, o.program, name, reason))
            std::fprintf(stderr, "%s: saved %s\n", o.program.c_str(), name.c_str());
        else
            std::fprintf(stderr, "%s: cannot save a screenshot: %s\n", o.program.c_str(),
                         grabbed ? reason.c_str() : "the window is empty");
    }
    if (!last)
        return;
    if (!o.screenshot.empty() && !(grabbed && writePng(frame, o.screenshot, false, reason))) {
        std::fprintf(stderr, "%s: %s: %s\n", o.program.c_str(), o.screenshot.c_str(),
                     grabbed ? reason.c_str() : "the window is empty");
        std::exit(1);
    }
    if (o.benchmark > 0.0)
        std::printf("%s\n", times.json().c_str());
    std::fflush(stdout);
    std::exit(0);
}

void Pluvina::idle() {
    // Between frames: the GL upload of photographs prepared off this thread.
    if (photosPending > 0)
        collectPhotos();
    if (!vela::paused)
        elapsed = libutils::timeGetTime() - startTime;
    libgr::getInteger(GL_VIEWPORT, viewport);
    const std::uint32_t scale =
        std::min(static_cast<std::uint32_t>(viewport[2]), static_cast<std::uint32_t>(viewport[3]));
    fountainA.update(elapsed, scale);
    fountainB.update(elapsed, scale);
    glutPostRedisplay();
}

void Pluvina::reshape(int width, int height) {
    glViewport(0, 0, width, height);
    perspective.setAspect(static_cast<double>(width), static_cast<double>(height));
    perspective.near = 0.1;
    perspective.far = 1000.1;
    libgr::grMatrixModeGuard guard(GL_PROJECTION);
    glLoadIdentity();
    libgr::applyFrustum(perspective.frustum());
}

void Pluvina::keyboard(unsigned char key, int /*x*/, int /*y*/) {
    switch (key) {
    case kEscape:
    case 'q':
        std::exit(0);
    case 'r':
        idle();
        glutPostRedisplay();
        break;
    case 'p':
    case ' ':
        togglePause();
        break;
    case 'f':
        toggleFullscreen();
        break;
    case 's':
        shotRequested = true;
        glutPostRedisplay();
        break;
    case 'h':
        showHelp = !showHelp;
        glutPostRedisplay();
        break;
    default:
        break;
    }
}

void Pluvina::mouse(int button, int state, int x, int y) {
    DragState* drag = nullptr;
    switch (button) {
    case GLUT_LEFT_BUTTON:
        drag = &leftDrag;
        break;
    case GLUT_MIDDLE_BUTTON:
        drag = &middleDrag;
        break;
    case GLUT_RIGHT_BUTTON:
        drag = &rightDrag;
        break;
    default:
        return;
    }
    if (state == GLUT_DOWN) {
        drag->active = true;
        drag->x = x;
        drag->y = y;
    } else {
        drag->active = false;
    }
}

void Pluvina::motion(int x, int y) {
    if (!leftDrag.active && !middleDrag.active && !rightDrag.active)
        return;
    if (leftDrag.active) {
        const float dx = static_cast<float>(x - leftDrag.x);
        const float dy = static_cast<float>(y - leftDrag.y);
        grVec3 v(dx, -dy, 0.0f);
        pan(v);
        leftDrag.x = x;
        leftDrag.y = y;
        glutPostRedisplay();
    }
    if (middleDrag.active) {
        middleDrag.x = x;
        middleDrag.y = y;
        glutPostRedisplay();
    }
    if (rightDrag.active) {
        const float a = static_cast<float>((x - rightDrag.x) * kTurnPerPixel);
        turn(a);
        rightDrag.x = x;
        rightDrag.y = y;
        glutPostRedisplay();
    }
}

void Pluvina::mouseWheel(int wheel, int direction, int /*x*/, int /*y*/) {
    if (wheel == 0 && (direction == 1 || direction == -1))
        glutPostRedisplay();
}

void Pluvina::pan(const grVec3& v) {
    camera.translateBack(v);
}

void Pluvina::turn(float degrees) {
    camera.rotation().compose(grRotation(-degrees, grVec3(0.0f, 0.0f, 1.0f)));
}

void Pluvina::togglePause() {
    vela::paused = !vela::paused;
    // Resuming moves the start, so the running time goes on from where it stood.
    if (!vela::paused)
        startTime = libutils::timeGetTime() - elapsed;
    glutPostRedisplay();
}

void Pluvina::toggleFullscreen() {
    glutFullScreenToggle();
    fullscreen = !fullscreen;
}

std::string Pluvina::photoPath(const char* name) const {
    if (!options.photos.empty())
        return options.photos + "/" + name;
    if (access(name, F_OK) == 0)
        return name;
    const std::string exeDir = executableDir();
    if (exeDir.empty())
        return name;
    const std::string beside = exeDir + "/" + name;
    if (access(beside.c_str(), F_OK) == 0)
        return beside;
    // An installed program finds the samples in its package's data folder.
    const std::string installed = exeDir + "/../share/pluvina/" + name;
    return access(installed.c_str(), F_OK) == 0 ? installed : name;
}
