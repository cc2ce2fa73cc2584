#include "player/player_hiscores.h"

#include "player/player_user.h"
#include "player/player_userfile.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_userfolder.h"
#include "engine/base/engine_xml.h"

#include <algorithm>

const char* const kHiscoresFile = "Hiscores.xml";

CHiscores g_Hiscores;

namespace {

constexpr size_t kLevelRows = 3;
constexpr size_t kChampionRows = 5;

void ReadRows(const CXMLNode& table, HiscoreTable& out)
{
    CXMLNodeList rows = table.SelectNodes("Result");
    for (int i = 0; i < rows.GetLength(); ++i) {
        CXMLNode r = rows.GetItem(i);
        out.rows.push_back(HiscoreRow{r.GetAttribute("name"), r.GetIntAttribute("score", 0)});
    }
}

void WriteRows(CXMLFile& doc, CXMLNode& parent, const char* name, const HiscoreTable& table)
{
    CXMLNode node = doc.CreateNode(name);
    parent.AppendChild(node);
    for (const HiscoreRow& row : table.rows) {
        CXMLNode r = doc.CreateNode("Result");
        node.AppendChild(r);
        r.SetAttribute("name", row.name);
        r.SetIntAttribute("score", row.value);
    }
}

} // namespace

bool HiscoreTable::File(const HiscoreRow& row, size_t limit)
{
    auto held = std::find_if(rows.begin(), rows.end(), [&](const HiscoreRow& r) { return r.name == row.name; });
    if (held != rows.end()) {
        if (!Better(row.value, held->value)) return false;
        held->value = row.value;
    } else {
        rows.push_back(row);
    }
    rows.sort([this](const HiscoreRow& a, const HiscoreRow& b) { return Better(a.value, b.value); });   // stable
    while (rows.size() > limit) rows.pop_back();
    return true;
}

void ReadHiscoresDocument(const CXMLFile& doc, std::map<int32_t, CHiscores::Episode>& episodes,
                          HiscoreTable& champions)
{
    CXMLNodeList episode_nodes = doc.SelectNodes("/Hiscores/Episode");
    for (int i = 0; i < episode_nodes.GetLength(); ++i) {
        CXMLNode e = episode_nodes.GetItem(i);
        const int32_t number = e.GetIntAttribute("number", -1);
        if (number == -1) continue;
        CHiscores::Episode episode;
        CXMLNodeList levels = e.SelectNodes("Level");
        for (int k = 0; k < levels.GetLength(); ++k) {
            CXMLNode l = levels.GetItem(k);
            const int32_t level = l.GetIntAttribute("number", -1);
            if (level == -1) continue;
            CHiscores::LevelEntry entry;
            ReadRows(l.SelectSingleNode("Score"), entry.score);
            ReadRows(l.SelectSingleNode("Time"), entry.time);
            episode[level] = std::move(entry);
        }
        episodes[number] = std::move(episode);
    }
    ReadRows(doc.SelectSingleNode("/Hiscores/Champions/Score"), champions);
}

CHiscores::CHiscores()
{
    Clear();
}

void CHiscores::Clear()
{
    _episodes.clear();
    _champions = HiscoreTable{{}, false};
}

std::string CHiscores::GetPath() const
{
    return _path.empty() ? UserFilePath(kHiscoresFile) : _path;
}

bool CHiscores::Load()
{
    return Load(UserFilePath(kHiscoresFile));
}

bool CHiscores::Load(const std::string& path)
{
    _path = path;
    Clear();
    _saved = true;
    CXMLFile doc;
    switch (ReadPlayerFile(GetPath(), false, "Hiscores", "hiscores", doc)) {
    case EPlayerFileRead::Damaged: return false;
    case EPlayerFileRead::Read: break;
    case EPlayerFileRead::Missing: {
        // The tables the game folder ships, from the package or the loose file.
        ByteVector bytes;
        if (!CFileSystem::Instance().ReadFile(kHiscoresFile, bytes)) return false;
        if (!ParsePlayerFile(bytes, false, "Hiscores", doc)) {
            GetLog().Error("Error: the game folder's hiscores file cannot be read.");
            return false;
        }
        break;
    }
    }
    ReadHiscoresDocument(doc, _episodes, _champions);
    return true;
}

void WriteHiscoresDocument(CXMLFile& doc, const std::map<int32_t, CHiscores::Episode>& episodes,
                           const HiscoreTable& champions)
{
    doc.CreateRoot("Hiscores");
    CXMLNode root = doc.SelectSingleNode("/Hiscores");
    VERIFY(root.IsValid());
    for (const auto& [number, episode] : episodes) {
        CXMLNode e = doc.CreateNode("Episode");
        root.AppendChild(e);
        e.SetIntAttribute("number", number);
        for (const auto& [level, entry] : episode) {
            CXMLNode l = doc.CreateNode("Level");
            e.AppendChild(l);
            l.SetIntAttribute("number", level);
            WriteRows(doc, l, "Score", entry.score);
            WriteRows(doc, l, "Time", entry.time);
        }
    }
    CXMLNode node = doc.CreateNode("Champions");
    root.AppendChild(node);
    WriteRows(doc, node, "Score", champions);
}

bool CHiscores::Save()
{
    if (_saved) return true;
    CXMLFile doc;
    WriteHiscoresDocument(doc, _episodes, _champions);
    const std::string path = GetPath();
    if (!WritePlayerFile(path, doc)) {
        GetLog().Error("Error: failed to save hiscores to '%s'!", path.c_str());
        return false;
    }
    _saved = true;
    return true;
}

HiscoreTable& CHiscores::GetTable(int type, int32_t episode, int32_t level)
{
    if (type != httScore && type != httTime) THROW_ERROR("\"Ask for hiscore table type which not supported.\"");
    LevelEntry& entry = _episodes[episode][level];
    return type == httScore ? entry.score : entry.time;
}

HiscoreTable& CHiscores::GetChampionTable(int type)
{
    if (type != httScore) THROW_ERROR("\"Ask for champion table type which not supported.\"");
    return _champions;
}

void CHiscores::AddResult(const LevelStats& stats)
{
    const std::string& name = g_User.GetName();
    GetTable(httScore, g_User.GetEpisode(), g_User.GetLevel()).File(HiscoreRow{name, stats.score}, kLevelRows);
    GetTable(httTime, g_User.GetEpisode(), g_User.GetLevel()).File(HiscoreRow{name, stats.time}, kLevelRows);
    _saved = false;
}

void CHiscores::AddChampion(int type, const HiscoreRow& row)
{
    if (GetChampionTable(type).File(row, kChampionRows)) _saved = false;
}

bool CHiscores::FileLevelRecord(LevelRecord& record)
{
    AddResult(record);
    AddChampion(httScore, HiscoreRow{g_User.GetName(), g_User.GetScore()});
    HiscoreRow best;
    if (GetBest(httScore, g_User.GetEpisode(), g_User.GetLevel(), best)) {
        record.best_score_name = best.name;
        record.best_score = best.value;
    }
    if (GetBest(httTime, g_User.GetEpisode(), g_User.GetLevel(), best)) {
        record.best_time_name = best.name;
        record.best_time = best.value;
    }
    return Save();
}

bool CHiscores::GetBest(int type, int32_t episode, int32_t level, HiscoreRow& row)
{
    const HiscoreTable& table = GetTable(type, episode, level);
    if (table.rows.empty()) return false;
    row = table.rows.front();
    return true;
}
