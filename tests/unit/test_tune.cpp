// test_tune.cpp -- the embedded tune read back with the sequencer's Standard
// MIDI File reader and held against the file's fixed shape.
#include "music/music.h"
#include "platform/linux_smf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

const int FIRST_NOTE = 1920, LAST_BAR = 48000, TUNE_END = 49920; // 26 bars of 1920 ticks

// Type and length field of each chunk; with their 8-byte heads they fill the file.
const std::vector<std::string> chunk_table = {"MThd 6", "MTrk 23", "MTrk 2253", "MTrk 2214",
                                              "MTrk 751", "MTrk 2226", "MTrk 195"};
// Tempo 333333, an empty name, time signature 4 2 5 22 and the end, all at tick 0.
const std::vector<uint8_t> conductor = {0x00, 0xFF, 0x51, 0x03, 0x05, 0x16, 0x15, 0x00, 0xFF,
                                        0x03, 0x00, 0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x05,
                                        0x16, 0x00, 0xFF, 0x2F, 0x00};

const struct Track {
    const char *name;
    int primary, secondary, program, pan;
    int primary_notes, secondary_notes, low, high, most_held, end;
} tracks[] = {
    {"Track 1", 0, 1, 29, 32, 242, 0, 40, 61, 4, 49920},  // overdriven guitar
    {"Track 2", 2, 3, 73, 96, 149, 1, 52, 73, 4, 49920},  // flute
    {"Track 3", 4, 5, 127, 64, 82, 0, 40, 69, 6, 49920},  // gunshot
    {"Track 4", 6, 7, 33, 64, 238, 0, 28, 49, 1, 48000},  // finger bass
    {"Track 5", 8, 10, 125, 64, 2, 0, 57, 57, 2, 49920},  // helicopter
};

// The set-up at tick 0 as "status data..." with the channel left 0; P and N
// stand for the track's program and pan. Steps 1 and 2 go whole to the
// secondary channel, then to the primary; step 3 message by message.
const std::vector<std::string> step1 = {"B0 100 0", "B0 101 0", "B0 6 12", "E0 0 64", "B0 101 0",
                                        "B0 100 1", "B0 6 64", "B0 38 0", "B0 101 127", "B0 100 127"};
const std::vector<std::string> step2 = {"B0 101 0", "B0 100 2", "B0 6 64", "B0 101 127", "B0 100 127"};
const std::vector<std::string> step3 = {"C0 P", "B0 0 0", "B0 7 127", "B0 10 N",
                                        "B0 93 0", "B0 91 0", "B0 92 0", "B0 95 0"};

std::string line(const SmfEvent &e)
{
    char text[32];
    snprintf(text, sizeof(text), "%X%X", e.kind() >> 4, e.channel());
    std::string out = text;
    for (uint8_t d : e.data)
        out += " " + std::to_string(d);
    return out;
}

std::vector<std::string> set_up(const Track &t)
{
    std::vector<std::string> out;
    auto add = [&](std::string m, int ch) {
        m[1] = "0123456789ABCDEF"[ch];
        if (m.back() == 'P')
            m = m.substr(0, m.size() - 1) + std::to_string(t.program);
        if (m.back() == 'N')
            m = m.substr(0, m.size() - 1) + std::to_string(t.pan);
        out.push_back(m);
    };
    for (const auto *step : {&step1, &step2})
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
    const SmfFile &f = tune();
    ASSERT_EQ(f.error, "");
    std::vector<std::string> chunks;
    for (const SmfChunk &c : f.chunks)
        chunks.push_back(c.type + " " + std::to_string(c.data.size()));
    EXPECT_EQ(chunks, chunk_table);
    EXPECT_EQ(MUSIC_SIZE, 7724);
    EXPECT_EQ(std::to_string(f.format) + " " + std::to_string(f.ntracks) + " " +
                  std::to_string(f.division), "1 6 480");
    EXPECT_EQ(f.chunks[1].data, conductor);
}

TEST(TuneTest, EachInstrumentTracksNameSetUpNotesAndEnd)
{
    ASSERT_EQ(tune().tracks.size(), 6u);
    for (int n = 1; n <= 5; n++) {
        const Track &t = tracks[n - 1];
        const std::vector<SmfEvent> &ev = tune().tracks[n];
        SCOPED_TRACE(t.name);
        ASSERT_GT(ev.size(), 1 + set_up(t).size() + 2);
        EXPECT_EQ(std::string(ev[0].data.begin(), ev[0].data.end()), t.name);
        EXPECT_EQ(ev[0].meta_type, 0x03);
        std::vector<std::string> want = set_up(t), got;
        for (size_t i = 1; i <= want.size(); i++)
            got.push_back(ev[i].tick == 0 ? line(ev[i]) : "late");
        EXPECT_EQ(got, want);
        EXPECT_EQ(ev.back().meta_type, 0x2F);
        EXPECT_EQ(ev.back().tick, t.end);

        // After the set-up only notes on the pair (and track 2's bends), note-offs
        // as 8n; running status wherever a status repeats; the shortest deltas.
        int running = 0, prev = -1, last_tick = 0;
        for (const SmfEvent &e : ev) {
            int delta = e.tick - last_tick;
            last_tick = e.tick;
            EXPECT_EQ(e.delta_bytes, delta < 128 ? 1 : delta < 16384 ? 2 : 3) << e.tick;
            EXPECT_EQ(e.running, e.status == prev) << e.tick;
            running += e.running;
            prev = e.is_meta() ? -1 : e.status;
        }
        std::map<int, int> ons;
        int low = 128, high = -1, held = 0, most = 0;
        for (size_t i = want.size() + 1; i + 1 < ev.size(); i++) {
            const SmfEvent &e = ev[i];
            EXPECT_TRUE(e.channel() == t.primary || e.channel() == t.secondary) << e.tick;
            if (e.kind() == 0x90) {
                EXPECT_EQ(e.data[1], 95) << e.tick;
                EXPECT_GE(e.tick, FIRST_NOTE);
                ons[e.channel()]++;
                low = std::min(low, (int)e.data[0]);
                high = std::max(high, (int)e.data[0]);
                most = std::max(most, ++held);
            } else if (e.kind() == 0x80) {
                EXPECT_EQ(e.data[1], 80) << e.tick;
                held--;
            } else {
                EXPECT_TRUE(n == 2 && e.kind() == 0xE0) << line(e) << " at " << e.tick;
            }
        }
        EXPECT_GT(running, 0);
        EXPECT_EQ(ev[want.size() + 1].tick, FIRST_NOTE);
        EXPECT_EQ(ons[t.primary], t.primary_notes);
        EXPECT_EQ(ons[t.secondary], t.secondary_notes);
        EXPECT_EQ(std::to_string(low) + ".." + std::to_string(high),
                  std::to_string(t.low) + ".." + std::to_string(t.high));
        EXPECT_EQ(most, t.most_held);
        EXPECT_EQ(held, 0) << "every note is released";
    }
}

// The flute's last note on its secondary channel under 229 bends from 7936
// to 8448 one step of 128 at a time; the helicopter's two overlapping notes.
TEST(TuneTest, TheFlutesVibratoAndTheHelicopter)
{
    std::vector<std::string> held;
    std::vector<int> bends;
    for (const SmfEvent &e : tune().tracks.at(2)) {
        if (e.kind() == 0xE0 && e.tick > 0) {
            EXPECT_TRUE(e.tick > LAST_BAR && e.tick < TUNE_END && e.channel() == 3) << e.tick;
            bends.push_back(e.data[0] | e.data[1] << 7);
        } else if (e.channel() == 3 && (e.kind() == 0x80 || e.kind() == 0x90)) {
            held.push_back(std::to_string(e.tick) + " " + line(e));
        }
    }
    ASSERT_EQ(held.size(), 2u);
    std::string key = std::to_string(atoi(held[0].c_str() + 9)); // "48000 93 key 95"
    EXPECT_EQ(held, (std::vector<std::string>{"48000 93 " + key + " 95", "49920 83 " + key + " 80"}));
    ASSERT_EQ(bends.size(), 229u);
    int prev = 8192;
    for (int v : bends) {
        EXPECT_TRUE(v % 128 == 0 && abs(v - prev) <= 128) << v;
        prev = v;
    }
    EXPECT_EQ(*std::min_element(bends.begin(), bends.end()), 7936);
    EXPECT_EQ(*std::max_element(bends.begin(), bends.end()), 8448);

    std::vector<std::string> helicopter;
    for (const SmfEvent &e : tune().tracks.at(5))
        if (e.tick > 0 && !e.is_meta())
            helicopter.push_back(std::to_string(e.tick) + " " + line(e));
    EXPECT_EQ(helicopter, (std::vector<std::string>{"1920 98 57 95", "21120 98 57 95",
                                                    "30720 88 57 80", "49920 88 57 80"}));
}
