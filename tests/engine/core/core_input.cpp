// Input devices: edge states, mouse movement and buttons, keyboard queries, characters and the
// key tables. The devices read a raw state filled from SDL events, as the engine does each frame.
#include <gtest/gtest.h>

#include <cstring>

#include <set>

#include "core_test_util.h"
#include "engine/core/engine_input_internal.h"
#include "support/recording_engine.h"

using namespace coretest;

namespace {

class FakeCursor : public ICursor {
public:
    std::vector<std::string> calls;
    float x = -1, y = -1;
    bool inside = false;
    bool Select(const std::string& name) override { calls.push_back("Select " + name); return name == "default"; }
    void SetSoftwareCursor(bool) override { calls.push_back("Software"); }
    void ShowSystemCursor(bool show) override { calls.push_back(show ? "Show" : "Hide"); }
    void SetInside(bool in) override { inside = in; }
    void SetSpritePosition(float px, float py) override { x = px; y = py; }
    void Draw() override { calls.push_back("Draw"); }
    void Apply() override { calls.push_back("Apply"); }
};

class Input : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine.fullscreen = true;
        _old_screen = mouse.GetScreen();
        mouse.SetScreen(&engine);
        _old_mouse = mouse.GetController();
        _old_keyboard = keyboard.GetController();
        state.Acquire();
        mouse.SetController(&state);
        keyboard.SetController(&state);
        mouse.SetCursorService(nullptr);
        mouse.SetSensitivity(15);
        mouse.SetMargin(0);
        mouse.SetSwapButtons(false);
        mouse.SetPosition(400, 300);
        mouse.ResetButtons();
        keyboard.Reset();
    }
    void TearDown() override
    {
        mouse.SetCursorService(nullptr);
        mouse.SetController(_old_mouse);
        keyboard.SetController(_old_keyboard);
        mouse.SetScreen(_old_screen);
        mouse.ResetButtons();
        keyboard.Reset();
    }

    void Key(SDL_Scancode sc, bool down)
    {
        SDL_Event e {};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.keysym.scancode = sc;
        state.HandleEvent(e);
    }
    void Text(const char* utf8)
    {
        SDL_Event e {};
        e.type = SDL_TEXTINPUT;
        SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
        state.HandleEvent(e);
    }
    void Button(uint8_t b, bool down)
    {
        SDL_Event e {};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.button = b;
        state.HandleEvent(e);
    }
    void Motion(int x, int y, int dx, int dy)
    {
        SDL_Event e {};
        e.type = SDL_MOUSEMOTION;
        e.motion.x = x;
        e.motion.y = y;
        e.motion.xrel = dx;
        e.motion.yrel = dy;
        state.HandleEvent(e);
    }
    void Window(uint8_t what)
    {
        SDL_Event e {};
        e.type = SDL_WINDOWEVENT;
        e.window.event = what;
        state.HandleEvent(e);
    }
    void Update()
    {
        mouse.Update();
        keyboard.Update();
    }

    RecordingEngine engine;
    CDirectInputState state;
    CMouse& mouse = CMouse::Instance();
    CKeyboard& keyboard = CKeyboard::Instance();

private:
    IPointerScreen* _old_screen = nullptr;
    CDirectInputState* _old_mouse = nullptr;
    CDirectInputState* _old_keyboard = nullptr;
};

} // namespace

TEST(EdgeStates, FollowTheStepRule)
{
    struct Case { int previous; bool down; int next; } cases[] = {
        {ksUp, true, ksPressed}, {ksReleased, true, ksPressed}, {ksPressed, true, ksHeld}, {ksHeld, true, ksHeld},
        {ksHeld, false, ksReleased}, {ksPressed, false, ksReleased}, {ksReleased, false, ksUp}, {ksUp, false, ksUp},
    };
    for (const auto& c : cases) EXPECT_EQ(NextKeyState(c.previous, c.down), c.next);
}

TEST_F(Input, KeyHeldThreeFramesThenLetGo)
{
    std::vector<int> seen;
    Key(SDL_SCANCODE_SPACE, true);
    for (int i = 0; i < 3; ++i) { Update(); seen.push_back(keyboard.GetKeyState(DIK_SPACE)); }
    EXPECT_TRUE(keyboard.IsKeyDown(DIK_SPACE));
    EXPECT_FALSE(keyboard.IsKeyPressed(DIK_SPACE));
    Key(SDL_SCANCODE_SPACE, false);
    Update();
    seen.push_back(keyboard.GetKeyState(DIK_SPACE));
    EXPECT_TRUE(keyboard.IsKeyReleased(DIK_SPACE));
    EXPECT_TRUE(keyboard.IsKeyUp(DIK_SPACE));
    Update();
    seen.push_back(keyboard.GetKeyState(DIK_SPACE));
    EXPECT_EQ(seen, (std::vector<int>{8, 4, 4, 2, 1}));
    EXPECT_FALSE(keyboard.IsKeyDown(300));
    EXPECT_TRUE(keyboard.IsKeyUp(300));
    EXPECT_FALSE(keyboard.IsKeyDown(-1));
}

TEST_F(Input, PressedKeysAreTheLowestTenAndCapped)
{
    // 12 letter keys at once.
    const SDL_Scancode keys[] = {SDL_SCANCODE_Q, SDL_SCANCODE_W, SDL_SCANCODE_E, SDL_SCANCODE_R, SDL_SCANCODE_T,
                                 SDL_SCANCODE_Y, SDL_SCANCODE_A, SDL_SCANCODE_S, SDL_SCANCODE_D, SDL_SCANCODE_Z,
                                 SDL_SCANCODE_X, SDL_SCANCODE_C};
    for (auto k : keys) Key(k, true);
    Update();
    EXPECT_TRUE(keyboard.IsAnyKeyPressed());
    int codes[20];
    ASSERT_EQ(keyboard.GetPressedKeys(codes, 20), 10);
    EXPECT_EQ(std::vector<int>(codes, codes + 10), (std::vector<int>{16, 17, 18, 19, 20, 21, 30, 31, 32, 44}));
    EXPECT_EQ(keyboard.GetPressedKeys(codes, 3), 3);
    EXPECT_EQ(keyboard.GetPressedKeys(nullptr, 3), 0);
    EXPECT_EQ(keyboard.GetPressedKeys(codes, 0), 0);
    Update();
    EXPECT_EQ(keyboard.GetPressedKeys(codes, 20), 0) << "pressed only in the first frame";
    EXPECT_TRUE(keyboard.IsAnyKeyDown());
    EXPECT_FALSE(keyboard.IsAnyKeyPressed());
    for (auto k : keys) Key(k, false);
    Update();
}

TEST_F(Input, FocusLossReadsEveryKeyUp)
{
    SetIgnoreFocus(false);
    Key(SDL_SCANCODE_LEFT, true);
    Update();
    ASSERT_TRUE(keyboard.IsKeyDown(203));
    Window(SDL_WINDOWEVENT_FOCUS_LOST);
    Update();
    EXPECT_FALSE(keyboard.IsAnyKeyDown());
    EXPECT_FALSE(keyboard.IsKeyReleased(203)) << "a failed read resets to up";
    Window(SDL_WINDOWEVENT_FOCUS_GAINED);
    Key(SDL_SCANCODE_LEFT, true);
    Update();
    EXPECT_TRUE(keyboard.IsKeyPressed(203));
    Key(SDL_SCANCODE_LEFT, false);
}

// Typed characters are the text that text input gave for each key press (the layout, Shift, AltGr
// and dead keys are the system's business), converted to our 8-bit text, with Caps Lock counted
// as on. The key table adds only the control characters.
TEST_F(Input, TypedCharactersComeFromTextInputWithCapsLockOn)
{
    struct Press { SDL_Scancode key; const char* text; };     // text null: no text input for the press
    struct Case { const char* what; std::vector<Press> presses; bool shift; std::vector<int> chars; } cases[] = {
        {"a letter", {{SDL_SCANCODE_A, "a"}}, false, {'A'}},
        {"a letter with shift", {{SDL_SCANCODE_A, "A"}, }, true, {'a'}},
        {"a shifted digit of a French layout", {{SDL_SCANCODE_1, "1"}}, true, {'1'}},
        {"a German z on the US y key", {{SDL_SCANCODE_Y, "z"}}, false, {'Z'}},
        {"AltGr+e gives the euro sign", {{SDL_SCANCODE_E, "\xE2\x82\xAC"}}, false, {static_cast<signed char>(0x80)}},
        {"a dead key, then e", {{SDL_SCANCODE_LEFTBRACKET, nullptr}, {SDL_SCANCODE_E, "\xC3\xAA"}}, false,
         {static_cast<signed char>(0xCA)}},
        {"a letter outside our text", {{SDL_SCANCODE_F, "\xD0\xB0"}}, false, {}},
        {"two characters for one key", {{SDL_SCANCODE_E, "^e"}}, false, {}},
        {"an ascending order of keys", {{SDL_SCANCODE_SLASH, "-"}, {SDL_SCANCODE_1, "&"}}, false, {'&', '-'}},
        {"control keys from the table", {{SDL_SCANCODE_SPACE, " "}, {SDL_SCANCODE_BACKSPACE, nullptr}}, false,
         {8, ' '}},
        {"a key without text", {{SDL_SCANCODE_A, nullptr}}, false, {}},
        {"keys without characters", {{SDL_SCANCODE_F1, nullptr}, {SDL_SCANCODE_LEFT, nullptr}}, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.shift) Key(SDL_SCANCODE_LSHIFT, true);
        for (const Press& p : c.presses) {
            Key(p.key, true);
            if (p.text) Text(p.text);
        }
        Update();
        int chars[10];
        bool shift = !c.shift;
        const int n = keyboard.GetChar(chars, &shift, 10);
        EXPECT_EQ(std::vector<int>(chars, chars + n), c.chars);
        EXPECT_EQ(shift, c.shift);
        // The same characters key by key.
        std::vector<int> by_key;
        int codes[10];
        for (int i = 0, keys = keyboard.GetPressedKeys(codes, 10); i < keys; ++i) {
            char ch = 0;
            if (keyboard.GetChar(codes[i], ch)) by_key.push_back(static_cast<signed char>(ch));
        }
        EXPECT_EQ(by_key, c.chars);
        for (const Press& p : c.presses) Key(p.key, false);
        Key(SDL_SCANCODE_LSHIFT, false);
        Update();
        EXPECT_EQ(keyboard.GetChar(chars, nullptr, 10), 0) << "a character is typed once";
        Update();
    }
    int chars[4];
    EXPECT_EQ(keyboard.GetChar(nullptr, nullptr, 4), 0);
    EXPECT_EQ(keyboard.GetChar(chars, nullptr, 0), 0);
    char ch = 0;
    EXPECT_FALSE(keyboard.GetChar(300, ch));

    // Text that no key press brought (an input method's composition) types nothing.
    Text("x");
    Key(SDL_SCANCODE_X, true);
    Update();
    EXPECT_EQ(keyboard.GetChar(chars, nullptr, 4), 0);
    Key(SDL_SCANCODE_X, false);
    Update();
}

// Typed text comes from the system's text input, converted to the game's Windows-1252 text, and
// belongs to the frame it was typed in.
TEST_F(Input, TypedTextArrivesAsWindows1252ForOneFrame)
{
    auto type = [&](const char* utf8) {
        SDL_Event e {};
        e.type = SDL_TEXTINPUT;
        std::strncpy(e.text.text, utf8, sizeof(e.text.text) - 1);
        state.HandleEvent(e);
    };
    type("Zo\xC3\xAB");        // an e with diaeresis
    type("\xE2\x82\xAC");     // the euro sign
    type("\xE4\xB8\xAD");     // a character without a Windows-1252 form
    Update();
    EXPECT_EQ(keyboard.GetTypedText(), "Zo\xEB\x80?");
    Update();
    EXPECT_EQ(keyboard.GetTypedText(), "");
    type("x");
    state.Unacquire();
    type("y");
    state.Acquire();
    type("z");
    Update();
    EXPECT_EQ(keyboard.GetTypedText(), "z") << "losing the keyboard drops what was typed, as it drops the keys";
    keyboard.Reset();
    EXPECT_EQ(keyboard.GetTypedText(), "");
}

TEST_F(Input, FullScreenMovementIsScaledBySensitivity)
{
    struct Case { int sensitivity, device, moved; } cases[] = {
        {15, 3, 4}, {15, -3, -4}, {10, 7, 7}, {1, 5, 0}, {20, -1, -2},
    };
    for (const auto& c : cases) {
        mouse.SetPosition(400, 300);
        mouse.SetSensitivity(c.sensitivity);
        Motion(0, 0, c.device, c.device);
        Update();
        EXPECT_EQ(mouse.GetX(), 400 + c.moved) << c.sensitivity << " x " << c.device;
        EXPECT_EQ(mouse.GetY(), 300 + c.moved);
        EXPECT_EQ(mouse.GetDeltaX(), c.moved);
        EXPECT_EQ(mouse.IsMoved(), c.moved != 0);
    }
    mouse.SetSensitivity(0);
    EXPECT_EQ(mouse.GetSensitivity(), 1);
    mouse.SetSensitivity(-7);
    EXPECT_EQ(mouse.GetSensitivity(), 1);
}

TEST_F(Input, PositionIsClampedToTheScreenWidenedByTheMargin)
{
    struct Case { int margin; int dx, dy; int x, y; } cases[] = {
        {0, 10000, 10000, 800, 600}, {0, -10000, -10000, 0, 0}, {10, 10000, -10000, 810, -10}, {-5, -10000, 10000, 0, 600},
    };
    mouse.SetSensitivity(10);
    for (const auto& c : cases) {
        mouse.SetMargin(c.margin);
        mouse.SetPosition(400, 300);
        Motion(0, 0, c.dx, c.dy);
        Update();
        EXPECT_EQ(mouse.GetX(), c.x) << "margin " << c.margin;
        EXPECT_EQ(mouse.GetY(), c.y);
        EXPECT_TRUE(mouse.IsInsideWindow()) << "always inside in full screen";
    }
}

TEST_F(Input, WindowedPositionFollowsThePointerAndStopsAtTheEdge)
{
    engine.fullscreen = false;
    FakeCursor cursor;
    mouse.SetCursorService(&cursor);
    Window(SDL_WINDOWEVENT_ENTER);
    Motion(120, 80, 5, 5);
    Update();
    EXPECT_EQ(mouse.GetX(), 120);
    EXPECT_EQ(mouse.GetY(), 80);
    EXPECT_TRUE(mouse.IsInsideWindow());
    EXPECT_EQ(cursor.x, 120.0f);
    EXPECT_EQ(cursor.y, 80.0f);

    // Out past the right edge: held at the edge, no longer inside.
    Motion(950, 90, 830, 10);
    Window(SDL_WINDOWEVENT_LEAVE);
    Update();
    EXPECT_EQ(mouse.GetX(), 800);
    EXPECT_EQ(mouse.GetY(), 90);
    EXPECT_FALSE(mouse.IsInsideWindow());
    EXPECT_FALSE(cursor.inside);

    // Back in: the position jumps to the pointer.
    Window(SDL_WINDOWEVENT_ENTER);
    Motion(300, 200, -650, 110);
    Update();
    EXPECT_EQ(mouse.GetX(), 300);
    EXPECT_EQ(mouse.GetY(), 200);
    EXPECT_TRUE(mouse.IsInsideWindow());
    EXPECT_TRUE(cursor.inside);

    // Placing the pointer moves the system pointer through the screen, only to a spot on it.
    engine.warps.clear();
    mouse.SetPosition(250, 150);
    mouse.SetPosition(-5, 10);
    EXPECT_EQ(engine.warps, (std::vector<std::pair<int, int>>{{250, 150}}));
}

TEST_F(Input, ButtonsWithSwapConsumeAndReset)
{
    Button(SDL_BUTTON_RIGHT, true);
    Update();
    EXPECT_TRUE(mouse.IsButtonPressed(1));
    EXPECT_FALSE(mouse.IsButtonDown(0));
    EXPECT_TRUE(mouse.IsAnyButtonPressed());
    mouse.SetSwapButtons(true);
    EXPECT_TRUE(mouse.IsButtonDown(0)) << "swapped: button 0 is the right one";
    EXPECT_FALSE(mouse.IsButtonDown(1));
    mouse.SetSwapButtons(false);
    EXPECT_FALSE(mouse.IsButtonDown(3));
    EXPECT_FALSE(mouse.CheckButton(0));

    mouse.ConsumeEvents();
    EXPECT_TRUE(mouse.IsButtonDown(1));
    EXPECT_FALSE(mouse.IsAnyButtonPressed());
    Button(SDL_BUTTON_RIGHT, false);
    Update();
    EXPECT_TRUE(mouse.IsButtonReleased(1));
    mouse.ConsumeEvents();
    EXPECT_EQ(mouse.GetButtonState(1), ksUp);

    Button(SDL_BUTTON_MIDDLE, true);
    Update();
    EXPECT_TRUE(mouse.IsButtonDown(2));
    EXPECT_TRUE(mouse.IsAnyButtonDown());
    mouse.ResetButtons();
    EXPECT_FALSE(mouse.IsAnyButtonDown());
    Update();
    EXPECT_TRUE(mouse.IsButtonPressed(2)) << "still held on the device: pressed again after a reset";
    Button(SDL_BUTTON_MIDDLE, false);
    Update();
}

TEST_F(Input, WheelCountsOneHundredTwentyPerNotch)
{
    const int start = mouse.GetWheel();
    SDL_Event e {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = 1;
    state.HandleEvent(e);
    Update();
    EXPECT_EQ(mouse.GetWheelDelta(), 120);
    e.wheel.y = -2;
    state.HandleEvent(e);
    Update();
    EXPECT_EQ(mouse.GetWheelDelta(), -240);
    e.wheel.y = 1;
    e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    state.HandleEvent(e);
    Update();
    EXPECT_EQ(mouse.GetWheelDelta(), -120);
    Update();
    EXPECT_EQ(mouse.GetWheelDelta(), 0);
    EXPECT_EQ(mouse.GetWheel(), start - 240);
}

TEST_F(Input, CursorOperationsGoToTheCursorService)
{
    EXPECT_FALSE(mouse.SelectCursor("default")) << "no cursor service yet";
    mouse.DrawCursor();
    FakeCursor cursor;
    mouse.SetCursorService(&cursor);
    EXPECT_TRUE(mouse.SelectCursor("default"));
    EXPECT_FALSE(mouse.SelectCursor("nothing"));
    mouse.ShowSystemCursor(false);
    mouse.DrawCursor();
    mouse.ApplyCursor();
    mouse.SetPosition(33, 44);
    EXPECT_EQ(cursor.calls, (std::vector<std::string>{"Select default", "Select nothing", "Hide", "Draw", "Apply"}));
    EXPECT_EQ(cursor.x, 33.0f);
    EXPECT_EQ(cursor.y, 44.0f);
    EXPECT_TRUE(cursor.inside);
}

TEST_F(Input, ReadsNothingWithoutAController)
{
    Button(SDL_BUTTON_LEFT, true);
    Key(SDL_SCANCODE_A, true);
    Update();
    ASSERT_TRUE(mouse.IsButtonDown(0));
    mouse.SetController(nullptr);
    keyboard.SetController(nullptr);
    Update();
    EXPECT_FALSE(mouse.IsAnyButtonDown());
    EXPECT_FALSE(keyboard.IsAnyKeyDown());
    Button(SDL_BUTTON_LEFT, false);
    Key(SDL_SCANCODE_A, false);
}

TEST(KeyTables, VirtualKeysFollowTheTable)
{
    const CDik2Vk& t = CDik2Vk::Instance();
    struct Case { int code, vk; } cases[] = {
        {1, 27}, {2, 49}, {10, 57}, {11, 48}, {14, 8}, {16, 81}, {25, 80}, {28, 13}, {30, 65}, {33, 70},
        {38, 76}, {44, 90}, {50, 77}, {54, 16}, {57, 32}, {59, 112}, {68, 121}, {71, 103}, {79, 97}, {82, 96},
        {86, 226}, {87, 122}, {100, 124}, {141, 146}, {156, 13}, {183, 44}, {184, 18}, {197, 19}, {211, 46},
        {219, 91}, {221, 93}, {223, 95}, {0, 0}, {84, 0}, {222, 0}, {255, 0}, {256, 0}, {-1, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(t[c.code], c.vk) << "code " << c.code;
}

TEST(KeyTables, EveryKeyWithAVirtualKeyHasAnSdlScancode)
{
    const CDik2Vk& t = CDik2Vk::Instance();
    std::set<int> scancodes;
    for (int code = 1; code < 256; ++code) {
        if (!t[code]) continue;
        const int sc = DikToScancode(code);
        EXPECT_NE(sc, 0) << "code " << code;
        EXPECT_EQ(ScancodeToDik(sc), code);
        EXPECT_TRUE(scancodes.insert(sc).second) << "scancode used twice: " << sc;
    }
    // Letters and digits agree with the keys' virtual keys.
    for (int i = 0; i < 26; ++i)
        EXPECT_EQ(t[ScancodeToDik(SDL_SCANCODE_A + i)], 'A' + i);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(t[ScancodeToDik(SDL_SCANCODE_1 + i)], '1' + i);
    EXPECT_EQ(ScancodeToDik(SDL_SCANCODE_PRINTSCREEN), DIK_SYSRQ);
    EXPECT_EQ(ScancodeToDik(SDL_SCANCODE_RALT), DIK_RMENU);
    EXPECT_EQ(ScancodeToDik(0), 0);
    EXPECT_EQ(ScancodeToDik(SDL_NUM_SCANCODES), 0);
}

TEST(Joystick, IsNeverAttachedAndReadsNothing)
{
    CJoystick& j = CJoystick::Instance();
    j.Update();
    EXPECT_FALSE(j.IsAttached());
    EXPECT_EQ(j.GetAxisX(), 0);
    EXPECT_FALSE(j.CheckButton(10));
}
