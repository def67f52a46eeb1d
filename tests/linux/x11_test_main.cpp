// latticedrift-test: the Linux host with switches for the end-to-end checks, read from the
// environment. LATTICEDRIFT_TEST_FPS=F runs the clock on simulated time (frame k reads
// floor(k*1000/F) ms, the start 0), LATTICEDRIFT_TEST_SEED=S fixes the seed,
// LATTICEDRIFT_TEST_FRAMES=N stops drawing after frame N and prints "window=0x..." (where it
// draws) and "frames=N" on stdout,
// LATTICEDRIFT_TEST_EXCHANGE=1 overwrites the back buffer after every swap, as a swap that
// exchanges buffers leaves it, and keeps the frame as over such a swap. The seed goes to stderr.
// For the frame keeper: LATTICEDRIFT_TEST_TILE=N makes its largest tile N pixels a side,
// LATTICEDRIFT_TEST_REFUSE_TILE=I refuses its tile I as if memory had run out, and
// LATTICEDRIFT_TEST_RESIZE=N:WxH resizes the host's own window once frame N is shown.
// LATTICEDRIFT_TEST_BLOCK=N never returns from frame N's swap, as a driver that hangs.
// LATTICEDRIFT_TEST_X_ERROR=KIND@N hands the host an X error of KIND after frame N's swap (N = 0:
// right after the start-up asks for vsync), as if the server had sent it; see error_kinds below.
// On Wayland the same program takes the switches of tests/wayland/wayland_test_hooks.cpp.
#include "host/linux_run.h"
#include "host/x11/x11_run.h"
#include "scene/scene.h"
#include "tests/wayland/wayland_test_hooks.h"
#include "tools/headless_scene.h"
#include "tools/render_options.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xproto.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double fps = 0.0;
long frame_limit = 0;
bool seeded = false;
std::uint32_t seed = 0;
bool exchange = false;
long block_at = 0;
long resize_at = 0;
unsigned resize_width = 0;
unsigned resize_height = 0;
const char* error_kind = nullptr;
long error_at = -1;

double number(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::atof(value) : 0.0;
}

// The errors a server may send about the saver's GL: GLX's own codes (offsets from its first
// error), and core errors of a GLX request; "other" is one about somebody else's window.
struct ErrorKind {
    const char* name;
    int glxError;   // offset, or -1
    int coreError;  // with GLX's major opcode, or 0
};
const ErrorKind error_kinds[] = {
    { "glx-bad-context-state", 1, 0 },   { "glx-bad-render-request", 6, 0 },
    { "glx-bad-large-request", 7, 0 },   { "glx-unsupported-private-request", 8, 0 },
    { "glx-bad-alloc", -1, BadAlloc },   { "glx-bad-length", -1, BadLength },
    { "other", -1, BadWindow },
};

void inject_x_error(Display* display)
{
    for (const ErrorKind& kind : error_kinds) {
        if (std::strcmp(kind.name, error_kind) != 0)
            continue;
        int glxOpcode = 0;
        int glxEvent = 0;
        int glxErrorBase = 0;
        XQueryExtension(display, "GLX", &glxOpcode, &glxEvent, &glxErrorBase);
        XErrorEvent event{};
        event.type = 0;
        event.display = display;
        event.serial = NextRequest(display) - 1;
        const bool other = std::strcmp(kind.name, "other") == 0;
        event.resourceid = other ? 0x1fffff0 : 0x2a; // somebody's window; a context tag
        event.error_code = static_cast<unsigned char>(kind.glxError >= 0 ? glxErrorBase + kind.glxError : kind.coreError);
        event.request_code = static_cast<unsigned char>(other ? X_GetProperty : glxOpcode);
        event.minor_code = other ? 0 : 1; // glXRender
        const XErrorHandler handler = XSetErrorHandler(nullptr);
        XSetErrorHandler(handler);
        handler(display, &event);
        return;
    }
    std::fprintf(stderr, "latticedrift-test: unknown LATTICEDRIFT_TEST_X_ERROR kind '%s'\n", error_kind);
    _exit(3);
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

void after_swap_interval(Display* display)
{
    if (error_at == 0)
        inject_x_error(display);
}

void before_frame(long frame)
{
    if (fps > 0.0)
        headless_set_ms(simulated_frame_ms(frame, fps));
}

void after_present(Display* display, Window window, long frame)
{
    // Once the last frame is on the screen, so that a screenshot taken from now on shows it: the
    // GL driver has done all its work, the server all of ours.
    if (frame == frame_limit) {
        glFinish();
        XSync(display, False);
        std::printf("window=0x%lx\nframes=%ld\n", window, frame);
        std::fflush(stdout);
    }
    if (frame == resize_at) {
        // Seen by the next pass of the host's loop, before the next frame.
        XResizeWindow(display, window, resize_width, resize_height);
        XSync(display, False);
    }
    if (frame == error_at)
        inject_x_error(display);
    while (frame == block_at)
        pause();
    // Magenta over the whole back buffer: anything of it that shows was not drawn by the saver.
    if (exchange) {
        glPushAttrib(GL_COLOR_BUFFER_BIT);
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glPopAttrib();
    }
}

} // namespace

int main(int argc, char* argv[])
{
    fps = number("LATTICEDRIFT_TEST_FPS");
    frame_limit = static_cast<long>(number("LATTICEDRIFT_TEST_FRAMES"));
    exchange = number("LATTICEDRIFT_TEST_EXCHANGE") != 0.0;
    seeded = std::getenv("LATTICEDRIFT_TEST_SEED") != nullptr;
    seed = static_cast<std::uint32_t>(number("LATTICEDRIFT_TEST_SEED"));
    block_at = static_cast<long>(number("LATTICEDRIFT_TEST_BLOCK"));
    if (const char* resize = std::getenv("LATTICEDRIFT_TEST_RESIZE"))
        std::sscanf(resize, "%ld:%ux%u", &resize_at, &resize_width, &resize_height);
    if (const char* injected = std::getenv("LATTICEDRIFT_TEST_X_ERROR")) {
        static char kind[64];
        if (std::sscanf(injected, "%63[^@]@%ld", kind, &error_at) == 2)
            error_kind = kind;
    }
    RunHooks hooks;
    hooks.beforeStart = before_start;
    hooks.afterStart = after_start;
    hooks.afterSwapInterval = after_swap_interval;
    hooks.beforeFrame = before_frame;
    hooks.afterPresent = after_present;
    hooks.keepFrame = exchange;
    hooks.keeperTileLimit = static_cast<int>(number("LATTICEDRIFT_TEST_TILE"));
    hooks.keeperRefusedTile = std::getenv("LATTICEDRIFT_TEST_REFUSE_TILE") != nullptr
                                  ? static_cast<int>(number("LATTICEDRIFT_TEST_REFUSE_TILE"))
                                  : -1;
    hooks.frameLimit = frame_limit;
    return linux_main(argc, argv, hooks, wayland_test_hooks());
}
