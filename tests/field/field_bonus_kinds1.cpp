// The dynamite, the burner, the lightning and the magic wand on small hand-made fields: the cells
// each grade affects, the hits they cause on balls, boxes, locks and tiles, the preview of the armed
// bonus, the waves and the end of the effect.
#include "bonus_test_util.h"

#include "field/bonus/field_bonus_burner.h"
#include "field/bonus/field_bonus_dynamite.h"
#include "field/bonus/field_bonus_lightning.h"
#include "field/bonus/field_bonus_wand.h"

#include "engine/render/engine_render.h"

#include <algorithm>
#include <set>

using namespace fieldtest;

namespace {

// A field seen only through the data source: plain balls by type in every cell (0: none), and no
// multiball type unless one is set. It records the type changes asked of it.
class PlainBallsSource : public IBonusDataSource {
public:
    std::vector<int> types;
    int multiball_type = 0;
    std::vector<std::pair<int, int>> changes;

    bool Has(int cell) const { return cell >= 0 && cell < int(types.size()) && types[size_t(cell)] != 0; }
    bool HitCell(int, int, bool) override { return false; }
    bool KillCell(int, int) override { return false; }
    bool UpdateMixMoves(std::vector<MixMove>&) override { return false; }
    void ApplyMixMoves(const std::vector<MixMove>&) override {}
    bool ChangeBallType(int cell, int graph_type) override
    {
        changes.emplace_back(cell, graph_type);
        return true;
    }
    void AddTime(int) override {}
    void HitNeighbours(const std::vector<int>&) override {}
    bool IsFieldCell(int cell) const override { return cell >= 0 && cell < int(types.size()); }
    bool HasPuzzle(int) const override { return false; }
    bool HasBall(int cell) const override { return Has(cell); }
    bool HasPlayableBall(int cell) const override { return Has(cell); }
    bool IsFinisher(int) const override { return false; }
    bool IsMultiball(int) const override { return false; }
    bool IsLocked(int) const override { return false; }
    bool IsBoxed(int) const override { return false; }
    bool HasWall(int) const override { return false; }
    void GetMatchGroup(int, std::vector<int>& cells, int& graph_type) const override
    {
        cells.clear();
        graph_type = 0;
    }
    BallTypeEntryPtr FindBallType(int) const override { return nullptr; }
    int GetBallType(int cell) const override { return Has(cell) ? types[size_t(cell)] : 0; }
    int GetMultiballType() const override { return multiball_type; }
    int GetChosenBallType() const override { return 0; }
};

class BonusKinds : public BonusFixture {
protected:
    std::vector<int> Cells(const std::vector<std::pair<int, int>>& positions) const
    {
        std::vector<int> out;
        for (const auto& [c, r] : positions) out.push_back(Cell(c, r));
        return out;
    }
    std::vector<int> Sorted(std::vector<int> cells) const
    {
        std::sort(cells.begin(), cells.end());
        return cells;
    }
    std::vector<int> Preview(int kind, int grade, int column, int row)
    {
        EXPECT_TRUE(controller.Select(kind, grade));
        std::vector<int> cells = {-7};   // replaced
        controller.GetAffectedCells(Cell(column, row), cells);
        return cells;
    }
};

} // namespace

// ---- Aiming

TEST_F(BonusKinds, AimedKindsRefuseFinishersEmptyAndInactiveCellsAndAnywhere)
{
    // D: an empty disabled cell; #: an inactive cell.
    Load({"1 F D #", "2b 3l 1t 2"});
    struct Case {
        int column, row;
        bool ok;
    };
    const std::vector<Case> cases = {
        {0, 0, true}, {1, 0, false}, {2, 0, false}, {3, 0, false}, {0, 1, true}, {1, 1, true}, {2, 1, true}};
    for (int kind : {bkDynamite, bkBurner}) {
        for (const Case& c : cases) {
            EXPECT_EQ(controller.CanApply(kind, 1, Cell(c.column, c.row)), c.ok)
                << "kind " << kind << " at " << c.column << "," << c.row;
            EXPECT_EQ(Preview(kind, 1, c.column, c.row).empty(), !c.ok) << "kind " << kind;
        }
        EXPECT_FALSE(controller.CanApply(kind, 1, -1));
        Samples();
        EXPECT_FALSE(controller.Apply(kind, 1, Cell(1, 0)));
        EXPECT_TRUE(BonusSamples().empty());
    }
    EXPECT_FALSE(controller.HasRunningBonuses());
}

// ---- Dynamite

TEST_F(BonusKinds, DynamiteHitsItsCellAsOftenAsItsPowerAndOpensNeighbouringBoxes)
{
    Load({"1 2 3", "2 1B 2b", "3 1 2t"});
    Samples();
    ASSERT_TRUE(controller.Apply(bkDynamite, 1, Cell(1, 1)));
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_dynamite"});
    EXPECT_EQ(RunBonuses(), 1);
    // Power 2 takes both box levels of the clicked ball; the ball itself stays.
    EXPECT_EQ(Box(1, 1), 0);
    EXPECT_FALSE(IsDead(1, 1));
    // The neighbour effects open the box beside it.
    EXPECT_EQ(Box(2, 1), 0);
    EXPECT_TRUE(DeadCells().empty());
    // Beside the boxes' own explosions, the dynamite's at the centre of its cell.
    std::vector<RecordingScene::Explosion> blasts;
    for (const auto& e : scene.explosions)
        if (e.alias == "dynamite_blast") blasts.push_back(e);
    ASSERT_EQ(blasts.size(), 1u);
    EXPECT_FLOAT_EQ(blasts[0].x, 4.0f + 12.0f + 6.0f);
    EXPECT_FLOAT_EQ(blasts[0].y, 4.0f + 12.0f + 6.0f);

    // On a plain ball over a tile: the ball dies and the tile loses its layer.
    const int broken = field.GetStats().n_puzzles_broke;
    const int layers = Tiles(2, 2);
    ASSERT_TRUE(controller.Apply(bkDynamite, 1, Cell(2, 2)));
    RunBonuses();
    EXPECT_TRUE(IsDead(2, 2));
    EXPECT_EQ(Tiles(2, 2), layers - 1);
    EXPECT_EQ(field.GetStats().n_puzzles_broke, broken + 1);
    // Hits credit nothing.
    EXPECT_EQ(user.score, 0);
    EXPECT_TRUE(user.resources.empty());
}

TEST_F(BonusKinds, DynamiteShapeKeepsToCellsThatExistAndHoldBalls)
{
    Load({"1 2 3 1", "F 3 1 2", "2 D 3 1", "W 1 2 3"});
    struct Case {
        int column, row;
        std::vector<std::pair<int, int>> hit;   // in shape order: centre, up, right, down, left
    };
    const std::vector<Case> cases = {
        {0, 0, {{0, 0}, {1, 0}}},                            // corner: up and left are off the field, below a finisher
        {3, 3, {{3, 3}, {3, 2}, {2, 3}}},                    // the opposite corner
        {1, 1, {{1, 1}, {1, 0}, {2, 1}}},                    // a disabled cell below, a finisher to the left
        {0, 2, {{0, 2}}},                                    // a finisher above, a wall below, a disabled cell right
    };
    for (const Case& c : cases) {
        Load({"1 2 3 1", "F 3 1 2", "2 D 3 1", "W 1 2 3"});
        EXPECT_EQ(Preview(bkDynamite, 2, c.column, c.row), Cells(c.hit)) << c.column << "," << c.row;
        ASSERT_TRUE(controller.Apply(bkDynamite, 2, Cell(c.column, c.row)));
        RunBonuses();
        EXPECT_EQ(DeadCells(), Sorted(Cells(c.hit))) << c.column << "," << c.row;
        EXPECT_FALSE(IsDead(0, 1));
    }
    // The last case's neighbour effects hit the wall below its cell.
    EXPECT_EQ(Wall(0, 3), 0);
}

TEST_F(BonusKinds, DynamiteCellListedTwiceIsHitTwiceAndAGradeWithoutShapeDoesNothing)
{
    Load({"1L 2 3", "2 1 2"});
    EXPECT_EQ(Preview(bkDynamite, 3, 0, 0), Cells({{0, 0}, {0, 0}, {1, 0}}));
    ASSERT_TRUE(controller.Apply(bkDynamite, 3, Cell(0, 0)));
    RunBonuses();
    EXPECT_EQ(Lock(0, 0), 0);
    EXPECT_FALSE(IsDead(0, 0));
    EXPECT_EQ(DeadCells(), Cells({{1, 0}}));

    // No grade 4 in the file: the dynamite is spent without effect.
    Load({"1 2 3", "2 1 2"});
    scene.explosions.clear();
    EXPECT_TRUE(Preview(bkDynamite, 4, 1, 0).empty());
    ASSERT_TRUE(controller.Apply(bkDynamite, 4, Cell(1, 0)));
    EXPECT_EQ(RunBonuses(), 1);
    EXPECT_TRUE(DeadCells().empty());
    EXPECT_TRUE(scene.Aliases().empty());
}

TEST_F(BonusKinds, DynamiteNegativePowerIsRefusedAtLoad)
{
    WriteBonuses(R"(<Bonuses><Dynamite><Grade id="1"><Shape><Cell dx="0" dy="0" power="-2"/>
        <Cell dx="1" dy="0" power="1"/></Shape></Grade></Dynamite></Bonuses>)");
    Load({"1B 2 3"});
    zftest::LogWatch log;
    ASSERT_TRUE(controller.Apply(bkDynamite, 1, Cell(0, 0)));
    EXPECT_TRUE(log.Has("Dynamite attribute power="));
    RunBonuses();
    // The refused power is 0: the cell is not hit, its neighbour is.
    EXPECT_EQ(Box(0, 0), 1);
    EXPECT_EQ(DeadCells(), Cells({{1, 0}}));
}

// ---- Burner

TEST_F(BonusKinds, BurnerFlamesCrossEmptyCellsAndStopAtWallsFinishersAndEdges)
{
    // Row 1 holds an empty disabled cell and a double wall; row 0 a finisher.
    const std::vector<std::string> rows = {"1 2 3 F 4", "2 D 3 V 1", "3 1 2 3 1"};
    Load(rows);
    EXPECT_EQ(Preview(bkBurner, 1, 1, 0), Cells({{1, 0}, {2, 0}, {0, 0}}));
    Samples();
    ASSERT_TRUE(controller.Apply(bkBurner, 1, Cell(1, 0)));
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_burner"});
    const int frames = RunBonuses();
    EXPECT_GT(frames, 3);
    EXPECT_LT(frames, 20);
    EXPECT_EQ(DeadCells(), Cells({{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_TRUE(field.GetBalls().IsFinisher(Cell(3, 0)));

    // Three rows: the middle row's left flame crosses the empty cell, its right flame stops at the wall.
    Load(rows);
    EXPECT_EQ(Preview(bkBurner, 2, 2, 1),
              Cells({{2, 0}, {1, 0}, {0, 0}, {2, 1}, {2, 2}, {3, 2}, {4, 2}, {1, 2}, {0, 2}}));
    ASSERT_TRUE(controller.Apply(bkBurner, 2, Cell(2, 1)));
    BonusFrame();
    const auto& flames = dynamic_cast<CBurnerBonus&>(*controller.GetRunningBonuses()[0]).GetFlames();
    EXPECT_EQ(flames.size(), 6u);
    // The column is hit at once.
    EXPECT_EQ(DeadCells(), Cells({{2, 0}, {2, 1}, {2, 2}}));
    RunBonuses();
    EXPECT_EQ(DeadCells(), Cells({{0, 0}, {1, 0}, {2, 0}, {0, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}));
    // The right flame of row 1 stopped at the wall, which the neighbour effects of the hits beside
    // it then knocked down.
    EXPECT_FALSE(IsDead(4, 1));
    EXPECT_EQ(Wall(3, 1), 0);
}

TEST_F(BonusKinds, BurnerRowsWithoutABallInTheColumnGetNoFlames)
{
    Load({"1 2 3", "2 D 1", "3 1 2"});
    ASSERT_TRUE(controller.Apply(bkBurner, 2, Cell(1, 0)));
    BonusFrame();
    const auto& bonus = dynamic_cast<CBurnerBonus&>(*controller.GetRunningBonuses()[0]);
    // Row -1 is off the field and row 1 has no ball in the column.
    EXPECT_EQ(bonus.GetFlames().size(), 2u);
    RunBonuses();
    EXPECT_EQ(DeadCells(), Cells({{0, 0}, {1, 0}, {2, 0}}));

    // A finisher in the column is not hit, but its row still burns.
    Load({"1 2 3", "2 F 1", "3 1 2"});
    ASSERT_TRUE(controller.Apply(bkBurner, 2, Cell(1, 2)));
    RunBonuses();
    EXPECT_EQ(DeadCells(), Cells({{0, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}));
}

TEST_F(BonusKinds, BurnerHitsLocksAndBoxesOnceAndOpensBoxesBesideTheFlames)
{
    Load({"1 2l 3B 1", "2b 3 1 2"});
    ASSERT_TRUE(controller.Apply(bkBurner, 1, Cell(0, 0)));
    RunBonuses();
    EXPECT_TRUE(IsDead(0, 0));
    EXPECT_EQ(Lock(1, 0), 0);
    EXPECT_FALSE(IsDead(1, 0));
    // The double box loses one level to the neighbour effect of the lock's hit and one to the flame.
    EXPECT_EQ(Box(2, 0), 0);
    EXPECT_FALSE(IsDead(2, 0));
    EXPECT_TRUE(IsDead(3, 0));
    // The box below the clicked cell is opened by the neighbour effects.
    EXPECT_EQ(Box(0, 1), 0);
}

TEST_F(BonusKinds, BurnerNegativeLinesAreRefusedAtLoadAndAGradeWithoutRecordEndsAtOnce)
{
    WriteBonuses(R"(<Bonuses><Burner><Grade id="1" up_lines="-1" down_lines="1"/></Burner></Bonuses>)");
    Load({"1 2", "2 1", "3 3"});
    zftest::LogWatch log;
    ASSERT_TRUE(controller.Apply(bkBurner, 1, Cell(0, 0)));
    EXPECT_TRUE(log.Has("Burner attribute up_lines="));
    RunBonuses();
    EXPECT_EQ(DeadCells(), Cells({{0, 0}, {1, 0}, {0, 1}, {1, 1}}));

    Load({"1 2", "2 1"});
    ASSERT_TRUE(controller.Apply(bkBurner, 3, Cell(0, 0)));
    EXPECT_EQ(RunBonuses(), 1);
    EXPECT_TRUE(DeadCells().empty());
}

TEST_F(BonusKinds, ANarrowFlameDoesNotHitItsStartCellAgain)
{
    // Flames a third of a cell wide: the right one is still inside its start cell after its first steps.
    WriteBonuses(R"(<Bonuses><Burner><Grade id="1">
        <BackwardEffect><graphics texture="Textures\Balls.png" width="4" height="12"/></BackwardEffect>
        <ForwardEffect><graphics texture="Textures\Balls.png" width="4" height="12"/></ForwardEffect>
        </Grade></Burner></Bonuses>)");
    Load({"1l 2l 3l"});
    ASSERT_TRUE(controller.Apply(bkBurner, 1, Cell(1, 0)));
    RunBonuses();
    // One hit each: the locks open and no ball dies.
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(Lock(column, 0), 0) << column;
        EXPECT_FALSE(IsDead(column, 0)) << column;
    }
}

// ---- Lightning

TEST_F(BonusKinds, LightningReservesStrikesForTilesAndLockedBalls)
{
    // Two plain balls on tiles, one boxed ball on a tile, three locked balls off tiles, nothing else.
    Load({"1t F 2t F", "F 3bt F 1l", "2l F 3l F"});
    const std::set<int> tile_plain = {Cell(0, 0), Cell(2, 0)};
    const int tile_boxed = Cell(1, 1);
    const std::set<int> locked = {Cell(3, 1), Cell(0, 2), Cell(2, 2)};
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u}) {
        RandomSeed(seed);
        auto bonus = Make<CLightningBonus>();
        ASSERT_TRUE(bonus->Apply(3, -1));
        bonus->Update();   // prepare
        std::set<int> struck;
        for (const auto& s : bonus->GetStrikes()) struck.insert(s.cell);
        ASSERT_EQ(struck.size(), 5u);
        // k1 = 2 from the plain tile balls, k2 = 1 the boxed one on its tile, k3 = 1 locked, and
        // k4 = 1 more from what is left: another locked ball.
        for (int c : tile_plain) EXPECT_EQ(struck.count(c), 1u);
        EXPECT_EQ(struck.count(tile_boxed), 1u);
        int n_locked = 0;
        for (int c : locked) n_locked += int(struck.count(c));
        EXPECT_EQ(n_locked, 2);
    }
}

TEST_F(BonusKinds, LightningGradeRowsAreCappedAtLoad)
{
    auto bonus = Make<CLightningBonus>();
    ASSERT_TRUE(bonus->SetGrade(4));
    const auto& grades = bonus->GetGradeDescs();
    ASSERT_EQ(grades.count(4), 1u);
    EXPECT_EQ(grades.at(4).max_kill, 2);
    EXPECT_EQ(grades.at(4).puzzle_kill, 2);
    EXPECT_EQ(grades.at(4).locked_kill, 0);
    EXPECT_EQ(grades.at(3).puzzle_kill, 3);
    EXPECT_EQ(grades.at(3).locked_kill, 1);
}

TEST_F(BonusKinds, LightningStrikesInWavesAndHitsEachStruckCellOnce)
{
    Load({"1 2 3 1 2", "2 3 1 2 3", "3 1 2 3 1", "1 2 3 1 2"});
    Samples();
    ASSERT_TRUE(controller.Apply(bkLightning, 2, -1));
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_lightning"});
    // Held here too: the controller drops it when it ends.
    const BonusPtr held = controller.GetRunningBonuses()[0];
    auto& bonus = dynamic_cast<CLightningBonus&>(*held);
    BonusFrame();   // prepare
    ASSERT_EQ(bonus.GetStrikes().size(), 4u);
    std::vector<int> cells;
    for (const auto& s : bonus.GetStrikes()) cells.push_back(s.cell);

    // Per strike: the frame it started striking and the frame its cell was hit.
    std::map<int, int> striking_at, hit_at;
    int opened_second_wave = -1;
    int frame = 0;
    while (controller.HasRunningBonuses() && frame < 500) {
        ++frame;
        BonusFrame();
        if (opened_second_wave < 0 && bonus.GetWave() == 2) opened_second_wave = frame;
        for (const auto& s : bonus.GetStrikes()) {
            if (s.state >= CLightningBonus::ssStriking && !striking_at.count(s.cell)) striking_at[s.cell] = frame;
            if (s.state == CLightningBonus::ssStruck && !hit_at.count(s.cell)) {
                hit_at[s.cell] = frame;
                EXPECT_TRUE(IsDead(s.cell % 5, s.cell / 5));
            }
        }
        if (!bonus.GetStrikes().empty()) {
            for (const auto& s : bonus.GetStrikes())
                if (s.state != CLightningBonus::ssStruck) {
                    EXPECT_FALSE(IsDead(s.cell % 5, s.cell / 5));
                }
        }
    }
    EXPECT_LT(frame, 500);
    EXPECT_EQ(hit_at.size(), 4u);
    EXPECT_EQ(DeadCells(), Sorted(cells));
    // The first two strikes belong to wave 1, the last two to wave 2, which opens once wave 1 is
    // over, plays the sample again and waits 20 frames.
    ASSERT_GT(opened_second_wave, 0);
    for (size_t i = 0; i < 4; ++i) {
        const int c = cells[i];
        const int opened = i < 2 ? 1 : opened_second_wave + 20;
        EXPECT_GE(striking_at[c] - opened, 0) << i;
        EXPECT_LE(striking_at[c] - opened, 21) << i;
        EXPECT_GE(hit_at[c] - striking_at[c], 10) << i;
        EXPECT_LE(hit_at[c] - striking_at[c], 30) << i;
        if (i < 2) {
            EXPECT_LT(hit_at[c], opened_second_wave);
        }
    }
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_lightning"});
}

TEST_F(BonusKinds, LightningBoltStandsOnTheStruckCell)
{
    Load({"1 2", "2 1"});
    auto bonus = Make<CLightningBonus>();
    ASSERT_TRUE(bonus->Apply(1, -1));
    bonus->Update();
    ASSERT_FALSE(bonus->GetStrikes().empty());
    for (const auto& s : bonus->GetStrikes()) {
        float cx = 0.0f, cy = 0.0f;
        ASSERT_TRUE(g_LevelCfg.CellToScreenCenter(s.cell, cx, cy));
        // The joint is centred on the cell; the bolt is centred above it and ends on its lower edge.
        EXPECT_FLOAT_EQ(s.joint->GetX() + s.joint->GetWidth() / 2, cx);
        EXPECT_FLOAT_EQ(s.joint->GetY() + s.joint->GetHeight() / 2, cy);
        EXPECT_FLOAT_EQ(s.bolt->GetX() + s.bolt->GetWidth() / 2, cx);
        EXPECT_FLOAT_EQ(s.bolt->GetY() + s.bolt->GetHeight(), cy + 6.0f);
        EXPECT_FLOAT_EQ(s.bolt->GetHeight(), 30.0f);
    }
}

TEST_F(BonusKinds, LightningWithoutPlayableBallsFinishesAtOnce)
{
    Load({"F D W", "F # F"});
    Samples();
    ASSERT_TRUE(controller.Apply(bkLightning, 4, -1));
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_lightning"});
    // Prepare, the first wave finding nothing, the finish.
    EXPECT_EQ(RunBonuses(), 3);
    EXPECT_TRUE(BonusSamples().empty());
}

// ---- Magic wand

TEST_F(BonusKinds, WandLeavesOneCandidateUnlessABoxedBallLies)
{
    struct Case {
        std::vector<std::string> rows;
        int grade;
        int changed;
    };
    const std::vector<Case> cases = {
        {{"M 1 F"}, 1, 0},          // one candidate, no box: nothing
        {{"M 1 2b F"}, 1, 1},       // one candidate and a boxed ball: it changes
        {{"1 2 3 F"}, 2, 2},        // three candidates, three asked: one stays
        {{"1 2 3 4b"}, 2, 3},       // the same with a boxed ball: all three
        // More balls from tiles asked than balls in all: the grade's three, not five.
        {{"1t 2t 3t 1t", "2t 3 1 2"}, 3, 3},
        {{"1 2 3 4b"}, 4, 0},       // no grade 4 in the file: the wand is spent without effect
    };
    for (const Case& c : cases) {
        Load(c.rows);
        std::vector<int> before;
        for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell) before.push_back(field.GetBallType(cell));
        ASSERT_TRUE(controller.Apply(bkMagicWand, c.grade, -1));
        EXPECT_LT(RunBonuses(), 200);
        int changed = 0;
        for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell) {
            const int now = field.GetBallType(cell);
            if (now == before[size_t(cell)]) continue;
            ++changed;
            EXPECT_EQ(now, 50);
            EXPECT_FALSE(field.IsBoxed(cell));
        }
        EXPECT_EQ(changed, c.changed) << c.rows[0];
        EXPECT_TRUE(DeadCells().empty());
    }
}

TEST_F(BonusKinds, WandTakesTheTileBallWhenItsGradeAsksForOne)
{
    for (uint32_t seed : {7u, 8u, 9u, 10u}) {
        RandomSeed(seed);
        Load({"1 2 3 1", "2 3t 1 2"});
        ASSERT_TRUE(controller.Apply(bkMagicWand, 1, -1));
        RunBonuses();
        EXPECT_EQ(field.GetBallType(Cell(1, 1)), 50) << seed;
    }
}

TEST_F(BonusKinds, WandChangesItsBallsInWavesEachLastingItsAnimation)
{
    Load({"1 2 3 1", "2 3 1 2", "3 1 2 3"});
    Samples();
    ASSERT_TRUE(controller.Apply(bkMagicWand, 2, -1));
    const BonusPtr held = controller.GetRunningBonuses()[0];
    auto& bonus = dynamic_cast<CMagicWandBonus&>(*held);
    EXPECT_EQ(bonus.GetParticleAlias(), "wand_sparks");
    BonusFrame();   // prepare
    ASSERT_EQ(bonus.GetChanges().size(), 3u);
    const auto changed = [&] {
        int n = 0;
        for (const auto& c : bonus.GetChanges()) n += field.GetBallType(c.cell) == 50;
        return n;
    };
    EXPECT_EQ(changed(), 0);
    BonusFrame();   // wave 1: row 1 of the grades releases one ball
    EXPECT_EQ(changed(), 1);
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_wand"});   // the application's
    int frames = 0;
    while (bonus.GetWave() < 2 && frames < 100) {
        BonusFrame();
        ++frames;
    }
    // The wave lasts the change animation: three frames of two drawn frames each.
    EXPECT_GE(frames, 5);
    EXPECT_LE(frames, 10);
    EXPECT_EQ(changed(), 3);
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_wand"});
    EXPECT_LT(RunBonuses(), 50);
    EXPECT_FALSE(bonus.IsActive());
    EXPECT_TRUE(bonus.GetChanges().empty());
}

TEST_F(BonusKinds, WandOnALevelWithoutAMultiballTypeChangesNothing)
{
    Load({"1 2 3", "2 3 1"});
    PlainBallsSource source;
    source.types = {1, 2, 3, 2, 3, 1};
    CMagicWandBonus bonus;
    bonus.SetDataSource(&source);
    zftest::LogWatch log;
    ASSERT_TRUE(bonus.Apply(2, -1));
    EXPECT_EQ(Run(bonus), 2);
    EXPECT_TRUE(source.changes.empty());
    EXPECT_TRUE(log.Has("no multiball type"));

    // The same field with a multiball type: the grade's three balls change.
    source.multiball_type = 50;
    CMagicWandBonus again;
    again.SetDataSource(&source);
    ASSERT_TRUE(again.Apply(2, -1));
    Run(again);
    EXPECT_EQ(source.changes.size(), 3u);
    for (const auto& [cell, type] : source.changes) EXPECT_EQ(type, 50) << cell;
}
