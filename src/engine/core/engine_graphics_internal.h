// The graphics holder of the engine core: the main window and its renderer. The screen is a logical
// 800 x 600 area, letterboxed into a resizable window or into desktop full screen. The gamma level
// is shown by adding a grey of 10 x level to every pixel just before the frame is presented, which
// is what the brightness ramp min(level * 2560 + i * 256, 65535) does to an 8-bit channel.
// Engine-internal: nothing above the engine includes this header.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SDL_Window;
struct SDL_Renderer;
union SDL_Event;

class CGraphics {
public:
    static constexpr int kScreenWidth = 800;
    static constexpr int kScreenHeight = 600;

    CGraphics();
    ~CGraphics();
    CGraphics(const CGraphics&) = delete;
    CGraphics& operator=(const CGraphics&) = delete;

    // Opens the window and its renderer (accelerated when available, software otherwise).
    // False, logged, when there is no display or no renderer.
    bool Create(const char* class_name, const char* title, bool windowed);
    // After a renderer reset: render states and gamma again. False without a renderer.
    bool Reset();
    // Switches between a window and desktop full screen; false (mode unchanged) when it fails.
    bool ToggleMode();
    void Release();

    void SetGammaLevel(int level);
    // Takes the gamma level off the screen (the level is kept for the next SetGammaLevel/Activate).
    void RestoreGamma();
    // Puts the stored level back on the screen.
    void ApplyGamma();
    int GetGammaLevel() const { return _gamma_level; }
    // The grey added to each channel at present (0 while the gamma is taken off).
    int GetGammaAdd() const;
    // Draws the gamma overlay over the frame.
    void DrawGammaOverlay();

    // World transform: a vertex is moved by (x, y), then turned about the origin by the angle in
    // degrees; the result is relative to the screen centre.
    void SetWorldTransform(float angle, float x, float y);
    // Applies the world transform to a point given in screen pixels.
    void TransformPoint(float& x, float& y) const
    {
        const float px = x + _world_x, py = y + _world_y;
        x = px * _cos - py * _sin + kScreenWidth / 2;
        y = px * _sin + py * _cos + kScreenHeight / 2;
    }
    bool IsWorldIdentity() const { return _world_identity; }

    // Called before the holder draws or reads the frame itself (the gamma overlay, screenshots), so
    // that draws the owner holds back reach the renderer first.
    void SetBeforeDirectDraw(std::function<void()> before) { _before_direct_draw = std::move(before); }

    // Logical size, blending and filtering of the renderer.
    void SetupRenderStates();

    // Writes the frame as an uncompressed 32-bit TGA of the screen's 800 x 600, rows bottom-up:
    // `redraw` draws the frame again into a texture of that size (without it, or where the renderer
    // has no render targets, the letterboxed area of the window is read as it is). False when the
    // frame cannot be read or the file cannot be written.
    bool SaveScreenshot(const std::string& path, const std::function<void()>& redraw = nullptr);

    bool Clear(uint32_t argb);
    bool Present();

    SDL_Window* GetWindow() const { return _window; }
    SDL_Renderer* GetDevice() const { return _renderer; }
    bool IsWindowed() const { return _windowed; }

private:
    void ReportDevice();
    bool ReadScreen(const std::function<void()>& redraw, std::vector<uint8_t>& pixels, int& w, int& h);
    // Puts the window back at its windowed size and place.
    void RestoreWindowPlace();

    SDL_Window* _window = nullptr;
    SDL_Renderer* _renderer = nullptr;
    bool _owns_video = false;
    bool _windowed = true;
    int _gamma_level = 0;
    bool _gamma_applied = true;
    float _world_x = -kScreenWidth / 2.0f, _world_y = -kScreenHeight / 2.0f;
    float _cos = 1.0f, _sin = 0.0f;
    bool _world_identity = true;
    // The window's size and place before full screen (the place only once it has been windowed).
    int _windowed_w = kScreenWidth, _windowed_h = kScreenHeight;
    int _windowed_x = 0, _windowed_y = 0;
    bool _windowed_place_known = false;
    // The window size whose letterbox bars were last cleared; whether they stay cleared.
    int _bars_w = 0, _bars_h = 0;
    bool _bars_software = false;
    std::function<void()> _before_direct_draw;
};
