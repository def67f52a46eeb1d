// The page's own script, appended to the WebAssembly loader in latticedrift.js: loads the module,
// makes the WebGL 2 context, drives live frames on requestAnimationFrame (at most 60 a second) or
// a fixed run in simulated time, full screen and its ending rules, a lost context, and messages.
// window.latticeDrift reports the state and frame count, and reads the picture for checks.
(function () {
  'use strict';

  var FRAME_MS = 1000 / 60;
  // Slack for the jitter of requestAnimationFrame's timestamps on a 60 Hz display.
  var FRAME_SLACK_MS = 1.5;
  // A fixed run draws for this long before it lets the page breathe.
  var FIXED_SLICE_MS = 40;

  var canvas = document.getElementById('canvas');
  var messageBox = document.getElementById('message');
  var module = null;
  var gl = null;
  var running = false;
  var fixedFrames = 0;
  var lastFrame = null;
  var pendingSize = null;
  var pointerRef = null;
  var nextSlice = new MessageChannel();

  var api = {
    state: 'loading',   // loading, running, done (a fixed run), lost, message
    message: '',
    frames: 0,          // frames drawn since the start (a fixed run: the frame number)
    renderMs: 0,        // time spent in the module's frames
    losses: 0,
    restores: 0,
    seed: null,         // the random generator's seed at the last start
    // The picture as base64 RGBA, rows top first, with its size; null before the start.
    readPixels: function () {
      var picture = module && module.readPicture ? module.readPicture() : null;
      if (!picture)
        return null;
      var rowBytes = picture.width * 4;
      var flipped = new Uint8Array(picture.pixels.length);
      for (var y = 0; y < picture.height; ++y)
        flipped.set(picture.pixels.subarray((picture.height - 1 - y) * rowBytes, (picture.height - y) * rowBytes),
                    y * rowBytes);
      var text = '';
      for (var i = 0; i < flipped.length; i += 0x8000)
        text += String.fromCharCode.apply(null, flipped.subarray(i, i + 0x8000));
      return { width: picture.width, height: picture.height, rgba: btoa(text) };
    }
  };
  window.latticeDrift = api;

  function setState(state) {
    api.state = state;
    document.documentElement.setAttribute('data-state', state);
  }

  function show(text) {
    running = false;
    api.message = text;
    messageBox.textContent = text;
    document.body.classList.add('message');
    document.title = 'Lattice Drift: ' + text;
    setState('message');
  }

  function fail(what, error) {
    show('Lattice Drift stopped: ' + what + (error ? ' (' + (error.message || error) + ')' : '') + '.');
  }

  function largestSide() {
    var dims = gl.getParameter(gl.MAX_VIEWPORT_DIMS);
    return Math.min(gl.getParameter(gl.MAX_RENDERBUFFER_SIZE), dims[0], dims[1]);
  }

  // The canvas in device pixels, so that one point is one device pixel.
  function liveSize() {
    var ratio = window.devicePixelRatio || 1;
    var limit = largestSide();
    return [Math.max(1, Math.min(limit, Math.round(canvas.clientWidth * ratio))),
            Math.max(1, Math.min(limit, Math.round(canvas.clientHeight * ratio)))];
  }

  function watchSize() {
    var ratio = window.devicePixelRatio || 1;
    var observer = new ResizeObserver(function (entries) {
      var entry = entries[0];
      var box = entry.devicePixelContentBoxSize && entry.devicePixelContentBoxSize[0];
      var w = box ? box.inlineSize : Math.round(entry.contentRect.width * ratio);
      var h = box ? box.blockSize : Math.round(entry.contentRect.height * ratio);
      var limit = largestSide();
      pendingSize = [Math.max(1, Math.min(limit, w)), Math.max(1, Math.min(limit, h))];
    });
    try {
      observer.observe(canvas, { box: 'device-pixel-content-box' });
    } catch (e) {
      observer.observe(canvas);
    }
  }

  function liveTick(now) {
    if (!running)
      return;
    requestAnimationFrame(liveTick);
    if (lastFrame !== null && now - lastFrame < FRAME_MS - FRAME_SLACK_MS)
      return;
    // Keep the 60 Hz cadence on faster displays; after a pause (a hidden tab) start afresh.
    lastFrame = lastFrame === null || now - lastFrame > 2 * FRAME_MS ? now : lastFrame + FRAME_MS;
    try {
      if (pendingSize && (pendingSize[0] !== canvas.width || pendingSize[1] !== canvas.height)) {
        canvas.width = pendingSize[0];
        canvas.height = pendingSize[1];
        module._web_resize(canvas.width, canvas.height);
      }
      pendingSize = null;
      var started = performance.now();
      module._web_live_frame();
      api.renderMs += performance.now() - started;
      api.frames += 1;
    } catch (e) {
      fail('a frame failed', e);
    }
  }

  function fixedSlice() {
    if (!running)
      return;
    try {
      var started = performance.now();
      var frame;
      do {
        frame = module._web_fixed_frame();
      } while (frame < fixedFrames && performance.now() - started < FIXED_SLICE_MS);
      api.renderMs += performance.now() - started;
      api.frames = frame;
      if (frame >= fixedFrames) {
        running = false;
        document.title = 'Lattice Drift: done';
        setState('done');
        return;
      }
      nextSlice.port2.postMessage(null);
    } catch (e) {
      fail('a frame failed', e);
    }
  }
  nextSlice.port1.onmessage = fixedSlice;

  // Starts the scene, or starts it again on a restored context.
  function begin() {
    if (!module._web_start(canvas.width, canvas.height)) {
      show('Lattice Drift could not set up WebGL 2 for its picture.');
      return;
    }
    running = true;
    api.seed = module._web_seed() >>> 0;
    setState('running');
    if (fixedFrames > 0) {
      api.frames = 0;
      nextSlice.port2.postMessage(null);
    } else {
      lastFrame = null;
      requestAnimationFrame(liveTick);
    }
  }

  function inFullscreen() {
    return !!document.fullscreenElement;
  }

  function leaveFullscreen() {
    if (inFullscreen())
      document.exitFullscreen().catch(function () {});
  }

  // A click or a key enters full screen; there a key, a button or more than 4 pixels of pointer
  // travel leave it, as the saver's own rules end it. The pointer's position is known only from
  // its events, and its coordinates shift as the page goes full screen, so the first move there
  // sets the reference.
  function watchInput() {
    var pressedInFullscreen = false;
    document.addEventListener('click', function () {
      // The click whose press left full screen must not enter it again.
      if (!pressedInFullscreen && !inFullscreen() && api.state === 'running')
        document.documentElement.requestFullscreen({ navigationUI: 'hide' }).catch(function () {});
      pressedInFullscreen = false;
    });
    document.addEventListener('keydown', function (e) {
      if (e.repeat)
        return;
      if (inFullscreen())
        leaveFullscreen();
      else if (api.state === 'running')
        document.documentElement.requestFullscreen({ navigationUI: 'hide' }).catch(function () {});
    });
    document.addEventListener('pointerdown', function () {
      pressedInFullscreen = inFullscreen();
      leaveFullscreen();
    });
    document.addEventListener('pointermove', function (e) {
      if (!inFullscreen())
        return;
      var ratio = window.devicePixelRatio || 1;
      var x = Math.round(e.screenX * ratio), y = Math.round(e.screenY * ratio);
      if (pointerRef === null)
        pointerRef = [x, y];
      else if (module._web_pointer_travel_ends(pointerRef[0], pointerRef[1], x, y))
        leaveFullscreen();
    });
    document.addEventListener('fullscreenchange', function () {
      pointerRef = null;
      document.body.classList.toggle('fullscreen', inFullscreen());
    });
  }

  function start() {
    var problem = module.ccall('web_configure', 'string', ['string'], [location.search]);
    if (problem) {
      show(problem);
      return;
    }
    gl = canvas.getContext('webgl2', { alpha: false, depth: false, stencil: false, antialias: false,
                                       premultipliedAlpha: false, preserveDrawingBuffer: false });
    if (!gl) {
      show('Lattice Drift needs WebGL 2, which this browser does not offer or has turned off.');
      return;
    }
    module.webglContext = gl;
    canvas.addEventListener('webglcontextlost', function (e) {
      // Without this the browser would not give the context back.
      e.preventDefault();
      running = false;
      api.losses += 1;
      module._web_lost();
      setState('lost');
    });
    canvas.addEventListener('webglcontextrestored', function () {
      if (api.state !== 'lost')
        return;
      api.restores += 1;
      begin();
    });

    fixedFrames = module._web_fixed_frames();
    if (fixedFrames > 0) {
      var w = module._web_fixed_width(), h = module._web_fixed_height();
      if (w > largestSide() || h > largestSide()) {
        show('Lattice Drift: size ' + w + 'x' + h + ' is larger than this browser\'s WebGL allows (' +
             largestSide() + ' pixels a side).');
        return;
      }
      var ratio = window.devicePixelRatio || 1;
      canvas.width = w;
      canvas.height = h;
      canvas.style.width = w / ratio + 'px';
      canvas.style.height = h / ratio + 'px';
      document.body.classList.add('fixed');
    } else {
      var size = liveSize();
      canvas.width = size[0];
      canvas.height = size[1];
      watchSize();
      watchInput();
    }
    begin();
  }

  if (typeof LatticeDriftModule !== 'function') {
    show('Lattice Drift could not load its script.');
    return;
  }
  // The module's loader reports a failure through onAbort, or only by rejecting its promise.
  function loadFailed(what) {
    if (api.state === 'message')
      return;
    var fromFile = location.protocol === 'file:';
    show('Lattice Drift could not load its WebAssembly' + (fromFile
      ? ': this browser does not read it from a file. Serve the folder instead, for example with\n' +
        'python3 -m http.server -d build/web'
      : ' (' + (what && what.message || what) + ').'));
  }
  LatticeDriftModule({ onAbort: loadFailed }).then(function (instance) {
    module = instance;
    try {
      start();
    } catch (e) {
      fail('the start-up failed', e);
    }
  }, loadFailed);
})();
