// Resolving a chain: credits per ball, the precedence of hits, boxes and walls next to the chain,
// the opening behind destroyed walls, multiballs and their series, the finisher; and the goals of
// normal and bonus levels.
#include "field_play_util.h"

using namespace fieldtest;

namespace {

using Pos = std::pair<int, int>;

std::vector<Pos> Row(int from, int to, int row)
{
    std::vector<Pos> out;
    for (int x = from; x <= to; ++x) out.emplace_back(x, row);
    return out;
}

class Resolution : public PlayFixture {};

TEST_F(Resolution, CreditsEveryBallWithTheChainsExtra)
{
    const struct {
        const char* what;
        std::vector<std::string> rows;
        std::vector<Pos> chain;
        int score_per_ball, amount_per_ball, resource;
    } cases[] = {
        // Base score and amount 10; the extra is (length - 3) + multiballs + tiled chain cells.
        {"seven plain balls, no tile", {"1 1 1 1 1 1 1 2", "2t 3 3 3 3 3 3 3"}, Row(0, 6, 0), 14, 14, 1},
        {"three balls, two of them tiled", {"2 2t 2t 1", "3 3 3 3t"}, Row(0, 2, 0), 12, 12, 2},
        {"a multiball counts one", {"3 M 3 1", "1 1 1 1t"}, Row(0, 2, 0), 11, 11, 3},
        {"no amount, no extra on it: score only", {"4 4 4 4 1", "1 1 1 1 1t"}, Row(0, 3, 0), 6, 0, 0},
    };
    for (const auto& c : cases) {
        user = RecordingUser();
        Load(c.rows);
        Drag(c.chain);
        const int n = int(c.chain.size());
        EXPECT_EQ(user.score, n * c.score_per_ball) << c.what;
        EXPECT_EQ(field.GetStats().score, n * c.score_per_ball) << c.what;
        if (c.amount_per_ball) {
            EXPECT_EQ(user.resources[c.resource], n * c.amount_per_ball) << c.what;
            ASSERT_EQ(field.GetPopups().size(), size_t(n)) << c.what;
            EXPECT_EQ(std::string(field.GetPopups()[0].label), "Res_score_0" + std::to_string(c.resource)) << c.what;
        } else {
            EXPECT_TRUE(user.resources.empty()) << c.what;
            EXPECT_TRUE(field.GetPopups().empty()) << c.what;
        }
        ASSERT_EQ(user.chains.size(), 1u) << c.what;
        EXPECT_EQ(user.chains[0].length, n) << c.what;
        EXPECT_EQ(user.chains[0].score, n * c.score_per_ball) << c.what;
        EXPECT_EQ(user.chains[0].amount, n * c.amount_per_ball) << c.what;
        EXPECT_TRUE(user.first_chain_done) << c.what;
        Settle();
    }
}

TEST_F(Resolution, PopupsRiseThenFade)
{
    Load({"1 1 1 2", "3t 3 3 3"});
    Drag(Row(0, 2, 0));
    ASSERT_EQ(field.GetPopups().size(), 3u);
    const float y = field.GetPopups()[0].y;
    int updates = 1;   // the release frame's update ran already
    while (!field.GetPopups().empty() && updates < 200) {
        field.Update();
        ++updates;
        if (updates == 64) {
            EXPECT_NEAR(field.GetPopups()[0].y, y - 0.6f * 63, 0.01);
            EXPECT_EQ(field.GetPopups()[0].alpha, 255);
        }
    }
    EXPECT_EQ(updates, 64 + 16);
}

// Each popup is drawn as its label with the amount, where the popup stands and as faded as it is.
TEST_F(Resolution, PopupsAreDrawnAsTheirLabels)
{
    Load({"2 2t 2t 1", "3 3 3 3t"});
    Drag(Row(0, 2, 0));
    field.Render();
    const auto expect_drawn = [this](const char* when) {
        ASSERT_FALSE(field.GetPopups().empty()) << when;
        for (const FloatingPopup& p : field.GetPopups()) {
            ASSERT_TRUE(p.text) << when;
            EXPECT_EQ(p.text->GetLabel().alias, "Res_score_02") << when;
            EXPECT_EQ(p.text->GetText(), "+12") << when;
            EXPECT_EQ(p.text->GetQuadCount(), 3u) << when;   // '+', '1', '2' of the font
            EXPECT_FLOAT_EQ(p.text->GetX(), p.x) << when;
            EXPECT_FLOAT_EQ(p.text->GetY(), p.y) << when;
            EXPECT_EQ(int(p.text->GetAlpha()), p.alpha) << when;
        }
    };
    expect_drawn("after the release");
    float x = 0.0f, y = 0.0f;
    g_LevelCfg.CellToScreenCenter(Cell(0, 0), x, y);
    EXPECT_FLOAT_EQ(field.GetPopups()[0].text->GetX(), x);

    for (int i = 0; i < 70; ++i) {
        field.Update();
        field.Render();
    }
    EXPECT_LT(field.GetPopups()[0].alpha, 255);
    expect_drawn("while fading");
}

TEST_F(Resolution, HitsTakeTheBoxThenTheLockThenTheBallAndTheTile)
{
    const struct {
        const char* token;
        bool hit;
        int box, lock, state, boxes, locks, tiles;
    } cases[] = {
        {"1lbt", true, 0, 1, gosDefault, 1, 0, 0},
        {"1Lt", true, 0, 1, gosDefault, 0, 1, 0},
        {"1t", true, 0, 0, gosDead, 0, 0, 1},
        {"1", false, 0, 0, gosDead, 0, 0, 0},   // the ball dies, but no tile layer broke
    };
    for (const auto& c : cases) {
        Load({std::string(c.token) + " 2t"});
        ChainStats stats;
        EXPECT_EQ(field.HitBall(0, &stats, true), c.hit) << c.token;
        EXPECT_EQ(field.GetBalls().GetBoxLevel(0), c.box) << c.token;
        EXPECT_EQ(field.GetBalls().GetLockLevel(0), c.lock) << c.token;
        EXPECT_EQ(field.GetBalls().GetBallGraphState(0), c.state) << c.token;
        EXPECT_EQ(stats.boxes_opened, c.boxes) << c.token;
        EXPECT_EQ(stats.locks_opened, c.locks) << c.token;
        EXPECT_EQ(stats.tiles_broken, c.tiles) << c.token;
        EXPECT_EQ(field.GetStats().n_puzzles_broke, c.tiles) << c.token;
    }
    // A hit on a cell outside the field is skipped, not fatal.
    EXPECT_FALSE(field.HitBall(-1, nullptr, false));
    EXPECT_FALSE(field.HitBall(1000, nullptr, false));
}

TEST_F(Resolution, NeighbourBoxesAndWallsAreHitOnceAndOpenedCellsFillUp)
{
    // Chain on the top row. Below: a double box touched by two chain cells, a single wall with a
    // disabled cell behind it, a double wall.
    Load({"1 1 1 1 2", "W 2B V 3 4", "D 3 4 2 3t", "3 4 2 3 4"});
    Drag(Row(0, 3, 0));
    ASSERT_EQ(user.chains.size(), 1u);
    EXPECT_EQ(user.chains[0].boxes_opened, 1);
    EXPECT_EQ(user.chains[0].walls_hit, 2);
    EXPECT_EQ(field.GetBalls().GetBoxLevel(Cell(1, 1)), 1);
    EXPECT_EQ(field.GetBalls().GetWallLevel(Cell(0, 1)), 0);
    EXPECT_EQ(field.GetBalls().GetWallLevel(Cell(2, 1)), 1);
    EXPECT_TRUE(field.IsOpeningPending());
    EXPECT_LT(Settle(), 2000);
    EXPECT_FALSE(field.IsOpeningPending());
    for (const Pos& p : {Pos{0, 1}, Pos{0, 2}}) {
        EXPECT_TRUE(field.GetBalls().IsUsable(Cell(p.first, p.second))) << p.first << "," << p.second;
        EXPECT_EQ(field.GetBalls().GetCellState(Cell(p.first, p.second)), csBall) << p.first << "," << p.second;
    }
    EXPECT_FALSE(field.GetBalls().IsUsable(Cell(2, 1)));
}

TEST_F(Resolution, LongChainsMakeMultiballsAtTheirFirstFreeCells)
{
    const struct {
        const char* what;
        std::string row;
        int length;
        std::vector<int> multiball_columns;
    } cases[] = {
        {"four: none", "1 1 1 1 1 1 1 1 1 1 1 1 1 2", 4, {}},
        {"five: one at the first cell", "1 1 1 1 1 1 1 1 1 1 1 1 1 2", 5, {0}},
        {"seven: one", "1 1 1 1 1 1 1 1 1 1 1 1 1 2", 7, {0}},
        {"nine: two", "1 1 1 1 1 1 1 1 1 1 1 1 1 2", 9, {0, 1}},
        {"thirteen: three", "1 1 1 1 1 1 1 1 1 1 1 1 1 2", 13, {0, 1, 2}},
        {"the first two locked: after them", "1l 1l 1 1 1 1 1 1 1 1 1 1 1 2", 5, {2}},
    };
    for (const auto& c : cases) {
        Load({c.row, "3t 3 3 3 3 3 3 3 3 3 3 3 3 3"});
        Drag(Row(0, c.length - 1, 0));
        std::vector<int> columns;
        for (int x = 0; x < 14; ++x)
            if (field.GetBalls().GetBallType(Cell(x, 0)) == 50) columns.push_back(x);
        EXPECT_EQ(columns, c.multiball_columns) << c.what;
        EXPECT_EQ(field.GetMultiballSeries(), c.multiball_columns.empty() ? 0 : 1) << c.what;
        if (!c.multiball_columns.empty()) EXPECT_EQ(user.hints.back(), 1050) << c.what;
        Settle();
        // The multiballs slid on along the chain like the other balls; no ball was lost.
        int multiballs = 0;
        for (int x = 0; x < 14; ++x) {
            EXPECT_TRUE(field.GetBalls().HasBall(Cell(x, 0))) << c.what << " " << x;
            multiballs += field.GetBalls().GetBallType(Cell(x, 0)) == 50;
        }
        EXPECT_EQ(multiballs, int(c.multiball_columns.size())) << c.what;
    }
}

TEST_F(Resolution, MultiballSeriesCountsChainsInARow)
{
    Load({"1 1 1 1 1 2", "2 2 2 2 2 3", "3 3 3 3 3 1", "4 4 4 4 1 1t"});
    const auto sample = [](int n) { return "PlaySample " + g_GameCfg.GetMultiballSample(n); };
    Samples();
    Drag(Row(0, 4, 0));
    EXPECT_EQ(field.GetMultiballSeries(), 1);
    Settle();
    const auto first = Samples();
    EXPECT_NE(std::find(first.begin(), first.end(), sample(1)), first.end());
    Drag(Row(0, 4, 1));
    EXPECT_EQ(field.GetMultiballSeries(), 2);
    Settle();
    Drag(Row(0, 2, 3));
    EXPECT_EQ(field.GetMultiballSeries(), 0);
}

TEST_F(Resolution, TheFinisherChainWinsAndClearsTheField)
{
    // Two finishers and a multiball make a chain of three with two finisher balls.
    Load({"F F M 1t", "2T 3t 4 1lt", "3 2b 2t 2"});
    EXPECT_EQ(field.GetStats().n_finishers, 2);
    EXPECT_FALSE(field.IsGoalReached());
    Drag(Row(0, 2, 0));
    EXPECT_TRUE(field.IsGoalReached());
    EXPECT_FALSE(field.IsLevelFinished());
    EXPECT_LT(Settle(), 2000);
    EXPECT_EQ(field.GetTiles().GetTotalLeft(), 0);
    EXPECT_EQ(field.GetStats().n_puzzles_broke, field.GetStats().n_puzzles);
    EXPECT_TRUE(field.IsLevelFinished());
    // The input is ignored once the goal holds.
    field.HandleInput(MouseAt(0, 2));
    EXPECT_FALSE(field.GetChain().IsStarted());

    // With three finishers on the level, two in the chain are a mismatch.
    Load({"F F M F", "1 2 3 4t"});
    Samples();
    Drag(Row(0, 2, 0));
    EXPECT_FALSE(field.IsGoalReached());
    EXPECT_FALSE(field.IsRefillPending());
    const auto samples = Samples();
    EXPECT_NE(std::find(samples.begin(), samples.end(), "PlaySample it_mismatch"), samples.end());
}

class Goal : public PlayFixture {};

TEST_F(Goal, NormalLevelsEndWhenEveryTileLayerIsBroken)
{
    Load({"1 1 1 2"});
    EXPECT_TRUE(field.IsGoalReached());   // no tile layers at all

    Load({"1t 1 1 2", "2 2 3 3"});
    EXPECT_FALSE(field.IsGoalReached());
    Drag(Row(0, 2, 0));
    EXPECT_TRUE(field.IsGoalReached());
    EXPECT_FALSE(field.IsLevelFinished());   // the moving chain still runs
    Settle();
    EXPECT_TRUE(field.IsLevelFinished());
    EXPECT_FALSE(field.IsFieldBusy());
}

TEST_F(Goal, BonusLevelsEndWithoutMovesOrWithEveryBonusComplete)
{
    const struct {
        const char* what;
        int moves;
        int grade;
        bool reached;
    } cases[] = {
        {"moves left, bonus below grade 4", 3, 2, false},
        {"no move left", 0, 2, true},
        {"moves left, every bonus at grade 4", 3, 4, true},
    };
    for (const auto& c : cases) {
        user.grades.clear();
        Load({"1 1 1 2", "2 2 3 3t"}, "allow_bonus_types=\"1\"", true);
        std::vector<BallTypeEntryPtr> types;
        field.GetBalls().ListLevelTypes(types);
        ASSERT_TRUE(std::any_of(types.begin(), types.end(), [](const BallTypeEntryPtr& t) { return t->is_bonus; }));
        field.SetMovesLeft(c.moves);
        user.grades[11] = c.grade;
        EXPECT_EQ(field.IsGoalReached(), c.reached) << c.what;
    }
    // A bonus level without bonus types meets its goal at once.
    user.grades.clear();
    Load({"1 1 1 2", "2 2 3 3t"}, "allow_bonus_types=\"0\"", true);
    field.SetMovesLeft(5);
    EXPECT_TRUE(field.IsGoalReached());
}

TEST_F(Goal, CompleteBonusesTurnIntoCreditlessPlainTypes)
{
    Load({"1 1 1 2", "2 2 3 3t"}, "allow_bonus_types=\"1\"", true);
    EXPECT_FALSE(field.GetBalls().ReplaceCompleteBonuses());   // none complete
    user.grades[11] = 4;
    // The only upgradable bonus is the level's own: the plain type that credits nothing (4) takes
    // its place.
    user.upgradable = {11};
    EXPECT_TRUE(field.GetBalls().ReplaceCompleteBonuses());
    field.GetBalls().ApplyImageChanges();
    std::vector<BallTypeEntryPtr> types;
    field.GetBalls().ListLevelTypes(types);
    EXPECT_FALSE(std::any_of(types.begin(), types.end(), [](const BallTypeEntryPtr& t) { return t->is_bonus; }));
    EXPECT_TRUE(std::any_of(types.begin(), types.end(), [](const BallTypeEntryPtr& t) { return t->graph_type == 4; }));
}

} // namespace
