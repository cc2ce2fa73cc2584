// The marks of the chain and of the hovered cell: a selection mark on every chain cell, an arrow
// joining each cell to the one before, a mark over the cell under the cursor, and beneath it a
// mark on that cell and on every cell it would affect.
#pragma once

#include "engine/base/engine_layout.h"
#include "engine/render/engine_render.h"

#include <memory>
#include <string>
#include <vector>

class CChain;

class CChainView {
public:
    // One mark as laid out: its name in the marks file, top-left corner and rotation in degrees.
    struct Mark {
        std::string name;
        float x = 0.0f, y = 0.0f;
        float angle = 0.0f;
    };

    // Reads the marks from the field's marks file; a missing mark is logged and never drawn.
    void Load(const std::string& path = "Settings\\Bases\\Common.xml");
    // Lays the marks out for the chain (while shown), the hovered cell (-1 for none) and the cells
    // it would affect (none: only the mark over the hovered cell); nothing is rebuilt while none
    // of them changed.
    void Layout(const CChain& chain, bool shown, int hovered_cell, const std::vector<int>& affected = {});
    void Render();

    const std::vector<Mark>& GetMarks() const { return _marks; }

private:
    struct Look {
        GraphicsDesc desc;
        bool present = false;
    };
    void Add(const Look& look, const char* name, float x, float y, float angle);

    Look _select, _arrow, _over_top, _over;
    std::vector<Mark> _marks;
    std::vector<int> _laid_cells;
    int _laid_hover = -2;
    std::vector<int> _laid_affected;
    CRenderKeeper _keeper;
    std::vector<std::unique_ptr<CSprite>> _sprites;
};
