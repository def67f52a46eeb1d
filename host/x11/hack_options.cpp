// Command line of the Linux host: getopt_long_only scans (so "-root" and "--root" are one option),
// the helpers below check every number and window ID strictly, digit by digit.
#include "host/x11/hack_options.h"

#include <getopt.h>

#include <cstdio>

namespace {

enum OptionCode {
    OPT_ROOT = 1000,
    OPT_WINDOW,
    OPT_WINDOW_ID,
    OPT_FULLSCREEN,
    OPT_DELAY,
    OPT_FPS,
    OPT_VISUAL,
    OPT_INSTALL,
    OPT_DISPLAY,
    OPT_BACKEND,
    OPT_HELP,
    OPT_VERSION,
};

const option LONG_OPTIONS[] = {
    { "root", no_argument, nullptr, OPT_ROOT },
    { "window", no_argument, nullptr, OPT_WINDOW },
    { "window-id", required_argument, nullptr, OPT_WINDOW_ID },
    { "fullscreen", no_argument, nullptr, OPT_FULLSCREEN },
    { "delay", required_argument, nullptr, OPT_DELAY },
    { "fps", no_argument, nullptr, OPT_FPS },
    { "visual", required_argument, nullptr, OPT_VISUAL },
    { "install", no_argument, nullptr, OPT_INSTALL },
    { "display", required_argument, nullptr, OPT_DISPLAY },
    { "backend", required_argument, nullptr, OPT_BACKEND },
    { "help", no_argument, nullptr, OPT_HELP },
    { "version", no_argument, nullptr, OPT_VERSION },
    { nullptr, 0, nullptr, 0 },
};

// X never gives a resource an ID with any of the top three bits set.
constexpr unsigned long MAX_XID = 0x1FFFFFFFul;

int digit_value(char c, unsigned base)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// At least one digit of `base` and nothing else (no sign, blank or second prefix), at most `max`.
bool parse_digits(const char* text, unsigned base, unsigned long max, unsigned long* value)
{
    if (*text == '\0')
        return false;
    unsigned long v = 0;
    for (; *text != '\0'; ++text) {
        const int d = digit_value(*text, base);
        if (d < 0)
            return false;
        v = v * base + static_cast<unsigned long>(d);
        // Checked on every digit, so the sum never wraps.
        if (v > max)
            return false;
    }
    *value = v;
    return true;
}

bool fail(std::string* error, const std::string& message)
{
    if (error != nullptr)
        *error = message;
    return false;
}

} // namespace

bool parse_window_id(const char* text, unsigned long* id)
{
    if (text == nullptr)
        return false;
    unsigned long v = 0;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!parse_digits(hex ? text + 2 : text, hex ? 16 : 10, MAX_XID, &v) || v == 0)
        return false;
    *id = v;
    return true;
}

std::string format_x_id(unsigned long id)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

HackParse parse_hack_options(int argc, char* const argv[], const char* saverWindowEnv, HackOptions* options,
                             std::string* error)
{
    HackOptions parsed = *options;
    bool root = false;
    bool ownWindow = false;
    bool fullScreen = false;
    bool windowIdGiven = false;
    bool help = false;
    bool version = false;
    bool ok = true;
    // getopt keeps its position in globals: 0 makes glibc start over, so the parser can run again.
    optind = 0;
    opterr = 0;
    int c = 0;
    // '+' stops at the first operand; ':' reports a missing value apart from an unknown option.
    while (ok && (c = getopt_long_only(argc, argv, "+:", LONG_OPTIONS, nullptr)) != -1) {
        const std::string shown = std::string("'") + argv[optind - 1] + "'";
        unsigned long number = 0;
        switch (c) {
        case OPT_ROOT:
            root = true;
            break;
        case OPT_WINDOW:
            ownWindow = true;
            break;
        case OPT_WINDOW_ID:
            windowIdGiven = true;
            ok = parse_window_id(optarg, &parsed.targetWindow) ||
                 fail(error, std::string("--window-id: '") + optarg +
                                 "' is no window ID (decimal, or hexadecimal after 0x)");
            break;
        case OPT_FULLSCREEN:
            fullScreen = true;
            break;
        case OPT_DELAY:
            ok = parse_digits(optarg, 10, MAX_FRAME_DELAY_US, &number) ||
                 fail(error, std::string("--delay: '") + optarg + "' is not a whole number of microseconds from 0 to " +
                                 std::to_string(MAX_FRAME_DELAY_US));
            parsed.delayUs = static_cast<long>(number);
            break;
        case OPT_FPS:
            parsed.showFps = true;
            break;
        case OPT_VISUAL:
        case OPT_INSTALL:
            // The daemon's visual and colormap choices: the saver draws with the visual of the window
            // it is given, and picks its own for a window it makes.
            if (parsed.x11Only == nullptr)
                parsed.x11Only = c == OPT_VISUAL ? "--visual" : "--install";
            break;
        case OPT_DISPLAY:
            parsed.display = optarg;
            if (parsed.x11Only == nullptr)
                parsed.x11Only = "--display";
            break;
        case OPT_BACKEND:
            // Named as GTK (GDK_BACKEND), SDL and GLFW name the two.
            if (std::string(optarg) == "wayland")
                parsed.backend = HackBackend::Wayland;
            else if (std::string(optarg) == "x11")
                parsed.backend = HackBackend::X11;
            else
                ok = fail(error, std::string("--backend: '") + optarg + "' is neither wayland nor x11");
            break;
        case OPT_HELP:
            help = true;
            break;
        case OPT_VERSION:
            version = true;
            break;
        case ':':
            ok = fail(error, "option " + shown + " needs a value");
            break;
        default:
            // Unknown, ambiguous, or a value given to an option that takes none.
            ok = fail(error, "unknown option " + shown + ", or a value it does not take");
            break;
        }
    }
    if (!ok)
        return HackParse::Error;
    if (help)
        return HackParse::Help;
    if (version)
        return HackParse::Version;
    if (optind < argc)
        ok = fail(error, std::string("unexpected argument '") + argv[optind] + "'");
    else if (ownWindow && fullScreen)
        ok = fail(error, "--window and --fullscreen both make a window; give one");
    else if ((ownWindow || fullScreen) && (root || windowIdGiven))
        ok = fail(error, std::string(ownWindow ? "--window" : "--fullscreen") +
                             " makes its own window; it does not go with --root or --window-id");
    if (!ok)
        return HackParse::Error;

    // The settings dialog's preview names its window both ways: --window-id wins over --root and
    // the variable.
    const bool envSet = saverWindowEnv != nullptr && *saverWindowEnv != '\0';
    if (windowIdGiven) {
        parsed.mode = HackMode::Target;
    } else if (ownWindow) {
        parsed.mode = HackMode::Windowed;
    } else if (fullScreen) {
        parsed.mode = HackMode::FullScreen;
    } else if (root || envSet) {
        parsed.mode = HackMode::Target;
        parsed.targetRoot = !envSet;
        if (envSet && !parse_window_id(saverWindowEnv, &parsed.targetWindow)) {
            fail(error, std::string("XSCREENSAVER_WINDOW: '") + saverWindowEnv + "' is no window ID");
            return HackParse::Error;
        }
    } else {
        parsed.mode = HackMode::Windowed;
    }
    *options = parsed;
    return HackParse::Run;
}

const char* hack_version()
{
    return "latticedrift " LD_VERSION "\n";
}

const char* hack_usage()
{
    static const std::string usage = std::string("Usage: latticedrift [OPTION]...\n"
           "Lattice Drift, a screen saver: a drifting cube of points with fading trails.\n"
           "Options take one dash or two.\n"
           "\n"
           "  --window           a window of its own, 800x600 (also without a mode option); Escape,\n"
           "                     q or closing it ends the run\n"
           "  --fullscreen       cover the screen (on Wayland every output); moving the pointer, a\n"
           "                     key, a button or a change of focus ends the run\n"
           "  --root             draw into the X11 screen-saver daemon's window (XSCREENSAVER_WINDOW),\n"
           "                     or into the root window when that is not set\n"
           "  --window-id ID     draw into window ID (decimal, or hexadecimal after 0x); it wins over\n"
           "                     --root and XSCREENSAVER_WINDOW\n"
           "  --delay US         frame period in microseconds (default ") + std::to_string(DEFAULT_FRAME_PERIOD_US) +
           ", at most " + std::to_string(MAX_FRAME_DELAY_US) + ");\n"
           "                     0: as fast as the display allows\n"
           "  --fps              show frames per second and CPU milliseconds per frame\n"
           "  --display NAME     the X display to use (default $DISPLAY)\n"
           "  --backend NAME     draw on wayland or x11; by default on the Wayland compositor that\n"
           "                     WAYLAND_DISPLAY names, unless an X11 window is named, else on X11\n"
           "  --visual ID, --install\n"
           "                     accepted for the daemon and ignored\n"
           "  --help             show this text\n"
           "  --version          show the version\n"
           "\n"
           "XSCREENSAVER_WINDOW alone, without a mode option, also names the window to draw into.\n"
           "Exit status: 0 when the run ends normally, 1 when the display or OpenGL fails, 2 for bad usage.\n";
    return usage.c_str();
}
