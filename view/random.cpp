#include "view/random.h"

namespace {
std::uint32_t g_state = 1;
}

void random_seed(std::uint32_t seed)
{
    g_state = seed;
}

std::uint32_t random_state()
{
    return g_state;
}

int random_next()
{
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

double frand(double x)
{
    return random_next() / 32768.0 * x;
}

float frand(float x)
{
    return static_cast<float>(random_next()) / 32768.0f * x;
}
