#include "game/game_music.h"

#include "engine/base/engine_registry.h"
#include "engine/core/engine_core.h"
#include "player/player_user.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

const MusicTrack kCityMusic{"MUS_GAME2", 0};
const MusicTrack kCityBonusMusic{"MUS_BONUS", 0};
const MusicTrack kNature{"MUS_NATURE", 0};

class GameMusicTest : public ::testing::Test {
protected:
    GameMusicTest()
    {
        _previous_keeper = g_SoundKeeper;
        g_SoundKeeper = &keeper;
        RandomSeed(12345);
    }
    ~GameMusicTest() override { g_SoundKeeper = _previous_keeper; }

    // One frame of the scene `ms` after the previous one: the music's update, then the queue's.
    void Frame(uint32_t ms, bool cross_state = false)
    {
        clock.Advance(ms);
        music.UpdateMusic(cross_state);
        queue.Update();
    }
    // Frames of one second until the loud channel changes; the seconds it took, or -1 after `limit` s.
    int SecondsUntilSwap(int limit = 1000)
    {
        const bool nature = music.IsNatureCurrent();
        for (int s = 1; s <= limit; ++s) {
            Frame(1000);
            if (music.IsNatureCurrent() != nature) return s;
        }
        return -1;
    }
    int Volume(const MusicTrack& m) const { return queue.GetMusicVolume(m); }
    // A started level with the city's first music, its fade-in over.
    void StartLevel(float time_span = 0.0f)
    {
        music.ChooseLevelMusic(user, false, city);
        music.StartGameMusic(user, time_span);
        Frame(1500);
    }

    zftest::FakeClock clock{1000};
    CRecordingSoundKeeper keeper;
    CSoundQueue queue;
    CGameMusic music{queue};
    CUser user;
    CityMusicInfo city{kCityMusic, kCityBonusMusic, false};

private:
    ISoundKeeper* _previous_keeper = nullptr;
};

TEST_F(GameMusicTest, ChoosingTheLevelMusicKeepsTheUsersChoiceOrTakesTheCitysFirstEpoch)
{
    struct Case {
        const char* name;
        bool bonus;
        MusicTrack user_music, user_bonus;
        int plays;
        MusicTrack channel_a, stored_music, stored_bonus;
        int plays_after;
    };
    const MusicTrack game3{"MUS_GAME3", 2}, bonus_own{"MUS_GAME4", 1};
    const Case cases[] = {
        {"first level", false, {}, {}, 7, kCityMusic, kCityMusic, {}, 1},
        {"music kept", false, game3, {}, 1, game3, game3, {}, 2},
        {"kept past three plays while epochs remain", false, game3, {}, 5, game3, game3, {}, 6},
        {"first bonus level", true, game3, {}, 2, kCityBonusMusic, game3, kCityBonusMusic, 2},
        {"bonus music kept", true, game3, bonus_own, 2, bonus_own, game3, bonus_own, 2},
    };
    for (const Case& c : cases) {
        CUser u;
        u.Game().music = c.user_music;
        u.Game().bonus_music = c.user_bonus;
        u.Game().music_plays = c.plays;
        CGameMusic m{queue};
        m.ChooseLevelMusic(u, c.bonus, city);
        EXPECT_EQ(m.GetChannelA(), c.channel_a) << c.name;
        EXPECT_EQ(u.Game().music, c.stored_music) << c.name;
        EXPECT_EQ(u.Game().bonus_music, c.stored_bonus) << c.name;
        EXPECT_EQ(u.Game().music_plays, c.plays_after) << c.name;
    }
    EXPECT_TRUE(keeper.calls.empty()) << "choosing plays nothing";
}

TEST_F(GameMusicTest, AfterEveryEpochIsBuiltTheLevelMusicChangesEveryThirdOrdinaryLevel)
{
    city.all_epochs_complete = true;
    for (uint32_t seed : {1u, 2u, 77u, 4242u}) {
        RandomSeed(seed);
        CUser u;
        u.Game().music = kCityMusic;
        u.Game().music_plays = 3;
        CGameMusic m{queue};
        MusicTrack previous = kCityMusic;
        for (int level = 0; level < 24; ++level) {
            m.ChooseLevelMusic(u, false, city);
            const MusicTrack now = m.GetChannelA();
            EXPECT_EQ(now.track, 0);
            EXPECT_TRUE(now.alias.size() == 9 && now.alias.compare(0, 8, "MUS_GAME") == 0 &&
                        now.alias[8] >= '1' && now.alias[8] <= '4') << now.alias;
            EXPECT_EQ(u.Game().music, now) << "kept in the user's game";
            // The first level here had three plays behind it already.
            if (level % 3 == 0) EXPECT_NE(now.alias, previous.alias) << "seed " << seed << " level " << level;
            else EXPECT_EQ(now, previous) << "seed " << seed << " level " << level;
            EXPECT_EQ(u.Game().music_plays, level % 3 + 1);
            previous = now;
        }
    }
}

TEST_F(GameMusicTest, BonusLevelsNeitherCountNorChangeTheLevelMusic)
{
    city.all_epochs_complete = true;
    user.Game().music = {"MUS_GAME4", 0};
    user.Game().music_plays = 2;
    for (int i = 0; i < 5; ++i) {
        music.ChooseLevelMusic(user, true, city);
        EXPECT_EQ(music.GetChannelA(), kCityBonusMusic);
    }
    EXPECT_EQ(user.Game().music, MusicTrack("MUS_GAME4", 0));
    EXPECT_EQ(user.Game().music_plays, 2);
    music.ChooseLevelMusic(user, false, city);
    EXPECT_EQ(music.GetChannelA(), MusicTrack("MUS_GAME4", 0)) << "the third level still has it";
    music.ChooseLevelMusic(user, false, city);
    EXPECT_NE(music.GetChannelA().alias, "MUS_GAME4");
}

TEST_F(GameMusicTest, EnteringStartsTheLevelMusicLoudAndTheNatureTrackSilent)
{
    user.SetPlayingMusic({"MUS_CITY", 0});
    queue.StartMusic({"MUS_CITY", 0}, 0, 100);
    keeper.Clear();

    music.ChooseLevelMusic(user, false, city);
    music.StartGameMusic(user, 0.0f);
    EXPECT_EQ(keeper.Calls("PlayMusic"), (std::vector<std::string>{"PlayMusic MUS_GAME2 0", "PlayMusic MUS_NATURE 0"}));
    EXPECT_EQ(user.GetPlayingMusic(), kCityMusic);
    EXPECT_EQ(music.GetChannelB(), kNature);
    EXPECT_FALSE(music.IsNatureCurrent());

    // The city's music fades out and stops while the level music fades in, both over 1.5 s.
    Frame(750);
    EXPECT_NEAR(Volume(kCityMusic), 50, 1);
    EXPECT_NEAR(Volume({"MUS_CITY", 0}), 50, 1);
    Frame(750);
    EXPECT_EQ(Volume(kCityMusic), 100);
    EXPECT_EQ(Volume(kNature), 0);
    EXPECT_EQ(queue.GetMusicState("MUS_CITY"), -1);
    EXPECT_EQ(keeper.Count("StopMusic MUS_CITY 0"), 1u);
}

TEST_F(GameMusicTest, EnteringWithTheSameMusicStillPlayingTakesItOverWithoutABreak)
{
    // The previous level left its music playing silently, as it does when it ends.
    StartLevel();
    music.StopGameMusic();
    Frame(1500);
    EXPECT_EQ(Volume(kCityMusic), 0);
    EXPECT_EQ(queue.GetMusicState("MUS_GAME2"), CSoundQueue::msPlaying) << "kept playing for the next scene";
    EXPECT_EQ(queue.GetMusicState("MUS_NATURE"), -1);
    keeper.Clear();

    music.ChooseLevelMusic(user, false, city);
    music.StartGameMusic(user, 0.0f);
    Frame(1500);
    EXPECT_EQ(keeper.Count("StopMusic MUS_GAME2 0"), 0u);
    EXPECT_EQ(keeper.Count("PlayMusic MUS_GAME2 0"), 0u) << "not restarted from its beginning";
    EXPECT_EQ(keeper.Count("PlayMusic MUS_NATURE 0"), 1u);
    EXPECT_EQ(Volume(kCityMusic), 100);
}

TEST_F(GameMusicTest, TheLoudChannelSwapsByCrossfadeAtRandomIntervals)
{
    struct Case { float span; int level_min_s, level_max_s; };
    // No time bar (bonus levels) or a short one: two to four minutes; a long bar stretches it.
    const Case cases[] = {{0.0f, 120, 240}, {300.0f, 120, 240}, {481.9f, 120, 240}, {1000.0f, 250, 370}};
    for (const Case& c : cases) {
        for (uint32_t seed : {3u, 99u, 2024u}) {
            RandomSeed(seed);
            StartLevel(c.span);
            for (int round = 0; round < 3; ++round) {
                // The level music's period ends exactly when its timer says, not a frame before.
                const uint32_t period = music.GetTimer().GetDuration();
                EXPECT_GE(period, uint32_t(c.level_min_s) * 1000u) << c.span;
                EXPECT_LE(period, uint32_t(c.level_max_s) * 1000u) << c.span;
                const uint32_t left = period - music.GetTimer().GetElapsed();
                Frame(left - 1);
                EXPECT_FALSE(music.IsNatureCurrent());
                Frame(1);
                ASSERT_TRUE(music.IsNatureCurrent()) << c.span;

                // A five-second crossfade to the nature track.
                Frame(2500);
                EXPECT_NEAR(Volume(kCityMusic), 50, 1);
                EXPECT_NEAR(Volume(kNature), 50, 1);
                Frame(2500);
                EXPECT_EQ(Volume(kCityMusic), 0);
                EXPECT_EQ(Volume(kNature), 100);

                // The nature track holds 30 to 90 s, then the level music comes back the same way.
                const int nature_s = 5 + SecondsUntilSwap();
                EXPECT_GE(nature_s, 30);
                EXPECT_LE(nature_s, 91);
                Frame(5000);
                EXPECT_EQ(Volume(kCityMusic), 100);
                EXPECT_EQ(Volume(kNature), 0);
            }
            music.StopGameMusic();
            Frame(1500);
        }
    }
    EXPECT_EQ(keeper.Count("StopMusic MUS_GAME2 0"), 0u) << "the level music is only ever faded";
}

TEST_F(GameMusicTest, NoSwapWhileACrossStateRunsNorAfterLeaving)
{
    StartLevel();
    const uint32_t period = music.GetTimer().GetDuration();
    Frame(period, true);
    for (int i = 0; i < 10; ++i) Frame(1000, true);
    EXPECT_FALSE(music.IsNatureCurrent()) << "a death or the finish holds the music";
    EXPECT_EQ(Volume(kCityMusic), 100);
    Frame(16);
    EXPECT_TRUE(music.IsNatureCurrent()) << "overdue once the cross-state is over";
}

TEST_F(GameMusicTest, LoweringAndRaisingMoveOnlyTheLoudChannel)
{
    StartLevel();
    struct Step { bool lower; int volume; int returned; int after_1s; };
    const Step steps[] = {
        {true, 33, 100, 33},    // the promotion's sound: down to a third over a second
        {true, 50, 33, 33},     // already quieter: nothing
        {false, 20, 33, 33},    // already louder: nothing
        {false, 100, 33, 100},  // and back up
        {true, 100, 100, 100},
    };
    for (const Step& s : steps) {
        const int had = s.lower ? music.LowerMusic(s.volume) : music.RaiseMusic(s.volume);
        EXPECT_EQ(had, s.returned) << s.lower << " " << s.volume;
        Frame(500);
        if (s.returned != s.after_1s) {
            EXPECT_NEAR(Volume(kCityMusic), (s.returned + s.after_1s) / 2, 1) << "half-way after half a second";
        }
        Frame(500);
        EXPECT_EQ(Volume(kCityMusic), s.after_1s) << s.lower << " " << s.volume;
        EXPECT_EQ(Volume(kNature), 0) << "the silent channel is left alone";
    }

    // While the nature track is the loud one, it is the one lowered.
    Frame(music.GetTimer().GetDuration());
    Frame(5000);
    ASSERT_TRUE(music.IsNatureCurrent());
    EXPECT_EQ(music.LowerMusic(40), 100);
    Frame(1000);
    EXPECT_EQ(Volume(kNature), 40);
    EXPECT_EQ(Volume(kCityMusic), 0);
    EXPECT_EQ(music.RaiseMusic(100), 40);
    Frame(1000);
    EXPECT_EQ(Volume(kNature), 100);
}

TEST_F(GameMusicTest, ALevelWithoutAnyMusicLogsItAndPlaysNothing)
{
    city = CityMusicInfo{};
    music.ChooseLevelMusic(user, false, city);
    EXPECT_NE(zftest::ReadLog().find("no level music"), std::string::npos);
    music.StartGameMusic(user, 0.0f);
    Frame(1500);
    EXPECT_EQ(keeper.Calls("PlayMusic"), (std::vector<std::string>{"PlayMusic MUS_NATURE 0"}));
    EXPECT_EQ(music.LowerMusic(33), 0);
    EXPECT_EQ(music.RaiseMusic(100), 0);
}

} // namespace
