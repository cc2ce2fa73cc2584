// The continue-game question: its results, the new-game question under it, when Escape may close it,
// and the epoch it names.
#include "dialog_steps.h"

#include "city/city_depot.h"
#include "city/city_model.h"
#include "engine/sound/engine_soundqueue.h"
#include "menu/menu_continue.h"
#include "player/player_prices.h"
#include "player/player_user.h"

#include <functional>

using namespace guitest;

namespace {

const char* const kLayout = R"(<Dialogs>
  <ContinueGameDialog>
    <Control type="LABEL" id="ID_EPOCH" caption="Dlg_text" left="400" top="200"/>
    <Control type="BUTTON" id="ID_CONTINUE" left="300" top="260" width="190" height="40"/>
    <Control type="BUTTON" id="ID_NEW_GAME" left="300" top="320" width="190" height="40"/>
    <Control type="BUTTON" id="ID_BACK_TO_MENU" left="300" top="380" width="190" height="40"/>
  </ContinueGameDialog>
  <NewGameConfirmationDialog>
    <Control type="BUTTON" id="ID_YES" left="200" top="450" width="190" height="40"/>
    <Control type="BUTTON" id="ID_NO" left="400" top="450" width="190" height="40"/>
  </NewGameConfirmationDialog>
</Dialogs>)";

// Two epochs of one construction each.
const char* const kCatalogue = R"(<Constructions>
  <Construction type="101"><Update/></Construction>
  <Construction type="102"><Update/></Construction>
</Constructions>)";
const char* const kPrices = R"(<Resources>
  <ResConstructoin type="101" update_id="0"><Resource type="1" amount="10"/></ResConstructoin>
  <ResConstructoin type="102" update_id="0"><Resource type="1" amount="10"/></ResConstructoin>
</Resources>)";
const char* const kShop = R"(<Shop>
  <Episode epoch_title="E0"><Construction id="101"/></Episode>
  <Episode epoch_title="E1"><Construction id="102"/></Episode>
</Shop>)";

class MenuContinue : public menutest::DialogTest {
protected:
    MenuContinue() : DialogTest(guitest::kCatalogue)
    {
        const std::string text = kLayout;
        layout.LoadXml(std::vector<uint8_t>(text.begin(), text.end()));
        zftest::WriteText(dir / "Constructions.xml", guitest_catalogue());
        GetConstructDepot().Clear();
        GetConstructDepot().Load(dir / "Constructions.xml");
        zftest::WriteText(dir / "ConstructionRes.xml", kPrices);
        GetConstructionRes().Load(dir / "ConstructionRes.xml");
        const std::string shop = kShop;
        shop_file.LoadXml(std::vector<uint8_t>(shop.begin(), shop.end()));
        city.SetLabelSource([](const std::string& alias) { return alias == "E0" ? "The village" : "The town"; });
        city.Load(shop_file.SelectSingleNode("//Shop"));
        city.LoadProgress({});
        g_User = CUser();
    }
    ~MenuContinue() override
    {
        g_User = CUser();
        GetConstructDepot().Clear();
    }
    static std::string guitest_catalogue() { return kCatalogue; }

    void Open(CContinueGameDialog& dialog)
    {
        ASSERT_TRUE(dialog.Load(layout.SelectSingleNode("//Dialogs")));
        dialog.SetCity(&city);
        dialog.ShowModal();
        ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.IsShown(); }));
    }

    zftest::TempDir dir;
    CXMLFile layout, shop_file;
    CCity city;
};

TEST_F(MenuContinue, ContinueAndBackLeaveTheirResultsOnlyWhileShown)
{
    CContinueGameDialog dialog;
    ASSERT_TRUE(dialog.Load(layout.SelectSingleNode("//Dialogs")));
    dialog.SetCity(&city);
    dialog.OnClick(dialog.GetControl("ID_CONTINUE").get());
    EXPECT_EQ(dialog.GetResult(), 0) << "not shown yet";
    dialog.ShowModal();
    ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.IsShown(); }));
    Click(dialog, dialog.GetControl("ID_CONTINUE"));
    EXPECT_EQ(dialog.GetResult(), cgrContinue);
    dialog.SetResult(0);
    Click(dialog, dialog.GetControl("ID_BACK_TO_MENU"));
    EXPECT_EQ(dialog.GetResult(), cgrBack);
}

TEST_F(MenuContinue, NewGameAsksFirstAndOnlyYesStartsIt)
{
    CContinueGameDialog dialog;
    Open(dialog);
    CConfirmationDialog& question = dialog.GetConfirmation();
    for (const char* answer : {"ID_NO", "ID_YES"}) {
        SCOPED_TRACE(answer);
        Click(dialog, dialog.GetControl("ID_NEW_GAME"));
        EXPECT_EQ(dialog.GetMode(), CContinueGameDialog::cmConfirmation);
        EXPECT_FALSE(dialog.IsModal());
        EXPECT_EQ(dialog.GetResult(), 0);
        ASSERT_TRUE(RunUntil(dialog, [&] { return question.IsShown(); }));
        // The dialog under the question is dimmed.
        ASSERT_TRUE(RunUntil(dialog, [&] { return !dialog.GetFader().IsRunning(); }));
        ASSERT_TRUE(dialog.GetFader().GetSprite());
        EXPECT_EQ(dialog.GetFader().GetSprite()->GetColor() >> 24, 64u);
        // The buttons under the question do nothing while it is up.
        Click(dialog, dialog.GetControl("ID_CONTINUE"));
        EXPECT_EQ(dialog.GetResult(), 0);

        Click(dialog, question.GetControl(answer));
        EXPECT_EQ(dialog.GetMode(), CContinueGameDialog::cmNone);
        EXPECT_TRUE(dialog.IsModal());
        EXPECT_TRUE(dialog.IsShown());
        EXPECT_EQ(question.GetResult(), 0) << "the answer is taken";
        EXPECT_EQ(dialog.GetResult(), std::string(answer) == "ID_YES" ? cgrNewGame : 0);
        ASSERT_TRUE(RunUntil(dialog, [&] { return !question.IsVisible() && !dialog.GetFader().IsRunning(); }));
        EXPECT_EQ(dialog.GetFader().GetSprite()->GetColor() >> 24, 0u);
    }
}

TEST_F(MenuContinue, EscapeMayCloseOnlyWhileTheQuestionIsAtRest)
{
    CContinueGameDialog dialog;
    Open(dialog);
    CConfirmationDialog& question = dialog.GetConfirmation();
    EXPECT_TRUE(dialog.CanClose()) << "no question";
    Click(dialog, dialog.GetControl("ID_NEW_GAME"));
    EXPECT_TRUE(question.GetState() & dsOpening);
    EXPECT_FALSE(dialog.CanClose()) << "question sliding in";
    ASSERT_TRUE(RunUntil(dialog, [&] { return question.IsShown(); }));
    EXPECT_TRUE(dialog.CanClose()) << "question up";
    Click(dialog, question.GetControl("ID_NO"));
    EXPECT_TRUE(question.GetState() & dsClosing);
    EXPECT_FALSE(dialog.CanClose()) << "question sliding out";
    ASSERT_TRUE(RunUntil(dialog, [&] { return !question.IsVisible(); }));
    EXPECT_TRUE(dialog.CanClose()) << "question gone";

    // Shown again, the question is gone at once and the mode starts over.
    dialog.HideImmediately();
    Click(dialog, dialog.GetControl("ID_NEW_GAME"));
    dialog.ShowModal();
    EXPECT_FALSE(question.IsVisible());
    EXPECT_EQ(dialog.GetMode(), CContinueGameDialog::cmNone);
    EXPECT_TRUE(dialog.CanClose());
}

TEST_F(MenuContinue, TheEpochTitleIsTheUsersEpochOneOnOnceTheCityIsComplete)
{
    const struct {
        int epoch;
        bool complete;
        std::string title;
    } cases[] = {
        {0, false, "The village"},
        {1, false, "The town"},
        {0, true, "The town"},
        {1, true, ""},      // past the last epoch: the city has no such epoch
        {5, false, ""},
        {-1, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.epoch) + (c.complete ? " complete" : ""));
        city.LoadProgress(c.complete ? CityConstructions{{101, {true, 0}}, {102, {true, 0}}} : CityConstructions{});
        ASSERT_EQ(city.IsAllComplete(), c.complete);
        g_User.Game().epoch = c.epoch;
        EXPECT_EQ(GetEpochTitle(g_User, city), c.title);
    }

    // The dialog names it on every show.
    CContinueGameDialog dialog;
    city.LoadProgress({});
    g_User.Game().epoch = 1;
    Open(dialog);
    auto label = dialog.GetControl<CMenuLabel>("ID_EPOCH");
    label->GetLabel().Rebuild();
    EXPECT_EQ(label->GetLabel().GetText(), "The town");
}

} // namespace
