// The front end: the logo screen, the main menu and the epoch selector.
#pragma once

#include "engine/core/engine_scene.h"
#include "engine/sound/engine_soundqueue.h"

#include <cstdint>
#include <memory>

class CMenuImage;
class CUser;
class CStaticLabel;

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

CMenuScene& GetMenuScene();
CSelectorScene& GetSelectorScene();
