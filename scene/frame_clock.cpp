#include "scene/frame_clock.h"

#include <GL/glut.h>

int glut_elapsed_ms()
{
    return glutGet(GLUT_ELAPSED_TIME);
}

ElapsedMsSource elapsed_ms_source = &glut_elapsed_ms;

FrameClock::FrameClock()
    : previousSeconds(0.0), nowSeconds(0.0), deltaSeconds(0.0), milliseconds(0.0)
{
}

FrameClock::~FrameClock() = default;

void FrameClock::tick()
{
    previousSeconds = nowSeconds;
    milliseconds = static_cast<double>(elapsed_ms_source());
    nowSeconds = milliseconds * 0.001;
    deltaSeconds = nowSeconds - previousSeconds;
    // A reading earlier than the last one (a wrapped 32-bit count, a clock set back) moves time
    // by nothing rather than backwards.
    if (deltaSeconds < 0.0)
        deltaSeconds = 0.0;
}
