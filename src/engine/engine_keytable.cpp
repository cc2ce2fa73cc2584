#include "engine/engine_keytable.h"

#include <SDL.h>

#include <array>
#include <utility>

namespace {

// SDL scancode -> DirectInput key code.
constexpr std::pair<SDL_Scancode, int> kScanToDik[] = {
    {SDL_SCANCODE_ESCAPE, 1},
    {SDL_SCANCODE_1, 2}, {SDL_SCANCODE_2, 3}, {SDL_SCANCODE_3, 4}, {SDL_SCANCODE_4, 5},
    {SDL_SCANCODE_5, 6}, {SDL_SCANCODE_6, 7}, {SDL_SCANCODE_7, 8}, {SDL_SCANCODE_8, 9},
    {SDL_SCANCODE_9, 10}, {SDL_SCANCODE_0, 11},
    {SDL_SCANCODE_MINUS, 12}, {SDL_SCANCODE_EQUALS, 13}, {SDL_SCANCODE_BACKSPACE, 14},
    {SDL_SCANCODE_TAB, 15},
    {SDL_SCANCODE_Q, 16}, {SDL_SCANCODE_W, 17}, {SDL_SCANCODE_E, 18}, {SDL_SCANCODE_R, 19},
    {SDL_SCANCODE_T, 20}, {SDL_SCANCODE_Y, 21}, {SDL_SCANCODE_U, 22}, {SDL_SCANCODE_I, 23},
    {SDL_SCANCODE_O, 24}, {SDL_SCANCODE_P, 25},
    {SDL_SCANCODE_LEFTBRACKET, 26}, {SDL_SCANCODE_RIGHTBRACKET, 27}, {SDL_SCANCODE_RETURN, 28},
    {SDL_SCANCODE_LCTRL, 29},
    {SDL_SCANCODE_A, 30}, {SDL_SCANCODE_S, 31}, {SDL_SCANCODE_D, 32}, {SDL_SCANCODE_F, 33},
    {SDL_SCANCODE_G, 34}, {SDL_SCANCODE_H, 35}, {SDL_SCANCODE_J, 36}, {SDL_SCANCODE_K, 37},
    {SDL_SCANCODE_L, 38},
    {SDL_SCANCODE_SEMICOLON, 39}, {SDL_SCANCODE_APOSTROPHE, 40}, {SDL_SCANCODE_GRAVE, 41},
    {SDL_SCANCODE_LSHIFT, 42}, {SDL_SCANCODE_BACKSLASH, 43},
    {SDL_SCANCODE_Z, 44}, {SDL_SCANCODE_X, 45}, {SDL_SCANCODE_C, 46}, {SDL_SCANCODE_V, 47},
    {SDL_SCANCODE_B, 48}, {SDL_SCANCODE_N, 49}, {SDL_SCANCODE_M, 50},
    {SDL_SCANCODE_COMMA, 51}, {SDL_SCANCODE_PERIOD, 52}, {SDL_SCANCODE_SLASH, 53},
    {SDL_SCANCODE_RSHIFT, 54}, {SDL_SCANCODE_KP_MULTIPLY, 55}, {SDL_SCANCODE_LALT, 56},
    {SDL_SCANCODE_SPACE, 57}, {SDL_SCANCODE_CAPSLOCK, 58},
    {SDL_SCANCODE_F1, 59}, {SDL_SCANCODE_F2, 60}, {SDL_SCANCODE_F3, 61}, {SDL_SCANCODE_F4, 62},
    {SDL_SCANCODE_F5, 63}, {SDL_SCANCODE_F6, 64}, {SDL_SCANCODE_F7, 65}, {SDL_SCANCODE_F8, 66},
    {SDL_SCANCODE_F9, 67}, {SDL_SCANCODE_F10, 68},
    {SDL_SCANCODE_NUMLOCKCLEAR, 69}, {SDL_SCANCODE_SCROLLLOCK, 70},
    {SDL_SCANCODE_KP_7, 71}, {SDL_SCANCODE_KP_8, 72}, {SDL_SCANCODE_KP_9, 73},
    {SDL_SCANCODE_KP_MINUS, 74},
    {SDL_SCANCODE_KP_4, 75}, {SDL_SCANCODE_KP_5, 76}, {SDL_SCANCODE_KP_6, 77},
    {SDL_SCANCODE_KP_PLUS, 78},
    {SDL_SCANCODE_KP_1, 79}, {SDL_SCANCODE_KP_2, 80}, {SDL_SCANCODE_KP_3, 81},
    {SDL_SCANCODE_KP_0, 82}, {SDL_SCANCODE_KP_PERIOD, 83},
    {SDL_SCANCODE_NONUSBACKSLASH, 86}, {SDL_SCANCODE_F11, 87}, {SDL_SCANCODE_F12, 88},
    {SDL_SCANCODE_F13, 100}, {SDL_SCANCODE_F14, 101}, {SDL_SCANCODE_F15, 102},
    {SDL_SCANCODE_KP_EQUALS, 141},
    {SDL_SCANCODE_KP_ENTER, 156}, {SDL_SCANCODE_RCTRL, 157},
    {SDL_SCANCODE_KP_COMMA, 179},
    {SDL_SCANCODE_KP_DIVIDE, 181}, {SDL_SCANCODE_PRINTSCREEN, 183}, {SDL_SCANCODE_RALT, 184},
    {SDL_SCANCODE_PAUSE, 197},
    {SDL_SCANCODE_HOME, 199}, {SDL_SCANCODE_UP, 200}, {SDL_SCANCODE_PAGEUP, 201},
    {SDL_SCANCODE_LEFT, 203}, {SDL_SCANCODE_RIGHT, 205}, {SDL_SCANCODE_END, 207},
    {SDL_SCANCODE_DOWN, 208}, {SDL_SCANCODE_PAGEDOWN, 209}, {SDL_SCANCODE_INSERT, 210},
    {SDL_SCANCODE_DELETE, 211},
    {SDL_SCANCODE_LGUI, 219}, {SDL_SCANCODE_RGUI, 220}, {SDL_SCANCODE_APPLICATION, 221},
    {SDL_SCANCODE_POWER, 222}, {SDL_SCANCODE_SLEEP, 223},
};

struct Tables {
    std::array<int, SDL_NUM_SCANCODES> scan_to_dik {};
    std::array<int, 256> dik_to_scan {};
    Tables()
    {
        for (auto& [scan, dik] : kScanToDik) {
            scan_to_dik[scan] = dik;
            dik_to_scan[dik] = scan;
        }
    }
};

const Tables& GetTables()
{
    static const Tables tables;
    return tables;
}

// Characters of the US layout: unshifted and shifted, by scancode.
int UsChar(SDL_Scancode sc, bool shift)
{
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z)
        return 'a' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9)
        return shift ? "!@#$%^&*("[sc - SDL_SCANCODE_1] : '1' + (sc - SDL_SCANCODE_1);
    switch (sc) {
    case SDL_SCANCODE_0: return shift ? ')' : '0';
    case SDL_SCANCODE_MINUS: return shift ? '_' : '-';
    case SDL_SCANCODE_EQUALS: return shift ? '+' : '=';
    case SDL_SCANCODE_LEFTBRACKET: return shift ? '{' : '[';
    case SDL_SCANCODE_RIGHTBRACKET: return shift ? '}' : ']';
    case SDL_SCANCODE_BACKSLASH: return shift ? '|' : '\\';
    case SDL_SCANCODE_NONUSBACKSLASH: return shift ? '|' : '\\';
    case SDL_SCANCODE_SEMICOLON: return shift ? ':' : ';';
    case SDL_SCANCODE_APOSTROPHE: return shift ? '"' : '\'';
    case SDL_SCANCODE_GRAVE: return shift ? '~' : '`';
    case SDL_SCANCODE_COMMA: return shift ? '<' : ',';
    case SDL_SCANCODE_PERIOD: return shift ? '>' : '.';
    case SDL_SCANCODE_SLASH: return shift ? '?' : '/';
    default: return 0;
    }
}

// Shifted form of an unshifted US character (digits and symbols).
int UsShift(int c)
{
    static const char plain[] = "1234567890-=[]\\;',./`";
    static const char shifted[] = "!@#$%^&*()_+{}|:\"<>?~";
    for (int i = 0; plain[i]; ++i)
        if (plain[i] == c) return shifted[i];
    return c;
}

// Keys whose character does not depend on the layout.
int FixedChar(SDL_Scancode sc)
{
    switch (sc) {
    case SDL_SCANCODE_ESCAPE: return 27;
    case SDL_SCANCODE_BACKSPACE: return 8;
    case SDL_SCANCODE_TAB: return 9;
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return 13;
    case SDL_SCANCODE_SPACE: return ' ';
    case SDL_SCANCODE_KP_MULTIPLY: return '*';
    case SDL_SCANCODE_KP_MINUS: return '-';
    case SDL_SCANCODE_KP_PLUS: return '+';
    case SDL_SCANCODE_KP_DIVIDE: return '/';
    case SDL_SCANCODE_KP_PERIOD: return '.';
    case SDL_SCANCODE_KP_0: return '0';
    default: break;
    }
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9)
        return '1' + (sc - SDL_SCANCODE_KP_1);
    return 0;
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
    auto range = [this](int from, int to, int vk) {
        for (int c = from; c <= to; ++c) _table[c] = vk++;
    };
    auto list = [this](int from, std::initializer_list<int> vks) {
        for (int vk : vks) _table[from++] = vk;
    };
    _table[1] = 27;
    range(2, 10, 49);
    _table[11] = 48;
    _table[12] = 189;
    _table[13] = 187;
    _table[14] = 8;
    _table[15] = 9;
    list(16, {81, 87, 69, 82, 84, 89, 85, 73, 79, 80});
    _table[26] = 219;
    _table[27] = 221;
    _table[28] = 13;
    _table[29] = 17;
    list(30, {65, 83, 68});
    range(33, 35, 70);
    range(36, 38, 74);
    _table[39] = 186;
    _table[40] = 222;
    _table[41] = 192;
    _table[42] = 16;
    _table[43] = 220;
    list(44, {90, 88, 67, 86, 66, 78, 77});
    _table[51] = 188;
    _table[52] = 190;
    _table[53] = 191;
    _table[54] = 16;
    _table[55] = 106;
    _table[56] = 18;
    _table[57] = 32;
    _table[58] = 20;
    range(59, 68, 112);
    _table[69] = 144;
    _table[70] = 145;
    range(71, 73, 103);
    _table[74] = 109;
    range(75, 77, 100);
    _table[78] = 107;
    range(79, 81, 97);
    _table[82] = 96;
    _table[83] = 110;
    _table[86] = 226;
    _table[87] = 122;
    _table[88] = 123;
    range(100, 102, 124);
    _table[141] = 146;
    _table[156] = 13;
    _table[157] = 17;
    _table[181] = 111;
    _table[183] = 44;
    _table[184] = 18;
    _table[197] = 19;
    _table[199] = 36;
    _table[200] = 38;
    _table[201] = 33;
    _table[203] = 37;
    _table[205] = 39;
    _table[207] = 35;
    _table[208] = 40;
    _table[209] = 34;
    _table[210] = 45;
    _table[211] = 46;
    range(219, 221, 91);
    _table[223] = 95;
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

int TranslateKey(int dik_code, bool shift)
{
    const SDL_Scancode sc = static_cast<SDL_Scancode>(DikToScancode(dik_code));
    if (sc == SDL_SCANCODE_UNKNOWN) return 0;
    if (int c = FixedChar(sc)) return c;

    // The layout's unshifted key; the US layout when the layout gives nothing printable.
    int c = 0;
    const SDL_Keycode key = SDL_GetKeyFromScancode(sc);
    if (key >= 32 && key < 127)
        c = key;
    else if (key >= 0xA0 && key <= 0xFF)
        c = key;                                     // Latin-1 letters and signs of the layout
    if (c == 0) c = UsChar(sc, false);
    if (c == 0) return 0;

    // Caps Lock is on: letters are upper case unless shift is down.
    if (IsLatin1Lower(c)) return shift ? c : c - 0x20;
    if (IsLatin1Upper(c)) return shift ? c + 0x20 : c;
    return shift ? UsShift(c) : c;
}
