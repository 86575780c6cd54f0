// linux_mci.h -- what the platform asks of the MCI sequencer's device
// (linux_mci.cpp) beyond the winmm calls of win32.h. The program never
// includes this.
#pragma once

// Starts finding and loading the soundfont and making the synthesizer on a
// helper thread, so that the first open finds them ready; main() calls it
// first of all. Later calls do nothing; an open without it prepares itself.
// The soundfont is chosen then, once for the process.
void linux_mci_prepare(void);

// The General MIDI soundfont the sequencer plays with: $OSTRA_SOUNDFONT when
// set, else the first one found in the usual places; NULL when there is none.
const char *linux_mci_soundfont(void);

// Stops playback, silences every note and gives back every device, with no
// notice posted; safe to call at any time and more than once, and it never
// waits for the preparation. Runs at exit too, so a program that never
// closes its device ends quietly.
void linux_mci_shutdown(void);
