// Resources and bonus credits: the tables, their grades and sounds, and the mirror into the user.
#include "player/player_test_util.h"

#include "engine/sound/engine_soundqueue.h"
#include "support/recording_sound_keeper.h"

#include <random>

using namespace player_test;

namespace {

class Credits : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        _previous = g_SoundKeeper;
        g_SoundKeeper = &keeper;
        g_SoundQueue.Update();
        keeper.Clear();
        g_User.NewGame();
    }
    void TearDown() override
    {
        g_SoundKeeper = _previous;
        PlayerFixture::TearDown();
    }
    // The "bn_activate" requests of the frame.
    size_t Sounds()
    {
        g_SoundQueue.Update();
        const size_t n = keeper.Count("PlaySample bn_activate");
        keeper.Clear();
        return n;
    }

    CRecordingSoundKeeper keeper;

private:
    ISoundKeeper* _previous = nullptr;
};

TEST_F(Credits, AddGradesWithOneSoundPerGradeGained)
{
    struct Row { std::vector<int> adds; int amount, grade, low, high; size_t sounds; };
    const Row rows[] = {
        {{250}, 250, 1, 200, 400, 1},
        {{2000}, 1600, 4, 800, 1600, 1},   // held at the top grade's start; the rest is lost
        {{199}, 199, 0, 0, 200, 0},
        {{200, 200}, 400, 2, 400, 800, 2},
        {{800, 5}, 805, 3, 800, 1600, 1},
        {{1600, 100}, 1600, 4, 800, 1600, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.adds.size() << " adds, first " << r.adds[0]);
        LoadDefaultCredits();
        g_User.NewGame();
        size_t sounds = 0;
        for (int n : r.adds) {
            GetResCredits().Add(11, n);
            sounds += Sounds();
        }
        EXPECT_EQ(GetResCredits().GetAmount(11), r.amount);
        EXPECT_EQ(GetResCredits().GetGrade(11), r.grade);
        EXPECT_EQ(GetResCredits().GetState(11).active, r.grade > 0);
        EXPECT_EQ(sounds, r.sounds);
        // The saved credit is what the credit holds.
        EXPECT_EQ(g_User.Game().bonus.at(11), r.amount);
        AGameValueProbe probe;
        GetResCredits().FillGameValue(11, probe);
        EXPECT_EQ(probe.GetValue().GetInt(), r.amount);
        EXPECT_EQ(probe.GetMin().GetInt(), r.low);
        EXPECT_EQ(probe.GetMax().GetInt(), r.high);
    }
}

TEST_F(Credits, ConsumeAndDowngradeGiveTheCreditBack)
{
    struct Row { int amount; int downgrade_to; int amount_after, grade_after; };
    const Row rows[] = {
        {250, -1, 250, 1}, {450, -1, 450, 2}, {900, -1, 900, 3}, {1600, -1, 1600, 4},   // -1: the grade taken
        {900, 1, 300, 1},    // two thresholds less: 900 - (800 - 200)
        {1600, 2, 400, 2},   // 1600 - (1600 - 400)
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.amount << " down to " << r.downgrade_to);
        LoadDefaultCredits();
        g_User.NewGame();
        GetResCredits().Add(13, r.amount);
        Sounds();
        const int grade = GetResCredits().Consume(13);
        EXPECT_EQ(GetResCredits().GetAmount(13), 0);
        EXPECT_EQ(GetResCredits().GetGrade(13), 0);
        EXPECT_EQ(g_User.Game().bonus.at(13), 0);
        GetResCredits().Downgrade(13, r.downgrade_to < 0 ? grade : r.downgrade_to);
        EXPECT_EQ(GetResCredits().GetAmount(13), r.amount_after);
        EXPECT_EQ(GetResCredits().GetGrade(13), r.grade_after);
        EXPECT_EQ(g_User.Game().bonus.at(13), r.amount_after);
        EXPECT_EQ(Sounds(), 0u);
    }
    // Giving back to grade 0 is reported and goes on.
    GetResCredits().Add(13, 500);
    GetResCredits().Consume(13);
    LogWatch mark;
    EXPECT_NO_THROW(GetResCredits().Downgrade(13, 0));
    EXPECT_TRUE(mark.Has("Verify {grade > 0} failed"));
    // A type without a record: nothing, no mirror.
    GetResCredits().Add(9, 100);
    EXPECT_EQ(GetResCredits().Consume(9), 0);
    EXPECT_EQ(g_User.Game().bonus.count(9), 0u);
}

TEST_F(Credits, AssignAvailabilityAndUpgradable)
{
    GetResCredits().Add(11, 300);
    Sounds();
    const auto user_bonus = g_User.Game().bonus;
    GetResCredits().Assign({{12, 900}, {16, 5000}, {99, 10}});
    EXPECT_EQ(Sounds(), 0u);
    EXPECT_EQ(g_User.Game().bonus, user_bonus);   // not mirrored
    EXPECT_EQ(GetResCredits().GetAmount(11), 0);
    EXPECT_FALSE(GetResCredits().IsAvailable(11));
    EXPECT_EQ(GetResCredits().GetGrade(12), 3);
    EXPECT_EQ(GetResCredits().GetAmount(16), 1600);
    EXPECT_FALSE(GetResCredits().Has(99));
    std::list<int> types;
    GetResCredits().GetUpgradable(types);
    EXPECT_EQ(types, (std::list<int>{12}));   // 16 is at the top grade, the others unavailable
    EXPECT_TRUE(GetResCredits().HasUpgradable());
    GetResCredits().SetAvailable(12, false);
    GetResCredits().SetAvailable(99, true);
    EXPECT_FALSE(GetResCredits().HasUpgradable());
    EXPECT_FALSE(GetResCredits().GetState(99).available);
}

TEST_F(Credits, ReadFromBonusElements)
{
    const CXMLFile file = XmlOf(
        "<Balls><Bonus><ResCredit type=\"13\"/><Grade id=\"1\" start_at_amount=\"50\"/><Grade id=\"0\" start_at_amount=\"7\"/>"
        "<Grade id=\"5\" start_at_amount=\"9\"/><Grade id=\"2\" start_at_amount=\"120\"/></Bonus>"
        "<Bonus><Grade id=\"1\" start_at_amount=\"300\"/><Grade id=\"2\" start_at_amount=\"100\"/></Bonus></Balls>");
    CXMLNodeList bonuses = file.SelectNodes("//Balls/Bonus");
    CResCredits credits;
    EXPECT_EQ(credits.LoadCredit(bonuses.GetItem(0)), 13);
    LogWatch mark;
    EXPECT_EQ(credits.LoadCredit(bonuses.GetItem(1)), 0);   // no ResCredit: type 0, with a warning
    EXPECT_TRUE(mark.Has("has no \"ResCredit\""));
    // A grade below the one before is raised to it, so that no range is turned round.
    EXPECT_TRUE(mark.Has("grade 2 begins at 100, below grade 1; raised to 300"));
    credits.Add(13, 60);
    EXPECT_EQ(credits.GetGrade(13), 1);
    credits.Add(13, 60);
    EXPECT_EQ(credits.GetGrade(13), 2);
    EXPECT_EQ(credits.GetAmount(13), 120);
    credits.Add(0, 350);
    EXPECT_EQ(credits.GetGrade(0), 2);
    EXPECT_EQ(credits.GetAmount(0), 350);
}

// Random play on the credits: the saved credit always equals the live one, the amount stays within its
// grade's range, and the grade is the number of thresholds the amount reached.
TEST_F(Credits, RandomPlayKeepsTheMirrorAndTheGrades)
{
    std::mt19937 rng(7);
    const int thresholds[5] = {0, 200, 400, 800, 1600};
    for (int step = 0; step < 5000; ++step) {
        const int type = 10 + static_cast<int>(rng() % 8);
        switch (rng() % 4) {
        case 0:
        case 1: GetResCredits().Add(type, static_cast<int>(rng() % 700)); break;
        case 2: {
            const int grade = GetResCredits().Consume(type);
            if (grade > 0 && rng() % 2) GetResCredits().Downgrade(type, static_cast<int>(rng() % (grade + 1)) + (rng() % 2));
            break;
        }
        default: GetResCredits().Assign(g_User.Game().bonus); break;
        }
        for (int t = 10; t <= 17; ++t) {
            const int amount = GetResCredits().GetAmount(t);
            const int grade = GetResCredits().GetGrade(t);
            auto it = g_User.Game().bonus.find(t);
            ASSERT_EQ(it == g_User.Game().bonus.end() ? 0 : it->second, amount) << "step " << step << " type " << t;
            int reached = 0;
            while (reached < 4 && amount >= thresholds[reached + 1]) ++reached;
            ASSERT_EQ(grade, reached) << "step " << step;
            ASSERT_GE(amount, 0);
            ASSERT_LE(amount, 1600);
        }
    }
}

TEST_F(Credits, ResourcesTable)
{
    CResources& res = GetResources();
    res.SetAvailable(rtFood, true);
    res.SetAvailable(rtStaff, false);
    res.Add(rtMoney, 30);
    res.Add(5, 8);
    EXPECT_TRUE(res.Has(rtStaff));
    EXPECT_FALSE(res.IsAvailable(rtStaff));
    EXPECT_TRUE(res.IsAvailable(rtMoney));
    std::list<int> types;
    res.GetAvailableTypes(types);
    EXPECT_EQ(types, (std::list<int>{rtMoney, rtFood}));
    res.Spend(rtMoney, 50);
    EXPECT_EQ(res.GetAmount(rtMoney), -20);   // no floor
    res.Spend(9, 10);                          // absent: nothing, not mirrored
    EXPECT_FALSE(res.Has(9));
    EXPECT_EQ(g_User.Game().collect.count(9), 0u);
    EXPECT_EQ(g_User.Game().collect.at(rtMoney), -20);
    EXPECT_EQ(g_User.Game().collect.at(5), 8);
    res.Assign({{rtStaff, 4}});
    EXPECT_FALSE(res.Has(rtMoney));
    EXPECT_TRUE(res.IsAvailable(rtStaff));
    EXPECT_EQ(g_User.Game().collect.at(rtMoney), -20);   // not mirrored
}

} // namespace
