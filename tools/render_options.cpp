// Option parsing for latticedrift-render: getopt_long does the scanning, the helpers below check
// each value strictly (whole string numeric, in range).
#include "tools/render_options.h"

#include <getopt.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

enum LongOnly { OPT_OVERLAY = 1000, OPT_POINT_FIELD, OPT_POINT_TEXTURE, OPT_IMMEDIATE, OPT_POINT_LIGHTING };

const option LONG_OPTIONS[] = {
    { "size", required_argument, nullptr, 's' },
    { "fps", required_argument, nullptr, 'r' },
    { "frames", required_argument, nullptr, 'n' },
    { "out", required_argument, nullptr, 'o' },
    { "seed", required_argument, nullptr, 'S' },
    { "every", required_argument, nullptr, 'e' },
    { "overlay", no_argument, nullptr, OPT_OVERLAY },
    { "point-field", no_argument, nullptr, OPT_POINT_FIELD },
    { "point-texture", no_argument, nullptr, OPT_POINT_TEXTURE },
    { "immediate", no_argument, nullptr, OPT_IMMEDIATE },
    { "point-lighting", no_argument, nullptr, OPT_POINT_LIGHTING },
    { "help", no_argument, nullptr, 'h' },
    { nullptr, 0, nullptr, 0 },
};

// A decimal integer made of digits only (no sign, no blanks), at most `max`.
bool parse_count(const char* text, unsigned long long max, unsigned long long* value)
{
    if (text == nullptr || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || v > max)
        return false;
    *value = v;
    return true;
}

bool parse_size(const char* text, int* width, int* height)
{
    const char* x = text;
    while (*x != '\0' && *x != 'x' && *x != 'X')
        ++x;
    if (*x == '\0')
        return false;
    const std::string w(text, x);
    unsigned long long wv = 0;
    unsigned long long hv = 0;
    if (!parse_count(w.c_str(), MAX_RENDER_SIDE, &wv) || !parse_count(x + 1, MAX_RENDER_SIDE, &hv) || wv == 0 || hv == 0)
        return false;
    *width = static_cast<int>(wv);
    *height = static_cast<int>(hv);
    return true;
}

bool parse_fps(const char* text, double* fps)
{
    if (text == nullptr || ((*text < '0' || *text > '9') && *text != '.'))
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || v <= 0.0 || v > 1000.0)
        return false;
    *fps = v;
    return true;
}

bool fail(std::string* error, const std::string& message)
{
    if (error != nullptr)
        *error = message;
    return false;
}

// The option as the user wrote it, for messages.
std::string shown(const char* arg)
{
    return arg == nullptr ? std::string("(nothing)") : "'" + std::string(arg) + "'";
}

} // namespace

int simulated_frame_ms(long frame, double fps)
{
    return static_cast<int>(std::floor(static_cast<double>(frame) * 1000.0 / fps));
}

ParseResult parse_render_options(int argc, char* const argv[], RenderOptions* options, std::string* error)
{
    RenderOptions parsed;
    // getopt keeps its position in globals: 0 makes glibc start over, so the parser can run again.
    optind = 0;
    opterr = 0;
    bool ok = true;
    bool help = false;
    // '+' stops at the first operand instead of permuting, so --every can take its folder from argv.
    const char* shortOptions = "+:h";
    int c = 0;
    while (ok && (c = getopt_long(argc, argv, shortOptions, LONG_OPTIONS, nullptr)) != -1) {
        unsigned long long count = 0;
        switch (c) {
        case 's':
            if (!parse_size(optarg, &parsed.width, &parsed.height))
                ok = fail(error, "--size: expected WxH with each side from 1 to " + std::to_string(MAX_RENDER_SIDE) +
                                     ", got " + shown(optarg));
            break;
        case 'r':
            if (!parse_fps(optarg, &parsed.fps))
                ok = fail(error, "--fps: expected a number above 0 and at most 1000, got " + shown(optarg));
            break;
        case 'n':
            if (!parse_count(optarg, MAX_RENDER_FRAMES, &count) || count == 0)
                ok = fail(error, "--frames: expected a whole number from 1 to " + std::to_string(MAX_RENDER_FRAMES) +
                                     ", got " + shown(optarg));
            else
                parsed.frames = static_cast<long>(count);
            break;
        case 'o':
            if (optarg[0] == '\0')
                ok = fail(error, "--out: the file name is empty");
            else
                parsed.outPath = optarg;
            break;
        case 'S':
            if (!parse_count(optarg, UINT32_MAX, &count))
                ok = fail(error, "--seed: expected a whole number from 0 to 4294967295, got " + shown(optarg));
            else {
                parsed.seeded = true;
                parsed.seed = static_cast<std::uint32_t>(count);
            }
            break;
        case 'e':
            if (!parse_count(optarg, MAX_RENDER_FRAMES, &count) || count == 0)
                ok = fail(error, "--every: expected K DIR with K a whole number from 1 to " +
                                     std::to_string(MAX_RENDER_FRAMES) + ", got " + shown(optarg));
            else if (optind >= argc || argv[optind][0] == '\0' || argv[optind][0] == '-')
                ok = fail(error, "--every: the folder after K is missing");
            else {
                parsed.every = static_cast<long>(count);
                parsed.everyDir = argv[optind++];
            }
            break;
        case OPT_OVERLAY:
            parsed.overlay = true;
            break;
        case OPT_POINT_FIELD:
            parsed.pointField = true;
            break;
        case OPT_POINT_TEXTURE:
            parsed.pointTexture = true;
            break;
        case OPT_POINT_LIGHTING:
            parsed.pointLighting = true;
            break;
        case OPT_IMMEDIATE:
            parsed.immediate = true;
            break;
        case 'h':
            help = true;
            break;
        case ':':
            ok = fail(error, std::string("option ") + shown(argv[optind - 1]) + " needs a value");
            break;
        default:
            // optopt names an unknown short option; for an unknown long one it is 0. For a value
            // given to an option that takes none ("--overlay=1") it holds that option's code:
            // 'h' (which is never unknown) or a long-only code, which is no character at all.
            if (optopt == 'h' || optopt >= OPT_OVERLAY)
                ok = fail(error, "option " + shown(argv[optind - 1]) + " takes no value");
            else if (optopt != 0)
                ok = fail(error, std::string("unknown option '-") + static_cast<char>(optopt) + "'");
            else
                ok = fail(error, std::string("unknown option ") + shown(argv[optind - 1]));
            break;
        }
    }
    if (!ok)
        return ParseResult::Error;
    if (help)
        return ParseResult::Help;
    if (optind < argc) {
        fail(error, "unexpected argument " + shown(argv[optind]));
        return ParseResult::Error;
    }
    if (parsed.outPath.empty() && parsed.every == 0) {
        fail(error, "nothing to write: give --out FILE.png and/or --every K DIR");
        return ParseResult::Error;
    }
    if (static_cast<double>(parsed.frames) * 1000.0 / parsed.fps > static_cast<double>(INT_MAX)) {
        fail(error, "--frames/--fps: the simulated clock would pass 2^31 milliseconds; render fewer frames");
        return ParseResult::Error;
    }
    *options = parsed;
    return ParseResult::Run;
}

const char* render_usage()
{
    return "Usage: latticedrift-render [OPTION]...\n"
           "Renders Lattice Drift offscreen (EGL, no display needed) with simulated time and writes PNG files.\n"
           "\n"
           "  --size WxH        picture size in pixels (default 800x600, each side 1 to 8192)\n"
           "  --fps F           simulated frame rate (default 60, above 0 and at most 1000)\n"
           "  --frames N        frames to render after the start-up (default 180)\n"
           "  --out FILE.png    write the last frame to FILE.png\n"
           "  --every K DIR     also write every K-th frame to DIR/frame_NNNNNN.png (DIR must exist)\n"
           "  --seed S          seed the random generator with S (0 to 4294967295) instead of the\n"
           "                    start-up's own rule (first clock reading plus an address)\n"
           "  --help            show this text\n"
           "\n"
           "Developer switches (not saver settings), applied after the start-up:\n"
           "  --overlay         run the textured overlay pass\n"
           "  --point-field     draw the point field in the scene pass\n"
           "  --point-texture   texture the point cube with the check texture\n"
           "  --point-lighting  light the point cube (the start-up's one light, colour material)\n"
           "  --immediate       issue the lattice's vertices one call each every frame instead of\n"
           "                    replaying the display list built at start-up (same pixels, more CPU)\n"
           "\n"
           "Frame k (k from 1) sees floor(k*1000/F) ms on the clock; the start-up sees 0 ms.\n"
           "Exit status: 0 success, 1 rendering or writing failed, 2 bad usage.\n";
}
