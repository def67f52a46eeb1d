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
  // The live canvas's size in device pixels as the page last laid it out, whatever the context's
  // state; a size the GPU could not make a picture of, not tried again until the layout changes.
  var wantedSize = null;
  var refusedSize = null;
  // The largest picture side this context allows, read while it is usable.
  var sideLimit = 0;
  var seenRatio = window.devicePixelRatio || 1;
  var pointerRef = null;
  var nextSlice = new MessageChannel();
  var slicePaused = false;

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

  // The largest side of a picture: a renderbuffer, a viewport and a texture (the picture's copy)
  // must all hold it. Read once per context: a lost context answers null.
  function readSideLimit() {
    var dims = gl.getParameter(gl.MAX_VIEWPORT_DIMS);
    var limits = [gl.getParameter(gl.MAX_RENDERBUFFER_SIZE), gl.getParameter(gl.MAX_TEXTURE_SIZE),
                  dims && dims[0], dims && dims[1]];
    if (limits.every(function (n) { return n > 0; }))
      sideLimit = Math.min.apply(null, limits);
  }

  // A size in device pixels held to the side limit (if one could be read), the aspect kept.
  function fitted(size) {
    var scale = sideLimit > 0 ? Math.min(1, sideLimit / Math.max(size[0], size[1])) : 1;
    return [Math.max(1, Math.floor(size[0] * scale)), Math.max(1, Math.floor(size[1] * scale))];
  }

  // The canvas's size in device pixels, so that one point is one device pixel.
  function layoutSize() {
    var ratio = window.devicePixelRatio || 1;
    return [Math.max(1, Math.round(canvas.clientWidth * ratio)), Math.max(1, Math.round(canvas.clientHeight * ratio))];
  }

  // Follows the canvas's size in device pixels as its box's observer reports it.
  function watchSize() {
    var observer = new ResizeObserver(function (entries) {
      var box = entries[0].devicePixelContentBoxSize && entries[0].devicePixelContentBoxSize[0];
      wantedSize = box ? [Math.max(1, box.inlineSize), Math.max(1, box.blockSize)] : layoutSize();
    });
    try {
      observer.observe(canvas, { box: 'device-pixel-content-box' });
    } catch (e) {
      observer.observe(canvas);
    }
  }

  // Whether the device pixel ratio changed since the last call (a zoom, a move to another
  // display). Not every browser reports that to the box's observer, or as a media query's change.
  function ratioChanged() {
    var ratio = window.devicePixelRatio || 1;
    if (ratio === seenRatio)
      return false;
    seenRatio = ratio;
    return true;
  }

  // Gives the live picture, and with it the canvas, the size the layout wants if the GPU can make a
  // picture of it; else the picture keeps its size (the page stretches it).
  function followSize() {
    if (ratioChanged())
      wantedSize = layoutSize();
    if (!wantedSize)
      return;
    var size = fitted(wantedSize);
    if ((size[0] === canvas.width && size[1] === canvas.height) ||
        (refusedSize && size[0] === refusedSize[0] && size[1] === refusedSize[1]))
      return;
    refusedSize = module._web_resize(size[0], size[1]) ? null : size;
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
      followSize();
      var started = performance.now();
      module._web_live_frame();
      api.renderMs += performance.now() - started;
      api.frames += 1;
    } catch (e) {
      fail('a frame failed', e);
    }
  }

  // A fixed run's canvas in CSS pixels: one pixel of the picture on one device pixel.
  function fixedScale() {
    var ratio = window.devicePixelRatio || 1;
    canvas.style.width = module._web_fixed_width() / ratio + 'px';
    canvas.style.height = module._web_fixed_height() / ratio + 'px';
  }

  function fixedSlice() {
    if (!running)
      return;
    if (ratioChanged())
      fixedScale();
    // Message channels are not throttled in a hidden tab: the run waits there until it is shown.
    if (document.hidden) {
      slicePaused = true;
      return;
    }
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
  document.addEventListener('visibilitychange', function () {
    if (!document.hidden && slicePaused) {
      slicePaused = false;
      nextSlice.port2.postMessage(null);
    }
  });

  // Starts the scene on a picture of `size`, which the module gives the canvas. A live picture too
  // large for the GPU's memory falls back to half the size, and so on; a fixed run has the size it
  // asked for or none.
  function startScene(size) {
    for (;;) {
      if (module._web_start(size[0], size[1]))
        return true;
      if (fixedFrames > 0 || gl.isContextLost() || (size[0] === 1 && size[1] === 1))
        return false;
      size = [Math.max(1, size[0] >> 1), Math.max(1, size[1] >> 1)];
    }
  }

  // Starts the scene, or starts it again on a restored context at the size the layout has now.
  function begin() {
    readSideLimit();
    if (ratioChanged() && fixedFrames === 0)
      wantedSize = layoutSize();
    var size = fixedFrames > 0 ? [module._web_fixed_width(), module._web_fixed_height()] : fitted(wantedSize);
    refusedSize = null;
    if (!startScene(size)) {
      show('Lattice Drift could not set up WebGL 2 for its ' + size[0] + 'x' + size[1] + ' picture.');
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

  // Full screen where the browser offers it (iPhone Safari does not): elsewhere nothing happens.
  function enterFullscreen() {
    var root = document.documentElement;
    if (api.state !== 'running' || typeof root.requestFullscreen !== 'function')
      return;
    var entered = root.requestFullscreen({ navigationUI: 'hide' });
    if (entered && entered.catch)
      entered.catch(function () {});
  }

  function leaveFullscreen() {
    if (!inFullscreen() || typeof document.exitFullscreen !== 'function')
      return;
    var left = document.exitFullscreen();
    if (left && left.catch)
      left.catch(function () {});
  }

  // A click or a key enters full screen; there a key, a button or more than 4 pixels of pointer
  // travel leave it, as the saver's own rules end it. The pointer's position is known only from
  // its events, and its coordinates shift as the page goes full screen, so the first move there
  // sets the reference.
  function watchInput() {
    var pressedInFullscreen = false;
    document.addEventListener('click', function () {
      // The click whose press left full screen must not enter it again.
      if (!pressedInFullscreen && !inFullscreen())
        enterFullscreen();
      pressedInFullscreen = false;
    });
    document.addEventListener('keydown', function (e) {
      if (e.repeat)
        return;
      if (inFullscreen())
        leaveFullscreen();
      else
        enterFullscreen();
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

  // Hands the module the query through its heap (a URL may be megabytes long; the stack is small);
  // returns "" or the message to show. An overlong query gets no room, and the module says so.
  function configure(query) {
    var bytes = module.lengthBytesUTF8(query) + 1;
    var buffer = module._web_query_buffer(bytes);
    if (buffer)
      module.stringToUTF8(query, buffer, bytes);
    return module.UTF8ToString(module._web_configure());
  }

  function start() {
    var problem = configure(location.search);
    if (problem) {
      show(problem);
      return;
    }
    // The layer draws its picture straight into the canvas, which keeps it from frame to frame; its
    // alpha stays 1 (see webgl_backend.js).
    gl = canvas.getContext('webgl2', { alpha: true, depth: true, stencil: false, antialias: false,
                                       premultipliedAlpha: true, preserveDrawingBuffer: true });
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
    readSideLimit();
    if (fixedFrames > 0) {
      var w = module._web_fixed_width(), h = module._web_fixed_height();
      if (Math.max(w, h) > sideLimit) {
        show('Lattice Drift: size ' + w + 'x' + h + ' is larger than this browser\'s WebGL allows (' +
             sideLimit + ' pixels a side).');
        return;
      }
      document.body.classList.add('fixed');
      fixedScale();
    } else {
      wantedSize = layoutSize();
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
      ? ': this browser does not read it from a file. Serve the page\'s folder instead, for example\n' +
        'with python3 -m http.server run in it'
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
