// Helpers of the field tests: a user and a scene that record what the field asks of them, and a
// fixture that runs in the field's fixture folder with its configuration, bases and ball types read
// and the random generator seeded.
#pragma once

#include "engine/text/engine_langtext.h"
#include "field/balls/field_ballsdepot.h"
#include "field/config/field_config.h"
#include "field/field_levelrecord.h"
#include "field/field_services.h"
#include "field/graph/field_graphbase.h"

#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace fieldtest {

inline const std::string kFixtureDir = std::string(ZF_TEST_DATA_DIR) + "/field";

class RecordingUser : public IFieldUser {
public:
    std::map<int, int> grades;
    std::set<int> available_resources;
    std::set<int> available_credits;
    std::vector<int> loaded_credits;

    int GetCreditGrade(int credit_type) const override
    {
        const auto it = grades.find(credit_type);
        return it == grades.end() ? 0 : it->second;
    }
    void SetCreditAvailable(int credit_type, bool available) override
    {
        if (available) available_credits.insert(credit_type);
    }
    void SetResourceAvailable(int resource_type, bool available) override
    {
        if (available) available_resources.insert(resource_type);
    }
    void LoadCredit(const CXMLNode& bonus) override
    {
        loaded_credits.push_back(bonus.SelectSingleNode("ResCredit").GetIntAttribute("type"));
    }

    // What the play credits and asks.
    std::vector<int> upgradable;
    int score = 0;
    std::map<int, int> resources;
    std::map<int, int> bonus_credits;
    bool first_chain_done = false;
    std::vector<ChainStats> chains;
    std::vector<int> hints;

    void ListUpgradableBonuses(std::vector<int>& credit_types) const override { credit_types = upgradable; }
    void AddScore(int points) override { score += points; }
    void AddResource(int resource_type, int amount) override { resources[resource_type] += amount; }
    void AddBonusCredit(int credit_type, int amount) override { bonus_credits[credit_type] += amount; }
    // Consuming takes the grade; returning gives the unused grades back to it.
    int ConsumeCredit(int credit_type) override
    {
        const int grade = GetCreditGrade(credit_type);
        grades[credit_type] = 0;
        return grade;
    }
    void ReturnCredit(int credit_type, int returned) override { grades[credit_type] += returned; }
    void SetFirstChainDone() override { first_chain_done = true; }
    void AddChain(const ChainStats& chain) override { chains.push_back(chain); }
    void RequestHint(int hint) override { hints.push_back(hint); }

    // The current game as the level's start and end see it.
    int level_number = 0;
    int bonus_level_number = 0;
    bool has_saved[2] = {false, false};   // by bonus-level flag
    FieldSaveRecord* saved = nullptr;      // the record handed out (null: an empty one)
    int GetLevelNumber() const override { return level_number; }
    int GetBonusLevelNumber() const override { return bonus_level_number; }
    bool GetSavedLevel(bool bonus_level, FieldSaveRecord& record) const override
    {
        if (!has_saved[bonus_level ? 1 : 0] || !saved || !saved->exists) return false;
        record = *saved;
        return true;
    }
    int GetResourceAmount(int resource_type) const override
    {
        const auto it = resources.find(resource_type);
        return it == resources.end() ? 0 : it->second;
    }
    bool HasResource(int resource_type) const override { return available_resources.count(resource_type) > 0; }
    bool IsFirstChainDone() const override { return first_chain_done; }
};

class RecordingScene : public IFieldScene {
public:
    struct Explosion {
        std::string alias;
        float x, y;
    };
    std::vector<Explosion> explosions;

    void StartExplosion(const std::string& alias, float x, float y) override { explosions.push_back({alias, x, y}); }

    int state = kPlaying;
    int cross_state = 0;
    std::vector<int> cross_states_asked;
    std::vector<int> music_volumes;
    std::vector<int> bonus_resources_shown;
    int bonus_level_ends = 0;
    std::map<int, std::pair<float, float>> bonus_slots;
    int GetState() const override { return state; }
    int GetCrossState() const override { return cross_state; }
    void StartCrossState(int id) override { cross_states_asked.push_back(id); }
    void SetMusicVolume(int percent) override { music_volumes.push_back(percent); }
    void ShowBonusResource(int resource_type) override { bonus_resources_shown.push_back(resource_type); }
    void OnBonusLevelEnd() override { ++bonus_level_ends; }
    bool GetBonusSlotPosition(int credit_type, float& x, float& y) const override
    {
        const auto it = bonus_slots.find(credit_type);
        if (it == bonus_slots.end()) return false;
        x = it->second.first;
        y = it->second.second;
        return true;
    }
    std::vector<std::string> Aliases() const
    {
        std::vector<std::string> out;
        for (const auto& e : explosions) out.push_back(e.alias);
        return out;
    }
};

// A document parsed from text.
inline CXMLFile ParseXml(const std::string& text)
{
    CXMLFile file;
    file.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    return file;
}

// The field's settings read from the current folder (game configuration, graph bases, ball types)
// with the user and the scene installed; the first language selected for the popups' labels and font.
inline void SetUpField(IFieldUser* user, IFieldScene* scene)
{
    g_GameCfg = CGameCfg();
    g_GameCfg.Load();
    g_LevelCfg = CLevelCfg();
    ReloadGraphBases();
    GetBallsDepot();   // the first use reads the file before the user is installed
    SetFieldUser(user);
    SetFieldScene(scene);
    GetBallsDepot().Load();
    CTextKeeper::Instance().SelectLanguage(0);
}

// Runs in the fixture folder with its GameCFG.xml, bases and Balls.xml; the user and scene are
// installed for the test's length.
class FieldFixture : public ::testing::Test {
protected:
    FieldFixture() : _dir(kFixtureDir)
    {
        SetUpField(&user, &scene);
        RandomSeed(1234);
    }
    ~FieldFixture() override
    {
        SetFieldUser(nullptr);
        SetFieldScene(nullptr);
        g_GameCfg = CGameCfg();
        g_LevelCfg = CLevelCfg();
    }

    // The level root of a level file of the fixture folder, with the level configuration read.
    CXMLNode OpenLevel(const std::string& path)
    {
        _level = CXMLFile(path);
        CXMLNode root = _level.SelectSingleNode("Level");
        g_LevelCfg.Load(root);
        return root;
    }
    // The same from text.
    CXMLNode LevelFromText(const std::string& text)
    {
        _level = ParseXml(text);
        CXMLNode root = _level.SelectSingleNode("Level");
        g_LevelCfg.Load(root);
        return root;
    }

    zftest::ScopedChdir _dir;
    CXMLFile _level;
    RecordingUser user;
    RecordingScene scene;
};

} // namespace fieldtest
