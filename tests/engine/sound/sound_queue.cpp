#include "engine/sound/engine_soundqueue.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

class SoundQueueTest : public ::testing::Test {
protected:
    SoundQueueTest() { g_SoundKeeper = &keeper; }
    // Moves the clock to `t` ms after the start of the test and runs one frame's update.
    void FrameAt(uint32_t t)
    {
        clock.Set(start + t);
        queue.Update();
    }

    uint32_t start = 0xFFFFF000u;   // close to the wrap of the 32-bit clock on purpose
    zftest::FakeClock clock{start};
    CRecordingSoundKeeper keeper;
    CSoundQueue queue;
};

TEST_F(SoundQueueTest, EachAliasSoundsOncePerFrameAndMutedRequestsAreLost)
{
    queue.QueueSound("it_select");
    queue.QueueSound("it_select");
    queue.QueueSound("bn_select");
    queue.QueueSound("it_select");
    queue.QueueSound("");
    queue._mute = true;
    queue.QueueSound("field_start");
    queue._mute = false;
    queue.Update();
    EXPECT_EQ(keeper.calls, (Lines{"PlaySample bn_select", "PlaySample it_select"}));

    keeper.Clear();
    queue.Update();
    EXPECT_TRUE(keeper.calls.empty()) << "requests live for one frame";
}

TEST_F(SoundQueueTest, StartingAMusicPlaysItSilentlyAndRaisesTheVolumeLinearly)
{
    queue.StartMusic({"a", 2}, 5000, 60);
    EXPECT_EQ(keeper.calls, (Lines{"PlayMusic a 2", "SetMusicVolume a 0"}));
    EXPECT_EQ(queue.GetMusicState("a"), CSoundQueue::msFadingUp);

    struct Step { uint32_t t; int volume; int state; };
    const Step steps[] = {{1000, 12, 5}, {2500, 30, 5}, {4999, 59, 5}, {5000, 60, 3}, {6000, 60, 3}};
    for (const Step& s : steps) {
        FrameAt(s.t);
        EXPECT_EQ(queue.GetMusicVolume({"a", 2}), s.volume) << s.t;
        EXPECT_EQ(keeper.music_volumes["a"], s.volume) << s.t;
        EXPECT_EQ(queue.GetMusicState("a"), s.state) << s.t;
    }
    // One volume call per change, none once the fade is over.
    EXPECT_EQ(keeper.Calls("SetMusicVolume").size(), 5u);
    EXPECT_EQ(keeper.Count("PlayMusic a 2"), 1u);
}

TEST_F(SoundQueueTest, StartingASoundingMusicOnlyMovesItsVolume)
{
    queue.StartMusic({"a", 0}, 0, 100);
    EXPECT_EQ(keeper.calls, (Lines{"PlayMusic a 0", "SetMusicVolume a 100"}));
    keeper.Clear();

    queue.StartMusic({"a", 3}, 0, 40);
    EXPECT_EQ(keeper.calls, (Lines{"SetMusicVolume a 40"}));
    keeper.Clear();

    queue.StartMusic({"a", 1}, 1000, 80);
    EXPECT_TRUE(keeper.calls.empty());
    FrameAt(500);
    EXPECT_EQ(keeper.calls, (Lines{"SetMusicVolume a 60"}));
    FrameAt(1000);
    EXPECT_EQ(queue.GetMusicVolume({"a", 1}), 80);
    EXPECT_EQ(keeper.Calls("PlayMusic").size(), 0u) << "a sounding music keeps its track";
}

TEST_F(SoundQueueTest, AFadingStopLowersEachFrameThenStopsAndForgetsTheMusic)
{
    queue.StartMusic({"a", 0}, 0, 90);
    keeper.Clear();
    queue.StopMusic({"a", 0}, 1500);
    EXPECT_TRUE(keeper.calls.empty());

    struct Step { uint32_t t; int volume; };
    for (const Step s : {Step{250, 75}, Step{500, 60}, Step{750, 45}, Step{1000, 30}, Step{1250, 15}, Step{1400, 6}}) {
        FrameAt(s.t);
        EXPECT_EQ(queue.GetMusicVolume({"a", 0}), s.volume) << s.t;
        EXPECT_EQ(queue.GetMusicState("a"), CSoundQueue::msFadingDown) << s.t;
    }
    keeper.Clear();
    FrameAt(1500);
    EXPECT_EQ(keeper.calls, (Lines{"StopMusic a 0", "SetMusicVolume a 0"}));
    EXPECT_EQ(queue.GetMusicState("a"), -1);
    EXPECT_EQ(queue.GetMusicVolume({"a", 0}), 0);
}

TEST_F(SoundQueueTest, StopsThatCannotFadeStopAtOnce)
{
    struct Case { const char* name; int volume; int fade; };
    for (const Case c : {Case{"zero_time", 70, 0}, Case{"silent", 0, 1500}}) {
        keeper.Clear();
        queue.StartMusic({c.name, 0}, 0, c.volume);
        keeper.Clear();
        queue.StopMusic({c.name, 0}, c.fade);
        EXPECT_EQ(keeper.calls, (Lines{std::string("StopMusic ") + c.name + " 0"})) << c.name;
        EXPECT_EQ(queue.GetMusicState(c.name), -1) << c.name;
    }
}

TEST_F(SoundQueueTest, RequestsForNothingAreIgnored)
{
    queue.FadeMusic({"never", 0}, 1000, 50);
    queue.StopMusic({"never", 0}, 1000);
    queue.StartMusic({"", 0}, 1000, 50);
    queue.StartMusic({"a", -999}, 1000, 50);
    queue.FadeMusic({"a", -999}, 1000, 50);
    FrameAt(2000);
    EXPECT_TRUE(keeper.calls.empty());
    EXPECT_EQ(queue.GetMusicState("a"), -1);
}

TEST_F(SoundQueueTest, TwoMusicsCrossFadeAtOnce)
{
    queue.StartMusic({"level", 0}, 0, 100);
    queue.StartMusic({"nature", 0}, 0, 0);
    keeper.Clear();
    queue.FadeMusic({"level", 0}, 5000, 0);
    queue.FadeMusic({"nature", 0}, 5000, 100);
    FrameAt(2500);
    EXPECT_EQ(keeper.calls, (Lines{"SetMusicVolume level 50", "SetMusicVolume nature 50"}));
    FrameAt(5000);
    EXPECT_EQ(queue.GetMusicVolume({"level", 0}), 0);
    EXPECT_EQ(queue.GetMusicVolume({"nature", 0}), 100);
    EXPECT_EQ(queue.GetMusicState("level"), CSoundQueue::msPlaying) << "a silent music keeps playing";
}

TEST(SoundQueueLifetime, TheQueueStopsItsMusicsWhenDestroyed)
{
    CRecordingSoundKeeper keeper;
    g_SoundKeeper = &keeper;
    {
        CSoundQueue queue;
        queue.StartMusic({"a", 0}, 0, 100);
        queue.StartMusic({"b", 0}, 0, 0);
        keeper.Clear();
    }
    EXPECT_EQ(keeper.calls, (Lines{"StopMusic a 0", "StopMusic b 0"}));
    g_SoundKeeper = nullptr;
}

// ---------------------------------------------------------------------------------------------

class SoundChannelTest : public SoundQueueTest {
protected:
    void EndSample() { keeper.channel_states[channel.GetHandle()] = scsStopped; }
    CSoundChannel channel;
};

TEST_F(SoundChannelTest, ALoopingChannelRestartsItsSampleAfterItEnded)
{
    channel.SetSample("salut_fly");
    EXPECT_EQ(keeper.calls, (Lines{"LoadSample salut_fly"}));
    channel._loop = true;
    channel.SetState(CSoundChannel::chsPlay);
    channel.Update();
    channel.Update();
    EXPECT_EQ(keeper.Count("PlaySample salut_fly"), 1u) << "still playing: not restarted";
    EndSample();
    channel.Update();
    EXPECT_EQ(keeper.Count("PlaySample salut_fly"), 2u);
    EXPECT_EQ(channel.GetState(), CSoundChannel::chsPlay);

    channel.SetState(CSoundChannel::chsStop);
    channel.Update();
    EXPECT_EQ(keeper.Calls("StopSample").size(), 1u);
    EXPECT_FALSE(channel.IsPlaying());
}

TEST_F(SoundChannelTest, APlainPlayPlaysOnceAndGoesIdle)
{
    channel.SetSample("episode_complete");
    channel.SetState(CSoundChannel::chsPlay);
    channel.Update();
    EXPECT_EQ(channel.GetState(), CSoundChannel::chsIdle);
    EndSample();
    channel.Update();
    EXPECT_EQ(keeper.Count("PlaySample episode_complete"), 1u);
}

TEST_F(SoundChannelTest, FadesMoveTheVolumeOneStepPerUpdate)
{
    struct Case { int state; int first; int last; };
    for (const Case c : {Case{CSoundChannel::chsFadeDown, 99, 0}, Case{CSoundChannel::chsFadeUp, 1, 100}}) {
        CSoundChannel ch;
        ch.SetSample("wind");
        keeper.Clear();
        ch.SetState(c.state);
        ASSERT_EQ(keeper.Calls("PlaySample").size(), 1u);
        const SoundHandle h = ch.GetHandle();
        keeper.Clear();
        int updates = 0;
        while (ch.GetState() == c.state && updates < 200) {
            ch.Update();
            ++updates;
        }
        EXPECT_EQ(updates, 100) << c.state;
        const Lines volumes = keeper.Calls("SetSampleVolume");
        ASSERT_EQ(volumes.size(), 100u);
        EXPECT_EQ(volumes.front(), "SetSampleVolume " + std::to_string(h) + " " + std::to_string(c.first));
        EXPECT_EQ(volumes.back(), "SetSampleVolume " + std::to_string(h) + " " + std::to_string(c.last));
        EXPECT_EQ(ch.GetState(), CSoundChannel::chsIdle);
        EXPECT_TRUE(ch.IsPlaying()) << "the sample plays on at the final volume";
    }
}

TEST_F(SoundChannelTest, AFadeEndsWhenTheSampleEnds)
{
    channel.SetSample("wind");
    channel._min_volume = 20;
    channel._max_volume = 80;
    channel.SetState(CSoundChannel::chsFadeDown);
    channel.Update();
    EXPECT_EQ(channel.GetVolume(), 79);
    EndSample();
    channel.Update();
    EXPECT_EQ(channel.GetState(), CSoundChannel::chsIdle);
}

TEST_F(SoundChannelTest, AChannelWithoutSampleDoesNothing)
{
    channel.SetState(CSoundChannel::chsPlay);
    channel.Update();
    channel.SetState(CSoundChannel::chsFadeUp);
    channel.Update();
    EXPECT_TRUE(keeper.calls.empty());
}

} // namespace
