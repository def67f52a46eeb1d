// The WebGL 2 side of our OpenGL 1.1 layer (webgl_backend.h), an emscripten JS library: one
// fixed-function shader, the picture in a framebuffer that outlives every frame, vertex buffers
// and textures by small integer ids. The page hands the context over as Module.webglContext.

var LibraryLatticeDriftGpu = {
  $LDGPU: {
    gl: null,
    ready: false,
    objects: [null],
    u: null,
    picture: null,
    width: 0,
    height: 0,
    stream: null,
    streamBytes: 0,
    quadIndices: null,
    quadCapacity: 0,
    arrayOn: [true, false, false, false],

    VERTEX: [
      '#version 300 es',
      'precision highp float;',
      'precision highp int;',
      'layout(location = 0) in vec3 aPosition;',
      'layout(location = 1) in vec4 aColour;',
      'layout(location = 2) in vec3 aNormal;',
      'layout(location = 3) in vec2 aTexCoord;',
      'uniform mat4 uMvp;',
      'uniform mat4 uModelView;',
      'uniform mat3 uNormalMatrix;',
      'uniform int uFlags;',
      'uniform float uPointSize;',
      // Light and material, in the order of LightingSlot (webgl_context.h).
      'uniform vec4 uLighting[12];',
      'out vec4 vColour;',
      'out vec2 vTexCoord;',
      'out float vFogDistance;',
      // GL 1.1 lighting with one light, per vertex.
      'vec4 lit(vec4 eye, vec4 colour) {',
      '  vec4 ambient = (uFlags & 8) != 0 ? colour : uLighting[7];',
      '  vec4 diffuse = (uFlags & 16) != 0 ? colour : uLighting[8];',
      '  vec3 c = uLighting[10].rgb + ambient.rgb * uLighting[6].rgb;',
      '  if ((uFlags & 64) != 0) {',
      '    vec3 v = eye.xyz / eye.w;',
      '    vec4 p = uLighting[0];',
      '    vec3 toLight = p.w != 0.0 ? p.xyz / p.w - v : p.xyz;',
      '    float attenuation = 1.0;',
      '    if (p.w != 0.0) {',
      '      float d = length(toLight);',
      '      attenuation = 1.0 / (uLighting[5].x + uLighting[5].y * d + uLighting[5].z * d * d);',
      '    }',
      '    vec3 l = normalize(toLight);',
      '    if (uLighting[5].w > -1.5) {',
      '      float s = dot(-l, normalize(uLighting[4].xyz));',
      '      attenuation *= s >= uLighting[5].w ? pow(max(s, 0.0), uLighting[4].w) : 0.0;',
      '    }',
      '    vec3 n = uNormalMatrix * aNormal;',
      '    float nl = max(dot(n, l), 0.0);',
      '    vec3 h = normalize(l + ((uFlags & 32) != 0 ? normalize(-v) : vec3(0.0, 0.0, 1.0)));',
      '    float nh = max(dot(n, h), 0.0);',
      '    vec3 term = ambient.rgb * uLighting[1].rgb + nl * diffuse.rgb * uLighting[2].rgb;',
      '    if (nl > 0.0) {',
      '      float shine = uLighting[11].x == 0.0 ? 1.0 : pow(nh, uLighting[11].x);',
      '      term += shine * uLighting[9].rgb * uLighting[3].rgb;',
      '    }',
      '    c += attenuation * term;',
      '  }',
      '  return vec4(clamp(c, 0.0, 1.0), clamp(diffuse.a, 0.0, 1.0));',
      '}',
      'uniform vec4 uViewport;',
      'uniform int uRaster;',
      // The window position of a vertex as GL rasterisers (Mesa's among them) hold it: on a grid of
      // 1/256 pixel. The browser's grid may be coarser, which moves points and edges that lie close
      // to pixel centres; so points and rectangles are placed where the finer grid puts them.
      'vec2 window_position() {',
      '  vec2 halfSize = 0.5 * uViewport.zw;',
      '  vec2 win = (gl_Position.xy / gl_Position.w) * halfSize + (uViewport.xy + halfSize);',
      '  return floor(win * 256.0 + 0.5) / 256.0;',
      '}',
      'void place(vec2 win) {',
      '  gl_Position.xy = ((win - uViewport.xy) / uViewport.zw * 2.0 - 1.0) * gl_Position.w;',
      '}',
      'void main() {',
      '  vec4 p = vec4(aPosition, 1.0);',
      '  gl_Position = uMvp * p;',
      // A point of size 1 lights the pixel its position falls in: put it at that pixel's centre.
      '  if (uRaster == 1 && uPointSize == 1.0 && gl_Position.w > 0.0)',
      '    place(floor(window_position()) + 0.5);',
      // A rectangle covers the pixel centres on or past its lower and left edges and short of its
      // upper and right ones: put its corners on pixel boundaries that leave the same centres in.
      '  if (uRaster == 2 && gl_Position.w > 0.0)',
      '    place(ceil(window_position() - 0.5));',
      '  gl_PointSize = uPointSize;',
      '  vec4 eye = uModelView * p;',
      '  vFogDistance = abs(eye.z);',
      '  vColour = (uFlags & 2) != 0 ? lit(eye, aColour) : aColour;',
      '  vTexCoord = aTexCoord;',
      '}'
    ].join('\n'),

    FRAGMENT: [
      '#version 300 es',
      'precision highp float;',
      'precision highp int;',
      'in vec4 vColour;',
      'in vec2 vTexCoord;',
      'in float vFogDistance;',
      'uniform int uFlags;',
      'uniform int uTexEnv;',
      'uniform sampler2D uTexture;',
      'uniform vec4 uTexEnvColour;',
      'uniform int uFogMode;',
      'uniform vec3 uFog;',
      'uniform vec3 uFogColour;',
      'uniform int uExactBlend;',
      'uniform sampler2D uPrevious;',
      'out vec4 fragColour;',
      // x * y / 255 in 8-bit fixed point, rounded as Mesa's software rasteriser rounds it.
      'ivec4 mul_unorm8(ivec4 x, ivec4 y) {',
      '  ivec4 p = x * y;',
      '  return (p + (p >> 8) + 128) >> 8;',
      '}',
      // Source alpha over the picture in 8-bit arithmetic: colour and alpha rounded to 8 bits first.
      'vec4 blend_unorm8(vec4 colour) {',
      '  ivec4 s = ivec4(roundEven(clamp(colour, 0.0, 1.0) * 255.0));',
      '  ivec4 d = ivec4(round(texelFetch(uPrevious, ivec2(gl_FragCoord.xy), 0) * 255.0));',
      '  ivec4 a = ivec4(s.a);',
      '  return vec4(mul_unorm8(s, a) + mul_unorm8(d, 255 - a)) / 255.0;',
      '}',
      'void main() {',
      '  vec4 c = vColour;',
      '  if ((uFlags & 4) != 0) {',
      '    vec4 t = texture(uTexture, vTexCoord);',
      '    if (uTexEnv == 0x1E01) c = t;',
      '    else if (uTexEnv == 0x2101) c = vec4(mix(c.rgb, t.rgb, t.a), c.a);',
      '    else if (uTexEnv == 0x0BE2) c = vec4(mix(c.rgb, uTexEnvColour.rgb, t.rgb), c.a * t.a);',
      '    else c *= t;',
      '  }',
      '  if ((uFlags & 1) != 0) {',
      '    float f;',
      '    if (uFogMode == 0x2601) f = uFog.y != uFog.x ? (uFog.y - vFogDistance) / (uFog.y - uFog.x) : 1.0;',
      '    else if (uFogMode == 0x0800) f = exp(-uFog.z * vFogDistance);',
      '    else f = exp(-(uFog.z * vFogDistance) * (uFog.z * vFogDistance));',
      '    c.rgb = mix(uFogColour, c.rgb, clamp(f, 0.0, 1.0));',
      '  }',
      '  fragColour = uExactBlend != 0 ? blend_unorm8(c) : c;',
      '}'
    ].join('\n'),

    ATTRIBUTE_SIZE: [3, 4, 3, 2],

    // The program with its uniform locations, or null with the reason on the console.
    makeProgram: function(gl) {
      function stage(type, source) {
        var shader = gl.createShader(type);
        gl.shaderSource(shader, source);
        gl.compileShader(shader);
        if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS) && !gl.isContextLost())
          console.error('Lattice Drift: shader: ' + gl.getShaderInfoLog(shader));
        return shader;
      }
      var program = gl.createProgram();
      gl.attachShader(program, stage(gl.VERTEX_SHADER, LDGPU.VERTEX));
      gl.attachShader(program, stage(gl.FRAGMENT_SHADER, LDGPU.FRAGMENT));
      gl.linkProgram(program);
      if (!gl.getProgramParameter(program, gl.LINK_STATUS)) {
        if (!gl.isContextLost())
          console.error('Lattice Drift: shader program: ' + gl.getProgramInfoLog(program));
        return null;
      }
      gl.useProgram(program);
      var u = {};
      ['uRaster', 'uViewport', 'uMvp', 'uModelView', 'uNormalMatrix', 'uFlags', 'uPointSize', 'uLighting',
       'uTexEnv', 'uTexture', 'uTexEnvColour', 'uFogMode', 'uFog', 'uFogColour', 'uExactBlend',
       'uPrevious'].forEach(function(name) {
        u[name] = gl.getUniformLocation(program, name);
      });
      gl.uniform1i(u.uTexture, 0);
      gl.uniform1i(u.uPrevious, 1);
      return u;
    },

    // A picture of colour and depth renderbuffers, depth cleared to the far plane.
    makePicture: function(gl, width, height) {
      var p = {
        framebuffer: gl.createFramebuffer(),
        colour: gl.createRenderbuffer(),
        depth: gl.createRenderbuffer()
      };
      gl.bindRenderbuffer(gl.RENDERBUFFER, p.colour);
      gl.renderbufferStorage(gl.RENDERBUFFER, gl.RGBA8, width, height);
      gl.bindRenderbuffer(gl.RENDERBUFFER, p.depth);
      gl.renderbufferStorage(gl.RENDERBUFFER, gl.DEPTH_COMPONENT16, width, height);
      gl.bindFramebuffer(gl.FRAMEBUFFER, p.framebuffer);
      gl.framebufferRenderbuffer(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.RENDERBUFFER, p.colour);
      gl.framebufferRenderbuffer(gl.FRAMEBUFFER, gl.DEPTH_ATTACHMENT, gl.RENDERBUFFER, p.depth);
      if (gl.checkFramebufferStatus(gl.FRAMEBUFFER) !== gl.FRAMEBUFFER_COMPLETE)
        return null;
      // The copy an exactly blended draw reads the picture from (a draw cannot read its target).
      p.copy = gl.createTexture();
      gl.activeTexture(gl.TEXTURE1);
      gl.bindTexture(gl.TEXTURE_2D, p.copy);
      gl.texStorage2D(gl.TEXTURE_2D, 1, gl.RGBA8, width, height);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
      gl.activeTexture(gl.TEXTURE0);
      p.copyFramebuffer = gl.createFramebuffer();
      gl.bindFramebuffer(gl.FRAMEBUFFER, p.copyFramebuffer);
      gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, p.copy, 0);
      gl.bindFramebuffer(gl.FRAMEBUFFER, p.framebuffer);
      var mask = gl.getParameter(gl.DEPTH_WRITEMASK);
      gl.depthMask(true);
      gl.clear(gl.DEPTH_BUFFER_BIT);
      gl.depthMask(mask);
      return p;
    },

    dropPicture: function(gl, p) {
      gl.deleteFramebuffer(p.copyFramebuffer);
      gl.deleteTexture(p.copy);
      gl.deleteFramebuffer(p.framebuffer);
      gl.deleteRenderbuffer(p.colour);
      gl.deleteRenderbuffer(p.depth);
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

    // The picture's pixels, rows bottom first, for the page's checks.
    readPicture: function() {
      var gl = LDGPU.gl;
      if (!LDGPU.ready)
        return null;
      var pixels = new Uint8Array(LDGPU.width * LDGPU.height * 4);
      gl.bindFramebuffer(gl.FRAMEBUFFER, LDGPU.picture.framebuffer);
      gl.readPixels(0, 0, LDGPU.width, LDGPU.height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
      return { width: LDGPU.width, height: LDGPU.height, pixels: pixels };
    }
  },

  ld_gpu_open: function(width, height) {
    var gl = Module['webglContext'];
    LDGPU.ready = false;
    if (!gl || gl.isContextLost())
      return 0;
    LDGPU.gl = gl;
    LDGPU.objects = [null];
    LDGPU.u = LDGPU.makeProgram(gl);
    LDGPU.picture = LDGPU.u ? LDGPU.makePicture(gl, width, height) : null;
    if (!LDGPU.picture)
      return 0;
    LDGPU.width = width;
    LDGPU.height = height;
    gl.bindVertexArray(gl.createVertexArray());
    LDGPU.stream = gl.createBuffer();
    LDGPU.streamBytes = 0;
    LDGPU.quadCapacity = 0;
    gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, gl.createBuffer());
    gl.enableVertexAttribArray(0);
    for (var a = 1; a < 4; ++a)
      gl.disableVertexAttribArray(a);
    LDGPU.arrayOn = [true, false, false, false];
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
    gl.viewport(0, 0, width, height);
    gl.uniform4f(LDGPU.u.uViewport, 0, 0, width, height);
    Module['readPicture'] = LDGPU.readPicture;
    LDGPU.ready = true;
    return 1;
  },

  ld_gpu_resize: function(width, height) {
    var gl = LDGPU.gl;
    if (!LDGPU.ready || (width === LDGPU.width && height === LDGPU.height))
      return;
    var old = LDGPU.picture;
    var fresh = LDGPU.makePicture(gl, width, height);
    if (!fresh)
      return;
    // The trails go on where the old picture and the new one overlap.
    gl.bindFramebuffer(gl.READ_FRAMEBUFFER, old.framebuffer);
    gl.bindFramebuffer(gl.DRAW_FRAMEBUFFER, fresh.framebuffer);
    var w = Math.min(width, LDGPU.width), h = Math.min(height, LDGPU.height);
    gl.blitFramebuffer(0, 0, w, h, 0, 0, w, h, gl.COLOR_BUFFER_BIT, gl.NEAREST);
    gl.bindFramebuffer(gl.FRAMEBUFFER, fresh.framebuffer);
    LDGPU.dropPicture(gl, old);
    LDGPU.picture = fresh;
    LDGPU.width = width;
    LDGPU.height = height;
  },

  ld_gpu_present: function() {
    var gl = LDGPU.gl;
    if (!LDGPU.ready)
      return;
    gl.bindFramebuffer(gl.READ_FRAMEBUFFER, LDGPU.picture.framebuffer);
    gl.bindFramebuffer(gl.DRAW_FRAMEBUFFER, null);
    gl.blitFramebuffer(0, 0, LDGPU.width, LDGPU.height, 0, 0, gl.drawingBufferWidth, gl.drawingBufferHeight,
                       gl.COLOR_BUFFER_BIT, gl.NEAREST);
    gl.bindFramebuffer(gl.FRAMEBUFFER, LDGPU.picture.framebuffer);
  },

  ld_gpu_forget: function() {
    LDGPU.ready = false;
    LDGPU.objects = [null];
    LDGPU.picture = null;
    LDGPU.u = null;
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
    LDGPU.gl.uniform4f(LDGPU.u.uViewport, x, y, width, height);
  },

  ld_gpu_clear: function(mask, r, g, b, a) {
    if (!LDGPU.ready)
      return;
    LDGPU.gl.clearColor(r, g, b, a);
    LDGPU.gl.clear(mask);
  },

  ld_gpu_matrices: function(mvp, modelView, normal) {
    if (!LDGPU.ready)
      return;
    var gl = LDGPU.gl, u = LDGPU.u;
    gl.uniformMatrix4fv(u.uMvp, false, HEAPF32, mvp >> 2, 16);
    gl.uniformMatrix4fv(u.uModelView, false, HEAPF32, modelView >> 2, 16);
    gl.uniformMatrix3fv(u.uNormalMatrix, false, HEAPF32, normal >> 2, 9);
  },

  ld_gpu_shading: function(flags, texEnvMode, pointSize) {
    if (!LDGPU.ready)
      return;
    var gl = LDGPU.gl, u = LDGPU.u;
    gl.uniform1i(u.uFlags, flags);
    gl.uniform1i(u.uTexEnv, texEnvMode);
    gl.uniform1f(u.uPointSize, pointSize);
  },

  ld_gpu_fog: function(mode, start, end, density, colour) {
    if (!LDGPU.ready)
      return;
    var gl = LDGPU.gl, u = LDGPU.u;
    gl.uniform1i(u.uFogMode, mode);
    gl.uniform3f(u.uFog, start, end, density);
    gl.uniform3fv(u.uFogColour, HEAPF32, colour >> 2, 3);
  },

  ld_gpu_lighting: function(block) {
    if (LDGPU.ready)
      LDGPU.gl.uniform4fv(LDGPU.u.uLighting, HEAPF32, block >> 2, 48);
  },

  ld_gpu_tex_env_colour: function(colour) {
    if (LDGPU.ready)
      LDGPU.gl.uniform4fv(LDGPU.u.uTexEnvColour, HEAPF32, colour >> 2, 4);
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

  ld_gpu_draw: function(mode, count, buffer, offsets, raster, exactBlend) {
    if (!LDGPU.ready)
      return;
    var gl = LDGPU.gl;
    if (exactBlend) {
      var p = LDGPU.picture;
      gl.bindFramebuffer(gl.DRAW_FRAMEBUFFER, p.copyFramebuffer);
      gl.blitFramebuffer(0, 0, LDGPU.width, LDGPU.height, 0, 0, LDGPU.width, LDGPU.height, gl.COLOR_BUFFER_BIT,
                         gl.NEAREST);
      gl.bindFramebuffer(gl.FRAMEBUFFER, p.framebuffer);
      gl.disable(gl.BLEND);
      gl.uniform1i(LDGPU.u.uExactBlend, 1);
    }
    var source = buffer ? LDGPU.objects[buffer] : LDGPU.stream;
    if (!source)
      return;
    gl.bindBuffer(gl.ARRAY_BUFFER, source);
    for (var a = 0; a < 4; ++a) {
      var offset = HEAP32[(offsets >> 2) + a];
      var on = offset >= 0;
      if (on !== LDGPU.arrayOn[a]) {
        on ? gl.enableVertexAttribArray(a) : gl.disableVertexAttribArray(a);
        LDGPU.arrayOn[a] = on;
      }
      if (on)
        gl.vertexAttribPointer(a, LDGPU.ATTRIBUTE_SIZE[a], gl.FLOAT, false, 0, offset);
    }
    gl.uniform1i(LDGPU.u.uRaster, raster);
    if (mode === 7) {
      var vertices = count - count % 4;
      LDGPU.quadIndicesFor(gl, vertices);
      gl.drawElements(gl.TRIANGLES, vertices / 4 * 6, gl.UNSIGNED_INT, 0);
    } else if (mode === 8) {
      gl.drawArrays(gl.TRIANGLE_STRIP, 0, count - count % 2);
    } else {
      // GL_POLYGON (9) is convex: a fan.
      gl.drawArrays(mode === 9 ? gl.TRIANGLE_FAN : mode, 0, count);
    }
    if (exactBlend) {
      gl.uniform1i(LDGPU.u.uExactBlend, 0);
      gl.enable(gl.BLEND);
    }
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
    // GL 1.1's GL_CLAMP has no WebGL counterpart; clamping to the edge is the nearest.
    if (LDGPU.ready)
      LDGPU.gl.texParameteri(LDGPU.gl.TEXTURE_2D, pname, value === 0x2900 ? LDGPU.gl.CLAMP_TO_EDGE : value);
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
