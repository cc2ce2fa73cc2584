// A value that steps toward a target in a fixed number of frames: the shown score and resources
// of the game screen, and the counted figures of the result dialogs (optionally with a counting
// sound while it moves).
#pragma once

#include "engine/sound/engine_soundqueue.h"

#include <string>

class CValueWinder {
public:
    CValueWinder() = default;
    // current := from, target := to, delta := (to - from) / steps, active. A non-empty alias is the
    // counting sound, asked to play on every step that moves.
    CValueWinder(float from, float to, int steps, const std::string& sound_alias = std::string());

    // Restarts the run (the sound stays).
    void Start(float from, float to, int steps);
    // One frame while active: moves by delta while more than delta remains, else lands exactly on
    // the target and stops; the last of the run's steps always lands, whatever the float rounding.
    void Step();
    // Lands on the target at once and stops.
    void Finish();

    float GetCurrent() const { return _current; }
    float GetTarget() const { return _target; }
    float GetDelta() const { return _delta; }
    bool IsActive() const { return _active; }

private:
    float _target = 0.0f;
    float _current = 0.0f;
    float _delta = 0.0f;
    bool _active = false;
    int _steps_left = 0;
    CSoundChannel _sound;
    bool _has_sound = false;
};
