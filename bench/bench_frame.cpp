// Cost of an empty frame (begin, clear, end) on the software renderer with the dummy video
// driver, and of one batched draw of sprite quads, untextured or textured.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <vector>

#include "bench_engine.h"

namespace {

void BM_EmptyFrame(benchmark::State& state)
{
    CEngineCore* core = zfbench::HeadlessEngine();
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

// One frame drawing n axis-aligned 16 x 16 quads in one call: untextured and tinted, or with a
// 16 x 16 texture and white (the sprites' usual case).
void FrameWithQuads(benchmark::State& state, bool textured)
{
    CEngineCore* core = zfbench::HeadlessEngine();
    if (!core) {
        state.SkipWithError("no renderer");
        return;
    }
    SDL_Texture* texture = nullptr;
    if (textured) {
        texture = SDL_CreateTexture(core->GetDevice(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, 16, 16);
        std::vector<uint32_t> pixels(256, 0xC0FF8040u);
        SDL_UpdateTexture(texture, nullptr, pixels.data(), 64);
    }
    const uint32_t color = textured ? 0xFFFFFFFFu : 0xFFC08040u;
    const int n = int(state.range(0));
    std::vector<VERTEX_2DPNT1> v(size_t(n) * 4);
    for (int q = 0; q < n; ++q) {
        const float x = float((q * 23) % 780) - 0.5f, y = float((q * 37) % 580) - 0.5f;
        v[q * 4 + 0] = {x, y, 0, color, 0, 0};
        v[q * 4 + 1] = {x + 16, y, 0, color, 1, 0};
        v[q * 4 + 2] = {x, y + 16, 0, color, 0, 1};
        v[q * 4 + 3] = {x + 16, y + 16, 0, color, 1, 1};
    }
    for (auto _ : state) {
        core->BeginFrame();
        core->Clear(0xFF000000u);
        core->SetTexture(0, texture);
        core->DrawQuads(v.data(), unsigned(n), sizeof(VERTEX_2DPNT1));
        core->EndFrame();
    }
    core->SetTexture(0, nullptr);
    if (texture) SDL_DestroyTexture(texture);
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_FrameWithQuads(benchmark::State& state) { FrameWithQuads(state, false); }
BENCHMARK(BM_FrameWithQuads)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_FrameWithTexturedQuads(benchmark::State& state) { FrameWithQuads(state, true); }
BENCHMARK(BM_FrameWithTexturedQuads)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
