// forest.h -- the 200 trees, redrawn every frame from their own seed.
#pragma once

void forest_draw(void);
void tree_draw(void); // one tree at the current matrix; three draws for its crown
