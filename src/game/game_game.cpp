#include "game/game_game.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/render/engine_render.h"
#include "engine/sound/engine_soundqueue.h"
#include "game/game_hints.h"
#include "gui/gui_controls.h"
#include "player/player_user.h"
#include "settings/main_userfiles.h"

#include <algorithm>

namespace {
const char* const kBackgroundTexture = "Textures\\Menu\\Background.png";
} // namespace

CGameScene::CGameScene() : AScene("Game") {}
CGameScene::~CGameScene() = default;

CGameScene& GetGameScene()
{
    static CGameScene scene;
    return scene;
}

bool CGameScene::Init()
{
    _background = MakePicture(kBackgroundTexture, kScreenRect);
    _background->GetSprite().SetColor(0xFFB0B0B0);
    return true;
}

void CGameScene::Destroy()
{
    DropLevel();
    _background.reset();
}

void CGameScene::Enter()
{
    if (g_User.GetGameState() == ugsCompleted) {
        // The last level of the last episode is behind the player: nothing is left to play.
        GetLog().MessageBold("Game completed.");
        DropLevel();
        SetNextScene("Menu");
        SetTransition(gtGameOver);
        SetResult(srNextScene);
        return;
    }
    CVariableRegistry& vars = GetGlobalVars();
    _level_file = vars.GetString("cur_level_file");
    _level_loaded = true;
    _cross_state = 0;
    _state = gssPlaying;
    GetLog().Message("Game scene: level '%s'%s.", _level_file.c_str(),
                     vars.GetBool("is_last_level") ? " (last level of the episode)" : "");
}

void CGameScene::Frame()
{
    if (_background) _background->Update();
    if (_result == srRunning && (_cross_state == gcsLevelFinish || _cross_state == gcsBonusFinish)) FinishLevel();
    g_SoundQueue.Update();
}

void CGameScene::OnKeyDown(int vk)
{
    if (_result != srRunning) return;
    if (vk == kVkEscape) {
        DropLevel();
        const bool test_mode = GetGlobalVars().GetBool("test_mode");
        SetNextScene("Menu");
        SetTransition(test_mode ? gtQuitTestMode : gtGameLeft);
        SetResult(srNextScene);
    } else if (vk == kVkReturn) {
        StartCrossState(g_User.Game().IsInBonusLevel() ? gcsBonusFinish : gcsLevelFinish);
    }
}

void CGameScene::FinishLevel()
{
    _cross_state = 0;
    _state = gssPlaying;
    DropLevel();
    g_User.SetPlayState(upsNextLevel);
    // The result is kept at once, not only at exit.
    SaveUserProgress();
    SetNextScene("Game");
    SetTransition(gtLevelDone);
    SetResult(srNextScene);
}

void CGameScene::DropLevel()
{
    _level_loaded = false;
}

void CGameScene::FilterHints(CUser& /*user*/)
{
    DropLevel();
    GetHintsManager().FilterSeen({});
}

void CGameScene::RefreshBalls() {}

void CGameScene::StartCrossState(int id)
{
    if (_cross_state != 0 || id == 0) return;
    _cross_state = id;
    _state = gssCrossState;
}

void CGameScene::StartExplosion(const std::string& alias, float x, float y)
{
    if (_explosions) _explosions->Start(alias, x, y);
}

void CGameScene::SyncWithUser(CUser& user)
{
    DropLevel();
    _score = user.GetScore();
    _resources = user.Game().collect;
}
