// latticedrift-render as a user runs it: PNG output, bad inputs refused with a message and a
// non-zero status (never a crash), and one small real render.
#include "tests/tools/png_reader.h"
#include "tools/png_image.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct Outcome {
    bool exited = false; // false: ended by a signal
    int status = -1;
    std::string err;
};

// Runs the tool with args (and one extra NAME=VALUE in its environment, if given), stdout
// discarded, and collects stderr.
Outcome run_tool(std::initializer_list<std::string> args, const char* extraEnv = nullptr)
{
    Outcome outcome;
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return outcome;
    std::vector<std::string> storage{ LD_RENDER_TOOL };
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDERR_FILENO);
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull < 0 || dup2(devNull, STDOUT_FILENO) < 0)
            _exit(126);
        close(devNull);
        close(pipeFds[0]);
        close(pipeFds[1]);
        if (extraEnv != nullptr)
            putenv(const_cast<char*>(extraEnv));
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    char buffer[512];
    ssize_t n = 0;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        outcome.err.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.exited = WIFEXITED(status);
    outcome.status = outcome.exited ? WEXITSTATUS(status) : -1;
    return outcome;
}

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/ld-render-test-XXXXXX";
        path_ = mkdtemp(pattern) != nullptr ? pattern : "";
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

bool exists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

} // namespace

TEST(PngImage, WritesRgbRowsTopFirstAndDropsAlpha)
{
    TempDir dir;
    const std::string file = dir.path() + "/p.png";
    // 3 x 2: top row red, green, blue; bottom row white, black, grey; alphas vary.
    const unsigned char rgba[] = { 255, 0, 0, 0,     0, 255, 0, 17,  0, 0, 255, 255,
                                   255, 255, 255, 3, 0, 0, 0, 255,   128, 128, 128, 90 };
    std::string error;
    ASSERT_TRUE(write_png_file(file, 3, 2, rgba, &error)) << error;
    const PngPicture picture = read_png_rgb(file);
    ASSERT_TRUE(picture.ok);
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 2);
    const std::vector<unsigned char> expected = { 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128 };
    EXPECT_EQ(picture.rgb, expected);

    EXPECT_FALSE(write_png_file(dir.path() + "/missing/p.png", 3, 2, rgba, &error));
    EXPECT_NE(error.find("missing/p.png"), std::string::npos) << error;
}

TEST(RenderTool, RefusesBadUsageWithAMessageAndStatus2)
{
    TempDir dir;
    const std::string out = dir.path() + "/o.png";
    const std::string notADir = dir.path() + "/plain";
    std::fclose(std::fopen(notADir.c_str(), "w"));
    const std::initializer_list<std::string> cases[] = {
        { "--size", "abc", "--out", out },
        { "--size", "100000x100000", "--out", out },
        { "--fps", "-1", "--out", out },
        { "--frames", "0", "--out", out },
        { "--seed", "x", "--out", out },
        { "--nonsense" },
        { "--frames", "3" },
        { "--every", "1", dir.path() + "/no-such-dir" },
        { "--every", "1", notADir },
    };
    for (const auto& args : cases) {
        const Outcome o = run_tool(args);
        std::string joined;
        for (const std::string& a : args)
            joined += a + " ";
        EXPECT_TRUE(o.exited) << joined;
        EXPECT_EQ(o.status, 2) << joined;
        EXPECT_NE(o.err.find("latticedrift-render: "), std::string::npos) << joined << "-> " << o.err;
        EXPECT_FALSE(exists(out)) << joined;
    }
}

TEST(RenderTool, UnwritableOutputFailsBeforeRendering)
{
    const Outcome o = run_tool({ "--size", "16x16", "--frames", "1", "--out", "/nonexistent-dir/x.png" });
    EXPECT_TRUE(o.exited);
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("cannot write /nonexistent-dir/x.png"), std::string::npos) << o.err;
}

TEST(RenderTool, NoGlContextIsReportedAndLeavesNoFile)
{
    TempDir dir;
    const std::string out = dir.path() + "/o.png";
    // With no EGL vendor library to load, no display and so no context can be made.
    const Outcome o = run_tool({ "--size", "16x16", "--frames", "1", "--out", out },
                               "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent/vendor.json");
    EXPECT_TRUE(o.exited);
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("no OpenGL context"), std::string::npos) << o.err;
    EXPECT_FALSE(exists(out));
}

TEST(RenderTool, HelpGoesToStdoutAndSucceeds)
{
    const Outcome o = run_tool({ "--help" });
    EXPECT_TRUE(o.exited);
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.err.empty()) << o.err;
}

TEST(RenderTool, SmallRenderWritesFramesOfTheRightSize)
{
    TempDir dir;
    const std::string out = dir.path() + "/still.png";
    const Outcome o = run_tool({ "--size", "64x48", "--frames", "4", "--seed", "7", "--out", out, "--every", "2",
                                 dir.path() });
    ASSERT_TRUE(o.exited);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(o.err.empty()) << o.err; // no progress line for a short render

    const PngPicture still = read_png_rgb(out);
    ASSERT_TRUE(still.ok);
    EXPECT_EQ(still.width, 64);
    EXPECT_EQ(still.height, 48);
    // The letterbox bars are black; the picture between them is not.
    bool lit = false;
    for (size_t i = 0; i < still.rgb.size(); ++i)
        lit = lit || still.rgb[i] != 0;
    EXPECT_TRUE(lit);

    EXPECT_TRUE(read_png_rgb(dir.path() + "/frame_000002.png").ok);
    EXPECT_TRUE(read_png_rgb(dir.path() + "/frame_000004.png").ok);
    EXPECT_FALSE(exists(dir.path() + "/frame_000001.png"));
    EXPECT_FALSE(exists(dir.path() + "/frame_000003.png"));
    // Frame 4 is the last one, written to both places.
    EXPECT_EQ(read_png_rgb(dir.path() + "/frame_000004.png").rgb, still.rgb);
}

TEST(RenderTool, SameSeedGivesTheSamePicture)
{
    TempDir dir;
    const std::string a = dir.path() + "/a.png";
    const std::string b = dir.path() + "/b.png";
    for (const std::string& out : { a, b }) {
        const Outcome o = run_tool({ "--size", "48x32", "--frames", "30", "--fps", "10", "--seed", "123", "--out", out });
        ASSERT_EQ(o.status, 0) << o.err;
    }
    EXPECT_EQ(read_png_rgb(a).rgb, read_png_rgb(b).rgb);
}

// The lattice replayed from its display list and issued vertex by vertex draw the same bytes in
// every frame; the picture is never cleared, so a difference would also linger into later frames.
TEST(RenderTool, DisplayListAndImmediateLatticeDrawIdenticalFrames)
{
    constexpr int FRAMES = 300;
    for (const char* size : { "160x120", "800x600" }) {
        TempDir listed;
        TempDir immediate;
        const std::string frames = std::to_string(FRAMES);
        Outcome o = run_tool({ "--size", size, "--frames", frames, "--seed", "5", "--every", "1", listed.path() });
        ASSERT_EQ(o.status, 0) << o.err;
        o = run_tool({ "--size", size, "--frames", frames, "--seed", "5", "--every", "1", immediate.path(),
                       "--immediate" });
        ASSERT_EQ(o.status, 0) << o.err;
        int differing = 0;
        for (int k = 1; k <= FRAMES; ++k) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame_%06d.png", k);
            const PngPicture a = read_png_rgb(listed.path() + name);
            const PngPicture b = read_png_rgb(immediate.path() + name);
            ASSERT_TRUE(a.ok && b.ok) << size << name;
            differing += a.rgb != b.rgb ? 1 : 0;
        }
        EXPECT_EQ(differing, 0) << size;
    }
}
