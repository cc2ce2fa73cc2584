// The ball types of "Balls.xml": reading, lookups by graph type, the run-time switches and the
// choice of a level's types.
#include "field_test_util.h"

#include "field/balls/field_ballsdepot.h"

#include <algorithm>
#include <map>
#include <stdexcept>

using namespace fieldtest;

namespace {

// Plain types for money (1, 2), staff (3, 4) and food (5, 6), two creditless ones (7, 8), three
// bonuses with grade looks, a multiball and a finisher.
const char* const kBalls = R"(<Balls>
  <Ball graph_type="1" score="10" available="1"><ResCredit type="1" amount="10"/></Ball>
  <Ball graph_type="2" score="12" available="1" explosion_when_change="gem"><ResCredit type="1" amount="20"/></Ball>
  <Ball graph_type="3" available="1"><ResCredit type="2" amount="10"/></Ball>
  <Ball graph_type="4" available="1"><ResCredit type="2" amount="30"/></Ball>
  <Ball graph_type="5" available="1"><ResCredit type="3" amount="10"/></Ball>
  <Ball graph_type="6"><ResCredit type="3" amount="10"/></Ball>
  <Ball graph_type="7" available="1"><ResCredit type="0" amount="0"/></Ball>
  <Ball graph_type="8" available="1"/>
  <Bonus graph_type="110" score="20" available="1" explosion_when_change="up">
    <ResCredit type="11" amount="5"><Grade id="1" start_at_amount="10"/></ResCredit>
    <Grade id="0" graph_type="900"/><Grade id="1" graph_type="111"/><Grade id="2" graph_type="112"/>
    <Grade id="3" graph_type="113"/><Grade id="4" graph_type="114"/><Grade id="5" graph_type="901"/>
  </Bonus>
  <Bonus graph_type="120" available="1"><ResCredit type="12" amount="7"/></Bonus>
  <Bonus graph_type="130"><ResCredit type="13" amount="9"/></Bonus>
  <MultiBall graph_type="50"/>
  <Finisher graph_type="60" score="100"/>
</Balls>)";

class Depot : public FieldFixture {
protected:
    Depot()
    {
        user.loaded_credits.clear();
        depot.Load(ParseXml(kBalls));
    }
    std::vector<int> Select(bool bonus_level, int balls, int bonuses)
    {
        const CXMLFile level = ParseXml("<Level><Config field_width=\"4\" field_height=\"4\" allow_ball_types=\"" +
                                        std::to_string(balls) + "\" allow_bonus_types=\"" + std::to_string(bonuses) +
                                        "\"/></Level>");
        g_LevelCfg.Load(level.SelectSingleNode("Level"));
        std::vector<BallTypeEntryPtr> types;
        depot.SelectForLevel(types, bonus_level);
        std::vector<int> out;
        for (const auto& t : types) out.push_back(t->graph_type);
        return out;
    }
    BallsDepot depot;
};

TEST_F(Depot, ReadsTheFourListsWithTheirDefaults)
{
    ASSERT_EQ(depot.GetList(BallsDepot::blPlain).size(), 8u);
    ASSERT_EQ(depot.GetList(BallsDepot::blBonus).size(), 3u);
    ASSERT_EQ(depot.GetList(BallsDepot::blMultiball).size(), 1u);
    ASSERT_EQ(depot.GetList(BallsDepot::blFinisher).size(), 1u);
    const BallType& gem = depot.GetList(BallsDepot::blPlain)[1];
    EXPECT_EQ(gem.score, 12);
    EXPECT_EQ(gem.credit_type, 1);
    EXPECT_EQ(gem.credit_amount, 20);
    EXPECT_EQ(gem.default_credit_amount, 20);
    EXPECT_TRUE(gem.available);
    EXPECT_FALSE(gem.enabled);
    EXPECT_EQ(gem.weight, 1);
    EXPECT_EQ(gem.explosion_when_change, "gem");
    EXPECT_FALSE(depot.GetList(BallsDepot::blPlain)[5].available);
    const BallType& bonus = depot.GetList(BallsDepot::blBonus)[0];
    EXPECT_TRUE(bonus.is_bonus);
    // Grade ids 0 and 5 change nothing.
    EXPECT_EQ(std::vector<int>(std::begin(bonus.grade_graph_types), std::end(bonus.grade_graph_types)),
              (std::vector<int>{110, 111, 112, 113, 114}));
    const BallType& other = depot.GetList(BallsDepot::blBonus)[1];
    EXPECT_EQ(other.grade_graph_types[4], 120);
    EXPECT_TRUE(depot.GetList(BallsDepot::blMultiball)[0].is_multiball);
    EXPECT_TRUE(depot.GetList(BallsDepot::blFinisher)[0].is_finisher);
    // Every bonus's credit went to the user's credits.
    EXPECT_EQ(user.loaded_credits, (std::vector<int>{11, 12, 13}));
    EXPECT_EQ(depot.GetCreditNodes().size(), 3u);

    // A second read empties the lists first.
    depot.Load(ParseXml("<Balls><Ball graph_type=\"1\"/></Balls>"));
    EXPECT_EQ(depot.GetTypeCount(), 1u);
}

TEST_F(Depot, DamagedFilesLeaveAnEmptyDepotAndALogLine)
{
    zftest::LogWatch log;
    depot.Load(ParseXml("<Other><Ball graph_type=\"1\"/></Other>"));
    EXPECT_EQ(depot.GetTypeCount(), 0u);
    EXPECT_TRUE(log.Has("has no element Balls"));
    zftest::TempDir dir;
    zftest::ScopedChdir in(dir.path());
    depot.Load(ParseXml(kBalls));
    depot.Load();
    EXPECT_EQ(depot.GetTypeCount(), 0u);
    EXPECT_TRUE(log.Has("Settings\\Balls.xml not read"));
    // Nothing to choose from: the level's choice fails its check instead of reading past a list.
    EXPECT_TRUE(Select(false, 5, 1).empty());
    EXPECT_TRUE(log.Has("no plain ball type is available"));
}

TEST_F(Depot, LookupsByGraphType)
{
    EXPECT_EQ(depot.Find(2)->graph_type, 2);
    EXPECT_EQ(depot.Find(113)->graph_type, 110);   // a bonus by its grade look
    EXPECT_EQ(depot.Find(60)->graph_type, 60);
    EXPECT_EQ(depot.Find(999), nullptr);
    EXPECT_EQ(depot.GetCreditType(113), 11);
    EXPECT_EQ(depot.GetCreditType(3), 2);
    EXPECT_EQ(depot.GetCreditType(50), 0);          // plain and bonus only
    EXPECT_EQ(depot.FindByCreditType(3), 5);
    EXPECT_EQ(depot.FindByCreditType(12), 120);
    EXPECT_EQ(depot.FindByCreditType(77), 0);

    BallTypeEntry entry;
    ASSERT_TRUE(depot.GetEntry(112, entry));
    EXPECT_EQ(entry.graph_type, 112);
    EXPECT_TRUE(entry.is_bonus);
    EXPECT_EQ(entry.credit_type, 11);
    EXPECT_FALSE(depot.GetEntry(999, entry));

    EXPECT_EQ(depot.GetExplosionWhenChange(2), "gem");
    EXPECT_EQ(depot.GetExplosionWhenChange(114), "up");
    EXPECT_EQ(depot.GetExplosionWhenChange(999), "");

    // The bonus's look follows its credit's grade; other types are themselves.
    EXPECT_EQ(depot.CurrentGradeGraphType(110), 110);
    user.grades[11] = 3;
    EXPECT_EQ(depot.CurrentGradeGraphType(110), 113);
    EXPECT_EQ(depot.CurrentGradeGraphType(111), 113);
    user.grades[11] = 9;   // a grade beyond 4 reads the last look, never past the table
    EXPECT_EQ(depot.CurrentGradeGraphType(110), 114);
    EXPECT_EQ(depot.CurrentGradeGraphType(4), 4);
    EXPECT_EQ(depot.CurrentGradeGraphType(999), 0);

    std::vector<const BallType*> creditless;
    depot.ListCreditless(creditless);
    ASSERT_EQ(creditless.size(), 2u);
    EXPECT_EQ(creditless[0]->graph_type, 7);
    EXPECT_EQ(depot.GetPlain(7)->graph_type, 8);
    zftest::LogWatch log;
    EXPECT_EQ(depot.GetPlain(8), nullptr);
    EXPECT_TRUE(log.Has("no plain ball type at index 8"));
}

TEST_F(Depot, SwitchesOfTheCityAndTheCitizens)
{
    zftest::LogWatch log;
    EXPECT_TRUE(depot.SetAmount(113, 99));
    EXPECT_EQ(depot.Find(110)->credit_amount, 99);
    EXPECT_FALSE(depot.SetAmount(999, 1));
    EXPECT_TRUE(log.Has("BallsDepot::SetAmount(): can't find ball with graph_type = 999"));
    depot.ResetCreditAmounts();
    EXPECT_EQ(depot.Find(110)->credit_amount, 5);

    EXPECT_EQ(depot.AddWeight(1), 2);
    EXPECT_EQ(depot.AddWeight(1), 3);
    EXPECT_EQ(depot.AddWeight(3), 2);
    EXPECT_EQ(depot.AddWeight(120), 2);
    EXPECT_EQ(depot.AddWeight(999), 0);
    depot.SetAvailable(6, false);
    EXPECT_EQ(depot.Find(1)->weight, 3);
    depot.SetAvailable(6, true);
    EXPECT_TRUE(depot.Find(6)->available);
    EXPECT_TRUE(depot.Find(6)->enabled);
    // Every plain weight is back at 1; the bonus list's is not.
    EXPECT_EQ(depot.Find(1)->weight, 1);
    EXPECT_EQ(depot.Find(3)->weight, 1);
    EXPECT_EQ(depot.Find(120)->weight, 2);
    depot.SetAvailable(999, true);
    EXPECT_TRUE(log.Has("BallsDepot::SetAvailable(): can't find ball with graph_type = 999"));

    depot.SetEnabled(6, false);
    EXPECT_FALSE(depot.Find(6)->enabled);
    EXPECT_TRUE(depot.Find(6)->available);
    depot.SetEnabled(999, true);
    depot.ResetAvailable();
    EXPECT_FALSE(depot.Find(6)->available);
    EXPECT_TRUE(depot.Find(1)->available);
}

TEST_F(Depot, CandidateOrder)
{
    BallType a, b;
    a.enabled = true;
    EXPECT_TRUE(BallsDepot::Before(a, b));
    EXPECT_FALSE(BallsDepot::Before(b, a));
    a.is_bonus = b.is_bonus = true;
    b.enabled = true;
    a.order_key = 3;
    b.order_key = 2;
    EXPECT_TRUE(BallsDepot::Before(b, a));
    a.is_bonus = b.is_bonus = false;
    a.credit_amount = 5;
    b.credit_amount = 9;
    EXPECT_TRUE(BallsDepot::Before(a, b));   // both enabled: ascending amount
    a.enabled = b.enabled = false;
    EXPECT_TRUE(BallsDepot::Before(b, a));   // neither: descending amount
}

TEST_F(Depot, ALevelTakesOnePlainTypePerResourceThenRandomOnes)
{
    depot.SetAvailable(6, true);
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        RandomSeed(seed);
        user.available_resources.clear();
        user.available_credits.clear();
        const std::vector<int> types = Select(false, 5, 1);
        // Four plain types (one per resource, one more at random), one bonus, the multiball and the finisher.
        ASSERT_EQ(types.size(), 7u) << seed;
        std::map<int, int> per_resource;
        for (int i = 0; i < 4; ++i) ++per_resource[depot.GetCreditType(types[i])];
        EXPECT_EQ(per_resource.count(0), 0u) << seed;
        EXPECT_EQ(per_resource.size(), 3u) << seed;
        EXPECT_EQ(per_resource[1] + per_resource[2] + per_resource[3], 4) << seed;
        // The round-robin takes the largest credit amount of each resource first.
        EXPECT_EQ(types[0], 2) << seed;
        EXPECT_EQ(types[1], 4) << seed;
        EXPECT_TRUE(types[4] == 110 || types[4] == 120) << seed;
        EXPECT_EQ(types[5], 50);
        EXPECT_EQ(types[6], 60);
        // No type twice.
        std::vector<int> sorted = types;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << seed;
        EXPECT_EQ(user.available_resources, (std::set<int>{1, 2, 3})) << seed;
        EXPECT_EQ(user.available_credits.size(), 1u) << seed;
    }
}

TEST_F(Depot, BonusChoiceFollowsGradesAndTheEnabledFlag)
{
    // Enabled bonuses come first; a bonus at grade 4 is never chosen and the chosen one shows its grade.
    depot.SetEnabled(120, true);
    user.grades[11] = 2;
    EXPECT_EQ(Select(false, 3, 1).back(), 60);
    std::vector<int> types = Select(false, 4, 1);
    EXPECT_NE(std::find(types.begin(), types.end(), 120), types.end());
    types = Select(false, 5, 2);
    EXPECT_NE(std::find(types.begin(), types.end(), 112), types.end());
    user.grades[11] = 4;
    types = Select(false, 5, 2);
    EXPECT_EQ(std::count_if(types.begin(), types.end(), [](int t) { return t >= 110 && t <= 114; }), 0);

    // A bonus level takes only the plain types that credit nothing.
    types = Select(true, 5, 0);
    EXPECT_EQ(types, (std::vector<int>{7, 8, 50, 60}));

    EXPECT_THROW(Select(false, 0, 0), std::runtime_error);
    try {
        Select(false, 2, 3);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "verify {allow_bonus_types <= allow_ball_types} failed");
    }
}

TEST_F(Depot, TheGlobalDepotReadsTheGameFolder)
{
    BallsDepot& global = GetBallsDepot();
    global.Load();
    EXPECT_EQ(global.GetTypeCount(), 7u);
    EXPECT_EQ(global.Find(14)->graph_type, 10);
}

} // namespace
