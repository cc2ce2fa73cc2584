// Graph-object states and bases, graph objects and their effects, and the running-effect count.
#include "field_test_util.h"

#include "field/graph/field_graphobj.h"

#include "engine/sound/engine_soundqueue.h"
#include "support/recording_sound_keeper.h"

#include <stdexcept>

using namespace fieldtest;

namespace {

const char* const kBaseText = R"(<?xml version="1.0"?>
<Base>
  <GraphObj graph_type="3">
    <State name="DEFAULT">
      <Layer><graphics texture="Textures\Balls.png" tex_rect="0 0 8 8"/></Layer>
      <Layer><graphics texture="Textures\Locks.png" tex_rect="0 0 8 8" color="80FFFFFF"/></Layer>
      <sound file="one"/><sound file="two"/>
    </State>
    <State name="DEAD" expl_alias="poof"><sound file="a"/><sound file="b"/><sound file="c"/></State>
    <State name="default" expl_alias="lower case"/>
    <State name="GLOWING"/>
  </GraphObj>
  <GraphObj graph_type="7"><State name="GLOW"/></GraphObj>
</Base>)";

// A base written into a temporary folder and read back.
class Bases : public ::testing::Test {
protected:
    Bases()
    {
        zftest::WriteText(_dir / "Test.xml", kBaseText);
    }
    zftest::TempDir _dir;
};

TEST(GraphStates, NamesAndIds)
{
    const char* names[] = {"DEFAULT", "CREATE", "MOVE", "DEAD", "EXPLOSION", "SELECT", "MOUSE_OVER", "TIME_OUT", "GLOW"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(StateFromName(names[i]), i);
        EXPECT_STREQ(StateName(i), names[i]);
    }
    EXPECT_EQ(StateFromName("default"), -1);
    EXPECT_EQ(StateFromName(""), -1);
    EXPECT_STREQ(StateName(9), "ERROR STATE");
    EXPECT_STREQ(StateName(-1), "ERROR STATE");
}

TEST_F(Bases, ReadsTypesStatesLayersAndSoundsInFileOrder)
{
    zftest::LogWatch log;
    const CGraphObjBase base(_dir / "Test.xml", "Base", "GraphObj");
    EXPECT_EQ(base.GetTypeCount(), 2u);
    ASSERT_TRUE(base.HasState(3, gosDefault));
    const GraphObjState* def = base.GetState(3, gosDefault);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->expl_alias, "");
    ASSERT_EQ(def->layers.size(), 2u);
    EXPECT_EQ(def->layers[0].texture, "Textures\\Balls.png");
    EXPECT_EQ(def->layers[1].color, 0x80FFFFFFu);
    EXPECT_EQ(def->sounds, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(base.GetState(3, gosDead)->expl_alias, "poof");
    // The lower-case and unknown names were dropped, each with a line naming file and type.
    EXPECT_EQ(base.GetType(3)->states.size(), 2u);
    EXPECT_TRUE(log.Has("unknown state name 'default' in object graph type 3"));
    EXPECT_TRUE(log.Has("unknown state name 'GLOWING' in object graph type 3"));
    EXPECT_TRUE(base.HasType(7));
    EXPECT_FALSE(base.HasState(7, gosDefault));
}

TEST_F(Bases, MissingTypesStatesAndFilesAreLogged)
{
    const CGraphObjBase base(_dir / "Test.xml", "Base", "GraphObj");
    const std::string file = _dir / "Test.xml";
    {
        zftest::LogWatch log;
        EXPECT_EQ(base.GetType(4), nullptr);
        EXPECT_FALSE(base.HasType(4));
        EXPECT_TRUE(log.Has(file + ": No find object with graph type 4"));
    }
    {
        zftest::LogWatch log;
        EXPECT_EQ(base.GetState(7, gosSelect), nullptr);
        EXPECT_TRUE(log.Has(file + ": No find state type SELECT in object graph type 7 "));
        EXPECT_EQ(base.GetState(9, gosDefault), nullptr);
        EXPECT_TRUE(log.Has(file + ": No find object with graph type 9"));
        EXPECT_TRUE(log.Has(file + ": No find state type DEFAULT in object graph type 9 "));
        try {
            base.RequireState(7, gosDead);
            FAIL();
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "verify {action != NULL} failed");
        }
    }
    for (const char* text : {"", "<Base", "<Other><GraphObj graph_type=\"1\"/></Other>"}) {
        zftest::WriteText(_dir / "Bad.xml", text);
        zftest::LogWatch log;
        const CGraphObjBase bad(_dir / "Bad.xml", "Base", "GraphObj");
        EXPECT_EQ(bad.GetTypeCount(), 0u) << text;
        EXPECT_TRUE(log.Has("Bad.xml")) << text;
    }
    zftest::LogWatch log;
    const CGraphObjBase none(_dir / "Missing.xml", "Base", "GraphObj");
    EXPECT_EQ(none.GetTypeCount(), 0u);
    EXPECT_TRUE(log.Has("Missing.xml not read"));
}

// Graph objects on the fixture folder's bases.
class GraphObjects : public FieldFixture {
protected:
    const GraphObjState* Ball(int type, int state) { return GetGraphBase(gbBalls).GetState(type, state); }
    std::shared_ptr<CRenderKeeper> keeper = std::make_shared<CRenderKeeper>();
};

TEST_F(GraphObjects, AlphaEffectRoundsToEvenAndEndsOnItsTarget)
{
    CGraphObj obj(Ball(1, gosDefault), 12, 12, keeper);
    obj.SetAlpha(0);
    const int before = CEffectCounter::GetCount();
    obj.SetEffect(std::make_unique<CAlphaEffect>(&obj, 255u, 10u));
    EXPECT_EQ(CEffectCounter::GetCount(), before + 1);
    std::vector<uint32_t> alphas;
    for (int i = 0; i < 9; ++i) {
        obj.StepEffect();
        alphas.push_back(obj.GetAlpha());
        EXPECT_TRUE(obj.HasEffect());
    }
    EXPECT_EQ(alphas, (std::vector<uint32_t>{0, 26, 51, 76, 102, 128, 153, 178, 204}));
    obj.StepEffect();
    EXPECT_EQ(obj.GetAlpha(), 255u);
    EXPECT_FALSE(obj.HasEffect());
    EXPECT_EQ(CEffectCounter::GetCount(), before);
}

TEST_F(GraphObjects, ANewEffectFinishesTheOldOneAndTheCountStaysExact)
{
    const int before = CEffectCounter::GetCount();
    {
        CGraphObj obj(Ball(1, gosDefault), 12, 12, keeper);
        obj.SetEffect(std::make_unique<CScaleEffect>(&obj, 30.0f, 20.0f, 4u));
        obj.StepEffect();
        EXPECT_FLOAT_EQ(obj.GetWidth(), 16.5f);
        obj.SetEffect(std::make_unique<CAlphaEffect>(&obj, 0u, 5u));
        // The scale effect's end values were applied when it was replaced.
        EXPECT_FLOAT_EQ(obj.GetWidth(), 30.0f);
        EXPECT_FLOAT_EQ(obj.GetHeight(), 20.0f);
        EXPECT_EQ(CEffectCounter::GetCount(), before + 1);
        EXPECT_TRUE(CEffectCounter::HasRunning());
        obj.StopEffect();
        EXPECT_EQ(obj.GetAlpha(), 0u);
        EXPECT_EQ(CEffectCounter::GetCount(), before);
        obj.StopEffect();
        EXPECT_EQ(CEffectCounter::GetCount(), before);
        obj.SetEffect(std::make_unique<CAlphaEffect>(&obj, 9u, 5u));
    }
    // Destroying an object with a running effect lowers the count.
    EXPECT_EQ(CEffectCounter::GetCount(), before);
    EXPECT_THROW(CAlphaEffect(nullptr, 1u, 0u), std::runtime_error);
    if (before == 0) {
        try {
            CEffectCounter::Decrement();
            FAIL();
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "verify {_effect_counter} failed");
        }
    }
}

TEST_F(GraphObjects, AppearEffectOvershootsAndEndsAtTheFinalSizeAndPlace)
{
    CGraphObj obj(Ball(1, gosDefault), 1, 1, keeper);
    obj.SetAlpha(0);
    obj.SetPos(50, 50);
    obj.SetEffect(std::make_unique<CAppearEffect>(&obj, 255u, 36.0f, 36.0f, 36.0f, 36.0f, 20.0f, 30.0f, 20.0f, 12u));
    float largest = 0.0f;
    int steps = 0;
    while (obj.HasEffect() && steps < 100) {
        obj.StepEffect();
        largest = std::max(largest, obj.GetHeight());
        ++steps;
    }
    EXPECT_EQ(steps, 12);
    EXPECT_GE(largest, 43.2f - 1e-3f);
    EXPECT_FLOAT_EQ(obj.GetWidth(), 36.0f);
    EXPECT_FLOAT_EQ(obj.GetHeight(), 36.0f);
    EXPECT_FLOAT_EQ(obj.GetX(), 20.0f);
    EXPECT_FLOAT_EQ(obj.GetY(), 30.0f);
    EXPECT_EQ(obj.GetAlpha(), 255u);

    // Started above the overshoot it shrinks straight back (no swinging about the overshoot).
    CGraphObj big(Ball(1, gosDefault), 60, 60, keeper);
    big.SetEffect(std::make_unique<CAppearEffect>(&big, 255u, 36.0f, 36.0f, 36.0f, 36.0f, 0.0f, 0.0f, 20.0f, 10u));
    float previous = big.GetHeight();
    for (int i = 0; i < 9; ++i) {
        big.StepEffect();
        EXPECT_LT(big.GetHeight(), previous) << i;
        previous = big.GetHeight();
    }
}

TEST_F(GraphObjects, ClonesRecomputeTheirStepsForTheirObjectAndFinishWhereTheyEnd)
{
    CGraphObj a(Ball(1, gosDefault), 10, 10, keeper);
    CGraphObj b(Ball(2, gosDefault), 30, 30, keeper);
    a.SetAlpha(0);
    b.SetAlpha(200);
    CScaleEffect scale(&a, 20.0f, 20.0f, 5u);
    const auto cloned = scale.Clone(&b);
    cloned->Step();
    EXPECT_FLOAT_EQ(b.GetWidth(), 28.0f);   // (20 - 30) / 5 a step
    cloned->Finish();
    EXPECT_FLOAT_EQ(b.GetWidth(), 20.0f);
    EXPECT_FLOAT_EQ(a.GetWidth(), 10.0f);

    CAlphaEffect fade(&a, 100u, 4u);
    const auto fade_b = fade.Clone(&b);
    fade_b->Step();
    fade_b->Step();
    EXPECT_EQ(b.GetAlpha(), 175u);   // 200, then 200 - 25
    EXPECT_EQ(a.GetAlpha(), 0u);

    // An appear effect's finish sets size and alpha, not the place.
    b.SetPos(3, 4);
    CAppearEffect appear(&b, 255u, 36.0f, 36.0f, 36.0f, 36.0f, 50.0f, 60.0f, 20.0f, 8u);
    appear.Step();
    appear.Finish();
    EXPECT_FLOAT_EQ(b.GetWidth(), 36.0f);
    EXPECT_EQ(b.GetAlpha(), 255u);
    EXPECT_NE(b.GetX(), 50.0f);
    // Without an object an effect has nothing to do and says so when it must act.
    CAlphaEffect lonely(nullptr, 10u, 2u);
    try {
        lonely.Step();
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "verify {_obj != NULL} failed");
    }
}

TEST_F(GraphObjects, LayersStateChangesAndSounds)
{
    const CGraphObjBase base(kFixtureDir + "/Settings/Bases/Balls.xml", "Base", "GraphObj");
    zftest::TempDir dir;
    zftest::WriteText(dir / "Test.xml", kBaseText);
    const CGraphObjBase test(dir / "Test.xml", "Base", "GraphObj");
    CGraphObj obj(test.GetState(3, gosDefault), 12, 12, keeper);
    ASSERT_EQ(obj.GetLayerCount(), 2u);
    obj.SetAlpha(100, 5);
    EXPECT_EQ(obj.GetAlpha(0), 255u);
    EXPECT_EQ(obj.GetAlpha(1), 0x80u);
    obj.SetAlpha(100, 1);
    EXPECT_EQ(obj.GetAlpha(1), 100u);
    obj.SetAlpha(7.5f);
    EXPECT_EQ(obj.GetAlpha(0), 8u);
    EXPECT_EQ(obj.GetAlpha(1), 8u);
    EXPECT_EQ(obj.GetAlpha(2), 0u);
    float x = -1, y = -1;
    EXPECT_FALSE(obj.GetPos(x, y, 2));
    EXPECT_EQ(x, -1.0f);

    obj.SetPos(10, 20);
    obj.SetSize(30, 40);
    obj.SetAngle(90);
    obj.SetVisible(false);
    obj.ChangeState(test.GetState(3, gosDead));
    EXPECT_EQ(obj.GetLayerCount(), 0u);
    obj.ChangeState(base.GetState(2, gosDefault));
    ASSERT_EQ(obj.GetLayerCount(), 1u);
    // Hidden stays hidden across state changes.
    EXPECT_FALSE(obj.GetLayer(0)->IsVisible());

    CGraphObj sized(test.GetState(3, gosDefault), 12, 12, keeper);
    sized.SetPos(10, 20);
    sized.SetSize(30, 40);
    sized.SetAngle(90);
    const float kept_x = sized.GetX(), kept_y = sized.GetY();
    sized.ChangeState(base.GetState(2, gosDefault));
    EXPECT_FLOAT_EQ(sized.GetWidth(), 30.0f);
    EXPECT_FLOAT_EQ(sized.GetHeight(), 40.0f);
    EXPECT_FLOAT_EQ(sized.GetAngle(), 90.0f);
    EXPECT_FLOAT_EQ(sized.GetX(), kept_x);
    EXPECT_FLOAT_EQ(sized.GetY(), kept_y);

    CRecordingSoundKeeper sounds;
    ISoundKeeper* previous = g_SoundKeeper;
    g_SoundKeeper = &sounds;
    CGraphObj dead(test.GetState(3, gosDead), 12, 12, keeper);
    dead.PlaySound(3);
    g_SoundQueue.Update();
    CGraphObj quiet(test.GetState(7, gosGlow), 12, 12, keeper);
    quiet.PlaySound(0);
    g_SoundQueue.Update();
    g_SoundKeeper = previous;
    EXPECT_EQ(sounds.Calls("PlaySample"), (std::vector<std::string>{"PlaySample c"}));

    EXPECT_THROW(CGraphObj(nullptr, 1, 1, keeper), std::runtime_error);
    EXPECT_THROW(CGraphObj(base.GetState(2, gosDefault), 1, 1, nullptr), std::runtime_error);
    EXPECT_THROW(obj.SetEffect(nullptr), std::runtime_error);
}

} // namespace
