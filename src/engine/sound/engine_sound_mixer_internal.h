// The music mixer of the sound keeper: any number of music voices (tracker modules rendered by
// libopenmpt, or decoded stream files) summed into SDL_mixer's output through its music hook.
// The audio thread only renders; every field it reads is guarded by one mutex that the main
// thread takes for each change.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

struct Mix_Chunk;
struct openmpt_module_ext;

class CSoundMixer {
public:
    CSoundMixer();
    ~CSoundMixer();
    CSoundMixer(const CSoundMixer&) = delete;
    CSoundMixer& operator=(const CSoundMixer&) = delete;

    // Output format the voices are rendered for (set once the device is open, before Hook()).
    void SetOutput(int rate, int channels);
    // Installs and removes the music hook of the mixer device.
    void Hook();
    void Unhook();

    // A module voice; false (with the library's code in `error`) when the data is not a module.
    int AddModule(const std::vector<uint8_t>& data, int& error);
    // A stream voice over decoded samples in the device format (the mixer takes the chunk).
    int AddStream(Mix_Chunk* chunk);
    void Remove(int voice);

    // Starts a voice from the start of the order, looping within [order, end_order) of a module.
    // restart=false keeps the current position. False when the order is not in the module.
    bool Play(int voice, int order, int end_order, bool restart);
    void Stop(int voice);
    bool IsPlaying(int voice);
    // Own volume of the voice, 0 to 100.
    void SetVolume(int voice, int volume);
    // Global music volume, 0 to 100.
    void SetMasterVolume(int volume);
    // Output frozen (the voices keep their places) while paused.
    void SetPaused(bool paused);

    // Peaks of the last rendered block, 0 to 32768 each.
    void GetLevel(int voice, int& left, int& right);
    // Volume of one module channel, 0 to 100; false (get: -1) for a stream or a channel not there.
    bool SetChannelVolume(int voice, int channel, int volume);
    int GetChannelVolume(int voice, int channel);
    bool GetPosition(int voice, int& order, int& row);
    int GetOrderCount(int voice);

private:
    struct Voice;
    static void HookCallback(void* udata, uint8_t* stream, int len);
    void Render(uint8_t* stream, int len);
    void RenderVoice(Voice& v, float* out, int frames);
    Voice* Find(int voice);

    std::mutex _lock;
    std::map<int, std::unique_ptr<Voice>> _voices;
    int _next_id = 1;
    int _rate = 44100;
    int _channels = 2;
    int _master = 100;
    bool _paused = false;
    bool _hooked = false;
    // Frames mixed at a time; the audio thread works in these fixed buffers only.
    static constexpr int kRenderPiece = 256;
    std::array<float, kRenderPiece * 2> _mix {};
    std::array<float, kRenderPiece * 2> _scratch {};
};
