// The game field's view of the current player: the field asks for credit grades, credits resources
// and bonus credits, reads the level numbers and the saved level of the current game, and the
// citizens reward the player through it. Everything goes to g_User and the program's resource and
// credit tables (which mirror into g_User's game).
#pragma once

#include "field/field_services.h"

class CGameUserBridge : public IFieldUser, public IFieldRewards {
public:
    // IFieldUser
    int GetCreditGrade(int credit_type) const override;
    void SetCreditAvailable(int credit_type, bool available) override;
    void SetResourceAvailable(int resource_type, bool available) override;
    void LoadCredit(const CXMLNode& bonus) override;
    void ListUpgradableBonuses(std::vector<int>& credit_types) const override;
    void AddScore(int points) override;
    void AddResource(int resource_type, int amount) override;
    void AddBonusCredit(int credit_type, int amount) override;
    int ConsumeCredit(int credit_type) override;
    void ReturnCredit(int credit_type, int grades) override;
    void SetFirstChainDone() override;
    // The level's own record counts the chain; the player keeps no figures per chain.
    void AddChain(const ChainStats&) override {}
    void RequestHint(int hint) override;
    int GetLevelNumber() const override;
    int GetBonusLevelNumber() const override;
    bool GetSavedLevel(bool bonus_level, FieldSaveRecord& record) const override;
    int GetResourceAmount(int resource_type) const override;
    bool HasResource(int resource_type) const override;
    bool IsFirstChainDone() const override;

    // IFieldRewards (a construction granted is bought in the player's city; the city scene reads
    // it from the game when it opens)
    void AddCredit(int credit_type, int amount) override { AddBonusCredit(credit_type, amount); }
    void GrantConstruction(int construct_id) override;
    void RefreshBalls() override;

    // Installs this bridge as the field's user and rewards (null-safe to call twice).
    void Install();
    void Uninstall();
};
