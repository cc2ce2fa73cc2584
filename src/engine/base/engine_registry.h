// Named values of run-time type (bool, int, float, string) and the program's random generator.
#pragma once

#include <any>
#include <cstdint>
#include <map>
#include <string>

class CXMLNode;

class CVariableRegistry {
public:
    // Inserts the name with the default when it is absent; a registered name keeps its value and type.
    void Register(const std::string& name, bool value) { RegisterAny(name, value); }
    void Register(const std::string& name, int value) { RegisterAny(name, value); }
    void Register(const std::string& name, float value) { RegisterAny(name, value); }
    void Register(const std::string& name, double value) { RegisterAny(name, static_cast<float>(value)); }
    void Register(const std::string& name, const std::string& value) { RegisterAny(name, value); }
    void Register(const std::string& name, const char* value) { RegisterAny(name, std::string(value ? value : "")); }
    void RegisterBool(const std::string& name, bool value) { Register(name, value); }
    void RegisterInt(const std::string& name, int value) { Register(name, value); }
    void RegisterFloat(const std::string& name, float value) { Register(name, value); }
    void RegisterString(const std::string& name, const std::string& value) { Register(name, value); }

    // The entry of the name; throws std::runtime_error("Variable " + name + " not registered!") when absent.
    std::any& Find(const std::string& name);
    const std::any& Find(const std::string& name) const;

    // The value cast to the asked type; another held type throws std::bad_any_cast.
    bool GetBool(const std::string& name) const;
    int GetInt(const std::string& name) const;
    float GetFloat(const std::string& name) const;
    std::string GetString(const std::string& name) const;

    // Replace the value of a registered name; the held type becomes the new value's type.
    void SetBool(const std::string& name, bool value) { SetAny(name, value); }
    void SetInt(const std::string& name, int value) { SetAny(name, value); }
    void SetString(const std::string& name, const std::string& value) { SetAny(name, value); }
    void SetAny(const std::string& name, const std::any& value);

    // Reads every registered name from the node's attribute of that name, with the held value as
    // default and by the held type. Attributes without a registered name are ignored.
    void ReadAttributes(const CXMLNode& node);

    const std::map<std::string, std::any>& GetVariables() const { return _vars; }

private:
    void RegisterAny(const std::string& name, std::any value) { _vars.emplace(name, std::move(value)); }

    std::map<std::string, std::any> _vars;
};

// The program's linear congruential generator; one shared state.
// A seed of 0 takes the engine clock.
void RandomSeed(uint32_t seed);
// An int in [lo, hi].
int RandomInt(int lo, int hi);
// A float in [lo, hi].
float RandomFloat(float lo, float hi);
