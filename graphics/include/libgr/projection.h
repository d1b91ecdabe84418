// The scene's perspective projection: a diagonal field of view with aspect and clipping
// distances (grPerspective), and the six glFrustum values derived from it (grFrustum).
#pragma once

namespace libgr {

/// The six values glFrustum takes, in its order.
struct grFrustum {
    /// Edges of the near rectangle in eye coordinates, then the near and far distances.
    ///@{
    double left, right, bottom, top, near, far;
    ///@}
};

/// Perspective described by the diagonal field of view. Note that the default fov is 90.0
/// radians, not degrees: tan(45.0) = 1.6197... gives the wide (about 116.6 degree diagonal)
/// view the scene is framed for.
struct grPerspective {
    double fov = 90.0;                  ///< diagonal field of view, radians
    double aspect = 1.3333333333333333; ///< width / height
    double near = 0.1;                  ///< distance of the near clipping plane
    double far = 1000.1;                ///< distance of the far clipping plane

    /// aspect = width / height (no check: a height of 0 gives an infinite aspect).
    void setAspect(double width, double height);
    /// fov from a focal length for a 36 x 24 frame (same unit, usually millimetres).
    void setFocalLength(double focal);
    /// The focal length for a 36 x 24 frame that gives the current fov.
    double focalLength() const;
    /// The near rectangle whose half-diagonal is near * tan(fov / 2), width / height = aspect.
    grFrustum frustum() const;
};

/// glFrustum with the record's values: multiplies the current matrix, so the caller selects
/// the projection matrix and loads the identity first. Needs a current GL context.
void applyFrustum(const grFrustum& f);

} // namespace libgr
