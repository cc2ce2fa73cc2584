#include "menu/menu_selector.h"

#include "engine/core/engine_input.h"
#include "engine/sound/engine_soundqueue.h"
#include "gui/gui_controls.h"
#include "player/player_user.h"

namespace {

const char* const kBackgroundTexture = "Textures\\Menu\\Background.png";

} // namespace

CSelectorScene::CSelectorScene() : AScene("Selector") {}
CSelectorScene::~CSelectorScene() = default;

CSelectorScene& GetSelectorScene()
{
    static CSelectorScene scene;
    return scene;
}

bool CSelectorScene::Init()
{
    _background = MakePicture(kBackgroundTexture, kScreenRect);
    return true;
}

void CSelectorScene::Destroy()
{
    _background.reset();
}

void CSelectorScene::Frame()
{
    if (_background) _background->Update();
    g_SoundQueue.Update();
}

void CSelectorScene::OnKeyDown(int vk)
{
    if (_result != srRunning) return;
    if (vk == kVkEscape) {
        SetNextScene("Menu");
        SetTransition(0);
        SetResult(srNextScene);
    } else if (vk == kVkReturn) {
        // Play goes on: a game started afresh at its epoch begins there; a game that came from the
        // city goes on with its next level.
        SetNextScene("Game");
        if (g_User.GetGameState() == ugsNew) {
            SetTransition(2);
        } else {
            if (g_User.GetPlayState() != upsNextLevel && g_User.GetPlayState() != upsNextBonus)
                g_User.SetPlayState(upsNextLevel);
            SetTransition(1);
        }
        SetResult(srNextScene);
    }
}
