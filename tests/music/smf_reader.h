// smf_reader.h -- a reader of Standard MIDI Files for the tests, written from
// the published format and sharing nothing with tools/compose_tune. It keeps
// what the tune tests look at: every chunk, and for every event its
// tick, its delta-time's encoded length and whether its status byte was
// written or taken from running status.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace smf {

struct Event {
    uint32_t tick = 0;         // absolute, from the track's start
    uint32_t delta = 0;
    int delta_bytes = 0;       // length of the variable-length quantity
    bool minimal_delta = true; // no leading 0x80 byte in the quantity
    bool running = false;      // status byte omitted: running status
    uint8_t status = 0;        // the status in force (0xFF meta, 0xF0/0xF7 sysex)
    uint8_t meta_type = 0;     // meta events only
    std::vector<uint8_t> data; // channel data bytes, or the meta/sysex payload
    size_t size = 0;           // bytes the event takes, delta-time included

    bool is_meta() const { return status == 0xFF; }
    bool is_channel() const { return status >= 0x80 && status < 0xF0; }
    int kind() const { return status & 0xF0; }   // 0x80 note-off ... 0xE0 pitch bend
    int channel() const { return status & 0x0F; }
    bool is_note_on() const { return kind() == 0x90 && data.at(1) > 0; }
    bool is_note_off() const { return kind() == 0x80 || (kind() == 0x90 && data.at(1) == 0); }
    int bend() const { return data.at(0) | data.at(1) << 7; }   // pitch bend, 0..16383
};

struct Chunk {
    std::string type;
    uint32_t length = 0;   // the length field
    std::vector<uint8_t> data;
};

struct Track {
    uint32_t length = 0;
    std::vector<Event> events;
};

struct File {
    std::string error;     // empty when the whole input was read
    std::vector<Chunk> chunks;
    int format = -1, ntracks = -1, division = -1;
    std::vector<Track> tracks;
};

// Reads the whole buffer; `error` says where it stopped if it could not.
File read(const uint8_t *bytes, size_t size);

// A note as heard: a note-on paired with the first later note-off of the same
// channel and key (the oldest held note is the one released).
struct Note {
    uint32_t on = 0, off = 0;
    int channel = 0, key = 0;
    int velocity = 0, release = 0;
};

std::vector<Note> notes(const Track &track);

// The most notes sounding at once, counted in file order.
int most_held(const Track &track);

} // namespace smf
