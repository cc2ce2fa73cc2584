// A recording engine core for tests: no window, no renderer; every drawing call is kept so that
// tests can check what would have been drawn.
//
//   RecordingEngine engine;            // points g_EngineCore at itself, restores it on destruction
//   ... code under test draws ...
//   ASSERT_EQ(engine.draws.size(), 1u);
//   EXPECT_EQ(engine.draws[0].quads, 3u);
//   EXPECT_FLOAT_EQ(engine.draws[0].vertices[0].x, 9.5f);
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <SDL.h>

#include "engine/core/engine_core_internal.h"

class RecordingEngine : public IEngineCore, public IEnginePlatform, public IPointerScreen {
public:
    struct Draw {
        SDL_Texture* texture = nullptr;      // texture selected at the time of the draw
        unsigned quads = 0;
        unsigned stride = 0;
        EBlend blend = EBlend::Alpha;
        std::vector<VERTEX_2DPNT1> vertices; // 4 * quads, copied at the draw
        float angle = 0.0f, world_x = 0.0f, world_y = 0.0f;   // world transform at the time
    };
    struct WorldTransform {
        float angle, x, y;
    };

    explicit RecordingEngine(bool install = true)
    {
        if (install) {
            _previous = g_EngineCore;
            g_EngineCore = this;
            _installed = true;
        }
    }
    ~RecordingEngine() override
    {
        if (_installed && g_EngineCore == this)
            g_EngineCore = _previous;
    }
    RecordingEngine(const RecordingEngine&) = delete;
    RecordingEngine& operator=(const RecordingEngine&) = delete;

    // Forgets every recorded call (the settings stay).
    void ClearRecords()
    {
        draws.clear();
        textures_set.clear();
        clears.clear();
        transforms.clear();
        gamma_levels.clear();
        activations.clear();
        events.clear();
        warps.clear();
        presents = 0;
        frames_begun = 0;
    }

    // Fires the reset listeners and callbacks as a device reset would.
    void SimulateDeviceReset()
    {
        Fire(cbBeforeReset);
        auto listeners = reset_listeners;
        for (auto& l : listeners) l.second(false);
        for (auto& l : listeners) l.second(true);
        Fire(cbAfterReset);
    }

    // Recorded calls.
    std::vector<Draw> draws;
    std::vector<SDL_Texture*> textures_set;
    std::vector<uint32_t> clears;
    std::vector<WorldTransform> transforms;
    std::vector<int> gamma_levels;
    std::vector<bool> activations;
    std::vector<uint32_t> events;            // types of events handed to HandleEvent
    std::vector<std::pair<int, int>> warps;  // logical positions the system pointer was moved to
    int presents = 0;
    int frames_begun = 0;
    int toggles = 0;

    // Settings tests may change.
    int screen_width = 800;
    int screen_height = 600;
    bool fullscreen = false;
    bool begin_frame_result = true;          // false simulates a lost device
    bool toggle_result = true;
    ISoundKeeper* sound_keeper = nullptr;

    // Current state.
    SDL_Texture* texture = nullptr;
    float world_angle = 0.0f, world_x = 0.0f, world_y = 0.0f;
    int gamma = 0;
    bool frame_begun = false;
    uint32_t frame_count = 0;
    float frame_time = 0.0f;
    unsigned quad_capacity = 0;
    std::map<int, EngineCallback> callbacks {{0, nullptr}, {1, nullptr}, {2, nullptr}};
    std::vector<std::pair<int, DeviceResetListener>> reset_listeners;
    std::vector<std::pair<int, ActivationListener>> activation_listeners;

    // IEngineCore
    bool Init(const char*, const char*, bool windowed) override { fullscreen = !windowed; return true; }
    void ReleaseQuadBuffer() override { quad_capacity = 0; }
    EngineCallback SetCallback(int type, EngineCallback function) override
    {
        EngineCallback old = callbacks[type];
        callbacks[type] = function;
        return old;
    }
    bool BeginFrame() override
    {
        if (!begin_frame_result) return false;
        ++frames_begun;
        frame_begun = true;
        return true;
    }
    bool Clear(uint32_t argb) override { clears.push_back(argb); return true; }
    bool EndFrame() override
    {
        if (!frame_begun) return false;
        frame_begun = false;
        ++presents;
        ++frame_count;
        return true;
    }
    void InvalidateQuadIndices() override {}
    ZFRESULT CreateVertexBuffer(unsigned length, unsigned, unsigned, unsigned, VertexBufferPtr* out) override
    {
        if (!out) return ZF_FAIL;
        *out = std::make_shared<CVertexBuffer>(length / sizeof(VERTEX_2DPNT1));
        return ZF_OK;
    }
    ZFRESULT SetVertexShader(unsigned) override { return ZF_OK; }
    ZFRESULT SetTexture(unsigned, SDL_Texture* t) override
    {
        texture = t;
        textures_set.push_back(t);
        return ZF_OK;
    }
    ZFRESULT DrawQuads(const void* vertices, unsigned quads, unsigned stride, EBlend blend = EBlend::Alpha) override
    {
        if (quads > quad_capacity) quad_capacity = quads;
        Draw d;
        d.texture = texture;
        d.quads = quads;
        d.stride = stride;
        d.blend = blend;
        d.angle = world_angle;
        d.world_x = world_x;
        d.world_y = world_y;
        const char* p = static_cast<const char*>(vertices);
        if (p && stride >= sizeof(VERTEX_2DPNT1)) {
            for (unsigned i = 0; i < quads * 4; ++i) {
                VERTEX_2DPNT1 v;
                std::memcpy(&v, p + size_t(i) * stride, sizeof v);
                d.vertices.push_back(v);
            }
        }
        draws.push_back(std::move(d));
        return ZF_OK;
    }
    void Activate(bool active) override
    {
        activations.push_back(active);
        auto listeners = activation_listeners;
        for (auto& l : listeners) l.second(active);
    }
    int GetScreenWidth() const override { return screen_width; }
    int GetScreenHeight() const override { return screen_height; }
    int GetHalfWidth() const override { return screen_width / 2; }
    int GetHalfHeight() const override { return screen_height / 2; }
    void GetScreenCenter(float& x, float& y) const override
    {
        x = float(screen_width / 2);
        y = float(screen_height / 2);
    }
    void SetGamma(int level) override { gamma = level; gamma_levels.push_back(level); }
    void SetWorldTransform(float angle, float x, float y) override
    {
        world_angle = angle;
        world_x = x;
        world_y = y;
        transforms.push_back({angle, x, y});
    }
    bool ToggleFullscreen() override
    {
        ++toggles;
        if (!toggle_result) return false;
        Fire(cbBeforeReset);
        fullscreen = !fullscreen;
        Fire(cbAfterReset);
        Fire(cbAfterToggle);
        return true;
    }
    bool IsFullscreen() const override { return fullscreen; }
    ISoundKeeper* GetSoundKeeper() const override { return sound_keeper; }
    uint32_t GetFrameCount() const override { return frame_count; }
    void SetFrameTime(float seconds) override { frame_time = seconds; }
    float GetFrameTime() const override { return frame_time; }
    int AddDeviceResetListener(DeviceResetListener listener) override
    {
        int id = _next_id++;
        reset_listeners.emplace_back(id, std::move(listener));
        return id;
    }
    void RemoveDeviceResetListener(int id) override
    {
        for (auto it = reset_listeners.begin(); it != reset_listeners.end(); ++it)
            if (it->first == id) { reset_listeners.erase(it); return; }
    }
    int AddActivationListener(ActivationListener listener) override
    {
        int id = _next_id++;
        activation_listeners.emplace_back(id, std::move(listener));
        return id;
    }
    void RemoveActivationListener(int id) override
    {
        for (auto it = activation_listeners.begin(); it != activation_listeners.end(); ++it)
            if (it->first == id) { activation_listeners.erase(it); return; }
    }
    IEnginePlatform* GetPlatform() override { return this; }

    // IEnginePlatform
    SDL_Window* GetWindow() const override { return nullptr; }
    SDL_Renderer* GetDevice() const override { return nullptr; }
    CGraphics* GetGraphics() override { return nullptr; }
    int HandleEvent(const SDL_Event& event) override;
    void InvalidateFrame() override {}

    // IPointerScreen (screen size and mode as above)
    void WarpPointer(int x, int y) override { warps.emplace_back(x, y); }

private:
    void Fire(int type)
    {
        auto it = callbacks.find(type);
        if (it != callbacks.end() && it->second) it->second();
    }
    IEngineCore* _previous = nullptr;
    bool _installed = false;
    int _next_id = 1;
};

// Records the event type; the activation message activates or deactivates.
inline int RecordingEngine::HandleEvent(const SDL_Event& event)
{
    events.push_back(event.type);
    if (event.type == GetActivationEventType())
        return event.user.code ? actActive : actInactive;
    return actNone;
}
