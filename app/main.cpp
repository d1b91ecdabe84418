// The demo: one GLUT window with two fountains of drops in front of two photographs.
#include "pluvina.h"

#include "vela/gluty.h"

#include <GL/freeglut.h>

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    Pluvina scene(argc, argv);
    vela::glutyRegistry::instance()->addWindow(&scene, argv[0]);
    vela::glutyRegistry::instance()->mainLoop(true, true);
    return 0;
}
