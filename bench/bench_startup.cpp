// bench_startup.cpp -- figures, not a test: the time from process start to
// each step of the real program's start-up (video up, window shown, context
// current, terrain synthesis read back, soundfont loaded, music started,
// first frame presented), with the machine's own audio (no audio device on
// a machine without a sound card) and with SDL's dummy driver, beside a
// trivial SDL2/GL program on the same display. The programs run unchanged with
// startup_shim preloaded, which notes each step and ends the process at its
// first present. Runs alternate between the set-ups; medians are printed.
// Other builds of the program named after the runs are timed alike, in the
// same runs, for a comparison on an equally busy machine.
//   tools/with-xvfb build/bench/bench_startup [runs [other-ostra...]]
#include "bench/bench.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

const char *const events[] = {"video", "shown", "current", "synthesis", "soundfont", "music",
                              "frame"};
const int EVENT_COUNT = sizeof(events) / sizeof(events[0]);
const int FRAME = EVENT_COUNT - 1;
const int SOUNDFONT = 4; // loaded beside the main thread's steps, not one of them

struct Setup {
    std::string name;
    const char *program;
    const char *audio_driver; // SDL_AUDIODRIVER; NULL: unset, the machine's own
    const char *soundfont;    // OSTRA_SOUNDFONT; NULL: unset, the usual places
    std::vector<double> at[EVENT_COUNT];
    std::vector<double> step[EVENT_COUNT]; // the main thread's time from its step before
    int failed;
};

const char *fluid_r3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

double monotonic_ms()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec * 1e3 + (double)now.tv_nsec / 1e6;
}

// One start of the program, from just before the fork to its first present.
bool run_once(Setup *s)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    double start = monotonic_ms();
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        setenv("OSTRA_STARTUP_FD", std::to_string(fds[1]).c_str(), 1);
        setenv("OSTRA_STARTUP_EXIT", "1", 1);
        setenv("LD_PRELOAD", OSTRA_STARTUP_SHIM, 1);
        if (s->audio_driver)
            setenv("SDL_AUDIODRIVER", s->audio_driver, 1);
        else
            unsetenv("SDL_AUDIODRIVER");
        if (s->soundfont)
            setenv("OSTRA_SOUNDFONT", s->soundfont, 1);
        else
            unsetenv("OSTRA_SOUNDFONT");
        int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, 1);
        execl(s->program, s->program, (char *)NULL);
        _exit(127);
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return false;
    }
    double at[EVENT_COUNT];
    for (double &a : at)
        a = -1;
    std::string text;
    char block[512];
    struct pollfd p = {fds[0], POLLIN, 0};
    while (poll(&p, 1, 20000) > 0) {
        ssize_t got = read(fds[0], block, sizeof(block));
        if (got <= 0)
            break;
        text.append(block, (size_t)got);
    }
    close(fds[0]);
    kill(child, SIGKILL); // only if it hung: an ended child ignores it until reaped
    waitpid(child, NULL, 0);
    for (size_t line = 0, end; (end = text.find('\n', line)) != std::string::npos; line = end + 1) {
        std::string l = text.substr(line, end - line);
        size_t space = l.find(' ');
        for (int e = 0; e < EVENT_COUNT && space != std::string::npos; e++)
            if (l.compare(0, space, events[e]) == 0)
                at[e] = atof(l.c_str() + space + 1) / 1e6 - start;
    }
    if (at[FRAME] < 0)
        return false;
    double before = 0;
    for (int e = 0; e < EVENT_COUNT; e++) {
        if (at[e] < 0)
            continue;
        s->at[e].push_back(at[e]);
        if (e != SOUNDFONT) {
            s->step[e].push_back(at[e] - before);
            before = at[e];
        }
    }
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 10;
    // The program writes its tune on the way: keep it out of the user's own directory.
    char dir[] = "/tmp/ostra-bench.XXXXXX";
    if (mkdtemp(dir))
        setenv("XDG_DATA_HOME", dir, 1);
    std::vector<Setup> setups = {{"trivial SDL2/GL program", OSTRA_STARTUP_FLOOR, "dummy", NULL, {}, {}, 0}};
    bool music = access(fluid_r3, R_OK) == 0;
    if (!music)
        printf("no %s: the set-up with music is left out\n", fluid_r3);
    for (int i = 1; i < std::max(argc, 2); i++) {
        const char *program = i > 1 ? argv[i] : OSTRA_PROGRAM;
        std::string name = i > 1 ? std::string(program) + ", " : std::string("ostra, ");
        setups.push_back({name + "no soundfont", program, "dummy", "/nonexistent.sf2", {}, {}, 0});
        if (!music)
            continue;
        setups.push_back({name + "machine's audio + FluidR3", program, NULL, fluid_r3, {}, {}, 0});
        setups.push_back({name + "dummy audio + FluidR3", program, "dummy", fluid_r3, {}, {}, 0});
    }
    // One untimed start each, so the files come from the page cache in every timed run.
    for (Setup &s : setups)
        if (!run_once(&s)) {
            fprintf(stderr, "bench_startup: %s shows no frame (no display?)\n", s.program);
            return 1;
        }
    for (Setup &s : setups)
        for (std::vector<double> &a : s.at)
            a.clear();
    for (int r = 0; r < runs; r++)
        for (Setup &s : setups)
            s.failed += !run_once(&s);

    printf("start-up: ms from the fork to the end of each step, median of %d runs\n", runs);
    int width = 0;
    for (const Setup &s : setups)
        width = std::max(width, (int)s.name.size() + 2);
    printf("%-*s", width, "");
    for (const char *e : events)
        printf("%10s", e);
    printf("%14s %s\n", "frame min-max", " frame / trivial");
    double floor = median(setups[0].at[FRAME]);
    for (const Setup &s : setups) {
        printf("%-*s", width, s.name.c_str());
        for (int e = 0; e < EVENT_COUNT; e++) {
            if (s.at[e].size() * 2 > s.at[FRAME].size())
                printf("%10.1f", median(s.at[e]));
            else
                printf("%10s", "-");
        }
        std::vector<double> f = s.at[FRAME];
        std::sort(f.begin(), f.end());
        if (!f.empty())
            printf("  %5.0f-%-5.0f %8.2f", f.front(), f.back(), median(f) / floor);
        if (s.failed)
            printf("  (%d runs showed no frame)", s.failed);
        printf("\n");
    }
    printf("\nthe main thread's steps: ms from the step before, median\n%-*s", width, "");
    for (int e = 0; e < EVENT_COUNT; e++)
        printf("%10s", e == SOUNDFONT ? "" : events[e]);
    printf("\n");
    for (const Setup &s : setups) {
        printf("%-*s", width, s.name.c_str());
        for (int e = 0; e < EVENT_COUNT; e++) {
            if (e == SOUNDFONT)
                printf("%10s", "");
            else if (s.step[e].size() * 2 > s.at[FRAME].size())
                printf("%10.1f", median(s.step[e]));
            else
                printf("%10s", "-");
        }
        printf("\n");
    }
    for (const char *left : {"/ostra/drive_c/e.mid", "/ostra/drive_c", "/ostra", ""})
        remove((std::string(dir) + left).c_str());
    return 0;
}
