// smf_reader.cpp -- the tests' Standard MIDI File reader (see smf_reader.h).
#include "music/smf_reader.h"

#include <algorithm>
#include <deque>
#include <map>

namespace smf {

namespace {

struct Cursor {
    const uint8_t *p;
    size_t size, at = 0;
    std::string error;

    bool need(size_t n)
    {
        if (at + n <= size)
            return true;
        if (error.empty())
            error = "truncated at byte " + std::to_string(at);
        return false;
    }
    uint8_t byte() { return need(1) ? p[at++] : 0; }
    uint8_t peek() { return need(1) ? p[at] : 0; }
    uint32_t big(int n)
    {
        uint32_t v = 0;
        for (int i = 0; i < n; i++)
            v = v << 8 | byte();
        return v;
    }
};

// Channel messages carry two data bytes, except program change and channel
// pressure, which carry one.
int data_bytes(uint8_t status)
{
    int kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

std::string read_track(const std::vector<uint8_t> &data, Track &track)
{
    Cursor c{data.data(), data.size(), 0, ""};
    uint32_t tick = 0;
    int running = -1;
    while (c.at < c.size && c.error.empty()) {
        Event e;
        size_t start = c.at;
        uint32_t delta = 0;
        uint8_t b;
        do {
            b = c.byte();
            if (e.delta_bytes == 0 && b == 0x80)
                e.minimal_delta = false;
            delta = delta << 7 | (b & 0x7F);
            e.delta_bytes++;
        } while ((b & 0x80) && e.delta_bytes < 4 && c.error.empty());
        if (b & 0x80)
            return "delta-time longer than four bytes at " + std::to_string(start);
        tick += delta;
        e.delta = delta;
        e.tick = tick;
        if (c.peek() & 0x80) {
            e.status = c.byte();
        } else {
            if (running < 0)
                return "running status with none in force at " + std::to_string(start);
            e.status = uint8_t(running);
            e.running = true;
        }
        if (e.status == 0xFF) {
            e.meta_type = c.byte();
            uint32_t len = 0;
            do {
                b = c.byte();
                len = len << 7 | (b & 0x7F);
            } while ((b & 0x80) && c.error.empty());
            if (!c.need(len))
                break;
            e.data.assign(data.begin() + long(c.at), data.begin() + long(c.at + len));
            c.at += len;
            running = -1;   // meta and system exclusive events cancel running status
        } else if (e.status == 0xF0 || e.status == 0xF7) {
            uint32_t len = 0;
            do {
                b = c.byte();
                len = len << 7 | (b & 0x7F);
            } while ((b & 0x80) && c.error.empty());
            if (!c.need(len))
                break;
            e.data.assign(data.begin() + long(c.at), data.begin() + long(c.at + len));
            c.at += len;
            running = -1;
        } else if (e.status >= 0x80 && e.status < 0xF0) {
            for (int i = 0; i < data_bytes(e.status); i++) {
                uint8_t d = c.byte();
                if (d & 0x80)
                    return "status byte where data was due at " + std::to_string(c.at - 1);
                e.data.push_back(d);
            }
            running = e.status;
        } else {
            return "system message in a track at " + std::to_string(start);
        }
        e.size = c.at - start;
        track.events.push_back(e);
    }
    return c.error;
}

} // namespace

File read(const uint8_t *bytes, size_t size)
{
    File f;
    Cursor c{bytes, size, 0, ""};
    while (c.at < size && c.error.empty()) {
        Chunk chunk;
        if (!c.need(8))
            break;
        chunk.type.assign(reinterpret_cast<const char *>(bytes + c.at), 4);
        c.at += 4;
        chunk.length = c.big(4);
        if (!c.need(chunk.length))
            break;
        chunk.data.assign(bytes + c.at, bytes + c.at + chunk.length);
        c.at += chunk.length;
        f.chunks.push_back(chunk);
    }
    f.error = c.error;
    if (!f.error.empty())
        return f;
    if (f.chunks.empty() || f.chunks[0].type != "MThd" || f.chunks[0].length < 6) {
        f.error = "no header chunk first";
        return f;
    }
    const std::vector<uint8_t> &h = f.chunks[0].data;
    f.format = h[0] << 8 | h[1];
    f.ntracks = h[2] << 8 | h[3];
    f.division = h[4] << 8 | h[5];
    for (const Chunk &chunk : f.chunks) {
        if (chunk.type != "MTrk")
            continue;
        Track t;
        t.length = chunk.length;
        std::string err = read_track(chunk.data, t);
        if (!err.empty()) {
            f.error = "track " + std::to_string(f.tracks.size()) + ": " + err;
            return f;
        }
        f.tracks.push_back(t);
    }
    return f;
}

std::vector<Note> notes(const Track &track)
{
    std::vector<Note> out;
    std::map<int, std::deque<size_t>> held;   // channel * 128 + key -> notes in `out`
    for (const Event &e : track.events) {
        if (!e.is_channel())
            continue;
        int id = e.channel() * 128 + e.data.at(0);
        if (e.is_note_on()) {
            held[id].push_back(out.size());
            out.push_back({e.tick, e.tick, e.channel(), e.data[0], e.data[1], -1});
        } else if (e.is_note_off() && !held[id].empty()) {
            Note &n = out[held[id].front()];
            held[id].pop_front();
            n.off = e.tick;
            n.release = e.kind() == 0x80 ? e.data[1] : 0;
        }
    }
    return out;
}

int most_held(const Track &track)
{
    int now = 0, most = 0;
    for (const Event &e : track.events) {
        if (!e.is_channel())
            continue;
        if (e.is_note_on())
            most = std::max(most, ++now);
        else if (e.is_note_off())
            now--;
    }
    return most;
}

} // namespace smf
