// The Wayland host's connection: the globals it binds, the outputs with their scales, and each
// seat's pointer, keyboard and touch screen, whose input goes to a handler.
#ifndef LATTICEDRIFT_HOST_WAYLAND_WL_CLIENT_H
#define LATTICEDRIFT_HOST_WAYLAND_WL_CLIENT_H

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
// The layer shell names an argument "namespace", which C++ reserves.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the seats report, in surface units; only input on the handler's own surface reaches it.
class WlInputHandler {
public:
    virtual ~WlInputHandler() = default;
    virtual wl_surface* input_surface() const = 0;
    // The pointer entered the surface (a serial for wl_pointer.set_cursor), or moved in it.
    virtual void pointer_entered(wl_pointer* pointer, std::uint32_t serial, double x, double y) = 0;
    virtual void pointer_moved(double x, double y) = 0;
    // A button pressed, or a scroll.
    virtual void pointer_pressed() = 0;
    // A key pressed (not one held when the focus came), as the keysym of its first shift level
    // in the current layout (XKB_KEY_NoSymbol without a keymap).
    virtual void key_pressed(xkb_keysym_t unshifted) = 0;
    virtual void touched() = 0;
};

struct WlClient;

struct WlOutput {
    WlClient* client = nullptr;
    wl_output* output = nullptr;
    std::uint32_t name = 0;
    std::int32_t scale = 1;
    std::int32_t modeWidth = 0; // the current mode, in device pixels
    std::int32_t modeHeight = 0;
};

struct WlSeat {
    WlClient* client = nullptr;
    wl_seat* seat = nullptr;
    std::uint32_t name = 0;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_touch* touch = nullptr;
    bool pointerInside = false;  // over the handler's surface
    bool keyboardInside = false; // focused on it
    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;
};

struct WlClient {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    xdg_wm_base* wmBase = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zxdg_decoration_manager_v1* decorations = nullptr;
    wp_viewporter* viewporter = nullptr;
    wp_fractional_scale_manager_v1* fractionalScale = nullptr;
    std::vector<std::unique_ptr<WlOutput>> outputs;
    std::vector<std::unique_ptr<WlSeat>> seats;
    xkb_context* xkb = nullptr; // made for the first keymap
    WlInputHandler* input = nullptr;
    std::uint32_t onlyOutput = 0; // bind this output alone (0: every output)
    bool outputGone = false;      // onlyOutput has gone away
};

// Binds the globals on `display` (already connected) and waits for the outputs' and seats' first
// reports. Fails with a one-line reason when the compositor lacks wl_compositor or, where no
// layer shell serves, xdg_wm_base.
bool wayland_bind_globals(WlClient* client, wl_display* display, std::uint32_t onlyOutput, std::string* error);

// The output record of a bound wl_output, or null.
WlOutput* wayland_output_of(WlClient* client, wl_output* output);

// Destroys every object bound; the display stays connected.
void wayland_release_globals(WlClient* client);

// Sends the requests made, then sleeps until the compositor sends something, a stop signal comes,
// `extraFd` (when not -1) is readable or the deadline of monotonic_us passes (negative: none), and
// dispatches what came. Returns at once when events are already queued. False when the connection
// has failed.
bool wayland_pump(wl_display* display, std::int64_t deadlineUs, int extraFd = -1);

// The compositor's reason when the connection has failed.
std::string wayland_connection_error(wl_display* display);

#endif
