// One Wayland surface's run: binds the globals, makes the surface in its role, waits for its first
// configure, binds EGL and starts the scene, then draws on the compositor's frame callbacks no
// faster than the frame period, and sleeps while none comes (hidden, or the display off), until
// input, the compositor or a stop signal ends it.
#include "host/wayland/wayland_run.h"

#include "host/frame_keeper.h"
#include "host/frame_schedule.h"
#include "host/posix_clock.h"
#include "host/posix_frame_rate.h"
#include "host/posix_stop_signals.h"
#include "host/wayland/egl_wayland.h"
#include "host/wayland/wayland_rules.h"
#include "host/wayland/wayland_saver.h"
#include "host/wayland/wayland_surface.h"
#include "host/wayland/wl_client.h"
#include "scene/frame.h"
#include "scene/scene.h"

#include <GL/gl.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int EXIT_FAILED = 1;
// Swaps watched before the frame keeper is dropped for a software rasteriser (see probe_swap).
constexpr int SWAP_PROBES = 4;

// Mesa's software rasterisers (llvmpipe, softpipe) draw into a back buffer of their own and copy it
// out at each swap, which keeps the picture, although EGL does not say so on Wayland.
bool software_rasteriser()
{
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return renderer != nullptr && (std::strstr(renderer, "llvmpipe") != nullptr || std::strstr(renderer, "softpipe") != nullptr);
}

// The back buffer's pixels, width x height RGBA.
void read_back(std::vector<unsigned char>* pixels, int width, int height)
{
    pixels->resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels->data());
    glPopClientAttrib();
}

int fail(const std::string& reason)
{
    std::fprintf(stderr, "latticedrift: %s\n", reason.c_str());
    return EXIT_FAILED;
}

// The whole buffer black and opaque, whatever the scene's clear colour or the colour mask: no
// stale contents at the start or after a resize.
void clear_buffer()
{
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
}

class SurfaceRun final : public WlInputHandler {
public:
    SurfaceRun(const HackOptions& runOptions, const WaylandHooks& runHooks, bool fullScreen)
        : options(runOptions), hooks(runHooks), saver(fullScreen)
    {
    }

    int run(wl_display* display, SurfaceRole role, std::uint32_t outputName);

    wl_surface* input_surface() const override { return surface.surface; }
    void pointer_entered(wl_pointer* pointer, std::uint32_t serial, double x, double y) override;
    void pointer_moved(double x, double y) override;
    void pointer_pressed() override { inputEnded = inputEnded || saver; }
    void key_pressed(xkb_keysym_t unshifted) override;
    void touched() override { inputEnded = inputEnded || saver; }

private:
    static void frame_done(void* data, wl_callback* callback, std::uint32_t);
    static const wl_callback_listener FRAME_LISTENER;

    bool start(std::string* error);
    int frame_loop();
    void follow_size();
    bool draw_frame();
    void probe_swap();
    int closed_status();
    void finish();

    const HackOptions& options;
    const WaylandHooks& hooks;
    const bool saver; // full screen: input ends the run
    WlClient client;
    WaylandSurface surface;
    EglWayland egl;
    FrameKeeper keeper;
    FrameRate rate; // --fps, on stderr: there is no font to draw it with
    bool keeping = false;
    int probesLeft = 0;                   // swaps still to watch before trusting the driver's
    std::vector<unsigned char> drawnPixels; // the frame as drawn, while probing
    std::vector<unsigned char> keptPixels;  // the back buffer after its swap, while probing
    bool toldShort = false;
    BufferSize drawn;      // the size the scene and the keeper were last given
    PointerTravel travel;
    bool inputEnded = false;
    wl_callback* callback = nullptr;
    bool callbackDone = true;
    long frame = 0;
    bool started = false;
};

const wl_callback_listener SurfaceRun::FRAME_LISTENER = { SurfaceRun::frame_done };

void SurfaceRun::frame_done(void* data, wl_callback* callback, std::uint32_t)
{
    auto* run = static_cast<SurfaceRun*>(data);
    wl_callback_destroy(callback);
    if (run->callback == callback) {
        run->callback = nullptr;
        run->callbackDone = true;
    }
}

void SurfaceRun::pointer_entered(wl_pointer* pointer, std::uint32_t serial, double x, double y)
{
    if (!saver)
        return;
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
    pointer_moved(x, y);
}

void SurfaceRun::pointer_moved(double x, double y)
{
    // Surface units to device pixels: the rule counts pixels of the screen.
    const double toPixels = surface.scale120 / 120.0;
    if (saver && travel.moved_to(x * toPixels, y * toPixels))
        inputEnded = true;
}

void SurfaceRun::key_pressed(xkb_keysym_t unshifted)
{
    if (saver || unshifted == XKB_KEY_Escape || unshifted == XKB_KEY_q)
        inputEnded = true;
}

// The scene, the keeper and the pointer's reference follow a new buffer size (also the first).
void SurfaceRun::follow_size()
{
    drawn = surface.buffer;
    egl_wayland_resize(&egl, drawn.width, drawn.height);
    window_width = drawn.width;
    window_height = drawn.height;
    if (started)
        scene_objects::layout.setWindowSize(static_cast<float>(drawn.width), static_cast<float>(drawn.height));
    clear_buffer();
    if (keeping) {
        keeper.resize(drawn.width, drawn.height);
        if (keeper.missingTiles() > 0 && !toldShort) {
            std::fprintf(stderr, "latticedrift: not enough graphics memory to keep the whole frame over the swap; "
                                 "part of the picture is drawn without trails\n");
            toldShort = true;
        }
    }
    travel.settle();
}

bool SurfaceRun::start(std::string* error)
{
    wayland_surface_update(&surface);
    if (!egl_wayland_open(&egl, client.display, surface.surface, surface.buffer.width, surface.buffer.height, error))
        return false;
    keeping = !egl.preserved || hooks.keepFrame;
    probesLeft = keeping && !hooks.keepFrame && !egl.bufferAge && software_rasteriser() ? SWAP_PROBES : 0;
    follow_size();
    // The buffer's alpha stays opaque, so that the compositor shows nothing through it: the scene
    // blends by the source's alpha only, so masking the destination's changes no colour.
    if (egl.alphaBits > 0)
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    if (hooks.beforeStart != nullptr)
        hooks.beforeStart();
    apply_fixed_gl_state();
    started = true;
    if (hooks.afterStart != nullptr)
        hooks.afterStart();
    if (options.showFps)
        rate.start();
    return true;
}

bool SurfaceRun::draw_frame()
{
    if (surface.buffer.width != drawn.width || surface.buffer.height != drawn.height)
        follow_size();
    wayland_surface_prepare_commit(&surface);
    ++frame;
    // A back buffer one swap old still holds the last frame.
    if (keeping && egl_wayland_buffer_age(egl) != 1)
        keeper.restore();
    if (hooks.beforeFrame != nullptr)
        hooks.beforeFrame(frame);
    render_frame();
    if (options.showFps)
        if (const char* figures = rate.frame())
            std::fprintf(stderr, "latticedrift: %s\n", figures);
    if (keeping)
        keeper.save();
    if (probesLeft > 0)
        read_back(&drawnPixels, drawn.width, drawn.height);
    // A frame drawn before the last one's callback came (a new size) replaces that callback.
    if (callback != nullptr)
        wl_callback_destroy(callback);
    callback = wl_surface_frame(surface.surface);
    wl_callback_add_listener(callback, &FRAME_LISTENER, this);
    callbackDone = false;
    if (!egl_wayland_present(&egl))
        return false;
    if (hooks.afterPresent != nullptr)
        hooks.afterPresent(client.display, frame);
    if (probesLeft > 0)
        probe_swap();
    return true;
}

// While a software rasteriser's swaps are watched, the keeper still keeps every frame; once the
// back buffer has held the frame just shown after each of SWAP_PROBES swaps, the keeper goes, and
// with it most of the processor's work per frame. A single swap that does not keep it keeps the
// keeper for good.
void SurfaceRun::probe_swap()
{
    read_back(&keptPixels, drawn.width, drawn.height);
    const bool kept = keptPixels == drawnPixels;
    if (!kept || --probesLeft == 0) {
        probesLeft = 0;
        if (kept) {
            keeping = false;
            keeper.release();
        }
        std::vector<unsigned char>().swap(drawnPixels);
        std::vector<unsigned char>().swap(keptPixels);
    }
}

// A closed surface ends the saver, unless the output under it went away: then its picture alone.
int SurfaceRun::closed_status()
{
    if (client.onlyOutput != 0 && !client.outputGone)
        wl_display_roundtrip(client.display);
    return client.outputGone ? OUTPUT_GONE_STATUS : 0;
}

// Draws whenever a frame is due and the compositor has shown the last one, and at once for a new
// size; otherwise sleeps until the next event, a stop signal or the due time.
int SurfaceRun::frame_loop()
{
    std::int64_t due = monotonic_us();
    bool redraw = true; // the first frame, at once
    for (;;) {
        if (stop_requested() || inputEnded)
            return 0;
        if (client.outputGone)
            return OUTPUT_GONE_STATUS;
        if (surface.closed)
            return closed_status();
        wayland_surface_update(&surface);
        if (surface.buffer.width != drawn.width || surface.buffer.height != drawn.height)
            redraw = true;
        const long limit = hooks.frameLimit;
        const bool drawing = limit == 0 || frame < limit;
        const bool timely = drawing && callbackDone && monotonic_us() >= due;
        if (drawing && (redraw || timely)) {
            if (!draw_frame())
                return fail("the frame could not be shown: " + wayland_connection_error(client.display));
            due = next_frame_due(monotonic_us(), options.delayUs, due, timely ? FrameCause::Due : FrameCause::Other);
            redraw = false;
            continue;
        }
        if (!wayland_pump(client.display, drawing && callbackDone ? due : -1))
            return fail(wayland_connection_error(client.display));
    }
}

void SurfaceRun::finish()
{
    if (started) {
        if (options.showFps)
            rate.stop();
        keeper.release();
        scene_teardown();
    }
    egl_wayland_close(&egl);
    if (callback != nullptr)
        wl_callback_destroy(callback);
    callback = nullptr;
    wayland_surface_destroy(&surface);
    wayland_release_globals(&client);
}

int SurfaceRun::run(wl_display* display, SurfaceRole role, std::uint32_t outputName)
{
    std::string error;
    if (!wayland_bind_globals(&client, display, outputName, &error)) {
        wayland_release_globals(&client);
        return fail(error);
    }
    WlOutput* output = nullptr;
    if (outputName != 0) {
        // Gone before it could be bound: nothing to cover.
        if (client.outputs.empty()) {
            wayland_release_globals(&client);
            return OUTPUT_GONE_STATUS;
        }
        output = client.outputs.front().get();
        if (role == SurfaceRole::Layer && (client.layerShell == nullptr || hooks.noLayerShell))
            role = SurfaceRole::FullScreenWindow;
    }
    if (role != SurfaceRole::Layer && client.wmBase == nullptr) {
        wayland_release_globals(&client);
        return fail("the Wayland compositor offers no xdg_wm_base: it makes no windows");
    }
    client.input = this;
    wayland_surface_create(&surface, &client, role, output);
    int status = -1;
    while (status < 0 && !surface.configured) {
        if (surface.closed)
            status = closed_status();
        else if (client.outputGone)
            status = OUTPUT_GONE_STATUS;
        else if (!wayland_pump(display, -1))
            status = fail(wayland_connection_error(display));
    }
    if (status < 0 && !start(&error))
        status = fail(error);
    if (status < 0) {
        stop_signals_arm();
        status = frame_loop();
    }
    finish();
    return status;
}

} // namespace

int wayland_main(char* argv[], const HackOptions& options, wl_display* display, const WaylandHooks& hooks)
{
    stop_signals_install();
    int status = 0;
    if (options.mode != HackMode::FullScreen) {
        SurfaceRun run(options, hooks, false);
        status = run.run(display, SurfaceRole::Window, 0);
    } else if (const char* output = std::getenv(WAYLAND_OUTPUT_VARIABLE)) {
        char* end = nullptr;
        errno = 0;
        const unsigned long name = std::strtoul(output, &end, 10);
        if (*output == '\0' || *end != '\0' || errno != 0 || name == 0 || name > 0xFFFFFFFFul) {
            status = fail(std::string(WAYLAND_OUTPUT_VARIABLE) + ": '" + output + "' names no output");
        } else {
            SurfaceRun run(options, hooks, true);
            status = run.run(display, SurfaceRole::Layer, static_cast<std::uint32_t>(name));
        }
    } else {
        status = wayland_saver(argv, display);
    }
    wl_display_disconnect(display);
    return status;
}
