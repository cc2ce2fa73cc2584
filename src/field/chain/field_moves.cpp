// The move analysis of the field at rest, and the hints and renewal it drives: the groups of
// connected balls that could be drawn as one chain, the moves among them, the special chain through
// the finishers, the chain shown as a hint, and the renewal of balls when no move is left.
#include "field/chain/field_gamefield.h"

#include "field/config/field_config.h"
#include "field/graph/field_graphobj.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/core/engine_core.h"

#include <algorithm>
#include <array>
#include <functional>
#include <unordered_map>

namespace {

// The hint of the special chain, asked of the game screen when the special chain can be drawn.
constexpr int kSpecialChainHint = 114;
// The chain-path search copies paths while there are fewer than this many.
constexpr size_t kMaxForkedPaths = 64;
// The renewal: at most this many balls, found in at most this many draws.
constexpr int kRenewBalls = 20;
constexpr int kRenewDraws = 199;
// The exact search for a playable path gives up after this many steps (a group that large is
// never met in play; giving up reports no move rather than a false one).
constexpr int kPathSearchBudget = 200000;

// A cell the player can take into a chain: a field cell holding a ball that is not under a wall,
// not in a disabled cell and not boxed. Locked balls can be chained.
bool Chainable(const CBallsField& balls, int cell)
{
    return balls.IsFieldCell(cell) && balls.HasUsableBall(cell) && !balls.IsBoxed(cell);
}

// What a chain accepts: at least line-size balls with a plain one among them; a chain of the
// finisher type exactly the level's number of finishers as its plain balls.
struct ChainRules {
    int line_size = 3;
    int finisher_type = 0;
    int n_finishers = 0;

    bool IsFinisher(int graph_type) const { return finisher_type != 0 && graph_type == finisher_type; }
    bool Accepts(int graph_type, int length, int plain) const
    {
        if (length < line_size || plain < 1) return false;
        return !IsFinisher(graph_type) || plain == n_finishers;
    }
};

ChainRules RulesOf(const CGameField& field)
{
    ChainRules rules;
    rules.line_size = g_GameCfg.GetLineSize();
    rules.finisher_type = field.GetBalls().GetFinisherType();
    rules.n_finishers = field.GetLevelRecord().n_finishers;
    return rules;
}

// The types a multiball stands for: every type of the level that is not a multiball (a multiball
// joins any chain, a finisher's and a bonus ball's too), in the level's order, then any other type
// a chainable ball on the field has.
std::vector<int> MultiballTypes(const CBallsField& balls)
{
    std::vector<int> types;
    std::vector<BallTypeEntryPtr> level_types;
    balls.ListLevelTypes(level_types);
    for (const BallTypeEntryPtr& t : level_types)
        if (!t->is_multiball && std::find(types.begin(), types.end(), t->graph_type) == types.end())
            types.push_back(t->graph_type);
    for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell) {
        if (!Chainable(balls, cell) || balls.IsMultiball(cell)) continue;
        const int type = balls.GetBallType(cell);
        if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
    }
    return types;
}

// The ball types of the chainable ball in a cell: its own, or every type a multiball stands for.
void BallTypesOf(const CBallsField& balls, int cell, const std::vector<int>& multiball_types, std::vector<int>& out)
{
    out.clear();
    VERIFY(balls.HasBall(cell));
    const BallTypeEntryPtr ball_type = balls.GetBallTypeEntry(cell);
    VERIFY(ball_type != NULL);
    if (ball_type->is_multiball)
        out = multiball_types;
    else
        out.push_back(ball_type->graph_type);
}

bool MatchesType(const CBallsField& balls, int cell, int graph_type)
{
    return Chainable(balls, cell) && (balls.IsMultiball(cell) || balls.GetBallType(cell) == graph_type);
}

MoveCell MakeMoveCell(const CBallsField& balls, int cell)
{
    MoveCell m;
    m.cell = cell;
    g_LevelCfg.CellToPos(cell, m.x, m.y);
    m.is_multiball = balls.IsMultiball(cell);
    return m;
}

// A group's cells with their neighbours inside the group, by direction (up, right, down, left).
struct GroupGraph {
    std::vector<MoveCell> cells;
    std::vector<std::array<int, 4>> next;   // index in cells, -1 for none

    explicit GroupGraph(const std::vector<MoveCell>& group_cells) : cells(group_cells), next(group_cells.size())
    {
        std::unordered_map<int, int> index;
        for (size_t i = 0; i < cells.size(); ++i) index.emplace(cells[i].cell, int(i));
        for (size_t i = 0; i < cells.size(); ++i) {
            for (int d = nbUp; d <= nbLeft; ++d) {
                const auto it = index.find(g_LevelCfg.Neighbour(cells[i].cell, d));
                next[i][size_t(d)] = it == index.end() ? -1 : it->second;
            }
        }
    }
    int Size() const { return int(cells.size()); }
    // A corner lacks a group neighbour above or below, and one to the left or right.
    bool IsCorner(int i) const
    {
        const auto& n = next[size_t(i)];
        return (n[nbUp] < 0 || n[nbDown] < 0) && (n[nbLeft] < 0 || n[nbRight] < 0);
    }
    bool Plain(int i) const { return !cells[size_t(i)].is_multiball; }
};

int PlainCount(const std::vector<MoveCell>& cells)
{
    return int(std::count_if(cells.begin(), cells.end(), [](const MoveCell& c) { return !c.is_multiball; }));
}

bool IsPlayable(const std::vector<MoveCell>& path, int graph_type, const ChainRules& rules)
{
    return rules.Accepts(graph_type, int(path.size()), PlainCount(path));
}

// A path through the group that a chain accepts, searched exhaustively (depth first from every
// cell). A chain of another type than the finisher's needs no more than line-size cells: any longer
// one holds a window of line-size cells with a plain ball in it.
bool FindPlayablePath(const MoveGroup& group, const ChainRules& rules, std::vector<MoveCell>& out)
{
    out.clear();
    const int type = group.graph_type;
    if (!group.has_plain_ball || int(group.cells.size()) < rules.line_size) return false;
    const bool finisher = rules.IsFinisher(type);
    if (finisher && PlainCount(group.cells) < rules.n_finishers) return false;

    const GroupGraph graph(group.cells);
    std::vector<char> on_path(size_t(graph.Size()), 0);
    std::vector<int> path;
    int budget = kPathSearchBudget;
    const std::function<bool(int, int)> grow = [&](int v, int plain) -> bool {
        if (--budget < 0) return false;
        path.push_back(v);
        on_path[size_t(v)] = 1;
        plain += graph.Plain(v) ? 1 : 0;
        const int length = int(path.size());
        if (rules.Accepts(type, length, plain)) return true;
        const bool may_grow = finisher ? plain <= rules.n_finishers : length < rules.line_size;
        if (may_grow) {
            for (int d = nbUp; d <= nbLeft; ++d) {
                const int u = graph.next[size_t(v)][size_t(d)];
                if (u >= 0 && !on_path[size_t(u)] && grow(u, plain)) return true;
            }
        }
        path.pop_back();
        on_path[size_t(v)] = 0;
        return false;
    };
    // The group's corner cells are tried first, as the hint's path search starts from them.
    std::vector<int> starts;
    for (int i = 0; i < graph.Size(); ++i)
        if (graph.IsCorner(i)) starts.push_back(i);
    for (int i = 0; i < graph.Size(); ++i)
        if (!graph.IsCorner(i)) starts.push_back(i);
    for (int start : starts) {
        if (budget <= 0) break;
        if (!grow(start, 0)) continue;
        for (int v : path) out.push_back(graph.cells[size_t(v)]);
        return true;
    }
    if (budget <= 0)
        GetLog().Warning("CGameField: the path search of a group of %d cells gave up", graph.Size());
    return false;
}

// The connected groups of chainable balls, one set of groups per ball type, built in one scan of
// the field with the left and upper neighbours of each cell. Group 0 is an empty record.
void BuildGroups(const CBallsField& balls, std::vector<MoveGroup>& groups, std::vector<std::map<int, int>>& cell_groups)
{
    groups.clear();
    groups.emplace_back();
    cell_groups.assign(size_t(std::max(0, g_LevelCfg.GetCellCount())), {});
    const std::vector<int> multiball_types = MultiballTypes(balls);
    const auto group_of = [&cell_groups](int cell, int type) {
        const auto& map = cell_groups[size_t(cell)];
        const auto it = map.find(type);
        return it == map.end() ? 0 : it->second;
    };
    const auto join = [&](int group, int cell, int type) {
        MoveGroup& g = groups[size_t(group)];
        g.cells.push_back(MakeMoveCell(balls, cell));
        if (!g.cells.back().is_multiball) g.has_plain_ball = true;
        cell_groups[size_t(cell)][type] = group;
    };

    std::vector<int> types;
    for (int y = 0; y < g_LevelCfg.GetFieldHeight(); ++y) {
        for (int x = 0; x < g_LevelCfg.GetFieldWidth(); ++x) {
            const int cell = g_LevelCfg.CellAt(x, y);
            if (!Chainable(balls, cell)) continue;
            BallTypesOf(balls, cell, multiball_types, types);
            for (int type : types) {
                for (const int n : {g_LevelCfg.Neighbour(cell, nbLeft), g_LevelCfg.Neighbour(cell, nbUp)}) {
                    if (n < 0 || !MatchesType(balls, n, type)) continue;
                    const int g = group_of(cell, type);
                    const int h = group_of(n, type);
                    if (g == 0 && h == 0) {
                        const int id = int(groups.size());
                        MoveGroup fresh;
                        fresh.graph_type = type;
                        groups.push_back(std::move(fresh));
                        join(id, n, type);
                        join(id, cell, type);
                    } else if (g == 0) {
                        join(h, cell, type);
                    } else if (h == 0) {
                        join(g, n, type);
                    } else if (g != h) {
                        MoveGroup& into = groups[size_t(g)];
                        MoveGroup& from = groups[size_t(h)];
                        for (const MoveCell& c : from.cells) {
                            into.cells.push_back(c);
                            cell_groups[size_t(c.cell)][type] = g;
                        }
                        into.has_plain_ball = into.has_plain_ball || from.has_plain_ball;
                        from.cells.clear();
                        from.alive = false;
                    }
                }
            }
        }
    }
}

} // namespace

void CGameField::AnalyseMoves()
{
    BuildGroups(_balls, _groups, _cell_groups);
    _valid_moves = 0;
    const ChainRules rules = RulesOf(*this);
    std::vector<MoveCell> path;
    for (size_t id = 1; id < _groups.size(); ++id) {
        MoveGroup& g = _groups[id];
        g.valid_move = g.alive && g.has_plain_ball && int(g.cells.size()) >= rules.line_size &&
                       FindPlayablePath(g, rules, path);
        if (g.valid_move) ++_valid_moves;
    }

    // The special chain: a group of the finisher type holding exactly the level's finishers.
    const MoveGroup* special = nullptr;
    if (rules.finisher_type != 0 && rules.n_finishers > 0) {
        for (size_t id = 1; id < _groups.size() && !special; ++id) {
            MoveGroup& g = _groups[id];
            if (!g.valid_move || g.graph_type != rules.finisher_type || PlainCount(g.cells) != rules.n_finishers)
                continue;
            FindChainPath(g);
            if (g.path_found && IsPlayable(g.path, g.graph_type, rules)) special = &g;
        }
    }
    if (special) {
        if (_special_hint.GetState() != CMoveHint::E_NO_INIT) {
            std::vector<int> cells;
            for (const MoveCell& c : special->path) cells.push_back(c.cell);
            _special_hint.Show(cells);
            _special_hint.SetHold(true);
        }
        if (IFieldUser* user = GetFieldUser()) user->RequestHint(kSpecialChainHint);
    } else {
        _special_hint.FadeOut();
    }
    _analysis_requested = false;
}

int CGameField::GetCellGroup(int cell, int graph_type) const
{
    if (cell < 0 || size_t(cell) >= _cell_groups.size()) return 0;
    const auto& map = _cell_groups[size_t(cell)];
    const auto it = map.find(graph_type);
    return it == map.end() ? 0 : it->second;
}

// The paths grow from the group's corner cells, one cell per round each; a path forks at every
// choice while there are fewer than 64 paths, and later takes one choice at random. The longest path
// a chain accepts is taken (the first of equal length); when none of them is, a path the exhaustive
// search finds, so that a group with a move always gets a path that can be drawn.
void CGameField::FindChainPath(MoveGroup& group)
{
    group.path.clear();
    group.path_found = false;
    const GroupGraph graph(group.cells);
    struct Path {
        std::vector<int> cells;
        std::vector<char> visited;
        bool done = false;
    };
    std::vector<Path> paths;
    for (int i = 0; i < graph.Size(); ++i) {
        if (!graph.IsCorner(i)) continue;
        Path p;
        p.cells.push_back(i);
        p.visited.assign(size_t(graph.Size()), 0);
        p.visited[size_t(i)] = 1;
        paths.push_back(std::move(p));
    }
    if (paths.empty()) return;

    std::vector<int> choices;
    for (bool grew = true; grew;) {
        grew = false;
        const size_t round = paths.size();
        for (size_t i = 0; i < round; ++i) {
            if (paths[i].done) continue;
            choices.clear();
            for (int d = nbUp; d <= nbLeft; ++d) {
                const int u = graph.next[size_t(paths[i].cells.back())][size_t(d)];
                if (u >= 0 && !paths[i].visited[size_t(u)]) choices.push_back(u);
            }
            if (choices.empty()) {
                paths[i].done = true;
                continue;
            }
            int take = choices.front();
            if (paths.size() < kMaxForkedPaths) {
                for (size_t c = 1; c < choices.size() && paths.size() < kMaxForkedPaths; ++c) {
                    Path copy = paths[i];
                    copy.cells.push_back(choices[c]);
                    copy.visited[size_t(choices[c])] = 1;
                    paths.push_back(std::move(copy));
                }
            } else if (choices.size() > 1) {
                take = choices[size_t(RandomInt(0, int(choices.size()) - 1))];
            }
            paths[i].cells.push_back(take);
            paths[i].visited[size_t(take)] = 1;
            grew = true;
        }
    }

    const ChainRules rules = RulesOf(*this);
    const auto to_cells = [&graph](const Path& p) {
        std::vector<MoveCell> out;
        for (int v : p.cells) out.push_back(graph.cells[size_t(v)]);
        return out;
    };
    const Path* best = nullptr;
    const Path* best_playable = nullptr;
    for (const Path& p : paths) {
        if (!best || p.cells.size() > best->cells.size()) best = &p;
        if ((!best_playable || p.cells.size() > best_playable->cells.size()) &&
            IsPlayable(to_cells(p), group.graph_type, rules))
            best_playable = &p;
    }
    if (best_playable) {
        group.path = to_cells(*best_playable);
    } else if (!FindPlayablePath(group, rules, group.path)) {
        group.path = to_cells(*best);
    }
    group.path_found = true;
}

void CGameField::ShowRandomHint()
{
    if (_groups.empty()) return;
    const int count = int(_groups.size());
    const int start = RandomInt(0, count - 1);
    for (int k = 0; k < count; ++k) {
        MoveGroup& g = _groups[size_t((start + k) % count)];
        if (!g.valid_move) continue;
        FindChainPath(g);
        if (!g.path_found) continue;
        if (_first_hint.GetState() == CMoveHint::E_NO_INIT) return;
        std::vector<int> cells;
        for (const MoveCell& c : g.path) cells.push_back(c.cell);
        _first_hint.Show(cells);
        return;
    }
}

bool CGameField::FindMoveHintPosition(int graph_type, float& x, float& y, const HintRect& margin)
{
    if (_groups.empty()) return false;
    const int count = int(_groups.size());
    const int start = RandomInt(0, count - 1);
    for (int k = 0; k < count; ++k) {
        MoveGroup& g = _groups[size_t((start + k) % count)];
        if (!g.valid_move || (graph_type != 0 && g.graph_type != graph_type) || g.cells.empty()) continue;
        // The reference point: the centre of the rightmost cell, the topmost of those.
        const MoveCell* ref = &g.cells.front();
        for (const MoveCell& c : g.cells)
            if (c.x > ref->x || (c.x == ref->x && c.y < ref->y)) ref = &c;
        float cx = 0.0f, cy = 0.0f;
        if (!g_LevelCfg.CellToScreenCenter(ref->cell, cx, cy) || !FitsOnScreen(cx, cy, margin)) continue;
        FindChainPath(g);
        if (_first_hint.GetState() != CMoveHint::E_NO_INIT && g.path_found) {
            std::vector<int> cells;
            for (const MoveCell& c : g.path) cells.push_back(c.cell);
            _first_hint.Show(cells);
            _tutorial_target_shown = true;
        }
        x = cx;
        y = cy;
        return true;
    }
    return false;
}

// Only balls at rest that the player could otherwise chain are replaced: never a locked or boxed
// ball, and never a finisher, whose number the level's special chain counts on.
void CGameField::RenewBallsWhenStuck()
{
    const int count = g_LevelCfg.GetCellCount();
    if (count <= 0) return;
    std::vector<int> taken;
    for (int draw = 0; draw < kRenewDraws && int(taken.size()) < kRenewBalls; ++draw) {
        const int cell = RandomInt(0, count - 1);
        if (!_balls.HasUsableBall(cell) || !_balls.IsAtRest(cell) || _balls.IsBoxed(cell) || _balls.IsLocked(cell) ||
            _balls.IsFinisher(cell))
            continue;
        if (std::find(taken.begin(), taken.end(), cell) == taken.end()) taken.push_back(cell);
    }
    for (int cell : taken) _balls.SetBallState(cell, gosDead);
}

bool CGameField::StepMoveHints()
{
    if (_analysis_requested) {
        AnalyseMoves();
        if (_valid_moves > 0) {
            ArmFirstHint(MoveHintTimer::kRearmUpdates);
            _no_move_timer = MoveHintTimer();
        } else {
            _first_hint_timer = MoveHintTimer();
            _no_move_timer.delay = MoveHintTimer::kNoMoveUpdates;
            _no_move_timer.armed = true;
            FloatingPopup warning;
            warning.label = "No_moves_warn";
            warning.amount = 1;
            const IEngineCore* core = g_EngineCore;
            warning.x = core ? float(core->GetHalfWidth()) : 400.0f;
            warning.y = core ? float(core->GetHalfHeight()) : 300.0f;
            warning.speed = 0.3f;
            warning.delay = 100;
            _popups.push_back(warning);
        }
    }
    if (_valid_moves == 0 && _no_move_timer.armed && _no_move_timer.delay == 0) {
        RenewBallsWhenStuck();
        _no_move_timer = MoveHintTimer();
        return true;
    }
    if (_valid_moves > 0 && _first_hint_timer.armed && _first_hint_timer.delay == 0) {
        ShowRandomHint();
        ArmFirstHint(MoveHintTimer::kRearmUpdates);
    }
    return false;
}

void CGameField::CountDownHintTimers()
{
    for (MoveHintTimer* t : {&_first_hint_timer, &_no_move_timer})
        if (t->armed && t->delay > 0) --t->delay;
}

// The largest group with a move through the cell, of the field as it is now (the groups of the
// last analysis may be out of date after a bonus or a refill); without one, the cell alone.
void CGameField::GetMatchGroup(int cell, std::vector<int>& cells, int& graph_type) const
{
    cells.clear();
    graph_type = 0;
    if (!_balls.IsFieldCell(cell) || !_balls.HasBall(cell) || _balls.IsBoxed(cell)) return;
    if (Chainable(_balls, cell)) {
        const ChainRules rules = RulesOf(*this);
        std::vector<int> types;
        BallTypesOf(_balls, cell, MultiballTypes(_balls), types);
        MoveGroup best;
        std::vector<MoveCell> path;
        for (int type : types) {
            MoveGroup g;
            g.graph_type = type;
            std::vector<char> seen(size_t(g_LevelCfg.GetCellCount()), 0);
            seen[size_t(cell)] = 1;
            g.cells.push_back(MakeMoveCell(_balls, cell));
            for (size_t i = 0; i < g.cells.size(); ++i) {
                for (int d = nbUp; d <= nbLeft; ++d) {
                    const int n = g_LevelCfg.Neighbour(g.cells[i].cell, d);
                    if (n < 0 || seen[size_t(n)] || !MatchesType(_balls, n, type)) continue;
                    seen[size_t(n)] = 1;
                    g.cells.push_back(MakeMoveCell(_balls, n));
                }
            }
            g.has_plain_ball = PlainCount(g.cells) > 0;
            if (g.cells.size() > best.cells.size() && FindPlayablePath(g, rules, path)) best = std::move(g);
        }
        if (!best.cells.empty()) {
            for (const MoveCell& c : best.cells) cells.push_back(c.cell);
            graph_type = best.graph_type;
            return;
        }
    }
    const BallTypeEntryPtr ball_type = _balls.GetBallTypeEntry(cell);
    VERIFY(ball_type != NULL);
    cells.push_back(cell);
    graph_type = ball_type->graph_type;
}
