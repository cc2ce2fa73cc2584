#include "engine/base/engine_sehtrans.h"

#include "engine/base/engine_log.h"

#include <fcntl.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

const char* win32_exception::TextOf(uint32_t code)
{
    switch (code) {
    case kCodeAccessViolation: return "Access violation";
    case kCodeIntDivideByZero:
    case kCodeFltDivideByZero: return "Division by zero";
    default: return "Win32 exception";
    }
}

void TranslateSeException(uint32_t code, uintptr_t address, bool is_write, uintptr_t data_address)
{
    if (code == kCodeAccessViolation) throw access_violation(address, is_write, data_address);
    throw win32_exception(win32_exception::TextOf(code), address, code);
}

namespace {

volatile sig_atomic_t g_Stage = 0;
// Everything the handler needs is prepared at install time: it may only use async-signal-safe calls.
char g_LogPath[4096];
long g_UtcOffset = 0;  // seconds east of UTC when the handlers were installed
alignas(16) char g_AltStack[64 * 1024];

const char kPlace[] = "WinMain";

// A fixed buffer with appenders that call nothing unsafe.
struct Line {
    char text[1024];
    size_t len = 0;

    void Add(const char* s)
    {
        while (*s && len < sizeof text - 1) text[len++] = *s++;
    }
    void AddChar(char c)
    {
        if (len < sizeof text - 1) text[len++] = c;
    }
    void AddUnsigned(unsigned long long v, unsigned base, int min_digits)
    {
        char digits[32];
        int n = 0;
        do {
            digits[n++] = "0123456789ABCDEF"[v % base];
            v /= base;
        } while (v && n < 32);
        while (n < min_digits && n < 32) digits[n++] = '0';
        while (n > 0) AddChar(digits[--n]);
    }
};

// The local time stamp of the log: "%02i.%02i.%i %02i:%02i:%02i.%03i".
void AddTimeStamp(Line& line)
{
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    const long long local = static_cast<long long>(ts.tv_sec) + g_UtcOffset;
    long long days = local / 86400;
    long long secs = local % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    // civil date from days since 1970-01-01
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = static_cast<long long>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
    line.AddUnsigned(day, 10, 2);
    line.AddChar('.');
    line.AddUnsigned(month, 10, 2);
    line.AddChar('.');
    line.AddUnsigned(static_cast<unsigned long long>(year), 10, 1);
    line.AddChar(' ');
    line.AddUnsigned(static_cast<unsigned long long>(secs / 3600), 10, 2);
    line.AddChar(':');
    line.AddUnsigned(static_cast<unsigned long long>(secs / 60 % 60), 10, 2);
    line.AddChar(':');
    line.AddUnsigned(static_cast<unsigned long long>(secs % 60), 10, 2);
    line.AddChar('.');
    line.AddUnsigned(static_cast<unsigned long long>(ts.tv_nsec / 1000000), 10, 3);
}

void WriteRow(int fd, const Line& text)
{
    Line row;
    row.Add(kLogRowHead);
    AddTimeStamp(row);
    row.Add(kLogRowMiddle);
    row.Add(LogLevelColor(CLog::lvlError));
    row.Add(kLogRowFace);
    for (size_t i = 0; i < text.len; ++i) row.AddChar(text.text[i]);
    row.Add(kLogRowTail);
    size_t done = 0;
    while (done < row.len) {
        const ssize_t n = ::write(fd, row.text + done, row.len - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
}

uint32_t FpeCode(int si_code)
{
    switch (si_code) {
    case FPE_INTDIV: return kCodeIntDivideByZero;
    case FPE_FLTDIV: return kCodeFltDivideByZero;
    case FPE_INTOVF: return 0xC0000095u;
    case FPE_FLTOVF: return 0xC0000091u;
    case FPE_FLTUND: return 0xC0000093u;
    case FPE_FLTRES: return 0xC000008Fu;
    default: return 0xC0000090u;
    }
}

void OnFault(int sig, siginfo_t* info, void* context)
{
    uintptr_t pc = 0;
    bool is_write = false;
#if defined(__x86_64__)
    const ucontext_t* uc = static_cast<const ucontext_t*>(context);
    pc = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
    is_write = (uc->uc_mcontext.gregs[REG_ERR] & 2) != 0;
#elif defined(__aarch64__)
    const ucontext_t* uc = static_cast<const ucontext_t*>(context);
    pc = static_cast<uintptr_t>(uc->uc_mcontext.pc);
#else
    (void)context;
#endif
    const uintptr_t data = info ? reinterpret_cast<uintptr_t>(info->si_addr) : 0;
    if (sig == SIGFPE || sig == SIGILL) pc = data ? data : pc;

    const int stage = g_Stage;
    if (!CLog::IsOff() && g_LogPath[0]) {
        const int fd = ::open(g_LogPath, O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd >= 0) {
            Line text;
            text.Add("Crush with exception raised: ");
            if (sig == SIGSEGV || sig == SIGBUS) {
                // "%s at %X: Bad %s on %X (%s)"
                text.Add("Access violation at ");
                text.AddUnsigned(pc, 16, 1);
                text.Add(": Bad ");
                text.Add(is_write ? "write" : "read");
                text.Add(" on ");
                text.AddUnsigned(data, 16, 1);
            } else {
                // "%s (code %X) at %X (%s)"
                const uint32_t code = sig == SIGFPE ? FpeCode(info ? info->si_code : 0) : 0xC000001Du;
                text.Add(win32_exception::TextOf(code));
                text.Add(" (code ");
                text.AddUnsigned(code, 16, 1);
                text.Add(") at ");
                text.AddUnsigned(pc, 16, 1);
            }
            text.Add(" (");
            text.Add(kPlace);
            text.Add(")");
            WriteRow(fd, text);
            if (stage > 0) {
                Line crushed;
                crushed.Add("<B>Application crushed on stage ");
                crushed.AddUnsigned(static_cast<unsigned>(stage), 10, 1);
                crushed.Add(".</B>");
                WriteRow(fd, crushed);
            }
            ::close(fd);
        }
    }
    ::_exit(stage > 0 ? stage : 128 + sig);
}

} // namespace

void InstallSeTranslator()
{
    const std::string& path = GetLog().GetPath();
    if (path.size() < sizeof g_LogPath) {
        std::memcpy(g_LogPath, path.c_str(), path.size() + 1);
    } else {
        g_LogPath[0] = '\0';
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    g_UtcOffset = local.tm_gmtoff;

    stack_t stack{};
    stack.ss_sp = g_AltStack;
    stack.ss_size = sizeof g_AltStack;
    ::sigaltstack(&stack, nullptr);

    struct sigaction action{};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) ::sigaction(sig, &action, nullptr);
}

void SetCrashStage(int stage) { g_Stage = stage; }

int GetCrashStage() { return g_Stage; }
