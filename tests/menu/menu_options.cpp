// The options dialog stepped frame by frame on the real engine core: each slider is heard, seen and
// felt at once, "Config.xml" (a real file in a folder of the test's own) is written when the dialog
// leaves the screen, and the window mode follows the check box or Alt+Enter.
#include "menu/menu_options.h"

#include "menu_dialogs_fixture.h"

#include "engine/core/engine_graphics_internal.h"
#include "support/recording_engine.h"

#include <algorithm>
#include <filesystem>

namespace {

const char* const kLayout = R"(<Dialogs>
  <OptionsDialog>
    <Control type="TRACKBAR" id="ID_SOUND" left="250" top="150" width="300" height="26"/>
    <Control type="TRACKBAR" id="ID_MUSIC" left="250" top="200" width="300" height="26"/>
    <Control type="TRACKBAR" id="ID_GAMMA" left="250" top="250" width="300" height="26"/>
    <Control type="TRACKBAR" id="ID_MOUSE" left="250" top="300" width="300" height="26"/>
    <Control type="CHECK_BOX" id="ID_WINDOWED" left="250" top="350" width="24" height="24"/>
    <Control type="BUTTON" id="ID_BACK" left="350" top="450" width="100" height="30"/>
  </OptionsDialog>
</Dialogs>)";

class Options : public menutest::MenuDialogs {
protected:
    Options() : MenuDialogs(kLayout), _saved_settings(g_Settings)
    {
        if (!ready) return;
        // The settings file the player left: the window mode the display is in now.
        CGameSettings file(ConfigPath());
        file.Record().windowed = !CEngineCore::Instance().IsFullscreen();
        file.CreateFile();
        g_Settings = CGameSettings(ConfigPath());
    }
    ~Options() override { g_Settings = _saved_settings; }

    std::string ConfigPath() const { return dir / "Config.xml"; }
    // The settings as the file now holds them.
    SettingsRecord OnDisk() const
    {
        CGameSettings file(ConfigPath());
        return file.EnsureLoaded();
    }
    void WriteConfig(const SettingsRecord& record)
    {
        CGameSettings file(ConfigPath());
        file.Record() = record;
        ASSERT_TRUE(file.CreateFile());
        g_Settings = CGameSettings(ConfigPath());
    }
    void Open()
    {
        ASSERT_TRUE(ready) << SDL_GetError();
        ASSERT_TRUE(dialog.Load(Node("OptionsDialog")));
        dialog.ShowModal();
        ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.IsShown(); }));
    }
    void Close()
    {
        dialog.Hide();
        ASSERT_TRUE(RunUntil(dialog, [&] { return !dialog.IsVisible(); }));
    }
    std::shared_ptr<CMenuTrackBar> Bar(const char* id) { return dialog.GetControl<CMenuTrackBar>(id); }
    std::shared_ptr<CMenuCheckBox> Box() { return dialog.GetControl<CMenuCheckBox>("ID_WINDOWED"); }
    int GammaShown() { return CEngineCore::Instance().GetGraphics()->GetGammaAdd(); }

    COptionsDialog dialog;

private:
    CGameSettings _saved_settings;
};

TEST_F(Options, SlidersActAtOnceAndTheSettingsFileIsWrittenWhenTheDialogLeaves)
{
    Open();
    EXPECT_EQ(Bar("ID_SOUND")->GetPosition(), 75);
    EXPECT_EQ(Bar("ID_MUSIC")->GetPosition(), 50);
    EXPECT_EQ(Bar("ID_GAMMA")->GetMax(), 10);
    EXPECT_EQ(Bar("ID_MOUSE")->GetMin(), 5);
    EXPECT_EQ(Bar("ID_MOUSE")->GetMax(), 20);
    EXPECT_EQ(Bar("ID_MOUSE")->GetPosition(), 15);
    EXPECT_EQ(sound.Count("PlaySample int_panel_open"), 1u) << "the slide's open sound is queued";
    sound.Clear();

    // Moved by the player: heard, seen and felt at once, not yet written.
    Bar("ID_MUSIC")->SetPosition(20);
    EXPECT_EQ(sound.Calls("SetVolumes"), std::vector<std::string>{"SetVolumes 20 75"});
    Bar("ID_SOUND")->SetPosition(40);
    EXPECT_EQ(sound.Calls("SetVolumes").back(), "SetVolumes 20 40");
    Bar("ID_GAMMA")->SetPosition(3);
    EXPECT_EQ(GammaShown(), 30);
    Bar("ID_GAMMA")->SetPosition(14);
    EXPECT_EQ(dialog.GetCopy().gamma, 10) << "the slider stops at 10";
    Bar("ID_MOUSE")->SetPosition(8);
    EXPECT_EQ(mouse.sensitivity, 8);
    for (int i = 0; i < 5; ++i) Frame(dialog);
    EXPECT_EQ(OnDisk().mus_vol, 50);
    EXPECT_EQ(g_Settings.Record().mus_vol, 50);

    // A setting the dialog does not show, changed meanwhile, is not put back by it.
    g_Settings.Record().language = 1;
    // Leaving (BACK, then the menu's slide out): applied, kept and written, the close sound queued.
    Click(dialog, dialog, "ID_BACK");
    EXPECT_EQ(dialog.GetResult(), orClosed);
    dialog.SetResult(0);
    sound.Clear();
    Close();
    const SettingsRecord disk = OnDisk();
    EXPECT_EQ(disk.snd_vol, 40);
    EXPECT_EQ(disk.mus_vol, 20);
    EXPECT_EQ(disk.gamma, 10);
    EXPECT_EQ(disk.sensitivity, 8);
    EXPECT_EQ(disk.language, 1);
    EXPECT_EQ(g_Settings.Record(), disk);
    EXPECT_EQ(sound.Calls("SetVolumes"), std::vector<std::string>{"SetVolumes 20 40"});
    EXPECT_EQ(sound.Count("PlaySample int_panel_open"), 1u) << "the slide's close sound is queued";
    EXPECT_EQ(GammaShown(), 100);
    CEngineCore::Instance().SetGamma(0);
}

TEST_F(Options, TheSettingsAreAppliedOnceEachTimeTheDialogLeavesTheScreen)
{
    ASSERT_TRUE(ready);
    ASSERT_TRUE(dialog.Load(Node("OptionsDialog")));
    // The menu hides every sub-dialog at once on each entry: a hidden dialog writes nothing.
    std::filesystem::remove(ConfigPath());
    dialog.HideImmediately();
    EXPECT_FALSE(std::filesystem::exists(ConfigPath()));
    EXPECT_TRUE(sound.Calls("SetVolumes").empty());

    // Shown at once, then sliding out and taken away at once in the middle: one apply, one write.
    dialog.ShowModalImmediately();
    Frame(dialog);
    Bar("ID_MUSIC")->SetPosition(33);
    sound.Clear();
    dialog.Hide();
    Frame(dialog);
    ASSERT_TRUE(dialog.IsVisible()) << "still sliding";
    dialog.HideImmediately();
    EXPECT_EQ(sound.Calls("SetVolumes").size(), 1u);
    EXPECT_EQ(OnDisk().mus_vol, 33);

    // A dialog still sliding in, taken away at once, applies too.
    dialog.ShowModal();
    Frame(dialog);
    ASSERT_FALSE(dialog.IsShown());
    sound.Clear();
    dialog.HideImmediately();
    EXPECT_EQ(sound.Calls("SetVolumes").size(), 1u);
}

TEST_F(Options, AMouseSpeedBelowTheSliderIsShownAtItsLowestAndKeptUntilMoved)
{
    SettingsRecord record;
    record.sensitivity = 3;
    record.windowed = !CEngineCore::Instance().IsFullscreen();
    WriteConfig(record);
    for (bool at_once : {false, true}) {
        SCOPED_TRACE(at_once ? "shown at once" : "sliding in");
        ASSERT_TRUE(dialog.Load(Node("OptionsDialog")));
        if (at_once) dialog.ShowModalImmediately();
        else dialog.ShowModal();
        ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.IsShown(); }));
        EXPECT_EQ(Bar("ID_MOUSE")->GetPosition(), 5);
        EXPECT_EQ(dialog.GetCopy().sensitivity, 3);
        Close();
        EXPECT_EQ(OnDisk().sensitivity, 3);
        EXPECT_EQ(mouse.sensitivity, 3);
        dialog.ClearControls();
    }
    ASSERT_TRUE(dialog.Load(Node("OptionsDialog")));
    dialog.ShowModal();
    ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.IsShown(); }));
    Bar("ID_MOUSE")->SetPosition(6);
    Close();
    EXPECT_EQ(OnDisk().sensitivity, 6);
}

TEST_F(Options, TheWindowCheckBoxClickedTwiceSwitchesNothing)
{
    Open();
    const bool windowed = !CEngineCore::Instance().IsFullscreen();
    EXPECT_EQ(Box()->IsChecked(), windowed);
    zftest::LogWatch log;
    Click(dialog, dialog, "ID_WINDOWED");
    EXPECT_EQ(Box()->IsChecked(), !windowed);
    EXPECT_EQ(dialog.GetCopy().windowed, !windowed);
    EXPECT_TRUE(dialog.IsWindowedChosen());
    for (int i = 0; i < 3; ++i) Frame(dialog);
    EXPECT_EQ(Box()->IsChecked(), !windowed) << "the player's choice is not overwritten by the mode";
    Click(dialog, dialog, "ID_WINDOWED");
    EXPECT_EQ(dialog.GetCopy().windowed, windowed);
    Close();
    EXPECT_FALSE(log.Has("Toggling to")) << log.Text();
    EXPECT_EQ(!CEngineCore::Instance().IsFullscreen(), windowed);
    EXPECT_EQ(OnDisk().windowed, windowed);
    EXPECT_FALSE(dialog.IsWindowedChosen());
}

TEST_F(Options, AnAltEnterSwitchWhileOpenShowsInTheCheckBoxAndIsKept)
{
    Open();
    CEngineCore& core = CEngineCore::Instance();
    const bool windowed = !core.IsFullscreen();
    zftest::LogWatch log;
    // What Alt+Enter does.
    if (!core.ToggleFullscreen()) GTEST_SKIP() << "this display cannot switch its mode";
    Frame(dialog);
    EXPECT_EQ(Box()->IsChecked(), !windowed);
    Close();
    EXPECT_EQ(log.Count("Toggling to"), 1u) << "not switched back on closing\n" << log.Text();
    EXPECT_EQ(!core.IsFullscreen(), !windowed);
    EXPECT_EQ(OnDisk().windowed, !windowed);
    core.ToggleFullscreen();
}

TEST_F(Options, AModeTheDisplayRefusesIsLoggedOnceAndStillKept)
{
    ASSERT_TRUE(ready);
    RecordingEngine engine;
    engine.toggle_result = false;
    IEngineCore* const real = g_EngineCore;
    g_EngineCore = &engine;
    ASSERT_TRUE(dialog.Load(Node("OptionsDialog")));
    const bool windowed = !engine.IsFullscreen();
    zftest::LogWatch log;
    for (int round = 0; round < 2; ++round) {
        dialog.ShowModal();
        ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.IsShown(); }));
        Click(dialog, dialog, "ID_WINDOWED");
        Close();
        EXPECT_EQ(engine.toggles, round + 1);
        EXPECT_EQ(OnDisk().windowed, !windowed) << "the next start opens in the chosen mode";
    }
    g_EngineCore = real;
    EXPECT_EQ(log.Count("Error: failed to toggle windowed/fullscreen!"), 1u) << log.Text();
}

} // namespace

namespace {

TEST_F(Options, ALayoutWithoutAControlFailsWhenLoaded)
{
    ASSERT_TRUE(ready);
    EXPECT_FALSE(dialog.Load(Node("NoSuchDialog")));
    struct Row {
        const char* layout;
        const char* error;
    };
    const Row rows[] = {
        {R"(<Dialogs><OptionsDialog><Control type="TRACKBAR" id="ID_SOUND"/></OptionsDialog></Dialogs>)",
         "Control not found"},
        {R"(<Dialogs><OptionsDialog>
              <Control type="TRACKBAR" id="ID_SOUND"/><Control type="TRACKBAR" id="ID_MUSIC"/>
              <Control type="TRACKBAR" id="ID_GAMMA"/><Control type="BUTTON" id="ID_MOUSE"/>
            </OptionsDialog></Dialogs>)",
         "Bad control cast"},
    };
    for (const Row& r : rows) {
        CXMLFile file;
        const std::string text = r.layout;
        ASSERT_TRUE(file.LoadXml(std::vector<uint8_t>(text.begin(), text.end())));
        COptionsDialog bad;
        try {
            bad.Load(file.SelectSingleNode("//Dialogs/OptionsDialog"));
            ADD_FAILURE() << "no exception for " << r.error;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), r.error);
        }
    }
}

} // namespace
