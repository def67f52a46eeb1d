// Linux stand-in for GLUT's elapsed-time query, on CLOCK_MONOTONIC: it never steps when the wall
// clock is set, and it starts from the machine's uptime, which differs from run to run (the start
// enters the random seed). Wrapped to an int like GLUT's count; other queries answer 0.
#include <GL/glut.h>

#include <time.h>

#include "compat/glut_clock.h"

extern "C" int glutGet(GLenum query)
{
    if (query != GLUT_ELAPSED_TIME)
        return 0;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return glut_count_ms(0, static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec, 1000000000);
}
