// The page's URL parameters, row by row: what each accepted query sets, and for each malformed one
// the message that names what is wrong.
#include "host/web/web_params.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The parse in one line: "live" or "fixed N at F fps WxH", then " seed=S" and the switches on; or
// "error: " and the message.
std::string parse(const char* query)
{
    PageOptions o;
    std::string error;
    if (!parse_page_options(query, &o, &error))
        return "error: " + error;
    std::string line = "live";
    if (o.frames > 0)
        line = "fixed " + std::to_string(o.frames) + " at " + std::to_string(o.fps).substr(0, 5) + " fps " +
               std::to_string(o.width) + "x" + std::to_string(o.height);
    if (o.seeded)
        line += " seed=" + std::to_string(o.seed);
    const std::pair<bool, const char*> switches[] = {{o.overlay, " overlay"}, {o.pointField, " point-field"},
                                                     {o.pointTexture, " point-texture"},
                                                     {o.pointLighting, " point-lighting"}, {o.immediate, " immediate"}};
    for (const auto& s : switches)
        if (s.first)
            line += s.second;
    return line;
}

} // namespace

TEST(WebParams, AcceptedQueries)
{
    const std::pair<const char*, const char*> rows[] = {
        {"", "live"},
        {"?", "live"},
        {"?seed=12345", "live seed=12345"},
        {"seed=0&&", "live seed=0"},
        {"?seed=4294967295&frames=600", "fixed 600 at 60.00 fps 800x600 seed=4294967295"},
        {"?frames=1&fps=29.97&size=64X48", "fixed 1 at 29.97 fps 64x48"},
        {"?frames=10000000&fps=1000&size=8192x1", "fixed 10000000 at 1000. fps 8192x1"},
        {"?overlay&point-field=1&point-texture&point-lighting&immediate=0",
         "live overlay point-field point-texture point-lighting"},
        {"?%73eed=%31%32", "live seed=12"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(parse(row.first), row.second) << "query " << row.first;
}

TEST(WebParams, RejectedQueriesSayWhy)
{
    const std::pair<const char*, const char*> rows[] = {
        {"?sed=1", "error: unknown parameter 'sed'; known: seed, frames, fps, size, overlay, point-field, "
                   "point-texture, point-lighting, immediate"},
        {"?seed=1&seed=2", "error: parameter 'seed' given twice"},
        {"?seed=-1", "error: seed: expected a whole number from 0 to 4294967295, got '-1'"},
        {"?seed=4294967296", "error: seed: expected a whole number from 0 to 4294967295, got '4294967296'"},
        {"?seed", "error: seed: expected a whole number from 0 to 4294967295, got nothing"},
        {"?frames=0", "error: frames: expected a whole number from 1 to 10000000, got '0'"},
        {"?frames=1e3", "error: frames: expected a whole number from 1 to 10000000, got '1e3'"},
        {"?frames=10&fps=0", "error: fps: expected a number above 0 and at most 1000, got '0'"},
        {"?frames=10&fps=nan", "error: fps: expected a number above 0 and at most 1000, got 'nan'"},
        {"?frames=10&size=800x", "error: size: expected WxH with each side from 1 to 8192, got '800x'"},
        {"?frames=10&size=8193x600", "error: size: expected WxH with each side from 1 to 8192, got '8193x600'"},
        {"?overlay=yes", "error: overlay: expected nothing, 1 or 0, got 'yes'"},
        {"?fps=30", "error: fps and size belong to a fixed run: add frames=N"},
        {"?size=64x48", "error: fps and size belong to a fixed run: add frames=N"},
        {"?frames=10000000&fps=1", "error: frames/fps: the simulated clock would pass 2^31 milliseconds; ask for "
                                  "fewer frames"},
        {"?seed=%4", "error: malformed escape in 'seed=%4'"},
        {"?seed=%zz1", "error: malformed escape in 'seed=%zz1'"},
        // Control bytes and long text are not quoted back as they are.
        {"?x%0Ay=1", "error: unknown parameter 'x?y'; known: seed, frames, fps, size, overlay, point-field, "
                     "point-texture, point-lighting, immediate"},
        {"?seed=11111111112222222222333333333344444444445",
         "error: seed: expected a whole number from 0 to 4294967295, got "
         "'1111111111222222222233333333334444444444...'"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(parse(row.first), row.second) << "query " << row.first;
    // Empty pieces are skipped, so the longest query read can still be a good one.
    const std::string longest = "?seed=1" + std::string(2041, '&');
    EXPECT_EQ(parse(longest.c_str()), "live seed=1");
    EXPECT_EQ(parse((longest + "&").c_str()),
              "error: the query is 2049 characters long; no parameters need more than 2048");
}
