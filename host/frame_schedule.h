// When a host's next frame is due: one period after the last, free of platform calls so that a
// table test and the hosts share it. Times are microseconds of a monotonic clock.
#ifndef LATTICEDRIFT_HOST_FRAME_SCHEDULE_H
#define LATTICEDRIFT_HOST_FRAME_SCHEDULE_H

#include <cstdint>

// Why a frame was drawn: its time came, or for some other reason (a window just uncovered).
enum class FrameCause { Due, Other };

// The due time after a frame drawn at `now` (read once it is drawn), when `due` was the due time
// before it. A frame whose time came is followed one period after `due`, so that a late wake-up is
// made up by a shorter wait; but a schedule that has fallen a whole period or more behind (a slow
// frame, a pause, a display slower than the period) is due again at once, and goes on from `now`
// instead of hurrying to catch up. Any other frame leaves the schedule as it was, so that
// uncovering a window as often as one likes never puts the next frame off.
std::int64_t next_frame_due(std::int64_t now, std::int64_t period, std::int64_t due, FrameCause cause);

#endif
