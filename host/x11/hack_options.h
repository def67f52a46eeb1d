// Command line of the Linux host (latticedrift): the mode, the window to draw into and the daemon's
// usual options, parsed without any X11 or GLX header so that tests and fuzzers link it alone.
#ifndef LATTICEDRIFT_HOST_X11_HACK_OPTIONS_H
#define LATTICEDRIFT_HOST_X11_HACK_OPTIONS_H

#include <string>

enum class HackMode {
    Windowed,   // a window of its own, 800x600, closed by the window manager, Escape or q
    FullScreen, // covers the screen; input ends it
    Target,     // draws into a window someone else owns (the daemon's, the root, --window-id)
};

// The display system to draw on (--backend): chosen from the options and the environment, or named.
enum class HackBackend { Any, Wayland, X11 };

// The frame period when --delay is not given, in microseconds: 60 frames a second, the rate of the
// Windows saver's timer and of the headless renderer, at which the trails have their length.
constexpr long DEFAULT_FRAME_PERIOD_US = 16667;
// Largest --delay in microseconds (10 seconds).
constexpr long MAX_FRAME_DELAY_US = 10000000;

struct HackOptions {
    HackMode mode = HackMode::Windowed;
    // Target only: the window; 0 with targetRoot set means the screen's root window.
    unsigned long targetWindow = 0;
    bool targetRoot = false;
    long delayUs = 0;    // frame period; the caller's default until --delay sets it
    bool showFps = false;
    std::string display; // --display; empty means $DISPLAY
    HackBackend backend = HackBackend::Any;
    const char* x11Only = nullptr; // the first option given that means something on X11 only
};

enum class HackParse { Run, Help, Version, Error };

// Parses argv (options take one dash or two) into *options, whose delayUs holds the default on
// entry. `saverWindowEnv` is XSCREENSAVER_WINDOW (null or empty when unset): it is the window of
// --root and of a run without a mode option. On Error, *error holds a one-line reason.
HackParse parse_hack_options(int argc, char* const argv[], const char* saverWindowEnv, HackOptions* options,
                             std::string* error);

// An X window ID in decimal or 0x hexadecimal, digits only; none is 0 or uses the top three bits,
// which X never gives to a resource.
bool parse_window_id(const char* text, unsigned long* id);

// An X window, resource or visual ID as the host shows it in messages: 0x and lower-case hexadecimal.
std::string format_x_id(unsigned long id);

// "latticedrift" and the project's version, for --version.
const char* hack_version();

// The usage text (for --help on stdout, after a reason on stderr).
const char* hack_usage();

#endif
