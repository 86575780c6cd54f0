// smf_reader.h -- the tests' own reader of Standard MIDI Files, written from the
// published format and sharing nothing with tools/compose_tune.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace smf {

struct Event {
    int tick = 0;              // absolute, from the track's start
    int delta = 0;
    int delta_bytes = 0;       // length of the delta-time's encoding
    bool running = false;      // status byte left out: running status
    uint8_t status = 0;        // the status in force; 0xFF for meta events
    uint8_t meta_type = 0;
    std::vector<uint8_t> data; // channel data bytes, or the meta payload

    bool is_meta() const { return status == 0xFF; }
    int kind() const { return status & 0xF0; }
    int channel() const { return status & 0x0F; }
};

struct Chunk {
    std::string type;
    std::vector<uint8_t> data; // as long as the length field says
};

struct File {
    std::string error; // empty when every byte was read
    std::vector<Chunk> chunks;
    int format = -1, ntracks = -1, division = -1;
    std::vector<std::vector<Event>> tracks;
};

namespace detail {

// Reads a variable-length quantity of at most four bytes; 0 when it is not one.
inline int vlq(const std::vector<uint8_t> &d, size_t &at, int &out)
{
    out = 0;
    for (int n = 1; n <= 4 && at < d.size(); n++) {
        uint8_t b = d[at++];
        out = out << 7 | (b & 0x7F);
        if (!(b & 0x80))
            return n;
    }
    return 0;
}

inline std::string read_track(const std::vector<uint8_t> &d, std::vector<Event> &events)
{
    size_t at = 0;
    int tick = 0, len;
    int running = -1;
    while (at < d.size()) {
        Event e;
        std::string where = " at byte " + std::to_string(at);
        if (!(e.delta_bytes = vlq(d, at, e.delta)) || at >= d.size())
            return "bad delta-time" + where;
        e.tick = tick += e.delta;
        if (d[at] & 0x80) {
            e.status = d[at++];
        } else if (running >= 0) {
            e.status = uint8_t(running);
            e.running = true;
        } else {
            return "running status with none in force" + where;
        }
        if (e.is_meta()) {
            if (at < d.size())
                e.meta_type = d[at++];
            if (!vlq(d, at, len) || size_t(len) > d.size() - at)
                return "bad meta event" + where;
            e.data.assign(d.begin() + long(at), d.begin() + long(at + len));
            at += len;
            running = -1;
        } else if (e.status < 0xF0) {
            int count = e.kind() == 0xC0 || e.kind() == 0xD0 ? 1 : 2;
            for (int i = 0; i < count; i++, at++) {
                if (at >= d.size() || (d[at] & 0x80))
                    return "missing data byte" + where;
                e.data.push_back(d[at]);
            }
            running = e.status;
        } else {
            return "system message" + where;
        }
        events.push_back(e);
    }
    return "";
}

inline uint32_t big(const uint8_t *p, int n)
{
    uint32_t v = 0;
    while (n--)
        v = v << 8 | *p++;
    return v;
}

} // namespace detail

// Reads the whole buffer. System-exclusive and system messages are errors:
// the tune has none.
inline File read(const uint8_t *bytes, size_t size)
{
    using namespace detail;
    File f;
    for (size_t at = 0; at < size;) {
        uint32_t length = size - at >= 8 ? big(bytes + at + 4, 4) : 0;
        if (size - at < 8 || length > size - at - 8) {
            f.error = "chunk cut short at byte " + std::to_string(at);
            return f;
        }
        f.chunks.push_back({std::string(bytes + at, bytes + at + 4),
                            std::vector<uint8_t>(bytes + at + 8, bytes + at + 8 + length)});
        at += 8 + length;
    }
    if (f.chunks.empty() || f.chunks[0].type != "MThd" || f.chunks[0].data.size() != 6) {
        f.error = "no header chunk first";
        return f;
    }
    const uint8_t *h = f.chunks[0].data.data();
    f.format = int(big(h, 2));
    f.ntracks = int(big(h + 2, 2));
    f.division = int(big(h + 4, 2));
    for (const Chunk &chunk : f.chunks) {
        if (chunk.type != "MTrk")
            continue;
        f.tracks.emplace_back();
        std::string err = read_track(chunk.data, f.tracks.back());
        if (!err.empty()) {
            f.error = "track " + std::to_string(f.tracks.size() - 1) + ": " + err;
            return f;
        }
    }
    return f;
}

} // namespace smf
