// Frame statistics of the stats test build: frames rendered, wall and processor time between the
// window's creation and destruction, and the start-up's clock reading and seed, appended to the
// file that LATTICEDRIFT_STATS_FILE names.
#ifndef LATTICEDRIFT_HOST_WIN32_FRAME_STATS_H
#define LATTICEDRIFT_HOST_WIN32_FRAME_STATS_H

void frame_stats_start();
void frame_stats_count();
// Appends "frames=N wall_ms=T cpu_ms=C start_ms=M seed=S" and a line end; nothing when the
// variable is unset.
void frame_stats_write();

#endif
