#include "engine/core/engine_input_internal.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core.h"     // the focus switch

IMouse* g_Mouse = &CMouse::Instance();
IKeyboard* g_Keyboard = &CKeyboard::Instance();
IJoystick* g_Joystick = &CJoystick::Instance();

// ---------------------------------------------------------------------------------------------
// CDirectInputState

CDirectInputState::CDirectInputState() = default;

bool CDirectInputState::Init()
{
    if (!SDL_WasInit(SDL_INIT_EVENTS) && SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) {
        GetLog().Error("Error: failed to create DirectInput (error code %X).", 0x80004005u);
        GetLog().Error("%s", SDL_GetError());
        return false;
    }
    // Typed characters come from text input: it knows the layout, Shift, AltGr and dead keys.
    SDL_StartTextInput();
    GetLog().Message("DI initialized.");
    Acquire();
    return true;
}

void CDirectInputState::Acquire()
{
    _keyboard_acquired = true;
    _mouse_acquired = true;
}

void CDirectInputState::Unacquire()
{
    _keyboard_acquired = false;
    _mouse_acquired = false;
    std::memset(_keys, 0, sizeof _keys);
    std::memset(_keys_latched, 0, sizeof _keys_latched);
    std::memset(_key_chars, 0, sizeof _key_chars);
    _last_pressed = 0;
    _typed.clear();
    std::memset(_buttons, 0, sizeof _buttons);
    std::memset(_buttons_latched, 0, sizeof _buttons_latched);
    _dx = _dy = _wheel = 0;
}

void CDirectInputState::Release()
{
    Unacquire();
}

namespace {
int ButtonIndex(uint8_t sdl_button)
{
    switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return -1;
    }
}
} // namespace

void CDirectInputState::HandleEvent(const SDL_Event& e)
{
    switch (e.type) {
    case SDL_KEYDOWN:
        if (int dik = ScancodeToDik(e.key.keysym.scancode)) {
            _keys[dik] = true;
            _keys_latched[dik] = true;
            if (!e.key.repeat) _last_pressed = dik;
        } else {
            _last_pressed = 0;
        }
        break;
    case SDL_TEXTINPUT: {
        const std::string text = zf::Utf8ToCp1252(e.text.text);
        // Text is kept only while the keyboard is read; a frame takes at most a line's worth.
        if (_keyboard_acquired && _typed.size() < 256) _typed += text;
        // The character of the last key press, when it is exactly one character of our 8-bit text.
        const bool convertible = text != "?" || std::strcmp(e.text.text, "?") == 0;
        if (_last_pressed && text.size() == 1 && convertible) _key_chars[_last_pressed] = uint8_t(text[0]);
        _last_pressed = 0;
        break;
    }
    case SDL_KEYUP:
        if (int dik = ScancodeToDik(e.key.keysym.scancode))
            _keys[dik] = false;
        break;
    case SDL_MOUSEMOTION:
        _dx += e.motion.xrel;
        _dy += e.motion.yrel;
        _abs_x = e.motion.x;
        _abs_y = e.motion.y;
        _abs_valid = true;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int i = ButtonIndex(e.button.button);
        if (i >= 0) {
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            _buttons[i] = down;
            if (down) _buttons_latched[i] = true;
        }
        _abs_x = e.button.x;
        _abs_y = e.button.y;
        _abs_valid = true;
        break;
    }
    case SDL_MOUSEWHEEL: {
        int y = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
        _wheel += y * 120;
        break;
    }
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_ENTER: _pointer_in_window = true; break;
        case SDL_WINDOWEVENT_LEAVE: _pointer_in_window = false; break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // The keyboard belongs to the focused window: everything reads up until focus returns.
            if (!GetIgnoreFocus()) {
                Unacquire();
                _mouse_acquired = true;
            }
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            Acquire();
            break;
        default: break;
        }
        break;
    default:
        break;
    }
}

bool CDirectInputState::GetKeyboardState(uint8_t* keys, uint8_t* key_chars)
{
    std::memset(keys, 0, 256);
    if (key_chars) std::memset(key_chars, 0, 256);
    if (!_keyboard_acquired) return false;
    for (int i = 0; i < 256; ++i) {
        if (_keys[i] || _keys_latched[i]) keys[i] = 0x80;
        if (key_chars) key_chars[i] = _key_chars[i];
        _keys_latched[i] = false;
        _key_chars[i] = 0;
    }
    return true;
}

std::string CDirectInputState::TakeTypedText()
{
    std::string text;
    text.swap(_typed);
    return text;
}

bool CDirectInputState::GetMouseState(MouseState& state)
{
    state = MouseState();
    if (!_mouse_acquired) return false;
    state.dx = _dx;
    state.dy = _dy;
    state.wheel = _wheel;
    _dx = _dy = _wheel = 0;
    for (int i = 0; i < 3; ++i) {
        if (_buttons[i] || _buttons_latched[i]) state.buttons[i] = 0x80;
        _buttons_latched[i] = false;
    }
    state.abs_x = _abs_x;
    state.abs_y = _abs_y;
    state.abs_valid = _abs_valid;
    return true;
}

// ---------------------------------------------------------------------------------------------
// CMouse

CMouse& CMouse::Instance()
{
    static CMouse mouse;
    return mouse;
}

CMouse::CMouse() = default;


void CMouse::Update()
{
    CDirectInputState::MouseState ms;
    if (!_state || !_state->GetMouseState(ms)) {
        ResetButtons();
        return;
    }

    const int old_x = _x, old_y = _y;
    if (Fullscreen()) {
        // Relative movement scaled by the sensitivity.
        const int dx = _sensitivity * ms.dx / 10;
        const int dy = _sensitivity * ms.dy / 10;
        if (dx != 0 || dy != 0) SetPosition(_x + dx, _y + dy);
        if (!_inside) SetInside(true);
    } else if (ms.abs_valid) {
        // In a window the position is the system pointer's, held at the edge (plus the margin)
        // while the pointer is outside the screen area.
        const int w = ScreenWidth(), h = ScreenHeight();
        const bool inside = _state->IsPointerInWindow() && ms.abs_x >= 0 && ms.abs_y >= 0 &&
                            ms.abs_x <= w && ms.abs_y <= h;
        _x = std::clamp(ms.abs_x, -_margin, w + _margin);
        _y = std::clamp(ms.abs_y, -_margin, h + _margin);
        if ((_x != old_x || _y != old_y) && _cursor) _cursor->SetSpritePosition(float(_x), float(_y));
        if (inside != _inside) SetInside(inside);
    }
    _last_dx = _x - old_x;
    _last_dy = _y - old_y;
    _moved = _last_dx != 0 || _last_dy != 0;

    _last_wheel = _wheel_factor * ms.wheel / 10;
    _wheel += _last_wheel;

    for (int i = 0; i < 3; ++i)
        _buttons[i] = NextKeyState(_buttons[i], (ms.buttons[i] & 0x80) != 0);
}

void CMouse::ConsumeEvents()
{
    for (int i = 0; i < 3; ++i) {
        if (_buttons[i] == ksPressed) _buttons[i] = ksHeld;
        else if (_buttons[i] == ksReleased) _buttons[i] = ksUp;
    }
}

void CMouse::SetPosition(int x, int y)
{
    const int w = ScreenWidth(), h = ScreenHeight();
    _x = std::clamp(x, -_margin, w + _margin);
    _y = std::clamp(y, -_margin, h + _margin);
    _last_dx = _last_dy = 0;
    _moved = false;

    const bool fullscreen = Fullscreen();
    const bool inside = fullscreen || (x >= 0 && y >= 0 && x <= w && y <= h);

    // Move the system pointer along in a window (in full screen it is hidden and relative).
    if (!fullscreen && inside && _screen) _screen->WarpPointer(x, y);
    if (_cursor) _cursor->SetSpritePosition(float(_x), float(_y));
    SetInside(inside);
}

void CMouse::SetInside(bool inside)
{
    _inside = inside;
    if (_cursor) _cursor->SetInside(inside);
}

void CMouse::SetMargin(int margin)
{
    _margin = margin < 0 ? 0 : margin;
}

void CMouse::SetSensitivity(int sensitivity)
{
    _sensitivity = sensitivity < 1 ? 1 : sensitivity;
}

void CMouse::ResetButtons()
{
    for (int& b : _buttons) b = ksUp;
}

int CMouse::MapButton(int button) const
{
    switch (button) {
    case 0: return _swap ? 1 : 0;
    case 1: return _swap ? 0 : 1;
    case 2: return 2;
    default: return 3;
    }
}

bool CMouse::IsButtonDown(int button) const
{
    int s = _buttons[MapButton(button)];
    return s == ksHeld || s == ksPressed;
}

bool CMouse::IsButtonPressed(int button) const { return _buttons[MapButton(button)] == ksPressed; }
bool CMouse::IsButtonReleased(int button) const { return _buttons[MapButton(button)] == ksReleased; }

bool CMouse::IsAnyButtonDown() const
{
    for (int i = 0; i < 3; ++i)
        if (_buttons[i] == ksHeld || _buttons[i] == ksPressed) return true;
    return false;
}

bool CMouse::IsAnyButtonPressed() const
{
    for (int i = 0; i < 3; ++i)
        if (_buttons[i] == ksPressed) return true;
    return false;
}

bool CMouse::SelectCursor(const std::string& name)
{
    return _cursor ? _cursor->Select(name) : false;
}

void CMouse::SetSoftwareCursor(bool software)
{
    if (_cursor) _cursor->SetSoftwareCursor(software);
}

void CMouse::ShowSystemCursor(bool show)
{
    if (_cursor) _cursor->ShowSystemCursor(show);
}

void CMouse::DrawCursor()
{
    if (_cursor) _cursor->Draw();
}

void CMouse::ApplyCursor()
{
    if (_cursor) _cursor->Apply();
}

void CMouse::SetCursorService(ICursor* cursor)
{
    _cursor = cursor;
    if (_cursor) {
        _cursor->SetSpritePosition(float(_x), float(_y));
        _cursor->SetInside(_inside);
    }
}

// ---------------------------------------------------------------------------------------------
// CKeyboard

CKeyboard& CKeyboard::Instance()
{
    static CKeyboard keyboard;
    return keyboard;
}

CKeyboard::CKeyboard()
{
    Reset();
}

void CKeyboard::Update()
{
    uint8_t raw[256];
    if (!_state || !_state->GetKeyboardState(raw, _key_chars)) {
        Reset();
        return;
    }
    for (int i = 0; i < 256; ++i)
        _keys[i] = NextKeyState(_keys[i], (raw[i] & 0x80) != 0);
    _typed = _state->TakeTypedText();
}

void CKeyboard::Reset()
{
    for (int& k : _keys) k = ksUp;
    for (uint8_t& t : _key_chars) t = 0;
    _typed.clear();
}

bool CKeyboard::IsKeyDown(int code) const
{
    if (code < 0 || code >= 256) return false;
    return _keys[code] == ksHeld || _keys[code] == ksPressed;
}

bool CKeyboard::IsKeyPressed(int code) const
{
    return code >= 0 && code < 256 && _keys[code] == ksPressed;
}

bool CKeyboard::IsKeyUp(int code) const
{
    if (code < 0 || code >= 256) return true;
    return _keys[code] == ksUp || _keys[code] == ksReleased;
}

bool CKeyboard::IsKeyReleased(int code) const
{
    return code >= 0 && code < 256 && _keys[code] == ksReleased;
}

bool CKeyboard::IsAnyKeyDown() const
{
    for (int k : _keys)
        if (k == ksHeld || k == ksPressed) return true;
    return false;
}

bool CKeyboard::IsAnyKeyPressed() const
{
    for (int k : _keys)
        if (k == ksPressed) return true;
    return false;
}

int CKeyboard::GetPressedKeys(int* codes, int capacity) const
{
    if (!codes || capacity <= 0) return 0;
    int n = 0;
    for (int i = 0; i < 256 && n < capacity && n < 10; ++i)
        if (_keys[i] == ksPressed) codes[n++] = i;
    return n;
}

int CKeyboard::GetChar(int* chars, bool* shift, int capacity) const
{
    if (!chars || capacity <= 0) return 0;
    const bool sh = IsKeyDown(DIK_LSHIFT) || IsKeyDown(DIK_RSHIFT);
    if (shift) *shift = sh;
    int n = 0;
    for (int i = 0; i < 256 && n < capacity && n < 10; ++i) {
        if (_keys[i] != ksPressed) continue;
        // The character's byte, sign-extended: bytes from 128 up arrive negative.
        if (int c = TranslateKey(i, _key_chars[i], sh)) chars[n++] = static_cast<signed char>(c);
    }
    return n;
}

bool CKeyboard::GetChar(int code, char& ch) const
{
    if (code < 0 || code >= 256) return false;
    const bool sh = IsKeyDown(DIK_LSHIFT) || IsKeyDown(DIK_RSHIFT);
    int c = TranslateKey(code, _key_chars[code], sh);
    if (c == 0) return false;
    ch = static_cast<char>(c);
    return true;
}

// ---------------------------------------------------------------------------------------------
// CJoystick: no joystick is read.

CJoystick& CJoystick::Instance()
{
    static CJoystick joystick;
    return joystick;
}

CJoystick::CJoystick()
{
    Reset();
}

void CJoystick::Reset()
{
    for (int& b : _buttons) b = ksUp;
}
