// The main menu: one dialog made of four parts that open and close together (the menu buttons with
// the player's icon, the best city's medal, and a top and a bottom board of game indicators), and
// the help that explains the player's title while the right button is held on the icon.
#pragma once

#include "gui/gui_dialog.h"
#include "gui/gui_indicators.h"

#include <memory>
#include <string>
#include <vector>

class CMenuImage;
class CXMLNode;

// Results of the main menu, read and reset by the menu scene.
enum EMainDialogResult {
    mdrProfile = 5,
    mdrOptions = 6,
    mdrStart = 7,
    mdrRelax = 8,
    mdrBestCity = 9,
    mdrExit = 11,
};

// Medal values of a profile's first setting.
enum EMedal {
    kMedalNone = 0,
    kMedalSilver = 1,
    kMedalGold = 777,
};

// A board of the menu that slides in and out and carries game indicators; a click on one of its
// controls leaves result 1 and the control for the owner.
class CMenuDialog : public CSlideableBaseDialog {
public:
    bool Load(const CXMLNode& node) override;
    void OnClick(CBaseControl* control) override;
    void OnDraw() override;
    void ClearControls() override;
    using CSlideableBaseDialog::SetSlide;
    // The points the board slides between, at 5 pixels a frame.
    void SetSlide(float away_x, float away_y, float rest_x, float rest_y);

    CBaseControl* GetClickedControl() const { return _clicked; }
    const std::vector<std::shared_ptr<CGameIndicator>>& GetIndicators() const { return _indicators; }

private:
    std::vector<std::shared_ptr<CGameIndicator>> _indicators;
    CBaseControl* _clicked = nullptr;
};

// The best city's medal: it comes in slowly and leaves quickly; a click leaves result 1 and the
// control for the owner.
class CVictoryDialog : public CSlideableBaseDialog {
public:
    bool Load(const CXMLNode& node) override;
    void OnClick(CBaseControl* control) override;
    void Show() override;
    void Hide() override;

    CBaseControl* GetClickedControl() const { return _clicked; }

private:
    CBaseControl* _clicked = nullptr;
};

class CMainDialog : public CBaseDialog {
public:
    // root: the "Dialogs" element that holds the four parts.
    bool Load(const CXMLNode& root) override;
    void OnClick(CBaseControl* control) override;
    // The main part's controls, then the medal, top and bottom parts, each run for its frame.
    void OnDraw() override;
    void OnProcessInput() override;
    void ClearControls() override;
    void SetModal(bool modal) override;
    void OnProcessed() override;
    // False unless the main, top and bottom parts are all shown.
    bool IsMouseOver() const override;

    // Every part in, sliding; the medal only for a player with a best city.
    void ShowAll();
    // The same at once (the medal still slides in).
    void ShowAllImmediately();
    // The medal, top and bottom parts slide out; the main part stays.
    void HideParts();
    void HideAllImmediately();
    bool AreAllPartsShown() const;
    bool IsUserIconHovered() const;

    // The name as the parameter of the profile button's text.
    void ShowProfileName(const std::string& name);
    // 0: no best city; 1: the silver medal; 777: the gold one; other values change nothing.
    void ShowMedal(int value);
    bool HasBestCity() const { return _has_best_city; }

    CVictoryDialog& GetBestCityPart() { return _best_city; }
    CMenuDialog& GetTopPart() { return _top; }
    CMenuDialog& GetBottomPart() { return _bottom; }

private:
    // The medal part takes part in drawing and input: a best city, or still moving.
    bool BestCityActive() const;
    // The medal in for a player with a best city, else out.
    void ShowBestCityPart();
    // Each part's click (its result 1) becomes the main dialog's result for the clicked control.
    void ForwardClicks();

    CVictoryDialog _best_city;
    CMenuDialog _top;
    CMenuDialog _bottom;
    std::shared_ptr<CMenuImage> _user_icon;
    bool _has_best_city = false;
};

// Pages that explain the player's titles: page n is title n of the ladder; page 0 is never shown.
class CUserTitleHelpDialog : public CBaseDialog {
public:
    // n <= 0 hides the dialog at once; otherwise page n (at most the last) is shown at once.
    void ShowPage(int page);
};
