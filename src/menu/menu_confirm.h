// The yes/no question the menu asks before something that cannot be undone.
#pragma once

#include "gui/gui_dialog.h"

// Results of the question, read and reset by its owner.
enum EConfirmResult {
    crYes = 1,
    crNo = 2,
};

// A sliding dialog with the buttons "ID_YES" and "ID_NO"; it answers only while shown.
class CConfirmationDialog : public CSlideableBaseDialog {
public:
    void OnClick(CBaseControl* control) override;
};
