// The level's life on the field: the shared marks and icons, a level file read into the layers and
// the level's clock, its start, its restart after a lost life, the save and restore of a level in
// progress, the appear and disappear runs over the field's objects, and the end of a level that turns
// the moves or the time left into resources.
#include "field/chain/field_gamefield.h"

#include "field/config/field_config.h"
#include "field/graph/field_graphobj.h"
#include "field/people/field_people.h"
#include "field/timebar/field_timer.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <stdexcept>

namespace {

const char* const kCommonFile = "Settings\\Bases\\Common.xml";
const char* const kEndLevelSample = "end_level";

// The large popup of a resource credited at a bonus level's end; null for an unknown type.
const char* BigResourceLabel(int resource_type)
{
    static const char* const kLabels[] = {"Res_score_big_01", "Res_score_big_02", "Res_score_big_03"};
    if (resource_type >= 1 && resource_type <= 3) return kLabels[resource_type - 1];
    GetLog().Error("Unknown bonus resource type %d", resource_type);
    return nullptr;
}

// The level facts the men judge a completed level by.
PeopleLevelFacts LevelFacts(const LevelStats& stats)
{
    PeopleLevelFacts facts;
    facts.time_ms = stats.time;
    for (const auto& [type, amount] : stats.collect)
        if (type >= 1 && type <= 3) facts.collected[type] = amount;
    facts.time_alert = stats.was_time_alert;
    facts.lives_lost = stats.n_lives_loss;
    facts.bonuses_used = int(stats.bonus_use.size());
    facts.finisher = stats.was_finish_move;
    return facts;
}

// A graph object the field's layers own, lent to a run that ends before the layers change.
CGraphObjPtr Lent(CGraphObj* obj) { return CGraphObjPtr(CGraphObjPtr(), obj); }

} // namespace

// ---- resources

void CGameField::LoadResources()
{
    _cursor_name = "default";
    const std::string path = kCommonFile;
    try {
        const CXMLFile file(path);
        const CXMLNode common = file.SelectSingleNode("Common");
        if (!common.IsValid()) {
            GetLog().Error("Game field: %s has no Common element; the field's marks and icons are not shown.",
                           path.c_str());
        } else {
            _first_hint.Load(common.SelectSingleNode("ChainArrow"), common.SelectSingleNode("AvailMoveSelect"));
            _special_hint.LoadMarks(common.SelectSingleNode("FinishMoveSelect"));
            static const char* const kIcons[] = {"Resource01", "Resource02", "Resource03"};
            for (int i = 0; i < 3; ++i) {
                _resource_icons[i] = GraphicsDesc();
                const CXMLNode node = common.SelectSingleNode(kIcons[i]);
                if (node.IsValid())
                    ReadGraphics(node, _resource_icons[i]);
                else
                    GetLog().Error("Game field: no icon \"%s\" in %s", kIcons[i], path.c_str());
            }
        }
    } catch (const std::exception& e) {
        GetLog().Error("Game field: %s could not be read (%s); the field's marks and icons are not shown.",
                       path.c_str(), e.what());
    }
    _view.Load(path);
    _view_loaded = true;
    LoadAppearOptions();
    _goal = false;
    _refill_pending = _opening_pending = _finisher_running = _finisher_step = false;
}

// ---- the level file

void CGameField::ResetLevelState()
{
    _appearer = CFieldAppearer();
    _show_started = false;
    _chain.Clear();
    _player_selecting_chain = _chain_shown = false;
    _hovered_cell = -1;
    _affected_cells.clear();
    _goal = _refill_pending = _opening_pending = _finisher_running = _finisher_step = false;
    _multiball_series = 0;
    _popups.clear();
    ResetFirstHint();
    _special_hint.Hide();
    _no_move_timer = MoveHintTimer();
    _opening.clear();
    _finisher_delay.assign(size_t(std::max(0, g_LevelCfg.GetCellCount())), -1);
    _finisher_fired = _finisher_boxed = _finisher_locked = _finisher_tiled = 0;
    _end_step = _hide_step = 0;
    _end_timer.Reset();
    _bonus_carry = 0.0;
    _bonus_drained = 0.0f;
    _analysis_requested = false;
    _groups.clear();
    _cell_groups.clear();
    _valid_moves = 0;
    _tutorial_target_shown = false;
    _clover_type = _bag_type = 0;
}

void CGameField::LoadLevel(const std::string& path, bool is_bonus_level) { ReadLevelFile(path, is_bonus_level, false); }

void CGameField::ReadLevelFile(const std::string& path, bool is_bonus_level, bool with_clock)
{
    const CXMLFile file(path);
    const CXMLNode root = file.SelectSingleNode("Level");
    VERIFY(root.IsValid());
    LoadLevel(root, path, is_bonus_level);
    if (with_clock) LoadLevelClock(root);
}

void CGameField::LoadLevel(const CXMLNode& level_root, const std::string& level_name, bool is_bonus_level)
{
    // A run over the old layers' objects ends before they go.
    _appearer = CFieldAppearer();
    try {
        g_LevelCfg.Load(level_root);
        for (const auto& [ordinary, twice] : {std::pair{"ordinary_locked_probability", "double_locked_probability"},
                                              std::pair{"ordinary_boxed_probability", "double_boxed_probability"}}) {
            const int sum = g_LevelCfg.GetInt(ordinary) + g_LevelCfg.GetInt(twice);
            if (sum < 100) continue;
            const std::string message = "Level " + level_name + ": " + ordinary + " + " + twice + " is " +
                                        std::to_string(sum) + ", it must be below 100";
            GetLog().Error("%s", message.c_str());
            throw std::runtime_error(message);
        }

        _info = LevelFieldInfo();
        _info.is_bonus_level = is_bonus_level;
        _is_bonus_level = is_bonus_level;
        _balls.LoadLevel(level_root, _info);
        _tiles.LoadLevel(level_root, _info);
    } catch (...) {
        // Nothing of the old level stays beside the new configuration.
        _balls.Reset();
        _info = LevelFieldInfo();
        _stats = LevelRecord();
        ResetLevelState();
        throw;
    }
    _stats = LevelRecord();
    static_cast<LevelFieldInfo&>(_stats) = _info;
    if (const IFieldUser* user = GetFieldUser())
        _stats.i_level = is_bonus_level ? user->GetBonusLevelNumber() : user->GetLevelNumber();
    ResetLevelState();
    FillWaitingCells();
}

void CGameField::LoadLevelClock(const CXMLNode& level_root)
{
    if (_is_bonus_level)
        g_MovesCounter.Load(level_root);
    else
        g_GameTimer.Load(level_root);
}

// ---- start, restart, save and restore

void CGameField::StartLevel(const std::string& path, bool is_bonus_level)
{
    _is_bonus_level = is_bonus_level;
    _level_path = path;
    _stats.Reset();
    ReadLevelFile(path, is_bonus_level, true);
    _level_watch.Stop();
    _level_watch.Reset();
    _level_watch.Start();

    bool resumed = false;
    FieldSaveRecord saved;
    if (const IFieldUser* user = GetFieldUser(); user && user->GetSavedLevel(is_bonus_level, saved)) {
        resumed = LoadGame(saved);
        if (!resumed) GetLog().Warning("Game field: the saved level %s is not restored; it starts afresh.", path.c_str());
    }
    if (resumed)
        GetPeople().ResumeLevel(is_bonus_level);
    else
        GetPeople().StartLevel(is_bonus_level);
}

void CGameField::RestartLevel()
{
    // The level's figures stay but for its progress; its description is the new load's.
    const LevelRecord kept = _stats;
    ReadLevelFile(_level_path, _is_bonus_level, true);
    const LevelInfo info = _stats;
    _stats = kept;
    static_cast<LevelInfo&>(_stats) = info;
    _stats.ResetProgress();
    _level_watch.Stop();
    _level_watch.Reset();
    _level_watch.Start();
}

void CGameField::SaveGame(FieldSaveRecord& record) const
{
    record = FieldSaveRecord();
    record.exists = true;
    record.stats = _stats;
    if (_is_bonus_level)
        record.moves_left = g_MovesCounter.SaveMoves();
    else
        record.remained_time = g_GameTimer.SaveTime();
    record.elapsed_time = int32_t(std::min<uint32_t>(_level_watch.GetElapsed(), std::numeric_limits<int32_t>::max()));
    _tiles.Save(record.tiles);
    _balls.Save(record.balls);
}

namespace {

// Why a saved level does not fit the loaded one (empty: it fits). The level's cells are the field
// cells of the balls layer; the record must name each of them once, and only them.
std::string CheckSavedLevel(const FieldSaveRecord& record, bool is_bonus_level, const LevelFieldInfo& info,
                            const CBallsField& balls, const CTilesField& tiles)
{
    if (!record.exists) return "the record holds no level";
    if (record.stats.is_bonus_level != is_bonus_level)
        return is_bonus_level ? "it was saved from a normal level" : "it was saved from a bonus level";
    if (record.stats.n_puzzles != info.n_puzzles || record.stats.n_finishers != info.n_finishers)
        return "its tile layers or finishers are not the level's";
    if (record.stats.n_puzzles_broke < 0 || record.stats.n_puzzles_broke > record.stats.n_puzzles)
        return "its count of broken tile layers is out of range";
    if (record.elapsed_time < 0) return "its elapsed time is negative";
    if (is_bonus_level ? record.moves_left < 0 : record.remained_time < 0) return "its time or moves left are negative";
    if (record.balls.types.empty()) return "it names no ball type";
    std::set<int> types;
    for (int graph_type : record.balls.types) {
        BallTypeEntry entry;
        if (!GetBallsDepot().GetEntry(graph_type, entry))
            return "its ball type " + std::to_string(graph_type) + " is unknown";
        types.insert(graph_type);
    }
    const auto at = [](int x, int y) { return "(" + std::to_string(x) + ", " + std::to_string(y) + ")"; };
    std::set<int> cells;
    for (const auto& c : record.balls.cells) {
        const int cell = g_LevelCfg.CellAt(c.x, c.y);
        if (!balls.IsFieldCell(cell)) return "its cell " + at(c.x, c.y) + " is not a cell of the field";
        if (!cells.insert(cell).second) return "its cell " + at(c.x, c.y) + " is named twice";
        if (c.wall < 0 || c.wall > 3) return "the wall of its cell " + at(c.x, c.y) + " is out of range";
    }
    int field_cells = 0;
    for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell) field_cells += balls.IsFieldCell(cell);
    if (int(cells.size()) != field_cells) return "its cells are not the level's";
    std::set<int> with_ball;
    for (const auto& b : record.balls.balls) {
        const int cell = g_LevelCfg.CellAt(b.x, b.y);
        if (!cells.count(cell)) return "its ball at " + at(b.x, b.y) + " lies outside its cells";
        if (!with_ball.insert(cell).second) return "its cell " + at(b.x, b.y) + " holds two balls";
        if (!types.count(b.graph_type)) return "its ball at " + at(b.x, b.y) + " has a type it does not name";
        if (b.lock < 0 || b.lock > 2 || b.box < 0 || b.box > 2)
            return "the lock or box of its ball at " + at(b.x, b.y) + " is out of range";
    }
    std::set<int> tiled;
    for (const auto& t : record.tiles.cells) {
        const int cell = g_LevelCfg.CellAt(t.x, t.y);
        const TileCell* c = tiles.GetCell(cell);
        if (!c || c->_tiles.size() < 2) return "its tile stack at " + at(t.x, t.y) + " is not one of the level's";
        if (!tiled.insert(cell).second) return "its tile stack at " + at(t.x, t.y) + " is named twice";
        if (t.current < 0 || size_t(t.current) >= c->_tiles.size())
            return "the shown layer of its tile stack at " + at(t.x, t.y) + " is out of range";
    }
    return {};
}

} // namespace

bool CGameField::LoadGame(const FieldSaveRecord& record)
{
    const std::string fault = CheckSavedLevel(record, _is_bonus_level, _info, _balls, _tiles);
    if (!fault.empty()) {
        GetLog().Error("Game field: the saved level is damaged (%s); it is not restored.", fault.c_str());
        return false;
    }
    static_cast<LevelStats&>(_stats) = record.stats;
    if (_is_bonus_level)
        g_MovesCounter.RestoreMoves(record.moves_left);
    else
        g_GameTimer.RestoreTime(record.remained_time);
    _level_watch.SetPaused(uint32_t(record.elapsed_time));
    _level_watch.Resume();
    _tiles.Restore(record.tiles);
    _balls.Restore(record.balls);
    _analysis_requested = true;
    return true;
}

void CGameField::Clear()
{
    ResetLevelState();
    _balls.Reset();
    _tiles = CTilesField();
    // Nothing is left to show: the next level appears again.
    _field_shown = false;
}

void CGameField::ResetInput()
{
    _clover_type = _bag_type = 0;
    _chain.Clear();
    _player_selecting_chain = _chain_shown = false;
    _hovered_cell = -1;
    _affected_cells.clear();
}

// ---- showing and hiding the field

void CGameField::CollectCellObjects(CellObjects& list) const
{
    list.assign(size_t(std::max(0, g_LevelCfg.GetCellCount())), {});
    for (size_t cell = 0; cell < list.size(); ++cell) {
        auto& objects = list[cell];
        if (CGraphObjPtr tile = _tiles.GetCellObjects(int(cell))) objects.push_back(tile);
        const FieldCell* c = _balls.GetCell(int(cell));
        if (!c) continue;
        if (c->ball)
            for (CGraphObj* obj : {c->ball->_graph_obj.get(), c->ball->_lock_obj.get(), c->ball->_box_obj.get()})
                if (obj) objects.push_back(Lent(obj));
        if (c->_wall_obj) objects.push_back(c->_wall_obj);
    }
}

void CGameField::ShowField()
{
    if (_field_shown) return;
    if (CEffectCounter::HasRunning()) {
        _balls.FinishEffects();
        _tiles.FinishEffects();
    }
    CellObjects objects;
    CollectCellObjects(objects);
    _appearer.FieldStart(std::move(objects));
    _field_shown = true;
}

void CGameField::HideField()
{
    if (!_field_shown) return;
    if (CEffectCounter::HasRunning()) {
        _balls.FinishEffects();
        _tiles.FinishEffects();
    }
    CellObjects objects;
    CollectCellObjects(objects);
    _appearer.FieldOver(std::move(objects));
    _field_shown = false;
    _chain_shown = false;
}

bool CGameField::StepShowField(bool start)
{
    if (start) {
        RandomSeed(0);
        _clover_type = _bag_type = 0;
        _popups.clear();
        _cursor_name = "default";
        ResetInput();
        _opening.clear();
        _opening_pending = false;
        ResetFirstHint();
        _special_hint.Hide();
        _no_move_timer = MoveHintTimer();
        FillWaitingCells();
        _analysis_requested = true;
        _groups.clear();
        _cell_groups.clear();
        _valid_moves = 0;
        _goal = false;
        _refill_pending = _finisher_running = _finisher_step = false;
        _finisher_delay.assign(size_t(std::max(0, g_LevelCfg.GetCellCount())), -1);
        _end_step = _hide_step = 0;
        ShowField();
        _show_started = true;
        return true;
    }
    if (!_show_started) return false;
    if (_appearer.IsRunning()) return true;
    _show_started = false;
    return false;
}

bool CGameField::StepHideField(bool start)
{
    if (start) {
        ResetInput();
        ResetFirstHint();
        _hide_step = 1;
        return true;
    }
    switch (_hide_step) {
    case 1:
        if (CEffectCounter::HasRunning()) return true;
        HideField();
        _hide_step = 2;
        return true;
    case 2:
        if (_appearer.IsRunning()) return true;
        ResetFirstHint();
        _hide_step = 0;
        return false;
    default:
        return false;
    }
}

// ---- the end of a level

void CGameField::TurnMoveIntoResources()
{
    const int amount = g_MovesCounter.GetRemainingMoves() * 100;
    IFieldUser* user = GetFieldUser();
    std::vector<int> types;
    for (int type = 1; type <= 3; ++type)
        if (user && user->HasResource(type)) types.push_back(type);
    if (types.empty()) {
        GetLog().Warning("Game field: the player has no resource for the %d left of the bonus level's moves.",
                         amount);
    } else {
        const int type = types[size_t(RandomInt(0, int(types.size()) - 1))];
        user->AddResource(type, amount);
        _stats.collect[type] += amount;
        if (const char* label = BigResourceLabel(type)) {
            FloatingPopup popup;
            popup.label = label;
            popup.amount = amount;
            popup.icon = type;
            g_MovesCounter.GetBodyPos(popup.x, popup.y);
            popup.x += 58.0f;
            popup.y -= 30.0f;
            popup.speed = 0.8f;
            popup.delay = 192;
            _popups.push_back(popup);
        }
    }
    g_MovesCounter.SpendMove();
}

// The resource of which the player holds least; a tie is drawn at random.
void CGameField::ChooseBonusResource()
{
    const IFieldUser* user = GetFieldUser();
    std::vector<int> least;
    int lowest = 0;
    for (int type = 1; type <= 3; ++type) {
        const int amount = user ? user->GetResourceAmount(type) : 0;
        if (least.empty() || amount < lowest) {
            least = {type};
            lowest = amount;
        } else if (amount == lowest) {
            least.push_back(type);
        }
    }
    _stats.bonus_res_type = least[size_t(RandomInt(0, int(least.size()) - 1))];
}

// The time drained from the bar since the last step, times the multiplier and the level's share, is
// credited by whole units; the fraction waits for the next step, so that nothing of the time is lost.
void CGameField::StepBonusResource()
{
    const float drained = g_GameTimer.GetDrained();
    const double step = std::max(0.0, double(drained) - double(_bonus_drained));
    _bonus_drained = drained;
    if (step > 0.0) {
        const IFieldUser* user = GetFieldUser();
        const int level = user ? std::max(0, user->GetLevelNumber()) : 0;
        const double multiplier = double(g_GameCfg.GetInt("bonus_res_multiplier"));
        _bonus_carry += step * multiplier * (1.0 + 2.0 * double(level) / 100.0);
        const double whole = std::floor(_bonus_carry + 1e-6);
        if (whole >= 1.0) {
            _bonus_carry = std::max(0.0, _bonus_carry - whole);
            _stats.bonus_res_amount += int32_t(whole);
        }
    }
    if (g_GameTimer.GetMode() != CGameTimer::tmDraining) {
        HideField();
        _end_step = 6;
    }
}

bool CGameField::EndLevel(bool start)
{
    IFieldScene* scene = GetFieldScene();
    if (start) {
        ResetInput();
        ResetFirstHint();
        _stats.was_finish_move = _goal;
        if (!_is_bonus_level) {
            GetPeople().OnLevelCompleted(LevelFacts(_stats));
            GetPeople().ApplyLevelGains(_stats.people_gains);
            _end_step = 2;
        } else if (g_MovesCounter.GetRemainingMoves() > 0) {
            TurnMoveIntoResources();
            _end_step = 1;
        } else {
            _end_step = 2;
        }
        return true;
    }
    switch (_end_step) {
    case 1:
        if (g_MovesCounter.IsPanelAnimating()) return true;
        if (g_MovesCounter.GetRemainingMoves() <= 0)
            _end_step = 2;
        else
            TurnMoveIntoResources();
        return true;
    case 2:
        if (CEffectCounter::HasRunning()) return true;
        if (scene) scene->SetMusicVolume(33);
        _end_step = 3;
        return true;
    case 3:
        _end_sound.SetSample(kEndLevelSample);
        _end_sound.Play();
        _end_timer.StartFor(500);
        _end_step = 4;
        return true;
    case 4:
        _end_sound.Update();
        if (!_end_timer.IsPassed() || _end_sound.IsPlaying()) return true;
        _popups.clear();
        _end_timer.Reset();
        if (scene) scene->SetMusicVolume(100);
        if (_is_bonus_level) {
            if (scene) scene->OnBonusLevelEnd();
            HideField();
            _end_step = 6;
            return true;
        }
        if (_stats.bonus_res_type == 0) ChooseBonusResource();
        _bonus_carry = 0.0;
        _bonus_drained = 0.0f;
        g_GameTimer.SetMode(CGameTimer::tmDraining);
        if (scene) scene->ShowBonusResource(_stats.bonus_res_type);
        _end_step = 5;
        return true;
    case 5:
        StepBonusResource();
        return true;
    case 6:
        if (CEffectCounter::HasRunning()) return true;
        HideField();
        _end_step = 7;
        return true;
    case 7:
        if (_appearer.IsRunning()) return true;
        ResetFirstHint();
        _end_step = 0;
        return false;
    default:
        return false;
    }
}

// ---- what the game scene tells the field during a level

void CGameField::Pause(bool pause)
{
    if (pause)
        _level_watch.Pause();
    else
        _level_watch.Resume();
    _tiles.SetWavesPaused(pause);
    if (!_is_bonus_level) g_GameTimer.Pause(pause);
}

void CGameField::RefreshBallTypes() { _balls.RefreshLevelTypes(); }

void CGameField::OnLivesChanged(int delta)
{
    if (delta > 0) {
        _stats.AddLivesGain(delta);
        GetPeople().OnLivesGained(delta);
    } else if (delta < 0) {
        _stats.AddLivesLoss(-delta);
    }
}

void CGameField::FillWaitingCells()
{
    std::vector<int> waiting;
    _balls.ListWaitingCells(waiting);
    if (!waiting.empty()) _balls.ChooseNewBall(waiting, 1, 0, nbPlain, 0);
}

void CGameField::OnHintShown(int id)
{
    if (id == 100) _tutorial_target_shown = false;
}

void CGameField::SetMovesLeft(int moves) { g_MovesCounter.RestoreMoves(moves); }
int CGameField::GetMovesLeft() const { return g_MovesCounter.GetRemainingMoves(); }
