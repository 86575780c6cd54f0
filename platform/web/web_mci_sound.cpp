// web_mci_sound.cpp -- the sequencer's synthesizer is the page's: web_mci.h on
// web_sound.js's global OstraSound. A page without it has no MIDI output.
#include "platform/web/web_mci.h"

#include <emscripten.h>

// The open waits (ASYNCIFY) for the page's soundfont load and for the
// synthesizer to take the tune; the program's thread goes back to the
// browser meanwhile.
EM_ASYNC_JS(int, sound_open, (const unsigned char *tune, int size), {
    const sound = globalThis.OstraSound;
    return sound && (await sound.open(HEAPU8.slice(tune, tune + size))) ? 1 : 0;
});

// Its own name: an asynchronous import is known to the linker by another.
int web_sound_open(const unsigned char *tune, int size)
{
    return sound_open(tune, size);
}

// The end comes between frames, while the program waits in SwapBuffers.
EM_JS(void, web_sound_play, (void), {
    globalThis.OstraSound.play(() => _web_mci_sound_ended());
});

EM_JS(void, web_sound_close, (void), {
    globalThis.OstraSound.close();
});

extern "C" EMSCRIPTEN_KEEPALIVE void web_mci_sound_ended(void)
{
    web_mci_tune_ended();
}
