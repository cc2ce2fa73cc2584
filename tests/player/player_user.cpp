// The current user: score and extra lives, promotions, the city's worth, purchases, resource
// mirrors and pending gains, starting and loading games, and writing them back.
#include "player/player_test_util.h"

using namespace player_test;

namespace {

class User : public PlayerFixture {};

TEST_F(User, ExtraLivesAndPendingScore)
{
    struct Row { int start, points, lives_gained, last_gain, score; };
    const Row rows[] = {
        {19999, 1, 1, 1, 20000}, {0, 60000, 3, 3, 60000}, {39000, 42000, 3, 3, 81000}, {45000, -10000, 0, 0, 35000},
        {100, 0, 0, 0, 100},
        {2147480000, 100000, 0, 0, 2147483647},   // the score stops at the largest number; no wrap-around
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.start << " + " << r.points);
        g_User.NewGame();
        g_User.Game().score = r.start;
        const int lives = g_User.GetLives();
        g_User.AddScore(r.points);
        EXPECT_EQ(g_User.GetLives() - lives, r.lives_gained);
        EXPECT_EQ(g_User.GetLastLivesGain(), r.last_gain);
        EXPECT_EQ(g_User.GetPendingScore(), r.points);
        EXPECT_EQ(g_User.GetScore(), r.score);
        EXPECT_EQ(g_User.TakePendingScore(), r.points);
        EXPECT_EQ(g_User.GetPendingScore(), 0);
    }
}

TEST_F(User, PromotionMovesOneStepAtATime)
{
    g_User.NewGame();
    EXPECT_EQ(g_User.GetTitleIndex(), 0);
    EXPECT_EQ(g_User.GetTitleText(), "T0!");
    g_User.AddScore(6000);   // past two thresholds
    EXPECT_TRUE(g_User.CheckPromotion());
    EXPECT_EQ(g_User.GetTitleIndex(), 1);
    EXPECT_EQ(g_User.GetTitleText(), "T1!");
    EXPECT_TRUE(g_User.CheckPromotion());
    EXPECT_EQ(g_User.GetTitleText(), "T2!");
    EXPECT_FALSE(g_User.CheckPromotion());
    EXPECT_EQ(g_User.GetTitleIndex(), 2);
}

TEST_F(User, CityScoreAndPurchases)
{
    g_User.NewGame();
    g_User.BuyConstruction(101);
    EXPECT_EQ(g_User.Game().city.at(101), (CityEntry{true, 0}));
    g_User.BuyConstruction(102);
    for (int i = 0; i < 3; ++i) g_User.BuyConstruction(102);
    EXPECT_EQ(g_User.Game().city.at(102), (CityEntry{true, 3}));
    g_User.Game().city[103] = CityEntry{false, 5};   // not bought: worth nothing
    g_User.AddScore(5000);
    g_User.CheckPromotion();
    g_User.CheckPromotion();
    EXPECT_EQ(g_User.GetCityScore(), 50 + 500 + 503);
}

TEST_F(User, ResourceMirrorsAndPendingGains)
{
    g_User.NewGame();
    GetResources().Add(rtMoney, 100);
    GetResources().Add(rtFood, 30);
    GetResources().Spend(rtMoney, 40);
    GetResources().Add(7, 5);   // any type is kept, none of them touches a pending gain
    EXPECT_EQ(g_User.GetCollectAmount(rtMoney), 60);
    EXPECT_EQ(g_User.GetCollectAmount(rtFood), 30);
    EXPECT_EQ(g_User.GetCollectAmount(7), 5);
    EXPECT_EQ(g_User.GetCollectAmount(rtStaff), 0);
    EXPECT_EQ(g_User.GetPendingResource(rtMoney), 60);
    EXPECT_EQ(g_User.GetPendingResource(rtFood), 30);
    EXPECT_EQ(g_User.GetPendingResource(7), 0);
    EXPECT_EQ(g_User.TakePendingResource(rtMoney), 60);
    EXPECT_EQ(g_User.GetPendingResource(rtMoney), 0);

    EXPECT_FALSE(g_User.IsHintShown(3));
    g_User.SetHintShown(3);
    EXPECT_TRUE(g_User.IsHintShown(3));
    g_User.SetMusic(MusicTrack("m", 2));
    EXPECT_EQ(g_User.Game().music_plays, 0);
    g_User.Game().music_plays = 3;
    g_User.SetBonusMusic(MusicTrack("b", 1));
    EXPECT_EQ(g_User.Game().music_plays, 3);
    EXPECT_EQ(g_User.Game().bonus_music, MusicTrack("b", 1));
}

// A whole game written into its profile and the file, read back into a fresh user.
TEST_F(User, SavedGameComesBackWhole)
{
    ASSERT_TRUE(g_Profiles.AddProfile("Ann"));
    g_User.LoadFromProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
    g_User.NewGame();
    g_User.SetGameState(ugsPlaying);
    g_User.SetPlayState(upsToShop);
    g_User.AddScore(43000);
    g_User.CheckPromotion();
    g_User.Game().title = g_User.GetTitleIndex();
    GetResources().Add(rtMoney, 500);
    GetResources().Add(rtStaff, 120);
    GetResCredits().Add(11, 450);
    g_User.BuyConstruction(101);
    g_User.BuyConstruction(101);
    g_User.SetHintShown(4);
    SetPeopleSaver([](std::map<int32_t, ManState>& people) { people[101] = ManState{true, 2, {5}, {6}, false}; });
    LogWatch mark;
    g_User.SaveToProfile(kCurrentGameSlot);
    SetPeopleSaver(nullptr);
    ASSERT_TRUE(g_Profiles.Save());
    EXPECT_TRUE(zftest::InOrder(mark.Text(), {"Update profile \"Ann\" (game slot \"current_game\").", "Saving profiles..."}));
    const CGameSlot saved = g_User.Game();

    g_User = CUser();
    GetResources().Assign({});
    CProfiles reread;
    ASSERT_TRUE(reread.Load(dir / "Profiles.xml"));
    g_User.LoadFromProfile(reread.GetProfile("Ann"), kCurrentGameSlot);
    EXPECT_EQ(g_User.GetName(), "Ann");
    EXPECT_EQ(g_User.Game(), saved);
    EXPECT_EQ(g_User.GetScore(), 43000);
    EXPECT_EQ(g_User.GetLives(), 5);
    EXPECT_EQ(g_User.GetTitleIndex(), 1);
    EXPECT_EQ(g_User.GetTitleText(), "T1!");
    EXPECT_EQ(g_User.Game().collect, (std::map<int32_t, int32_t>{{1, 500}, {2, 120}}));
    EXPECT_EQ(g_User.Game().bonus, (std::map<int32_t, int32_t>{{11, 450}}));
    EXPECT_EQ(g_User.Game().city.at(101), (CityEntry{true, 1}));
    EXPECT_EQ(g_User.Game().people.at(101).time, (std::list<int32_t>{5}));
    EXPECT_TRUE(g_User.IsHintShown(4));
    // The live tables follow the loaded game.
    EXPECT_EQ(GetResources().GetAmount(rtMoney), 500);
    EXPECT_EQ(GetResCredits().GetGrade(11), 2);
}

TEST_F(User, LoadingAndStartingGames)
{
    ASSERT_TRUE(g_Profiles.AddProfile("Ann"));
    CProfile& ann = g_Profiles.GetProfile("Ann");
    EXPECT_TRUE(CUser().IsEpochAvailable(0));

    // A slot the profile does not hold: a fresh slot with an empty alias.
    g_User.LoadFromProfile(ann, GetEpochStartSlot(2));
    EXPECT_EQ(g_User.Game(), CGameSlot());
    EXPECT_TRUE(g_User.IsEpochAvailable(0));
    EXPECT_FALSE(g_User.IsEpochAvailable(2));

    CGameSlot epoch;
    epoch.alias = GetEpochStartSlot(2);
    epoch.epoch = 2;
    epoch.score = 90000;
    epoch.lives = 1;
    epoch.collect[rtFood] = 44;
    epoch.city[101] = CityEntry{true, 0};
    epoch.play_state = upsToShop;
    ann.SetGame(GetEpochStartSlot(2), epoch);
    EXPECT_TRUE(g_User.IsEpochAvailable(2));
    EXPECT_FALSE(g_User.IsEpochAvailable(3));

    cfg.SetInt("start_lives", 4);
    g_User.StartGame(2);
    EXPECT_EQ(g_User.Game().alias, kCurrentGameSlot);
    EXPECT_EQ(g_User.GetLives(), 4);
    EXPECT_EQ(g_User.GetScore(), 90000);
    EXPECT_EQ(g_User.GetCollectAmount(rtFood), 44);
    EXPECT_EQ(g_User.Game().city.size(), 1u);
    EXPECT_EQ(g_User.GetPlayState(), upsNone);
    EXPECT_EQ(g_User.GetGameState(), ugsNew);

    g_User.StartGame(0);
    EXPECT_EQ(g_User.GetScore(), 0);
    EXPECT_EQ(g_User.GetLives(), 4);
    EXPECT_EQ(g_User.GetLevel(), -1);
    EXPECT_TRUE(g_User.Game().city.empty());
    EXPECT_EQ(g_User.GetGameState(), ugsNew);
    EXPECT_EQ(GetResources().GetAmount(rtFood), 0);   // the live tables start again too
}

TEST_F(User, ChecksOfWritingBack)
{
    ASSERT_TRUE(g_Profiles.AddProfile("Ann"));
    ASSERT_TRUE(g_Profiles.AddProfile("Bob"));
    CUser nobody;
    try {
        nobody.UpdateProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "verify {!Empty()} failed");
    }
    g_User.LoadFromProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
    try {
        g_User.UpdateProfile(g_Profiles.GetProfile("Bob"), kCurrentGameSlot);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "verify {_name == profile.GetName()} failed");
    }
    EXPECT_FALSE(g_Profiles.GetProfile("Bob").HasGame(kCurrentGameSlot));

    cfg.SetInt("score_for_life", 0);
    try {
        g_User.NewGame();
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "verify {_score_for_life != 0} failed");
    }
    SetUserGameConfig(nullptr);
    try {
        g_User.NewGame();
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Variable start_lives not registered!");
    }
}

// The slot is stored under the name it is saved as, whatever the current game's alias: an epoch's
// start point never comes back as the current game.
TEST_F(User, SlotsAreStoredUnderTheirOwnName)
{
    ASSERT_TRUE(g_Profiles.AddProfile("Ann"));
    g_User.LoadFromProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
    g_User.NewGame();
    g_User.AddScore(1200);
    g_User.SaveToProfile(GetEpochStartSlot(1));
    g_User.AddScore(300);
    g_User.SaveToProfile(kCurrentGameSlot);
    ASSERT_TRUE(g_Profiles.Save());
    CProfiles back;
    ASSERT_TRUE(back.Load(dir / "Profiles.xml"));
    EXPECT_EQ(back.GetProfile("Ann").GetGame(GetEpochStartSlot(1)).score, 1200);
    EXPECT_EQ(back.GetProfile("Ann").GetGame(kCurrentGameSlot).score, 1500);
}

// The live tables belong to the user's game: a game loaded or started later never stores the amounts
// of the game before it.
TEST_F(User, AnotherGameNeverTakesTheLiveAmountsOfTheOneBefore)
{
    ASSERT_TRUE(g_Profiles.AddProfile("Ann"));
    ASSERT_TRUE(g_Profiles.AddProfile("Bob"));
    g_User.LoadFromProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
    g_User.NewGame();
    GetResources().Add(rtMoney, 900);
    GetResCredits().Add(16, 500);
    ASSERT_TRUE(SaveUserProgress());

    g_User.LoadFromProfile(g_Profiles.GetProfile("Bob"), kCurrentGameSlot);
    ASSERT_TRUE(SaveUserProgress());
    EXPECT_EQ(g_Profiles.GetProfile("Bob").GetGame(kCurrentGameSlot).collect.count(rtMoney), 0u);
    EXPECT_EQ(GetResCredits().GetGrade(16), 0);

    g_User.LoadFromProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
    EXPECT_EQ(GetResources().GetAmount(rtMoney), 900);
    g_User.NewGame();
    ASSERT_TRUE(SaveUserProgress());
    EXPECT_EQ(g_Profiles.GetProfile("Ann").GetGame(kCurrentGameSlot).collect.count(rtMoney), 0u);
}

TEST_F(User, ProgressIsNotStoredIntoAProfileThatIsGone)
{
    EXPECT_FALSE(SaveUserProgress());   // no player
    ASSERT_TRUE(g_Profiles.AddProfile("Ann"));
    ASSERT_TRUE(g_Profiles.AddProfile("Bob"));
    ASSERT_TRUE(g_Profiles.Save());
    const std::string before = ReadTextFile(dir / "Profiles.xml");
    g_User.LoadFromProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
    ASSERT_TRUE(g_Profiles.DeleteProfile("Ann"));
    LogWatch mark;
    EXPECT_FALSE(SaveUserProgress());
    EXPECT_TRUE(mark.Has("the profile \"Ann\" no longer exists"));
    EXPECT_EQ(ReadTextFile(dir / "Profiles.xml"), before);
    EXPECT_FALSE(g_User.IsEpochAvailable(1));
}

TEST_F(User, ATitleBeyondTheLadderIsHeldAtItsEnd)
{
    ASSERT_TRUE(g_Profiles.AddProfile("Ann"));
    CGameSlot slot;
    slot.title = 9;
    g_Profiles.GetProfile("Ann").SetGame(kCurrentGameSlot, slot);
    LogWatch mark;
    g_User.LoadFromProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
    EXPECT_EQ(g_User.GetTitleIndex(), 2);
    EXPECT_EQ(g_User.GetTitleText(), "T2!");
    EXPECT_TRUE(mark.Has("title 9 is not on the ladder of 3 titles"));
    slot.title = -3;
    g_Profiles.GetProfile("Ann").SetGame(kCurrentGameSlot, slot);
    g_User.LoadFromProfile(g_Profiles.GetProfile("Ann"), kCurrentGameSlot);
    EXPECT_EQ(g_User.GetTitleIndex(), 0);
}

} // namespace
