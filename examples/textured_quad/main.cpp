// textured_quad: one picture (BMP, JPEG or PNG) on one textured square, in a window opened
// through vela, with the frame-rate overlay. A small program of its own, built against the
// installed pluvina package (find_package(pluvina)), to show the libraries in use outside the
// demo.
//
// Usage: textured_quad <picture> [frames]
//   With `frames`, the program draws that many frames, checks that the middle of the window
//   shows the middle of the picture, and ends by itself. Without it, it runs until "q" or
//   Escape.
// Exit status: 0 on a key, or after `frames` frames when the check passes; 1 when the
// picture cannot be read; 2 when the check fails.

#include "libgr/extensions.h"
#include "libphoto/photo.h"
#include "libphoto/photo_texture.h"
#include "libutils/platform.h"
#include "vela/gluty.h"
#include "vela/overlay.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class TexturedQuad : public vela::glutyAPI4 {
public:
    TexturedQuad(const char* path, long frames) : path_(path), framesLeft_(frames) {
        glutInitWindowSize(320, 240);
    }

    void init() override {
        // One call from the file to the texture. A BMP file takes the classic road (the
        // record views the file's bytes, GLU builds the levels); a JPEG or PNG file is decoded
        // to fit GL and gets every level built by the library.
        libphoto::TextureRequest request;
        request.wrap = GL_CLAMP_TO_EDGE;
        if (kindOf(path_) == libphoto::PhotoKind::Bmp) {
            request.mipmaps = libphoto::MipmapSource::Glu;
        } else {
            GLint most = 0;
            glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
            request.photo.maxTextureSize = most > 0 ? static_cast<std::uint32_t>(most) : 0;
            request.keepNonPowerOfTwo = libgr::hasExtension("GL_ARB_texture_non_power_of_two");
        }
        if (!photo_.load(path_, request)) {
            std::fprintf(stderr, "textured_quad: %s: %s\n", path_, photo_.reason());
            std::exit(1);
        }

        glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
        vela::initOverlay();
    }

    void reshape(int width, int height) override {
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1.0, 1.0, -1.0, 1.0, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
    }

    void display() override {
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();

        // The picture fills the window; GL_REPLACE shows its texels unchanged.
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        photo_.apply();
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(-1.0f, -1.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(1.0f, -1.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(1.0f, 1.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(-1.0f, 1.0f);
        glEnd();
        glDisable(GL_TEXTURE_2D);

        if (framesLeft_ == 1)
            checkCentreAndExit(); // before the overlay, which might cover the centre

        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        vela::beginOverlay();
        vela::countFrame();
        vela::drawFps();
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);

        glutSwapBuffers();
        if (framesLeft_ > 0)
            --framesLeft_;
    }

    void idle() override { glutPostRedisplay(); }

    void keyboard(unsigned char key, int, int) override {
        if (key == 'q' || key == 27)
            std::exit(0);
    }

private:
    // Compares the window's middle pixel with the picture's middle texels (read from level
    // 0 as prepared: bottom-up rows, blue first unless the layout says red) and ends the
    // program.
    void checkCentreAndExit() {
        int viewport[4] = {0, 0, 0, 0};
        glGetIntegerv(GL_VIEWPORT, viewport);
        unsigned char shown[4] = {0, 0, 0, 0};
        glReadPixels(viewport[2] / 2, viewport[3] / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, shown);

        const libgr::grImage2D& image = photo_.levels()[0];
        const int bytesPerPixel = image.bitsPerPixel() / 8;
        if (image.bitCode != libgr::grBits8 || (bytesPerPixel != 3 && bytesPerPixel != 4))
            std::exit(0); // a packed or grey picture: nothing to compare against
        const bool redFirst =
            image.layout == libgr::grLayoutRGB || image.layout == libgr::grLayoutRGBA;
        const long width = static_cast<long>(image.width);
        const long height = static_cast<long>(image.height);
        const long stride = static_cast<long>(image.rowStride());
        // Filtering blends a few texels, so compare with their average.
        long sum[3] = {0, 0, 0};
        int n = 0;
        for (long y = height / 2 - 2; y <= height / 2 + 2; ++y) {
            for (long x = width / 2 - 2; x <= width / 2 + 2; ++x) {
                const unsigned long at = static_cast<unsigned long>(y * stride + x * bytesPerPixel);
                if (y < 0 || x < 0 || x >= width || at + 3 > image.pixels.size())
                    continue;
                for (int c = 0; c < 3; ++c)
                    sum[c] += image.pixels[at + (redFirst ? c : 2 - c)];
                ++n;
            }
        }
        bool close = n > 0;
        for (int c = 0; c < 3 && close; ++c)
            close = std::abs(static_cast<long>(shown[c]) - sum[c] / n) <= 40;
        std::printf("textured_quad: centre shows %d %d %d, picture %ld %ld %ld: %s\n", shown[0],
                    shown[1], shown[2], n ? sum[0] / n : 0, n ? sum[1] / n : 0, n ? sum[2] / n : 0,
                    close ? "ok" : "MISMATCH");
        std::fflush(stdout);
        std::exit(close ? 0 : 2);
    }

    // The kind of picture the file holds, by its first bytes.
    static libphoto::PhotoKind kindOf(const char* path) {
        unsigned char head[8] = {};
        std::size_t got = 0;
        libutils::FileStatus status;
        const char* why = "";
        if (std::FILE* f = libutils::openRegularFile(path, status, why)) { // never waits
            got = std::fread(head, 1, sizeof head, f);
            std::fclose(f);
        }
        return libphoto::sniffPhoto(head, got);
    }

    const char* path_;
    long framesLeft_; ///< frames still to draw; 0 runs until a key ends the program
    libphoto::PhotoTexture photo_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <picture> [frames]\n", argv[0]);
        return 1;
    }
    glutInit(&argc, argv);
    const long frames = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    // A local of main, like the demo's scene: the main loop never returns and the program
    // ends with exit(), so it outlives every callback and no GL call runs during exit.
    TexturedQuad app(argv[1], frames > 0 ? frames : 0);
    vela::glutyRegistry::instance()->addWindow(&app, argv[0]);
    vela::glutyRegistry::instance()->mainLoop(true, false);
    return 0;
}
