#include "host/posix_frame_rate.h"

#include "host/posix_clock.h"

#include <sys/resource.h>

#include <cstdio>

namespace {

double wall_seconds()
{
    return static_cast<double>(monotonic_us()) * 1e-6;
}

// User and system time of the whole process.
double cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const timeval& u = usage.ru_utime;
    const timeval& s = usage.ru_stime;
    return static_cast<double>(u.tv_sec + s.tv_sec) + static_cast<double>(u.tv_usec + s.tv_usec) * 1e-6;
}

} // namespace

void FrameRate::start()
{
    startWall_ = updateWall_ = wall_seconds();
    startCpu_ = updateCpu_ = cpu_seconds();
}

const char* FrameRate::frame()
{
    ++frames_;
    ++framesSinceUpdate_;
    const double now = wall_seconds();
    if (now - updateWall_ < 1.0)
        return nullptr;
    const double cpu = cpu_seconds();
    const double frames = static_cast<double>(framesSinceUpdate_);
    std::snprintf(text_, sizeof text_, "%.1f fps  %.2f ms CPU per frame", frames / (now - updateWall_),
                  (cpu - updateCpu_) * 1000.0 / frames);
    updateWall_ = now;
    updateCpu_ = cpu;
    framesSinceUpdate_ = 0;
    return text_;
}

void FrameRate::stop() const
{
    const double seconds = wall_seconds() - startWall_;
    if (frames_ > 0 && seconds > 0.0)
        std::fprintf(stderr, "latticedrift: %ld frames in %.1f s: %.1f frames/s, %.2f ms CPU per frame\n", frames_,
                     seconds, static_cast<double>(frames_) / seconds,
                     (cpu_seconds() - startCpu_) * 1000.0 / static_cast<double>(frames_));
}
