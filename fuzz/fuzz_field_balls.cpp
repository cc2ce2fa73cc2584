// "Balls.xml": the ball types read from any bytes, the level's choice of types for a few level
// configurations, and every lookup and switch on every graph type the file names.
#include "field/balls/field_ballsdepot.h"
#include "field/config/field_config.h"
#include "fuzz_common.h"

#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"

#include <cstdlib>
#include <set>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zf_fuzz::Setup();
    CXMLFile xml;
    try {
        xml.LoadXml(std::vector<uint8_t>(data, data + size));
    } catch (const std::runtime_error&) {
        return 0;
    }
    BallsDepot depot;
    depot.Load(xml);

    std::set<int> graph_types;
    for (int list = 0; list < BallsDepot::blCount; ++list)
        for (const BallType& t : depot.GetList(list))
            for (int g : t.grade_graph_types) graph_types.insert(g);
    for (int g : graph_types) {
        if (!depot.Find(g)) std::abort();
        BallTypeEntry entry;
        if (!depot.GetEntry(g, entry) || entry.graph_type != g) std::abort();
        (void)depot.GetCreditType(g);
        (void)depot.CurrentGradeGraphType(g);
        (void)depot.GetExplosionWhenChange(g);
        (void)depot.FindByCreditType(depot.GetCreditType(g));
        depot.AddWeight(g);
    }
    RandomSeed(3);
    for (const char* config : {R"(allow_ball_types="5" allow_bonus_types="1")", R"(allow_ball_types="1" allow_bonus_types="0")",
                               R"(allow_ball_types="40" allow_bonus_types="20")", R"(allow_ball_types="0")"}) {
        CXMLFile level;
        const std::string text = std::string(R"(<Level><Config field_width="2" field_height="2" )") + config + "/></Level>";
        level.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
        g_LevelCfg.Load(level.SelectSingleNode("Level"));
        for (bool bonus_level : {false, true}) {
            std::vector<BallTypeEntryPtr> types;
            try {
                depot.SelectForLevel(types, bonus_level);
            } catch (const std::runtime_error&) {
                continue;
            }
            // Every chosen type is one of the file's.
            for (const auto& t : types)
                if (!t || !depot.Find(t->graph_type)) std::abort();
        }
    }
    for (int g : graph_types) {
        depot.SetAvailable(g, true);
        depot.SetEnabled(g, false);
        depot.SetAmount(g, 3);
    }
    depot.ResetAvailable();
    depot.ResetCreditAmounts();
    return 0;
}
