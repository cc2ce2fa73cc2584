#include "engine/base/engine_registry.h"

#include "engine/base/engine_clock.h"
#include "engine/base/engine_helpers.h"
#include "engine/base/engine_xml.h"

#include <stdexcept>

std::any& CVariableRegistry::Find(const std::string& name)
{
    const auto it = _vars.find(name);
    if (it == _vars.end()) throw std::runtime_error("Variable " + name + " not registered!");
    return it->second;
}

const std::any& CVariableRegistry::Find(const std::string& name) const
{
    const auto it = _vars.find(name);
    if (it == _vars.end()) throw std::runtime_error("Variable " + name + " not registered!");
    return it->second;
}

bool CVariableRegistry::GetBool(const std::string& name) const { return std::any_cast<bool>(Find(name)); }
int CVariableRegistry::GetInt(const std::string& name) const { return std::any_cast<int>(Find(name)); }
float CVariableRegistry::GetFloat(const std::string& name) const { return std::any_cast<float>(Find(name)); }
std::string CVariableRegistry::GetString(const std::string& name) const
{
    return std::any_cast<std::string>(Find(name));
}

void CVariableRegistry::SetAny(const std::string& name, const std::any& value)
{
    Find(name) = value;
}

void CVariableRegistry::ReadAttributes(const CXMLNode& node)
{
    if (!node.IsValid()) return;
    for (auto& [name, value] : _vars) {
        if (const int* i = std::any_cast<int>(&value))
            value = node.GetIntAttribute(name, *i);
        else if (const float* f = std::any_cast<float>(&value))
            value = node.GetFloatAttribute(name, *f);
        else if (const bool* b = std::any_cast<bool>(&value))
            value = node.GetBoolAttribute(name, *b);
        else if (const std::string* s = std::any_cast<std::string>(&value))
            value = node.GetAttribute(name, *s);
    }
}

namespace {
uint32_t g_RandomState = 0;

uint32_t NextRandom()
{
    g_RandomState = g_RandomState * 214013u + 2531011u;
    return g_RandomState;
}
} // namespace

void RandomSeed(uint32_t seed)
{
    g_RandomState = seed ? seed : zf::ClockNow();
}

int RandomInt(int lo, int hi)
{
    const uint32_t state = NextRandom();
    const uint32_t value = (state >> 15) ^ state;
    if (hi < lo) {
        VERIFY_SOFT(lo <= hi);
        return lo;
    }
    const uint32_t range = static_cast<uint32_t>(hi) - static_cast<uint32_t>(lo) + 1u;  // 0: the whole int range
    return static_cast<int>(static_cast<uint32_t>(lo) + (range ? value % range : value));
}

float RandomFloat(float lo, float hi)
{
    const uint32_t state = NextRandom();
    const float result = lo + (hi - lo) * static_cast<float>((state >> 16) & 0xFFFFu) * (1.0f / 65535.0f);
    // the rounded factor can step a hair past the ends
    const float low = lo < hi ? lo : hi;
    const float high = lo < hi ? hi : lo;
    return result < low ? low : (result > high ? high : result);
}
