// OpenGL state the library's users change and must put back: the matrix-mode guard, the
// matrix guard with its per-mode stack records, a glBegin/glEnd guard, and thin one-call
// wrappers that hand the geometry records and grColor to OpenGL as they stand.
#pragma once

#include "libgr/geometry.h"

#include <GL/gl.h>

#include <vector>

namespace libgr {

/// Red, green, blue, alpha, in the order glColor4fv and glClearColor take them. The
/// three-float form leaves alpha 0, which makes it a homogeneous direction (x, y, z, 0).
struct grColor {
    /// The four components, usually from 0 to 1.
    ///@{
    float red, green, blue, alpha;
    ///@}

    /// All four components 0.
    constexpr grColor() : red(0.0f), green(0.0f), blue(0.0f), alpha(0.0f) {}
    /// The components as given.
    constexpr grColor(float r, float g, float b, float a) : red(r), green(g), blue(b), alpha(a) {}
    /// The three components as given, alpha 0.
    constexpr grColor(float r, float g, float b) : red(r), green(g), blue(b), alpha(0.0f) {}

    /// The four components as an array, for the GL calls that take one.
    ///@{
    float* data() { return &red; }
    const float* data() const { return &red; }
    ///@}
};

/// Switches the matrix mode for a scope and switches back at its end (also on unwinding).
/// Mode 0, or the mode already current, makes no glMatrixMode call at all.
class grMatrixModeGuard {
public:
    /// Remembers the current mode and switches to `mode` (0: stays, restores nothing).
    explicit grMatrixModeGuard(GLenum mode);
    ~grMatrixModeGuard() { restore(); }
    grMatrixModeGuard(const grMatrixModeGuard&) = delete;
    grMatrixModeGuard& operator=(const grMatrixModeGuard&) = delete;

    /// Goes back to the remembered mode, if any. Only the first call does something.
    void restore();

private:
    GLint saved_ = 0; ///< mode to return to; 0 = nothing to restore
};

/// Bookkeeping for one matrix mode. maxDepth 0 means GL's stack depth is not checked;
/// `overflow` holds the matrices saved while GL's own stack was full.
struct grMatrixStack {
    GLenum mode;                     ///< GL_MODELVIEW, GL_PROJECTION or GL_TEXTURE
    GLenum maxDepthQuery;            ///< the glGetIntegerv name of the mode's maximum depth
    GLenum depthQuery;               ///< the glGetIntegerv name of the mode's current depth
    GLenum matrixQuery;              ///< the glGetFloatv name of the mode's current matrix
    GLint maxDepth;                  ///< GL's maximum depth as read; 0 while not checked
    std::vector<grMatrix4> overflow; ///< matrices saved while GL's stack was full, last on top

    /// True when GL's stack for this mode can take one more push.
    bool hasRoom() const;
};

/// The record of `mode` (0 = the current mode). An unknown mode is reported on standard
/// output and falls back to the modelview record.
grMatrixStack& matrixStackFor(GLenum mode);

/// Off at start. On: each record reads its maximum stack depth from GL (needs a current
/// context), so full GL stacks spill into the records' overflow stacks. Off: no checking.
void setDepthChecking(bool on);
/// Whether depth checking is on.
bool depthChecking();

/// Saves the current matrix of `mode` (0 = the current mode) for a scope, switching to that
/// mode for the scope; at its end restores the matrix, then the mode. Guards of one mode
/// must end in reverse order of construction.
class grMatrixGuard {
public:
    /// Switches to `mode` and saves its matrix: glPushMatrix, or a copy into the overflow
    /// stack when depth checking finds GL's stack full.
    explicit grMatrixGuard(GLenum mode = 0);
    ~grMatrixGuard();
    grMatrixGuard(const grMatrixGuard&) = delete;
    grMatrixGuard& operator=(const grMatrixGuard&) = delete;

    /// True when the matrix went onto GL's stack, false when into the overflow stack.
    bool pushed() const { return pushed_; }

private:
    grMatrixModeGuard modeGuard_; // first: restored last, and also if construction fails
    grMatrixStack& stack_;
    bool pushed_ = false;
};

/// glBegin for a scope, with the matching glEnd also when an exception leaves it.
class grPrimitiveGuard {
public:
    /// glBegin(primitive).
    explicit grPrimitiveGuard(GLenum primitive);
    ~grPrimitiveGuard();
    grPrimitiveGuard(const grPrimitiveGuard&) = delete;
    grPrimitiveGuard& operator=(const grPrimitiveGuard&) = delete;
};

// One GL call each; nothing cached, no error queried.
void translate(const grVec3& v);                                     ///< glTranslatef
void rotate(const grRotation& r);                                    ///< glRotatef
void clearColor(const grColor& c);                                   ///< glClearColor
void color(const GLfloat* rgba);                                     ///< glColor4fv
void color(const grColor& c);                                        ///< glColor4fv
void light(GLenum light, GLenum parameter, const GLfloat* values);   ///< glLightfv
void lightPosition(GLenum light, const grVec3& p);                   ///< glLightfv GL_POSITION
void material(GLenum face, GLenum parameter, const GLfloat* values); ///< glMaterialfv
void material(GLenum face, GLenum parameter, GLfloat value);         ///< glMaterialf
void begin(GLenum primitive);                                        ///< glBegin
void end();                                                          ///< glEnd
void getInteger(GLenum parameter, GLint* out);                       ///< glGetIntegerv

} // namespace libgr
