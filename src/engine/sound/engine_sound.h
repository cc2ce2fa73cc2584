// The sound keeper: every sample and music of the game, by alias.
// Samples are described by "Settings\Samples.xml", musics by "Settings\Music.xml".
#pragma once

#include "engine/base/engine_helpers.h"
#include "engine/core/engine_core.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A playing sample as the keeper hands it out; 0 means none.
using SoundHandle = uint32_t;

// States reported by ISoundKeeper::GetChannelState.
enum ESoundChannelState {
    scsStopped = 0,
    scsPlaying = 1,
    scsStalled = 2,
    scsPaused = 3,
    scsMuted = 4,
    scsInvalid = 0xFFFF,
};

class ISoundKeeper {
public:
    virtual ~ISoundKeeper() = default;

    // Samples, loaded on first play. At most 4 playbacks of one sample sound at once; a fifth
    // takes over the one that has played longest.
    virtual bool LoadSample(const std::string& alias) = 0;
    virtual bool FreeSample(const std::string& alias) = 0;
    virtual SoundHandle PlaySample(const std::string& alias) = 0;
    virtual bool StopSample(SoundHandle channel) = 0;
    virtual bool SetSampleVolume(SoundHandle channel, int volume) = 0;
    virtual int GetChannelState(SoundHandle channel) = 0;

    // Musics: one player per alias, several playing at once; a track starts at its order number
    // and loops within its own part of the order list.
    virtual bool LoadMusic(const std::string& alias) = 0;
    virtual void LoadAllMusic() = 0;
    virtual bool FreeMusic(const std::string& alias) = 0;
    virtual bool PlayMusic(const std::string& alias, int track) = 0;
    virtual bool StopMusic(const std::string& alias, int fade_ms) = 0;
    virtual bool SetMusicVolume(const std::string& alias, int volume) = 0;
    virtual int GetMusicVolume(const std::string& alias) = 0;
    virtual bool GetMusicLevel(const std::string& alias, int& left, int& right) = 0;
    virtual bool SetMusicChannelVolume(const std::string& alias, int channel_no, int volume) = 0;
    virtual int GetMusicChannelVolume(const std::string& alias, int channel_no) = 0;
    virtual int GetMusicTrackCount(const std::string& alias) = 0;

    // Global volumes, 0 to 100. A sample volume of 0 mutes every sample.
    virtual bool SetVolumes(int music, int sample) = 0;
    virtual bool GetVolumes(int* music, int* sample) = 0;
    virtual int GetMusicVolumeSetting() = 0;

    // The whole output, paused while the window is inactive.
    virtual bool Resume() = 0;
    virtual bool Pause() = 0;

    virtual void FreeAll() = 0;

    // Advances timed music fades (StopMusic with a fade time) on the main thread. The sound
    // queue's per-frame update calls it; calling it more often does no harm.
    virtual void Update() = 0;
};

// The program's keeper on the audio device, made on first call: it opens the audio output and reads
// "Settings\Samples.xml" and "Settings\Music.xml" from the current folder (the game folder). From
// then on the engine core's activation pauses and resumes the program's keeper (g_SoundKeeper).
ISoundKeeper& ProgramSoundKeeper();
