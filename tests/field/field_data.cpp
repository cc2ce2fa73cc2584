// The game's own field content: every ball type of "Balls.xml" has every look the field sets, every
// tile, lock, box and wall its states, "Common.xml" its marks; and a level on the shipped data loads.
#include "field_test_util.h"

#include "field/balls/field_balls.h"
#include "field/tiles/field_tiles.h"

using namespace fieldtest;

namespace {

class ShippedField : public ::testing::Test {
protected:
    ShippedField() : _dir(ZF_GAME_DATA_DIR)
    {
        g_GameCfg = CGameCfg();
        g_GameCfg.Load();
        g_LevelCfg = CLevelCfg();
        ReloadGraphBases();
        GetBallsDepot();   // the first use reads the file before the user is installed
        SetFieldUser(&user);
        GetBallsDepot().Load();
    }
    ~ShippedField() override
    {
        SetFieldUser(nullptr);
        g_GameCfg = CGameCfg();
        g_LevelCfg = CLevelCfg();
        ReloadGraphBases();
    }
    zftest::ScopedChdir _dir;
    RecordingUser user;
};

TEST_F(ShippedField, EveryTypeHasEveryLookTheFieldSets)
{
    EXPECT_FLOAT_EQ(g_GameCfg.GetCellW(), 36.0f);
    const BallsDepot& depot = GetBallsDepot();
    EXPECT_EQ(depot.GetList(BallsDepot::blPlain).size(), 8u);
    EXPECT_EQ(depot.GetList(BallsDepot::blBonus).size(), 8u);
    EXPECT_EQ(depot.GetList(BallsDepot::blMultiball).size(), 1u);
    EXPECT_EQ(depot.GetList(BallsDepot::blFinisher).size(), 1u);
    EXPECT_EQ(user.loaded_credits, (std::vector<int>{10, 11, 12, 13, 14, 15, 16, 17}));
    const int ball_states[] = {gosDefault, gosCreate, gosMove, gosDead, gosExplosion, gosSelect, gosMouseOver, gosGlow,
                               gosTimeOut};
    for (int list = 0; list < BallsDepot::blCount; ++list) {
        for (const BallType& t : depot.GetList(list)) {
            for (int look : t.grade_graph_types)
                for (int state : ball_states)
                    EXPECT_TRUE(GetGraphBase(gbBalls).HasState(look, state)) << look << " " << StateName(state);
        }
    }
    for (int tile = 1; tile <= 12; ++tile)
        for (int state : {gosDefault, gosDead, gosGlow, gosTimeOut})
            EXPECT_TRUE(GetGraphBase(gbTiles).HasState(tile, state)) << tile << " " << StateName(state);
    for (EGraphBase base : {gbLocks, gbBoxes})
        for (int level : {1, 2}) EXPECT_TRUE(GetGraphBase(base).HasState(level, gosDefault)) << base << " " << level;
    for (int wall = 1; wall <= 6; ++wall) EXPECT_TRUE(GetGraphBase(gbWalls).HasState(wall, gosDefault)) << wall;

    const CXMLFile common("Settings\\Bases\\Common.xml");
    for (const char* mark : {"AvailMoveSelect", "ChainArrow", "FinishMoveSelect", "ChainSelect", "MouseOverCellTop",
                             "MouseOverCell", "Resource01", "Resource02", "Resource03"})
        EXPECT_TRUE(common.SelectSingleNode(std::string("Common/") + mark + "/graphics").IsValid()) << mark;
}

TEST_F(ShippedField, ALevelWithEveryKindOfObjectLoadsOnTheShippedData)
{
    std::string text = R"(<Level><Config field_width="8" field_height="2" allow_ball_types="6" allow_bonus_types="2"/><Field>)";
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 2; ++y)
            text += "<Cell x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" active=\"1\" wall=\"" +
                    std::to_string(y == 1 ? x % 4 : 0) + "\"><Group tile=\"" + std::to_string(1 + x % 4) +
                    "\"/><Group tile=\"" + std::to_string(5 + x % 4) + "\"/><Group tile=\"" + std::to_string(9 + x % 4) +
                    "\"/></Cell>";
    text += R"(</Field><Balls><Cell x="0" y="0" lock="2"><Ball graph_type="1"/></Cell>
        <Cell x="1" y="0" box="2"><Ball graph_type="3"/></Cell><Cell x="2" y="0"><Ball graph_type="60"/></Cell></Balls></Level>)";
    const CXMLFile level = ParseXml(text);
    const CXMLNode root = level.SelectSingleNode("Level");
    g_LevelCfg.Load(root);
    LevelFieldInfo info;
    CTilesField tiles;
    CBallsField balls;
    tiles.LoadLevel(root, info);
    balls.LoadLevel(root, info);
    EXPECT_EQ(info.n_puzzles, 32);
    EXPECT_TRUE(info.was_triple_walls);
    EXPECT_EQ(balls.GetTypeCount(), 8);
    EXPECT_TRUE(balls.IsLocked(0));
    EXPECT_TRUE(balls.IsBoxed(1));
    EXPECT_TRUE(balls.IsFinisher(2));
}

} // namespace
