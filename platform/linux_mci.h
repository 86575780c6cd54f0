// linux_mci.h -- what the platform and the tests may ask of the MCI sequencer
// layer (linux_mci.cpp) beyond the winmm calls of win32.h. The program never
// includes this.
#pragma once

// Where the sequencer looks for its General MIDI soundfont, in order, as a
// NULL-terminated list (copied); NULL brings back the usual places.
void linux_mci_set_soundfonts(const char *const *paths);

// The FluidSynth audio driver the sequencer plays through; NULL brings back
// the default, "sdl2" (SDL picks the output; SDL_AUDIODRIVER=dummy gives a
// real-time output that makes no sound).
void linux_mci_set_audio_driver(const char *name);

// The voices the sequencer's synthesizer sounds at this moment; 0 when no
// device is open.
int linux_mci_voices(void);

// Stops playback, silences every note and gives back every device, with no
// notice posted; safe to call at any time and more than once. Runs at exit
// too, so a program that never closes its device ends quietly.
void linux_mci_shutdown(void);
