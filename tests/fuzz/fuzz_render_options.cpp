// libFuzzer target: the headless renderer's command line, one argument per NUL-separated piece of
// the input. Whatever it is given, the parser ends with a message or with values in their ranges.
#include "tools/render_options.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args{"latticedrift-render", ""};
    for (std::size_t i = 0; i < size && args.size() < 64; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    RenderOptions o;
    std::string error;
    const ParseResult result = parse_render_options(static_cast<int>(args.size()), argv.data(), &o, &error);
    const bool valid = o.width >= 1 && o.width <= MAX_RENDER_SIDE && o.height >= 1 &&
                       o.height <= MAX_RENDER_SIDE && o.fps > 0.0 && o.fps <= 1000.0 && o.frames >= 1 &&
                       o.frames <= MAX_RENDER_FRAMES && (!o.outPath.empty() || o.every > 0) &&
                       simulated_frame_ms(o.frames, o.fps) >= 0;
    if ((result == ParseResult::Error && error.empty()) || (result == ParseResult::Run && !valid))
        std::abort();
    return 0;
}
