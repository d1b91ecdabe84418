// Frame cost of the finished scene, in one process with a real GLUT window: the program's own
// drawing (Pluvina::display through the framework and libgr) against a baseline written here
// that issues the same picture as straight OpenGL calls (same view and light, the same two
// textured squares uploaded once with gluBuild2DMipmaps, the same drops from one display list
// of glutSolidSphere, the same overlay text), measured in the same run. Also how the cost
// grows with the number of visible drops and with the window size.
//
// Each frame is display + glFinish, so the time covers the whole frame, swap included. The
// drawers take turns in the same iterations and are timed frame by frame (see framesSideBySide);
// a benchmark's own time is that of one frame of each. The baseline issues the scene's
// command stream, glFlush after each photograph included; a variant without those flushes
// is timed alongside, since on a threaded rasterizer a flush changes the cost of a frame.
// Before timing, one frame of each is drawn and read back: the two pictures must agree.
//
// Run from the folder that holds the two photographs (build/app) with a display; see
// scripts/bench.sh, which also turns the results into project / baseline ratios.
#include "pluvina.h"

#include "vela/gluty.h"
#include "vela/overlay.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Running time the scene is frozen at, so every frame shows the same drops.
constexpr std::uint32_t kSceneTimeMs = 5000;
// How long a drop launched at 240 units/s up and out stays above the hiding height -128.
constexpr std::uint32_t kFlightMs = 1300;

Pluvina* g_scene = nullptr;
int g_width = 0;
int g_height = 0;

void noop() {}
void noopReshape(int, int) {}

// Lets GLUT handle what X sent (map, configure) without running the scene's callbacks.
void pumpEvents(int rounds) {
    for (int i = 0; i < rounds; ++i) {
        glutMainLoopEvent();
        glFinish();
    }
}

// ---- the baseline: the same picture, straight OpenGL ------------------------------------

struct Baseline {
    GLuint textures[2] = {0, 0};
    GLuint dropList = 0;
    std::uint32_t frameCount = 0;
    std::uint32_t lastSecond = 0;
    std::uint32_t framesPerSecond = 0;
    std::vector<float> drops; // x, y, z per visible drop, in drawing order
};
Baseline g_base;

// A 24-bit bottom-up BMP into one texture with mipmaps. Only what the sample photographs
// need; anything else leaves the texture name 0 (and the comparison below will say so).
GLuint loadTexture(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(file[at] | file[at + 1] << 8 | file[at + 2] << 16 |
                                          static_cast<std::uint32_t>(file[at + 3]) << 24);
    };
    if (file.size() < 54 || file[28] != 24 || u32(30) != 0)
        return 0;
    const std::uint32_t offset = u32(10);
    const int width = static_cast<int>(u32(18));
    const int height = static_cast<int>(u32(22));
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    if (width <= 0 || height <= 0 || offset + stride * height > file.size())
        return 0;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, width, height, GL_BGR, GL_UNSIGNED_BYTE,
                      file.data() + offset);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return name;
}

void baselineSetup() {
    g_base.textures[0] = loadTexture("p6155961.bmp");
    g_base.textures[1] = loadTexture("p6155955.bmp");
    g_base.dropList = glGenLists(1);
    glNewList(g_base.dropList, GL_COMPILE);
    glColor4f(0.0f, 1.0f, 1.0f, 0.5f);
    glutSolidSphere(10.0, 10, 10);
    glEndList();
}

// The scene's projection: a diagonal field of view of 90 (radians, as the scene has it),
// near 0.1, far 1000.1.
void baselineReshape(int width, int height) {
    glViewport(0, 0, width, height);
    const double aspect = static_cast<double>(width) / height;
    const double halfDiagonal = 0.1 * std::tan(90.0 / 2.0);
    const double halfH = halfDiagonal / std::sqrt(1.0 + aspect * aspect);
    const double halfW = halfH * aspect;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-halfW, halfW, -halfH, halfH, 0.1, 1000.1);
    glMatrixMode(GL_MODELVIEW);
}

// The scene flushes after each photograph; the baseline issues the same command stream. The
// unflushed variant shows what those two glFlush calls themselves cost or save.
bool g_flush = true;

void texturedSquare(GLuint texture) {
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-256.0f, -256.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(256.0f, -256.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(256.0f, 256.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-256.0f, 256.0f);
    glEnd();
    if (g_flush)
        glFlush();
    glDisable(GL_TEXTURE_2D);
}

void text(float x, float y, const std::string& s) {
    glRasterPos2f(x, y);
    for (const char c : s)
        glutBitmapCharacter(GLUT_BITMAP_HELVETICA_10, static_cast<unsigned char>(c));
}

void baselineFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -500.0f);

    static const GLfloat lightPos[] = {0.0f, 500.0f, 0.0f, 0.0f};
    static const GLfloat ambient[] = {0.18f, 0.18f, 0.18f, 1.0f};
    static const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPos);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightf(GL_LIGHT0, GL_LINEAR_ATTENUATION, 1.0f);
    glEnable(GL_LIGHTING);
    glColor4fv(white);

    glPushMatrix();
    glTranslatef(0.0f, 0.0f, -256.0f);
    texturedSquare(g_base.textures[0]);
    glPopMatrix();
    glPushMatrix();
    glTranslatef(0.0f, -256.0f, 0.0f);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    texturedSquare(g_base.textures[1]);
    glPopMatrix();

    for (std::size_t i = 0; i + 2 < g_base.drops.size(); i += 3) {
        glPushMatrix();
        glTranslatef(g_base.drops[i], g_base.drops[i + 1], g_base.drops[i + 2]);
        glCallList(g_base.dropList);
        glPopMatrix();
    }

    // Overlay: the same projection, text and places as the scene's.
    glDisable(GL_LIGHTING);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float r = static_cast<float>(viewport[3]) / static_cast<float>(viewport[2]);
    glFrustum(-1.0, 1.0, -r, r, 1.0, 1000.0);
    glTranslatef(-512.0f, -512.0f, -512.0f);
    const std::uint32_t now = glutGet(GLUT_ELAPSED_TIME);
    ++g_base.frameCount;
    if (now / 1000 != g_base.lastSecond) {
        g_base.lastSecond = now / 1000;
        g_base.framesPerSecond = g_base.frameCount;
        g_base.frameCount = 0;
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    text(100.0f, -r * 512.0f + 512.0f + 10.0f, std::to_string(g_base.framesPerSecond) + " fps");
    text(100.0f, r * 512.0f + 512.0f - 20.0f, std::to_string(kSceneTimeMs) + " msec");
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    glutSwapBuffers();
}

// ---- the scene, frozen --------------------------------------------------------------------

// The window at width x height, with both the scene's and the baseline's projection.
void useSize(int width, int height) {
    if (width != g_width || height != g_height) {
        glutReshapeWindow(width, height);
        for (int i = 0; i < 200; ++i) {
            pumpEvents(1);
            if (glutGet(GLUT_WINDOW_WIDTH) == width && glutGet(GLUT_WINDOW_HEIGHT) == height)
                break;
        }
        g_width = width;
        g_height = height;
    }
    g_scene->reshape(width, height);
}

void resetFountain(Fountain& f) {
    f.drops.assign(Fountain::kDrops, DropState{});
    f.lastTick = Fountain::kNoTick;
    f.nextDrop = 0;
}

// The drops exactly as the running program has them after kSceneTimeMs of idle steps at
// about 60 per second in a 640 x 480 window.
void naturalDrops() {
    resetFountain(g_scene->fountainA);
    resetFountain(g_scene->fountainB);
    for (std::uint32_t t = 0; t <= kSceneTimeMs; t += 16) {
        g_scene->fountainA.update(t, 480);
        g_scene->fountainB.update(t, 480);
    }
    g_scene->fountainA.update(kSceneTimeMs, 480);
    g_scene->fountainB.update(kSceneTimeMs, 480);
}

// `total` drops in flight, split over the two fountains: each ring made that long, with
// launches spread over one flight time and launch directions turning as the fountain turns
// them; the fountain's own update then places them.
void manyDrops(std::uint32_t total) {
    Fountain* const fountains[2] = {&g_scene->fountainA, &g_scene->fountainB};
    for (int k = 0; k < 2; ++k) {
        Fountain& f = *fountains[k];
        const std::uint32_t n = total / 2;
        const float sign = f.forward ? 1.0f : -1.0f;
        const float speed = 240.0f; // half the smaller window side, as the fountain does
        f.drops.assign(n, DropState{});
        for (std::uint32_t i = 0; i < n; ++i) {
            const double angle = sign * 25.0 * i * 0.017453292519943122;
            DropState& d = f.drops[i];
            d.birth = kSceneTimeMs - 1 - (i * (kFlightMs - 1)) / n;
            d.velocity = libgr::grVec3(speed * static_cast<float>(std::cos(angle)), speed,
                                       -speed * static_cast<float>(std::sin(angle)));
        }
        f.lastTick = kSceneTimeMs / Fountain::kTickMs; // no launch in the update below
        f.nextDrop = 0;
        f.update(kSceneTimeMs, 480);
    }
}

// Hands the scene's drops, in its drawing order, to the baseline; answers how many show.
int shareDrops() {
    g_base.drops.clear();
    for (const Fountain* f : {&g_scene->fountainA, &g_scene->fountainB}) {
        for (const DropState& d : f->drops) {
            if (d.position.x == 0.0f && d.position.y == 0.0f && d.position.z == 0.0f)
                continue; // hidden
            g_base.drops.insert(g_base.drops.end(), {d.position.x, d.position.y, d.position.z});
        }
    }
    return static_cast<int>(g_base.drops.size() / 3);
}

void projectFrame() {
    g_scene->display();
}

void setUp() {
    static char name[] = "frame_bench";
    int argc = 1;
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    // Lives until the process ends, like the program's own scene.
    g_scene = new Pluvina(argc, argv);
    vela::glutyRegistry::instance()->addWindow(g_scene, name);
    glutDisplayFunc(noop);
    glutReshapeFunc(noopReshape);
    pumpEvents(20);
    g_width = 640;
    g_height = 480;
    baselineSetup();
    g_scene->elapsed = kSceneTimeMs;
}

// ---- the check that both draw the same picture --------------------------------------------

std::vector<unsigned char> frontBuffer(int width, int height) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
    glReadBuffer(GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Share of pixels (outside the two overlay lines, whose numbers differ) that differ by more
// than a rounding step; -1 when the baseline lost a texture.
double pictureDifference() {
    if (g_base.textures[0] == 0 || g_base.textures[1] == 0)
        return -1.0;
    useSize(640, 480);
    naturalDrops();
    shareDrops();
    projectFrame();
    glFinish();
    const std::vector<unsigned char> a = frontBuffer(640, 480);
    useSize(640, 480);
    baselineReshape(640, 480);
    baselineFrame();
    glFinish();
    const std::vector<unsigned char> b = frontBuffer(640, 480);
    glReadBuffer(GL_BACK);
    long differ = 0;
    long total = 0;
    for (int y = 24; y < 480 - 24; ++y) {
        for (int x = 0; x < 640; ++x, ++total) {
            const std::size_t at = (static_cast<std::size_t>(y) * 640 + x) * 3;
            for (int c = 0; c < 3; ++c) {
                if (std::abs(a[at + c] - b[at + c]) > 2) {
                    ++differ;
                    break;
                }
            }
        }
    }
    return static_cast<double>(differ) / total;
}

// ---- benchmarks ---------------------------------------------------------------------------

double median(std::vector<double> v) {
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// Each iteration draws one frame of the scene, one of the baseline and one of the baseline
// without its two flushes, in rotating order, timing each frame (display + glFinish) on its
// own. On a shared machine the load changes from second to second; drawing them side by side
// lets all see the same load, and the medians of the frame times shrug off the bursts.
// Reports the three medians (ms), project / baseline and project / unflushed baseline.
void framesSideBySide(benchmark::State& state, int visible) {
    using Clock = std::chrono::steady_clock;
    // The same matrix the scene's reshape has set (the picture check holds them equal).
    baselineReshape(g_width, g_height);
    std::vector<double> times[3]; // project, baseline, baseline without flushes
    int first = 0;
    for (auto _ : state) {
        for (int k = 0; k < 3; ++k) {
            const int who = (first + k) % 3;
            g_flush = who == 1;
            const Clock::time_point start = Clock::now();
            if (who == 0)
                projectFrame();
            else
                baselineFrame();
            glFinish();
            times[who].push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        first = (first + 1) % 3;
    }
    g_flush = true;
    const double p = median(times[0]);
    const double b = median(times[1]);
    const double u = median(times[2]);
    state.counters["project_ms"] = p;
    state.counters["baseline_ms"] = b;
    state.counters["noflush_ms"] = u;
    state.counters["ratio"] = b > 0.0 ? p / b : 0.0;
    state.counters["ratio_noflush"] = u > 0.0 ? p / u : 0.0;
    state.counters["drops"] = visible;
    state.counters["pixels"] = static_cast<double>(g_width) * g_height;
}

// The finished scene at 640 x 480.
void BM_Scene(benchmark::State& state) {
    useSize(640, 480);
    naturalDrops();
    framesSideBySide(state, shareDrops());
}

// Growing drop count at 640 x 480. Arg: drops in flight.
void BM_Drops(benchmark::State& state) {
    useSize(640, 480);
    manyDrops(static_cast<std::uint32_t>(state.range(0)));
    framesSideBySide(state, shareDrops());
}

// Growing window, the scene's own drops. Arg: width (the height is 3/4 of it).
void BM_Size(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    useSize(width, width * 3 / 4);
    naturalDrops();
    framesSideBySide(state, shareDrops());
}

BENCHMARK(BM_Scene)->MinTime(1.0)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Drops)
    ->ArgName("drops")
    ->Arg(100)
    ->Arg(400)
    ->Arg(1600)
    ->MinTime(1.0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Size)
    ->ArgName("width")
    ->Arg(320)
    ->Arg(640)
    ->Arg(1280)
    ->MinTime(1.0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    setUp();
    std::fprintf(stderr, "frame_bench: GL renderer %s, version %s\n",
                 reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                 reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    const double difference = pictureDifference();
    std::fprintf(stderr, "frame_bench: %d drops shown; pictures differ in %.3f%% of pixels\n",
                 shareDrops(), difference * 100.0);
    if (difference < 0.0 || difference > 0.01) {
        std::fprintf(stderr, "frame_bench: the baseline does not draw the scene's picture "
                             "(run it from the folder with the photographs)\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
