// web_mci.h -- what the MCI sequencer's device (web_mci.cpp) asks of the
// page's synthesizer, and the one call back. web_mci_sound.cpp implements
// these on web_sound.js; the tests put a recording fake in its place.
#pragma once

extern "C" {

// Hands the synthesizer a checked Standard MIDI File, to hold stopped at its
// start in place of any tune before. 1 when it holds it; 0 when there is no
// synthesizer (no soundfont, no audio). Waits for the page's soundfont load to
// settle, as the Linux open waits for its soundfont.
int web_sound_open(const unsigned char *tune, int size);

// Starts the tune held from its start, now, and returns at once; its end is
// reported by web_mci_tune_ended, unless another play or a close comes first.
void web_sound_play(void);

// Silences the tune at once and lets it go.
void web_sound_close(void);

// The tune has played to its end.
void web_mci_tune_ended(void);
}
