// The catalogue of ball types ("Settings\Balls.xml"): plain balls, bonus balls, multiballs and
// finishers; the choice of a level's types; and the switches the city, the citizens and the level
// choice turn at run time.
#pragma once

#include <memory>
#include <string>
#include <vector>

class CXMLFile;
class CXMLNode;

// What a level keeps of a ball type, and what every ball of the level points to.
struct BallTypeEntry {
    int graph_type = 0;
    bool is_bonus = false;
    bool is_finisher = false;
    bool is_multiball = false;
    int score = 0;
    int credit_type = 0;       // resource 1..3 of a plain ball, bonus credit 10..17 of a bonus ball
    int credit_amount = 0;
    int default_credit_type = 0;
    int default_credit_amount = 0;
};

using BallTypeEntryPtr = std::shared_ptr<BallTypeEntry>;

struct BallType : BallTypeEntry {
    bool default_available = false;
    int grade_graph_types[5] = {0, 0, 0, 0, 0};   // 0: its own; 1..4: a bonus ball's look at grades 1..4
    std::string explosion_when_change;
    bool available = false;
    bool enabled = false;
    int order_key = 0;
    int weight = 1;
};

class BallsDepot {
public:
    enum EList { blPlain = 0, blBonus, blMultiball, blFinisher, blCount };

    // Reads the four lists from the "Balls" element of the file (each list emptied first); every
    // bonus's "ResCredit" also goes to the installed user's credits. A file without that element
    // is logged and leaves the depot empty.
    void Load(const CXMLFile& file);
    // Reads "Settings\Balls.xml"; a file that cannot be read is logged and leaves the depot empty.
    void Load();

    // The level's types: plain types by credit type, bonus types enabled first, every multiball
    // and finisher. Checks "allow_ball_types > 0" and "allow_bonus_types <= allow_ball_types".
    void SelectForLevel(std::vector<BallTypeEntryPtr>& level_types, bool is_bonus_level);

    // The type of a graph type (plain, bonus also by its grade looks, multiball, finisher), or null.
    BallType* Find(int graph_type);
    const BallType* Find(int graph_type) const;

    void ResetAvailable();
    void ResetCreditAmounts();
    bool SetAmount(int graph_type, int amount);
    void SetAvailable(int graph_type, bool available);
    void SetEnabled(int graph_type, bool enabled);
    // The type's weight after adding 1; 0 for an unknown type.
    int AddWeight(int graph_type);
    // The credit type of a plain or bonus type, 0 for none.
    int GetCreditType(int graph_type) const;
    // Copies the type's level entry; a bonus found by a grade look keeps the asked graph type.
    bool GetEntry(int graph_type, BallTypeEntry& entry) const;
    // The graph type of the first type that credits that type; 0 for none.
    int FindByCreditType(int credit_type) const;
    // A bonus type's look at its credit's current grade; the graph type itself for other types;
    // 0 for an unknown one.
    int CurrentGradeGraphType(int graph_type) const;
    const std::string& GetExplosionWhenChange(int graph_type) const;
    // The plain types whose credit amount is 0.
    void ListCreditless(std::vector<const BallType*>& out) const;
    // The plain type at that index, or null past the end.
    const BallType* GetPlain(size_t index) const;

    const std::vector<BallType>& GetList(int list) const { return _lists[list]; }
    size_t GetTypeCount() const;
    // The "ResCredit" elements of the bonus types, for credits made after the depot was read.
    const std::vector<CXMLNode>& GetCreditNodes() const { return _credit_nodes; }

    // The order of the bonus candidates (and of the plain lists) in the level choice.
    static bool Before(const BallType& a, const BallType& b);

private:
    std::vector<BallType> _lists[blCount];
    std::vector<CXMLNode> _credit_nodes;
};

// The depot, read from "Settings\Balls.xml" on first use.
BallsDepot& GetBallsDepot();
