// The diagnostic log: "log.html" in the user folder, an HTML page of coloured, time-stamped rows.
// The file is opened, appended to and closed for every row, so that everything written before a
// crash is on disk.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#if defined(__GNUC__)
#define ZF_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ZF_PRINTF(fmt, args)
#endif

class CLog {
public:
    enum { lvlNone = 0, lvlMessage = 1, lvlReport = 2, lvlWarning = 3, lvlError = 4 };

    CLog();
    ~CLog();
    CLog(const CLog&) = delete;
    CLog& operator=(const CLog&) = delete;

    void Write(int level, const char* format, ...) ZF_PRINTF(3, 4);
    void WriteBold(int level, const char* format, ...) ZF_PRINTF(3, 4);
    void Message(const char* format, ...) ZF_PRINTF(2, 3);
    void MessageBold(const char* format, ...) ZF_PRINTF(2, 3);
    void Warning(const char* format, ...) ZF_PRINTF(2, 3);
    void WarningAt(int line, const char* file, const char* format, ...) ZF_PRINTF(4, 5);
    void Error(const char* format, ...) ZF_PRINTF(2, 3);
    void ErrorBold(const char* format, ...) ZF_PRINTF(2, 3);
    void ErrorAt(int line, const char* file, const char* format, ...) ZF_PRINTF(4, 5);

    // The operating-system, processor and memory report written once at start-up.
    void WriteSystemInfo();
    // One message row holding a horizontal rule.
    void WriteSeparator();

    // Writes one row of the given level holding the text as it is.
    void WriteRow(int level, const char* text);
    // Appends the text to the file unchanged.
    void WriteRaw(const char* text);

    // The file of the log; "" when there is none (no user folder).
    const std::string& GetPath() const { return _path; }

    // How many error rows were written (also while the log is off), and the texts of the last ones
    // (up to kRecentErrors, the newest last) without markup and source location.
    static constexpr size_t kRecentErrors = 8;
    int GetErrorCount() const { return _errors; }
    const std::vector<std::string>& GetRecentErrors() const { return _recent_errors; }

    // The process-wide off switch: set when the log could not be created and after it was destroyed.
    static bool IsOff();

private:
    void NoteError(const std::string& row);

    std::string _path;
    int _errors = 0;
    std::vector<std::string> _recent_errors;
};

// The pieces of one row, in order: kLogRowHead, the time stamp, kLogRowMiddle, the colour word,
// kLogRowFace, the text, kLogRowTail. (The crash handler writes rows without CLog.)
inline constexpr char kLogRowHead[] =
    "<Table cellspacing=0 cellpadding=0 border=0><tr><td width='18%'><Font Size = 1 Color = GREEN>";
inline constexpr char kLogRowMiddle[] = "&nbsp;&nbsp;-&nbsp;&nbsp;</Font></td><td align=left><Font Size = 1 Color = ";
inline constexpr char kLogRowFace[] = " Face = Verdana>";
inline constexpr char kLogRowTail[] = "</Font></td></tr></Table>\n";

// The one log, created (and the file truncated) on the first call.
CLog& GetLog();

// The processor line of the system report ("<vendor>  Approx <n>Mhz") from the text of the kernel's
// cpuinfo file; "" when it names no vendor.
std::string CpuInfoSummary(std::istream& cpuinfo);

// Colour word of a row's text by level.
const char* LogLevelColor(int level);
