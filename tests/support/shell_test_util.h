// Helpers of the shell tests: scripted scenes, an episodes fixture, a game folder, reset globals.
#pragma once

#include "engine/base/engine_registry.h"
#include "engine/core/engine_scene.h"
#include "player/player_user.h"
#include "shell/main_appgame.h"
#include "settings/main_userfiles.h"
#include "support/test_support.h"

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace shell_test {

using zftest::InOrder;
using zftest::LogWatch;
using zftest::ReadLog;
using zftest::ReadTextFile;
using zftest::ScopedChdir;
using zftest::TempDir;
using zftest::WriteText;

// One run of a scripted scene: the result it ends with, its transition and next alias, and what it
// does while it runs (change the player, throw).
struct SceneStep {
    int result = srQuit;
    int code = -1;
    std::string next;
    std::function<void()> action;
};

// A scene that ends each run at once as its script says; it draws nothing.
class ScriptedScene : public AScene {
public:
    explicit ScriptedScene(const std::string& alias, std::vector<std::string>* trace = nullptr)
        : AScene(alias), _trace(trace) {}

    void Script(std::vector<SceneStep> steps) { _steps.assign(steps.begin(), steps.end()); }
    void Enter() override
    {
        if (_trace) _trace->push_back(_alias);
        ++runs;
        if (_steps.empty()) throw std::runtime_error("scene " + _alias + " ran out of script");
        SceneStep step = _steps.front();
        _steps.pop_front();
        if (step.action) step.action();
        SetNextScene(step.next);
        SetTransition(step.code);
        SetResult(step.result);
    }
    void Frame() override {}
    bool Init() override
    {
        if (_trace) _trace->push_back("init " + _alias);
        ++inits;
        return init_result;
    }
    void Destroy() override
    {
        if (_trace) _trace->push_back("destroy " + _alias);
    }

    bool init_result = true;
    int runs = 0;
    int inits = 0;

private:
    std::vector<std::string>* _trace;
    std::deque<SceneStep> _steps;
};

// The scenes of an application under test.
struct ScriptedScenes {
    std::vector<std::string> trace;
    std::shared_ptr<ScriptedScene> logo = std::make_shared<ScriptedScene>("Logo", &trace);
    ScriptedScene menu{"Menu", &trace};
    ScriptedScene selector{"Selector", &trace};
    ScriptedScene game{"Game", &trace};
    ScriptedScene city{"City", &trace};

    SceneSet Set()
    {
        SceneSet set;
        auto l = logo;
        set.create_logo = [l] { return std::shared_ptr<AScene>(l); };
        set.menu = &menu;
        set.selector = &selector;
        set.game = &game;
        set.city = &city;
        return set;
    }
};

// Episodes file text: per episode its ordinary and bonus level counts; files are "e<E>l<L>" and
// "e<E>b<B>".
inline std::string EpisodesXml(const std::vector<std::pair<int, int>>& episodes)
{
    std::string xml = "<?xml version=\"1.0\"?>\n<Episodes>\n";
    for (size_t e = 0; e < episodes.size(); ++e) {
        xml += "  <Episode name=\"E" + std::to_string(e) + "\" level_count=\"" + std::to_string(episodes[e].first) +
               "\" bonus_level_count=\"" + std::to_string(episodes[e].second) + "\">\n";
        for (int l = 0; l < episodes[e].first; ++l)
            xml += "    <Level number=\"" + std::to_string(l + 1) + "\" file=\"e" + std::to_string(e) + "l" +
                   std::to_string(l) + "\"/>\n";
        for (int b = 0; b < episodes[e].second; ++b)
            xml += "    <Bonus number=\"" + std::to_string(b + 1) + "\" file=\"e" + std::to_string(e) + "b" +
                   std::to_string(b) + "\"/>\n";
        xml += "  </Episode>\n";
    }
    return xml + "</Episodes>\n";
}

// A game folder holding only "Settings/Episodes.xml", made the current folder for the scope.
class GameFolder {
public:
    explicit GameFolder(const std::string& episodes_xml)
    {
        WriteText(_dir / "Settings/Episodes.xml", episodes_xml);
        _chdir = std::make_unique<ScopedChdir>(_dir.path());
    }
    const std::string& path() const { return _dir.path(); }

private:
    TempDir _dir;
    std::unique_ptr<ScopedChdir> _chdir;
};

// Puts the global variables and the current player back to their start.
inline void ResetGlobals()
{
    RegisterGameVariables();
    CVariableRegistry& vars = GetGlobalVars();
    vars.SetBool("test_mode", false);
    vars.SetInt("init_level", 0);
    vars.SetInt("init_bonus_level", -1);
    vars.SetInt("init_episode", -999);
    vars.SetString("cur_level_file", "");
    vars.SetBool("is_last_level", false);
    g_User = CUser();
}

} // namespace shell_test
