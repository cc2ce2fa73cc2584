// Shortcuts of the drawing that must not change a pixel: opaque textures are copied instead of
// blended, and a tint that stays is multiplied into a copy of the texture once. Drawn by the real
// engine core on the software renderer and read back.
#include "engine/core/engine_core_internal.h"
#include "engine/render/engine_render.h"
#include "support/pixel_compare.h"
#include "support/render_test_util.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

using zftest::PixelAt;
using zftest::SurfacePtr;

namespace {

constexpr uint32_t kBackground = 0xFF3C6490;

CEngineCore& Core()
{
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    CEngineCore& core = CEngineCore::Instance();
    if (!core.GetDevice()) core.Init("ZerafineTest", "Zerafine copies", true);
    g_EngineCore = &core;
    return core;
}

// A 16 x 16 texture of stripes; the given pixel takes the given value.
CTexturePtr Stripes(uint32_t odd_pixel = 0xFFC08040u, int at = 0)
{
    std::vector<uint32_t> pixels(256);
    for (int i = 0; i < 256; ++i) pixels[i] = (i / 16) % 2 ? 0xFF40A0E0u : 0xFFF0E010u;
    pixels[at] = odd_pixel;
    auto texture = std::make_shared<CTexture>("TEST(stripes)");
    texture->Create(16, 16, pixels.data());
    return texture;
}

// One frame with the sprite drawn over the background; the 48 x 48 pixels from (0, 0).
SurfacePtr Frame(CSprite& sprite)
{
    CEngineCore& core = Core();
    core.InvalidateFrame();
    if (!core.BeginFrame()) return nullptr;
    core.Clear(kBackground);
    sprite.Draw();
    SurfacePtr shot = zftest::ReadBack(core.GetDevice(), SDL_Rect {0, 0, 48, 48});
    core.EndFrame();
    return shot;
}

// The colour the renderer's blending gives: src x alpha + dst x (1 - alpha), per channel.
uint32_t Blend(uint32_t src, uint32_t alpha, uint32_t dst)
{
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        out |= ((s * alpha + d * (255 - alpha)) / 255) << shift;
    }
    return out;
}

TEST(DrawingCopies, OpaqueAndTranslucentTexturesShowAsTheirAlphaSays)
{
    struct Case {
        const char* what;
        uint32_t odd_pixel;      // the texture's pixel (0, 0)
        uint32_t alpha;          // the sprite's alpha
    } cases[] = {
        {"opaque texture at full alpha", 0xFFC08040u, 0xFF},
        {"one translucent pixel", 0x80C08040u, 0xFF},
        {"one transparent pixel", 0x00C08040u, 0xFF},
        {"opaque texture at half alpha", 0xFFC08040u, 0x80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSprite sprite(FRect {8, 8, 24, 24}, FRect {0, 0, 16, 16});
        sprite.SetTexture(Stripes(c.odd_pixel));
        sprite.SetAlpha(c.alpha);
        // Twice: the second frame draws with what the first one learnt of the texture.
        for (int i = 0; i < 2; ++i) {
            SurfacePtr shot = Frame(sprite);
            ASSERT_TRUE(shot);
            const uint32_t a = (c.odd_pixel >> 24) * c.alpha / 255;
            EXPECT_LE(zftest::ChannelDistance(PixelAt(shot.get(), 8, 8), Blend(c.odd_pixel, a, kBackground)), 1);
            EXPECT_LE(zftest::ChannelDistance(PixelAt(shot.get(), 12, 8), Blend(0xFFF0E010u, c.alpha, kBackground)), 1);
            EXPECT_LE(zftest::ChannelDistance(PixelAt(shot.get(), 12, 9), Blend(0xFF40A0E0u, c.alpha, kBackground)), 1);
            EXPECT_EQ(PixelAt(shot.get(), 30, 30), kBackground);
        }
    }
    CTextureCacher::Instance().Clear();
}

TEST(DrawingCopies, ATintThatStaysShowsAsTheFirstFramesShowedIt)
{
    struct Case {
        const char* what;
        uint32_t odd_pixel;
        float angle;
    } cases[] = {
        {"opaque, upright", 0xFFC08040u, 0.0f},
        {"with a translucent pixel", 0x80C08040u, 0.0f},
        {"turned", 0xFFC08040u, 30.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSprite sprite(FRect {8, 8, 40, 40}, FRect {0, 0, 16, 16});
        sprite.SetTexture(Stripes(c.odd_pixel));
        sprite.SetAngle(c.angle);
        sprite.SetColor(0xFFB0B0B0u);
        SurfacePtr first = Frame(sprite);
        ASSERT_TRUE(first);
        SurfacePtr later;
        for (int i = 0; i < 5; ++i) later = Frame(sprite);
        ASSERT_TRUE(later);
        // Scaled up, the filter mixes a translucent texel with its neighbours before or after the
        // tint: a channel may differ by rounding there, by 2 at most.
        int differing = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x)
                if (zftest::ChannelDistance(PixelAt(first.get(), x, y), PixelAt(later.get(), x, y)) > 2) ++differing;
        EXPECT_EQ(differing, 0);

        // A new tint shows at once.
        sprite.SetColor(0xFF808080u);
        SurfacePtr darker = Frame(sprite);
        ASSERT_TRUE(darker);
        const uint32_t p = PixelAt(darker.get(), 24, 24), q = PixelAt(later.get(), 24, 24);
        EXPECT_LT(p & 0xFF, q & 0xFF);
        EXPECT_LT((p >> 16) & 0xFF, (q >> 16) & 0xFF);
    }
    CTextureCacher::Instance().Clear();
}

} // namespace
