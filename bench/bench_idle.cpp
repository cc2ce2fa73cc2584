// Cost of an idle frame (nothing on the screen moves) of the main menu and of the game screen, as
// the real engine core draws them on the software renderer with the dummy video driver, at the
// game's own 800 x 600 and letterboxed into a 1920 x 1080 window. "drawn:1" makes every frame
// count as new (as when something moves), which shows what drawing the same picture costs.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "bench_engine.h"
#include "engine/core/engine_core_internal.h"
#include "engine/render/engine_render.h"
#include "engine/render/engine_texture.h"
#include "engine/text/engine_langtext.h"

namespace {

const FRect kScreen {0.0f, 0.0f, 800.0f, 600.0f};

std::unique_ptr<CSprite> Picture(const char* texture, const FRect& rect)
{
    auto sprite = std::make_unique<CSprite>();
    sprite->SetTexture(texture);
    const CTexturePtr& tex = sprite->GetRenderer() ? sprite->GetRenderer()->GetTexture() : CTexturePtr();
    const FRect tex_rect = tex && tex->IsLoaded() ? FRect {0.0f, 0.0f, tex->GetWidth(), tex->GetHeight()} : rect;
    sprite->SetRects(rect, FRect {0.0f, 0.0f, tex_rect.Width(), tex_rect.Height()});
    return sprite;
}

// What the main menu and the game screen draw while nothing moves.
struct Screens {
    std::unique_ptr<CSprite> background, title, game_background;
    std::unique_ptr<CStaticLabel> version;

    Screens()
    {
        std::filesystem::current_path(ZF_GAME_DATA_DIR);
        CTextKeeper::Instance().SelectLanguage(0);
        background = Picture("Textures\\Menu\\Background.png", kScreen);
        title = Picture("Textures\\Menu\\Logo.png", FRect {144.0f, 40.0f, 656.0f, 200.0f});
        game_background = Picture("Textures\\Menu\\Background.png", kScreen);
        game_background->SetColor(0xFFB0B0B0);
        version = std::make_unique<CStaticLabel>();
        version->SetLabel("VersionNumber");
        version->SetPosition(788.0f, 572.0f);
    }
};

void IdleFrame(benchmark::State& state, bool menu)
{
    CEngineCore* core = zfbench::HeadlessEngine();
    if (!core) {
        state.SkipWithError("no renderer");
        return;
    }
    static Screens screens;
    const int w = int(state.range(0)), h = int(state.range(1));
    const bool drawn = state.range(2) != 0;
    SDL_SetWindowSize(core->GetWindow(), w, h);
    core->PumpEvents();
    for (auto _ : state) {
        if (drawn) core->InvalidateFrame();
        core->BeginFrame();
        core->Clear(0);
        if (menu) {
            screens.background->Draw();
            screens.title->Draw();
            screens.version->Draw();
        } else {
            screens.game_background->Draw();
        }
        core->EndFrame();
    }
    SDL_SetWindowSize(core->GetWindow(), 800, 600);
    core->PumpEvents();
}

void Sizes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"w", "h", "drawn"});
    for (int drawn : {0, 1}) b->Args({800, 600, drawn})->Args({1920, 1080, drawn});
}

void BM_IdleMenuFrame(benchmark::State& state) { IdleFrame(state, true); }
BENCHMARK(BM_IdleMenuFrame)->Apply(Sizes)->Unit(benchmark::kMicrosecond);

void BM_IdleGameFrame(benchmark::State& state) { IdleFrame(state, false); }
BENCHMARK(BM_IdleGameFrame)->Apply(Sizes)->Unit(benchmark::kMicrosecond);

} // namespace
