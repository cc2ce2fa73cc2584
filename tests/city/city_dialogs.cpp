// The city's dialogs: the shop's pages of items, buy buttons, selection, prices and blink; the result
// codes of every dialog; the game won pages; the epoch ring; the relax screen's fade; the shipped
// layouts against the code, and pictures drawn by the real engine core (ZF_CITY_SHOTS=<folder>
// writes them as PNG).
#include "gui/gui_test_util.h"

#include "city/city_dialogs.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core_internal.h"
#include "engine/sound/engine_soundqueue.h"
#include "engine/text/engine_langtext.h"
#include "game/game_panels.h"
#include "gui/gui_kinds.h"
#include "player/player_gamevalues.h"
#include "player/player_prices.h"
#include "player/player_profiles.h"
#include "player/player_resources.h"
#include "player/player_user.h"
#include "settings/main_userfiles.h"
#include "support/dialog_shots.h"
#include "support/pixel_compare.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

using namespace guitest;

namespace {

std::string ShopLayout()
{
    std::ostringstream s;
    s << "<Dialogs><ShopDialog>";
    for (int i = 0; i < 4; ++i) {
        const int x = 100 + i * 150;
        s << "<Control type=\"IMAGE\" id=\"ID_IMAGE_" << i << "\" left=\"" << x << "\" top=\"400\" width=\"112\" height=\"84\"/>"
          << "<Control type=\"IMAGE\" id=\"ID_MARK_" << i << "\" left=\"" << x << "\" top=\"400\" width=\"112\" height=\"84\"/>";
        for (const char* b : {"R", "G", "B"})
            s << "<Control type=\"BUTTON\" id=\"ID_BUY_" << b << "_" << i << "\" left=\"" << x
              << "\" top=\"500\" width=\"112\" height=\"30\"/>";
    }
    s << R"(<Control type="BUTTON" id="ID_CONTINUE" left="300" top="550" width="100" height="30"/>
        <Control type="BUTTON" id="ID_FINISH_GAME" left="300" top="550" width="100" height="30" visible="0"/>
        <Control type="BUTTON" id="ID_SHOP_LEFT" left="20" top="420" width="40" height="40"/>
        <Control type="BUTTON" id="ID_SHOP_RIGHT" left="740" top="420" width="40" height="40"/>
        <Control type="PAGECONTROL" id="ID_PAGES" left="500" top="150" width="296" height="200"><Page/>)";
    for (int p = 1; p <= 6; ++p) {
        s << "<Page>";
        for (const char* id : {"ID_MONEY", "ID_STAFF", "ID_FOOD"}) {
            if (p == 3 && std::string(id) == "ID_STAFF") continue;   // a page without a staff price
            s << "<Control type=\"LABEL\" id=\"" << id << "\" caption=\"Dlg_value\" left=\"510\" top=\"300\"/>";
        }
        s << "</Page>";
    }
    s << R"(</Control></ShopDialog>
      <EpochCompleteDialog sound="episode_complete">
        <Control type="PAGECONTROL" id="ID_PAGES" left="200" top="290" width="400" height="90"><Page/><Page/><Page/></Control>
        <Control type="BUTTON" id="ID_OK" left="350" top="400" width="100" height="30"/>
        <Ring id="ID_EPOCH_RING" centre_x="400" centre_y="190" begin="16" end="40" speed="4">
          <graphics texture="Textures\Menu\Button.png" tex_rect="0 0 16 16" width="16" height="16"/></Ring>
      </EpochCompleteDialog>
      <EpochAllCompleteDialog><Control type="BUTTON" id="ID_OK" left="350" top="400" width="100" height="30"/></EpochAllCompleteDialog>
      <GameEndWarningDialog>
        <Control type="BUTTON" id="ID_YES" left="200" top="400" width="100" height="30"/>
        <Control type="BUTTON" id="ID_NO" left="400" top="400" width="100" height="30"/>
      </GameEndWarningDialog>
      <GameCompleteFailDialog><Control type="BUTTON" id="ID_OK" left="350" top="400" width="100" height="30"/></GameCompleteFailDialog>
      <GameCompleteWonDialog>
        <Control type="PAGECONTROL" id="ID_PAGES" left="200" top="200" width="400" height="120"><Page/><Page/><Page/></Control>
        <Control type="BUTTON" id="ID_BACKWARD" left="200" top="350" width="40" height="40"/>
        <Control type="BUTTON" id="ID_FORWARD" left="560" top="350" width="40" height="40"/>
        <Control type="BUTTON" id="ID_CONTINUE" left="200" top="420" width="100" height="30"/>
        <Control type="BUTTON" id="ID_EXIT" left="400" top="420" width="100" height="30"/>
      </GameCompleteWonDialog>
      <RelaxDialog>
        <Control type="LABEL" id="ID_OWNER" caption="Dlg_text" left="400" top="100"/>
        <Control type="LABEL" id="ID_MESSAGE" caption="Dlg_option" left="400" top="140"/>
        <Control type="BUTTON" id="ID_RELAX" left="700" top="20" width="40" height="40"/>
      </RelaxDialog>
    </Dialogs>)";
    return s.str();
}

// Six constructions of one epoch: two pages of items. States: affordable, bought, too expensive ...
const int kStates[6] = {sisAffordable, sisBought, sisTooExpensive, sisAffordable, sisTooExpensive, sisBought};

std::vector<ShopItem> SixItems(const std::string& icon_texture = "Textures\\Menu\\Button.png")
{
    std::vector<ShopItem> items;
    for (int i = 0; i < 6; ++i) {
        ShopItem item;
        item.construct_id = 101 + i;
        item.state = kStates[i];
        item.bought = item.state == sisBought;
        item.description.help_page = i + 1;
        item.description.icon.texture = icon_texture;
        const float rect[4] = {float(i * 10), 0.0f, float(i * 10 + 10), 10.0f};
        std::copy(rect, rect + 4, item.description.icon.tex_rect);
        items.push_back(item);
    }
    return items;
}

// Every construction costs 100 money, 50 staff and 30 food.
void LoadPrices(const std::string& dir)
{
    std::ostringstream s;
    s << "<Resources>";
    for (int id = 101; id <= 106; ++id)
        s << "<ResConstructoin type=\"" << id << "\" update_id=\"0\"><Resource type=\"1\" amount=\"100\"/>"
          << "<Resource type=\"2\" amount=\"50\"/><Resource type=\"3\" amount=\"30\"/></ResConstructoin>";
    s << "</Resources>";
    const std::string path = dir + "/ConstructionRes.xml";
    zftest::WriteText(path, s.str());
    GetConstructionRes().Load(path);
}

std::string Text(CMenuLabel* label)
{
    label->GetLabel().Rebuild();
    return label->GetLabel().GetText();
}

class CityDialogs : public ::testing::Test {
protected:
    CityDialogs()
    {
        const std::string text = ShopLayout();
        layout.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
        GetGlobalVars().RegisterBool("is_last_level", false);
        GetGlobalVars().SetBool("is_last_level", false);
    }
    ~CityDialogs() override
    {
        GetGlobalVars().SetBool("is_last_level", false);
        GetResources().Assign({});
    }

    CXMLNode Dialog(const std::string& name) const { return layout.SelectSingleNode("//Dialogs/" + name); }

    // One frame with the pointer at (x, y) and the left button held or not.
    void Frame(CBaseDialog& d, int x = 0, int y = 0, bool down = false)
    {
        env.mouse.Frame(x, y, down);
        env.keyboard.Frame({});
        d.Process();
        g_SoundQueue.Update();
    }
    bool RunUntil(CBaseDialog& d, const std::function<bool()>& done, int limit = 300)
    {
        for (int i = 0; i < limit && !done(); ++i) Frame(d);
        return done();
    }
    void Click(CBaseDialog& d, const std::string& id)
    {
        const CBaseControlPtr c = d.GetControl(id);
        const int x = int(c->GetX() + c->GetWidth() / 2), y = int(c->GetY() + c->GetHeight() / 2);
        for (bool down : {false, true, false}) Frame(d, x, y, down);
    }
    void Hover(CBaseDialog& d, const std::string& id)
    {
        const CBaseControlPtr c = d.GetControl(id);
        Frame(d, int(c->GetX() + c->GetWidth() / 2), int(c->GetY() + c->GetHeight() / 2));
    }
    bool Visible(const CBaseDialog& d, const std::string& id) { return d.GetControl(id)->IsVisible(); }
    // The visible buy button of each slot ("R", "G", "B", "-" for none, "+" for several).
    std::string Buttons(const CBaseDialog& d)
    {
        std::string out;
        for (int i = 0; i < 4; ++i) {
            std::string shown;
            for (const char* b : {"R", "G", "B"})
                if (Visible(d, std::string("ID_BUY_") + b + "_" + std::to_string(i))) shown += b;
            out += shown.empty() ? "-" : shown.size() > 1 ? "+" : shown;
        }
        return out;
    }
    std::string Marks(const CBaseDialog& d)
    {
        std::string out;
        for (int i = 0; i < 4; ++i) out += Visible(d, "ID_MARK_" + std::to_string(i)) ? "M" : "-";
        return out;
    }

    GuiEnvironment env{kCatalogue};
    CXMLFile layout;
    zftest::TempDir dir;
};

TEST_F(CityDialogs, ShopPagesItsItemsFourAtATimeWithTheButtonOfEachState)
{
    CShopPanel shop;
    ASSERT_TRUE(shop.Load(Dialog("ShopDialog")));
    shop.SetItems(SixItems());
    EXPECT_EQ(shop.GetItemPageCount(), 2);
    EXPECT_EQ(shop.GetShownCount(), 4u);
    // affordable: R and a mark; bought: G and no mark; too expensive: B and a mark.
    EXPECT_EQ(Buttons(shop), "RGBR");
    EXPECT_EQ(Marks(shop), "M-MM");
    EXPECT_EQ(shop.GetItems()[0].button_id, "ID_BUY_R_0");
    EXPECT_EQ(shop.GetItems()[1].button_id, "ID_BUY_G_1");
    EXPECT_EQ(shop.GetItems()[2].button_id, "ID_BUY_B_2");
    EXPECT_TRUE(Visible(shop, "ID_SHOP_RIGHT"));
    EXPECT_FALSE(shop.GetControl("ID_SHOP_LEFT")->IsEnabled());
    EXPECT_TRUE(shop.GetControl("ID_SHOP_RIGHT")->IsEnabled());

    // The second page shows the last two; the slots without an item keep nothing of the first page.
    shop.ShowItemPage(1);
    EXPECT_EQ(shop.GetShownCount(), 2u);
    EXPECT_EQ(Buttons(shop), "BG--");
    EXPECT_EQ(Marks(shop), "M---");
    EXPECT_TRUE(Visible(shop, "ID_IMAGE_1"));
    EXPECT_FALSE(Visible(shop, "ID_IMAGE_2"));
    EXPECT_FALSE(Visible(shop, "ID_IMAGE_3"));
    EXPECT_EQ(shop.GetItems()[4].button_id, "ID_BUY_B_0");
    EXPECT_TRUE(shop.GetControl("ID_SHOP_LEFT")->IsEnabled());
    EXPECT_FALSE(shop.GetControl("ID_SHOP_RIGHT")->IsEnabled());
    shop.ShowItemPage(7);
    EXPECT_EQ(shop.GetItemPage(), 1) << "clamped to the last page";

    // A new offer (after a purchase) keeps the page; a shorter one turns back to the pages there are.
    std::vector<ShopItem> items = SixItems();
    items[4].state = sisAffordable;
    shop.SetItems(items);
    EXPECT_EQ(shop.GetItemPage(), 1);
    EXPECT_EQ(Buttons(shop), "RG--");
    items.resize(3);
    shop.SetItems(items);
    EXPECT_EQ(shop.GetItemPage(), 0);
    EXPECT_EQ(Buttons(shop), "RGB-");
    EXPECT_FALSE(Visible(shop, "ID_SHOP_LEFT")) << "one page: no arrows";
    EXPECT_FALSE(Visible(shop, "ID_SHOP_RIGHT"));
}

TEST_F(CityDialogs, ShopSelectsOnlyAnAffordableItemAndOnlyWhileShown)
{
    CShopPanel shop;
    ASSERT_TRUE(shop.Load(Dialog("ShopDialog")));
    shop.SetItems(SixItems());
    shop.ShowModal();
    shop.OnClick(shop.GetControl("ID_BUY_R_0").get());
    EXPECT_EQ(shop.GetResult(), 0) << "nothing while it rises";
    ASSERT_TRUE(RunUntil(shop, [&] { return shop.IsShown(); }));

    // Bought and too expensive buttons do nothing (their buttons are hidden, a direct call neither).
    for (const char* id : {"ID_BUY_G_1", "ID_BUY_B_2", "ID_BUY_R_1"}) {
        shop.OnClick(shop.GetControl(id).get());
        EXPECT_EQ(shop.GetResult(), 0) << id;
    }
    Click(shop, "ID_BUY_R_3");
    EXPECT_EQ(shop.GetResult(), CShopPanel::srBuy);
    EXPECT_EQ(shop.GetSelected(), 3u);
    shop.SetResult(0);

    // On the second page the slots stand for items 4 and 5.
    Click(shop, "ID_SHOP_RIGHT");
    EXPECT_EQ(shop.GetItemPage(), 1);
    EXPECT_EQ(shop.GetResult(), 0);
    std::vector<ShopItem> items = SixItems();
    items[5].state = sisAffordable;
    items[5].bought = false;
    shop.SetItems(items);
    Click(shop, "ID_BUY_R_1");
    EXPECT_EQ(shop.GetResult(), CShopPanel::srBuy);
    EXPECT_EQ(shop.GetSelected(), 5u);
    shop.SetResult(0);
    Click(shop, "ID_SHOP_LEFT");
    EXPECT_EQ(shop.GetItemPage(), 0);
    Click(shop, "ID_CONTINUE");
    EXPECT_EQ(shop.GetResult(), CShopPanel::srContinue);
}

TEST_F(CityDialogs, TheLastLevelOffersToFinishTheGame)
{
    for (const bool last : {false, true}) {
        SCOPED_TRACE(last);
        GetGlobalVars().SetBool("is_last_level", last);
        CShopPanel shop;
        ASSERT_TRUE(shop.Load(Dialog("ShopDialog")));
        shop.SetItems(SixItems());
        shop.ShowModalImmediately();
        EXPECT_EQ(Visible(shop, "ID_CONTINUE"), !last);
        EXPECT_EQ(Visible(shop, "ID_FINISH_GAME"), last);
        Click(shop, last ? "ID_FINISH_GAME" : "ID_CONTINUE");
        EXPECT_EQ(shop.GetResult(), CShopPanel::srContinue);
    }
}

TEST_F(CityDialogs, HoveringAMarkShowsTheDescriptionAndPriceAndBlinksWhatIsShort)
{
    LoadPrices(dir.path());
    GetResources().Assign({{1, 200}, {2, 10}, {3, 30}});
    CGameTopPanel top;
    CShopPanel shop;
    ASSERT_TRUE(shop.Load(Dialog("ShopDialog")));
    shop.SetTopPanel(&top);
    shop.SetItems(SixItems());
    shop.ShowModalImmediately();
    Frame(shop);

    Hover(shop, "ID_MARK_2");
    EXPECT_EQ(shop.GetHoveredMark(), "ID_MARK_2");
    EXPECT_EQ(shop.GetPage(), 3);
    ASSERT_NE(shop.GetPriceLabel(1), nullptr);
    EXPECT_EQ(shop.GetPriceLabel(2), nullptr) << "page 3 has no staff label";
    EXPECT_EQ(Text(shop.GetPriceLabel(1)), "100");
    EXPECT_EQ(shop.GetPriceLabel(1)->GetLabel().GetColor(), CShopPanel::kPriceColor);
    EXPECT_EQ(Text(shop.GetPriceLabel(3)), "30");
    EXPECT_EQ(shop.GetPriceLabel(3)->GetLabel().GetColor(), CShopPanel::kPriceColor) << "30 of 30 is enough";
    for (int i = 0; i < 100; ++i) top.UpdateBlink();
    EXPECT_EQ(top.GetBlinkState(1), 0);
    EXPECT_EQ(top.GetBlinkState(2), 1) << "only the staff is short";
    EXPECT_EQ(top.GetBlinkState(3), 0);

    // Another mark: its own page, staff short in red.
    Hover(shop, "ID_MARK_0");
    EXPECT_EQ(shop.GetPage(), 1);
    ASSERT_NE(shop.GetPriceLabel(2), nullptr);
    EXPECT_EQ(Text(shop.GetPriceLabel(2)), "50");
    EXPECT_EQ(shop.GetPriceLabel(2)->GetLabel().GetColor(), CShopPanel::kShortColor);

    // Leaving the mark: no description, no blink.
    Frame(shop, 5, 5);
    EXPECT_EQ(shop.GetPage(), 0);
    EXPECT_EQ(shop.GetPriceLabel(1), nullptr);
    EXPECT_EQ(top.GetBlinkState(2), 0);
    for (int i = 0; i < 100; ++i) top.UpdateBlink();
    EXPECT_EQ(top.GetBlinkState(2), 0);

    // Buying the hovered item hides its mark: the blink stops with the new offer.
    Hover(shop, "ID_MARK_2");
    for (int i = 0; i < 100; ++i) top.UpdateBlink();
    ASSERT_EQ(top.GetBlinkState(2), 1);
    std::vector<ShopItem> items = SixItems();
    items[2].state = sisBought;
    items[2].bought = true;
    shop.SetItems(items);
    EXPECT_EQ(top.GetBlinkState(2), 0);
    EXPECT_EQ(shop.GetHoveredMark(), "");
    // The pointer resting on a slot whose item changed shows the new item at the next frame.
    items[2].state = sisTooExpensive;
    items[2].bought = false;
    Hover(shop, "ID_MARK_0");
    shop.SetItems(items);
    EXPECT_EQ(shop.GetPage(), 0);
    Hover(shop, "ID_MARK_0");
    EXPECT_EQ(shop.GetPage(), 1);
    EXPECT_EQ(shop.GetHoveredMark(), "ID_MARK_0");
    Frame(shop, 5, 5);

    // A bought item has no mark to hover; a hidden shop ignores the pointer.
    Hover(shop, "ID_MARK_1");
    EXPECT_EQ(shop.GetPage(), 0);
    shop.HideImmediately();
    shop.OnMouseEnter(shop.GetControl("ID_MARK_0").get());
    EXPECT_EQ(shop.GetPage(), 0);
    shop.ShowPage(99);
    EXPECT_EQ(shop.GetPage(), 6) << "clamped to the last description";
    shop.ResetPage();
    EXPECT_EQ(shop.GetPage(), 0);
}

TEST_F(CityDialogs, AMissingControlIsReportedAtLoadAndSkipped)
{
    std::string text = ShopLayout();
    for (const char* id : {"\"ID_BUY_G_1\"", "\"ID_MARK_2\"", "\"ID_PAGES\""}) {
        const size_t at = text.find(id);
        text.replace(at, std::string(id).size(), "\"ID_GONE\"");
    }
    CXMLFile broken;
    broken.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    LogWatch log;
    CShopPanel shop;
    ASSERT_TRUE(shop.Load(broken.SelectSingleNode("//Dialogs/ShopDialog")));
    for (const char* id : {"ID_BUY_G_1", "ID_MARK_2", "ID_PAGES"}) EXPECT_TRUE(log.Has(id)) << log.Text();
    EXPECT_NO_THROW(shop.SetItems(SixItems()));
    EXPECT_EQ(shop.GetItems()[1].button_id, "") << "no button to show for the bought item";
    shop.ShowModalImmediately();
    EXPECT_NO_THROW(shop.ShowPage(2));
    EXPECT_EQ(shop.GetPage(), 0);
    EXPECT_NO_THROW(Hover(shop, "ID_MARK_0"));

    // A dialog whose node is missing loads nothing and says so.
    CShopPanel none;
    LogWatch log2;
    EXPECT_FALSE(none.Load(broken.SelectSingleNode("//Dialogs/NoSuchDialog")));
    EXPECT_NO_THROW(none.SetItems(SixItems()));
    EXPECT_TRUE(log2.Has("ShopDialog")) << log2.Text();
}

TEST_F(CityDialogs, EveryDialogLeavesItsResultOnlyWhileShown)
{
    const struct {
        const char* node;
        const char* button;
        int result;
    } cases[] = {
        {"EpochCompleteDialog", "ID_OK", CEpochCompletePanel::erOk},
        {"EpochAllCompleteDialog", "ID_OK", 1},
        {"GameCompleteFailDialog", "ID_OK", 1},
        {"GameEndWarningDialog", "ID_YES", CWarningDialog::wrYes},
        {"GameEndWarningDialog", "ID_NO", CWarningDialog::wrNo},
        {"GameCompleteWonDialog", "ID_CONTINUE", CGameWonDialog::gwContinue},
        {"GameCompleteWonDialog", "ID_EXIT", CGameWonDialog::gwExit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.node) + " " + c.button);
        std::unique_ptr<CSlideableBaseDialog> d;
        const std::string node = c.node;
        if (node == "EpochCompleteDialog") d = std::make_unique<CEpochCompletePanel>();
        else if (node == "EpochAllCompleteDialog") d = std::make_unique<CEpochAllCompletePanel>();
        else if (node == "GameCompleteFailDialog") d = std::make_unique<CGameCompleteDialog>();
        else if (node == "GameEndWarningDialog") d = std::make_unique<CWarningDialog>();
        else d = std::make_unique<CGameWonDialog>();
        LogWatch log;
        ASSERT_TRUE(d->Load(Dialog(c.node)));
        EXPECT_FALSE(log.Has("Error")) << log.Text();
        d->ShowModal();
        d->OnClick(d->GetControl(c.button).get());
        EXPECT_EQ(d->GetResult(), 0) << "no result while sliding in";
        ASSERT_TRUE(RunUntil(*d, [&] { return d->IsShown(); }));
        Click(*d, c.button);
        EXPECT_EQ(d->GetResult(), c.result);
        EXPECT_TRUE(d->GetState() & dsClosing) << "the button hides its dialog";
        d->SetResult(0);
        d->OnClick(d->GetControl(c.button).get());
        EXPECT_EQ(d->GetResult(), 0) << "nothing while closing";
    }
}

TEST_F(CityDialogs, GameWonTurnsItsPagesWithinTheirRange)
{
    CGameWonDialog won;
    ASSERT_TRUE(won.Load(Dialog("GameCompleteWonDialog")));
    const auto pages = won.GetControl<CMenuPageControl>("ID_PAGES");
    won.ShowModalImmediately();
    won.SetPage(2);
    won.HideImmediately();
    won.ShowModal();
    EXPECT_EQ(won.GetPage(), 0) << "every show starts on the first page";
    ASSERT_TRUE(RunUntil(won, [&] { return won.IsShown(); }));
    auto arrows = [&] {
        return std::string(won.GetControl("ID_BACKWARD")->IsEnabled() ? "<" : ".") +
               (won.GetControl("ID_FORWARD")->IsEnabled() ? ">" : ".");
    };
    EXPECT_EQ(arrows(), ".>");
    const struct {
        const char* button;
        int page;
        const char* arrows;
    } steps[] = {{"ID_FORWARD", 1, "<>"}, {"ID_FORWARD", 2, "<."}, {"ID_BACKWARD", 1, "<>"}, {"ID_BACKWARD", 0, ".>"}};
    for (const auto& s : steps) {
        won.OnClick(won.GetControl(s.button).get());
        EXPECT_EQ(won.GetPage(), s.page) << s.button;
        EXPECT_EQ(int(pages->GetPage()), s.page);
        EXPECT_EQ(arrows(), s.arrows) << s.button;
    }
    won.SetPage(9);
    EXPECT_EQ(won.GetPage(), 2);
    EXPECT_EQ(arrows(), "<.");
    won.SetPage(-3);
    EXPECT_EQ(won.GetPage(), 0);
    EXPECT_EQ(won.GetResult(), 0) << "turning pages leaves no result";
}

TEST_F(CityDialogs, EpochRingStartsOncePerShowWithItsSound)
{
    CEpochCompletePanel epoch;
    ASSERT_TRUE(epoch.Load(Dialog("EpochCompleteDialog")));
    EXPECT_EQ(epoch.GetSound(), "episode_complete");
    for (int show = 0; show < 2; ++show) {
        SCOPED_TRACE(show);
        env.sound.Clear();
        epoch.ShowModal();
        EXPECT_FALSE(epoch.IsStarted());
        ASSERT_TRUE(RunUntil(epoch, [&] { return epoch.IsShown(); }));
        Frame(epoch);
        EXPECT_TRUE(epoch.IsStarted());
        EXPECT_TRUE(epoch.GetRing().IsRunning());
        for (int i = 0; i < 20; ++i) Frame(epoch);
        EXPECT_FALSE(epoch.GetRing().IsRunning()) << "grown to its end";
        EXPECT_NEAR(epoch.GetRing().GetSize(), 40.0f, 0.5f);
        EXPECT_EQ(env.sound.Count("PlaySample episode_complete"), 1u);
        epoch.HideImmediately();
    }
    const auto pages = epoch.GetControl<CMenuPageControl>("ID_PAGES");
    const std::pair<int, size_t> epochs[] = {{2, 2}, {0, 0}, {3, 0}, {-1, 0}};
    for (const auto& [n, page] : epochs) {
        epoch.SetEpochPage(n);
        EXPECT_EQ(pages->GetPage(), page) << n;
    }
}

TEST_F(CityDialogs, RelaxLinesFadeInTurnAndCloseWhenFadedOut)
{
    CRelaxDialog relax;
    ASSERT_TRUE(relax.Load(Dialog("RelaxDialog")));
    // Taking a profile's game reads the game's configuration and the title ladder.
    CVariableRegistry cfg;
    cfg.Register("start_lives", 3);
    cfg.Register("score_for_life", 20000);
    SetUserGameConfig(&cfg);
    zftest::WriteText(dir.path() + "/Promotions.xml", R"(<Promotions>
        <Promotion title_alias="Title_01" score="0"/><Promotion title_alias="Title_02" score="100"/></Promotions>)");
    GetPromotions().Load(dir.path() + "/Promotions.xml");
    CProfile profile("Mira");
    CGameSlot game;
    profile.SetGame("current_game", game);
    CUser user;
    user.LoadFromProfile(profile, "current_game");
    relax.UpdateOwner(user);
    EXPECT_EQ(Text(relax.GetOwnerLabel()), "Mira") << "no title: the name alone";
    game.title = 1;
    profile.SetGame("current_game", game);
    user.LoadFromProfile(profile, "current_game");
    ASSERT_FALSE(user.GetTitleText().empty());
    relax.UpdateOwner(user);
    EXPECT_EQ(Text(relax.GetOwnerLabel()), user.GetTitleText() + " Mira");
    GetPromotions() = CPromotions();
    SetUserGameConfig(nullptr);

    relax.Show();
    auto owner = [&] { return relax.GetOwnerLabel()->GetLabel().GetAlpha(); };
    auto message = [&] { return relax.GetMessageLabel()->GetLabel().GetAlpha(); };
    EXPECT_EQ(owner(), 0u);
    EXPECT_EQ(message(), 0u);
    int frame = 0;
    auto run_to = [&](int target) {
        while (frame < target) {
            Frame(relax);
            ++frame;
        }
    };
    EXPECT_EQ(relax.GetCurrentLabel(), relax.GetOwnerLabel());
    // (frame, owner alpha, message alpha): 200 frames out, 255 up, 200 at full, 255 down, then the message.
    const struct {
        int frame;
        uint32_t owner, message;
    } timeline[] = {{199, 0, 0},   {200, 1, 0},   {454, 255, 0}, {653, 255, 0}, {654, 254, 0},
                    {907, 1, 0},   {908, 0, 0},   {1107, 0, 0},  {1108, 0, 1},  {1362, 0, 255}};
    for (const auto& t : timeline) {
        run_to(t.frame);
        EXPECT_EQ(owner(), t.owner) << "frame " << t.frame;
        EXPECT_EQ(message(), t.message) << "frame " << t.frame;
    }
    EXPECT_EQ(relax.GetCurrentLabel(), relax.GetMessageLabel());
    EXPECT_TRUE(relax.IsShown());
    EXPECT_EQ(relax.GetResult(), 0);

    // Closing fades the line out by 10 a frame and hides the dialog when it is gone.
    run_to(1400);
    relax.Hide();
    EXPECT_EQ(relax.GetStep(), -10.0f);
    int frames = 0;
    while (relax.IsVisible() && frames < 100) {
        Frame(relax);
        ++frames;
    }
    EXPECT_EQ(frames, 26) << "255 down by 10 a frame";
    EXPECT_EQ(message(), 0u);
}

TEST_F(CityDialogs, RelaxClosesOnAClickAKeyOrItsButton)
{
    CRelaxDialog relax;
    ASSERT_TRUE(relax.Load(Dialog("RelaxDialog")));
    relax.OnKey(kSpace);
    relax.OnClick(relax.GetControl("ID_RELAX").get());
    EXPECT_EQ(relax.GetResult(), 0) << "hidden: nothing";

    relax.Show();
    Frame(relax, 300, 300, true);
    EXPECT_EQ(relax.GetResult(), 0) << "a click closes it only while it is modal";
    Frame(relax, 300, 300, false);
    relax.SetModal(true);
    Frame(relax, 300, 300, true);
    EXPECT_EQ(relax.GetResult(), CRelaxDialog::rrClosed);
    relax.SetResult(0);
    relax.OnKey(kSpace);
    EXPECT_EQ(relax.GetResult(), CRelaxDialog::rrClosed);
    relax.SetResult(0);
    relax.OnClick(relax.GetControl("ID_RELAX").get());
    EXPECT_EQ(relax.GetResult(), CRelaxDialog::rrClosed);

    // Without its labels it still opens, fades and closes.
    CXMLFile bare;
    const std::string text = "<Dialogs><RelaxDialog/></Dialogs>";
    bare.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
    CRelaxDialog empty;
    LogWatch log;
    ASSERT_TRUE(empty.Load(bare.SelectSingleNode("//Dialogs/RelaxDialog")));
    EXPECT_TRUE(log.Has("ID_OWNER")) << log.Text();
    empty.UpdateOwner(CUser());
    empty.Show();
    for (int i = 0; i < 500; ++i) Frame(empty);
    empty.Hide();
    EXPECT_TRUE(RunUntil(empty, [&] { return !empty.IsVisible(); }));
}

// ---- The shipped layouts, on the real engine core

class CityDialogsContent : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software"); }

    CityDialogsContent() : _dir(ZF_GAME_DATA_DIR)
    {
        CEngineCore& core = CEngineCore::Instance();
        _ready = core.GetDevice() || core.Init("ZerafineTest", "Zerafine city dialogs", true);
        _previous = g_EngineCore;
        g_EngineCore = &core;
        CTextKeeper::Instance().SelectLanguage(0);
        CControlKinds::Instance().Reset();
        RegisterGameValues();
        file = std::make_unique<CXMLFile>("Settings\\DialogsCity.xml");
        GetGlobalVars().RegisterBool("is_last_level", false);
    }
    ~CityDialogsContent() override
    {
        g_EngineCore = _previous;
        GetResources().Assign({});
    }

    CXMLNode Node(const std::string& name) const { return file->SelectSingleNode("//Dialogs/" + name); }

    zftest::SurfacePtr Draw(CBaseDialog& dialog, int frames) { return zftest::DrawDialog(dialog, frames, 0xFF6A8CA8); }
    void Save(const zftest::SurfacePtr& shot, const char* name) { zftest::KeepPicture(shot, "ZF_CITY_SHOTS", name); }

    zftest::ScopedChdir _dir;
    bool _ready = false;
    IEngineCore* _previous = nullptr;
    std::unique_ptr<CXMLFile> file;
};

enum Kind { kButton, kImage, kLabel, kPages };

void CheckClass(const CBaseDialog& dialog, const std::string& id, Kind kind)
{
    switch (kind) {
    case kButton: dialog.GetControl<CMenuButton>(id); break;
    case kImage: dialog.GetControl<CMenuImage>(id); break;
    case kLabel: dialog.GetControl<CMenuLabel>(id); break;
    case kPages: dialog.GetControl<CMenuPageControl>(id); break;
    }
}

TEST_F(CityDialogsContent, ShippedLayoutsLoadWithEveryControlTheDialogsUse)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    std::vector<std::pair<std::string, Kind>> shop_ids{{"ID_CONTINUE", kButton}, {"ID_FINISH_GAME", kButton},
                                                       {"ID_SHOP_LEFT", kButton}, {"ID_SHOP_RIGHT", kButton},
                                                       {"ID_PAGES", kPages}};
    for (int i = 0; i < 4; ++i) {
        const std::string n = std::to_string(i);
        for (const char* b : {"ID_BUY_R_", "ID_BUY_G_", "ID_BUY_B_"}) shop_ids.emplace_back(b + n, kButton);
        shop_ids.emplace_back("ID_IMAGE_" + n, kImage);
        shop_ids.emplace_back("ID_MARK_" + n, kImage);
    }
    const struct {
        const char* node;
        std::vector<std::pair<std::string, Kind>> ids;
        std::function<std::unique_ptr<CBaseDialog>()> make;
    } dialogs[] = {
        {"ShopDialog", shop_ids, [] { return std::make_unique<CShopPanel>(); }},
        {"EpochCompleteDialog", {{"ID_OK", kButton}, {"ID_PAGES", kPages}}, [] { return std::make_unique<CEpochCompletePanel>(); }},
        {"EpochAllCompleteDialog", {{"ID_OK", kButton}}, [] { return std::make_unique<CEpochAllCompletePanel>(); }},
        {"GameEndWarningDialog", {{"ID_YES", kButton}, {"ID_NO", kButton}}, [] { return std::make_unique<CWarningDialog>(); }},
        {"GameCompleteFailDialog", {{"ID_OK", kButton}}, [] { return std::make_unique<CGameCompleteDialog>(); }},
        {"GameCompleteWonDialog",
         {{"ID_PAGES", kPages}, {"ID_FORWARD", kButton}, {"ID_BACKWARD", kButton}, {"ID_EXIT", kButton}, {"ID_CONTINUE", kButton}},
         [] { return std::make_unique<CGameWonDialog>(); }},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.node);
        LogWatch log;
        std::unique_ptr<CBaseDialog> dialog = d.make();
        ASSERT_TRUE(dialog->Load(Node(d.node)));
        for (const auto& [id, kind] : d.ids) EXPECT_NO_THROW(CheckClass(*dialog, id, kind)) << id;
        EXPECT_FALSE(log.Has("Error")) << log.Text();
        EXPECT_FALSE(log.Has("Verify")) << log.Text();
        EXPECT_FALSE(log.Has("Warning")) << log.Text();
    }

    // One description page per construction the shop sells, after the empty page 0; each holds the
    // three prices as labels of one parameter.
    CShopPanel shop;
    shop.Load(Node("ShopDialog"));
    const auto pages = shop.GetControl<CMenuPageControl>("ID_PAGES");
    ASSERT_EQ(pages->GetPages().size(), 43u);
    EXPECT_TRUE(pages->GetPages()[0].page->GetControls().empty());
    // Every text of every page can be drawn with the game's fonts.
    LogWatch glyphs;
    for (const auto& page : pages->GetPages())
        for (const CBaseControlPtr& c : page.page->GetControls())
            if (auto* text = dynamic_cast<CMenuLabel*>(c.get())) text->GetLabel().Rebuild();
    EXPECT_FALSE(glyphs.Has("Error")) << glyphs.Text();
    for (size_t p = 1; p < pages->GetPages().size(); ++p)
        for (const char* id : {"ID_MONEY", "ID_STAFF", "ID_FOOD"})
            EXPECT_EQ(pages->GetPages()[p].page->GetControl<CMenuLabel>(id)->GetLabel().GetLabel().param_count, 1)
                << p << " " << id;
    // Page n describes the n-th construction the shop sells, in the order of the construction table,
    // which is how the construction catalogue numbers its help pages.
    std::ifstream table(std::string(ZF_SOURCE_DIR) + "/content/city/constructions.tsv");
    std::vector<std::string> sold;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream row(line);
        std::string id, epoch;
        std::getline(row, id, '\t');
        std::getline(row, epoch, '\t');
        if (epoch != "bonus") sold.push_back(id);
    }
    const CXMLNodeList page_nodes = Node("ShopDialog").SelectNodes("Control[@id='ID_PAGES']/Page");
    ASSERT_EQ(size_t(page_nodes.GetLength()), sold.size() + 1);
    for (size_t n = 1; n <= sold.size(); ++n) {
        const CXMLNodeList captions = page_nodes.GetItem(int(n)).SelectNodes("Control[@type='LABEL']");
        ASSERT_GT(captions.GetLength(), 1) << n;
        EXPECT_EQ(captions.GetItem(0).GetAttribute("caption"), "CityShop_name_" + sold[n - 1]) << n;
        EXPECT_EQ(captions.GetItem(1).GetAttribute("caption"), "CityShop_desc_" + sold[n - 1]) << n;
    }
    CEpochCompletePanel epoch;
    epoch.Load(Node("EpochCompleteDialog"));
    EXPECT_EQ(epoch.GetControl<CMenuPageControl>("ID_PAGES")->GetPages().size(), 7u) << "one page per epoch";
    EXPECT_TRUE(epoch.GetRing().IsEnabled());
    EXPECT_FALSE(epoch.GetSound().empty());
    EXPECT_TRUE(std::filesystem::exists("Textures/CityDialogs/Ring.png"));
}

TEST_F(CityDialogsContent, DialogsDrawOnTheScreen)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    GetResources().Assign({{1, 150}, {2, 100}, {3, 40}});
    GetConstructionRes().Load();
    CShopPanel shop;
    ASSERT_TRUE(shop.Load(Node("ShopDialog")));
    // Pictures of balls stand in for the construction icons.
    std::vector<ShopItem> items = SixItems("Textures\\Balls\\Balls.png");
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].construct_id = 101 + int(i);
        const float rect[4] = {float(i * 64), 0.0f, float(i * 64 + 64), 64.0f};
        std::copy(rect, rect + 4, items[i].description.icon.tex_rect);
    }
    shop.SetItems(items);
    shop.ShowModalImmediately();
    Draw(shop, 1);
    // The pointer on the too expensive third slot shows its card.
    const CBaseControlPtr mark = shop.GetControl("ID_MARK_2");
    guitest::FakeMouse mouse;
    IMouse* old = g_Mouse;
    g_Mouse = &mouse;
    mouse.Frame(int(mark->GetX() + 20), int(mark->GetY() + 20), false);
    const zftest::SurfacePtr shot = Draw(shop, 2);
    g_Mouse = old;
    EXPECT_EQ(shop.GetPage(), 3);
    Save(shot, "shop");

    CEpochCompletePanel epoch;
    ASSERT_TRUE(epoch.Load(Node("EpochCompleteDialog")));
    epoch.SetEpochPage(2);
    epoch.ShowModalImmediately();
    Save(Draw(epoch, 60), "epoch_complete");
    EXPECT_FALSE(epoch.GetRing().IsRunning());

    const std::pair<const char*, std::function<std::unique_ptr<CBaseDialog>()>> others[] = {
        {"EpochAllCompleteDialog", [] { return std::make_unique<CEpochAllCompletePanel>(); }},
        {"GameEndWarningDialog", [] { return std::make_unique<CWarningDialog>(); }},
        {"GameCompleteFailDialog", [] { return std::make_unique<CGameCompleteDialog>(); }},
        {"GameCompleteWonDialog", [] { return std::make_unique<CGameWonDialog>(); }},
    };
    for (const auto& [node, make] : others) {
        std::unique_ptr<CBaseDialog> dialog = make();
        ASSERT_TRUE(dialog->Load(Node(node)));
        dialog->ShowModalImmediately();
        if (auto* won = dynamic_cast<CGameWonDialog*>(dialog.get())) won->SetPage(1);
        Save(Draw(*dialog, 2), node);
    }
}

} // namespace
