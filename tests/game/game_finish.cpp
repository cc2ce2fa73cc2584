// The end of a won level, frame by frame on the shipped game folder: the statistics, a promotion
// and its prize, the gains credited, the hiscores and the profile on disk at once, then the city;
// the bonus-resources offer and its multipliers; the game over stored while its dialog shows.
#include "game_scene_fixture.h"

#include "engine/base/engine_userfolder.h"
#include "player/player_hiscores.h"
#include "player/player_prices.h"
#include "player/player_profiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace gamescene;

class GameFinish : public GameScene {
protected:
    GameFinish()
    {
        std::filesystem::remove(UserFilePath("Profiles.xml"));
        std::filesystem::remove(UserFilePath(kHiscoresFile));
        g_Profiles = CProfiles();
        g_Hiscores = CHiscores();
        GetPromotions().Load();
        // Samples end at once: the level's end waits for its sound.
        sound.plays_start_playing = false;
        g_Profiles.AddProfile("Ada");
        g_User.LoadFromProfile(g_Profiles.GetProfile("Ada"), kCurrentGameSlot);
        g_User.NewGame();
        g_User.Settings().not_show_hints = true;
        g_User.Settings().pass_smart_test = true;
        SaveUserProgress();
        if (initialized) {
            scene->SyncWithUser(g_User);
            scene->FilterHints(g_User);
        }
    }
    ~GameFinish() override
    {
        g_Profiles = CProfiles();
        g_Hiscores = CHiscores();
    }

    // Plays the first level until the field hands it to the finish, as a reached goal does.
    bool FinishFirstLevel()
    {
        EnterLevel(0);
        if (!Playing()) return false;
        clock.Advance(40000);   // forty seconds of play
        Frame();
        scene->StartCrossState(gcsLevelFinish);
        const bool shown = RunUntil([this] { return scene->GetStatisticsDialog().IsShown(); });
        if (!shown) ADD_FAILURE() << "end step " << scene->GetField().GetEndStep() << " stage " << scene->Stage(gcsLevelFinish);
        return shown;
    }
    // The player's current game as the profiles file on disk holds it.
    static CGameSlot GameOnDisk()
    {
        CProfiles disk;
        EXPECT_TRUE(disk.Load());
        if (!disk.HasProfile("Ada") || !disk.GetProfile("Ada").HasGame(kCurrentGameSlot)) return CGameSlot();
        return disk.GetProfile("Ada").GetGame(kCurrentGameSlot);
    }
    bool Finished()
    {
        return RunUntil([this] { return scene->GetResult() == srNextScene; }, 1200);
    }
};

TEST_F(GameFinish, WithoutPromotionTheStatisticsLeadToTheCityAndEverythingIsOnDiskAtOnce)
{
    ASSERT_TRUE(initialized);
    zftest::LogWatch logs;
    ASSERT_TRUE(FinishFirstLevel()) << logs.Text();
    EXPECT_EQ(g_User.GetPlayState(), upsLevelFinished);
    EXPECT_FALSE(scene->GetTopPanel().IsShown());

    // While the statistics show, the hiscores and the profile already hold the level's result.
    CHiscores hiscores;
    ASSERT_TRUE(hiscores.Load());
    HiscoreRow best;
    ASSERT_TRUE(hiscores.GetBest(httTime, 0, 0, best));
    EXPECT_EQ(best.name, "Ada");
    EXPECT_GT(best.value, 0);
    EXPECT_EQ(best.value, scene->GetField().GetLevelRecord().time);
    ASSERT_TRUE(hiscores.GetBest(httScore, 0, 0, best));
    EXPECT_EQ(best.value, scene->GetField().GetLevelRecord().score);
    EXPECT_EQ(hiscores.GetChampionTable(httScore).rows.front().name, "Ada");
    EXPECT_EQ(scene->GetField().GetLevelRecord().best_time_name, "Ada");
    EXPECT_EQ(GameOnDisk().play_state, upsLevelFinished);

    Click(scene->GetStatisticsDialog(), "ID_OK");
    // The count-up is skipped by the first click; the second one closes.
    if (scene->GetStatisticsDialog().IsShown()) Click(scene->GetStatisticsDialog(), "ID_OK");
    ASSERT_TRUE(Finished()) << logs.Text();
    EXPECT_FALSE(scene->GetPromotionDialog().IsVisible());
    EXPECT_EQ(scene->GetNextScene(), "City");
    EXPECT_EQ(scene->GetTransition(), gtToCity);
    EXPECT_EQ(GetGlobalVars().GetInt("city_start_state"), 4);
    EXPECT_EQ(GetGlobalVars().GetString("city_caller_scene"), "Game");
    EXPECT_EQ(g_User.GetPlayState(), upsToShop);
    EXPECT_EQ(GameOnDisk().play_state, upsToShop);
    EXPECT_TRUE(zftest::InOrder(logs.Text(), {"Start cross-state: crsFinishLevel", "Start cross-state: crsFinishToShop"}));
    EXPECT_FALSE(logs.Has("Cross logic fault"));
}

TEST_F(GameFinish, APromotionOffersItsPrizeAndTheBonusResourcesAreCredited)
{
    ASSERT_TRUE(initialized);
    // The score already reaches the next title; the title is taken at the level's end.
    g_User.Game().score = GetPromotions().Record(1).score;
    const int prize = GetPromotions().GetPrizeAmount(1);
    ASSERT_GT(prize, 0);
    ASSERT_TRUE(FinishFirstLevel());
    sound.Clear();
    Click(scene->GetStatisticsDialog(), "ID_OK");
    if (scene->GetStatisticsDialog().IsShown()) Click(scene->GetStatisticsDialog(), "ID_OK");
    ASSERT_TRUE(RunUntil([this] { return scene->GetPromotionDialog().IsShown(); }));
    EXPECT_EQ(g_User.GetTitleIndex(), 1);

    CPromotionDialog& promotion = scene->GetPromotionDialog();
    const char* resources = promotion.GetControl("ID_RESOURCE")->IsVisible() ? "ID_RESOURCE" : "ID_RESOURCE_CENTER";
    const int before = g_User.GetCollectAmount(rtMoney) + g_User.GetCollectAmount(rtStaff) + g_User.GetCollectAmount(rtFood);
    const LevelRecord& record = scene->GetField().GetLevelRecord();
    const int bonus_resource = record.bonus_res_amount;
    Click(promotion, resources);
    ASSERT_TRUE(RunUntil([this] { return scene->GetResourcesDialog().IsShown(); }));
    for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(record.offer_amounts[slot], prize) << slot;
    CBonusResourcesDialog& reels = scene->GetResourcesDialog();
    if (reels.GetControl("ID_GET")->IsVisible()) Click(reels, "ID_GET");
    ASSERT_TRUE(RunUntil([&reels] { return reels.GetControl("ID_OK")->IsVisible(); }, 600));
    Click(reels, "ID_OK");
    if (reels.IsShown()) Click(reels, "ID_OK");
    ASSERT_TRUE(Finished());
    EXPECT_EQ(scene->GetNextScene(), "City");

    int offered = 0;
    for (int slot = 0; slot < 3; ++slot) offered += record.offer_amounts[slot] * record.offer_multipliers[slot];
    const int after = g_User.GetCollectAmount(rtMoney) + g_User.GetCollectAmount(rtStaff) + g_User.GetCollectAmount(rtFood);
    EXPECT_EQ(after - before, offered + bonus_resource);
    EXPECT_EQ(GameOnDisk().title, 1);
    EXPECT_GE(sound.Count("PlaySample promotion"), 1u);
}

TEST_F(GameFinish, ABonusLevelChosenAsThePrizeIsNext)
{
    ASSERT_TRUE(initialized);
    g_User.Game().score = GetPromotions().Record(1).score;
    ASSERT_TRUE(FinishFirstLevel());
    // A bonus the player holds below its highest grade can be upgraded in a bonus level.
    ASSERT_TRUE(GetResCredits().Has(11));
    GetResCredits().SetAvailable(11, true);
    Click(scene->GetStatisticsDialog(), "ID_OK");
    if (scene->GetStatisticsDialog().IsShown()) Click(scene->GetStatisticsDialog(), "ID_OK");
    ASSERT_TRUE(RunUntil([this] { return scene->GetPromotionDialog().IsShown(); }));
    CPromotionDialog& promotion = scene->GetPromotionDialog();
    ASSERT_TRUE(promotion.GetControl("ID_BONUS")->IsVisible());
    Click(promotion, "ID_BONUS");
    ASSERT_TRUE(Finished());
    EXPECT_EQ(scene->GetNextScene(), "Game");
    EXPECT_EQ(scene->GetTransition(), gtLevelDone);
    EXPECT_EQ(g_User.GetPlayState(), upsNextBonus);
    EXPECT_EQ(GameOnDisk().play_state, upsNextBonus);
}

// The offer's multipliers: matching types multiply, limited by the number of available types.
TEST_F(GameFinish, MatchingTypesMultiplyTheOfferUpToTheAvailableTypes)
{
    ASSERT_TRUE(initialized);
    struct Case {
        int t[3];
        int available;   // types 1..available are available
        int m[3];
    } cases[] = {
        {{1, 1, 1}, 3, {3, 3, 3}}, {{1, 1, 2}, 3, {2, 2, 1}}, {{2, 1, 1}, 3, {1, 2, 2}},
        {{1, 2, 1}, 3, {2, 1, 2}}, {{1, 2, 3}, 3, {1, 1, 1}}, {{1, 1, 1}, 2, {2, 2, 2}},
        {{1, 1, 1}, 1, {1, 1, 1}},
    };
    EnterLevel(0);
    LevelRecord& record = scene->GetField().GetLevelRecord();
    for (const Case& c : cases) {
        for (int type = 1; type <= 3; ++type) GetResources().SetAvailable(type, type <= c.available);
        for (int slot = 0; slot < 3; ++slot) {
            record.offer_types[slot] = c.t[slot];
            record.offer_multipliers[slot] = 1;
        }
        const std::array<int, 3> m = scene->CountBonusResourceMatches();
        for (int slot = 0; slot < 3; ++slot) {
            EXPECT_EQ(m[size_t(slot)], c.m[slot]) << c.t[0] << c.t[1] << c.t[2] << " of " << c.available << ", slot " << slot;
            EXPECT_EQ(record.offer_multipliers[slot], c.m[slot]);
        }
    }
}

TEST_F(GameFinish, TheOfferDrawsOnlyAvailableTypesAndNothingWithoutAny)
{
    ASSERT_TRUE(initialized);
    EnterLevel(0);
    LevelRecord& record = scene->GetField().GetLevelRecord();
    const int prize = GetPromotions().GetPrizeAmount(g_User.GetTitleIndex());
    GetResources().SetAvailable(rtMoney, false);
    GetResources().SetAvailable(rtStaff, true);
    GetResources().SetAvailable(rtFood, false);
    scene->OfferBonusResources();
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_EQ(record.offer_types[slot], rtStaff);
        EXPECT_EQ(record.offer_amounts[slot], prize);
        EXPECT_EQ(scene->RerollBonusResource(slot), rtStaff);
    }
    zftest::LogWatch logs;
    GetResources().SetAvailable(rtStaff, false);
    scene->OfferBonusResources();
    for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(record.offer_amounts[slot], 0);
    EXPECT_TRUE(logs.Has("no resource is available"));
}

// What reaches the player at the end: the bonus resource and the offer times its multipliers; the
// people's gains were handed out when the level ended and are not counted twice.
TEST_F(GameFinish, TheLevelsGainsAreCreditedOnce)
{
    ASSERT_TRUE(initialized);
    EnterLevel(0);
    ASSERT_TRUE(Playing());
    for (int type = 1; type <= 3; ++type) GetResources().SetAvailable(type, true);
    LevelRecord& record = scene->GetField().GetLevelRecord();
    record.bonus_res_type = rtFood;
    record.bonus_res_amount = 7;
    record.people_gains = {{rtMoney, 50}, {11, 5}};
    const int offer_types[3] = {rtMoney, rtMoney, rtStaff};
    for (int slot = 0; slot < 3; ++slot) {
        record.offer_types[slot] = offer_types[slot];
        record.offer_amounts[slot] = 10;
    }
    scene->CountBonusResourceMatches();
    const int money = g_User.GetCollectAmount(rtMoney);
    const int staff = g_User.GetCollectAmount(rtStaff);
    const int food = g_User.GetCollectAmount(rtFood);
    const int dynamite = GetResCredits().GetAmount(11);
    scene->CreditLevelGains();
    EXPECT_EQ(g_User.GetCollectAmount(rtMoney) - money, 40);
    EXPECT_EQ(g_User.GetCollectAmount(rtStaff) - staff, 10);
    EXPECT_EQ(g_User.GetCollectAmount(rtFood) - food, 7);
    EXPECT_EQ(GetResCredits().GetAmount(11), dynamite);
    // The shown figures count up toward the new totals.
    EXPECT_EQ(int(scene->GetShownResource(rtMoney) + 0.5f), money);
    for (int i = 0; i < 60; ++i) scene->StepCounters();
    EXPECT_EQ(int(scene->GetShownResource(rtMoney) + 0.5f), money + 40);
}

TEST_F(GameFinish, TheGameOverIsOnDiskWhileItsDialogShows)
{
    ASSERT_TRUE(initialized);
    g_User.SetLives(1);
    g_User.Game().score = 1234;
    SaveUserProgress();
    EnterLevel(0);
    ASSERT_TRUE(Playing());
    for (int i = 0; i < 400 && !scene->GetGameOverDialog().IsShown(); ++i) {
        clock.Advance(1000 - kFrameMs);
        Frame();
    }
    ASSERT_TRUE(scene->GetGameOverDialog().IsShown());
    // The dialog shows the game that ended; the file already holds the new game that follows.
    EXPECT_EQ(g_User.Game().score, 1234);
    const CGameSlot stored = GameOnDisk();
    EXPECT_EQ(stored.score, 0);
    EXPECT_EQ(stored.lives, g_GameCfg.GetInt("start_lives"));
    EXPECT_EQ(stored.game_state, ugsNew);
}

} // namespace
