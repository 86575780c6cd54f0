// linux_sound.h -- the Linux platform's sound, on FluidSynth: the synthesizer
// and its General MIDI soundfont, prepared on a helper thread from process
// start (linux_soundfont.cpp), and the sequencer's device that plays on them
// through SDL audio (linux_sequencer.cpp). The program never includes this.
#pragma once

#include <fluidsynth.h>

#include <chrono>
#include <string>

// Starts making the synthesizer and finding and loading the soundfont on a
// helper thread, so that the first open finds them ready; main() calls it
// first of all. Later calls do nothing; a wait without it prepares itself.
void linux_sound_prepare(void);

struct SoundPrepared {
    fluid_settings_t *settings;
    fluid_synth_t *synth; // NULL when none could be made
    int font;             // FOUND: a soundfont was found, at `path`;
    std::string path;
    int loaded;           // LOADED: and it is in the synthesizer
};
// MADE: the synthesizer is made, before any file is read, so that a
// soundfont that never answers holds up nothing else; FOUND: the soundfont
// is looked for; LOADED: and loaded.
enum { SOUND_MADE = 1, SOUND_FOUND = 2, SOUND_LOADED = 3 };
// The preparation once it has reached `stage`, or NULL when it has not by
// `deadline`: a helper held up in the file system is left to itself. Made
// once and never freed, it is the same for every open of the process.
const SoundPrepared *linux_sound_wait(int stage, std::chrono::steady_clock::time_point deadline);

// Stops playback, silences every note and gives back the output, with no
// notice posted; safe to call at any time and more than once, and it never
// waits for the preparation. Runs at exit too, so a program that never
// closes its device ends quietly.
void linux_sequencer_shutdown(void);
