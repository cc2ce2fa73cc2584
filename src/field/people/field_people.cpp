#include "field/people/field_people.h"

#include "field/balls/field_ballsdepot.h"
#include "field/field_services.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <cstdlib>

namespace {

const char* const kConditionNames[] = {
    nullptr,
    "IF_RESOURCE_COLLECT_IN_LEVEL",
    "IF_MAKE_CHAIN",
    "IF_MAKE_CHAINS_FOR_TIME",
    "IF_MAKE_CHAINS_SERIE",
    "IF_LEVELS_COMPLETE_WITHOUT_TIME_ALERT",
    "IF_LEVELS_COMPLETE_WITHOUT_LIFE_LOSS",
    "IF_LIVES_GAIN",
    "IF_LEVEL_COMPLETE_TIME_LESS_THAN",
    "IF_LEVEL_COMPLETE_WITHOUT_BONUSES",
    "IF_LEVELS_COMPLETE_WITH_FINISHERS",
    "IF_DIFFERENT_BONUSES_ACQUIRED",
    "IF_MAKE_EFFECTIVE_CHAINS_FOR_TIME",
};

const char* const kEffectNames[] = {
    nullptr,
    "THEN_ADD_RESOURCE_EVERY_LEVEL",
    "THEN_CHANGE_BALL_WEIGHT",
};

// The kind named by the text: one of the names, or its number; 0 for anything else.
template <size_t N>
int KindOf(const std::string& text, const char* const (&names)[N])
{
    for (size_t i = 1; i < N; ++i)
        if (text == names[i]) return int(i);
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (!text.empty() && end && *end == '\0' && n >= 1 && size_t(n) < N) return int(n);
    return 0;
}

bool IsPerLevel(int if_type)
{
    switch (if_type) {
    case IF_RESOURCE_COLLECT_IN_LEVEL:
    case IF_MAKE_CHAIN:
    case IF_MAKE_CHAINS_FOR_TIME:
    case IF_MAKE_CHAINS_SERIE:
    case IF_MAKE_EFFECTIVE_CHAINS_FOR_TIME:
        return true;
    default:
        return false;
    }
}

bool Collected(const Man& man, const PeopleLevelFacts& level)
{
    const auto it = level.collected.find(man.if_res_type);
    return it != level.collected.end() && it->second >= man.if_amount;
}

bool CounterReached(const Man& man) { return man.if_counter >= unsigned(std::max(man.if_count, 0)); }

} // namespace

// A missing or unreadable file leaves the town without new citizens; the game goes on.
void CPeople::Load()
{
    try {
        Load(CXMLFile(std::string("Settings\\") + "People.xml"));
    } catch (const std::exception& e) {
        GetLog().Error("People: Settings\\People.xml could not be read (%s); no citizen can join", e.what());
    }
}

void CPeople::Load(const CXMLFile& file)
{
    std::map<int, Man> men;
    const CXMLNodeList nodes = file.SelectNodes("//People/Man");
    for (int i = 0; i < nodes.GetLength(); ++i) {
        const CXMLNode node = nodes.GetItem(i);
        Man man;
        man.construct_id = node.GetIntAttribute("construct_id", 0);
        man.hint_id = node.GetIntAttribute("hint_id", 0);

        const CXMLNode if_node = node.SelectSingleNode("If");
        VERIFY(if_node.IsValid());
        const std::string if_name = if_node.GetAttribute("type");
        man.if_type = KindOf(if_name, kConditionNames);
        if (man.if_type == IF_UNKNOWN) {
            GetLog().Error("Man data if type %s unknown, man ignored.", if_name.c_str());
            continue;
        }
        man.if_res_type = if_node.GetIntAttribute("res_type", 0);
        man.if_amount = if_node.GetIntAttribute("amount", 0);
        man.if_count = if_node.GetIntAttribute("count", 0);
        man.if_time = if_node.GetIntAttribute("time", 0);
        man.if_length = if_node.GetIntAttribute("length", 0);

        const CXMLNode then_node = node.SelectSingleNode("Then");
        VERIFY(then_node.IsValid());
        const std::string then_name = then_node.GetAttribute("type");
        man.then_type = KindOf(then_name, kEffectNames);
        if (man.then_type == THEN_UNKNOWN) {
            GetLog().Error("Man data then type  %s unknown, man ignored.", then_name.c_str());
            continue;
        }
        man.then_res_type = then_node.GetIntAttribute("res_type", 0);
        man.then_graph_type = then_node.GetIntAttribute("graph_type", 0);
        man.then_amount = then_node.GetIntAttribute("amount", 0);

        if (men.count(man.construct_id))
            GetLog().Warning("People: a second man of construction %d replaces the first.", man.construct_id);
        men[man.construct_id] = man;
    }
    _men.swap(men);
    _pending_hints.clear();
}

const Man* CPeople::GetMan(int construct_id) const
{
    const auto it = _men.find(construct_id);
    return it == _men.end() ? nullptr : &it->second;
}

void CPeople::SetCanExist(int construct_id)
{
    const auto it = _men.find(construct_id);
    if (it != _men.end()) it->second.can_exist = true;
}

void CPeople::StartLevel(bool is_bonus_level)
{
    _active = !is_bonus_level;
    if (!_active) return;
    for (auto& [id, man] : _men) {
        if (!man.can_exist || man.acquired || !IsPerLevel(man.if_type)) continue;
        man.if_counter = 0;
        man.time.clear();
        man.stamp.clear();
    }
}

template <class Met>
void CPeople::Walk(Met met)
{
    if (!_active) return;
    for (auto& [id, man] : _men)
        if (man.can_exist && !man.acquired && met(man)) Acquire(man);
}

void CPeople::Acquire(Man& man)
{
    man.acquired = true;
    if (man.hint_id != 0) _pending_hints.push_back(man.hint_id);
    IFieldRewards* rewards = GetFieldRewards();
    if (rewards) rewards->GrantConstruction(man.construct_id);
    if (man.then_type == THEN_CHANGE_BALL_WEIGHT) {
        ApplyBallAmount(man);
        if (rewards) rewards->RefreshBalls();
    }
}

void CPeople::ApplyBallAmount(const Man& man)
{
    GetBallsDepot().SetAmount(man.then_graph_type, man.then_amount);
}

bool CPeople::AddChainTime(Man& man, int level_time_ms)
{
    // The chains of the last "time" seconds: older ones fall out of the window.
    const int now = level_time_ms / 1000;
    man.time.push_back(now);
    while (!man.time.empty() && now - man.time.front() > man.if_time) man.time.pop_front();
    return man.time.size() >= size_t(std::max(man.if_count, 0));
}

void CPeople::OnChain(const PeopleChain& chain, const PeopleLevelFacts& level)
{
    Walk([&](Man& man) {
        switch (man.if_type) {
        case IF_RESOURCE_COLLECT_IN_LEVEL:
            return Collected(man, level);
        case IF_MAKE_CHAIN:
            return chain.length >= man.if_length;
        case IF_MAKE_CHAINS_FOR_TIME:
            return AddChainTime(man, chain.level_time_ms);
        case IF_MAKE_EFFECTIVE_CHAINS_FOR_TIME:
            return chain.layers_broken > 0 && AddChainTime(man, chain.level_time_ms);
        case IF_MAKE_CHAINS_SERIE:
            man.if_counter = chain.length < man.if_length ? 0 : man.if_counter + 1;
            return CounterReached(man);
        default:
            return false;
        }
    });
}

void CPeople::OnBonusAcquired(int bonus_kind)
{
    Walk([&](Man& man) {
        if (man.if_type != IF_DIFFERENT_BONUSES_ACQUIRED) return false;
        if (std::find(man.stamp.begin(), man.stamp.end(), bonus_kind) == man.stamp.end())
            man.stamp.push_back(bonus_kind);
        return man.stamp.size() >= size_t(std::max(man.if_count, 0));
    });
}

void CPeople::CheckResources(const PeopleLevelFacts& level)
{
    Walk([&](Man& man) { return man.if_type == IF_RESOURCE_COLLECT_IN_LEVEL && Collected(man, level); });
}

void CPeople::OnLivesGained(int count)
{
    Walk([&](Man& man) {
        if (man.if_type != IF_LIVES_GAIN) return false;
        man.if_counter += unsigned(std::max(count, 0));
        return CounterReached(man);
    });
}

void CPeople::OnLevelCompleted(const PeopleLevelFacts& level)
{
    const auto count_if = [](Man& man, bool counts) {
        if (counts) ++man.if_counter;
        return CounterReached(man);
    };
    Walk([&](Man& man) {
        switch (man.if_type) {
        case IF_RESOURCE_COLLECT_IN_LEVEL:
            return Collected(man, level);
        case IF_LEVELS_COMPLETE_WITHOUT_TIME_ALERT:
            return count_if(man, !level.time_alert);
        case IF_LEVELS_COMPLETE_WITHOUT_LIFE_LOSS:
            return count_if(man, level.lives_lost == 0);
        case IF_LEVEL_COMPLETE_TIME_LESS_THAN:
            return level.time_ms / 1000 <= man.if_time;
        case IF_LEVEL_COMPLETE_WITHOUT_BONUSES:
            return level.bonuses_used == 0;
        case IF_LEVELS_COMPLETE_WITH_FINISHERS:
            return count_if(man, level.finisher);
        default:
            return false;
        }
    });
}

void CPeople::ApplyLevelGains(std::map<int, int>& gains)
{
    gains.clear();
    if (!_active) return;
    IFieldRewards* rewards = GetFieldRewards();
    for (const auto& [id, man] : _men) {
        if (!man.can_exist || !man.acquired || man.then_type != THEN_ADD_RESOURCE_EVERY_LEVEL) continue;
        if (rewards) {
            if (man.then_res_type >= 1 && man.then_res_type <= 3) rewards->AddResource(man.then_res_type, man.then_amount);
            else if (man.then_res_type != 0) rewards->AddCredit(man.then_res_type, man.then_amount);
        }
        gains[man.then_res_type] += man.then_amount;
    }
}

void CPeople::Save(std::map<int, ManProgress>& states) const
{
    states.clear();
    for (const auto& [id, man] : _men)
        states[id] = ManProgress{man.can_exist, int(man.if_counter), man.time, man.stamp, man.acquired};
}

void CPeople::Restore(const std::map<int, ManProgress>& states)
{
    for (auto& [id, man] : _men) {
        man.can_exist = false;
        man.if_counter = 0;
        man.time.clear();
        man.stamp.clear();
        man.acquired = false;
    }
    GetBallsDepot().ResetCreditAmounts();
    for (const auto& [id, state] : states) {
        const auto it = _men.find(id);
        if (it == _men.end()) continue;
        Man& man = it->second;
        man.can_exist = state.is_can_exist;
        man.if_counter = unsigned(std::max(state.if_counter, 0));
        man.time = state.time;
        man.stamp = state.stamp;
        man.acquired = state.is_acquired;
        if (man.acquired && man.then_type == THEN_CHANGE_BALL_WEIGHT) ApplyBallAmount(man);
    }
}

std::vector<int> CPeople::TakePendingHints()
{
    std::vector<int> hints;
    hints.swap(_pending_hints);
    return hints;
}

CPeople& GetPeople()
{
    static CPeople people;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        people.Load();
    }
    return people;
}
