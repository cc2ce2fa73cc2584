// The tile layers under the balls: a stack of picture tiles per cell, bottom (the ground) first.
// A hit plays the top tile's death and the tile below appears on the next update; the last few
// tiles of the field glow; now and then a shine wave runs diagonally across the field.
#pragma once

#include "field/graph/field_graphobj.h"

#include <memory>
#include <vector>

class CXMLNode;
class CTilesField;
struct LevelFieldInfo;

struct TileLayer {
    std::shared_ptr<CGraphObj> obj;   // present only while this layer is the shown one
    int tile = 0;                     // graph type in the tiles base; 0: no picture
    float rotate = 0.0f;
};

class TileCell {
public:
    // Shows the layer in the state (the last layer for an index past the end).
    void ShowLayer(size_t index, int state);

    CTilesField* _owner = nullptr;
    int index = -1;
    float x = 0.0f, y = 0.0f;
    std::vector<TileLayer> _tiles;
    size_t current = 0;
    bool has_view = false;
    int left = 0;            // removable layers left (those above the ground)
    int pending_hits = 0;    // hits received and not yet peeled
    int tile_state = -1;     // graph state of the shown tile, -1 without view
};

// The shown layer of each cell that has more than one, as a saved game keeps it.
struct TilesFieldRecord {
    struct Cell {
        int x = 0, y = 0;
        int current = 0;
    };
    std::vector<Cell> cells;
};

class CTilesField {
public:
    enum ESlot { wsIdle = 0, wsWaiting = 1, wsDue = 2, wsDone = 3 };

    CTilesField();

    // Reads the tile stacks of the level's "Field" cells; fills n_puzzles and was_double_puzzles.
    // A layer that repeats the ground's tile, or a layer without picture above the ground, stops
    // the load with "Found invalid puzzle layer in cell." (logged).
    void LoadLevel(const CXMLNode& level_root, LevelFieldInfo& info);
    // One hit on the cell's stack; true when it counted.
    bool HitCell(int cell);
    void Update();
    void Render();
    void FinishEffects();
    void SetWavesPaused(bool paused) { _waves_paused = paused; }
    void SetTileState(int cell, int state);

    bool HasView(int cell) const;
    int GetLeft(int cell) const;
    bool HasLayersLeft(int cell) const { return GetLeft(cell) > 0; }
    int GetTileState(int cell) const;
    int GetTotalLeft() const { return _total_left; }
    std::shared_ptr<CGraphObj> GetCellObjects(int cell) const;
    const TileCell* GetCell(int cell) const;

    void Save(TilesFieldRecord& record) const;
    void Restore(const TilesFieldRecord& record);

    // The wave timer (updates until the next wave) and whether a wave runs now.
    int GetWaveCountdown() const { return _wave_countdown; }
    bool IsWaveRunning() const { return _wave_running && _wave_countdown == 0; }
    int GetWaveSlotState(int cell) const;
    const std::shared_ptr<CRenderKeeper>& GetKeeper() const { return _render_manager; }

private:
    void ReadStacks(const CXMLNode& level_root, LevelFieldInfo& info);
    void UpdateWaves();
    void ScheduleWave();
    void StartWave();
    void Prepare();
    void ShowTopLayers();
    void Recount();

    std::vector<TileCell> _cells;
    std::shared_ptr<CRenderKeeper> _render_manager;
    int _wave_countdown = 0;
    bool _wave_running = false;
    bool _wave_hold = false;
    bool _wave_started = false;
    struct Slot {
        int countdown = 0;
        int state = wsIdle;
    };
    std::vector<Slot> _slots;
    bool _waves_paused = false;
    int _total_left = 0;

    friend class TileCell;
};
