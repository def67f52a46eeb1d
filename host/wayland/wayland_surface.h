// The saver's Wayland surface and its role: an overlay layer surface on one output, a full-screen
// xdg_toplevel on one output (where no layer shell serves), or a resizable window. Follows what
// the compositor configures, the scale of the outputs the surface is on, and its close.
#ifndef LATTICEDRIFT_HOST_WAYLAND_WAYLAND_SURFACE_H
#define LATTICEDRIFT_HOST_WAYLAND_WAYLAND_SURFACE_H

#include "host/wayland/wayland_rules.h"
#include "host/wayland/wl_client.h"

#include <cstdint>
#include <vector>

enum class SurfaceRole { Layer, FullScreenWindow, Window };

// The window mode's size until the compositor names one, in surface units.
constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;

struct WaylandSurface {
    WlClient* client = nullptr;
    SurfaceRole role = SurfaceRole::Window;
    std::uint32_t output = 0; // full screen: the name of the output covered (looked up each time: it may go)
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zxdg_toplevel_decoration_v1* decoration = nullptr;
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractional = nullptr;

    // As configured, in surface units; the toplevel's size waits for its xdg_surface.configure.
    int width = 0;
    int height = 0;
    int pendingWidth = 0;
    int pendingHeight = 0;
    std::uint32_t serial = 0;
    bool ackDue = false;      // a configure to acknowledge before the next commit
    bool configured = false;  // the first configure has come: the surface may be drawn
    bool closed = false;      // the compositor closed it
    std::uint32_t fractionalScale = 0; // preferred scale in 120ths (0: none offered)
    std::vector<std::uint32_t> enteredOutputs;

    // What the next frame's commit carries: the buffer size in device pixels and the scale.
    BufferSize buffer;
    std::int32_t bufferScale = 1;
    std::uint32_t scale120 = 120;
    bool changed = false; // size or scale differ from the last commit's
};

// Makes the surface with its role and commits it without a buffer; the compositor then configures
// it. Title "Lattice Drift" and app id "latticedrift" for the toplevels.
void wayland_surface_create(WaylandSurface* s, WlClient* client, SurfaceRole role, WlOutput* output);

// Folds what has been configured and the scales into buffer, bufferScale, scale120 and changed.
void wayland_surface_update(WaylandSurface* s);

// Before the commit that draws a frame: acknowledges the last configure and, when the size or
// scale changed, sets the buffer scale, the viewport and the opaque region for it.
void wayland_surface_prepare_commit(WaylandSurface* s);

void wayland_surface_destroy(WaylandSurface* s);

#endif
