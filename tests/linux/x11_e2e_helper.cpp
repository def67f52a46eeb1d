// Test helper of the Linux host's end-to-end checks.
//   window WxH SECONDS   maps a window, prints "window=0x...", destroys it after SECONDS and
//                        prints "destroyed=1".
//   argb-window WxH SECONDS  the same with a depth-32 visual, whose alpha a compositor honours.
//   alpha ID             prints how many of the window's pixels are less than opaque (depth 32).
//   grab ID FILE         writes the window's pixels to FILE, 4 bytes each, only their colour bits
//                        (a depth-30 window's too, which screenshot tools round to 8 bits), and
//                        prints how many are pure magenta (the test build's overwritten buffer).
//   close ID             asks window ID to close, as a window manager does (WM_DELETE_WINDOW).
//   stub-wm              a window manager that says it does full screen and never maps anything.
//   ewmh-wm              a window manager that maps every window, puts a full-screen one on the
//                        first monitor, and spans the monitors that _NET_WM_FULLSCREEN_MONITORS
//                        names (RandR 1.5 monitors); prints "wm=1" once it runs.
//   reap LOG COMMAND...  runs COMMAND and adopts what it leaves behind, writing "pid=N status=S"
//                        (S: the exit status, or 128 + the signal) to LOG as each process ends:
//                        the daemon's display helper may exit before collecting the hack it stopped.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

int hold_window(Display* display, unsigned width, unsigned height, unsigned seconds, bool argb)
{
    Window window = 0;
    if (argb) {
        XVisualInfo info{};
        if (!XMatchVisualInfo(display, DefaultScreen(display), 32, TrueColor, &info)) {
            std::fprintf(stderr, "x11_e2e_helper: no depth-32 visual\n");
            return 1;
        }
        XSetWindowAttributes attributes{};
        attributes.colormap = XCreateColormap(display, DefaultRootWindow(display), info.visual, AllocNone);
        attributes.border_pixel = 0;
        attributes.background_pixel = 0;
        window = XCreateWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 32, InputOutput,
                               info.visual, CWColormap | CWBorderPixel | CWBackPixel, &attributes);
    } else {
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0, 0);
    }
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("window=0x%lx\n", window);
    std::fflush(stdout);
    sleep(seconds);
    XDestroyWindow(display, window);
    XSync(display, False);
    std::printf("destroyed=1\n");
    return 0;
}

int send_close(Display* display, Window window)
{
    XEvent event{};
    event.xclient = XClientMessageEvent{ ClientMessage, 0, False, display, window,
                                         XInternAtom(display, "WM_PROTOCOLS", False), 32, {} };
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

// Redirects the root's map requests, advertises the full-screen state through its check window,
// then lets every request go unanswered, as a hung window manager does.
int stub_window_manager(Display* display)
{
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureRedirectMask);
    const Window check = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    const Atom checkAtom = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    for (Window w : { root, check })
        XChangeProperty(display, w, checkAtom, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&check), 1);
    const Atom supported[] = { XInternAtom(display, "_NET_WM_STATE", False),
                               XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False) };
    XChangeProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(supported), 2);
    XSync(display, False);
    std::printf("wm=1\n");
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
    }
}

int count_translucent(Display* display, Window window)
{
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.depth != 32)
        return 1;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return 1;
    long translucent = 0;
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x)
            translucent += (XGetPixel(image, x, y) >> 24) != 0xff;
    std::printf("%ld\n", translucent);
    XDestroyImage(image);
    return 0;
}

int grab_pixels(Display* display, Window window, const char* path)
{
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes))
        return 1;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    std::FILE* out = std::fopen(path, "wb");
    if (image == nullptr || out == nullptr)
        return 1;
    const unsigned long colour = image->red_mask | image->green_mask | image->blue_mask;
    const unsigned long magenta = image->red_mask | image->blue_mask;
    long magentaPixels = 0;
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) {
            const unsigned long value = XGetPixel(image, x, y) & colour;
            magentaPixels += value == magenta;
            const auto pixel = static_cast<std::uint32_t>(value);
            std::fwrite(&pixel, sizeof pixel, 1, out);
        }
    XDestroyImage(image);
    std::printf("%ld\n", magentaPixels);
    return std::fclose(out) == 0 ? 0 : 1;
}

// The box of RandR monitors first to last (indices), or of the first alone.
void monitor_box(Display* display, const long* indices, int count, int* box)
{
    int monitorCount = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, DefaultRootWindow(display), True, &monitorCount);
    const int screenBox[4] = { 0, 0, DisplayWidth(display, 0), DisplayHeight(display, 0) };
    for (int i = 0; i < 4; ++i)
        box[i] = screenBox[i];
    if (monitors == nullptr || monitorCount == 0)
        return;
    auto at = [&](long index) -> const XRRMonitorInfo& {
        return monitors[index >= 0 && index < monitorCount ? index : 0];
    };
    if (count == 1) {
        box[0] = at(indices[0]).x;
        box[1] = at(indices[0]).y;
        box[2] = at(indices[0]).width;
        box[3] = at(indices[0]).height;
    } else { // top, bottom, left, right
        box[0] = at(indices[2]).x;
        box[1] = at(indices[0]).y;
        box[2] = at(indices[3]).x + at(indices[3]).width - box[0];
        box[3] = at(indices[1]).y + at(indices[1]).height - box[1];
    }
    XRRFreeMonitors(monitors);
}

// A window manager of the EWMH kind, just enough for full-screen windows on several monitors.
int ewmh_window_manager(Display* display)
{
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureRedirectMask | SubstructureNotifyMask);
    const Window check = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    const Atom checkAtom = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    for (Window w : { root, check })
        XChangeProperty(display, w, checkAtom, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&check), 1);
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom fullScreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    const Atom monitorsAtom = XInternAtom(display, "_NET_WM_FULLSCREEN_MONITORS", False);
    const Atom supported[] = { state, fullScreen, monitorsAtom };
    XChangeProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(supported), 3);
    XSync(display, False);
    std::printf("wm=1\n");
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        int box[4];
        if (event.type == MapRequest) {
            const Window window = event.xmaprequest.window;
            Atom type = None;
            int format = 0;
            unsigned long count = 0;
            unsigned long after = 0;
            unsigned char* data = nullptr;
            bool full = false;
            if (XGetWindowProperty(display, window, state, 0, 16, False, XA_ATOM, &type, &format, &count, &after,
                                   &data) == Success && data != nullptr) {
                for (unsigned long i = 0; i < count; ++i)
                    full = full || reinterpret_cast<Atom*>(data)[i] == fullScreen;
                XFree(data);
            }
            if (full) {
                const long first = 0;
                monitor_box(display, &first, 1, box);
                XMoveResizeWindow(display, window, box[0], box[1], static_cast<unsigned>(box[2]),
                                  static_cast<unsigned>(box[3]));
            }
            XMapRaised(display, window);
            XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
        } else if (event.type == ConfigureRequest) {
            XWindowChanges changes{};
            changes.x = event.xconfigurerequest.x;
            changes.y = event.xconfigurerequest.y;
            changes.width = event.xconfigurerequest.width;
            changes.height = event.xconfigurerequest.height;
            XConfigureWindow(display, event.xconfigurerequest.window,
                             static_cast<unsigned>(event.xconfigurerequest.value_mask) &
                                 (CWX | CWY | CWWidth | CWHeight),
                             &changes);
        } else if (event.type == ClientMessage && event.xclient.message_type == monitorsAtom) {
            monitor_box(display, event.xclient.data.l, 4, box);
            XMoveResizeWindow(display, event.xclient.window, box[0], box[1], static_cast<unsigned>(box[2]),
                              static_cast<unsigned>(box[3]));
        }
        XSync(display, False);
    }
}

int reap(const char* logPath, char* command[])
{
    std::FILE* log = std::fopen(logPath, "a");
    if (log == nullptr || prctl(PR_SET_CHILD_SUBREAPER, 1) != 0)
        return 1;
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        _exit(127);
    }
    int childStatus = 1;
    int status = 0;
    pid_t pid = 0;
    while ((pid = wait(&status)) > 0 || errno == EINTR) {
        if (pid < 0)
            continue;
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::fprintf(log, "pid=%d status=%d\n", pid, code);
        std::fflush(log);
        if (pid == child)
            childStatus = code;
    }
    return childStatus;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 4 && std::strcmp(argv[1], "reap") == 0)
        return reap(argv[2], argv + 3);
    unsigned width = 0;
    unsigned height = 0;
    const bool argb = argc == 4 && std::strcmp(argv[1], "argb-window") == 0;
    const bool window = argc == 4 && (std::strcmp(argv[1], "window") == 0 || argb) &&
                        std::sscanf(argv[2], "%ux%u", &width, &height) == 2;
    const bool close = argc == 3 && std::strcmp(argv[1], "close") == 0;
    const bool alpha = argc == 3 && std::strcmp(argv[1], "alpha") == 0;
    const bool grab = argc == 4 && std::strcmp(argv[1], "grab") == 0;
    const bool wm = argc == 2 && std::strcmp(argv[1], "stub-wm") == 0;
    const bool ewmh = argc == 2 && std::strcmp(argv[1], "ewmh-wm") == 0;
    Display* display = window || close || alpha || grab || wm || ewmh ? XOpenDisplay(nullptr) : nullptr;
    if (display == nullptr) {
        std::fprintf(stderr, "usage: x11_e2e_helper window|argb-window WxH SECONDS | close ID | alpha ID | grab ID FILE | "
                             "stub-wm | "
                             "ewmh-wm | reap LOG COMMAND... (all but reap need a display)\n");
        return 2;
    }
    if (wm)
        return stub_window_manager(display);
    if (ewmh)
        return ewmh_window_manager(display);
    const Window id = argc >= 3 ? std::strtoul(argv[2], nullptr, 0) : 0;
    const int status = window  ? hold_window(display, width, height, static_cast<unsigned>(std::atoi(argv[3])), argb)
                       : alpha ? count_translucent(display, id)
                       : grab  ? grab_pixels(display, id, argv[3])
                               : send_close(display, id);
    XCloseDisplay(display);
    return status;
}
