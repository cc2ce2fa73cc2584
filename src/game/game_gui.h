// Small types shared by the game screen's panels (the panels themselves are in game_panels.h and
// game_bonuspanel.h).
#pragma once

struct GamePoint {
    float x = 0.0f;
    float y = 0.0f;
};
