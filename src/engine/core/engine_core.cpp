#include "engine/core/engine_core_internal.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "engine/base/engine_filesys.h"
#include "engine/core/engine_graphics_internal.h"
#include "engine/base/engine_helpers.h"
#include "engine/core/engine_input_internal.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_userfolder.h"

IEngineCore* g_EngineCore = &CEngineCore::Instance();
ISoundKeeper* g_SoundKeeper = nullptr;

IEngineCore& ProgramEngineCore()
{
    return CEngineCore::Instance();
}

// ---------------------------------------------------------------------------------------------
// ColorRGBA

ColorRGBA::ColorRGBA(uint32_t argb)
    : r(float((argb >> 16) & 0xFF) / 255.0f),
      g(float((argb >> 8) & 0xFF) / 255.0f),
      b(float(argb & 0xFF) / 255.0f),
      a(float((argb >> 24) & 0xFF) / 255.0f)
{
}

uint32_t ColorRGBA::ToARGB() const
{
    // Each part truncated toward zero and wrapped to 32 bits, then added. A part that is not a
    // number or lies beyond any integer counts as 0 (converting it would be undefined).
    auto part = [](float v) -> uint32_t {
        const float p = v * 255.0f;
        if (!(p > -9.2e18f && p < 9.2e18f)) return 0;
        return static_cast<uint32_t>(static_cast<int64_t>(p));
    };
    return part(a) * 0x1000000u + part(r) * 0x10000u + part(g) * 0x100u + part(b);
}

ColorRGBA& ColorRGBA::operator+=(const ColorRGBA& o)
{
    r += o.r;
    g += o.g;
    b += o.b;
    a += o.a;
    return *this;
}

ColorRGBA ColorRGBA::operator-(const ColorRGBA& o) const
{
    return ColorRGBA(r - o.r, g - o.g, b - o.b, a - o.a);
}

ColorRGBA ColorRGBA::operator/(float d) const
{
    return ColorRGBA(r / d, g / d, b / d, a / d);
}

void ColorRGBA::Clamp()
{
    auto c = [](float& v) { v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); };
    c(r);
    c(g);
    c(b);
    c(a);
}

// ---------------------------------------------------------------------------------------------
// Activation message and the focus switch

uint32_t GetActivationEventType()
{
    static const uint32_t type = [] {
        Uint32 t = SDL_RegisterEvents(1);
        return t == Uint32(-1) ? Uint32(SDL_USEREVENT) : t;
    }();
    return type;
}

void PostActivationMessage(bool active)
{
    SDL_Event e {};
    e.type = GetActivationEventType();
    e.user.code = active ? 1 : 0;
    SDL_PushEvent(&e);
}

namespace {
int g_IgnoreFocus = -1;     // -1: not yet read from the environment
}

void SetIgnoreFocus(bool ignore)
{
    g_IgnoreFocus = ignore ? 1 : 0;
}

bool GetIgnoreFocus()
{
    if (g_IgnoreFocus < 0) {
        const char* v = std::getenv("ZF_IGNORE_FOCUS");
        g_IgnoreFocus = (v && *v && *v != '0') ? 1 : 0;
    }
    return g_IgnoreFocus == 1;
}

// ---------------------------------------------------------------------------------------------
// Error messages on screen

bool CanShowMessageBox(const char* video_driver, const char* x11_display, const char* wayland_display)
{
    // Drivers without a screen (tests, headless runs) never get a box, which would wait for a click.
    if (video_driver && *video_driver && std::strcmp(video_driver, "x11") != 0 && std::strcmp(video_driver, "wayland") != 0)
        return false;
    return (x11_display && *x11_display) || (wayland_display && *wayland_display);
}

bool ShowErrorMessage(const char* title, const char* text)
{
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : SDL_getenv("SDL_VIDEODRIVER");
    if (!CanShowMessageBox(driver, SDL_getenv("DISPLAY"), SDL_getenv("WAYLAND_DISPLAY"))) return false;
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr) == 0;
}

// ---------------------------------------------------------------------------------------------
// Web pages

bool OpenURL(const char* url)
{
    // Only web addresses: a file name or another scheme would have the desktop open or run
    // whatever it names.
    auto starts = [url](const char* scheme) { return SDL_strncasecmp(url, scheme, SDL_strlen(scheme)) == 0; };
    if (!url || !(starts("http://") || starts("https://")) || std::strpbrk(url, " \t\r\n")) {
        GetLog().Error("Error: not a web page address: '%s'.", url ? url : "");
        return false;
    }
    if (SDL_OpenURL(url) != 0) {
        GetLog().Error("Error: failed to open %s: %s", url, SDL_GetError());
        return false;
    }
    GetLog().Message("Opened %s", url);
    return true;
}

// ---------------------------------------------------------------------------------------------
// CEngineCore

struct CEngineCore::Geometry {
    std::vector<SDL_Vertex> vertices;
};

struct CEngineCore::FrameRecord {
    std::vector<FrameCall> calls;
    std::vector<SDL_Vertex> vertices;

    void Clear()
    {
        calls.clear();
        vertices.clear();
    }
};

namespace {
bool SameVertices(const SDL_Vertex* a, const SDL_Vertex* b, size_t n)
{
    return n == 0 || std::memcmp(a, b, n * sizeof(SDL_Vertex)) == 0;
}
}

CEngineCore& CEngineCore::Instance()
{
    static CEngineCore core;
    return core;
}

CEngineCore::CEngineCore()
    : _graphics(std::make_unique<CGraphics>()),
      _input(std::make_unique<CDirectInputState>()),
      _callbacks {{cbBeforeReset, nullptr}, {cbAfterReset, nullptr}, {cbAfterToggle, nullptr}},
      _geometry(std::make_unique<Geometry>()),
      _frame(std::make_unique<FrameRecord>()),
      _last_frame(std::make_unique<FrameRecord>())
{
    _graphics->SetBeforeDirectDraw([this] { Flush(); });
}

CEngineCore::~CEngineCore()
{
    // At exit: the input singletons and the owners of reset listeners may be gone already, so only
    // what the core owns is touched (a program drops its textures before it ends).
    ReleaseQuadBuffer();
    _callbacks.clear();
    _input->Release();
    _graphics->Release();
    _device = nullptr;
    _texture = nullptr;
}

bool CEngineCore::Init(const char* class_name, const char* title, bool windowed)
{
    // A second start makes a new renderer: what was made on the old one goes first.
    if (_device) Shutdown();
    _frame_begun = false;
    _reset_pending = false;
    _minimized = false;
    _have_last_frame = false;
    _holding = false;
    if (!_graphics->Create(class_name, title, windowed)) {
        _device = nullptr;
        return false;
    }
    _device = _graphics->GetDevice();
    if (_device_dropped) {
        _device_dropped = false;
        FireResetListeners(true);
    }
    if (!_input->Init()) {
        Shutdown();
        return false;
    }
    CMouse::Instance().SetController(_input.get());
    CMouse::Instance().SetScreen(this);
    CKeyboard::Instance().SetController(_input.get());
    CJoystick::Instance().SetController(_input.get());
    _input->Acquire();
    _frame_count = 0;
    return true;
}

void CEngineCore::Shutdown()
{
    // Textures must not outlive their renderer (nor be taken for ones of a later renderer that
    // happens to get the same address): the listeners drop theirs while the renderer still exists,
    // and hear "after" once a new one is made.
    if (_device && !_device_dropped) {
        _device_dropped = true;
        FireResetListeners(false);
    }
    _frame_begun = false;
    _holding = false;
    _have_last_frame = false;
    _texture = nullptr;
    CMouse::Instance().SetController(nullptr);
    CKeyboard::Instance().SetController(nullptr);
    CJoystick::Instance().SetController(nullptr);
    _input->Release();
    _graphics->Release();
    _device = nullptr;
}

void CEngineCore::ReleaseQuadBuffer()
{
    _quad_indices.clear();
    _quad_indices.shrink_to_fit();
    _plain_indices.clear();
    _plain_indices.shrink_to_fit();
    _quad_capacity = 0;
}

EngineCallback CEngineCore::SetCallback(int type, EngineCallback function)
{
    EngineCallback old = _callbacks[type];
    _callbacks[type] = function;
    return old;
}

void CEngineCore::FireCallback(int type)
{
    VERIFY_SOFT(_callbacks.find(type) != _callbacks.end());
    auto it = _callbacks.find(type);
    if (it != _callbacks.end() && it->second) it->second();
}

void CEngineCore::FireResetListeners(bool after)
{
    auto listeners = _reset_listeners;     // a listener may remove itself
    for (auto& l : listeners)
        if (l.second) l.second(after);
}

int CEngineCore::AddDeviceResetListener(DeviceResetListener listener)
{
    const int id = _next_listener_id++;
    _reset_listeners.emplace_back(id, std::move(listener));
    return id;
}

void CEngineCore::RemoveDeviceResetListener(int id)
{
    auto it = std::find_if(_reset_listeners.begin(), _reset_listeners.end(),
                           [id](const auto& l) { return l.first == id; });
    if (it != _reset_listeners.end()) _reset_listeners.erase(it);
}

int CEngineCore::AddActivationListener(ActivationListener listener)
{
    const int id = _next_listener_id++;
    _activation_listeners.emplace_back(id, std::move(listener));
    return id;
}

void CEngineCore::RemoveActivationListener(int id)
{
    auto it = std::find_if(_activation_listeners.begin(), _activation_listeners.end(),
                           [id](const auto& l) { return l.first == id; });
    if (it != _activation_listeners.end()) _activation_listeners.erase(it);
}

void CEngineCore::ResetDevice()
{
    _reset_pending = false;
    CLog& log = GetLog();
    log.Message(" ");
    log.Message("*********   Device lost... *************");
    FireCallback(cbBeforeReset);
    _texture = nullptr;
    FireResetListeners(false);
    if (!_graphics->Reset()) THROW_ERROR("failed to reset D3DDevice");
    FireResetListeners(true);
    FireCallback(cbAfterReset);
    InvalidateQuadIndices();
    _have_last_frame = false;
    log.Message("********* Device restored *************");
    log.Message(" ");
}

bool CEngineCore::BeginFrame()
{
    if (!_device) return false;
    if (_reset_pending) ResetDevice();
    SetVertexShader(ZF_FVF_2DPNT1);
    CMouse::Instance().Update();
    CKeyboard::Instance().Update();
    _frame_begun = true;
    _frame->Clear();
    _holding = _have_last_frame && !_force_present;
    return true;
}

bool CEngineCore::Clear(uint32_t argb)
{
    FrameCall call;
    call.kind = FrameCall::kClear;
    call.colour = argb;
    Submit(call, nullptr, 0);
    return true;
}

bool CEngineCore::Submit(FrameCall call, const SDL_Vertex* vertices, size_t count)
{
    // Outside a frame a draw goes straight to the renderer.
    if (!_frame_begun) {
        if (!count) return Execute(*_frame, call);
        _frame->Clear();
        _frame->vertices.assign(vertices, vertices + count);
        call.count = count;
        const bool ok = Execute(*_frame, call);
        _frame->Clear();
        return ok;
    }
    call.first = _frame->vertices.size();
    call.count = count;
    if (count) _frame->vertices.insert(_frame->vertices.end(), vertices, vertices + count);
    _frame->calls.push_back(call);
    if (_holding) {
        const size_t i = _frame->calls.size() - 1;
        if (i < _last_frame->calls.size() && _last_frame->calls[i] == call &&
            SameVertices(_frame->vertices.data() + call.first, _last_frame->vertices.data() + call.first, count))
            return true;
        Flush();
        return true;
    }
    return Execute(*_frame, call);
}

void CEngineCore::Flush()
{
    if (!_holding) return;
    _holding = false;
    for (const FrameCall& call : _frame->calls) Execute(*_frame, call);
}

bool CEngineCore::Execute(const FrameRecord& frame, const FrameCall& call)
{
    switch (call.kind) {
    case FrameCall::kClear:
        return _graphics->Clear(call.colour);
    case FrameCall::kGamma:
        _graphics->DrawGammaOverlay();
        return true;
    case FrameCall::kQuads:
        break;
    }
    if (!_device) return false;
    const auto mode = SDL_BlendMode(call.blend);
    if (call.texture)
        SDL_SetTextureBlendMode(call.texture, mode);
    else
        SDL_SetRenderDrawBlendMode(_device, mode);
    const int quads = int(call.count / 4);
    const int* indices = call.texture ? _quad_indices.data() : _plain_indices.data();
    const int rc = SDL_RenderGeometry(_device, call.texture, frame.vertices.data() + call.first, int(call.count),
                                      indices, quads * 6);
    if (!call.texture) SDL_SetRenderDrawBlendMode(_device, SDL_BLENDMODE_BLEND);
    return rc == 0;
}

bool CEngineCore::EndFrame()
{
    if (!_frame_begun) return false;
    CMouse::Instance().DrawCursor();

    CKeyboard& kb = CKeyboard::Instance();
    if (kb.IsKeyDown(DIK_SYSRQ)) {
        if (!SaveScreenshot()) GetLog().Error("Error: failed to save the screenshot.");
    }
    // The gamma level brightens what is shown, not what the screenshot keeps.
    if (const int add = _graphics->GetGammaAdd(); add > 0) {
        FrameCall gamma;
        gamma.kind = FrameCall::kGamma;
        gamma.colour = uint32_t(add);
        Submit(gamma, nullptr, 0);
    }
    // A frame that draws exactly what the shown one did is not drawn nor presented again.
    bool presented = true;
    if (!_holding || _frame->calls.size() != _last_frame->calls.size()) {
        Flush();
        presented = _graphics->Present();
        if (presented) ++_present_count;
    }
    _holding = false;
    std::swap(_frame, _last_frame);
    _have_last_frame = presented;
    _force_present = false;
    _frame_begun = false;

    // Alt+Enter switches the mode once per press.
    const bool alt = kb.IsKeyDown(DIK_LMENU) || kb.IsKeyDown(DIK_RMENU);
    const bool fresh = kb.IsKeyPressed(DIK_RETURN) || kb.IsKeyPressed(DIK_LMENU) || kb.IsKeyPressed(DIK_RMENU);
    if (alt && kb.IsKeyDown(DIK_RETURN) && fresh) ToggleFullscreen();

    ++_frame_count;
    return presented;
}

void CEngineCore::InvalidateQuadIndices()
{
    _rebind = true;
}

ZFRESULT CEngineCore::CreateVertexBuffer(unsigned length, unsigned, unsigned, unsigned, VertexBufferPtr* out)
{
    if (!out) return ZF_FAIL;
    *out = std::make_shared<CVertexBuffer>(length / sizeof(VERTEX_2DPNT1));
    return ZF_OK;
}

ZFRESULT CEngineCore::SetVertexShader(unsigned fvf)
{
    _fvf = fvf;
    return _device ? ZF_OK : ZF_FAIL;
}

ZFRESULT CEngineCore::SetTexture(unsigned stage, SDL_Texture* texture)
{
    if (stage == 0) _texture = texture;
    return _device ? ZF_OK : ZF_FAIL;
}

ZFRESULT CEngineCore::DrawQuads(const void* vertices, unsigned quads, unsigned stride, EBlend blend)
{
    if (!_device) return ZF_FAIL;
    if (quads > unsigned(INT_MAX / 6)) return ZF_FAIL;

    // The shared index arrays hold exactly the largest draw so far. Textured quads (top-left,
    // top-right, bottom-left, bottom-right) are split along the top-left to bottom-right diagonal,
    // which the software renderer recognises as one rectangle copy when the quad is axis-aligned;
    // untextured quads keep the other diagonal, whose triangles honour every blend mode there.
    if (quads > _quad_capacity) {
        _quad_capacity = quads;
        _quad_indices.resize(size_t(quads) * 6);
        _plain_indices.resize(size_t(quads) * 6);
        for (unsigned q = 0; q < quads; ++q) {
            int* i = &_quad_indices[size_t(q) * 6];
            int* j = &_plain_indices[size_t(q) * 6];
            const int v = int(q * 4);
            i[0] = v; i[1] = v + 1; i[2] = v + 3;
            i[3] = v; i[4] = v + 3; i[5] = v + 2;
            j[0] = v; j[1] = v + 1; j[2] = v + 2;
            j[3] = v + 3; j[4] = v + 2; j[5] = v + 1;
        }
    }
    _rebind = false;
    if (quads == 0) return ZF_OK;
    if (!vertices || stride < sizeof(VERTEX_2DPNT1)) return ZF_FAIL;

    std::vector<SDL_Vertex>& out = _geometry->vertices;
    out.resize(size_t(quads) * 4);
    const auto* traits = _texture ? static_cast<const DeviceTextureTraits*>(SDL_GetTextureUserData(_texture)) : nullptr;
    const bool tinted = traits && traits->tinted;
    bool opaque = traits && traits->opaque;
    const char* p = static_cast<const char*>(vertices);
    const bool identity = _graphics->IsWorldIdentity();
    for (size_t i = 0; i < out.size(); ++i, p += stride) {
        const VERTEX_2DPNT1& v = *reinterpret_cast<const VERTEX_2DPNT1*>(p);
        // The sprite layer moves every corner by -0.5 for pixel centres at whole coordinates;
        // SDL's pixel centres lie at +0.5, so the offset is taken back here.
        float x = v.x + 0.5f, y = v.y + 0.5f;
        if (!identity) _graphics->TransformPoint(x, y);
        SDL_Vertex& o = out[i];
        o.position.x = x;
        o.position.y = y;
        // A texture that holds the tint already is drawn white where the vertex asks for it.
        const uint32_t colour = tinted && (v.color & 0xFFFFFFu) == traits->tint ? (v.color | 0xFFFFFFu) : v.color;
        o.color.a = Uint8(colour >> 24);
        o.color.r = Uint8(colour >> 16);
        o.color.g = Uint8(colour >> 8);
        o.color.b = Uint8(colour);
        o.tex_coord.x = v.u;
        o.tex_coord.y = v.v;
        opaque = opaque && o.color.a == 0xFF;
    }

    // Blending an opaque texture at full alpha gives its own pixels: they are copied instead.
    FrameCall call;
    call.texture = _texture;
    call.blend = blend == EBlend::Add ? SDL_BLENDMODE_ADD : (opaque ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    return Submit(call, out.data(), out.size()) ? ZF_OK : ZF_FAIL;
}

void CEngineCore::Activate(bool active)
{
    auto listeners = _activation_listeners;     // a listener may remove itself
    for (auto& l : listeners)
        if (l.second) l.second(active);
    if (active)
        _graphics->ApplyGamma();
    else
        _graphics->RestoreGamma();
}

int CEngineCore::GetScreenWidth() const { return CGraphics::kScreenWidth; }
int CEngineCore::GetScreenHeight() const { return CGraphics::kScreenHeight; }
int CEngineCore::GetHalfWidth() const { return GetScreenWidth() / 2; }
int CEngineCore::GetHalfHeight() const { return GetScreenHeight() / 2; }

void CEngineCore::GetScreenCenter(float& x, float& y) const
{
    x = float(GetScreenWidth() / 2);
    y = float(GetScreenHeight() / 2);
}

void CEngineCore::SetGamma(int level)
{
    _graphics->SetGammaLevel(level);
}

void CEngineCore::SetWorldTransform(float angle, float x, float y)
{
    _graphics->SetWorldTransform(angle, x, y);
}

SDL_Window* CEngineCore::GetWindow() const { return _graphics->GetWindow(); }

void CEngineCore::WarpPointer(int x, int y)
{
    SDL_Window* window = GetWindow();
    if (!window) return;
    int wx = x, wy = y;
    if (_device) SDL_RenderLogicalToWindow(_device, float(x), float(y), &wx, &wy);
    SDL_WarpMouseInWindow(window, wx, wy);
}

bool CEngineCore::ToggleFullscreen()
{
    if (_toggling) return false;
    _toggling = true;
    const bool begun = _frame_begun;
    if (begun) EndFrame();
    FireCallback(cbBeforeReset);
    const bool ok = _graphics->ToggleMode();
    _force_present = true;
    InvalidateQuadIndices();
    CMouse::Instance().ApplyCursor();       // the switch may have shown or hidden the pointer
    FireCallback(cbAfterReset);
    if (begun) BeginFrame();
    _toggling = false;
    if (!ok) return false;
    FireCallback(cbAfterToggle);
    PostActivationMessage(true);
    return true;
}

bool CEngineCore::IsFullscreen() const { return !_graphics->IsWindowed(); }
CGraphics* CEngineCore::GetGraphics() { return _graphics.get(); }
SDL_Renderer* CEngineCore::GetDevice() const { return _device; }
ISoundKeeper* CEngineCore::GetSoundKeeper() const { return g_SoundKeeper; }
uint32_t CEngineCore::GetFrameCount() const { return _frame_count; }
void CEngineCore::SetFrameTime(float seconds) { _frame_time = seconds; }
float CEngineCore::GetFrameTime() const { return _frame_time; }

int CEngineCore::HandleEvent(const SDL_Event& e)
{
    if (e.type == GetActivationEventType())
        return e.user.code ? actActive : actInactive;

    switch (e.type) {
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
        _reset_pending = true;
        _force_present = true;
        return actNone;
    case SDL_WINDOWEVENT:
        _input->HandleEvent(e);
        switch (e.window.event) {
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_MOVED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // The window shows a stale or empty picture until the next present.
            _force_present = true;
            return actNone;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            return GetIgnoreFocus() ? actNone : actInactive;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            // An activation while minimised does not count.
            return (GetIgnoreFocus() || _minimized) ? actNone : actActive;
        case SDL_WINDOWEVENT_MINIMIZED:
            _minimized = true;
            return actInactive;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            _force_present = true;
            if (_minimized) {
                _minimized = false;
                return actActive;
            }
            return actNone;
        default:
            return actNone;
        }
    default:
        _input->HandleEvent(e);
        return actNone;
    }
}

int CEngineCore::PumpEvents()
{
    int n = 0;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_QUIT) {
            SDL_PushEvent(&e);
            break;
        }
        HandleEvent(e);
        ++n;
    }
    return n;
}

int CEngineCore::NextScreenshotNumber(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec);
    bool found = false;
    long long best = 0;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 4) continue;
        std::string ext = name.substr(name.size() - 4);
        for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (ext != ".tga") continue;
        // The name read as a decimal number; a name that does not begin with digits counts as 0.
        long long n = 0;
        for (char c : name) {
            if (c < '0' || c > '9') break;
            n = std::min(n * 10 + (c - '0'), (long long)INT_MAX - 1);
        }
        found = true;
        best = std::max(best, n);
    }
    return found ? int(best + 1) : 0;
}

bool CEngineCore::SaveScreenshot()
{
    // Without a user folder a shot has no place: it never goes to the current folder.
    if (GetUserDataFolder().empty()) {
        GetLog().Warning("Warning: screenshot not saved: there is no user folder.");
        return false;
    }
    return SaveScreenshot(GetUserDataFolder());
}

bool CEngineCore::SaveScreenshot(const std::string& folder)
{
    if (!_device) return false;
    SDL_Delay(100);
    char name[32];
    std::snprintf(name, sizeof name, "%08d.tga", NextScreenshotNumber(folder));
    // Only at the end of the numbers can the name be taken: an older shot is never overwritten.
    if (FileExists(folder + name)) return false;
    // The frame so far (the shown one outside a frame), drawn again at the screen's own size and
    // without the gamma level.
    const FrameRecord& frame = _frame_begun ? *_frame : *_last_frame;
    return _graphics->SaveScreenshot(folder + name, [this, &frame] {
        for (const FrameCall& call : frame.calls)
            if (call.kind != FrameCall::kGamma) Execute(frame, call);
    });
}
