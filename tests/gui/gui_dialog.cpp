// Dialogs, sliding dialogs and page controls.
#include "gui/gui_test_util.h"

#include "engine/sound/engine_soundqueue.h"

#include <cmath>

using namespace guitest;

namespace {

const char* const kLayout = R"(<Dialogs><Test>
  <Control type="LABEL" id="ID_L0" caption="Dlg_ok"/>
  <Control type="BUTTON" id="ID_OK" left="100" top="100" width="80" height="30"/>
  <Control type="LABEL" id="ID_L2" caption="Dlg_ok" left="10" top="5" width="20" height="20"/>
  <Control type="BUTTON" id="ID_CANCEL" left="200" top="100" width="80" height="30"/>
  <Control type="LABEL" id="ID_L4" caption="Dlg_ok"/>
</Test></Dialogs>)";

// Writes down its hooks and sets result codes by the clicked control's id.
template <class Base>
class Recording : public Base {
public:
    using Base::Base;
    std::vector<std::string> hooks;
    bool hide_on_cancel = true;

    void OnShow(bool immediate) override { hooks.push_back(immediate ? "show!" : "show"); Base::OnShow(immediate); }
    void OnHide(bool immediate) override { hooks.push_back(immediate ? "hide!" : "hide"); Base::OnHide(immediate); }
    void OnProcessInput() override { hooks.push_back("input"); }
    void OnProcessed() override { hooks.push_back("processed"); Base::OnProcessed(); }
    void OnDraw() override { hooks.push_back("draw"); }
    void OnAfterProcess() override { hooks.push_back("after"); }
    void OnClick(CBaseControl* c) override
    {
        hooks.push_back("click " + c->GetId());
        if (c->GetId() == "ID_OK") this->SetResult(1);
        if (c->GetId() == "ID_CANCEL") {
            this->SetResult(2);
            if (hide_on_cancel) this->Hide();
        }
    }
    std::vector<std::string> Take() { auto h = std::move(hooks); hooks.clear(); return h; }
};

using TestDialog = Recording<CBaseDialog>;
using SlideDialog = Recording<CSlideableBaseDialog>;

void Load(CBaseDialog& d, const std::string& xml = kLayout) { ASSERT_TRUE(d.Load(Node(xml, "//Dialogs/Test"))); }

void Click(GuiEnvironment& env, CBaseDialog& d, int x, int y)
{
    for (bool down : {false, true, false}) {
        env.mouse.Frame(x, y, down);
        d.Process();
    }
}

} // namespace

TEST(Dialog, StateMachine)
{
    GuiEnvironment env(kCatalogue);
    enum { O = dsOpening, C = dsClosing, S = dsShown, M = dsModal };
    const struct {
        uint32_t start;
        const char* op;
        uint32_t end;
        const char* hook;
    } cases[] = {
        {0, "Show", O, "show"}, {O, "Show", O, ""}, {S | M, "Show", S | M, ""}, {C, "Show", O, "show"},
        {0, "ShowImmediately", S, "show!"}, {O | C, "ShowImmediately", S, "show!"}, {S, "ShowImmediately", S, ""},
        {S | M, "Hide", C, "hide"}, {O, "Hide", O, ""}, {0, "Hide", 0, ""},
        {O | M, "HideImmediately", 0, "hide!"}, {C, "HideImmediately", 0, "hide!"}, {0, "HideImmediately", 0, ""},
        {O, "Finish", S, ""}, {C, "Finish", 0, ""}, {O | C, "Finish", S | C, ""},
    };
    for (const auto& c : cases) {
        TestDialog d;
        d.SetStateBits(c.start, true);
        const std::string op = c.op;
        if (op == "Show") d.Show();
        if (op == "ShowImmediately") d.ShowImmediately();
        if (op == "Hide") d.Hide();
        if (op == "HideImmediately") d.HideImmediately();
        if (op == "Finish") d.FinishTransition();
        EXPECT_EQ(d.GetState(), c.end) << c.op << " from " << c.start;
        const auto hooks = d.Take();
        EXPECT_EQ(hooks.empty() ? std::string() : hooks[0], c.hook) << c.op << " from " << c.start;
    }
    // A modal show clears the result and the focus.
    TestDialog d;
    Load(d);
    d.ShowModalImmediately();
    d.MoveFocus(1);
    d.SetResult(5);
    d.ShowModal();
    EXPECT_EQ(d.GetState(), uint32_t(dsShown | dsModal));
    EXPECT_EQ(d.GetResult(), 0);
    EXPECT_EQ(d.GetFocused(), -1);
}

TEST(Dialog, ProcessOrderInputOnlyWhileShownAndModal)
{
    GuiEnvironment env(kCatalogue);
    TestDialog d;
    Load(d);
    EXPECT_FALSE(d.Process());
    EXPECT_TRUE(d.Take().empty()) << "a hidden dialog calls no hook";

    d.ShowModal();
    env.mouse.Frame(120, 110, false);
    EXPECT_TRUE(d.Process());
    EXPECT_EQ(d.Take(), (std::vector<std::string>{"show", "processed", "draw", "after"})) << "no input while opening";
    EXPECT_TRUE(d.IsShown());
    EXPECT_FALSE(d.GetControl<CMenuButton>("ID_OK")->IsHovered());

    d.Process();
    EXPECT_EQ(d.Take(), (std::vector<std::string>{"input", "processed", "draw", "after"}));
    EXPECT_TRUE(d.GetControl<CMenuButton>("ID_OK")->IsHovered());

    // Shown without modality: no input, and the hover it had is forgotten.
    d.SetModal(false);
    d.Process();
    EXPECT_EQ(d.Take(), (std::vector<std::string>{"processed", "draw", "after"}));
    EXPECT_FALSE(d.GetControl<CMenuButton>("ID_OK")->IsHovered());

    // A derived dialog that hides the render list still gets its own drawing.
    d.SetStateBits(dsRenderListHidden, true);
    env.engine.ClearRecords();
    d.Process();
    EXPECT_TRUE(env.engine.draws.empty());
    EXPECT_EQ(d.Take().back(), "after");
    d.SetStateBits(dsRenderListHidden, false);

    // The frame that ends a plain dialog's closing draws nothing of it, yet ends its processing.
    d.Hide();
    d.Take();
    d.Process();
    EXPECT_EQ(d.Take(), (std::vector<std::string>{"processed", "after"}));
    EXPECT_FALSE(d.IsVisible());
}

TEST(Dialog, ClicksLeaveResultCodesAndAHandlerThatHidesStopsTheFrame)
{
    GuiEnvironment env(kCatalogue);
    TestDialog d;
    Load(d);
    d.ShowModalImmediately();
    Click(env, d, 120, 110);
    EXPECT_EQ(d.GetResult(), 1);
    const auto hooks = d.Take();
    EXPECT_EQ(std::count(hooks.begin(), hooks.end(), "click ID_OK"), 1);

    d.SetResult(0);
    Click(env, d, 220, 110);
    EXPECT_EQ(d.GetResult(), 2);
    EXPECT_FALSE(d.IsVisible()) << "the cancel handler hid it";

    // Re-entrancy: a handler hiding the dialog in the middle of the control loop keeps the controls
    // after it from taking input in that frame (here both buttons lie under the pointer).
    TestDialog twice;
    Load(twice, R"(<Dialogs><Test>
        <Control type="BUTTON" id="ID_CANCEL" left="0" top="0" width="80" height="30"/>
        <Control type="BUTTON" id="ID_OK" left="0" top="0" width="80" height="30"/>
      </Test></Dialogs>)");
    twice.ShowModalImmediately();
    Click(env, twice, 20, 10);
    const auto h = twice.Take();
    EXPECT_EQ(std::count(h.begin(), h.end(), "click ID_CANCEL"), 1);
    EXPECT_EQ(std::count(h.begin(), h.end(), "click ID_OK"), 0);
}

TEST(Dialog, FocusMovesAmongFocusableControls)
{
    GuiEnvironment env(kCatalogue);
    TestDialog d;
    Load(d);
    d.ShowModalImmediately();
    std::vector<int> seen;
    for (int dir : {+1, +1, +1, -1}) {
        ASSERT_TRUE(d.MoveFocus(dir));
        seen.push_back(d.GetFocused());
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 3, 1, 3}));
    // The control that loses the focus is told, and the pointer follows the focus.
    EXPECT_FALSE(d.GetControl<CMenuButton>("ID_OK")->IsFocused());
    EXPECT_TRUE(d.GetControl<CMenuButton>("ID_CANCEL")->IsFocused());
    EXPECT_EQ(env.mouse.warps.back(), std::make_pair(240, 115));
    d.OnKey(VK_LEFT_CODE);
    EXPECT_EQ(d.GetFocused(), 1);
    d.OnKey(VK_DOWN_CODE);
    EXPECT_EQ(d.GetFocused(), 3);
    d.OnKey('A');
    EXPECT_EQ(d.GetFocused(), 3);

    LogWatch log;
    d.MoveFocus(2);
    EXPECT_TRUE(log.Has("Verify {abs(direction) == 1} failed"));

    d.GetControl("ID_OK")->SetEnabled(false);
    d.GetControl("ID_CANCEL")->SetVisible(false);
    const int before = d.GetFocused();
    EXPECT_FALSE(d.MoveFocus(1));
    EXPECT_EQ(d.GetFocused(), before);

    TestDialog empty;
    EXPECT_FALSE(empty.MoveFocus(1));
}

TEST(Dialog, LoadingLookupsAndBounds)
{
    GuiEnvironment env(kCatalogue);
    TestDialog d;
    LogWatch log;
    Load(d, R"(<Dialogs><Test>
        <Control type="BUTTON" id="ID_A" left="10" top="20" width="30" height="40"/>
        <Control type="SLIDER" id="ID_B"/>
        <Control type="LABEL" id="ID_A" left="500" top="500" width="10" height="10"/>
        <Control type="PROGRESS_BAR" id="ID_P" kind="42"/>
        <Control type="LABEL" id="ID_C" left="100" top="5" width="50" height="5"/>
        <Other/>
      </Test></Dialogs>)");
    EXPECT_EQ(d.GetControls().size(), 2u);
    EXPECT_TRUE(log.Has("Error: unknown control type 'SLIDER'"));
    EXPECT_TRUE(log.Has("Error: duplicate control id 'ID_A'"));
    EXPECT_TRUE(log.Has("Invalid progressbar kind!"));
    EXPECT_TRUE(std::dynamic_pointer_cast<CMenuButton>(d.FindControl("ID_A")));
    EXPECT_FALSE(d.FindControl("ID_B"));

    EXPECT_THROW(d.GetControl("ID_X"), std::runtime_error);
    EXPECT_TRUE(log.Has("Error: control 'ID_X' not found in dialog!"));
    try {
        d.GetControl<CMenuLabel>("ID_A");
        ADD_FAILURE() << "a button is no label";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Bad control cast");
    }
    EXPECT_TRUE(log.Has("Error: control 'ID_A' has different type!"));

    float x0, y0, x1, y1;
    ASSERT_TRUE(d.GetBounds(x0, y0, x1, y1));
    EXPECT_EQ(std::vector<float>({x0, y0, x1, y1}), std::vector<float>({10, 5, 150, 60}));
    d.MoveBy(5, -5);
    d.GetBounds(x0, y0, x1, y1);
    EXPECT_EQ(std::vector<float>({x0, y0, x1, y1}), std::vector<float>({15, 0, 155, 55}));

    // Loading again without clearing is reported and appends.
    d.LoadControls(Node(kLayout, "//Dialogs/Test"));
    EXPECT_TRUE(log.Has("Verify {_controls.empty()} failed"));
    d.ClearControls();
    EXPECT_FALSE(d.GetBounds(x0, y0, x1, y1));
    EXPECT_FALSE(d.Load(CXMLNode()));
}

TEST(SlidingDialog, SlidesInFromAboveAndOutWithItsSoundOnce)
{
    GuiEnvironment env(kCatalogue);
    SetPanelSlideSpeed(14);
    SlideDialog d;
    Load(d);
    g_SoundQueue.Update();
    env.sound.Clear();
    d.Show();
    d.SetModal(true);
    std::vector<float> offsets;
    int frames = 0;
    while (!d.IsShown() && frames < 100) {
        env.engine.transforms.clear();
        d.Process();
        g_SoundQueue.Update();
        ++frames;
        // Each displaced drawing is followed by the normal transform again.
        if (!env.engine.transforms.empty()) {
            ASSERT_EQ(env.engine.transforms.size(), 2u);
            offsets.push_back(env.engine.transforms[0].y + 300.0f);
            EXPECT_FLOAT_EQ(env.engine.transforms[1].y, -300.0f);
            EXPECT_FLOAT_EQ(env.engine.transforms[1].x, -400.0f);
        }
    }
    ASSERT_EQ(offsets.size(), 43u) << "600 pixels at 14 a frame, the last 12 not slid";
    EXPECT_FLOAT_EQ(offsets[0], -600.0f);
    EXPECT_FLOAT_EQ(offsets[1], -586.0f);
    EXPECT_NEAR(offsets.back(), -12.0f, 0.01f);
    EXPECT_EQ(frames, 44) << "shown on the frame after the slide ends";
    EXPECT_EQ(env.sound.Count("PlaySample int_panel_open"), 1u);

    // Out again: upward, closing until the slide ends; Show during the slide-out opens again.
    d.Hide();
    for (int i = 0; i < 3; ++i) d.Process();
    EXPECT_EQ(d.GetState() & dsClosing, uint32_t(dsClosing));
    EXPECT_LT(d.GetMotion().y, 600.0f);
    d.Show();
    EXPECT_FLOAT_EQ(d.GetMotion().y, 0.0f) << "the slide restarts from the away point";
    for (int i = 0; i < 50; ++i) d.Process();
    EXPECT_TRUE(d.IsShown());

    // Immediate shows and hides neither slide nor sound.
    d.HideImmediately();
    g_SoundQueue.Update();
    env.sound.Clear();
    env.engine.transforms.clear();
    d.ShowImmediately();
    d.Process();
    g_SoundQueue.Update();
    EXPECT_TRUE(env.engine.transforms.empty());
    EXPECT_TRUE(env.sound.Calls("PlaySample").empty());
}

TEST(SlidingDialog, SpeedComesFromTheSettingAndIsAtLeastOne)
{
    GuiEnvironment env(kCatalogue);
    SetPanelSlideSpeed(0);
    EXPECT_EQ(GetPanelSlideSpeed(), 1);
    SetPanelSlideSpeed(600);
    SlideDialog d;
    Load(d);
    EXPECT_FLOAT_EQ(d.GetMotion().speed, 600.0f);
    d.Show();
    d.Process();
    d.Process();
    EXPECT_TRUE(d.IsShown());
    SetPanelSlideSpeed(23);
}

TEST(PageControl, PagesSwitchAndTheirEventsReachTheOwner)
{
    GuiEnvironment env(kCatalogue);
    TestDialog d;
    Load(d, R"(<Dialogs><Test>
        <Control type="PAGECONTROL" id="ID_PAGES" left="0" top="0" width="300" height="200">
          <Page>
            <Control type="PANEL" id="ID_PANEL" width="300" height="200" expand_by_y="1"/>
            <Control type="BUTTON" id="ID_OK" left="20" top="20" width="80" height="30"/>
          </Page>
          <Page>
            <Control type="PANEL" id="ID_PANEL" width="300" height="200" expand_by_y="1"/>
            <Control type="CHECK_BOX" id="ID_CHECK" left="20" top="20" width="80" height="20"/>
          </Page>
        </Control>
      </Test></Dialogs>)");
    auto pages = d.GetControl<CMenuPageControl>("ID_PAGES");
    ASSERT_EQ(pages->GetPages().size(), 2u);
    d.ShowModalImmediately();
    Click(env, d, 40, 30);
    EXPECT_EQ(d.GetResult(), 1) << "the page's button reported to the owning dialog";
    // A page takes input only while its owner does (an owner that is sliding or under a child dialog).
    d.SetResult(0);
    d.SetModal(false);
    Click(env, d, 40, 30);
    EXPECT_EQ(d.GetResult(), 0);
    d.SetModal(true);

    auto panel = std::dynamic_pointer_cast<CMenuPanel>(pages->GetPages()[1].page->FindControl("ID_PANEL"));
    ASSERT_TRUE(panel);
    for (int i = 0; i < 10; ++i) panel->Update();
    env.sound.Clear();
    pages->SetPage(1);
    EXPECT_EQ(panel->GetStep(), 0u) << "the opening starts again";
    EXPECT_EQ(env.sound.Count("PlaySample int_panel_open"), 1u);
    pages->SetPage(1);
    EXPECT_EQ(env.sound.Count("PlaySample int_panel_open"), 1u) << "the current page is not replayed";

    // Only the current page takes input; the other keeps its state.
    auto check = std::dynamic_pointer_cast<CMenuCheckBox>(pages->GetPages()[1].page->FindControl("ID_CHECK"));
    Click(env, d, 40, 30);
    EXPECT_TRUE(check->IsChecked());
    pages->SetPage(0);
    pages->SetPage(1);
    EXPECT_TRUE(check->IsChecked());

    LogWatch log;
    pages->SetPage(2);
    EXPECT_TRUE(log.Has("Error: invalid page index: 2! Pages total = 2"));
    EXPECT_EQ(pages->GetPage(), 1u);

    // The pages move with their control.
    pages->SetPosition(10, 10);
    EXPECT_FLOAT_EQ(check->GetX(), 30.0f);

    // Without pages: nothing drawn, no hit.
    TestDialog bare;
    Load(bare, R"(<Dialogs><Test><Control type="PAGECONTROL" id="ID_PAGES" width="300" height="200"/></Test></Dialogs>)");
    auto none = bare.GetControl<CMenuPageControl>("ID_PAGES");
    env.mouse.Frame(50, 50, false);
    EXPECT_FALSE(none->IsMouseOver());
    env.engine.ClearRecords();
    none->Update();
    EXPECT_TRUE(env.engine.draws.empty());
}
