// Vector arithmetic, angle wrapping and the random generator.
#include "view/numeric.h"
#include "view/random.h"
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
    expect_vec(v / 0.00005f, 10000, 20000, 30000);
    expect_vec(v / -0.00005f, -10000, -20000, -30000);
    // Negative divisors of ordinary size divide by themselves.
    expect_vec(v / -2.0f, -0.5f, -1, -1.5f);
    Vec3 w(1, 2, 3);
    w /= -1.0f;
    expect_vec(w, -1, -2, -3);
    w /= -0.0f;
    expect_vec(w, -10000, -20000, -30000);
}

TEST(Vec3, NormalizeCrossAndDot)
{
    Vec3 a(3, 0, 4), zero(0, 0, 0), tiny(0.00001f, 0, 0);
    a.normalize();
    zero.normalize();
    tiny.normalize();
    expect_vec(a, 0.6f, 0, 0.8f);
    expect_vec(zero, 0, 0, 0);
    expect_vec(tiny, 0.1f, 0, 0); // the length floor scales by 10000, short of unit length
    expect_vec(Vec3(1, 0, 0).cross(Vec3(0, 1, 0)), 0, 0, 1);
    expect_vec(Vec3(0, 1, 0).cross(Vec3(1, 0, 0)), 0, 0, -1);
    EXPECT_FLOAT_EQ(Vec3(1, 2, 3).dot(Vec3(4, 5, 6)), 32.0f);
}

TEST(WrapInto, BringsValuesIntoOnePeriodFromZero)
{
    EXPECT_FLOAT_EQ(wrap_into(370, 0, 360), 10);
    EXPECT_FLOAT_EQ(wrap_into(-10, 0, 360), 350);
    EXPECT_FLOAT_EQ(wrap_into(360, 0, 360), 0);
    EXPECT_FLOAT_EQ(wrap_into(-360, 0, 360), 0);
    // Only the interval's length counts: the result is not moved into [lo, hi).
    EXPECT_FLOAT_EQ(wrap_into(370, 100, 460), 10);
    // Just below zero the sum rounds to 360 in float; it comes back as 0.
    EXPECT_FLOAT_EQ(wrap_into(-1e-6f, 0, 360), 0);
    // Far outside the 32-bit range the multiple does not overflow.
    const float farOut = wrap_into(3.6e12f, 0, 360);
    EXPECT_TRUE(farOut >= 0.0f && farOut < 360.0f);
}

TEST(Random, SeedOneGivesTheGeneratorsKnownSequence)
{
    random_seed(1);
    for (int expected : {41, 18467, 6334, 26500, 19169})
        EXPECT_EQ(random_next(), expected);
    // frand scales the next result by x / 32768, in double and in float.
    random_seed(1);
    EXPECT_DOUBLE_EQ(frand(2.0), 41.0 / 32768.0 * 2.0);
    EXPECT_FLOAT_EQ(frand(1.0f), 18467.0f / 32768.0f);
}
