// The per-user folder that holds the settings, profiles, hiscores, the log and screenshots.
#pragma once

#include <string>

// The user folder with a trailing '/', created with mode 0700 on first use. It is the platform's preference
// path for this game, under $XDG_DATA_HOME. When no folder can be made, the current folder ("") is used.
const std::string& GetUserDataFolder();
