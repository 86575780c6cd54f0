// test_mci.cpp -- the MCI sequencer's command layer on the recording
// platform's device: the commands and their codes, what reaches the device,
// and the end notice, through the real queue, from the end the device reports.
#include "fakes/fake_platform.h"
#include "fakes/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>

using fake::log;

static const Scratch dir;

// The one-note tune, or with `damage` written at `at` and the rest cut after `size` bytes.
static std::string tune(const char *name, size_t at = 0, std::string damage = "", size_t size = 45)
{
    write_bytes(dir / name, std::string(one_note).replace(at, damage.size(), damage).substr(0, size));
    return "open " + dir / name + " type sequencer";
}
static const HWND window = (HWND)&dir;
static void notices_take()
{
    for (MSG m; PeekMessageA(&m, NULL, 0, 0, PM_REMOVE);)
        fake::record("notice", m.hwnd == window ? "window" : "other", m.message, (unsigned)m.wParam, (int)m.lParam);
}
// The command's code, with the notices it left in the queue logged.
static MCIERROR send(const std::string &c, HWND w = 0)
{
    MCIERROR code = mciSendStringA(c.c_str(), 0, 0, w);
    notices_take();
    return code;
}
static const std::string notice = "notice window 953 1 1"; // MM_MCINOTIFY, successful, device 1

TEST(Mci, CommandsTheirCodesAndWhatReachesTheDevice)
{
    const std::string t = tune("t.mid"), play = "play tune from ";
    const struct { std::string command; MCIERROR code; std::vector<std::string> calls; } script[] = {
        {"", MCIERR_MISSING_COMMAND_STRING, {}}, {"stop tune", MCIERR_UNRECOGNIZED_COMMAND, {}},
        {"play", MCIERR_MISSING_DEVICE_NAME, {}}, {t + " notify", MCIERR_UNRECOGNIZED_KEYWORD, {}},
        {t + "x", MCIERR_INVALID_DEVICE_NAME, {}}, {t + " alias", MCIERR_MISSING_STRING_ARGUMENT, {}},
        {"open " + dir / "t.mid", MCIERR_EXTENSION_NOT_FOUND, {}},
        {"OPEN " + dir / "t.mid TYPE Sequencer ALIAS Tune", 0, {"open 45 480"}}, {t, MCIERR_SEQ_PORT_INUSE, {}},
        {t + " alias TUNE", MCIERR_DUPLICATE_ALIAS, {}}, {play, MCIERR_MISSING_PARAMETER, {}},
        {play + "x", MCIERR_BAD_INTEGER, {}}, {play + "0000000000", MCIERR_BAD_INTEGER, {}},
        {play + "500", MCIERR_UNSUPPORTED_FUNCTION, {}}, {play + "0 from 0", MCIERR_DUPLICATE_FLAGS, {}},
        {"play tune notify notify", MCIERR_DUPLICATE_FLAGS, {}}, {"close tune notify", MCIERR_UNRECOGNIZED_KEYWORD, {}},
        {play + "000000000", 0, {"play 0"}}, {"play tune", 0, {}}, {"close other", MCIERR_INVALID_DEVICE_NAME, {}},
        {"close all", 0, {"close"}}, {"close all", 0, {}}, {"play tune", MCIERR_INVALID_DEVICE_NAME, {}},
        {t, 0, {"open 45 480"}}, {"close " + dir / "T.MID", 0, {"close"}}}; // no alias: the file names it
    for (const auto &s : script) {
        log.clear();
        EXPECT_EQ(send(s.command, window), s.code) << s.command;
        EXPECT_EQ(log, s.calls) << s.command;
    }
    // The files the open takes: formats 0 (one track) and 1, a tick division,
    // a tempo not 0. `two`: two empty tracks.
    const std::string two("\0\2\1\xE0MTrk\0\0\0\4\0\xFF\x2F\0MTrk\0\0\0\4\0\xFF\x2F\0", 28);
    const struct { const char *name; size_t at; std::string damage; MCIERROR code; size_t size = 45; } files[] = {
        {"", 0, "", MCIERR_FILE_NOT_FOUND}, {"a", 0, "X", MCIERR_INVALID_FILE}, {"f1", 9, "\1", 0},
        {"f2", 9, "\2", MCIERR_INVALID_FILE}, {"sm", 12, "\xE7", MCIERR_INVALID_FILE},
        {"d0", 12, {0, 0}, MCIERR_INVALID_FILE}, {"t0", 26, {0, 0, 0}, MCIERR_INVALID_FILE},
        {"t1", 26, {1, 0, 0}, 0}, {"t2", 26, {0, 1, 0}, 0}, {"f0x2", 10, two, MCIERR_INVALID_FILE, 38},
        {"f1x2", 9, "\1" + two, 0, 38}};
    auto fds = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto before = fds();
    for (const auto &f : files) {
        EXPECT_EQ(send(tune(f.name, f.at, f.damage, f.size)), f.code) << f.name;
        send("close all");
    }
    EXPECT_EQ(fds(), before) << "every file the open read is closed, the folder too";
    fake::platform.refused = MCIERR_SEQ_NOMIDIPRESENT; // the device's own answer is the open's
    log.clear();
    EXPECT_EQ(send(t + " alias tune"), (MCIERROR)MCIERR_SEQ_NOMIDIPRESENT);
    EXPECT_EQ(send("play tune"), (MCIERROR)MCIERR_INVALID_DEVICE_NAME) << "nothing was opened";
    EXPECT_EQ(send("close all"), 0u);
    EXPECT_EQ(log, (std::vector<std::string>{"open 45 480"})) << "nothing to close";
    fake::platform.refused = 0;
    char answer[] = "old"; // no command answers: a buffer given is left empty
    EXPECT_TRUE(mciSendStringA("close all", answer, 4, 0) == 0 && !answer[0] && mciSendStringA("close all", 0, 4, 0) == 0);
    EXPECT_FALSE(sndPlaySoundA("x.wav", 0));
    EXPECT_TRUE(sndPlaySoundA(NULL, 0));
}

// Each step: a command, or "end", the device's report that the latest play
// has reached the end, and the calls it makes.
TEST(Mci, TheEndIsNoticedOnceByTheLatestPlayThatAskedAndNeverAfterAClose)
{
    const std::string t = tune("t.mid") + " alias m";
    const struct { std::string step; std::vector<std::string> calls; } steps[] = {
        {t, {"open 45 480"}}, {"end", {}}, // no play asked for a notice
        {"play m from 0 notify", {"play 0"}}, {"end", {notice}}, {"end", {}},
        {"play m notify", {notice}}, {"play m", {}}, // at the end already: nothing left to sound
        {"play m from 0 notify", {"play 1"}}, {"play m", {}}, {"end", {}}, // its place was taken
        {"play m from 0", {"play 1"}}, {"play m notify", {}}, {"end", {notice}},
        {"play m from 0 notify", {"play 1"}}, {"close m", {"close"}}, {"end", {}},
        {t, {"open 45 480"}}, {"play m notify", {"play 0"}}, {"close all", {"close"}},
        // An empty tune ends at its start, and is never played.
        {tune("e.mid", 18, std::string("\0\0\0\4\0\xFF\x2F\0", 8), 26) + " alias m", {"open 26 0"}},
        {"play m notify", {notice}}, {"play m from 0 notify", {notice}}, {"end", {}}, {"close m", {"close"}}};
    for (const auto &s : steps) {
        log.clear();
        if (s.step == "end")
            win32_mci_tune_ended(), notices_take();
        else
            EXPECT_EQ(send(s.step, window), 0u) << s.step;
        EXPECT_EQ(log, s.calls) << s.step;
    }
}
