// The game field in play: the level's balls and tiles, the chain the player drags with the mouse,
// its resolution (credits, hits on boxes, locks, balls, tiles and walls, multiballs, the finisher
// that clears the field), the refill that brings the field back to rest, the opening of cells
// behind destroyed walls, the floating popups of credits, and the level's goal.
#pragma once

#include "field/appear/field_appear.h"
#include "field/balls/field_balls.h"
#include "field/bonus/field_bonus.h"
#include "field/bonus/field_bonussource.h"
#include "field/chain/field_chain.h"
#include "field/chain/field_chainview.h"
#include "field/field_levelrecord.h"
#include "field/field_services.h"
#include "field/hints/field_movehint.h"
#include "field/tiles/field_tiles.h"

#include "engine/base/engine_stopwatch.h"
#include "engine/base/engine_layout.h"
#include "engine/sound/engine_soundqueue.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CSprite;
class CStaticLabel;
struct PeopleLevelFacts;
class CXMLNode;

// The mouse as the field sees it in one frame.
struct FieldMouse {
    float x = 0.0f;
    float y = 0.0f;
    bool left_down = false;
    bool left_pressed = false;    // pressed in this frame
    bool right_pressed = false;   // pressed in this frame
};

// A text rising from a cell: the label shows the amount.
struct FloatingPopup {
    const char* label = "";
    int amount = 0;
    float x = 0.0f, y = 0.0f;
    float speed = 0.6f;   // pixels per update, upward
    int delay = 64;       // updates before it fades
    int alpha = 255;
    int alpha_step = 16;
    // The drawn text, made at the popup's first drawing.
    std::shared_ptr<CStaticLabel> text;
    // The icon of a resource (1 to 3) drawn beside the text, 0 for none; made at the first drawing.
    int icon = 0;
    std::shared_ptr<CSprite> icon_sprite;
};

// A hint's timer: armed, it counts updates down before the hint is due.
struct MoveHintTimer {
    static constexpr int kRearmUpdates = 200;    // the first move hint
    static constexpr int kNoMoveUpdates = 100;   // the renewal after "No_moves_warn"
    int delay = 0;
    bool armed = false;
};

// One cell of a move group or of its path.
struct MoveCell {
    int cell = -1;
    int x = 0, y = 0;
    bool is_multiball = false;
    bool operator==(const MoveCell&) const = default;
};

// A connected set of cells whose balls can form one chain of one ball type.
struct MoveGroup {
    bool alive = true;
    bool valid_move = false;
    bool has_plain_ball = false;
    int graph_type = -1;
    std::vector<MoveCell> cells;   // in the order they joined
    std::vector<MoveCell> path;    // a chain through the group, once searched
    bool path_found = false;
};

// The screen rectangle of a tutorial hint around its target point: the point lies at (dx, dy)
// inside a rectangle of width w and height h.
struct HintRect {
    float dx = 0.0f, dy = 0.0f;
    float w = 0.0f, h = 0.0f;
};

// What one chain ball credits: computed once per chain.
struct CreditPreview {
    int resource_type = 0;
    int amount = 0;
    int score = 0;
};

class CGameField : public IBonusDataSource {
public:
    // The field is the data source of its bonuses, so it stays where it was made.
    CGameField() { _bonuses.SetDataSource(this); }
    CGameField(const CGameField&) = delete;
    CGameField& operator=(const CGameField&) = delete;

    // ---- The level's life (field_level.cpp)

    // Once, when the game scene starts: the shared marks and icons of "Settings\Bases\Common.xml",
    // the appearing options.
    void LoadResources();
    // Starts a level: reads it, starts its stopwatch, and either lets the people start the level
    // or restores the level the current game left started.
    void StartLevel(const std::string& path, bool is_bonus_level);
    // Reads the layers of a level file (a game-folder path) and fills the empty cells; starting
    // and restarting a level read its clock as well. A file without "Level" fails its check. A
    // level whose new-ball odds of locks or of boxes add up to 100 or more fails with a message
    // naming the level and the keys; so does an unreadable file.
    void LoadLevel(const std::string& path, bool is_bonus_level = false);
    // The layers of a level root: its configuration, tiles and balls, the empty cells filled. A
    // failure leaves the layers empty.
    void LoadLevel(const CXMLNode& level_root, const std::string& level_name, bool is_bonus_level = false);
    // The level's clock from its "State" element: the moves counter on a bonus level, the time bar
    // on a normal one.
    void LoadLevelClock(const CXMLNode& level_root);
    // The level again from its file after a lost life.
    void RestartLevel();
    // The level in progress, saved and restored; a record that does not fit the level is refused
    // with a log line (false) and the level plays on as loaded.
    void SaveGame(FieldSaveRecord& record) const;
    bool LoadGame(const FieldSaveRecord& record);
    // At the level's destruction: the armed bonus, the popups, the balls and the tiles.
    void Clear();
    // Cancels an armed bonus, drops the chain and the hovered cell.
    void ResetInput();
    // The end of a level, a step per call; true while it runs.
    bool EndLevel(bool start);
    // The preparation of the field for a level and its appearing, a step per call; true while it runs.
    bool StepShowField(bool start);
    // The appear and disappear runs over the field's objects.
    void ShowField();
    void HideField();
    bool IsFieldShown() const { return _field_shown; }
    // The field hidden when a level is left unfinished, a step per call; true while it runs.
    bool StepHideField(bool start);
    // The objects of every cell: its tile layers, then its ball, lock, box and wall.
    void CollectCellObjects(CellObjects& list) const;
    // Pauses or resumes the level's clocks: the stopwatch, the tile waves and, on a normal level,
    // the time bar.
    void Pause(bool pause);
    // The ball types read again from the depot, after a credit changed.
    void RefreshBallTypes();
    void OnLivesChanged(int delta);
    // Every usable cell that waits for a ball gets one.
    void FillWaitingCells();
    // A tutorial hint was shown.
    void OnHintShown(int id);
    const LevelRecord& GetLevelRecord() const { return _stats; }
    // The scene's finish writes the hiscores' best figures and the bonus-resources offer into it.
    LevelRecord& GetLevelRecord() { return _stats; }
    const std::string& GetLevelPath() const { return _level_path; }
    int GetEndStep() const { return _end_step; }

    // ---- Moves (field_moves.cpp)

    // Every group of connected balls that could be drawn as one chain, the moves among them and the
    // special chain through the finishers; clears the analysis request.
    void AnalyseMoves();
    int GetValidMoveCount() const { return _valid_moves; }
    const std::vector<MoveGroup>& GetMoveGroups() const { return _groups; }
    // The group id of the cell for a ball type (0: none).
    int GetCellGroup(int cell, int graph_type) const;
    bool IsAnalysisRequested() const { return _analysis_requested; }
    // The next update's move step analyses the field (once it has come to rest).
    void RequestMoveAnalysis() { _analysis_requested = true; }
    // Shows one available move on the first hint.
    void ShowRandomHint();
    // A chain path through the cells of the group (written into it).
    void FindChainPath(MoveGroup& group);
    // The screen point of an available move of that ball type (0: any) whose hint fits the screen;
    // the move is then shown on the first hint.
    bool FindMoveHintPosition(int graph_type, float& x, float& y, const HintRect& margin);
    // Up to 20 plain, free balls replaced when no move is left.
    void RenewBallsWhenStuck();
    CMoveHint& GetSpecialHint() { return _special_hint; }
    const MoveHintTimer& GetNoMoveTimer() const { return _no_move_timer; }
    // The first hint shows the move of a tutorial hint's target.
    bool IsTutorialTargetShown() const { return _tutorial_target_shown; }
    // The update's step of the moves, once the field's rest is settled: the analysis when one is
    // requested (arming the first hint, or the renewal with the "No_moves_warn" notice), then the
    // first hint shown when it is due, or the balls renewed when no move is left and the renewal is
    // due. True when balls were renewed: the field must then be brought to rest again.
    bool StepMoveHints();
    // The last step of the update: both hint timers count one update down.
    void CountDownHintTimers();

    // ---- Tutorial-hint targets (field_targets.cpp)

    // The screen point of a tutorial hint's target; true when one was found.
    bool GetHintTargetPosition(int id, float& x, float& y, const HintRect& margin, bool force);
    static bool FitsOnScreen(float x, float y, const HintRect& margin);

    // ---- What bonuses ask of the field (field_bonusdata.cpp)

    bool HitCell(int cell, int power, bool from_chain) override;
    bool KillCell(int cell, int amount) override;
    bool UpdateMixMoves(std::vector<MixMove>& moves) override;
    void ApplyMixMoves(const std::vector<MixMove>& moves) override;
    bool ChangeBallType(int cell, int graph_type) override;
    void AddTime(int amount) override;
    void HitNeighbours(const std::vector<int>& cells) override;
    bool IsFieldCell(int cell) const override;
    bool HasPuzzle(int cell) const override;
    bool HasBall(int cell) const override;
    bool HasPlayableBall(int cell) const override;
    bool IsFinisher(int cell) const override;
    bool IsMultiball(int cell) const override;
    bool IsLocked(int cell) const override;
    bool IsBoxed(int cell) const override;
    bool HasWall(int cell) const override;
    void GetMatchGroup(int cell, std::vector<int>& cells, int& graph_type) const override;
    BallTypeEntryPtr FindBallType(int graph_type) const override;
    int GetBallType(int cell) const override;
    int GetMultiballType() const override;
    // The armed clover's picked type; once a clover is applied, the type its waves change balls to.
    int GetChosenBallType() const override { return _clover_type != 0 ? _clover_type : _running_clover_type; }

    // ---- Bonuses on the field (field_bonusctl.cpp)

    // The bonus panel activates a kind: the user's whole credit of it is taken, and the kinds used
    // on a cell are armed for the next click while the others act at once. An armed bonus is given
    // back first. Refused (false) during a drag, for an unknown kind and without a credit grade.
    bool ActivateBonus(int kind);
    // Disarms the selected bonus, giving its unused grades back to the user; false when none was.
    bool CancelBonus();
    // The click on the field while a bonus is armed; true when the bonus was applied. The clover's
    // first click only picks the ball type.
    bool ApplyBonusAt(float x, float y);
    // A bonus was gained during the level: recorded, told to the people, its tutorial hint asked.
    void OnBonusGained(int kind, int grade);
    // The level's upgrade state of a bonus credit type (0: none).
    int GetBonusUpgrade(int credit_type) const;
    int GetSelectedBonus() const { return _bonus_kind; }
    int GetBonusGradesLeft() const { return _bonus_grades; }
    bool IsBonusArmed() const { return _bonus_armed; }
    bool IsBonusRunning() const { return _bonus_running; }
    CBonusController& GetBonusController() { return _bonuses; }

    // ---- Play (field_gamefield.cpp)

    // Per frame, after drawing: builds, cuts and resolves the chain from the mouse.
    void HandleInput(const FieldMouse& mouse);
    // One update, right after the frame's drawing: the level's clocks paused unless the scene
    // plays; while the field appears or disappears only that run; the popups; and while the scene
    // plays the running bonuses, the settling of the field (the finisher, the moving chain, the
    // opening behind destroyed walls, new balls, new bonus looks), at rest the moves with the first
    // hint and the renewal of a field without moves, the level's time and alert, the hand-over of a
    // finished level to the scene's finish, the tiles and the hints' countdowns.
    void Update();
    // Draws the tiles, the balls (stepping their effects) and the running bonuses; unless the field
    // appears or disappears, and as the scene's state allows, the chain and hovered cell, the popups
    // and the hints.
    void Render();
    const CChainView& GetChainView() const { return _view; }

    // Chain building.
    void AddChainCellAt(float x, float y);
    bool TryAddChainCell(int cell);
    bool TruncateChain(int cell);
    void ClearChain() { _chain.Clear(); }
    bool UpdateMouseOver(float x, float y);
    int GetHoveredCell() const { return _hovered_cell; }
    // The cells an armed bonus would affect at the hovered cell, marked with it; a new hovered
    // cell, or none, empties them.
    void SetAffectedCells(std::vector<int> cells) { _affected_cells = std::move(cells); }
    const std::vector<int>& GetAffectedCells() const { return _affected_cells; }
    bool IsSelectingChain() const { return _player_selecting_chain; }

    // Resolution.
    void FinishChain();
    bool HitBall(int cell, ChainStats* stats, bool from_chain);
    void HitNeighbours(const std::vector<int>& cells, ChainStats& stats);
    bool CreditChainBall(const CreditPreview& preview, int cell, ChainStats* stats);
    bool CreditBall(int cell, int amount);
    void StartFinisher();
    bool StepFinisher();
    void StepFieldOpening();

    // Goal.
    bool IsGoalReached() const;
    bool IsLevelFinished() const;
    bool IsFieldBusy() const;
    // The field's activity as the screen around it asks: quiet while no released chain, no opening
    // behind walls, no finisher and no bonus is being resolved; idle when moreover no chain is being
    // drawn and no bonus is armed; free for a click on a panel when no chain is drawn, nothing
    // moves and it is quiet (an armed bonus may wait for its cell).
    bool IsQuiet() const;
    bool IsIdle() const { return IsQuiet() && !_player_selecting_chain && !_bonus_armed; }
    bool AcceptsPanelClick() const { return IsQuiet() && !_player_selecting_chain && !IsFieldBusy(); }
    // Whether the resolved chain's refill is still under way.
    bool IsRefillPending() const { return _refill_pending; }
    bool IsOpeningPending() const { return _opening_pending; }
    // A finisher chain was accepted and its clearing is due or runs.
    bool IsFinisherRunning() const { return _finisher_running || _finisher_step; }

    // The bonus level's moves: those of the moves counter.
    void SetMovesLeft(int moves);
    int GetMovesLeft() const;
    bool IsBonusLevel() const { return _is_bonus_level; }
    void SetElapsedTime(int time) { _stats.time = time; }

    CBallsField& GetBalls() { return _balls; }
    const CBallsField& GetBalls() const { return _balls; }
    CTilesField& GetTiles() { return _tiles; }
    const CTilesField& GetTiles() const { return _tiles; }
    const CChain& GetChain() const { return _chain; }
    const LevelRecord& GetStats() const { return _stats; }
    const LevelFieldInfo& GetInfo() const { return _info; }
    const std::vector<FloatingPopup>& GetPopups() const { return _popups; }
    int GetMultiballSeries() const { return _multiball_series; }

    // The mouse cursor the field shows: selected through the mouse and kept, so that every frame
    // of input selects it again. An unknown name changes nothing.
    bool SelectCursor(const std::string& name);
    void RestoreCursor();
    const std::string& GetCursorName() const { return _cursor_name; }

    // The first move hint: its display and its timer. Reset hides it and disarms the timer.
    CMoveHint& GetFirstHint() { return _first_hint; }
    const MoveHintTimer& GetFirstHintTimer() const { return _first_hint_timer; }
    void ResetFirstHint();
    void ArmFirstHint(int updates);

    // The appearing and disappearing of the field's objects: while it runs the field ignores the
    // hovering mouse and its update only steps the run.
    CFieldAppearer& GetAppearer() { return _appearer; }
    const CFieldAppearer& GetAppearer() const { return _appearer; }

private:
    void DisarmBonus();
    void ResetBonuses();
    // One update of the running bonuses (new balls for the lightning's cells, the settling after).
    void StepBonuses();
    void RecordBonusUse(int kind, int grade);
    std::string CloverCursorName(int graph_type) const;
    PeopleLevelFacts PeopleFacts(int time, bool finisher) const;
    CreditPreview PreviewCredit() const;
    void CreateMultiballs(std::vector<MovingChainEntry>& candidates);
    std::vector<MovingChainEntry> MovingLine() const;
    void AddPopup(int cell, int resource_type, int amount);
    void UpdatePopups();
    void RenderPopups();
    void TellPeople(const ChainStats& stats) const;
    void OpenBehindWalls(const std::vector<int>& destroyed);
    bool IsFieldAtRest() const;
    void Refill();
    // Everything that belongs to one level back to its start.
    void ResetLevelState();
    void ReadLevelFile(const std::string& path, bool is_bonus_level, bool with_clock);
    void TurnMoveIntoResources();
    void StepBonusResource();
    void ChooseBonusResource();

    CBallsField _balls;
    CTilesField _tiles;
    CChain _chain;
    CChainView _view;
    bool _view_loaded = false;
    LevelFieldInfo _info;
    LevelRecord _stats;
    bool _is_bonus_level = false;

    bool _player_selecting_chain = false;
    bool _chain_shown = false;
    int _hovered_cell = -1;
    std::vector<int> _affected_cells;
    bool _goal = false;
    bool _refill_pending = false;
    int _multiball_series = 0;
    std::vector<FloatingPopup> _popups;
    std::string _cursor_name;
    CMoveHint _first_hint;
    MoveHintTimer _first_hint_timer;
    CFieldAppearer _appearer;

    // The opening of cells behind destroyed walls: the cells still to be filled.
    bool _opening_pending = false;
    std::vector<int> _opening;

    // The finisher's clearing: per cell, updates until it fires (-1: not armed).
    bool _finisher_running = false;
    bool _finisher_step = false;
    std::vector<int> _finisher_delay;
    int _finisher_fired = 0;
    int _finisher_boxed = 0, _finisher_locked = 0, _finisher_tiled = 0;

    // The level's life.
    std::string _level_path;
    bool _field_shown = false;
    int _end_step = 0;
    int _hide_step = 0;
    bool _show_started = false;
    CStopwatch _level_watch;
    CStopwatch _end_timer;
    CSoundChannel _end_sound;
    double _bonus_carry = 0.0;    // the end-of-level bonus's fraction not yet credited
    float _bonus_drained = 0.0f;  // how far the time bar had drained at the last step
    GraphicsDesc _resource_icons[3];

    // Moves and the hints they drive.
    bool _analysis_requested = false;
    std::vector<MoveGroup> _groups;
    std::vector<std::map<int, int>> _cell_groups;   // per cell: ball type to group id
    int _valid_moves = 0;
    CMoveHint _special_hint;
    MoveHintTimer _no_move_timer;
    bool _tutorial_target_shown = false;

    // The selected bonus: its kind, the grades still to use (single uses when the flag is set), the
    // ball types picked by the clover's first click and remembered by the bag's.
    CBonusController _bonuses;
    int _bonus_kind = 0;
    int _bonus_grades = 0;
    bool _bonus_single_use = false;
    bool _bonus_armed = false;
    bool _bonus_running = false;
    bool _new_balls_for_bonus = false;
    bool _settle_pending = false;
    int _clover_type = 0;
    int _running_clover_type = 0;   // kept until the applied clover's waves are over
    int _bag_type = 0;
};
