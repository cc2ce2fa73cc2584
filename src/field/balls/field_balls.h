// The balls layer of the field: one cell per cell index with its state, its ball and its wall; the
// level's ball types; hits on locks, boxes and walls; ball states with their effects; type and
// image changes; the mixer's ball moves; saving and restoring the layer.
#pragma once

#include "field/balls/field_ballsdepot.h"
#include "field/graph/field_graphobj.h"

#include <list>
#include <memory>
#include <utility>
#include <vector>

class CXMLNode;
class CBallsField;
struct LevelFieldInfo;

// Cell states.
enum ECellState {
    csInactive = 0,     // not part of the field
    csEmpty = 1,        // empty, waits for a new ball
    csBall = 2,         // a ball at rest
    csBusy = 3,         // the ball appears, dies, explodes, or an effect runs on it
    csMoving = 4,       // the ball moves
    csWaitSlide = 5,    // empty, waits for a sliding ball
};

// The render keepers of the layer, drawn in this order so that a lock or a box always lies over
// its ball and a wall over everything, whatever order their sprites were made in.
struct BallsLayerKeepers {
    std::shared_ptr<CRenderKeeper> balls = std::make_shared<CRenderKeeper>();
    std::shared_ptr<CRenderKeeper> covers = std::make_shared<CRenderKeeper>();
    std::shared_ptr<CRenderKeeper> walls = std::make_shared<CRenderKeeper>();
};

class CBall {
public:
    // Checks "ball_type != NULL" and "action != NULL"; lock and box are capped at 2. Hidden when
    // not shown (its cell has a wall).
    void Init(const BallsLayerKeepers& keepers, const BallTypeEntryPtr& type, int base_state, bool shown, int lock,
              int box);
    void SetPos(float x, float y);
    // One hit on the lock (box); nothing at level 0. The explosion starts at (cx, cy).
    void HitLock(const BallsLayerKeepers& keepers, float cx, float cy);
    void HitBox(const BallsLayerKeepers& keepers, float cx, float cy);
    // Takes another type, keeping its graph state.
    void ChangeType(const BallsLayerKeepers& keepers, const BallTypeEntryPtr& type);
    // Sets the graph state and starts its effect; false when the base has no record for it.
    void SetGraphState(int state, unsigned effect_interval);
    void SetShown(bool shown);

    float x = 0.0f, y = 0.0f;
    BallTypeEntryPtr ball_type;
    int lock_level = 0;
    int box_level = 0;
    int graph_state = gosDefault;
    bool shown = true;
    std::unique_ptr<CGraphObj> _graph_obj;
    std::unique_ptr<CGraphObj> _lock_obj;
    std::unique_ptr<CGraphObj> _box_obj;

private:
    // One hit on the lock or the box: its explosion, one level less, the picture of the level left.
    void HitCover(EGraphBase base, int& level, std::unique_ptr<CGraphObj>& obj, const BallsLayerKeepers& keepers,
                  float cx, float cy);
    void ApplyVisibility();
    void PlaceGraphics();
};

using CBallPtr = std::shared_ptr<CBall>;

class FieldCell {
public:
    void Init(CBallsField* owner, int index, bool active, bool disable, int wall, bool keep_initial_wall);
    void Reset(bool keep_walls);
    void UpdateState();
    bool CreateBall(const BallTypeEntryPtr& type, int base_state, int lock, int box);
    void HitWall();

    CBallsField* _owner = nullptr;
    int index = -1;
    float x = 0.0f, y = 0.0f;
    int state = csInactive;
    bool usable = false;
    CBallPtr ball;
    int initial_wall_level = 0;
    int wall_level = 0;
    std::shared_ptr<CGraphObj> _wall_obj;
};

// A ball move of the mixer bonus.
struct MixMove {
    int from = -1;
    int to = -1;
    bool done = false;
    bool arrived = false;
    float speed = 0.0f;
    int phase = 0;
    int countdown = 0;
};

// One cell of the moving chain: balls slide from the cell of an entry to the cell of the next one.
struct MovingChainEntry {
    int cell_index = -1;
    bool is_locked = false;      // the ball stays where it is
    bool is_multiball = false;   // the cell was chosen for a new multiball
};

// What a new ball may be: plain or multiball types, placed at once or playing its appearing.
enum ENewBallMode { nbPlain = 0, nbPlainCreate = 1, nbMultiball = 2, nbMultiballCreate = 3 };

// The layer as a saved game keeps it.
struct BallsFieldRecord {
    struct Cell {
        int x = 0, y = 0;
        bool closed = false;
        int wall = 0;
    };
    struct Ball {
        int x = 0, y = 0;
        int graph_type = 0;
        int box = 0;
        int lock = 0;
    };
    std::vector<int> types;
    std::vector<Cell> cells;
    std::vector<Ball> balls;
};

class CBallsField {
public:
    CBallsField();

    // Reads the level's "Field" and "Balls" elements (the level root given); fills the info.
    void LoadLevel(const CXMLNode& level_root, LevelFieldInfo& info);
    // Every cell back to its start (walls kept or not); the moving chain and pending moves dropped.
    void Clear(bool keep_walls);
    // Drops the cells, the level types, the moving chain and the pending moves.
    void Reset();
    void Save(BallsFieldRecord& record) const;
    void Restore(const BallsFieldRecord& record);

    // Queries by cell index; a cell outside the field answers as the table of each says.
    bool IsFieldCell(int cell) const;
    bool IsClosed(int cell) const;
    bool IsUsable(int cell) const;
    bool HasFreePlace(int cell) const;
    bool HasBall(int cell) const;
    bool HasUsableBall(int cell) const;
    bool HasMovingBall(int cell) const;
    bool IsAtRest(int cell) const;
    bool IsFinisher(int cell) const;
    bool IsMultiball(int cell) const;
    bool IsLocked(int cell) const;
    bool IsBoxed(int cell) const;
    bool HasWall(int cell) const;
    int GetLockLevel(int cell) const;
    int GetBoxLevel(int cell) const;
    int GetWallLevel(int cell) const;
    int GetCellState(int cell) const;
    // These check "InField(cell_index)" and throw outside the field.
    int GetBallType(int cell) const;
    BallTypeEntryPtr GetBallTypeEntry(int cell) const;
    int GetBallGraphState(int cell) const;
    bool HasBallInGraphState(int state) const;

    // Level types.
    int GetTypeCount() const { return int(_avail_ball_types.size()); }
    BallTypeEntryPtr GetLevelType(int i) const;
    BallTypeEntryPtr FindBallType(int graph_type) const;
    int GetMultiballType() const;
    int GetFinisherType() const;
    void ListLevelTypes(std::vector<BallTypeEntryPtr>& out) const;
    void RefreshLevelTypes();
    bool NeedsImageChange() const;
    void AddImageChange(int from_graph_type, int to_graph_type);
    void ApplyImageChanges();

    // Places a ball in an empty waiting cell (false otherwise); state -1 keeps the base state.
    bool PutBall(int cell, const BallTypeEntryPtr& type, int lock, int box, int base_state, int state);
    bool PutBallByGraphType(int cell, int graph_type, int lock, int box, int base_state, int state);
    void RemoveBall(int cell);
    void EnableCell(int cell);
    void SetBallState(int cell, int state);
    void HitLock(int cell);
    void HitBox(int cell);
    void HitWall(int cell);
    bool ChangeBallType(int cell, int graph_type);
    void FinishEffects();

    // The mixer's ball moves: one phase step each; true while any was worked on.
    bool UpdateMixMoves(std::vector<MixMove>& moves);
    void ApplyMixMoves(const std::vector<MixMove>& moves);

    // Ball moves {from, to} to be settled after the moving chain of an update.
    void AddPendingMove(int from, int to) { _pending_moves.emplace_back(from, to); }
    void FlushMoves();
    bool HasPendingMoves() const { return !_pending_moves.empty(); }

    // Draws the layer, then steps every ball and wall effect and updates the cell states.
    void Render();

    // Whether the cell is on the moving chain (which the refill runs).
    bool InMovingChain(int cell) const;

    // The moving chain: the slide of the balls behind a resolved chain into its emptied cells.
    // Only one at a time: starting one while one exists fails the check "!HasMovingChain()".
    bool HasMovingChain() const { return !_moving_chain.empty(); }
    void StartMovingChain(const std::vector<MovingChainEntry>& entries);
    void UpdateMovingChain();
    const std::vector<MovingChainEntry>& GetMovingChain() const { return _moving_chain; }
    // One update of the layer: the moving chain, then appeared balls come to rest and dead balls
    // leave their cells.
    void Update();
    // The usable cells that wait for a new ball.
    void ListWaitingCells(std::vector<int>& out) const;

    // New balls for the cells of the list that wait for one (state csEmpty); the others are skipped
    // without a draw. forced_allowed and lock_box_allowed count when 1; excluded_type 0 for none.
    // A list with no candidate type for the mode is logged and places nothing.
    void ChooseNewBall(const std::vector<int>& cells, int forced_allowed, int lock_box_allowed, int mode,
                       int excluded_type);
    // A candidate: uniform without bonus types; else a bonus type with bonus_probability percent,
    // the first of the wanted kind at or after a uniform start. Null for an empty list.
    BallTypeEntryPtr PickBallType(const std::vector<BallTypeEntryPtr>& candidates, int bonuses_count,
                                  int bonus_probability) const;

    // The bonus level: every bonus type of the level has reached grade 4 (true without one).
    bool AllBonusesComplete() const;
    // Queues image changes turning complete bonus types into bonuses that can still rise, or into
    // plain types that credit nothing; true when it queued any.
    bool ReplaceCompleteBonuses();

    const FieldCell* GetCell(int cell) const;
    const BallsLayerKeepers& GetKeepers() const { return _keepers; }
    float GetMoveSpeed() const { return _move_speed; }
    float GetGrowTime() const { return _grow_time; }

private:
    void ReadLevel(const CXMLNode& level_root, LevelFieldInfo& info);
    void HitBallCover(int cell_index, void (CBall::*hit)(const BallsLayerKeepers&, float, float));
    const FieldCell* Cell(int cell) const;
    unsigned GrowUpdates() const;
    void RequireLevelTypeLooks() const;
    void PlaceBallAt(FieldCell& cell, const CBallPtr& ball);

    std::vector<BallTypeEntryPtr> _avail_ball_types;
    std::vector<FieldCell> _field;
    float _move_speed = 10.5f;
    float _grow_time = 10.0f;
    std::vector<MovingChainEntry> _moving_chain;
    bool _wait_for_removal = false;
    std::list<std::pair<int, int>> _pending_moves;
    std::vector<std::pair<int, int>> _image_changes;
    BallsLayerKeepers _keepers;

    friend class FieldCell;
};
