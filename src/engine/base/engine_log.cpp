#include "engine/base/engine_log.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_userfolder.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

bool g_LogOff = false;

constexpr size_t kRowLimit = 255;
constexpr size_t kAtLimit = 500;
const char kLocationSuffix[] = "<Font Color = DARKGRAY>  [%s, line %d]</Font>";

// Formats into a string cut to `limit` characters.
std::string FormatCut(size_t limit, const char* format, va_list args)
{
    std::string text(limit + 1, '\0');
    int n = std::vsnprintf(text.data(), text.size(), format, args);
    if (n < 0) n = 0;
    text.resize(std::min<size_t>(static_cast<size_t>(n), limit));
    return text;
}

std::string CutTo(std::string text, size_t limit)
{
    if (text.size() > limit) text.resize(limit);
    return text;
}

enum class RowStyle { Plain, Bold, Located };

// Appends the grey "[file, line N]" when there is a file and the text is not empty and shorter than
// the limit of located rows; cuts to that limit.
std::string WithLocation(std::string text, const char* file, int line)
{
    if (!text.empty() && text.size() < kAtLimit && file) {
        char suffix[kAtLimit + 1];
        std::snprintf(suffix, sizeof suffix, kLocationSuffix, file, line);
        text += suffix;
    }
    return CutTo(std::move(text), kAtLimit);
}

// The text of one row: plain and bold rows hold up to kRowLimit characters, rows with a source
// location up to kAtLimit.
std::string RowText(RowStyle style, const char* file, int line, const char* format, va_list args)
{
    switch (style) {
    case RowStyle::Bold: return CutTo("<B>" + FormatCut(kRowLimit, format, args) + "</B>", kRowLimit);
    case RowStyle::Located: return WithLocation(FormatCut(kAtLimit, format, args), file, line);
    case RowStyle::Plain: break;
    }
    return FormatCut(kRowLimit, format, args);
}

std::string TimeStamp()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02i.%02i.%i %02i:%02i:%02i.%03i", tm.tm_mday, tm.tm_mon + 1,
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
    return buf;
}

} // namespace

const char* LogLevelColor(int level)
{
    switch (level) {
    case 0: return "DARKCYAN";
    case 1: return "BLACK";
    case 2: return "BLUE";
    case 3: return "#FF00FF";
    case 4: return "RED";
    default: return "GREEN";
    }
}

bool CLog::IsOff() { return g_LogOff; }

CLog::CLog()
{
    try {
        // Without a user folder there is no log: it is never written anywhere else.
        _path = UserFilePath("log.html");
        if (_path.empty()) {
            g_LogOff = true;
            return;
        }
        std::FILE* f = std::fopen(_path.c_str(), "wt");
        if (!f) {
            // A folder that cannot be written: no log, rather than a path that names no file.
            _path.clear();
            g_LogOff = true;
            return;
        }
        std::fclose(f);
        WriteRaw("<Title>Log File</Title>");
        WriteRaw("<Meta Charset = windows-1252>");
        WriteRaw("<Html> <Body BgColor = Cornsilk>");
        WriteRaw("<B><Font Size = 3 Color = DarkBlue Face = Verdana>Game Log File</B><BR><BR>");
    } catch (...) {
        g_LogOff = true;
    }
}

CLog::~CLog()
{
    WriteRaw("<Title>Log File</Title>");
    WriteRaw("</Body> </Html>");
    g_LogOff = true;
}

void CLog::WriteRaw(const char* text)
{
    if (g_LogOff || !text) return;
    if (std::FILE* f = std::fopen(_path.c_str(), "at")) {
        std::fputs(text, f);
        std::fclose(f);
    }
}

void CLog::WriteRow(int level, const char* text)
{
    if (g_LogOff || !text) return;
    std::string row = kLogRowHead;
    row += TimeStamp();
    row += kLogRowMiddle;
    row += LogLevelColor(level);
    row += kLogRowFace;
    row += text;
    row += kLogRowTail;
    WriteRaw(row.c_str());
}

// The body of every printf-style writer: one row of the level from the writer's own arguments.
// Errors are noted even when the log is off.
#define ZF_LOG_ROW(level, style, file, line)                                    \
    do {                                                                        \
        if (!format || (g_LogOff && (level) != lvlError)) return;              \
        va_list args;                                                           \
        va_start(args, format);                                                 \
        const std::string row = RowText(style, file, line, format, args);       \
        va_end(args);                                                           \
        if ((level) == lvlError) NoteError(row);                                \
        WriteRow(level, row.c_str());                                           \
    } while (0)

void CLog::NoteError(const std::string& row)
{
    ++_errors;
    // the text without its markup and without the source location of a located row
    const std::string text = row.substr(0, row.find(kLocationSuffix, 0, std::strchr(kLocationSuffix, '%') - kLocationSuffix));
    std::string plain;
    bool in_tag = false;
    for (char c : text) {
        if (c == '<') in_tag = true;
        else if (c == '>' && in_tag) in_tag = false;
        else if (!in_tag) plain += c;
    }
    if (_recent_errors.size() == kRecentErrors) _recent_errors.erase(_recent_errors.begin());
    _recent_errors.push_back(std::move(plain));
}

void CLog::Write(int level, const char* format, ...)
{
    if (level == lvlNone) return;
    ZF_LOG_ROW(level, RowStyle::Plain, nullptr, 0);
}

void CLog::WriteBold(int level, const char* format, ...) { ZF_LOG_ROW(level, RowStyle::Bold, nullptr, 0); }
void CLog::Message(const char* format, ...) { ZF_LOG_ROW(lvlMessage, RowStyle::Plain, nullptr, 0); }
void CLog::MessageBold(const char* format, ...) { ZF_LOG_ROW(lvlMessage, RowStyle::Bold, nullptr, 0); }
void CLog::Warning(const char* format, ...) { ZF_LOG_ROW(lvlWarning, RowStyle::Plain, nullptr, 0); }
void CLog::WarningAt(int line, const char* file, const char* format, ...)
{
    ZF_LOG_ROW(lvlWarning, RowStyle::Located, file, line);
}
void CLog::Error(const char* format, ...) { ZF_LOG_ROW(lvlError, RowStyle::Plain, nullptr, 0); }
void CLog::ErrorBold(const char* format, ...) { ZF_LOG_ROW(lvlError, RowStyle::Bold, nullptr, 0); }
void CLog::ErrorAt(int line, const char* file, const char* format, ...)
{
    ZF_LOG_ROW(lvlError, RowStyle::Located, file, line);
}

#undef ZF_LOG_ROW

void CLog::WriteSeparator()
{
    Write(lvlMessage, "<hr width=100%c noshade size='1px'>", '%');
}

void CLog::WriteSystemInfo()
{
    WriteSeparator();
    WriteBold(lvlReport, "Operating System");
    utsname u{};
    if (::uname(&u) == 0)
        Write(lvlReport, "%s %s %s", u.sysname, u.release, u.machine);
    else
        Write(lvlReport, "%s", "");
    Write(lvlMessage, " ");
    WriteBold(lvlReport, "CPU info");
    {
        std::ifstream cpuinfo("/proc/cpuinfo");
        const std::string cpu = CpuInfoSummary(cpuinfo);
        if (!cpu.empty()) Write(lvlReport, "%s", cpu.c_str());
    }
    Write(lvlReport, " ");
    WriteBold(lvlReport, "Memory status");
    struct sysinfo si{};
    if (::sysinfo(&si) == 0) {
        const unsigned long long unit = si.mem_unit ? si.mem_unit : 1;
        Write(lvlReport, "Physical Memory (free/total): %iMb / %iMb", static_cast<int>((si.freeram * unit) >> 20),
              static_cast<int>((si.totalram * unit) >> 20));
        Write(lvlReport, "Page File (free/total): %iMb / %iMb", static_cast<int>((si.freeswap * unit) >> 20),
              static_cast<int>((si.totalswap * unit) >> 20));
    }
    WriteSeparator();
}

std::string CpuInfoSummary(std::istream& cpuinfo)
{
    std::string line, vendor, mhz;
    while (std::getline(cpuinfo, line) && (vendor.empty() || mhz.empty())) {
        // The text after the colon without leading blanks; a line may have no colon or nothing after it.
        auto value = [&] {
            const auto colon = line.find(':');
            if (colon == std::string::npos) return std::string();
            const auto first = line.find_first_not_of(" \t", colon + 1);
            return first == std::string::npos ? std::string() : line.substr(first);
        };
        if (vendor.empty() && line.rfind("vendor_id", 0) == 0) vendor = value();
        if (mhz.empty() && line.rfind("cpu MHz", 0) == 0) mhz = value();
    }
    if (vendor.empty()) return std::string();
    const long long clock = std::clamp(std::strtoll(mhz.c_str(), nullptr, 10), 0LL, static_cast<long long>(INT_MAX));
    char text[kRowLimit + 1];
    std::snprintf(text, sizeof text, "%s  Approx %iMhz", vendor.c_str(), static_cast<int>(clock));
    return text;
}

CLog& GetLog()
{
    static CLog log;
    return log;
}

namespace zf {

void ReportFailedCheck(const char* expr, const char* file, int line)
{
    GetLog().WarningAt(line, file, "Verify {%s} failed", expr);
}

void ThrowError(const char* text, const char* file, int line)
{
    GetLog().ErrorAt(line, file, "Error: %s", text);
    throw std::runtime_error(text);
}

} // namespace zf
