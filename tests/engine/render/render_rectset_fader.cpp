// Static rect sets in a shared batch, and the screen fader.
#include "engine/render/cross_fader.h"
#include "engine/base/engine_layout.h"
#include "engine/render/engine_rectset.h"
#include "support/render_test_util.h"

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

constexpr const char* kAtlas = "Textures\\Atlas.png";  // 64 x 32

class RectSets : public ::testing::Test {
protected:
    RectSets() : _dir(kFixtureDir) {}
    ScopedChdir _dir;
    DeviceRecordingEngine engine;
};

TEST_F(RectSets, BoundsLocalRectsAndVertices)
{
    CStaticRectSet set;
    set.SetTexture(kAtlas);
    set.Move(5, 5);  // empty: nothing moves
    EXPECT_FLOAT_EQ(set.GetBounds().left, 0.0f);

    set.AddRect(FRect{10, 10, 20, 20}, FRect{0, 0, 16, 16});
    EXPECT_FLOAT_EQ(set.GetBounds().left, 10.0f);
    EXPECT_FLOAT_EQ(set.GetBounds().bottom, 20.0f);
    set.AddRect(FRect{12, 12, 18, 18}, FRect{16, 0, 32, 16});  // inside: bounds unchanged
    EXPECT_FLOAT_EQ(set.GetRects()[0].local.left, -5.0f);
    EXPECT_FLOAT_EQ(set.GetRects()[1].local.left, -3.0f);
    set.AddRect(FRect{0, 10, 10, 30}, FRect{0, 16, 64, 32});  // grows the bounds to (0, 10, 20, 30)
    EXPECT_FLOAT_EQ(set.GetBounds().left, 0.0f);
    EXPECT_FLOAT_EQ(set.GetBounds().bottom, 30.0f);
    EXPECT_FLOAT_EQ(set.GetRects()[0].local.left, 0.0f);   // every local rect recomputed
    EXPECT_FLOAT_EQ(set.GetRects()[0].local.top, -10.0f);
    EXPECT_EQ(set.GetQuadCount(), 3u);

    set.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    ASSERT_EQ(engine.draws[0].quads, 3u);
    const auto& v = engine.draws[0].vertices;
    // Vertices land on the screen rects, half a pixel up and left.
    EXPECT_FLOAT_EQ(v[0].x, 9.5f);
    EXPECT_FLOAT_EQ(v[0].y, 9.5f);
    EXPECT_FLOAT_EQ(v[3].x, 19.5f);
    EXPECT_FLOAT_EQ(v[5].u, 0.5f);
    EXPECT_FLOAT_EQ(v[11].v, 1.0f);
    EXPECT_FLOAT_EQ(v[8].x, -0.5f);
    EXPECT_FLOAT_EQ(v[11].y, 29.5f);

    set.SetPosition(100, 200);  // every quad moves by (100, 190)
    engine.ClearRecords();
    set.Draw();
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[0].x, 109.5f);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[0].y, 199.5f);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[11].y, 219.5f);
}

TEST_F(RectSets, ColourVisibilityAndSharedBatches)
{
    CRenderKeeper keeper;
    GraphicsDesc d;
    d.texture = kAtlas;
    d.width = d.height = 16;
    CSprite sprite(50, 50, d, keeper);
    CStaticRectSet set;
    set.SetRenderer(keeper.GetRenderer(kAtlas));
    set.AddRect(FRect{0, 0, 4, 4}, FRect{0, 0, 4, 4});
    set.AddRect(FRect{4, 0, 8, 4}, FRect{0, 0, 4, 4});

    keeper.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    EXPECT_EQ(engine.draws[0].quads, 3u);  // the sprite and both rects in one draw

    const CRendererPtr renderer = sprite.GetRenderer();
    set.SetColor(0xFFFFFFFF);  // the current colour: nothing to refill
    EXPECT_EQ(renderer->GetDirty(), 0u);
    set.SetColor(0x80112233);
    EXPECT_NE(renderer->GetDirty(), 0u);
    engine.ClearRecords();
    keeper.Draw();
    for (int i = 4; i < 12; ++i) EXPECT_EQ(engine.draws[0].vertices[i].color, 0x80112233u);

    set.SetVisible(false);
    EXPECT_EQ(set.GetVertices(), nullptr);
    engine.ClearRecords();
    keeper.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    EXPECT_EQ(engine.draws[0].quads, 1u);  // only the sprite

    set.SetVisible(true);
    set.Clear();
    set.AddRect(FRect{0, 0, 1, 1}, FRect{0, 0, 1, 1});
    engine.ClearRecords();
    keeper.Draw();
    EXPECT_EQ(engine.draws[0].quads, 2u);
}

class Fader : public ::testing::Test {
protected:
    Fader() : _dir(kFixtureDir) {}
    ScopedChdir _dir;
    RecordingEngine engine;
};

TEST_F(Fader, FadeInFromBlackEndsHidden)
{
    CCrossFader fader;
    fader.Init(4);
    ASSERT_TRUE(fader.GetSprite());
    EXPECT_FALSE(fader.IsRunning());
    fader.Draw();
    EXPECT_TRUE(engine.draws.empty());  // hidden until a fade starts

    fader.StartFadeIn(255, 0);
    EXPECT_TRUE(fader.IsRunning());
    fader.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    const auto& first = engine.draws[0];
    EXPECT_EQ(first.vertices[0].color, 0xFF010101u);  // drawn at 255 on the first frame
    EXPECT_FLOAT_EQ(first.vertices[3].x, 799.5f);      // the whole screen
    EXPECT_FLOAT_EQ(first.vertices[3].y, 599.5f);
    EXPECT_EQ(fader.GetSprite()->GetAlpha(), 251u);

    int frames = 1;
    while (fader.IsRunning() && frames < 1000) {
        fader.Draw();
        ++frames;
    }
    EXPECT_EQ(frames, 64);  // ceil(255 / 4)
    EXPECT_EQ(fader.GetSprite()->GetAlpha(), 0u);
    EXPECT_FALSE(fader.IsVisible());
    engine.ClearRecords();
    fader.Draw();
    EXPECT_TRUE(engine.draws.empty());
}

TEST_F(Fader, FadeOutAndFadesFromTheCurrentAlpha)
{
    CCrossFader fader;
    fader.Init(4);
    fader.StartFadeOut(0, 255);
    int frames = 0;
    while (fader.IsRunning() && frames < 1000) {
        fader.Draw();
        ++frames;
    }
    EXPECT_EQ(frames, 64);
    EXPECT_TRUE(fader.IsVisible());
    EXPECT_EQ(fader.GetSprite()->GetAlpha(), 255u);

    // Half-way back, then a new fade from where it stands.
    fader.FadeInTo(0);
    for (int i = 0; i < 10; ++i) fader.Draw();
    EXPECT_EQ(fader.GetSprite()->GetAlpha(), 215u);
    fader.FadeOutTo(230);
    fader.Draw();
    fader.Draw();
    fader.Draw();
    fader.Draw();
    EXPECT_FALSE(fader.IsRunning());
    EXPECT_EQ(fader.GetSprite()->GetAlpha(), 230u);

    // A step larger than the range ends on the first update, at the bound.
    fader.SetStep(500);
    fader.StartFadeIn(200, 100);
    fader.Draw();
    EXPECT_FALSE(fader.IsRunning());
    EXPECT_EQ(fader.GetSprite()->GetAlpha(), 100u);
    EXPECT_TRUE(fader.IsVisible());

    // Bounds beyond the alpha range end at its edge instead of running for ever.
    fader.SetStep(4);
    const struct { bool out; int from, to; uint32_t end; } cases[] = {
        {true, 0, 300, 255}, {true, -40, 255, 255}, {false, 300, 0, 0}, {false, 255, -20, 0}};
    for (const auto& c : cases) {
        if (c.out) fader.StartFadeOut(c.from, c.to);
        else fader.StartFadeIn(c.from, c.to);
        frames = 0;
        while (fader.IsRunning() && frames < 1000) {
            fader.Draw();
            ++frames;
        }
        EXPECT_EQ(frames, 64) << c.from << " to " << c.to;
        EXPECT_EQ(fader.GetSprite()->GetAlpha(), c.end) << c.from << " to " << c.to;
        EXPECT_EQ(fader.IsVisible(), c.end != 0) << c.from << " to " << c.to;
    }
}

TEST_F(Fader, StartingWithoutASquareFailsTheCheck)
{
    CCrossFader fader;
    try {
        fader.StartFadeOut(0, 255);
        FAIL() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "verify {_shader != NULL} failed");
    }
    EXPECT_THROW(fader.FadeInTo(0), std::runtime_error);
    fader.Draw();  // nothing to draw, no failure
}

} // namespace
