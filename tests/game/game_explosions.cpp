// The explosion manager on small fixture files (tests/data/game/explosions, emitters of
// tests/data/pyro/Test.pyro, whose dot texture lies beside the fixture) against the recording engine, and the shipped Explosions.xml against
// the aliases the shipped data asks for.
#include "game/game_explosions.h"

#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_render.h"
#include "engine/render/engine_texture.h"
#include "support/recording_engine.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace {

constexpr float kFrame = 0.016f;
const std::string kFixtureDir = ZF_TEST_DATA_DIR "/game/explosions";

class Explosions : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine.frame_time = kFrame;
        ASSERT_TRUE(InitPyro(ZF_TEST_DATA_DIR "/pyro/Test.pyro"));
        SetPyroSeed(1);
    }
    void TearDown() override
    {
        DestroyExplosionManager();
        ShutdownPyro();
        CTextureCacher::Instance().Clear();
        CAniCacher::Instance().Clear();
    }

    // The smallest x and y of the quads drawn so far, moved back by the half-pixel offset.
    static std::pair<float, float> Corner(const RecordingEngine::Draw& draw)
    {
        float x = draw.vertices[0].x, y = draw.vertices[0].y;
        for (const auto& v : draw.vertices) {
            x = std::min(x, v.x);
            y = std::min(y, v.y);
        }
        return {x + 0.5f, y + 0.5f};
    }

    RecordingEngine engine;
};

class FixtureExplosions : public Explosions {
protected:
    zftest::ScopedChdir _dir{kFixtureDir};
};

// Runs a manager on a file of that text in a fresh folder.
class WrittenExplosions : public Explosions {
protected:
    void Write(const std::string& text) { zftest::WriteText(_temp / "Settings/Explosions.xml", text); }
    zftest::TempDir _temp;
};

} // namespace

TEST_F(FixtureExplosions, TheFileIsReadAndARepeatedAliasKeepsItsFirstNode)
{
    CExplosion manager;
    const auto& descs = manager.GetDescriptions();
    ASSERT_EQ(descs.size(), 4u);
    // the node without an alias is kept under the empty name, but nothing ever starts it
    EXPECT_TRUE(descs.count(""));
    EXPECT_TRUE(descs.at("Burst").is_pyro);
    EXPECT_TRUE(descs.at("Still").is_pyro);
    const ExplosionDesc& spark = descs.at("Spark");
    EXPECT_FALSE(spark.is_pyro);
    EXPECT_EQ(spark.graphics.width, 101);
    EXPECT_EQ(spark.graphics.height, 50);
    EXPECT_EQ(spark.animation.GetFrameCount(), 2u);

    // "Burst" plays the first node's emitter, not the second node's sprite
    manager.Start("Burst", 10.0f, 10.0f);
    EXPECT_EQ(manager.GetRunningEmitters().size(), 1u);
    EXPECT_TRUE(manager.GetRunningSprites().empty());
}

TEST_F(FixtureExplosions, UnknownAndEmptyAliasesStartNothing)
{
    CExplosion manager;
    const struct {
        const char* alias;
        const char* logged; // nullptr: nothing logged
    } cases[] = {
        {"Nothing", "Explosion alias not found: 'Nothing'"},
        {"burst", "Explosion alias not found: 'burst'"}, // aliases are case-sensitive
        {"", nullptr},
    };
    for (const auto& c : cases) {
        zftest::LogWatch log;
        manager.Start(c.alias, 100.0f, 100.0f);
        manager.Render();
        if (c.logged)
            EXPECT_EQ(log.Count(c.logged), 1u) << c.alias;
        else
            EXPECT_EQ(log.Text(), "") << "an empty alias writes nothing";
        EXPECT_TRUE(manager.GetRunningEmitters().empty()) << c.alias;
        EXPECT_TRUE(manager.GetRunningSprites().empty()) << c.alias;
    }
}

TEST_F(FixtureExplosions, ASpriteIsCentredOnTheSpotPlaysOncePassAndIsDropped)
{
    CExplosion manager;
    manager.Start("Spark", 200.7f, 100.2f);
    ASSERT_EQ(manager.GetRunningSprites().size(), 1u);
    const auto sprite = manager.GetRunningSprites()[0];
    // 101 by 50 pixels: halves 50 and 25, then truncated
    EXPECT_FLOAT_EQ(sprite->GetX(), 150.0f);
    EXPECT_FLOAT_EQ(sprite->GetY(), 75.0f);
    EXPECT_TRUE(sprite->IsPlaying());

    // two frames of one drawn frame each: drawn twice, then gone
    manager.Render();
    ASSERT_EQ(engine.draws.size(), 1u);
    EXPECT_EQ(engine.draws[0].quads, 1u);
    const auto [x, y] = Corner(engine.draws[0]);
    EXPECT_NEAR(x, 150.0f, 0.01f);
    EXPECT_NEAR(y, 75.0f, 0.01f);
    EXPECT_EQ(manager.GetRunningSprites().size(), 1u);
    manager.Render();
    EXPECT_EQ(engine.draws.size(), 2u);
    EXPECT_TRUE(manager.GetRunningSprites().empty());
    EXPECT_FALSE(sprite->GetRenderer()) << "the finished sprite left its renderer";
    manager.Render();
    EXPECT_EQ(engine.draws.size(), 2u) << "nothing is drawn after the pass";

    // two at once share one renderer: one draw call with two quads
    manager.Start("Spark", 60.0f, 60.0f);
    manager.Start("Spark", 300.0f, 60.0f);
    manager.Render();
    ASSERT_EQ(engine.draws.size(), 3u);
    EXPECT_EQ(engine.draws[2].quads, 2u);
}

TEST_F(FixtureExplosions, AParticleEffectRunsUntilItsEmitterEnds)
{
    CExplosion manager;
    // positions are whole pixels
    manager.Start("Burst", 40.9f, 30.6f);
    ASSERT_EQ(manager.GetRunningEmitters().size(), 1u);
    const int id = manager.GetRunningEmitters()[0];
    float x = 0.0f, y = 0.0f;
    ASSERT_TRUE(manager.GetEmitterPosition(id, x, y));
    EXPECT_FLOAT_EQ(x, 40.0f);
    EXPECT_FLOAT_EQ(y, 30.0f);

    manager.Render();
    EXPECT_FALSE(engine.draws.empty()) << "the burst is drawn";
    // the burst's particles live half a second; the emitter goes some time after
    for (int frame = 0; frame < 200 && manager.HasEmitter(id); ++frame) manager.Render();
    EXPECT_FALSE(manager.HasEmitter(id));
    EXPECT_TRUE(manager.GetRunningEmitters().empty());
}

TEST_F(FixtureExplosions, EmittersByIdAndUnknownIds)
{
    CExplosion manager;
    const int a = manager.StartPyro("Still", 10.7f, 20.2f);
    const int b = manager.StartPyro("Still", 100.0f, 200.0f);
    EXPECT_NE(a, b);
    EXPECT_TRUE(manager.GetRunningEmitters().empty()) << "the field's emitters are its own";

    float x = 0.0f, y = 0.0f;
    ASSERT_TRUE(manager.GetEmitterPosition(a, x, y));
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(10.0f, 20.0f));

    manager.SetEmitterPosition(a, 5.5f, 7.25f);
    ASSERT_TRUE(manager.GetEmitterPosition(a, x, y));
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(5.5f, 7.25f)) << "set takes floats";
    manager.MoveEmitter(a, 1.25f, -2.0f);
    ASSERT_TRUE(manager.GetEmitterPosition(a, x, y));
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(6.75f, 5.25f)) << "x and y each read their own";
    // the other emitter stays where it was
    ASSERT_TRUE(manager.GetEmitterPosition(b, x, y));
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(100.0f, 200.0f));

    // unknown ids: nothing happens, the position is left alone
    const int unknown = b + 100;
    manager.SetEmitterPosition(unknown, 1.0f, 1.0f);
    manager.MoveEmitter(unknown, 1.0f, 1.0f);
    manager.RemoveEmitter(unknown);
    manager.RenderEmitter(unknown);
    x = -1.0f;
    y = -2.0f;
    EXPECT_FALSE(manager.GetEmitterPosition(unknown, x, y));
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(-1.0f, -2.0f));
    EXPECT_FALSE(manager.HasEmitter(unknown));
    EXPECT_TRUE(manager.HasEmitter(a));

    // drawing by id draws only the named ones
    manager.RenderEmitter(a);
    EXPECT_FALSE(engine.draws.empty());
    manager.RenderEmitters({a, b});

    manager.RemoveEmitter(a);
    EXPECT_FALSE(manager.HasEmitter(a));
    EXPECT_FALSE(manager.GetEmitterPosition(a, x, y));
    EXPECT_TRUE(manager.HasEmitter(b));
}

TEST_F(FixtureExplosions, ClearEndsEverythingAlsoTheFieldsEmitters)
{
    CExplosion manager;
    const int field = manager.StartPyro("Still", 10.0f, 10.0f);
    manager.Start("Burst", 20.0f, 20.0f);
    manager.Start("Spark", 30.0f, 30.0f);
    const auto sprite = manager.GetRunningSprites().at(0);
    manager.Clear();
    EXPECT_FALSE(manager.HasEmitter(field));
    EXPECT_TRUE(manager.GetRunningEmitters().empty());
    EXPECT_TRUE(manager.GetRunningSprites().empty());
    EXPECT_FALSE(sprite->GetRenderer());
    const size_t draws = engine.draws.size();
    manager.Render();
    EXPECT_EQ(engine.draws.size(), draws) << "nothing is left to draw";
    // the manager goes on working
    manager.Start("Spark", 30.0f, 30.0f);
    EXPECT_EQ(manager.GetRunningSprites().size(), 1u);
}

TEST_F(WrittenExplosions, EachLevelReadsTheFileAgainAndABadFileLeavesNoAlias)
{
    zftest::ScopedChdir dir(_temp.path());
    Write(R"(<Explosions><Explosion alias="Burst" is_pyro="1"/></Explosions>)");
    IExplosionManager* first = CreateExplosionManager();
    EXPECT_EQ(g_ExplosionManager, first);
    EXPECT_EQ(static_cast<CExplosion*>(first)->GetDescriptions().size(), 1u);

    // a new level: the previous manager is replaced and the file read again
    Write(R"(<Explosions><Explosion alias="Burst" is_pyro="1"/><Explosion alias="Still" is_pyro="1"/></Explosions>)");
    IExplosionManager* second = CreateExplosionManager();
    EXPECT_EQ(g_ExplosionManager, second);
    EXPECT_EQ(static_cast<CExplosion*>(second)->GetDescriptions().size(), 2u);
    DestroyExplosionManager();
    EXPECT_EQ(g_ExplosionManager, nullptr);
    DestroyExplosionManager(); // twice is harmless

    const struct {
        const char* what;
        const char* text; // nullptr: no file
        const char* logged;
    } cases[] = {
        {"missing", nullptr, "Error: failed to open XML file 'Settings\\Explosions.xml'!"},
        {"damaged", "<Explosions><Explosion alias=\"Burst\"", "Error: parse error - File: Settings\\Explosions.xml"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(_temp / "Settings/Explosions.xml");
        if (c.text) Write(c.text);
        zftest::LogWatch log;
        CExplosion manager;
        EXPECT_TRUE(manager.GetDescriptions().empty()) << c.what;
        manager.Start("Burst", 1.0f, 1.0f);
        EXPECT_TRUE(manager.GetRunningEmitters().empty()) << c.what;
        EXPECT_EQ(log.Count("Explosion alias not found: 'Burst'"), 1u) << c.what;
        EXPECT_TRUE(log.Has(c.logged)) << c.what << ":\n" << log.Text();
    }
}

// The shipped Explosions.xml knows every alias that the shipped data asks for: particle ones are
// emitters of the particle library, sprite ones have a texture and frames.
TEST(ShippedExplosions, EveryAliasTheDataUsesIsKnownAndPlayable)
{
    RecordingEngine engine;
    engine.frame_time = kFrame;
    zftest::ScopedChdir dir(ZF_GAME_DATA_DIR);
    ASSERT_TRUE(InitPyro("Textures\\Pyro\\PyroDemo2.pyro"));
    const std::vector<std::string> names = GetPyroEmitterNames();
    const std::set<std::string> emitters(names.begin(), names.end());

    std::set<std::string> used;
    const std::regex attribute(R"re((?:expl_alias|explosion_when_change)="([^"]*)")re");
    for (const auto& entry : std::filesystem::recursive_directory_iterator("Settings")) {
        if (entry.path().extension() != ".xml") continue;
        const std::string text = zftest::ReadTextFile(entry.path().string());
        for (std::sregex_iterator it(text.begin(), text.end(), attribute), end; it != end; ++it)
            if (!(*it)[1].str().empty()) used.insert((*it)[1].str());
    }
    ASSERT_FALSE(used.empty());

    {
        zftest::LogWatch log;
        CExplosion manager;
        const auto& descs = manager.GetDescriptions();
        for (const std::string& alias : used) EXPECT_TRUE(descs.count(alias)) << alias;
        for (const auto& [alias, desc] : descs) {
            if (desc.is_pyro) {
                EXPECT_TRUE(emitters.count(alias)) << alias << " is no emitter of the particle library";
            } else {
                EXPECT_GT(desc.animation.GetFrameCount(), 1u) << alias;
                EXPECT_TRUE(std::filesystem::exists(desc.graphics.texture.empty() ? std::string("?") :
                    std::regex_replace(desc.graphics.texture, std::regex(R"(\\)"), "/"))) << alias;
            }
            manager.Start(alias, 400.0f, 300.0f);
        }
        for (int frame = 0; frame < 600; ++frame) manager.Render();
        EXPECT_TRUE(manager.GetRunningSprites().empty()) << "every sprite effect ends";
        EXPECT_TRUE(manager.GetRunningEmitters().empty()) << "every particle effect ends";
        EXPECT_EQ(log.Count("Explosion alias not found"), 0u) << log.Text();
    }
    ShutdownPyro();
    CTextureCacher::Instance().Clear();
    CAniCacher::Instance().Clear();
}

// Effects whose art is missing: logged, shown as nothing, and gone after one frame; play goes on.
TEST_F(WrittenExplosions, AnEffectWithMissingArtEndsAtOnce)
{
    zftest::ScopedChdir dir(_temp.path());
    Write(R"(<Explosions>
      <Explosion alias="NoEmitter" is_pyro="1"/>
      <Explosion alias="NoArt"><graphics texture="Textures\Gone.png" width="10" height="10"><animation file="Textures\Gone.xml"/></graphics></Explosion>
      <Explosion alias="NoGraphics"/>
    </Explosions>)");
    zftest::LogWatch log;
    CExplosion manager;
    for (const char* alias : {"NoEmitter", "NoArt", "NoGraphics"}) manager.Start(alias, 50.0f, 50.0f);
    EXPECT_EQ(manager.GetRunningEmitters().size(), 1u);
    EXPECT_EQ(manager.GetRunningSprites().size(), 2u);
    manager.Render();
    EXPECT_TRUE(manager.GetRunningEmitters().empty());
    EXPECT_TRUE(manager.GetRunningSprites().empty());
    EXPECT_TRUE(log.Has("NoEmitter")) << log.Text();
    EXPECT_TRUE(log.Has("failed to open texture file")) << log.Text();
    EXPECT_TRUE(log.Has("Loading animation 'Textures\\Gone.xml' failed")) << log.Text();
    EXPECT_EQ(log.Count("Explosion alias not found"), 0u);
}
