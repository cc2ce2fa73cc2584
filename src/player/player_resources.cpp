#include "player/player_resources.h"

#include "player/player_user.h"
#include "engine/base/engine_helpers.h"
#include "engine/sound/engine_soundqueue.h"
#include "engine/base/engine_xml.h"

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

int CResources::GetAmount(int type) const
{
    auto it = _entries.find(type);
    return it == _entries.end() ? 0 : it->second.amount;
}

bool CResources::IsAvailable(int type) const
{
    auto it = _entries.find(type);
    return it != _entries.end() && it->second.available;
}

void CResources::Add(int type, int amount)
{
    g_User.AddResource(type, amount);
    auto it = _entries.find(type);
    if (it != _entries.end())
        it->second.amount += amount;
    else
        _entries[type] = Entry{amount, true};
}

void CResources::SetAvailable(int type, bool flag)
{
    auto it = _entries.find(type);
    if (it != _entries.end())
        it->second.available = flag;
    else
        _entries[type] = Entry{0, flag};
}

void CResources::Assign(const std::map<int, int>& amounts)
{
    _entries.clear();
    for (const auto& [type, amount] : amounts)
        _entries[type] = Entry{amount, true};
}

void CResources::GetAvailableTypes(std::list<int>& types) const
{
    types.clear();
    for (int type : {rtMoney, rtStaff, rtFood})
        if (IsAvailable(type)) types.push_back(type);
}

int CResCredits::LoadCredit(const CXMLNode& bonus_node)
{
    Record r;
    int type = 0;
    CXMLNode res = bonus_node.SelectSingleNode("ResCredit");
    if (res.IsValid()) type = res.GetIntAttribute("type", 0);
    CXMLNodeList grades = bonus_node.SelectNodes("Grade");
    for (int i = 0; i < grades.GetLength(); ++i) {
        CXMLNode g = grades.GetItem(i);
        int id = g.GetIntAttribute("id", 0);
        if (id >= 1 && id <= 4) r.start_at_amount[id] = g.GetIntAttribute("start_at_amount", 0);
    }
    r.range_low = r.start_at_amount[0];
    r.range_high = r.start_at_amount[1];
    _credits[type] = r;
    return type;
}

void CResCredits::AddCredit(int type, const int (&thresholds)[5])
{
    Record r;
    for (int i = 0; i < 5; ++i) r.start_at_amount[i] = thresholds[i];
    r.range_low = r.start_at_amount[0];
    r.range_high = r.start_at_amount[1];
    _credits[type] = r;
}

int CResCredits::GetGrade(int type) const
{
    auto it = _credits.find(type);
    return it == _credits.end() ? 0 : it->second.grade;
}

int CResCredits::GetAmount(int type) const
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

void CResCredits::GetUpgradable(std::list<int>& types) const
{
    types.clear();
    for (const auto& [type, r] : _credits)
        if (r.available && r.grade < 4) types.push_back(type);
}

void CResCredits::Regrade(Record& r, bool silent)
{
    r.prev_amount = 0;
    r.prev_grade = 0;
    int g = 0;
    for (int i = 1; i <= 4; ++i) {
        if (r.amount < r.start_at_amount[i]) break;
        g = i;
    }
    if (g != r.grade) {
        if (g > r.grade && !silent) g_SoundQueue.QueueSound("bn_activate");
        r.grade = g;
        r.active = g > 0;
        int k = g == 4 ? 3 : g;
        r.range_low = r.start_at_amount[k];
        r.range_high = r.start_at_amount[k + 1];
    }
    if (r.amount < r.range_low) r.amount = r.range_low;
    if (r.amount > r.range_high) r.amount = r.range_high;
}

void CResCredits::Add(int type, int amount)
{
    auto it = _credits.find(type);
    if (it == _credits.end()) return;
    g_User.AddBonusCredit(type, amount);
    it->second.amount += amount;
    Regrade(it->second, false);
}

int CResCredits::Consume(int type)
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

void CResCredits::Downgrade(int type, int grade)
{
    VERIFY_SOFT(grade > 0);
    auto it = _credits.find(type);
    if (it == _credits.end()) return;
    Record& r = it->second;
    int amount = r.prev_amount;
    for (int g = r.prev_grade; g > grade && g >= 1; --g)
        amount -= r.start_at_amount[g] - r.start_at_amount[g - 1];
    r.amount = amount;
    Regrade(r, true);
    g_User.SetBonusCredit(type, r.amount);
}
