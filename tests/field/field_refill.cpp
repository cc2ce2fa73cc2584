// The refill: the moving chain sliding balls into a resolved chain's cells on small hand-made
// fields, and the choice of new balls (frequencies over many draws, the forced match, locks and
// boxes, multiballs, the odds a level may not have).
#include "field_play_util.h"

#include "field/balls/field_balls.h"

#include <stdexcept>

using namespace fieldtest;

namespace {

class Refill : public PlayFixture {
protected:
    std::vector<int> Types(int row, int width)
    {
        std::vector<int> out;
        for (int x = 0; x < width; ++x) out.push_back(field.GetBalls().GetBallType(Cell(x, row)));
        return out;
    }
};

TEST_F(Refill, TheLineBehindTheChainSlidesInAndNewBallsFillTheSource)
{
    // Dragged right to left: the balls right of the first cell move left into the chain.
    Load({"2 1 1 1 3 4", "4t 4 4 4 4 4"});
    Drag({{3, 0}, {2, 0}, {1, 0}});
    EXPECT_TRUE(field.IsRefillPending());
    EXPECT_LT(Settle(), 2000);
    EXPECT_FALSE(field.IsRefillPending());
    const std::vector<int> row = Types(0, 6);
    EXPECT_EQ(row[0], 2);
    EXPECT_EQ(row[1], 3);
    EXPECT_EQ(row[2], 4);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(field.GetBalls().GetCellState(Cell(x, 0)), csBall) << x;
    EXPECT_EQ(Types(1, 6), (std::vector<int>{4, 4, 4, 4, 4, 4}));
}

TEST_F(Refill, AChainOnTheEdgeIsItsOwnSourceAndALockedBallKeepsItsPlace)
{
    // First cell on the top row, second below it: nothing behind, the first cell takes new balls.
    Load({"1 2", "1 3", "1l 4", "2 4t"});
    Drag({{0, 0}, {0, 1}, {0, 2}});
    Settle();
    EXPECT_EQ(field.GetBalls().GetBallType(Cell(0, 2)), 1);   // the lock was hit, the ball stayed
    EXPECT_EQ(field.GetBalls().GetLockLevel(Cell(0, 2)), 0);
    EXPECT_EQ(field.GetBalls().GetBallType(Cell(0, 3)), 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_TRUE(field.GetBalls().HasBall(Cell(x, y))) << x << "," << y;
}

TEST_F(Refill, NothingSlidesWhileARemovedBallStillDies)
{
    CBallsField balls;
    LevelFieldInfo info;
    balls.LoadLevel(LevelFromText(GridLevel({"1 2 3 4"})), info);
    balls.SetBallState(3, gosDead);
    balls.StartMovingChain({{0, false, false}, {1, false, false}, {2, false, false}, {3, false, false}});
    const float start_x = balls.GetCell(2)->ball->x;
    // The fixture's deaths last 4 updates.
    for (int i = 0; i < 3; ++i) {
        balls.Render();
        balls.Update();
        EXPECT_FLOAT_EQ(balls.GetCell(2)->ball->x, start_x) << i;
    }
    int updates = 0;
    while (balls.HasMovingChain() && updates < 100) {
        balls.Render();
        balls.Update();
        ++updates;
    }
    EXPECT_FALSE(balls.HasMovingChain());
    // Three hand-overs of one update each (12-pixel cells at 8.5 pixels per update) and a last to stop.
    EXPECT_LE(updates, 6);
    EXPECT_EQ(balls.GetCellState(0), csEmpty);
    for (int c = 1; c < 4; ++c) {
        EXPECT_EQ(balls.GetBallType(c), c) << c;
        EXPECT_EQ(balls.GetCellState(c), csBall) << c;
        EXPECT_FLOAT_EQ(balls.GetCell(c)->ball->x, balls.GetCell(c)->x) << c;
    }
}

class NewBalls : public FieldFixture {
protected:
    void Load(const std::vector<std::string>& rows, const std::string& config = "")
    {
        balls.LoadLevel(LevelFromText(GridLevel(rows, config)), info);
    }
    // Draws new balls for the cells n times; counts f(cell) over the draws.
    template <class F>
    std::map<int, int> Draw(const std::vector<int>& cells, int n, int forced, int lock_box, int mode, int excluded, F f)
    {
        std::map<int, int> counts;
        for (int i = 0; i < n; ++i) {
            balls.ChooseNewBall(cells, forced, lock_box, mode, excluded);
            for (int c : cells) {
                ++counts[f(c)];
                balls.RemoveBall(c);
            }
        }
        return counts;
    }
    CBallsField balls;
    LevelFieldInfo info;
};

TEST_F(NewBalls, FrequenciesOfTypesLocksAndBoxesOverManyDraws)
{
    Load({". . . .", ". . . .", ". . . ."},
         "ordinary_locked_probability=\"20\" double_locked_probability=\"5\" ordinary_boxed_probability=\"10\"");
    const std::vector<int> cells = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const int n = 400;   // 4800 balls
    const auto type = [this](int c) { return balls.GetBallType(c); };
    const auto types = Draw(cells, n, 1, 1, nbPlain, 0, type);
    EXPECT_EQ(types.size(), 4u);   // plain types only: no multiball, no finisher
    for (const auto& [t, count] : types) EXPECT_NEAR(count / 4800.0, 0.25, 0.03) << t;

    const auto locks = Draw(cells, n, 1, 1, nbPlain, 0, [this](int c) { return balls.GetLockLevel(c); });
    EXPECT_NEAR(locks.at(2) / 4800.0, 0.05, 0.015);
    EXPECT_NEAR(locks.at(1) / 4800.0, 0.20, 0.03);
    const auto boxes = Draw(cells, n, 1, 1, nbPlain, 0, [this](int c) { return balls.GetBoxLevel(c); });
    EXPECT_NEAR(boxes.at(1) / 4800.0, 0.10, 0.02);
    EXPECT_EQ(boxes.count(2), 0u);
    // Without the flag no lock or box at all.
    const auto none = Draw(cells, 50, 1, 0, nbPlain, 0, [this](int c) { return balls.GetLockLevel(c) + balls.GetBoxLevel(c); });
    EXPECT_EQ(none.size(), 1u);
    // An excluded type never comes; multiball modes give only multiballs, and the appearing one plays.
    EXPECT_EQ(Draw(cells, 50, 1, 0, nbPlain, 3, type).count(3), 0u);
    EXPECT_EQ(Draw(cells, 5, 0, 0, nbMultiballCreate, 0, [this](int c) {
                  return balls.GetBallType(c) * 10 + balls.GetBallGraphState(c);
              }),
              (std::map<int, int>{{501, 60}}));
}

TEST_F(NewBalls, TheForcedMatchCopiesNeighboursOnly)
{
    const struct {
        const char* what;
        std::vector<std::string> rows;
        int excluded;
        double share_of_2;   // expected share of type 2 in the middle cell
    } cases[] = {
        {"four matching neighbours always force", {"4 2 4", "2 . 2", "4 2 4"}, 0, 1.0},
        {"one matching neighbour forces a quarter", {"4 2 4", "M . F", "4 F 4"}, 0, 0.25 + 0.75 * 0.25},
        {"multiballs and finishers never force", {"4 M 4", "F . M", "4 F 4"}, 0, 0.25},
        {"an excluded neighbour type never forces", {"4 2 4", "2 . 2", "4 2 4"}, 2, 0.0},
    };
    for (const auto& c : cases) {
        Load(c.rows, "forced_match_probability=\"100\"");
        const auto counts = Draw({4}, 2000, 1, 0, nbPlain, c.excluded, [this](int cell) { return balls.GetBallType(cell); });
        const auto it = counts.find(2);
        EXPECT_NEAR((it == counts.end() ? 0 : it->second) / 2000.0, c.share_of_2, 0.035) << c.what;
    }
}

TEST(NewBallPick, BonusTypesComeWithTheirPercentage)
{
    const auto entry = [](int graph_type, bool bonus) {
        auto e = std::make_shared<BallTypeEntry>();
        e->graph_type = graph_type;
        e->is_bonus = bonus;
        return e;
    };
    RandomSeed(99);
    CBallsField balls;
    const std::vector<BallTypeEntryPtr> mixed = {entry(1, false), entry(2, false), entry(10, true)};
    const std::vector<BallTypeEntryPtr> only_bonus = {entry(10, true), entry(11, true)};
    const struct {
        const std::vector<BallTypeEntryPtr>* candidates;
        int bonuses, percent;
        double bonus_share;
    } cases[] = {
        {&mixed, 1, 30, 0.30},
        {&mixed, 1, 0, 1.0 / 3},   // no percentage: uniform over the list
        {&only_bonus, 2, 0, 1.0},
        {&only_bonus, 2, 50, 1.0},
    };
    for (const auto& c : cases) {
        int bonus = 0;
        for (int i = 0; i < 3000; ++i) bonus += balls.PickBallType(*c.candidates, c.bonuses, c.percent)->is_bonus;
        EXPECT_NEAR(bonus / 3000.0, c.bonus_share, 0.03) << c.percent;
    }
    EXPECT_EQ(balls.PickBallType({}, 0, 50), nullptr);
}

TEST_F(Refill, OddsOfOneHundredOrMoreFailTheLevelByName)
{
    try {
        field.LoadLevel(LevelFromText(GridLevel({"1 1"}, "ordinary_boxed_probability=\"60\" double_boxed_probability=\"40\"")),
                        "Levels\\E09\\L07.xml");
        FAIL() << "loaded";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Level Levels\\E09\\L07.xml: ordinary_boxed_probability + "
                                         "double_boxed_probability is 100, it must be below 100");
    }
}

} // namespace
