// compose_tune.cpp -- composes the program's embedded tune, checks every
// fact fixed about its bytes, and writes the array source.
//
//   compose_tune music/music_data.cpp   writes the embedded array source
//   compose_tune tune.mid               writes the tune itself
//   compose_tune --report               prints each track's sizes and counts
//   compose_tune --score                prints every note with its length
//
// The piece, in E minor with a Dorian A major: one silent bar, a four-bar
// intro (guitar riff, bass on the roots, gunshot backbeat, a flute chord and
// a lead-in), then five four-bar phrases of the flute over the same band:
//   A1  Em  C  D  B     question, ending open on the dominant
//   A2  Em  C  D  Em    answer, the same opening closing on the tonic
//   B1  G   D  A  C     the middle: up to C#5 over A, the guitar arpeggiating
//   B2  G   D  C  B     its answer, falling back to the dominant
//   A3  Em  C  D  B     the opening again, cadencing on D#
// and a last bar on E minor: the guitar chord, a burst of gunshots and the
// flute's E4 under its vibrato. Two helicopter notes fly over it all.
//
// The exact chunk lengths are reached by articulation alone: the score fixes
// every onset and every note, and the tool picks each note's length among the
// two that fit its slot (legato or detached), which decides whether a
// delta-time takes one byte or two; in the guitar track, the order of the
// offs and ons that fall on one tick decides how many status bytes are
// written. No event is added to fill bytes.
#include "platform/midi_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int DIVISION = 480;
constexpr int SIXTEENTH = DIVISION / 4;
constexpr int BAR = 4 * DIVISION;
constexpr int FIRST_NOTE = BAR;        // the first bar is silent
constexpr int LAST_BAR = 25 * BAR;     // 48000: the flute's held note, the bass's end
constexpr int TUNE_END = 26 * BAR;     // 49920
constexpr int VELOCITY_ON = 95;
constexpr int VELOCITY_OFF = 80;
constexpr int FILE_SIZE = 7724;

[[noreturn]] void fail(const std::string &what)
{
    fprintf(stderr, "compose_tune: FAILED: %s\n", what.c_str());
    exit(1);
}

void check(bool ok, const std::string &what)
{
    if (!ok)
        fail(what);
}

// Bar n counted from 1, beat from 1, sixteenth within the beat from 0.
int at(int bar, int beat = 1, int sixteenth = 0)
{
    return (bar - 1) * BAR + (beat - 1) * DIVISION + sixteenth * SIXTEENTH;
}

// ---------------------------------------------------------------- the score

struct Note {
    int on;
    int key;
    int channel;
    int group;                 // the notes of one chord share their length
    std::vector<int> lengths;  // the articulations that fit the note's slot
    int pick;
    int off() const { return on + lengths[pick]; }
};

struct Bend {
    int tick;
    int channel;
    int value;
};

struct Track {
    const char *name;
    int primary, secondary;
    int program, pan;
    int end;            // end-of-track tick
    int length;         // the chunk length the file must have
    std::vector<Note> notes;
    std::vector<Bend> bends;
    // Where notes end exactly as others start, alternate the note-offs with
    // the note-ons instead of sending all the offs first. It sounds the same
    // (they share the tick) and costs a status byte per change: the guitar's
    // way to its chunk length. An off always comes before an on of its own key.
    bool interleave = false;
};

int next_group = 0;

// The two lengths a note may take in a slot of `slot` ticks. An eighth is
// legato (216: its off delta takes two bytes) or clipped to a sixteenth
// (120/120: both deltas one byte); a longer note is legato (the gap of 24
// ticks takes one byte) or detached by 160 ticks (both deltas two bytes).
std::vector<int> lengths_for(int slot)
{
    if (slot <= SIXTEENTH)
        return {slot - 24};
    if (slot < 3 * SIXTEENTH)
        return {slot - 24, SIXTEENTH};
    return {slot - 24, slot - 160};
}

int key_of(const std::string &name)
{
    static const std::map<char, int> step = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                             {'G', 7}, {'A', 9}, {'B', 11}};
    check(!name.empty() && step.count(name[0]), "bad pitch " + name);
    int key = step.at(name[0]);
    size_t i = 1;
    if (i < name.size() && name[i] == '#')
        key++, i++;
    else if (i < name.size() && name[i] == 'b')
        key--, i++;
    check(i < name.size(), "no octave in " + name);
    return key + 12 * (std::stoi(name.substr(i)) + 1);
}

// Writes one line of the score from `start`: tokens "E4:2" (a note, its slot
// in sixteenths), "E2+B2+E3:4" (a chord), "r:4" (a rest) and "|", a bar line
// that must fall on a bar. A slot ending in "f" is held for its full length,
// into the next note.
int play(Track &t, int start, const std::string &text)
{
    std::istringstream in(text);
    std::string tok;
    int pos = start;
    while (in >> tok) {
        if (tok == "|") {
            check(pos % BAR == 0, std::string(t.name) + ": bar line off the bar at " +
                                      std::to_string(pos));
            continue;
        }
        size_t colon = tok.find(':');
        check(colon != std::string::npos, "no length in " + tok);
        std::string len_text = tok.substr(colon + 1);
        bool full = false;
        if (!len_text.empty() && len_text.back() == 'f') {
            full = true;
            len_text.pop_back();
        }
        int slot = std::stoi(len_text) * SIXTEENTH;
        std::string keys = tok.substr(0, colon);
        if (keys != "r") {
            int group = next_group++;
            std::vector<int> lengths = full ? std::vector<int>{slot} : lengths_for(slot);
            std::stringstream ks(keys);
            std::string k;
            while (std::getline(ks, k, '+'))
                t.notes.push_back({pos, key_of(k), t.primary, group, lengths, 0});
        }
        pos += slot;
    }
    return pos;
}

// A note of fixed length.
void hold(Track &t, int on, int off, int key, int channel)
{
    t.notes.push_back({on, key, channel, next_group++, {off - on}, 0});
}

// Gunshots: every hit of a run rings on (the sample dies away by itself) and
// the whole run is released together, where the next run starts.
struct Hit {
    int tick;
    std::vector<int> keys;
};

void shots(Track &t, const std::vector<Hit> &hits, int release)
{
    for (const Hit &h : hits)
        for (int key : h.keys)
            hold(t, h.tick, release, key, t.primary);
}

// ------------------------------------------------------------ track 1, guitar

Track guitar()
{
    Track t{"Track 1", 0, 1, 29, 32, TUNE_END, 2253, {}, {}};
    t.interleave = true;
    // Intro: the riff, root - root - third - root - fourth - root - fifth,
    // each bar opened by a power chord.
    const std::string intro =
        "E2+B2:2 E2:2 G2:2 E2:2 A2:2 E2:2 B2:2 A2:2 | "
        "E2+B2:2 E2:2 G2:2 E2:2 A2:2 E2:2 D3:2 B2:2 | "
        "C3+G3:2 C3:2 D3:2 C3:2 E3:2 C3:2 G3:2 E3:2 | "
        "D3+A3:2 D3:2 E3:2 D3:2 F#3:2 D3:2 A3:1 B3:1 A3:1 F#3:1 |";
    // A phrases: three power-chord chugs held into each other, the root, and
    // a four-note lick answering in the second half of the bar.
    auto chug = [](const char *chord, const char *r, const char *lick) {
        return std::string(chord) + ":2f " + chord + ":2f " + chord + ":2f " + r + ":2 " + lick +
               " | ";
    };
    const std::string em = chug("E2+B2", "E2", "G2:2 E2:2 A2:2 B2:2");
    const std::string c = chug("C3+G3", "C3", "E3:2 C3:2 D3:2 E3:2");
    const std::string d = chug("D3+A3", "D3", "F#3:2 D3:2 E3:2 F#3:2");
    const std::string b = chug("B2+F#3", "B2", "D#3:2 B2:2 C#3:2 D#3:2");
    const std::string em_end = chug("E2+B2", "E2", "B2:2 A2:2 G2:2 F#2:2");
    // B phrases: the chords broken into eighths, up and back.
    const std::string g_ring = "G2:2 B2:2 D3:2 G3:2 B3:2 G3:2 D3:2 B2:2 | ";
    const std::string d_ring = "D3:2 A3:2 F#3:2 A3:2 D3:2 F#3:2 A3:2 F#3:2 | ";
    const std::string a_ring = "A2:2 E3:2 A3:2 C#4:2 A3:2 E3:2 C#4:2 A3:2 | ";
    const std::string c_ring = "C3:2 E3:2 G3:2 C4:2 G3:2 E3:2 C3:2 E3:2 | ";
    const std::string c_turn = "C3:2 E3:2 G3:2 C4:2 G3:2 E3:2 G3:1 F#3:1 E3:1 D3:1 | ";
    const std::string b_ring = "B2:2 D#3:2 F#3:2 B3:2 F#3:2 D#3:2 B2:1 A2:1 G2:1 F#2:1 | ";
    int pos = play(t, at(2), intro);
    pos = play(t, pos, em + c + d + b);
    pos = play(t, pos, em + c + d + em_end);
    pos = play(t, pos, g_ring + d_ring + a_ring + c_turn);
    pos = play(t, pos, g_ring + d_ring + c_ring + b_ring);
    pos = play(t, pos, em + c + d + b);
    check(pos == LAST_BAR, "guitar: the score does not reach the last bar");
    for (int key : {40, 47, 52, 55})   // E minor, held to the very end
        hold(t, LAST_BAR, TUNE_END, key, t.primary);
    return t;
}

// ------------------------------------------------------------- track 2, flute

Track flute()
{
    Track t{"Track 2", 2, 3, 73, 96, TUNE_END, 2214, {}, {}};
    // Intro: an E minor chord for two bars, then a lead-in over C and D.
    const std::string intro =
        "E3+G3+B3+E4:32 | "
        "r:4 E4:2 G4:2 C5:6 B4:2 | "
        "A4:4 G4:1 A4:1 B4:2 A4:4 F#4:4 |";
    // A1: the question, ending open on B.
    const std::string a_open = "E4:2 G4:2 B4:4 A4:2 G4:2 A4:2 B4:2 | "
                               "C5:6 B4:2 G4:2 E4:2 G4:2 C5:2 | ";
    const std::string a1 = a_open +
                           "A4:2 B4:2 A4:2 F#4:2 D4:4 F#4:2 A4:2 | "
                           "D#4:2 F#4:2 B4:8 A4:1 G4:1 F#4:2 | ";
    // A2: the answer, the same opening, closing on E.
    const std::string a2 = a_open +
                           "A4:2 B4:2 A4:2 G4:2 F#4:4 E4:2 F#4:2 | "
                           "G4:2 F#4:2 E4:8 G4:2 A4:2 | ";
    // B1: the middle, climbing to C#5 over A.
    const std::string b1 = "B4:4 G4:2 B4:2 C5:2 B4:2 A4:2 G4:2 | "
                           "A4:4 F#4:2 A4:2 B4:2 A4:2 F#4:2 D4:2 | "
                           "E4:2 A4:2 C#5:6 B4:2 A4:2 C#5:2 | "
                           "C5:6 B4:1 C5:1 B4:2 A4:2 G4:2 E4:2 | ";
    // B2: its answer, falling back to the dominant.
    const std::string b2 = "D4:2 G4:2 B4:4 A4:2 G4:2 A4:2 B4:2 | "
                           "A4:4 B4:2 A4:2 F#4:2 D4:2 F#4:2 A4:2 | "
                           "G4:2 A4:2 G4:2 E4:2 C5:4 B4:2 A4:2 | "
                           "B4:4 C5:1 B4:1 A4:2 F#4:2 D#4:2 E4:2 F#4:2 | ";
    // A3: the opening once more, cadencing on the leading tone.
    const std::string a3 = a_open +
                           "A4:2 B4:2 C5:2 B4:2 A4:4 F#4:2 A4:2 | "
                           "B4:2 C5:1 B4:1 A4:2 F#4:2 D#4:4 F#4:2 D#4:2 | ";
    int pos = play(t, at(2), intro);
    pos = play(t, pos, a1 + a2 + b1 + b2 + a3);
    check(pos == LAST_BAR, "flute: the score does not reach the last bar");

    // The last bar: E4 on the secondary channel, with a vibrato of about
    // 5.6 Hz sampled every 8 ticks and quantised to steps of 128; it fades in
    // over two cycles and out over the last one, so it ends centred.
    hold(t, LAST_BAR, TUNE_END, 64, t.secondary);
    const int count = 229, spacing = 8, period = 32;   // in events
    for (int i = 0; i < count; i++) {
        double depth = 2.0 * std::min({1.0, i / 64.0, (count - 1 - i) / 32.0});
        double swing = depth * std::sin(2.0 * std::numbers::pi * i / period);
        int step = int(std::lround(swing));
        t.bends.push_back({LAST_BAR + spacing * (i + 1), t.secondary, 8192 + 128 * step});
    }
    return t;
}

// ----------------------------------------------------------- track 3, gunshot

Track gunshot()
{
    Track t{"Track 3", 4, 5, 127, 64, TUNE_END, 751, {}, {}};
    // A backbeat on 2 and 4, low shots doubled under the downbeats where a
    // phrase starts, and a run of higher shots leading into the next phrase.
    // Every run is released where the next one starts.
    // Within a run no key is struck twice, so every shot is its own note:
    // the backbeat wanders over a few neighbouring keys.
    const int boom = 40, low = 45, snare = 52, snare2 = 54, snare3 = 53, crack = 57,
              rim = 62, high = 64, top = 69;
    struct Run {
        std::vector<Hit> hits;
    };
    std::vector<Run> runs;
    for (int phrase = 0; phrase < 6; phrase++) {
        int b = 2 + 4 * phrase;
        // Two bars of backbeat opened by a doubled downbeat.
        runs.push_back({{{at(b, 1), {boom, low}},
                         {at(b, 2), {snare}},
                         {at(b, 4), {snare2}},
                         {at(b + 1, 2), {snare3}},
                         {at(b + 1, 4), {crack}}}});
        if (phrase == 2 || phrase == 5) {
            // Into the middle and into the last bar: a bar of backbeat, then
            // a bar whose fourth beat runs in sixteenths.
            runs.push_back({{{at(b + 2, 2), {snare}}, {at(b + 2, 4), {low, snare2}}}});
            runs.push_back({{{at(b + 3, 2), {snare}},
                             {at(b + 3, 4), {crack}},
                             {at(b + 3, 4, 1), {rim}},
                             {at(b + 3, 4, 2), {high}},
                             {at(b + 3, 4, 3), {top}}}});
        } else {
            // Elsewhere two bars of backbeat with a short pickup.
            runs.push_back({{{at(b + 2, 2), {snare}},
                             {at(b + 2, 4), {snare2}},
                             {at(b + 3, 2), {snare3}},
                             {at(b + 3, 4), {crack}},
                             {at(b + 3, 4, 2), {high}},
                             {at(b + 3, 4, 3), {top}}}});
        }
    }
    for (size_t i = 0; i < runs.size(); i++) {
        int release = i + 1 < runs.size() ? runs[i + 1].hits.front().tick : LAST_BAR;
        shots(t, runs[i].hits, release);
    }
    // The burst on the last bar.
    shots(t, {{LAST_BAR, {boom, low, snare, crack, high, top}}}, TUNE_END);
    return t;
}

// -------------------------------------------------------------- track 4, bass

Track bass()
{
    Track t{"Track 4", 6, 7, 33, 64, LAST_BAR, 2226, {}, {}};
    // Intro: straight eighths on the root with octave pops.
    const std::string intro = "E1:2 E1:2 E2:2 E1:2 E1:2 E1:2 E2:2 E1:2 | "
                              "E1:2 E1:2 E2:2 E1:2 E1:2 E1:2 E2:2 D2:2 | "
                              "C2:2 C2:2 C3:2 C2:2 C2:2 C2:2 C3:2 C2:2 | "
                              "D2:2 D2:2 A2:2 D2:2 D2:2 D2:2 A2:2 D2:2 | ";
    // A phrases: the same pump with a sixteenth walk into the next root.
    const std::string em_c = "E1:2 E1:2 E2:2 E1:2 E1:2 E1:2 E2:2 D2:1 C#2:1 | ";
    const std::string c_d = "C2:2 C2:2 C3:2 C2:2 C2:2 C2:2 C3:2 C2:1 C#2:1 | ";
    const std::string d_b = "D2:2 D2:2 A2:2 D2:2 D2:2 D2:2 A2:2 C#2:1 C2:1 | ";
    const std::string b_e = "B1:2 B1:2 B2:2 B1:2 B1:2 B1:2 B2:2 F#1:1 F1:1 | ";
    const std::string d_e = "D2:2 D2:2 A2:2 D2:2 D2:2 D2:2 A2:2 F#1:1 F1:1 | ";
    const std::string em_g = "E1:2 E1:2 E2:2 E1:2 E1:2 E1:2 E2:2 F#1:1 F#1:1 | ";
    // B phrases: a gallop, eighth and two sixteenths to the beat.
    auto gallop = [](const char *r, const char *o, const char *walk) {
        return std::string(r) + ":2 " + r + ":1 " + r + ":1 " + r + ":2 " + r + ":1 " + r +
               ":1 " + o + ":2 " + o + ":1 " + o + ":1 " + walk + " | ";
    };
    const std::string b1 = gallop("G1", "G2", "G1:2 C#2:1 C#2:1") +
                           gallop("D2", "A2", "D2:2 G#1:1 G#1:1") +
                           gallop("A1", "A2", "C#3:2 B2:1 B1:1") +
                           gallop("C2", "C3", "C2:2 F#1:1 F#1:1");
    const std::string b2 = gallop("G1", "G2", "G1:2 C#2:1 C#2:1") +
                           gallop("D2", "A2", "D2:2 B1:1 B1:1") +
                           gallop("C2", "C3", "C2:2 A#1:1 A#1:1") +
                           gallop("B1", "B2", "B1:2 F#1:1 F1:1");
    const std::string a3 = em_c + c_d + d_b + gallop("B1", "B2", "F#2:2 D#2:2");
    int pos = play(t, at(2), intro);
    pos = play(t, pos, em_c + c_d + d_b + b_e);
    pos = play(t, pos, em_c + c_d + d_e + em_g);
    pos = play(t, pos, b1 + b2);
    pos = play(t, pos, a3);
    check(pos == LAST_BAR, "bass: the score does not reach the last bar");
    return t;
}

// -------------------------------------------------------- track 5, helicopter

Track helicopter()
{
    Track t{"Track 5", 8, 10, 125, 64, TUNE_END, 195, {}, {}};
    hold(t, 1920, 30720, 57, t.primary);
    hold(t, 21120, 49920, 57, t.primary);
    return t;
}

// ----------------------------------------------------------------- encoding

void put_vlq(Bytes &out, uint32_t v)
{
    uint8_t tmp[4];
    int n = 0;
    tmp[n++] = v & 0x7F;
    while (v >>= 7)
        tmp[n++] = uint8_t(0x80 | (v & 0x7F));
    while (n)
        out.push_back(tmp[--n]);
}

void put_u32(Bytes &out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(uint8_t(v >> s));
}

void put_u16(Bytes &out, uint16_t v)
{
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

// The set-up at tick 0, in its fixed order and grouping.
std::vector<Bytes> setup(const Track &t)
{
    std::vector<Bytes> msgs;
    auto cc = [&](int ch, int c, int v) { msgs.push_back({uint8_t(0xB0 | ch), uint8_t(c), uint8_t(v)}); };
    for (int ch : {t.secondary, t.primary}) {   // step 1, as a group per channel
        cc(ch, 100, 0);
        cc(ch, 101, 0);
        cc(ch, 6, 12);
        msgs.push_back({uint8_t(0xE0 | ch), 0x00, 0x40});
        cc(ch, 101, 0);
        cc(ch, 100, 1);
        cc(ch, 6, 64);
        cc(ch, 38, 0);
        cc(ch, 101, 127);
        cc(ch, 100, 127);
    }
    for (int ch : {t.secondary, t.primary}) {   // step 2, as a group per channel
        cc(ch, 101, 0);
        cc(ch, 100, 2);
        cc(ch, 6, 64);
        cc(ch, 101, 127);
        cc(ch, 100, 127);
    }
    for (int step = 0; step < 8; step++)        // step 3, message by message
        for (int ch : {t.secondary, t.primary}) {
            switch (step) {
            case 0: msgs.push_back({uint8_t(0xC0 | ch), uint8_t(t.program)}); break;
            case 1: cc(ch, 0, 0); break;
            case 2: cc(ch, 7, 127); break;
            case 3: cc(ch, 10, t.pan); break;
            case 4: cc(ch, 93, 0); break;
            case 5: cc(ch, 91, 0); break;
            case 6: cc(ch, 92, 0); break;
            case 7: cc(ch, 95, 0); break;
            }
        }
    return msgs;
}

struct Event {
    int tick;
    int rank;   // at one tick: set-up, note-offs, pitch bends, note-ons
    int order;
    Bytes msg;
};

// The track chunk's data (without "MTrk" and its length).
Bytes encode(const Track &t)
{
    std::vector<Event> events;
    Bytes name = {0xFF, 0x03, uint8_t(std::string(t.name).size())};
    name.insert(name.end(), t.name, t.name + std::string(t.name).size());
    events.push_back({0, -1, 0, name});
    int n = 1;
    for (const Bytes &m : setup(t))
        events.push_back({0, -1, n++, m});
    for (const Note &note : t.notes) {
        int order = note.channel * 128 + note.key;
        events.push_back({note.off(), 0, order,
                          {uint8_t(0x80 | note.channel), uint8_t(note.key), VELOCITY_OFF}});
        events.push_back({note.on, 2, order,
                          {uint8_t(0x90 | note.channel), uint8_t(note.key), VELOCITY_ON}});
    }
    n = 0;
    for (const Bend &b : t.bends)
        events.push_back({b.tick, 1, n++,
                          {uint8_t(0xE0 | b.channel), uint8_t(b.value & 0x7F), uint8_t(b.value >> 7)}});
    std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) {
        if (a.tick != b.tick)
            return a.tick < b.tick;
        if (a.rank != b.rank)
            return a.rank < b.rank;
        return a.order < b.order;
    });

    if (t.interleave) {
        for (size_t i = 0; i < events.size();) {
            size_t j = i;
            while (j < events.size() && events[j].tick == events[i].tick)
                j++;
            std::vector<Event> offs, ons, seq;
            for (size_t k = i; k < j; k++)
                (events[k].rank == 0 ? offs : events[k].rank == 2 ? ons : seq).push_back(events[k]);
            if (!offs.empty() && !ons.empty()) {
                check(seq.empty(), "interleaving with other events");
                bool last_on = true;
                while (!offs.empty() || !ons.empty()) {
                    auto safe = std::find_if(ons.begin(), ons.end(), [&](const Event &on) {
                        return std::none_of(offs.begin(), offs.end(), [&](const Event &off) {
                            return off.msg[1] == on.msg[1] && (off.msg[0] & 15) == (on.msg[0] & 15);
                        });
                    });
                    if (!offs.empty() && (last_on || safe == ons.end())) {
                        seq.push_back(offs.front());
                        offs.erase(offs.begin());
                        last_on = false;
                    } else {
                        check(safe != ons.end(), "no safe order");
                        seq.push_back(*safe);
                        ons.erase(safe);
                        last_on = true;
                    }
                }
                std::copy(seq.begin(), seq.end(), events.begin() + long(i));
            }
            i = j;
        }
    }

    Bytes out;
    int now = 0, running = -1;
    for (const Event &e : events) {
        put_vlq(out, uint32_t(e.tick - now));
        now = e.tick;
        if (e.msg[0] >= 0xF0) {
            running = -1;   // a meta event cancels running status
            out.insert(out.end(), e.msg.begin(), e.msg.end());
        } else {
            if (e.msg[0] != running)
                out.push_back(e.msg[0]);
            running = e.msg[0];
            out.insert(out.end(), e.msg.begin() + 1, e.msg.end());
        }
    }
    check(t.end >= now, std::string(t.name) + ": events after the end of track");
    put_vlq(out, uint32_t(t.end - now));
    out.insert(out.end(), {0xFF, 0x2F, 0x00});
    return out;
}

const Bytes conductor = {
    0x00, 0xFF, 0x51, 0x03, 0x05, 0x16, 0x15,         // tempo 333333 us per quarter
    0x00, 0xFF, 0x03, 0x00,                           // track name, empty
    0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x05, 0x16,   // time signature 4, 2, 5, 22
    0x00, 0xFF, 0x2F, 0x00,                           // end of track
};

// Picks each flexible note's length so that the chunk comes out at its
// length. Groups are tried in a stride order, so that the changes spread
// over the piece rather than bunching at its start.
void tune_lengths(Track &t)
{
    std::vector<int> groups;
    for (const Note &n : t.notes)
        if (n.lengths.size() > 1 &&
            std::find(groups.begin(), groups.end(), n.group) == groups.end())
            groups.push_back(n.group);
    auto size = [&] { return int(encode(t).size()); };
    auto set = [&](int g, int pick) {
        for (Note &n : t.notes)
            if (n.group == g)
                n.pick = pick;
    };
    auto pick_of = [&](int g) {
        for (const Note &n : t.notes)
            if (n.group == g)
                return n.pick;
        return 0;
    };
    const size_t stride = 7;
    for (int pass = 0; pass < 4 && size() != t.length; pass++) {
        for (size_t s = 0; s < stride && size() != t.length; s++)
            for (size_t i = s; i < groups.size() && size() != t.length; i += stride) {
                int g = groups[i], was = pick_of(g), before = std::abs(size() - t.length);
                set(g, 1 - was);
                if (std::abs(size() - t.length) >= before)
                    set(g, was);
            }
    }
}

// ------------------------------------------------------------------ checking
// The tool reads its own bytes back with the sequencer's reader: a file that
// reads whole, of the fixed size, each chunk at the length it was tuned to.
// The facts of the tune itself are the tests' to check, on the committed file.

bool verbose = false;

void check_file(const Bytes &file, const std::vector<Track> &tracks)
{
    check(file.size() == FILE_SIZE, "the file is " + std::to_string(file.size()) + " bytes");
    SmfFile f = smf_read(file.data(), file.size());
    check(f.error.empty(), "the file does not read back: " + f.error);
    check(f.format == 1 && f.ntracks == 6 && f.division == DIVISION && f.chunks.size() == 7,
          "header: format 1, 6 tracks, division 480");
    check(f.chunks[1].data == conductor, "conductor track");
    for (size_t i = 0; i < tracks.size(); i++) {
        const Track &t = tracks[i];
        const std::vector<SmfEvent> &events = f.tracks[i + 1];
        check(int(f.chunks[i + 2].data.size()) == t.length,
              std::string(t.name) + ": length " + std::to_string(f.chunks[i + 2].data.size()) +
                  ", wanted " + std::to_string(t.length));
        check(events.back().tick == t.end, std::string(t.name) + ": end of track");
        if (verbose) {
            int notes = 0;
            for (const SmfEvent &e : events)
                notes += e.kind() == 0x90;
            fprintf(stderr, "%s: %zu bytes, %zu events, %d notes, end %d\n", t.name,
                    f.chunks[i + 2].data.size(), events.size(), notes, events.back().tick);
        }
    }
}

// ------------------------------------------------------------------- output

Bytes compose(std::vector<Track> &tracks)
{
    Bytes file = {'M', 'T', 'h', 'd'};
    put_u32(file, 6);
    put_u16(file, 1);
    put_u16(file, 6);
    put_u16(file, DIVISION);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    put_u32(file, uint32_t(conductor.size()));
    file.insert(file.end(), conductor.begin(), conductor.end());
    for (Track &t : tracks) {
        tune_lengths(t);
        Bytes data = encode(t);
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        put_u32(file, uint32_t(data.size()));
        file.insert(file.end(), data.begin(), data.end());
    }
    return file;
}

std::string source_of(const Bytes &file)
{
    std::string s =
        "// music_data.cpp -- GENERATED by tools/compose_tune from tools/compose_tune.cpp;\n"
        "// do not edit. The program's tune as a Standard MIDI File of 7724 bytes.\n"
        "#include \"music/music.h\"\n"
        "\n"
        "const unsigned char music_data[MUSIC_SIZE] = {\n";
    char buf[8];
    for (size_t i = 0; i < file.size(); i++) {
        if (i % 16 == 0)
            s += "   ";
        snprintf(buf, sizeof buf, " 0x%02X,", file[i]);
        s += buf;
        if (i % 16 == 15 || i + 1 == file.size())
            s += "\n";
    }
    s += "};\n";
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: compose_tune OUT.cpp | OUT.mid | --report | --score\n");
        return 2;
    }
    std::vector<Track> tracks = {guitar(), flute(), gunshot(), bass(), helicopter()};
    Bytes file = compose(tracks);
    if (std::string(argv[1]) == "--report") {
        verbose = true;
        for (Track &t : tracks) {
            std::vector<int> keep;
            for (Note &n : t.notes)
                keep.push_back(n.pick);
            int lo = 1 << 30, hi = 0;
            for (int p = 0; p < 2; p++) {
                for (Note &n : t.notes)
                    n.pick = std::min(p, int(n.lengths.size()) - 1);
                int z = int(encode(t).size());
                lo = std::min(lo, z);
                hi = std::max(hi, z);
            }
            for (size_t i = 0; i < keep.size(); i++)
                t.notes[i].pick = keep[i];
            std::map<int, int> chn;
            int low = 999, high = 0;
            for (const Note &n : t.notes)
                chn[n.channel]++, low = std::min(low, n.key), high = std::max(high, n.key);
            fprintf(stderr, "%s: size %d want %d (all legato %d..%d), notes %zu (%d..%d)\n",
                    t.name, int(encode(t).size()), t.length, lo, hi, t.notes.size(), low, high);
        }
    }
    if (std::string(argv[1]) == "--score") {
        static const char *names[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
        for (const Track &t : tracks) {
            printf("== %s\n", t.name);
            std::vector<Note> ns = t.notes;
            std::stable_sort(ns.begin(), ns.end(), [](const Note &a, const Note &b) { return a.on < b.on; });
            for (const Note &n : ns)
                printf("%2d.%d.%d  %s%d  %4d%s\n", n.on / BAR + 1, n.on % BAR / DIVISION + 1,
                       n.on % DIVISION / SIXTEENTH, names[n.key % 12], n.key / 12 - 1,
                       n.lengths[n.pick], n.lengths.size() > 1 ? (n.pick ? " alt" : "") : " fixed");
        }
        return 0;
    }
    check_file(file, tracks);
    if (std::string(argv[1]) == "--report")
        return 0;
    FILE *f = fopen(argv[1], "wb");
    check(f != nullptr, std::string("cannot write ") + argv[1]);
    // A .mid name gets the tune's bytes themselves, the reference for the
    // files the programs write.
    std::string out = argv[1];
    bool mid = out.size() > 4 && out.compare(out.size() - 4, 4, ".mid") == 0;
    std::string src = mid ? std::string(file.begin(), file.end()) : source_of(file);
    check(fwrite(src.data(), 1, src.size(), f) == src.size() && fclose(f) == 0,
          std::string("cannot write ") + argv[1]);
    return 0;
}
