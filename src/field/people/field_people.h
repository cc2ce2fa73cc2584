// The city's citizens: perks won by play. A man belongs to a construction; once it is built he can
// exist, and the field then watches for his condition (a chain of some length, resources collected
// in a level, levels finished without a time alert ...). When it is met he is acquired: his
// construction is granted, his hint queued, and his effect applies from then on (a resource after
// every level, or a new credit amount of one ball type). Read once from "Settings\People.xml".
#pragma once

#include <list>
#include <map>
#include <string>
#include <vector>

class CXMLFile;

// Conditions ("If" "type": the name or its number).
enum EManCondition {
    IF_UNKNOWN = 0,
    IF_RESOURCE_COLLECT_IN_LEVEL = 1,
    IF_MAKE_CHAIN = 2,
    IF_MAKE_CHAINS_FOR_TIME = 3,
    IF_MAKE_CHAINS_SERIE = 4,
    IF_LEVELS_COMPLETE_WITHOUT_TIME_ALERT = 5,
    IF_LEVELS_COMPLETE_WITHOUT_LIFE_LOSS = 6,
    IF_LIVES_GAIN = 7,
    IF_LEVEL_COMPLETE_TIME_LESS_THAN = 8,
    IF_LEVEL_COMPLETE_WITHOUT_BONUSES = 9,
    IF_LEVELS_COMPLETE_WITH_FINISHERS = 10,
    IF_DIFFERENT_BONUSES_ACQUIRED = 11,
    IF_MAKE_EFFECTIVE_CHAINS_FOR_TIME = 12,
};

// Effects ("Then" "type": the name or its number).
enum EManEffect {
    THEN_UNKNOWN = 0,
    THEN_ADD_RESOURCE_EVERY_LEVEL = 1,
    THEN_CHANGE_BALL_WEIGHT = 2,
};

struct Man {
    int construct_id = -1;
    int hint_id = -1;   // 0: none
    bool can_exist = false;
    int if_type = IF_UNKNOWN;
    int if_res_type = 0;
    int if_amount = 0;
    int if_count = 0;
    int if_time = 0;     // seconds
    int if_length = 0;
    unsigned if_counter = 0;
    std::list<int> time;    // level times (seconds) of the chains counted
    std::list<int> stamp;   // bonus kinds counted
    bool acquired = false;
    int then_type = THEN_UNKNOWN;
    int then_res_type = 0;
    int then_graph_type = 0;
    int then_amount = 0;
};

// A man's progress as the player's profile keeps it.
struct ManProgress {
    bool is_can_exist = false;
    int if_counter = 0;
    std::list<int> time;
    std::list<int> stamp;
    bool is_acquired = false;
    bool operator==(const ManProgress&) const = default;
};

// A chain as the men see it.
struct PeopleChain {
    int length = 0;
    int level_time_ms = 0;   // the level's time when it was made
    int layers_broken = 0;   // tile layers it broke
};

// What the men read of the level's statistics.
struct PeopleLevelFacts {
    int time_ms = 0;
    std::map<int, int> collected;   // resources gained in the level, by type
    bool time_alert = false;
    int lives_lost = 0;
    int bonuses_used = 0;
    bool finisher = false;
};

class CPeople {
public:
    // Reads the men of the document ("//People/Man"). A "Man" without "If" or "Then" fails the
    // check "if_node.IsValid()" or "then_node.IsValid()" (logged, thrown; the men read before stay
    // as they were); an unknown condition or effect is logged and that man ignored.
    void Load(const CXMLFile& file);
    // The same from "Settings\People.xml".
    void Load();

    // The man's construction is built: from now on he can be acquired. Unknown ids change nothing.
    void SetCanExist(int construct_id);

    // A level starts: men act on normal levels only, and the counters that live for one level
    // start again. Resuming a level in progress only sets whether men act.
    void StartLevel(bool is_bonus_level);
    void ResumeLevel(bool is_bonus_level) { _active = !is_bonus_level; }

    // The events of play; each acquires, in ascending construct id, every man whose condition it meets.
    void OnChain(const PeopleChain& chain, const PeopleLevelFacts& level);
    void OnBonusAcquired(int bonus_kind);
    void CheckResources(const PeopleLevelFacts& level);
    void OnLivesGained(int count);
    void OnLevelCompleted(const PeopleLevelFacts& level);
    // After a completed normal level: every acquired man's resource, paid and recorded in the
    // gains (cleared first) by resource type.
    void ApplyLevelGains(std::map<int, int>& gains);

    void Save(std::map<int, ManProgress>& states) const;
    // Every man back to his start and every ball type's credit amount to its default, then the
    // saved states of known men; unknown ids are ignored.
    void Restore(const std::map<int, ManProgress>& states);

    // Hints of men acquired and not yet shown, taken in order by the game screen.
    std::vector<int> TakePendingHints();

    const std::map<int, Man>& GetMen() const { return _men; }
    const Man* GetMan(int construct_id) const;
    bool IsActive() const { return _active; }

private:
    // Calls met(man) for every man that can exist and is not acquired; acquires those it meets.
    template <class Met>
    void Walk(Met met);
    void Acquire(Man& man);
    static void ApplyBallAmount(const Man& man);
    static bool AddChainTime(Man& man, int level_time_ms);

    std::map<int, Man> _men;
    std::vector<int> _pending_hints;
    bool _active = false;
};

// The program's people, read from "Settings\People.xml" on first use.
CPeople& GetPeople();
