// The game screen's music: two channels sound at once, the level's own music (channel A) and the
// nature track (channel B). One is loud and the other silent; they swap by a slow crossfade after a
// random while. The level's music is chosen once per level from the user's current game, and after
// every epoch of the city is built it changes every third ordinary level.
#pragma once

#include "engine/base/engine_stopwatch.h"
#include "engine/sound/engine_soundqueue.h"

#include <cstdint>

class CUser;

// What the city tells the level music: its first epoch's level and bonus-level music, and
// whether every epoch is complete.
struct CityMusicInfo {
    MusicTrack music;
    MusicTrack bonus_music;
    bool all_epochs_complete = false;
};

class CGameMusic {
public:
    static constexpr const char* kNatureAlias = "MUS_NATURE";
    static constexpr int kEnterFadeMs = 1500;
    static constexpr int kLeaveFadeMs = 1500;
    static constexpr int kSwapFadeMs = 5000;
    static constexpr int kLowerRaiseFadeMs = 1000;
    // Ordinary levels played with one music before it may change (all epochs complete).
    static constexpr int kPlaysPerMusic = 3;

    // Plays through the given queue (the program's by default).
    explicit CGameMusic(CSoundQueue& queue = g_SoundQueue) : _queue(queue) {}

    // At level initialisation: channel A becomes the level's music, kept in the user's current game.
    void ChooseLevelMusic(CUser& user, bool bonus_level, const CityMusicInfo& city);
    // At every Enter: stops another music the user left playing, starts both channels with the level
    // music loud. `time_span` is the level's time bar maximum minus its minimum (0 without a bar).
    void StartGameMusic(CUser& user, float time_span);
    // Every frame: swaps the loud channel when its time is up; nothing while a cross-state runs.
    void UpdateMusic(bool cross_state_running);
    // At Leave: the level music goes silent but keeps playing (the next scene may take it over), the
    // nature track fades out and stops.
    void StopGameMusic();
    // Fades the loud channel to `volume` over 1000 ms when it is louder (Lower) or quieter (Raise)
    // than that; returns the volume it had.
    int LowerMusic(int volume);
    int RaiseMusic(int volume);

    const MusicTrack& GetChannelA() const { return _channel_a; }
    const MusicTrack& GetChannelB() const { return _channel_b; }
    bool IsNatureCurrent() const { return _nature_current; }
    const CStopwatch& GetTimer() const { return _timer; }

private:
    // The level music's period: at least two minutes, longer for a long time bar.
    void StartLevelPeriod();
    const MusicTrack& LoudChannel() const { return _nature_current ? _channel_b : _channel_a; }

    CSoundQueue& _queue;
    MusicTrack _channel_a;
    MusicTrack _channel_b{kNatureAlias, 0};
    CStopwatch _timer;
    bool _nature_current = false;
    int _time_span = 0;
};
