// Frame statistics for the stats test build of the saver (latticedrift-stats.scr only).
#include "host/win32/win32_frame_stats.h"

#include "scene/scene.h"

#include <windows.h>

#include <cstdio>

static unsigned long long frame_count;
static ULONGLONG start_wall_ms;
static ULONGLONG start_cpu_ms;
static int start_clock_ms;
static unsigned int start_seed;

// User plus kernel time of the process, in milliseconds.
static ULONGLONG process_cpu_ms()
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        return 0;
    const ULONGLONG kernel100ns = (static_cast<ULONGLONG>(kernel.dwHighDateTime) << 32) | kernel.dwLowDateTime;
    const ULONGLONG user100ns = (static_cast<ULONGLONG>(user.dwHighDateTime) << 32) | user.dwLowDateTime;
    return (kernel100ns + user100ns) / 10000;
}

void frame_stats_start()
{
    // Called right after the start-up, before the first frame reads the clock again.
    start_clock_ms = static_cast<int>(scene_objects::clock.milliseconds);
    start_seed = startup_seed();
    frame_count = 0;
    start_wall_ms = GetTickCount64();
    start_cpu_ms = process_cpu_ms();
}

void frame_stats_count()
{
    ++frame_count;
}

void frame_stats_write()
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("LATTICEDRIFT_STATS_FILE", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    char line[160];
    const int size = std::snprintf(line, sizeof line,
                                   "frames=%llu wall_ms=%llu cpu_ms=%llu start_ms=%d seed=%u\n",
                                   frame_count, GetTickCount64() - start_wall_ms,
                                   process_cpu_ms() - start_cpu_ms, start_clock_ms, start_seed);
    if (size <= 0)
        return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}
