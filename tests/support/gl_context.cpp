#include "gl_context.h"

#include <GL/freeglut.h>

#include <gtest/gtest.h>

namespace testgl {

int ensureContext() {
    static int window = 0;
    if (window == 0) {
        int argc = 1;
        char name[] = "gltest";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(64, 64);
        window = glutCreateWindow("gltest");
    }
    glutSetWindow(window);
    return window;
}

unsigned drainErrors() {
    GLenum first = glGetError();
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
    return first;
}

} // namespace testgl

// The context is made in SetUp, not at start-up, so that listing the tests (which CTest
// does at build time) needs no display.
struct GlEnvironment : ::testing::Environment {
    void SetUp() override { testgl::ensureContext(); }
};

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GlEnvironment);
    return RUN_ALL_TESTS();
}
