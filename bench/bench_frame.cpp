// Cost of an empty frame (begin, clear, end) on the software renderer with the dummy video
// driver, and of one batched draw of sprite quads.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cstdlib>
#include <vector>

#include "engine/engine_core.h"

namespace {

CEngineCore* Engine()
{
    static CEngineCore* core = [] {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_RENDER_DRIVER", "software", 0);
        CEngineCore& c = CEngineCore::Instance();
        g_EngineCore = &c;
        return c.Init("Zerafine", "Zerafine bench", true) ? &c : nullptr;
    }();
    return core;
}

void BM_EmptyFrame(benchmark::State& state)
{
    CEngineCore* core = Engine();
    if (!core) {
        state.SkipWithError("no renderer");
        return;
    }
    core->SetGamma(int(state.range(0)));
    for (auto _ : state) {
        core->BeginFrame();
        core->Clear(0xFF000000u);
        core->EndFrame();
    }
    core->SetGamma(0);
}
BENCHMARK(BM_EmptyFrame)->Arg(0)->Arg(3)->ArgName("gamma")->Unit(benchmark::kMicrosecond);

// One frame drawing n untextured, axis-aligned 16 x 16 quads in one call.
void BM_FrameWithQuads(benchmark::State& state)
{
    CEngineCore* core = Engine();
    if (!core) {
        state.SkipWithError("no renderer");
        return;
    }
    const int n = int(state.range(0));
    std::vector<VERTEX_2DPNT1> v(size_t(n) * 4);
    for (int q = 0; q < n; ++q) {
        const float x = float((q * 23) % 780) - 0.5f, y = float((q * 37) % 580) - 0.5f;
        v[q * 4 + 0] = {x, y, 0, 0xFFC08040u, 0, 0};
        v[q * 4 + 1] = {x + 16, y, 0, 0xFFC08040u, 1, 0};
        v[q * 4 + 2] = {x, y + 16, 0, 0xFFC08040u, 0, 1};
        v[q * 4 + 3] = {x + 16, y + 16, 0, 0xFFC08040u, 1, 1};
    }
    for (auto _ : state) {
        core->BeginFrame();
        core->Clear(0xFF000000u);
        core->SetTexture(0, nullptr);
        core->DrawQuads(v.data(), unsigned(n), sizeof(VERTEX_2DPNT1));
        core->EndFrame();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_FrameWithQuads)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The same with a 16 x 16 texture: the sprites' usual case.
void BM_FrameWithTexturedQuads(benchmark::State& state)
{
    CEngineCore* core = Engine();
    if (!core) {
        state.SkipWithError("no renderer");
        return;
    }
    SDL_Texture* texture = SDL_CreateTexture(core->GetDevice(), SDL_PIXELFORMAT_ARGB8888,
                                             SDL_TEXTUREACCESS_STATIC, 16, 16);
    std::vector<uint32_t> pixels(256, 0xC0FF8040u);
    SDL_UpdateTexture(texture, nullptr, pixels.data(), 64);
    const int n = int(state.range(0));
    std::vector<VERTEX_2DPNT1> v(size_t(n) * 4);
    for (int q = 0; q < n; ++q) {
        const float x = float((q * 23) % 780) - 0.5f, y = float((q * 37) % 580) - 0.5f;
        v[q * 4 + 0] = {x, y, 0, 0xFFFFFFFFu, 0, 0};
        v[q * 4 + 1] = {x + 16, y, 0, 0xFFFFFFFFu, 1, 0};
        v[q * 4 + 2] = {x, y + 16, 0, 0xFFFFFFFFu, 0, 1};
        v[q * 4 + 3] = {x + 16, y + 16, 0, 0xFFFFFFFFu, 1, 1};
    }
    for (auto _ : state) {
        core->BeginFrame();
        core->Clear(0xFF000000u);
        core->SetTexture(0, texture);
        core->DrawQuads(v.data(), unsigned(n), sizeof(VERTEX_2DPNT1));
        core->EndFrame();
    }
    core->SetTexture(0, nullptr);
    SDL_DestroyTexture(texture);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_FrameWithTexturedQuads)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
