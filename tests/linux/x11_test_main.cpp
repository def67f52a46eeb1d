// latticedrift-test: the Linux host with switches for the end-to-end checks, read from the
// environment. LATTICEDRIFT_TEST_FPS=F runs the clock on simulated time (frame k reads
// floor(k*1000/F) ms, the start 0), LATTICEDRIFT_TEST_SEED=S fixes the seed,
// LATTICEDRIFT_TEST_FRAMES=N stops drawing after frame N and prints "frames=N" on stdout,
// LATTICEDRIFT_TEST_EXCHANGE=1 overwrites the back buffer after every swap, as a swap that
// exchanges buffers leaves it, and keeps the frame as over such a swap. The seed goes to stderr.
#include "host/x11/x11_run.h"
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

// Before the first frame the clock still holds the start-up's reading, from which the seed came.
void after_start()
{
    std::fprintf(stderr, "seed=%u\n", seeded ? seed : startup_seed());
}

void before_frame(long frame)
{
    if (fps > 0.0)
        headless_set_ms(simulated_frame_ms(frame, fps));
}

// Once the server has the last frame, so that a screenshot taken from now on shows it.
void note_last_frame(Display* display, long frame)
{
    if (frame == frame_limit) {
        XSync(display, False);
        std::printf("frames=%ld\n", frame);
        std::fflush(stdout);
    }
}

// Magenta over the whole back buffer: anything of it that shows was not drawn by the saver.
void overwrite_back_buffer(Display* display, long frame)
{
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
    note_last_frame(display, frame);
}

} // namespace

int main(int argc, char* argv[])
{
    fps = number("LATTICEDRIFT_TEST_FPS");
    frame_limit = static_cast<long>(number("LATTICEDRIFT_TEST_FRAMES"));
    const bool exchange = number("LATTICEDRIFT_TEST_EXCHANGE") != 0.0;
    seeded = std::getenv("LATTICEDRIFT_TEST_SEED") != nullptr;
    seed = static_cast<std::uint32_t>(number("LATTICEDRIFT_TEST_SEED"));
    RunHooks hooks;
    hooks.beforeStart = before_start;
    hooks.afterStart = after_start;
    hooks.beforeFrame = before_frame;
    hooks.afterPresent = exchange ? overwrite_back_buffer : note_last_frame;
    hooks.keepFrame = exchange;
    hooks.frameLimit = frame_limit;
    return hack_main(argc, argv, hooks);
}
