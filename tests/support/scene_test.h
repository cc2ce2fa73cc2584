// A scene of the game on the shipped game folder, frame by frame: the real engine core on the
// software renderer, a fake mouse and keyboard, a settable clock and a recording sound keeper put in
// place of the program's devices for each test and given back after it. The scenes a fixture needs
// are its own to build.
#pragma once

#include "engine/core/engine_core_internal.h"
#include "engine/core/engine_input.h"
#include "support/game_world.h"
#include "support/recording_sound_keeper.h"
#include "support/test_support.h"

#include "../gui/gui_test_util.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace zftest {

class SceneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software"); }

    explicit SceneTest(const char* title) : _dir(ZF_GAME_DATA_DIR), clock(1000)
    {
        CEngineCore& core = CEngineCore::Instance();
        device = core.GetDevice() || core.Init("ZerafineTest", title, true);
        _previous_core = g_EngineCore;
        g_EngineCore = &core;
        _previous_mouse = g_Mouse;
        g_Mouse = &mouse;
        _previous_keyboard = g_Keyboard;
        g_Keyboard = &keyboard;
        _previous_keeper = g_SoundKeeper;
        g_SoundKeeper = &sound;
        PrepareGameWorld();
        RandomSeed(7);
    }
    ~SceneTest() override
    {
        SetUserGameConfig(nullptr);
        g_SoundKeeper = _previous_keeper;
        g_Keyboard = _previous_keyboard;
        g_Mouse = _previous_mouse;
        g_EngineCore = _previous_core;
    }

    ScopedChdir _dir;
    FakeClock clock;
    guitest::FakeMouse mouse;
    guitest::FakeKeyboard keyboard;
    CRecordingSoundKeeper sound;
    // The engine core has its window and renderer.
    bool device = false;

private:
    IEngineCore* _previous_core = nullptr;
    IMouse* _previous_mouse = nullptr;
    IKeyboard* _previous_keyboard = nullptr;
    ISoundKeeper* _previous_keeper = nullptr;
};

} // namespace zftest
