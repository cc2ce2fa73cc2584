// The sound keeper on the platform, for the engine's own code and for tests. Nothing above the
// engine includes this header.
#pragma once

#include "engine/sound/engine_sound.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CSoundMixer;
struct Mix_Chunk;

// The keeper on SDL_mixer: samples play on mixer channels; musics are rendered by the mixer's
// music voices. Without an audio device it runs on a silent one.
class CSoundKeeper : public ISoundKeeper, public siv::singleton<CSoundKeeper> {
public:
    // Opens the audio output and reads "Settings\Samples.xml" and "Settings\Music.xml" from the
    // current folder (the game folder). Tests make their own keepers.
    CSoundKeeper();
    ~CSoundKeeper() override;

    bool LoadSample(const std::string& alias) override;
    bool FreeSample(const std::string& alias) override;
    SoundHandle PlaySample(const std::string& alias) override;
    bool StopSample(SoundHandle channel) override;
    bool SetSampleVolume(SoundHandle channel, int volume) override;
    int GetChannelState(SoundHandle channel) override;
    bool LoadMusic(const std::string& alias) override;
    void LoadAllMusic() override;
    bool FreeMusic(const std::string& alias) override;
    bool PlayMusic(const std::string& alias, int track) override;
    bool StopMusic(const std::string& alias, int fade_ms) override;
    bool SetMusicVolume(const std::string& alias, int volume) override;
    int GetMusicVolume(const std::string& alias) override;
    bool GetMusicLevel(const std::string& alias, int& left, int& right) override;
    bool SetMusicChannelVolume(const std::string& alias, int channel_no, int volume) override;
    int GetMusicChannelVolume(const std::string& alias, int channel_no) override;
    int GetMusicTrackCount(const std::string& alias) override;
    bool SetVolumes(int music, int sample) override;
    bool GetVolumes(int* music, int* sample) override;
    int GetMusicVolumeSetting() override;
    bool Resume() override;
    bool Pause() override;
    void FreeAll() override;
    void Update() override;

    // The output device is open (a real one, or the silent one after a failure).
    bool IsAudioOpen() const { return _audio_open; }
    // The music is sounding (not stopped); its current order and row for a module.
    bool IsMusicPlaying(const std::string& alias);
    bool GetMusicPosition(const std::string& alias, int& order, int& row);
    bool IsMusicLoaded(const std::string& alias) const { return _musics.count(alias) != 0; }
    bool IsSampleLoaded(const std::string& alias) const { return _samples.count(alias) != 0; }

    struct SampleDesc {
        std::string file_name;
        int volume = 100;
        int freq = -1;
    };
    struct MusicDesc {
        std::string file_name;
        std::vector<int> tracks;
    };
    const std::map<std::string, SampleDesc>& GetSampleDescs() const { return _sample_descs; }
    const std::map<std::string, MusicDesc>& GetMusicDescs() const { return _music_descs; }

    // Order numbers of a "patterns" text: blank- or comma-separated decimal numbers.
    static std::vector<int> ParseTrackList(const std::string& text);

private:
    struct LoadedSample {
        int volume = 100;
        int freq = -1;
        Mix_Chunk* chunk = nullptr;
        std::vector<SoundHandle> playbacks;   // at most 4, oldest first
    };
    struct LoadedMusic {
        MusicDesc desc;
        int voice = 0;
        int volume = 100;
        // A fading stop: the volume slides to 0 from `slide_from` over `slide_ms` from `slide_start`.
        bool sliding = false;
        uint32_t slide_start = 0;
        uint32_t slide_ms = 0;
        int slide_from = 0;
        int restore_volume = 100;     // put back when the slide ends
        int queued_order = -1;        // a track asked for during the slide, started at its end
    };
    struct MixChannel {
        SoundHandle handle = 0;       // the playback that holds the channel, 0 when none
        int volume = 100;             // its own volume, 0 to 100
    };

    void OpenAudio();
    void ReadTables();
    bool ReadSound(const std::string& file_name, std::vector<uint8_t>& data);
    int ChannelOf(SoundHandle handle) const;
    int MixVolume(int own) const;
    void EndSlide(LoadedMusic& music);
    int TrackEnd(const LoadedMusic& music, int start) const;

    std::map<std::string, SampleDesc> _sample_descs;
    std::map<std::string, MusicDesc> _music_descs;
    std::map<std::string, LoadedSample> _samples;
    std::map<std::string, LoadedMusic> _musics;
    bool _muted = false;
    int _music_volume = 0;
    int _sample_volume = 0;

    std::unique_ptr<CSoundMixer> _mixer;
    std::vector<MixChannel> _channels;
    uint32_t _serial = 0;
    bool _audio_open = false;
    bool _opened_mixer = false;
    bool _inited_sdl_audio = false;
    bool _paused = false;
    int _rate = 44100;
    int _out_channels = 2;
};
