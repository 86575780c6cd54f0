// test_tune.cpp -- the embedded tune read back with the sequencer's Standard
// MIDI File reader and held against the facts of its tracks (its chunks,
// header and conductor track are the composer's own check, which
// tune_composed runs), and the reader's edges.
#include "music/music.h"
#include "platform/midi_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>

using Lines = std::vector<std::string>;
using std::to_string;

namespace {

const SmfFile tune = smf_read(music_data, MUSIC_SIZE);

// Track by track: name, program, pan, primary and secondary channel, then its
// notes: how many on each channel, lowest and highest key, most held at
// once, and the end's tick; the flute's last note, on its secondary channel,
// under bends from 7936 to 8448 one step of 128 at a time.
const Lines summaries = {
    "Track 1 29 32 0 1: 242+0 notes, 40..61, 4 at once, end 49920, 0 bends",    // overdriven guitar
    "Track 2 73 96 2 3: 149+1 notes, 52..73, 4 at once, end 49920, 229 bends 7936..8448", // flute
    "Track 3 127 64 4 5: 82+0 notes, 40..69, 6 at once, end 49920, 0 bends",    // gunshot
    "Track 4 33 64 6 7: 238+0 notes, 28..49, 1 at once, end 48000, 0 bends",    // finger bass
    "Track 5 125 64 8 10: 2+0 notes, 57..57, 2 at once, end 49920, 0 bends",    // helicopter
};

std::string line(const SmfEvent &e)
{
    std::string out = {"0123456789ABCDEF"[e.kind() >> 4], "0123456789ABCDEF"[e.channel()]};
    for (uint8_t d : e.data)
        out += " " + to_string(d);
    return out;
}

} // namespace

// Its name and set-up at tick 0, then from tick 1920 (the first bar is
// silent) only notes on its pair of channels, and bends: note-ons of
// velocity 95, note-offs as 8n of 80, running status, short delta-times.
TEST(TuneTest, EachInstrumentTracksNameSetUpNotesAndEnd)
{
    ASSERT_TRUE(tune.error.empty() && tune.tracks.size() == 6) << tune.error;
    for (int n = 1; n <= 5; n++) {
        const std::vector<SmfEvent> &ev = tune.tracks[n];
        SCOPED_TRACE(n);
        ASSERT_GT(ev.size(), 48u);
        // The set-up at tick 0, 23 messages to each of the pair (their order
        // is the composer's, written from the steps), its program and pan
        // those of its third step.
        int primary = ev[32].channel(), secondary = ev[31].channel();
        std::string program = to_string(ev[31].data.at(0)), pan = to_string(ev[37].data.at(1));
        std::map<int, int> set_up;
        for (size_t i = 1; i <= 46; i++)
            set_up[ev[i].tick == 0 ? ev[i].channel() : -1]++;
        EXPECT_TRUE(set_up[primary] == 23 && set_up[secondary] == 23 && ev[47].tick == 1920);
        EXPECT_TRUE(ev[31].kind() == 0xC0 && ev[32].data == ev[31].data && ev[37].data == ev[38].data &&
                    ev[38].kind() == 0xB0 && ev[38].data[0] == 10) << "program and pan, secondary first";

        std::map<int, int> ons;
        int low = 128, high = -1, held = 0, most = 0, bends = 0, bend = 8192, bend_low = 8192, bend_high = 0;
        long running = std::count_if(ev.begin(), ev.end(), [](const SmfEvent &e) { return e.running; });
        for (size_t i = 47; i + 1 < ev.size(); i++) {
            const SmfEvent &e = ev[i];
            EXPECT_TRUE(e.delta_bytes <= 3 && (e.channel() == primary || e.channel() == secondary)) << e.tick;
            if (e.kind() == 0x90) {
                EXPECT_EQ(e.data[1], 95) << e.tick;
                ons[e.channel()]++;
                low = std::min(low, (int)e.data[0]), high = std::max(high, (int)e.data[0]);
                most = std::max(most, ++held);
            } else if (e.kind() == 0x80) {
                EXPECT_EQ(e.data[1], 80) << e.tick;
                held--;
            } else {
                int last = std::exchange(bend, e.data[0] | e.data[1] << 7);
                EXPECT_TRUE(e.kind() == 0xE0 && e.tick > 48000 && e.tick < 49920 && e.channel() == secondary &&
                            bend % 128 == 0 && abs(bend - last) <= 128) << line(e) << " at " << e.tick;
                bends++, bend_low = std::min(bend_low, bend), bend_high = std::max(bend_high, bend);
            }
        }
        EXPECT_TRUE(running > 0 && held == 0 && ev.back().meta_type == 47);
        char row[128];
        snprintf(row, sizeof(row), "%s %s %s %d %d: %d+%d notes, %d..%d, %d at once, end %d, %d bends",
                 std::string(ev[0].data.begin(), ev[0].data.end()).c_str(), program.c_str(), pan.c_str(),
                 primary, secondary, ons[primary], ons[secondary], low, high, most, ev.back().tick, bends);
        EXPECT_EQ(row + (bends ? " " + to_string(bend_low) + ".." + to_string(bend_high) : ""), summaries[n - 1]);
        EXPECT_EQ(ev[0].meta_type, 3); // the name
    }
}

// The reader's edges, on one-track files: a delta-time of four bytes is the
// longest there is, a track may not stop between a delta-time and its event,
// and running status holds only after a channel message.
TEST(TuneTest, TheReadersEdgesDeltaTimesAndRunningStatus)
{
    auto read = [](std::string track) {
        std::string b = std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0", 21) + char(track.size()) + track;
        return smf_read((const uint8_t *)b.data(), b.size());
    };
    SmfFile four = read(std::string("\xFF\xFF\xFF\x7F\xFF\x2F\0", 7));
    ASSERT_EQ(four.error, "");
    EXPECT_EQ(four.tracks.at(0).at(0).delta_bytes, 4);
    EXPECT_EQ(four.end_tick, 0x0FFFFFFF);
    EXPECT_EQ(read(std::string("\x81\x80\x80\x80\0\xFF\x2F\0", 8)).error, "track 0: bad delta-time at byte 0");
    EXPECT_EQ(read(std::string("\0\x90\x3C\x40\0", 5)).error, "track 0: bad delta-time at byte 4");
    // Running status carries a channel message's status on; a track's start
    // and a meta event leave none in force.
    SmfFile run = read(std::string("\0\x90\x3C\x40\0\x3C\0\0\xFF\x2F\0", 11));
    ASSERT_EQ(run.error, "");
    EXPECT_TRUE(run.tracks[0][1].running && run.tracks[0][1].status == 0x90 && run.tracks[0][1].data[1] == 0);
    EXPECT_EQ(read(std::string("\0\x3C\x40\0\xFF\x2F\0", 7)).error,
              "track 0: running status with none in force at byte 0");
    EXPECT_EQ(read(std::string("\0\x90\x3C\x40\0\xFF\x01\0\0\x3C\0\0\xFF\x2F\0", 15)).error,
              "track 0: running status with none in force at byte 8");
}
