// Command-line rules of the Linux host, row by row: modes and the window they draw into, the
// daemon's options, and every malformed number or window ID.
#include "host/hack_options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

constexpr long DEFAULT_DELAY = 5000;

struct Row {
    std::initializer_list<const char*> args;
    const char* env; // XSCREENSAVER_WINDOW
    HackParse result;
    HackMode mode;
    unsigned long window;
    bool root;
    long delay;
    const char* mention; // in the error, or in the display name
};

constexpr HackParse RUN = HackParse::Run;
constexpr HackParse ERR = HackParse::Error;
constexpr HackMode WIN = HackMode::Windowed;
constexpr HackMode FULL = HackMode::FullScreen;
constexpr HackMode TARGET = HackMode::Target;

const Row ROWS[] = {
    // Modes, and where the window comes from.
    { {}, nullptr, RUN, WIN, 0, false, DEFAULT_DELAY, "" },
    { { "-root" }, nullptr, RUN, TARGET, 0, true, DEFAULT_DELAY, "" },
    { { "-root" }, "", RUN, TARGET, 0, true, DEFAULT_DELAY, "" },
    { { "--root" }, "0x60000C", RUN, TARGET, 0x60000C, false, DEFAULT_DELAY, "" },
    { {}, "0x60000c", RUN, TARGET, 0x60000C, false, DEFAULT_DELAY, "" },
    { {}, "6291468", RUN, TARGET, 0x60000C, false, DEFAULT_DELAY, "" },
    { { "--window-id", "0X2a" }, "0x60000C", RUN, TARGET, 42, false, DEFAULT_DELAY, "" },
    { { "-window-id=0x1FFFFFFF" }, "junk", RUN, TARGET, 0x1FFFFFFF, false, DEFAULT_DELAY, "" },
    { { "--fullscreen" }, "0x60000C", RUN, FULL, 0, false, DEFAULT_DELAY, "" },
    { { "-full" }, nullptr, RUN, FULL, 0, false, DEFAULT_DELAY, "" },
    // The daemon's usual options.
    { { "-delay", "0", "-fps", "-visual", "0x21", "-install" }, nullptr, RUN, WIN, 0, false, 0, "" },
    { { "--delay=10000000", "--display", ":3" }, nullptr, RUN, WIN, 0, false, 10000000, ":3" },
    { { "--root", "--delay", "20000", "--" }, nullptr, RUN, TARGET, 0, true, 20000, "" },
    { { "-h" }, nullptr, HackParse::Help, WIN, 0, false, 0, "" },
    // Malformed: each names what is wrong.
    { { "--bogus" }, nullptr, ERR, WIN, 0, false, 0, "--bogus" },
    { { "-d", "5" }, nullptr, ERR, WIN, 0, false, 0, "'-d'" },
    { { "--fps=1" }, nullptr, ERR, WIN, 0, false, 0, "--fps=1" },
    { { "root" }, nullptr, ERR, WIN, 0, false, 0, "unexpected argument 'root'" },
    { { "--window-id" }, nullptr, ERR, WIN, 0, false, 0, "needs a value" },
    { { "--window-id", "0" }, nullptr, ERR, WIN, 0, false, 0, "--window-id" },
    { { "--window-id", "0x" }, nullptr, ERR, WIN, 0, false, 0, "--window-id" },
    { { "--window-id", "0x0x5" }, nullptr, ERR, WIN, 0, false, 0, "--window-id" },
    { { "--window-id", "-5" }, nullptr, ERR, WIN, 0, false, 0, "--window-id" },
    { { "--window-id", " 5" }, nullptr, ERR, WIN, 0, false, 0, "--window-id" },
    { { "--window-id", "0x20000000" }, nullptr, ERR, WIN, 0, false, 0, "--window-id" },
    { { "--window-id", "18446744073709551621" }, nullptr, ERR, WIN, 0, false, 0, "--window-id" },
    { { "--delay", "10000001" }, nullptr, ERR, WIN, 0, false, 0, "--delay" },
    { { "--delay", "5ms" }, nullptr, ERR, WIN, 0, false, 0, "--delay" },
    { { "--delay", "-1" }, nullptr, ERR, WIN, 0, false, 0, "--delay" },
    { { "--delay=" }, nullptr, ERR, WIN, 0, false, 0, "--delay" },
    { { "--root", "--window-id", "5" }, nullptr, ERR, WIN, 0, false, 0, "give one" },
    { { "--fullscreen", "-window-id", "5" }, nullptr, ERR, WIN, 0, false, 0, "--fullscreen" },
    { {}, "junk", ERR, WIN, 0, false, 0, "XSCREENSAVER_WINDOW" },
    { { "-root" }, "0x", ERR, WIN, 0, false, 0, "XSCREENSAVER_WINDOW" },
};

} // namespace

TEST(HackOptions, EachRowParsesAsExpected)
{
    for (const Row& row : ROWS) {
        std::vector<std::string> storage{ "latticedrift" };
        storage.insert(storage.end(), row.args.begin(), row.args.end());
        std::vector<char*> argv;
        for (std::string& s : storage)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        std::string shown;
        for (const std::string& s : storage)
            shown += s + " ";
        SCOPED_TRACE(shown + "with XSCREENSAVER_WINDOW=" + (row.env != nullptr ? row.env : "(unset)"));

        HackOptions options;
        options.delayUs = DEFAULT_DELAY;
        std::string error;
        const HackParse result =
            parse_hack_options(static_cast<int>(storage.size()), argv.data(), row.env, &options, &error);
        EXPECT_EQ(result, row.result) << error;
        if (result != row.result)
            continue;
        if (result == HackParse::Error) {
            EXPECT_NE(error.find(row.mention), std::string::npos) << error;
        } else if (result == HackParse::Run) {
            EXPECT_EQ(options.mode, row.mode);
            EXPECT_EQ(options.targetWindow, row.window);
            EXPECT_EQ(options.targetRoot, row.root);
            EXPECT_EQ(options.delayUs, row.delay);
            EXPECT_EQ(options.display, row.mention);
        }
    }
}
