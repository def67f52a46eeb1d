#!/usr/bin/env python3
# The released page from its unpacked tarball: served over HTTP, a fixed run in headless Chromium
# draws what the headless renderer draws (the machinery and goals of tests/web/browser_checks.py).
#   release_page_check.py PAGE_DIR RENDERER   prints one PASS or FAIL line; exits non-zero on FAIL
import argparse
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'web'))
import browser_checks as checks  # noqa: E402

FRAMES = 150


def main():
    page_dir, renderer = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as work:
        checks.workdir = work
        checks.args = argparse.Namespace(renderer=renderer)
        checks.server = checks.start_server(page_dir)
        checks.browser = checks.start_browser()
        try:
            ours = checks.fixed_run('?seed=%d&fps=60&frames=%d&size=800x600' % (checks.SEED, FRAMES), FRAMES)
            within, mean, _ = checks.compare(ours, checks.reference(FRAMES))
        finally:
            checks.browser.quit()
            checks.server.shutdown()
    lit = int((ours.max(axis=2) >= 64).sum())
    ok = within >= checks.WITHIN_8_GOAL and mean < checks.MEAN_GOAL and lit >= 300
    print('%s the released page serves and draws frame %d as the renderer does: %.3f%% of pixels within 8 '
          'levels, mean %.4f, %d lit pixels' % ('PASS' if ok else 'FAIL', FRAMES, within, mean, lit))
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
