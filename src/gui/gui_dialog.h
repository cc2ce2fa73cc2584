// Dialogs: the containers of every screen element. A dialog loads its controls from one element of
// a layout file, shows and hides itself through a small state machine, passes input to its controls
// only while shown and modal, moves the keyboard focus among them, receives their events and leaves
// a result code for its scene. Sliding dialogs move in from above and out again; page controls hold
// small dialogs as pages.
#pragma once

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/render/engine_render.h"
#include "gui/gui_controls.h"

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class CXMLNode;

// Pixels per frame a sliding dialog moves: 23 until the game configuration is applied; at least 1.
int GetPanelSlideSpeed();
void SetPanelSlideSpeed(int speed);

enum DialogState {
    dsOpening = 4,
    dsClosing = 8,
    dsShown = 16,
    dsModal = 32,
    dsRenderListHidden = 256,
};

class CBaseDialog : public IEventHolder, public IControlHolder, private siv::noncopyable {
public:
    CBaseDialog();
    // Controls send their events to the receiver (the dialog itself when null).
    explicit CBaseDialog(IEventHolder* receiver);
    ~CBaseDialog() override;

    using IEventHolder::OnKey;

    virtual void OnShow(bool /*immediate*/) {}
    virtual void OnHide(bool /*immediate*/) {}
    virtual void UpdateTransition() { FinishTransition(); }
    virtual void OnDraw() {}
    virtual void OnDrawEnd() {}
    virtual void OnProcessInput() {}
    virtual void OnAfterProcess() {}
    virtual bool Load(const CXMLNode& node);
    virtual void ClearControls();
    virtual void Reserved() {}
    virtual void Show();
    virtual void ShowModal();
    virtual void Hide();
    virtual void ShowImmediately();
    virtual void ShowModalImmediately();
    virtual void HideImmediately();
    virtual void SetModal(bool modal);
    virtual void OnProcessed() {}
    // Focus movement by the arrow keys (virtual-key codes).
    virtual void OnKey(int key);
    virtual bool IsMouseOver() const;

    // The dialog's whole frame: input, transition, drawing. False (and nothing done) while hidden.
    bool Process();
    CBaseControlPtr FindControl(const std::string& name) const;
    // Logs and throws "Control not found" for an absent id.
    CBaseControlPtr GetControl(const std::string& name) const;
    // Also logs and throws "Bad control cast" for a control of another class.
    template <class T>
    std::shared_ptr<T> GetControl(const std::string& name) const;
    bool MoveFocus(int direction);
    void MoveBy(float dx, float dy);
    // The box around all controls; false (zeros) without controls.
    bool GetBounds(float& min_x, float& min_y, float& max_x, float& max_y) const;
    bool LoadControls(const CXMLNode& node);
    void FinishTransition();

    CRenderKeeper& GetRenderList() override { return _render_list; }

    uint32_t GetState() const { return _state; }
    void SetStateBits(uint32_t bits, bool on) { _state = on ? (_state | bits) : (_state & ~bits); }
    bool IsShown() const { return (_state & dsShown) != 0; }
    bool IsModal() const { return (_state & dsModal) != 0; }
    // Opening, closing or shown.
    bool IsVisible() const { return (_state & (dsOpening | dsClosing | dsShown)) != 0; }
    int GetResult() const { return _result; }
    void SetResult(int result) { _result = result; }
    int GetFocused() const { return _focused; }
    const std::vector<CBaseControlPtr>& GetControls() const { return _controls; }
    IEventHolder* GetReceiver() { return _receiver ? _receiver : this; }

protected:
    std::vector<CBaseControlPtr> _controls;
    std::map<std::string, CBaseControlPtr> _names;
    CRenderKeeper _render_list;
    uint32_t _state = 0;
    IEventHolder* _receiver = nullptr;
    int _result = 0;
    int _focused = -1;

private:
    bool _had_input = false;
};

template <class T>
std::shared_ptr<T> CBaseDialog::GetControl(const std::string& name) const
{
    std::shared_ptr<T> control = std::dynamic_pointer_cast<T>(GetControl(name));
    if (!control) {
        GetLog().Error("Error: control '%s' has different type!", name.c_str());
        throw std::runtime_error("Bad control cast");
    }
    return control;
}

// A dialog whose animated show and hide slide it between its place and one screen height above,
// with an open and a close sound; its controls stay where they are and the world transform moves
// the drawing.
class CSlideableBaseDialog : public CBaseDialog {
public:
    struct CSlideMotion {
        float away_x = 0.0f, away_y = 0.0f;
        float rest_x = 0.0f, rest_y = 0.0f;
        float speed = 1.0f;
        float x = 0.0f, y = 0.0f;
        float target_x = 0.0f, target_y = 0.0f;
        bool moving = false;
    };

    using CBaseDialog::CBaseDialog;

    void OnShow(bool immediate) override;
    void OnHide(bool immediate) override;
    void UpdateTransition() override;
    void OnDrawEnd() override;
    bool Load(const CXMLNode& node) override;
    void OnProcessed() override;

    void SetSounds(const std::string& open, const std::string& close);
    // The points an animated show slides from (away) and to (rest) and the pixels per frame;
    // derived dialogs call it after loading to slide their own way.
    void SetSlide(float away_x, float away_y, float rest_x, float rest_y, float speed);
    const CSlideMotion& GetMotion() const { return _motion; }

private:
    CSlideMotion _motion;
    std::string _open_sound;
    std::string _close_sound;
    std::string _pending_sound;
};

// Several pages, each a small dialog from a "Page" child; exactly one, the current page, is shown,
// run and drawn. The pages' controls report to the page control's own receiver.
class CMenuPageControl : public CBaseControl, public IEventHolder {
public:
    struct Page {
        std::shared_ptr<CBaseDialog> page;
        CBaseControlPtr tab;
    };

    CMenuPageControl(IControlHolder* container, IEventHolder* events);
    ~CMenuPageControl() override;

    bool Load(const CXMLNode& node) override;
    void ProcessInput() override;
    void Update() override;
    bool IsMouseOver() const override;
    void SetPosition(float x, float y) override;
    void Move(float dx, float dy) override;

    void SetPage(size_t index);
    size_t GetPage() const { return _current; }
    const std::vector<Page>& GetPages() const { return _pages; }

    // IEventHolder: a bound tab control switches to its page.
    void OnClick(CBaseControl* control) override;

private:
    std::vector<Page> _pages;
    size_t _current = 0;
    bool _input_this_frame = false;
};
