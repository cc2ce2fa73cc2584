// Helpers of the engine core tests: a headless engine on the software renderer, pushed SDL
// events, a settable clock and pixel read-back.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstdlib>

#include "support/test_support.h"
#include "engine/core/engine_core_internal.h"
#include "engine/core/engine_graphics_internal.h"

namespace coretest {

// Runs the engine on the dummy drivers unless told otherwise (ctest sets them; this covers running a
// test program by hand; the test main gives every process a user folder of its own).
inline void UseHeadlessEnvironment()
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

// The real engine core, initialised once per test program.
inline CEngineCore& Engine()
{
    CEngineCore& core = CEngineCore::Instance();
    if (!core.GetDevice()) {
        UseHeadlessEnvironment();
        core.Init("Zerafine", "Zerafine test", true);
    }
    g_EngineCore = &core;
    return core;
}

inline void PushKey(SDL_Scancode sc, bool down, uint16_t mod = 0)
{
    SDL_Event e {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

inline void PushButton(uint8_t button, bool down, int x = 0, int y = 0)
{
    SDL_Event e {};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
}

// A quad in sprite-layer coordinates (corners moved by -0.5) covering [l, r) x [t, b).
inline void Quad(VERTEX_2DPNT1* v, float l, float t, float r, float b, uint32_t color)
{
    v[0] = {l - 0.5f, t - 0.5f, 0, color, 0, 0};
    v[1] = {r - 0.5f, t - 0.5f, 0, color, 1, 0};
    v[2] = {l - 0.5f, b - 0.5f, 0, color, 0, 1};
    v[3] = {r - 0.5f, b - 0.5f, 0, color, 1, 1};
}

// One ARGB pixel of the frame (logical pixels; the headless window is not scaled).
inline uint32_t ReadPixel(int x, int y)
{
    uint32_t p = 0;
    SDL_Rect r {x, y, 1, 1};
    SDL_RenderReadPixels(CEngineCore::Instance().GetDevice(), &r, SDL_PIXELFORMAT_ARGB8888, &p, 4);
    return p;
}

} // namespace coretest
