// Helpers of the base services' tests: temporary folders, files, the log's text, a settable clock.
#pragma once

#include "engine/engine_clock.h"
#include "engine/engine_log.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zf_test {

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::string ReadLog() { return ReadText(GetLog().GetPath()); }

inline void WriteText(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    WriteText(path, std::string(bytes.begin(), bytes.end()));
}

// A fresh folder, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "zf-base-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        _path = tmpl;
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return _path; }
    std::string operator/(const std::string& name) const { return _path + "/" + name; }

private:
    std::string _path;
};

// Works in another current folder for the scope.
class ScopedChdir {
public:
    explicit ScopedChdir(const std::string& path) : _old(std::filesystem::current_path()) { std::filesystem::current_path(path); }
    ~ScopedChdir()
    {
        std::error_code ec;
        std::filesystem::current_path(_old, ec);
    }

private:
    std::filesystem::path _old;
};

// The engine clock at a value the test sets.
class FakeClock {
public:
    explicit FakeClock(uint32_t start = 0) : _now(start)
    {
        _previous = zf::SetClockSource([this] { return _now; });
    }
    ~FakeClock() { zf::SetClockSource(_previous); }
    void Set(uint32_t now) { _now = now; }
    void Advance(uint32_t ms) { _now += ms; }

private:
    uint32_t _now;
    zf::ClockSource _previous;
};

inline size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

} // namespace zf_test
