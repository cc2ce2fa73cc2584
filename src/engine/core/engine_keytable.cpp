#include "engine/core/engine_keytable.h"
#include "engine/core/engine_input_internal.h"

#include <SDL.h>

#include <array>

namespace {

// Our key table, one row a key: SDL scancode, DirectInput key code, Windows virtual-key code (0 for
// keys without one).
struct KeyRow {
    SDL_Scancode scan;
    int dik;
    int vk;
};
constexpr KeyRow kKeys[] = {
    {SDL_SCANCODE_ESCAPE, 1, 27},
    {SDL_SCANCODE_1, 2, 49},
    {SDL_SCANCODE_2, 3, 50},
    {SDL_SCANCODE_3, 4, 51},
    {SDL_SCANCODE_4, 5, 52},
    {SDL_SCANCODE_5, 6, 53},
    {SDL_SCANCODE_6, 7, 54},
    {SDL_SCANCODE_7, 8, 55},
    {SDL_SCANCODE_8, 9, 56},
    {SDL_SCANCODE_9, 10, 57},
    {SDL_SCANCODE_0, 11, 48},
    {SDL_SCANCODE_MINUS, 12, 189},
    {SDL_SCANCODE_EQUALS, 13, 187},
    {SDL_SCANCODE_BACKSPACE, 14, 8},
    {SDL_SCANCODE_TAB, 15, 9},
    {SDL_SCANCODE_Q, 16, 81},
    {SDL_SCANCODE_W, 17, 87},
    {SDL_SCANCODE_E, 18, 69},
    {SDL_SCANCODE_R, 19, 82},
    {SDL_SCANCODE_T, 20, 84},
    {SDL_SCANCODE_Y, 21, 89},
    {SDL_SCANCODE_U, 22, 85},
    {SDL_SCANCODE_I, 23, 73},
    {SDL_SCANCODE_O, 24, 79},
    {SDL_SCANCODE_P, 25, 80},
    {SDL_SCANCODE_LEFTBRACKET, 26, 219},
    {SDL_SCANCODE_RIGHTBRACKET, 27, 221},
    {SDL_SCANCODE_RETURN, 28, 13},
    {SDL_SCANCODE_LCTRL, 29, 17},
    {SDL_SCANCODE_A, 30, 65},
    {SDL_SCANCODE_S, 31, 83},
    {SDL_SCANCODE_D, 32, 68},
    {SDL_SCANCODE_F, 33, 70},
    {SDL_SCANCODE_G, 34, 71},
    {SDL_SCANCODE_H, 35, 72},
    {SDL_SCANCODE_J, 36, 74},
    {SDL_SCANCODE_K, 37, 75},
    {SDL_SCANCODE_L, 38, 76},
    {SDL_SCANCODE_SEMICOLON, 39, 186},
    {SDL_SCANCODE_APOSTROPHE, 40, 222},
    {SDL_SCANCODE_GRAVE, 41, 192},
    {SDL_SCANCODE_LSHIFT, 42, 16},
    {SDL_SCANCODE_BACKSLASH, 43, 220},
    {SDL_SCANCODE_Z, 44, 90},
    {SDL_SCANCODE_X, 45, 88},
    {SDL_SCANCODE_C, 46, 67},
    {SDL_SCANCODE_V, 47, 86},
    {SDL_SCANCODE_B, 48, 66},
    {SDL_SCANCODE_N, 49, 78},
    {SDL_SCANCODE_M, 50, 77},
    {SDL_SCANCODE_COMMA, 51, 188},
    {SDL_SCANCODE_PERIOD, 52, 190},
    {SDL_SCANCODE_SLASH, 53, 191},
    {SDL_SCANCODE_RSHIFT, 54, 16},
    {SDL_SCANCODE_KP_MULTIPLY, 55, 106},
    {SDL_SCANCODE_LALT, 56, 18},
    {SDL_SCANCODE_SPACE, 57, 32},
    {SDL_SCANCODE_CAPSLOCK, 58, 20},
    {SDL_SCANCODE_F1, 59, 112},
    {SDL_SCANCODE_F2, 60, 113},
    {SDL_SCANCODE_F3, 61, 114},
    {SDL_SCANCODE_F4, 62, 115},
    {SDL_SCANCODE_F5, 63, 116},
    {SDL_SCANCODE_F6, 64, 117},
    {SDL_SCANCODE_F7, 65, 118},
    {SDL_SCANCODE_F8, 66, 119},
    {SDL_SCANCODE_F9, 67, 120},
    {SDL_SCANCODE_F10, 68, 121},
    {SDL_SCANCODE_NUMLOCKCLEAR, 69, 144},
    {SDL_SCANCODE_SCROLLLOCK, 70, 145},
    {SDL_SCANCODE_KP_7, 71, 103},
    {SDL_SCANCODE_KP_8, 72, 104},
    {SDL_SCANCODE_KP_9, 73, 105},
    {SDL_SCANCODE_KP_MINUS, 74, 109},
    {SDL_SCANCODE_KP_4, 75, 100},
    {SDL_SCANCODE_KP_5, 76, 101},
    {SDL_SCANCODE_KP_6, 77, 102},
    {SDL_SCANCODE_KP_PLUS, 78, 107},
    {SDL_SCANCODE_KP_1, 79, 97},
    {SDL_SCANCODE_KP_2, 80, 98},
    {SDL_SCANCODE_KP_3, 81, 99},
    {SDL_SCANCODE_KP_0, 82, 96},
    {SDL_SCANCODE_KP_PERIOD, 83, 110},
    {SDL_SCANCODE_NONUSBACKSLASH, 86, 226},
    {SDL_SCANCODE_F11, 87, 122},
    {SDL_SCANCODE_F12, 88, 123},
    {SDL_SCANCODE_F13, 100, 124},
    {SDL_SCANCODE_F14, 101, 125},
    {SDL_SCANCODE_F15, 102, 126},
    {SDL_SCANCODE_KP_EQUALS, 141, 146},
    {SDL_SCANCODE_KP_ENTER, 156, 13},
    {SDL_SCANCODE_RCTRL, 157, 17},
    {SDL_SCANCODE_KP_COMMA, 179, 0},
    {SDL_SCANCODE_KP_DIVIDE, 181, 111},
    {SDL_SCANCODE_PRINTSCREEN, 183, 44},
    {SDL_SCANCODE_RALT, 184, 18},
    {SDL_SCANCODE_PAUSE, 197, 19},
    {SDL_SCANCODE_HOME, 199, 36},
    {SDL_SCANCODE_UP, 200, 38},
    {SDL_SCANCODE_PAGEUP, 201, 33},
    {SDL_SCANCODE_LEFT, 203, 37},
    {SDL_SCANCODE_RIGHT, 205, 39},
    {SDL_SCANCODE_END, 207, 35},
    {SDL_SCANCODE_DOWN, 208, 40},
    {SDL_SCANCODE_PAGEDOWN, 209, 34},
    {SDL_SCANCODE_INSERT, 210, 45},
    {SDL_SCANCODE_DELETE, 211, 46},
    {SDL_SCANCODE_LGUI, 219, 91},
    {SDL_SCANCODE_RGUI, 220, 92},
    {SDL_SCANCODE_APPLICATION, 221, 93},
    {SDL_SCANCODE_POWER, 222, 0},
    {SDL_SCANCODE_SLEEP, 223, 95},
};

struct Tables {
    std::array<int, SDL_NUM_SCANCODES> scan_to_dik {};
    std::array<int, 256> dik_to_scan {};
    Tables()
    {
        for (const KeyRow& k : kKeys) {
            scan_to_dik[k.scan] = k.dik;
            dik_to_scan[k.dik] = k.scan;
        }
    }
};

const Tables& GetTables()
{
    static const Tables tables;
    return tables;
}

// The control characters of keys, which text input does not give.
int ControlChar(SDL_Scancode sc)
{
    switch (sc) {
    case SDL_SCANCODE_ESCAPE: return 27;
    case SDL_SCANCODE_BACKSPACE: return 8;
    case SDL_SCANCODE_TAB: return 9;
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return 13;
    default: return 0;
    }
}

bool IsLatin1Lower(int c)
{
    return (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
}
bool IsLatin1Upper(int c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
}

} // namespace

CDik2Vk* g_Dik2Vk = &CDik2Vk::Instance();

CDik2Vk& CDik2Vk::Instance()
{
    static CDik2Vk table;
    return table;
}

CDik2Vk::CDik2Vk()
{
    for (int& v : _table) v = 0;
    for (const KeyRow& k : kKeys) _table[k.dik] = k.vk;
}

int ScancodeToDik(int sdl_scancode)
{
    if (sdl_scancode <= 0 || sdl_scancode >= SDL_NUM_SCANCODES) return 0;
    return GetTables().scan_to_dik[sdl_scancode];
}

int DikToScancode(int code)
{
    if (code <= 0 || code >= 256) return 0;
    return GetTables().dik_to_scan[code];
}

int TranslateKey(int dik_code, int typed, bool shift)
{
    if (typed == 0) return ControlChar(static_cast<SDL_Scancode>(DikToScancode(dik_code)));
    // Caps Lock counts as on: letters are upper case unless shift is down.
    if (IsLatin1Lower(typed)) return shift ? typed : typed - 0x20;
    if (IsLatin1Upper(typed)) return shift ? typed + 0x20 : typed;
    return typed;
}
