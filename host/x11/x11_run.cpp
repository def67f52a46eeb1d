// The Linux host's run: opens the window (its own, full screen, or the one it is given), binds GLX
// and starts the scene, then draws a frame each period while the window can be seen and sleeps
// while it cannot, until the window, the input or a stop signal ends the run.
#include "host/x11/x11_run.h"

#include "host/x11/frame_keeper.h"
#include "host/x11/glx_context.h"
#include "host/x11/glx_fps.h"
#include "host/x11/hack_options.h"
#include "host/x11/x11_window.h"
#include "scene/frame.h"
#include "scene/scene.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

// SIGTERM and SIGINT. During the start-up, which may wait on the server or a window manager, they
// end the process at once. Once frames run they set a flag and wake the loop's wait through a
// pipe, whichever thread they land on (the GL driver starts threads of its own).
std::atomic<bool> starting{ true };
volatile sig_atomic_t stop_requested = 0;
int wake_pipe[2] = { -1, -1 };

void on_stop_signal(int)
{
    if (starting.load())
        _exit(0);
    stop_requested = 1;
    const int saved = errno;
    const char byte = 1;
    const ssize_t written = write(wake_pipe[1], &byte, 1);
    (void)written;
    errno = saved;
}

void install_stop_signals()
{
    if (pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        wake_pipe[0] = wake_pipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    // A dead connection then reads as an error that the X error handlers turn into an orderly end.
    signal(SIGPIPE, SIG_IGN);
}

int fail(const std::string& reason)
{
    std::fprintf(stderr, "latticedrift: %s\n", reason.c_str());
    return EXIT_FAILED;
}

timespec monotonic_now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

timespec after_us(timespec start, long us)
{
    constexpr long NS_PER_S = 1000000000L;
    const long ns = start.tv_nsec + (us % 1000000L) * 1000L;
    start.tv_sec += us / 1000000L + ns / NS_PER_S;
    start.tv_nsec = ns % NS_PER_S;
    return start;
}

bool earlier(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// Sleeps until an X event, a stop signal or the deadline (none: no time limit).
void sleep_until(Display* display, const timespec* deadline)
{
    XFlush(display);
    if (XEventsQueued(display, QueuedAlready) > 0)
        return;
    pollfd waits[2] = { { ConnectionNumber(display), POLLIN, 0 }, { wake_pipe[0], POLLIN, 0 } };
    timespec left{};
    if (deadline != nullptr) {
        const timespec now = monotonic_now();
        if (!earlier(now, *deadline))
            return;
        left.tv_sec = deadline->tv_sec - now.tv_sec;
        left.tv_nsec = deadline->tv_nsec - now.tv_nsec;
        if (left.tv_nsec < 0) {
            left.tv_nsec += 1000000000L;
            --left.tv_sec;
        }
    }
    ppoll(waits, wake_pipe[0] >= 0 ? 2 : 1, deadline != nullptr ? &left : nullptr, nullptr);
}

// The whole window black, whatever the scene's clear colour: no stale contents at the start or
// after a resize.
void clear_window()
{
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
}

// A new window size reaches the scene as a new window would: the size and the layout.
void follow_resize(const X11Window& x, FrameKeeper* keeper)
{
    window_width = x.width;
    window_height = x.height;
    scene_objects::layout.setWindowSize(static_cast<float>(x.width), static_cast<float>(x.height));
    clear_window();
    if (keeper != nullptr)
        keeper->resize(x.width, x.height);
}

// The window and a current GL context on it.
bool open_surface(X11Window* x, GlxSurface* surface, const HackOptions& options, int* glxErrorBase,
                  std::string* error)
{
    if (!glx_check(x->display, glxErrorBase, error))
        return false;
    GlxConfig config;
    if (options.mode == HackMode::Target) {
        if (!x11_adopt_window(x, options, error) ||
            !glx_config_of_visual(x->display, x->screen, x->visual, &config, error))
            return false;
    } else {
        XVisualInfo* visual = glx_choose(x->display, x->screen, &config, error);
        if (visual == nullptr)
            return false;
        const bool made = x11_create_window(x, *visual, error);
        XFree(visual);
        if (!made)
            return false;
    }
    if (!glx_bind(surface, x->display, x->screen, x->window, config, error))
        return false;
    std::string failure;
    if (!x11_sync_clean(x->display, &failure)) {
        *error = "cannot draw into window " + format_window_id(x->window) + " with OpenGL: " + failure;
        return false;
    }
    return true;
}

struct Run {
    const HackOptions& options;
    const RunHooks& hooks;
    X11Window x;
    GlxSurface surface;
    FrameKeeper keeper;
    bool keeping = false; // the swap may not keep the frame, so the keeper does
    long frame = 0;
};

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
        run->hooks.afterPresent(run->x.display, run->frame);
}

// Draws a frame whenever the period has passed or the window was uncovered, while the window can
// be seen; sleeps otherwise. After a pause the clock has moved on, and so does the animation.
RunState frame_loop(Run* run, std::string* reason)
{
    timespec due = monotonic_now();
    for (;;) {
        WindowChanges changes;
        const RunState state = x11_process_events(&run->x, &changes, reason);
        if (state != RunState::Running)
            return state;
        if (stop_requested)
            return RunState::Ended;
        if (changes.resized)
            follow_resize(run->x, run->keeping ? &run->keeper : nullptr);
        const long limit = run->hooks.frameLimit;
        const bool drawing = x11_visible(run->x) && (limit == 0 || run->frame < limit);
        if (drawing && (changes.exposed || !earlier(monotonic_now(), due))) {
            draw_frame(run);
            // Paced from one due time to the next; a run that falls behind starts afresh from now
            // rather than hurrying to catch up.
            const timespec now = monotonic_now();
            due = after_us(due, run->options.delayUs);
            if (earlier(due, now))
                due = now;
            continue;
        }
        sleep_until(run->x.display, drawing ? &due : nullptr);
    }
}

int run_hack(const HackOptions& options, const RunHooks& hooks)
{
    install_stop_signals();
    Run run{ options, hooks, {}, {}, {}, false, 0 };
    std::string error;
    if (!x11_open(&run.x, options, &error))
        return fail(error);
    int glxErrorBase = 0;
    if (!open_surface(&run.x, &run.surface, options, &glxErrorBase, &error)) {
        // A given window destroyed during the start-up ends the run as it would later: quietly.
        const bool gone = x11_target_gone(&run.x);
        glx_release(&run.surface);
        x11_close(&run.x);
        return gone ? 0 : fail(error);
    }

    const GlxConfig& config = run.surface.config;
    run.keeping = config.doubleBuffered && (!config.copySwap || hooks.keepFrame);
    clear_window();
    if (run.keeping)
        run.keeper.resize(run.x.width, run.x.height);
    window_width = run.x.width;
    window_height = run.x.height;
    if (hooks.beforeStart != nullptr)
        hooks.beforeStart();
    apply_fixed_gl_state();
    if (hooks.afterStart != nullptr)
        hooks.afterStart();
    if (options.showFps)
        fps_start(run.x.display);
    x11_watch_errors(run.x, run.surface.drawable, glxErrorBase);
    starting = false;

    std::string reason;
    const RunState end = frame_loop(&run, &reason);
    if (options.showFps)
        fps_stop(run.x.display);
    run.keeper.release();
    scene_teardown();
    glx_release(&run.surface);
    x11_close(&run.x);
    return end == RunState::Failed ? fail(reason) : 0;
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
    case HackParse::Error:
        std::fprintf(stderr, "latticedrift: %s\n\n%s", error.c_str(), hack_usage());
        return EXIT_USAGE;
    case HackParse::Run:
        break;
    }
    return run_hack(options, hooks);
}
