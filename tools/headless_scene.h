// Runs the scene without a window for tools, tests and benchmarks: the real start-up and frame
// driver on whatever GL context is current, with the scene clock on simulated whole milliseconds.
#ifndef LATTICEDRIFT_TOOLS_HEADLESS_SCENE_H
#define LATTICEDRIFT_TOOLS_HEADLESS_SCENE_H

#include "scene/point_cube.h"
#include "scene/scene.h"

#include <cstdint>

// Points the scene clock at the simulated clock and sets its reading.
void headless_set_ms(int ms);

// Start-up as a window creation would do it: sets window_width/window_height, the clock to 0 ms,
// optionally the seed, then apply_fixed_gl_state().
void headless_start(int width, int height, bool seeded, std::uint32_t seed);

// Frame k (k from 1) at the given frame rate: the clock reads floor(k*1000/fps) ms, then
// render_frame() and glFinish(), which a window host's swap would stand for.
void headless_frame(long frame, double fps);

// The renderer's developer switches, set after the start-up, from any options record that has them
// (the renderer's command line, the web page's URL).
template <class Options>
void headless_apply_switches(const Options& options)
{
    if (options.overlay)
        scene.drawOverlay = 1;
    if (options.pointField)
        scene.drawPointField = 1;
    if (options.pointTexture)
        scene.pointTexture = 1;
    if (options.pointLighting)
        scene.pointLighting = 1;
    if (options.immediate)
        release_point_cube_list();
}

// scene_teardown(), with the context still current.
void headless_stop();

#endif
