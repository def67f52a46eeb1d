// Test helper of the Linux host's end-to-end checks.
//   window WxH SECONDS  makes and maps a window, prints "window=0x...", and after SECONDS destroys it.
//   close ID           asks window ID to close, as a window manager does (WM_DELETE_WINDOW).
//   reap LOG COMMAND.. runs COMMAND and adopts every process it leaves behind, writing
//                      "pid=N status=S" (or "signal=S") to LOG as each one ends: the daemon's
//                      display helper may exit before it collects the hack it stopped.
#include <X11/Xlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: x11_e2e_helper window WxH SECONDS | close ID | reap LOG COMMAND...\n");
    return 2;
}

Display* open_display()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        std::fprintf(stderr, "x11_e2e_helper: cannot open the display\n");
    return display;
}

int hold_window(const char* size, const char* seconds)
{
    unsigned width = 0;
    unsigned height = 0;
    if (std::sscanf(size, "%ux%u", &width, &height) != 2 || width == 0 || height == 0)
        return usage();
    Display* display = open_display();
    if (display == nullptr)
        return 1;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("window=0x%lx\n", window);
    std::fflush(stdout);
    sleep(static_cast<unsigned>(std::atoi(seconds)));
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}

int send_close(const char* id)
{
    Display* display = open_display();
    if (display == nullptr)
        return 1;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::strtoul(id, nullptr, 0);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return 0;
}

int reap(const char* logPath, char* command[])
{
    std::FILE* log = std::fopen(logPath, "a");
    if (log == nullptr || prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
        std::perror("x11_e2e_helper reap");
        return 1;
    }
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        std::perror(command[0]);
        _exit(127);
    }
    int childStatus = 1;
    int status = 0;
    pid_t pid = 0;
    while ((pid = wait(&status)) > 0 || (pid < 0 && errno == EINTR)) {
        if (pid < 0)
            continue;
        if (WIFEXITED(status))
            std::fprintf(log, "pid=%d status=%d\n", pid, WEXITSTATUS(status));
        else
            std::fprintf(log, "pid=%d signal=%d\n", pid, WTERMSIG(status));
        std::fflush(log);
        if (pid == child)
            childStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::fclose(log);
    return childStatus;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 4 && std::strcmp(argv[1], "window") == 0)
        return hold_window(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "close") == 0)
        return send_close(argv[2]);
    if (argc >= 4 && std::strcmp(argv[1], "reap") == 0)
        return reap(argv[2], argv + 3);
    return usage();
}
