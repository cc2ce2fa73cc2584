// The tile layers of the small hand-made level: stacks as loaded, hits peeling one layer per update,
// the glow of the last tiles, the shine wave, saving and restoring, and damaged stacks.
#include "field_test_util.h"

#include "field/tiles/field_tiles.h"

#include "engine/sound/engine_soundqueue.h"
#include "support/recording_sound_keeper.h"

#include <stdexcept>

using namespace fieldtest;

namespace {

class Tiles : public FieldFixture {
protected:
    void Load() { tiles.LoadLevel(OpenLevel("Levels/Small.xml"), info); }
    int Shown(int cell) const
    {
        const TileCell* c = tiles.GetCell(cell);
        return c && c->has_view ? c->_tiles[c->current].tile : 0;
    }
    CTilesField tiles;
    LevelFieldInfo info;
};

TEST_F(Tiles, StacksShowTheirTopTileAndCountTheLayersAboveTheGround)
{
    Load();
    EXPECT_EQ(tiles.GetTotalLeft(), 6);
    EXPECT_EQ(info.n_puzzles, 6);
    EXPECT_TRUE(info.was_double_puzzles);
    const int left[] = {2, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0};
    const int shown[] = {3, 2, 1, 4, 1, 3, 1, 2, 9, 0, 1, 0};
    for (int cell = 0; cell < 12; ++cell) {
        EXPECT_EQ(tiles.GetLeft(cell), left[cell]) << cell;
        EXPECT_EQ(Shown(cell), shown[cell]) << cell;
        EXPECT_EQ(tiles.HasView(cell), shown[cell] != 0) << cell;
        EXPECT_EQ(tiles.GetTileState(cell), shown[cell] ? gosDefault : -1) << cell;
    }
    EXPECT_FALSE(tiles.HasView(-1));
    EXPECT_EQ(tiles.GetCellObjects(9), nullptr);
    const auto top = tiles.GetCellObjects(0);
    ASSERT_TRUE(top);
    EXPECT_FLOAT_EQ(top->GetX(), 4.0f);
    EXPECT_FLOAT_EQ(top->GetWidth(), 12.0f);
    EXPECT_EQ(top->GetAlpha(), 255u);
}

TEST_F(Tiles, HitsPeelOneLayerPerUpdateAndTheGroundStays)
{
    Load();
    CRecordingSoundKeeper sounds;
    ISoundKeeper* previous = g_SoundKeeper;
    g_SoundKeeper = &sounds;

    // Two hits in one chain on a stack of three: two deaths one after the other.
    EXPECT_TRUE(tiles.HitCell(0));
    EXPECT_EQ(tiles.GetTileState(0), gosDead);
    EXPECT_TRUE(tiles.HitCell(0));
    EXPECT_FALSE(tiles.HitCell(0));   // no third layer to take it
    EXPECT_EQ(scene.Aliases(), (std::vector<std::string>{"tile_break"}));
    g_SoundQueue.Update();
    EXPECT_EQ(sounds.Calls("PlaySample"), (std::vector<std::string>{"PlaySample tile_clear"}));
    tiles.Update();
    EXPECT_EQ(Shown(0), 2);
    EXPECT_EQ(tiles.GetTileState(0), gosDead);
    EXPECT_EQ(tiles.GetTotalLeft(), 5);
    tiles.Update();
    EXPECT_EQ(Shown(0), 1);
    EXPECT_EQ(tiles.GetTileState(0), gosDefault);
    EXPECT_EQ(tiles.GetLeft(0), 0);
    EXPECT_EQ(tiles.GetTotalLeft(), 4);
    EXPECT_EQ(scene.Aliases().size(), 2u);
    EXPECT_FALSE(tiles.HitCell(0));   // the ground is never removed
    for (int cell : {-1, 2, 9, 11, 12}) EXPECT_FALSE(tiles.HitCell(cell)) << cell;

    // The ground of the stack with a turned ground tile comes up turned.
    EXPECT_TRUE(tiles.HitCell(3));
    tiles.Update();
    EXPECT_FLOAT_EQ(tiles.GetCellObjects(3)->GetAngle(), 90.0f);
    // A death set on a ground from outside never peels it.
    const int total = tiles.GetTotalLeft();
    tiles.SetTileState(2, gosDead);
    tiles.Update();
    EXPECT_EQ(Shown(2), 1);
    EXPECT_EQ(tiles.GetTileState(2), gosDefault);
    EXPECT_EQ(tiles.GetTotalLeft(), total);
    EXPECT_THROW(tiles.SetTileState(3, 9), std::runtime_error);
    g_SoundKeeper = previous;
}

TEST_F(Tiles, TheLastThreeLayersGlowAndCanStillBeHit)
{
    Load();
    tiles.HitCell(0);
    tiles.Update();
    tiles.Update();
    EXPECT_EQ(tiles.GetTotalLeft(), 5);
    for (int cell : {1, 3, 5, 7}) EXPECT_EQ(tiles.GetTileState(cell), gosDefault);
    tiles.HitCell(0);
    tiles.Update();
    tiles.Update();
    EXPECT_EQ(tiles.GetTotalLeft(), 4);
    EXPECT_EQ(tiles.GetTileState(1), gosDefault);
    tiles.HitCell(1);
    tiles.Update();
    EXPECT_EQ(tiles.GetTotalLeft(), 3);
    tiles.Update();
    for (int cell : {3, 5, 7}) EXPECT_EQ(tiles.GetTileState(cell), gosGlow) << cell;
    // Grounds do not glow.
    for (int cell : {0, 1, 2, 4}) EXPECT_EQ(tiles.GetTileState(cell), gosDefault) << cell;
    EXPECT_TRUE(tiles.HitCell(5));
    tiles.Update();
    EXPECT_EQ(tiles.GetTotalLeft(), 2);
    EXPECT_EQ(Shown(5), 1);
}

TEST_F(Tiles, TheShineWaveSweepsDiagonallyFromTheTopLeft)
{
    Load();
    const int first = tiles.GetWaveCountdown();
    EXPECT_GE(first, 5);
    EXPECT_LE(first, 9);
    int updates = 0;
    while (!tiles.IsWaveRunning() && updates < 100) {
        tiles.Update();
        ++updates;
    }
    EXPECT_EQ(updates, first);
    // Record when cells shine: cell 1 on the second diagonal, cell 10 on the fifth, cell 0 never.
    std::map<int, std::vector<int>> shining;
    int step = 0;
    for (; tiles.IsWaveRunning() && step < 100; ++step) {
        for (int cell : {0, 1, 10, 3})
            if (tiles.GetTileState(cell) == gosTimeOut) shining[cell].push_back(step);
        tiles.Update();
    }
    EXPECT_TRUE(shining[0].empty());
    EXPECT_TRUE(shining[3].empty());   // its tile has no shine
    ASSERT_EQ(shining[1].size(), 3u);
    ASSERT_EQ(shining[10].size(), 3u);
    EXPECT_EQ(shining[10].front() - shining[1].front(), 9);   // three diagonals of wave_life + 1
    EXPECT_EQ(shining[1].back() - shining[1].front(), 2);
    // Every tile is back to normal and the next wave is scheduled.
    for (int cell = 0; cell < 12; ++cell) {
        if (tiles.HasView(cell)) {
            EXPECT_EQ(tiles.GetTileState(cell), gosDefault) << cell;
        }
    }
    EXPECT_GE(tiles.GetWaveCountdown(), 4);
    EXPECT_LE(tiles.GetWaveCountdown(), 9);

    // Paused slots hold the wave where it is.
    while (!tiles.IsWaveRunning()) tiles.Update();
    tiles.SetWavesPaused(true);
    for (int i = 0; i < 20; ++i) {
        tiles.Update();
        EXPECT_NE(tiles.GetTileState(1), gosTimeOut);
    }
    EXPECT_TRUE(tiles.IsWaveRunning());
    tiles.SetWavesPaused(false);
    for (int i = 0; i < 3; ++i) tiles.Update();
    EXPECT_EQ(tiles.GetTileState(1), gosTimeOut);
}

TEST_F(Tiles, SaveAndRestoreTheShownLayers)
{
    Load();
    tiles.HitCell(0);
    tiles.HitCell(7);
    tiles.Update();
    TilesFieldRecord saved;
    tiles.Save(saved);
    EXPECT_EQ(saved.cells.size(), 5u);   // the cells with more than one layer

    CTilesField restored;
    restored.LoadLevel(OpenLevel("Levels/Small.xml"), info);
    zftest::LogWatch log;
    saved.cells.push_back({7, 7, 1});
    restored.Restore(saved);
    EXPECT_TRUE(log.Has("CTilesField: Cell outside a file - 7 , 7"));
    EXPECT_EQ(restored.GetTotalLeft(), tiles.GetTotalLeft());
    for (int cell = 0; cell < 12; ++cell) EXPECT_EQ(restored.GetLeft(cell), tiles.GetLeft(cell)) << cell;
}

TEST_F(Tiles, DamagedStacksStopTheLoadWithTheirText)
{
    const struct {
        const char* groups;
        const char* error;
        const char* log;
    } cases[] = {
        {R"(<Group tile="1"/><Group tile="1"/>)", "Found invalid puzzle layer in cell.", "invalid puzzle layer 1 in cell (1, 0)"},
        {R"(<Group tile="1"/><Group tile="2"/><Group tile="1"/>)", "Found invalid puzzle layer in cell.", "invalid puzzle layer 2 in cell (1, 0)"},
        {R"(<Group tile="1"/><Group tile="0"/>)", "Found invalid puzzle layer in cell.", "invalid puzzle layer 1 in cell (1, 0)"},
        {R"(<Group tile="1"/><Group tile="9"/>)", "verify {action != NULL} failed", "No find state type DEAD in object graph type 9 "},
        {R"(<Group tile="77"/>)", "verify {action != NULL} failed", "No find object with graph type 77"},
    };
    for (const auto& c : cases) {
        zftest::LogWatch log;
        const CXMLNode root = LevelFromText(std::string(R"(<Level><Field field_width="2" field_height="1">
            <Cell x="0" y="0" active="1"><Group tile="1"/><Group tile="2"/></Cell><Cell x="1" y="0" active="1">)") +
                                            c.groups + "</Cell></Field></Level>");
        try {
            tiles.LoadLevel(root, info);
            ADD_FAILURE() << c.groups;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), c.error) << c.groups;
        }
        EXPECT_TRUE(log.Has(c.log)) << c.groups;
        EXPECT_FALSE(tiles.HitCell(0));
    }
    // A tile without a picture at the ground is fine: the cell simply shows nothing.
    zftest::LogWatch log;
    tiles.LoadLevel(LevelFromText(R"(<Level><Field field_width="2" field_height="1">
        <Cell x="0" y="0"><Group tile="0"/><Group tile="2"/></Cell><Cell x="3" y="0"><Group tile="1"/></Cell>
        </Field></Level>)"), info);
    EXPECT_TRUE(log.Has("CTilesField: Cell outside a file - 3 , 0"));
    EXPECT_EQ(tiles.GetTotalLeft(), 1);
    EXPECT_TRUE(tiles.HitCell(0));
    tiles.Update();
    EXPECT_FALSE(tiles.HasView(0));
    EXPECT_EQ(tiles.GetTotalLeft(), 0);
}

} // namespace

namespace {

// Random hits and updates on the small level: a stack never gives more than it holds, the total is
// always the sum of what the stacks have left, and every counted hit is one layer gone in the end.
TEST_F(Tiles, RandomHitsNeverPeelMoreThanTheStacksHold)
{
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        Load();
        RandomSeed(seed);
        const int start = tiles.GetTotalLeft();
        int counted = 0;
        for (int round = 0; round < 40; ++round) {
            const int hits = RandomInt(0, 3);
            for (int h = 0; h < hits; ++h) counted += tiles.HitCell(RandomInt(-2, 13)) ? 1 : 0;
            tiles.Update();
            int sum = 0;
            for (int cell = 0; cell < 12; ++cell) {
                ASSERT_GE(tiles.GetLeft(cell), 0) << seed;
                if (tiles.HasView(cell)) sum += tiles.GetLeft(cell);
            }
            ASSERT_EQ(tiles.GetTotalLeft(), sum) << seed;
        }
        for (int i = 0; i < 4; ++i) tiles.Update();
        EXPECT_LE(counted, start) << seed;
        EXPECT_EQ(tiles.GetTotalLeft(), start - counted) << seed;
    }
}

} // namespace
