#include "field/tiles/field_tiles.h"

#include "field/config/field_config.h"
#include "field/field_services.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"

#include <cmath>
#include <stdexcept>

namespace {

const CGraphObjBase& Tiles() { return GetGraphBase(gbTiles); }

// Every tile of a stack needs its normal look; those above the ground are also hit (DEAD) and
// glow (GLOW). A missing one fails the level's load, not a hit later.
void RequireTileLooks(const std::vector<TileLayer>& stack)
{
    for (size_t i = 0; i < stack.size(); ++i) {
        if (stack[i].tile == 0) continue;   // a ground without picture
        Tiles().RequireState(stack[i].tile, gosDefault);
        if (i == 0) continue;
        Tiles().RequireState(stack[i].tile, gosDead);
        Tiles().RequireState(stack[i].tile, gosGlow);
    }
}

} // namespace

void TileCell::ShowLayer(size_t tile_index, int state)
{
    if (_tiles.empty()) return;
    if (tile_index >= _tiles.size()) {
        VERIFY_SOFT(tile_index < _tiles.size());
        tile_index = _tiles.size() - 1;
    }
    VERIFY(_owner != NULL);
    _tiles[current].obj.reset();
    current = tile_index;
    TileLayer& layer = _tiles[current];
    tile_state = -1;
    if (layer.tile != 0) {
        const GraphObjState& action = Tiles().RequireState(layer.tile, state);
        auto new_obj = std::make_shared<CGraphObj>(&action, std::trunc(g_GameCfg.GetCellW()),
                                                   std::trunc(g_GameCfg.GetCellH()), _owner->_render_manager);
        VERIFY(new_obj != NULL);
        new_obj->SetAngle(layer.rotate);
        new_obj->SetPos(x, y);
        new_obj->SetVisible(true);
        new_obj->SetAlpha(255.0f);
        layer.obj = new_obj;
        tile_state = state;
    }
    left = int(current);
    has_view = layer.obj != nullptr;
}

CTilesField::CTilesField() : _render_manager(std::make_shared<CRenderKeeper>()) {}

const TileCell* CTilesField::GetCell(int cell) const
{
    return cell >= 0 && size_t(cell) < _cells.size() ? &_cells[size_t(cell)] : nullptr;
}

void CTilesField::Prepare()
{
    _cells.clear();
    _cells.resize(size_t(std::max(0, g_LevelCfg.GetCellCount())));
    for (size_t i = 0; i < _cells.size(); ++i) {
        TileCell& c = _cells[i];
        c._owner = this;
        c.index = int(i);
        g_LevelCfg.CellToScreen(c.index, c.x, c.y);
    }
    _total_left = 0;
    _slots.assign(_cells.size(), Slot());
    ScheduleWave();
}

void CTilesField::LoadLevel(const CXMLNode& level_root, LevelFieldInfo& info)
{
    try {
        ReadStacks(level_root, info);
    } catch (...) {
        _cells.clear();
        _total_left = 0;
        throw;
    }
}

void CTilesField::ReadStacks(const CXMLNode& level_root, LevelFieldInfo& info)
{
    Prepare();
    bool double_puzzles = false;
    const CXMLNodeList cells = level_root.SelectNodes("Field/Cell");
    for (int i = 0; i < cells.GetLength(); ++i) {
        const CXMLNode node = cells.GetItem(i);
        const int cx = node.GetIntAttribute("x", 0);
        const int cy = node.GetIntAttribute("y", 0);
        const int cell = g_LevelCfg.CellAt(cx, cy);
        if (cell < 0) {
            GetLog().Error("CTilesField: Cell outside a file - %d , %d", cx, cy);
            continue;
        }
        std::vector<TileLayer>& stack = _cells[size_t(cell)]._tiles;
        stack.clear();
        const CXMLNodeList groups = node.SelectNodes("Group");
        for (int g = 0; g < groups.GetLength(); ++g) {
            TileLayer layer;
            layer.tile = groups.GetItem(g).GetIntAttribute("tile", 0);
            layer.rotate = float(groups.GetItem(g).GetIntAttribute("rotate", 0));
            // A layer above the ground must differ from the ground and have a picture: a layer
            // without one could never be hit, and the level never cleared.
            if (g > 0 && (layer.tile == stack.front().tile || layer.tile == 0)) {
                GetLog().Error("Game field: invalid puzzle layer %d in cell (%d, %d)", g, cx, cy);
                throw std::runtime_error("Found invalid puzzle layer in cell.");
            }
            stack.push_back(layer);
        }
        RequireTileLooks(stack);
        double_puzzles = double_puzzles || stack.size() >= 3;
    }
    ShowTopLayers();
    info.n_puzzles = _total_left;
    info.was_double_puzzles = double_puzzles;
}

void CTilesField::ShowTopLayers()
{
    for (TileCell& c : _cells) {
        if (!c._tiles.empty()) c.ShowLayer(c._tiles.size() - 1, gosDefault);
        c.pending_hits = 0;
    }
    Recount();
}

void CTilesField::Recount()
{
    _total_left = 0;
    for (const TileCell& c : _cells)
        if (c.has_view) _total_left += c.left;
}

bool CTilesField::HitCell(int cell)
{
    if (cell < 0 || size_t(cell) >= _cells.size()) return false;
    TileCell& c = _cells[size_t(cell)];
    if (!c.has_view || c.left <= 0 || c.pending_hits >= c.left) return false;
    if (c.tile_state != gosDead) SetTileState(cell, gosDead);
    ++c.pending_hits;
    return true;
}

void CTilesField::SetTileState(int cell, int state)
{
    if (cell < 0 || size_t(cell) >= _cells.size()) return;
    TileCell& c = _cells[size_t(cell)];
    if (!c.has_view) return;
    const int act_type = (state >= gosDefault && state <= gosGlow) ? state : gosUnknown;
    VERIFY(act_type != gosUnknown);
    TileLayer& layer = c._tiles[c.current];
    const GraphObjState& action = Tiles().RequireState(layer.tile, state);
    layer.obj->ChangeState(&action);
    c.tile_state = state;
    layer.obj->PlaySound(0);
    float cx = 0.0f, cy = 0.0f;
    if (g_LevelCfg.CellToScreenCenter(cell, cx, cy)) FieldExplosion(action.expl_alias, cx, cy);
}

void CTilesField::Update()
{
    UpdateWaves();
    if (!IsWaveRunning() && _total_left < 4) {
        for (TileCell& c : _cells)
            if (c.has_view && c.left > 0 && c.tile_state == gosDefault) SetTileState(c.index, gosGlow);
    }
    for (TileCell& c : _cells) {
        if (!c.has_view || c.tile_state != gosDead) continue;
        if (c.current == 0) {
            // The ground is never removed: a death set on it from outside ends here.
            c.pending_hits = 0;
            SetTileState(c.index, gosDefault);
            continue;
        }
        c.ShowLayer(c.current - 1, gosDefault);
        --_total_left;
        if (c.pending_hits > 0) --c.pending_hits;
        if (c.pending_hits > 0) SetTileState(c.index, gosDead);
    }
}

void CTilesField::ScheduleWave()
{
    _wave_started = false;
    _wave_countdown = RandomInt(g_GameCfg.GetInt("wave_appear_min"), g_GameCfg.GetInt("wave_appear_max"));
    _wave_running = true;
    _wave_hold = false;
}

void CTilesField::StartWave()
{
    const int life = g_GameCfg.GetInt("wave_life");
    const int w = g_LevelCfg.GetFieldWidth();
    const int h = g_LevelCfg.GetFieldHeight();
    int delay = 0;
    for (int d = 0; d <= w + h - 1; ++d) {
        for (int x = 0; x <= d && x < w; ++x) {
            const int cell = g_LevelCfg.CellAt(x, d - x);
            if (cell < 0 || size_t(cell) >= _slots.size()) continue;
            Slot& slot = _slots[size_t(cell)];
            slot = Slot{0, wsDone};
            const TileCell& c = _cells[size_t(cell)];
            if (c.has_view && delay > 0 && Tiles().HasState(c._tiles[c.current].tile, gosTimeOut))
                slot = Slot{delay, wsWaiting};
        }
        delay += life + 1;
    }
}

void CTilesField::UpdateWaves()
{
    if (_wave_running && !_wave_hold && _wave_countdown > 0) --_wave_countdown;
    if (!_wave_running || _wave_countdown != 0) return;
    if (!_wave_started) {
        StartWave();
        _wave_started = true;
    }
    if (!_waves_paused) {
        for (Slot& slot : _slots) {
            if (slot.state != wsWaiting) continue;
            if (slot.countdown > 0) --slot.countdown;
            if (slot.countdown == 0) slot.state = wsDue;
        }
    }
    bool going = false;
    for (TileCell& c : _cells) {
        Slot& slot = _slots[size_t(c.index)];
        if (!c.has_view) {
            slot.state = wsDone;
            continue;
        }
        switch (c.tile_state) {
        case gosDefault:
            if (slot.state == wsWaiting) {
                going = true;
            } else if (slot.state == wsDue) {
                if (Tiles().HasState(c._tiles[c.current].tile, gosTimeOut)) SetTileState(c.index, gosTimeOut);
                slot.state = wsDone;
                going = true;
            }
            break;
        case gosTimeOut:
            if (slot.state == wsWaiting) {
                going = true;
            } else if (slot.state == wsDue) {
                SetTileState(c.index, gosDefault);
                slot.state = wsDone;
                going = true;
            } else if (slot.state == wsDone) {
                slot = Slot{g_GameCfg.GetInt("wave_life"), wsWaiting};
                going = true;
            }
            break;
        default:
            slot.state = wsDone;
            break;
        }
    }
    if (!going) ScheduleWave();
}

void CTilesField::Render()
{
    _render_manager->Draw();
    for (TileCell& c : _cells)
        if (c.has_view) c._tiles[c.current].obj->StepEffect();
}

void CTilesField::FinishEffects()
{
    for (TileCell& c : _cells)
        if (c.has_view) c._tiles[c.current].obj->StopEffect();
}

bool CTilesField::HasView(int cell) const
{
    const TileCell* c = GetCell(cell);
    return c && c->has_view;
}

int CTilesField::GetLeft(int cell) const
{
    const TileCell* c = GetCell(cell);
    return c ? c->left : 0;
}

int CTilesField::GetTileState(int cell) const
{
    const TileCell* c = GetCell(cell);
    return c && c->has_view ? c->tile_state : -1;
}

std::shared_ptr<CGraphObj> CTilesField::GetCellObjects(int cell) const
{
    const TileCell* c = GetCell(cell);
    return c && c->has_view ? c->_tiles[c->current].obj : nullptr;
}

int CTilesField::GetWaveSlotState(int cell) const
{
    return cell >= 0 && size_t(cell) < _slots.size() ? _slots[size_t(cell)].state : wsIdle;
}

void CTilesField::Save(TilesFieldRecord& record) const
{
    record = TilesFieldRecord();
    for (const TileCell& c : _cells) {
        int column = 0, row = 0;
        if (c._tiles.size() > 1 && g_LevelCfg.CellToPos(c.index, column, row))
            record.cells.push_back({column, row, int(c.current)});
    }
}

void CTilesField::Restore(const TilesFieldRecord& record)
{
    ShowTopLayers();
    for (const auto& saved : record.cells) {
        const int cell = g_LevelCfg.CellAt(saved.x, saved.y);
        if (cell < 0 || size_t(cell) >= _cells.size()) {
            GetLog().Error("CTilesField: Cell outside a file - %d , %d", saved.x, saved.y);
            continue;
        }
        _cells[size_t(cell)].ShowLayer(size_t(std::max(0, saved.current)), gosDefault);
    }
    Recount();
}
