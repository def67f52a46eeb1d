// Oscillator: a phase whose cosine drives one of the scene's slow motions, with an activity level
// that now and then, at random, ramps down to a standstill or back up to full speed.
#ifndef LATTICEDRIFT_SCENE_OSCILLATOR_H
#define LATTICEDRIFT_SCENE_OSCILLATOR_H

// Probability per advance that a resting oscillator (level exactly 0 or 1) starts to ramp.
constexpr double REVERSAL_CHANCE = 0.001;
// Magnitude of the level's rate of change while ramping.
constexpr double RAMP_RATE = 0.1;
// A falling level below this snaps to 0.
constexpr double LEVEL_SNAP = 0.05;

class Oscillator {
public:
    Oscillator();
    virtual ~Oscillator();

    // Advances by time step t: maybe starts a ramp (one random draw, only at rest), moves the level
    // along its ramp, ends the ramp at 0 or 1, then moves the phase at the new level.
    void advance(double t);
    // cos(phase), from -1 to 1.
    double value() const;
    // cos(phase) * 0.5 + 0.5, from 0 to 1.
    double normalized() const;

    double phase;
    double speed;
    double level;
    double ramp;
};

#endif
