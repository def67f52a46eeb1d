// The Linux host's GLX surface: picks or checks the visual, binds a context to the window the
// saver draws into, and presents each frame (a swap, or a flush on a single-buffered visual).
#ifndef LATTICEDRIFT_HOST_GLX_CONTEXT_H
#define LATTICEDRIFT_HOST_GLX_CONTEXT_H

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <string>

struct GlxSurface {
    Display* display = nullptr;
    Window window = 0;
    GLXContext context = nullptr;
    bool doubleBuffered = true;
};

// GLX on the display; otherwise a one-line reason.
bool glx_check(Display* display, std::string* error);

// A double-buffered RGBA visual with a depth buffer for a window the host makes (free with XFree).
XVisualInfo* glx_choose_visual(Display* display, int screen, std::string* error);

// The visual `visualId` of `screen`, if OpenGL can draw RGBA into it (free with XFree).
XVisualInfo* glx_visual_of(Display* display, int screen, VisualID visualId, std::string* error);

// Creates a context for the visual and makes it current on the window.
bool glx_bind(GlxSurface* surface, Display* display, Window window, XVisualInfo* visual, std::string* error);

// Shows the frame just drawn.
void glx_present(const GlxSurface& surface);

// Releases and destroys the context.
void glx_release(GlxSurface* surface);

#endif
