// The bonus framework on a real field: the factory, the configuration of the common part, the
// controller's arming, applying, cursor and dropping of ended bonuses, and the wave machine.
#include "bonus_test_util.h"

#include "field/bonus/field_bonus_dynamite.h"
#include "field/bonus/field_bonus_lightning.h"

using namespace fieldtest;

namespace {

const std::vector<std::string> kSmallField = {
    "1 2 3 1",
    "2 3 1 2",
    "3 1 2 3",
};

// A wave kind with plain records: each record released is noted; Step runs a set number of frames
// per wave. The grade rows give cumulative release bounds.
class CountingWaves : public CWaveBonusImpl {
public:
    CountingWaves() : CWaveBonusImpl("Lightning", false) {}
    int records = 0;
    bool prepare_result = true;
    std::map<int, int> bounds;   // wave -> release bound (absent: every record)
    int frames_per_wave = 2;
    std::vector<int> released;
    std::vector<int> wave_of_release;
    int finished = 0;
    int steps_left = 0;

protected:
    bool Prepare() override
    {
        ResetWaves();
        return prepare_result;
    }
    bool Step() override
    {
        if (steps_left == 0) steps_left = frames_per_wave;
        return --steps_left > 0;
    }
    void Finish() override
    {
        ++finished;
        _active = false;
    }
    int GetRecordCount() const override { return records; }
    int GetReleaseBound(int wave) const override
    {
        const auto it = bounds.find(wave);
        return it == bounds.end() ? records : it->second;
    }
    void ReleaseRecord(int index) override
    {
        released.push_back(index);
        wave_of_release.push_back(_wave);
    }
};

class BonusFramework : public BonusFixture {
protected:
    BonusFramework() { Load(kSmallField); }
};

} // namespace

TEST_F(BonusFramework, FactoryMakesTheFourKindsAndRefusesUnknownOnes)
{
    const std::vector<std::pair<int, std::string>> kinds = {
        {bkDynamite, "Dynamite"}, {bkMagicWand, "MagicWand2"}, {bkLightning, "Lightning"}, {bkBurner, "Burner"}};
    for (const auto& [kind, name] : kinds) {
        const BonusPtr bonus = CreateBonus(kind);
        ASSERT_NE(bonus, nullptr) << kind;
        EXPECT_EQ(dynamic_cast<CBaseBonusImpl&>(*bonus).GetConfigName(), name);
        EXPECT_FALSE(bonus->IsActive());
    }
    for (int kind : {0, 9, -1}) {
        zftest::LogWatch log;
        EXPECT_EQ(CreateBonus(kind), nullptr);
        EXPECT_TRUE(log.Has("Warning: Invalid bonus type " + std::to_string(kind) + " requested!")) << kind;
    }
    EXPECT_FALSE(controller.Select(9, 1));
    EXPECT_FALSE(controller.IsArmed());
    EXPECT_FALSE(controller.CanApply(0, 1, -1));
    EXPECT_FALSE(controller.Apply(9, 1, -1));
    EXPECT_FALSE(controller.HasRunningBonuses());
}

TEST_F(BonusFramework, AppliedAnywhereOnlyByTheWholeFieldKinds)
{
    for (int kind : {bkMagicWand, bkLightning}) EXPECT_TRUE(controller.CanApply(kind, 1, -1)) << kind;
    for (int kind : {bkDynamite, bkBurner}) {
        const BonusPtr bonus = CreateBonus(kind);
        bonus->SetDataSource(&field);
        ASSERT_TRUE(bonus->Apply(1, Cell(1, 1)));
        ASSERT_TRUE(bonus->IsActive());
        // Asking about "anywhere" also ends the bonus.
        EXPECT_FALSE(bonus->CanApply(1, -1)) << kind;
        EXPECT_FALSE(bonus->IsActive()) << kind;
    }
    // Without a field nothing applies and nothing configures.
    CDynamiteBonus loose;
    EXPECT_FALSE(loose.CanApply(1, 0));
    EXPECT_FALSE(loose.SetGrade(1));
    EXPECT_FALSE(loose.IsConfigLoaded());
}

TEST_F(BonusFramework, CursorOfTheArmedBonusByGrade)
{
    EXPECT_EQ(controller.GetCursorName(), "default");
    ASSERT_TRUE(controller.Select(bkDynamite, 1));
    EXPECT_EQ(controller.GetCursorName(), "dynamite");
    // A grade given without a cursor, and grades the file lists with ids outside 1 to 4.
    for (int grade : {2, 5, 0}) {
        ASSERT_TRUE(controller.Select(bkDynamite, grade));
        EXPECT_EQ(controller.GetCursorName(), "default") << grade;
    }
    ASSERT_TRUE(controller.Select(bkBurner, 2));
    EXPECT_EQ(controller.GetCursorName(), "burner");
    controller.Disarm();
    EXPECT_EQ(controller.GetCursorName(), "default");
}

TEST_F(BonusFramework, ApplyPlaysTheSampleAndTheControllerKeepsTheBonusUntilItEnds)
{
    Samples();
    ASSERT_TRUE(controller.Apply(bkLightning, 1, -1));
    EXPECT_EQ(BonusSamples(), std::vector<std::string>{"bn_lightning"});
    ASSERT_EQ(controller.GetRunningBonuses().size(), 1u);
    const BonusPtr bonus = controller.GetRunningBonuses()[0];
    EXPECT_TRUE(bonus->IsActive());
    auto& waves = dynamic_cast<CWaveBonusImpl&>(*bonus);
    int frames = 0;
    while (controller.HasRunningBonuses() && frames < 1000) {
        EXPECT_TRUE(bonus->IsActive());
        BonusFrame();
        ++frames;
    }
    EXPECT_LT(frames, 1000);
    EXPECT_EQ(waves.GetPhase(), CWaveBonusImpl::phFinish);
    EXPECT_FALSE(bonus->IsActive());
    // Grade 1 is one wave: no sample after the one of the application.
    EXPECT_TRUE(BonusSamples().empty());
}

TEST_F(BonusFramework, ApplyOutsideTheFieldIsLoggedAndRefused)
{
    for (int cell : {-2, g_LevelCfg.GetCellCount(), 1000}) {
        zftest::LogWatch log;
        Samples();
        EXPECT_FALSE(controller.Apply(bkLightning, 1, cell)) << cell;
        EXPECT_TRUE(log.Has("g_LevelCfg.InField(cell_index)")) << cell;
        EXPECT_TRUE(BonusSamples().empty());
    }
    EXPECT_FALSE(controller.HasRunningBonuses());
}

TEST_F(BonusFramework, AMissingElementOrFileMeansNoBonusAndALogLine)
{
    WriteBonuses("<Bonuses><Lightning sample=\"bn_lightning\"/></Bonuses>");
    {
        zftest::LogWatch log;
        EXPECT_FALSE(controller.Select(bkDynamite, 1));
        EXPECT_FALSE(controller.IsArmed());
        EXPECT_TRUE(log.Has("Verify {node.IsValid()} failed"));
        EXPECT_TRUE(log.Has("bonuses.xml has no element"));
        EXPECT_TRUE(log.Has("Dynamite"));
        EXPECT_FALSE(controller.Apply(bkDynamite, 1, Cell(1, 1)));
        EXPECT_FALSE(controller.HasRunningBonuses());
    }
    std::filesystem::remove(_copy / "Settings/bonuses.xml");
    {
        zftest::LogWatch log;
        Samples();
        EXPECT_FALSE(controller.Apply(bkLightning, 1, -1));
        EXPECT_TRUE(log.Has("cannot read bonuses.xml"));
        EXPECT_TRUE(BonusSamples().empty());
    }
    // A damaged file is the same.
    WriteBonuses("<Bonuses><Lightning");
    EXPECT_FALSE(controller.Apply(bkLightning, 1, -1));
    EXPECT_FALSE(controller.HasRunningBonuses());
}

TEST_F(BonusFramework, EachBonusObjectReadsTheFileOnce)
{
    CLightningBonus bonus;
    bonus.SetDataSource(&field);
    ASSERT_TRUE(bonus.SetGrade(1));
    EXPECT_TRUE(bonus.IsConfigLoaded());
    // The file changes: the object keeps what it read, a new object reads the new file.
    WriteBonuses("<Bonuses><Lightning sample=\"bn_other\"/></Bonuses>");
    ASSERT_TRUE(bonus.SetGrade(2));
    EXPECT_EQ(bonus.GetSample(), "bn_lightning");
    CLightningBonus fresh;
    fresh.SetDataSource(&field);
    ASSERT_TRUE(fresh.SetGrade(1));
    EXPECT_EQ(fresh.GetSample(), "bn_other");
}

TEST_F(BonusFramework, RefusedAttributesAreLoggedAndReplacedByTheirDefaults)
{
    const CXMLFile doc = ParseXml(R"(<G a="-3" b="0" c="4" d="-0.5" e="2.5"/>)");
    const CXMLNode g = doc.SelectSingleNode("G");
    zftest::LogWatch log;
    EXPECT_EQ(CBaseBonusImpl::ReadCount(g, "Kind", "a", 7), 7);
    EXPECT_TRUE(log.Has("Kind attribute a="));
    EXPECT_EQ(CBaseBonusImpl::ReadCount(g, "Kind", "b", 7), 0);
    EXPECT_EQ(CBaseBonusImpl::ReadPositiveInt(g, "Kind", "b", 3), 3);
    EXPECT_TRUE(log.Has("Kind attribute b="));
    EXPECT_EQ(CBaseBonusImpl::ReadPositiveInt(g, "Kind", "c", 3), 4);
    EXPECT_FLOAT_EQ(CBaseBonusImpl::ReadPositiveFloat(g, "Kind", "d", 1.5f), 1.5f);
    EXPECT_TRUE(log.Has("Kind attribute d="));
    EXPECT_FLOAT_EQ(CBaseBonusImpl::ReadPositiveFloat(g, "Kind", "e", 1.5f), 2.5f);
    EXPECT_EQ(log.Count("Kind attribute"), 3u);
}

TEST_F(BonusFramework, WavesReleaseCumulativeRowsUpToTheGrade)
{
    struct Case {
        int grade;
        int records;
        std::map<int, int> bounds;
        std::vector<int> wave_of_release;   // per record released, in order
        int extra_samples;                  // played after the application's
    };
    const std::vector<Case> cases = {
        {1, 5, {{1, 2}, {2, 4}, {3, 5}}, {1, 1}, 0},
        {3, 5, {{1, 2}, {2, 4}, {3, 5}}, {1, 1, 2, 2, 3}, 2},
        // Fewer records than the rows: the waves stop once all are released.
        {3, 3, {{1, 2}, {2, 4}, {3, 5}}, {1, 1, 2}, 1},
        // No row for a wave: that wave releases every record left.
        {2, 4, {{1, 1}}, {1, 2, 2, 2}, 1},
        // A row below an earlier one releases nothing and nothing twice.
        {3, 5, {{1, 3}, {2, 1}, {3, 5}}, {1, 1, 1, 3, 3}, 2},
        // No records: the first wave finds nothing to open.
        {4, 0, {}, {}, 0},
    };
    for (const Case& c : cases) {
        auto bonus = Make<CountingWaves>();
        bonus->records = c.records;
        bonus->bounds = c.bounds;
        Samples();
        ASSERT_TRUE(bonus->Apply(c.grade, -1));
        EXPECT_EQ(BonusSamples().size(), 1u);
        Run(*bonus);
        EXPECT_EQ(bonus->wave_of_release, c.wave_of_release) << "grade " << c.grade << " records " << c.records;
        std::vector<int> in_order(c.wave_of_release.size());
        for (size_t i = 0; i < in_order.size(); ++i) in_order[i] = int(i);
        EXPECT_EQ(bonus->released, in_order);
        EXPECT_EQ(int(BonusSamples().size()), c.extra_samples) << "grade " << c.grade;
        EXPECT_EQ(bonus->finished, 1);
        EXPECT_FALSE(bonus->IsActive());
    }
}

TEST_F(BonusFramework, PhasesOfAWaveBonus)
{
    auto bonus = Make<CountingWaves>();
    bonus->records = 2;
    bonus->frames_per_wave = 3;
    ASSERT_TRUE(bonus->Apply(1, -1));
    std::vector<int> phases;
    while (bonus->IsActive() && phases.size() < 20) {
        phases.push_back(bonus->GetPhase());
        bonus->Update();
    }
    // Start, open, three frames of the wave, open (no wave left), finish.
    EXPECT_EQ(phases, (std::vector<int>{0, 1, 2, 2, 2, 1, 3}));

    // A Prepare that finds nothing goes straight to the finish.
    auto idle = Make<CountingWaves>();
    idle->prepare_result = false;
    ASSERT_TRUE(idle->Apply(1, -1));
    EXPECT_EQ(Run(*idle), 2);
    EXPECT_EQ(idle->finished, 1);
    EXPECT_TRUE(idle->released.empty());
}

TEST_F(BonusFramework, TheControllerDropsEndedBonusesAndKeepsTheOthers)
{
    ASSERT_TRUE(controller.Apply(bkDynamite, 1, Cell(0, 0)));
    ASSERT_TRUE(controller.Apply(bkLightning, 2, -1));
    ASSERT_EQ(controller.GetRunningBonuses().size(), 2u);
    BonusFrame();
    // The dynamite does its work in one frame.
    ASSERT_EQ(controller.GetRunningBonuses().size(), 1u);
    EXPECT_NE(dynamic_cast<CLightningBonus*>(controller.GetRunningBonuses()[0].get()), nullptr);
    EXPECT_LT(RunBonuses(), 1000);
    EXPECT_FALSE(controller.HasRunningBonuses());

    ASSERT_TRUE(controller.Select(bkDynamite, 1));
    ASSERT_TRUE(controller.Apply(bkLightning, 1, -1));
    controller.Reset();
    EXPECT_FALSE(controller.IsArmed());
    EXPECT_FALSE(controller.HasRunningBonuses());
}

TEST(BonusDelay, CountsDownOnlyWhileRunningAndNotPaused)
{
    BonusDelay d;
    d.Step();
    EXPECT_FALSE(d.IsExpired());
    d.Start(2);
    EXPECT_FALSE(d.IsExpired());
    d.paused = true;
    d.Step();
    EXPECT_EQ(d.frames_left, 2u);
    d.paused = false;
    d.Step();
    d.Step();
    EXPECT_TRUE(d.IsExpired());
    d.Step();
    EXPECT_EQ(d.frames_left, 0u);
    d.Start(0);
    EXPECT_TRUE(d.IsExpired());
}
