// The web host: what the page (web_page.js) calls in the WebAssembly module. It starts the scene on
// the page's WebGL 2 context through our OpenGL 1.1 layer, draws live frames on the real clock or
// a fixed run on simulated time as latticedrift-render does, and restarts after a lost context.
#include "compat/webgl/webgl_layer.h"
#include "host/saver_rules.h"
#include "host/web/web_params.h"
#include "scene/frame.h"
#include "scene/scene.h"
#include "tools/headless_scene.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <string>

namespace {

PageOptions g_options;
std::string g_message;
// The page's query, written by the page; its length when it was too long to take.
std::string g_query;
std::size_t g_refusedLength = 0;
bool g_running = false;
long g_fixedFrame = 0;
std::uint32_t g_seed = 0;

} // namespace

extern "C" {

// Room for the page's query of `bytes` bytes with its terminating NUL, which the page writes there
// before web_configure; null for a query too long to be one of ours.
EMSCRIPTEN_KEEPALIVE char* web_query_buffer(int bytes)
{
    g_query.clear();
    g_refusedLength = 0;
    if (bytes < 1 || static_cast<std::size_t>(bytes) > MAX_QUERY_LENGTH + 1) {
        g_refusedLength = bytes < 1 ? 0 : static_cast<std::size_t>(bytes) - 1;
        return nullptr;
    }
    g_query.assign(static_cast<std::size_t>(bytes), '\0');
    return &g_query[0];
}

// Reads the page's query; returns "" or the message the page shows instead of the saver.
EMSCRIPTEN_KEEPALIVE const char* web_configure()
{
    g_message.clear();
    if (g_refusedLength > 0)
        g_message = overlong_query_message(g_refusedLength);
    else
        parse_page_options(g_query.c_str(), &g_options, &g_message);
    if (!g_message.empty())
        g_message = "Bad URL parameter: " + g_message;
    return g_message.c_str();
}

// The fixed run's frame count (0 for live) and picture size.
EMSCRIPTEN_KEEPALIVE long web_fixed_frames() { return g_options.frames; }
EMSCRIPTEN_KEEPALIVE int web_fixed_width() { return g_options.width; }
EMSCRIPTEN_KEEPALIVE int web_fixed_height() { return g_options.height; }

// Starts (or, after a lost context, restarts) the scene on a width x height picture; a fixed run
// starts again from frame 1. 0 when WebGL refuses.
EMSCRIPTEN_KEEPALIVE int web_start(int width, int height)
{
    if (!webgl_layer_open(width, height))
        return 0;
    window_width = width;
    window_height = height;
    if (g_options.frames > 0) {
        headless_start(width, height, g_options.seeded, g_options.seed);
        g_fixedFrame = 0;
    } else {
        if (g_options.seeded)
            scene_use_seed(g_options.seed);
        apply_fixed_gl_state();
    }
    // Until the first frame the clock still holds the start-up's reading, which the seed took.
    g_seed = g_options.seeded ? g_options.seed : startup_seed();
    headless_apply_switches(g_options);
    g_running = true;
    return 1;
}

// The seed of the scene's random generator at the last start.
EMSCRIPTEN_KEEPALIVE std::uint32_t web_seed() { return g_seed; }

// One live frame on the real clock, shown on the canvas.
EMSCRIPTEN_KEEPALIVE void web_live_frame()
{
    if (!g_running)
        return;
    render_frame();
}

// The fixed run's next frame in simulated time, shown; returns its number (the run's frame count
// once it is complete, when nothing more is drawn).
EMSCRIPTEN_KEEPALIVE long web_fixed_frame()
{
    if (!g_running || g_fixedFrame >= g_options.frames)
        return g_fixedFrame;
    ++g_fixedFrame;
    headless_frame(g_fixedFrame, g_options.fps);
    return g_fixedFrame;
}

// The canvas has a new size in device pixels; the scene follows as a resized window would. 0 when
// no picture of that size can be made: the scene then stays at its size.
EMSCRIPTEN_KEEPALIVE int web_resize(int width, int height)
{
    if (!g_running || width < 1 || height < 1 || !webgl_layer_resize(width, height))
        return 0;
    window_width = width;
    window_height = height;
    scene_objects::layout.setWindowSize(static_cast<float>(width), static_cast<float>(height));
    return 1;
}

// The context is lost: the scene lets go of its lists, the layer of every GPU object.
EMSCRIPTEN_KEEPALIVE void web_lost()
{
    if (!g_running)
        return;
    g_running = false;
    scene_teardown();
    webgl_layer_lost();
}

// The saver's rule for pointer travel in full screen, shared with the other hosts.
EMSCRIPTEN_KEEPALIVE int web_pointer_travel_ends(int refX, int refY, int x, int y)
{
    return mouse_travel_exceeds(refX, refY, x, y) ? 1 : 0;
}

} // extern "C"
