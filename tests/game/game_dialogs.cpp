// The dialogs that interrupt play: the pause dialog's results, its leave confirmation and the
// Escape rule, the volumes heard at once and saved on hide, the game over dialog and the help
// dialog's results and page turning.
#include "gui/gui_test_util.h"

#include "engine/base/engine_xml.h"
#include "field/field_levelrecord.h"
#include "game/game_dialogs.h"
#include "player/player_gamevalues.h"
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
    EXPECT_TRUE(log.Has("Error: indicator 1 of the game over dialog skipped"));
    ASSERT_EQ(over.GetIndicators().size(), 1u);
    const CGameIndicatorState& state = *over.GetIndicators()[0]->GetStates().at(0);

    over.Fill(LevelRecord());
    over.ShowModal();
    over.OnClick(over.GetControl("ID_OK").get());
    EXPECT_EQ(over.GetResult(), 0) << "no result while sliding in";
    ASSERT_TRUE(RunUntil(over, [&] { return over.IsShown(); }));
    EXPECT_FALSE(state.IsFirstUpdatePending()) << "the indicators are drawn with the dialog";

    Click(over, over, "ID_OK");
    EXPECT_EQ(over.GetResult(), gorOk);
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

} // namespace
