// The player data the shell and the field rely on: profiles on disk, score and lives, credits,
// and the play-state predicates.
#include "support/shell_test_util.h"

#include "engine/base/engine_filesys.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "player/player_profiles.h"
#include "player/player_resources.h"
#include "engine/base/engine_userfolder.h"

#include <gtest/gtest.h>

using namespace shell_test;

namespace {

std::string Scrambled(const std::string& text)
{
    std::string s = text;
    ScrambleBytes(reinterpret_cast<uint8_t*>(s.data()), static_cast<uint32_t>(s.size()));
    return s;
}

TEST(Profiles, SaveAndReadBackScrambled)
{
    TempDir dir;
    const std::string path = dir / "Profiles.xml";
    CProfiles profiles;
    EXPECT_FALSE(profiles.Load(path));
    EXPECT_TRUE(profiles.GetProfiles().empty());
    ASSERT_TRUE(profiles.AddProfile("Ann"));
    CGameSlot slot;
    slot.game_state = ugsPlaying;
    slot.play_state = upsLevelStarted;
    slot.episode = 1;
    slot.level = 2;
    slot.bonus_level = -1;
    slot.lives = 4;
    slot.score = 1234;
    profiles.GetProfile("Ann").SetGame(kCurrentGameSlot, slot);
    EXPECT_TRUE(profiles.SetActive("Ann"));
    ASSERT_TRUE(profiles.Save());
    const std::string raw = ReadTextFile(path);
    ASSERT_FALSE(raw.empty());
    EXPECT_NE(raw[0], '<');
    EXPECT_NE(Scrambled(raw).find("<Profiles"), std::string::npos);

    CProfiles reread;
    EXPECT_TRUE(reread.Load(path));
    EXPECT_EQ(reread.GetActiveName(), "Ann");
    const CGameSlot& back = reread.GetProfile("Ann").GetGame(kCurrentGameSlot);
    EXPECT_EQ(back.play_state, upsLevelStarted);
    EXPECT_EQ(back.episode, 1);
    EXPECT_EQ(back.level, 2);
    EXPECT_EQ(back.bonus_level, -1);
    EXPECT_EQ(back.lives, 4);
    EXPECT_EQ(back.score, 1234);
}

TEST(Profiles, PlainFileIsReadAndSavedScrambled)
{
    TempDir dir;
    const std::string path = dir / "Profiles.xml";
    // A plain (unscrambled) file is read as it is.
    WriteText(path, "<Profiles active_user=\"Bo\"><Profile name=\"Bo\" w_param_1=\"777\"><Shown_hints><Hint type=\"3\" "
                    "show=\"1\"/></Shown_hints><Game alias=\"current_game\" level=\"1\" epoch=\"2\"><City><Construction "
                    "id=\"5\" bought=\"1\"/></City></Game><Game alias=\"best_game\" level=\"9\"/></Profile></Profiles>");
    CProfiles profiles;
    ASSERT_TRUE(profiles.Load(path));
    ASSERT_TRUE(profiles.HasProfile("Bo"));
    CGameSlot game = profiles.GetProfile("Bo").GetGame(kCurrentGameSlot);
    game.level = 2;
    profiles.GetProfile("Bo").SetGame(kCurrentGameSlot, game);
    ASSERT_TRUE(profiles.Save());
    const std::string text = Scrambled(ReadTextFile(path));
    for (const char* kept : {"w_param_1=\"777\"", "<Hint type=\"3\" show=\"1\"", "<Construction id=\"5\" bought=\"1\"",
                             "alias=\"best_game\""})
        EXPECT_NE(text.find(kept), std::string::npos) << kept << "\n" << text;
    CProfiles reread;
    reread.Load(path);
    EXPECT_EQ(reread.GetProfile("Bo").GetGame(kCurrentGameSlot).level, 2);
    EXPECT_EQ(reread.GetProfile("Bo").GetGame(kCurrentGameSlot).epoch, 2);
    EXPECT_EQ(reread.GetProfile("Bo").GetGame(kBestGameSlot).level, 9);
}

TEST(Profiles, DamagedFileIsKeptAside)
{
    TempDir dir;
    const std::string path = dir / "Profiles.xml";
    const std::string damaged = Scrambled("<Profiles><Profile name=\"Cy\"");
    WriteText(path, damaged);
    CProfiles profiles;
    LogWatch mark;
    EXPECT_FALSE(profiles.Load(path));
    EXPECT_TRUE(profiles.GetProfiles().empty());
    EXPECT_NE(mark.Text().find("cannot be read"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(ReadTextFile(path + ".bad-1"), damaged);
    try {
        profiles.GetProfile("Cy");
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "verify {pos != _profiles.end()} failed");
    }
}

TEST(Profiles, EntryWithAnActiveNameWithoutProfileTakesTheFirstProfile)
{
    ResetGlobals();
    GameFolder folder(EpisodesXml({{1, 1}}));
    const std::string path = GetUserDataFolder() + "Profiles.xml";
    WriteText(path, "<Profiles active_user=\"Ghost\"><Profile name=\"Ann\"/></Profiles>");
    ScriptedScenes scenes;
    CAppGame app(scenes.Set());
    LogWatch mark;
    app.LoadPlayerData();
    EXPECT_NE(mark.Text().find("Active user profile not found."), std::string::npos);
    EXPECT_EQ(g_User.GetName(), "Ann");
    std::filesystem::remove(path);
    g_Profiles.Load();
    g_User = CUser();
}

TEST(User, ExtraLivesTable)
{
    struct Row { int score_for_life, start, points, lives_gained, score; };
    const Row rows[] = {
        {20000, 19999, 1, 1, 20000}, {20000, 0, 60000, 3, 60000}, {20000, 39000, 42000, 3, 81000},
        {20000, 45000, -10000, 0, 35000}, {20000, 100, 0, 0, 100}, {-5, 0, 50000, 0, 50000},
    };
    CVariableRegistry cfg;
    cfg.Register("start_lives", 3);
    cfg.Register("score_for_life", 0);
    SetUserGameConfig(&cfg);
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.start << " + " << r.points << " per " << r.score_for_life);
        cfg.SetInt("score_for_life", r.score_for_life);
        CUser user;
        user.NewGame();
        user.AddScore(r.start);
        const int lives = user.GetLives();
        const int pending = user.GetPendingScore();
        user.AddScore(r.points);
        EXPECT_EQ(user.GetLives() - lives, r.lives_gained);
        EXPECT_EQ(user.GetScore(), r.score);
        EXPECT_EQ(user.GetPendingScore() - pending, r.points);
        if (r.lives_gained > 0) {
            EXPECT_EQ(user.GetLastLivesGain(), r.lives_gained);
        }
    }
    // No game runs with no points per life.
    cfg.SetInt("score_for_life", 0);
    CUser user;
    EXPECT_THROW(user.NewGame(), std::runtime_error);
    SetUserGameConfig(nullptr);
}

TEST(User, PlayStatePredicates)
{
    for (int ups = upsNone; ups <= upsToShop; ++ups) {
        CGameSlot slot;
        slot.play_state = ups;
        EXPECT_EQ(slot.IsInLevel(), ups >= 2 && ups <= 4) << ups;
        EXPECT_EQ(slot.IsInBonusLevel(), ups >= 6 && ups <= 8) << ups;
        EXPECT_EQ(slot.HasSavedLevel(), ups == 3 || ups == 4) << ups;
        EXPECT_EQ(slot.HasSavedBonusLevel(), ups == 7 || ups == 8) << ups;
    }
    CVariableRegistry cfg;
    cfg.Register("start_lives", 3);
    cfg.Register("score_for_life", 20000);
    SetUserGameConfig(&cfg);
    CUser user;
    user.NewGame();
    SetUserGameConfig(nullptr);
    EXPECT_EQ(user.GetGameState(), ugsNew);
    EXPECT_EQ(user.GetLevel(), -1);
    EXPECT_EQ(user.GetBonusLevel(), -1);
    EXPECT_EQ(user.Game().alias, kCurrentGameSlot);
    EXPECT_EQ(GetEpochStartSlot(6), "epoch_start_7");
    EXPECT_THROW(GetEpochStartSlot(7), std::runtime_error);
}

TEST(Credits, GradesConsumeAndGiveBack)
{
    g_User = CUser();
    CResCredits credits;
    const std::string xml = "<Bonus><ResCredit type=\"11\"/></Bonus>";
    CXMLFile file;
    ASSERT_TRUE(file.LoadXml(std::vector<uint8_t>(xml.begin(), xml.end())));
    credits.LoadCredit(file.SelectSingleNode("//Bonus"));
    credits.Add(11, 250);
    EXPECT_EQ(credits.GetGrade(11), 1);
    EXPECT_EQ(credits.GetAmount(11), 250);
    EXPECT_TRUE(credits.GetState(11).active);
    EXPECT_EQ(g_User.Game().bonus.at(11), 250);

    const int grade = credits.Consume(11);
    EXPECT_EQ(grade, 1);
    EXPECT_EQ(credits.GetAmount(11), 0);
    credits.Downgrade(11, grade);
    EXPECT_EQ(credits.GetAmount(11), 250);
    EXPECT_EQ(credits.GetGrade(11), 1);

    credits.Add(11, 5000);
    EXPECT_EQ(credits.GetGrade(11), 4);
    EXPECT_EQ(credits.GetAmount(11), 1600);

    credits.Add(12, 100);   // no record: nothing, not mirrored
    EXPECT_EQ(credits.GetGrade(12), 0);
    EXPECT_EQ(g_User.Game().bonus.count(12), 0u);

    credits.SetAvailable(11, true);
    std::list<int> upgradable;
    credits.GetUpgradable(upgradable);
    EXPECT_TRUE(upgradable.empty());   // grade 4 is the top

    CResources resources;
    resources.SetAvailable(rtFood, true);
    resources.Add(rtMoney, 30);
    std::list<int> types;
    resources.GetAvailableTypes(types);
    EXPECT_EQ(types, (std::list<int>{rtMoney, rtFood}));
    EXPECT_EQ(g_User.Game().collect.at(rtMoney), 30);
}

} // namespace

namespace {

TEST(Credits, ReadFromTheBallsFile)
{
    const std::string xml = "<Balls><Bonus><ResCredit type=\"13\"/><Grade id=\"1\" start_at_amount=\"50\"/>"
                            "<Grade id=\"0\" start_at_amount=\"7\"/><Grade id=\"5\" start_at_amount=\"9\"/>"
                            "<Grade id=\"2\" start_at_amount=\"120\"/></Bonus><Bonus/></Balls>";
    CXMLFile file;
    ASSERT_TRUE(file.LoadXml(std::vector<uint8_t>(xml.begin(), xml.end())));
    CXMLNodeList bonuses = file.SelectNodes("//Balls/Bonus");
    CResCredits credits;
    EXPECT_EQ(credits.LoadCredit(bonuses.GetItem(0)), 13);
    EXPECT_EQ(credits.LoadCredit(bonuses.GetItem(1)), 0);   // no ResCredit: type 0
    credits.Add(13, 60);
    EXPECT_EQ(credits.GetGrade(13), 1);
    credits.Add(13, 60);
    EXPECT_EQ(credits.GetGrade(13), 2);   // 120 from the file; ids 0 and 5 ignored
    EXPECT_EQ(credits.GetAmount(13), 120);
}

} // namespace
