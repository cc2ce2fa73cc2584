// The options of the main menu: sound and music volume, brightness, mouse speed and the window mode.
// The dialog works on a copy of the settings, lets the player hear and see each change at once, and
// when it closes, whichever way, applies the copy, makes it the program's settings and writes
// "Config.xml". There is no cancel.
#pragma once

#include "gui/gui_dialog.h"
#include "settings/main_settings.h"

// Result of the options dialog, read and reset by the menu.
enum EOptionsResult {
    orClosed = 3,
};

// Track bars "ID_SOUND", "ID_MUSIC", "ID_GAMMA", "ID_MOUSE", the check box "ID_WINDOWED" and the
// button "ID_BACK".
class COptionsDialog : public CSlideableBaseDialog {
public:
    // The mouse speed the slider offers; a slower one kept in the settings stays until moved.
    static constexpr int kSliderMinSensitivity = 5;

    // The sliding dialog's load; then every control the dialog works with is looked up, so that a
    // layout without one fails here (logged, "Control not found" or "Bad control cast") and not
    // later in the middle of the menu.
    bool Load(const CXMLNode& node) override;
    void OnShow(bool immediate) override;
    void OnHide(bool immediate) override;
    void OnChange(CBaseControl* control) override;
    void OnClick(CBaseControl* control) override;
    // The sliding dialog's step (its open and close sounds), then, until the player clicks the
    // check box, the check box follows the window mode (a switch by Alt+Enter shows in it).
    void OnProcessed() override;

    // The copy := the program's settings (read on first use); the controls show it.
    void Fill();
    // The copy goes live: volumes, brightness, mouse speed, the window mode when it differs; then the
    // values the dialog shows become the program's settings and "Config.xml" is written.
    void Apply();

    const SettingsRecord& GetCopy() const { return _copy; }
    bool IsWindowedChosen() const { return _windowed_chosen; }

private:
    static bool IsWindowedNow();

    SettingsRecord _copy;
    bool _windowed_chosen = false;
    // Fill is setting the controls: their change events are not the player's.
    bool _filling = false;
    // Filled since the last Apply: a dialog closed twice (a slide, then at once) applies once.
    bool _filled = false;
};
