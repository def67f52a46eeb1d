// The arithmetic of GLUT's elapsed-time count on every build, free of platform calls so that native
// tests reach it: a start that differs from run to run plus a counter's elapsed time.
#ifndef LATTICEDRIFT_COMPAT_GLUT_CLOCK_H
#define LATTICEDRIFT_COMPAT_GLUT_CLOCK_H

#include <cstdint>

// Whole milliseconds in `counts` ticks of a counter that runs at `frequency` ticks per second.
// Split into whole seconds and the rest, so that no count overflows (counts * 1000 would after
// 35 days of a 3 GHz counter).
inline std::int64_t counter_ms(std::int64_t counts, std::int64_t frequency)
{
    return counts / frequency * 1000 + counts % frequency * 1000 / frequency;
}

// GLUT's count: `startMs` plus the counter's elapsed milliseconds, wrapped to an int as GLUT's
// count wraps (negative past 2^31 ms, back again past 2^32 ms).
inline int glut_count_ms(std::uint32_t startMs, std::int64_t counts, std::int64_t frequency)
{
    const std::uint64_t sum = startMs + static_cast<std::uint64_t>(counter_ms(counts, frequency));
    return static_cast<int>(static_cast<std::uint32_t>(sum));
}

#endif
