#include "libgr/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace libgr;

namespace {

float diff(const grVec3& a, const grVec3& b) {
    return std::max({std::fabs(a.x - b.x), std::fabs(a.y - b.y), std::fabs(a.z - b.z)});
}

float diff(const grMatrix4& a, const grMatrix4& b) {
    float d = 0.0f;
    for (int i = 0; i < 16; ++i)
        d = std::max(d, std::fabs(a.m[i] - b.m[i]));
    return d;
}

} // namespace

TEST(Geometry, VectorsByHand) {
    const grVec3 a(1, 2, 3), b(4, -5, 6);
    EXPECT_EQ(dot(a, b), 12.0f);
    EXPECT_EQ(cross(a, b), grVec3(27, 6, -13));
    EXPECT_EQ(grVec3(a) += b, grVec3(5, -3, 9));
    EXPECT_EQ(grVec3(a) -= b, grVec3(-3, 7, -3));
    EXPECT_NE(a, grVec3(1, 2, 4));
    EXPECT_FALSE(allEqual(grVec3(0, 0, 1), 0.0f));
    EXPECT_EQ(normalized(grZeroVector), grZeroVector);
    EXPECT_LT(diff(directionOf(0, 3, 4, -2), grVec3(0, -0.6f, -0.8f)), 1e-6f);
    EXPECT_LT(diff(directionOf(0, 3, 4, 0), grVec3(0, 0.6f, 0.8f)), 1e-6f);
    // Truncation moves negative values toward zero; exact multiples stay put.
    EXPECT_EQ(snapUp(grVec3(7.5f, -7.5f, 8), grVec3(2, 3, 2)), grVec3(8, -6, 8));
    const grRect r(grVec2(-1, 5), grVec2(3, -2));
    EXPECT_EQ((std::vector<float>{r.minX, r.minY, r.maxX, r.maxY}),
              (std::vector<float>{-1, -2, 3, 5}));
}

// The rotation matrix itself is checked against glRotatef in the GL state tests.
TEST(Geometry, RotationsComposeAndConvert) {
    // Turning back can round the quaternion's w one ulp past 1, where acos is NaN.
    for (float angle : {30.0f, 8.0f, 17.5f, 19.0f, 21.25f, 24.0f, 0.25f}) {
        grRotation there(angle, grVec3(0, 0, 1));
        EXPECT_NEAR(there.compose(there.inverse()).angle, 0.0f, 0.05f) << angle;
    }
    const float s = 1.0f / std::sqrt(3.0f);
    const grRotation rx(90, grVec3(1, 0, 0)), ry(90, grVec3(0, 1, 0));
    grRotation xy = rx, yx = rx;
    EXPECT_NEAR(xy.compose(ry).angle, 120.0f, 1e-4f); // x first, then y
    EXPECT_LT(diff(xy.axis, grVec3(s, s, -s)), 1e-6f);
    EXPECT_LT(diff(yx.composeBefore(ry).axis, grVec3(s, s, s)), 1e-6f);
    EXPECT_LT(diff(xy.composeInverse(ry).matrix(), rx.matrix()), 1e-5f);
    EXPECT_FALSE(grRotation(0, grVec3(0, 1, 0)).isNonTrivial());
    EXPECT_FALSE(grRotation(45, grZeroVector).isNonTrivial());
    for (const grRotation& r : {rx, grRotation(-150, normalized(grVec3(1, 1, 0))),
                                grRotation(73, normalized(grVec3(1, -2, 0.5f)))}) {
        EXPECT_LT(diff(grQuaternion::fromRotation(r).toMatrix(), r.matrix()), 1e-5f);
        EXPECT_LT(diff(grQuaternion::fromMatrix(r.matrix()).toRotation().matrix(), r.matrix()),
                  1e-5f);
        EXPECT_LT(diff(grRotation::fromMatrix(r.matrix()).matrix(), r.matrix()), 1e-5f);
    }
    grMatrix4 doubled = grIdentityMatrix; // a trace beyond 3 has no arc cosine: no rotation
    doubled.m[0] = doubled.m[5] = doubled.m[10] = 2.0f;
    EXPECT_EQ(grRotation::fromMatrix(doubled).angle, 0.0f);
}

TEST(Geometry, PosesAndMatrices) {
    grPose p(grRotation(90, grVec3(0, 0, 1)), grVec3(5, 5, 5));
    EXPECT_EQ(p.translateBack(grVec3(1, 2, 3)).translation(), grVec3(4, 3, 2));
    p.translateLocal(grVec3(1, 2, 3)); // the pose's x axis points along world y
    EXPECT_LT(diff(p.translation(), grVec3(2, 4, 5)), 1e-6f);

    const grPose a(grRotation(60, normalized(grVec3(1, 0, 1))), grVec3(1, 2, 3));
    const grPose b(grRotation(-25, grVec3(0, 1, 0)), grVec3(-4, 0.5f, 2));
    const auto apply = [](const grPose& pose, const grVec3& v) {
        return transformPoint(pose.rot.matrix(), v) + pose.trans;
    };
    const grVec3 q(0.3f, -1.2f, 2.5f);
    const grPose ab = grPose::composed(a, b); // a, then b
    EXPECT_LT(diff(apply(ab, q), apply(b, apply(a, q))), 1e-5f);
    EXPECT_LT(diff(apply(a.inverse(), apply(a, q)), q), 1e-5f);
    EXPECT_LT(diff(apply(grPose::composedInverse(ab, b), q), apply(a, q)), 1e-4f);
    grMatrix4 m = a.rot.matrix();
    m.m[12] = 1;
    m.m[13] = 2;
    m.m[14] = 3;
    EXPECT_LT(diff(apply(grPose::fromMatrix(m), q), apply(a, q)), 1e-5f);
    EXPECT_LT(diff(transformPoint(inverse(m), transformPoint(m, q)), q), 1e-5f);
    // Triangular in storage order: the determinant is the product of the diagonal.
    const grMatrix4 tri{{1, 2, 3, 4, 0, 5, 6, 7, 0, 0, 8, 9, 0, 0, 0, 10}};
    EXPECT_EQ((std::vector<float>{determinant(tri), transpose(tri).m[4], transpose(tri).m[15]}),
              (std::vector<float>{400, 2, 10}));
}
