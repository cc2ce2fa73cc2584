// The panels around the playing field on a real game field: the top panel's buttons held back by the
// field, its resource blink and life icon, the timer panel's views and appear effect, the moves
// panel's body of segments, and the flashing text of a lost life.
#include "field/bonus_test_util.h"
#include "gui/gui_test_util.h"

#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_texture.h"
#include "game/game_panels.h"
#include "gui/gui_kinds.h"
#include "player/player_gamevalues.h"

#include <algorithm>
#include <filesystem>

using namespace fieldtest;

namespace {

namespace fs = std::filesystem;

// The three looks of the life icon; the add-life look plays three frames of two drawn frames each.
const char* const kLifeNodes = R"(<Life>
    <Normal left="10" top="4"><graphics texture="Textures\Balls.png" tex_rect="0 0 8 8" width="24" height="24"/></Normal>
    <AddLife left="10" top="4"><graphics texture="Textures\Balls.png" width="24" height="24"><animation file="Blink.xml"/></graphics></AddLife>
    <Danger left="12" top="6"><graphics texture="Textures\Balls.png" tex_rect="8 0 16 8" width="24" height="24"/></Danger>
  </Life>)";

const char* const kBlinkAnimation = R"(<Animation speed="2">
  <Frame tex_rect="0 0 8 8"/><Frame tex_rect="8 0 16 8"/><Frame tex_rect="16 0 24 8"/>
</Animation>
)";

// The field's labels and the lost-life text.
const char* const kLabels = R"(<?xml version="1.0" encoding="utf-8"?>
<labels>
  <label alias="Res_score_01" align="CENTER" height="10" color="FFF0B429">+%d</label>
  <label alias="Res_score_02" align="CENTER" height="10" color="FF8FD16A">+%d</label>
  <label alias="Res_score_03" align="CENTER" height="10" color="FFF0A0C0">+%d</label>
  <label alias="Bonus_score" align="CENTER" height="10" color="FFFFF6E3">+%d</label>
  <label alias="LivesLeft" align="CENTER" height="40.7" color="FF80C0FF">Lives left: %d</label>
</labels>
)";

const char* const kTopButtons =
    R"(<Control type="BUTTON" id="ID_MENU" left="600" top="-70" width="80" height="30"/>
       <Control type="BUTTON" id="ID_RELAX" left="690" top="-70" width="80" height="30"/>
       <Control type="IMAGE" id="ID_PICTURE" left="10" top="-70" width="80" height="30"/>)";

const char* const kIndicators =
    R"(<Indicator src_id="VAL_SCORE"><State id="0" pos_x="100" pos_y="-60"><Text dis_x="0" dis_y="0" label="Res_score_01"/></State></Indicator>
       <Indicator src_id="VAL_MONEY"><State id="0" pos_x="200" pos_y="-60"/><State id="1" pos_x="200" pos_y="-60"/></Indicator>)";

const char* const kDangerImage =
    R"(<Control type="IMAGE" id="ID_DANGER" left="690" top="60" width="40" height="40">
         <graphics texture="Textures\Balls.png"><animation file="Blink.xml"/></graphics></Control>)";

const char* const kMoverParts =
    R"(<Body><graphics texture="Textures\Balls.png" tex_rect="0 0 8 8" width="40" height="10"/></Body>
       <BodyExpl sound="body_blow"><graphics texture="Textures\Balls.png" width="40" height="30"><animation file="Blow.xml"/></graphics></BodyExpl>
       <BodyExplFast><graphics texture="Textures\Balls.png" width="40" height="30"><animation file="Blow.xml"/></graphics></BodyExplFast>
       <Parameters body_step="10"/>
       <Control type="IMAGE" id="ID_IMAGE_BASIS" left="700" top="500" width="40" height="20"/>)";

const char* const kMoverHeadAndLabel =
    R"(<Control type="IMAGE" id="ID_IMAGE_HEAD" left="702" top="470" width="36" height="30"/>
       <Control type="LABEL" id="ID_MOVES_LEFT" caption="Res_score_01" left="710" top="440" width="20" height="20"/>)";

// Two frames of two drawn frames each.
const char* const kBlowAnimation = R"(<Animation speed="2"><Frame tex_rect="0 0 8 8"/><Frame tex_rect="8 0 16 8"/></Animation>
)";

std::string Layout()
{
    return std::string("<Dialogs>") +
           "<GameTopDialog>" + kTopButtons + kIndicators + "</GameTopDialog>" +
           "<GameBonusTopDialog>" + kTopButtons + "</GameBonusTopDialog>" +
           "<TimerDialog>" +
           R"(<Control type="PROGRESS_BAR" id="ID_TIMER_BAR" kind="0" left="700" top="100" width="20" height="300"/>
              <Control type="IMAGE" id="ID_DANGER_OFF" left="690" top="60" width="40" height="40"/>)" +
           kDangerImage +
           R"(<BonusResourceAppearEffect><pyro alias="Burst" pos_x="710.7" pos_y="90.2"/><sound alias="res_appear"/></BonusResourceAppearEffect>)" +
           "</TimerDialog>" +
           // A timer panel with the bar only, and one whose "bar" is a picture.
           R"(<BareTimerDialog><Control type="PROGRESS_BAR" id="ID_TIMER_BAR" kind="0" left="700" top="100" width="20" height="300"/>
              <Control type="PROGRESS_BAR" id="ID_DANGER" kind="0" left="0" top="0" width="20" height="30"/></BareTimerDialog>
              <WrongTimerDialog><Control type="IMAGE" id="ID_TIMER_BAR" left="700" top="100" width="20" height="300"/></WrongTimerDialog>)" +
           "<MoverDialog>" + kMoverParts + kMoverHeadAndLabel + "</MoverDialog>" +
           "<BareMoverDialog>" + kMoverParts + "</BareMoverDialog>" +
           "</Dialogs>";
}

class Panels : public BonusFixture {
public:
    Panels()
    {
        SetFieldUser(&user);
        g_Mouse = &mouse;
        CControlKinds::Instance().UseText(guitest::kCatalogue);
        RegisterGameValues();
        Load(kTiledField);
        zftest::WriteText(_copy / "Blink.xml", kBlinkAnimation);
        zftest::WriteText(_copy / "Blow.xml", kBlowAnimation);
        OwnSettingsFile("Labels_en.xml", kLabels);
        CTextKeeper::Instance().SelectLanguage(0);
        WriteLifeNodes(kLifeNodes);
        layout = ParseXml(Layout());
        logs = std::make_unique<zftest::LogWatch>();
        Samples();
    }
    ~Panels() override
    {
        CControlKinds::Instance().Reset();
        g_Mouse = _old_mouse;
    }

    // Replaces the copied folder's link to a settings file of the field's fixture with a file of
    // the test's own.
    void OwnSettingsFile(const std::string& name, const std::string& text)
    {
        const fs::path target = fs::path(_copy.path()) / "Settings" / name;
        fs::remove(target);
        zftest::WriteText(target, text);
    }
    // The field fixture's common file with the life nodes added.
    void WriteLifeNodes(const std::string& nodes)
    {
        const fs::path bases = fs::path(_copy.path()) / "Settings" / "Bases";
        const fs::path source = fs::path(kFixtureDir) / "Settings" / "Bases";
        if (fs::is_symlink(bases)) {
            fs::remove(bases);
            fs::create_directory(bases);
            for (const auto& entry : fs::directory_iterator(source))
                if (entry.path().filename() != "Common.xml") fs::create_symlink(entry.path(), bases / entry.path().filename());
        }
        std::string text = zftest::ReadTextFile((source / "Common.xml").string());
        text.insert(text.find("</Common>"), nodes);
        fs::remove(bases / "Common.xml");
        zftest::WriteText(bases / "Common.xml", text);
    }
    CXMLNode Node(const std::string& name) const { return layout.SelectSingleNode("//Dialogs/" + name); }
    bool Played(const std::string& sample)
    {
        const auto played = Samples();
        return std::find(played.begin(), played.end(), "PlaySample " + sample) != played.end();
    }
    // Frames of a shown dialog, each ending with the frame's sounds.
    static void Frames(CBaseDialog& dialog, int n)
    {
        for (int i = 0; i < n; ++i) {
            dialog.Process();
            g_SoundQueue.Update();
        }
    }

    RecordingEngine engine;
    guitest::FakeMouse mouse;
    CXMLFile layout;
    std::unique_ptr<zftest::LogWatch> logs;

private:
    IMouse* _old_mouse = g_Mouse;
};

TEST_F(Panels, EachPanelSlidesItsOwnWayWithThePanelSounds)
{
    CGameTopPanel top;
    CGameBonusTopPanel bonus_top;
    CTimerPanel timer;
    CMoverPanel mover;
    struct Case {
        const char* name;
        CSlideableBaseDialog* panel;
        const char* node;
        float rest_x, rest_y, speed;
    };
    const Case cases[] = {
        {"top", &top, "GameTopDialog", 0.0f, 80.0f, 2.0f},
        {"bonus top", &bonus_top, "GameBonusTopDialog", 0.0f, 80.0f, 2.0f},
        {"timer", &timer, "TimerDialog", -200.0f, 0.0f, 4.0f},
        {"mover", &mover, "MoverDialog", -500.0f, 0.0f, 6.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.panel->Load(Node(c.node)));
        const auto& motion = c.panel->GetMotion();
        EXPECT_EQ(motion.away_x, 0.0f);
        EXPECT_EQ(motion.away_y, 0.0f);
        EXPECT_EQ(motion.rest_x, c.rest_x);
        EXPECT_EQ(motion.rest_y, c.rest_y);
        EXPECT_EQ(motion.speed, c.speed);
        c.panel->Show();
        c.panel->Process();
        EXPECT_TRUE(Played("panel_up"));
        const float distance = std::abs(c.rest_x) + std::abs(c.rest_y);
        Frames(*c.panel, int(distance / c.speed) + 1);
        EXPECT_TRUE(c.panel->IsShown()) << "the slide ends";
        c.panel->Hide();
        c.panel->Process();
        EXPECT_TRUE(Played("panel_down"));
    }
    EXPECT_EQ(top.GetIndicators().GetCount(), 2u);
    EXPECT_EQ(bonus_top.GetIndicators().GetCount(), 0u);
}

TEST_F(Panels, IndicatorsLoadOnlyIntoAnEmptyList)
{
    CGameTopPanel top;
    top.Load(Node("GameTopDialog"));
    ASSERT_EQ(top.GetIndicators().GetCount(), 2u);
    try {
        top.Load(Node("GameTopDialog"));
        FAIL() << "a second load of the indicators goes through";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "verify {_indicators.empty()} failed");
    }
    EXPECT_TRUE(logs->Has("Verify {_indicators.empty()} failed"));
    EXPECT_EQ(top.GetIndicators().GetCount(), 2u);
}

TEST_F(Panels, TheResourceBlinkTogglesThreeTimesAndStaysOn)
{
    CGameTopPanel top;
    top.Load(Node("GameTopDialog"));
    top.ShowModalImmediately();
    top.StartBlink(true, false, true);
    // Frame -> the money, staff and food states after it.
    struct Row {
        int frame;
        int money, staff, food;
    };
    const Row trace[] = {{1, 0, 0, 0},  {19, 0, 0, 0}, {20, 1, 0, 1}, {39, 1, 0, 1}, {40, 0, 0, 0},
                         {59, 0, 0, 0}, {60, 1, 0, 1}, {80, 1, 0, 1}, {200, 1, 0, 1}};
    int frame = 0;
    for (const Row& row : trace) {
        Frames(top, row.frame - frame);
        frame = row.frame;
        SCOPED_TRACE(frame);
        EXPECT_EQ(top.GetBlinkState(1), row.money);
        EXPECT_EQ(top.GetBlinkState(2), row.staff);
        EXPECT_EQ(top.GetBlinkState(3), row.food);
    }
    for (int type : {0, 4, 10, -1}) EXPECT_EQ(top.GetBlinkState(type), 0) << type;

    top.StopBlink();
    Frames(top, 60);
    for (int type : {1, 2, 3}) EXPECT_EQ(top.GetBlinkState(type), 0) << type;

    // A new blink starts over from state 0.
    top.StartBlink(false, true, false);
    Frames(top, 20);
    EXPECT_EQ(top.GetBlinkState(2), 1);
    EXPECT_EQ(top.GetBlinkState(1), 0);
}

TEST_F(Panels, TheLifeIconShowsDangerOnlyWhilePlaying)
{
    CGameTopPanel top;
    CGameBonusTopPanel bonus_top;
    top.Load(Node("GameTopDialog"));
    bonus_top.Load(Node("GameBonusTopDialog"));
    EXPECT_EQ(top.GetLifeIcon().GetLook(), CLifeIcon::liNormal);
    EXPECT_FLOAT_EQ(top.GetLifeIcon().GetSprite(CLifeIcon::liDanger)->GetX(), 12.0f);
    EXPECT_FLOAT_EQ(top.GetLifeIcon().GetSprite(CLifeIcon::liDanger)->GetY(), 6.0f);
    struct Case {
        int scene_state;
        bool on;
        bool danger;
    };
    const Case cases[] = {{IFieldScene::kPlaying, true, true},     {IFieldScene::kCrossState, true, false},
                          {4, true, false},                        {IFieldScene::kHintShown, true, false},
                          {IFieldScene::kPlaying, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scene_state);
        // On first, so that a refused request is seen to clear it.
        scene.state = IFieldScene::kPlaying;
        top.SetDanger(true);
        bonus_top.SetDanger(true);
        scene.state = c.scene_state;
        top.SetDanger(c.on);
        bonus_top.SetDanger(c.on);
        EXPECT_EQ(top.GetLifeIcon().IsDanger(), c.danger);
        EXPECT_EQ(bonus_top.GetLifeIcon().IsDanger(), c.danger);
        EXPECT_EQ(top.GetLifeIcon().GetLook(), c.danger ? CLifeIcon::liDanger : CLifeIcon::liNormal);
    }
}

TEST_F(Panels, AnAddedLifePlaysOnePassOverAnyOtherLook)
{
    CGameTopPanel top;
    top.Load(Node("GameTopDialog"));
    top.ShowModalImmediately();
    top.SetDanger(true);
    top.PlayAddLife();
    EXPECT_TRUE(top.GetLifeIcon().IsAddingLife());
    EXPECT_EQ(top.GetLifeIcon().GetLook(), CLifeIcon::liAddLife);
    int frames = 0;
    while (top.GetLifeIcon().IsAddingLife() && frames < 100) {
        top.Process();
        ++frames;
    }
    EXPECT_EQ(frames, top.GetLifeIcon().GetSprite(CLifeIcon::liAddLife)->GetAnimation().GetTotalDelay());
    EXPECT_EQ(frames, 6);
    EXPECT_EQ(top.GetLifeIcon().GetLook(), CLifeIcon::liDanger) << "the danger look comes back";

    // Again from the start.
    top.PlayAddLife();
    top.Process();
    EXPECT_TRUE(top.GetLifeIcon().IsAddingLife());
}

TEST_F(Panels, ATopPanelWithoutALifeNodeDoesNotLoad)
{
    struct Case {
        const char* missing;
        const char* check;
    };
    const Case cases[] = {{"Normal", "normal_node.IsValid()"},
                          {"AddLife", "add_life_node.IsValid()"},
                          {"Danger", "danger_node.IsValid()"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.missing);
        std::string nodes = kLifeNodes;
        const size_t from = nodes.find(std::string("<") + c.missing + " ");
        const size_t to = nodes.find(std::string("</") + c.missing + ">") + std::string(c.missing).size() + 3;
        nodes.erase(from, to - from);
        WriteLifeNodes(nodes);
        CGameBonusTopPanel panel;
        try {
            panel.Load(Node("GameBonusTopDialog"));
            FAIL() << "loaded without the node";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), std::string("verify {") + c.check + "} failed");
        }
        EXPECT_TRUE(logs->Has(std::string("Verify {") + c.check + "} failed"));
    }
}

TEST_F(Panels, TheTopPanelsButtonsWaitForTheField)
{
    CGameTopPanel top;
    CGameBonusTopPanel bonus_top;
    top.Load(Node("GameTopDialog"));
    bonus_top.Load(Node("GameBonusTopDialog"));
    top.SetField(&field);
    enum Busy { bIdle, bDragging, bArmed, bApplying, bResolving };
    struct Case {
        const char* name;
        bool shown;
        Busy busy;
        const char* control;
        int result, bonus_result;
    };
    const Case cases[] = {
        {"menu", true, bIdle, "ID_MENU", 4, 4},
        {"relax", true, bIdle, "ID_RELAX", 5, 5},
        {"another control", true, bIdle, "ID_PICTURE", 0, 0},
        {"hidden", false, bIdle, "ID_MENU", 0, 0},
        {"chain being drawn", true, bDragging, "ID_MENU", 0, 4},
        {"bonus armed", true, bArmed, "ID_MENU", 4, 4},
        {"bonus applying", true, bApplying, "ID_RELAX", 0, 5},
        {"chain resolving", true, bResolving, "ID_RELAX", 0, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(kTiledField);
        user.grades[11] = 2;
        user.grades[16] = 1;
        for (CBaseDialog* panel : {static_cast<CBaseDialog*>(&top), static_cast<CBaseDialog*>(&bonus_top)}) {
            panel->HideImmediately();
            if (c.shown) panel->ShowModalImmediately();
            panel->SetResult(0);
        }
        switch (c.busy) {
        case bIdle: break;
        case bDragging: Frame(MouseAt(0, 0, true)); break;
        case bArmed: ASSERT_TRUE(field.ActivateBonus(bkDynamite)); break;
        case bApplying: ASSERT_TRUE(field.ActivateBonus(bkMagicWand)); break;
        case bResolving: Drag({{4, 0}, {3, 0}, {3, 1}}); break;
        }
        ASSERT_EQ(field.IsRefillPending(), c.busy == bResolving);
        ASSERT_EQ(field.IsSelectingChain(), c.busy == bDragging);
        ASSERT_EQ(field.IsBonusArmed(), c.busy == bArmed);
        ASSERT_EQ(field.IsBonusRunning(), c.busy == bApplying);
        top.OnClick(top.GetControl(c.control).get());
        bonus_top.OnClick(bonus_top.GetControl(c.control).get());
        EXPECT_EQ(top.GetResult(), c.result);
        EXPECT_EQ(bonus_top.GetResult(), c.bonus_result);
        if (c.busy == bDragging) Frame(MouseAt(0, 0, false));
        if (c.busy == bArmed) field.CancelBonus();
    }
    // The city borrows the panel without the field.
    top.SetField(nullptr);
    top.SetResult(0);
    top.OnClick(top.GetControl("ID_RELAX").get());
    EXPECT_EQ(top.GetResult(), 5);
}

TEST_F(Panels, TheTimerPanelGivesTheTimerViewsOfItsControls)
{
    CTimerPanel timer;
    timer.Load(Node("TimerDialog"));
    ITimeBarView* bar = timer.GetTimeBar();
    ASSERT_NE(bar, nullptr);
    auto control = timer.GetControl<CMenuProgressBar>("ID_TIMER_BAR");
    bar->SetMinPos(10);
    bar->SetMaxPos(50);
    struct Case {
        int pos, shown;
    };
    for (const Case& c : {Case{30, 30}, Case{70, 50}, Case{-5, 10}, Case{50, 50}, Case{10, 10}}) {
        bar->SetPos(c.pos);
        EXPECT_EQ(control->GetTarget(), c.shown) << c.pos;
    }
    EXPECT_EQ(control->GetMinPos(), 10);
    EXPECT_EQ(control->GetMaxPos(), 50);

    IWarningView* off = timer.GetDangerOff();
    IWarningImage* danger = timer.GetDanger();
    ASSERT_NE(off, nullptr);
    ASSERT_NE(danger, nullptr);
    off->SetVisible(false);
    danger->SetVisible(true);
    EXPECT_FALSE(timer.GetControl("ID_DANGER_OFF")->IsVisible());
    EXPECT_FALSE(off->IsVisible());
    EXPECT_TRUE(danger->IsVisible());
    danger->StartAnimation();
    EXPECT_TRUE(danger->IsAnimationPlaying());
    // Showing the panel resets and stops the danger blink.
    timer.Show();
    EXPECT_FALSE(danger->IsAnimationPlaying());

    // The level's timer takes the views and shows its range on the bar.
    CGameTimer clock;
    clock.BindControls(timer.GetTimeBar(), timer.GetDangerOff(), timer.GetDanger());
    EXPECT_EQ(control->GetMinPos(), int(clock.GetMinPos()));
    EXPECT_EQ(control->GetMaxPos(), int(clock.GetMaxPos()));

    // Without the danger controls (or with a danger control that is no image) there are no views.
    CTimerPanel bare;
    bare.Load(Node("BareTimerDialog"));
    EXPECT_NE(bare.GetTimeBar(), nullptr);
    EXPECT_EQ(bare.GetDangerOff(), nullptr);
    EXPECT_EQ(bare.GetDanger(), nullptr);
    bare.Show();   // no danger image to stop

    // The bar is required, and must be a progress bar.
    CTimerPanel wrong;
    wrong.Load(Node("WrongTimerDialog"));
    EXPECT_THROW(wrong.GetTimeBar(), std::runtime_error);
    EXPECT_TRUE(logs->Has("Error: control 'ID_TIMER_BAR' has different type!"));
    CTimerPanel none;
    none.Load(Node("MoverDialog"));
    EXPECT_THROW(none.GetTimeBar(), std::runtime_error);
    EXPECT_TRUE(logs->Has("Error: control 'ID_TIMER_BAR' not found in dialog!"));
}

TEST_F(Panels, TheBonusResourceEffectStartsAtItsPlaceWithItsSound)
{
    engine.frame_time = 0.016f;
    {
        zftest::ScopedChdir library(std::string(ZF_TEST_DATA_DIR) + "/pyro");
        ASSERT_TRUE(InitPyro("Test.pyro"));
    }
    CTimerPanel timer;
    timer.Load(Node("TimerDialog"));
    EXPECT_EQ(timer.GetAppearEmitter(), "Burst");
    EXPECT_EQ(timer.GetAppearEffect(), nullptr);
    timer.ShowModalImmediately();
    timer.PlayBonusResourceAppearEffect();
    CPyro2* first = timer.GetAppearEffect();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->GetEmitterCount(), 1u);
    float x = 0.0f, y = 0.0f;
    ASSERT_TRUE(first->GetEmitterPosition(0, x, y));
    EXPECT_EQ(x, 710.0f) << "whole pixels";
    EXPECT_EQ(y, 90.0f);
    EXPECT_TRUE(Played("res_appear"));
    timer.PlayBonusResourceAppearEffect();
    EXPECT_EQ(timer.GetAppearEffect()->GetEmitterCount(), 1u) << "a new effect replaces the old one";

    // The effect draws until its emitter has ended.
    int frames = 0;
    while (timer.GetAppearEffect()->HasEmitters() && frames < 500) {
        timer.Process();
        ++frames;
    }
    EXPECT_GT(frames, 10);
    EXPECT_LT(frames, 500);

    // Without an effect in the layout: nothing starts and nothing sounds.
    Samples();
    CTimerPanel bare;
    bare.Load(Node("BareTimerDialog"));
    bare.PlayBonusResourceAppearEffect();
    EXPECT_EQ(bare.GetAppearEffect(), nullptr);
    EXPECT_TRUE(Samples().empty());
    ShutdownPyro();
}

class MoverPanel : public Panels {
public:
    MoverPanel()
    {
        mover.Load(Node("MoverDialog"));
        mover.ShowModalImmediately();
        Samples();
    }
    float BodyY(size_t i) const { return mover.GetBody()[i]->GetY(); }
    float HeadY() const
    {
        float x = 0.0f, y = 0.0f;
        mover.GetHeadPos(x, y);
        return y;
    }
    float LabelY() const { return mover.GetControl("ID_MOVES_LEFT")->GetY(); }
    int LabelShows() const
    {
        return mover.GetControl<CMenuLabel>("ID_MOVES_LEFT")->GetLabel().GetParam1().AsInt();
    }

    CMoverPanel mover;
};

TEST_F(MoverPanel, TheBodyStandsOnTheBasisWithTheHeadAndLabelOnTop)
{
    struct Case {
        int moves;
        size_t segments;
        float middle_x, middle_y;
    };
    const Case cases[] = {{5, 5, 700.0f, 470.0f}, {1, 1, 700.0f, 490.0f}, {0, 0, 0.0f, 0.0f}, {-3, 0, 0.0f, 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.moves);
        mover.SetMoves(c.moves);
        ASSERT_EQ(mover.GetBody().size(), c.segments);
        for (size_t i = 0; i < c.segments; ++i) {
            EXPECT_FLOAT_EQ(mover.GetBody()[i]->GetX(), 700.0f);
            EXPECT_FLOAT_EQ(BodyY(i), 500.0f - 10.0f * float(i + 1)) << i;
        }
        float x = -1.0f, y = -1.0f;
        mover.GetBodyMiddlePos(x, y);
        EXPECT_FLOAT_EQ(x, c.middle_x);
        EXPECT_FLOAT_EQ(y, c.middle_y);
        const int n = std::max(c.moves, 0);
        EXPECT_EQ(mover.GetMovesLeft(), n);
        EXPECT_EQ(LabelShows(), n);
        EXPECT_FLOAT_EQ(HeadY(), 470.0f - 10.0f * float(n));
        EXPECT_FLOAT_EQ(LabelY(), 440.0f - 10.0f * float(n));
        float hx = 0.0f, hy = 0.0f;
        mover.GetHeadPos(hx, hy);
        EXPECT_FLOAT_EQ(hx, 702.0f);
    }
    // The field's name for it.
    IMoverPanel& panel = mover;
    panel.ExplodeBody(3);
    EXPECT_EQ(mover.GetBody().size(), 3u);
    EXPECT_FALSE(panel.IsAnimating());

    // No moves: a spent move does nothing.
    mover.SetMoves(0);
    mover.SpendMove();
    EXPECT_FALSE(mover.IsAnimating());
    EXPECT_EQ(mover.GetMovesLeft(), 0);
    EXPECT_TRUE(Samples().empty());
}

TEST_F(MoverPanel, MovesSpentDuringAnExplosionWaitTheirTurn)
{
    mover.SetMoves(5);
    for (int i = 0; i < 3; ++i) mover.SpendMove();
    EXPECT_EQ(mover.GetMovesLeft(), 2) << "the count falls at once";
    EXPECT_EQ(LabelShows(), 2);
    EXPECT_EQ(mover.GetQueuedExplosions(), 2);
    EXPECT_EQ(mover.GetBody().size(), 4u);
    EXPECT_EQ(mover.GetExplosion(), mover.GetNormalExplosion());
    EXPECT_TRUE(mover.GetExplosion()->IsVisible());
    EXPECT_FLOAT_EQ(mover.GetFallSpeed(), 1.0f);
    EXPECT_EQ(Samples(), std::vector<std::string>{"PlaySample body_blow"});

    // Frame -> segments left and how far the rest has fallen within the running explosion.
    std::vector<size_t> segments;
    int frames = 0;
    while (mover.IsAnimating() && frames < 200) {
        Frames(mover, 1);
        ++frames;
        segments.push_back(mover.GetBody().size());
        if (frames == 5) {
            EXPECT_FLOAT_EQ(BodyY(0), 480.0f + 5.0f) << "the rest falls a pixel a frame";
            EXPECT_FLOAT_EQ(HeadY(), 420.0f + 5.0f);
            EXPECT_FLOAT_EQ(LabelY(), 390.0f + 5.0f);
        }
    }
    ASSERT_EQ(frames, 30) << "three explosions of ten frames, one after another";
    for (int f = 0; f < frames; ++f) EXPECT_EQ(segments[f], size_t(4 - f / 10)) << f + 1;
    EXPECT_EQ(mover.GetBody().size(), 2u);
    EXPECT_FLOAT_EQ(BodyY(0), 490.0f);
    EXPECT_FLOAT_EQ(BodyY(1), 480.0f);
    EXPECT_FLOAT_EQ(HeadY(), 470.0f - 20.0f);
    EXPECT_FLOAT_EQ(LabelY(), 440.0f - 20.0f);
    EXPECT_FALSE(mover.GetExplosion()->IsVisible());
    EXPECT_EQ(Samples().size(), 2u) << "each explosion sounds";

    // Fast explosions fall three pixels a frame with the fast look.
    mover.SetFast(true);
    mover.SpendMove();
    EXPECT_EQ(mover.GetExplosion(), mover.GetFastExplosion());
    EXPECT_FLOAT_EQ(mover.GetFallSpeed(), 3.0f);
    mover.Process();
    EXPECT_FLOAT_EQ(BodyY(0), 480.0f + 3.0f);
    frames = 1;
    while (mover.IsAnimating() && frames < 200) {
        mover.Process();
        ++frames;
    }
    EXPECT_LT(frames, 10);

    // A new count stops everything.
    mover.SpendMove();
    mover.SpendMove();
    mover.SetMoves(4);
    EXPECT_FALSE(mover.IsAnimating());
    EXPECT_FALSE(mover.IsFast());
    EXPECT_EQ(mover.GetExplosion(), nullptr);
    EXPECT_FALSE(mover.GetNormalExplosion()->IsVisible());
    EXPECT_FALSE(mover.GetFastExplosion()->IsVisible());
}

TEST_F(MoverPanel, WithoutTheLabelTheMovesStillRunOut)
{
    CMoverPanel bare;
    bare.Load(Node("BareMoverDialog"));
    bare.ShowModalImmediately();
    bare.SetMoves(2);
    float x = -1.0f, y = -1.0f;
    bare.GetHeadPos(x, y);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);
    for (int i = 0; i < 4; ++i) {
        bare.SpendMove();
        Frames(bare, 40);
    }
    EXPECT_EQ(bare.GetMovesLeft(), 0);
    EXPECT_TRUE(bare.GetBody().empty());
    EXPECT_FALSE(bare.IsAnimating());
    EXPECT_EQ(Samples().size(), 2u) << "one explosion per move, none past the last";
}

TEST_F(Panels, TheLostLifeTextGrowsHoldsAndFades)
{
    CFlashingMessage message;
    EXPECT_EQ(message.GetHold(), 80);
    EXPECT_EQ(message.GetAlphas().size(), 106u);
    EXPECT_FALSE(message.Update()) << "not started";

    message.SetHold(100);
    const std::vector<int>& alphas = message.GetAlphas();
    ASSERT_EQ(alphas.size(), 126u);
    EXPECT_EQ(std::count(alphas.begin(), alphas.begin() + 100, 255), 100);
    EXPECT_EQ(alphas[100], 255);
    EXPECT_EQ(alphas[101], 245);
    EXPECT_EQ(alphas.back(), 5);

    message.SetMessage("LivesLeft");
    message.SetParam(2);
    EXPECT_EQ(message.GetTargetHeight(), 40);
    EXPECT_FLOAT_EQ(message.GetX(), 400.0f);
    EXPECT_FLOAT_EQ(message.GetY(), 300.0f);
    message.Start();
    EXPECT_TRUE(message.IsActive());
    EXPECT_FLOAT_EQ(message.GetHeight(), 1.0f);
    EXPECT_EQ(message.GetColor(), 0xFF80C0FFu);

    int drawn = 0, grown_at = 0;
    std::vector<uint32_t> seen_alphas;
    while (message.IsActive() && drawn < 1000) {
        const bool active = message.Update();
        ++drawn;
        if (!grown_at && message.GetHeight() >= 40.0f) grown_at = drawn;
        EXPECT_LE(message.GetHeight(), 40.0f);
        if (active) seen_alphas.push_back(message.GetAlpha());
        EXPECT_EQ(message.GetColor() & 0xFFFFFFu, 0x80C0FFu);
    }
    EXPECT_EQ(drawn, 126) << "the text lives a frame per entry";
    EXPECT_EQ(grown_at, 13);
    EXPECT_FLOAT_EQ(message.GetHeight(), 40.0f);
    ASSERT_EQ(seen_alphas.size(), 125u);
    EXPECT_EQ(seen_alphas[99], 255u);
    EXPECT_EQ(seen_alphas[100], 245u);
    EXPECT_EQ(seen_alphas[101], 235u);
    EXPECT_EQ(seen_alphas.back(), 5u);
    EXPECT_FALSE(message.Update());

    // It can run again.
    message.Start();
    EXPECT_TRUE(message.Update());
}

// The shipped game folder: the four panels load from the game's dialog file and common file with
// the game's catalogue, texts and game values, without a logged error, and run a level's frames.
TEST(ShippedPanels, LoadAndRunFromTheGameFolder)
{
    zftest::ScopedChdir dir(ZF_GAME_DATA_DIR);
    // The other tests' folder lacks some of the catalogue's textures: forget what they cached.
    CTextureCacher::Instance().Clear();
    RecordingEngine engine;
    CRecordingSoundKeeper sounds;
    ISoundKeeper* previous_keeper = g_SoundKeeper;
    g_SoundKeeper = &sounds;
    CTextKeeper::Instance().SelectLanguage(0);
    CControlKinds::Instance().Reset();
    RegisterGameValues();
    const CXMLFile file("Settings\\DialogsGame.xml");
    zftest::LogWatch log;

    CGameTopPanel top;
    CGameBonusTopPanel bonus_top;
    CTimerPanel timer;
    CMoverPanel mover;
    ASSERT_TRUE(top.Load(file.SelectSingleNode("//Dialogs/GameTopDialog")));
    ASSERT_TRUE(bonus_top.Load(file.SelectSingleNode("//Dialogs/GameBonusTopDialog")));
    ASSERT_TRUE(timer.Load(file.SelectSingleNode("//Dialogs/TimerDialog")));
    ASSERT_TRUE(mover.Load(file.SelectSingleNode("//Dialogs/MoverDialog")));
    EXPECT_GT(top.GetIndicators().GetCount(), 0u);
    EXPECT_NE(timer.GetTimeBar(), nullptr);
    EXPECT_NE(timer.GetDangerOff(), nullptr);
    EXPECT_NE(timer.GetDanger(), nullptr);
    EXPECT_FALSE(timer.GetAppearEmitter().empty());
    for (CLifeIcon* life : {&top.GetLifeIcon(), &bonus_top.GetLifeIcon()})
        for (auto look : {CLifeIcon::liNormal, CLifeIcon::liAddLife, CLifeIcon::liDanger}) EXPECT_NE(life->GetSprite(look), nullptr);

    for (CSlideableBaseDialog* panel : std::initializer_list<CSlideableBaseDialog*>{&top, &bonus_top, &timer, &mover})
        panel->Show();
    mover.SetMoves(30);
    top.PlayAddLife();
    for (int frame = 0; frame < 300; ++frame) {
        if (frame == 200) mover.SpendMove();
        for (CSlideableBaseDialog* panel : std::initializer_list<CSlideableBaseDialog*>{&top, &bonus_top, &timer, &mover})
            panel->Process();
        g_SoundQueue.Update();
    }
    EXPECT_TRUE(top.IsShown() && bonus_top.IsShown() && timer.IsShown() && mover.IsShown());
    EXPECT_FALSE(top.GetLifeIcon().IsAddingLife()) << "the add-life animation ends";
    EXPECT_FALSE(mover.IsAnimating()) << "the explosion ends";
    EXPECT_EQ(mover.GetBody().size(), 29u);
    EXPECT_FALSE(log.Has("Error")) << log.Text();
    EXPECT_FALSE(log.Has("Verify")) << log.Text();
    g_SoundKeeper = previous_keeper;
}

} // namespace
