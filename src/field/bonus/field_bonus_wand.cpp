// The magic wand.
#include "field/bonus/field_bonus_wand.h"

#include "field/config/field_config.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_render.h"

#include <algorithm>

CMagicWandBonus::CMagicWandBonus() : CWaveBonusImpl("MagicWand2", false) {}
CMagicWandBonus::~CMagicWandBonus() = default;

int CMagicWandBonus::GetReleaseBound(int wave) const
{
    const auto it = _wand_grades.find(wave);
    return it == _wand_grades.end() ? GetRecordCount() : it->second.balls_replace;
}

bool CMagicWandBonus::Prepare()
{
    const auto it = _wand_grades.find(_grade);
    if (it == _wand_grades.end()) return false;
    const int balls = it->second.balls_replace;
    const int puzzles = it->second.puzzles_replace;
    // A level without a multiball type has nothing to change the balls into.
    if (_source->GetMultiballType() == 0) {
        GetLog().Warning("Warning: the magic wand finds no multiball type in the level; nothing is changed.");
        return false;
    }

    size_t keep = 1;
    std::vector<int> tiles, plain;
    for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell) {
        if (!_source->HasPlayableBall(cell) || _source->IsFinisher(cell) || _source->IsMultiball(cell)) continue;
        if (_source->IsBoxed(cell)) {
            keep = 0;
            continue;
        }
        (_source->HasPuzzle(cell) ? tiles : plain).push_back(cell);
    }
    if (tiles.size() + plain.size() <= keep) return false;
    if (!_pyro_alias.empty()) _pyro = std::make_shared<CPyro2>();

    int n_puzzles = std::min(puzzles, int(tiles.size()));
    int n_balls = std::min(balls - n_puzzles, int(plain.size()));
    if (n_balls + n_puzzles < balls && n_puzzles < int(tiles.size()))
        n_puzzles += std::min(balls - n_balls - n_puzzles, int(tiles.size()) - n_puzzles);

    _changes.clear();
    while ((n_puzzles > 0 || n_balls > 0) && tiles.size() + plain.size() > keep) {
        const int r = RandomInt(0, 2);
        std::vector<int>* list = nullptr;
        int* left = nullptr;
        if (r == 2) {
            if (n_puzzles > 0) list = &tiles, left = &n_puzzles;
            else list = &plain, left = &n_balls;
        } else {
            if (n_balls > 0) list = &plain, left = &n_balls;
            else list = &tiles, left = &n_puzzles;
        }
        // A count may stand for more balls than its list still holds: it is then spent.
        if (list->empty()) {
            *left = 0;
            continue;
        }
        const size_t at = size_t(RandomInt(0, int(list->size()) - 1));
        Change change;
        change.cell = (*list)[at];
        list->erase(list->begin() + std::ptrdiff_t(at));
        float cx = 0.0f, cy = 0.0f;
        g_LevelCfg.CellToScreenCenter(change.cell, cx, cy);
        change.sprite = std::make_shared<CSprite>();
        change.sprite->Init(cx - float(_change_effect.width) * 0.5f, cy - float(_change_effect.height) * 0.5f,
                            _change_effect);
        change.sprite->PlayAnimation(1);
        _changes.push_back(std::move(change));
        --*left;
    }
    ResetWaves();
    return true;
}

void CMagicWandBonus::ReleaseRecord(int index)
{
    Change& change = _changes[size_t(index)];
    change.pending = false;
    // The ball may have gone since the wand chose it: only a ball still there changes.
    if (_source->HasBall(change.cell)) _source->ChangeBallType(change.cell, _source->GetMultiballType());
    if (!_pyro_alias.empty() && _pyro) {
        float cx = 0.0f, cy = 0.0f;
        g_LevelCfg.CellToScreenCenter(change.cell, cx, cy);
        change.emitter_id = int(_pyro->AddEmitter(_pyro_alias, float(int(cx)), float(int(cy))));
        change.has_emitter = true;
    }
}

bool CMagicWandBonus::Step()
{
    return std::any_of(_changes.begin(), _changes.end(),
                       [](const Change& c) { return !c.pending && c.sprite->IsPlaying(); });
}

void CMagicWandBonus::Finish()
{
    _pyro.reset();
    _changes.clear();
    _active = false;
}

void CMagicWandBonus::Draw()
{
    if (_pyro) _pyro->Render();
    for (const Change& change : _changes)
        if (!change.pending) change.sprite->Draw();
}

bool CMagicWandBonus::Load(const CXMLNode& node)
{
    if (!CBaseBonusImpl::Load(node)) return false;
    const CXMLNodeList grades = node.SelectNodes("Grade");
    for (int i = 0; i < grades.GetLength(); ++i) {
        const CXMLNode grade = grades.GetItem(i);
        GradeDesc desc;
        desc.balls_replace = ReadCount(grade, _config_name, "balls_replace", 1);
        // More balls from tiles than balls in all would change more balls than the grade gives.
        desc.puzzles_replace = std::min(ReadCount(grade, _config_name, "puzzles_replace", 1), desc.balls_replace);
        _wand_grades[grade.GetIntAttribute("id", 0)] = desc;
    }
    const CXMLNode effect = node.SelectSingleNode("BallChangeEffect");
    ReadGraphics(effect, _change_effect);
    _pyro_alias = effect.SelectSingleNode("pyro").GetAttribute("alias", "");
    return true;
}
