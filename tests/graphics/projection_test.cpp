#include "libgr/projection.h"

#include <gtest/gtest.h>

#include <cmath>

using libgr::grFrustum;
using libgr::grPerspective;

TEST(Perspective, DefaultsAndFrustum) {
    grPerspective p;
    EXPECT_EQ(p.fov, 90.0);
    EXPECT_EQ(p.aspect, 4.0 / 3.0);
    EXPECT_EQ(p.near, 0.1);
    EXPECT_EQ(p.far, 1000.1);

    p.setAspect(640.0, 480.0);
    EXPECT_DOUBLE_EQ(p.aspect, 4.0 / 3.0);
    const grFrustum f = p.frustum();
    EXPECT_NEAR(f.left, -0.12958201524350893, 1e-15);
    EXPECT_NEAR(f.right, 0.12958201524350893, 1e-15);
    EXPECT_NEAR(f.bottom, -0.0971865114326317, 1e-15);
    EXPECT_NEAR(f.top, 0.0971865114326317, 1e-15);
    EXPECT_EQ(f.near, 0.1);
    EXPECT_EQ(f.far, 1000.1);
    // The field of view spans the diagonal: the near corner lies near * tan(fov / 2) out.
    EXPECT_NEAR(std::hypot(f.right, f.top), 0.1 * std::tan(45.0), 1e-15);

    grPerspective square;
    square.setAspect(300.0, 300.0);
    const grFrustum s = square.frustum();
    EXPECT_NEAR(s.top, 0.1 * std::tan(45.0) / std::sqrt(2.0), 1e-15);
    EXPECT_NEAR(s.right, s.top, 1e-15);
    EXPECT_NEAR(s.left, -s.top, 1e-15);

    // A zero height: infinite aspect, a degenerate (zero-height) frustum, no crash.
    grPerspective flat;
    flat.setAspect(640.0, 0.0);
    EXPECT_TRUE(std::isinf(flat.aspect));
    EXPECT_EQ(flat.frustum().top, 0.0);
}

TEST(Perspective, FocalLength) {
    grPerspective p;
    p.setFocalLength(50.0);
    EXPECT_NEAR(p.fov, 0.8166919752489159, 1e-15);
    EXPECT_NEAR(p.focalLength(), 50.0, 1e-12);
    // Focal length equal to the half diagonal of the 36 x 24 frame: a 90-degree diagonal.
    p.setFocalLength(std::sqrt(18.0 * 18.0 + 12.0 * 12.0));
    EXPECT_NEAR(p.fov, std::acos(-1.0) / 2.0, 1e-12);
    p.fov = 1.2;
    EXPECT_NEAR(p.focalLength(), 21.633307652783937 / std::tan(0.6), 1e-12);
}
