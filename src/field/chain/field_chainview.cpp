#include "field/chain/field_chainview.h"

#include "field/chain/field_chain.h"
#include "field/config/field_config.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

void CChainView::Load(const std::string& path)
{
    const CXMLFile file(path);
    const auto read = [&](Look& look, const char* name) {
        const CXMLNode node = file.SelectSingleNode(std::string("Common/") + name);
        look.present = node.IsValid() && node.SelectSingleNode("graphics").IsValid();
        if (look.present)
            ReadGraphics(node, look.desc);
        else
            GetLog().Error("CChainView: no mark \"%s\" in %s", name, path.c_str());
    };
    read(_select, "ChainSelect");
    read(_arrow, "ChainArrow");
    read(_over_top, "MouseOverCellTop");
    read(_over, "MouseOverCell");
    _laid_cells.clear();
    _laid_affected.clear();
    _laid_hover = -2;
}

void CChainView::Add(const Look& look, const char* name, float x, float y, float angle)
{
    if (!look.present) return;
    _marks.push_back({name, x, y, angle});
    auto sprite = std::make_unique<CSprite>(x, y, look.desc, _keeper);
    if (angle != 0.0f) sprite->SetAngle(angle);
    _sprites.push_back(std::move(sprite));
}

void CChainView::Layout(const CChain& chain, bool shown, int hovered_cell, const std::vector<int>& affected)
{
    std::vector<int> cells;
    if (shown && chain.IsStarted())
        for (const ChainEntry& e : chain.GetEntries()) cells.push_back(e.cell);
    if (cells == _laid_cells && hovered_cell == _laid_hover && affected == _laid_affected) return;
    _laid_cells = cells;
    _laid_hover = hovered_cell;
    _laid_affected = affected;
    _marks.clear();
    for (const auto& sprite : _sprites)
        if (sprite->GetRenderer()) _keeper.ReleaseRenderer(sprite->GetRenderer());
    _sprites.clear();

    float x = 0.0f, y = 0.0f;
    // The affected cells' marks lie beneath the one over the hovered cell.
    if (!affected.empty()) {
        if (g_LevelCfg.CellToScreen(hovered_cell, x, y)) Add(_over, "MouseOverCell", x, y, 0.0f);
        for (int cell : affected)
            if (g_LevelCfg.CellToScreen(cell, x, y)) Add(_over, "MouseOverCell", x, y, 0.0f);
    }
    if (g_LevelCfg.CellToScreen(hovered_cell, x, y)) Add(_over_top, "MouseOverCellTop", x, y, 0.0f);
    const float half_w = g_GameCfg.GetCellW() * 0.5f, half_h = g_GameCfg.GetCellH() * 0.5f;
    const auto& entries = chain.GetEntries();
    for (size_t i = 0; i < cells.size(); ++i) {
        if (g_LevelCfg.CellToScreen(entries[i].cell, x, y)) Add(_select, "ChainSelect", x, y, 0.0f);
        if (i == 0) continue;
        const ChainEntry& before = entries[i - 1];
        const ChainEntry& now = entries[i];
        // A step right or down is drawn from the earlier cell, a step left or up from the later.
        const bool forward = now.column > before.column || now.row > before.row;
        const bool vertical = now.column == before.column;
        if (!g_LevelCfg.CellToScreen(forward ? before.cell : now.cell, x, y)) continue;
        if (vertical)
            Add(_arrow, "ChainArrow", x - half_w, y + half_h, forward ? 90.0f : -90.0f);
        else
            Add(_arrow, "ChainArrow", x, y, forward ? 0.0f : 180.0f);
    }
}

void CChainView::Render() { _keeper.Draw(); }
