// The --fps counter of the Wayland host.
#include "host/wayland/wayland_fps.h"

#include "host/posix_clock.h"

#include <sys/resource.h>

#include <cstdio>

namespace {

long frames = 0;
long framesSinceUpdate = 0;
double startWall = 0.0;
double startCpu = 0.0;
double updateWall = 0.0;
double updateCpu = 0.0;

double wall_seconds()
{
    return static_cast<double>(monotonic_us()) * 1e-6;
}

double cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const timeval& u = usage.ru_utime;
    const timeval& s = usage.ru_stime;
    return static_cast<double>(u.tv_sec + s.tv_sec) + static_cast<double>(u.tv_usec + s.tv_usec) * 1e-6;
}

} // namespace

void wayland_fps_start()
{
    startWall = updateWall = wall_seconds();
    startCpu = updateCpu = cpu_seconds();
}

void wayland_fps_frame()
{
    ++frames;
    ++framesSinceUpdate;
    const double now = wall_seconds();
    if (now - updateWall < 1.0)
        return;
    const double cpu = cpu_seconds();
    std::fprintf(stderr, "latticedrift: %.1f fps  %.2f ms CPU per frame\n",
                 static_cast<double>(framesSinceUpdate) / (now - updateWall),
                 (cpu - updateCpu) * 1000.0 / static_cast<double>(framesSinceUpdate));
    updateWall = now;
    updateCpu = cpu;
    framesSinceUpdate = 0;
}

void wayland_fps_stop()
{
    const double seconds = wall_seconds() - startWall;
    if (frames > 0 && seconds > 0.0)
        std::fprintf(stderr, "latticedrift: %ld frames in %.1f s: %.1f frames/s, %.2f ms CPU per frame\n", frames,
                     seconds, static_cast<double>(frames) / seconds,
                     (cpu_seconds() - startCpu) * 1000.0 / static_cast<double>(frames));
}
