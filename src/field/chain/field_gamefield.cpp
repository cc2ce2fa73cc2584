#include "field/chain/field_gamefield.h"

#include "field/config/field_config.h"
#include "field/graph/field_graphobj.h"
#include "field/people/field_people.h"
#include "field/timebar/field_timer.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_input.h"
#include "engine/sound/engine_soundqueue.h"
#include "engine/text/engine_langtext.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace {

// The label of a floating popup: the names are the labels file's.
constexpr const char* FloatingLabel(const char* alias) { return alias; }

const char* PopupLabel(int resource_type)
{
    static const char* const kResourceLabels[] = {
        FloatingLabel("Res_score_01"), FloatingLabel("Res_score_02"), FloatingLabel("Res_score_03")};
    if (resource_type >= 1 && resource_type <= 3) return kResourceLabels[resource_type - 1];
    return FloatingLabel("Bonus_score");
}

// The direction (ENeighbour) of the step from one cell to its neighbour, -1 for none.
int StepDirection(int from, int to)
{
    for (int d = nbUp; d <= nbLeft; ++d)
        if (g_LevelCfg.Neighbour(from, d) == to) return d;
    return -1;
}

} // namespace

// ---- input and chain building

void CGameField::HandleInput(const FieldMouse& mouse)
{
    if (IsGoalReached()) return;
    RestoreCursor();
    // While the field appears or disappears its objects are lent to the run: nothing may change them.
    if (_appearer.IsRunning()) return;
    UpdateMouseOver(mouse.x, mouse.y);
    if (_refill_pending || _settle_pending || IsFinisherRunning() || _bonus_running) return;
    if (_bonus_armed) {
        if (mouse.left_pressed) {
            ApplyBonusAt(mouse.x, mouse.y);
            if (_bonus_kind == 0) _bonus_armed = false;
            ResetFirstHint();
            _special_hint.Hide();
        }
        return;
    }
    if (mouse.left_down) {
        const int cell = g_LevelCfg.PosToCell(mouse.x, mouse.y);
        if (!_balls.IsFieldCell(cell)) return;
        if (_player_selecting_chain && mouse.right_pressed) _chain.Clear();
        if (!_player_selecting_chain) {
            _player_selecting_chain = true;
            _chain_shown = true;
            ResetFirstHint();
        }
        AddChainCellAt(mouse.x, mouse.y);
    } else if (_player_selecting_chain) {
        FinishChain();
        _player_selecting_chain = false;
        _chain_shown = false;
        if (_refill_pending)
            ResetFirstHint();
        else
            ArmFirstHint(MoveHintTimer::kRearmUpdates);
    }
}

bool CGameField::SelectCursor(const std::string& name)
{
    if (!g_Mouse || !g_Mouse->SelectCursor(name)) return false;
    _cursor_name = name;
    return true;
}

void CGameField::RestoreCursor()
{
    if (!_cursor_name.empty() && g_Mouse) g_Mouse->SelectCursor(_cursor_name);
}

void CGameField::ResetFirstHint()
{
    _first_hint.Hide();
    _first_hint_timer = MoveHintTimer();
}

void CGameField::ArmFirstHint(int updates)
{
    _first_hint_timer.delay = std::max(0, updates);
    _first_hint_timer.armed = true;
}

void CGameField::AddChainCellAt(float x, float y)
{
    const int cell = g_LevelCfg.PosToCell(x, y);
    if (cell < 0) return;
    if (_chain.Contains(cell))
        TruncateChain(cell);
    else if (TryAddChainCell(cell))
        g_SoundQueue.QueueSound("it_select");
}

bool CGameField::TryAddChainCell(int cell) { return _chain.TryAddCell(_balls, cell); }
bool CGameField::TruncateChain(int cell) { return _chain.Truncate(cell); }

bool CGameField::UpdateMouseOver(float x, float y)
{
    const int cell = g_LevelCfg.PosToCell(x, y);
    if (!_balls.HasBall(cell)) {
        _hovered_cell = -1;
        _affected_cells.clear();
        return false;
    }
    if (cell != _hovered_cell) {
        _hovered_cell = cell;
        _affected_cells.clear();
        if (_bonus_armed) _bonuses.GetAffectedCells(cell, _affected_cells);
    }
    return true;
}

// ---- resolution

CreditPreview CGameField::PreviewCredit() const
{
    const BallTypeEntryPtr type = _balls.FindBallType(_chain.GetType());
    if (!type) return {};
    const auto& entries = _chain.GetEntries();
    int extra = int(entries.size()) - g_GameCfg.GetLineSize();
    for (const ChainEntry& e : entries) {
        if (e.is_multiball) ++extra;
        if (_tiles.HasLayersLeft(e.cell)) ++extra;
    }
    CreditPreview preview;
    preview.resource_type = type->credit_type;
    preview.amount = type->credit_amount > 0 ? type->credit_amount + extra : type->credit_amount;
    preview.score = type->score > 0 ? type->score + extra : type->score;
    return preview;
}

void CGameField::FinishChain()
{
    const auto entries = _chain.GetEntries();
    if (!_chain.IsStarted() || !_chain.IsComplete() || _balls.HasMovingChain()) {
        if (entries.size() >= 2) g_SoundQueue.QueueSound("it_mismatch");
        _chain.Clear();
        return;
    }
    const BallTypeEntryPtr chain_type = _balls.FindBallType(_chain.GetType());
    const bool finisher = chain_type && chain_type->is_finisher;
    if (finisher) {
        if (_chain.PlainLength() != _stats.n_finishers) {
            g_SoundQueue.QueueSound("it_mismatch");
            _chain.Clear();
            return;
        }
        // The clearing starts once the chain's refill has brought the field to rest.
        _goal = true;
        _finisher_running = true;
        ResetFirstHint();
    }
    if (IFieldUser* user = GetFieldUser()) user->SetFirstChainDone();

    std::vector<MovingChainEntry> candidates;
    for (const ChainEntry& e : entries) candidates.push_back({e.cell, _balls.IsLocked(e.cell), false});

    ChainStats stats;
    stats.length = int(entries.size());
    stats.time = _stats.time;
    stats.finisher = finisher;
    stats.resource_type = chain_type ? chain_type->credit_type : 0;
    const CreditPreview preview = PreviewCredit();
    std::vector<int> cells;
    for (const ChainEntry& e : entries) {
        CreditChainBall(preview, e.cell, &stats);
        HitBall(e.cell, &stats, true);
        cells.push_back(e.cell);
    }
    HitNeighbours(cells, stats);
    _stats.AddChain(stats.length, stats.score);
    if (IFieldUser* user = GetFieldUser()) user->AddChain(stats);
    TellPeople(stats);

    CreateMultiballs(candidates);

    // The line behind the chain slides in first, then along the dragged path.
    std::vector<MovingChainEntry> line = MovingLine();
    line.insert(line.end(), candidates.begin(), candidates.end());
    _balls.StartMovingChain(line);

    if (_is_bonus_level) g_MovesCounter.SpendMove();
    _refill_pending = true;
    _chain.Clear();
}

// The men see the chain's length, the level's time and the tile layers it broke, with the
// resources gained in the level so far.
void CGameField::TellPeople(const ChainStats& stats) const
{
    PeopleChain chain;
    chain.length = stats.length;
    chain.level_time_ms = stats.time;
    chain.layers_broken = stats.tiles_broken;
    PeopleLevelFacts level;
    level.time_ms = stats.time;
    for (const auto& [type, amount] : _stats.collect)
        if (type >= 1 && type <= 3) level.collected[type] = amount;
    level.finisher = stats.finisher;
    GetPeople().OnChain(chain, level);
}

// Chooses the multiball cells among the chain's free candidates (marked used) and places them.
void CGameField::CreateMultiballs(std::vector<MovingChainEntry>& candidates)
{
    const int wanted = g_GameCfg.GetMultiballCount(int(candidates.size()));
    const auto free = [&candidates](int i) { return !candidates[size_t(i)].is_locked && !candidates[size_t(i)].is_multiball; };
    std::vector<int> chosen;
    for (int n = 0; n < wanted; ++n) {
        int i = int(candidates.size()) - 1;
        while (i >= 0 && !free(i)) --i;
        if (i < 0) break;
        while (i > 0 && free(i - 1)) --i;
        candidates[size_t(i)].is_multiball = true;
        chosen.push_back(candidates[size_t(i)].cell_index);
    }
    if (!chosen.empty() && _balls.GetMultiballType() == 0) {
        GetLog().Warning("CGameField: the level has no multiball type, a chain of %d makes none",
                         int(candidates.size()));
        for (MovingChainEntry& c : candidates) c.is_multiball = false;
        chosen.clear();
    }
    if (chosen.empty()) {
        _multiball_series = 0;
        return;
    }
    for (int cell : chosen) _balls.RemoveBall(cell);
    _balls.ChooseNewBall(chosen, 0, 0, nbMultiballCreate, 0);
    if (IFieldUser* user = GetFieldUser()) user->RequestHint(1000 + _balls.GetMultiballType());
    ++_multiball_series;
    g_SoundQueue.QueueSound(g_GameCfg.GetMultiballSample(_multiball_series));
}

// The cells behind the chain's first cell, farthest first, in the direction away from its second;
// the walk stops at the field's edge (it never wraps to another row), at a closed cell and at a
// chain cell.
std::vector<MovingChainEntry> CGameField::MovingLine() const
{
    std::vector<MovingChainEntry> line;
    const auto& entries = _chain.GetEntries();
    if (entries.size() < 2) return line;
    const int direction = StepDirection(entries[1].cell, entries[0].cell);
    if (direction < 0) return line;
    for (int c = g_LevelCfg.Neighbour(entries[0].cell, direction);
         c >= 0 && !_balls.IsClosed(c) && !_chain.Contains(c); c = g_LevelCfg.Neighbour(c, direction))
        line.push_back({c, _balls.IsLocked(c), false});
    std::reverse(line.begin(), line.end());
    return line;
}

bool CGameField::HitBall(int cell, ChainStats* stats, bool from_chain)
{
    if (!_balls.IsFieldCell(cell)) {
        GetLog().Warning("CGameField: a hit on cell %d, which is not a field cell, is skipped", cell);
        return false;
    }
    if (!_balls.HasBall(cell)) return false;
    if (_balls.IsBoxed(cell)) {
        _balls.HitBox(cell);
        if (stats) ++stats->boxes_opened;
        return true;
    }
    if (_balls.IsLocked(cell)) {
        _balls.HitLock(cell);
        if (stats) ++stats->locks_opened;
        return true;
    }
    (void)from_chain;
    if (_balls.IsAtRest(cell))
        _balls.SetBallState(cell, gosDead);
    else if (_balls.GetBallGraphState(cell) != gosDead)
        return false;
    if (!_tiles.HitCell(cell)) return false;
    ++_stats.n_puzzles_broke;
    if (stats) ++stats->tiles_broken;
    return true;
}

void CGameField::HitNeighbours(const std::vector<int>& cells, ChainStats& stats)
{
    std::vector<int> boxes, walls;
    const auto add_once = [](std::vector<int>& list, int cell) {
        if (std::find(list.begin(), list.end(), cell) == list.end()) list.push_back(cell);
    };
    for (int cell : cells) {
        for (int d = nbUp; d <= nbLeft; ++d) {
            const int n = g_LevelCfg.Neighbour(cell, d);
            if (n < 0) continue;
            if (_balls.HasUsableBall(n) && _balls.IsBoxed(n)) add_once(boxes, n);
            if (_balls.HasWall(n)) add_once(walls, n);
        }
    }
    for (int cell : boxes) {
        if (!_balls.HasBall(cell) || !_balls.IsBoxed(cell)) continue;
        _balls.HitBox(cell);
        ++stats.boxes_opened;
    }
    std::vector<int> destroyed;
    for (int cell : walls) {
        _balls.HitWall(cell);
        ++stats.walls_hit;
        if (!_balls.HasWall(cell)) destroyed.push_back(cell);
    }
    if (!destroyed.empty()) OpenBehindWalls(destroyed);
}

// Records the destroyed walls and the closed field cells without wall reached from them.
void CGameField::OpenBehindWalls(const std::vector<int>& destroyed)
{
    std::vector<int> list = destroyed;
    for (size_t i = 0; i < list.size(); ++i) {
        for (int d = nbUp; d <= nbLeft; ++d) {
            const int n = g_LevelCfg.Neighbour(list[i], d);
            if (n < 0 || !_balls.IsFieldCell(n) || _balls.IsUsable(n) || _balls.HasWall(n)) continue;
            if (std::find(list.begin(), list.end(), n) == list.end()) list.push_back(n);
        }
    }
    for (int cell : list)
        if (std::find(_opening.begin(), _opening.end(), cell) == _opening.end()) _opening.push_back(cell);
    _opening_pending = !_opening.empty();
}

// One opened cell per step: a cell that holds a ball is simply opened; an empty one is opened and
// fed by the line of balls of a usable neighbour (from above first), which slides into it through
// the moving chain. When no recorded cell touches a usable one, the rest are opened at once.
void CGameField::StepFieldOpening()
{
    if (!_opening_pending || _balls.HasMovingChain()) return;
    static const int kFeedOrder[] = {nbUp, nbLeft, nbRight, nbDown};
    for (auto it = _opening.begin(); it != _opening.end(); ++it) {
        const int cell = *it;
        if (_balls.HasBall(cell)) {
            _balls.EnableCell(cell);
            _opening.erase(it);
            _opening_pending = !_opening.empty();
            return;
        }
        for (int d : kFeedOrder) {
            const int feeder = g_LevelCfg.Neighbour(cell, d);
            if (feeder < 0 || !_balls.IsUsable(feeder) || !_balls.HasBall(feeder) || !_balls.IsAtRest(feeder)) continue;
            std::vector<MovingChainEntry> line;
            for (int c = feeder; c >= 0 && _balls.IsUsable(c) && _balls.HasBall(c) && !_balls.IsLocked(c);
                 c = g_LevelCfg.Neighbour(c, d))
                line.push_back({c, false, false});
            if (line.empty()) continue;
            std::reverse(line.begin(), line.end());
            _balls.EnableCell(cell);
            line.push_back({cell, false, false});
            _balls.StartMovingChain(line);
            _opening.erase(it);
            _opening_pending = !_opening.empty();
            return;
        }
    }
    for (int cell : _opening) _balls.EnableCell(cell);
    _opening.clear();
    _opening_pending = false;
}

bool CGameField::CreditChainBall(const CreditPreview& preview, int cell, ChainStats* stats)
{
    IFieldUser* user = GetFieldUser();
    if (user) user->AddScore(preview.score);
    _stats.score += preview.score;
    if (stats) stats->score += preview.score;
    if (preview.amount != 0) {
        if (user) {
            if (preview.resource_type >= 1 && preview.resource_type <= 3)
                user->AddResource(preview.resource_type, preview.amount);
            else
                user->AddBonusCredit(preview.resource_type, preview.amount);
        }
        _stats.collect[preview.resource_type] += preview.amount;
        if (stats) stats->amount += preview.amount;
        AddPopup(cell, preview.resource_type, preview.amount);
    }
    return preview.score != 0;
}

bool CGameField::CreditBall(int cell, int amount)
{
    if (!_balls.HasBall(cell)) return false;
    const BallTypeEntryPtr type = _balls.GetBallTypeEntry(cell);
    CreditPreview preview;
    preview.resource_type = type->credit_type;
    preview.amount = amount != 0 ? amount : type->credit_amount;
    preview.score = type->score;
    return CreditChainBall(preview, cell, nullptr) || preview.amount != 0;
}

void CGameField::AddPopup(int cell, int resource_type, int amount)
{
    FloatingPopup popup;
    popup.label = PopupLabel(resource_type);
    popup.amount = amount;
    g_LevelCfg.CellToScreenCenter(cell, popup.x, popup.y);
    _popups.push_back(popup);
}

void CGameField::UpdatePopups()
{
    for (FloatingPopup& p : _popups) {
        p.y -= p.speed;
        if (p.delay > 0)
            --p.delay;
        else
            p.alpha -= p.alpha_step;
    }
    std::erase_if(_popups, [](const FloatingPopup& p) { return p.alpha < 1; });
}

void CGameField::RenderPopups()
{
    for (FloatingPopup& p : _popups) {
        if (!p.text) {
            p.text = std::make_shared<CStaticLabel>(p.label);
            p.text->SetParam(p.amount);
        }
        p.text->SetPosition(p.x, p.y);
        p.text->SetAlpha(uint32_t(std::clamp(p.alpha, 0, 255)));
        p.text->Draw();
        // The resource's icon stands left of the text.
        if (p.icon >= 1 && p.icon <= 3 && !_resource_icons[p.icon - 1].texture.empty()) {
            const GraphicsDesc& icon = _resource_icons[p.icon - 1];
            const float ix = p.x - float(icon.width) - 24.0f;
            if (!p.icon_sprite) {
                p.icon_sprite = std::make_shared<CSprite>();
                p.icon_sprite->Init(ix, p.y, icon);
            }
            p.icon_sprite->SetPosition(ix, p.y);
            p.icon_sprite->SetAlpha(uint32_t(std::clamp(p.alpha, 0, 255)));
            p.icon_sprite->Draw();
        }
    }
}

// ---- finisher

void CGameField::StartFinisher()
{
    _finisher_delay.assign(size_t(std::max(0, g_LevelCfg.GetCellCount())), -1);
    int order = 0;
    for (int row = 0; row < g_LevelCfg.GetFieldHeight(); ++row) {
        for (int i = 0; i < g_LevelCfg.GetFieldWidth(); ++i) {
            const int column = row % 2 == 0 ? i : g_LevelCfg.GetFieldWidth() - 1 - i;
            const int cell = g_LevelCfg.CellAt(column, row);
            if (!_balls.IsFieldCell(cell)) continue;
            if (!_balls.IsUsable(cell)) _balls.EnableCell(cell);
            _finisher_delay[size_t(cell)] = 3 * order++;
        }
    }
    _finisher_fired = _finisher_boxed = _finisher_locked = _finisher_tiled = 0;
}

bool CGameField::StepFinisher()
{
    bool pending = false;
    for (size_t cell = 0; cell < _finisher_delay.size(); ++cell) {
        int& delay = _finisher_delay[cell];
        if (delay < 0) continue;
        if (delay > 0) {
            --delay;
            pending = true;
            continue;
        }
        delay = -1;
        const int c = int(cell);
        const bool tiled = _tiles.HasLayersLeft(c);
        // Only some of the fired cells are heard: the first and every sixth, and every fourth
        // boxed, locked or tiled one.
        bool heard = _finisher_fired++ % 6 == 0;
        if (_balls.IsBoxed(c)) heard = (_finisher_boxed++ % 4 == 0) || heard;
        if (_balls.IsLocked(c)) heard = (_finisher_locked++ % 4 == 0) || heard;
        if (tiled) heard = (_finisher_tiled++ % 4 == 0) || heard;
        const bool was_muted = g_SoundQueue._mute;
        g_SoundQueue._mute = was_muted || !heard;
        if (tiled && _balls.HasBall(c) && _balls.FindBallType(_balls.GetBallType(c))) CreditBall(c, 0);
        HitCell(c, 6, false);
        g_SoundQueue._mute = was_muted;
    }
    return pending;
}

// ---- update and goal

bool CGameField::IsFieldAtRest() const
{
    if (_balls.HasMovingChain() || _opening_pending) return false;
    for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell) {
        const int state = _balls.GetCellState(cell);
        if (state == csBusy || state == csMoving || state == csWaitSlide) return false;
        if (state == csEmpty && _balls.IsUsable(cell)) return false;
    }
    return true;
}

void CGameField::Refill()
{
    std::vector<int> waiting;
    _balls.ListWaitingCells(waiting);
    if (!waiting.empty()) _balls.ChooseNewBall(waiting, 1, 1, nbPlainCreate, 0);
}

// One update of the field, after its drawing in the same frame.
void CGameField::Update()
{
    const int scene_state = FieldSceneState();
    const bool playing = scene_state == IFieldScene::kPlaying;
    // The level's clocks run while the scene plays; the time bar runs on through a normal level's
    // finish, where its rest turns into resources.
    Pause(!playing);
    if (!_is_bonus_level && scene_state == IFieldScene::kCrossState && FieldCrossState() == IFieldScene::kLevelFinish)
        g_GameTimer.Pause(false);
    if (_appearer.IsRunning()) {
        _appearer.Update();
        return;
    }
    UpdatePopups();
    if (!playing) return;

    StepBonuses();
    // The field settles: the finisher's clearing, the slides of the moving chain, the opening behind
    // destroyed walls and new balls for the waiting cells, until it has come to rest.
    if (_finisher_step) _finisher_step = StepFinisher();
    _balls.Update();
    if (_opening_pending) StepFieldOpening();
    // While a bonus acts, only the bonus brings new balls.
    if (!_bonus_running) Refill();
    if ((_refill_pending || _settle_pending) && !_finisher_step && !_bonus_running && IsFieldAtRest()) {
        // A bonus whose grade changed shows its new look before the field is at rest; on a bonus
        // level a complete bonus turns into another first. A finisher chain's clearing runs then,
        // and the field settles again after it.
        if (_is_bonus_level) _balls.ReplaceCompleteBonuses();
        if (_balls.NeedsImageChange()) {
            _balls.ApplyImageChanges();
            g_SoundQueue.QueueSound("bonus_image_change");
        } else if (_finisher_running) {
            _finisher_running = false;
            StartFinisher();
            _finisher_step = true;
        } else {
            _refill_pending = _settle_pending = false;
            _bag_type = 0;
            RequestMoveAnalysis();
        }
    }
    // At rest: the moves, the first hint when it is due, the renewal of a field without moves.
    if (!_refill_pending && !_settle_pending && !_bonus_running && StepMoveHints()) _settle_pending = true;

    // The level's time and its time alert, as the level's record keeps them. A level whose
    // stopwatch never started keeps the time it was given.
    if (!_level_watch.IsStopped()) _stats.time = int(std::min<uint32_t>(_level_watch.GetElapsed(), INT32_MAX));
    if (_is_bonus_level)
        _stats.was_time_alert = false;
    else if (g_GameTimer.IsWarningOn())
        _stats.was_time_alert = true;

    // A finished level hands over to the scene's finish.
    if (!_refill_pending && !_settle_pending && IsLevelFinished()) {
        ResetInput();
        if (IFieldScene* scene = GetFieldScene())
            scene->StartCrossState(_is_bonus_level ? IFieldScene::kBonusLevelFinish : IFieldScene::kLevelFinish);
    }

    _tiles.Update();
    CountDownHintTimers();
}

// Draws the field: the tiles, the balls, the marks of the chain and of the hovered cell, the popups
// and the hints. While the field appears or disappears only its objects are drawn.
void CGameField::Render()
{
    if (!_view_loaded) {
        _view.Load();
        _view_loaded = true;
    }
    const int scene_state = FieldSceneState();
    const bool idle = !_appearer.IsRunning();
    const bool playing = scene_state == IFieldScene::kPlaying;
    _tiles.Render();
    _balls.Render();
    _bonuses.DrawBonuses();
    if (idle && playing) {
        _view.Layout(_chain, _chain_shown, _hovered_cell, _affected_cells);
        _view.Render();
    }
    if (idle && (playing || (scene_state == IFieldScene::kCrossState &&
                             FieldCrossState() == IFieldScene::kBonusLevelFinish)))
        RenderPopups();
    if (idle && (playing || scene_state == IFieldScene::kHintShown)) {
        _special_hint.Update();
        _first_hint.Update();
    }
}

bool CGameField::IsGoalReached() const
{
    if (_is_bonus_level) return g_MovesCounter.GetRemainingMoves() <= 0 || _balls.AllBonusesComplete();
    return _goal || _stats.n_puzzles_broke >= _stats.n_puzzles;
}

bool CGameField::IsLevelFinished() const
{
    if (!IsGoalReached()) return false;
    if (_balls.HasMovingChain() || _balls.HasPendingMoves() || CEffectCounter::HasRunning()) return false;
    if (IsFinisherRunning() || _bonus_running) return false;
    if (_balls.HasBallInGraphState(gosDead) || _balls.HasBallInGraphState(gosExplosion)) return false;
    return !_is_bonus_level || !g_MovesCounter.IsPanelAnimating();
}

bool CGameField::IsQuiet() const
{
    return !_refill_pending && !_opening_pending && !IsFinisherRunning() && !_bonus_running;
}

bool CGameField::IsFieldBusy() const
{
    return _appearer.IsRunning() || CEffectCounter::HasRunning() || _balls.HasMovingChain() || _balls.HasPendingMoves();
}
