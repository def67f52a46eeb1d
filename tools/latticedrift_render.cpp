// latticedrift-render: renders the saver offscreen through an EGL pbuffer with simulated time and
// writes the last frame (and optionally every K-th frame) as PNG. Linux developer tool.
#include "tools/egl_context.h"
#include "tools/headless_scene.h"
#include "tools/png_image.h"
#include "tools/render_options.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const PROGRAM = "latticedrift-render";
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
// Fewer frames than this finish quickly enough that a progress line would only flicker.
constexpr long PROGRESS_MIN_FRAMES = 600;

int complain(int status, const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", PROGRAM, message.c_str());
    return status;
}

// The folder for --every must already exist and be writable.
bool check_frame_dir(const std::string& dir, std::string* error)
{
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0) {
        *error = "--every: folder " + dir + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = "--every: " + dir + " is not a folder";
        return false;
    }
    if (access(dir.c_str(), W_OK | X_OK) != 0) {
        *error = "--every: folder " + dir + " is not writable: " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string frame_file(const std::string& dir, long frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06ld.png", frame);
    return dir + (dir.back() == '/' ? "" : "/") + name;
}

class Progress {
public:
    explicit Progress(long total) : total_(total), shown_(total >= PROGRESS_MIN_FRAMES && isatty(STDERR_FILENO)) {}
    void update(long frame)
    {
        const int percent = static_cast<int>(frame * 100 / total_);
        if (!shown_ || percent == lastPercent_)
            return;
        lastPercent_ = percent;
        std::fprintf(stderr, "\rframe %ld of %ld (%d%%)", frame, total_, percent);
        std::fflush(stderr);
    }
    void finish()
    {
        if (shown_ && lastPercent_ >= 0)
            std::fprintf(stderr, "\r%*s\r", 48, "");
    }

private:
    long total_;
    bool shown_;
    int lastPercent_ = -1;
};

int run(const RenderOptions& options)
{
    std::string error;
    if (options.every > 0 && !check_frame_dir(options.everyDir, &error))
        return complain(EXIT_USAGE, error);

    // Open the output first, so that an unwritable path fails before a long render.
    std::FILE* out = nullptr;
    if (!options.outPath.empty()) {
        out = std::fopen(options.outPath.c_str(), "wb");
        if (out == nullptr)
            return complain(EXIT_FAILED, "cannot write " + options.outPath + ": " + std::strerror(errno));
    }
    auto discardOut = [&]() {
        if (out != nullptr) {
            std::fclose(out);
            std::remove(options.outPath.c_str());
            out = nullptr;
        }
    };

    // Lives until the process ends: terminating EGL before exit unloads Mesa's driver ahead of the
    // leak checker of sanitizer builds, which then blames the driver's own allocations on an
    // unknown module. The scene's GL objects are still released below.
    static EglContext& context = *new EglContext;
    if (!context.create(options.width, options.height, &error)) {
        discardOut();
        return complain(EXIT_FAILED, "no OpenGL context: " + error);
    }

    headless_start(options.width, options.height, options.seeded, options.seed);
    headless_apply_switches(options);

    std::vector<unsigned char> pixels(static_cast<size_t>(options.width) * static_cast<size_t>(options.height) * 4);
    Progress progress(options.frames);
    int status = 0;
    for (long k = 1; k <= options.frames && status == 0; ++k) {
        headless_frame(k, options.fps);
        if (options.every > 0 && k % options.every == 0) {
            context.readPixelsTopDown(pixels.data());
            if (!write_png_file(frame_file(options.everyDir, k), options.width, options.height, pixels.data(), &error))
                status = complain(EXIT_FAILED, error);
        }
        progress.update(k);
    }
    progress.finish();

    if (status == 0 && out != nullptr) {
        context.readPixelsTopDown(pixels.data());
        const bool written = write_png_rgb(out, options.width, options.height, pixels.data(), &error);
        const bool closed = std::fclose(out) == 0;
        out = nullptr;
        if (!written || !closed) {
            std::remove(options.outPath.c_str());
            status = complain(EXIT_FAILED, "cannot write " + options.outPath + ": " +
                                               (written ? std::string(std::strerror(errno)) : error));
        }
    }
    discardOut();
    headless_stop();
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    RenderOptions options;
    std::string error;
    switch (parse_render_options(argc, argv, &options, &error)) {
    case ParseResult::Help:
        std::fputs(render_usage(), stdout);
        return 0;
    case ParseResult::Error:
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", PROGRAM, error.c_str(), PROGRAM);
        return EXIT_USAGE;
    case ParseResult::Run:
        break;
    }
    return run(options);
}
