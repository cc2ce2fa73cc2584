// A scripted player for the game scene: between two frames it looks at the field as a player
// would, picks a chain that the field's own move analysis finds, and drags the mouse through it
// one cell per frame (move to the first ball, press, move through the rest, release). Whatever
// delivers the mouse (pushed SDL events in a whole-program run, a fake mouse in a unit test or a
// benchmark) takes the mouse states it produces.
#pragma once

#include "field/config/field_config.h"
#include "game/game_game.h"

#include <functional>
#include <vector>

namespace zftest {

struct AutoMouse {
    float x = 0.0f;
    float y = 0.0f;
    bool left_down = false;
};

class GameAutoPlayer {
public:
    using MouseSink = std::function<void(const AutoMouse& mouse)>;

    explicit GameAutoPlayer(MouseSink sink) : _sink(std::move(sink)) {}

    // One call between two frames. Returns true while a drag is under way.
    bool Step(CGameScene& scene)
    {
        if (!_path.empty()) {
            Drag();
            return true;
        }
        if (_rest_frames > 0) {
            --_rest_frames;
            return false;
        }
        if (scene.GetState() != gssPlaying || !scene.GetField().IsIdle()) return false;
        CGameField& field = scene.GetField();
        if (field.IsRefillPending() || field.IsGoalReached() || field.GetAppearer().IsRunning()) return false;
        field.AnalyseMoves();
        std::vector<MoveGroup> groups = field.GetMoveGroups();
        std::vector<MoveCell> best;
        for (MoveGroup& group : groups) {
            if (!group.alive || !group.valid_move) continue;
            field.FindChainPath(group);
            if (int(group.path.size()) < g_GameCfg.GetLineSize()) continue;
            if (group.path.size() > best.size()) best = group.path;
        }
        if (best.empty()) return false;
        for (const MoveCell& c : best) {
            AutoMouse m;
            if (!g_LevelCfg.CellToScreenCenter(c.cell, m.x, m.y)) return false;
            _path.push_back(m);
        }
        _step = 0;
        ++_chains_started;
        Drag();
        return true;
    }

    int GetChainsStarted() const { return _chains_started; }
    // Frames to wait after a release before the next look at the field.
    void SetRestFrames(int frames) { _rest_after = frames; }

private:
    void Drag()
    {
        // Frame 0: over the first ball; 1: press there; 2..n: through the rest; n+1: release.
        AutoMouse m;
        const size_t n = _path.size();
        if (_step == 0) {
            m = _path[0];
        } else if (_step <= int(n)) {
            m = _path[size_t(_step - 1)];
            m.left_down = true;
        } else {
            m = _path[n - 1];
            m.left_down = false;
            _path.clear();
            _rest_frames = _rest_after;
        }
        ++_step;
        _sink(m);
    }

    MouseSink _sink;
    std::vector<AutoMouse> _path;
    int _step = 0;
    int _rest_frames = 0;
    int _rest_after = 10;
    int _chains_started = 0;
};

} // namespace zftest
