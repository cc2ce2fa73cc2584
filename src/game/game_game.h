// The game scene ("Game"): plays the level named by "cur_level_file" and hands over to the next
// level, the city or the menu.
#pragma once

#include "engine/base/engine_helpers.h"
#include "engine/core/engine_scene.h"
#include "game/game_bonuspanel.h"
#include "game/game_gui.h"
#include "game/game_music.h"
#include "game/game_panels.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CMenuImage;
class CUser;

// The game screen's effects: named explosions started at a screen point, and the field's particle
// emitters by id (see game_explosions.h for the implementation).
class IExplosionManager : private siv::noncopyable {
public:
    virtual ~IExplosionManager() = default;
    // Ends every running effect and removes every emitter.
    virtual void Clear() = 0;
    // An empty alias does nothing; an unknown alias logs "Explosion alias not found: '%s'" and
    // starts nothing.
    virtual void Start(const std::string& alias, float x, float y) = 0;
    // Draws the running effects once per frame and drops the finished ones.
    virtual void Render() = 0;
    // Starts the named emitter at (x, y) in whole pixels; its id.
    virtual int StartPyro(const std::string& name, float x, float y) = 0;
    virtual void SetEmitterPosition(int id, float x, float y) = 0;
    virtual void MoveEmitter(int id, float dx, float dy) = 0;
    // False for an unknown id (x and y are then left alone).
    virtual bool GetEmitterPosition(int id, float& x, float& y) = 0;
    virtual bool HasEmitter(int id) = 0;
    virtual void RemoveEmitter(int id) = 0;
    virtual void RenderEmitters(const std::vector<int>& ids) = 0;
    virtual void RenderEmitter(int id) = 0;
};

// Scene states the field reads.
enum EGameSceneState { gssCrossState = 1, gssPlaying = 3, gssHintShown = 5 };
// Cross-states the field asks for.
enum EGameCrossState { gcsLevelFinish = 8, gcsBonusFinish = 9 };

// Transition codes the game scene ends with.
enum EGameTransition { gtQuitTestMode = 2, gtLevelDone = 3, gtGameOver = 4, gtGameLeft = 5 };

class CGameScene : public AScene {
public:
    CGameScene();
    ~CGameScene() override;

    bool Init() override;
    void Destroy() override;
    void Enter() override;
    void Frame() override;
    void OnKeyDown(int vk) override;

    // Ends a running level (if any), then drops the hints the user has seen.
    void FilterHints(CUser& user);
    // Fades the loud music channel to the percent when it is louder (LowerMusic) or quieter
    // (RaiseMusic); returns the volume it had.
    int LowerMusic(int percent) { return _music.LowerMusic(percent); }
    int RaiseMusic(int percent) { return _music.RaiseMusic(percent); }
    CGameMusic& GetMusic() { return _music; }
    // The field re-reads its ball types from the balls depot.
    void RefreshBalls();
    // Starts a cross-state unless one runs or the id is 0.
    void StartCrossState(int id);
    // Starts an explosion through the scene's manager; nothing without one.
    void StartExplosion(const std::string& alias, float x, float y);
    void SetExplosionManager(IExplosionManager* manager) { _explosions = manager; }
    // Ends a running level (if any) and takes the user's score, resources and credits.
    void SyncWithUser(CUser& user);

    CBonusPanel& GetBonusPanel() { return _bonus_panel; }
    CMoverPanel& GetMoverPanel() { return _mover_panel; }
    CTimerPanel& GetTimerPanel() { return _timer_panel; }

    const std::string& GetLevelFile() const { return _level_file; }
    bool IsLevelLoaded() const { return _level_loaded; }
    int GetShownScore() const { return _score; }
    const std::map<int, int>& GetShownResources() const { return _resources; }

private:
    // Ends the level in play and sends the loop on to the next one.
    void FinishLevel();
    void DropLevel();

    std::unique_ptr<CMenuImage> _background;
    IExplosionManager* _explosions = nullptr;
    CBonusPanel _bonus_panel;
    CMoverPanel _mover_panel;
    CTimerPanel _timer_panel;
    std::string _level_file;
    bool _level_loaded = false;
    CGameMusic _music;
    int _score = 0;
    std::map<int, int> _resources;
};

CGameScene& GetGameScene();
