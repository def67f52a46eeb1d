#!/usr/bin/env python3
# The page in headless Chromium (software WebGL 2 through SwiftShader), served from this process:
# fixed runs against latticedrift-render's frames, a picture with every developer switch, the live
# page (frames, seed, full screen, a lost context, a hidden tab) and its messages.
#
#   browser_checks.py BUILD_WEB RENDERER [--frames 1,150,600]   the checks; ends "N passed, N failed"
#   browser_checks.py BUILD_WEB RENDERER --measure SECONDS       live figures at 800x600, no checks
#   browser_checks.py BUILD_WEB RENDERER --screenshot FILE QUERY the 800x600 page once a fixed run is done
import argparse
import base64
import functools
import http.server
import os
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import numpy as np
from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains

SEED = 12345
# The goal for a frame: this share of pixels within 8 levels in every channel, and the mean below 1.
WITHIN_8_GOAL = 99.0
MEAN_GOAL = 1.0
# SwiftShader draws a frame of the lattice in about 70 ms on two shared cores: generous limits.
SECONDS_PER_FRAME_LIMIT = 0.5

args = None
server = None
browser = None
workdir = None


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *_):
        pass


def start_server(root):
    handler = functools.partial(QuietHandler, directory=root)
    httpd = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=httpd.serve_forever, daemon=True).start()
    return httpd


def start_browser(scale=1, profile='profile'):
    """Headless Chromium at `scale` device pixels per CSS pixel, with an 800x600 viewport."""
    options = webdriver.ChromeOptions()
    # SwiftShader gives WebGL 2 without a GPU; the network flags keep a closed network quiet.
    for flag in ['--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
                 '--ignore-gpu-blocklist', '--no-first-run', '--disable-background-networking',
                 '--disable-component-update', '--disable-sync', '--disable-quic', '--disable-default-apps',
                 '--disable-extensions', '--mute-audio', '--window-size=800,700', '--force-color-profile=srgb',
                 '--force-device-scale-factor=%g' % scale, '--user-data-dir=' + os.path.join(workdir, profile)]:
        options.add_argument(flag)
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    # A viewport of exactly 800x600 CSS pixels.
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                           {'width': 800, 'height': 600, 'deviceScaleFactor': scale, 'mobile': False})
    return driver


def url(query=''):
    return 'http://127.0.0.1:%d/index.html%s' % (server.server_address[1], query)


def page(expression):
    return browser.execute_script('return ' + expression)


def wait_for(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.25)
    raise AssertionError('%s: not within %d s (page state %s)' % (what, seconds, page('latticeDrift.state')))


def console_problems():
    """Warnings and errors on the console since the last call; not the driver's note on the tests'
    own reading of the picture, which can reach the log after the page that read it has gone."""
    return [e['message'] for e in browser.get_log('browser')
            if e['level'] in ('WARNING', 'SEVERE') and 'GPU stall due to ReadPixels' not in e['message']]


def fixed_run(query, frames):
    """Loads a fixed run, waits for its completion and returns the last frame's RGB pixels."""
    limit = 60 + frames * SECONDS_PER_FRAME_LIMIT
    browser.set_script_timeout(limit)
    browser.get(url(query))
    wait_for(lambda: page('window.latticeDrift && latticeDrift.state') in ('done', 'message'), limit, query)
    state = page('[latticeDrift.state, latticeDrift.frames, latticeDrift.message]')
    assert state[0] == 'done' and state[1] == frames, 'fixed run %s ended as %s' % (query, state)
    picture = page('latticeDrift.readPixels()')
    rgba = np.frombuffer(base64.b64decode(picture['rgba']), np.uint8)
    return rgba.reshape(picture['height'], picture['width'], 4)[:, :, :3]


def reference(frames, switches=()):
    path = os.path.join(workdir, 'ref_%d%s.png' % (frames, ''.join(switches)))
    subprocess.run([args.renderer, '--size', '800x600', '--fps', '60', '--seed', str(SEED), '--frames', str(frames),
                    *switches, '--out', path], check=True)
    return np.asarray(Image.open(path).convert('RGB'))


def compare(ours, theirs):
    """Percent of pixels within 8 levels in every channel, mean difference, largest difference."""
    difference = np.abs(ours.astype(int) - theirs.astype(int))
    return (difference.max(axis=2) <= 8).mean() * 100, difference.mean(), int(difference.max())


class FixedRuns(unittest.TestCase):
    def check_against_renderer(self, frames, switches=()):
        query = '?seed=%d&fps=60&frames=%d&size=800x600%s' % (SEED, frames, ''.join('&' + s[2:] for s in switches))
        within, mean, largest = compare(fixed_run(query, frames), reference(frames, switches))
        print('  frame %d%s: %.3f%% within 8 levels, mean %.4f, largest %d' %
              (frames, ' ' + ' '.join(switches) if switches else '', within, mean, largest), flush=True)
        self.assertGreaterEqual(within, WITHIN_8_GOAL)
        self.assertLess(mean, MEAN_GOAL)

    def test_frames_match_the_headless_renderer(self):
        for frames in args.frames:
            with self.subTest(frame=frames):
                self.check_against_renderer(frames)

    def test_every_switch_matches_the_headless_renderer(self):
        # The overlay's mipmapped texture, the point field's list, the textured and lit lattice.
        self.check_against_renderer(240, ('--overlay', '--point-field', '--point-texture', '--point-lighting'))


class LivePage(unittest.TestCase):
    def setUp(self):
        console_problems()
        browser.get(url())
        wait_for(lambda: page('window.latticeDrift && latticeDrift.frames > 2'), 60, 'live frames')

    def frames_after(self, seconds):
        before = page('latticeDrift.frames')
        time.sleep(seconds)
        return page('latticeDrift.frames') - before

    def test_frames_advance_with_a_new_seed_each_load_and_a_quiet_console(self):
        self.assertGreater(self.frames_after(2), 4)
        self.assertEqual(page('latticeDrift.state'), 'running')
        first = page('latticeDrift.seed')
        time.sleep(0.05)
        browser.get(url())
        wait_for(lambda: page('window.latticeDrift && latticeDrift.seed !== null'), 60, 'second load')
        self.assertNotEqual(page('latticeDrift.seed'), first)
        browser.get(url('?seed=7'))
        wait_for(lambda: page('window.latticeDrift && latticeDrift.seed !== null'), 60, 'seeded load')
        self.assertEqual(page('latticeDrift.seed'), 7)
        self.assertEqual(console_problems(), [])

    def test_full_screen_follows_the_saver_rules(self):
        full = lambda: page('!!document.fullscreenElement')
        pointer = ActionChains(browser)
        pointer.move_to_element_with_offset(browser.find_element('tag name', 'body'), 0, 0).click().perform()
        wait_for(full, 5, 'full screen after a click')
        wait_for(lambda: page('getComputedStyle(document.body).cursor') == 'none', 5, 'the cursor hidden')
        # The first move sets the reference; 4 pixels from it (|dx| + |dy|) keep the saver, 5 end it.
        for dx, dy in [(1, 0), (2, 1), (1, 0)]:
            ActionChains(browser).move_by_offset(dx, dy).perform()
        time.sleep(0.5)
        self.assertTrue(full(), 'ended by 4 pixels of travel')
        ActionChains(browser).move_by_offset(1, 0).perform()
        wait_for(lambda: not full(), 5, 'the end after 5 pixels of travel')
        ActionChains(browser).send_keys('a').perform()
        wait_for(full, 5, 'full screen after a key')
        ActionChains(browser).send_keys('b').perform()
        wait_for(lambda: not full(), 5, 'the end after a key')
        ActionChains(browser).click().perform()
        wait_for(full, 5, 'full screen after a click')
        ActionChains(browser).click().perform()
        wait_for(lambda: not full(), 5, 'the end after a button')
        time.sleep(0.5)
        self.assertFalse(full(), 'the click that ended full screen entered it again')

    def test_lost_context_restarts_the_scene(self):
        browser.execute_script("var gl = document.getElementById('canvas').getContext('webgl2');"
                               "var lose = gl.getExtension('WEBGL_lose_context'); lose.loseContext();"
                               "setTimeout(function () { lose.restoreContext(); }, 300);")
        wait_for(lambda: page('latticeDrift.restores') == 1 and page('latticeDrift.state') == 'running', 30,
                 'the restart')
        self.assertEqual(page('latticeDrift.losses'), 1)
        self.assertGreater(self.frames_after(2), 4)
        picture = page('latticeDrift.readPixels()')
        rgba = np.frombuffer(base64.b64decode(picture['rgba']), np.uint8)
        self.assertGreater(int(rgba.reshape(-1, 4)[:, :3].max()), 100, 'no lattice after the restart')

    def test_hidden_tab_draws_nothing(self):
        # The counts as the page goes hidden and comes back, taken by the page itself.
        browser.execute_script("window.counts = [];"
                               "document.addEventListener('visibilitychange', function () {"
                               "  counts.push([document.visibilityState, latticeDrift.frames]); });")
        page_tab = browser.current_window_handle
        browser.switch_to.new_window('tab')
        time.sleep(2)
        browser.close()
        browser.switch_to.window(page_tab)
        counts = wait_for(lambda: page('counts.length >= 2 && counts'), 10, 'hidden and visible again')
        self.assertEqual([counts[0][0], counts[1][0]], ['hidden', 'visible'])
        self.assertLessEqual(counts[1][1] - counts[0][1], 1)
        self.assertGreater(self.frames_after(2), 4)


class Messages(unittest.TestCase):
    def message_for(self, query):
        browser.get(url(query))
        wait_for(lambda: page('window.latticeDrift && latticeDrift.state') in ('message', 'running'), 60, query)
        self.assertEqual(page('latticeDrift.state'), 'message', query)
        # Shown as text: nothing the query holds becomes markup.
        self.assertEqual(page("document.querySelectorAll('#message *').length"), 0)
        self.assertTrue(page("getComputedStyle(document.getElementById('message')).display") != 'none')
        return page('latticeDrift.message')

    def test_bad_parameters_show_what_is_wrong(self):
        rows = [('?frames=abc', "frames: expected a whole number"),
                ('?seed=1&seed=2', "'seed' given twice"),
                ('?fps=30', 'add frames=N'),
                ('?%3Cb%3Ebold%3C%2Fb%3E=1', "unknown parameter '<b>bold</b>'"),
                ('?frames=%zz', 'malformed escape')]
        for query, expected in rows:
            with self.subTest(query=query):
                self.assertIn(expected, self.message_for(query))

    def test_no_webgl_shows_a_message(self):
        script = browser.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument',
                                         {'source': 'HTMLCanvasElement.prototype.getContext = function () { return null; };'})
        try:
            self.assertIn('needs WebGL 2', self.message_for(''))
        finally:
            browser.execute_cdp_cmd('Page.removeScriptToEvaluateOnNewDocument', script)


def process_cpu_seconds(driver):
    """CPU seconds of this driver's Chromium so far: all its processes, the GPU process, the page's
    renderer. Other browsers on the machine (other test runs) are not counted."""
    parents = {}
    commands = {}
    times = {}
    tick = os.sysconf('SC_CLK_TCK')
    for pid in filter(str.isdigit, os.listdir('/proc')):
        try:
            with open('/proc/%s/cmdline' % pid, 'rb') as f:
                commands[pid] = f.read().decode(errors='replace')
            with open('/proc/%s/stat' % pid) as f:
                fields = f.read().rsplit(')', 1)[1].split()
        except OSError:
            continue
        parents[pid] = fields[1]
        times[pid] = (int(fields[11]) + int(fields[12])) / tick
    root = str(driver.service.process.pid)
    total = gpu = renderer = 0.0
    for pid, seconds in times.items():
        ancestor = parents.get(pid)
        while ancestor is not None and ancestor != root and ancestor != '0':
            ancestor = parents.get(ancestor)
        if ancestor != root or 'chromedriver' in commands.get(pid, ''):
            continue
        total += seconds
        if '--type=gpu-process' in commands[pid]:
            gpu += seconds
        elif '--type=renderer' in commands[pid]:
            renderer += seconds
    return total, gpu, renderer


def measure(seconds):
    browser.get(url())
    wait_for(lambda: page('window.latticeDrift && latticeDrift.frames > 10'), 60, 'live frames')
    size = page("[document.getElementById('canvas').width, document.getElementById('canvas').height]")
    before = page('[latticeDrift.frames, latticeDrift.renderMs, performance.now()]')
    cpu_before = process_cpu_seconds(browser)
    time.sleep(seconds)
    after = page('[latticeDrift.frames, latticeDrift.renderMs, performance.now()]')
    cpu_after = process_cpu_seconds(browser)
    frames = after[0] - before[0]
    per_frame = lambda a, b: (b - a) * 1000 / max(frames, 1)
    print('live page at %dx%d: %d frames in %.1f s = %.1f frames/s' %
          (size[0], size[1], frames, (after[2] - before[2]) / 1000, frames * 1000 / (after[2] - before[2])))
    print('  our wasm and layer (the module\'s frame on the page\'s thread): %.2f ms per frame' %
          ((after[1] - before[1]) / max(frames, 1)))
    print('  CPU per frame: all of Chromium %.1f ms, the GPU process (SwiftShader, the browser\'s GL) %.1f ms, '
          'the page\'s renderer %.1f ms' % (per_frame(cpu_before[0], cpu_after[0]),
                                           per_frame(cpu_before[1], cpu_after[1]),
                                           per_frame(cpu_before[2], cpu_after[2])))


class Summary(unittest.TextTestResult):
    """Counts each test once, failed if any of its parts failed."""
    def __init__(self, *a, **k):
        super().__init__(*a, **k)
        self.failed_tests = set()

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self.failed_tests.add(test.id())

    def addError(self, test, err):
        super().addError(test, err)
        self.failed_tests.add(getattr(test, 'id', lambda: str(test))())

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is not None:
            self.failed_tests.add(test.id())


def main():
    global args, server, browser, workdir
    parser = argparse.ArgumentParser()
    parser.add_argument('build')
    parser.add_argument('renderer')
    parser.add_argument('--frames', default='1,150,600', type=lambda s: [int(n) for n in s.split(',')])
    parser.add_argument('--measure', type=float)
    parser.add_argument('--screenshot', nargs=2, metavar=('FILE', 'QUERY'))
    args = parser.parse_args()
    workdir = tempfile.mkdtemp(prefix='latticedrift-web.')
    failed = 0
    result = None
    try:
        for needed in [os.path.join(args.build, name) for name in ('index.html', 'latticedrift.js',
                                                                   'latticedrift.wasm')] + [args.renderer]:
            if not os.path.isfile(needed):
                raise RuntimeError('missing ' + needed)
        server = start_server(args.build)
        browser = start_browser()
        if args.measure:
            measure(args.measure)
            return 0
        if args.screenshot:
            query = args.screenshot[1]
            fixed_run(query, int(query.split('frames=')[1].split('&')[0]))
            browser.get_screenshot_as_file(args.screenshot[0])
            return 0
        suite = unittest.TestSuite()
        for case in (FixedRuns, LivePage, Messages):
            suite.addTests(unittest.defaultTestLoader.loadTestsFromTestCase(case))
        result = unittest.TextTestRunner(resultclass=Summary, verbosity=2, stream=sys.stdout).run(suite)
    except Exception as error:  # a check that could not run at all counts as one failure
        print('browser checks could not run: %s' % error)
        failed = 1
    finally:
        if browser is not None:
            browser.quit()
        if server is not None:
            server.shutdown()
        subprocess.run(['rm', '-rf', workdir])
    if result is not None:
        failed += len(result.failed_tests)
        print('%d passed, %d failed' % (result.testsRun - len(result.failed_tests), failed))
    elif not (args.measure or args.screenshot):
        print('0 passed, %d failed' % failed)
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
