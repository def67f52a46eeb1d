// What the Linux hosts decide without a display: when frames are due (a table, then a display's
// vsync simulated at 60, 59.94 and 144 Hz), how the frame keeper tiles a window, and where a
// full-screen window spans several monitors.
#include "host/frame_keeper.h"
#include "host/frame_schedule.h"
#include "host/x11/screen_span.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t PERIOD = 16667;

TEST(FrameSchedule, TableOfWakeUps)
{
    struct Row {
        const char* what;
        std::int64_t now, period, due;
        FrameCause cause;
        std::int64_t expected;
    } rows[] = {
        { "on time", 1000, PERIOD, 1000, FrameCause::Due, 1000 + PERIOD },
        { "a late wake-up is made up by the next wait", 6000, PERIOD, 1000, FrameCause::Due, 1000 + PERIOD },
        { "just under a period behind still catches up", 1000 + 2 * PERIOD - 1, PERIOD, 1000, FrameCause::Due,
          1000 + PERIOD },
        { "a whole period behind is due at once", 1000 + 2 * PERIOD, PERIOD, 1000, FrameCause::Due,
          1000 + 2 * PERIOD },
        { "a jump of seconds is due at once, not a burst", 9000000, PERIOD, 1000, FrameCause::Due, 9000000 },
        { "an uncovered window's frame leaves the schedule", 5000, PERIOD, 9000, FrameCause::Other, 9000 },
        { "an uncovered window long after: still as it was", 900000, PERIOD, 9000, FrameCause::Other, 9000 },
        { "no period: always due", 1200, 0, 1000, FrameCause::Due, 1200 },
    };
    for (const Row& r : rows)
        EXPECT_EQ(next_frame_due(r.now, r.period, r.due, r.cause), r.expected) << r.what;
}

// The repeated uncovering that once put frames off by seconds: a 100 ms period, the window
// uncovered every 20 ms for 0.8 s, a loop that wakes every millisecond; no due frame comes late.
TEST(FrameSchedule, UncoveringOftenNeverPutsTheNextFrameOff)
{
    std::int64_t due = 0;
    std::int64_t lastDue = 0;
    std::int64_t longest = 0;
    for (std::int64_t now = 0; now <= 5000000; now += 1000) {
        const bool exposed = now < 800000 && now % 20000 == 0;
        const bool timely = now >= due;
        if (timely) {
            longest = std::max(longest, now - lastDue);
            lastDue = now;
        }
        if (timely || exposed)
            due = next_frame_due(now, 100000, due, timely ? FrameCause::Due : FrameCause::Other);
    }
    EXPECT_EQ(longest, 100000);
}

// A host drawing when its time comes into a swap that shows the frame at the display's next
// refresh (one frame a refresh at most), for a simulated minute: frames per second.
double rate_against(double refreshHz)
{
    const double refreshUs = 1e6 / refreshHz;
    std::int64_t now = 0;
    std::int64_t due = 0;
    long shown = -1;
    long frames = 0;
    while (now < 60000000) {
        if (now < due) {
            now = due;
            continue;
        }
        shown = std::max(shown + 1, static_cast<long>(std::ceil(static_cast<double>(now) / refreshUs)));
        now = static_cast<std::int64_t>(std::ceil(static_cast<double>(shown) * refreshUs));
        due = next_frame_due(now, PERIOD, due, FrameCause::Due);
        ++frames;
    }
    return static_cast<double>(frames) / 60.0;
}

TEST(FrameSchedule, VsyncAt60And5994And144HzGivesTheDisplaysRateUpTo60)
{
    EXPECT_NEAR(rate_against(60.0), 60.0, 0.05);
    EXPECT_NEAR(rate_against(59.94), 59.94, 0.05);
    EXPECT_NEAR(rate_against(144.0), 60.0, 0.05);
}

// Spans as "start+length/size" joined by blanks.
std::string spans(int length, int maxSize)
{
    std::string text;
    for (const KeeperSpan& s : keeper_spans(length, maxSize))
        text += (text.empty() ? "" : " ") + std::to_string(s.start) + "+" + std::to_string(s.length) + "/" +
                std::to_string(s.size);
    return text;
}

TEST(FrameKeeperTiles, PowersOfTwoThatFitTightlyUnderTheLimit)
{
    EXPECT_EQ(spans(1920, 16384), "0+1024/1024 1024+512/512 1536+256/256 1792+128/128");
    EXPECT_EQ(spans(1079, 16384), "0+1024/1024 1024+32/32 1056+16/16 1072+7/8");
    EXPECT_EQ(spans(16400, 16384), "0+16384/16384 16384+16/16");
    EXPECT_EQ(spans(600, 256), "0+256/256 256+256/256 512+64/64 576+16/16 592+8/8");
    EXPECT_EQ(spans(1, 64), "0+1/1");
    EXPECT_EQ(spans(0, 64), "");
    // Any side: contiguous cover, powers of two within the limit, less than an eighth wasted
    // beyond the whole spans (and never more than 8 of the small ones' pixels for tiny sides).
    for (int length = 1; length <= 5000; length += 7) {
        int covered = 0;
        int held = 0;
        for (const KeeperSpan& s : keeper_spans(length, 1024)) {
            ASSERT_EQ(s.start, covered);
            ASSERT_TRUE(s.size <= 1024 && (s.size & (s.size - 1)) == 0 && s.length <= s.size);
            covered += s.length;
            held += s.size;
        }
        ASSERT_EQ(covered, length);
        ASSERT_LE(held - length, std::max(8, length % 1024 / 8)) << length;
    }
}

std::string span_of(const std::vector<MonitorRect>& monitors, int width, int height)
{
    const ScreenSpan s = span_monitors(monitors, width, height);
    return std::to_string(s.box.width) + "x" + std::to_string(s.box.height) + "+" + std::to_string(s.box.x) + "+" +
           std::to_string(s.box.y) + " " + std::to_string(s.top) + std::to_string(s.bottom) +
           std::to_string(s.left) + std::to_string(s.right);
}

TEST(ScreenSpan, BoxOverEveryMonitorAndTheMonitorsAtItsEdges)
{
    EXPECT_EQ(span_of({}, 1024, 768), "1024x768+0+0 0000");
    EXPECT_EQ(span_of({ { 0, 0, 1024, 768 } }, 1024, 768), "1024x768+0+0 0000");
    // Side by side, the second one taller and lower.
    EXPECT_EQ(span_of({ { 0, 0, 1024, 768 }, { 1024, 100, 1280, 1024 } }, 2304, 1124), "2304x1124+0+0 0101");
    // Stacked, listed bottom first.
    EXPECT_EQ(span_of({ { 0, 768, 1024, 768 }, { 0, 0, 1024, 768 } }, 1024, 1536), "1024x1536+0+0 1000");
    // A screen bigger than its monitors, and one monitor off the screen or empty.
    EXPECT_EQ(span_of({ { 100, 50, 800, 600 }, { 5000, 0, 800, 600 }, { 0, 0, 0, 0 } }, 2048, 768),
              "800x600+100+50 0000");
}

} // namespace
