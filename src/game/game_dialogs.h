// The dialogs that interrupt play: the pause dialog with its sound and music volumes and its
// leave-game confirmation, and the help dialog with its sections of pages.
#pragma once

#include "engine/render/cross_fader.h"
#include "gui/gui_dialog.h"
#include "settings/main_settings.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CPyro2;
class CXMLNode;

// Results of the pause dialog, read and reset by its owner.
enum EPauseResult { prLeaveGame = 1, prBackToGame = 2, prHelp = 4 };
// Results of the leave-game confirmation, read and reset by the pause dialog.
enum ELeaveResult { lrLeave = 1, lrCancel = 3 };
// Results of the help dialog.
enum EHelpResult { hrContinue = 1, hrExit = 2 };

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

// The current epoch's help limits: how many pages of the help's first and third sections the
// player may turn to, and the page each section opens at.
struct EpochHelp {
    int limit_01 = 1;
    int limit_03 = 1;
    int default_page_01 = 0;
    int default_page_03 = 0;
};
// The current epoch's help limits; false for an epoch the city does not know.
using EpochHelpSource = std::function<bool(int epoch, EpochHelp& help)>;

// One effect of the help dialog. The open and close effects are a sprite that moves and resizes from
// the start rectangle to the end one over one pass of its animation. A page effect is a page-turn
// sprite drawn at its offset from the dialog's corner with its own size, an emitter started at its
// offset that drifts by its speed every frame, and a sound.
struct HelpEffect {
    HelpEffect();
    ~HelpEffect();
    HelpEffect(const HelpEffect&) = delete;
    HelpEffect& operator=(const HelpEffect&) = delete;

    // Null when the node has no picture: the effect then ends as soon as it starts.
    std::unique_ptr<CSprite> sprite;

    // Open and close.
    float start_x = 0.0f, start_y = 0.0f, end_x = 0.0f, end_y = 0.0f;
    float start_size_x = 0.0f, start_size_y = 0.0f, end_size_x = 0.0f, end_size_y = 0.0f;
    // The rectangle shown and its change per frame while the effect runs.
    float x = 0.0f, y = 0.0f, size_x = 0.0f, size_y = 0.0f;
    float step_x = 0.0f, step_y = 0.0f, step_size_x = 0.0f, step_size_y = 0.0f;
    bool running = false;

    // Page turns.
    float scale_to_x = 0.0f, scale_to_y = 0.0f, offset_x = 0.0f, offset_y = 0.0f;
    std::string emitter;
    float emitter_x = 0.0f, emitter_y = 0.0f, speed_x = 0.0f, speed_y = 0.0f;
    std::string sound;
    std::unique_ptr<CPyro2> pyro;

    // Whether its sprite plays.
    bool IsPlaying() const { return sprite && sprite->IsPlaying(); }
};

// The help: five sections of pages ("ID_PAGES_1" ... "ID_PAGES_5"), chosen with "ID_GOTO_n" (the
// chosen one's "ID_SELECT_n" highlight shows), turned with "ID_FORWARD" and "ID_BACKWARD" (arrows
// disabled at the ends), "ID_CONTINUE" (result 1) and "ID_EXIT" (result 2). The first and third
// sections show as many pages as the current epoch allows, the second as many as the player's title
// allows. It opens and closes with an effect, and turns its pages with one. Every control is
// optional; the buttons act only while the dialog is shown.
class CGameHelpDialog : public CBaseDialog {
public:
    static constexpr int kSections = 5;
    enum EEffect { heOpen = 0, heClose = 1, hePageBackward = 2, hePageForward = 3, heCount = 4 };

    CGameHelpDialog();
    ~CGameHelpDialog() override;

    // The controls, and the children "OpenEffect", "CloseEffect", "PageBackwardEffect",
    // "PageForwardEffect".
    bool Load(const CXMLNode& node) override;
    void ClearControls() override;
    void OnShow(bool immediate) override;
    void OnHide(bool immediate) override;
    void OnClick(CBaseControl* control) override;
    // The open or close effect runs; the transition completes when its animation ends.
    void UpdateTransition() override;
    // The effects' sprites and emitters.
    void OnDraw() override;
    // A page turn asked for switches the page once its sprite has played.
    void OnDrawEnd() override;

    // Where the first and third sections' limits come from; without one they are limited only by
    // their pages.
    void SetEpochHelpSource(EpochHelpSource source) { _epoch_help = std::move(source); }

    // Shows the section's page control ("ID_PAGES_n") and selector ("ID_SELECT_n"), hides the
    // others, and shows its first page at once.
    void SelectSection(int section);
    // Clamps the index to the section's pages and sets the arrows; at once (ending a page turn that
    // runs), or with the page effect of that direction, the page switching when its sprite has played.
    void SetPage(int index, bool immediate);
    // The page control switches to the target page; the page effects' emitters go.
    void ApplyPage();

    int GetSection() const { return _section; }
    int GetPageShown() const { return _page_shown; }
    int GetTargetPage() const { return _page_target; }
    // The pages of the section shown; null when the layout has none.
    const std::shared_ptr<CMenuPageControl>& GetCurrentPages() const { return _pages; }
    // How many pages of the section shown the player may see (at least 1).
    int GetPageCount() const;
    // The smallest x and y over the controls as loaded: the page effects' origin.
    float GetCornerX() const { return _corner_x; }
    float GetCornerY() const { return _corner_y; }
    const HelpEffect& GetEffect(EEffect which) const { return _effects[which]; }

private:
    bool IsTurning() const { return _page_shown != _page_target; }
    // The section's page limit by the player's progress (none for a section without one) and its
    // first page.
    std::optional<int> GetSectionLimit(int section) const;
    int GetDefaultPage(int section) const;
    void LoadEffects(const CXMLNode& node);
    void StartTransitionEffect(EEffect which);
    void StopTransitionEffects();
    void StopPageEffects();
    void PlayPageEffect(EEffect which);

    std::shared_ptr<CMenuPageControl> _pages;
    int _section = 0;
    int _page_shown = 0;
    int _page_target = 0;
    float _corner_x = 0.0f;
    float _corner_y = 0.0f;
    HelpEffect _effects[heCount];
    EpochHelpSource _epoch_help;
};
