#include "game/game_hints.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <exception>

CHintsManager& GetHintsManager()
{
    static CHintsManager manager;
    return manager;
}

void CHintsManager::Load()
{
    Load("Settings\\Hints.xml");
}

void CHintsManager::Load(const std::string& path)
{
    _hints.clear();
    _pending.clear();
    try {
        CXMLFile file(path);
        CXMLNodeList list = file.SelectNodes("//Hints/Hint");
        for (int i = 0; i < list.GetLength(); ++i) {
            CXMLNode n = list.GetItem(i);
            _hints.push_back(HintRecord{n.GetIntAttribute("id", 0), n.GetAttribute("sound"), n.GetIntAttribute("delay", 0)});
        }
    } catch (const std::exception& e) {
        GetLog().Error("Error: hints not loaded from '%s' (%s).", path.c_str(), e.what());
    }
}

void CHintsManager::RequestHint(int id)
{
    if (id == 100 && _first_chain_done) return;
    if (_shown.count(id)) return;
    if (std::find(_pending.begin(), _pending.end(), id) != _pending.end()) return;
    _pending.push_back(id);
}

void CHintsManager::SetShown(int id)
{
    _shown.insert(id);
    _pending.remove(id);
}

void CHintsManager::FilterSeen(const std::set<int>& seen)
{
    _pending.remove_if([&](int id) { return seen.count(id) != 0; });
}
