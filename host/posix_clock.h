// The Linux hosts' clock for pacing and waiting: CLOCK_MONOTONIC in whole microseconds, which a
// change of the wall clock does not move.
#ifndef LATTICEDRIFT_HOST_POSIX_CLOCK_H
#define LATTICEDRIFT_HOST_POSIX_CLOCK_H

#include <cstdint>
#include <ctime>

inline std::int64_t monotonic_us()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

#endif
