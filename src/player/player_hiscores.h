// The hiscore tables of every player of this computer's user: per level of every episode the best
// scores and the best times, and the champions with the highest game score. Kept in "Hiscores.xml"
// of the user folder, scrambled on disk and written atomically.
#pragma once

#include "player/player_slot.h"

#include <cstdint>
#include <list>
#include <map>
#include <string>

extern const char* const kHiscoresFile;   // "Hiscores.xml"

// Table types: level tables 0 score, 1 time; the champion table 0 score.
enum { httScore = 0, httTime = 1 };

struct HiscoreRow {
    std::string name;
    int32_t value = 0;
    bool operator==(const HiscoreRow&) const = default;
};

struct HiscoreTable {
    std::list<HiscoreRow> rows;   // best first
    bool smaller_is_better = false;

    // Files the player's value: a player stands once, with the best value; rows are kept best first
    // (an equal value ranks below the older one) and cut after the limit. True when the table changed.
    bool File(const HiscoreRow& row, size_t limit);
    bool Better(int32_t a, int32_t b) const { return smaller_is_better ? a < b : a > b; }
    bool operator==(const HiscoreTable&) const = default;
};

class CHiscores {
public:
    CHiscores();

    // Reads "Hiscores.xml" of the user folder (or the file of the path), else the one of the game
    // folder; Save writes where the last Load read (the user folder's file when none did). False when
    // there is none or it cannot be read: the tables are then empty. A damaged file is moved aside
    // (the game folder's copy never).
    bool Load();
    bool Load(const std::string& path);
    // Writes the tables when something was filed since they were read or written; true when the
    // file holds them.
    bool Save();
    bool IsSaved() const { return _saved; }

    // Files g_User's name with the statistics' score and time into the tables of g_User's episode
    // and level.
    void AddResult(const LevelStats& stats);
    void AddChampion(int type, const HiscoreRow& row);
    // What a won ordinary level files: the record's result (AddResult) and g_User's total score
    // among the champions; the level's best score and best time, when its tables have them, go
    // back into the record; then the tables are written at once. False when they could not be written.
    bool FileLevelRecord(LevelRecord& record);
    // The first row of a level table; false when the table is empty.
    bool GetBest(int type, int32_t episode, int32_t level, HiscoreRow& row);
    // A level table (made empty when the level has none yet); a type other than 0 or 1 is logged and throws.
    HiscoreTable& GetTable(int type, int32_t episode, int32_t level);
    // The champion table; a type other than 0 is logged and throws.
    HiscoreTable& GetChampionTable(int type);
    std::string GetPath() const;

    struct LevelEntry {
        HiscoreTable score{{}, false};
        HiscoreTable time{{}, true};
        bool operator==(const LevelEntry&) const = default;
    };
    using Episode = std::map<int32_t, LevelEntry>;
    const std::map<int32_t, Episode>& GetEpisodes() const { return _episodes; }

private:
    void Clear();

    std::string _path;   // empty: "Hiscores.xml" of the user folder
    bool _saved = true;
    std::map<int32_t, Episode> _episodes;
    HiscoreTable _champions;
};

extern CHiscores g_Hiscores;

class CXMLFile;
// Reads a hiscores document into episodes and champions as loading does (also for the fuzz target).
void ReadHiscoresDocument(const CXMLFile& doc, std::map<int32_t, CHiscores::Episode>& episodes,
                          HiscoreTable& champions);
// Builds the document of the tables in a new document as saving does.
void WriteHiscoresDocument(CXMLFile& doc, const std::map<int32_t, CHiscores::Episode>& episodes,
                           const HiscoreTable& champions);
