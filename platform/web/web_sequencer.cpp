// web_sequencer.cpp -- the MCI sequencer's device of platform.h in the
// browser (win32_mci.cpp has the commands): web_sound.js's synthesizer, the
// page's global OstraSound. A page without it has no MIDI output. The
// synthesizer reports the end of its latest play only, between frames,
// while the program waits in SwapBuffers.
#include "platform/web/web_platform.h"

#include <emscripten.h>

// The open waits (ASYNCIFY) for the page's soundfont load to settle and for
// the synthesizer to take the tune, in place of any tune before; the
// program's thread goes back to the browser meanwhile.
EM_ASYNC_JS(int, sound_open, (const unsigned char *tune, int size), {
    const sound = globalThis.OstraSound;
    return sound && (await sound.open(HEAPU8.slice(tune, tune + size))) ? 1 : 0;
});

EM_JS(void, sound_play, (void), {
    globalThis.OstraSound.play(() => _web_sequencer_ended());
});

EM_JS(void, sound_close, (void), {
    globalThis.OstraSound.close();
});

extern "C" EMSCRIPTEN_KEEPALIVE void web_sequencer_ended(void)
{
    win32_mci_tune_ended();
}

MCIERROR platform_sequencer_open(const unsigned char *tune, size_t size, int)
{
    // Without instruments there is no MIDI output to play on.
    return sound_open(tune, (int)size) ? 0 : MCIERR_SEQ_NOMIDIPRESENT;
}

// The synthesizer starts the tune over in the play itself: nothing of the
// play before is left to stop, and the tune is at its start now.
void platform_sequencer_play(int)
{
    sound_play();
}

void platform_sequencer_close(void)
{
    sound_close();
}
