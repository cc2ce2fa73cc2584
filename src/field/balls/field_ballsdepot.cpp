#include "field/balls/field_ballsdepot.h"

#include "field/config/field_config.h"
#include "field/field_services.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <exception>
#include <map>

namespace {

const char* const kListElements[BallsDepot::blCount] = {"Ball", "Bonus", "MultiBall", "Finisher"};

BallType ReadType(const CXMLNode& node, int list)
{
    BallType t;
    t.graph_type = node.GetIntAttribute("graph_type", 0);
    t.score = node.GetIntAttribute("score", 0);
    const CXMLNode credit = node.SelectSingleNode("ResCredit");
    t.credit_type = credit.GetIntAttribute("type", 0);
    t.credit_amount = credit.GetIntAttribute("amount", 0);
    t.default_credit_type = t.credit_type;
    t.default_credit_amount = t.credit_amount;
    t.default_available = node.GetBoolAttribute("available", false);
    t.available = t.default_available;
    t.explosion_when_change = node.GetAttribute("explosion_when_change");
    t.is_bonus = list == BallsDepot::blBonus;
    t.is_multiball = list == BallsDepot::blMultiball;
    t.is_finisher = list == BallsDepot::blFinisher;
    for (int& g : t.grade_graph_types) g = t.graph_type;
    if (t.is_bonus) {
        const CXMLNodeList grades = node.SelectNodes("Grade");
        for (int i = 0; i < grades.GetLength(); ++i) {
            const CXMLNode grade = grades.GetItem(i);
            const int id = grade.GetIntAttribute("id", 0);
            if (id >= 1 && id <= 4) t.grade_graph_types[id] = grade.GetIntAttribute("graph_type", 0);
        }
    }
    return t;
}

bool MatchesGrade(const BallType& t, int graph_type)
{
    if (!t.is_bonus) return false;
    for (int g = 1; g <= 4; ++g)
        if (t.grade_graph_types[g] == graph_type) return true;
    return false;
}

// Plain candidates grouped by credit type, each list in the level choice's order.
using CreditLists = std::vector<std::vector<const BallType*>>;

CreditLists GroupByCredit(const std::vector<const BallType*>& types)
{
    std::map<int, std::vector<const BallType*>> by_credit;
    for (const BallType* t : types) by_credit[t->credit_type].push_back(t);
    CreditLists lists;
    for (auto& [credit, list] : by_credit) {
        std::stable_sort(list.begin(), list.end(), [](const BallType* a, const BallType* b) { return BallsDepot::Before(*a, *b); });
        lists.push_back(std::move(list));
    }
    return lists;
}

// Takes the first type of the list at that index; an emptied list leaves the rotation.
const BallType* TakeFront(CreditLists& lists, size_t index)
{
    const BallType* t = lists[index].front();
    lists[index].erase(lists[index].begin());
    if (lists[index].empty()) lists.erase(lists.begin() + long(index));
    return t;
}

// Up to `count` types, one per credit type in turn.
void RoundRobin(CreditLists& lists, int& count, std::vector<const BallType*>& out)
{
    size_t i = 0;
    while (count > 0 && !lists.empty()) {
        if (i >= lists.size()) i = 0;
        const size_t before = lists.size();
        out.push_back(TakeFront(lists, i));
        --count;
        if (lists.size() == before) ++i;
    }
}

// Up to `count` types, each from a credit type drawn at random.
void RandomPicks(CreditLists& lists, int& count, std::vector<const BallType*>& out)
{
    while (count > 0 && !lists.empty()) {
        out.push_back(TakeFront(lists, size_t(RandomInt(0, int(lists.size()) - 1))));
        --count;
    }
}

BallTypeEntryPtr EntryOf(const BallType& t)
{
    return std::make_shared<BallTypeEntry>(static_cast<const BallTypeEntry&>(t));
}

} // namespace

void BallsDepot::Load(const CXMLFile& file)
{
    for (auto& list : _lists) list.clear();
    _credit_nodes.clear();
    const CXMLNode root = file.SelectSingleNode("//Balls");
    if (!root.IsValid()) {
        GetLog().Error("Error: %s has no element Balls: no ball types.", file.GetPath().c_str());
        return;
    }
    for (int list = 0; list < blCount; ++list) {
        const CXMLNodeList nodes = root.SelectNodes(kListElements[list]);
        for (int i = 0; i < nodes.GetLength(); ++i) {
            const CXMLNode node = nodes.GetItem(i);
            _lists[list].push_back(ReadType(node, list));
            if (list == blBonus) {
                const CXMLNode credit = node.SelectSingleNode("ResCredit");
                if (credit.IsValid()) {
                    _credit_nodes.push_back(credit);
                    if (IFieldUser* user = GetFieldUser()) user->LoadCredit(node);
                }
            }
        }
    }
}

void BallsDepot::Load()
{
    const char* const path = "Settings\\Balls.xml";
    try {
        CXMLFile file(path);
        Load(file);
    } catch (const std::exception& e) {
        for (auto& list : _lists) list.clear();
        _credit_nodes.clear();
        GetLog().Error("Error: ball types %s not read: %s", path, e.what());
    }
}

bool BallsDepot::Before(const BallType& a, const BallType& b)
{
    if (a.enabled != b.enabled) return a.enabled;
    if (a.is_bonus && b.is_bonus) return a.order_key < b.order_key;
    if (a.enabled && b.enabled) return a.credit_amount < b.credit_amount;
    return a.credit_amount > b.credit_amount;
}

void BallsDepot::SelectForLevel(std::vector<BallTypeEntryPtr>& level_types, bool is_bonus_level)
{
    const int allow_ball_types = g_LevelCfg.GetInt("allow_ball_types");
    const int allow_bonus_types = g_LevelCfg.GetInt("allow_bonus_types");
    VERIFY(allow_ball_types > 0);
    VERIFY(allow_bonus_types <= allow_ball_types);
    level_types.clear();
    IFieldUser* user = GetFieldUser();

    std::vector<const BallType*> crediting, creditless;
    for (const BallType& t : _lists[blPlain]) {
        if (!t.available) continue;
        if (t.credit_amount != 0) {
            if (!is_bonus_level) crediting.push_back(&t);
        } else {
            creditless.push_back(&t);
        }
    }
    const int plain_count = int(crediting.size() + creditless.size());
    CreditLists credit_lists = GroupByCredit(crediting);
    CreditLists zero_lists = GroupByCredit(creditless);

    std::vector<BallType*> bonuses;
    for (BallType& t : _lists[blBonus])
        if (t.available && FieldCreditGrade(t.credit_type) < 4) bonuses.push_back(&t);
    const int count = int(bonuses.size());
    for (BallType* t : bonuses) t->order_key = RandomInt(0, count) + (t->enabled ? 0 : t->weight + count);
    std::stable_sort(bonuses.begin(), bonuses.end(), [](const BallType* a, const BallType* b) { return Before(*a, *b); });

    const int k = std::min(allow_bonus_types, count);
    const int p = std::min(allow_ball_types - k, plain_count);
    const int g = int(std::max(credit_lists.size(), zero_lists.size()));
    std::vector<const BallType*> plain;
    if (g == 0 && allow_ball_types > k)
        GetLog().Error("Error: no plain ball type is available for the level.");
    if (p > 0 && g > 0) {
        int random_picks = p % g;
        int round_robin = p - random_picks;
        RoundRobin(credit_lists, round_robin, plain);
        RoundRobin(zero_lists, round_robin, plain);
        random_picks += round_robin;   // what the rotation could not give
        RandomPicks(credit_lists, random_picks, plain);
        RandomPicks(zero_lists, random_picks, plain);
    }
    for (const BallType* t : plain) {
        level_types.push_back(EntryOf(*t));
        if (user && t->credit_type != 0) user->SetResourceAvailable(t->credit_type, true);
    }
    for (int i = 0; i < k; ++i) {
        BallTypeEntryPtr entry = EntryOf(*bonuses[i]);
        entry->graph_type = CurrentGradeGraphType(bonuses[i]->graph_type);
        level_types.push_back(entry);
        if (user) user->SetCreditAvailable(bonuses[i]->credit_type, true);
    }
    for (const BallType& t : _lists[blMultiball]) level_types.push_back(EntryOf(t));
    for (const BallType& t : _lists[blFinisher]) level_types.push_back(EntryOf(t));
}

BallType* BallsDepot::Find(int graph_type)
{
    return const_cast<BallType*>(static_cast<const BallsDepot*>(this)->Find(graph_type));
}

const BallType* BallsDepot::Find(int graph_type) const
{
    for (const auto& list : _lists)
        for (const BallType& t : list)
            if (t.graph_type == graph_type || MatchesGrade(t, graph_type)) return &t;
    return nullptr;
}

void BallsDepot::ResetAvailable()
{
    for (auto& list : _lists)
        for (BallType& t : list) t.available = t.default_available;
}

void BallsDepot::ResetCreditAmounts()
{
    for (auto& list : _lists)
        for (BallType& t : list) t.credit_amount = t.default_credit_amount;
}

bool BallsDepot::SetAmount(int graph_type, int amount)
{
    BallType* t = Find(graph_type);
    if (!t) {
        GetLog().Error("BallsDepot::SetAmount(): can't find ball with graph_type = %d", graph_type);
        return false;
    }
    t->credit_amount = amount;
    return true;
}

void BallsDepot::SetAvailable(int graph_type, bool available)
{
    BallType* t = Find(graph_type);
    if (!t) {
        GetLog().Error("BallsDepot::SetAvailable(): can't find ball with graph_type = %d", graph_type);
        return;
    }
    t->available = available;
    t->enabled = available;
    if (!available) return;
    for (auto& list : _lists) {
        if (list.empty() || t < &list.front() || t > &list.back()) continue;
        for (BallType& other : list) other.weight = 1;
    }
}

void BallsDepot::SetEnabled(int graph_type, bool enabled)
{
    if (BallType* t = Find(graph_type)) t->enabled = enabled;
}

int BallsDepot::AddWeight(int graph_type)
{
    BallType* t = Find(graph_type);
    return t ? ++t->weight : 0;
}

int BallsDepot::GetCreditType(int graph_type) const
{
    for (int list : {blPlain, blBonus})
        for (const BallType& t : _lists[list])
            if (t.graph_type == graph_type || MatchesGrade(t, graph_type)) return t.credit_type;
    return 0;
}

bool BallsDepot::GetEntry(int graph_type, BallTypeEntry& entry) const
{
    const BallType* t = Find(graph_type);
    if (!t) return false;
    entry = static_cast<const BallTypeEntry&>(*t);
    entry.graph_type = graph_type;
    return true;
}

int BallsDepot::FindByCreditType(int credit_type) const
{
    for (const auto& list : _lists)
        for (const BallType& t : list)
            if (t.credit_type == credit_type) return t.graph_type;
    return 0;
}

int BallsDepot::CurrentGradeGraphType(int graph_type) const
{
    const BallType* t = Find(graph_type);
    if (!t) return 0;
    if (!t->is_bonus) return graph_type;
    const int grade = std::clamp(FieldCreditGrade(t->credit_type), 0, 4);
    return t->grade_graph_types[grade];
}

const std::string& BallsDepot::GetExplosionWhenChange(int graph_type) const
{
    static const std::string none;
    for (const BallType& t : _lists[blPlain])
        if (t.graph_type == graph_type) return t.explosion_when_change;
    for (const BallType& t : _lists[blBonus])
        if (t.graph_type == graph_type || MatchesGrade(t, graph_type)) return t.explosion_when_change;
    return none;
}

void BallsDepot::ListCreditless(std::vector<const BallType*>& out) const
{
    out.clear();
    for (const BallType& t : _lists[blPlain])
        if (t.credit_amount == 0) out.push_back(&t);
}

const BallType* BallsDepot::GetPlain(size_t index) const
{
    if (index >= _lists[blPlain].size()) {
        GetLog().Error("Error: no plain ball type at index %zu (%zu known).", index, _lists[blPlain].size());
        return nullptr;
    }
    return &_lists[blPlain][index];
}

size_t BallsDepot::GetTypeCount() const
{
    size_t n = 0;
    for (const auto& list : _lists) n += list.size();
    return n;
}

BallsDepot& GetBallsDepot()
{
    static BallsDepot* depot = [] {
        static BallsDepot d;
        d.Load();
        return &d;
    }();
    return *depot;
}
