// test_tune.cpp -- the embedded tune read back with the tests' own reader and
// held against the file's fixed shape, chunk by chunk and track by track.
#include "music/music.h"
#include "music/smf_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int FIRST_NOTE = 1920; // the first bar is silent
constexpr int LAST_BAR = 48000;
constexpr int TUNE_END = 49920;  // 26 bars of 1920 ticks

// Type and length field of each chunk; with their 8-byte heads they fill the file.
const struct {
    const char *type;
    size_t length;
} chunk_table[] = {
    {"MThd", 6}, {"MTrk", 23}, {"MTrk", 2253}, {"MTrk", 2214},
    {"MTrk", 751}, {"MTrk", 2226}, {"MTrk", 195},
};

// Track 0: tempo 333333, an empty name, time signature 4, 2, 5, 22 and the
// end of track, all at tick 0.
const uint8_t conductor_bytes[] = {
    0x00, 0xFF, 0x51, 0x03, 0x05, 0x16, 0x15,
    0x00, 0xFF, 0x03, 0x00,
    0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x05, 0x16,
    0x00, 0xFF, 0x2F, 0x00,
};

struct TrackRow {
    const char *name;
    int primary, secondary, program, pan;
    int primary_notes, secondary_notes, low, high, most_held, end;
};
const TrackRow track_table[] = {
    {"Track 1", 0, 1, 29, 32, 242, 0, 40, 61, 4, 49920},  // overdriven guitar
    {"Track 2", 2, 3, 73, 96, 149, 1, 52, 73, 4, 49920},  // flute
    {"Track 3", 4, 5, 127, 64, 82, 0, 40, 69, 6, 49920},  // gunshot
    {"Track 4", 6, 7, 33, 64, 238, 0, 28, 49, 1, 48000},  // finger bass
    {"Track 5", 8, 10, 125, 64, 2, 0, 57, 57, 2, 49920},  // helicopter
};

// A channel message as a row: tick, status, and its value(s): controller and
// value, the program, a note and its velocity, or a pitch bend 0..16383.
using Msg = std::array<int, 4>;

Msg row_of(const smf::Event &e)
{
    if (e.kind() == 0xE0)
        return {int(e.tick), e.status, e.data.at(0) | e.data.at(1) << 7, 0};
    return {int(e.tick), e.status, e.data.at(0), e.data.size() > 1 ? e.data[1] : 0};
}

// The three set-up steps, with the status's channel left 0; -1 stands for
// the track's program or pan.
const std::vector<Msg> step1 = {   // bend range 12, bend centred, fine tuning centred, null
    {0, 0xB0, 100, 0}, {0, 0xB0, 101, 0}, {0, 0xB0, 6, 12}, {0, 0xE0, 8192, 0},
    {0, 0xB0, 101, 0}, {0, 0xB0, 100, 1}, {0, 0xB0, 6, 64}, {0, 0xB0, 38, 0},
    {0, 0xB0, 101, 127}, {0, 0xB0, 100, 127},
};
const std::vector<Msg> step2 = {   // coarse tuning centred, null
    {0, 0xB0, 101, 0}, {0, 0xB0, 100, 2}, {0, 0xB0, 6, 64}, {0, 0xB0, 101, 127},
    {0, 0xB0, 100, 127},
};
const std::vector<Msg> step3 = {   // program, bank, volume, pan, the four effects
    {0, 0xC0, -1, 0}, {0, 0xB0, 0, 0}, {0, 0xB0, 7, 127}, {0, 0xB0, 10, -1},
    {0, 0xB0, 93, 0}, {0, 0xB0, 91, 0}, {0, 0xB0, 92, 0}, {0, 0xB0, 95, 0},
};

// Track 5 after its set-up, but for the end of track.
const Msg helicopter_events[] = {
    {1920, 0x98, 57, 95}, {21120, 0x98, 57, 95}, {30720, 0x88, 57, 80}, {49920, 0x88, 57, 80},
};

// Track 2's vibrato under its last note.
constexpr int VIBRATO_EVENTS = 229, VIBRATO_LOW = 7936, VIBRATO_HIGH = 8448, VIBRATO_STEP = 128;

const smf::File &tune()
{
    static const smf::File file = smf::read(music_data, MUSIC_SIZE);
    return file;
}

const std::vector<smf::Event> &track(int n)
{
    return tune().tracks.at(size_t(n));
}

// Groups 1 and 2 go whole to the secondary channel and then to the primary;
// in step 3 each message goes to the secondary and at once to the primary.
std::vector<Msg> set_up(const TrackRow &r)
{
    std::vector<Msg> out;
    auto add = [&](const Msg &m, int ch) {
        out.push_back({0, m[1] | ch, m[2] < 0 ? r.program : m[2], m[3] < 0 ? r.pan : m[3]});
    };
    for (const std::vector<Msg> *step : {&step1, &step2})
        for (int ch : {r.secondary, r.primary})
            for (const Msg &m : *step)
                add(m, ch);
    for (const Msg &m : step3)
        for (int ch : {r.secondary, r.primary})
            add(m, ch);
    return out;
}

// The channel messages from the first note on.
std::vector<smf::Event> after_set_up(int n)
{
    const std::vector<smf::Event> &t = track(n);
    size_t skip = 1 + set_up(track_table[n - 1]).size();
    if (t.size() < skip + 1)
        return {};
    return std::vector<smf::Event>(t.begin() + long(skip), t.end() - 1);
}

TEST(TuneFileTest, ChunksHeaderAndConductorTrack)
{
    const smf::File &f = tune();
    ASSERT_EQ(f.error, "");
    ASSERT_EQ(f.chunks.size(), std::size(chunk_table));
    size_t total = 0;
    for (size_t i = 0; i < f.chunks.size(); i++) {
        EXPECT_EQ(f.chunks[i].type, chunk_table[i].type) << "chunk " << i;
        EXPECT_EQ(f.chunks[i].data.size(), chunk_table[i].length) << "chunk " << i;
        total += 8 + f.chunks[i].data.size();
    }
    EXPECT_EQ(total, 7724u);
    EXPECT_EQ(MUSIC_SIZE, 7724);
    EXPECT_EQ(f.format, 1);
    EXPECT_EQ(f.ntracks, 6);
    EXPECT_EQ(f.division, 480);
    EXPECT_EQ(f.tracks.size(), 6u);
    EXPECT_EQ(f.chunks[1].data, std::vector<uint8_t>(std::begin(conductor_bytes),
                                                     std::end(conductor_bytes)));
}

class InstrumentTrackTest : public testing::TestWithParam<int> {
protected:
    const TrackRow &row() const { return track_table[GetParam() - 1]; }
    const std::vector<smf::Event> &t() const { return track(GetParam()); }
};

TEST_P(InstrumentTrackTest, OpensWithItsNameAndTheSetUpAtTickZero)
{
    ASSERT_EQ(tune().error, "");
    const smf::Event &name = t().at(0);
    EXPECT_EQ(name.tick, 0);
    EXPECT_EQ(name.meta_type, 0x03);
    EXPECT_EQ(std::string(name.data.begin(), name.data.end()), row().name);
    std::vector<Msg> want = set_up(row()), got;
    for (size_t i = 1; i <= want.size() && i < t().size(); i++)
        got.push_back(t()[i].is_meta() ? Msg{int(t()[i].tick), 0xFF, 0, 0} : row_of(t()[i]));
    EXPECT_EQ(got, want);
}

// Nothing but the name, the set-up, 8n/9n notes (and track 2's bends) and the end.
TEST_P(InstrumentTrackTest, EveryEventIsOfTheFixedKinds)
{
    int in_force = -1, running = 0;
    for (size_t i = 0; i < t().size(); i++) {
        const smf::Event &e = t()[i];
        SCOPED_TRACE("event " + std::to_string(i) + " at tick " + std::to_string(e.tick));
        EXPECT_EQ(e.delta_bytes, e.delta < 128 ? 1 : e.delta < 16384 ? 2 : 3);
        EXPECT_EQ(e.running, e.status == in_force);
        running += e.running;
        in_force = e.is_meta() ? -1 : e.status;
        EXPECT_EQ(e.is_meta(), i == 0 || i + 1 == t().size());
    }
    EXPECT_GT(running, 0);
    const smf::Event &end = t().back();
    EXPECT_EQ(end.meta_type, 0x2F);
    EXPECT_TRUE(end.data.empty());
    EXPECT_EQ(end.tick, row().end);

    std::vector<smf::Event> notes = after_set_up(GetParam());
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.front().tick, FIRST_NOTE);
    for (const smf::Event &e : notes) {
        bool bend = GetParam() == 2 && e.status == (0xE0 | row().secondary);
        bool ours = e.channel() == row().primary || e.channel() == row().secondary;
        EXPECT_TRUE(bend || (ours && (e.kind() == 0x80 || e.kind() == 0x90)))
            << "status " << int(e.status) << " at tick " << e.tick;
    }
}

TEST_P(InstrumentTrackTest, NotesVelocitiesRangeAndPolyphony)
{
    std::map<int, int> ons; // note-ons per channel
    int low = 128, high = -1, held = 0, most = 0;
    for (const smf::Event &e : after_set_up(GetParam())) {
        if (e.kind() == 0x90) {
            EXPECT_EQ(e.data[1], 95) << "note-on at " << e.tick; // never a 9n note-off
            ons[e.channel()]++;
            low = std::min(low, int(e.data[0]));
            high = std::max(high, int(e.data[0]));
            most = std::max(most, ++held);
        } else if (e.kind() == 0x80) {
            EXPECT_EQ(e.data[1], 80) << "note-off at " << e.tick;
            held--;
        }
    }
    EXPECT_EQ(ons[row().primary], row().primary_notes);
    EXPECT_EQ(ons[row().secondary], row().secondary_notes);
    EXPECT_EQ(low, row().low);
    EXPECT_EQ(high, row().high);
    EXPECT_EQ(most, row().most_held);
    EXPECT_EQ(held, 0) << "every note is released before the end";
}

INSTANTIATE_TEST_SUITE_P(Tune, InstrumentTrackTest, testing::Range(1, 6),
                         [](const testing::TestParamInfo<int> &p) {
                             return "Track" + std::to_string(p.param);
                         });

TEST(TuneTrackTest, FluteEndsOnAHeldNoteOnItsSecondaryChannelUnderAVibrato)
{
    std::vector<Msg> secondary;
    std::vector<int> bends;
    for (const smf::Event &e : after_set_up(2)) {
        if (e.kind() == 0xE0) {
            EXPECT_GT(e.tick, LAST_BAR);
            EXPECT_LT(e.tick, TUNE_END);
            bends.push_back(row_of(e)[2]);
        } else if (e.channel() == 3) {
            secondary.push_back(row_of(e));
        }
    }
    ASSERT_EQ(secondary.size(), 2u);
    int key = secondary[0][2];
    EXPECT_EQ(secondary, (std::vector<Msg>{{LAST_BAR, 0x93, key, 95}, {TUNE_END, 0x83, key, 80}}));

    ASSERT_EQ(int(bends.size()), VIBRATO_EVENTS);
    int prev = 8192;
    for (int v : bends) {
        EXPECT_EQ(v % VIBRATO_STEP, 0) << v;
        EXPECT_LE(std::abs(v - prev), VIBRATO_STEP) << "one step at a time";
        prev = v;
    }
    EXPECT_EQ(*std::min_element(bends.begin(), bends.end()), VIBRATO_LOW);
    EXPECT_EQ(*std::max_element(bends.begin(), bends.end()), VIBRATO_HIGH);
}

TEST(TuneTrackTest, HelicopterStrikesTwiceAndTheSecondNoteStartsOverTheFirst)
{
    std::vector<Msg> got;
    for (const smf::Event &e : after_set_up(5))
        got.push_back(row_of(e));
    EXPECT_EQ(got, std::vector<Msg>(std::begin(helicopter_events), std::end(helicopter_events)));
}

} // namespace
