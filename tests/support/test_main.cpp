// Main of every test program. Each test process gets a user folder of its own below the XDG_DATA_HOME
// that ctest gives the program, so that test cases run in parallel never share "log.html" or the
// settings files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    const char* base = std::getenv("XDG_DATA_HOME");
    const std::filesystem::path root = base && *base ? base : std::filesystem::temp_directory_path() / "zerafine-tests";
    const std::filesystem::path own = root / ("p" + std::to_string(::getpid()));
    std::error_code ec;
    std::filesystem::remove_all(own, ec);
    std::filesystem::create_directories(own, ec);
    ::setenv("XDG_DATA_HOME", own.c_str(), 1);

    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::filesystem::remove_all(own, ec);
    return result;
}
