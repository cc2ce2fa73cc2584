// Helpers of the toolkit tests: a scripted mouse and keyboard installed as the engine's devices, a
// receiver that writes down every event, a small control catalogue and controls built from XML
// snippets. The recording engine stands in for the engine core; nothing needs a window.
#pragma once

#include "engine/core/engine_input.h"
#include "engine/sound/engine_sound.h"
#include "engine/base/engine_xml.h"
#include "support/recording_engine.h"
#include "support/recording_sound_keeper.h"
#include "gui/gui_controls.h"
#include "gui/gui_dialog.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace guitest {

using zftest::LogWatch;

class FakeMouse : public IMouse {
public:
    int x = 0, y = 0, wheel_delta = 0;
    int buttons[3] = {ksUp, ksUp, ksUp};
    std::vector<std::pair<int, int>> warps;

    // One frame of input: the left button's raw state and the pointer.
    void Frame(int px, int py, bool left_down, int wheel = 0)
    {
        x = px;
        y = py;
        buttons[0] = NextKeyState(buttons[0], left_down);
        wheel_delta = wheel;
    }

    void Update() override {}
    void ConsumeEvents() override {}
    void SetPosition(int px, int py) override { x = px; y = py; warps.emplace_back(px, py); }
    void SetMargin(int) override {}
    int GetX() const override { return x; }
    int GetY() const override { return y; }
    int GetWheel() const override { return 0; }
    int GetDeltaX() const override { return 0; }
    int GetDeltaY() const override { return 0; }
    int GetWheelDelta() const override { return wheel_delta; }
    bool IsMoved() const override { return false; }
    void SetSensitivity(int) override {}
    int GetSensitivity() const override { return 15; }
    void ResetButtons() override { for (int& b : buttons) b = ksUp; }
    void SetSwapButtons(bool) override {}
    bool IsButtonDown(int b) const override { return b >= 0 && b < 3 && (buttons[b] == ksHeld || buttons[b] == ksPressed); }
    bool IsButtonPressed(int b) const override { return b >= 0 && b < 3 && buttons[b] == ksPressed; }
    bool IsButtonReleased(int b) const override { return b >= 0 && b < 3 && buttons[b] == ksReleased; }
    bool IsAnyButtonDown() const override { return IsButtonDown(0) || IsButtonDown(1) || IsButtonDown(2); }
    bool IsAnyButtonPressed() const override { return IsButtonPressed(0) || IsButtonPressed(1) || IsButtonPressed(2); }
    bool CheckButton(int) const override { return false; }
    bool SelectCursor(const std::string&) override { return true; }
    void SetSoftwareCursor(bool) override {}
    void ShowSystemCursor(bool) override {}
    bool IsInsideWindow() const override { return true; }
    void DrawCursor() override {}
    void ApplyCursor() override {}
};

class FakeKeyboard : public IKeyboard {
public:
    int keys[256];
    std::string typed;

    FakeKeyboard() { Reset(); }
    // One frame: the keys held down (DirectInput codes) and the text typed.
    void Frame(const std::vector<int>& down, const std::string& text = std::string())
    {
        bool raw[256] = {};
        for (int k : down) raw[k] = true;
        for (int i = 0; i < 256; ++i) keys[i] = NextKeyState(keys[i], raw[i]);
        typed = text;
    }

    void Update() override {}
    void Reset() override { for (int& k : keys) k = ksUp; typed.clear(); }
    bool IsKeyDown(int c) const override { return c >= 0 && c < 256 && (keys[c] == ksHeld || keys[c] == ksPressed); }
    bool IsKeyPressed(int c) const override { return c >= 0 && c < 256 && keys[c] == ksPressed; }
    bool IsKeyUp(int c) const override { return !IsKeyDown(c); }
    bool IsKeyReleased(int c) const override { return c >= 0 && c < 256 && keys[c] == ksReleased; }
    bool IsAnyKeyDown() const override { for (int k : keys) if (k == ksHeld || k == ksPressed) return true; return false; }
    bool IsAnyKeyPressed() const override { for (int k : keys) if (k == ksPressed) return true; return false; }
    int GetPressedKeys(int* codes, int capacity) const override
    {
        int n = 0;
        for (int i = 0; i < 256 && n < capacity && n < 10; ++i)
            if (keys[i] == ksPressed) codes[n++] = i;
        return n;
    }
    int GetChar(int*, bool*, int) const override { return 0; }
    bool GetChar(int, char&) const override { return false; }
    std::string GetTypedText() const override { return typed; }
};

// DirectInput codes used by the tests.
enum { kBack = 14, kEnter = 28, kSpace = 57, kKeyA = 30 };

// The fakes installed as the engine's devices, a recording engine core and sound keeper, and the
// catalogue read from the test text; all put back at the end of the scope.
class GuiEnvironment {
public:
    explicit GuiEnvironment(const std::string& catalogue);
    ~GuiEnvironment();

    FakeMouse mouse;
    FakeKeyboard keyboard;
    RecordingEngine engine;
    CRecordingSoundKeeper sound;

private:
    IMouse* _old_mouse;
    IKeyboard* _old_keyboard;
    ISoundKeeper* _old_sound;
};

// A small catalogue with every section (textures need not exist: nothing is uploaded).
extern const char* const kCatalogue;

// Writes down every event as "<event> <id>[ <detail>]".
class RecordingReceiver : public IEventHolder {
public:
    std::vector<std::string> events;
    void OnMouseEnter(CBaseControl* c) override { Add("enter", c); }
    void OnMouseLeave(CBaseControl* c) override { Add("leave", c); }
    void OnClick(CBaseControl* c) override { Add("click", c); }
    void OnPress(CBaseControl* c) override { Add("press", c); }
    void OnRelease(CBaseControl* c) override { Add("release", c); }
    void OnChange(CBaseControl* c) override { Add("change", c); }
    void OnKey(CBaseControl* c, int& key) override
    {
        Add("key", c, std::to_string(key));
        auto it = rewrite.find(key);
        if (it != rewrite.end()) key = it->second;
    }
    void OnChar(CBaseControl* c, char ch) override { Add("char", c, std::string(1, ch)); }
    void OnSelect(CBaseControl* c, int i) override { Add("select", c, std::to_string(i)); }
    void OnItemActivate(CBaseControl* c, int i) override { Add("activate", c, std::to_string(i)); }
    std::vector<std::string> Take() { auto e = std::move(events); events.clear(); return e; }
    std::map<int, int> rewrite;   // key codes OnKey changes

private:
    void Add(const char* what, CBaseControl* c, const std::string& detail = std::string())
    {
        std::string line = std::string(what) + " " + (c ? c->GetId() : std::string("?"));
        if (!detail.empty()) line += " " + detail;
        events.push_back(line);
    }
};

// A holder with a render list of its own.
class TestHolder : public IControlHolder {
public:
    CRenderKeeper& GetRenderList() override { return list; }
    CRenderKeeper list;
};

// The first "Control" element of the text.
CXMLNode ControlNode(const std::string& xml);
// The first element of the path in the text.
CXMLNode Node(const std::string& xml, const std::string& path);

// A control built by the factory from a snippet.
template <class T>
std::shared_ptr<T> Make(const std::string& xml, IEventHolder* receiver, IControlHolder* holder = nullptr)
{
    static TestHolder fallback;
    auto control = std::dynamic_pointer_cast<T>(CreateControl(holder ? holder : &fallback, receiver, ControlNode(xml)));
    EXPECT_TRUE(control) << xml;
    return control;
}

} // namespace guitest
