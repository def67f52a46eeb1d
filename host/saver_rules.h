// Decisions of the saver hosts that need no platform: the frame pacing and pointer-travel rule
// that both hosts share, and the Windows host's command line, mode letter, window handles and
// password re-checks. Built natively too, so tests and fuzzers reach it without a platform.
#ifndef LATTICEDRIFT_HOST_SAVER_RULES_H
#define LATTICEDRIFT_HOST_SAVER_RULES_H

#include <cstdint>

// The frame delay: the Windows host's frame timer, and the Linux host's default pause per frame.
constexpr std::uint32_t FRAME_TIMER_MS = 5;
// Largest mouse travel (|dx| + |dy| in pixels from the reference position) that keeps the saver.
constexpr std::int32_t MOUSE_MOVE_THRESHOLD = 4;
// After a password check ends, close requests within this many milliseconds are refused.
constexpr std::uint32_t PASSWORD_RECHECK_MS = 200;
// The tick count that stands for "no password check yet".
constexpr std::uint32_t NO_PASSWORD_CHECK = 0xFFFFFFFFu;

// Steps one character forward; the Windows host passes the platform's multi-byte aware stepper.
using NextCharFn = const char* (*)(const char* position);
const char* next_single_byte(const char* position);

// The argument text of a whole command line: the program name (quoted or not) and the blanks and
// control bytes after it are skipped.
const char* find_argument_text(const char* commandLine, NextCharFn nextChar);

enum class SaverMode {
    ConfigureUnowned, // empty argument: the dialog has no owner
    Configure,        // "c": owner after a colon, else the foreground window
    FullScreen,       // "s"
    Preview,          // "p" or "l" and a window handle
    ChangePassword,   // "a" and a window handle (Windows 95 family only)
    Unknown,
};

struct ModeRequest {
    SaverMode mode;
    // Configure: the text right after the letter. Preview and ChangePassword: the text after the
    // letter and the blanks that follow it. Otherwise the end of the argument text.
    const char* rest;
};

// The mode named by the first byte that is not a blank, "-" or "/".
ModeRequest scan_mode(const char* arguments);

// Skips blanks (0x20 only).
const char* skip_blanks(const char* text);

// The value spelled by the leading decimal digits, wrapping at 32 bits; 0 without a digit.
std::uint32_t parse_handle_value(const char* text);

// True when the cursor at (x, y) is more than MOUSE_MOVE_THRESHOLD pixels (|dx| + |dy|) away from
// the reference position.
bool mouse_travel_exceeds(std::int32_t refX, std::int32_t refY, std::int32_t x, std::int32_t y);

// True when a close request at `nowMs` comes too soon after the password check that ended at
// `lastCheckMs` (NO_PASSWORD_CHECK: none yet); the difference is taken modulo 2^32.
bool password_recheck_too_soon(std::uint32_t nowMs, std::uint32_t lastCheckMs);

#endif
