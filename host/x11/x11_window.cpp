// X11 for the Linux host: error handlers that record instead of exiting, the windows the host makes
// (800x600, or full screen through the window manager or over it), the window it is given, and the
// events of each mode: resizes, visibility, exposure, keymap changes and the ending rules.
#include "host/x11/x11_window.h"

#include "host/saver_rules.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;
const char WINDOW_TITLE[] = "Lattice Drift";

// GLX errors that say our context or drawable can no longer be used, as offsets from the
// extension's first error code.
enum GlxError {
    GLX_BAD_CONTEXT = 0,
    GLX_BAD_DRAWABLE = 2,
    GLX_BAD_CONTEXT_TAG = 4,
    GLX_BAD_CURRENT_WINDOW = 5,
    GLX_BAD_CURRENT_DRAWABLE = 11,
    GLX_BAD_WINDOW = 12,
};

// X errors arrive in a callback. Every one counts against the start-up step that caused it; once
// the run is under way only those about our window or context do, and the first is kept.
int error_count = 0;
XErrorEvent first_error;
bool watching = false;
Window watched_window = 0;
XID watched_drawable = 0;
int glx_error_base = -1;
bool quiet_connection_loss = false;

bool about_us(const XErrorEvent& event)
{
    if (event.resourceid != 0 && (event.resourceid == watched_window || event.resourceid == watched_drawable))
        return true;
    if (glx_error_base < 0 || event.error_code < glx_error_base)
        return false;
    switch (event.error_code - glx_error_base) {
    case GLX_BAD_CONTEXT:
    case GLX_BAD_DRAWABLE:
    case GLX_BAD_CONTEXT_TAG:
    case GLX_BAD_CURRENT_WINDOW:
    case GLX_BAD_CURRENT_DRAWABLE:
    case GLX_BAD_WINDOW:
        return true;
    default:
        return false;
    }
}

int record_x_error(Display*, XErrorEvent* event)
{
    if (watching && !about_us(*event))
        return 0;
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

std::string describe(Display* display, const XErrorEvent& event)
{
    char text[160] = "";
    XGetErrorText(display, event.error_code, text, sizeof text);
    return std::string("X error: ") + text + " (request " + std::to_string(event.request_code) + "." +
           std::to_string(event.minor_code) + ", resource " + format_window_id(event.resourceid) + ")";
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
    x11_sync_clean(display);
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

// What a window manager reads of a client: name, class, input hint and the machine and process it
// runs as, so that it can close the window or kill the process.
void set_window_manager_properties(Display* d, Window window)
{
    XTextProperty name{};
    char* title = const_cast<char*>(WINDOW_TITLE);
    XStringListToTextProperty(&title, 1, &name);
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = True;
    XClassHint classHint{ const_cast<char*>("latticedrift"), const_cast<char*>("LatticeDrift") };
    // Also sets WM_CLIENT_MACHINE.
    XSetWMProperties(d, window, &name, &name, nullptr, 0, nullptr, &hints, &classHint);
    XFree(name.value);
    XChangeProperty(d, window, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(WINDOW_TITLE),
                    static_cast<int>(std::strlen(WINDOW_TITLE)));
    const long pid = static_cast<long>(getpid());
    XChangeProperty(d, window, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
}

Bool is_map_of(Display*, XEvent* event, XPointer window)
{
    return event->type == MapNotify && event->xmap.window == *reinterpret_cast<Window*>(window);
}

// Waits at most `seconds` for the window's MapNotify. A window manager may never map it (a hung
// one, or one that puts it on another workspace); the stop signals end the process meanwhile.
bool wait_for_map(Display* d, Window window, int seconds)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long deadlineMs = now.tv_sec * 1000L + now.tv_nsec / 1000000L + seconds * 1000L;
    for (;;) {
        XEvent mapped;
        if (XCheckIfEvent(d, &mapped, is_map_of, reinterpret_cast<XPointer>(&window)))
            return true;
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long leftMs = deadlineMs - (now.tv_sec * 1000L + now.tv_nsec / 1000000L);
        if (leftMs <= 0)
            return false;
        pollfd connection{ ConnectionNumber(d), POLLIN, 0 };
        poll(&connection, 1, static_cast<int>(leftMs));
    }
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

// Notes a change of size, map state or visibility of our window; true when it was one.
bool note_window_change(X11Window* x, const XEvent& event, WindowChanges* changes)
{
    switch (event.type) {
    case ConfigureNotify:
        if (event.xconfigure.window != x->window)
            return false;
        if (event.xconfigure.width != x->width || event.xconfigure.height != x->height) {
            x->width = event.xconfigure.width;
            x->height = event.xconfigure.height;
            changes->resized = true;
        }
        return true;
    case MapNotify:
    case UnmapNotify:
        if (event.xany.window != x->window)
            return false;
        x->mapped = event.type == MapNotify;
        return true;
    case VisibilityNotify:
        if (event.xvisibility.window != x->window)
            return false;
        x->obscured = event.xvisibility.state == VisibilityFullyObscured;
        return true;
    case Expose:
        if (event.xexpose.window == x->window && event.xexpose.count == 0)
            changes->exposed = true;
        return true;
    case MappingNotify:
        // Escape and q are looked up through the keymap, which has just changed.
        XRefreshKeyboardMapping(const_cast<XMappingEvent*>(&event.xmapping));
        return true;
    default:
        return false;
    }
}

} // namespace

bool x11_sync_clean(Display* display, std::string* failure)
{
    XSync(display, False);
    const bool clean = error_count == 0;
    if (!clean && failure != nullptr)
        *failure = describe(display, first_error);
    error_count = 0;
    return clean;
}

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
    // Only what concerns the picture and the window's end: input belongs to whoever owns the window.
    // Selected before the state is read, so that no change after the reading goes unseen.
    XSelectInput(d, x->window, StructureNotifyMask | VisibilityChangeMask | ExposureMask);
    XWindowAttributes attributes{};
    const bool found = XGetWindowAttributes(d, x->window, &attributes) != 0;
    if (!x11_sync_clean(d) || !found) {
        *error = "no window " + format_window_id(x->window) + " on this display";
        return false;
    }
    if (attributes.c_class == InputOnly) {
        *error = "window " + format_window_id(x->window) + " is input-only: nothing can be drawn into it";
        return false;
    }
    x->screen = XScreenNumberOfScreen(attributes.screen);
    x->width = attributes.width;
    x->height = attributes.height;
    x->visual = XVisualIDFromVisual(attributes.visual);
    x->mapped = attributes.map_state != IsUnmapped;
    // Mapped under an unmapped parent: it shows once the parent is mapped, which its visibility says.
    x->obscured = attributes.map_state == IsUnviewable;
    return true;
}

bool x11_target_gone(X11Window* x)
{
    if (x->mode != HackMode::Target || x->visual == 0)
        return false;
    XWindowAttributes attributes;
    const bool alive = XGetWindowAttributes(x->display, x->window, &attributes) != 0;
    x11_sync_clean(x->display);
    return !alive;
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
    attributes.event_mask = StructureNotifyMask | VisibilityChangeMask | ExposureMask | KeyPressMask;
    if (fullScreen)
        attributes.event_mask |= ButtonPressMask | PointerMotionMask | FocusChangeMask;
    // With no window manager to honour the full-screen state, the window places itself over all.
    attributes.override_redirect = managed ? False : True;
    x->window = XCreateWindow(d, root, 0, 0, static_cast<unsigned>(x->width), static_cast<unsigned>(x->height), 0,
                              visual.depth, InputOutput, visual.visual,
                              CWColormap | CWBackPixel | CWBorderPixel | CWEventMask | CWOverrideRedirect,
                              &attributes);
    x->own = true;
    set_window_manager_properties(d, x->window);
    XSetWMProtocols(d, x->window, &x->wmDeleteWindow, 1);
    if (fullScreen) {
        x->blankCursor = make_blank_cursor(d, x->window);
        XDefineCursor(d, x->window, x->blankCursor);
        XChangeProperty(d, x->window, XInternAtom(d, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&fullScreenState), 1);
    }
    XMapRaised(d, x->window);

    if (fullScreen) {
        if (!wait_for_map(d, x->window, MAP_WAIT_SECONDS)) {
            *error = "the window manager did not show the full-screen window within " +
                     std::to_string(MAP_WAIT_SECONDS) + " s";
            return false;
        }
        x->mapped = true;
        if (!managed)
            XSetInputFocus(d, x->window, RevertToParent, CurrentTime);
        Window rootReturn = 0;
        Window child = 0;
        int winX = 0;
        int winY = 0;
        unsigned int buttons = 0;
        XQueryPointer(d, root, &rootReturn, &child, &x->pointerX, &x->pointerY, &winX, &winY, &buttons);
    }
    std::string failure;
    if (!x11_sync_clean(d, &failure)) {
        *error = "cannot make the window: " + failure;
        return false;
    }
    return true;
}

void x11_watch_errors(const X11Window& x, XID glxDrawable, int glxErrorBase)
{
    watched_window = x.window;
    watched_drawable = glxDrawable;
    glx_error_base = glxErrorBase;
    error_count = 0;
    watching = true;
}

RunState x11_process_events(X11Window* x, WindowChanges* changes, std::string* reason)
{
    Display* d = x->display;
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        if (note_window_change(x, event, changes))
            continue;
        switch (event.type) {
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
    error_count = 0;
    if (x11_target_gone(x))
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
    XCloseDisplay(x->display);
    x->display = nullptr;
}
