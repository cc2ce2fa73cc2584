// The construction catalogue read from small files: levels, layers, layouts and their failures.
#include "city/city_depot.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using zftest::TempDir;
using zftest::WriteText;

class ConstructDepot : public ::testing::Test {
protected:
    void Load(const std::string& xml)
    {
        const std::string path = dir.path() + "/Constructions.xml";
        WriteText(path, xml);
        depot.Load(path);
    }
    TempDir dir;
    CConstructDepot depot;
};

TEST_F(ConstructDepot, ReadsEveryLevelWithItsLayersLayoutsAndHelpPage)
{
    Load(R"(<Constructions>
      <Construction type="101"><Ball graph_type="2" available="1"/>
        <Update offset_x="10.5" offset_y="-4">
          <Resource type="1" amount="120"/><Resource type="3" amount="40"/>
          <Ico><graphics texture="Textures\City\Icons.png" width="64" height="64"/></Ico>
          <Layer id="2.7" type="1" offset_x="3" offset_y="4"><graphics texture="a.png" width="8" height="9"/></Layer>
          <Layer id="5" type="2"><Pyro alias="Smoke"/><move curve_file="" back_after_end="1"/></Layer>
          <Layer id="6" type="3"><move curve_file="bird.crv" back_after_end="1"/></Layer>
          <Layouts start_group_id="3">
            <Layout group_id="3" base="1" probability="50" min_cycles="1" max_cycles="4"><layer id="5"/><layer id="99"/></Layout>
            <Layout group_id="1"><layer id="6"/></Layout>
            <Layout group_id="3"/>
          </Layouts>
          <Description page="7"/>
        </Update>
        <Update/><Update/>
      </Construction>
      <Construction><Update/></Construction>
      <Construction type="0"><Update/></Construction>
    </Constructions>)");
    ASSERT_EQ(depot.GetAll().size(), 1u);
    ConstructionInfo info;
    ASSERT_TRUE(depot.GetConstruction(101, info));
    EXPECT_TRUE(info.brings_ball);
    EXPECT_EQ(info.ball_graph_type, 2);
    EXPECT_TRUE(info.ball_available);
    ASSERT_EQ(info.GetLevelCount(), 3);

    const ConstructionUpgrade& level = info.levels[0];
    EXPECT_FLOAT_EQ(level.offset_x, 10.5f);
    EXPECT_FLOAT_EQ(level.offset_y, -4.0f);
    EXPECT_EQ(level.resources, (std::vector<std::pair<int32_t, int32_t>>{{1, 120}, {3, 40}}));
    EXPECT_EQ(level.icon.width, 64);
    ASSERT_EQ(level.layers.size(), 3u);
    EXPECT_EQ(level.layers[0].id, 2);   // the fraction is dropped
    EXPECT_FLOAT_EQ(level.layers[0].offset_y, 4.0f);
    EXPECT_EQ(level.layers[0].graphics.height, 9);
    EXPECT_EQ(level.layers[1].particle_alias, "Smoke");
    // An empty curve is no movement, whatever else the element says.
    EXPECT_FALSE(level.layers[1].has_move);
    EXPECT_FALSE(level.layers[1].back_after_end);
    EXPECT_TRUE(level.layers[2].has_move);
    EXPECT_TRUE(level.layers[2].back_after_end);
    EXPECT_EQ(level.layers[2].curve_file, "bird.crv");
    ASSERT_EQ(level.layouts.size(), 3u);
    EXPECT_TRUE(level.has_layouts);
    EXPECT_EQ(level.start_group, 3);
    EXPECT_EQ(level.group_ids, (std::vector<int32_t>{3, 1}));
    // Layer 5 is the second layer; the unknown id 99 stands at index 0.
    EXPECT_EQ(level.layouts[0].members, (std::map<int32_t, int32_t>{{0, 99}, {1, 5}}));
    EXPECT_EQ(level.layouts[0].max_cycles, 4);
    EXPECT_EQ(level.help_page, 7);
    EXPECT_FALSE(info.levels[1].has_layouts);
    EXPECT_EQ(info.levels[1].help_page, 0);
}

TEST_F(ConstructDepot, AMissingConstructionOrLevelIsRefused)
{
    Load(R"(<Constructions><Construction type="7"><Update/><Update/><Update/></Construction></Constructions>)");
    ConstructionInfo info;
    info.ball_graph_type = 42;
    EXPECT_FALSE(depot.GetConstruction(8, info));
    EXPECT_EQ(info.ball_graph_type, 42);
    EXPECT_EQ(depot.GetLevelCount(7), 3);
    EXPECT_EQ(depot.GetLevelCount(8), 0);
    ConstructionUpgrade level;
    EXPECT_NO_THROW(depot.GetUpgradeData(7, 2, level));
    zftest::LogWatch log;
    for (const auto& [id, upgrade] : std::vector<std::pair<int, int>>{{7, 3}, {7, -1}, {8, 0}}) {
        try {
            depot.GetUpgradeData(id, upgrade, level);
            ADD_FAILURE() << id << " " << upgrade;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Can't get construction upgrade data");
        }
    }
    EXPECT_TRUE(log.Has("Can't get construction upgrade data (id 7, upgrade 3)"));
}

TEST_F(ConstructDepot, ATypeGivenTwiceKeepsOneEntryAndADamagedFileAddsNothing)
{
    Load(R"(<Constructions>
      <Construction type="3"><Ball graph_type="4" available="1"/><Update/></Construction>
      <Construction type="3"><Update/><Update/></Construction>
    </Constructions>)");
    ConstructionInfo info;
    ASSERT_TRUE(depot.GetConstruction(3, info));
    EXPECT_EQ(info.GetLevelCount(), 3);
    EXPECT_FALSE(info.brings_ball);      // the last element decides
    EXPECT_EQ(info.ball_graph_type, 4);   // and keeps what the first gave

    zftest::LogWatch log;
    WriteText(dir.path() + "/bad.xml", "<Constructions><Construction type=");
    depot.Load(dir.path() + "/bad.xml");
    EXPECT_EQ(depot.GetAll().size(), 1u);
    EXPECT_TRUE(log.Has("cannot be read"));
}

} // namespace
