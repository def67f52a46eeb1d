// The full-screen saver's first process: it binds no output and draws nothing. Each output's
// process is this program run anew (its own connection, its own address space and so its own seed),
// started through /proc/self/exe so that an upgrade of the installed file does not mix versions,
// and ended by the kernel if this process dies first.
#include "host/wayland/wayland_saver.h"

#include "host/posix_clock.h"
#include "host/posix_stop_signals.h"
#include "host/wayland/wayland_rules.h"
#include "host/wayland/wayland_run.h"
#include "host/wayland/wl_client.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

// How long the processes may take to end once told, before they are killed. Within the stop
// signals' watchdog, so that a stop still ends everything within a second.
constexpr std::int64_t CHILD_GRACE_US = 500000;

int child_pipe[2] = { -1, -1 };

void on_child(int)
{
    const int saved = errno;
    const char byte = 1;
    const ssize_t written = write(child_pipe[1], &byte, 1);
    (void)written;
    errno = saved;
}

struct Saver {
    char** argv = nullptr;
    OutputRoster roster;
    ChildVerdict verdict;
    bool failed = false;
};

// Starts the process for an output; -1 when it cannot be started. Everything it needs is made
// before the fork: between fork and exec only calls that are safe in a forked copy of a process
// with threads.
pid_t start_process(Saver* saver, std::uint32_t output)
{
    const std::string prefix = std::string(WAYLAND_OUTPUT_VARIABLE) + "=";
    const std::string named = prefix + std::to_string(output);
    std::vector<char*> environment;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, prefix.c_str(), prefix.size()) != 0)
            environment.push_back(*e);
    environment.push_back(const_cast<char*>(named.c_str()));
    environment.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        _exit(0);
    execve("/proc/self/exe", saver->argv, environment.data());
    static const char message[] = "latticedrift: cannot start the process for an output (/proc/self/exe)\n";
    const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    (void)written;
    _exit(1);
}

void registry_global(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t)
{
    auto* saver = static_cast<Saver*>(data);
    if (std::strcmp(interface, wl_output_interface.name) != 0 || !saver->roster.add(name))
        return;
    const pid_t pid = start_process(saver, name);
    if (pid < 0) {
        std::fprintf(stderr, "latticedrift: cannot start the process for an output: %s\n", std::strerror(errno));
        saver->roster.remove(name);
        saver->failed = true;
        return;
    }
    saver->roster.started(name, pid);
}

void registry_global_remove(void* data, wl_registry*, std::uint32_t name)
{
    const int pid = static_cast<Saver*>(data)->roster.remove(name);
    if (pid > 0)
        kill(pid, SIGTERM);
}

const wl_registry_listener REGISTRY_LISTENER = { registry_global, registry_global_remove };

// Collects every process that has ended; the first verdict that ends the saver is kept.
void collect(Saver* saver)
{
    char drained[64];
    while (read(child_pipe[0], drained, sizeof drained) > 0) {
    }
    int status = 0;
    pid_t pid = 0;
    while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
        const ChildVerdict verdict = saver->roster.ended(pid, status);
        if (verdict.endAll && !saver->verdict.endAll)
            saver->verdict = verdict;
    }
}

// Tells every process to end, gives them CHILD_GRACE_US, then kills the rest.
void end_processes(Saver* saver)
{
    for (int pid : saver->roster.running())
        kill(pid, SIGTERM);
    const std::int64_t deadline = monotonic_us() + CHILD_GRACE_US;
    while (!saver->roster.running().empty()) {
        const std::int64_t left = deadline - monotonic_us();
        if (left <= 0)
            break;
        pollfd wait{ child_pipe[0], POLLIN, 0 };
        poll(&wait, 1, static_cast<int>((left + 999) / 1000));
        collect(saver);
    }
    for (int pid : saver->roster.running()) {
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        saver->roster.ended(pid, status);
    }
}

} // namespace

int wayland_saver(char* argv[], wl_display* display)
{
    Saver saver;
    saver.argv = argv;
    if (pipe2(child_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "latticedrift: cannot make a pipe: %s\n", std::strerror(errno));
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = on_child;
    action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    sigemptyset(&action.sa_mask);
    sigaction(SIGCHLD, &action, nullptr);

    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &REGISTRY_LISTENER, &saver);
    stop_signals_arm();
    int status = 0;
    for (;;) {
        collect(&saver);
        if (stop_requested())
            break;
        if (saver.verdict.endAll || saver.failed) {
            status = saver.failed ? 1 : saver.verdict.status;
            break;
        }
        if (!wayland_pump(display, -1, child_pipe[0])) {
            std::fprintf(stderr, "latticedrift: %s\n", wayland_connection_error(display).c_str());
            status = 1;
            break;
        }
    }
    end_processes(&saver);
    wl_registry_destroy(registry);
    return status;
}
