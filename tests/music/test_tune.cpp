// test_tune.cpp -- the embedded tune read back with the tests' own reader and
// held against the shape the file must have, chunk by chunk and track by
// track. The expected values are the fixed facts, written out in the tables below.
#include "music/music.h"
#include "music/smf_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr uint32_t BAR = 1920;             // ticks of a 4/4 bar at division 480
constexpr uint32_t FIRST_NOTE = 1920;      // the first bar is silent
constexpr uint32_t LAST_BAR = 48000;       // the flute's held note, the bass's end
constexpr uint32_t TUNE_END = 49920;       // 26 bars

// "Its seven chunks fill the 7724 bytes exactly."
struct ChunkRow {
    const char *type;
    uint32_t length;
};
const ChunkRow chunk_table[] = {
    {"MThd", 6}, {"MTrk", 23}, {"MTrk", 2253}, {"MTrk", 2214},
    {"MTrk", 751}, {"MTrk", 2226}, {"MTrk", 195},
};

// Track 0, byte for byte: tempo 333333, an empty name, time signature 4, 2,
// 5, 22 and the end of track, all at tick 0.
const uint8_t conductor_bytes[] = {
    0x00, 0xFF, 0x51, 0x03, 0x05, 0x16, 0x15,
    0x00, 0xFF, 0x03, 0x00,
    0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x05, 0x16,
    0x00, 0xFF, 0x2F, 0x00,
};

// The table of tracks 1 to 5.
struct TrackRow {
    const char *name;
    int primary, secondary;
    int program, pan;
    int notes, primary_notes, secondary_notes;
    int low, high;
    int most_held;
    uint32_t end;
};
const TrackRow track_table[] = {
    {"Track 1", 0, 1, 29, 32, 242, 242, 0, 40, 61, 4, 49920},    // overdriven guitar
    {"Track 2", 2, 3, 73, 96, 150, 149, 1, 52, 73, 4, 49920},    // flute
    {"Track 3", 4, 5, 127, 64, 82, 82, 0, 40, 69, 6, 49920},     // gunshot
    {"Track 4", 6, 7, 33, 64, 238, 238, 0, 28, 49, 1, 48000},    // finger bass
    {"Track 5", 8, 10, 125, 64, 2, 2, 0, 57, 57, 2, 49920},      // helicopter
};

// One set-up message as the tune's fixed shape words it: a controller and value,
// a pitch bend, or a program change.
struct SetUpMessage {
    uint8_t kind;   // 0xB0, 0xE0 or 0xC0
    int a, b;       // controller and value; bend value; program
};
// Step 1: bend range 12 (RPN 0), bend to centre, fine tuning to centre
// (RPN 1), null parameter.
const SetUpMessage step1[] = {
    {0xB0, 100, 0}, {0xB0, 101, 0}, {0xB0, 6, 12},
    {0xE0, 8192, 0},
    {0xB0, 101, 0}, {0xB0, 100, 1}, {0xB0, 6, 64}, {0xB0, 38, 0},
    {0xB0, 101, 127}, {0xB0, 100, 127},
};
// Step 2: coarse tuning to centre (RPN 2), null parameter.
const SetUpMessage step2[] = {
    {0xB0, 101, 0}, {0xB0, 100, 2}, {0xB0, 6, 64}, {0xB0, 101, 127}, {0xB0, 100, 127},
};
// Step 3, message by message; -1 stands for the track's program and pan.
const SetUpMessage step3[] = {
    {0xC0, -1, 0}, {0xB0, 0, 0}, {0xB0, 7, 127}, {0xB0, 10, -1},
    {0xB0, 93, 0}, {0xB0, 91, 0}, {0xB0, 92, 0}, {0xB0, 95, 0},
};
// The bytes each part of a track's opening takes with running status.
constexpr size_t NAME_BYTES = 11, STEP1_BYTES = 66, STEP2_BYTES = 32, STEP3_BYTES = 62;

// Track 5: note 57 struck at 1920 and 21120, released at 30720 and 49920.
struct Strike {
    uint32_t tick;
    uint8_t status;
    int key, velocity;
};
const Strike helicopter_events[] = {
    {1920, 0x98, 57, 95}, {21120, 0x98, 57, 95}, {30720, 0x88, 57, 80}, {49920, 0x88, 57, 80},
};

// The vibrato under track 2's last note.
constexpr int VIBRATO_EVENTS = 229, VIBRATO_LOW = 7936, VIBRATO_HIGH = 8448, VIBRATO_STEP = 128;

// The composition itself (not fixed by the file's shape): one chord to the
// bar from bar 2 to bar 26, as root pitch classes (C = 0).
enum { C = 0, D = 2, E = 4, G = 7, A = 9, B = 11 };
const int progression[26] = {
    -1,                  // bar 1: silent
    E, E, C, D,          // intro
    E, C, D, B,          // A1, the question
    E, C, D, E,          // A2, the answer
    G, D, A, C,          // B1, the middle
    G, D, C, B,          // B2
    E, C, D, B,          // A3
    E,                   // the last bar
};

const smf::File &tune()
{
    static const smf::File file = smf::read(music_data, MUSIC_SIZE);
    return file;
}

const smf::Track &track(int n)
{
    return tune().tracks.at(size_t(n));
}

// The events of a track after its name and set-up.
std::vector<smf::Event> after_set_up(const smf::Track &t)
{
    size_t skip = 1 + 2 * (std::size(step1) + std::size(step2) + std::size(step3));
    return std::vector<smf::Event>(t.events.begin() + long(skip), t.events.end());
}

TEST(TuneFileTest, SevenChunksFillTheBytesExactly)
{
    const smf::File &f = tune();
    ASSERT_EQ(f.error, "");
    ASSERT_EQ(f.chunks.size(), std::size(chunk_table));
    size_t total = 0;
    for (size_t i = 0; i < std::size(chunk_table); i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(f.chunks[i].type, chunk_table[i].type);
        EXPECT_EQ(f.chunks[i].length, chunk_table[i].length);
        total += 8 + f.chunks[i].length;
    }
    EXPECT_EQ(total, size_t(MUSIC_SIZE));
    EXPECT_EQ(MUSIC_SIZE, 7724);
}

TEST(TuneFileTest, HeaderIsFormatOneWithSixTracksAt480)
{
    const smf::File &f = tune();
    EXPECT_EQ(f.format, 1);
    EXPECT_EQ(f.ntracks, 6);
    EXPECT_EQ(f.division, 480);
    EXPECT_EQ(f.tracks.size(), 6u);
}

TEST(TuneFileTest, ConductorTrackByteForByte)
{
    const smf::Chunk &c = tune().chunks.at(1);
    EXPECT_EQ(c.data, std::vector<uint8_t>(std::begin(conductor_bytes), std::end(conductor_bytes)));
    const smf::Track &t = track(0);
    ASSERT_EQ(t.events.size(), 4u);
    for (const smf::Event &e : t.events) {
        EXPECT_EQ(e.tick, 0u);
        EXPECT_TRUE(e.is_meta());
    }
    EXPECT_EQ(t.events[0].meta_type, 0x51);
    EXPECT_EQ(t.events[0].data[0] << 16 | t.events[0].data[1] << 8 | t.events[0].data[2], 333333);
    EXPECT_EQ(t.events[1].meta_type, 0x03);
    EXPECT_TRUE(t.events[1].data.empty());
    EXPECT_EQ(t.events[2].meta_type, 0x58);
    EXPECT_EQ(t.events[2].data, std::vector<uint8_t>({4, 2, 5, 22}));
    EXPECT_EQ(t.events[3].meta_type, 0x2F);
}

TEST(TuneFileTest, TheOnlyMetaEventsAreTheNamesAndTheEnds)
{
    // No other tempo or time signature, no text, marker or key signature.
    for (int n = 1; n < 6; n++) {
        SCOPED_TRACE(n);
        const smf::Track &t = track(n);
        for (size_t i = 0; i < t.events.size(); i++) {
            const smf::Event &e = t.events[i];
            EXPECT_NE(e.status, 0xF0);
            EXPECT_NE(e.status, 0xF7);
            if (!e.is_meta())
                continue;
            if (i == 0)
                EXPECT_EQ(e.meta_type, 0x03);
            else if (i + 1 == t.events.size())
                EXPECT_EQ(e.meta_type, 0x2F);
            else
                ADD_FAILURE() << "meta event " << int(e.meta_type) << " at tick " << e.tick;
        }
    }
}

TEST(TuneFileTest, TimelineAt180BeatsPerMinute)
{
    const std::vector<uint8_t> &tempo = track(0).events[0].data;
    double us_per_tick = (tempo[0] << 16 | tempo[1] << 8 | tempo[2]) / 480.0;
    uint32_t longest = 0, first = UINT32_MAX;
    for (int n = 1; n < 6; n++) {
        longest = std::max(longest, track(n).events.back().tick);
        for (const smf::Note &note : smf::notes(track(n)))
            first = std::min(first, note.on);
    }
    EXPECT_EQ(longest, 26 * BAR);
    EXPECT_EQ(first, FIRST_NOTE);
    EXPECT_NEAR(longest * us_per_tick / 1000.0, 34666.632, 1e-6);
    EXPECT_NEAR(first * us_per_tick / 1000.0, 1333.332, 1e-6);
    EXPECT_NEAR(LAST_BAR * us_per_tick / 1000.0, 33333.3, 1e-6);
}

class InstrumentTrackTest : public testing::TestWithParam<int> {
protected:
    const TrackRow &row() const { return track_table[GetParam() - 1]; }
    const smf::Track &t() const { return track(GetParam()); }
};

TEST_P(InstrumentTrackTest, ChunkLength)
{
    EXPECT_EQ(t().length, chunk_table[GetParam() + 1].length);
}

TEST_P(InstrumentTrackTest, NameEventOpensTheTrack)
{
    const smf::Event &e = t().events.at(0);
    EXPECT_EQ(e.tick, 0u);
    EXPECT_TRUE(e.is_meta());
    EXPECT_EQ(e.meta_type, 0x03);
    EXPECT_EQ(std::string(e.data.begin(), e.data.end()), row().name);
    EXPECT_EQ(e.size, NAME_BYTES);
}

TEST_P(InstrumentTrackTest, SetUpInThreeStepsSecondaryChannelFirst)
{
    struct Sent {
        uint8_t status;
        int a, b;
    };
    std::vector<Sent> want;
    auto add = [&](const SetUpMessage &m, int ch) {
        int a = m.a == -1 ? row().program : m.a;
        int b = m.b == -1 ? row().pan : m.b;
        want.push_back({uint8_t(m.kind | ch), a, b});
    };
    for (int ch : {row().secondary, row().primary})
        for (const SetUpMessage &m : step1)
            add(m, ch);
    for (int ch : {row().secondary, row().primary})
        for (const SetUpMessage &m : step2)
            add(m, ch);
    for (const SetUpMessage &m : step3)
        for (int ch : {row().secondary, row().primary})
            add(m, ch);

    ASSERT_GT(t().events.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) {
        SCOPED_TRACE(i);
        const smf::Event &e = t().events[i + 1];
        EXPECT_EQ(e.tick, 0u);
        ASSERT_EQ(e.status, want[i].status);
        switch (e.kind()) {
        case 0xE0:
            EXPECT_EQ(e.bend(), want[i].a);
            break;
        case 0xC0:
            EXPECT_EQ(e.data.at(0), want[i].a);
            break;
        default:
            EXPECT_EQ(e.data.at(0), want[i].a);
            EXPECT_EQ(e.data.at(1), want[i].b);
        }
    }
}

TEST_P(InstrumentTrackTest, SetUpTakesItsBytesWithRunningStatus)
{
    size_t n1 = 2 * std::size(step1), n2 = 2 * std::size(step2), n3 = 2 * std::size(step3);
    auto bytes = [&](size_t from, size_t count) {
        size_t sum = 0;
        for (size_t i = from; i < from + count; i++)
            sum += t().events.at(i).size;
        return sum;
    };
    EXPECT_EQ(bytes(1, n1), STEP1_BYTES);
    EXPECT_EQ(bytes(1 + n1, n2), STEP2_BYTES);
    EXPECT_EQ(bytes(1 + n1 + n2, n3), STEP3_BYTES);
}

TEST_P(InstrumentTrackTest, RunningStatusWhereverTheStatusRepeats)
{
    int in_force = -1, used = 0;
    for (const smf::Event &e : t().events) {
        if (e.running) {
            used++;
        } else if (e.is_channel()) {
            EXPECT_NE(e.status, in_force) << "a status byte written again at tick " << e.tick;
        }
        in_force = e.is_channel() ? e.status : -1;
    }
    EXPECT_GT(used, 0);
    // Among the notes too, wherever two events of one status follow each
    // other (a monophonic line alternates 9n and 8n and never can).
    int among_notes = 0, repeats = 0;
    int prev = -1;
    for (const smf::Event &e : after_set_up(t())) {
        repeats += e.status == prev;
        among_notes += e.running;
        prev = e.status;
    }
    EXPECT_EQ(among_notes, repeats);
}

TEST_P(InstrumentTrackTest, DeltaTimesTakeOneToThreeBytes)
{
    for (const smf::Event &e : t().events) {
        EXPECT_GE(e.delta_bytes, 1);
        EXPECT_LE(e.delta_bytes, 3);
        EXPECT_TRUE(e.minimal_delta);
        int need = e.delta < 128 ? 1 : e.delta < 16384 ? 2 : 3;
        EXPECT_EQ(e.delta_bytes, need);
    }
}

TEST_P(InstrumentTrackTest, NotesFromTick1920WithVelocities95And80)
{
    std::vector<smf::Event> ev = after_set_up(t());
    ASSERT_FALSE(ev.empty());
    EXPECT_EQ(ev.front().tick, FIRST_NOTE);   // nothing between the set-up and the notes
    for (const smf::Event &e : ev) {
        if (e.is_meta())
            continue;
        if (e.kind() == 0x90) {
            EXPECT_EQ(e.data.at(1), 95) << "note-on at " << e.tick;   // never velocity 0
            EXPECT_GE(e.tick, FIRST_NOTE);
        } else if (e.kind() == 0x80) {
            EXPECT_EQ(e.data.at(1), 80) << "note-off at " << e.tick;
        }
    }
    for (const smf::Note &n : smf::notes(t())) {
        EXPECT_EQ(n.velocity, 95);
        EXPECT_EQ(n.release, 80);   // every note ends with its own 8n message
        EXPECT_GT(n.off, n.on);
    }
}

TEST_P(InstrumentTrackTest, NoteCountsRangeAndChannels)
{
    std::vector<smf::Note> ns = smf::notes(t());
    int primary = 0, secondary = 0, low = 128, high = -1;
    for (const smf::Note &n : ns) {
        primary += n.channel == row().primary;
        secondary += n.channel == row().secondary;
        low = std::min(low, n.key);
        high = std::max(high, n.key);
    }
    EXPECT_EQ(int(ns.size()), row().notes);
    EXPECT_EQ(primary, row().primary_notes);
    EXPECT_EQ(secondary, row().secondary_notes);
    EXPECT_EQ(low, row().low);
    EXPECT_EQ(high, row().high);
}

TEST_P(InstrumentTrackTest, MostNotesHeldAtOnce)
{
    EXPECT_EQ(smf::most_held(t()), row().most_held);
}

TEST_P(InstrumentTrackTest, EndOfTrackAtItsTickWithEveryNoteReleased)
{
    const smf::Event &end = t().events.back();
    EXPECT_TRUE(end.is_meta());
    EXPECT_EQ(end.meta_type, 0x2F);
    EXPECT_TRUE(end.data.empty());
    EXPECT_EQ(end.tick, row().end);
    for (const smf::Note &n : smf::notes(t()))
        EXPECT_LE(n.off, row().end);
    int held = 0;
    for (const smf::Event &e : t().events)
        held += e.is_channel() && e.is_note_on() ? 1 : e.is_channel() && e.is_note_off() ? -1 : 0;
    EXPECT_EQ(held, 0);
}

TEST_P(InstrumentTrackTest, OnlyTheEventsTheTuneMayHave)
{
    std::set<int> channels;
    for (const smf::Event &e : after_set_up(t())) {
        if (e.is_meta())
            continue;
        ASSERT_TRUE(e.is_channel());
        channels.insert(e.channel());
        EXPECT_TRUE(e.kind() == 0x80 || e.kind() == 0x90 || e.kind() == 0xE0)
            << "status " << int(e.status) << " at tick " << e.tick;   // no pressure, no controllers
        if (e.kind() == 0xE0) {   // only track 2 bends, on its secondary channel, in the last bar
            EXPECT_EQ(GetParam(), 2);
            EXPECT_EQ(e.channel(), row().secondary);
            EXPECT_GT(e.tick, LAST_BAR);
            EXPECT_LT(e.tick, TUNE_END);
        }
    }
    channels.erase(row().primary);
    channels.erase(row().secondary);
    EXPECT_TRUE(channels.empty());
    EXPECT_NE(row().primary, 9);
    EXPECT_NE(row().secondary, 9);
}

TEST_P(InstrumentTrackTest, NoKeyStruckAgainWhileItSounds)
{
    // Every note-off ends exactly one note, except in track 5, whose second
    // helicopter note is struck on the key the first still holds.
    std::vector<smf::Note> ns = smf::notes(t());
    int overlaps = 0;
    for (size_t i = 0; i < ns.size(); i++)
        for (size_t j = i + 1; j < ns.size(); j++)
            if (ns[i].channel == ns[j].channel && ns[i].key == ns[j].key &&
                ns[j].on < ns[i].off && ns[i].on < ns[j].off)
                overlaps++;
    EXPECT_EQ(overlaps, GetParam() == 5 ? 1 : 0);
}

std::string track_name(const testing::TestParamInfo<int> &param)
{
    return "Track" + std::to_string(param.param);
}

INSTANTIATE_TEST_SUITE_P(Tune, InstrumentTrackTest, testing::Range(1, 6), track_name);

TEST(FluteTrackTest, OneHeldNoteOnTheSecondaryChannelThroughTheLastBar)
{
    std::vector<smf::Note> held;
    for (const smf::Note &n : smf::notes(track(2)))
        if (n.channel == 3)
            held.push_back(n);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].on, LAST_BAR);
    EXPECT_EQ(held[0].off, TUNE_END);
    EXPECT_EQ(held[0].key, 64);   // the tonic, E4
}

TEST(FluteTrackTest, VibratoOf229BendsInStepsOf128)
{
    std::vector<smf::Event> bends;
    for (const smf::Event &e : after_set_up(track(2)))
        if (e.is_channel() && e.kind() == 0xE0)
            bends.push_back(e);
    ASSERT_EQ(int(bends.size()), VIBRATO_EVENTS);
    int prev = 8192, low = 16384, high = 0;
    for (const smf::Event &e : bends) {
        SCOPED_TRACE(e.tick);
        EXPECT_EQ(e.channel(), 3);
        EXPECT_GT(e.tick, LAST_BAR);
        EXPECT_LT(e.tick, TUNE_END);
        int v = e.bend();
        EXPECT_EQ(v % VIBRATO_STEP, 0);
        EXPECT_LE(std::abs(v - prev), VIBRATO_STEP);   // it moves one step at a time
        low = std::min(low, v);
        high = std::max(high, v);
        prev = v;
    }
    EXPECT_EQ(low, VIBRATO_LOW);
    EXPECT_EQ(high, VIBRATO_HIGH);
    // At the 12-semitone range: 0.375 semitone either side of the centre.
    EXPECT_DOUBLE_EQ((VIBRATO_HIGH - 8192) * 12.0 / 8192, 0.375);
    EXPECT_DOUBLE_EQ((8192 - VIBRATO_LOW) * 12.0 / 8192, 0.375);
    // The run sits inside the held note, all in one running status.
    for (size_t i = 1; i < bends.size(); i++)
        EXPECT_TRUE(bends[i].running);
}

TEST(HelicopterTrackTest, FourEventsAtTheirTicks)
{
    std::vector<smf::Event> ev = after_set_up(track(5));
    ASSERT_EQ(ev.size(), std::size(helicopter_events) + 1);   // and the end of track
    for (size_t i = 0; i < std::size(helicopter_events); i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ev[i].tick, helicopter_events[i].tick);
        EXPECT_EQ(ev[i].status, helicopter_events[i].status);
        EXPECT_EQ(ev[i].data.at(0), helicopter_events[i].key);
        EXPECT_EQ(ev[i].data.at(1), helicopter_events[i].velocity);
    }
    // Its second note starts while the first is still held.
    std::vector<smf::Note> ns = smf::notes(track(5));
    ASSERT_EQ(ns.size(), 2u);
    EXPECT_LT(ns[1].on, ns[0].off);
}

// The composition: the bass and the guitar state each bar's root on its
// downbeat, so the progression in the table above is what sounds.
TEST(TuneMusicTest, BassAndGuitarStateTheRootOnEveryDownbeat)
{
    for (int bar = 2; bar <= 26; bar++) {
        SCOPED_TRACE(bar);
        uint32_t downbeat = uint32_t(bar - 1) * BAR;
        int guitar_low = 128, bass = -1;
        for (const smf::Note &n : smf::notes(track(1)))
            if (n.on == downbeat)
                guitar_low = std::min(guitar_low, n.key);
        for (const smf::Note &n : smf::notes(track(4)))
            if (n.on == downbeat)
                bass = n.key;
        EXPECT_EQ(guitar_low % 12, progression[bar - 1]);
        if (bar <= 25)
            EXPECT_EQ(bass % 12, progression[bar - 1]);
        else
            EXPECT_EQ(bass, -1);   // the bass has ended with bar 25
    }
}

// The flute's phrases: A2 answers A1 with the same two opening bars, and
// where A1 ends open on the dominant (B), A2 closes on the tonic (E); the
// tune ends on E as well.
TEST(TuneMusicTest, FluteAnswersItsQuestion)
{
    std::vector<smf::Note> flute;
    for (const smf::Note &n : smf::notes(track(2)))
        if (n.channel == 2)
            flute.push_back(n);
    auto bars = [&](int from, int to) {   // keys and onsets within the bars
        std::vector<std::pair<int, uint32_t>> out;
        for (const smf::Note &n : flute)
            if (n.on >= uint32_t(from - 1) * BAR && n.on < uint32_t(to) * BAR)
                out.push_back({n.key, n.on % (2 * BAR)});
        return out;
    };
    auto longest_in = [&](int bar) {
        const smf::Note *best = nullptr;
        for (const smf::Note &n : flute)
            if (n.on / BAR + 1 == uint32_t(bar) && (!best || n.off - n.on > best->off - best->on))
                best = &n;
        return best ? best->key % 12 : -1;
    };
    EXPECT_EQ(bars(6, 7), bars(10, 11));   // the same opening
    EXPECT_EQ(bars(6, 7), bars(22, 23));   // and once more for the reprise
    EXPECT_EQ(longest_in(9), B);           // A1 rests on the dominant
    EXPECT_EQ(longest_in(13), E);          // A2 on the tonic
}

} // namespace
