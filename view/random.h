// The one random generator of the system: a linear congruential generator drawn in program order,
// so that one seed gives one run.
#ifndef LATTICEDRIFT_VIEW_RANDOM_H
#define LATTICEDRIFT_VIEW_RANDOM_H

#include <cstdint>

// Sets the generator's state (it starts at 1).
void random_seed(std::uint32_t seed);
// The generator's current state, for tests.
std::uint32_t random_state();
// Next result: an integer from 0 to 32767.
int random_next();

// A random number in [0, x): the next result / 32768 * x.
double frand(double x);
float frand(float x);

#endif
