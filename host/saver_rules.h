// The one rule both saver hosts share, free of platform calls: how far the pointer may travel
// before a full-screen saver ends. Built on every preset, so tests and fuzzers reach it.
#ifndef LATTICEDRIFT_HOST_SAVER_RULES_H
#define LATTICEDRIFT_HOST_SAVER_RULES_H

#include <cstdint>

// Largest mouse travel (|dx| + |dy| in pixels from the reference position) that keeps the saver.
constexpr std::int32_t MOUSE_MOVE_THRESHOLD = 4;

// True when the cursor at (x, y) is more than MOUSE_MOVE_THRESHOLD pixels (|dx| + |dy|) away from
// the reference position.
bool mouse_travel_exceeds(std::int32_t refX, std::int32_t refY, std::int32_t x, std::int32_t y);

#endif
