// Game values: named windows onto the numbers and texts of the running game ("VAL_SCORE",
// "VAL_MONEY", ...), which indicators find by name and poll. Each update reports through three
// changed bits what moved since the indicator last cleared them.
#pragma once

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_paramvalue.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// Changed bits.
enum { gvcValue = 1, gvcRange = 2, gvcState = 4 };

class AGameValue : public siv::noncopyable {
public:
    explicit AGameValue(std::string name) : _name(std::move(name)) {}
    virtual ~AGameValue() = default;

    // Polls the source and writes value, range and state by the setting rules.
    virtual void Update() = 0;

    const std::string& GetName() const { return _name; }
    int32_t GetState() const { return _state; }
    const CParamValue& GetValue() const { return _value; }
    const CParamValue& GetMin() const { return _min; }
    const CParamValue& GetMax() const { return _max; }
    int32_t GetChanged() const { return _changed; }
    // The indicator clears the bits after reacting to them.
    void ClearChanged() { _changed = 0; }

    // The setting rules. A variant that holds nothing yet always takes the first write; after that
    // a write of what it holds sets no bit.
    void SetValue(int32_t v) { SetInt(_value, v, gvcValue); }
    void SetText(const std::string& text);
    void SetRange(int32_t lo, int32_t hi)
    {
        SetInt(_min, lo, gvcRange);
        SetInt(_max, hi, gvcRange);
    }
    void SetState(int32_t s);

private:
    void SetInt(CParamValue& variant, int32_t v, int32_t bit);

    std::string _name;
    int32_t _state = 0;
    CParamValue _min;
    CParamValue _max;
    CParamValue _value;
    int32_t _changed = 0;
};

// The registry through which indicators find the values. It does not own them.
class CGameValuesStorage {
public:
    CGameValuesStorage() = default;
    virtual ~CGameValuesStorage() = default;
    CGameValuesStorage(const CGameValuesStorage&) = delete;
    CGameValuesStorage& operator=(const CGameValuesStorage&) = delete;

    // The program's storage, created on first use.
    static CGameValuesStorage& Instance();

    // A null pointer is ignored; a name registered before is logged and throws "Re-register game value".
    void Register(AGameValue* value);
    // The value of that name; an unknown name is logged and throws "Try to obtain unregistered game value".
    AGameValue* GetValue(const std::string& name) const;
    const std::map<std::string, AGameValue*>& GetValues() const { return _values; }

private:
    std::map<std::string, AGameValue*> _values;
};

// What the game values read of the game screen, its top panel, the city and the field. The game
// screen connects its implementation with SetGameValueSource; while none is connected, those
// readings are 0.
class IGameValueSource {
public:
    virtual ~IGameValueSource() = default;
    // The game screen's shown counters, stepping toward the user's values.
    virtual float GetShownScore() const = 0;
    virtual float GetShownResource(int type) const = 0;   // 1 money, 2 staff, 3 food
    // The top panel's blink phase (0 or 1) of the resource.
    virtual int GetBlinkState(int type) const = 0;
    // The level's bonus resource: its type and amount.
    virtual int GetBonusResourceType() const = 0;
    virtual int GetBonusResourceAmount() const = 0;
    // The city: every epoch is complete.
    virtual bool IsAllEpochsComplete() const = 0;
    // The field's upgrade state of a bonus credit type (0 when it keeps none).
    virtual int GetBonusUpgrade(int credit_type) const = 0;
};

void SetGameValueSource(const IGameValueSource* source);
const IGameValueSource* GetGameValueSource();

// The fifty-two game values in their order of registration, not yet registered.
std::vector<std::unique_ptr<AGameValue>> CreateGameValues();
// Creates the program's game values once and registers them in the program's storage.
void RegisterGameValues();
