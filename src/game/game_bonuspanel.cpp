#include "game/game_bonuspanel.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_xml.h"
#include "engine/core/engine_input.h"
#include "engine/render/engine_render.h"
#include "engine/sound/engine_soundqueue.h"
#include "field/chain/field_gamefield.h"
#include "field/field_services.h"
#include "gui/gui_controls.h"
#include "player/player_resources.h"

#include <cmath>

namespace {

constexpr int kPulseSteps = 60;
constexpr int kHelpCrossState = 2;

} // namespace

const std::vector<BonusPanelRow>& GetBonusPanelRows()
{
    static const std::vector<BonusPanelRow> rows = {
        {"ID_DYNAMITE", "ID_DYNAMITE_DISABLE", "ID_DYNAMITE_EMPTY", "ID_DYNAMITE_READY", "ID_DYNAMITE_READY_GLOW", 11, 1},
        {"ID_MAGICWAND", "ID_MAGICWAND_DISABLE", "ID_MAGICWAND_EMPTY", "ID_MAGICWAND_READY", "ID_MAGICWAND_READY_GLOW", 16, 2},
        {"ID_LIGHTNING", "ID_LIGHTNING_DISABLE", "ID_LIGHTNING_EMPTY", "ID_LIGHTNING_READY", "ID_LIGHTNING_READY_GLOW", 13, 3},
        {"ID_STAR", "ID_STAR_DISABLE", "ID_STAR_EMPTY", "ID_STAR_READY", "ID_STAR_READY_GLOW", 15, 4},
        {"ID_SANDCLOCK", "ID_SANDCLOCK_DISABLE", "ID_SANDCLOCK_EMPTY", "ID_SANDCLOCK_READY", "ID_SANDCLOCK_READY_GLOW", 10, 5},
        {"ID_SWORD", "ID_SWORD_DISABLE", "ID_SWORD_EMPTY", "ID_SWORD_READY", "ID_SWORD_READY_GLOW", 14, 6},
        {"ID_PLUS", "ID_PLUS_DISABLE", "ID_PLUS_EMPTY", "ID_PLUS_READY", "ID_PLUS_READY_GLOW", 17, 7},
        {"ID_MIXER", "ID_MIXER_DISABLE", "ID_MIXER_EMPTY", "ID_MIXER_READY", "ID_MIXER_READY_GLOW", 12, 8},
    };
    return rows;
}

// ---- CRing

CRing::CRing() = default;
CRing::~CRing() = default;

bool CRing::Load(const CXMLNode& node)
{
    VERIFY(node.IsValid());
    _name = node.GetAttribute("id");
    _centre_x = node.GetFloatAttribute("centre_x");
    _centre_y = node.GetFloatAttribute("centre_y");
    _begin = node.GetFloatAttribute("begin");
    _end = node.GetFloatAttribute("end");
    _speed = node.GetFloatAttribute("speed", 1.0f);
    const CXMLNodeList children = node.SelectNodes("*");
    for (int i = 0; i < children.GetLength(); ++i) {
        const std::string name = children.GetItem(i).GetName();
        if (name != "graphics") GetLog().Error("Unrecognized bonus panel ring node %s", name.c_str());
    }
    ReadGraphics(node, _desc);
    _sprite.reset();
    if (!_desc.texture.empty()) {
        _sprite = std::make_unique<CSprite>();
        _sprite->Init(_centre_x, _centre_y, _desc);
    }
    _size = _begin;
    _running = false;
    return true;
}

void CRing::PlaceSprite()
{
    if (!_sprite) return;
    _sprite->SetSize(_size, _size);
    _sprite->SetPosition(_centre_x - _size / 2.0f, _centre_y - _size / 2.0f);
}

void CRing::Start(int value)
{
    if (!_enabled || _running || value <= _last_value) return;
    _size = _begin;
    // A speed of zero or less (or no growth at all) shows the end size at once.
    _step = _speed > 0.0f ? (_end - _begin) / _speed : (_end - _begin);
    _running = true;
    _last_value = value;
    PlaceSprite();
}

void CRing::Update()
{
    if (!_running) return;
    _size += _step;
    // The growth stops on reaching or passing the end size, so that a step that does not divide
    // the distance exactly cannot carry the ring past it for ever.
    const bool reached = _step >= 0.0f ? _size >= _end - 0.01f : _size <= _end + 0.01f;
    if (reached) {
        _size = _end;
        _running = false;
    }
    PlaceSprite();
}

void CRing::Draw()
{
    if (_sprite && _enabled && (_running || _held_visible)) _sprite->Draw();
}

// ---- CBonusPanel

CBonusPanel::CBonusPanel() : _states(GetBonusPanelRows().size())
{
    _rings.resize(GetBonusPanelRows().size());
}

CBonusPanel::~CBonusPanel() = default;

bool CBonusPanel::Load(const CXMLNode& node)
{
    CSlideableBaseDialog::Load(node);
    SetSounds("panel_up", "panel_down");

    const auto& rows = GetBonusPanelRows();
    for (auto& ring : _rings) ring.reset();
    const CXMLNodeList rings = node.SelectNodes("Ring");
    for (int i = 0; i < rings.GetLength(); ++i) {
        auto ring = std::make_unique<CRing>();
        ring->Load(rings.GetItem(i));
        bool placed = false;
        for (size_t row = 0; row < rows.size(); ++row) {
            if (ring->GetName() != rows[row].icon) continue;
            _rings[row] = std::move(ring);
            placed = true;
            break;
        }
        if (!placed) GetLog().Error("Error: bonus panel ring '%s' matches no bonus", rings.GetItem(i).GetAttribute("id").c_str());
    }
    _indicators.Load(node);
    ResetRows();
    return true;
}

void CBonusPanel::ClearControls()
{
    CSlideableBaseDialog::ClearControls();
    for (auto& ring : _rings) ring.reset();
    _indicators.Clear();
}

void CBonusPanel::ResetRows()
{
    _selected = kNoSelection;
    _pulse = 0;
    for (size_t row = 0; row < _states.size(); ++row) {
        _states[row] = RowState();
        SetRowImages(int(row), _states[row]);
    }
}

void CBonusPanel::SetRowImages(int row, const RowState& state)
{
    const BonusPanelRow& r = GetBonusPanelRows()[row];
    const bool ready = state.available && state.active;
    GetControl<CMenuImage>(r.disabled)->SetVisible(!state.available);
    GetControl<CMenuImage>(r.empty)->SetVisible(state.available && !state.active);
    GetControl<CMenuImage>(r.ready)->SetVisible(ready);
    GetControl<CMenuImage>(r.glow)->SetVisible(ready);
}

void CBonusPanel::OnShow(bool immediate)
{
    CSlideableBaseDialog::OnShow(immediate);
    ResetRows();
    const auto& rows = GetBonusPanelRows();
    for (size_t row = 0; row < rows.size(); ++row) {
        const CreditState credit = GetResCredits().GetState(rows[row].credit_type);
        RowState& state = _states[row];
        state = RowState{credit.available, credit.active, int(credit.grade)};
        SetRowImages(int(row), state);
        if (state.available && state.active && _rings[row]) _rings[row]->SetLastValue(state.grade);
    }
}

void CBonusPanel::OnDraw()
{
    for (auto& ring : _rings)
        if (ring) ring->Draw();
    _indicators.Draw();
}

void CBonusPanel::OnProcessInput()
{
    if (g_Mouse && g_Mouse->IsButtonDown(1)) CancelSelection();
}

int CBonusPanel::GetGlowAlpha() const
{
    // Up to full in sixty steps, then down again in as many.
    const int step = _pulse <= kPulseSteps ? _pulse : 2 * kPulseSteps - _pulse;
    return int(255.0f * float(step) / float(kPulseSteps));
}

void CBonusPanel::OnProcessed()
{
    CSlideableBaseDialog::OnProcessed();

    const IFieldScene* scene = GetFieldScene();
    const bool playing = scene && scene->GetState() == IFieldScene::kPlaying;
    if (playing && !(_field && _field->IsBonusLevel())) _pulse = (_pulse + 1) % (2 * kPulseSteps);

    const auto& rows = GetBonusPanelRows();
    for (size_t row = 0; row < rows.size(); ++row) {
        const CreditState credit = GetResCredits().GetState(rows[row].credit_type);
        const RowState now{credit.available, credit.active, int(credit.grade)};
        const bool ready = now.available && now.active;
        if (ready) GetControl<CMenuImage>(rows[row].glow)->SetAlpha(uint32_t(GetGlowAlpha()));
        RowState& was = _states[row];
        if (now == was) continue;
        SetRowImages(int(row), now);
        CRing* ring = _rings[row].get();
        if (!ready) {
            if (ring) {
                ring->Stop();
                ring->SetLastValue(0);
            }
        } else if (now.grade > was.grade) {
            if (ring) ring->Start(now.grade);
        } else if (now.grade < was.grade) {
            if (ring) {
                ring->SetLastValue(now.grade);
                ring->Stop();
            }
        }
        if (now.grade > was.grade && _field) _field->OnBonusGained(rows[row].bonus_kind, now.grade);
        was = now;
    }

    for (auto& ring : _rings)
        if (ring) ring->Update();

    // The field keeps the kind it has armed until the bonus is used up or disarmed.
    if (_selected != kNoSelection && !(_field && _field->GetSelectedBonus() != 0)) _selected = kNoSelection;
}

bool CBonusPanel::FieldAcceptsClick() const
{
    return _field && _field->AcceptsPanelClick();
}

void CBonusPanel::OnClick(CBaseControl* control)
{
    const IFieldScene* scene = GetFieldScene();
    if (!control || !IsShown() || !scene || scene->GetState() != IFieldScene::kPlaying || !FieldAcceptsClick()) return;

    const auto& rows = GetBonusPanelRows();
    for (size_t row = 0; row < rows.size(); ++row) {
        if (control->GetId() != rows[row].glow || !_states[row].active) continue;
        if (_field->IsBonusLevel()) {
            g_SoundQueue.QueueSound("it_mismatch");
            return;
        }
        CancelSelection();
        // The field refuses without a credit; then nothing is picked.
        _field->ActivateBonus(rows[row].bonus_kind);
        _selected = _field->GetSelectedBonus() != 0 ? int(row) : kNoSelection;
        return;
    }
    if (_selected == kNoSelection) {
        if (control->GetId() == "ID_HELP") {
            if (IFieldScene* s = GetFieldScene()) s->StartCrossState(kHelpCrossState);
        }
        return;
    }
    CancelSelection();
}

void CBonusPanel::CancelSelection()
{
    if (_selected == kNoSelection) return;
    const int row = _selected;
    const BonusPanelRow& r = GetBonusPanelRows()[row];
    if (_field) _field->CancelBonus();
    if (_rings[row]) _rings[row]->SetLastValue(GetResCredits().GetGrade(r.credit_type));
    // The credit given back is no gain: the row takes it as its state at once, so that the next
    // frame neither reports it to the field nor starts the ring.
    const CreditState credit = GetResCredits().GetState(r.credit_type);
    _states[row] = RowState{credit.available, credit.active, int(credit.grade)};
    SetRowImages(row, _states[row]);
    _selected = kNoSelection;
}

void CBonusPanel::EnableHelp(bool enabled)
{
    GetControl("ID_HELP")->SetEnabled(enabled);
}

GamePoint CBonusPanel::GetBonusIconPos(int credit_type) const
{
    for (const BonusPanelRow& row : GetBonusPanelRows()) {
        if (row.credit_type != credit_type) continue;
        const CBaseControlPtr ready = FindControl(row.ready);
        if (!ready) return GamePoint();
        return GamePoint{ready->GetX() + ready->GetWidth() / 2.0f, ready->GetY()};
    }
    return GamePoint();
}
