// The move hint display on a 5 x 5 field of 12-pixel cells: marks and arrows placed along a chain,
// the brightness running along the arrows, the fade-in, shown and fade-out phases counted in
// updates, holding, fading out on request, hiding, and marks-only hints.
#include "field_play_util.h"

#include "field/hints/field_movehint.h"

#include <stdexcept>

using namespace fieldtest;

namespace {

const char* const kHintLevel =
    R"(<Level><Config field_width="5" field_height="5" field_pos_x="100" field_pos_y="50"/></Level>)";
const char* const kDescriptions = R"(<Common>
  <Mark><graphics texture="Textures\Balls.png" tex_rect="0 0 8 8" width="8" height="10"/></Mark>
  <WideMark><graphics texture="Textures\Balls.png" tex_rect="0 0 8 8"/></WideMark>
  <Arrow><graphics texture="Textures\Balls.png" tex_rect="0 0 16 8" width="50" height="50"/></Arrow>
</Common>)";

class MoveHint : public FieldFixture {
protected:
    MoveHint() : _descriptions(ParseXml(kDescriptions))
    {
        LevelFromText(kHintLevel);
        hint.Load(Node("Arrow"), Node("Mark"));
    }
    CXMLNode Node(const char* name) const { return _descriptions.SelectSingleNode("//" + std::string(name)); }
    int Cell(int column, int row) const { return g_LevelCfg.CellAt(column, row); }
    // Runs n updates; the alpha after each.
    std::vector<uint32_t> Run(int n)
    {
        std::vector<uint32_t> alphas;
        for (int i = 0; i < n; ++i) {
            hint.Update();
            alphas.push_back(hint.GetAlpha());
        }
        return alphas;
    }

    CXMLFile _descriptions;
    CMoveHint hint;
};

TEST_F(MoveHint, MarksSitOnTheCellsAndArrowsSpanEachStepInItsDirection)
{
    // Right, down, left, up: one step of each direction.
    hint.Show({Cell(1, 1), Cell(2, 1), Cell(2, 2), Cell(1, 2), Cell(1, 1)});
    ASSERT_EQ(hint.GetState(), CMoveHint::E_FADE_IN);
    EXPECT_EQ(hint.GetArrowDesc().width, 24);
    EXPECT_EQ(hint.GetArrowDesc().height, 12);

    // The mark of 8 x 10 is centred in the 12-pixel cell at (112, 62).
    const CSprite* mark = hint.GetMark(0);
    ASSERT_NE(mark, nullptr);
    EXPECT_FLOAT_EQ(mark->GetX(), 114.0f);
    EXPECT_FLOAT_EQ(mark->GetY(), 63.0f);
    EXPECT_EQ(hint.GetArrow(0), nullptr);

    struct Expected {
        float x, y, angle;
    };
    const Expected arrows[] = {
        {112.0f, 62.0f, 0.0f},                 // right: at the previous cell
        {124.0f - 6.0f, 62.0f + 6.0f, 90.0f},  // down: half a cell left and down of the previous cell
        {112.0f, 74.0f, 180.0f},               // left: at this cell
        {112.0f - 6.0f, 62.0f + 6.0f, -90.0f}, // up: half a cell left and down of this cell
    };
    for (size_t i = 1; i <= 4; ++i) {
        const CSprite* arrow = hint.GetArrow(i);
        ASSERT_NE(arrow, nullptr) << i;
        EXPECT_FLOAT_EQ(arrow->GetX(), arrows[i - 1].x) << i;
        EXPECT_FLOAT_EQ(arrow->GetY(), arrows[i - 1].y) << i;
        EXPECT_FLOAT_EQ(arrow->GetAngle(), arrows[i - 1].angle) << i;
        EXPECT_EQ(arrow->GetAlpha(), 0u);
    }
}

TEST_F(MoveHint, TheBrightnessRunsAlongTheArrowsAndWraps)
{
    struct Case {
        int cells;
        std::vector<float> progress;
        float span;
    };
    const Case cases[] = {
        {3, {0.0f, 75.0f, 100.0f}, 100.0f},
        {4, {0.0f, 50.0f, 75.0f, 100.0f}, 100.0f},
        {6, {0.0f, 25.0f, 50.0f, 75.0f, 100.0f, 125.0f}, 125.0f},
    };
    for (const Case& c : cases) {
        std::vector<int> cells;
        for (int i = 0; i < c.cells; ++i) cells.push_back(Cell(i % 5, i / 5));
        hint.Show(cells);
        for (size_t i = 0; i < c.progress.size(); ++i) EXPECT_FLOAT_EQ(hint.GetProgress(i), c.progress[i]) << c.cells;
        EXPECT_FLOAT_EQ(hint.GetArrowSpan(), c.span);
    }

    // Three cells: the arrows take alpha x progress / 100 and then move 2 down, wrapping below 0.
    hint.Show({Cell(0, 0), Cell(1, 0), Cell(2, 0)});
    hint.Update();
    EXPECT_EQ(hint.GetAlpha(), 6u);
    EXPECT_EQ(hint.GetArrow(1)->GetAlpha(), 5u);   // 4.5 rounds up
    EXPECT_EQ(hint.GetArrow(2)->GetAlpha(), 6u);
    EXPECT_FLOAT_EQ(hint.GetProgress(1), 73.0f);
    for (int i = 0; i < 37; ++i) hint.Update();
    EXPECT_FLOAT_EQ(hint.GetProgress(1), 99.0f);   // 73 - 74 wrapped by the span of 100
    EXPECT_FLOAT_EQ(hint.GetProgress(2), 24.0f);
}

TEST_F(MoveHint, FadesInStaysAndFadesOutByItself)
{
    hint.Show({Cell(0, 0), Cell(0, 1)});
    const std::vector<uint32_t> alphas = Run(128);
    for (int i = 0; i < 31; ++i) EXPECT_EQ(alphas[size_t(i)], uint32_t(6 * (i + 1))) << i;
    for (int i = 31; i < 96; ++i) EXPECT_EQ(alphas[size_t(i)], 186u) << i;
    for (int i = 96; i < 127; ++i) EXPECT_EQ(alphas[size_t(i)], uint32_t(6 * (127 - i))) << i;
    EXPECT_EQ(hint.GetState(), CMoveHint::E_IDLE);
    EXPECT_EQ(hint.GetMark(0)->GetAlpha(), 6u);
    EXPECT_FALSE(hint.IsShown());
}

TEST_F(MoveHint, AHeldHintStaysUntilAskedToFadeOut)
{
    hint.Show({Cell(0, 0), Cell(0, 1), Cell(1, 1)});
    hint.SetHold(true);
    Run(500);
    EXPECT_EQ(hint.GetState(), CMoveHint::E_SHOWN);
    EXPECT_EQ(hint.GetAlpha(), 186u);

    hint.FadeOut();
    EXPECT_FALSE(hint.IsHeld());
    const std::vector<uint32_t> alphas = Run(8);
    EXPECT_EQ(alphas.front(), 42u);
    EXPECT_EQ(alphas[6], 6u);
    EXPECT_EQ(hint.GetState(), CMoveHint::E_IDLE);

    // Idle hints ignore a fade-out; hiding ends a fade-in at once.
    hint.FadeOut();
    EXPECT_EQ(hint.GetState(), CMoveHint::E_IDLE);
    hint.Show({Cell(0, 0), Cell(0, 1)});
    Run(5);
    hint.Hide();
    EXPECT_FALSE(hint.IsShown());
    Run(3);
    EXPECT_EQ(hint.GetAlpha(), 30u);   // frozen where it was: nothing more is drawn
}

TEST_F(MoveHint, ShortChainsShowNothingAndAnUnloadedHintIsAFailedCheck)
{
    hint.Show({Cell(2, 2)});
    EXPECT_EQ(hint.GetState(), CMoveHint::E_IDLE);
    EXPECT_TRUE(hint.GetCells().empty());

    CMoveHint unloaded;
    unloaded.Load(Node("Arrow"), CXMLNode());   // a missing description loads nothing
    try {
        unloaded.Show({Cell(0, 0), Cell(1, 0)});
        FAIL() << "shown before loading";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "verify {_state != E_NO_INIT} failed");
    }
}

TEST_F(MoveHint, AMarksOnlyHintHasNoArrowsAndSizelessMarksFillTheCell)
{
    CMoveHint marks;
    marks.LoadMarks(Node("WideMark"));
    EXPECT_TRUE(marks.IsMarksOnly());
    EXPECT_EQ(marks.GetMarkDesc().width, 12);
    EXPECT_EQ(marks.GetMarkDesc().height, 12);
    marks.Show({Cell(0, 0), Cell(1, 0), Cell(1, 1)});
    marks.SetHold(true);
    for (int i = 0; i < 200; ++i) marks.Update();
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(marks.GetArrow(i), nullptr);
        EXPECT_EQ(marks.GetMark(i)->GetAlpha(), 186u);
    }
    EXPECT_FLOAT_EQ(marks.GetMark(2)->GetX(), 112.0f);
}

} // namespace
