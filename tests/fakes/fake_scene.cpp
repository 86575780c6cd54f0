// fake_scene.cpp -- stands in for the scene hub in tests of the shell: it only
// logs that it was called, and with which run time and step.
#include "fakes/fake_log.h"
#include "scene/scene.h"

void scene_init(void)
{
    fake::record("scene_init");
}

void frame_render(int t, int dt)
{
    fake::record("frame_render", t, dt);
}
