// Gives every test process its own user folder, so that test processes that ctest runs side by side
// do not truncate each other's log.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct ProcessHome {
    std::string path;
    pid_t owner = 0;

    ProcessHome()
    {
        const char* base = std::getenv("XDG_DATA_HOME");
        path = std::string(base && *base ? base : std::filesystem::temp_directory_path().string()) + "/run-" +
               std::to_string(::getpid());
        std::error_code ec;
        std::filesystem::create_directories(path, ec);
        ::setenv("XDG_DATA_HOME", path.c_str(), 1);
        owner = ::getpid();
    }
    ~ProcessHome()
    {
        // Children of death tests leave the parent's folder alone.
        if (::getpid() != owner) return;
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

ProcessHome g_home;

} // namespace
