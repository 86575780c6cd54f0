// linux_mci.cpp -- winmm's mciSendStringA and sndPlaySoundA on FluidSynth: one
// MIDI sequencer device at a time, a Standard MIDI File played through a
// General MIDI soundfont and SDL audio. It knows "open <file> type sequencer
// [alias <name>]", "play <name> [from 0] [notify]" and "close <name>|all"; any
// other command, keyword or position fails with its MCI error code. There
// are no waveform sounds, so sndPlaySoundA has nothing to play or stop. The
// soundfont is found and loaded once per process, ahead of the first open.
#include "platform/linux/linux_mci.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/linux_smf.h"

#include <SDL.h>
#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctype.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

#undef fopen

// MCI numbers its devices from 1; with one device at a time it is always 1.
#define SEQUENCER_ID 1
// A MIDI file larger than this is no tune but a mistake.
#define MAX_FILE_SIZE (16u << 20)
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
    int open;
    std::string name; // the alias, or the file as given when there is none
    int end_tick;     // where the last track ends

    fluid_synth_t *synth; // the prepared one, while the device is open
    fluid_audio_driver_t *driver;
    fluid_player_t *player;
    int audio_held; // our hold on SDL's audio subsystem
    int started;    // a play has run since the open

    // Shared with the synthesizer's thread, which reports the end of the
    // sequence from the player's tick callback.
    std::mutex lock;
    int below_end;  // the position has been seen short of the end since the last play
    int at_end;     // and then at the end
    int armed;      // a notice is owed to `window`
    HWND window;
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

static int same_word(const std::string &word, const char *keyword)
{
    return strcasecmp(word.c_str(), keyword) == 0;
}

// The file is checked in full at the open, so that the player never meets a
// file it cannot read: formats 0 and 1 with a tick division, no tempo of zero
// (it would stop the player's clock).
static int file_playable(const std::vector<unsigned char> &bytes, Sequencer *s)
{
    SmfFile f = smf_read(bytes.data(), bytes.size());
    if (!f.error.empty() || f.format > 1 || (f.format == 0 && f.ntracks != 1) ||
        f.division <= 0 || (f.division & 0x8000))
        return 0;
    for (const std::vector<SmfEvent> &track : f.tracks)
        for (const SmfEvent &e : track)
            if (e.is_meta() && e.meta_type == 0x51 &&
                (e.data.size() != 3 || (e.data[0] | e.data[1] | e.data[2]) == 0))
                return 0;
    s->end_tick = f.end_tick;
    return 1;
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

// Called on the synthesizer's thread for every tick the player moves on. The
// end counts only after a position short of it was seen, so a tick of the
// play before a restart cannot end the new one.
static int on_tick(void *data, int tick)
{
    Sequencer *s = (Sequencer *)data;
    std::lock_guard<std::mutex> hold(s->lock);
    // Past the first tick, the events of tick 0 have been sent, and the
    // instruments they choose loaded.
    if (!s->moved && tick > 0) {
        s->moved = 1;
        s->moving.notify_all();
    }
    if (tick < s->end_tick) {
        s->below_end = 1;
    } else if (s->below_end && !s->at_end) {
        s->at_end = 1;
        if (s->armed)
            linux_post_message(s->window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, SEQUENCER_ID);
        s->armed = 0;
    }
    return FLUID_OK;
}

// The driver goes before the player, so nothing renders while they are taken
// apart; the notes are let go first. The synthesizer stays for the next open,
// silenced.
// A notice still owed is dropped.
static void device_release(void)
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
    seq.open = 0;
    seq.started = 0;
    seq.name.clear();
    std::lock_guard<std::mutex> hold(seq.lock);
    seq.below_end = seq.at_end = seq.armed = seq.moved = 0;
    seq.window = NULL;
}

// Never waits for the helper: a process that ends during its work ends at once.
void linux_mci_shutdown(void)
{
    if (seq.open)
        device_release();
}

static MCIERROR file_load(const std::string &path, std::vector<unsigned char> *out)
{
    // Drive paths map as the program's own file writes map them.
    FILE *f = linux_fopen(path.c_str(), "rb");
    struct stat st;
    if (f && (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode))) {
        fclose(f); // a directory opens for reading here, but holds no file
        f = NULL;
    }
    if (!f)
        return MCIERR_FILE_NOT_FOUND;
    unsigned char block[4096];
    size_t got;
    MCIERROR result = 0;
    while (!result && (got = fread(block, 1, sizeof(block), f)) > 0) {
        if (out->size() + got > MAX_FILE_SIZE)
            result = MCIERR_INVALID_FILE;
        out->insert(out->end(), block, block + got);
    }
    if (ferror(f))
        result = MCIERR_INVALID_FILE;
    fclose(f);
    return result;
}

// Everything the play needs is made here: the file is read as it stands now,
// the prepared synthesizer taken and the audio output opened, so that the
// play command starts the tune at once.
static MCIERROR device_open(const std::string &file, const std::string &name)
{
    std::vector<unsigned char> bytes;
    MCIERROR result = file_load(file, &bytes);
    if (result)
        return result;
    if (!file_playable(bytes, &seq))
        return MCIERR_INVALID_FILE;

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
    if (fluid_player_add_mem(seq.player, bytes.data(), bytes.size()) != FLUID_OK)
        return MCIERR_OUT_OF_MEMORY; // the player keeps its own copy
    fluid_player_set_tick_callback(seq.player, on_tick, &seq);
    seq.name = name;
    seq.open = 1;
    static int exit_hook;
    if (!exit_hook) {
        exit_hook = 1;
        atexit(linux_mci_shutdown);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// The command strings.

enum { OPT_NOTIFY = 1, OPT_FROM = 2, OPT_TYPE = 4, OPT_ALIAS = 8 };

struct Options {
    int given;
    std::string from, type, alias;
};

// Reads the keywords after the device name; `allowed` are those the command takes.
static MCIERROR options_read(const std::vector<std::string> &words, int allowed, Options *o)
{
    static const struct {
        const char *word;
        int flag;
        std::string Options::*value;
    } keywords[] = {
        {"notify", OPT_NOTIFY, NULL},
        {"from", OPT_FROM, &Options::from},
        {"type", OPT_TYPE, &Options::type},
        {"alias", OPT_ALIAS, &Options::alias},
    };
    o->given = 0;
    for (size_t i = 2; i < words.size(); i++) {
        int k = -1;
        for (int j = 0; j < (int)(sizeof(keywords) / sizeof(keywords[0])); j++)
            if ((allowed & keywords[j].flag) && same_word(words[i], keywords[j].word))
                k = j;
        if (k < 0)
            return MCIERR_UNRECOGNIZED_KEYWORD;
        if (o->given & keywords[k].flag)
            return MCIERR_DUPLICATE_FLAGS;
        o->given |= keywords[k].flag;
        if (keywords[k].value) {
            if (i + 1 >= words.size())
                return keywords[k].flag == OPT_FROM ? MCIERR_MISSING_PARAMETER
                                                    : MCIERR_MISSING_STRING_ARGUMENT;
            o->*keywords[k].value = words[++i];
        }
    }
    return 0;
}

// Words are separated by white space; quoted names are not understood.
static std::vector<std::string> words_split(const char *command)
{
    std::vector<std::string> words;
    for (const char *p = command;;) {
        while (isspace((unsigned char)*p))
            p++;
        if (!*p)
            return words;
        const char *start = p;
        while (*p && !isspace((unsigned char)*p))
            p++;
        words.push_back(std::string(start, p));
    }
}

static int names_device(const std::string &word)
{
    return seq.open && same_word(seq.name, word.c_str());
}

static MCIERROR command_open(const std::vector<std::string> &w)
{
    Options o;
    MCIERROR result = options_read(w, OPT_TYPE | OPT_ALIAS, &o);
    if (result)
        return result;
    // Without a type, winmm would look the file's extension up; we keep no such list.
    if (!(o.given & OPT_TYPE))
        return MCIERR_EXTENSION_NOT_FOUND;
    if (!same_word(o.type, "sequencer"))
        return MCIERR_INVALID_DEVICE_NAME; // no other device type lives here
    std::string name = (o.given & OPT_ALIAS) ? o.alias : w[1];
    if (seq.open) // the synthesizer is the one MIDI port
        return names_device(name) ? MCIERR_DUPLICATE_ALIAS : MCIERR_SEQ_PORT_INUSE;
    result = device_open(w[1], name);
    if (result)
        device_release();
    return result;
}

static MCIERROR command_close(const std::vector<std::string> &w)
{
    Options o;
    MCIERROR result = options_read(w, 0, &o);
    if (result)
        return result;
    if (!same_word(w[1], "all") && !names_device(w[1]))
        return MCIERR_INVALID_DEVICE_NAME;
    if (seq.open)
        device_release();
    return 0;
}

// A play without a position plays on from where the device is; the one
// position understood is 0, the start.
static MCIERROR command_play(const std::vector<std::string> &w, HWND notify)
{
    Options o;
    if (!names_device(w[1]))
        return MCIERR_INVALID_DEVICE_NAME;
    MCIERROR result = options_read(w, OPT_NOTIFY | OPT_FROM, &o);
    if (result)
        return result;
    if (o.given & OPT_FROM) {
        if (o.from.find_first_not_of("0123456789") != std::string::npos || o.from.size() > 9)
            return MCIERR_BAD_INTEGER;
        if (atoi(o.from.c_str()) != 0)
            return MCIERR_UNSUPPORTED_FUNCTION;
    }
    int restart = !seq.started || (o.given & OPT_FROM), finished;
    {
        std::lock_guard<std::mutex> hold(seq.lock);
        if (restart) {
            seq.below_end = 0;
            seq.at_end = seq.end_tick == 0;
        }
        finished = seq.at_end;
        // A new play takes the place of the notice owed for the one before.
        seq.armed = !finished && (o.given & OPT_NOTIFY) && notify;
        seq.window = notify;
    }
    if (restart) {
        if (seq.started) {
            fluid_player_stop(seq.player);
            fluid_synth_all_notes_off(seq.synth, -1);
        }
        if (!finished) {
            std::unique_lock<std::mutex> hold(seq.lock);
            seq.moved = 0;
            hold.unlock();
            fluid_player_seek(seq.player, 0);
            fluid_player_play(seq.player);
            // The run's clock starts when this returns: the tune must be under
            // way on the output by then, or picture and music drift apart.
            hold.lock();
            seq.moving.wait_for(hold, std::chrono::milliseconds(START_WAIT_MS),
                                [] { return seq.moved != 0; });
        }
        seq.started = 1;
    }
    // Nothing left to sound: the play is complete at once.
    if (finished && (o.given & OPT_NOTIFY) && notify)
        linux_post_message(notify, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, SEQUENCER_ID);
    return 0;
}

// Nothing is ever written to the return buffer: no command here answers.
MCIERROR mciSendStringA(LPCSTR command, LPSTR ret, UINT ret_length, HWND notify)
{
    if (ret && ret_length)
        ret[0] = '\0';
    std::vector<std::string> words = words_split(command ? command : "");
    if (words.empty())
        return MCIERR_MISSING_COMMAND_STRING;
    int open = same_word(words[0], "open"), close = same_word(words[0], "close");
    int play = same_word(words[0], "play");
    if (!open && !close && !play)
        return MCIERR_UNRECOGNIZED_COMMAND;
    if (words.size() < 2)
        return MCIERR_MISSING_DEVICE_NAME;
    return open ? command_open(words) : close ? command_close(words) : command_play(words, notify);
}

BOOL sndPlaySoundA(LPCSTR sound, UINT)
{
    // Stopping is all there is: no waveform sound ever plays here, and the
    // sequencer is not a waveform sound.
    return sound == NULL;
}
