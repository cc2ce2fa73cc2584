// The game scene on the shipped game folder, the real engine core on the software renderer, a fake
// mouse and keyboard and a settable clock: levels are started, played with real chains, paused,
// lost and left, frame by frame, and checked against what a player would see.
#include "game_scene_fixture.h"

#include "game/game_hints.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

using namespace gamescene;

TEST_F(GameScene, ALevelStartsAppearsAndIsPlayed)
{
    ASSERT_TRUE(initialized);
    zftest::LogWatch logs;
    EnterLevel(0);
    EXPECT_EQ(scene->GetCrossState(), gcsStartLevel);
    EXPECT_TRUE(scene->IsLevelStarting());
    ASSERT_TRUE(Playing()) << "state " << scene->GetState() << " cross " << scene->GetCrossState() << "\n"
                           << logs.Text();
    EXPECT_EQ(g_User.GetPlayState(), upsLevelStarted);
    EXPECT_TRUE(scene->GetTopPanel().IsShown());
    EXPECT_TRUE(scene->GetTimerPanel().IsShown());
    EXPECT_TRUE(scene->GetBonusPanel().IsShown());
    EXPECT_FALSE(scene->GetMoverPanel().IsVisible());
    EXPECT_TRUE(scene->GetField().IsFieldShown());
}

} // namespace

namespace {

TEST_F(GameScene, ABonusPickedOnThePanelStrikesTheField)
{
    ASSERT_TRUE(initialized);
    // A start of the fourth level (one bonus type drawn from three) that offers a bonus with a
    // strike on a cell: dynamite or lightning.
    int type = 0;
    for (uint32_t seed = 1; seed < 40 && type == 0; ++seed) {
        RandomSeed(seed);
        EnterLevel(3);
        for (int t : {11, 13})
            if (type == 0 && GetResCredits().IsAvailable(t)) type = t;
        if (type == 0) scene->Leave();
    }
    ASSERT_NE(type, 0);
    ASSERT_TRUE(Playing());
    GetResCredits().Add(type, 10);
    ASSERT_EQ(GetResCredits().GetGrade(type), 1);
    Frame();
    const GamePoint icon = scene->GetBonusPanel().GetBonusIconPos(type);
    auto click = [this](float x, float y) {
        mouse_x = int(x);
        mouse_y = int(y);
        mouse_down = true;
        Frame();
        mouse_down = false;
        Frame();
    };
    click(icon.x, icon.y + 12.0f);
    EXPECT_TRUE(scene->GetField().IsBonusArmed());
    EXPECT_EQ(GetResCredits().GetGrade(type), 0);
    float x = 0.0f, y = 0.0f;
    int target = -1;
    for (int cell = 0; cell < g_LevelCfg.GetCellCount() && target < 0; ++cell)
        if (scene->GetField().HasPlayableBall(cell)) target = cell;
    ASSERT_TRUE(g_LevelCfg.CellToScreenCenter(target, x, y));
    const int tiles_broken = scene->GetField().GetLevelRecord().n_puzzles_broke;
    click(x, y);
    // The dynamite goes off at once: the bonus is used, the cells around the target are hit
    // (breaking the tiles under them) and the field settles again.
    EXPECT_FALSE(scene->GetField().IsBonusArmed());
    ASSERT_EQ(scene->GetField().GetLevelRecord().bonus_use.size(), 1u);
    EXPECT_EQ(scene->GetField().GetLevelRecord().bonus_use.front().type, type == 11 ? 1 : 3);
    ASSERT_TRUE(RunUntil([this] { return scene->GetField().IsIdle() && !scene->GetField().IsRefillPending(); }));
    EXPECT_GT(scene->GetField().GetLevelRecord().n_puzzles_broke, tiles_broken);
    EXPECT_EQ(scene->GetState(), gssPlaying);
}

} // namespace

namespace {

TEST_F(GameScene, ThePauseIsLeftForTheMenuThroughTheConfirmation)
{
    ASSERT_TRUE(initialized);
    EnterLevel(0);
    ASSERT_TRUE(Playing());
    Key(kVkEscape);
    ASSERT_TRUE(RunUntil([this] { return scene->GetState() == gssPaused; }));
    EXPECT_TRUE(scene->GetPauseDialog().IsShown());
    EXPECT_FALSE(scene->GetTopPanel().IsShown());
    auto click = [this](CBaseDialog& dialog, const char* id) {
        const CBaseControlPtr c = dialog.GetControl(id);
        mouse_x = int(c->GetX() + c->GetWidth() / 2);
        mouse_y = int(c->GetY() + c->GetHeight() / 2);
        Frame();
        mouse_down = true;
        Frame();
        mouse_down = false;
        Frame();
    };
    click(scene->GetPauseDialog(), "ID_MENU");
    ASSERT_TRUE(RunUntil([this] { return scene->GetPauseDialog().GetLeaveDialog().IsShown(); }, 300));
    // Escape does not close the pause while the confirmation is up.
    click(scene->GetPauseDialog().GetLeaveDialog(), "ID_LEAVE");
    ASSERT_TRUE(RunUntil([this] { return scene->GetResult() == srNextScene; }, 600));
    EXPECT_EQ(scene->GetNextScene(), "Menu");
    EXPECT_EQ(scene->GetTransition(), gtGameLeft);
}

} // namespace

namespace {

class GameDeath : public GameScene {
protected:
    // Frames a second apart until the time bar has run out and the scene starts to die.
    bool RunOutOfTime()
    {
        for (int i = 0; i < 400; ++i) {
            if (scene->GetCrossState() == gcsDie || scene->GetCrossState() == gcsLivesOut) return true;
            clock.Advance(1000 - kFrameMs);
            Frame();
        }
        return false;
    }
};

TEST_F(GameDeath, TheTimeRunningOutCostsALifeAndTheLevelStartsAgain)
{
    ASSERT_TRUE(initialized);
    g_User.SetLives(3);
    EnterLevel(0);
    ASSERT_TRUE(Playing());
    UsePlayer();
    ASSERT_TRUE(RunUntil([this] { return scene->GetField().GetLevelRecord().n_chains >= 1 && scene->GetField().IsIdle(); }));
    player.reset();
    const int tiles_left = scene->GetField().GetLevelRecord().n_puzzles_broke;
    ASSERT_GT(tiles_left, 0);
    zftest::LogWatch logs;
    sound.Clear();
    ASSERT_TRUE(RunOutOfTime());
    EXPECT_EQ(g_User.GetLives(), 2);
    EXPECT_EQ(g_User.GetPlayState(), upsLevelLoaded);
    EXPECT_EQ(sound.Count("PlaySample lives_down"), 1u);
    EXPECT_EQ(sound.Count("PlaySample lives_up"), 0u);
    // "2 lives left" flashes, then the same level starts again from its beginning.
    ASSERT_TRUE(RunUntil([this] { return scene->GetFlashingMessage().IsActive(); }));
    EXPECT_EQ(scene->GetFlashingMessage().GetHold(), 100);
    ASSERT_TRUE(Playing());
    EXPECT_EQ(scene->GetField().GetLevelRecord().n_puzzles_broke, 0);
    EXPECT_EQ(scene->GetField().GetLevelRecord().n_lives_loss, 1);
    EXPECT_TRUE(zftest::InOrder(logs.Text(), {"Start cross-state: crsDie", "Start cross-state: crsStartLevel",
                                      "Changing game state: ssDefault"}));
    // A pause right after the new start opens.
    Key(kVkEscape);
    ASSERT_TRUE(RunUntil([this] { return scene->GetState() == gssPaused; }, 600));
}

TEST_F(GameDeath, TheLastLifeLostEndsInTheGameOverAndTheEpochSelector)
{
    ASSERT_TRUE(initialized);
    g_User.SetLives(1);
    EnterLevel(0);
    ASSERT_TRUE(Playing());
    zftest::LogWatch logs;
    sound.Clear();
    ASSERT_TRUE(RunOutOfTime());
    EXPECT_EQ(g_User.GetLives(), 0);
    EXPECT_EQ(sound.Count("PlaySample lives_down"), 1u);
    ASSERT_TRUE(RunUntil([this] { return scene->GetGameOverDialog().IsShown(); }));
    EXPECT_FALSE(scene->GetFlashingMessage().IsActive());   // no "last life" for a game that is over
    Click(scene->GetGameOverDialog(), "ID_OK");
    ASSERT_TRUE(RunUntil([this] { return scene->GetResult() == srNextScene; }, 600));
    EXPECT_EQ(scene->GetNextScene(), "Selector");
    EXPECT_EQ(scene->GetTransition(), gtLivesOut);
    // The first epoch starts a new game.
    EXPECT_EQ(g_User.GetLives(), 3);
    EXPECT_TRUE(zftest::InOrder(logs.Text(), {"Start cross-state: crsDie", "Start cross-state: crsLivesOut"}));
}

} // namespace

namespace {

// The keys of the play states: each row starts from play, presses the keys in turn (letting the
// scene settle after each) and expects the state the scene rests in.
TEST_F(GameScene, EscapeAndF1MoveBetweenPlayPauseAndHelp)
{
    ASSERT_TRUE(initialized);
    struct Case {
        std::vector<int> keys;
        int state;
    };
    const Case cases[] = {
        {{kVkEscape}, gssPaused},
        {{kVkEscape, kVkEscape}, gssPlaying},
        {{kVkF1}, gssHelpShown},
        {{kVkF1, kVkF1}, gssPlaying},
        {{kVkF1, kVkEscape}, gssPlaying},
        {{kVkEscape, kVkF1}, gssHelpShown},
        {{kVkEscape, kVkF1, kVkF1}, gssPlaying},
    };
    EnterLevel(0);
    ASSERT_TRUE(Playing());
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "keys " << c.keys.size() << " ending " << c.keys.back());
        for (int key : c.keys) {
            Key(key);
            RunUntil([this] { return scene->GetCrossState() == 0 && scene->GetState() != gssCrossState; }, 600);
            // Let dialogs finish their slides before the next key, as a player would wait.
            for (int i = 0; i < 60; ++i) Frame();
        }
        EXPECT_EQ(scene->GetState(), c.state);
        // Back to play for the next row.
        if (scene->GetState() != gssPlaying) Key(kVkEscape);
        ASSERT_TRUE(Playing());
    }
    // A pause is refused while the scene is still starting: Escape during the level's start does nothing.
    scene->Leave();
    EnterLevel(0);
    Key(kVkEscape);
    EXPECT_EQ(scene->GetCrossState(), gcsStartLevel);
    ASSERT_TRUE(Playing());
    for (int i = 0; i < 30; ++i) Frame();
    EXPECT_EQ(scene->GetState(), gssPlaying);
}

} // namespace

namespace {

// A chain's gains reach the top panel's figures through the winders: they count up over fifty
// frames to what the player holds, and the indicators' game values show the counted figure.
TEST_F(GameScene, TheShownScoreAndResourcesCountUpToThePlayersAfterAChain)
{
    ASSERT_TRUE(initialized);
    EnterLevel(0);
    ASSERT_TRUE(Playing());
    UsePlayer();
    ASSERT_TRUE(RunUntil([this] { return g_User.GetScore() > 0; }));
    player.reset();
    const int score = g_User.GetScore();
    AGameValue* shown = CGameValuesStorage::Instance().GetValue("VAL_SCORE");
    // Mid-way the figure is on its way, not yet there.
    Frame();
    shown->Update();
    EXPECT_LT(shown->GetValue().GetInt(), score);
    ASSERT_TRUE(RunUntil([&] { return scene->GetShownScore() == float(g_User.GetScore()); }, 200));
    shown->Update();
    EXPECT_EQ(shown->GetValue().GetInt(), g_User.GetScore());
    EXPECT_GE(g_User.GetScore(), score);
    int held = 0;
    float counted = 0.0f;
    for (int type = 1; type <= 3; ++type) {
        held += g_User.GetCollectAmount(type);
        counted += scene->GetShownResource(type);
    }
    EXPECT_GT(held, 0);
    EXPECT_EQ(counted, float(held));
}

} // namespace

namespace {

// The house button takes the player to the city in mid-level; coming back goes on with the same
// level, its field and its score, without starting it again.
TEST_F(GameScene, TheCityVisitInMidLevelKeepsTheLevel)
{
    ASSERT_TRUE(initialized);
    EnterLevel(0);
    ASSERT_TRUE(Playing());
    UsePlayer();
    ASSERT_TRUE(RunUntil([this] { return scene->GetField().GetLevelRecord().n_chains >= 1 && scene->GetField().IsIdle(); }));
    player.reset();
    const int broken = scene->GetField().GetLevelRecord().n_puzzles_broke;
    scene->GetTopPanel().SetResult(5);   // what the "ID_RELAX" button leaves
    ASSERT_TRUE(RunUntil([this] { return scene->GetResult() == srNextScene; }, 600));
    EXPECT_EQ(scene->GetNextScene(), "City");
    EXPECT_EQ(scene->GetTransition(), gtToRelax);
    EXPECT_EQ(GetGlobalVars().GetInt("city_start_state"), 3);
    EXPECT_EQ(GetGlobalVars().GetString("city_caller_scene"), "Game");
    EXPECT_TRUE(scene->IsLevelKept());
    scene->Leave();
    EXPECT_TRUE(scene->IsLevelLoaded());

    zftest::LogWatch logs;
    scene->SetResult(srRunning);
    scene->Enter();
    ASSERT_TRUE(Playing());
    EXPECT_FALSE(logs.Has("Initializing level"));
    EXPECT_EQ(scene->GetField().GetLevelRecord().n_puzzles_broke, broken);
}

} // namespace

namespace {

using namespace gamescene;

// A new player's first level: the first-move hint is asked for at the start, comes up at a move
// once the field is idle, takes no input from the field while it shows, and Return closes it for
// good; the next hint waits the closed hint's delay. A hint put away by the scene is not seen.
TEST_F(GameScene, TheFirstMoveHintIsShownAtAMoveAndClosedForGood)
{
    ASSERT_TRUE(initialized);
    g_User.Settings().not_show_hints = false;
    g_User.Settings().pass_smart_test = false;
    scene->FilterHints(g_User);
    CHintsManager& hints = GetHintsManager();
    zftest::LogWatch logs;
    EnterLevel(0);
    ASSERT_TRUE(Playing());
    ASSERT_FALSE(hints.GetPending().empty());
    EXPECT_EQ(hints.GetPending().front(), 100);
    ASSERT_TRUE(RunUntil([this] { return scene->GetState() == gssHintShown; }, 300)) << logs.Text();
    EXPECT_EQ(hints.GetActiveId(), 100);
    EXPECT_TRUE(logs.Has("Changing game state: ssHint"));
    EXPECT_FALSE(scene->GetTopPanel().IsModal());

    // Escape puts the hint away unseen.
    Key(kVkEscape);
    ASSERT_TRUE(Playing());
    EXPECT_FALSE(hints.IsActive());
    EXPECT_FALSE(g_User.IsHintShown(100));

    // It comes again while the player has made no chain (after the other hints of the level's
    // start, which wait for a first chain, are passed over); Return closes it for good.
    ASSERT_TRUE(RunUntil([this, &hints] { return scene->GetState() == gssHintShown && hints.GetActiveId() == 100; }, 3000))
        << logs.Text();
    Key(kVkReturn);
    Frame();
    EXPECT_FALSE(hints.IsActive());
    EXPECT_TRUE(g_User.IsHintShown(100));
    ASSERT_TRUE(Playing());

    // A later start of the profile no longer lists it.
    scene->FilterHints(g_User);
    const std::vector<int>& to_show = hints.GetToShow();
    EXPECT_EQ(std::find(to_show.begin(), to_show.end(), 100), to_show.end());
}

} // namespace
