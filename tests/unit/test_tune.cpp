// test_tune.cpp -- the embedded tune read back with the sequencer's Standard
// MIDI File reader and held against the file's fixed shape.
#include "music/music.h"
#include "platform/linux_smf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using Lines = std::vector<std::string>;

namespace {

// Type and length field of each chunk; with their 8-byte heads they fill the file.
const Lines chunk_table = {"MThd 6", "MTrk 23", "MTrk 2253", "MTrk 2214", "MTrk 751", "MTrk 2226", "MTrk 195"};
// Tempo 333333, an empty name, time signature 4 2 5 22 and the end, all at tick 0.
const std::vector<uint8_t> conductor = {0, 0xFF, 0x51, 3, 0x05, 0x16, 0x15, 0, 0xFF, 0x03, 0, 0, 0xFF, 0x58,
                                        4, 4, 2, 5, 22, 0, 0xFF, 0x2F, 0};

const struct Track {
    const char *name;
    int primary, secondary, program, pan, primary_notes, secondary_notes, low, high, most_held, end;
} tracks[] = {
    {"Track 1", 0, 1, 29, 32, 242, 0, 40, 61, 4, 49920},  // overdriven guitar
    {"Track 2", 2, 3, 73, 96, 149, 1, 52, 73, 4, 49920},  // flute
    {"Track 3", 4, 5, 127, 64, 82, 0, 40, 69, 6, 49920},  // gunshot
    {"Track 4", 6, 7, 33, 64, 238, 0, 28, 49, 1, 48000},  // finger bass
    {"Track 5", 8, 10, 125, 64, 2, 0, 57, 57, 2, 49920},  // helicopter
};

// The set-up at tick 0 as "status data..." with the channel as c; P and N
// stand for the track's program and pan. Steps 1 and 2 go whole to the
// secondary channel, then to the primary; step 3 message by message.
const Lines step1 = {"Bc 100 0", "Bc 101 0", "Bc 6 12", "Ec 0 64", "Bc 101 0",
                     "Bc 100 1", "Bc 6 64", "Bc 38 0", "Bc 101 127", "Bc 100 127"};
const Lines step2 = {"Bc 101 0", "Bc 100 2", "Bc 6 64", "Bc 101 127", "Bc 100 127"};
const Lines step3 = {"Cc P", "Bc 0 0", "Bc 7 127", "Bc 10 N", "Bc 93 0", "Bc 91 0", "Bc 92 0", "Bc 95 0"};

std::string line(const SmfEvent &e)
{
    std::string out = {"0123456789ABCDEF"[e.kind() >> 4], "0123456789ABCDEF"[e.channel()]};
    for (uint8_t d : e.data)
        out += " " + std::to_string(d);
    return out;
}

Lines set_up(const Track &t)
{
    Lines out;
    auto add = [&](std::string m, int ch) {
        m[1] = "0123456789ABCDEF"[ch];
        char last = m.back();
        if (last == 'P' || last == 'N')
            m = m.substr(0, m.size() - 1) + std::to_string(last == 'P' ? t.program : t.pan);
        out.push_back(m);
    };
    for (const Lines *step : {&step1, &step2})
        for (int ch : {t.secondary, t.primary})
            for (const std::string &m : *step)
                add(m, ch);
    for (const std::string &m : step3)
        for (int ch : {t.secondary, t.primary})
            add(m, ch);
    return out;
}

const SmfFile &tune()
{
    static const SmfFile file = smf_read(music_data, MUSIC_SIZE);
    return file;
}

} // namespace

TEST(TuneTest, ChunksHeaderAndConductorTrack)
{
    ASSERT_EQ(tune().error, "");
    Lines chunks;
    for (const SmfChunk &c : tune().chunks)
        chunks.push_back(c.type + " " + std::to_string(c.data.size()));
    EXPECT_EQ(chunks, chunk_table);
    EXPECT_EQ(MUSIC_SIZE, 7724);
    EXPECT_EQ(std::to_string(tune().format) + " " + std::to_string(tune().ntracks) + " " +
                  std::to_string(tune().division), "1 6 480");
    EXPECT_EQ(tune().chunks[1].data, conductor);
}

// Its name and set-up at tick 0, then from tick 1920 (the first bar is
// silent) only notes on its pair of channels (and track 2's bends): note-ons
// of velocity 95, note-offs as 8n of 80, running status, short delta-times.
TEST(TuneTest, EachInstrumentTracksNameSetUpNotesAndEnd)
{
    ASSERT_EQ(tune().tracks.size(), 6u);
    for (int n = 1; n <= 5; n++) {
        const Track &t = tracks[n - 1];
        const std::vector<SmfEvent> &ev = tune().tracks[n];
        Lines want = set_up(t), got;
        SCOPED_TRACE(t.name);
        ASSERT_GT(ev.size(), want.size() + 2);
        EXPECT_EQ(std::string(ev[0].data.begin(), ev[0].data.end()) + " " + std::to_string(ev[0].meta_type),
                  std::string(t.name) + " 3");
        for (size_t i = 1; i <= want.size(); i++)
            got.push_back(ev[i].tick == 0 ? line(ev[i]) : "late");
        EXPECT_EQ(got, want);
        EXPECT_EQ(ev[want.size() + 1].tick, 1920);
        EXPECT_EQ(std::to_string(ev.back().meta_type) + " " + std::to_string(ev.back().tick),
                  "47 " + std::to_string(t.end));

        std::map<int, int> ons;
        int low = 128, high = -1, held = 0, most = 0, running = 0;
        for (const SmfEvent &e : ev) {
            running += e.running;
            EXPECT_LE(e.delta_bytes, 3);
        }
        for (size_t i = want.size() + 1; i + 1 < ev.size(); i++) {
            const SmfEvent &e = ev[i];
            EXPECT_TRUE(e.channel() == t.primary || e.channel() == t.secondary) << e.tick;
            if (e.kind() == 0x90) {
                EXPECT_EQ(e.data[1], 95) << e.tick;
                ons[e.channel()]++;
                low = std::min(low, (int)e.data[0]), high = std::max(high, (int)e.data[0]);
                most = std::max(most, ++held);
            } else if (e.kind() == 0x80) {
                EXPECT_EQ(e.data[1], 80) << e.tick;
                held--;
            } else {
                EXPECT_TRUE(n == 2 && e.kind() == 0xE0) << line(e) << " at " << e.tick;
            }
        }
        EXPECT_GT(running, 0);
        char row[64];
        snprintf(row, sizeof(row), "%d+%d notes, %d..%d, %d at once, %d held at the end",
                 ons[t.primary], ons[t.secondary], low, high, most, held);
        char expected[64];
        snprintf(expected, sizeof(expected), "%d+%d notes, %d..%d, %d at once, 0 held at the end",
                 t.primary_notes, t.secondary_notes, t.low, t.high, t.most_held);
        EXPECT_STREQ(row, expected);
    }
}

// The flute's last note, on its secondary channel, under 229 bends from 7936
// to 8448 one step of 128 at a time; the helicopter's two overlapping notes.
TEST(TuneTest, TheFlutesVibratoAndTheHelicopter)
{
    Lines held;
    std::vector<int> bends;
    for (const SmfEvent &e : tune().tracks.at(2)) {
        if (e.kind() == 0xE0 && e.tick > 0) {
            EXPECT_TRUE(e.tick > 48000 && e.tick < 49920 && e.channel() == 3) << e.tick;
            bends.push_back(e.data[0] | e.data[1] << 7);
        } else if (e.channel() == 3 && (e.kind() == 0x80 || e.kind() == 0x90)) {
            held.push_back(std::to_string(e.tick) + " " + line(e));
        }
    }
    ASSERT_EQ(held.size(), 2u);
    std::string key = std::to_string(atoi(held[0].c_str() + 9)); // "48000 93 key 95"
    EXPECT_EQ(held, (Lines{"48000 93 " + key + " 95", "49920 83 " + key + " 80"}));
    ASSERT_EQ(bends.size(), 229u);
    for (size_t i = 0; i < bends.size(); i++)
        EXPECT_TRUE(bends[i] % 128 == 0 && abs(bends[i] - (i ? bends[i - 1] : 8192)) <= 128) << bends[i];
    EXPECT_EQ(*std::min_element(bends.begin(), bends.end()), 7936);
    EXPECT_EQ(*std::max_element(bends.begin(), bends.end()), 8448);

    Lines helicopter;
    for (const SmfEvent &e : tune().tracks.at(5))
        if (e.tick > 0 && !e.is_meta())
            helicopter.push_back(std::to_string(e.tick) + " " + line(e));
    EXPECT_EQ(helicopter, (Lines{"1920 98 57 95", "21120 98 57 95", "30720 88 57 80", "49920 88 57 80"}));
}

// The reader's edges, on one-track files: a delta-time of four bytes is the
// longest there is, and a track may not stop between a delta-time and its event.
TEST(TuneTest, TheReaderTakesFourByteDeltasAndRefusesATrackCutAfterOne)
{
    auto read = [](std::string track) {
        std::string b = std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0", 21) + char(track.size()) + track;
        return smf_read((const uint8_t *)b.data(), b.size());
    };
    SmfFile four = read(std::string("\xFF\xFF\xFF\x7F\xFF\x2F\0", 7));
    ASSERT_EQ(four.error, "");
    EXPECT_EQ(four.tracks.at(0).at(0).delta_bytes, 4);
    EXPECT_EQ(four.end_tick, 0x0FFFFFFF);
    EXPECT_NE(read(std::string("\x81\x80\x80\x80\0\xFF\x2F\0", 8)).error, "");
    EXPECT_EQ(read(std::string("\0\x90\x3C\x40\0", 5)).error, "track 0: bad delta-time at byte 4");
}
