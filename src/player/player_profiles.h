// Stored player profiles ("Profiles.xml" in the user folder, scrambled on disk) and the hiscore
// tables ("Hiscores.xml"). The profile store reads the file once at start-up and writes it back
// atomically; elements and attributes it does not know are carried over unchanged.
#pragma once

#include "player/player_user.h"

#include <map>
#include <memory>
#include <string>

extern const char* const kProfilesFile;   // "Profiles.xml"

class CProfile {
public:
    std::string name;
    std::map<std::string, CGameSlot> slots;
};

class CXMLFile;

class CProfiles {
public:
    CProfiles();
    ~CProfiles();

    // Reads the file of the user folder (or the given path). A missing file leaves no profiles;
    // an unreadable one is logged and moved aside as "Profiles.xml.bad-<n>" so that it is never
    // overwritten; the store then starts empty.
    void Load();
    void Load(const std::string& path);
    // Writes the profiles atomically; false (and an error line) when the file cannot be written.
    bool Save();

    // The profile of that name; a name that is not stored fails the check and throws.
    CProfile& GetProfile(const std::string& name);
    CProfile* FindProfile(const std::string& name);
    CProfile& AddProfile(const std::string& name);

    const std::string& GetActiveName() const { return _active; }
    void SetActiveName(const std::string& name) { _active = name; }
    const std::map<std::string, CProfile>& GetProfiles() const { return _profiles; }
    const std::string& GetPath() const { return _path; }

private:
    std::string _path;
    std::string _active;
    std::map<std::string, CProfile> _profiles;
    std::unique_ptr<CXMLFile> _doc;   // the file as read, so that unknown content survives a save
};

extern CProfiles g_Profiles;

// The hiscore tables. This build files no results, so the tables are only read and checked.
class CHiscores {
public:
    void Load();
    void Load(const std::string& path);
    int GetTableCount() const { return _tables; }

private:
    int _tables = 0;
};

extern CHiscores g_Hiscores;

