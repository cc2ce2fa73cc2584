// The particle system on its own: the library file, emitters' lifetimes and the quads they draw.
#include "engine/particles/engine_particles.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

using namespace zf;

namespace {

std::string Lib(const std::string& emitters)
{
    return "<ParticleLibrary><Texture id='dot' file='Textures\\Pyro\\Dot.png'/>"
           "<Texture id='glow' file='Textures\\Pyro\\Glow.png'/>" + emitters + "</ParticleLibrary>";
}

std::shared_ptr<const CParticleLibrary> Parse(const std::string& text)
{
    return CParticleLibrary::Parse(text, "test.pyro");
}

// Runs the emitter at a fixed frame time until it ends or the time is up; the emitter time at
// which it stopped being active (or -1).
float RunUntilInactive(CParticleEmitter& e, float dt, float limit)
{
    CParticleBatcher batcher;
    for (float t = 0.0f; t < limit; t += dt) {
        e.Update(t, dt);
        batcher.Clear();
        e.Render(t, dt, 100.0f, 100.0f, 0.0f, true, batcher);
        if (!e.IsActive()) return t;
    }
    return -1.0f;
}

} // namespace

TEST(PyroLibrary, ReadsEmittersWithTheirLayers)
{
    auto lib = Parse(Lib("<Emitter name='Burst'>"
                         "<Layer texture='glow' blend='add' burst='12' life='0.5 1' speed='10 20' angle='45' spread='90'"
                         " gravity='0 50' drag='0.5' size='8 4 2' color='FFFFFFFF 80FF0000' radius='3' max='50'/>"
                         "<Layer texture='dot' rate='30' duration='0.25' delay='0.1'/>"
                         "</Emitter>"
                         "<Emitter name='Ambient' loop='1' period='2'><Layer texture='dot' rate='5'/></Emitter>"
                         "<Emitter name='Twinkle' loop='1'><Layer texture='dot' burst='3' delay='0.25'/></Emitter>"));
    ASSERT_EQ(lib->GetTextures().size(), 2u);
    EXPECT_EQ(lib->GetTextures()[1].file, "Textures\\Pyro\\Glow.png");
    EXPECT_EQ(lib->GetEmitterNames(), (std::vector<std::string> {"Ambient", "Burst", "Twinkle"}));

    auto burst = lib->Find("Burst");
    ASSERT_TRUE(burst);
    ASSERT_EQ(burst->layers.size(), 2u);
    const ParticleLayerDesc& a = burst->layers[0];
    EXPECT_EQ(a.texture, 1);
    EXPECT_EQ(a.blend, ParticleBlend::Add);
    EXPECT_EQ(a.burst, 12);
    EXPECT_FLOAT_EQ(a.life.lo, 0.5f);
    EXPECT_FLOAT_EQ(a.life.hi, 1.0f);
    EXPECT_FLOAT_EQ(a.gravity_y, 50.0f);
    EXPECT_EQ(a.size.count, 3);
    EXPECT_EQ(a.color.count, 2);
    EXPECT_EQ(a.color.keys[1], 0x80FF0000u);
    EXPECT_EQ(a.max, 50);
    EXPECT_EQ(burst->layers[1].blend, ParticleBlend::Alpha);
    EXPECT_FALSE(burst->looping);
    EXPECT_FLOAT_EQ(burst->end_time, 0.35f);

    auto ambient = lib->Find("Ambient");
    ASSERT_TRUE(ambient);
    EXPECT_TRUE(ambient->looping);
    EXPECT_FLOAT_EQ(ambient->period, 2.0f);
    // a looping emitter without a period repeats once a second at the least
    EXPECT_FLOAT_EQ(lib->Find("Twinkle")->period, 1.0f);
    EXPECT_FALSE(lib->Find("burst"));   // names are exact
}

TEST(PyroLibrary, RejectsMalformedFilesWithTheReason)
{
    struct Case {
        const char* text;
        const char* reason;
    } cases[] = {
        {"<ParticleLibrary><Emitter", "not well-formed XML"},
        {"<Particles/>", "root element must be 'ParticleLibrary'"},
        {"<ParticleLibrary><Texture id='a'/></ParticleLibrary>", "needs a file"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Texture id='a' file='y'/></ParticleLibrary>", "used twice"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter><Layer texture='a' burst='1'/></Emitter></ParticleLibrary>",
         "needs a name"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E'/></ParticleLibrary>", "at least one Layer"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E'><Layer texture='b' burst='1'/></Emitter></ParticleLibrary>",
         "unknown texture 'b'"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E'><Layer texture='a' burst='1'/></Emitter>"
         "<Emitter name='E'><Layer texture='a' burst='1'/></Emitter></ParticleLibrary>",
         "emitter 'E': the name is used twice"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E'><Layer texture='a' burst='1' life='fast'/></Emitter></ParticleLibrary>",
         "'life' is not a list of numbers"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E'><Layer texture='a' burst='1' life='2 1'/></Emitter></ParticleLibrary>",
         "maximum below its minimum"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E'><Layer texture='a' burst='1' life='0'/></Emitter></ParticleLibrary>",
         "'life' is out of range"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E'><Layer texture='a' burst='-3'/></Emitter></ParticleLibrary>",
         "'burst' is out of range"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E'><Layer texture='a' burst='1' color='FFFFFF'/></Emitter></ParticleLibrary>",
         "8 hex digits"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E'><Layer texture='a' burst='1' blend='screen'/></Emitter></ParticleLibrary>",
         "blend must be"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E'><Layer texture='a'/></Emitter></ParticleLibrary>",
         "spawns nothing"},
        // an emitter that would spawn for ever without being declared looping
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E'><Layer texture='a' rate='10'/></Emitter></ParticleLibrary>",
         "needs a duration, or the emitter must loop"},
        {"<ParticleLibrary><Texture id='a' file='x'/><Emitter name='E' period='1'><Layer texture='a' burst='1'/></Emitter></ParticleLibrary>",
         "only a looping emitter has a period"},
    };
    for (const Case& c : cases) {
        try {
            Parse(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const CParticleError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("test.pyro"), std::string::npos) << what;
            EXPECT_NE(what.find(c.reason), std::string::npos) << "expected '" << c.reason << "' in: " << what;
        }
    }
}

TEST(PyroEmitter, FiniteEmittersEndByThemselves)
{
    auto lib = Parse(Lib("<Emitter name='Burst'><Layer texture='dot' burst='20' life='0.5'/></Emitter>"
                         "<Emitter name='Late'><Layer texture='dot' burst='5' delay='1' life='0.25'/></Emitter>"
                         "<Emitter name='Stream'><Layer texture='dot' rate='100' duration='0.5' life='0.2 0.4'/></Emitter>"));
    const float dt = 0.016f;
    {
        CParticleEmitter e(lib->Find("Burst"), 1, 0, 0);
        EXPECT_TRUE(e.IsActive());
        const float end = RunUntilInactive(e, dt, 5.0f);
        EXPECT_NEAR(end, 0.5f, 2 * dt);
        EXPECT_EQ(e.GetParticleCount(), 0u);
    }
    {
        // active while waiting for its delayed burst
        CParticleEmitter e(lib->Find("Late"), 1, 0, 0);
        const float end = RunUntilInactive(e, dt, 5.0f);
        EXPECT_NEAR(end, 1.25f, 2 * dt);
    }
    {
        CParticleEmitter e(lib->Find("Stream"), 1, 0, 0);
        const float end = RunUntilInactive(e, dt, 5.0f);
        EXPECT_GT(end, 0.5f + 0.2f - 2 * dt);
        EXPECT_LT(end, 0.5f + 0.4f + 2 * dt);
    }
}

TEST(PyroEmitter, LoopingEmitterRepeatsItsBurstsAndNeverEnds)
{
    auto lib = Parse(Lib("<Emitter name='Pulse' loop='1' period='0.5'><Layer texture='dot' burst='10' life='0.1'/></Emitter>"));
    CParticleEmitter e(lib->Find("Pulse"), 7, 0, 0);
    CParticleBatcher batcher;
    int bursts = 0;
    size_t previous = 0;
    const float dt = 0.01f;
    for (int frame = 0; frame < 300; ++frame) {   // 3 seconds
        e.Update(frame * dt, dt);
        e.Render(frame * dt, dt, 0, 0, 0, false, batcher);
        if (e.GetParticleCount() > previous) ++bursts;
        previous = e.GetParticleCount();
        EXPECT_TRUE(e.IsActive());
    }
    EXPECT_EQ(bursts, 6);
}

TEST(PyroEmitter, SameSeedSameParticlesAndQuadsFollowSizeAndColour)
{
    auto lib = Parse(Lib("<Emitter name='Burst'><Layer texture='glow' blend='add' burst='8' life='1' speed='50 100'"
                         " spread='360' size='10 2' color='FF204080 00204080'/></Emitter>"));
    auto run = [&](uint64_t seed) {
        CParticleEmitter e(lib->Find("Burst"), seed, 50, 60);
        CParticleBatcher b;
        e.Update(0.0f, 0.0f);
        e.Render(0.0f, 0.0f, 50, 60, 0, false, b);   // the burst
        e.Update(0.0f, 0.5f);   // a long step is cut to 0.1 s
        e.Render(0.0f, 0.1f, 50, 60, 0, true, b);
        return b;
    };
    const CParticleBatcher a = run(42), b = run(42), c = run(43);
    ASSERT_EQ(a.Batches().size(), 1u);
    const std::vector<ParticleQuad>& qa = a.Batches()[0].quads;
    ASSERT_EQ(qa.size(), 8u);
    EXPECT_EQ(a.Batches()[0].texture, 1);
    EXPECT_EQ(a.Batches()[0].blend, ParticleBlend::Add);
    bool differs = false;
    for (size_t i = 0; i < qa.size(); ++i) {
        const ParticleQuad& q = qa[i];
        EXPECT_EQ(q.x0, b.Batches()[0].quads[i].x0);
        EXPECT_EQ(q.y0, b.Batches()[0].quads[i].y0);
        differs |= q.x0 != c.Batches()[0].quads[i].x0;
        // at a tenth of its life: size 10 -> 2 gives 9.2; alpha FF -> 00 gives 0xE6 with the colour kept
        EXPECT_NEAR(q.x1 - q.x0, 9.2f, 0.01f);
        EXPECT_NEAR(q.y1 - q.y0, 9.2f, 0.01f);
        EXPECT_EQ(q.argb & 0x00FFFFFFu, 0x204080u);
        EXPECT_EQ(q.argb >> 24, 0xE6u);
        // moved 5..10 pixels in 0.1 s from the emitter
        const float cx = (q.x0 + q.x1) / 2 - 50, cy = (q.y0 + q.y1) / 2 - 60;
        const float dist = std::sqrt(cx * cx + cy * cy);
        EXPECT_GE(dist, 5.0f - 0.01f);
        EXPECT_LE(dist, 10.0f + 0.01f);
    }
    EXPECT_TRUE(differs);
}

TEST(PyroEmitter, GravityDragAndTheLayerCap)
{
    auto lib = Parse(Lib("<Emitter name='Fall'><Layer texture='dot' burst='1' life='10' gravity='0 100'/></Emitter>"
                         "<Emitter name='Capped'><Layer texture='dot' burst='500' max='40' life='1'/></Emitter>"
                         "<Emitter name='Slow'><Layer texture='dot' burst='1' life='10' speed='100' angle='0' drag='20'/></Emitter>"));
    {
        CParticleEmitter e(lib->Find("Fall"), 1, 0, 0);
        CParticleBatcher b;
        e.Update(0.0f, 0.0f);
        e.Render(0.0f, 0.0f, 0, 0, 0, false, b);
        for (int i = 0; i < 10; ++i) e.Update(i * 0.1f, 0.1f);
        e.Render(1.0f, 0.1f, 0, 0, 0, true, b);
        const ParticleQuad& q = b.Batches()[0].quads[0];
        // semi-implicit Euler over 1 s at 0.1 s steps: 100 * 0.1^2 * (1 + 2 + ... + 10) = 55
        EXPECT_NEAR((q.y0 + q.y1) / 2, 55.0f, 0.01f);
        EXPECT_NEAR((q.x0 + q.x1) / 2, 0.0f, 0.01f);
    }
    {
        CParticleEmitter e(lib->Find("Capped"), 1, 0, 0);
        CParticleBatcher b;
        e.Update(0.0f, 0.016f);
        e.Render(0.0f, 0.016f, 0, 0, 0, false, b);
        EXPECT_EQ(e.GetParticleCount(), 40u);
    }
    {
        // drag 20 per second stops a particle within a frame of 0.05 s
        CParticleEmitter e(lib->Find("Slow"), 1, 0, 0);
        CParticleBatcher b;
        e.Update(0.0f, 0.0f);
        e.Render(0.0f, 0.0f, 0, 0, 0, false, b);
        e.Update(0.0f, 0.05f);
        e.Update(0.05f, 0.05f);
        e.Render(0.1f, 0.05f, 0, 0, 0, true, b);
        const ParticleQuad& q = b.Batches()[0].quads[0];
        EXPECT_NEAR((q.x0 + q.x1) / 2, 0.0f, 0.01f);
    }
}

TEST(PyroEmitter, BatchesGroupQuadsByTextureAndBlend)
{
    auto lib = Parse(Lib("<Emitter name='A'><Layer texture='dot' burst='3'/><Layer texture='glow' blend='add' burst='2'/></Emitter>"
                         "<Emitter name='B'><Layer texture='dot' burst='4'/><Layer texture='dot' blend='add' burst='1'/></Emitter>"));
    CParticleEmitter a(lib->Find("A"), 1, 0, 0), b(lib->Find("B"), 2, 0, 0);
    CParticleBatcher batcher;
    a.Update(0, 0.016f);
    b.Update(0, 0.016f);
    a.Render(0, 0.016f, 0, 0, 0, true, batcher);
    b.Render(0, 0.016f, 0, 0, 0, true, batcher);
    ASSERT_EQ(batcher.Batches().size(), 3u);
    EXPECT_EQ(batcher.Batches()[0].quads.size(), 7u);   // dot, alpha, from both emitters
    EXPECT_EQ(batcher.Batches()[1].quads.size(), 2u);   // glow, add
    EXPECT_EQ(batcher.Batches()[2].quads.size(), 1u);   // dot, add
    EXPECT_EQ(batcher.QuadCount(), 10u);

    // a hidden render places the emitter without drawing
    batcher.Clear();
    a.Render(0, 0.016f, 30, 40, 2, false, batcher);
    EXPECT_EQ(batcher.QuadCount(), 0u);
    float x, y, z;
    a.GetPosition(x, y, z);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);
    EXPECT_EQ(z, 2);
}

// The game's own library: every emitter reads and ends by itself unless it loops.
TEST(PyroLibrary, GameLibraryLoadsAndItsFiniteEmittersEnd)
{
    const std::string text = zftest::ReadTextFile(std::string(ZF_GAME_DATA_DIR) + "/Textures/Pyro/PyroDemo2.pyro");
    ASSERT_FALSE(text.empty()) << "data/Textures/Pyro/PyroDemo2.pyro missing";
    auto lib = Parse(text);
    for (const ParticleTextureDesc& t : lib->GetTextures()) {
        std::string path = t.file;
        for (char& c : path) if (c == '\\') c = '/';
        EXPECT_TRUE(std::ifstream(std::string(ZF_GAME_DATA_DIR) + "/" + path).good()) << t.file;
    }
    for (const std::string& name : lib->GetEmitterNames()) {
        auto desc = lib->Find(name);
        if (desc->looping) continue;
        CParticleEmitter e(desc, 3, 400, 300);
        EXPECT_GE(RunUntilInactive(e, 0.016f, 30.0f), 0.0f) << name << " never ends";
    }
}
