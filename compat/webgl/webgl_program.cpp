// The layer's GLSL (see webgl_program.h): GL 1.1's fixed-function vertex and fragment stages for the
// core's subset, specialised by #defines. The numbers the shaders share with the layer (attribute
// locations, the lighting block's slots) are written into each source from the layer's own enums.
#include "compat/webgl/webgl_program.h"

#include "compat/webgl/webgl_context.h"

namespace {

const char* const VERTEX_BODY = R"(
layout(location = 0) in vec3 aPosition;
layout(location = LOCATION_COLOUR) in vec4 aColour;
layout(location = LOCATION_NORMAL) in vec3 aNormal;
layout(location = LOCATION_TEXCOORD) in vec2 aTexCoord;
uniform mat4 uMvp;
uniform float uPointSize;
out vec4 vColour;
#ifdef TEXTURE
out vec2 vTexCoord;
#endif
#ifdef FOG
out float vFogDistance;
#endif
#if defined(FOG) || defined(LIGHTING)
uniform mat4 uModelView;
#endif
#ifdef LIGHTING
uniform mat3 uNormalMatrix;
uniform vec4 uLighting[LIGHTING_VEC4S];
// GL 1.1 lighting with one light, per vertex.
vec4 lit(vec4 eye, vec4 colour) {
#ifdef AMBIENT_FROM_COLOUR
  vec4 ambient = colour;
#else
  vec4 ambient = uLighting[MATERIAL_AMBIENT];
#endif
#ifdef DIFFUSE_FROM_COLOUR
  vec4 diffuse = colour;
#else
  vec4 diffuse = uLighting[MATERIAL_DIFFUSE];
#endif
  vec3 c = uLighting[MATERIAL_EMISSION].rgb + ambient.rgb * uLighting[MODEL_AMBIENT].rgb;
#ifdef LIGHT0
  vec3 v = eye.xyz / eye.w;
  vec4 p = uLighting[LIGHT_POSITION];
  vec3 toLight = p.w != 0.0 ? p.xyz / p.w - v : p.xyz;
  float attenuation = 1.0;
  if (p.w != 0.0) {
    float d = length(toLight);
    attenuation = 1.0 / (uLighting[LIGHT_ATTENUATION].x + uLighting[LIGHT_ATTENUATION].y * d +
                         uLighting[LIGHT_ATTENUATION].z * d * d);
  }
  vec3 l = normalize(toLight);
  if (uLighting[LIGHT_ATTENUATION].w > -1.5) {
    float s = dot(-l, normalize(uLighting[LIGHT_SPOT].xyz));
    attenuation *= s >= uLighting[LIGHT_ATTENUATION].w ? pow(max(s, 0.0), uLighting[LIGHT_SPOT].w) : 0.0;
  }
  vec3 n = uNormalMatrix * aNormal;
  float nl = max(dot(n, l), 0.0);
#ifdef LOCAL_VIEWER
  vec3 h = normalize(l + normalize(-v));
#else
  vec3 h = normalize(l + vec3(0.0, 0.0, 1.0));
#endif
  float nh = max(dot(n, h), 0.0);
  vec3 term = ambient.rgb * uLighting[LIGHT_AMBIENT].rgb + nl * diffuse.rgb * uLighting[LIGHT_DIFFUSE].rgb;
  if (nl > 0.0) {
    float shine = uLighting[MATERIAL_SHININESS].x == 0.0 ? 1.0 : pow(nh, uLighting[MATERIAL_SHININESS].x);
    term += shine * uLighting[MATERIAL_SPECULAR].rgb * uLighting[LIGHT_SPECULAR].rgb;
  }
  c += attenuation * term;
#endif
  return vec4(clamp(c, 0.0, 1.0), clamp(diffuse.a, 0.0, 1.0));
}
#endif
#if defined(PLACE_POINTS) || defined(PLACE_RECTANGLES)
uniform vec4 uViewport;
// The window position of a vertex as GL rasterisers (Mesa's among them) hold it: on a grid of
// 1/256 pixel. The browser's grid may be coarser, which moves points and edges that lie close to
// pixel centres; so points and rectangles are placed where the finer grid puts them.
vec2 window_position() {
  vec2 halfSize = 0.5 * uViewport.zw;
  vec2 win = (gl_Position.xy / gl_Position.w) * halfSize + (uViewport.xy + halfSize);
  return floor(win * 256.0 + 0.5) / 256.0;
}
void place(vec2 win) {
  gl_Position.xy = ((win - uViewport.xy) / uViewport.zw * 2.0 - 1.0) * gl_Position.w;
}
#endif
void main() {
  vec4 p = vec4(aPosition, 1.0);
  gl_Position = uMvp * p;
#ifdef PLACE_POINTS
  // A point of size 1 lights the pixel its position falls in: put it at that pixel's centre.
  if (gl_Position.w > 0.0)
    place(floor(window_position()) + 0.5);
#endif
#ifdef PLACE_RECTANGLES
  // A rectangle covers the pixel centres on or past its lower and left edges and short of its upper
  // and right ones: put its corners on pixel boundaries that leave the same centres in.
  if (gl_Position.w > 0.0)
    place(ceil(window_position() - 0.5));
#endif
  gl_PointSize = uPointSize;
#if defined(FOG) || defined(LIGHTING)
  vec4 eye = uModelView * p;
#endif
#ifdef FOG
  vFogDistance = abs(eye.z);
#endif
#ifdef LIGHTING
  vColour = lit(eye, aColour);
#else
  vColour = aColour;
#endif
#ifdef TEXTURE
  vTexCoord = aTexCoord;
#endif
}
)";

const char* const FRAGMENT_BODY = R"(
in vec4 vColour;
out vec4 fragColour;
#ifdef TEXTURE
in vec2 vTexCoord;
uniform sampler2D uTexture;
uniform vec4 uTexEnvColour;
#endif
#ifdef FOG
in float vFogDistance;
uniform vec3 uFog;
uniform vec3 uFogColour;
#endif
#ifdef EXACT_BLEND
uniform sampler2D uPrevious;
// x * y / 255 for whole numbers from 0 to 255, rounded as Mesa's software rasteriser rounds it in
// 8-bit fixed point: (p + (p >> 8) + 128) >> 8. Every step is a whole number below 2^24, so float
// gives it exactly, and software WebGL's integer arithmetic would cost twice as much.
vec4 mul_unorm8(vec4 x, vec4 y) {
  vec4 p = x * y;
  return floor((p + floor(p / 256.0) + 128.0) / 256.0);
}
// Source alpha over the picture in 8-bit arithmetic: colour and alpha rounded to 8 bits first.
vec4 blend_unorm8(vec4 colour) {
  vec4 s = roundEven(clamp(colour, 0.0, 1.0) * 255.0);
  vec4 d = round(texelFetch(uPrevious, ivec2(gl_FragCoord.xy), 0) * 255.0);
  return (mul_unorm8(s, vec4(s.a)) + mul_unorm8(d, vec4(255.0 - s.a))) / 255.0;
}
#endif
void main() {
  vec4 c = vColour;
#ifdef TEXTURE
  vec4 t = texture(uTexture, vTexCoord);
#if defined(TEX_REPLACE)
  c = t;
#elif defined(TEX_DECAL)
  c = vec4(mix(c.rgb, t.rgb, t.a), c.a);
#elif defined(TEX_BLEND)
  c = vec4(mix(c.rgb, uTexEnvColour.rgb, t.rgb), c.a * t.a);
#else
  c *= t;
#endif
#endif
#ifdef FOG
  float f;
#if defined(FOG_LINEAR)
  f = uFog.y != uFog.x ? (uFog.y - vFogDistance) / (uFog.y - uFog.x) : 1.0;
#elif defined(FOG_EXP)
  f = exp(-uFog.z * vFogDistance);
#else
  f = exp(-(uFog.z * vFogDistance) * (uFog.z * vFogDistance));
#endif
  c.rgb = mix(uFogColour, c.rgb, clamp(f, 0.0, 1.0));
#endif
#ifdef EXACT_BLEND
  fragColour = blend_unorm8(c);
#else
  fragColour = c;
#endif
}
)";

void define(std::string* out, const char* name, int value)
{
    *out += "#define ";
    *out += name;
    *out += ' ';
    *out += std::to_string(value);
    *out += '\n';
}

void define_if(std::string* out, bool on, const char* name)
{
    if (!on)
        return;
    *out += "#define ";
    *out += name;
    *out += '\n';
}

// The lines both stages start with: the version, the precision, the shared numbers and the
// program's features.
void preamble(int key, std::string* out)
{
    *out = "#version 300 es\nprecision highp float;\nprecision highp int;\n";
    define(out, "LOCATION_COLOUR", 1 + ATTRIBUTE_COLOUR);
    define(out, "LOCATION_NORMAL", 1 + ATTRIBUTE_NORMAL);
    define(out, "LOCATION_TEXCOORD", 1 + ATTRIBUTE_TEXCOORD);
    const struct {
        const char* name;
        LightingSlot slot;
    } SLOTS[] = {{"LIGHT_POSITION", LIGHT_POSITION},       {"LIGHT_AMBIENT", LIGHT_AMBIENT},
                 {"LIGHT_DIFFUSE", LIGHT_DIFFUSE},         {"LIGHT_SPECULAR", LIGHT_SPECULAR},
                 {"LIGHT_SPOT", LIGHT_SPOT},               {"LIGHT_ATTENUATION", LIGHT_ATTENUATION},
                 {"MODEL_AMBIENT", MODEL_AMBIENT},         {"MATERIAL_AMBIENT", MATERIAL_AMBIENT},
                 {"MATERIAL_DIFFUSE", MATERIAL_DIFFUSE},   {"MATERIAL_SPECULAR", MATERIAL_SPECULAR},
                 {"MATERIAL_EMISSION", MATERIAL_EMISSION}, {"MATERIAL_SHININESS", MATERIAL_SHININESS},
                 {"LIGHTING_VEC4S", LIGHTING_VEC4S}};
    for (const auto& s : SLOTS)
        define(out, s.name, s.slot);

    const int fog = key & PROGRAM_FOG_MASK;
    define_if(out, fog != 0, "FOG");
    define_if(out, fog == PROGRAM_FOG_LINEAR, "FOG_LINEAR");
    define_if(out, fog == PROGRAM_FOG_EXP, "FOG_EXP");
    const int tex = key & PROGRAM_TEX_MASK;
    define_if(out, tex != 0, "TEXTURE");
    define_if(out, tex == PROGRAM_TEX_REPLACE, "TEX_REPLACE");
    define_if(out, tex == PROGRAM_TEX_DECAL, "TEX_DECAL");
    define_if(out, tex == PROGRAM_TEX_BLEND, "TEX_BLEND");
    define_if(out, (key & PROGRAM_LIGHTING) != 0, "LIGHTING");
    define_if(out, (key & PROGRAM_LIGHT0) != 0, "LIGHT0");
    define_if(out, (key & PROGRAM_LOCAL_VIEWER) != 0, "LOCAL_VIEWER");
    define_if(out, (key & PROGRAM_AMBIENT_FROM_COLOUR) != 0, "AMBIENT_FROM_COLOUR");
    define_if(out, (key & PROGRAM_DIFFUSE_FROM_COLOUR) != 0, "DIFFUSE_FROM_COLOUR");
    define_if(out, (key & PROGRAM_EXACT_BLEND) != 0, "EXACT_BLEND");
    define_if(out, (key & PROGRAM_PLACE_POINTS) != 0, "PLACE_POINTS");
    define_if(out, (key & PROGRAM_PLACE_RECTANGLES) != 0, "PLACE_RECTANGLES");
}

} // namespace

void program_sources(int key, std::string* vertex, std::string* fragment)
{
    preamble(key, vertex);
    *fragment = *vertex;
    *vertex += VERTEX_BODY;
    *fragment += FRAGMENT_BODY;
}
