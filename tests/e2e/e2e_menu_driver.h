// The player's way through the front end in a whole-program run: in the main menu and the epoch
// selector a hand clicks the buttons a player would for what it came to do — play on, start a new
// game, change the options, quit — and a new player types a name first.
#pragma once

#include "e2e_hand.h"

#include "menu/menu_menu.h"
#include "menu/menu_selector.h"

#include <iterator>
#include <string>
#include <vector>

namespace e2e {

// What the player comes to the menu for.
enum MenuIntent {
    kPlay,      // plays on: the saved game continues, or a new one starts at the first epoch
    kNewGame,   // starts a new game although one is saved
    kQuit,      // leaves the program through the menu's exit
};

class MenuHand {
public:
    // The name a new player gives.
    explicit MenuHand(std::string name = "Ann") : _name(std::move(name)) {}

    // One frame in the menu or the selector toward the intent; true while the hand acts.
    bool Drive(AScene& scene, MenuIntent intent)
    {
        if (scene.GetAlias() != _scene) _wait = 10;
        _scene = scene.GetAlias();
        if (_hand.Step()) return true;
        // A player looks before each click.
        if (_wait > 0) {
            --_wait;
            return true;
        }
        _wait = 10;
        if (_scene == "Menu") return InMenu(intent);
        if (_scene == "Selector") return InSelector(intent);
        return false;
    }

    MouseHand& Hand() { return _hand; }

private:
    bool InMenu(MenuIntent intent)
    {
        CMenuScene& menu = GetMenuScene();
        switch (menu.GetState()) {
        case msFirstUser:
            // The name, then Return a moment later.
            if (!_typed) PushText(_name);
            else PushKey(SDL_SCANCODE_RETURN);
            _typed = !_typed;
            return true;
        case msDefault:
            _hand.ClickOn(menu.GetMainDialog(), intent == kQuit ? "ID_EXIT" : "ID_START");
            return true;
        case msContinueGame: {
            CContinueGameDialog& dialog = menu.GetContinueDialog();
            if (dialog.GetConfirmation().IsShown()) _hand.ClickOn(dialog.GetConfirmation(), "ID_YES");
            else _hand.ClickOn(dialog, intent == kNewGame ? "ID_NEW_GAME" : "ID_CONTINUE");
            return true;
        }
        default:
            return false;
        }
    }

    bool InSelector(MenuIntent intent)
    {
        CSelectorScene& selector = GetSelectorScene();
        if (selector.GetState() != 2) return false;
        CBaseDialog& dialog = selector.GetDialog();
        static const char* const kBack[] = {"ID_MENU", "ID_BACK"};
        static const char* const kOn[] = {"ID_START", "ID_CONTINUE", "ID_RESTART"};
        const auto pick = intent == kQuit ? std::vector<const char*>(std::begin(kBack), std::end(kBack))
                                          : std::vector<const char*>(std::begin(kOn), std::end(kOn));
        for (const char* id : pick)
            if (const CBaseControlPtr c = dialog.FindControl(id); c && c->IsVisible()) {
                _hand.ClickOn(dialog, id);
                return true;
            }
        return false;
    }

    std::string _name;
    std::string _scene;
    int _wait = 0;
    bool _typed = false;
    MouseHand _hand;
};

} // namespace e2e
