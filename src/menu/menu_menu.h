// The main menu.
#pragma once

#include "engine/core/engine_scene.h"
#include "engine/sound/engine_soundqueue.h"

#include <cstdint>
#include <memory>

class CMenuImage;
class CUser;
class CStaticLabel;

// The main menu ("Menu"): the background, the title and the version, and the menu music. Escape
// quits (3); Enter starts a new game (2 with code 1 toward "Game").
class CMenuScene : public AScene {
public:
    CMenuScene();
    ~CMenuScene() override;

    bool Init() override;
    void Destroy() override;
    void Enter() override;
    void Leave() override;
    void Frame() override;
    void OnKeyDown(int vk) override;

    // Refreshes what the menu shows of the user.
    void ShowUser(CUser& user);

private:
    std::unique_ptr<CMenuImage> _background;
    std::unique_ptr<CMenuImage> _title;
    std::unique_ptr<CStaticLabel> _version;
    MusicTrack _music;
};

CMenuScene& GetMenuScene();
