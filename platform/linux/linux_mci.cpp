// linux_mci.cpp -- the MCI sequencer's device on FluidSynth (win32_mci.cpp has
// the commands): a Standard MIDI File played through a General MIDI soundfont
// and SDL audio, its position reported from the synthesizer's thread. The
// soundfont is found and loaded once per process, ahead of the first open.
#include "platform/linux/linux_mci.h"
#include "platform/win32_mci.h"

#include <SDL.h>
#include <fluidsynth.h>

#include <chrono>
#include <condition_variable>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

// How long a play waits for the output to take the tune up before it returns
// anyway: an output that pulls nothing must not hang the program.
#define START_WAIT_MS 1000

// How long an open waits for the soundfont and the synthesizer before it
// gives up as if there were none: a soundfont on a file system that stops
// answering must not hold the program before its first frame.
#define PREPARE_WAIT_MS 5000

// FluidSynth's own default comes first: on Debian it is the administrator's
// choice of General MIDI soundfont. These are where other systems keep one.
static const char *const usual_soundfonts[] = {
    "/usr/share/soundfonts/default.sf2",
    "/usr/share/soundfonts/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

// The soundfont and the synthesizer, made on a helper thread from process
// start so that the open finds them ready; every open of the process uses
// them. Made once and never freed: the helper may still be loading when the
// process exits, and then nothing it uses may be taken apart under it.
struct Preparation {
    std::mutex lock;
    std::condition_variable advanced;
    int stage;  // MADE: the soundfont is found and the synthesizer made; LOADED: all done
    int font;   // a soundfont was found
    int loaded; // and is in the synthesizer
    fluid_settings_t *settings;
    fluid_synth_t *synth;
};
enum { MADE = 1, LOADED = 2 };

static Preparation *prepared;

struct Sequencer {
    fluid_synth_t *synth; // the prepared one, while the device is open
    fluid_audio_driver_t *driver;
    fluid_player_t *player;
    int audio_held; // our hold on SDL's audio subsystem

    // Shared with the synthesizer's thread, which reports the player's ticks.
    std::mutex lock;
    int moved;      // the player has moved on the output since the last play
    std::condition_variable moving;
};

static Sequencer seq;
// FluidSynth reports to standard error by default; the program logs nothing.
static void fluid_quiet(void)
{
    static int done;
    if (done)
        return;
    done = 1;
    const int levels[] = {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG};
    for (int level : levels)
        fluid_set_log_function(level, NULL, NULL);
}

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

// ---------------------------------------------------------------------------
// The soundfont and its preparation.

// A General MIDI soundfont is a RIFF file of form "sfbk". Read without stdio,
// as the soundfont itself is below: the exit of the process takes stdio's
// streams apart, and the helper thread may be reading then.
// Only a regular file is read: a FIFO or a device at the place would block.
static int regular_open(const char *path)
{
    struct stat st;
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
                    fcntl(fd, F_SETFL, 0) != 0)) {
        close(fd);
        fd = -1;
    }
    return fd;
}

static int soundfont_at(const char *path)
{
    unsigned char head[12];
    int fd = regular_open(path);
    if (fd < 0)
        return 0;
    ssize_t got = read(fd, head, sizeof(head));
    close(fd);
    return got == (ssize_t)sizeof(head) && memcmp(head, "RIFF", 4) == 0 &&
           memcmp(head + 8, "sfbk", 4) == 0;
}

// $OSTRA_SOUNDFONT when it is set, else the first soundfont found in the
// usual places or at FluidSynth's own default; false when there is none.
static bool soundfont_find(std::string *found)
{
    std::vector<std::string> candidates;
    const char *chosen = getenv("OSTRA_SOUNDFONT");
    if (chosen && *chosen) {
        candidates.push_back(chosen);
    } else {
        fluid_settings_t *settings = new_fluid_settings();
        char *builtin = NULL;
        if (settings && fluid_settings_dupstr(settings, "synth.default-soundfont", &builtin) ==
                            FLUID_OK && builtin) {
            candidates.push_back(builtin);
            fluid_free(builtin);
        }
        if (settings)
            delete_fluid_settings(settings);
        candidates.insert(candidates.end(), std::begin(usual_soundfonts), std::end(usual_soundfonts));
    }
    for (const std::string &path : candidates) {
        if (soundfont_at(path.c_str())) {
            *found = path;
            return true;
        }
    }
    return false;
}

const char *linux_mci_soundfont(void)
{
    static std::string found;
    return soundfont_find(&found) ? found.c_str() : NULL;
}

// The soundfont is read from a mapping of its file: its index is many small
// records, too many for a system call each, and a stdio stream is not to be
// held by the helper thread.
struct FontFile {
    const unsigned char *base;
    fluid_long_long_t size, at;
};

static void *font_open(const char *path)
{
    struct stat st;
    int fd = regular_open(path);
    if (fd < 0)
        return NULL;
    void *base = MAP_FAILED;
    if (fstat(fd, &st) == 0 && st.st_size > 0)
        base = mmap(NULL, (size_t)st.st_size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    return base == MAP_FAILED ? NULL : new FontFile{(const unsigned char *)base, st.st_size, 0};
}

static int font_read(void *buf, fluid_long_long_t count, void *handle)
{
    FontFile *f = (FontFile *)handle;
    if (count < 0 || count > f->size - f->at)
        return FLUID_FAILED;
    memcpy(buf, f->base + f->at, (size_t)count);
    f->at += count;
    return FLUID_OK;
}

static int font_seek(void *handle, fluid_long_long_t offset, int origin)
{
    FontFile *f = (FontFile *)handle;
    fluid_long_long_t to = origin == SEEK_SET ? offset : origin == SEEK_CUR ? f->at + offset
                                                                            : f->size + offset;
    if (to < 0 || to > f->size)
        return FLUID_FAILED;
    f->at = to;
    return FLUID_OK;
}

static fluid_long_long_t font_tell(void *handle)
{
    return ((FontFile *)handle)->at;
}

static int font_close(void *handle)
{
    FontFile *f = (FontFile *)handle;
    munmap((void *)f->base, (size_t)f->size);
    delete f;
    return FLUID_OK;
}

// The helper's work. Samples are loaded when a program first selects them,
// not all at once: the program's tune uses a handful of the soundfont's
// instruments, and the rest would cost the start of the run its time.
static void prepare_run(Preparation *p)
{
    std::string font;
    int found = soundfont_find(&font);
    fluid_settings_t *settings = found ? new_fluid_settings() : NULL;
    fluid_synth_t *synth = NULL;
    if (settings) {
        fluid_settings_setstr(settings, "audio.driver", "sdl2");
        fluid_settings_setint(settings, "synth.lock-memory", 0);
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        synth = new_fluid_synth(settings);
    }
    std::unique_lock<std::mutex> hold(p->lock);
    p->font = found;
    p->settings = settings;
    p->synth = synth;
    p->stage = MADE;
    p->advanced.notify_all();
    hold.unlock();

    // FluidSynth lets the output run on the synthesizer while this loads.
    int loaded = 0;
    if (synth) {
        fluid_sfloader_t *loader = new_fluid_defsfloader(settings);
        if (loader) {
            fluid_sfloader_set_callbacks(loader, font_open, font_read, font_seek, font_tell,
                                         font_close);
            fluid_synth_add_sfloader(synth, loader); // tried before the built-in ones
        }
        loaded = loader && fluid_synth_sfload(synth, font.c_str(), 1) != FLUID_FAILED;
    }
    hold.lock();
    p->loaded = loaded;
    p->stage = LOADED;
    p->advanced.notify_all();
}

void linux_mci_prepare(void)
{
    if (prepared)
        return;
    fluid_quiet(); // before any other thread can log
    prepared = new Preparation();
    // The helper takes no signal sent to the process: those stay with the
    // program's own threads. Its own faults still reach it.
    sigset_t all, old;
    sigfillset(&all);
    for (int own : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP})
        sigdelset(&all, own);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    try {
        std::thread([] {
            pthread_setname_np(pthread_self(), "mci-prepare"); // as thread lists show it
            prepare_run(prepared);
        }).detach();
    } catch (const std::system_error &) {
        prepare_run(prepared); // no thread to be had: the work is done here
    }
    pthread_sigmask(SIG_SETMASK, &old, NULL);
}

// The preparation once it has reached `stage`, or NULL when it has not by
// `deadline`: a helper held up in the file system is left to itself.
static Preparation *preparation_wait(int stage, std::chrono::steady_clock::time_point deadline)
{
    linux_mci_prepare();
    std::unique_lock<std::mutex> hold(prepared->lock);
    if (!prepared->advanced.wait_until(hold, deadline, [stage] { return prepared->stage >= stage; }))
        return NULL;
    return prepared;
}

// ---------------------------------------------------------------------------
// The device.

// Called on the synthesizer's thread for every tick the player moves on.
static int on_tick(void *data, int tick)
{
    Sequencer *s = (Sequencer *)data;
    {
        std::lock_guard<std::mutex> hold(s->lock);
        // Past the first tick, the events of tick 0 have been sent, and the
        // instruments they choose loaded.
        if (!s->moved && tick > 0) {
            s->moved = 1;
            s->moving.notify_all();
        }
    }
    win32_mci_tune_at(tick);
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
    if (seq.audio_held)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    seq.driver = NULL;
    seq.player = NULL;
    seq.synth = NULL;
    seq.audio_held = 0;
    std::lock_guard<std::mutex> hold(seq.lock);
    seq.moved = 0;
}

// Never waits for the helper: a process that ends during its work ends at once.
void linux_mci_shutdown(void)
{
    win32_mci_close();
}

// Everything the play needs is made here: the prepared synthesizer taken and
// the audio output opened, so that the play command starts the tune at once.
static MCIERROR device_open(const unsigned char *tune, size_t size)
{
    // Without instruments there is no MIDI output to play on.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(PREPARE_WAIT_MS);
    Preparation *p = preparation_wait(MADE, deadline);
    if (!p || !p->font)
        return MCIERR_SEQ_NOMIDIPRESENT;
    if (!p->synth)
        return MCIERR_OUT_OF_MEMORY;
    // FluidSynth's SDL driver plays on SDL's audio subsystem but leaves
    // starting it to the program.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return MCIERR_HARDWARE;
    seq.audio_held = 1;
    // The player resets the synthesizer as it starts a file: what an earlier
    // tune set on the channels is gone by then.
    seq.synth = p->synth;
    alsa_quiet();
    // The output first: without one the open fails without waiting for the soundfont.
    seq.driver = new_fluid_audio_driver(p->settings, seq.synth);
    if (!seq.driver)
        return MCIERR_HARDWARE;
    p = preparation_wait(LOADED, deadline);
    if (!p || !p->loaded)
        return MCIERR_SEQ_NOMIDIPRESENT;

    seq.player = new_fluid_player(seq.synth);
    if (!seq.player)
        return MCIERR_OUT_OF_MEMORY;
    if (fluid_player_add_mem(seq.player, tune, size) != FLUID_OK)
        return MCIERR_OUT_OF_MEMORY; // the player keeps its own copy
    fluid_player_set_tick_callback(seq.player, on_tick, &seq);
    static int exit_hook;
    if (!exit_hook) {
        exit_hook = 1;
        atexit(linux_mci_shutdown);
    }
    return 0;
}

MCIERROR platform_sequencer_open(const unsigned char *tune, size_t size)
{
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
    seq.moved = 0;
    hold.unlock();
    fluid_player_seek(seq.player, 0);
    fluid_player_play(seq.player);
    hold.lock();
    seq.moving.wait_for(hold, std::chrono::milliseconds(START_WAIT_MS), [] { return seq.moved != 0; });
}
