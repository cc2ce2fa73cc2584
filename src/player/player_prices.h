// Construction prices ("Settings\Bases\ConstructionRes.xml") and the title ladder of promotions
// ("Settings\Promotions.xml"): two read-only tables loaded once at start-up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

extern const char* const kConstructionResFile;   // "Settings\Bases\ConstructionRes.xml"
extern const char* const kPromotionsFile;        // "Settings\Promotions.xml"

using ResourceList = std::vector<std::pair<int32_t, int32_t>>;   // (resource type, amount), in order

struct ConstructionPrice {
    int32_t type = 0;        // construction id
    int32_t update_id = 0;   // upgrade level this price buys (0: the first purchase)
    ResourceList resources;
};

class CConstructionRes {
public:
    // Reads the prices (replacing any read before). A file that cannot be read leaves the table empty.
    void Load(const std::string& path = kConstructionResFile);
    // The price of the first record of that id and upgrade. None: an error line with the source
    // place and an exception "Can't get price for construction".
    const ResourceList& GetConstructionPrice(int32_t id, int32_t upgrade) const;
    // Whether the current resources pay the price (an empty price always can); throws as above.
    bool CanAfford(int32_t id, int32_t upgrade) const;
    const std::vector<ConstructionPrice>& GetRecords() const { return _records; }

private:
    std::vector<ConstructionPrice> _records;
};

struct PromotionRecord {
    std::string title_alias;            // text label of the title
    int32_t score = 0;                  // score from which the title is held
    int32_t prize_amount = 0;           // amount of each bonus resource offered at a level's end
    int32_t help_limit_02 = 0;          // page limit of the game help's second section
    int32_t help_default_page_02 = 0;   // its first page shown
};

class CPromotions {
public:
    // Until a table is read there is one untitled rank from score 0.
    CPromotions();
    // Reads the ladder (file order is the title index). A file without any "Promotion" is a content
    // error: it is logged and the one untitled rank is used.
    void Load(const std::string& path = kPromotionsFile);

    int GetCount() const { return static_cast<int>(_records.size()); }
    // The index of the title held at that score: the record before the first whose score is greater
    // (0 when that is the first), the last when none is greater.
    int GetTitleIndex(int32_t score) const;
    // The localized title text of the index (an empty alias has an empty text). The getters of an
    // index check that it lies in the table and throw otherwise.
    std::string GetTitleText(int index) const;
    std::string GetTitleTextForScore(int32_t score) const { return GetTitleText(GetTitleIndex(score)); }
    int32_t GetPrizeAmount(int index) const { return Record(index).prize_amount; }
    int32_t GetHelpLimit(int index) const { return Record(index).help_limit_02; }
    int32_t GetHelpDefaultPage(int index) const { return Record(index).help_default_page_02; }
    const PromotionRecord& Record(int index) const;

    // Where the title texts come from (the text keeper's labels unless replaced).
    using LabelSource = std::function<std::string(const std::string& alias)>;
    void SetLabelSource(LabelSource source) { _labels = std::move(source); }

private:
    std::vector<PromotionRecord> _records;
    LabelSource _labels;
};

// The program's two tables.
CConstructionRes& GetConstructionRes();
CPromotions& GetPromotions();
