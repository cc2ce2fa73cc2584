// A frame observer that moves a whole-program run through its levels: for each level the game
// scene plays, in order, one action once the level is in play. "Finish" reaches the level's goal
// (the scene's finish starts as the field starts it); "Leave" pauses with Escape and leaves for the
// menu through the pause dialog's menu button and the confirmation, clicking as a hand does.
#pragma once

#include "e2e_util.h"

#include "engine/core/engine_scene.h"
#include "game/game_game.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

class GameDriver {
public:
    enum Action { kFinish, kLeave };

    // `menu_keys`: one key pressed each time the menu scene is entered (Return starts or continues
    // the game, Escape quits).
    explicit GameDriver(std::vector<Action> actions, std::vector<SDL_Scancode> menu_keys = {})
        : _state(std::make_shared<State>())
    {
        _state->actions.assign(actions.begin(), actions.end());
        _state->menu_keys.assign(menu_keys.begin(), menu_keys.end());
    }

    void operator()(AScene& scene)
    {
        State& s = *_state;
        const bool entered = scene.GetAlias() != s.scene;
        s.scene = scene.GetAlias();
        if (scene.GetAlias() == "Menu") {
            if (entered) s.menu_frames = 0;
            // A few frames after the menu came up, as a player looks before pressing.
            if (++s.menu_frames == 10 && !s.menu_keys.empty()) {
                PushKey(s.menu_keys.front());
                s.menu_keys.pop_front();
            }
            return;
        }
        if (scene.GetAlias() != "Game") {
            s.leaving = 0;
            return;
        }
        CGameScene& game = GetGameScene();
        if (!s.mouse.empty()) {
            Push(s.mouse.front());
            s.mouse.pop_front();
            return;
        }
        if (s.leaving > 0) {
            Leave(game);
            return;
        }
        if (entered) s.leaving = 0;
        if (game.GetState() != gssPlaying || game.GetResult() != srRunning || s.actions.empty()) return;
        const Action action = s.actions.front();
        s.actions.pop_front();
        if (action == kFinish) {
            game.StartCrossState(gcsLevelFinish);
        } else {
            PushKey(SDL_SCANCODE_ESCAPE);
            s.leaving = 1;
        }
    }

private:
    struct Click {
        int x, y;
        bool down;
    };
    struct State {
        std::deque<Action> actions;
        std::deque<SDL_Scancode> menu_keys;
        std::string scene;
        int menu_frames = 0;
        std::deque<Click> mouse;
        int leaving = 0;
        bool down = false;
    };

    void Leave(CGameScene& game)
    {
        State& s = *_state;
        CPauseDialog& pause = game.GetPauseDialog();
        if (s.leaving == 1 && game.GetState() == gssPaused) {
            ClickOn(pause, "ID_MENU");
            s.leaving = 2;
        } else if (s.leaving == 2 && pause.GetLeaveDialog().IsShown()) {
            ClickOn(pause.GetLeaveDialog(), "ID_LEAVE");
            s.leaving = 3;
        }
    }
    void ClickOn(CBaseDialog& dialog, const char* id)
    {
        const CBaseControlPtr c = dialog.GetControl(id);
        const int x = int(c->GetX() + c->GetWidth() / 2), y = int(c->GetY() + c->GetHeight() / 2);
        _state->mouse.push_back({x, y, false});
        _state->mouse.push_back({x, y, true});
        _state->mouse.push_back({x, y, false});
    }
    void Push(const Click& c)
    {
        SDL_Event motion{};
        motion.type = SDL_MOUSEMOTION;
        motion.motion.x = c.x;
        motion.motion.y = c.y;
        SDL_PushEvent(&motion);
        if (c.down == _state->down) return;
        SDL_Event button{};
        button.type = c.down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        button.button.button = SDL_BUTTON_LEFT;
        button.button.state = c.down ? SDL_PRESSED : SDL_RELEASED;
        button.button.x = c.x;
        button.button.y = c.y;
        SDL_PushEvent(&button);
        _state->down = c.down;
    }

    std::shared_ptr<State> _state;
};

} // namespace e2e
