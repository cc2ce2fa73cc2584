#include "shell/main_appgame.h"

#include "settings/main_settings.h"
#include "settings/main_userfiles.h"

#include "engine/core/engine_core.h"
#include "engine/base/engine_helpers.h"
#include "engine/core/engine_input.h"
#include "engine/text/engine_langtext.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/core/engine_scene.h"
#include "engine/base/engine_sehtrans.h"
#include "engine/sound/engine_sound.h"
#include "engine/base/engine_xml.h"

#include "city/city_scene.h"
#include "field/config/field_config.h"
#include "game/game_game.h"
#include "game/game_hints.h"
#include "gui/gui_dialog.h"
#include "menu/menu_logo.h"
#include "menu/menu_menu.h"
#include "menu/menu_selector.h"
#include "player/player_gamevalues.h"
#include "player/player_hiscores.h"
#include "player/player_prices.h"
#include "player/player_profiles.h"
#include "player/player_scenes.h"
#include "player/player_user.h"

#include <algorithm>
#include <cstdio>
#include <cinttypes>
#include <cstdlib>
#include <ctime>
#include <exception>

namespace {

const char* const kEpisodesFile = "Settings\\Episodes.xml";
const char* const kGameTitle = "Zerafine";

bool IsTestMode()
{
    return GetGlobalVars().GetBool("test_mode");
}

} // namespace

int PanelSlideSpeedOf(float configured)
{
    // Below 1 a dialog would never reach its place; a value beyond the screen (or not a number)
    // has no int to truncate to.
    if (!(configured >= 1.0f)) return 1;
    return static_cast<int>(std::min(configured, 800.0f));
}

SceneSet GetProgramScenes()
{
    SceneSet set;
    set.create_logo = [] { return std::shared_ptr<AScene>(CreateLogoScene()); };
    set.menu = &GetMenuScene();
    set.selector = &GetSelectorScene();
    set.game = &GetGameScene();
    set.city = &GetCityScene();
    // The city shows the game screen's top panel, pause and help; the game screen reads the city's
    // epochs; both tell the epoch selector where it is entered from.
    set.join = [] {
        CGameScene& game = GetGameScene();
        GetCityScene().SetGamePanels(&game.GetTopPanel(), &game.GetPauseDialog(), &game.GetHelpDialog());
        game.SetCityFacts(&GetCityScene());
        game.SetEpochSelector(&GetSelectorScene());
        GetCityScene().SetEpochSelector(&GetSelectorScene());
    };
    set.part = [] {
        GetCityScene().SetGamePanels(nullptr, nullptr, nullptr);
        GetGameScene().SetCityFacts(nullptr);
        GetGameScene().SetEpochSelector(nullptr);
        GetCityScene().SetEpochSelector(nullptr);
    };
    return set;
}

void RegisterGameVariables()
{
    CVariableRegistry& vars = GetGlobalVars();
    vars.Register("test_mode", false);
    vars.Register("init_level", 0);
    vars.Register("init_bonus_level", -1);
    vars.Register("init_episode", -999);
    vars.Register("cur_level_file", std::string());
    vars.Register("is_last_level", false);
    vars.Register("city_caller_scene", std::string());
    vars.Register("city_start_state", 0);
}

int HandleCrash(const char* place, int stage)
{
    CLog& log = GetLog();
    try {
        throw;
    } catch (const access_violation& e) {
        log.Error("Crush with exception raised: %s at %" PRIXPTR ": Bad %s on %" PRIXPTR " (%s)", e.what(), e.where(),
                  e.isWrite() ? "write" : "read", e.badAddress(), place);
    } catch (const win32_exception& e) {
        log.Error("Crush with exception raised: %s (code %X) at %" PRIXPTR " (%s)", e.what(), e.code(), e.where(),
                  place);
    } catch (const std::exception& e) {
        log.Error("Crush with exception raised: %s (%s)", e.what(), place);
    } catch (...) {
        log.Error("Crush with unknown exception raised (%s)", place);
    }
    if (stage > 0) log.ErrorBold("Application crushed on stage %d.", stage);
    return stage;
}

void RefreshUserInProgramScenes(CUser& user)
{
    GetMenuScene().ShowUser(user);
    GetGameScene().FilterHints(user);
}

void SyncProgramScenesWithUser(CUser& user)
{
    GetGameScene().SyncWithUser(user);
    GetCityScene().LoadCityProgress(user.Game());
}

CAppGame::CAppGame() : CAppGame(GetProgramScenes())
{
    SetUserSceneHandlers(&RefreshUserInProgramScenes, &SyncProgramScenesWithUser);
}

CAppGame::CAppGame(SceneSet scenes) : _scenes(std::move(scenes))
{
    // The player reads the lives of a new game and the points per extra life from the game
    // configuration.
    _previous_game_cfg = GetUserGameConfig();
    SetUserGameConfig(&g_GameCfg.GetStore());
}

CAppGame::~CAppGame()
{
    if (GetUserGameConfig() == &g_GameCfg.GetStore()) SetUserGameConfig(_previous_game_cfg);
    _logo.reset();
}

// ---------------------------------------------------------------------------------------------
// Entering

bool CAppGame::Enter()
{
    ApplySettings();
    LoadPlayerData();
    InitScenes();
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return true;
}

void CAppGame::ApplySettings()
{
    SettingsRecord& s = g_Settings.EnsureLoaded();
    SetLanguage(s.language);
    if (g_Mouse) {
        g_Mouse->SetSwapButtons(s.swap_buttons);
        g_Mouse->SetSensitivity(std::clamp(s.sensitivity, 1, 20));
    }
    if (g_SoundKeeper) g_SoundKeeper->SetVolumes(std::clamp(s.mus_vol, 0, 100), std::clamp(s.snd_vol, 0, 100));
    if (g_EngineCore) g_EngineCore->SetGamma(s.gamma);
    g_GameCfg.Load();
    SetPanelSlideSpeed(PanelSlideSpeedOf(g_GameCfg.GetFloat("m_panel_speed")));
    if (g_SoundKeeper) g_SoundKeeper->LoadAllMusic();

    CLog& log = GetLog();
    log.Message(" ");
    log.WriteBold(CLog::lvlReport, "Enter game: %s (version %s)", kGameTitle,
                  CTextKeeper::Instance().GetLabel("VersionNumber").text.c_str());
    log.Message(" ");
}

void CAppGame::LoadPlayerData()
{
    CLog& log = GetLog();
    log.Message("Load hints...");
    GetHintsManager().Load();

    log.Message("Load prices and promotions...");
    RegisterGameValues();
    GetConstructionRes().Load();
    GetPromotions().Load();

    log.Message("Load profiles...");
    g_Profiles.Load();
    if (g_Profiles.HasActive()) g_User.LoadFromProfile(g_Profiles.GetProfile(g_Profiles.GetActiveName()), kCurrentGameSlot);

    if (!LoadEpisodes()) THROW_ERROR("\"Failed to load levels data!\"");

    log.Message("Load hiscores...");
    g_Hiscores.Load();
}

void CAppGame::InitScenes()
{
    if (_scenes.create_logo) _logo = _scenes.create_logo();
    if (!_logo || !_logo->Init()) THROW_ERROR("\"Failed to init logo scene!\"");
    _menu = _scenes.menu;
    if (!_menu || !_menu->Init()) THROW_ERROR("\"Failed to init menu scene!\"");
    _selector = _scenes.selector;
    if (!_selector || !_selector->Init()) THROW_ERROR("\"Failed to init selector scene!\"");
    _game = _scenes.game;
    if (!_game || !_game->Init()) THROW_ERROR("\"Failed to init game scene!\"");
    _city = _scenes.city;
    if (!_city || !_city->Init()) THROW_ERROR("\"Failed to init city scene!\"");
    if (_scenes.join) _scenes.join();
}

// ---------------------------------------------------------------------------------------------
// Running

bool CAppGame::Run()
{
    if (!_logo) return false;
    switch (_logo->Run()) {
    case srFailure: _exit_state = esFailed; break;
    case srNextScene: _exit_state = RunGame(); break;
    case srQuit: _exit_state = esNormal; break;
    case srWindowClosed: _exit_state = esUserBreak; break;
    default: _exit_state = esNone; break;
    }
    return false;
}

AScene* CAppGame::FindScene(const std::string& alias) const
{
    for (AScene* scene : {_game, _city, _menu, _selector})
        if (scene && scene->GetAlias() == alias) return scene;
    return nullptr;
}

int CAppGame::RunGame()
{
    try {
        std::string alias = _menu ? _menu->GetAlias() : std::string("Menu");
        if (IsTestMode()) {
            if (!InitGameState()) return esFailed;
            alias = _game ? _game->GetAlias() : std::string("Game");
        }
        _exit_state = esRunning;
        for (;;) {
            AScene* scene = FindScene(alias);
            if (!scene) {
                GetLog().ErrorBold("App loop: unknown scene alias %s encountered.", alias.c_str());
                return esFailed;
            }
            if (scene == _menu) _is_game_playing = false;
            switch (scene->Run()) {
            case srFailure: return esFailed;
            case srQuit: return esNormal;
            case srWindowClosed: return esUserBreak;
            case srNextScene: break;
            default: return esNone;
            }
            alias = scene->GetNextScene();
            int exit_state = esRunning;
            if (!ApplyTransition(scene, exit_state)) return exit_state;
        }
    } catch (...) {
        HandleCrash("CAppGame::RunGame", 0);
        return esCrashed;
    }
}

bool CAppGame::ApplyTransition(AScene* scene, int& exit_state)
{
    const int code = scene->GetTransition();
    if (scene == _game) {
        if (code == 2) {
            if (IsTestMode()) {
                exit_state = esNormal;
                return false;
            }
        } else if (code == 3) {
            if (!GoNextLevel()) {
                exit_state = esFailed;
                return false;
            }
        } else if (code == 4 || code == 5) {
            _is_game_playing = false;
        }
    } else if (scene == _city) {
        if (code == 1 && !GoNextLevel()) {
            exit_state = esFailed;
            return false;
        }
    } else if (scene == _menu) {
        if (code == 1 && !InitializeGameData()) {
            exit_state = esFailed;
            return false;
        }
    } else if (scene == _selector) {
        if ((code == 1 && !GoNextLevel()) || (code == 2 && !InitializeGameData())) {
            exit_state = esFailed;
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Progression

bool CAppGame::InitializeGameData()
{
    CLog& log = GetLog();
    log.WriteRow(CLog::lvlMessage, "");
    log.MessageBold("Initialize game data...");
    _episodes_in_play = _episode_count;
    if (!LoadEpisode(g_User.GetEpisode(), _episode)) return false;
    _is_game_playing = true;
    if (g_User.GetGameState() == ugsNew) {
        g_User.SetGameState(ugsPlaying);
        g_User.SetPlayState(upsNextLevel);
        if (!GoNextLevel()) return false;
    } else if (g_User.GetPlayState() == upsNextLevel || g_User.GetPlayState() == upsNextBonus) {
        if (!GoNextLevel()) return false;
    }
    if (!SetLevelVariables()) return false;
    log.MessageBold("Game data initialized.");
    return true;
}

bool CAppGame::GoNextLevel()
{
    if (!_is_game_playing) {
        VERIFY_SOFT(_is_game_playing);
        return true;
    }
    VERIFY(g_User.GetPlayState() == upsNextLevel || g_User.GetPlayState() == upsNextBonus);

    CLog& log = GetLog();
    log.WriteRow(CLog::lvlMessage, "");
    log.MessageBold("Go next level...");
    g_User.GetStatistics().Reset();

    if (g_User.GetPlayState() == upsNextBonus) {
        // Indices come from saved games: they are compared without adding, so that none overflows.
        int bonus = g_User.GetBonusLevel();
        if (bonus < _episode.bonus_level_count - 1) ++bonus;
        // An index carried over from a longer episode replays this episode's last bonus level.
        bonus = std::clamp(bonus, 0, std::max(0, _episode.bonus_level_count - 1));
        g_User.SetBonusLevel(bonus);
        g_User.SetPlayState(upsBonusLoaded);
    } else {
        if (g_User.GetLevel() < _episode.level_count - 1) {
            g_User.SetLevel(g_User.GetLevel() + 1);
        } else {
            if (g_User.GetEpisode() >= _episodes_in_play - 1) {
                g_User.SetGameState(ugsCompleted);
                g_User.SetPlayState(upsNone);
                _is_game_playing = false;
                return true;
            }
            // The player moves on only when the next episode can be played.
            const int next = g_User.GetEpisode() + 1;
            EpisodeData data;
            if (!LoadEpisode(next, data)) {
                log.Error("Error: can't load episode #%d", next);
                _is_game_playing = false;
                return false;
            }
            _episode = std::move(data);
            g_User.SetEpisode(next);
            g_User.SetLevel(0);
        }
        g_User.SetPlayState(upsLevelLoaded);
    }
    return SetLevelVariables();
}

bool CAppGame::SetLevelVariables()
{
    if (!_is_game_playing) {
        VERIFY_SOFT(_is_game_playing);
        return true;
    }
    CVariableRegistry& vars = GetGlobalVars();
    const bool ordinary = g_User.Game().IsInLevel() || g_User.GetPlayState() == upsToShop;
    const std::vector<LevelDesc>& list = ordinary ? _episode.levels : _episode.bonus_levels;
    const int index = ordinary ? g_User.GetLevel() : g_User.GetBonusLevel();
    if (index < 0 || index >= static_cast<int>(list.size())) {
        GetLog().Error("Error: %s index %d out of range in episode #%d (%d available).",
                       ordinary ? "level" : "bonus level", index, g_User.GetEpisode(), static_cast<int>(list.size()));
        vars.SetString("cur_level_file", std::string());
        return false;
    }
    vars.SetString("cur_level_file", list[static_cast<size_t>(index)].file);
    // The game's last level is the last ordinary level of the last episode: the city ends the game after it.
    // (The last level of an earlier episode leads on to the next episode.)
    vars.SetBool("is_last_level", g_User.GetLevel() >= static_cast<int>(_episode.levels.size()) - 1 &&
                                      g_User.GetEpisode() >= _episodes_in_play - 1);
    return true;
}

bool CAppGame::InitGameState()
{
    CLog& log = GetLog();
    CVariableRegistry& vars = GetGlobalVars();
    log.Message("Init game state...");
    g_User.SetEpisode(vars.GetInt("init_episode"));
    g_User.SetLevel(vars.GetInt("init_level"));
    g_User.SetBonusLevel(vars.GetInt("init_bonus_level"));
    g_User.SetGameState(ugsPlaying);
    g_User.SetPlayState(upsLevelLoaded);
    g_User.GetStatistics().Reset();
    _episodes_in_play = _episode_count;
    if (!LoadEpisode(g_User.GetEpisode(), _episode)) return false;
    _is_game_playing = true;
    if (!SetLevelVariables()) return false;
    log.WriteRow(CLog::lvlMessage, "");
    log.MessageBold("Starting GAME...");
    return true;
}

// ---------------------------------------------------------------------------------------------
// Episodes

namespace {

// Reads one `Episode` element into the data. Every failure is logged and its reason kept in
// `problem`; on a failure the data keeps what was read up to it.
bool ReadEpisode(const CXMLNode& episode, int index, EpisodeData& data, std::string& problem)
{
    CLog& log = GetLog();
    data.name = episode.GetAttribute("name", "ERROR");
    data.level_count = episode.GetIntAttribute("level_count", 0);
    data.bonus_level_count = episode.GetIntAttribute("bonus_level_count", 0);

    auto fail = [&](std::string text) {
        log.Error("Error: %s", text.c_str());
        problem = std::move(text);
        return false;
    };
    auto read_levels = [&](const char* element, int expected, std::vector<LevelDesc>& out, const char* what) {
        out.clear();
        CXMLNodeList nodes = episode.SelectNodes(element);
        const long found = nodes.GetLength();
        char text[128];
        if (found != expected) {
            std::snprintf(text, sizeof text, "must be %ld %s in episode, found %ld", static_cast<long>(expected), what,
                          found);
            return fail(text);
        }
        if (found == 0) return fail(std::string("game can't run without ") + what + ".");
        for (int i = 0; i < nodes.GetLength(); ++i) {
            CXMLNode n = nodes.GetItem(i);
            LevelDesc level{index, n.GetIntAttribute("number", 0), n.GetAttribute("file", "")};
            if (level.file.empty()) {
                std::snprintf(text, sizeof text, "%s entry %d of the episode names no file.", element, i + 1);
                return fail(text);
            }
            out.push_back(std::move(level));
        }
        return true;
    };
    if (!read_levels("Level", data.level_count, data.levels, "levels")) return false;
    data.level_count = static_cast<int>(data.levels.size());
    if (!read_levels("Bonus", data.bonus_level_count, data.bonus_levels, "bonus levels")) return false;
    data.bonus_level_count = static_cast<int>(data.bonus_levels.size());
    return true;
}

} // namespace

bool CAppGame::LoadEpisodes()
{
    CXMLFile file(kEpisodesFile);
    CXMLNodeList list = file.SelectNodes("//Episodes/Episode");
    _episode_count = list.GetLength();
    if (_episode_count == 0) {
        GetLog().ErrorAt(__LINE__, __FILE__, "No episodes found!");
        return false;
    }
    // Every episode is checked now, so that a content error stops the start, not a game later.
    for (int i = 0; i < _episode_count; ++i) {
        EpisodeData data;
        std::string problem;
        if (!ReadEpisode(list.GetItem(i), i, data, problem)) {
            GetLog().Error("Error: content error in '%s', episode #%d (\"%s\"): %s", kEpisodesFile, i,
                           data.name.c_str(), problem.c_str());
            return false;
        }
    }
    return true;
}

bool CAppGame::LoadEpisode(int index, EpisodeData& data)
{
    CLog& log = GetLog();
    log.Message("Loading episode #%d...", index);
    CXMLFile file(kEpisodesFile);
    CXMLNodeList list = file.SelectNodes("//Episodes/Episode");
    if (index < 0 || list.GetLength() <= index) {
        log.Error("Error: data for episode %d not found.", index);
        return false;
    }
    std::string problem;
    return ReadEpisode(list.GetItem(index), index, data, problem);
}

// ---------------------------------------------------------------------------------------------
// Leaving

bool CAppGame::Exit()
{
    CLog& log = GetLog();
    log.WriteRow(CLog::lvlMessage, "");
    switch (_exit_state) {
    case esNone:
    case esRunning: log.ErrorBold("Exit game: shutdown in strange way."); break;
    case esNormal: log.WriteBold(CLog::lvlReport, "Exit game: shutdown normally."); break;
    case esUserBreak: log.WriteBold(CLog::lvlReport, "Exit game: shutdown by user break."); break;
    case esFailed: log.ErrorBold("Exit game: \xE0pplication failed."); break;
    case esCrashed: log.ErrorBold("Exit game: \xE0pplication crushed by program bug."); break;
    default: break;
    }
    if ((_exit_state == esNormal || _exit_state == esUserBreak) && !IsTestMode()) {
        log.Message(" ");
        SaveUserProgress();
    }
    // Hiscores are filed when a level is won; whatever the end, what was filed stays.
    g_Hiscores.Save();
    return true;
}

void CAppGame::ReleaseScenes()
{
    if (_scenes.part) _scenes.part();
    for (AScene* scene : {_city, _game, _selector, _menu})
        if (scene) scene->Destroy();
    _logo.reset();
}
