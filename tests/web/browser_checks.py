#!/usr/bin/env python3
# The page in headless Chromium (software WebGL 2 through SwiftShader), served from this process:
# fixed runs against latticedrift-render's frames and what reaches the screen, a picture with every
# developer switch, the live page (frames, seed, full screen, a lost context, a hidden tab, resizes),
# two device pixels a CSS pixel, the browser's limits (memory, no Fullscreen API) and the messages.
#
#   browser_checks.py BUILD_WEB RENDERER [--frames 1,150,600]   the checks; ends "N passed, N failed"
#   browser_checks.py BUILD_WEB RENDERER --measure SECONDS       live figures at 800x600, no checks
#   browser_checks.py BUILD_WEB RENDERER --screenshot FILE QUERY the 800x600 page once a fixed run is done
import argparse
import base64
import functools
import http.server
import io
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
# Frames that SwiftShader draws exactly as Mesa does. In the others a few points land one pixel
# over (its window positions are coarser: see the README), each leaving two wrong pixels: 8 to 22
# pixels differ in frames 600, 1800 and 6000.
EXACT_FRAMES = (1, 150)
POINTS_OVER_LIMIT = 64
# With every switch the overlay's linear filtering differs by up to 3 levels in 2.8% of the pixels.
FILTERING_LEVELS = 3
FILTERING_LIMIT = 24000
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


def set_viewport(width, height, scale=1):
    browser.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                            {'width': width, 'height': height, 'deviceScaleFactor': scale, 'mobile': False})


def canvas_size():
    return page("[document.getElementById('canvas').width, document.getElementById('canvas').height]")


def lattice_shown():
    """Whether the picture holds bright points (the lattice), not a black or empty canvas."""
    picture = page('latticeDrift.readPixels()')
    rgba = np.frombuffer(base64.b64decode(picture['rgba']), np.uint8)
    return int(rgba.reshape(-1, 4)[:, :3].max()) > 100


def lose_context(restore_after_ms=None):
    browser.execute_script("var gl = document.getElementById('canvas').getContext('webgl2');"
                           "window.lose = gl.getExtension('WEBGL_lose_context'); lose.loseContext();" +
                           ('' if restore_after_ms is None else
                            'setTimeout(function () { lose.restoreContext(); }, %d);' % restore_after_ms))


def screen():
    """What the browser shows, in device pixels, RGB."""
    return np.asarray(Image.open(io.BytesIO(browser.get_screenshot_as_png())).convert('RGB'))


def fixed_query(frames, switches=()):
    return '?seed=%d&fps=60&frames=%d&size=800x600%s' % (SEED, frames, ''.join('&' + s[2:] for s in switches))


def differing(ours, theirs, levels=0):
    """Pixels that differ by more than `levels` in any channel, and the largest difference."""
    difference = np.abs(ours.astype(int) - theirs.astype(int)).max(axis=2)
    return int((difference > levels).sum()), int(difference.max())


class FixedRuns(unittest.TestCase):
    def check_against_renderer(self, frames, switches=(), levels=0, limit=0):
        """The fixed run's last frame against the renderer's: at most `limit` pixels more than
        `levels` apart; returns both frames."""
        ours = fixed_run(fixed_query(frames, switches), frames)
        theirs = reference(frames, switches)
        beyond, largest = differing(ours, theirs, levels)
        print('  frame %d%s: %d pixels differ by more than %d levels (at most %d allowed), largest %d' %
              (frames, ' ' + ' '.join(switches) if switches else '', beyond, levels, limit, largest), flush=True)
        self.assertLessEqual(beyond, limit)
        return ours, theirs

    def test_frames_match_the_headless_renderer(self):
        for frames in args.frames:
            with self.subTest(frame=frames):
                ours = self.check_against_renderer(frames, limit=0 if frames in EXACT_FRAMES else POINTS_OVER_LIMIT)[0]
                # What reaches the screen: the canvas fills the 800x600 viewport, a pixel a pixel.
                self.assertEqual(differing(screen(), ours)[0], 0, 'the screen differs from the picture')

    def test_every_switch_matches_the_headless_renderer(self):
        # The overlay's mipmapped texture, the point field's list, the textured and lit lattice.
        ours, theirs = self.check_against_renderer(
            240, ('--overlay', '--point-field', '--point-texture', '--point-lighting'), FILTERING_LEVELS, 0)
        self.assertLessEqual(differing(ours, theirs)[0], FILTERING_LIMIT)


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
        lose_context(restore_after_ms=300)
        wait_for(lambda: page('latticeDrift.restores') == 1 and page('latticeDrift.state') == 'running', 30,
                 'the restart')
        self.assertEqual(page('latticeDrift.losses'), 1)
        self.assertGreater(self.frames_after(2), 4)
        self.assertTrue(lattice_shown(), 'no lattice after the restart')

    def test_picture_follows_resizes_even_while_the_context_is_lost(self):
        self.addCleanup(set_viewport, 800, 600)
        set_viewport(640, 480)
        wait_for(lambda: canvas_size() == [640, 480], 10, 'the canvas at 640x480')
        self.assertGreater(self.frames_after(1), 2)
        self.assertTrue(lattice_shown(), 'no lattice after the resize')
        # A phone turned while its GPU process restarts: the size changes between loss and restore.
        lose_context()
        wait_for(lambda: page('latticeDrift.state') == 'lost', 10, 'the loss')
        set_viewport(560, 700)
        time.sleep(0.5)
        browser.execute_script('lose.restoreContext();')
        wait_for(lambda: page('latticeDrift.state') == 'running', 30, 'the restart')
        self.assertEqual(canvas_size(), [560, 700])
        self.assertGreater(self.frames_after(1), 2)
        self.assertTrue(lattice_shown(), 'no lattice after the restart')
        self.assertEqual(console_problems(), [])

    def test_hidden_tab_draws_nothing(self):
        # Live and fixed alike; a fixed run may finish the slice of frames it was drawing.
        for query, most in (('', 1), ('?seed=1&frames=1000000', 12)):
            with self.subTest(query=query):
                browser.get(url(query))
                wait_for(lambda: page('window.latticeDrift && latticeDrift.frames > 2'), 60, 'frames')
                # The counts as the page goes hidden and comes back, taken by the page itself.
                browser.execute_script("window.counts = [];"
                                       "document.addEventListener('visibilitychange', function () {"
                                       "  counts.push([document.visibilityState, latticeDrift.frames]); });")
                page_tab = browser.current_window_handle
                browser.switch_to.new_window('tab')
                time.sleep(3)
                browser.close()
                browser.switch_to.window(page_tab)
                counts = wait_for(lambda: page('counts.length >= 2 && counts'), 10, 'hidden and visible again')
                self.assertEqual([counts[0][0], counts[1][0]], ['hidden', 'visible'])
                self.assertLessEqual(counts[1][1] - counts[0][1], most)
                self.assertGreater(self.frames_after(2), 4)


class TwoDevicePixels(unittest.TestCase):
    """The page in a second browser at two device pixels a CSS pixel, as on most phones."""
    @classmethod
    def setUpClass(cls):
        global browser
        cls.first = browser
        browser = start_browser(scale=2, profile='profile-scale-2')

    @classmethod
    def tearDownClass(cls):
        global browser
        browser.quit()
        browser = cls.first

    def test_a_picture_pixel_is_a_device_pixel(self):
        # Live: the canvas has the viewport's device pixels, and follows a change of ratio alone.
        browser.get(url())
        wait_for(lambda: page('window.latticeDrift && latticeDrift.frames > 2'), 60, 'live frames')
        self.assertEqual(canvas_size(), [1600, 1200])
        set_viewport(800, 600, scale=1)
        wait_for(lambda: canvas_size() == [800, 600], 10, 'the canvas at ratio 1')
        set_viewport(800, 600, scale=2)
        wait_for(lambda: canvas_size() == [1600, 1200], 10, 'the canvas at ratio 2 again')
        self.assertTrue(lattice_shown())
        # Fixed: the renderer's frame, shown at 400x300 CSS pixels in the middle, one to one.
        ours = fixed_run(fixed_query(150), 150)
        self.assertEqual(differing(ours, reference(150))[0], 0)
        self.assertEqual(differing(screen()[300:900, 400:1200], ours)[0], 0, 'the screen differs from the picture')
        self.assertEqual(console_problems(), [])


class Limits(unittest.TestCase):
    """What the browser or the GPU cannot give: memory for a picture, full screen."""
    def load_with(self, script, query=''):
        added = browser.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': script})
        self.addCleanup(browser.execute_cdp_cmd, 'Page.removeScriptToEvaluateOnNewDocument', added)
        console_problems()
        browser.get(url(query))
        wait_for(lambda: page('window.latticeDrift && latticeDrift.state') in ('running', 'message', 'done'), 60,
                 query)

    def test_a_picture_too_large_for_memory_falls_back_or_says_so(self):
        # Browsers give a canvas a smaller drawing buffer, quietly, when memory runs short: here
        # anything over 600 pixels a side.
        self.addCleanup(set_viewport, 800, 600)
        self.load_with("['drawingBufferWidth', 'drawingBufferHeight'].forEach(function (name) {"
                       "  var real = Object.getOwnPropertyDescriptor(WebGL2RenderingContext.prototype, name).get;"
                       "  Object.defineProperty(WebGL2RenderingContext.prototype, name,"
                       "    { get: function () { return Math.min(real.call(this), 600); } }); });")
        # The live page starts at half the size; a resize that does not fit keeps that picture.
        self.assertEqual(page('latticeDrift.state'), 'running')
        self.assertEqual(canvas_size(), [400, 300])
        set_viewport(700, 500)
        time.sleep(1)
        self.assertEqual(canvas_size(), [400, 300])
        set_viewport(560, 420)
        wait_for(lambda: canvas_size() == [560, 420], 10, 'the canvas at 560x420')
        wait_for(lambda: page('latticeDrift.frames') > 10, 30, 'frames')
        self.assertTrue(lattice_shown())
        self.assertEqual(console_problems(), [])
        # A fixed run has its size or none.
        browser.get(url('?frames=3&size=800x600'))
        wait_for(lambda: page('window.latticeDrift && latticeDrift.state') == 'message', 30, 'the message')
        self.assertIn('could not set up WebGL 2 for its 800x600 picture', page('latticeDrift.message'))

    def test_a_side_over_the_limits_scales_the_picture_down_whole(self):
        # The picture's copy is a texture: its largest side counts, and both sides shrink alike.
        self.load_with("var real = WebGL2RenderingContext.prototype.getParameter;"
                       "WebGL2RenderingContext.prototype.getParameter = function (name) {"
                       "  return name === this.MAX_TEXTURE_SIZE ? 500 : real.call(this, name); };")
        self.assertEqual(canvas_size(), [500, 375])
        self.assertEqual(console_problems(), [])

    def test_no_fullscreen_api_is_no_error(self):
        # iPhone Safari: no requestFullscreen, exitFullscreen or fullscreenElement.
        self.load_with('delete Element.prototype.requestFullscreen; delete Document.prototype.exitFullscreen;'
                       'delete Document.prototype.fullscreenElement;')
        ActionChains(browser).move_to_element_with_offset(browser.find_element('tag name', 'body'), 0, 0) \
            .click().send_keys('a').click().perform()
        time.sleep(0.5)
        self.assertEqual(page('latticeDrift.state'), 'running')
        self.assertEqual(console_problems(), [])


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
                ('?frames=%zz', 'malformed escape'),
                ('?seed=1&' + 'x' * 3000, 'the query is 3008 characters long')]
        for query, expected in rows:
            with self.subTest(query=query[:40]):
                self.assertIn(expected, self.message_for(query))

    def test_a_query_of_megabytes_is_refused(self):
        # More than the module's stack once held (the start-up failed with an out-of-bounds access).
        # Browsers take URLs of up to 2 MB; this test's server takes 64 KB, so the page sets its own.
        script = browser.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {
            'source': "history.replaceState(null, '', location.pathname + '?' + 'y'.repeat(1400000));"})
        try:
            self.assertIn('the query is 1400001 characters long', self.message_for(''))
        finally:
            browser.execute_cdp_cmd('Page.removeScriptToEvaluateOnNewDocument', script)

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
        for case in (FixedRuns, LivePage, TwoDevicePixels, Limits, Messages):
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
