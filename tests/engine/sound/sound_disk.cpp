// A short scripted run on SDL's disk audio driver: the written output must show that the music
// and then the sample really sounded, each with its own pitch.
#include "engine/sound/engine_sound_internal.h"
#include "support/test_support.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <vector>

#include <unistd.h>

namespace {

struct Window {
    double rms = 0;
    int crossings = 0;
};

// 20 ms windows of the left channel of signed 16-bit stereo output.
std::vector<Window> Analyse(const std::vector<int16_t>& s, int rate)
{
    const size_t frames = s.size() / 2;
    const size_t size = static_cast<size_t>(rate / 50);
    std::vector<Window> out;
    for (size_t at = 0; at + size <= frames; at += size) {
        Window w;
        double sum = 0;
        for (size_t i = at; i < at + size; ++i) {
            const double v = s[i * 2];
            sum += v * v;
            if (i > at && (s[i * 2] >= 0) != (s[(i - 1) * 2] >= 0)) ++w.crossings;
        }
        w.rms = std::sqrt(sum / size);
        out.push_back(w);
    }
    return out;
}

// Runs the script on a keeper that writes its output to a file, and gives the written samples.
std::vector<int16_t> RecordOnDisk(const std::function<void(CSoundKeeper&)>& script)
{
    const std::filesystem::path out = std::filesystem::temp_directory_path() /
                                      ("zf_sound_disk_" + std::to_string(getpid()) + ".raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    {
        zftest::ScopedChdir dir(ZF_TEST_DATA_DIR "/sound");
        CSoundKeeper keeper;
        EXPECT_TRUE(keeper.IsAudioOpen());
        keeper.SetVolumes(100, 100);
        keeper.LoadAllMusic();
        script(keeper);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    std::ifstream in(out, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(out);
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

TEST(SoundOnDisk, TheMusicAndThenTheSampleReallySound)
{
    // A 220 Hz module track, then a 1 kHz sample, then nothing.
    const std::vector<int16_t> samples = RecordOnDisk([](CSoundKeeper& keeper) {
        ASSERT_TRUE(keeper.PlayMusic("tracks", 0));
        SDL_Delay(500);
        ASSERT_TRUE(keeper.StopMusic("tracks", 0));
        ASSERT_NE(keeper.PlaySample("beep"), 0u);
        SDL_Delay(500);
    });
    ASSERT_GT(samples.size(), 44100u * 2 / 2) << "at least half a second written";

    int music = 0, sample = 0, silent = 0;
    double music_rms = 0, sample_rms = 0;
    int last_kind = 0;   // 1 music, 2 sample
    bool sample_after_music = false;
    for (const Window& w : Analyse(samples, 44100)) {
        if (w.rms < 50) { ++silent; continue; }
        if (w.crossings >= 6 && w.crossings <= 12 && w.rms > 2000) {
            ++music;
            music_rms = std::max(music_rms, w.rms);
            last_kind = 1;
        } else if (w.crossings >= 34 && w.crossings <= 46 && w.rms > 2000) {
            ++sample;
            sample_rms = std::max(sample_rms, w.rms);
            if (last_kind == 1) sample_after_music = true;
            last_kind = 2;
        }
    }
    EXPECT_GE(music, 10) << "about 0.5 s of music at 220 Hz";
    EXPECT_GE(sample, 6) << "about 0.25 s of the 1 kHz sample";
    EXPECT_TRUE(sample_after_music);
    EXPECT_GT(silent, 0) << "silence once both ended";
    EXPECT_LT(music_rms, 32000);
    EXPECT_LT(sample_rms, 32000);
}

TEST(SoundOnDisk, AMusicStoppedAtOnceEndsWithoutAClick)
{
    const std::vector<int16_t> samples = RecordOnDisk([](CSoundKeeper& keeper) {
        // Track 1 loops by a jump in the module, so nothing but the stop ends a note.
        ASSERT_TRUE(keeper.PlayMusic("tracks", 1));
        SDL_Delay(200);
        ASSERT_TRUE(keeper.StopMusic("tracks", 0));
        EXPECT_FALSE(keeper.IsMusicPlaying("tracks"));
        SDL_Delay(300);
    });
    // A 220 Hz wave moves by about 3% of its peak from one frame to the next; a cut mid-wave
    // jumps by up to the whole peak.
    int peak = 0, step = 0;
    for (size_t i = 2; i < samples.size(); i += 2) {
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
        step = std::max(step, std::abs(samples[i] - samples[i - 2]));
    }
    ASSERT_GT(peak, 2000) << "the music sounded";
    EXPECT_LT(step, peak / 8);
    EXPECT_LT(Analyse(samples, 44100).back().rms, 50) << "silence at the end";
}

} // namespace
