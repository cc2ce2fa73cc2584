// The player's hands in a whole-program run: the mouse that clicks as a hand does and the keys
// that type a text.
#pragma once

#include "e2e_util.h"

#include "engine/core/engine_input.h"
#include "gui/gui_dialog.h"
#include "support/game_autoplayer.h"

#include <cctype>
#include <cstdlib>
#include <deque>
#include <string>

namespace e2e {

// The player's hand on the mouse in a whole-program run: it pushes the SDL events that move the
// pointer and press or release the left button, and makes clicks as a hand does, a move, a press and
// a release on three frames.
class MouseHand {
public:
    // Moves to the point of the state and presses or releases as it says, now.
    void Push(const zftest::AutoMouse& m)
    {
        const WindowPoint at = ToWindow(m);
        PushMotion(at.x, at.y, at.x - _x, at.y - _y);
        if (m.left_down == _down) return;
        SDL_Event button{};
        button.type = m.left_down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        button.button.button = SDL_BUTTON_LEFT;
        button.button.state = m.left_down ? SDL_PRESSED : SDL_RELEASED;
        button.button.x = _x;
        button.button.y = _y;
        SDL_PushEvent(&button);
        _down = m.left_down;
    }
    void Click(float x, float y)
    {
        _queue.push_back({x, y, false});
        _queue.push_back({x, y, true});
        _queue.push_back({x, y, false});
    }
    void ClickOn(CBaseDialog& dialog, const char* id)
    {
        const CBaseControlPtr c = dialog.GetControl(id);
        Click(c->GetX() + c->GetWidth() / 2, c->GetY() + c->GetHeight() / 2);
    }
    // One frame of the clicks asked for; false when none is left. Full screen, the game moves its
    // pointer by the mouse's movement, scaled: the hand moves until the pointer is on the point
    // before it presses or releases there.
    bool Step()
    {
        if (_queue.empty()) return false;
        const zftest::AutoMouse& m = _queue.front();
        if (g_Mouse && _tries < kMaxTries &&
            (std::abs(g_Mouse->GetX() - int(m.x)) > kNear || std::abs(g_Mouse->GetY() - int(m.y)) > kNear)) {
            ++_tries;
            Move(m, m.x - float(g_Mouse->GetX()), m.y - float(g_Mouse->GetY()));
            return true;
        }
        _tries = 0;
        Push(m);
        _queue.pop_front();
        return true;
    }

private:
    static constexpr int kNear = 2;
    static constexpr int kMaxTries = 40;

    // The point on the screen as the window has it (a full-screen window may be larger than the
    // game's picture, which the renderer scales back), and the window's scale.
    struct WindowPoint {
        int x, y;
        float scale_x = 1.0f, scale_y = 1.0f;
    };
    static WindowPoint ToWindow(const zftest::AutoMouse& m)
    {
        WindowPoint at{int(m.x), int(m.y)};
        if (SDL_Window* window = SDL_GetWindowFromID(1))
            if (SDL_Renderer* renderer = SDL_GetRenderer(window)) {
                SDL_RenderLogicalToWindow(renderer, m.x, m.y, &at.x, &at.y);
                SDL_RenderGetScale(renderer, &at.scale_x, &at.scale_y);
            }
        return at;
    }
    void PushMotion(int x, int y, int xrel, int yrel)
    {
        SDL_Event motion{};
        motion.type = SDL_MOUSEMOTION;
        motion.motion.x = x;
        motion.motion.y = y;
        motion.motion.xrel = xrel;
        motion.motion.yrel = yrel;
        _x = x;
        _y = y;
        SDL_PushEvent(&motion);
    }
    // A movement toward the point, which is (dx, dy) away in the game's picture: in a window the
    // pointer is at the point; full screen the game takes the movement, scaled as the window has it.
    void Move(const zftest::AutoMouse& m, float dx, float dy)
    {
        const WindowPoint at = ToWindow(m);
        const auto step = [](float d, float scale) {
            const int v = int(d * scale);
            return v != 0 ? v : (d > 0 ? 1 : d < 0 ? -1 : 0);
        };
        PushMotion(at.x, at.y, step(dx, at.scale_x), step(dy, at.scale_y));
    }

    std::deque<zftest::AutoMouse> _queue;
    int _tries = 0;
    int _x = 0, _y = 0;
    bool _down = false;
};

// Types the text as a player does: each character is a key press with its text.
inline void PushText(const std::string& text)
{
    for (const char c : text) {
        const SDL_Scancode scancode = SDL_GetScancodeFromKey(SDL_Keycode(std::tolower(static_cast<unsigned char>(c))));
        SDL_Event down{};
        down.type = SDL_KEYDOWN;
        down.key.state = SDL_PRESSED;
        down.key.keysym.scancode = scancode;
        down.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
        SDL_PushEvent(&down);
        SDL_Event typed{};
        typed.type = SDL_TEXTINPUT;
        typed.text.text[0] = c;
        SDL_PushEvent(&typed);
        SDL_Event up = down;
        up.type = SDL_KEYUP;
        up.key.state = SDL_RELEASED;
        SDL_PushEvent(&up);
    }
}

} // namespace e2e
