// The WebGL 2 side of our OpenGL 1.1 layer (webgl_backend.h), an emscripten JS library: the
// layer's shader programs by key, the picture, vertex buffers and textures by small integer ids.
// The page hands the context over as Module.webglContext, made with preserveDrawingBuffer, and the
// picture is its canvas: frames draw straight into it and it outlives every frame, so that the
// browser shows it as it is (a copy to the canvas would cost as much as a third of a frame on
// software WebGL). The shaders' source and every number in it come from the layer
// (webgl_program.cpp).

var LibraryLatticeDriftGpu = {
  $LDGPU: {
    gl: null,
    ready: false,
    objects: [null],
    // Programs by key: { program, u: uniform locations, seen: the input versions it was handed }.
    programs: {},
    current: null,
    // The texture that an exactly blending program reads the picture from.
    copy: null,
    width: 0,
    height: 0,
    stream: null,
    streamBytes: 0,
    quadCapacity: 0,
    sizes: [],
    arrayOn: [],
    // The shaders' inputs, and a version of each group that grows with every change: a program
    // that draws is handed the groups whose version it has not seen (a switch re-sends them). Made
    // at the first open: the library's objects are written out as text, typed arrays as plain ones.
    inputs: null,
    versions: [1, 1, 1, 1, 1, 1],
    MATRICES: 0, VIEWPORT: 1, POINT_SIZE: 2, FOG: 3, LIGHTING: 4, TEX_ENV: 5,
    UNIFORMS: ['uMvp', 'uModelView', 'uNormalMatrix', 'uViewport', 'uPointSize', 'uFog', 'uFogColour', 'uLighting',
               'uTexEnvColour', 'uTexture', 'uPrevious'],

    makeInputs: function() {
      return {
        mvp: new Float32Array(16),
        modelView: new Float32Array(16),
        normal: new Float32Array(9),
        viewport: new Float32Array(4),
        pointSize: 1,
        fog: new Float32Array(3),
        fogColour: new Float32Array(3),
        lighting: new Float32Array(0),
        texEnvColour: new Float32Array(4)
      };
    },

    // Copy `count` floats from the module's memory at `address`, or four values, into an input;
    // they allocate nothing, as frames call them.
    fromHeap: function(to, address, count) {
      for (var i = 0, at = address >> 2; i < count; ++i)
        to[i] = HEAPF32[at + i];
    },

    setFour: function(to, a, b, c, d) {
      to[0] = a;
      to[1] = b;
      to[2] = c;
      to[3] = d;
    },

    changed: function(group) {
      LDGPU.versions[group] += 1;
    },

    // Hands the current program the inputs it has not seen.
    update: function() {
      var gl = LDGPU.gl, p = LDGPU.current, u = p.u, seen = p.seen, versions = LDGPU.versions, d = LDGPU.inputs;
      if (seen[0] !== versions[0]) {
        gl.uniformMatrix4fv(u.uMvp, false, d.mvp);
        if (u.uModelView)
          gl.uniformMatrix4fv(u.uModelView, false, d.modelView);
        if (u.uNormalMatrix)
          gl.uniformMatrix3fv(u.uNormalMatrix, false, d.normal);
      }
      if (seen[1] !== versions[1] && u.uViewport)
        gl.uniform4fv(u.uViewport, d.viewport);
      if (seen[2] !== versions[2])
        gl.uniform1f(u.uPointSize, d.pointSize);
      if (seen[3] !== versions[3] && u.uFog) {
        gl.uniform3fv(u.uFog, d.fog);
        gl.uniform3fv(u.uFogColour, d.fogColour);
      }
      if (seen[4] !== versions[4] && u.uLighting && d.lighting.length > 0)
        gl.uniform4fv(u.uLighting, d.lighting);
      if (seen[5] !== versions[5] && u.uTexEnvColour)
        gl.uniform4fv(u.uTexEnvColour, d.texEnvColour);
      for (var g = 0; g < versions.length; ++g)
        seen[g] = versions[g];
    },

    // A texture for the picture's copy; null, with nothing left behind, when the GPU cannot make it.
    // Texture unit 1 keeps the copy in use (see useCopy).
    makeCopy: function(gl, width, height) {
      // The page's largest allocations: a failure shows as GL's out of memory, never an exception.
      for (var stale = 0; stale < 8 && gl.getError() !== gl.NO_ERROR; ++stale) {}
      var copy = gl.createTexture();
      gl.activeTexture(gl.TEXTURE1);
      gl.bindTexture(gl.TEXTURE_2D, copy);
      gl.texStorage2D(gl.TEXTURE_2D, 1, gl.RGBA8, width, height);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
      if (gl.getError() !== gl.NO_ERROR) {
        gl.deleteTexture(copy);
        copy = null;
      }
      gl.bindTexture(gl.TEXTURE_2D, LDGPU.copy);
      gl.activeTexture(gl.TEXTURE0);
      return copy;
    },

    // Binds the copy that an exactly blending program reads, and that ld_gpu_copy_picture fills, on
    // texture unit 1.
    useCopy: function(gl, copy) {
      LDGPU.copy = copy;
      gl.activeTexture(gl.TEXTURE1);
      gl.bindTexture(gl.TEXTURE_2D, copy);
      gl.activeTexture(gl.TEXTURE0);
    },

    // Gives the canvas a drawing buffer of width x height; false when the browser could give it
    // less (it does so quietly when memory runs short). A change of size clears the picture.
    sizeCanvas: function(gl, width, height) {
      var canvas = gl.canvas;
      // Writing either side, even unchanged, clears the drawing buffer.
      if (canvas.width !== width)
        canvas.width = width;
      if (canvas.height !== height)
        canvas.height = height;
      // The canvas has an alpha channel, so that a copy of it is a plain copy between images of one
      // format (from a canvas without one, software WebGL converts every pixel, 150 times slower);
      // it is opaque all the same: alpha is cleared to 1 here and never written (see ld_gpu_open).
      gl.colorMask(false, false, false, true);
      gl.clearColor(0, 0, 0, 1);
      gl.clear(gl.COLOR_BUFFER_BIT);
      gl.colorMask(true, true, true, false);
      return gl.drawingBufferWidth === width && gl.drawingBufferHeight === height;
    },

    // Draws the lower left width x height of a copy texture into the picture.
    drawBack: function(gl, copy, width, height) {
      var framebuffer = gl.createFramebuffer();
      gl.bindFramebuffer(gl.READ_FRAMEBUFFER, framebuffer);
      gl.framebufferTexture2D(gl.READ_FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, copy, 0);
      gl.bindFramebuffer(gl.DRAW_FRAMEBUFFER, null);
      gl.blitFramebuffer(0, 0, width, height, 0, 0, width, height, gl.COLOR_BUFFER_BIT, gl.NEAREST);
      gl.bindFramebuffer(gl.FRAMEBUFFER, null);
      gl.deleteFramebuffer(framebuffer);
    },

    add: function(object) {
      LDGPU.objects.push(object);
      return LDGPU.objects.length - 1;
    },

    // Indices that draw quads 0-1-2-3 as triangles 0-1-2 and 0-2-3, for `vertices` vertices.
    quadIndicesFor: function(gl, vertices) {
      if (vertices <= LDGPU.quadCapacity)
        return;
      var capacity = Math.max(1024, LDGPU.quadCapacity);
      while (capacity < vertices)
        capacity *= 2;
      var quads = capacity / 4;
      var indices = new Uint32Array(quads * 6);
      for (var q = 0; q < quads; ++q) {
        var v = q * 4, i = q * 6;
        indices[i] = v; indices[i + 1] = v + 1; indices[i + 2] = v + 2;
        indices[i + 3] = v; indices[i + 4] = v + 2; indices[i + 5] = v + 3;
      }
      gl.bufferData(gl.ELEMENT_ARRAY_BUFFER, indices, gl.STATIC_DRAW);
      LDGPU.quadCapacity = capacity;
    },

    // Binds `buffer`'s arrays for a draw and hands the program its inputs; false when the buffer
    // is gone (nothing is then changed).
    arrays: function(buffer, offsets) {
      var gl = LDGPU.gl;
      var source = buffer ? LDGPU.objects[buffer] : LDGPU.stream;
      if (!source || !LDGPU.current)
        return false;
      LDGPU.update();
      gl.bindBuffer(gl.ARRAY_BUFFER, source);
      for (var a = 0; a < LDGPU.sizes.length; ++a) {
        var offset = HEAP32[(offsets >> 2) + a];
        var on = offset >= 0;
        if (on !== LDGPU.arrayOn[a]) {
          on ? gl.enableVertexAttribArray(a) : gl.disableVertexAttribArray(a);
          LDGPU.arrayOn[a] = on;
        }
        if (on)
          gl.vertexAttribPointer(a, LDGPU.sizes[a], gl.FLOAT, false, 0, offset);
      }
      return true;
    },

    // The picture's pixels, rows bottom first, for the page's checks.
    readPicture: function() {
      var gl = LDGPU.gl;
      if (!LDGPU.ready)
        return null;
      var pixels = new Uint8Array(LDGPU.width * LDGPU.height * 4);
      gl.readPixels(0, 0, LDGPU.width, LDGPU.height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
      return { width: LDGPU.width, height: LDGPU.height, pixels: pixels };
    }
  },

  ld_gpu_open: function(width, height, attributeSizes, attributes) {
    var gl = Module['webglContext'];
    LDGPU.ready = false;
    if (!gl || gl.isContextLost())
      return 0;
    LDGPU.gl = gl;
    LDGPU.inputs = LDGPU.inputs || LDGPU.makeInputs();
    LDGPU.objects = [null];
    LDGPU.programs = {};
    LDGPU.current = null;
    LDGPU.copy = null;
    gl.bindFramebuffer(gl.FRAMEBUFFER, null);
    if (!LDGPU.sizeCanvas(gl, width, height))
      return 0;
    var copy = LDGPU.makeCopy(gl, width, height);
    if (!copy)
      return 0;
    LDGPU.useCopy(gl, copy);
    LDGPU.width = width;
    LDGPU.height = height;
    gl.bindVertexArray(gl.createVertexArray());
    LDGPU.stream = gl.createBuffer();
    LDGPU.streamBytes = 0;
    LDGPU.quadCapacity = 0;
    gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, gl.createBuffer());
    LDGPU.sizes = [];
    LDGPU.arrayOn = [];
    for (var a = 0; a < attributes; ++a) {
      LDGPU.sizes.push(HEAP32[(attributeSizes >> 2) + a]);
      // The position always has an array; the others start with their constant values.
      LDGPU.arrayOn.push(a === 0);
      a === 0 ? gl.enableVertexAttribArray(a) : gl.disableVertexAttribArray(a);
    }
    gl.pixelStorei(gl.UNPACK_ALIGNMENT, 1);
    gl.activeTexture(gl.TEXTURE0);
    // A fresh GL context's state, where WebGL's differs or may have been changed before a loss.
    gl.disable(gl.BLEND);
    gl.disable(gl.DEPTH_TEST);
    gl.disable(gl.CULL_FACE);
    gl.enable(gl.DITHER);
    gl.blendFunc(gl.ONE, gl.ZERO);
    gl.depthFunc(gl.LESS);
    gl.depthMask(true);
    gl.colorMask(true, true, true, false);
    gl.viewport(0, 0, width, height);
    LDGPU.setFour(LDGPU.inputs.viewport, 0, 0, width, height);
    LDGPU.changed(LDGPU.VIEWPORT);
    Module['readPicture'] = LDGPU.readPicture;
    LDGPU.ready = true;
    return 1;
  },

  ld_gpu_resize: function(width, height) {
    var gl = LDGPU.gl;
    if (!LDGPU.ready)
      return 0;
    if (width === LDGPU.width && height === LDGPU.height)
      return 1;
    var fresh = LDGPU.makeCopy(gl, width, height);
    if (!fresh)
      return 0;
    // The old picture waits in its copy while the canvas changes size, which clears it; the
    // trails go on where the old picture and the new one overlap.
    var old = LDGPU.copy, oldWidth = LDGPU.width, oldHeight = LDGPU.height;
    gl.activeTexture(gl.TEXTURE1);
    gl.copyTexSubImage2D(gl.TEXTURE_2D, 0, 0, 0, 0, 0, oldWidth, oldHeight);
    gl.activeTexture(gl.TEXTURE0);
    var resized = LDGPU.sizeCanvas(gl, width, height);
    if (!resized) {
      gl.deleteTexture(fresh);
      LDGPU.sizeCanvas(gl, oldWidth, oldHeight);
      LDGPU.drawBack(gl, old, oldWidth, oldHeight);
      return 0;
    }
    LDGPU.drawBack(gl, old, Math.min(width, oldWidth), Math.min(height, oldHeight));
    var mask = gl.getParameter(gl.DEPTH_WRITEMASK);
    gl.depthMask(true);
    gl.clear(gl.DEPTH_BUFFER_BIT);
    gl.depthMask(mask);
    LDGPU.useCopy(gl, fresh);
    gl.deleteTexture(old);
    LDGPU.width = width;
    LDGPU.height = height;
    return 1;
  },

  ld_gpu_forget: function() {
    LDGPU.ready = false;
    LDGPU.objects = [null];
    LDGPU.programs = {};
    LDGPU.current = null;
    LDGPU.copy = null;
  },

  ld_gpu_finish: function() {
    if (LDGPU.ready)
      LDGPU.gl.finish();
  },

  ld_gpu_capability: function(cap, on) {
    if (LDGPU.ready)
      on ? LDGPU.gl.enable(cap) : LDGPU.gl.disable(cap);
  },

  ld_gpu_blend_func: function(src, dst) {
    if (LDGPU.ready)
      LDGPU.gl.blendFunc(src, dst);
  },

  ld_gpu_depth_func: function(func) {
    if (LDGPU.ready)
      LDGPU.gl.depthFunc(func);
  },

  ld_gpu_depth_mask: function(on) {
    if (LDGPU.ready)
      LDGPU.gl.depthMask(!!on);
  },

  ld_gpu_viewport: function(x, y, width, height) {
    if (!LDGPU.ready)
      return;
    LDGPU.gl.viewport(x, y, width, height);
    LDGPU.setFour(LDGPU.inputs.viewport, x, y, width, height);
    LDGPU.changed(LDGPU.VIEWPORT);
  },

  ld_gpu_clear: function(mask, r, g, b, a) {
    if (!LDGPU.ready)
      return;
    LDGPU.gl.clearColor(r, g, b, a);
    LDGPU.gl.clear(mask);
  },

  ld_gpu_program_use: function(key) {
    var p = LDGPU.ready ? LDGPU.programs[key] : null;
    if (!p)
      return 0;
    if (p !== LDGPU.current) {
      LDGPU.gl.useProgram(p.program);
      LDGPU.current = p;
    }
    return 1;
  },

  ld_gpu_program_make: function(key, vertex, fragment) {
    if (!LDGPU.ready)
      return 0;
    var gl = LDGPU.gl;
    function stage(type, source) {
      var shader = gl.createShader(type);
      gl.shaderSource(shader, UTF8ToString(source));
      gl.compileShader(shader);
      if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS) && !gl.isContextLost())
        console.error('Lattice Drift: shader ' + key + ': ' + gl.getShaderInfoLog(shader));
      return shader;
    }
    var program = gl.createProgram();
    var shaders = [stage(gl.VERTEX_SHADER, vertex), stage(gl.FRAGMENT_SHADER, fragment)];
    shaders.forEach(function(shader) { gl.attachShader(program, shader); });
    gl.linkProgram(program);
    shaders.forEach(function(shader) { gl.deleteShader(shader); });
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) {
      if (!gl.isContextLost())
        console.error('Lattice Drift: shader program ' + key + ': ' + gl.getProgramInfoLog(program));
      gl.deleteProgram(program);
      return 0;
    }
    gl.useProgram(program);
    var u = {};
    LDGPU.UNIFORMS.forEach(function(name) {
      u[name] = gl.getUniformLocation(program, name);
    });
    gl.uniform1i(u.uTexture, 0);
    gl.uniform1i(u.uPrevious, 1);
    var p = { program: program, u: u, seen: LDGPU.versions.map(function() { return 0; }) };
    LDGPU.programs[key] = p;
    LDGPU.current = p;
    return 1;
  },

  ld_gpu_matrices: function(mvp, modelView, normal) {
    var d = LDGPU.inputs;
    LDGPU.fromHeap(d.mvp, mvp, 16);
    LDGPU.fromHeap(d.modelView, modelView, 16);
    LDGPU.fromHeap(d.normal, normal, 9);
    LDGPU.changed(LDGPU.MATRICES);
  },

  ld_gpu_point_size: function(size) {
    LDGPU.inputs.pointSize = size;
    LDGPU.changed(LDGPU.POINT_SIZE);
  },

  ld_gpu_fog: function(start, end, density, colour) {
    var d = LDGPU.inputs;
    d.fog[0] = start;
    d.fog[1] = end;
    d.fog[2] = density;
    LDGPU.fromHeap(d.fogColour, colour, 3);
    LDGPU.changed(LDGPU.FOG);
  },

  ld_gpu_lighting: function(block, vec4s) {
    var d = LDGPU.inputs;
    if (d.lighting.length !== vec4s * 4)
      d.lighting = new Float32Array(vec4s * 4);
    LDGPU.fromHeap(d.lighting, block, vec4s * 4);
    LDGPU.changed(LDGPU.LIGHTING);
  },

  ld_gpu_tex_env_colour: function(colour) {
    LDGPU.fromHeap(LDGPU.inputs.texEnvColour, colour, 4);
    LDGPU.changed(LDGPU.TEX_ENV);
  },

  ld_gpu_attribute: function(index, x, y, z, w) {
    if (LDGPU.ready)
      LDGPU.gl.vertexAttrib4f(index, x, y, z, w);
  },

  ld_gpu_buffer_create: function(data, bytes) {
    if (!LDGPU.ready)
      return 0;
    var gl = LDGPU.gl, buffer = gl.createBuffer();
    gl.bindBuffer(gl.ARRAY_BUFFER, buffer);
    gl.bufferData(gl.ARRAY_BUFFER, HEAPU8, gl.STATIC_DRAW, data, bytes);
    return LDGPU.add(buffer);
  },

  ld_gpu_buffer_delete: function(id) {
    if (LDGPU.ready && LDGPU.objects[id]) {
      LDGPU.gl.deleteBuffer(LDGPU.objects[id]);
      LDGPU.objects[id] = null;
    }
  },

  ld_gpu_stream: function(data, bytes) {
    if (!LDGPU.ready)
      return;
    var gl = LDGPU.gl;
    gl.bindBuffer(gl.ARRAY_BUFFER, LDGPU.stream);
    if (bytes > LDGPU.streamBytes) {
      LDGPU.streamBytes = Math.max(bytes, 2 * LDGPU.streamBytes, 65536);
      gl.bufferData(gl.ARRAY_BUFFER, LDGPU.streamBytes, gl.DYNAMIC_DRAW);
    }
    gl.bufferSubData(gl.ARRAY_BUFFER, 0, HEAPU8, data, bytes);
  },

  ld_gpu_copy_picture: function() {
    if (!LDGPU.ready)
      return;
    // A copy between images of one format, which software WebGL does as a plain memory copy: a
    // blit goes through its per-pixel blitter and costs 30 times as much.
    var gl = LDGPU.gl;
    gl.activeTexture(gl.TEXTURE1);
    gl.copyTexSubImage2D(gl.TEXTURE_2D, 0, 0, 0, 0, 0, LDGPU.width, LDGPU.height);
    gl.activeTexture(gl.TEXTURE0);
  },

  ld_gpu_draw: function(mode, first, count, buffer, offsets) {
    if (LDGPU.ready && LDGPU.arrays(buffer, offsets))
      LDGPU.gl.drawArrays(mode, first, count);
  },

  ld_gpu_draw_quads: function(first, count, buffer, offsets) {
    if (!LDGPU.ready || !LDGPU.arrays(buffer, offsets))
      return;
    LDGPU.quadIndicesFor(LDGPU.gl, first + count);
    LDGPU.gl.drawElements(LDGPU.gl.TRIANGLES, count / 4 * 6, LDGPU.gl.UNSIGNED_INT, first / 4 * 6 * 4);
  },

  ld_gpu_texture_create: function() {
    return LDGPU.ready ? LDGPU.add(LDGPU.gl.createTexture()) : 0;
  },

  ld_gpu_texture_delete: function(id) {
    if (LDGPU.ready && LDGPU.objects[id]) {
      LDGPU.gl.deleteTexture(LDGPU.objects[id]);
      LDGPU.objects[id] = null;
    }
  },

  ld_gpu_texture_bind: function(id) {
    if (LDGPU.ready)
      LDGPU.gl.bindTexture(LDGPU.gl.TEXTURE_2D, LDGPU.objects[id] || null);
  },

  ld_gpu_texture_parameter: function(pname, value) {
    if (LDGPU.ready)
      LDGPU.gl.texParameteri(LDGPU.gl.TEXTURE_2D, pname, value);
  },

  ld_gpu_texture_image: function(level, width, height, rgba) {
    if (!LDGPU.ready)
      return;
    var gl = LDGPU.gl;
    gl.texImage2D(gl.TEXTURE_2D, level, gl.RGBA8, width, height, 0, gl.RGBA, gl.UNSIGNED_BYTE, HEAPU8, rgba);
  },

  ld_gpu_texture_sub_image: function(level, x, y, width, height, rgba) {
    if (!LDGPU.ready)
      return;
    var gl = LDGPU.gl;
    gl.texSubImage2D(gl.TEXTURE_2D, level, x, y, width, height, gl.RGBA, gl.UNSIGNED_BYTE, HEAPU8, rgba);
  }
};

autoAddDeps(LibraryLatticeDriftGpu, '$LDGPU');
mergeInto(LibraryManager.library, LibraryLatticeDriftGpu);
