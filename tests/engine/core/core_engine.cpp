// The engine core on the software renderer (dummy video driver): frames, drawing, gamma,
// screenshots, the mode toggle and device resets.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>
#include <sstream>
#include <vector>

#include "core_test_util.h"
#include "support/test_support.h"
#include "support/recording_sound_keeper.h"
#include "engine/core/engine_input.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_userfolder.h"

using namespace coretest;

namespace {

std::vector<int> g_fired;
void OnBefore() { g_fired.push_back(0); }
void OnAfter() { g_fired.push_back(1); }
void OnToggle() { g_fired.push_back(2); }

// Runs one frame of the engine with the events waiting in the queue.
void Frame(uint32_t clear = 0)
{
    CEngineCore& core = Engine();
    core.PumpEvents();
    ASSERT_TRUE(core.BeginFrame());
    core.Clear(clear);
    ASSERT_TRUE(core.EndFrame());
}

// The bytes of a file.
std::vector<uint8_t> ReadFile(const std::string& path)
{
    const std::string text = zftest::ReadTextFile(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

class EngineCore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Engine().GetDevice(), nullptr) << "the software renderer must open headless";
        g_fired.clear();
        // Start every test with all keys up and nothing pending.
        Engine().PumpEvents();
        for (int i = 0; i < 2; ++i) Frame();
    }
    void TearDown() override
    {
        for (int t = 0; t < 3; ++t) Engine().SetCallback(t, nullptr);
        Engine().SetGamma(0);
        Engine().Activate(true);
        Engine().SetWorldTransform(0, -400, -300);
        if (Engine().IsFullscreen()) Engine().ToggleFullscreen();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
};

} // namespace

TEST(ColorRGBA, ConvertsFromAndToArgb)
{
    ColorRGBA c(0x80FF0000u);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_FLOAT_EQ(c.g, 0.0f);
    EXPECT_FLOAT_EQ(c.b, 0.0f);
    EXPECT_NEAR(c.a, 128.0f / 255.0f, 1e-6);

    struct Case { ColorRGBA color; uint32_t argb; } cases[] = {
        {ColorRGBA(0x12345678u), 0x12345678u},                 // round trip
        {ColorRGBA(0.5f, 0.5f, 0.5f, 0.5f), 0x7F7F7F7Fu},      // 127.5 truncates to 127
        {ColorRGBA(1.0f, 0.0f, 0.0f, 1.0f), 0xFFFF0000u},
        {ColorRGBA(0.0f, 0.0f, 1.004f, 0.0f), 0x00000100u},    // 256: carries into green, unmasked
        {ColorRGBA(NAN, -INFINITY, 1e30f, 1.0f), 0xFF000000u},  // no number: nothing
    };
    for (const auto& k : cases) EXPECT_EQ(k.color.ToARGB(), k.argb);
}

TEST(ColorRGBA, ArithmeticIsComponentWiseAndClampLimits)
{
    ColorRGBA a(0.2f, 0.4f, 0.6f, 0.8f), b(0.1f, 0.1f, 0.1f, 0.1f);
    ColorRGBA d = (a - b) / 2.0f;
    EXPECT_NEAR(d.r, 0.05f, 1e-6);
    EXPECT_NEAR(d.a, 0.35f, 1e-6);
    a += b;
    EXPECT_NEAR(a.g, 0.5f, 1e-6);
    ColorRGBA c(-0.5f, 1.5f, 0.25f, 2.0f);
    c.Clamp();
    EXPECT_EQ(c.r, 0.0f);
    EXPECT_EQ(c.g, 1.0f);
    EXPECT_EQ(c.b, 0.25f);
    EXPECT_EQ(c.a, 1.0f);
}

TEST_F(EngineCore, ReportsTheFixedScreen)
{
    CEngineCore& core = Engine();
    EXPECT_EQ(core.GetScreenWidth(), 800);
    EXPECT_EQ(core.GetScreenHeight(), 600);
    EXPECT_EQ(core.GetHalfWidth(), 400);
    EXPECT_EQ(core.GetHalfHeight(), 300);
    float x, y;
    core.GetScreenCenter(x, y);
    EXPECT_EQ(x, 400.0f);
    EXPECT_EQ(y, 300.0f);
    EXPECT_NE(core.GetWindow(), nullptr);
    EXPECT_EQ(core.GetGraphics()->GetDevice(), core.GetDevice());
}

TEST_F(EngineCore, EndFrameWithoutBeginPresentsNothing)
{
    CEngineCore& core = Engine();
    const uint32_t frames = core.GetFrameCount();
    EXPECT_FALSE(core.EndFrame());
    EXPECT_EQ(core.GetFrameCount(), frames);
    ASSERT_TRUE(core.BeginFrame());
    ASSERT_TRUE(core.BeginFrame());          // a second begin keeps the frame open
    EXPECT_TRUE(core.EndFrame());
    EXPECT_EQ(core.GetFrameCount(), frames + 1);
    EXPECT_FALSE(core.EndFrame());
}

TEST_F(EngineCore, QuadIndexArrayGrowsExactlyToTheLargestDraw)
{
    CEngineCore& core = Engine();
    core.ReleaseQuadBuffer();
    std::vector<VERTEX_2DPNT1> v(4 * 11);
    for (int q = 0; q < 11; ++q) Quad(&v[q * 4], 0, 0, 1, 1, 0xFF000000u);
    ASSERT_TRUE(core.BeginFrame());
    struct Step { unsigned quads; unsigned capacity; } steps[] = {{0, 0}, {10, 10}, {5, 10}, {11, 11}, {3, 11}};
    for (const auto& s : steps) {
        EXPECT_EQ(core.DrawQuads(v.data(), s.quads, sizeof(VERTEX_2DPNT1)), ZF_OK);
        EXPECT_EQ(core.GetQuadCapacity(), s.capacity) << "after " << s.quads << " quads";
    }
    core.EndFrame();
}

TEST_F(EngineCore, DrawsQuadsOnWholePixelsWithTheWorldTransform)
{
    CEngineCore& core = Engine();
    VERTEX_2DPNT1 v[8];
    Quad(v, 10, 20, 30, 40, 0xFFFF0000u);
    Quad(v + 4, 100, 100, 110, 110, 0x8000FF00u);      // half-transparent green

    ASSERT_TRUE(core.BeginFrame());
    core.Clear(0xFF000080u);
    core.SetTexture(0, nullptr);
    ASSERT_EQ(core.DrawQuads(v, 2, sizeof(VERTEX_2DPNT1)), ZF_OK);
    EXPECT_EQ(ReadPixel(10, 20), 0xFFFF0000u);
    EXPECT_EQ(ReadPixel(29, 39), 0xFFFF0000u);
    EXPECT_EQ(ReadPixel(30, 39), 0xFF000080u);          // right edge not covered
    EXPECT_EQ(ReadPixel(9, 20), 0xFF000080u);
    const uint32_t g = ReadPixel(105, 105);
    EXPECT_NEAR(int((g >> 8) & 0xFF), 128, 2);
    EXPECT_NEAR(int(g & 0xFF), 64, 2);

    // Moved by 50 pixels to the right.
    core.Clear(0xFF000000u);
    core.SetWorldTransform(0.0f, -350.0f, -300.0f);
    core.DrawQuads(v, 1, sizeof(VERTEX_2DPNT1));
    EXPECT_EQ(ReadPixel(60, 20), 0xFFFF0000u);
    EXPECT_EQ(ReadPixel(20, 20), 0xFF000000u);

    // Turned by 180 degrees about the screen centre: (10..30, 20..40) lands on (770..790, 560..580).
    core.Clear(0xFF000000u);
    core.SetWorldTransform(180.0f, -400.0f, -300.0f);
    core.DrawQuads(v, 1, sizeof(VERTEX_2DPNT1));
    EXPECT_EQ(ReadPixel(780, 570), 0xFFFF0000u);
    EXPECT_EQ(ReadPixel(20, 30), 0xFF000000u);
    core.SetWorldTransform(0.0f, -400.0f, -300.0f);

    // Additive blending adds to what is there.
    core.Clear(0xFF404040u);
    Quad(v, 0, 0, 4, 4, 0xFF202020u);
    core.DrawQuads(v, 1, sizeof(VERTEX_2DPNT1), EBlend::Add);
    EXPECT_EQ(ReadPixel(1, 1), 0xFF606060u);
    core.EndFrame();
}

TEST_F(EngineCore, TexturedQuadsAreTintedByTheVertexColourAndBlendAsAsked)
{
    CEngineCore& core = Engine();
    SDL_Texture* t = SDL_CreateTexture(core.GetDevice(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, 2, 2);
    ASSERT_NE(t, nullptr);
    SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
    const uint32_t px[4] = {0xFFC0C0C0u, 0x00FFFFFFu, 0xFFC0C0C0u, 0xFFC0C0C0u};   // top-right texel transparent
    SDL_UpdateTexture(t, nullptr, px, 8);
    VERTEX_2DPNT1 v[4];
    Quad(v, 200, 200, 220, 220, 0xFF808080u);       // grey tint halves the texels

    struct Case { EBlend blend; uint32_t clear; uint32_t inside; } cases[] = {
        {EBlend::Alpha, 0xFF101010u, 0xFF606060u},
        {EBlend::Add, 0xFF101010u, 0xFF707070u},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(core.BeginFrame());
        core.Clear(c.clear);
        core.SetTexture(0, t);
        ASSERT_EQ(core.DrawQuads(v, 1, sizeof(VERTEX_2DPNT1), c.blend), ZF_OK);
        core.SetTexture(0, nullptr);
        const uint32_t p = ReadPixel(202, 215);
        for (int shift : {16, 8, 0})
            EXPECT_NEAR(int((p >> shift) & 0xFF), int((c.inside >> shift) & 0xFF), 2) << std::hex << p;
        EXPECT_EQ(ReadPixel(215, 202), c.clear) << "a transparent texel leaves the frame";
        EXPECT_EQ(ReadPixel(220, 210), c.clear);
        core.EndFrame();
    }
    SDL_DestroyTexture(t);
}

TEST_F(EngineCore, GammaLevelAddsTenPerLevelAndIsTakenOffWhileInactive)
{
    CEngineCore& core = Engine();
    CGraphics* g = core.GetGraphics();
    struct Case { int level; bool active; uint32_t expected; } cases[] = {
        {0, true, 0xFF646464u},
        {3, true, 0xFF828282u},      // 100 -> 130: the ramp's high byte is min(i + 10 * level, 255)
        {3, false, 0xFF646464u},
        {16, true, 0xFFFFFFFFu},
        {26, true, 0xFFFFFFFFu},
    };
    for (const auto& c : cases) {
        core.SetGamma(c.level);
        core.Activate(c.active);
        ASSERT_TRUE(core.BeginFrame());
        core.Clear(0xFF646464u);
        g->DrawGammaOverlay();
        EXPECT_EQ(ReadPixel(400, 300), c.expected) << "level " << c.level << " active " << c.active;
        EXPECT_EQ(ReadPixel(0, 0), c.expected);
        core.EndFrame();
    }
}

TEST(Screenshots, NumberFollowsTheLargestExistingNumber)
{
    struct Case { std::vector<std::string> files; int next; } cases[] = {
        {{}, 0},
        {{"00000007.tga", "abc.tga", "00000003.tga"}, 8},
        {{"abc.tga"}, 1},                                  // a name without digits counts as 0
        {{"12shot.TGA", "99.png"}, 13},                    // the extension in any case; others ignored
        {{"99999999999999.tga"}, 2147483647},              // huge numbers do not overflow
    };
    for (const auto& c : cases) {
        zftest::TempDir dir;
        for (const auto& f : c.files) zftest::WriteText(dir / f, "");
        EXPECT_EQ(CEngineCore::NextScreenshotNumber(dir.path() + "/"), c.next);
    }
}

TEST_F(EngineCore, ScreenshotIsAnUncompressedTgaWithBottomUpRows)
{
    CEngineCore& core = Engine();
    zftest::TempDir dir;
    zftest::WriteText(dir / "00000007.tga", "");
    VERTEX_2DPNT1 v[8];
    Quad(v, 0, 0, 800, 1, 0xFFFF0000u);       // top row red
    Quad(v + 4, 0, 599, 800, 600, 0xFF0000FFu);   // bottom row blue
    ASSERT_TRUE(core.BeginFrame());
    core.Clear(0xFF102030u);
    core.DrawQuads(v, 2, sizeof(VERTEX_2DPNT1));
    ASSERT_TRUE(core.SaveScreenshot(dir.path() + "/"));
    core.EndFrame();

    const auto data = ReadFile(dir / "00000008.tga");
    ASSERT_EQ(data.size(), 18u + 800u * 600u * 4u);
    const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x03, 0x58, 0x02, 32, 8};
    EXPECT_TRUE(std::equal(header, header + 18, data.begin()));
    auto pixel = [&](int x, int row_in_file) {
        const uint8_t* p = &data[18 + (size_t(row_in_file) * 800 + x) * 4];
        return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    };
    EXPECT_EQ(pixel(0, 0), 0xFF0000FFu);          // first row in the file: the bottom of the screen
    EXPECT_EQ(pixel(799, 0), 0xFF0000FFu);
    EXPECT_EQ(pixel(5, 599), 0xFFFF0000u);        // last row: the top
    EXPECT_EQ(pixel(400, 300), 0xFF102030u);      // opaque, though the frame has no alpha

    // At the end of the numbers the last shot is kept, not overwritten.
    zftest::WriteText(dir / "2147483647.tga", "last");
    ASSERT_TRUE(core.BeginFrame());
    EXPECT_FALSE(core.SaveScreenshot(dir.path() + "/"));
    core.EndFrame();
    EXPECT_EQ(zftest::ReadTextFile(dir / "2147483647.tga"), "last");
}

TEST_F(EngineCore, HoldingPrintScreenWritesOneShotPerFrameWithoutTheGammaOverlay)
{
    const std::string folder = GetUserDataFolder();
    const int first = CEngineCore::NextScreenshotNumber(folder);
    Engine().SetGamma(3);
    PushKey(SDL_SCANCODE_PRINTSCREEN, true);
    for (int i = 0; i < 3; ++i) Frame(0xFF646464u);
    PushKey(SDL_SCANCODE_PRINTSCREEN, false);
    Frame();
    Frame();
    EXPECT_EQ(CEngineCore::NextScreenshotNumber(folder), first + 3);
    for (int n = first; n < first + 3; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "%08d.tga", n);
        const auto data = ReadFile(folder + name);
        ASSERT_EQ(data.size(), 18u + 800u * 600u * 4u) << name;
        EXPECT_EQ(data[18], 0x64) << "the screenshot keeps the frame as drawn";
        std::remove((folder + name).c_str());
    }
}

TEST_F(EngineCore, AltEnterTogglesOncePerPressAndFiresCallbacksInOrder)
{
    CEngineCore& core = Engine();
    core.SetCallback(cbBeforeReset, OnBefore);
    core.SetCallback(cbAfterReset, OnAfter);
    EXPECT_EQ(core.SetCallback(cbAfterToggle, OnToggle), nullptr);
    ASSERT_FALSE(core.IsFullscreen());

    PushKey(SDL_SCANCODE_LALT, true);
    PushKey(SDL_SCANCODE_RETURN, true, KMOD_LALT);
    Frame();
    EXPECT_EQ(g_fired, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(core.IsFullscreen());

    // The activation message follows the switch.
    SDL_Event e;
    const uint32_t type = GetActivationEventType();
    ASSERT_EQ(SDL_PeepEvents(&e, 1, SDL_GETEVENT, type, type), 1);
    EXPECT_EQ(e.user.code, 1);

    // Held keys do not switch again.
    Frame();
    Frame();
    EXPECT_EQ(g_fired.size(), 3u);

    PushKey(SDL_SCANCODE_RETURN, false);
    PushKey(SDL_SCANCODE_LALT, false);
    Frame();
    // Right Alt works as well and switches back.
    PushKey(SDL_SCANCODE_RALT, true);
    PushKey(SDL_SCANCODE_RETURN, true, KMOD_RALT);
    Frame();
    EXPECT_FALSE(core.IsFullscreen());
    EXPECT_EQ(g_fired, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    PushKey(SDL_SCANCODE_RETURN, false);
    PushKey(SDL_SCANCODE_RALT, false);
    Frame();
}

TEST_F(EngineCore, RenderResetEventsResetTheDeviceAtTheNextFrame)
{
    CEngineCore& core = Engine();
    core.SetCallback(cbBeforeReset, OnBefore);
    core.SetCallback(cbAfterReset, OnAfter);
    std::vector<int> listened;
    const int id = core.AddDeviceResetListener([&](bool after) { listened.push_back(after ? 11 : 10); });

    for (uint32_t type : {uint32_t(SDL_RENDER_TARGETS_RESET), uint32_t(SDL_RENDER_DEVICE_RESET)}) {
        g_fired.clear();
        listened.clear();
        SDL_Event e {};
        e.type = type;
        SDL_PushEvent(&e);
        core.PumpEvents();
        EXPECT_TRUE(g_fired.empty()) << "nothing happens before the frame begins";
        Frame();
        EXPECT_EQ(g_fired, (std::vector<int>{0, 1}));
        EXPECT_EQ(listened, (std::vector<int>{10, 11}));
        Frame();
        EXPECT_EQ(g_fired.size(), 2u) << "one reset per event";
    }
    core.RemoveDeviceResetListener(id);
    listened.clear();
    SDL_Event e {};
    e.type = SDL_RENDER_TARGETS_RESET;
    SDL_PushEvent(&e);
    Frame();
    EXPECT_TRUE(listened.empty());
}

// Textures must never outlive their renderer: whatever releases or remakes the renderer tells the
// reset listeners, "before" while the old renderer still exists and "after" with the new one.
TEST_F(EngineCore, ReleasingOrRemakingTheRendererTellsTheResetListeners)
{
    CEngineCore& core = Engine();
    struct Heard {
        bool after;
        SDL_Renderer* device;
        bool operator==(const Heard&) const = default;
    };
    std::vector<Heard> heard;
    const int id = core.AddDeviceResetListener([&](bool after) { heard.push_back({after, core.GetDevice()}); });

    SDL_Renderer* first = core.GetDevice();
    core.Shutdown();
    core.Shutdown();
    EXPECT_EQ(heard, (std::vector<Heard>{{false, first}})) << "once, while the renderer still exists";

    heard.clear();
    ASSERT_TRUE(core.Init("Zerafine", "Zerafine test", true));
    SDL_Renderer* second = core.GetDevice();
    EXPECT_EQ(heard, (std::vector<Heard>{{true, second}}));

    heard.clear();
    ASSERT_TRUE(core.Init("Zerafine", "Zerafine test", true));
    EXPECT_EQ(heard, (std::vector<Heard>{{false, second}, {true, core.GetDevice()}})) << "a second start";
    core.RemoveDeviceResetListener(id);
    Frame();
}

TEST_F(EngineCore, WindowEventsBecomeActivations)
{
    CEngineCore& core = Engine();
    auto event = [](uint8_t what) {
        SDL_Event e {};
        e.type = SDL_WINDOWEVENT;
        e.window.event = what;
        return e;
    };
    SetIgnoreFocus(false);
    struct Step { uint8_t what; int activation; } steps[] = {
        {SDL_WINDOWEVENT_FOCUS_LOST, actInactive},
        {SDL_WINDOWEVENT_FOCUS_GAINED, actActive},
        {SDL_WINDOWEVENT_MINIMIZED, actInactive},
        {SDL_WINDOWEVENT_FOCUS_GAINED, actNone},      // activation while minimised: dropped
        {SDL_WINDOWEVENT_RESTORED, actActive},
        {SDL_WINDOWEVENT_RESTORED, actNone},
        {SDL_WINDOWEVENT_MOVED, actNone},
    };
    for (const auto& s : steps) EXPECT_EQ(core.HandleEvent(event(s.what)), s.activation) << int(s.what);

    // With focus ignored (virtual displays), only minimising counts.
    SetIgnoreFocus(true);
    EXPECT_EQ(core.HandleEvent(event(SDL_WINDOWEVENT_FOCUS_LOST)), actNone);
    EXPECT_EQ(core.HandleEvent(event(SDL_WINDOWEVENT_FOCUS_GAINED)), actNone);
    EXPECT_EQ(core.HandleEvent(event(SDL_WINDOWEVENT_MINIMIZED)), actInactive);
    EXPECT_EQ(core.HandleEvent(event(SDL_WINDOWEVENT_RESTORED)), actActive);
    SetIgnoreFocus(false);
    core.HandleEvent(event(SDL_WINDOWEVENT_FOCUS_GAINED));
}

TEST_F(EngineCore, PumpedKeysReachTheFrameAsEdgeStates)
{
    std::vector<int> seen;
    PushKey(SDL_SCANCODE_A, true);
    for (int i = 0; i < 3; ++i) {
        Frame();
        seen.push_back(CKeyboard::Instance().GetKeyState(30));
    }
    PushKey(SDL_SCANCODE_A, false);
    Frame();
    seen.push_back(CKeyboard::Instance().GetKeyState(30));
    Frame();
    seen.push_back(CKeyboard::Instance().GetKeyState(30));
    EXPECT_EQ(seen, (std::vector<int>{8, 4, 4, 2, 1}));

    // Pressed and let go between two frames: seen pressed once, then released.
    seen.clear();
    PushButton(SDL_BUTTON_LEFT, true, 10, 10);
    PushButton(SDL_BUTTON_LEFT, false, 10, 10);
    Frame();
    seen.push_back(CMouse::Instance().GetButtonState(0));
    Frame();
    seen.push_back(CMouse::Instance().GetButtonState(0));
    EXPECT_EQ(seen, (std::vector<int>{8, 2}));
}

// The renderer verdict: without one the start probes for OpenGL (the dummy display has none, so
// the probe's window is made again without it); a verdict kept from an earlier start skips that.
// Each start in a fresh process of its own.
TEST(EngineCoreRenderer, AKnownVerdictSkipsTheProbe)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case { ERendererVerdict known; bool probed; } cases[] = {{rvUnknown, true}, {rvSoftware, false}};
    for (const Case& c : cases) {
        EXPECT_EXIT(
            {
                UseHeadlessEnvironment();
                unsetenv("SDL_RENDER_DRIVER");
                SetKnownRenderer(c.known);
                CEngineCore& core = CEngineCore::Instance();
                g_EngineCore = &core;
                const bool init = core.Init("Zerafine", "Zerafine", true);
                const bool probed = zftest::ReadLog().find("No OpenGL window") != std::string::npos;
                std::exit(init && GetRendererVerdict() == rvSoftware && probed == c.probed ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "")
            << "known verdict " << c.known;
    }
}

// Without a usable display the engine reports a failed start and every frame operation refuses,
// instead of crashing. Runs in a fresh process of its own.
TEST(EngineCoreWithoutDisplay, InitFailsLoggedAndFramesRefuse)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            UseHeadlessEnvironment();
            setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
            CEngineCore& core = CEngineCore::Instance();
            g_EngineCore = &core;
            const bool init = core.Init("Zerafine", "Zerafine", true);
            VERTEX_2DPNT1 v[4] {};
            const bool refused = !core.BeginFrame() && !core.EndFrame() && core.GetDevice() == nullptr &&
                                 core.DrawQuads(v, 1, sizeof v[0]) == ZF_FAIL && !core.ToggleFullscreen() &&
                                 !core.SaveScreenshot();
            core.Clear(0);
            core.SetGamma(3);
            core.Activate(false);
            const bool logged = zftest::ReadLog().find("Error: failed to create D3D.") != std::string::npos;
            std::exit(!init && refused && logged ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(EngineCore, PointerPositionsAreLogicalPixelsOfTheLetterboxedScreen)
{
    CEngineCore& core = Engine();
    struct Case { int window_w, window_h, event_x, event_y, x, y; } cases[] = {
        {800, 600, 123, 456, 123, 456},
        {1600, 1200, 800, 600, 400, 300},       // scaled by two
        {1000, 600, 100, 0, 0, 0},              // bars of 100 pixels left and right
        {1000, 600, 500, 300, 400, 300},
        {1000, 600, 40, 300, 0, 300},           // over the bar: held at the screen's edge
    };
    for (const auto& c : cases) {
        SDL_SetWindowSize(core.GetWindow(), c.window_w, c.window_h);
        core.PumpEvents();
        Frame();
        SDL_Event e {};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = SDL_GetWindowID(core.GetWindow());
        e.motion.x = c.event_x;
        e.motion.y = c.event_y;
        SDL_PushEvent(&e);
        Frame();
        EXPECT_EQ(CMouse::Instance().GetX(), c.x) << c.window_w << "x" << c.window_h;
        EXPECT_EQ(CMouse::Instance().GetY(), c.y);
    }
    SDL_SetWindowSize(core.GetWindow(), 800, 600);
    core.PumpEvents();
    Frame();
}

// Activation reaches every listener in the order they came (the sound keeper listens this way),
// and the core hands out the program's sound keeper.
TEST_F(EngineCore, ActivationReachesItsListenersAndTheSoundKeeperIsHandedOut)
{
    CEngineCore& core = Engine();
    std::vector<std::string> heard;
    const int first = core.AddActivationListener([&](bool active) { heard.push_back(active ? "1 on" : "1 off"); });
    const int second = core.AddActivationListener([&](bool active) { heard.push_back(active ? "2 on" : "2 off"); });
    core.Activate(false);
    core.RemoveActivationListener(first);
    core.Activate(true);
    core.RemoveActivationListener(second);
    core.Activate(false);
    core.Activate(true);
    EXPECT_EQ(heard, (std::vector<std::string>{"1 off", "2 off", "2 on"}));

    CRecordingSoundKeeper keeper;
    ISoundKeeper* old = g_SoundKeeper;
    g_SoundKeeper = &keeper;
    EXPECT_EQ(core.GetSoundKeeper(), &keeper);
    g_SoundKeeper = old;
}

// Web pages go to the desktop's opener with the address as one argument; anything but a web
// address is refused before the desktop is asked. The opener here is a script that notes what it got.
TEST(OpenURL, HandsWebAddressesToTheDesktopAndRefusesTheRest)
{
    zftest::TempDir dir;
    const std::string noted = dir / "opened.txt";
    {
        std::ofstream script(dir / "xdg-open");
        script << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << noted << "'\n";
    }
    std::filesystem::permissions(dir / "xdg-open", std::filesystem::perms::owner_all);
    const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir / ":" + old_path).c_str(), 1);

    struct Case { const char* url; bool opened; } cases[] = {
        {"https://example.org/stats?a=1&b=two", true},
        {"HTTP://example.org/", true},
        {nullptr, false},
        {"", false},
        {"file:///etc/passwd", false},
        {"/usr/bin/xterm", false},
        {"--help", false},
        {"https://example.org/a b", false},
    };
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        EXPECT_EQ(OpenURL(c.url), c.opened) << (c.url ? c.url : "(null)");
        if (c.opened) expected.push_back(c.url);
    }
    // The openers run on their own, in any order; give them a moment to finish.
    auto noted_lines = [&] {
        std::vector<std::string> lines;
        std::istringstream in(zftest::ReadTextFile(noted));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    std::sort(expected.begin(), expected.end());
    for (int i = 0; i < 200 && noted_lines() != expected; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    setenv("PATH", old_path.c_str(), 1);
    EXPECT_EQ(noted_lines(), expected);
    EXPECT_NE(zftest::ReadLog().find("Error: not a web page address: 'file:///etc/passwd'."), std::string::npos);
}
