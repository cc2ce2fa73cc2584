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
