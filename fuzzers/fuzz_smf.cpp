// fuzz_smf.cpp -- libFuzzer target: the Standard MIDI File reader on any bytes.
// Besides not crashing, a file it reads without error must hold together as
// the sequencer relies on it: chunks that fill the bytes, as many tracks as
// the header counts, each ended by its end-of-track, ticks that never go back.
#include "platform/midi_file.h"

#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SmfFile f = smf_read(data, size);
    if (!f.error.empty())
        return 0;
    size_t filled = 0;
    for (const SmfChunk &c : f.chunks)
        filled += 8 + c.data.size();
    if (filled != size || (int)f.tracks.size() != f.ntracks)
        abort();
    for (const std::vector<SmfEvent> &track : f.tracks) {
        if (track.empty() || !track.back().is_meta() || track.back().meta_type != 0x2F)
            abort();
        int tick = 0;
        for (const SmfEvent &e : track) {
            if (e.tick < tick || e.tick > f.end_tick || e.delta_bytes < 1 || e.delta_bytes > 4)
                abort();
            tick = e.tick;
        }
    }
    return 0;
}
