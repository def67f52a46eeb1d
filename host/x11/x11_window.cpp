// X11 for the Linux host: error handlers that record instead of exiting, the windows the host makes
// (800x600, or full screen through the window manager or over it), the window it is given, and the
// events of each mode: resizes, visibility, exposure, keymap changes and the ending rules.
#include "host/x11/x11_window.h"

#include "host/posix_clock.h"
#include "host/saver_rules.h"
#include "host/x11/screen_span.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;
const char WINDOW_TITLE[] = "Lattice Drift";

// GLX's error codes, as offsets from the extension's first error code.
constexpr int GLX_ERROR_COUNT = 14;

// X errors arrive in a callback. During the start-up every one counts against the step that caused
// it. Once frames run, only the errors of OpenGL and those about our window or GL drawable do,
// and the first is kept; any other is reported once.
int error_count = 0;
XErrorEvent first_error;
bool watching = false;
Window watched_window = 0;
Window watched_target = 0;
XID watched_drawable = 0;
int glx_error_base = -1;
int glx_opcode = -1;
bool told_other_error = false;
bool quiet_connection_loss = false;

std::string describe(Display* display, const XErrorEvent& event);

// During the run all of our GLX traffic is the context's rendering and its swaps: any GLX error,
// or any error of a GLX request (a BadAlloc or BadLength of a rendering command, say), means the
// server dropped what the saver draws. Errors about our window or drawable mean it is gone.
bool ours(const XErrorEvent& event)
{
    if (event.resourceid != 0 && (event.resourceid == watched_window || event.resourceid == watched_target ||
                                  event.resourceid == watched_drawable))
        return true;
    if (glx_opcode >= 0 && event.request_code == glx_opcode)
        return true;
    return glx_error_base >= 0 && event.error_code >= glx_error_base &&
           event.error_code < glx_error_base + GLX_ERROR_COUNT;
}

int record_x_error(Display* display, XErrorEvent* event)
{
    if (watching && !ours(*event)) {
        if (!told_other_error) {
            std::fprintf(stderr, "latticedrift: going on after an %s\n", describe(display, *event).c_str());
            told_other_error = true;
        }
        return 0;
    }
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
           std::to_string(event.minor_code) + ", resource " + format_x_id(event.resourceid) + ")";
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

// The atoms of an atom-list property, or none.
std::vector<Atom> atom_list(Display* display, Window window, Atom property)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::vector<Atom> atoms;
    if (XGetWindowProperty(display, window, property, 0, 4096, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success &&
        type == XA_ATOM && format == 32) {
        const Atom* values = reinterpret_cast<const Atom*>(data);
        atoms.assign(values, values + count);
    }
    if (data != nullptr)
        XFree(data);
    return atoms;
}

bool has_atom(const std::vector<Atom>& atoms, Atom atom)
{
    for (Atom a : atoms)
        if (a == atom)
            return true;
    return false;
}

// What a running EWMH window manager supports (_NET_SUPPORTED); nothing where none runs (a stale
// check window left by a window manager that has gone does not count).
std::vector<Atom> window_manager_support(Display* display, Window root)
{
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const Window wm = window_property(display, root, check);
    const bool alive = wm != 0 && window_property(display, wm, check) == wm;
    x11_sync_clean(display);
    if (!alive)
        return {};
    return atom_list(display, root, XInternAtom(display, "_NET_SUPPORTED", False));
}

// The screen's monitors: RandR 1.5's, else Xinerama's heads, else none (the screen is one).
std::vector<MonitorRect> query_monitors(Display* display, Window root)
{
    std::vector<MonitorRect> monitors;
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (XRRQueryExtension(display, &eventBase, &errorBase) && XRRQueryVersion(display, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        XRRMonitorInfo* info = XRRGetMonitors(display, root, True, &count);
        for (int i = 0; i < count; ++i)
            monitors.push_back({ info[i].x, info[i].y, info[i].width, info[i].height });
        if (info != nullptr)
            XRRFreeMonitors(info);
    }
    if (monitors.empty() && XineramaQueryExtension(display, &eventBase, &errorBase) && XineramaIsActive(display)) {
        int count = 0;
        XineramaScreenInfo* heads = XineramaQueryScreens(display, &count);
        for (int i = 0; i < count; ++i)
            monitors.push_back({ heads[i].x_org, heads[i].y_org, heads[i].width, heads[i].height });
        if (heads != nullptr)
            XFree(heads);
    }
    x11_sync_clean(display);
    return monitors;
}

// Asks the window manager to stretch the full-screen window over the monitors at the span's edges.
void ask_for_monitors(Display* d, Window root, Window window, const ScreenSpan& span)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "_NET_WM_FULLSCREEN_MONITORS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = span.top;
    event.xclient.data.l[1] = span.bottom;
    event.xclient.data.l[2] = span.left;
    event.xclient.data.l[3] = span.right;
    event.xclient.data.l[4] = 1; // a normal application
    XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

bool hidden_by_window_manager(const X11Window& x)
{
    return has_atom(atom_list(x.display, x.window, x.wmState), x.wmStateHidden);
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
    const std::int64_t deadline = monotonic_us() + seconds * std::int64_t{ 1000000 };
    for (;;) {
        XEvent mapped;
        if (XCheckIfEvent(d, &mapped, is_map_of, reinterpret_cast<XPointer>(&window)))
            return true;
        const std::int64_t left = deadline - monotonic_us();
        if (left <= 0)
            return false;
        pollfd connection{ ConnectionNumber(d), POLLIN, 0 };
        poll(&connection, 1, static_cast<int>((left + 999) / 1000));
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

// The window whose size and map state are the picture's: a given window, or ours.
Window outer_window(const X11Window& x)
{
    return x.target != 0 ? x.target : x.window;
}

// Notes a change of size, map state or visibility of our window; true when it was one.
bool note_window_change(X11Window* x, const XEvent& event, WindowChanges* changes)
{
    switch (event.type) {
    case ConfigureNotify:
        if (event.xconfigure.window == x->window && x->window != outer_window(*x))
            return true; // our child, following the given window
        if (event.xconfigure.window != outer_window(*x))
            return false;
        if (event.xconfigure.width != x->width || event.xconfigure.height != x->height) {
            x->width = event.xconfigure.width;
            x->height = event.xconfigure.height;
            if (x->window != outer_window(*x))
                XResizeWindow(x->display, x->window, static_cast<unsigned>(x->width), static_cast<unsigned>(x->height));
            changes->resized = true;
        }
        return true;
    case MapNotify:
    case UnmapNotify:
        if (event.xany.window == x->window && x->window != outer_window(*x))
            return true;
        if (event.xany.window != outer_window(*x))
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
    case PropertyNotify:
        if (event.xproperty.window != x->window || event.xproperty.atom != x->wmState)
            return false;
        x->hidden = hidden_by_window_manager(*x);
        if (!x->hidden)
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
    x->wmState = XInternAtom(x->display, "_NET_WM_STATE", False);
    x->wmStateHidden = XInternAtom(x->display, "_NET_WM_STATE_HIDDEN", False);
    return true;
}

bool x11_adopt_window(X11Window* x, const HackOptions& options, std::string* error)
{
    Display* d = x->display;
    x->window = x->target = options.targetRoot ? RootWindow(d, x->screen) : options.targetWindow;
    // Only what concerns the picture and the window's end: input belongs to whoever owns the window.
    // Selected before the state is read, so that no change after the reading goes unseen.
    XSelectInput(d, x->window, StructureNotifyMask | VisibilityChangeMask | ExposureMask);
    XWindowAttributes attributes{};
    const bool found = XGetWindowAttributes(d, x->window, &attributes) != 0;
    if (!x11_sync_clean(d) || !found) {
        *error = "no window " + format_x_id(x->window) + " on this display";
        return false;
    }
    if (attributes.c_class == InputOnly) {
        *error = "window " + format_x_id(x->window) + " is input-only: nothing can be drawn into it";
        return false;
    }
    x->screen = XScreenNumberOfScreen(attributes.screen);
    x->depth = attributes.depth;
    x->width = attributes.width;
    x->height = attributes.height;
    x->visual = XVisualIDFromVisual(attributes.visual);
    x->adopted = true;
    x->mapped = attributes.map_state != IsUnmapped;
    // Mapped under an unmapped parent: it shows once the parent is mapped, which its visibility says.
    x->obscured = attributes.map_state == IsUnviewable;
    return true;
}

bool x11_cover_with_child(X11Window* x, const XVisualInfo& visual, std::string* error)
{
    Display* d = x->display;
    if (x->target == RootWindow(d, x->screen)) {
        *error = "the root window gets no child: it would be a window of its own";
        return false;
    }
    const Colormap colormap = XCreateColormap(d, x->target, visual.visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = colormap;
    attributes.background_pixel = 0;
    attributes.border_pixel = 0;
    attributes.event_mask = StructureNotifyMask | VisibilityChangeMask | ExposureMask;
    const Window child = XCreateWindow(d, x->target, 0, 0, static_cast<unsigned>(x->width),
                                       static_cast<unsigned>(x->height), 0, visual.depth, InputOutput, visual.visual,
                                       CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    XMapWindow(d, child);
    std::string failure;
    if (!x11_sync_clean(d, &failure)) {
        XDestroyWindow(d, child);
        XFreeColormap(d, colormap);
        x11_sync_clean(d);
        *error = "cannot cover window " + format_x_id(x->target) + ": " + failure;
        return false;
    }
    x->window = child;
    x->own = true;
    x->colormap = colormap;
    x->visual = visual.visualid;
    // The child's visibility and exposure are the picture's now; the given window's size and end
    // still matter.
    XSelectInput(d, x->target, StructureNotifyMask);
    return true;
}

bool x11_target_gone(X11Window* x)
{
    if (!x->adopted)
        return false;
    XWindowAttributes attributes;
    const bool alive = XGetWindowAttributes(x->display, x->target, &attributes) != 0;
    x11_sync_clean(x->display);
    return !alive;
}

bool x11_create_window(X11Window* x, const XVisualInfo& visual, std::string* error)
{
    Display* d = x->display;
    const bool fullScreen = x->mode == HackMode::FullScreen;
    const Window root = RootWindow(d, x->screen);
    const Atom fullScreenState = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    const Atom fullScreenMonitors = XInternAtom(d, "_NET_WM_FULLSCREEN_MONITORS", False);
    bool managed = true;
    bool spanned = false; // the window manager stretches it over several monitors
    ScreenSpan span;
    if (fullScreen) {
        const std::vector<MonitorRect> monitors = query_monitors(d, root);
        span = span_monitors(monitors, DisplayWidth(d, x->screen), DisplayHeight(d, x->screen));
        const std::vector<Atom> support = window_manager_support(d, root);
        spanned = monitors.size() > 1 && has_atom(support, fullScreenMonitors);
        // A window manager that can put the window on one monitor only, or none at all: the window
        // places itself over the whole span.
        managed = has_atom(support, fullScreenState) && (monitors.size() <= 1 || spanned);
    }

    x->width = fullScreen ? span.box.width : WINDOW_WIDTH;
    x->height = fullScreen ? span.box.height : WINDOW_HEIGHT;
    x->visual = visual.visualid;
    x->colormap = XCreateColormap(d, root, visual.visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = x->colormap;
    attributes.background_pixel = 0;
    attributes.border_pixel = 0;
    attributes.event_mask = StructureNotifyMask | VisibilityChangeMask | ExposureMask | KeyPressMask |
                            PropertyChangeMask;
    if (fullScreen)
        attributes.event_mask |= ButtonPressMask | PointerMotionMask | FocusChangeMask;
    attributes.override_redirect = managed ? False : True;
    x->window = XCreateWindow(d, root, fullScreen ? span.box.x : 0, fullScreen ? span.box.y : 0,
                              static_cast<unsigned>(x->width), static_cast<unsigned>(x->height), 0, visual.depth,
                              InputOutput, visual.visual,
                              CWColormap | CWBackPixel | CWBorderPixel | CWEventMask | CWOverrideRedirect,
                              &attributes);
    x->own = true;
    set_window_manager_properties(d, x->window);
    XSetWMProtocols(d, x->window, &x->wmDeleteWindow, 1);
    if (fullScreen) {
        x->blankCursor = make_blank_cursor(d, x->window);
        XDefineCursor(d, x->window, x->blankCursor);
        XChangeProperty(d, x->window, x->wmState, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&fullScreenState), 1);
        // The compositor may hand the screen to the saver's frames directly.
        const long bypass = 1;
        XChangeProperty(d, x->window, XInternAtom(d, "_NET_WM_BYPASS_COMPOSITOR", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&bypass), 1);
    }
    XMapRaised(d, x->window);

    if (fullScreen) {
        if (!wait_for_map(d, x->window, MAP_WAIT_SECONDS)) {
            *error = "the window manager did not show the full-screen window within " +
                     std::to_string(MAP_WAIT_SECONDS) + " s";
            return false;
        }
        x->mapped = true;
        if (spanned)
            ask_for_monitors(d, root, x->window, span);
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

bool x11_watch_errors(const X11Window& x, XID glxDrawable, int glxErrorBase, std::string* failure)
{
    const bool clean = x11_sync_clean(x.display, failure);
    int firstEvent = 0;
    int firstError = 0;
    if (!XQueryExtension(x.display, "GLX", &glx_opcode, &firstEvent, &firstError))
        glx_opcode = -1;
    watched_window = x.window;
    watched_target = x.target;
    watched_drawable = glxDrawable;
    glx_error_base = glxErrorBase;
    watching = true;
    return clean;
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
            if (event.xdestroywindow.window == x->window || event.xdestroywindow.window == x->target)
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
