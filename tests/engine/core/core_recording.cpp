// The recording engine double itself: what render, text and particle tests rely on.
#include <gtest/gtest.h>

#include "support/recording_engine.h"

TEST(RecordingEngine, RecordsDrawsWithTextureTransformAndVertices)
{
    RecordingEngine engine;
    ASSERT_EQ(g_EngineCore, &engine);
    VERTEX_2DPNT1 quad[4] = {
        {9.5f, 19.5f, 0, 0xFFFFFFFFu, 0, 0}, {29.5f, 19.5f, 0, 0xFFFFFFFFu, 1, 0},
        {9.5f, 39.5f, 0, 0xFFFFFFFFu, 0, 1}, {29.5f, 39.5f, 0, 0xFFFFFFFFu, 1, 1},
    };
    SDL_Texture* fake = reinterpret_cast<SDL_Texture*>(0x1234);
    engine.SetTexture(0, fake);
    engine.SetWorldTransform(90.0f, -400.0f, -300.0f);
    EXPECT_EQ(engine.DrawQuads(quad, 1, sizeof(VERTEX_2DPNT1), EBlend::Add), ZF_OK);
    ASSERT_EQ(engine.draws.size(), 1u);
    const auto& d = engine.draws[0];
    EXPECT_EQ(d.texture, fake);
    EXPECT_EQ(d.quads, 1u);
    EXPECT_EQ(d.blend, EBlend::Add);
    EXPECT_FLOAT_EQ(d.angle, 90.0f);
    ASSERT_EQ(d.vertices.size(), 4u);
    EXPECT_FLOAT_EQ(d.vertices[3].x, 29.5f);
    EXPECT_FLOAT_EQ(d.vertices[3].v, 1.0f);
}

TEST(RecordingEngine, RestoresThePreviousCoreAndFiresResets)
{
    IEngineCore* before = g_EngineCore;
    {
        RecordingEngine engine;
        std::vector<int> seen;
        int id = engine.AddDeviceResetListener([&](bool after) { seen.push_back(after ? 1 : 0); });
        engine.SimulateDeviceReset();
        engine.RemoveDeviceResetListener(id);
        engine.SimulateDeviceReset();
        EXPECT_EQ(seen, (std::vector<int>{0, 1}));
    }
    EXPECT_EQ(g_EngineCore, before);
}
