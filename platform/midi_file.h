// midi_file.h -- a Standard MIDI File reader, written from the published
// format: the chunks, the header fields and every event of every track with
// its absolute tick. The sequencer layer checks the files it opens with it;
// the tune's composer and the tests read the tune back with it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct SmfEvent {
    int tick;          // absolute, from the track's start
    int delta_bytes;   // length of the delta-time's encoding, 1 to 4
    bool running;      // the status byte was left out: running status
    uint8_t status;    // the status in force; 0xFF meta, 0xF0 or 0xF7 system exclusive
    uint8_t meta_type; // meta events only
    std::vector<uint8_t> data; // channel data bytes, or the meta or sysex payload

    int kind() const { return status & 0xF0; }
    int channel() const { return status & 0x0F; }
    bool is_meta() const { return status == 0xFF; }
};

struct SmfChunk {
    std::string type;
    std::vector<uint8_t> data; // as long as the length field says
};

struct SmfFile {
    std::string error; // empty when every byte was read
    int format = -1, ntracks = -1, division = -1;
    std::vector<SmfChunk> chunks;              // every chunk, in file order
    std::vector<std::vector<SmfEvent>> tracks; // the events of each "MTrk" chunk
    int end_tick = 0;                          // the latest tick of any track
};

// Reads the whole buffer. The chunks must fill it exactly, the header come
// first, and each track end with its end-of-track event; system common and
// real-time messages have no place in a file. Chunks of other types are kept
// and skipped, as the format asks.
SmfFile smf_read(const uint8_t *bytes, size_t size);
