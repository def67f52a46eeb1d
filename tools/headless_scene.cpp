// Headless drive of the scene: simulated clock, start-up, frames, teardown.
#include "tools/headless_scene.h"

#include "scene/frame.h"
#include "scene/frame_clock.h"
#include "scene/scene.h"
#include "tools/render_options.h"

#include <GL/gl.h>

namespace {
int g_simulatedMs = 0;
int simulated_ms() { return g_simulatedMs; }
} // namespace

void headless_set_ms(int ms)
{
    g_simulatedMs = ms;
    elapsed_ms_source = &simulated_ms;
}

void headless_start(int width, int height, bool seeded, std::uint32_t seed)
{
    window_width = width;
    window_height = height;
    headless_set_ms(0);
    if (seeded)
        scene_use_seed(seed);
    apply_fixed_gl_state();
}

void headless_frame(long frame, double fps)
{
    headless_set_ms(simulated_frame_ms(frame, fps));
    render_frame();
    // Where a window host would swap: without it the software renderer queues frame after frame
    // and its memory grows by the hundred megabytes.
    glFinish();
}

void headless_stop()
{
    scene_teardown();
}
