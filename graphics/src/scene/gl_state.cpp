// GL state guards (matrix mode, matrices with their overflow stacks, glBegin/glEnd) and the
// thin wrappers that hand geometry records to GL.
#include "libgr/gl_state.h"

#include <iostream>

namespace libgr {

namespace {

enum StackIndex { kModelview = 0, kProjection = 1, kTexture = 2 };

// Built on first use, and forced before main by `g_recordsBuilt` below, so a guard used
// during another translation unit's static initialisation still finds them.
grMatrixStack* records() {
    static grMatrixStack stacks[3] = {
        {GL_MODELVIEW,
         GL_MAX_MODELVIEW_STACK_DEPTH,
         GL_MODELVIEW_STACK_DEPTH,
         GL_MODELVIEW_MATRIX,
         0,
         {}},
        {GL_PROJECTION,
         GL_MAX_PROJECTION_STACK_DEPTH,
         GL_PROJECTION_STACK_DEPTH,
         GL_PROJECTION_MATRIX,
         0,
         {}},
        {GL_TEXTURE, GL_MAX_TEXTURE_STACK_DEPTH, GL_TEXTURE_STACK_DEPTH, GL_TEXTURE_MATRIX, 0, {}},
    };
    return stacks;
}

const bool g_recordsBuilt = (records(), true);

bool g_depthChecking = false;

} // namespace

// ---- guards ----

grMatrixModeGuard::grMatrixModeGuard(GLenum mode) {
    if (mode == 0)
        return;
    GLint current = 0;
    glGetIntegerv(GL_MATRIX_MODE, &current);
    if (static_cast<GLenum>(current) != mode) {
        glMatrixMode(mode);
        saved_ = current;
    }
}

void grMatrixModeGuard::restore() {
    if (saved_ != 0) {
        glMatrixMode(static_cast<GLenum>(saved_));
        saved_ = 0;
    }
}

bool grMatrixStack::hasRoom() const {
    if (maxDepth == 0)
        return true;
    GLint depth = 0;
    glGetIntegerv(depthQuery, &depth);
    return depth < maxDepth;
}

grMatrixStack& matrixStackFor(GLenum mode) {
    (void)g_recordsBuilt;
    if (mode == 0) {
        GLint current = 0;
        glGetIntegerv(GL_MATRIX_MODE, &current);
        mode = static_cast<GLenum>(current);
    }
    switch (mode) {
    case GL_MODELVIEW:
        return records()[kModelview];
    case GL_PROJECTION:
        return records()[kProjection];
    case GL_TEXTURE:
        return records()[kTexture];
    default:
        break;
    }
    // Lower-case hex only for this line: the caller's formatting is put back afterwards, so
    // later numbers on standard output are not printed in hex.
    const std::ios_base::fmtflags flags = std::cout.flags();
    const std::streamsize width = std::cout.width(0);
    std::cout << std::hex << std::nouppercase << std::noshowbase << mode
              << ": unknown enum! fall back to modelview.\n";
    std::cout.flush();
    std::cout.flags(flags);
    std::cout.width(width);
    return records()[kModelview];
}

void setDepthChecking(bool on) {
    g_depthChecking = on;
    grMatrixStack* stacks = records();
    for (int i = 0; i < 3; ++i) {
        stacks[i].maxDepth = 0;
        if (on)
            glGetIntegerv(stacks[i].maxDepthQuery, &stacks[i].maxDepth);
    }
}

bool depthChecking() {
    return g_depthChecking;
}

grMatrixGuard::grMatrixGuard(GLenum mode) : modeGuard_(mode), stack_(matrixStackFor(mode)) {
    if (stack_.hasRoom()) {
        glPushMatrix();
        pushed_ = true;
    } else {
        // If growing the vector throws, modeGuard_ (already built) puts the mode back.
        stack_.overflow.push_back(grMatrix4{});
        glGetFloatv(stack_.matrixQuery, stack_.overflow.back().m);
        pushed_ = false;
    }
}

grMatrixGuard::~grMatrixGuard() {
    if (pushed_) {
        glPopMatrix();
    } else if (!stack_.overflow.empty()) {
        glLoadMatrixf(stack_.overflow.back().m);
        stack_.overflow.pop_back();
    }
}

grPrimitiveGuard::grPrimitiveGuard(GLenum primitive) {
    glBegin(primitive);
}
grPrimitiveGuard::~grPrimitiveGuard() {
    glEnd();
}

// ---- wrappers ----

void translate(const grVec3& v) {
    glTranslatef(v.x, v.y, v.z);
}

void rotate(const grRotation& r) {
    glRotatef(r.angle, r.axis.x, r.axis.y, r.axis.z);
}

void clearColor(const grColor& c) {
    glClearColor(c.red, c.green, c.blue, c.alpha);
}

void color(const GLfloat* rgba) {
    glColor4fv(rgba);
}

void color(const grColor& c) {
    glColor4fv(c.data());
}

void light(GLenum light, GLenum parameter, const GLfloat* values) {
    glLightfv(light, parameter, values);
}

void lightPosition(GLenum light, const grVec3& p) {
    const grColor position(p.x, p.y, p.z); // w = 0: a directional light from p
    glLightfv(light, GL_POSITION, position.data());
}

void material(GLenum face, GLenum parameter, const GLfloat* values) {
    glMaterialfv(face, parameter, values);
}

void material(GLenum face, GLenum parameter, GLfloat value) {
    glMaterialf(face, parameter, value);
}

void begin(GLenum primitive) {
    glBegin(primitive);
}

void end() {
    glEnd();
}

void getInteger(GLenum parameter, GLint* out) {
    glGetIntegerv(parameter, out);
}

} // namespace libgr
