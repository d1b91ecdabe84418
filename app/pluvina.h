// Pluvina: the scene controller. Owns the camera, the projection, the animation clock and the
// scene's content (two drop fountains and two photograph billboards), sets up GL once, and
// turns GLUT's events into camera moves, animation steps and frames. The photographs on their
// way (PhotoShelf), the course of the run (RunControl) and the keys and drags (input.h) are
// rooms of their own.
#pragma once

#include "billboard.h"
#include "fountain.h"
#include "input.h"
#include "options.h"
#include "photo_shelf.h"
#include "run_control.h"

#include "libgr/geometry.h"
#include "libgr/projection.h"
#include "vela/gluty.h"

#include <cstdint>
#include <memory>

class Pluvina : public vela::glutyAPI4 {
public:
    /// The arguments are accepted and ignored. Starts the clock and sets the initial window
    /// size (640 by 480 unless `options` say otherwise) for the window that addWindow will
    /// create; makes no GL call. The photographs come from `shelf` (which must outlive the
    /// controller) when given, for it may have started on them before GLUT; else from a shelf
    /// of the controller's own.
    Pluvina(int argc, char** argv, const Options& options = Options(), PhotoShelf* shelf = nullptr);
    ~Pluvina() override;

    void reshape(int width, int height) override;
    void display() override;
    void keyboard(unsigned char key, int x, int y) override;
    void mouse(int button, int state, int x, int y) override;
    void motion(int x, int y) override;
    void idle() override;
    void init() override;
    void mouseWheel(int wheel, int direction, int x, int y) override;

    /// Moves the camera back by `v` (the scene follows the pointer).
    void pan(const libgr::grVec3& v);
    /// Turns the camera by minus `degrees` about the viewing axis (0, 0, 1).
    void turn(float degrees);

    /// Freezes or resumes the animation; the running time stands still while paused.
    void togglePause();
    /// Switches between fullscreen and the window as it was.
    void toggleFullscreen();

    // Members in construction order. They are public so that tests and tools can observe
    // the controller the way the frame sees it.
    libgr::grPerspective perspective;
    libgr::grPose camera;
    std::uint32_t startTime;
    std::uint32_t elapsed = 0;
    Fountain fountainA;
    Fountain fountainB;
    BillBoard* billboardA = nullptr; ///< created once in init, lives until the process ends
    BillBoard* billboardB = nullptr;
    int viewport[4] = {0, 0, 0, 0}; ///< GL_VIEWPORT as read by the last idle step
    DragState leftDrag;
    DragState middleDrag;
    DragState rightDrag;

    Options options; ///< the command line's; the defaults give the plain program
    std::unique_ptr<PhotoShelf> ownShelf; ///< when none was given
    PhotoShelf& photos;                   ///< the photographs on their way to the billboards
    RunControl run; ///< the buffer swap, screenshots and the end of a limited run
    bool fullscreen = false;
    bool showHelp = false; ///< the key list shows in the overlay

private:
    /// The overlay: frames per second, running time, pause banner and key list.
    void drawOverlay();
};
