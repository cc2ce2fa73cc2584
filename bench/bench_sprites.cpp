// Frame cost of n batched 32 x 32 sprites on one texture, drawn by the real engine core on the
// software renderer with the dummy video driver: axis-aligned and untinted, or turned and tinted.
// Every sprite moves each frame, so every frame rebuilds the batch.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "bench_engine.h"
#include "engine/core/engine_core_internal.h"
#include "engine/render/engine_render.h"
#include "engine/render/engine_texture.h"

namespace {

// A 64 x 64 texture of four 32 x 32 pictures with soft edges.
CTexturePtr MakeTexture()
{
    auto texture = std::make_shared<CTexture>("BENCH(sprites)");
    std::vector<uint32_t> pixels(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int dx = (x % 32) - 16, dy = (y % 32) - 16;
            const uint32_t a = dx * dx + dy * dy < 196 ? 0xFF : 0x40;
            pixels[y * 64 + x] = (a << 24) | (uint32_t(x * 4) << 16) | (uint32_t(y * 4) << 8) | 0x80;
        }
    texture->Create(64, 64, pixels.data());
    return texture;
}

void BM_SpriteFrame(benchmark::State& state)
{
    CEngineCore* core = zfbench::HeadlessEngine();
    if (!core) {
        state.SkipWithError("no renderer");
        return;
    }
    const int n = int(state.range(0));
    const bool turned = state.range(1) != 0;
    auto renderer = std::make_shared<CRenderer>(MakeTexture());
    std::vector<std::unique_ptr<CSprite>> sprites;
    for (int i = 0; i < n; ++i) {
        const float l = float((i % 2) * 32), t = float((i / 2 % 2) * 32);
        auto s = std::make_unique<CSprite>(FRect{0, 0, 32, 32}, FRect{l, t, l + 32, t + 32});
        if (turned) {
            s->SetAngle(float(i * 7 % 360));
            s->SetColor(0xC0000000u | (uint32_t(i * 0x1F3D5B) & 0x00FFFFFFu));
        }
        s->SetRenderer(renderer);
        sprites.push_back(std::move(s));
    }
    int frame = 0;
    for (auto _ : state) {
        ++frame;
        for (int i = 0; i < n; ++i)
            sprites[i]->SetPosition(float((i * 23 + frame) % 768), float((i * 37 + frame) % 568));
        core->BeginFrame();
        core->Clear(0xFF203040u);
        renderer->Draw();
        core->EndFrame();
    }
    state.SetItemsProcessed(state.iterations() * n);
    sprites.clear();
    renderer.reset();
}
BENCHMARK(BM_SpriteFrame)
    ->ArgsProduct({{200, 1000, 5000}, {0, 1}})
    ->ArgNames({"sprites", "turned_tinted"})
    ->Unit(benchmark::kMicrosecond);

} // namespace
