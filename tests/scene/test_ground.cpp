// test_ground.cpp -- the wall ring and the terrain against the recording GL:
// vertex order, each vertex on its own cell inside the grid, and the two
// colour rules of a strip at the reference heights.
#include "scene/ground.h"
#include "scene/scene_fixture.h"

using scene_test::texts;

namespace {

// Walls z = 0, x = 255, z = 255, x = 0 as one strip, white at the top and
// dark green at the foot, closing at the corner where it began.
const char *const backdrop_calls[] = {
    "glBegin(8)", // GL_QUAD_STRIP
    "glColor3ub(255,255,255)", "glVertex3f(0,255,0)",
    "glColor3ub(20,30,10)",    "glVertex3f(0,0,0)",
    "glColor3ub(255,255,255)", "glVertex3f(255,255,0)",
    "glColor3ub(20,30,10)",    "glVertex3f(255,0,0)",
    "glColor3ub(255,255,255)", "glVertex3f(255,255,255)",
    "glColor3ub(20,30,10)",    "glVertex3f(255,0,255)",
    "glColor3ub(255,255,255)", "glVertex3f(0,255,255)",
    "glColor3ub(20,30,10)",    "glVertex3f(0,0,255)",
    "glColor3ub(255,255,255)", "glVertex3f(0,255,0)",
    "glColor3ub(20,30,10)",    "glVertex3f(0,0,0)",
    "glEnd()",
};

// Colours at reference heights, worked out outside the program with the
// scale 41/4096 in double and rounded once to single precision: the lower
// vertex of a strip is (K h, K (25 - h), K (25 - h)), the upper one the grey
// K (25 - h). Nothing is clamped: GL does that.
struct ColourAt {
    float height;
    float red, green_blue; // lower vertex
    float grey;            // upper vertex
};
const ColourAt colours_at[] = {
    {0.0f, 0.0f, 0.250244140625f, 0.250244140625f},
    {25.0f, 0.250244140625f, 0.0f, 0.0f},
    {51.0f, 0.510498046875f, -0.26025390625f, -0.26025390625f},
    {-75.0f, -0.750732421875f, 1.0009765625f, 1.0009765625f},
    // Nearest floats to 2/5 and 3/5: 25 - h in single precision lands one step off.
    {0.40000000596046448f, 0.0040039061568677425f, 0.24624022841453552f, 0.24624022841453552f},
    {0.60000002384185791f, 0.0060058594681322575f, 0.24423828721046448f, 0.24423828721046448f},
};
const int n_colours = std::size(colours_at);

// The cell pattern of the colour test: varies along both axes.
const ColourAt &colour_of_cell(int x, int z)
{
    return colours_at[(z + 2 * x) % n_colours];
}

} // namespace

TEST(BackdropTest, TenVerticesAlternatingTopAndFoot)
{
    fake::gl_reset();
    backdrop_draw();
    EXPECT_EQ(texts(), scene_test::lines(backdrop_calls));
}

// Each cell holds its own index as its height (exact in a float), so a
// vertex's height names the cell it was read from.
TEST(TerrainDrawTest, StripsOf512VerticesEachOnItsOwnCellInsideTheGrid)
{
    for (int i = 0; i < 256 * 256; i++)
        heightmap[i] = (float)i;
    fake::gl_reset();
    terrain_draw();

    ASSERT_EQ(fake::gl.size(), 255u * (1 + 2 * 512 + 1));
    size_t at = 0, wrong = 0;
    for (int strip = 0; strip < 255; strip++) {
        wrong += fake::gl_text(fake::gl[at++]) != "glBegin(8)";
        for (int v = 0; v < 512; v++) {
            int column = v / 2, row = strip + v % 2;
            wrong += fake::gl[at++].name != "glColor3f";
            const fake::GlCall &vertex = fake::gl[at++];
            std::vector<double> expected = {(double)column, row * 256.0 + column, (double)row};
            if ((vertex.name != "glVertex3f" || vertex.args != expected) && wrong++ < 5)
                ADD_FAILURE() << "strip " << strip << " vertex " << v << ": "
                              << fake::gl_text(vertex);
        }
        wrong += fake::gl_text(fake::gl[at++]) != "glEnd()";
    }
    EXPECT_EQ(wrong, 0u);
}

TEST(TerrainDrawTest, LowerVertexColouredUpperVertexGreyAtTheReferenceHeights)
{
    for (int z = 0; z < 256; z++)
        for (int x = 0; x < 256; x++)
            heightmap[z * 256 + x] = colour_of_cell(x, z).height;
    fake::gl_reset();
    terrain_draw();

    auto colours = fake::gl_named("glColor3f");
    auto vertices = fake::gl_named("glVertex3f");
    ASSERT_EQ(colours.size(), 255u * 512u);
    ASSERT_EQ(vertices.size(), colours.size());
    size_t wrong = 0;
    for (size_t n = 0; n < colours.size(); n++) {
        int strip = (int)(n / 512), column = (int)(n % 512 / 2), upper = (int)(n % 2);
        const ColourAt &ref = colour_of_cell(column, strip + upper);
        std::vector<double> expected =
            upper ? std::vector<double>{ref.grey, ref.grey, ref.grey}
                  : std::vector<double>{ref.red, ref.green_blue, ref.green_blue};
        if ((colours[n].args != expected || vertices[n].args[1] != ref.height) && wrong++ < 5)
            ADD_FAILURE() << "vertex " << n << ": " << fake::gl_text(colours[n]) << " "
                          << fake::gl_text(vertices[n]);
    }
    EXPECT_EQ(wrong, 0u);
}
