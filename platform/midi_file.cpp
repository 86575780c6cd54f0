// midi_file.cpp -- the Standard MIDI File reader (midi_file.h).
#include "platform/midi_file.h"

#include <limits.h>

static uint32_t big_endian(const uint8_t *p, int bytes)
{
    uint32_t v = 0;
    while (bytes--)
        v = v << 8 | *p++;
    return v;
}

// A variable-length quantity of at most four bytes; its length, or 0.
static int read_vlq(const std::vector<uint8_t> &d, size_t &at, uint32_t &out)
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

static std::string read_track(const std::vector<uint8_t> &d, std::vector<SmfEvent> &events,
                              int &end_tick)
{
    size_t at = 0;
    uint32_t delta, length;
    long tick = 0;
    int running = -1;
    while (at < d.size()) {
        SmfEvent e = {};
        std::string where = " at byte " + std::to_string(at);
        if (!(e.delta_bytes = read_vlq(d, at, delta)) || at >= d.size())
            return "bad delta-time" + where;
        tick += delta;
        if (tick > INT_MAX / 2)
            return "a tick past any tune's length" + where;
        e.tick = (int)tick;
        if (d[at] & 0x80) {
            e.status = d[at++];
        } else if (running >= 0) {
            e.status = (uint8_t)running;
            e.running = true;
        } else {
            return "running status with none in force" + where;
        }
        if (e.status == 0xFF || e.status == 0xF0 || e.status == 0xF7) {
            if (e.status == 0xFF && at < d.size())
                e.meta_type = d[at++];
            if (!read_vlq(d, at, length) || length > d.size() - at)
                return "bad meta or system-exclusive event" + where;
            e.data.assign(d.begin() + (long)at, d.begin() + (long)(at + length));
            at += length;
            running = -1;
        } else if (e.status >= 0xF0) {
            return "system message" + where;
        } else {
            int count = e.kind() == 0xC0 || e.kind() == 0xD0 ? 1 : 2;
            for (int i = 0; i < count; i++, at++) {
                if (at >= d.size() || (d[at] & 0x80))
                    return "missing data byte" + where;
                e.data.push_back(d[at]);
            }
            running = e.status;
        }
        if (e.tick > end_tick)
            end_tick = e.tick;
        events.push_back(e);
        if (e.is_meta() && e.meta_type == 0x2F)
            return at == d.size() ? "" : "events after the end of track" + where;
    }
    return "no end-of-track event";
}

SmfFile smf_read(const uint8_t *bytes, size_t size)
{
    SmfFile f;
    for (size_t at = 0; at < size;) {
        uint32_t length = size - at >= 8 ? big_endian(bytes + at + 4, 4) : 0;
        if (size - at < 8 || length > size - at - 8) {
            f.error = "chunk cut short at byte " + std::to_string(at);
            return f;
        }
        f.chunks.push_back({std::string(bytes + at, bytes + at + 4),
                            std::vector<uint8_t>(bytes + at + 8, bytes + at + 8 + length)});
        at += 8 + length;
    }
    if (f.chunks.empty() || f.chunks[0].type != "MThd" || f.chunks[0].data.size() < 6) {
        f.error = "no header chunk first";
        return f;
    }
    const uint8_t *h = f.chunks[0].data.data();
    f.format = (int)big_endian(h, 2);
    f.ntracks = (int)big_endian(h + 2, 2);
    f.division = (int)big_endian(h + 4, 2);
    for (size_t i = 1; i < f.chunks.size(); i++) {
        if (f.chunks[i].type != "MTrk")
            continue;
        f.tracks.emplace_back();
        std::string error = read_track(f.chunks[i].data, f.tracks.back(), f.end_tick);
        if (!error.empty()) {
            f.error = "track " + std::to_string(f.tracks.size() - 1) + ": " + error;
            return f;
        }
    }
    if ((int)f.tracks.size() != f.ntracks)
        f.error = "the header counts " + std::to_string(f.ntracks) + " tracks, the file holds " +
                  std::to_string(f.tracks.size());
    return f;
}
