// Definitions of the scene record and the scene's static objects. They share this one translation
// unit so that they are constructed in exactly the order written here.
#include "scene/scene.h"

int window_width = 0;
int window_height = 0;

Scene scene = {};

namespace scene_objects {
FogSettings fog;
Light light;
ViewLayout layout;
PointField pointField;
FrameClock clock;
Oscillator camOscX;
Oscillator camOscY;
Oscillator camOscZ;
Oscillator fadeOsc;
Oscillator letterboxOsc;
LightingModel lighting;
Texture textures[SCENE_TEXTURE_COUNT];
} // namespace scene_objects
