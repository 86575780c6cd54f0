// web_mci.cpp -- the MCI sequencer's device in the browser (win32_mci.cpp has
// the commands): the page's synthesizer (web_mci.h). Everything here runs on
// the program's one thread; the tune's end comes back as a call between frames.
#include "platform/web/web_mci.h"
#include "platform/win32_mci.h"

#include <limits.h>

MCIERROR platform_sequencer_open(const unsigned char *tune, size_t size)
{
    // Without instruments there is no MIDI output to play on.
    return web_sound_open(tune, (int)size) ? 0 : MCIERR_SEQ_NOMIDIPRESENT;
}

// The synthesizer starts the tune over in the play itself: nothing of the
// play before is left to stop, and the tune is at its start now.
void platform_sequencer_play(int)
{
    web_sound_play();
    win32_mci_tune_at(0);
}

void platform_sequencer_close(void)
{
    web_sound_close();
}

// The synthesizer reports the end of the latest play only.
void web_mci_tune_ended(void)
{
    win32_mci_tune_at(INT_MAX);
}
