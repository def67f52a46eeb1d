// Oscillator: phase and level updates, ramp ends, and when random numbers are drawn.
#include "scene/oscillator.h"
#include "view/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

// A seed whose next draw is below (or, with below = false, at or above) REVERSAL_CHANCE x 32768.
std::uint32_t seed_with_next_draw(bool below)
{
    for (std::uint32_t seed = 1;; ++seed) {
        random_seed(seed);
        const bool isBelow = frand(1.0) < REVERSAL_CHANCE;
        if (isBelow == below)
            return seed;
    }
}

Oscillator ramping(double level, double ramp)
{
    Oscillator o;
    o.level = level;
    o.ramp = ramp;
    return o;
}

} // namespace

TEST(Oscillator, StartsRunningAtPhaseZero)
{
    const Oscillator o;
    EXPECT_EQ(o.phase, 0.0);
    EXPECT_EQ(o.speed, 1.0);
    EXPECT_EQ(o.level, 1.0);
    EXPECT_EQ(o.ramp, 0.0);
    EXPECT_EQ(o.value(), 1.0);
    EXPECT_EQ(o.normalized(), 1.0);
}

TEST(Oscillator, ValueAndNormalizedFollowTheCosine)
{
    Oscillator o;
    o.phase = 2.0;
    EXPECT_DOUBLE_EQ(o.value(), std::cos(2.0));
    EXPECT_DOUBLE_EQ(o.normalized(), std::cos(2.0) * 0.5 + 0.5);
    EXPECT_EQ(o.phase, 2.0);
}

TEST(Oscillator, RunningOscillatorStartsFallingOnALowDraw)
{
    random_seed(seed_with_next_draw(true));
    Oscillator o;
    o.advance(1.0);
    EXPECT_EQ(o.ramp, -RAMP_RATE);
    EXPECT_DOUBLE_EQ(o.level, 0.9);
    EXPECT_DOUBLE_EQ(o.phase, 0.9);
}

TEST(Oscillator, RestingOscillatorKeepsRestingOnAHighDraw)
{
    const std::uint32_t seed = seed_with_next_draw(false);
    random_seed(seed);
    Oscillator o;
    o.advance(0.5);
    EXPECT_EQ(o.level, 1.0);
    EXPECT_EQ(o.ramp, 0.0);
    EXPECT_DOUBLE_EQ(o.phase, 0.5);

    // Exactly one draw was made.
    random_seed(seed);
    random_next();
    const std::uint32_t afterOne = random_state();
    random_seed(seed);
    Oscillator again;
    again.advance(0.5);
    EXPECT_EQ(random_state(), afterOne);
}

TEST(Oscillator, StoppedOscillatorStartsRisingOnALowDraw)
{
    random_seed(seed_with_next_draw(true));
    Oscillator o = ramping(0.0, 0.0);
    o.advance(2.0);
    EXPECT_EQ(o.ramp, RAMP_RATE);
    EXPECT_DOUBLE_EQ(o.level, 0.2);
    EXPECT_DOUBLE_EQ(o.phase, 0.4);
}

TEST(Oscillator, RestingOscillatorDrawsEvenWithAZeroStep)
{
    random_seed(seed_with_next_draw(true));
    const std::uint32_t before = random_state();
    Oscillator o;
    o.advance(0.0);
    EXPECT_NE(random_state(), before);
    EXPECT_EQ(o.ramp, -RAMP_RATE);
    EXPECT_EQ(o.level, 1.0);
    EXPECT_EQ(o.phase, 0.0);
}

TEST(Oscillator, RampInProgressDrawsNoRandomNumbers)
{
    random_seed(12345);
    Oscillator falling = ramping(0.5, -RAMP_RATE);
    Oscillator rising = ramping(0.5, RAMP_RATE);
    for (int i = 0; i < 20; ++i) {
        falling.advance(0.1);
        rising.advance(0.1);
    }
    EXPECT_EQ(random_state(), 12345u);
    EXPECT_NEAR(falling.level, 0.3, 1e-12);
    EXPECT_NEAR(rising.level, 0.7, 1e-12);
}

TEST(Oscillator, FallingRampSnapsToZeroAndKeepsThePhase)
{
    Oscillator o = ramping(0.06, -RAMP_RATE);
    o.phase = 1.5;
    o.advance(0.2);
    EXPECT_EQ(o.level, 0.0);
    EXPECT_EQ(o.ramp, 0.0);
    EXPECT_EQ(o.phase, 1.5);
}

TEST(Oscillator, LevelExactlyAtTheSnapThresholdDoesNotSnap)
{
    Oscillator o = ramping(0.1, -RAMP_RATE);
    o.advance(0.5);
    EXPECT_EQ(o.level, 0.05);
    EXPECT_EQ(o.ramp, -RAMP_RATE);
    EXPECT_DOUBLE_EQ(o.phase, 0.05 * 0.5);
    o.advance(0.1);
    EXPECT_EQ(o.level, 0.0);
    EXPECT_EQ(o.ramp, 0.0);
}

TEST(Oscillator, RisingRampSnapsToFullAndMovesAtFullLevel)
{
    Oscillator o = ramping(0.98, RAMP_RATE);
    o.advance(0.5);
    EXPECT_EQ(o.level, 1.0);
    EXPECT_EQ(o.ramp, 0.0);
    EXPECT_DOUBLE_EQ(o.phase, 0.5);
}

TEST(Oscillator, WholeRampsTakeAboutTenUnitsWithoutDraws)
{
    random_seed(777);
    Oscillator o = ramping(1.0 - 0.01, -RAMP_RATE);
    int steps = 1;
    while (o.ramp != 0.0) {
        o.advance(0.1);
        ++steps;
    }
    EXPECT_EQ(o.level, 0.0);
    // About 9.5 units from 1.0 to the first level below 0.05, in steps of 0.01.
    EXPECT_GE(steps, 95);
    EXPECT_LE(steps, 96);

    o = ramping(0.0 + 0.01, RAMP_RATE);
    steps = 1;
    while (o.ramp != 0.0) {
        o.advance(0.1);
        ++steps;
    }
    EXPECT_EQ(o.level, 1.0);
    EXPECT_GE(steps, 100);
    EXPECT_LE(steps, 101);
    EXPECT_EQ(random_state(), 777u);
}

TEST(Oscillator, SpeedScalesThePhaseRate)
{
    random_seed(seed_with_next_draw(false));
    Oscillator o;
    o.speed = 3.0;
    o.advance(0.25);
    EXPECT_DOUBLE_EQ(o.phase, 0.75);
}
