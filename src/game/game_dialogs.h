// The dialogs that interrupt play: the pause dialog with its sound and music volumes and its
// leave-game confirmation, the help dialog with its pages, and the game over dialog.
#pragma once

#include "engine/render/cross_fader.h"
#include "gui/gui_dialog.h"
#include "gui/gui_indicators.h"
#include "settings/main_settings.h"

#include <memory>
#include <vector>

class CXMLNode;
struct LevelRecord;

// Results of the pause dialog, read and reset by its owner.
enum EPauseResult { prLeaveGame = 1, prBackToGame = 2, prHelp = 4 };
// Results of the leave-game confirmation, read and reset by the pause dialog.
enum ELeaveResult { lrLeave = 1, lrCancel = 3 };
// Results of the help dialog.
enum EHelpResult { hrContinue = 1, hrExit = 2 };
// The game over dialog's one result.
enum { gorOk = 1 };

// "Do you really want to leave?": "ID_LEAVE" and "ID_CANCEL", acting only while shown.
class CLeaveGameDialog : public CSlideableBaseDialog {
public:
    void OnClick(CBaseControl* control) override;
};

// The pause: "ID_SOUND" and "ID_MUSIC" track bars change the volumes at once, "ID_GAME" goes back
// to the game, "ID_HELP" opens the help and "ID_MENU" asks through the leave confirmation, shown
// over the pause with the pause darkened. The volumes chosen are saved in the settings when the
// dialog hides.
class CPauseDialog : public CSlideableBaseDialog {
public:
    // 0: the pause itself takes input; 1: the leave confirmation is up.
    enum EMode { pmPause = 0, pmLeave = 1 };

    CPauseDialog();
    ~CPauseDialog() override;

    void OnClick(CBaseControl* control) override;
    void OnChange(CBaseControl* control) override;
    void OnShow(bool immediate) override;
    void OnHide(bool immediate) override;
    void OnAfterProcess() override;
    // Takes the game screen's dialogs root ("//Dialogs") and loads its "PauseDialog" child, and the
    // leave confirmation from its "LeaveGameConfirmationDialog" child.
    bool Load(const CXMLNode& dialogs_root) override;
    void ClearControls() override;

    // Whether Escape may close the dialog now: not while the leave confirmation slides in or out.
    bool CanClose() const;

    int GetMode() const { return _mode; }
    int GetSoundVolume() const { return _sound_volume; }
    int GetMusicVolume() const { return _music_volume; }
    CLeaveGameDialog& GetLeaveDialog() { return _leave; }
    const CCrossFader& GetFader() const { return _fader; }

private:
    void ApplyVolumes() const;
    // Back to the pause from the leave confirmation (which slides out).
    void CloseLeaveDialog();

    CLeaveGameDialog _leave;
    CCrossFader _fader;
    int _mode = pmPause;
    int _sound_volume = 0;
    int _music_volume = 0;
    SettingsRecord _settings;
    // A show took the settings that the next hide writes back; without one a hide saves nothing.
    bool _settings_taken = false;
};

// The help: pages of "ID_PAGES_1" turned with "ID_FORWARD" and "ID_BACKWARD" (arrows disabled at
// the ends), "ID_CONTINUE" (result 1) and "ID_EXIT" (result 2). Every control is optional; the
// buttons act only while the dialog is shown.
class CGameHelpDialog : public CBaseDialog {
public:
    static constexpr int kSections = 5;

    bool Load(const CXMLNode& node) override;
    void OnShow(bool immediate) override;
    void OnClick(CBaseControl* control) override;
    // A page turn asked for switches the page once the frame is drawn.
    void OnDrawEnd() override;

    // Shows the section's page control ("ID_PAGES_n") and selector ("ID_SELECT_n"), hides the
    // others, and shows its first page.
    void SelectSection(int section);
    // Clamps the index to the section's pages and sets the arrows; at once, or at the end of the
    // frame's drawing.
    void SetPage(int index, bool immediate);
    // The page control switches to the target page.
    void ApplyPage();

    int GetSection() const { return _section; }
    int GetPageShown() const { return _page_shown; }
    int GetTargetPage() const { return _page_target; }
    // The pages of the section shown; null when the layout has none.
    const std::shared_ptr<CMenuPageControl>& GetCurrentPages() const { return _pages; }
    // How many pages the section shown has (at least 1).
    int GetPageCount() const;

private:
    bool IsTurning() const { return _page_shown != _page_target; }

    std::shared_ptr<CMenuPageControl> _pages;
    int _section = 0;
    int _page_shown = 0;
    int _page_target = 0;
};

// The end of the game when the lives are spent: its "Indicator" children show the player's
// figures; "ID_OK" hides it with result 1.
class CGameOverDialog : public CSlideableBaseDialog {
public:
    CGameOverDialog();
    ~CGameOverDialog() override;

    bool Load(const CXMLNode& node) override;
    // The controls and the indicators go; the dialog can be loaded again.
    void ClearControls() override;
    void OnDraw() override;
    void OnClick(CBaseControl* control) override;
    // The level's record, handed over before the dialog shows: the figures come from the
    // indicators, so the record adds nothing.
    void Fill(const LevelRecord& record);

    const std::vector<std::shared_ptr<CGameIndicator>>& GetIndicators() const { return _indicators; }

private:
    std::vector<std::shared_ptr<CGameIndicator>> _indicators;
};
