// win32_mci.cpp -- winmm's mciSendStringA and sndPlaySoundA over a platform's
// MIDI output (platform.h's sequencer device): one device at a time, playing a
// Standard MIDI File. It knows "open <file> type sequencer [alias <name>]",
// "play <name> [from 0] [notify]" and "close <name>|all"; any other command,
// keyword or position fails with its MCI error code. There are no waveform
// sounds, so sndPlaySoundA has nothing to play or stop.
#include "platform/midi_file.h"
#include "platform/platform.h"

#include <ctype.h>
#include <mutex>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

// MCI numbers its devices from 1; with one device at a time it is always 1.
#define SEQUENCER_ID 1
// A MIDI file larger than this is no tune but a mistake.
#define MAX_FILE_SIZE (16u << 20)

static struct {
    int open;
    std::string name; // the alias, or the file as given when there is none
    int started;      // a play has run since the open

    // Shared with the device's report of the end, which may come on another thread.
    std::mutex lock;
    int end_tick; // where the last track ends
    int at_end;   // the latest play from the start has reached it
    int armed;    // a notice is owed to `window`
    HWND window;
} seq;

static int same_word(const std::string &word, const char *keyword)
{
    return strcasecmp(word.c_str(), keyword) == 0;
}

// The file is checked in full at the open, so that the device never meets a
// file it cannot read: formats 0 and 1 with a tick division, no tempo of zero
// (it would stop the player's clock).
static int file_playable(const std::vector<unsigned char> &bytes, int *end_tick)
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
    *end_tick = f.end_tick;
    return 1;
}

// Drive paths map as the program's own file writes map them (win32.h).
MCIERROR win32_mci_file_read(const char *path, std::vector<unsigned char> *out)
{
    FILE *f = fopen(path, "rb");
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

// The file is read as it stands now and handed to the device whole, so that
// the play command starts the tune at once.
static MCIERROR device_open(const std::string &file, const std::string &name)
{
    std::vector<unsigned char> bytes;
    int end_tick = 0;
    MCIERROR result = win32_mci_file_read(file.c_str(), &bytes);
    if (result)
        return result;
    if (!file_playable(bytes, &end_tick))
        return MCIERR_INVALID_FILE;
    {
        std::lock_guard<std::mutex> hold(seq.lock);
        seq.end_tick = end_tick;
    }
    // Without instruments there is no MIDI output to play on.
    result = platform_sequencer_open(bytes.data(), bytes.size(), end_tick);
    if (result)
        return result;
    seq.name = name;
    seq.open = 1;
    return 0;
}

// The device goes first, so that nothing reports after the notice state is
// reset: a notice still owed is dropped.
static void device_release(void)
{
    platform_sequencer_close();
    seq.open = 0;
    seq.started = 0;
    seq.name.clear();
    std::lock_guard<std::mutex> hold(seq.lock);
    seq.at_end = seq.armed = 0;
    seq.window = NULL;
}

void win32_mci_close(void)
{
    if (seq.open)
        device_release();
}

// The notice goes to the window of the latest play that asked for one.
void win32_mci_tune_ended(void)
{
    std::lock_guard<std::mutex> hold(seq.lock);
    if (seq.at_end)
        return;
    seq.at_end = 1;
    if (seq.armed)
        win32_post_message(seq.window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, SEQUENCER_ID);
    seq.armed = 0;
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
    if (seq.open) // the device is the one MIDI port
        return names_device(name) ? MCIERR_DUPLICATE_ALIAS : MCIERR_SEQ_PORT_INUSE;
    return device_open(w[1], name);
}

static MCIERROR command_close(const std::vector<std::string> &w)
{
    Options o;
    MCIERROR result = options_read(w, 0, &o);
    if (result)
        return result;
    if (!same_word(w[1], "all") && !names_device(w[1]))
        return MCIERR_INVALID_DEVICE_NAME;
    win32_mci_close();
    return 0;
}

// A play without a position plays on from where the device is; the one
// position understood is 0, the start. The run's clock starts when the play
// returns: the tune is under way by then, or picture and music drift apart.
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
        if (restart)
            seq.at_end = seq.end_tick == 0;
        finished = seq.at_end;
        // A new play takes the place of the notice owed for the one before.
        seq.armed = !finished && (o.given & OPT_NOTIFY) && notify;
        seq.window = notify;
    }
    // An empty tune is never played: it is at its end from the start.
    if (restart && !finished)
        platform_sequencer_play(seq.started);
    seq.started |= restart;
    // Nothing left to sound: the play is complete at once.
    if (finished && (o.given & OPT_NOTIFY) && notify)
        win32_post_message(notify, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, SEQUENCER_ID);
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
