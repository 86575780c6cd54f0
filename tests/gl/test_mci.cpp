// test_mci.cpp -- the MCI sequencer's Linux device on real FluidSynth and SDL
// audio: what only they can fail (the commands are unit_mci's).
#include "fakes/scratch.h"
#include "platform/linux/linux_sound.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

static const Scratch dir;
static std::string tune(const char *name)
{
    write_bytes(dir / name, one_note);
    return "open " + dir / name + " type sequencer";
}
static MCIERROR send(std::string c, HWND w = 0) { return mciSendStringA(c.c_str(), 0, 0, w); }
// SDL's disk output so far: 16-bit stereo samples at 44.1 kHz, 176.4 bytes a ms.
static Bytes heard() { return read_bytes(dir / "out.raw"); }
static size_t stream(double ms) { return (size_t)(ms * 176.4); }

TEST(Mci, TheTuneSoundsFromThePlayOnItsEndIsNoticedAndASecondOpenPlaysAlike)
{
    WNDCLASSA wc = {0, DefWindowProcA, 0, 0, 0, 0, 0, 0, 0, "mci_test"};
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND window = CreateWindowExA(0, "mci_test", "", WS_CAPTION, 0, 0, 64, 64, 0, 0, 0, 0);
    setenv("SDL_AUDIODRIVER", "none", 1);
    EXPECT_EQ(send(tune("t.mid")), (MCIERROR)MCIERR_HARDWARE);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (dir / "out.raw").c_str(), 1);
    for (int open = 1; open <= 2; open++) {
        SCOPED_TRACE("open " + std::to_string(open));
        ASSERT_EQ(send(tune("t.mid") + " alias tune"), 0u);
        size_t before_play = (usleep(150000), heard().size()), at_notice = 0;
        ASSERT_EQ(send("play tune from 0 notify", window), 0u);
        std::vector<std::pair<WPARAM, LPARAM>> notices;
        for (int i = 0; i < 100; i++, usleep(10000)) // the end, and time for a second notice
            for (MSG m; PeekMessageA(&m, NULL, 0, 0, PM_REMOVE);)
                if (m.message == MM_MCINOTIFY && m.hwnd == window)
                    notices.push_back({m.wParam, m.lParam}), at_notice = heard().size();
        Bytes out = heard();
        const short *s0 = (const short *)out.data(), *s1 = s0 + out.size() / 2;
        size_t sound = 2 * size_t(std::find_if(s0, s1, [](short s) { return s > 64; }) - s0);
        // The file lags the output by its write buffer, never leads it.
        EXPECT_GT(before_play, 0u) << "the output runs from the open";
        EXPECT_GE(sound, before_play) << "silent until the play";
        EXPECT_LT(sound, before_play + stream(60)) << "heard from the play on";
        EXPECT_EQ(notices, (decltype(notices){{MCI_NOTIFY_SUCCESSFUL, 1}})) << "one, of device 1";
        EXPECT_GT(at_notice, sound + stream(450)) << "noticed at the tune's end";
        EXPECT_EQ(send("close tune"), 0u);
    }
}

// A process each, as the soundfont is chosen once a process; a hang at exit ends in SIGALRM.
TEST(MciProcess, NoSoundfontFailsTheOpenAndAnExitDuringTheLoadIsClean)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    mkfifo((dir / "fifo.sf2").c_str(), 0600); // opened for reading, it would wait for a writer
    for (std::string font : {std::string("/none.sf2"), dir / "t.mid", dir / "fifo.sf2"}) // none, a file that is none
        EXPECT_EXIT((alarm(5), setenv("OSTRA_SOUNDFONT", font.c_str(), 1), exit((int)send(tune("t.mid")))),
                    ::testing::ExitedWithCode(MCIERR_SEQ_NOMIDIPRESENT & 0xFF), "") << font;
    for (int ms : {0, 5, 20})
        EXPECT_EXIT((alarm(5), setenv("OSTRA_SOUNDFONT", "/usr/share/sounds/sf2/FluidR3_GM.sf2", 1),
                     linux_sound_prepare(), usleep(ms * 1000), exit(7)),
                    ::testing::ExitedWithCode(7), "") << "exit " << ms << " ms into the load";
}
