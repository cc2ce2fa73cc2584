// The clover, the bag, the sand clock and the mixer on small hand-made fields: the cells they act on,
// the hits and credits, the waves and their end, the cursors, and what the file may not say.
#include "bonus_test_util.h"

#include "field/bonus/field_bonus.h"
#include "field/bonus/field_bonus_bag.h"
#include "field/bonus/field_bonus_clover.h"
#include "field/bonus/field_bonus_mixer.h"
#include "field/bonus/field_bonus_sandclock.h"
#include "field/timebar/field_timer.h"

#include "engine/particles/engine_pyro2.h"
#include "support/recording_engine.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

using namespace fieldtest;

namespace {

// The field as the bonuses see it, with the clover's picked type set by the test and the kills and
// added time recorded on their way to the field.
class FieldSource : public IBonusDataSource {
public:
    explicit FieldSource(CGameField& field) : _f(field) {}

    int chosen = 0;
    bool forget_types = false;   // the level's ball types are not found
    std::vector<std::pair<int, int>> kills;   // cell, amount
    std::vector<int> added_times;

    bool HitCell(int cell, int power, bool from_chain) override { return _f.HitCell(cell, power, from_chain); }
    bool KillCell(int cell, int amount) override
    {
        kills.emplace_back(cell, amount);
        return _f.KillCell(cell, amount);
    }
    bool UpdateMixMoves(std::vector<MixMove>& moves) override { return _f.UpdateMixMoves(moves); }
    void ApplyMixMoves(const std::vector<MixMove>& moves) override { _f.ApplyMixMoves(moves); }
    bool ChangeBallType(int cell, int graph_type) override { return _f.ChangeBallType(cell, graph_type); }
    void AddTime(int amount) override
    {
        added_times.push_back(amount);
        _f.AddTime(amount);
    }
    void HitNeighbours(const std::vector<int>& cells) override { _f.HitNeighbours(cells); }
    bool IsFieldCell(int cell) const override { return _f.IsFieldCell(cell); }
    bool HasPuzzle(int cell) const override { return _f.HasPuzzle(cell); }
    bool HasBall(int cell) const override { return _f.HasBall(cell); }
    bool HasPlayableBall(int cell) const override { return _f.HasPlayableBall(cell); }
    bool IsFinisher(int cell) const override { return _f.IsFinisher(cell); }
    bool IsMultiball(int cell) const override { return _f.IsMultiball(cell); }
    bool IsLocked(int cell) const override { return _f.IsLocked(cell); }
    bool IsBoxed(int cell) const override { return _f.IsBoxed(cell); }
    bool HasWall(int cell) const override { return _f.HasWall(cell); }
    void GetMatchGroup(int cell, std::vector<int>& cells, int& graph_type) const override
    {
        _f.GetMatchGroup(cell, cells, graph_type);
    }
    BallTypeEntryPtr FindBallType(int graph_type) const override
    {
        return forget_types ? nullptr : _f.FindBallType(graph_type);
    }
    int GetBallType(int cell) const override { return _f.GetBallType(cell); }
    int GetMultiballType() const override { return _f.GetMultiballType(); }
    int GetChosenBallType() const override { return chosen; }

private:
    CGameField& _f;
};

// A time bar whose moving end stands at a fixed point.
class TipBar : public ITimeBarView {
public:
    void SetMinPos(int) override {}
    void SetMaxPos(int) override {}
    void SetPos(int) override {}
    void GetTipPosition(float& x, float& y) const override
    {
        x = 420.0f;
        y = 560.0f;
    }
};

// The tests' bonuses.xml for these kinds: small, round numbers that show the rules.
const std::string kKinds2Xml = R"(<?xml version="1.0" encoding="utf-8"?>
<Bonuses>
  <Clover sample="bn_clover" pyro="">
    <Grade id="1" cursor="clover" change_percent="25"/>
    <Grade id="2" cursor="clover" change_percent="50"/>
    <Grade id="3" cursor="clover" change_percent="75"/>
    <Grade id="4" cursor="clover4" change_percent="100"/>
    <CloverEffect><graphics texture="Textures\Balls.png" width="12" height="12" tex_rect="0 0 12 12"/></CloverEffect>
  </Clover>
  <Bag sample="bn_bag">
    <Grade id="1" cursor="bag" kill_percent="20" bonus_amount="5" resource_amount="25"/>
    <Grade id="2" cursor="bag" kill_percent="40" bonus_amount="6" resource_amount="26"/>
    <Grade id="3" cursor="bag" kill_percent="70" bonus_amount="7" resource_amount="27"/>
    <Grade id="4" cursor="bag" kill_percent="100" bonus_amount="8" resource_amount="28"/>
  </Bag>
  <SandClock sample="bn_sandclock">
    <Grade id="1" add_time="15"/>
    <Grade id="2" add_time="30"/>
    <Grade id="3" add_time="45"/>
    <Grade id="4" add_time="60"/>
    <TimeFlyEffect><Pyro alias="" start_x="100" start_y="80" speed="5"/></TimeFlyEffect>
  </SandClock>
  <Mixer sample="bn_mixer" enlarge_factor="3">
    <Grade id="1" mix_percent="10" mix_benefactor="0"/>
    <Grade id="2" mix_percent="20" mix_benefactor="0"/>
    <Grade id="3" mix_percent="100" mix_benefactor="0"/>
    <Grade id="4" mix_percent="100" mix_benefactor="100"/>
  </Mixer>
</Bonuses>
)";

class BonusKinds : public BonusFixture {
protected:
    BonusKinds() : source(field)
    {
        WriteBonuses(kKinds2Xml);
        g_GameTimer.BindControls(&bar, nullptr, nullptr);
        g_GameTimer.SetFrozen(false);
    }
    ~BonusKinds() override
    {
        g_GameTimer.SetFrozen(false);
        g_GameTimer.BindControls(nullptr, nullptr, nullptr);
    }

    // A new bonus of the kind on the recording source.
    template <class T>
    std::shared_ptr<T> Create(int kind)
    {
        auto bonus = std::dynamic_pointer_cast<T>(CreateBonus(kind));
        EXPECT_TRUE(bonus) << kind;
        if (bonus) bonus->SetDataSource(&source);
        return bonus;
    }
    // The bonus's preview at a cell for a grade.
    std::vector<int> Preview(IBaseBonus& bonus, int grade, int cell)
    {
        EXPECT_TRUE(bonus.SetGrade(grade));
        std::vector<int> cells{-7};
        bonus.GetAffectedCells(cell, cells);
        return cells;
    }
    // Frames of the bonus (update, then draw) until it ends; the number run.
    int RunToEnd(IBaseBonus& bonus, int limit = 2000)
    {
        int n = 0;
        while (bonus.IsActive() && n < limit) {
            bonus.Update();
            bonus.Draw();
            ++n;
        }
        return n;
    }
    std::vector<int> Types() const
    {
        std::vector<int> out;
        for (int c = 0; c < g_LevelCfg.GetCellCount(); ++c) out.push_back(field.GetBallType(c));
        return out;
    }
    static std::vector<int> Sorted(std::vector<int> v)
    {
        std::sort(v.begin(), v.end());
        return v;
    }

    TipBar bar;
    FieldSource source;
};

// ---- the kinds and their cursors --------------------------------------------------------------

TEST_F(BonusKinds, FactoryMakesTheFourKindsWithTheirCursors)
{
    Load({"1 2", "3 1"});
    struct Case {
        int kind;
        int grade;
        const char* cursor;
    };
    const Case cases[] = {
        {bkClover, 1, "clover"}, {bkClover, 4, "clover4"}, {bkBag, 2, "bag"},
        {bkSandClock, 3, "default"},   // no cursor attribute
        {bkMixer, 1, "default"},
    };
    for (const Case& c : cases) {
        CBonusController controller;
        controller.SetDataSource(&source);
        ASSERT_TRUE(controller.Select(c.kind, c.grade)) << c.kind;
        EXPECT_EQ(controller.GetCursorName(), c.cursor) << c.kind << " grade " << c.grade;
    }
    EXPECT_TRUE(std::dynamic_pointer_cast<CCloverBonus>(CreateBonus(bkClover)));
    EXPECT_TRUE(std::dynamic_pointer_cast<CBagBonus>(CreateBonus(bkBag)));
    EXPECT_TRUE(std::dynamic_pointer_cast<CSandClockBonus>(CreateBonus(bkSandClock)));
    EXPECT_TRUE(std::dynamic_pointer_cast<CMixerBonus>(CreateBonus(bkMixer)));
}

TEST_F(BonusKinds, WhereTheClickedKindsMayBeApplied)
{
    // Row 0: plain, locked, boxed, multiball, finisher, plain; row 1: a wall cell, an inactive cell.
    Load({"1 1l 1b M F 2", "W # 2 2 2 2"});
    auto clover = Create<CCloverBonus>(bkClover);
    auto bag = Create<CBagBonus>(bkBag);
    struct Case {
        int column, row;
        bool ok;
    };
    const Case cases[] = {{0, 0, true}, {1, 0, true}, {2, 0, false}, {3, 0, false},
                          {4, 0, false}, {5, 0, true}, {0, 1, false}, {1, 1, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(clover->CanApply(1, Cell(c.column, c.row)), c.ok) << c.column << "," << c.row;
        EXPECT_EQ(bag->CanApply(1, Cell(c.column, c.row)), c.ok) << c.column << "," << c.row;
    }
    // Never anywhere, nor outside the field.
    EXPECT_FALSE(clover->CanApply(1, -1));
    EXPECT_FALSE(bag->CanApply(1, -1));
    EXPECT_FALSE(clover->CanApply(1, 100));
    EXPECT_FALSE(bag->Apply(1, -1));
    EXPECT_FALSE(bag->IsActive());
    // Once a type is picked, the clover refuses a ball of that type.
    source.chosen = 1;
    EXPECT_FALSE(clover->CanApply(1, Cell(0, 0)));
    EXPECT_TRUE(clover->CanApply(1, Cell(2, 1)));
}

// ---- the clover ------------------------------------------------------------------------------------

TEST_F(BonusKinds, CloverPreviewIsTheNearestShareOfTheClickedType)
{
    // Eight balls of type 2 at distances 0 to 7 along the row from the click (column 0), one of
    // them locked (it changes too), one boxed (never).
    Load({"2 2 2l 2 2 2 2 2 2b", "1 1 1 1 1 1 1 1 1"});
    auto clover = Create<CCloverBonus>(bkClover);
    // Before a type is picked the preview is the clicked ball alone.
    EXPECT_EQ(Preview(*clover, 1, Cell(3, 0)), std::vector<int>{Cell(3, 0)});
    source.chosen = 1;
    const std::vector<int> row = {Cell(0, 0), Cell(1, 0), Cell(2, 0), Cell(3, 0),
                                  Cell(4, 0), Cell(5, 0), Cell(6, 0), Cell(7, 0)};
    const size_t expected[] = {0, 2, 4, 6, 8};   // 25, 50, 75, 100 percent of eight
    for (int grade = 1; grade <= 4; ++grade) {
        const std::vector<int> cells = Preview(*clover, grade, Cell(0, 0));
        EXPECT_EQ(cells, std::vector<int>(row.begin(), row.begin() + long(expected[grade])))
            << "grade " << grade;
    }
    // Clicked in the middle: nearest first on both sides.
    const std::vector<int> mid = Preview(*clover, 2, Cell(4, 0));
    ASSERT_EQ(mid.size(), 4u);
    EXPECT_EQ(mid[0], Cell(4, 0));
    EXPECT_EQ(Sorted({mid[1], mid[2]}), Sorted({Cell(3, 0), Cell(5, 0)}));
    // A ball of the picked type, or one that may not be aimed at, previews nothing.
    EXPECT_TRUE(Preview(*clover, 4, Cell(0, 1)).empty());
    EXPECT_TRUE(Preview(*clover, 4, Cell(8, 0)).empty());
    EXPECT_TRUE(Preview(*clover, 4, -1).empty());
}

TEST_F(BonusKinds, CloverChangesItsCellsWaveByWaveAfterTheirDelay)
{
    Load({"2 2 2 2 2 2 2 2", "1 3 3 3 3 3 3 3"});
    source.chosen = 3;
    auto clover = Create<CCloverBonus>(bkClover);
    Samples();
    ASSERT_TRUE(clover->Apply(2, Cell(0, 0)));
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_clover"});
    clover->Update();   // prepare: half of eight
    ASSERT_EQ(clover->GetChanges().size(), 4u);
    clover->Update();   // wave 1 releases 25 x 4 / 50 = 2
    EXPECT_EQ(clover->GetWave(), 1);
    EXPECT_EQ(clover->GetReleased(), 2);
    // The balls change 20 frames after the wave opened.
    for (int i = 0; i < 19; ++i) {
        clover->Update();
        EXPECT_EQ(field.GetBallType(Cell(0, 0)), 2) << i;
    }
    clover->Update();
    EXPECT_EQ(field.GetBallType(Cell(0, 0)), 3);
    EXPECT_EQ(field.GetBallType(Cell(1, 0)), 3);
    EXPECT_EQ(field.GetBallType(Cell(2, 0)), 2);
    EXPECT_LT(RunToEnd(*clover), 200);
    EXPECT_EQ(clover->GetWave(), 3);   // the third opening found the grade used up
    EXPECT_EQ(Types(), (std::vector<int>{3, 3, 3, 3, 2, 2, 2, 2, 1, 3, 3, 3, 3, 3, 3, 3}));
    // One more sample for the second wave.
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_clover"});
    EXPECT_TRUE(clover->GetChanges().empty());
}

TEST_F(BonusKinds, CloverWaveLastsWhileItsChangeAnimationPlays)
{
    // The change effect with a one-pass animation of three frames, two drawn frames each.
    std::string xml = kKinds2Xml;
    const std::string still = "tex_rect=\"0 0 12 12\"/></CloverEffect>";
    xml.replace(xml.find(still), still.size(), "><animation file=\"WandChange.xml\"/></graphics></CloverEffect>");
    int frames[2] = {0, 0};
    for (int animated = 0; animated < 2; ++animated) {
        if (animated) WriteBonuses(xml);
        Load({"2 2 2 2", "1 1 1 1"});
        source.chosen = 1;
        auto clover = Create<CCloverBonus>(bkClover);
        ASSERT_TRUE(clover->Apply(4, Cell(0, 0)));
        frames[animated] = RunToEnd(*clover);
        EXPECT_EQ(Types(), (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 1}));
    }
    // Four waves of one ball each, every one held by the animation's six drawn frames.
    EXPECT_GE(frames[1] - frames[0], 4 * 5);
    EXPECT_LT(frames[1], 500);
}

TEST_F(BonusKinds, CloverWaitsForItsParticlesButNotForEver)
{
    // The test library's "Burst" ends by itself after half a second; "Loop" never does.
    RecordingEngine engine;
    engine.frame_time = 0.016f;
    {
        zftest::ScopedChdir library(std::string(ZF_TEST_DATA_DIR) + "/pyro");
        ASSERT_TRUE(InitPyro("Test.pyro"));
    }
    struct Case {
        const char* alias;
        bool cut;
    };
    int frames[2] = {0, 0};
    for (const Case& c : {Case{"Burst", false}, Case{"Loop", true}}) {
        std::string xml = kKinds2Xml;
        xml.replace(xml.find("pyro=\"\""), 7, std::string("pyro=\"") + c.alias + "\"");
        WriteBonuses(xml);
        Load({"2 2 2 2", "1 1 1 1"});
        source.chosen = 1;
        auto clover = Create<CCloverBonus>(bkClover);
        zftest::LogWatch log;
        ASSERT_TRUE(clover->Apply(1, Cell(0, 0)));
        frames[c.cut] = RunToEnd(*clover, 5000);
        EXPECT_FALSE(clover->IsActive()) << c.alias;
        EXPECT_EQ(field.GetBallType(Cell(0, 0)), 1) << c.alias;
        EXPECT_EQ(log.Has("Warning: the clover's particles \"Loop\" still run after 600 frames; they are cut."), c.cut)
            << c.alias;
    }
    // The burst holds the wave for its half second (and the removal after it), the loop for the limit.
    EXPECT_GT(frames[0], 20 + 30);
    EXPECT_LT(frames[0], 200);
    EXPECT_GT(frames[1], CCloverBonus::kMaxParticleWait);
    EXPECT_LT(frames[1], CCloverBonus::kMaxParticleWait + 100);
    ShutdownPyro();
}

TEST_F(BonusKinds, CloverWithTooFewBallsFinishesWithoutAChange)
{
    Load({"2 2 2 1"});
    source.chosen = 1;
    auto clover = Create<CCloverBonus>(bkClover);
    EXPECT_TRUE(Preview(*clover, 1, Cell(0, 0)).empty());   // 25 % of three is none
    Samples();
    ASSERT_TRUE(clover->Apply(1, Cell(0, 0)));
    clover->Update();
    EXPECT_EQ(clover->GetPhase(), CWaveBonusImpl::phFinish);
    clover->Update();
    EXPECT_FALSE(clover->IsActive());
    EXPECT_EQ(Types(), (std::vector<int>{2, 2, 2, 1}));
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_clover"});
    // A grade the file does not have ends the same way.
    auto other = Create<CCloverBonus>(bkClover);
    ASSERT_TRUE(other->Apply(7, Cell(0, 0)));
    EXPECT_EQ(RunToEnd(*other), 2);
    EXPECT_EQ(Types(), (std::vector<int>{2, 2, 2, 1}));
}

// ---- the bag ---------------------------------------------------------------------------------------

TEST_F(BonusKinds, BagPreviewLeavesLockedBallsOut)
{
    Load({"1l 1 1 1 1 2", "2 2 2 2 2 2"});
    auto bag = Create<CBagBonus>(bkBag);
    // Four of the five type-1 balls are free; 100 % takes them all, nearest first, not the locked
    // clicked ball.
    EXPECT_EQ(Preview(*bag, 4, Cell(0, 0)), (std::vector<int>{Cell(1, 0), Cell(2, 0), Cell(3, 0), Cell(4, 0)}));
    EXPECT_EQ(Preview(*bag, 2, Cell(0, 0)), std::vector<int>{Cell(1, 0)});   // 40 % of four
    EXPECT_EQ(Preview(*bag, 3, Cell(4, 0)), (std::vector<int>{Cell(4, 0), Cell(3, 0)}));
}

TEST_F(BonusKinds, PreviewsAtCornersSkipHolesAndWalls)
{
    // The corner ball of a field with inactive cells and walls: only cells with balls are chosen.
    Load({"1 # 1", "W 1 #", "1 W 1"});
    source.chosen = 2;
    auto bag = Create<CBagBonus>(bkBag);
    auto clover = Create<CCloverBonus>(bkClover);
    const std::vector<int> all = {Cell(0, 0), Cell(1, 1), Cell(2, 0), Cell(0, 2), Cell(2, 2)};
    for (IBaseBonus* bonus : {static_cast<IBaseBonus*>(bag.get()), static_cast<IBaseBonus*>(clover.get())}) {
        const std::vector<int> cells = Preview(*bonus, 4, Cell(0, 0));
        ASSERT_EQ(cells.size(), all.size());
        EXPECT_EQ(cells[0], Cell(0, 0));
        EXPECT_EQ(cells.back(), Cell(2, 2));   // four steps away; the others two
        EXPECT_EQ(Sorted(cells), Sorted(all));
    }
}

TEST_F(BonusKinds, ABallOfATypeTheLevelDoesNotKnowChoosesNothing)
{
    Load({"1 1 1 1", "2 2 2 2"});
    source.forget_types = true;
    source.chosen = 2;
    auto clover = Create<CCloverBonus>(bkClover);
    auto bag = Create<CBagBonus>(bkBag);
    zftest::LogWatch log;
    EXPECT_TRUE(Preview(*clover, 4, Cell(0, 0)).empty());
    EXPECT_TRUE(Preview(*bag, 4, Cell(0, 0)).empty());
    EXPECT_EQ(log.Count("Verify {ball_type != NULL} failed"), 2u) << log.Text();
    ASSERT_TRUE(bag->Apply(4, Cell(0, 0)));
    EXPECT_EQ(RunToEnd(*bag), 2);
    EXPECT_TRUE(source.kills.empty());
    EXPECT_EQ(Types(), (std::vector<int>{1, 1, 1, 1, 2, 2, 2, 2}));
}

TEST_F(BonusKinds, BagRemovesItsBallsInWavesAndCreditsThem)
{
    // Ten type-1 balls; grade 2 keeps 40 % = 4, wave 1 releases 20 x 4 / 40 = 2.
    Load({"1 1 1 1 1 1 1 1 1 1", "2 2 2 2 2 2 2 2 2 2"});
    auto bag = Create<CBagBonus>(bkBag);
    Samples();
    ASSERT_TRUE(bag->Apply(2, Cell(0, 0)));
    bag->Update();
    ASSERT_EQ(bag->GetKills().size(), 4u);
    EXPECT_EQ(bag->GetClickedType(), 1);
    bag->Update();   // wave 1, no delay
    EXPECT_EQ(bag->GetReleased(), 2);
    bag->Update();   // its kills
    EXPECT_EQ(source.kills, (std::vector<std::pair<int, int>>{{Cell(0, 0), 26}, {Cell(1, 0), 26}}));
    bag->Update();   // nothing left of the wave: the next opens
    bag->Update();
    EXPECT_EQ(bag->GetWave(), 2);
    for (int i = 0; i < 9; ++i) bag->Update();   // the second wave waits 10 frames
    EXPECT_EQ(source.kills.size(), 2u);
    bag->Update();
    EXPECT_EQ(source.kills.size(), 4u);
    EXPECT_EQ(source.kills[3], std::make_pair(Cell(3, 0), 26));
    EXPECT_LT(RunToEnd(*bag), 10);
    // The four balls were hit and credited with the grade's amount each.
    for (int c = 0; c < 4; ++c) EXPECT_NE(field.GetBalls().GetBallGraphState(Cell(c, 0)), gosDefault) << c;
    EXPECT_EQ(field.GetBalls().GetBallGraphState(Cell(4, 0)), gosDefault);
    EXPECT_EQ(user.resources[1], 4 * 26);
    EXPECT_EQ(BonusSamples(), (std::vector<std::string>{"bn_bag", "bn_bag"}));
}

TEST_F(BonusKinds, BagLeavesACellWhoseBallChangedBeforeItsWave)
{
    Load({"1 1 1 1 1 1 1 1 1 1", "2 2 2 2 2 2 2 2 2 2"});
    auto bag = Create<CBagBonus>(bkBag);
    ASSERT_TRUE(bag->Apply(2, Cell(0, 0)));
    bag->Update();
    ASSERT_EQ(bag->GetKills().size(), 4u);
    // The last of the four changes type before the second wave reaches it.
    ASSERT_TRUE(field.ChangeBallType(Cell(3, 0), 3));
    RunToEnd(*bag);
    EXPECT_EQ(source.kills, (std::vector<std::pair<int, int>>{{Cell(0, 0), 26}, {Cell(1, 0), 26}, {Cell(2, 0), 26}}));
    EXPECT_EQ(field.GetBalls().GetBallGraphState(Cell(3, 0)), gosDefault);
    EXPECT_EQ(user.resources[1], 3 * 26);
}

TEST_F(BonusKinds, BagAmountFollowsTheClickedType)
{
    struct Case {
        const char* level;
        int bonus_type;   // 0: the level's own balls
        int amount;
    };
    const Case cases[] = {
        {"1 1 1 1 2", 0, 28},    // a plain ball: resource_amount
        {"4 4 4 4 2", 0, 0},     // a type whose own credit is 0 passes 0
        {"1 1 1 1 2", 10, 8},    // a bonus ball: bonus_amount
    };
    for (const Case& c : cases) {
        Load({c.level}, c.bonus_type ? "allow_bonus_types=\"1\"" : "");
        source.kills.clear();
        for (int i = 0; c.bonus_type && i < 4; ++i) ASSERT_TRUE(field.ChangeBallType(i, c.bonus_type));
        auto bag = Create<CBagBonus>(bkBag);
        ASSERT_TRUE(bag->Apply(4, 0)) << c.level;
        RunToEnd(*bag);
        ASSERT_EQ(source.kills.size(), 4u) << c.level;
        for (const auto& [cell, amount] : source.kills) EXPECT_EQ(amount, c.amount) << c.level << " " << cell;
    }
}

// ---- the sand clock --------------------------------------------------------------------------------

TEST_F(BonusKinds, SandClockAddsItsTimeOnceAfterTheLastFlight)
{
    Load({"1 2", "2 1"});
    for (int grade = 1; grade <= 4; ++grade) {
        source.added_times.clear();
        Samples();
        const float paid_before = g_GameTimer.GetAddedTime();
        auto clock = Create<CSandClockBonus>(bkSandClock);
        EXPECT_TRUE(clock->CanApply(grade, -1));
        ASSERT_TRUE(clock->Apply(grade, -1));
        clock->Update();   // prepare: one flight per grade
        ASSERT_EQ(clock->GetFlights().size(), size_t(grade));
        EXPECT_TRUE(g_GameTimer.IsFrozen());
        const int points = clock->GetFlights()[0].path.GetPointCount();
        EXPECT_GT(points, 2);
        const int frames = RunToEnd(*clock);
        EXPECT_FALSE(clock->IsActive());
        // The last flight starts 20 frames after the one before and takes a frame per point and
        // one to arrive; then the phases close.
        EXPECT_GE(frames, 20 * (grade - 1) + points) << grade;
        EXPECT_LE(frames, 20 * (grade - 1) + points + 4) << grade;
        // The grade's time, once, to the time bar; which runs again.
        EXPECT_EQ(source.added_times, std::vector<int>{15 * grade});
        EXPECT_FLOAT_EQ(g_GameTimer.GetAddedTime() - paid_before, float(15 * grade));
        EXPECT_FALSE(g_GameTimer.IsFrozen());
        // The sample at the start and at each arrival.
        EXPECT_EQ(BonusSamples(), std::vector<std::string>(size_t(grade) + 1, "bn_sandclock"));
    }
}

TEST_F(BonusKinds, SandClockFlightsAreLaunchedTwentyFramesApart)
{
    Load({"1 2"});
    auto clock = Create<CSandClockBonus>(bkSandClock);
    ASSERT_TRUE(clock->Apply(4, -1));
    clock->Update();
    for (int i = 0; i < 21; ++i) clock->Update();
    const auto& flights = clock->GetFlights();
    ASSERT_EQ(flights.size(), 4u);
    EXPECT_EQ(flights[0].step, 21);
    EXPECT_EQ(flights[1].step, 2);
    EXPECT_EQ(flights[2].step, 0);
    EXPECT_EQ(flights[3].step, 0);
    // Every path runs from the start point to the tip of the time bar.
    float tx = 0.0f, ty = 0.0f;
    g_GameTimer.GetTipPosition(tx, ty);
    for (const auto& f : flights) {
        EXPECT_FLOAT_EQ(f.path.GetPoints().front().x, 100.0f);
        EXPECT_FLOAT_EQ(f.path.GetPoints().front().y, 80.0f);
        EXPECT_FLOAT_EQ(f.path.GetPoints().back().x, tx);
        EXPECT_FLOAT_EQ(f.path.GetPoints().back().y, ty);
    }
}

TEST_F(BonusKinds, SandClockWithoutItsGradeOrDroppedInFlightReleasesTheTimeBar)
{
    Load({"1 2"});
    {
        auto clock = Create<CSandClockBonus>(bkSandClock);
        ASSERT_TRUE(clock->Apply(6, -1));
        EXPECT_EQ(RunToEnd(*clock), 2);
        EXPECT_EQ(source.added_times, std::vector<int>{0});
        EXPECT_FALSE(g_GameTimer.IsFrozen());
    }
    {
        auto clock = Create<CSandClockBonus>(bkSandClock);
        ASSERT_TRUE(clock->Apply(2, -1));
        clock->Update();
        EXPECT_TRUE(g_GameTimer.IsFrozen());
    }   // dropped at the level's end
    EXPECT_FALSE(g_GameTimer.IsFrozen());
}

// ---- the mixer -------------------------------------------------------------------------------------

TEST_F(BonusKinds, MixerWithoutFreeBallsFinishesWithoutAMove)
{
    Load({"1b 2l F", "2L 1B F"});
    auto mixer = Create<CMixerBonus>(bkMixer);
    EXPECT_TRUE(mixer->CanApply(4, -1));
    const std::vector<int> before = Types();
    Samples();
    ASSERT_TRUE(mixer->Apply(4, -1));
    EXPECT_EQ(RunToEnd(*mixer), 2);
    EXPECT_EQ(Types(), before);
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_mixer"});
    // No preview.
    std::vector<int> cells{5};
    mixer->GetAffectedCells(0, cells);
    EXPECT_EQ(cells, std::vector<int>{5});
}

TEST_F(BonusKinds, MixerWavesMoveTheirShareAmongTheirOwnCells)
{
    // Ten free balls in row 0; the locked, boxed and finisher balls of row 1 never move.
    const std::vector<std::string> level = {"1 2 3 1 2 3 1 2 3 1", "2l 3b F 1l 1l 1l 1l 1l 1l 2L"};
    // Grade 1 keeps 10 % of ten: one ball, which is its wave's only destination.
    Load(level);
    auto one = Create<CMixerBonus>(bkMixer);
    ASSERT_TRUE(one->Apply(1, -1));
    one->Update();
    one->Update();
    ASSERT_EQ(one->GetChosenBalls().size(), 1u);
    ASSERT_EQ(one->GetMoves().size(), 1u);
    EXPECT_EQ(one->GetMoves()[0].from, one->GetMoves()[0].to);
    EXPECT_LT(RunToEnd(*one), 500);

    // Grade 2 keeps 20 % = 2; wave 1 moves 10 x 2 / 20 = 1 of them, wave 2 the other.
    Load(level);
    Samples();
    auto mixer = Create<CMixerBonus>(bkMixer);
    const std::vector<int> before = Types();
    ASSERT_TRUE(mixer->Apply(2, -1));
    mixer->Update();
    ASSERT_EQ(mixer->GetChosenBalls().size(), 2u);
    for (const auto& b : mixer->GetChosenBalls()) {
        EXPECT_EQ(mixer->GetTypeSnapshot()[size_t(b.cell)], 0) << b.cell;
        EXPECT_EQ(b.graph_type, before[size_t(b.cell)]);
        EXPECT_LT(b.cell, 10);   // row 0
    }
    mixer->Update();
    ASSERT_EQ(mixer->GetMoves().size(), 1u);
    EXPECT_EQ(mixer->GetMoves()[0].from, mixer->GetChosenBalls()[0].cell);
    EXPECT_EQ(mixer->GetReleased(), 1);
    int frames = 0;
    while (mixer->GetWave() < 2 && frames++ < 500) mixer->Update();
    ASSERT_EQ(mixer->GetMoves().size(), 1u);
    EXPECT_EQ(mixer->GetMoves()[0].from, mixer->GetChosenBalls()[1].cell);
    EXPECT_EQ(mixer->GetReleased(), 2);
    EXPECT_LT(RunToEnd(*mixer), 500);
    EXPECT_EQ(mixer->GetWave(), 3);
    EXPECT_EQ(Types(), before);
    EXPECT_EQ(BonusSamples(), (std::vector<std::string>{"bn_mixer", "bn_mixer"}));
}

TEST_F(BonusKinds, MixerPermutesItsBallsAndFullBenefactorSeeksTheirOwnType)
{
    // Two free balls: a 1 whose cell touches a locked 1, a 2 whose cell touches a locked 2. Grade 3
    // (every ball, no preference) swaps them for some draws; grade 4 (every ball, always preferring
    // a cell beside its own type) puts each back beside its own type.
    const std::vector<std::string> level = {"1l 1 3l 2 2l"};
    int swaps = 0;
    for (int seed = 1; seed <= 16; ++seed) {
        for (const int grade : {3, 4}) {
            Load(level);
            RandomSeed(uint32_t(seed));
            auto mixer = Create<CMixerBonus>(bkMixer);
            ASSERT_TRUE(mixer->Apply(grade, -1));
            EXPECT_LT(RunToEnd(*mixer), 500);
            const std::vector<int> types = Types();
            EXPECT_EQ(Sorted(types), (std::vector<int>{1, 1, 2, 2, 3})) << seed;
            EXPECT_EQ(types[0], 1);
            EXPECT_EQ(types[2], 3);
            EXPECT_EQ(types[4], 2);
            if (grade == 4) {
                EXPECT_EQ(types, (std::vector<int>{1, 1, 3, 2, 2})) << seed;
            } else if (types[1] == 2) {
                ++swaps;
            }
        }
    }
    EXPECT_GT(swaps, 0);
    EXPECT_LT(swaps, 16);
}

TEST_F(BonusKinds, MixerNeighboursDoNotWrapAroundRows)
{
    // The free 2 ends row 0 and the free 1 ends row 1. The cell after each row's end starts the next
    // row and holds a locked ball of the other free ball's type, but it is no neighbour: with a
    // full preference neither ball finds a cell beside its own type, so the random order decides,
    // and some draws keep the balls in place.
    const std::vector<std::string> level = {"3l 3l 2", "1l 3l 1", "2l 3l 3l"};
    int kept = 0;
    for (int seed = 1; seed <= 16; ++seed) {
        Load(level);
        RandomSeed(uint32_t(seed));
        auto mixer = Create<CMixerBonus>(bkMixer);
        ASSERT_TRUE(mixer->Apply(4, -1));
        RunToEnd(*mixer);
        if (field.GetBallType(Cell(2, 0)) == 2) ++kept;
    }
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 16);
}

// ---- what the file may not say ---------------------------------------------------------------------

TEST_F(BonusKinds, ValuesThatWouldStallABonusAreRefusedByName)
{
    const CXMLFile doc = ParseXml(
        "<Bonuses>"
        "<Clover><Grade id=\"1\" change_percent=\"0\"/></Clover>"
        "<Bag><Grade id=\"1\" kill_percent=\"-5\" bonus_amount=\"-1\"/></Bag>"
        "<Mixer enlarge_factor=\"2\"><Grade id=\"2\" mix_percent=\"0\" mix_benefactor=\"-3\"/></Mixer>"
        "<SandClock><Grade id=\"1\" add_time=\"-10\"/><TimeFlyEffect><Pyro alias=\"a\" speed=\"0\"/></TimeFlyEffect></SandClock>"
        "</Bonuses>");
    zftest::LogWatch log;
    CCloverBonus clover;
    ASSERT_TRUE(clover.Load(doc.SelectSingleNode("//Bonuses/Clover")));
    EXPECT_EQ(clover.GetChangePercents().at(1), 25);
    EXPECT_TRUE(log.Has("change_percent")) << log.Text();
    CBagBonus bag;
    ASSERT_TRUE(bag.Load(doc.SelectSingleNode("//Bonuses/Bag")));
    EXPECT_EQ(bag.GetGradeDescs().at(1).kill_percent, 25);
    EXPECT_EQ(bag.GetGradeDescs().at(1).bonus_amount, 5);
    EXPECT_TRUE(log.Has("kill_percent"));
    CMixerBonus mixer;
    ASSERT_TRUE(mixer.Load(doc.SelectSingleNode("//Bonuses/Mixer")));
    EXPECT_EQ(mixer.GetGradeDescs().at(2).mix_percent, 25);
    EXPECT_EQ(mixer.GetGradeDescs().at(2).mix_benefactor, 0);
    EXPECT_EQ(mixer.GetEnlargeFactor(), 2);
    EXPECT_TRUE(log.Has("mix_percent"));
    CSandClockBonus clock;
    ASSERT_TRUE(clock.Load(doc.SelectSingleNode("//Bonuses/SandClock")));
    EXPECT_EQ(clock.GetAddTimes().at(1), 30);
    EXPECT_FLOAT_EQ(clock.GetSpeed(), CSandClockBonus::kDefaultSpeed);
    EXPECT_TRUE(log.Has("speed"));
    EXPECT_TRUE(log.Has("add_time"));

    // A speed so small that a flight would last for minutes is refused too; a clock without its
    // flight element is logged and still usable.
    const CXMLFile doc2 = ParseXml("<Bonuses><SandClock><TimeFlyEffect><Pyro speed=\"0.001\"/></TimeFlyEffect>"
                                   "</SandClock><Other/></Bonuses>");
    CSandClockBonus slow;
    ASSERT_TRUE(slow.Load(doc2.SelectSingleNode("//Bonuses/SandClock")));
    EXPECT_FLOAT_EQ(slow.GetSpeed(), CSandClockBonus::kDefaultSpeed);
    CSandClockBonus bare;
    zftest::LogWatch log2;
    ASSERT_TRUE(bare.Load(doc2.SelectSingleNode("//Bonuses/Other")));
    EXPECT_TRUE(log2.Has("TimeFlyEffect"));
    EXPECT_FLOAT_EQ(bare.GetSpeed(), CSandClockBonus::kDefaultSpeed);
}

TEST_F(BonusKinds, ShippedConfigurationGivesEveryGradeItsRows)
{
    // The game's own file: every kind of this file reads four grades whose wave amounts grow.
    zftest::ScopedChdir game(std::string(ZF_SOURCE_DIR) + "/data");
    const CXMLFile doc(std::string("Settings\\bonuses.xml"));
    CCloverBonus clover;
    CBagBonus bag;
    CMixerBonus mixer;
    CSandClockBonus clock;
    zftest::LogWatch log;
    ASSERT_TRUE(clover.Load(doc.SelectSingleNode("//Bonuses/Clover")));
    ASSERT_TRUE(bag.Load(doc.SelectSingleNode("//Bonuses/Bag")));
    ASSERT_TRUE(mixer.Load(doc.SelectSingleNode("//Bonuses/Mixer")));
    ASSERT_TRUE(clock.Load(doc.SelectSingleNode("//Bonuses/SandClock")));
    // Every kind reads its element without a complaint, and knows all four grades' cursors.
    for (int kind = bkDynamite; kind <= bkMixer; ++kind) {
        const BonusPtr bonus = CreateBonus(kind);
        auto& impl = dynamic_cast<CBaseBonusImpl&>(*bonus);
        ASSERT_TRUE(impl.Load(doc.SelectSingleNode("//Bonuses/" + impl.GetConfigName()))) << kind;
        EXPECT_FALSE(impl.GetSample().empty()) << kind;
    }
    EXPECT_EQ(log.Text(), "");
    for (int g = 1; g <= 4; ++g) {
        ASSERT_EQ(clover.GetChangePercents().count(g), 1u) << g;
        ASSERT_EQ(bag.GetGradeDescs().count(g), 1u) << g;
        ASSERT_EQ(mixer.GetGradeDescs().count(g), 1u) << g;
        ASSERT_EQ(clock.GetAddTimes().count(g), 1u) << g;
        if (g > 1) {
            EXPECT_GT(clover.GetChangePercents().at(g), clover.GetChangePercents().at(g - 1));
            EXPECT_GT(bag.GetGradeDescs().at(g).kill_percent, bag.GetGradeDescs().at(g - 1).kill_percent);
            EXPECT_GT(mixer.GetGradeDescs().at(g).mix_percent, mixer.GetGradeDescs().at(g - 1).mix_percent);
            EXPECT_GT(clock.GetAddTimes().at(g), clock.GetAddTimes().at(g - 1));
        }
    }
    EXPECT_FALSE(clock.GetParticleAlias().empty());
    EXPECT_FALSE(clover.GetParticleAlias().empty());

    // Its samples are samples of the game, its particle names emitters of the library.
    const auto names = [](const std::string& file, const std::string& xpath, const std::string& attribute) {
        std::set<std::string> out;
        const CXMLFile xml(file);
        const CXMLNodeList nodes = xml.SelectNodes(xpath);
        for (int i = 0; i < nodes.GetLength(); ++i) out.insert(nodes.GetItem(i).GetAttribute(attribute));
        return out;
    };
    const std::set<std::string> samples = names("Settings\\Samples.xml", "//Samples/Sample", "alias");
    const std::set<std::string> emitters = names("Textures\\Pyro\\PyroDemo2.pyro", "//ParticleLibrary/Emitter", "name");
    const CXMLNodeList kinds = doc.SelectNodes("//Bonuses/*");
    ASSERT_EQ(kinds.GetLength(), 8);
    for (int i = 0; i < kinds.GetLength(); ++i)
        EXPECT_EQ(samples.count(kinds.GetItem(i).GetAttribute("sample")), 1u) << kinds.GetItem(i).GetAttribute("sample");
    const std::pair<const char*, const char*> particle_names[] = {
        {"//Bonuses/Clover", "pyro"}, {"//Bonuses//pyro", "alias"}, {"//Bonuses//Pyro", "alias"},
        {"//Bonuses/Dynamite", "expl_alias"}};
    for (const auto& [xpath, attribute] : particle_names) {
        const CXMLNodeList used = doc.SelectNodes(xpath);
        EXPECT_GT(used.GetLength(), 0) << xpath;
        for (int i = 0; i < used.GetLength(); ++i) {
            const std::string name = used.GetItem(i).GetAttribute(attribute);
            EXPECT_EQ(emitters.count(name), 1u) << xpath << " " << name;
        }
    }

    // Every cursor the file names is a cursor of the game, and so is the clover's cursor for each
    // plain ball type once it is picked: the grade's cursor, "_" and the graph type.
    const CXMLFile mouse(std::string("Settings\\Mouse.xml"));
    std::set<std::string> cursors;
    const CXMLNodeList cursor_nodes = mouse.SelectNodes("//Mouse/Cursor");
    for (int i = 0; i < cursor_nodes.GetLength(); ++i) cursors.insert(cursor_nodes.GetItem(i).GetAttribute("name"));
    const CXMLNodeList grades = doc.SelectNodes("//Bonuses/*/Grade");
    ASSERT_EQ(grades.GetLength(), 32);
    for (int i = 0; i < grades.GetLength(); ++i)
        EXPECT_EQ(cursors.count(grades.GetItem(i).GetAttribute("cursor", "default")), 1u)
            << grades.GetItem(i).GetAttribute("cursor");
    const CXMLFile balls(std::string("Settings\\Balls.xml"));
    const CXMLNodeList plain = balls.SelectNodes("//Balls/Ball");
    ASSERT_GT(plain.GetLength(), 0);
    for (int g = 1; g <= 4; ++g) {
        const std::string cursor = doc.SelectSingleNode("//Bonuses/Clover/Grade[@id='" + std::to_string(g) + "']")
                                       .GetAttribute("cursor", "default");
        for (int i = 0; i < plain.GetLength(); ++i) {
            const std::string name = cursor + "_" + plain.GetItem(i).GetAttribute("graph_type");
            EXPECT_EQ(cursors.count(name), 1u) << name;
        }
    }
}

} // namespace
