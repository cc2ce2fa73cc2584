// The layered background against the recording engine: the two file readers, layers scrolling in
// four directions with twins, cycles and delays, rotation and alpha pulse, emitter tiles, the
// view scroll, the level's choice of background, and the shipped Background.xml and TileBase.xml.
#include "game/game_background.h"

#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_render.h"
#include "engine/render/engine_texture.h"
#include "support/recording_engine.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

// A data path with backslashes, as the game folder holds it.
bool FileExistsHere(std::string path)
{
    for (char& c : path) if (c == '\\') c = '/';
    return std::filesystem::exists(path);
}

const std::string kFixtureDir = ZF_TEST_DATA_DIR "/game/background";

BackgroundDesc ReadDesc(const std::string& xml)
{
    CXMLFile file;
    file.LoadXml(std::vector<uint8_t>(xml.begin(), xml.end()));
    BackgroundDesc desc;
    EXPECT_TRUE(LoadBackgroundDesc(file.SelectSingleNode("//Background"), desc));
    return desc;
}

class Background : public ::testing::Test {
protected:
    void SetUp() override { engine.frame_time = 0.016f; }
    void TearDown() override
    {
        background.reset();
        CTextureCacher::Instance().Clear();
        CAniCacher::Instance().Clear();
    }
    // A background of one layer with one tile of group 0 (a 100 by 50 sprite) built from the xml
    // of the layer's attributes and the tile's.
    CBackgroundTile& Build(const std::string& layer, const std::string& tile, const std::string& size = "")
    {
        const BackgroundDesc desc =
            ReadDesc("<Background " + size + "><Layer " + layer + "><Tile " + tile + "/></Layer></Background>");
        background = CreateComplexBackground();
        EXPECT_TRUE(background->Create(desc, LoadTileBase("Settings\\TileBase.xml")));
        EXPECT_EQ(background->GetLayerCount(), 1u);
        return background->GetLayer(0).GetTile(0);
    }
    void Steps(int n)
    {
        for (int i = 0; i < n; ++i) background->Update(true);
    }

    RecordingEngine engine;
    zftest::ScopedChdir dir{kFixtureDir};
    std::shared_ptr<CComplexBackground> background;
};

} // namespace

TEST(BackgroundReader, AttributesDefaultsAndClamps)
{
    RecordingEngine engine;
    const BackgroundDesc plain = ReadDesc("<Background><Layer><Tile/></Layer></Background>");
    EXPECT_EQ(plain.width, 800);
    EXPECT_EQ(plain.height, 600);
    ASSERT_EQ(plain.layers.size(), 1u);
    const BackgroundLayerDesc& layer = plain.layers[0];
    EXPECT_EQ(layer.speed, 0.0f);
    EXPECT_EQ(layer.speed_cycle, 1);
    EXPECT_FALSE(layer.is_static);
    EXPECT_EQ(layer.scroll_type, stHorizontalRight);
    ASSERT_EQ(layer.tiles.size(), 1u);
    const BackgroundTileDesc& t = layer.tiles[0];
    EXPECT_EQ(t.cycles, 9999);
    EXPECT_EQ(t.width, kBgDefault);
    EXPECT_EQ(t.height, kBgDefault);
    EXPECT_EQ(t.angle, float(kBgDefault));
    EXPECT_FALSE(t.has_color);
    EXPECT_EQ(t.alpha_min, 255.0f);
    EXPECT_EQ(t.alpha_max, 255.0f);
    EXPECT_EQ(t.alpha_speed, 0.0f);

    // start beyond width - screen width is clamped; positions are stored minus the start
    const BackgroundDesc big = ReadDesc(
        "<Background width='1000' height='700' start_x='900' start_y='-5'>"
        "<Layer speed='-3' speed_cycle='4' is_static='1' scroll_type='VERTICAL_DOWN'>"
        "<Tile group_id='1' id='2' pos_x='300' pos_y='40' activates_at='-7' cycles='2' use_twin='1' angle='45'"
        " rotate_speed='3' width='64.7' height='32' flip_x='1' flip_y='1' color='80FF8040' alpha_min='10'"
        " alpha_max='200' alpha_speed='5'/></Layer></Background>");
    EXPECT_EQ(big.start_x, 200);
    EXPECT_EQ(big.start_y, 0);
    EXPECT_FLOAT_EQ(big.picture.left, -200.0f);
    EXPECT_FLOAT_EQ(big.picture.right, 800.0f);
    EXPECT_FLOAT_EQ(big.picture.bottom, 700.0f);
    const BackgroundLayerDesc& l = big.layers[0];
    EXPECT_EQ(l.speed, 0.0f) << "a negative speed becomes 0";
    EXPECT_EQ(l.speed_cycle, 4);
    EXPECT_TRUE(l.is_static);
    EXPECT_EQ(l.scroll_type, stVerticalDown);
    const BackgroundTileDesc& u = l.tiles[0];
    EXPECT_EQ(u.x, 100);
    EXPECT_EQ(u.y, 40);
    EXPECT_EQ(u.group_id, 1);
    EXPECT_EQ(u.id, 2);
    EXPECT_EQ(u.activates_at, -7);
    EXPECT_EQ(u.cycles, 2);
    EXPECT_TRUE(u.use_twin);
    EXPECT_EQ(u.angle, 45.0f);
    EXPECT_EQ(u.rotate_speed, 3.0f);
    EXPECT_EQ(u.width, 64);
    EXPECT_EQ(u.height, 32);
    EXPECT_TRUE(u.flip_x && u.flip_y);
    EXPECT_TRUE(u.has_color);
    EXPECT_EQ(uint32_t(u.color), 0x80FF8040u);
    EXPECT_EQ(u.alpha_min, 10.0f);
    EXPECT_EQ(u.alpha_speed, 5.0f);

    const struct {
        const char* scroll;
        int type;
    } scrolls[] = {{"VERTICAL_UP", 0}, {"VERTICAL_DOWN", 1}, {"HORIZONTAL_LEFT", 2}, {"HORIZONTAL_RIGHT", 3},
                   {"sideways", 3}};
    for (const auto& s : scrolls)
        EXPECT_EQ(ReadDesc(std::string("<Background><Layer scroll_type='") + s.scroll + "'/></Background>")
                      .layers[0].scroll_type, s.type) << s.scroll;

    // colours: with or without a prefix; text that is no colour is logged and ignored
    const struct {
        const char* text;
        bool has;
        uint32_t value;
    } colors[] = {{"FF808080", true, 0xFF808080u}, {"0xFF102030", true, 0xFF102030u}, {"pink", false, 0}};
    for (const auto& c : colors) {
        zftest::LogWatch log;
        const BackgroundTileDesc d =
            ReadDesc(std::string("<Background><Layer><Tile color='") + c.text + "'/></Layer></Background>")
                .layers[0].tiles[0];
        EXPECT_EQ(d.has_color, c.has) << c.text;
        if (c.has) EXPECT_EQ(uint32_t(d.color), c.value) << c.text;
        EXPECT_EQ(log.Has("is not a hexadecimal ARGB colour"), !c.has) << c.text;
    }
}

TEST(BackgroundReader, LevelFileAndTileBase)
{
    RecordingEngine engine;
    zftest::ScopedChdir dir(kFixtureDir);
    const TileBase base = LoadTileBase("Settings\\TileBase.xml");
    ASSERT_EQ(base.size(), 2u);
    ASSERT_EQ(base[0].size(), 2u);
    EXPECT_EQ(base[0][0].graphics.width, 100);
    EXPECT_EQ(base[0][1].angle, 30.0f);
    EXPECT_EQ(base[1][0].emitter, "Loop");
    EXPECT_TRUE(LoadTileBase("Settings\\Missing.xml").empty());

    BackgroundDesc desc;
    EXPECT_TRUE(LoadLevelBackgroundDesc("Settings\\Background.xml", 1, desc));
    EXPECT_EQ(desc.width, 1000);
    EXPECT_EQ(desc.layers[0].tiles.size(), 4u);
    zftest::LogWatch log;
    EXPECT_FALSE(LoadLevelBackgroundDesc("Settings\\Background.xml", 2, desc));
    EXPECT_TRUE(log.Has("Background id=2 doesn't exist"));
    EXPECT_FALSE(LoadLevelBackgroundDesc("Settings\\Missing.xml", 0, desc));
}

TEST_F(Background, MissingGroupsAndObjectsAreLoggedAndTheRestBuilds)
{
    BackgroundDesc desc;
    ASSERT_TRUE(LoadLevelBackgroundDesc("Settings\\Background.xml", 1, desc));
    zftest::LogWatch log;
    background = CreateComplexBackground();
    ASSERT_TRUE(background->Create(desc));
    EXPECT_TRUE(log.Has("ERROR: Background Tile group_id=7 doesn't exist!"));
    EXPECT_TRUE(log.Has("ERROR: Background Tile group_id=0 and id=5 doesn't exist!"));
    CBackgroundLayer& layer = background->GetLayer(0);
    ASSERT_EQ(layer.GetTileCount(), 2u);
    // later tiles lie in front
    EXPECT_FLOAT_EQ(layer.GetTile(0).GetSprite()->GetDepth(), 0.0f);
    EXPECT_FLOAT_EQ(layer.GetTile(1).GetSprite()->GetDepth(), 0.00001f);
    // the object's angle is the tile's
    EXPECT_FLOAT_EQ(layer.GetTile(1).GetAngle(), 30.0f);

    // both sprites share one texture: one draw per frame
    engine.ClearRecords();
    background->Update(false);
    EXPECT_EQ(engine.draws.size(), 1u);
    if (!engine.draws.empty()) EXPECT_EQ(engine.draws[0].quads, 2u);
}

TEST_F(Background, TilesMoveInTheirDirectionAndWrapByTwoSpans)
{
    // a 100 by 50 tile on an 800 by 600 picture, 4 pixels a step, one step every second update
    const struct {
        const char* scroll;
        float x, y;             // after 10 updates (5 steps)
        float twin_dx, twin_dy; // where the twin lies from the lead
    } cases[] = {
        {"VERTICAL_UP", 200, 280, 0, 600},
        {"VERTICAL_DOWN", 200, 320, 0, -600},
        {"HORIZONTAL_LEFT", 180, 300, 800, 0},
        {"HORIZONTAL_RIGHT", 220, 300, -800, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scroll);
        CBackgroundTile& tile = Build(std::string("speed='4' speed_cycle='2' scroll_type='") + c.scroll + "'",
                                      "pos_x='200' pos_y='300' use_twin='1' cycles='3'");
        ASSERT_TRUE(tile.GetTwin());
        Steps(10);
        EXPECT_FLOAT_EQ(tile.GetX(), c.x);
        EXPECT_FLOAT_EQ(tile.GetY(), c.y);
        // the twin stays one picture span behind the lead whatever happens: no gap
        for (int i = 0; i < 400 && !tile.IsFinished(); ++i) {
            ASSERT_TRUE(tile.GetSprite() && tile.GetTwin());
            EXPECT_FLOAT_EQ(tile.GetTwin()->GetX() - tile.GetSprite()->GetX(), c.twin_dx);
            EXPECT_FLOAT_EQ(tile.GetTwin()->GetY() - tile.GetSprite()->GetY(), c.twin_dy);
            EXPECT_FLOAT_EQ(tile.GetSprite()->GetX(), tile.GetX());
            EXPECT_FLOAT_EQ(tile.GetSprite()->GetY(), tile.GetY());
            Steps(1);
        }
        EXPECT_LT(tile.GetCyclesLeft(), 2) << "the tile wrapped at least once";
    }
}

TEST_F(Background, CyclesEndTheTileAfterItsLastCrossing)
{
    // a 100 wide tile at x 690 moving right 10 a step leaves the 800 wide picture after 11 steps
    const struct {
        int cycles;
        int steps_to_end;
    } cases[] = {{0, 11}, {1, 11}, {2, 11 + 160}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cycles);
        CBackgroundTile& tile = Build("speed='10'", "pos_x='690' cycles='" + std::to_string(c.cycles) + "'");
        Steps(c.steps_to_end - 1);
        EXPECT_FALSE(tile.IsFinished());
        Steps(1);
        EXPECT_TRUE(tile.IsFinished());
        EXPECT_EQ(tile.GetSprite(), nullptr) << "the finished tile's sprite is released";
    }
    // the wrap moves the tile two spans back: from 800 to -800
    CBackgroundTile& tile = Build("speed='10'", "pos_x='690' cycles='2'");
    Steps(11);
    EXPECT_FLOAT_EQ(tile.GetX(), -800.0f);
    EXPECT_EQ(tile.GetCyclesLeft(), 0);
}

TEST_F(Background, StaticLayersKeepTheirTilesStillAndTwinless)
{
    const char* layers[] = {"speed='5' is_static='1'", "speed='0'", ""};
    for (const char* layer : layers) {
        SCOPED_TRACE(layer);
        CBackgroundTile& tile = Build(layer, "pos_x='20' pos_y='30' use_twin='1' activates_at='5'");
        EXPECT_FALSE(background->GetLayer(0).IsMoving());
        EXPECT_TRUE(tile.IsCreated()) << "activates_at only delays tiles of moving layers";
        EXPECT_EQ(tile.GetTwin(), nullptr);
        Steps(20);
        EXPECT_FLOAT_EQ(tile.GetX(), 20.0f);
        EXPECT_FLOAT_EQ(tile.GetY(), 30.0f);
    }
}

TEST_F(Background, ActivationDelaysAndPreAdvances)
{
    // positive: created after that many updates, at the entry edge
    CBackgroundTile& late = Build("speed='2' scroll_type='HORIZONTAL_LEFT'", "pos_x='20' activates_at='3'");
    EXPECT_FALSE(late.IsCreated());
    EXPECT_FLOAT_EQ(late.GetX(), 800.0f);
    Steps(2);
    EXPECT_FALSE(late.IsCreated());
    Steps(1);
    EXPECT_TRUE(late.IsCreated());
    EXPECT_FLOAT_EQ(late.GetSprite()->GetX(), 800.0f);

    // negative: starts that many steps along its path, brought back inside the picture
    const struct {
        const char* scroll;
        int activates_at;
        float x, y;
    } cases[] = {
        {"HORIZONTAL_RIGHT", -50, -100 + 100, 0},        // enters at -100, 50 x 2 along
        {"HORIZONTAL_RIGHT", -500, -100 + 1000 - 901, 0}, // 1000 along passes the right edge: wrapped
        {"VERTICAL_UP", -10, 0, 600 - 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.activates_at);
        CBackgroundTile& tile =
            Build(std::string("speed='2' scroll_type='") + c.scroll + "'", "activates_at='" + std::to_string(c.activates_at) + "'");
        EXPECT_TRUE(tile.IsCreated());
        EXPECT_FLOAT_EQ(tile.GetX(), c.x);
        EXPECT_FLOAT_EQ(tile.GetY(), c.y);
    }
}

TEST_F(Background, RotationAndAlphaPulse)
{
    CBackgroundTile& turning = Build("", "angle='350' rotate_speed='7'");
    Steps(2);
    EXPECT_FLOAT_EQ(turning.GetSprite()->GetAngle(), 357.0f);
    EXPECT_FLOAT_EQ(turning.GetAngle(), 4.0f) << "kept in [0, 360)";

    CBackgroundTile& pulsing = Build("", "alpha_min='100' alpha_max='200' alpha_speed='40'");
    std::vector<uint32_t> shown;
    for (int i = 0; i < 8; ++i) {
        Steps(1);
        shown.push_back(pulsing.GetSprite()->GetAlpha());
    }
    EXPECT_EQ(shown, (std::vector<uint32_t>{200, 160, 120, 80, 120, 160, 200, 240}));

    // a pulse that overshoots never wraps the alpha byte
    CBackgroundTile& deep = Build("", "alpha_min='0' alpha_max='255' alpha_speed='200'");
    for (int i = 0; i < 6; ++i) {
        Steps(1);
        EXPECT_LE(deep.GetSprite()->GetAlpha(), 255u);
    }
}

TEST_F(Background, ScrollMovesEverythingAgainstTheViewAndClamps)
{
    CBackgroundTile& fixed = Build("", "pos_x='10' pos_y='10'");
    background->Scroll(50, 50);
    EXPECT_EQ(background->GetViewX(), 0.0f) << "a picture the size of the screen cannot scroll";
    EXPECT_FLOAT_EQ(fixed.GetX(), 10.0f);

    CBackgroundTile& tile = Build("", "pos_x='300' pos_y='200'", "width='1000' height='700' start_x='100'");
    EXPECT_FLOAT_EQ(tile.GetX(), 200.0f);
    EXPECT_EQ(background->GetViewX(), 100.0f);
    background->Scroll(150, 30);   // x clamped at 200: 100 applied
    EXPECT_EQ(background->GetViewX(), 200.0f);
    EXPECT_EQ(background->GetViewY(), 30.0f);
    EXPECT_FLOAT_EQ(tile.GetX(), 100.0f);
    EXPECT_FLOAT_EQ(tile.GetY(), 170.0f);
    EXPECT_FLOAT_EQ(tile.GetSprite()->GetX(), 100.0f);
    EXPECT_FLOAT_EQ(background->GetPicture().left, -200.0f);
    EXPECT_FLOAT_EQ(background->GetLayer(0).GetPicture().top, -30.0f);
    background->Scroll(-500, -500);
    EXPECT_EQ(background->GetViewX(), 0.0f);
    EXPECT_FLOAT_EQ(tile.GetX(), 300.0f);
    EXPECT_FLOAT_EQ(tile.GetY(), 200.0f);
}

TEST_F(Background, EmitterTilesMoveAndLeaveByTheirOwnPosition)
{
    ASSERT_TRUE(InitPyro(ZF_TEST_DATA_DIR "/pyro/Test.pyro"));
    {
        // an emitter rising on a vertical layer: judged by its y, so it leaves the top, wraps
        // two picture heights down and finally ends
        const BackgroundDesc desc = ReadDesc(
            "<Background><Layer speed='10' scroll_type='VERTICAL_UP'>"
            "<Tile group_id='1' id='0' pos_x='700' pos_y='40' cycles='2'/></Layer></Background>");
        background = CreateComplexBackground();
        ASSERT_TRUE(background->Create(desc, LoadTileBase("Settings\\TileBase.xml")));
        CBackgroundTile& tile = background->GetLayer(0).GetTile(0);
        ASSERT_TRUE(tile.IsEmitter());
        ASSERT_TRUE(tile.GetPyro());
        Steps(4);
        EXPECT_FALSE(tile.IsFinished()) << "x 700 must not count as a height";
        Steps(1);  // y -10: above the top (an emitter has no size)
        EXPECT_EQ(tile.GetCyclesLeft(), 0);
        EXPECT_FLOAT_EQ(tile.GetY(), 1190.0f);
        float x = 0, y = 0;
        ASSERT_TRUE(tile.GetPyro()->GetEmitterPosition(0, x, y));
        EXPECT_FLOAT_EQ(x, 700.0f);
        EXPECT_FLOAT_EQ(y, 1190.0f);
        background->Scroll(0, 0);
        Steps(120);
        EXPECT_TRUE(tile.IsFinished());
        EXPECT_EQ(tile.GetPyro(), nullptr);
    }
    background.reset();
    ShutdownPyro();
}

TEST(BackgroundChoice, EveryThirdLevelAfterAllEpochsNeverTheLastNodeNorThePrevious)
{
    RecordingEngine engine;
    RandomSeed(12345);
    BackgroundChoice choice;
    // before all epochs are complete the first epoch's id stays
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ChooseLevelBackground(choice, false, false, 8, 2, 7), 2);
    EXPECT_EQ(ChooseLevelBackground(choice, true, false, 8, 2, 7), 7);
    EXPECT_EQ(choice.bonus_background, 7);

    choice = BackgroundChoice{};
    std::vector<int> shown;
    for (int i = 0; i < 60; ++i) shown.push_back(ChooseLevelBackground(choice, false, true, 8, 2, 7));
    std::set<int> seen;
    for (size_t i = 0; i < shown.size(); ++i) {
        seen.insert(shown[i]);
        EXPECT_NE(shown[i], 7) << "the last node is never drawn";
        // levels 0..2 show the first id, then a change every third level, never to the same id
        if (i % 3 == 0 && i > 0) EXPECT_NE(shown[i], shown[i - 1]) << i;
        if (i % 3 != 0) EXPECT_EQ(shown[i], shown[i - 1]) << i;
    }
    EXPECT_GE(seen.size(), 4u);
}

TEST(BackgroundChoice, FewNodesAndBadIdsNeitherHangNorIndexOutside)
{
    RecordingEngine engine;
    RandomSeed(7);
    const struct {
        int nodes;
        int stored;
        int expected;
        bool logged;
    } cases[] = {
        {2, 0, 0, false},   // one candidate only: it stays (drawing another would loop for ever)
        {1, 0, 0, false},
        {3, 1, 0, false},   // two candidates: the other one
        {4, 9, 0, true},    // an id beyond the file: the first background, logged
        {4, -3, 0, true},
        {0, 0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nodes * 100 + c.stored);
        BackgroundChoice choice{c.stored, kBgDefault, c.logged ? 0 : 3};  // bad ids: no redraw due
        zftest::LogWatch log;
        const int chosen = ChooseLevelBackground(choice, false, true, c.nodes, 0, 0);
        EXPECT_EQ(chosen, c.expected);
        EXPECT_EQ(log.Has("ERROR:"), c.logged);
    }
    BackgroundChoice bonus{0, 42, 0};
    zftest::LogWatch log;
    EXPECT_EQ(ChooseLevelBackground(bonus, true, false, 5, 0, 0), 0);
    EXPECT_TRUE(log.Has("Background id=42 doesn't exist"));
}

TEST(BackgroundData, ShippedBackgroundsBuildWithoutErrors)
{
    RecordingEngine engine;
    zftest::ScopedChdir dir(ZF_SOURCE_DIR "/data");
    ASSERT_TRUE(InitPyro("Textures\\Pyro\\PyroDemo2.pyro"));
    const TileBase base = LoadTileBase("Settings\\TileBase.xml");
    ASSERT_FALSE(base.empty());
    const std::vector<std::string> names = GetPyroEmitterNames();
    const std::set<std::string> emitters(names.begin(), names.end());
    for (const auto& group : base)
        for (const auto& object : group) {
            if (!object.emitter.empty()) {
                EXPECT_TRUE(emitters.count(object.emitter)) << object.emitter;
            } else {
                EXPECT_GT(object.graphics.width, 0);
                EXPECT_TRUE(FileExistsHere(object.graphics.texture)) << object.graphics.texture;
            }
        }

    CXMLFile file("Settings\\Background.xml");
    const int count = file.SelectNodes("//Game/Background").GetLength();
    EXPECT_GE(count, 8) << "seven epochs and a last node that is never drawn at random";
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        BackgroundDesc desc;
        ASSERT_TRUE(LoadLevelBackgroundDesc("Settings\\Background.xml", i, desc));
        zftest::LogWatch log;
        auto bg = CreateComplexBackground();
        ASSERT_TRUE(bg->Create(desc, base));
        EXPECT_FALSE(log.Has("ERROR")) << log.Text();
        EXPECT_GE(bg->GetLayerCount(), 3u);
        for (int f = 0; f < 30; ++f) bg->Update(true);
        EXPECT_FALSE(log.Has("ERROR") || log.Has("failed")) << log.Text();
    }
    ShutdownPyro();
    CTextureCacher::Instance().Clear();
    CAniCacher::Instance().Clear();
}
