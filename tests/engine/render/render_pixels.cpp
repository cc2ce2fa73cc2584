// Rotated, tinted, animated sprites with a shadow under a half-done fade, drawn by the real engine
// core on the software renderer, read back and compared with a small reference picture.
// ZF_UPDATE_RENDER_REFERENCE=1 writes the reference instead (look at it before committing it).
#include "engine/render/cross_fader.h"
#include "engine/core/engine_core_internal.h"
#include "engine/base/engine_layout.h"
#include "engine/render/engine_render.h"
#include "support/render_test_util.h"
#include "support/pixel_compare.h"
#include "support/test_support.h"

#include <SDL.h>
#include <gtest/gtest.h>

using namespace rendertest;
using zftest::ChannelDistance;
using zftest::PixelAt;
using zftest::SurfacePtr;

namespace {

constexpr int kWidth = 128;
constexpr int kHeight = 96;
constexpr uint32_t kBackground = 0xFF3C6490;
const std::string kReference = kFixtureDir + "/PixelReference.png";
constexpr const char* kAtlas = "Textures\\Atlas.png";

int Channel(uint32_t argb, int shift)
{
    return int((argb >> shift) & 0xFF);
}

// Draws the scene and returns the top-left kWidth x kHeight pixels of the last frame.
SurfacePtr DrawScene()
{
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    CEngineCore& core = CEngineCore::Instance();
    if (!core.GetDevice() && !core.Init("ZerafineTest", "Zerafine sprites", true)) return nullptr;
    IEngineCore* previous = g_EngineCore;
    g_EngineCore = &core;
    CTextureCacher::Instance().Clear();

    SurfacePtr shot;
    {
        // An animated strip of four framed squares, turned by 30 degrees, tinted warm, with a shadow.
        GraphicsDesc strip = Desc(kAtlas, 32, 32, 0, 0, 0, 0, 0xFFFFD0A0, 30);
        strip.animation = kFixtureDir + "/Anims/Strip.xml";
        CSprite animated;
        animated.Init(12, 12, strip, true);
        animated.PlayAnimation(0);  // held still until the last frames

        // A white block turned by 45 degrees about a point off its centre, tinted translucent violet.
        CRenderKeeper keeper;
        CSprite block(70, 20, Desc(kAtlas, 40, 16, 0, 16, 64, 32, 0xC0A040FF), keeper);
        block.SetPivot(-10, 0);
        block.SetPosition(70, 20);
        block.SetAngle(45);
        // A still frame of the strip, mirrored and tinted green, from the same batch.
        CSprite still(20, 60, Desc(kAtlas, 24, 24, 48, 0, 64, 16, 0xFF80FF80), keeper);
        still.SetFlip(true, false);

        CCrossFader fader;
        fader.Init(4);
        fader.StartFadeOut(0, 255);

        for (int frame = 0; frame <= 32; ++frame) {
            if (!core.BeginFrame()) return nullptr;
            core.Clear(kBackground);
            if (frame == 28) animated.PlayAnimation(5);
            animated.Draw();
            keeper.Draw();
            fader.Draw();  // drawn at alpha 4 * frame: 128 on the last frame
            if (frame == 32) {
                shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, kWidth, kHeight});
                if (!shot) return nullptr;
            }
            core.EndFrame();
        }
    }
    CTextureCacher::Instance().Clear();
    g_EngineCore = previous;
    return shot;
}

TEST(RenderPixels, SpritesUnderAFadeMatchTheReference)
{
    ScopedChdir dir(kFixtureDir);
    SurfacePtr shot = DrawScene();
    ASSERT_TRUE(shot) << SDL_GetError();

    // Small differences of filtering at the edges are allowed; a moved, missing or recoloured
    // sprite is not.
    const zftest::PixelComparison compared =
        zftest::CompareWithReference(shot.get(), kReference, "ZF_UPDATE_RENDER_REFERENCE", 24);
    if (compared.written) GTEST_SKIP() << "reference written: " << kReference;
    ASSERT_EQ(compared.error, "");

    // What the picture must show, whatever the reference says: the background darkened by half,
    // the blue frame of the strip tinted warm, the shadow darker than the background.
    const uint32_t half_dark = 0xFF1E3248;
    EXPECT_LE(ChannelDistance(PixelAt(shot.get(), 2, 90), half_dark), 3);
    const uint32_t centre = PixelAt(shot.get(), 28, 28);  // blue frame (50, 80, 230) x tint / 2
    EXPECT_LE(ChannelDistance(centre, 0xFF192148), 12) << std::hex << centre;
    const uint32_t shadow = PixelAt(shot.get(), 42, 46);
    EXPECT_LT(Channel(shadow, 0), Channel(half_dark, 0) - 10) << std::hex << shadow;

    EXPECT_LE(compared.differing, kWidth * kHeight / 100) << compared.differing << " pixels differ from the reference";
}

} // namespace
