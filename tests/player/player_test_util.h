// Helpers of the player tests: a game configuration, a title ladder with fake label texts, the
// program's player globals put back to their start, XML from text and the scrambler on strings.
#pragma once

#include "engine/base/engine_filesys.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "player/player_gamevalues.h"
#include "player/player_hiscores.h"
#include "player/player_prices.h"
#include "player/player_profiles.h"
#include "player/player_resources.h"
#include "player/player_user.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace player_test {

using zftest::LogWatch;
using zftest::ReadTextFile;
using zftest::TempDir;
using zftest::WriteText;

inline std::string Scrambled(std::string text)
{
    ScrambleBytes(reinterpret_cast<uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
    return text;
}

inline CXMLFile XmlOf(const std::string& text)
{
    CXMLFile file;
    file.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    return file;
}

// A game value that only takes what it is given.
class AGameValueProbe : public AGameValue {
public:
    AGameValueProbe() : AGameValue("probe") {}
    void Update() override {}
};

// Loads a promotions table from text; titles read as "<alias>!".
inline void LoadPromotions(const std::string& xml)
{
    TempDir dir;
    WriteText(dir / "Promotions.xml", xml);
    GetPromotions().Load(dir / "Promotions.xml");
    GetPromotions().SetLabelSource([](const std::string& alias) { return alias + "!"; });
}

// A ladder of three titles: "T0" from 0, "T1" from 1000, "T2" from 5000.
inline const char* kThreeTitles =
    "<Promotions><Promotion title_alias=\"T0\" score=\"0\" prize_amount=\"10\" help_limit_02=\"1\"/>"
    "<Promotion title_alias=\"T1\" score=\"1000\" prize_amount=\"20\" help_limit_02=\"2\" help_default_page_02=\"1\"/>"
    "<Promotion title_alias=\"T2\" score=\"5000\" prize_amount=\"30\" help_limit_02=\"3\" help_default_page_02=\"2\"/>"
    "</Promotions>";

// The eight bonus credits with the default thresholds.
inline void LoadDefaultCredits()
{
    GetResCredits().Clear();
    for (int type = 10; type <= 17; ++type) {
        CXMLFile file = XmlOf("<Bonus><ResCredit type=\"" + std::to_string(type) + "\"/></Bonus>");
        GetResCredits().LoadCredit(file.SelectSingleNode("//Bonus"));
    }
}

// Every player global back to its start, with a configuration of 3 lives and 20000 points per life,
// the three-title ladder, the eight credits, and profiles and hiscores in a folder of the test.
class PlayerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        cfg.Register("start_lives", 3);
        cfg.Register("score_for_life", 20000);
        SetUserGameConfig(&cfg);
        LoadPromotions(kThreeTitles);
        LoadDefaultCredits();
        GetResources().Assign({});
        g_User = CUser();
        g_Profiles.Load(dir / "Profiles.xml");
        g_Hiscores.Load(dir / "Hiscores.xml");
    }
    void TearDown() override
    {
        SetUserGameConfig(nullptr);
        g_User = CUser();
        GetResources().Assign({});
        GetResCredits().Clear();
        GetPromotions() = CPromotions();
    }

    TempDir dir;
    CVariableRegistry cfg;
};

} // namespace player_test
