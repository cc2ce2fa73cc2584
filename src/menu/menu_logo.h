// The logo screen shown at every start before the menu.
#pragma once

#include "engine/core/engine_scene.h"

#include <cstdint>
#include <memory>

class CMenuImage;

// The logo screen ("Logo"): the splash picture for a few seconds; a key or a click skips it.
// Ends with 2 (go on to the menu); the "no_logo" setting skips it at once.
class CLogoScene : public AScene {
public:
    CLogoScene();
    ~CLogoScene() override;

    bool Init() override;
    void Destroy() override;
    void Enter() override;
    void Frame() override;
    void PostFrame() override;
    void OnKeyDown(int vk) override;

    // Milliseconds the logo stays when nothing skips it.
    static constexpr uint32_t kShowTime = 2500;

private:
    std::unique_ptr<CMenuImage> _picture;
    uint32_t _start = 0;
};

std::shared_ptr<CLogoScene> CreateLogoScene();
