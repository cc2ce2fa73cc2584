// The question the menu asks when the player starts while a game is under way: continue it, start a
// new one (after a yes/no question) or go back to the menu. It names the epoch the game is in.
#pragma once

#include "engine/render/cross_fader.h"
#include "gui/gui_dialog.h"
#include "menu/menu_confirm.h"

#include <string>

class CCity;
class CUser;
class CXMLNode;

// Results of the continue-game dialog, read and reset by the menu scene.
enum EContinueResult {
    cgrContinue = 1,
    cgrBack = 3,
    cgrNewGame = 4,
};

// The title of the epoch the user's game is in: the user's epoch, one further once the city has
// every epoch built; empty for an epoch the city does not have.
std::string GetEpochTitle(const CUser& user, const CCity& city);

class CContinueGameDialog : public CSlideableBaseDialog {
public:
    enum EMode { cmNone = 0, cmConfirmation = 1 };

    // root: the "Dialogs" element that holds "ContinueGameDialog" and "NewGameConfirmationDialog".
    bool Load(const CXMLNode& root) override;
    void ClearControls() override;
    void OnShow(bool immediate) override;
    void OnClick(CBaseControl* control) override;
    void OnAfterProcess() override;

    // Whether Escape may close the dialog: not while the new-game question is sliding in or out.
    bool CanClose() const;
    int GetMode() const { return _mode; }
    CConfirmationDialog& GetConfirmation() { return _confirmation; }
    const CCrossFader& GetFader() const { return _fader; }

    // The city whose epoch titles are named (the city scene's when none is set).
    void SetCity(const CCity* city) { _city = city; }
    // The text "ID_EPOCH" shows for the current user.
    std::string GetShownEpochTitle() const;

private:
    void CloseConfirmation();

    CConfirmationDialog _confirmation;
    CCrossFader _fader;
    int _mode = cmNone;
    const CCity* _city = nullptr;
};
