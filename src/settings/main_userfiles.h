// Helpers for the per-user files and the program's global variables.
#pragma once

#include <string>

class CVariableRegistry;

// The named variables the scenes and the application hand to one another ("test_mode",
// "cur_level_file", "is_last_level", "city_caller_scene" ...).
CVariableRegistry& GetGlobalVars();

// Moves a user file that cannot be read aside under a new name ("<path>.bad-<n>", the first n
// not taken), so that it is never overwritten. Returns the new name, or "" when it could not be moved.
std::string KeepAsideUnreadable(const std::string& path);

// Seconds after which a temporary file of a save is taken as left by a save that never finished.
inline constexpr int kStaleTemporaryAge = 60;
// Removes the temporary files that saves of the user files ("Config.xml", "Profiles.xml",
// "Hiscores.xml") left in the user folder when the game was killed; returns how many.
int RemoveStaleUserTemporaries(int min_age_s = kStaleTemporaryAge);
