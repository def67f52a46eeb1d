// Fog, light and lighting model (see lights.h).
#include "scene/lights.h"

#include "draw/shapes.h"

#include <GL/gl.h>

namespace {

const GLenum LIGHT_NAMES[MAX_LIGHTS] = {GL_LIGHT0, GL_LIGHT1, GL_LIGHT2, GL_LIGHT3,
                                        GL_LIGHT4, GL_LIGHT5, GL_LIGHT6, GL_LIGHT7};

// The GL light for an index, or 0 for an index outside 0..7 (such a light is never touched).
GLenum light_name(std::int32_t index)
{
    return index >= 0 && index < MAX_LIGHTS ? LIGHT_NAMES[index] : 0;
}

} // namespace

FogSettings::FogSettings() : color{0.0f, 0.0f, 0.0f, 1.0f}, start(0.2f), end(2.0f)
{
}

FogSettings::~FogSettings() = default;

void FogSettings::setColor(float r, float g, float b, float a)
{
    color[0] = r;
    color[1] = g;
    color[2] = b;
    color[3] = a;
}

void FogSettings::apply() const
{
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogfv(GL_FOG_COLOR, color);
    glFogf(GL_FOG_START, start);
    glFogf(GL_FOG_END, end);
}

Light::Light()
    : index(0),
      markerRadius(1.0f),
      position{0.0f, 0.0f, 0.0f, 1.0f},
      spotDirection{0.0f, 0.0f, 0.0f, 1.0f},
      location{-1.0f, -1.0f, -1.0f},
      color{1.0f, 1.0f, 1.0f}
{
}

Light::~Light() = default;

void Light::place()
{
    position[0] = location.x;
    position[1] = location.y;
    position[2] = -location.z;
    const GLenum name = light_name(index);
    if (name == 0)
        return;
    glLightfv(name, GL_POSITION, position);
    glLightfv(name, GL_SPOT_DIRECTION, spotDirection);
}

void Light::enable()
{
    place();
    const GLenum name = light_name(index);
    if (name != 0)
        glEnable(name);
}

void Light::drawMarker() const
{
    glColor3f(color.r, color.g, color.b);
    glPushMatrix();
    glTranslatef(location.x, location.y, location.z);
    draw_sphere(markerRadius, 8, 8, 1.0, 1.0, 0.0, 0.0);
    glPopMatrix();
}

LightingModel::LightingModel()
    : ambientFactor(0.25f),
      diffuseFactor(0.5f),
      specularFactor(0.675f),
      materialSpecularFactor(0.99f),
      spotExponent(1.0f),
      spotCutoff(180.0f),
      shininess(20),
      tint{1.0f, 1.0f, 1.0f}
{
}

LightingModel::~LightingModel() = default;

void LightingModel::setFactors(float ambient, float diffuse, float specular, float materialSpecular)
{
    ambientFactor = ambient;
    diffuseFactor = diffuse;
    specularFactor = specular;
    materialSpecularFactor = materialSpecular;
}

void LightingModel::apply(const Light& light) const
{
    const float cr = tint.r * light.color.r;
    const float cg = tint.g * light.color.g;
    const float cb = tint.b * light.color.b;

    const float ambient[4] = {ambientFactor * cr, ambientFactor * cg, ambientFactor * cb, 1.0f};
    const float diffuse[4] = {diffuseFactor * cr, diffuseFactor * cg, diffuseFactor * cb, 1.0f};
    const float specular[4] = {specularFactor * cr, specularFactor * cg, specularFactor * cb, 1.0f};
    const float materialSpecular[4] = {materialSpecularFactor * cr, materialSpecularFactor * cg,
                                       materialSpecularFactor * cb, 1.0f};

    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, materialSpecular);
    const GLenum name = light_name(light.index);
    if (name != 0) {
        glLightfv(name, GL_AMBIENT, ambient);
        glLightfv(name, GL_DIFFUSE, diffuse);
        glLightfv(name, GL_SPECULAR, specular);
        glLightf(name, GL_SPOT_EXPONENT, spotExponent);
        glLightf(name, GL_SPOT_CUTOFF, spotCutoff);
    }
    glMateriali(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
}
