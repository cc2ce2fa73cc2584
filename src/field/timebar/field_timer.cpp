#include "field/timebar/field_timer.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

CGameTimer g_GameTimer;
CMovesCounter g_MovesCounter;

namespace {

const char* const kTimeLeftSound = "time_left";

// Whole units of a bar's length; a bar longer than an int can count keeps the largest.
int WholeUnits(double units)
{
    if (!(units > -2147483648.0)) return std::numeric_limits<int>::min();
    if (!(units < 2147483647.0)) return std::numeric_limits<int>::max();
    return int(units);
}

int Milliseconds(int seconds)
{
    return int(std::clamp<int64_t>(int64_t(seconds) * 1000, std::numeric_limits<int>::min(),
                                   std::numeric_limits<int>::max()));
}

CXMLNode StateNode(const CXMLNode& level_root)
{
    CXMLNode timer_node = level_root.SelectSingleNode("State");
    VERIFY(timer_node.IsValid());
    return timer_node;
}

} // namespace

// ---- time bar

void CGameTimer::BindControls(ITimeBarView* bar, IWarningView* danger_off, IWarningImage* danger)
{
    time_bar_ = bar;
    _danger_off = danger_off;
    _danger = danger;
    if (time_bar_) {
        time_bar_->SetMinPos(WholeUnits(min_pos_));
        time_bar_->SetMaxPos(WholeUnits(max_pos_));
        time_bar_->SetPos(WholeUnits(_pos));
    }
    SetMode(tmStopped);
}

void CGameTimer::Load(const CXMLNode& level_root)
{
    VERIFY(time_bar_ != NULL);
    const CXMLNode timer_node = StateNode(level_root);

    min_pos_ = timer_node.GetFloatAttribute("min", 0.0f);
    max_pos_ = timer_node.GetFloatAttribute("max", 1.0f);
    if (min_pos_ > max_pos_ + 1.0f) {
        VERIFY_SOFT(min_pos_ <= max_pos_ + 1.0f);
        max_pos_ = min_pos_ + 1.0f;
    }
    start_pos_ = timer_node.GetFloatAttribute("pos", 0.0f);
    VERIFY_SOFT(min_pos_ <= start_pos_);
    VERIFY_SOFT(start_pos_ <= max_pos_);
    start_pos_ = std::clamp(start_pos_, min_pos_, std::max(min_pos_, max_pos_));

    _delta = timer_node.GetFloatAttribute("delta", 1.0f);
    _delay = timer_node.GetIntAttribute("delay", 1000);
    if (_delta >= 0.0f)
        GetLog().Warning("Time bar: delta %g does not count down; the time of this level never runs out.",
                         double(_delta));

    time_bar_->SetMinPos(WholeUnits(min_pos_));
    time_bar_->SetMaxPos(WholeUnits(max_pos_));
    time_bar_->SetPos(WholeUnits(start_pos_));
    _pos = start_pos_;

    SetMode(tmStopped);
    _added_time = 0.0f;
    _frozen = false;
    _drain_from = _drained = 0.0f;
    SetWarningLevel(0);
    SetMode(tmFilling);
}

void CGameTimer::StartTimeLeftSound(const char* alias)
{
    if (!alias || !*alias) {
        if (_time_left_started) _time_left.Stop();
        _time_left_started = false;
        return;
    }
    _time_left.SetSample(alias);
    _time_left.Play();
    _time_left_started = true;
}

void CGameTimer::SetMode(int mode)
{
    _mode = mode;
    switch (mode) {
    case tmStopped:
        _step.Reset();
        StartTimeLeftSound(nullptr);
        SetWarningLevel(0);
        break;
    case tmRunning:
        _step.StartFor(uint32_t(std::max(_delay, 1)));
        StartTimeLeftSound(nullptr);
        break;
    case tmFilling:
        _step.StartFor(1);
        _pos = CountsDown() ? min_pos_ : max_pos_;
        StartTimeLeftSound(nullptr);
        SetWarningLevel(0);
        break;
    case tmDraining:
        _step.StartFor(1);
        StartTimeLeftSound(kTimeLeftSound);
        SetWarningLevel(0);
        _drain_from = _pos;
        _drained = 0.0f;
        break;
    default:
        break;
    }
}

void CGameTimer::Update()
{
    VERIFY(time_bar_ != NULL);
    switch (_mode) {
    case tmRunning: StepRunning(); break;
    case tmFilling: StepFilling(); break;
    case tmDraining: StepDraining(); break;
    default: break;
    }
    _time_left.Update();
    UpdateBlink();
}

void CGameTimer::Clamp()
{
    _pos = std::clamp(_pos, min_pos_, std::max(min_pos_, max_pos_));
}

void CGameTimer::ShowPos()
{
    time_bar_->SetPos(WholeUnits(_pos));
}

void CGameTimer::StepRunning()
{
    bool changed = false;
    if (!_step.IsPaused() && _step.IsPassed() && !_frozen) {
        _step.StartFor(uint32_t(std::max(_delay, 1)));
        _pos += _delta;
        changed = true;
    }
    if (_added_time != 0.0f) {
        const float room = _delta >= 0.0f ? _pos - min_pos_ : max_pos_ - _pos;
        if (room >= 1.0f) {
            const float chunk = std::max(max_pos_ * 0.01f, 0.5f);
            float amount;
            if (_added_time <= std::min(room, chunk)) amount = _added_time;
            else if (chunk < room) amount = chunk;
            else amount = room;
            if (_delta < 0.0f) _pos += amount;
            else if (_delta > 0.0f) _pos -= amount;
            _added_time -= amount;
            changed = true;
        }
    }
    if (!changed) return;

    Clamp();
    ShowPos();
    const float percent = max_pos_ == min_pos_ ? 100.0f : (_pos - min_pos_) * 100.0f / (max_pos_ - min_pos_);
    if (_delta < 0.0f && _pos < min_pos_ - _delta) SetWarningLevel(0);
    else if (percent <= 10.0f) SetWarningLevel(3);
    else if (percent <= 20.0f) SetWarningLevel(2);
    else if (percent <= 30.0f) SetWarningLevel(1);
    else SetWarningLevel(0);
}

void CGameTimer::StepFilling()
{
    if (CountsDown() ? _pos >= start_pos_ : _pos <= start_pos_) {
        _step.Reset();
        SetMode(tmRunning);
        return;
    }
    if (!_step.IsPassed()) return;
    const float move = (max_pos_ - min_pos_) * 0.01f;
    _pos += CountsDown() ? move : -move;
    Clamp();
    // The last step stops at the start rather than past it.
    _pos = CountsDown() ? std::min(_pos, start_pos_) : std::max(_pos, start_pos_);
    ShowPos();
    _step.StartFor(1);
}

void CGameTimer::StepDraining()
{
    if (CountsDown() ? _pos <= min_pos_ : _pos >= max_pos_) {
        _step.Reset();
        SetMode(tmStopped);
        return;
    }
    if (!_step.IsPassed()) return;
    const float move = (max_pos_ - min_pos_) * 0.01f;
    _pos += CountsDown() ? -move : move;
    Clamp();
    _drained = std::fabs(_pos - _drain_from);
    ShowPos();
    _step.StartFor(1);
}

uint32_t CGameTimer::BlinkPeriod() const
{
    switch (_warning_level) {
    case 1: return 10000;
    case 2: return 3000;
    default: return 1;
    }
}

void CGameTimer::SetWarningLevel(int level)
{
    _warning_level = level;
    if (_danger_off) _danger_off->SetVisible(level == 0);
    if (_danger) _danger->SetVisible(level != 0);
    if (level == 0) {
        if (_warning_on) {
            _warning_on = false;
            if (_danger) _danger->FinishAnimation();
        }
        return;
    }
    if (level < 1 || level > 3 || _warning_on) return;
    _warning_on = true;
    if (_danger) _danger->StartAnimation();
    g_SoundQueue.QueueSound("time_warning");
    _blink.StartFor(BlinkPeriod());
}

void CGameTimer::UpdateBlink()
{
    // The blink is the danger image's animation: without the image there is nothing to pace it.
    if (!_danger) return;
    if (_warning_on && !_blink.IsPaused() && _blink.IsPassed() && !_danger->IsAnimationPlaying()) {
        if (_danger_off) _danger_off->SetVisible(false);
        _danger->SetVisible(true);
        _danger->StartAnimation();
        g_SoundQueue.QueueSound("time_warning");
        _blink.StartFor(BlinkPeriod());
    }
    if (!_danger->IsAnimationPlaying() && _danger->IsVisible()) {
        if (_danger_off) _danger_off->SetVisible(true);
        _danger->SetVisible(false);
    }
}

void CGameTimer::Pause(bool pause)
{
    if (pause) _step.Pause();
    else _step.Resume();
}

float CGameTimer::GetPos() const
{
    VERIFY(time_bar_ != NULL);
    return _pos;
}

int CGameTimer::GetRemainingSeconds() const
{
    return WholeUnits(double(GetPos()) - double(min_pos_) + double(_added_time));
}

int CGameTimer::SaveTime() const
{
    // While the bar still fills at the level's start, the level's time is where it fills to.
    if (_mode == tmFilling)
        return Milliseconds(WholeUnits(double(start_pos_) - double(min_pos_) + double(_added_time)));
    return Milliseconds(GetRemainingSeconds());
}

void CGameTimer::RestoreTime(int time_ms)
{
    VERIFY(time_bar_ != NULL);
    start_pos_ = float(std::max(time_ms, 0) / 1000) + min_pos_;
    if (start_pos_ > max_pos_) {
        _added_time = start_pos_ - max_pos_;
        start_pos_ = max_pos_;
    } else {
        _added_time = 0.0f;
    }
    time_bar_->SetPos(WholeUnits(start_pos_));
}

void CGameTimer::GetTipPosition(float& x, float& y) const
{
    VERIFY(time_bar_ != NULL);
    time_bar_->GetTipPosition(x, y);
}

// ---- moves counter

void CMovesCounter::Load(const CXMLNode& level_root)
{
    _total = _remaining = StateNode(level_root).GetIntAttribute("moves", 10);
    if (_panel) _panel->ExplodeBody(_remaining);
}

void CMovesCounter::SpendMove()
{
    if (_remaining <= 0) return;
    --_remaining;
    if (_panel) _panel->SpendMove();
}

void CMovesCounter::RestoreMoves(int moves)
{
    _remaining = moves;
    if (_panel) _panel->ExplodeBody(_remaining);
}

void CMovesCounter::GetBodyPos(float& x, float& y) const
{
    x = y = 0.0f;
    if (_panel) _panel->GetBodyMiddlePos(x, y);
}
