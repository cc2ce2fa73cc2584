// Tutorial hints: the bubbles of "Settings\Hints.xml", each a small dialog with an id that points at a
// spot of the screen. The manager knows which hints the current player has still to see, keeps the
// queue of hints the game asked for, shows one hint at a time with its anchor on a target point and
// writes each hint the player closed into the player's profile.
#pragma once

#include "gui/gui_dialog.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CUser;

// A hint's bubble: "ID_CONTINUE" closes it with result 3; every other control is only looked at.
class CHintDialog : public CBaseDialog {
public:
    static constexpr int kResultContinue = 3;
    void OnClick(CBaseControl* control) override;
};

struct HintRecord {
    int id = 0;
    std::shared_ptr<CHintDialog> dialog;
    // Smallest x and y, largest right and bottom edge over the controls as loaded.
    float bounds[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    // Bottom centre of the "ID_ANCHOR" control as loaded; (0, 0) without one.
    float anchor[2] = {0.0f, 0.0f};
    std::string sound;
    int delay = 0;   // frames before the next hint
};

class CHintsManager {
public:
    static constexpr int kMoveHint = 100;

    CHintsManager() = default;
    CHintsManager(const CHintsManager&) = delete;
    CHintsManager& operator=(const CHintsManager&) = delete;

    // Reads "Settings\Hints.xml"; a missing or damaged file is logged and leaves no hints.
    void Load();
    void Load(const std::string& path);
    // The ids still to show for this user: every loaded hint the user has not closed, in file
    // order; none while the user turned hints off.
    void FilterHints(const CUser& user);
    // Queues a loaded hint that is still to show and not yet pending. The move hint is queued even
    // when seen or turned off, until the current user made a first chain.
    void RequestHint(int id);
    // The first pending id, taken off the queue; 0 when the queue is empty.
    int PopPending();
    // The scene empties the queue at level start.
    void ClearPending() { _pending.clear(); }
    // The hint's delay in frames; 0 for an id the file lacks.
    int GetDelay(int id) const;
    bool IsLoaded(int id) const { return Find(id) != nullptr; }
    bool IsToShow(int id) const;
    const std::vector<int>& GetToShow() const { return _to_show; }
    const std::vector<int>& GetPending() const { return _pending; }
    const std::vector<HintRecord>& GetHints() const { return _hints; }
    // Bounds and anchor of a loaded hint; false (with a log line) for an id the file lacks.
    bool GetBounds(int id, float bounds[4], float anchor[2]) const;
    // Shows the hint with its anchor on (x, y); false (with a log line, nothing shown) for an id
    // the file lacks. A hint without an anchor is shown where its layout puts it.
    bool ShowHint(int id, float x, float y);
    // Runs the shown hint for one frame; true while it stays on the screen. A hint closed with
    // "ID_CONTINUE" is marked seen for the current user and the closed handler is called.
    bool Update();
    // Closes the shown hint as a click on "ID_CONTINUE" does (the Enter key).
    void Dismiss();
    bool IsActive() const { return _active; }
    // The shown hint's id; 0 when none.
    int GetActiveId() const;
    // Called with the id when the player closed a hint (the game scene waits the hint's delay).
    void SetClosedHandler(std::function<void(int id)> handler) { _closed_handler = std::move(handler); }
    // Hides a shown hint at once without marking it seen (a pause or a level end).
    void HideActive();

private:
    const HintRecord* Find(int id) const;
    int IndexOf(int id) const;
    void ClearActive();

    std::vector<HintRecord> _hints;
    std::vector<int> _to_show;
    std::vector<int> _pending;
    bool _active = false;
    int _active_index = -999;
    std::shared_ptr<CHintDialog> _active_dialog;
    std::function<void(int)> _closed_handler;
    // Ids asked for that the file lacks, logged once each.
    std::set<int> _reported_missing;
};

CHintsManager& GetHintsManager();
