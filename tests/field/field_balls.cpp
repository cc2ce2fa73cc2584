// The balls layer on a small hand-made level: cells, balls, locks, boxes and walls as loaded; hits
// in their order; ball states and their effects; type and image changes; the mixer's moves; saving
// and restoring; damaged level files.
#include "field_test_util.h"

#include "field/balls/field_balls.h"

#include "engine/sound/engine_soundqueue.h"
#include "support/recording_sound_keeper.h"

#include <filesystem>
#include <functional>
#include <stdexcept>

using namespace fieldtest;

namespace {

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

class BallsField : public FieldFixture {
protected:
    void Load(const std::string& path = "Levels/Small.xml") { balls.LoadLevel(OpenLevel(path), info); }
    void LoadText(const std::string& text) { balls.LoadLevel(LevelFromText(text), info); }
    const GraphObjState* WallLook(int cell) const
    {
        const FieldCell* c = balls.GetCell(cell);
        return c && c->_wall_obj ? c->_wall_obj->GetState() : nullptr;
    }
    const GraphObjState* Look(EGraphBase base, int type) { return GetGraphBase(base).GetState(type, gosDefault); }

    CBallsField balls;
    LevelFieldInfo info;
};

TEST_F(BallsField, LoadsCellsBallsLocksBoxesAndWalls)
{
    Load();
    std::vector<BallTypeEntryPtr> types;
    balls.ListLevelTypes(types);
    std::vector<int> graph_types;
    for (const auto& t : types) graph_types.push_back(t->graph_type);
    EXPECT_EQ(graph_types, (std::vector<int>{1, 2, 3, 4, 50, 60}));
    EXPECT_EQ(balls.GetMultiballType(), 50);
    EXPECT_EQ(balls.GetFinisherType(), 60);
    EXPECT_EQ(balls.GetLevelType(6), nullptr);

    const struct {
        int cell, state;
        bool usable;
        int ball, lock, box, wall;
    } cells[] = {
        {0, csEmpty, true, 0, 0, 0, 0},   {1, csBall, true, 1, 1, 0, 0},    {2, csBall, true, 2, 0, 1, 0},
        {3, csBall, true, 3, 2, 2, 0},    {4, csBall, false, 2, 0, 0, 1},   {5, csEmpty, false, 0, 0, 0, 2},
        {6, csEmpty, false, 0, 0, 0, 0},  {7, csEmpty, true, 0, 0, 0, 0},   {8, csBall, true, 60, 0, 0, 0},
        {9, csBall, true, 4, 2, 0, 0},    {10, csEmpty, true, 0, 0, 0, 0},  {11, csInactive, false, 0, 0, 0, 0},
    };
    for (const auto& c : cells) {
        EXPECT_EQ(balls.GetCellState(c.cell), c.state) << c.cell;
        EXPECT_EQ(balls.IsUsable(c.cell), c.usable) << c.cell;
        EXPECT_EQ(balls.IsClosed(c.cell), !c.usable) << c.cell;
        EXPECT_EQ(balls.GetBallType(c.cell), c.ball) << c.cell;
        EXPECT_EQ(balls.HasBall(c.cell), c.ball != 0) << c.cell;
        EXPECT_EQ(balls.GetLockLevel(c.cell), c.lock) << c.cell;
        EXPECT_EQ(balls.GetBoxLevel(c.cell), c.box) << c.cell;
        EXPECT_EQ(balls.GetWallLevel(c.cell), c.wall) << c.cell;
    }
    EXPECT_TRUE(balls.IsFinisher(8));
    EXPECT_TRUE(balls.HasUsableBall(1));
    EXPECT_FALSE(balls.HasUsableBall(4));
    EXPECT_TRUE(balls.IsFieldCell(6));
    EXPECT_FALSE(balls.IsFieldCell(11));

    // A box hides its ball and lock, a wall hides all of its ball.
    const FieldCell* boxed = balls.GetCell(3);
    EXPECT_FALSE(boxed->ball->_graph_obj->IsVisible());
    EXPECT_FALSE(boxed->ball->_lock_obj->IsVisible());
    EXPECT_TRUE(boxed->ball->_box_obj->IsVisible());
    EXPECT_FALSE(balls.GetCell(4)->ball->_graph_obj->IsVisible());
    EXPECT_TRUE(balls.GetCell(1)->ball->_graph_obj->IsVisible());
    // The double wall shows the top of its family (graph type 3); balls sit on their cells.
    EXPECT_EQ(WallLook(5), Look(gbWalls, 3));
    EXPECT_FLOAT_EQ(balls.GetCell(9)->ball->_graph_obj->GetX(), 4 + 12);
    EXPECT_FLOAT_EQ(balls.GetCell(9)->ball->_graph_obj->GetY(), 4 + 24);

    EXPECT_EQ(info.n_finishers, 1);
    EXPECT_TRUE(info.was_finishers);
    EXPECT_TRUE(info.was_locks && info.was_double_locks);
    EXPECT_TRUE(info.was_boxes && info.was_double_boxes);
    EXPECT_TRUE(info.was_walls && info.was_double_walls);
    EXPECT_FALSE(info.was_triple_walls);
    EXPECT_TRUE(info.was_disable_areas);
}

TEST_F(BallsField, CellsOutsideTheFieldAnswerSoundly)
{
    Load();
    for (int cell : {-1, 12, 1000}) {
        EXPECT_FALSE(balls.HasBall(cell));
        EXPECT_TRUE(balls.IsAtRest(cell));
        EXPECT_TRUE(balls.IsClosed(cell));
        EXPECT_FALSE(balls.IsUsable(cell));
        EXPECT_EQ(balls.GetWallLevel(cell), 0);
        EXPECT_EQ(ErrorOf([&] { balls.GetBallType(cell); }), "verify {g_LevelCfg.InField(cell_index)} failed");
        EXPECT_THROW(balls.GetBallGraphState(cell), std::runtime_error);
        EXPECT_THROW(balls.HitLock(cell), std::runtime_error);
        EXPECT_THROW(balls.RemoveBall(cell), std::runtime_error);
        balls.HitWall(cell);
        balls.EnableCell(cell);
    }
    EXPECT_EQ(balls.GetBallGraphState(0), -1);
    EXPECT_EQ(ErrorOf([&] { balls.HitBox(0); }), "verify {HasBall(cell_index)} failed");
    EXPECT_EQ(ErrorOf([&] { balls.SetBallState(7, gosDead); }), "verify {HasBall(cell_index)} failed");
}

TEST_F(BallsField, HitsPeelBoxesThenLocksAndWallsOneLevelEach)
{
    Load();
    const FieldCell* c = balls.GetCell(3);
    balls.HitBox(3);
    EXPECT_EQ(balls.GetBoxLevel(3), 1);
    EXPECT_FALSE(c->ball->_graph_obj->IsVisible());
    balls.HitBox(3);
    EXPECT_EQ(balls.GetBoxLevel(3), 0);
    EXPECT_TRUE(c->ball->_graph_obj->IsVisible());
    EXPECT_TRUE(c->ball->_lock_obj->IsVisible());
    balls.HitBox(3);   // nothing left to hit
    balls.HitLock(3);
    balls.HitLock(3);
    EXPECT_FALSE(balls.IsLocked(3));
    EXPECT_EQ(c->ball->_lock_obj, nullptr);
    EXPECT_EQ(balls.GetCellState(3), csBall);

    // The explosions of each level, at the cell's centre.
    ASSERT_EQ(scene.Aliases(), (std::vector<std::string>{"box_break2", "box_break1", "lock_break2", "lock_break1"}));
    EXPECT_FLOAT_EQ(scene.explosions[0].x, 4 + 3 * 12 + 6);
    EXPECT_FLOAT_EQ(scene.explosions[0].y, 4 + 6);

    // The double wall shows 3, then 2, then nothing; the cell opens only when enabled.
    scene.explosions.clear();
    balls.HitWall(5);
    EXPECT_EQ(WallLook(5), Look(gbWalls, 2));
    balls.HitWall(5);
    EXPECT_EQ(WallLook(5), nullptr);
    EXPECT_EQ(scene.Aliases(), (std::vector<std::string>{"wall_break3", "wall_break2"}));
    EXPECT_FALSE(balls.IsUsable(5));
    balls.EnableCell(5);
    EXPECT_TRUE(balls.IsUsable(5));

    // The single wall hides a ball until it goes.
    balls.HitWall(4);
    EXPECT_TRUE(balls.GetCell(4)->ball->_graph_obj->IsVisible());
    EXPECT_FALSE(balls.HasUsableBall(4));
    balls.EnableCell(4);
    EXPECT_TRUE(balls.HasUsableBall(4));
    // A disabled cell without a wall is opened the same way.
    balls.EnableCell(6);
    EXPECT_TRUE(balls.IsUsable(6));
    balls.EnableCell(11);
    EXPECT_FALSE(balls.IsUsable(11));
}

TEST_F(BallsField, ATripleWallHidesItsBoxedBallUntilEverythingIsBroken)
{
    LoadText(R"(<Level><Config field_width="2" field_height="1" allow_ball_types="4" allow_bonus_types="0"/>
        <Field><Cell x="0" y="0" active="1" wall="5"/><Cell x="1" y="0" active="1"/></Field>
        <Balls><Cell x="0" y="0" lock="3" box="3"><Ball graph_type="1"/></Cell></Balls></Level>)");
    EXPECT_EQ(balls.GetWallLevel(0), 3);
    EXPECT_TRUE(info.was_triple_walls);
    EXPECT_EQ(balls.GetLockLevel(0), 2);
    EXPECT_EQ(balls.GetBoxLevel(0), 2);
    const FieldCell* c = balls.GetCell(0);
    EXPECT_FALSE(c->ball->_box_obj->IsVisible());
    for (int type : {6, 5, 4}) {
        EXPECT_EQ(WallLook(0), Look(gbWalls, type));
        balls.HitWall(0);
    }
    EXPECT_EQ(balls.GetWallLevel(0), 0);
    // The wall is gone: the box shows, the ball and its lock stay under it.
    EXPECT_TRUE(c->ball->_box_obj->IsVisible());
    EXPECT_FALSE(c->ball->_graph_obj->IsVisible());
    balls.HitBox(0);
    balls.HitBox(0);
    EXPECT_TRUE(c->ball->_graph_obj->IsVisible());
    EXPECT_TRUE(c->ball->_lock_obj->IsVisible());
}

TEST_F(BallsField, BallStatesRunTheirEffectsSoundsAndExplosions)
{
    Load();
    CRecordingSoundKeeper sounds;
    ISoundKeeper* previous = g_SoundKeeper;
    g_SoundKeeper = &sounds;
    const int running = CEffectCounter::GetCount();

    balls.SetBallState(8, gosCreate);
    EXPECT_EQ(balls.GetCellState(8), csBusy);
    EXPECT_EQ(balls.GetBallGraphState(8), gosCreate);
    EXPECT_EQ(balls.GetCell(8)->ball->_graph_obj->GetAlpha(), 0u);
    EXPECT_TRUE(balls.HasBallInGraphState(gosCreate));
    balls.SetBallState(9, gosDead);
    EXPECT_EQ(scene.Aliases(), (std::vector<std::string>{"ball_dead"}));
    EXPECT_FLOAT_EQ(scene.explosions[0].x, 4 + 12 + 6);
    EXPECT_EQ(CEffectCounter::GetCount(), running + 2);
    g_SoundQueue.Update();
    EXPECT_EQ(sounds.Calls("PlaySample"), (std::vector<std::string>{"PlaySample ball_pop"}));

    // The grow time is 4 updates in the fixture's configuration.
    for (int i = 0; i < 4; ++i) balls.Render();
    EXPECT_EQ(CEffectCounter::GetCount(), running);
    EXPECT_EQ(balls.GetCell(8)->ball->_graph_obj->GetAlpha(), 255u);
    EXPECT_FLOAT_EQ(balls.GetCell(9)->ball->_graph_obj->GetWidth(), 1.0f);
    balls.SetBallState(8, gosDefault);
    EXPECT_EQ(balls.GetCellState(8), csBall);
    balls.SetBallState(8, gosMove);
    EXPECT_EQ(balls.GetCellState(8), csMoving);
    EXPECT_TRUE(balls.HasMovingBall(8));

    balls.SetBallState(2, gosExplosion);
    balls.FinishEffects();
    EXPECT_EQ(CEffectCounter::GetCount(), running);

    balls.RemoveBall(9);
    EXPECT_EQ(balls.GetCellState(9), csEmpty);
    EXPECT_TRUE(balls.PutBallByGraphType(9, 3, 0, 1, gosDefault, gosCreate));
    EXPECT_TRUE(balls.IsBoxed(9));
    EXPECT_FALSE(balls.PutBallByGraphType(9, 3, 0, 0, gosDefault, -1));   // not empty
    EXPECT_EQ(ErrorOf([&] { balls.PutBallByGraphType(7, 77, 0, 0, gosDefault, -1); }), "verify {ball_type != NULL} failed");
    balls.FinishEffects();
    g_SoundKeeper = previous;
}

TEST_F(BallsField, TypeChangesAndBonusImageChanges)
{
    LoadText(R"(<Level><Config field_width="3" field_height="1" allow_ball_types="5" allow_bonus_types="1"/>
        <Field><Cell x="0" y="0" active="1"/><Cell x="1" y="0" active="1"/><Cell x="2" y="0" active="1"/></Field>
        <Balls><Cell x="0" y="0" box="1"><Ball graph_type="10"/></Cell><Cell x="1" y="0"><Ball graph_type="10"/></Cell>
               <Cell x="2" y="0"><Ball graph_type="1"/></Cell></Balls></Level>)");
    EXPECT_EQ(user.available_credits, (std::set<int>{11}));
    EXPECT_FALSE(balls.NeedsImageChange());

    EXPECT_TRUE(balls.ChangeBallType(2, 3));
    EXPECT_EQ(balls.GetBallType(2), 3);
    EXPECT_EQ(ErrorOf([&] { balls.ChangeBallType(2, 99); }), "verify {new_ball_type != NULL} failed");

    // The bonus's credit rose to grade 2: its balls take the grade's look, the boxed one stays hidden.
    user.grades[11] = 2;
    EXPECT_TRUE(balls.NeedsImageChange());
    balls.ApplyImageChanges();
    EXPECT_FALSE(balls.NeedsImageChange());
    EXPECT_EQ(balls.GetBallType(0), 12);
    EXPECT_EQ(balls.GetBallType(1), 12);
    EXPECT_FALSE(balls.GetCell(0)->ball->_graph_obj->IsVisible());
    EXPECT_EQ(balls.FindBallType(12)->credit_type, 11);
    EXPECT_EQ(scene.Aliases(), (std::vector<std::string>{"bonus_change", "bonus_change"}));

    // A pending change turns every ball of one type into another.
    balls.AddImageChange(3, 2);
    EXPECT_TRUE(balls.NeedsImageChange());
    balls.ApplyImageChanges();
    EXPECT_EQ(balls.GetBallType(2), 2);
}

TEST_F(BallsField, TheMixerMovesBallsAndEndsEvenForABallThatStays)
{
    Load();
    std::vector<MixMove> moves(3);
    moves[0].from = 8; moves[0].to = 9; moves[0].speed = 1.0f;
    moves[1].from = 9; moves[1].to = 8; moves[1].speed = 1.0f;
    moves[2].from = 1; moves[2].to = 1; moves[2].speed = 0.0f;   // its own cell, no speed
    int updates = 0;
    while (balls.UpdateMixMoves(moves) && updates < 1000) {
        balls.Render();
        ++updates;
    }
    ASSERT_LT(updates, 1000);
    EXPECT_EQ(balls.GetCellState(8), csBall);
    balls.ApplyMixMoves(moves);
    EXPECT_EQ(balls.GetBallType(8), 4);
    EXPECT_EQ(balls.GetBallType(9), 60);
    EXPECT_EQ(balls.GetBallType(1), 1);
    EXPECT_FLOAT_EQ(balls.GetCell(9)->ball->_graph_obj->GetX(), 4 + 12);
    EXPECT_FLOAT_EQ(balls.GetCell(9)->ball->_graph_obj->GetWidth(), 12.0f);
    EXPECT_EQ(balls.GetCellState(9), csBall);
    EXPECT_FALSE(CEffectCounter::HasRunning());
}

TEST_F(BallsField, PendingMovesSettleMovingBalls)
{
    Load();
    balls.SetBallState(8, gosMove);
    balls.AddPendingMove(8, 10);
    balls.AddPendingMove(1, 7);   // a resting ball stays where it is
    balls.FlushMoves();
    EXPECT_FALSE(balls.HasBall(8));
    EXPECT_EQ(balls.GetBallType(10), 60);
    EXPECT_EQ(balls.GetCellState(10), csBall);
    EXPECT_EQ(balls.GetBallType(1), 1);
    EXPECT_FALSE(balls.HasBall(7));
}

TEST_F(BallsField, SaveAndRestoreKeepBallsLocksBoxesAndWallFamilies)
{
    Load();
    balls.HitWall(5);
    balls.HitBox(3);
    balls.HitLock(1);
    BallsFieldRecord saved;
    balls.Save(saved);

    CBallsField restored;
    RandomSeed(99);
    restored.LoadLevel(OpenLevel("Levels/Small.xml"), info);
    restored.Restore(saved);
    BallsFieldRecord again;
    restored.Save(again);
    ASSERT_EQ(again.types, saved.types);
    ASSERT_EQ(again.cells.size(), saved.cells.size());
    for (size_t i = 0; i < saved.cells.size(); ++i) {
        EXPECT_EQ(again.cells[i].closed, saved.cells[i].closed) << i;
        EXPECT_EQ(again.cells[i].wall, saved.cells[i].wall) << i;
    }
    ASSERT_EQ(again.balls.size(), saved.balls.size());
    for (size_t i = 0; i < saved.balls.size(); ++i) {
        EXPECT_EQ(again.balls[i].graph_type, saved.balls[i].graph_type) << i;
        EXPECT_EQ(again.balls[i].lock, saved.balls[i].lock) << i;
        EXPECT_EQ(again.balls[i].box, saved.balls[i].box) << i;
    }
    // The double wall hit once keeps the double family's look (graph type 2, not the single 1).
    const FieldCell* c = restored.GetCell(5);
    ASSERT_TRUE(c->_wall_obj);
    EXPECT_EQ(c->_wall_obj->GetState(), Look(gbWalls, 2));
    EXPECT_EQ(restored.GetTypeCount(), 6);

    zftest::LogWatch log;
    saved.cells.push_back({9, 9, false, 0});
    saved.balls.push_back({9, 9, 1, 0, 0});
    saved.balls.push_back({0, 0, 77, 0, 0});
    restored.Restore(saved);
    EXPECT_TRUE(log.Has("CBalls: Cell outside a field - 9 , 9"));
    EXPECT_TRUE(log.Has("CBalls: Ball outside a field - 9 , 9"));
    EXPECT_TRUE(log.Has("CBalls: Ball type 77 not available in save"));
}

TEST_F(BallsField, DamagedLevelsAreLoggedOrRefusedWithTheirText)
{
    const std::string head = R"(<Level><Config field_width="2" field_height="2" allow_ball_types="4" allow_bonus_types="0"/>
        <Field><Cell x="0" y="0" active="1"/><Cell x="1" y="0" active="1"/><Cell x="5" y="0" active="1"/>
               <Cell x="-1" y="1" active="1"/><Cell x="1" y="1"/></Field>)";
    {
        zftest::LogWatch log;
        LoadText(head + R"(<Balls><Cell x="2" y="0"><Ball graph_type="1"/></Cell>
                               <Cell x="0" y="0"><Ball graph_type="77"/></Cell>
                               <Cell x="1" y="0"><Ball graph_type="10"/></Cell></Balls></Level>)");
        EXPECT_TRUE(log.Has("CBallsField: Cell outside a field - (2 , 0)"));
        EXPECT_TRUE(log.Has("CBallsField: not find ball with graph type 77  in base. Cell (0 , 0)"));
        EXPECT_TRUE(log.Has("CBallsField: not find ball with graph type 10  in base. Cell (1 , 0)"));
        // The cell at column 5 was not taken for a cell of the next row.
        EXPECT_FALSE(balls.IsFieldCell(2));
        EXPECT_FALSE(balls.HasBall(0));
    }
    EXPECT_EQ(ErrorOf([&] { LoadText(head + R"(<Balls><Cell x="1" y="1"><Ball graph_type="1"/></Cell></Balls></Level>)"); }),
              "verify {HasFreePlace(cell_index)} failed");
    EXPECT_EQ(ErrorOf([&] {
                  LoadText(head + R"(<Balls><Cell x="0" y="0"><Ball graph_type="1"/></Cell>
                                            <Cell x="0" y="0"><Ball graph_type="2"/></Cell></Balls></Level>)");
              }),
              "verify {HasFreePlace(cell_index)} failed");

    // A level with nothing to choose from, and a base without a look the level needs.
    GetBallsDepot().Load(ParseXml("<Balls/>"));
    EXPECT_EQ(ErrorOf([&] { LoadText(head + "</Level>"); }), "verify {!_avail_ball_types.empty()} failed");

    zftest::TempDir game;
    std::filesystem::copy(kFixtureDir, game.path(), std::filesystem::copy_options::recursive);
    std::string base = zftest::ReadTextFile(game / "Settings/Bases/Balls.xml");
    // Type 1 loses its CREATE state.
    const size_t line = base.find("<State name=\"CREATE\"");
    base.erase(line, base.find('\n', line) - line);
    zftest::WriteText(game / "Settings/Bases/Balls.xml", base);
    zftest::ScopedChdir in(game.path());
    ReloadGraphBases();
    GetBallsDepot().Load();
    zftest::LogWatch log;
    EXPECT_EQ(ErrorOf([&] { LoadText(head + "</Level>"); }), "verify {action != NULL} failed");
    EXPECT_TRUE(log.Has("Settings\\Bases\\Balls.xml: No find state type CREATE in object graph type 1 "));
}

} // namespace

namespace {

// Random hits on locks, boxes and walls of the small level: levels only go down, one explosion per
// level removed, and a cell's ball shows exactly when nothing covers it.
TEST_F(BallsField, RandomHitsTakeOneLevelEachAndShowWhatIsLeft)
{
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        scene.explosions.clear();
        Load();
        RandomSeed(seed);
        int levels = 0;
        for (int cell = 0; cell < 12; ++cell)
            levels += balls.GetLockLevel(cell) + balls.GetBoxLevel(cell) + balls.GetWallLevel(cell);
        int removed = 0;
        for (int i = 0; i < 60; ++i) {
            const int cell = RandomInt(0, 11);
            const int before = balls.GetLockLevel(cell) + balls.GetBoxLevel(cell) + balls.GetWallLevel(cell);
            switch (RandomInt(0, 2)) {
            case 0: if (balls.HasBall(cell)) balls.HitLock(cell); break;
            case 1: if (balls.HasBall(cell)) balls.HitBox(cell); break;
            default: balls.HitWall(cell); break;
            }
            const int after = balls.GetLockLevel(cell) + balls.GetBoxLevel(cell) + balls.GetWallLevel(cell);
            ASSERT_GE(before - after, 0);
            ASSERT_LE(before - after, 1);
            removed += before - after;
            if (const FieldCell* c = balls.GetCell(cell); c && c->ball) {
                ASSERT_EQ(c->ball->_graph_obj->IsVisible(), c->wall_level == 0 && c->ball->box_level == 0) << seed;
            }
        }
        EXPECT_EQ(scene.explosions.size(), size_t(removed)) << seed;
        EXPECT_LE(removed, levels);
    }
}

} // namespace
