// Helpers shared by the test programs: temporary folders, running in a folder, writing and reading
// files, the log's text and a settable clock.
#pragma once

#include "engine/base/engine_clock.h"
#include "engine/base/engine_log.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zftest {

// Runs the test in a folder and goes back afterwards.
class ScopedChdir {
public:
    explicit ScopedChdir(const std::string& dir)
    {
        char buf[4096];
        if (getcwd(buf, sizeof(buf))) _old = buf;
        if (chdir(dir.c_str()) != 0) throw std::runtime_error("cannot enter " + dir);
    }
    ~ScopedChdir()
    {
        if (!_old.empty() && chdir(_old.c_str()) != 0) {
        }
    }
    ScopedChdir(const ScopedChdir&) = delete;
    ScopedChdir& operator=(const ScopedChdir&) = delete;

private:
    std::string _old;
};

// A fresh folder, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "zf-test-XXXXXX").string();
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

// Writes the file, making its folders first.
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

// The whole file as text; empty when it cannot be read.
inline std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The log's text so far.
inline std::string ReadLog() { return ReadTextFile(GetLog().GetPath()); }

// Counts the occurrences of `what` in `text`.
inline size_t CountOf(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); !what.empty() && p != std::string::npos; p = text.find(what, p + what.size())) ++n;
    return n;
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
    size_t Count(const std::string& s) const { return CountOf(Text(), s); }

private:
    size_t _start;
};

// True when the lines occur in the text in this order.
inline bool InOrder(const std::string& text, const std::vector<std::string>& lines)
{
    size_t pos = 0;
    for (const std::string& line : lines) {
        pos = text.find(line, pos);
        if (pos == std::string::npos) return false;
        pos += line.size();
    }
    return true;
}

// The engine clock at a value the test sets, for the scope. A loop that reads it very often while
// nothing moves it on would spin for ever: after kStillReads such reads the read throws
// ClockStandsStill, so the test fails at once instead of at its time limit.
struct ClockStandsStill : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class FakeClock {
public:
    static constexpr int kStillReads = 100000;

    explicit FakeClock(uint32_t start = 0) : _now(start)
    {
        _previous = zf::SetClockSource([this] {
            if (++_still_reads > kStillReads)
                throw ClockStandsStill("the settable clock was read " + std::to_string(kStillReads) +
                                       " times while standing still: the loop spins");
            return _now;
        });
    }
    ~FakeClock() { zf::SetClockSource(_previous); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;
    void Set(uint32_t now)
    {
        _now = now;
        _still_reads = 0;
    }
    void Advance(uint32_t ms)
    {
        _now += ms;
        _still_reads = 0;
    }
    uint32_t Now() const { return _now; }

private:
    uint32_t _now;
    int _still_reads = 0;
    zf::ClockSource _previous;
};

} // namespace zftest
