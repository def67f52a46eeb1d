// libFuzzer target: the Linux host's command line. The input's first NUL-separated piece is the
// XSCREENSAVER_WINDOW value (empty: unset), every further piece one argument. Whatever it is
// given, the parser ends with a message, or with a mode and a window it can stand behind.
#include "host/x11/hack_options.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> pieces{ "" };
    for (std::size_t i = 0; i < size && pieces.size() < 64; ++i) {
        if (data[i] == 0)
            pieces.emplace_back();
        else
            pieces.back().push_back(static_cast<char>(data[i]));
    }
    std::vector<std::string> args{ "latticedrift" };
    args.insert(args.end(), pieces.begin() + 1, pieces.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    HackOptions o;
    o.delayUs = 5000;
    std::string error;
    const HackParse result =
        parse_hack_options(static_cast<int>(args.size()), argv.data(), pieces[0].c_str(), &o, &error);
    const bool windowNamed = o.targetRoot || (o.targetWindow > 0 && o.targetWindow <= 0x1FFFFFFFul);
    const bool valid = o.delayUs >= 0 && o.delayUs <= MAX_FRAME_DELAY_US && (o.mode != HackMode::Target || windowNamed);
    if ((result == HackParse::Error && error.empty()) || (result == HackParse::Run && !valid))
        std::abort();
    return 0;
}
