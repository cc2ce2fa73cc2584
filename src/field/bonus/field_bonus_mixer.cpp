// The mixer.
#include "field/bonus/field_bonus_mixer.h"

#include "field/config/field_config.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <cmath>

CMixerBonus::CMixerBonus() : CWaveBonusImpl("Mixer", false) {}

bool CMixerBonus::Prepare()
{
    const auto desc = _mixer_grades.find(_grade);
    if (desc == _mixer_grades.end()) return false;
    _percent = desc->second.mix_percent > 0 ? desc->second.mix_percent : 100;
    _benefactor = desc->second.mix_benefactor;
    struct Candidate {
        int cell;
        int key;
    };
    std::vector<Candidate> candidates;
    const int count = g_LevelCfg.GetCellCount();
    for (int c = 0; c < count; ++c) {
        if (!_source->HasPlayableBall(c) || _source->IsBoxed(c) || _source->IsLocked(c) || _source->IsFinisher(c))
            continue;
        candidates.push_back({c, RandomInt(1, count)});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.key < b.key; });
    candidates.resize(std::min(candidates.size(), candidates.size() * size_t(desc->second.mix_percent) / 100));
    if (candidates.empty()) return false;
    _snapshot.assign(size_t(count), 0);
    for (int c = 0; c < count; ++c) _snapshot[size_t(c)] = _source->GetBallType(c);
    _chosen.clear();
    for (const Candidate& candidate : candidates) {
        _chosen.push_back({candidate.cell, _source->GetBallType(candidate.cell)});
        _snapshot[size_t(candidate.cell)] = 0;
    }
    ResetWaves();
    return true;
}

std::vector<int> CMixerBonus::NeighbourTypes(int cell) const
{
    std::vector<int> types;
    int x = 0, y = 0;
    if (!g_LevelCfg.CellToPos(cell, x, y)) return types;
    // Above, right, below, left; cells past the field's edges are not neighbours.
    const int offsets[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    for (const auto& o : offsets) {
        const int n = g_LevelCfg.CellAt(x + o[0], y + o[1]);
        if (n < 0 || size_t(n) >= _snapshot.size() || _snapshot[size_t(n)] == 0) continue;
        types.push_back(_snapshot[size_t(n)]);
    }
    return types;
}

bool CMixerBonus::NextWave()
{
    ++_wave;
    const int count = int(_chosen.size());
    if (_wave > _grade || _released >= count) return false;
    int bound = count;
    const auto row = _mixer_grades.find(_wave);
    if (row != _mixer_grades.end()) bound = row->second.mix_percent * count / _percent;
    const int first = _released, end = std::min(bound, count);

    std::vector<Destination> destinations;
    for (int i = first; i < end; ++i) destinations.push_back({_chosen[size_t(i)].cell, false, 0, {}});
    const int cell_count = g_LevelCfg.GetCellCount();
    for (Destination& d : destinations) {
        d.key = RandomInt(1, cell_count);
        d.neighbour_types = NeighbourTypes(d.cell);
    }
    std::stable_sort(destinations.begin(), destinations.end(),
                     [](const Destination& a, const Destination& b) { return a.key < b.key; });

    _moves.assign(size_t(std::max(end - first, 0)), MixMove{-1, -1, false, false, 1.0f, 0, 0});
    for (int i = first; i < end; ++i) {
        const ChosenBall& ball = _chosen[size_t(i)];
        MixMove& move = _moves[size_t(i - first)];
        move.from = ball.cell;
        auto d = std::find_if(destinations.begin(), destinations.end(), [](const Destination& x) { return !x.taken; });
        if (d == destinations.end()) {
            // The wave's destinations are its own cells, one per ball: this cannot happen.
            GetLog().Error("Error: %s", "\"Not found mixer cell destination!\"");
            _moves.resize(size_t(i - first));
            break;
        }
        if (RandomInt(1, 100) <= _benefactor) {
            const auto near_own = std::find_if(d, destinations.end(), [&ball](const Destination& x) {
                return !x.taken && std::find(x.neighbour_types.begin(), x.neighbour_types.end(), ball.graph_type) !=
                                       x.neighbour_types.end();
            });
            if (near_own != destinations.end()) d = near_own;
        }
        d->taken = true;
        move.to = d->cell;
        _snapshot[size_t(d->cell)] = ball.graph_type;
        float fx = 0.0f, fy = 0.0f, tx = 0.0f, ty = 0.0f;
        g_LevelCfg.CellToScreenCenter(move.from, fx, fy);
        g_LevelCfg.CellToScreenCenter(move.to, tx, ty);
        move.speed = std::hypot(tx - fx, ty - fy) / 20.0f;
    }
    _released = std::max(_released, bound);
    if (_wave >= 2) PlaySample();
    _wave_delay.Start(_wave <= 1 ? 0 : kWaveDelay);
    return true;
}

bool CMixerBonus::Step()
{
    _wave_delay.Step();
    if (!_wave_delay.IsExpired()) return true;
    if (_source->UpdateMixMoves(_moves)) return true;
    _source->ApplyMixMoves(_moves);
    return false;
}

void CMixerBonus::Finish()
{
    _snapshot.clear();
    _chosen.clear();
    _moves.clear();
    _active = false;
}

bool CMixerBonus::Load(const CXMLNode& node)
{
    if (!CBaseBonusImpl::Load(node)) return false;
    _enlarge_factor = node.GetIntAttribute("enlarge_factor", 0);
    const CXMLNodeList grades = node.SelectNodes("Grade");
    for (int i = 0; i < grades.GetLength(); ++i) {
        const CXMLNode grade = grades.GetItem(i);
        GradeDesc desc;
        desc.mix_percent = ReadPositiveInt(grade, _config_name, "mix_percent", 25);
        desc.mix_benefactor = ReadCount(grade, _config_name, "mix_benefactor", 0);
        _mixer_grades[grade.GetIntAttribute("id", 0)] = desc;
    }
    return true;
}
