#include "city/city_salute.h"

#include "engine/base/engine_registry.h"
#include "engine/core/engine_core.h"
#include "engine/particles/engine_pyro2.h"

#include <cmath>

void CCitySalute::Start(int count)
{
    Clear();
    _rockets.assign(static_cast<size_t>(count > 0 ? count : 0), SaluteRocket{});
    _stop = false;
    _finished = 0;
    _channel.SetSample(kSample);
    _channel.SetState(CSoundChannel::chsPlay);
}

void CCitySalute::Clear()
{
    _rockets.clear();
    _bursts = 0;
}

void CCitySalute::Launch(SaluteRocket& r)
{
    const int w = g_EngineCore->GetScreenWidth();
    const int h = g_EngineCore->GetScreenHeight();
    r.x = float(RandomInt(-10, w + 10));
    r.y = float(h + 10);
    r.target_x = float(RandomInt(100, w - 100));
    r.target_y = float(RandomInt(100, h - 300));
    r.speed = RandomFloat(7.0f, 10.0f);
    const float dx = r.target_x - r.x;
    const float dy = r.target_y - r.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    r.step_x = length > 0.0f ? dx / length * r.speed : 0.0f;
    r.step_y = length > 0.0f ? dy / length * r.speed : 0.0f;
    r.delay = RandomInt(0, 100);
    r.waiting = true;
    r.pyro = std::make_shared<CPyro2>();
    r.emitter_id = r.pyro->AddEmitter(kTailEmitter, float(int(r.x)), float(int(r.y)));
    r.state = SaluteRocket::rsWaiting;
}

void CCitySalute::Burst(SaluteRocket& r)
{
    r.x = r.target_x;
    r.y = r.target_y;
    r.pyro->RemoveEmitter(r.emitter_id);
    r.emitter_id = r.pyro->AddEmitter(kBurstEmitter, float(int(r.x)), float(int(r.y)));
    g_SoundQueue.QueueSound("salut_blow");
    r.state = SaluteRocket::rsBursting;
}

void CCitySalute::BurstEnded(SaluteRocket& r)
{
    ++_bursts;
    r.pyro.reset();
    if (!_stop) {
        r.state = SaluteRocket::rsLaunch;
        return;
    }
    r.state = SaluteRocket::rsFinished;
    ++_finished;
    if (_finished >= int32_t(_rockets.size()) && _channel.IsPlaying()) _channel.SetState(CSoundChannel::chsFadeDown);
}

void CCitySalute::Update()
{
    _channel.Update();
    for (SaluteRocket& r : _rockets) {
        if (r.waiting && r.delay > 0) --r.delay;
        switch (r.state) {
        case SaluteRocket::rsLaunch:
            Launch(r);
            break;
        case SaluteRocket::rsWaiting:
            if (r.waiting && r.delay == 0) {
                g_SoundQueue.QueueSound("salut_fly");
                r.state = SaluteRocket::rsFlying;
            }
            break;
        case SaluteRocket::rsFlying: {
            const float dx = r.target_x - r.x;
            const float dy = r.target_y - r.y;
            if (r.speed < std::sqrt(dx * dx + dy * dy)) {
                r.x += r.step_x;
                r.y += r.step_y;
                r.pyro->SetPosition(r.x, r.y);
            } else {
                Burst(r);
            }
            break;
        }
        case SaluteRocket::rsBursting:
            // A burst whose name the particle file lacks never existed: it ends at once, so the
            // fireworks still come to an end.
            if (!r.pyro || !r.pyro->HasEmitter(r.emitter_id)) BurstEnded(r);
            break;
        default:
            break;
        }
    }
}

void CCitySalute::Render()
{
    for (SaluteRocket& r : _rockets)
        if ((r.state == SaluteRocket::rsFlying || r.state == SaluteRocket::rsBursting) && r.pyro) r.pyro->Render();
}
