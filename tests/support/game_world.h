// What the program's start-up gives the game screen before its scene is built, for tests and
// benchmarks that build the scene on the shipped game folder: the texts, the control catalogue,
// the game values and variables, and the game configuration the player reads.
#pragma once

#include "engine/text/engine_langtext.h"
#include "field/config/field_config.h"
#include "gui/gui_kinds.h"
#include "player/player_gamevalues.h"
#include "player/player_user.h"
#include "shell/main_appgame.h"

namespace zftest {

inline void PrepareGameWorld()
{
    CTextKeeper::Instance().SelectLanguage(0);
    CControlKinds::Instance().Reset();
    RegisterGameValues();
    RegisterGameVariables();
    g_GameCfg = CGameCfg();
    g_GameCfg.Load();
    SetUserGameConfig(&g_GameCfg.GetStore());
}

} // namespace zftest
