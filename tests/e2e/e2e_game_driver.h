// A frame observer that moves a whole-program run through its levels: for each level the game
// scene plays, in order, one action once the level is in play. "Finish" reaches the level's goal
// (the scene's finish starts as the field starts it) and answers the dialogs of the level's end as a
// player does (the statistics, a promotion taking the resources, the reels), then leaves the city
// through its shop; "Leave" pauses with Escape and leaves for the menu through the pause dialog's menu
// button and the confirmation, clicking as a hand does. A tutorial hint is closed with Return.
#pragma once

#include "e2e_menu_driver.h"

#include "engine/core/engine_scene.h"
#include "city/city_scene.h"
#include "game/game_game.h"
#include "game/game_hints.h"
#include "support/game_autoplayer.h"

#include <deque>
#include <initializer_list>
#include <utility>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Leaves the city for the next level as a player does: a tutorial bubble is closed with its button,
// then the shop's way on is clicked. True while the hand has something to do.
inline bool LeaveCity(MouseHand& hand)
{
    if (hand.Step()) return true;
    CHintsManager& hints = GetHintsManager();
    if (hints.IsActive()) {
        for (const HintRecord& hint : hints.GetHints())
            if (hint.id == hints.GetActiveId() && hint.dialog && hint.dialog->FindControl("ID_CONTINUE")) {
                hand.ClickOn(*hint.dialog, "ID_CONTINUE");
                return true;
            }
        return false;
    }
    CCityScene& city = GetCityScene();
    // The dialogs of an epoch's or the game's end are read and closed; the warning that something
    // could still be bought ends the game.
    const std::pair<CBaseDialog*, const char*> ends[] = {
        {&city.GetEpochCompletePanel(), "ID_OK"}, {&city.GetAllCompletePanel(), "ID_OK"},
        {&city.GetWarningDialog(), "ID_NO"},      {&city.GetGameCompleteDialog(), "ID_OK"},
        {&city.GetGameWonDialog(), "ID_EXIT"}};
    for (const auto& [dialog, id] : ends)
        if (dialog->IsShown() && dialog->FindControl(id)) {
            hand.ClickOn(*dialog, id);
            return true;
        }
    if (city.GetState() != cssShop) return false;
    CShopPanel& shop = city.GetShopPanel();
    for (const char* id : {"ID_CONTINUE", "ID_FINISH_GAME"})
        if (const CBaseControlPtr c = shop.FindControl(id); c && c->IsVisible()) {
            hand.ClickOn(shop, id);
            return true;
        }
    return false;
}

// The dialog that the level's end shows now and the button a player answers it with, as a player
// does (the statistics, a promotion taking the resources or, with `bonus_level`, the bonus level it
// offers, the reels); none when none is up.
inline std::pair<CBaseDialog*, const char*> LevelEndAnswer(CGameScene& game, bool bonus_level = false)
{
    const auto visible = [](CBaseDialog& dialog, std::initializer_list<const char*> ids) -> const char* {
        for (const char* id : ids)
            if (dialog.GetControl(id)->IsVisible()) return id;
        return nullptr;
    };
    const char* id = nullptr;
    CBaseDialog* dialog = nullptr;
    if (game.GetStatisticsDialog().IsShown()) {
        dialog = &game.GetStatisticsDialog();
        id = "ID_OK";
    } else if (game.GetPromotionDialog().IsShown()) {
        dialog = &game.GetPromotionDialog();
        id = bonus_level ? visible(*dialog, {"ID_BONUS", "ID_BONUS_CENTER", "ID_RESOURCE", "ID_RESOURCE_CENTER", "ID_OK"})
                         : visible(*dialog, {"ID_RESOURCE", "ID_RESOURCE_CENTER", "ID_BONUS_CENTER", "ID_OK"});
    } else if (game.GetResourcesDialog().IsShown()) {
        dialog = &game.GetResourcesDialog();
        id = visible(*dialog, {"ID_GET", "ID_OK"});
    } else if (game.GetBonusCompleteDialog().IsShown()) {
        dialog = &game.GetBonusCompleteDialog();
        id = "ID_OK";
    }
    if (!id) return {nullptr, nullptr};
    return {dialog, id};
}

class GameDriver {
public:
    enum Action { kFinish, kLeave };

    // `menu`: what the player does each time the main menu comes up, in turn (the selector that
    // may follow belongs to the same visit).
    explicit GameDriver(std::vector<Action> actions, std::vector<MenuIntent> menu = {})
        : _state(std::make_shared<State>())
    {
        _state->actions.assign(actions.begin(), actions.end());
        _state->menu.assign(menu.begin(), menu.end());
    }

    void operator()(AScene& scene)
    {
        State& s = *_state;
        const bool entered = scene.GetAlias() != s.scene;
        s.scene = scene.GetAlias();
        if (scene.GetAlias() == "Menu" || scene.GetAlias() == "Selector") {
            if (entered && scene.GetAlias() == "Menu") {
                s.intent = s.menu.empty() ? std::optional<MenuIntent>() : std::optional<MenuIntent>(s.menu.front());
                if (!s.menu.empty()) s.menu.pop_front();
            }
            if (s.intent) s.menu_hand.Drive(scene, *s.intent);
            return;
        }
        if (scene.GetAlias() == "City") {
            LeaveCity(s.hand);
            return;
        }
        if (scene.GetAlias() != "Game") {
            s.leaving = 0;
            return;
        }
        CGameScene& game = GetGameScene();
        if (s.hand.Step()) return;
        if (s.leaving > 0) {
            Leave(game);
            return;
        }
        if (game.GetState() == gssHintShown) {
            PushKey(SDL_SCANCODE_RETURN);
            return;
        }
        if (AnswerFinish(game)) return;
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
    struct State {
        std::deque<Action> actions;
        std::deque<MenuIntent> menu;
        std::optional<MenuIntent> intent;
        MenuHand menu_hand;
        std::string scene;
        MouseHand hand;
        int leaving = 0;
    };

    // Clicks through the dialog that the level's end shows now, if any; true when it clicked.
    bool AnswerFinish(CGameScene& game)
    {
        const auto [dialog, id] = LevelEndAnswer(game);
        if (!dialog) return false;
        _state->hand.ClickOn(*dialog, id);
        return true;
    }

    void Leave(CGameScene& game)
    {
        State& s = *_state;
        CPauseDialog& pause = game.GetPauseDialog();
        if (s.leaving == 1 && game.GetState() == gssPaused) {
            s.hand.ClickOn(pause, "ID_MENU");
            s.leaving = 2;
        } else if (s.leaving == 2 && pause.GetLeaveDialog().IsShown()) {
            s.hand.ClickOn(pause.GetLeaveDialog(), "ID_LEAVE");
            s.leaving = 3;
        }
    }
    std::shared_ptr<State> _state;
};

} // namespace e2e
