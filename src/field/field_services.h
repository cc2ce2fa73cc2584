// What the field needs of the libraries above it: the current user's resources and bonus credits,
// and the game screen's explosions. The player and game-screen libraries implement these
// interfaces and install them; without one installed the field answers soundly on its own (no
// credit grade, nothing marked, no explosion).
#pragma once

#include <string>
#include <vector>

class CXMLNode;
struct FieldSaveRecord;

// One resolved chain, for the level's statistics.
struct ChainStats {
    int length = 0;
    int time = 0;
    bool finisher = false;
    int score = 0;
    int resource_type = 0;
    int amount = 0;
    int tiles_broken = 0;
    int boxes_opened = 0;
    int locks_opened = 0;
    int walls_hit = 0;
};

// Resource types a plain ball credits: 1 money, 2 staff, 3 food. Bonus credit types 10 to 17.
class IFieldUser {
public:
    virtual ~IFieldUser() = default;
    // The current grade (0 to 4) of the bonus credit of that type; 0 for an unknown type.
    virtual int GetCreditGrade(int credit_type) const = 0;
    // Marks the bonus credit of that type available for the level (nothing for an unknown type).
    virtual void SetCreditAvailable(int credit_type, bool available) = 0;
    // Marks the resource of that type available, adding it with amount 0 when it is absent.
    virtual void SetResourceAvailable(int resource_type, bool available) = 0;
    // Reads a bonus credit's definition into the credits: a "Bonus" element of "Balls.xml", whose
    // "ResCredit" child gives the credit type and whose "Grade" children the grades' thresholds.
    virtual void LoadCredit(const CXMLNode& bonus) = 0;
    // The bonus credits that are available and below grade 4, by credit type ascending.
    virtual void ListUpgradableBonuses(std::vector<int>& credit_types) const = 0;
    // Adds to the score (which may grant extra lives).
    virtual void AddScore(int points) = 0;
    // Adds to a resource (types 1 to 3) or to a bonus credit (any other type).
    virtual void AddResource(int resource_type, int amount) = 0;
    virtual void AddBonusCredit(int credit_type, int amount) = 0;
    // Takes the whole bonus credit of that type; returns the grade it had (0 to 4).
    virtual int ConsumeCredit(int credit_type) = 0;
    // Gives back to that credit what its last consumption took for that many unused grades.
    virtual void ReturnCredit(int credit_type, int grades) = 0;
    // The player has resolved a first chain.
    virtual void SetFirstChainDone() = 0;
    // A chain was resolved.
    virtual void AddChain(const ChainStats& chain) = 0;
    // A tutorial hint of that number is due.
    virtual void RequestHint(int hint) = 0;

    // The current game's level number and bonus level number, counted from 0.
    virtual int GetLevelNumber() const = 0;
    virtual int GetBonusLevelNumber() const = 0;
    // The level of that kind left started in the current game, with its saved field: false when the
    // game holds none, or its saved record does not exist.
    virtual bool GetSavedLevel(bool bonus_level, FieldSaveRecord& record) const = 0;
    // The amount held of a resource (types 1 to 3), and whether that resource is available.
    virtual int GetResourceAmount(int resource_type) const = 0;
    virtual bool HasResource(int resource_type) const = 0;
    // Whether the player has resolved a chain in the current level.
    virtual bool IsFirstChainDone() const = 0;
};

class IFieldScene {
public:
    virtual ~IFieldScene() = default;
    // Starts the explosion of that alias centred at the screen point.
    virtual void StartExplosion(const std::string& alias, float x, float y) = 0;

    // The scene's state (kPlaying, kHintShown, kCrossState) and, in a cross-state, its id.
    static constexpr int kCrossState = 1;
    static constexpr int kPlaying = 3;
    static constexpr int kHintShown = 5;
    static constexpr int kLevelFinish = 8;
    static constexpr int kBonusLevelFinish = 9;
    virtual int GetState() const = 0;
    virtual int GetCrossState() const = 0;
    // Asks the scene to start a cross-state (kLevelFinish, kBonusLevelFinish).
    virtual void StartCrossState(int id) = 0;
    // The level's music at that share of its volume (percent).
    virtual void SetMusicVolume(int percent) = 0;
    // The timer panel's effect when the end-of-level bonus resource is chosen.
    virtual void ShowBonusResource(int resource_type) = 0;
    // A bonus level was played to its end.
    virtual void OnBonusLevelEnd() = 0;
    // The screen point of the bonus panel's slot of a bonus credit type; false when none is shown.
    virtual bool GetBonusSlotPosition(int credit_type, float& x, float& y) const = 0;
};

// What the balls and tiles layers find out about a level when they read it.
struct LevelFieldInfo {
    bool is_bonus_level = false;   // given by the caller
    int n_puzzles = 0;
    int n_finishers = 0;
    bool was_double_puzzles = false;
    bool was_locks = false;
    bool was_double_locks = false;
    bool was_boxes = false;
    bool was_double_boxes = false;
    bool was_walls = false;
    bool was_double_walls = false;
    bool was_triple_walls = false;
    bool was_disable_areas = false;
    bool was_finishers = false;

    bool operator==(const LevelFieldInfo&) const = default;
};

// The installed user and scene (null: none). The caller keeps them alive while installed.
void SetFieldUser(IFieldUser* user);
IFieldUser* GetFieldUser();
void SetFieldScene(IFieldScene* scene);
IFieldScene* GetFieldScene();

// The grade of a bonus credit through the installed user; 0 without one.
int FieldCreditGrade(int credit_type);
// Starts an explosion through the installed scene; nothing for an empty alias or without a scene.
void FieldExplosion(const std::string& alias, float x, float y);
// The installed scene's state and cross-state; without a scene the field plays (kPlaying, no
// cross-state).
int FieldSceneState();
int FieldCrossState();

// What the citizens give: resources and bonus credits to the player, their construction granted
// (bought in the city, shown there at upgrade 0 and recorded by the user), and the game screen's
// refresh of the field's cached ball types after a ball type's credit changed. The game screen,
// which sees the player and the city, implements it.
class IFieldRewards {
public:
    virtual ~IFieldRewards() = default;
    // Resource types 1 to 3.
    virtual void AddResource(int resource_type, int amount) = 0;
    // Bonus credit types 10 to 17.
    virtual void AddCredit(int credit_type, int amount) = 0;
    virtual void GrantConstruction(int construct_id) = 0;
    virtual void RefreshBalls() = 0;
};
void SetFieldRewards(IFieldRewards* rewards);
IFieldRewards* GetFieldRewards();
