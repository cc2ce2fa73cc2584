#include "menu/menu_confirm.h"

void CConfirmationDialog::OnClick(CBaseControl* control)
{
    if (!IsShown() || !control) return;
    if (control->GetId() == "ID_YES") {
        SetResult(crYes);
    } else if (control->GetId() == "ID_NO") {
        SetResult(crNo);
    }
}
