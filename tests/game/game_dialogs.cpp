// The dialogs that interrupt play: the pause dialog's results, its leave confirmation and the
// Escape rule, the volumes heard at once and saved on hide, the game over dialog and the help
// dialog's results, sections, page limits by progress and effects.
#include "gui/gui_test_util.h"

#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_anim.h"
#include "engine/sound/engine_soundqueue.h"
#include "field/field_levelrecord.h"
#include "game/game_dialogs.h"
#include "game/game_results.h"
#include "player/player_gamevalues.h"
#include "player/player_prices.h"
#include "player/player_profiles.h"
#include "player/player_user.h"
#include "settings/main_settings.h"

#include <filesystem>
#include <functional>

using namespace guitest;
using zftest::ReadTextFile;
using zftest::WriteText;

namespace {

const char* const kDialogs = R"(<Dialogs>
  <PauseDialog>
    <Control type="TRACKBAR" id="ID_SOUND" kind="0" left="100" top="100" width="200" height="20"/>
    <Control type="TRACKBAR" id="ID_MUSIC" kind="0" left="100" top="140" width="200" height="20"/>
    <Control type="BUTTON" id="ID_MENU" left="100" top="200" width="80" height="30"/>
    <Control type="BUTTON" id="ID_GAME" left="200" top="200" width="80" height="30"/>
    <Control type="BUTTON" id="ID_HELP" left="300" top="200" width="80" height="30"/>
  </PauseDialog>
  <LeaveGameConfirmationDialog>
    <Control type="BUTTON" id="ID_LEAVE" left="100" top="300" width="80" height="30"/>
    <Control type="BUTTON" id="ID_CANCEL" left="200" top="300" width="80" height="30"/>
  </LeaveGameConfirmationDialog>
  <GameOverDialog>
    <Control type="BUTTON" id="ID_OK" left="350" top="400" width="100" height="30"/>
    <Indicator src_id="VAL_SCORE"><State id="0"/></Indicator>
    <Indicator src_id="VAL_NO_SUCH_VALUE"><State id="0"/></Indicator>
  </GameOverDialog>
  <HelpDialog>
    <Control type="PAGECONTROL" id="ID_PAGES_1" left="100" top="50" width="600" height="300">
      <Page/><Page/><Page/>
    </Control>
    <Control type="PAGECONTROL" id="ID_PAGES_2" left="100" top="50" width="600" height="300">
      <Page/><Page/>
    </Control>
    <Control type="IMAGE" id="ID_SELECT_1" left="20" top="50" width="40" height="40"/>
    <Control type="IMAGE" id="ID_SELECT_2" left="20" top="100" width="40" height="40"/>
    <Control type="BUTTON" id="ID_BACKWARD" left="100" top="400" width="80" height="30"/>
    <Control type="BUTTON" id="ID_FORWARD" left="200" top="400" width="80" height="30"/>
    <Control type="BUTTON" id="ID_CONTINUE" left="300" top="400" width="80" height="30"/>
    <Control type="BUTTON" id="ID_EXIT" left="400" top="400" width="80" height="30"/>
  </HelpDialog>
</Dialogs>)";

// The attribute of "//Config/Options" in the file, "" when missing.
std::string ConfigAttr(const char* name)
{
    CXMLFile file(g_Settings.GetPath());
    return file.SelectSingleNode("//Config/Options").GetAttribute(name, "");
}

class GameDialogs : public ::testing::Test {
protected:
    GameDialogs()
    {
        // The settings file of this test's own user folder.
        WriteText(g_Settings.GetPath(), R"(<Config><Options snd_vol="40" mus_vol="30" windowed="1"/></Config>)");
        g_Settings.Load();
        layout = std::make_shared<CXMLFile>();
        const std::string text = kDialogs;
        layout->LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    }
    ~GameDialogs() override
    {
        std::error_code ec;
        std::filesystem::remove(g_Settings.GetPath(), ec);
    }

    CXMLNode Dialog(const std::string& name) const { return layout->SelectSingleNode("//Dialogs/" + name); }

    // Processes frames until the condition holds; false when it never does.
    bool RunUntil(CBaseDialog& d, const std::function<bool()>& done, int limit = 200)
    {
        for (int i = 0; i < limit && !done(); ++i) {
            env.mouse.Frame(0, 0, false);
            d.Process();
        }
        return done();
    }
    void ShowPause()
    {
        pause.ShowModal();
        ASSERT_TRUE(RunUntil(pause, [&] { return pause.IsShown(); }));
    }
    // A press and release of the left button over the control's centre, one frame each.
    void Click(CBaseDialog& d, CBaseDialog& owner, const char* id)
    {
        const CBaseControlPtr c = d.GetControl(id);
        const int x = int(c->GetX() + c->GetWidth() / 2), y = int(c->GetY() + c->GetHeight() / 2);
        for (bool down : {false, true, false}) {
            env.mouse.Frame(x, y, down);
            owner.Process();
        }
    }
    int FaderAlpha() const { return int(pause.GetFader().GetSprite()->GetAlpha(0)); }

    GuiEnvironment env{kCatalogue};
    std::shared_ptr<CXMLFile> layout;
    CPauseDialog pause;
};

TEST_F(GameDialogs, PauseButtonsLeaveTheirResults)
{
    const struct {
        const char* button;
        int result;
        int mode;
        bool modal;
    } cases[] = {
        {"ID_GAME", prBackToGame, CPauseDialog::pmPause, true},
        {"ID_HELP", prHelp, CPauseDialog::pmPause, true},
        {"ID_MENU", 0, CPauseDialog::pmLeave, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        CPauseDialog d;
        ASSERT_TRUE(d.Load(layout->SelectSingleNode("//Dialogs")));
        // While it slides in, a click reaches nothing.
        d.ShowModal();
        d.OnClick(d.GetControl(c.button).get());
        EXPECT_EQ(d.GetResult(), 0);
        EXPECT_EQ(d.GetLeaveDialog().GetState(), 0u);
        ASSERT_TRUE(RunUntil(d, [&] { return d.IsShown(); }));
        Click(d, d, c.button);
        EXPECT_EQ(d.GetResult(), c.result);
        EXPECT_EQ(d.GetMode(), c.mode);
        EXPECT_EQ(d.IsModal(), c.modal);
        EXPECT_EQ(d.GetLeaveDialog().IsVisible(), c.mode == CPauseDialog::pmLeave);
    }
}

TEST_F(GameDialogs, LeaveConfirmationSlidesOverThePauseAndEscapeWaitsForIt)
{
    ASSERT_TRUE(pause.Load(layout->SelectSingleNode("//Dialogs")));
    CLeaveGameDialog& leave = pause.GetLeaveDialog();
    ShowPause();
    EXPECT_TRUE(pause.CanClose()) << "the pause alone may close";

    Click(pause, pause, "ID_MENU");
    ASSERT_EQ(pause.GetMode(), CPauseDialog::pmLeave);
    EXPECT_TRUE(leave.GetState() & dsOpening);
    EXPECT_FALSE(pause.CanClose()) << "the confirmation is sliding in";
    ASSERT_TRUE(RunUntil(pause, [&] { return leave.IsShown(); }));
    EXPECT_TRUE(pause.CanClose()) << "the confirmation is up";
    ASSERT_TRUE(RunUntil(pause, [&] { return !pause.GetFader().IsRunning(); }));
    EXPECT_EQ(FaderAlpha(), 64) << "the pause is darkened under the confirmation";

    // Cancel: back to the pause with no result, brightened, taking input again.
    Click(leave, pause, "ID_CANCEL");
    EXPECT_EQ(pause.GetResult(), 0);
    EXPECT_EQ(leave.GetResult(), 0) << "the pause read and reset it";
    EXPECT_EQ(pause.GetMode(), CPauseDialog::pmPause);
    EXPECT_TRUE(pause.IsModal());
    EXPECT_TRUE(leave.GetState() & dsClosing);
    EXPECT_FALSE(pause.CanClose()) << "the confirmation is sliding out";
    ASSERT_TRUE(RunUntil(pause, [&] { return !leave.IsVisible(); }));
    EXPECT_TRUE(pause.CanClose());
    ASSERT_TRUE(RunUntil(pause, [&] { return !pause.GetFader().IsRunning(); }));
    EXPECT_EQ(FaderAlpha(), 0);
    EXPECT_FALSE(pause.GetFader().IsVisible());

    // Leave: the pause's own result 1.
    Click(pause, pause, "ID_MENU");
    ASSERT_TRUE(RunUntil(pause, [&] { return leave.IsShown(); }));
    Click(leave, pause, "ID_LEAVE");
    EXPECT_EQ(pause.GetResult(), prLeaveGame);
    EXPECT_EQ(pause.GetMode(), CPauseDialog::pmPause);
    EXPECT_TRUE(leave.GetState() & dsClosing);

    // Showing the pause again starts it clear, with the confirmation away.
    pause.HideImmediately();
    pause.ShowModalImmediately();
    EXPECT_EQ(leave.GetState(), 0u);
    EXPECT_EQ(FaderAlpha(), 0);
    EXPECT_EQ(pause.GetMode(), CPauseDialog::pmPause);
}

TEST_F(GameDialogs, VolumesAreHeardAtOnceAndSavedWhenThePauseHides)
{
    ASSERT_TRUE(pause.Load(layout->SelectSingleNode("//Dialogs")));
    ShowPause();
    auto sound = pause.GetControl<CMenuTrackBar>("ID_SOUND");
    auto music = pause.GetControl<CMenuTrackBar>("ID_MUSIC");
    EXPECT_EQ(sound->GetPosition(), 40);
    EXPECT_EQ(music->GetPosition(), 30);
    EXPECT_TRUE(env.sound.Calls("SetVolumes").empty()) << "setting up the bars changes nothing";

    music->SetPosition(80);
    EXPECT_EQ(env.sound.Calls("SetVolumes"), std::vector<std::string>{"SetVolumes 80 40"});
    sound->SetPosition(10);
    EXPECT_EQ(env.sound.Calls("SetVolumes").back(), "SetVolumes 80 10");
    EXPECT_EQ(ConfigAttr("mus_vol"), "30") << "nothing is saved while the pause is open";

    // The window mode switched while the pause is open is not undone by the pause's save.
    ASSERT_TRUE(StoreDisplayMode(true));
    EXPECT_EQ(ConfigAttr("windowed"), "0");

    env.sound.Clear();
    pause.Hide();
    EXPECT_EQ(env.sound.Calls("SetVolumes"), std::vector<std::string>{"SetVolumes 80 10"});
    EXPECT_EQ(ConfigAttr("mus_vol"), "80");
    EXPECT_EQ(ConfigAttr("snd_vol"), "10");
    EXPECT_EQ(ConfigAttr("windowed"), "0");
    EXPECT_EQ(g_Settings.Record().mus_vol, 80);

    // Hiding it again, at once or after the slide, writes nothing more.
    WriteText(g_Settings.GetPath(), R"(<Config><Options snd_vol="1" mus_vol="2"/></Config>)");
    const std::string written = ReadTextFile(g_Settings.GetPath());
    pause.HideImmediately();
    pause.Hide();
    pause.HideImmediately();
    EXPECT_EQ(ReadTextFile(g_Settings.GetPath()), written);

    // A pause that was never shown saves nothing when hidden.
    std::filesystem::remove(g_Settings.GetPath());
    CPauseDialog never;
    ASSERT_TRUE(never.Load(layout->SelectSingleNode("//Dialogs")));
    never.Hide();
    never.HideImmediately();
    EXPECT_FALSE(std::filesystem::exists(g_Settings.GetPath()));
}

TEST_F(GameDialogs, ADamagedLayoutIsReportedAndThePauseStillWorks)
{
    const std::string text = R"(<Dialogs><PauseDialog>
        <Control type="BUTTON" id="ID_SOUND" left="100" top="100" width="80" height="30"/>
        <Control type="BUTTON" id="ID_GAME" left="200" top="200" width="80" height="30"/>
      </PauseDialog></Dialogs>)";
    CXMLFile file;
    file.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    LogWatch log;
    EXPECT_FALSE(pause.Load(file.SelectSingleNode("//Dialogs")));
    EXPECT_TRUE(log.Has("Error: the dialogs have no LeaveGameConfirmationDialog node."));
    EXPECT_TRUE(log.Has("Error: control 'ID_SOUND' has different type!"));
    EXPECT_TRUE(log.Has("Error: control 'ID_MUSIC' not found in dialog PauseDialog!"));
    ShowPause();
    Click(pause, pause, "ID_GAME");
    EXPECT_EQ(pause.GetResult(), prBackToGame);
    pause.Hide();
    EXPECT_EQ(ConfigAttr("mus_vol"), "30");
}

TEST_F(GameDialogs, GameOverDrawsItsIndicatorsAndOkHidesIt)
{
    RegisterGameValues();
    CGameOverDialog over;
    LogWatch log;
    ASSERT_TRUE(over.Load(Dialog("GameOverDialog")));
    EXPECT_TRUE(log.Has("Error: indicator 1 of GameOverDialog skipped"));
    ASSERT_EQ(over.GetIndicators().size(), 1u);
    const CGameIndicatorState& state = *over.GetIndicators()[0]->GetStates().at(0);

    over.Fill(LevelRecord());
    over.ShowModal();
    over.OnClick(over.GetControl("ID_OK").get());
    EXPECT_EQ(over.GetResult(), 0) << "no result while sliding in";
    ASSERT_TRUE(RunUntil(over, [&] { return over.IsShown(); }));
    EXPECT_FALSE(state.IsFirstUpdatePending()) << "the indicators are drawn with the dialog";

    Click(over, over, "ID_OK");
    EXPECT_EQ(over.GetResult(), rdOk);
    EXPECT_TRUE(over.GetState() & dsClosing);
    ASSERT_TRUE(RunUntil(over, [&] { return !over.IsVisible(); }));
    EXPECT_FALSE(over.Process()) << "hidden: no longer processed";
}

class HelpDialog : public GameDialogs {
protected:
    HelpDialog()
    {
        EXPECT_TRUE(help.Load(Dialog("HelpDialog")));
        help.ShowModal();
        help.Process();
    }
    bool Enabled(const char* id) { return help.GetControl(id)->IsEnabled(); }
    bool Visible(const char* id) { return help.GetControl(id)->IsVisible(); }
    int ShownPage() { return int(help.GetCurrentPages()->GetPage()); }

    CGameHelpDialog help;
};

TEST_F(HelpDialog, ButtonsLeaveTheirResultsOnlyWhileShown)
{
    ASSERT_TRUE(help.IsShown());
    Click(help, help, "ID_CONTINUE");
    EXPECT_EQ(help.GetResult(), hrContinue);
    Click(help, help, "ID_EXIT");
    EXPECT_EQ(help.GetResult(), hrExit);

    help.SetResult(0);
    help.Hide();
    help.OnClick(help.GetControl("ID_EXIT").get());
    help.OnClick(help.GetControl("ID_CONTINUE").get());
    EXPECT_EQ(help.GetResult(), 0);
}

TEST_F(HelpDialog, ArrowsTurnTheFirstSectionsPagesWithinItsEnds)
{
    EXPECT_EQ(help.GetSection(), 1);
    EXPECT_TRUE(Visible("ID_PAGES_1"));
    EXPECT_TRUE(Visible("ID_SELECT_1"));
    EXPECT_FALSE(Visible("ID_PAGES_2"));
    EXPECT_FALSE(Visible("ID_SELECT_2"));
    ASSERT_EQ(help.GetCurrentPages(), help.GetControl<CMenuPageControl>("ID_PAGES_1"));

    // Page by page to the last one and back; the arrow at an end is disabled.
    const struct {
        const char* arrow;
        int page;
        bool backward, forward;
    } steps[] = {
        {nullptr, 0, false, true},       {"ID_FORWARD", 1, true, true},  {"ID_FORWARD", 2, true, false},
        {"ID_FORWARD", 2, true, false},  {"ID_BACKWARD", 1, true, true}, {"ID_BACKWARD", 0, false, true},
        {"ID_BACKWARD", 0, false, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.arrow ? s.arrow : "shown") + " -> " + std::to_string(s.page));
        if (s.arrow) Click(help, help, s.arrow);
        EXPECT_EQ(help.GetPageShown(), s.page);
        EXPECT_EQ(ShownPage(), s.page);
        EXPECT_EQ(Enabled("ID_BACKWARD"), s.backward);
        EXPECT_EQ(Enabled("ID_FORWARD"), s.forward);
    }

    // Two clicks before the turn is done turn one page.
    help.OnClick(help.GetControl("ID_FORWARD").get());
    help.OnClick(help.GetControl("ID_FORWARD").get());
    EXPECT_EQ(help.GetTargetPage(), 1);
    EXPECT_EQ(help.GetPageShown(), 0) << "the page switches once the frame is drawn";
    help.Process();
    EXPECT_EQ(ShownPage(), 1);

    // Indexes out of range are clamped.
    for (const auto& [asked, page] : std::vector<std::pair<int, int>>{{7, 2}, {-3, 0}, {1, 1}}) {
        help.SetPage(asked, true);
        EXPECT_EQ(ShownPage(), page) << asked;
    }

    // Showing the help again starts at the first page.
    help.HideImmediately();
    help.SetPage(2, true);
    help.ShowModalImmediately();
    EXPECT_EQ(ShownPage(), 0);
}

TEST_F(HelpDialog, WithoutPagesOrArrowsTheHelpStillWorks)
{
    const std::string text = R"(<Dialogs><HelpDialog>
        <Control type="PAGECONTROL" id="ID_PAGES_1" left="100" top="50" width="600" height="300"><Page/></Control>
        <Control type="BUTTON" id="ID_BACKWARD" left="100" top="400" width="80" height="30"/>
        <Control type="BUTTON" id="ID_FORWARD" left="200" top="400" width="80" height="30"/>
        <Control type="BUTTON" id="ID_CONTINUE" left="300" top="400" width="80" height="30"/>
      </HelpDialog><Bare><Control type="BUTTON" id="ID_EXIT" left="400" top="400" width="80" height="30"/></Bare></Dialogs>)";
    CXMLFile file;
    file.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));

    // One page: both arrows disabled.
    CGameHelpDialog one;
    ASSERT_TRUE(one.Load(file.SelectSingleNode("//HelpDialog")));
    one.ShowModalImmediately();
    EXPECT_EQ(one.GetPageCount(), 1);
    EXPECT_FALSE(one.GetControl("ID_FORWARD")->IsEnabled());
    EXPECT_FALSE(one.GetControl("ID_BACKWARD")->IsEnabled());

    // No page control and no arrows at all.
    CGameHelpDialog bare;
    LogWatch log;
    ASSERT_TRUE(bare.Load(file.SelectSingleNode("//Bare")));
    EXPECT_TRUE(log.Has("Error: control 'ID_CONTINUE' not found in dialog HelpDialog!"));
    bare.ShowModalImmediately();
    EXPECT_EQ(bare.GetCurrentPages(), nullptr);
    bare.SetPage(3, false);
    bare.Process();
    EXPECT_EQ(bare.GetPageShown(), 0);
    Click(bare, bare, "ID_EXIT");
    EXPECT_EQ(bare.GetResult(), hrExit);
}

// ---- The whole help: five sections, limits by progress, effects

// Pages per section of the layout below.
constexpr int kSectionPages[CGameHelpDialog::kSections] = {3, 4, 1, 2, 2};

// The full help: five sections, their selectors and buttons, and the four effects. The open effect
// is a pass of 8 frames moving (10, 20) 40 x 30 to (90, 60) 200 x 110; a page turn is a pass of 3
// frames with an emitter 5, 7 from the corner (100, 50) drifting 2 px right and 1 down a frame.
std::string FullHelpLayout(const std::string& dir)
{
    std::string out = "<HelpDialog>";
    for (int n = 1; n <= CGameHelpDialog::kSections; ++n) {
        const std::string num = std::to_string(n);
        out += R"(<Control type="PAGECONTROL" id="ID_PAGES_)" + num + R"(" left="150" top="80" width="500" height="300">)";
        for (int p = 0; p < kSectionPages[n - 1]; ++p) out += "<Page/>";
        out += "</Control>";
        out += R"(<Control type="IMAGE" id="ID_SELECT_)" + num + R"(" left=")" + std::to_string(100 + 60 * n) +
               R"(" top="50" width="50" height="30"/>)";
        out += R"(<Control type="BUTTON" id="ID_GOTO_)" + num + R"(" left=")" + std::to_string(100 + 60 * n) +
               R"(" top="50" width="50" height="30"/>)";
    }
    out += R"(<Control type="BUTTON" id="ID_BACKWARD" left="100" top="400" width="80" height="30"/>
      <Control type="BUTTON" id="ID_FORWARD" left="200" top="400" width="80" height="30"/>
      <Control type="BUTTON" id="ID_CONTINUE" left="300" top="400" width="80" height="30"/>
      <Control type="BUTTON" id="ID_EXIT" left="400" top="400" width="80" height="30"/>)";
    const std::string open = R"(<graphics texture="Textures\Help.png" tex_rect="0 0 8 8"><animation file=")" + dir +
                             R"(/Open.xml"/></graphics>)";
    out += "<OpenEffect start_x=\"10\" start_y=\"20\" end_x=\"90\" end_y=\"60\" start_size_x=\"40\" start_size_y=\"30\" "
           "end_size_x=\"200\" end_size_y=\"110\">" + open + "</OpenEffect>";
    out += "<CloseEffect start_x=\"90\" start_y=\"60\" end_x=\"10\" end_y=\"20\" start_size_x=\"200\" start_size_y=\"110\" "
           "end_size_x=\"40\" end_size_y=\"30\">" + open + "</CloseEffect>";
    for (const char* name : {"PageForwardEffect", "PageBackwardEffect"}) {
        out += std::string("<") + name + R"( scale_to_x="120.7" scale_to_y="80" offset_x="30" offset_y="40">)" +
               R"(<graphics texture="Textures\Help.png" tex_rect="0 0 8 8"><animation file=")" + dir + R"(/Turn.xml"/></graphics>)" +
               R"(<pyro alias="Still" offset_x="5" offset_y="7" speed_x="2" speed_y="1"/><sound alias="page_turn"/>)" +
               "</" + name + ">";
    }
    return out + "</HelpDialog>";
}

class FullHelp : public GameDialogs {
protected:
    FullHelp()
    {
        WriteText(dir / "Open.xml", R"(<Animation speed="2"><Frame tex_rect="0 0 8 8"/><Frame tex_rect="8 0 16 8"/>
            <Frame tex_rect="16 0 24 8"/><Frame tex_rect="24 0 32 8"/></Animation>)");
        WriteText(dir / "Turn.xml", R"(<Animation speed="1"><Frame tex_rect="0 0 8 8"/><Frame tex_rect="8 0 16 8"/>
            <Frame tex_rect="16 0 24 8"/></Animation>)");
        EXPECT_TRUE(InitPyro(ZF_TEST_DATA_DIR "/pyro/Test.pyro"));
        // Taking a profile's game reads the game's configuration.
        cfg.Register("start_lives", 3);
        cfg.Register("score_for_life", 20000);
        SetUserGameConfig(&cfg);
        const std::string text = FullHelpLayout(dir.path());
        file.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    }
    ~FullHelp() override
    {
        ShutdownPyro();
        CAniCacher::Instance().Clear();
        GetPromotions() = CPromotions();
        g_User.LoadFromProfile(CProfile("nobody"), kCurrentGameSlot);
        SetUserGameConfig(nullptr);
    }

    // The title ladder of the test: limits 1, 3 and 0 of the second section, first pages 0, 2, 1.
    void LoadTitles()
    {
        WriteText(dir / "Promotions.xml", R"(<Promotions>
            <Promotion title_alias="T0" score="0" help_limit_02="1" help_default_page_02="0"/>
            <Promotion title_alias="T1" score="100" help_limit_02="3" help_default_page_02="2"/>
            <Promotion title_alias="T2" score="200" help_limit_02="0" help_default_page_02="1"/></Promotions>)");
        GetPromotions().Load(dir / "Promotions.xml");
        ASSERT_EQ(GetPromotions().GetCount(), 3);
    }
    void SetTitle(int title)
    {
        CGameSlot game;
        game.title = title;
        CProfile profile("Ann");
        profile.SetGame(kCurrentGameSlot, game);
        g_User.LoadFromProfile(profile, kCurrentGameSlot);
        ASSERT_EQ(g_User.GetTitleIndex(), title);
    }
    // A source of epoch limits that knows epochs 0 to 2.
    void UseEpochs(const EpochHelp& known)
    {
        help.SetEpochHelpSource([known](int epoch, EpochHelp& out) {
            if (epoch < 0 || epoch > 2) return false;
            out = known;
            return true;
        });
    }
    void Load()
    {
        ASSERT_TRUE(help.Load(file.SelectSingleNode("//HelpDialog")));
    }
    bool Visible(const std::string& id) { return help.GetControl(id)->IsVisible(); }
    bool Enabled(const char* id) { return help.GetControl(id)->IsEnabled(); }
    int ControlPage() { return int(help.GetCurrentPages()->GetPage()); }
    // One frame with the sounds it asked for.
    void Frame()
    {
        env.mouse.Frame(0, 0, false);
        help.Process();
        g_SoundQueue.Update();
    }

    zftest::TempDir dir;
    CVariableRegistry cfg;
    CXMLFile file;
    CGameHelpDialog help;
};

TEST_F(FullHelp, PagesAreLimitedByTheirCountAndThePlayersProgress)
{
    LoadTitles();
    Load();
    struct Row {
        int section;
        bool source;      // an epoch source is set
        int epoch;        // the user's epoch (0..2 known)
        int limit;        // the epoch's limit of sections 1 and 3
        int asked;
        int shown;
        bool backward, forward;
    };
    const Row rows[] = {
        // No source: only the page count limits sections 1 and 3.
        {1, false, 0, 0, 7, 2, true, false},
        {1, false, 0, 0, 1, 1, true, true},
        {1, false, 0, 0, -4, 0, false, true},
        // The epoch's limit below, at and above the page count.
        {1, true, 0, 2, 7, 1, true, false},
        {1, true, 0, 3, 2, 2, true, false},
        {1, true, 0, 9, 9, 2, true, false},
        // A limit of 1, of 0 or below, or an epoch the city does not know: one page, both arrows off.
        {1, true, 0, 1, 2, 0, false, false},
        {1, true, 0, 0, 2, 0, false, false},
        {1, true, 0, -5, 2, 0, false, false},
        {1, true, 6, 3, 2, 0, false, false},
        {3, true, 1, 4, 3, 0, false, false},   // one page of its own
        // The title's limit of 3 of 4 pages; sections 4 and 5 have none.
        {2, false, 0, 0, 9, 2, true, false},
        {2, true, 0, 1, 1, 1, true, true},
        {4, true, 0, 1, 1, 1, true, false},
        {5, true, 0, 1, 0, 0, false, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("section " + std::to_string(r.section) + " limit " + std::to_string(r.limit) + " epoch " +
                     std::to_string(r.epoch) + " asked " + std::to_string(r.asked));
        CGameHelpDialog& h = help;
        h.SetEpochHelpSource(nullptr);
        if (r.source) UseEpochs(EpochHelp{r.limit, r.limit, 0, 0});
        CGameSlot game;
        game.title = 1;
        game.epoch = r.epoch;
        CProfile profile("Ann");
        profile.SetGame(kCurrentGameSlot, game);
        g_User.LoadFromProfile(profile, kCurrentGameSlot);
        h.ShowModalImmediately();
        h.SelectSection(r.section);
        h.SetPage(r.asked, true);
        EXPECT_EQ(h.GetPageShown(), r.shown);
        EXPECT_EQ(ControlPage(), r.shown);
        EXPECT_EQ(Enabled("ID_BACKWARD"), r.backward);
        EXPECT_EQ(Enabled("ID_FORWARD"), r.forward);
        h.HideImmediately();
    }
}

TEST_F(FullHelp, SectionsOpenAtTheirFirstPageByEpochAndTitle)
{
    LoadTitles();
    Load();
    UseEpochs(EpochHelp{3, 1, 2, 1});
    struct Row {
        int title;
        int section;
        int page;
    };
    const Row rows[] = {
        {1, 1, 2},   // the epoch's first page of section 1
        {1, 3, 0},   // section 3's first page 1 within its one page
        {1, 2, 2},   // the title's first page
        {0, 2, 0},
        {2, 2, 0},   // a limit of 0 shows the one page, whatever the first page says
        {1, 4, 0},
        {1, 5, 0},
    };
    help.ShowModalImmediately();
    for (const Row& r : rows) {
        SCOPED_TRACE("title " + std::to_string(r.title) + " section " + std::to_string(r.section));
        SetTitle(r.title);
        help.SelectSection(r.section);
        EXPECT_EQ(help.GetSection(), r.section);
        EXPECT_EQ(help.GetPageShown(), r.page);
        EXPECT_EQ(ControlPage(), r.page);
    }
    // An epoch the city does not know: its first page 1 is clamped to the one page allowed.
    SetTitle(1);
    help.SetEpochHelpSource([](int, EpochHelp&) { return false; });
    help.SelectSection(1);
    EXPECT_EQ(help.GetPageShown(), 0);
    EXPECT_EQ(help.GetPageCount(), 1);
}

TEST_F(FullHelp, GotoButtonsSelectTheirSectionAndHighlight)
{
    Load();
    help.ShowModal();
    // Opening: the buttons do nothing yet.
    help.OnClick(help.GetControl("ID_GOTO_4").get());
    EXPECT_EQ(help.GetSection(), 1);
    ASSERT_TRUE(RunUntil(help, [&] { return help.IsShown(); }));
    for (int n : {3, 5, 1, 2}) {
        SCOPED_TRACE(n);
        Click(help, help, ("ID_GOTO_" + std::to_string(n)).c_str());
        EXPECT_EQ(help.GetSection(), n);
        EXPECT_EQ(help.GetCurrentPages(), help.GetControl<CMenuPageControl>("ID_PAGES_" + std::to_string(n)));
        for (int m = 1; m <= CGameHelpDialog::kSections; ++m) {
            EXPECT_EQ(Visible("ID_PAGES_" + std::to_string(m)), m == n) << m;
            EXPECT_EQ(Visible("ID_SELECT_" + std::to_string(m)), m == n) << m;
        }
    }
    // A page of section 2 turned, then section 5 chosen and section 2 again: back at its first page.
    help.SetPage(1, true);
    Click(help, help, "ID_GOTO_5");
    Click(help, help, "ID_GOTO_2");
    EXPECT_EQ(help.GetPageShown(), 0);
}

TEST_F(FullHelp, OpenAndCloseEffectsHoldTheTransitionUntilTheirAnimationEnds)
{
    Load();
    const HelpEffect& open = help.GetEffect(CGameHelpDialog::heOpen);
    ASSERT_TRUE(open.sprite);
    ASSERT_EQ(open.sprite->GetAnimation().GetTotalDelay(), 8);

    help.ShowModal();
    EXPECT_TRUE(help.GetState() & dsRenderListHidden) << "the effect stands in for the dialog";
    EXPECT_TRUE(open.running);
    int frames = 0;
    while (!help.IsShown() && frames < 50) {
        Frame();
        ++frames;
        if (help.IsShown()) break;
        EXPECT_TRUE(help.GetState() & dsOpening);
        EXPECT_TRUE(help.GetState() & dsRenderListHidden);
        // The rectangle moves and grows by an eighth of the way each frame.
        const FRect& r = open.sprite->GetRect();
        EXPECT_NEAR(r.left, 10.0f + 10.0f * float(frames), 0.01f) << frames;
        EXPECT_NEAR(r.top, 20.0f + 5.0f * float(frames), 0.01f) << frames;
        EXPECT_NEAR(r.Width(), 40.0f + 20.0f * float(frames), 0.01f) << frames;
        EXPECT_NEAR(r.Height(), 30.0f + 10.0f * float(frames), 0.01f) << frames;
    }
    EXPECT_EQ(frames, 9) << "eight frames of the pass, then the frame that completes the opening";
    EXPECT_FALSE(help.GetState() & dsRenderListHidden);
    EXPECT_FALSE(open.running);
    EXPECT_EQ(help.GetSection(), 1);

    // Closing: hidden when the close effect's pass ends, its own sprites not drawn meanwhile.
    help.Hide();
    const HelpEffect& close = help.GetEffect(CGameHelpDialog::heClose);
    EXPECT_TRUE(close.running);
    for (frames = 0; help.IsVisible() && frames < 50; ++frames) {
        EXPECT_TRUE(help.GetState() & dsRenderListHidden);
        Frame();
    }
    EXPECT_EQ(frames, 9);
    EXPECT_FALSE(help.GetState() & dsRenderListHidden);
    EXPECT_NEAR(close.sprite->GetRect().left, 10.0f, 0.01f);

    // Shown at once: no effect; a close cut short by an immediate show leaves no hidden sprites.
    help.ShowModalImmediately();
    EXPECT_FALSE(help.GetState() & dsRenderListHidden);
    help.Hide();
    Frame();
    help.HideImmediately();
    help.ShowModalImmediately();
    EXPECT_FALSE(help.GetState() & dsRenderListHidden);
    EXPECT_FALSE(close.running);
    Frame();
    EXPECT_TRUE(help.IsShown());
}

TEST_F(FullHelp, APageTurnSwitchesThePageWhenItsSpriteHasPlayed)
{
    Load();
    EXPECT_FLOAT_EQ(help.GetCornerX(), 100.0f);
    EXPECT_FLOAT_EQ(help.GetCornerY(), 50.0f);
    const HelpEffect& forward = help.GetEffect(CGameHelpDialog::hePageForward);
    const HelpEffect& backward = help.GetEffect(CGameHelpDialog::hePageBackward);
    ASSERT_TRUE(forward.sprite && backward.sprite);
    // The turn sprite at its offset from the corner, the size it is scaled to in whole pixels.
    EXPECT_EQ(forward.sprite->GetRect().left, 130.0f);
    EXPECT_EQ(forward.sprite->GetRect().top, 90.0f);
    EXPECT_EQ(forward.sprite->GetRect().Width(), 120.0f);
    EXPECT_EQ(forward.sprite->GetRect().Height(), 80.0f);

    help.ShowModalImmediately();
    env.sound.Clear();
    help.OnClick(help.GetControl("ID_FORWARD").get());
    EXPECT_EQ(help.GetTargetPage(), 1);
    EXPECT_EQ(help.GetPageShown(), 0);
    EXPECT_TRUE(forward.IsPlaying());
    EXPECT_FALSE(backward.IsPlaying());
    EXPECT_TRUE(Enabled("ID_BACKWARD")) << "the arrows show the target page";
    g_SoundQueue.Update();
    EXPECT_EQ(env.sound.Calls("PlaySample"), std::vector<std::string>{"PlaySample page_turn"});
    ASSERT_EQ(forward.pyro->GetEmitterCount(), 1u);
    float x = 0, y = 0;
    ASSERT_TRUE(forward.pyro->GetEmitterPosition(0, x, y));
    EXPECT_FLOAT_EQ(x, 105.0f);
    EXPECT_FLOAT_EQ(y, 57.0f);

    // A second click during the turn changes nothing; the emitter drifts by its speed each frame.
    help.OnClick(help.GetControl("ID_FORWARD").get());
    EXPECT_EQ(help.GetTargetPage(), 1);
    int frames = 0;
    while (help.GetPageShown() != 1 && frames < 20) {
        EXPECT_EQ(ControlPage(), 0) << "the old page stays while the sprite plays";
        Frame();
        ++frames;
        if (help.GetPageShown() == 1) break;
        ASSERT_TRUE(forward.pyro->GetEmitterPosition(0, x, y));
        EXPECT_FLOAT_EQ(x, 105.0f + 2.0f * float(frames)) << frames;
        EXPECT_FLOAT_EQ(y, 57.0f + 1.0f * float(frames)) << frames;
    }
    EXPECT_EQ(frames, 3) << "one pass of three frames";
    EXPECT_EQ(ControlPage(), 1);
    EXPECT_FALSE(forward.pyro->HasEmitters()) << "the page applied clears the emitters";

    // Backward plays the other effect; going past the first page plays none.
    help.OnClick(help.GetControl("ID_BACKWARD").get());
    EXPECT_TRUE(backward.IsPlaying());
    EXPECT_FALSE(forward.IsPlaying());
    for (int i = 0; i < 5; ++i) Frame();
    EXPECT_EQ(ControlPage(), 0);
    help.SetPage(-1, false);
    EXPECT_FALSE(backward.IsPlaying());
    EXPECT_FALSE(backward.pyro->HasEmitters());

    // A section chosen during a turn shows at once, with no turn over it.
    help.OnClick(help.GetControl("ID_FORWARD").get());
    ASSERT_TRUE(forward.IsPlaying());
    help.OnClick(help.GetControl("ID_GOTO_2").get());
    EXPECT_FALSE(forward.IsPlaying());
    EXPECT_FALSE(forward.pyro->HasEmitters());
    Frame();
    EXPECT_EQ(help.GetSection(), 2);
    EXPECT_EQ(ControlPage(), 0);
    help.OnClick(help.GetControl("ID_GOTO_1").get());

    // A turn cut short by a hide applies no page later; the next show starts at the first page.
    help.OnClick(help.GetControl("ID_FORWARD").get());
    help.HideImmediately();
    EXPECT_FALSE(forward.IsPlaying());
    help.ShowModalImmediately();
    Frame();
    EXPECT_EQ(help.GetPageShown(), 0);
    EXPECT_EQ(ControlPage(), 0);
}

} // namespace
