// CPyro2 and the library start and stop, against the recording engine: ids, positions, activity,
// removal after inactivity on the container's clock, batching, device resets.
#include "engine/base/engine_log.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_texture.h"
#include "support/recording_engine.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

constexpr float kFrame = 0.016f;

size_t CountInLog(const std::string& text)
{
    return zftest::CountOf(zftest::ReadLog(), text);
}

class PyroTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine.frame_time = kFrame;
        ASSERT_TRUE(InitPyro("Test.pyro"));
        SetPyroSeed(1);
    }
    void TearDown() override
    {
        ShutdownPyro();
    }

    // Renders until the emitter is gone; the container's clock then (or -1 after the limit).
    static float ClockWhenRemoved(CPyro2& pyro, CPyro2::EmitterId id, float limit = 10.0f)
    {
        while (pyro.GetClock() < limit) {
            pyro.Render();
            if (!pyro.HasEmitter(id)) return pyro.GetClock();
        }
        return -1.0f;
    }

    zftest::ScopedChdir _dir{ZF_TEST_DATA_DIR "/pyro"};
    RecordingEngine engine;
};

} // namespace

TEST_F(PyroTest, StartAndStopAreLoggedAndABadLibraryFailsTheStart)
{
    EXPECT_TRUE(IsPyroInitialized());
    EXPECT_GE(CountInLog("Pyro particle library initialized."), 1u);
    EXPECT_EQ(GetPyroEmitterNames(), (std::vector<std::string> {"Burst", "Ghost", "Glow", "Loop", "PixelBurst", "Still"}));
    // the library listens to device resets while it is loaded (beside the texture cache)
    const size_t listening = engine.reset_listeners.size();
    ShutdownPyro();
    EXPECT_FALSE(IsPyroInitialized());
    EXPECT_EQ(engine.reset_listeners.size(), listening - 1);

    struct Case {
        const char* file;
        const char* reason;
    } cases[] = {
        {"Nothing.pyro", "Pyro exception: Nothing.pyro: the file cannot be read"},
        {"Broken.pyro", "Pyro exception: Broken.pyro: emitter 'Sparks': attribute 'life' is not a list of numbers"},
    };
    for (const Case& c : cases) {
        const size_t before = CountInLog(c.reason);
        try {
            InitPyro(c.file);
            ADD_FAILURE() << c.file << " accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Pyro: particle library initialization failed.");
        }
        EXPECT_EQ(CountInLog(c.reason), before + 1) << c.reason;
        EXPECT_FALSE(IsPyroInitialized());
        EXPECT_EQ(engine.reset_listeners.size(), listening - 1);
    }
}

TEST_F(PyroTest, IdsCountUpAreNeverReusedAndRunOut)
{
    CPyro2 pyro;
    EXPECT_FALSE(pyro.HasEmitters());
    EXPECT_EQ(pyro.AddEmitter("Burst", 10, 10), 0u);
    EXPECT_EQ(pyro.AddEmitter("Glow", 10, 10), 1u);
    pyro.RemoveEmitter(0);
    EXPECT_FALSE(pyro.HasEmitter(0));
    EXPECT_TRUE(pyro.HasEmitter(1));
    EXPECT_EQ(pyro.AddEmitter("Burst", 10, 10), 2u);

    // an unknown name is reported once, adds nothing, and uses up its id
    const size_t before = CountInLog("particle emitter 'Fireworks' not found");
    EXPECT_EQ(pyro.AddEmitter("Fireworks", 10, 10), 3u);
    EXPECT_EQ(pyro.AddEmitter("Fireworks", 10, 10), 4u);
    EXPECT_EQ(CountInLog("particle emitter 'Fireworks' not found"), before + 1);
    EXPECT_FALSE(pyro.HasEmitter(3));
    EXPECT_FALSE(pyro.HasEmitter(4));
    EXPECT_EQ(pyro.GetEmitterCount(), 2u);

    pyro.SetNextId(0xFFFFFFFEu);
    EXPECT_EQ(pyro.AddEmitter("Burst", 0, 0), 0xFFFFFFFEu);
    try {
        pyro.AddEmitter("Burst", 0, 0);
        ADD_FAILURE() << "no exception at the end of the ids";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Pyro emitters list is full!");
    }
    EXPECT_EQ(pyro.GetEmitterCount(), 3u);

    pyro.Clear();
    EXPECT_FALSE(pyro.HasEmitters());
}

TEST_F(PyroTest, PositionsFollowTheMovesAndShowInTheQuads)
{
    CPyro2 pyro;
    const auto a = pyro.AddEmitter("Still", 100, 50);
    const auto b = pyro.AddEmitter("Still", 300, 200);
    // a still particle is born where its emitter was created and drawn as a square around it
    // (corners half a pixel up and left, as every sprite's)
    pyro.Render();
    ASSERT_EQ(engine.draws.size(), 1u);
    const RecordingEngine::Draw& d = engine.draws[0];
    ASSERT_EQ(d.quads, 2u);
    EXPECT_EQ(d.stride, sizeof(VERTEX_2DPNT1));
    const VERTEX_2DPNT1* v = d.vertices.data();
    EXPECT_FLOAT_EQ(v[0].x, 100 - 5 - 0.5f);
    EXPECT_FLOAT_EQ(v[0].y, 50 - 5 - 0.5f);
    EXPECT_FLOAT_EQ(v[3].x, 100 + 5 - 0.5f);
    EXPECT_FLOAT_EQ(v[3].y, 50 + 5 - 0.5f);
    EXPECT_FLOAT_EQ(v[1].x, v[3].x);
    EXPECT_FLOAT_EQ(v[1].y, v[0].y);
    EXPECT_FLOAT_EQ(v[2].x, v[0].x);
    EXPECT_FLOAT_EQ(v[2].y, v[3].y);
    EXPECT_EQ(v[1].u, 1.0f);
    EXPECT_EQ(v[2].v, 1.0f);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i].color, 0xFFFFFFFFu);

    float x = 0, y = 0;
    struct Step {
        const char* what;
        std::function<void()> op;
        float ax, ay, bx, by;
    } steps[] = {
        {"start", [] {}, 100, 50, 300, 200},
        {"Move", [&] { pyro.Move(5, -10); }, 105, 40, 305, 190},
        {"MoveEmitter", [&] { pyro.MoveEmitter(b, -5, 10); }, 105, 40, 300, 200},
        {"SetEmitterPosition", [&] { pyro.SetEmitterPosition(a, 20.5f, 30.25f); }, 20.5f, 30.25f, 300, 200},
        {"unknown ids", [&] { pyro.MoveEmitter(77, 1, 1); pyro.SetEmitterPosition(78, 1, 1); }, 20.5f, 30.25f, 300, 200},
        {"OffsetEmitters", [&] { pyro.OffsetEmitters(50, 50); }, 20.5f, 30.25f, 300, 200},
        {"SetPosition", [&] { pyro.SetPosition(400, 300); }, 400, 300, 400, 300},
    };
    for (const Step& s : steps) {
        s.op();
        ASSERT_TRUE(pyro.GetEmitterPosition(a, x, y)) << s.what;
        EXPECT_EQ(x, s.ax) << s.what;
        EXPECT_EQ(y, s.ay) << s.what;
        ASSERT_TRUE(pyro.GetEmitterPosition(b, x, y)) << s.what;
        EXPECT_EQ(x, s.bx) << s.what;
        EXPECT_EQ(y, s.by) << s.what;
    }
    x = y = -1;
    EXPECT_FALSE(pyro.GetEmitterPosition(99, x, y));
    EXPECT_EQ(x, -1);

    // new particles start where the emitter is when it renders
    const auto c = pyro.AddEmitter("Still", 0, 0);
    pyro.SetEmitterPosition(c, 600, 400);
    engine.draws.clear();
    pyro.Render();
    ASSERT_EQ(engine.draws.size(), 1u);
    ASSERT_EQ(engine.draws[0].quads, 3u);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[8].x, 600 - 5 - 0.5f);
    EXPECT_FLOAT_EQ(engine.draws[0].vertices[8].y, 400 - 5 - 0.5f);
}

TEST_F(PyroTest, FiniteEmittersAreRemovedAThirdOfASecondAfterTheyEnd)
{
    CPyro2 pyro;
    const auto burst = pyro.AddEmitter("Burst", 10, 10);
    // particles live 0.5 s; the emitter goes 0.3 s of rendering later
    const float removed = ClockWhenRemoved(pyro, burst);
    EXPECT_NEAR(removed, 0.5f + 0.3f, 2.5f * kFrame);
    EXPECT_FALSE(pyro.HasEmitters());

    // the clock only runs while the container renders
    const auto late = pyro.AddEmitter("Burst", 10, 10);
    EXPECT_TRUE(pyro.HasEmitter(late));
    const float start = pyro.GetClock();
    EXPECT_NEAR(ClockWhenRemoved(pyro, late) - start, 0.8f, 2.5f * kFrame);

    // a looping emitter stays until its owner removes it
    const auto loop = pyro.AddEmitter("Loop", 10, 10);
    for (int i = 0; i < 600; ++i) pyro.Render();
    EXPECT_TRUE(pyro.HasEmitter(loop));
    EXPECT_GT(pyro.GetParticleCount(), 0u);
    pyro.RemoveEmitter(loop);
    EXPECT_FALSE(pyro.HasEmitters());
}

TEST_F(PyroTest, OnlyTheNamedEmittersAreKeptAlive)
{
    CPyro2 pyro;
    const auto kept = pyro.AddEmitter("Loop", 10, 10);
    const auto other = pyro.AddEmitter("Loop", 20, 20);
    const auto third = pyro.AddEmitter("Loop", 30, 30);
    float gone_at = -1;
    for (int i = 0; i < 60; ++i) {
        pyro.RenderEmitter(kept);
        if (gone_at < 0 && !pyro.HasEmitter(other)) gone_at = pyro.GetClock();
    }
    EXPECT_NEAR(gone_at, 0.3f, 1.5f * kFrame);
    EXPECT_TRUE(pyro.HasEmitter(kept));
    EXPECT_FALSE(pyro.HasEmitter(third));

    const auto a = pyro.AddEmitter("Loop", 0, 0);
    const auto b = pyro.AddEmitter("Loop", 0, 0);
    for (int i = 0; i < 60; ++i) pyro.RenderEmitters(std::vector<int> {int(a), int(kept), 12345});
    EXPECT_TRUE(pyro.HasEmitter(a));
    EXPECT_TRUE(pyro.HasEmitter(kept));
    EXPECT_FALSE(pyro.HasEmitter(b));
}

TEST_F(PyroTest, EmptyContainerAdvancesItsClockAndDrawsNothing)
{
    CPyro2 pyro;
    for (int i = 0; i < 10; ++i) pyro.Render();
    EXPECT_NEAR(pyro.GetClock(), 10 * kFrame, 1e-5f);
    EXPECT_TRUE(engine.draws.empty());
    EXPECT_TRUE(engine.textures_set.empty());
}

TEST_F(PyroTest, ParticlesAreBatchedPerTextureWithTheirBlendMode)
{
    CPyro2 pyro;
    pyro.AddEmitter("Burst", 100, 100);
    pyro.AddEmitter("Glow", 200, 100);
    pyro.AddEmitter("Burst", 300, 100);
    pyro.AddEmitter("Ghost", 300, 100);   // its texture is missing: not drawn, still alive
    pyro.Render();
    ASSERT_EQ(engine.draws.size(), 2u);
    EXPECT_EQ(engine.draws[0].quads, 20u);
    EXPECT_EQ(engine.draws[0].blend, EBlend::Alpha);
    EXPECT_EQ(engine.draws[0].vertices[0].color, 0xFFFF8040u);
    EXPECT_EQ(engine.draws[1].quads, 3u);
    EXPECT_EQ(engine.draws[1].blend, EBlend::Add);
    EXPECT_EQ(engine.textures_set.size(), 2u);
    EXPECT_EQ(pyro.GetEmitterCount(), 4u);
}

TEST_F(PyroTest, DrawingGoesOnAfterADeviceResetAndStopsAtShutdown)
{
    CPyro2 pyro;
    const auto id = pyro.AddEmitter("Loop", 100, 100);
    for (int i = 0; i < 5; ++i) pyro.Render();
    const size_t draws = engine.draws.size();
    EXPECT_GT(draws, 0u);

    engine.SimulateDeviceReset();
    for (int i = 0; i < 5; ++i) pyro.Render();
    EXPECT_EQ(engine.draws.size(), draws + 5);

    // containers that outlive the library keep their emitters but draw nothing
    ShutdownPyro();
    engine.draws.clear();
    for (int i = 0; i < 5; ++i) pyro.Render();
    EXPECT_TRUE(engine.draws.empty());
    EXPECT_TRUE(pyro.HasEmitter(id));
    EXPECT_EQ(pyro.AddEmitter("Loop", 0, 0), id + 1);
    EXPECT_FALSE(pyro.HasEmitter(id + 1));
}

// The game's own library starts with all its textures and holds every effect the game's data and
// code ask for by name.
TEST(PyroGameLibrary, StartsCleanlyAndHoldsEveryEffectTheGameNames)
{
    RecordingEngine engine;
    engine.frame_time = kFrame;
    zftest::ScopedChdir dir(ZF_GAME_DATA_DIR);
    const size_t missing_before = CountInLog("cannot be loaded");
    ASSERT_TRUE(InitPyro("Textures\\Pyro\\PyroDemo2.pyro"));
    EXPECT_EQ(CountInLog("cannot be loaded"), missing_before);

    const char* const names[] = {
        "Rocket_Tail", "Salut",   // the city fireworks' fixed names
        "Expl_Ball", "Expl_Multiball", "Expl_Lock", "Expl_Box", "Expl_Wall", "Expl_Tile", "Expl_BallChange",
        "Expl_Dynamite", "Burner_Flame", "Wand_Change", "Clover_Change", "SandClock_Fly", "Bonus_Resource_Appear",
        "Help_Page_Turn", "Bg_Fireflies", "Bg_Bubbles", "City_Built", "City_Smoke", "City_Fountain", "Epoch_Activate",
    };
    const std::vector<std::string> known = GetPyroEmitterNames();
    for (const char* name : names)
        EXPECT_NE(std::find(known.begin(), known.end(), name), known.end()) << name;

    // a rocket's burst ends by itself, as the fireworks wait for it
    CPyro2 pyro;
    const auto burst = pyro.AddEmitter("Salut", 400, 200);
    int frames = 0;
    while (pyro.HasEmitter(burst) && frames < 1000) {
        pyro.Render();
        ++frames;
    }
    EXPECT_LT(frames, 200);
    EXPECT_FALSE(engine.draws.empty());
    ShutdownPyro();
}
