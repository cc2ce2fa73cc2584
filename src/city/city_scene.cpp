#include "city/city_scene.h"

#include "engine/render/engine_render.h"
#include "engine/sound/engine_soundqueue.h"
#include "gui/gui_controls.h"
#include "player/player_user.h"

namespace {
const char* const kBackgroundTexture = "Textures\\Menu\\Background.png";
} // namespace

CCityScene::CCityScene() : AScene("City") {}
CCityScene::~CCityScene() = default;

CCityScene& GetCityScene()
{
    static CCityScene scene;
    return scene;
}

bool CCityScene::Init()
{
    _background = MakePicture(kBackgroundTexture, kScreenRect);
    return true;
}

void CCityScene::Destroy()
{
    _background.reset();
}

void CCityScene::Frame()
{
    if (_background) _background->Update();
    g_SoundQueue.Update();
}

void CCityScene::OnKeyDown(int vk)
{
    if (_result != srRunning || (vk != kVkEscape && vk != kVkReturn)) return;
    // Leaving the city: play goes on with the next level.
    if (g_User.GetPlayState() != upsNextBonus) g_User.SetPlayState(upsNextLevel);
    SetNextScene("Game");
    SetTransition(1);
    SetResult(srNextScene);
}

void CCityScene::LoadCityProgress(const CGameSlot& game) { _constructions = game.city; }
