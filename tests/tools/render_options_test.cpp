// Option rules of latticedrift-render, checked on the parsing function itself.
#include "tools/render_options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct Parsed {
    ParseResult result;
    RenderOptions options;
    std::string error;
};

Parsed parse(std::initializer_list<const char*> args)
{
    std::vector<std::string> storage{ "latticedrift-render" };
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    Parsed p{ ParseResult::Error, {}, {} };
    p.result = parse_render_options(static_cast<int>(storage.size()), argv.data(), &p.options, &p.error);
    return p;
}

} // namespace

TEST(RenderOptions, DefaultsAndEveryOption)
{
    Parsed p = parse({ "--out", "a.png" });
    ASSERT_EQ(p.result, ParseResult::Run) << p.error;
    EXPECT_EQ(p.options.width, 800);
    EXPECT_EQ(p.options.height, 600);
    EXPECT_EQ(p.options.fps, 60.0);
    EXPECT_FALSE(p.options.seeded);
    EXPECT_FALSE(p.options.immediate);
    EXPECT_EQ(p.options.outPath, "a.png");

    p = parse({ "--size", "64X48", "--fps=30", "--frames", "5", "--seed", "4294967295", "--every", "2", "dir",
                "--overlay", "--point-field", "--point-texture", "--immediate", "--point-lighting" });
    ASSERT_EQ(p.result, ParseResult::Run) << p.error;
    EXPECT_EQ(p.options.width, 64);
    EXPECT_EQ(p.options.height, 48);
    EXPECT_EQ(p.options.fps, 30.0);
    EXPECT_EQ(p.options.frames, 5);
    EXPECT_TRUE(p.options.seeded);
    EXPECT_EQ(p.options.seed, 4294967295u);
    EXPECT_EQ(p.options.every, 2);
    EXPECT_EQ(p.options.everyDir, "dir");
    EXPECT_TRUE(p.options.outPath.empty());
    EXPECT_TRUE(p.options.overlay && p.options.pointField && p.options.pointTexture && p.options.immediate &&
                p.options.pointLighting);

    EXPECT_EQ(parse({ "--help" }).result, ParseResult::Help);
}

TEST(RenderOptions, RejectsBadValuesWithAMessageNamingTheOption)
{
    const struct {
        std::initializer_list<const char*> args;
        const char* mention;
    } cases[] = {
        { { "--out", "a.png", "--size", "800" }, "--size" },
        { { "--out", "a.png", "--size", "0x600" }, "--size" },
        { { "--out", "a.png", "--size", "-8x6" }, "--size" },
        { { "--out", "a.png", "--size", "8193x600" }, "--size" },
        { { "--out", "a.png", "--size", "99999999999999999999x2" }, "--size" },
        { { "--out", "a.png", "--size", "80x60x" }, "--size" },
        { { "--out", "a.png", "--size", " 80x60" }, "--size" },
        { { "--out", "a.png", "--fps", "0" }, "--fps" },
        { { "--out", "a.png", "--fps", "-60" }, "--fps" },
        { { "--out", "a.png", "--fps", "nan" }, "--fps" },
        { { "--out", "a.png", "--fps", "60fps" }, "--fps" },
        { { "--out", "a.png", "--fps", "1e9" }, "--fps" },
        { { "--out", "a.png", "--frames", "0" }, "--frames" },
        { { "--out", "a.png", "--frames", "-3" }, "--frames" },
        { { "--out", "a.png", "--frames", "ten" }, "--frames" },
        { { "--out", "a.png", "--frames", "" }, "--frames" },
        { { "--out", "a.png", "--seed", "4294967296" }, "--seed" },
        { { "--out", "a.png", "--seed", "-1" }, "--seed" },
        { { "--out", "" }, "--out" },
        { { "--every", "0", "dir" }, "--every" },
        { { "--every", "3" }, "--every" },
        { { "--every", "3", "--overlay" }, "--every" },
        { { "--out", "a.png", "--frames" }, "--frames" },
        { { "--out", "a.png", "--bogus" }, "--bogus" },
        { { "--out", "a.png", "-x" }, "-x" },
        { { "--out", "a.png", "--overlay=1" }, "'--overlay=1' takes no value" },
        { { "--out", "a.png", "--help=x" }, "'--help=x' takes no value" },
        { { "--out", "a.png", "stray" }, "stray" },
        { { "--frames", "10" }, "nothing to write" },
        { { "--out", "a.png", "--fps", "0.001", "--frames", "10000" }, "2^31" },
    };
    for (const auto& c : cases) {
        Parsed p = parse(c.args);
        std::string joined;
        for (const char* a : c.args)
            joined += std::string(a) + " ";
        EXPECT_EQ(p.result, ParseResult::Error) << joined;
        EXPECT_NE(p.error.find(c.mention), std::string::npos) << joined << "-> " << p.error;
    }
}

TEST(RenderOptions, ParsesTheSameWayWhenCalledAgain)
{
    // getopt keeps state between calls; a second parse must not inherit the first one's position.
    ASSERT_EQ(parse({ "--out", "a.png", "--bogus" }).result, ParseResult::Error);
    Parsed p = parse({ "--frames", "7", "--out", "b.png" });
    ASSERT_EQ(p.result, ParseResult::Run) << p.error;
    EXPECT_EQ(p.options.frames, 7);
}

TEST(RenderOptions, SimulatedClockReadsWholeMillisecondsRoundedDown)
{
    EXPECT_EQ(simulated_frame_ms(0, 60.0), 0);
    EXPECT_EQ(simulated_frame_ms(1, 60.0), 16);
    EXPECT_EQ(simulated_frame_ms(2, 60.0), 33);
    EXPECT_EQ(simulated_frame_ms(3, 60.0), 50);
    EXPECT_EQ(simulated_frame_ms(180, 60.0), 3000);
    EXPECT_EQ(simulated_frame_ms(7, 30.0), 233);
    EXPECT_EQ(simulated_frame_ms(1, 1000.0), 1);
    EXPECT_EQ(simulated_frame_ms(3, 0.5), 6000);
}
