#include "city/city_depot.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <exception>
#include <stdexcept>

namespace {

ConstructionLayer ReadLayer(const CXMLNode& node)
{
    ConstructionLayer layer;
    // Ids and kinds are written as numbers that may carry a fraction; the fraction is dropped.
    layer.id = static_cast<int32_t>(node.GetFloatAttribute("id", 0.0f));
    layer.type = static_cast<int32_t>(node.GetFloatAttribute("type", 0.0f));
    layer.offset_x = node.GetFloatAttribute("offset_x", 0.0f);
    layer.offset_y = node.GetFloatAttribute("offset_y", 0.0f);
    ReadGraphics(node, layer.graphics);
    const CXMLNode pyro = node.SelectSingleNode("Pyro");
    if (pyro.IsValid()) layer.particle_alias = pyro.GetAttribute("alias");
    const CXMLNode move = node.SelectSingleNode("move");
    if (move.IsValid()) {
        layer.curve_file = move.GetAttribute("curve_file");
        if (!layer.curve_file.empty()) {
            layer.has_move = true;
            layer.back_after_end = move.GetBoolAttribute("back_after_end", false);
        }
    }
    return layer;
}

void ReadLayouts(const CXMLNode& layouts, ConstructionUpgrade& level)
{
    std::map<int32_t, int32_t> index_of;   // layer id -> index; a repeated id keeps the later index
    for (size_t i = 0; i < level.layers.size(); ++i) index_of[level.layers[i].id] = static_cast<int32_t>(i);
    const CXMLNodeList list = layouts.SelectNodes("Layout");
    for (int i = 0; i < list.GetLength(); ++i) {
        const CXMLNode node = list.GetItem(i);
        ConstructionLayout layout;
        layout.group_id = node.GetIntAttribute("group_id", 0);
        layout.base = node.GetBoolAttribute("base", false);
        layout.probability = node.GetIntAttribute("probability", 0);
        layout.min_cycles = node.GetIntAttribute("min_cycles", 0);
        layout.max_cycles = node.GetIntAttribute("max_cycles", 0);
        const CXMLNodeList members = node.SelectNodes("layer");
        for (int k = 0; k < members.GetLength(); ++k) {
            const int32_t id = members.GetItem(k).GetIntAttribute("id", 0);
            // An id that no layer has stands at index 0.
            layout.members[index_of[id]] = id;
        }
        bool known = false;
        for (int32_t g : level.group_ids) known = known || g == layout.group_id;
        if (!known) level.group_ids.push_back(layout.group_id);
        level.layouts.push_back(std::move(layout));
    }
    level.has_layouts = !level.layouts.empty();
    level.start_group = layouts.GetIntAttribute("start_group_id", 0);
}

ConstructionUpgrade ReadUpgrade(const CXMLNode& node)
{
    ConstructionUpgrade level;
    level.offset_x = node.GetFloatAttribute("offset_x", 0.0f);
    level.offset_y = node.GetFloatAttribute("offset_y", 0.0f);
    const CXMLNodeList resources = node.SelectNodes("Resource");
    for (int i = 0; i < resources.GetLength(); ++i) {
        const CXMLNode r = resources.GetItem(i);
        level.resources.emplace_back(r.GetIntAttribute("type", 0), r.GetIntAttribute("amount", 0));
    }
    const CXMLNode icon = node.SelectSingleNode("Ico");
    if (icon.IsValid()) ReadGraphics(icon, level.icon);
    const CXMLNodeList layers = node.SelectNodes("Layer");
    for (int i = 0; i < layers.GetLength(); ++i) level.layers.push_back(ReadLayer(layers.GetItem(i)));
    const CXMLNode layouts = node.SelectSingleNode("Layouts");
    if (layouts.IsValid()) ReadLayouts(layouts, level);
    const CXMLNode description = node.SelectSingleNode("Description");
    if (description.IsValid()) level.help_page = description.GetIntAttribute("page", 0);
    return level;
}

} // namespace

CConstructDepot& GetConstructDepot()
{
    static CConstructDepot depot;
    return depot;
}

void CConstructDepot::Load() { Load(kFile); }

void CConstructDepot::Load(const std::string& path)
{
    try {
        const CXMLFile file(path);
        const CXMLNodeList list = file.SelectNodes("//Constructions/Construction");
        for (int i = 0; i < list.GetLength(); ++i) {
            const CXMLNode node = list.GetItem(i);
            const int32_t type = node.GetIntAttribute("type", 0);
            std::vector<ConstructionUpgrade> levels;
            const CXMLNodeList updates = node.SelectNodes("Update");
            for (int k = 0; k < updates.GetLength(); ++k) levels.push_back(ReadUpgrade(updates.GetItem(k)));
            // A construction without a type is read but kept nowhere.
            if (type == 0) continue;
            ConstructionInfo& info = _constructions[type];
            const CXMLNode ball = node.SelectSingleNode("Ball");
            if (ball.IsValid()) {
                info.brings_ball = true;
                info.ball_graph_type = ball.GetIntAttribute("graph_type", 0);
                info.ball_available = ball.GetBoolAttribute("available", false);
            } else {
                info.brings_ball = false;
            }
            for (ConstructionUpgrade& level : levels) info.levels.push_back(std::move(level));
        }
    } catch (const std::exception& e) {
        GetLog().Error("Error: the constructions of '%s' cannot be read (%s).", path.c_str(), e.what());
    }
}

const ConstructionInfo* CConstructDepot::Find(int32_t id) const
{
    const auto it = _constructions.find(id);
    return it == _constructions.end() ? nullptr : &it->second;
}

bool CConstructDepot::GetConstruction(int32_t id, ConstructionInfo& info) const
{
    const ConstructionInfo* found = Find(id);
    if (!found) return false;
    info = *found;
    return true;
}

int CConstructDepot::GetLevelCount(int32_t id) const
{
    const ConstructionInfo* found = Find(id);
    return found ? found->GetLevelCount() : 0;
}

void CConstructDepot::GetUpgradeData(int32_t id, int32_t upgrade, ConstructionUpgrade& data) const
{
    const ConstructionInfo* found = Find(id);
    if (!found || upgrade < 0 || upgrade >= found->GetLevelCount()) {
        GetLog().Error("Can't get construction upgrade data (id %d, upgrade %d) (%s:%d)", id, upgrade, __FILE__, __LINE__);
        throw std::runtime_error("Can't get construction upgrade data");
    }
    data = found->levels[static_cast<size_t>(upgrade)];
}
