// A sound keeper for tests: records every call as a line of text ("PlayMusic a 0",
// "SetMusicVolume a 12", "PlaySample it_select") and answers from tables the test sets.
#pragma once

#include "engine/sound/engine_sound.h"

#include <map>
#include <string>
#include <vector>

class CRecordingSoundKeeper : public ISoundKeeper {
public:
    std::vector<std::string> calls;
    // State answered by GetChannelState per handle (default 0: stopped).
    std::map<SoundHandle, int> channel_states;
    // Volumes of the musics as last set.
    std::map<std::string, int> music_volumes;
    // A handle PlaySample returns next (each play takes the next number).
    SoundHandle next_handle = 1;
    // Whether a newly played sample reports itself as playing.
    bool plays_start_playing = true;
    int music_volume_setting = 0;
    int sample_volume_setting = 0;

    void Clear() { calls.clear(); }
    size_t Count(const std::string& line) const
    {
        size_t n = 0;
        for (const std::string& c : calls) n += (c == line);
        return n;
    }
    // Only the calls that start with the given word.
    std::vector<std::string> Calls(const std::string& op) const
    {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.compare(0, op.size() + 1, op + " ") == 0 || c == op) out.push_back(c);
        return out;
    }

    bool LoadSample(const std::string& alias) override { return Log("LoadSample " + alias), true; }
    bool FreeSample(const std::string& alias) override { return Log("FreeSample " + alias), true; }
    SoundHandle PlaySample(const std::string& alias) override
    {
        Log("PlaySample " + alias);
        const SoundHandle h = next_handle++;
        if (plays_start_playing) channel_states[h] = scsPlaying;
        return h;
    }
    bool StopSample(SoundHandle channel) override
    {
        Log("StopSample " + std::to_string(channel));
        channel_states[channel] = scsStopped;
        return true;
    }
    bool SetSampleVolume(SoundHandle channel, int volume) override
    {
        return Log("SetSampleVolume " + std::to_string(channel) + " " + std::to_string(volume)), true;
    }
    int GetChannelState(SoundHandle channel) override
    {
        auto it = channel_states.find(channel);
        return it == channel_states.end() ? (channel ? scsStopped : scsInvalid) : it->second;
    }
    bool LoadMusic(const std::string& alias) override { return Log("LoadMusic " + alias), true; }
    void LoadAllMusic() override { Log("LoadAllMusic"); }
    bool FreeMusic(const std::string& alias) override { return Log("FreeMusic " + alias), true; }
    bool PlayMusic(const std::string& alias, int track) override
    {
        return Log("PlayMusic " + alias + " " + std::to_string(track)), true;
    }
    bool StopMusic(const std::string& alias, int fade_ms) override
    {
        return Log("StopMusic " + alias + " " + std::to_string(fade_ms)), true;
    }
    bool SetMusicVolume(const std::string& alias, int volume) override
    {
        music_volumes[alias] = volume;
        return Log("SetMusicVolume " + alias + " " + std::to_string(volume)), true;
    }
    int GetMusicVolume(const std::string& alias) override
    {
        auto it = music_volumes.find(alias);
        return it == music_volumes.end() ? 0 : it->second;
    }
    bool GetMusicLevel(const std::string&, int& left, int& right) override { return left = right = 0, true; }
    bool SetMusicChannelVolume(const std::string&, int, int) override { return true; }
    int GetMusicChannelVolume(const std::string&, int) override { return 100; }
    int GetMusicTrackCount(const std::string&) override { return 1; }
    bool SetVolumes(int music, int sample) override
    {
        music_volume_setting = music;
        sample_volume_setting = sample;
        return Log("SetVolumes " + std::to_string(music) + " " + std::to_string(sample)), true;
    }
    bool GetVolumes(int* music, int* sample) override
    {
        if (music) *music = music_volume_setting;
        if (sample) *sample = sample_volume_setting;
        return true;
    }
    int GetMusicVolumeSetting() override { return music_volume_setting; }
    bool Resume() override { return Log("Resume"), true; }
    bool Pause() override { return Log("Pause"), true; }
    void FreeAll() override { Log("FreeAll"); }
    void Update() override {}

private:
    void Log(const std::string& line) { calls.push_back(line); }
};
