// Command-line options of the headless renderer (latticedrift-render): parsed and validated here,
// free of GL and file output, so tests reach every rule directly.
#ifndef LATTICEDRIFT_TOOLS_RENDER_OPTIONS_H
#define LATTICEDRIFT_TOOLS_RENDER_OPTIONS_H

#include <cstdint>
#include <string>

struct RenderOptions {
    int width = 800;
    int height = 600;
    double fps = 60.0;
    long frames = 180;
    bool seeded = false;
    std::uint32_t seed = 0;
    std::string outPath;   // the last frame as PNG; empty: not written
    long every = 0;        // also write every K-th frame into everyDir; 0: off
    std::string everyDir;
    bool overlay = false;
    bool pointField = false;
    bool pointTexture = false;
    bool pointLighting = false;
    bool immediate = false; // issue the lattice vertex by vertex instead of replaying its list
};

enum class ParseResult { Run, Help, Error };

constexpr int MAX_RENDER_SIDE = 8192;
constexpr long MAX_RENDER_FRAMES = 10000000;

// Parses argv with getopt_long into *options. On Error, *error holds a one-line reason naming the
// option. Checks values only (ranges, formats); whether files and folders are usable is the
// caller's business.
ParseResult parse_render_options(int argc, char* const argv[], RenderOptions* options, std::string* error);

// The usage text printed by --help.
const char* render_usage();

// Whole milliseconds the simulated clock reads at frame k (k = 0 is the start-up): floor(k*1000/fps).
int simulated_frame_ms(long frame, double fps);

#endif
