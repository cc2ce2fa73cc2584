// Mouse, keyboard and joystick, read once per frame into edge states.
//
// Key and button states: 1 up, 2 released this frame, 4 held, 8 pressed this frame. A key or button
// is down in state 4 or 8 and up in state 1 or 2. Keys are addressed by DirectInput key codes
// (1 Escape, 28 Enter, 42/54 Shift, 56/184 Alt, 183 Print Screen ...), taken from the platform's
// scancodes by our own table. The mouse position is in logical screen pixels (800 x 600).
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/engine_keytable.h"

enum EKeyState {
    ksUp = 1,
    ksReleased = 2,
    ksHeld = 4,
    ksPressed = 8,
};

// The edge-state step of one key or button from its raw state this frame.
inline int NextKeyState(int previous, bool raw_down)
{
    if (raw_down)
        return (previous == ksUp || previous == ksReleased) ? ksPressed : ksHeld;
    return (previous == ksHeld || previous == ksPressed) ? ksReleased : ksUp;
}

// DirectInput key codes the engine itself uses.
enum {
    DIK_ESCAPE = 1,
    DIK_RETURN = 28,
    DIK_LSHIFT = 42,
    DIK_RSHIFT = 54,
    DIK_LMENU = 56,
    DIK_SPACE = 57,
    DIK_SYSRQ = 183,
    DIK_RMENU = 184,
};

// The mouse pointer drawn by the program: the cursor service (text area) implements it and the
// mouse forwards its cursor operations to it. The engine core draws it at the end of every frame.
class ICursor {
public:
    virtual ~ICursor() = default;
    // Selects a cursor by name; false (logged) for an unknown name.
    virtual bool Select(const std::string& name) = 0;
    virtual void SetSoftwareCursor(bool software) = 0;
    // Shows or hides the pointer.
    virtual void ShowSystemCursor(bool show) = 0;
    // The pointer entered (true) or left (false) the client area.
    virtual void SetInside(bool inside) = 0;
    // Follows the mouse position (client pixels).
    virtual void SetSpritePosition(float x, float y) = 0;
    virtual void Draw() = 0;
    // Applies the system-cursor rule.
    virtual void Apply() = 0;
};

// The screen the mouse points at, as the engine core shows it: the logical size, the mode, and the
// mapping of a logical position to the window's pointer.
class IPointerScreen {
public:
    virtual ~IPointerScreen() = default;
    // The logical screen in pixels.
    virtual int GetScreenWidth() const = 0;
    virtual int GetScreenHeight() const = 0;
    // In full screen the pointer is hidden and moves relatively; in a window it is the system's.
    virtual bool IsFullscreen() const = 0;
    // Moves the system pointer to the logical position (x, y) of the screen.
    virtual void WarpPointer(int x, int y) = 0;
};

class IMouse {
public:
    virtual ~IMouse() = default;
    virtual void Update() = 0;
    virtual void ConsumeEvents() = 0;
    virtual void SetPosition(int x, int y) = 0;
    virtual void SetMargin(int margin) = 0;
    virtual int GetX() const = 0;
    virtual int GetY() const = 0;
    virtual int GetWheel() const = 0;
    virtual int GetDeltaX() const = 0;
    virtual int GetDeltaY() const = 0;
    // Wheel movement of the last update: 120 per notch, negative toward the user.
    virtual int GetWheelDelta() const = 0;
    virtual bool IsMoved() const = 0;
    virtual void SetSensitivity(int sensitivity) = 0;
    virtual int GetSensitivity() const = 0;
    virtual void ResetButtons() = 0;
    virtual void SetSwapButtons(bool swap) = 0;
    // Buttons: 0 left, 1 right (exchanged while swapped), 2 middle; others always up.
    virtual bool IsButtonDown(int button) const = 0;
    virtual bool IsButtonPressed(int button) const = 0;
    virtual bool IsButtonReleased(int button) const = 0;
    virtual bool IsAnyButtonDown() const = 0;
    virtual bool IsAnyButtonPressed() const = 0;
    virtual bool CheckButton(int button) const = 0;
    virtual bool SelectCursor(const std::string& name) = 0;
    virtual void SetSoftwareCursor(bool software) = 0;
    virtual void ShowSystemCursor(bool show) = 0;
    virtual bool IsInsideWindow() const = 0;
    virtual void DrawCursor() = 0;
    virtual void ApplyCursor() = 0;
};

class IKeyboard {
public:
    virtual ~IKeyboard() = default;
    virtual void Update() = 0;
    virtual void Reset() = 0;
    virtual bool IsKeyDown(int code) const = 0;
    virtual bool IsKeyPressed(int code) const = 0;
    virtual bool IsKeyUp(int code) const = 0;
    virtual bool IsKeyReleased(int code) const = 0;
    virtual bool IsAnyKeyDown() const = 0;
    virtual bool IsAnyKeyPressed() const = 0;
    // The codes pressed this frame in ascending order, at most capacity and at most 10.
    virtual int GetPressedKeys(int* codes, int capacity) const = 0;
    // Characters typed this frame (one per key pressed this frame that gives one), as Windows-1252
    // bytes sign-extended to int (bytes from 128 up are negative), as text input gave them with
    // the keyboard's layout, Shift, AltGr and dead keys; letters come out upper case unless a
    // shift key is down. shift (may be null) is set while a shift key is down. Returns the
    // count, at most capacity and at most 10.
    virtual int GetChar(int* chars, bool* shift, int capacity) const = 0;
    // The character that the key gives with the current shift state; false when it gives none.
    virtual bool GetChar(int code, char& ch) const = 0;
    // The text typed this frame through the system's text input (keyboard layout, dead keys and
    // compose included), as Windows-1252 bytes; a character without a Windows-1252 form is '?'.
    virtual std::string GetTypedText() const { return std::string(); }
};

class IJoystick {
public:
    virtual ~IJoystick() = default;
    virtual void Update() = 0;
    virtual void Reset() = 0;
    virtual void SetRange(int lo, int hi) = 0;
    virtual int GetAxisX() const = 0;
    virtual int GetAxisY() const = 0;
    virtual int GetAxisZ() const = 0;
    virtual int GetAxisR() const = 0;
    virtual bool IsAttached() const = 0;
    virtual bool CheckButton(int button) const = 0;
    virtual bool IsButtonDown(int button) const = 0;
    virtual bool IsButtonPressed(int button) const = 0;
};

class CDirectInputState;

// Gives the devices access to the input state; null until the engine core is initialised.
class CDirectInputController {
public:
    void SetController(CDirectInputState* state) { _state = state; }
    CDirectInputState* GetController() const { return _state; }
protected:
    CDirectInputState* _state = nullptr;
};

class CMouse : public IMouse, public CDirectInputController {
public:
    static CMouse& Instance();

    void Update() override;
    void ConsumeEvents() override;
    void SetPosition(int x, int y) override;
    void SetMargin(int margin) override;
    int GetX() const override { return _x; }
    int GetY() const override { return _y; }
    int GetWheel() const override { return _wheel; }
    int GetDeltaX() const override { return _last_dx; }
    int GetDeltaY() const override { return _last_dy; }
    int GetWheelDelta() const override { return _last_wheel; }
    bool IsMoved() const override { return _moved; }
    void SetSensitivity(int sensitivity) override;
    int GetSensitivity() const override { return _sensitivity; }
    void ResetButtons() override;
    void SetSwapButtons(bool swap) override { _swap = swap; }
    bool IsButtonDown(int button) const override;
    bool IsButtonPressed(int button) const override;
    bool IsButtonReleased(int button) const override;
    bool IsAnyButtonDown() const override;
    bool IsAnyButtonPressed() const override;
    bool CheckButton(int) const override { return false; }
    bool SelectCursor(const std::string& name) override;
    void SetSoftwareCursor(bool software) override;
    void ShowSystemCursor(bool show) override;
    bool IsInsideWindow() const override { return _inside; }
    void DrawCursor() override;
    void ApplyCursor() override;

    // The screen the pointer moves on (the engine core sets itself at Init); without one the
    // screen is 800 x 600 in a window and the system pointer is not moved.
    void SetScreen(IPointerScreen* screen) { _screen = screen; }
    IPointerScreen* GetScreen() const { return _screen; }
    // The cursor service that draws the pointer; null draws nothing.
    void SetCursorService(ICursor* cursor);
    ICursor* GetCursorService() const { return _cursor; }
    bool GetSwapButtons() const { return _swap; }
    int GetMargin() const { return _margin; }
    // State of a button slot by number after the swap rule.
    int GetButtonState(int button) const { return _buttons[MapButton(button)]; }

private:
    CMouse();
    int MapButton(int button) const;
    void SetInside(bool inside);
    int ScreenWidth() const { return _screen ? _screen->GetScreenWidth() : 800; }
    int ScreenHeight() const { return _screen ? _screen->GetScreenHeight() : 600; }
    bool Fullscreen() const { return _screen && _screen->IsFullscreen(); }

    int _buttons[4] = {ksUp, ksUp, ksUp, ksUp};
    bool _swap = false;
    int _x = 0, _y = 0;
    int _wheel = 0;
    int _margin = 0;
    bool _inside = true;
    int _last_dx = 0, _last_dy = 0, _last_wheel = 0;
    bool _moved = false;
    int _sensitivity = 15;
    int _wheel_factor = 10;
    ICursor* _cursor = nullptr;
    IPointerScreen* _screen = nullptr;
};

class CKeyboard : public IKeyboard, public CDirectInputController {
public:
    static CKeyboard& Instance();

    void Update() override;
    void Reset() override;
    bool IsKeyDown(int code) const override;
    bool IsKeyPressed(int code) const override;
    bool IsKeyUp(int code) const override;
    bool IsKeyReleased(int code) const override;
    bool IsAnyKeyDown() const override;
    bool IsAnyKeyPressed() const override;
    int GetPressedKeys(int* codes, int capacity) const override;
    int GetChar(int* chars, bool* shift, int capacity) const override;
    bool GetChar(int code, char& ch) const override;
    std::string GetTypedText() const override { return _typed; }

    int GetKeyState(int code) const { return (code >= 0 && code < 256) ? _keys[code] : ksUp; }

private:
    CKeyboard();
    int _keys[256];
    uint8_t _key_chars[256] = {};      // per key, the character text input gave for this frame's press
    std::string _typed;
};

class CJoystick : public IJoystick, public CDirectInputController {
public:
    static CJoystick& Instance();
    void Update() override {}
    void Reset() override;
    void SetRange(int, int) override {}
    int GetAxisX() const override { return 0; }
    int GetAxisY() const override { return 0; }
    int GetAxisZ() const override { return 0; }
    int GetAxisR() const override { return 0; }
    bool IsAttached() const override { return _attached; }
    bool CheckButton(int) const override { return false; }
    bool IsButtonDown(int) const override { return false; }
    bool IsButtonPressed(int) const override { return false; }
private:
    CJoystick();
    int _buttons[10];
    bool _attached = false;
};

extern IMouse* g_Mouse;
extern IKeyboard* g_Keyboard;
extern IJoystick* g_Joystick;
