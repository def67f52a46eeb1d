#!/usr/bin/env python3
# The page's speed on software WebGL (headless Chromium, SwiftShader) for one or more builds of the
# web preset in one run: rounds in which each build is measured once, in turn, each in a fresh
# browser, so that a machine whose speed drifts (other builds on the same cores) treats them alike.
# Prints every run and the medians; the later builds' ratios are against the first. Passes or fails
# nothing.
#
#   bench/measure_web.py OLD_BUILD_WEB NEW_BUILD_WEB [--rounds 5] [--frames 21-300] [--live 10]
#
# Fixed run: ?seed=S&frames=LAST at 800x600, the GPU process's CPU (SwiftShader, the browser's GL)
# from frame FIRST to the end, per frame. Live: ?seed=S at 800x600 from its second second on, for
# --live seconds: frames/s and the GPU process's CPU per frame.
import argparse
import os
import shutil
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'web'))
import browser_checks as checks  # noqa: E402


def fixed_cost(frames, seed):
    """Wall seconds and CPU seconds (all of Chromium, the GPU process) of a fixed run of `frames` frames,
    from the page's load to its picture read back: the reading waits for the GPU process to catch up
    with every frame the page has issued."""
    browser = checks.browser
    browser.set_script_timeout(60 + frames)
    started = time.monotonic(), checks.process_cpu_seconds(browser)
    browser.get(checks.url('?seed=%d&frames=%d' % (seed, frames)))
    checks.wait_for(lambda: checks.page('window.latticeDrift && latticeDrift.state') in ('done', 'message'),
                    60 + frames, 'the fixed run')
    if checks.page('latticeDrift.state') != 'done':
        raise RuntimeError('fixed run: ' + checks.page('latticeDrift.message'))
    checks.page('latticeDrift.readPixels().width')
    ended = time.monotonic(), checks.process_cpu_seconds(browser)
    return ended[0] - started[0], ended[1][0] - started[1][0], ended[1][1] - started[1][1]


def fixed_run(first, last, seed):
    """Per frame from `first` to `last`: the run to `last` less the run to `first` - 1, which had the
    same start-up."""
    short = fixed_cost(first - 1, seed)
    full = fixed_cost(last, seed)
    per_frame = lambda i: (full[i] - short[i]) * 1000 / (last - first + 1)
    return {'fixed_gpu_ms': per_frame(2), 'fixed_all_ms': per_frame(1), 'fixed_wall_ms': per_frame(0)}


def live(seconds, seed):
    browser = checks.browser
    browser.get(checks.url('?seed=%d' % seed))
    checks.wait_for(lambda: checks.page('window.latticeDrift && latticeDrift.frames > 0'), 60, 'live frames')
    time.sleep(1)
    before = checks.page('[latticeDrift.frames, performance.now()]'), checks.process_cpu_seconds(browser)
    time.sleep(seconds)
    after = checks.page('[latticeDrift.frames, performance.now()]'), checks.process_cpu_seconds(browser)
    frames = after[0][0] - before[0][0]
    return {'live_fps': frames * 1000 / (after[0][1] - before[0][1]),
            'live_gpu_ms': (after[1][1] - before[1][1]) * 1000 / max(frames, 1),
            'live_all_ms': (after[1][0] - before[1][0]) * 1000 / max(frames, 1)}


def measure_build(build, args):
    checks.server = checks.start_server(build)
    checks.browser = checks.start_browser()
    try:
        figures = fixed_run(args.frames[0], args.frames[1], args.seed)
        if args.live > 0:
            figures.update(live(args.live, args.seed))
        return figures
    finally:
        checks.browser.quit()
        checks.server.shutdown()
        checks.server.server_close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('builds', nargs='+')
    parser.add_argument('--rounds', type=int, default=5)
    parser.add_argument('--frames', default='21-300', type=lambda s: [int(n) for n in s.split('-')])
    parser.add_argument('--live', type=float, default=10)
    parser.add_argument('--seed', type=int, default=12345)
    args = parser.parse_args()
    checks.workdir = tempfile.mkdtemp(prefix='latticedrift-bench.')
    names = ['fixed_gpu_ms', 'fixed_all_ms', 'fixed_wall_ms'] + (['live_fps', 'live_gpu_ms', 'live_all_ms']
                                                               if args.live > 0 else [])
    runs = {build: [] for build in args.builds}
    try:
        for round_number in range(args.rounds):
            # Each round starts with the other end of the list, so neither build always goes first.
            order = args.builds if round_number % 2 == 0 else args.builds[::-1]
            for build in order:
                figures = measure_build(build, args)
                runs[build].append(figures)
                print('round %d %s: %s' % (round_number + 1, build,
                                           ', '.join('%s %.1f' % (n, figures[n]) for n in names)), flush=True)
    finally:
        shutil.rmtree(checks.workdir, ignore_errors=True)
    print('medians of %d rounds; fixed run frames %d-%d, seed %d, 800x600; live %g s:' %
          (args.rounds, args.frames[0], args.frames[1], args.seed, args.live))
    medians = {b: {n: statistics.median(r[n] for r in runs[b]) for n in names} for b in args.builds}
    for build in args.builds:
        line = ', '.join('%s %.1f' % (n, medians[build][n]) for n in names)
        if build != args.builds[0]:
            line += '; over the first: ' + ', '.join(
                '%s %.2f' % (n, medians[build][n] / medians[args.builds[0]][n]) for n in names)
        print('  %s: %s' % (build, line))
    return 0


if __name__ == '__main__':
    sys.exit(main())
