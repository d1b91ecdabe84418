#include "libgr/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace libgr;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kTol = 2e-6f;

// The library constants must be usable in constant expressions, i.e. valid before main.
static_assert(grIdentityMatrix.m[0] == 1.0f && grIdentityMatrix.m[15] == 1.0f &&
                  grIdentityMatrix.m[1] == 0.0f && grIdentityMatrix.m[12] == 0.0f,
              "identity matrix");
static_assert(grIdentityRotation.angle == 0.0f && grIdentityRotation.axis.z == 1.0f, "rotation");
static_assert(grIdentityPose.rot.axis.z == 1.0f && grIdentityPose.trans.x == 0.0f, "pose");
static_assert(grZeroVector.x == 0.0f && grZeroVector.y == 0.0f && grZeroVector.z == 0.0f, "zero");

// The matrix glRotatef is documented to build, in double, stored column-major.
grMatrix4 referenceRotation(double angleDeg, double ax, double ay, double az) {
    const double len = std::sqrt(ax * ax + ay * ay + az * az);
    const double x = ax / len, y = ay / len, z = az / len;
    const double a = angleDeg * kPi / 180.0, c = std::cos(a), s = std::sin(a);
    const double rows[3][3] = {
        {x * x * (1 - c) + c, x * y * (1 - c) - z * s, x * z * (1 - c) + y * s},
        {y * x * (1 - c) + z * s, y * y * (1 - c) + c, y * z * (1 - c) - x * s},
        {x * z * (1 - c) - y * s, y * z * (1 - c) + x * s, z * z * (1 - c) + c}};
    grMatrix4 m;
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col)
            m.m[4 * col + r] = static_cast<float>(rows[r][col]);
    m.m[15] = 1.0f;
    return m;
}

// Column-major product a * b.
grMatrix4 multiply(const grMatrix4& a, const grMatrix4& b) {
    grMatrix4 out;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.m[4 * k + r] * b.m[4 * c + k];
            out.m[4 * c + r] = sum;
        }
    return out;
}

void expectMatrixNear(const grMatrix4& a, const grMatrix4& b, float tol = kTol) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

void expectVecNear(const grVec3& a, const grVec3& b, float tol = kTol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// Where a pose sends p: R * p + t.
grVec3 apply(const grPose& pose, const grVec3& p) {
    return transformPoint(pose.rot.matrix(), p) + pose.trans;
}

} // namespace

TEST(Vec3, ArithmeticAndProducts) {
    grVec3 a(1.0f, 2.0f, 3.0f);
    const grVec3 b(4.0f, -5.0f, 6.0f);
    EXPECT_EQ(grVec3(2.5f), grVec3(2.5f, 2.5f, 2.5f));
    EXPECT_EQ(a + b, grVec3(5.0f, -3.0f, 9.0f));
    EXPECT_EQ(-a, grVec3(-1.0f, -2.0f, -3.0f));
    EXPECT_EQ(a * 2.0f, grVec3(2.0f, 4.0f, 6.0f));
    EXPECT_EQ(cross(a, b), grVec3(27.0f, 6.0f, -13.0f));
    EXPECT_EQ(cross(grVec3(1, 0, 0), grVec3(0, 1, 0)), grVec3(0, 0, 1));

    grVec3& same = (a -= b);
    EXPECT_EQ(&same, &a);
    EXPECT_EQ(a, grVec3(-3.0f, 7.0f, -3.0f));
    EXPECT_EQ(&(a *= 0.5f), &a);
    EXPECT_EQ(a, grVec3(-1.5f, 3.5f, -1.5f));
    EXPECT_EQ(a.set(4.0f), 4.0f);
    EXPECT_TRUE(allEqual(a, 4.0f));
    EXPECT_FALSE(allEqual(grVec3(4.0f, 4.0f, 0.0f), 4.0f));
    EXPECT_EQ(a.data(), &a.x);
    EXPECT_EQ(a.data()[2], 4.0f);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(equals(grVec3(nan, 0, 0), grVec3(nan, 0, 0)));
    EXPECT_FALSE(equals(grVec3(1, 2, 3), grVec3(1, 2, 4)));

    EXPECT_EQ(normalized(grVec3(0, 0, 0)), grZeroVector);
    expectVecNear(normalized(grVec3(3, 0, 4)), grVec3(0.6f, 0.0f, 0.8f));

    // Right-angled triangle in the x-y plane, counter-clockwise seen from +z.
    const grVec3 p0(0, 0, 0), p1(2, 0, 0), p2(2, 3, 0);
    EXPECT_EQ(triangleNormal(p0, p1, p2), grVec3(0, 0, 6));
    expectVecNear(unitTriangleNormal(p0, p1, p2), grVec3(0, 0, 1));
    EXPECT_FLOAT_EQ(tripleProduct(grVec3(1, 0, 0), grVec3(0, 2, 0), grVec3(0, 0, 3)), 6.0f);
    EXPECT_FLOAT_EQ(tripleProduct(grVec3(0, 2, 0), grVec3(1, 0, 0), grVec3(0, 0, 3)), -6.0f);
    // Six times the volume of the tetrahedron, signed by orientation.
    EXPECT_FLOAT_EQ(
        orientedVolume(grVec3(1, 1, 1), grVec3(3, 1, 1), grVec3(1, 4, 1), grVec3(1, 1, 5)), 24.0f);

    EXPECT_EQ(fromHomogeneous(2, 4, 6, 2), grVec3(1, 2, 3));
    expectVecNear(directionOf(0, 3, 4, 1), grVec3(0, 0.6f, 0.8f));
    expectVecNear(directionOf(0, 3, 4, -2), grVec3(0, -0.6f, -0.8f));
    float out[4] = {9, 9, 9, 9};
    directionOf(0, 0, -5, -1, out);
    EXPECT_FLOAT_EQ(out[2], 1.0f);
    EXPECT_EQ(out[3], 0.0f);
}

TEST(Vec3, Snapping) {
    EXPECT_EQ(snapDown(grVec3(7.5f, -7.5f, 0.0f), 2.0f), grVec3(6, -6, 0));
    EXPECT_EQ(snapUp(grVec3(7.5f, -7.5f, 0.0f), 2.0f), grVec3(8, -6, 0));
    // Exact multiples stay where they are.
    EXPECT_EQ(snapUp(grVec3(8.0f, -6.0f, 2.0f), 2.0f), grVec3(8, -6, 2));
    // Per-component steps.
    EXPECT_EQ(snapDown(grVec3(7.5f, 7.5f, 7.5f), grVec3(2, 3, 5)), grVec3(6, 6, 5));
    EXPECT_EQ(snapUp(grVec3(7.5f, 7.5f, 7.5f), grVec3(2, 3, 5)), grVec3(8, 9, 10));
    EXPECT_EQ(snapUp(0.25f, 0.5f), 0.5f);
    EXPECT_EQ(snapUp(-0.75f, 0.5f), -0.5f);
    EXPECT_EQ(snapDown(-0.75f, 0.5f), -0.5f);
}

TEST(Rect, CornersAreOrdered) {
    const grRect r(grVec2(256, 256), grVec2(-256, -256));
    EXPECT_EQ(r.minX, -256.0f);
    EXPECT_EQ(r.minY, -256.0f);
    EXPECT_EQ(r.maxX, 256.0f);
    EXPECT_EQ(r.maxY, 256.0f);
    const grRect mixed(grVec2(-1, 5), grVec2(3, -2));
    EXPECT_EQ(mixed.minX, -1.0f);
    EXPECT_EQ(mixed.minY, -2.0f);
    EXPECT_EQ(mixed.maxX, 3.0f);
    EXPECT_EQ(mixed.maxY, 5.0f);
}

TEST(Rotation, MatrixMatchesGlRotateFormula) {
    const float cases[][4] = {{90, 0, 0, 1},         {30, 0, 1, 0},      {-45, 1, 0, 0},
                              {120, 1, 1, -1},       {200, 0.3f, -2, 5}, {0, 1, 2, 3},
                              {359, -1, 0.5f, 0.25f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        expectMatrixNear(grRotation(c[0], grVec3(c[1], c[2], c[3])).matrix(),
                         referenceRotation(c[0], c[1], c[2], c[3]));
    }

    const grMatrix4 quarter = grRotation(90, grVec3(0, 0, 1)).matrix();
    expectVecNear(transformPoint(quarter, grVec3(1, 0, 0)), grVec3(0, 1, 0));
    // The matrix normalises the axis.
    expectMatrixNear(grRotation(90, grVec3(0, 0, 2)).matrix(), quarter, 0.0f);

    // A zero axis leaves cos(theta) * I.
    const grMatrix4 zeroAxis = grRotation(60, grVec3(0, 0, 0)).matrix();
    grMatrix4 half = grIdentityMatrix;
    half.m[0] = half.m[5] = half.m[10] = 0.5f;
    expectMatrixNear(zeroAxis, half);

    EXPECT_FALSE(grRotation(0, grVec3(0, 1, 0)).isNonTrivial());
    EXPECT_FALSE(grRotation(45, grVec3(0, 0, 0)).isNonTrivial());
    EXPECT_TRUE(grRotation(30, grVec3(0, 1, 0)).isNonTrivial());
    EXPECT_TRUE(grRotation(std::nanf(""), grVec3(0, 1, 0)).isNonTrivial());
    EXPECT_EQ(grRotation(30, grVec3(1, 2, 3)).inverse().angle, -30.0f);
    EXPECT_EQ(grRotation(30, grVec3(1, 2, 3)).inverse().axis, grVec3(1, 2, 3));
}

TEST(Rotation, Composition) {
    grRotation back(30, grVec3(0, 0, 1));
    EXPECT_EQ(&back.compose(grRotation(-30, grVec3(0, 0, 1))), &back);
    // w comes out one ulp below 1, and acos is steep there: 0.04 degrees is rounding.
    EXPECT_NEAR(back.angle, 0.0f, 0.05f);
    EXPECT_EQ(back.axis, grVec3(0, 0, 1));

    // Turning back by the same angle can round w one ulp above 1, where acos has no value;
    // the result must still be (close to) no rotation, never a NaN angle that sticks.
    for (float angle : {8.0f, 17.5f, 19.0f, 21.25f, 24.0f, 0.25f}) {
        grRotation there(angle, grVec3(0, 0, 1));
        there.compose(grRotation(-angle, grVec3(0, 0, 1)));
        EXPECT_FALSE(std::isnan(there.angle)) << angle;
        EXPECT_NEAR(there.angle, 0.0f, 0.05f) << angle;
    }

    const grRotation rx(90, grVec3(1, 0, 0));
    const grRotation ry(90, grVec3(0, 1, 0));
    const float s = 1.0f / std::sqrt(3.0f);

    grRotation a = rx;
    a.compose(ry); // x first, then y
    EXPECT_NEAR(a.angle, 120.0f, 1e-4f);
    expectVecNear(a.axis, grVec3(s, s, -s));
    expectMatrixNear(a.matrix(), multiply(ry.matrix(), rx.matrix()));

    grRotation b = rx;
    b.composeBefore(ry); // y first, then x
    EXPECT_NEAR(b.angle, 120.0f, 1e-4f);
    expectVecNear(b.axis, grVec3(s, s, s));
    expectMatrixNear(b.matrix(), multiply(rx.matrix(), ry.matrix()));

    // composeInverse undoes compose.
    grRotation c(40, normalized(grVec3(1, 2, 2)));
    const grRotation original = c;
    c.compose(grRotation(70, grVec3(0, 1, 0))).composeInverse(grRotation(70, grVec3(0, 1, 0)));
    expectMatrixNear(c.matrix(), original.matrix(), 1e-5f);

    // A non-unit axis builds the same matrix but not the same composition: the quaternion
    // takes the axis as it stands. cos^2(15) - 2 sin^2(15) is the w of the product.
    grRotation longAxis(30, grVec3(0, 0, 2));
    longAxis.compose(grRotation(30, grVec3(0, 0, 1)));
    const double h = 15.0 * kPi / 180.0;
    const double w = std::cos(h) * std::cos(h) - 2.0 * std::sin(h) * std::sin(h);
    EXPECT_NEAR(longAxis.angle, 2.0 * std::acos(w) * 180.0 / kPi, 1e-3);
    EXPECT_GT(std::fabs(longAxis.angle - 60.0f), 10.0f);
}

TEST(Rotation, FromMatrix) {
    const grRotation id = grRotation::fromMatrix(grIdentityMatrix);
    EXPECT_EQ(id.angle, 0.0f);
    EXPECT_EQ(id.axis, grZeroVector);

    const grRotation r(73, normalized(grVec3(1, -2, 0.5f)));
    const grRotation back = grRotation::fromMatrix(r.matrix());
    EXPECT_NEAR(back.angle, 73.0f, 1e-3f);
    expectVecNear(back.axis, r.axis, 1e-5f);

    // A trace beyond 3 has no arc cosine: the identity rotation comes back.
    grMatrix4 doubled = grIdentityMatrix;
    doubled.m[0] = doubled.m[5] = doubled.m[10] = 2.0f;
    const grRotation fallback = grRotation::fromMatrix(doubled);
    EXPECT_EQ(fallback.angle, 0.0f);
    EXPECT_EQ(fallback.axis, grVec3(0, 0, 1));
}

TEST(Quaternion, ProductsAndConversions) {
    const grQuaternion i(0, 1, 0, 0), j(0, 0, 1, 0);
    const grQuaternion ij = i * j;
    EXPECT_EQ(ij.w, 0.0f);
    EXPECT_EQ(grVec3(ij.x, ij.y, ij.z), grVec3(0, 0, 1));
    const grQuaternion ji = j * i;
    EXPECT_EQ(grVec3(ji.x, ji.y, ji.z), grVec3(0, 0, -1));
    const grQuaternion ii = i * i;
    EXPECT_EQ(ii.w, -1.0f);
    EXPECT_EQ(halfProduct(i, grVec3(0, 1, 0)), grVec3(0, 0, 1));
    EXPECT_EQ(halfProduct(grVec3(0, 1, 0), i), grVec3(0, 0, -1));

    // 90 degrees about z: (cos 45, 0, 0, sin 45).
    const grQuaternion q = grQuaternion::fromRotation(grRotation(90, grVec3(0, 0, 1)));
    EXPECT_NEAR(q.w, std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(q.z, std::sqrt(0.5), 1e-6);
    EXPECT_EQ(q.x, 0.0f);

    const grRotation samples[] = {grRotation(90, grVec3(0, 0, 1)),
                                  grRotation(-150, normalized(grVec3(1, 1, 0))),
                                  grRotation(10, normalized(grVec3(-3, 2, 7)))};
    for (const grRotation& r : samples) {
        SCOPED_TRACE(r.angle);
        const grQuaternion qr = grQuaternion::fromRotation(r);
        expectMatrixNear(qr.toMatrix(), r.matrix());
        const grQuaternion fromM = grQuaternion::fromMatrix(r.matrix());
        EXPECT_NEAR(fromM.w, qr.w, 1e-5f);
        EXPECT_NEAR(fromM.x, qr.x, 1e-5f);
        EXPECT_NEAR(fromM.y, qr.y, 1e-5f);
        EXPECT_NEAR(fromM.z, qr.z, 1e-5f);
        const grRotation rr = qr.toRotation();
        expectMatrixNear(rr.matrix(), r.matrix(), 1e-5f);
    }

    const grRotation none = grQuaternion().toRotation();
    EXPECT_EQ(none.angle, 0.0f);
    EXPECT_EQ(none.axis, grVec3(0, 0, 1));
}

TEST(Matrix, TransposeDeterminantInverse) {
    grMatrix4 m;
    for (int i = 0; i < 16; ++i)
        m.m[i] = static_cast<float>(i);
    const grMatrix4 t = transpose(m);
    EXPECT_EQ(t.m[1], 4.0f);
    EXPECT_EQ(t.m[4], 1.0f);
    EXPECT_EQ(t.m[14], 11.0f);
    EXPECT_EQ(t.m[15], 15.0f);
    EXPECT_EQ(determinant(m), 0.0f); // rows in arithmetic progression

    // Triangular in storage order: the determinant is the product of the diagonal.
    const grMatrix4 tri{{1, 2, 3, 4, 0, 5, 6, 7, 0, 0, 8, 9, 0, 0, 0, 10}};
    EXPECT_FLOAT_EQ(determinant(tri), 400.0f);
    EXPECT_FLOAT_EQ(determinant(transpose(tri)), 400.0f);
    EXPECT_FLOAT_EQ(determinant(grIdentityMatrix), 1.0f);

    // A rotation, a scale and a translation together, and a general matrix.
    grMatrix4 placed = grRotation(35, normalized(grVec3(1, 2, 3))).matrix();
    for (int i = 0; i < 11; ++i)
        placed.m[i] *= 2.0f;
    placed.m[12] = 5;
    placed.m[13] = -7;
    placed.m[14] = 1.5f;
    EXPECT_NEAR(determinant(placed), 8.0f, 1e-4f);
    const grMatrix4 general{{2, 1, 0, 3, -1, 4, 2, 0, 0, 3, 5, 1, 1, 0, -2, 6}};
    for (const grMatrix4& a : {placed, general, tri}) {
        expectMatrixNear(multiply(inverse(a), a), grIdentityMatrix, 1e-5f);
        expectMatrixNear(multiply(a, inverse(a)), grIdentityMatrix, 1e-5f);
    }

    grMatrix4 move = grIdentityMatrix;
    move.m[12] = 1;
    move.m[13] = 2;
    move.m[14] = 3;
    move.m[0] = 2;
    EXPECT_EQ(transformPoint(move, grVec3(1, 1, 1)), grVec3(3, 3, 4));
}

TEST(Pose, AccessorsAndMoves) {
    grPose p;
    EXPECT_EQ(p.rot.angle, 0.0f);
    EXPECT_EQ(p.rot.axis, grVec3(0, 0, 1));
    EXPECT_EQ(p.trans, grZeroVector);
    // The rotation accessor is the pose itself, seen as its leading rotation.
    EXPECT_EQ(static_cast<const void*>(&p.rotation()), static_cast<const void*>(&p));
    EXPECT_EQ(&p.translation(), &p.trans);

    p.setTranslation(grVec3(5, 5, 5));
    EXPECT_EQ(&p.translateBack(grVec3(1, 2, 3)), &p);
    EXPECT_EQ(p.translation(), grVec3(4, 3, 2));

    p.setRotation(grRotation(90, grVec3(0, 0, 1)));
    p.translateLocal(grVec3(1, 0, 0)); // the pose's x axis points along world y
    expectVecNear(p.translation(), grVec3(4, 4, 2));
    p.rotation().angle = 45;
    EXPECT_EQ(p.rot.angle, 45.0f);
}

TEST(Pose, CompositionAndInverse) {
    const grPose a(grRotation(60, normalized(grVec3(1, 0, 1))), grVec3(1, 2, 3));
    const grPose b(grRotation(-25, grVec3(0, 1, 0)), grVec3(-4, 0.5f, 2));
    const grVec3 p(0.3f, -1.2f, 2.5f);

    // composed(a, b) is "a, then b".
    const grPose ab = grPose::composed(a, b);
    expectVecNear(apply(ab, p), apply(b, apply(a, p)), 1e-5f);
    grPose ab2 = a;
    EXPECT_EQ(&ab2.compose(b), &ab2);
    expectVecNear(ab2.trans, ab.trans, 0.0f);
    EXPECT_EQ(ab2.rot.angle, ab.rot.angle);
    EXPECT_EQ(ab2.rot.axis, ab.rot.axis);

    // The inverse undoes the pose, and the inverse of the inverse is the pose.
    expectVecNear(apply(a.inverse(), apply(a, p)), p, 1e-5f);
    const grPose twice = a.inverse().inverse();
    expectMatrixNear(twice.rot.matrix(), a.rot.matrix(), 1e-6f);
    expectVecNear(twice.trans, a.trans, 1e-5f);

    const grPose none = grPose::composed(a, a.inverse());
    EXPECT_NEAR(none.rot.angle, 0.0f, 0.05f);
    EXPECT_EQ(none.rot.axis, grVec3(0, 0, 1));
    expectVecNear(none.trans, grZeroVector, 1e-5f);
    const grPose none2 = grPose::composedInverse(a, a);
    expectVecNear(none2.trans, grZeroVector, 1e-5f);

    grPose c = ab;
    c.composeInverse(b);
    expectVecNear(apply(c, p), apply(a, p), 1e-4f);
    expectVecNear(apply(grPose::composedInverse(ab, b), p), apply(a, p), 1e-4f);

    // A pose read back from its own matrix.
    grMatrix4 m = a.rot.matrix();
    m.m[12] = a.trans.x;
    m.m[13] = a.trans.y;
    m.m[14] = a.trans.z;
    const grPose fromM = grPose::fromMatrix(m);
    expectMatrixNear(fromM.rot.matrix(), a.rot.matrix(), 1e-5f);
    EXPECT_EQ(fromM.trans, a.trans);
    const grPose idPose = grPose::fromMatrix(grIdentityMatrix);
    EXPECT_EQ(idPose.rot.angle, 0.0f);
    EXPECT_EQ(idPose.rot.axis, grVec3(0, 0, 1));
}

TEST(Pose, Twist) {
    const grRotation quarter(90, grVec3(0, 0, 1));
    EXPECT_EQ(twistTranslation(grZeroVector, quarter), grZeroVector);
    EXPECT_EQ(twistTranslation(grVec3(1, 2, 3), grRotation(0, grVec3(0, 0, 1))), grVec3(1, 2, 3));
    // c = cross((2/pi, 0, 0), z) = (0, -2/pi, 0); R c - c = (2/pi, 2/pi, 0).
    const float k = static_cast<float>(2.0 / kPi);
    expectVecNear(twistTranslation(grVec3(1, 0, 0), quarter), grVec3(k, k, 0));

    const grPose first(grRotation(30, grVec3(0, 0, 1)), grVec3(1, 0, 0));
    const grPose second(quarter, grVec3(0, 0, 7));
    const grPose t = grPose::applyTwist(first, second);
    expectVecNear(t.trans, grVec3(k, k, 7));
    EXPECT_NEAR(t.rot.angle, 120.0f, 1e-4f);
    expectVecNear(t.rot.axis, grVec3(0, 0, 1));
}
