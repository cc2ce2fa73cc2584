#include "player/player_resources.h"

#include "player/player_gamevalues.h"
#include "player/player_user.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/sound/engine_soundqueue.h"
#include "engine/base/engine_xml.h"

#include <algorithm>

CResources& GetResources()
{
    static CResources resources;
    return resources;
}

CResCredits& GetResCredits()
{
    static CResCredits credits;
    return credits;
}

// ---------------------------------------------------------------------------------------------
// CResources

int32_t CResources::GetAmount(int type) const
{
    auto it = _entries.find(type);
    return it == _entries.end() ? 0 : it->second.amount;
}

bool CResources::IsAvailable(int type) const
{
    auto it = _entries.find(type);
    return it != _entries.end() && it->second.available;
}

void CResources::Add(int type, int32_t amount)
{
    g_User.AddResource(type, amount);
    auto it = _entries.find(type);
    if (it != _entries.end()) {
        it->second.amount += amount;
    } else {
        g_User.SetResource(type, amount);
        _entries[type] = Entry{amount, true};
    }
}

void CResources::Spend(int type, int32_t amount)
{
    auto it = _entries.find(type);
    if (it == _entries.end()) return;
    g_User.SpendResource(type, amount);
    it->second.amount -= amount;
}

void CResources::SetAvailable(int type, bool flag)
{
    auto it = _entries.find(type);
    if (it != _entries.end())
        it->second.available = flag;
    else
        _entries[type] = Entry{0, flag};
}

void CResources::Assign(const std::map<int32_t, int32_t>& amounts)
{
    _entries.clear();
    for (const auto& [type, amount] : amounts) _entries[type] = Entry{amount, true};
}

void CResources::GetAvailableTypes(std::list<int>& types) const
{
    types.clear();
    for (int type : {rtMoney, rtStaff, rtFood})
        if (IsAvailable(type)) types.push_back(type);
}

void CResources::StoreInto(std::map<int32_t, int32_t>& amounts) const
{
    for (const auto& [type, entry] : _entries) amounts[type] = entry.amount;
}

// ---------------------------------------------------------------------------------------------
// CResCredits

void CResCredits::Record::Reset()
{
    amount = 0;
    grade = 0;
    prev_amount = 0;
    prev_grade = 0;
    active = false;
    available = false;
    range_low = start_at_amount[0];
    range_high = start_at_amount[1];
}

int CResCredits::LoadCredit(const CXMLNode& bonus_node)
{
    Record r;
    CXMLNode res = bonus_node.SelectSingleNode("ResCredit");
    if (!res.IsValid()) GetLog().Warning("Warning: a bonus of the balls file has no \"ResCredit\"; its credit is type 0.");
    const int type = res.GetIntAttribute("type", 0);
    CXMLNodeList grades = bonus_node.SelectNodes("Grade");
    for (int i = 0; i < grades.GetLength(); ++i) {
        CXMLNode g = grades.GetItem(i);
        const int id = g.GetIntAttribute("id", 0);
        if (id >= 1 && id <= 4) r.start_at_amount[id] = g.GetIntAttribute("start_at_amount", 0);
    }
    // A grade must not begin below the one before it, or its range would be turned round.
    for (int i = 1; i <= 4; ++i) {
        if (r.start_at_amount[i] < r.start_at_amount[i - 1]) {
            GetLog().Warning("Warning: credit type %d: grade %d begins at %d, below grade %d; raised to %d.", type, i,
                             r.start_at_amount[i], i - 1, r.start_at_amount[i - 1]);
            r.start_at_amount[i] = r.start_at_amount[i - 1];
        }
    }
    r.Reset();
    _credits[type] = r;
    return type;
}

int32_t CResCredits::GetGrade(int type) const
{
    auto it = _credits.find(type);
    return it == _credits.end() ? 0 : it->second.grade;
}

int32_t CResCredits::GetAmount(int type) const
{
    auto it = _credits.find(type);
    return it == _credits.end() ? 0 : it->second.amount;
}

bool CResCredits::IsAvailable(int type) const
{
    auto it = _credits.find(type);
    return it != _credits.end() && it->second.available;
}

void CResCredits::SetAvailable(int type, bool flag)
{
    auto it = _credits.find(type);
    if (it != _credits.end()) it->second.available = flag;
}

CreditState CResCredits::GetState(int type) const
{
    auto it = _credits.find(type);
    if (it == _credits.end()) return CreditState();
    return CreditState{it->second.available, it->second.active, it->second.grade};
}

bool CResCredits::HasUpgradable() const
{
    return std::any_of(_credits.begin(), _credits.end(),
                       [](const auto& entry) { return entry.second.available && entry.second.grade < 4; });
}

void CResCredits::GetUpgradable(std::list<int>& types) const
{
    types.clear();
    for (const auto& [type, r] : _credits)
        if (r.available && r.grade < 4) types.push_back(type);
}

void CResCredits::Regrade(int type, bool silent)
{
    auto it = _credits.find(type);
    if (it == _credits.end()) return;
    Record& r = it->second;
    r.prev_amount = 0;
    r.prev_grade = 0;
    int32_t g = 0;
    for (int i = 1; i <= 4; ++i) {
        if (r.amount < r.start_at_amount[i]) break;
        g = i;
    }
    if (g != r.grade) {
        if (g > r.grade && !silent) g_SoundQueue.QueueSound("bn_activate");
        r.grade = g;
        r.active = g > 0;
        const int k = g == 4 ? 3 : g;
        r.range_low = r.start_at_amount[k];
        r.range_high = r.start_at_amount[k + 1];
    }
    r.amount = std::min(std::max(r.amount, r.range_low), r.range_high);
}

void CResCredits::Add(int type, int32_t amount)
{
    auto it = _credits.find(type);
    if (it == _credits.end()) return;
    g_User.AddBonusCredit(type, amount);
    it->second.amount += amount;
    Regrade(type, false);
    // The saved credit is what the credit holds after the top grade cut it.
    g_User.SetBonusCredit(type, it->second.amount);
}

int32_t CResCredits::Consume(int type)
{
    auto it = _credits.find(type);
    if (it == _credits.end()) return 0;
    Record& r = it->second;
    r.prev_amount = r.amount;
    r.prev_grade = r.grade;
    r.amount = 0;
    r.grade = 0;
    r.active = false;
    r.range_low = r.start_at_amount[0];
    r.range_high = r.start_at_amount[1];
    g_User.SetBonusCredit(type, 0);
    return r.prev_grade;
}

void CResCredits::Downgrade(int type, int32_t grade)
{
    VERIFY_SOFT(grade > 0);
    auto it = _credits.find(type);
    if (it == _credits.end()) return;
    Record& r = it->second;
    int32_t amount = r.prev_amount;
    for (int32_t g = r.prev_grade; g > grade && g >= 1; --g)
        amount -= r.start_at_amount[g] - r.start_at_amount[g - 1];
    r.amount = amount;
    Regrade(type, true);
    g_User.SetBonusCredit(type, r.amount);
}

void CResCredits::Assign(const std::map<int32_t, int32_t>& amounts)
{
    for (auto& entry : _credits) entry.second.Reset();
    for (const auto& [type, amount] : amounts) {
        auto it = _credits.find(type);
        if (it == _credits.end()) continue;
        it->second.amount = amount;
        it->second.available = true;
        Regrade(type, true);
    }
}

void CResCredits::FillGameValue(int type, AGameValue& value) const
{
    auto it = _credits.find(type);
    if (it == _credits.end()) {
        value.SetValue(0);
        value.SetRange(0, 0);
        return;
    }
    value.SetValue(it->second.amount);
    value.SetRange(it->second.range_low, it->second.range_high);
}
