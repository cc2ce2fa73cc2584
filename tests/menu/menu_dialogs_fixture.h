// The menu dialogs' test fixture: the real engine core on the software renderer in the shipped game
// folder (fonts, control catalogue, textures), a scripted mouse and keyboard, a recording sound
// keeper, and profiles and settings files in a folder of the test's own.
#pragma once

#include "engine/base/engine_xml.h"
#include "engine/core/engine_core_internal.h"
#include "engine/sound/engine_soundqueue.h"
#include "player/player_prices.h"
#include "player/player_profiles.h"
#include "player/player_scenes.h"
#include "player/player_user.h"
#include "settings/main_settings.h"
#include "support/game_world.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"
#include "../gui/gui_test_util.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace menutest {

// A mouse that also keeps the speed it was given.
class SensingMouse : public guitest::FakeMouse {
public:
    int sensitivity = 0;
    void SetSensitivity(int s) override { sensitivity = s; }
    int GetSensitivity() const override { return sensitivity; }
};

// How often the application was asked to bring the scenes up to the user.
inline int g_refreshed = 0;
inline int g_synced = 0;
inline void CountRefresh(CUser&) { ++g_refreshed; }
inline void CountSync(CUser&) { ++g_synced; }

class MenuDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software"); }

    explicit MenuDialogs(const std::string& layout_text) : _chdir(ZF_GAME_DATA_DIR)
    {
        CEngineCore& core = CEngineCore::Instance();
        ready = core.GetDevice() || core.Init("ZerafineTest", "Zerafine menu dialogs", true);
        _core = g_EngineCore;
        g_EngineCore = &core;
        _mouse = g_Mouse;
        g_Mouse = &mouse;
        _keyboard = g_Keyboard;
        g_Keyboard = &keyboard;
        _keeper = g_SoundKeeper;
        g_SoundKeeper = &sound;
        zftest::PrepareGameWorld();
        GetPromotions().Load();
        layout.LoadXml(std::vector<uint8_t>(layout_text.begin(), layout_text.end()));
        g_Profiles.Load(ProfilesPath());
        g_User = CUser();
        g_refreshed = g_synced = 0;
        SetUserSceneHandlers(CountRefresh, CountSync);
    }
    ~MenuDialogs() override
    {
        SetUserSceneHandlers(nullptr, nullptr);
        g_Profiles = CProfiles();
        g_User = CUser();
        g_SoundKeeper = _keeper;
        g_Keyboard = _keyboard;
        g_Mouse = _mouse;
        g_EngineCore = _core;
    }

    std::string ProfilesPath() const { return dir / "Profiles.xml"; }
    CXMLNode Root() const { return layout.SelectSingleNode("//Dialogs"); }
    CXMLNode Node(const std::string& name) const { return layout.SelectSingleNode("//Dialogs/" + name); }

    // Profiles as the file now holds them.
    CProfiles Stored() const
    {
        CProfiles stored;
        stored.Load(ProfilesPath());
        return stored;
    }
    std::vector<std::string> StoredNames() const
    {
        std::vector<std::string> names;
        Stored().GetNames(names);
        return names;
    }

    // One frame: the pointer, the left button, the keys going down (DirectInput codes) and the text.
    void Frame(CBaseDialog& d, int x = 0, int y = 0, bool down = false, const std::vector<int>& keys = {},
               const std::string& text = std::string())
    {
        mouse.Frame(x, y, down);
        keyboard.Frame(keys, text);
        d.Process();
        g_SoundQueue.Update();
    }
    bool RunUntil(CBaseDialog& d, const std::function<bool()>& done, int limit = 400)
    {
        for (int i = 0; i < limit && !done(); ++i) Frame(d);
        return done();
    }
    // A click in the middle of a control of the dialog or of one of its children.
    void Click(CBaseDialog& d, const CBaseDialog& owner, const std::string& id)
    {
        const CBaseControlPtr c = owner.GetControl(id);
        const int x = int(c->GetX() + c->GetWidth() / 2), y = int(c->GetY() + c->GetHeight() / 2);
        for (bool down : {false, true, false}) Frame(d, x, y, down);
    }
    void Type(CBaseDialog& d, const std::string& text) { Frame(d, 0, 0, false, {}, text); }
    void Enter(CBaseDialog& d)
    {
        Frame(d, 0, 0, false, {guitest::kEnter});
        Frame(d);
    }

    zftest::ScopedChdir _chdir;
    zftest::TempDir dir;
    bool ready = false;
    SensingMouse mouse;
    guitest::FakeKeyboard keyboard;
    CRecordingSoundKeeper sound;
    CXMLFile layout;

private:
    IEngineCore* _core = nullptr;
    IMouse* _mouse = nullptr;
    IKeyboard* _keyboard = nullptr;
    ISoundKeeper* _keeper = nullptr;
};

} // namespace menutest
