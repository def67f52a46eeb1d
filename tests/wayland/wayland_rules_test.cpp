// The Linux host's pure decisions for Wayland: which backend a command line and its environment
// get, what the end of one output's process means for the saver, when pointer travel ends it
// (and when the reference is learned anew), and the buffer's size at a scale.
#include "host/linux_backend.h"
#include "host/wayland/wayland_rules.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

// The choice in one line: "wayland", "x11", or "N: reason" for an exit with status N; "?" when the
// command line itself is refused. `connects`: a compositor would answer.
std::string choose(std::initializer_list<const char*> args, const char* saverWindow, const char* waylandDisplay,
                   bool connects, bool* tried = nullptr)
{
    std::vector<std::string> storage{ "latticedrift" };
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    HackOptions options;
    std::string error;
    if (parse_hack_options(static_cast<int>(storage.size()), argv.data(), saverWindow, &options, &error) !=
        HackParse::Run)
        return "?";
    const bool trying = wayland_worth_trying(options, waylandDisplay);
    if (tried != nullptr)
        *tried = trying;
    const BackendChoice c = choose_backend(options, waylandDisplay, trying && connects);
    if (c.status != 0)
        return std::to_string(c.status) + ": " + c.reason;
    return c.backend == LinuxBackend::Wayland ? "wayland" : "x11";
}

TEST(Backend, WaylandWhenACompositorAnswersAndNoX11WindowIsNamed)
{
    EXPECT_EQ(choose({}, nullptr, "wayland-1", true), "wayland");
    EXPECT_EQ(choose({ "--fullscreen" }, nullptr, "wayland-1", true), "wayland");
    EXPECT_EQ(choose({ "-window", "-delay", "0" }, nullptr, "wayland-1", true), "wayland");
    // --fullscreen does not use the daemon's variable, so it names no window.
    EXPECT_EQ(choose({ "--fullscreen" }, "0x60000c", "wayland-1", true), "wayland");
    // Nobody answers at WAYLAND_DISPLAY, or it is unset or empty: X11, never tried when unset.
    bool tried = true;
    EXPECT_EQ(choose({ "--fullscreen" }, nullptr, "wayland-9", false), "x11");
    EXPECT_EQ(choose({ "--fullscreen" }, nullptr, nullptr, true, &tried), "x11");
    EXPECT_FALSE(tried);
    EXPECT_EQ(choose({}, nullptr, "", true, &tried), "x11");
    EXPECT_FALSE(tried);
}

TEST(Backend, AnX11WindowKeepsTheRunOnX11WithoutTryingWayland)
{
    bool tried = true;
    EXPECT_EQ(choose({ "--root" }, nullptr, "wayland-1", true, &tried), "x11");
    EXPECT_FALSE(tried);
    EXPECT_EQ(choose({ "-window-id", "42" }, nullptr, "wayland-1", true, &tried), "x11");
    EXPECT_FALSE(tried);
    EXPECT_EQ(choose({}, "0x60000c", "wayland-1", true, &tried), "x11");
    EXPECT_FALSE(tried);
}

TEST(Backend, TheSwitchForcesEitherAndNamesWhatDoesNotFit)
{
    bool tried = true;
    EXPECT_EQ(choose({ "--backend", "x11", "--fullscreen" }, nullptr, "wayland-1", true, &tried), "x11");
    EXPECT_FALSE(tried);
    EXPECT_EQ(choose({ "--backend=wayland" }, nullptr, nullptr, true, &tried), "wayland");
    EXPECT_TRUE(tried); // libwayland's default socket, wayland-0
    EXPECT_EQ(choose({ "--backend", "wayland" }, nullptr, nullptr, false),
              "1: --backend wayland: no Wayland compositor answers at wayland-0 (WAYLAND_DISPLAY is not set)");
    EXPECT_EQ(choose({ "--backend", "wayland" }, nullptr, "wayland-7", false),
              "1: --backend wayland: no Wayland compositor answers at WAYLAND_DISPLAY 'wayland-7'");
    EXPECT_EQ(choose({ "--backend", "wayland", "--root" }, nullptr, "wayland-1", true),
              "2: --backend wayland: --root, --window-id and XSCREENSAVER_WINDOW name an X11 window");
    EXPECT_EQ(choose({ "--backend", "wayland" }, "0x60000c", "wayland-1", true).substr(0, 3), "2: ");
    EXPECT_EQ(choose({ "--backend", "gtk" }, nullptr, "wayland-1", true), "?");
}

TEST(Backend, X11OnlyOptionsAreRefusedOnWaylandWithTheirName)
{
    EXPECT_EQ(choose({ "--fullscreen", "--display", ":1" }, nullptr, "wayland-1", true),
              "2: --display is for X11 only, and this run is on Wayland (add --backend x11 to draw through X11)");
    EXPECT_EQ(choose({ "-install", "-visual", "0x21" }, nullptr, "wayland-1", true).substr(0, 14), "2: --install i");
    EXPECT_EQ(choose({ "--visual", "0x21", "--backend", "wayland" }, nullptr, "wayland-1", true),
              "2: --visual is for X11 only, and this run is on Wayland");
    // Where there is no compositor they mean what they always meant.
    EXPECT_EQ(choose({ "--display", ":1" }, nullptr, "wayland-1", false), "x11");
    EXPECT_EQ(choose({ "--display", ":1", "--backend", "x11" }, nullptr, "wayland-1", true), "x11");
}

int exited(int code)
{
    return code << 8; // as waitpid reports an exit
}

TEST(OutputRoster, EachOutputGetsOneProcessAndAGoneOutputEndsOnlyItsOwn)
{
    OutputRoster roster;
    EXPECT_TRUE(roster.add(40));
    EXPECT_FALSE(roster.add(40)); // announced twice
    roster.started(40, 1001);
    EXPECT_TRUE(roster.add(41));
    roster.started(41, 1002);
    EXPECT_EQ(roster.remove(99), 0);
    EXPECT_EQ(roster.remove(41), 1002);
    EXPECT_EQ(roster.remove(41), 0); // told once
    // However the retired process ends (the signal it was sent, or its own finding), it ends alone.
    EXPECT_FALSE(roster.ended(1002, exited(0)).endAll);
    EXPECT_EQ(roster.running(), std::vector<int>{ 1001 });
    // An output that comes back under a new name, and one gone before its process started.
    EXPECT_TRUE(roster.add(42));
    EXPECT_EQ(roster.remove(42), 0);
    EXPECT_TRUE(roster.add(43));
    roster.started(43, 1003);
    EXPECT_FALSE(roster.ended(1003, exited(OUTPUT_GONE_STATUS)).endAll);
    EXPECT_FALSE(roster.ended(4242, exited(1)).endAll); // not ours
    EXPECT_EQ(roster.running(), std::vector<int>{ 1001 });
}

TEST(OutputRoster, AnyOtherEndEndsEveryPicture)
{
    struct Case {
        int waitStatus;
        int status;
    };
    // Input, a stop signal or a closed surface (0); a failure (1); a crash or a kill (1).
    for (const Case c : { Case{ exited(0), 0 }, Case{ exited(1), 1 }, Case{ exited(2), 1 }, Case{ SIGSEGV, 1 },
                          Case{ SIGKILL, 1 } }) {
        OutputRoster roster;
        roster.add(40);
        roster.started(40, 1001);
        roster.add(41);
        roster.started(41, 1002);
        const ChildVerdict verdict = roster.ended(1001, c.waitStatus);
        EXPECT_TRUE(verdict.endAll) << c.waitStatus;
        EXPECT_EQ(verdict.status, c.status) << c.waitStatus;
        EXPECT_EQ(roster.running(), std::vector<int>{ 1002 });
    }
}

TEST(PointerTravel, TheFirstPositionIsTheReferenceAndSettlingLearnsItAnew)
{
    PointerTravel travel;
    EXPECT_FALSE(travel.moved_to(500.0, 300.0)); // the enter a still pointer gets
    EXPECT_FALSE(travel.moved_to(502.0, 302.0)); // 4 pixels: kept
    EXPECT_FALSE(travel.moved_to(498.4, 300.0)); // rounds to 2 pixels
    EXPECT_TRUE(travel.moved_to(503.0, 302.0));  // 5
    EXPECT_TRUE(travel.moved_to(490.0, 300.0));  // 10
    // Placed anew (a fullscreen state applied): the same pointer now reads elsewhere.
    travel.settle();
    EXPECT_FALSE(travel.moved_to(1140.0, 660.0));
    EXPECT_FALSE(travel.moved_to(1140.0, 656.0));
    EXPECT_TRUE(travel.moved_to(1150.0, 660.0));
    // Nonsense from far outside stays defined.
    EXPECT_TRUE(travel.moved_to(1e300, -1e300));
}

TEST(BufferSize, DevicePixelsAtIntegerAndFractionalScales)
{
    struct Case {
        int width, height;
        std::uint32_t scale120;
        int bufferWidth, bufferHeight;
    };
    for (const Case c : {
             Case{ 1280, 720, 120, 1280, 720 },  // 1
             Case{ 640, 360, 240, 1280, 720 },   // 2
             Case{ 1707, 960, 180, 2561, 1440 }, // 1.5: 2560.5 rounds away from zero
             Case{ 1097, 617, 140, 1280, 720 },  // 7/6: 1279.83 and 719.83
             Case{ 0, 0, 120, 1, 1 },
             Case{ 100000, 10, 360, 16384, 30 },
         }) {
        const BufferSize b = buffer_size(c.width, c.height, c.scale120);
        EXPECT_EQ(b.width, c.bufferWidth) << c.width << " at " << c.scale120;
        EXPECT_EQ(b.height, c.bufferHeight) << c.height << " at " << c.scale120;
    }
}

} // namespace
