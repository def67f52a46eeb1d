// The page's URL parameters: the seed, a fixed run in simulated time (frames, fps, size) and the
// headless renderer's developer switches. Free of the browser, so native tests reach every rule.
#ifndef LATTICEDRIFT_HOST_WEB_WEB_PARAMS_H
#define LATTICEDRIFT_HOST_WEB_WEB_PARAMS_H

#include <cstddef>
#include <cstdint>
#include <string>

struct PageOptions {
    long frames = 0;       // > 0: a fixed run of frames 1..frames in simulated time; 0: live
    double fps = 60.0;     // the fixed run's simulated frame rate
    int width = 800;       // the fixed run's picture size
    int height = 600;
    bool seeded = false;
    std::uint32_t seed = 0;
    bool overlay = false;
    bool pointField = false;
    bool pointTexture = false;
    bool pointLighting = false;
    bool immediate = false;
};

// The longest query read: every parameter at its longest, escaped, fits many times over.
constexpr std::size_t MAX_QUERY_LENGTH = 2048;

// Parses a query string ("?seed=1&frames=600", the '?' optional, %XX escapes decoded) into
// *options. False with a one-line message in *error when the query is longer than
// MAX_QUERY_LENGTH, a parameter is unknown, repeated or malformed, or a value is out of range;
// *options is then unchanged.
bool parse_page_options(const char* query, PageOptions* options, std::string* error);
// The message for a query of `length` characters, over MAX_QUERY_LENGTH.
std::string overlong_query_message(std::size_t length);

#endif
