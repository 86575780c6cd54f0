// win32_mci.h -- the portable part of the subset's winmm (win32_mci.cpp): the
// MCI command strings, the file the open reads and the end notice. Only the
// device, one MIDI output for one tune at a time, is a platform's; what it
// must give is the list below.
#pragma once

#include "platform/win32.h"

#include <vector>

// ---------------------------------------------------------------------------
// What a platform must give: the sequencer's device.

// Takes a checked Standard MIDI File (it keeps its own copy) and holds it
// stopped at its start: 0, or the MCI error; a failed open holds nothing.
MCIERROR platform_sequencer_open(const unsigned char *tune, size_t size);
// Plays the tune held from its start, so that it is under way when this
// returns. `again`: it has played since the open, and may still be sounding.
// The device reports where the tune is with win32_mci_tune_at.
void platform_sequencer_play(int again);
// Silences the tune and gives the output back. Once this returns, the device
// reports no position any more.
void platform_sequencer_close(void);

// ---------------------------------------------------------------------------
// What it gives a platform.

// Where the tune is, in ticks, as the device plays it; from any thread. The
// end counts once a position short of it has been seen since the play from
// the start, so a report of the play before a restart cannot end the new one.
void win32_mci_tune_at(int tick);
// Closes the device if it is open, with no notice: a process's end does this.
void win32_mci_close(void);
// Reads a whole tune file as the open reads it, drive paths mapped as the
// program's own writes map them: 0; MCIERR_FILE_NOT_FOUND where no regular
// file is; MCIERR_INVALID_FILE where it cannot be read or is too large.
MCIERROR win32_mci_file_read(const char *path, std::vector<unsigned char> *bytes);
