// libFuzzer target: whole Windows command lines read as the saver's entry reads them (the argument
// text after the program name, stepped byte by byte or as a double-byte code page steps), then the
// mode scan and the handle parser as the modes use them.
#include "host/win32/win32_rules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// A double-byte code page's stepper: a lead byte takes its trail byte along, but never the end.
static const char* next_double_byte(const char* position)
{
    const auto byte = static_cast<unsigned char>(*position);
    if (byte >= 0x81 && byte <= 0xFE && position[1] != '\0')
        return position + 2;
    return next_single_byte(position);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the stepper; the rest is the command line, ended as the platform ends it.
    std::vector<char> line(data + 1, data + size);
    line.push_back('\0');
    const char* end = line.data() + std::strlen(line.data());
    const char* arguments = find_argument_text(line.data(), (data[0] & 1) ? next_double_byte : next_single_byte);
    const ModeRequest request = scan_mode(arguments);
    if (arguments < line.data() || arguments > end || request.rest < arguments || request.rest > end)
        std::abort();
    if (request.mode == SaverMode::Configure && *request.rest == ':')
        parse_handle_value(request.rest + 1);
    else if (request.mode == SaverMode::Preview || request.mode == SaverMode::ChangePassword)
        parse_handle_value(request.rest);
    return 0;
}
