// The span of a screen's monitors.
#include "host/x11/screen_span.h"

#include <algorithm>

ScreenSpan span_monitors(const std::vector<MonitorRect>& monitors, int screenWidth, int screenHeight)
{
    ScreenSpan span;
    int x1 = 0;
    int y1 = 0;
    bool any = false;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const MonitorRect& m = monitors[i];
        if (m.width <= 0 || m.height <= 0 || m.x >= screenWidth || m.y >= screenHeight || m.x + m.width <= 0 ||
            m.y + m.height <= 0)
            continue;
        const long index = static_cast<long>(i);
        if (!any || m.y < span.box.y) {
            span.box.y = m.y;
            span.top = index;
        }
        if (!any || m.y + m.height > y1) {
            y1 = m.y + m.height;
            span.bottom = index;
        }
        if (!any || m.x < span.box.x) {
            span.box.x = m.x;
            span.left = index;
        }
        if (!any || m.x + m.width > x1) {
            x1 = m.x + m.width;
            span.right = index;
        }
        any = true;
    }
    if (!any)
        return ScreenSpan{ { 0, 0, screenWidth, screenHeight }, 0, 0, 0, 0 };
    span.box.x = std::max(span.box.x, 0);
    span.box.y = std::max(span.box.y, 0);
    span.box.width = std::min(x1, screenWidth) - span.box.x;
    span.box.height = std::min(y1, screenHeight) - span.box.y;
    return span;
}
