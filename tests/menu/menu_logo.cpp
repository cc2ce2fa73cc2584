// The logo scene and its splash sequence, frame by frame on the real engine core (software
// renderer) in the shipped game folder, with a fake mouse and keyboard and a settable clock.
// Sequences of the tests are written to a temporary file; the shipped one is checked as it is.
// ZF_LOGO_SHOTS=<folder> keeps a picture of each shipped splash in the middle of its time.
#include "menu/menu_logo.h"

#include "engine/base/engine_filesys.h"
#include "engine/base/engine_registry.h"
#include "engine/core/engine_core_internal.h"
#include "engine/core/engine_input.h"
#include "engine/render/engine_render.h"
#include "settings/main_settings.h"
#include "settings/main_userfiles.h"
#include "support/dialog_shots.h"
#include "support/pixel_compare.h"
#include "support/test_support.h"

#include "../gui/gui_test_util.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kFrameMs = 16;
constexpr uint32_t kInk = 0xFF2B1D14;

// A splash element of a test sequence; the picture is a shipped texture.
std::string Splash(const std::string& attributes, const char* texture = "Textures\\Menu\\Logo.png")
{
    return std::string("<Splash ") + attributes + "><graphics texture=\"" + texture +
           "\" width=\"512\" height=\"160\" tex_rect=\"0 0 512 160\"/></Splash>";
}

// A bar of 200 x 16 pixels from the plain white square, full at max_size.
std::string Bar(const std::string& attributes)
{
    return "<Bar pos_x=\"300\" pos_y=\"500\" " + attributes +
           "><graphics texture=\"Textures\\Common\\Square.tga\" width=\"200\" height=\"16\" "
           "tex_rect=\"0 0 16 16\" color=\"FFF5C431\"/></Bar>";
}

class LogoScene : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software"); }

    LogoScene() : _dir(ZF_GAME_DATA_DIR), clock(1000)
    {
        CEngineCore& core = CEngineCore::Instance();
        ready = core.GetDevice() || core.Init("ZerafineTest", "Zerafine logo scene", true);
        _previous_core = g_EngineCore;
        g_EngineCore = &core;
        _previous_mouse = g_Mouse;
        g_Mouse = &mouse;
        _previous_keyboard = g_Keyboard;
        g_Keyboard = &keyboard;
        GetGlobalVars().Register("test_mode", false);
        GetGlobalVars().SetBool("test_mode", false);
        UseSettings(false);
    }
    ~LogoScene() override
    {
        scene.reset();
        g_Settings = CGameSettings();
        g_Keyboard = _previous_keyboard;
        g_Mouse = _previous_mouse;
        g_EngineCore = _previous_core;
    }

    void UseSettings(bool no_logo)
    {
        const std::string path = _temp / "Config.xml";
        zftest::WriteText(path, std::string("<Config><Options no_logo=\"") + (no_logo ? "1" : "0") + "\"/></Config>");
        g_Settings = CGameSettings(path);
        g_Settings.Load();
    }

    // The scene on a sequence of the given elements, initialised.
    void Build(const std::string& elements)
    {
        const std::string path = _temp / "SplashScreen.xml";
        zftest::WriteText(path, "<?xml version=\"1.0\"?>\n<SplashScreens>" + elements + "</SplashScreens>\n");
        Make(path);
    }
    void Make(const std::string& file)
    {
        scene = std::make_shared<CLogoScene>(file);
        initialized = scene->Init();
    }
    void Enter()
    {
        scene->SetResult(srRunning);
        scene->Enter();
    }
    CSplashImages& Splashes() { return *scene->GetSplashImages(); }

    // One frame as the scene's loop runs it: the input of the frame, the drawing, the input handling.
    // With a shot the frame is read back before it is shown.
    void Frame(bool click = false, bool key = false, zftest::SurfacePtr* shot = nullptr)
    {
        clock.Advance(kFrameMs);
        mouse.Frame(400, 300, click);
        keyboard.Frame(key ? std::vector<int>{guitest::kSpace} : std::vector<int>{});
        CEngineCore& core = CEngineCore::Instance();
        core.SetFrameTime(kFrameMs / 1000.0f);
        ASSERT_TRUE(core.BeginFrame());
        scene->BeginDraw();
        scene->Frame();
        if (shot) *shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, 800, 600});
        core.EndFrame();
        scene->PostFrame();
        ++frames;
    }
    // Frames until the condition holds; false after the limit.
    bool RunUntil(const std::function<bool()>& done, int limit = 2000)
    {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Frame();
        }
        return done();
    }
    bool Ended() const { return scene->GetResult() == srNextScene; }

    zftest::ScopedChdir _dir;
    zftest::TempDir _temp;
    zftest::FakeClock clock;
    guitest::FakeMouse mouse;
    guitest::FakeKeyboard keyboard;
    std::shared_ptr<CLogoScene> scene;
    bool ready = false;
    bool initialized = false;
    int frames = 0;

private:
    IEngineCore* _previous_core = nullptr;
    IMouse* _previous_mouse = nullptr;
    IKeyboard* _previous_keyboard = nullptr;
};

// ---- The shipped sequence

TEST_F(LogoScene, TheShippedSequenceLoadsWithEveryPicture)
{
    ASSERT_TRUE(ready);
    zftest::LogWatch log;
    Make(kSplashScreenFile);
    ASSERT_TRUE(initialized);
    ASSERT_NE(scene->GetSplashImages(), nullptr);
    EXPECT_TRUE(zftest::InOrder(log.Text(), {"Initialize Logo...", "Logo initialized."})) << log.Text();
    CSplashImages& splashes = Splashes();
    ASSERT_GE(splashes.GetCount(), 2u);
    EXPECT_FALSE(splashes.HasBar());   // every splash can be skipped
    for (size_t i = 0; i < splashes.GetCount(); ++i) {
        const SplashRecord& r = splashes.GetRecord(i);
        SCOPED_TRACE("splash " + std::to_string(i));
        EXPECT_TRUE(FileExists(r.graphics.texture)) << r.graphics.texture;
        const CTexturePtr& texture = splashes.GetSprite(i).GetRenderer()->GetTexture();
        ASSERT_TRUE(texture && texture->IsLoaded());
        // The picture lies on the screen, fades both ways at a speed of its own and shows a while.
        EXPECT_GE(r.x, 0.0f);
        EXPECT_GE(r.y, 0.0f);
        EXPECT_LE(r.x + float(r.graphics.width), 800.0f);
        EXPECT_LE(r.y + float(r.graphics.height), 600.0f);
        EXPECT_GT(r.graphics.width, 0);
        EXPECT_GT(r.fade_in_speed, 0);
        EXPECT_GT(r.fade_out_speed, 0);
        EXPECT_EQ(r.max_alpha, 255);
        EXPECT_GE(r.ttl, 1000);
        EXPECT_EQ(r.bk_color >> 24, 0xFFu);
    }
}

// Untouched, the shipped sequence runs a few seconds and goes on to the menu; each splash stands
// over its own ground. The pictures are kept with ZF_LOGO_SHOTS.
TEST_F(LogoScene, TheShippedSequencePlaysAFewSecondsThenTheMenu)
{
    ASSERT_TRUE(ready);
    Make(kSplashScreenFile);
    ASSERT_TRUE(initialized);
    zftest::LogWatch log;
    Enter();
    ASSERT_TRUE(scene->IsRunning());
    const size_t count = Splashes().GetCount();
    const uint32_t start = clock.Now();
    std::vector<bool> kept(count, false), seen(count, false);
    std::vector<uint32_t> shown_at(count, 0);
    // A pixel of the studio card half faded in over its ground, and the same one at full alpha.
    uint32_t half_faded = 0, full = 0;
    while (!Ended() && frames < 2000) {
        const CSplashImages* s = scene->GetSplashImages();
        const size_t index = s->GetCurrent();
        const SplashRecord record = s->GetRecord(index);
        // Half way through its time at full alpha.
        const bool shoot = !kept[index] && s->IsShown() && clock.Now() - shown_at[index] >= uint32_t(record.ttl) / 2;
        const bool fading = index == 0 && !half_faded && !s->IsShown() && s->GetAlpha() >= 120;
        zftest::SurfacePtr shot;
        Frame(false, false, (shoot || fading) ? &shot : nullptr);
        if (fading) {
            ASSERT_TRUE(shot);
            half_faded = zftest::PixelAt(shot.get(), 400, 240);
            zftest::KeepPicture(shot, "ZF_LOGO_SHOTS", "logo_splash_1_fading");
        }
        if (shoot) {
            ASSERT_TRUE(shot);
            kept[index] = true;
            // A real picture, not a flat fill, in front of the ground; the studio card, smaller
            // than the screen, shows the ground around it.
            std::set<uint32_t> colours;
            for (int y = 0; y < 600; y += 5)
                for (int x = 0; x < 800; x += 5) colours.insert(zftest::PixelAt(shot.get(), x, y));
            EXPECT_GT(colours.size(), 150u) << "splash " << index;
            EXPECT_NE(zftest::PixelAt(shot.get(), 400, 240), record.bk_color) << "splash " << index;
            if (index == 0) {
                EXPECT_EQ(zftest::PixelAt(shot.get(), 2, 2), record.bk_color);
                full = zftest::PixelAt(shot.get(), 400, 240);
            }
            zftest::KeepPicture(shot, "ZF_LOGO_SHOTS", "logo_splash_" + std::to_string(index + 1));
        }
        s = scene->GetSplashImages();
        if (s && s->IsRunning() && s->IsShown() && !seen[s->GetCurrent()]) {
            seen[s->GetCurrent()] = true;
            shown_at[s->GetCurrent()] = clock.Now();
        }
    }
    ASSERT_TRUE(Ended());
    EXPECT_EQ(scene->GetNextScene(), "Menu");
    for (size_t i = 0; i < count; ++i) EXPECT_TRUE(kept[i]) << "splash " << i;
    // Half way in, the picture is about half way between its ground and itself.
    for (int shift = 0; shift < 24; shift += 8) {
        const int ground = int((kInk >> shift) & 0xFF), picture = int((full >> shift) & 0xFF);
        EXPECT_NEAR(int((half_faded >> shift) & 0xFF), (ground + picture) / 2, 12) << "channel " << shift / 8;
    }
    EXPECT_GT(zftest::ChannelDistance(full, kInk), 100);
    const uint32_t took = clock.Now() - start;
    EXPECT_GE(took, 3000u);
    EXPECT_LE(took, 8000u);
    scene->Leave();
    EXPECT_TRUE(zftest::InOrder(log.Text(), {"Start Logo...", "Logo destroyed.", "Logo stopped."})) << log.Text();
}

// ---- Skipping

// Nothing of the logo runs when it is turned off, in test mode or with nothing to show: the menu
// comes at once.
TEST_F(LogoScene, SkippedAtOnceByTheSettingTestModeOrAnEmptySequence)
{
    ASSERT_TRUE(ready);
    const std::string one = Splash("max_alpha=\"255\" fade_in_speed=\"5\" fade_out_speed=\"5\" ttl=\"500\"");
    struct Case {
        const char* name;
        std::string elements;
        bool no_logo;
        bool test_mode;
    };
    for (const Case& c : {Case{"no_logo", one, true, false}, Case{"test mode", one, false, true},
                          Case{"empty file", "", false, false}, Case{"only a bar", Bar("max_size=\"10\" speed=\"1\""), false, false}}) {
        SCOPED_TRACE(c.name);
        UseSettings(c.no_logo);
        GetGlobalVars().SetBool("test_mode", c.test_mode);
        Build(c.elements);
        ASSERT_TRUE(initialized);
        zftest::LogWatch log;
        Enter();
        EXPECT_EQ(scene->GetResult(), srNextScene);
        EXPECT_EQ(scene->GetNextScene(), "Menu");
        EXPECT_FALSE(scene->IsRunning());
        EXPECT_FALSE(log.Has("Start Logo...")) << log.Text();
        EXPECT_FALSE(log.Has("Logo destroyed.")) << log.Text();
    }
    GetGlobalVars().SetBool("test_mode", false);
}

// A missing or damaged sequence file is logged; the game goes on to the menu without the logo.
TEST_F(LogoScene, AnUnreadableSequenceGoesStraightToTheMenu)
{
    ASSERT_TRUE(ready);
    for (const char* text : {"", "<SplashScreens><Splash"}) {
        SCOPED_TRACE(text);
        zftest::LogWatch log;
        const std::string path = _temp / "Broken.xml";
        zftest::WriteText(path, text);
        Make(*text ? path : _temp / "Missing.xml");
        EXPECT_TRUE(initialized);
        EXPECT_EQ(scene->GetSplashImages(), nullptr);
        EXPECT_TRUE(log.Has("no splash screens")) << log.Text();
        Enter();
        EXPECT_EQ(scene->GetResult(), srNextScene);
        EXPECT_EQ(scene->GetNextScene(), "Menu");
    }
}

// Any mouse button or key pressed while no bar holds the sequence skips the rest of it; a button
// held from before does not count again.
TEST_F(LogoScene, AClickOrAKeySkipsTheRest)
{
    ASSERT_TRUE(ready);
    const std::string two = Splash("bk_color=\"FF102030\" max_alpha=\"255\" fade_in_speed=\"5\" fade_out_speed=\"5\" ttl=\"500\"") +
                            Splash("max_alpha=\"255\" fade_in_speed=\"5\" fade_out_speed=\"5\" ttl=\"500\"");
    for (const bool by_key : {false, true}) {
        SCOPED_TRACE(by_key ? "key" : "click");
        Build(two);
        zftest::LogWatch log;
        Enter();
        ASSERT_TRUE(scene->IsRunning());
        for (int i = 0; i < 10; ++i) Frame();
        EXPECT_FALSE(Ended());
        Frame(!by_key, by_key);
        EXPECT_EQ(scene->GetResult(), srNextScene);
        EXPECT_EQ(scene->GetNextScene(), "Menu");
        EXPECT_FALSE(scene->IsRunning());
        EXPECT_EQ(scene->GetClearColour(), 0u);
        EXPECT_EQ(scene->GetSplashImages(), nullptr);   // released
        EXPECT_EQ(log.Count("Logo destroyed."), 1u);
        scene->Leave();
        EXPECT_TRUE(log.Has("Logo stopped."));
        // A second run ends at once.
        Enter();
        EXPECT_EQ(scene->GetResult(), srNextScene);
        EXPECT_EQ(log.Count("Start Logo..."), 1u);
        Frame(false, false);
    }
    // A button held down since before the scene started does not skip.
    Build(two);
    Enter();
    mouse.buttons[0] = ksHeld;
    for (int i = 0; i < 5; ++i) {
        clock.Advance(kFrameMs);
        scene->RenderFrame();
        scene->PostFrame();
    }
    EXPECT_FALSE(Ended());
}

// While a bar is present, nothing skips until the bar of the current splash is full; a splash
// without the bar never fills it.
TEST_F(LogoScene, WithABarPressesWaitUntilItIsFull)
{
    ASSERT_TRUE(ready);
    Build(Splash("max_alpha=\"255\" fade_in_speed=\"255\" fade_out_speed=\"255\" ttl=\"200\"") +
          Splash("max_alpha=\"255\" fade_in_speed=\"51\" fade_out_speed=\"255\" ttl=\"0\" has_bar=\"1\"") +
          Bar("max_size=\"100.9\" speed=\"10.7\""));
    ASSERT_TRUE(initialized);
    CSplashImages& s = Splashes();
    ASSERT_TRUE(s.HasBar());
    EXPECT_EQ(s.GetBarMaxSize(), 100);   // whole units
    Enter();
    // The first splash has no bar: a click does nothing, it runs out by itself.
    for (int i = 0; i < 3; ++i) Frame(true, true);
    EXPECT_FALSE(Ended());
    EXPECT_FALSE(s.IsBarInUse());
    ASSERT_TRUE(RunUntil([&] { return s.GetCurrent() == 1; }));
    EXPECT_TRUE(s.IsBarInUse());
    EXPECT_EQ(s.GetBarProgress(), 0);
    // Fading in (five frames) the bar does not grow; then 10 a frame up to 100.
    std::vector<int> progress;
    for (int i = 0; i < 20 && !s.IsBarFilled(); ++i) {
        Frame(true, false);   // every click ignored while the bar fills
        ASSERT_FALSE(Ended()) << "frame " << i;
        progress.push_back(s.GetBarProgress());
    }
    EXPECT_EQ(progress, (std::vector<int>{0, 0, 0, 0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_TRUE(s.IsBarFilled());
    // The bar is drawn uncovered as far as it is full: all of it now.
    EXPECT_FLOAT_EQ(s.GetBarSprite()->GetWidth(), 200.0f);
    // The ttl (0) ran out long ago, so the splash fades out now: with the bar full a click skips.
    Frame(false, true);
    EXPECT_EQ(scene->GetResult(), srNextScene);
}

// A bar splash does not fade out before its bar is full, however long its time ran.
TEST_F(LogoScene, ABarSplashWaitsForItsBar)
{
    ASSERT_TRUE(ready);
    Build(Splash("max_alpha=\"200\" fade_in_speed=\"255\" fade_out_speed=\"100\" ttl=\"0\" has_bar=\"1\"") +
          Bar("max_size=\"90\" speed=\"3\""));
    CSplashImages& s = Splashes();
    Enter();
    Frame();   // shown at once; the bar starts growing in the same frame
    ASSERT_TRUE(s.IsShown());
    EXPECT_EQ(s.GetBarProgress(), 3);
    for (int i = 0; i < 28; ++i) {
        clock.Advance(1000);   // time is long over
        Frame();
        ASSERT_EQ(s.GetAlpha(), 200) << "frame " << i;
    }
    EXPECT_EQ(s.GetBarProgress(), 87);
    EXPECT_FLOAT_EQ(s.GetBarSprite()->GetWidth(), 200.0f * 87.0f / 90.0f);
    Frame();   // 90: full; the fade starts with the next frame
    EXPECT_TRUE(s.IsBarFilled());
    Frame();
    EXPECT_EQ(s.GetAlpha(), 100);
    EXPECT_EQ(s.GetBarSprite()->GetAlpha(), 100u);   // the bar fades with its splash
    Frame();
    EXPECT_TRUE(Ended());
}

// ---- The timeline

// Each splash fades in by its speed per frame, stays its time, fades out by its speed and hands
// over to the next; the frame is cleared with the current splash's ground, and the end of the last
// one ends the scene.
TEST_F(LogoScene, FadeInStayFadeOutThenTheNextSplash)
{
    ASSERT_TRUE(ready);
    Build(Splash("bk_color=\"FF102030\" min_alpha=\"10\" max_alpha=\"250\" fade_in_speed=\"60\" fade_out_speed=\"100\" ttl=\"100\"") +
          Splash("bk_color=\"FF405060\" max_alpha=\"255\" fade_in_speed=\"128\" fade_out_speed=\"255\" ttl=\"40\""));
    ASSERT_TRUE(initialized);
    CSplashImages& s = Splashes();
    EXPECT_EQ(s.GetSprite(0).GetAlpha(), 10u);   // built at the minimum
    zftest::LogWatch log;
    Enter();
    ASSERT_TRUE(scene->IsRunning());
    EXPECT_EQ(scene->GetClearColour(), 0xFF102030u);

    struct Step {
        uint32_t ms;   // clock advance before the frame
        size_t current;
        int alpha;     // of the current splash after the frame
        bool shown;
        uint32_t clear;
    };
    const uint32_t ttl_start = clock.Now() + 4 * kFrameMs;
    const std::vector<Step> steps = {
        {16, 0, 70, false, 0xFF102030}, {16, 0, 130, false, 0xFF102030}, {16, 0, 190, false, 0xFF102030},
        {16, 0, 250, true, 0xFF102030},     // 250 is the maximum: shown, its time starts
        {16, 0, 250, true, 0xFF102030}, {83, 0, 250, true, 0xFF102030},   // 99 ms
        {1, 0, 150, true, 0xFF102030},       // 100 ms: fading out
        {16, 0, 50, true, 0xFF102030},
        {16, 1, 0, false, 0xFF405060},       // at the minimum: the next splash, on its own ground
        {16, 1, 128, false, 0xFF405060}, {16, 1, 255, true, 0xFF405060},
        {16, 1, 255, true, 0xFF405060}, {16, 1, 255, true, 0xFF405060},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i));
        const Step& st = steps[i];
        clock.Advance(st.ms - kFrameMs);
        Frame();
        ASSERT_TRUE(scene->IsRunning());
        EXPECT_EQ(s.GetCurrent(), st.current);
        EXPECT_EQ(s.GetAlpha(), st.alpha);
        EXPECT_EQ(s.IsShown(), st.shown);
        EXPECT_EQ(scene->GetClearColour(), st.clear);
        if (i == 3) {
            EXPECT_EQ(clock.Now(), ttl_start);
        }
    }
    EXPECT_EQ(s.GetSprite(0).GetAlpha(), 10u);   // the first one rests at its minimum
    Frame();   // 48 ms shown: out at once (255 a frame), and the sequence is over
    EXPECT_EQ(scene->GetResult(), srNextScene);
    EXPECT_EQ(scene->GetNextScene(), "Menu");
    EXPECT_EQ(scene->GetClearColour(), 0u);
    EXPECT_EQ(log.Count("Start Logo..."), 1u);
    EXPECT_EQ(log.Count("Logo destroyed."), 1u);
    EXPECT_FALSE(log.Has("Logo stopped."));
    scene->Leave();
    EXPECT_TRUE(zftest::InOrder(log.Text(), {"Start Logo...", "Logo destroyed.", "Logo stopped."}));
}

// The frame is cleared with the scene's colour: the ground of the splash around its picture.
TEST_F(LogoScene, TheFrameIsClearedWithTheSplashGround)
{
    ASSERT_TRUE(ready);
    Build(Splash("bk_color=\"FF3C78B4\" max_alpha=\"255\" fade_in_speed=\"255\" fade_out_speed=\"5\" ttl=\"5000\"") +
          Splash("max_alpha=\"255\" fade_in_speed=\"5\" fade_out_speed=\"5\" ttl=\"500\""));
    Enter();
    zftest::SurfacePtr shot;
    Frame(false, false, &shot);
    ASSERT_TRUE(shot);
    EXPECT_EQ(zftest::PixelAt(shot.get(), 700, 500), 0xFF3C78B4u);
    EXPECT_EQ(zftest::PixelAt(shot.get(), 5, 590), 0xFF3C78B4u);
    // Inside the picture (512 x 160 at the top left) something else shows.
    std::set<uint32_t> colours;
    for (int y = 0; y < 160; y += 4)
        for (int x = 0; x < 512; x += 4) colours.insert(zftest::PixelAt(shot.get(), x, y));
    EXPECT_GT(colours.size(), 20u);
    // With the sequence over, opaque black.
    scene->GetSplashImages()->Start(2);
    EXPECT_EQ(scene->GetSplashImages()->GetClearColour(), 0xFF000000u);
}

// ---- Speeds of 0

// A speed of 0 or less moves straight to its target alpha, so that the default values cannot hold
// the sequence for ever: not even with a bar present, which would keep the player from skipping.
TEST_F(LogoScene, AFadeSpeedOfZeroOrLessIsInstant)
{
    ASSERT_TRUE(ready);
    struct Case {
        const char* name;
        std::string attributes;
        int alpha_shown;
    };
    for (const Case& c : {Case{"defaults", "", 0}, Case{"no speeds", "max_alpha=\"255\" ttl=\"32\"", 255},
                          Case{"negative speeds", "min_alpha=\"20\" max_alpha=\"180\" fade_in_speed=\"-4\" fade_out_speed=\"-1\" ttl=\"32\"", 180},
                          Case{"minimum above maximum", "min_alpha=\"200\" max_alpha=\"100\" fade_in_speed=\"5\" fade_out_speed=\"5\"", 100}}) {
        SCOPED_TRACE(c.name);
        // The bar is present but this splash does not use it: nothing can skip it.
        Build(Splash(c.attributes) + Bar("max_size=\"10\" speed=\"1\""));
        CSplashImages& s = Splashes();
        Enter();
        ASSERT_TRUE(scene->IsRunning());
        Frame(true, true);
        EXPECT_TRUE(s.IsShown());   // at full alpha in the first frame
        EXPECT_EQ(s.GetAlpha(), c.alpha_shown);
        ASSERT_TRUE(RunUntil([&] { return Ended(); }, 10));
        EXPECT_EQ(scene->GetNextScene(), "Menu");
    }
}

// Defaults everywhere: full (0) at once, 0 ms, out with the next frame.
TEST_F(LogoScene, ASplashOfDefaultsShowsOneFrame)
{
    ASSERT_TRUE(ready);
    Build(Splash("") + Splash("max_alpha=\"255\" fade_in_speed=\"5\" fade_out_speed=\"5\" ttl=\"500\""));
    CSplashImages& s = Splashes();
    Enter();
    Frame();
    EXPECT_EQ(s.GetCurrent(), 0u);
    EXPECT_TRUE(s.IsShown());
    Frame();
    EXPECT_EQ(s.GetCurrent(), 1u);
    EXPECT_FALSE(s.IsShown());
}

// A bar without a speed is full as soon as its splash is shown.
TEST_F(LogoScene, ABarWithoutSpeedFillsAtOnce)
{
    ASSERT_TRUE(ready);
    Build(Splash("max_alpha=\"255\" fade_in_speed=\"255\" fade_out_speed=\"255\" ttl=\"5000\" has_bar=\"1\"") + Bar("max_size=\"50\""));
    CSplashImages& s = Splashes();
    Enter();
    Frame();
    EXPECT_TRUE(s.IsBarFilled());
    EXPECT_EQ(s.GetBarProgress(), 50);
    Frame(true, false);
    EXPECT_TRUE(Ended());
}

} // namespace
