// OpenGL on a Wayland surface through EGL: the Wayland platform's display, a configuration that
// gives a compatibility-profile context for the core's OpenGL 1.1, and a window surface on a
// wl_egl_window that follows the buffer's size.
#ifndef LATTICEDRIFT_HOST_WAYLAND_EGL_WAYLAND_H
#define LATTICEDRIFT_HOST_WAYLAND_EGL_WAYLAND_H

#include <EGL/egl.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <string>

struct EglWayland {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
    wl_egl_window* window = nullptr;
    bool preserved = false; // the swap keeps the back buffer (EGL_BUFFER_PRESERVED)
    bool bufferAge = false; // EGL_EXT_buffer_age: the back buffer tells how old its picture is
    int alphaBits = 0;
};

// Makes the context and a window surface of width x height device pixels on `surface`, current on
// this thread, swapping without waiting for the display (frame callbacks pace the host) and
// keeping the back buffer where the configuration allows it.
bool egl_wayland_open(EglWayland* egl, wl_display* display, wl_surface* surface, int width, int height,
                      std::string* error);

// The buffer's new size, taken at the next frame.
void egl_wayland_resize(EglWayland* egl, int width, int height);

// How many swaps ago the back buffer's picture was drawn: 1 holds the last frame, 0 nothing
// defined (also where the driver cannot tell).
int egl_wayland_buffer_age(const EglWayland& egl);

// Shows the frame: the swap attaches the buffer and commits the surface.
bool egl_wayland_present(EglWayland* egl);

// Releases the context and destroys everything made; safe after a failed open.
void egl_wayland_close(EglWayland* egl);

#endif
