// Frame animations loaded from XML: stepping, loops, reverse order, skipped frames, defaults,
// the hit polygon and the cache.
#include "engine/render/engine_anim.h"
#include "engine/base/engine_layout.h"
#include "engine/render/engine_render.h"
#include "support/render_test_util.h"

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

std::string Anim(const char* name)
{
    return kFixtureDir + "/Anims/" + name;
}

// The shown frame's left texture edge after each of n steps.
std::vector<float> Lefts(CAnimation& a, int n)
{
    std::vector<float> out;
    for (int i = 0; i < n; ++i) {
        a.Step();
        out.push_back(a.GetCurrentFrame().left);
    }
    return out;
}

TEST(Animation, LoopsStopOnTheLastFrame)
{
    CAnimation a(Anim("Loops2.xml"));
    ASSERT_EQ(a.GetFrameCount(), 3u);
    EXPECT_TRUE(a.IsPlaying());
    EXPECT_EQ(a.GetLoopsLimit(), 2u);
    EXPECT_EQ(a.GetCurrentFrame().left, 0.0f);
    // Delay 1: a new frame on every step; two passes, then it rests on the last frame.
    EXPECT_EQ(Lefts(a, 8), (std::vector<float>{1, 2, 0, 1, 2, 2, 2, 2}));
    EXPECT_FALSE(a.IsPlaying());
    EXPECT_FALSE(a.Step());
    EXPECT_EQ(a.GetLoopsDone(), 2u);
}

TEST(Animation, ReversePlaysBackwards)
{
    CAnimation a(Anim("Reverse.xml"));
    ASSERT_EQ(a.GetFrameCount(), 3u);
    std::vector<float> seen = {a.GetCurrentFrame().left};
    for (float f : Lefts(a, 5)) seen.push_back(f);
    EXPECT_EQ(seen, (std::vector<float>{2, 1, 0, 2, 1, 0}));
}

TEST(Animation, OneFrameIsAStillPicture)
{
    CAnimation a(Anim("Single.xml"));
    EXPECT_EQ(a.GetFrameCount(), 0u);
    EXPECT_FALSE(a.IsPlaying());
    EXPECT_FALSE(a.IsRandomStart());
    EXPECT_FALSE(a.Step());
    EXPECT_EQ(a.GetCurrentFrame().left, 4.0f);
    EXPECT_EQ(a.GetCurrentFrame().bottom, 7.0f);
}

TEST(Animation, DefaultsAndOutOfRangeStart)
{
    CAnimation a(Anim("StartPastEnd.xml"));
    EXPECT_EQ(a.GetFrameCount(), 3u);
    EXPECT_EQ(a.GetStartFrame(), 0u);
    EXPECT_EQ(a.GetCurrentIndex(), 0u);
    EXPECT_FALSE(a.IsPlaying());       // stopped="1"
    EXPECT_EQ(a.GetLoopsLimit(), 1u);  // animate_once with no loops
    EXPECT_EQ(a.GetDefaultDelay(), 3); // speed's default
    EXPECT_EQ(a.GetTotalDelay(), 5 + 0 + 3);

    // Delay 5 at speed factor 2 stays ten steps; delay 0 changes on every step.
    a.SetPlaying(true);
    a.SetSpeedFactor(2.0f);
    int steps = 0;
    while (!a.Step()) ++steps;
    EXPECT_EQ(steps, 9);
    EXPECT_EQ(a.GetCurrentIndex(), 1u);
    EXPECT_TRUE(a.Step());
    EXPECT_EQ(a.GetCurrentIndex(), 2u);
}

TEST(Animation, AHugeDelayHoldsTheFrame)
{
    CAnimation a(Anim("HugeDelay.xml"));
    ASSERT_EQ(a.GetFrameCount(), 2u);
    for (float factor : {1.0f, 3.0f}) {
        a.SetSpeedFactor(factor);
        for (int i = 0; i < 100; ++i) ASSERT_FALSE(a.Step()) << factor << " step " << i;
        EXPECT_EQ(a.GetCurrentIndex(), 0u);
    }
}

TEST(Animation, InvalidFramesAreSkippedAndLogged)
{
    LogWatch log;
    CAnimation a(Anim("Skipped.xml"));
    EXPECT_TRUE(log.Has("Error: animation from file " + Anim("Skipped.xml") +
                        "; frame 1 has invalid tex_rect. Frame skipped."));
    ASSERT_EQ(a.GetFrameCount(), 3u);
    // The default successor counts stored frames only: frame "2,0,3,1" follows on to index 2.
    EXPECT_EQ(a.GetFrames()[1].next_frame, 2u);
    // A successor pointing back never wraps, so the pass never ends.
    EXPECT_EQ(Lefts(a, 5), (std::vector<float>{2, 3, 2, 3, 2}));
}

TEST(Animation, FilesWithoutFramesFailSoftly)
{
    {
        LogWatch log;
        CAnimation a;
        EXPECT_FALSE(a.Load(Anim("NoFrames.xml")));
        EXPECT_TRUE(log.Has("Loading animation '" + Anim("NoFrames.xml") + "' failed: no valid frames."));
        EXPECT_EQ(a.GetFrameCount(), 0u);
    }
    for (const char* name : {"Broken.xml", "Missing.xml"}) {
        LogWatch log;
        CAnimation a;
        EXPECT_NO_THROW(EXPECT_FALSE(a.Load(Anim(name)))) << name;
        EXPECT_FALSE(a.IsPlaying());
        EXPECT_TRUE(log.Has("Loading animation")) << name;
    }
}

TEST(Animation, CacheKeepsOneCopyPerFileEvenWhenItFailed)
{
    auto& cache = CAniCacher::Instance();
    const CAnimation* a = cache.GetAnimation(Anim("Loops2.xml"));
    EXPECT_EQ(cache.GetAnimation(Anim("Loops2.xml")), a);
    LogWatch log;
    const CAnimation* missing = cache.GetAnimation(Anim("Missing.xml"));
    EXPECT_EQ(cache.GetAnimation(Anim("Missing.xml")), missing);
    EXPECT_EQ(log.Count("Loading animation"), 1u);
    EXPECT_EQ(missing->GetFrameCount(), 0u);

    // Setup copies the cached animation and restarts the copy.
    GraphicsDesc d;
    d.animation = Anim("Loops2.xml");
    CAnimation copy;
    copy.Setup(d);
    copy.Step();
    EXPECT_EQ(copy.GetCurrentIndex(), 1u);
    EXPECT_EQ(a->GetCurrentIndex(), 0u);
    d.animation.clear();
    d.tex_rect[2] = 9;
    copy.Setup(d);
    EXPECT_EQ(copy.GetFrameCount(), 0u);
    EXPECT_EQ(copy.GetCurrentFrame().right, 9.0f);
}

TEST(Animation, PolygonIsFittedAndFollowsTheSprite)
{
    CAnimation a(Anim("Poly.xml"));
    ASSERT_TRUE(a.HasPolygon());
    EXPECT_TRUE(a.IsPolygonEnabled());
    EXPECT_EQ(a.GetCurrentIndex(), 1u);
    // The first frame's polygon is malformed; the second one's is used, stored closed.
    ASSERT_EQ(a.GetPolygon().GetPoints().size(), 5u);
    EXPECT_EQ(a.GetPolygon().GetPoints()[0], CVector2(-10, -5));

    RecordingEngine engine;
    GraphicsDesc d;
    d.texture = "Textures\\Atlas.png";
    d.animation = Anim("Poly.xml");
    d.width = 40;
    d.height = 30;
    ScopedChdir dir(kFixtureDir);
    CRenderKeeper keeper;
    CSprite s(100, 100, d, keeper);  // centre (120, 115); polygon scaled by (2, 3)
    keeper.Draw();
    const CPolygon& p = s.GetPolygon();
    EXPECT_TRUE(p.IsPointInside(120 + 19, 115 + 14));
    EXPECT_FALSE(p.IsPointInside(120 + 21, 115));
    EXPECT_FALSE(p.IsPointInside(120, 115 + 16));
    s.SetAngle(90);  // now 30 wide and 40 high
    keeper.Draw();
    EXPECT_TRUE(s.GetPolygon().IsPointInside(120, 115 + 19));
    EXPECT_FALSE(s.GetPolygon().IsPointInside(120 + 19, 115));
    CTextureCacher::Instance().Clear();
}

} // namespace
