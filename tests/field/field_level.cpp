// A level's life on the field, run frame by frame on a settable clock: damaged level files, the
// start with its appearing, the play to the goal, the end that turns the time or the moves left into
// resources, two levels in a row, the save and restore of a level in progress (also through the
// saved game's form), the time bar as the field drives it, and the bonus level's moves.
#include "field_play_util.h"

#include "field/appear/field_appear.h"
#include "field/people/field_people.h"
#include "field/timebar/field_timer.h"
#include "player/player_slot.h"

#include "support/test_support.h"

#include <limits>
#include <sstream>
#include <stdexcept>

using namespace fieldtest;

namespace {

class RecordingPanel : public IMoverPanel {
public:
    int shown = -1;
    int spent = 0;
    bool animating = false;
    void ExplodeBody(int moves) override { shown = moves; }
    void SpendMove() override { ++spent; }
    void GetBodyMiddlePos(float& x, float& y) const override { x = 300.0f; y = 200.0f; }
    bool IsAnimating() const override { return animating; }
};

// The level with a "State" element before its end.
std::string WithState(const std::string& level, const std::string& state)
{
    std::string text = level;
    text.insert(text.rfind("</Level>"), "<State " + state + "/>");
    return text;
}

// A layer record as text, for comparing.
std::string Describe(const BallsFieldRecord& r)
{
    std::ostringstream out;
    for (int t : r.types) out << "type " << t << ";";
    for (const auto& c : r.cells) out << "cell " << c.x << "," << c.y << " " << c.closed << " " << c.wall << ";";
    for (const auto& b : r.balls) out << "ball " << b.x << "," << b.y << " " << b.graph_type << " " << b.box << " " << b.lock << ";";
    return out.str();
}
std::string Describe(const TilesFieldRecord& r)
{
    std::ostringstream out;
    for (const auto& c : r.cells) out << c.x << "," << c.y << "=" << c.current << ";";
    return out.str();
}

class LevelLife : public PlayFixture {
protected:
    LevelLife()
    {
        g_GameTimer.BindControls(&bar, nullptr, nullptr);
        g_MovesCounter.SetPanel(&panel);
        LoadAppearOptions(ParseXml(R"(<Options DELAY_BETWEEN_ROWS="2" EFFECT_TIME="4" APPEAR_RANDOM="0" DISAPPEAR_RANDOM="0"/>)"));
        user.available_resources = {1, 2, 3};
        user.level_number = 5;
        // Samples end at once unless a test lets one play.
        sounds.plays_start_playing = false;
    }
    ~LevelLife() override
    {
        g_GameTimer.BindControls(nullptr, nullptr, nullptr);
        g_MovesCounter.SetPanel(nullptr);
        ResetAppearOptions();
    }

    // A level file in the temporary folder; the path to start it with.
    std::string Write(const std::string& text, const std::string& name = "Level.xml")
    {
        zftest::WriteText(dir / name, text);
        return dir / name;
    }
    // A frame as the game scene runs it: 16 ms pass, the field draws and updates, takes the input,
    // and the scene steps the time bar.
    void Tick(const FieldMouse& mouse = FieldMouse())
    {
        clock.Advance(16);
        field.Render();
        field.Update();
        field.HandleInput(mouse);
        g_GameTimer.Update();
    }
    // Starts the level and plays its appearing; the frames it took.
    int StartAndShow(const std::string& path, bool bonus_level = false)
    {
        field.StartLevel(path, bonus_level);
        EXPECT_TRUE(field.StepShowField(true));
        int frames = 0;
        while (frames < 1000 && field.StepShowField(false)) {
            Tick();
            ++frames;
        }
        return frames;
    }
    // Frames until the time bar runs (its filling is over).
    void FillTimeBar()
    {
        for (int i = 0; i < 500 && g_GameTimer.GetMode() != CGameTimer::tmRunning; ++i) Tick();
        ASSERT_EQ(g_GameTimer.GetMode(), CGameTimer::tmRunning);
    }
    // Drags through the cells a frame each and releases, then lets the field settle.
    void Play(const std::vector<std::pair<int, int>>& cells)
    {
        for (const auto& [c, r] : cells) Tick(MouseAt(c, r));
        Tick(MouseAt(cells.back().first, cells.back().second, false));
        for (int i = 0; i < 2000 && (field.IsRefillPending() || field.IsFinisherRunning() || field.IsFieldBusy()); ++i)
            Tick();
    }
    // The end of the level with the scene in its finish cross-state; the number of steps until
    // EndLevel gave false, -1 when it never did.
    int RunEnd(int cross_state)
    {
        scene.state = IFieldScene::kCrossState;
        scene.cross_state = cross_state;
        EXPECT_TRUE(field.EndLevel(true));
        frames_at_sample = 0;
        for (int n = 1; n < 5000; ++n) {
            Tick();
            // The end's sample plays for sample_frames frames.
            if (field.GetEndStep() == 4 && ++frames_at_sample >= sample_frames)
                for (auto& [handle, state] : sounds.channel_states) state = scsStopped;
            if (!field.EndLevel(false)) return n;
        }
        ADD_FAILURE() << "the end stays at step " << field.GetEndStep() << " (effects running: " << CEffectCounter::GetCount()
                      << ", appearing: " << field.GetAppearer().IsRunning() << ")";
        return -1;
    }

    int sample_frames = 0;
    int frames_at_sample = 0;
    zftest::FakeClock clock{1000};
    zftest::TempDir dir;
    RecordingBar bar;
    RecordingPanel panel;
};

// ---- the level file

TEST_F(LevelLife, DamagedLevelFilesFailWithTheirTextAndLeaveTheFieldUsable)
{
    // The level store keeps what a level does not say: the good level says what a bad one changes.
    const std::string good = WithState(GridLevel({"1 1 1t 2", "2 3 3 3t"},
                                                 "ordinary_boxed_probability=\"0\" double_boxed_probability=\"0\""),
                                       "min=\"0\" max=\"60\" pos=\"30\" delta=\"-1\"");
    const struct {
        const char* what;
        std::string text;     // empty: no file at all
        const char* thrown;   // empty: the level loads
        const char* logged;
    } cases[] = {
        {"no file", "", "error opening xml!", "failed to open XML file"},
        {"not XML", "<Level><Field>", "XML parse error!", "parse error"},
        {"no Level", "<Levels/>", "verify {root.IsValid()} failed", "Verify {root.IsValid()} failed"},
        {"no State", GridLevel({"1 1 1t 2"}), "verify {timer_node.IsValid()} failed", "Verify {timer_node.IsValid()} failed"},
        {"no field size",
         WithState("<Level><Config field_width=\"0\" field_height=\"3\"/><Field/></Level>", "pos=\"1\""),
         "Invalid field size.", "invalid field size"},
        {"a field size that is no number",
         WithState("<Level><Config field_width=\"wide\" field_height=\"3\"/><Field/></Level>", "pos=\"1\""),
         "Invalid field size.", "invalid field size"},
        {"a layer that repeats the ground",
         WithState("<Level><Config field_width=\"2\" field_height=\"1\" allow_ball_types=\"4\"/><Field>"
                   "<Cell x=\"0\" y=\"0\" active=\"1\"><Group tile=\"1\"/><Group tile=\"1\"/></Cell></Field></Level>",
                   "pos=\"1\""),
         "Found invalid puzzle layer in cell.", "Game field: invalid puzzle layer 1 in cell (0, 0)"},
        {"a layer without picture",
         WithState("<Level><Config field_width=\"2\" field_height=\"1\" allow_ball_types=\"4\"/><Field>"
                   "<Cell x=\"1\" y=\"0\" active=\"1\"><Group tile=\"1\"/><Group/></Cell></Field></Level>",
                   "pos=\"1\""),
         "Found invalid puzzle layer in cell.", "Game field: invalid puzzle layer 1 in cell (1, 0)"},
        {"odds of boxes of 100",
         WithState(GridLevel({"1 1 1t 2"}, "ordinary_boxed_probability=\"50\" double_boxed_probability=\"50\""), "pos=\"1\""),
         "ordinary_boxed_probability + double_boxed_probability is 100, it must be below 100", "must be below 100"},
        // Damage the readers skip with a log line.
        {"a field cell outside the field",
         WithState("<Level><Config field_width=\"2\" field_height=\"1\" allow_ball_types=\"4\"/><Field>"
                   "<Cell x=\"0\" y=\"0\" active=\"1\"><Group tile=\"1\"/><Group tile=\"2\"/></Cell>"
                   "<Cell x=\"1\" y=\"0\" active=\"1\"/><Cell x=\"7\" y=\"0\" active=\"1\"/></Field></Level>",
                   "pos=\"1\""),
         "", "CTilesField: Cell outside a file - 7 , 0"},
        {"a ball outside the field",
         WithState("<Level><Config field_width=\"2\" field_height=\"1\" allow_ball_types=\"4\"/><Field>"
                   "<Cell x=\"0\" y=\"0\" active=\"1\"><Group tile=\"1\"/><Group tile=\"2\"/></Cell><Cell x=\"1\" y=\"0\" active=\"1\"/>"
                   "</Field><Balls><Cell x=\"0\" y=\"-4\"><Ball graph_type=\"1\"/></Cell></Balls></Level>",
                   "pos=\"1\""),
         "", "CBallsField: Cell outside a field - (0 , -4)"},
        {"a ball of an unknown type",
         WithState("<Level><Config field_width=\"2\" field_height=\"1\" allow_ball_types=\"4\"/><Field>"
                   "<Cell x=\"0\" y=\"0\" active=\"1\"><Group tile=\"1\"/><Group tile=\"2\"/></Cell><Cell x=\"1\" y=\"0\" active=\"1\"/>"
                   "</Field><Balls><Cell x=\"1\" y=\"0\"><Ball graph_type=\"99\"/></Cell></Balls></Level>",
                   "pos=\"1\""),
         "", "CBallsField: not find ball with graph type 99  in base. Cell (1 , 0)"},
        {"a ball placed twice",
         WithState("<Level><Config field_width=\"2\" field_height=\"1\" allow_ball_types=\"4\"/><Field>"
                   "<Cell x=\"0\" y=\"0\" active=\"1\"/><Cell x=\"1\" y=\"0\" active=\"1\"/></Field><Balls>"
                   "<Cell x=\"1\" y=\"0\"><Ball graph_type=\"1\"/></Cell><Cell x=\"1\" y=\"0\"><Ball graph_type=\"2\"/></Cell>"
                   "</Balls></Level>",
                   "pos=\"1\""),
         "verify {HasFreePlace(cell_index)} failed", "Verify {HasFreePlace(cell_index)} failed"},
        {"a cell given twice",
         WithState("<Level><Config field_width=\"2\" field_height=\"1\" allow_ball_types=\"4\"/><Field>"
                   "<Cell x=\"0\" y=\"0\" active=\"1\"><Group tile=\"1\"/><Group tile=\"2\"/><Group tile=\"3\"/></Cell>"
                   "<Cell x=\"0\" y=\"0\" active=\"1\"><Group tile=\"1\"/><Group tile=\"2\"/></Cell>"
                   "<Cell x=\"1\" y=\"0\" active=\"1\"/></Field></Level>",
                   "pos=\"1\""),
         "", ""},
    };
    for (const auto& c : cases) {
        // A good level first, so that a failure shows it leaves nothing of it behind.
        field.StartLevel(Write(good), false);
        ASSERT_GT(field.GetStats().n_puzzles, 0) << c.what;
        const std::string path = c.text.empty() ? dir / "Missing.xml" : Write(c.text);
        zftest::LogWatch log;
        std::string thrown;
        try {
            field.StartLevel(path, false);
        } catch (const std::exception& e) {
            thrown = e.what();
        }
        if (*c.thrown) {
            EXPECT_NE(thrown.find(c.thrown), std::string::npos) << c.what << ": " << thrown;
        } else {
            EXPECT_EQ(thrown, "") << c.what;
            // What the layers hold agrees with what they counted.
            EXPECT_EQ(field.GetStats().n_puzzles, field.GetTiles().GetTotalLeft()) << c.what;
            EXPECT_TRUE(field.GetBalls().HasBall(g_LevelCfg.CellAt(0, 0))) << c.what;
        }
        if (*c.logged) {
            EXPECT_TRUE(log.Has(c.logged)) << c.what << "\n" << log.Text();
        }
        // The field goes on drawing and updating whatever was left, and takes the next level.
        for (int i = 0; i < 3; ++i) Tick(MouseAt(0, 0));
        field.StartLevel(Write(good), false);
        EXPECT_EQ(g_LevelCfg.GetCellCount(), 8) << c.what;
        EXPECT_EQ(field.GetStats().n_puzzles, 2) << c.what;
    }
}

TEST_F(LevelLife, ALevelWithItsSizeOnConfigOnlyTakesItsSizeFromThere)
{
    field.StartLevel(Write(WithState("<Level><Config field_width=\"3\" field_height=\"2\" allow_ball_types=\"4\"/><Field>"
                                     "<Cell x=\"2\" y=\"1\" active=\"1\"/></Field></Level>",
                                     "pos=\"1\"")),
                     false);
    EXPECT_EQ(g_LevelCfg.GetFieldWidth(), 3);
    EXPECT_EQ(g_LevelCfg.GetFieldHeight(), 2);
    EXPECT_TRUE(field.GetBalls().IsFieldCell(g_LevelCfg.CellAt(2, 1)));
    EXPECT_EQ(field.GetLevelRecord().i_level, 5);
}

// ---- start, appearing, play and end

TEST_F(LevelLife, ANormalLevelAppearsRowByRowIsPlayedAndEndsWithItsTimeTurnedIntoResources)
{
    user.resources = {{1, 50}, {2, 10}, {3, 30}};
    const std::string path = Write(WithState(GridLevel({"1 1 1t 2", "2 3 4 3", "3 4 2 4"}),
                                             "min=\"0\" max=\"100\" pos=\"50\" delta=\"-1\" delay=\"1000000\""));
    field.StartLevel(path, false);
    ASSERT_TRUE(field.StepShowField(true));
    // Row by row, two updates apart; every object starts unseen.
    EXPECT_EQ(field.GetAppearer().GetDelay(Cell(3, 0)), 0);
    EXPECT_EQ(field.GetAppearer().GetDelay(Cell(0, 1)), 2);
    EXPECT_EQ(field.GetAppearer().GetDelay(Cell(2, 2)), 4);
    EXPECT_TRUE(field.IsFieldShown());
    field.ShowField();   // a second show starts no second run
    int frames = 0;
    while (field.StepShowField(false) && frames < 500) {
        Tick(MouseAt(0, 0));
        if (field.GetAppearer().IsRunning()) {
            EXPECT_EQ(field.GetHoveredCell(), -1);   // nothing but the run advances
        }
        ++frames;
    }
    EXPECT_LT(frames, 500);
    EXPECT_GE(frames, 4 + 4);   // the last row's delay and the effect
    FillTimeBar();
    EXPECT_EQ(g_GameTimer.GetRemainingSeconds(), 50);

    // Breaking the only tile layer reaches the goal; the finished level asks for the finish.
    Play({{0, 0}, {1, 0}, {2, 0}});
    EXPECT_TRUE(field.IsLevelFinished());
    ASSERT_FALSE(scene.cross_states_asked.empty());
    EXPECT_EQ(scene.cross_states_asked.back(), IFieldScene::kLevelFinish);
    EXPECT_FALSE(field.GetLevelRecord().was_time_alert);

    Samples();
    sounds.plays_start_playing = true;
    sample_frames = 60;   // longer than the end's 500 ms pause: the end waits for the sample
    const int steps = RunEnd(IFieldScene::kLevelFinish);
    ASSERT_GT(steps, 0);
    EXPECT_GE(frames_at_sample, 60);
    EXPECT_FALSE(field.EndLevel(false));   // over
    EXPECT_EQ(scene.music_volumes, (std::vector<int>{33, 100}));
    const auto samples = Samples();
    EXPECT_EQ(std::count(samples.begin(), samples.end(), "PlaySample end_level"), 1);
    // The resource held least; 50 seconds left x 10 x (1 + 2 x 5 / 100).
    EXPECT_EQ(field.GetLevelRecord().bonus_res_type, 2);
    EXPECT_EQ(scene.bonus_resources_shown, std::vector<int>{2});
    EXPECT_EQ(field.GetLevelRecord().bonus_res_amount, 550);
    EXPECT_EQ(g_GameTimer.GetMode(), CGameTimer::tmStopped);
    EXPECT_FALSE(field.IsFieldShown());
    EXPECT_FALSE(field.GetAppearer().IsRunning());
    EXPECT_EQ(field.GetEndStep(), 0);
}

// The bonus resource counts every bit of the time drained, whatever the bar's scale: a bar of one
// unit drained a hundredth per update still gives its whole worth.
TEST_F(LevelLife, TheEndOfLevelBonusCountsTheWholeTimeDrained)
{
    const struct {
        const char* state;
        int level;
        int amount;
    } cases[] = {
        {"min=\"0\" max=\"100\" pos=\"50\" delta=\"-1\" delay=\"1000000\"", 5, 550},
        {"min=\"0\" max=\"1\" pos=\"1\" delta=\"-0.0002\" delay=\"1000000\"", 0, 10},
        {"min=\"0\" max=\"1\" pos=\"1\" delta=\"-0.0002\" delay=\"1000000\"", 50, 20},
        {"min=\"10\" max=\"40\" pos=\"25\" delta=\"-1\" delay=\"1000000\"", 0, 150},
    };
    for (const auto& c : cases) {
        scene = RecordingScene();
        user.level_number = c.level;
        StartAndShow(Write(WithState(GridLevel({"1 1 1 2", "2 3 4 3"}), c.state)));
        FillTimeBar();
        ASSERT_TRUE(field.IsLevelFinished()) << c.state;   // no tile layer at all
        ASSERT_GT(RunEnd(IFieldScene::kLevelFinish), 0) << c.state;
        EXPECT_EQ(field.GetLevelRecord().bonus_res_amount, c.amount) << c.state << " level " << c.level;
    }
}

TEST_F(LevelLife, ABonusLevelEndTurnsEachMoveLeftIntoResources)
{
    const std::string path = Write(WithState(GridLevel({"1 1 1 2", "2 3 4 3"}, "allow_bonus_types=\"0\""), "moves=\"3\""));
    StartAndShow(path, true);
    EXPECT_EQ(panel.shown, 3);
    EXPECT_EQ(field.GetMovesLeft(), 3);
    panel.animating = true;   // the panel plays each spent move: the next waits for it
    scene.state = IFieldScene::kCrossState;
    scene.cross_state = IFieldScene::kBonusLevelFinish;
    ASSERT_TRUE(field.EndLevel(true));
    for (int i = 0; i < 5; ++i) {
        Tick();
        EXPECT_TRUE(field.EndLevel(false));
    }
    EXPECT_EQ(panel.spent, 1);
    ASSERT_EQ(field.GetPopups().size(), 1u);
    const FloatingPopup& first = field.GetPopups()[0];
    EXPECT_EQ(first.amount, 300);
    EXPECT_EQ(std::string(first.label).rfind("Res_score_big_0", 0), 0u);
    EXPECT_EQ(first.icon, std::string(first.label).back() - '0');
    EXPECT_FLOAT_EQ(first.speed, 0.8f);
    EXPECT_EQ(first.delay, 192 - 5);
    EXPECT_FLOAT_EQ(first.x, 300.0f + 58.0f);
    EXPECT_NEAR(first.y, 200.0f - 30.0f - 0.8f * 5, 0.001);
    panel.animating = false;
    int steps = 0;
    while (steps < 5000 && field.EndLevel(false)) {
        Tick();
        ++steps;
    }
    EXPECT_LT(steps, 5000);
    EXPECT_EQ(panel.spent, 3);
    EXPECT_EQ(field.GetMovesLeft(), 0);
    int credited = 0;
    for (const auto& [type, amount] : user.resources) credited += amount;
    EXPECT_EQ(credited, 300 + 200 + 100);
    int collected = 0;
    for (const auto& [type, amount] : field.GetLevelRecord().collect) collected += amount;
    EXPECT_EQ(collected, 600);
    EXPECT_EQ(scene.bonus_level_ends, 1);
    EXPECT_EQ(scene.music_volumes, (std::vector<int>{33, 100}));
    EXPECT_FALSE(field.IsFieldShown());

    // A player without any resource gets nothing for the moves, which are spent all the same.
    user = RecordingUser();
    scene = RecordingScene();
    panel.spent = 0;
    StartAndShow(path, true);
    zftest::LogWatch log;
    ASSERT_GT(RunEnd(IFieldScene::kBonusLevelFinish), 0);
    EXPECT_TRUE(user.resources.empty());
    EXPECT_EQ(panel.spent, 3);
    EXPECT_TRUE(log.Has("no resource")) << log.Text();
}

TEST_F(LevelLife, ALevelAfterAFinisherWinStartsClean)
{
    const std::string first = Write(WithState(GridLevel({"F F M 1t", "2T 3t 4 1lt", "3 2b 2t 2"}),
                                              "min=\"0\" max=\"100\" pos=\"50\" delta=\"-1\" delay=\"1000000\""),
                                    "First.xml");
    const std::string second = Write(WithState(GridLevel({"1 1 1 2t", "2 3t 3 3", "4 4 2 4"}),
                                               "min=\"0\" max=\"100\" pos=\"40\" delta=\"-1\" delay=\"1000000\""),
                                     "Second.xml");
    StartAndShow(first);
    FillTimeBar();
    Play({{0, 0}, {1, 0}, {2, 0}});
    ASSERT_TRUE(field.IsGoalReached());
    ASSERT_TRUE(field.IsLevelFinished());
    ASSERT_GT(field.GetStats().score, 0);
    ASSERT_GT(RunEnd(IFieldScene::kLevelFinish), 0);
    EXPECT_TRUE(field.GetLevelRecord().was_finish_move);
    field.Clear();

    scene = RecordingScene();
    StartAndShow(second);
    EXPECT_FALSE(field.IsGoalReached());
    EXPECT_FALSE(field.IsLevelFinished());
    EXPECT_FALSE(field.IsFinisherRunning());
    EXPECT_FALSE(field.IsRefillPending());
    EXPECT_EQ(field.GetMultiballSeries(), 0);
    EXPECT_TRUE(field.GetPopups().empty());
    EXPECT_EQ(field.GetEndStep(), 0);
    EXPECT_FALSE(field.GetFirstHintTimer().armed);
    EXPECT_EQ(field.GetStats().score, 0);
    EXPECT_EQ(field.GetStats().bonus_res_amount, 0);
    EXPECT_EQ(field.GetStats().bonus_res_type, 0);
    EXPECT_FALSE(field.GetStats().was_finish_move);
    EXPECT_EQ(field.GetStats().n_puzzles, 2);
    FillTimeBar();
    EXPECT_EQ(g_GameTimer.GetRemainingSeconds(), 40);
    // It plays as a level of its own: a chain breaks a layer and the level goes on.
    Play({{0, 0}, {1, 0}, {2, 0}});
    EXPECT_GT(field.GetStats().score, 0);
    EXPECT_FALSE(field.IsGoalReached());
    EXPECT_TRUE(scene.cross_states_asked.empty());
}

// A finisher chain clears the field only once the chain's own refill has brought it to rest, so
// that no cell is cleared under a sliding ball.
TEST_F(LevelLife, TheFinisherClearsTheFieldAfterTheChainsRefill)
{
    Load({"F F M 1t", "2T 3t 4 1lt", "3 2b 2t 2"});
    for (const auto& [c, r] : std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 0}}) Tick(MouseAt(c, r));
    Tick(MouseAt(2, 0, false));
    ASSERT_TRUE(field.IsGoalReached());
    ASSERT_TRUE(field.IsFinisherRunning());
    int frames = 0;
    while (frames < 2000 && (field.GetBalls().HasMovingChain() || field.IsFieldBusy())) {
        EXPECT_TRUE(field.GetTiles().HasLayersLeft(Cell(2, 2)));   // untouched while the chain refills
        EXPECT_EQ(field.GetStats().n_puzzles_broke, 0);
        Tick();
        ++frames;
    }
    for (int i = 0; i < 3000 && (field.IsRefillPending() || field.IsFinisherRunning() || field.IsFieldBusy()); ++i) Tick();
    EXPECT_FALSE(field.IsFinisherRunning());
    EXPECT_EQ(field.GetStats().n_puzzles_broke, field.GetStats().n_puzzles);
    EXPECT_EQ(field.GetTiles().GetTotalLeft(), 0);
    EXPECT_TRUE(field.IsLevelFinished());
}

TEST_F(LevelLife, ShowAndHideRunOnceAndLeavingALevelHidesIt)
{
    const std::string path = Write(WithState(GridLevel({"1 1 1t 2", "2 3 4 3"}), "min=\"0\" max=\"100\" pos=\"50\" delta=\"-1\""));
    field.StartLevel(path, false);
    ScopedSounds sounds_of_show;
    field.ShowField();
    field.ShowField();
    auto played = sounds_of_show.Played();
    EXPECT_EQ(std::count(played.begin(), played.end(), "PlaySample field_start"), 1);
    for (int i = 0; i < 200 && field.GetAppearer().IsRunning(); ++i) Tick();
    ASSERT_FALSE(field.GetAppearer().IsRunning());

    // Left unfinished: the field is hidden and the input dropped.
    Tick(MouseAt(0, 0));
    ASSERT_TRUE(field.GetChain().IsStarted());
    ASSERT_TRUE(field.StepHideField(true));
    EXPECT_FALSE(field.GetChain().IsStarted());
    int steps = 0;
    while (steps < 500 && field.StepHideField(false)) {
        Tick();
        ++steps;
    }
    EXPECT_LT(steps, 500);
    EXPECT_FALSE(field.IsFieldShown());
    EXPECT_FALSE(field.GetAppearer().IsRunning());
    played = sounds_of_show.Played();
    EXPECT_EQ(std::count(played.begin(), played.end(), "PlaySample field_over"), 1);
    field.HideField();   // hidden already: nothing
    played = sounds_of_show.Played();
    EXPECT_EQ(std::count(played.begin(), played.end(), "PlaySample field_over"), 0);
}

// ---- save and restore

class SavedLevel : public LevelLife {
protected:
    // A level played a little: a chain made, a tile broken, 12 345 ms on its stopwatch.
    FieldSaveRecord PlayAndSave(FieldSaveRecord& record)
    {
        path = Write(WithState(GridLevel({"1 1 1T 2t", "2 3lb 4 3", "3 4 2 4t"}),
                               "min=\"0\" max=\"100\" pos=\"50\" delta=\"-1\" delay=\"1000000\""));
        const uint32_t start = clock.Now();
        StartAndShow(path);
        FillTimeBar();
        Play({{0, 0}, {1, 0}, {2, 0}});
        field.AddTime(7);
        clock.Set(start + 12345);
        field.SaveGame(record);
        return record;
    }
    std::string path;
};

TEST_F(SavedLevel, ALevelSavedInProgressIsRestoredAsItWas)
{
    FieldSaveRecord saved;
    PlayAndSave(saved);
    EXPECT_TRUE(saved.exists);
    EXPECT_EQ(saved.elapsed_time, 12345);
    EXPECT_EQ(saved.remained_time, 57000);   // 50 seconds and 7 given back
    EXPECT_EQ(saved.stats.n_puzzles_broke, 1);
    const int score = field.GetStats().score;
    ASSERT_GT(score, 0);
    BallsFieldRecord balls;
    TilesFieldRecord tiles;
    field.GetBalls().Save(balls);
    field.GetTiles().Save(tiles);

    // The saved game's form keeps it whole.
    CStatistics statistics;
    statistics.FromFieldSave(saved);
    FieldSaveRecord through;
    statistics.ToFieldSave(through);
    EXPECT_EQ(Describe(through.balls), Describe(saved.balls));
    EXPECT_EQ(Describe(through.tiles), Describe(saved.tiles));
    EXPECT_EQ(through.stats, saved.stats);

    // A new field starts the same level with the game's saved record.
    user.has_saved[0] = true;
    user.saved = &through;
    CGameField restored;
    restored.StartLevel(path, false);
    BallsFieldRecord balls_again;
    TilesFieldRecord tiles_again;
    restored.GetBalls().Save(balls_again);
    restored.GetTiles().Save(tiles_again);
    EXPECT_EQ(Describe(balls_again), Describe(balls));
    EXPECT_EQ(Describe(tiles_again), Describe(tiles));
    EXPECT_EQ(restored.GetStats().score, score);
    EXPECT_EQ(restored.GetStats().n_puzzles_broke, 1);
    EXPECT_EQ(restored.GetTiles().GetTotalLeft(), field.GetTiles().GetTotalLeft());
    // The stopwatch goes on from the saved time; the bar fills to the saved time.
    clock.Advance(100);
    restored.Update();
    EXPECT_EQ(restored.GetLevelRecord().time, 12345 + 100);
    for (int i = 0; i < 500 && g_GameTimer.GetMode() != CGameTimer::tmRunning; ++i) {
        clock.Advance(16);
        g_GameTimer.Update();
    }
    EXPECT_EQ(g_GameTimer.GetRemainingSeconds(), 57);
}

TEST_F(SavedLevel, ADamagedSavedLevelIsRefusedAndTheLevelStartsAfresh)
{
    FieldSaveRecord saved;
    PlayAndSave(saved);
    const struct {
        const char* what;
        void (*damage)(FieldSaveRecord&);
        const char* reason;
    } cases[] = {
        {"saved from a bonus level", [](FieldSaveRecord& r) { r.stats.is_bonus_level = true; }, "bonus level"},
        {"another level's tile count", [](FieldSaveRecord& r) { r.stats.n_puzzles += 3; }, "tile layers"},
        {"more layers broken than there are", [](FieldSaveRecord& r) { r.stats.n_puzzles_broke = 99; }, "broken"},
        {"a negative time", [](FieldSaveRecord& r) { r.remained_time = -5; }, "negative"},
        {"a negative elapsed time", [](FieldSaveRecord& r) { r.elapsed_time = -1; }, "negative"},
        {"no ball type", [](FieldSaveRecord& r) { r.balls.types.clear(); }, "no ball type"},
        {"an unknown ball type", [](FieldSaveRecord& r) { r.balls.types.push_back(777); }, "777"},
        {"a cell outside the field", [](FieldSaveRecord& r) { r.balls.cells[0].x = 40; }, "not a cell of the field"},
        {"a cell named twice", [](FieldSaveRecord& r) { r.balls.cells[1] = r.balls.cells[0]; }, "named twice"},
        {"a cell missing", [](FieldSaveRecord& r) { r.balls.cells.pop_back(); }, "not the level's"},
        {"a wall of level 9", [](FieldSaveRecord& r) { r.balls.cells[0].wall = 9; }, "wall"},
        {"two balls in a cell", [](FieldSaveRecord& r) { r.balls.balls.push_back(r.balls.balls[0]); }, "two balls"},
        {"a ball of a type not named", [](FieldSaveRecord& r) { r.balls.balls[0].graph_type = 10; }, "does not name"},
        {"a lock of level 5", [](FieldSaveRecord& r) { r.balls.balls[0].lock = 5; }, "lock or box"},
        {"a shown layer past the stack", [](FieldSaveRecord& r) { r.tiles.cells[0].current = 8; }, "out of range"},
        {"a tile stack where there is none", [](FieldSaveRecord& r) { r.tiles.cells[0].x = 1, r.tiles.cells[0].y = 1; }, "not one of the level's"},
    };
    user.has_saved[0] = true;
    for (const auto& c : cases) {
        FieldSaveRecord damaged = saved;
        c.damage(damaged);
        user.saved = &damaged;
        zftest::LogWatch log;
        CGameField fresh;
        fresh.StartLevel(path, false);
        EXPECT_TRUE(log.Has("the saved level is damaged")) << c.what << "\n" << log.Text();
        EXPECT_TRUE(log.Has(c.reason)) << c.what << "\n" << log.Text();
        EXPECT_TRUE(log.Has("starts afresh")) << c.what;
        // The level as its file has it.
        EXPECT_EQ(fresh.GetStats().score, 0) << c.what;
        EXPECT_EQ(fresh.GetStats().n_puzzles_broke, 0) << c.what;
        EXPECT_EQ(fresh.GetTiles().GetTotalLeft(), fresh.GetStats().n_puzzles) << c.what;
    }
    // A record that does not exist is simply not there: the level starts afresh without a word.
    saved.exists = false;
    user.saved = &saved;
    zftest::LogWatch log;
    CGameField fresh;
    fresh.StartLevel(path, false);
    EXPECT_FALSE(log.Has("damaged"));
    EXPECT_EQ(fresh.GetStats().score, 0);
}

TEST_F(SavedLevel, TheSavedGamesFormTurnsBadCoordinatesIntoCellsNoFieldHolds)
{
    CStatistics statistics;
    statistics.field_saved = true;
    statistics.places.push_back({std::numeric_limits<float>::quiet_NaN(), 1.0f, false, 0});
    statistics.places.push_back({1e20f, -1e20f, true, 2});
    statistics.balls.push_back({std::numeric_limits<float>::infinity(), 2.9f, 1, 0, 0});
    statistics.cells.push_back({-1.0f, 3.5f, 2});
    FieldSaveRecord record;
    statistics.ToFieldSave(record);
    ASSERT_EQ(record.balls.cells.size(), 2u);
    EXPECT_EQ(record.balls.cells[0].x, -1);
    EXPECT_EQ(record.balls.cells[1].x, -1);
    EXPECT_EQ(record.balls.cells[1].y, -1);
    EXPECT_TRUE(record.balls.cells[1].closed);
    EXPECT_EQ(record.balls.balls[0].x, -1);
    EXPECT_EQ(record.balls.balls[0].y, 2);
    EXPECT_EQ(record.tiles.cells[0].y, 3);
    EXPECT_EQ(record.tiles.cells[0].current, 2);
}

// A bonus raised a grade by play shows the new grade's look once the field has settled.
TEST_F(LevelLife, ABonusThatRoseAGradeTakesItsNewLookWhenTheFieldSettles)
{
    Load({"1 1 1 2t", "2 3 4 3", "4 2 3 4"}, "allow_bonus_types=\"1\"");
    std::vector<BallTypeEntryPtr> types;
    field.GetBalls().ListLevelTypes(types);
    ASSERT_TRUE(std::any_of(types.begin(), types.end(), [](const BallTypeEntryPtr& t) { return t->graph_type == 10; }));
    field.GetBalls().ChangeBallType(Cell(0, 1), 10);
    user.grades[11] = 1;   // as if the chain had credited the bonus up to grade 1
    Samples();
    Play({{0, 0}, {1, 0}, {2, 0}});
    EXPECT_FALSE(field.IsRefillPending());
    field.GetBalls().ListLevelTypes(types);
    EXPECT_TRUE(std::any_of(types.begin(), types.end(), [](const BallTypeEntryPtr& t) { return t->graph_type == 11; }));
    EXPECT_FALSE(std::any_of(types.begin(), types.end(), [](const BallTypeEntryPtr& t) { return t->graph_type == 10; }));
    EXPECT_FALSE(field.GetBalls().NeedsImageChange());
    const auto samples = Samples();
    EXPECT_EQ(std::count(samples.begin(), samples.end(), "PlaySample bonus_image_change"), 1);
}

// ---- what bonuses ask of the field

TEST_F(LevelLife, HitCellHitsUpToItsPowerAndGivesTheLastHitsResult)
{
    const struct {
        const char* what;
        const char* token;
        int power;
        bool result;
        int box, lock, state, tiles_left, broke;
    } cases[] = {
        {"all six on a boxed, double locked, tiled ball: the fifth does nothing", "1Lbt", 6, false, 0, 0, gosDead, 0, 1},
        {"two: the box and one lock", "1Lbt", 2, true, 0, 1, gosDefault, 1, 0},
        {"none", "1Lbt", 0, false, 1, 2, gosDefault, 1, 0},
        {"a negative power does nothing", "1Lbt", -1, false, 1, 2, gosDefault, 1, 0},
    };
    for (const auto& c : cases) {
        Load({std::string(c.token) + " 2 3 4"});
        zftest::LogWatch log;
        EXPECT_EQ(field.HitCell(Cell(0, 0), c.power, false), c.result) << c.what;
        EXPECT_EQ(field.GetBalls().GetBoxLevel(Cell(0, 0)), c.box) << c.what;
        EXPECT_EQ(field.GetBalls().GetLockLevel(Cell(0, 0)), c.lock) << c.what;
        EXPECT_EQ(field.GetBalls().GetBallGraphState(Cell(0, 0)), c.state) << c.what;
        field.GetTiles().Update();   // a broken layer peels on the next update
        EXPECT_EQ(field.GetTiles().GetLeft(Cell(0, 0)), c.tiles_left) << c.what;
        EXPECT_EQ(field.GetStats().n_puzzles_broke, c.broke) << c.what;
        EXPECT_EQ(log.Has("Verify {power >= 0} failed"), c.power < 0) << c.what;
    }
    // A cell without a ball has its tile layers broken.
    Load({"WT 2 3 4"});
    ASSERT_FALSE(field.GetBalls().HasBall(Cell(0, 0)));
    EXPECT_TRUE(field.HitCell(Cell(0, 0), 1, false));
    EXPECT_EQ(field.GetStats().n_puzzles_broke, 1);
}

// ---- the clocks as the field drives them

TEST_F(LevelLife, TheTimeBarRunsWhileTheScenePlaysWarnsAndTakesAddedTime)
{
    StartAndShow(Write(WithState(GridLevel({"1 1 1t 2", "2 3 4 3"}), "min=\"0\" max=\"10\" pos=\"4\" delta=\"-1\" delay=\"100\"")));
    FillTimeBar();
    EXPECT_FALSE(field.GetLevelRecord().was_time_alert);
    // Paused while the scene is elsewhere, as the level's stopwatch.
    scene.state = IFieldScene::kHintShown;
    Tick();
    const float pos = g_GameTimer.GetPos();
    const int time = field.GetLevelRecord().time;
    for (int i = 0; i < 30; ++i) Tick();
    EXPECT_EQ(g_GameTimer.GetPos(), pos);
    EXPECT_EQ(field.GetLevelRecord().time, time);
    scene.state = IFieldScene::kPlaying;
    // Running down from 4 of 10 the warning comes on at once, and the record keeps the alert.
    for (int i = 0; i < 10; ++i) Tick();
    EXPECT_LT(g_GameTimer.GetPos(), pos);
    EXPECT_TRUE(g_GameTimer.IsWarningOn());
    EXPECT_TRUE(field.GetLevelRecord().was_time_alert);
    EXPECT_GT(field.GetLevelRecord().time, time);
    // Time given back by a bonus is paid out while the bar runs, half a unit per update here; at
    // most one step of the bar falls into these six frames.
    const float before = g_GameTimer.GetPos();
    field.AddTime(3);
    EXPECT_FLOAT_EQ(g_GameTimer.GetAddedTime(), 3.0f);
    for (int i = 0; i < 6; ++i) Tick();
    EXPECT_FLOAT_EQ(g_GameTimer.GetAddedTime(), 0.0f);
    EXPECT_GE(g_GameTimer.GetPos(), before + 2.0f);
    // In the level's finish the bar runs on although the scene does not play; in any other
    // cross-state it stands.
    scene.state = IFieldScene::kCrossState;
    scene.cross_state = IFieldScene::kLevelFinish;
    const float finishing = g_GameTimer.GetPos();
    for (int i = 0; i < 20; ++i) Tick();
    EXPECT_LT(g_GameTimer.GetPos(), finishing);
    scene.cross_state = 2;
    Tick();
    const float standing = g_GameTimer.GetPos();
    for (int i = 0; i < 20; ++i) Tick();
    EXPECT_EQ(g_GameTimer.GetPos(), standing);
    EXPECT_TRUE(field.GetLevelRecord().was_time_alert);
}

// A bar longer than the saved game's milliseconds can hold saves the longest time instead of an
// overflowed one.
TEST_F(LevelLife, ATimeBarTooLongForTheSavedGameSavesTheLongestTime)
{
    field.StartLevel(Write(WithState(GridLevel({"1 1 1t 2"}), "min=\"0\" max=\"1e12\" pos=\"1e12\" delta=\"-1\"")), false);
    FieldSaveRecord record;
    field.SaveGame(record);
    EXPECT_EQ(record.remained_time, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(bar.max, std::numeric_limits<int>::max());
}

TEST_F(LevelLife, ABonusLevelCountsItsMovesAndNeverAlerts)
{
    const std::string path = Write(WithState(GridLevel({"1 1 1 2", "2 3 4 3", "4 2 3 4"}, "allow_bonus_types=\"1\""), "moves=\"2\""));
    user.grades[11] = 0;
    StartAndShow(path, true);
    EXPECT_EQ(field.GetMovesLeft(), 2);
    EXPECT_EQ(panel.shown, 2);
    EXPECT_FALSE(field.IsGoalReached());
    g_GameTimer.SetWarningLevel(3);   // a warning left on by another level changes nothing here
    // Each resolved chain spends a move on the counter and its panel.
    std::vector<BallTypeEntryPtr> types;
    field.GetBalls().ListLevelTypes(types);
    int plain = 0;
    for (const auto& t : types)
        if (!t->is_bonus && !t->is_multiball && !t->is_finisher && plain == 0) plain = t->graph_type;
    for (int x = 0; x < 3; ++x) field.GetBalls().ChangeBallType(Cell(x, 0), plain);
    Play({{0, 0}, {1, 0}, {2, 0}});
    EXPECT_EQ(field.GetMovesLeft(), 1);
    EXPECT_EQ(panel.spent, 1);
    EXPECT_FALSE(field.GetLevelRecord().was_time_alert);
    FieldSaveRecord record;
    field.SaveGame(record);
    EXPECT_EQ(record.moves_left, 1);
    // The last move reaches the goal; while the panel still plays it the level is not finished.
    field.SetMovesLeft(0);
    EXPECT_TRUE(field.IsGoalReached());
    panel.animating = true;
    EXPECT_FALSE(field.IsLevelFinished());
    panel.animating = false;
    EXPECT_TRUE(field.IsLevelFinished());
    g_GameTimer.SetWarningLevel(0);

    // Without "moves" a bonus level has ten.
    field.StartLevel(Write(WithState(GridLevel({"1 1 1 2"}), ""), "Ten.xml"), true);
    EXPECT_EQ(field.GetMovesLeft(), 10);
}

TEST_F(LevelLife, LivesGainedAndLostAreCountedAndARestartKeepsAllButTheProgress)
{
    StartAndShow(Write(WithState(GridLevel({"1 1 1t 2", "2 3 4 3t"}), "min=\"0\" max=\"100\" pos=\"50\" delta=\"-1\"")));
    FillTimeBar();
    Play({{0, 0}, {1, 0}, {2, 0}});
    field.OnLivesChanged(2);
    field.OnLivesChanged(-1);
    field.OnLivesChanged(0);
    EXPECT_EQ(field.GetStats().n_lives_gain, 2);
    EXPECT_EQ(field.GetStats().n_lives_loss, 1);
    const int score = field.GetStats().score;
    ASSERT_EQ(field.GetStats().n_puzzles_broke, 1);
    // The chain is counted in the level's record.
    EXPECT_EQ(field.GetStats().n_chains, 1);
    EXPECT_EQ(field.GetStats().n_moves, 1);
    EXPECT_EQ(field.GetStats().max_chain_length, 3);
    EXPECT_EQ(field.GetStats().total_chain_score, score);
    field.RestartLevel();
    EXPECT_EQ(field.GetStats().n_puzzles_broke, 0);
    EXPECT_EQ(field.GetStats().n_moves, 0);
    EXPECT_EQ(field.GetStats().score, score);
    EXPECT_EQ(field.GetStats().n_lives_loss, 1);
    EXPECT_EQ(field.GetStats().n_puzzles, 2);
    EXPECT_EQ(field.GetTiles().GetTotalLeft(), 2);
    EXPECT_EQ(g_GameTimer.GetMode(), CGameTimer::tmFilling);
}

} // namespace

namespace {

// The game's own data: the field's marks, icons and appearing options, and every shipped level
// started, shown and ended.
class ShippedLevels : public ::testing::Test {
protected:
    ShippedLevels() : _dir(ZF_GAME_DATA_DIR), _previous_keeper(g_SoundKeeper)
    {
        g_SoundKeeper = &sounds;
        sounds.plays_start_playing = false;
        SetUpField(&user, &scene);
        g_GameTimer.BindControls(&bar, nullptr, nullptr);
        g_MovesCounter.SetPanel(&panel);
        user.available_resources = {1, 2, 3};
    }
    ~ShippedLevels() override
    {
        g_GameTimer.BindControls(nullptr, nullptr, nullptr);
        g_MovesCounter.SetPanel(nullptr);
        g_SoundQueue.Update();
        g_SoundKeeper = _previous_keeper;
        SetFieldUser(nullptr);
        SetFieldScene(nullptr);
        ResetAppearOptions();
        g_GameCfg = CGameCfg();
        g_LevelCfg = CLevelCfg();
        ReloadGraphBases();
    }
    void Tick()
    {
        clock.Advance(16);
        field.Render();
        field.Update();
        field.HandleInput(FieldMouse());
        g_GameTimer.Update();
    }

    zftest::ScopedChdir _dir;
    CRecordingSoundKeeper sounds;
    ISoundKeeper* _previous_keeper;
    zftest::FakeClock clock{5000};
    RecordingUser user;
    RecordingScene scene;
    RecordingBar bar;
    RecordingPanel panel;
    CGameField field;
};

TEST_F(ShippedLevels, EveryLevelStartsAppearsAndEnds)
{
    zftest::LogWatch log;
    field.LoadResources();
    EXPECT_FALSE(log.Has("Game field:")) << log.Text();
    EXPECT_FALSE(log.Has("AppearCfg.xml")) << log.Text();
    EXPECT_EQ(field.GetCursorName(), "default");
    EXPECT_EQ(field.GetFirstHint().GetState(), CMoveHint::E_IDLE);
    EXPECT_EQ(field.GetSpecialHint().GetState(), CMoveHint::E_IDLE);

    const struct {
        const char* path;
        bool bonus;
    } levels[] = {
        {"Levels\\E01\\L01.xml", false}, {"Levels\\E01\\L02.xml", false}, {"Levels\\E01\\L03.xml", false},
        {"Levels\\E01\\B01.xml", true},  {"Levels\\E02\\L01.xml", false}, {"Levels\\E02\\B01.xml", true},
    };
    for (const auto& level : levels) {
        scene = RecordingScene();
        zftest::LogWatch level_log;
        field.StartLevel(level.path, level.bonus);
        EXPECT_FALSE(level_log.Has("RED")) << level.path << "\n" << level_log.Text();
        ASSERT_TRUE(field.StepShowField(true)) << level.path;
        int frames = 0;
        while (frames < 2000 && field.StepShowField(false)) {
            Tick();
            ++frames;
        }
        EXPECT_LT(frames, 2000) << level.path;
        EXPECT_TRUE(field.IsFieldShown()) << level.path;
        EXPECT_EQ(field.GetTiles().GetTotalLeft(), field.GetStats().n_puzzles) << level.path;

        // The end, as if the goal were reached now.
        scene.state = IFieldScene::kCrossState;
        scene.cross_state = level.bonus ? IFieldScene::kBonusLevelFinish : IFieldScene::kLevelFinish;
        ASSERT_TRUE(field.EndLevel(true)) << level.path;
        if (level.bonus) {
            // The big popup of the first move's resources, drawn with its resource's icon.
            Tick();
            ASSERT_FALSE(field.GetPopups().empty()) << level.path;
            EXPECT_TRUE(field.GetPopups().back().icon_sprite) << level.path;
            EXPECT_TRUE(field.GetPopups().back().text) << level.path;
        }
        int steps = 0;
        while (steps < 20000 && field.EndLevel(false)) {
            Tick();
            ++steps;
        }
        EXPECT_LT(steps, 20000) << level.path;
        EXPECT_FALSE(field.IsFieldShown()) << level.path;
        field.Clear();
    }
}

} // namespace
