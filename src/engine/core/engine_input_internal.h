// The input devices' platform side, for the engine's own code and for tests: the raw device state
// filled from SDL events, and the scancode tables. Nothing above the engine includes this header.
#pragma once

#include "engine/core/engine_input.h"

#include <cstdint>
#include <string>

union SDL_Event;

// Our own table: SDL scancode -> DirectInput key code (0 for scancodes without one).
int ScancodeToDik(int sdl_scancode);
// DirectInput key code -> SDL scancode (0 when none).
int DikToScancode(int code);

// The raw device state between two frames, filled from SDL events.
class CDirectInputState {
public:
    CDirectInputState();
    // Opens the devices. False (logged) when input cannot be set up.
    bool Init();
    void Acquire();
    void Unacquire();
    void Release();

    // Takes one event into the raw state.
    void HandleEvent(const SDL_Event& event);

    // Fills 256 bytes, a key down with the top bit set; a key pressed and let go since the last
    // read reads down once. `key_chars` (may be null) receives per key the Windows-1252 character
    // that text input gave for its press since the last read (0 for none). False when the
    // keyboard cannot be read (nothing focused).
    bool GetKeyboardState(uint8_t* keys, uint8_t* key_chars = nullptr);
    // The text typed since the last read (Windows-1252), emptied by the read.
    std::string TakeTypedText();
    // Movement since the last read in logical pixels (x, y), wheel (120 per notch) and the three
    // buttons' bytes. False when the mouse cannot be read.
    struct MouseState {
        int dx = 0, dy = 0, wheel = 0;
        uint8_t buttons[4] = {0, 0, 0, 0};
        int abs_x = 0, abs_y = 0;      // last absolute position, logical pixels
        bool abs_valid = false;        // abs_x/abs_y came from an event
    };
    bool GetMouseState(MouseState& state);

    // Whether the pointer is over the window (enter/leave events).
    bool IsPointerInWindow() const { return _pointer_in_window; }

private:
    bool _keyboard_acquired = false;
    bool _mouse_acquired = false;
    bool _keys[256] = {};
    bool _keys_latched[256] = {};
    uint8_t _key_chars[256] = {};
    int _last_pressed = 0;             // the key whose text input may still come
    std::string _typed;
    bool _buttons[3] = {};
    bool _buttons_latched[3] = {};
    int _dx = 0, _dy = 0, _wheel = 0;
    int _abs_x = 0, _abs_y = 0;
    bool _abs_valid = false;
    bool _pointer_in_window = true;
};
