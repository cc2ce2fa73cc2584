#include "field/balls/field_balls.h"

#include "field/config/field_config.h"
#include "field/field_services.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <cmath>

namespace {

// The states every ball type of a level must have a look for: the balls layer, the refill and
// the chain set them while the level runs.
const int kRequiredBallStates[] = {gosDefault, gosCreate, gosMove, gosDead, gosExplosion};

float CellW() { return std::trunc(g_GameCfg.GetCellW()); }
float CellH() { return std::trunc(g_GameCfg.GetCellH()); }
float BallSide() { return std::trunc(g_GameCfg.GetBallH()); }

// The walls base holds three families: single (type 1), double (2, 3), triple (4, 5, 6).
int WallGraphType(int initial_level, int level)
{
    const int offset = initial_level == 2 ? 1 : initial_level == 3 ? 3 : 0;
    return level + offset;
}

// A lock, box or wall picture of that graph type at cell size, at the position.
std::unique_ptr<CGraphObj> MakeCover(EGraphBase base, int graph_type, const std::shared_ptr<CRenderKeeper>& keeper,
                                     float x, float y)
{
    auto obj = std::make_unique<CGraphObj>(&GetGraphBase(base).RequireState(graph_type, gosDefault), CellW(),
                                           CellH(), keeper);
    obj->SetPos(x, y);
    return obj;
}

// Checks, when a picture is made, that every lower level it can be hit down to has its look, so
// that a hit never finds a look missing later.
void RequireLevels(EGraphBase base, int first_graph_type, int levels)
{
    for (int l = 0; l < levels; ++l) GetGraphBase(base).RequireState(first_graph_type + l, gosDefault);
}

// Starts the explosion of the state record of (graph type, EXPLOSION), if the base has one.
void ExplodeCover(EGraphBase base, int graph_type, float cx, float cy)
{
    const CGraphObjBase& b = GetGraphBase(base);
    if (b.HasState(graph_type, gosExplosion)) FieldExplosion(b.GetState(graph_type, gosExplosion)->expl_alias, cx, cy);
}

} // namespace

// ---- ball

void CBall::Init(const BallsLayerKeepers& keepers, const BallTypeEntryPtr& ball_type, int base_state, bool shown_,
                 int lock, int box)
{
    const std::shared_ptr<CRenderKeeper>& render_manager = keepers.balls;
    VERIFY(render_manager.get() != NULL);
    VERIFY(ball_type != NULL);
    if (_graph_obj) {
        VERIFY_SOFT(_graph_obj.get() == NULL);
        _graph_obj.reset();
    }
    this->ball_type = ball_type;
    _graph_obj = std::make_unique<CGraphObj>(&GetGraphBase(gbBalls).RequireState(ball_type->graph_type, base_state),
                                             BallSide(), BallSide(), render_manager);
    graph_state = base_state;
    lock_level = std::clamp(lock, 0, 2);
    box_level = std::clamp(box, 0, 2);
    _lock_obj.reset();
    _box_obj.reset();
    if (lock_level > 0) {
        RequireLevels(gbLocks, 1, lock_level);
        _lock_obj = MakeCover(gbLocks, lock_level, keepers.covers, x, y);
        VERIFY(_lock_obj.get() != NULL);
    }
    if (box_level > 0) {
        RequireLevels(gbBoxes, 1, box_level);
        _box_obj = MakeCover(gbBoxes, box_level, keepers.covers, x, y);
        VERIFY(_box_obj.get() != NULL);
    }
    shown = shown_;
    PlaceGraphics();
    ApplyVisibility();
}

void CBall::PlaceGraphics()
{
    for (CGraphObj* obj : {_graph_obj.get(), _lock_obj.get(), _box_obj.get()})
        if (obj) obj->SetPos(x, y);
}

// A wall hides all of its ball; a box hides the ball and its lock.
void CBall::ApplyVisibility()
{
    if (_graph_obj) _graph_obj->SetVisible(shown && box_level == 0);
    if (_lock_obj) _lock_obj->SetVisible(shown && box_level == 0);
    if (_box_obj) _box_obj->SetVisible(shown);
}

void CBall::SetShown(bool shown_)
{
    shown = shown_;
    ApplyVisibility();
}

void CBall::SetPos(float x_, float y_)
{
    x = x_;
    y = y_;
    PlaceGraphics();
}

void CBall::HitCover(EGraphBase base, int& level, std::unique_ptr<CGraphObj>& obj, const BallsLayerKeepers& keepers,
                     float cx, float cy)
{
    if (level == 0) return;
    VERIFY(obj.get() != NULL);
    ExplodeCover(base, level, cx, cy);
    obj.reset();
    if (--level > 0) obj = MakeCover(base, level, keepers.covers, x, y);
    ApplyVisibility();
}

void CBall::HitLock(const BallsLayerKeepers& keepers, float cx, float cy)
{
    HitCover(gbLocks, lock_level, _lock_obj, keepers, cx, cy);
}

void CBall::HitBox(const BallsLayerKeepers& keepers, float cx, float cy)
{
    HitCover(gbBoxes, box_level, _box_obj, keepers, cx, cy);
}

void CBall::ChangeType(const BallsLayerKeepers& keepers, const BallTypeEntryPtr& new_ball_type)
{
    VERIFY(new_ball_type != NULL);
    const GraphObjState& action = GetGraphBase(gbBalls).RequireState(new_ball_type->graph_type, graph_state);
    if (_graph_obj) _graph_obj->StopEffect();
    _graph_obj = std::make_unique<CGraphObj>(&action, BallSide(), BallSide(), keepers.balls);
    VERIFY(_graph_obj.get() != NULL);
    ball_type = new_ball_type;
    PlaceGraphics();
    ApplyVisibility();
}

void CBall::SetGraphState(int state, unsigned interval)
{
    const GraphObjState& action = GetGraphBase(gbBalls).RequireState(ball_type->graph_type, state);
    _graph_obj->ChangeState(&action);
    graph_state = state;
    if (state == gosCreate) {
        _graph_obj->SetAlpha(0.0f);
        _graph_obj->SetEffect(std::make_unique<CAlphaEffect>(_graph_obj.get(), 255u, interval));
    } else if (state == gosDead || state == gosExplosion) {
        _graph_obj->SetEffect(std::make_unique<CScaleEffect>(_graph_obj.get(), 1.0f, 1.0f, interval));
    }
    _graph_obj->PlaySound(0);
}

// ---- cell

void FieldCell::Init(CBallsField* owner, int index_, bool active, bool disable, int wall, bool keep_initial_wall)
{
    _owner = owner;
    index = index_;
    ball.reset();
    _wall_obj.reset();
    x = y = 0.0f;
    g_LevelCfg.CellToScreen(index, x, y);
    x += g_GameCfg.GetBallOffsetX();
    y += g_GameCfg.GetBallOffsetY();
    state = active ? csEmpty : csInactive;
    wall_level = std::clamp(wall, 0, 3);
    usable = active && !disable && wall_level == 0;
    if (!keep_initial_wall) initial_wall_level = wall_level;
    if (wall_level > 0) {
        VERIFY(_owner);
        RequireLevels(gbWalls, WallGraphType(initial_wall_level, 1), wall_level);
        _wall_obj = MakeCover(gbWalls, WallGraphType(initial_wall_level, wall_level), _owner->_keepers.walls, x, y);
        VERIFY(_wall_obj.get() != NULL);
    }
}

void FieldCell::Reset(bool keep_walls)
{
    Init(_owner, index, false, false, keep_walls ? initial_wall_level : 0, false);
}

void FieldCell::UpdateState()
{
    if (!ball) return;
    switch (ball->graph_state) {
    case gosDefault:
        state = (ball->_graph_obj && ball->_graph_obj->HasEffect()) ? csBusy : csBall;
        break;
    case gosCreate:
    case gosDead:
    case gosExplosion:
        state = csBusy;
        break;
    case gosMove:
        state = csMoving;
        break;
    default:
        break;
    }
}

bool FieldCell::CreateBall(const BallTypeEntryPtr& type, int base_state, int lock, int box)
{
    if (state != csEmpty) return false;
    if (!_owner) {
        VERIFY_SOFT(_owner);
        return false;
    }
    auto created = std::make_shared<CBall>();
    created->x = x;
    created->y = y;
    created->Init(_owner->_keepers, type, base_state, wall_level == 0, lock, box);
    ball = created;
    UpdateState();
    return true;
}

void FieldCell::HitWall()
{
    if (wall_level == 0) return;
    VERIFY(_wall_obj.get() != NULL);
    float cx = 0.0f, cy = 0.0f;
    g_LevelCfg.CellToScreenCenter(index, cx, cy);
    ExplodeCover(gbWalls, WallGraphType(initial_wall_level, wall_level), cx, cy);
    _wall_obj.reset();
    if (--wall_level > 0) {
        _wall_obj = MakeCover(gbWalls, WallGraphType(initial_wall_level, wall_level), _owner->_keepers.walls, x, y);
    } else if (ball) {
        ball->SetShown(true);
    }
}

// ---- balls field

CBallsField::CBallsField() = default;

const FieldCell* CBallsField::Cell(int cell) const
{
    return cell >= 0 && size_t(cell) < _field.size() ? &_field[size_t(cell)] : nullptr;
}

const FieldCell* CBallsField::GetCell(int cell) const { return Cell(cell); }

unsigned CBallsField::GrowUpdates() const
{
    return _grow_time >= 1.0f ? unsigned(_grow_time) : 1u;
}

bool CBallsField::IsFieldCell(int cell) const { const FieldCell* c = Cell(cell); return c && c->state != csInactive; }
bool CBallsField::IsClosed(int cell) const { const FieldCell* c = Cell(cell); return !c || c->state == csInactive || !c->usable; }
bool CBallsField::IsUsable(int cell) const { const FieldCell* c = Cell(cell); return c && c->state != csInactive && c->usable; }
bool CBallsField::HasFreePlace(int cell) const { const FieldCell* c = Cell(cell); return c && c->state == csEmpty; }
bool CBallsField::HasBall(int cell) const { const FieldCell* c = Cell(cell); return c && c->ball; }
bool CBallsField::HasUsableBall(int cell) const { const FieldCell* c = Cell(cell); return c && c->ball && c->usable; }

bool CBallsField::HasMovingBall(int cell) const
{
    const FieldCell* c = Cell(cell);
    return c && (c->state == csMoving || c->state == csWaitSlide);
}

bool CBallsField::IsAtRest(int cell) const
{
    const FieldCell* c = Cell(cell);
    return !c || c->state == csInactive || (c->ball && c->state == csBall);
}

bool CBallsField::IsFinisher(int cell) const { const FieldCell* c = Cell(cell); return c && c->ball && c->ball->ball_type->is_finisher; }
bool CBallsField::IsMultiball(int cell) const { const FieldCell* c = Cell(cell); return c && c->ball && c->ball->ball_type->is_multiball; }
bool CBallsField::IsLocked(int cell) const { return GetLockLevel(cell) > 0; }
bool CBallsField::IsBoxed(int cell) const { return GetBoxLevel(cell) > 0; }
bool CBallsField::HasWall(int cell) const { return GetWallLevel(cell) > 0; }
int CBallsField::GetLockLevel(int cell) const { const FieldCell* c = Cell(cell); return c && c->ball ? c->ball->lock_level : 0; }
int CBallsField::GetBoxLevel(int cell) const { const FieldCell* c = Cell(cell); return c && c->ball ? c->ball->box_level : 0; }
int CBallsField::GetWallLevel(int cell) const { const FieldCell* c = Cell(cell); return c ? c->wall_level : 0; }
int CBallsField::GetCellState(int cell) const { const FieldCell* c = Cell(cell); return c ? c->state : csInactive; }

int CBallsField::GetBallType(int cell_index) const
{
    VERIFY(g_LevelCfg.InField(cell_index));
    const FieldCell* c = Cell(cell_index);
    return c && c->ball ? c->ball->ball_type->graph_type : 0;
}

BallTypeEntryPtr CBallsField::GetBallTypeEntry(int cell_index) const
{
    VERIFY(g_LevelCfg.InField(cell_index));
    const FieldCell* c = Cell(cell_index);
    return c && c->ball ? c->ball->ball_type : nullptr;
}

int CBallsField::GetBallGraphState(int cell_index) const
{
    VERIFY(g_LevelCfg.InField(cell_index));
    const FieldCell* c = Cell(cell_index);
    return c && c->ball ? c->ball->graph_state : -1;
}

bool CBallsField::HasBallInGraphState(int state) const
{
    return std::any_of(_field.begin(), _field.end(),
                       [state](const FieldCell& c) { return c.ball && c.ball->graph_state == state; });
}

BallTypeEntryPtr CBallsField::GetLevelType(int i) const
{
    if (i < 0 || size_t(i) >= _avail_ball_types.size()) return nullptr;
    const BallTypeEntryPtr& entry = _avail_ball_types[size_t(i)];
    return GetGraphBase(gbBalls).HasType(entry->graph_type) ? entry : nullptr;
}

BallTypeEntryPtr CBallsField::FindBallType(int graph_type) const
{
    for (const auto& e : _avail_ball_types)
        if (e->graph_type == graph_type) return e;
    return nullptr;
}

int CBallsField::GetMultiballType() const
{
    for (const auto& e : _avail_ball_types)
        if (e->is_multiball) return e->graph_type;
    return 0;
}

int CBallsField::GetFinisherType() const
{
    for (const auto& e : _avail_ball_types)
        if (e->is_finisher) return e->graph_type;
    return 0;
}

void CBallsField::ListLevelTypes(std::vector<BallTypeEntryPtr>& out) const
{
    out.clear();
    for (const auto& ball_type : _avail_ball_types) {
        VERIFY(ball_type != NULL);
        out.push_back(ball_type);
    }
}

void CBallsField::RefreshLevelTypes()
{
    for (auto& e : _avail_ball_types) GetBallsDepot().GetEntry(e->graph_type, *e);
}

// Every look a level type can take (its own and, for a bonus, those of its grades) must have the
// states the layer sets; a missing one fails the level's load here rather than a ball later.
void CBallsField::RequireLevelTypeLooks() const
{
    const CGraphObjBase& base = GetGraphBase(gbBalls);
    for (const auto& e : _avail_ball_types) {
        std::vector<int> looks = {e->graph_type};
        if (e->is_bonus)
            if (const BallType* t = GetBallsDepot().Find(e->graph_type))
                looks.assign(std::begin(t->grade_graph_types), std::end(t->grade_graph_types));
        for (int look : looks)
            for (int state : kRequiredBallStates) base.RequireState(look, state);
    }
}

void CBallsField::Clear(bool keep_walls)
{
    for (size_t i = 0; i < _field.size(); ++i) {
        _field[i]._owner = this;
        _field[i].index = int(i);
        _field[i].Reset(keep_walls);
    }
    _moving_chain.clear();
    _wait_for_removal = false;
    _pending_moves.clear();
}

void CBallsField::Reset()
{
    _moving_chain.clear();
    _wait_for_removal = false;
    _pending_moves.clear();
    _field.clear();
    _avail_ball_types.clear();
    _image_changes.clear();
}

void CBallsField::LoadLevel(const CXMLNode& level_root, LevelFieldInfo& info)
{
    try {
        ReadLevel(level_root, info);
    } catch (...) {
        Reset();
        throw;
    }
}

void CBallsField::ReadLevel(const CXMLNode& level_root, LevelFieldInfo& info)
{
    _field.clear();
    _field.resize(size_t(std::max(0, g_LevelCfg.GetCellCount())));
    _move_speed = g_GameCfg.GetFloat("move_ball_speed");
    _grow_time = g_GameCfg.GetFloat("ball_grow_time");
    Clear(false);
    _avail_ball_types.clear();
    _image_changes.clear();

    GetBallsDepot().SelectForLevel(_avail_ball_types, info.is_bonus_level);
    VERIFY(!_avail_ball_types.empty());
    RequireLevelTypeLooks();

    bool any_disabled = false;
    int highest_wall = 0;
    const CXMLNodeList cells = level_root.SelectNodes("Field/Cell");
    for (int i = 0; i < cells.GetLength(); ++i) {
        const CXMLNode node = cells.GetItem(i);
        const int cx = node.GetIntAttribute("x", 0);
        const int cy = node.GetIntAttribute("y", 0);
        const int cell = g_LevelCfg.CellAt(cx, cy);
        if (cell < 0) continue;
        const bool disable = node.GetBoolAttribute("disable", false);
        const int wall = node.GetIntAttribute("wall", 0);
        _field[size_t(cell)].Init(this, cell, node.GetBoolAttribute("active", false), disable, wall, false);
        any_disabled = any_disabled || disable;
        highest_wall = std::max(highest_wall, _field[size_t(cell)].wall_level);
    }
    info.was_walls = highest_wall >= 1;
    info.was_double_walls = highest_wall >= 2;
    info.was_triple_walls = highest_wall >= 3;
    info.was_disable_areas = any_disabled;

    int finishers = 0, highest_lock = 0, highest_box = 0;
    const CXMLNodeList balls = level_root.SelectNodes("Balls/Cell");
    for (int i = 0; i < balls.GetLength(); ++i) {
        const CXMLNode node = balls.GetItem(i);
        const int cx = node.GetIntAttribute("x", 0);
        const int cy = node.GetIntAttribute("y", 0);
        const int cell_index = g_LevelCfg.CellAt(cx, cy);
        if (cell_index < 0) {
            GetLog().Error("CBallsField: Cell outside a field - (%d , %d)", cx, cy);
            continue;
        }
        VERIFY(HasFreePlace(cell_index));
        const int lock = node.GetIntAttribute("lock", 0);
        const int box = node.GetIntAttribute("box", 0);
        const CXMLNode ball = node.SelectSingleNode("Ball");
        if (!ball.IsValid()) continue;
        int graph_type = ball.GetIntAttribute("graph_type", 0);
        if (!FindBallType(graph_type)) {
            // A type the level did not choose: the first level type that credits the same.
            const BallType* known = GetBallsDepot().Find(graph_type);
            BallTypeEntryPtr same;
            for (const auto& e : _avail_ball_types)
                if (known && !same && e->credit_type == known->credit_type) same = e;
            if (!same) {
                GetLog().Error("CBallsField: not find ball with graph type %d  in base. Cell (%d , %d)", graph_type,
                               cx, cy);
                continue;
            }
            graph_type = same->graph_type;
        }
        PutBallByGraphType(cell_index, graph_type, lock, box, gosDefault, -1);
        if (IsFinisher(cell_index)) ++finishers;
        highest_lock = std::max(highest_lock, GetLockLevel(cell_index));
        highest_box = std::max(highest_box, GetBoxLevel(cell_index));
    }
    info.n_finishers = finishers;
    info.was_finishers = finishers > 0;
    info.was_locks = highest_lock >= 1;
    info.was_double_locks = highest_lock >= 2;
    info.was_boxes = highest_box >= 1;
    info.was_double_boxes = highest_box >= 2;
}

bool CBallsField::PutBall(int cell, const BallTypeEntryPtr& ball_type, int lock, int box, int base_state, int state)
{
    VERIFY(ball_type != NULL);
    if (!HasFreePlace(cell)) return false;
    FieldCell& c = _field[size_t(cell)];
    if (!c.CreateBall(ball_type, base_state, lock, box)) return false;
    if (state != -1) SetBallState(cell, state);
    return true;
}

bool CBallsField::PutBallByGraphType(int cell, int graph_type, int lock, int box, int base_state, int state)
{
    return PutBall(cell, FindBallType(graph_type), lock, box, base_state, state);
}

bool CBallsField::InMovingChain(int cell) const
{
    return std::any_of(_moving_chain.begin(), _moving_chain.end(),
                       [cell](const MovingChainEntry& e) { return e.cell_index == cell; });
}

void CBallsField::RemoveBall(int cell_index)
{
    VERIFY((size_t)cell_index < _field.size());
    FieldCell& c = _field[size_t(cell_index)];
    c.ball.reset();
    if (c.state != csInactive) c.state = csEmpty;
    if (InMovingChain(cell_index) && !c.ball) c.state = csWaitSlide;
}

void CBallsField::EnableCell(int cell)
{
    if (cell < 0 || size_t(cell) >= _field.size()) return;
    FieldCell& c = _field[size_t(cell)];
    if (c.state != csInactive && c.wall_level == 0) c.usable = true;
}

void CBallsField::SetBallState(int cell_index, int state)
{
    VERIFY(HasBall(cell_index));
    FieldCell& c = _field[size_t(cell_index)];
    c.ball->SetGraphState(state, GrowUpdates());
    c.UpdateState();
    const GraphObjState* action = c.ball->_graph_obj->GetState();
    VERIFY(action != NULL);
    float cx = 0.0f, cy = 0.0f;
    if (g_LevelCfg.CellToScreenCenter(cell_index, cx, cy)) FieldExplosion(action->expl_alias, cx, cy);
}

void CBallsField::HitBallCover(int cell_index, void (CBall::*hit)(const BallsLayerKeepers&, float, float))
{
    VERIFY(HasBall(cell_index));
    FieldCell& c = _field[size_t(cell_index)];
    float cx = 0.0f, cy = 0.0f;
    g_LevelCfg.CellToScreenCenter(cell_index, cx, cy);
    ((*c.ball).*hit)(_keepers, cx, cy);
    c.UpdateState();
}

void CBallsField::HitLock(int cell_index) { HitBallCover(cell_index, &CBall::HitLock); }
void CBallsField::HitBox(int cell_index) { HitBallCover(cell_index, &CBall::HitBox); }

void CBallsField::HitWall(int cell)
{
    if (cell < 0 || size_t(cell) >= _field.size()) return;
    _field[size_t(cell)].HitWall();
}

bool CBallsField::ChangeBallType(int cell_index, int graph_type)
{
    VERIFY(HasBall(cell_index));
    const BallTypeEntryPtr new_ball_type = FindBallType(graph_type);
    VERIFY(new_ball_type != NULL);
    FieldCell& c = _field[size_t(cell_index)];
    c.ball->ChangeType(_keepers, new_ball_type);
    c.UpdateState();
    return true;
}

void CBallsField::FinishEffects()
{
    for (FieldCell& c : _field) {
        if (!c.ball) continue;
        for (CGraphObj* obj : {c.ball->_graph_obj.get(), c.ball->_lock_obj.get(), c.ball->_box_obj.get()})
            if (obj) obj->StopEffect();
        c.UpdateState();
    }
}

bool CBallsField::NeedsImageChange() const
{
    if (!_image_changes.empty()) return true;
    const BallsDepot& depot = GetBallsDepot();
    return std::any_of(_avail_ball_types.begin(), _avail_ball_types.end(), [&depot](const BallTypeEntryPtr& e) {
        return e->is_bonus && depot.CurrentGradeGraphType(e->graph_type) != e->graph_type;
    });
}

void CBallsField::AddImageChange(int from_graph_type, int to_graph_type)
{
    _image_changes.emplace_back(from_graph_type, to_graph_type);
}

void CBallsField::ApplyImageChanges()
{
    const BallsDepot& depot = GetBallsDepot();
    struct Change {
        int old_graph_type;
        BallTypeEntryPtr entry;
        std::string explosion;
    };
    std::vector<Change> changes;
    for (BallTypeEntryPtr& e : _avail_ball_types) {
        const int current = e->is_bonus ? depot.CurrentGradeGraphType(e->graph_type) : e->graph_type;
        int wanted = current;
        for (const auto& [from, to] : _image_changes) {
            if (depot.CurrentGradeGraphType(from) == current) {
                wanted = depot.CurrentGradeGraphType(to);
                break;
            }
        }
        if (wanted == e->graph_type || wanted == 0) continue;
        auto entry = std::make_shared<BallTypeEntry>();
        if (!depot.GetEntry(wanted, *entry)) continue;
        changes.push_back({e->graph_type, entry, depot.GetExplosionWhenChange(wanted)});
        e = entry;
    }
    _image_changes.clear();
    for (const Change& change : changes) {
        for (FieldCell& c : _field) {
            if (!c.ball || c.ball->ball_type->graph_type != change.old_graph_type) continue;
            c.ball->ChangeType(_keepers, change.entry);
            c.UpdateState();
            float cx = 0.0f, cy = 0.0f;
            if (g_LevelCfg.CellToScreenCenter(c.index, cx, cy)) FieldExplosion(change.explosion, cx, cy);
        }
    }
}

void CBallsField::PlaceBallAt(FieldCell& cell, const CBallPtr& ball)
{
    cell.ball = ball;
    if (ball) ball->SetPos(cell.x, cell.y);
    cell.UpdateState();
}

bool CBallsField::UpdateMixMoves(std::vector<MixMove>& moves)
{
    // The flight lifts the ball by this much and grows it by twice that while it is in the air.
    const float lift = 4.0f;
    const int hold = 20;
    bool worked = false;
    for (MixMove& m : moves) {
        if (m.done || m.phase == 5) continue;
        worked = true;
        if (!HasBall(m.from) || size_t(m.to) >= _field.size() || m.to < 0) {
            m.done = true;
            continue;
        }
        CBall& ball = *_field[size_t(m.from)].ball;
        CGraphObj& obj = *ball._graph_obj;
        switch (m.phase) {
        case 0:
            SetBallState(m.from, gosMove);
            obj.SetSize(BallSide() + 2 * lift, BallSide() + 2 * lift);
            obj.Move(0.0f, -lift);
            m.phase = 1;
            m.countdown = hold;
            break;
        case 1:
        case 3:
            if (--m.countdown <= 0) ++m.phase;
            break;
        case 2: {
            const FieldCell& to = _field[size_t(m.to)];
            const float tx = to.x - lift, ty = to.y - 2 * lift;
            const float dx = tx - obj.GetX(), dy = ty - obj.GetY();
            const float distance = std::sqrt(dx * dx + dy * dy);
            // A move never slows below one pixel per update: a ball would otherwise never reach a
            // target a few pixels away (its own cell) and the field would wait for ever.
            const float step = std::max(m.speed, 1.0f);
            if (distance <= step) {
                obj.SetPos(tx, ty);
                m.arrived = true;
                m.phase = 3;
                m.countdown = hold;
            } else {
                obj.Move(dx / distance * step, dy / distance * step);
            }
            if (m.speed > 0.1f) m.speed *= 0.96f;
            break;
        }
        case 4:
            obj.SetSize(BallSide(), BallSide());
            obj.Move(0.0f, lift);
            SetBallState(m.from, gosDefault);
            m.phase = 5;
            break;
        default:
            break;
        }
    }
    return worked;
}

void CBallsField::ApplyMixMoves(const std::vector<MixMove>& moves)
{
    std::vector<CBallPtr> taken(moves.size());
    for (size_t i = 0; i < moves.size(); ++i) {
        if (moves[i].from < 0 || size_t(moves[i].from) >= _field.size()) continue;
        taken[i] = std::move(_field[size_t(moves[i].from)].ball);
    }
    for (size_t i = 0; i < moves.size(); ++i) {
        if (!taken[i] || moves[i].to < 0 || size_t(moves[i].to) >= _field.size()) continue;
        PlaceBallAt(_field[size_t(moves[i].to)], taken[i]);
    }
    for (FieldCell& c : _field)
        if (!c.ball && c.state != csInactive) c.state = csEmpty;
}

void CBallsField::FlushMoves()
{
    while (!_pending_moves.empty()) {
        const auto [from, to] = _pending_moves.front();
        _pending_moves.pop_front();
        if (!HasBall(from)) continue;
        FieldCell& source = _field[size_t(from)];
        if (source.state == csMoving) {
            SetBallState(from, gosDefault);
            if (to != from && IsFieldCell(to) && !HasBall(to)) {
                PlaceBallAt(_field[size_t(to)], source.ball);
                source.ball.reset();
                source.state = csEmpty;
                continue;
            }
        }
        source.ball->SetPos(source.x, source.y);
        source.UpdateState();
    }
}

void CBallsField::Render()
{
    _keepers.balls->Draw();
    _keepers.covers->Draw();
    _keepers.walls->Draw();
    for (FieldCell& c : _field) {
        if (c.ball)
            for (CGraphObj* obj : {c.ball->_graph_obj.get(), c.ball->_lock_obj.get(), c.ball->_box_obj.get()})
                if (obj) obj->StepEffect();
        if (c._wall_obj) c._wall_obj->StepEffect();
        c.UpdateState();
    }
}

void CBallsField::Save(BallsFieldRecord& record) const
{
    record = BallsFieldRecord();
    for (const auto& e : _avail_ball_types) record.types.push_back(e->graph_type);
    for (const FieldCell& c : _field) {
        int column = 0, row = 0;
        if (c.state == csInactive || !g_LevelCfg.CellToPos(c.index, column, row)) continue;
        record.cells.push_back({column, row, IsClosed(c.index), c.wall_level});
        if (c.ball)
            record.balls.push_back({column, row, c.ball->ball_type->graph_type, c.ball->box_level, c.ball->lock_level});
    }
}

void CBallsField::Restore(const BallsFieldRecord& record)
{
    if (_field.size() != size_t(std::max(0, g_LevelCfg.GetCellCount()))) {
        _field.clear();
        _field.resize(size_t(std::max(0, g_LevelCfg.GetCellCount())));
    }
    Clear(true);
    // The saved types replace the ones the level load chose.
    _avail_ball_types.clear();
    for (int graph_type : record.types) {
        auto entry = std::make_shared<BallTypeEntry>();
        if (GetBallsDepot().GetEntry(graph_type, *entry)) _avail_ball_types.push_back(entry);
    }
    for (const auto& saved : record.cells) {
        const int cell = g_LevelCfg.CellAt(saved.x, saved.y);
        if (cell < 0) {
            GetLog().Error("CBalls: Cell outside a field - %d , %d", saved.x, saved.y);
            continue;
        }
        _field[size_t(cell)].Init(this, cell, true, saved.closed, saved.wall, true);
    }
    for (const auto& saved : record.balls) {
        const int cell = g_LevelCfg.CellAt(saved.x, saved.y);
        if (!FindBallType(saved.graph_type)) {
            GetLog().Error("CBalls: Ball type %d not available in save", saved.graph_type);
            continue;
        }
        if (cell < 0) {
            GetLog().Error("CBalls: Ball outside a field - %d , %d", saved.x, saved.y);
            continue;
        }
        PutBallByGraphType(cell, saved.graph_type, saved.lock, saved.box, gosDefault, -1);
    }
}
