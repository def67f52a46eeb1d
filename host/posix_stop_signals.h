// The stop signals of the Linux hosts (SIGTERM, SIGINT, SIGHUP and SIGQUIT): at once during the
// start-up, which may wait on a server; afterwards a request that the frame loop sees, backed by a
// watchdog for a loop stuck in the driver or the server.
#ifndef LATTICEDRIFT_HOST_POSIX_STOP_SIGNALS_H
#define LATTICEDRIFT_HOST_POSIX_STOP_SIGNALS_H

// How long the loop may take to end after a stop signal before the process ends without it, in
// milliseconds. The whole end has to take less than a second.
constexpr int STOP_WATCHDOG_MS = 600;

// Installs the handlers: from now on each of the signals ends the process with status 0 at once.
// Also ignores SIGPIPE, so that a lost connection reads as an error instead of killing the process.
void stop_signals_install();

// The start-up is over: a signal now asks the loop to stop (stop_requested, stop_wake_fd). If the
// loop has not ended the process STOP_WATCHDOG_MS after the first signal, or a second one comes,
// the process ends with status 0 without it.
void stop_signals_arm();

bool stop_requested();

// Readable once a stop has been asked for: a loop's wait includes it. -1 if none could be made.
int stop_wake_fd();

#endif
