// Browser stand-in for GLUT's elapsed-time query: it starts from the wall clock's milliseconds at
// its first call (Date.now(), so each load differs, and the start enters the random seed), then
// grows with performance.now(), which is monotonic. Wrapped to an int like GLUT's count.
#include <GL/glut.h>

#include <emscripten/emscripten.h>

#include <time.h>

#include "compat/glut_clock.h"

extern "C" int glutGet(GLenum query)
{
    if (query != GLUT_ELAPSED_TIME)
        return 0;
    static bool started = false;
    static std::uint32_t startMs;
    static double originMs;
    if (!started) {
        started = true;
        timespec wall{};
        clock_gettime(CLOCK_REALTIME, &wall);
        startMs = static_cast<std::uint32_t>(static_cast<std::uint64_t>(wall.tv_sec) * 1000u +
                                             static_cast<std::uint64_t>(wall.tv_nsec) / 1000000u);
        originMs = emscripten_get_now();
    }
    // Whole microseconds since the first call, as the counter's ticks.
    const auto micros = static_cast<std::int64_t>((emscripten_get_now() - originMs) * 1000.0);
    return glut_count_ms(startMs, micros, 1000000);
}
