#include "libgr/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace libgr;

namespace {

constexpr double kPi = 3.14159265358979323846;

// The matrix glRotatef is documented to build, computed in double, stored column-major.
grMatrix4 referenceRotation(double angleDeg, double ax, double ay, double az) {
    const double len = std::sqrt(ax * ax + ay * ay + az * az);
    const double x = ax / len, y = ay / len, z = az / len;
    const double a = angleDeg * kPi / 180.0, c = std::cos(a), s = std::sin(a);
    const double rows[3][3] = {
        {x * x * (1 - c) + c, x * y * (1 - c) - z * s, x * z * (1 - c) + y * s},
        {y * x * (1 - c) + z * s, y * y * (1 - c) + c, y * z * (1 - c) - x * s},
        {x * z * (1 - c) - y * s, y * z * (1 - c) + x * s, z * z * (1 - c) + c}};
    grMatrix4 m;
    for (int i = 0; i < 9; ++i)
        m.m[4 * (i % 3) + i / 3] = static_cast<float>(rows[i / 3][i % 3]);
    m.m[15] = 1.0f;
    return m;
}

// Column-major product a * b.
grMatrix4 multiply(const grMatrix4& a, const grMatrix4& b) {
    grMatrix4 out;
    for (int i = 0; i < 16; ++i)
        for (int k = 0; k < 4; ++k)
            out.m[i] += a.m[4 * k + i % 4] * b.m[i - i % 4 + k];
    return out;
}

void expectMatrixNear(const grMatrix4& a, const grMatrix4& b, float tol = 2e-6f) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

void expectVecNear(const grVec3& a, const grVec3& b, float tol = 2e-6f) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// Where a pose sends p: R * p + t.
grVec3 apply(const grPose& pose, const grVec3& p) {
    return transformPoint(pose.rot.matrix(), p) + pose.trans;
}

} // namespace

TEST(Vectors, HandComputedValues) {
    const grVec3 a(1, 2, 3), b(4, -5, 6);
    EXPECT_EQ(dot(a, b), 12.0f);
    EXPECT_EQ(cross(a, b), grVec3(27, 6, -13));
    EXPECT_EQ(normalized(grZeroVector), grZeroVector);
    expectVecNear(normalized(grVec3(3, 0, 4)), grVec3(0.6f, 0, 0.8f));
    EXPECT_EQ(triangleNormal(grVec3(0, 0, 0), grVec3(2, 0, 0), grVec3(2, 3, 0)), grVec3(0, 0, 6));
    // Six times the tetrahedron's volume.
    EXPECT_FLOAT_EQ(
        orientedVolume(grVec3(1, 1, 1), grVec3(3, 1, 1), grVec3(1, 4, 1), grVec3(1, 1, 5)), 24.0f);
    EXPECT_EQ(fromHomogeneous(2, 4, 6, 2), grVec3(1, 2, 3));
    expectVecNear(directionOf(0, 3, 4, -2), grVec3(0, -0.6f, -0.8f));
    float out[4] = {9, 9, 9, 9};
    directionOf(0, 0, -5, -1, out);
    EXPECT_EQ(std::vector<float>(out, out + 4), (std::vector<float>{0, 0, 1, 0}));

    // Truncation moves negative values toward zero; exact multiples stay put.
    EXPECT_EQ(snapDown(grVec3(7.5f, -7.5f, 0), 2.0f), grVec3(6, -6, 0));
    EXPECT_EQ(snapUp(grVec3(7.5f, -7.5f, 0), 2.0f), grVec3(8, -6, 0));
    EXPECT_EQ(snapUp(grVec3(8, -6, 2), 2.0f), grVec3(8, -6, 2));
    EXPECT_EQ(snapDown(grVec3(7.5f), grVec3(2, 3, 5)), grVec3(6, 6, 5));
    EXPECT_EQ(snapUp(grVec3(7.5f), grVec3(2, 3, 5)), grVec3(8, 9, 10));

    const grRect r(grVec2(-1, 5), grVec2(3, -2));
    EXPECT_EQ((std::vector<float>{r.minX, r.minY, r.maxX, r.maxY}),
              (std::vector<float>{-1, -2, 3, 5}));
}

TEST(Rotation, MatrixIsTheGlRotateMatrix) {
    const float cases[][4] = {{90, 0, 0, 1},      {-45, 1, 0, 0}, {120, 1, 1, -1},
                              {200, 0.3f, -2, 5}, {0, 1, 2, 3},   {359, -1, 0.5f, 0.25f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        expectMatrixNear(grRotation(c[0], grVec3(c[1], c[2], c[3])).matrix(),
                         referenceRotation(c[0], c[1], c[2], c[3]));
    }
    const grMatrix4 quarter = grRotation(90, grVec3(0, 0, 1)).matrix();
    expectVecNear(transformPoint(quarter, grVec3(1, 0, 0)), grVec3(0, 1, 0));
    // The matrix normalises the axis; a zero axis leaves cos(60) * I.
    expectMatrixNear(grRotation(90, grVec3(0, 0, 2)).matrix(), quarter, 0.0f);
    grMatrix4 half = grIdentityMatrix;
    half.m[0] = half.m[5] = half.m[10] = 0.5f;
    expectMatrixNear(grRotation(60, grZeroVector).matrix(), half);

    EXPECT_FALSE(grRotation(0, grVec3(0, 1, 0)).isNonTrivial());
    EXPECT_FALSE(grRotation(45, grZeroVector).isNonTrivial());
}

TEST(Rotation, Composition) {
    // Turning back can round the quaternion's w one ulp past 1, where acos is NaN; the
    // result must be (close to) no rotation. 0.05 degrees is acos's rounding just below 1.
    for (float angle : {30.0f, 8.0f, 17.5f, 19.0f, 21.25f, 24.0f, 0.25f}) {
        grRotation there(angle, grVec3(0, 0, 1));
        there.compose(grRotation(-angle, grVec3(0, 0, 1)));
        EXPECT_NEAR(there.angle, 0.0f, 0.05f) << angle; // fails for NaN too
    }

    const grRotation rx(90, grVec3(1, 0, 0)), ry(90, grVec3(0, 1, 0));
    const float s = 1.0f / std::sqrt(3.0f);
    grRotation a = rx;
    a.compose(ry); // x first, then y
    EXPECT_NEAR(a.angle, 120.0f, 1e-4f);
    expectVecNear(a.axis, grVec3(s, s, -s));
    grRotation b = rx;
    b.composeBefore(ry); // y first, then x
    EXPECT_NEAR(b.angle, 120.0f, 1e-4f);
    expectVecNear(b.axis, grVec3(s, s, s));

    grRotation c(40, normalized(grVec3(1, 2, 2)));
    const grRotation original = c;
    c.compose(ry).composeInverse(ry);
    expectMatrixNear(c.matrix(), original.matrix(), 1e-5f);

    // Composition takes the axis as it stands: (0,0,2) is not (0,0,1). The product's w is
    // cos^2(15) - 2 sin^2(15), not cos(30).
    grRotation longAxis(30, grVec3(0, 0, 2));
    longAxis.compose(grRotation(30, grVec3(0, 0, 1)));
    const double h = 15.0 * kPi / 180.0;
    const double w = std::cos(h) * std::cos(h) - 2.0 * std::sin(h) * std::sin(h);
    EXPECT_NEAR(longAxis.angle, 2.0 * std::acos(w) * 180.0 / kPi, 1e-3);
}

TEST(Rotation, QuaternionAndMatrixConversions) {
    const grQuaternion i(0, 1, 0, 0), j(0, 0, 1, 0);
    const grQuaternion ij = i * j, ji = j * i;
    EXPECT_EQ(grVec3(ij.x, ij.y, ij.z), grVec3(0, 0, 1));
    EXPECT_EQ(grVec3(ji.x, ji.y, ji.z), grVec3(0, 0, -1));

    for (const grRotation& r :
         {grRotation(90, grVec3(0, 0, 1)), grRotation(-150, normalized(grVec3(1, 1, 0))),
          grRotation(73, normalized(grVec3(1, -2, 0.5f)))}) {
        SCOPED_TRACE(r.angle);
        expectMatrixNear(grQuaternion::fromRotation(r).toMatrix(), r.matrix());
        expectMatrixNear(grQuaternion::fromMatrix(r.matrix()).toRotation().matrix(), r.matrix(),
                         1e-5f);
        expectMatrixNear(grRotation::fromMatrix(r.matrix()).matrix(), r.matrix(), 1e-5f);
    }
    // A trace beyond 3 has no arc cosine: the identity rotation, not NaN.
    grMatrix4 doubled = grIdentityMatrix;
    doubled.m[0] = doubled.m[5] = doubled.m[10] = 2.0f;
    EXPECT_EQ(grRotation::fromMatrix(doubled).angle, 0.0f);
    EXPECT_EQ(grRotation::fromMatrix(doubled).axis, grVec3(0, 0, 1));
}

TEST(Matrix, DeterminantAndInverse) {
    // Triangular in storage order: the determinant is the product of the diagonal.
    const grMatrix4 tri{{1, 2, 3, 4, 0, 5, 6, 7, 0, 0, 8, 9, 0, 0, 0, 10}};
    EXPECT_FLOAT_EQ(determinant(tri), 400.0f);
    EXPECT_EQ(transpose(tri).m[4], 2.0f);
    const grMatrix4 general{{2, 1, 0, 3, -1, 4, 2, 0, 0, 3, 5, 1, 1, 0, -2, 6}};
    for (const grMatrix4& m : {general, tri}) {
        expectMatrixNear(multiply(inverse(m), m), grIdentityMatrix, 1e-5f);
        expectMatrixNear(multiply(m, inverse(m)), grIdentityMatrix, 1e-5f);
    }
}

TEST(Pose, MovesCompositionAndInverse) {
    grPose p(grIdentityRotation, grVec3(5, 5, 5));
    p.translateBack(grVec3(1, 2, 3));
    EXPECT_EQ(p.translation(), grVec3(4, 3, 2));
    p.setRotation(grRotation(90, grVec3(0, 0, 1)));
    p.translateLocal(grVec3(1, 0, 0)); // the pose's x axis points along world y
    expectVecNear(p.translation(), grVec3(4, 4, 2));

    const grPose a(grRotation(60, normalized(grVec3(1, 0, 1))), grVec3(1, 2, 3));
    const grPose b(grRotation(-25, grVec3(0, 1, 0)), grVec3(-4, 0.5f, 2));
    const grVec3 q(0.3f, -1.2f, 2.5f);
    const grPose ab = grPose::composed(a, b); // a, then b
    expectVecNear(apply(ab, q), apply(b, apply(a, q)), 1e-5f);
    expectVecNear(apply(grPose(a).compose(b), q), apply(ab, q), 0.0f);
    expectVecNear(apply(a.inverse(), apply(a, q)), q, 1e-5f);
    expectVecNear(apply(grPose::composedInverse(ab, b), q), apply(a, q), 1e-4f);

    const grPose none = grPose::composed(a, a.inverse());
    EXPECT_NEAR(none.rot.angle, 0.0f, 0.05f);
    expectVecNear(none.trans, grZeroVector, 1e-5f);

    grMatrix4 m = a.rot.matrix();
    m.m[12] = 1;
    m.m[13] = 2;
    m.m[14] = 3;
    const grPose fromM = grPose::fromMatrix(m);
    expectMatrixNear(fromM.rot.matrix(), a.rot.matrix(), 1e-5f);
    EXPECT_EQ(fromM.trans, grVec3(1, 2, 3));
    EXPECT_EQ(transformPoint(m, grZeroVector), grVec3(1, 2, 3));

    // c = cross((2/pi, 0, 0), z) = (0, -2/pi, 0); R90z c - c = (2/pi, 2/pi, 0).
    const grRotation quarter(90, grVec3(0, 0, 1));
    const float k = static_cast<float>(2.0 / kPi);
    expectVecNear(twistTranslation(grVec3(1, 0, 0), quarter), grVec3(k, k, 0));
    const grPose t = grPose::applyTwist(grPose(grRotation(30, grVec3(0, 0, 1)), grVec3(1, 0, 0)),
                                        grPose(quarter, grVec3(0, 0, 7)));
    expectVecNear(t.trans, grVec3(k, k, 7));
}
