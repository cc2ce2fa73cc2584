// The engine core: the one object through which the program reaches the screen. It owns the main
// window and the renderer (through CGraphics) and the input devices, and brackets every frame.
//
// Drawing model: a "vertex buffer" is a CPU array of sprite vertices (VERTEX_2DPNT1, four per quad
// in the order top-left, top-right, bottom-left, bottom-right). The platform side's SetTexture
// (engine_core_internal.h) selects the texture of the next draws (null draws untextured);
// DrawQuads submits n quads as one geometry call with the shared quad index array. Vertices arrive
// in screen pixels moved by -0.5 (the sprite layer's pixel-centre convention); the core takes that
// offset back off and applies the world transform on the CPU.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ISoundKeeper;
class IEnginePlatform;

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
// Engine-internal listeners of activation: called with false when the program is deactivated and
// with true when it becomes active again (the sound pauses and resumes through one).
using ActivationListener = std::function<void(bool active)>;

// Activation reported by the core's event handling.
enum { actNone = -1, actInactive = 0, actActive = 1 };

class IEngineCore {
public:
    virtual ~IEngineCore() = default;

    // Creates the window, the renderer and the input devices. False (logged) when any of them
    // cannot be made. Called again, it releases the old ones first.
    virtual bool Init(const char* class_name, const char* title, bool windowed) = 0;
    // Drops the shared quad index array.
    virtual void ReleaseQuadBuffer() = 0;
    // Stores the function under the callback type (cbBeforeReset, cbAfterReset or cbAfterToggle);
    // returns the one stored before.
    virtual EngineCallback SetCallback(int type, EngineCallback function) = 0;
    // Handles a pending device reset, polls mouse and keyboard (the one input read of the
    // frame) and opens the frame. False: nothing may be drawn this frame.
    virtual bool BeginFrame() = 0;
    // Clears the frame to the ARGB colour.
    virtual bool Clear(uint32_t argb) = 0;
    // Draws the cursor, takes a screenshot while Print Screen is down, presents, and toggles the
    // mode on Alt+Enter. False when no frame was begun.
    virtual bool EndFrame() = 0;
    // The index array must be bound again before the next draw.
    virtual void InvalidateQuadIndices() = 0;
    // A vertex buffer of length bytes (rounded down to whole vertices).
    virtual ZFRESULT CreateVertexBuffer(unsigned length, unsigned usage, unsigned fvf, unsigned pool,
                                        VertexBufferPtr* out) = 0;
    // Vertex format of the next draws (only ZF_FVF_2DPNT1 is drawn).
    virtual ZFRESULT SetVertexShader(unsigned fvf) = 0;
    // Draws n quads (4n vertices, stride bytes apart) as one call.
    virtual ZFRESULT DrawQuads(const void* vertices, unsigned quads, unsigned stride,
                               EBlend blend = EBlend::Alpha) = 0;
    // False: the activation listeners hear "inactive" (the sound pauses) and the gamma level is
    // taken off; true: they hear "active" (the sound resumes) and the gamma level is applied.
    virtual void Activate(bool active) = 0;
    // The screen: 800 x 600, its half width and height, and its centre.
    virtual int GetScreenWidth() const = 0;
    virtual int GetScreenHeight() const = 0;
    virtual int GetHalfWidth() const = 0;
    virtual int GetHalfHeight() const = 0;
    virtual void GetScreenCenter(float& x, float& y) const = 0;
    // Brightens the frame by 10 per level on each colour channel.
    virtual void SetGamma(int level) = 0;
    // World transform: a vertex is moved by (x, y), then turned about the origin by the angle
    // (degrees); the result is shown relative to the screen centre. (0, -400, -300) is the identity.
    virtual void SetWorldTransform(float angle, float x, float y) = 0;
    // Switches between a window and desktop full screen; false when the switch failed.
    virtual bool ToggleFullscreen() = 0;
    // The program shows in full screen (not in a window).
    virtual bool IsFullscreen() const = 0;
    // The program's sound keeper (g_SoundKeeper); null when there is none.
    virtual ISoundKeeper* GetSoundKeeper() const = 0;
    // Frames ended so far.
    virtual uint32_t GetFrameCount() const = 0;
    // Seconds the current frame advances animations (set by the scene base).
    virtual void SetFrameTime(float seconds) = 0;
    virtual float GetFrameTime() const = 0;

    // Engine-internal operations.

    // The platform side of the core: window, renderer, raw events and device textures
    // (engine_core_internal.h, seen only inside the engine and by tests).
    virtual IEnginePlatform* GetPlatform() = 0;
    // Adds a listener of device resets; returns an id for RemoveDeviceResetListener.
    virtual int AddDeviceResetListener(DeviceResetListener listener) = 0;
    virtual void RemoveDeviceResetListener(int id) = 0;
    // Adds a listener of activation; returns an id for RemoveActivationListener.
    virtual int AddActivationListener(ActivationListener listener) = 0;
    virtual void RemoveActivationListener(int id) = 0;
};

// The program's engine core (the platform's one, ProgramEngineCore(), from the start; tests may
// point it at a double).
extern IEngineCore* g_EngineCore;
// The engine core on the platform: window, renderer and input devices.
IEngineCore& ProgramEngineCore();

// The program's sound keeper, which the core hands out. Null until the program points it at its
// keeper (ProgramSoundKeeper()); tests point it at their own.
extern ISoundKeeper* g_SoundKeeper;

// Queues the activation message: the scene loop activates (true) or deactivates (false) the program
// when it takes it.
void PostActivationMessage(bool active);

// When set (or when the environment has ZF_IGNORE_FOCUS=1), focus changes do not deactivate the
// program; only minimising does. For virtual displays without a window manager.
void SetIgnoreFocus(bool ignore);
bool GetIgnoreFocus();

// Which renderer suits the display: an accelerated one, or the software renderer where OpenGL is
// missing or drawn by the processor. Finding out costs an OpenGL renderer at start; a verdict
// given before the engine starts (one kept from an earlier start) spares that.
enum ERendererVerdict { rvUnknown = 0, rvAccelerated = 1, rvSoftware = 2 };
void SetKnownRenderer(ERendererVerdict verdict);
// The verdict of the last start of the engine (rvUnknown before any).
ERendererVerdict GetRendererVerdict();

// Shows an error message in a box of the desktop and waits until it is closed. Only when a display
// is there (X11 or Wayland); false at once when none is, under another video driver (dummy,
// offscreen...) or when the box could not be shown.
bool ShowErrorMessage(const char* title, const char* text);
// Whether a message box can be shown with this video driver (null: not chosen) and displays.
bool CanShowMessageBox(const char* video_driver, const char* x11_display, const char* wayland_display);

// Opens a web page (an "http://" or "https://" address) in the desktop's browser and returns at
// once. False, logged, for anything else or when the desktop cannot be asked.
bool OpenURL(const char* url);
