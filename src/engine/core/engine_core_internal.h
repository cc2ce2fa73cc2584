// The engine core's platform side, for the engine's own code and for tests: the window, the
// renderer, raw events and device textures, and the engine core on SDL itself. Nothing above the
// engine includes this header.
#pragma once

#include "engine/core/engine_core.h"
#include "engine/core/engine_input.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Vertex;
union SDL_Event;
class CGraphics;
class CDirectInputState;

class IEnginePlatform {
public:
    virtual ~IEnginePlatform() = default;

    // The main window; null while there is none.
    virtual SDL_Window* GetWindow() const = 0;
    // The renderer; null while there is none.
    virtual SDL_Renderer* GetDevice() const = 0;
    // The window and renderer holder (gamma, world transform, screenshots); null in doubles.
    virtual CGraphics* GetGraphics() = 0;
    // Texture of the next draws; null draws untextured quads.
    virtual ZFRESULT SetTexture(unsigned stage, SDL_Texture* texture) = 0;
    // The window procedure: the scene's pump hands every event it takes here. Input events update
    // the input devices, render reset events reset the device; the result tells whether the event
    // activates (actActive) or deactivates (actInactive) the program.
    virtual int HandleEvent(const SDL_Event& event) = 0;
    // The next frame is presented even when it draws what the last one did (device textures
    // were made or dropped, so equal draw calls may show other pictures).
    virtual void InvalidateFrame() = 0;
};

// The platform side of the program's engine core (g_EngineCore); null when there is none.
inline IEnginePlatform* EnginePlatform()
{
    return g_EngineCore ? g_EngineCore->GetPlatform() : nullptr;
}

// The renderer of the program's engine core; null when there is none.
inline SDL_Renderer* EngineDevice()
{
    IEnginePlatform* platform = EnginePlatform();
    return platform ? platform->GetDevice() : nullptr;
}

// What the renderer may know of a device texture (its user data; none for a texture without it):
// fully opaque textures are drawn without blending, and a texture whose colour already holds a
// tint draws vertices of that tint as white.
struct DeviceTextureTraits {
    bool opaque = false;
    bool tinted = false;
    uint32_t tint = 0xFFFFFF;      // RGB multiplied into the pixels when tinted
};

// The SDL event type of the activation message (user.code 1 active, 0 inactive).
uint32_t GetActivationEventType();

// The engine core on SDL.
class CEngineCore : public IEngineCore, public IEnginePlatform, public IPointerScreen {
public:
    static CEngineCore& Instance();

    bool Init(const char* class_name, const char* title, bool windowed) override;
    void ReleaseQuadBuffer() override;
    EngineCallback SetCallback(int type, EngineCallback function) override;
    bool BeginFrame() override;
    bool Clear(uint32_t argb) override;
    bool EndFrame() override;
    void InvalidateQuadIndices() override;
    ZFRESULT CreateVertexBuffer(unsigned length, unsigned usage, unsigned fvf, unsigned pool,
                                VertexBufferPtr* out) override;
    ZFRESULT SetVertexShader(unsigned fvf) override;
    ZFRESULT DrawQuads(const void* vertices, unsigned quads, unsigned stride,
                       EBlend blend = EBlend::Alpha) override;
    void Activate(bool active) override;
    int GetScreenWidth() const override;
    int GetScreenHeight() const override;
    int GetHalfWidth() const override;
    int GetHalfHeight() const override;
    void GetScreenCenter(float& x, float& y) const override;
    void SetGamma(int level) override;
    void SetWorldTransform(float angle, float x, float y) override;
    bool ToggleFullscreen() override;
    bool IsFullscreen() const override;
    ISoundKeeper* GetSoundKeeper() const override;
    uint32_t GetFrameCount() const override;
    void SetFrameTime(float seconds) override;
    float GetFrameTime() const override;
    IEnginePlatform* GetPlatform() override { return this; }
    int AddDeviceResetListener(DeviceResetListener listener) override;
    void RemoveDeviceResetListener(int id) override;
    int AddActivationListener(ActivationListener listener) override;
    void RemoveActivationListener(int id) override;

    // IEnginePlatform
    SDL_Window* GetWindow() const override;
    SDL_Renderer* GetDevice() const override;
    CGraphics* GetGraphics() override;
    ZFRESULT SetTexture(unsigned stage, SDL_Texture* texture) override;
    int HandleEvent(const SDL_Event& event) override;
    void InvalidateFrame() override { _force_present = true; }

    // IPointerScreen (the rest is shared with IEngineCore)
    void WarpPointer(int x, int y) override;

    // Takes every waiting event and hands it to HandleEvent (for loops that run outside a scene:
    // loading screens, tests). Returns the number of events taken; a quit event is put back.
    int PumpEvents();

    // How many frames were presented (a frame equal to the shown one is not).
    uint32_t GetPresentCount() const { return _present_count; }
    // The quad capacity of the shared index array (grows exactly to the largest draw).
    unsigned GetQuadCapacity() const { return _quad_capacity; }
    // Writes the next "%08d.tga" of the user folder (or of the given folder, ending in '/') from
    // the current frame; false on failure.
    bool SaveScreenshot();
    bool SaveScreenshot(const std::string& folder);
    // The screenshot number that the next SaveScreenshot in the folder would use.
    static int NextScreenshotNumber(const std::string& folder);
    // Releases window and renderer (also done at exit). The device reset listeners hear "before"
    // while the renderer still exists, and "after" when Init has made a new one.
    void Shutdown();

    ~CEngineCore() override;

private:
    CEngineCore();
    CEngineCore(const CEngineCore&) = delete;
    CEngineCore& operator=(const CEngineCore&) = delete;

    // One draw of a frame, kept to tell whether a frame draws exactly what the last one did.
    struct FrameCall {
        enum Kind { kClear, kQuads, kGamma } kind = kQuads;
        SDL_Texture* texture = nullptr;
        int blend = 0;                 // SDL_BlendMode
        uint32_t colour = 0;           // the clear colour, the gamma grey
        size_t first = 0, count = 0;   // vertices in the frame's vertex list
        bool operator==(const FrameCall&) const = default;
    };
    struct FrameRecord;

    // Records a draw of the frame. While the frame so far matches the last one its draws are held
    // back; at the first difference the held ones and all later ones go to the renderer.
    bool Submit(FrameCall call, const SDL_Vertex* vertices, size_t count);
    bool Execute(const FrameRecord& frame, const FrameCall& call);
    // Sends the held draws to the renderer.
    void Flush();

    void FireCallback(int type);
    void FireResetListeners(bool after);
    void ResetDevice();

    std::unique_ptr<CGraphics> _graphics;
    std::unique_ptr<CDirectInputState> _input;
    SDL_Renderer* _device = nullptr;
    std::vector<int> _quad_indices;      // textured draws
    std::vector<int> _plain_indices;     // untextured draws
    unsigned _quad_capacity = 0;
    bool _rebind = false;
    bool _frame_begun = false;
    bool _reset_pending = false;
    bool _minimized = false;
    bool _toggling = false;
    bool _device_dropped = false;        // listeners heard "before" of a renderer since released
    uint32_t _frame_count = 0;
    float _frame_time = 0.0f;
    std::map<int, EngineCallback> _callbacks;
    std::vector<std::pair<int, DeviceResetListener>> _reset_listeners;
    std::vector<std::pair<int, ActivationListener>> _activation_listeners;
    int _next_listener_id = 1;
    SDL_Texture* _texture = nullptr;
    unsigned _fvf = ZF_FVF_2DPNT1;
    struct Geometry;
    std::unique_ptr<Geometry> _geometry;     // scratch vertices of DrawQuads
    std::unique_ptr<FrameRecord> _frame, _last_frame;
    bool _have_last_frame = false;           // _last_frame is what the screen shows
    bool _holding = false;                   // the frame so far equals the last one, nothing sent
    bool _force_present = true;
    uint32_t _present_count = 0;
};
