// test_music_loop.cpp -- where the music sits in WinMain: the three MCI
// commands between scene_init and the clock's start sample, the sound stop
// between the last frame and the teardown, nothing on the failure path.
#include "app/app.h"
#include "fakes/fake_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>

using Calls = std::vector<std::string>;

namespace {

// Nothing between scene_init, the three commands (the window only on the
// play) and the start sample, read at 500 in every run below.
const Calls music_start_seq = {
    "scene_init()",
    "mciSendStringA(close all,NULL,0,NULL)",
    "mciSendStringA(open c:\\e.mid type sequencer alias MUSIC,NULL,0,NULL)",
    "mciSendStringA(play MUSIC from 0 notify,NULL,0,hwnd)",
    "timeGetTime(500)",
};
// The last frame presented, the sound stop, then window_end.
const Calls sound_stop_seq = {
    "SwapBuffers(hdc)",
    "sndPlaySoundA(NULL,0)",
    "wglMakeCurrent(NULL,NULL)",
};

// Each way a run ends; `notice_at` posts a completion notice before that
// clock read (0: none).
const struct Ending {
    const char *what;
    std::vector<DWORD> times; // after the start sample
    bool escape;
    int notice_at;
    size_t frames;
} endings[] = {
    {"the 30 s limit", {10, 30001}, false, 0, 2},
    {"Escape in the first pass", {5, 10}, true, 0, 1},
    {"a completion notice, then the limit", {10, 20, 30, 30001}, false, 2, 4},
};

struct MusicLoopTest : ::testing::Test {
    void SetUp() override
    {
        fake::reset();
        WindowContext = {NULL, NULL, NULL, NULL, 0, "zo_"};
    }
    // `count` log lines, from `back` lines before the first equal to `line`.
    Calls around(const std::string &line, long back, size_t count)
    {
        long at = std::find(fake::log.begin(), fake::log.end(), line) - fake::log.begin() - back;
        if (at < 0 || at + long(count) > long(fake::log.size()))
            return {};
        return Calls(fake::log.begin() + at, fake::log.begin() + at + long(count));
    }
};

} // namespace

TEST_F(MusicLoopTest, TheMusicStartsBeforeTheStartSampleAndStopsBeforeTheTeardown)
{
    for (const Ending &e : endings) {
        SetUp();
        SCOPED_TRACE(e.what);
        fake::win32.clock.push_back(500);
        for (DWORD t : e.times)
            fake::win32.clock.push_back(500 + t);
        if (e.escape)
            fake::post(WM_KEYDOWN, VK_ESCAPE);
        fake::win32.on_clock = [&e](int read) {
            if (e.notice_at && read == e.notice_at)
                fake::post(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 1);
        };
        EXPECT_EQ(WinMain(NULL, NULL, (LPSTR) "", 1), 0);
        EXPECT_EQ(around("scene_init()", 0, music_start_seq.size()), music_start_seq);
        EXPECT_EQ(around(sound_stop_seq[1], 1, sound_stop_seq.size()), sound_stop_seq);
        // The notice goes to the default handling and changes nothing else.
        EXPECT_EQ(fake::only({"frame_render"}).size(), e.frames);
        EXPECT_EQ(fake::only({"DefWindowProcA"}),
                  e.notice_at ? Calls{"DefWindowProcA(hwnd,MM_MCINOTIFY,1,1)"} : Calls{});
        EXPECT_EQ(fake::only({"mciSendStringA"}),
                  Calls(music_start_seq.begin() + 1, music_start_seq.end() - 1));
        EXPECT_EQ(fake::only({"sndPlaySoundA"}), Calls{sound_stop_seq[1]});
    }
}

TEST_F(MusicLoopTest, AFailedSetUpSendsNoCommandAndWritesNoFile)
{
    fake::win32.fail = "wglCreateContext";
    EXPECT_EQ(WinMain(NULL, NULL, (LPSTR) "", 1), 0);
    EXPECT_EQ(fake::only({"scene_init", "mciSendStringA", "sndPlaySoundA"}), Calls{});
    ASSERT_NE(getenv("XDG_DATA_HOME"), nullptr); // the test program's own, see private_home
    std::string drive = std::string(getenv("XDG_DATA_HOME")) + "/ostra";
    struct stat st;
    EXPECT_NE(stat(drive.c_str(), &st), 0) << "no drive directory, no file";
}
