// test_crater.cpp -- crater depths and the carving window on flat ground,
// including the window's cut-off on the high sides and at the grid's edges.
#include "scene/scene_fixture.h"
#include "world/crater.h"

#include <math.h>

using scene_test::GROUND;

namespace {

// How far a cell sinks under one crater of radius 10 centred at (x, z): the
// sphere's depth at the cell's squared distance, in single precision.
struct CellDepth {
    float x, z;
    int column, row;
    float depth;
};
const CellDepth crater_depths[] = {
    {100, 100, 100, 100, 10.0f},
    {100, 100, 101, 100, sqrtf(99.0f)},
    {100, 100, 100, 101, sqrtf(99.0f)},
    {100, 100, 99, 100, sqrtf(99.0f)},
    {100, 100, 109, 100, sqrtf(19.0f)},
    {100, 100, 100, 91, sqrtf(19.0f)},
    {100, 100, 90, 100, 0.0f}, // distance exactly 10
    {100, 100, 110, 100, 0.0f},
    {100, 100, 100, 110, 0.0f},
    // Between cells the window is 89..109, one short on the high sides.
    {100.5f, 100.5f, 91, 100, sqrtf(9.5f)}, // d2 = 90.5, inside
    {100.5f, 100.5f, 110, 100, 0.0f},       // d2 = 90.5 too, past the window
    {100.5f, 100.5f, 100, 110, 0.0f},
    {100.5f, 100.5f, 100, 91, sqrtf(9.5f)},
    {100.5f, 100.5f, 109, 100, sqrtf(27.5f)},
    // Near the low edge the row window is raised to 0..20 and keeps row 13.
    {100.5f, 3.5f, 100, 13, sqrtf(9.5f)},
    {100.5f, 3.5f, 100, 0, sqrtf(100.0f - 12.5f)},
    {100.5f, 3.5f, 100, 14, 0.0f},
    // A flyer may bomb from the far bound, 256.
    {128, 256, 128, 255, sqrtf(99.0f)},
    {128, 256, 128, 247, sqrtf(19.0f)},
    {128, 256, 128, 246, 0.0f},
    {256, 256, 255, 255, sqrtf(98.0f)},
    {256, 256, 247, 255, sqrtf(100.0f - 81 - 1)},
    {256, 256, 246, 255, 0.0f}, // distance sqrt(101)
};

// Cells changed; on the far corner a quarter disc of 67 (9+9+9+9+8+7+7+5+4, by hand).
struct CellsChanged {
    float x, z;
    int r2;
    int changed;
};
const CellsChanged cells_changed[] = {
    {256, 256, 100, 67},
    {100, 100, 0, 0},
    {0, 0, 0, 0},
    {-300, 100, 100, 0},
    {100, 600, 100, 0},
    {400, 400, 100, 0},
};

struct CraterTest : scene_test::SceneTest {};

} // namespace

TEST_F(CraterTest, DepthsInsideTheWindowAndNothingPastIt)
{
    for (const CellDepth &c : crater_depths) {
        SCOPED_TRACE(testing::Message() << "centre (" << c.x << ", " << c.z << "), cell ("
                                        << c.column << ", " << c.row << ")");
        scene_test::fill_ground(GROUND);
        crater_carve(c.x, c.z, 100);
        EXPECT_EQ(heightmap[c.row * 256 + c.column], (float)(GROUND - (double)c.depth));
    }
}

TEST_F(CraterTest, CellsChangedOnlyInsideTheGrid)
{
    for (const CellsChanged &c : cells_changed) {
        SCOPED_TRACE(testing::Message() << "centre (" << c.x << ", " << c.z << ")");
        scene_test::fill_ground(GROUND);
        crater_carve(c.x, c.z, c.r2);
        int changed = 0;
        for (float cell : heightmap)
            changed += cell != GROUND;
        EXPECT_EQ(changed, c.changed);
    }
}

TEST_F(CraterTest, CratersAddUpAndHeightsGoOnSinkingBelowZero)
{
    scene_test::fill_ground(5.0f);
    crater_carve(100, 100, 100);
    crater_carve(100, 100, 100);
    EXPECT_EQ(heightmap[100 * 256 + 100], -15.0f);
    float once = (float)(5.0 - (double)sqrtf(99.0f));
    EXPECT_EQ(heightmap[100 * 256 + 101], (float)(once - (double)sqrtf(99.0f)));
}
