// The resources (money, staff, food) and the bonus credits of the game in progress. Every change
// play makes is mirrored into the current user's game, which is what the profile saves.
#pragma once

#include <list>
#include <map>

class CXMLNode;

enum EResourceType { rtMoney = 1, rtStaff = 2, rtFood = 3 };

class CResources {
public:
    bool Has(int type) const { return _entries.count(type) != 0; }
    int GetAmount(int type) const;
    bool IsAvailable(int type) const;
    // Adds to the type, inserting it (available) when absent.
    void Add(int type, int amount);
    // Sets the available flag, inserting {0, flag} when absent.
    void SetAvailable(int type, bool flag);
    // Clears the table and takes every (type, amount) as available.
    void Assign(const std::map<int, int>& amounts);
    // The types 1, 2, 3, in that order, whose available flag is set.
    void GetAvailableTypes(std::list<int>& types) const;

private:
    struct Entry {
        int amount = 0;
        bool available = false;
    };
    std::map<int, Entry> _entries;
};

struct CreditState {
    bool available = false;
    bool active = false;
    int grade = 0;
};

// Bonus credits by credit type (10 sand clock .. 17 bag), each with a grade 0..4.
class CResCredits {
public:
    // Reads the credit of one "Bonus" element of the balls file; returns its type.
    int LoadCredit(const CXMLNode& bonus_node);
    bool Has(int type) const { return _credits.count(type) != 0; }
    int GetGrade(int type) const;
    bool IsAvailable(int type) const;
    void SetAvailable(int type, bool flag);
    CreditState GetState(int type) const;
    int GetAmount(int type) const;
    // Every available type below grade 4, ascending.
    void GetUpgradable(std::list<int>& types) const;
    void Add(int type, int amount);
    // Takes the whole credit; returns the grade it had.
    int Consume(int type);
    // Gives back what the last Consume took when the bonus armed with it was not used.
    void Downgrade(int type, int grade);
    // Adds a credit record with the given thresholds (start_at_amount[1..4]).
    void AddCredit(int type, const int (&thresholds)[5]);
    void Clear() { _credits.clear(); }

private:
    struct Record {
        int amount = 0;
        int grade = 0;
        bool active = false;
        bool available = false;
        int prev_amount = 0;
        int prev_grade = 0;
        int range_low = 0;
        int range_high = 200;
        int start_at_amount[5] = {0, 200, 400, 800, 1600};
    };
    // Grade and range from the amount; a grade gained asks for "bn_activate" unless silent.
    void Regrade(Record& r, bool silent);
    std::map<int, Record> _credits;
};

CResources& GetResources();
CResCredits& GetResCredits();
