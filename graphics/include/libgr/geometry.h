// Single-precision geometry kit: 2D points and rectangles, 3D vectors, rotations held as an
// angle in degrees about an axis (the form glRotatef takes), quaternions used to compose them,
// poses (rotation then translation) and 4x4 matrices in OpenGL's column-major order.
// Everything is a plain value record: public components, no virtuals, no heap.
#pragma once

namespace libgr {

/// Degrees to radians and back. Doubles on purpose: the product is rounded to float after.
///@{
constexpr double kDegToRad = 0.017453292519943122;
constexpr double kRadToDeg = 57.29577951308232;
///@}

/// A point or vector in the plane.
struct grVec2 {
    /// The coordinates.
    ///@{
    float x, y;
    ///@}

    /// The origin.
    constexpr grVec2() : x(0.0f), y(0.0f) {}
    /// The point (x_, y_).
    constexpr grVec2(float x_, float y_) : x(x_), y(y_) {}
};

/// An axis-aligned rectangle: minimum corner, then maximum corner.
struct grRect {
    /// The minimum corner, then the maximum corner.
    ///@{
    float minX, minY, maxX, maxY;
    ///@}

    constexpr grRect() : minX(0.0f), minY(0.0f), maxX(0.0f), maxY(0.0f) {}
    /// Orders the corners component-wise, so any two opposite corners will do.
    constexpr grRect(const grVec2& a, const grVec2& b)
        : minX(a.x < b.x ? a.x : b.x), minY(a.y < b.y ? a.y : b.y), maxX(a.x > b.x ? a.x : b.x),
          maxY(a.y > b.y ? a.y : b.y) {}
};

/// A point or vector in space.
struct grVec3 {
    /// The coordinates.
    ///@{
    float x, y, z;
    ///@}

    /// The zero vector.
    constexpr grVec3() : x(0.0f), y(0.0f), z(0.0f) {}
    /// (v, v, v).
    constexpr explicit grVec3(float v) : x(v), y(v), z(v) {}
    /// (x_, y_, z_).
    constexpr grVec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    /// All three components become v; returns v.
    float set(float v) {
        x = y = z = v;
        return v;
    }

    /// The three coordinates as an array, for the GL calls that take one.
    ///@{
    float* data() { return &x; }
    const float* data() const { return &x; }
    ///@}

    /// Component-wise sum, difference and scaling in place; each returns *this.
    ///@{
    grVec3& operator+=(const grVec3& b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    grVec3& operator-=(const grVec3& b) {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        return *this;
    }
    grVec3& operator*=(float s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    ///@}
};

/// Component-wise sum, difference, negation and scaling.
///@{
inline grVec3 operator+(const grVec3& a, const grVec3& b) {
    return grVec3(a.x + b.x, a.y + b.y, a.z + b.z);
}
inline grVec3 operator-(const grVec3& a, const grVec3& b) {
    return grVec3(a.x - b.x, a.y - b.y, a.z - b.z);
}
inline grVec3 operator-(const grVec3& a) {
    return grVec3(-a.x, -a.y, -a.z);
}
inline grVec3 operator*(const grVec3& a, float s) {
    return grVec3(a.x * s, a.y * s, a.z * s);
}
inline grVec3 operator*(float s, const grVec3& a) {
    return a * s;
}
///@}

/// Exact component-wise equality (any NaN makes it false).
inline bool equals(const grVec3& a, const grVec3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
/// equals(a, b), and its negation.
///@{
inline bool operator==(const grVec3& a, const grVec3& b) {
    return equals(a, b);
}
inline bool operator!=(const grVec3& a, const grVec3& b) {
    return !equals(a, b);
}
///@}
/// True when every component equals s exactly.
inline bool allEqual(const grVec3& v, float s) {
    return v.x == s && v.y == s && v.z == s;
}

/// Dot product.
float dot(const grVec3& a, const grVec3& b);
/// Cross product (right-handed).
grVec3 cross(const grVec3& a, const grVec3& b);
/// Euclidean length.
float length(const grVec3& v);
/// v / |v|; the zero vector when the length is 0.
grVec3 normalized(const grVec3& v);

/// cross(p1 - p0, p2 - p1), not normalised.
grVec3 triangleNormal(const grVec3& p0, const grVec3& p1, const grVec3& p2);
/// triangleNormal normalised (the zero vector for a degenerate triangle).
grVec3 unitTriangleNormal(const grVec3& p0, const grVec3& p1, const grVec3& p2);
/// dot(cross(a, b), c).
float tripleProduct(const grVec3& a, const grVec3& b, const grVec3& c);
/// dot(cross(p1 - p0, p2 - p0), p3 - p0).
float orientedVolume(const grVec3& p0, const grVec3& p1, const grVec3& p2, const grVec3& p3);

/// Per component: truncate(v / step) * step (so negative values move toward zero).
///@{
float snapDown(float v, float step);
grVec3 snapDown(const grVec3& v, float step);
grVec3 snapDown(const grVec3& v, const grVec3& step);
///@}
/// snapDown, plus one step wherever the input lies strictly above the snapped value.
///@{
float snapUp(float v, float step);
grVec3 snapUp(const grVec3& v, float step);
grVec3 snapUp(const grVec3& v, const grVec3& step);
///@}

/// (x/w, y/w, z/w).
grVec3 fromHomogeneous(float x, float y, float z, float w);
/// normalized(x, y, z), negated when w < 0.
grVec3 directionOf(float x, float y, float z, float w);
/// The same direction written as a homogeneous direction (fourth component 0).
void directionOf(float x, float y, float z, float w, float (&out)[4]);

/// Sixteen floats in OpenGL column-major order: row r, column c at index 4c + r.
struct grMatrix4 {
    float m[16] = {}; ///< the elements, column by column; all 0 by default

    /// The elements as an array, for glLoadMatrixf and glMultMatrixf.
    ///@{
    float* data() { return m; }
    const float* data() const { return m; }
    ///@}
    /// Element i of m.
    ///@{
    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    ///@}
};

/// Rows become columns.
grMatrix4 transpose(const grMatrix4& m);
/// The determinant of all four rows and columns.
float determinant(const grMatrix4& m);
/// Adjugate over determinant; a singular matrix gives infinities/NaNs.
grMatrix4 inverse(const grMatrix4& m);
/// m applied to the point v (w = 1).
grVec3 transformPoint(const grMatrix4& m, const grVec3& v);

/// An angle in degrees about an axis, in glRotatef's order. The axis is kept as given.
struct grRotation {
    float angle; ///< degrees, right-handed about the axis
    grVec3 axis; ///< any length; normalised where a matrix is made

    /// The identity: 0 degrees about (0, 0, 1).
    constexpr grRotation() : angle(0.0f), axis(0.0f, 0.0f, 1.0f) {}
    /// angle_ degrees about axis_.
    constexpr grRotation(float angle_, const grVec3& axis_) : angle(angle_), axis(axis_) {}

    /// (-angle, same axis).
    grRotation inverse() const { return grRotation(-angle, axis); }
    /// False for a zero angle (not NaN) or a zero axis: then glRotatef can be skipped.
    bool isNonTrivial() const;
    /// The matrix glRotatef builds for this angle and (normalised) axis.
    grMatrix4 matrix() const;

    /// This rotation first, then `other` (R = R_other * R_this). Returns *this.
    grRotation& compose(const grRotation& other);
    /// `other` first, then this rotation (R = R_this * R_other). Returns *this.
    grRotation& composeBefore(const grRotation& other);
    /// This rotation first, then the inverse of `other`. Returns *this.
    grRotation& composeInverse(const grRotation& other);

    /// The rotation of m's upper 3x3; the identity rotation when the trace is out of range.
    static grRotation fromMatrix(const grMatrix4& m);
};

/// w + (x, y, z); only a unit quaternion (a unit rotation axis) composes exactly.
struct grQuaternion {
    /// The scalar part, then the vector part.
    ///@{
    float w, x, y, z;
    ///@}

    /// The identity rotation, 1 + (0, 0, 0).
    constexpr grQuaternion() : w(1.0f), x(0.0f), y(0.0f), z(0.0f) {}
    /// w_ + (x_, y_, z_).
    constexpr grQuaternion(float w_, float x_, float y_, float z_) : w(w_), x(x_), y(y_), z(z_) {}

    /// cos(h) + sin(h) * axis with h the half angle; the axis is used as stored.
    static grQuaternion fromRotation(const grRotation& r);
    /// The quaternion of the rotation in m's upper 3x3 (w from the trace; w = 0, a half
    /// turn, divides by zero).
    static grQuaternion fromMatrix(const grMatrix4& m);

    /// Angle and unit axis; a quaternion without vector part gives the axis (0, 0, 1).
    /// A w rounded just past +-1 counts as +-1, so the angle is never NaN for finite input.
    grRotation toRotation() const;
    /// The rotation matrix of a unit quaternion (no translation, element 15 is 1).
    grMatrix4 toMatrix() const;
};

/// Hamilton product a (x) b.
grQuaternion operator*(const grQuaternion& a, const grQuaternion& b);
/// Vector part of q (x) (0, v).
grVec3 halfProduct(const grQuaternion& q, const grVec3& v);
/// Vector part of (0, v) (x) q.
grVec3 halfProduct(const grVec3& v, const grQuaternion& q);

/// A rotation followed by a translation: maps p to R * p + t.
struct grPose {
    // The rotation must stay the first member: rotation() hands out the pose viewed as it.
    grRotation rot; ///< applied first
    grVec3 trans;   ///< added after the rotation

    /// The identity pose.
    constexpr grPose() : rot(), trans() {}
    /// Rotation r, then translation t.
    constexpr grPose(const grRotation& r, const grVec3& t) : rot(r), trans(t) {}

    /// The rotation part.
    ///@{
    grRotation& rotation() { return rot; }
    const grRotation& rotation() const { return rot; }
    ///@}
    /// The translation part.
    ///@{
    grVec3& translation() { return trans; }
    const grVec3& translation() const { return trans; }
    ///@}

    /// Replaces the rotation; returns *this.
    grPose& setRotation(const grRotation& r) {
        rot = r;
        return *this;
    }
    /// Replaces the translation; returns *this.
    grPose& setTranslation(const grVec3& t) {
        trans = t;
        return *this;
    }

    /// translation -= v.
    grPose& translateBack(const grVec3& v);
    /// translation += R * v: a move along the pose's own axes.
    grPose& translateLocal(const grVec3& v);

    /// This pose first, then `other`. Returns *this.
    grPose& compose(const grPose& other);
    /// This pose first, then the inverse of `other`. Returns *this.
    grPose& composeInverse(const grPose& other);
    /// The pose that undoes this one.
    grPose inverse() const;

    /// `first`, then `second`.
    static grPose composed(const grPose& first, const grPose& second);
    /// `first`, then the inverse of `second`.
    static grPose composedInverse(const grPose& first, const grPose& second);
    /// Rotation through the quaternion of m, translation (m12, m13, m14).
    static grPose fromMatrix(const grMatrix4& m);
    /// Rotation of `first` then `second`; translation twistTranslation(first.t, second.R)
    /// + second.t.
    static grPose applyTwist(const grPose& first, const grPose& second);
};

/// (0, 0, 0) for a zero v; v for a trivial r; otherwise R * c - c with
/// c = cross(v / theta, axis), theta the angle of r in radians.
grVec3 twistTranslation(const grVec3& v, const grRotation& r);

/// The zero vector, the identity rotation, pose and matrix.
///@{
inline constexpr grVec3 grZeroVector{0.0f, 0.0f, 0.0f};
inline constexpr grRotation grIdentityRotation{0.0f, grVec3(0.0f, 0.0f, 1.0f)};
inline constexpr grPose grIdentityPose{grIdentityRotation, grZeroVector};
inline constexpr grMatrix4 grIdentityMatrix{{1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f,
                                             0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}};
///@}

} // namespace libgr
