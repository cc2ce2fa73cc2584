#include "gui/gui_scorewinder.h"

#include "engine/base/engine_clock.h"
#include "gui/gui_controls.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ScoreWinder {

CBaseElement::CBaseElement(const std::shared_ptr<CMenuLabel>& caption, const std::shared_ptr<CMenuLabel>& value)
    : _caption(caption), _value(value)
{
}

void CBaseElement::Show(bool visible)
{
    _presented = true;
    if (auto caption = _caption.lock()) caption->SetVisible(visible);
    if (auto value = _value.lock()) value->SetVisible(visible);
}

void CBaseElement::SetFigure(const CParamValue& figure)
{
    auto value = _value.lock();
    if (!value) return;
    CStaticLabel& label = value->GetLabel();
    if (label.GetLabel().param_count >= 2) label.SetParams(label.GetParam1(), figure);
    else label.SetParam(figure);
}

// ---------------------------------------------------------------------------------------------

CStringElement::CStringElement(const std::string& text, const std::shared_ptr<CMenuLabel>& caption,
                               const std::shared_ptr<CMenuLabel>& value)
    : CBaseElement(caption, value)
{
    SetFigure(CParamValue(text));
    Show(false);
}

// ---------------------------------------------------------------------------------------------

CCounterElement::CCounterElement(int from, int to, const std::shared_ptr<CMenuLabel>& caption,
                                 const std::shared_ptr<CMenuLabel>& value)
    : CBaseElement(caption, value), _winder(float(from), float(to), kSteps, kCountSound)
{
    Init();
}

void CCounterElement::Init()
{
    SetFigure(Figure());
    Show(false);
}

int CCounterElement::GetShown() const
{
    // Truncated toward zero, within the range of an int.
    const float current = _winder.GetCurrent();
    if (!(current > float(std::numeric_limits<int>::min()))) return std::numeric_limits<int>::min();
    if (!(current < float(std::numeric_limits<int>::max()))) return std::numeric_limits<int>::max();
    return int(current);
}

void CCounterElement::Step()
{
    if (!IsPresented() || !IsStarted()) return;
    _winder.Step();
    SetFigure(Figure());
}

bool CCounterElement::IsDone() const { return _winder.GetCurrent() == _winder.GetTarget(); }

// ---------------------------------------------------------------------------------------------

CTimeElement::CTimeElement(int from_ms, int to_ms, const std::shared_ptr<CMenuLabel>& caption,
                           const std::shared_ptr<CMenuLabel>& value)
    : CCounterElement(std::max(from_ms, 0), std::max(to_ms, 0), caption, value)
{
    // The base built the figure as a number; a time shows as clock text from the start.
    Init();
}

CParamValue CTimeElement::Figure() const
{
    return CParamValue(FormatTime(uint32_t(std::max(GetShown(), 0))));
}

// ---------------------------------------------------------------------------------------------

void CGroup::Add(const CElementPtr& element)
{
    if (element) _elements.push_back(element);
}

void CGroup::Step()
{
    for (const CElementPtr& e : _elements) e->Step();
}

void CGroup::Show(bool visible)
{
    for (const CElementPtr& e : _elements) e->Show(visible);
}

void CGroup::StartAll()
{
    for (const CElementPtr& e : _elements) {
        e->Show(true);
        e->Start(true);
    }
}

bool CGroup::IsStarted() const
{
    return std::all_of(_elements.begin(), _elements.end(), [](const CElementPtr& e) { return e->IsStarted(); });
}

bool CGroup::IsDone() const
{
    return std::all_of(_elements.begin(), _elements.end(), [](const CElementPtr& e) { return e->IsDone(); });
}

} // namespace ScoreWinder

// ---------------------------------------------------------------------------------------------
// CDelayTimer

void CDelayTimer::Start(int32_t mode, uint32_t period)
{
    _mode = mode;
    _period = period;
    _counter = 0;
    _start = zf::ClockNow();
}

void CDelayTimer::Tick()
{
    if (_counter < std::numeric_limits<uint32_t>::max()) ++_counter;
}

bool CDelayTimer::IsElapsed() const
{
    switch (_mode) {
    case dmRealTime: return zf::ClockNow() - _start >= _period;
    case dmNever: return false;
    default: return _counter >= _period;
    }
}
