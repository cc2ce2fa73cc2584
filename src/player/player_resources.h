// The resources (money, staff, food) and the bonus credits of the game in progress. Every change
// play makes is mirrored into the current user's game (g_User), which is what the profile saves.
#pragma once

#include <cstdint>
#include <list>
#include <map>

class AGameValue;
class CXMLNode;

enum EResourceType { rtMoney = 1, rtStaff = 2, rtFood = 3 };

class CResources {
public:
    bool Has(int type) const { return _entries.count(type) != 0; }
    int32_t GetAmount(int type) const;
    bool IsAvailable(int type) const;
    // Adds to the type (mirrored first), inserting it available when absent.
    void Add(int type, int32_t amount);
    // Takes from a type that is present (mirrored first); the amount may go below 0. An absent type: nothing.
    void Spend(int type, int32_t amount);
    // Sets the available flag, inserting {0, flag} when absent. Not mirrored.
    void SetAvailable(int type, bool flag);
    // Clears the table and takes every (type, amount) as available. Not mirrored.
    void Assign(const std::map<int32_t, int32_t>& amounts);
    // The types 1, 2, 3, in that order, whose available flag is set.
    void GetAvailableTypes(std::list<int>& types) const;
    // Writes every live amount into the map (the current game's resources before it is stored).
    void StoreInto(std::map<int32_t, int32_t>& amounts) const;

private:
    struct Entry {
        int32_t amount = 0;
        bool available = false;
    };
    std::map<int, Entry> _entries;
};

struct CreditState {
    bool available = false;
    bool active = false;
    int32_t grade = 0;
};

// Bonus credits by credit type (10 sand clock, 11 dynamite, 12 mixer, 13 lightning, 14 burner,
// 15 clover, 16 magic wand, 17 bag), each with a grade 0..4 reached at configured thresholds.
class CResCredits {
public:
    // Reads the credit of one "Bonus" element of the balls file ("ResCredit" type, "Grade" ids 1..4
    // with their "start_at_amount"), replacing a record of that type; returns its type.
    int LoadCredit(const CXMLNode& bonus_node);
    bool Has(int type) const { return _credits.count(type) != 0; }
    int32_t GetGrade(int type) const;
    int32_t GetAmount(int type) const;
    bool IsAvailable(int type) const;
    // Sets the flag of an existing record only.
    void SetAvailable(int type, bool flag);
    CreditState GetState(int type) const;
    // Some record is available and below grade 4.
    bool HasUpgradable() const;
    // Every available type below grade 4, ascending.
    void GetUpgradable(std::list<int>& types) const;
    // Adds credit (mirrored); a grade gained asks for the sound "bn_activate" once.
    void Add(int type, int32_t amount);
    // Takes the whole credit; returns the grade it had.
    int32_t Consume(int type);
    // Gives back what the last Consume took, less the thresholds between its grade and the given one.
    void Downgrade(int type, int32_t grade);
    // Resets every record (unavailable); then each listed type that has a record takes its amount,
    // becomes available and is graded silently. Not mirrored.
    void Assign(const std::map<int32_t, int32_t>& amounts);
    // Recomputes grade and range from the amount and holds the amount inside the range.
    void Regrade(int type, bool silent);
    // The value shows the amount with the current grade's range (0, 0..0 for a type without record).
    void FillGameValue(int type, AGameValue& value) const;
    void Clear() { _credits.clear(); }

private:
    struct Record {
        int32_t amount = 0;
        int32_t grade = 0;
        bool active = false;
        bool available = false;
        int32_t prev_amount = 0;
        int32_t prev_grade = 0;
        int32_t range_low = 0;
        int32_t range_high = 200;
        int32_t start_at_amount[5] = {0, 200, 400, 800, 1600};

        void Reset();
    };
    std::map<int, Record> _credits;
};

// The program's two tables.
CResources& GetResources();
CResCredits& GetResCredits();
