// The front end's scenes on the shipped game folder, frame by frame: the real engine core on the
// software renderer, a fake mouse and keyboard, a settable clock and a recording sound keeper. The
// game, city, selector and menu scenes are all built once, as the program builds them: the menu
// draws the city and hands over to the selector, the selector reads the city's epochs.
#pragma once

#include "city/city_scene.h"
#include "engine/base/engine_userfolder.h"
#include "engine/core/engine_core_internal.h"
#include "engine/core/engine_input.h"
#include "engine/particles/engine_pyro2.h"
#include "game/game_game.h"
#include "game/game_hints.h"
#include "menu/menu_menu.h"
#include "menu/menu_selector.h"
#include "player/player_prices.h"
#include "player/player_profiles.h"
#include "player/player_slot.h"
#include "player/player_user.h"
#include "support/game_world.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"

#include "support/scene_test.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace frontend {

constexpr uint32_t kFrameMs = 16;
constexpr const char* kPlayer = "Ada";

class World : public zftest::SceneTest {
protected:
    static void TearDownTestSuite()
    {
        if (_ready) {
            zftest::ScopedChdir dir(ZF_GAME_DATA_DIR);
            GetMenuScene().Destroy();
            GetSelectorScene().Destroy();
            GetCityScene().Destroy();
            GetGameScene().Destroy();
            ShutdownPyro();
        }
        _ready = false;
    }

    // `park`: where the pointer rests after a click, away from what the test looks at.
    World(AScene& scene, int park_x, int park_y)
        : SceneTest("Zerafine front end"), current(&scene), mouse_x(park_x), mouse_y(park_y), _park_x(park_x), _park_y(park_y)
    {
        std::filesystem::remove(UserFilePath("Profiles.xml"));
        // A player with a new game and no hints, as the scenes are built for one.
        g_Profiles = CProfiles();
        g_Profiles.AddProfile(kPlayer);
        g_User = CUser();
        g_User.LoadFromProfile(g_Profiles.GetProfile(kPlayer), kCurrentGameSlot);
        g_User.NewGame();
        g_User.Settings().not_show_hints = true;
        g_User.Settings().pass_smart_test = true;
        if (!_ready && device) {
            InitPyro("Textures\\Pyro\\PyroDemo2.pyro");
            GetHintsManager().Load();
            GetConstructionRes().Load();
            GetPromotions().Load();
            CGameScene& game = GetGameScene();
            _ready = game.Init() && GetCityScene().Init() && GetSelectorScene().Init() && GetMenuScene().Init();
            GetCityScene().SetGamePanels(&game.GetTopPanel(), &game.GetPauseDialog(), &game.GetHelpDialog());
            game.SetCityFacts(&GetCityScene());
        }
        initialized = _ready;
    }
    ~World() override
    {
        g_Profiles = CProfiles();
        g_User = CUser();
    }

    // One frame of the scene with the keys held (input codes) and the text typed in it.
    void Frame(const std::vector<int>& keys = {}, const std::string& text = std::string())
    {
        clock.Advance(kFrameMs);
        mouse.Frame(mouse_x, mouse_y, mouse_down);
        keyboard.Frame(keys, text);
        current->SetFrameTime(kFrameMs, kFrameMs);
        current->RenderFrame();
        current->PostFrame();
    }
    bool RunUntil(const std::function<bool()>& done, int limit = 3000)
    {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Frame();
        }
        return done();
    }
    // A click in the middle of a dialog's control: pressed in one frame, released in the next.
    bool Click(const CBaseDialog& dialog, const char* id)
    {
        const CBaseControlPtr control = dialog.FindControl(id);
        if (!control) {
            ADD_FAILURE() << "no control " << id;
            return false;
        }
        mouse_x = int(control->GetX() + control->GetWidth() / 2);
        mouse_y = int(control->GetY() + control->GetHeight() / 2);
        Frame();
        mouse_down = true;
        Frame();
        mouse_down = false;
        Frame();
        mouse_x = _park_x;
        mouse_y = _park_y;
        return true;
    }

    bool initialized = false;
    AScene* current;
    int mouse_x, mouse_y;
    bool mouse_down = false;

private:
    static inline bool _ready = false;
    int _park_x, _park_y;
};

} // namespace frontend
