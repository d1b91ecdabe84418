// The geometry kit's arithmetic: rotations composed through quaternions, poses, their inverses
// and 4x4 matrices.
#include "libgr/geometry.h"

#include <cmath>
#include <cstddef>
#include <type_traits>

namespace libgr {

// Callers hand a pose where a rotation is expected; that needs the rotation at offset 0.
static_assert(std::is_standard_layout<grPose>::value && offsetof(grPose, rot) == 0,
              "grPose must start with its rotation");

namespace {

// Radians as float: the double product is rounded before sine and cosine are taken.
float toRadians(float degrees) {
    return static_cast<float>(degrees * kDegToRad);
}

float snap1Down(float v, float step) {
    return std::trunc(v * (1.0f / step)) * step;
}

float snap1Up(float v, float step) {
    const float down = snap1Down(v, step);
    return v > down ? down + step : down;
}

// The matrix of a rotation as the composed quaternion's angle and axis; shared by the
// rotation and pose compositions.
grRotation composeRotations(const grRotation& first, const grRotation& second) {
    return (grQuaternion::fromRotation(second) * grQuaternion::fromRotation(first)).toRotation();
}

// Storage element (row r, column c) when the 16 floats are read as four rows of four.
float at(const grMatrix4& m, int r, int c) {
    return m.m[4 * r + c];
}

float det2(float a, float b, float c, float d) {
    return a * d - b * c;
}

// 3x3 held row by row; expanded along its third row.
float det3(const float e[9]) {
    return e[6] * det2(e[1], e[2], e[4], e[5]) - e[7] * det2(e[0], e[2], e[3], e[5]) +
           e[8] * det2(e[0], e[1], e[3], e[4]);
}

// The 3x3 left when storage row `row` and storage column `col` are removed.
float minorDet(const grMatrix4& m, int row, int col) {
    float e[9];
    int k = 0;
    for (int r = 0; r < 4; ++r) {
        if (r == row)
            continue;
        for (int c = 0; c < 4; ++c) {
            if (c == col)
                continue;
            e[k++] = at(m, r, c);
        }
    }
    return det3(e);
}

float sign(int i) {
    return (i % 2 == 0) ? 1.0f : -1.0f;
}

} // namespace

// ---- vectors ----

float dot(const grVec3& a, const grVec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

grVec3 cross(const grVec3& a, const grVec3& b) {
    return grVec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

float length(const grVec3& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

grVec3 normalized(const grVec3& v) {
    const float len = length(v);
    if (len == 0.0f)
        return grZeroVector;
    return v * (1.0f / len);
}

grVec3 triangleNormal(const grVec3& p0, const grVec3& p1, const grVec3& p2) {
    return cross(p1 - p0, p2 - p1);
}

grVec3 unitTriangleNormal(const grVec3& p0, const grVec3& p1, const grVec3& p2) {
    return normalized(cross(normalized(p1 - p0), normalized(p2 - p1)));
}

float tripleProduct(const grVec3& a, const grVec3& b, const grVec3& c) {
    return dot(cross(a, b), c);
}

float orientedVolume(const grVec3& p0, const grVec3& p1, const grVec3& p2, const grVec3& p3) {
    return dot(cross(p1 - p0, p2 - p0), p3 - p0);
}

float snapDown(float v, float step) {
    return snap1Down(v, step);
}

grVec3 snapDown(const grVec3& v, float step) {
    return snapDown(v, grVec3(step));
}

grVec3 snapDown(const grVec3& v, const grVec3& step) {
    return grVec3(snap1Down(v.x, step.x), snap1Down(v.y, step.y), snap1Down(v.z, step.z));
}

float snapUp(float v, float step) {
    return snap1Up(v, step);
}

grVec3 snapUp(const grVec3& v, float step) {
    return snapUp(v, grVec3(step));
}

grVec3 snapUp(const grVec3& v, const grVec3& step) {
    return grVec3(snap1Up(v.x, step.x), snap1Up(v.y, step.y), snap1Up(v.z, step.z));
}

grVec3 fromHomogeneous(float x, float y, float z, float w) {
    const float r = 1.0f / w;
    return grVec3(r * x, r * y, r * z);
}

grVec3 directionOf(float x, float y, float z, float w) {
    const grVec3 d = normalized(grVec3(x, y, z));
    return w < 0.0f ? -d : d;
}

void directionOf(float x, float y, float z, float w, float (&out)[4]) {
    const grVec3 d = directionOf(x, y, z, w);
    out[0] = d.x;
    out[1] = d.y;
    out[2] = d.z;
    out[3] = 0.0f;
}

// ---- matrices ----

grMatrix4 transpose(const grMatrix4& m) {
    grMatrix4 t;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            t.m[4 * c + r] = m.m[4 * r + c];
    return t;
}

float determinant(const grMatrix4& m) {
    float d = 0.0f;
    for (int j = 0; j < 4; ++j)
        d += sign(3 + j) * at(m, 3, j) * minorDet(m, 3, j);
    return d;
}

grMatrix4 inverse(const grMatrix4& m) {
    const float d = 1.0f / determinant(m);
    grMatrix4 out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out.m[4 * i + j] = sign(i + j) * minorDet(m, j, i) * d;
    return out;
}

grVec3 transformPoint(const grMatrix4& m, const grVec3& v) {
    const float* e = m.m;
    return grVec3(v.x * e[0] + v.y * e[4] + v.z * e[8] + e[12],
                  v.x * e[1] + v.y * e[5] + v.z * e[9] + e[13],
                  v.x * e[2] + v.y * e[6] + v.z * e[10] + e[14]);
}

// ---- rotations ----

bool grRotation::isNonTrivial() const {
    return angle != 0.0f && !equals(axis, grZeroVector);
}

grMatrix4 grRotation::matrix() const {
    const float theta = toRadians(angle);
    const float c = std::cos(theta);
    const float s = std::sin(theta);
    const grVec3 k = normalized(axis);
    const float x = k.x, y = k.y, z = k.z;
    const float oc = 1.0f - c;

    grMatrix4 r;
    r.m[0] = x * x + c * (1.0f - x * x);
    r.m[1] = x * y * oc + z * s;
    r.m[2] = x * z * oc - y * s;
    r.m[4] = x * y * oc - z * s;
    r.m[5] = y * y + c * (1.0f - y * y);
    r.m[6] = y * z * oc + x * s;
    r.m[8] = x * z * oc + y * s;
    r.m[9] = y * z * oc - x * s;
    r.m[10] = z * z + c * (1.0f - z * z);
    r.m[15] = 1.0f;
    return r;
}

grRotation& grRotation::compose(const grRotation& other) {
    *this = composeRotations(*this, other);
    return *this;
}

grRotation& grRotation::composeBefore(const grRotation& other) {
    *this = composeRotations(other, *this);
    return *this;
}

grRotation& grRotation::composeInverse(const grRotation& other) {
    *this = composeRotations(*this, other.inverse());
    return *this;
}

grRotation grRotation::fromMatrix(const grMatrix4& m) {
    const float* e = m.m;
    grRotation r;
    r.angle = static_cast<float>(std::acos((e[0] + e[5] + e[10] - 1.0f) * 0.5f) * kRadToDeg);
    r.axis = normalized(grVec3(e[6] - e[9], e[8] - e[2], e[1] - e[4]));
    // A trace outside -1..3 (rounding on a near-identity or near-half-turn matrix) has no
    // arc cosine; fall back to "no rotation" rather than hand out a NaN angle.
    if (!(std::fabs(r.angle) <= 3.4028235e38f))
        return grIdentityRotation;
    return r;
}

// ---- quaternions ----

grQuaternion grQuaternion::fromRotation(const grRotation& r) {
    const float h = static_cast<float>((0.5f * r.angle) * kDegToRad);
    const float s = std::sin(h);
    return grQuaternion(std::cos(h), s * r.axis.x, s * r.axis.y, s * r.axis.z);
}

grQuaternion grQuaternion::fromMatrix(const grMatrix4& m) {
    const float* e = m.m;
    const float w = std::cos(std::acos((e[0] + e[5] + e[10] - 1.0f) * 0.5f) * 0.5f);
    const float w4 = 4.0f * w;
    return grQuaternion(w, (e[6] - e[9]) / w4, (e[8] - e[2]) / w4, (e[1] - e[4]) / w4);
}

grRotation grQuaternion::toRotation() const {
    // A product of unit quaternions can round w just past +-1 (turning back by the same
    // angle does so for a few percent of angles); acos would give a NaN angle there, which
    // then survives every later composition. Such a w means "no turn" or "half turn".
    // A NaN w still passes through.
    const float wc = w > 1.0f ? 1.0f : (w < -1.0f ? -1.0f : w);
    grRotation r;
    r.angle = static_cast<float>(2.0f * std::acos(wc) * kRadToDeg);
    r.axis = normalized(grVec3(x, y, z));
    if (equals(r.axis, grZeroVector))
        r.axis = grVec3(0.0f, 0.0f, 1.0f);
    return r;
}

grMatrix4 grQuaternion::toMatrix() const {
    grMatrix4 r;
    r.m[0] = w * w + x * x - y * y - z * z;
    r.m[5] = w * w - x * x + y * y - z * z;
    r.m[10] = w * w - x * x - y * y + z * z;
    r.m[1] = 2.0f * (x * y + w * z);
    r.m[4] = 2.0f * (x * y - w * z);
    r.m[2] = 2.0f * (x * z - w * y);
    r.m[8] = 2.0f * (x * z + w * y);
    r.m[6] = 2.0f * (y * z + w * x);
    r.m[9] = 2.0f * (y * z - w * x);
    r.m[15] = 1.0f;
    return r;
}

grQuaternion operator*(const grQuaternion& a, const grQuaternion& b) {
    return grQuaternion(a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
                        a.w * b.x + b.w * a.x + a.y * b.z - a.z * b.y,
                        a.w * b.y + b.w * a.y + b.x * a.z - a.x * b.z,
                        a.w * b.z + b.w * a.z + a.x * b.y - b.x * a.y);
}

grVec3 halfProduct(const grQuaternion& q, const grVec3& v) {
    const grQuaternion p = q * grQuaternion(0.0f, v.x, v.y, v.z);
    return grVec3(p.x, p.y, p.z);
}

grVec3 halfProduct(const grVec3& v, const grQuaternion& q) {
    const grQuaternion p = grQuaternion(0.0f, v.x, v.y, v.z) * q;
    return grVec3(p.x, p.y, p.z);
}

// ---- poses ----

grPose& grPose::translateBack(const grVec3& v) {
    trans -= v;
    return *this;
}

grPose& grPose::translateLocal(const grVec3& v) {
    trans += transformPoint(rot.matrix(), v);
    return *this;
}

grPose grPose::composed(const grPose& first, const grPose& second) {
    // Translation first, from first's values, so that composing into `first` itself works.
    const grVec3 t = transformPoint(second.rot.matrix(), first.trans) + second.trans;
    return grPose(composeRotations(first.rot, second.rot), t);
}

grPose grPose::composedInverse(const grPose& first, const grPose& second) {
    return composed(first, second.inverse());
}

grPose& grPose::compose(const grPose& other) {
    *this = composed(*this, other);
    return *this;
}

grPose& grPose::composeInverse(const grPose& other) {
    *this = composed(*this, other.inverse());
    return *this;
}

grPose grPose::inverse() const {
    const grRotation back(-rot.angle, rot.axis);
    return grPose(back, transformPoint(back.matrix(), -trans));
}

grPose grPose::fromMatrix(const grMatrix4& m) {
    return grPose(grQuaternion::fromMatrix(m).toRotation(), grVec3(m.m[12], m.m[13], m.m[14]));
}

grPose grPose::applyTwist(const grPose& first, const grPose& second) {
    return grPose(composeRotations(first.rot, second.rot),
                  twistTranslation(first.trans, second.rot) + second.trans);
}

grVec3 twistTranslation(const grVec3& v, const grRotation& r) {
    if (equals(v, grZeroVector))
        return grZeroVector;
    if (!r.isNonTrivial())
        return v;
    const float theta = toRadians(r.angle);
    const grVec3 c = cross(v * (1.0f / theta), r.axis);
    return transformPoint(r.matrix(), c) - c;
}

} // namespace libgr
