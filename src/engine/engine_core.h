// The engine core: the one object through which the program reaches the screen. It owns the main
// window and the renderer (through CGraphics) and the input devices, and brackets every frame.
//
// Drawing model: a "vertex buffer" is a CPU array of sprite vertices (VERTEX_2DPNT1, four per quad
// in the order top-left, top-right, bottom-left, bottom-right). SetTexture selects the texture of
// the next draws (null draws untextured); DrawQuads submits n quads as one geometry call with the
// shared quad index array. Vertices arrive in screen pixels moved by -0.5 (the sprite layer's
// pixel-centre convention); the core takes that offset back off and applies the world transform
// on the CPU.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;
class ISoundKeeper;
class CGraphics;

// Results of the device-style operations.
using ZFRESULT = long;
constexpr ZFRESULT ZF_OK = 0;
constexpr ZFRESULT ZF_FAIL = static_cast<ZFRESULT>(0x80004005L);

// Vertex format code of VERTEX_2DPNT1 (position xyz, diffuse colour, one texture coordinate pair).
constexpr unsigned ZF_FVF_2DPNT1 = 0x142;

// The sprite vertex: screen position in pixels, depth, ARGB colour, texture coordinates.
struct VERTEX_2DPNT1 {
    float x, y, z;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(VERTEX_2DPNT1) == 24, "sprite vertex layout");

// The texture coordinates of one quad's four vertices (top-left, top-right, bottom-left, bottom-right).
inline void SetQuadTexCoords(VERTEX_2DPNT1* v, float left, float top, float right, float bottom)
{
    v[0].u = left;  v[0].v = top;
    v[1].u = right; v[1].v = top;
    v[2].u = left;  v[2].v = bottom;
    v[3].u = right; v[3].v = bottom;
}

using CVertexBuffer = std::vector<VERTEX_2DPNT1>;
using VertexBufferPtr = std::shared_ptr<CVertexBuffer>;

// How a draw is combined with the frame.
enum class EBlend {
    Alpha,     // source alpha over the frame
    Add,       // added to the frame, scaled by source alpha
};

// Four floats, each meant to lie in 0..1.
struct ColorRGBA {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;

    ColorRGBA() = default;
    ColorRGBA(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}
    explicit ColorRGBA(uint32_t argb);

    // Packs as (a*255)<<24 + (r*255)<<16 + (g*255)<<8 + b*255: each product truncated, the parts
    // added (not masked), nothing clamped. Clamp first when a component may be out of range.
    uint32_t ToARGB() const;

    ColorRGBA& operator+=(const ColorRGBA& o);
    ColorRGBA operator-(const ColorRGBA& o) const;
    ColorRGBA operator/(float d) const;
    // Each component into 0..1.
    void Clamp();
};

// Callback types of SetCallback.
enum {
    cbBeforeReset = 0,     // before a device reset or a mode change
    cbAfterReset = 1,      // after it
    cbAfterToggle = 2,     // after a successful windowed / full-screen toggle
};

using EngineCallback = void (*)();
// Engine-internal listeners of a device reset: called with false before and true after, so that
// texture caches can drop and re-upload their textures.
using DeviceResetListener = std::function<void(bool after)>;

// Activation reported by IEngineCore::HandleEvent.
enum { actNone = -1, actInactive = 0, actActive = 1 };

class IEngineCore {
public:
    virtual ~IEngineCore() = default;

    // 0. Creates the window, the renderer and the input devices. False (logged) when any of them
    // cannot be made. Called again, it releases the old ones first.
    virtual bool Init(const char* class_name, const char* title, bool windowed) = 0;
    // 1. Drops the shared quad index array.
    virtual void ReleaseQuadBuffer() = 0;
    // 2. Stores the function under the type (0, 1 or 2); returns the one stored before.
    virtual EngineCallback SetCallback(int type, EngineCallback function) = 0;
    // 3. Handles a pending device reset, polls mouse and keyboard (the one input read of the
    // frame) and opens the frame. False: nothing may be drawn this frame.
    virtual bool BeginFrame() = 0;
    // 4. Clears the frame to the ARGB colour.
    virtual bool Clear(uint32_t argb) = 0;
    // 5. Draws the cursor, takes a screenshot while Print Screen is down, presents, and toggles the
    // mode on Alt+Enter. False when no frame was begun.
    virtual bool EndFrame() = 0;
    // 6. The index array must be bound again before the next draw.
    virtual void InvalidateQuadIndices() = 0;
    // 7. A vertex buffer of length bytes (rounded down to whole vertices).
    virtual ZFRESULT CreateVertexBuffer(unsigned length, unsigned usage, unsigned fvf, unsigned pool,
                                        VertexBufferPtr* out) = 0;
    // 8. Vertex format of the next draws (only ZF_FVF_2DPNT1 is drawn).
    virtual ZFRESULT SetVertexShader(unsigned fvf) = 0;
    // 9. Texture of the next draws; null draws untextured quads.
    virtual ZFRESULT SetTexture(unsigned stage, SDL_Texture* texture) = 0;
    // 10. Draws n quads (4n vertices, stride bytes apart) as one call.
    virtual ZFRESULT DrawQuads(const void* vertices, unsigned quads, unsigned stride,
                               EBlend blend = EBlend::Alpha) = 0;
    // 11. False: sound paused and the gamma level taken off; true: sound resumed, gamma applied.
    virtual void Activate(bool active) = 0;
    // 12 - 16. The screen: 800 x 600.
    virtual int GetScreenWidth() const = 0;
    virtual int GetScreenHeight() const = 0;
    virtual int GetHalfWidth() const = 0;
    virtual int GetHalfHeight() const = 0;
    virtual void GetScreenCenter(float& x, float& y) const = 0;
    // 17. Brightens the frame by 10 per level on each colour channel.
    virtual void SetGamma(int level) = 0;
    // 18. World transform: a vertex is moved by (x, y), then turned about the origin by the angle
    // (degrees); the result is shown relative to the screen centre. (0, -400, -300) is the identity.
    virtual void SetWorldTransform(float angle, float x, float y) = 0;
    // 19.
    virtual SDL_Window* GetWindow() const = 0;
    // 20. Switches between a window and desktop full screen; false when the switch failed.
    virtual bool ToggleFullscreen() = 0;
    // 21.
    virtual bool IsFullscreen() const = 0;
    // 22, 23.
    virtual CGraphics* GetGraphics() = 0;
    virtual SDL_Renderer* GetDevice() const = 0;
    // 24.
    virtual ISoundKeeper* GetSoundKeeper() const = 0;
    // 25. Frames ended so far.
    virtual uint32_t GetFrameCount() const = 0;
    // 26, 27. Seconds the current frame advances animations (set by the scene base).
    virtual void SetFrameTime(float seconds) = 0;
    virtual float GetFrameTime() const = 0;

    // Engine-internal operations.

    // Adds a listener of device resets; returns an id for RemoveDeviceResetListener.
    virtual int AddDeviceResetListener(DeviceResetListener listener) = 0;
    virtual void RemoveDeviceResetListener(int id) = 0;
    // The window procedure: the scene's pump hands every event it takes here. Input events update
    // the input devices, render reset events reset the device; the result tells whether the event
    // activates (actActive) or deactivates (actInactive) the program.
    virtual int HandleEvent(const SDL_Event& event) = 0;
};

// The program's engine core (CEngineCore::Instance() from the start; tests may point it at a double).
extern IEngineCore* g_EngineCore;

// The SDL event type of the activation message (user.code 1 active, 0 inactive).
uint32_t GetActivationEventType();
// Queues the activation message.
void PostActivationMessage(bool active);

// When set (or when the environment has ZF_IGNORE_FOCUS=1), focus changes do not deactivate the
// program; only minimising does. For virtual displays without a window manager.
void SetIgnoreFocus(bool ignore);
bool GetIgnoreFocus();

// Shows an error message in a box of the desktop and waits until it is closed. Only when a display
// is there (X11 or Wayland); false at once when none is, under another video driver (dummy,
// offscreen...) or when the box could not be shown.
bool ShowErrorMessage(const char* title, const char* text);
// Whether a message box can be shown with this video driver (null: not chosen) and displays.
bool CanShowMessageBox(const char* video_driver, const char* x11_display, const char* wayland_display);

// Opens a web page (an "http://" or "https://" address) in the desktop's browser and returns at
// once. False, logged, for anything else or when the desktop cannot be asked.
bool OpenURL(const char* url);

class CDirectInputState;

// The engine core on SDL.
class CEngineCore : public IEngineCore {
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
    ZFRESULT SetTexture(unsigned stage, SDL_Texture* texture) override;
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
    SDL_Window* GetWindow() const override;
    bool ToggleFullscreen() override;
    bool IsFullscreen() const override;
    CGraphics* GetGraphics() override;
    SDL_Renderer* GetDevice() const override;
    ISoundKeeper* GetSoundKeeper() const override;
    uint32_t GetFrameCount() const override;
    void SetFrameTime(float seconds) override;
    float GetFrameTime() const override;
    int AddDeviceResetListener(DeviceResetListener listener) override;
    void RemoveDeviceResetListener(int id) override;
    int HandleEvent(const SDL_Event& event) override;

    // Takes every waiting event and hands it to HandleEvent (for loops that run outside a scene:
    // loading screens, tests). Returns the number of events taken; a quit event is put back.
    int PumpEvents();

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
    int _next_listener_id = 1;
    SDL_Texture* _texture = nullptr;
    unsigned _fvf = ZF_FVF_2DPNT1;
    struct Geometry;
    std::unique_ptr<Geometry> _geometry;     // scratch vertices of DrawQuads
};
