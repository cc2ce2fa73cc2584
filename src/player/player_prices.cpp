#include "player/player_prices.h"

#include "player/player_resources.h"

#include "engine/base/engine_helpers.h"
#include "engine/text/engine_langtext.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <exception>
#include <memory>
#include <stdexcept>

const char* const kConstructionResFile = "Settings\\Bases\\ConstructionRes.xml";
const char* const kPromotionsFile = "Settings\\Promotions.xml";

namespace {

// The file's document, or null when it cannot be read (the XML layer logs why).
std::unique_ptr<CXMLFile> OpenTable(const std::string& path)
{
    try {
        return std::make_unique<CXMLFile>(path);
    } catch (const std::exception&) {
        return nullptr;
    }
}

} // namespace

CConstructionRes& GetConstructionRes()
{
    static CConstructionRes table;
    return table;
}

CPromotions& GetPromotions()
{
    static CPromotions table;
    return table;
}

// ---------------------------------------------------------------------------------------------

void CConstructionRes::Load(const std::string& path)
{
    _records.clear();
    auto file = OpenTable(path);
    if (!file) return;
    CXMLNodeList nodes = file->SelectNodes("//Resources/ResConstructoin");
    for (int i = 0; i < nodes.GetLength(); ++i) {
        CXMLNode node = nodes.GetItem(i);
        ConstructionPrice price;
        price.type = node.GetIntAttribute("type", 0);
        price.update_id = node.GetIntAttribute("update_id", 0);
        CXMLNodeList res = node.SelectNodes("Resource");
        for (int k = 0; k < res.GetLength(); ++k)
            price.resources.emplace_back(res.GetItem(k).GetIntAttribute("type", 0),
                                         res.GetItem(k).GetIntAttribute("amount", 0));
        _records.push_back(std::move(price));
    }
}

const ResourceList& CConstructionRes::GetConstructionPrice(int32_t id, int32_t upgrade) const
{
    for (const ConstructionPrice& p : _records)
        if (p.type == id && p.update_id == upgrade) return p.resources;
    GetLog().ErrorAt(__LINE__, __FILE__, "Can't get price for construction id %d, upgrade %d", id, upgrade);
    throw std::runtime_error("Can't get price for construction");
}

bool CConstructionRes::CanAfford(int32_t id, int32_t upgrade) const
{
    for (const auto& [type, amount] : GetConstructionPrice(id, upgrade))
        if (GetResources().GetAmount(type) < amount) return false;
    return true;
}

// ---------------------------------------------------------------------------------------------

CPromotions::CPromotions() : _records(1) {}

void CPromotions::Load(const std::string& path)
{
    _records.clear();
    if (auto file = OpenTable(path)) {
        CXMLNodeList nodes = file->SelectNodes("//Promotion");
        for (int i = 0; i < nodes.GetLength(); ++i) {
            CXMLNode node = nodes.GetItem(i);
            PromotionRecord r;
            r.title_alias = node.GetAttribute("title_alias");
            r.score = node.GetIntAttribute("score", 0);
            r.prize_amount = node.GetIntAttribute("prize_amount", 0);
            r.help_limit_02 = node.GetIntAttribute("help_limit_02", 0);
            r.help_default_page_02 = node.GetIntAttribute("help_default_page_02", 0);
            if (!_records.empty() && r.score < _records.back().score)
                GetLog().Warning("Warning: promotion %d (%s) needs less score than the one before it.", i,
                                 r.title_alias.c_str());
            _records.push_back(std::move(r));
        }
    }
    if (_records.empty()) {
        GetLog().Error("Error: no promotions in '%s': every player holds one untitled rank.", path.c_str());
        _records.resize(1);
    }
}

int CPromotions::GetTitleIndex(int32_t score) const
{
    for (size_t i = 0; i < _records.size(); ++i)
        if (_records[i].score > score) return i == 0 ? 0 : static_cast<int>(i) - 1;
    return GetCount() - 1;
}

const PromotionRecord& CPromotions::Record(int index) const
{
    VERIFY(index >= 0 && index < GetCount());
    return _records[static_cast<size_t>(index)];
}

std::string CPromotions::GetTitleText(int index) const
{
    const std::string& alias = Record(index).title_alias;
    if (alias.empty()) return std::string();
    if (_labels) return _labels(alias);
    return CTextKeeper::Instance().GetLabel(alias).text;
}
