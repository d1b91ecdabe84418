#include "pluvina.h"

#include "libgr/gl_state.h"
#include "libutils/platform.h"
#include "vela/overlay.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>

using libgr::grColor;
using libgr::grPose;
using libgr::grRect;
using libgr::grRotation;
using libgr::grVec2;
using libgr::grVec3;

namespace {
constexpr float kSceneDistance = 500.0f;    // the scene stands this far in front of the camera
constexpr double kTurnPerPixel = 0.25;      // degrees of turn per pixel of horizontal drag
constexpr float kKeyListLinePixels = 14.0f; // the font is 10 pixels high
} // namespace

Pluvina::Pluvina(int /*argc*/, char** /*argv*/, const Options& given, PhotoShelf* shelf)
    : camera(grRotation(0.0f, grVec3(0.0f, 0.0f, 1.0f)), grVec3(0.0f, 0.0f, 0.0f)),
      startTime(libutils::timeGetTime()), options(given),
      ownShelf(shelf != nullptr ? nullptr : std::make_unique<PhotoShelf>(options)),
      photos(shelf != nullptr ? *shelf : *ownShelf), run(options) {
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
    if (billboardA == nullptr) {
        const grPose upright(grRotation(0.0f, grVec3(0.0f, 0.0f, 1.0f)),
                             grVec3(0.0f, 0.0f, -256.0f));
        billboardA = new BillBoard;
        photos.put(PhotoShelf::Upright, *billboardA, "p6155961.bmp", upright, square);
    }
    if (billboardB == nullptr) {
        const grPose floor(grRotation(-90.0f, grVec3(1.0f, 0.0f, 0.0f)),
                           grVec3(0.0f, -256.0f, 0.0f));
        billboardB = new BillBoard;
        photos.put(PhotoShelf::Floor, *billboardB, "p6155955.bmp", floor, square);
    }
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

    if (vela::showFps || vela::paused || vela::showMsec || showHelp)
        drawOverlay();

    glPopAttrib();
    run.endFrame(photos.pending() == 0, photos.startedMs());
}

void Pluvina::drawOverlay() {
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
        for (const char* line : keyList()) {
            vela::drawText(100.0f, y, line);
            y -= step;
        }
    }
    glPopMatrix();
}

void Pluvina::idle() {
    // Between frames: the pace and the GL upload of photographs prepared off this thread.
    photos.betweenFrames();
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
    switch (commandFor(key)) {
    case Command::Quit:
        std::exit(0);
    case Command::Step:
        idle();
        glutPostRedisplay();
        break;
    case Command::Pause:
        togglePause();
        break;
    case Command::Fullscreen:
        toggleFullscreen();
        break;
    case Command::Screenshot:
        run.requestShot();
        glutPostRedisplay();
        break;
    case Command::KeyList:
        showHelp = !showHelp;
        glutPostRedisplay();
        break;
    case Command::None:
        break;
    }
}

void Pluvina::mouse(int button, int state, int x, int y) {
    // GLUT numbers the buttons left, middle, right from 0.
    DragState* const drags[] = {&leftDrag, &middleDrag, &rightDrag};
    if (button >= GLUT_LEFT_BUTTON && button <= GLUT_RIGHT_BUTTON)
        drags[button]->press(state == GLUT_DOWN, x, y);
}

void Pluvina::motion(int x, int y) {
    double dx = 0.0, dy = 0.0;
    if (leftDrag.follow(x, y, dx, dy)) {
        pan(grVec3(static_cast<float>(dx), -static_cast<float>(dy), 0.0f));
        glutPostRedisplay();
    }
    if (middleDrag.follow(x, y, dx, dy))
        glutPostRedisplay();
    if (rightDrag.follow(x, y, dx, dy)) {
        turn(static_cast<float>(dx * kTurnPerPixel));
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
