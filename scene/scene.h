// scene.h -- the scene hub: one-time GL state, the camera and the frame.
#pragma once

#include "platform/win32.h"
#include "world/terrain.h" // the shared quadric

#define FINALE_TIME 33333 // ms; the start of the tune's last bar

extern unsigned char finale_started;

void scene_init(void);
void camera_setup(float eye_x, float eye_y, float eye_z, float pitch, float yaw);
void frame_render(int t, int dt);
