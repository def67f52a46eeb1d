// Vector arithmetic and angle wrapping.
#include "view/numeric.h"
#include "view/vec3.h"

#include <gtest/gtest.h>

namespace {

void expect_vec(const Vec3& v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

} // namespace

TEST(Vec3, DivisionGuardsTinyDivisorsAndKeepsTheirSign)
{
    const Vec3 v(1, 2, 3);
    expect_vec(v / 0.0f, 10000, 20000, 30000);
    expect_vec(v / -0.0f, 10000, 20000, 30000);
    expect_vec(v / 0.00005f, 10000, 20000, 30000);
    expect_vec(v / -0.00005f, -10000, -20000, -30000);
    // Negative divisors of ordinary size divide by themselves.
    expect_vec(v / -1.0f, -1, -2, -3);
    expect_vec(v / -2.0f, -0.5f, -1, -1.5f);
    expect_vec(v / 4.0f, 0.25f, 0.5f, 0.75f);

    Vec3 w(1, 2, 3);
    w /= -2.0f;
    expect_vec(w, -0.5f, -1, -1.5f);
    w /= 0.0f;
    expect_vec(w, -5000, -10000, -15000);
}

TEST(Vec3, NormalizeFloorsTheLength)
{
    Vec3 a(3, 0, 4);
    a.normalize();
    expect_vec(a, 0.6f, 0, 0.8f);
    Vec3 zero(0, 0, 0);
    zero.normalize();
    expect_vec(zero, 0, 0, 0);
    // Shorter than the floor: scaled by 10000, not brought to unit length.
    Vec3 tiny(0.00001f, 0, 0);
    tiny.normalize();
    expect_vec(tiny, 0.1f, 0, 0);
}

TEST(Vec3, MeasuresAndArithmetic)
{
    expect_vec(Vec3(1, 0, 0).cross(Vec3(0, 1, 0)), 0, 0, 1);
    expect_vec(Vec3(0, 1, 0).cross(Vec3(1, 0, 0)), 0, 0, -1);
    EXPECT_FLOAT_EQ(Vec3(1, 2, 3).dot(Vec3(4, 5, 6)), 32.0f);
    EXPECT_FLOAT_EQ(Vec3(2, 3, 6).length(), 7.0f);

    Vec3 a(1, 2, 3);
    const Vec3 b(4, 5, 6);
    expect_vec(a + b, 5, 7, 9);
    expect_vec(a - b, -3, -3, -3);
    expect_vec(a * 2.0f, 2, 4, 6);
    (a += b) *= 2.0f;
    expect_vec(a, 10, 14, 18);
    a -= b;
    expect_vec(a, 6, 9, 12);
    Vec3 c(0, 0, 0);
    c = a;
    c.set(c.x, -1, c.z);
    expect_vec(c, 6, -1, 12);
    expect_vec(a, 6, 9, 12);
}

TEST(WrapInto, BringsValuesIntoOnePeriodFromZero)
{
    EXPECT_FLOAT_EQ(wrap_into(370, 0, 360), 10);
    EXPECT_FLOAT_EQ(wrap_into(-10, 0, 360), 350);
    EXPECT_FLOAT_EQ(wrap_into(360, 0, 360), 0);
    EXPECT_FLOAT_EQ(wrap_into(-360, 0, 360), 0);
    EXPECT_FLOAT_EQ(wrap_into(725, 0, 360), 5);
    // Only the interval's length counts: the result is not moved into [lo, hi).
    EXPECT_FLOAT_EQ(wrap_into(370, 100, 460), 10);
    // Far outside the 32-bit range the multiple is still whole and no overflow occurs.
    const float farOut = wrap_into(3.6e12f, 0, 360);
    EXPECT_GE(farOut, 0.0f);
    EXPECT_LT(farOut, 360.0f);
}
