#include "gui/gui_dialog.h"

namespace {
int g_panel_slide_speed = 23;
}

int GetPanelSlideSpeed() { return g_panel_slide_speed; }
void SetPanelSlideSpeed(int speed) { g_panel_slide_speed = speed; }
