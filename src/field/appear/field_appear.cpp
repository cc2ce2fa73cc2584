#include "field/appear/field_appear.h"

#include "field/config/field_config.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"
#include "engine/base/engine_xml.h"
#include "engine/sound/engine_soundqueue.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

AppearOptions g_AppearOptions;

// The value, or the lowest that works with a logged line.
int AtLeast(const char* name, int value, int lowest)
{
    if (value >= lowest) return value;
    GetLog().Warning("AppearCfg.xml: %s %d is below %d; %d is used.", name, value, lowest, lowest);
    return lowest;
}

} // namespace

const AppearOptions& GetAppearOptions() { return g_AppearOptions; }

void ResetAppearOptions() { g_AppearOptions = AppearOptions(); }

void LoadAppearOptions(const CXMLFile& file)
{
    const CXMLNode config_node = file.SelectSingleNode("//Options");
    if (!config_node.IsValid()) {
        GetLog().Warning("AppearCfg.xml has no Options; the field appears with the default options.");
        VERIFY_SOFT(config_node.IsValid());
        return;
    }
    const AppearOptions def;
    AppearOptions o;
    o.delay_between_rows = AtLeast("DELAY_BETWEEN_ROWS", config_node.GetIntAttribute("DELAY_BETWEEN_ROWS", def.delay_between_rows), 0);
    o.effect_time = AtLeast("EFFECT_TIME", config_node.GetIntAttribute("EFFECT_TIME", def.effect_time), 1);
    o.random_appearing_frame =
        AtLeast("RANDOM_APPEARING_FRAME", config_node.GetIntAttribute("RANDOM_APPEARING_FRAME", def.random_appearing_frame), 0);
    o.oversize_percent = AtLeast("OVERSIZE_PERCENT", config_node.GetIntAttribute("OVERSIZE_PERCENT", def.oversize_percent), 0);
    o.appear_random = config_node.GetBoolAttribute("APPEAR_RANDOM", def.appear_random);
    o.disappear_random = config_node.GetBoolAttribute("DISAPPEAR_RANDOM", def.disappear_random);
    g_AppearOptions = o;
}

void LoadAppearOptions()
{
    try {
        LoadAppearOptions(CXMLFile(std::string("Settings\\") + "AppearCfg.xml"));
    } catch (const std::exception& e) {
        GetLog().Warning("AppearCfg.xml could not be read (%s); the field appears with the default options.", e.what());
    }
}

void CFieldAppearer::FieldStart(CellObjects objects)
{
    Start(std::move(objects), amAppearing, g_AppearOptions.appear_random, 0.0f, "field_start");
}

void CFieldAppearer::FieldOver(CellObjects objects)
{
    Start(std::move(objects), amDisappearing, g_AppearOptions.disappear_random, 255.0f, "field_over");
}

void CFieldAppearer::Start(CellObjects objects, int mode, bool random, float alpha, const char* sample)
{
    _objects = std::move(objects);
    _pending = 0;
    _running.clear();
    _schedule.assign(_objects.size(), Slot());
    for (size_t cell = 0; cell < _objects.size(); ++cell) {
        auto& list = _objects[cell];
        list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
        for (const CGraphObjPtr& obj : list) {
            obj->StopEffect();
            obj->SetAlpha(alpha);
        }
        if (list.empty()) continue;
        int column = 0, row = 0;
        g_LevelCfg.CellToPos(int(cell), column, row);
        Slot& slot = _schedule[cell];
        slot.delay = random ? RandomInt(0, g_AppearOptions.random_appearing_frame)
                            : int(std::lround(float(g_AppearOptions.delay_between_rows) * float(row)));
        slot.armed = true;
        ++_pending;
    }
    g_SoundQueue.QueueSound(sample);
    _mode = mode;
}

void CFieldAppearer::Update()
{
    if (_mode == amIdle) return;
    if (_pending == 0 && _running.empty()) {
        _mode = amIdle;
        _objects.clear();
        _schedule.clear();
        if (!_end_sound.empty()) g_SoundQueue.QueueSound(_end_sound);
        return;
    }
    const float target_alpha = _mode == amAppearing ? 255.0f : 0.0f;
    const uint32_t interval = uint32_t(std::max(g_AppearOptions.effect_time, 1));
    for (size_t cell = 0; cell < _schedule.size(); ++cell) {
        Slot& slot = _schedule[cell];
        if (!slot.armed) continue;
        if (slot.delay > 0) {
            --slot.delay;
            continue;
        }
        slot.armed = false;
        slot.done = true;
        --_pending;
        for (const CGraphObjPtr& obj : _objects[cell]) {
            float x = 0.0f, y = 0.0f;
            obj->GetPos(x, y);
            const float w = obj->GetWidth(), h = obj->GetHeight();
            obj->SetEffect(std::make_unique<CAppearEffect>(obj.get(), uint32_t(target_alpha), w, h, w, h, x, y,
                                                           float(g_AppearOptions.oversize_percent), interval));
            _running.push_back(obj);
        }
    }
    _running.erase(std::remove_if(_running.begin(), _running.end(), [](const CGraphObjPtr& o) { return !o->HasEffect(); }),
                   _running.end());
}

int CFieldAppearer::GetDelay(int cell) const
{
    return cell >= 0 && size_t(cell) < _schedule.size() ? _schedule[size_t(cell)].delay : 0;
}

bool CFieldAppearer::IsArmed(int cell) const
{
    return cell >= 0 && size_t(cell) < _schedule.size() && _schedule[size_t(cell)].armed;
}
