#include "engine/sound/engine_sound_mixer_internal.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <libopenmpt/libopenmpt.h>
#include <libopenmpt/libopenmpt_ext.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
void QuietModuleLog(const char*, void*) {}
} // namespace

struct CSoundMixer::Voice {
    openmpt_module_ext* ext = nullptr;
    openmpt_module* mod = nullptr;
    openmpt_module_ext_interface_interactive interactive{};
    bool has_interactive = false;
    Mix_Chunk* chunk = nullptr;
    size_t frame = 0;             // stream voices: next frame to play
    bool playing = false;
    bool stopping = false;        // stopped by the main thread: one more block, faded to silence
    int volume = 100;
    float gain = -1.0f;           // gain of the last rendered frame; <0 before the first block
    int start_order = 0;
    int end_order = 0;
    int peak_left = 0;
    int peak_right = 0;

    ~Voice()
    {
        if (ext) openmpt_module_ext_destroy(ext);
        if (chunk) Mix_FreeChunk(chunk);
    }
};

CSoundMixer::CSoundMixer() = default;

CSoundMixer::~CSoundMixer()
{
    Unhook();
    // Freed outside the lock: freeing a stream's chunk takes the audio device's lock, which the
    // audio thread holds while it waits for ours.
    std::map<int, std::unique_ptr<Voice>> gone;
    {
        std::lock_guard<std::mutex> guard(_lock);
        gone.swap(_voices);
    }
}

void CSoundMixer::SetOutput(int rate, int channels)
{
    std::lock_guard<std::mutex> guard(_lock);
    _rate = rate > 0 ? rate : 44100;
    _channels = channels > 0 ? channels : 2;
}

void CSoundMixer::Hook()
{
    if (_hooked) return;
    Mix_HookMusic(&CSoundMixer::HookCallback, this);
    _hooked = true;
}

void CSoundMixer::Unhook()
{
    if (!_hooked) return;
    // Returns once the audio thread has left the callback.
    Mix_HookMusic(nullptr, nullptr);
    _hooked = false;
}

int CSoundMixer::AddModule(const std::vector<uint8_t>& data, int& error)
{
    error = 0;
    auto v = std::make_unique<Voice>();
    int mpt_error = 0;
    v->ext = openmpt_module_ext_create_from_memory(data.data(), data.size(), &QuietModuleLog, nullptr,
                                                   nullptr, nullptr, &mpt_error, nullptr, nullptr);
    if (!v->ext) {
        error = mpt_error ? mpt_error : -1;
        return 0;
    }
    v->mod = openmpt_module_ext_get_module(v->ext);
    openmpt_module_set_repeat_count(v->mod, -1);
    v->has_interactive = openmpt_module_ext_get_interface(v->ext, LIBOPENMPT_EXT_C_INTERFACE_INTERACTIVE,
                                                          &v->interactive, sizeof(v->interactive)) == 1;
    v->end_order = openmpt_module_get_num_orders(v->mod);
    std::lock_guard<std::mutex> guard(_lock);
    const int id = _next_id++;
    _voices[id] = std::move(v);
    return id;
}

int CSoundMixer::AddStream(Mix_Chunk* chunk)
{
    if (!chunk) return 0;
    auto v = std::make_unique<Voice>();
    v->chunk = chunk;
    std::lock_guard<std::mutex> guard(_lock);
    const int id = _next_id++;
    _voices[id] = std::move(v);
    return id;
}

void CSoundMixer::Remove(int voice)
{
    std::unique_ptr<Voice> gone;
    {
        std::lock_guard<std::mutex> guard(_lock);
        auto it = _voices.find(voice);
        if (it == _voices.end()) return;
        gone = std::move(it->second);
        _voices.erase(it);
    }
    // Destroyed outside the lock: the audio thread no longer sees it.
}

CSoundMixer::Voice* CSoundMixer::Find(int voice)
{
    auto it = _voices.find(voice);
    return it == _voices.end() ? nullptr : it->second.get();
}

bool CSoundMixer::Play(int voice, int order, int end_order, bool restart)
{
    std::lock_guard<std::mutex> guard(_lock);
    Voice* v = Find(voice);
    if (!v) return false;
    if (v->mod) {
        const int orders = openmpt_module_get_num_orders(v->mod);
        if (order < 0 || order >= orders) return false;
        v->start_order = order;
        v->end_order = (end_order > order && end_order <= orders) ? end_order : orders;
        if (restart || !v->playing || v->stopping) openmpt_module_set_position_order_row(v->mod, order, 0);
    } else if (restart) {
        v->frame = 0;
    }
    if (!v->playing || v->stopping) v->gain = -1.0f;
    v->playing = true;
    v->stopping = false;
    return true;
}

void CSoundMixer::Stop(int voice)
{
    std::lock_guard<std::mutex> guard(_lock);
    if (Voice* v = Find(voice)) {
        // A sounding voice is not cut mid-wave (a click): the audio thread fades its next block out.
        if (v->playing && !_paused && v->gain > 0.0f) v->stopping = true;
        else v->playing = false;
        v->peak_left = v->peak_right = 0;
    }
}

bool CSoundMixer::IsPlaying(int voice)
{
    std::lock_guard<std::mutex> guard(_lock);
    Voice* v = Find(voice);
    return v && v->playing && !v->stopping;
}

void CSoundMixer::SetVolume(int voice, int volume)
{
    std::lock_guard<std::mutex> guard(_lock);
    if (Voice* v = Find(voice)) v->volume = std::clamp(volume, 0, 100);
}

void CSoundMixer::SetMasterVolume(int volume)
{
    std::lock_guard<std::mutex> guard(_lock);
    _master = std::clamp(volume, 0, 100);
}

void CSoundMixer::SetPaused(bool paused)
{
    std::lock_guard<std::mutex> guard(_lock);
    _paused = paused;
    // A voice still fading out after its stop would sound again at the resume.
    if (paused)
        for (auto& [id, v] : _voices)
            if (v->stopping) v->playing = v->stopping = false;
}

void CSoundMixer::GetLevel(int voice, int& left, int& right)
{
    std::lock_guard<std::mutex> guard(_lock);
    Voice* v = Find(voice);
    left = v && v->playing ? v->peak_left : 0;
    right = v && v->playing ? v->peak_right : 0;
}

bool CSoundMixer::SetChannelVolume(int voice, int channel, int volume)
{
    std::lock_guard<std::mutex> guard(_lock);
    Voice* v = Find(voice);
    if (!v || !v->mod || !v->has_interactive) return false;
    if (channel < 0 || channel >= openmpt_module_get_num_channels(v->mod)) return false;
    return v->interactive.set_channel_volume(v->ext, channel, std::clamp(volume, 0, 100) / 100.0) == 1;
}

int CSoundMixer::GetChannelVolume(int voice, int channel)
{
    std::lock_guard<std::mutex> guard(_lock);
    Voice* v = Find(voice);
    if (!v || !v->mod || !v->has_interactive) return -1;
    if (channel < 0 || channel >= openmpt_module_get_num_channels(v->mod)) return -1;
    return static_cast<int>(std::lround(v->interactive.get_channel_volume(v->ext, channel) * 100.0));
}

bool CSoundMixer::GetPosition(int voice, int& order, int& row)
{
    std::lock_guard<std::mutex> guard(_lock);
    Voice* v = Find(voice);
    if (!v || !v->mod) return false;
    order = openmpt_module_get_current_order(v->mod);
    row = openmpt_module_get_current_row(v->mod);
    return true;
}

int CSoundMixer::GetOrderCount(int voice)
{
    std::lock_guard<std::mutex> guard(_lock);
    Voice* v = Find(voice);
    return v && v->mod ? openmpt_module_get_num_orders(v->mod) : 0;
}

void CSoundMixer::HookCallback(void* udata, uint8_t* stream, int len)
{
    static_cast<CSoundMixer*>(udata)->Render(stream, len);
}

// Renders `frames` stereo frames of the voice into `out` (not yet scaled by its gain).
void CSoundMixer::RenderVoice(Voice& v, float* out, int frames)
{
    if (v.mod) {
        int done = 0;
        int empty_reads = 0;
        while (done < frames) {
            const int order = openmpt_module_get_current_order(v.mod);
            if (order < v.start_order || order >= v.end_order)
                openmpt_module_set_position_order_row(v.mod, v.start_order, 0);
            const int piece = std::min(kRenderPiece, frames - done);
            const size_t got = openmpt_module_read_interleaved_float_stereo(v.mod, _rate, piece, out + done * 2);
            if (got == 0) {
                // The end of the song: back to the track's start; give up on a module that renders nothing.
                openmpt_module_set_position_order_row(v.mod, v.start_order, 0);
                if (++empty_reads > 1) {
                    std::fill(out + done * 2, out + frames * 2, 0.0f);
                    v.playing = false;
                    return;
                }
                continue;
            }
            empty_reads = 0;
            done += static_cast<int>(got);
        }
        return;
    }
    // A stream decoded in the device format (signed 16-bit, the device's channel count), looping.
    const int ch = _channels;
    const auto* samples = reinterpret_cast<const int16_t*>(v.chunk->abuf);
    const size_t total = v.chunk->alen / (sizeof(int16_t) * ch);
    if (total == 0) {
        std::fill(out, out + frames * 2, 0.0f);
        v.playing = false;
        return;
    }
    for (int i = 0; i < frames; ++i) {
        if (v.frame >= total) v.frame = 0;
        const int16_t* f = samples + v.frame * ch;
        out[i * 2] = f[0] / 32768.0f;
        out[i * 2 + 1] = (ch > 1 ? f[1] : f[0]) / 32768.0f;
        ++v.frame;
    }
}

void CSoundMixer::Render(uint8_t* stream, int len)
{
    std::lock_guard<std::mutex> guard(_lock);
    if (_paused) return;
    const int ch = _channels;
    const int frames = len / static_cast<int>(sizeof(int16_t) * ch);
    if (frames <= 0) return;
    // The block is mixed in pieces of the fixed buffers: nothing is allocated on the audio thread.
    auto* out = reinterpret_cast<int16_t*>(stream);
    for (int at = 0; at < frames; at += kRenderPiece) {
        const int n = std::min(kRenderPiece, frames - at);
        std::fill(_mix.begin(), _mix.begin() + n * 2, 0.0f);
        bool any = false;
        for (auto& [id, vp] : _voices) {
            Voice& v = *vp;
            if (!v.playing) continue;
            if (at == 0) v.peak_left = v.peak_right = 0;
            RenderVoice(v, _scratch.data(), n);
            // The gain slides across the block from the last one, so that per-frame fades and stops
            // do not click.
            const float target = v.stopping ? 0.0f : v.volume / 100.0f * (_master / 100.0f);
            const float from = v.gain < 0.0f ? target : v.gain;
            float peak_l = 0.0f, peak_r = 0.0f;
            for (int i = 0; i < n; ++i) {
                const float g = from + (target - from) * (static_cast<float>(at + i + 1) / frames);
                const float l = _scratch[i * 2] * g;
                const float r = _scratch[i * 2 + 1] * g;
                _mix[i * 2] += l;
                _mix[i * 2 + 1] += r;
                peak_l = std::max(peak_l, std::fabs(l));
                peak_r = std::max(peak_r, std::fabs(r));
            }
            if (at + n == frames) {
                v.gain = target;
                if (v.stopping) v.playing = v.stopping = false;
            }
            v.peak_left = std::max(v.peak_left, std::min(32768, static_cast<int>(peak_l * 32768.0f)));
            v.peak_right = std::max(v.peak_right, std::min(32768, static_cast<int>(peak_r * 32768.0f)));
            any = true;
        }
        if (!any) continue;
        for (int i = 0; i < n; ++i) {
            const float l = _mix[i * 2] * 32767.0f;
            const float r = _mix[i * 2 + 1] * 32767.0f;
            int16_t* f = out + static_cast<size_t>(at + i) * ch;
            if (ch == 1) {
                f[0] = static_cast<int16_t>(std::clamp(f[0] + (l + r) * 0.5f, -32768.0f, 32767.0f));
            } else {
                f[0] = static_cast<int16_t>(std::clamp(f[0] + l, -32768.0f, 32767.0f));
                f[1] = static_cast<int16_t>(std::clamp(f[1] + r, -32768.0f, 32767.0f));
            }
        }
    }
}
