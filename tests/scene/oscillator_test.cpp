// Oscillator: phase and level updates, ramp ends, and when random numbers are drawn.
#include "scene/oscillator.h"
#include "view/random.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// A seed whose next draw is below (or, with below = false, at or above) the reversal chance.
std::uint32_t seed_with_next_draw(bool below)
{
    for (std::uint32_t seed = 1;; ++seed) {
        random_seed(seed);
        if ((frand(1.0) < REVERSAL_CHANCE) == below)
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
    EXPECT_EQ(o.level, 1.0);
    EXPECT_EQ(o.ramp, 0.0);
    EXPECT_EQ(o.value(), 1.0);
    EXPECT_EQ(o.normalized(), 1.0);
}

TEST(Oscillator, RestingOscillatorsDrawOnceAndReverseOnALowDraw)
{
    random_seed(seed_with_next_draw(true));
    Oscillator running;
    running.advance(1.0);
    EXPECT_EQ(running.ramp, -RAMP_RATE);
    EXPECT_DOUBLE_EQ(running.level, 0.9);
    EXPECT_DOUBLE_EQ(running.phase, 0.9); // moves at the level after this step's ramp

    random_seed(seed_with_next_draw(true));
    Oscillator stopped = ramping(0.0, 0.0);
    stopped.advance(2.0);
    EXPECT_EQ(stopped.ramp, RAMP_RATE);
    EXPECT_DOUBLE_EQ(stopped.level, 0.2);
    EXPECT_DOUBLE_EQ(stopped.phase, 0.4);

    // A high draw keeps it at rest; exactly one number is drawn, even for a zero step.
    const std::uint32_t seed = seed_with_next_draw(false);
    random_seed(seed);
    random_next();
    const std::uint32_t afterOne = random_state();
    random_seed(seed);
    Oscillator still;
    still.advance(0.0);
    EXPECT_EQ(random_state(), afterOne);
    EXPECT_EQ(still.level, 1.0);
    EXPECT_EQ(still.phase, 0.0);
}

TEST(Oscillator, WholeRampsRunToTheirEndWithoutDraws)
{
    random_seed(777);
    Oscillator o = ramping(0.99, -RAMP_RATE);
    int steps = 1;
    for (; o.ramp != 0.0; ++steps)
        o.advance(0.1);
    EXPECT_EQ(o.level, 0.0);
    EXPECT_GE(steps, 95); // about 9.5 units from 1.0 to the first level below 0.05
    EXPECT_LE(steps, 96);

    o = ramping(0.01, RAMP_RATE);
    for (steps = 1; o.ramp != 0.0; ++steps)
        o.advance(0.1);
    EXPECT_EQ(o.level, 1.0);
    EXPECT_GE(steps, 100);
    EXPECT_LE(steps, 101);
    EXPECT_EQ(random_state(), 777u);
}

TEST(Oscillator, RampEndsSnapToRestAndTheSnappedLevelMovesThePhase)
{
    Oscillator falling = ramping(0.06, -RAMP_RATE);
    falling.phase = 1.5;
    falling.advance(0.2);
    EXPECT_EQ(falling.level, 0.0);
    EXPECT_EQ(falling.ramp, 0.0);
    EXPECT_EQ(falling.phase, 1.5);

    // Exactly at the threshold it does not snap yet.
    Oscillator atThreshold = ramping(0.1, -RAMP_RATE);
    atThreshold.advance(0.5);
    EXPECT_EQ(atThreshold.level, 0.05);
    EXPECT_EQ(atThreshold.ramp, -RAMP_RATE);
    atThreshold.advance(0.1);
    EXPECT_EQ(atThreshold.level, 0.0);

    Oscillator rising = ramping(0.98, RAMP_RATE);
    rising.advance(0.5);
    EXPECT_EQ(rising.level, 1.0);
    EXPECT_EQ(rising.ramp, 0.0);
    EXPECT_DOUBLE_EQ(rising.phase, 0.5);
}
