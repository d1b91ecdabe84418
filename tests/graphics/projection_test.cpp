#include "libgr/projection.h"

#include <gtest/gtest.h>

#include <cmath>

using libgr::grPerspective;

TEST(Perspective, FrustumOf640x480) {
    grPerspective p;
    p.setAspect(640.0, 480.0);
    const libgr::grFrustum f = p.frustum();
    EXPECT_NEAR(f.left, -0.12958201524350893, 1e-15);
    EXPECT_NEAR(f.right, 0.12958201524350893, 1e-15);
    EXPECT_NEAR(f.bottom, -0.0971865114326317, 1e-15);
    EXPECT_NEAR(f.top, 0.0971865114326317, 1e-15);
    EXPECT_EQ(f.near, 0.1);
    EXPECT_EQ(f.far, 1000.1);

    // A square window: the half-diagonal near * tan(45) splits evenly.
    p.setAspect(300.0, 300.0);
    EXPECT_NEAR(p.frustum().right, 0.1 * std::tan(45.0) / std::sqrt(2.0), 1e-15);
}

TEST(Perspective, FocalLength) {
    grPerspective p;
    p.setFocalLength(50.0);
    EXPECT_NEAR(p.fov, 0.8166919752489159, 1e-15);
    EXPECT_NEAR(p.focalLength(), 50.0, 1e-12);
    // The half diagonal of the 36 x 24 frame gives a 90-degree diagonal.
    p.setFocalLength(std::sqrt(18.0 * 18.0 + 12.0 * 12.0));
    EXPECT_NEAR(p.fov, std::acos(-1.0) / 2.0, 1e-12);
}
