// The scene's source of elapsed time: read once per frame, in seconds, with the frame's time step.
#ifndef LATTICEDRIFT_SCENE_FRAME_CLOCK_H
#define LATTICEDRIFT_SCENE_FRAME_CLOCK_H

// Where FrameClock::tick reads elapsed whole milliseconds. By default GLUT's elapsed-time query
// (our own small layer in compat/, on CLOCK_MONOTONIC or the Windows counters); tests and tools
// point it at simulated time.
using ElapsedMsSource = int (*)();
int glut_elapsed_ms();
extern ElapsedMsSource elapsed_ms_source;

class FrameClock {
public:
    FrameClock();
    virtual ~FrameClock();

    // Reads the elapsed time once and updates the fields below.
    void tick();

    double previousSeconds;
    double nowSeconds;
    double deltaSeconds;
    double milliseconds;
};

#endif
