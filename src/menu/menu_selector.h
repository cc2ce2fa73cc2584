// The epoch selector between the menu, the city and the game.
#pragma once

#include "engine/core/engine_scene.h"

#include <memory>

class CMenuImage;

// The epoch selector ("Selector"): goes on with the next level (2 with code 1 toward "Game").
class CSelectorScene : public AScene {
public:
    CSelectorScene();
    ~CSelectorScene() override;

    bool Init() override;
    void Destroy() override;
    void Frame() override;
    void OnKeyDown(int vk) override;

private:
    std::unique_ptr<CMenuImage> _background;
};

CSelectorScene& GetSelectorScene();
