// Benchmarks of the running scene on an 800x600 EGL pbuffer (llvmpipe): one whole frame, the
// point cube alone, and the start-up's scene_setup. Each iteration ends with glFinish, so the
// time includes the rasterising that the GL library would otherwise defer.
#include "scene/point_cube.h"
#include "scene/scene.h"
#include "tools/egl_context.h"
#include "tools/headless_scene.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;
constexpr double FPS = 60.0;
long g_frame = 0;

void BM_render_frame(benchmark::State& state)
{
    for (auto _ : state) {
        headless_frame(++g_frame, FPS);
        glFinish();
    }
}
// A fixed count of frames, so that every run sees the same stretch of the camera's path: the cost
// depends on how many points the pose puts on screen. The benchmarks share one timeline, so for
// figures that compare, run each alone (--benchmark_filter): each then covers the first 5 s.
constexpr int FRAMES_PER_RUN = 300;
BENCHMARK(BM_render_frame)->Unit(benchmark::kMillisecond)->Iterations(FRAMES_PER_RUN);

// The cube alone, with the GL state a scene pass leaves (viewport 1, its projection and camera).
// An untimed frame before each draw moves the camera along the same kind of path as above.
void BM_draw_point_cube(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        headless_frame(++g_frame, FPS);
        glFinish();
        state.ResumeTiming();
        draw_point_cube();
        glFinish();
    }
    state.counters["vertices/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * 6 * (CUBE_STEPS + 1) *
                                                          (CUBE_STEPS + 1),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_draw_point_cube)->Unit(benchmark::kMillisecond)->Iterations(FRAMES_PER_RUN);

// scene_setup builds the point field's display list and the 256x256 check texture; the teardown
// between iterations (not timed) deletes the list again.
void BM_scene_setup(benchmark::State& state)
{
    for (auto _ : state) {
        scene_setup();
        glFinish();
        state.PauseTiming();
        scene_teardown();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_scene_setup)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    EglContext context;
    std::string error;
    if (!context.create(WIDTH, HEIGHT, &error)) {
        std::fprintf(stderr, "bench_scene: no OpenGL context: %s\n", error.c_str());
        return 1;
    }
    headless_start(WIDTH, HEIGHT, true, 1);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    headless_stop();
    return 0;
}
