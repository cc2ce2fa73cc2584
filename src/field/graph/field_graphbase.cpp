#include "field/graph/field_graphbase.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <array>
#include <exception>
#include <memory>

namespace {

const char* const kStateNames[] = {"DEFAULT", "CREATE", "MOVE", "DEAD", "EXPLOSION",
                                   "SELECT", "MOUSE_OVER", "TIME_OUT", "GLOW"};
constexpr int kStateCount = int(sizeof(kStateNames) / sizeof(kStateNames[0]));

const char* const kBaseFiles[gbCount] = {"Settings\\Bases\\Balls.xml", "Settings\\Bases\\Tiles.xml",
                                         "Settings\\Bases\\Locks.xml", "Settings\\Bases\\Boxes.xml",
                                         "Settings\\Bases\\Walls.xml"};

std::array<std::unique_ptr<CGraphObjBase>, gbCount>& Bases()
{
    static std::array<std::unique_ptr<CGraphObjBase>, gbCount> bases;
    return bases;
}

std::unique_ptr<CGraphObjBase> ReadBase(int base)
{
    return std::make_unique<CGraphObjBase>(kBaseFiles[base], "Base", "GraphObj");
}

} // namespace

int StateFromName(const std::string& name)
{
    for (int i = 0; i < kStateCount; ++i)
        if (name == kStateNames[i]) return i;
    return gosUnknown;
}

const char* StateName(int state)
{
    return state >= 0 && state < kStateCount ? kStateNames[state] : "ERROR STATE";
}

CGraphObjBase::CGraphObjBase(const std::string& file, const std::string& root_path, const std::string& element_name)
    : _file(file)
{
    CXMLNode root;
    try {
        CXMLFile xml(file);
        root = xml.SelectSingleNode(root_path);
    } catch (const std::exception& e) {
        GetLog().Error("Error: graph base %s not read: %s", file.c_str(), e.what());
        return;
    }
    if (!root.IsValid()) {
        GetLog().Error("Error: graph base %s has no element %s.", file.c_str(), root_path.c_str());
        return;
    }
    const CXMLNodeList objects = root.SelectNodes(element_name);
    for (int i = 0; i < objects.GetLength(); ++i) {
        const CXMLNode object = objects.GetItem(i);
        GraphObjType type;
        type.graph_type = object.GetIntAttribute("graph_type", 0);
        const CXMLNodeList states = object.SelectNodes("State");
        for (int s = 0; s < states.GetLength(); ++s) {
            const CXMLNode node = states.GetItem(s);
            GraphObjState state;
            state.expl_alias = node.GetAttribute("expl_alias");
            const CXMLNodeList layers = node.SelectNodes("Layer");
            for (int l = 0; l < layers.GetLength(); ++l) {
                GraphicsDesc desc;
                ReadGraphics(layers.GetItem(l), desc);
                state.layers.push_back(desc);
            }
            const CXMLNodeList sounds = node.SelectNodes("sound");
            for (int n = 0; n < sounds.GetLength(); ++n) state.sounds.push_back(sounds.GetItem(n).GetAttribute("file"));
            const std::string name = node.GetAttribute("name");
            const int id = StateFromName(name);
            if (id == gosUnknown) {
                GetLog().Warning("Warning: %s: unknown state name '%s' in object graph type %d, state dropped.",
                                 file.c_str(), name.c_str(), type.graph_type);
                continue;
            }
            type.states[id] = std::move(state);
        }
        _types[type.graph_type] = std::move(type);
    }
}

const GraphObjType* CGraphObjBase::GetType(int graph_type) const
{
    const auto it = _types.find(graph_type);
    if (it == _types.end()) {
        GetLog().Error("%s: No find object with graph type %d", _file.c_str(), graph_type);
        return nullptr;
    }
    return &it->second;
}

bool CGraphObjBase::HasType(int graph_type) const
{
    return _types.count(graph_type) != 0;
}

bool CGraphObjBase::HasState(int graph_type, int state) const
{
    const auto it = _types.find(graph_type);
    return it != _types.end() && it->second.states.count(state) != 0;
}

const GraphObjState* CGraphObjBase::GetState(int graph_type, int state) const
{
    const GraphObjType* type = GetType(graph_type);
    const auto it = type ? type->states.find(state) : std::map<int, GraphObjState>::const_iterator();
    if (!type || it == type->states.end()) {
        GetLog().Error("%s: No find state type %s in object graph type %d ", _file.c_str(), StateName(state), graph_type);
        return nullptr;
    }
    return &it->second;
}

const GraphObjState& CGraphObjBase::RequireState(int graph_type, int state) const
{
    const GraphObjState* action = GetState(graph_type, state);
    VERIFY(action != NULL);
    return *action;
}

const CGraphObjBase& GetGraphBase(EGraphBase base)
{
    auto& bases = Bases();
    const int i = (base >= 0 && base < gbCount) ? int(base) : int(gbBalls);
    if (!bases[i]) bases[i] = ReadBase(i);
    return *bases[i];
}

void ReloadGraphBases()
{
    for (int i = 0; i < gbCount; ++i) Bases()[i] = ReadBase(i);
}
