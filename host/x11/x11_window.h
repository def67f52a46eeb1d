// The Linux host's X11 side: the display and its error handling, the window the saver draws into
// (its own, a full-screen one, or one it is given), and the events that resize, hide, show or end
// the run.
#ifndef LATTICEDRIFT_HOST_X11_X11_WINDOW_H
#define LATTICEDRIFT_HOST_X11_X11_WINDOW_H

#include "host/x11/hack_options.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>

struct X11Window {
    Display* display = nullptr;
    int screen = 0;
    int depth = 0;
    HackMode mode = HackMode::Windowed;
    Window window = 0; // where the saver draws
    Window target = 0; // a given window: `window` itself, or its parent when a child of ours covers it
    bool own = false;     // made here, so destroyed here
    bool adopted = false; // a given window, taken over
    VisualID visual = 0;
    int width = 0;
    int height = 0;
    // Nothing is drawn unless the window is mapped, not wholly covered, and not hidden by the window
    // manager (minimised, or on another workspace: a compositor never reports a window covered).
    bool mapped = false;
    bool obscured = false;
    bool hidden = false;
    // Full screen: where the pointer was when the window appeared.
    int pointerX = 0;
    int pointerY = 0;
    Atom wmProtocols = 0;
    Atom wmDeleteWindow = 0;
    Atom wmState = 0;
    Atom wmStateHidden = 0;
    Colormap colormap = 0;
    Cursor blankCursor = 0;
};

enum class RunState { Running, Ended, Failed };

// What the pending events changed.
struct WindowChanges {
    bool resized = false;
    bool exposed = false; // uncovered: worth a new frame at once
};

// How long a full-screen window may wait for the window manager to map it.
constexpr int MAP_WAIT_SECONDS = 5;

// Opens the display and installs the error handlers. A lost connection ends the process: quietly
// with 0 when drawing into a given window (its owner is going away), else with a reason and 1.
bool x11_open(X11Window* x, const HackOptions& options, std::string* error);

// Target mode: takes the given window (or the root), its screen, size, visual and map state, and
// watches it for changes of size and visibility, exposure and destruction.
bool x11_adopt_window(X11Window* x, const HackOptions& options, std::string* error);

// Covers the given window with a child of our own made with `visual` (of the window's depth), so
// that the saver draws through a configuration of its own choice; the child follows the window's
// size. Input still goes to the window.
bool x11_cover_with_child(X11Window* x, const XVisualInfo& visual, std::string* error);

// True when a given window has been destroyed since it was adopted.
bool x11_target_gone(X11Window* x);

// Window and full-screen modes: makes the window with `visual`, sets its properties for the window
// manager and maps it. Full screen covers every monitor (through the window manager where it can
// span them, over it otherwise), hides the pointer, waits (at most MAP_WAIT_SECONDS) for the map,
// takes the focus and notes where the pointer is.
bool x11_create_window(X11Window* x, const XVisualInfo& visual, std::string* error);

// Waits for the server's answer to every request so far; true when none of them failed, else the
// first failure in *failure when given.
bool x11_sync_clean(Display* display, std::string* failure = nullptr);

// Ends the start-up's handling of X errors: false, with the first in *failure, if any request of
// the start-up failed that was not looked at yet. From then on the errors of OpenGL and those
// about the saver's window or GL drawable end the run (GLX's errors start at `glxErrorBase`);
// others are reported once and the run goes on.
bool x11_watch_errors(const X11Window& x, XID glxDrawable, int glxErrorBase, std::string* failure);

// Handles every pending event and notes what changed. Ended: the window was closed, destroyed
// or, full screen, left by input. Failed: an X error about our window or context (*reason).
RunState x11_process_events(X11Window* x, WindowChanges* changes, std::string* reason);

inline bool x11_visible(const X11Window& x)
{
    return x.mapped && !x.obscured && !x.hidden;
}

// Destroys what x11_create_window made and closes the display.
void x11_close(X11Window* x);

#endif
