#include "engine/sound/engine_soundqueue.h"

#include <cstdlib>

CSoundQueue g_SoundQueue;

CSoundQueue::~CSoundQueue()
{
    if (g_SoundKeeper)
        for (const auto& [alias, e] : _music)
            if (e.state != msStopping) g_SoundKeeper->StopMusic(alias, 0);
    _music.clear();
    _samples.clear();
}

void CSoundQueue::QueueSound(const std::string& alias)
{
    if (alias.empty() || _mute) return;
    auto [it, added] = _samples.emplace(alias, 0);
    if (!added) ++it->second;
}

bool CSoundQueue::IsSounding(const MusicEntry& e)
{
    return e.state == msPlaying || e.state == msFadingDown || e.state == msFadingUp;
}

// Sets the entry on its way to `volume`; false when it got there at once (no fade).
bool CSoundQueue::SetupFade(MusicEntry& e, int fade_ms, int volume)
{
    bool fading = false;
    if (fade_ms > 0 && e.volume != volume) {
        e.state = e.volume < volume ? msFadingUp : msFadingDown;
        e.rate = static_cast<float>(volume - e.volume) / static_cast<float>(fade_ms);
        e.timer.StartFor(static_cast<uint32_t>(fade_ms));
        fading = true;
    } else {
        e.state = msPlaying;
        e.volume = volume;
        e.rate = 0.0f;
    }
    e.target = volume;
    e.after = msPlaying;
    return fading;
}

void CSoundQueue::StartMusic(const MusicTrack& music, int fade_ms, int volume)
{
    if (!music.IsValid()) return;
    auto it = _music.find(music.alias);
    if (it == _music.end()) {
        it = _music.emplace(music.alias, MusicEntry{}).first;
        it->second.music = music;
    }
    MusicEntry& e = it->second;
    const bool was_sounding = IsSounding(e);
    const bool fading = SetupFade(e, fade_ms, volume);
    if (!g_SoundKeeper) return;
    if (!was_sounding) {
        g_SoundKeeper->PlayMusic(e.music.alias, e.music.track);
        g_SoundKeeper->SetMusicVolume(e.music.alias, e.volume);
    } else if (!fading) {
        g_SoundKeeper->SetMusicVolume(e.music.alias, volume);
    }
}

void CSoundQueue::FadeMusic(const MusicTrack& music, int fade_ms, int volume)
{
    if (!music.IsValid()) return;
    auto it = _music.find(music.alias);
    if (it == _music.end() || !IsSounding(it->second)) return;
    if (!SetupFade(it->second, fade_ms, volume) && g_SoundKeeper)
        g_SoundKeeper->SetMusicVolume(music.alias, volume);
}

void CSoundQueue::StopMusic(const MusicTrack& music, int fade_ms)
{
    if (!music.IsValid()) return;
    auto it = _music.find(music.alias);
    if (it == _music.end()) return;
    MusicEntry& e = it->second;
    if (!IsSounding(e)) {
        _music.erase(it);
        return;
    }
    if (fade_ms > 0 && e.volume != 0) {
        e.state = msFadingDown;
        e.after = msStopping;
        e.target = 0;
        e.rate = -static_cast<float>(e.volume) / static_cast<float>(fade_ms);
        e.timer.StartFor(static_cast<uint32_t>(fade_ms));
        return;
    }
    e.state = msStopping;
    e.volume = 0;
    e.target = 0;
    if (g_SoundKeeper) g_SoundKeeper->StopMusic(music.alias, 0);
    _music.erase(it);
}

int CSoundQueue::GetMusicVolume(const MusicTrack& music) const
{
    auto it = _music.find(music.alias);
    return it != _music.end() && IsSounding(it->second) ? it->second.volume : 0;
}

int CSoundQueue::GetMusicState(const std::string& alias) const
{
    auto it = _music.find(alias);
    return it == _music.end() ? -1 : it->second.state;
}

void CSoundQueue::Update()
{
    // The keeper's own timed fades move on with the frames too.
    if (g_SoundKeeper) g_SoundKeeper->Update();
    for (auto it = _music.begin(); it != _music.end();) {
        MusicEntry& e = it->second;
        if (e.state == msFadingDown || e.state == msFadingUp) {
            const int before = e.volume;
            const uint32_t elapsed = e.timer.GetElapsed();
            const uint32_t duration = e.timer.GetDuration();
            if (elapsed >= duration) {
                e.state = e.after;
                e.volume = e.target;
                if (e.state == msStopping && g_SoundKeeper) g_SoundKeeper->StopMusic(it->first, 0);
            } else {
                const float v = static_cast<float>(e.target) - static_cast<float>(duration - elapsed) * e.rate;
                e.volume = static_cast<int>(v);
            }
            if (e.volume != before && g_SoundKeeper) g_SoundKeeper->SetMusicVolume(it->first, e.volume);
        }
        if (e.state == msStopping) it = _music.erase(it);
        else ++it;
    }
    if (g_SoundKeeper)
        for (const auto& [alias, count] : _samples) g_SoundKeeper->PlaySample(alias);
    _samples.clear();
}

// ---------------------------------------------------------------------------------------------

bool CSoundChannel::VolumeFader::Step()
{
    if (!active) return true;
    const int next = current + step;
    if (next > low && next < high) {
        current = next;
        return false;
    }
    current = next >= high ? high : low;
    active = false;
    return true;
}

void CSoundChannel::SetSample(const std::string& alias)
{
    _alias = alias;
    if (g_SoundKeeper) g_SoundKeeper->LoadSample(alias);
}

void CSoundChannel::SetState(int state)
{
    if (state == _state) return;
    _state = state;
    if (_alias.empty()) return;
    if (state == chsFadeDown) {
        _fader.high = _max_volume;
        _fader.low = _min_volume;
        _fader.current = _max_volume;
        _fader.step = -std::abs(_fader.step);
        _fader.active = true;
    } else if (state == chsFadeUp) {
        _fader.low = _min_volume;
        _fader.high = _max_volume;
        _fader.current = _min_volume;
        _fader.step = std::abs(_fader.step);
        _fader.active = true;
    } else {
        return;
    }
    if (!IsPlaying()) {
        Play();
        // The fade starts where the fader does, not at the sample's own volume.
        if (_handle && g_SoundKeeper) g_SoundKeeper->SetSampleVolume(_handle, _fader.current);
    }
}

void CSoundChannel::Update()
{
    if (_alias.empty()) return;
    switch (_state) {
    case chsStop:
        if (IsPlaying()) Stop();
        break;
    case chsPlay:
        if (_loop) {
            if (!IsPlaying()) Play();
        } else {
            Play();
            _state = chsIdle;
        }
        break;
    case chsFadeDown:
    case chsFadeUp:
        if (_fader.active) {
            _fader.Step();
            if (g_SoundKeeper) g_SoundKeeper->SetSampleVolume(_handle, _fader.current);
        }
        if (!_fader.active || !IsPlaying()) _state = chsIdle;
        break;
    default:
        break;
    }
}

bool CSoundChannel::IsPlaying() const
{
    return g_SoundKeeper && g_SoundKeeper->GetChannelState(_handle) == scsPlaying;
}

void CSoundChannel::Play()
{
    _handle = g_SoundKeeper ? g_SoundKeeper->PlaySample(_alias) : 0;
}

void CSoundChannel::Stop()
{
    if (g_SoundKeeper) g_SoundKeeper->StopSample(_handle);
    _handle = 0;
}
