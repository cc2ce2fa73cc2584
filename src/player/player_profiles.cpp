#include "player/player_profiles.h"

#include "engine/engine_filesys.h"
#include "engine/engine_helpers.h"
#include "engine/engine_log.h"
#include "engine/engine_userfolder.h"
#include "engine/engine_xml.h"
#include "shell/main_userfiles.h"

#include <exception>

const char* const kProfilesFile = "Profiles.xml";

CProfiles g_Profiles;
CHiscores g_Hiscores;

namespace {

// Reads a user file and unscrambles it (unless it is plain XML and plain is allowed).
// Returns false when the file does not exist.
bool ReadUserFile(const std::string& path, bool allow_plain, ByteVector& bytes)
{
    if (!FileExists(path)) return false;
    if (!CFileSystem::ReadDiskFile(path.c_str(), bytes)) throw std::runtime_error("File read error");
    if (!(allow_plain && !bytes.empty() && bytes[0] == '<'))
        ScrambleBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return true;
}

CXMLNode FindChild(const CXMLNode& parent, const char* element, const char* attr, const std::string& value)
{
    CXMLNodeList list = parent.SelectNodes(element);
    for (int i = 0; i < list.GetLength(); ++i) {
        CXMLNode n = list.GetItem(i);
        if (n.GetAttribute(attr) == value) return n;
    }
    return CXMLNode();
}

CXMLNode FindOrAppend(CXMLFile& doc, CXMLNode& parent, const char* element)
{
    CXMLNode n = parent.SelectSingleNode(element);
    if (n.IsValid()) return n;
    n = doc.CreateNode(element);
    parent.AppendChild(n);
    return parent.SelectSingleNode(element);
}

} // namespace

CProfiles::CProfiles() = default;
CProfiles::~CProfiles() = default;

void CProfiles::Load()
{
    Load(UserFilePath(kProfilesFile));
}

void CProfiles::Load(const std::string& path)
{
    _path = path;
    _profiles.clear();
    _active.clear();
    _doc.reset();

    ByteVector bytes;
    try {
        if (!ReadUserFile(path, true, bytes)) {
            GetLog().Message("No profiles yet.");
            return;
        }
        auto doc = std::make_unique<CXMLFile>();
        doc->LoadXml(bytes);
        CXMLNode root = doc->SelectSingleNode("//Profiles");
        if (!root.IsValid()) throw std::runtime_error("no Profiles element");
        _active = root.GetAttribute("active_user");
        CXMLNodeList list = root.SelectNodes("Profile");
        for (int i = 0; i < list.GetLength(); ++i) {
            CXMLNode pn = list.GetItem(i);
            CProfile profile;
            profile.name = pn.GetAttribute("name");
            CXMLNodeList games = pn.SelectNodes("Game");
            for (int j = 0; j < games.GetLength(); ++j) {
                CXMLNode g = games.GetItem(j);
                CGameSlot slot;
                slot.alias = g.GetAttribute("alias");
                if (slot.alias.empty()) continue;
                slot.game_state = g.GetIntAttribute("game_state", 0);
                slot.play_state = g.GetIntAttribute("play_state", 0);
                slot.episode = g.GetIntAttribute("episode", 0);
                slot.epoch = g.GetIntAttribute("epoch", 0);
                slot.level = g.GetIntAttribute("level", 0);
                slot.bonus_level = g.GetIntAttribute("bonus_level", 0);
                CXMLNode base = g.SelectSingleNode("Resources/Base");
                slot.lives = base.GetIntAttribute("lives", 0);
                slot.score = base.GetIntAttribute("score", 0);
                profile.slots[slot.alias] = slot;
            }
            _profiles[profile.name] = profile;
        }
        _doc = std::move(doc);
        GetLog().Message("Profiles loaded: %d.", static_cast<int>(_profiles.size()));
    } catch (const std::exception& e) {
        std::string aside = KeepAsideUnreadable(path);
        GetLog().Error("Error: profiles file '%s' cannot be read (%s); kept as '%s', starting without profiles.",
                       path.c_str(), e.what(), aside.c_str());
        _profiles.clear();
        _active.clear();
    }
}

bool CProfiles::Save()
{
    GetLog().Message("Saving profiles...");
    if (_path.empty()) _path = UserFilePath(kProfilesFile);
    if (_path.empty()) {
        GetLog().Warning("Warning: profiles not saved: there is no user folder.");
        return false;
    }
    if (!_doc) {
        _doc = std::make_unique<CXMLFile>();
        _doc->CreateRoot("Profiles");
    }
    CXMLNode root = _doc->SelectSingleNode("//Profiles");
    root.SetAttribute("active_user", _active);
    for (const auto& [name, profile] : _profiles) {
        CXMLNode pn = FindChild(root, "Profile", "name", name);
        if (!pn.IsValid()) {
            CXMLNode created = _doc->CreateNode("Profile");
            created.SetAttribute("name", name);
            root.AppendChild(created);
            pn = FindChild(root, "Profile", "name", name);
        }
        for (const auto& [alias, slot] : profile.slots) {
            CXMLNode g = FindChild(pn, "Game", "alias", alias);
            if (!g.IsValid()) {
                CXMLNode created = _doc->CreateNode("Game");
                created.SetAttribute("alias", alias);
                pn.AppendChild(created);
                g = FindChild(pn, "Game", "alias", alias);
            }
            g.SetIntAttribute("game_state", slot.game_state);
            g.SetIntAttribute("play_state", slot.play_state);
            g.SetIntAttribute("episode", slot.episode);
            g.SetIntAttribute("epoch", slot.epoch);
            g.SetIntAttribute("level", slot.level);
            g.SetIntAttribute("bonus_level", slot.bonus_level);
            CXMLNode res = FindOrAppend(*_doc, g, "Resources");
            CXMLNode base = FindOrAppend(*_doc, res, "Base");
            base.SetIntAttribute("lives", slot.lives);
            base.SetIntAttribute("score", slot.score);
        }
    }
    ByteVector bytes;
    _doc->GetXml(bytes);
    while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
    ScrambleBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (!CFileSystem::WriteFile(_path, bytes)) {
        GetLog().Error("Error: failed to save profiles to '%s'!", _path.c_str());
        return false;
    }
    return true;
}

CProfile* CProfiles::FindProfile(const std::string& name)
{
    auto pos = _profiles.find(name);
    return pos == _profiles.end() ? nullptr : &pos->second;
}

CProfile& CProfiles::GetProfile(const std::string& name)
{
    auto pos = _profiles.find(name);
    VERIFY(pos != _profiles.end());
    return pos->second;
}

CProfile& CProfiles::AddProfile(const std::string& name)
{
    CProfile& p = _profiles[name];
    p.name = name;
    return p;
}

void CHiscores::Load()
{
    std::string path = UserFilePath("Hiscores.xml");
    if ((path.empty() || !FileExists(path)) && FileExists("Hiscores.xml")) path = "Hiscores.xml";
    Load(path);
}

void CHiscores::Load(const std::string& path)
{
    _tables = 0;
    ByteVector bytes;
    try {
        if (!ReadUserFile(path, false, bytes)) {
            GetLog().Message("No hiscores yet.");
            return;
        }
        CXMLFile doc;
        doc.LoadXml(bytes);
        _tables = doc.SelectNodes("//Hiscores/*").GetLength();
    } catch (const std::exception& e) {
        // Only a file of the user folder is moved aside; a copy in the game folder is left alone.
        const std::string& folder = GetUserDataFolder();
        const bool user_file = !folder.empty() && path.compare(0, folder.size(), folder) == 0;
        std::string aside = user_file ? KeepAsideUnreadable(path) : std::string();
        GetLog().Error("Error: hiscores file '%s' cannot be read (%s)%s%s.", path.c_str(), e.what(),
                       aside.empty() ? "" : "; kept as ", aside.c_str());
    }
}
