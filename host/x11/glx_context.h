// The Linux host's GLX surface: picks the framebuffer configuration (one that swaps by copying
// where the server offers it), binds a context to the window the saver draws into, turns on
// vsync where it can, and presents each frame (a swap, or a flush on a single-buffered visual).
#ifndef LATTICEDRIFT_HOST_X11_GLX_CONTEXT_H
#define LATTICEDRIFT_HOST_X11_GLX_CONTEXT_H

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <string>

// A framebuffer configuration and what the host needs to know of it.
struct GlxConfig {
    GLXFBConfig config = nullptr;
    bool doubleBuffered = true;
    bool copySwap = false; // the back buffer keeps the frame after a swap
    int alphaBits = 0;
};

struct GlxSurface {
    Display* display = nullptr;
    GLXWindow drawable = 0;
    GLXContext context = nullptr;
    GlxConfig config;
};

// GLX 1.3 or later on the display, and the first of its error codes; otherwise a one-line reason.
bool glx_check(Display* display, int* errorBase, std::string* error);

// For a window the host makes: a double-buffered RGBA configuration with a depth buffer, swapping
// by copy where offered (only such a one if `copyingOnly`), whose visual has `depth` bits (0: any),
// and its visual (free with XFree).
XVisualInfo* glx_choose(Display* display, int screen, int depth, bool copyingOnly, GlxConfig* chosen,
                        std::string* error);

// For a window someone else made: the configuration of its visual, if OpenGL can draw RGBA into it.
bool glx_config_of_visual(Display* display, int screen, VisualID visualId, GlxConfig* chosen, std::string* error);

// Creates the GLX window and a context on it and makes it current.
bool glx_bind(GlxSurface* surface, Display* display, Window window, const GlxConfig& config, std::string* error);

// Asks for a swap interval of 1 where the swap-control extensions are offered: frames never tear
// or outrun the display. The server may refuse it with an X error.
void glx_ask_for_vsync(const GlxSurface& surface, int screen);

// Shows the frame just drawn.
void glx_present(const GlxSurface& surface);

// Releases and destroys the context and the GLX window.
void glx_release(GlxSurface* surface);

#endif
