// The Linux host's X11 side: the display and its error handlers, the window the saver draws into
// (its own, a full-screen one, or one it is given) and the events that resize or end the run.
#ifndef LATTICEDRIFT_HOST_X11_WINDOW_H
#define LATTICEDRIFT_HOST_X11_WINDOW_H

#include "host/x11/hack_options.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>

struct X11Window {
    Display* display = nullptr;
    int screen = 0;
    HackMode mode = HackMode::Windowed;
    Window window = 0;
    bool own = false; // made here, so destroyed here
    VisualID visual = 0;
    int width = 0;
    int height = 0;
    // Full screen: where the pointer was when the window appeared.
    int pointerX = 0;
    int pointerY = 0;
    Atom wmProtocols = 0;
    Atom wmDeleteWindow = 0;
    Colormap colormap = 0;
    Cursor blankCursor = 0;
};

enum class RunState { Running, Ended, Failed };

// Opens the display and installs the error handlers. A lost connection ends the process: quietly
// with 0 when drawing into a given window (its owner is going away), else with a reason and 1.
bool x11_open(X11Window* x, const HackOptions& options, std::string* error);

// Target mode: takes the given window (or the root), its screen, size and visual, and watches it
// for resizes and destruction.
bool x11_adopt_window(X11Window* x, const HackOptions& options, std::string* error);

// Window and full-screen modes: makes the window with `visual`, maps it and, full screen, hides the
// pointer, takes the focus and notes where the pointer is.
bool x11_create_window(X11Window* x, const XVisualInfo& visual, std::string* error);

// Handles every pending event. Sets *resized when the size changed. Ended: the window was
// closed, destroyed or, full screen, left by input. Failed: an X error on a live window (*reason).
RunState x11_process_events(X11Window* x, bool* resized, std::string* reason);

// Destroys what x11_create_window made and waits until the server has done it.
void x11_close(X11Window* x);

#endif
