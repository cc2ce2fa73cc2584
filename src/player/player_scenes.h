// What the scenes ask of the application after the current player changed. The application
// installs the handlers when it is created; without one the calls do nothing.
#pragma once

class CUser;

using UserSceneHandler = void (*)(CUser& user);

void SetUserSceneHandlers(UserSceneHandler refresh, UserSceneHandler sync);

// After the current player changed (a profile chosen or created, the game completed or won): the
// menu shows the user, the game scene drops the hints the user has already seen.
void RefreshUserInScenes(CUser& user);
// After the current saved game changed: the game scene takes the user's values and the city loads
// the city part of the game.
void SyncScenesWithUser(CUser& user);
