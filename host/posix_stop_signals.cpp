// Stop signals: the handler only does what is safe in a signal handler (an atomic flag, a write to
// a pipe, a semaphore), whichever thread it lands on; the GL driver starts threads of its own.
#include "host/posix_stop_signals.h"

#include <fcntl.h>
#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "the stop flags are set in a signal handler");

constexpr int STOP_SIGNALS[] = { SIGTERM, SIGINT, SIGHUP, SIGQUIT };

std::atomic<bool> armed{ false };
std::atomic<bool> requested{ false };
int wake_pipe[2] = { -1, -1 };
sem_t watchdog_start;

void on_stop_signal(int)
{
    if (!armed.load() || requested.exchange(true))
        _exit(0);
    const int saved = errno;
    const char byte = 1;
    const ssize_t written = write(wake_pipe[1], &byte, 1);
    (void)written;
    sem_post(&watchdog_start);
    errno = saved;
}

// Waits for the first stop signal, then gives the loop its time to end.
void* watchdog(void*)
{
    while (sem_wait(&watchdog_start) != 0) {
    }
    const timespec grace{ STOP_WATCHDOG_MS / 1000, (STOP_WATCHDOG_MS % 1000) * 1000000L };
    timespec left = grace;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
    _exit(0);
}

} // namespace

void stop_signals_install()
{
    if (pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        wake_pipe[0] = wake_pipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : STOP_SIGNALS)
        sigaction(signal, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
}

void stop_signals_arm()
{
    if (sem_init(&watchdog_start, 0, 0) != 0)
        return; // every signal then keeps ending the process at once
    pthread_t thread{};
    if (pthread_create(&thread, nullptr, watchdog, nullptr) != 0)
        return;
    pthread_detach(thread);
    armed = true;
}

bool stop_requested()
{
    return requested.load();
}

int stop_wake_fd()
{
    return wake_pipe[0];
}
