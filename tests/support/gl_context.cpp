#include "gl_context.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <gtest/gtest.h>

namespace testgl {
namespace {
int g_window = 0;
} // namespace

int ensureContext() {
    if (g_window == 0) {
        int argc = 1;
        char name[] = "gltest";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(64, 64);
        g_window = glutCreateWindow("gltest");
    }
    glutSetWindow(g_window);
    return g_window;
}

int window() {
    return g_window;
}

unsigned drainErrors() {
    GLenum first = GL_NO_ERROR;
    for (int i = 0; i < 32; ++i) {
        const GLenum e = glGetError();
        if (e == GL_NO_ERROR)
            break;
        if (first == GL_NO_ERROR)
            first = e;
    }
    return first;
}

namespace {
// The context is made in SetUp, not at start-up, so that listing the tests (which CTest
// does at build time) needs no display.
class GlEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ensureContext(); }
};
} // namespace

} // namespace testgl

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new testgl::GlEnvironment);
    return RUN_ALL_TESTS();
}
