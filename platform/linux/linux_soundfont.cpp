// linux_soundfont.cpp -- the synthesizer and its General MIDI soundfont
// (linux_sound.h): found where systems keep one, read through a mapping of
// its file, and loaded on a helper thread from process start. Only a regular
// file is read: a FIFO or a device at the place would block.
#include "platform/linux/linux_sound.h"

#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

// FluidSynth's own default comes first: on Debian it is the administrator's
// choice of General MIDI soundfont. These are where other systems keep one.
static const char *const usual_soundfonts[] = {
    "/usr/share/soundfonts/default.sf2",
    "/usr/share/soundfonts/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

// Made once and never freed: the helper may still be loading when the
// process exits, and then nothing it uses may be taken apart under it.
struct Preparation {
    std::mutex lock;
    std::condition_variable advanced;
    int stage;
    SoundPrepared made;
};

static Preparation *prepared;

// Read without stdio, as the soundfont itself is below: the exit of the
// process takes stdio's streams apart, and the helper thread may be reading then.
static int regular_open(const char *path)
{
    struct stat st;
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0)) {
        close(fd);
        fd = -1;
    }
    return fd;
}

// A General MIDI soundfont is a RIFF file of form "sfbk".
static int soundfont_at(const char *path)
{
    unsigned char head[12];
    int fd = regular_open(path);
    if (fd < 0)
        return 0;
    ssize_t got = read(fd, head, sizeof(head));
    close(fd);
    return got == (ssize_t)sizeof(head) && memcmp(head, "RIFF", 4) == 0 && memcmp(head + 8, "sfbk", 4) == 0;
}

// $OSTRA_SOUNDFONT when it is set, else the first soundfont found at
// FluidSynth's own default or in the usual places.
static bool soundfont_find(fluid_settings_t *settings, std::string *found)
{
    std::vector<std::string> candidates;
    const char *chosen = getenv("OSTRA_SOUNDFONT");
    char *builtin = NULL;
    if (chosen && *chosen) {
        candidates.push_back(chosen);
    } else {
        if (fluid_settings_dupstr(settings, "synth.default-soundfont", &builtin) == FLUID_OK && builtin) {
            candidates.push_back(builtin);
            fluid_free(builtin);
        }
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
    fluid_long_long_t to = origin == SEEK_SET ? offset : origin == SEEK_CUR ? f->at + offset : f->size + offset;
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
    fluid_settings_t *settings = new_fluid_settings();
    fluid_synth_t *synth = NULL;
    if (settings) {
        fluid_settings_setstr(settings, "audio.driver", "sdl2");
        fluid_settings_setint(settings, "synth.lock-memory", 0);
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        synth = new_fluid_synth(settings);
    }
    std::unique_lock<std::mutex> hold(p->lock);
    p->made.settings = settings;
    p->made.synth = synth;
    p->stage = SOUND_MADE;
    p->advanced.notify_all();
    hold.unlock();

    std::string path;
    int found = synth && soundfont_find(settings, &path), loaded = 0;
    hold.lock();
    p->made.font = found;
    p->made.path = path;
    p->stage = SOUND_FOUND;
    p->advanced.notify_all();
    hold.unlock();

    // FluidSynth lets the output run on the synthesizer while this loads.
    if (found) {
        fluid_sfloader_t *loader = new_fluid_defsfloader(settings);
        if (loader) {
            fluid_sfloader_set_callbacks(loader, font_open, font_read, font_seek, font_tell, font_close);
            fluid_synth_add_sfloader(synth, loader); // tried before the built-in ones
        }
        loaded = loader && fluid_synth_sfload(synth, path.c_str(), 1) != FLUID_FAILED;
    }
    hold.lock();
    p->made.loaded = loaded;
    p->stage = SOUND_LOADED;
    p->advanced.notify_all();
}

// FluidSynth reports to standard error by default; the program logs nothing.
static void fluid_quiet(void)
{
    const int levels[] = {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG};
    for (int level : levels)
        fluid_set_log_function(level, NULL, NULL);
}

void linux_sound_prepare(void)
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

const SoundPrepared *linux_sound_wait(int stage, std::chrono::steady_clock::time_point deadline)
{
    linux_sound_prepare();
    std::unique_lock<std::mutex> hold(prepared->lock);
    if (!prepared->advanced.wait_until(hold, deadline, [stage] { return prepared->stage >= stage; }))
        return NULL;
    return &prepared->made;
}
