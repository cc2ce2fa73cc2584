// Tagged values (none, int, float, string) and every conversion between numbers and text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CParamValue {
public:
    enum Kind { pvNone = 0, pvInt = 1, pvFloat = 2, pvString = 3 };

    CParamValue() = default;
    CParamValue(int value) : _kind(pvInt), _int(value) {}
    CParamValue(float value) : _kind(pvFloat), _float(value) {}
    CParamValue(const std::string& value) : _kind(pvString), _string(value) {}
    CParamValue(const char* value) : _kind(pvString), _string(value ? value : "") {}

    int GetKind() const { return _kind; }

    // none: 0; int: the int; float: truncated toward zero; string: hexadecimal when the text holds a
    // lower-case 'x', else a leading decimal integer (0 when no digit leads).
    int AsInt() const;
    // none: 0; int: converted; float: the float; string: a leading decimal number (0 when none leads).
    float AsFloat() const;
    // none: ""; int: decimal; float: "%f" (six decimals); string: the string.
    std::string ToString() const;
    // The string of a string value; the shared empty string for any other kind.
    const std::string& GetText() const;
    // The float of a float value, else 0.
    float GetFloat() const { return _kind == pvFloat ? _float : 0.0f; }
    // The int of an int value, else 0.
    int GetInt() const { return _kind == pvInt ? _int : 0; }
    // True for none, the int 0, the float 0.0 and the empty string.
    bool IsEmpty() const;

    bool operator==(const CParamValue& other) const;
    bool operator!=(const CParamValue& other) const { return !(*this == other); }

private:
    int _kind = pvNone;
    int32_t _int = 0;
    float _float = 0.0f;
    std::string _string;
};

std::string IntToString(int value);
std::string FloatToString(float value);
int StringToInt(const std::string& text);
float StringToFloat(const std::string& text);
int CharsToInt(const char* text);
float CharsToFloat(const char* text);
// StringToInt of "0x" followed by the text: "FF000000" gives the bits 0xFF000000.
int HexToInt(const std::string& text);
// Decimal text of an unsigned number.
std::string FormatInt(uint32_t value);
// "h:mm:ss" when there is at least one whole hour, else "m:ss".
std::string FormatTime(uint32_t milliseconds);
// One shared empty string.
const std::string& GetEmptyString();

// The safe printf: formats a printf-style format with up to two tagged parameters. The format is
// walked conversion by conversion ("%[flags][width][.precision][length]conversion" with the flags
// "-+#0", the conversions d i u o x X c e E f F g G a A s, and "%%"). Each conversion takes the next
// parameter converted to the type it asks for (int, unsigned, double or text; %c of a text shows its
// first character, a zero character shows as a space); a missing parameter counts as 0 or the empty
// text, and nothing is ever read beyond the two parameters. Flags and precisions the C library leaves
// undefined for a conversion are dropped, widths and precisions are capped at 512, and anything that is
// not a whole conversion (a stray '%', "%n", "%p", "%*d", "%1$d" ...) is copied as text. A parameter's
// text never passes through a format. The result holds at most max_length characters.
std::string FormatParams(const std::string& format, const CParamValue& p1 = CParamValue(),
                         const CParamValue& p2 = CParamValue(), size_t max_length = std::string::npos);

// FormatParams into buf (always terminated when size > 0; a null format is empty). Returns the
// length of the full result (as snprintf does), however much of it fits.
int ParamSnprintf(char* buf, size_t size, const char* format, const CParamValue& p1 = CParamValue(),
                  const CParamValue& p2 = CParamValue());
