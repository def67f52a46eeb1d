// The saver's surface: its role's requests, the configures and closes that come back, and the scale
// that makes one point one device pixel.
#include "host/wayland/wayland_surface.h"

#include <algorithm>
#include <climits>

namespace {

constexpr char TITLE[] = "Lattice Drift";
constexpr char APP_ID[] = "latticedrift";

// The output of that name, if it is still there.
const WlOutput* find_output(const WlClient* client, std::uint32_t name)
{
    for (const auto& o : client->outputs)
        if (o->name == name)
            return o.get();
    return nullptr;
}

// ---- wl_surface: the outputs it is on ----

void surface_enter(void* data, wl_surface*, wl_output* output)
{
    auto* s = static_cast<WaylandSurface*>(data);
    if (WlOutput* o = wayland_output_of(s->client, output))
        s->enteredOutputs.push_back(o->name);
}
void surface_leave(void* data, wl_surface*, wl_output* output)
{
    auto* s = static_cast<WaylandSurface*>(data);
    if (WlOutput* o = wayland_output_of(s->client, output)) {
        auto& names = s->enteredOutputs;
        names.erase(std::remove(names.begin(), names.end(), o->name), names.end());
    }
}
const wl_surface_listener SURFACE_LISTENER = { surface_enter, surface_leave };

void preferred_scale(void* data, wp_fractional_scale_v1*, std::uint32_t scale)
{
    static_cast<WaylandSurface*>(data)->fractionalScale = scale;
}
const wp_fractional_scale_v1_listener FRACTIONAL_LISTENER = { preferred_scale };

// ---- layer surface ----

void layer_configure(void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width,
                     std::uint32_t height)
{
    auto* s = static_cast<WaylandSurface*>(data);
    // Anchored to every edge, the surface is the output's size; a compositor that names none
    // leaves the last one.
    if (width > 0 && height > 0 && width <= INT_MAX && height <= INT_MAX) {
        s->width = static_cast<int>(width);
        s->height = static_cast<int>(height);
    }
    s->serial = serial;
    s->ackDue = true;
    s->configured = s->width > 0 && s->height > 0;
}
void layer_closed(void* data, zwlr_layer_surface_v1*)
{
    static_cast<WaylandSurface*>(data)->closed = true;
}
const zwlr_layer_surface_v1_listener LAYER_LISTENER = { layer_configure, layer_closed };

// ---- xdg toplevel ----

void toplevel_configure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*)
{
    auto* s = static_cast<WaylandSurface*>(data);
    s->pendingWidth = width;
    s->pendingHeight = height;
}
void toplevel_close(void* data, xdg_toplevel*)
{
    static_cast<WaylandSurface*>(data)->closed = true;
}
const xdg_toplevel_listener TOPLEVEL_LISTENER = { toplevel_configure, toplevel_close, nullptr, nullptr };

// A size of 0 leaves the choice to the client: the last size, else the output's (full screen) or
// the window's own.
void xdg_surface_configure(void* data, xdg_surface*, std::uint32_t serial)
{
    auto* s = static_cast<WaylandSurface*>(data);
    if (s->pendingWidth > 0 && s->pendingHeight > 0) {
        s->width = s->pendingWidth;
        s->height = s->pendingHeight;
    } else if (s->width == 0 || s->height == 0) {
        const WlOutput* o = find_output(s->client, s->output);
        const bool outputKnown = s->role == SurfaceRole::FullScreenWindow && o != nullptr && o->modeWidth > 0 &&
                                 o->modeHeight > 0;
        s->width = outputKnown ? o->modeWidth / o->scale : WINDOW_WIDTH;
        s->height = outputKnown ? o->modeHeight / o->scale : WINDOW_HEIGHT;
    }
    s->serial = serial;
    s->ackDue = true;
    s->configured = true;
}
const xdg_surface_listener XDG_SURFACE_LISTENER = { xdg_surface_configure };

void decoration_configure(void*, zxdg_toplevel_decoration_v1*, std::uint32_t) {}
const zxdg_toplevel_decoration_v1_listener DECORATION_LISTENER = { decoration_configure };

// The integer scale: the largest of the outputs the surface is on, else the output it covers.
std::int32_t integer_scale(const WaylandSurface& s)
{
    std::int32_t scale = 0;
    for (const auto& o : s.client->outputs)
        if (std::find(s.enteredOutputs.begin(), s.enteredOutputs.end(), o->name) != s.enteredOutputs.end())
            scale = std::max(scale, o->scale);
    const WlOutput* covered = find_output(s.client, s.output);
    if (scale == 0)
        scale = covered != nullptr ? covered->scale : 1;
    return std::max(1, scale);
}

} // namespace

void wayland_surface_create(WaylandSurface* s, WlClient* client, SurfaceRole role, WlOutput* output)
{
    s->client = client;
    s->role = role;
    s->output = output != nullptr ? output->name : 0;
    s->surface = wl_compositor_create_surface(client->compositor);
    wl_surface_add_listener(s->surface, &SURFACE_LISTENER, s);
    if (client->fractionalScale != nullptr && client->viewporter != nullptr) {
        s->viewport = wp_viewporter_get_viewport(client->viewporter, s->surface);
        s->fractional = wp_fractional_scale_manager_v1_get_fractional_scale(client->fractionalScale, s->surface);
        wp_fractional_scale_v1_add_listener(s->fractional, &FRACTIONAL_LISTENER, s);
    }
    if (role == SurfaceRole::Layer) {
        s->layer = zwlr_layer_shell_v1_get_layer_surface(client->layerShell, s->surface, output->output,
                                                         ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, APP_ID);
        zwlr_layer_surface_v1_add_listener(s->layer, &LAYER_LISTENER, s);
        zwlr_layer_surface_v1_set_anchor(s->layer,
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                             ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(s->layer, 0, 0);
        zwlr_layer_surface_v1_set_exclusive_zone(s->layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(s->layer,
                                                         ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    } else {
        s->xdgSurface = xdg_wm_base_get_xdg_surface(client->wmBase, s->surface);
        xdg_surface_add_listener(s->xdgSurface, &XDG_SURFACE_LISTENER, s);
        s->toplevel = xdg_surface_get_toplevel(s->xdgSurface);
        xdg_toplevel_add_listener(s->toplevel, &TOPLEVEL_LISTENER, s);
        xdg_toplevel_set_title(s->toplevel, TITLE);
        xdg_toplevel_set_app_id(s->toplevel, APP_ID);
        if (role == SurfaceRole::FullScreenWindow) {
            xdg_toplevel_set_fullscreen(s->toplevel, output->output);
        } else if (client->decorations != nullptr) {
            s->decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(client->decorations, s->toplevel);
            zxdg_toplevel_decoration_v1_add_listener(s->decoration, &DECORATION_LISTENER, s);
            zxdg_toplevel_decoration_v1_set_mode(s->decoration, ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
        }
    }
    wl_surface_commit(s->surface);
}

void wayland_surface_update(WaylandSurface* s)
{
    if (!s->configured)
        return;
    std::int32_t bufferScale = 1;
    std::uint32_t scale120 = s->fractionalScale;
    if (s->viewport == nullptr || scale120 == 0) {
        bufferScale = integer_scale(*s);
        scale120 = static_cast<std::uint32_t>(bufferScale) * 120;
    }
    const BufferSize buffer = buffer_size(s->width, s->height, scale120);
    if (buffer.width != s->buffer.width || buffer.height != s->buffer.height || bufferScale != s->bufferScale ||
        scale120 != s->scale120)
        s->changed = true;
    s->buffer = buffer;
    s->bufferScale = bufferScale;
    s->scale120 = scale120;
}

void wayland_surface_prepare_commit(WaylandSurface* s)
{
    if (s->ackDue) {
        if (s->layer != nullptr)
            zwlr_layer_surface_v1_ack_configure(s->layer, s->serial);
        else
            xdg_surface_ack_configure(s->xdgSurface, s->serial);
        s->ackDue = false;
    }
    if (!s->changed)
        return;
    if (wl_surface_get_version(s->surface) >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION)
        wl_surface_set_buffer_scale(s->surface, s->bufferScale);
    if (s->viewport != nullptr) {
        if (s->bufferScale == 1 && s->scale120 != 120)
            wp_viewport_set_destination(s->viewport, s->width, s->height);
        else
            wp_viewport_set_destination(s->viewport, -1, -1);
    }
    wl_region* opaque = wl_compositor_create_region(s->client->compositor);
    wl_region_add(opaque, 0, 0, s->width, s->height);
    wl_surface_set_opaque_region(s->surface, opaque);
    wl_region_destroy(opaque);
    s->changed = false;
}

void wayland_surface_destroy(WaylandSurface* s)
{
    if (s->decoration != nullptr)
        zxdg_toplevel_decoration_v1_destroy(s->decoration);
    if (s->toplevel != nullptr)
        xdg_toplevel_destroy(s->toplevel);
    if (s->xdgSurface != nullptr)
        xdg_surface_destroy(s->xdgSurface);
    if (s->layer != nullptr)
        zwlr_layer_surface_v1_destroy(s->layer);
    if (s->fractional != nullptr)
        wp_fractional_scale_v1_destroy(s->fractional);
    if (s->viewport != nullptr)
        wp_viewport_destroy(s->viewport);
    if (s->surface != nullptr)
        wl_surface_destroy(s->surface);
    *s = WaylandSurface{};
}
