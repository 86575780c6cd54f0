// test_tune_render.cpp -- the embedded tune played by the real FluidSynth,
// offline: a fluid_player on the bytes in memory drives a synthesizer whose
// output is pulled with fluid_synth_write_float, with no audio driver. The
// first bar must be silent, the sound must start at 1.333 s, end at 34.67 s
// plus the instruments' release, and every instrument must be heard.
#include "music/music.h"

#include <fluidsynth.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int RATE = 44100;
constexpr double BAR_S = 1920 * 333333e-6 / 480;   // 1.333332 s
constexpr double START_S = BAR_S;                   // the first notes
constexpr double END_S = 26 * BAR_S;                // 34.666632 s
constexpr double RENDER_S = END_S + 2.5;            // room for the release
constexpr float AUDIBLE = 1e-3f;                    // about -60 dBFS
// FluidSynth's reverb keeps a tiny noise running against denormals (some
// 1e-8) even when nothing plays; silence is anything below -120 dBFS.
constexpr float SILENT = 1e-6f;
// The player acts on the synthesizer's blocks of 64 frames, so a note may
// begin up to 1.5 ms before its exact time.
constexpr double EARLY_S = 0.003;

const char *const soundfonts[] = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/soundfonts/default.sf2",
};

std::string soundfont()
{
    for (const char *path : soundfonts)
        if (std::filesystem::is_regular_file(path))
            return path;
    return "";
}

// An instrument track by its channel pair, as the tune fixes it.
struct Part {
    const char *name;
    int primary, secondary;
    int first_bar, last_bar;   // the bars its notes sound in
    float peak;                // the least peak in each of them
};
const Part parts[] = {
    {"overdriven guitar", 0, 1, 2, 26, 0.01f},
    {"flute", 2, 3, 2, 26, 0.01f},
    {"gunshot", 4, 5, 2, 26, 0.01f},
    {"finger bass", 6, 7, 2, 25, 0.01f},
    // The helicopter's sample fades over its long notes, and FluidSynth ends
    // both at 30720 (see below).
    {"helicopter", 8, 10, 2, 16, 0.002f},
};

struct Take {
    std::vector<float> mono;   // |left| + |right| per sample frame, halved
    int status = 0;            // the player's at the end
};

// Only the note messages of `channels` reach the synthesizer; every set-up
// message does, so each part is heard exactly as in the whole tune.
struct Filter {
    fluid_synth_t *synth;
    unsigned channels;
};

int filtered(void *data, fluid_midi_event_t *event)
{
    auto *f = static_cast<Filter *>(data);
    int type = fluid_midi_event_get_type(event);
    int ch = fluid_midi_event_get_channel(event);
    if ((type == 0x80 || type == 0x90) && !(f->channels >> ch & 1))
        return FLUID_OK;
    return fluid_synth_handle_midi_event(f->synth, event);
}

Take render(const std::string &sf2, unsigned channels)
{
    Take take;
    fluid_settings_t *settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", RATE);
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    fluid_synth_t *synth = new_fluid_synth(settings);
    if (fluid_synth_sfload(synth, sf2.c_str(), 1) == FLUID_FAILED) {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        return take;
    }
    fluid_player_t *player = new_fluid_player(synth);
    Filter filter{synth, channels};
    fluid_player_set_playback_callback(player, filtered, &filter);
    fluid_player_add_mem(player, music_data, MUSIC_SIZE);
    fluid_player_play(player);

    const int block = 512, frames = int(RENDER_S * RATE);
    std::vector<float> left(block), right(block);
    take.mono.reserve(size_t(frames) + block);
    for (int done = 0; done < frames; done += block) {
        fluid_synth_write_float(synth, block, left.data(), 0, 1, right.data(), 0, 1);
        for (int i = 0; i < block; i++)
            take.mono.push_back(0.5f * (std::fabs(left[size_t(i)]) + std::fabs(right[size_t(i)])));
    }
    take.status = fluid_player_get_status(player);
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return take;
}

double seconds(size_t frame) { return double(frame) / RATE; }

float loudest(const Take &t, double from_s, double to_s)
{
    float m = 0;
    for (size_t i = size_t(from_s * RATE); i < size_t(to_s * RATE) && i < t.mono.size(); i++)
        m = std::max(m, t.mono[i]);
    return m;
}

double mean_level(const Take &t, double from_s, double to_s)
{
    double sum = 0;
    size_t a = size_t(from_s * RATE), b = std::min(size_t(to_s * RATE), t.mono.size());
    for (size_t i = a; i < b; i++)
        sum += t.mono[i];
    return b > a ? sum / double(b - a) : 0;
}

class TuneRenderTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        sf2_ = new std::string(soundfont());
        if (!sf2_->empty())
            whole_ = new Take(render(*sf2_, 0xFFFF));
    }
    static void TearDownTestSuite()
    {
        delete whole_;
        delete sf2_;
        whole_ = nullptr;
        sf2_ = nullptr;
    }
    void SetUp() override
    {
        if (sf2_->empty())
            GTEST_SKIP() << "no General MIDI soundfont installed";
        ASSERT_FALSE(whole_->mono.empty()) << "FluidSynth could not load " << *sf2_;
    }
    static std::string *sf2_;
    static Take *whole_;
};
std::string *TuneRenderTest::sf2_ = nullptr;
Take *TuneRenderTest::whole_ = nullptr;

TEST_F(TuneRenderTest, TheFirstBarIsSilent)
{
    EXPECT_LT(loudest(*whole_, 0, START_S - EARLY_S), SILENT);
}

TEST_F(TuneRenderTest, SoundStartsWithTheSecondBar)
{
    size_t first = 0;
    while (first < whole_->mono.size() && whole_->mono[first] < AUDIBLE)
        first++;
    EXPECT_GE(seconds(first), START_S - EARLY_S);
    EXPECT_LE(seconds(first), START_S + 0.05);
}

TEST_F(TuneRenderTest, SoundEndsAtTheTuneEndPlusTheRelease)
{
    size_t last = whole_->mono.size();
    while (last > 0 && whole_->mono[last - 1] < AUDIBLE)
        last--;
    EXPECT_GE(seconds(last), END_S - 0.05);    // the held chord and note reach the end
    EXPECT_LE(seconds(last), END_S + 1.5);     // and die away with their release
    EXPECT_GT(loudest(*whole_, END_S - 0.2, END_S), 0.05f);
    EXPECT_EQ(whole_->status, FLUID_PLAYER_DONE);
}

TEST_F(TuneRenderTest, EveryBarSounds)
{
    for (int bar = 2; bar <= 26; bar++) {
        SCOPED_TRACE(bar);
        EXPECT_GT(mean_level(*whole_, (bar - 1) * BAR_S, bar * BAR_S), 0.01);
    }
}

// Each instrument alone: heard in every bar where it has notes. The
// helicopter's two notes share a key on one channel; FluidSynth lets the
// second strike end the first and the first note-off (30720, bar 17) end the
// second, so it is heard through bar 16.
TEST_F(TuneRenderTest, EveryInstrumentIsHeard)
{
    for (const Part &p : parts) {
        SCOPED_TRACE(p.name);
        Take solo = render(*sf2_, 1u << p.primary | 1u << p.secondary);
        EXPECT_LT(loudest(solo, 0, START_S - EARLY_S), SILENT);
        for (int bar = p.first_bar; bar <= p.last_bar; bar++) {
            SCOPED_TRACE(bar);
            EXPECT_GT(loudest(solo, (bar - 1) * BAR_S, bar * BAR_S), p.peak);
        }
    }
}

// The bass ends where the last bar begins; the last bar is the guitar's
// chord, the gunshots' burst and the flute's held note.
TEST_F(TuneRenderTest, TheBassEndsWhereTheLastBarBegins)
{
    Take bass = render(*sf2_, 1u << 6 | 1u << 7);
    EXPECT_GT(loudest(bass, 24 * BAR_S, 25 * BAR_S), 0.01f);
    EXPECT_LT(loudest(bass, 25 * BAR_S + 0.5, RENDER_S), AUDIBLE);
}

} // namespace
