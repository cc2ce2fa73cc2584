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

// The character a key gives: the layout's key with Caps Lock on (letters upper case unless
// shift is down), shifted digits and symbols by the US layout. 0 when it gives none.
int TranslateKey(int dik_code, bool shift);

extern CDik2Vk* g_Dik2Vk;
