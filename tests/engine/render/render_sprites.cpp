// Sprites, renderers and render keepers against a recording engine: batches, exact vertices,
// rotation and pivot, colours, shadows, visibility, buffers and missing textures.
#include "engine/base/engine_layout.h"
#include "engine/render/engine_render.h"
#include "support/render_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace rendertest;

namespace {

constexpr const char* kAtlas = "Textures\\Atlas.png";   // 64 x 32
constexpr const char* kSquare = "Textures\\Square.png"; // 8 x 8

struct Corner {
    float x, y, u, v;
};

void ExpectQuad(const VERTEX_2DPNT1* q, const Corner (&c)[4], const char* what)
{
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(q[i].x, c[i].x, 1e-4f) << what << " corner " << i;
        EXPECT_NEAR(q[i].y, c[i].y, 1e-4f) << what << " corner " << i;
        EXPECT_NEAR(q[i].u, c[i].u, 1e-6f) << what << " corner " << i;
        EXPECT_NEAR(q[i].v, c[i].v, 1e-6f) << what << " corner " << i;
    }
}

class Sprites : public ::testing::Test {
protected:
    Sprites() : _dir(kFixtureDir) {}
    ScopedChdir _dir;
    DeviceRecordingEngine engine;
};

TEST_F(Sprites, OneDrawPerTextureWithExactVertices)
{
    CRenderKeeper keeper;
    CSprite a(10, 20, Desc(kAtlas, 16, 16, 16, 0, 32, 16, 0x80FF0000), keeper);
    CSprite b(100, 50, Desc(kAtlas, 32, 8, 0, 16, 64, 32), keeper);
    CSprite c(0, 0, Desc(kSquare, 8, 8, 0, 0, 8, 8), keeper);
    EXPECT_EQ(keeper.GetCount(), 2u);
    EXPECT_EQ(keeper.GetUseCount(kAtlas, false), 2);
    EXPECT_EQ(a.GetRenderer(), b.GetRenderer());
    EXPECT_FALSE(a.OwnsRenderer());

    keeper.Draw();
    ASSERT_EQ(engine.draws.size(), 2u);
    const auto& atlas_draw = engine.draws[0];
    EXPECT_EQ(atlas_draw.quads, 2u);
    EXPECT_EQ(atlas_draw.stride, 24u);
    EXPECT_EQ(atlas_draw.texture, GetD3DTexture(*a.GetRenderer()->GetTexture()));
    ASSERT_NE(atlas_draw.texture, nullptr);
    EXPECT_NE(engine.draws[1].texture, atlas_draw.texture);
    EXPECT_EQ(engine.draws[1].quads, 1u);

    // Corners top-left, top-right, bottom-left, bottom-right, half a pixel up and left;
    // texture coordinates are the texture rectangle over the texture's size.
    ExpectQuad(&atlas_draw.vertices[0], {{9.5f, 19.5f, 0.25f, 0.0f}, {25.5f, 19.5f, 0.5f, 0.0f},
                                         {9.5f, 35.5f, 0.25f, 0.5f}, {25.5f, 35.5f, 0.5f, 0.5f}}, "a");
    ExpectQuad(&atlas_draw.vertices[4], {{99.5f, 49.5f, 0.0f, 0.5f}, {131.5f, 49.5f, 1.0f, 0.5f},
                                         {99.5f, 57.5f, 0.0f, 1.0f}, {131.5f, 57.5f, 1.0f, 1.0f}}, "b");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(atlas_draw.vertices[i].color, 0x80FF0000u);
        EXPECT_EQ(atlas_draw.vertices[4 + i].color, 0xFFFFFFFFu);
        EXPECT_EQ(atlas_draw.vertices[i].z, 0.0f);
    }

    // An unchanged batch is drawn again from the same buffer without a rebuild.
    const CVertexBuffer* buffer = a.GetRenderer()->GetVertexBuffer();
    engine.ClearRecords();
    keeper.Draw();
    ASSERT_EQ(engine.draws.size(), 2u);
    EXPECT_EQ(a.GetRenderer()->GetVertexBuffer(), buffer);
    EXPECT_EQ(engine.draws[0].vertices[0].x, 9.5f);
}

TEST_F(Sprites, RotationAndPivot)
{
    struct Case {
        const char* what;
        float angle, pivot_x, pivot_y;
        Corner corners[4];
    } cases[] = {
        // A 10 x 20 sprite at (100, 100): centre (105, 110).
        {"no turn", 0, 0, 0, {{99.5f, 99.5f, 0, 0}, {109.5f, 99.5f, 0, 0}, {99.5f, 119.5f, 0, 0}, {109.5f, 119.5f, 0, 0}}},
        // 90 degrees about the centre: (x, y) -> (-y, x).
        {"90 degrees", 90, 0, 0, {{114.5f, 104.5f, 0, 0}, {114.5f, 114.5f, 0, 0}, {94.5f, 104.5f, 0, 0}, {94.5f, 114.5f, 0, 0}}},
        {"180 degrees", 180, 0, 0, {{109.5f, 119.5f, 0, 0}, {99.5f, 119.5f, 0, 0}, {109.5f, 99.5f, 0, 0}, {99.5f, 99.5f, 0, 0}}},
        // The turning point 5 pixels right of the centre, at (110, 110).
        {"90 degrees about a pivot", 90, 5, 0, {{119.5f, 99.5f, 0, 0}, {119.5f, 109.5f, 0, 0}, {99.5f, 99.5f, 0, 0}, {99.5f, 109.5f, 0, 0}}},
        {"pivot without a turn", 0, 5, 3, {{99.5f, 99.5f, 0, 0}, {109.5f, 99.5f, 0, 0}, {99.5f, 119.5f, 0, 0}, {109.5f, 119.5f, 0, 0}}},
    };
    for (const auto& c : cases) {
        CSprite s(FRect{0, 0, 10, 20}, FRect{0, 0, 0, 0});
        s.SetTexture(kSquare);
        s.SetPivot(c.pivot_x, c.pivot_y);
        s.SetPosition(100, 100);
        s.SetAngle(c.angle);
        engine.ClearRecords();
        s.Draw();
        ASSERT_EQ(engine.draws.size(), 1u) << c.what;
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(engine.draws[0].vertices[i].x, c.corners[i].x, 1e-3f) << c.what << " corner " << i;
            EXPECT_NEAR(engine.draws[0].vertices[i].y, c.corners[i].y, 1e-3f) << c.what << " corner " << i;
        }
    }
}

TEST_F(Sprites, ColoursAlphaClampAndFlips)
{
    CSprite s(FRect{0, 0, 16, 16}, FRect{0, 0, 16, 16});
    s.SetTexture(kAtlas);
    s.SetColor(0x11223344);
    s.SetAlpha(300);
    EXPECT_EQ(s.GetAlpha(0), 255u);
    EXPECT_EQ(s.GetColor(3), 0xFF223344u);
    s.SetRGB(0xAA556677);  // the alpha bits of the argument are ignored
    EXPECT_EQ(s.GetColor(0), 0xFF556677u);
    s.SetAlpha(64);
    EXPECT_EQ(s.GetColor(2), 0x40556677u);
    {
        LogWatch log;
        EXPECT_EQ(s.GetAlpha(4), 0u);
        EXPECT_TRUE(log.Has("Verify {n_vertex &lt; 4} failed") || log.Has("Verify {n_vertex < 4} failed"));
    }

    s.SetFlip(true, false);
    s.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    const auto& v = engine.draws[0].vertices;
    EXPECT_FLOAT_EQ(v[0].u, 0.25f);
    EXPECT_FLOAT_EQ(v[1].u, 0.0f);
    EXPECT_FLOAT_EQ(v[0].v, 0.0f);
    EXPECT_FLOAT_EQ(v[2].v, 0.5f);
    EXPECT_EQ(v[0].color, 0x40556677u);
    s.SetFlip(false, true);
    engine.ClearRecords();
    s.Draw();
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[0].u, 0.0f);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[0].v, 0.5f);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[2].v, 0.0f);
}

TEST_F(Sprites, ResizeAndSetSize)
{
    struct Case {
        const char* what;
        FRect start;
        float dw, dh;
        FRect expected;
    } cases[] = {
        {"grow about the centre", {10, 10, 30, 20}, 10, 4, {5, 8, 35, 22}},
        {"shrink", {10, 10, 30, 20}, -20, -10, {20, 15, 20, 15}},
        {"width would go negative", {10, 10, 30, 20}, -21, 0, {10, 10, 30, 20}},
        {"height would go negative", {10, 10, 30, 20}, 0, -11, {10, 10, 30, 20}},
        {"width 0 never changes", {10, 10, 10, 20}, 5, 5, {10, 10, 10, 20}},
    };
    for (const auto& c : cases) {
        CSprite s(c.start, FRect{0, 0, 1, 1});
        s.Resize(c.dw, c.dh);
        EXPECT_FLOAT_EQ(s.GetRect().left, c.expected.left) << c.what;
        EXPECT_FLOAT_EQ(s.GetRect().top, c.expected.top) << c.what;
        EXPECT_FLOAT_EQ(s.GetRect().right, c.expected.right) << c.what;
        EXPECT_FLOAT_EQ(s.GetRect().bottom, c.expected.bottom) << c.what;
    }
    CSprite s(FRect{0, 0, 20, 10}, FRect{0, 0, 1, 1});
    s.SetTexture(kSquare);
    s.SetSize(40, 30);
    EXPECT_FLOAT_EQ(s.GetRect().left, -10.0f);
    EXPECT_FLOAT_EQ(s.GetRect().bottom, 20.0f);
    s.Draw();
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[3].x, 29.5f);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[3].y, 19.5f);
}

TEST_F(Sprites, ShadowIsDrawnFirstAndFollowsItsSprite)
{
    CSprite s;
    s.Init(50, 60, Desc(kAtlas, 16, 16, 0, 0, 16, 16, 0xFFC0C0C0), true);
    ASSERT_NE(s.GetShadow(), nullptr);
    EXPECT_TRUE(s.OwnsRenderer());
    s.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    ASSERT_EQ(engine.draws[0].quads, 2u);
    const auto& v = engine.draws[0].vertices;
    EXPECT_FLOAT_EQ(v[0].x, 56.5f);  // shadow: 7 pixels right and down
    EXPECT_FLOAT_EQ(v[0].y, 66.5f);
    EXPECT_EQ(v[0].color, 0x64202020u);
    EXPECT_FLOAT_EQ(v[4].x, 49.5f);
    EXPECT_EQ(v[4].color, 0xFFC0C0C0u);
    EXPECT_FLOAT_EQ(v[0].u, v[4].u);

    // Position, angle, pivot and size changes reach the shadow; colours do not.
    s.SetPosition(10, 10);
    s.SetAngle(90);
    s.SetSize(32, 16);
    s.SetColor(0xFF00FF00);
    engine.ClearRecords();
    s.Draw();
    const auto& w = engine.draws[0].vertices;
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(w[i].x, w[4 + i].x + 7, 1e-3f) << i;
        EXPECT_NEAR(w[i].y, w[4 + i].y + 7, 1e-3f) << i;
    }
    EXPECT_EQ(w[0].color, 0x64202020u);
    EXPECT_EQ(w[4].color, 0xFF00FF00u);

    // Hiding the sprite hides its shadow.
    s.SetVisible(false);
    engine.ClearRecords();
    s.Draw();
    EXPECT_TRUE(engine.draws.empty());

    // New rects and frames reach the shadow too.
    s.SetVisible(true);
    s.SetRects(FRect{0, 0, 10, 20}, FRect{16, 0, 32, 16});
    engine.ClearRecords();
    s.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    const auto& r = engine.draws[0].vertices;
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(r[i].x, r[4 + i].x + 7, 1e-3f) << i;
        EXPECT_NEAR(r[i].y, r[4 + i].y + 7, 1e-3f) << i;
        EXPECT_FLOAT_EQ(r[i].u, r[4 + i].u) << i;
    }
    EXPECT_FLOAT_EQ(r[4].u, 0.25f);
    EXPECT_EQ(r[0].color, 0x64202020u);
}

TEST_F(Sprites, HiddenMembersDrawNothingAndTheBufferNeverShrinks)
{
    CRenderKeeper keeper;
    std::vector<std::unique_ptr<CSprite>> sprites;
    for (int i = 0; i < 3; ++i)
        sprites.push_back(std::make_unique<CSprite>(float(i * 20), 0.0f, Desc(kSquare, 8, 8, 0, 0, 8, 8), keeper));
    keeper.Draw();
    const CRendererPtr renderer = sprites[0]->GetRenderer();
    EXPECT_EQ(renderer->GetCapacity(), 3u);

    for (auto& s : sprites) s->SetVisible(false);
    engine.ClearRecords();
    keeper.Draw();
    EXPECT_TRUE(engine.draws.empty());
    EXPECT_EQ(renderer->GetQuadCount(), 0u);
    EXPECT_EQ(renderer->GetCapacity(), 3u);

    sprites[1]->SetVisible(true);
    keeper.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    EXPECT_EQ(engine.draws[0].quads, 1u);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[0].x, 19.5f);

    sprites.push_back(std::make_unique<CSprite>(0.0f, 0.0f, Desc(kSquare, 8, 8, 0, 0, 8, 8), keeper));
    keeper.Draw();
    EXPECT_EQ(renderer->GetCapacity(), 4u);  // grown to exactly what is needed
    sprites.resize(1);
    keeper.Draw();
    EXPECT_EQ(renderer->GetCapacity(), 4u);
    EXPECT_EQ(renderer->GetSprites().size(), 1u);
}

TEST_F(Sprites, GrayedKeeperGivesASecondRenderer)
{
    CRenderKeeper keeper;
    CRendererPtr plain = keeper.GetRenderer(kAtlas);
    EXPECT_FALSE(keeper.IsGrayed());
    EXPECT_EQ(keeper.GetRenderer("textures\\atlas.PNG"), plain);

    CRendererPtr gray = keeper.GetRenderer(kAtlas, true);
    EXPECT_TRUE(keeper.IsGrayed());
    EXPECT_NE(gray, plain);
    EXPECT_TRUE(gray->GetTexture()->IsGrayed());
    EXPECT_EQ(keeper.GetRenderer(kAtlas, true), gray);
    // A grayed keeper looks up plain requests among the plain entries only.
    EXPECT_EQ(keeper.GetRenderer(kAtlas), plain);
    EXPECT_EQ(keeper.GetUseCount(kAtlas, false), 3);
    EXPECT_EQ(keeper.GetUseCount(kAtlas, true), 2);

    GraphicsDesc d = Desc(kSquare, 8, 8, 0, 0, 8, 8);
    d.grayed = true;
    CSprite s(0, 0, d, keeper);
    EXPECT_TRUE(s.GetRenderer()->GetTexture()->IsGrayed());
    EXPECT_EQ(keeper.GetCount(), 3u);

    // Own renderers switch to the gray copy on request.
    CSprite own(FRect{0, 0, 8, 8}, FRect{0, 0, 8, 8});
    own.SetTexture(kSquare);
    own.MakeGray();
    EXPECT_TRUE(own.GetRenderer()->GetTexture()->IsGrayed());
}

TEST_F(Sprites, MissingTextureIsLoggedAndDrawsNothing)
{
    LogWatch log;
    CRenderKeeper keeper;
    CSprite plain(0, 0, Desc("Textures\\Missing.png", 8, 8, 0, 0, 8, 8), keeper);
    GraphicsDesc gray = Desc("Textures\\Missing.png", 8, 8, 0, 0, 8, 8);
    gray.grayed = true;
    std::unique_ptr<CSprite> grayed;
    EXPECT_NO_THROW(grayed = std::make_unique<CSprite>(0.0f, 0.0f, gray, keeper));
    CSprite own;
    EXPECT_NO_THROW(own.Init(0, 0, gray, true));

    keeper.Draw();
    own.Draw();
    EXPECT_TRUE(engine.draws.empty());
    EXPECT_TRUE(log.Has("Error: texture TEXTURES\\MISSING.PNG not found."));
    EXPECT_TRUE(log.Has("Error: texture TEXTURES\\MISSING.PNG width less then 1 (CRenderer::Init)"));
    EXPECT_TRUE(log.Has("Error: can't create grayed texture Textures\\Missing.png."));
    EXPECT_EQ(log.Count("Error: failed to open texture file"), 1u);
}

TEST_F(Sprites, AnimationStepsThroughTheRenderer)
{
    // Four 16 x 16 frames, two drawn frames each, one pass.
    const std::string file = kFixtureDir + "/Anims/Strip.xml";
    GraphicsDesc d = Desc(kAtlas, 16, 16, 0, 0, 0, 0);
    d.animation = file;
    CSprite s;
    s.Init(0, 0, d, true);
    ASSERT_EQ(s.GetAnimation().GetFrameCount(), 4u);
    EXPECT_TRUE(s.PlayAnimation(1));

    std::vector<float> us;
    for (int frame = 0; frame < 10; ++frame) {
        engine.ClearRecords();
        s.Draw();
        ASSERT_EQ(engine.draws.size(), 1u);
        us.push_back(engine.draws[0].vertices[4].u);
        EXPECT_EQ(engine.draws[0].vertices[0].u, engine.draws[0].vertices[4].u);  // the shadow too
    }
    const std::vector<float> expected = {0, 0.25f, 0.25f, 0.5f, 0.5f, 0.75f, 0.75f, 0.75f, 0.75f, 0.75f};
    EXPECT_EQ(us, expected);
    EXPECT_FALSE(s.IsPlaying());
    EXPECT_FALSE(s.PlayAnimation(0));

    // FinishAnimation lets an endless animation end on its last frame.
    s.PlayAnimation(1);
    s.GetAnimation().SetLoopsLimit(0);
    for (int i = 0; i < 3; ++i) s.Draw();
    s.FinishAnimation();
    for (int i = 0; i < 20; ++i) s.Draw();
    EXPECT_FALSE(s.IsPlaying());
    EXPECT_EQ(s.GetAnimation().GetCurrentIndex(), 3u);
}

TEST_F(Sprites, KeeperBeginFrameStepsAnimationsOncePerFrame)
{
    const std::string file = kFixtureDir + "/Anims/Strip.xml";
    GraphicsDesc d = Desc(kAtlas, 16, 16, 0, 0, 0, 0);
    d.animation = file;
    CRenderKeeper keeper;
    CSprite s(0, 0, d, keeper);
    s.PlayAnimation(1);
    keeper.BeginFrame();
    for (int i = 0; i < 5; ++i) keeper.Draw();  // one frame drawn five times
    keeper.BeginFrame();
    keeper.Draw();
    EXPECT_EQ(s.GetAnimation().GetCurrentIndex(), 1u);
}

TEST_F(Sprites, CopiesKeepOrShareTheRenderer)
{
    CSprite own;
    own.Init(5, 5, Desc(kAtlas, 16, 16, 0, 0, 16, 16, 0xFF808080), true);
    CSprite copy(own);
    EXPECT_TRUE(copy.OwnsRenderer());
    EXPECT_NE(copy.GetRenderer(), own.GetRenderer());
    EXPECT_EQ(copy.GetRenderer()->GetTexture(), own.GetRenderer()->GetTexture());
    ASSERT_NE(copy.GetShadow(), nullptr);
    EXPECT_NE(copy.GetShadow(), own.GetShadow());
    copy.Draw();
    ASSERT_EQ(engine.draws.size(), 1u);
    EXPECT_EQ(engine.draws[0].quads, 2u);
    EXPECT_EQ(engine.draws[0].vertices[4].color, 0xFF808080u);

    CRenderKeeper keeper;
    CSprite shared(0, 0, Desc(kAtlas, 16, 16, 0, 0, 16, 16), keeper);
    CSprite shared_copy(&shared, true);
    EXPECT_EQ(shared_copy.GetRenderer(), shared.GetRenderer());
    EXPECT_FALSE(shared_copy.OwnsRenderer());
    CSprite bare(&shared, false);
    EXPECT_FALSE(bare.GetRenderer());
    CSprite from_null(nullptr, true);
    EXPECT_FALSE(from_null.GetRenderer());
}

} // namespace
