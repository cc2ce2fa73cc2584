// The per-frame sound queue: the samples asked for during a frame sound once at its end, and the
// musics fade in, cross-fade and fade out frame by frame on the engine clock.
// CSoundChannel is a sample that its owner plays, loops, stops or fades itself.
#pragma once

#include "engine/sound/engine_sound.h"
#include "engine/base/engine_stopwatch.h"

#include <map>
#include <string>

// A music and one of its tracks. An empty alias or track -999 asks for nothing.
struct MusicTrack {
    std::string alias;
    int track = 0;

    MusicTrack() = default;
    MusicTrack(std::string a, int t) : alias(std::move(a)), track(t) {}
    bool IsValid() const { return !alias.empty() && track != -999; }
    bool operator==(const MusicTrack& other) const = default;
};

class CSoundQueue {
public:
    // States of a music entry.
    enum { msNew = 0, msStopping = 1, msPlaying = 3, msFadingDown = 4, msFadingUp = 5 };

    CSoundQueue() = default;
    // Stops every music still sounding.
    ~CSoundQueue();
    CSoundQueue(const CSoundQueue&) = delete;
    CSoundQueue& operator=(const CSoundQueue&) = delete;

    // Asks for a sample in this frame; however often it is asked for, it sounds once.
    void QueueSound(const std::string& alias);
    // The end of a frame: music fades move on, the asked-for samples play.
    void Update();

    // Starts a music (its track from the start, volume rising from 0 over fade_ms), or moves the
    // volume of one already sounding (its track unchanged).
    void StartMusic(const MusicTrack& music, int fade_ms, int volume);
    // Moves the volume of a sounding music over fade_ms.
    void FadeMusic(const MusicTrack& music, int fade_ms, int volume);
    // Fades a music out over fade_ms and stops it, or stops it at once.
    void StopMusic(const MusicTrack& music, int fade_ms);
    // The volume of a sounding music, else 0.
    int GetMusicVolume(const MusicTrack& music) const;
    // State of the music's entry; -1 when it has none.
    int GetMusicState(const std::string& alias) const;

    // While set, sample requests are dropped.
    bool _mute = false;

private:
    struct MusicEntry {
        MusicTrack music;
        int state = msNew;
        int volume = 0;
        float rate = 0.0f;      // volume units per millisecond
        int target = 0;
        int after = msNew;      // state once the fade is over
        CStopwatch timer;
    };

    static bool IsSounding(const MusicEntry& e);
    static bool SetupFade(MusicEntry& e, int fade_ms, int volume);

    std::map<std::string, MusicEntry> _music;
    std::map<std::string, int> _samples;
};

// A sample that its owner drives: played once or looping, stopped, or faded by one volume step
// per update between the minimum and maximum volume.
class CSoundChannel {
public:
    enum { chsIdle = 0, chsStop = 1, chsPlay = 2, chsFadeDown = 3, chsFadeUp = 4 };

    // Stores the alias and loads the sample at once.
    void SetSample(const std::string& alias);
    void SetState(int state);
    // Once per frame, by the owner.
    void Update();
    bool IsPlaying() const;
    void Play();
    void Stop();

    const std::string& GetSample() const { return _alias; }
    int GetState() const { return _state; }
    SoundHandle GetHandle() const { return _handle; }
    int GetVolume() const { return _fader.current; }

    // Set by the owner.
    int _min_volume = 0;
    int _max_volume = 100;
    bool _loop = false;

private:
    struct VolumeFader {
        bool active = false;
        int low = 0;
        int high = 0;
        int current = 0;
        int step = 1;
        // One step; true when the fade is over (or none runs).
        bool Step();
    };

    std::string _alias;
    int _state = chsIdle;
    SoundHandle _handle = 0;
    VolumeFader _fader;
};

// The program's sound queue.
extern CSoundQueue g_SoundQueue;
