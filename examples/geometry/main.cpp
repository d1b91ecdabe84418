// geometry: a camera pose and a perspective worked out with libgr's geometry kit alone, no
// window and no GL context. Prints what it found and exits 0 when every check holds, 1 when
// one fails.

#include "libgr/geometry.h"
#include "libgr/projection.h"
#include "libutils/version.h"

#include <cmath>
#include <cstdio>
#include <cstring>

static_assert(__cplusplus >= 201703L, "the libraries ask their users for C++17");
static_assert(PLUVINA_VERSION_MAJOR == 0, "this example was written for the 0.x series");

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    failures += ok ? 0 : 1;
}

bool near(const libgr::grVec3& a, const libgr::grVec3& b) {
    return libgr::length(a - b) < 1e-4f;
}

// Where `pose` takes the point p: R * p + t.
libgr::grVec3 apply(const libgr::grPose& pose, const libgr::grVec3& p) {
    return libgr::transformPoint(pose.rot.matrix(), p) + pose.trans;
}

} // namespace

int main() {
    check(std::strcmp(PLUVINA_VERSION_STRING, EXPECTED_VERSION) == 0,
          "the version header matches the package version");

    // A camera turned a quarter turn about y and moved back: undoing the pose returns a
    // point where it was, and the turn takes the x axis to -z.
    const libgr::grPose camera(libgr::grRotation(90.0f, libgr::grVec3(0.0f, 1.0f, 0.0f)),
                               libgr::grVec3(0.0f, 0.0f, 5.0f));
    const libgr::grVec3 p(1.0f, 2.0f, 3.0f);
    check(near(apply(camera.inverse(), apply(camera, p)), p),
          "the inverse pose takes a point back where it was");
    check(near(apply(camera, libgr::grVec3(1.0f, 0.0f, 0.0f)), libgr::grVec3(0.0f, 0.0f, 4.0f)),
          "a quarter turn about y takes x to -z, then the move adds 5 to z");

    // The perspective's near rectangle is centred and has the aspect asked for.
    libgr::grPerspective view;
    view.setAspect(640.0, 480.0);
    const libgr::grFrustum f = view.frustum();
    check(f.left == -f.right && f.bottom == -f.top, "the frustum is centred");
    check(std::fabs((f.right - f.left) / (f.top - f.bottom) - 640.0 / 480.0) < 1e-9,
          "the frustum has the window's aspect");
    std::printf("pluvina %s: frustum %.4f %.4f %.4f %.4f %.1f %.1f\n", PLUVINA_VERSION_STRING,
                f.left, f.right, f.bottom, f.top, f.near, f.far);
    return failures == 0 ? 0 : 1;
}
