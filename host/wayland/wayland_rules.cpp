// The Wayland host's pure rules: output bookkeeping, pointer travel, buffer sizes.
#include "host/wayland/wayland_rules.h"

#include "host/saver_rules.h"

#include <sys/wait.h>

#include <cmath>

bool OutputRoster::add(std::uint32_t output)
{
    for (const Entry& e : entries)
        if (e.output == output && !e.retired)
            return false;
    Entry entry;
    entry.output = output;
    entries.push_back(entry);
    return true;
}

void OutputRoster::started(std::uint32_t output, int pid)
{
    for (Entry& e : entries)
        if (e.output == output && !e.retired && e.pid == 0)
            e.pid = pid;
}

int OutputRoster::remove(std::uint32_t output)
{
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->output != output || it->retired)
            continue;
        if (it->pid == 0) {
            entries.erase(it);
            return 0;
        }
        it->retired = true;
        return it->pid;
    }
    return 0;
}

ChildVerdict OutputRoster::ended(int pid, int waitStatus)
{
    ChildVerdict verdict;
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->pid != pid || pid == 0)
            continue;
        const bool retired = it->retired;
        entries.erase(it);
        const bool exited = WIFEXITED(waitStatus);
        const int code = exited ? WEXITSTATUS(waitStatus) : -1;
        if (retired || code == OUTPUT_GONE_STATUS)
            return verdict;
        verdict.endAll = true;
        verdict.status = code == 0 ? 0 : 1;
        return verdict;
    }
    return verdict; // not one of ours
}

std::vector<int> OutputRoster::running() const
{
    std::vector<int> pids;
    for (const Entry& e : entries)
        if (e.pid != 0)
            pids.push_back(e.pid);
    return pids;
}

bool PointerTravel::moved_to(double x, double y)
{
    // Far outside any surface: clamped so that the conversion to int stays defined.
    const auto whole = [](double v) {
        return static_cast<std::int32_t>(std::lround(std::fmax(-1e9, std::fmin(1e9, v))));
    };
    if (!known) {
        known = true;
        refX = whole(x);
        refY = whole(y);
        return false;
    }
    return mouse_travel_exceeds(refX, refY, whole(x), whole(y));
}

BufferSize buffer_size(int surfaceWidth, int surfaceHeight, std::uint32_t scale120)
{
    const auto scaled = [scale120](int length) {
        const std::int64_t v = (static_cast<std::int64_t>(length) * scale120 + 60) / 120;
        return v < 1 ? 1 : v > 16384 ? 16384 : static_cast<int>(v);
    };
    BufferSize size;
    size.width = scaled(surfaceWidth);
    size.height = scaled(surfaceHeight);
    return size;
}
