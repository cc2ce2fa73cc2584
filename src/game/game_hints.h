// Tutorial hints: the hints of "Settings\Hints.xml" by id, and the queue of hints asked for.
#pragma once

#include <list>
#include <set>
#include <string>
#include <vector>

class CUser;

struct HintRecord {
    int id = 0;
    std::string sound;
    int delay = 0;
};

class CHintsManager {
public:
    // Reads the hints file; a missing or damaged file is logged and leaves no hints.
    void Load();
    void Load(const std::string& path);
    // Queues a hint unless it was shown or is pending already. Hint 100 (the first chain) passes
    // only while the first-chain flag is clear.
    void RequestHint(int id);
    // Marks a hint as shown (it is never queued again).
    void SetShown(int id);
    // Drops the pending hints the user has seen.
    void FilterSeen(const std::set<int>& seen);
    void SetFirstChainDone(bool done) { _first_chain_done = done; }

    const std::vector<HintRecord>& GetHints() const { return _hints; }
    const std::list<int>& GetPending() const { return _pending; }
    bool IsShown(int id) const { return _shown.count(id) != 0; }

private:
    std::vector<HintRecord> _hints;
    std::list<int> _pending;
    std::set<int> _shown;
    bool _first_chain_done = false;
};

CHintsManager& GetHintsManager();
