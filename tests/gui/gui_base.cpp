// The control base: the hit test, the press-release-click rule, the flag setters and focus.
#include "gui/gui_test_util.h"

using namespace guitest;

namespace {

const char* const kButton = R"(<Control type="BUTTON" id="B" left="100" top="100" width="50" height="20"/>)";

struct Frame {
    int x, y;
    bool down;
    std::vector<int> keys;
};

// Runs the frames through the control's input step; gives the events of each frame, joined.
std::vector<std::string> RunFrames(GuiEnvironment& env, CBaseControl& control, RecordingReceiver& receiver,
                             const std::vector<Frame>& frames)
{
    std::vector<std::string> out;
    for (const Frame& f : frames) {
        env.mouse.Frame(f.x, f.y, f.down);
        env.keyboard.Frame(f.keys);
        control.ProcessInput();
        std::string joined;
        for (const std::string& e : receiver.Take()) joined += (joined.empty() ? "" : ", ") + e;
        out.push_back(joined);
    }
    return out;
}

} // namespace

TEST(ControlBase, HitTestLeavesOutTheFirstColumnAndRowAndTheFarEdges)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto b = Make<CMenuButton>(kButton, &r);
    const struct { int x, y; bool inside; } cases[] = {
        {100, 110, false}, {101, 110, true}, {149, 110, true}, {150, 110, false},
        {120, 100, false}, {120, 101, true}, {120, 119, true}, {120, 120, false}, {99, 99, false},
    };
    for (const auto& c : cases) {
        env.mouse.Frame(c.x, c.y, false);
        EXPECT_EQ(b->IsMouseOver(), c.inside) << c.x << "," << c.y;
    }
    // A fractional position truncates the pointer's offset toward zero.
    b->SetPosition(10.5f, 10.0f);
    env.mouse.Frame(11, 15, false);
    EXPECT_FALSE(b->IsMouseOver());
    env.mouse.Frame(12, 15, false);
    EXPECT_TRUE(b->IsMouseOver());
}

TEST(ControlBase, PressReleaseClickRule)
{
    GuiEnvironment env(kCatalogue);
    const struct {
        const char* name;
        std::vector<Frame> frames;
        std::vector<std::string> events;
    } cases[] = {
        {"press and release over the button",
         {{120, 110, false, {}}, {120, 110, true, {}}, {121, 110, true, {}}, {121, 110, false, {}}},
         {"enter B", "press B", "", "release B, click B"}},
        {"press, move out, release outside",
         {{120, 110, false, {}}, {120, 110, true, {}}, {300, 300, true, {}}, {300, 300, false, {}}},
         {"enter B", "press B", "leave B", ""}},
        {"Enter presses; the mouse button going up does not release it",
         {{120, 110, false, {}}, {120, 110, false, {kEnter}}, {120, 110, true, {kEnter}}, {120, 110, false, {kEnter}},
          {120, 110, false, {}}},
         {"enter B", "press B", "", "", "release B, click B"}},
        {"a button held outside and dragged in does not press",
         {{300, 300, true, {}}, {120, 110, true, {}}, {120, 110, false, {}}},
         {"", "enter B", ""}},
        {"Enter works only while the pointer is over the button",
         {{300, 300, false, {kEnter}}, {300, 300, false, {}}},
         {"", ""}},
    };
    for (const auto& c : cases) {
        RecordingReceiver r;
        auto b = Make<CMenuButton>(kButton, &r);
        EXPECT_EQ(RunFrames(env, *b, r, c.frames), c.events) << c.name;
    }
}

// Every class reads the common attributes first: the defaults, and the values when given.
TEST(ControlBase, CommonAttributesOfEveryClass)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    for (const char* type : {"BUTTON", "PANEL", "TRACKBAR", "LABEL", "IMAGE", "LISTBOX", "EDIT", "CHECK_BOX",
                             "PROGRESS_BAR", "PAGECONTROL"}) {
        CBaseControlPtr plain = CreateControl(nullptr, &r, ControlNode(std::string("<Control type=\"") + type + "\"/>"));
        ASSERT_TRUE(plain) << type;
        EXPECT_EQ(plain->GetId(), "") << type;
        EXPECT_EQ(std::vector<float>({plain->GetX(), plain->GetY(), plain->GetWidth(), plain->GetHeight()}),
                  std::vector<float>({0, 0, 0, 0})) << type;
        EXPECT_TRUE(plain->IsVisible()) << type;
        EXPECT_TRUE(plain->IsEnabled()) << type;
        EXPECT_FALSE(plain->IsFocused()) << type;

        CBaseControlPtr set = CreateControl(nullptr, &r, ControlNode(std::string("<Control type=\"") + type +
            "\" id=\"ID_X\" left=\"12\" top=\"34\" width=\"56\" height=\"78\" enabled=\"0\" visible=\"0\"/>"));
        ASSERT_TRUE(set) << type;
        EXPECT_EQ(set->GetId(), "ID_X") << type;
        EXPECT_EQ(std::vector<float>({set->GetX(), set->GetY(), set->GetWidth(), set->GetHeight()}),
                  std::vector<float>({12, 34, 56, 78})) << type;
        EXPECT_FALSE(set->IsVisible()) << type;
        EXPECT_FALSE(set->IsEnabled()) << type;
    }
}

TEST(ControlBase, AControlWithoutReceiverWorksSilently)
{
    GuiEnvironment env(kCatalogue);
    auto b = Make<CMenuButton>(kButton, nullptr);
    RecordingReceiver none;
    RunFrames(env, *b, none, {{120, 110, false, {}}, {120, 110, true, {}}, {120, 110, false, {}}});
    EXPECT_EQ(b->GetVisualState(), vsHover);
    EXPECT_FALSE(b->IsPressed());
}

TEST(ControlBase, FlagSettersReportChangesAndFocusNeedsAVisibleEnabledControl)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto b = Make<CMenuButton>(kButton, &r);
    EXPECT_TRUE(b->IsVisible());
    EXPECT_TRUE(b->IsEnabled());
    EXPECT_FALSE(b->SetVisible(true));
    EXPECT_FALSE(b->SetEnabled(true));
    EXPECT_TRUE(b->CanFocus());

    ASSERT_TRUE(b->SetEnabled(false));
    EXPECT_FALSE(b->CanFocus());
    EXPECT_FALSE(b->SetFocus(true));
    EXPECT_FALSE(b->IsFocused());
    EXPECT_TRUE(env.mouse.warps.empty());
    b->SetEnabled(true);
    ASSERT_TRUE(b->SetVisible(false));
    EXPECT_FALSE(b->SetFocus(true));
    b->SetVisible(true);

    // Focusing a push button brings the pointer to its centre, so that hover and focus agree.
    EXPECT_TRUE(b->SetFocus(true));
    EXPECT_FALSE(b->SetFocus(true));
    ASSERT_EQ(env.mouse.warps.size(), 1u);
    EXPECT_EQ(env.mouse.warps[0], std::make_pair(125, 110));

    // Labels and panels never take the keyboard focus.
    auto label = Make<CMenuLabel>(R"(<Control type="LABEL" id="L" caption="Dlg_ok"/>)", &r);
    EXPECT_FALSE(label->CanFocus());
}

TEST(ControlBase, EnablingSwitchesTheVisualState)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto b = Make<CMenuButton>(kButton, &r);
    EXPECT_EQ(b->GetVisualState(), vsNormal);
    b->SetEnabled(false);
    EXPECT_EQ(b->GetVisualState(), vsDisabled);
    b->SetEnabled(true);
    EXPECT_EQ(b->GetVisualState(), vsNormal);
    RunFrames(env, *b, r, {{120, 110, false, {}}});
    b->SetEnabled(false);
    b->SetEnabled(true);
    EXPECT_EQ(b->GetVisualState(), vsHover);
}

// A press cut short (the button disabled or hidden under the pointer, the dialog no longer taking
// input) ends without a click; it does not fire later when the input comes back.
TEST(ControlBase, AnInterruptedPressNeverClicksLater)
{
    GuiEnvironment env(kCatalogue);
    for (int how = 0; how < 3; ++how) {
        RecordingReceiver r;
        auto b = Make<CMenuButton>(kButton, &r);
        RunFrames(env, *b, r, {{120, 110, false, {}}, {120, 110, true, {}}});
        ASSERT_TRUE(b->IsPressed());
        if (how == 0) { b->SetEnabled(false); b->SetEnabled(true); }
        if (how == 1) { b->SetVisible(false); b->SetVisible(true); }
        if (how == 2) b->CancelInput();
        EXPECT_FALSE(b->IsPressed()) << how;
        const auto events = RunFrames(env, *b, r, {{120, 110, false, {}}, {120, 110, false, {}}});
        for (const std::string& e : events) EXPECT_EQ(e.find("click"), std::string::npos) << how << ": " << e;
    }
}
