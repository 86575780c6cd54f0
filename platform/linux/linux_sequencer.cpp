// linux_sequencer.cpp -- the MCI sequencer's device of platform.h on
// FluidSynth (win32_mci.cpp has the commands): the tune played through the
// prepared synthesizer and SDL audio, its end reported from the
// synthesizer's thread.
#include "platform/linux/linux_sound.h"
#include "platform/platform.h"

#include <SDL.h>

#include <condition_variable>
#include <dlfcn.h>
#include <mutex>
#include <stdlib.h>

// How long a play waits for the output to take the tune up before it returns
// anyway: an output that pulls nothing must not hang the program.
#define START_WAIT_MS 1000

// How long an open waits for the synthesizer and the soundfont before it
// gives up as if there were none: a soundfont on a file system that stops
// answering must not hold the program before its first frame for long.
#define PREPARE_WAIT_MS 5000

static struct {
    fluid_synth_t *synth; // the prepared one, while the device is open
    fluid_audio_driver_t *driver;
    fluid_player_t *player;
    int audio_held; // our hold on SDL's audio subsystem, kept for the process

    // Shared with the synthesizer's thread, which reports the player's ticks.
    std::mutex lock;
    std::condition_variable moving;
    int moved; // the player has moved on the output since the last play
    int end_tick;
    int below_end; // a position short of the end seen since the last play
    int ended;     // and then the end, reported
} seq;

// libasound reports a missing sound card on standard error when SDL or
// FluidSynth tries it; that report is dropped too. Only a libasound already
// loaded is touched: nothing is loaded for this.
static void alsa_silent(const char *, int, const char *, int, const char *, ...)
{
}

static void alsa_quiet(void)
{
    typedef void (*Handler)(const char *, int, const char *, int, const char *, ...);
    void *lib = dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD);
    if (!lib)
        return;
    int (*set_handler)(Handler) = (int (*)(Handler))dlsym(lib, "snd_lib_error_set_handler");
    if (set_handler)
        set_handler(alsa_silent);
    dlclose(lib); // only our reference: the library stays with whoever loaded it
}

// Called on the synthesizer's thread for every tick the player moves on.
// The end counts once a position short of it has been seen since the play,
// so that a report of the play before a restart cannot end the new one.
static int on_tick(void *, int tick)
{
    int end = 0;
    {
        std::lock_guard<std::mutex> hold(seq.lock);
        // Past the first tick, the events of tick 0 have been sent, and the
        // instruments they choose loaded.
        if (!seq.moved && tick > 0) {
            seq.moved = 1;
            seq.moving.notify_all();
        }
        if (tick < seq.end_tick)
            seq.below_end = 1;
        else if (seq.below_end && !seq.ended)
            end = seq.ended = 1;
    }
    if (end)
        win32_mci_tune_ended();
    return FLUID_OK;
}

// The driver goes before the player, so nothing renders while they are taken
// apart; the notes are let go first. The synthesizer stays for the next open,
// silenced. No tick comes once the driver is gone.
void platform_sequencer_close(void)
{
    if (seq.player)
        fluid_player_stop(seq.player);
    if (seq.synth)
        fluid_synth_all_notes_off(seq.synth, -1);
    if (seq.driver)
        delete_fluid_audio_driver(seq.driver);
    if (seq.player)
        delete_fluid_player(seq.player);
    // What still rings as the released notes fade would open the next
    // tune's output: the voices are taken off, not only let go.
    if (seq.synth)
        fluid_synth_all_sounds_off(seq.synth, -1);
    seq.driver = NULL;
    seq.player = NULL;
    seq.synth = NULL;
    std::lock_guard<std::mutex> hold(seq.lock);
    seq.moved = 0;
}

// Never waits for the preparation: a process that ends during it ends at once.
void linux_sequencer_shutdown(void)
{
    win32_mci_close();
}

// Everything the play needs is made here: the prepared synthesizer taken and
// the audio output opened, so that the play command starts the tune at once.
// SDL's audio, which looks for a device, is started before the soundfont is
// waited for, so that a soundfont that never answers does not hold up the
// look; the output itself is opened only once there is a soundfont to play
// with. SDL's audio, once started, stays so for the process: without a
// device, giving it back would wait on its watch for devices (100 ms).
static MCIERROR device_open(const unsigned char *tune, size_t size)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PREPARE_WAIT_MS);
    const SoundPrepared *p = linux_sound_wait(SOUND_MADE, deadline);
    if (!p || !p->synth)
        return MCIERR_OUT_OF_MEMORY;
    // FluidSynth's SDL driver plays on SDL's audio subsystem but leaves
    // starting it to the program.
    if (!seq.audio_held && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return MCIERR_HARDWARE;
    seq.audio_held = 1;
    // Without instruments there is no MIDI output to play on.
    p = linux_sound_wait(SOUND_FOUND, deadline);
    if (!p || !p->font)
        return MCIERR_SEQ_NOMIDIPRESENT;
    // The player resets the synthesizer as it starts a file: what an earlier
    // tune set on the channels is gone by then.
    seq.synth = p->synth;
    alsa_quiet();
    seq.driver = new_fluid_audio_driver(p->settings, seq.synth);
    if (!seq.driver)
        return MCIERR_HARDWARE;
    p = linux_sound_wait(SOUND_LOADED, deadline);
    if (!p || !p->loaded)
        return MCIERR_SEQ_NOMIDIPRESENT;

    seq.player = new_fluid_player(seq.synth);
    if (!seq.player)
        return MCIERR_OUT_OF_MEMORY;
    if (fluid_player_add_mem(seq.player, tune, size) != FLUID_OK)
        return MCIERR_OUT_OF_MEMORY; // the player keeps its own copy
    fluid_player_set_tick_callback(seq.player, on_tick, NULL);
    static int exit_hook;
    if (!exit_hook) {
        exit_hook = 1;
        atexit(linux_sequencer_shutdown);
    }
    return 0;
}

MCIERROR platform_sequencer_open(const unsigned char *tune, size_t size, int end_tick)
{
    {
        std::lock_guard<std::mutex> hold(seq.lock);
        seq.end_tick = end_tick;
    }
    MCIERROR result = device_open(tune, size);
    if (result)
        platform_sequencer_close();
    return result;
}

// The run's clock starts when this returns: the tune must be under way on
// the output by then, or picture and music drift apart.
void platform_sequencer_play(int again)
{
    if (again) {
        fluid_player_stop(seq.player);
        fluid_synth_all_notes_off(seq.synth, -1);
    }
    std::unique_lock<std::mutex> hold(seq.lock);
    seq.moved = seq.below_end = seq.ended = 0;
    hold.unlock();
    fluid_player_seek(seq.player, 0);
    fluid_player_play(seq.player);
    hold.lock();
    seq.moving.wait_for(hold, std::chrono::milliseconds(START_WAIT_MS), [] { return seq.moved != 0; });
}
