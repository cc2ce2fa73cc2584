// A sprite explosion drawn by the real engine core on the software renderer: it shows at its spot
// while its one pass plays and leaves nothing behind afterwards.
#include "game/game_explosions.h"

#include "engine/core/engine_core_internal.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_texture.h"
#include "support/pixel_compare.h"
#include "support/test_support.h"

#include <SDL.h>
#include <gtest/gtest.h>

using zftest::ChannelDistance;
using zftest::PixelAt;
using zftest::SurfacePtr;

namespace {
constexpr uint32_t kBackground = 0xFF203040;
constexpr uint32_t kWhite = 0xFFFFFFFF;
} // namespace

TEST(ExplosionPixels, ASpriteShowsAtItsSpotForOnePassThenNothingIsLeft)
{
    zftest::ScopedChdir dir(ZF_TEST_DATA_DIR "/game/explosions");
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    CEngineCore& core = CEngineCore::Instance();
    ASSERT_TRUE(core.GetDevice() || core.Init("ZerafineTest", "Zerafine explosions", true)) << SDL_GetError();
    IEngineCore* previous = g_EngineCore;
    g_EngineCore = &core;

    std::vector<SurfacePtr> shots;
    {
        CExplosion manager;
        // 101 by 50 pixels with its corner at (150, 75); both frames show the dot's lower right quarter
        manager.Start("Spark", 200.7f, 100.2f);
        for (int frame = 0; frame < 3; ++frame) {
            if (!core.BeginFrame()) break;
            core.Clear(kBackground);
            manager.Render();
            core.EndFrame();
            // the engine core draws a frame's calls when the frame ends
            shots.push_back(zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, 300, 200}));
        }
    }
    CTextureCacher::Instance().Clear();
    CAniCacher::Instance().Clear();
    g_EngineCore = previous;
    ASSERT_EQ(shots.size(), 3u);

    const struct {
        int x, y;
        uint32_t first, second, third;
        const char* what;
    } cases[] = {
        {175, 87, kWhite, kWhite, kBackground, "inside the dot"},
        {145, 87, kBackground, kBackground, kBackground, "left of the sprite"},
        {175, 70, kBackground, kBackground, kBackground, "above the sprite"},
    };
    for (const auto& c : cases) {
        const uint32_t want[] = {c.first, c.second, c.third};
        for (int frame = 0; frame < 3; ++frame) {
            ASSERT_TRUE(shots[frame]) << SDL_GetError();
            EXPECT_LE(ChannelDistance(PixelAt(shots[frame].get(), c.x, c.y), want[frame]), 24)
                << c.what << ", frame " << frame << std::hex << ": " << PixelAt(shots[frame].get(), c.x, c.y);
        }
    }
}
