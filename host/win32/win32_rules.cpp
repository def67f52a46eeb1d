// Platform-free decisions of the Windows host: command line, mode letter, handles, password re-checks.
#include "host/win32/win32_rules.h"

const char* next_single_byte(const char* position)
{
    return *position != '\0' ? position + 1 : position;
}

static bool is_blank_or_control(unsigned char byte)
{
    return byte != 0 && byte <= 0x20;
}

const char* find_argument_text(const char* commandLine, NextCharFn nextChar)
{
    const char* position = commandLine;
    if (*position == '"') {
        position = nextChar(position);
        while (*position != '\0' && *position != '"')
            position = nextChar(position);
        if (*position == '"')
            position = nextChar(position);
    } else {
        while (static_cast<unsigned char>(*position) > 0x20)
            position = nextChar(position);
    }
    while (is_blank_or_control(static_cast<unsigned char>(*position)))
        ++position;
    return position;
}

const char* skip_blanks(const char* text)
{
    while (*text == ' ')
        ++text;
    return text;
}

ModeRequest scan_mode(const char* arguments)
{
    const char* position = arguments;
    while (*position == ' ' || *position == '-' || *position == '/')
        ++position;
    const char* after = position + 1;
    switch (*position) {
    case '\0':
        return {SaverMode::ConfigureUnowned, position};
    case 'c':
    case 'C':
        return {SaverMode::Configure, after};
    case 's':
    case 'S':
        return {SaverMode::FullScreen, after};
    case 'p':
    case 'P':
    case 'l':
    case 'L':
        return {SaverMode::Preview, skip_blanks(after)};
    case 'a':
    case 'A':
        return {SaverMode::ChangePassword, skip_blanks(after)};
    default:
        return {SaverMode::Unknown, position};
    }
}

std::uint32_t parse_handle_value(const char* text)
{
    std::uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10u + static_cast<std::uint32_t>(*text - '0');
    return value;
}

bool password_recheck_too_soon(std::uint32_t nowMs, std::uint32_t lastCheckMs)
{
    return lastCheckMs != NO_PASSWORD_CHECK && nowMs - lastCheckMs < PASSWORD_RECHECK_MS;
}
