// Vec3: the three-component single-precision vector of the camera's pose and motion state.
// A small value type; every operation is inline and allocation-free.
#ifndef LATTICEDRIFT_VIEW_VEC3_H
#define LATTICEDRIFT_VIEW_VEC3_H

#include <cmath>

// Smallest divisor magnitude and smallest length the vector operations work with.
constexpr float VEC3_EPSILON = 0.0001f;

class Vec3 {
public:
    Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    Vec3(const Vec3& o) : x(o.x), y(o.y), z(o.z) {}
    Vec3& operator=(const Vec3& o)
    {
        x = o.x;
        y = o.y;
        z = o.z;
        return *this;
    }
    virtual ~Vec3() {}

    void set(float x_, float y_, float z_)
    {
        x = x_;
        y = y_;
        z = z_;
    }

    // Euclidean length; the root is taken in double precision.
    float length() const { return static_cast<float>(std::sqrt(static_cast<double>(x * x + y * y + z * z))); }
    float dot(Vec3 o) const { return x * o.x + y * o.y + z * o.z; }
    // This vector crossed with o, in that order.
    Vec3 cross(Vec3 o) const { return Vec3(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x); }

    Vec3& operator+=(const Vec3& b)
    {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    Vec3& operator-=(const Vec3& b)
    {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        return *this;
    }
    Vec3& operator*=(float s)
    {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    Vec3& operator/=(float s);

    // Scales to unit length through one inverse; lengths below VEC3_EPSILON count as VEC3_EPSILON,
    // so a zero vector stays zero.
    void normalize();

    float x;
    float y;
    float z;
};

// The divisor actually used by vector division: magnitudes below VEC3_EPSILON become VEC3_EPSILON with
// the divisor's sign (zero becomes +VEC3_EPSILON), so dividing never blows up to infinity.
inline float guarded_divisor(float s)
{
    if (std::fabs(s) < VEC3_EPSILON)
        return std::signbit(s) && s != 0.0f ? -VEC3_EPSILON : VEC3_EPSILON;
    return s;
}

inline Vec3& Vec3::operator/=(float s)
{
    const float d = guarded_divisor(s);
    x /= d;
    y /= d;
    z /= d;
    return *this;
}

inline void Vec3::normalize()
{
    float len = length();
    if (len < VEC3_EPSILON)
        len = VEC3_EPSILON;
    const float inv = 1.0f / len;
    x *= inv;
    y *= inv;
    z *= inv;
}

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return Vec3(a.x + b.x, a.y + b.y, a.z + b.z); }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return Vec3(a.x - b.x, a.y - b.y, a.z - b.z); }
inline Vec3 operator*(const Vec3& a, float s) { return Vec3(a.x * s, a.y * s, a.z * s); }
inline Vec3 operator/(const Vec3& a, float s)
{
    const float d = guarded_divisor(s);
    return Vec3(a.x / d, a.y / d, a.z / d);
}

#endif
