#include "engine/base/engine_stopwatch.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <functional>

using zftest::FakeClock;

TEST(Stopwatch, PauseAndResumeLeaveThePauseOut)
{
    FakeClock clock(1000);
    CStopwatch w;
    EXPECT_TRUE(w.IsStopped());
    EXPECT_EQ(w.GetElapsed(), 0u);
    ASSERT_TRUE(w.Start());
    clock.Advance(200);
    EXPECT_EQ(w.GetElapsed(), 200u);
    ASSERT_TRUE(w.Pause());
    clock.Advance(300);
    EXPECT_EQ(w.GetElapsed(), 200u);  // frozen while paused
    ASSERT_TRUE(w.Resume());
    clock.Advance(50);
    EXPECT_EQ(w.GetElapsed(), 250u);
    ASSERT_TRUE(w.Stop());
    clock.Advance(1000);
    EXPECT_EQ(w.GetElapsed(), 250u);
}

TEST(Stopwatch, StoppingAPausedWatchKeepsThePausedTime)
{
    FakeClock clock(0);
    CStopwatch w;
    w.Start();
    clock.Advance(100);
    w.Pause();
    clock.Advance(400);
    ASSERT_TRUE(w.Stop());
    EXPECT_EQ(w.GetElapsed(), 100u);
}

TEST(Stopwatch, TransitionsByState)
{
    FakeClock clock(500);
    using Op = std::function<bool(CStopwatch&)>;
    struct Case { const char* name; int from; Op op; bool result; int to; };
    const Op start = [](CStopwatch& w) { return w.Start(); };
    const Op pause = [](CStopwatch& w) { return w.Pause(); };
    const Op resume = [](CStopwatch& w) { return w.Resume(); };
    const Op stop = [](CStopwatch& w) { return w.Stop(); };
    const Op reset = [](CStopwatch& w) { return w.Reset(); };
    const int R = CStopwatch::swRunning, S = CStopwatch::swStopped, P = CStopwatch::swPaused;
    const Case cases[] = {
        {"start", S, start, true, R},   {"start", R, start, false, R},  {"start", P, start, false, P},
        {"pause", S, pause, false, S},  {"pause", R, pause, true, P},   {"pause", P, pause, false, P},
        {"resume", S, resume, false, S}, {"resume", R, resume, false, R}, {"resume", P, resume, true, R},
        {"stop", S, stop, false, S},    {"stop", R, stop, true, S},     {"stop", P, stop, true, S},
        {"reset", S, reset, false, S},  {"reset", R, reset, true, S},   {"reset", P, reset, true, S},
    };
    for (const Case& c : cases) {
        CStopwatch w;
        if (c.from != S) w.Start();
        if (c.from == P) w.Pause();
        ASSERT_EQ(w.GetState(), c.from);
        EXPECT_EQ(c.op(w), c.result) << c.name << " from " << c.from;
        EXPECT_EQ(w.GetState(), c.to) << c.name << " from " << c.from;
    }
}

TEST(Stopwatch, StartOnARunningWatchKeepsItsStart)
{
    FakeClock clock(0);
    CStopwatch w;
    w.Start();
    clock.Advance(70);
    EXPECT_FALSE(w.Start());
    EXPECT_EQ(w.GetElapsed(), 70u);
}

TEST(Stopwatch, DurationsStartForAndReset)
{
    FakeClock clock(0);
    CStopwatch w;
    ASSERT_TRUE(w.StartFor(500));
    EXPECT_EQ(w.GetDuration(), 500u);
    clock.Advance(499);
    EXPECT_FALSE(w.IsPassed());
    clock.Advance(1);
    EXPECT_TRUE(w.IsPassed());
    // StartFor restarts a running watch
    ASSERT_TRUE(w.StartFor(100));
    EXPECT_EQ(w.GetElapsed(), 0u);
    EXPECT_TRUE(w.IsRunning());

    EXPECT_FALSE(w.StartFor(0));
    EXPECT_TRUE(w.IsStopped());

    w.StartFor(300);
    EXPECT_TRUE(w.Reset());
    EXPECT_EQ(w.GetDuration(), 0u);
    EXPECT_TRUE(w.IsStopped());
}

TEST(Stopwatch, SetPausedContinuesFromTheGivenTime)
{
    FakeClock clock(10000);
    CStopwatch w;
    w.SetPaused(1234);
    EXPECT_TRUE(w.IsPaused());
    EXPECT_EQ(w.GetElapsed(), 1234u);
    clock.Advance(5000);
    ASSERT_TRUE(w.Resume());
    clock.Advance(6);
    EXPECT_EQ(w.GetElapsed(), 1240u);
}

TEST(Stopwatch, ClockWrapAround)
{
    FakeClock clock(0xFFFFFF00u);
    CStopwatch w;
    w.Start();
    clock.Advance(0x200);
    EXPECT_EQ(w.GetElapsed(), 0x200u);
    w.Pause();
    clock.Advance(0x100);
    w.Resume();
    clock.Advance(0x10);
    EXPECT_EQ(w.GetElapsed(), 0x210u);
}
