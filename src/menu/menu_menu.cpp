#include "menu/menu_menu.h"

#include "city/city_view.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_input.h"
#include "menu/menu_selector.h"
#include "player/player_profiles.h"
#include "player/player_scenes.h"
#include "player/player_slot.h"
#include "player/player_user.h"
#include "settings/main_settings.h"
#include "settings/main_userfiles.h"

namespace {

// Windows virtual-key codes of the keys the menu answers besides Return and Escape.
constexpr int kVkLeft = 0x25;
constexpr int kVkRight = 0x27;
constexpr int kVkF12 = 0x7B;
// The mouse button that holds the title help open.
constexpr int kRightButton = 1;

void ResetMouseButtons()
{
    if (g_Mouse) g_Mouse->ResetButtons();
}

void ShowCursor(bool show)
{
    if (g_Mouse) g_Mouse->ShowSystemCursor(show);
}

// The dialog's result when its frame ran, reset for the next one; 0 otherwise.
int TakeResult(CBaseDialog& dialog)
{
    if (!dialog.Process()) return 0;
    const int result = dialog.GetResult();
    dialog.SetResult(0);
    return result;
}

// The menu's own music: "//MainMenu/Music" of the menu configuration; none (track -999) when the
// node or the file is missing.
MusicTrack ReadMenuMusic(const char* path)
{
    GetLog().Message("Loading music...");
    try {
        CXMLFile file(path);
        const CXMLNode node = file.SelectSingleNode("//MainMenu/Music");
        if (node.IsValid()) return MusicTrack(node.GetAttribute("alias"), node.GetIntAttribute("track", 0));
    } catch (const std::exception& e) {
        GetLog().Warning("Warning: menu configuration not read (%s), no menu music.", e.what());
    }
    return MusicTrack(std::string(), -999);
}

} // namespace

CMenuScene::CMenuScene() : AScene("Menu"), _view(GetCityView())
{
    RegisterCrossState(mcsStart, "crsStart", [this](bool s) { CrsStart(s); });
    RegisterCrossState(mcsToDefault, "crsToDefault", [this](bool s) { CrsToDefault(s); });
    RegisterCrossState(mcsToFirstUser, "crsToFirstUser",
                       [this](bool s) { CrsToSubState(s, mcsToFirstUser, _first_profile, msFirstUser); });
    RegisterCrossState(mcsToProfiles, "crsToProfiles",
                       [this](bool s) { CrsToSubState(s, mcsToProfiles, _profiles, msProfiles); });
    RegisterCrossState(mcsToOptions, "crsToOptions",
                       [this](bool s) { CrsToSubState(s, mcsToOptions, _options, msOptions); });
    RegisterCrossState(mcsToContinueGame, "crsToContinueGame",
                       [this](bool s) { CrsToSubState(s, mcsToContinueGame, _continue, msContinueGame); });
    RegisterCrossState(mcsToRelax, "crsToRelax", [this](bool s) { CrsToRelax(s); });
    RegisterCrossState(mcsToBestCity, "crsToBestCity", [this](bool s) { CrsToBestCity(s); });
    RegisterCrossState(mcsExitBestCity, "crsExitBestCity", [this](bool s) { CrsExitBestCity(s); });
    RegisterCrossState(mcsFinish, "crsFinish", [this](bool s) { CrsFinish(s); });
    RegisterCrossState(mcsExit, "crsExit", [this](bool s) { CrsExit(s); });
}

CMenuScene::~CMenuScene() = default;

CMenuScene& GetMenuScene()
{
    static CMenuScene scene;
    return scene;
}

// ---------------------------------------------------------------------------------------------
// The scene's life

bool CMenuScene::Init()
{
    CLog& log = GetLog();
    log.MessageBold("Initializing MENU...");
    log.Message("Creating interface panels:");
    {
        const CXMLFile file(kDialogsFile);
        const CXMLNode root = file.SelectSingleNode("//Dialogs");
        auto load = [&](const char* line, CBaseDialog& dialog, const CXMLNode& node) {
            log.Message(line);
            dialog.Load(node);
        };
        load("main panel...", _main, root);
        load("options dialog...", _options, file.SelectSingleNode("//Dialogs/OptionsDialog"));
        load("continue game dialog...", _continue, root);
        load("profiles dialog...", _profiles, root);
        load("first profile create dialog...", _first_profile, file.SelectSingleNode("//Dialogs/FirstProfileCreateDialog"));
        load("relax dialog...", _relax, file.SelectSingleNode("//Dialogs/RelaxDialog"));
        load("user title help dialog...", _title_help, file.SelectSingleNode("//Dialogs/UserTitleHelpDialog"));
    }
    _music = ReadMenuMusic(kConfigFile);
    ShowUser(g_User);
    _lower_fader.Init(kFaderStep);
    _upper_fader.Init(kFaderStep);
    _main.ShowAllImmediately();
    log.MessageBold("MENU initialized.");
    return true;
}

void CMenuScene::Destroy()
{
    CLog& log = GetLog();
    log.MessageBold("Destroying MENU...");
    log.Message("Destroying interface panels:");
    auto clear = [&](const char* line, CBaseDialog& dialog) {
        log.Message(line);
        dialog.ClearControls();
    };
    clear("main panel...", _main);
    clear("options dialog...", _options);
    clear("continue game dialog...", _continue);
    clear("profiles dialog...", _profiles);
    clear("first profile create dialog...", _first_profile);
    clear("relax dialog...", _relax);
    clear("user title help dialog...", _title_help);
    log.Message("Destroying misc resources...");
    log.MessageBold("MENU destroyed.");
}

void CMenuScene::Enter()
{
    CLog& log = GetLog();
    log.WriteRow(CLog::lvlMessage, " ");
    log.MessageBold("Entering MENU loop...");
    StartMenuMusic();
    SetResult(srRunning);
    SetTransition(0);
    _upper_fader.SetStep(kFaderStep);
    SetState(msDefault);
    StartCrossState(mcsStart);
}

void CMenuScene::Leave()
{
    if (_best_city_loaded) RestoreCurrentGame();
    if (!_music.alias.empty()) g_SoundQueue.FadeMusic(_music, kMusicFadeMs, 0);
    GetLog().MessageBold("Leaving MENU loop.");
}

void CMenuScene::StartMenuMusic()
{
    // A music of the same alias already sounding goes on without a break.
    const MusicTrack playing = g_User.GetPlayingMusic();
    if (!playing.alias.empty() && playing.alias != _music.alias) g_SoundQueue.StopMusic(playing, kMusicFadeMs);
    g_User.SetPlayingMusic(_music);
    if (!_music.alias.empty()) g_SoundQueue.StartMusic(_music, kMusicFadeMs, 100);
}

void CMenuScene::ShowUser(CUser& user)
{
    _main.ShowProfileName(user.GetName());
    _main.ShowMedal(user.Settings().w_param_1);
}

void CMenuScene::StartCrossState(int id)
{
    if (id != 0 && !GetCrossStateName(id)) {
        GetLog().Warning("Menu scene: unknown cross.");
        return;
    }
    AScene::StartCrossState(id);
}

void CMenuScene::OnCrossStateStart(int /*id*/)
{
    if (g_Mouse) {
        g_Mouse->ShowSystemCursor(true);
        g_Mouse->SelectCursor("default");
    }
}

// ---------------------------------------------------------------------------------------------
// Input

void CMenuScene::PostFrame()
{
    _scroll_step = g_Mouse ? _view.GetEdgeScrollStep(g_Mouse->GetX(), g_Mouse->GetY()) : 0;
    if (_state == msDefault && g_Mouse && g_Mouse->IsButtonDown(kRightButton) && _main.IsUserIconHovered())
        // The pages of the titles follow a page on titles in general: the first title has its page.
        _title_help.ShowPage(g_User.GetTitleIndex() + 1);
    else
        _title_help.ShowPage(0);
}

void CMenuScene::OnKeyDown(int vk)
{
    const int key = vk & 0xFFFF;
    switch (_state) {
    case msDefault:
        if (!g_Settings.EnsureLoaded().keys) return;
        if (key == kVkLeft) _view.Scroll(float(kKeyScroll), 0.0f);
        else if (key == kVkRight) _view.Scroll(-float(kKeyScroll), 0.0f);
        else if (key == kVkF12) _view.SetScrollEnabled(true);
        return;
    case msFirstUser:
        // The first profile must be created.
        return;
    default:
        break;
    }
    if (key != kVkEscape) return;
    switch (_state) {
    case msProfiles:
        if (!_profiles.CanClose()) return;
        SelectActiveProfile(g_User);
        StartCrossState(mcsToDefault);
        return;
    case msContinueGame:
        if (_continue.CanClose()) StartCrossState(mcsToDefault);
        return;
    case msBestCity:
        StartCrossState(mcsExitBestCity);
        return;
    default:
        StartCrossState(mcsToDefault);
        return;
    }
}

// ---------------------------------------------------------------------------------------------
// The frame

void CMenuScene::Frame()
{
    const bool city_state = _state == msDefault || _state == msRelax || _state == msBestCity;
    if (_scroll_step != 0 && city_state) _view.Scroll(float(_scroll_step), 0.0f);
    _view.SetInputEnabled(city_state);
    _view.Draw();
    _view.UpdateConstructions();

    switch (TakeResult(_main)) {
    case mdrProfile: StartCrossState(mcsToProfiles); break;
    case mdrOptions: StartCrossState(mcsToOptions); break;
    case mdrStart: StartGame(); break;
    case mdrRelax: StartCrossState(mcsToRelax); break;
    case mdrBestCity: StartCrossState(mcsToBestCity); break;
    case mdrExit: StartCrossState(mcsExit); break;
    default: break;
    }
    if (_state == msDefault) _view.SetHoverEnabled(!_main.IsMouseOver());

    _lower_fader.Draw();
    ProcessDialogs();
    _title_help.Process();
    StepCrossState();
    _upper_fader.Draw();
    g_SoundQueue.Update();
}

void CMenuScene::ProcessDialogs()
{
    switch (TakeResult(_profiles)) {
    case prChosen:
    case prBack:
        // Also after a back: the live user follows the active profile, which a deletion may
        // have changed.
        SelectActiveProfile(g_User);
        StartCrossState(mcsToDefault);
        break;
    default: break;
    }
    // A name no profile may have keeps the dialog open.
    if (TakeResult(_first_profile) == cprName && CreateFirstProfile(g_User, _first_profile.GetName()))
        StartCrossState(mcsToDefault);
    if (TakeResult(_options) == orClosed) StartCrossState(mcsToDefault);
    switch (TakeResult(_continue)) {
    case cgrContinue: ContinueGame(); break;
    case cgrBack: StartCrossState(mcsToDefault); break;
    case cgrNewGame: NewGame(); break;
    default: break;
    }
    if (TakeResult(_relax) == CRelaxDialog::rrClosed) {
        if (_state == msRelax) StartCrossState(mcsToDefault);
        else if (_state == msBestCity) StartCrossState(mcsExitBestCity);
    }
}

// ---------------------------------------------------------------------------------------------
// Leaving the menu

void CMenuScene::StartGame()
{
    const int state = g_User.GetGameState();
    if (state == ugsNew || state == ugsPlaying) StartCrossState(mcsToContinueGame);
    else NewGame();
}

void CMenuScene::ContinueGame()
{
    if (g_User.GetPlayState() == upsToShop) {
        GetGlobalVars().SetInt("city_start_state", 4);
        GetGlobalVars().SetString("city_caller_scene", "Game");
        Finish("City", 1);
    } else {
        Finish("Game", 1);
    }
}

void CMenuScene::NewGame()
{
    CSelectorScene& selector = GetSelectorScene();
    selector.PrepareFromMenu();
    // The selector keeps the menu's music playing.
    selector.SetMusic(_music);
    Finish(selector.GetAlias(), 0);
}

void CMenuScene::Finish(const std::string& next, int transition)
{
    SetNextScene(next);
    SetTransition(transition);
    StartCrossState(mcsFinish);
}

void CMenuScene::RestoreCurrentGame()
{
    if (g_Profiles.HasActive()) g_User.LoadFromProfile(g_Profiles.GetProfile(g_Profiles.GetActiveName()), kCurrentGameSlot);
    _best_city_loaded = false;
    SyncScenesWithUser(g_User);
}

// ---------------------------------------------------------------------------------------------
// The sub-dialogs

void CMenuScene::ShowSubDialog(CBaseDialog& dialog)
{
    ResetMouseButtons();
    _lower_fader.FadeOutTo(kDimAlpha);
    _main.SetModal(false);
    _view.SetHoverEnabled(false);
    dialog.Show();
}

bool CMenuScene::SubDialogsGone() const
{
    return !_options.IsVisible() && !_continue.IsVisible() && !_profiles.IsVisible() && !_first_profile.IsVisible();
}

void CMenuScene::HideSubDialogs(bool immediately)
{
    CBaseDialog* dialogs[] = {&_options,
                              &_continue,
                              &_continue.GetConfirmation(),
                              &_profiles,
                              &_profiles.GetCreateDialog(),
                              &_profiles.GetFalseNameDialog(),
                              &_profiles.GetDeleteConfirmation(),
                              &_first_profile,
                              &_relax};
    for (CBaseDialog* dialog : dialogs) {
        if (immediately) dialog->HideImmediately();
        else dialog->Hide();
    }
}

// ---------------------------------------------------------------------------------------------
// The cross-states

void CMenuScene::CrsStart(bool start)
{
    int& stage = Stage(mcsStart);
    if (start) {
        GetLog().Message("Start cross-state: crsStart");
        if (_lower_fader.GetSprite()) _lower_fader.GetSprite()->SetAlpha(255);
        _lower_fader.StartFadeIn(255, 0);
        if (_upper_fader.GetSprite()) _upper_fader.GetSprite()->SetAlpha(0);
        ShowCursor(true);
        ResetMouseButtons();
        HideSubDialogs(true);
        _main.ShowAll();
        stage = 1;
        return;
    }
    if (stage != 1 || _lower_fader.IsRunning() || !_main.IsShown()) return;
    stage = 0;
    _main.SetModal(true);
    _view.SetHoverEnabled(true);
    if (g_User.GetName().empty()) HandOver(mcsToFirstUser);
    else SetState(msDefault);
}

void CMenuScene::CrsToDefault(bool start)
{
    int& stage = Stage(mcsToDefault);
    if (start) {
        GetLog().Message("Start cross-state: crsToDefault");
        ShowCursor(true);
        ResetMouseButtons();
        _lower_fader.FadeInTo(0);
        HideSubDialogs(false);
        _main.ShowAll();
        stage = 1;
        return;
    }
    if (stage != 1 || !SubDialogsGone() || !_main.AreAllPartsShown()) return;
    stage = 0;
    _relax.HideImmediately();
    _main.SetModal(true);
    _view.SetHoverEnabled(true);
    SetState(msDefault);
}

void CMenuScene::CrsToSubState(bool start, int id, CBaseDialog& dialog, int state)
{
    int& stage = Stage(id);
    if (start) {
        GetLog().Message("Start cross-state: %s", GetCrossStateName(id));
        ShowSubDialog(dialog);
        stage = 1;
        return;
    }
    if (stage != 1 || !dialog.IsShown()) return;
    stage = 0;
    dialog.SetModal(true);
    SetState(state);
}

void CMenuScene::CrsToRelax(bool start)
{
    int& stage = Stage(mcsToRelax);
    if (start) {
        GetLog().Message("Start cross-state: crsToRelax");
        ResetMouseButtons();
        _main.SetModal(false);
        _main.HideParts();
        _view.SetHoverEnabled(false);
        _relax.UpdateOwner(g_User);
        _relax.Show();
        stage = 1;
        return;
    }
    if (stage != 1 || !_relax.IsShown()) return;
    stage = 0;
    _relax.SetModal(true);
    _view.SetHoverEnabled(true);
    SetState(msRelax);
}

void CMenuScene::CrsToBestCity(bool start)
{
    int& stage = Stage(mcsToBestCity);
    if (start) {
        GetLog().Message("Start cross-state: crsToBestCity");
        ResetMouseButtons();
        _lower_fader.FadeOutTo(255);
        _main.SetModal(false);
        _main.HideParts();
        _view.SetHoverEnabled(false);
        _relax.Show();
        stage = 1;
        return;
    }
    switch (stage) {
    case 1:
        if (_lower_fader.IsRunning()) return;
        // The best game takes the current one's place in the user for a while; the current game
        // waits in the profile (in memory only).
        g_User.SaveToProfile(kCurrentGameSlot);
        g_User.LoadFromProfile(g_Profiles.GetProfile(g_Profiles.GetActiveName()), kBestGameSlot);
        _best_city_loaded = true;
        SyncScenesWithUser(g_User);
        _relax.UpdateOwner(g_User);
        _lower_fader.FadeInTo(0);
        stage = 2;
        return;
    case 2:
        if (_lower_fader.IsRunning()) return;
        stage = 0;
        _relax.SetModal(true);
        SetState(msBestCity);
        return;
    default:
        return;
    }
}

void CMenuScene::CrsExitBestCity(bool start)
{
    int& stage = Stage(mcsExitBestCity);
    if (start) {
        GetLog().Message("Start cross-state: crsExitBestCity");
        ResetMouseButtons();
        _lower_fader.FadeOutTo(255);
        _relax.Hide();
        stage = 1;
        return;
    }
    if (stage != 1 || _lower_fader.IsRunning()) return;
    stage = 0;
    _relax.HideImmediately();
    RestoreCurrentGame();
    HandOver(mcsToDefault);
}

void CMenuScene::CrsFinish(bool start)
{
    int& stage = Stage(mcsFinish);
    if (start) {
        GetLog().Message("Start cross-state: crsFinish");
        _upper_fader.FadeOutTo(255);
        HideSubDialogs(false);
        _main.HideParts();
        stage = 1;
        return;
    }
    if (stage != 1 || _upper_fader.IsRunning()) return;
    stage = 0;
    HideSubDialogs(true);
    _main.HideAllImmediately();
    EndCrossState();
    SetResult(srNextScene);
}

void CMenuScene::CrsExit(bool start)
{
    int& stage = Stage(mcsExit);
    if (start) {
        GetLog().Message("Start cross-state: crsExit");
        _upper_fader.SetStep(kExitFaderStep);
        _upper_fader.FadeOutTo(255);
        if (!_music.alias.empty()) g_SoundQueue.FadeMusic(_music, kExitMusicFadeMs, 0);
        ShowCursor(false);
        _view.SetHoverEnabled(false);
        stage = 1;
        return;
    }
    if (stage != 1 || _upper_fader.IsRunning()) return;
    stage = 0;
    EndCrossState();
    SetResult(srQuit);
}
