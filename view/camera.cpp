// Camera pose and motion, and the projection and viewing transform that ViewCamera loads.
#include "view/camera.h"

#include "view/numeric.h"
#include "view/random.h"
#include "view/view_layout.h"

#include <GL/glu.h>
#include <cmath>

namespace {

// Sine and cosine of a float argument, taken in double precision and stored as float.
float sin_f(float v) { return static_cast<float>(std::sin(static_cast<double>(v))); }
float cos_f(float v) { return static_cast<float>(std::cos(static_cast<double>(v))); }

// A rate argument rate * t * speed, rounded to float before the sine or cosine takes it.
float rate_arg(double rate, float t, float speed)
{
    return static_cast<float>(rate * static_cast<double>(t) * static_cast<double>(speed));
}

} // namespace

Camera::Camera()
    : position(0, 0, 0), velocity(0, 0, 0), acceleration(0, 0, 0), rotation(0, 0, 0), spin(0, 0, 0),
      swayAmplitude(0, 0, 0), swayCenter(0, 0, 0), turnAmplitude(0, 0, 0), turnCenter(0, 0, 0),
      shakeOffset(0, 0, 0), target(0, 0, 0)
{
    reset();
    swayAmplitude.set(10, 10, 10);
    swayCenter.set(0, 0, 0);
    turnAmplitude.set(20, 720, 0);
    turnCenter.set(0, 0, 0);
    target.set(0, 0, 0);
    swaySpeed = 1.0f;
    turnSpeed = 1.0f;
    reset();
    shakeFrequency.x = 40.0f;
    shakeFrequency.y = 50.0f;
    shakeFrequency.z = 60.0f;
    wrapAngles = 0;
    shakeAmount = 0.0f;
}

Camera::~Camera() {}

void Camera::reset()
{
    position.set(0, 0, 0);
    velocity.set(0, 0, 0);
    acceleration.set(0, 0, 0);
    rotation.set(0, 0, 0);
    spin.set(0, 0, 0);
    shakeOffset.set(0, 0, 0);
    target.set(0, 0, 0);
    mode = 0;
}

void Camera::integrate(float dt)
{
    velocity += acceleration * dt;
    position += velocity * dt;
    acceleration.set(0, 0, 0);
}

void Camera::integrateRotation(float dt)
{
    rotation += spin * dt;
    if (wrapAngles != 0) {
        rotation.x = wrap_into(rotation.x, 0.0f, 360.0f);
        rotation.y = wrap_into(rotation.y, 0.0f, 360.0f);
    }
}

void Camera::wander(float t, float u)
{
    const float s = swaySpeed;
    if (mode == 1) {
        position.x = sin_f(rate_arg(0.1, t, s)) * swayAmplitude.x + swayCenter.x;
        position.y = cos_f(rate_arg(0.12, t, s)) * swayAmplitude.y + swayCenter.y;
        position.z = cos_f(rate_arg(0.14, t, s)) * swayAmplitude.z + swayCenter.z;
        aimAt(position, target, rotation.x, rotation.y);
    } else if (mode == 2) {
        const float sway = rate_arg(0.2, u, s);
        position.x = sin_f(sway) * swayAmplitude.x + swayCenter.x;
        position.y = cos_f(sway) * swayAmplitude.y + swayCenter.y;
        position.z = cos_f(sway) * swayAmplitude.z + swayCenter.z;
        const float turn = sin_f(rate_arg(0.01, t, turnSpeed));
        rotation.x = turn * turnAmplitude.x + turnCenter.x;
        rotation.y = turn * turnAmplitude.y + turnCenter.y;
    }
}

void Camera::shake(float t)
{
    if (shakeAmount == 0.0f)
        return;
    shakeAmount = (1.0f - 3.0f * t) * shakeAmount;
    if (shakeAmount < 0.01f) {
        shakeAmount = 0.0f;
        shakeFrequency.x = static_cast<float>(frand(50.0) + 25.0);
        shakeFrequency.y = static_cast<float>(frand(50.0) + 25.0);
        shakeFrequency.z = static_cast<float>(frand(50.0) + 25.0);
        return;
    }
    shakeOffset.set(sin_f(t * shakeFrequency.x) * shakeAmount, sin_f(t * shakeFrequency.y) * shakeAmount,
                    sin_f(t * shakeFrequency.z) * shakeAmount);
}

void Camera::applyPlacement() const
{
    glTranslatef(position.x, position.y, position.z);
    if (rotation.y != 0.0f)
        glRotatef(rotation.y, 0, 1, 0);
    if (rotation.x != 0.0f)
        glRotatef(rotation.x, 1, 0, 0);
    if (rotation.z != 0.0f)
        glRotatef(rotation.z, 0, 0, 1);
}

ViewCamera::ViewCamera()
{
    fovY = 90.0;
    near = 0.1f;
    far = 100.0f;
    camera.position.set(0, 0, 0);
    camera.rotation.set(0, 0, 0);
    eyeDistance = -1.0f;
}

ViewCamera::~ViewCamera() {}

void ViewCamera::applyView() const
{
    const double d = eyeDistance;
    gluLookAt(0.0, 0.0, d, 0.0, 0.0, d - 1.0, 0.0, 1.0, 0.0);
    const Vec3& r = camera.rotation;
    glRotatef(-r.x, 1, 0, 0);
    glRotatef(-r.y, 0, 1, 0);
    glRotatef(-r.z, 0, 0, 1);
    const Vec3& p = camera.position;
    // z is handed on as it is: the point field's (p.x, p.y, -p.z) translation undoes exactly this.
    glTranslatef(-p.x, -p.y, p.z);
}

void ViewCamera::applyProjection(const ViewLayout& layout) const
{
    // A current index outside the slots falls back to viewport 0, and an empty or inverted viewport
    // (a letterbox of 0.5 or more) gets aspect 1, so nothing reads out of bounds or divides by zero.
    const int index = layout.current >= 0 && layout.current < kMaxViewports ? layout.current : 0;
    const Viewport& v = layout.viewports[index];
    const float aspect = v.height > 0.0f ? v.width / v.height : 1.0f;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fovY, static_cast<double>(aspect), static_cast<double>(near), static_cast<double>(far));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

float pairAngle(float a, float b)
{
    float len = static_cast<float>(std::sqrt(static_cast<double>(a * a + b * b)));
    if (len < VEC3_EPSILON)
        len = VEC3_EPSILON;
    return static_cast<float>(std::atan2(static_cast<double>(a / len), static_cast<double>(b / len)));
}

void aimAt(Vec3 from, Vec3 to, float& pitch, float& yaw)
{
    Vec3 d = to - from;
    d.normalize();
    yaw = -pairAngle(d.x, -d.z) * DEGREES_PER_RADIAN;
    const float h = static_cast<float>(std::sqrt(static_cast<double>(d.x * d.x + d.z * d.z)));
    pitch = pairAngle(d.y, h) * DEGREES_PER_RADIAN;
}
