// A pausable millisecond timer on the engine clock, with an optional duration that its owner polls.
#pragma once

#include <cstdint>

class CStopwatch {
public:
    enum State { swRunning = 0, swStopped = 1, swPaused = 2 };

    CStopwatch() = default;

    bool Start();   // stopped -> running from now
    bool Pause();   // running -> paused
    bool Resume();  // paused -> running, the paused time left out
    bool Stop();    // running or paused -> stopped, keeping the elapsed time
    void SetPaused(uint32_t elapsed);   // paused with the given elapsed time
    bool StartFor(uint32_t duration);   // restarts with a duration; 0 leaves it stopped and gives false
    bool Reset();   // stops and clears the duration

    int GetState() const { return _state; }
    bool IsRunning() const { return _state == swRunning; }
    bool IsPaused() const { return _state == swPaused; }
    bool IsStopped() const { return _state == swStopped; }
    // Now minus the start while running, else the stored elapsed time.
    uint32_t GetElapsed() const;
    uint32_t GetDuration() const { return _duration; }
    // The elapsed time has reached the duration.
    bool IsPassed() const { return GetElapsed() >= _duration; }

private:
    int _state = swStopped;
    uint32_t _start = 0;
    uint32_t _paused_at = 0;
    uint32_t _elapsed = 0;
    uint32_t _duration = 0;
};
