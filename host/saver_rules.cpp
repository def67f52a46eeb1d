// The pointer-travel rule of both saver hosts.
#include "host/saver_rules.h"

bool mouse_travel_exceeds(std::int32_t refX, std::int32_t refY, std::int32_t x, std::int32_t y)
{
    // 64-bit so that far-apart coordinates cannot overflow.
    const std::int64_t dx = static_cast<std::int64_t>(x) - refX;
    const std::int64_t dy = static_cast<std::int64_t>(y) - refY;
    return (dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy) > MOUSE_MOVE_THRESHOLD;
}
