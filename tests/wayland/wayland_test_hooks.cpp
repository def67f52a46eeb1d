// latticedrift-test on Wayland reads the X11 test build's switches from the environment and means
// the same by them: LATTICEDRIFT_TEST_FPS=F (simulated clock: frame k reads floor(k*1000/F) ms, the
// start 0), LATTICEDRIFT_TEST_SEED=S, LATTICEDRIFT_TEST_FRAMES=N ("frames=N" on stdout once frame
// N is on the output, nothing drawn after it) and LATTICEDRIFT_TEST_EXCHANGE=1 (the back buffer
// magenta after every swap, and the frame kept as over a swap that does not keep it); =2 overwrites
// it the same way but leaves the host to find out that the swap does not keep it. Its own:
// LATTICEDRIFT_TEST_XDG=1 makes full screen the path of a compositor without layer shell (GNOME's).
// The seed goes to stderr.
#include "tests/wayland/wayland_test_hooks.h"

#include "scene/scene.h"
#include "tools/headless_scene.h"
#include "tools/render_options.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

double fps = 0.0;
long frame_limit = 0;
bool seeded = false;
std::uint32_t seed = 0;
bool exchange = false;
bool forceKeeper = false;

double number(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::atof(value) : 0.0;
}

void before_start()
{
    if (fps > 0.0)
        headless_set_ms(0);
    if (seeded)
        scene_use_seed(seed);
}

void after_start()
{
    std::fprintf(stderr, "seed=%u\n", seeded ? seed : startup_seed());
}

void before_frame(long frame)
{
    if (fps > 0.0)
        headless_set_ms(simulated_frame_ms(frame, fps));
}

void after_present(wl_display* display, long frame)
{
    // Once the compositor has taken the last frame's commit: a screenshot from now on shows it.
    if (frame == frame_limit) {
        glFinish();
        wl_display_roundtrip(display);
        std::printf("frames=%ld\n", frame);
        std::fflush(stdout);
    }
    // Magenta over the whole back buffer: anything of it that shows was not drawn by the saver.
    if (exchange) {
        glPushAttrib(GL_COLOR_BUFFER_BIT);
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glPopAttrib();
    }
}

} // namespace

WaylandHooks wayland_test_hooks()
{
    fps = number("LATTICEDRIFT_TEST_FPS");
    frame_limit = static_cast<long>(number("LATTICEDRIFT_TEST_FRAMES"));
    exchange = number("LATTICEDRIFT_TEST_EXCHANGE") != 0.0;
    forceKeeper = number("LATTICEDRIFT_TEST_EXCHANGE") == 1.0;
    seeded = std::getenv("LATTICEDRIFT_TEST_SEED") != nullptr;
    seed = static_cast<std::uint32_t>(number("LATTICEDRIFT_TEST_SEED"));
    WaylandHooks hooks;
    hooks.beforeStart = before_start;
    hooks.afterStart = after_start;
    hooks.beforeFrame = before_frame;
    hooks.afterPresent = after_present;
    hooks.keepFrame = forceKeeper;
    hooks.noLayerShell = number("LATTICEDRIFT_TEST_XDG") != 0.0;
    hooks.frameLimit = frame_limit;
    return hooks;
}
