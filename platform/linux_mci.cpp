// linux_mci.cpp -- winmm's mciSendStringA and sndPlaySoundA on FluidSynth: one
// MIDI sequencer device at a time, a Standard MIDI File played through a
// General MIDI soundfont and SDL audio. Only "open", "play" and "close" are
// known; any other command or keyword fails with its MCI error code. There
// are no waveform sounds, so sndPlaySoundA has nothing to play or stop.
#include "platform/linux_mci.h"
#include "platform/linux_platform.h"

#include <SDL.h>
#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <ctype.h>
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <math.h>
#include <mutex>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

#undef fopen

// MCI numbers its devices from 1; with one device at a time it is always 1.
#define SEQUENCER_ID 1
// A MIDI file larger than this is no tune but a mistake.
#define MAX_FILE_SIZE (16u << 20)

static const char *const usual_soundfonts[] = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/soundfonts/default.sf2",
    "/usr/share/soundfonts/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/soundfonts/FluidR3_GM2-2.sf2",
};

struct Tempo {
    int tick;
    int usec; // per quarter note, from `tick` on
};

struct Sequencer {
    int open;
    std::string name; // the alias, or the file as given when there is none
    int division;     // ticks per quarter note
    int end_tick;     // where the last track ends
    std::vector<Tempo> tempos;

    fluid_settings_t *settings;
    fluid_synth_t *synth;
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
};

static Sequencer seq;
static std::vector<std::string> chosen_soundfonts;
static int soundfonts_chosen;
static std::string audio_driver = "sdl2";

void linux_mci_set_soundfonts(const char *const *paths)
{
    chosen_soundfonts.clear();
    soundfonts_chosen = paths != NULL;
    for (; paths && *paths; paths++)
        chosen_soundfonts.push_back(*paths);
}

void linux_mci_set_audio_driver(const char *name)
{
    audio_driver = name ? name : "sdl2";
}

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

static void notify_post(HWND window, WPARAM flag, UINT device)
{
    if (window)
        linux_post_message(window, MM_MCINOTIFY, flag, (LPARAM)device);
}

// ---------------------------------------------------------------------------
// The Standard MIDI File, checked in full at the open so that the player never
// meets a file it cannot read; it yields the sequence's length and tempo map.

static unsigned big_endian(const unsigned char *p, int bytes)
{
    unsigned v = 0;
    for (int i = 0; i < bytes; i++)
        v = v << 8 | p[i];
    return v;
}

// A variable-length quantity of at most four bytes.
static int read_vlq(const unsigned char **p, const unsigned char *end, unsigned *out)
{
    unsigned v = 0;
    for (int i = 0; i < 4; i++) {
        if (*p >= end)
            return 0;
        unsigned char b = *(*p)++;
        v = v << 7 | (b & 0x7F);
        if (!(b & 0x80)) {
            *out = v;
            return 1;
        }
    }
    return 0;
}

static int track_read(const unsigned char *p, const unsigned char *end, Sequencer *s)
{
    unsigned tick = 0;
    int running = 0;
    while (p < end) {
        unsigned delta, length;
        if (!read_vlq(&p, end, &delta))
            return 0;
        tick += delta;
        if (tick > (unsigned)INT_MAX / 2 || p >= end)
            return 0;
        int status = *p;
        if (status & 0x80)
            p++;
        else if (running)
            status = running;
        else
            return 0;
        if (status == 0xFF) {
            if (p >= end)
                return 0;
            int type = *p++;
            if (!read_vlq(&p, end, &length) || length > (size_t)(end - p))
                return 0;
            if (type == 0x51) {
                int usec = length == 3 ? (int)big_endian(p, 3) : 0;
                if (usec == 0)
                    return 0;
                s->tempos.push_back({(int)tick, usec});
            }
            p += length;
            running = 0;
            s->end_tick = std::max(s->end_tick, (int)tick);
            if (type == 0x2F)
                return 1;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            if (!read_vlq(&p, end, &length) || length > (size_t)(end - p))
                return 0;
            p += length;
            running = 0;
        } else if (status >= 0xF0) {
            return 0; // system common and real-time messages have no place in a file
        } else {
            int count = (status & 0xE0) == 0xC0 ? 1 : 2; // program change, channel pressure
            if (end - p < count)
                return 0;
            for (int i = 0; i < count; i++)
                if (p[i] & 0x80)
                    return 0;
            p += count;
            running = status;
        }
        s->end_tick = std::max(s->end_tick, (int)tick);
    }
    return 1; // no end-of-track event: the sequence ends with its last event
}

// Formats 0 and 1 with a tick division: what the sequencer plays.
static int file_read(const std::vector<unsigned char> &file, Sequencer *s)
{
    const unsigned char *d = file.data();
    size_t n = file.size();
    s->end_tick = 0;
    s->tempos.clear();
    if (n < 14 || memcmp(d, "MThd", 4) != 0)
        return 0;
    size_t header = big_endian(d + 4, 4);
    if (header < 6 || header > n - 8)
        return 0;
    unsigned format = big_endian(d + 8, 2), tracks = big_endian(d + 10, 2);
    unsigned division = big_endian(d + 12, 2);
    if (format > 1 || tracks == 0 || (format == 0 && tracks != 1) || division == 0 ||
        (division & 0x8000))
        return 0;
    s->division = (int)division;
    size_t pos = 8 + header;
    for (unsigned found = 0; found < tracks;) {
        if (n - pos < 8)
            return 0;
        size_t length = big_endian(d + pos + 4, 4);
        if (length > n - pos - 8)
            return 0;
        if (memcmp(d + pos, "MTrk", 4) == 0) {
            if (!track_read(d + pos + 8, d + pos + 8 + length, s))
                return 0;
            found++;
        }
        pos += 8 + length; // chunks of other types are skipped, as the format asks
    }
    std::stable_sort(s->tempos.begin(), s->tempos.end(),
                     [](const Tempo &a, const Tempo &b) { return a.tick < b.tick; });
    return 1;
}

// Milliseconds from the start to `tick`, through the tempo changes; a file
// starts at 120 beats per minute until it says otherwise.
static double ms_at_tick(int tick)
{
    double ms = 0;
    int at = 0, usec = 500000;
    for (const Tempo &t : seq.tempos) {
        if (t.tick >= tick)
            break;
        ms += (double)(t.tick - at) * usec / (seq.division * 1000.0);
        at = t.tick;
        usec = t.usec;
    }
    return ms + (double)(tick - at) * usec / (seq.division * 1000.0);
}

static int tick_at_ms(double ms)
{
    double done = 0;
    int at = 0, usec = 500000;
    for (const Tempo &t : seq.tempos) {
        double span = (double)(t.tick - at) * usec / (seq.division * 1000.0);
        if (done + span > ms)
            break;
        done += span;
        at = t.tick;
        usec = t.usec;
    }
    double tick = at + (ms - done) * seq.division * 1000.0 / usec;
    return tick >= seq.end_tick ? seq.end_tick : (int)tick;
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
    if (tick < s->end_tick) {
        s->below_end = 1;
    } else if (s->below_end && !s->at_end) {
        s->at_end = 1;
        if (s->armed) {
            s->armed = 0;
            notify_post(s->window, MCI_NOTIFY_SUCCESSFUL, SEQUENCER_ID);
        }
    }
    return FLUID_OK;
}

// Hands an owed notice to its window with `flag`, or forgets it.
static void notice_settle(WPARAM flag)
{
    std::lock_guard<std::mutex> hold(seq.lock);
    if (seq.armed && flag)
        notify_post(seq.window, flag, SEQUENCER_ID);
    seq.armed = 0;
}

// The driver goes before the player and the synthesizer, so nothing renders
// while they are taken apart; the notes are let go first.
static void device_release(WPARAM flag)
{
    notice_settle(flag);
    if (seq.player)
        fluid_player_stop(seq.player);
    if (seq.synth)
        fluid_synth_all_notes_off(seq.synth, -1);
    if (seq.driver)
        delete_fluid_audio_driver(seq.driver);
    if (seq.player)
        delete_fluid_player(seq.player);
    if (seq.synth)
        delete_fluid_synth(seq.synth);
    if (seq.settings)
        delete_fluid_settings(seq.settings);
    if (seq.audio_held)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    seq.driver = NULL;
    seq.player = NULL;
    seq.synth = NULL;
    seq.settings = NULL;
    seq.audio_held = 0;
    seq.open = 0;
    seq.started = 0;
    seq.name.clear();
    seq.tempos.clear();
    std::lock_guard<std::mutex> hold(seq.lock);
    seq.below_end = seq.at_end = 0;
    seq.window = NULL;
}

void linux_mci_shutdown(void)
{
    if (seq.open)
        device_release(0);
}

int linux_mci_voices(void)
{
    return seq.open ? fluid_synth_get_active_voice_count(seq.synth) : 0;
}

static std::vector<std::string> soundfont_candidates(void)
{
    if (soundfonts_chosen)
        return chosen_soundfonts;
    std::vector<std::string> list(std::begin(usual_soundfonts), std::end(usual_soundfonts));
    char *builtin = NULL;
    if (fluid_settings_dupstr(seq.settings, "synth.default-soundfont", &builtin) == FLUID_OK &&
        builtin) {
        list.push_back(builtin);
        fluid_free(builtin);
    }
    return list;
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
    while ((got = fread(block, 1, sizeof(block), f)) > 0) {
        if (out->size() + got > MAX_FILE_SIZE) {
            result = MCIERR_INVALID_FILE;
            break;
        }
        out->insert(out->end(), block, block + got);
    }
    if (!result && ferror(f))
        result = MCIERR_INVALID_FILE;
    fclose(f);
    return result;
}

// Everything the play needs is made here: the file is read as it stands now,
// the soundfont loaded and the audio output opened, so that the play command
// starts the tune at once.
static MCIERROR device_open(const std::string &file, const std::string &name)
{
    std::vector<unsigned char> bytes;
    MCIERROR result = file_load(file, &bytes);
    if (result)
        return result;
    if (!file_read(bytes, &seq))
        return MCIERR_INVALID_FILE;

    fluid_quiet();
    seq.settings = new_fluid_settings();
    if (!seq.settings)
        return MCIERR_OUT_OF_MEMORY;
    std::vector<std::string> fonts;
    for (const std::string &path : soundfont_candidates())
        if (fluid_is_soundfont(path.c_str()))
            fonts.push_back(path);
    // Without instruments there is no MIDI output to play on.
    if (fonts.empty())
        return MCIERR_SEQ_NOMIDIPRESENT;

    fluid_settings_setstr(seq.settings, "audio.driver", audio_driver.c_str());
    fluid_settings_setint(seq.settings, "synth.lock-memory", 0);
    // FluidSynth's SDL driver plays on SDL's audio subsystem but leaves
    // starting it to the program.
    if (audio_driver == "sdl2") {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return MCIERR_HARDWARE;
        seq.audio_held = 1;
    }
    seq.synth = new_fluid_synth(seq.settings);
    if (!seq.synth)
        return MCIERR_OUT_OF_MEMORY;
    alsa_quiet();
    // The output first: without one the open fails before the slow part.
    seq.driver = new_fluid_audio_driver(seq.settings, seq.synth);
    if (!seq.driver)
        return MCIERR_HARDWARE;
    int loaded = 0;
    for (const std::string &path : fonts)
        if (!loaded && fluid_synth_sfload(seq.synth, path.c_str(), 1) != FLUID_FAILED)
            loaded = 1;
    if (!loaded)
        return MCIERR_SEQ_NOMIDIPRESENT;

    seq.player = new_fluid_player(seq.synth);
    if (!seq.player)
        return MCIERR_OUT_OF_MEMORY;
    if (fluid_player_add_mem(seq.player, bytes.data(), bytes.size()) != FLUID_OK)
        return MCIERR_OUT_OF_MEMORY; // the player keeps its own copy
    fluid_player_set_tick_callback(seq.player, on_tick, &seq);
    seq.name = name;
    seq.open = 1;
    seq.started = 0;
    static int exit_hook;
    if (!exit_hook) {
        exit_hook = 1;
        atexit(linux_mci_shutdown);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// The command strings.

enum { OPT_NOTIFY = 1, OPT_WAIT = 2, OPT_FROM = 4, OPT_TYPE = 8, OPT_ALIAS = 16 };

struct Options {
    int given;
    std::string from, type, alias;
};

// Reads the keywords after the device name; `allowed` are those the command takes.
static MCIERROR options_read(const std::vector<std::string> &words, size_t i, int allowed,
                             Options *o)
{
    static const struct {
        const char *word;
        int flag;
        std::string Options::*value;
    } keywords[] = {
        {"notify", OPT_NOTIFY, NULL}, {"wait", OPT_WAIT, NULL}, {"from", OPT_FROM, &Options::from},
        {"type", OPT_TYPE, &Options::type}, {"alias", OPT_ALIAS, &Options::alias},
    };
    o->given = 0;
    for (; i < words.size(); i++) {
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

static MCIERROR words_split(const char *command, std::vector<std::string> *words)
{
    const char *p = command;
    for (;;) {
        while (isspace((unsigned char)*p))
            p++;
        if (!*p)
            return 0;
        if (*p == '"') {
            const char *close = strchr(p + 1, '"');
            if (!close)
                return MCIERR_NO_CLOSING_QUOTE;
            words->push_back(std::string(p + 1, close));
            p = close + 1;
        } else {
            const char *start = p;
            while (*p && !isspace((unsigned char)*p))
                p++;
            words->push_back(std::string(start, p));
        }
    }
}

static int is_midi_name(const std::string &file)
{
    size_t dot = file.rfind('.');
    if (dot == std::string::npos)
        return 0;
    std::string ext = file.substr(dot + 1);
    return same_word(ext, "mid") || same_word(ext, "midi") || same_word(ext, "rmi");
}

static MCIERROR command_open(const std::vector<std::string> &w, HWND notify, int *returns_id)
{
    Options o;
    if (w.size() < 2)
        return MCIERR_MISSING_DEVICE_NAME;
    MCIERROR result = options_read(w, 2, OPT_NOTIFY | OPT_WAIT | OPT_TYPE | OPT_ALIAS, &o);
    if (result)
        return result;
    const std::string &file = w[1];
    if (o.given & OPT_TYPE) {
        if (!same_word(o.type, "sequencer"))
            return MCIERR_INVALID_DEVICE_NAME; // no other device type lives here
    } else if (same_word(file, "sequencer")) {
        return MCIERR_FILENAME_REQUIRED; // a sequencer with nothing loaded cannot play
    } else if (!is_midi_name(file)) {
        return MCIERR_EXTENSION_NOT_FOUND;
    }
    std::string name = (o.given & OPT_ALIAS) ? o.alias : file;
    if (seq.open) {
        if (same_word(seq.name, name.c_str()))
            return (o.given & OPT_ALIAS) ? MCIERR_DUPLICATE_ALIAS : MCIERR_DEVICE_OPEN;
        return MCIERR_SEQ_PORT_INUSE; // the synthesizer is the one MIDI port
    }
    result = device_open(file, name);
    if (result) {
        device_release(0);
        return result;
    }
    if (o.given & OPT_NOTIFY)
        notify_post(notify, MCI_NOTIFY_SUCCESSFUL, SEQUENCER_ID);
    *returns_id = 1;
    return 0;
}

static MCIERROR command_close(const std::vector<std::string> &w, HWND notify)
{
    Options o;
    if (w.size() < 2)
        return MCIERR_MISSING_DEVICE_NAME;
    MCIERROR result = options_read(w, 2, OPT_NOTIFY | OPT_WAIT, &o);
    if (result)
        return result;
    int all = same_word(w[1], "all");
    if (!all && !(seq.open && same_word(seq.name, w[1].c_str())))
        return MCIERR_INVALID_DEVICE_NAME;
    if (seq.open)
        device_release(MCI_NOTIFY_ABORTED);
    if (o.given & OPT_NOTIFY)
        notify_post(notify, MCI_NOTIFY_SUCCESSFUL, all ? MCI_ALL_DEVICE_ID : SEQUENCER_ID);
    return 0;
}

// Positions are milliseconds, the sequencer's time format for tick-based files.
static MCIERROR command_play(const std::vector<std::string> &w, HWND notify)
{
    Options o;
    if (w.size() < 2)
        return MCIERR_MISSING_DEVICE_NAME;
    if (!(seq.open && same_word(seq.name, w[1].c_str())))
        return MCIERR_INVALID_DEVICE_NAME;
    MCIERROR result = options_read(w, 2, OPT_NOTIFY | OPT_WAIT | OPT_FROM, &o);
    if (result)
        return result;

    int restart = !seq.started, from_tick = 0;
    if (o.given & OPT_FROM) {
        const char *text = o.from.c_str();
        char *end;
        errno = 0;
        unsigned long ms = strtoul(text, &end, 10);
        if (!isdigit((unsigned char)text[0]) || *end || errno || ms > UINT32_MAX)
            return MCIERR_BAD_INTEGER;
        if (ms > (unsigned long)llround(ms_at_tick(seq.end_tick)))
            return MCIERR_OUTOFRANGE;
        from_tick = tick_at_ms((double)ms);
        restart = 1;
    }

    int finished;
    {
        std::lock_guard<std::mutex> hold(seq.lock);
        // A play that stops the one before aborts its notice; one that lets
        // it run on supersedes it.
        if (seq.armed)
            notify_post(seq.window, restart ? MCI_NOTIFY_ABORTED : MCI_NOTIFY_SUPERSEDED,
                        SEQUENCER_ID);
        seq.armed = 0;
        if (restart) {
            seq.below_end = 0;
            seq.at_end = from_tick >= seq.end_tick;
        }
        finished = seq.at_end;
        if (!finished && (o.given & OPT_NOTIFY) && notify) {
            seq.armed = 1;
            seq.window = notify;
        }
    }
    if (restart) {
        if (seq.started) {
            fluid_player_stop(seq.player);
            fluid_synth_all_notes_off(seq.synth, -1);
        }
        // A play from the end has nothing left to sound.
        if (!finished) {
            fluid_player_seek(seq.player, from_tick);
            fluid_player_play(seq.player);
        }
        seq.started = 1;
    }
    if (finished) {
        if (o.given & OPT_NOTIFY)
            notify_post(notify, MCI_NOTIFY_SUCCESSFUL, SEQUENCER_ID);
        return 0;
    }
    if (o.given & OPT_WAIT) {
        for (;;) {
            {
                std::lock_guard<std::mutex> hold(seq.lock);
                if (seq.at_end)
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return 0;
}

MCIERROR mciSendStringA(LPCSTR command, LPSTR ret, UINT ret_length, HWND notify)
{
    std::vector<std::string> words;
    if (ret && ret_length)
        ret[0] = '\0';
    if (!command)
        return MCIERR_MISSING_COMMAND_STRING;
    MCIERROR result = words_split(command, &words);
    if (result)
        return result;
    if (words.empty())
        return MCIERR_MISSING_COMMAND_STRING;

    int returns_id = 0;
    if (same_word(words[0], "open"))
        result = command_open(words, notify, &returns_id);
    else if (same_word(words[0], "close"))
        result = command_close(words, notify);
    else if (same_word(words[0], "play"))
        result = command_play(words, notify);
    else
        result = MCIERR_UNRECOGNIZED_COMMAND;

    // The open answers with the new device's number, as winmm does.
    if (!result && returns_id && ret && ret_length) {
        if (ret_length < 2)
            return MCIERR_PARAM_OVERFLOW;
        snprintf(ret, ret_length, "%d", SEQUENCER_ID);
    }
    return result;
}

BOOL sndPlaySoundA(LPCSTR sound, UINT)
{
    // Stopping is all there is: no waveform sound ever plays here, and the
    // sequencer is not a waveform sound.
    return sound == NULL;
}
