// The small hand-made level drawn by the real engine core on the software renderer: tiles under
// balls, locks and boxes over their balls, walls over everything; read back and compared with a
// small reference picture. ZF_UPDATE_FIELD_REFERENCE=1 writes the reference instead (look at it
// before committing it).
#include "field_test_util.h"

#include "field/balls/field_balls.h"
#include "field/tiles/field_tiles.h"

#include "engine/core/engine_core_internal.h"
#include "engine/render/engine_texture.h"
#include "support/pixel_compare.h"

#include <SDL.h>

using namespace fieldtest;
using zftest::ChannelDistance;
using zftest::PixelAt;
using zftest::SurfacePtr;

namespace {

constexpr int kWidth = 56;
constexpr int kHeight = 44;
constexpr uint32_t kBackground = 0xFF203040;
const std::string kReference = kFixtureDir + "/FieldReference.png";

class FieldPixels : public FieldFixture {
protected:
    // Draws the level for a few frames and returns the top-left corner of the last one.
    SurfacePtr Draw(CTilesField& tiles, CBallsField& balls)
    {
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
        CEngineCore& core = CEngineCore::Instance();
        if (!core.GetDevice() && !core.Init("ZerafineTest", "Zerafine field", true)) return nullptr;
        IEngineCore* previous = g_EngineCore;
        g_EngineCore = &core;
        SurfacePtr shot;
        for (int frame = 0; frame < 3; ++frame) {
            if (!core.BeginFrame()) break;
            core.Clear(kBackground);
            tiles.Render();
            balls.Render();
            if (frame == 2) shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, kWidth, kHeight});
            core.EndFrame();
        }
        g_EngineCore = previous;
        return shot;
    }
};

TEST_F(FieldPixels, TheSmallLevelMatchesTheReference)
{
    CTextureCacher::Instance().Clear();
    SurfacePtr shot;
    {
        LevelFieldInfo info;
        const CXMLNode root = OpenLevel("Levels/Small.xml");
        CTilesField tiles;
        CBallsField balls;
        tiles.LoadLevel(root, info);
        balls.LoadLevel(root, info);
        shot = Draw(tiles, balls);
    }
    CTextureCacher::Instance().Clear();
    ASSERT_TRUE(shot) << SDL_GetError();

    const zftest::PixelComparison compared =
        zftest::CompareWithReference(shot.get(), kReference, "ZF_UPDATE_FIELD_REFERENCE", 24);
    if (compared.written) GTEST_SKIP() << "reference written: " << kReference;
    ASSERT_EQ(compared.error, "");

    // What a player must see, whatever the reference says (cell centres; cells are 12 pixels from (4, 4)).
    const auto centre = [&](int column, int row) { return PixelAt(shot.get(), 4 + column * 12 + 6, 4 + row * 12 + 6); };
    const struct {
        int column, row;
        uint32_t colour;
        const char* what;
    } expected[] = {
        {0, 0, 0xFFAA6E96, "the top tile of three"},
        {1, 0, 0xFFC8C8D2, "a lock over its ball"},
        {2, 0, 0xFFAA7846, "a box over its ball"},
        {3, 0, 0xFF825A32, "a double box"},
        {0, 1, 0xFF787882, "a wall over its ball"},
        {1, 1, 0xFF6E6E78, "a double wall"},
        {3, 1, 0xFF6E96AA, "an empty cell's tile"},
        {0, 2, 0xFF7846B4, "the finisher"},
        {3, 2, kBackground, "no cell"},
    };
    for (const auto& e : expected)
        EXPECT_LE(ChannelDistance(centre(e.column, e.row), e.colour), 12)
            << e.what << ": " << std::hex << centre(e.column, e.row);
    // The lock leaves the ball's rim visible around it.
    EXPECT_LE(ChannelDistance(PixelAt(shot.get(), 4 + 12 + 2, 4 + 6), 0xFFDC3C32), 40);
    EXPECT_LE(compared.differing, kWidth * kHeight / 100) << compared.differing << " pixels differ from the reference";
}

} // namespace
