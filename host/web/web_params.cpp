// The page's URL parameters (see web_params.h). Values follow the headless renderer's rules and
// limits, so a fixed run means on the page what the same options mean to latticedrift-render.
#include "host/web/web_params.h"

#include "tools/render_options.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

// Longest piece of a parameter quoted back in a message.
constexpr std::size_t QUOTE_LIMIT = 40;

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Decodes %XX escapes and '+' (a blank in a query); false for a broken escape.
bool url_decode(const std::string& text, std::string* out)
{
    out->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out->push_back(' ');
        } else if (text[i] != '%') {
            out->push_back(text[i]);
        } else {
            const int high = i + 2 < text.size() ? hex_digit(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hex_digit(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                return false;
            out->push_back(static_cast<char>(high * 16 + low));
            i += 2;
        }
    }
    return true;
}

// The text as a message may show it: printable ASCII only, cut short when long.
std::string quoted(const std::string& text)
{
    std::string shown = "'";
    for (std::size_t i = 0; i < text.size() && i < QUOTE_LIMIT; ++i)
        shown.push_back(text[i] >= 0x20 && text[i] < 0x7f ? text[i] : '?');
    if (text.size() > QUOTE_LIMIT)
        shown += "...";
    return shown + "'";
}

// A decimal integer of digits only, at most `max`.
bool parse_count(const std::string& text, unsigned long long max, unsigned long long* value)
{
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || v > max)
        return false;
    *value = v;
    return true;
}

bool parse_fps(const std::string& text, double* fps)
{
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v) || v <= 0.0 || v > 1000.0)
        return false;
    *fps = v;
    return true;
}

bool parse_size(const std::string& text, int* width, int* height)
{
    const std::size_t x = text.find_first_of("xX");
    unsigned long long w = 0;
    unsigned long long h = 0;
    if (x == std::string::npos || !parse_count(text.substr(0, x), MAX_RENDER_SIDE, &w) ||
        !parse_count(text.substr(x + 1), MAX_RENDER_SIDE, &h) || w == 0 || h == 0)
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

// A switch: given alone or as =1 it is on, =0 off.
bool parse_switch(const std::string& value, bool hasValue, bool* on)
{
    if (!hasValue || value == "1")
        *on = true;
    else if (value == "0")
        *on = false;
    else
        return false;
    return true;
}

bool fail(std::string* error, const std::string& message)
{
    if (error != nullptr)
        *error = message;
    return false;
}

} // namespace

std::string overlong_query_message(std::size_t length)
{
    return "the query is " + std::to_string(length) + " characters long; no parameters need more than " +
           std::to_string(MAX_QUERY_LENGTH);
}

bool parse_page_options(const char* query, PageOptions* options, std::string* error)
{
    PageOptions parsed;
    std::string text = query != nullptr ? query : "";
    if (text.size() > MAX_QUERY_LENGTH)
        return fail(error, overlong_query_message(text.size()));
    if (!text.empty() && text[0] == '?')
        text.erase(0, 1);

    const char* const NAMES[] = {"seed",        "frames",        "fps",            "size",     "overlay",
                                 "point-field", "point-texture", "point-lighting", "immediate"};
    bool seen[sizeof NAMES / sizeof NAMES[0]] = {};
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('&', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string piece = text.substr(start, end - start);
        start = end + 1;
        if (piece.empty())
            continue;

        const std::size_t equals = piece.find('=');
        const bool hasValue = equals != std::string::npos;
        std::string name;
        std::string value;
        if (!url_decode(piece.substr(0, equals), &name) || (hasValue && !url_decode(piece.substr(equals + 1), &value)))
            return fail(error, "malformed escape in " + quoted(piece));

        std::size_t index = 0;
        while (index < sizeof NAMES / sizeof NAMES[0] && name != NAMES[index])
            ++index;
        if (index == sizeof NAMES / sizeof NAMES[0])
            return fail(error, "unknown parameter " + quoted(name) +
                                   "; known: seed, frames, fps, size, overlay, point-field, point-texture, "
                                   "point-lighting, immediate");
        if (seen[index])
            return fail(error, "parameter " + quoted(name) + " given twice");
        seen[index] = true;

        unsigned long long count = 0;
        bool ok = true;
        std::string expected;
        switch (index) {
        case 0:
            ok = parse_count(value, UINT32_MAX, &count);
            parsed.seeded = ok;
            parsed.seed = static_cast<std::uint32_t>(count);
            expected = "a whole number from 0 to 4294967295";
            break;
        case 1:
            ok = parse_count(value, MAX_RENDER_FRAMES, &count) && count > 0;
            parsed.frames = static_cast<long>(count);
            expected = "a whole number from 1 to " + std::to_string(MAX_RENDER_FRAMES);
            break;
        case 2:
            ok = parse_fps(value, &parsed.fps);
            expected = "a number above 0 and at most 1000";
            break;
        case 3:
            ok = parse_size(value, &parsed.width, &parsed.height);
            expected = "WxH with each side from 1 to " + std::to_string(MAX_RENDER_SIDE);
            break;
        default: {
            bool* switches[] = {&parsed.overlay, &parsed.pointField, &parsed.pointTexture, &parsed.pointLighting,
                                &parsed.immediate};
            ok = parse_switch(value, hasValue, switches[index - 4]);
            expected = "nothing, 1 or 0";
            break;
        }
        }
        if (!ok)
            return fail(error, name + ": expected " + expected + ", got " + (hasValue ? quoted(value) : "nothing"));
    }

    if (parsed.frames == 0 && (seen[2] || seen[3]))
        return fail(error, "fps and size belong to a fixed run: add frames=N");
    if (static_cast<double>(parsed.frames) * 1000.0 / parsed.fps > static_cast<double>(INT_MAX))
        return fail(error, "frames/fps: the simulated clock would pass 2^31 milliseconds; ask for fewer frames");
    *options = parsed;
    return true;
}
