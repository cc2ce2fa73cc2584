#include "player/player_profiles.h"

#include "player/player_userfile.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_userfolder.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <cmath>
#include <cstring>

const char* const kProfilesFile = "Profiles.xml";

CProfiles g_Profiles;

namespace {

// The punctuation the name entry refuses; the path separators are among them.
const char kRefusedNameChars[] = "'!.#$%&()*+-/.,:;^<=>?@\\[]{}|~\"`";

// A new element appended under the parent (attributes are set on the returned node).
CXMLNode AddChild(CXMLFile& doc, CXMLNode& parent, const char* name)
{
    CXMLNode node = doc.CreateNode(name);
    parent.AppendChild(node);
    return node;
}

// Cell coordinates are stored as whole numbers.
int TruncCoordinate(float v)
{
    if (!(v > -1e9f && v < 1e9f)) return -1;
    return static_cast<int>(v);
}

void WriteEvents(CXMLFile& doc, CXMLNode& parent, const char* name, const std::list<BonusEvent>& events)
{
    for (const BonusEvent& e : events) {
        CXMLNode n = AddChild(doc, parent, name);
        n.SetIntAttribute("type", e.type);
        n.SetIntAttribute("time", e.time);
        n.SetIntAttribute("grade", e.grade);
    }
}

void ReadEvents(const CXMLNode& parent, const char* name, std::list<BonusEvent>& events)
{
    CXMLNodeList list = parent.SelectNodes(name);
    for (int i = 0; i < list.GetLength(); ++i) {
        CXMLNode n = list.GetItem(i);
        events.push_back(BonusEvent{n.GetIntAttribute("type", 0), n.GetIntAttribute("time", 0),
                                    n.GetIntAttribute("grade", 0)});
    }
}

// Amounts by type: only those that are not 0 are written.
void WriteAmounts(CXMLFile& doc, CXMLNode& parent, const char* name, const std::map<int32_t, int32_t>& amounts)
{
    for (const auto& [type, amount] : amounts) {
        if (amount == 0) continue;
        CXMLNode n = AddChild(doc, parent, name);
        n.SetIntAttribute("type", type);
        n.SetIntAttribute("amount", amount);
    }
}

void ReadAmounts(const CXMLNode& parent, const char* name, std::map<int32_t, int32_t>& amounts)
{
    CXMLNodeList list = parent.SelectNodes(name);
    for (int i = 0; i < list.GetLength(); ++i) {
        CXMLNode n = list.GetItem(i);
        amounts[n.GetIntAttribute("type", 0)] = n.GetIntAttribute("amount", 0);
    }
}

// The attributes of "Stats", in the order they are written.
struct StatsField {
    const char* name;
    int32_t LevelStats::*number;
    bool LevelStats::*flag;
};

const StatsField kStatsFields[] = {
    {"i_level", &LevelStats::i_level, nullptr},
    {"is_bonus_level", nullptr, &LevelStats::is_bonus_level},
    {"time_cap", &LevelStats::time_cap, nullptr},
    {"moves_cap", &LevelStats::moves_cap, nullptr},
    {"n_puzzles", &LevelStats::n_puzzles, nullptr},
    {"n_finishers", &LevelStats::n_finishers, nullptr},
    {"was_double_puzzles", nullptr, &LevelStats::was_double_puzzles},
    {"was_locks", nullptr, &LevelStats::was_locks},
    {"was_double_locks", nullptr, &LevelStats::was_double_locks},
    {"was_boxes", nullptr, &LevelStats::was_boxes},
    {"was_double_boxes", nullptr, &LevelStats::was_double_boxes},
    {"was_walls", nullptr, &LevelStats::was_walls},
    {"was_double_walls", nullptr, &LevelStats::was_double_walls},
    {"was_triple_walls", nullptr, &LevelStats::was_triple_walls},
    {"was_disable_areas", nullptr, &LevelStats::was_disable_areas},
    {"was_finishers", nullptr, &LevelStats::was_finishers},
    {"score", &LevelStats::score, nullptr},
    {"time", &LevelStats::time, nullptr},
    {"n_moves", &LevelStats::n_moves, nullptr},
    {"n_puzzles_broke", &LevelStats::n_puzzles_broke, nullptr},
    {"n_lives_gain", &LevelStats::n_lives_gain, nullptr},
    {"n_lives_loss", &LevelStats::n_lives_loss, nullptr},
    {"was_time_alert", nullptr, &LevelStats::was_time_alert},
    {"was_finish_move", nullptr, &LevelStats::was_finish_move},
    {"bonus_res_type", &LevelStats::bonus_res_type, nullptr},
    {"bonus_res_amount", &LevelStats::bonus_res_amount, nullptr},
    {"max_chain_length", &LevelStats::max_chain_length, nullptr},
    {"max_chain_score", &LevelStats::max_chain_score, nullptr},
    {"total_chain_length", &LevelStats::total_chain_length, nullptr},
    {"total_chain_score", &LevelStats::total_chain_score, nullptr},
    {"n_chains", &LevelStats::n_chains, nullptr},
};

void WriteLevel(CXMLFile& doc, CXMLNode& game, const CStatistics& s)
{
    CXMLNode level = AddChild(doc, game, "Level");
    CXMLNode timer = AddChild(doc, level, "Timer");
    timer.SetIntAttribute("elapsed_time", s.elapsed_time);
    timer.SetIntAttribute("remained_time", s.remained_time);
    timer.SetIntAttribute("moves_left", s.moves_left);

    CXMLNode stats = AddChild(doc, level, "Stats");
    for (const StatsField& f : kStatsFields) {
        if (f.number) stats.SetIntAttribute(f.name, s.stats.*f.number);
        else stats.SetBoolAttribute(f.name, s.stats.*f.flag);
    }
    WriteAmounts(doc, stats, "Collect", s.stats.collect);
    WriteEvents(doc, stats, "BonusGain", s.stats.bonus_gain);
    WriteEvents(doc, stats, "BonusUse", s.stats.bonus_use);

    for (int32_t graph_type : s.available_balls) AddChild(doc, level, "Available_ball").SetIntAttribute("graph_type", graph_type);
    for (const SavedCell& c : s.cells) {
        CXMLNode n = AddChild(doc, level, "Cell");
        n.SetIntAttribute("x", TruncCoordinate(c.x));
        n.SetIntAttribute("y", TruncCoordinate(c.y));
        n.SetIntAttribute("puzzle", c.puzzle);
    }
    for (const SavedPlace& p : s.places) {
        CXMLNode n = AddChild(doc, level, "Place");
        n.SetIntAttribute("x", TruncCoordinate(p.x));
        n.SetIntAttribute("y", TruncCoordinate(p.y));
        n.SetBoolAttribute("disable", p.disable);
        n.SetIntAttribute("wall", p.wall);
    }
    for (const SavedBall& b : s.balls) {
        CXMLNode n = AddChild(doc, level, "Ball");
        n.SetIntAttribute("x", TruncCoordinate(b.x));
        n.SetIntAttribute("y", TruncCoordinate(b.y));
        n.SetIntAttribute("graph_type", b.graph_type);
        n.SetIntAttribute("lock", b.lock);
        n.SetIntAttribute("box", b.box);
    }
}

void ReadLevel(const CXMLNode& level, CStatistics& s)
{
    CXMLNode timer = level.SelectSingleNode("Timer");
    s.elapsed_time = timer.GetIntAttribute("elapsed_time", 0);
    s.remained_time = timer.GetIntAttribute("remained_time", 0);
    s.moves_left = timer.GetIntAttribute("moves_left", 0);

    CXMLNode stats = level.SelectSingleNode("Stats");
    for (const StatsField& f : kStatsFields) {
        if (f.number) s.stats.*f.number = stats.GetIntAttribute(f.name, 0);
        else s.stats.*f.flag = stats.GetBoolAttribute(f.name, false);
    }
    if (stats.IsValid()) {
        ReadAmounts(stats, "Collect", s.stats.collect);
        ReadEvents(stats, "BonusGain", s.stats.bonus_gain);
        ReadEvents(stats, "BonusUse", s.stats.bonus_use);
    }

    CXMLNodeList list = level.SelectNodes("Available_ball");
    for (int i = 0; i < list.GetLength(); ++i) s.available_balls.push_back(list.GetItem(i).GetIntAttribute("graph_type", 0));
    list = level.SelectNodes("Cell");
    for (int i = 0; i < list.GetLength(); ++i) {
        CXMLNode n = list.GetItem(i);
        s.cells.push_back(SavedCell{n.GetFloatAttribute("x", -1.0f), n.GetFloatAttribute("y", -1.0f),
                                    n.GetIntAttribute("puzzle", 0)});
    }
    list = level.SelectNodes("Place");
    for (int i = 0; i < list.GetLength(); ++i) {
        CXMLNode n = list.GetItem(i);
        s.places.push_back(SavedPlace{n.GetFloatAttribute("x", -1.0f), n.GetFloatAttribute("y", -1.0f),
                                      n.GetBoolAttribute("disable", false), n.GetIntAttribute("wall", 0)});
    }
    list = level.SelectNodes("Ball");
    for (int i = 0; i < list.GetLength(); ++i) {
        CXMLNode n = list.GetItem(i);
        s.balls.push_back(SavedBall{n.GetFloatAttribute("x", -1.0f), n.GetFloatAttribute("y", -1.0f),
                                    n.GetIntAttribute("graph_type", 0), n.GetIntAttribute("box", 0),
                                    n.GetIntAttribute("lock", 0)});
    }
}

void WriteSettings(CXMLFile& doc, CXMLNode& node, const CProfileSettings& s)
{
    node.SetIntAttribute("w_param_1", s.w_param_1);
    node.SetIntAttribute("w_param_2", s.w_param_2);
    node.SetIntAttribute("w_param_3", s.w_param_3);
    node.SetBoolAttribute("not_show_hints", s.not_show_hints);
    node.SetBoolAttribute("pass_smart_test", s.pass_smart_test);
    CXMLNode hints = AddChild(doc, node, "Shown_hints");
    for (const auto& [type, shown] : s.Shown_hints) {
        CXMLNode h = AddChild(doc, hints, "Hint");
        h.SetIntAttribute("type", type);
        h.SetBoolAttribute("show", shown);
    }
}

void ReadSettings(const CXMLNode& node, CProfileSettings& s)
{
    s.w_param_1 = node.GetIntAttribute("w_param_1", 0);
    s.w_param_2 = node.GetIntAttribute("w_param_2", 0);
    s.w_param_3 = node.GetIntAttribute("w_param_3", 0);
    s.not_show_hints = node.GetBoolAttribute("not_show_hints", false);
    s.pass_smart_test = node.GetBoolAttribute("pass_smart_test", false);
    CXMLNodeList hints = node.SelectNodes("Shown_hints/Hint");
    for (int i = 0; i < hints.GetLength(); ++i) {
        CXMLNode h = hints.GetItem(i);
        const int type = h.GetIntAttribute("type", -1);
        if (type != -1) s.Shown_hints[type] = h.GetBoolAttribute("show", false);
    }
}

// Windows-1252 letters folded to lower case.
unsigned char FoldCase(unsigned char c)
{
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 16);
    if (c == 0x9F) return 0xFF;
    return c;
}

bool IsPrintableCp1252(unsigned char c)
{
    if (c < 0x20 || c == 0x7F) return false;
    // Code points that Windows-1252 leaves undefined.
    return c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D;
}

} // namespace

bool IsValidProfileName(const std::string& name)
{
    if (name.empty() || name.size() > kMaxProfileNameLength) return false;
    if (name.find_first_not_of(' ') == std::string::npos) return false;
    for (char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (!IsPrintableCp1252(c) || std::strchr(kRefusedNameChars, ch)) return false;
    }
    return true;
}

bool SameProfileName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(static_cast<unsigned char>(x)) == FoldCase(static_cast<unsigned char>(y));
           });
}

void WriteGameSlot(CXMLFile& doc, CXMLNode& parent, const CGameSlot& slot)
{
    CXMLNode game = AddChild(doc, parent, "Game");
    game.SetAttribute("alias", slot.alias);
    game.SetIntAttribute("game_state", slot.game_state);
    game.SetIntAttribute("play_state", slot.play_state);
    game.SetIntAttribute("episode", slot.episode);
    game.SetIntAttribute("epoch", slot.epoch);
    game.SetIntAttribute("level", slot.level);
    game.SetIntAttribute("bonus_level", slot.bonus_level);
    game.SetIntAttribute("title", slot.title);
    game.SetIntAttribute("background", slot.background);
    game.SetIntAttribute("bonus_background", slot.bonus_background);
    game.SetIntAttribute("bg_shows", slot.bg_shows);
    game.SetAttribute("music_alias", slot.music.alias);
    game.SetIntAttribute("music_track", slot.music.track);
    game.SetAttribute("bonus_music_alias", slot.bonus_music.alias);
    game.SetIntAttribute("bonus_music_track", slot.bonus_music.track);
    game.SetIntAttribute("music_plays", slot.music_plays);

    CXMLNode resources = AddChild(doc, game, "Resources");
    CXMLNode base = AddChild(doc, resources, "Base");
    base.SetIntAttribute("lives", slot.lives);
    base.SetIntAttribute("score", slot.score);
    WriteAmounts(doc, resources, "Collect", slot.collect);
    WriteAmounts(doc, resources, "Bonus", slot.bonus);

    CXMLNode city = AddChild(doc, game, "City");
    for (const auto& [id, entry] : slot.city) {
        if (!entry.bought) continue;
        CXMLNode c = AddChild(doc, city, "Construction");
        c.SetIntAttribute("id", id);
        c.SetBoolAttribute("bought", entry.bought);
        c.SetIntAttribute("upgrade", entry.upgrade);
    }

    CXMLNode people = AddChild(doc, game, "People");
    for (const auto& [id, man] : slot.people) {
        CXMLNode m = AddChild(doc, people, "Man");
        m.SetIntAttribute("construct_id", id);
        m.SetBoolAttribute("is_can_exist", man.is_can_exist);
        m.SetIntAttribute("if_counter", man.if_counter);
        m.SetBoolAttribute("is_acquired", man.is_acquired);
        for (int32_t v : man.time) AddChild(doc, m, "Time").SetIntAttribute("value", v);
        for (int32_t v : man.stamp) AddChild(doc, m, "Stamp").SetIntAttribute("value", v);
    }

    AddChild(doc, game, "Statistics");
    if (slot.HasSavedLevel() || slot.HasSavedBonusLevel()) WriteLevel(doc, game, slot.statistics);
}

CGameSlot ReadGameSlot(const CXMLNode& node)
{
    CGameSlot slot;
    slot.alias = node.GetAttribute("alias");
    slot.game_state = node.GetIntAttribute("game_state", 0);
    slot.play_state = node.GetIntAttribute("play_state", 0);
    slot.episode = node.GetIntAttribute("episode", 0);
    slot.epoch = node.GetIntAttribute("epoch", 0);
    slot.level = node.GetIntAttribute("level", 0);
    slot.bonus_level = node.GetIntAttribute("bonus_level", 0);
    slot.title = node.GetIntAttribute("title", 0);
    slot.background = node.GetIntAttribute("background", 0);
    slot.bonus_background = node.GetIntAttribute("bonus_background", 0);
    slot.bg_shows = node.GetIntAttribute("bg_shows", 0);
    slot.music = MusicTrack(node.GetAttribute("music_alias"), node.GetIntAttribute("music_track", 0));
    slot.bonus_music = MusicTrack(node.GetAttribute("bonus_music_alias"), node.GetIntAttribute("bonus_music_track", 0));
    slot.music_plays = node.GetIntAttribute("music_plays", 0);

    CXMLNode base = node.SelectSingleNode("Resources/Base");
    slot.lives = base.GetIntAttribute("lives", 0);
    slot.score = base.GetIntAttribute("score", 0);
    CXMLNode resources = node.SelectSingleNode("Resources");
    if (resources.IsValid()) {
        ReadAmounts(resources, "Collect", slot.collect);
        ReadAmounts(resources, "Bonus", slot.bonus);
    }

    CXMLNodeList list = node.SelectNodes("City/Construction");
    for (int i = 0; i < list.GetLength(); ++i) {
        CXMLNode c = list.GetItem(i);
        slot.city[c.GetIntAttribute("id", 0)] = CityEntry{c.GetBoolAttribute("bought", false), c.GetIntAttribute("upgrade", 0)};
    }

    list = node.SelectNodes("People/Man");
    for (int i = 0; i < list.GetLength(); ++i) {
        CXMLNode m = list.GetItem(i);
        ManState man;
        man.is_can_exist = m.GetBoolAttribute("is_can_exist", false);
        man.if_counter = m.GetIntAttribute("if_counter", 0);
        man.is_acquired = m.GetBoolAttribute("is_acquired", false);
        CXMLNodeList values = m.SelectNodes("Time");
        for (int k = 0; k < values.GetLength(); ++k) man.time.push_back(values.GetItem(k).GetIntAttribute("value", 0));
        values = m.SelectNodes("Stamp");
        for (int k = 0; k < values.GetLength(); ++k) man.stamp.push_back(values.GetItem(k).GetIntAttribute("value", 0));
        slot.people[m.GetIntAttribute("construct_id", 0)] = std::move(man);
    }

    slot.statistics.field_saved = slot.HasSavedLevel() || slot.HasSavedBonusLevel();
    if (slot.statistics.field_saved) ReadLevel(node.SelectSingleNode("Level"), slot.statistics);
    return slot;
}

void ReadProfilesDocument(const CXMLFile& doc, std::map<std::string, CProfile>& profiles, std::string& active)
{
    CXMLNode root = doc.SelectSingleNode("/Profiles");
    active = root.GetAttribute("active_user");
    CXMLNodeList list = root.SelectNodes("Profile");
    for (int i = 0; i < list.GetLength(); ++i) {
        CXMLNode node = list.GetItem(i);
        CProfile profile(node.GetAttribute("name"));
        if (profile.GetName().empty()) continue;
        ReadSettings(node, profile.Settings());
        CXMLNodeList games = node.SelectNodes("Game");
        for (int k = 0; k < games.GetLength(); ++k) {
            CGameSlot slot = ReadGameSlot(games.GetItem(k));
            if (!slot.alias.empty()) profile.SetGame(slot.alias, slot);
        }
        std::string name = profile.GetName();
        profiles[name] = std::move(profile);
    }
}

// ---------------------------------------------------------------------------------------------

const CGameSlot& CProfile::GetGame(const std::string& slot) const
{
    auto pos = _games.find(slot);
    VERIFY(pos != _games.end());
    return pos->second;
}

std::string CProfiles::GetPath() const
{
    return _path.empty() ? UserFilePath(kProfilesFile) : _path;
}

bool CProfiles::Load()
{
    return Load(UserFilePath(kProfilesFile));
}

bool CProfiles::Load(const std::string& path)
{
    _path = path;
    _profiles.clear();
    _active.clear();
    CXMLFile doc;
    if (ReadPlayerFile(GetPath(), true, "Profiles", "profiles", doc) != EPlayerFileRead::Read) return false;
    ReadProfilesDocument(doc, _profiles, _active);
    if (!_active.empty() && !HasProfile(_active)) {
        GetLog().Error("Active user profile not found.");
        _active.clear();
    }
    if (_active.empty() && !_profiles.empty()) _active = _profiles.begin()->first;
    return true;
}

void WriteProfilesDocument(CXMLFile& doc, const std::map<std::string, CProfile>& profiles, const std::string& active)
{
    doc.CreateRoot("Profiles");
    CXMLNode root = doc.SelectSingleNode("/Profiles");
    VERIFY(root.IsValid());
    root.SetAttribute("active_user", active);
    for (const auto& [name, profile] : profiles) {
        CXMLNode node = doc.CreateNode("Profile");
        root.AppendChild(node);
        node.SetAttribute("name", name);
        WriteSettings(doc, node, profile.Settings());
        for (const auto& [alias, slot] : profile.GetGames()) {
            CGameSlot stored = slot;
            stored.alias = alias;   // the slot is read back under the name it is stored under
            WriteGameSlot(doc, node, stored);
        }
    }
}

bool CProfiles::Save()
{
    GetLog().MessageBold("Saving profiles...");
    CXMLFile doc;
    WriteProfilesDocument(doc, _profiles, _active);
    const std::string path = GetPath();
    if (!WritePlayerFile(path, doc)) {
        GetLog().Error("Error: failed to save profiles to '%s'!", path.c_str());
        return false;
    }
    return true;
}

CProfile& CProfiles::GetProfile(const std::string& name)
{
    auto pos = _profiles.find(name);
    VERIFY(pos != _profiles.end());
    return pos->second;
}

std::string CProfiles::GetProfileName(int index) const
{
    if (static_cast<unsigned>(index) >= _profiles.size()) return std::string();
    auto it = _profiles.begin();
    std::advance(it, index);
    return it->first;
}

void CProfiles::GetNames(std::vector<std::string>& names) const
{
    names.clear();
    for (const auto& entry : _profiles) names.push_back(entry.first);
}

bool CProfiles::SetActive(const std::string& name)
{
    if (!HasProfile(name)) return false;
    _active = name;
    return true;
}

bool CProfiles::AddProfile(const std::string& name)
{
    if (!IsValidProfileName(name)) return false;
    for (const auto& entry : _profiles)
        if (SameProfileName(entry.first, name)) return false;
    _profiles.emplace(name, CProfile(name));
    if (_active.empty()) _active = name;
    return true;
}

bool CProfiles::DeleteProfile(const std::string& name)
{
    if (!HasProfile(name)) return false;
    _profiles.erase(name);
    if (_active == name) _active = _profiles.empty() ? std::string() : _profiles.begin()->first;
    return true;
}
