// The scene base: results, pacing on a settable clock, activation and key messages.
#include <gtest/gtest.h>

#include <functional>

#include "core_test_util.h"
#include "support/test_support.h"
#include "engine/base/engine_log.h"
#include "engine/core/engine_scene_internal.h"
#include "support/recording_engine.h"

using namespace coretest;

namespace {

class TestScene : public AScene {
public:
    explicit TestScene(zftest::FakeClock& clock) : AScene("Test"), _clock(clock) {}

    std::function<void(TestScene&)> on_enter, on_frame, on_after;
    std::vector<std::string> calls;
    std::vector<uint32_t> frame_starts;
    std::vector<float> frame_times;
    std::vector<int> keys;
    int frames = 0;
    int attempts = 0;

    void Enter() override { calls.push_back("Enter"); if (on_enter) on_enter(*this); }
    void Leave() override { calls.push_back("Leave"); }
    void PostFrame() override { calls.push_back("PostFrame"); }
    void OnKeyDown(int vk) override { keys.push_back(vk); }
    void AfterFrame() override { ++attempts; if (on_after) on_after(*this); }
    void Frame() override
    {
        ++frames;
        calls.push_back("Frame");
        frame_starts.push_back(_clock.Now());
        frame_times.push_back(g_EngineCore->GetFrameTime());
        if (on_frame) on_frame(*this);
    }
    bool Init() override { return true; }

    int Count(const std::string& call) const { return int(std::count(calls.begin(), calls.end(), call)); }

private:
    zftest::FakeClock& _clock;
};

void PushQuit()
{
    SDL_Event e {};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}

class SceneBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseHeadlessEnvironment();
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        // Waiting advances the settable clock instead of sleeping.
        _old_wait = SetSceneWaitFunction([this](SDL_Event& e, uint32_t ms) {
            ++waits;
            if (on_wait) on_wait();
            clock.Advance(ms);
            return SDL_PollEvent(&e) != 0;
        });
    }
    void TearDown() override
    {
        SetSceneWaitFunction(_old_wait);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }

    zftest::FakeClock clock{1000};
    RecordingEngine engine;
    int waits = 0;
    std::function<void()> on_wait;

private:
    SceneWaitFunction _old_wait;
};

} // namespace

TEST_F(SceneBase, ResultsEndTheRunAsTheirMeaningSays)
{
    struct Case {
        const char* name;
        std::function<void(TestScene&)> on_enter, on_frame;
        int result;
        int frames;
        bool left;
    } cases[] = {
        {"failure in Enter", [](TestScene& s) { s.SetResult(srFailure); }, nullptr, srFailure, 0, false},
        {"next scene", nullptr,
         [](TestScene& s) { if (s.frames == 2) { s.SetNextScene("Menu"); s.SetTransition(3); s.SetResult(srNextScene); } },
         srNextScene, 2, true},
        {"quit requested", nullptr, [](TestScene& s) { if (s.frames == 1) s.SetResult(srQuit); }, srQuit, 0, true},
        {"window closed", [](TestScene&) { PushQuit(); }, nullptr, srWindowClosed, 0, true},
        {"window closed while running", nullptr, [](TestScene& s) { if (s.frames == 3) PushQuit(); },
         srWindowClosed, 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestScene scene(clock);
        scene.on_enter = c.on_enter;
        scene.on_frame = c.on_frame;
        EXPECT_EQ(scene.Run(), c.result);
        if (c.result != srQuit) {
            EXPECT_EQ(scene.frames, c.frames);
        }
        EXPECT_EQ(scene.Count("Leave"), c.left ? 1 : 0);
        if (c.result == srNextScene) {
            EXPECT_EQ(scene.GetNextScene(), "Menu");
            EXPECT_EQ(scene.GetTransition(), 3);
        }
    }
}

TEST_F(SceneBase, FramesStartOnePeriodApartWithOnePostFrameBetween)
{
    TestScene scene(clock);
    scene.on_frame = [&](TestScene& s) {
        clock.Advance(5);                              // the frame's own work
        if (s.frames == 3) clock.Advance(500);         // a stall
        if (s.frames == 20) s.SetResult(srNextScene);
    };
    ASSERT_EQ(scene.Run(), srNextScene);
    ASSERT_EQ(scene.frame_starts.size(), 20u);
    for (size_t i = 1; i < scene.frame_starts.size(); ++i) {
        const uint32_t gap = scene.frame_starts[i] - scene.frame_starts[i - 1];
        if (i == 3) EXPECT_EQ(gap, 505u);
        else EXPECT_EQ(gap, 16u) << "frame " << i;
    }
    // The stalled frame advances animations by one period only.
    EXPECT_FLOAT_EQ(scene.frame_times[3], 0.016f);
    EXPECT_FLOAT_EQ(scene.frame_times[5], 0.016f);
    // Enter, then Frame and PostFrame alternate (the last frame ends the run before its PostFrame).
    std::vector<std::string> expected {"Enter"};
    for (int i = 0; i < 20; ++i) {
        expected.push_back("Frame");
        if (i < 19) expected.push_back("PostFrame");
    }
    expected.push_back("Leave");
    EXPECT_EQ(scene.calls, expected);
    EXPECT_EQ(engine.presents, 20);
    EXPECT_EQ(engine.clears, std::vector<uint32_t>(20, 0u)) << "BeginDraw clears to black";
    EXPECT_GT(waits, 0) << "the loop waits instead of spinning";
}

TEST_F(SceneBase, FrameTimeIsElapsedSecondsOrOnePeriodAfterAStall)
{
    TestScene scene(clock);
    struct Case { uint32_t elapsed, period; float seconds; } cases[] = {
        {16, 16, 0.016f}, {200, 16, 0.2f}, {201, 16, 0.016f}, {500, 16, 0.016f}, {500, 0, 0.01f}, {0, 16, 0.0f},
    };
    for (const auto& c : cases) {
        scene.SetFrameTime(c.elapsed, c.period);
        EXPECT_FLOAT_EQ(engine.GetFrameTime(), c.seconds) << c.elapsed << " / " << c.period;
    }
}

TEST_F(SceneBase, LostDeviceDrawsNothingAndCallsNoPostFrame)
{
    engine.begin_frame_result = false;
    TestScene scene(clock);
    scene.on_after = [](TestScene& s) { if (s.attempts == 5) s.SetResult(srNextScene); };
    EXPECT_EQ(scene.Run(), srNextScene);
    EXPECT_EQ(scene.frames, 0);
    EXPECT_EQ(scene.Count("PostFrame"), 0);
    EXPECT_TRUE(engine.clears.empty());
    EXPECT_EQ(engine.presents, 0);
}

TEST_F(SceneBase, InactiveSceneSleepsAndIgnoresKeysUntilActivated)
{
    TestScene scene(clock);
    uint32_t activated_at = 0;
    int inactive_waits = 0;
    on_wait = [&] {
        if (!scene.IsActive() && ++inactive_waits == 3) {
            activated_at = clock.Now();
            PostActivationMessage(true);
        }
    };
    scene.on_enter = [](TestScene&) {
        PostActivationMessage(false);
        PushKey(SDL_SCANCODE_A, true);                     // while inactive: not delivered
    };
    scene.on_frame = [](TestScene& s) {
        if (s.frames == 2) PushKey(SDL_SCANCODE_B, true);
        if (s.frames == 4) s.SetResult(srNextScene);
    };
    ASSERT_EQ(scene.Run(), srNextScene);
    EXPECT_EQ(engine.activations, (std::vector<bool>{false, true}));
    EXPECT_EQ(scene.keys, (std::vector<int>{'B'}));
    ASSERT_FALSE(scene.frame_starts.empty());
    EXPECT_GE(scene.frame_starts.front(), activated_at) << "no frame while inactive";
    EXPECT_TRUE(scene.IsActive());

    const std::string log = zftest::ReadLog();
    EXPECT_NE(log.find("Switch active to false"), std::string::npos);
    EXPECT_NE(log.find("Switch active to true"), std::string::npos);
}

TEST_F(SceneBase, KeyMessagesCarryVirtualKeysAndSkipSystemKeys)
{
    TestScene scene(clock);
    scene.on_enter = [](TestScene&) {
        PushKey(SDL_SCANCODE_ESCAPE, true);
        PushKey(SDL_SCANCODE_RETURN, true);
        PushKey(SDL_SCANCODE_BACKSPACE, true);
        PushKey(SDL_SCANCODE_F1, true);
        PushKey(SDL_SCANCODE_LALT, true);
        PushKey(SDL_SCANCODE_RETURN, true, KMOD_LALT);     // Alt+Enter belongs to the engine
        PushKey(SDL_SCANCODE_F10, true);
        PushKey(SDL_SCANCODE_KP_ENTER, true);
    };
    scene.on_frame = [](TestScene& s) { s.SetResult(srNextScene); };
    scene.Run();
    EXPECT_EQ(scene.keys, (std::vector<int>{27, 13, 8, 112, 13}));
}

TEST_F(SceneBase, ActiveFlagSurvivesRunsAndEachRunStartsAtZero)
{
    TestScene scene(clock);
    EXPECT_TRUE(scene.IsActive());
    EXPECT_EQ(scene.GetTransition(), -1);
    EXPECT_EQ(scene.GetAlias(), "Test");
    scene.SetActive(false);
    scene.SetResult(srFailure);
    bool saw_zero = false;
    scene.on_enter = [&](TestScene& s) {
        saw_zero = s.GetResult() == srRunning;
        EXPECT_FALSE(s.IsActive());
        s.SetResult(srNextScene);
    };
    EXPECT_EQ(scene.Run(), srNextScene);
    EXPECT_TRUE(saw_zero);
    EXPECT_FALSE(scene.IsActive());
}

TEST_F(SceneBase, QuitRequestedWhileInactiveStillEnds)
{
    TestScene scene(clock);
    scene.on_enter = [](TestScene& s) {
        PostActivationMessage(false);
        s.SetResult(srRunning);
    };
    on_wait = [&] { if (!scene.IsActive() && scene.GetResult() == srRunning) scene.SetResult(srQuit); };
    EXPECT_EQ(scene.Run(), srQuit);
    EXPECT_EQ(scene.frames, 0);
}

// A loop that never waits would spin on the settable clock for ever: the clock stops it at once.
TEST_F(SceneBase, ALoopThatSpinsOnTheSettableClockFailsAtOnce)
{
    SetSceneWaitFunction([](SDL_Event& e, uint32_t) { return SDL_PollEvent(&e) != 0; });  // time stands still
    TestScene scene(clock);
    const uint32_t started = SDL_GetTicks();
    EXPECT_THROW(scene.Run(), zftest::ClockStandsStill);
    EXPECT_LT(SDL_GetTicks() - started, 5000u);
}

// SDL's waits return at once while its event queue is down; the loop must still sleep between
// frames rather than spin. Counted by the clock reads of the loop: a few per frame when it sleeps.
TEST(SceneWait, SleepsBetweenFramesAlsoWithoutAnEventQueue)
{
    if (SDL_WasInit(SDL_INIT_EVENTS)) GTEST_SKIP() << "another test of this process runs the event queue";
    RecordingEngine engine;
    int reads = 0;
    const zf::ClockSource old = zf::SetClockSource([&] {
        ++reads;
        return uint32_t(SDL_GetTicks());
    });
    class Scene : public AScene {
    public:
        Scene() : AScene("Idle") {}
        int frames = 0;
        void Frame() override { if (++frames == 5) SetResult(srNextScene); }
        bool Init() override { return true; }
    } scene;
    EXPECT_EQ(scene.Run(), srNextScene);
    zf::SetClockSource(old);
    EXPECT_LT(reads, 5 * 20) << "the loop spins";
}

// ---- cross-states

namespace {

// A scene with three cross-states: 7 ends by SetState(5), 8 waits two frames and hands over to 7,
// 9 refuses to start from any state but 3 (back to the previous state).
class CrossScene : public AScene {
public:
    CrossScene() : AScene("Cross")
    {
        RegisterCrossState(7, "crsSeven", [this](bool start) {
            trace.push_back(start ? "7 start" : "7 step");
            if (!start) SetState(5);
        });
        RegisterCrossState(8, "crsEight", [this](bool start) {
            trace.push_back(start ? "8 start" : "8 step");
            int& stage = Stage(8);
            if (start) {
                stage = 1;
                return;
            }
            if (++stage < 3) return;
            stage = 0;
            EndCrossState();
            StartCrossState(7);
        });
        RegisterCrossState(9, "crsNine", [this](bool start) {
            if (start && GetPrevState() != 3) SetState(GetPrevState());
        });
    }
    void Frame() override {}
    bool Init() override { return true; }
    void Put(int state) { SetState(state); }
    std::vector<std::string> trace;
    std::vector<int> cursors;

protected:
    void OnCrossStateStart(int id) override { cursors.push_back(id); }
};

} // namespace

TEST(CrossStates, StartStepAndEndFollowTheStateRules)
{
    struct Case {
        int state_before;
        int start_id;
        int frames;
        int state_after, cross_after, prev_after;
        std::vector<std::string> trace;
    };
    const Case cases[] = {
        // Starting keeps the previous state; the step ends in state 5.
        {3, 7, 1, 5, 0, 3, {"7 start", "7 step"}},
        {3, 7, 0, 1, 7, 3, {"7 start"}},
        // A cross-state that hands over to another: the previous state stays the one before both.
        {4, 8, 1, 1, 8, 4, {"8 start", "8 step"}},
        {4, 8, 3, 5, 0, 4, {"8 start", "8 step", "8 step", "7 start", "7 step"}},
        // Id 0 and unknown ids start nothing.
        {3, 0, 1, 3, 0, 0, {}},
        {3, 42, 1, 3, 0, 0, {}},
        // A state function entered from a state it does not accept returns there at once.
        {4, 9, 0, 4, 0, 4, {}},
        {3, 9, 0, 1, 9, 3, {}},
    };
    zftest::LogWatch logs;
    for (const Case& c : cases) {
        CrossScene scene;
        scene.Put(c.state_before);
        scene.StartCrossState(c.start_id);
        for (int i = 0; i < c.frames; ++i) scene.StepCrossState();
        SCOPED_TRACE(::testing::Message() << "from " << c.state_before << " start " << c.start_id);
        EXPECT_EQ(scene.GetState(), c.state_after);
        EXPECT_EQ(scene.GetCrossState(), c.cross_after);
        EXPECT_EQ(scene.GetPrevState(), c.prev_after);
        EXPECT_EQ(scene.trace, c.trace);
    }
}

TEST(CrossStates, AStartWhileOneRunsIsIgnoredAndSetStateIgnoresZeroAndTheSameState)
{
    CrossScene scene;
    scene.Put(3);
    scene.StartCrossState(8);
    scene.StartCrossState(7);
    EXPECT_EQ(scene.GetCrossState(), 8);
    EXPECT_EQ(scene.trace, std::vector<std::string>{"8 start"});
    EXPECT_EQ(scene.cursors, std::vector<int>{8});

    CrossScene other;
    other.Put(3);
    other.Put(4);
    EXPECT_EQ(other.GetPrevState(), 3);
    other.Put(0);
    other.Put(4);
    EXPECT_EQ(other.GetState(), 4);
    EXPECT_EQ(other.GetPrevState(), 3);
    EXPECT_STREQ(other.GetCrossStateName(8), "crsEight");
    EXPECT_EQ(other.GetStage(8), 0);
}
