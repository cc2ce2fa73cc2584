#include "engine/base/engine_paramvalue.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

int ClampToInt(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    return static_cast<int>(v);
}

// Leading blanks, an optional sign, an optional "0x", hexadecimal digits; 0 when no digit follows.
// The number wraps modulo 2^32 like a 32-bit unsigned read.
int ReadHex(const char* p)
{
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && std::isxdigit(static_cast<unsigned char>(p[2]))) p += 2;
    uint32_t value = 0;
    for (; std::isxdigit(static_cast<unsigned char>(*p)); ++p) {
        const char c = *p;
        const uint32_t digit = (c >= '0' && c <= '9') ? c - '0' : (std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
        value = value * 16u + digit;
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

// Leading blanks, an optional sign, decimal digits; stops at the first non-digit; clamped to int.
int ReadDecimal(const char* p)
{
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > 2147483648LL) value = 2147483648LL;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

// A leading decimal number: blanks, a sign, digits with an optional fraction and exponent.
// Hexadecimal, "inf" and "nan" texts are not numbers here.
float ReadFloat(const char* p)
{
    while (IsBlank(*p)) ++p;
    const char* start = p;
    const char* q = p;
    if (*q == '+' || *q == '-') ++q;
    bool digits = false;
    while (*q >= '0' && *q <= '9') { ++q; digits = true; }
    if (*q == '.') {
        ++q;
        while (*q >= '0' && *q <= '9') { ++q; digits = true; }
    }
    if (!digits) return 0.0f;
    if (*q == 'e' || *q == 'E') {
        const char* e = q + 1;
        if (*e == '+' || *e == '-') ++e;
        if (*e >= '0' && *e <= '9') {
            while (*e >= '0' && *e <= '9') ++e;
            q = e;
        }
    }
    const std::string number(start, q);
    return std::strtof(number.c_str(), nullptr);
}

} // namespace

int CParamValue::AsInt() const
{
    switch (_kind) {
    case pvInt: return _int;
    case pvFloat: return ClampToInt(_float);
    case pvString:
        if (_string.find('x') != std::string::npos) return ReadHex(_string.c_str());
        return ReadDecimal(_string.c_str());
    default: return 0;
    }
}

float CParamValue::AsFloat() const
{
    switch (_kind) {
    case pvInt: return static_cast<float>(_int);
    case pvFloat: return _float;
    case pvString: return ReadFloat(_string.c_str());
    default: return 0.0f;
    }
}

std::string CParamValue::ToString() const
{
    // The longest "%f" text of a float (-FLT_MAX) has 47 characters.
    char buf[64];
    switch (_kind) {
    case pvInt:
        std::snprintf(buf, sizeof buf, "%d", _int);
        return buf;
    case pvFloat:
        std::snprintf(buf, sizeof buf, "%f", static_cast<double>(_float));
        return buf;
    case pvString: return _string;
    default: return std::string();
    }
}

const std::string& CParamValue::GetText() const
{
    return _kind == pvString ? _string : GetEmptyString();
}

bool CParamValue::IsEmpty() const
{
    switch (_kind) {
    case pvInt: return _int == 0;
    case pvFloat: return _float == 0.0f;
    case pvString: return _string.empty();
    default: return true;
    }
}

bool CParamValue::operator==(const CParamValue& other) const
{
    if (_kind != other._kind) return false;
    switch (_kind) {
    case pvInt: return _int == other._int;
    case pvFloat: return _float == other._float;
    case pvString: return _string == other._string;
    default: return true;
    }
}

std::string IntToString(int value) { return CParamValue(value).ToString(); }
std::string FloatToString(float value) { return CParamValue(value).ToString(); }
int StringToInt(const std::string& text) { return CParamValue(text).AsInt(); }
float StringToFloat(const std::string& text) { return CParamValue(text).AsFloat(); }
int CharsToInt(const char* text) { return CParamValue(text).AsInt(); }
float CharsToFloat(const char* text) { return CParamValue(text).AsFloat(); }
int HexToInt(const std::string& text) { return StringToInt("0x" + text); }

std::string FormatInt(uint32_t value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u", value);
    return buf;
}

std::string FormatTime(uint32_t milliseconds)
{
    const uint32_t seconds = milliseconds / 1000u;
    const uint32_t hours = seconds / 3600u;
    const uint32_t minutes = (seconds / 60u) % 60u;
    char buf[32];
    if (hours > 0)
        std::snprintf(buf, sizeof buf, "%u:%02u:%02u", hours, minutes, seconds % 60u);
    else
        std::snprintf(buf, sizeof buf, "%u:%02u", minutes, seconds % 60u);
    return buf;
}

const std::string& GetEmptyString()
{
    static const std::string empty;
    return empty;
}

namespace {

// Widths and precisions are capped so that a hostile "%999999999d" costs nothing.
constexpr int kMaxField = 512;

enum class ConversionKind { Int, Unsigned, Char, Float, String };

bool IsOneOf(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

// Reads the digits at i (if any) into value, capped at kMaxField.
void ReadField(const std::string& f, size_t& i, int& value)
{
    if (i >= f.size() || f[i] < '0' || f[i] > '9') return;
    value = 0;
    for (; i < f.size() && f[i] >= '0' && f[i] <= '9'; ++i) value = std::min(value * 10 + (f[i] - '0'), kMaxField);
}

bool KindOf(char conversion, ConversionKind& kind)
{
    switch (conversion) {
    case 'd': case 'i': kind = ConversionKind::Int; return true;
    case 'u': case 'o': case 'x': case 'X': kind = ConversionKind::Unsigned; return true;
    case 'c': kind = ConversionKind::Char; return true;
    case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
        kind = ConversionKind::Float;
        return true;
    case 's': kind = ConversionKind::String; return true;
    default: return false;
    }
}

// Appends one number formatted by the C library; the conversion's fields are capped, so the piece fits.
template <typename T>
void AppendNumber(std::string& out, const std::string& conversion, T value)
{
    char piece[kMaxField * 2 + 64];
    const int n = std::snprintf(piece, sizeof piece, conversion.c_str(), value);
    if (n > 0) out.append(piece, std::min(static_cast<size_t>(n), sizeof piece - 1));
}

} // namespace

std::string FormatParams(const std::string& format, const CParamValue& p1, const CParamValue& p2, size_t max_length)
{
    std::string out;
    const CParamValue* params[2] = {&p1, &p2};
    const CParamValue missing;
    size_t next_param = 0;

    size_t i = 0;
    while (i < format.size() && out.size() < max_length) {
        if (format[i] != '%') { out += format[i++]; continue; }
        if (i + 1 < format.size() && format[i + 1] == '%') { out += '%'; i += 2; continue; }

        // Read one conversion; when it is not a whole supported one, the '%' is copied as text.
        size_t j = i + 1;
        std::string flags;
        for (; j < format.size() && IsOneOf(format[j], "-+#0"); ++j)
            if (flags.find(format[j]) == std::string::npos) flags += format[j];
        int width = -1, precision = -1;
        ReadField(format, j, width);
        if (j < format.size() && format[j] == '.') {
            ++j;
            precision = 0;
            ReadField(format, j, precision);
        }
        // Length modifiers say nothing here: every parameter is passed with the type chosen below.
        while (j < format.size() && IsOneOf(format[j], "hlLqjzt")) ++j;
        ConversionKind kind;
        if (j >= format.size() || !KindOf(format[j], kind)) { out += '%'; ++i; continue; }
        const char letter = kind == ConversionKind::Int ? 'd' : format[j];
        i = j + 1;

        const CParamValue& value = next_param < 2 ? *params[next_param] : missing;
        ++next_param;

        if (kind == ConversionKind::String) {
            std::string text = value.ToString();
            if (precision >= 0 && text.size() > static_cast<size_t>(precision)) text.resize(precision);
            if (text.size() > max_length) text.resize(max_length);
            if (width > static_cast<int>(text.size())) {
                const std::string pad(width - text.size(), ' ');
                text = flags.find('-') != std::string::npos ? text + pad : pad + text;
            }
            out += text;
            continue;
        }
        // Keep only the flags and fields that the C library defines for the conversion used.
        if (kind == ConversionKind::Int || kind == ConversionKind::Char) std::erase(flags, '#');
        if (kind == ConversionKind::Char) { std::erase(flags, '0'); std::erase(flags, '+'); precision = -1; }
        if (kind == ConversionKind::Unsigned) std::erase(flags, '+');
        std::string conversion = "%" + flags;
        if (width >= 0) conversion += std::to_string(width);
        if (precision >= 0) conversion += "." + std::to_string(precision);
        conversion += letter;
        switch (kind) {
        case ConversionKind::Int: AppendNumber(out, conversion, value.AsInt()); break;
        case ConversionKind::Unsigned: AppendNumber(out, conversion, static_cast<unsigned>(value.AsInt())); break;
        case ConversionKind::Float: AppendNumber(out, conversion, static_cast<double>(value.AsFloat())); break;
        case ConversionKind::Char: {
            const std::string& text = value.GetText();
            int code = value.GetKind() == CParamValue::pvString ? (text.empty() ? 0 : text[0]) : value.AsInt();
            code &= 0xFF;
            AppendNumber(out, conversion, code == 0 ? ' ' : code);
            break;
        }
        case ConversionKind::String: break;
        }
    }
    if (out.size() > max_length) out.resize(max_length);
    return out;
}

int ParamSnprintf(char* buf, size_t size, const char* format, const CParamValue& p1, const CParamValue& p2)
{
    const std::string out = FormatParams(format ? format : "", p1, p2);
    if (buf && size > 0) {
        const size_t len = std::min(out.size(), size - 1);
        std::memcpy(buf, out.data(), len);
        buf[len] = '\0';
    }
    return static_cast<int>(out.size());
}
