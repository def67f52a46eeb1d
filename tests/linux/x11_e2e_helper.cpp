// Test helper of the Linux host's end-to-end checks.
//   window WxH SECONDS   maps a window, prints "window=0x...", destroys it after SECONDS and
//                        prints "destroyed=1".
//   close ID             asks window ID to close, as a window manager does (WM_DELETE_WINDOW).
//   stub-wm              a window manager that says it does full screen and never maps anything.
//   reap LOG COMMAND...  runs COMMAND and adopts what it leaves behind, writing "pid=N status=S"
//                        (S: the exit status, or 128 + the signal) to LOG as each process ends:
//                        the daemon's display helper may exit before collecting the hack it stopped.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

int hold_window(Display* display, unsigned width, unsigned height, unsigned seconds)
{
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0, 0);
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
    const bool window = argc == 4 && std::strcmp(argv[1], "window") == 0 &&
                        std::sscanf(argv[2], "%ux%u", &width, &height) == 2;
    const bool close = argc == 3 && std::strcmp(argv[1], "close") == 0;
    const bool wm = argc == 2 && std::strcmp(argv[1], "stub-wm") == 0;
    Display* display = window || close || wm ? XOpenDisplay(nullptr) : nullptr;
    if (display == nullptr) {
        std::fprintf(stderr, "usage: x11_e2e_helper window WxH SECONDS | close ID | stub-wm | reap LOG COMMAND... "
                             "(all but reap need a display)\n");
        return 2;
    }
    if (wm)
        return stub_window_manager(display);
    const int status = window ? hold_window(display, width, height, static_cast<unsigned>(std::atoi(argv[3])))
                              : send_close(display, std::strtoul(argv[2], nullptr, 0));
    XCloseDisplay(display);
    return status;
}
