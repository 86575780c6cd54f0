// test_camera.cpp -- the fixed GL state of the scene set-up and the swaying
// camera of every frame, against the recording GL.
#include "fakes/fake_gl.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

using fake::gl_text;

namespace {

std::vector<std::string> texts(const std::vector<fake::GlCall> &calls)
{
    std::vector<std::string> out;
    for (const auto &c : calls)
        out.push_back(gl_text(c));
    return out;
}

// Pitch and yaw as the frame must pass them: every quotient and sine rounded
// to single precision. Worked out once, outside the program.
struct CameraAt {
    int t;
    float pitch, yaw;
};
const CameraAt camera_oracle[] = {
    {0, 30.0f, 0.0f},
    {1000, 33.27194595336914f, 5.960079669952393f},
    {4712, 40.0f, 24.269136428833008f},
    {12345, 21.731929779052734f, 18.690479278564453f},
    {29999, 24.562589645385742f, -8.388219833374023f},
    {30001, 24.556987762451172f, -8.376709938049316f},
};

} // namespace

TEST(CameraTest, PitchAndYawFollowTheSinesWithSinglePrecisionRounding)
{
    for (const CameraAt &at : camera_oracle) {
        SCOPED_TRACE(at.t);
        fake::gl_reset();
        frame_render(at.t, 0);
        auto rotations = fake::gl_named("glRotatef");
        ASSERT_GE(rotations.size(), 2u);
        EXPECT_EQ(rotations[0].args, (std::vector<double>{at.pitch, 1, 0, 0}));
        EXPECT_EQ(rotations[1].args, (std::vector<double>{at.yaw, 0, 1, 0}));
    }
}

TEST(CameraTest, FrameStartsWithClearThenTheCameraInTheProjectionMatrix)
{
    fake::gl_reset();
    frame_render(1000, 16);
    std::vector<std::string> expected = {
        "glClear(16640)", // colour and depth
        "glMatrixMode(5889)",
        "glLoadIdentity()",
        "gluPerspective(45,1.3333333730697632,0.050048828125,100000)",
        "glRotatef(33.271945953369141,1,0,0)",
        "glRotatef(5.9600796699523926,0,1,0)",
        "glTranslatef(-128,-100,-250)",
        "glMatrixMode(5888)",
        "glLoadIdentity()",
    };
    auto got = texts(fake::gl);
    ASSERT_GE(got.size(), expected.size());
    got.resize(expected.size());
    EXPECT_EQ(got, expected);
}

TEST(SceneInitTest, SetsTheFixedStateAndLeavesLightingOff)
{
    fake::gl_reset();
    scene_init();
    std::vector<std::string> state;
    for (const auto &c : fake::gl)
        if (c.name == "gluNewQuadric" || c.name == "gluQuadricTexture" ||
            c.name == "glClearColor" || c.name == "glLightfv" || c.name == "glShadeModel" ||
            (c.name == "glEnable" && c.args[0] != GL_BLEND && c.args[0] != GL_TEXTURE_2D))
            state.push_back(gl_text(c));
    EXPECT_EQ(state, (std::vector<std::string>{
                         "gluNewQuadric()",
                         "gluQuadricTexture(1,1)",
                         "glClearColor(0.078125,0.1171875,0.0390625,0)",
                         "glEnable(2929)", // depth test
                         "glLightfv(16384,4608,0.5,0.5,0.5,1)",
                         "glLightfv(16384,4609,1,1,1,1)",
                         "glEnable(16384)", // light 0
                         "glShadeModel(7425)",
                         "glEnable(2977)", // normalise
                         "glEnable(2903)", // colour material
                     }));
    for (const auto &c : fake::gl_named("glEnable"))
        EXPECT_NE(c.args[0], GL_LIGHTING);
    EXPECT_NE(quadric, nullptr);
}
