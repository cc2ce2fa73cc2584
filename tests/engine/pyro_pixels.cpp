// A seeded burst drawn by the real engine core on the software renderer, read back and compared
// with a small reference picture. ZF_UPDATE_PYRO_REFERENCE=1 writes the reference instead.
#include "engine/engine_core.h"
#include "engine/engine_pyro2.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

constexpr int kSide = 96;                 // the compared square, the burst at its centre
const char* const kReference = ZF_TEST_DATA_DIR "/pyro/BurstReference.png";

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

uint32_t PixelAt(const SDL_Surface* s, int x, int y)
{
    return *reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * 4);
}

} // namespace

TEST(PyroPixels, SeededBurstMatchesTheReference)
{
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(ZF_TEST_DATA_DIR "/pyro");
    CEngineCore& core = CEngineCore::Instance();
    ASSERT_TRUE(core.Init("ZerafineTest", "Zerafine particles", true));
    g_EngineCore = &core;
    ASSERT_TRUE(InitPyro(core.GetDevice(), "Test.pyro"));
    SetPyroSeed(2024);

    CPyro2 pyro;
    pyro.AddEmitter("PixelBurst", kSide / 2, kSide / 2);
    core.SetFrameTime(0.016f);
    SurfacePtr shot(SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32, SDL_PIXELFORMAT_ARGB8888));
    ASSERT_TRUE(shot);
    for (int frame = 0; frame < 25; ++frame) {
        ASSERT_TRUE(core.BeginFrame());
        core.Clear(0xFF203048);
        pyro.Render();
        if (frame == 24) {
            const SDL_Rect rect {0, 0, kSide, kSide};
            ASSERT_EQ(SDL_RenderReadPixels(core.GetDevice(), &rect, SDL_PIXELFORMAT_ARGB8888, shot->pixels, shot->pitch), 0)
                << SDL_GetError();
        }
        core.EndFrame();
    }
    ShutdownPyro();
    std::filesystem::current_path(cwd);

    if (std::getenv("ZF_UPDATE_PYRO_REFERENCE")) {
        ASSERT_EQ(IMG_SavePNG(shot.get(), kReference), 0) << IMG_GetError();
        GTEST_SKIP() << "reference written: " << kReference;
    }
    SurfacePtr loaded(IMG_Load(kReference));
    ASSERT_TRUE(loaded) << "no reference picture " << kReference << " (" << IMG_GetError() << ")";
    SurfacePtr ref(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_ARGB8888, 0));
    ASSERT_TRUE(ref);
    ASSERT_EQ(ref->w, kSide);
    ASSERT_EQ(ref->h, kSide);

    // small differences of filtering are allowed; a moved, missing or recoloured particle is not
    int off = 0, lit = 0;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const uint32_t a = PixelAt(shot.get(), x, y), b = PixelAt(ref.get(), x, y);
            int worst = 0;
            for (int shift = 0; shift < 24; shift += 8)
                worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
            if (worst > 24) ++off;
            if (b != 0xFF203048) ++lit;
        }
    EXPECT_GT(lit, kSide * kSide / 10) << "the reference shows hardly any particles";
    EXPECT_LE(off, kSide * kSide / 100) << off << " pixels differ from the reference";
}
