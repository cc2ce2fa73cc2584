// Key tables: DirectInput key codes to Windows virtual-key codes, and the characters keys give.
// (The table from the platform's scancodes to DirectInput key codes is in engine_input_internal.h.)
#pragma once

// DirectInput key code -> Windows virtual-key code (0 for codes without one).
class CDik2Vk {
public:
    static CDik2Vk& Instance();
    int operator[](int code) const { return (code >= 0 && code < 256) ? _table[code] : 0; }
private:
    CDik2Vk();
    int _table[256];
};

// The character a key gives. `typed` is the Windows-1252 byte that text input gave for the key
// press (0 when none): it stands, with Caps Lock counted as on (letters upper case unless shift
// is down, whatever the lock's real state). Without one, only the control characters of Escape,
// Backspace, Tab and Return, which text input does not give. 0 when the key gives none (a dead
// key, a key without a character, a character outside Windows-1252).
int TranslateKey(int dik_code, int typed, bool shift);

extern CDik2Vk* g_Dik2Vk;
