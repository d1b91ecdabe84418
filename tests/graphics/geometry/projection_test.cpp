#include "libgr/projection.h"

#include <gtest/gtest.h>

TEST(Perspective, FrustumOf640x480AndFocalLength) {
    libgr::grPerspective p;
    p.setAspect(640.0, 480.0);
    const libgr::grFrustum f = p.frustum();
    EXPECT_NEAR(f.right, 0.12958201524350893, 1e-15);
    EXPECT_NEAR(f.top, 0.0971865114326317, 1e-15);
    EXPECT_EQ(f.left, -f.right);
    EXPECT_EQ(f.bottom, -f.top);
    EXPECT_EQ(f.near, 0.1);
    EXPECT_EQ(f.far, 1000.1);
    p.setFocalLength(50.0); // millimetres on a 36 x 24 frame
    EXPECT_NEAR(p.fov, 0.8166919752489159, 1e-15);
    EXPECT_NEAR(p.focalLength(), 50.0, 1e-12);
}
