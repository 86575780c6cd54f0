// flyers.h -- the 16 flyers: their entries, flight, smoke, bombs and model.
#pragma once

#define FLYER_COUNT 16

struct Flyer {
    float x;       // 0 at entry
    float y;       // flight height, fixed until the next entry
    float z;
    float heading; // degrees in the x-z plane: 0 is +x, positive turns to +z
    int fuse;      // smoke delay: the flyer smokes while it is above 500
};

extern struct Flyer flyers[FLYER_COUNT];

void flyer_reset(int i);            // a new entry at the x = 0 edge; four draws
void flyers_reset_all(void);
// The unit step of a heading in degrees, the same on every platform.
void flyer_direction(float heading, float *dx, float *dz);
void flyers_update_draw(int step);  // step in flight units: 4 x the frame's ms
void flyers_bomb(void);             // a fireball and a crater under every flyer
void flyer_model_draw(void);        // at the current matrix, which it changes
