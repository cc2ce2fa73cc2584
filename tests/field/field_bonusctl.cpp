// The bonuses on a real field as the bonus panel and the player use them: activation takes the
// user's credit and arms or applies, the click applies an armed bonus, cancelling gives the unused
// grades back, and the field's frames run the bonus to its end.
#include "bonus_test_util.h"

#include <random>

using namespace fieldtest;

namespace {


constexpr int kDynamiteCredit = 11;
constexpr int kWandCredit = 16;
constexpr int kLightningCredit = 13;
constexpr int kBurnerCredit = 14;

class BonusControl : public BonusFixture {
protected:
    BonusControl()
    {
        CMouse::Instance().SetCursorService(&cursor);
        Load(kTiledField);
        Samples();
    }
    ~BonusControl() override { CMouse::Instance().SetCursorService(nullptr); }
    FieldMouse ClickAt(int column, int row)
    {
        FieldMouse m = MouseAt(column, row, true);
        m.left_pressed = true;
        return m;
    }
    // Frames without input until the bonuses have run and the field has settled.
    int RunOut(int limit = 3000)
    {
        int n = 0;
        while (n < limit && (field.IsBonusRunning() || field.IsRefillPending() || field.IsFieldBusy())) {
            Frame(FieldMouse());
            ++n;
        }
        return n;
    }
    RecordingCursor cursor;
};

TEST_F(BonusControl, ActivationArmsTheCellKindsAndAppliesTheOthersAtOnce)
{
    struct Case {
        int kind;
        int credit;
        bool armed;
    };
    const Case cases[] = {
        {bkDynamite, kDynamiteCredit, true},
        {bkBurner, kBurnerCredit, true},
        {bkMagicWand, kWandCredit, false},
        {bkLightning, kLightningCredit, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        Load(kTiledField);
        Samples();
        user.grades[c.credit] = 2;
        ASSERT_TRUE(field.ActivateBonus(c.kind));
        EXPECT_EQ(user.grades[c.credit], 0) << "the whole credit is taken";
        EXPECT_EQ(field.IsBonusArmed(), c.armed);
        EXPECT_EQ(field.IsBonusRunning(), !c.armed);
        EXPECT_EQ(field.GetSelectedBonus(), c.armed ? c.kind : 0);
        EXPECT_EQ(field.GetBonusGradesLeft(), c.armed ? 2 : 0);
        EXPECT_EQ(field.GetStats().bonus_use.size(), c.armed ? 0u : 1u);
        const std::vector<std::string> played = Samples();
        EXPECT_NE(std::find(played.begin(), played.end(), "PlaySample bn_select"), played.end());
        RunOut();
        EXPECT_FALSE(field.IsBonusRunning());
        field.CancelBonus();
    }
}

TEST_F(BonusControl, NoCreditNoDragAndUnknownKindsAreRefused)
{
    // No credit: nothing is armed and nothing is given for free.
    EXPECT_FALSE(field.ActivateBonus(bkDynamite));
    EXPECT_FALSE(field.IsBonusArmed());
    EXPECT_EQ(user.grades[kDynamiteCredit], 0);

    {
        zftest::LogWatch log;
        EXPECT_FALSE(field.ActivateBonus(9));
        EXPECT_TRUE(log.Has("Warning: Invalid bonus type 9 requested!"));
    }

    // During a drag the bonus waits: the chain goes on and the credit stays.
    user.grades[kDynamiteCredit] = 3;
    Frame(MouseAt(0, 0));
    Frame(MouseAt(1, 0));
    ASSERT_TRUE(field.IsSelectingChain());
    EXPECT_FALSE(field.ActivateBonus(bkDynamite));
    EXPECT_EQ(user.grades[kDynamiteCredit], 3);
    EXPECT_TRUE(field.IsSelectingChain());
    EXPECT_EQ(field.GetChain().GetEntries().size(), 2u);
}

TEST_F(BonusControl, CancelGivesTheUnusedGradesBackAndRestoresTheCursor)
{
    EXPECT_FALSE(field.CancelBonus());
    user.grades[kDynamiteCredit] = 3;
    ASSERT_TRUE(field.ActivateBonus(bkDynamite));
    EXPECT_EQ(field.GetCursorName(), "dynamite");
    Samples();
    EXPECT_TRUE(field.CancelBonus());
    EXPECT_EQ(user.grades[kDynamiteCredit], 3);
    EXPECT_FALSE(field.IsBonusArmed());
    EXPECT_EQ(field.GetSelectedBonus(), 0);
    EXPECT_EQ(field.GetCursorName(), "default");
    EXPECT_EQ(Samples(), std::vector<std::string>{"PlaySample bn_cancel"});
}

TEST_F(BonusControl, ArmingAnotherBonusGivesTheFirstOnesGradesBack)
{
    user.grades[kDynamiteCredit] = 2;
    user.grades[kBurnerCredit] = 1;
    ASSERT_TRUE(field.ActivateBonus(bkDynamite));
    ASSERT_TRUE(field.ActivateBonus(bkBurner));
    EXPECT_EQ(user.grades[kDynamiteCredit], 2);
    EXPECT_EQ(user.grades[kBurnerCredit], 0);
    EXPECT_EQ(field.GetSelectedBonus(), bkBurner);
    EXPECT_EQ(field.GetBonusGradesLeft(), 1);
}

TEST_F(BonusControl, AClickAppliesTheArmedBonusAtTheCellAndDisarmsItWhenItsGradesAreUsed)
{
    user.grades[kDynamiteCredit] = 1;
    ASSERT_TRUE(field.ActivateBonus(bkDynamite));
    Frame(MouseAt(2, 1, false));
    EXPECT_EQ(field.GetAffectedCells(), std::vector<int>{Cell(2, 1)}) << "the armed bonus's preview";

    // Outside the field: nothing happens and nothing sounds.
    Samples();
    FieldMouse outside;
    outside.x = 500.0f;
    outside.y = 500.0f;
    outside.left_down = outside.left_pressed = true;
    Frame(outside);
    EXPECT_TRUE(field.IsBonusArmed());
    EXPECT_TRUE(Samples().empty());

    const int layers = field.GetTiles().GetLeft(Cell(2, 1));
    Frame(ClickAt(2, 1));
    EXPECT_LT(field.GetTiles().GetLeft(Cell(2, 1)), layers) << "the blast broke the tile below";
    EXPECT_FALSE(field.IsBonusArmed());
    EXPECT_EQ(field.GetSelectedBonus(), 0);
    EXPECT_EQ(field.GetCursorName(), "default");
    ASSERT_EQ(field.GetStats().bonus_use.size(), 1u);
    EXPECT_EQ(field.GetStats().bonus_use.front().type, bkDynamite);
    EXPECT_EQ(field.GetStats().bonus_use.front().grade, 1);

    EXPECT_LT(RunOut(), 3000);
    EXPECT_FALSE(field.IsBonusRunning());
    for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell)
        EXPECT_TRUE(field.GetBalls().HasBall(cell)) << "refilled: " << cell;
}

TEST_F(BonusControl, AGainedBonusIsRecordedAndAsksForItsHint)
{
    const std::pair<int, int> hints[] = {{bkDynamite, 210}, {bkMagicWand, 260}, {bkLightning, 230}, {bkClover, 250},
                                         {bkSandClock, 200}, {bkBurner, 240},   {bkBag, 270},       {bkMixer, 220}};
    for (const auto& [kind, base] : hints) {
        user.hints.clear();
        field.OnBonusGained(kind, 3);
        EXPECT_EQ(user.hints, std::vector<int>{base + 3}) << kind;
    }
    EXPECT_EQ(field.GetStats().bonus_gain.size(), 8u);
    EXPECT_EQ(field.GetBonusUpgrade(kDynamiteCredit), 0);
}

// Whatever the player does with the panel and the field, every grade taken from the user is either
// given back or spent on a recorded use.
TEST_F(BonusControl, CreditsAreConservedOverRandomArmCancelAndApply)
{
    const int kinds[] = {bkDynamite, bkBurner};
    const int credits[] = {kDynamiteCredit, kBurnerCredit};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        Load(kTiledField);
        std::mt19937 rng(seed);
        user.grades[kDynamiteCredit] = 4;
        user.grades[kBurnerCredit] = 3;
        const int total = 7;
        for (int step = 0; step < 40; ++step) {
            switch (rng() % 3) {
            case 0: field.ActivateBonus(kinds[rng() % 2]); break;
            case 1: field.CancelBonus(); break;
            default: Frame(ClickAt(int(rng() % 7) - 1, int(rng() % 5))); break;
            }
            RunOut();
            int used = 0;
            for (const BonusEvent& e : field.GetStats().bonus_use) used += e.grade;
            const int held = user.grades[credits[0]] + user.grades[credits[1]];
            ASSERT_EQ(held + field.GetBonusGradesLeft() + used, total) << "step " << step;
        }
    }
}

// The clover's two clicks: the first picks the type, the second applies the clover on another type,
// which spends its last grade; its waves still change the balls to the picked type after that.
TEST_F(BonusControl, TheCloverChangesBallsToThePickedTypeAfterItsLastGradeIsSpent)
{
    std::string bonuses = kBonusesXml;
    bonuses.insert(bonuses.rfind("</Bonuses>"),
                   R"(<Clover sample="bn_clover"><Grade id="1" cursor="clover" change_percent="100"/>
    <CloverEffect><graphics texture="Textures\Balls.png" width="12" height="12" tex_rect="0 0 8 8"/></CloverEffect></Clover>)");
    WriteBonuses(bonuses);
    constexpr int kCloverCredit = 15;
    user.grades[kCloverCredit] = 1;
    ASSERT_TRUE(field.ActivateBonus(bkClover));
    Frame(ClickAt(0, 0));   // a ball of type 1: the type the clover makes
    EXPECT_EQ(field.GetChosenBallType(), 1);
    Frame(ClickAt(2, 0));   // a ball of type 3: the type it changes
    ASSERT_TRUE(field.IsBonusRunning());
    EXPECT_EQ(field.GetSelectedBonus(), 0) << "the clover's only grade is spent";
    RunOut();
    int threes = 0;
    for (int column = 0; column < 5; ++column)
        for (int row = 0; row < 4; ++row)
            if (field.GetBalls().GetBallType(Cell(column, row)) == 3) ++threes;
    EXPECT_EQ(threes, 0) << "every ball of the clicked type takes the picked type";
    EXPECT_EQ(field.GetBalls().GetBallType(Cell(2, 0)), 1);
    EXPECT_EQ(field.GetChosenBallType(), 0) << "nothing is picked once the clover is over";
}

}   // namespace
