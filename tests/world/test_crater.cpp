// test_crater.cpp -- crater depths and the carving window on a flat
// heightmap, including the window's cut-off on the high sides.
#include "world/crater.h"
#include "world/terrain.h"

#include <gtest/gtest.h>
#include <iterator>
#include <math.h>

namespace {

const float GROUND = 30.0f;

struct CraterTest : ::testing::Test {
    void SetUp() override { fill(GROUND); }
    static void fill(float h)
    {
        for (float &cell : heightmap)
            cell = h;
    }
    static float at(int column, int row) { return heightmap[row * 256 + column]; }
    static int changed()
    {
        int n = 0;
        for (float cell : heightmap)
            n += cell != GROUND;
        return n;
    }
};

// How far a cell sinks under one crater: the depths of a sphere of radius 10
// at the cell's squared distance from the centre, taken in single precision.
struct CellDepth {
    int column, row;
    float depth;
};

const CellDepth centre_on_grid[] = {
    {100, 100, 10.0f},
    {101, 100, sqrtf(99.0f)},
    {100, 101, sqrtf(99.0f)},
    {99, 100, sqrtf(99.0f)},
    {109, 100, sqrtf(19.0f)},
    {100, 91, sqrtf(19.0f)},
    {90, 100, 0.0f},  // distance exactly 10
    {100, 90, 0.0f},
    {110, 100, 0.0f},
    {100, 110, 0.0f},
};

// Centre (100.5, 100.5): window 89..109 in both directions.
const CellDepth centre_between_cells[] = {
    {91, 100, sqrtf(9.5f)},   // d2 = 90.5, inside
    {110, 100, 0.0f},         // d2 = 90.5 too, but past the window's end
    {100, 110, 0.0f},
    {100, 91, sqrtf(9.5f)},
    {100, 100, sqrtf(99.5f)},
    {109, 100, sqrtf(27.5f)}, // the window's last column
};

// Centre (100.5, 3.5): the row window is raised to 0..20, so the high side
// keeps row 13 that a window from -8 would have cut.
const CellDepth centre_near_low_edge[] = {
    {100, 13, sqrtf(9.5f)},
    {100, 0, sqrtf(100.0f - 12.5f)},
    {100, 14, 0.0f},
};

void expect_depths(const CellDepth *cells, size_t n)
{
    for (size_t k = 0; k < n; k++) {
        const CellDepth &c = cells[k];
        SCOPED_TRACE(testing::Message() << "cell (" << c.column << ", " << c.row << ")");
        EXPECT_EQ(CraterTest::at(c.column, c.row), (float)(GROUND - (double)c.depth));
    }
}

} // namespace

TEST_F(CraterTest, DepthsAroundACentreOnTheGrid)
{
    crater_carve(100, 100, 100);
    expect_depths(centre_on_grid, std::size(centre_on_grid));
}

TEST_F(CraterTest, HighSidesStopOneCellShortForAFractionalCentre)
{
    crater_carve(100.5f, 100.5f, 100);
    expect_depths(centre_between_cells, std::size(centre_between_cells));
    for (int row = 0; row < 256; row++)
        for (int column = 0; column < 256; column++)
            if (at(column, row) != GROUND) {
                EXPECT_GE(column, 89);
                EXPECT_LE(column, 109);
                EXPECT_GE(row, 89);
                EXPECT_LE(row, 109);
            }
}

TEST_F(CraterTest, RaisedWindowAtTheLowEdgeMovesItsEndUp)
{
    crater_carve(100.5f, 3.5f, 100);
    expect_depths(centre_near_low_edge, std::size(centre_near_low_edge));
}

// A flyer may bomb from exactly (256, 256). The circle's cells inside the
// grid form a quarter disc of 67 cells (counted by hand: 9+9+9+9+8+7+7+5+4
// for the distances 1 to 9 along one axis); ASan guards the rest.
TEST_F(CraterTest, CentreOnTheFarCornerChangesOnlyCellsInsideTheGrid)
{
    crater_carve(256, 256, 100);
    EXPECT_EQ(changed(), 67);
    EXPECT_EQ(at(255, 255), (float)(GROUND - (double)sqrtf(98.0f)));
    EXPECT_EQ(at(247, 255), (float)(GROUND - (double)sqrtf(100.0f - 81 - 1)));
    EXPECT_EQ(at(246, 255), GROUND); // distance sqrt(101)
}

TEST_F(CraterTest, CentreOnTheFarEdgeKeepsRowsInsideTheGrid)
{
    crater_carve(128, 256, 100);
    EXPECT_EQ(at(128, 255), (float)(GROUND - (double)sqrtf(99.0f)));
    EXPECT_EQ(at(128, 247), (float)(GROUND - (double)sqrtf(19.0f)));
    EXPECT_EQ(at(128, 246), GROUND);
}

TEST_F(CraterTest, CratersAddUpAndHeightsGoOnSinkingBelowZero)
{
    fill(5.0f);
    crater_carve(100, 100, 100);
    crater_carve(100, 100, 100);
    EXPECT_EQ(at(100, 100), -15.0f);
    float once = (float)(5.0 - (double)sqrtf(99.0f));
    EXPECT_EQ(at(101, 100), (float)(once - (double)sqrtf(99.0f)));
}

TEST_F(CraterTest, ZeroRadiusChangesNothing)
{
    crater_carve(100, 100, 0);
    crater_carve(0, 0, 0);
    EXPECT_EQ(changed(), 0);
}

TEST_F(CraterTest, CentresFarOutsideTheGridTouchNothing)
{
    crater_carve(-300, 100, 100);
    crater_carve(100, 600, 100);
    crater_carve(400, 400, 100);
    EXPECT_EQ(changed(), 0);
}
