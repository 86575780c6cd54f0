// linux_capture.h -- what the files of the video capture (build/ostra-video)
// share: the capture's state and the calls between its parts, which go one
// way, from main (linux_capture_main.cpp) to the frames' read-back
// (linux_capture.cpp), the music (linux_capture_music.cpp) and the files and
// the encoder (linux_capture_files.cpp). The program never includes this.
#pragma once

#include "platform/linux/linux_platform.h"

#include <string>
#include <sys/types.h>
#include <vector>

// Where the time went, for OSTRA_VIDEO_TIMES=1.
enum { T_SHELL, T_DRAW, T_READ, T_ENCODE, T_FLUSH, T_MUSIC, T_MUX, T_COUNT };

struct Capture {
    std::string out;
    int fps = 60;
    long until; // 0: the program's own end
    int frames; // how many the run presents
    int close_posted;
    int broken; // the encoder stopped taking frames

    std::string video_tmp, partial; // beside the output, removed or renamed at the end
    int video_fd = -1, partial_fd = -1; // held open for their locks
    pid_t child = -1;
    int child_input = -1;
    std::vector<unsigned char> pixels, frame;

    int tty;
    std::string renderer;
    double started, first_shown, mark, next_progress, spent[T_COUNT], child_cpu;
};

extern Capture cap;
extern volatile sig_atomic_t capture_interrupted; // the signal's number

// -- The frames (linux_capture.cpp) ----------------------------------------------

double capture_now(void);
// Adds the time since the last lap to a phase.
void capture_lap(int phase);
// One updating line on a terminal, a plain line every 5 s otherwise.
void capture_progress(int shown, int last);
// -- The files and the encoder (linux_capture_files.cpp) ---------------------------

// Stops everything, leaves no file behind and exits with `code`.
[[noreturn]] void capture_fail(int code, const char *format, ...);
// Takes away the temporary files that a killed capture left in the output's
// folder, and makes and locks this capture's own: 0 when they cannot be made.
int capture_files_make(void);
// The temporary files go, the output's stays.
void capture_files_remove(void);
// The X connection is gone: the encoder is stopped and nothing is written.
void capture_connection_lost(void);
// Starts the ffmpeg program with these arguments after its own quiet ones,
// reading its standard input from cap.child_input; fails the capture when it
// cannot.
void capture_child_start(const std::vector<std::string> &args);
// Closes the child's input and waits for it; 1 when it ended well. An
// interruption meanwhile stops it at once.
int capture_child_finish(void);
int capture_write_all(int fd, const void *data, size_t size);

// -- The music (linux_capture_music.cpp) ----------------------------------------------

// Renders the tune the run wrote, as long as the video, and muxes it in as
// AAC: 1 on success (a silent video, with a note, where there is no tune or
// no soundfont).
int capture_music(int frames);
