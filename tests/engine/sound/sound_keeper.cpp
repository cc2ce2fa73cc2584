#include "engine/base/engine_clock.h"
#include "engine/base/engine_log.h"
#include "engine/sound/engine_sound_internal.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace {

bool LogHas(const std::string& text)
{
    return zftest::ReadLog().find(text) != std::string::npos;
}

// Waits (real time, the audio thread renders) until the condition holds; false after the timeout.
bool WaitFor(const std::function<bool()>& done, int timeout_ms = 3000)
{
    const uint32_t until = SDL_GetTicks() + static_cast<uint32_t>(timeout_ms);
    while (!done()) {
        if (SDL_TICKS_PASSED(SDL_GetTicks(), until)) return false;
        SDL_Delay(5);
    }
    return true;
}

class SoundKeeperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        keeper = std::make_unique<CSoundKeeper>();
        ASSERT_TRUE(keeper->IsAudioOpen());
        keeper->SetVolumes(100, 100);
    }
    void TearDown() override
    {
        keeper.reset();
    }
    zftest::ScopedChdir _dir{ZF_TEST_DATA_DIR "/sound"};
    std::unique_ptr<CSoundKeeper> keeper;
};

// Once the program has its keeper, the engine core's activation pauses and resumes whichever keeper
// is the program's at the time.
TEST(ProgramSoundKeeper, PausesWhileTheProgramIsInactive)
{
    zftest::ScopedChdir dir(ZF_TEST_DATA_DIR "/sound");
    EXPECT_EQ(&ProgramSoundKeeper(), static_cast<ISoundKeeper*>(&CSoundKeeper::Instance()));
    CRecordingSoundKeeper keeper;
    ISoundKeeper* old = g_SoundKeeper;
    g_SoundKeeper = &keeper;
    ProgramEngineCore().Activate(false);
    ProgramEngineCore().Activate(true);
    g_SoundKeeper = old;
    EXPECT_EQ(keeper.calls, (std::vector<std::string>{"Pause", "Resume"}));
}

TEST_F(SoundKeeperTest, TablesKeepTheFirstEntryOfAnAliasAndReadTrackLists)
{
    const auto& samples = keeper->GetSampleDescs();
    ASSERT_TRUE(samples.count("beep"));
    EXPECT_EQ(samples.at("beep").file_name, "Sounds\\beep.wav");
    EXPECT_EQ(samples.at("beep").volume, 80);
    EXPECT_EQ(samples.at("long").volume, 100);
    EXPECT_EQ(samples.at("long").freq, -1);
    // A rate out of range is reported and kept as read.
    EXPECT_EQ(samples.at("slow_rate").freq, 50);
    EXPECT_TRUE(LogHas("Sample frequency must be between 100 and 100000!"));

    const auto& musics = keeper->GetMusicDescs();
    EXPECT_EQ(musics.at("tracks").file_name, "Music\\tracks.xm");
    EXPECT_EQ(musics.at("tracks").tracks, (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(musics.at("spaced").tracks, (std::vector<int>{0, 12, 20}));
    EXPECT_EQ(musics.at("stream").tracks, (std::vector<int>{0}));

    struct Case { const char* text; std::vector<int> tracks; };
    for (const Case& c : {Case{"", {}}, Case{"7", {7}}, Case{",,3,,4,", {3, 4}}, Case{" 1  2\t3 ", {1, 2, 3}}})
        EXPECT_EQ(CSoundKeeper::ParseTrackList(c.text), c.tracks) << c.text;
}

TEST_F(SoundKeeperTest, SamplesPlayByAliasAndBadOnesAreLoggedAndSkipped)
{
    // The loose file is found whatever the case of its path. The playback checked below is the long
    // one (3 s), so that it still sounds however slowly the test runs.
    const SoundHandle h = keeper->PlaySample("long");
    EXPECT_NE(h, 0u);
    EXPECT_EQ(keeper->GetChannelState(h), scsPlaying);
    EXPECT_NE(keeper->PlaySample("beep"), 0u);
    EXPECT_TRUE(keeper->IsSampleLoaded("beep"));
    EXPECT_FALSE(keeper->LoadSample("beep")) << "already loaded";

    struct Case { const char* alias; const char* line; };
    const Case cases[] = {
        {"nowhere", "Error: sample 'nowhere' not found!"},
        {"gone", "Error: can't load sample 'gone', file 'Sounds\\missing.wav'. Error code: 2"},
        {"broken", "Error: can't load sample 'broken', file 'Sounds\\broken.wav'. Error code: 6"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keeper->PlaySample(c.alias), 0u) << c.alias;
        EXPECT_TRUE(LogHas(c.line)) << c.line;
        EXPECT_FALSE(keeper->IsSampleLoaded(c.alias));
    }
    EXPECT_TRUE(LogHas("Verify {LoadSample(Name)} failed"));
    EXPECT_EQ(keeper->PlaySample(""), 0u);
    EXPECT_FALSE(keeper->LoadSample(""));

    EXPECT_TRUE(keeper->StopSample(h));
    EXPECT_EQ(keeper->GetChannelState(h), scsStopped);
    EXPECT_TRUE(keeper->FreeSample("long"));
    EXPECT_FALSE(keeper->FreeSample("long"));
    EXPECT_EQ(keeper->GetChannelState(h), scsInvalid) << "a freed sample's playbacks are gone";
}

TEST_F(SoundKeeperTest, AFifthPlayTakesOverTheOldestOfFour)
{
    SoundHandle h[5];
    for (SoundHandle& x : h) x = keeper->PlaySample("long");
    EXPECT_EQ(keeper->GetChannelState(h[0]), scsInvalid) << "taken over";
    for (int i = 1; i < 5; ++i) EXPECT_EQ(keeper->GetChannelState(h[i]), scsPlaying) << i;
    EXPECT_EQ(h[4] & 0xFF, h[0] & 0xFF) << "the fifth play uses the oldest one's channel";
    // The next play takes over the second.
    const SoundHandle sixth = keeper->PlaySample("long");
    EXPECT_EQ(keeper->GetChannelState(h[1]), scsInvalid);
    EXPECT_EQ(keeper->GetChannelState(sixth), scsPlaying);
    // Another sample is not limited by them.
    EXPECT_EQ(keeper->GetChannelState(keeper->PlaySample("beep")), scsPlaying);
}

TEST_F(SoundKeeperTest, ASampleVolumeOfZeroMutesEverySample)
{
    const SoundHandle h = keeper->PlaySample("long");
    keeper->SetVolumes(50, 0);
    EXPECT_EQ(keeper->PlaySample("beep"), 0u);
    EXPECT_EQ(keeper->GetChannelState(h), scsMuted);
    EXPECT_EQ(keeper->GetChannelState(12345), scsMuted);
    EXPECT_TRUE(keeper->StopSample(12345));
    int music = -1, sample = -1;
    keeper->GetVolumes(&music, &sample);
    EXPECT_EQ(music, 50);
    EXPECT_EQ(sample, 0);
    EXPECT_EQ(keeper->GetMusicVolumeSetting(), 50);

    keeper->SetVolumes(50, 80);
    const SoundHandle again = keeper->PlaySample("beep");
    EXPECT_NE(again, 0u);
    EXPECT_EQ(keeper->GetChannelState(again), scsPlaying);
    EXPECT_EQ(keeper->GetChannelState(h), scsPlaying);
}

TEST_F(SoundKeeperTest, APlaybackStoppedWhileMutedStaysStopped)
{
    const SoundHandle stopped = keeper->PlaySample("long");
    const SoundHandle kept = keeper->PlaySample("long");
    keeper->SetVolumes(50, 0);
    EXPECT_TRUE(keeper->StopSample(stopped));
    keeper->SetVolumes(50, 80);
    EXPECT_EQ(keeper->GetChannelState(stopped), scsStopped);
    EXPECT_EQ(keeper->GetChannelState(kept), scsPlaying);
}

TEST_F(SoundKeeperTest, HandlesThatAreNotPlaybacksAreRefused)
{
    EXPECT_EQ(keeper->GetChannelState(0), scsInvalid);
    EXPECT_FALSE(keeper->StopSample(0xABCDEF01u));
    EXPECT_TRUE(LogHas("Warning: unable to stop sample. Error code: 5"));
    EXPECT_FALSE(keeper->SetSampleVolume(0xABCDEF01u, 50));
    EXPECT_TRUE(LogHas("Warning: unable to set sample volume! Error code: 5"));
    const SoundHandle h = keeper->PlaySample("beep");
    EXPECT_TRUE(keeper->SetSampleVolume(h, 30));
}

TEST_F(SoundKeeperTest, ARateSetInTheTablePlaysTheSampleFaster)
{
    // "fast" is the 3 s "long" at twice its own rate: it ends halfway through "long", started with it.
    const SoundHandle normal = keeper->PlaySample("long");
    const SoundHandle fast = keeper->PlaySample("fast");
    const uint32_t started = SDL_GetTicks();
    ASSERT_TRUE(WaitFor([&] { return keeper->GetChannelState(fast) == scsStopped; }, 5000));
    EXPECT_GE(SDL_GetTicks() - started, 1000u);
    EXPECT_EQ(keeper->GetChannelState(normal), scsPlaying);
}

TEST_F(SoundKeeperTest, PauseHoldsEveryPlaybackUntilResume)
{
    const SoundHandle h = keeper->PlaySample("long");
    EXPECT_TRUE(keeper->Pause());
    EXPECT_EQ(keeper->GetChannelState(h), scsPaused);
    const SoundHandle during = keeper->PlaySample("beep");
    EXPECT_EQ(keeper->GetChannelState(during), scsPaused);
    EXPECT_TRUE(keeper->Resume());
    EXPECT_EQ(keeper->GetChannelState(h), scsPlaying);
    EXPECT_EQ(keeper->GetChannelState(during), scsPlaying);
}

TEST_F(SoundKeeperTest, MusicsLoadAsModulesOrStreamsAndFailuresAreLogged)
{
    keeper->LoadAllMusic();
    for (const char* alias : {"tracks", "tracks_b", "stream", "spaced"}) EXPECT_TRUE(keeper->IsMusicLoaded(alias)) << alias;
    EXPECT_TRUE(LogHas("Error: can't load music 'gone', file: 'Music\\missing.xm'. Error code: 2"));
    EXPECT_TRUE(LogHas("Error: can't load music 'broken', file: 'Sounds\\broken.wav'. Error code: 6"));
    EXPECT_FALSE(keeper->LoadMusic("nowhere"));
    EXPECT_TRUE(LogHas("Error: music 'nowhere' not found!"));
    EXPECT_FALSE(keeper->LoadMusic("tracks")) << "already loaded";

    EXPECT_EQ(keeper->GetMusicTrackCount("tracks"), 3);
    EXPECT_EQ(keeper->GetMusicTrackCount("stream"), 1);
    EXPECT_EQ(keeper->GetMusicTrackCount("gone"), 0);
    EXPECT_FALSE(keeper->PlayMusic("tracks", 3)) << "track count 3";
    EXPECT_FALSE(keeper->IsMusicPlaying("tracks"));
    EXPECT_FALSE(keeper->PlayMusic("gone", 0));
    EXPECT_FALSE(keeper->StopMusic("gone", 0));
    // An order number beyond the module's order list.
    EXPECT_FALSE(keeper->PlayMusic("spaced", 1));
    EXPECT_TRUE(LogHas("Error: unable to play music 'spaced' track '1'!"));

    EXPECT_TRUE(keeper->PlayMusic("stream", 0));
    EXPECT_TRUE(keeper->IsMusicPlaying("stream"));
    EXPECT_TRUE(keeper->FreeMusic("stream"));
    EXPECT_FALSE(keeper->FreeMusic("stream"));
}

TEST_F(SoundKeeperTest, ATrackStartsAtItsOrderAndLoopsWithinItsOwnOrders)
{
    keeper->LoadAllMusic();
    // Track 1 loops by a jump in the module; tracks 0 and 2 have none and are held in their orders.
    struct Case { int track; int first; int last; };
    for (const Case c : {Case{1, 2, 3}, Case{0, 0, 1}, Case{2, 4, 5}}) {
        ASSERT_TRUE(keeper->PlayMusic("tracks", c.track));
        std::set<int> seen;
        int order = -1, row = -1;
        ASSERT_TRUE(keeper->GetMusicPosition("tracks", order, row));
        EXPECT_EQ(order, c.first) << c.track;
        // Two patterns last about 0.3 s: watch for more than two rounds.
        const uint32_t until = SDL_GetTicks() + 900;
        bool back_to_first = false;
        while (!SDL_TICKS_PASSED(SDL_GetTicks(), until)) {
            keeper->GetMusicPosition("tracks", order, row);
            if (!seen.empty() && *seen.rbegin() == c.last && order == c.first) back_to_first = true;
            seen.insert(order);
            SDL_Delay(3);
        }
        EXPECT_EQ(seen, (std::set<int>{c.first, c.last})) << c.track;
        EXPECT_TRUE(back_to_first) << c.track;
    }
}

TEST_F(SoundKeeperTest, TwoMusicsPlayAndFadeAtOnceAndAQueuedTrackStartsAfterTheFade)
{
    zftest::FakeClock clock{5000};
    keeper->LoadAllMusic();
    ASSERT_TRUE(keeper->PlayMusic("tracks", 0));
    ASSERT_TRUE(keeper->PlayMusic("tracks_b", 0));
    EXPECT_TRUE(keeper->SetMusicVolume("tracks_b", 40));
    EXPECT_EQ(keeper->GetMusicVolume("tracks_b"), 40);
    EXPECT_TRUE(WaitFor([&] {
        int l = 0, r = 0, bl = 0, br = 0;
        keeper->GetMusicLevel("tracks", l, r);
        keeper->GetMusicLevel("tracks_b", bl, br);
        return l > 0 && r > 0 && bl > 0 && br > 0;
    })) << "both musics sound";

    EXPECT_TRUE(keeper->StopMusic("tracks", 1500));
    clock.Advance(750);
    keeper->Update();
    EXPECT_EQ(keeper->GetMusicVolume("tracks"), 50);
    EXPECT_TRUE(keeper->IsMusicPlaying("tracks"));
    // A track asked for during the fade waits for its end; another music starts at once.
    EXPECT_TRUE(keeper->PlayMusic("tracks", 2));
    int order = -1, row = -1;
    keeper->GetMusicPosition("tracks", order, row);
    EXPECT_LT(order, 2);
    EXPECT_TRUE(keeper->PlayMusic("tracks_b", 0));

    clock.Advance(750);
    keeper->Update();
    EXPECT_EQ(keeper->GetMusicVolume("tracks"), 100) << "the volume is put back after the fade";
    EXPECT_TRUE(keeper->IsMusicPlaying("tracks"));
    keeper->GetMusicPosition("tracks", order, row);
    EXPECT_TRUE(order == 4 || order == 5) << order;
    EXPECT_TRUE(keeper->IsMusicPlaying("tracks_b"));

    // A fade without a queued track ends in silence.
    EXPECT_TRUE(keeper->StopMusic("tracks_b", 200));
    clock.Advance(200);
    keeper->Update();
    EXPECT_FALSE(keeper->IsMusicPlaying("tracks_b"));
    EXPECT_EQ(keeper->GetMusicVolume("tracks_b"), 100);
    EXPECT_TRUE(keeper->StopMusic("tracks", 0));
    EXPECT_FALSE(keeper->IsMusicPlaying("tracks"));
}

TEST_F(SoundKeeperTest, ModuleChannelVolumes)
{
    keeper->LoadAllMusic();
    EXPECT_TRUE(keeper->SetMusicChannelVolume("tracks", 1, 30));
    EXPECT_EQ(keeper->GetMusicChannelVolume("tracks", 1), 30);
    EXPECT_EQ(keeper->GetMusicChannelVolume("tracks", 0), 100);
    EXPECT_FALSE(keeper->SetMusicChannelVolume("tracks", 9, 30));
    EXPECT_TRUE(LogHas("Warning: unable to set music 'tracks' channel 9 volume! Error code: 37"));
    EXPECT_EQ(keeper->GetMusicChannelVolume("stream", 0), -1);
    EXPECT_TRUE(LogHas("Warning: unable to get music 'stream' channel 0 volume! Error code: 37"));
    EXPECT_EQ(keeper->GetMusicChannelVolume("gone", 0), 0);
    EXPECT_FALSE(keeper->SetMusicChannelVolume("gone", 0, 1));
}

TEST(SoundKeeperSetup, WithoutADeviceOrTablesTheKeeperRunsSilently)
{
    const std::string scratch = std::filesystem::temp_directory_path() / "zf_sound_empty";
    std::filesystem::create_directories(scratch);
    zftest::ScopedChdir dir(scratch);
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    {
        CSoundKeeper keeper;
        EXPECT_TRUE(keeper.IsAudioOpen()) << "a silent output stands in";
        EXPECT_TRUE(LogHas("Warning: no audio device"));
        EXPECT_TRUE(LogHas("Error: sample table 'Settings\\Samples.xml' not read"));
        EXPECT_TRUE(LogHas("Error: music table 'Settings\\Music.xml' not read"));
        keeper.SetVolumes(100, 100);
        EXPECT_EQ(keeper.PlaySample("it_select"), 0u);
        EXPECT_TRUE(LogHas("Error: sample 'it_select' not found!"));
        keeper.LoadAllMusic();
        EXPECT_TRUE(keeper.Pause());
        EXPECT_TRUE(keeper.Resume());
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

} // namespace

namespace {

// The game's own sound tables: every sample and music they name loads, and every track plays.
TEST(SoundKeeperGameData, EverySampleAndMusicOfTheGameLoadsAndPlays)
{
    zftest::ScopedChdir dir(ZF_GAME_DATA_DIR);
    CSoundKeeper keeper;
    keeper.SetVolumes(100, 100);
    ASSERT_FALSE(keeper.GetSampleDescs().empty());
    ASSERT_TRUE(keeper.GetSampleDescs().count("it_select"));
    for (const auto& [alias, desc] : keeper.GetSampleDescs()) {
        EXPECT_TRUE(keeper.LoadSample(alias)) << alias;
        EXPECT_GE(desc.volume, 1) << alias;
        EXPECT_LE(desc.volume, 100) << alias;
    }
    for (const char* alias : {"MUS_MENU", "MUS_CITY", "MUS_NATURE", "MUS_GAME1", "MUS_GAME2", "MUS_GAME3", "MUS_GAME4"})
        EXPECT_TRUE(keeper.GetMusicDescs().count(alias)) << alias;
    keeper.LoadAllMusic();
    for (const auto& [alias, desc] : keeper.GetMusicDescs()) {
        ASSERT_TRUE(keeper.IsMusicLoaded(alias)) << alias;
        const int tracks = keeper.GetMusicTrackCount(alias);
        EXPECT_GE(tracks, 1) << alias;
        for (int t = 0; t < tracks; ++t) {
            EXPECT_TRUE(keeper.PlayMusic(alias, t)) << alias << " " << t;
            int order = -1, row = -1;
            keeper.GetMusicPosition(alias, order, row);
            EXPECT_EQ(order, desc.tracks[t]) << alias << " " << t;
        }
        keeper.StopMusic(alias, 0);
    }
}

} // namespace
