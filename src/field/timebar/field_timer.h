// The level's clock: the time bar of a normal level, which runs between a minimum and a maximum by
// a fixed step at a fixed period and warns in three levels as it runs low, and the moves counter of
// a bonus level. Both read the level file's "State" element. The game screen binds its controls to
// them through the small views below and drives the time bar once per frame.
#pragma once

#include "engine/base/engine_stopwatch.h"
#include "engine/sound/engine_soundqueue.h"

class CXMLNode;

// The timer panel's progress bar.
class ITimeBarView {
public:
    virtual ~ITimeBarView() = default;
    virtual void SetMinPos(int v) = 0;
    virtual void SetMaxPos(int v) = 0;
    // The position is clamped to the range by the bar.
    virtual void SetPos(int v) = 0;
    // The screen point at the moving end of the bar.
    virtual void GetTipPosition(float& x, float& y) const = 0;
};

// A control that is shown or hidden.
class IWarningView {
public:
    virtual ~IWarningView() = default;
    virtual void SetVisible(bool visible) = 0;
    virtual bool IsVisible() const = 0;
};

// The danger image, which blinks by playing its animation.
class IWarningImage : public IWarningView {
public:
    virtual void StartAnimation() = 0;
    virtual void FinishAnimation() = 0;
    virtual bool IsAnimationPlaying() const = 0;
};

// The moves panel of a bonus level.
class IMoverPanel {
public:
    virtual ~IMoverPanel() = default;
    // Shows the panel with that many moves.
    virtual void ExplodeBody(int moves) = 0;
    // Plays the spending of one move.
    virtual void SpendMove() = 0;
    // The middle of the panel's body.
    virtual void GetBodyMiddlePos(float& x, float& y) const = 0;
    // Whether the panel still plays an animation (a spent move).
    virtual bool IsAnimating() const { return false; }
};

class CGameTimer {
public:
    enum EMode { tmStopped = 0, tmRunning = 1, tmFilling = 2, tmDraining = 3 };

    // Takes the progress bar (required before Load) and the optional danger controls; shows the
    // current range and position on the bar and stops the timer.
    void BindControls(ITimeBarView* bar, IWarningView* danger_off, IWarningImage* danger);
    // Reads the "State" element of the level root (checks "timer_node.IsValid()"), mends an
    // inconsistent range or start with a logged check, and starts filling up to the start.
    void Load(const CXMLNode& level_root);

    void SetMode(int mode);
    // Once per frame: a step of the current mode, the time-left sound, the warning blink.
    void Update();
    void SetWarningLevel(int level);
    // Pauses (true) or resumes (false) the running steps.
    void Pause(bool pause);

    // Whole seconds left: the position above the minimum plus the time still to be paid out.
    int GetRemainingSeconds() const;
    // The time a saved level keeps, in milliseconds.
    int SaveTime() const;
    // A saved level's time: the bar fills up to it; what exceeds the range is paid out later.
    void RestoreTime(int time_ms);
    // Time given back by bonuses, paid out gradually while running.
    void AddTime(float amount) { _added_time += amount; }
    void GetTipPosition(float& x, float& y) const;

    // While frozen the running steps are skipped; added time is still paid out.
    void SetFrozen(bool frozen) { _frozen = frozen; }
    bool IsFrozen() const { return _frozen; }

    int GetMode() const { return _mode; }
    float GetPos() const;
    float GetMinPos() const { return min_pos_; }
    float GetMaxPos() const { return max_pos_; }
    float GetStartPos() const { return start_pos_; }
    float GetDelta() const { return _delta; }
    float GetAddedTime() const { return _added_time; }
    int GetWarningLevel() const { return _warning_level; }
    bool IsWarningOn() const { return _warning_on; }
    // How far the bar has drained since the last drain began: exactly the distance from where it
    // began to where the bar stands, so a drain to the end gives the whole remaining time.
    float GetDrained() const { return _drained; }

private:
    // The bar counts down (the usual case; also taken for a delta of 0, which does not move).
    bool CountsDown() const { return _delta <= 0.0f; }
    void StepRunning();
    void StepFilling();
    void StepDraining();
    void UpdateBlink();
    void ShowPos();
    void Clamp();
    void StartTimeLeftSound(const char* alias);
    uint32_t BlinkPeriod() const;

    ITimeBarView* time_bar_ = nullptr;
    IWarningView* _danger_off = nullptr;
    IWarningImage* _danger = nullptr;
    int _mode = tmStopped;
    float min_pos_ = 0.0f;
    float max_pos_ = 1.0f;
    float _pos = 0.0f;
    float start_pos_ = 0.0f;
    CStopwatch _step;
    int _delay = 1000;
    float _delta = 1.0f;
    bool _warning_on = false;
    int _warning_level = 0;
    CStopwatch _blink;
    bool _frozen = false;
    float _added_time = 0.0f;
    float _drain_from = 0.0f;
    float _drained = 0.0f;
    CSoundChannel _time_left;
    bool _time_left_started = false;
};

class CMovesCounter {
public:
    // The mover panel of the game screen (null: none).
    void SetPanel(IMoverPanel* panel) { _panel = panel; }
    // The "moves" of the level's "State" element (10 when absent; checks "timer_node.IsValid()").
    void Load(const CXMLNode& level_root);
    // One move spent; nothing when none is left.
    void SpendMove();
    int GetTotalMoves() const { return _total; }
    int GetRemainingMoves() const { return _remaining; }
    int SaveMoves() const { return _remaining; }
    void RestoreMoves(int moves);
    // The middle of the panel's body, (0, 0) without a panel.
    void GetBodyPos(float& x, float& y) const;
    bool IsPanelAnimating() const { return _panel && _panel->IsAnimating(); }

private:
    IMoverPanel* _panel = nullptr;
    int _total = 0;
    int _remaining = 0;
};

extern CGameTimer g_GameTimer;
extern CMovesCounter g_MovesCounter;
