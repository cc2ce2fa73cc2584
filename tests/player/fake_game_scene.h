// A stand-in for what the game values read of the game screen, its top panel, the city and the
// field: every reading is a field the test sets.
#pragma once

#include "player/player_gamevalues.h"

#include <map>

class CFakeGameScene : public IGameValueSource {
public:
    float shown_score = 0.0f;
    std::map<int, float> shown_resources;
    std::map<int, int> blink;
    int bonus_resource_type = 0;
    int bonus_resource_amount = 0;
    bool all_epochs_complete = false;
    std::map<int, int> upgrades;

    float GetShownScore() const override { return shown_score; }
    float GetShownResource(int type) const override { return Find(shown_resources, type); }
    int GetBlinkState(int type) const override { return Find(blink, type); }
    int GetBonusResourceType() const override { return bonus_resource_type; }
    int GetBonusResourceAmount() const override { return bonus_resource_amount; }
    bool IsAllEpochsComplete() const override { return all_epochs_complete; }
    int GetBonusUpgrade(int credit_type) const override { return Find(upgrades, credit_type); }

private:
    template <class T>
    static T Find(const std::map<int, T>& m, int key)
    {
        auto it = m.find(key);
        return it == m.end() ? T() : it->second;
    }
};
