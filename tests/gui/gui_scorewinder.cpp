// Result figures: counters and times counted up in fifty frames into dialog labels, texts, groups
// that start and finish together, and the delay timer.
#include "gui/gui_test_util.h"

#include "gui/gui_scorewinder.h"

#include <string>
#include <vector>

using namespace guitest;
using namespace ScoreWinder;

namespace {

class ScoreWinderTest : public ::testing::Test {
protected:
    // A label of the game's texts with one parameter ("%d" or "%s") or two ("%s|+%d").
    std::shared_ptr<CMenuLabel> NewLabel(const char* caption)
    {
        return Make<CMenuLabel>(std::string(R"(<Control type="LABEL" id="L" caption=")") + caption + "\"/>", &receiver);
    }
    static std::string Text(const std::shared_ptr<CMenuLabel>& label)
    {
        label->GetLabel().Rebuild();
        return label->GetLabel().GetText();
    }
    // What the label shows after each of the frames.
    static std::vector<std::string> Run(CBaseElement& element, const std::shared_ptr<CMenuLabel>& label, int frames)
    {
        std::vector<std::string> shown;
        for (int i = 0; i < frames; ++i) {
            element.Step();
            shown.push_back(Text(label));
        }
        return shown;
    }

    GuiEnvironment env{kCatalogue};
    RecordingReceiver receiver;
};

TEST_F(ScoreWinderTest, CountersAndTimesCountInFiftyFramesToTheirExactEnd)
{
    struct Case {
        bool time;
        int from, to;
        const char* first;   // shown after the first frame
        const char* end;     // shown from frame 50 on
    };
    const Case cases[] = {
        {false, 0, 1000, "20", "1000"},
        {false, 250, 100, "247", "100"},              // counts down by 3
        {false, 0, 7, "0", "7"},                      // fractions shown truncated
        {true, 0, 125000, "0:02", "2:05"},
        {true, 0, 3725000, "1:14", "1:02:05"},        // an hour, two minutes and five seconds
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.from << " -> " << c.to);
        auto caption = NewLabel("Stats_your_time");
        auto value = NewLabel(c.time ? "Stats_time" : "Stats_amount");
        std::shared_ptr<CCounterElement> element =
            c.time ? std::make_shared<CTimeElement>(c.from, c.to, caption, value)
                   : std::make_shared<CCounterElement>(c.from, c.to, caption, value);
        // Built presented, hidden and not started, showing its start.
        EXPECT_TRUE(element->IsPresented());
        EXPECT_FALSE(element->IsStarted());
        EXPECT_FALSE(caption->IsVisible());
        EXPECT_FALSE(value->IsVisible());
        EXPECT_EQ(Text(value), c.time ? "0:00" : std::to_string(c.from));

        element->Show(true);
        element->Start(true);
        EXPECT_TRUE(caption->IsVisible() && value->IsVisible());
        const std::vector<std::string> shown = Run(*element, value, 53);
        EXPECT_EQ(shown.front(), c.first);
        for (int frame = 1; frame < 50; ++frame) EXPECT_NE(shown[size_t(frame - 1)], c.end) << "frame " << frame;
        for (size_t i = 49; i < shown.size(); ++i) EXPECT_EQ(shown[i], c.end);
        EXPECT_TRUE(element->IsDone());
    }
    // The counter's steps in between are even: 20, 40, ..., 980.
    auto value = NewLabel("Stats_amount");
    CCounterElement counter(0, 1000, nullptr, value);
    counter.Show(true);
    counter.Start(true);
    const std::vector<std::string> shown = Run(counter, value, 50);
    for (int frame = 1; frame <= 50; ++frame) EXPECT_EQ(shown[size_t(frame - 1)], std::to_string(20 * frame));
}

TEST_F(ScoreWinderTest, OnlyAShownAndStartedCounterMovesAndSoundsWhileItMoves)
{
    auto value = NewLabel("Stats_amount");
    CCounterElement counter(10, 60, nullptr, value);
    counter.Show(true);
    env.sound.Clear();
    EXPECT_EQ(Run(counter, value, 80), std::vector<std::string>(80, "10")) << "shown, never started";
    EXPECT_FALSE(counter.IsDone());
    EXPECT_TRUE(env.sound.Calls("PlaySample").empty());

    // Hidden after it was built, a started counter still counts.
    auto other = NewLabel("Stats_amount");
    CCounterElement hidden(10, 60, nullptr, other);
    hidden.Start(true);
    hidden.Step();
    EXPECT_EQ(Text(other), "11");
    EXPECT_FALSE(other->IsVisible());
    env.sound.Clear();

    // Counting asks for "int_label_counter"; the request is not repeated while it still sounds.
    counter.Start(true);
    Run(counter, value, 50);
    EXPECT_EQ(env.sound.Calls("PlaySample"), std::vector<std::string>{"PlaySample int_label_counter"});
    EXPECT_TRUE(counter.IsDone());

    // A counter with nothing to count is done at once.
    CCounterElement same(5, 5, nullptr, value);
    EXPECT_TRUE(same.IsDone());
}

TEST_F(ScoreWinderTest, TextIsDoneAtOnceAndATwoParameterLabelKeepsItsLeadingText)
{
    auto name = NewLabel("Stats_best_name");
    CStringElement text("Anna", nullptr, name);
    EXPECT_TRUE(text.IsDone());
    EXPECT_FALSE(name->IsVisible());
    text.Show(true);
    text.Start(true);
    text.Step();
    EXPECT_EQ(Text(name), "by Anna");
    EXPECT_TRUE(name->IsVisible());

    // "%s|+%d": the dialog writes the leading text, the counter only the figure after it.
    auto amount = NewLabel("Resources_amount");
    CCounterElement counter(0, 50, nullptr, amount);
    EXPECT_EQ(Text(amount), "|+0");
    amount->GetLabel().SetParams(CParamValue(std::string("x2")), CParamValue(0));
    counter.Show(true);
    counter.Start(true);
    Run(counter, amount, 50);
    EXPECT_EQ(Text(amount), "x2|+50");

    // A label that went away with its dialog is simply not written.
    auto gone = NewLabel("Stats_amount");
    CCounterElement orphan(0, 10, gone, gone);
    gone.reset();
    orphan.Show(true);
    orphan.Start(true);
    for (int i = 0; i < 60; ++i) orphan.Step();
    EXPECT_TRUE(orphan.IsDone());
}

TEST_F(ScoreWinderTest, GroupStartsShowsAndFinishesItsElementsTogether)
{
    CGroup empty;
    EXPECT_TRUE(empty.IsStarted());
    EXPECT_TRUE(empty.IsDone());
    empty.StartAll();
    empty.Step();

    auto a = NewLabel("Stats_amount");
    auto b = NewLabel("Stats_amount");
    auto t = NewLabel("Stats_best_name");
    CGroup group;
    auto fast = std::make_shared<CCounterElement>(0, 0, nullptr, a);
    auto slow = std::make_shared<CCounterElement>(0, 100, nullptr, b);
    group.Add(fast);
    group.Add(slow);
    group.Add(std::make_shared<CStringElement>("x", nullptr, t));
    group.Add(nullptr);
    EXPECT_EQ(group.GetElements().size(), 3u);
    EXPECT_FALSE(group.IsStarted());
    EXPECT_FALSE(group.IsDone());

    group.Show(true);
    EXPECT_TRUE(a->IsVisible() && b->IsVisible() && t->IsVisible());
    group.Show(false);
    EXPECT_FALSE(a->IsVisible() || b->IsVisible() || t->IsVisible());

    slow->Start(true);
    EXPECT_FALSE(group.IsStarted()) << "one element not started";
    group.StartAll();
    EXPECT_TRUE(group.IsStarted());
    EXPECT_TRUE(a->IsVisible() && b->IsVisible() && t->IsVisible());
    for (int frame = 1; frame <= 50; ++frame) {
        EXPECT_FALSE(group.IsDone()) << frame;
        group.Step();
    }
    EXPECT_TRUE(group.IsDone());
    EXPECT_EQ(Text(b), "100");
}

TEST(DelayTimer, RealTimeFramesAndNever)
{
    zftest::FakeClock clock(0xFFFFFF00u);   // the clock wraps during the wait
    CDelayTimer never;
    EXPECT_FALSE(never.IsElapsed()) << "never started";

    const struct {
        int mode;
        uint32_t period;
        uint32_t ms_before, ms_after;   // clock advances before and after the limit
        int ticks_before, ticks_after;
    } cases[] = {
        {CDelayTimer::dmRealTime, 500, 499, 1, 1000, 0},
        {CDelayTimer::dmNever, 0, 100000, 0, 1000, 0},
        {CDelayTimer::dmFrames, 3, 100000, 0, 2, 1},
        {7, 0, 0, 0, 0, 0},   // every other mode counts frames
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        CDelayTimer timer;
        timer.Start(c.mode, c.period);
        clock.Advance(c.ms_before);
        for (int i = 0; i < c.ticks_before; ++i) timer.Tick();
        if (c.mode == CDelayTimer::dmNever) {
            EXPECT_FALSE(timer.IsElapsed());
            continue;
        }
        if (c.period > 0) {
            EXPECT_FALSE(timer.IsElapsed());
        }
        clock.Advance(c.ms_after);
        for (int i = 0; i < c.ticks_after; ++i) timer.Tick();
        EXPECT_TRUE(timer.IsElapsed());
    }
}

} // namespace
