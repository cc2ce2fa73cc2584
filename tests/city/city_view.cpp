// The city view on a small fixture city (tests/data/city/view): constructions shown from the
// city's entries at their levels, the scroll rules with their one sign convention, hover and
// help, the built animation, curves, and a picture drawn by the software renderer.
#include "city/city_view.h"

#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "field/balls/field_ballsdepot.h"
#include "engine/core/engine_core_internal.h"
#include "engine/render/engine_texture.h"
#include "game/game_background.h"
#include "gui/gui_test_util.h"
#include "support/pixel_compare.h"
#include "support/recording_engine.h"
#include "support/test_support.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const std::string kFixtureDir = ZF_TEST_DATA_DIR "/city/view";

// The fixture's screen: 800 by 600; the picture is 2000 wide and shown from x 600.
constexpr float kStartX = 600.0f;

class CityView : public ::testing::Test {
protected:
    void SetUp() override
    {
        _old_mouse = g_Mouse;
        g_Mouse = &mouse;
        GetConstructDepot().Clear();
        GetConstructDepot().Load("Constructions.xml");
        view.Load();
    }
    void TearDown() override
    {
        view.Release();
        GetConstructDepot().Clear();
        g_Mouse = _old_mouse;
        CTextureCacher::Instance().Clear();
        CAniCacher::Instance().Clear();
    }
    CConstruction& C(int32_t id)
    {
        CConstruction* c = view.GetConstruction(id);
        EXPECT_NE(c, nullptr) << id;
        return *c;
    }
    // Puts the mouse there with the right button held or not, and draws one frame.
    void Frame(int x, int y, bool right = false)
    {
        mouse.x = x;
        mouse.y = y;
        mouse.buttons[1] = NextKeyState(mouse.buttons[1], right);
        view.Draw();
        view.UpdateConstructions();
    }

    RecordingEngine engine;
    zftest::ScopedChdir dir{kFixtureDir};
    guitest::FakeMouse mouse;
    CCityView view;

private:
    IMouse* _old_mouse = nullptr;
};

const std::vector<CityViewEntry> kCity = {
    {101, 1, false},   // bought and raised once
    {102, 0, false},
    {103, -1, false},  // not bought
    {104, 0, true},    // a bonus construction
};

} // namespace

TEST_F(CityView, LoadsTheCityAndLeavesOutWhatTheCatalogueLacks)
{
    zftest::LogWatch log;
    view.Load();
    EXPECT_TRUE(log.Has("Error: \"Can't create construction.\" (id 999)")) << log.Text();
    EXPECT_TRUE(log.Has("Missing.png") || log.Has("MISSING.PNG")) << "a missing texture is logged";
    EXPECT_NE(zftest::ReadLog().find("No_Such_Effect"), std::string::npos) << "an unknown effect is logged (once)";
    EXPECT_EQ(view.GetConstructions().size(), 5u);
    ASSERT_NE(view.GetBackground(), nullptr);
    EXPECT_EQ(view.GetBackground()->GetViewX(), kStartX);
    // positions are picture pixels; on the screen they stand against the view's start
    EXPECT_FLOAT_EQ(C(101).GetX(), 200.0f);
    EXPECT_FLOAT_EQ(C(101).GetY(), 300.0f);
    EXPECT_FLOAT_EQ(C(103).GetX(), 900.0f);
    for (const auto& [id, c] : view.GetConstructions()) {
        EXPECT_FALSE(c->IsBuilt()) << id;
        EXPECT_EQ(c->GetLevel(), 0) << id;
    }

    zftest::LogWatch broken;
    zftest::TempDir temp;
    zftest::WriteText(temp.path() + "/City.xml", "<Town/>");
    view.Load(temp.path() + "/City.xml");
    EXPECT_TRUE(broken.Has("root.IsValid()")) << broken.Text();
    EXPECT_TRUE(view.GetConstructions().empty());
    view.Draw();   // an empty city draws nothing and goes on
    view.Scroll(10, 0);
    EXPECT_EQ(view.GetScrollDistanceTo(101), 0.0f);

    zftest::LogWatch reset;
    view.ResetVisualization();
    EXPECT_TRUE(reset.Has("Reset city visualization...")) << reset.Text();
    EXPECT_FALSE(view.IsScrollEnabled());
}

TEST_F(CityView, BuildFromCityShowsTheBoughtConstructionsAtTheirLevels)
{
    // scrolled away first: a city that fits the screen goes back to the start
    view.SetScrollEnabled(true);
    view.Scroll(100, 0);
    ASSERT_EQ(view.GetBackground()->GetViewX(), 700.0f);

    view.BuildFromCity(kCity);
    EXPECT_FALSE(view.IsScrollEnabled()) << "every built construction lies on the screen";
    EXPECT_EQ(view.GetBackground()->GetViewX(), kStartX);

    const struct {
        int32_t id;
        bool built;
        int level;
        float left, top, width;   // the pictures' box on the screen
        int help_page;
    } cases[] = {
        {101, true, 1, 190.0f, 280.0f, 120.0f, 2},  // level 1: 120 by 100 at the level's offset (-10, -20)
        {102, true, 0, 260.0f, 340.0f, 60.0f, 0},
        {103, false, 0, 900.0f, 300.0f, 80.0f, 0},
        {104, true, 0, 20.0f, 420.0f, 100.0f, 0},   // from the picture at -30 to the one at +60
    };
    for (const auto& c : cases) {
        const CConstruction& k = C(c.id);
        EXPECT_EQ(k.IsBuilt(), c.built) << c.id;
        EXPECT_EQ(k.GetLevel(), c.level) << c.id;
        EXPECT_FLOAT_EQ(k.GetLeft(), c.left) << c.id;
        EXPECT_FLOAT_EQ(k.GetTop(), c.top) << c.id;
        EXPECT_FLOAT_EQ(k.GetWidth(), c.width) << c.id;
        EXPECT_EQ(k.GetHelpPage(), c.help_page) << c.id;
        EXPECT_EQ(k.GetVisualState(), CConstruction::vsIdle) << c.id;
    }
    ASSERT_EQ(C(101).GetParts().size(), 2u);
    EXPECT_EQ(C(101).GetParts()[0].kind, cpBase);
    EXPECT_EQ(C(101).GetParts()[0].sprite->GetAlpha(), 255u);
    EXPECT_EQ(C(101).GetParts()[1].kind, cpHighlight);
    EXPECT_EQ(C(101).GetParts()[1].sprite->GetAlpha(), 0u) << "a highlight is transparent when idle";
    EXPECT_FLOAT_EQ(C(101).GetParts()[1].sprite->GetX(), 195.0f) << "layer offset on the level's offset";

    // Buying the far construction builds it, plays its animation and lets the view scroll.
    view.SetConstructionUpgrade(103, true);
    EXPECT_TRUE(C(103).IsBuilt());
    EXPECT_EQ(C(103).GetVisualState(), CConstruction::vsBuilt);
    EXPECT_TRUE(view.IsBuildAnimationRunning());
    EXPECT_TRUE(view.IsScrollEnabled());

    // Raising past the top level keeps the top level.
    zftest::LogWatch log;
    view.SetConstructionUpgrade(101, false);
    EXPECT_EQ(C(101).GetLevel(), 1);
    EXPECT_TRUE(log.Has("construction 101 has no level above 1")) << log.Text();
    view.SetConstructionUpgrade(555, false);
    EXPECT_TRUE(log.Has("no construction 555")) << log.Text();

    // Taken again, the city shows only what the entries say.
    view.BuildFromCity({{101, 0, false}});
    EXPECT_EQ(C(101).GetLevel(), 0);
    EXPECT_FALSE(C(102).IsBuilt());
    EXPECT_FALSE(C(103).IsBuilt());
    EXPECT_FALSE(view.IsBuildAnimationRunning());
}

TEST_F(CityView, ScrollDistanceCentresAConstructionInTheViewsOwnSign)
{
    view.BuildFromCity({{102, 0, false}});
    CConstruction& c = C(102);   // 60 pixels wide
    const struct {
        float left;
        bool scroll_enabled;
        float distance;
    } cases[] = {
        {-85.0f, false, 0.0f},      // inside the band around the screen
        {-86.0f, false, -456.0f},   // centre -56: the view goes 456 to the left
        {824.0f, false, 0.0f},      // right edge 884 < 800 + 85
        {825.0f, false, 455.0f},
        {-50.0f, false, 0.0f},
        {-50.0f, true, -420.0f},    // with scrolling on, a cut construction is centred
        {0.0f, true, 0.0f},
        {-1.0f, true, -371.0f},
        {739.0f, true, 0.0f},
        {740.0f, true, 370.0f},     // right edge at the screen's width
    };
    for (const auto& k : cases) {
        c.Move(k.left - c.GetLeft(), 0.0f);
        view.SetScrollEnabled(k.scroll_enabled);
        EXPECT_FLOAT_EQ(view.GetScrollDistanceTo(102), k.distance) << k.left << " " << k.scroll_enabled;
    }

    // Scrolling by the distance centres it: the view, the background and the construction agree.
    view.BuildFromCity({{102, 0, false}, {103, 0, false}});
    ASSERT_TRUE(view.IsScrollEnabled()) << "103 lies beyond the band";
    const float d = view.GetScrollDistanceTo(103);
    EXPECT_FLOAT_EQ(d, 540.0f);
    const float bg_left = view.GetBackground()->GetPicture().left;
    view.Scroll(d, 0.0f);
    EXPECT_FLOAT_EQ(C(103).GetLeft() + C(103).GetWidth() / 2, 400.0f);
    EXPECT_FLOAT_EQ(view.GetBackground()->GetViewX(), kStartX + 540.0f);
    EXPECT_FLOAT_EQ(view.GetBackground()->GetPicture().left, bg_left - 540.0f);
    EXPECT_FLOAT_EQ(C(102).GetLeft(), 260.0f - 540.0f);
    EXPECT_FLOAT_EQ(view.GetScrollDistanceTo(103), 0.0f);
}

TEST_F(CityView, EdgeStepArrowsAndScrollMoveTogether)
{
    const struct {
        int x, y, step;
    } cases[] = {
        {0, 90, 0},  {0, 91, -5},  {60, 300, -5}, {61, 300, 0},  {738, 300, 0},
        {739, 300, 5}, {799, 528, 5}, {799, 529, 0}, {400, 300, 0},
    };
    for (const auto& k : cases) EXPECT_EQ(view.GetEdgeScrollStep(k.x, k.y), k.step) << k.x << ", " << k.y;

    view.BuildFromCity({{101, 0, false}});
    // nothing scrolls before the city outgrows the screen
    view.Scroll(float(view.GetEdgeScrollStep(10, 300)), 0.0f);
    EXPECT_EQ(view.GetBackground()->GetViewX(), kStartX);
    EXPECT_FALSE(view.IsLeftArrowShown());

    view.SetScrollEnabled(true);
    EXPECT_TRUE(view.IsLeftArrowShown());
    EXPECT_TRUE(view.IsRightArrowShown());
    // the mouse at the left edge shows more of the city's left side: the city moves right
    view.Scroll(float(view.GetEdgeScrollStep(10, 300)), 0.0f);
    EXPECT_EQ(view.GetBackground()->GetViewX(), kStartX - 5.0f);
    EXPECT_FLOAT_EQ(C(101).GetLeft(), 205.0f);
    EXPECT_FLOAT_EQ(view.GetBackground()->GetPicture().left, -(kStartX - 5.0f));

    view.Scroll(-10000.7f, 0.0f);   // clamped at the picture's left end
    EXPECT_EQ(view.GetBackground()->GetViewX(), 0.0f);
    EXPECT_FLOAT_EQ(C(101).GetLeft(), 800.0f);
    EXPECT_FALSE(view.IsLeftArrowShown()) << "no more city to the left";
    EXPECT_TRUE(view.IsRightArrowShown());
    view.Scroll(1200.9f, 0.0f);     // truncated to whole pixels: the right end
    EXPECT_EQ(view.GetBackground()->GetViewX(), 1200.0f);
    EXPECT_FLOAT_EQ(C(101).GetLeft(), -400.0f);
    EXPECT_TRUE(view.IsLeftArrowShown());
    EXPECT_FALSE(view.IsRightArrowShown());
    view.SetInputEnabled(false);
    EXPECT_FALSE(view.IsLeftArrowShown()) << "arrows only while the scene takes input";
}

TEST_F(CityView, HoverPicksTheLargerIdAndTheRightButtonShowsTheHelpPage)
{
    view.BuildFromCity({{101, 0, false}, {102, 0, false}});
    // (280, 350) lies on 101 and on 102
    Frame(280, 350);
    ASSERT_NE(view.GetHovered(), nullptr);
    EXPECT_EQ(view.GetHovered()->GetId(), 102);
    EXPECT_EQ(C(102).GetVisualState(), CConstruction::vsHovered);
    EXPECT_EQ(C(101).GetVisualState(), CConstruction::vsIdle);
    Frame(280, 350, true);
    EXPECT_FALSE(view.IsHelpShown()) << "102 has no help page";
    Frame(280, 350, false);

    // over 101 alone: its highlight fades in, and the held button shows its page
    for (int i = 0; i < 40; ++i) Frame(210, 310);
    EXPECT_EQ(view.GetHovered()->GetId(), 101);
    EXPECT_EQ(C(101).GetHighlightAlpha(), 255);
    EXPECT_EQ(C(101).GetParts()[1].sprite->GetAlpha(), 255u);
    Frame(210, 310, true);
    ASSERT_TRUE(view.IsHelpShown());
    EXPECT_TRUE(view.GetHelpDialog().IsShown());
    auto pages = std::dynamic_pointer_cast<CMenuPageControl>(view.GetHelpDialog().FindControl("ID_PAGES"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->GetPage(), 1u);
    // while it is up the mouse stays at the anchor and the view does not scroll
    mouse.warps.clear();
    view.SetScrollEnabled(true);
    Frame(500, 100, true);
    EXPECT_EQ(mouse.warps, (std::vector<std::pair<int, int>>{{210, 310}}));
    view.Scroll(100, 0);
    EXPECT_EQ(view.GetBackground()->GetViewX(), kStartX);
    // released: the page goes
    Frame(210, 310, false);
    EXPECT_FALSE(view.IsHelpShown());
    EXPECT_FALSE(view.GetHelpDialog().IsShown());

    // the mouse leaves: the highlight fades out and the construction is idle again
    for (int i = 0; i < 40; ++i) Frame(700, 100);
    EXPECT_EQ(C(101).GetVisualState(), CConstruction::vsIdle);
    EXPECT_EQ(C(101).GetParts()[1].sprite->GetAlpha(), 0u);

    // the scene turning hover off closes the page and drops the hovered construction
    Frame(210, 310, true);
    ASSERT_TRUE(view.IsHelpShown());
    view.SetHoverEnabled(false);
    Frame(210, 310, true);
    EXPECT_FALSE(view.IsHelpShown());
    EXPECT_FALSE(view.GetHelpDialog().IsShown());
    EXPECT_EQ(view.GetHovered(), nullptr);
    EXPECT_FALSE(C(101).IsHighlightRequested());
    Frame(210, 310, true);
    EXPECT_FALSE(view.IsHelpShown()) << "no help without hover";

    // a page past the last one shows the last; page 0 hides
    view.GetHelpDialog().ShowPage(7);
    EXPECT_EQ(pages->GetPage(), 2u);
    view.GetHelpDialog().ShowPage(0);
    EXPECT_FALSE(view.GetHelpDialog().IsShown());
}

TEST_F(CityView, BuiltAnimationBlinksTwiceThenRestsAndCurvesPingPong)
{
    view.BuildFromCity({{104, 0, true}});
    view.SetConstructionUpgrade(103, true);
    CConstruction& c = C(103);
    std::vector<int> fades{c.GetHighlightFade()};
    int frames = 0;
    while (c.GetVisualState() == CConstruction::vsBuilt && frames < 1000) {
        view.UpdateConstructions();
        ++frames;
        if (c.GetHighlightFade() != fades.back()) fades.push_back(c.GetHighlightFade());
    }
    // 255 / 2 per frame for the base; four highlight fades of 255 / 8 in the same time
    EXPECT_EQ(frames, 128);
    EXPECT_EQ(fades, (std::vector<int>{CConstruction::hfIn, CConstruction::hfOut, CConstruction::hfIn,
                                       CConstruction::hfOut, CConstruction::hfNone}));
    EXPECT_EQ(c.GetVisualState(), CConstruction::vsIdle);
    EXPECT_EQ(c.GetBaseAlpha(), 255);
    EXPECT_FALSE(view.IsBuildAnimationRunning());

    // 104's second picture hops along its three-point curve and back
    const CSprite& bird = *C(104).GetParts()[1].sprite;
    const float x0 = bird.GetX(), y0 = bird.GetY();
    std::vector<std::pair<float, float>> seen;
    for (int i = 0; i < 6; ++i) {
        view.UpdateConstructions();
        seen.emplace_back(bird.GetX() - x0, bird.GetY() - y0);
    }
    EXPECT_EQ(seen, (std::vector<std::pair<float, float>>{{10, -5}, {20, 0}, {10, -5}, {0, 0}, {10, -5}, {20, 0}}));
}

TEST_F(CityView, BoughtConstructionsBringTheirBallsIntoPlay)
{
    const std::string text = "<Balls><Ball graph_type='2' available='1'/><Ball graph_type='3' available='0'/></Balls>";
    CXMLFile file;
    file.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    BallsDepot& balls = GetBallsDepot();
    balls.Load(file);
    balls.SetAvailable(2, false);   // changed since reading: the city starts from the file's values

    view.BuildFromCity({{101, 0, false}, {102, 0, false}});
    ASSERT_NE(balls.Find(3), nullptr);
    EXPECT_TRUE(balls.Find(2)->available);
    EXPECT_TRUE(balls.Find(3)->available) << "101 brings ball 3";
    EXPECT_FALSE(balls.Find(3)->enabled) << "a ball of a city taken again is not newly enabled";

    view.BuildFromCity({});
    EXPECT_FALSE(balls.Find(3)->available);
    view.SetConstructionUpgrade(101, true);   // bought now
    EXPECT_TRUE(balls.Find(3)->available);
    EXPECT_TRUE(balls.Find(3)->enabled);
    balls.Load(CXMLFile());
}

TEST_F(CityView, LayoutsShowOneLayoutAtATimeWithinItsCycles)
{
    RandomSeed(77);
    view.BuildFromCity({{105, 0, false}});
    CConstruction& c = C(105);
    ASSERT_EQ(c.GetGroupCount(), 2u);
    for (const ConstructionPart& p : c.GetParts()) EXPECT_EQ(p.kind, cpBase) << "a level starts with every part";

    // the part each layout shows (group index, layout index) -> part index; min and max cycles
    const std::map<std::pair<int, int>, int> shows = {{{0, 0}, 0}, {{0, 1}, 1}, {{1, 0}, 2}};
    const std::map<std::pair<int, int>, std::pair<int, int>> cycles = {{{0, 0}, {2, 4}}, {{0, 1}, {1, 2}}, {{1, 0}, {1, 3}}};
    std::set<std::pair<int, int>> seen;
    int group_changes = 0, choices = 0, last_cycles = 0;
    std::pair<int, int> last{0, 0};
    for (int frame = 0; frame < 600; ++frame) {
        view.UpdateConstructions();
        const std::pair<int, int> now{c.GetGroup(), c.GetLayout()};
        if (c.GetCycles() == 0) {
            ++choices;
            EXPECT_GE(last_cycles, cycles.at(last).first) << "the change comes on the cycle after the minimum, frame " << frame;
            if (now.first != last.first) {
                ++group_changes;
                EXPECT_EQ(c.GetVisualState(), CConstruction::vsBuilt) << "a new group plays the built animation";
                EXPECT_TRUE(c.GetLayout() == 0) << "a group change takes a base layout";
            }
        }
        if (choices > 0) {
            seen.insert(now);
            for (size_t i = 0; i < c.GetParts().size(); ++i)
                EXPECT_EQ(c.GetParts()[i].kind, int(i) == shows.at(now) ? cpBase : cpBaseInactive) << frame << " part " << i;
        }
        EXPECT_LE(c.GetCycles(), cycles.at(now).second) << frame;
        last = now;
        last_cycles = c.GetCycles();
    }
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_GE(group_changes, 2);
}

TEST(CityCurve, WalkerWithoutReturnJumpsBackToTheStart)
{
    CPath path;
    ASSERT_TRUE(path.Build({{0, 0}, {4, 0}, {8, 2}}, 1.0f));
    CCurveWalker walker(path, false);
    float x = 0, y = 0;
    std::vector<float> xs;
    for (int i = 0; i < 5; ++i) {
        const CVector2 d = walker.Step();
        x += d.x;
        y += d.y;
        xs.push_back(x);
    }
    EXPECT_EQ(xs, (std::vector<float>{4, 8, 0, 4, 8}));
    EXPECT_EQ(y, 2.0f);
}

TEST(CityCurve, AMissingOrEmptyCurveFileIsLoggedAndGivesNoPath)
{
    RecordingEngine engine;
    zftest::TempDir dir;
    zftest::WriteText(dir.path() + "/Empty.xml", "<Curve/>");
    zftest::LogWatch log;
    CPath path;
    EXPECT_FALSE(LoadCurveFile(dir.path() + "/Empty.xml", path));
    EXPECT_FALSE(LoadCurveFile(dir.path() + "/Nowhere.xml", path));
    EXPECT_EQ(log.Count("its part does not move"), 2u) << log.Text();
}

// The fixture city drawn by the software renderer: the sky, the bought constructions at their
// levels, and the arrows once the view scrolls. The picture is written to the build folder.
TEST(CityViewPicture, DrawsTheSkyTheConstructionsAndTheArrows)
{
    zftest::ScopedChdir dir(kFixtureDir);
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    CEngineCore& core = CEngineCore::Instance();
    ASSERT_TRUE(core.GetDevice() || core.Init("ZerafineTest", "Zerafine city", true)) << SDL_GetError();
    IEngineCore* previous = g_EngineCore;
    g_EngineCore = &core;
    guitest::FakeMouse mouse;
    IMouse* old_mouse = g_Mouse;
    g_Mouse = &mouse;
    mouse.x = mouse.y = -100;
    zftest::LogWatch log;

    zftest::SurfacePtr shot;
    {
        GetConstructDepot().Clear();
        GetConstructDepot().Load("Constructions.xml");
        CCityView view;
        view.Load();
        view.BuildFromCity(kCity);
        view.SetConstructionUpgrade(103, false);
        view.Scroll(100, 0);
        for (int frame = 0; frame < 2; ++frame) {
            if (!core.BeginFrame()) break;
            core.Clear(0xFF000000);
            view.Draw();
            view.UpdateConstructions();
            if (frame == 1) shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, 800, 600});
            core.EndFrame();
        }
        view.Release();
        GetConstructDepot().Clear();
    }
    CTextureCacher::Instance().Clear();
    CAniCacher::Instance().Clear();
    g_Mouse = old_mouse;
    g_EngineCore = previous;
    ASSERT_TRUE(shot) << SDL_GetError();
    const std::string picture = ::testing::TempDir() + "city_view.png";
    EXPECT_EQ(IMG_SavePNG(shot.get(), picture.c_str()), 0) << picture;

    using zftest::ChannelDistance;
    using zftest::PixelAt;
    const struct {
        int x, y;
        uint32_t colour;
        const char* what;
    } cases[] = {
        {400, 100, 0xFF466EAA, "sky"},
        {150, 340, 0xFF28C83C, "101 at level 1, 100 pixels left of its place"},
        {100, 290, 0xFF28C83C, "101's idle highlight is transparent"},
        {200, 380, 0xFF3246DC, "102"},
        {25, 419, 0xFFFFFFFF, "104's flying picture, one step along its curve (10, -5)"},
        {5, 419, 0xFF466EAA, "104's picture without a texture draws nothing"},
        {20, 300, 0xFFFAFAFA, "the left arrow"},
        {770, 300, 0xFFFAFAFA, "the right arrow"},
    };
    for (const auto& c : cases) {
        EXPECT_LE(ChannelDistance(PixelAt(shot.get(), c.x, c.y), c.colour), 8)
            << c.what << std::hex << ": " << PixelAt(shot.get(), c.x, c.y);
    }
    if (::testing::Test::HasFailure()) ADD_FAILURE() << log.Text();
}
