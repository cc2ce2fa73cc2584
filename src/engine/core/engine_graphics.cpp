#include "engine/core/engine_graphics_internal.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/base/engine_filesys.h"
#include "engine/base/engine_log.h"
#include "engine/core/engine_core.h"

namespace {
const char* const kIconFile = "zerafine.png";

// The rasteriser behind an OpenGL renderer (its GL_RENDERER text); empty for other renderers.
std::string GlRasteriser(SDL_Renderer* renderer)
{
    SDL_RendererInfo info {};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name || SDL_strncmp(info.name, "opengl", 6) != 0 ||
        !SDL_GL_GetCurrentContext())
        return "";
    using GetString = const unsigned char* (*)(unsigned);
    const auto get = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = get ? get(0x1F01) : nullptr;     // GL_RENDERER
    return name ? reinterpret_cast<const char*>(name) : "";
}

// OpenGL drawn by the processor (virtual displays, machines without a graphics driver) costs
// several times what SDL's own software renderer does for the same frames.
bool IsSoftwareRasteriser(const std::string& name)
{
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
        if (name.find(soft) != std::string::npos) return true;
    return false;
}

ERendererVerdict g_KnownRenderer = rvUnknown;
ERendererVerdict g_RendererVerdict = rvUnknown;

// The bounds of the display the window is on (of the first display before there is a window).
SDL_Rect DisplayBounds(SDL_Window* window)
{
    SDL_Rect r {0, 0, CGraphics::kScreenWidth, CGraphics::kScreenHeight};
    const int index = window ? SDL_GetWindowDisplayIndex(window) : 0;
    if (SDL_GetDisplayBounds(index < 0 ? 0 : index, &r) != 0 || r.w <= 0 || r.h <= 0)
        r = {0, 0, CGraphics::kScreenWidth, CGraphics::kScreenHeight};
    return r;
}
}

void SetKnownRenderer(ERendererVerdict verdict)
{
    g_KnownRenderer = verdict;
}

ERendererVerdict GetRendererVerdict()
{
    return g_RendererVerdict;
}

CGraphics::CGraphics() = default;

CGraphics::~CGraphics()
{
    Release();
}

bool CGraphics::Create(const char* /*class_name*/, const char* title, bool windowed)
{
    Release();
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            GetLog().Error("Error: failed to create D3D.");
            GetLog().Error("Error: %s", SDL_GetError());
            return false;
        }
        _owns_video = true;
    }
    _windowed = windowed;

    // Textures created from now on are filtered linearly.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    // The software renderer shows its frames directly, not through an OpenGL texture.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");

    // Full screen starts with the window already over the whole display: where no window manager
    // carries out the full-screen request, the window keeps the place it was made with.
    _windowed_w = kScreenWidth;
    _windowed_h = kScreenHeight;
    _windowed_place_known = false;
    // A renderer named in SDL_RENDER_DRIVER is kept as it is; otherwise an accelerated renderer is
    // tried unless an earlier start found the display drawn in software. A window meant for
    // OpenGL says so when it is made (SDL would make it again for an OpenGL renderer).
    const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    const bool named = chosen && *chosen;
    const bool try_accelerated = named || g_KnownRenderer != rvSoftware;
    const Uint32 flags = SDL_WINDOW_RESIZABLE | (try_accelerated && !named ? SDL_WINDOW_OPENGL : 0);
    if (windowed) {
        _window = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                   kScreenWidth, kScreenHeight, flags);
    } else {
        const SDL_Rect full = DisplayBounds(nullptr);
        _window = SDL_CreateWindow(title ? title : "", full.x, full.y, full.w, full.h,
                                   flags | SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    if (!_window && (flags & SDL_WINDOW_OPENGL)) {
        // No OpenGL for windows here: a plain window for the software renderer.
        GetLog().Message("No OpenGL window (%s): using the software renderer.", SDL_GetError());
        const SDL_Rect full = windowed ? SDL_Rect {SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kScreenWidth,
                                                   kScreenHeight}
                                       : DisplayBounds(nullptr);
        _window = SDL_CreateWindow(title ? title : "", full.x, full.y, full.w, full.h,
                                   SDL_WINDOW_RESIZABLE | (windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP));
    }
    if (!_window) {
        GetLog().Error("Error: failed to initialize main window.");
        GetLog().Error("Error: %s", SDL_GetError());
        Release();
        return false;
    }

    // The window icon from the game folder, when it is there.
    if (SDL_Surface* icon = IMG_Load(HostPath(kIconFile).c_str())) {
        SDL_SetWindowIcon(_window, icon);
        SDL_FreeSurface(icon);
    } else {
        GetLog().Message("No window icon: %s", IMG_GetError());
    }

    if (try_accelerated && ((SDL_GetWindowFlags(_window) & SDL_WINDOW_OPENGL) || named))
        _renderer = SDL_CreateRenderer(_window, -1, SDL_RENDERER_ACCELERATED |
                                                    (windowed ? 0 : SDL_RENDERER_PRESENTVSYNC));
    if (_renderer && !named) {
        const std::string rasteriser = GlRasteriser(_renderer);
        if (IsSoftwareRasteriser(rasteriser)) {
            GetLog().Message("OpenGL is drawn in software (%s): using the software renderer.", rasteriser.c_str());
            SDL_DestroyRenderer(_renderer);
            _renderer = nullptr;
        }
    }
    if (!_renderer) _renderer = SDL_CreateRenderer(_window, -1, SDL_RENDERER_SOFTWARE);
    if (!_renderer) {
        GetLog().Error("Error: failed to create D3DDevice (error code %X)", 0x80004005u);
        GetLog().Error("Error: %s", SDL_GetError());
        Release();
        return false;
    }

    if (!windowed) SDL_SetRelativeMouseMode(SDL_TRUE);

    SDL_RendererInfo info {};
    _bars_software = SDL_GetRendererInfo(_renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE);
    g_RendererVerdict = _bars_software ? rvSoftware : rvAccelerated;
    _bars_w = _bars_h = 0;
    _gamma_level = 0;
    _gamma_applied = true;
    SetupRenderStates();

    GetLog().Message("D3D initialized.");
    ReportDevice();
    return true;
}

void CGraphics::ReportDevice()
{
    CLog& log = GetLog();
    SDL_RendererInfo info {};
    SDL_GetRendererInfo(_renderer, &info);
    SDL_version v;
    SDL_GetVersion(&v);
    const char* driver = SDL_GetCurrentVideoDriver();
    log.WriteSeparator();
    log.WriteBold(CLog::lvlReport, "D3D Info");
    log.Write(CLog::lvlReport, "Video Adapter : %s", info.name ? info.name : "unknown");
    log.Write(CLog::lvlReport, "Driver : %s", driver ? driver : "unknown");
    log.Write(CLog::lvlReport, "Version : %x", (v.major << 16) | (v.minor << 8) | v.patch);
    log.Write(CLog::lvlReport, "Max Texture Width = %i, Height = %i", info.max_texture_width,
              info.max_texture_height);
    log.Write(CLog::lvlReport, " ");
    log.WriteBold(CLog::lvlReport, "D3DDevice Info");
    log.Write(CLog::lvlReport, "Renderer : %s", (info.flags & SDL_RENDERER_SOFTWARE) ? "software" : "accelerated");
    log.WriteSeparator();
}

void CGraphics::SetupRenderStates()
{
    if (!_renderer) return;
    SDL_RenderSetLogicalSize(_renderer, kScreenWidth, kScreenHeight);
    SDL_SetRenderDrawBlendMode(_renderer, SDL_BLENDMODE_BLEND);
}

bool CGraphics::Reset()
{
    if (!_renderer) return false;
    _bars_w = _bars_h = 0;
    SetupRenderStates();
    return true;
}

bool CGraphics::ToggleMode()
{
    const bool windowed = !_windowed;
    GetLog().Message("Toggling to %s mode...", windowed ? "windowed" : "fullscreen");
    if (!_window) return false;
    if (!windowed) {
        // Remember the window's place, then lay it over the whole display before asking for full
        // screen, so that it covers the display also without a window manager.
        SDL_GetWindowPosition(_window, &_windowed_x, &_windowed_y);
        SDL_GetWindowSize(_window, &_windowed_w, &_windowed_h);
        _windowed_place_known = true;
        const SDL_Rect full = DisplayBounds(_window);
        SDL_SetWindowPosition(_window, full.x, full.y);
        SDL_SetWindowSize(_window, full.w, full.h);
    }
    if (SDL_SetWindowFullscreen(_window, windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        GetLog().Error("Error: failed to switch to %s mode: %s", windowed ? "windowed" : "fullscreen",
                       SDL_GetError());
        if (!windowed) RestoreWindowPlace();
        return false;
    }
    _windowed = windowed;
    if (windowed) RestoreWindowPlace();
    if (_renderer) SDL_RenderSetVSync(_renderer, windowed ? 0 : 1);
    // Full screen moves the pointer relatively (the program draws it); a window shows the system one.
    SDL_SetRelativeMouseMode(windowed ? SDL_FALSE : SDL_TRUE);
    return Reset();
}

void CGraphics::RestoreWindowPlace()
{
    // Back to the window's own size and place (not every video driver restores them); a window
    // that started in full screen gets the screen size, centred.
    const int w = _windowed_w > 0 ? _windowed_w : kScreenWidth;
    const int h = _windowed_h > 0 ? _windowed_h : kScreenHeight;
    int cw = 0, ch = 0;
    SDL_GetWindowSize(_window, &cw, &ch);
    if (cw != w || ch != h) SDL_SetWindowSize(_window, w, h);
    const int index = std::max(SDL_GetWindowDisplayIndex(_window), 0);
    if (_windowed_place_known)
        SDL_SetWindowPosition(_window, _windowed_x, _windowed_y);
    else
        SDL_SetWindowPosition(_window, SDL_WINDOWPOS_CENTERED_DISPLAY(index), SDL_WINDOWPOS_CENTERED_DISPLAY(index));
}

void CGraphics::Release()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        if (_renderer) SDL_DestroyRenderer(_renderer);
        if (_window) SDL_DestroyWindow(_window);
        if (_owns_video) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    _renderer = nullptr;
    _window = nullptr;
    _owns_video = false;
}

void CGraphics::SetGammaLevel(int level)
{
    _gamma_level = std::max(level, 0);
    _gamma_applied = true;
}

void CGraphics::RestoreGamma()
{
    _gamma_applied = false;
}

void CGraphics::ApplyGamma()
{
    _gamma_applied = true;
}

int CGraphics::GetGammaAdd() const
{
    if (!_gamma_applied) return 0;
    return std::min(std::min(_gamma_level, 26) * 10, 255);
}

void CGraphics::DrawGammaOverlay()
{
    if (_renderer && _before_direct_draw) _before_direct_draw();
    const int add = GetGammaAdd();
    if (!_renderer || add <= 0) return;
    SDL_SetRenderDrawBlendMode(_renderer, SDL_BLENDMODE_ADD);
    SDL_SetRenderDrawColor(_renderer, Uint8(add), Uint8(add), Uint8(add), 255);
    SDL_RenderFillRect(_renderer, nullptr);
    SDL_SetRenderDrawBlendMode(_renderer, SDL_BLENDMODE_BLEND);
}

void CGraphics::SetWorldTransform(float angle, float x, float y)
{
    const double rad = double(angle) * 0.017453292;
    _world_x = x;
    _world_y = y;
    _cos = float(std::cos(rad));
    _sin = float(std::sin(rad));
    _world_identity = angle == 0.0f && x == -kScreenWidth / 2.0f && y == -kScreenHeight / 2.0f;
}

bool CGraphics::Clear(uint32_t argb)
{
    if (!_renderer) return false;
    // Only the screen area takes the colour. Where it is letterboxed, the bars are cleared to
    // black once after the window's size changed: the software renderer's window keeps its pixels
    // from frame to frame, other renderers' back buffers do not, so those clear them every frame.
    SDL_Rect vp;
    SDL_RenderGetViewport(_renderer, &vp);
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(_renderer, &ow, &oh);
    const bool bars = vp.x != 0 || vp.y != 0;
    const bool changed = !_bars_software || ow != _bars_w || oh != _bars_h;
    if (bars && changed) {
        SDL_SetRenderDrawColor(_renderer, 0, 0, 0, 255);
        if (SDL_RenderClear(_renderer) != 0) return false;
    }
    _bars_w = ow;
    _bars_h = oh;
    SDL_SetRenderDrawColor(_renderer, Uint8(argb >> 16), Uint8(argb >> 8), Uint8(argb), 255);
    if (!bars) return SDL_RenderClear(_renderer) == 0;
    SDL_SetRenderDrawBlendMode(_renderer, SDL_BLENDMODE_NONE);
    const bool ok = SDL_RenderFillRect(_renderer, nullptr) == 0;
    SDL_SetRenderDrawBlendMode(_renderer, SDL_BLENDMODE_BLEND);
    return ok;
}

bool CGraphics::Present()
{
    if (!_renderer) return false;
    SDL_RenderPresent(_renderer);
    return true;
}

bool CGraphics::ReadScreen(const std::function<void()>& redraw, std::vector<uint8_t>& pixels, int& w, int& h)
{
    // The frame drawn again into a texture of the screen's own size, whatever the window's size.
    SDL_Texture* target = redraw ? SDL_CreateTexture(_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                                     kScreenWidth, kScreenHeight)
                                 : nullptr;
    if (target && SDL_SetRenderTarget(_renderer, target) == 0) {
        redraw();
        w = kScreenWidth;
        h = kScreenHeight;
        pixels.resize(size_t(w) * size_t(h) * 4);
        const bool ok = SDL_RenderReadPixels(_renderer, nullptr, SDL_PIXELFORMAT_BGRA32, pixels.data(), w * 4) == 0;
        if (!ok) GetLog().Error("Error: failed to read the frame: %s", SDL_GetError());
        SDL_SetRenderTarget(_renderer, nullptr);
        SDL_DestroyTexture(target);
        return ok;
    }
    if (target) SDL_DestroyTexture(target);

    // Without render targets: the screen area as the window shows it.
    SDL_Rect vp;
    float sx = 1.0f, sy = 1.0f;
    SDL_RenderGetViewport(_renderer, &vp);
    SDL_RenderGetScale(_renderer, &sx, &sy);
    w = int(std::floor(vp.w * sx));
    h = int(std::floor(vp.h * sy));
    if (w <= 0 || h <= 0 || w > 0xFFFF || h > 0xFFFF) return false;
    pixels.resize(size_t(w) * size_t(h) * 4);
    if (SDL_RenderReadPixels(_renderer, nullptr, SDL_PIXELFORMAT_BGRA32, pixels.data(), w * 4) != 0) {
        GetLog().Error("Error: failed to read the frame: %s", SDL_GetError());
        return false;
    }
    return true;
}

bool CGraphics::SaveScreenshot(const std::string& path, const std::function<void()>& redraw)
{
    if (!_renderer) return false;
    if (_before_direct_draw) _before_direct_draw();
    std::vector<uint8_t> pixels;
    int w = 0, h = 0;
    if (!ReadScreen(redraw, pixels, w, h)) return false;

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                          uint8_t(w & 0xFF), uint8_t(w >> 8), uint8_t(h & 0xFF), uint8_t(h >> 8),
                          32, 8};
    bool ok = std::fwrite(header, sizeof header, 1, f) == 1;
    // Rows bottom-up; the frame has no meaningful alpha, so every pixel is written opaque.
    std::vector<uint8_t> row(size_t(w) * 4);
    for (int y = h - 1; ok && y >= 0; --y) {
        std::copy_n(pixels.data() + size_t(y) * w * 4, row.size(), row.data());
        for (size_t i = 3; i < row.size(); i += 4) row[i] = 0xFF;
        ok = std::fwrite(row.data(), row.size(), 1, f) == 1;
    }
    if (std::fclose(f) != 0) ok = false;
    // A shot cut short is not kept.
    if (!ok) std::remove(path.c_str());
    return ok;
}
