// Fog, one light and the lighting model from which the light's and the material's colours are
// derived; each hands its settings to GL once, at start-up. Part of the scene.
#ifndef LATTICEDRIFT_SCENE_LIGHTS_H
#define LATTICEDRIFT_SCENE_LIGHTS_H

#include <cstdint>

// Number of lights GL guarantees (GL_LIGHT0 to GL_LIGHT7).
constexpr int MAX_LIGHTS = 8;

// A point in scene units.
struct LightPoint {
    float x;
    float y;
    float z;
};

// A colour whose channels are declared red, blue, green; users address them by name only.
struct LightColor {
    float r;
    float b;
    float g;
};

class FogSettings {
public:
    FogSettings();
    virtual ~FogSettings();

    // Stores the fog colour; nothing is handed to GL.
    void setColor(float r, float g, float b, float a);
    // Linear fog with the stored colour, start and end. Does not enable GL_FOG.
    void apply() const;

    float color[4];
    float start;
    float end;
};

class Light {
public:
    Light();
    virtual ~Light();

    // Derives position from location (z flipped) and hands position and spot direction to GL,
    // which transforms them by the current model-view matrix.
    void place();
    // place, then switches the light on.
    void enable();
    // Draws a small sphere of the light's colour at its location (without the z flip).
    void drawMarker() const;

    std::int32_t index;
    float markerRadius;
    float position[4];
    float spotDirection[4];
    LightPoint location;
    LightColor color;
};

class LightingModel {
public:
    LightingModel();
    virtual ~LightingModel();

    // Stores the ambient, diffuse, specular and material specular factors, in that order.
    void setFactors(float ambient, float diffuse, float specular, float materialSpecular);
    // Hands GL the light model's ambient colour, the material's specular colour and shininess, and
    // the light's ambient, diffuse, specular and spot settings, all derived from tint x light colour.
    void apply(const Light& light) const;

    float ambientFactor;
    float diffuseFactor;
    float specularFactor;
    float materialSpecularFactor;
    float spotExponent;
    float spotCutoff;
    std::int32_t shininess;
    LightColor tint;
};

#endif
