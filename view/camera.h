// The camera: Camera holds a viewer's pose and its motion state, ViewCamera adds the projection
// settings and loads the perspective projection and viewing transform. Each viewport holds one.
#ifndef LATTICEDRIFT_VIEW_CAMERA_H
#define LATTICEDRIFT_VIEW_CAMERA_H

#include "view/vec3.h"

// On Windows the GL header pulls in windows.h, whose minwindef.h defines `near` and `far` as empty
// macros; include it first so that our undefinition sticks and the projection fields keep their names.
#include <GL/gl.h>
#undef near
#undef far

class ViewLayout;

// Degrees per radian as the camera's aiming uses it (single-precision 57.2958, slightly above 180/pi).
constexpr float DEGREES_PER_RADIAN = 57.2958f;

// Shake frequency per axis.
struct ShakeFrequency {
    float x;
    float y;
    float z;
};

class Camera {
public:
    Camera();
    virtual ~Camera();

    // Zeroes position, velocity, acceleration, rotation, spin, shakeOffset and target, and mode.
    void reset();
    // velocity += acceleration * dt, position += velocity * dt, acceleration cleared.
    void integrate(float dt);
    // rotation += spin * dt; with wrapAngles set, rotation.x and rotation.y are kept in [0, 360).
    void integrateRotation(float dt);
    // Mode 1 orbits and aims at target, mode 2 sways and turns, other modes do nothing.
    void wander(float t, float u);
    // Lets shakeAmount decay over t and evaluates shakeOffset; draws new frequencies when it dies out.
    void shake(float t);
    // Multiplies the placement of an object at this pose onto the current matrix.
    void applyPlacement() const;

    int mode;
    int wrapAngles;
    float shakeAmount;
    ShakeFrequency shakeFrequency;
    float swaySpeed;
    float turnSpeed;
    Vec3 position;
    Vec3 velocity;
    Vec3 acceleration;
    Vec3 rotation;
    Vec3 spin;
    Vec3 swayAmplitude;
    Vec3 swayCenter;
    Vec3 turnAmplitude;
    Vec3 turnCenter;
    Vec3 shakeOffset;
    Vec3 target;
};

class ViewCamera {
public:
    ViewCamera();
    virtual ~ViewCamera();

    // Multiplies the viewing transform of camera's pose onto the current (model-view) matrix.
    void applyView() const;
    // Loads the perspective projection for the layout's current viewport and leaves the model-view
    // matrix current and reset.
    void applyProjection(const ViewLayout& layout) const;

    Camera camera;
    double fovY;
    float near;
    float far;
    float eyeDistance;
};

// The pitch and yaw in degrees that turn a viewer at `from` towards `to`.
void aimAt(Vec3 from, Vec3 to, float& pitch, float& yaw);
// The angle in radians whose sine goes with a and cosine with b.
float pairAngle(float a, float b);

#endif
