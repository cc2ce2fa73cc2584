#include "game/game_panels.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_core.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_render.h"
#include "engine/sound/engine_soundqueue.h"
#include "field/chain/field_gamefield.h"
#include "field/field_services.h"
#include "gui/gui_controls.h"
#include "gui/gui_indicators.h"

#include <algorithm>

namespace {

// Where each panel rests when shown (from its place while hidden) and how fast it slides there.
constexpr float kTopPanelRestY = 80.0f;
constexpr float kTopPanelSpeed = 2.0f;
constexpr float kTimerPanelRestX = -200.0f;
constexpr float kTimerPanelSpeed = 4.0f;
constexpr float kMoverPanelRestX = -500.0f;
constexpr float kMoverPanelSpeed = 6.0f;

constexpr int kBlinkDelay = 20;
constexpr int kBlinkToggles = 3;

constexpr float kExplosionFall = 1.0f;
constexpr float kFastExplosionFall = 3.0f;

constexpr int kFlashFadeFrom = 255;
constexpr int kFlashFadeStep = 10;
constexpr int kFlashFadeTo = 5;
constexpr float kFlashGrowth = 3.0f;

void SetUpPanelSlide(CSlideableBaseDialog& panel, float rest_x, float rest_y, float speed)
{
    panel.SetSlide(0.0f, 0.0f, rest_x, rest_y, speed);
    panel.SetSounds("panel_up", "panel_down");
}

std::shared_ptr<CSprite> MakeSprite(float x, float y, const GraphicsDesc& desc)
{
    auto sprite = std::make_shared<CSprite>();
    sprite->Init(x, y, desc);
    return sprite;
}

// The danger look of a top panel follows the request only while the scene plays.
bool DangerAllowed(bool on)
{
    return on && FieldSceneState() == IFieldScene::kPlaying;
}

} // namespace

// ---- CPanelIndicators

void CPanelIndicators::Load(const CXMLNode& panel_node)
{
    VERIFY(_indicators.empty());
    const CXMLNodeList nodes = panel_node.SelectNodes("Indicator");
    for (int i = 0; i < nodes.GetLength(); ++i) {
        auto indicator = std::make_shared<CGameIndicator>();
        indicator->Load(nodes.GetItem(i));
        _indicators.push_back(std::move(indicator));
    }
}

void CPanelIndicators::Draw()
{
    for (const auto& indicator : _indicators) indicator->Draw();
}

// ---- CLifeIcon

CLifeIcon::CLifeIcon() = default;
CLifeIcon::~CLifeIcon() = default;

void CLifeIcon::Load(const std::string& common_file)
{
    const CXMLFile file(common_file);
    const auto make = [](const CXMLNode& node) {
        GraphicsDesc desc;
        ReadGraphics(node, desc);
        return MakeSprite(node.GetFloatAttribute("left"), node.GetFloatAttribute("top"), desc);
    };
    const CXMLNode normal_node = file.SelectSingleNode("//Common/Life/Normal");
    VERIFY(normal_node.IsValid());
    const CXMLNode add_life_node = file.SelectSingleNode("//Common/Life/AddLife");
    VERIFY(add_life_node.IsValid());
    const CXMLNode danger_node = file.SelectSingleNode("//Common/Life/Danger");
    VERIFY(danger_node.IsValid());
    _normal = make(normal_node);
    _add_life = make(add_life_node);
    _danger_sprite = make(danger_node);
    _danger = false;
    _adding = false;
}

CLifeIcon::ELook CLifeIcon::GetLook() const
{
    if (_adding) return liAddLife;
    return _danger ? liDanger : liNormal;
}

CSprite* CLifeIcon::GetSprite(ELook look) const
{
    switch (look) {
    case liAddLife: return _add_life.get();
    case liDanger: return _danger_sprite.get();
    default: return _normal.get();
    }
}

void CLifeIcon::Draw()
{
    if (CSprite* sprite = GetSprite(GetLook())) sprite->Draw();
}

void CLifeIcon::Update()
{
    if (_adding && !(_add_life && _add_life->IsPlaying())) _adding = false;
}

void CLifeIcon::PlayAddLife()
{
    _adding = true;
    if (_add_life) _add_life->PlayAnimation(1);
}

// ---- CGameTopPanel

CGameTopPanel::CGameTopPanel() = default;
CGameTopPanel::~CGameTopPanel() = default;

bool CGameTopPanel::Load(const CXMLNode& node)
{
    const bool loaded = CSlideableBaseDialog::Load(node);
    SetUpPanelSlide(*this, 0.0f, kTopPanelRestY, kTopPanelSpeed);
    _indicators.Load(node);
    _life.Load();
    return loaded;
}

bool CGameTopPanel::FieldAllowsClick() const
{
    // An armed bonus waits for its cell and holds nothing back; everything else the field does does.
    return !_field || _field->AcceptsPanelClick();
}

void CGameTopPanel::OnClick(CBaseControl* control)
{
    if (!control || !IsShown() || !FieldAllowsClick()) return;
    if (control->GetId() == "ID_MENU")
        SetResult(trMenu);
    else if (control->GetId() == "ID_RELAX")
        SetResult(trRelax);
}

void CGameTopPanel::OnDraw()
{
    _life.Draw();
    _indicators.Draw();
    _life.Update();
}

void CGameTopPanel::OnDrawEnd()
{
    CSlideableBaseDialog::OnDrawEnd();
    UpdateBlink();
}

void CGameTopPanel::SetDanger(bool on)
{
    _life.SetDanger(DangerAllowed(on));
}

void CGameTopPanel::StartBlink(bool money, bool staff, bool food)
{
    _blink_active = true;
    _blink_delay = kBlinkDelay;
    _blink_money = money;
    _blink_staff = staff;
    _blink_food = food;
    _money_state = _staff_state = _food_state = 0;
    _blink_toggles = kBlinkToggles;
}

void CGameTopPanel::StopBlink()
{
    _blink_money = _blink_staff = _blink_food = false;
    _money_state = _staff_state = _food_state = 0;
    _blink_toggles = 0;
}

void CGameTopPanel::UpdateBlink()
{
    if (_blink_active && _blink_delay > 0) --_blink_delay;
    if (_blink_toggles > 0 && _blink_active && _blink_delay == 0) {
        --_blink_toggles;
        if (_blink_money) _money_state ^= 1;
        if (_blink_staff) _staff_state ^= 1;
        if (_blink_food) _food_state ^= 1;
        _blink_delay = kBlinkDelay;
    }
}

int CGameTopPanel::GetBlinkState(int resource_type) const
{
    switch (resource_type) {
    case 1: return _money_state;
    case 2: return _staff_state;
    case 3: return _food_state;
    default: return 0;
    }
}

// ---- CGameBonusTopPanel

CGameBonusTopPanel::CGameBonusTopPanel() = default;
CGameBonusTopPanel::~CGameBonusTopPanel() = default;

bool CGameBonusTopPanel::Load(const CXMLNode& node)
{
    const bool loaded = CSlideableBaseDialog::Load(node);
    SetUpPanelSlide(*this, 0.0f, kTopPanelRestY, kTopPanelSpeed);
    _indicators.Load(node);
    _life.Load();
    return loaded;
}

void CGameBonusTopPanel::OnClick(CBaseControl* control)
{
    if (!control || !IsShown()) return;
    if (control->GetId() == "ID_MENU")
        SetResult(CGameTopPanel::trMenu);
    else if (control->GetId() == "ID_RELAX")
        SetResult(CGameTopPanel::trRelax);
}

void CGameBonusTopPanel::OnDraw()
{
    _life.Draw();
    _indicators.Draw();
    _life.Update();
}

void CGameBonusTopPanel::SetDanger(bool on)
{
    _life.SetDanger(DangerAllowed(on));
}

// ---- The timer's views

void CProgressBarView::SetMinPos(int v)
{
    if (_bar) _bar->SetMinPos(v);
}

void CProgressBarView::SetMaxPos(int v)
{
    if (_bar) _bar->SetMaxPos(v);
}

void CProgressBarView::SetPos(int v)
{
    if (_bar) _bar->SetPos(v);
}

void CProgressBarView::GetTipPosition(float& x, float& y) const
{
    x = y = 0.0f;
    if (_bar) _bar->GetTipPosition(x, y);
}

void CControlWarningView::SetVisible(bool visible)
{
    if (_control) _control->SetVisible(visible);
}

bool CControlWarningView::IsVisible() const
{
    return _control && _control->IsVisible();
}

void CImageWarningView::SetVisible(bool visible)
{
    if (_image) _image->SetVisible(visible);
}

bool CImageWarningView::IsVisible() const
{
    return _image && _image->IsVisible();
}

void CImageWarningView::StartAnimation()
{
    if (_image) _image->StartAnimation();
}

void CImageWarningView::FinishAnimation()
{
    if (_image) _image->FinishAnimation();
}

bool CImageWarningView::IsAnimationPlaying() const
{
    return _image && _image->IsAnimationPlaying();
}

// ---- CTimerPanel

CTimerPanel::CTimerPanel() = default;
CTimerPanel::~CTimerPanel() = default;

bool CTimerPanel::Load(const CXMLNode& node)
{
    const bool loaded = CSlideableBaseDialog::Load(node);
    SetUpPanelSlide(*this, kTimerPanelRestX, 0.0f, kTimerPanelSpeed);
    _indicators.Load(node);
    const CXMLNode effect = node.SelectSingleNode("BonusResourceAppearEffect");
    const CXMLNode pyro = effect.SelectSingleNode("pyro");
    _appear_emitter = pyro.GetAttribute("alias", "");
    _appear_x = pyro.GetFloatAttribute("pos_x", 0.0f);
    _appear_y = pyro.GetFloatAttribute("pos_y", 0.0f);
    _appear_sound = effect.SelectSingleNode("sound").GetAttribute("alias", "");
    _appear_effect.reset();
    return loaded;
}

void CTimerPanel::OnShow(bool immediate)
{
    CSlideableBaseDialog::OnShow(immediate);
    if (auto danger = std::dynamic_pointer_cast<CMenuImage>(FindControl("ID_DANGER"))) {
        danger->ResetAnimation();
        danger->StopAnimation();
    }
}

void CTimerPanel::OnDraw()
{
    _indicators.Draw();
    if (_appear_effect && _appear_effect->HasEmitters()) _appear_effect->Render();
}

void CTimerPanel::PlayBonusResourceAppearEffect()
{
    if (!_appear_emitter.empty()) {
        _appear_effect = std::make_shared<CPyro2>();
        _appear_effect->AddEmitter(_appear_emitter, float(int(_appear_x)), float(int(_appear_y)));
    } else {
        _appear_effect.reset();
    }
    if (!_appear_sound.empty()) g_SoundQueue.QueueSound(_appear_sound);
}

ITimeBarView* CTimerPanel::GetTimeBar()
{
    _bar_view.Bind(GetControl<CMenuProgressBar>("ID_TIMER_BAR"));
    return &_bar_view;
}

IWarningView* CTimerPanel::GetDangerOff()
{
    CBaseControlPtr control = FindControl("ID_DANGER_OFF");
    if (!control) return nullptr;
    _danger_off_view.Bind(std::move(control));
    return &_danger_off_view;
}

IWarningImage* CTimerPanel::GetDanger()
{
    auto image = std::dynamic_pointer_cast<CMenuImage>(FindControl("ID_DANGER"));
    if (!image) return nullptr;
    _danger_view.Bind(std::move(image));
    return &_danger_view;
}

// ---- CMoverPanel

CMoverPanel::CMoverPanel() = default;

CMoverPanel::~CMoverPanel()
{
    // The segments leave their batch before the keeper goes.
    _body.clear();
}

bool CMoverPanel::Load(const CXMLNode& node)
{
    const bool loaded = CSlideableBaseDialog::Load(node);
    SetUpPanelSlide(*this, kMoverPanelRestX, 0.0f, kMoverPanelSpeed);
    _indicators.Load(node);

    _body_desc = GraphicsDesc();
    _expl_desc = GraphicsDesc();
    _expl_fast_desc = GraphicsDesc();
    ReadGraphics(node.SelectSingleNode("Body"), _body_desc);
    const CXMLNode expl = node.SelectSingleNode("BodyExpl");
    ReadGraphics(expl, _expl_desc);
    _body_sound = expl.GetAttribute("sound", "");
    ReadGraphics(node.SelectSingleNode("BodyExplFast"), _expl_fast_desc);
    _step = float(node.SelectSingleNode("Parameters").GetIntAttribute("body_step", 0));

    _basis_x = _basis_y = 0.0f;
    if (const CBaseControlPtr basis = FindControl("ID_IMAGE_BASIS")) {
        _basis_x = basis->GetX();
        _basis_y = basis->GetY();
    } else {
        GetLog().Error("Error: the moves panel has no control 'ID_IMAGE_BASIS'; its body stands at (0, 0).");
    }
    _head = std::dynamic_pointer_cast<CMenuImage>(FindControl("ID_IMAGE_HEAD"));
    _head_y = _head ? _head->GetY() : 0.0f;
    _label = std::dynamic_pointer_cast<CMenuLabel>(FindControl("ID_MOVES_LEFT"));
    _label_y = _label ? _label->GetY() : 0.0f;

    _explosion.reset();
    _expl = MakeSprite(_basis_x, _basis_y - 2.0f * _step, _expl_desc);
    _expl->SetVisible(false);
    _expl_fast = MakeSprite(_basis_x, _basis_y - 2.0f * _step, _expl_fast_desc);
    _expl_fast->SetVisible(false);
    SetMoves(0);
    return loaded;
}

void CMoverPanel::SetMoves(int moves)
{
    const int n = std::max(moves, 0);
    _body.clear();
    for (int i = 1; i <= n; ++i)
        _body.push_back(std::make_shared<CSprite>(_basis_x, _basis_y - float(i) * _step, _body_desc, _body_render));
    const float rise = _step * float(n);
    if (_head) _head->SetPosition(_head->GetX(), _head_y - rise);
    if (_label) {
        _label->SetPosition(_label->GetX(), _label_y - rise);
        _label->SetParam(CParamValue(n));
    }
    _queued = 0;
    _exploding = false;
    _fast = false;
    _explosion.reset();
    if (_expl) _expl->SetVisible(false);
    if (_expl_fast) _expl_fast->SetVisible(false);
    _moves_left = n;
}

void CMoverPanel::SpendMove()
{
    if (_moves_left <= 0) return;
    if (_exploding)
        ++_queued;
    else
        ExplodeNextSegment();
    // The count is the panel's own; the label, when there is one, only shows it.
    --_moves_left;
    if (_label) _label->SetParam(CParamValue(_moves_left));
}

void CMoverPanel::ExplodeNextSegment()
{
    if (_body.empty()) return;
    _body.erase(_body.begin());
    _explosion = _fast ? _expl_fast : _expl;
    _fall_speed = _fast ? kFastExplosionFall : kExplosionFall;
    if (_explosion) {
        _explosion->SetVisible(true);
        _explosion->PlayAnimation(1);
    }
    _exploding = true;
    _fall_left = _step;
    if (!_body_sound.empty()) g_SoundQueue.QueueSound(_body_sound);
}

void CMoverPanel::OnProcessed()
{
    CSlideableBaseDialog::OnProcessed();
    if (!_exploding && _queued > 0) {
        --_queued;
        ExplodeNextSegment();
    }
    if (!_exploding) return;
    if (_fall_speed <= _fall_left) {
        for (const auto& segment : _body) segment->Move(0.0f, _fall_speed);
        if (_head) _head->Move(0.0f, _fall_speed);
        if (_label) _label->Move(0.0f, _fall_speed);
        _fall_left -= _fall_speed;
    }
    if (_fall_left < _fall_speed && !(_explosion && _explosion->IsPlaying())) {
        if (_explosion) _explosion->SetVisible(false);
        _exploding = false;
    }
}

void CMoverPanel::OnDraw()
{
    _body_render.Draw();
    if (_explosion && _explosion->IsVisible()) _explosion->Draw();
    _indicators.Draw();
}

void CMoverPanel::GetBodyMiddlePos(float& x, float& y) const
{
    x = y = 0.0f;
    if (_body.empty()) return;
    const CSprite& middle = *_body[_body.size() / 2];
    x = middle.GetX();
    y = middle.GetY();
}

void CMoverPanel::GetHeadPos(float& x, float& y) const
{
    x = y = 0.0f;
    if (!_head) return;
    x = _head->GetX();
    y = _head->GetY();
}

// ---- CFlashingMessage

CFlashingMessage::CFlashingMessage()
{
    // The fade of the hold it is built with, so that a start without SetHold has one.
    SetHold(_hold);
}

void CFlashingMessage::SetHold(int frames)
{
    _hold = frames;
    _alphas.assign(size_t(std::max(frames, 0)), kFlashFadeFrom);
    for (int alpha = kFlashFadeFrom; alpha >= kFlashFadeTo; alpha -= kFlashFadeStep) _alphas.push_back(alpha);
}

void CFlashingMessage::SetMessage(const std::string& alias)
{
    SetLabel(alias);
    const float width = g_EngineCore ? float(g_EngineCore->GetScreenWidth()) : 800.0f;
    const float height = g_EngineCore ? float(g_EngineCore->GetScreenHeight()) : 600.0f;
    SetPosition(width / 2.0f, height / 2.0f);
    _style = GetLabel().style;
    _color = _style.color;
    _target_height = int(_style.height);
}

void CFlashingMessage::Start()
{
    _index = 0;
    _style.height = 1.0f;
    _style.color = (uint32_t(_alphas.front()) << 24) | (_color & 0xFFFFFFu);
    SetTextStyle(_style);
    _active = true;
}

bool CFlashingMessage::Update()
{
    if (!_active) return false;
    Draw();
    ++_index;
    if (_index >= _alphas.size()) {
        _active = false;
        return false;
    }
    _style.height = std::min(_style.height + kFlashGrowth, float(_target_height));
    _style.color = (uint32_t(_alphas[_index]) << 24) | (_color & 0xFFFFFFu);
    SetTextStyle(_style);
    return true;
}

void CGameTopPanel::ClearControls()
{
    CSlideableBaseDialog::ClearControls();
    _indicators.Clear();
}

void CGameBonusTopPanel::ClearControls()
{
    CSlideableBaseDialog::ClearControls();
    _indicators.Clear();
}

void CTimerPanel::ClearControls()
{
    CSlideableBaseDialog::ClearControls();
    _indicators.Clear();
}

void CMoverPanel::ClearControls()
{
    CSlideableBaseDialog::ClearControls();
    _indicators.Clear();
}
