// music.cpp -- the tune's file and its playback through the MCI sequencer.
#include "music/music.h"

// The write and the open command name the file by the same literal path, so
// both reach the same file wherever the platform puts drive c.
void music_write(void)
{
    FILE *f = fopen("c:\\e.mid", "wb");
    // No drive, or no right to write there: the run goes on in silence, and
    // the open command finds no file.
    if (!f)
        return;
    fwrite(music_data, 1, MUSIC_SIZE, f);
    // Closed before the music start, so the sequencer reads the whole file.
    fclose(f);
}

// Run time 0 is sampled right after this returns; the play command does not
// wait for the tune. No result is examined: without a sequencer the run is
// the same, only silent.
void music_start(HWND notify)
{
    mciSendStringA("close all", NULL, 0, NULL);
    mciSendStringA("open c:\\e.mid type sequencer alias MUSIC", NULL, 0, NULL);
    mciSendStringA("play MUSIC from 0 notify", NULL, 0, notify);
}

// Stops waveform sounds only; the sequencer is left as it is, and the
// device is never closed by the program.
void music_stop(void)
{
    sndPlaySoundA(NULL, 0);
}
