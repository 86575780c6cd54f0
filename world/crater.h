// crater.h -- bomb craters dug into the heightmap.
#pragma once

// Lowers the heightmap by a spherical bowl of squared radius r2 around grid
// position (x, z); craters add up. Never touches a cell outside the grid.
void crater_carve(float x, float z, int r2);
