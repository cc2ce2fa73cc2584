#include "game/game_gui.h"

GamePoint CBonusPanel::GetBonusIconPos(int resource_id) const
{
    const int slot = (resource_id >= 10 && resource_id <= 17) ? resource_id - 10 : 0;
    return GamePoint{_x + _step * static_cast<float>(slot), _y};
}
