// test_tune_render.cpp -- the embedded tune played offline by the real FluidSynth,
// its output pulled with fluid_synth_write_float.
#include "music/music.h"

#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int RATE = 44100;
constexpr double BAR_S = 1920 * 333333e-6 / 480; // 1.333332 s
constexpr double END_S = 26 * BAR_S;              // 34.666632 s
constexpr double RENDER_S = END_S + 2.5;          // room for the release
constexpr float AUDIBLE = 1e-3f;                  // about -60 dBFS
// FluidSynth's reverb keeps a noise of some 1e-8 running against denormals.
constexpr float SILENT = 1e-6f;
// The player acts on blocks of 64 frames: a note may begin 1.5 ms early.
constexpr double EARLY_S = 0.003;

// The bars each channel pair is heard in; FluidSynth ends both helicopter notes at bar 17.
const struct {
    const char *name;
    int primary, secondary, first_bar, last_bar;
    float peak; // the least peak in each of those bars
} parts[] = {
    {"overdriven guitar", 0, 1, 2, 26, 0.01f},
    {"flute", 2, 3, 2, 26, 0.01f},
    {"gunshot", 4, 5, 2, 26, 0.01f},
    {"finger bass", 6, 7, 2, 25, 0.01f},
    {"helicopter", 8, 10, 2, 16, 0.002f},
};

std::string soundfont()
{
    for (const char *path : {"/usr/share/sounds/sf2/FluidR3_GM.sf2",
                             "/usr/share/sounds/sf2/default-GM.sf2",
                             "/usr/share/soundfonts/default.sf2"})
        if (std::filesystem::is_regular_file(path))
            return path;
    return "";
}

struct Take {
    std::vector<float> level; // (|left| + |right|) / 2 per frame
    int status = 0;           // the player's at the end
};

// Note messages reach the synthesizer only on `channels`; all set-up does.
struct Filter {
    fluid_synth_t *synth;
    unsigned channels;
};

int filtered(void *data, fluid_midi_event_t *event)
{
    auto *f = static_cast<Filter *>(data);
    int type = fluid_midi_event_get_type(event);
    if ((type == 0x80 || type == 0x90) && !(f->channels >> fluid_midi_event_get_channel(event) & 1))
        return FLUID_OK;
    return fluid_synth_handle_midi_event(f->synth, event);
}

Take render(unsigned channels)
{
    Take take;
    fluid_settings_t *settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", RATE);
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_synth_t *synth = new_fluid_synth(settings);
    if (fluid_synth_sfload(synth, soundfont().c_str(), 1) != FLUID_FAILED) {
        fluid_player_t *player = new_fluid_player(synth);
        Filter filter{synth, channels};
        fluid_player_set_playback_callback(player, filtered, &filter);
        fluid_player_add_mem(player, music_data, MUSIC_SIZE);
        fluid_player_play(player);
        const int block = 512;
        float left[block], right[block];
        for (int done = 0; done < RENDER_S * RATE; done += block) {
            fluid_synth_write_float(synth, block, left, 0, 1, right, 0, 1);
            for (int i = 0; i < block; i++)
                take.level.push_back(0.5f * (std::fabs(left[i]) + std::fabs(right[i])));
        }
        take.status = fluid_player_get_status(player);
        delete_fluid_player(player);
    }
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return take;
}

float loudest(const Take &t, double from_s, double to_s)
{
    float m = 0;
    for (size_t i = size_t(from_s * RATE); i < size_t(to_s * RATE) && i < t.level.size(); i++)
        m = std::max(m, t.level[i]);
    return m;
}

class TuneRenderTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (soundfont().empty())
            GTEST_SKIP() << "no General MIDI soundfont installed";
    }
};

TEST_F(TuneRenderTest, SilentFirstBarThenSoundUntilTheEndAndItsRelease)
{
    Take whole = render(0xFFFF);
    ASSERT_FALSE(whole.level.empty()) << "FluidSynth could not load " << soundfont();
    size_t first = 0, last = whole.level.size();
    while (first < last && whole.level[first] < AUDIBLE)
        first++;
    while (last > first && whole.level[last - 1] < AUDIBLE)
        last--;
    EXPECT_LT(loudest(whole, 0, BAR_S - EARLY_S), SILENT);
    EXPECT_GE(first, (BAR_S - EARLY_S) * RATE);
    EXPECT_LE(first, (BAR_S + 0.05) * RATE);
    EXPECT_GE(last, (END_S - 0.05) * RATE) << "the held chord and note reach the end";
    EXPECT_LE(last, (END_S + 1.5) * RATE) << "and die away with their release";
    EXPECT_GT(loudest(whole, END_S - 0.2, END_S), 0.05f);
    EXPECT_EQ(whole.status, FLUID_PLAYER_DONE);
}

TEST_F(TuneRenderTest, EachInstrumentIsHeardInEveryBarOfItsNotes)
{
    for (const auto &p : parts) {
        SCOPED_TRACE(p.name);
        Take solo = render(1u << p.primary | 1u << p.secondary);
        EXPECT_LT(loudest(solo, 0, BAR_S - EARLY_S), SILENT);
        for (int bar = p.first_bar; bar <= p.last_bar; bar++)
            EXPECT_GT(loudest(solo, (bar - 1) * BAR_S, bar * BAR_S), p.peak) << "bar " << bar;
    }
}

} // namespace
