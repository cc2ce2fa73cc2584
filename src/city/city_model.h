// The city's data ("Settings\Shop.xml"): the epochs with the constructions the shop sells, the bonus
// constructions, which of them are bought and at which upgrade level, the current epoch and whether
// every epoch is built. Also the shop's operations the city scene runs on it: filling the shop,
// paying for a construction, building a bonus construction, and the scroll parameters of the file.
#pragma once

#include "city/city_depot.h"
#include "engine/sound/engine_soundqueue.h"
#include "player/player_slot.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class CXMLNode;

extern const char* const kShopFile;   // "Settings\Shop.xml"

constexpr int32_t kNoBackground = -999;

struct CityConstruct {
    int32_t id = -1;
    int32_t level_count = -1;   // the catalogue's upgrade levels of the id
    bool brings_ball = false;
    int32_t ball_graph_type = -1;
    bool ball_available = false;
    int32_t background = kNoBackground;   // what the following levels use once this is bought
    MusicTrack music;
    int32_t bonus_background = kNoBackground;
    MusicTrack bonus_music;
    bool bought = false;
    int32_t upgrade = -1;   // 0: the first level
    // The state the file gives at the start of a game ("buy", "upgrade_id").
    bool start_bought = false;
    int32_t start_upgrade = 0;
};

struct CityEpoch {
    std::string title_alias;
    std::string title;
    bool complete = false;   // every construction is bought
    int32_t background = kNoBackground;
    MusicTrack music;
    int32_t bonus_background = kNoBackground;
    MusicTrack bonus_music;
    // The game help's two books while this epoch is played.
    int32_t help_limit_01 = 0;
    int32_t help_limit_03 = 0;
    int32_t help_default_page_01 = 0;
    int32_t help_default_page_03 = 0;
    std::vector<CityConstruct> constructs;
};

class CCity {
public:
    // Reads the epochs and bonus constructions of the "Shop" node (replacing what was read before)
    // and takes the ball entries and level counts from the construction catalogue, which must be
    // loaded first. Every content fault (an id the catalogue or the price table does not know, a
    // start level past the catalogue's, an id used twice, a missing list) is logged once here, so
    // that it shows at start-up rather than in the middle of a game.
    void Load(const CXMLNode& shop);
    // Nothing bought, every upgrade level 0, the first epoch current.
    void Reset();
    // Takes a saved city: what the file builds from the start, then the saved entries over it,
    // then the completion rule.
    void LoadProgress(const CityConstructions& city);

    // The getters of an index check it; one out of range is logged and gives an empty record.
    CityConstruct GetConstruction(int epoch, int i) const;
    CityConstruct GetBonusConstruction(int i) const;
    bool IsEpochComplete(int epoch) const;
    // Buys a new construction at level 0, or takes a bought one a level up. False, with nothing
    // changed, when it is at its last level already or the id is not in the shop (logged).
    bool BuyConstruction(int32_t id);

    // The construction's choice while i is one of the epoch's constructions, else the epoch's own;
    // an epoch out of range gives none (-999, an empty music record).
    int32_t GetBackground(int epoch, int i) const;
    int32_t GetBonusBackground(int epoch, int i) const;
    MusicTrack GetMusic(int epoch, int i) const;
    MusicTrack GetBonusMusic(int epoch, int i) const;
    // The epoch's help values; 1 for an epoch out of range.
    int32_t GetHelpLimit01(int epoch) const;
    int32_t GetHelpLimit03(int epoch) const;
    int32_t GetHelpDefaultPage01(int epoch) const;
    int32_t GetHelpDefaultPage03(int epoch) const;

    int GetCurrentEpoch() const { return _current_epoch; }
    // A completed epoch hands over to the next one (held within the epochs).
    void SetCurrentEpoch(int epoch) { _current_epoch = std::clamp(epoch, 0, std::max(0, GetEpochCount() - 1)); }
    bool IsAllComplete() const { return _all_complete; }
    int GetEpochCount() const { return static_cast<int>(_epoches.size()); }
    int GetConstructionCount(int epoch) const;
    int GetBonusCount() const { return static_cast<int>(_bonus_constructs.size()); }
    const std::string& GetBonusTitle() const { return _bonus_title; }
    const CityEpoch* FindEpoch(int epoch) const;
    // The construction of the id (the last listed when the shop lists it twice), or null.
    const CityConstruct* FindConstruction(int32_t id) const;
    // The number of content faults the last Load logged.
    int GetContentErrors() const { return _content_errors; }

    // Where epoch titles come from (the text keeper's labels unless replaced).
    using LabelSource = std::function<std::string(const std::string& alias)>;
    void SetLabelSource(LabelSource source) { _labels = std::move(source); }

private:
    struct Place {
        bool is_bonus = false;
        int epoch = 0;
        int index = 0;
    };
    CityConstruct* Find(int32_t id);
    std::string LabelText(const std::string& alias) const;
    void TakeCatalogueEntries(CityConstruct& c);
    void ValidateContent();
    void UpdateEpochComplete(CityEpoch& epoch);
    void ApplyCompletionRule();

    std::vector<CityEpoch> _epoches;
    std::vector<CityConstruct> _bonus_constructs;
    std::string _bonus_title;
    std::map<int32_t, Place> _ids;
    int _current_epoch = 0;
    bool _all_complete = false;
    int _content_errors = 0;
    LabelSource _labels;
};

// Reads the "Shop" node of the file into the city; false, logged, when the file cannot be read.
bool LoadCity(CCity& city, const std::string& path = kShopFile);

// The city view's automatic scroll ("Scroll" node of the shop file).
struct CityScrollParams {
    float min_speed = 1.0f;
    float inc_speed = 1.0f;
    float dec_speed = 1.0f;
    float max_speed = 50.0f;
    float brake_percent = 10.0f;
};
// Reads the node's values and holds them in their sensible ranges; an invalid node gives the defaults.
CityScrollParams ReadScrollParams(const CXMLNode& scroll);
// The "//Scroll" node of the file; a file that cannot be read is logged and gives the defaults.
CityScrollParams LoadScrollParams(const std::string& path = kShopFile);

// The shop's items: the current epoch's constructions with the catalogue's description at the
// level offered and whether each is bought, can be paid or cannot.
std::vector<ShopItem> FillShop(const CCity& city);
// Pays for the construction at that index of the current epoch and builds it: the price goes out of
// the resources (and so out of the player's game), the city and the player's game record it, its
// citizens may walk, the ball it brings becomes available and its background and music become the
// game's. False when nothing was bought: a construction fully upgraded, one that cannot be paid
// (logged as a warning) or an index out of range. The caller saves the game after a true result.
bool BuyConstruction(CCity& city, int index);
// The current epoch is not complete and has a construction not bought whose first level can be paid.
bool HasAffordableConstruction(const CCity& city);
// Builds the first bonus construction not bought, for free, recorded as a purchase is; its id goes
// to built_id. False when every bonus construction is built.
bool BuildBonusConstruction(CCity& city, int32_t& built_id);
