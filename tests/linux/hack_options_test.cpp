// Command-line rules of the Linux host, row by row: the modes and the window each draws into, the
// daemon's options, and every malformed number or window ID, whose message names what is wrong.
#include "host/x11/hack_options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

constexpr long DEFAULT_DELAY = 5000;

// The parse in one line: "window", "full", "root" or "target 0x...", then " delay=N" when it is not
// the default, " fps", " display=NAME"; or "help" or "version"; or "error: " and the message.
std::string parse(std::initializer_list<const char*> args, const char* env)
{
    std::vector<std::string> storage{ "latticedrift" };
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    HackOptions o;
    o.delayUs = DEFAULT_DELAY;
    std::string error;
    const HackParse result = parse_hack_options(static_cast<int>(storage.size()), argv.data(), env, &o, &error);
    if (result != HackParse::Run)
        return result == HackParse::Help ? "help" : result == HackParse::Version ? "version" : "error: " + error;
    char target[32];
    std::snprintf(target, sizeof target, "target 0x%lx", o.targetWindow);
    std::string line = o.mode == HackMode::Windowed ? "window" : o.mode == HackMode::FullScreen ? "full"
                       : o.targetRoot                ? "root"
                                                     : target;
    if (o.delayUs != DEFAULT_DELAY)
        line += " delay=" + std::to_string(o.delayUs);
    if (o.showFps)
        line += " fps";
    if (!o.display.empty())
        line += " display=" + o.display;
    return line;
}

struct Row {
    std::initializer_list<const char*> args;
    const char* env; // XSCREENSAVER_WINDOW
    std::string expected; // an error's message only has to start with it
};

const Row ROWS[] = {
    { {}, nullptr, "window" },
    { { "-root" }, nullptr, "root" },
    { { "-root" }, "", "root" },
    { { "--root" }, "0x60000C", "target 0x60000c" },
    { {}, "6291468", "target 0x60000c" },
    { { "--window-id", "0X2a" }, "0x60000C", "target 0x2a" },
    { { "--root", "--window-id", "0x2a" }, "junk", "target 0x2a" }, // the settings dialog's preview
    { { "-window-id=0x1FFFFFFF" }, "junk", "target 0x1fffffff" },
    { { "--fullscreen" }, "0x60000C", "full" },
    { { "-delay", "0", "-fps", "-visual", "0x21", "-install" }, nullptr, "window delay=0 fps" },
    { { "--delay=10000000", "--display", ":3", "--" }, nullptr, "window delay=10000000 display=:3" },
    { { "-h" }, nullptr, "help" },
    { { "--version", "--fullscreen" }, nullptr, "version" },
    { { "--bogus" }, nullptr, "error: unknown option '--bogus'" },
    { { "--fps=1" }, nullptr, "error: unknown option '--fps=1'" },
    { { "root" }, nullptr, "error: unexpected argument 'root'" },
    { { "--window-id" }, nullptr, "error: option '--window-id' needs a value" },
    { { "--window-id", "0" }, nullptr, "error: --window-id: '0'" },
    { { "--window-id", "0x" }, nullptr, "error: --window-id: '0x'" },
    { { "--window-id", "0x0x5" }, nullptr, "error: --window-id: '0x0x5'" },
    { { "--window-id", " 5" }, nullptr, "error: --window-id: ' 5'" },
    { { "--window-id", "0x20000000" }, nullptr, "error: --window-id: '0x20000000'" },
    { { "--window-id", "18446744073709551621" }, nullptr, "error: --window-id: '18446744073709551621'" },
    { { "--delay", "10000001" }, nullptr, "error: --delay: '10000001'" },
    { { "--delay", "5ms" }, nullptr, "error: --delay: '5ms'" },
    { { "-window" }, "0x60000C", "window" },
    { { "-window", "-root" }, nullptr, "error: --window makes" },
    { { "--window", "--fullscreen" }, nullptr, "error: --window and --fullscreen" },
    { { "--fullscreen", "-window-id", "5" }, nullptr, "error: --fullscreen" },
    { {}, "junk", "error: XSCREENSAVER_WINDOW: 'junk'" },
    { { "-root" }, "0x", "error: XSCREENSAVER_WINDOW: '0x'" },
};

} // namespace

TEST(HackOptions, EachRowParsesAsExpected)
{
    for (const Row& row : ROWS) {
        std::string shown;
        for (const char* arg : row.args)
            shown += std::string(arg) + " ";
        const std::string got = parse(row.args, row.env);
        const bool isError = row.expected.rfind("error", 0) == 0;
        EXPECT_EQ(isError ? got.substr(0, row.expected.size()) : got, row.expected)
            << shown << "with XSCREENSAVER_WINDOW=" << (row.env != nullptr ? row.env : "(unset)") << ": " << got;
    }
}
