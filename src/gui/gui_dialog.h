// Dialogs of the toolkit: the program-wide slide speed of sliding dialogs.
#pragma once

// Pixels per frame a sliding dialog moves: 23 until the game configuration is applied.
int GetPanelSlideSpeed();
void SetPanelSlideSpeed(int speed);
