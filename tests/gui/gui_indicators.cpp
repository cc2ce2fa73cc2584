// Game indicators: reading from a layout, binding to a game value by name, state choice and what
// the text, bar and icon show as the value changes.
#include "gui/gui_indicators.h"
#include "gui/gui_test_util.h"

#include <functional>
#include <stdexcept>

using namespace guitest;

namespace {

// A game value whose next poll writes what the test scripted, by the value's own setting rules.
class ScriptedValue : public AGameValue {
public:
    explicit ScriptedValue(const std::string& name) : AGameValue(name) {}
    void Update() override
    {
        ++polls;
        if (write) write(*this);
    }
    std::function<void(ScriptedValue&)> write;
    int polls = 0;
};

// A value holding any variant kind, floats and nothing included, which the setting rules do not
// offer; the variants belong to the (non-const) value, so writing them through the getters is sound.
class ForcedValue : public AGameValue {
public:
    explicit ForcedValue(const std::string& name) : AGameValue(name) {}
    void Update() override {}
    void Force(const CParamValue& v, const CParamValue& lo, const CParamValue& hi)
    {
        const_cast<CParamValue&>(GetValue()) = v;
        const_cast<CParamValue&>(GetMin()) = lo;
        const_cast<CParamValue&>(GetMax()) = hi;
    }
};

const char* const kScore = R"(
<Indicator src_id="VAL_SCORE">
  <State id="1" pos_x="100" pos_y="50">
    <Text dis_x="5" dis_y="6" label="Game.Score"/>
    <ProgressBar dis_x="10" dis_y="20" kind="0" width="100" height="10"/>
    <MainIcon dis_x="1" dis_y="2"><graphics texture="Textures\Menu\Button.png" width="8" height="8"/></MainIcon>
  </State>
  <State id="0" pos_x="0" pos_y="0" render_when_zero="0">
    <Text label="Game.Score"/>
    <MainIcon><graphics texture="Textures\Menu\Button.png" width="8" height="8"/></MainIcon>
  </State>
  <State id="1"><Text label="Other"/></State>
</Indicator>)";

struct Fixture {
    GuiEnvironment env{kCatalogue};
    CGameValuesStorage storage;
    ScriptedValue score{"VAL_SCORE"};
    Fixture() { storage.Register(&score); }
    std::unique_ptr<CGameIndicator> Load(const std::string& xml)
    {
        auto ind = std::make_unique<CGameIndicator>();
        ind->Load(Node(xml, "Indicator"), storage);
        return ind;
    }
};

} // namespace

TEST(GameIndicator, LoadsStatesByIdAndBuildsTheirPieces)
{
    Fixture f;
    LogWatch log;
    auto ind = f.Load(kScore);
    EXPECT_TRUE(log.Has("Error: creating indicator - state with id = 1 already present!"));
    EXPECT_EQ(ind->GetGameValue(), &f.score);
    ASSERT_EQ(ind->GetStates().size(), 2u);
    EXPECT_EQ(ind->GetCurrent(), ind->GetStates().at(0)) << "the lowest id shows first";

    const CGameIndicatorState& one = *ind->GetStates().at(1);
    ASSERT_TRUE(one.GetLabel());
    EXPECT_FLOAT_EQ(one.GetLabel()->GetX(), 105.0f);
    EXPECT_FLOAT_EQ(one.GetLabel()->GetY(), 56.0f);
    ASSERT_TRUE(one.GetBar()) << "the first of the duplicate ids stays";
    EXPECT_FLOAT_EQ(one.GetBar()->GetX(), 110.0f);
    EXPECT_FLOAT_EQ(one.GetBar()->GetY(), 70.0f);
    EXPECT_FLOAT_EQ(one.GetBar()->GetWidth(), 100.0f);
    EXPECT_FLOAT_EQ(one.GetBar()->GetHeight(), 10.0f);
    ASSERT_TRUE(one.GetIcon());
    EXPECT_FLOAT_EQ(one.GetIcon()->GetRect().left, 101.0f);
    EXPECT_FLOAT_EQ(one.GetIcon()->GetRect().top, 52.0f);
    EXPECT_TRUE(one.RendersWhenZero());

    const CGameIndicatorState& zero = *ind->GetStates().at(0);
    EXPECT_FALSE(zero.GetBar()) << "an absent child builds no piece";
    EXPECT_FALSE(zero.RendersWhenZero());
}

TEST(GameIndicator, LoadFailures)
{
    Fixture f;
    {
        LogWatch log;
        auto ind = f.Load(R"(<Indicator src_id="VAL_SCORE"/>)");
        EXPECT_TRUE(log.Has("Verify {!_states.empty()} failed"));
        EXPECT_FALSE(ind->GetCurrent());
        f.env.engine.ClearRecords();
        ind->Draw();
        EXPECT_TRUE(f.env.engine.draws.empty()) << "no state draws nothing";
        EXPECT_EQ(f.score.polls, 1);
    }
    {
        LogWatch log;
        CGameIndicator ind;
        EXPECT_THROW(ind.Load(Node(R"(<Indicator src_id="VAL_LIVES"><State/></Indicator>)", "Indicator"), f.storage),
                     std::runtime_error);
        EXPECT_TRUE(log.Has("Error: try to obtain unregistered game value VAL_LIVES."));
        EXPECT_FALSE(ind.GetGameValue());
        EXPECT_TRUE(ind.GetStates().empty());
        ind.Draw();   // an indicator that never loaded does nothing
    }
    {
        LogWatch log;
        CGameIndicator ind;
        EXPECT_THROW(ind.Load(CXMLNode(), f.storage), std::runtime_error);
        EXPECT_TRUE(log.Has("Verify {node.IsValid()} failed"));
    }
    {
        // Loading again replaces the states and says so.
        auto ind = f.Load(kScore);
        LogWatch log;
        ind->Load(Node(R"(<Indicator src_id="VAL_SCORE"><State id="7"/></Indicator>)", "Indicator"), f.storage);
        EXPECT_TRUE(log.Has("Verify {_states.empty()} failed"));
        ASSERT_EQ(ind->GetStates().size(), 1u);
        EXPECT_EQ(ind->GetCurrent(), ind->GetStates().at(7));
    }
}

TEST(GameIndicator, FirstUpdateAppliesEverythingEvenWithoutChangedBits)
{
    Fixture f;
    auto ind = f.Load(kScore);
    f.score.SetValue(40);
    f.score.SetRange(0, 80);
    f.score.SetState(1);
    f.score.ClearChanged();   // the value reports nothing new
    ind->Update();
    EXPECT_EQ(ind->GetCurrent(), ind->GetStates().at(1)) << "the state follows the value at once";
    const CGameIndicatorState& one = *ind->GetStates().at(1);
    EXPECT_EQ(one.GetLabel()->GetParam1(), CParamValue(40));
    EXPECT_EQ(one.GetBar()->GetMinPos(), 0);
    EXPECT_EQ(one.GetBar()->GetMaxPos(), 80);
    EXPECT_EQ(one.GetBar()->GetPos(), 40);
    EXPECT_EQ(ind->GetStates().at(0)->GetLabel()->GetParam1(), CParamValue(40)) << "every state is updated";
    EXPECT_EQ(f.score.GetChanged(), 0);
}

TEST(GameIndicator, FollowsTheValueFrameByFrame)
{
    Fixture f;
    auto ind = f.Load(kScore);
    f.score.SetValue(0);
    f.score.SetRange(0, 100);
    ind->Update();
    const CGameIndicatorState& one = *ind->GetStates().at(1);

    struct Step {
        int value, state;
        int shown_state, shown_value;
    };
    const Step steps[] = {
        {10, 1, 1, 10},
        {20, 2, 1, 20},   // no state 2: the current state stays
        {150, 0, 0, 100}, // the bar clamps to its range; the text shows the value
        {30, 0, 0, 30},
    };
    for (const Step& s : steps) {
        f.score.write = [s](ScriptedValue& v) {
            v.SetValue(s.value);
            v.SetState(s.state);
        };
        ind->Update();
        EXPECT_EQ(ind->GetCurrent(), ind->GetStates().at(s.shown_state)) << s.value;
        EXPECT_EQ(one.GetBar()->GetPos(), s.shown_value) << s.value;
        EXPECT_EQ(one.GetLabel()->GetParam1(), CParamValue(s.value));
        EXPECT_EQ(f.score.GetChanged(), 0) << "the changed bits are cleared after every update";
    }
    f.score.write = [](ScriptedValue& v) { v.SetRange(10, 20); };
    ind->Update();
    EXPECT_EQ(one.GetBar()->GetMinPos(), 10);
    EXPECT_EQ(one.GetBar()->GetMaxPos(), 20);
}

TEST(GameIndicator, TwoIndicatorsOnOneValueBothSeeEveryChange)
{
    Fixture f;
    auto top = f.Load(kScore);
    auto dialog = f.Load(kScore);
    top->Update();
    dialog->Update();
    f.score.write = [](ScriptedValue& v) {
        v.SetValue(500);
        v.SetState(1);
    };
    top->Update();   // clears the value's changed bits
    dialog->Update();
    for (auto* ind : {top.get(), dialog.get()}) {
        EXPECT_EQ(ind->GetCurrent(), ind->GetStates().at(1));
        EXPECT_EQ(ind->GetStates().at(1)->GetLabel()->GetParam1(), CParamValue(500));
        EXPECT_EQ(ind->GetStates().at(1)->GetBar()->GetPos(), 0) << "range 0..0 set by the first update";
    }
}

// The value kinds: bar range and position, text parameter and zero.
TEST(GameIndicator, ValueKindConversions)
{
    Fixture f;
    struct Case {
        CParamValue value, min, max;
        int bar_min, bar_max, bar_pos;
        bool zero;
    };
    const Case cases[] = {
        {CParamValue(7), CParamValue(0), CParamValue(10), 0, 10, 7, false},
        {CParamValue(0), CParamValue(0), CParamValue(10), 0, 10, 0, true},
        {CParamValue(7.9f), CParamValue(1.5f), CParamValue(9.9f), 1, 9, 7, false},
        {CParamValue(7.9f), CParamValue(1), CParamValue(9), 0, 0, 0, false},   // int range on a float value
        {CParamValue(0.0f), CParamValue(0.0f), CParamValue(5.0f), 0, 5, 0, true},
        {CParamValue(3e30f), CParamValue(0.0f), CParamValue(3e30f), 0, 0, 0, false},   // beyond any int
        {CParamValue("Mayor"), CParamValue(1), CParamValue(5), 0, 0, 0, false},
        {CParamValue(""), CParamValue(1), CParamValue(5), 0, 0, 0, true},
        {CParamValue(), CParamValue(), CParamValue(), 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        ForcedValue value("VAL_X");
        CGameValuesStorage storage;
        storage.Register(&value);
        CGameIndicator ind;
        ind.Load(Node(R"(<Indicator src_id="VAL_X"><State><Text label="Game.Score"/>
                           <ProgressBar kind="0" width="100" height="10"/></State></Indicator>)",
                      "Indicator"),
                 storage);
        value.Force(c.value, c.min, c.max);
        ind.Update();
        const CGameIndicatorState& s = *ind.GetCurrent();
        EXPECT_EQ(s.GetBar()->GetMinPos(), c.bar_min) << c.value.ToString();
        EXPECT_EQ(s.GetBar()->GetMaxPos(), c.bar_max) << c.value.ToString();
        EXPECT_EQ(s.GetBar()->GetPos(), c.bar_pos) << c.value.ToString();
        EXPECT_EQ(s.GetLabel()->GetParam1(), c.value) << c.value.ToString();
        EXPECT_EQ(s.IsValueZero(), c.zero) << c.value.ToString();
    }
}

TEST(GameIndicator, RenderWhenZero)
{
    Fixture f;
    auto ind = f.Load(kScore);
    struct Case {
        int state, value;
        bool drawn;
    };
    const Case cases[] = {
        {0, 0, false},   // hides zero: not even the icon
        {0, 5, true},
        {1, 0, true},    // attribute absent: zero shows
    };
    for (const Case& c : cases) {
        f.score.write = [c](ScriptedValue& v) {
            v.SetValue(c.value);
            v.SetState(c.state);
        };
        f.env.engine.ClearRecords();
        ind->Draw();
        EXPECT_EQ(!f.env.engine.draws.empty(), c.drawn) << c.state << " " << c.value;
    }
}
