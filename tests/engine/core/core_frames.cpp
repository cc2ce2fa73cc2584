// A still screen costs nothing: a frame that draws exactly what the shown one did is neither drawn
// nor presented, while any change, an expose of the window or a new texture shows the new frame.
// Letterboxed, the bars around the screen are black.
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <string>

#include "core_test_util.h"

using namespace coretest;

namespace {

constexpr uint32_t kBlue = 0xFF203C64u, kRed = 0xFFE02020u, kGreen = 0xFF20C040u, kGrey = 0xFF808080u;

struct Picture {
    uint32_t clear = kBlue;
    uint32_t first = kRed;       // colour of the quad at (100, 100)
    bool second = true;          // the green quad at (400, 300)
    bool third = false;          // a grey quad at (600, 100)
};

void Draw(const Picture& p)
{
    CEngineCore& core = Engine();
    core.PumpEvents();
    ASSERT_TRUE(core.BeginFrame());
    core.Clear(p.clear);
    core.SetTexture(0, nullptr);
    VERTEX_2DPNT1 v[4];
    Quad(v, 100, 100, 200, 200, p.first);
    core.DrawQuads(v, 1, sizeof v[0]);
    if (p.second) {
        Quad(v, 400, 300, 500, 400, kGreen);
        core.DrawQuads(v, 1, sizeof v[0]);
    }
    if (p.third) {
        Quad(v, 600, 100, 700, 200, kGrey);
        core.DrawQuads(v, 1, sizeof v[0]);
    }
    ASSERT_TRUE(core.EndFrame());
}

void PushWindowEvent(SDL_WindowEventID id)
{
    SDL_Event e {};
    e.type = SDL_WINDOWEVENT;
    e.window.event = id;
    e.window.windowID = SDL_GetWindowID(Engine().GetWindow());
    SDL_PushEvent(&e);
}

TEST(ShownFrames, OnlyAChangedFrameIsDrawnAndPresented)
{
    const Picture base;
    struct Case {
        const char* what;
        Picture next;
        std::function<void()> before;
        bool presented;
    } cases[] = {
        {"the same frame", base, nullptr, false},
        {"another clear colour", Picture {kGrey, kRed, true, false}, nullptr, true},
        {"a quad of another colour", Picture {kBlue, kGrey, true, false}, nullptr, true},
        {"one more quad", Picture {kBlue, kRed, true, true}, nullptr, true},
        {"one quad less", Picture {kBlue, kRed, false, false}, nullptr, true},
        {"the same frame after an expose", base, [] { PushWindowEvent(SDL_WINDOWEVENT_EXPOSED); }, true},
        {"the same frame after a new texture", base, [] { Engine().InvalidateFrame(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Draw(base);
        Draw(base);
        const uint32_t presents = Engine().GetPresentCount();
        if (c.before) c.before();
        Draw(c.next);
        EXPECT_EQ(Engine().GetPresentCount() - presents, c.presented ? 1u : 0u);
        // What the frame shows, whether drawn again or not.
        EXPECT_EQ(ReadPixel(50, 50), c.next.clear);
        EXPECT_EQ(ReadPixel(150, 150), c.next.first);
        EXPECT_EQ(ReadPixel(450, 350), c.next.second ? kGreen : c.next.clear);
        EXPECT_EQ(ReadPixel(650, 150), c.next.third ? kGrey : c.next.clear);
    }
}

TEST(ShownFrames, AScreenshotOfAnUnchangedFrameHoldsThePicture)
{
    zftest::TempDir dir;
    const std::string folder = dir.path() + "/";
    const Picture base;
    Draw(base);
    Draw(base);
    CEngineCore& core = Engine();
    // A back buffer that does not keep the shown frame (as accelerated renderers' do not).
    SDL_Surface* surface = SDL_GetWindowSurface(core.GetWindow());
    ASSERT_NE(surface, nullptr);
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 255, 255, 255));
    ASSERT_TRUE(core.BeginFrame());
    core.Clear(base.clear);
    VERTEX_2DPNT1 v[4];
    Quad(v, 100, 100, 200, 200, base.first);
    core.DrawQuads(v, 1, sizeof v[0]);
    // Mid-frame, with the frame so far equal to the shown one.
    ASSERT_TRUE(core.SaveScreenshot(folder));
    core.EndFrame();
    const std::string tga = zftest::ReadTextFile(folder + "00000000.tga");
    ASSERT_EQ(tga.size(), 18u + 800u * 600u * 4u);
    // Bottom-up rows: the pixel (150, 150) lies in row 449 of the file.
    const size_t at = 18 + (size_t(449) * 800 + 150) * 4;
    EXPECT_EQ(uint8_t(tga[at + 2]), 0xE0);
    EXPECT_EQ(uint8_t(tga[at + 1]), 0x20);
}

TEST(ShownFrames, ScreenshotsAreTheScreensOwnPictureWhateverTheWindowSize)
{
    CEngineCore& core = Engine();
    struct Case { int w, h; } sizes[] = {{800, 600}, {1000, 600}, {1920, 1080}, {640, 480}};
    for (const Case& size : sizes) {
        SCOPED_TRACE(std::to_string(size.w) + " x " + std::to_string(size.h));
        SDL_SetWindowSize(core.GetWindow(), size.w, size.h);
        zftest::TempDir dir;
        Draw(Picture {});
        ASSERT_TRUE(core.BeginFrame());
        core.Clear(kBlue);
        VERTEX_2DPNT1 v[8];
        Quad(v, 0, 0, 800, 1, kRed);            // top row
        Quad(v + 4, 0, 599, 800, 600, kGreen);  // bottom row
        core.DrawQuads(v, 2, sizeof v[0]);
        ASSERT_TRUE(core.SaveScreenshot(dir.path() + "/"));
        core.EndFrame();
        const std::string tga = zftest::ReadTextFile(dir / "00000000.tga");
        ASSERT_EQ(tga.size(), 18u + 800u * 600u * 4u);
        EXPECT_EQ(uint8_t(tga[12]) | uint8_t(tga[13]) << 8, 800);
        EXPECT_EQ(uint8_t(tga[14]) | uint8_t(tga[15]) << 8, 600);
        auto pixel = [&tga](int x, int row_in_file) {
            const uint8_t* p = reinterpret_cast<const uint8_t*>(tga.data()) + 18 + (size_t(row_in_file) * 800 + x) * 4;
            return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        };
        EXPECT_EQ(pixel(0, 0), kGreen);
        EXPECT_EQ(pixel(799, 1), kBlue);
        EXPECT_EQ(pixel(799, 599), kRed);
        EXPECT_EQ(pixel(0, 598), kBlue);
    }
    SDL_SetWindowSize(core.GetWindow(), 800, 600);
    Draw(Picture {});
}

TEST(ShownFrames, LetterboxBarsAreBlackAfterAResize)
{
    CEngineCore& core = Engine();
    SDL_Window* window = core.GetWindow();
    SDL_SetWindowSize(window, 1000, 600);
    core.PumpEvents();
    // Whatever the window held before: the bars are cleared with the first frame of the new size.
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    ASSERT_NE(surface, nullptr);
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 255, 255, 255));
    for (int i = 0; i < 3; ++i) Draw(Picture {});
    surface = SDL_GetWindowSurface(window);
    ASSERT_EQ(surface->w, 1000);
    auto at = [surface](int x, int y) {
        Uint8 r, g, b;
        SDL_GetRGB(*reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch + x * 4),
                   surface->format, &r, &g, &b);
        return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    };
    EXPECT_EQ(at(10, 300), 0xFF000000u);
    EXPECT_EQ(at(990, 300), 0xFF000000u);
    EXPECT_EQ(at(150, 50), kBlue);
    EXPECT_EQ(at(100 + 150, 150), kRed);
    SDL_SetWindowSize(window, 800, 600);
    core.PumpEvents();
    Draw(Picture {});
}

} // namespace
