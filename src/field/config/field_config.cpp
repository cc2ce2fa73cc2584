#include "field/config/field_config.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <cmath>
#include <exception>
#include <stdexcept>

CGameCfg g_GameCfg;
CLevelCfg g_LevelCfg;

namespace {

const char* const kGameCfgFile = "Settings\\GameCFG.xml";
const char* const kMinChainKeys[3] = {"min_chain_for_1_multiballs", "min_chain_for_2_multiballs",
                                      "min_chain_for_3_multiballs"};

std::string MultiballSampleKey(int n)
{
    return "sample_multiball_appear_" + std::to_string(n);
}

} // namespace

CGameCfg::CGameCfg()
{
    _store.Register("cell_w", 36.0f);
    _store.Register("cell_h", 36.0f);
    _store.Register("ball_w", 36.0f);
    _store.Register("ball_h", 36.0f);
    _store.Register("move_ball_speed", 8.5f);
    _store.Register("ball_grow_time", 10.0f);
    _store.Register("score_for_life", 20000);
    _store.Register("start_lives", 3);
    _store.Register("line_size", 3);
    _store.Register(kMinChainKeys[0], 5);
    _store.Register(kMinChainKeys[1], 9);
    _store.Register(kMinChainKeys[2], 13);
    for (int n = 1; n <= 8; ++n) _store.Register(MultiballSampleKey(n), "mlty_appear");
    _store.Register("bonus_res_multiplier", 10);
    _store.Register("m_panel_speed", 14.0f);
    _store.Register("wave_life", 30);
    _store.Register("wave_appear_min", 20000);
    _store.Register("wave_appear_max", 40000);
    Cache();
}

void CGameCfg::Load()
{
    CXMLNode config_node;
    try {
        CXMLFile file(kGameCfgFile);
        config_node = file.SelectSingleNode("//GameCFG");
    } catch (const std::exception& e) {
        GetLog().Error("Error: game configuration %s not read: %s", kGameCfgFile, e.what());
    }
    VERIFY(config_node.IsValid());
    LoadFrom(config_node);
}

void CGameCfg::LoadFrom(const CXMLNode& node)
{
    _store.ReadAttributes(node);
    // Values the field cannot work with are put right here, once, with a warning: a cell or ball
    // without a size, a chain of one ball, waves that come before the level starts.
    const auto at_least = [this](const char* key, float least) {
        const float v = _store.GetFloat(key);
        if (!(v >= least)) {
            GetLog().Warning("Warning: GameCFG.xml: %s = %g is out of range, %g used.", key, double(v), double(least));
            _store.SetAny(key, least);
        }
    };
    const auto at_least_int = [this](const char* key, int least) {
        const int v = _store.GetInt(key);
        if (v < least) {
            GetLog().Warning("Warning: GameCFG.xml: %s = %d is out of range, %d used.", key, v, least);
            _store.SetInt(key, least);
        }
    };
    at_least("cell_w", 1.0f);
    at_least("cell_h", 1.0f);
    at_least("ball_w", 1.0f);
    at_least("ball_h", 1.0f);
    at_least("move_ball_speed", 0.1f);
    at_least("ball_grow_time", 1.0f);
    at_least_int("line_size", 2);
    at_least_int("wave_life", 0);
    at_least_int("wave_appear_min", 1);
    at_least_int("wave_appear_max", _store.GetInt("wave_appear_min"));
    if (_store.GetInt("score_for_life") <= 0)
        GetLog().Warning("Warning: GameCFG.xml: score_for_life = %d, no extra lives are given for score.",
                         _store.GetInt("score_for_life"));
    Cache();
}

void CGameCfg::Cache()
{
    _cell_w = _store.GetFloat("cell_w");
    _cell_h = _store.GetFloat("cell_h");
    _ball_w = _store.GetFloat("ball_w");
    _ball_h = _store.GetFloat("ball_h");
    _line_size = _store.GetInt("line_size");
    for (int i = 0; i < 3; ++i) _min_chain[i] = _store.GetInt(kMinChainKeys[i]);
    for (int n = 1; n <= 8; ++n) _multiball_samples[n - 1] = _store.GetString(MultiballSampleKey(n));
}

int CGameCfg::GetMultiballCount(int chain_length) const
{
    if (chain_length < _min_chain[0]) return 0;
    if (chain_length < _min_chain[1]) return 1;
    if (chain_length < _min_chain[2]) return 2;
    return 3;
}

const std::string& CGameCfg::GetMultiballSample(int n) const
{
    if (n < 1) n = 1;
    if (n > 8) n = 8;
    return _multiball_samples[n - 1];
}

CLevelCfg::CLevelCfg()
{
    _store.Register("field_width", 0);
    _store.Register("field_height", 0);
    _store.Register("field_pos_x", 100);
    _store.Register("field_pos_y", 100);
    _store.Register("allow_ball_types", 5);
    _store.Register("allow_bonus_types", 1);
    _store.Register("bonus_probability", 0);
    _store.Register("forced_match_probability", 0);
    _store.Register("ordinary_locked_probability", 0);
    _store.Register("double_locked_probability", 0);
    _store.Register("ordinary_boxed_probability", 0);
    _store.Register("double_boxed_probability", 0);
}

void CLevelCfg::Load(const CXMLNode& level_root)
{
    // Read into a copy first, so that a level with an impossible size leaves the values held.
    CVariableRegistry store = _store;
    for (const char* element : {"Config", "Field"}) {
        const CXMLNode node = level_root.SelectSingleNode(element);
        if (node.IsValid()) store.ReadAttributes(node);
    }
    const int w = store.GetInt("field_width");
    const int h = store.GetInt("field_height");
    if (w < 1 || h < 1 || w > kMaxFieldSide || h > kMaxFieldSide) {
        GetLog().Error("Error: invalid field size %d x %d (1 to %d columns and rows).", w, h, kMaxFieldSide);
        throw std::runtime_error("Invalid field size.");
    }
    _store = std::move(store);
    Cache();
}

void CLevelCfg::Cache()
{
    _field_width = _store.GetInt("field_width");
    _field_height = _store.GetInt("field_height");
    _field_pos_x = _store.GetInt("field_pos_x");
    _field_pos_y = _store.GetInt("field_pos_y");
    _cell_count = _field_width * _field_height;
}

int CLevelCfg::CellIndex(float x, float y) const
{
    const float index = float(_field_width) * y + x;
    if (!(index >= 0.0f && index < float(_cell_count))) return -1;
    return int(index);
}

int CLevelCfg::CellAt(int column, int row) const
{
    if (column < 0 || row < 0 || column >= _field_width || row >= _field_height) return -1;
    return row * _field_width + column;
}

bool CLevelCfg::CellToPos(int cell, float& column, float& row) const
{
    int c = 0, r = 0;
    if (!CellToPos(cell, c, r)) return false;
    column = float(c);
    row = float(r);
    return true;
}

bool CLevelCfg::CellToPos(int cell, int& column, int& row) const
{
    if (!InField(cell)) return false;
    column = cell % _field_width;
    row = cell / _field_width;
    return true;
}

bool CLevelCfg::CellToScreen(int cell, float& x, float& y) const
{
    int column = 0, row = 0;
    if (!CellToPos(cell, column, row)) return false;
    x = float(column) * g_GameCfg.GetCellW() + float(_field_pos_x);
    y = float(row) * g_GameCfg.GetCellH() + float(_field_pos_y);
    return true;
}

bool CLevelCfg::CellToScreenCenter(int cell, float& x, float& y) const
{
    if (!CellToScreen(cell, x, y)) return false;
    x += g_GameCfg.GetCellW() * 0.5f;
    y += g_GameCfg.GetCellH() * 0.5f;
    return true;
}

int CLevelCfg::PosToCell(float x, float y) const
{
    const float cw = g_GameCfg.GetCellW();
    const float ch = g_GameCfg.GetCellH();
    if (cw == 0.0f || ch == 0.0f) return -1;
    if (!(x >= float(_field_pos_x) && y >= float(_field_pos_y))) return -1;
    const float column = std::trunc((x - float(_field_pos_x)) / cw);
    const float row = std::trunc((y - float(_field_pos_y)) / ch);
    if (!(column < float(_field_width)) || !(row < float(_field_height))) return -1;
    return CellIndex(column, row);
}

void CLevelCfg::GetNeighbours(std::vector<int>& offsets) const
{
    offsets = {-_field_width, 1, _field_width, -1};
}

int CLevelCfg::Neighbour(int cell, int direction) const
{
    int column = 0, row = 0;
    if (!CellToPos(cell, column, row)) return -1;
    switch (direction) {
    case nbUp: return CellAt(column, row - 1);
    case nbRight: return CellAt(column + 1, row);
    case nbDown: return CellAt(column, row + 1);
    case nbLeft: return CellAt(column - 1, row);
    default: return -1;
    }
}
