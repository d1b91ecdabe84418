// Pluvina: the scene controller. Owns the camera, the projection, the animation clock and the
// scene's content (two drop fountains and two photograph billboards), sets up GL once, and
// turns GLUT's events into camera moves, animation steps and frames.
#pragma once

#include "billboard.h"
#include "fountain.h"
#include "frame_times.h"
#include "options.h"

#include "libgr/geometry.h"
#include "libgr/projection.h"
#include "libphoto/photo_loader.h"
#include "vela/gluty.h"

#include <chrono>
#include <cstdint>
#include <string>

/// State of one mouse-button drag: armed by a press, with the last pointer position.
struct DragState {
    bool active = false;
    double x = 0.0;
    double y = 0.0;
};

class Pluvina : public vela::glutyAPI4 {
public:
    /// The arguments are accepted and ignored. Starts the clock and sets the initial window
    /// size (640 by 480 unless `options` say otherwise) for the window that addWindow will
    /// create; makes no GL call.
    Pluvina(int argc, char** argv, const Options& options = Options());
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
    /// What the photographs the user names are asked to be: at most as large as the screen
    /// (a texture larger than the screen can show is wasted) and as GL can hold, every
    /// mipmap level built by the library. Needs the GL context.
    libphoto::TextureRequest photoRequest() const;

    /// Where the photograph `name` is read from: in the --photos folder when set; otherwise in
    /// the working directory, or beside the executable when only that folder holds it.
    std::string photoPath(const char* name) const;

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

    /// Prepares the photographs named by --upright and --floor off the GL thread.
    libphoto::PhotoLoader loader;
    int photosPending = 0; ///< photographs asked of the loader and not yet shown or refused

    bool fullscreen = false;
    bool showHelp = false;      ///< the key list shows in the overlay
    bool shotRequested = false; ///< the next frame is saved under a new name
    FrameTimes times;           ///< ends of the frames of a limited run

private:
    /// Swaps the buffers; saves the frame when asked to, ends a limited run.
    void endFrame();
    /// Puts a photograph on `board`: the classic BMP file `classicName` at once, or the file
    /// the user `named`, through the loader, as `request` says.
    void setUpPhoto(BillBoard& board, const char* classicName, const std::string& named,
                    const libphoto::TextureRequest& request, const libgr::grPose& pose,
                    const libgr::grRect& rect);
    /// Uploads the photographs the loader has finished; says which cannot be shown.
    void collectPhotos();
    /// One line on standard error: the photograph at `path` cannot be shown, and why.
    void reportPhoto(const std::string& path, const char* reason) const;
};
