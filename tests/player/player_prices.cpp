// Construction prices and promotions: lookups, affordability, the title index, reading the tables,
// and the tables the game ships.
#include "player/player_test_util.h"

#include <fstream>
#include <sstream>

using namespace player_test;

namespace {

class Prices : public PlayerFixture {
protected:
    void LoadPrices(const std::string& xml)
    {
        WriteText(dir / "ConstructionRes.xml", xml);
        prices.Load(dir / "ConstructionRes.xml");
    }
    CConstructionRes prices;
};

const char* const kPrices =
    "<Resources>"
    "<ResConstructoin type=\"101\" update_id=\"0\"><Resource type=\"1\" amount=\"100\"/><Resource type=\"3\" amount=\"50\"/></ResConstructoin>"
    "<ResConstructoin type=\"101\" update_id=\"0\"><Resource type=\"1\" amount=\"999\"/></ResConstructoin>"
    "<ResConstructoin type=\"101\" update_id=\"1\"><Resource type=\"2\" amount=\"70\"/></ResConstructoin>"
    "<ResConstructoin type=\"102\"><Resource type=\"1\"/></ResConstructoin>"
    "<ResConstructoin type=\"103\" update_id=\"0\"/>"
    "<ResConstruction type=\"104\" update_id=\"0\"><Resource type=\"1\" amount=\"1\"/></ResConstruction>"
    "</Resources>";

TEST_F(Prices, LookupsAndDefaults)
{
    LoadPrices(kPrices);
    EXPECT_EQ(prices.GetConstructionPrice(101, 0), (ResourceList{{1, 100}, {3, 50}}));   // the first of two
    EXPECT_EQ(prices.GetConstructionPrice(101, 1), (ResourceList{{2, 70}}));
    EXPECT_EQ(prices.GetConstructionPrice(102, 0), (ResourceList{{1, 0}}));   // missing attributes: 0
    EXPECT_TRUE(prices.GetConstructionPrice(103, 0).empty());
    // Only the element name the file uses is read.
    for (auto [id, upgrade] : {std::pair{104, 0}, std::pair{7, 2}}) {
        LogWatch mark;
        try {
            prices.GetConstructionPrice(id, upgrade);
            FAIL() << id;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), "Can't get price for construction");
        }
        EXPECT_TRUE(mark.Has("Can't get price for construction id " + std::to_string(id) + ", upgrade " +
                             std::to_string(upgrade)));
        EXPECT_TRUE(mark.Has("player_prices.cpp"));
    }
}

TEST_F(Prices, CanAffordTable)
{
    LoadPrices(kPrices);
    struct Row { int id, upgrade; std::map<int32_t, int32_t> have; bool affordable; };
    const Row rows[] = {
        {103, 0, {}, true},                          // an empty price
        {101, 0, {{1, 100}, {3, 50}}, true},         // exact amounts
        {101, 0, {{1, 100}, {3, 49}}, false},        // one short
        {101, 0, {{1, 5000}}, false},                // a resource not held at all
        {101, 1, {{2, 71}}, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.id << "/" << r.upgrade);
        GetResources().Assign(r.have);
        EXPECT_EQ(prices.CanAfford(r.id, r.upgrade), r.affordable);
    }
    GetResources().Assign({{1, 10000}});
    EXPECT_THROW(prices.CanAfford(101, 2), std::runtime_error);
}

TEST_F(Prices, TitleIndexAndRecords)
{
    CPromotions& p = GetPromotions();
    struct Row { int score, index; };
    for (const Row& r : {Row{0, 0}, Row{500, 0}, Row{1000, 1}, Row{4999, 1}, Row{5000, 2}, Row{1000000, 2}, Row{-5, 0}})
        EXPECT_EQ(p.GetTitleIndex(r.score), r.index) << r.score;
    EXPECT_EQ(p.GetTitleText(1), "T1!");
    EXPECT_EQ(p.GetTitleTextForScore(6000), "T2!");
    EXPECT_EQ(p.GetPrizeAmount(2), 30);
    EXPECT_EQ(p.GetHelpLimit(1), 2);
    EXPECT_EQ(p.GetHelpDefaultPage(2), 2);
    EXPECT_EQ(p.GetHelpDefaultPage(0), 0);   // a missing attribute: 0
    for (int bad : {-1, 3}) {
        try {
            p.GetPrizeAmount(bad);
            FAIL() << bad;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), "verify {index >= 0 && index < GetCount()} failed");
        }
    }
    // A first title above 0: lower scores still hold it.
    LoadPromotions("<Promotions><Promotion title_alias=\"A\" score=\"100\"/><Promotion title_alias=\"B\" score=\"200\"/></Promotions>");
    EXPECT_EQ(GetPromotions().GetTitleIndex(50), 0);
    EXPECT_EQ(GetPromotions().GetTitleIndex(250), 1);
}

TEST_F(Prices, AMissingOrEmptyLadderGivesOneUntitledRank)
{
    const char* const cases[] = {"<Promotions/>", "<Promotions><Promotion", nullptr};
    for (const char* xml : cases) {
        SCOPED_TRACE(xml ? xml : "no file");
        LogWatch mark;
        if (xml) {
            LoadPromotions(xml);
        } else {
            GetPromotions().Load(dir / "none.xml");
        }
        EXPECT_TRUE(mark.Has("Error: no promotions in"));
        EXPECT_EQ(GetPromotions().GetCount(), 1);
        EXPECT_EQ(GetPromotions().GetTitleIndex(123456), 0);
        EXPECT_EQ(GetPromotions().GetTitleText(0), "");
        EXPECT_EQ(GetPromotions().GetPrizeAmount(0), 0);
        // A game still starts.
        g_User.NewGame();
        EXPECT_EQ(g_User.GetTitleIndex(), 0);
    }
}

// The shipped tables: a title label for every promotion in every language, ascending scores from 0,
// and a price for every level of every construction the shop sells.
TEST(ShippedTables, PromotionsAndPricesAreComplete)
{
    CPromotions promotions;
    promotions.Load(std::string(ZF_GAME_DATA_DIR) + "/Settings/Promotions.xml");
    ASSERT_EQ(promotions.GetCount(), 14);
    EXPECT_EQ(promotions.Record(0).score, 0);
    const CXMLFile languages(std::string(ZF_GAME_DATA_DIR) + "/Settings/Languages.xml");
    CXMLNodeList langs = languages.SelectNodes("//Language");
    ASSERT_GT(langs.GetLength(), 0);
    for (int l = 0; l < langs.GetLength(); ++l) {
        const CXMLFile labels(std::string(ZF_GAME_DATA_DIR) + "/Settings/" + langs.GetItem(l).GetAttribute("labels_file"));
        for (int i = 0; i < promotions.GetCount(); ++i) {
            const std::string& alias = promotions.Record(i).title_alias;
            EXPECT_TRUE(labels.SelectSingleNode("//label[@alias='" + alias + "']").IsValid()) << alias;
            if (i > 0) {
                EXPECT_GT(promotions.Record(i).score, promotions.Record(i - 1).score);
            }
        }
    }

    CConstructionRes prices;
    prices.Load(std::string(ZF_GAME_DATA_DIR) + "/Settings/Bases/ConstructionRes.xml");
    std::ifstream table(std::string(ZF_SOURCE_DIR) + "/content/city/constructions.tsv");
    std::string line;
    int sold = 0;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream cols(line);
        std::string id, epoch, name, levels;
        std::getline(cols, id, '\t');
        std::getline(cols, epoch, '\t');
        std::getline(cols, name, '\t');
        std::getline(cols, levels, '\t');
        if (epoch == "bonus") continue;
        ++sold;
        for (int level = 0; level < std::stoi(levels); ++level)
            EXPECT_EQ(prices.GetConstructionPrice(std::stoi(id), level).size(), 3u) << id << " level " << level;
    }
    EXPECT_EQ(sold, 42);
}

} // namespace
