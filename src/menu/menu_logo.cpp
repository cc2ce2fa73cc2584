#include "menu/menu_logo.h"

#include "engine/base/engine_clock.h"
#include "engine/core/engine_input.h"
#include "engine/sound/engine_soundqueue.h"
#include "gui/gui_controls.h"
#include "settings/main_settings.h"

namespace {

const char* const kSplashTexture = "Textures\\Menu\\Splash.png";

} // namespace

CLogoScene::CLogoScene() : AScene("Logo") {}
CLogoScene::~CLogoScene() = default;

std::shared_ptr<CLogoScene> CreateLogoScene()
{
    return std::make_shared<CLogoScene>();
}

bool CLogoScene::Init()
{
    _picture = MakePicture(kSplashTexture, kScreenRect);
    return true;
}

void CLogoScene::Destroy()
{
    _picture.reset();
}

void CLogoScene::Enter()
{
    _start = zf::ClockNow();
    if (g_Settings.EnsureLoaded().no_logo) {
        SetNextScene("Menu");
        SetResult(srNextScene);
    }
}

void CLogoScene::Frame()
{
    if (_picture) _picture->Update();
    if (_result == srRunning && zf::ClockNow() - _start >= kShowTime) {
        SetNextScene("Menu");
        SetResult(srNextScene);
    }
    g_SoundQueue.Update();
}

void CLogoScene::PostFrame()
{
    if (_result == srRunning && g_Mouse && g_Mouse->IsAnyButtonPressed()) {
        SetNextScene("Menu");
        SetResult(srNextScene);
    }
}

void CLogoScene::OnKeyDown(int /*vk*/)
{
    if (_result != srRunning) return;
    SetNextScene("Menu");
    SetResult(srNextScene);
}
