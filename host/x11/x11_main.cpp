// latticedrift, the Linux host's entry and frame loop: reads the command line, opens the window
// (its own, full screen, or the one it is given), binds GLX and starts the scene, then renders,
// swaps and waits out the rest of the frame delay until the window, the input or a signal ends it.
#include "host/x11/glx_context.h"
#include "host/x11/glx_fps.h"
#include "host/x11/hack_options.h"
#include "host/x11/x11_window.h"
#include "scene/frame.h"
#include "scene/scene.h"

#include <poll.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
constexpr int KEEP_RUNNING = -1;

volatile sig_atomic_t stop_requested = 0;

void request_stop(int)
{
    stop_requested = 1;
}

// SIGTERM and SIGINT set a flag. They stay blocked except while the loop waits, so one that comes
// while a frame renders cuts the next wait short instead of slipping in before it; the GL driver's
// threads, started later, inherit the block. Returns the mask to wait with.
sigset_t install_stop_signals()
{
    struct sigaction action {};
    action.sa_handler = request_stop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    // A dead connection then reads as an error that the X error handlers turn into an orderly end.
    signal(SIGPIPE, SIG_IGN);

    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &stops, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    return waitMask;
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

// Time from now to the deadline, zero once it has passed.
timespec time_left(const timespec& deadline)
{
    const timespec now = monotonic_now();
    timespec left{ deadline.tv_sec - now.tv_sec, deadline.tv_nsec - now.tv_nsec };
    if (left.tv_nsec < 0) {
        left.tv_nsec += 1000000000L;
        --left.tv_sec;
    }
    if (left.tv_sec < 0)
        left = timespec{ 0, 0 };
    return left;
}

// A new window size reaches the scene as a new window would: the size and the layout.
void follow_resize(const X11Window& x)
{
    window_width = x.width;
    window_height = x.height;
    scene_objects::layout.setWindowSize(static_cast<float>(x.width), static_cast<float>(x.height));
}

// Handles events and signals until the frame's deadline. KEEP_RUNNING, or the run's exit status.
int wait_out_frame(X11Window* x, const timespec& deadline, const sigset_t& waitMask)
{
    pollfd connection{ ConnectionNumber(x->display), POLLIN, 0 };
    for (;;) {
        bool resized = false;
        std::string reason;
        const RunState state = x11_process_events(x, &resized, &reason);
        if (state == RunState::Ended)
            return 0;
        if (state == RunState::Failed)
            return fail(reason);
        if (resized)
            follow_resize(*x);
        if (stop_requested)
            return 0;
        // Even with no time left this lets a pending SIGTERM or SIGINT in.
        const timespec left = time_left(deadline);
        ppoll(&connection, 1, &left, &waitMask);
        if (stop_requested)
            return 0;
        if (left.tv_sec == 0 && left.tv_nsec == 0)
            return KEEP_RUNNING;
    }
}

// The window and a current GL context on it.
bool open_surface(X11Window* x, GlxSurface* surface, const HackOptions& options, std::string* error)
{
    if (!glx_check(x->display, error))
        return false;
    XVisualInfo* visual = nullptr;
    if (options.mode == HackMode::Target) {
        if (x11_adopt_window(x, options, error))
            visual = glx_visual_of(x->display, x->screen, x->visual, error);
    } else {
        visual = glx_choose_visual(x->display, x->screen, error);
        if (visual != nullptr && !x11_create_window(x, *visual, error)) {
            XFree(visual);
            visual = nullptr;
        }
    }
    if (visual == nullptr)
        return false;
    const bool bound = glx_bind(surface, x->display, x->window, visual, error);
    XFree(visual);
    return bound;
}

int run(const HackOptions& options, const sigset_t& waitMask)
{
    X11Window x;
    GlxSurface surface;
    std::string error;
    if (!x11_open(&x, options, &error))
        return fail(error);
    if (!open_surface(&x, &surface, options, &error)) {
        x11_close(&x);
        return fail(error);
    }

    window_width = x.width;
    window_height = x.height;
    apply_fixed_gl_state();
    if (options.showFps)
        fps_start(x.display);
    int status = KEEP_RUNNING;
    while (status == KEEP_RUNNING) {
        const timespec frameStart = monotonic_now();
        render_frame();
        if (options.showFps)
            fps_frame(x.width, x.height);
        glx_present(surface);
        status = wait_out_frame(&x, after_us(frameStart, options.delayUs), waitMask);
    }
    if (options.showFps)
        fps_stop(x.display);
    scene_teardown();
    glx_release(&surface);
    x11_close(&x);
    return status;
}

} // namespace

int main(int argc, char* argv[])
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
    return run(options, install_stop_signals());
}
