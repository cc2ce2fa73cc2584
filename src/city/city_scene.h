// The city between levels ("City"): the constructions of the current epoch.
#pragma once

#include "engine/core/engine_scene.h"
#include "player/player_user.h"

#include <memory>

class CMenuImage;

// The city scene. It ends with 2 and code 1 toward "Game" when play goes on with the next level.
class CCityScene : public AScene {
public:
    CCityScene();
    ~CCityScene() override;

    bool Init() override;
    void Destroy() override;
    void Frame() override;
    void OnKeyDown(int vk) override;

    // Takes the bought flags and upgrade levels of the saved game.
    void LoadCityProgress(const CGameSlot& game);

private:
    std::unique_ptr<CMenuImage> _background;
    CityConstructions _constructions;
};

CCityScene& GetCityScene();
