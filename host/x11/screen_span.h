// Where a full-screen window goes when the X screen shows several monitors: the box over all of
// them, and the monitors at its four edges as _NET_WM_FULLSCREEN_MONITORS names them. Free of X11
// headers, so that native tests reach it.
#ifndef LATTICEDRIFT_HOST_X11_SCREEN_SPAN_H
#define LATTICEDRIFT_HOST_X11_SCREEN_SPAN_H

#include <vector>

struct MonitorRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct ScreenSpan {
    MonitorRect box;
    // Indices into the monitor list (which is the server's Xinerama order) of the monitors whose
    // edges are the box's top, bottom, left and right.
    long top = 0;
    long bottom = 0;
    long left = 0;
    long right = 0;
};

// The span of `monitors` clipped to the screen; with no monitor of any size on the screen, the
// whole screen.
ScreenSpan span_monitors(const std::vector<MonitorRect>& monitors, int screenWidth, int screenHeight);

#endif
