#include "vela/overlay.h"

#include "libutils/platform.h"

#include <GL/freeglut.h>

#include <cstdlib>
#include <iostream>
#include <string>

namespace vela {

bool paused = false;
bool showFps = false;
bool showMsec = false;
std::uint32_t frameCount = 0;
std::uint32_t lastSecond = 0;
std::uint32_t framesPerSecond = 0;
float overlayBottom = 0.0f;
float overlayTop = 0.0f;
float overlayPixel = 0.0f;

namespace {
void* const kFont = GLUT_BITMAP_HELVETICA_10;

// Overlay units between two lines of drawText.
constexpr float kLineHeight = 10.0f;
} // namespace

void initOverlay() {
    paused = false;
    showFps = true;
    showMsec = true;
}

void beginOverlay() {
    glLoadIdentity();
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    // A zero width gives an infinite (or, for 0 by 0, NaN) ratio. That is well defined in
    // IEEE arithmetic; GL then holds a degenerate projection that draws nothing, and no
    // value here is ever converted to an integer, so nothing needs guarding.
    const long double height = static_cast<unsigned>(viewport[3]);
    const long double width = static_cast<unsigned>(viewport[2]);
    const float r = static_cast<float>(height / width);
    glFrustum(-1.0, 1.0, -r, r, 1.0, 1000.0);
    // The plane z = 0 now lies 512 units in front of the eye, where the frustum is exactly
    // 1024 units wide.
    glTranslatef(-512.0f, -512.0f, -512.0f);
    overlayBottom = -r * 512.0f + 512.0f;
    overlayTop = r * 512.0f + 512.0f;
    overlayPixel = static_cast<float>(1024.0L / width);
}

void countFrame() {
    countFrame(libutils::timeGetTime());
}

void countFrame(std::uint32_t nowMs) {
    ++frameCount;
    const std::uint32_t second = nowMs / 1000u;
    if (second != lastSecond) {
        lastSecond = second;
        framesPerSecond = frameCount;
        frameCount = 0;
    }
}

void drawFps() {
    const std::string text = std::to_string(framesPerSecond) + " fps";
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawText(100.0f, overlayBottom + 10.0f, text.c_str());
}

void drawMsec(std::uint32_t msec) {
    const std::string text = std::to_string(msec) + " msec";
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawText(100.0f, overlayTop - 20.0f, text.c_str());
}

void drawText(float x, float y, const char* text) {
    if (text == nullptr)
        return;
    glRasterPos2f(x, y);
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\n') {
            y -= kLineHeight;
            glRasterPos2f(x, y);
        } else {
            // GLUT takes the code as 1..255; a plain char above 127 would arrive negative.
            glutBitmapCharacter(kFont, static_cast<unsigned char>(*p));
        }
    }
}

void drawTextCentred(float x, float y, const char* text) {
    if (text == nullptr)
        return;
    // The glyphs advance in pixels; the line's width is turned into overlay units so that
    // it is centred at any window size (before any beginOverlay a unit counts as a pixel).
    int pixels = 0;
    for (const char* p = text; *p != '\0'; ++p)
        pixels += glutBitmapWidth(kFont, static_cast<unsigned char>(*p));
    const float unit = overlayPixel > 0.0f ? overlayPixel : 1.0f;
    drawText(x - static_cast<float>(pixels) * unit / 2.0f, y, text);
}

void defaultKeys(unsigned char key) {
    switch (key) {
    case 'f':
        showFps = !showFps;
        break;
    case 't':
        showMsec = !showMsec;
        glutPostRedisplay();
        break;
    case 27: // Escape
    case 'q':
        std::exit(0);
    default:
        std::cout << "key: " << key << '(' << static_cast<unsigned>(key) << ')' << std::endl;
        break;
    }
}

} // namespace vela
