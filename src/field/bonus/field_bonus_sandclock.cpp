// The sand clock.
#include "field/bonus/field_bonus_sandclock.h"

#include "field/timebar/field_timer.h"

#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/particles/engine_pyro2.h"
#include "engine/render/engine_polygon.h"

CSandClockBonus::CSandClockBonus() : CWaveBonusImpl("SandClock", true) {}
CSandClockBonus::~CSandClockBonus()
{
    // A clock dropped in flight (the level ended) must not leave the time bar standing still.
    if (_freezing) g_GameTimer.SetFrozen(false);
}

bool CSandClockBonus::Prepare()
{
    const auto add_time = _add_times.find(_grade);
    if (add_time == _add_times.end()) return false;
    _add_time = add_time->second;
    _pyro = std::make_shared<CPyro2>();
    _flights.clear();
    for (int i = 0; i < _grade; ++i) {
        const CVector2 s(_start_x, _start_y);
        CVector2 t;
        g_GameTimer.GetTipPosition(t.x, t.y);
        // The path bends away from the straight line by a random amount, to a random side.
        const CVector2 h = (t - s) * 0.5f;
        const float length = h.Length();
        const float r1 = RandomFloat(length / 6.0f, length * 0.5f);
        const float angle = CVector2::NormalizeAngle(RandomFloat(0.0f, 100.0f) + 220.0f);
        CVector2 u = length > 0.0f ? h * (1.0f / length) : h;
        u.Rotate(angle);
        const float r2 = RandomFloat(r1, r1 * 1.5f);
        const CVector2 c = s + h + u * r2;
        Flight flight;
        flight.path.Build({s, s, c, t}, _speed / 100.0f);
        if (!_pyro_alias.empty())
            flight.emitter_id = int(_pyro->AddEmitter(_pyro_alias, float(int(s.x)), float(int(s.y))));
        flight.delay.Start(kLaunchInterval * uint32_t(i));
        _flights.push_back(std::move(flight));
    }
    g_GameTimer.SetFrozen(true);
    _freezing = true;
    return true;
}

bool CSandClockBonus::Step()
{
    bool any = false;
    for (Flight& flight : _flights) {
        if (flight.done) continue;
        flight.delay.Step();
        if (flight.delay.IsExpired()) {
            float x = 0.0f, y = 0.0f;
            flight.path.GetPoint(float(flight.step), x, y);
            _pyro->SetEmitterPosition(CPyro2::EmitterId(flight.emitter_id), x, y);
            if (flight.step >= flight.path.GetPointCount()) {
                flight.done = true;
                PlaySample();
                _pyro->RemoveEmitter(CPyro2::EmitterId(flight.emitter_id));
                continue;
            }
            ++flight.step;
        }
        any = true;
    }
    return any;
}

void CSandClockBonus::Finish()
{
    if (_source) _source->AddTime(_add_time);
    _pyro.reset();
    _flights.clear();
    g_GameTimer.SetFrozen(false);
    _freezing = false;
    _active = false;
}

void CSandClockBonus::Draw()
{
    if (_pyro) _pyro->Render();
}

bool CSandClockBonus::Load(const CXMLNode& node)
{
    if (!CBaseBonusImpl::Load(node)) return false;
    const CXMLNodeList grades = node.SelectNodes("Grade");
    for (int i = 0; i < grades.GetLength(); ++i) {
        const CXMLNode grade = grades.GetItem(i);
        _add_times[grade.GetIntAttribute("id", 0)] = ReadCount(grade, _config_name, "add_time", 30);
    }
    const CXMLNode pyro_fly_node = node.SelectSingleNode("TimeFlyEffect/Pyro");
    if (!pyro_fly_node.IsValid()) {
        GetLog().Error("Error: bonuses.xml: SandClock has no TimeFlyEffect/Pyro; its flights have no particles.");
        return true;
    }
    _pyro_alias = pyro_fly_node.GetAttribute("alias", "");
    _start_x = pyro_fly_node.GetFloatAttribute("start_x", 0.0f);
    _start_y = pyro_fly_node.GetFloatAttribute("start_y", 0.0f);
    _speed = ReadPositiveFloat(pyro_fly_node, _config_name, "speed", kDefaultSpeed);
    if (_speed < kMinSpeed) {
        GetLog().Warning("Warning: bonuses.xml: %s attribute speed=\"%s\" is below %g; %g is used.",
                         _config_name.c_str(), pyro_fly_node.GetAttribute("speed").c_str(), double(kMinSpeed),
                         double(kDefaultSpeed));
        _speed = kDefaultSpeed;
    }
    return true;
}
