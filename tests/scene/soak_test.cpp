// A month of running, simulated without GL: the clock, the oscillators, the fade and the letterbox
// driven through the frame driver's own code on a simulated millisecond count that wraps at 2^31,
// jumps forward by hours (sleep and resume) and jumps back (a clock set back).
#include "scene/frame.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>

using namespace scene_objects;

namespace {

constexpr std::int64_t SECOND_MS = 1000;
constexpr std::int64_t HOUR_MS = 3600 * SECOND_MS;
constexpr int HOURS = 30 * 24;
constexpr int HEIGHT = 1080;

// The count the clock reads: a start, the run's own time and what jumps added, wrapped to an int
// as GLUT's count is.
std::int64_t g_countMs = 0;
int simulated_count() { return static_cast<int>(static_cast<std::uint32_t>(g_countMs)); }

Oscillator* const OSCILLATORS[] = {&camOscX, &camOscY, &camOscZ, &fadeOsc, &letterboxOsc};

// What happens to the count half a minute into an hour (inside the hour's dense first minute).
struct Jump {
    int hour;
    std::int64_t ms;
};
const Jump JUMPS[] = {
    {100, 0},              // no jump: the count passes 2^31 here and wraps to -2^31
    {200, 8 * HOUR_MS},    // a night asleep
    {301, -HOUR_MS},       // the clock set back an hour
    {400, 70 * HOUR_MS},   // a weekend asleep
    {501, -5 * SECOND_MS}, // the clock set back a few seconds
    {601, 3 * HOUR_MS},
};
constexpr int JUMP_COUNT = static_cast<int>(std::size(JUMPS));
constexpr std::int64_t JUMP_AT_MS = 30 * SECOND_MS;
// The count's start puts the wrap at the first event.
constexpr std::int64_t START_MS = (std::int64_t{1} << 31) - (100 * HOUR_MS + JUMP_AT_MS);

} // namespace

// Each hour runs its first minute densely, at 60 frames per second in even hours and on the 5 ms
// timer in odd ones, and the rest thinned out to one frame a second. LATTICEDRIFT_SOAK_DENSE=1
// runs every frame at 60 frames per second instead (minutes, not seconds).
TEST(Soak, AMonthKeepsEveryQuantityFiniteAndInRangeThroughWrapAndJumps)
{
    const bool dense = std::getenv("LATTICEDRIFT_SOAK_DENSE") != nullptr;
    elapsed_ms_source = &simulated_count;
    layout.setWindowSize(1920, HEIGHT);
    g_countMs = START_MS;
    scene_use_seed(20240601);
    // No context is current, so the start-up's graphics calls do nothing: what remains is every
    // start value, the first clock reading and the seed.
    scene_setup();

    // Each phase summed again in extended precision, to see what the double sum loses.
    long double exact[5] = {};
    double maxPhaseError = 0.0;
    double maxStepError = 0.0;
    long frames = 0;
    int failures = 0;
    int nextJump = 0;
    std::int64_t offset = 0;
    int previousCount = simulated_count();
    double phasesAtJump[5] = {};
    int checkAfterJump = -1;

    auto frame = [&](std::int64_t runMs) {
        if (nextJump < JUMP_COUNT && runMs >= JUMPS[nextJump].hour * HOUR_MS + JUMP_AT_MS) {
            offset += JUMPS[nextJump].ms;
            for (int i = 0; i < 5; ++i)
                phasesAtJump[i] = OSCILLATORS[i]->phase;
            checkAfterJump = nextJump++;
        }
        g_countMs = START_MS + runMs + offset;
        double before[5];
        for (int i = 0; i < 5; ++i)
            before[i] = OSCILLATORS[i]->phase;

        scene_objects::clock.tick();
        advance_oscillators();
        apply_letterbox();
        ++frames;

        // A step back (a wrap, a clock set back) moves nothing; a step forward is the count's.
        const int count = simulated_count();
        const std::int64_t step = static_cast<std::int64_t>(count) - previousCount;
        previousCount = count;
        const double expectedDt = step > 0 ? static_cast<double>(step) / 1000.0 : 0.0;
        const double stepError = std::fabs(scene_objects::clock.deltaSeconds - expectedDt);
        maxStepError = std::fmax(maxStepError, stepError);
        const double t = scene_objects::clock.deltaSeconds;
        const double steps[5] = {t * scene.cameraTimeScale * 0.1, t * scene.cameraTimeScale * 0.1,
                                 t * scene.cameraTimeScale * 0.1, t * scene.effectTimeScale * 0.3,
                                 t * scene.effectTimeScale * 0.1};
        bool ok = std::isfinite(scene_objects::clock.nowSeconds) && std::isfinite(t) && stepError < 1e-6;
        for (int i = 0; i < 5; ++i) {
            const Oscillator& o = *OSCILLATORS[i];
            exact[i] += static_cast<long double>(o.level) * o.speed * steps[i];
            maxPhaseError = std::fmax(maxPhaseError, static_cast<double>(std::fabs(o.phase - exact[i])));
            ok = ok && std::isfinite(o.phase) && o.phase >= before[i] && o.level >= 0.0 &&
                 o.level <= 1.0 && (o.ramp == 0.0 || std::fabs(o.ramp) == RAMP_RATE);
        }
        const Viewport& band = layout.viewports[1];
        ok = ok && layout.fadeAlpha >= 0.1f && layout.fadeAlpha <= 0.3f &&
             scene.letterboxTarget >= 0.0 && scene.letterboxTarget <= 0.225 &&
             layout.letterbox >= 0.0f && layout.letterbox <= 0.225f && band.bottom >= 0.0f &&
             band.top <= HEIGHT && band.height > 0.5f * HEIGHT;
        if (!ok && ++failures <= 5)
            ADD_FAILURE() << "frame " << frames << " at " << runMs << " ms of running, count " << count;
    };

    for (int hour = 0; hour < HOURS; ++hour) {
        const std::int64_t h = hour * HOUR_MS;
        // An hour after each jump every oscillator has moved on: nothing froze.
        if (checkAfterJump >= 0) {
            for (int i = 0; i < 5; ++i)
                EXPECT_GT(OSCILLATORS[i]->phase, phasesAtJump[i])
                    << "oscillator " << i << " an hour after the jump at hour " << JUMPS[checkAfterJump].hour;
            checkAfterJump = -1;
        }
        if (dense) {
            for (std::int64_t k = 1; k <= 60 * 3600; ++k)
                frame(h + k * 1000 / 60);
            continue;
        }
        if (hour % 2 == 0) {
            for (std::int64_t k = 1; k <= 60 * 60; ++k)
                frame(h + k * 1000 / 60);
        } else {
            for (std::int64_t k = 1; k <= 60 * 1000 / 5; ++k)
                frame(h + k * 5);
        }
        for (std::int64_t s = 61; s <= 3600; ++s)
            frame(h + s * SECOND_MS);
    }

    EXPECT_EQ(nextJump, JUMP_COUNT);
    EXPECT_EQ(failures, 0);
    // The largest phase carries about 17 significant bits before the point, so a double still
    // resolves 1e-10 rad there; the sums of a month stay within a hundredth of a degree.
    EXPECT_LT(maxPhaseError, 2e-4);
    std::printf("soak: %ld frames; phases after 30 days: camera %.0f %.0f %.0f, fade %.0f, letterbox "
                "%.0f rad; largest phase error %.3g rad; largest time step error %.3g s\n",
                frames, camOscX.phase, camOscY.phase, camOscZ.phase, fadeOsc.phase, letterboxOsc.phase,
                maxPhaseError, maxStepError);
}
