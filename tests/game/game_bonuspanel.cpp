// The bonus panel on a real game field: which bonuses show as ready from the credits, picking one
// arms or applies it on the field, the cases in which a click picks nothing, cancelling gives the
// credit back, and the ring over a bonus whose grade rises.
#include "field/bonus_test_util.h"
#include "gui/gui_test_util.h"

#include "game/game_bonuspanel.h"
#include "gui/gui_kinds.h"
#include "player/player_resources.h"

#include <algorithm>

using namespace fieldtest;

namespace {

enum Row { rDynamite = 0, rMagicWand = 1, rLightning = 2, rStar = 3, rSandClock = 4 };

// Every row's five images, the help button and two rings (one with a stray child).
std::string PanelLayout()
{
    std::string xml = "<Dialogs><BonusesDialog>";
    const auto& rows = GetBonusPanelRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        const int left = 100 + int(i) * 50;
        for (const char* id : {rows[i].icon, rows[i].disabled, rows[i].empty, rows[i].ready, rows[i].glow})
            xml += "<Control type=\"IMAGE\" id=\"" + std::string(id) + "\" left=\"" + std::to_string(left) +
                   "\" top=\"540\" width=\"40\" height=\"30\"/>";
    }
    xml += "<Control type=\"BUTTON\" id=\"ID_HELP\" left=\"700\" top=\"540\" width=\"60\" height=\"30\"/>";
    xml += "<Ring id=\"ID_DYNAMITE\" centre_x=\"120\" centre_y=\"555\" begin=\"10\" end=\"50\" speed=\"4\"/>";
    xml += "<Ring id=\"ID_LIGHTNING\" centre_x=\"220\" centre_y=\"555\" begin=\"10\" end=\"50\" speed=\"4\">"
           "<sparkle/></Ring>";
    xml += "</BonusesDialog></Dialogs>";
    return xml;
}

// Credits of every bonus type: grade n from 100 * n.
void LoadCredits()
{
    CResCredits& credits = GetResCredits();
    credits.Clear();
    for (int type = 10; type <= 17; ++type) {
        const std::string xml = "<Balls><Bonus><ResCredit type=\"" + std::to_string(type) +
                                "\"/><Grade id=\"1\" start_at_amount=\"100\"/><Grade id=\"2\" start_at_amount=\"200\"/>"
                                "<Grade id=\"3\" start_at_amount=\"300\"/><Grade id=\"4\" start_at_amount=\"400\"/></Bonus></Balls>";
        CXMLFile file = ParseXml(xml);
        credits.LoadCredit(file.SelectSingleNode("//Bonus"));
    }
}

// The field's user whose credits are the player's credit table, as in the game.
class CreditsUser : public RecordingUser {
public:
    int GetCreditGrade(int type) const override { return GetResCredits().GetGrade(type); }
    int ConsumeCredit(int type) override { return GetResCredits().Consume(type); }
    void ReturnCredit(int type, int grades) override { GetResCredits().Downgrade(type, grades); }
};

class BonusPanel : public BonusFixture {
public:
    BonusPanel() : _old_mouse(g_Mouse)
    {
        SetFieldUser(&credits_user);
        g_Mouse = &mouse;
        CControlKinds::Instance().UseText(guitest::kCatalogue);
        CMouse::Instance().SetCursorService(&cursor);
        LoadCredits();
        Load(kTiledField);
        layout = ParseXml(PanelLayout());
        logs.reset(new zftest::LogWatch());
        panel.Load(layout.SelectSingleNode("//Dialogs/BonusesDialog"));
        panel.SetField(&field);
        Samples();
    }
    ~BonusPanel() override
    {
        CMouse::Instance().SetCursorService(nullptr);
        CControlKinds::Instance().Reset();
        g_Mouse = _old_mouse;
        GetResCredits().Clear();
    }
    // Sets a credit's amount (grade = amount / 100) and availability.
    void Credit(int type, int amount, bool available = true)
    {
        CResCredits& credits = GetResCredits();
        credits.SetAvailable(type, available);
        credits.Add(type, amount - credits.GetAmount(type));
    }
    void Show()
    {
        panel.ShowModalImmediately();
    }
    void Click(const char* id) { panel.OnClick(panel.GetControl(id).get()); }
    bool Visible(const char* id) { return panel.GetControl(id)->IsVisible(); }
    // The visible images of a row: D(isabled), E(mpty), R(eady), G(low).
    std::string Looks(int row)
    {
        const BonusPanelRow& r = GetBonusPanelRows()[row];
        std::string s;
        if (Visible(r.disabled)) s += 'D';
        if (Visible(r.empty)) s += 'E';
        if (Visible(r.ready)) s += 'R';
        if (Visible(r.glow)) s += 'G';
        return s;
    }
    bool Played(const std::string& sample)
    {
        const auto played = Samples();
        return std::find(played.begin(), played.end(), "PlaySample " + sample) != played.end();
    }

    CreditsUser credits_user;
    guitest::FakeMouse mouse;
    RecordingCursor cursor;
    CXMLFile layout;
    std::unique_ptr<zftest::LogWatch> logs;
    CBonusPanel panel;

private:
    IMouse* _old_mouse;
};

TEST_F(BonusPanel, RowsShowTheCreditStates)
{
    Credit(11, 250);                 // dynamite: grade 2, ready
    Credit(16, 40);                  // magic wand: available, grade 0
    Credit(13, 430, false);          // lightning: not available this level
    Credit(15, 100);                 // clover: grade 1
    Show();
    struct Case {
        int row;
        const char* looks;
        bool active;
        int grade;
    };
    const Case cases[] = {
        {rDynamite, "RG", true, 2}, {rMagicWand, "E", false, 0}, {rLightning, "D", true, 4},
        {rStar, "RG", true, 1},     {rSandClock, "D", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(Looks(c.row), c.looks);
        EXPECT_EQ(panel.GetRowState(c.row).active, c.active);
        EXPECT_EQ(panel.GetRowState(c.row).grade, c.grade);
        EXPECT_TRUE(Visible(GetBonusPanelRows()[c.row].icon)) << "the icon stays whatever the state";
    }
    EXPECT_EQ(panel.GetRing(rDynamite)->GetLastValue(), 2) << "a ready row's ring starts from its grade";
    EXPECT_FALSE(panel.GetRing(rDynamite)->IsRunning());

    // A credit that changes during play changes the row on the next frame.
    Credit(16, 120);
    panel.OnProcessed();
    EXPECT_EQ(Looks(rMagicWand), "RG");
    Credit(11, 0);
    panel.OnProcessed();
    EXPECT_EQ(Looks(rDynamite), "E");
}

TEST_F(BonusPanel, AClickOnAReadyBonusArmsItOnTheField)
{
    Credit(11, 250);
    Show();
    Click("ID_DYNAMITE_READY_GLOW");
    EXPECT_TRUE(field.IsBonusArmed());
    EXPECT_EQ(field.GetSelectedBonus(), int(bkDynamite));
    EXPECT_EQ(field.GetBonusGradesLeft(), 2);
    EXPECT_EQ(panel.GetSelectedRow(), rDynamite);
    EXPECT_EQ(GetResCredits().GetGrade(11), 0) << "the field takes the whole credit";
    EXPECT_TRUE(Played("bn_select"));
    panel.OnProcessed();
    EXPECT_EQ(Looks(rDynamite), "E");
    EXPECT_EQ(panel.GetSelectedRow(), rDynamite);

    // Once the field has used the bonus the panel lets go of the pick.
    const FieldMouse at = MouseAt(2, 1);
    EXPECT_TRUE(field.ApplyBonusAt(at.x, at.y));
    EXPECT_EQ(field.GetSelectedBonus(), 0);
    panel.OnProcessed();
    EXPECT_EQ(panel.GetSelectedRow(), CBonusPanel::kNoSelection);
}

TEST_F(BonusPanel, ABonusAppliedAtOnceLeavesNothingPicked)
{
    Credit(16, 100);
    Show();
    Click("ID_MAGICWAND_READY_GLOW");
    EXPECT_TRUE(field.IsBonusRunning());
    EXPECT_FALSE(field.IsBonusArmed());
    EXPECT_EQ(panel.GetSelectedRow(), CBonusPanel::kNoSelection);
    EXPECT_EQ(GetResCredits().GetGrade(16), 0);
}

TEST_F(BonusPanel, ClicksThatPickNothing)
{
    struct Case {
        const char* name;
        int scene_state;
        bool dragging;
        bool bonus_level;
        bool shown;
        const char* control;
        bool mismatch;
    };
    const Case cases[] = {
        {"scene not playing", IFieldScene::kHintShown, false, false, true, "ID_DYNAMITE_READY_GLOW", false},
        {"chain being drawn", IFieldScene::kPlaying, true, false, true, "ID_DYNAMITE_READY_GLOW", false},
        {"bonus level", IFieldScene::kPlaying, false, true, true, "ID_DYNAMITE_READY_GLOW", true},
        {"panel hidden", IFieldScene::kPlaying, false, false, false, "ID_DYNAMITE_READY_GLOW", false},
        {"no credit", IFieldScene::kPlaying, false, false, true, "ID_SANDCLOCK_READY_GLOW", false},
        {"the icon, not the glow", IFieldScene::kPlaying, false, false, true, "ID_DYNAMITE", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(kTiledField, "", c.bonus_level);
        LoadCredits();
        Credit(11, 250);
        Credit(10, 50);
        panel.HideImmediately();
        if (c.shown) Show();
        scene.state = c.scene_state;
        if (c.dragging) Frame(MouseAt(0, 0, true));
        ASSERT_EQ(field.IsSelectingChain(), c.dragging);
        Samples();
        Click(c.control);
        EXPECT_FALSE(field.IsBonusArmed());
        EXPECT_FALSE(field.IsBonusRunning());
        EXPECT_EQ(panel.GetSelectedRow(), CBonusPanel::kNoSelection);
        EXPECT_EQ(GetResCredits().GetGrade(11), 2) << "no credit is taken";
        EXPECT_EQ(Played("it_mismatch"), c.mismatch);
        if (c.dragging) Frame(MouseAt(0, 0, false));
        scene.state = IFieldScene::kPlaying;
    }
}

TEST_F(BonusPanel, CancellingGivesTheCreditBackWithoutCountingAGain)
{
    Credit(11, 250);
    Credit(14, 300);
    Show();
    const size_t gains = field.GetStats().bonus_gain.size();
    struct Case {
        const char* name;
        void (*cancel)(BonusPanel&);
    };
    const Case cases[] = {
        {"right button held", [](BonusPanel& t) { t.mouse.buttons[1] = ksHeld; t.panel.OnProcessInput(); t.mouse.buttons[1] = ksUp; }},
        {"a click on a bonus that is not ready", [](BonusPanel& t) { t.Click("ID_SANDCLOCK_READY_GLOW"); }},
        {"a click on the help button", [](BonusPanel& t) { t.Click("ID_HELP"); }},
        {"picking another bonus", [](BonusPanel& t) { t.Click("ID_SWORD_READY_GLOW"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (field.IsBonusArmed()) panel.CancelSelection();
        Click("ID_DYNAMITE_READY_GLOW");
        panel.OnProcessed();
        ASSERT_EQ(panel.GetSelectedRow(), rDynamite);
        Samples();
        c.cancel(*this);
        EXPECT_TRUE(Played("bn_cancel"));
        EXPECT_EQ(GetResCredits().GetGrade(11), 2);
        EXPECT_EQ(Looks(rDynamite), "RG");
        EXPECT_EQ(panel.GetRing(rDynamite)->GetLastValue(), 2);
        panel.OnProcessed();
        EXPECT_FALSE(panel.GetRing(rDynamite)->IsRunning()) << "the ring waits for a grade above the one given back";
        EXPECT_EQ(field.GetStats().bonus_gain.size(), gains) << "a credit given back is no gain";
        EXPECT_TRUE(scene.cross_states_asked.empty()) << "a click that cancels opens no help";
    }
    EXPECT_EQ(field.GetSelectedBonus(), int(bkBurner));
    EXPECT_EQ(panel.GetSelectedRow(), 5);
    panel.CancelSelection();
    EXPECT_EQ(GetResCredits().GetGrade(14), 3);

    // With nothing picked the help button asks for the help.
    Click("ID_HELP");
    EXPECT_EQ(scene.cross_states_asked, std::vector<int>{2});
    panel.EnableHelp(false);
    EXPECT_FALSE(panel.GetControl("ID_HELP")->IsEnabled());
}

TEST_F(BonusPanel, ARisingGradeStartsTheRingAndTellsTheField)
{
    Credit(11, 150);
    Show();
    CRing* ring = panel.GetRing(rDynamite);
    const size_t gains = field.GetStats().bonus_gain.size();
    Credit(11, 260);
    panel.OnProcessed();
    EXPECT_TRUE(ring->IsRunning());
    EXPECT_EQ(ring->GetLastValue(), 2);
    ASSERT_EQ(field.GetStats().bonus_gain.size(), gains + 1);
    EXPECT_EQ(field.GetStats().bonus_gain.back().grade, 2);
    int frames = 1;
    while (ring->IsRunning() && frames < 100) {
        panel.OnProcessed();
        ++frames;
    }
    EXPECT_EQ(frames, 4);
    EXPECT_FLOAT_EQ(ring->GetSize(), 50.0f);

    // A falling grade moves the ring's mark down without a start or a gain.
    Credit(11, 120);
    panel.OnProcessed();
    EXPECT_FALSE(ring->IsRunning());
    EXPECT_EQ(ring->GetLastValue(), 1);
    EXPECT_EQ(field.GetStats().bonus_gain.size(), gains + 1);
}

TEST_F(BonusPanel, TheGlowPulsesOnlyWhilePlayingAnOrdinaryLevel)
{
    Credit(11, 150);
    Show();
    EXPECT_EQ(panel.GetGlowAlpha(), 0);
    for (int i = 0; i < 30; ++i) panel.OnProcessed();
    EXPECT_EQ(panel.GetGlowAlpha(), 127);
    scene.state = IFieldScene::kHintShown;
    panel.OnProcessed();
    EXPECT_EQ(panel.GetGlowAlpha(), 127);
    scene.state = IFieldScene::kPlaying;
    for (int i = 0; i < 30; ++i) panel.OnProcessed();
    EXPECT_EQ(panel.GetGlowAlpha(), 255);
    for (int i = 0; i < 60; ++i) panel.OnProcessed();
    EXPECT_EQ(panel.GetGlowAlpha(), 0) << "and back down";
}

TEST_F(BonusPanel, IconPositionsAndRingLoading)
{
    struct Case {
        int type;
        float x, y;
    };
    const Case cases[] = {{11, 120.0f, 540.0f}, {16, 170.0f, 540.0f}, {12, 470.0f, 540.0f}, {9, 0.0f, 0.0f}, {1, 0.0f, 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const GamePoint p = panel.GetBonusIconPos(c.type);
        EXPECT_FLOAT_EQ(p.x, c.x);
        EXPECT_FLOAT_EQ(p.y, c.y);
    }
    EXPECT_TRUE(logs->Has("Unrecognized bonus panel ring node sparkle"));
    EXPECT_NE(panel.GetRing(rLightning), nullptr) << "the ring is kept";
    EXPECT_EQ(panel.GetRing(rMagicWand), nullptr);
}

TEST(Ring, GrowthStopsAtTheEndSize)
{
    struct Case {
        float speed;
        int frames;
    };
    // A speed that does not divide the growth, or none at all, still ends at the end size.
    const Case cases[] = {{4.0f, 4}, {2.5f, 3}, {0.0f, 1}, {-3.0f, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        const std::string xml = "<Ring id=\"ID_STAR\" centre_x=\"10\" centre_y=\"10\" begin=\"10\" end=\"50\" speed=\"" +
                                std::to_string(c.speed) + "\"/>";
        CXMLFile file = ParseXml(xml);
        CRing ring;
        ring.Load(file.SelectSingleNode("Ring"));
        ring.Start(1);
        int frames = 0;
        while (ring.IsRunning() && frames < 100) {
            ring.Update();
            ++frames;
        }
        EXPECT_EQ(frames, c.frames);
        EXPECT_FLOAT_EQ(ring.GetSize(), 50.0f);
        ring.Start(1);
        EXPECT_FALSE(ring.IsRunning()) << "not again for the same value";
        ring.SetEnabled(false);
        ring.Start(2);
        EXPECT_FALSE(ring.IsRunning()) << "not while disabled";
    }
}

} // namespace
