// The game configuration ("Settings\GameCFG.xml": sizes, speeds, lives, chain and multiball
// thresholds, tile waves) and the current level's configuration (field size and position, the
// odds of new balls), both stores of named values with typed defaults, and the cell geometry of
// the field built on them.
#pragma once

#include "engine/base/engine_registry.h"

#include <string>
#include <vector>

class CXMLNode;

class CGameCfg {
public:
    // Registers every key with its default.
    CGameCfg();

    // Reads "Settings\GameCFG.xml". A file that cannot be read, or one without a "GameCFG"
    // element, fails the check "config_node.IsValid()" (logged, thrown).
    void Load();
    // Reads the keys from the element's attributes (missing ones keep their values) and caches.
    void LoadFrom(const CXMLNode& node);

    // The store, read by name; an unregistered name or another type throws.
    const CVariableRegistry& GetStore() const { return _store; }
    int GetInt(const std::string& name) const { return _store.GetInt(name); }
    float GetFloat(const std::string& name) const { return _store.GetFloat(name); }
    std::string GetString(const std::string& name) const { return _store.GetString(name); }

    float GetCellW() const { return _cell_w; }
    float GetCellH() const { return _cell_h; }
    float GetBallW() const { return _ball_w; }
    float GetBallH() const { return _ball_h; }
    int GetLineSize() const { return _line_size; }

    // Multiballs a chain of that length creates: 0 to 3.
    int GetMultiballCount(int chain_length) const;
    // The sample of the n-th multiball (n below 1 counts as 1, above 8 as 8).
    const std::string& GetMultiballSample(int n) const;

    // Where a ball sits inside its cell.
    float GetBallOffsetX() const { return (_cell_w - _ball_h) * 0.5f; }
    float GetBallOffsetY() const { return (_cell_h - _ball_h) * 0.5f; }

private:
    void Cache();

    CVariableRegistry _store;
    float _cell_w = 36.0f;
    float _cell_h = 36.0f;
    float _ball_w = 36.0f;
    float _ball_h = 36.0f;
    int _line_size = 3;
    int _min_chain[3] = {5, 9, 13};
    std::string _multiball_samples[8];
};

// Neighbour directions in the order the field visits them.
enum ENeighbour { nbUp = 0, nbRight = 1, nbDown = 2, nbLeft = 3 };

class CLevelCfg {
public:
    // The largest number of columns or rows a level may have.
    static constexpr int kMaxFieldSide = 64;

    CLevelCfg();

    // Reads the level's "Config" element, then its "Field" element (a key on both takes the
    // "Field" value); a missing element is skipped and the values already held stay. A field size
    // outside 1..kMaxFieldSide is logged and throws "Invalid field size." (the values stay).
    void Load(const CXMLNode& level_root);

    const CVariableRegistry& GetStore() const { return _store; }
    int GetInt(const std::string& name) const { return _store.GetInt(name); }

    int GetCellCount() const { return _cell_count; }
    int GetFieldWidth() const { return _field_width; }
    int GetFieldHeight() const { return _field_height; }
    int GetFieldPosX() const { return _field_pos_x; }
    int GetFieldPosY() const { return _field_pos_y; }

    // 0 <= cell < cell count.
    bool InField(int cell) const { return cell >= 0 && cell < _cell_count; }
    // width * y + x truncated; -1 unless inside 0..cell count - 1 (the column is not checked).
    int CellIndex(float x, float y) const;
    // The cell of a column and row inside the field, -1 for any other column or row.
    int CellAt(int column, int row) const;
    // Column and row of a valid cell; false (outputs untouched) otherwise.
    bool CellToPos(int cell, float& column, float& row) const;
    bool CellToPos(int cell, int& column, int& row) const;
    // Screen position of the cell's top-left corner, or of its centre.
    bool CellToScreen(int cell, float& x, float& y) const;
    bool CellToScreenCenter(int cell, float& x, float& y) const;
    // The cell under a screen point, -1 for none.
    int PosToCell(float x, float y) const;
    // The four neighbour offsets: -width (up), +1 (right), +width (down), -1 (left).
    void GetNeighbours(std::vector<int>& offsets) const;
    // The neighbour of a cell in a direction; -1 outside the field. A step never leaves the cell's
    // row to the left or right: a cell of the last column has no right neighbour.
    int Neighbour(int cell, int direction) const;

private:
    void Cache();

    CVariableRegistry _store;
    int _cell_count = 0;
    int _field_width = 0;
    int _field_height = 0;
    int _field_pos_x = 0;
    int _field_pos_y = 0;
};

extern CGameCfg g_GameCfg;
extern CLevelCfg g_LevelCfg;
