// The city's fireworks on the game's own particle file: rockets wait, fly to their burst points,
// burst, rise again until told to stop, and the fanfare fades out when the last one has finished.
#include "city/city_salute.h"

#include "engine/base/engine_registry.h"
#include "engine/core/engine_core.h"
#include "engine/particles/engine_pyro2.h"
#include "support/recording_engine.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class Salute : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine.frame_time = 0.02f;
        _previous_keeper = g_SoundKeeper;
        g_SoundKeeper = &sound;
        RandomSeed(1234);
        ASSERT_TRUE(InitPyro("Textures\\Pyro\\PyroDemo2.pyro"));
    }
    void TearDown() override
    {
        salute.Clear();
        ShutdownPyro();
        g_SoundQueue.Update();
        g_SoundKeeper = _previous_keeper;
    }
    // One frame as the city scene runs it; `check` looks at every rocket after the update.
    void Frame()
    {
        salute.Update();
        salute.Render();
        g_SoundQueue.Update();
        ++frames;
        for (const SaluteRocket& r : salute.GetRockets()) {
            if (r.state == SaluteRocket::rsLaunch) continue;
            EXPECT_GE(r.target_x, 100.0f);
            EXPECT_LE(r.target_x, 700.0f);
            EXPECT_GE(r.target_y, 100.0f);
            EXPECT_LE(r.target_y, 300.0f);
            EXPECT_GE(r.speed, 7.0f);
            EXPECT_LE(r.speed, 10.0f);
        }
    }
    // Frames until the condition holds; false after `limit` frames.
    bool RunUntil(const std::function<bool()>& done, int limit = 5000)
    {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Frame();
        }
        return done();
    }

    RecordingEngine engine;
    CRecordingSoundKeeper sound;
    zftest::ScopedChdir dir{ZF_GAME_DATA_DIR};
    CCitySalute salute;
    int frames = 0;

private:
    ISoundKeeper* _previous_keeper = nullptr;
};

} // namespace

TEST_F(Salute, StoppedAtOnceEveryRocketBurstsOnceAndTheFanfareFades)
{
    salute.Start(8);
    salute._stop = true;
    EXPECT_EQ(sound.Count("PlaySample episode_complete"), 0u) << "the channel plays on its first update";
    std::vector<int> bursts_seen(8, 0);
    std::vector<int> last_state(8, 0);
    ASSERT_TRUE(RunUntil([&] {
        for (size_t i = 0; i < salute.GetRockets().size(); ++i) {
            const int s = salute.GetRockets()[i].state;
            EXPECT_GE(s, last_state[i]) << "rocket " << i << " never goes back with the stop set";
            if (s == SaluteRocket::rsBursting && last_state[i] != s) ++bursts_seen[i];
            last_state[i] = s;
        }
        return salute._finished == 8;
    })) << "the bursts of the particle file end by themselves";
    EXPECT_EQ(salute._bursts, 8);
    for (int n : bursts_seen) EXPECT_EQ(n, 1);
    for (const SaluteRocket& r : salute.GetRockets()) {
        EXPECT_EQ(r.state, SaluteRocket::rsFinished);
        EXPECT_EQ(r.pyro, nullptr) << "a finished rocket releases its particles";
    }
    EXPECT_EQ(sound.Count("PlaySample episode_complete"), 1u);
    EXPECT_GE(sound.Count("PlaySample salut_fly"), 1u);
    EXPECT_GE(sound.Count("PlaySample salut_blow"), 1u);
    EXPECT_EQ(salute.GetChannel().GetState(), CSoundChannel::chsFadeDown);
    Frame();
    EXPECT_EQ(salute._finished, 8) << "finished rockets stay finished";
}

TEST_F(Salute, RocketsRiseAgainUntilStoppedAndRiseAfterTheirDelay)
{
    salute.Start(8);
    // Every rocket waits its delay after the launch, then flies: with delay d it flies on the
    // d-th update after the launch (the very next one when d is 0).
    std::vector<int> launched_at(8, -1), delay(8, -1);
    int checked = 0;
    ASSERT_TRUE(RunUntil([&] {
        for (size_t i = 0; i < 8; ++i) {
            const SaluteRocket& r = salute.GetRockets()[i];
            if (r.state == SaluteRocket::rsWaiting && launched_at[i] < 0) {
                launched_at[i] = frames;
                delay[i] = r.delay;
            } else if (r.state == SaluteRocket::rsFlying && launched_at[i] >= 0) {
                EXPECT_EQ(frames - launched_at[i], std::max(delay[i], 1)) << "rocket " << i;
                launched_at[i] = -1;
                ++checked;
            } else if (r.state == SaluteRocket::rsLaunch) {
                launched_at[i] = -1;
            }
        }
        return salute._bursts > 8;
    }));
    EXPECT_GE(checked, 9);
    EXPECT_EQ(salute._bursts, 9) << "counted one burst at a time";
    EXPECT_EQ(salute._finished, 0) << "without the stop no rocket finishes";
    EXPECT_TRUE(salute.GetChannel().IsPlaying());
    EXPECT_NE(salute.GetChannel().GetState(), CSoundChannel::chsFadeDown);

    salute._stop = true;
    ASSERT_TRUE(RunUntil([&] { return salute._finished == 8; }));
    EXPECT_EQ(salute.GetChannel().GetState(), CSoundChannel::chsFadeDown);
}

TEST_F(Salute, StartDuringTheFireworksBeginsAfreshAndClearDropsEverything)
{
    salute.Start(3);
    salute._stop = true;
    ASSERT_TRUE(RunUntil([&] { return salute._finished >= 1; }));
    ASSERT_GE(salute._bursts, 1);

    salute.Start(2);
    EXPECT_EQ(salute.GetRockets().size(), 2u);
    EXPECT_FALSE(salute._stop);
    EXPECT_EQ(salute._finished, 0);
    EXPECT_EQ(salute._bursts, 0);
    for (const SaluteRocket& r : salute.GetRockets()) {
        EXPECT_EQ(r.state, SaluteRocket::rsLaunch);
        EXPECT_EQ(r.pyro, nullptr);
    }
    EXPECT_EQ(salute.GetChannel().GetState(), CSoundChannel::chsPlay);
    EXPECT_EQ(salute.GetChannel().GetSample(), "episode_complete");

    Frame();
    salute.Clear();
    EXPECT_TRUE(salute.GetRockets().empty());
    EXPECT_EQ(salute._bursts, 0);
    Frame();   // with no rockets only the channel steps
    salute.Render();
}

TEST_F(Salute, AParticleFileWithoutTheFireworksStillLetsThemEnd)
{
    ShutdownPyro();
    ASSERT_TRUE(InitPyro(ZF_TEST_DATA_DIR "/pyro/Test.pyro"));
    zftest::LogWatch log;
    salute.Start(4);
    salute._stop = true;
    ASSERT_TRUE(RunUntil([&] { return salute._finished == 4; }, 400));
    EXPECT_EQ(salute._bursts, 4);
    EXPECT_TRUE(log.Has("Rocket_Tail")) << log.Text();
}
