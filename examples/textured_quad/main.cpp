// textured_quad: one BMP picture on one textured square, in a window opened through vela,
// with the frame-rate overlay. A small program of its own, built against the installed
// pluvina package (find_package(pluvina)), to show the libraries in use outside the demo.
//
// Usage: textured_quad <picture.bmp> [frames]
//   With `frames`, the program draws that many frames, checks that the middle of the window
//   shows the middle of the picture, and ends by itself. Without it, it runs until "q" or
//   Escape.
// Exit status: 0 on a key, or after `frames` frames when the check passes; 1 when the
// picture cannot be read; 2 when the check fails.

#include "libgr/bmp_file.h"
#include "libgr/image_record.h"
#include "libgr/texture_image.h"
#include "libgr/texture_object.h"
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
        // The road of a picture through libgr: the file's bytes are read once, the image
        // record views them, the texture holds the record, the texture object uploads it.
        if (!bitmap_.load(path_) || !libgr::grBmpToImage(image_, bitmap_)) {
            std::fprintf(stderr, "textured_quad: cannot read %s as a BMP picture\n", path_);
            std::exit(1);
        }
        texture_.setMipmapped(true);
        texture_.setImage(image_, 0, 0);
        params_.set(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE,
                    params_.maxAnisotropy);
        texture_.setParams(&params_);
        textureObject_.load(texture_);

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
        textureObject_.apply();
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
    // Compares the window's middle pixel with the picture's middle texels (read straight
    // from the file's pixel bytes, bottom-up rows of blue, green, red) and ends the program.
    void checkCentreAndExit() {
        int viewport[4] = {0, 0, 0, 0};
        glGetIntegerv(GL_VIEWPORT, viewport);
        unsigned char shown[4] = {0, 0, 0, 0};
        glReadPixels(viewport[2] / 2, viewport[3] / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, shown);

        const libgr::tagBITMAPINFOHEADER& info = bitmap_.infoHeader[0];
        const int bytesPerPixel = info.biBitCount / 8;
        if (bytesPerPixel != 3 && bytesPerPixel != 4)
            std::exit(0); // an index picture: nothing to compare against
        const long width = info.biWidth;
        const long height = info.biHeight;
        const long stride = (width * bytesPerPixel + 3) / 4 * 4;
        // Filtering blends a few texels, so compare with their average.
        long sum[3] = {0, 0, 0};
        int n = 0;
        for (long y = height / 2 - 2; y <= height / 2 + 2; ++y) {
            for (long x = width / 2 - 2; x <= width / 2 + 2; ++x) {
                const unsigned long at = static_cast<unsigned long>(y * stride + x * bytesPerPixel);
                if (y < 0 || x < 0 || at + 3 > bitmap_.bits.size())
                    continue;
                for (int c = 0; c < 3; ++c)
                    sum[c] += bitmap_.bits[at + 2 - c]; // BGR to RGB
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

    const char* path_;
    long framesLeft_; ///< frames still to draw; 0 runs until a key ends the program
    libgr::grBmpFile bitmap_;
    libgr::grImage2D image_;
    libgr::grTexture2D texture_;
    libgr::grTexParams2D params_;
    libgr::grTextureObject textureObject_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <picture.bmp> [frames]\n", argv[0]);
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
