// Helpers shared by the test programs: running in a folder, reading files and the log, and
// comparing a read-back of the software renderer with a reference picture.
#pragma once

#include "engine/engine_log.h"

#include <unistd.h>

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

} // namespace zftest
