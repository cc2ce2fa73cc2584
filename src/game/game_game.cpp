#include "game/game_game.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_input.h"
#include "engine/sound/engine_sound.h"
#include "engine/sound/engine_soundqueue.h"
#include "field/balls/field_ballsdepot.h"
#include "field/graph/field_graphbase.h"
#include "field/people/field_people.h"
#include "field/timebar/field_timer.h"
#include "game/game_background.h"
#include "game/game_explosions.h"
#include "game/game_hints.h"
#include "player/player_hiscores.h"
#include "player/player_prices.h"
#include "player/player_profiles.h"
#include "player/player_resources.h"
#include "player/player_scenes.h"
#include "player/player_user.h"
#include "settings/main_userfiles.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <list>

namespace {

constexpr int kVkF1 = 112;
constexpr const char* kLivesUp = "lives_up";
constexpr const char* kLivesDown = "lives_down";
constexpr const char* kBackgroundFile = "Settings\\Background.xml";
// The bonus levels' background: the last node of the background file.
constexpr int kBonusBackground = 7;

// Without a city: the first epoch's level and bonus-level music.
CityMusicInfo FirstEpochMusic()
{
    return CityMusicInfo{MusicTrack("MUS_GAME1", 0), MusicTrack("MUS_BONUS", 0), false};
}

ISoundKeeper* Keeper() { return g_SoundKeeper; }

bool IsResourceTypeId(int type) { return type >= rtMoney && type <= rtFood; }

void ResetMouseButtons()
{
    if (g_Mouse) g_Mouse->ResetButtons();
}

} // namespace

CGameScene::CGameScene() : AScene("Game")
{
    RegisterCrossState(gcsDefault, "ssDefault", [this](bool s) { CrsDefault(s); });
    RegisterCrossState(gcsHelp, "ssHelp", [this](bool s) { CrsHelp(s); });
    RegisterCrossState(gcsPaused, "ssPaused", [this](bool s) { CrsPaused(s); });
    RegisterCrossState(gcsHint, "ssHint", [this](bool s) { CrsHint(s); });
    RegisterCrossState(gcsStartLevel, "crsStartLevel", [this](bool s) { CrsStartLevel(s); });
    RegisterCrossState(gcsDie, "crsDie", [this](bool s) { CrsDie(s); });
    RegisterCrossState(gcsLivesOut, "crsLivesOut", [this](bool s) { CrsLivesOut(s); });
    RegisterCrossState(gcsLevelFinish, "crsFinishLevel", [this](bool s) { CrsFinishLevel(s); });
    RegisterCrossState(gcsBonusFinish, "crsFinishBonusLevel", [this](bool s) { CrsFinishBonusLevel(s); });
    RegisterCrossState(gcsPauseToMenu, "crsPauseToMenu", [this](bool s) { CrsPauseToMenu(s); });
    RegisterCrossState(gcsFinishToShop, "crsFinishToShop", [this](bool s) { CrsFinishToShop(s); });
    RegisterCrossState(gcsGameToRelax, "crsGameToRelax", [this](bool s) { CrsGameToRelax(s); });
}

CGameScene::~CGameScene() = default;

CGameScene& GetGameScene()
{
    static CGameScene scene;
    return scene;
}

// ---------------------------------------------------------------------------------------------
// Start-up and shut-down

bool CGameScene::Init()
{
    CLog& log = GetLog();
    log.WriteRow(CLog::lvlMessage, " ");
    log.MessageBold("Initializing GAME...");
    _user_bridge.Install();
    SetFieldScene(this);
    SetGameValueSource(this);

    log.Message("Creating interface panels...");
    const CXMLFile file(kDialogsFile);
    const CXMLNode root = file.SelectSingleNode("//Dialogs");
    auto load = [&](const char* line, CBaseDialog& dialog, const char* path) {
        log.Message(line);
        dialog.Load(path ? file.SelectSingleNode(path) : root);
    };
    load("game top panel...", _top_panel, "//Dialogs/GameTopDialog");
    load("bonus game top panel...", _bonus_top_panel, "//Dialogs/GameBonusTopDialog");
    load("timer panel...", _timer_panel, "//Dialogs/TimerDialog");
    load("mover panel...", _mover_panel, "//Dialogs/MoverDialog");
    load("bonuses panel...", _bonus_panel, "//Dialogs/BonusesDialog");
    load("pause dialog...", _pause_dialog, nullptr);
    load("level complete dialog...", _statistics_dialog, "//Dialogs/LevelCompleteDialog");
    load("bonus level complete dialog...", _bonus_complete_dialog, "//Dialogs/BonusLevelCompleteDialog");
    load("game over dialog...", _game_over_dialog, "//Dialogs/GameOverDialog");
    load("help dialog...", _help_dialog, "//Dialogs/HelpDialog");
    load("promotion dialog...", _promotion_dialog, "//Dialogs/PromotionDialog");
    load("bonus resources dialog...", _resources_dialog, "//Dialogs/GetResourcesDialog");
    _resources_dialog.SetDraw(this);
    _top_panel.SetField(&_field);
    _bonus_panel.SetField(&_field);

    log.Message("Init game timer...");
    g_GameTimer.BindControls(_timer_panel.GetTimeBar(), _timer_panel.GetDangerOff(), _timer_panel.GetDanger());
    log.Message("Init game mover...");
    g_MovesCounter.SetPanel(&_mover_panel);
    log.Message("Creating background container...");
    _background = CreateComplexBackground();

    log.Message("Init game field...");
    ReloadGraphBases();
    GetBallsDepot().Load();
    GetPeople().Load();
    _field.LoadResources();

    log.Message("Init misc resources...");
    if (ISoundKeeper* keeper = Keeper()) {
        keeper->LoadSample(kLivesUp);
        keeper->LoadSample(kLivesDown);
    }
    _fader1.Init(kFaderStep);
    _fader2.Init(kFaderStep);
    GetHintsManager().SetClosedHandler([this](int id) { OnHintClosed(id); });
    FilterHints(g_User);
    SyncWithUser(g_User);
    log.MessageBold("GAME initialized.");
    return true;
}

void CGameScene::Destroy()
{
    CLog& log = GetLog();
    log.Message("Destroying GAME...");
    DestroyLevel();
    log.Message("Destroying background...");
    _background.reset();
    log.Message("Destroying game field...");
    _field.Clear();
    log.Message("Destroying interface panels...");
    auto clear = [&](const char* line, CBaseDialog& dialog) {
        log.Message(line);
        dialog.HideImmediately();
        dialog.ClearControls();
    };
    clear("game top panel...", _top_panel);
    clear("bonus game top panel...", _bonus_top_panel);
    clear("timer panel...", _timer_panel);
    clear("mover panel...", _mover_panel);
    clear("bonuses panel...", _bonus_panel);
    clear("pause dialog...", _pause_dialog);
    clear("level complete dialog...", _statistics_dialog);
    clear("bonus level complete dialog...", _bonus_complete_dialog);
    clear("game over dialog...", _game_over_dialog);
    clear("help dialog...", _help_dialog);
    clear("promotion dialog...", _promotion_dialog);
    clear("bonus resources dialog...", _resources_dialog);
    _resources_dialog.SetDraw(nullptr);
    GetHintsManager().HideActive();
    GetHintsManager().SetClosedHandler(nullptr);
    g_GameTimer.BindControls(nullptr, nullptr, nullptr);
    g_MovesCounter.SetPanel(nullptr);
    if (GetGameValueSource() == this) SetGameValueSource(nullptr);
    if (GetFieldScene() == this) SetFieldScene(nullptr);
    _user_bridge.Uninstall();
    log.Message("GAME destroyed.");
}

// ---------------------------------------------------------------------------------------------
// Enter, Leave, input

void CGameScene::Enter()
{
    CLog& log = GetLog();
    log.WriteRow(CLog::lvlMessage, " ");
    log.MessageBold("Entering GAME loop...");
    if (g_User.GetGameState() == ugsCompleted) {
        // The last level of the last episode is behind the player: nothing is left to play.
        log.MessageBold("Game completed.");
        _level_kept = false;
        DestroyLevel();
        SetNextScene("Menu");
        SetTransition(gtGameLeft);
        SetResult(srNextScene);
        return;
    }
    if (!_level_kept && !InitLevel()) {
        SetResult(srFailure);
        return;
    }
    _level_kept = false;
    if (_fader1.GetSprite()) _fader1.GetSprite()->SetAlpha(255);
    if (_fader2.GetSprite()) _fader2.GetSprite()->SetAlpha(0);
    StartGameMusic();
    SetNextScene("");
    SetResult(srRunning);
    SetTransition(0);
    SetState(gssEntering);
    StartCrossState(gcsStartLevel);
}

void CGameScene::Leave()
{
    SaveLevelProgress();
    if (!_level_kept) DestroyLevel();
    _music.StopGameMusic();
    GetLog().MessageBold("Leaving GAME loop.");
}

void CGameScene::PostFrame()
{
    // The field takes the frame's input inside the frame (UpdateField), between its drawing and
    // its update, so that a press acts in the update of the same frame.
}

void CGameScene::SetActive(bool active)
{
    AScene::SetActive(active);
    _field.Pause(!active);
}

void CGameScene::OnKeyDown(int vk)
{
    const int key = vk & 0xFFFF;
    if (_state == gssPaused) _pause_dialog.OnKey(key);
    if (_state == gssHelpShown) _help_dialog.OnKey(key);
    switch (key) {
    case kVkReturn:
        if (_state == gssHintShown) GetHintsManager().Dismiss();
        break;
    case kVkEscape:
        if (_state == gssPlaying)
            StartCrossState(gcsPaused);
        else if (_state == gssPaused) {
            if (_pause_dialog.CanClose()) StartCrossState(gcsDefault);
        } else if (_state == gssHintShown || _state == gssHelpShown)
            StartCrossState(gcsDefault);
        break;
    case kVkF1:
        if (_state == gssPlaying || _state == gssPaused || _state == gssHintShown)
            StartCrossState(gcsHelp);
        else if (_state == gssHelpShown)
            StartCrossState(gcsDefault);
        break;
    default:
        break;
    }
}

void CGameScene::StartCrossState(int id) { AScene::StartCrossState(id); }

void CGameScene::OnCrossStateStart(int /*id*/)
{
    if (g_Mouse) {
        g_Mouse->ShowSystemCursor(true);
        g_Mouse->SelectCursor("default");
    }
}

// ---------------------------------------------------------------------------------------------
// The frame

void CGameScene::Frame()
{
    if (_state != gssPaused && _state != gssHintShown && _state != gssHelpShown) StepCounters();
    UpdateHintTimer();
    CheckTimeOut();
    _music.UpdateMusic(_cross_state != 0);
    if (_background) _background->Update(true);
    UpdateField();
    ProcessPanels();
    DrawEffects();
    ProcessHint();
    _fader1.Draw();
    ProcessDialogs();
    StepCrossState();
    _fader2.Draw();
    g_SoundQueue.Update();
}

void CGameScene::UpdateField()
{
    if (!_level_starting) {
        _field.Render();
        FieldMouse mouse;
        if (g_Mouse) {
            mouse.x = float(g_Mouse->GetX());
            mouse.y = float(g_Mouse->GetY());
            mouse.left_down = g_Mouse->IsButtonDown(0);
            mouse.left_pressed = g_Mouse->IsButtonPressed(0);
            mouse.right_pressed = g_Mouse->IsButtonPressed(1);
        }
        if (_state == gssPlaying) _field.HandleInput(mouse);
        _field.Update();
    }
    if (_state != gssPlaying) return;
    ApplyPendingGains(false);
    const int lives = g_User.GetLastLivesGain();
    g_User.SetLastLivesGain(0);
    if (lives != 0) OnLivesChanged(lives);
    if (_state == gssPlaying) PlayTopPanel().SetModal(!_field.IsBonusArmed());
}

void CGameScene::ProcessPanels()
{
    PlayClockPanel().Process();
    CSlideableBaseDialog& top = PlayTopPanel();
    if (top.Process()) {
        const int result = top.GetResult();
        top.SetResult(0);
        if (result == 4) StartCrossState(gcsPaused);
        else if (result == 5) StartCrossState(gcsGameToRelax);
    }
    if (!_bonus_level) {
        const bool warning = g_GameTimer.GetWarningLevel() > 0;
        const IWarningImage* danger = _timer_panel.GetDanger();
        _top_panel.SetDanger(warning && (!danger || danger->IsAnimationPlaying()));
    }
    _bonus_panel.Process();
}

void CGameScene::DrawEffects()
{
    if (_explosions) _explosions->Render();
    _field.GetBonusController().DrawBonuses();
}

void CGameScene::ProcessDialogs()
{
    if (_pause_dialog.Process()) {
        const int result = _pause_dialog.GetResult();
        _pause_dialog.SetResult(0);
        if (result == prBackToGame) StartCrossState(gcsDefault);
        else if (result == prHelp) StartCrossState(gcsHelp);
        else if (result == prLeaveGame) StartCrossState(gcsPauseToMenu);
    }
    if (_help_dialog.Process()) {
        const int result = _help_dialog.GetResult();
        _help_dialog.SetResult(0);
        // Both ways out of the help go back to play.
        if (result == hrExit || result == hrContinue) StartCrossState(gcsDefault);
    }
    _game_over_dialog.Process();
    _statistics_up = _statistics_dialog.Process();
    _bonus_complete_dialog.Process();
    _promotion_dialog.Process();
    _resources_dialog.Process();
}

void CGameScene::ProcessHint()
{
    if (_state != gssHintShown && _cross_state != gcsHint) return;
    if (!GetHintsManager().Update()) StartCrossState(gcsDefault);
}

void CGameScene::CheckTimeOut()
{
    if (_bonus_level || !_level_loaded) return;
    g_GameTimer.Update();
    if (_state != gssPlaying) return;
    if (g_GameTimer.GetMode() == CGameTimer::tmStopped) return;
    if (g_GameTimer.GetPos() > g_GameTimer.GetMinPos()) return;
    if (_field.IsQuiet()) StartCrossState(gcsDie);
    g_GameTimer.Pause(true);
    g_GameTimer.SetWarningLevel(0);
}

void CGameScene::UpdateHintTimer()
{
    if (_state != gssPlaying) return;
    if (!_bonus_level && g_GameTimer.GetMode() != CGameTimer::tmRunning) return;
    if (!_field.IsIdle()) {
        ArmHintCountdown(kMinHintCountdown);
        return;
    }
    if (_field.IsGoalReached()) return;
    CHintsManager& hints = GetHintsManager();
    for (int id : GetPeople().TakePendingHints()) _people_hints.push_back(id);
    while (!_people_hints.empty()) {
        // A man who joined the player says who he is, in the middle of the screen.
        const int id = _people_hints.front();
        _people_hints.pop_front();
        if (hints.ShowHint(id, 0.0f, 0.0f)) {
            StartCrossState(gcsHint);
            return;
        }
    }
    if (_hint_countdown_active && _hint_countdown > 0) --_hint_countdown;
    if (!_hint_countdown_active || _hint_countdown != 0) return;
    if (const int id = hints.PopPending(); id != 0 && ShowHintAtTarget(id, false)) {
        StartCrossState(gcsHint);
        return;
    }
    if (g_User.Settings().pass_smart_test) {
        ArmHintCountdown(kMinHintCountdown);
    } else {
        GetHintsManager().RequestHint(100);
        ArmHintCountdown(kMoveHintCountdown);
    }
}

void CGameScene::ArmHintCountdown(int at_least)
{
    _hint_countdown = std::max(_hint_countdown, at_least);
    _hint_countdown_active = true;
}

namespace {

// The hint's rectangle around its anchor, as the field tests it against the screen.
bool HintMargin(int id, HintRect& margin)
{
    float bounds[4] = {};
    float anchor[2] = {};
    if (!GetHintsManager().GetBounds(id, bounds, anchor)) return false;
    margin.dx = anchor[0] - bounds[0];
    margin.dy = anchor[1] - bounds[1];
    margin.w = bounds[2] - bounds[0];
    margin.h = bounds[3] - bounds[1];
    return true;
}

} // namespace

bool CGameScene::ShowHintAtTarget(int id, bool force)
{
    HintRect margin;
    float x = 0.0f, y = 0.0f;
    if (!HintMargin(id, margin) || !_field.GetHintTargetPosition(id, x, y, margin, force)) return false;
    return GetHintsManager().ShowHint(id, x, y);
}

void CGameScene::RequestLevelHints()
{
    CHintsManager& hints = GetHintsManager();
    hints.ClearPending();
    _people_hints.clear();
    if (hints.GetToShow().empty()) return;
    hints.RequestHint(100);
    // What this level holds is asked for even before the player's first chain; whether a hint
    // can still be placed is checked again when its turn comes.
    const std::vector<int> to_show = hints.GetToShow();
    for (int id : to_show) {
        HintRect margin;
        float x = 0.0f, y = 0.0f;
        if (HintMargin(id, margin) && _field.GetHintTargetPosition(id, x, y, margin, true)) hints.RequestHint(id);
    }
}

void CGameScene::OnHintClosed(int id)
{
    const int delay = GetHintsManager().GetDelay(id);
    _hint_countdown = delay > 0 ? delay : kMinHintCountdown;
    _hint_countdown_active = true;
    _field.OnHintShown(id);
}

// ---------------------------------------------------------------------------------------------
// Shown values and lives

void CGameScene::ApplyPendingGains(bool instant)
{
    auto apply = [instant](CValueWinder& winder, int gain) {
        if (gain != 0) winder.Start(winder.GetCurrent(), winder.GetTarget() + float(gain), kWinderSteps);
        if (instant) winder.Finish();
    };
    apply(_score_winder, g_User.TakePendingScore());
    apply(_money_winder, g_User.TakePendingResource(rtMoney));
    apply(_staff_winder, g_User.TakePendingResource(rtStaff));
    apply(_food_winder, g_User.TakePendingResource(rtFood));
}

void CGameScene::StepCounters()
{
    _score_winder.Step();
    _money_winder.Step();
    _staff_winder.Step();
    _food_winder.Step();
}

void CGameScene::SyncWithUser(CUser& user)
{
    if (_level_kept) {
        _level_kept = false;
        DestroyLevel();
    }
    auto set = [](CValueWinder& winder, int value) {
        winder.Start(float(value), float(value), kWinderSteps);
        winder.Finish();
    };
    set(_score_winder, user.GetScore());
    set(_money_winder, user.GetCollectAmount(rtMoney));
    set(_staff_winder, user.GetCollectAmount(rtStaff));
    set(_food_winder, user.GetCollectAmount(rtFood));
    user.TakePendingScore();
    for (int type = rtMoney; type <= rtFood; ++type) user.TakePendingResource(type);
    GetResources().Assign(user.Game().collect);
    GetResCredits().Assign(user.Game().bonus);
    GetBallsDepot().ResetAvailable();
}

void CGameScene::FilterHints(CUser& user)
{
    if (_level_kept) {
        _level_kept = false;
        DestroyLevel();
    }
    GetHintsManager().FilterHints(user);
}

float CGameScene::GetShownResource(int type) const
{
    switch (type) {
    case rtMoney: return _money_winder.GetCurrent();
    case rtStaff: return _staff_winder.GetCurrent();
    case rtFood: return _food_winder.GetCurrent();
    default: return 0.0f;
    }
}

int CGameScene::GetBonusResourceType() const { return _field.GetLevelRecord().bonus_res_type; }
int CGameScene::GetBonusResourceAmount() const { return _field.GetLevelRecord().bonus_res_amount; }

void CGameScene::OnLivesChanged(int delta)
{
    _field.OnLivesChanged(delta);
    ISoundKeeper* keeper = Keeper();
    for (int i = 0; i < delta; ++i) {
        if (keeper) keeper->PlaySample(kLivesUp);
        if (_bonus_level)
            _bonus_top_panel.PlayAddLife();
        else
            _top_panel.PlayAddLife();
    }
    for (int i = 0; i < -delta; ++i)
        if (keeper) keeper->PlaySample(kLivesDown);
}

void CGameScene::RefreshBalls() { _field.RefreshBallTypes(); }

// ---------------------------------------------------------------------------------------------
// What the field asks of the scene

void CGameScene::StartExplosion(const std::string& alias, float x, float y)
{
    if (_explosions) _explosions->Start(alias, x, y);
}

void CGameScene::SetMusicVolume(int percent)
{
    if (percent < 100)
        _music.LowerMusic(percent);
    else
        _music.RaiseMusic(percent);
}

void CGameScene::ShowBonusResource(int /*resource_type*/) { _timer_panel.PlayBonusResourceAppearEffect(); }

void CGameScene::OnBonusLevelEnd()
{
    GetLog().Message("Bonus level %d played to its end.", g_User.GetBonusLevel() + 1);
}

bool CGameScene::GetBonusSlotPosition(int credit_type, float& x, float& y) const
{
    if (!_bonus_panel.IsShown()) return false;
    const GamePoint p = _bonus_panel.GetBonusIconPos(credit_type);
    if (p.x == 0.0f && p.y == 0.0f) return false;
    x = p.x;
    y = p.y;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Level life

bool CGameScene::InitLevel()
{
    CLog& log = GetLog();
    _bonus_level = g_User.Game().IsInBonusLevel();
    log.MessageBold("Initializing %s %d in episode %d...", _bonus_level ? "bonus level" : "level",
                    (_bonus_level ? g_User.GetBonusLevel() : g_User.GetLevel()) + 1, g_User.GetEpisode() + 1);
    log.Message("Creating explosion manager...");
    _explosions = CreateExplosionManager();
    ResetMouseButtons();
    log.Message("Initializing game field...");
    try {
        _field.StartLevel(GetGlobalVars().GetString("cur_level_file"), _bonus_level);
    } catch (const std::exception& e) {
        log.Error("Error: the level cannot be started: %s", e.what());
        DestroyExplosionManager();
        _explosions = nullptr;
        return false;
    }
    LoadLevelBackground();
    ChooseLevelMusic();
    _hint_countdown = 0;
    _hint_countdown_active = false;
    log.MessageBold("Level initialized.");
    _level_loaded = true;
    return true;
}

void CGameScene::DestroyLevel()
{
    if (!_level_loaded) return;
    CLog& log = GetLog();
    log.MessageBold("Destroying level...");
    log.Message("Complex background ...");
    if (_background) _background->Clear();
    log.Message("Explosion manager ...");
    DestroyExplosionManager();
    _explosions = nullptr;
    log.Message("Game field ...");
    _field.Clear();
    log.MessageBold("Level destroyed.");
    _level_loaded = false;
    _level_kept = false;
}

void CGameScene::SaveLevelProgress()
{
    const int play_state = g_User.GetPlayState();
    CStatistics& statistics = g_User.GetStatistics();
    if (_level_loaded && (play_state == upsLevelStarted || play_state == upsLevelFinished ||
                          play_state == upsBonusStarted || play_state == upsBonusFinished)) {
        FieldSaveRecord record;
        _field.SaveGame(record);
        statistics.FromFieldSave(record);
    } else {
        statistics.Reset();
    }
}

void CGameScene::LoadLevelBackground()
{
    if (!_background) return;
    CGameSlot& game = g_User.Game();
    BackgroundChoice choice{game.background, game.bonus_background, game.bg_shows};
    int count = 0;
    try {
        count = int(CXMLFile(kBackgroundFile).SelectNodes("//Game/Background").GetLength());
    } catch (const std::exception& e) {
        GetLog().Error("Error: %s cannot be read: %s", kBackgroundFile, e.what());
    }
    // A level without a background yet takes the first epoch's.
    const int first = _city ? _city->GetLevelBackground(0, -1) : 0;
    const int first_bonus = _city ? _city->GetLevelBonusBackground(0, -1) : kBonusBackground;
    const int index = ChooseLevelBackground(choice, _bonus_level, IsAllEpochsComplete(), count, first, first_bonus);
    game.background = choice.background;
    game.bonus_background = choice.bonus_background;
    game.bg_shows = choice.shows;
    _background->Clear();
    BackgroundDesc desc;
    if (count > 0 && LoadLevelBackgroundDesc(kBackgroundFile, index, desc)) _background->Create(desc);
}

void CGameScene::ChooseLevelMusic()
{
    CityMusicInfo city = FirstEpochMusic();
    if (_city) city = CityMusicInfo{_city->GetLevelMusic(0, -1), _city->GetLevelBonusMusic(0, -1), _city->IsAllEpochsComplete()};
    _music.ChooseLevelMusic(g_User, _bonus_level, city);
}

void CGameScene::SetCityFacts(const ICityFacts* city)
{
    _city = city;
    if (city)
        _help_dialog.SetEpochHelpSource([city](int epoch, EpochHelp& help) { return city->GetEpochHelp(epoch, help); });
    else
        _help_dialog.SetEpochHelpSource(nullptr);
}

void CGameScene::StartGameMusic()
{
    const float span = _bonus_level ? 0.0f : g_GameTimer.GetMaxPos() - g_GameTimer.GetMinPos();
    _music.StartGameMusic(g_User, span);
}

// ---------------------------------------------------------------------------------------------
// Panels

CSlideableBaseDialog& CGameScene::PlayTopPanel()
{
    if (_bonus_level) return _bonus_top_panel;
    return _top_panel;
}

CSlideableBaseDialog& CGameScene::PlayClockPanel()
{
    if (_bonus_level) return _mover_panel;
    return _timer_panel;
}

void CGameScene::ShowPanels()
{
    PlayTopPanel().ShowModal();
    PlayClockPanel().ShowModal();
    _bonus_panel.ShowModal();
}

void CGameScene::HidePanels()
{
    PlayTopPanel().Hide();
    PlayClockPanel().Hide();
    _bonus_panel.Hide();
}

void CGameScene::LockPanels()
{
    PlayTopPanel().SetModal(false);
    PlayClockPanel().SetModal(false);
    _bonus_panel.SetModal(false);
}

void CGameScene::LogPlayState(const char* name) { GetLog().Message("Changing game state: %s", name); }
void CGameScene::LogCrossState(const char* name) { GetLog().Message("Start cross-state: %s", name); }

// ---------------------------------------------------------------------------------------------
// The play states

void CGameScene::CrsDefault(bool start)
{
    int& stage = Stage(gcsDefault);
    if (start) {
        LogPlayState("ssDefault");
        // A hint put away without the player's answer is shown again another time.
        GetHintsManager().HideActive();
        if (g_Mouse) g_Mouse->ShowSystemCursor(true);
        ResetMouseButtons();
        _fader1.FadeInTo(0);
        _help_dialog.Hide();
        _pause_dialog.Hide();
        ShowPanels();
        _field.ShowField();
        stage = 1;
        return;
    }
    if (stage != 1) return;
    if (_help_dialog.IsVisible()) return;
    _bonus_panel.EnableHelp(true);
    if (_pause_dialog.IsVisible()) return;
    if (!PlayTopPanel().IsShown() || !PlayClockPanel().IsShown() || !_bonus_panel.IsShown()) return;
    if (_fader1.IsRunning() || _field.GetAppearer().IsRunning()) return;
    ArmHintCountdown(kMinHintCountdown);
    stage = 0;
    SetState(gssPlaying);
}

void CGameScene::CrsPaused(bool start)
{
    int& stage = Stage(gcsPaused);
    if (start) {
        if (_prev_state != gssPlaying) {
            SetState(_prev_state);
            return;
        }
        if (!_field.IsQuiet()) {
            SetState(gssPlaying);
            return;
        }
        LogPlayState("ssPaused");
        _field.ResetInput();
        ResetMouseButtons();
        _fader1.FadeOutTo(kDimAlpha);
        HidePanels();
        _field.HideField();
        _pause_dialog.ShowModal();
        stage = 1;
        return;
    }
    if (stage == 1 && !_field.GetAppearer().IsRunning() && _pause_dialog.IsShown()) {
        stage = 0;
        SetState(gssPaused);
    }
}

void CGameScene::CrsHelp(bool start)
{
    int& stage = Stage(gcsHelp);
    if (start) {
        if (_prev_state != gssPlaying && _prev_state != gssPaused) {
            SetState(_prev_state);
            return;
        }
        if (!_field.IsQuiet()) {
            SetState(_prev_state);
            return;
        }
        LogPlayState("ssHelp");
        GetHintsManager().HideActive();
        _field.ResetInput();
        ResetMouseButtons();
        _fader1.FadeOutTo(kDimAlpha);
        LockPanels();
        _field.HideField();
        _pause_dialog.Hide();
        _bonus_panel.EnableHelp(false);
        _help_dialog.ShowModal();
        stage = 1;
        return;
    }
    if (stage == 1 && !_field.GetAppearer().IsRunning() && _help_dialog.IsShown()) {
        stage = 0;
        SetState(gssHelpShown);
    }
}

void CGameScene::CrsHint(bool start)
{
    if (!start) return;
    if (_prev_state != gssPlaying) {
        GetHintsManager().HideActive();
        SetState(_prev_state);
        return;
    }
    if (!_field.IsIdle()) {
        GetHintsManager().HideActive();
        SetState(gssPlaying);
        return;
    }
    LogPlayState("ssHint");
    ResetMouseButtons();
    LockPanels();
    SetState(gssHintShown);
}

// ---------------------------------------------------------------------------------------------
// Level start, death and leaving

void CGameScene::CrsStartLevel(bool start)
{
    int& stage = Stage(gcsStartLevel);
    if (start) {
        LogCrossState("crsStartLevel");
        ResetMouseButtons();
        _fader1.FadeInTo(0);
        ShowPanels();
        _field.StepShowField(true);
        _level_starting = true;
        stage = 1;
        return;
    }
    switch (stage) {
    case 1:
        if (_fader1.IsRunning()) return;
        _level_starting = false;
        stage = 2;
        return;
    case 2: {
        if (_field.StepShowField(false)) return;
        RequestLevelHints();
        int play_state = g_User.GetPlayState();
        if (play_state == upsLevelLoaded) play_state = upsLevelStarted;
        else if (play_state == upsBonusLoaded) play_state = upsBonusStarted;
        g_User.SetPlayState(play_state);
        stage = 0;
        EndCrossState();
        switch (play_state) {
        case upsLevelStarted:
        case upsBonusStarted: StartCrossState(gcsDefault); break;
        case upsLevelFinished: StartCrossState(gcsLevelFinish); break;
        case upsBonusFinished: StartCrossState(gcsBonusFinish); break;
        default:
            // No road of the game enters a level in another play state: play it as started.
            GetLog().Warning("Game: the level was entered in play state %d; it is played as started.", play_state);
            g_User.SetPlayState(_bonus_level ? upsBonusStarted : upsLevelStarted);
            StartCrossState(gcsDefault);
            break;
        }
        return;
    }
    default:
        return;
    }
}

void CGameScene::CrsDie(bool start)
{
    int& stage = Stage(gcsDie);
    if (start) {
        LogCrossState("crsDie");
        ResetMouseButtons();
        if (g_User.GetLives() <= 0) {
            HandOver(gcsLivesOut);
            return;
        }
        g_User.SetLives(g_User.GetLives() - 1);
        const int gained = g_User.GetLastLivesGain();
        g_User.SetLastLivesGain(0);
        OnLivesChanged(gained - 1);
        if (g_User.GetLives() <= 0) {
            HandOver(gcsLivesOut);
            return;
        }
        _field.StepHideField(true);
        g_User.SetPlayState(_bonus_level ? upsBonusLoaded : upsLevelLoaded);
        LockPanels();
        stage = 1;
        return;
    }
    switch (stage) {
    case 1:
        if (_field.StepHideField(false)) return;
        _message.SetHold(kLifeMessageHold);
        _message.SetMessage(g_User.GetLives() > 1 ? "LivesLeft" : "LastLive");
        _message.SetParam(g_User.GetLives());
        _message.Start();
        stage = 2;
        return;
    case 2:
        if (_message.Update()) return;
        _field.RestartLevel();
        stage = 0;
        HandOver(gcsStartLevel);
        return;
    default:
        return;
    }
}

void CGameScene::CrsLivesOut(bool start)
{
    int& stage = Stage(gcsLivesOut);
    if (start) {
        LogCrossState("crsLivesOut");
        ResetMouseButtons();
        _field.StepHideField(true);
        stage = 1;
        return;
    }
    switch (stage) {
    case 1:
        if (_field.StepHideField(false)) return;
        _fader1.FadeOutTo(kDimAlpha);
        HidePanels();
        _game_over_dialog.Fill(_field.GetLevelRecord());
        _game_over_dialog.ShowModal();
        StoreGameOver();
        stage = 2;
        return;
    case 2: {
        if (_game_over_dialog.IsVisible()) return;
        const int result = _game_over_dialog.GetResult();
        _game_over_dialog.SetResult(0);
        if (result != rdOk) return;
        _fader1.FadeOutTo(255);
        stage = 3;
        return;
    }
    case 3: {
        if (_fader1.IsRunning()) return;
        _game_over_dialog.HideImmediately();
        const int epoch = g_User.GetEpoch();
        g_User.StartGame(epoch);
        if (epoch > 0) {
            g_User.SetGameState(ugsPlaying);
            g_User.SetPlayState(upsToShop);
            GetGlobalVars().SetString("city_caller_scene", "Game");
            GetGlobalVars().SetInt("city_start_state", 4);
        }
        SyncScenesWithUser(g_User);
        SaveUserProgress();
        stage = 0;
        EndCrossState();
        if (_selector) _selector->PrepareFromGame();
        SetNextScene("Selector");
        SetResult(srNextScene);
        SetTransition(gtLivesOut);
        return;
    }
    default:
        return;
    }
}

void CGameScene::StoreGameOver()
{
    // A test start plays without a player: there is no profile to keep the game in.
    if (g_User.Empty() || !g_Profiles.HasProfile(g_User.GetName())) return;
    // The game the player goes on with after the game over is stored while the dialog still shows
    // the game that ended, so that the lost game stays lost even if the program ends here.
    CProfile& profile = g_Profiles.GetProfile(g_User.GetName());
    CUser after;
    after.LoadFromProfile(profile, kCurrentGameSlot);
    const int epoch = g_User.GetEpoch();
    after.StartGame(epoch);
    if (epoch > 0) {
        after.SetGameState(ugsPlaying);
        after.SetPlayState(upsToShop);
    }
    CGameSlot stored = after.Game();
    stored.alias = kCurrentGameSlot;
    profile.SetGame(kCurrentGameSlot, stored);
    if (!g_Profiles.Save()) GetLog().Error("Error: the game over could not be stored in the profiles file.");
}

void CGameScene::CrsPauseToMenu(bool start)
{
    int& stage = Stage(gcsPauseToMenu);
    if (start) {
        if (_prev_state != gssPaused) {
            SetState(_prev_state);
            return;
        }
        LogCrossState("crsPauseToMenu");
        _fader2.FadeOutTo(255);
        _pause_dialog.Hide();
        stage = 1;
        return;
    }
    if (stage != 1 || _fader2.IsRunning()) return;
    _pause_dialog.HideImmediately();
    stage = 0;
    EndCrossState();
    SetNextScene("Menu");
    SetResult(srNextScene);
    // A test start has no menu to go back to: the run ends.
    SetTransition(GetGlobalVars().GetBool("test_mode") ? gtQuitTestMode : gtGameLeft);
}

void CGameScene::CrsGameToRelax(bool start)
{
    int& stage = Stage(gcsGameToRelax);
    if (start) {
        if (_prev_state != gssPlaying) {
            SetState(_prev_state);
            return;
        }
        LogCrossState("crsGameToRelax");
        _field.HideField();
        HidePanels();
        _fader1.FadeOutTo(255);
        stage = 1;
        return;
    }
    if (stage != 1 || _field.GetAppearer().IsRunning() || _fader1.IsRunning()) return;
    stage = 0;
    EndCrossState();
    _level_kept = true;
    GetGlobalVars().SetInt("city_start_state", 3);
    GetGlobalVars().SetString("city_caller_scene", "Game");
    SetNextScene("City");
    SetResult(srNextScene);
    SetTransition(gtToRelax);
}

// ---------------------------------------------------------------------------------------------
// Finishing a level: the statistics, a promotion and its prize, the gains, then the city

void CGameScene::CrsFinishLevel(bool start)
{
    int& stage = Stage(gcsLevelFinish);
    CHintsManager& hints = GetHintsManager();
    if (start) {
        LogCrossState("crsFinishLevel");
        g_User.SetPlayState(upsLevelFinished);
        LockPanels();
        _field.EndLevel(true);
        stage = 1;
        return;
    }
    switch (stage) {
    case 1:
        // The people who joined during the level introduce themselves first.
        if (hints.Update()) return;
        for (int id : GetPeople().TakePendingHints()) _people_hints.push_back(id);
        while (!_people_hints.empty()) {
            const int id = _people_hints.front();
            _people_hints.pop_front();
            if (hints.ShowHint(id, 0.0f, 0.0f)) return;
        }
        stage = 2;
        return;
    case 2:
        if (_field.EndLevel(false)) return;
        HidePanels();
        _fader1.FadeOutTo(kDimAlpha);
        FileHiscores();
        // The result is kept before the player sees it: a game ended now finishes this level
        // again when it is continued.
        SaveLevelProgress();
        SaveUserProgress();
        _statistics_dialog.Fill(_field.GetLevelRecord());
        _statistics_dialog.ShowModal();
        _statistics_up = true;
        stage = 3;
        return;
    case 3: {
        if (!_statistics_up) {
            // The dialog went away without its answer: the finish goes on rather than stop here
            // with the level's gains not yet credited.
            GetLog().Error("Error: %s (%s:%d)", "\"Cross logic fault\"", __FILE__, __LINE__);
            stage = 4;
            return;
        }
        const int result = _statistics_dialog.GetResult();
        _statistics_dialog.SetResult(0);
        if (result != 1) return;
        _statistics_dialog.Hide();
        stage = 4;
        return;
    }
    case 4:
        if (_statistics_dialog.IsVisible()) return;
        if (g_User.CheckPromotion()) {
            _promotion_dialog.ShowModal();
            LowerMusic(kPromotionMusic);
            _promotion_timer.StartFor(kPromotionMs);
            g_SoundQueue.QueueSound("promotion");
            stage = 5;
        } else {
            _fader1.FadeOutTo(255);
            stage = 7;
        }
        return;
    case 5: {
        if (_promotion_timer.IsRunning() && _promotion_timer.IsPassed()) {
            _promotion_timer.Stop();
            RaiseMusic(100);
        }
        if (_promotion_dialog.IsVisible()) return;
        const int result = _promotion_dialog.GetResult();
        _promotion_dialog.SetResult(0);
        if (result == 1) {
            _fader1.FadeOutTo(255);
            stage = 8;
        } else if (result == 4) {
            _fader1.FadeOutTo(255);
            stage = 6;
        } else if (result == 5) {
            _fader1.FadeOutTo(kDimAlpha);
            OfferBonusResources();
            _resources_dialog.Fill(_field.GetLevelRecord());
            _resources_dialog.ShowModal();
            stage = 7;
        }
        RaiseMusic(100);
        return;
    }
    case 6:
        if (_fader1.IsRunning()) return;
        CloseFinishedLevel(upsNextBonus);
        stage = 0;
        EndCrossState();
        SetNextScene("Game");
        SetResult(srNextScene);
        SetTransition(gtLevelDone);
        return;
    case 7:
        if (_resources_dialog.IsVisible()) return;
        // Leaving the prize, the screen goes black before the city.
        _fader1.FadeOutTo(255);
        stage = 8;
        return;
    case 8:
        if (_fader1.IsRunning()) return;
        CloseFinishedLevel(upsToShop);
        stage = 0;
        HandOver(gcsFinishToShop);
        return;
    default:
        return;
    }
}

// A bonus level's finish logs no line; its gains reached the player during play.
void CGameScene::CrsFinishBonusLevel(bool start)
{
    int& stage = Stage(gcsBonusFinish);
    if (start) {
        g_User.SetPlayState(upsBonusFinished);
        LockPanels();
        _field.EndLevel(true);
        stage = 1;
        return;
    }
    switch (stage) {
    case 1:
        if (_field.EndLevel(false)) return;
        HidePanels();
        _fader1.FadeOutTo(kDimAlpha);
        SaveLevelProgress();
        SaveUserProgress();
        _bonus_complete_dialog.Fill(_field.GetLevelRecord());
        _bonus_complete_dialog.ShowModal();
        stage = 2;
        return;
    case 2:
        if (_bonus_complete_dialog.IsVisible()) return;
        _bonus_complete_dialog.SetResult(0);
        _fader1.FadeOutTo(255);
        stage = 3;
        return;
    case 3:
        if (_fader1.IsRunning()) return;
        StoreFinishedGame();
        stage = 0;
        HandOver(gcsFinishToShop);
        return;
    default:
        return;
    }
}

void CGameScene::CrsFinishToShop(bool start)
{
    if (!start) return;
    LogCrossState("crsFinishToShop");
    EndCrossState();
    CVariableRegistry& vars = GetGlobalVars();
    SetResult(srNextScene);
    if (IsAllEpochsComplete() && !vars.GetBool("is_last_level")) {
        // Every epoch's city is built: straight on to the next level.
        g_User.SetPlayState(upsNextLevel);
        SaveUserProgress();
        SetNextScene("Game");
        SetTransition(gtLevelDone);
        return;
    }
    g_User.SetPlayState(upsToShop);
    vars.SetInt("city_start_state", 4);
    vars.SetString("city_caller_scene", "Game");
    SetNextScene("City");
    SetTransition(gtToCity);
}

void CGameScene::FileHiscores()
{
    // A test start plays without a player: it files no results.
    if (g_User.Empty()) return;
    LevelRecord& record = _field.GetLevelRecord();
    if (!g_Hiscores.FileLevelRecord(record))
        GetLog().Error("Error: the hiscores could not be written; the level's result is kept in memory.");
}

void CGameScene::CloseFinishedLevel(int play_state)
{
    g_User.SetPlayState(play_state);
    g_User.Game().title = g_User.GetTitleIndex();
    CreditLevelGains();
    StoreFinishedGame();
}

void CGameScene::StoreFinishedGame()
{
    g_User.GetStatistics().Reset();
    SaveUserProgress();
}

// ---------------------------------------------------------------------------------------------
// The level's gains and the bonus-resources prize

void CGameScene::OfferBonusResources()
{
    LevelRecord& record = _field.GetLevelRecord();
    std::list<int> types;
    GetResources().GetAvailableTypes(types);
    const int amount = types.empty() ? 0 : GetPromotions().GetPrizeAmount(g_User.GetTitleIndex());
    for (int slot = 0; slot < 3; ++slot) {
        record.offer_amounts[slot] = amount;
        record.offer_multipliers[slot] = 1;
        RerollBonusResource(slot);
    }
    if (types.empty()) GetLog().Warning("Game: no resource is available, so the bonus resources offer nothing.");
}

int CGameScene::RerollBonusResource(int slot)
{
    LevelRecord& record = _field.GetLevelRecord();
    if (slot < 0 || slot > 2) return 0;
    std::list<int> types;
    GetResources().GetAvailableTypes(types);
    // With nothing to draw from the slot keeps its type and stays empty.
    if (types.empty()) return record.offer_types[slot];
    auto it = types.begin();
    std::advance(it, RandomInt(0, int(types.size()) - 1));
    record.offer_types[slot] = *it;
    return *it;
}

std::array<int, 3> CGameScene::CountBonusResourceMatches()
{
    LevelRecord& record = _field.GetLevelRecord();
    const int* t = record.offer_types;
    int* m = record.offer_multipliers;
    if (t[0] == t[1] && t[1] == t[2]) {
        m[0] = m[1] = m[2] = 3;
    } else if (t[0] == t[1]) {
        m[0] = m[1] = 2;
    } else if (t[1] == t[2]) {
        m[1] = m[2] = 2;
    } else if (t[0] == t[2]) {
        m[0] = m[2] = 2;
    }
    std::list<int> types;
    GetResources().GetAvailableTypes(types);
    const int limit = std::max(1, int(types.size()));
    for (int slot = 0; slot < 3; ++slot) m[slot] = std::min(m[slot], limit);
    return {m[0], m[1], m[2]};
}

void CGameScene::CreditLevelGains()
{
    const LevelRecord& record = _field.GetLevelRecord();
    CResources& resources = GetResources();
    // The people's gains of the level (record.people_gains) reached the player when they were
    // handed out at the level's end; only what the level still owes is added here.
    if (IsResourceTypeId(record.bonus_res_type) && record.bonus_res_amount != 0)
        resources.Add(record.bonus_res_type, record.bonus_res_amount);
    for (int slot = 0; slot < 3; ++slot) {
        if (record.offer_amounts[slot] == 0 || !IsResourceTypeId(record.offer_types[slot])) continue;
        resources.Add(record.offer_types[slot], record.offer_amounts[slot] * record.offer_multipliers[slot]);
    }
    ApplyPendingGains(false);
}
