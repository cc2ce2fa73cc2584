#include "settings/main_userfiles.h"

#include "engine/base/engine_filesys.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_userfolder.h"

#include <filesystem>
#include <system_error>

CVariableRegistry& GetGlobalVars()
{
    static CVariableRegistry vars;
    return vars;
}

std::string KeepAsideUnreadable(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(path, ec)) return std::string();
    for (int n = 1; n < 1000; ++n) {
        std::string candidate = path + ".bad-" + std::to_string(n);
        if (fs::exists(candidate, ec)) continue;
        fs::rename(path, candidate, ec);
        return ec ? std::string() : candidate;
    }
    return std::string();
}

int RemoveStaleUserTemporaries(int min_age_s)
{
    int removed = 0;
    for (const char* name : {"Config.xml", "Profiles.xml", "Hiscores.xml"})
        removed += CFileSystem::RemoveStaleTemporaries(UserFilePath(name), min_age_s);
    return removed;
}
