// The value winder: figures that count toward a target in a fixed number of frames.
#include "gui/gui_winder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<float> Wind(CValueWinder& winder, int frames)
{
    std::vector<float> shown;
    for (int i = 0; i < frames; ++i) {
        winder.Step();
        shown.push_back(winder.GetCurrent());
    }
    return shown;
}

} // namespace

TEST(ValueWinder, CountsInFiftyEvenStepsAndLandsExactlyOnTheTarget)
{
    struct Case {
        float from, to;
        int steps;
        int frames_to_land;   // the frame on which it lands and stops
        float first_step;
    };
    const Case cases[] = {
        {0.0f, 1000.0f, 50, 50, 20.0f},
        {250.0f, 100.0f, 50, 50, 247.0f},   // counts down by 3
        {70.0f, 70.0f, 50, 1, 70.0f},        // nothing to count: done on the first step
        {0.0f, 10.0f, 0, 1, 10.0f},          // no steps: lands at once
        {0.0f, 7.0f, 50, 50, 0.14f},         // a delta float cannot hold exactly still lands on step 50
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.from << " -> " << c.to);
        CValueWinder winder(c.from, c.to, c.steps);
        ASSERT_TRUE(winder.IsActive());
        const std::vector<float> shown = Wind(winder, c.frames_to_land + 3);
        EXPECT_FLOAT_EQ(shown.front(), c.first_step);
        for (int i = 0; i + 1 < c.frames_to_land; ++i) EXPECT_NE(shown[size_t(i)], c.to) << "frame " << i + 1;
        for (size_t i = size_t(c.frames_to_land - 1); i < shown.size(); ++i) EXPECT_EQ(shown[i], c.to);
        EXPECT_FALSE(winder.IsActive());
    }
}

TEST(ValueWinder, ARestartCountsFromWhereItIsAndFinishJumpsToTheTarget)
{
    CValueWinder winder(0.0f, 0.0f, 50);
    winder.Step();
    winder.Start(winder.GetCurrent(), 500.0f, 50);
    Wind(winder, 10);
    EXPECT_FLOAT_EQ(winder.GetCurrent(), 100.0f);
    winder.Start(winder.GetCurrent(), winder.GetTarget() + 100.0f, 50);
    EXPECT_FLOAT_EQ(winder.GetDelta(), 10.0f);
    winder.Finish();
    EXPECT_EQ(winder.GetCurrent(), 600.0f);
    EXPECT_FALSE(winder.IsActive());
}
