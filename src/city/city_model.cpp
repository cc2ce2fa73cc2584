#include "city/city_model.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/text/engine_langtext.h"
#include "field/balls/field_ballsdepot.h"
#include "field/people/field_people.h"
#include "player/player_prices.h"
#include "player/player_resources.h"
#include "player/player_user.h"

#include <algorithm>
#include <exception>
#include <set>

const char* const kShopFile = "Settings\\Shop.xml";

namespace {

MusicTrack ReadMusic(const CXMLNode& parent, const char* name)
{
    const CXMLNode node = parent.SelectSingleNode(name);
    if (!node.IsValid()) return MusicTrack();
    return MusicTrack(node.GetAttribute("alias"), node.GetIntAttribute("track", 0));
}

bool HasPrice(int32_t id, int32_t level)
{
    for (const ConstructionPrice& p : GetConstructionRes().GetRecords())
        if (p.type == id && p.update_id == level) return true;
    return false;
}

// A construction without a price cannot be paid; the missing price was reported when the shop was read.
bool CanPay(int32_t id, int32_t level)
{
    if (!HasPrice(id, level)) return false;
    try {
        return GetConstructionRes().CanAfford(id, level);
    } catch (const std::exception&) {
        return false;
    }
}

// Highest level of a construction; 0 for one the catalogue does not know.
int32_t TopLevel(const CityConstruct& c) { return std::max(c.level_count, 1) - 1; }

// What building a construction gives beyond the city itself: the player's saved city, the
// construction's citizens and the ball it brings.
void RecordBuilt(const CCity& city, const CityConstruct& before)
{
    g_User.BuyConstruction(before.id);
    // The saved record follows the city, also for a construction the file builds from the start.
    if (const CityConstruct* now = city.FindConstruction(before.id))
        g_User.Game().city[before.id] = CityEntry{true, now->upgrade};
    GetPeople().SetCanExist(before.id);
    if (!before.bought && before.brings_ball) GetBallsDepot().SetAvailable(before.ball_graph_type, before.ball_available);
}

} // namespace

std::string CCity::LabelText(const std::string& alias) const
{
    if (alias.empty()) return std::string();
    if (_labels) return _labels(alias);
    return CTextKeeper::Instance().GetLabel(alias).text;
}

void CCity::Load(const CXMLNode& shop)
{
    _epoches.clear();
    _bonus_constructs.clear();
    _bonus_title.clear();
    _ids.clear();
    _current_epoch = 0;
    _all_complete = false;
    _content_errors = 0;
    if (!shop.IsValid()) {
        GetLog().Error("Error: the shop has no \"Shop\" element; the city sells nothing.");
        ++_content_errors;
        return;
    }

    std::set<int32_t> doubled;
    auto enter = [&](int32_t id, Place place) {
        if (_ids.count(id) && doubled.insert(id).second) {
            GetLog().Error("Error: construction %d is listed more than once in the shop; only the last one can be bought.", id);
            ++_content_errors;
        }
        _ids[id] = place;
    };

    const CXMLNodeList episode_nodes = shop.SelectNodes("Episode");
    if (episode_nodes.GetLength() == 0) {
        zf::ReportFailedCheck("episode_nodes.IsValid()", __FILE__, __LINE__);
        ++_content_errors;
    }
    for (int e = 0; e < episode_nodes.GetLength(); ++e) {
        const CXMLNode node = episode_nodes.GetItem(e);
        CityEpoch epoch;
        epoch.title_alias = node.GetAttribute("epoch_title");
        epoch.title = LabelText(epoch.title_alias);
        epoch.background = node.GetIntAttribute("background", kNoBackground);
        epoch.bonus_background = node.GetIntAttribute("bonus_background", kNoBackground);
        epoch.help_limit_01 = node.GetIntAttribute("help_limit_01", 0);
        epoch.help_limit_03 = node.GetIntAttribute("help_limit_03", 0);
        epoch.help_default_page_01 = node.GetIntAttribute("help_default_page_01", 0);
        epoch.help_default_page_03 = node.GetIntAttribute("help_default_page_03", 0);
        epoch.music = ReadMusic(node, "Music");
        epoch.bonus_music = ReadMusic(node, "BonusMusic");
        const CXMLNodeList list = node.SelectNodes("Construction");
        for (int i = 0; i < list.GetLength(); ++i) {
            const CXMLNode cn = list.GetItem(i);
            CityConstruct c;
            c.id = cn.GetIntAttribute("id", 0);
            c.background = cn.GetIntAttribute("background", kNoBackground);
            c.bonus_background = cn.GetIntAttribute("bonus_background", kNoBackground);
            c.start_bought = cn.GetBoolAttribute("buy", false);
            c.start_upgrade = cn.GetIntAttribute("upgrade_id", 0);
            c.music = ReadMusic(cn, "Music");
            c.bonus_music = ReadMusic(cn, "BonusMusic");
            enter(c.id, Place{false, e, i});
            epoch.constructs.push_back(std::move(c));
        }
        _epoches.push_back(std::move(epoch));
    }

    const CXMLNodeList bonus_nodes = shop.SelectNodes("Bonus");
    if (bonus_nodes.GetLength() == 0) {
        zf::ReportFailedCheck("bonus_nodes.IsValid()", __FILE__, __LINE__);
        ++_content_errors;
    }
    for (int b = 0; b < bonus_nodes.GetLength(); ++b) {
        const CXMLNode node = bonus_nodes.GetItem(b);
        _bonus_title = LabelText(node.GetAttribute("epoch_title"));
        const CXMLNodeList list = node.SelectNodes("Construction");
        for (int i = 0; i < list.GetLength(); ++i) {
            CityConstruct c;
            c.id = list.GetItem(i).GetIntAttribute("id", 0);
            c.start_bought = list.GetItem(i).GetBoolAttribute("buy", false);
            enter(c.id, Place{true, 0, static_cast<int>(_bonus_constructs.size())});
            _bonus_constructs.push_back(std::move(c));
        }
    }

    ValidateContent();
    for (CityEpoch& epoch : _epoches) {
        for (CityConstruct& c : epoch.constructs) {
            c.bought = c.start_bought;
            c.upgrade = c.start_upgrade;
        }
        UpdateEpochComplete(epoch);
    }
    for (CityConstruct& c : _bonus_constructs) {
        c.bought = c.start_bought;
        c.upgrade = c.start_upgrade;
    }
    ApplyCompletionRule();
}

void CCity::TakeCatalogueEntries(CityConstruct& c)
{
    const ConstructionInfo* info = GetConstructDepot().Find(c.id);
    if (!info) return;
    c.brings_ball = info->brings_ball;
    c.ball_graph_type = info->ball_graph_type;
    c.ball_available = info->ball_available;
    c.level_count = info->GetLevelCount();
}

// Every fault of the shop's content is logged once, by construction id, while the game starts.
void CCity::ValidateContent()
{
    std::set<int32_t> unknown, unpriced, too_high;
    auto check = [&](CityConstruct& c, bool sold, int epoch) {
        TakeCatalogueEntries(c);
        if (c.level_count < 1) {
            if (unknown.insert(c.id).second) {
                GetLog().Error("Error: construction %d of the shop (%s) has no levels in the construction catalogue.",
                               c.id, sold ? ("epoch " + std::to_string(epoch + 1)).c_str() : "bonus");
                ++_content_errors;
            }
        }
        if (c.start_upgrade < 0 || c.start_upgrade > TopLevel(c)) {
            if (too_high.insert(c.id).second) {
                GetLog().Error("Error: construction %d of the shop starts at level %d, the catalogue has %d level(s); level %d is used.",
                               c.id, c.start_upgrade, std::max(c.level_count, 0),
                               std::clamp(c.start_upgrade, 0, TopLevel(c)));
                ++_content_errors;
            }
            c.start_upgrade = std::clamp(c.start_upgrade, 0, TopLevel(c));
        }
        // Bonus constructions are given, not sold.
        if (!sold) return;
        for (int32_t level = 0; level <= TopLevel(c); ++level) {
            if (HasPrice(c.id, level)) continue;
            if (unpriced.insert(c.id).second) {
                GetLog().Error("Error: construction %d of the shop has no price for level %d in the price table; it cannot be bought.",
                               c.id, level);
                ++_content_errors;
            }
        }
    };
    for (size_t e = 0; e < _epoches.size(); ++e) {
        if (_epoches[e].constructs.empty()) {
            GetLog().Error("Error: epoch %d of the shop has no constructions.", static_cast<int>(e) + 1);
            ++_content_errors;
        }
        for (CityConstruct& c : _epoches[e].constructs) check(c, true, static_cast<int>(e));
    }
    for (CityConstruct& c : _bonus_constructs) check(c, false, 0);
}

void CCity::Reset()
{
    for (CityEpoch& epoch : _epoches) {
        for (CityConstruct& c : epoch.constructs) {
            c.bought = false;
            c.upgrade = 0;
        }
        epoch.complete = false;
    }
    for (CityConstruct& c : _bonus_constructs) {
        c.bought = false;
        c.upgrade = 0;
    }
    _current_epoch = 0;
    _all_complete = false;
}

void CCity::LoadProgress(const CityConstructions& city)
{
    Reset();
    // What the file builds from the start stays built even when the saved city does not list it.
    auto start = [](CityConstruct& c) {
        if (!c.start_bought) return;
        c.bought = true;
        c.upgrade = c.start_upgrade;
    };
    for (CityEpoch& epoch : _epoches)
        for (CityConstruct& c : epoch.constructs) start(c);
    for (CityConstruct& c : _bonus_constructs) start(c);

    for (const auto& [id, entry] : city) {
        CityConstruct* c = Find(id);
        if (!c) {
            GetLog().Warning("Warning: the saved city holds construction %d, which the shop does not sell; it is left out.", id);
            continue;
        }
        c->bought = entry.bought;
        c->upgrade = std::clamp(entry.upgrade, 0, TopLevel(*c));
        if (c->upgrade != entry.upgrade)
            GetLog().Warning("Warning: the saved city holds construction %d at level %d; level %d is used.", id,
                             entry.upgrade, c->upgrade);
    }
    for (CityEpoch& epoch : _epoches) UpdateEpochComplete(epoch);
    ApplyCompletionRule();
}

void CCity::UpdateEpochComplete(CityEpoch& epoch)
{
    epoch.complete = std::all_of(epoch.constructs.begin(), epoch.constructs.end(),
                                 [](const CityConstruct& c) { return c.bought; });
}

void CCity::ApplyCompletionRule()
{
    _current_epoch = 0;
    for (size_t e = 0; e < _epoches.size(); ++e) {
        const auto& list = _epoches[e].constructs;
        if (std::any_of(list.begin(), list.end(), [](const CityConstruct& c) { return c.bought; }))
            _current_epoch = static_cast<int>(e);
    }
    if (_epoches.empty()) return;
    if (_epoches[static_cast<size_t>(_current_epoch)].complete) ++_current_epoch;
    if (_current_epoch >= GetEpochCount()) {
        _current_epoch = GetEpochCount() - 1;
        _all_complete = true;
    }
}

const CityConstruct* CCity::FindConstruction(int32_t id) const
{
    return const_cast<CCity*>(this)->Find(id);
}

CityConstruct* CCity::Find(int32_t id)
{
    const auto it = _ids.find(id);
    if (it == _ids.end()) return nullptr;
    const Place& p = it->second;
    if (p.is_bonus) return &_bonus_constructs[static_cast<size_t>(p.index)];
    return &_epoches[static_cast<size_t>(p.epoch)].constructs[static_cast<size_t>(p.index)];
}

const CityEpoch* CCity::FindEpoch(int epoch) const
{
    if (epoch < 0 || epoch >= GetEpochCount()) return nullptr;
    return &_epoches[static_cast<size_t>(epoch)];
}

int CCity::GetConstructionCount(int epoch) const
{
    const CityEpoch* e = FindEpoch(epoch);
    return e ? static_cast<int>(e->constructs.size()) : 0;
}

CityConstruct CCity::GetConstruction(int i_epoch, int i_construct) const
{
    const CityEpoch* epoch = FindEpoch(i_epoch);
    if (!epoch) {
        zf::ReportFailedCheck("i_epoch < epoches.size()", __FILE__, __LINE__);
        return CityConstruct();
    }
    if (i_construct < 0 || i_construct >= static_cast<int>(epoch->constructs.size())) {
        zf::ReportFailedCheck("i_construct < epoches[i_epoch].constructs.size()", __FILE__, __LINE__);
        return CityConstruct();
    }
    return epoch->constructs[static_cast<size_t>(i_construct)];
}

CityConstruct CCity::GetBonusConstruction(int i_construct) const
{
    if (i_construct < 0 || i_construct >= GetBonusCount()) {
        zf::ReportFailedCheck("i_construct < bonus_constructs.size()", __FILE__, __LINE__);
        return CityConstruct();
    }
    return _bonus_constructs[static_cast<size_t>(i_construct)];
}

bool CCity::IsEpochComplete(int i_epoch) const
{
    const CityEpoch* epoch = FindEpoch(i_epoch);
    if (!epoch) {
        zf::ReportFailedCheck("i_epoch < epoches.size()", __FILE__, __LINE__);
        return false;
    }
    return epoch->complete;
}

bool CCity::BuyConstruction(int32_t id)
{
    const auto it = _ids.find(id);
    if (it == _ids.end()) {
        GetLog().Error("Error: construction %d is not sold in the shop; nothing is bought.", id);
        return false;
    }
    CityConstruct& c = *Find(id);
    if (c.bought) {
        if (c.upgrade + 1 >= c.level_count) return false;
        ++c.upgrade;
        return true;
    }
    c.bought = true;
    c.upgrade = 0;
    if (!it->second.is_bonus) UpdateEpochComplete(_epoches[static_cast<size_t>(it->second.epoch)]);
    _all_complete = !_epoches.empty() &&
                    std::all_of(_epoches.begin(), _epoches.end(), [](const CityEpoch& e) { return e.complete; });
    return true;
}

int32_t CCity::GetBackground(int epoch, int i) const
{
    const CityEpoch* e = FindEpoch(epoch);
    if (!e) return kNoBackground;
    if (i >= 0 && i < static_cast<int>(e->constructs.size())) return e->constructs[static_cast<size_t>(i)].background;
    return e->background;
}

int32_t CCity::GetBonusBackground(int epoch, int i) const
{
    const CityEpoch* e = FindEpoch(epoch);
    if (!e) return kNoBackground;
    if (i >= 0 && i < static_cast<int>(e->constructs.size())) return e->constructs[static_cast<size_t>(i)].bonus_background;
    return e->bonus_background;
}

MusicTrack CCity::GetMusic(int epoch, int i) const
{
    const CityEpoch* e = FindEpoch(epoch);
    if (!e) return MusicTrack();
    if (i >= 0 && i < static_cast<int>(e->constructs.size())) return e->constructs[static_cast<size_t>(i)].music;
    return e->music;
}

MusicTrack CCity::GetBonusMusic(int epoch, int i) const
{
    const CityEpoch* e = FindEpoch(epoch);
    if (!e) return MusicTrack();
    if (i >= 0 && i < static_cast<int>(e->constructs.size())) return e->constructs[static_cast<size_t>(i)].bonus_music;
    return e->bonus_music;
}

int32_t CCity::GetHelpLimit01(int epoch) const
{
    const CityEpoch* e = FindEpoch(epoch);
    return e ? e->help_limit_01 : 1;
}

int32_t CCity::GetHelpLimit03(int epoch) const
{
    const CityEpoch* e = FindEpoch(epoch);
    return e ? e->help_limit_03 : 1;
}

int32_t CCity::GetHelpDefaultPage01(int epoch) const
{
    const CityEpoch* e = FindEpoch(epoch);
    return e ? e->help_default_page_01 : 1;
}

int32_t CCity::GetHelpDefaultPage03(int epoch) const
{
    const CityEpoch* e = FindEpoch(epoch);
    return e ? e->help_default_page_03 : 1;
}

bool LoadCity(CCity& city, const std::string& path)
{
    try {
        const CXMLFile file(path);
        city.Load(file.SelectSingleNode("//Shop"));
        return true;
    } catch (const std::exception& e) {
        GetLog().Error("Error: the shop of '%s' cannot be read (%s); the city sells nothing.", path.c_str(), e.what());
        city.Load(CXMLNode());
        return false;
    }
}

CityScrollParams ReadScrollParams(const CXMLNode& scroll)
{
    CityScrollParams p;
    if (!scroll.IsValid()) return p;
    p.min_speed = static_cast<float>(std::max(scroll.GetIntAttribute("min_speed", 1), 1));
    p.inc_speed = std::max(scroll.GetFloatAttribute("inc_speed", 1.0f), 0.1f);
    p.dec_speed = std::max(scroll.GetFloatAttribute("dec_speed", 1.0f), 0.1f);
    p.max_speed = std::max(static_cast<float>(scroll.GetIntAttribute("max_speed", 50)), p.min_speed);
    p.brake_percent = static_cast<float>(std::clamp(scroll.GetIntAttribute("brake_at_percent", 10), 0, 50));
    return p;
}

CityScrollParams LoadScrollParams(const std::string& path)
{
    try {
        const CXMLFile file(path);
        const CXMLNode node = file.SelectSingleNode("//Scroll");
        if (!node.IsValid()) GetLog().Warning("Warning: '%s' has no \"Scroll\" element; the city scrolls at the default speeds.", path.c_str());
        return ReadScrollParams(node);
    } catch (const std::exception& e) {
        GetLog().Error("Error: the scroll parameters of '%s' cannot be read (%s).", path.c_str(), e.what());
        return CityScrollParams();
    }
}

std::vector<ShopItem> FillShop(const CCity& city)
{
    std::vector<ShopItem> items;
    const int epoch = city.GetCurrentEpoch();
    for (int i = 0; i < city.GetConstructionCount(epoch); ++i) {
        const CityConstruct c = city.GetConstruction(epoch, i);
        ShopItem item;
        item.construct_id = c.id;
        item.bought = c.bought;
        item.level = c.bought ? std::min(c.upgrade + 1, TopLevel(c)) : 0;
        // A construction the catalogue lacks (reported at start-up) is offered without a picture.
        const ConstructionInfo* info = GetConstructDepot().Find(c.id);
        if (info && item.level < info->GetLevelCount()) item.description = info->levels[static_cast<size_t>(item.level)];
        item.state = c.bought ? sisBought : CanPay(c.id, 0) ? sisAffordable : sisTooExpensive;
        items.push_back(std::move(item));
    }
    return items;
}

bool BuyConstruction(CCity& city, int index)
{
    const int epoch = city.GetCurrentEpoch();
    if (index < 0 || index >= city.GetConstructionCount(epoch)) {
        GetLog().Error("Error: the shop has no construction %d in epoch %d; nothing is bought.", index, epoch + 1);
        return false;
    }
    const CityConstruct c = city.GetConstruction(epoch, index);
    int32_t level = 0;
    if (c.bought) {
        if (c.upgrade + 1 >= c.level_count) return false;   // fully upgraded
        level = c.upgrade + 1;
    }
    if (!CanPay(c.id, level)) {
        GetLog().Warning("Warning: try to buy construction when not sufficient resources.");
        return false;
    }
    const ResourceList price = GetConstructionRes().GetConstructionPrice(c.id, level);
    if (!city.BuyConstruction(c.id)) return false;
    for (const auto& [type, amount] : price) GetResources().Spend(type, amount);
    RecordBuilt(city, c);

    CGameSlot& game = g_User.Game();
    if (c.background != kNoBackground) {
        game.background = c.background;
        game.bg_shows = 0;
    }
    if (c.bonus_background != kNoBackground) game.bonus_background = c.bonus_background;
    if (!c.music.alias.empty()) g_User.SetMusic(c.music);
    if (!c.bonus_music.alias.empty()) g_User.SetBonusMusic(c.bonus_music);
    return true;
}

bool HasAffordableConstruction(const CCity& city)
{
    const int epoch = city.GetCurrentEpoch();
    if (city.GetConstructionCount(epoch) == 0 || city.IsEpochComplete(epoch)) return false;
    for (int i = 0; i < city.GetConstructionCount(epoch); ++i) {
        const CityConstruct c = city.GetConstruction(epoch, i);
        if (!c.bought && CanPay(c.id, 0)) return true;
    }
    return false;
}

bool BuildBonusConstruction(CCity& city, int32_t& built_id)
{
    for (int i = 0; i < city.GetBonusCount(); ++i) {
        const CityConstruct c = city.GetBonusConstruction(i);
        if (c.bought) continue;
        if (!city.BuyConstruction(c.id)) return false;
        RecordBuilt(city, c);
        built_id = c.id;
        return true;
    }
    return false;
}
