// The catalogue of construction types ("Settings\Bases\Constructions.xml"): for every construction
// id the ball type it brings into play when it is built, and one description per upgrade level (the
// shop's icon, the city view's pictures, effects and movements, an origin offset, resources, groups
// of layers and a help page).
#pragma once

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_layout.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CXMLNode;

// One picture or effect of a construction's level.
struct ConstructionLayer {
    int32_t id = 0;
    int32_t type = 0;   // the part kind the city view gives it
    float offset_x = 0.0f;
    float offset_y = 0.0f;
    GraphicsDesc graphics;
    std::string particle_alias;   // empty: no particle effect
    bool has_move = false;
    bool back_after_end = false;
    std::string curve_file;
};

// A group of layers.
struct ConstructionLayout {
    int32_t group_id = 0;
    bool base = false;
    int32_t probability = 0;
    int32_t min_cycles = 0;
    int32_t max_cycles = 0;
    std::map<int32_t, int32_t> members;   // index in the level's layers -> layer id
};

// One upgrade level of a construction (level 0 is the first purchase).
struct ConstructionUpgrade {
    float offset_x = 0.0f;
    float offset_y = 0.0f;
    std::vector<std::pair<int32_t, int32_t>> resources;   // (resource type, amount)
    GraphicsDesc icon;
    std::vector<ConstructionLayer> layers;
    bool has_layouts = false;
    std::vector<ConstructionLayout> layouts;
    std::vector<int32_t> group_ids;   // distinct, in order of first appearance
    int32_t start_group = 0;
    int32_t help_page = 0;   // 0: no help page
};

struct ConstructionInfo {
    bool brings_ball = false;
    int32_t ball_graph_type = -1;
    bool ball_available = false;
    std::vector<ConstructionUpgrade> levels;

    int GetLevelCount() const { return static_cast<int>(levels.size()); }
};

class CConstructDepot : private siv::noncopyable {
public:
    static constexpr const char* kFile = "Settings\\Bases\\Constructions.xml";

    // Adds the file's constructions to the catalogue. A file that cannot be read is logged and adds
    // nothing.
    void Load();
    void Load(const std::string& path);
    void Clear() { _constructions.clear(); }

    // Copies the entry; false, with the out value untouched, for an id not in the catalogue.
    bool GetConstruction(int32_t id, ConstructionInfo& info) const;
    // Copies one level. An id not in the catalogue or a level not below its count logs
    // "Can't get construction upgrade data (id %d, upgrade %d)" and throws.
    void GetUpgradeData(int32_t id, int32_t upgrade, ConstructionUpgrade& data) const;
    // The entry, or null.
    const ConstructionInfo* Find(int32_t id) const;
    // Levels of the id; 0 for an id not in the catalogue.
    int GetLevelCount(int32_t id) const;
    const std::map<int32_t, ConstructionInfo>& GetAll() const { return _constructions; }

private:
    std::map<int32_t, ConstructionInfo> _constructions;
};

CConstructDepot& GetConstructDepot();

// One construction the shop offers: the catalogue's description at the offered level, and whether
// it is bought or can be paid now.
enum EShopItemState { sisBought = 0, sisAffordable = 1, sisTooExpensive = 2 };

struct ShopItem {
    ConstructionUpgrade description;
    int32_t construct_id = 0;
    int32_t level = 0;          // the level offered (0: the first purchase)
    bool bought = false;
    int32_t state = sisBought;  // EShopItemState
    std::string button_id;      // the shop panel's visible buy button for it
};
