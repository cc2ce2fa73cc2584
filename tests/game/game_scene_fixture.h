// The game scene's test fixture: the scene on the shipped game folder, the real engine core on the
// software renderer, a fake mouse and keyboard and a settable clock.
#pragma once

#include "engine/base/engine_registry.h"
#include "engine/core/engine_core_internal.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/text/engine_langtext.h"
#include "field/config/field_config.h"
#include "field/timebar/field_timer.h"
#include "game/game_background.h"
#include "game/game_game.h"
#include "game/game_hints.h"
#include "gui/gui_kinds.h"
#include "player/player_gamevalues.h"
#include "player/player_resources.h"
#include "player/player_user.h"
#include "settings/main_userfiles.h"
#include "shell/main_appgame.h"
#include "support/game_autoplayer.h"
#include "support/game_world.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"

#include "support/scene_test.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace gamescene {

constexpr uint32_t kFrameMs = 16;
constexpr int kVkF1 = 112;

class GameScene : public zftest::SceneTest {
protected:
    // The scene is built once, as in the game, and destroyed after the last test.
    static void TearDownTestSuite()
    {
        if (_scene_ready) {
            zftest::ScopedChdir dir(ZF_GAME_DATA_DIR);
            GetGameScene().Destroy();
            ShutdownPyro();
        }
        _scene_ready = false;
    }

    GameScene() : SceneTest("Zerafine game scene")
    {
        g_User = CUser();
        g_User.NewGame();
        // Tutorial hints stay out of the way unless a test asks for them.
        g_User.Settings().not_show_hints = true;
        g_User.Settings().pass_smart_test = true;
        scene = &GetGameScene();
        if (!_scene_ready && device) {
            InitPyro("Textures\\Pyro\\PyroDemo2.pyro");
            GetHintsManager().Load();
            _scene_ready = scene->Init();
        }
        initialized = _scene_ready;
        if (initialized) {
            scene->SyncWithUser(g_User);
            scene->FilterHints(g_User);
        }
    }
    ~GameScene() override
    {
        if (initialized) {
            scene->Leave();
            scene->SetResult(srRunning);
        }
    }

    // Enters the scene with a level of the first episode, as the application does.
    void EnterLevel(int level, bool bonus = false)
    {
        char file[64];
        std::snprintf(file, sizeof file, bonus ? "Levels\\E01\\B%02d.xml" : "Levels\\E01\\L%02d.xml", level + 1);
        GetGlobalVars().SetString("cur_level_file", file);
        g_User.SetGameState(ugsPlaying);
        if (bonus) {
            g_User.SetBonusLevel(level);
            g_User.SetPlayState(upsBonusLoaded);
        } else {
            g_User.SetLevel(level);
            g_User.SetPlayState(upsLevelLoaded);
        }
        scene->Enter();
    }

    // One frame as the scene's loop runs it, with the mouse as given.
    void Frame()
    {
        clock.Advance(kFrameMs);
        if (player) player->Step(*scene);
        mouse.Frame(mouse_x, mouse_y, mouse_down);
        scene->RenderFrame();
        scene->PostFrame();
        ++frames;
    }
    // Frames until the condition holds; false after the limit.
    bool RunUntil(const std::function<bool()>& done, int limit = 3000)
    {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Frame();
        }
        return done();
    }
    bool Playing() { return RunUntil([this] { return scene->GetState() == gssPlaying; }); }
    void Key(int vk)
    {
        scene->OnKeyDown(vk);
    }
    // A click in the middle of a dialog's control: pressed in one frame, released in the next.
    void Click(const CBaseDialog& dialog, const char* id)
    {
        const CBaseControlPtr control = dialog.GetControl(id);
        if (!control) return;
        mouse_x = int(control->GetX() + control->GetWidth() / 2);
        mouse_y = int(control->GetY() + control->GetHeight() / 2);
        Frame();
        mouse_down = true;
        Frame();
        mouse_down = false;
        Frame();
    }
    void UsePlayer()
    {
        player = std::make_unique<zftest::GameAutoPlayer>([this](const zftest::AutoMouse& m) {
            mouse_x = int(m.x);
            mouse_y = int(m.y);
            mouse_down = m.left_down;
        });
    }

    bool initialized = false;
    CGameScene* scene = nullptr;
    std::unique_ptr<zftest::GameAutoPlayer> player;
    int mouse_x = 0, mouse_y = 0;
    bool mouse_down = false;
    int frames = 0;

private:
    static inline bool _scene_ready = false;
};

} // namespace gamescene
