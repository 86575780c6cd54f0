// test_music_loop.cpp -- where the music sits in WinMain: the three MCI
// commands between scene_init and the clock's start sample, the sound stop
// between the last frame and the teardown, nothing on the failure path, and
// a completion notice that changes nothing.
#include "app/app.h"
#include "fakes/fake_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>

using Calls = std::vector<std::string>;

namespace {

const Calls music_start_calls = {
    "mciSendStringA(close all,NULL,0,NULL)",
    "mciSendStringA(open c:\\e.mid type sequencer alias MUSIC,NULL,0,NULL)",
    "mciSendStringA(play MUSIC from 0 notify,NULL,0,hwnd)",
};
const std::string sound_stop = "sndPlaySoundA(NULL,0)";

struct MusicLoopTest : ::testing::Test {
    std::string data_home;
    void SetUp() override
    {
        fake::reset();
        WindowContext = {NULL, NULL, NULL, NULL, 0, "zo_"};
        char name[] = "/tmp/ostra-loop.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        data_home = name;
        setenv("XDG_DATA_HOME", data_home.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("XDG_DATA_HOME");
        system(("rm -rf '" + data_home + "'").c_str());
    }
    int run() { return WinMain(NULL, NULL, (LPSTR) "", 1); }
    // The index of the first log line equal to `line`, or -1.
    long find(const std::string &line)
    {
        auto it = std::find(fake::log.begin(), fake::log.end(), line);
        return it == fake::log.end() ? -1 : it - fake::log.begin();
    }
    Calls slice(long from, long count)
    {
        if (from < 0 || from + count > (long)fake::log.size())
            return {};
        return Calls(fake::log.begin() + from, fake::log.begin() + from + count);
    }
};

void script_clock(DWORD start, std::initializer_list<DWORD> times)
{
    fake::win32.clock.push_back(start);
    for (DWORD t : times)
        fake::win32.clock.push_back(start + t);
}

} // namespace

TEST_F(MusicLoopTest, TheMusicStartsRightAfterSceneInitAndJustBeforeTheStartSample)
{
    script_clock(500, {10, 30001});
    EXPECT_EQ(run(), 0);
    long at = find("scene_init()");
    ASSERT_GE(at, 0);
    Calls expected = {"scene_init()"};
    expected.insert(expected.end(), music_start_calls.begin(), music_start_calls.end());
    expected.push_back("timeGetTime(500)"); // the start sample, nothing in between
    EXPECT_EQ(slice(at, 5), expected);
    EXPECT_EQ(fake::only({"mciSendStringA"}), music_start_calls) << "and no command at the end";
}

TEST_F(MusicLoopTest, TheSoundStopComesAfterTheLastFrameAndBeforeTheTeardown)
{
    script_clock(0, {10, 30001});
    run();
    auto last_swap = std::find(fake::log.rbegin(), fake::log.rend(), "SwapBuffers(hdc)");
    ASSERT_NE(last_swap, fake::log.rend());
    long at = fake::log.rend() - last_swap - 1;
    EXPECT_EQ(slice(at - 1, 4), (Calls{"frame_render(30001,29991)", "SwapBuffers(hdc)", sound_stop,
                                       "wglMakeCurrent(NULL,NULL)"}));
    EXPECT_EQ(fake::only({"sndPlaySoundA"}), Calls{sound_stop}) << "once";
}

TEST_F(MusicLoopTest, EscapeInTheFirstPassUndoesNothingAndOnlyStopsTheSound)
{
    script_clock(0, {5, 10});
    fake::post(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(fake::only({"frame_render"}), Calls{"frame_render(5,5)"});
    EXPECT_EQ(fake::only({"mciSendStringA"}), music_start_calls);
    EXPECT_EQ(fake::only({"sndPlaySoundA"}), Calls{sound_stop});
}

TEST_F(MusicLoopTest, AFailedSetUpSendsNoCommandAndWritesNoFile)
{
    fake::win32.fail = "wglCreateContext";
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(fake::only({"scene_init", "mciSendStringA", "sndPlaySoundA"}), Calls{});
    struct stat st;
    EXPECT_NE(stat((data_home + "/ostra").c_str(), &st), 0) << "no drive directory, no file";
}

TEST_F(MusicLoopTest, ACompletionNoticeGoesToTheDefaultHandlingAndChangesNothing)
{
    script_clock(0, {10, 20, 30, 30001});
    fake::win32.on_clock = [](int read) {
        if (read == 2) // the second pass
            fake::post(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 1);
    };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(fake::only({"DispatchMessageA", "DefWindowProcA"}),
              (Calls{"DispatchMessageA(MM_MCINOTIFY)", "DefWindowProcA(hwnd,MM_MCINOTIFY,1,1)"}));
    EXPECT_EQ(fake::only({"mciSendStringA"}), music_start_calls) << "the tune is not restarted";
    EXPECT_EQ(fake::only({"PostQuitMessage"}), Calls{"PostQuitMessage(0)"})
        << "only the teardown's own";
    EXPECT_EQ(fake::only({"frame_render"}),
              (Calls{"frame_render(10,10)", "frame_render(20,10)", "frame_render(30,10)",
                     "frame_render(30001,29971)"}));
}
