// Hardware faults (invalid memory access, division by zero, illegal instruction) end the program
// with a crash report in the log and the running start-up stage's number as exit code.
#pragma once

#include <cstdint>
#include <exception>

class win32_exception : public std::exception {
public:
    win32_exception(const char* text, uintptr_t address, uint32_t code)
        : _text(text), _address(address), _code(code) {}
    const char* what() const noexcept override { return _text; }
    uintptr_t where() const { return _address; }
    uint32_t code() const { return _code; }

    static const char* TextOf(uint32_t code);

private:
    const char* _text;
    uintptr_t _address;
    uint32_t _code;
};

class access_violation : public win32_exception {
public:
    access_violation(uintptr_t address, bool is_write, uintptr_t data_address)
        : win32_exception("Access violation", address, 0xC0000005u), _is_write(is_write), _data_address(data_address) {}
    bool isWrite() const { return _is_write; }
    uintptr_t badAddress() const { return _data_address; }

private:
    bool _is_write;
    uintptr_t _data_address;
};

// Fault codes of the report.
constexpr uint32_t kCodeAccessViolation = 0xC0000005u;
constexpr uint32_t kCodeIntDivideByZero = 0xC0000094u;
constexpr uint32_t kCodeFltDivideByZero = 0xC000008Eu;

// Throws access_violation for the access-violation code, else win32_exception.
[[noreturn]] void TranslateSeException(uint32_t code, uintptr_t address, bool is_write = false,
                                       uintptr_t data_address = 0);

// Installs the fault handlers. A fault writes the crash report rows into the log and exits the
// process with the current stage (or 128 + the signal number while no stage is set).
void InstallSeTranslator();
// The running stage (1..7) for the exit code of a crash; 0 = none.
void SetCrashStage(int stage);
int GetCrashStage();
