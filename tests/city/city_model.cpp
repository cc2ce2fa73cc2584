// The city model read from small shop files: epochs and bonus constructions, saved cities and the
// completion rule, buying, the shop's operations, the content faults found at start-up, and the shop
// the game ships.
#include "city/city_model.h"

#include "engine/base/engine_xml.h"
#include "field/balls/field_ballsdepot.h"
#include "field/people/field_people.h"
#include "player/player_test_util.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace player_test;
using zftest::CountOf;

// Levels carry their help page as 10 x id + level, so a test can tell which level it was given.
const char* const kCatalogue = R"(<Constructions>
  <Construction type="101"><Ball graph_type="2" available="1"/>
    <Update><Description page="1010"/></Update><Update><Description page="1011"/></Update><Update><Description page="1012"/></Update>
  </Construction>
  <Construction type="102"><Update><Description page="1020"/></Update></Construction>
  <Construction type="103"><Update/><Update/></Construction>
  <Construction type="104"><Update/></Construction>
  <Construction type="201"><Update/></Construction>
  <Construction type="202"><Update/></Construction>
</Constructions>)";

const char* const kPrices = R"(<Resources>
  <ResConstructoin type="101" update_id="0"><Resource type="1" amount="100"/><Resource type="3" amount="10"/></ResConstructoin>
  <ResConstructoin type="101" update_id="1"><Resource type="1" amount="200"/></ResConstructoin>
  <ResConstructoin type="101" update_id="2"><Resource type="2" amount="50"/></ResConstructoin>
  <ResConstructoin type="102" update_id="0"><Resource type="1" amount="300"/></ResConstructoin>
  <ResConstructoin type="103" update_id="0"><Resource type="1" amount="1"/></ResConstructoin>
  <ResConstructoin type="103" update_id="1"><Resource type="1" amount="1"/></ResConstructoin>
  <ResConstructoin type="104" update_id="0"/>
</Resources>)";

// Three epochs (101 102 | 103 | 104) and two bonus constructions.
const char* const kShop = R"(<Shop>
  <Episode epoch_title="E0" background="5" bonus_background="6" help_limit_01="2" help_limit_03="3"
           help_default_page_01="4" help_default_page_03="5">
    <Music alias="m0" track="1"/><BonusMusic alias="b0" track="2"/>
    <Construction id="101" background="11" bonus_background="12"><Music alias="m101" track="3"/><BonusMusic alias="b101"/></Construction>
    <Construction id="102"/>
  </Episode>
  <Episode epoch_title="E1"><Construction id="103"/></Episode>
  <Episode><Construction id="104"/></Episode>
  <Bonus epoch_title="B0"><Construction id="201"/></Bonus>
  <Bonus epoch_title="B1"><Construction id="202"/></Bonus>
  <Scroll min_speed="3" max_speed="0" brake_at_percent="80"/>
</Shop>)";

class CityModel : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        WriteText(dir / "Constructions.xml", kCatalogue);
        GetConstructDepot().Clear();
        GetConstructDepot().Load(dir / "Constructions.xml");
        WriteText(dir / "ConstructionRes.xml", kPrices);
        GetConstructionRes().Load(dir / "ConstructionRes.xml");
        city.SetLabelSource([](const std::string& alias) { return alias + "!"; });
    }
    void TearDown() override
    {
        GetConstructDepot().Clear();
        GetConstructionRes().Load(dir / "none.xml");
        PlayerFixture::TearDown();
    }
    void LoadShop(const std::string& xml)
    {
        WriteText(dir / "Shop.xml", xml);
        ASSERT_TRUE(LoadCity(city, dir / "Shop.xml"));
    }
    // A new game holding these resources, in the live table and in the player's game alike.
    void Give(const std::map<int32_t, int32_t>& amounts)
    {
        GetResources().Assign(amounts);
        for (const auto& [type, amount] : amounts) g_User.SetResource(type, amount);
    }
    CCity city;
};

TEST_F(CityModel, ReadsEpochsBonusConstructionsAndDefaults)
{
    LogWatch log;
    LoadShop(kShop);
    EXPECT_EQ(log.Count("Error"), 0u) << log.Text();
    EXPECT_EQ(city.GetContentErrors(), 0);
    ASSERT_EQ(city.GetEpochCount(), 3);
    const CityEpoch& e0 = *city.FindEpoch(0);
    EXPECT_EQ(e0.title, "E0!");
    EXPECT_EQ(e0.background, 5);
    EXPECT_EQ(e0.bonus_background, 6);
    EXPECT_EQ(e0.music, MusicTrack("m0", 1));
    EXPECT_EQ(e0.bonus_music, MusicTrack("b0", 2));
    EXPECT_EQ(city.GetHelpLimit01(0), 2);
    EXPECT_EQ(city.GetHelpLimit03(0), 3);
    EXPECT_EQ(city.GetHelpDefaultPage01(0), 4);
    EXPECT_EQ(city.GetHelpDefaultPage03(0), 5);
    // Missing attributes and children take their defaults.
    const CityEpoch& e2 = *city.FindEpoch(2);
    EXPECT_EQ(e2.title, "");
    EXPECT_EQ(e2.background, kNoBackground);
    EXPECT_EQ(e2.music, MusicTrack());
    EXPECT_EQ(city.GetHelpLimit01(2), 0);
    EXPECT_EQ(city.GetHelpDefaultPage03(2), 0);

    const CityConstruct c = city.GetConstruction(0, 0);
    EXPECT_EQ(c.id, 101);
    EXPECT_EQ(c.level_count, 3);
    EXPECT_TRUE(c.brings_ball);
    EXPECT_EQ(c.ball_graph_type, 2);
    EXPECT_TRUE(c.ball_available);
    EXPECT_EQ(c.background, 11);
    EXPECT_EQ(c.bonus_music, MusicTrack("b101", 0));
    EXPECT_FALSE(c.bought);
    EXPECT_EQ(c.upgrade, 0);
    const CityConstruct d = city.GetConstruction(0, 1);
    EXPECT_EQ(d.level_count, 1);
    EXPECT_FALSE(d.brings_ball);
    EXPECT_EQ(d.ball_graph_type, -1);
    EXPECT_EQ(d.background, kNoBackground);

    ASSERT_EQ(city.GetBonusCount(), 2);
    EXPECT_EQ(city.GetBonusConstruction(1).id, 202);
    EXPECT_EQ(city.GetBonusTitle(), "B1!");   // the last bonus list names it
    // The id map leads a purchase to the bonus list as well as to the epochs.
    EXPECT_TRUE(city.BuyConstruction(202));
    EXPECT_TRUE(city.GetBonusConstruction(1).bought);
    EXPECT_TRUE(city.BuyConstruction(103));
    EXPECT_TRUE(city.GetConstruction(1, 0).bought);
    EXPECT_EQ(city.GetCurrentEpoch(), 0);
    EXPECT_FALSE(city.IsAllComplete());

    const CityScrollParams scroll = LoadScrollParams(dir / "Shop.xml");
    EXPECT_FLOAT_EQ(scroll.min_speed, 3.0f);
    EXPECT_FLOAT_EQ(scroll.max_speed, 3.0f);
}

TEST_F(CityModel, SavedCityAndTheCompletionRule)
{
    LoadShop(kShop);
    struct Row { CityConstructions saved; int epoch; bool all_complete; bool e0_complete; };
    const Row rows[] = {
        {{}, 0, false, false},
        {{{101, {true, 0}}}, 0, false, false},
        {{{101, {true, 0}}, {102, {true, 0}}}, 1, false, true},
        // The last epoch holding a bought construction decides, complete or not before it.
        {{{103, {true, 0}}}, 2, false, false},
        {{{101, {true, 2}}, {102, {true, 0}}, {103, {true, 1}}, {104, {true, 0}}}, 2, true, true},
        // An entry the saved city marks as not bought counts as not bought.
        {{{101, {true, 0}}, {102, {false, 0}}}, 0, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&r - rows));
        city.LoadProgress(r.saved);
        EXPECT_EQ(city.GetCurrentEpoch(), r.epoch);
        EXPECT_EQ(city.IsAllComplete(), r.all_complete);
        EXPECT_EQ(city.IsEpochComplete(0), r.e0_complete);
        for (const auto& [id, entry] : r.saved) {
            EXPECT_EQ(city.FindConstruction(id)->bought, entry.bought) << id;
            EXPECT_EQ(city.FindConstruction(id)->upgrade, entry.upgrade) << id;
        }
    }
    // A damaged save: an id the shop does not sell and a level past the catalogue's.
    LogWatch log;
    city.LoadProgress({{999, {true, 0}}, {101, {true, 7}}, {102, {true, -3}}});
    EXPECT_TRUE(log.Has("Warning: the saved city holds construction 999, which the shop does not sell"));
    EXPECT_TRUE(log.Has("Warning: the saved city holds construction 101 at level 7; level 2 is used."));
    EXPECT_EQ(city.FindConstruction(101)->upgrade, 2);
    EXPECT_EQ(city.FindConstruction(102)->upgrade, 0);
    EXPECT_EQ(city.GetCurrentEpoch(), 1);
}

TEST_F(CityModel, PurchaseRule)
{
    LoadShop(kShop);
    city.LoadProgress({});
    struct Row { int32_t id; bool result; bool bought; int upgrade; bool e0_complete; bool all; };
    const Row rows[] = {
        {101, true, true, 0, false, false},    // new: level 0
        {101, true, true, 1, false, false},    // upgrades
        {101, true, true, 2, false, false},
        {101, false, true, 2, false, false},   // past the last level: refused
        {102, true, true, 0, true, false},     // the epoch is complete
        {103, true, true, 0, true, false},
        {104, true, true, 0, true, true},      // every epoch is complete
        {201, true, true, 0, true, true},      // a bonus construction
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&r - rows));
        LogWatch log;
        EXPECT_EQ(city.BuyConstruction(r.id), r.result);
        EXPECT_EQ(log.Text(), "");
        EXPECT_EQ(city.FindConstruction(r.id)->bought, r.bought);
        EXPECT_EQ(city.FindConstruction(r.id)->upgrade, r.upgrade);
        EXPECT_EQ(city.IsEpochComplete(0), r.e0_complete);
        EXPECT_EQ(city.IsAllComplete(), r.all);
    }
    // Buying never moves the current epoch; taking the city again does.
    EXPECT_EQ(city.GetCurrentEpoch(), 0);
    LogWatch log;
    EXPECT_FALSE(city.BuyConstruction(999));
    EXPECT_TRUE(log.Has("Error: construction 999 is not sold in the shop; nothing is bought."));
    // Reset clears the purchases and the completion.
    city.Reset();
    EXPECT_FALSE(city.FindConstruction(101)->bought);
    EXPECT_FALSE(city.IsEpochComplete(0));
    EXPECT_FALSE(city.IsAllComplete());
}

TEST_F(CityModel, ChoicesByConstructionIndexAndOutOfRange)
{
    LoadShop(kShop);
    struct Row { int epoch, i; int32_t bg, bonus_bg; MusicTrack music, bonus_music; };
    const Row rows[] = {
        {0, 0, 11, 12, {"m101", 3}, {"b101", 0}},   // the construction's
        {0, 1, kNoBackground, kNoBackground, {}, {}},   // a construction without its own
        {0, 2, 5, 6, {"m0", 1}, {"b0", 2}},         // past the constructions: the epoch's
        {0, -1, 5, 6, {"m0", 1}, {"b0", 2}},
        {3, 0, kNoBackground, kNoBackground, {}, {}},   // no such epoch
        {-1, 0, kNoBackground, kNoBackground, {}, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.epoch << "/" << r.i);
        EXPECT_EQ(city.GetBackground(r.epoch, r.i), r.bg);
        EXPECT_EQ(city.GetBonusBackground(r.epoch, r.i), r.bonus_bg);
        EXPECT_EQ(city.GetMusic(r.epoch, r.i), r.music);
        EXPECT_EQ(city.GetBonusMusic(r.epoch, r.i), r.bonus_music);
    }
    for (int epoch : {-1, 3, 100}) {
        EXPECT_EQ(city.GetHelpLimit01(epoch), 1);
        EXPECT_EQ(city.GetHelpLimit03(epoch), 1);
        EXPECT_EQ(city.GetHelpDefaultPage01(epoch), 1);
        EXPECT_EQ(city.GetHelpDefaultPage03(epoch), 1);
    }
    // The checked getters log and go on with an empty record.
    struct Check { std::function<bool()> call; const char* line; };
    const Check checks[] = {
        {[&] { return city.GetConstruction(3, 0).id == -1; }, "Verify {i_epoch < epoches.size()} failed"},
        {[&] { return city.GetConstruction(0, 2).id == -1; }, "Verify {i_construct < epoches[i_epoch].constructs.size()} failed"},
        {[&] { return city.GetBonusConstruction(-1).id == -1; }, "Verify {i_construct < bonus_constructs.size()} failed"},
        {[&] { return !city.IsEpochComplete(7); }, "Verify {i_epoch < epoches.size()} failed"},
    };
    for (const Check& c : checks) {
        LogWatch log;
        EXPECT_TRUE(c.call()) << c.line;
        EXPECT_TRUE(log.Has(c.line)) << c.line;
    }
}

TEST_F(CityModel, ShopItemsOfferTheNextLevelAndTellWhatCanBePaid)
{
    LoadShop(kShop);
    city.LoadProgress({{101, {true, 0}}});
    Give({{1, 299}, {2, 0}, {3, 0}});
    std::vector<ShopItem> items = FillShop(city);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].construct_id, 101);
    EXPECT_TRUE(items[0].bought);
    EXPECT_EQ(items[0].level, 1);
    EXPECT_EQ(items[0].description.help_page, 1011);
    EXPECT_EQ(items[0].state, sisBought);
    EXPECT_EQ(items[1].level, 0);
    EXPECT_EQ(items[1].description.help_page, 1020);
    EXPECT_EQ(items[1].state, sisTooExpensive);
    EXPECT_FALSE(HasAffordableConstruction(city));
    Give({{1, 300}});
    EXPECT_EQ(FillShop(city)[1].state, sisAffordable);
    EXPECT_TRUE(HasAffordableConstruction(city));
    // The top level is offered again once reached.
    city.LoadProgress({{101, {true, 2}}});
    EXPECT_EQ(FillShop(city)[0].level, 2);
    // A complete epoch has nothing to sell, whatever the player holds.
    Give({{1, 100000}});
    city.LoadProgress({{101, {true, 0}}, {102, {true, 0}}, {103, {true, 0}}, {104, {true, 0}}});
    EXPECT_TRUE(city.IsAllComplete());
    EXPECT_FALSE(HasAffordableConstruction(city));
}

TEST_F(CityModel, BuyingPaysRecordsAndHandsOverBackgroundAndMusic)
{
    LoadShop(kShop);
    GetBallsDepot().Load(XmlOf(R"(<Balls><Ball graph_type="2" score="10" available="0"><ResCredit type="1" amount="20"/></Ball></Balls>)"));
    GetBallsDepot().ResetAvailable();
    GetPeople().Load(XmlOf(R"(<People><Man construct_id="101"><If type="IF_MAKE_CHAIN" length="6"/>
        <Then type="THEN_ADD_RESOURCE_EVERY_LEVEL" res_type="3" amount="5"/></Man></People>)"));
    ASSERT_NE(GetPeople().GetMan(101), nullptr);
    ASSERT_FALSE(GetPeople().GetMan(101)->can_exist);
    g_User.NewGame();
    CGameSlot& game = g_User.Game();
    game.background = 7;
    game.music_plays = 4;
    city.LoadProgress(game.city);
    Give({{1, 1000}, {2, 60}, {3, 10}});

    LogWatch log;
    ASSERT_TRUE(BuyConstruction(city, 0));   // 101: 100 money, 10 food
    EXPECT_EQ(GetResources().GetAmount(1), 900);
    EXPECT_EQ(GetResources().GetAmount(3), 0);
    EXPECT_EQ(g_User.GetCollectAmount(1), 900);
    EXPECT_EQ(g_User.GetCollectAmount(3), 0);
    EXPECT_TRUE(city.GetConstruction(0, 0).bought);
    EXPECT_EQ(game.city.at(101), (CityEntry{true, 0}));
    EXPECT_TRUE(GetBallsDepot().Find(2)->available);
    EXPECT_TRUE(GetPeople().GetMan(101)->can_exist);
    EXPECT_EQ(game.background, 11);
    EXPECT_EQ(game.bg_shows, 0);
    EXPECT_EQ(game.bonus_background, 12);
    EXPECT_EQ(game.music, MusicTrack("m101", 3));
    EXPECT_EQ(game.music_plays, 0);
    EXPECT_EQ(game.bonus_music, MusicTrack("b101", 0));
    EXPECT_EQ(log.Text(), "");

    // The upgrades pay their own level's price; a fully upgraded construction costs nothing and logs nothing.
    ASSERT_TRUE(BuyConstruction(city, 0));
    EXPECT_EQ(GetResources().GetAmount(1), 700);
    ASSERT_TRUE(BuyConstruction(city, 0));
    EXPECT_EQ(GetResources().GetAmount(2), 10);
    EXPECT_EQ(game.city.at(101), (CityEntry{true, 2}));
    EXPECT_FALSE(BuyConstruction(city, 0));
    EXPECT_EQ(GetResources().GetAmount(1), 700);
    EXPECT_EQ(game.city.at(101), (CityEntry{true, 2}));
    EXPECT_EQ(log.Text(), "");

    // 102 costs 300 and has no background or music of its own: the game keeps the current ones.
    Give({{1, 299}});
    EXPECT_FALSE(BuyConstruction(city, 1));
    EXPECT_TRUE(log.Has("Warning: try to buy construction when not sufficient resources."));
    EXPECT_FALSE(city.GetConstruction(0, 1).bought);
    EXPECT_EQ(GetResources().GetAmount(1), 299);
    EXPECT_EQ(game.city.count(102), 0u);
    Give({{1, 300}});
    ASSERT_TRUE(BuyConstruction(city, 1));
    EXPECT_EQ(GetResources().GetAmount(1), 0);
    EXPECT_EQ(game.background, 11);
    EXPECT_EQ(game.music, MusicTrack("m101", 3));
    EXPECT_TRUE(city.IsEpochComplete(0));

    LogWatch bad;
    EXPECT_FALSE(BuyConstruction(city, 5));
    EXPECT_TRUE(bad.Has("Error: the shop has no construction 5 in epoch 1"));

    // The saved city brings the same state back.
    CCity again;
    again.SetLabelSource([](const std::string& a) { return a; });
    ASSERT_TRUE(LoadCity(again, dir / "Shop.xml"));
    again.LoadProgress(game.city);
    EXPECT_EQ(again.GetCurrentEpoch(), 1);
    EXPECT_EQ(again.GetConstruction(0, 0).upgrade, 2);
}

TEST_F(CityModel, BonusConstructionsAreBuiltInOrderForFree)
{
    LoadShop(kShop);
    g_User.NewGame();
    city.LoadProgress({{201, {true, 0}}});
    Give({{1, 5}});
    int32_t id = 0;
    ASSERT_TRUE(BuildBonusConstruction(city, id));
    EXPECT_EQ(id, 202);
    EXPECT_TRUE(city.GetBonusConstruction(1).bought);
    EXPECT_EQ(g_User.Game().city.at(202), (CityEntry{true, 0}));
    EXPECT_EQ(GetResources().GetAmount(1), 5);
    EXPECT_FALSE(BuildBonusConstruction(city, id));
    EXPECT_FALSE(city.IsAllComplete());
}

TEST_F(CityModel, ContentFaultsAreLoggedOnceAtLoadAndPlayGoesOn)
{
    LogWatch log;
    LoadShop(R"(<Shop>
      <Episode>
        <Construction id="555"/><Construction id="555"/>
        <Construction id="103" buy="1" upgrade_id="5"/>
        <Construction id="202"/>
      </Episode>
      <Episode/>
    </Shop>)");
    const std::string text = log.Text();
    const char* const lines[] = {
        "Error: construction 555 is listed more than once in the shop; only the last one can be bought.",
        "Error: construction 555 of the shop (epoch 1) has no levels in the construction catalogue.",
        "Error: construction 555 of the shop has no price for level 0 in the price table; it cannot be bought.",
        "Error: construction 103 of the shop starts at level 5, the catalogue has 2 level(s); level 1 is used.",
        "Error: construction 202 of the shop has no price for level 0 in the price table",
        "Error: epoch 2 of the shop has no constructions.",
        "Verify {bonus_nodes.IsValid()} failed",
    };
    for (const char* line : lines) EXPECT_EQ(CountOf(text, line), 1u) << line << "\n" << text;
    EXPECT_EQ(city.GetContentErrors(), 7);

    // The city built from the start keeps that construction through a saved city that lacks it.
    EXPECT_EQ(city.GetConstruction(0, 2).upgrade, 1);
    city.LoadProgress({});
    EXPECT_TRUE(city.GetConstruction(0, 2).bought);
    EXPECT_EQ(city.GetConstruction(0, 2).upgrade, 1);

    // Nothing thrown in play: the unknown construction is offered without a picture and cannot be paid.
    Give({{1, 1000}});
    const std::vector<ShopItem> items = FillShop(city);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[1].state, sisTooExpensive);
    EXPECT_EQ(items[1].description.help_page, 0);
    EXPECT_EQ(items[2].level, 1);
    EXPECT_FALSE(BuyConstruction(city, 1));
    EXPECT_FALSE(BuyConstruction(city, 2));   // fully upgraded
    EXPECT_FALSE(HasAffordableConstruction(city));
    EXPECT_EQ(GetResources().GetAmount(1), 1000);

    // Neither list at all, and no file at all.
    LogWatch empty;
    LoadShop("<Shop/>");
    EXPECT_TRUE(empty.Has("Verify {episode_nodes.IsValid()} failed"));
    EXPECT_TRUE(empty.Has("Verify {bonus_nodes.IsValid()} failed"));
    EXPECT_EQ(city.GetEpochCount(), 0);
    city.LoadProgress({{101, {true, 0}}});
    EXPECT_TRUE(FillShop(city).empty());
    EXPECT_FALSE(HasAffordableConstruction(city));
    int32_t id = 0;
    EXPECT_FALSE(BuildBonusConstruction(city, id));
    EXPECT_FALSE(LoadCity(city, dir / "missing.xml"));
    EXPECT_EQ(city.GetEpochCount(), 0);
}

TEST(CityScroll, ValuesAreHeldInTheirRanges)
{
    struct Row { const char* xml; CityScrollParams want; };
    const Row rows[] = {
        {"<Scroll/>", {1, 1, 1, 50, 10}},
        {R"(<Scroll min_speed="3" inc_speed="2.5" dec_speed="0.5" max_speed="20" brake_at_percent="25"/>)", {3, 2.5f, 0.5f, 20, 25}},
        {R"(<Scroll min_speed="3" max_speed="0" brake_at_percent="80"/>)", {3, 1, 1, 3, 50}},
        {R"(<Scroll min_speed="-4" inc_speed="0.01" dec_speed="-1" brake_at_percent="-5"/>)", {1, 0.1f, 0.1f, 50, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.xml);
        const CityScrollParams p = ReadScrollParams(XmlOf(r.xml).SelectSingleNode("//Scroll"));
        EXPECT_FLOAT_EQ(p.min_speed, r.want.min_speed);
        EXPECT_FLOAT_EQ(p.inc_speed, r.want.inc_speed);
        EXPECT_FLOAT_EQ(p.dec_speed, r.want.dec_speed);
        EXPECT_FLOAT_EQ(p.max_speed, r.want.max_speed);
        EXPECT_FLOAT_EQ(p.brake_percent, r.want.brake_percent);
    }
    // A file without the element scrolls at the defaults.
    TempDir dir;
    WriteText(dir / "Shop.xml", "<Shop/>");
    LogWatch log;
    EXPECT_FLOAT_EQ(LoadScrollParams(dir / "Shop.xml").max_speed, 50.0f);
    EXPECT_TRUE(log.Has("has no \"Scroll\" element"));
}

// The shop the game ships: seven epochs, every construction in the catalogue with a price for each
// of its levels, a title label for every epoch, and scroll parameters.
TEST(ShippedShop, SevenEpochsPassTheContentChecks)
{
    const std::string data = ZF_GAME_DATA_DIR;
    try {
        if (!CXMLFile(data + "/Settings/Shop.xml").SelectSingleNode("//Shop/Episode").IsValid())
            GTEST_SKIP() << "the shop has no epochs yet";
    } catch (const std::exception&) {
        GTEST_SKIP() << "no Settings/Shop.xml yet";
    }
    GetConstructDepot().Clear();
    GetConstructDepot().Load(data + "/Settings/Bases/Constructions.xml");
    CConstructionRes& prices = GetConstructionRes();
    prices.Load(data + "/Settings/Bases/ConstructionRes.xml");
    std::set<std::string> titles;
    CCity city;
    city.SetLabelSource([&](const std::string& alias) {
        titles.insert(alias);
        return alias;
    });
    LogWatch log;
    ASSERT_TRUE(LoadCity(city, data + "/Settings/Shop.xml"));
    EXPECT_EQ(city.GetContentErrors(), 0) << log.Text();
    EXPECT_FALSE(log.Has("Error")) << log.Text();
    ASSERT_EQ(city.GetEpochCount(), 7);
    for (int e = 0; e < 7; ++e) {
        EXPECT_GT(city.GetConstructionCount(e), 0) << e;
        EXPECT_FALSE(city.FindEpoch(e)->title_alias.empty()) << e;
    }
    EXPECT_GT(city.GetBonusCount(), 0);
    city.LoadProgress({});
    EXPECT_EQ(city.GetCurrentEpoch(), 0);
    EXPECT_FALSE(city.IsAllComplete());

    const CXMLFile languages(data + "/Settings/Languages.xml");
    const CXMLNodeList langs = languages.SelectNodes("//Language");
    ASSERT_GT(langs.GetLength(), 0);
    for (int l = 0; l < langs.GetLength(); ++l) {
        const CXMLFile labels(data + "/Settings/" + langs.GetItem(l).GetAttribute("labels_file"));
        for (const std::string& alias : titles)
            EXPECT_TRUE(labels.SelectSingleNode("//label[@alias='" + alias + "']").IsValid()) << alias;
    }
    LogWatch scroll_log;
    const CityScrollParams scroll = LoadScrollParams(data + "/Settings/Shop.xml");
    EXPECT_EQ(scroll_log.Text(), "");
    EXPECT_GE(scroll.max_speed, scroll.min_speed);
    GetConstructDepot().Clear();
}

} // namespace
