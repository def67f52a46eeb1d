// Benchmarks of the running scene on an 800x600 EGL pbuffer (llvmpipe): whole frames with the
// lattice replayed from its display list and issued in immediate mode, the point cube alone, the
// start-up's scene_setup, and the Linux host's frame keeper. Every frame ends with glFinish (as a host's swap would), so the time
// includes the rasterising that the GL library would otherwise defer.
#include "host/frame_keeper.h"
#include "scene/point_cube.h"
#include "scene/scene.h"
#include "tools/egl_context.h"
#include "tools/headless_scene.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <string>

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;
constexpr double FPS = 60.0;
// Frames measured per run: 5 simulated seconds of the camera's path.
constexpr int FRAMES_PER_RUN = 300;
long g_frame = 0;

double thread_cpu_ms()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

// Starts the scene afresh, as a new saver window would (oscillators and clock as constructed, the
// start-up with seed 1), then runs `skip` frames untimed. The cost of a frame depends on what the
// pose puts on screen, so every benchmark starts from here and covers the same stretch of the path,
// whichever others ran before it.
void restart_scene(bool useList, long skip)
{
    using scene_objects::camOscX, scene_objects::camOscY, scene_objects::camOscZ;
    using scene_objects::fadeOsc, scene_objects::letterboxOsc;
    for (Oscillator* oscillator : { &camOscX, &camOscY, &camOscZ, &fadeOsc, &letterboxOsc })
        *oscillator = Oscillator();
    scene_objects::clock = FrameClock();
    headless_start(WIDTH, HEIGHT, true, 1);
    if (!useList)
        release_point_cube_list();
    for (g_frame = 0; g_frame < skip;)
        headless_frame(++g_frame, FPS);
}

// Whole frames. Arguments: the lattice path (1: display list, 0: immediate mode) and the first
// frame's second on the path. "CPU" is the whole process (the renderer's worker threads too);
// main_cpu_ms is the calling thread alone, where the vertex stream is issued.
void BM_render_frame(benchmark::State& state)
{
    restart_scene(state.range(0) != 0, static_cast<long>(static_cast<double>(state.range(1)) * FPS));
    const double mainStart = thread_cpu_ms();
    for (auto _ : state)
        headless_frame(++g_frame, FPS);
    state.counters["main_cpu_ms"] =
        benchmark::Counter((thread_cpu_ms() - mainStart) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_render_frame)
    ->ArgNames({ "list", "from_s" })
    ->Args({ 1, 0 })
    ->Args({ 0, 0 })
    ->Args({ 1, 20 })
    ->Args({ 0, 20 })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FRAMES_PER_RUN)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The cube alone, replayed from its list, with the GL state a scene pass leaves (viewport 1, its
// projection and camera). An untimed frame before each draw moves the camera along the path.
void BM_draw_point_cube(benchmark::State& state)
{
    restart_scene(true, 0);
    for (auto _ : state) {
        state.PauseTiming();
        headless_frame(++g_frame, FPS);
        state.ResumeTiming();
        draw_point_cube();
        glFinish();
    }
    state.counters["vertices/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * 6 * (CUBE_STEPS + 1) *
                                                          (CUBE_STEPS + 1),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_draw_point_cube)->Unit(benchmark::kMillisecond)->Iterations(FRAMES_PER_RUN)->MeasureProcessCPUTime();

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

// What the Linux host adds to each frame where the swap may not keep the picture: the frame copied
// into the keeper's texture and drawn back over the window.
void BM_frame_keeper(benchmark::State& state)
{
    restart_scene(true, 0);
    FrameKeeper keeper;
    keeper.resize(WIDTH, HEIGHT);
    for (auto _ : state) {
        keeper.save();
        keeper.restore();
        glFinish();
    }
    keeper.release();
}
BENCHMARK(BM_frame_keeper)->Unit(benchmark::kMillisecond)->Iterations(FRAMES_PER_RUN)->MeasureProcessCPUTime()->UseRealTime();

// The lattice's display list, compiled once at the end of the start-up.
void BM_build_point_cube_list(benchmark::State& state)
{
    for (auto _ : state) {
        build_point_cube_list();
        glFinish();
    }
}
BENCHMARK(BM_build_point_cube_list)->Unit(benchmark::kMillisecond);

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
