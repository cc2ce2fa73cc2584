#include "gui/gui_winder.h"

#include <algorithm>
#include <cmath>

CValueWinder::CValueWinder(float from, float to, int steps, const std::string& sound_alias)
{
    Start(from, to, steps);
    if (!sound_alias.empty()) {
        _sound.SetSample(sound_alias);
        _has_sound = true;
    }
}

void CValueWinder::Start(float from, float to, int steps)
{
    _active = true;
    _target = to;
    _current = from;
    // A run of no steps lands at once.
    _delta = steps > 0 ? (to - from) / float(steps) : (to - from);
    _steps_left = std::max(steps, 1);
}

void CValueWinder::Step()
{
    if (!_active) return;
    --_steps_left;
    if (_steps_left > 0 && std::fabs(_delta) < std::fabs(_target - _current)) {
        _current += _delta;
        if (_has_sound && !_sound.IsPlaying()) _sound.SetState(CSoundChannel::chsPlay);
    } else {
        _active = false;
        _current = _target;
    }
    if (_has_sound) _sound.Update();
}

void CValueWinder::Finish()
{
    _current = _target;
    _active = false;
}
