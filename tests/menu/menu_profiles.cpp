// The profiles dialog with its name entry, taken-name note and delete question, stepped frame by
// frame on the real engine core; the switch of the live user after it closed and the creation of
// the first profile, with "Profiles.xml" in a folder of the test's own.
#include "menu/menu_profiles.h"

#include "menu_dialogs_fixture.h"

#include "player/player_slot.h"
#include "support/dialog_shots.h"

#include <SDL_image.h>

#include <filesystem>

namespace {

using menutest::g_refreshed;
using menutest::g_synced;

const char* const kLayout = R"(<Dialogs>
  <ProfilesDialog>
    <Control type="LISTBOX" id="ID_PROF_LIST" left="250" top="150" width="300" height="160"/>
    <Control type="BUTTON" id="ID_OK" left="200" top="400" width="100" height="30"/>
    <Control type="BUTTON" id="ID_BACK" left="320" top="400" width="100" height="30"/>
    <Control type="BUTTON" id="ID_ADD" left="440" top="400" width="100" height="30"/>
    <Control type="BUTTON" id="ID_DELETE" left="560" top="400" width="100" height="30"/>
  </ProfilesDialog>
  <ProfileCreateDialog>
    <Control type="EDIT" id="ID_USER_NAME" text="Dlg_text" max_text_length="12" left="300" top="250" width="200" height="30"/>
    <Control type="BUTTON" id="ID_OK" left="280" top="320" width="100" height="30"/>
    <Control type="BUTTON" id="ID_BACK" left="420" top="320" width="100" height="30"/>
  </ProfileCreateDialog>
  <FalseUserNameDialog>
    <Control type="BUTTON" id="ID_OK" left="350" top="320" width="100" height="30"/>
  </FalseUserNameDialog>
  <ProfileDeleteConfirmationDialog>
    <Control type="BUTTON" id="ID_YES" left="280" top="320" width="100" height="30"/>
    <Control type="BUTTON" id="ID_NO" left="420" top="320" width="100" height="30"/>
  </ProfileDeleteConfirmationDialog>
  <FirstProfileCreateDialog>
    <Control type="EDIT" id="ID_USER_NAME" text="Dlg_text" max_text_length="12" left="300" top="250" width="200" height="30"/>
    <Control type="BUTTON" id="ID_OK" left="280" top="320" width="100" height="30"/>
    <Control type="BUTTON" id="ID_BACK" left="420" top="320" width="100" height="30"/>
  </FirstProfileCreateDialog>
</Dialogs>)";

class Profiles : public menutest::MenuDialogs {
protected:
    Profiles() : MenuDialogs(kLayout) {}

    // The profiles stored on disk, the live user on the active one (its game at the level given).
    void Given(const std::vector<std::string>& names, const std::string& active, int level = 0)
    {
        for (const std::string& name : names) ASSERT_TRUE(g_Profiles.AddProfile(name));
        if (!active.empty()) {
            ASSERT_TRUE(g_Profiles.SetActive(active));
            g_User.LoadFromProfile(g_Profiles.GetProfile(active), kCurrentGameSlot);
            g_User.SetLevel(level);
        }
        ASSERT_TRUE(g_Profiles.Save());
    }
    // The dialog loaded and opened as the menu opens it, up to its shown state.
    void Open()
    {
        ASSERT_TRUE(ready) << SDL_GetError();
        ASSERT_TRUE(dialog.Load(Root()));
        dialog.ShowModal();
        ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.IsShown(); }));
    }
    std::shared_ptr<CMenuListBox> List() const { return dialog.GetControl<CMenuListBox>("ID_PROF_LIST"); }
    std::string Edited()
    {
        return dialog.GetCreateDialog().GetControl<CMenuEdit>("ID_USER_NAME")->GetText();
    }
    // Frames until a result, which is taken as the owner takes it.
    int Result(CBaseDialog& d, int limit = 60)
    {
        RunUntil(d, [&] { return d.GetResult() != 0; }, limit);
        const int r = d.GetResult();
        d.SetResult(0);
        return r;
    }

    CProfilesDialog dialog;
};

TEST_F(Profiles, ChildDialogsTakeTurnsAndEscapeWaitsForTheirSlides)
{
    Given({"Ann", "Bob"}, "Ann");
    Open();
    CCreateProfileDialog& create = dialog.GetCreateDialog();
    CFailCreateProfileDialog& taken = dialog.GetFalseNameDialog();
    CConfirmationDialog& confirm = dialog.GetDeleteConfirmation();

    struct Step {
        const char* what;
        std::function<void()> act;
        int mode;
        bool can_close;
        bool parent_modal;
    };
    const Step steps[] = {
        {"shown", [] {}, CProfilesDialog::pmNone, true, true},
        {"add", [&] { Click(dialog, dialog, "ID_ADD"); }, CProfilesDialog::pmCreate, false, false},
        {"entry shown", [&] { RunUntil(dialog, [&] { return create.IsShown(); }); }, CProfilesDialog::pmCreate, true, false},
        {"a taken name", [&] { Type(dialog, "Bob"); Click(dialog, create, "ID_OK"); }, CProfilesDialog::pmFalseName, false, false},
        {"note shown", [&] { RunUntil(dialog, [&] { return taken.IsShown() && !create.IsVisible(); }); },
         CProfilesDialog::pmFalseName, true, false},
        {"note ok", [&] { Click(dialog, taken, "ID_OK"); }, CProfilesDialog::pmCreate, false, false},
        {"entry again", [&] { RunUntil(dialog, [&] { return create.IsShown() && !taken.IsVisible(); }); },
         CProfilesDialog::pmCreate, true, false},
        {"entry back", [&] { Click(dialog, create, "ID_BACK"); }, CProfilesDialog::pmNone, false, true},
        {"entry gone", [&] { RunUntil(dialog, [&] { return !create.IsVisible(); }); }, CProfilesDialog::pmNone, true, true},
        {"delete", [&] { Click(dialog, dialog, "ID_DELETE"); }, CProfilesDialog::pmDelete, false, false},
        {"question shown", [&] { RunUntil(dialog, [&] { return confirm.IsShown(); }); }, CProfilesDialog::pmDelete, true, false},
        {"no", [&] { Click(dialog, confirm, "ID_NO"); }, CProfilesDialog::pmNone, false, true},
        {"question gone", [&] { RunUntil(dialog, [&] { return !confirm.IsVisible(); }); }, CProfilesDialog::pmNone, true, true},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(dialog.GetMode(), s.mode) << s.what;
        EXPECT_EQ(dialog.CanClose(), s.can_close) << s.what;
        EXPECT_EQ(dialog.IsModal(), s.parent_modal) << s.what;
        EXPECT_EQ(dialog.GetResult(), 0) << s.what;
        if (std::string(s.what) == "entry again") EXPECT_EQ(Edited(), "") << "the taken name is gone from the edit";
        if (std::string(s.what) == "a taken name") EXPECT_EQ(create.GetName(), "Bob");
    }
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"Ann", "Bob"})) << "nothing added, nothing deleted";
    EXPECT_EQ(g_Profiles.GetActiveName(), "Ann");
}

TEST_F(Profiles, ANewNameIsStoredMadeActiveAndClosesTheDialog)
{
    Given({"Ann", "Bob"}, "Ann", 4);
    Open();
    Click(dialog, dialog, "ID_ADD");
    ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.GetCreateDialog().IsShown(); }));
    Type(dialog, "Cleo");
    Enter(dialog);
    EXPECT_EQ(Result(dialog), prChosen);
    EXPECT_EQ(g_Profiles.GetActiveName(), "Cleo");
    EXPECT_EQ(dialog.GetNames(), (std::vector<std::string>{"Ann", "Bob", "Cleo"}));
    EXPECT_EQ(dialog.GetSelectedRow(), 2u);
    // On disk at once, before any game is saved.
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"Ann", "Bob", "Cleo"}));
    EXPECT_EQ(Stored().GetActiveName(), "Cleo");

    // The menu then switches to the new, empty user, keeping the old one's game.
    SelectActiveProfile(g_User);
    EXPECT_EQ(g_User.GetName(), "Cleo");
    EXPECT_EQ(g_User.GetLevel(), CGameSlot().level) << "a fresh game";
    EXPECT_EQ(Stored().GetProfile("Ann").GetGame(kCurrentGameSlot).level, 4);
    EXPECT_EQ(g_refreshed, 1);
    EXPECT_EQ(g_synced, 1);
}

TEST_F(Profiles, AnEmptyNameIsRefusedByOkAndByEnter)
{
    Given({"Ann"}, "Ann");
    Open();
    CCreateProfileDialog& create = dialog.GetCreateDialog();
    const std::shared_ptr<CMenuEdit> edit = create.GetControl<CMenuEdit>("ID_USER_NAME");
    Click(dialog, dialog, "ID_ADD");
    ASSERT_TRUE(RunUntil(dialog, [&] { return create.IsShown(); }));
    EXPECT_TRUE(edit->IsFocused());

    Click(dialog, create, "ID_OK");
    EXPECT_EQ(dialog.GetMode(), CProfilesDialog::pmCreate);
    Enter(dialog);
    EXPECT_EQ(dialog.GetMode(), CProfilesDialog::pmCreate);
    EXPECT_TRUE(edit->IsFocused()) << "the caret is back in the edit";
    EXPECT_EQ(dialog.GetResult(), 0);
    EXPECT_EQ(create.GetResult(), 0);

    // Refused characters never reach the name; the edit keeps to its length.
    Type(dialog, "D.a/n\\a-Lee_Thirteen");
    EXPECT_LE(edit->GetText().size(), 12u);
    EXPECT_EQ(edit->GetText().find_first_of("./\\-"), std::string::npos) << edit->GetText();
    Click(dialog, create, "ID_OK");
    EXPECT_EQ(Result(dialog), prChosen);
    EXPECT_EQ(g_Profiles.GetActiveName(), edit->GetText());
    EXPECT_TRUE(Stored().HasProfile(edit->GetText()));
}

TEST_F(Profiles, DeletingTheUsersProfileMakesTheFirstRemainingActiveAndTheUserFollows)
{
    Given({"Cleo", "Ann", "Bob"}, "Bob", 6);
    Open();
    EXPECT_EQ(List()->GetSelected(), 1) << "the active profile is selected";
    Click(dialog, dialog, "ID_DELETE");
    ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.GetDeleteConfirmation().IsShown(); }));
    Click(dialog, dialog.GetDeleteConfirmation(), "ID_YES");
    EXPECT_EQ(dialog.GetMode(), CProfilesDialog::pmNone);
    EXPECT_EQ(dialog.GetNames(), (std::vector<std::string>{"Ann", "Cleo"}));
    EXPECT_EQ(g_Profiles.GetActiveName(), "Ann");
    EXPECT_EQ(List()->GetSelected(), 0);
    EXPECT_EQ(dialog.GetSelectedRow(), 0u);
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"Ann", "Cleo"})) << "written at once";
    ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.CanClose(); }));

    // Back: the menu switches to the active profile; the deleted one is not written back.
    Click(dialog, dialog, "ID_BACK");
    EXPECT_EQ(Result(dialog), prBack);
    zftest::LogWatch log;
    SelectActiveProfile(g_User);
    EXPECT_EQ(g_User.GetName(), "Ann");
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"Ann", "Cleo"}));
    EXPECT_TRUE(log.Has("\"Bob\" no longer exists")) << log.Text();
    // A later save of the game goes to the new user's profile.
    EXPECT_TRUE(SaveUserProgress());
}

TEST_F(Profiles, OkAndAnActivatedRowChooseTheSelectedProfile)
{
    Given({"Ann", "Bob", "Cleo"}, "Ann");
    Open();
    // A click on the third row selects it; OK chooses it.
    const std::shared_ptr<CMenuListBox> list = List();
    const int x = int(list->GetX() + list->GetWidth() / 2);
    const int y = int(list->GetY()) + list->GetItemHeight() * 2 + list->GetItemHeight() / 2;
    Frame(dialog, x, y, false);
    Frame(dialog, x, y, true);
    Frame(dialog, x, y, false);
    ASSERT_EQ(dialog.GetSelectedRow(), 2u);
    Click(dialog, dialog, "ID_OK");
    EXPECT_EQ(Result(dialog), prChosen);
    EXPECT_EQ(g_Profiles.GetActiveName(), "Cleo");

    dialog.OnItemActivate(list.get(), 1);
    EXPECT_EQ(dialog.GetResult(), prChosen);
    EXPECT_EQ(g_Profiles.GetActiveName(), "Bob");
    dialog.SetResult(0);
    dialog.OnItemActivate(list.get(), 3);
    EXPECT_EQ(dialog.GetResult(), 0) << "no such row";
    EXPECT_EQ(g_Profiles.GetActiveName(), "Bob");
}

TEST_F(Profiles, WithoutProfilesOnlyAddHelps)
{
    Open();
    EXPECT_TRUE(dialog.GetNames().empty());
    EXPECT_FALSE(dialog.GetControl("ID_OK")->IsEnabled());
    EXPECT_FALSE(dialog.GetControl("ID_BACK")->IsEnabled());
    EXPECT_FALSE(dialog.CanClose());
    dialog.OnClick(dialog.GetControl("ID_BACK").get());
    dialog.OnClick(dialog.GetControl("ID_OK").get());
    dialog.OnClick(dialog.GetControl("ID_DELETE").get());
    EXPECT_EQ(dialog.GetResult(), 0);
    EXPECT_EQ(dialog.GetMode(), CProfilesDialog::pmNone);

    Click(dialog, dialog, "ID_ADD");
    ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.GetCreateDialog().IsShown(); }));
    EXPECT_FALSE(dialog.CanClose()) << "still no profile";
    Type(dialog, "Ann");
    Enter(dialog);
    EXPECT_EQ(Result(dialog), prChosen);
    ASSERT_TRUE(RunUntil(dialog, [&] { return !dialog.GetCreateDialog().IsVisible(); }));
    EXPECT_TRUE(dialog.CanClose());
    EXPECT_TRUE(dialog.GetControl("ID_OK")->IsEnabled());
    EXPECT_TRUE(dialog.GetControl("ID_BACK")->IsEnabled());
}

TEST_F(Profiles, HidingTheDialogTakesItsChildrenAlong)
{
    Given({"Ann"}, "Ann");
    Open();
    Click(dialog, dialog, "ID_ADD");
    ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.GetCreateDialog().IsShown(); }));
    EXPECT_TRUE(dialog.CanClose()) << "Escape while the entry is up closes the whole screen";
    dialog.Hide();
    EXPECT_TRUE(RunUntil(dialog, [&] { return !dialog.IsVisible(); }));
    EXPECT_FALSE(dialog.GetCreateDialog().IsVisible());
    // Shown again: no child up, mode 0.
    dialog.ShowModal();
    ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.IsShown(); }));
    EXPECT_EQ(dialog.GetMode(), CProfilesDialog::pmNone);
    EXPECT_FALSE(dialog.GetCreateDialog().IsVisible());
    // At once, as the menu hides its dialogs on every entry.
    Click(dialog, dialog, "ID_DELETE");
    dialog.HideImmediately();
    EXPECT_FALSE(dialog.GetDeleteConfirmation().IsVisible());
}

// ---- The switch of the live user

TEST_F(Profiles, TheOldUsersGameIsStoredOnlyWhileItsProfileExists)
{
    struct Row {
        const char* what;
        const char* user;        // the live user's profile ("" none)
        bool delete_user;        // its profile deleted before the switch
        const char* active;
        int stored_level;        // the old user's stored level afterwards (-1: no such profile)
        int switches;
    };
    const Row rows[] = {
        {"another profile chosen", "Ann", false, "Bob", 5, 1},
        {"the user's profile deleted", "Ann", true, "Bob", -1, 1},
        {"the same profile", "Ann", false, "Ann", 0, 0},
        {"no user yet", "", false, "Bob", -1, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        g_Profiles.Load(ProfilesPath() + std::string(".") + std::to_string(&r - rows));
        g_User = CUser();
        g_refreshed = g_synced = 0;
        Given({"Ann", "Bob"}, r.user, 5);
        if (r.delete_user) ASSERT_TRUE(g_Profiles.DeleteProfile(r.user));
        ASSERT_TRUE(g_Profiles.SetActive(r.active));
        SelectActiveProfile(g_User);
        EXPECT_EQ(g_User.GetName(), r.active);
        EXPECT_EQ(g_refreshed, r.switches);
        EXPECT_EQ(g_synced, r.switches);
        CProfiles stored;
        stored.Load(g_Profiles.GetPath());
        if (r.stored_level < 0) {
            EXPECT_FALSE(*r.user && g_Profiles.HasProfile(r.user)) << "not brought back by a store";
        } else {
            const CProfile& ann = stored.GetProfile("Ann");
            EXPECT_EQ(ann.HasGame(kCurrentGameSlot) ? ann.GetGame(kCurrentGameSlot).level : 0, r.stored_level);
        }
        if (r.switches == 0) EXPECT_EQ(g_User.GetLevel(), 5) << "the live game is kept";
    }
}

TEST_F(Profiles, NoActiveProfileIsAFailedCheck)
{
    try {
        SelectActiveProfile(g_User);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "verify {g_Profiles.HasActive()} failed");
    }
}

TEST_F(Profiles, TheFirstProfileIsCreatedStoredAndLoaded)
{
    ASSERT_TRUE(ready);
    CCreateProfileDialog first;
    ASSERT_TRUE(first.Load(Node("FirstProfileCreateDialog")));
    first.ShowModal();
    ASSERT_TRUE(RunUntil(first, [&] { return first.IsShown(); }));
    Type(first, "Dana");
    Frame(first, 0, 0, false, {guitest::kEnter});
    ASSERT_EQ(first.GetResult(), cprName);
    first.SetResult(0);
    Frame(first);
    EXPECT_EQ(first.GetResult(), 0) << "Enter gives the name once";
    EXPECT_TRUE(first.GetControl("ID_USER_NAME")->IsFocused());

    ASSERT_TRUE(CreateFirstProfile(g_User, first.GetName()));
    EXPECT_EQ(g_User.GetName(), "Dana");
    EXPECT_EQ(g_Profiles.GetActiveName(), "Dana");
    EXPECT_EQ(StoredNames(), std::vector<std::string>{"Dana"});
    EXPECT_EQ(g_refreshed, 1);
    EXPECT_EQ(g_synced, 1);

    // The same name in other letters is the stored profile; the old user's game is kept first.
    g_User.SetLevel(3);
    ASSERT_TRUE(CreateFirstProfile(g_User, "DANA"));
    EXPECT_EQ(g_User.GetName(), "Dana");
    EXPECT_EQ(StoredNames(), std::vector<std::string>{"Dana"});
    EXPECT_EQ(g_User.GetLevel(), 3);
    // A name no profile may have changes nothing.
    zftest::LogWatch log;
    EXPECT_FALSE(CreateFirstProfile(g_User, "   "));
    EXPECT_EQ(g_User.GetName(), "Dana");
    EXPECT_TRUE(log.Has("cannot be a profile name"));

    // Back clears the name; the dialog stays for the menu to keep open.
    first.OnClick(first.GetControl("ID_BACK").get());
    EXPECT_EQ(first.GetResult(), cprBack);
    EXPECT_EQ(first.GetName(), "");
}

} // namespace

namespace {

// Drawn by the real engine core: a child dialog dims the list under it and the dim goes again when
// it closes. ZF_MENU_SHOTS=<folder> keeps the pictures.
TEST_F(Profiles, AChildDialogDimsTheListUnderIt)
{
    Given({"Ann", "Bob", "Cleo"}, "Bob");
    Open();
    const uint32_t background = 0xFF6A8CA8;
    const zftest::SurfacePtr plain = zftest::DrawDialog(dialog, 2, background);
    ASSERT_TRUE(plain);
    dialog.OnClick(dialog.GetControl("ID_DELETE").get());
    const zftest::SurfacePtr dimmed = zftest::DrawDialog(dialog, 90, background);
    ASSERT_TRUE(dimmed);
    ASSERT_TRUE(dialog.GetDeleteConfirmation().IsShown());
    zftest::KeepPicture(plain, "ZF_MENU_SHOTS", "profiles_list");
    zftest::KeepPicture(dimmed, "ZF_MENU_SHOTS", "profiles_delete_question");
    // A corner no control covers: the background, then dimmed by about a quarter.
    const uint32_t before = zftest::PixelAt(plain.get(), 10, 10);
    const uint32_t after = zftest::PixelAt(dimmed.get(), 10, 10);
    const int blue_before = int(before & 0xFF), blue_after = int(after & 0xFF);
    EXPECT_NEAR(blue_after, blue_before * (255 - 64) / 255, 4);

    dialog.GetDeleteConfirmation().OnClick(dialog.GetDeleteConfirmation().GetControl("ID_NO").get());
    const zftest::SurfacePtr back = zftest::DrawDialog(dialog, 90, background);
    ASSERT_TRUE(back);
    EXPECT_EQ(zftest::PixelAt(back.get(), 10, 10), before);
    EXPECT_EQ(g_Profiles.GetProfiles().size(), 3u);
}

} // namespace

namespace {

TEST_F(Profiles, DeletingTheLastProfileLeavesOnlyAddAndTheNewOneBecomesTheUser)
{
    Given({"Ann"}, "Ann", 2);
    Open();
    Click(dialog, dialog, "ID_DELETE");
    ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.GetDeleteConfirmation().IsShown(); }));
    Click(dialog, dialog.GetDeleteConfirmation(), "ID_YES");
    ASSERT_TRUE(RunUntil(dialog, [&] { return !dialog.GetDeleteConfirmation().IsVisible(); }));
    EXPECT_TRUE(dialog.GetNames().empty());
    EXPECT_FALSE(g_Profiles.HasActive());
    EXPECT_TRUE(StoredNames().empty());
    EXPECT_FALSE(dialog.CanClose());
    EXPECT_FALSE(dialog.GetControl("ID_BACK")->IsEnabled());
    EXPECT_FALSE(dialog.GetControl("ID_OK")->IsEnabled());

    Click(dialog, dialog, "ID_ADD");
    ASSERT_TRUE(RunUntil(dialog, [&] { return dialog.GetCreateDialog().IsShown(); }));
    Type(dialog, "Ben");
    Click(dialog, dialog.GetCreateDialog(), "ID_OK");
    EXPECT_EQ(Result(dialog), prChosen);
    SelectActiveProfile(g_User);
    EXPECT_EQ(g_User.GetName(), "Ben");
    EXPECT_EQ(StoredNames(), std::vector<std::string>{"Ben"});
}

TEST_F(Profiles, ALayoutWithoutTheListFailsWhenLoaded)
{
    ASSERT_TRUE(ready);
    const std::string text = R"(<Dialogs><ProfilesDialog><Control type="BUTTON" id="ID_OK"/></ProfilesDialog>
      <ProfileCreateDialog/><FalseUserNameDialog/><ProfileDeleteConfirmationDialog/></Dialogs>)";
    CXMLFile file;
    ASSERT_TRUE(file.LoadXml(std::vector<uint8_t>(text.begin(), text.end())));
    zftest::LogWatch log;
    EXPECT_THROW(dialog.Load(file.SelectSingleNode("//Dialogs")), std::runtime_error);
    EXPECT_TRUE(log.Has("Error: control 'ID_PROF_LIST' not found in dialog!")) << log.Text();

    // A missing child node is told and the load reports it.
    const std::string partial = R"(<Dialogs><ProfilesDialog><Control type="LISTBOX" id="ID_PROF_LIST"/></ProfilesDialog>
      <ProfileCreateDialog/></Dialogs>)";
    CXMLFile second;
    ASSERT_TRUE(second.LoadXml(std::vector<uint8_t>(partial.begin(), partial.end())));
    CProfilesDialog other;
    EXPECT_FALSE(other.Load(second.SelectSingleNode("//Dialogs")));
    EXPECT_TRUE(log.Has("Error: dialog node 'FalseUserNameDialog' not found!")) << log.Text();
}

} // namespace
