// The catalogue and factory, labels, images, panels, buttons and check boxes.
#include "gui/gui_test_util.h"

using namespace guitest;

namespace {

std::vector<std::string> RectsOf(const CStaticRectSet& set)
{
    std::vector<std::string> out;
    for (const auto& r : set.GetRects())
        out.push_back(std::to_string(int(r.rect.left)) + " " + std::to_string(int(r.rect.top)) + " " +
                      std::to_string(int(r.rect.Width())) + "x" + std::to_string(int(r.rect.Height())));
    return out;
}

void Frame(GuiEnvironment& env, CBaseControl& c, int x, int y, bool down, const std::vector<int>& keys = {})
{
    env.mouse.Frame(x, y, down);
    env.keyboard.Frame(keys);
    c.ProcessInput();
}

} // namespace

TEST(ControlFactory, TypeNamesBuildTheirClassesAndUnknownNamesNothing)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    TestHolder holder;
    const struct { const char* type; bool built; bool logged; } cases[] = {
        {"BUTTON", true, false}, {"PANEL", true, false}, {"TRACKBAR", true, false}, {"LABEL", true, false},
        {"IMAGE", true, false}, {"LISTBOX", true, false}, {"EDIT", true, false}, {"CHECK_BOX", true, false},
        {"PROGRESS_BAR", true, false}, {"PAGECONTROL", true, false}, {"", false, false}, {"button", false, true},
        {"BUTTON ", false, true},
    };
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const auto& c = cases[i];
        LogWatch log;
        const std::string xml = std::string("<Control type=\"") + c.type + "\" id=\"X\" width=\"40\" height=\"40\"/>";
        CBaseControlPtr control = CreateControl(&holder, &r, ControlNode(xml));
        EXPECT_EQ(control != nullptr, c.built) << c.type;
        if (control) {
            EXPECT_EQ(ParseControlType(c.type), ControlType(i)) << c.type;
        }
        EXPECT_EQ(log.Has("Error: unknown control type '" + std::string(c.type) + "'"), c.logged) << c.type;
    }
    EXPECT_FALSE(CreateControl(&holder, &r, CXMLNode()));
    EXPECT_TRUE(std::dynamic_pointer_cast<CMenuTrackBar>(CreateControl(&holder, &r, ControlNode(R"(<Control type="TRACKBAR"/>)"))));
}

TEST(ControlKinds, SectionsReadOnceWithDefaultsAndOrderedMaps)
{
    GuiEnvironment env(kCatalogue);
    CControlKinds& kinds = CControlKinds::Instance();
    EXPECT_EQ(kinds.GetOpenCount(), 0);
    ASSERT_EQ(kinds.Buttons().size(), 2u);
    kinds.Buttons();
    EXPECT_EQ(kinds.GetOpenCount(), 1) << "a second button does not read the file again";
    kinds.Panels();
    EXPECT_EQ(kinds.GetOpenCount(), 2);

    EXPECT_EQ(kinds.Panels()[0].activate_sample, "int_panel_open");
    EXPECT_EQ(kinds.Panels()[1].activate_sample, "");
    EXPECT_TRUE(kinds.Panels()[1].skin.glass_tiled);
    EXPECT_EQ(kinds.Panels()[0].skin.top_left.width, 10);
    EXPECT_EQ(kinds.Buttons()[0].hover_ani_steps, 4);
    const TrackBarKind& track = kinds.TrackBars()[1];
    EXPECT_EQ(track.orientation, orVertical);
    EXPECT_EQ(track.min, 0);
    EXPECT_EQ(track.max, 100);
    EXPECT_EQ(track.step, 1);
    EXPECT_TRUE(track.thumb.present);
    EXPECT_FALSE(track.has_back);
    const ProgressBarKind& bar = kinds.ProgressBars()[0];
    ASSERT_EQ(bar.color_map.size(), 2u);
    EXPECT_EQ(bar.color_map.begin()->first, 50) << "stages are ordered by percentage whatever the file order";
    EXPECT_TRUE(bar.has_top_bar);
    EXPECT_EQ(kinds.ListBoxes()[0].item_printer, "Dlg_list_item");
    EXPECT_TRUE(kinds.ListBoxes()[0].has_scroll_bar);

    LogWatch log;
    EXPECT_EQ(ParseOrientation("DIAGONAL"), orHorizontal);
    EXPECT_EQ(ParseIndicatorType("PIE"), pitLinear);
    EXPECT_EQ(ParseListItemType("pictures"), litLabels);
    EXPECT_TRUE(log.Has("Warning: unknown orientation 'DIAGONAL'!"));
    EXPECT_TRUE(log.Has("Warning: Unknown progressbar indicator type 'PIE'!"));
    EXPECT_TRUE(log.Has("Warning: Unknown listbox item type 'pictures'!"));
}

// A catalogue without sections (or no catalogue at all) leaves every list empty: the controls that
// need a kind are still built and draw nothing, and nothing reads past a list.
TEST(ControlKinds, EmptyCatalogueNeverReadsOutOfBounds)
{
    GuiEnvironment env("<Controls/>");
    RecordingReceiver r;
    LogWatch log;
    for (const char* xml : {R"(<Control type="PANEL" kind="3" width="50" height="50"/>)",
                            R"(<Control type="BUTTON" kind="2" width="50" height="50"/>)",
                            R"(<Control type="CHECK_BOX" width="50" height="50"/>)",
                            R"(<Control type="LISTBOX" width="50" height="50"/>)",
                            R"(<Control type="TRACKBAR" kind="5" width="50" height="50"/>)"}) {
        CBaseControlPtr c = CreateControl(nullptr, &r, ControlNode(xml));
        ASSERT_TRUE(c) << xml;
        c->Update();
    }
    EXPECT_TRUE(log.Has("Verify {!_panel_kinds_s.empty()} failed"));
    EXPECT_TRUE(log.Has("Verify {!_button_kinds.empty()} failed"));
    EXPECT_TRUE(log.Has("Error: invalid panel kind: 3!"));
    EXPECT_TRUE(log.Has("Error: invalid trackbar kind: 5!"));
    // The progress bar's kind is a fatal check: the factory's caller (the dialog) leaves it out.
    EXPECT_THROW(CreateControl(nullptr, &r, ControlNode(R"(<Control type="PROGRESS_BAR"/>)")), std::runtime_error);
}

TEST(Skin, NineSliceBuilder)
{
    SkinDesc skin;
    skin.top = {FRect{0, 0, 20, 10}, 20, 10};
    skin.bottom = skin.top;
    skin.left = {FRect{0, 0, 10, 20}, 10, 20};
    skin.right = skin.left;
    skin.top_left = skin.top_right = skin.bottom_left = skin.bottom_right = {FRect{0, 0, 10, 10}, 10, 10};
    skin.glass = FRect{0, 0, 16, 16};
    skin.mg_left = skin.mg_right = skin.mg_top = skin.mg_bottom = 10;
    CStaticRectSet quads;
    BuildSkin(quads, FRect{0, 0, 70, 50}, skin);
    // Stretched glass inside the margins; whole border pieces between the corners (the remainder
    // stays open); the corners last.
    EXPECT_EQ(RectsOf(quads), (std::vector<std::string>{
        "10 10 50x30",
        "10 0 20x10", "30 0 20x10", "10 40 20x10", "30 40 20x10",
        "0 10 10x20", "60 10 10x20",
        "0 0 10x10", "60 0 10x10", "0 40 10x10", "60 40 10x10"}));

    // Tiled glass: whole tiles only; an area smaller than one tile has none.
    skin.glass_tiled = true;
    BuildSkin(quads, FRect{0, 0, 70, 50}, skin);
    EXPECT_EQ(RectsOf(quads)[0], "10 10 16x16");
    EXPECT_EQ(RectsOf(quads)[2], "42 10 16x16");   // three columns of 16 in 50, one row in 30
    EXPECT_EQ(quads.GetRects().size(), 3u + 10u);
    BuildSkin(quads, FRect{0, 0, 30, 30}, skin);
    EXPECT_EQ(RectsOf(quads).front(), "0 0 10x10") << "no glass, no borders, four corners";

    // A part with a zero width or height is not drawn (and never divides by zero).
    SkinDesc thin;
    thin.left = {FRect{0, 0, 10, 0}, 10, 0};
    thin.top = {FRect{0, 0, 0, 10}, 0, 10};
    BuildSkin(quads, FRect{0, 0, 100, 100}, thin);
    EXPECT_EQ(quads.GetRects().size(), 0u);
}

TEST(Panel, ExpandsInSevenStagesAndReplaysOnRestart)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto p = Make<CMenuPanel>(R"(<Control type="PANEL" id="P" left="0" top="0" width="100" height="80" expand_by_y="1"/>)", &r);
    const auto& steps = p->GetSteps();
    ASSERT_EQ(steps.size(), 7u);
    EXPECT_FLOAT_EQ(steps[0].top, 30.0f);     // inner 60: the centre line of the inner part
    EXPECT_FLOAT_EQ(steps[0].bottom, 50.0f);
    EXPECT_FLOAT_EQ(steps[6].top, 0.0f);
    EXPECT_FLOAT_EQ(steps[6].bottom, 80.0f);
    for (int i = 0; i < 10; ++i) p->Update();
    EXPECT_EQ(p->GetStep(), 6u);
    p->RestartAnimation();
    EXPECT_EQ(p->GetStep(), 0u);
    p->Update();
    EXPECT_EQ(p->GetStep(), 1u);

    // A panel no taller than its corners opens at once.
    auto flat = Make<CMenuPanel>(R"(<Control type="PANEL" width="100" height="20" expand_by_y="1"/>)", &r);
    EXPECT_EQ(flat->GetSteps().size(), 1u);
    EXPECT_FLOAT_EQ(flat->GetSteps()[0].bottom, 20.0f);
}

TEST(Panel, BadKindFallsBackMovesWithItsSkinAndSoundsOnFocusChanges)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    LogWatch log;
    auto p = Make<CMenuPanel>(R"(<Control type="PANEL" id="P" kind="7" width="100" height="80"/>)", &r);
    EXPECT_TRUE(log.Has("Error: invalid panel kind: 7!"));
    EXPECT_EQ(p->GetQuads().GetRects().size(), 19u) << "kind 0 drawn";

    p->Move(5.0f, 7.0f);
    EXPECT_FLOAT_EQ(p->GetQuads().GetBounds().left, 5.0f);
    p->SetPosition(20.0f, 20.0f);
    EXPECT_FLOAT_EQ(p->GetQuads().GetBounds().top, 20.0f);

    env.sound.Clear();
    EXPECT_TRUE(p->SetFocus(true));
    EXPECT_FALSE(p->SetFocus(true));
    EXPECT_TRUE(p->SetFocus(false));
    EXPECT_EQ(env.sound.Count("PlaySample int_panel_open"), 2u);
}

TEST(Image, GrayWhileDisabledAndClickableWithoutPress)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto img = Make<CMenuImage>(R"(<Control type="IMAGE" id="I" left="10" top="10" width="32" height="32" enabled="0">
        <graphics texture="Textures\Menu\Button.png" tex_rect="0 0 32 32"/></Control>)", &r);
    ASSERT_TRUE(img->HasImage());
    ASSERT_TRUE(img->GetGrayCopy());
    EXPECT_FLOAT_EQ(img->GetSprite().GetWidth(), 32.0f);
    img->SetEnabled(true);
    img->SetVisible(false);
    EXPECT_FALSE(img->GetSprite().IsVisible());
    EXPECT_FALSE(img->GetGrayCopy()->IsVisible());
    img->SetVisible(true);

    for (const auto& [x, down] : std::vector<std::pair<int, bool>>{{20, false}, {20, true}, {20, false}}) Frame(env, *img, x, 20, down);
    EXPECT_EQ(r.Take(), (std::vector<std::string>{"enter I", "release I", "click I"}));

    // Without a texture nothing is drawn, yet the rectangle takes clicks.
    auto empty = Make<CMenuImage>(R"(<Control type="IMAGE" id="E" width="32" height="32"/>)", &r);
    EXPECT_FALSE(empty->HasImage());
    for (bool down : {false, true, false}) Frame(env, *empty, 5, 5, down);
    EXPECT_EQ(r.Take(), (std::vector<std::string>{"enter E", "release E", "click E"}));
}

TEST(Image, PictureShowsTheWholeTextureInItsRectangle)
{
    GuiEnvironment env(kCatalogue);
    auto picture = MakePicture("Textures\\Menu\\Logo.png", FRect{10, 20, 266, 100});
    ASSERT_TRUE(picture->HasImage());
    const FRect& r = picture->GetSprite().GetRect();
    EXPECT_EQ(std::vector<float>({r.left, r.top, r.right, r.bottom}), std::vector<float>({10, 20, 266, 100}));
    const AnimationFrame& f = picture->GetSprite().GetAnimation().GetCurrentFrame();
    EXPECT_EQ(std::vector<float>({f.left, f.top, f.right, f.bottom}), std::vector<float>({0, 0, 512, 160}));
    EXPECT_TRUE(picture->IsVisible());
}

TEST(Button, LoadDefaultsFromSnippets)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    const uint32_t normal = CTextKeeper::Instance().GetLabel("Dlg_ok").style.color;
    const struct {
        const char* xml;
        uint32_t hover, pressed, disabled;
        const char* hover_sound;
        const char* press_sound;
    } cases[] = {
        {R"(<Control type="BUTTON" width="80" height="30"><Caption label="Dlg_ok"/></Control>)",
         0xFFFFFFFF, 0xFFFFFFFF, 0xFF808080, "", ""},
        {R"(<Control type="BUTTON" width="80" height="30"><Caption label="Dlg_ok"><Color/></Caption><Sound/></Control>)",
         normal, normal, 0xFF808080, "btn_enter", ""},
        {R"(<Control type="BUTTON" width="80" height="30"><Caption label="Dlg_ok"><Color hover="FF112233" pressed="FF445566" disabled="FF778899"/></Caption>
            <Sound mouse_over="btn_click" button_down="btn_click"/></Control>)",
         0xFF112233, 0xFF445566, 0xFF778899, "btn_click", "btn_click"},
    };
    for (const auto& c : cases) {
        auto b = Make<CMenuButton>(c.xml, &r);
        ASSERT_TRUE(b->HasCaption());
        EXPECT_EQ(b->GetCaptionColor(vsNormal), normal) << c.xml;
        EXPECT_EQ(b->GetCaptionColor(vsHover), c.hover) << c.xml;
        EXPECT_EQ(b->GetCaptionColor(vsPressed), c.pressed) << c.xml;
        EXPECT_EQ(b->GetCaptionColor(vsDisabled), c.disabled) << c.xml;
        EXPECT_EQ(b->GetHoverSound(), c.hover_sound);
        EXPECT_EQ(b->GetPressSound(), c.press_sound);
        EXPECT_FLOAT_EQ(b->GetCaption().GetX(), 40.0f) << "caption centred by default";
        EXPECT_EQ(b->GetCaptionFade().size(), 5u) << "four hover steps";
    }
    LogWatch log;
    auto bad = Make<CMenuButton>(R"(<Control type="BUTTON" kind="9" width="80" height="30"/>)", &r);
    EXPECT_TRUE(log.Has("Error: invalid button kind: 9!"));
    EXPECT_TRUE(bad->HasSkin());
}

TEST(Button, FadeListsAreEvenAndNeverDivideByZero)
{
    EXPECT_EQ(MakeFadeList(0xFF000000, 0xFF0000FF, 0), (std::vector<uint32_t>{0xFF000000}));
    EXPECT_EQ(MakeFadeList(0xFF000000, 0xFF0000FF, -3), (std::vector<uint32_t>{0xFF000000}));
    EXPECT_EQ(MakeFadeList(0xFF000000, 0x000000FF, 3),
              (std::vector<uint32_t>{0xFF000000, 0xAA000055, 0x550000AA, 0x000000FF}));
}

TEST(Button, HoverFadeRunsFrameByFrameAndSoundsComeBeforeTheirEvents)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto b = Make<CMenuButton>(R"(<Control type="BUTTON" id="B" width="80" height="30">
        <Caption label="Dlg_ok"><Color hover="FFFFFFFF"/></Caption><Sound button_down="btn_click"/></Control>)", &r);
    const auto fade = b->GetCaptionFade();
    ASSERT_EQ(fade.size(), 5u);
    env.sound.Clear();
    Frame(env, *b, 40, 15, false);
    EXPECT_EQ(env.sound.Calls("PlaySample"), (std::vector<std::string>{"PlaySample btn_enter"}));
    std::vector<uint32_t> seen;
    for (int i = 0; i < 6; ++i) {
        b->Update();
        seen.push_back(b->GetCaption().GetColor());
    }
    // The first frame keeps the colour; then one step per frame up to the hover colour.
    EXPECT_EQ(seen, (std::vector<uint32_t>{fade[0], fade[1], fade[2], fade[3], fade[4], fade[4]}));
    EXPECT_FALSE(b->IsFading());
    Frame(env, *b, 40, 15, true);
    EXPECT_EQ(env.sound.Calls("PlaySample").back(), "PlaySample btn_click");
    EXPECT_EQ(b->GetCaption().GetColor(), b->GetCaptionColor(vsPressed));

    // Leaving fades back down.
    Frame(env, *b, 400, 15, false);
    for (int i = 0; i < 6; ++i) b->Update();
    EXPECT_EQ(b->GetCaption().GetColor(), fade[0]);

    // Disabled in the middle of a fade (a click handler disabling its own button): the disabled colour.
    Frame(env, *b, 40, 15, false);
    b->Update();
    b->Update();
    b->SetEnabled(false);
    for (int i = 0; i < 6; ++i) b->Update();
    EXPECT_EQ(b->GetCaption().GetColor(), b->GetCaptionColor(vsDisabled));

    // A "Sound" node without a press sound asks for nothing when pressed.
    auto plain = Make<CMenuButton>(R"(<Control type="BUTTON" id="S" left="200" width="80" height="30"><Sound/></Control>)", &r);
    env.sound.Clear();
    Frame(env, *plain, 240, 15, false);
    Frame(env, *plain, 240, 15, true);
    EXPECT_EQ(env.sound.Calls("PlaySample"), (std::vector<std::string>{"PlaySample btn_enter"}));

    // A kind without hover steps shows the hover colour at once.
    auto quick = Make<CMenuButton>(R"(<Control type="BUTTON" kind="1" width="80" height="30">
        <Caption label="Dlg_ok"><Color hover="FF102030"/></Caption></Control>)", &r);
    Frame(env, *quick, 40, 15, false);
    EXPECT_EQ(quick->GetCaption().GetColor(), 0xFF102030u);
}

TEST(CheckBox, TogglesOnceOnReleaseByMouseOrSpaceOverIt)
{
    GuiEnvironment env(kCatalogue);
    RecordingReceiver r;
    auto box = Make<CMenuCheckBox>(R"(<Control type="CHECK_BOX" id="C" left="0" top="0" width="120" height="20" caption="Dlg_option" kind="5"/>)", &r);
    EXPECT_FALSE(box->IsChecked());
    Frame(env, *box, 10, 10, false);
    Frame(env, *box, 10, 10, true);
    EXPECT_FALSE(box->IsChecked()) << "toggled on the release, not the press";
    Frame(env, *box, 10, 10, false);
    EXPECT_TRUE(box->IsChecked());
    EXPECT_EQ(r.Take(), (std::vector<std::string>{"enter C", "press C", "release C", "click C"}));

    Frame(env, *box, 10, 10, false, {kSpace});
    Frame(env, *box, 10, 10, false);
    EXPECT_FALSE(box->IsChecked());
    Frame(env, *box, 500, 10, false, {kSpace});
    Frame(env, *box, 500, 10, false);
    EXPECT_FALSE(box->IsChecked()) << "Space acts only while the pointer is over the box";
    // Enter is the button's key, not the check box's.
    Frame(env, *box, 10, 10, false, {kEnter});
    Frame(env, *box, 10, 10, false);
    EXPECT_FALSE(box->IsChecked());
}
