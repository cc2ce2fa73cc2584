#include "city/city_scene.h"

#include "engine/engine_render.h"
#include "player/player_user.h"

namespace {
const int kVkReturn = 0x0D;
const int kVkEscape = 0x1B;
const char* const kBackgroundTexture = "Textures\\Menu\\Background.png";
} // namespace

void CCity::BuyConstruction(int construct_id)
{
    auto it = _constructions.find(construct_id);
    if (it == _constructions.end())
        _constructions[construct_id] = CityConstruction{true, 0};
    else
        ++it->second.upgrade;
}

int CCityView::GetShownUpgrade(int construct_id) const
{
    auto it = _shown.find(construct_id);
    return it == _shown.end() ? -1 : it->second;
}

CCityScene::CCityScene() : AScene("City") {}
CCityScene::~CCityScene() = default;

CCityScene& GetCityScene()
{
    static CCityScene scene;
    return scene;
}

bool CCityScene::Init()
{
    _background = std::make_unique<CSprite>();
    _background->SetTexture(kBackgroundTexture);
    _background->SetRects(FRect{0.0f, 0.0f, 800.0f, 600.0f}, FRect{0.0f, 0.0f, 800.0f, 600.0f});
    return true;
}

void CCityScene::Destroy()
{
    _background.reset();
}

void CCityScene::Frame()
{
    if (_background) _background->Draw();
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

void CCityScene::LoadCityProgress(const CGameSlot& game)
{
    std::map<int, CityConstruction> constructions;
    for (const auto& [id, entry] : game.city) constructions[id] = CityConstruction{entry.bought, entry.upgrade};
    _city.Load(constructions);
    _view.Clear();
    for (const auto& [id, entry] : constructions)
        if (entry.bought) _view.SetConstructionUpgrade(id, entry.upgrade);
}
