#include "engine/base/engine_userfolder.h"

#include <SDL.h>
#include <sys/stat.h>

const std::string& GetUserDataFolder()
{
    static const std::string folder = [] {
        std::string path;
        if (char* pref = SDL_GetPrefPath("Tovrin", "Zerafine")) {
            path = pref;
            SDL_free(pref);
            ::chmod(path.c_str(), 0700);
        }
        return path;
    }();
    return folder;
}
