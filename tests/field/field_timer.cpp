// The time bar of a normal level and the moves counter of a bonus level, run forward one 16 ms
// frame at a time: filling, running down with its warnings, added time, freezing, saving and
// restoring, the drain at the level's end, and damaged "State" elements.
#include "field_play_util.h"

#include "field/timebar/field_timer.h"

#include "support/test_support.h"

#include <stdexcept>

using namespace fieldtest;

namespace {

class FakeControl : public IWarningView {
public:
    bool visible = true;
    void SetVisible(bool v) override { visible = v; }
    bool IsVisible() const override { return visible; }
};

class FakeImage : public IWarningImage {
public:
    bool visible = false;
    bool playing = false;
    int starts = 0;
    void SetVisible(bool v) override { visible = v; }
    bool IsVisible() const override { return visible; }
    void StartAnimation() override { playing = true; ++starts; }
    void FinishAnimation() override { playing = false; }
    bool IsAnimationPlaying() const override { return playing; }
};

std::string StateLevel(const std::string& state_attributes)
{
    return "<Level><State " + state_attributes + "/></Level>";
}

class TimeBar : public ::testing::Test {
protected:
    TimeBar() { timer.BindControls(&bar, &danger_off, with_image ? &danger : nullptr); }

    void Load(const std::string& attributes) { timer.Load(LevelRoot(StateLevel(attributes))); }
    // One frame: the clock moves 16 ms and the bar updates.
    void Frame()
    {
        clock.Advance(16);
        timer.Update();
    }
    // Frames until the mode changes (at most `limit`); the number run.
    int FramesUntilModeLeaves(int mode, int limit = 100000)
    {
        int n = 0;
        while (timer.GetMode() == mode && n < limit) {
            Frame();
            ++n;
        }
        return n;
    }

    bool with_image = false;
    zftest::FakeClock clock{1000};
    ScopedSounds sounds;
    RecordingBar bar;
    FakeControl danger_off;
    FakeImage danger;
    CGameTimer timer;
};

TEST_F(TimeBar, FillsToItsStartThenRunsDownWithThreeWarningLevels)
{
    Load(R"(min="0" max="100" pos="60" delta="-1" delay="1000")");
    EXPECT_EQ(timer.GetMode(), CGameTimer::tmFilling);
    EXPECT_EQ(bar.min, 0);
    EXPECT_EQ(bar.max, 100);
    EXPECT_FLOAT_EQ(timer.GetPos(), 0.0f);

    // One percent of the range per frame up to the start position, then running.
    for (int i = 1; i <= 60; ++i) {
        Frame();
        ASSERT_FLOAT_EQ(timer.GetPos(), float(i)) << i;
        ASSERT_EQ(bar.pos, i);
    }
    Frame();
    EXPECT_EQ(timer.GetMode(), CGameTimer::tmRunning);
    EXPECT_TRUE(sounds.Played().empty());

    // Then one unit a second; record where each warning level begins.
    std::vector<std::pair<int, int>> changes;   // (position, new level)
    int level = 0, warnings_sounded = 0;
    for (int frame = 0; frame < 70 * 1000 / 16 && timer.GetPos() > 0.0f; ++frame) {
        Frame();
        for (const std::string& s : sounds.Played()) warnings_sounded += s == "PlaySample time_warning";
        if (timer.GetWarningLevel() != level) {
            level = timer.GetWarningLevel();
            changes.emplace_back(int(timer.GetPos()), level);
        }
    }
    const std::vector<std::pair<int, int>> expected = {{30, 1}, {20, 2}, {10, 3}, {0, 0}};
    EXPECT_EQ(changes, expected);
    EXPECT_FLOAT_EQ(timer.GetPos(), 0.0f);
    EXPECT_EQ(timer.GetRemainingSeconds(), 0);
    // Without a danger image there is no blink: the warning sounds once, when it turns on.
    EXPECT_EQ(warnings_sounded, 1);
    EXPECT_TRUE(danger_off.visible);
}

TEST_F(TimeBar, InconsistentStatesAreMendedWithALoggedCheck)
{
    struct Case {
        const char* attributes;
        float min, max, start;
        const char* logged;
    };
    const Case cases[] = {
        {R"(min="10" max="5" pos="10" delta="-1")", 10.0f, 11.0f, 10.0f, "min_pos_ <= max_pos_ + 1.0f"},
        {R"(min="0" max="100" pos="150" delta="-1")", 0.0f, 100.0f, 100.0f, "start_pos_ <= max_pos_"},
        {R"(min="5" max="100" pos="2" delta="-1")", 5.0f, 100.0f, 5.0f, "min_pos_ <= start_pos_"},
        {R"(delta="-1")", 0.0f, 1.0f, 0.0f, nullptr},
    };
    for (const Case& c : cases) {
        zftest::LogWatch log;
        Load(c.attributes);
        EXPECT_FLOAT_EQ(timer.GetMinPos(), c.min) << c.attributes;
        EXPECT_FLOAT_EQ(timer.GetMaxPos(), c.max) << c.attributes;
        EXPECT_FLOAT_EQ(timer.GetStartPos(), c.start) << c.attributes;
        if (c.logged) {
            EXPECT_TRUE(log.Has(c.logged)) << c.attributes << "\n" << log.Text();
        } else {
            EXPECT_FALSE(log.Has("Verify")) << log.Text();
        }
    }
}

TEST_F(TimeBar, AMissingStateOrBarIsAFailedCheck)
{
    zftest::LogWatch log;
    EXPECT_THROW(timer.Load(LevelRoot("<Level/>")), std::runtime_error);
    EXPECT_TRUE(log.Has("timer_node.IsValid()"));

    CGameTimer unbound;
    try {
        unbound.Load(LevelRoot(StateLevel(R"(max="10" pos="5")")));
        FAIL() << "loaded without a bar";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "verify {time_bar_ != NULL} failed");
    }
    EXPECT_THROW(unbound.Update(), std::runtime_error);
}

TEST_F(TimeBar, AddedTimeIsPaidInChunksAndNeverBeyondTheRange)
{
    Load(R"(min="0" max="200" pos="150" delta="-1" delay="1000")");
    FramesUntilModeLeaves(CGameTimer::tmFilling);
    ASSERT_FLOAT_EQ(timer.GetPos(), 150.0f);

    // A chunk is 1 % of the maximum (2 here): 5 units take three frames, and the seconds count
    // the unpaid rest all along.
    timer.AddTime(5.0f);
    EXPECT_EQ(timer.GetRemainingSeconds(), 155);
    Frame();
    EXPECT_FLOAT_EQ(timer.GetPos(), 152.0f);
    EXPECT_EQ(timer.GetRemainingSeconds(), 155);
    Frame();
    Frame();
    EXPECT_FLOAT_EQ(timer.GetPos(), 155.0f);
    EXPECT_FLOAT_EQ(timer.GetAddedTime(), 0.0f);

    // More than the room: the bar stops at its maximum and keeps the rest.
    timer.AddTime(80.0f);
    for (int i = 0; i < 60; ++i) Frame();
    EXPECT_FLOAT_EQ(timer.GetPos(), 200.0f);
    EXPECT_NEAR(timer.GetAddedTime(), 35.0f, 1.1f);   // one running step may have made room for a chunk
    EXPECT_EQ(bar.pos, 200);

    // A frozen bar does not run down, but still pays out.
    CGameTimer& t = timer;
    t.SetFrozen(true);
    const float added = t.GetAddedTime();
    for (int i = 0; i < 3 * 1000 / 16; ++i) Frame();
    EXPECT_FLOAT_EQ(t.GetPos(), 200.0f);
    EXPECT_FLOAT_EQ(t.GetAddedTime(), added);   // no room at the top: nothing paid
    t.SetFrozen(false);
    for (int i = 0; i < 3 * 1000 / 16; ++i) Frame();
    EXPECT_LT(t.GetAddedTime(), added);         // each second's step makes room that is paid at once
    EXPECT_FLOAT_EQ(t.GetPos(), 200.0f);
}

TEST_F(TimeBar, AFrozenBarStillPaysOutAddedTime)
{
    Load(R"(min="0" max="100" pos="40" delta="-1" delay="1000")");
    FramesUntilModeLeaves(CGameTimer::tmFilling);
    timer.SetFrozen(true);
    timer.AddTime(3.0f);
    for (int i = 0; i < 5 * 1000 / 16; ++i) Frame();
    EXPECT_FLOAT_EQ(timer.GetPos(), 43.0f);
    // Pausing stops the steps as freezing does.
    timer.SetFrozen(false);
    timer.Pause(true);
    for (int i = 0; i < 5 * 1000 / 16; ++i) Frame();
    EXPECT_FLOAT_EQ(timer.GetPos(), 43.0f);
    // Resumed, the step that was due while frozen comes at once, the next a second later.
    timer.Pause(false);
    Frame();
    EXPECT_FLOAT_EQ(timer.GetPos(), 42.0f);
    for (int i = 0; i < 1100 / 16; ++i) Frame();
    EXPECT_FLOAT_EQ(timer.GetPos(), 41.0f);
}

TEST_F(TimeBar, SavedTimeRestoresTheBarAndTheExcessBecomesAddedTime)
{
    Load(R"(min="0" max="100" pos="60" delta="-1" delay="1000")");
    // While still filling, the level's time is its start, not a full bar.
    Frame();
    EXPECT_EQ(timer.SaveTime(), 60000);
    FramesUntilModeLeaves(CGameTimer::tmFilling);
    for (int i = 0; i < 2500 / 16; ++i) Frame();
    EXPECT_EQ(timer.GetRemainingSeconds(), 58);
    timer.AddTime(0.5f);
    EXPECT_EQ(timer.SaveTime(), 58000);

    struct Case {
        int saved_ms;
        float start, added;
    };
    for (const Case c : {Case{42999, 42.0f, 0.0f}, Case{130000, 100.0f, 30.0f}, Case{0, 0.0f, 0.0f}}) {
        Load(R"(min="0" max="100" pos="60" delta="-1" delay="1000")");
        timer.RestoreTime(c.saved_ms);
        EXPECT_FLOAT_EQ(timer.GetStartPos(), c.start) << c.saved_ms;
        EXPECT_FLOAT_EQ(timer.GetAddedTime(), c.added) << c.saved_ms;
        EXPECT_EQ(bar.pos, int(c.start));
        FramesUntilModeLeaves(CGameTimer::tmFilling);
        EXPECT_EQ(timer.GetRemainingSeconds(), int(c.start + c.added)) << c.saved_ms;
    }
}

TEST_F(TimeBar, TheDrainAtTheEndGivesExactlyTheRemainingTime)
{
    Load(R"(min="0" max="100" pos="100" delta="-1" delay="700")");
    FramesUntilModeLeaves(CGameTimer::tmFilling);
    for (int i = 0; i < 44; ++i) Frame();   // 704 ms: one step
    timer.AddTime(0.0f);
    sounds.Played();
    const float before = timer.GetPos();
    ASSERT_FLOAT_EQ(before, 99.0f);

    timer.SetMode(CGameTimer::tmDraining);
    Frame();
    EXPECT_EQ(sounds.keeper.Calls("PlaySample"), std::vector<std::string>{"PlaySample time_left"});
    const int frames = FramesUntilModeLeaves(CGameTimer::tmDraining);
    EXPECT_EQ(frames, 99);   // 1 % of the range per frame, then the stop
    EXPECT_EQ(sounds.keeper.Calls("StopSample").size(), 1u);   // the time-left sound ends with the drain
    EXPECT_EQ(timer.GetMode(), CGameTimer::tmStopped);
    EXPECT_FLOAT_EQ(timer.GetPos(), 0.0f);
    EXPECT_FLOAT_EQ(timer.GetDrained(), before);
    EXPECT_EQ(bar.pos, 0);

    // A fraction of a step left over is drained too, to the unit.
    Load(R"(min="0" max="150" pos="37.3" delta="-1")");
    FramesUntilModeLeaves(CGameTimer::tmFilling);
    timer.SetMode(CGameTimer::tmDraining);
    FramesUntilModeLeaves(CGameTimer::tmDraining);
    EXPECT_FLOAT_EQ(timer.GetDrained(), 37.3f);
}

TEST_F(TimeBar, ABarThatDoesNotCountDownStillFillsAndDrainsToAnEnd)
{
    for (const char* delta : {"0", "2"}) {
        zftest::LogWatch log;
        Load(std::string(R"(min="0" max="50" pos="20" delay="1000" delta=")") + delta + "\"");
        EXPECT_TRUE(log.Has("does not count down")) << delta;
        EXPECT_LT(FramesUntilModeLeaves(CGameTimer::tmFilling, 1000), 1000) << delta;
        EXPECT_FLOAT_EQ(timer.GetPos(), 20.0f);
        timer.SetMode(CGameTimer::tmDraining);
        EXPECT_LT(FramesUntilModeLeaves(CGameTimer::tmDraining, 1000), 1000) << delta;
    }
}

class TimeBarWithImage : public TimeBar {
protected:
    TimeBarWithImage()
    {
        with_image = true;
        timer.BindControls(&bar, &danger_off, &danger);
    }
};

TEST_F(TimeBarWithImage, AWarningBlinksTheDangerImageAtItsLevelsPeriod)
{
    Load(R"(min="0" max="100" pos="25" delta="-1" delay="1000")");
    FramesUntilModeLeaves(CGameTimer::tmFilling);
    sounds.Played();
    for (int i = 0; i < 1000 / 16 + 1; ++i) Frame();   // one step: 24 %, level 1
    ASSERT_EQ(timer.GetWarningLevel(), 1);
    EXPECT_TRUE(danger.visible);
    EXPECT_FALSE(danger_off.visible);
    EXPECT_EQ(danger.starts, 1);
    EXPECT_EQ(sounds.Played(), std::vector<std::string>{"PlaySample time_warning"});

    // The blink ends with the animation; the next one comes after the level's period.
    danger.playing = false;
    Frame();
    EXPECT_FALSE(danger.visible);
    EXPECT_TRUE(danger_off.visible);
    timer.SetFrozen(true);
    for (int i = 0; i < 9000 / 16; ++i) Frame();
    EXPECT_EQ(danger.starts, 1);
    for (int i = 0; i < 1100 / 16; ++i) Frame();
    EXPECT_EQ(danger.starts, 2);
    EXPECT_TRUE(danger.visible);

    // Stopping turns the warning off and the image with it.
    timer.SetMode(CGameTimer::tmStopped);
    EXPECT_FALSE(timer.IsWarningOn());
    EXPECT_FALSE(danger.playing);
    EXPECT_FALSE(danger.visible);
    EXPECT_TRUE(danger_off.visible);
}

class RecordingPanel : public IMoverPanel {
public:
    std::vector<std::string> calls;
    void ExplodeBody(int moves) override { calls.push_back("explode " + std::to_string(moves)); }
    void SpendMove() override { calls.push_back("spend"); }
    void GetBodyMiddlePos(float& x, float& y) const override { x = 300.0f, y = 550.0f; }
};

TEST(MovesCounter, CountsTheMovesOfABonusLevelDownToZero)
{
    CMovesCounter counter;
    float x = -1.0f, y = -1.0f;
    counter.GetBodyPos(x, y);
    EXPECT_EQ(x, 0.0f);
    counter.Load(LevelRoot(StateLevel(R"(max="10")")));
    EXPECT_EQ(counter.GetTotalMoves(), 10);

    RecordingPanel panel;
    counter.SetPanel(&panel);
    counter.Load(LevelRoot(StateLevel(R"(moves="3")")));
    for (int i = 0; i < 5; ++i) counter.SpendMove();
    EXPECT_EQ(counter.GetRemainingMoves(), 0);
    EXPECT_EQ(counter.GetTotalMoves(), 3);
    counter.RestoreMoves(2);
    EXPECT_EQ(counter.SaveMoves(), 2);
    const std::vector<std::string> expected = {"explode 3", "spend", "spend", "spend", "explode 2"};
    EXPECT_EQ(panel.calls, expected);
    counter.GetBodyPos(x, y);
    EXPECT_EQ(y, 550.0f);
    EXPECT_THROW(counter.Load(LevelRoot("<Level/>")), std::runtime_error);
}

} // namespace

namespace {

// Random play against the bar: frames of random length, added time, freezing and pausing in any
// order. The bar never leaves its range, shows where it is once running, and the seconds left never grow
// except by added time.
TEST_F(TimeBar, RandomPlayKeepsTheBarInsideItsRange)
{
    RandomSeed(20261210);
    for (int run = 0; run < 20; ++run) {
        const int max = RandomInt(5, 300);
        const int pos = RandomInt(1, max);
        Load("min=\"0\" max=\"" + std::to_string(max) + "\" pos=\"" + std::to_string(pos) +
             "\" delta=\"-1\" delay=\"" + std::to_string(RandomInt(100, 1500)) + "\"");
        int last_seconds = timer.GetRemainingSeconds();
        for (int step = 0; step < 2000; ++step) {
            bool gave = false;
            switch (RandomInt(0, 20)) {
            case 0: timer.AddTime(RandomFloat(0.0f, 40.0f)); gave = true; break;
            case 1: timer.SetFrozen(!timer.IsFrozen()); break;
            case 2: timer.Pause(RandomInt(0, 1) == 1); break;
            default: break;
            }
            clock.Advance(uint32_t(RandomInt(1, 60)));
            timer.Update();
            const float p = timer.GetPos();
            ASSERT_GE(p, timer.GetMinPos()) << run << "/" << step;
            ASSERT_LE(p, timer.GetMaxPos()) << run << "/" << step;
            ASSERT_GE(timer.GetAddedTime(), 0.0f);
            const int seconds = timer.GetRemainingSeconds();
            if (timer.GetMode() == CGameTimer::tmRunning) {
                ASSERT_EQ(bar.pos, int(p)) << run << "/" << step;
                if (!gave) {
                    ASSERT_LE(seconds, last_seconds) << run << "/" << step;
                }
            }
            last_seconds = seconds;
        }
        timer.Pause(false);
        timer.SetFrozen(false);
    }
}

} // namespace
