// The burner and its flames.
#include "field/bonus/field_bonus_burner.h"

#include "field/bonus/field_bonus_dynamite.h"
#include "field/config/field_config.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_xml.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_render.h"

CBurnerBonus::CBurnerBonus() : CWaveBonusImpl("Burner", true) {}
CBurnerBonus::~CBurnerBonus() = default;

bool CBurnerBonus::CanApply(int grade, int cell)
{
    if (!CBaseBonusImpl::CanApply(grade, cell)) return false;
    if (cell == -1) {
        _active = false;
        return false;
    }
    return CanAimBonusAt(_source, cell);
}

void CBurnerBonus::AddFlame(int x, int y, int dx, const FlameEffect& effect)
{
    Flame flame;
    flame.x = x;
    flame.y = y;
    flame.dx = dx;
    flame.dy = 0;
    // The flame starts in its row's clicked column, which was hit already: only the cells it
    // enters after that take a hit.
    flame.cell = g_LevelCfg.CellAt(x, y);
    flame.source = _source;
    flame.pyro = _pyro;
    float sx = 0.0f, sy = 0.0f;
    g_LevelCfg.CellToScreen(flame.cell, sx, sy);
    flame.sprite = std::make_shared<CSprite>();
    flame.sprite->Init(sx, sy, effect.graphics);
    if (!effect.pyro.empty() && _pyro) {
        float cx = 0.0f, cy = 0.0f;
        g_LevelCfg.CellToScreenCenter(flame.cell, cx, cy);
        flame.emitter_id = int(_pyro->AddEmitter(effect.pyro, float(int(cx)), float(int(cy))));
        flame.has_emitter = true;
    }
    _flames.push_back(std::move(flame));
}

bool CBurnerBonus::Prepare()
{
    const auto desc = _burner_grades.find(_grade);
    if (desc == _burner_grades.end()) {
        _active = false;
        return false;
    }
    _pyro = std::make_shared<CPyro2>();
    int col_index = 0, row_index = 0;
    VERIFY_SOFT(g_LevelCfg.CellToPos(_cell_index, col_index, row_index));
    for (int r = row_index - desc->second.up_lines; r <= row_index + desc->second.down_lines; ++r) {
        const int c = g_LevelCfg.CellAt(col_index, r);
        if (c < 0 || !_source->IsFieldCell(c) || !_source->HasPlayableBall(c) || _source->HasWall(c)) continue;
        if (!_source->IsFinisher(c)) {
            _source->HitCell(c, 1, true);
            _source->HitNeighbours({c});
        }
        AddFlame(col_index, r, -1, desc->second.backward);
        AddFlame(col_index, r, +1, desc->second.forward);
    }
    return true;
}

void CBurnerBonus::Flame::Step()
{
    if (!alive) return;
    const float mx = kFlameSpeed * float(dx), my = kFlameSpeed * float(dy);
    sprite->Move(mx, my);
    if (has_emitter && pyro) pyro->MoveEmitter(CPyro2::EmitterId(emitter_id), mx, my);
    const FRect& rect = sprite->GetRect();
    const float px = dx >= 1 ? rect.right : rect.left;
    const int next = g_LevelCfg.PosToCell(px, rect.top);
    if (next >= 0 && source->IsFieldCell(next) && !source->HasWall(next) && !source->IsFinisher(next)) {
        if (next == cell) return;
        cell = next;
        if (source->HasPlayableBall(next)) {
            source->HitCell(next, 1, true);
            source->HitNeighbours({next});
        }
        return;
    }
    if (has_emitter && pyro) pyro->RemoveEmitter(CPyro2::EmitterId(emitter_id));
    has_emitter = false;
    alive = false;
}

bool CBurnerBonus::Step()
{
    for (Flame& flame : _flames) flame.Step();
    std::erase_if(_flames, [](const Flame& f) { return !f.alive; });
    return !_flames.empty();
}

void CBurnerBonus::Finish()
{
    _flames.clear();
    _pyro.reset();
    _active = false;
}

void CBurnerBonus::Draw()
{
    for (const Flame& flame : _flames)
        if (flame.alive) flame.sprite->Draw();
    if (_pyro) _pyro->Render();
}

void CBurnerBonus::GetAffectedCells(int cell, std::vector<int>& cells)
{
    cells.clear();
    if (!_source || !CanAimBonusAt(_source, cell)) return;
    const auto desc = _burner_grades.find(_grade);
    if (desc == _burner_grades.end()) return;
    int x = 0, y = 0;
    g_LevelCfg.CellToPos(cell, x, y);
    const auto open = [this](int c) {
        return c >= 0 && _source->IsFieldCell(c) && _source->HasPlayableBall(c) && !_source->HasWall(c);
    };
    for (int r = y - desc->second.up_lines; r <= y + desc->second.down_lines; ++r) {
        const int c = g_LevelCfg.CellAt(x, r);
        if (!open(c)) continue;
        if (!_source->IsFinisher(c)) cells.push_back(c);
        for (int cx = x + 1; open(g_LevelCfg.CellAt(cx, r)) && !_source->IsFinisher(g_LevelCfg.CellAt(cx, r)); ++cx)
            cells.push_back(g_LevelCfg.CellAt(cx, r));
        for (int cx = x - 1; open(g_LevelCfg.CellAt(cx, r)) && !_source->IsFinisher(g_LevelCfg.CellAt(cx, r)); --cx)
            cells.push_back(g_LevelCfg.CellAt(cx, r));
    }
}

bool CBurnerBonus::Load(const CXMLNode& node)
{
    if (!CBaseBonusImpl::Load(node)) return false;
    const CXMLNodeList grades = node.SelectNodes("Grade");
    for (int i = 0; i < grades.GetLength(); ++i) {
        const CXMLNode grade = grades.GetItem(i);
        GradeDesc desc;
        desc.up_lines = ReadCount(grade, _config_name, "up_lines", 0);
        desc.down_lines = ReadCount(grade, _config_name, "down_lines", 0);
        const auto read_effect = [&grade](const char* name, FlameEffect& effect) {
            const CXMLNode node = grade.SelectSingleNode(name);
            ReadGraphics(node, effect.graphics);
            effect.pyro = node.SelectSingleNode("pyro").GetAttribute("alias", "");
        };
        read_effect("BackwardEffect", desc.backward);
        read_effect("ForwardEffect", desc.forward);
        _burner_grades[grade.GetIntAttribute("id", 0)] = desc;
    }
    return true;
}
