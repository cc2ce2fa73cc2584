// The game and level configuration: every key's default and its value from XML, the cached values,
// the multiball tables, damaged files, and the cell geometry with its neighbours at every edge.
#include "field_test_util.h"

#include "field/config/field_config.h"

#include <any>
#include <stdexcept>
#include <variant>

using namespace fieldtest;

namespace {

using Value = std::variant<int, float, std::string>;

struct Key {
    const char* name;
    Value def;
    Value loaded;   // what the test file gives
};

const Key kGameKeys[] = {
    {"cell_w", 36.0f, 40.0f}, {"cell_h", 36.0f, 42.0f}, {"ball_w", 36.0f, 38.0f}, {"ball_h", 36.0f, 34.0f},
    {"move_ball_speed", 8.5f, 9.5f}, {"ball_grow_time", 10.0f, 12.0f}, {"score_for_life", 20000, 15000},
    {"start_lives", 3, 5}, {"line_size", 3, 4}, {"min_chain_for_1_multiballs", 5, 6},
    {"min_chain_for_2_multiballs", 9, 10}, {"min_chain_for_3_multiballs", 13, 14},
    {"sample_multiball_appear_1", std::string("mlty_appear"), std::string("m1")},
    {"sample_multiball_appear_2", std::string("mlty_appear"), std::string("m2")},
    {"sample_multiball_appear_3", std::string("mlty_appear"), std::string("m3")},
    {"sample_multiball_appear_4", std::string("mlty_appear"), std::string("m4")},
    {"sample_multiball_appear_5", std::string("mlty_appear"), std::string("m5")},
    {"sample_multiball_appear_6", std::string("mlty_appear"), std::string("m6")},
    {"sample_multiball_appear_7", std::string("mlty_appear"), std::string("m7")},
    {"sample_multiball_appear_8", std::string("mlty_appear"), std::string("m8")},
    {"bonus_res_multiplier", 10, 12}, {"m_panel_speed", 14.0f, 20.0f}, {"wave_life", 30, 25},
    {"wave_appear_min", 20000, 100}, {"wave_appear_max", 40000, 200},
};

const Key kLevelKeys[] = {
    {"field_width", 0, 8}, {"field_height", 0, 9}, {"field_pos_x", 100, 130}, {"field_pos_y", 100, 70},
    {"allow_ball_types", 5, 6}, {"allow_bonus_types", 1, 2}, {"bonus_probability", 0, 3},
    {"forced_match_probability", 0, 4}, {"ordinary_locked_probability", 0, 5}, {"double_locked_probability", 0, 6},
    {"ordinary_boxed_probability", 0, 7}, {"double_boxed_probability", 0, 8},
};

std::string Text(const Value& v)
{
    if (const int* i = std::get_if<int>(&v)) return std::to_string(*i);
    if (const float* f = std::get_if<float>(&v)) return std::to_string(*f);
    return std::get<std::string>(v);
}

void ExpectValue(const CVariableRegistry& store, const Key& key, const Value& want)
{
    if (const int* i = std::get_if<int>(&want)) EXPECT_EQ(store.GetInt(key.name), *i) << key.name;
    else if (const float* f = std::get_if<float>(&want)) EXPECT_FLOAT_EQ(store.GetFloat(key.name), *f) << key.name;
    else EXPECT_EQ(store.GetString(key.name), std::get<std::string>(want)) << key.name;
}

template <size_t N>
std::string Element(const char* name, const Key (&keys)[N])
{
    std::string out = std::string("<") + name;
    for (const Key& k : keys) out += std::string(" ") + k.name + "=\"" + Text(k.loaded) + "\"";
    return out + " unknown_key=\"7\"/>";
}

} // namespace

TEST(GameConfig, EveryKeyHasItsDefaultAndLoadsFromXml)
{
    CGameCfg cfg;
    for (const Key& k : kGameKeys) ExpectValue(cfg.GetStore(), k, k.def);
    EXPECT_EQ(cfg.GetStore().GetVariables().size(), std::size(kGameKeys));

    const CXMLFile file = ParseXml(Element("GameCFG", kGameKeys));
    cfg.LoadFrom(file.SelectSingleNode("//GameCFG"));
    for (const Key& k : kGameKeys) ExpectValue(cfg.GetStore(), k, k.loaded);
    // The unknown attribute was not added; the cached values follow the store.
    EXPECT_THROW(cfg.GetInt("unknown_key"), std::runtime_error);
    EXPECT_FLOAT_EQ(cfg.GetCellW(), 40.0f);
    EXPECT_FLOAT_EQ(cfg.GetCellH(), 42.0f);
    EXPECT_FLOAT_EQ(cfg.GetBallW(), 38.0f);
    EXPECT_FLOAT_EQ(cfg.GetBallH(), 34.0f);
    EXPECT_EQ(cfg.GetLineSize(), 4);
    EXPECT_EQ(cfg.GetMultiballSample(3), "m3");
    EXPECT_EQ(cfg.GetMultiballCount(13), 2);
    EXPECT_EQ(cfg.GetMultiballCount(14), 3);
    // Ball offsets: (cell - ball) / 2.
    EXPECT_FLOAT_EQ(cfg.GetBallOffsetX(), 3.0f);
    EXPECT_FLOAT_EQ(cfg.GetBallOffsetY(), 4.0f);
    // Another type than the one registered is a bad cast.
    EXPECT_THROW(cfg.GetInt("cell_w"), std::bad_any_cast);
}

TEST(GameConfig, MultiballTablesWithTheDefaults)
{
    CGameCfg cfg;
    cfg.LoadFrom(ParseXml("<GameCFG/>").SelectSingleNode("//GameCFG"));
    const std::pair<int, int> counts[] = {{0, 0}, {4, 0}, {5, 1}, {8, 1}, {9, 2}, {12, 2}, {13, 3}, {40, 3}};
    for (auto [length, want] : counts) EXPECT_EQ(cfg.GetMultiballCount(length), want) << length;
    EXPECT_FLOAT_EQ(cfg.GetBallOffsetX(), 0.0f);

    cfg.LoadFrom(ParseXml(R"(<GameCFG sample_multiball_appear_1="a" sample_multiball_appear_5="e"
                                      sample_multiball_appear_8="h"/>)").SelectSingleNode("//GameCFG"));
    const std::pair<int, const char*> samples[] = {{-3, "a"}, {0, "a"}, {1, "a"}, {5, "e"}, {8, "h"}, {9, "h"}, {2, "mlty_appear"}};
    for (auto [n, want] : samples) EXPECT_EQ(cfg.GetMultiballSample(n), want) << n;
}

TEST(GameConfig, ValuesTheFieldCannotUseAreMendedWithAWarning)
{
    CGameCfg cfg;
    zftest::LogWatch log;
    cfg.LoadFrom(ParseXml(R"(<GameCFG cell_w="0" ball_h="-5" line_size="1" ball_grow_time="nan"
                                      wave_appear_min="50" wave_appear_max="10" score_for_life="0"/>)")
                     .SelectSingleNode("//GameCFG"));
    EXPECT_FLOAT_EQ(cfg.GetCellW(), 1.0f);
    EXPECT_FLOAT_EQ(cfg.GetBallH(), 1.0f);
    EXPECT_EQ(cfg.GetLineSize(), 2);
    EXPECT_FLOAT_EQ(cfg.GetFloat("ball_grow_time"), 1.0f);
    EXPECT_EQ(cfg.GetInt("wave_appear_max"), 50);
    EXPECT_TRUE(log.Has("line_size = 1 is out of range, 2 used."));
    // No extra lives: kept as the file says, and said once.
    EXPECT_EQ(cfg.GetInt("score_for_life"), 0);
    EXPECT_TRUE(log.Has("score_for_life = 0, no extra lives"));
}

TEST(GameConfig, AMissingFileOrElementFailsItsCheck)
{
    zftest::TempDir dir;
    zftest::ScopedChdir in(dir.path());
    CGameCfg cfg;
    zftest::LogWatch log;
    try {
        cfg.Load();
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "verify {config_node.IsValid()} failed");
    }
    EXPECT_TRUE(log.Has("Verify {config_node.IsValid()} failed"));

    zftest::WriteText(dir / "Settings/GameCFG.xml", "<Other line_size=\"5\"/>");
    EXPECT_THROW(cfg.Load(), std::runtime_error);
    zftest::WriteText(dir / "Settings/GameCFG.xml", "<GameCFG line_size=\"5\"");   // cut short
    EXPECT_THROW(cfg.Load(), std::runtime_error);
    EXPECT_EQ(cfg.GetLineSize(), 3);

    zftest::WriteText(dir / "Settings/GameCFG.xml", "<Root><GameCFG line_size=\"5\"/></Root>");
    cfg.Load();
    EXPECT_EQ(cfg.GetLineSize(), 5);
}

TEST(LevelConfig, EveryKeyHasItsDefaultAndLoadsFromConfigThenField)
{
    CLevelCfg cfg;
    for (const Key& k : kLevelKeys) ExpectValue(cfg.GetStore(), k, k.def);
    EXPECT_EQ(cfg.GetStore().GetVariables().size(), std::size(kLevelKeys));
    EXPECT_EQ(cfg.GetCellCount(), 0);

    CXMLFile level = ParseXml("<Level>" + Element("Config", kLevelKeys) + "</Level>");
    cfg.Load(level.SelectSingleNode("Level"));
    for (const Key& k : kLevelKeys) ExpectValue(cfg.GetStore(), k, k.loaded);
    EXPECT_EQ(cfg.GetCellCount(), 72);
    EXPECT_EQ(cfg.GetFieldPosX(), 130);
    EXPECT_EQ(cfg.GetFieldPosY(), 70);

    // "Field" wins over "Config"; a key no element gives keeps the previous level's value.
    level = ParseXml(R"(<Level><Config field_width="5" field_height="4" allow_ball_types="3"/>
                               <Field field_width="6"/></Level>)");
    cfg.Load(level.SelectSingleNode("Level"));
    EXPECT_EQ(cfg.GetFieldWidth(), 6);
    EXPECT_EQ(cfg.GetFieldHeight(), 4);
    EXPECT_EQ(cfg.GetCellCount(), 24);
    EXPECT_EQ(cfg.GetInt("allow_ball_types"), 3);
    EXPECT_EQ(cfg.GetInt("bonus_probability"), 3);

    // A level without either element keeps everything.
    level = ParseXml("<Level/>");
    cfg.Load(level.SelectSingleNode("Level"));
    EXPECT_EQ(cfg.GetCellCount(), 24);
}

TEST(LevelConfig, AnImpossibleFieldSizeFailsTheLoadAndKeepsTheValuesHeld)
{
    CLevelCfg cfg;
    CXMLFile level = ParseXml(R"(<Level><Field field_width="5" field_height="4"/></Level>)");
    cfg.Load(level.SelectSingleNode("Level"));
    for (const char* field : {R"(field_width="0")", R"(field_height="-3")", R"(field_width="-2" field_height="-2")",
                              R"(field_width="65")", R"(field_height="2000000000")", R"(field_width="x")"}) {
        zftest::LogWatch log;
        level = ParseXml(std::string("<Level><Field ") + field + R"( allow_ball_types="2"/></Level>)");
        EXPECT_THROW(cfg.Load(level.SelectSingleNode("Level")), std::runtime_error) << field;
        EXPECT_TRUE(log.Has("invalid field size")) << field;
        EXPECT_EQ(cfg.GetCellCount(), 20) << field;
        EXPECT_EQ(cfg.GetInt("allow_ball_types"), 5) << field;
    }
}

class Geometry : public ::testing::Test {
protected:
    Geometry()
    {
        g_GameCfg = CGameCfg();
        g_LevelCfg = CLevelCfg();
        const CXMLFile level = ParseXml(R"(<Level><Field field_width="8" field_height="6"/></Level>)");
        g_LevelCfg.Load(level.SelectSingleNode("Level"));
    }
    ~Geometry() override
    {
        g_GameCfg = CGameCfg();
        g_LevelCfg = CLevelCfg();
    }
};

TEST_F(Geometry, IndexColumnRowAndScreenPosition)
{
    const CLevelCfg& g = g_LevelCfg;
    EXPECT_EQ(g.CellIndex(3, 2), 19);
    EXPECT_EQ(g.CellIndex(0, 6), -1);
    EXPECT_EQ(g.CellIndex(7, 5), 47);
    EXPECT_EQ(g.CellAt(8, 0), -1);   // the checked form does not wrap to the next row
    EXPECT_EQ(g.CellAt(-1, 1), -1);
    EXPECT_EQ(g.CellAt(7, 1), 15);

    int col = -7, row = -7;
    EXPECT_TRUE(g.CellToPos(19, col, row));
    EXPECT_EQ(col, 3);
    EXPECT_EQ(row, 2);
    float fc = -7, fr = -7;
    for (int bad : {-1, 48}) {
        EXPECT_FALSE(g.CellToPos(bad, fc, fr));
        EXPECT_FALSE(g.CellToPos(bad, col, row));
    }
    EXPECT_EQ(fc, -7.0f);
    EXPECT_EQ(col, 3);

    float x = 0, y = 0;
    ASSERT_TRUE(g.CellToScreen(19, x, y));
    EXPECT_FLOAT_EQ(x, 100 + 3 * 36);
    EXPECT_FLOAT_EQ(y, 100 + 2 * 36);
    ASSERT_TRUE(g.CellToScreenCenter(19, x, y));
    EXPECT_FLOAT_EQ(x, 100 + 3 * 36 + 18);
    EXPECT_FLOAT_EQ(y, 100 + 2 * 36 + 18);
    EXPECT_FALSE(g.CellToScreen(48, x, y));

    const struct {
        float x, y;
        int cell;
    } points[] = {{99, 100, -1}, {100, 99, -1}, {100, 100, 0}, {100 + 8 * 36, 100, -1}, {100 + 8 * 36 - 0.01f, 100, 7},
                  {100, 100 + 6 * 36, -1}, {100, 100 + 6 * 36 - 0.01f, 40}, {100 + 36, 100 + 36, 9}, {-1e30f, 5, -1}};
    for (const auto& p : points) EXPECT_EQ(g.PosToCell(p.x, p.y), p.cell) << p.x << ", " << p.y;
}

TEST_F(Geometry, NeighboursNeverWrapAcrossRowsOrLeaveTheField)
{
    std::vector<int> offsets;
    g_LevelCfg.GetNeighbours(offsets);
    EXPECT_EQ(offsets, (std::vector<int>{-8, 1, 8, -1}));

    const struct {
        int cell;
        int up, right, down, left;
    } cases[] = {
        {0, -1, 1, 8, -1},     // top-left corner
        {7, -1, -1, 15, 6},    // top-right corner: no wrap to cell 8
        {40, 32, 41, -1, -1},  // bottom-left corner
        {47, 39, -1, -1, 46},  // bottom-right corner
        {8, 0, 9, 16, -1},     // left edge: no wrap to cell 7
        {15, 7, -1, 23, 14},   // right edge: no wrap to cell 16
        {3, -1, 4, 11, 2},     // top edge
        {44, 36, 45, -1, 43},  // bottom edge
        {19, 11, 20, 27, 18},  // inside
        {-1, -1, -1, -1, -1},  // no cell
        {48, -1, -1, -1, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(g_LevelCfg.Neighbour(c.cell, nbUp), c.up) << c.cell;
        EXPECT_EQ(g_LevelCfg.Neighbour(c.cell, nbRight), c.right) << c.cell;
        EXPECT_EQ(g_LevelCfg.Neighbour(c.cell, nbDown), c.down) << c.cell;
        EXPECT_EQ(g_LevelCfg.Neighbour(c.cell, nbLeft), c.left) << c.cell;
    }
    EXPECT_EQ(g_LevelCfg.Neighbour(19, 4), -1);
}
