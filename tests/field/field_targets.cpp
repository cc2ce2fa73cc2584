// The targets of the tutorial hints: which hint ids the field answers on which level, where each
// points, the screen-fit test of a hint's rectangle, and the random scan over the cells.
#include "field_play_util.h"

#include "field/timebar/field_timer.h"

#include <optional>

using namespace fieldtest;

namespace {

using Pos = std::pair<int, int>;

// The screen centre of a cell of the grid levels (cells of 12 pixels from 4, 4).
std::pair<float, float> Centre(int column, int row)
{
    return {4.0f + 12.0f * float(column) + 6.0f, 4.0f + 12.0f * float(row) + 6.0f};
}

class TimeBar : public ITimeBarView {
public:
    void SetMinPos(int) override {}
    void SetMaxPos(int) override {}
    void SetPos(int) override {}
    void GetTipPosition(float& x, float& y) const override
    {
        x = 123.0f;
        y = 45.0f;
    }
};

// Tiles of one and two layers, locks, boxes and walls of two levels, a multiball, and a move.
const std::vector<std::string> kLevel = {
    "1t 2T 3l 1L",
    "2b 3B W  V",
    "M  1  2  3",
    "1  1  1  2",
};

class HintTargets : public PlayFixture {
protected:
    HintTargets()
    {
        static TimeBar bar;
        g_GameTimer.BindControls(&bar, nullptr, nullptr);
    }
    std::optional<std::pair<float, float>> Target(int id, bool force, const HintRect& rect = HintRect{})
    {
        float x = -1.0f, y = -1.0f;
        if (!field.GetHintTargetPosition(id, x, y, rect, force)) return std::nullopt;
        return std::make_pair(x, y);
    }
};

TEST(HintRectangle, FitsWhenItStaysFivePixelsInsideTheScreen)
{
    const HintRect box{0.0f, 0.0f, 10.0f, 10.0f};
    const HintRect centred{5.0f, 5.0f, 10.0f, 10.0f};
    const struct {
        float x, y;
        HintRect rect;
        bool fits;
    } cases[] = {
        {0.0f, 0.0f, HintRect{}, true},   // a rectangle without extent fits anywhere
        {-50.0f, 900.0f, HintRect{3.0f, 3.0f, 0.0f, 0.0f}, true},
        {5.0f, 5.0f, box, true},
        {4.9f, 5.0f, box, false},
        {5.0f, 4.9f, box, false},
        {785.0f, 585.0f, box, true},
        {785.1f, 300.0f, box, false},
        {400.0f, 585.1f, box, false},
        {10.0f, 10.0f, centred, true},
        {9.9f, 10.0f, centred, false},
        {790.0f, 590.0f, centred, true},
        {790.0f, 590.1f, centred, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CGameField::FitsOnScreen(c.x, c.y, c.rect), c.fits) << c.x << ", " << c.y;
}

TEST_F(HintTargets, EachIdPointsAtItsTargetOnANormalLevel)
{
    Load(kLevel);
    field.AnalyseMoves();
    user.grades[11] = 1;
    scene.bonus_slots[11] = {300.0f, 550.0f};
    scene.bonus_slots[12] = {340.0f, 550.0f};
    const struct {
        int id;
        bool force;
        std::vector<Pos> cells;   // any of them; empty: the position below, or none
        std::optional<std::pair<float, float>> at;
        bool found;
    } cases[] = {
        {100, false, {}, std::nullopt, true},
        {101, false, {}, std::nullopt, false},   // no chain made yet
        {101, true, {{0, 0}}, std::nullopt, true},
        {102, true, {{1, 0}}, std::nullopt, true},
        {103, true, {}, std::make_pair(123.0f, 45.0f), true},
        {104, true, {{2, 0}}, std::nullopt, true},
        {105, true, {{3, 0}}, std::nullopt, true},
        {106, true, {{0, 1}}, std::nullopt, true},
        {107, true, {{1, 1}}, std::nullopt, true},
        {108, true, {{2, 1}}, std::nullopt, true},
        {109, true, {{3, 1}}, std::nullopt, true},
        {110, true, {}, std::nullopt, false},   // no triple wall
        {111, true, {}, std::nullopt, false},   // bonus levels only
        {112, true, {}, std::nullopt, false},
        {114, true, {}, std::nullopt, false},   // no finishers
        {1050, true, {{0, 2}}, std::nullopt, true},
        {1003, true, {{2, 0}, {3, 2}}, std::nullopt, true},   // not the boxed one
        {1004, true, {}, std::nullopt, false},
        {211, true, {}, std::make_pair(300.0f, 550.0f), true},
        {212, true, {}, std::nullopt, false},   // the grade held is 1
        {221, true, {}, std::nullopt, false},   // no credit of that kind
        {215, true, {}, std::nullopt, false},
        {200, true, {}, std::nullopt, false},
        {113, true, {}, std::nullopt, false},
        {99, true, {}, std::nullopt, false},
        {2000, true, {}, std::nullopt, false},
    };
    for (const auto& c : cases) {
        const auto target = Target(c.id, c.force);
        ASSERT_EQ(target.has_value(), c.found) << c.id;
        if (!target) continue;
        if (c.at) {
            EXPECT_EQ(*target, *c.at) << c.id;
        }
        if (c.cells.empty()) continue;
        bool on_one = false;
        for (const auto& [col, row] : c.cells) on_one = on_one || *target == Centre(col, row);
        EXPECT_TRUE(on_one) << c.id << " at " << target->first << ", " << target->second;
    }

    // After the first chain no force is needed; the time bar only in the first level.
    user.first_chain_done = true;
    EXPECT_TRUE(Target(104, false));
    user.level_number = 1;
    EXPECT_FALSE(Target(103, false));
}

TEST_F(HintTargets, TheBonusLevelAnswersItsOwnIdsInItsFirstLevelOnly)
{
    Load({"4 4 4", "4 4 4"}, "", true);
    user.grades[11] = 1;
    scene.bonus_slots[11] = {300.0f, 550.0f};
    EXPECT_EQ(Target(111, true), std::make_pair(-1.0f, -1.0f));   // true, with no position written
    EXPECT_EQ(Target(112, true), std::make_pair(0.0f, 0.0f));     // the moves panel's body, none here
    EXPECT_FALSE(Target(103, true));
    EXPECT_FALSE(Target(211, true));
    user.bonus_level_number = 1;
    EXPECT_FALSE(Target(111, true));
    EXPECT_FALSE(Target(112, true));
}

TEST_F(HintTargets, TheSpecialChainHintPointsAtTheFinishers)
{
    Load({"2 F F F", "3 4 3 4"});
    field.AnalyseMoves();
    EXPECT_EQ(Target(114, true), Centre(3, 0));
}

TEST_F(HintTargets, NothingWhileTheFieldIsBusy)
{
    Load(kLevel);
    field.AnalyseMoves();
    Drag({{0, 3}, {1, 3}, {2, 3}});
    ASSERT_TRUE(field.IsFieldBusy());
    for (int id : {100, 101, 104, 108, 1050, 211})
        EXPECT_FALSE(Target(id, true)) << id;
    Settle();
    EXPECT_TRUE(Target(104, true));
}

TEST_F(HintTargets, ACellWhoseHintWouldLeaveTheScreenIsPassedOver)
{
    Load({"1l 2 3 1l", "3 1 2 3"});
    // The hint's rectangle reaches 20 pixels to the left of its point: too far for column 0.
    const HintRect rect{20.0f, 0.0f, 30.0f, 10.0f};
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        RandomSeed(seed);
        EXPECT_EQ(Target(104, true, rect), Centre(3, 0)) << seed;
    }
}

TEST_F(HintTargets, ALevelWithoutWallsIsNotScannedForThem)
{
    Load({"1 2 3", "3 1 2"});
    for (int id : {108, 109, 110}) {
        RandomSeed(5);
        EXPECT_FALSE(Target(id, true)) << id;
        const int next = RandomInt(0, 1000);
        RandomSeed(5);
        EXPECT_EQ(next, RandomInt(0, 1000)) << id << ": the generator was drawn";
    }
}

} // namespace
