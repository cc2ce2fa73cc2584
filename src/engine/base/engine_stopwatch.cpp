#include "engine/base/engine_stopwatch.h"

#include "engine/base/engine_clock.h"

bool CStopwatch::Start()
{
    if (_state != swStopped) return false;
    _state = swRunning;
    _start = zf::ClockNow();
    _elapsed = 0;
    _paused_at = 0;
    return true;
}

bool CStopwatch::Pause()
{
    if (_state != swRunning) return false;
    _state = swPaused;
    _paused_at = zf::ClockNow();
    _elapsed = _paused_at - _start;
    return true;
}

bool CStopwatch::Resume()
{
    if (_state != swPaused) return false;
    _state = swRunning;
    _start += zf::ClockNow() - _paused_at;
    return true;
}

bool CStopwatch::Stop()
{
    if (_state == swStopped) return false;
    // A paused watch keeps the time it had when it was paused: the pause does not count.
    if (_state == swRunning) _elapsed = zf::ClockNow() - _start;
    _state = swStopped;
    return true;
}

void CStopwatch::SetPaused(uint32_t elapsed)
{
    _state = swPaused;
    _paused_at = zf::ClockNow();
    _start = _paused_at - elapsed;
    _elapsed = elapsed;
}

bool CStopwatch::StartFor(uint32_t duration)
{
    Stop();
    if (duration == 0) return false;
    Start();
    _duration = duration;
    return true;
}

bool CStopwatch::Reset()
{
    const bool stopped = Stop();
    if (stopped) _duration = 0;
    return stopped;
}

uint32_t CStopwatch::GetElapsed() const
{
    return _state == swRunning ? zf::ClockNow() - _start : _elapsed;
}
