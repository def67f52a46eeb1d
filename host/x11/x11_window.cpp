// X11 for the Linux host: error handlers that record instead of exiting, the windows the host makes
// (800x600, or full screen through the window manager or over it), the window it is given, and the
// ending rules of each mode.
#include "host/x11/x11_window.h"

#include "host/saver_rules.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;
const char WINDOW_TITLE[] = "Lattice Drift";

// X errors arrive in a callback; the first one is kept until the event handling looks at it.
int error_count = 0;
XErrorEvent first_error;
bool quiet_connection_loss = false;
Display* kept_display = nullptr;

int record_x_error(Display*, XErrorEvent* event)
{
    if (error_count++ == 0)
        first_error = *event;
    return 0;
}

// Xlib ends the process itself if this returns, so it ends it here, with our own status.
int end_on_connection_loss(Display*)
{
    if (!quiet_connection_loss) {
        static const char message[] = "latticedrift: lost the connection to the X server\n";
        ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
        (void)written;
    }
    _exit(quiet_connection_loss ? 0 : 1);
}

// Waits for the server's answer to every request so far; true when none of them failed.
bool sync_clean(Display* display)
{
    XSync(display, False);
    const bool clean = error_count == 0;
    error_count = 0;
    return clean;
}

std::string hex(unsigned long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

std::string describe(Display* display, const XErrorEvent& event)
{
    char text[160] = "";
    XGetErrorText(display, event.error_code, text, sizeof text);
    return std::string("X error: ") + text + " (request " + std::to_string(event.request_code) + "." +
           std::to_string(event.minor_code) + ", resource " + hex(event.resourceid) + ")";
}

// The value of a window-typed property that a window manager sets, or 0.
Window window_property(Display* display, Window window, Atom property)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    Window value = 0;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                           &data) == Success &&
        type == XA_WINDOW && format == 32 && count == 1)
        value = *reinterpret_cast<Window*>(data);
    if (data != nullptr)
        XFree(data);
    return value;
}

// True when a running EWMH window manager supports the full-screen state (a stale check window
// left by a window manager that has gone does not count).
bool window_manager_does_full_screen(Display* display, Window root, Atom fullScreen)
{
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const Window wm = window_property(display, root, check);
    const bool alive = wm != 0 && window_property(display, wm, check) == wm;
    sync_clean(display);
    if (!alive)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), 0, 4096, False, XA_ATOM,
                           &type, &format, &count, &after, &data) == Success &&
        type == XA_ATOM && format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count && !found; ++i)
            found = atoms[i] == fullScreen;
    }
    if (data != nullptr)
        XFree(data);
    return found;
}

Cursor make_blank_cursor(Display* display, Window window)
{
    static const char bits[1] = { 0 };
    Pixmap blank = XCreateBitmapFromData(display, window, bits, 1, 1);
    XColor black{};
    Cursor cursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
    XFreePixmap(display, blank);
    return cursor;
}

Bool is_map_of(Display*, XEvent* event, XPointer window)
{
    return event->type == MapNotify && event->xmap.window == *reinterpret_cast<Window*>(window);
}

// The focus went elsewhere. Not a loss: the focus moving into or out of the window through the
// pointer (with no window manager the focus follows the pointer, and taking it explicitly first
// reports it leaving that way), to a child, or for the length of a grab.
bool focus_lost(const XFocusChangeEvent& event)
{
    return event.mode != NotifyGrab && event.mode != NotifyUngrab && event.detail != NotifyPointer &&
           event.detail != NotifyInferior;
}

// Full screen: any key, any button but the wheel's (4 to 7), pointer travel beyond the
// threshold, or a loss of focus.
bool full_screen_input_ends(const X11Window& x, const XEvent& event)
{
    switch (event.type) {
    case KeyPress:
        return true;
    case ButtonPress:
        return event.xbutton.button < 4 || event.xbutton.button > 7;
    case MotionNotify:
        return mouse_travel_exceeds(x.pointerX, x.pointerY, event.xmotion.x_root, event.xmotion.y_root);
    case FocusOut:
        return focus_lost(event.xfocus);
    default:
        return false;
    }
}

bool window_input_ends(XEvent& event)
{
    if (event.type != KeyPress)
        return false;
    const KeySym key = XLookupKeysym(&event.xkey, 0);
    return key == XK_Escape || key == XK_q;
}

} // namespace

bool x11_open(X11Window* x, const HackOptions& options, std::string* error)
{
    quiet_connection_loss = options.mode == HackMode::Target;
    XSetErrorHandler(record_x_error);
    XSetIOErrorHandler(end_on_connection_loss);
    const char* name = options.display.empty() ? nullptr : options.display.c_str();
    x->display = XOpenDisplay(name);
    if (x->display == nullptr) {
        const char* shown = name != nullptr ? name : std::getenv("DISPLAY");
        *error = std::string("cannot open display '") + (shown != nullptr ? shown : "") + "'";
        return false;
    }
    x->mode = options.mode;
    x->screen = DefaultScreen(x->display);
    x->wmProtocols = XInternAtom(x->display, "WM_PROTOCOLS", False);
    x->wmDeleteWindow = XInternAtom(x->display, "WM_DELETE_WINDOW", False);
    return true;
}

bool x11_adopt_window(X11Window* x, const HackOptions& options, std::string* error)
{
    Display* d = x->display;
    x->window = options.targetRoot ? RootWindow(d, x->screen) : options.targetWindow;
    XWindowAttributes attributes{};
    const bool found = XGetWindowAttributes(d, x->window, &attributes) != 0;
    if (!sync_clean(d) || !found) {
        *error = "no window " + hex(x->window) + " on this display";
        return false;
    }
    if (attributes.c_class == InputOnly) {
        *error = "window " + hex(x->window) + " is input-only: nothing can be drawn into it";
        return false;
    }
    x->screen = XScreenNumberOfScreen(attributes.screen);
    x->width = attributes.width;
    x->height = attributes.height;
    x->visual = XVisualIDFromVisual(attributes.visual);
    // Only its size and its end: input belongs to whoever owns the window.
    XSelectInput(d, x->window, StructureNotifyMask);
    if (!sync_clean(d)) {
        *error = "window " + hex(x->window) + " went away at start";
        return false;
    }
    return true;
}

bool x11_create_window(X11Window* x, const XVisualInfo& visual, std::string* error)
{
    Display* d = x->display;
    const bool fullScreen = x->mode == HackMode::FullScreen;
    const Window root = RootWindow(d, x->screen);
    const Atom fullScreenState = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    const bool managed = !fullScreen || window_manager_does_full_screen(d, root, fullScreenState);

    x->width = fullScreen ? DisplayWidth(d, x->screen) : WINDOW_WIDTH;
    x->height = fullScreen ? DisplayHeight(d, x->screen) : WINDOW_HEIGHT;
    x->visual = visual.visualid;
    x->colormap = XCreateColormap(d, root, visual.visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = x->colormap;
    attributes.background_pixel = 0;
    attributes.border_pixel = 0;
    attributes.event_mask = StructureNotifyMask | KeyPressMask;
    if (fullScreen)
        attributes.event_mask |= ButtonPressMask | PointerMotionMask | FocusChangeMask;
    // With no window manager to honour the full-screen state, the window places itself over all.
    attributes.override_redirect = managed ? False : True;
    x->window = XCreateWindow(d, root, 0, 0, static_cast<unsigned>(x->width), static_cast<unsigned>(x->height), 0,
                              visual.depth, InputOutput, visual.visual,
                              CWColormap | CWBackPixel | CWBorderPixel | CWEventMask | CWOverrideRedirect,
                              &attributes);
    x->own = true;

    XStoreName(d, x->window, WINDOW_TITLE);
    XChangeProperty(d, x->window, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(WINDOW_TITLE),
                    static_cast<int>(std::strlen(WINDOW_TITLE)));
    XClassHint classHint{ const_cast<char*>("latticedrift"), const_cast<char*>("LatticeDrift") };
    XSetClassHint(d, x->window, &classHint);
    XSetWMProtocols(d, x->window, &x->wmDeleteWindow, 1);
    if (fullScreen) {
        x->blankCursor = make_blank_cursor(d, x->window);
        XDefineCursor(d, x->window, x->blankCursor);
        XChangeProperty(d, x->window, XInternAtom(d, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&fullScreenState), 1);
    }
    XMapRaised(d, x->window);

    if (fullScreen) {
        XEvent mapped;
        XIfEvent(d, &mapped, is_map_of, reinterpret_cast<XPointer>(&x->window));
        if (!managed)
            XSetInputFocus(d, x->window, RevertToParent, CurrentTime);
        Window rootReturn = 0;
        Window child = 0;
        int winX = 0;
        int winY = 0;
        unsigned int buttons = 0;
        XQueryPointer(d, root, &rootReturn, &child, &x->pointerX, &x->pointerY, &winX, &winY, &buttons);
    }
    if (!sync_clean(d)) {
        *error = "cannot make the window: " + describe(d, first_error);
        return false;
    }
    return true;
}

RunState x11_process_events(X11Window* x, bool* resized, std::string* reason)
{
    Display* d = x->display;
    *resized = false;
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        switch (event.type) {
        case ConfigureNotify:
            if (event.xconfigure.window == x->window &&
                (event.xconfigure.width != x->width || event.xconfigure.height != x->height)) {
                x->width = event.xconfigure.width;
                x->height = event.xconfigure.height;
                *resized = true;
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == x->window)
                return RunState::Ended;
            break;
        case ClientMessage:
            if (event.xclient.message_type == x->wmProtocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == x->wmDeleteWindow)
                return RunState::Ended;
            break;
        default:
            if (x->mode == HackMode::FullScreen && full_screen_input_ends(*x, event))
                return RunState::Ended;
            if (x->mode == HackMode::Windowed && window_input_ends(event))
                return RunState::Ended;
            break;
        }
    }
    if (error_count == 0)
        return RunState::Running;
    // A given window that has gone ends the run as its destruction does; anything else is a fault.
    const XErrorEvent error = first_error;
    XWindowAttributes attributes;
    const bool alive = XGetWindowAttributes(d, x->window, &attributes) != 0;
    sync_clean(d);
    if (x->mode == HackMode::Target && !alive)
        return RunState::Ended;
    *reason = describe(d, error);
    return RunState::Failed;
}

void x11_close(X11Window* x)
{
    if (x->display == nullptr)
        return;
    if (x->own)
        XDestroyWindow(x->display, x->window);
    if (x->blankCursor != 0)
        XFreeCursor(x->display, x->blankCursor);
    if (x->colormap != 0)
        XFreeColormap(x->display, x->colormap);
    // The connection itself stays open until the process ends: closing it unloads Mesa's driver
    // ahead of the leak checker of sanitizer builds, which then blames the driver's own
    // allocations on an unknown module.
    XSync(x->display, False);
    kept_display = x->display;
    x->display = nullptr;
}
