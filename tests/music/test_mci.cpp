// test_mci.cpp -- the MCI sequencer layer for real: FluidSynth with the
// system's General MIDI soundfont on SDL's dummy audio output (real time, no
// sound card), the window's message queue under a virtual display, tunes of
// a second or two made here, and the program's own tune as music.cpp starts it.
#include "music/music.h"
#include "platform/linux_mci.h"
#include "platform/linux_platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
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

// ---------------------------------------------------------------------------
// Standard MIDI Files made to measure: one track of timed events, division 480.

struct Event {
    int tick;
    Bytes bytes;
};

void put_vlq(Bytes &out, unsigned v)
{
    unsigned char groups[4];
    int n = 0;
    do {
        groups[n++] = v & 0x7F;
        v >>= 7;
    } while (v && n < 4);
    while (n--)
        out.push_back(groups[n] | (n ? 0x80 : 0));
}

void put_be(Bytes &out, unsigned v, int bytes)
{
    while (bytes--)
        out.push_back((unsigned char)(v >> (8 * bytes)));
}

Bytes track_chunk(std::vector<Event> events, int end_tick)
{
    std::stable_sort(events.begin(), events.end(),
                     [](const Event &a, const Event &b) { return a.tick < b.tick; });
    Bytes body;
    int at = 0;
    for (const Event &e : events) {
        put_vlq(body, e.tick - at);
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        at = e.tick;
    }
    put_vlq(body, end_tick - at);
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
    Bytes chunk = {'M', 'T', 'r', 'k'};
    put_be(chunk, body.size(), 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

Bytes header_chunk(int format, int tracks, int division)
{
    Bytes h = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    put_be(h, format, 2);
    put_be(h, tracks, 2);
    put_be(h, division, 2);
    return h;
}

Event tempo(int tick, unsigned usec)
{
    return {tick, {0xFF, 0x51, 0x03, (unsigned char)(usec >> 16), (unsigned char)(usec >> 8),
                   (unsigned char)usec}};
}

// Piano notes, one after the other, each `length` ticks, from tick 0.
std::vector<Event> notes(int count, int length)
{
    std::vector<Event> e = {{0, {0xC0, 0x00}}};
    for (int i = 0; i < count; i++) {
        e.push_back({i * length, {0x90, (unsigned char)(60 + i % 12), 100}});
        e.push_back({(i + 1) * length, {0x80, (unsigned char)(60 + i % 12), 64}});
    }
    return e;
}

// At 120 beats per minute and 480 ticks a quarter: 960 ticks a second.
Bytes tune_ticks(int end_tick)
{
    std::vector<Event> e = notes(end_tick / 240, 240);
    e.push_back(tempo(0, 500000));
    Bytes file = header_chunk(0, 1, 480);
    Bytes track = track_chunk(e, end_tick);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

// ---------------------------------------------------------------------------

struct TempDir {
    std::string path;
    TempDir()
    {
        char name[] = "/tmp/ostra-mci.XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() { system(("rm -rf '" + path + "'").c_str()); }
    std::string put(const std::string &file, const Bytes &bytes) const
    {
        std::string full = path + "/" + file;
        FILE *f = linux_fopen(full.c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        return full;
    }
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
    TempDir dir;
    HWND window = NULL;

    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        linux_mci_set_soundfonts(NULL);
        linux_mci_set_audio_driver(NULL);
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
    }

    MCIERROR send(const std::string &command, HWND notify = NULL)
    {
        return mciSendStringA(command.c_str(), NULL, 0, notify);
    }
    // Opens a tune of `end_tick` ticks under the alias "tune".
    void open_tune(int end_tick)
    {
        std::string file = dir.put("tune.mid", tune_ticks(end_tick));
        ASSERT_EQ(send("open " + file + " type sequencer alias tune"), 0u);
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

// ---------------------------------------------------------------------------
// Commands the layer refuses, and what they leave behind: nothing.

TEST_F(MciTest, CommandsItDoesNotKnowOrCannotParseFailWithTheirMciCodes)
{
    std::string tune = dir.put("tune.mid", tune_ticks(480));
    std::string text = dir.put("text.mid", Bytes{'h', 'e', 'l', 'l', 'o'});
    const std::vector<std::pair<std::string, MCIERROR>> table = {
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
        {"close all shareable", MCIERR_UNRECOGNIZED_KEYWORD},
        {"open \"" + tune + " type sequencer alias tune", MCIERR_NO_CLOSING_QUOTE},
        {"open " + tune + " type sequencer alias tune shareable", MCIERR_UNRECOGNIZED_KEYWORD},
        {"open " + tune + " type sequencer alias tune from 0", MCIERR_UNRECOGNIZED_KEYWORD},
        {"open " + tune + " type sequencer alias", MCIERR_MISSING_STRING_ARGUMENT},
        {"open " + tune + " type sequencer alias a alias b", MCIERR_DUPLICATE_FLAGS},
        {"open " + tune + " type waveaudio alias tune", MCIERR_INVALID_DEVICE_NAME},
        {"open " + dir.path + "/x.wav alias tune", MCIERR_EXTENSION_NOT_FOUND},
        {"open sequencer alias tune", MCIERR_FILENAME_REQUIRED},
        {"open " + dir.path + "/none.mid type sequencer alias tune", MCIERR_FILE_NOT_FOUND},
        {"open " + dir.path + " type sequencer alias tune", MCIERR_FILE_NOT_FOUND},
        {"open " + text + " type sequencer alias tune", MCIERR_INVALID_FILE},
    };
    for (const auto &row : table) {
        EXPECT_EQ(send(row.first), row.second) << row.first;
        EXPECT_EQ(send("play tune"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME) << "after " << row.first;
    }
    EXPECT_EQ(mciSendStringA(NULL, NULL, 0, NULL), (MCIERROR)MCIERR_MISSING_COMMAND_STRING);
    EXPECT_EQ(send("close all"), 0u); // nothing open: nothing to do, and no error
    EXPECT_EQ(send("CLOSE ALL wait"), 0u);
}

TEST_F(MciTest, FilesTheSequencerCannotReadAreInvalidAndOpenNothing)
{
    Bytes good = tune_ticks(480);
    std::map<std::string, Bytes> bad;
    bad["cut short"] = Bytes(good.begin(), good.end() - 1);
    bad["header only"] = Bytes(good.begin(), good.begin() + 14);
    bad["not MThd"] = good;
    bad["not MThd"][0] = 'X';
    bad["format 2"] = good;
    bad["format 2"][9] = 2;
    bad["format 0 with two tracks"] = good;
    bad["format 0 with two tracks"][11] = 2;
    bad["SMPTE division"] = good;
    bad["SMPTE division"][12] = 0xE7;
    bad["track longer than the file"] = good;
    bad["track longer than the file"][18] = 0x7F;
    // The first event's status byte (the program change) turned into a data byte.
    bad["data with no running status"] = good;
    bad["data with no running status"][23] = 0x40;
    bad["system real-time byte"] = good;
    bad["system real-time byte"][23] = 0xF8;
    Bytes zero_tempo = tune_ticks(480);
    for (size_t i = 22; i + 5 < zero_tempo.size(); i++)
        if (zero_tempo[i] == 0xFF && zero_tempo[i + 1] == 0x51)
            zero_tempo[i + 3] = zero_tempo[i + 4] = zero_tempo[i + 5] = 0;
    bad["tempo of zero"] = zero_tempo;
    for (const auto &b : bad) {
        std::string file = dir.put("bad.mid", b.second);
        EXPECT_EQ(send("open " + file + " type sequencer alias tune"),
                  (MCIERROR)MCIERR_INVALID_FILE)
            << b.first;
        EXPECT_EQ(linux_mci_voices(), 0) << b.first;
        EXPECT_EQ(send("play tune"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME) << b.first;
    }

    // A chunk of an unknown type before the track is skipped, as the format asks.
    Bytes with_extra = header_chunk(0, 1, 480);
    with_extra.insert(with_extra.end(), {'X', 'f', 'o', 'o', 0, 0, 0, 2, 1, 2});
    Bytes track(good.begin() + 14, good.end());
    with_extra.insert(with_extra.end(), track.begin(), track.end());
    std::string file = dir.put("extra.mid", with_extra);
    EXPECT_EQ(send("open " + file + " type sequencer alias tune"), 0u);
}

// ---------------------------------------------------------------------------
// Opening, playing, closing.

TEST_F(MciTest, KeywordsAndAliasesAreCaseInsensitiveAndTheOpenAnswersTheDeviceNumber)
{
    std::string file = dir.put("Tune.MID", tune_ticks(9600));
    char answer[16] = "junk";
    EXPECT_EQ(mciSendStringA(("OPEN " + file + " TYPE Sequencer ALIAS MuSiC").c_str(), answer,
                             sizeof(answer), NULL),
              0u);
    EXPECT_STREQ(answer, "1");
    EXPECT_EQ(linux_mci_voices(), 0) << "opened, not yet playing";
    EXPECT_EQ(send("PLAY music FROM 0"), 0u);
    EXPECT_GT(voices_within(1.0), 0) << "the first note sounds";
    EXPECT_EQ(send("Close MUSIC"), 0u);
    EXPECT_EQ(linux_mci_voices(), 0);
    EXPECT_EQ(send("play MUSIC"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME);
}

TEST_F(MciTest, OneSequencerAtATimeAndCloseAllFreesIt)
{
    open_tune(960);
    std::string other = dir.put("other.mid", tune_ticks(960));
    EXPECT_EQ(send("open " + other + " type sequencer alias TUNE"),
              (MCIERROR)MCIERR_DUPLICATE_ALIAS);
    EXPECT_EQ(send("open " + other + " type sequencer alias second"),
              (MCIERROR)MCIERR_SEQ_PORT_INUSE);
    EXPECT_EQ(send("play second"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send("close all"), 0u);
    EXPECT_EQ(send("play tune"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME);
    // Without an alias the device is known by its file; the type follows the extension.
    EXPECT_EQ(send("open " + other), 0u);
    EXPECT_EQ(send("open " + other), (MCIERROR)MCIERR_DEVICE_OPEN);
    EXPECT_EQ(send("play " + other + " from 0"), 0u);
    EXPECT_EQ(send("close " + other), 0u);
}

TEST_F(MciTest, ThePlayReturnsAtOnceWhileALongTunePlaysOn)
{
    open_tune(960 * 35); // as long as the program's own tune
    Clock::time_point start = Clock::now();
    EXPECT_EQ(send("play tune from 0 notify"), 0u);
    double took = seconds_since(start);
    EXPECT_LT(took, 2.0) << "the play command returns within 2 s, not after 35 s";
    printf("[ figures  ] the play command took %.1f ms\n", took * 1000);
    EXPECT_GT(voices_within(1.0), 0);
}

TEST_F(MciTest, PlayPositionsAreMillisecondsWithinTheSequence)
{
    open_tune(1920); // 2000 ms
    EXPECT_EQ(send("play tune from"), (MCIERROR)MCIERR_MISSING_PARAMETER);
    EXPECT_EQ(send("play tune from x"), (MCIERROR)MCIERR_BAD_INTEGER);
    EXPECT_EQ(send("play tune from -5"), (MCIERROR)MCIERR_BAD_INTEGER);
    EXPECT_EQ(send("play tune from 12x"), (MCIERROR)MCIERR_BAD_INTEGER);
    EXPECT_EQ(send("play tune from 99999999999"), (MCIERROR)MCIERR_BAD_INTEGER);
    EXPECT_EQ(send("play tune from 2001"), (MCIERROR)MCIERR_OUTOFRANGE);
    EXPECT_EQ(send("play tune from 0 from 0"), (MCIERROR)MCIERR_DUPLICATE_FLAGS);
    EXPECT_EQ(send("play tune from 0 to 100"), (MCIERROR)MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(linux_mci_voices(), 0) << "no failed play starts the tune";
    EXPECT_EQ(send("play tune from 2000"), 0u); // the end: nothing left to sound
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(linux_mci_voices(), 0);
}

TEST_F(MciTest, NoSoundfontFailsQuicklyAndOpensNothing)
{
    std::string not_a_font = dir.put("fake.sf2", Bytes(4096, 0x55));
    const char *const fonts[] = {"/nonexistent/FluidR3_GM.sf2", not_a_font.c_str(),
                                 dir.path.c_str(), NULL};
    linux_mci_set_soundfonts(fonts);
    std::string file = dir.put("tune.mid", tune_ticks(480));
    Clock::time_point start = Clock::now();
    EXPECT_EQ(send("open " + file + " type sequencer alias tune"),
              (MCIERROR)MCIERR_SEQ_NOMIDIPRESENT);
    EXPECT_LT(seconds_since(start), 2.0);
    EXPECT_EQ(send("play tune from 0"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME);

    const char *const none[] = {NULL};
    linux_mci_set_soundfonts(none);
    EXPECT_EQ(send("open " + file + " type sequencer alias tune"),
              (MCIERROR)MCIERR_SEQ_NOMIDIPRESENT);

    // A later font on the list is used when the first ones are no fonts.
    const char *const later[] = {not_a_font.c_str(), "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                                 NULL};
    linux_mci_set_soundfonts(later);
    EXPECT_EQ(send("open " + file + " type sequencer alias tune"), 0u);
    EXPECT_EQ(send("play tune from 0"), 0u);
    EXPECT_GT(voices_within(1.0), 0);
}

TEST_F(MciTest, NoAudioOutputFailsQuicklyAndOpensNothing)
{
    std::string file = dir.put("tune.mid", tune_ticks(480));
    const std::vector<std::pair<const char *, const char *>> cases = {
        {"sdl2", "no-such-output"}, // SDL has no such audio driver
        {"no-such-driver", "dummy"}, // FluidSynth has none
    };
    for (const auto &c : cases) {
        linux_mci_set_audio_driver(c.first);
        setenv("SDL_AUDIODRIVER", c.second, 1);
        Clock::time_point start = Clock::now();
        EXPECT_EQ(send("open " + file + " type sequencer alias tune"),
                  (MCIERROR)MCIERR_HARDWARE)
            << c.first << " " << c.second;
        EXPECT_LT(seconds_since(start), 2.0);
        EXPECT_EQ(send("play tune from 0 notify"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME);
    }
    // And the failures left SDL's audio as they found it: a good output opens.
    linux_mci_set_audio_driver(NULL);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(send("open " + file + " type sequencer alias tune"), 0u);
}

TEST_F(MciTest, ADrivePathReachesTheFileThatTheProgramsWriteReached)
{
    setenv("XDG_DATA_HOME", dir.path.c_str(), 1);
    Bytes bytes = tune_ticks(960);
    // What the program's fopen stands for on Linux: the music file is written so.
    FILE *f = linux_fopen("c:\\t.mid", "wb");
    ASSERT_NE(f, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    struct stat st;
    ASSERT_EQ(stat((dir.path + "/ostra/drive_c/t.mid").c_str(), &st), 0);
    EXPECT_EQ(send("open c:\\missing.mid type sequencer alias t"),
              (MCIERROR)MCIERR_FILE_NOT_FOUND);
    EXPECT_EQ(send("open c:\\t.mid type sequencer alias t"), 0u);
    EXPECT_EQ(send("play t from 0"), 0u);
    EXPECT_GT(voices_within(1.0), 0);
    unsetenv("XDG_DATA_HOME");
}

// ---------------------------------------------------------------------------
// The completion notice, through the real message queue.

TEST_F(MciTest, TheEndOfTheTunePostsOneNoticeThatReachesTheWindowProcedure)
{
    make_window();
    std::string file = dir.put("tune.mid", tune_ticks(576)); // 600 ms
    ASSERT_EQ(send("open " + file + " type sequencer alias tune"), 0u);
    mark = Clock::now();
    ASSERT_EQ(send("play tune from 0 notify", window), 0u);
    pump(5.0, 1);
    ASSERT_EQ(notices.size(), 1u) << "no notice within 5 s";
    EXPECT_EQ(notices[0].flag, (WPARAM)MCI_NOTIFY_SUCCESSFUL);
    EXPECT_EQ(notices[0].device, 1);
    EXPECT_GE(notices[0].at, 0.55) << "not before the tune has played";
    EXPECT_LT(notices[0].at, 1.6) << "at the end of the sequence, not after the tail";
    printf("[ figures  ] the notice came %.0f ms after the play of a 600 ms tune\n",
           notices[0].at * 1000);
    pump(0.8);
    EXPECT_EQ(notices.size(), 1u) << "the tune plays once";
    EXPECT_EQ(others, std::vector<UINT>{});
}

TEST_F(MciTest, WithoutNotifyOrWithoutAWindowNoNoticeComes)
{
    make_window();
    open_tune(384); // 400 ms
    ASSERT_EQ(send("play tune from 0", window), 0u); // a window, but no notify
    pump(1.0);
    ASSERT_EQ(send("play tune from 0 notify", NULL), 0u); // notify, but no window
    pump(1.0);
    EXPECT_EQ(notices.size(), 0u);
    // The device is still there and plays again when asked to.
    ASSERT_EQ(send("play tune from 0 notify", window), 0u);
    pump(3.0, 1);
    EXPECT_EQ(notices.size(), 1u);
}

TEST_F(MciTest, ARestartAbortsTheOwedNoticeAndTheNewPlayGetsItsOwn)
{
    make_window();
    open_tune(1920); // 2000 ms
    ASSERT_EQ(send("play tune from 0 notify", window), 0u);
    pump(0.3);
    mark = Clock::now();
    ASSERT_EQ(send("play tune from 1500 notify", window), 0u);
    pump(3.0, 2);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].flag, (WPARAM)MCI_NOTIFY_ABORTED);
    EXPECT_LT(notices[0].at, 0.1) << "at once";
    EXPECT_EQ(notices[1].flag, (WPARAM)MCI_NOTIFY_SUCCESSFUL);
    EXPECT_GE(notices[1].at, 0.45);
    EXPECT_LT(notices[1].at, 1.3) << "500 ms were left to play";

    // Playing on without a position supersedes the notice owed; the end still comes.
    notices.clear();
    mark = Clock::now();
    ASSERT_EQ(send("play tune from 0 notify", window), 0u);
    pump(0.2);
    ASSERT_EQ(send("play tune notify", window), 0u);
    pump(4.0, 2);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].flag, (WPARAM)MCI_NOTIFY_SUPERSEDED);
    EXPECT_EQ(notices[1].flag, (WPARAM)MCI_NOTIFY_SUCCESSFUL);
    EXPECT_GE(notices[1].at, 1.95);

    // At the end, a play with no position has nothing left and completes at once.
    notices.clear();
    mark = Clock::now();
    ASSERT_EQ(send("play tune notify", window), 0u);
    pump(0.5, 1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].flag, (WPARAM)MCI_NOTIFY_SUCCESSFUL);
    EXPECT_LT(notices[0].at, 0.2);
}

TEST_F(MciTest, ClosingWhilePlayingAbortsTheNoticeAndSilencesEveryNote)
{
    make_window();
    open_tune(9600);
    ASSERT_EQ(send("play tune from 0 notify", window), 0u);
    ASSERT_GT(voices_within(1.0), 0);
    ASSERT_EQ(send("close tune notify", window), 0u);
    EXPECT_EQ(linux_mci_voices(), 0);
    pump(0.5);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].flag, (WPARAM)MCI_NOTIFY_ABORTED) << "the play's notice";
    EXPECT_EQ(notices[1].flag, (WPARAM)MCI_NOTIFY_SUCCESSFUL) << "the close's own";
}

TEST_F(MciTest, PositionsFollowTheTempoChanges)
{
    make_window();
    // One second at 120 beats per minute, then 960 ticks at 60: two seconds more.
    Bytes file = header_chunk(1, 2, 480);
    Bytes conductor = track_chunk({tempo(0, 500000), tempo(960, 1000000)}, 960);
    Bytes notes_track = track_chunk(notes(8, 240), 1920);
    file.insert(file.end(), conductor.begin(), conductor.end());
    file.insert(file.end(), notes_track.begin(), notes_track.end());
    std::string path = dir.put("tempo.mid", file);
    ASSERT_EQ(send("open " + path + " type sequencer alias tune"), 0u);
    EXPECT_EQ(send("play tune from 3001"), (MCIERROR)MCIERR_OUTOFRANGE);
    mark = Clock::now();
    ASSERT_EQ(send("play tune from 2400 notify", window), 0u); // 600 ms before the end
    pump(3.0, 1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_GE(notices[0].at, 0.5);
    EXPECT_LT(notices[0].at, 1.3);
}

TEST_F(MciTest, APlayWithWaitReturnsAtTheEnd)
{
    make_window();
    open_tune(576); // 600 ms
    Clock::time_point start = Clock::now();
    ASSERT_EQ(send("play tune from 0 wait notify", window), 0u);
    double took = seconds_since(start);
    EXPECT_GE(took, 0.55);
    EXPECT_LT(took, 2.0);
    pump(0.3, 1);
    EXPECT_EQ(notices.size(), 1u);
}

TEST_F(MciTest, TheFileIsReadAtTheOpenSoChangingItAfterwardsChangesNothing)
{
    make_window();
    std::string file = dir.put("tune.mid", tune_ticks(576));
    ASSERT_EQ(send("open " + file + " type sequencer alias tune"), 0u);
    dir.put("tune.mid", Bytes{'n', 'o', 'p', 'e'});
    ASSERT_EQ(send("play tune from 0 notify", window), 0u);
    EXPECT_GT(voices_within(1.0), 0);
    pump(3.0, 1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].flag, (WPARAM)MCI_NOTIFY_SUCCESSFUL);
}

// ---------------------------------------------------------------------------
// The sound stop and the end of the process.

TEST_F(MciTest, TheSoundStopStopsWaveformSoundsOnlyAndTheSequencerPlaysOn)
{
    make_window();
    open_tune(960);
    ASSERT_EQ(send("play tune from 0 notify", window), 0u);
    EXPECT_TRUE(sndPlaySoundA(NULL, 0));
    EXPECT_GT(voices_within(1.0), 0);
    pump(3.0, 1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].flag, (WPARAM)MCI_NOTIFY_SUCCESSFUL);
    EXPECT_FALSE(sndPlaySoundA("c:\\windows\\media\\ding.wav", 0)) << "no waveform sounds here";
}

TEST_F(MciTest, ShutdownEndsPlaybackAtOnceQuietlyAndTwice)
{
    make_window();
    open_tune(960 * 35);
    ASSERT_EQ(send("play tune from 0 notify", window), 0u);
    ASSERT_GT(voices_within(1.0), 0);
    Clock::time_point start = Clock::now();
    linux_mci_shutdown();
    EXPECT_LT(seconds_since(start), 1.0);
    EXPECT_EQ(linux_mci_voices(), 0);
    linux_mci_shutdown();
    pump(0.3);
    EXPECT_EQ(notices.size(), 0u) << "no notice on the way out";
    EXPECT_EQ(send("play tune"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME);
}

TEST_F(MciTest, AProcessThatExitsWithTheDevicePlayingEndsCleanly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string file = dir.put("tune.mid", tune_ticks(960 * 35));
    EXPECT_EXIT(
        {
            alarm(10); // a hang on the way out ends in SIGALRM, not in exit code 0
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            if (send("open " + file + " type sequencer alias tune") != 0 ||
                send("play tune from 0 notify") != 0)
                _exit(3);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (linux_mci_voices() == 0)
                _exit(4);
            system(("rm -rf '" + dir.path + "'").c_str()); // exit skips the destructors
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// ---------------------------------------------------------------------------
// The program's own tune, written and started as the program does it.

TEST_F(MciTest, TheProgramsTuneIsWrittenThenOpenedWholeAndPlaysFromItsStart)
{
    make_window();
    setenv("XDG_DATA_HOME", dir.path.c_str(), 1);
    music_write();
    Clock::time_point start = Clock::now();
    music_start(window);
    double took = seconds_since(start);
    printf("[ figures  ] the music start (open with the soundfont, play) took %.0f ms\n",
           took * 1000);
    EXPECT_LT(took, 5.0);
    // Opened: a second open of the alias is refused; playing: the first notes
    // sound after the silent first bar, 1333 ms in.
    EXPECT_EQ(send("open c:\\e.mid type sequencer alias MUSIC"),
              (MCIERROR)MCIERR_DUPLICATE_ALIAS);
    EXPECT_EQ(linux_mci_voices(), 0) << "the first bar is silent";
    EXPECT_GT(voices_within(3.0), 0);
    music_stop();
    EXPECT_GT(voices_within(0.5), 0) << "the sound stop leaves the sequencer playing";
    pump(0.5);
    EXPECT_EQ(notices.size(), 0u) << "34.67 s of tune: no notice yet";

    // Its length, 49920 ticks at 180 beats per minute, is 34667 ms.
    EXPECT_EQ(send("play MUSIC from 34668"), (MCIERROR)MCIERR_OUTOFRANGE);
    mark = Clock::now();
    ASSERT_EQ(send("play MUSIC from 33667 notify", window), 0u);
    pump(4.0, 2);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].flag, (WPARAM)MCI_NOTIFY_ABORTED) << "the music start's own notice";
    EXPECT_EQ(notices[1].flag, (WPARAM)MCI_NOTIFY_SUCCESSFUL);
    EXPECT_GE(notices[1].at, 0.95);
    EXPECT_LT(notices[1].at, 1.8);
    unsetenv("XDG_DATA_HOME");
}

TEST_F(MciTest, WithNoPlaceForTheFileTheMusicStartFailsQuicklyAndSilently)
{
    make_window();
    std::string plain = dir.put("plain", Bytes{'x'});
    setenv("XDG_DATA_HOME", plain.c_str(), 1);
    music_write();
    Clock::time_point start = Clock::now();
    music_start(window);
    EXPECT_LT(seconds_since(start), 1.0);
    EXPECT_EQ(send("play MUSIC"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME) << "nothing opened";
    music_stop();
    pump(0.3);
    EXPECT_EQ(notices.size(), 0u);
    unsetenv("XDG_DATA_HOME");
}
