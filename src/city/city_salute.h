// The fireworks over the city: rockets rise from below the screen to random points of the sky,
// each trailing sparks, burst there with a sound, and rise again until the owner asks them to
// stop; the fanfare under them fades out when the last rocket has finished.
#pragma once

#include "engine/sound/engine_soundqueue.h"

#include <cstdint>
#include <memory>
#include <vector>

class CPyro2;

struct SaluteRocket {
    enum { rsLaunch = 0, rsWaiting = 1, rsFlying = 2, rsBursting = 3, rsFinished = 4 };

    int32_t state = rsLaunch;
    std::shared_ptr<CPyro2> pyro;   // empty once released
    uint32_t emitter_id = 0;        // the tail while flying, then the burst
    float x = 0.0f, y = 0.0f;
    float target_x = 0.0f, target_y = 0.0f;
    float step_x = 0.0f, step_y = 0.0f;
    float speed = 0.0f;             // pixels per update
    int32_t delay = 0;              // updates left before the rocket rises
    bool waiting = false;
};

class CCitySalute {
public:
    static constexpr const char* kSample = "episode_complete";
    static constexpr const char* kTailEmitter = "Rocket_Tail";
    static constexpr const char* kBurstEmitter = "Salut";

    // Drops whatever runs and launches `count` fresh rockets with the fanfare.
    void Start(int count);
    // Drops every rocket and forgets the bursts counted.
    void Clear();
    // One step, once per frame.
    void Update();
    // Draws the rockets in the air and their bursts (after the city, so they show over it).
    void Render();

    const std::vector<SaluteRocket>& GetRockets() const { return _rockets; }
    const CSoundChannel& GetChannel() const { return _channel; }

    // Read and set directly by the city scene.
    bool _stop = false;        // a rocket whose burst ended finishes instead of rising again
    int32_t _finished = 0;     // rockets finished
    int32_t _bursts = 0;       // bursts ended since the last start

private:
    void Launch(SaluteRocket& rocket);
    void Burst(SaluteRocket& rocket);
    void BurstEnded(SaluteRocket& rocket);

    std::vector<SaluteRocket> _rockets;
    CSoundChannel _channel;
};
