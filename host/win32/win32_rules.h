// Decisions of the Windows host that need no platform: its frame timer, command line, mode
// letter, window handles and password re-checks. Free of Windows headers, so it also builds
// natively for the fuzzers.
#ifndef LATTICEDRIFT_HOST_WIN32_RULES_H
#define LATTICEDRIFT_HOST_WIN32_RULES_H

#include "host/saver_rules.h"

#include <cstdint>

// The frame timer's period; the system raises it to its own timer resolution (10 ms or more).
constexpr std::uint32_t FRAME_TIMER_MS = 5;
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

// True when a close request at `nowMs` comes too soon after the password check that ended at
// `lastCheckMs` (NO_PASSWORD_CHECK: none yet); the difference is taken modulo 2^32.
bool password_recheck_too_soon(std::uint32_t nowMs, std::uint32_t lastCheckMs);

#endif
