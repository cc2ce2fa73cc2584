// The menu screen's shipped layouts on the real engine core: every dialog node loads with every
// control the menu's dialogs look up, in the class they expect, every text can be drawn, the title
// help has a page per title, and the menu music exists. ZF_MENU_SHOTS=<folder> keeps pictures of the
// main menu over the player's city and of every dialog over the dimmed menu.
#include "gui/gui_test_util.h"

#include "city/city_depot.h"
#include "city/city_dialogs.h"
#include "city/city_model.h"
#include "city/city_view.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core_internal.h"
#include "engine/render/cross_fader.h"
#include "engine/render/engine_texture.h"
#include "engine/text/engine_langtext.h"
#include "gui/gui_kinds.h"
#include "menu/menu_confirm.h"
#include "menu/menu_continue.h"
#include "menu/menu_main.h"
#include "player/player_gamevalues.h"
#include "player/player_prices.h"
#include "player/player_user.h"
#include "support/dialog_shots.h"
#include "support/pixel_compare.h"

#include <SDL.h>
#include <SDL_image.h>

#include <filesystem>
#include <functional>

namespace {

using guitest::LogWatch;

// The game screen's figures as a player in the middle of a game sees them.
class ShownFigures : public IGameValueSource {
public:
    float GetShownScore() const override { return 48250.0f; }
    float GetShownResource(int type) const override { return type == 1 ? 340.0f : type == 2 ? 125.0f : 90.0f; }
    int GetBlinkState(int) const override { return 0; }
    int GetBonusResourceType() const override { return 0; }
    int GetBonusResourceAmount() const override { return 0; }
    bool IsAllEpochsComplete() const override { return false; }
    int GetBonusUpgrade(int) const override { return 0; }
};

class MenuContent : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software"); }

    MenuContent() : _dir(ZF_GAME_DATA_DIR)
    {
        CEngineCore& core = CEngineCore::Instance();
        _ready = core.GetDevice() || core.Init("ZerafineTest", "Zerafine menu dialogs", true);
        _previous = g_EngineCore;
        g_EngineCore = &core;
        _old_mouse = g_Mouse;
        g_Mouse = &mouse;
        mouse.x = mouse.y = -100;
        CTextKeeper::Instance().SelectLanguage(0);
        CControlKinds::Instance().Reset();
        RegisterGameValues();
        file = std::make_unique<CXMLFile>("Settings\\DialogsMenu.xml");
    }
    ~MenuContent() override
    {
        SetGameValueSource(nullptr);
        g_User = CUser();
        g_Mouse = _old_mouse;
        g_EngineCore = _previous;
    }

    CXMLNode Root() const { return file->SelectSingleNode("//Dialogs"); }
    CXMLNode Node(const std::string& name) const { return file->SelectSingleNode("//Dialogs/" + name); }
    void Save(const zftest::SurfacePtr& shot, const std::string& name) { zftest::KeepPicture(shot, "ZF_MENU_SHOTS", name); }

    zftest::ScopedChdir _dir;
    bool _ready = false;
    IEngineCore* _previous = nullptr;
    IMouse* _old_mouse = nullptr;
    guitest::FakeMouse mouse;
    std::unique_ptr<CXMLFile> file;
};

enum Kind { kButton, kImage, kLabel, kPages, kEdit, kList, kTrack, kCheck };

void CheckClass(const CBaseDialog& dialog, const std::string& id, Kind kind)
{
    switch (kind) {
    case kButton: dialog.GetControl<CMenuButton>(id); break;
    case kImage: dialog.GetControl<CMenuImage>(id); break;
    case kLabel: dialog.GetControl<CMenuLabel>(id); break;
    case kPages: dialog.GetControl<CMenuPageControl>(id); break;
    case kEdit: dialog.GetControl<CMenuEdit>(id); break;
    case kList: dialog.GetControl<CMenuListBox>(id); break;
    case kTrack: dialog.GetControl<CMenuTrackBar>(id); break;
    case kCheck: dialog.GetControl<CMenuCheckBox>(id); break;
    }
}

// Every text of the dialog (labels, button captions, pages) laid out with the game's fonts.
void RebuildTexts(const CBaseDialog& dialog)
{
    for (const CBaseControlPtr& c : dialog.GetControls()) {
        if (auto* text = dynamic_cast<CMenuLabel*>(c.get())) text->GetLabel().Rebuild();
        if (auto* button = dynamic_cast<CMenuButton*>(c.get()))
            if (button->HasCaption()) button->GetCaption().Rebuild();
        if (auto* pages = dynamic_cast<CMenuPageControl*>(c.get()))
            for (const auto& page : pages->GetPages()) RebuildTexts(*page.page);
    }
}

TEST_F(MenuContent, EveryNodeLoadsWithTheControlsTheMenuUses)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    using Ids = std::vector<std::pair<std::string, Kind>>;

    // The main menu and its parts.
    {
        LogWatch log;
        CMainDialog menu;
        ASSERT_TRUE(menu.Load(Root()));
        for (const auto& [id, kind] : Ids{{"ID_START", kButton}, {"ID_OPTIONS", kButton}, {"ID_EXIT", kButton},
                                          {"ID_SELECT_PROFILE", kButton}, {"ID_RELAX", kButton}, {"ID_USER_ICON", kImage}})
            EXPECT_NO_THROW(CheckClass(menu, id, kind)) << id;
        for (const char* id : {"ID_SILVER", "ID_GOLD"}) EXPECT_NO_THROW(CheckClass(menu.GetBestCityPart(), id, kButton)) << id;
        EXPECT_NO_THROW(menu.ShowMedal(1));
        EXPECT_NO_THROW(menu.ShowMedal(777));
        EXPECT_FALSE(menu.GetTopPart().GetIndicators().empty());
        EXPECT_FALSE(menu.GetBottomPart().GetIndicators().empty());
        // The profile button's text takes the player's name.
        auto profile = menu.GetControl<CMenuButton>("ID_SELECT_PROFILE");
        ASSERT_TRUE(profile->HasCaption());
        EXPECT_EQ(profile->GetCaption().GetLabel().param_count, 1);
        for (CBaseDialog* part : std::initializer_list<CBaseDialog*>{&menu, &menu.GetBestCityPart(), &menu.GetTopPart(),
                                                                     &menu.GetBottomPart()})
            RebuildTexts(*part);
        EXPECT_FALSE(log.Has("Error")) << log.Text();
        EXPECT_FALSE(log.Has("Verify")) << log.Text();
        EXPECT_FALSE(log.Has("Warning")) << log.Text();
    }

    // The title help: a page on titles, then one per title of the ladder.
    {
        LogWatch log;
        CUserTitleHelpDialog help;
        ASSERT_TRUE(help.Load(Node("UserTitleHelpDialog")));
        CXMLFile ladder("Settings\\Promotions.xml");
        const int titles = ladder.SelectNodes("//Promotions/Promotion").GetLength();
        ASSERT_GT(titles, 1);
        EXPECT_EQ(int(help.GetControl<CMenuPageControl>("ID_PAGES")->GetPages().size()), titles + 1);
        RebuildTexts(help);
        EXPECT_FALSE(log.Has("Error")) << log.Text();
    }

    // The other dialogs, loaded as the sliding dialogs they are built on.
    const struct {
        const char* node;
        Ids ids;
    } dialogs[] = {
        {"FirstProfileCreateDialog", {{"ID_USER_NAME", kEdit}, {"ID_OK", kButton}, {"ID_BACK", kButton}}},
        {"ProfileCreateDialog", {{"ID_USER_NAME", kEdit}, {"ID_OK", kButton}, {"ID_BACK", kButton}}},
        {"ProfilesDialog",
         {{"ID_PROF_LIST", kList}, {"ID_OK", kButton}, {"ID_BACK", kButton}, {"ID_ADD", kButton}, {"ID_DELETE", kButton}}},
        {"FalseUserNameDialog", {{"ID_OK", kButton}}},
        {"ProfileDeleteConfirmationDialog", {{"ID_YES", kButton}, {"ID_NO", kButton}}},
        {"OptionsDialog",
         {{"ID_SOUND", kTrack}, {"ID_MUSIC", kTrack}, {"ID_GAMMA", kTrack}, {"ID_MOUSE", kTrack}, {"ID_WINDOWED", kCheck},
          {"ID_BACK", kButton}}},
        {"ContinueGameDialog", {{"ID_CONTINUE", kButton}, {"ID_NEW_GAME", kButton}, {"ID_BACK_TO_MENU", kButton}, {"ID_EPOCH", kLabel}}},
        {"NewGameConfirmationDialog", {{"ID_YES", kButton}, {"ID_NO", kButton}}},
        {"RelaxDialog", {{"ID_OWNER", kLabel}, {"ID_MESSAGE", kLabel}, {"ID_RELAX", kButton}}},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.node);
        LogWatch log;
        CSlideableBaseDialog dialog;
        ASSERT_TRUE(dialog.Load(Node(d.node)));
        for (const auto& [id, kind] : d.ids) EXPECT_NO_THROW(CheckClass(dialog, id, kind)) << id;
        RebuildTexts(dialog);
        EXPECT_FALSE(log.Has("Error")) << log.Text();
        EXPECT_FALSE(log.Has("Warning")) << log.Text();
    }
    // Names are at most 12 characters.
    for (const char* name : {"FirstProfileCreateDialog", "ProfileCreateDialog"})
        EXPECT_EQ(Node(name).SelectSingleNode("Control[@id='ID_USER_NAME']").GetIntAttribute("max_text_length", 0), 12) << name;
    // The epoch label takes one parameter; the continue dialog and the relax dialog load through their own classes.
    CContinueGameDialog cont;
    EXPECT_TRUE(cont.Load(Root()));
    EXPECT_EQ(cont.GetControl<CMenuLabel>("ID_EPOCH")->GetLabel().GetLabel().param_count, 1);
    CRelaxDialog relax;
    LogWatch relax_log;
    EXPECT_TRUE(relax.Load(Node("RelaxDialog")));
    EXPECT_FALSE(relax_log.Has("Error")) << relax_log.Text();
}

TEST_F(MenuContent, TheMenuMusicIsAShippedTrack)
{
    CXMLFile cfg("Settings\\MenuCfg.xml");
    const CXMLNode music = cfg.SelectSingleNode("//MainMenu/Music");
    ASSERT_TRUE(music.IsValid());
    const std::string alias = music.GetAttribute("alias");
    CXMLFile table("Settings\\Music.xml");
    const CXMLNode entry = table.SelectSingleNode("//Music/File[@alias='" + alias + "']");
    ASSERT_TRUE(entry.IsValid()) << alias;
    std::string path = entry.GetAttribute("name");
    std::replace(path.begin(), path.end(), '\\', '/');
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
}

// ---- Pictures

class MenuPictures : public MenuContent {
protected:
    MenuPictures()
    {
        GetConstructDepot().Clear();
        GetConstructDepot().Load();
        view.Load();
        // The village half built: the well, the cottage raised once, the garden.
        view.BuildFromCity({{101, 0, false}, {102, 1, false}, {103, 0, false}, {104, -1, false}});
        SetGameValueSource(&figures);
        dim.Init(4);
    }
    ~MenuPictures() override
    {
        view.Release();
        GetConstructDepot().Clear();
        CTextureCacher::Instance().Clear();
        CAniCacher::Instance().Clear();
    }

    // Frames of the city, the main menu, the dimmer (when dimmed) and the dialog on top; the last
    // frame is read back.
    zftest::SurfacePtr Draw(int frames, CBaseDialog* dialog = nullptr, bool dimmed = false,
                            const std::function<void()>& each = nullptr)
    {
        CEngineCore& core = CEngineCore::Instance();
        zftest::SurfacePtr shot;
        for (int frame = 0; frame < frames; ++frame) {
            core.SetFrameTime(0.016f);
            if (!core.BeginFrame()) return nullptr;
            core.Clear(0xFF6A8CA8);
            view.Draw();
            view.UpdateConstructions();
            menu.Process();
            if (dimmed) dim.Draw();
            if (dialog) dialog->Process();
            if (each) each();
            if (frame == frames - 1) shot = zftest::ReadBack(core.GetDevice(), SDL_Rect{0, 0, 800, 600});
            core.EndFrame();
        }
        return shot;
    }

    ShownFigures figures;
    CCityView view;
    CMainDialog menu;
    CCrossFader dim;
};

TEST_F(MenuPictures, MainMenuOverTheCityAndEveryDialog)
{
    ASSERT_TRUE(_ready) << SDL_GetError();
    LogWatch log;
    g_User = CUser();
    GetPromotions().Load();
    g_User.AddScore(48250);
    while (g_User.CheckPromotion()) {
    }
    ASSERT_TRUE(menu.Load(Root()));
    menu.ShowProfileName("Margaret");
    menu.ShowMedal(0);
    menu.ShowAllImmediately();
    Save(Draw(3), "main_menu");

    // A player with the gold medal: it comes down at the top right.
    menu.ShowMedal(777);
    menu.ShowAll();
    Save(Draw(130), "main_menu_gold");
    EXPECT_TRUE(menu.GetBestCityPart().IsShown());

    // The title help beside the icon.
    CUserTitleHelpDialog help;
    ASSERT_TRUE(help.Load(Node("UserTitleHelpDialog")));
    help.ShowPage(4);
    Save(Draw(2, &help), "title_help_4");
    help.ShowPage(99);
    Save(Draw(2, &help), "title_help_last");

    // The relax view: the menu's boards gone, the owner's line faded in.
    CRelaxDialog relax;
    ASSERT_TRUE(relax.Load(Node("RelaxDialog")));
    relax.UpdateOwner(g_User);
    menu.HideParts();
    relax.ShowModal();
    Save(Draw(300, &relax), "relax");
    relax.HideImmediately();
    menu.ShowAllImmediately();

    // The dialogs over the dimmed menu.
    dim.StartFadeOut(160, 164);
    const char* const plain[] = {"FirstProfileCreateDialog", "ProfileCreateDialog", "ProfilesDialog", "FalseUserNameDialog",
                                 "ProfileDeleteConfirmationDialog", "OptionsDialog", "NewGameConfirmationDialog"};
    for (const char* name : plain) {
        CSlideableBaseDialog dialog;
        ASSERT_TRUE(dialog.Load(Node(name)));
        if (auto list = std::dynamic_pointer_cast<CMenuListBox>(dialog.FindControl("ID_PROF_LIST"))) {
            list->SetItems({{"Margaret"}, {"Tom"}, {"Wilhelmina"}});
            list->SelectItem(0);
        }
        if (auto edit = std::dynamic_pointer_cast<CMenuEdit>(dialog.FindControl("ID_USER_NAME"))) edit->SetText("Tom");
        for (const char* bar : {"ID_SOUND", "ID_MUSIC", "ID_GAMMA", "ID_MOUSE"})
            if (auto track = std::dynamic_pointer_cast<CMenuTrackBar>(dialog.FindControl(bar))) track->SetPosition(std::string(bar) == "ID_GAMMA" ? 2 : 60);
        dialog.ShowModalImmediately();
        Save(Draw(3, &dialog, true), name);
    }

    // The continue-game question names the player's epoch.
    CCity city;
    GetConstructionRes().Load();
    CXMLFile shop("Settings\\Shop.xml");
    city.Load(shop.SelectSingleNode("//Shop"));
    city.LoadProgress({});
    g_User.Game().epoch = 2;
    CContinueGameDialog cont;
    ASSERT_TRUE(cont.Load(Root()));
    cont.SetCity(&city);
    cont.ShowModalImmediately();
    Save(Draw(3, &cont, true), "ContinueGameDialog");
    EXPECT_EQ(cont.GetShownEpochTitle(), city.FindEpoch(2)->title);
    // Past the city's epochs (every epoch built) the dialog still names something.
    g_User.Game().epoch = city.GetEpochCount();
    EXPECT_EQ(cont.GetShownEpochTitle(), "your finished city");
    EXPECT_FALSE(log.Has("Error")) << log.Text();
}

} // namespace
