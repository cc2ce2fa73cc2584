#include "engine/engine_paramvalue.h"

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
    char buf[64];
    switch (_kind) {
    case pvInt:
        std::snprintf(buf, sizeof buf, "%d", _int);
        return buf;
    case pvFloat: {
        const int n = std::snprintf(buf, sizeof buf, "%f", static_cast<double>(_float));
        if (n >= 0 && static_cast<size_t>(n) < sizeof buf) return buf;
        std::string big(static_cast<size_t>(n) + 1, '\0');
        std::snprintf(big.data(), big.size(), "%f", static_cast<double>(_float));
        big.resize(static_cast<size_t>(n));
        return big;
    }
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

int ParamSnprintf(char* buf, size_t size, const char* format, const CParamValue& p1, const CParamValue& p2)
{
    constexpr int kMaxField = 1024;  // widths and precisions are capped to keep the output sane
    std::string out;
    const CParamValue none;
    const CParamValue* params[2] = {&p1, &p2};
    int next = 0;
    auto take = [&]() -> const CParamValue& { return next < 2 ? *params[next++] : none; };

    for (const char* p = format ? format : ""; *p;) {
        if (*p != '%') { out += *p++; continue; }
        const char* start = p++;
        if (*p == '%') { out += '%'; ++p; continue; }
        std::string spec = "%";
        while (*p && std::strchr("-+ #0", *p)) spec += *p++;
        int width = 0;
        while (*p >= '0' && *p <= '9') { width = std::min(width * 10 + (*p - '0'), kMaxField); ++p; }
        if (width) spec += std::to_string(width);
        if (*p == '.') {
            ++p;
            int precision = 0;
            while (*p >= '0' && *p <= '9') { precision = std::min(precision * 10 + (*p - '0'), kMaxField); ++p; }
            spec += "." + std::to_string(precision);
        }
        while (*p && std::strchr("hlLqjzt", *p)) ++p;
        const char conv = *p;
        char piece[4 * kMaxField];
        int n = -1;
        if (conv && std::strchr("di", conv)) {
            n = std::snprintf(piece, sizeof piece, (spec + conv).c_str(), take().AsInt());
        } else if (conv && std::strchr("uxXoc", conv)) {
            const int v = take().AsInt();
            if (conv == 'c') n = std::snprintf(piece, sizeof piece, (spec + conv).c_str(), v);
            else n = std::snprintf(piece, sizeof piece, (spec + conv).c_str(), static_cast<unsigned>(v));
        } else if (conv && std::strchr("fFeEgGaA", conv)) {
            n = std::snprintf(piece, sizeof piece, (spec + conv).c_str(), static_cast<double>(take().AsFloat()));
        } else if (conv == 's') {
            const std::string text = take().ToString();
            // the string itself may be long: format the padding around it by hand
            std::string value = text;
            const size_t dot = spec.find('.');
            if (dot != std::string::npos) value = value.substr(0, std::strtoul(spec.c_str() + dot + 1, nullptr, 10));
            const bool left = spec.find('-') != std::string::npos;
            const size_t pad = static_cast<size_t>(width) > value.size() ? width - value.size() : 0;
            out += left ? value + std::string(pad, ' ') : std::string(pad, ' ') + value;
            ++p;
            continue;
        } else {
            // Not a conversion this formatter supports: keep the text as written.
            out.append(start, conv ? p + 1 : p);
            if (conv) ++p;
            continue;
        }
        if (n > 0) out.append(piece, std::min<size_t>(static_cast<size_t>(n), sizeof piece - 1));
        ++p;
    }
    if (buf && size > 0) {
        const size_t len = std::min(out.size(), size - 1);
        std::memcpy(buf, out.data(), len);
        buf[len] = '\0';
    }
    return static_cast<int>(out.size());
}
