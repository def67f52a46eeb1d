// The frame schedule shared by the Linux hosts.
#include "host/frame_schedule.h"

std::int64_t next_frame_due(std::int64_t now, std::int64_t period, std::int64_t due, FrameCause cause)
{
    if (cause != FrameCause::Due)
        return due;
    const std::int64_t next = due + period;
    return next + period <= now ? now : next;
}
