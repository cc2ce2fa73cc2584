// The game field in play: the level's balls and tiles, the chain the player drags with the mouse,
// its resolution (credits, hits on boxes, locks, balls, tiles and walls, multiballs, the finisher
// that clears the field), the refill that brings the field back to rest, the opening of cells
// behind destroyed walls, the floating popups of credits, and the level's goal.
#pragma once

#include "field/appear/field_appear.h"
#include "field/balls/field_balls.h"
#include "field/chain/field_chain.h"
#include "field/chain/field_chainview.h"
#include "field/field_services.h"
#include "field/hints/field_movehint.h"
#include "field/tiles/field_tiles.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CStaticLabel;
class CXMLNode;

// The mouse as the field sees it in one frame.
struct FieldMouse {
    float x = 0.0f;
    float y = 0.0f;
    bool left_down = false;
    bool right_pressed = false;   // pressed in this frame
};

// The level's progress figures the field keeps.
struct FieldLevelStats {
    int n_puzzles = 0;         // removable tile layers of the level
    int n_puzzles_broke = 0;   // tile layers broken so far
    int n_finishers = 0;
    int score = 0;
    int time = 0;              // elapsed, in milliseconds, as the scene gives it
    std::map<int, int> collect;   // credits gained, by resource or credit type
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
};

// The first move hint's timer: armed, it counts updates down before the hint is due.
struct MoveHintTimer {
    static constexpr int kRearmUpdates = 200;
    int delay = 0;
    bool armed = false;
};

// What one chain ball credits: computed once per chain.
struct CreditPreview {
    int resource_type = 0;
    int amount = 0;
    int score = 0;
};

class CGameField {
public:
    // Reads a level file (a game-folder path) and fills the empty cells. A level whose new-ball
    // odds of locks or of boxes add up to 100 or more fails with a message naming the level and
    // the keys; so does an unreadable file.
    void LoadLevel(const std::string& path, bool is_bonus_level = false);
    void LoadLevel(const CXMLNode& level_root, const std::string& level_name, bool is_bonus_level = false);

    // Per frame, after drawing: builds, cuts and resolves the chain from the mouse.
    void HandleInput(const FieldMouse& mouse);
    // One update: popups, the finisher, the balls layer with its moving chain, the opening behind
    // destroyed walls, new balls for the waiting cells, the tiles.
    void Update();
    // Draws the tiles, the balls (stepping their effects), the chain, the hovered cell and the
    // floating popups.
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
    // Hits the cell up to power times, as long as each hit finds something.
    bool HitCell(int cell, int power);
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
    // Whether the resolved chain's refill is still under way.
    bool IsRefillPending() const { return _refill_pending; }
    bool IsOpeningPending() const { return _opening_pending; }
    bool IsFinisherRunning() const { return _finisher_running; }

    // The bonus level's moves (the moves panel sets them).
    void SetMovesLeft(int moves) { _moves_left = moves; }
    int GetMovesLeft() const { return _moves_left; }
    bool IsBonusLevel() const { return _is_bonus_level; }
    void SetElapsedTime(int time) { _stats.time = time; }

    CBallsField& GetBalls() { return _balls; }
    const CBallsField& GetBalls() const { return _balls; }
    CTilesField& GetTiles() { return _tiles; }
    const CTilesField& GetTiles() const { return _tiles; }
    const CChain& GetChain() const { return _chain; }
    const FieldLevelStats& GetStats() const { return _stats; }
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

    CBallsField _balls;
    CTilesField _tiles;
    CChain _chain;
    CChainView _view;
    bool _view_loaded = false;
    LevelFieldInfo _info;
    FieldLevelStats _stats;
    bool _is_bonus_level = false;
    int _moves_left = 0;

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
    std::vector<int> _finisher_delay;
    int _finisher_fired = 0;
    int _finisher_boxed = 0, _finisher_locked = 0, _finisher_tiled = 0;
};
