// The player's profiles in the main menu: the list to choose, add and delete them, the name entry
// (also the menu's first-profile dialog), the note on a name that is taken, and the switch of the
// live user to the profile chosen.
#pragma once

#include "engine/render/cross_fader.h"
#include "gui/gui_dialog.h"
#include "menu/menu_confirm.h"

#include <memory>
#include <string>
#include <vector>

class CUser;
class CXMLNode;

// Results of the profiles dialog, read and reset by the menu.
enum EProfilesResult {
    prChosen = 1,   // a profile was chosen or created and made active in g_Profiles
    prBack = 3,
};

// Results of the name entry.
enum ECreateProfileResult {
    cprName = 1,    // a name that is not empty was entered
    cprBack = 3,
};

// Result of the note on a taken name.
enum EFailCreateProfileResult {
    fcprOk = 1,
};

// The name entry: the edit "ID_USER_NAME" and the buttons "ID_OK" and "ID_BACK". Enter in the edit
// is the same as "ID_OK"; an empty name is never taken and keeps the caret in the edit.
class CCreateProfileDialog : public CSlideableBaseDialog {
public:
    void OnShow(bool immediate) override;
    void OnClick(CBaseControl* control) override;
    void OnProcessed() override;

    // The entered name := the edit's text; true when it is not empty.
    bool TakeName();
    const std::string& GetName() const { return _name; }

private:
    std::shared_ptr<CMenuEdit> Edit() const;

    std::string _name;
};

// The note that a name is taken; "ID_OK" goes back to the name entry.
class CFailCreateProfileDialog : public CSlideableBaseDialog {
public:
    void OnClick(CBaseControl* control) override;
};

// The list of profiles "ID_PROF_LIST" with "ID_OK", "ID_BACK", "ID_ADD" and "ID_DELETE"; the name
// entry, the taken-name note and the delete question open over it, each with the list dimmed.
class CProfilesDialog : public CSlideableBaseDialog {
public:
    // Which child dialog is up.
    enum EMode { pmNone = 0, pmCreate = 1, pmFalseName = 2, pmDelete = 3 };

    // The root "//Dialogs": "ProfilesDialog", "ProfileCreateDialog", "FalseUserNameDialog" and
    // "ProfileDeleteConfirmationDialog" are taken out of it. False for a missing node; a layout
    // without the list "ID_PROF_LIST" throws the toolkit's lookup error.
    bool Load(const CXMLNode& root) override;
    void OnShow(bool immediate) override;
    void OnHide(bool immediate) override;
    void OnClick(CBaseControl* control) override;
    void OnSelect(CBaseControl* control, int index) override;
    void OnItemActivate(CBaseControl* control, int index) override;
    void OnAfterProcess() override;
    void ClearControls() override;

    // Whether Escape may close the dialog: never without profiles, never while a child dialog
    // slides in or out.
    bool CanClose() const;
    int GetMode() const { return _mode; }
    const std::vector<std::string>& GetNames() const { return _names; }
    unsigned GetSelectedRow() const { return _selected; }

    CCreateProfileDialog& GetCreateDialog() { return _create; }
    CFailCreateProfileDialog& GetFalseNameDialog() { return _false_name; }
    CConfirmationDialog& GetDeleteConfirmation() { return _confirm; }

private:
    // The names of g_Profiles into the list, the active one selected, "ID_OK" and "ID_BACK"
    // enabled exactly when there are any.
    void Refresh();
    bool HasRow() const { return _selected < _names.size(); }
    void OpenChild(CBaseDialog& child, int mode);
    void CloseChild(CBaseDialog& child);
    void Choose(const std::string& name);

    CCreateProfileDialog _create;
    CFailCreateProfileDialog _false_name;
    CConfirmationDialog _confirm;
    CCrossFader _fader;
    std::vector<std::string> _names;
    unsigned _selected = 0;
    int _mode = pmNone;
};

// After the profiles dialog closed, whichever way: the user becomes the active profile of
// g_Profiles when it is not that one already. The old user's game is stored (and "Profiles.xml"
// written) only while its profile still exists; a user whose profile was deleted is simply left.
// No active profile fails the check "g_Profiles.HasActive()".
void SelectActiveProfile(CUser& user);
// The first-profile dialog gave a name: the old user's game is stored while its profile exists, a
// profile of the name is created (or the stored one of that name taken), made active, written to
// "Profiles.xml" and loaded into the user. False, with a log line and the user unchanged, for a
// name no profile may have.
bool CreateFirstProfile(CUser& user, const std::string& name);
