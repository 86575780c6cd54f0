// test_mci.cpp -- the MCI sequencer layer for real: FluidSynth and the system's
// soundfont on SDL's dummy audio output, the message queue under a virtual display.
#include "music/music.h"
#include "platform/linux_mci.h"
#include "platform/linux_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdlib.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A track of `count` piano notes of 240 ticks, one after the other: at 120
// beats per minute and 480 ticks a quarter, a quarter of a second each.
Bytes tune_file(int count)
{
    Bytes track = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xC0, 0x00};
    for (int i = 0; i < count; i++) {
        unsigned char key = (unsigned char)(60 + i % 12);
        track.insert(track.end(), {0x00, 0x90, key, 100, 0x81, 0x70, 0x80, key, 64});
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    for (int shift = 24; shift >= 0; shift -= 8)
        file.push_back((unsigned char)(track.size() >> shift));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

// Commands refused with nothing open; "$" stands for a playable tune, "@"
// for the test's directory.
const struct Refusal {
    const char *command;
    MCIERROR code;
} refused_closed[] = {
    {"", MCIERR_MISSING_COMMAND_STRING},
    {"  \t ", MCIERR_MISSING_COMMAND_STRING},
    {"bogus", MCIERR_UNRECOGNIZED_COMMAND},
    {"stop tune", MCIERR_UNRECOGNIZED_COMMAND},
    {"status tune mode", MCIERR_UNRECOGNIZED_COMMAND},
    {"open", MCIERR_MISSING_DEVICE_NAME},
    {"play", MCIERR_MISSING_DEVICE_NAME},
    {"close", MCIERR_MISSING_DEVICE_NAME},
    {"play tune from 0 notify", MCIERR_INVALID_DEVICE_NAME},
    {"close tune", MCIERR_INVALID_DEVICE_NAME},
    {"close all wait", MCIERR_UNRECOGNIZED_KEYWORD},
    {"open $ type sequencer alias tune shareable", MCIERR_UNRECOGNIZED_KEYWORD},
    {"open $ type sequencer alias tune notify", MCIERR_UNRECOGNIZED_KEYWORD},
    {"open $ type sequencer alias", MCIERR_MISSING_STRING_ARGUMENT},
    {"open $ type sequencer alias a alias b", MCIERR_DUPLICATE_FLAGS},
    {"open $ type waveaudio alias tune", MCIERR_INVALID_DEVICE_NAME},
    {"open $ alias tune", MCIERR_EXTENSION_NOT_FOUND},
    {"open @/none.mid type sequencer alias tune", MCIERR_FILE_NOT_FOUND},
    {"open @ type sequencer alias tune", MCIERR_FILE_NOT_FOUND},
    {"open @/text.mid type sequencer alias tune", MCIERR_INVALID_FILE},
};
// Commands refused while "$" is open as "tune"; none of them starts it.
const Refusal refused_open[] = {
    {"open $ type sequencer alias TUNE", MCIERR_DUPLICATE_ALIAS},
    {"open $ type sequencer alias second", MCIERR_SEQ_PORT_INUSE},
    {"play second", MCIERR_INVALID_DEVICE_NAME},
    {"play tune from", MCIERR_MISSING_PARAMETER},
    {"play tune from x", MCIERR_BAD_INTEGER},
    {"play tune from -5", MCIERR_BAD_INTEGER},
    {"play tune from 99999999999", MCIERR_BAD_INTEGER},
    {"play tune from 500", MCIERR_UNSUPPORTED_FUNCTION},
    {"play tune from 0 from 0", MCIERR_DUPLICATE_FLAGS},
    {"play tune from 0 to 100", MCIERR_UNRECOGNIZED_KEYWORD},
    {"play tune wait", MCIERR_UNRECOGNIZED_KEYWORD},
    {"close tune notify", MCIERR_UNRECOGNIZED_KEYWORD},
};

// Damage done to a good tune, each enough to make it unreadable.
const struct {
    const char *what;
    size_t at;
    Bytes bytes;
} damage[] = {
    {"not MThd", 0, {'X'}},
    {"format 2", 9, {2}},
    {"format 0 with two tracks", 11, {2}},
    {"SMPTE division", 12, {0xE7}},
    {"track longer than the file", 18, {0x7F}},
    {"data with no running status", 23, {0x40}},
    {"system real-time byte", 23, {0xF8}},
    {"tempo of zero", 26, {0, 0, 0}},
    {"status where data is due", 31, {0x90}},
};

struct Notice {
    WPARAM flag;
    LPARAM device;
    double at; // seconds after the test's mark
};

std::vector<Notice> notices;
std::vector<UINT> others;
Clock::time_point mark;

LRESULT CALLBACK recording_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == MM_MCINOTIFY)
        notices.push_back({wParam, lParam, seconds_since(mark)});
    else
        others.push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}

struct MciTest : ::testing::Test {
    std::string dir;
    HWND window = NULL;
    const std::string saved_home = getenv("XDG_DATA_HOME") ? getenv("XDG_DATA_HOME") : "";

    void SetUp() override
    {
        char name[] = "/tmp/ostra-mci.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        notices.clear();
        others.clear();
        mark = Clock::now();
    }
    void TearDown() override
    {
        linux_mci_shutdown();
        if (window) {
            DestroyWindow(window);
            UnregisterClassA("mci_test", GetModuleHandleA(NULL));
        }
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        }
        linux_mci_set_soundfonts(NULL);
        linux_mci_set_audio_driver(NULL);
        setenv("XDG_DATA_HOME", saved_home.c_str(), 1);
        system(("rm -rf '" + dir + "'").c_str());
    }

    std::string put(const std::string &name, const Bytes &bytes)
    {
        std::string path = dir + "/" + name;
        FILE *f = fopen(path.c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        return path;
    }
    MCIERROR send(const std::string &command, HWND notify = NULL)
    {
        return mciSendStringA(command.c_str(), NULL, 0, notify);
    }
    MCIERROR open(const std::string &file)
    {
        return send("open " + file + " type sequencer alias tune");
    }
    void make_window()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = recording_proc;
        wc.lpszClassName = "mci_test";
        ASSERT_NE(RegisterClassA(&wc), 0);
        window = CreateWindowExA(0, "mci_test", "mci test", WS_CAPTION | WS_SYSMENU, 0, 0, 64, 64,
                                 NULL, NULL, GetModuleHandleA(NULL), NULL);
        ASSERT_NE(window, nullptr);
        others.clear();
    }
    // Runs the message loop for `seconds`, or until `count` notices came.
    void pump(double seconds, size_t count = SIZE_MAX)
    {
        Clock::time_point start = Clock::now();
        while (seconds_since(start) < seconds && notices.size() < count) {
            MSG msg;
            while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    int voices_within(double seconds)
    {
        Clock::time_point start = Clock::now();
        int v = 0;
        while (seconds_since(start) < seconds && (v = linux_mci_voices()) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return v;
    }
};

} // namespace

TEST_F(MciTest, CommandsItDoesNotUnderstandFailWithTheirMciCodes)
{
    std::string tune = put("tune.mid", tune_file(2));
    put("text.mid", Bytes{'h', 'e', 'l', 'l', 'o'});
    auto expand = [&](std::string c) {
        for (size_t at; (at = c.find_first_of("$@")) != std::string::npos;)
            c.replace(at, 1, c[at] == '$' ? tune : dir);
        return c;
    };
    EXPECT_EQ(mciSendStringA(NULL, NULL, 0, NULL), (MCIERROR)MCIERR_MISSING_COMMAND_STRING);
    for (const Refusal &r : refused_closed) {
        EXPECT_EQ(send(expand(r.command)), r.code) << r.command;
        EXPECT_EQ(send("play tune"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME) << "after " << r.command;
    }
    ASSERT_EQ(open(tune), 0u);
    for (const Refusal &r : refused_open) {
        EXPECT_EQ(send(expand(r.command)), r.code) << r.command;
        EXPECT_EQ(linux_mci_voices(), 0) << r.command;
    }
    EXPECT_EQ(send("close tune"), 0u);
}

TEST_F(MciTest, FilesTheSequencerCannotReadAreInvalidAndOpenNothing)
{
    Bytes good = tune_file(2);
    for (const auto &d : damage) {
        Bytes bad = good;
        std::copy(d.bytes.begin(), d.bytes.end(), bad.begin() + long(d.at));
        EXPECT_EQ(open(put("bad.mid", bad)), (MCIERROR)MCIERR_INVALID_FILE) << d.what;
        EXPECT_EQ(send("play tune"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME) << d.what;
    }
    EXPECT_EQ(open(put("short.mid", Bytes(good.begin(), good.end() - 1))),
              (MCIERROR)MCIERR_INVALID_FILE);
    // A chunk of an unknown type before the track is skipped, as the format asks.
    Bytes extra(good.begin(), good.begin() + 14);
    extra.insert(extra.end(), {'X', 'f', 'o', 'o', 0, 0, 0, 2, 1, 2});
    extra.insert(extra.end(), good.begin() + 14, good.end());
    EXPECT_EQ(open(put("extra.mid", extra)), 0u);
}

TEST_F(MciTest, OpenPlayAndCloseInAnyCaseAndThePlayReturnsAtOnce)
{
    make_window();
    std::string file = put("Long.MID", tune_file(140)); // as long as the program's tune
    char answer[8] = "junk";
    EXPECT_EQ(mciSendStringA(("OPEN " + file + " TYPE Sequencer ALIAS MuSiC").c_str(), answer,
                             sizeof(answer), NULL),
              0u);
    EXPECT_STREQ(answer, "") << "no command here answers";
    EXPECT_EQ(linux_mci_voices(), 0) << "opened, not yet playing";
    Clock::time_point start = Clock::now();
    EXPECT_EQ(send("PLAY music FROM 0 NOTIFY", window), 0u);
    EXPECT_LT(seconds_since(start), 2.0) << "the play returns, not after 35 s";
    EXPECT_GT(voices_within(1.0), 0) << "the first note sounds";
    EXPECT_EQ(send("Close MUSIC"), 0u);
    EXPECT_EQ(linux_mci_voices(), 0);
    EXPECT_EQ(send("play MUSIC"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME);
    // Without an alias the device goes by its file; "close all" closes it too.
    EXPECT_EQ(send("open " + file + " type sequencer"), 0u);
    EXPECT_EQ(send("play " + file + " notify", window), 0u);
    EXPECT_GT(voices_within(1.0), 0);
    EXPECT_EQ(send("close all"), 0u);
    EXPECT_EQ(send("play " + file), (MCIERROR)MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send("CLOSE ALL"), 0u) << "nothing open: nothing to do";
    // The end of the process: shutdown ends the play at once, also twice.
    ASSERT_EQ(open(file), 0u);
    ASSERT_EQ(send("play tune notify", window), 0u);
    ASSERT_GT(voices_within(1.0), 0);
    start = Clock::now();
    linux_mci_shutdown();
    linux_mci_shutdown();
    EXPECT_LT(seconds_since(start), 1.0);
    EXPECT_EQ(linux_mci_voices(), 0);
    EXPECT_EQ(send("play tune"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME);
    pump(0.3);
    EXPECT_EQ(notices.size(), 0u) << "no notice for a play closed or shut down";
}

// "@" stands for a file that is no soundfont; the last case finds SDL's audio unharmed.
TEST_F(MciTest, NoSoundfontOrNoOutputFailsQuicklyAndOpensNothing)
{
    const struct {
        std::vector<const char *> fonts; // NULL-terminated; empty: the usual places
        const char *driver, *sdl_driver;
        MCIERROR code;
    } cases[] = {
        {{"/nonexistent/FluidR3_GM.sf2", "@", "/tmp", NULL}, NULL, "dummy",
         MCIERR_SEQ_NOMIDIPRESENT},
        {{NULL}, NULL, "dummy", MCIERR_SEQ_NOMIDIPRESENT},
        {{}, "sdl2", "no-such-output", MCIERR_HARDWARE},  // SDL has no such driver
        {{}, "no-such-driver", "dummy", MCIERR_HARDWARE}, // FluidSynth has none
        {{"@", "/usr/share/sounds/sf2/FluidR3_GM.sf2", NULL}, NULL, "dummy", 0},
    };
    std::string tune = put("tune.mid", tune_file(2));
    std::string not_a_font = put("fake.sf2", Bytes(4096, 0x55));
    for (const auto &c : cases) {
        std::vector<const char *> fonts = c.fonts;
        std::replace_if(fonts.begin(), fonts.end(),
                        [](const char *f) { return f && f[0] == '@'; }, not_a_font.c_str());
        linux_mci_set_soundfonts(fonts.empty() ? NULL : fonts.data());
        linux_mci_set_audio_driver(c.driver);
        setenv("SDL_AUDIODRIVER", c.sdl_driver, 1);
        Clock::time_point start = Clock::now();
        EXPECT_EQ(open(tune), c.code) << c.sdl_driver;
        EXPECT_LT(seconds_since(start), 2.0);
        if (c.code) {
            EXPECT_EQ(send("play tune from 0 notify"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME);
        }
    }
    EXPECT_EQ(send("play tune from 0"), 0u) << "a later font on the list serves";
    EXPECT_GT(voices_within(1.0), 0);
}

// Posted by the synthesizer's thread, it comes through the loop once per notifying play.
TEST_F(MciTest, TheEndOfTheTuneIsNoticedToTheWindowProcedure)
{
    make_window();
    std::string file = put("tune.mid", tune_file(2)); // 500 ms
    ASSERT_EQ(open(file), 0u);
    put("tune.mid", Bytes{'n', 'o', 'p', 'e'}); // read at the open: this changes nothing
    ASSERT_EQ(send("play tune from 0", window), 0u);
    EXPECT_TRUE(sndPlaySoundA(NULL, 0));
    EXPECT_GT(voices_within(1.0), 0) << "the sound stop leaves the sequencer playing";
    pump(0.8);
    ASSERT_EQ(send("play tune from 0 notify", NULL), 0u);
    pump(0.8);
    EXPECT_EQ(notices.size(), 0u) << "no notify, or no window: no notice";

    mark = Clock::now();
    ASSERT_EQ(send("play tune from 0 notify", window), 0u);
    pump(3.0, 1);
    ASSERT_EQ(notices.size(), 1u) << "no notice within 3 s";
    EXPECT_EQ(notices[0].flag, (WPARAM)MCI_NOTIFY_SUCCESSFUL);
    EXPECT_EQ(notices[0].device, 1);
    EXPECT_GE(notices[0].at, 0.45) << "not before the tune has played";
    EXPECT_LT(notices[0].at, 1.5) << "at the end of the sequence, not after the tail";
    pump(0.5);
    EXPECT_EQ(notices.size(), 1u) << "the tune plays once";
    EXPECT_EQ(others, std::vector<UINT>{});

    // At the end, a play with no position has nothing left and completes at once.
    mark = Clock::now();
    ASSERT_EQ(send("play tune notify", window), 0u);
    pump(0.5, 2);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_LT(notices[1].at, 0.2);
    // A play that plays on takes the place of the notice owed: one notice.
    ASSERT_EQ(send("play tune from 0 notify", window), 0u);
    ASSERT_EQ(send("play tune notify", window), 0u);
    pump(1.2);
    EXPECT_EQ(notices.size(), 3u);
}

TEST_F(MciTest, AProcessThatExitsWithTheDevicePlayingEndsCleanly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string file = put("tune.mid", tune_file(140));
    EXPECT_EXIT(
        {
            alarm(10); // a hang on the way out ends in SIGALRM, not in exit code 0
            // Runs after the layer's own exit hook, which it registers at its first open.
            atexit([] {
                if (linux_mci_voices() != 0)
                    _exit(5);
            });
            if (open(file) != 0 || send("play tune from 0 notify") != 0)
                _exit(3);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (linux_mci_voices() == 0)
                _exit(4);
            system(("rm -rf '" + dir + "'").c_str()); // exit skips the destructors
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// The program's own tune, written and started as the program does it.
TEST_F(MciTest, TheProgramsTuneIsWrittenThenOpenedWholeAndPlaysFromItsStart)
{
    make_window();
    setenv("XDG_DATA_HOME", dir.c_str(), 1);
    music_write();
    music_start(window);
    EXPECT_EQ(send("open c:\\e.mid type sequencer alias MUSIC"),
              (MCIERROR)MCIERR_DUPLICATE_ALIAS) << "open under its alias";
    EXPECT_EQ(linux_mci_voices(), 0) << "the first bar is silent";
    EXPECT_GT(voices_within(3.0), 0) << "and the notes follow";
    music_stop();
    EXPECT_GT(voices_within(0.5), 0) << "the sound stop leaves the sequencer playing";
    pump(0.5);
    EXPECT_EQ(notices.size(), 0u) << "34.67 s of tune: no notice yet";
}

TEST_F(MciTest, WithNoPlaceForTheFileTheMusicStartFailsQuicklyAndSilently)
{
    make_window();
    setenv("XDG_DATA_HOME", put("plain", Bytes{'x'}).c_str(), 1);
    music_write();
    Clock::time_point start = Clock::now();
    music_start(window);
    EXPECT_LT(seconds_since(start), 1.0);
    EXPECT_EQ(send("play MUSIC"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME) << "nothing opened";
    pump(0.3);
    EXPECT_EQ(notices.size(), 0u);
}
