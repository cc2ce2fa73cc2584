// The stored player profiles: named, each with its settings and saved game slots, one of them
// active; kept in "Profiles.xml" of the user folder, scrambled on disk and written atomically.
#pragma once

#include "player/player_slot.h"

#include <map>
#include <string>
#include <vector>

extern const char* const kProfilesFile;   // "Profiles.xml"

// The most characters of a profile name.
constexpr size_t kMaxProfileNameLength = 100;

// A name that may be stored: 1 to kMaxProfileNameLength characters, not only spaces, each a
// printable character of the fonts' code page that is not one of the punctuation characters the
// name entry refuses (which include both path separators).
bool IsValidProfileName(const std::string& name);
// Names compare without regard to case (of the letters of the fonts' code page) for duplicates.
bool SameProfileName(const std::string& a, const std::string& b);

class CProfile : public CProfileSettings {
public:
    CProfile() = default;
    explicit CProfile(std::string name) : _name(std::move(name)) {}

    const std::string& GetName() const { return _name; }
    CProfileSettings& Settings() { return *this; }
    const CProfileSettings& Settings() const { return *this; }

    bool HasGame(const std::string& slot) const { return _games.count(slot) != 0; }
    // The slot of that name; a missing name fails the check "pos != _games.end()" and throws.
    const CGameSlot& GetGame(const std::string& slot) const;
    // Stores a copy under the name (inserted or overwritten).
    void SetGame(const std::string& slot, const CGameSlot& game) { _games[slot] = game; }
    const std::map<std::string, CGameSlot>& GetGames() const { return _games; }

    bool operator==(const CProfile&) const = default;

private:
    std::string _name;
    std::map<std::string, CGameSlot> _games;
};

class CProfiles {
public:
    // Reads "Profiles.xml" of the user folder, or the file of the path; Save writes where the last
    // Load read (the user folder's file when none did). False when there is no file or it cannot be
    // read: then there are no profiles. A file that cannot be read is logged and moved aside, never
    // overwritten.
    bool Load();
    bool Load(const std::string& path);
    // Writes every profile; false (logged) when the file could not be written, the old one kept.
    bool Save();

    bool HasProfile(const std::string& name) const { return _profiles.count(name) != 0; }
    // The profile of that name; a missing name fails the check "pos != _profiles.end()" and throws.
    CProfile& GetProfile(const std::string& name);
    // The name of the index-th profile in name order; "" for an index out of range (-1 included).
    std::string GetProfileName(int index) const;
    void GetNames(std::vector<std::string>& names) const;

    // Makes the profile active; false (no change) when there is none of that name.
    bool SetActive(const std::string& name);
    bool HasActive() const { return !_active.empty(); }
    const std::string& GetActiveName() const { return _active; }

    // A new profile with default settings and no slots; the first one becomes active. False, and
    // nothing changes, for a name that IsValidProfileName refuses or that equals a stored name
    // without regard to case.
    bool AddProfile(const std::string& name);
    // Removes the profile; when it was active, the first remaining one becomes active (none when
    // none is left). False, and nothing changes, for a name that is not stored.
    bool DeleteProfile(const std::string& name);

    const std::map<std::string, CProfile>& GetProfiles() const { return _profiles; }
    std::string GetPath() const;

private:
    std::string _path;   // empty: "Profiles.xml" of the user folder
    std::map<std::string, CProfile> _profiles;
    std::string _active;
};

extern CProfiles g_Profiles;

class CXMLFile;
class CXMLNode;

// The XML form of a game slot and of a profile (also used by the fuzz targets and tools).
void WriteGameSlot(CXMLFile& doc, CXMLNode& parent, const CGameSlot& slot);
CGameSlot ReadGameSlot(const CXMLNode& node);
// Reads the document into the profiles and the active name as loading does.
void ReadProfilesDocument(const CXMLFile& doc, std::map<std::string, CProfile>& profiles, std::string& active);
// Builds the document of the profiles in a new document as saving does.
void WriteProfilesDocument(CXMLFile& doc, const std::map<std::string, CProfile>& profiles, const std::string& active);
