// The scene: the process-wide Scene record of scalars and pass switches, the scene's static
// objects, and the start-up and teardown that the animation window calls.
#ifndef LATTICEDRIFT_SCENE_SCENE_H
#define LATTICEDRIFT_SCENE_SCENE_H

#include "draw/point_field.h"
#include "draw/texture.h"
#include "scene/frame_clock.h"
#include "scene/lights.h"
#include "scene/oscillator.h"
#include "view/view_layout.h"

#include <cstdint>

// The saver window's client size in pixels, set by the host at creation.
extern int window_width;
extern int window_height;

// Scalars and switches of the scene. All zero until scene_setup gives them their start values;
// the switches (non-zero = on) never change afterwards.
struct Scene {
    double scale;
    double letterboxTarget;
    double cameraTimeScale;
    double effectTimeScale;
    std::int32_t drawOverlay;
    std::int32_t drawScene;
    std::int32_t drawFinalReset;
    std::int32_t drawPointField;
    std::int32_t pointBlend;
    std::int32_t pointCull;
    std::int32_t pointDepth;
    std::int32_t pointFog;
    std::int32_t pointLighting;
    std::int32_t pointTexture;
};

extern Scene scene;

constexpr int SCENE_TEXTURE_COUNT = 20;

// The scene's objects, constructed before main in this order and never destroyed while the saver
// runs. They live in a namespace because a global `clock` would collide with the C library's
// clock() (a compile error next to <time.h>, and a clash of link symbols).
namespace scene_objects {
extern FogSettings fog;
extern Light light;
extern ViewLayout layout;
extern PointField pointField;
extern FrameClock clock;
extern Oscillator camOscX;
extern Oscillator camOscY;
extern Oscillator camOscZ;
extern Oscillator fadeOsc;
extern Oscillator letterboxOsc;
extern LightingModel lighting;
extern Texture textures[SCENE_TEXTURE_COUNT];
} // namespace scene_objects

// Sets the fixed rendering state once the context is current, then scene_start with the window
// size.
void apply_fixed_gl_state();
// Hands the size to the layout, runs scene_setup, makes the first clear and compiles the lattice's
// display list.
void scene_start(int width, int height);
// Gives every quantity its start value, reads the clock, seeds the random generator and builds
// the point field and the check texture.
void scene_setup();
// Deletes the point field's and the lattice's display lists; the context must still be current.
void scene_teardown();

// The start-up's seed rule: the clock's last reading (the first one, until the first frame)
// truncated toward zero to 32 bits, plus the low 32 bits of the point field's address, with 32-bit
// wrap-around.
std::uint32_t startup_seed();

// Tools and tests: scene_setup seeds the random generator with this value instead of the first
// clock reading plus the point field's address.
void scene_use_seed(std::uint32_t seed);

#endif
