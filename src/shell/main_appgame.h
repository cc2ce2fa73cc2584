// The application object: loads what the scenes need, initialises the scenes, runs the logo and
// then the scene loop that passes control from scene to scene by alias, moves the player from
// level to bonus level to episode, and saves the player's game on exit.
#pragma once

#include "engine/base/engine_registry.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class AScene;
class CUser;

// One level of an episode.
struct LevelDesc {
    int episode = 0;
    int number = 0;
    std::string file;
};

// The episode in play.
struct EpisodeData {
    std::string name;
    int level_count = 0;
    int bonus_level_count = 0;
    std::vector<LevelDesc> levels;
    std::vector<LevelDesc> bonus_levels;
};

// How the scene loop ended, logged by CAppGame::Exit.
enum EExitState {
    esNone = 0,
    esRunning = 1,
    esNormal = 2,
    esUserBreak = 3,
    esFailed = 4,
    esCrashed = 5,
};

// The scenes the application runs. The program uses the global scenes; tests bring their own.
struct SceneSet {
    std::function<std::shared_ptr<AScene>()> create_logo;
    AScene* menu = nullptr;
    AScene* selector = nullptr;
    AScene* game = nullptr;
    AScene* city = nullptr;
    // Once every scene is initialised: the scenes that share panels and facts are joined; before
    // they are destroyed, parted again.
    std::function<void()> join;
    std::function<void()> part;
};

// The program's scenes.
SceneSet GetProgramScenes();

class CAppGame {
public:
    CAppGame();
    explicit CAppGame(SceneSet scenes);
    ~CAppGame();
    CAppGame(const CAppGame&) = delete;
    CAppGame& operator=(const CAppGame&) = delete;

    // Applies the settings, loads profiles, episodes and hiscores, and initialises the scenes.
    // Throws on failure.
    bool Enter();
    // Runs the logo and then the scene loop; the outcome is the exit state. Always false.
    bool Run();
    // The scene loop; returns the exit state.
    int RunGame();
    // Logs the exit state and saves the player's game after a normal exit or a user break.
    bool Exit();
    // Destroys the scenes and releases the logo.
    void ReleaseScenes();

    // Progression. False when the game cannot go on (the reason is logged).
    bool GoNextLevel();
    bool InitializeGameData();
    bool InitGameState();
    bool SetLevelVariables();

    // Episodes file "Settings\Episodes.xml".
    bool LoadEpisodes();
    bool LoadEpisode(int index, EpisodeData& data);

    // Parts of Enter.
    void ApplySettings();
    void LoadPlayerData();
    void InitScenes();

    int GetExitState() const { return _exit_state; }
    void SetExitState(int state) { _exit_state = state; }
    int GetEpisodeCount() const { return _episode_count; }
    bool IsGamePlaying() const { return _is_game_playing; }
    void SetGamePlaying(bool playing) { _is_game_playing = playing; }
    int GetEpisodesInPlay() const { return _episodes_in_play; }
    void SetEpisodesInPlay(int count) { _episodes_in_play = count; }
    EpisodeData& GetEpisodeData() { return _episode; }

private:
    // Applies the transition of a scene that ended with result 2; false ends the loop with the
    // exit state set.
    bool ApplyTransition(AScene* scene, int& exit_state);
    AScene* FindScene(const std::string& alias) const;

    // The player's game configuration before this application handed it the game's.
    const CVariableRegistry* _previous_game_cfg = nullptr;
    int _episode_count = 0;
    bool _is_game_playing = false;
    int _episodes_in_play = 0;
    EpisodeData _episode;
    int _exit_state = esNone;
    std::shared_ptr<AScene> _logo;
    SceneSet _scenes;
    AScene* _menu = nullptr;
    AScene* _game = nullptr;
    AScene* _city = nullptr;
    AScene* _selector = nullptr;
};

// Classifies the exception in flight, writes the crash report line for the place and, for a stage
// above 0, "Application crushed on stage %d."; returns the stage. Call inside a catch block.
int HandleCrash(const char* place, int stage);

// The dialogs' slide speed (pixels per frame) of the configured "m_panel_speed": truncated, at
// least 1 and at most the screen's width.
int PanelSlideSpeedOf(float configured);

// Registers the global variables with their defaults (a registered name keeps its value).
void RegisterGameVariables();

// The application's handlers of RefreshUserInScenes and SyncScenesWithUser.
void RefreshUserInProgramScenes(CUser& user);
void SyncProgramScenesWithUser(CUser& user);
