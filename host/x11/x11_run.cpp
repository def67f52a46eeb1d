// The Linux host's run: opens the window (its own, full screen, or the one it is given), binds GLX
// and starts the scene, then draws a frame each period while the window can be seen and sleeps
// while it cannot, until the window, the input or a stop signal ends the run.
#include "host/x11/x11_run.h"

#include "host/frame_keeper.h"
#include "host/frame_schedule.h"
#include "host/posix_clock.h"
#include "host/posix_stop_signals.h"
#include "host/x11/glx_context.h"
#include "host/x11/glx_fps.h"
#include "host/x11/hack_options.h"
#include "host/x11/x11_window.h"
#include "scene/frame.h"
#include "scene/scene.h"

#include <poll.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

int fail(const std::string& reason)
{
    std::fprintf(stderr, "latticedrift: %s\n", reason.c_str());
    return EXIT_FAILED;
}

// Sleeps until an X event, a stop signal or the deadline (negative: no time limit). Events that
// the driver's own calls have already read off the connection count as well.
void sleep_until(Display* display, std::int64_t deadlineUs)
{
    if (XPending(display) > 0)
        return;
    pollfd waits[2] = { { ConnectionNumber(display), POLLIN, 0 }, { stop_wake_fd(), POLLIN, 0 } };
    timespec left{};
    if (deadlineUs >= 0) {
        const std::int64_t us = deadlineUs - monotonic_us();
        if (us <= 0)
            return;
        left.tv_sec = static_cast<time_t>(us / 1000000);
        left.tv_nsec = static_cast<long>(us % 1000000) * 1000L;
    }
    ppoll(waits, stop_wake_fd() >= 0 ? 2 : 1, deadlineUs >= 0 ? &left : nullptr, nullptr);
}

// The whole window black and opaque, whatever the scene's clear colour or the colour mask: no
// stale contents at the start or after a resize.
void clear_window()
{
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
}

// The window and a current GL context on it, with vsync where the server allows it.
bool open_surface(X11Window* x, GlxSurface* surface, const HackOptions& options, const RunHooks& hooks,
                  int* glxErrorBase, std::string* error)
{
    if (!glx_check(x->display, glxErrorBase, error))
        return false;
    GlxConfig config;
    if (options.mode == HackMode::Target) {
        if (!x11_adopt_window(x, options, error) ||
            !glx_config_of_visual(x->display, x->screen, x->visual, &config, error))
            return false;
        // A window whose visual cannot keep the frame over the swap gets a child of ours with one of
        // the same depth that can: far cheaper than keeping the frame by copying it each time.
        std::string unused;
        GlxConfig copying;
        XVisualInfo* visual = config.doubleBuffered && !config.copySwap && !hooks.keepFrame
                                  ? glx_choose(x->display, x->screen, x->depth, true, &copying, &unused)
                                  : nullptr;
        if (visual != nullptr) {
            if (x11_cover_with_child(x, *visual, &unused))
                config = copying;
            XFree(visual);
        }
    } else {
        XVisualInfo* visual = glx_choose(x->display, x->screen, 0, false, &config, error);
        if (visual == nullptr)
            return false;
        const bool made = x11_create_window(x, *visual, error);
        XFree(visual);
        if (!made)
            return false;
    }
    if (!glx_bind(surface, x->display, x->window, config, error))
        return false;
    std::string failure;
    if (!x11_sync_clean(x->display, &failure)) {
        *error = "cannot draw into window " + format_x_id(x->window) + " with OpenGL: " + failure;
        return false;
    }
    // A server may refuse the swap interval with an error: then the frame period alone paces.
    glx_ask_for_vsync(*surface, x->screen);
    if (hooks.afterSwapInterval != nullptr)
        hooks.afterSwapInterval(x->display);
    x11_sync_clean(x->display);
    return true;
}

struct Run {
    const HackOptions& options;
    const RunHooks& hooks;
    X11Window x;
    GlxSurface surface;
    FrameKeeper keeper;
    bool keeping = false;  // the swap may not keep the frame, so the keeper does
    bool toldShort = false; // the keeper's lack of memory has been reported
    long frame = 0;
};

// Sizes the keeper for the window; says once if part of the frame cannot be kept.
void size_keeper(Run* run)
{
    run->keeper.resize(run->x.width, run->x.height);
    if (run->keeper.missingTiles() > 0 && !run->toldShort) {
        std::fprintf(stderr, "latticedrift: not enough graphics memory to keep the whole frame over the swap; "
                             "part of the window is drawn without trails\n");
        run->toldShort = true;
    }
}

// A new window size reaches the scene as a new window would: the size and the layout.
void follow_resize(Run* run)
{
    window_width = run->x.width;
    window_height = run->x.height;
    scene_objects::layout.setWindowSize(static_cast<float>(run->x.width), static_cast<float>(run->x.height));
    clear_window();
    if (run->keeping)
        size_keeper(run);
}

void draw_frame(Run* run)
{
    ++run->frame;
    if (run->keeping)
        run->keeper.restore();
    if (run->hooks.beforeFrame != nullptr)
        run->hooks.beforeFrame(run->frame);
    render_frame();
    if (run->options.showFps)
        fps_frame(run->x.width, run->x.height);
    if (run->keeping)
        run->keeper.save();
    glx_present(run->surface);
    if (run->hooks.afterPresent != nullptr)
        run->hooks.afterPresent(run->x.display, run->x.window, run->frame);
}

// Draws a frame whenever its time has come, and at once when the window is uncovered, while the
// window can be seen; sleeps otherwise. After a pause the clock has moved on, and so does the
// animation.
RunState frame_loop(Run* run, std::string* reason)
{
    std::int64_t due = monotonic_us();
    for (;;) {
        WindowChanges changes;
        const RunState state = x11_process_events(&run->x, &changes, reason);
        if (state != RunState::Running)
            return state;
        if (stop_requested())
            return RunState::Ended;
        if (changes.resized)
            follow_resize(run);
        const long limit = run->hooks.frameLimit;
        const bool drawing = x11_visible(run->x) && (limit == 0 || run->frame < limit);
        const bool timely = drawing && monotonic_us() >= due;
        if (timely || (drawing && changes.exposed)) {
            draw_frame(run);
            due = next_frame_due(monotonic_us(), run->options.delayUs, due,
                                 timely ? FrameCause::Due : FrameCause::Other);
            continue;
        }
        sleep_until(run->x.display, drawing ? due : -1);
    }
}

int run_hack(const HackOptions& options, const RunHooks& hooks)
{
    stop_signals_install();
    Run run{ options, hooks, {}, {}, {}, false, false, 0 };
    run.keeper.maxTileSize = hooks.keeperTileLimit;
    run.keeper.refusedTile = hooks.keeperRefusedTile;
    std::string error;
    if (!x11_open(&run.x, options, &error))
        return fail(error);
    int glxErrorBase = 0;
    if (!open_surface(&run.x, &run.surface, options, hooks, &glxErrorBase, &error)) {
        // A given window destroyed during the start-up ends the run as it would later: quietly.
        const bool gone = x11_target_gone(&run.x);
        glx_release(&run.surface);
        x11_close(&run.x);
        return gone ? 0 : fail(error);
    }

    const GlxConfig& config = run.surface.config;
    run.keeping = config.doubleBuffered && (!config.copySwap || hooks.keepFrame);
    clear_window();
    // The window's alpha stays opaque, so that a compositor shows nothing through it: the scene
    // blends by the source's alpha only, so masking the destination's changes no colour.
    if (config.alphaBits > 0)
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    if (run.keeping)
        size_keeper(&run);
    window_width = run.x.width;
    window_height = run.x.height;
    if (hooks.beforeStart != nullptr)
        hooks.beforeStart();
    apply_fixed_gl_state();
    if (hooks.afterStart != nullptr)
        hooks.afterStart();
    std::string failure;
    if (!x11_sync_clean(run.x.display, &failure)) {
        error = "the X server refused the OpenGL start-up: " + failure;
    } else {
        if (options.showFps)
            fps_start(run.x.display);
        if (!x11_watch_errors(run.x, run.surface.drawable, glxErrorBase, &failure))
            error = "the X server refused the OpenGL start-up: " + failure;
    }
    RunState end = RunState::Failed;
    if (error.empty()) {
        stop_signals_arm();
        end = frame_loop(&run, &error);
    }
    if (options.showFps)
        fps_stop(run.x.display);
    run.keeper.release();
    scene_teardown();
    glx_release(&run.surface);
    x11_close(&run.x);
    return end == RunState::Failed ? fail(error) : 0;
}

} // namespace

int hack_main(int argc, char* argv[], const RunHooks& hooks)
{
    HackOptions options;
    options.delayUs = DEFAULT_FRAME_PERIOD_US;
    std::string error;
    switch (parse_hack_options(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), &options, &error)) {
    case HackParse::Help:
        std::fputs(hack_usage(), stdout);
        return 0;
    case HackParse::Version:
        std::fputs(hack_version(), stdout);
        return 0;
    case HackParse::Error:
        std::fprintf(stderr, "latticedrift: %s\n\n%s", error.c_str(), hack_usage());
        return EXIT_USAGE;
    case HackParse::Run:
        break;
    }
    return run_hack(options, hooks);
}
