// The per-user folder that holds the settings, profiles, hiscores, the log and screenshots.
#pragma once

#include <string>

// The user folder with a trailing '/', made with mode 0700 on first use: "Tovrin/Zerafine/" under
// $XDG_DATA_HOME, or under "$HOME/.local/share" when that is unset, empty or not an absolute path.
// "" when the folder cannot be made: then no user file is read from or written to any other place.
// A folder that cannot be made or written is reported on standard error once.
const std::string& GetUserDataFolder();
// The user folder + name; "" without a user folder (so that nothing lands in the current folder).
std::string UserFilePath(const std::string& name);
// True when files can be created in the user folder.
bool IsUserFolderWritable();

// How a user folder is found and made; the parts of the one above, for any environment.
struct UserFolderState {
    std::string path;     // with a trailing '/'; "" when it cannot be made
    bool writable = false;
    std::string problem;  // why it cannot be made or written; "" when all is well
};
// Makes (when missing) and checks the folder "Tovrin/Zerafine/" below the data home given by the
// values of XDG_DATA_HOME and HOME (null when unset).
UserFolderState MakeUserFolder(const char* xdg_data_home, const char* home);
