// The looks of the field's pictures. A base file ("Settings\Bases\Balls.xml" and its four
// siblings) describes, for each graph type, the states a picture can be in and, for each state,
// its sprite layers, its explosion and its sounds.
#pragma once

#include "engine/base/engine_layout.h"

#include <map>
#include <string>
#include <vector>

// States of a graph object, named in the base files by these words.
enum EObjState {
    gosUnknown = -1,
    gosDefault = 0,     // "DEFAULT"
    gosCreate = 1,      // "CREATE"
    gosMove = 2,        // "MOVE"
    gosDead = 3,        // "DEAD"
    gosExplosion = 4,   // "EXPLOSION"
    gosSelect = 5,      // "SELECT"
    gosMouseOver = 6,   // "MOUSE_OVER"
    gosTimeOut = 7,     // "TIME_OUT"
    gosGlow = 8,        // "GLOW"
};

// The state of a name (exact, case-sensitive), -1 for any other word.
int StateFromName(const std::string& name);
// The name of a state, "ERROR STATE" outside 0..8.
const char* StateName(int state);

// One state of one graph type.
struct GraphObjState {
    std::string expl_alias;
    std::vector<GraphicsDesc> layers;
    std::vector<std::string> sounds;
};

struct GraphObjType {
    int graph_type = 0;
    std::map<int, GraphObjState> states;
};

class CGraphObjBase {
public:
    CGraphObjBase() = default;
    // Reads the file; a file that cannot be read or has no root element is logged and leaves the
    // base empty.
    CGraphObjBase(const std::string& file, const std::string& root_path, const std::string& element_name);

    // The type record, or null after logging "<file>: No find object with graph type <n>".
    const GraphObjType* GetType(int graph_type) const;
    bool HasType(int graph_type) const;
    bool HasState(int graph_type, int state) const;
    // The state record, or null after logging what is missing.
    const GraphObjState* GetState(int graph_type, int state) const;
    // The state record, or the logged check "action != NULL" thrown.
    const GraphObjState& RequireState(int graph_type, int state) const;

    const std::string& GetFileName() const { return _file; }
    size_t GetTypeCount() const { return _types.size(); }

private:
    std::string _file;
    std::map<int, GraphObjType> _types;
};

// The five bases of the field.
enum EGraphBase { gbBalls = 0, gbTiles, gbLocks, gbBoxes, gbWalls, gbCount };

// The base, read from its file under "Settings\" on first use.
const CGraphObjBase& GetGraphBase(EGraphBase base);
// Reads all five bases again from the files of the current game folder. Graph objects made from the
// old records must be gone by then.
void ReloadGraphBases();
