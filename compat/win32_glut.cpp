// Windows stand-in for GLUT's elapsed-time query. Like GLUT's count on Linux, it starts from a
// point that differs between runs (the system's milliseconds since start-up) and then grows with
// the performance counter's elapsed time, wrapping like GLUT's int count. Other queries answer 0.
#include <windows.h>

#include <GL/glut.h>

#include "compat/glut_clock.h"

extern "C" int glutGet(GLenum query)
{
    if (query != GLUT_ELAPSED_TIME)
        return 0;
    static bool started = false;
    static DWORD startMs;
    static LARGE_INTEGER frequency;
    static LARGE_INTEGER origin;
    if (!started) {
        started = true;
        // The start enters the random seed: an address alone is the same on every run where the
        // loader puts the image at its preferred base (Wine always does).
        startMs = GetTickCount();
        if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0)
            frequency.QuadPart = 0;
        QueryPerformanceCounter(&origin);
    }
    // Without a performance counter the tick count alone keeps the time.
    if (frequency.QuadPart == 0)
        return static_cast<int>(GetTickCount());
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return glut_count_ms(startMs, now.QuadPart - origin.QuadPart, frequency.QuadPart);
}
