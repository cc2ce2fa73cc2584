#include "gui/gui_dialog.h"

#include "engine/core/engine_core.h"
#include "engine/base/engine_log.h"
#include "engine/sound/engine_soundqueue.h"
#include "engine/base/engine_xml.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>

namespace {
int g_panel_slide_speed = 23;
}

int GetPanelSlideSpeed() { return g_panel_slide_speed; }

void SetPanelSlideSpeed(int speed)
{
    // A slide that moves less than a pixel a frame would never arrive.
    if (speed < 1) GetLog().Warning("Warning: panel slide speed %d raised to 1.", speed);
    g_panel_slide_speed = std::max(1, speed);
}

// ---------------------------------------------------------------------------------------------
// CBaseDialog

CBaseDialog::CBaseDialog() = default;

CBaseDialog::CBaseDialog(IEventHolder* receiver) : _receiver(receiver) {}

CBaseDialog::~CBaseDialog()
{
    ClearControls();
    _render_list.Clear();
}

bool CBaseDialog::Load(const CXMLNode& node)
{
    _focused = -1;
    const bool loaded = LoadControls(node);
    _state = 0;
    return loaded;
}

bool CBaseDialog::LoadControls(const CXMLNode& node)
{
    if (!node.IsValid()) return false;
    VERIFY_SOFT(_controls.empty());
    const CXMLNodeList list = node.SelectNodes("Control");
    for (int i = 0; i < list.GetLength(); ++i) {
        CBaseControlPtr control;
        try {
            control = CreateControl(this, GetReceiver(), list.GetItem(i));
        } catch (const std::exception& e) {
            // A control that cannot be built is left out; the rest of the dialog still works.
            GetLog().Error("Error: control %d of the dialog skipped (%s).", i, e.what());
            continue;
        }
        if (!control) continue;
        const std::string& id = control->GetId();
        if (!id.empty() && _names.count(id)) {
            GetLog().Error("Error: duplicate control id '%s' in dialog, the later one is skipped.", id.c_str());
            continue;
        }
        _controls.push_back(control);
        if (!id.empty()) _names[id] = control;
    }
    return true;
}

void CBaseDialog::ClearControls()
{
    _controls.clear();
    _names.clear();
    _focused = -1;
}

void CBaseDialog::Show()
{
    if (_state & (dsOpening | dsShown)) return;
    _state = (_state | dsOpening) & ~uint32_t(dsClosing);
    OnShow(false);
}

void CBaseDialog::ShowModal()
{
    Show();
    SetModal(true);
    _result = 0;
    _focused = -1;
}

void CBaseDialog::Hide()
{
    if (!(_state & dsShown)) return;
    _state = (_state & ~uint32_t(dsShown | dsModal)) | dsClosing;
    OnHide(false);
}

void CBaseDialog::ShowImmediately()
{
    if (_state & dsShown) return;
    _state = (_state | dsShown) & ~uint32_t(dsOpening | dsClosing);
    OnShow(true);
}

void CBaseDialog::ShowModalImmediately()
{
    ShowImmediately();
    SetModal(true);
    _result = 0;
    _focused = -1;
}

void CBaseDialog::HideImmediately()
{
    if (!IsVisible()) return;
    _state &= ~uint32_t(dsOpening | dsClosing | dsShown | dsModal);
    OnHide(true);
}

void CBaseDialog::SetModal(bool modal) { SetStateBits(dsModal, modal); }

void CBaseDialog::FinishTransition()
{
    if (_state & dsOpening) _state = (_state & ~uint32_t(dsOpening)) | dsShown;
    else if (_state & dsClosing) _state &= ~uint32_t(dsClosing);
}

bool CBaseDialog::Process()
{
    if (!IsVisible()) return false;
    _render_list.BeginFrame();
    // A handler may hide the dialog, open a child or reload the controls: work on a copy and stop
    // handing out input as soon as the dialog no longer takes it.
    const std::vector<CBaseControlPtr> controls = _controls;
    auto takes_input = [this] { return (_state & dsShown) && (_state & dsModal); };
    if (takes_input()) {
        for (const CBaseControlPtr& c : controls) {
            if (!takes_input()) break;
            if (c->IsVisible() && c->IsEnabled()) c->ProcessInput();
        }
        OnProcessInput();
        _had_input = true;
    } else if (_had_input) {
        // Input stopped reaching the controls: presses in progress end without a click.
        for (const CBaseControlPtr& c : controls) c->CancelInput();
        _had_input = false;
    }
    OnProcessed();
    UpdateTransition();
    if (IsVisible()) {
        if (!(_state & dsRenderListHidden)) {
            _render_list.Draw();
            for (const CBaseControlPtr& c : controls) c->Update();
        }
        OnDraw();
        OnDrawEnd();
    }
    OnAfterProcess();
    return true;
}

void CBaseDialog::OnKey(int key)
{
    if (key == VK_LEFT_CODE || key == VK_UP_CODE) MoveFocus(-1);
    else if (key == VK_RIGHT_CODE || key == VK_DOWN_CODE) MoveFocus(+1);
}

bool CBaseDialog::MoveFocus(int direction)
{
    VERIFY_SOFT(abs(direction) == 1);
    const int count = int(_controls.size());
    if (count == 0 || direction == 0) return false;
    int i = _focused;
    for (int tries = 0; tries < count; ++tries) {
        i += direction;
        if (i < 0) i = count - 1;
        else if (i >= count) i = 0;
        const CBaseControlPtr& c = _controls[size_t(i)];
        if (c->IsVisible() && c->IsEnabled() && c->CanFocus()) {
            // The control that had the focus lets it go, so that a later return focuses it again.
            if (_focused >= 0 && _focused < count) _controls[size_t(_focused)]->SetFocus(false);
            c->SetFocus(true);
            _focused = i;
            return true;
        }
        if (i == _focused) break;
    }
    return false;
}

bool CBaseDialog::IsMouseOver() const
{
    if (!IsShown()) return false;
    return std::any_of(_controls.begin(), _controls.end(), [](const CBaseControlPtr& c) { return c->IsMouseOver(); });
}

CBaseControlPtr CBaseDialog::FindControl(const std::string& name) const
{
    const auto it = _names.find(name);
    return it == _names.end() ? nullptr : it->second;
}

CBaseControlPtr CBaseDialog::GetControl(const std::string& name) const
{
    CBaseControlPtr control = FindControl(name);
    if (!control) {
        GetLog().Error("Error: control '%s' not found in dialog!", name.c_str());
        throw std::runtime_error("Control not found");
    }
    return control;
}

void CBaseDialog::MoveBy(float dx, float dy)
{
    for (const CBaseControlPtr& c : _controls) c->SetPosition(c->GetX() + dx, c->GetY() + dy);
}

bool CBaseDialog::GetBounds(float& min_x, float& min_y, float& max_x, float& max_y) const
{
    min_x = min_y = max_x = max_y = 0.0f;
    if (_controls.empty()) return false;
    min_x = min_y = 1e30f;
    max_x = max_y = -1e30f;
    for (const CBaseControlPtr& c : _controls) {
        min_x = std::min(min_x, c->GetX());
        min_y = std::min(min_y, c->GetY());
        max_x = std::max(max_x, c->GetX() + c->GetWidth());
        max_y = std::max(max_y, c->GetY() + c->GetHeight());
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// CSlideableBaseDialog

bool CSlideableBaseDialog::Load(const CXMLNode& node)
{
    const bool loaded = CBaseDialog::Load(node);
    const float height = g_EngineCore ? float(g_EngineCore->GetScreenHeight()) : 600.0f;
    _motion = CSlideMotion();
    _motion.rest_y = height;
    _motion.speed = float(GetPanelSlideSpeed());
    SetSounds("int_panel_open", "int_panel_open");
    return loaded;
}

void CSlideableBaseDialog::SetSounds(const std::string& open, const std::string& close)
{
    _open_sound = open;
    _close_sound = close;
}

void CSlideableBaseDialog::SetSlide(float away_x, float away_y, float rest_x, float rest_y, float speed)
{
    _motion.away_x = away_x;
    _motion.away_y = away_y;
    _motion.rest_x = rest_x;
    _motion.rest_y = rest_y;
    _motion.speed = speed;
}

void CSlideableBaseDialog::OnShow(bool immediate)
{
    if (immediate) return;
    _pending_sound = _open_sound;
    _motion.x = _motion.away_x;
    _motion.y = _motion.away_y;
    _motion.target_x = _motion.rest_x;
    _motion.target_y = _motion.rest_y;
    _motion.moving = true;
}

void CSlideableBaseDialog::OnHide(bool immediate)
{
    if (immediate) {
        _motion.moving = false;
        return;
    }
    _pending_sound = _close_sound;
    _motion.x = _motion.rest_x;
    _motion.y = _motion.rest_y;
    _motion.target_x = _motion.away_x;
    _motion.target_y = _motion.away_y;
    _motion.moving = true;
}

void CSlideableBaseDialog::OnProcessed()
{
    if (_pending_sound.empty()) return;
    g_SoundQueue.QueueSound(_pending_sound);
    _pending_sound.clear();
}

void CSlideableBaseDialog::UpdateTransition()
{
    if (!_motion.moving) {
        FinishTransition();
        return;
    }
    if (!g_EngineCore) return;
    float cx = 0.0f, cy = 0.0f;
    g_EngineCore->GetScreenCenter(cx, cy);
    g_EngineCore->SetWorldTransform(0.0f, _motion.x - _motion.rest_x - cx, _motion.y - _motion.rest_y - cy);
}

void CSlideableBaseDialog::OnDrawEnd()
{
    if (!_motion.moving) return;
    if (g_EngineCore) {
        float cx = 0.0f, cy = 0.0f;
        g_EngineCore->GetScreenCenter(cx, cy);
        g_EngineCore->SetWorldTransform(0.0f, -cx, -cy);
    }
    const float dx = _motion.target_x - _motion.x, dy = _motion.target_y - _motion.y;
    const float remaining = std::sqrt(dx * dx + dy * dy);
    if (_motion.speed < remaining) {
        _motion.x += dx / remaining * _motion.speed;
        _motion.y += dy / remaining * _motion.speed;
    } else {
        _motion.moving = false;
    }
}

// ---------------------------------------------------------------------------------------------
// CMenuPageControl

CMenuPageControl::CMenuPageControl(IControlHolder* container, IEventHolder* events) : CBaseControl(container, events) {}

CMenuPageControl::~CMenuPageControl() = default;

bool CMenuPageControl::Load(const CXMLNode& node)
{
    CBaseControl::Load(node);
    _pages.clear();
    const CXMLNodeList list = node.SelectNodes("Page");
    for (int i = 0; i < list.GetLength(); ++i) {
        auto page = std::make_shared<CBaseDialog>(_events);
        page->Load(list.GetItem(i));
        _pages.push_back(Page{page, nullptr});
    }
    _current = 0;
    return true;
}

void CMenuPageControl::ProcessInput() { _input_this_frame = true; }

void CMenuPageControl::Update()
{
    // The page takes input only in the frames in which its owner hands input to the page control.
    const bool input = _input_this_frame;
    _input_this_frame = false;
    if (!_visible || _current >= _pages.size()) return;
    CBaseDialog& page = *_pages[_current].page;
    if (!page.IsShown()) page.ShowImmediately();
    page.SetModal(input && _enabled);
    page.Process();
}

bool CMenuPageControl::IsMouseOver() const
{
    return _current < _pages.size() && _pages[_current].page->IsMouseOver();
}

void CMenuPageControl::SetPosition(float x, float y) { Move(x - _x, y - _y); }

void CMenuPageControl::Move(float dx, float dy)
{
    CBaseControl::Move(dx, dy);
    for (const Page& p : _pages) p.page->MoveBy(dx, dy);
}

void CMenuPageControl::SetPage(size_t index)
{
    if (index == _current) return;
    if (index >= _pages.size()) {
        GetLog().Error("Error: invalid page index: %d! Pages total = %d", int(index), int(_pages.size()));
        return;
    }
    _current = index;
    if (auto panel = std::dynamic_pointer_cast<CMenuPanel>(_pages[index].page->FindControl("ID_PANEL"))) {
        panel->RestartAnimation();
        panel->SetFocus(true);
    }
}

void CMenuPageControl::OnClick(CBaseControl* control)
{
    for (size_t i = 0; i < _pages.size(); ++i)
        if (_pages[i].tab && _pages[i].tab.get() == control) SetPage(i);
}
