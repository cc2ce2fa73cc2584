// A seeded burst drawn by the real engine core on the software renderer, read back and compared
// with a small reference picture. ZF_UPDATE_PYRO_REFERENCE=1 writes the reference instead.
#include "engine/core/engine_core_internal.h"
#include "engine/particles/engine_pyro2.h"
#include "support/pixel_compare.h"
#include "support/test_support.h"

#include <SDL.h>
#include <gtest/gtest.h>

using zftest::SurfacePtr;

namespace {

constexpr int kSide = 96;                 // the compared square, the burst at its centre
constexpr uint32_t kBackground = 0xFF203048;
const char* const kReference = ZF_TEST_DATA_DIR "/pyro/BurstReference.png";

} // namespace

TEST(PyroPixels, SeededBurstMatchesTheReference)
{
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    zftest::ScopedChdir dir(ZF_TEST_DATA_DIR "/pyro");
    CEngineCore& core = CEngineCore::Instance();
    ASSERT_TRUE(core.Init("ZerafineTest", "Zerafine particles", true));
    g_EngineCore = &core;
    ASSERT_TRUE(InitPyro("Test.pyro"));
    SetPyroSeed(2024);

    CPyro2 pyro;
    pyro.AddEmitter("PixelBurst", kSide / 2, kSide / 2);
    core.SetFrameTime(0.016f);
    SurfacePtr shot;
    for (int frame = 0; frame < 25; ++frame) {
        ASSERT_TRUE(core.BeginFrame());
        core.Clear(kBackground);
        pyro.Render();
        if (frame == 24) {
            shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, kSide, kSide});
            ASSERT_TRUE(shot) << SDL_GetError();
        }
        core.EndFrame();
    }
    ShutdownPyro();

    // small differences of filtering are allowed; a moved, missing or recoloured particle is not
    const zftest::PixelComparison compared =
        zftest::CompareWithReference(shot.get(), kReference, "ZF_UPDATE_PYRO_REFERENCE", 24);
    if (compared.written) GTEST_SKIP() << "reference written: " << kReference;
    ASSERT_EQ(compared.error, "");
    EXPECT_GT(zftest::CountOtherThan(compared.reference.get(), kBackground), kSide * kSide / 10)
        << "the reference shows hardly any particles";
    EXPECT_LE(compared.differing, kSide * kSide / 100) << compared.differing << " pixels differ from the reference";
}
