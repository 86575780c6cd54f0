// linux_capture_music.cpp -- the video capture's music (linux_capture.h):
// the tune the run wrote, rendered offline from its start by FluidSynth with
// the soundfont the live program plays, and muxed into the video as AAC.
// Nothing is played to a sound card.
#include "platform/linux/linux_capture.h"
#include "platform/linux/linux_sound.h"

#include <algorithm>
#include <stdint.h>

#define SAMPLE_RATE 44100
#define FADE_MS 80 // the music is cut at the video's end: a fade, not a click

// As many stereo samples as the video is long; silence where the tune
// cannot be rendered.
static std::vector<int16_t> music_render(size_t samples)
{
    std::vector<int16_t> pcm(samples * 2, 0);
    std::vector<unsigned char> tune; // the file the run wrote
    if (win32_mci_file_read("c:\\e.mid", &tune) != 0)
        tune.clear();
    const SoundPrepared *p = linux_sound_wait(SOUND_LOADED, std::chrono::steady_clock::now());
    if (!p || !p->font || tune.empty()) {
        fprintf(stderr, "ostra-video: %s; the video is silent\n",
                p && p->font ? "the run wrote no tune" : "no General MIDI soundfont found");
        return pcm;
    }
    fluid_settings_t *settings = new_fluid_settings();
    // The player is driven by the samples written, not by the wall clock.
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_settings_setnum(settings, "synth.sample-rate", SAMPLE_RATE);
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_synth_t *synth = new_fluid_synth(settings);
    fluid_player_t *player = NULL;
    if (synth && fluid_synth_sfload(synth, p->path.c_str(), 1) != FLUID_FAILED)
        player = new_fluid_player(synth);
    if (player && fluid_player_add_mem(player, tune.data(), tune.size()) == FLUID_OK &&
        fluid_player_play(player) == FLUID_OK) {
        for (size_t done = 0; done < samples;) {
            int block = (int)std::min<size_t>(1024, samples - done);
            fluid_synth_write_s16(synth, block, pcm.data(), (int)done * 2, 2, pcm.data(), (int)done * 2 + 1, 2);
            done += (size_t)block;
        }
    } else {
        fprintf(stderr, "ostra-video: FluidSynth could not play the tune; the video is silent\n");
    }
    if (player)
        delete_fluid_player(player);
    if (synth)
        delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    size_t fade = std::min<size_t>(samples, SAMPLE_RATE * FADE_MS / 1000);
    for (size_t i = 0; i < fade; i++) {
        size_t at = samples - fade + i;
        double gain = (double)(fade - 1 - i) / (double)fade;
        pcm[at * 2] = (int16_t)(pcm[at * 2] * gain);
        pcm[at * 2 + 1] = (int16_t)(pcm[at * 2 + 1] * gain);
    }
    return pcm;
}

// The video stream copied, the music added as AAC, the index at the front.
int capture_music(int frames)
{
    std::vector<int16_t> pcm = music_render((size_t)((uint64_t)frames * SAMPLE_RATE / cap.fps));
    capture_lap(T_MUSIC);
    capture_child_start({"-i", "file:" + cap.video_tmp, "-f", "s16le", "-ar", std::to_string(SAMPLE_RATE),
                         "-ac", "2", "-i", "pipe:0", "-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy",
                         "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4",
                         "file:" + cap.partial});
    int written = capture_write_all(cap.child_input, pcm.data(), pcm.size() * sizeof(pcm[0]));
    int muxed = capture_child_finish() && written;
    capture_lap(T_MUX);
    return muxed;
}
