#include "player/player_scenes.h"

namespace {
UserSceneHandler g_refresh = nullptr;
UserSceneHandler g_sync = nullptr;
}

void SetUserSceneHandlers(UserSceneHandler refresh, UserSceneHandler sync)
{
    g_refresh = refresh;
    g_sync = sync;
}

void RefreshUserInScenes(CUser& user)
{
    if (g_refresh) g_refresh(user);
}

void SyncScenesWithUser(CUser& user)
{
    if (g_sync) g_sync(user);
}
