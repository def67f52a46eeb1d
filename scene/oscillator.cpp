// Oscillator: random stops and restarts of a cosine phase (see oscillator.h).
#include "scene/oscillator.h"

#include "view/random.h"

#include <cmath>

Oscillator::Oscillator() : phase(0.0), speed(1.0), level(1.0), ramp(0.0)
{
}

Oscillator::~Oscillator() = default;

void Oscillator::advance(double t)
{
    // Only a resting oscillator draws, so a ramp in progress consumes no random numbers.
    if (level == 0.0 || level == 1.0) {
        const double r = frand(1.0);
        if (r < REVERSAL_CHANCE)
            ramp = level == 1.0 ? -RAMP_RATE : RAMP_RATE;
    }

    level = t * ramp + level;

    if (ramp < 0.0 && level < LEVEL_SNAP) {
        level = 0.0;
        ramp = 0.0;
    } else if (ramp > 0.0 && level > 1.0) {
        level = 1.0;
        ramp = 0.0;
    }

    phase = level * speed * t + phase;
}

double Oscillator::value() const
{
    return std::cos(phase);
}

double Oscillator::normalized() const
{
    return std::cos(phase) * 0.5 + 0.5;
}
