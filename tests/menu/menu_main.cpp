// The main menu's parts and the title help: the medal shown by the player's medal value, clicks in
// the parts reaching the menu as the main dialog's results, the pointer ignored while the parts
// slide, and the title help's pages.
#include "dialog_steps.h"

#include "engine/sound/engine_soundqueue.h"
#include "menu/menu_main.h"
#include "player/player_gamevalues.h"

#include <functional>

using namespace guitest;

namespace {

const char* const kLayout = R"(<Dialogs>
  <MenuMainDialog>
    <Control type="IMAGE" id="ID_USER_ICON" left="80" top="150" width="64" height="64"/>
    <Control type="BUTTON" id="ID_SELECT_PROFILE" left="80" top="230" width="190" height="40"><Caption label="Dlg_text"/></Control>
    <Control type="BUTTON" id="ID_START" left="80" top="300" width="190" height="40"/>
    <Control type="BUTTON" id="ID_EXIT" left="80" top="360" width="190" height="40"/>
  </MenuMainDialog>
  <BestCityDialog>
    <Control type="BUTTON" id="ID_SILVER" left="600" top="60" width="190" height="40"/>
    <Control type="BUTTON" id="ID_GOLD" left="600" top="60" width="190" height="40" visible="0"/>
  </BestCityDialog>
  <MenuMainTopDialog>
    <Control type="BUTTON" id="ID_RELAX" left="300" top="100" width="190" height="40"/>
    <Control type="LABEL" id="ID_TOP_TEXT" caption="Dlg_text" left="300" top="20"/>
    <Indicators>
      <Indicator src_id="VAL_SCORE"><State id="0" pos_x="300" pos_y="60"><Text label="Dlg_value"/></State></Indicator>
      <Indicator src_id="VAL_LIVES"><State id="0" pos_x="400" pos_y="60"><Text label="Dlg_value"/></State></Indicator>
    </Indicators>
  </MenuMainTopDialog>
  <MenuMainBottomDialog>
    <Control type="BUTTON" id="ID_OPTIONS" left="300" top="520" width="190" height="40"/>
    <Indicators>
      <Indicator src_id="VAL_NO_SUCH_VALUE"><State id="0" pos_x="10" pos_y="560"/></Indicator>
    </Indicators>
  </MenuMainBottomDialog>
  <UserTitleHelpDialog>
    <Control type="PAGECONTROL" id="ID_PAGES" left="300" top="150" width="300" height="200">
      <Page/><Page/><Page/><Page/>
    </Control>
  </UserTitleHelpDialog>
  <EmptyHelp/>
</Dialogs>)";

class MenuMain : public menutest::DialogTest {
protected:
    MenuMain() : DialogTest(kCatalogue)
    {
        RegisterGameValues();
        const std::string text = kLayout;
        layout.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    }

    CXMLNode Root() const { return layout.SelectSingleNode("//Dialogs"); }

    // The main dialog loaded, shown with every part in place and modal.
    void Open(CMainDialog& menu, int medal)
    {
        ASSERT_TRUE(menu.Load(Root()));
        menu.ShowMedal(medal);
        menu.ShowAll();
        menu.SetModal(true);
        ASSERT_TRUE(RunUntil(menu, [&] {
            return menu.AreAllPartsShown() && (!menu.HasBestCity() || menu.GetBestCityPart().IsShown());
        }));
        menu.SetModal(true);
    }

    CXMLFile layout;
};

TEST_F(MenuMain, TheMedalValueChoosesTheBestCityButton)
{
    const struct {
        int before, value;
        bool best_city, silver, gold;
    } cases[] = {
        {0, 0, false, true, false},     // the layout's own visibility is left alone
        {0, 1, true, true, false},
        {0, 777, true, false, true},
        {777, 1, true, true, false},
        {0, 5, false, true, false},     // an unknown value changes nothing ...
        {777, 5, true, false, true},    // ... whatever was shown before
        {1, 0, false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.before) + " -> " + std::to_string(c.value));
        CMainDialog menu;
        ASSERT_TRUE(menu.Load(Root()));
        menu.ShowMedal(c.before);
        menu.ShowMedal(c.value);
        EXPECT_EQ(menu.HasBestCity(), c.best_city);
        EXPECT_EQ(menu.GetBestCityPart().GetControl("ID_SILVER")->IsVisible(), c.silver);
        EXPECT_EQ(menu.GetBestCityPart().GetControl("ID_GOLD")->IsVisible(), c.gold);
    }

    // The medal buttons are looked up strictly: a layout without them is an error.
    CMainDialog bare;
    const std::string text = "<Dialogs><MenuMainDialog/><BestCityDialog/><MenuMainTopDialog/><MenuMainBottomDialog/></Dialogs>";
    CXMLFile file;
    file.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    ASSERT_TRUE(bare.Load(file.SelectSingleNode("//Dialogs")));
    LogWatch log;
    EXPECT_THROW(bare.ShowMedal(1), std::runtime_error);
    EXPECT_TRUE(log.Has("ID_SILVER")) << log.Text();
    EXPECT_NO_THROW(bare.ShowMedal(0));
    EXPECT_NO_THROW(bare.ShowProfileName("Anna"));   // no profile button: nothing to fill
}

TEST_F(MenuMain, PartsLoadTheirIndicatorsAndSlideFromTheirOwnSides)
{
    CMainDialog menu;
    LogWatch log;
    ASSERT_TRUE(menu.Load(Root()));
    // The unknown game value is reported and left out; the board keeps the others.
    EXPECT_TRUE(log.Has("VAL_NO_SUCH_VALUE")) << log.Text();
    EXPECT_EQ(menu.GetTopPart().GetIndicators().size(), 2u);
    EXPECT_TRUE(menu.GetBottomPart().GetIndicators().empty());
    EXPECT_EQ(menu.GetTopPart().GetMotion().rest_y, 200.0f);
    EXPECT_EQ(menu.GetBottomPart().GetMotion().rest_y, -200.0f);
    EXPECT_EQ(menu.GetTopPart().GetMotion().speed, 5.0f);
    EXPECT_EQ(menu.GetBestCityPart().GetMotion().speed, 2.0f);

    // The medal comes in slowly and leaves quickly.
    menu.ShowMedal(1);
    menu.ShowAll();
    EXPECT_EQ(menu.GetBestCityPart().GetMotion().speed, 2.0f);
    ASSERT_TRUE(RunUntil(menu, [&] { return menu.GetBestCityPart().IsShown(); }));
    menu.HideParts();
    EXPECT_EQ(menu.GetBestCityPart().GetMotion().speed, 5.0f);
    EXPECT_TRUE(menu.IsShown()) << "the main part stays";
    ASSERT_TRUE(RunUntil(menu, [&] { return !menu.GetTopPart().IsVisible() && !menu.GetBestCityPart().IsVisible(); }));

    // Clearing empties the boards' indicators, and they load again.
    menu.ClearControls();
    EXPECT_TRUE(menu.GetTopPart().GetIndicators().empty());
    EXPECT_FALSE(menu.IsUserIconHovered());
    ASSERT_TRUE(menu.Load(Root()));
    EXPECT_EQ(menu.GetTopPart().GetIndicators().size(), 2u);
}

TEST_F(MenuMain, AClickInAnyPartIsTheMainDialogsResultForThatControl)
{
    CMainDialog menu;
    Open(menu, 777);
    const struct {
        CBaseDialog* part;
        const char* id;
        int result;
    } cases[] = {
        {&menu, "ID_START", mdrStart},
        {&menu, "ID_EXIT", mdrExit},
        {&menu, "ID_SELECT_PROFILE", mdrProfile},
        {&menu.GetTopPart(), "ID_RELAX", mdrRelax},
        {&menu.GetBottomPart(), "ID_OPTIONS", mdrOptions},
        {&menu.GetBestCityPart(), "ID_GOLD", mdrBestCity},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        Click(menu, c.part->GetControl(c.id));
        EXPECT_EQ(menu.GetResult(), c.result);
        EXPECT_EQ(c.part == &menu ? 0 : c.part->GetResult(), 0) << "the part's own result is taken";
        menu.SetResult(0);
    }

    // Without a best city the medal's part is neither drawn nor clickable.
    menu.ShowMedal(0);
    menu.HideParts();
    ASSERT_TRUE(RunUntil(menu, [&] { return !menu.GetBestCityPart().IsVisible(); }));
    menu.ShowAll();
    menu.SetModal(true);
    ASSERT_TRUE(RunUntil(menu, [&] { return menu.AreAllPartsShown(); }));
    EXPECT_FALSE(menu.GetBestCityPart().IsVisible());
    Click(menu, menu.GetBestCityPart().GetControl("ID_GOLD"));
    EXPECT_EQ(menu.GetResult(), 0);

    // Not modal: nothing reaches the menu.
    menu.SetModal(false);
    Click(menu, menu.GetBottomPart().GetControl("ID_OPTIONS"));
    EXPECT_EQ(menu.GetResult(), 0);
}

TEST_F(MenuMain, ThePointerCountsOnlyOnceEveryPartIsInPlace)
{
    CMainDialog menu;
    ASSERT_TRUE(menu.Load(Root()));
    menu.ShowMedal(0);
    const CBaseControlPtr icon = menu.GetControl("ID_USER_ICON");
    const int ix = int(icon->GetX() + 10), iy = int(icon->GetY() + 10);
    const CBaseControlPtr options = menu.GetBottomPart().GetControl("ID_OPTIONS");
    const int ox = int(options->GetX() + 10), oy = int(options->GetY() + 10);

    menu.ShowAll();
    menu.SetModal(true);
    int sliding = 0;
    while (!menu.AreAllPartsShown() && sliding < 400) {
        EXPECT_FALSE(menu.IsMouseOver());
        EXPECT_FALSE(menu.IsUserIconHovered());
        Frame(menu, ix, iy);
        ++sliding;
    }
    EXPECT_GT(sliding, 20) << "the boards slide 200 px at 5 a frame";
    ASSERT_TRUE(menu.AreAllPartsShown());
    Frame(menu, ix, iy);
    EXPECT_TRUE(menu.IsMouseOver());
    EXPECT_TRUE(menu.IsUserIconHovered());
    Frame(menu, ox, oy);
    EXPECT_TRUE(menu.IsMouseOver()) << "the bottom board counts";
    EXPECT_FALSE(menu.IsUserIconHovered());
    Frame(menu, 5, 5);
    EXPECT_FALSE(menu.IsMouseOver());

    // Sliding out: not over the menu any more, even on the main part's icon.
    menu.HideParts();
    Frame(menu, ix, iy);
    EXPECT_FALSE(menu.IsMouseOver());
    EXPECT_FALSE(menu.IsUserIconHovered());

    // Everything hidden at once at the end of the menu.
    menu.HideAllImmediately();
    EXPECT_FALSE(menu.GetTopPart().IsVisible());
    EXPECT_FALSE(menu.GetBottomPart().IsVisible());
    Frame(menu);
    EXPECT_FALSE(menu.IsVisible());
}

TEST_F(MenuMain, ShowAllImmediatelyPutsTheBoardsInPlaceAndSlidesTheMedal)
{
    CMainDialog menu;
    ASSERT_TRUE(menu.Load(Root()));
    menu.ShowMedal(1);
    menu.ShowAllImmediately();
    EXPECT_TRUE(menu.AreAllPartsShown());
    EXPECT_TRUE(menu.GetBestCityPart().GetState() & dsOpening);
    // Hiding the parts while the medal is still on its way: it is put in place first, then leaves.
    menu.HideParts();
    EXPECT_TRUE(menu.GetBestCityPart().GetState() & dsClosing);
    EXPECT_TRUE(RunUntil(menu, [&] { return !menu.GetBestCityPart().IsVisible(); }));

    // The player changes to one without a medal while the medal is still coming in: it goes away.
    menu.ShowAll();
    Frame(menu);
    ASSERT_TRUE(menu.GetBestCityPart().GetState() & dsOpening);
    menu.ShowMedal(0);
    menu.ShowAll();
    EXPECT_TRUE(RunUntil(menu, [&] { return !menu.GetBestCityPart().IsVisible(); }));
    for (int i = 0; i < 150; ++i) Frame(menu);
    EXPECT_FALSE(menu.GetBestCityPart().IsVisible());
}

TEST_F(MenuMain, TheProfileButtonNamesThePlayer)
{
    CMainDialog menu;
    ASSERT_TRUE(menu.Load(Root()));
    menu.ShowProfileName("Anna");
    auto button = menu.GetControl<CMenuButton>("ID_SELECT_PROFILE");
    button->GetCaption().Rebuild();
    EXPECT_EQ(button->GetCaption().GetText(), "Anna");
}

TEST_F(MenuMain, TitleHelpShowsTheTitlesPageWithinItsPagesAndHidesAtZero)
{
    CUserTitleHelpDialog help;
    ASSERT_TRUE(help.Load(layout.SelectSingleNode("//Dialogs/UserTitleHelpDialog")));
    auto pages = help.GetControl<CMenuPageControl>("ID_PAGES");
    const struct {
        int asked;
        bool shown;
        size_t page;
    } cases[] = {{2, true, 2}, {3, true, 3}, {99, true, 3}, {1, true, 1}, {0, false, 1}, {-4, false, 1}, {2, true, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        help.ShowPage(c.asked);
        EXPECT_EQ(help.IsShown(), c.shown);
        EXPECT_EQ(pages->GetPage(), c.page);
    }

    // Without a page control there is nothing to show.
    CUserTitleHelpDialog empty;
    empty.Load(layout.SelectSingleNode("//Dialogs/EmptyHelp"));
    empty.ShowPage(3);
    EXPECT_FALSE(empty.IsShown());
}

} // namespace
