// The city between levels ("City"): the constructions of the current epoch.
#pragma once

#include "engine/core/engine_scene.h"
#include "player/player_user.h"

#include <map>
#include <memory>

class CMenuImage;

// The constructions of the city and their upgrade levels.
class CCity {
public:
    // Marks the construction bought, or one upgrade higher when it is bought already.
    void BuyConstruction(int construct_id) { BuyConstructionIn(_constructions, construct_id); }
    void Load(const CityConstructions& constructions) { _constructions = constructions; }
    const CityConstructions& GetConstructions() const { return _constructions; }

private:
    CityConstructions _constructions;
};

// What the city shows of each construction.
class CCityView {
public:
    void SetConstructionUpgrade(int construct_id, int upgrade) { _shown[construct_id] = upgrade; }
    // The upgrade shown, -1 when the construction is not shown.
    int GetShownUpgrade(int construct_id) const;
    void Clear() { _shown.clear(); }

private:
    std::map<int, int> _shown;
};

// The city scene. It ends with 2 and code 1 toward "Game" when play goes on with the next level.
class CCityScene : public AScene {
public:
    CCityScene();
    ~CCityScene() override;

    bool Init() override;
    void Destroy() override;
    void Frame() override;
    void OnKeyDown(int vk) override;

    // Takes the bought flags and upgrade levels of the saved game and rebuilds the view.
    void LoadCityProgress(const CGameSlot& game);

    CCity& GetCity() { return _city; }
    CCityView& GetView() { return _view; }

private:
    std::unique_ptr<CMenuImage> _background;
    CCity _city;
    CCityView _view;
};

CCityScene& GetCityScene();
