#include "game/game_hints.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/sound/engine_soundqueue.h"
#include "player/player_user.h"

#include <algorithm>
#include <exception>

namespace {
const char* const kAnchorId = "ID_ANCHOR";
const char* const kContinueId = "ID_CONTINUE";
} // namespace

CHintsManager& GetHintsManager()
{
    static CHintsManager manager;
    return manager;
}

void CHintDialog::OnClick(CBaseControl* control)
{
    if (control && control->GetId() == kContinueId) SetResult(kResultContinue);
}

void CHintsManager::Load()
{
    Load("Settings\\Hints.xml");
}

void CHintsManager::Load(const std::string& path)
{
    HideActive();
    _hints.clear();
    _to_show.clear();
    _pending.clear();
    _reported_missing.clear();
    CLog& log = GetLog();
    try {
        CXMLFile file(path);
        const CXMLNodeList list = file.SelectNodes("//Hints/Hint");
        for (int i = 0; i < list.GetLength(); ++i) {
            const CXMLNode node = list.GetItem(i);
            HintRecord record;
            record.id = node.GetIntAttribute("id", 0);
            record.sound = node.GetAttribute("sound", "");
            record.delay = node.GetIntAttribute("delay", 0);
            // A hint without an id can never be asked for, and a second hint of one id never shown.
            if (record.id == 0) {
                log.Warning("Warning: hint %d of '%s' has no id and is skipped.", i + 1, path.c_str());
                continue;
            }
            if (Find(record.id)) {
                log.Warning("Warning: hint %d appears twice in '%s'; the later one is skipped.", record.id, path.c_str());
                continue;
            }
            record.dialog = std::make_shared<CHintDialog>();
            record.dialog->Load(node);
            record.dialog->GetBounds(record.bounds[0], record.bounds[1], record.bounds[2], record.bounds[3]);
            if (const CBaseControlPtr anchor = record.dialog->FindControl(kAnchorId)) {
                record.anchor[0] = anchor->GetX() + anchor->GetWidth() * 0.5f;
                record.anchor[1] = anchor->GetY() + anchor->GetHeight();
            }
            if (!record.dialog->FindControl(kContinueId))
                log.Warning("Warning: hint %d has no '%s' button; only the Enter key closes it.", record.id, kContinueId);
            _to_show.push_back(record.id);
            _hints.push_back(std::move(record));
        }
    } catch (const std::exception& e) {
        // The game goes on without hints.
        _hints.clear();
        _to_show.clear();
        log.Error("Error: hints not loaded from '%s' (%s); the game runs without hints.", path.c_str(), e.what());
    }
    ClearActive();
}

void CHintsManager::FilterHints(const CUser& user)
{
    _to_show.clear();
    if (user.Settings().not_show_hints) return;
    for (const HintRecord& h : _hints)
        if (!user.IsHintShown(h.id)) _to_show.push_back(h.id);
}

void CHintsManager::RequestHint(int id)
{
    if (!IsLoaded(id)) {
        // A hint the file lacks could never be shown: drop it rather than fail when its turn comes.
        if (_reported_missing.insert(id).second)
            GetLog().Warning("Warning: hint %d is not in the hints file; its requests are dropped.", id);
        return;
    }
    const bool move_hint_due = id == kMoveHint && !g_User.Settings().pass_smart_test;
    if (!IsToShow(id) && !move_hint_due) return;
    if (std::find(_pending.begin(), _pending.end(), id) != _pending.end()) return;
    _pending.push_back(id);
}

int CHintsManager::PopPending()
{
    if (_pending.empty()) return 0;
    const int id = _pending.front();
    _pending.erase(_pending.begin());
    return id;
}

int CHintsManager::GetDelay(int id) const
{
    const HintRecord* h = Find(id);
    return h ? h->delay : 0;
}

bool CHintsManager::IsToShow(int id) const
{
    return std::find(_to_show.begin(), _to_show.end(), id) != _to_show.end();
}

bool CHintsManager::GetBounds(int id, float bounds[4], float anchor[2]) const
{
    const HintRecord* h = Find(id);
    if (!h) {
        std::fill(bounds, bounds + 4, 0.0f);
        std::fill(anchor, anchor + 2, 0.0f);
        GetLog().Error("Error: the bounds of hint %d were asked for, but the hints file lacks it.", id);
        return false;
    }
    std::copy(h->bounds, h->bounds + 4, bounds);
    std::copy(h->anchor, h->anchor + 2, anchor);
    return true;
}

bool CHintsManager::ShowHint(int id, float x, float y)
{
    const int index = IndexOf(id);
    if (index < 0) {
        GetLog().Error("Error: hint %d was to be shown, but the hints file lacks it.", id);
        return false;
    }
    // Only one hint is up at a time; one still shown leaves without being marked seen.
    if (_active_dialog && _active_index != index) _active_dialog->HideImmediately();
    const HintRecord& h = _hints[size_t(index)];
    _active = true;
    _active_index = index;
    _active_dialog = h.dialog;
    // The anchor is taken from where the bubble stands now: it may have been shown elsewhere before.
    if (const CBaseControlPtr anchor = _active_dialog->FindControl(kAnchorId))
        _active_dialog->MoveBy(x - anchor->GetX() - anchor->GetWidth() * 0.5f, y - anchor->GetY() - anchor->GetHeight());
    _active_dialog->ShowModalImmediately();
    if (!h.sound.empty()) g_SoundQueue.QueueSound(h.sound);
    GetLog().Message("Show hint %d at (%.0f, %.0f).", id, x, y);
    return true;
}

bool CHintsManager::Update()
{
    if (!_active || !_active_dialog) return false;
    _active_dialog->Process();
    if (!_active_dialog->IsShown()) {
        // Hidden by someone else: the player has not read it.
        ClearActive();
        return false;
    }
    const int result = _active_dialog->GetResult();
    _active_dialog->SetResult(0);
    if (result != CHintDialog::kResultContinue) return true;

    const int id = _hints[size_t(_active_index)].id;
    _active_dialog->HideImmediately();
    g_User.SetHintShown(id);
    _to_show.erase(std::remove(_to_show.begin(), _to_show.end(), id), _to_show.end());
    ClearActive();
    // Cleared first, so that the handler may show the next hint at once.
    if (_closed_handler) _closed_handler(id);
    return false;
}

void CHintsManager::Dismiss()
{
    if (_active && _active_dialog) _active_dialog->SetResult(CHintDialog::kResultContinue);
}

int CHintsManager::GetActiveId() const
{
    if (!_active || _active_index < 0 || size_t(_active_index) >= _hints.size()) return 0;
    return _hints[size_t(_active_index)].id;
}

void CHintsManager::HideActive()
{
    if (_active_dialog) _active_dialog->HideImmediately();
    ClearActive();
}

const HintRecord* CHintsManager::Find(int id) const
{
    const int index = IndexOf(id);
    return index < 0 ? nullptr : &_hints[size_t(index)];
}

int CHintsManager::IndexOf(int id) const
{
    for (size_t i = 0; i < _hints.size(); ++i)
        if (_hints[i].id == id) return int(i);
    return -1;
}

void CHintsManager::ClearActive()
{
    _active = false;
    _active_index = -999;
    _active_dialog.reset();
}
