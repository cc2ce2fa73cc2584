// The citizens: reading "People.xml" with damaged entries, each condition met by its events in a
// scripted sequence, gating by the construction and by bonus levels, what acquiring grants, the
// gains after each level, and saving and restoring their progress.
#include "field_play_util.h"

#include "field/people/field_people.h"

#include "support/test_support.h"

#include <functional>
#include <set>
#include <stdexcept>

using namespace fieldtest;

namespace {

class RecordingRewards : public IFieldRewards {
public:
    std::vector<std::string> calls;
    void AddResource(int type, int amount) override { Add("resource", type, amount); }
    void AddCredit(int type, int amount) override { Add("credit", type, amount); }
    void GrantConstruction(int id) override { calls.push_back("grant " + std::to_string(id)); }
    void RefreshBalls() override { calls.push_back("refresh"); }

private:
    void Add(const char* what, int type, int amount)
    {
        calls.push_back(std::string(what) + " " + std::to_string(type) + " " + std::to_string(amount));
    }
};

// One man of each condition kind (construct id = 100 + kind) and two of effects only.
const char* const kPeople = R"(<People>
  <Man construct_id="101" hint_id="501"><If type="IF_RESOURCE_COLLECT_IN_LEVEL" res_type="2" amount="30"/><Then type="1" res_type="2" amount="10"/></Man>
  <Man construct_id="102" hint_id="0"><If type="2" length="7"/><Then type="1" res_type="1" amount="5"/></Man>
  <Man construct_id="103"><If type="IF_MAKE_CHAINS_FOR_TIME" time="10" count="3"/><Then type="1"/></Man>
  <Man construct_id="104"><If type="IF_MAKE_CHAINS_SERIE" length="5" count="3"/><Then type="1"/></Man>
  <Man construct_id="105"><If type="IF_LEVELS_COMPLETE_WITHOUT_TIME_ALERT" count="2"/><Then type="1"/></Man>
  <Man construct_id="106"><If type="IF_LEVELS_COMPLETE_WITHOUT_LIFE_LOSS" count="2"/><Then type="1"/></Man>
  <Man construct_id="107"><If type="IF_LIVES_GAIN" count="3"/><Then type="1"/></Man>
  <Man construct_id="108"><If type="IF_LEVEL_COMPLETE_TIME_LESS_THAN" time="60"/><Then type="1"/></Man>
  <Man construct_id="109"><If type="IF_LEVEL_COMPLETE_WITHOUT_BONUSES"/><Then type="1"/></Man>
  <Man construct_id="110"><If type="IF_LEVELS_COMPLETE_WITH_FINISHERS" count="2"/><Then type="1"/></Man>
  <Man construct_id="111"><If type="IF_DIFFERENT_BONUSES_ACQUIRED" count="2"/><Then type="1"/></Man>
  <Man construct_id="112"><If type="IF_MAKE_EFFECTIVE_CHAINS_FOR_TIME" time="10" count="2"/><Then type="1"/></Man>
  <Man construct_id="200" hint_id="502"><If type="IF_MAKE_CHAIN" length="3"/><Then type="THEN_CHANGE_BALL_WEIGHT" graph_type="2" amount="25"/></Man>
  <Man construct_id="201"><If type="IF_MAKE_CHAIN" length="3"/><Then type="THEN_ADD_RESOURCE_EVERY_LEVEL" res_type="13" amount="2"/></Man>
  <Man construct_id="202"><If type="IF_MAKE_CHAIN" length="3"/><Then type="THEN_ADD_RESOURCE_EVERY_LEVEL" res_type="0" amount="4"/></Man>
  <Man construct_id="300"><If type="IF_WIN_THE_LOTTERY"/><Then type="1"/></Man>
  <Man construct_id="301"><If type="2"/><Then type="THEN_FLY"/></Man>
  <Man construct_id="302"><If type="13"/><Then type="1"/></Man>
</People>)";

class People : public FieldFixture {
public:
    People()
    {
        SetFieldRewards(&rewards);
        people.Load(ParseXml(kPeople));
    }
    ~People() override { SetFieldRewards(nullptr); }

    // A normal level with every man of these constructions able to exist.
    void StartNormal(std::initializer_list<int> ids)
    {
        for (int id : ids) people.SetCanExist(id);
        people.StartLevel(false);
    }
    bool Acquired(int id) const { return people.GetMan(id) && people.GetMan(id)->acquired; }
    void Chain(int length, int time_s = 0, int layers = 0) { people.OnChain({length, time_s * 1000, layers}, facts); }

    RecordingRewards rewards;
    CPeople people;
    PeopleLevelFacts facts;
};

TEST_F(People, ReadsNamesAndNumbersAndDropsUnknownKindsWithALine)
{
    zftest::LogWatch log;
    people.Load(ParseXml(kPeople));
    EXPECT_EQ(people.GetMen().size(), 15u);
    EXPECT_EQ(people.GetMan(102)->if_type, IF_MAKE_CHAIN);
    EXPECT_EQ(people.GetMan(102)->if_length, 7);
    EXPECT_EQ(people.GetMan(200)->then_type, THEN_CHANGE_BALL_WEIGHT);
    EXPECT_EQ(people.GetMan(103)->hint_id, 0);
    EXPECT_FALSE(people.GetMan(101)->can_exist);
    EXPECT_EQ(people.GetMan(300), nullptr);
    EXPECT_EQ(people.GetMan(301), nullptr);
    EXPECT_EQ(people.GetMan(302), nullptr);
    EXPECT_TRUE(log.Has("Man data if type IF_WIN_THE_LOTTERY unknown, man ignored."));
    EXPECT_TRUE(log.Has("Man data then type  THEN_FLY unknown, man ignored."));
    EXPECT_TRUE(log.Has("Man data if type 13 unknown, man ignored."));

    // A man without a condition or effect is a failed check; the men read before stay.
    for (const char* bad : {R"(<People><Man construct_id="1"><Then type="1"/></Man></People>)",
                            R"(<People><Man construct_id="1"><If type="2"/></Man></People>)"}) {
        EXPECT_THROW(people.Load(ParseXml(bad)), std::runtime_error) << bad;
        EXPECT_EQ(people.GetMen().size(), 15u);
    }
}

TEST_F(People, AMissingPeopleFileLeavesTheTownWithoutCitizensAndTheGameGoesOn)
{
    zftest::TempDir empty;
    zftest::ScopedChdir inside(empty.path());
    zftest::LogWatch log;
    EXPECT_NO_THROW(people.Load());
    EXPECT_TRUE(log.Has("People: Settings\\People.xml could not be read"));
    EXPECT_EQ(people.GetMen().size(), 15u) << "the men read before stay";
}

TEST_F(People, EachConditionIsMetByItsEvents)
{
    // A script of events per man; the man must be acquired by the last event and not before.
    struct Case {
        int id;
        std::vector<std::function<void(People&)>> events;
    };
    const auto chain = [](int length, int time_s = 0, int layers = 0) {
        return [=](People& p) { p.Chain(length, time_s, layers); };
    };
    const auto level = [](bool alert, int lost, int bonuses, bool finisher, int time_s) {
        return [=](People& p) {
            PeopleLevelFacts f;
            f.time_alert = alert, f.lives_lost = lost, f.bonuses_used = bonuses, f.finisher = finisher;
            f.time_ms = time_s * 1000;
            p.people.OnLevelCompleted(f);
        };
    };
    const auto collect = [](int type, int amount) {
        return [=](People& p) {
            p.facts.collected[type] = amount;
            p.people.CheckResources(p.facts);
        };
    };
    const Case cases[] = {
        {101, {collect(2, 10), collect(1, 40), collect(2, 30)}},
        {102, {chain(6), chain(3), chain(7)}},
        // Three chains within 10 seconds: the chains at 0 and 5 s fall out of the window by 20 s.
        {103, {chain(3, 0), chain(3, 5), chain(3, 20), chain(3, 25), chain(3, 29)}},
        {104, {chain(5), chain(6), chain(4), chain(5), chain(5), chain(5)}},
        {105, {level(false, 0, 0, false, 100), level(true, 0, 0, false, 100), level(false, 0, 0, false, 100)}},
        {106, {level(false, 1, 0, false, 100), level(false, 0, 0, false, 100), level(false, 0, 0, false, 100)}},
        {107, {[](People& p) { p.people.OnLivesGained(1); }, [](People& p) { p.people.OnLivesGained(2); }}},
        {108, {level(false, 0, 0, false, 61), level(false, 0, 0, false, 60)}},
        {109, {level(false, 0, 2, false, 10), level(false, 0, 0, false, 10)}},
        {110, {level(false, 0, 0, true, 10), level(false, 0, 0, false, 10), level(false, 0, 0, true, 10)}},
        {111, {[](People& p) { p.people.OnBonusAcquired(3); }, [](People& p) { p.people.OnBonusAcquired(3); },
               [](People& p) { p.people.OnBonusAcquired(5); }}},
        // Only chains that broke tiles count.
        {112, {chain(3, 1, 0), chain(3, 2, 0), chain(3, 3, 1), chain(3, 4, 0), chain(3, 5, 2)}},
    };
    for (const Case& c : cases) {
        people.Load(ParseXml(kPeople));
        facts = PeopleLevelFacts();
        StartNormal({c.id});
        for (size_t i = 0; i < c.events.size(); ++i) {
            c.events[i](*this);
            EXPECT_EQ(Acquired(c.id), i + 1 == c.events.size()) << c.id << " after event " << i;
        }
    }
}

TEST_F(People, OnlyBuiltMenOnNormalLevelsAct)
{
    // Not built: never acquired, whatever happens.
    people.StartLevel(false);
    for (int i = 0; i < 10; ++i) Chain(20);
    EXPECT_FALSE(Acquired(102));
    people.SetCanExist(999);   // unknown: nothing

    // A bonus level: no condition is tested and no gain paid.
    people.SetCanExist(102);
    people.SetCanExist(201);
    people.StartLevel(true);
    Chain(20);
    std::map<int, int> gains{{9, 9}};
    people.ApplyLevelGains(gains);
    EXPECT_TRUE(gains.empty());
    EXPECT_FALSE(Acquired(102));
    EXPECT_TRUE(rewards.calls.empty());

    // Resuming a normal level only lets them act again.
    people.ResumeLevel(false);
    Chain(7);
    EXPECT_TRUE(Acquired(102));
    EXPECT_TRUE(Acquired(201));
}

TEST_F(People, PerLevelCountersStartAgainButCrossLevelOnesAccumulate)
{
    StartNormal({104, 105});
    Chain(5);
    Chain(5);
    people.OnLevelCompleted(facts);
    people.StartLevel(false);   // the serie starts again, the levels count on
    Chain(5);
    Chain(5);
    EXPECT_FALSE(Acquired(104));
    people.OnLevelCompleted(facts);
    EXPECT_TRUE(Acquired(105));
    Chain(5);
    EXPECT_TRUE(Acquired(104));
}

TEST_F(People, AcquiringGrantsTheConstructionQueuesTheHintAndAppliesTheEffect)
{
    StartNormal({102, 200, 201, 202});
    Chain(7);
    // Every man met by one event, in ascending construct id.
    const std::vector<std::string> expected = {"grant 102", "grant 200", "refresh", "grant 201", "grant 202"};
    EXPECT_EQ(rewards.calls, expected);
    EXPECT_EQ(people.TakePendingHints(), std::vector<int>{502});   // 102 has hint 0: none
    EXPECT_TRUE(people.TakePendingHints().empty());
    EXPECT_EQ(GetBallsDepot().Find(2)->credit_amount, 25);

    // After a completed normal level: resources, bonus credits, and a type 0 only recorded.
    rewards.calls.clear();
    std::map<int, int> gains{{7, 7}};
    people.ApplyLevelGains(gains);
    const std::vector<std::string> paid = {"resource 1 5", "credit 13 2"};
    EXPECT_EQ(rewards.calls, paid);
    const std::map<int, int> recorded = {{0, 4}, {1, 5}, {13, 2}};
    EXPECT_EQ(gains, recorded);
}

TEST_F(People, ProgressIsSavedAndRestored)
{
    StartNormal({104, 105, 111, 200});
    Chain(5);
    people.OnLevelCompleted(facts);
    people.OnBonusAcquired(4);
    Chain(3);
    ASSERT_TRUE(Acquired(200));
    ASSERT_EQ(GetBallsDepot().Find(2)->credit_amount, 25);

    std::map<int, ManProgress> saved;
    people.Save(saved);
    EXPECT_EQ(saved.size(), people.GetMen().size());
    EXPECT_EQ(saved[105].if_counter, 1);
    EXPECT_EQ(saved[111].stamp, std::list<int>{4});
    EXPECT_TRUE(saved[200].is_acquired);

    // Another player's progress: everything starts again, the ball type's amount included.
    people.Restore({{105, ManProgress{true, 0, {}, {}, false}}, {999, ManProgress{true, 5, {}, {}, true}}});
    EXPECT_EQ(GetBallsDepot().Find(2)->credit_amount, 10);
    EXPECT_FALSE(people.GetMan(200)->can_exist);
    EXPECT_EQ(people.GetMan(999), nullptr);

    // Back to the first: the same states and the acquired man's effect again.
    people.Restore(saved);
    std::map<int, ManProgress> again;
    people.Save(again);
    EXPECT_EQ(again, saved);
    EXPECT_EQ(GetBallsDepot().Find(2)->credit_amount, 25);
}

} // namespace

namespace {

// Random play over many levels: only built men are ever acquired, each once, and no one is lost.
TEST_F(People, RandomPlayGrantsEachBuiltManOnceAndNoOtherMan)
{
    RandomSeed(4242);
    std::set<int> built;
    for (const auto& [id, man] : people.GetMen()) {
        if (RandomInt(0, 2) > 0) {
            people.SetCanExist(id);
            built.insert(id);
        }
    }
    std::set<int> acquired;
    for (int level = 0; level < 40; ++level) {
        const bool bonus = RandomInt(0, 4) == 0;
        people.StartLevel(bonus);
        facts = PeopleLevelFacts();
        for (int event = 0; event < 30; ++event) {
            switch (RandomInt(0, 4)) {
            case 0: Chain(RandomInt(1, 12), event * RandomInt(1, 3), RandomInt(0, 2)); break;
            case 1: people.OnBonusAcquired(RandomInt(1, 8)); break;
            case 2: people.OnLivesGained(RandomInt(0, 2)); break;
            case 3:
                facts.collected[RandomInt(1, 3)] += RandomInt(0, 20);
                people.CheckResources(facts);
                break;
            default: break;
            }
        }
        facts.time_alert = RandomInt(0, 1) == 1;
        facts.lives_lost = RandomInt(0, 1);
        facts.bonuses_used = RandomInt(0, 2);
        facts.finisher = RandomInt(0, 1) == 1;
        facts.time_ms = RandomInt(20, 200) * 1000;
        people.OnLevelCompleted(facts);
        std::map<int, int> gains;
        people.ApplyLevelGains(gains);
        for (const auto& [id, man] : people.GetMen()) {
            if (acquired.count(id)) {
                ASSERT_TRUE(man.acquired) << id;
            }
            if (man.acquired) {
                ASSERT_TRUE(built.count(id)) << id;
                acquired.insert(id);
            }
        }
    }
    size_t grants = 0;
    for (const std::string& call : rewards.calls) grants += call.rfind("grant ", 0) == 0;
    EXPECT_EQ(grants, acquired.size());
    EXPECT_FALSE(acquired.empty());
}

} // namespace
