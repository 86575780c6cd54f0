// test_ground.cpp -- the wall ring and the terrain against the recording GL:
// vertex order, the two colour rules of a strip at the reference heights,
// and that every vertex comes from a cell inside the grid.
#include "fakes/fake_gl.h"
#include "scene/ground.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Four walls z = 0, x = 255, z = 255, x = 0 as one strip, white at the top
// and dark green at the foot, closing at the corner where it began.
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
// scale 41/4096, evaluated in double and rounded once to single precision.
// The lower vertex of a strip takes (K h, K (25 - h), K (25 - h)), the upper
// one the grey K (25 - h). Nothing is clamped: GL does that.
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
    // The floats nearest 2/5 and 3/5: single-precision evaluation of
    // 25 - h would round twice and land one step off.
    {0.40000000596046448f, 0.0040039061568677425f, 0.24624022841453552f, 0.24624022841453552f},
    {0.60000002384185791f, 0.0060058594681322575f, 0.24423828721046448f, 0.24423828721046448f},
};
const int n_colours = sizeof(colours_at) / sizeof(colours_at[0]);

// The cell pattern of the colour test: varies along both axes.
int colour_index(int x, int z)
{
    return (z + 2 * x) % n_colours;
}

std::vector<std::string> texts(const std::vector<fake::GlCall> &calls)
{
    std::vector<std::string> out;
    for (const auto &c : calls)
        out.push_back(fake::gl_text(c));
    return out;
}

} // namespace

TEST(BackdropTest, TenVerticesAlternatingTopAndFoot)
{
    fake::gl_reset();
    backdrop_draw();
    EXPECT_EQ(texts(fake::gl),
              std::vector<std::string>(std::begin(backdrop_calls), std::end(backdrop_calls)));
}

TEST(TerrainDrawTest, OneStripPerRowOf512VerticesEachWithItsColour)
{
    for (int i = 0; i < 256 * 256; i++)
        heightmap[i] = 10.0f;
    fake::gl_reset();
    terrain_draw();

    ASSERT_EQ(fake::gl.size(), 255u * (1 + 2 * 512 + 1));
    size_t at = 0, malformed = 0;
    for (int strip = 0; strip < 255; strip++) {
        malformed += fake::gl_text(fake::gl[at++]) != "glBegin(8)";
        for (int v = 0; v < 512; v++) {
            malformed += fake::gl[at++].name != "glColor3f";
            malformed += fake::gl[at++].name != "glVertex3f";
        }
        malformed += fake::gl_text(fake::gl[at++]) != "glEnd()";
    }
    EXPECT_EQ(malformed, 0u);
}

TEST(TerrainDrawTest, EveryVertexStandsOnItsOwnCellInsideTheGrid)
{
    // Each cell holds its own index as its height (exact in a float), so a
    // vertex's height names the cell it was read from.
    for (int i = 0; i < 256 * 256; i++)
        heightmap[i] = (float)i;
    fake::gl_reset();
    terrain_draw();

    auto vertices = fake::gl_named("glVertex3f");
    ASSERT_EQ(vertices.size(), 255u * 512u);
    size_t wrong = 0, outside = 0;
    std::vector<int> times_drawn(256 * 256, 0);
    for (size_t n = 0; n < vertices.size(); n++) {
        const auto &v = vertices[n];
        int strip = (int)(n / 512), column = (int)(n % 512 / 2), upper = (int)(n % 2);
        double x = v.args[0], h = v.args[1], z = v.args[2];
        wrong += x != column || z != strip + upper;
        int cell = (int)h;
        if (h != cell || cell < 0 || cell >= 256 * 256) {
            outside++;
            continue;
        }
        wrong += cell != (int)z * 256 + (int)x;
        times_drawn[cell]++;
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(outside, 0u);
    // Rows 1 to 254 are drawn twice (upper edge of one strip, lower edge of
    // the next), rows 0 and 255 once.
    for (int x = 0; x < 256; x++) {
        EXPECT_EQ(times_drawn[x], 1);
        EXPECT_EQ(times_drawn[255 * 256 + x], 1);
        for (int z = 1; z < 255; z++)
            ASSERT_EQ(times_drawn[z * 256 + x], 2) << x << "," << z;
    }
}

TEST(TerrainDrawTest, LowerVertexColouredUpperVertexGreyAtTheReferenceHeights)
{
    for (int z = 0; z < 256; z++)
        for (int x = 0; x < 256; x++)
            heightmap[z * 256 + x] = colours_at[colour_index(x, z)].height;
    fake::gl_reset();
    terrain_draw();

    auto colours = fake::gl_named("glColor3f");
    auto vertices = fake::gl_named("glVertex3f");
    ASSERT_EQ(colours.size(), 255u * 512u);
    ASSERT_EQ(vertices.size(), colours.size());
    size_t wrong = 0;
    for (size_t n = 0; n < colours.size(); n++) {
        int strip = (int)(n / 512), column = (int)(n % 512 / 2), upper = (int)(n % 2);
        const ColourAt &ref = colours_at[colour_index(column, strip + upper)];
        std::vector<double> expected =
            upper ? std::vector<double>{ref.grey, ref.grey, ref.grey}
                  : std::vector<double>{ref.red, ref.green_blue, ref.green_blue};
        if (colours[n].args != expected || vertices[n].args[1] != ref.height) {
            if (wrong++ < 5)
                ADD_FAILURE() << "vertex " << n << ": " << fake::gl_text(colours[n]) << " "
                              << fake::gl_text(vertices[n]);
        }
    }
    EXPECT_EQ(wrong, 0u);
}

TEST(TerrainDrawTest, DrawsTheCurrentHeightmapEachTime)
{
    // A height lowered between two frames shows in both strips of its row.
    for (int i = 0; i < 256 * 256; i++)
        heightmap[i] = 25.0f;
    heightmap[100 * 256 + 40] = 0.0f;
    fake::gl_reset();
    terrain_draw();
    auto colours = fake::gl_named("glColor3f");
    // Strip 99, column 40, upper vertex; strip 100, column 40, lower vertex.
    EXPECT_EQ(colours[99 * 512 + 81].args, (std::vector<double>{0.250244140625, 0.250244140625,
                                                                 0.250244140625}));
    EXPECT_EQ(colours[100 * 512 + 80].args, (std::vector<double>{0, 0.250244140625, 0.250244140625}));
    EXPECT_EQ(colours[100 * 512 + 82].args, (std::vector<double>{0.250244140625, 0, 0}));

    heightmap[100 * 256 + 40] = 51.0f;
    fake::gl_reset();
    terrain_draw();
    colours = fake::gl_named("glColor3f");
    EXPECT_EQ(colours[99 * 512 + 81].args,
              (std::vector<double>{-0.26025390625, -0.26025390625, -0.26025390625}));
    EXPECT_EQ(colours[100 * 512 + 80].args,
              (std::vector<double>{0.510498046875, -0.26025390625, -0.26025390625}));
}
