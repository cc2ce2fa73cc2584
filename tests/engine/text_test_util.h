// Helpers shared by the text tests: the fixture folder and the log's text.
#pragma once

#include "engine/engine_log.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace texttest {

inline const std::string kFixtureDir = std::string(ZF_TEST_DATA_DIR) + "/text";

// Runs the test in a folder and goes back afterwards.
class ScopedChdir {
public:
    explicit ScopedChdir(const std::string& dir)
    {
        char buf[4096];
        if (getcwd(buf, sizeof(buf))) _old = buf;
        if (chdir(dir.c_str()) != 0) throw std::runtime_error("cannot enter " + dir);
    }
    ~ScopedChdir() { if (!_old.empty() && chdir(_old.c_str()) != 0) {} }
private:
    std::string _old;
};

// ctest runs the cases of one executable as parallel processes that share its user folder; each
// process takes a folder of its own, so that no other process rewrites the log a case reads.
struct OwnUserFolder {
    OwnUserFolder()
    {
        const char* base = std::getenv("XDG_DATA_HOME");
        const std::filesystem::path root = base && *base ? base : std::filesystem::temp_directory_path().string();
        const std::filesystem::path mine = root / ("process-" + std::to_string(::getpid()));
        std::error_code ec;
        std::filesystem::create_directories(mine, ec);
        ::setenv("XDG_DATA_HOME", mine.c_str(), 1);
    }
};

inline std::string ReadLog()
{
    std::ifstream in(GetLog().GetPath());
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The log's growth between construction and Text().
class LogWatch {
public:
    LogWatch() : _start(ReadLog().size()) {}
    std::string Text() const
    {
        const std::string log = ReadLog();
        return log.size() > _start ? log.substr(_start) : std::string();
    }
    bool Has(const std::string& s) const { return Text().find(s) != std::string::npos; }
    size_t Count(const std::string& s) const
    {
        const std::string t = Text();
        size_t n = 0;
        for (size_t p = t.find(s); p != std::string::npos; p = t.find(s, p + s.size())) ++n;
        return n;
    }
private:
    size_t _start;
};

} // namespace texttest
