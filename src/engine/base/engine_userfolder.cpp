#include "engine/base/engine_userfolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsAbsolute(const char* path) { return path && path[0] == '/'; }

// The data home of the XDG rules: an unset, empty or relative XDG_DATA_HOME counts as unset.
std::string DataHome(const char* xdg_data_home, const char* home)
{
    if (IsAbsolute(xdg_data_home)) return xdg_data_home;
    if (IsAbsolute(home)) return std::string(home) + "/.local/share";
    if (const passwd* pw = ::getpwuid(::getuid()); pw && IsAbsolute(pw->pw_dir))
        return std::string(pw->pw_dir) + "/.local/share";
    return std::string();
}

} // namespace

UserFolderState MakeUserFolder(const char* xdg_data_home, const char* home)
{
    UserFolderState state;
    const std::string base = DataHome(xdg_data_home, home);
    if (base.empty()) {
        state.problem = "no home folder is known";
        return state;
    }
    const std::string folder = base + "/Tovrin/Zerafine";
    // Every missing folder on the way is made private to the user.
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            state.problem = "cannot make '" + part + "': " + std::strerror(errno);
            return state;
        }
        if (slash == std::string::npos) break;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        state.problem = "'" + folder + "' is not a folder";
        return state;
    }
    // Private to the user; the user's own permissions are left as they are (a folder the user made
    // read-only stays so).
    if (st.st_mode & 077) ::chmod(folder.c_str(), st.st_mode & 0700);
    state.path = folder + "/";
    state.writable = ::access(folder.c_str(), W_OK | X_OK) == 0;
    if (!state.writable) state.problem = "cannot write into '" + folder + "': " + std::strerror(errno);
    return state;
}

namespace {

const UserFolderState& UserFolder()
{
    static const UserFolderState state = [] {
        UserFolderState made = MakeUserFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
        if (!made.problem.empty())
            std::fprintf(stderr, "Zerafine: no usable user folder (%s): settings, players and the log are not saved.\n",
                         made.problem.c_str());
        return made;
    }();
    return state;
}

} // namespace

const std::string& GetUserDataFolder() { return UserFolder().path; }

std::string UserFilePath(const std::string& name)
{
    const std::string& folder = GetUserDataFolder();
    return folder.empty() ? std::string() : folder + name;
}

bool IsUserFolderWritable() { return UserFolder().writable; }
