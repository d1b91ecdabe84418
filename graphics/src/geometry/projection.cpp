// The perspective projection: the frustum from a field of view and aspect, and its GL call.
#include "libgr/projection.h"

#include <GL/gl.h>

#include <cmath>

namespace libgr {

namespace {
// Half the diagonal of a 36 x 24 frame: sqrt(18^2 + 12^2).
constexpr double kHalfFrameDiagonal = 21.633307652783937;
} // namespace

void grPerspective::setAspect(double width, double height) {
    aspect = width / height;
}

void grPerspective::setFocalLength(double focal) {
    fov = 2.0 * std::atan2(kHalfFrameDiagonal, focal);
}

double grPerspective::focalLength() const {
    return kHalfFrameDiagonal / std::tan(fov * 0.5);
}

grFrustum grPerspective::frustum() const {
    const double t = std::tan(fov * 0.5);
    const double s = std::sqrt(aspect * aspect + 1.0);
    const double a = t * far / s;
    const double r = near / far;
    grFrustum f;
    f.top = a * r;
    f.bottom = -f.top;
    f.right = a * aspect * r;
    f.left = -f.right;
    f.near = near;
    f.far = far;
    return f;
}

void applyFrustum(const grFrustum& f) {
    glFrustum(f.left, f.right, f.bottom, f.top, f.near, f.far);
}

} // namespace libgr
