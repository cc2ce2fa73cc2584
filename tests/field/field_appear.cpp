// The field appearing and disappearing on the small hand-made level: the schedule by rows and at
// random, the run ending only after the last effect, an empty field, and the options file with its
// defaults and damaged forms. The shipped options and citizens are read as the game reads them.
#include "field_play_util.h"

#include "field/appear/field_appear.h"
#include "field/people/field_people.h"
#include "field/tiles/field_tiles.h"

#include "support/test_support.h"

#include <stdexcept>

using namespace fieldtest;

namespace {

class Appear : public FieldFixture {
protected:
    Appear()
    {
        ResetAppearOptions();
        tiles.LoadLevel(OpenLevel("Levels/Small.xml"), info);
    }
    ~Appear() override { ResetAppearOptions(); }

    void SetOptions(const std::string& attributes)
    {
        LoadAppearOptions(ParseXml("<AppearCfg><Options " + attributes + "/></AppearCfg>"));
    }
    // The tile of each cell (cells 9 and 11 have none).
    CellObjects Objects() const
    {
        CellObjects objects(size_t(g_LevelCfg.GetCellCount()));
        for (int cell = 0; cell < g_LevelCfg.GetCellCount(); ++cell)
            if (auto obj = tiles.GetCellObjects(cell)) objects[size_t(cell)].push_back(obj);
        return objects;
    }
    // One frame as the field runs it: the objects are drawn (their effects step), then the appearer.
    void Frame()
    {
        for (const auto& list : Objects())
            for (const auto& obj : list) obj->StepEffect();
        appearer.Update();
    }
    int FramesUntilIdle(int limit = 1000)
    {
        int n = 0;
        while (appearer.IsRunning() && n < limit) {
            Frame();
            ++n;
        }
        return n;
    }

    ScopedSounds sounds;
    CTilesField tiles;
    LevelFieldInfo info;
    CFieldAppearer appearer;
};

TEST_F(Appear, ByRowsEachRowStartsItsDelayAfterThePrevious)
{
    SetOptions(R"(APPEAR_RANDOM="0" DELAY_BETWEEN_ROWS="2" EFFECT_TIME="16")");
    const float width = tiles.GetCellObjects(0)->GetWidth();
    appearer.FieldStart(Objects());
    EXPECT_EQ(appearer.GetMode(), CFieldAppearer::amAppearing);
    EXPECT_EQ(sounds.Played(), std::vector<std::string>{"PlaySample field_start"});
    EXPECT_EQ(tiles.GetCellObjects(0)->GetAlpha(), 0u);
    EXPECT_EQ(appearer.GetPending(), 10);   // the two cells without objects are not scheduled
    for (int cell : {0, 4, 8}) EXPECT_EQ(appearer.GetDelay(cell), 2 * (cell / 4)) << cell;
    EXPECT_FALSE(appearer.IsArmed(9));

    // Row 0 starts on the first update, row 2 four updates later.
    Frame();
    EXPECT_TRUE(tiles.GetCellObjects(0)->HasEffect());
    EXPECT_FALSE(tiles.GetCellObjects(8)->HasEffect());
    for (int i = 0; i < 3; ++i) Frame();
    EXPECT_FALSE(tiles.GetCellObjects(8)->HasEffect());
    Frame();
    EXPECT_TRUE(tiles.GetCellObjects(8)->HasEffect());
    EXPECT_EQ(appearer.GetPending(), 0);

    // The run ends once the last effect has run its 16 updates, every object whole and opaque.
    EXPECT_EQ(FramesUntilIdle(), 16 + 1);   // row 2's 16 effect steps, then the end
    EXPECT_FALSE(CEffectCounter::HasRunning());
    EXPECT_EQ(tiles.GetCellObjects(8)->GetAlpha(), 255u);
    EXPECT_FLOAT_EQ(tiles.GetCellObjects(8)->GetWidth(), width);
}

TEST_F(Appear, WithTheDefaultsItAppearsAtRandomAndDisappearsByRows)
{
    RandomSeed(77);
    appearer.FieldStart(Objects());
    std::vector<int> first;
    for (int cell = 0; cell < 12; ++cell) {
        if (!appearer.IsArmed(cell)) continue;
        EXPECT_GE(appearer.GetDelay(cell), 0);
        EXPECT_LE(appearer.GetDelay(cell), 20);
        first.push_back(appearer.GetDelay(cell));
    }
    FramesUntilIdle();

    // The same seed, the same schedule.
    RandomSeed(77);
    appearer.FieldStart(Objects());
    std::vector<int> second;
    for (int cell = 0; cell < 12; ++cell)
        if (appearer.IsArmed(cell)) second.push_back(appearer.GetDelay(cell));
    EXPECT_EQ(first, second);
    FramesUntilIdle();
    sounds.Played();

    appearer.SetEndSound("field_over");
    appearer.FieldOver(Objects());
    EXPECT_EQ(appearer.GetMode(), CFieldAppearer::amDisappearing);
    for (int cell : {0, 5, 10}) EXPECT_EQ(appearer.GetDelay(cell), 2 * (cell / 4)) << cell;
    EXPECT_EQ(tiles.GetCellObjects(0)->GetAlpha(), 255u);
    FramesUntilIdle();
    EXPECT_EQ(tiles.GetCellObjects(10)->GetAlpha(), 0u);
    // The run's sample at its start, the end sample when it is over.
    EXPECT_EQ(sounds.keeper.Count("PlaySample field_over"), 0u);   // not yet sounded: frames end here
    EXPECT_EQ(sounds.Played(), std::vector<std::string>{"PlaySample field_over"});
}

TEST_F(Appear, AFieldWithoutObjectsEndsOnTheFirstUpdate)
{
    appearer.FieldStart(CellObjects(12));
    EXPECT_TRUE(appearer.IsRunning());
    appearer.Update();
    EXPECT_FALSE(appearer.IsRunning());
    EXPECT_EQ(sounds.Played(), std::vector<std::string>{"PlaySample field_start"});
}

TEST_F(Appear, OptionsKeepTheirDefaultsAndDamagedValuesAreMended)
{
    struct Case {
        const char* text;
        AppearOptions expected;
        const char* logged;
    };
    const AppearOptions d;
    const auto with = [&](auto change) {
        AppearOptions o = d;
        change(o);
        return o;
    };
    const Case cases[] = {
        {R"(<A><Options DELAY_BETWEEN_ROWS="3" EFFECT_TIME="8" RANDOM_APPEARING_FRAME="12" OVERSIZE_PERCENT="0" APPEAR_RANDOM="0" DISAPPEAR_RANDOM="1"/></A>)",
         AppearOptions{3, 8, 12, 0, false, true}, nullptr},
        {R"(<A><Options/></A>)", d, nullptr},
        {R"(<A><Options EFFECT_TIME="0"/></A>)", with([](AppearOptions& o) { o.effect_time = 1; }), "EFFECT_TIME 0 is below 1"},
        {R"(<A><Options DELAY_BETWEEN_ROWS="-4" RANDOM_APPEARING_FRAME="-1"/></A>)",
         with([](AppearOptions& o) { o.delay_between_rows = 0, o.random_appearing_frame = 0; }), "DELAY_BETWEEN_ROWS -4"},
        {R"(<A><Option DELAY_BETWEEN_ROWS="9"/></A>)", d, "Verify {config_node.IsValid()} failed"},
    };
    for (const Case& c : cases) {
        ResetAppearOptions();
        zftest::LogWatch log;
        LoadAppearOptions(ParseXml(c.text));
        const AppearOptions& o = GetAppearOptions();
        EXPECT_EQ(o.delay_between_rows, c.expected.delay_between_rows) << c.text;
        EXPECT_EQ(o.effect_time, c.expected.effect_time) << c.text;
        EXPECT_EQ(o.random_appearing_frame, c.expected.random_appearing_frame) << c.text;
        EXPECT_EQ(o.oversize_percent, c.expected.oversize_percent) << c.text;
        EXPECT_EQ(o.appear_random, c.expected.appear_random) << c.text;
        EXPECT_EQ(o.disappear_random, c.expected.disappear_random) << c.text;
        if (c.logged) {
            EXPECT_TRUE(log.Has(c.logged)) << c.text << "\n" << log.Text();
        }
    }

    // An effect mended to one update still runs: the field appears in two updates.
    LoadAppearOptions(ParseXml(R"(<A><Options EFFECT_TIME="0" APPEAR_RANDOM="0" DELAY_BETWEEN_ROWS="0"/></A>)"));
    appearer.FieldStart(Objects());
    EXPECT_EQ(FramesUntilIdle(), 3);
}

TEST(AppearFile, AMissingOrBrokenFileIsLoggedAndTheDefaultsKept)
{
    zftest::TempDir dir;
    zftest::ScopedChdir in(dir.path());
    ResetAppearOptions();
    {
        zftest::LogWatch log;
        LoadAppearOptions();
        EXPECT_TRUE(log.Has("AppearCfg.xml could not be read"));
    }
    zftest::WriteText("Settings/AppearCfg.xml", "<AppearCfg><Options DELAY_BETWEEN_ROWS=\"5\"");
    {
        zftest::LogWatch log;
        LoadAppearOptions();
        EXPECT_TRUE(log.Has("AppearCfg.xml could not be read"));
    }
    EXPECT_EQ(GetAppearOptions().delay_between_rows, 2);
}

TEST(ShippedData, TheAppearOptionsAndTheCitizensRead)
{
    zftest::ScopedChdir in(ZF_GAME_DATA_DIR);
    zftest::LogWatch log;
    ResetAppearOptions();
    LoadAppearOptions();
    EXPECT_FALSE(log.Has("could not be read"));
    EXPECT_FALSE(log.Has("Verify"));
    EXPECT_TRUE(GetAppearOptions().appear_random);

    CPeople people;
    people.Load();
    EXPECT_EQ(people.GetMen().size(), 14u);
    EXPECT_FALSE(log.Has("unknown, man ignored"));
    // Every citizen who changes a ball type names a type of the shipped balls.
    GetBallsDepot().Load();
    for (const auto& [id, man] : people.GetMen()) {
        if (man.then_type == THEN_CHANGE_BALL_WEIGHT) {
            EXPECT_NE(GetBallsDepot().Find(man.then_graph_type), nullptr) << id;
        }
    }
    ResetAppearOptions();
}

} // namespace
