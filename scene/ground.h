// ground.h -- the ring of gradient walls and the coloured terrain.
#pragma once

void backdrop_draw(void);
void terrain_draw(void);
